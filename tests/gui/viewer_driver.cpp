#include "gui/viewer_driver.h"

#include "resources/resource_ids.h"
#include "support/run_program.h"
#include "support/screen_capture_win.h"

#include <algorithm>

namespace {

constexpr UINT kViewerCodePage = 932;

std::string ToCodePage(const std::wstring& text) {
    if (text.empty()) {
        return {};
    }
    const int size =
        WideCharToMultiByte(kViewerCodePage, 0, text.data(), static_cast<int>(text.size()), nullptr,
                            0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(kViewerCodePage, 0, text.data(), static_cast<int>(text.size()), out.data(),
                        size, nullptr, nullptr);
    return out;
}

std::wstring FromCodePage(const std::string& text) {
    if (text.empty()) {
        return {};
    }
    const int size = MultiByteToWideChar(kViewerCodePage, 0, text.data(),
                                         static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(kViewerCodePage, 0, text.data(), static_cast<int>(text.size()), out.data(),
                        size);
    return out;
}

struct WindowSearch {
    DWORD processId;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindowsOfProcess(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<WindowSearch*>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId) {
        search->found.push_back(window);
    }
    return TRUE;
}

std::vector<HWND> TopLevelWindowsOf(DWORD processId) {
    WindowSearch search{processId, {}};
    EnumWindows(CollectWindowsOfProcess, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

BOOL CALLBACK CollectChildren(HWND window, LPARAM data) {
    reinterpret_cast<std::vector<HWND>*>(data)->push_back(window);
    return TRUE;
}

INPUT KeyInput(WORD key, bool up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
}

} // namespace

bool WaitFor(const std::function<bool()>& condition, DWORD boundMilliseconds) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (condition()) {
            return true;
        }
        if (GetTickCount() - start > boundMilliseconds) {
            return false;
        }
        Sleep(20);
    }
}

std::string WindowText(HWND window) {
    const auto length = SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<std::size_t>(std::max<LRESULT>(length, 0)) + 1, L'\0');
    const auto got =
        SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(std::max<LRESULT>(got, 0)));
    return ToCodePage(text);
}

std::string ClassName(HWND window) {
    char name[256] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::vector<std::string> ListItems(HWND list) {
    std::vector<std::string> items;
    const auto count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const auto length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
        std::wstring text(static_cast<std::size_t>(std::max<LRESULT>(length, 0)) + 1, L'\0');
        const auto got = SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i),
                                      reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<std::size_t>(std::max<LRESULT>(got, 0)));
        items.push_back(ToCodePage(text));
    }
    return items;
}

void SetWindowTextOf(HWND window, const std::string& text) {
    const std::wstring wide = FromCodePage(text);
    SendMessageW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()));
}

void PressKeys(std::initializer_list<WORD> keys) {
    std::vector<INPUT> inputs;
    for (WORD key : keys) {
        inputs.push_back(KeyInput(key, false));
    }
    for (auto it = std::rbegin(keys); it != std::rend(keys); ++it) {
        inputs.push_back(KeyInput(*it, true));
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

namespace {

void ClickAt(int x, int y) {
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    INPUT inputs[3] = {};
    for (INPUT& input : inputs) {
        input.type = INPUT_MOUSE;
        input.mi.dx = (x * 65536 + width / 2) / width;
        input.mi.dy = (y * 65536 + height / 2) / height;
    }
    inputs[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE;
    inputs[2].mi.dwFlags = MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE;
    SendInput(3, inputs, sizeof(INPUT));
}

} // namespace

void ClickCentre(HWND window) {
    // A click goes to whatever is on screen at the point: the window's
    // top-level window must be in front first.
    BringToFront(GetAncestor(window, GA_ROOT));
    RECT rect{};
    GetWindowRect(window, &rect);
    ClickAt((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
}

bool ClickCloseBox(HWND window) {
    BringToFront(window);
    RECT rect{};
    GetWindowRect(window, &rect);
    auto hit = [&](int x, int y) {
        return SendMessageA(window, WM_NCHITTEST, 0, MAKELPARAM(x, y)) == HTCLOSE;
    };
    // Each question is a message to another process: find one point of the
    // box near the title bar's right end, then its extent from there.
    for (int y = rect.top; y < rect.top + 40 && y < rect.bottom; y += 2) {
        for (int x = rect.right - 1; x > rect.right - 80 && x > rect.left; x -= 2) {
            if (hit(x, y)) {
                int left = x, right = x, top = y, bottom = y;
                while (hit(left - 1, y)) {
                    --left;
                }
                while (hit(right + 1, y)) {
                    ++right;
                }
                while (hit(x, top - 1)) {
                    --top;
                }
                while (hit(x, bottom + 1)) {
                    ++bottom;
                }
                ClickAt((left + right) / 2, (top + bottom) / 2);
                return true;
            }
        }
    }
    return false;
}

bool BringToFront(HWND window) {
    return WaitFor([&] {
        if (GetForegroundWindow() == window) {
            return true;
        }
        SetForegroundWindow(window);
        return false;
    });
}

std::string Sjis(const std::wstring& text) {
    return ToCodePage(text);
}

ViewerProcess::~ViewerProcess() {
    if (info_.hProcess != nullptr) {
        if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(info_.hProcess, 99);
            WaitForSingleObject(info_.hProcess, 5000);
        }
        CloseHandle(info_.hThread);
        CloseHandle(info_.hProcess);
    }
}

bool ViewerProcess::Start(const std::string& tail, bool suspended) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    std::string commandLine = "\"";
    commandLine.append(ProgramUnderTest()).append("\"");
    if (!tail.empty()) {
        commandLine.append(" ").append(tail);
    }
    return CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE,
                          suspended ? CREATE_SUSPENDED : 0, nullptr, nullptr, &startup,
                          &info_) != 0;
}

void ViewerProcess::Resume() {
    ResumeThread(info_.hThread);
}

HWND ViewerProcess::StartAndWaitForMainWindow(const std::string& tail) {
    if (!Start(tail)) {
        return nullptr;
    }
    HWND window = nullptr;
    WaitFor([&] {
        window = MainWindow();
        return window != nullptr && IsWindowVisible(window);
    });
    return window;
}

HWND ViewerProcess::MainWindow() const {
    for (HWND window : TopLevelWindowsOf(info_.dwProcessId)) {
        if (ClassName(window) == kMainClass && WindowText(window) == kMainTitle) {
            return window;
        }
    }
    return nullptr;
}

std::vector<HWND> ViewerProcess::Dialogs() const {
    std::vector<HWND> dialogs;
    for (HWND window : TopLevelWindowsOf(info_.dwProcessId)) {
        if (ClassName(window) == "#32770" && IsWindowVisible(window)) {
            dialogs.push_back(window);
        }
    }
    return dialogs;
}

HWND ViewerProcess::Dialog(const std::string& caption) const {
    for (HWND dialog : Dialogs()) {
        if (WindowText(dialog) == caption) {
            return dialog;
        }
    }
    return nullptr;
}

HWND ViewerProcess::WaitForDialog(const std::string& caption) const {
    HWND dialog = nullptr;
    WaitFor([&] { return (dialog = Dialog(caption)) != nullptr; });
    return dialog;
}

HWND ViewerProcess::DialogHolding(const std::string& text) const {
    for (HWND dialog : Dialogs()) {
        std::vector<HWND> children;
        EnumChildWindows(dialog, CollectChildren, reinterpret_cast<LPARAM>(&children));
        for (HWND child : children) {
            if (WindowText(child) == text) {
                return dialog;
            }
        }
    }
    return nullptr;
}

HWND ViewerProcess::WindowWithStaticText(const std::wstring& text) const {
    for (HWND window : TopLevelWindowsOf(info_.dwProcessId)) {
        if (!IsWindowVisible(window)) {
            continue;
        }
        for (HWND child = GetWindow(window, GW_CHILD); child != nullptr;
             child = GetWindow(child, GW_HWNDNEXT)) {
            wchar_t buffer[64] = {};
            InternalGetWindowText(child, buffer, 64);
            if (text == buffer) {
                return window;
            }
        }
    }
    return nullptr;
}

HWND ViewerProcess::FocusWindow() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(info_.dwThreadId, &info)) {
        return nullptr;
    }
    return info.hwndFocus;
}

