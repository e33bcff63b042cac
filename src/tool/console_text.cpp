#include "tool/console_text.h"

#include "common/shift_jis_text.h"

#include <string>

#ifdef _WIN32
#include <windows.h>
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
// The console handle behind a standard stream, or null when the stream is
// redirected to a file or a pipe.
HANDLE ConsoleOf(std::FILE* stream) {
    HANDLE handle = GetStdHandle(stream == stderr ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (handle == INVALID_HANDLE_VALUE || handle == nullptr || !GetConsoleMode(handle, &mode)) {
        return nullptr;
    }
    return handle;
}
#endif

} // namespace

void WriteText(std::FILE* stream, std::string_view utf8) {
#ifdef _WIN32
    if (HANDLE console = ConsoleOf(stream)) {
        const std::wstring wide = Widen(utf8, CP_UTF8);
        std::fflush(stream);
        DWORD written = 0;
        WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
#endif
    std::fwrite(utf8.data(), 1, utf8.size(), stream);
}

void WriteLine(std::FILE* stream, std::string_view utf8) {
    WriteText(stream, utf8);
    WriteText(stream, "\n");
}

bool IsTerminal(std::FILE* stream) {
#ifdef _WIN32
    return ConsoleOf(stream) != nullptr;
#else
    return isatty(fileno(stream)) != 0;
#endif
}
