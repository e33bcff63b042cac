// Starts the viewer and loads three piece folders into it the way a user
// would: File/Open, the three folder boxes of "Select Piece Component
// Locations" filled in, "Load". The set-up script uses it so that a newcomer
// sees the sample pieces listed and one turning. It then waits for the viewer
// to end and gives its exit code.
// Usage: open_samples <pieceviewer.exe> <profiles> <models> <textures>
#include "resources/resource_ids.h"

#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <string>

namespace {

// Waits for a top-level window of the class and title, for up to a minute
// (a first start of Wine may take that long).
HWND WaitForWindow(const wchar_t* className, const wchar_t* title, HANDLE viewer) {
    for (int i = 0; i < 600; ++i) {
        if (HWND window = FindWindowW(className, title)) {
            return window;
        }
        if (WaitForSingleObject(viewer, 100) == WAIT_OBJECT_0) {
            return nullptr;
        }
    }
    return nullptr;
}

} // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv == nullptr || argc != 5) {
        std::fprintf(stderr,
                     "usage: open_samples <pieceviewer.exe> <profiles> <models> <textures>\n");
        return 2;
    }
    std::wstring commandLine = L"\"" + std::wstring(argv[1]) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION viewer{};
    if (!CreateProcessW(argv[1], commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &viewer)) {
        std::fprintf(stderr, "open_samples: cannot start the viewer\n");
        return 1;
    }
    HWND main =
        WaitForWindow(L"TXR_BMP Converter for win", L"Varnholt-Map Piece Viewer", viewer.hProcess);
    HWND dialog = nullptr;
    if (main != nullptr) {
        PostMessageW(main, WM_COMMAND, ID_FILE_OPEN, 0);
        dialog = WaitForWindow(L"#32770", L"Select Piece Component Locations", viewer.hProcess);
    }
    if (dialog != nullptr) {
        const int boxes[3] = {IDC_PROFILE_FOLDER, IDC_MODEL_FOLDER, IDC_TEXTURE_FOLDER};
        for (int i = 0; i < 3; ++i) {
            SendMessageW(GetDlgItem(dialog, boxes[i]), WM_SETTEXT, 0,
                         reinterpret_cast<LPARAM>(argv[2 + i]));
        }
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    } else {
        std::fprintf(stderr, "open_samples: the viewer's folder dialog did not appear\n");
    }
    WaitForSingleObject(viewer.hProcess, INFINITE);
    DWORD exitCode = 1;
    GetExitCodeProcess(viewer.hProcess, &exitCode);
    CloseHandle(viewer.hThread);
    CloseHandle(viewer.hProcess);
    return static_cast<int>(exitCode);
}
