#include "app/main_window_win.h"

#include "app/app_state.h"
#include "app/dialog_boxes_win.h"
#include "app/texture_commands_win.h"
#include "catalogue/piece_scan_win.h"
#include "preview/display_win.h"
#include "preview/piece_loading_win.h"
#include "resources/resource_ids.h"

namespace {

struct ChildControl {
    const char* className;
    int id;
    const char* text;
    DWORD style;
    int x, y, width, height;
    bool takesFont;
};

// In creation order; the first is the preview frame. The hidden sorted list
// shares the piece list's rectangle and is used only to order file names.
constexpr ChildControl kChildControls[] = {
    {"STATIC", IDC_STATIC_FRAME, nullptr, 0x50800007, 300, 26, 320, 360, true},
    {"LISTBOX", IDC_PIECE_LIST, nullptr, 0x50A00141, 14, 26, 262, 300, true},
    {"BUTTON", IDC_LOAD, "Load", 0x50002000, 14, 332, 84, 52, true},
    {"BUTTON", IDC_TEXTURE_INFO, "Texture Information", 0x50002000, 104, 332, 84, 52, true},
    {"BUTTON", IDC_EXPORT_TEXTURE, "Export Texture", 0x50002000, 194, 332, 84, 52, true},
    {"STATIC", IDC_STATIC_FRAME, "Piece Names  ", 0x50000000, 18, 6, 222, 13, true},
    {"STATIC", IDC_STATIC_FRAME, "Preview", 0x50000000, 304, 6, 222, 13, true},
    {"LISTBOX", IDC_SORT_LIST, nullptr, 0x40100003, 14, 26, 262, 300, false},
};

// "ＭＳ ゴシック" in Shift-JIS, the code page of every text of the viewer.
constexpr char kControlFontFace[] = "\x82\x6C\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4E";

// WM_SIZE: minimising stops rendering; restoring rebuilds the display on the
// preview frame. If the rebuild fails the frame is destroyed and rendering
// stays off, so that no frame is drawn with missing display objects.
void RebuildDisplay(WPARAM sizeType) {
    if (sizeType == SIZE_MINIMIZED || sizeType == SIZE_MAXHIDE) {
        appState.appActive = 0;
        return;
    }
    appState.appActive = 1;
    if (appState.deviceReady == 0) {
        return;
    }
    appState.deviceReady = 0;
    ReleaseDisplay();
    if (FAILED(InitDisplay(appState.previewWindow, IID_IDirect3DHALDevice))) {
        // The objects made before the failing step are let go too: nothing
        // may present through a half-built display.
        ReleaseDisplay();
        DestroyWindow(appState.previewWindow);
        appState.previewWindow = nullptr;
        return;
    }
    appState.deviceReady = 1;
}

// Carries out a command; false for ids that are not commands of the window.
bool RunCommand(HWND window, WORD id) {
    switch (id) {
    case IDC_LOAD:
    case ID_FILE_OPEN:
        ScanPieceCatalogue(appState.instance, nullptr);
        return true;
    case IDC_TEXTURE_INFO:
    case ID_TEXTURE_INFORMATION:
        ShowTextureNames(appState.instance, window);
        return true;
    case IDC_EXPORT_TEXTURE:
    case ID_TEXTURE_EXPORT:
        ExportTextures();
        return true;
    case IDC_PIECE_LIST:
        // Every notification of the piece list, focus changes included,
        // loads the piece at its caret.
        LoadSelectedPiece(window);
        return true;
    case ID_HELP_ABOUT:
        ShowAboutBox(window);
        return true;
    case ID_FILE_EXIT:
        DestroyWindow(window);
        return true;
    default:
        return false;
    }
}

} // namespace

ATOM RegisterMainClass(HINSTANCE instance) {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainWndProc;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = instance;
    windowClass.hIcon = nullptr;
    windowClass.hCursor = nullptr;
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
    windowClass.lpszMenuName = MAKEINTRESOURCEA(IDR_MENU);
    windowClass.lpszClassName = kMainClassName;
    windowClass.hIconSm = nullptr;
    return RegisterClassExA(&windowClass);
}

HWND CreateMainWindow(HINSTANCE instance) {
    return CreateWindowExA(0, kMainClassName, kMainTitle, kMainStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                           kMainWidth, kMainHeight, nullptr, nullptr, instance, nullptr);
}

void CreateChildControls(HWND parent) {
    // Made once for the life of the process; the controls keep using it.
    const HFONT font = CreateFontA(12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                                   OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY,
                                   FIXED_PITCH | FF_MODERN, kControlFontFace);
    const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(parent, GWLP_HINSTANCE));
    for (const ChildControl& control : kChildControls) {
        const HWND child = CreateWindowExA(
            0, control.className, control.text, control.style, control.x, control.y, control.width,
            control.height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)),
            instance, nullptr);
        if (&control == &kChildControls[0]) {
            appState.previewWindow = child;
        }
        if (control.takesFont) {
            SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
        }
    }
}

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        CreateChildControls(window);
        break;
    case WM_DESTROY:
        ReleaseDisplay();
        PostQuitMessage(0);
        return 0;
    case WM_MOVE:
        // Active or not: the last frame is presented again on every paint,
        // and it must land where the pane now is.
        if (appState.deviceReady != 0) {
            UpdatePresentRect();
        }
        break;
    case WM_SIZE:
        RebuildDisplay(wParam);
        break;
    case WM_PAINT: {
        // The window's own painting (its background erased with the class
        // brush) comes first; the last frame is then presented over the pane,
        // so that an uncovered pane keeps showing it while no new frames are
        // drawn. Only a whole display presents.
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        EndPaint(window, &paint);
        if (appState.deviceReady != 0) {
            PresentFrame();
        }
        return 0;
    }
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_ACTIVATEAPP:
        appState.appActive = wParam != 0 ? 1 : 0;
        return 0;
    case WM_GETMINMAXINFO:
        reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = POINT{100, 100};
        break;
    case WM_COMMAND:
        if (RunCommand(window, LOWORD(wParam))) {
            return 1;
        }
        break;
    default:
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
