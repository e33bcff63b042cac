#include "preview_harness.h"

#include "preview/display_win.h"
#include "resources/resource_ids.h"

#include <algorithm>
#include <cstring>

namespace {

const char kHostClass[] = "PreviewTestHost";

} // namespace

bool CreatePreviewHost(PreviewHost& host) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.style = CS_HREDRAW | CS_VREDRAW;
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
        windowClass.lpszClassName = kHostClass;
        RegisterClassExA(&windowClass);
        registered = true;
    }
    host.mainWindow = CreateWindowExA(0, kHostClass, "Preview test", 0x10CA0000, 40, 40, 640, 440,
                                      nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (host.mainWindow == nullptr) {
        return false;
    }
    host.pane = CreateWindowExA(0, "STATIC", nullptr, 0x50800007, 300, 26, 320, 360,
                                host.mainWindow, reinterpret_cast<HMENU>(IDC_STATIC_FRAME),
                                GetModuleHandleA(nullptr), nullptr);
    host.pieceList = CreateWindowExA(0, "LISTBOX", nullptr, 0x50A00141, 14, 26, 262, 300,
                                     host.mainWindow, reinterpret_cast<HMENU>(IDC_PIECE_LIST),
                                     GetModuleHandleA(nullptr), nullptr);
    ShowWindow(host.mainWindow, SW_SHOWNORMAL);
    UpdateWindow(host.mainWindow);
    SetForegroundWindow(host.mainWindow);
    PumpMessages();
    appState.mainWindow = host.mainWindow;
    appState.previewWindow = host.pane;
    return host.pane != nullptr && host.pieceList != nullptr;
}

void PumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void ResetPreviewState() {
    ReleaseDisplay();
    for (int slot = 0; slot < kTextureSlots; ++slot) {
        if (appState.textureTable[slot] != nullptr) {
            appState.textureTable[slot]->Release();
        }
        appState.textureTable[slot] = nullptr;
        appState.textureSource[slot][0] = '\0';
    }
    GlobalFree(appState.modelImage); // null is taken as nothing to free
    appState.modelImage = nullptr;
    appState.modelImageSize = 0;
    appState.modelPath[0] = '\0';
    appState.pieceTable.clear();
}

void SetPieces(PreviewHost& host, const std::vector<std::string>& modelFiles, int caret) {
    appState.pieceTable.clear();
    SendMessageA(host.pieceList, LB_RESETCONTENT, 0, 0);
    for (const std::string& file : modelFiles) {
        PieceRecord record{};
        // A model file name may fill its field without a terminator.
        std::memcpy(record.modelFile, file.c_str(), std::min(file.size(), sizeof record.modelFile));
        std::memcpy(record.pieceName, file.c_str(),
                    std::min(file.size(), sizeof record.pieceName - 1));
        appState.pieceTable.push_back(record);
        SendMessageA(host.pieceList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(record.pieceName));
    }
    SelectPiece(host, caret);
}

void SelectPiece(PreviewHost& host, int caret) {
    SendMessageA(host.pieceList, LB_SETCURSEL, static_cast<WPARAM>(caret), 0);
}

std::uint32_t SurfaceColour(IDirectDrawSurface7* surface, int x, int y) {
    // Through the surface's device context, which reads any RGB layout.
    HDC dc = nullptr;
    if (surface == nullptr || FAILED(surface->GetDC(&dc))) {
        return 0xFFFFFFFFu;
    }
    const COLORREF c = GetPixel(dc, x, y);
    surface->ReleaseDC(dc);
    return c == CLR_INVALID ? 0xFFFFFFFFu
                            : (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

std::vector<std::uint32_t> SurfacePixels(IDirectDrawSurface7* surface, int width, int height) {
    HDC dc = nullptr;
    if (surface == nullptr || FAILED(surface->GetDC(&dc))) {
        return {};
    }
    std::vector<std::uint32_t> pixels = DcPixels(dc, RECT{0, 0, width, height});
    surface->ReleaseDC(dc);
    return pixels;
}
