// The Linux build: the converter alone. The viewer is the Windows build.
#include "app/native_tail.h"
#include "common/file_size_limit.h"
#include "common/version.h"
#include "texture/command_line.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    TakeFileSizeLimitAsWriteFailure();
    // The release's version, for packaging and for users; every other command
    // line goes to the converter exactly as before.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("pieceviewer %s\n", PV_VERSION);
        return 0;
    }
    const std::string tail = JoinArgumentsAsTail(argc, argv);
    HandleCommandLine(tail.c_str());
    std::fprintf(stderr,
                 "usage: pieceviewer /b texture.txr [bitmap.bmp] | /t bitmap.bmp [texture.txr]"
                 " (the viewer is pieceviewer.exe, the Windows build; run it under Wine)\n");
    return 2;
}
