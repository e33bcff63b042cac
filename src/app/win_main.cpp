// Entry point of the Windows program: the converter runs first, before any
// window exists; without a conversion switch the viewer starts.
#include "app/console_win.h"
#include "texture/command_line.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previousInstance, LPSTR commandLine,
                   int showCommand) {
    (void)instance;
    (void)previousInstance;
    (void)showCommand;
    if (IsConversionTail(commandLine)) {
        EnsureConsoleOutput();
    }
    HandleCommandLine(commandLine);
    return 0;
}
