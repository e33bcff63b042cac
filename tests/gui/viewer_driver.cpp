#include "gui/viewer_driver.h"

#include "resources/resource_ids.h"
#include "support/run_program.h"

#include <algorithm>

namespace {

std::string ClassName(HWND window) {
    char name[256] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

// A text got from a wide-text message: `length` characters at most.
template <typename Get> std::string WideText(LRESULT length, Get get) {
    std::wstring text(static_cast<std::size_t>(std::max<LRESULT>(length, 0)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(std::max<LRESULT>(get(text), 0)));
    return Sjis(text);
}

std::vector<HWND> TopLevelWindowsOf(DWORD processId) {
    std::pair<DWORD, std::vector<HWND>> search{processId, {}};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<std::pair<DWORD, std::vector<HWND>>*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == s->first) {
                s->second.push_back(window);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.second;
}

void ClickAt(int x, int y) {
    const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    INPUT inputs[3] = {};
    const DWORD flags[3] = {MOUSEEVENTF_MOVE, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP};
    for (int i = 0; i < 3; ++i) {
        inputs[i].type = INPUT_MOUSE;
        inputs[i].mi = {(x * 65536 + width / 2) / width,
                        (y * 65536 + height / 2) / height,
                        0,
                        flags[i] | MOUSEEVENTF_ABSOLUTE,
                        0,
                        0};
    }
    SendInput(3, inputs, sizeof(INPUT));
}

} // namespace

bool WaitFor(const std::function<bool()>& condition, DWORD boundMilliseconds) {
    for (const DWORD start = GetTickCount(); !condition(); Sleep(20)) {
        if (GetTickCount() - start > boundMilliseconds) {
            return false;
        }
    }
    return true;
}

std::string Sjis(const std::wstring& text) {
    const int size = WideCharToMultiByte(932, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(932, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                        nullptr, nullptr);
    return out;
}

std::string WindowText(HWND window) {
    return WideText(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0), [&](std::wstring& text) {
        return SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    });
}

std::vector<std::string> ListItems(HWND list) {
    std::vector<std::string> items;
    for (WPARAM i = 0; i < static_cast<WPARAM>(SendMessageW(list, LB_GETCOUNT, 0, 0)); ++i) {
        items.push_back(WideText(SendMessageW(list, LB_GETTEXTLEN, i, 0), [&](std::wstring& text) {
            return SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()));
        }));
    }
    return items;
}

void PressKeys(std::initializer_list<WORD> keys) {
    std::vector<INPUT> inputs(2 * keys.size(), INPUT{INPUT_KEYBOARD, {}});
    for (std::size_t i = 0; i < keys.size(); ++i) {
        inputs[i].ki.wVk = inputs[inputs.size() - 1 - i].ki.wVk = keys.begin()[i];
        inputs[inputs.size() - 1 - i].ki.dwFlags = KEYEVENTF_KEYUP;
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

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
    // The box's points near the title bar's right end; the click goes to
    // their middle.
    long sumX = 0, sumY = 0, hits = 0;
    for (int y = rect.top; y < rect.top + 40 && y < rect.bottom; y += 2) {
        for (int x = rect.right - 1; x > rect.right - 80 && x > rect.left; x -= 2) {
            if (SendMessageA(window, WM_NCHITTEST, 0, MAKELPARAM(x, y)) == HTCLOSE) {
                sumX += x, sumY += y, ++hits;
            }
        }
    }
    if (hits > 0) {
        ClickAt(static_cast<int>(sumX / hits), static_cast<int>(sumY / hits));
    }
    return hits > 0;
}

bool BringToFront(HWND window) {
    return WaitFor(
        [&] { return GetForegroundWindow() == window || (SetForegroundWindow(window), false); });
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

bool ViewerProcess::Start(const std::string& tail) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    std::string commandLine = "\"";
    commandLine.append(ProgramUnderTest()).append("\" ").append(tail);
    return CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &info_) != 0;
}

HWND ViewerProcess::StartAndWaitForMainWindow() {
    HWND window = nullptr;
    if (Start()) {
        WaitFor([&] { return (window = MainWindow()) != nullptr; });
    }
    return window;
}

HWND ViewerProcess::MainWindow() const {
    for (HWND window : TopLevelWindowsOf(info_.dwProcessId)) {
        if (IsWindowVisible(window) && ClassName(window) == kMainClass &&
            WindowText(window) == kMainTitle) {
            return window;
        }
    }
    return nullptr;
}

std::vector<HWND> ViewerProcess::Dialogs() const {
    std::vector<HWND> dialogs = TopLevelWindowsOf(info_.dwProcessId);
    std::erase_if(dialogs, [](HWND w) { return ClassName(w) != "#32770" || !IsWindowVisible(w); });
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

HWND ViewerProcess::DialogHolding(const std::string& text) const {
    for (HWND dialog : Dialogs()) {
        for (HWND c = nullptr; (c = FindWindowExA(dialog, c, nullptr, nullptr)) != nullptr;) {
            if (WindowText(c) == text) {
                return dialog;
            }
        }
    }
    return nullptr;
}

HWND ViewerProcess::WindowWithStaticText(const std::wstring& text) const {
    for (HWND window : TopLevelWindowsOf(info_.dwProcessId)) {
        for (HWND c = GetWindow(window, GW_CHILD); c != nullptr && IsWindowVisible(window);
             c = GetWindow(c, GW_HWNDNEXT)) {
            wchar_t buffer[64] = {};
            InternalGetWindowText(c, buffer, 64);
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
    return GetGUIThreadInfo(info_.dwThreadId, &info) ? info.hwndFocus : nullptr;
}

DWORD ViewerProcess::WaitForExit(DWORD boundMilliseconds) {
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(info_.hProcess, boundMilliseconds) == WAIT_OBJECT_0) {
        GetExitCodeProcess(info_.hProcess, &code);
    }
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
    PostMessageA(main, WM_COMMAND, ID_FILE_OPEN, 0);
    HWND dialog = nullptr;
    WaitFor([&] { return (dialog = viewer.Dialog(kFolderDialogTitle)) != nullptr; });
    return dialog;
}

void ViewerTest::FillFolders(HWND dialog, const std::string& profiles, const std::string& models,
                             const std::string& textures) {
    // The paths the tests type are ASCII, the same in every code page.
    SetDlgItemTextA(dialog, 1000, profiles.c_str());
    SetDlgItemTextA(dialog, 1006, models.c_str());
    SetDlgItemTextA(dialog, 1008, textures.c_str());
}

void ViewerTest::PressDialogButton(HWND dialog, int id, bool closes) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
    if (closes) {
        EXPECT_TRUE(WaitFor([&] { return !IsWindow(dialog); })) << "dialog closed";
    }
}

void ViewerTest::Scan(const std::string& profiles, const std::string& models,
                      const std::string& textures) {
    const HWND dialog = OpenFolderDialog();
    ASSERT_NE(dialog, nullptr);
    FillFolders(dialog, profiles, models, textures);
    // The scan runs in the viewer's thread right after the dialog is gone;
    // a message sent then is handled once the scan is over.
    PressDialogButton(dialog, IDOK, true);
    Settle();
}

RECT ViewerTest::PaneOnScreen() {
    const HWND frame = GetWindow(main, GW_CHILD); // the preview frame, made first
    RECT client{};
    GetClientRect(frame, &client);
    MapWindowPoints(frame, nullptr, reinterpret_cast<POINT*>(&client), 2);
    return client;
}
