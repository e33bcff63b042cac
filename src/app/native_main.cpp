// The Linux build: the converter alone. The viewer is the Windows build.
#include "app/native_tail.h"
#include "texture/command_line.h"

#include <cstdio>

int main(int argc, char** argv) {
    const std::string tail = JoinArgumentsAsTail(argc, argv);
    HandleCommandLine(tail.c_str());
    std::fprintf(stderr,
                 "usage: pieceviewer /b texture.txr [bitmap.bmp] | /t bitmap.bmp [texture.txr]"
                 " (the viewer is pieceviewer.exe, the Windows build; run it under Wine)\n");
    return 2;
}
