#include "app/console_win.h"

#include <windows.h>

#include <cstdio>

void EnsureConsoleOutput() {
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (output != nullptr && output != INVALID_HANDLE_VALUE &&
        GetFileType(output) != FILE_TYPE_UNKNOWN) {
        return;
    }
    if (AttachConsole(ATTACH_PARENT_PROCESS)) {
        std::FILE* stream = std::freopen("CONOUT$", "w", stdout);
        (void)stream;
    }
}