DWORD ViewerProcess::WaitForExit(DWORD boundMilliseconds) {
    if (WaitForSingleObject(info_.hProcess, boundMilliseconds) != WAIT_OBJECT_0) {
        return STILL_ACTIVE;
    }
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(info_.hProcess, &code);
    return code;
}

void ViewerTest::SetUp() {
    main = viewer.StartAndWaitForMainWindow();
    ASSERT_NE(main, nullptr);
}

void ViewerTest::TearDown() {
    if (main != nullptr && IsWindow(main)) {
        // Close whatever dialog a failed test left open, then the viewer.
        for (HWND dialog : viewer.Dialogs()) {
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        }
        WaitFor([&] { return viewer.Dialogs().empty(); }, 5000);
        PostMessageA(main, WM_CLOSE, 0, 0);
        EXPECT_EQ(viewer.WaitForExit(), 0u);
    }
}

void ViewerTest::Settle() {
    DWORD_PTR ignored;
    SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_BLOCK, 60000, &ignored);
}

HWND ViewerTest::OpenFolderDialog() {
    PostMessageA(main, WM_COMMAND, MAKEWPARAM(ID_FILE_OPEN, 0), 0);
    return viewer.WaitForDialog(kFolderDialogTitle);
}

void ViewerTest::FillFolders(HWND dialog, const std::string& profiles, const std::string& models,
                             const std::string& textures) {
    SetWindowTextOf(GetDlgItem(dialog, 1000), profiles);
    SetWindowTextOf(GetDlgItem(dialog, 1006), models);
    SetWindowTextOf(GetDlgItem(dialog, 1008), textures);
}

void ViewerTest::PressDialogButton(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void ViewerTest::Scan(const std::string& profiles, const std::string& models,
                      const std::string& textures) {
    const HWND dialog = OpenFolderDialog();
    ASSERT_NE(dialog, nullptr);
    FillFolders(dialog, profiles, models, textures);
    PressDialogButton(dialog, IDOK);
    // The scan runs in the viewer's thread right after the dialog is gone;
    // a message sent then is handled once the scan is over.
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));
    Settle();
}

HWND ViewerTest::PieceList() {
    return GetDlgItem(main, 1012);
}

std::vector<std::string> ViewerTest::PieceNames() {
    return ListItems(PieceList());
}

std::vector<std::string> ViewerTest::SortListItems() {
    return ListItems(GetDlgItem(main, 1014));
}

RECT ViewerTest::PaneOnScreen() {
    const HWND frame = GetWindow(main, GW_CHILD); // the preview frame, made first
    RECT client{};
    GetClientRect(frame, &client);
    MapWindowPoints(frame, nullptr, reinterpret_cast<POINT*>(&client), 2);
    return client;
}

std::uint32_t ViewerTest::WaitForPaneCentre(std::uint32_t colour) {
    std::uint32_t seen = 0;
    WaitFor(
        [&] {
            const RECT r = PaneOnScreen();
            seen = ScreenColour((r.left + r.right) / 2, (r.top + r.bottom) / 2);
            return ColoursClose(seen, colour);
        },
        8000);
    return seen;
}
