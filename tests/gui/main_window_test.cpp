// The main window of the real viewer: start-up, its class, title, style and
// controls, menu and accelerators, the About box, and the ways it closes.
#include "gui/viewer_driver.h"

#include "resources/resource_ids.h"
#include "support/run_program.h"
#include "support/scratch.h"
#include "support/txr_builder.h"

#include <gtest/gtest.h>

#include <set>

namespace {

// Window creations reported by the system for one process, seen from here.
std::set<std::string> createdClasses;
DWORD watchedProcess = 0;

void CALLBACK RecordCreation(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG, DWORD, DWORD) {
    if (object == OBJID_WINDOW && window != nullptr) {
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == watchedProcess) {
            createdClasses.insert(ClassName(window));
        }
    }
}

// Runs the program with `tail` until it ends by itself (or, if it opens the
// viewer, until its main window is closed), recording every window it makes.
std::set<std::string> ClassesCreatedBy(const std::string& tail, DWORD* exitCode) {
    createdClasses.clear();
    ViewerProcess viewer;
    if (!viewer.Start(tail, true)) {
        ADD_FAILURE() << "cannot start the program";
        return {};
    }
    watchedProcess = viewer.Id();
    const HWINEVENTHOOK hook =
        SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_CREATE, nullptr, RecordCreation,
                        viewer.Id(), 0, WINEVENT_OUTOFCONTEXT);
    EXPECT_NE(hook, nullptr);
    viewer.Resume();
    // Out-of-context events arrive as messages to this thread.
    bool closed = false;
    WaitFor([&] {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageA(&message);
        }
        if (!closed && createdClasses.count(kMainClass) != 0) {
            if (HWND main = viewer.MainWindow()) {
                PostMessageA(main, WM_CLOSE, 0, 0);
                closed = true;
            }
        }
        return WaitForSingleObject(viewer.Handle(), 0) == WAIT_OBJECT_0;
    });
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageA(&message);
    }
    UnhookWinEvent(hook);
    *exitCode = viewer.WaitForExit();
    return createdClasses;
}

TEST(ViewerStart, SwitchTailNeverCreatesAWindowOtherTailsOpenTheViewer) {
    ScratchFolder folder;
    TestTexture texture;
    texture.width = 4;
    texture.height = 4;
    texture.pixel = PatternPixel;
    WriteBytes(folder.File("a.txr"), BuildTxr(texture));

    // The watch itself works: the viewer's start is seen.
    DWORD code = 1;
    EXPECT_EQ(ClassesCreatedBy("", &code).count(kMainClass), 1u);
    EXPECT_EQ(code, 0u);

    for (const std::string& tail :
         {"/b " + folder.File("a.txr"), "/B " + folder.File("a.txr") + " " + folder.File("b.bmp"),
          std::string("/b"), "/t " + folder.File("missing.bmp")}) {
        code = 1;
        EXPECT_TRUE(ClassesCreatedBy(tail, &code).empty()) << tail;
        EXPECT_NE(code, static_cast<DWORD>(STILL_ACTIVE)) << tail;
    }
    EXPECT_TRUE(FileExists(folder.File("a.bmp")));

    // No switch first: the viewer opens, whatever follows, and converts nothing.
    for (const std::string& tail : {folder.File("a.txr") + " /b", std::string("/x a"),
                                    std::string("b /b"), std::string("   ")}) {
        code = 1;
        EXPECT_EQ(ClassesCreatedBy(tail, &code).count(kMainClass), 1u) << tail;
        EXPECT_EQ(code, 0u) << tail;
    }
    EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"a.bmp", "a.txr", "b.bmp"}));
}

class MainWindowTest : public ViewerTest {};

TEST_F(MainWindowTest, ClassTitleStyleAndSize) {
    EXPECT_EQ(ClassName(main), kMainClass);
    EXPECT_EQ(WindowText(main), kMainTitle);
    // The system adds WS_CLIPSIBLINGS to every top-level window and
    // WS_EX_WINDOWEDGE to every captioned one.
    const auto style = static_cast<DWORD>(GetWindowLongA(main, GWL_STYLE));
    EXPECT_EQ(style & ~static_cast<DWORD>(WS_CLIPSIBLINGS), 0x10CA0000u) << std::hex << style;
    const auto exStyle = static_cast<DWORD>(GetWindowLongA(main, GWL_EXSTYLE));
    EXPECT_EQ(exStyle & ~static_cast<DWORD>(WS_EX_WINDOWEDGE), 0u) << std::hex << exStyle;
    // Of the class's members only the style can be read from another
    // process under Wine; the light-grey background is checked on screen.
    EXPECT_EQ(GetClassLongA(main, GCL_STYLE), static_cast<DWORD>(CS_HREDRAW | CS_VREDRAW));
    RECT rect{};
    GetWindowRect(main, &rect);
    EXPECT_EQ(rect.right - rect.left, 640);
    EXPECT_EQ(rect.bottom - rect.top, 440);
    EXPECT_NE(GetMenu(main), nullptr); // the class menu
    EXPECT_EQ(GetParent(main), nullptr);
}

struct ExpectedControl {
    const char* className;
    int id;
    std::string text;
    DWORD style;
    RECT rect; // left, top, right, bottom in the main window's client area
};

TEST_F(MainWindowTest, ChildControlsInCreationOrder) {
    const ExpectedControl expected[] = {
        {"Static", IDC_STATIC_FRAME, "", 0x50800007, {300, 26, 620, 386}},
        {"ListBox", IDC_PIECE_LIST, "", 0x50A00141, {14, 26, 276, 326}},
        {"Button", IDC_LOAD, "Load", 0x50002000, {14, 332, 98, 384}},
        {"Button", IDC_TEXTURE_INFO, "Texture Information", 0x50002000, {104, 332, 188, 384}},
        {"Button", IDC_EXPORT_TEXTURE, "Export Texture", 0x50002000, {194, 332, 278, 384}},
        {"Static", IDC_STATIC_FRAME, "Piece Names  ", 0x50000000, {18, 6, 240, 19}},
        {"Static", IDC_STATIC_FRAME, "Preview", 0x50000000, {304, 6, 526, 19}},
        {"ListBox", IDC_SORT_LIST, "", 0x40100003, {14, 26, 276, 326}},
    };
    std::vector<HWND> children;
    for (HWND child = GetWindow(main, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        children.push_back(child);
    }
    ASSERT_EQ(children.size(), std::size(expected));
    for (std::size_t i = 0; i < children.size(); ++i) {
        const ExpectedControl& e = expected[i];
        SCOPED_TRACE(i);
        EXPECT_STRCASEEQ(ClassName(children[i]).c_str(), e.className);
        EXPECT_EQ(GetDlgCtrlID(children[i]), e.id);
        EXPECT_EQ(WindowText(children[i]), e.text);
        // A list box shows its scroll bars only when they are needed, and
        // their style bits with them.
        const DWORD scrollBars =
            std::string(e.className) == "ListBox" ? WS_VSCROLL | WS_HSCROLL : 0;
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(children[i], GWL_STYLE)) & ~scrollBars,
                  e.style & ~scrollBars)
            << std::hex << GetWindowLongA(children[i], GWL_STYLE);
        const RECT r = RectInParent(children[i]);
        EXPECT_EQ(r.left, e.rect.left);
        EXPECT_EQ(r.top, e.rect.top);
        EXPECT_EQ(r.right, e.rect.right);
        if (e.id == IDC_SORT_LIST) {
            // Without LBS_NOINTEGRALHEIGHT the system trims the height to
            // whole items.
            EXPECT_LE(r.bottom, e.rect.bottom);
            EXPECT_GT(r.bottom, e.rect.bottom - 20);
        } else {
            EXPECT_EQ(r.bottom, e.rect.bottom);
        }
    }
    // (The controls' font cannot be asked for from another process under
    // Wine, whose WM_GETFONT answers null there; the screenshot shows it.)
    // Both lists start empty; the hidden one stays hidden.
    EXPECT_EQ(SendMessageW(children[1], LB_GETCOUNT, 0, 0), 0);
    EXPECT_FALSE(IsWindowVisible(children[7]));
}

TEST_F(MainWindowTest, CommandsOfTheWindowAnswerOneAndOthersGoToTheDefault) {
    // Commands of the table are answered with 1; any other id, the hidden
    // sorted list's included, goes to the default procedure, which answers 0.
    EXPECT_EQ(SendMessageA(main, WM_COMMAND, MAKEWPARAM(IDC_PIECE_LIST, LBN_SELCHANGE), 0), 1);
    EXPECT_EQ(SendMessageA(main, WM_COMMAND, MAKEWPARAM(IDC_PIECE_LIST, LBN_DBLCLK), 0), 1);
    EXPECT_EQ(SendMessageA(main, WM_COMMAND, MAKEWPARAM(IDC_TEXTURE_INFO, BN_CLICKED), 0), 1);
    EXPECT_EQ(SendMessageA(main, WM_COMMAND, MAKEWPARAM(ID_TEXTURE_INFORMATION, 0), 0), 1);
    for (WORD code : {LBN_SELCHANGE, LBN_DBLCLK, LBN_SETFOCUS, LBN_KILLFOCUS}) {
        EXPECT_EQ(SendMessageA(main, WM_COMMAND, MAKEWPARAM(IDC_SORT_LIST, code), 0), 0) << code;
    }
    EXPECT_EQ(SendMessageA(main, WM_COMMAND, MAKEWPARAM(IDC_STATIC_FRAME, 0), 0), 0);
    EXPECT_EQ(SendMessageA(main, WM_COMMAND, MAKEWPARAM(40002, 0), 0), 0);
    // None of them opened a window or changed the lists.
    EXPECT_TRUE(viewer.Dialogs().empty());
    EXPECT_EQ(SendMessageW(GetDlgItem(main, IDC_PIECE_LIST), LB_GETCOUNT, 0, 0), 0);
    EXPECT_TRUE(IsWindow(main));
}

TEST_F(MainWindowTest, MinimiseAndRestoreRebuildTheDisplayAndKeepThePreviewFrame) {
    const HWND frame = GetWindow(main, GW_CHILD); // the preview frame, made first
    ASSERT_NE(frame, nullptr);
    for (int round = 0; round < 2; ++round) {
        ShowWindowAsync(main, SW_MINIMIZE);
        EXPECT_TRUE(WaitFor([&] { return IsIconic(main) != FALSE; }));
        Settle();
        ShowWindowAsync(main, SW_RESTORE);
        EXPECT_TRUE(WaitFor([&] { return IsIconic(main) == FALSE; }));
        Settle();
        // The display was set up again on the same frame, which stays.
        EXPECT_TRUE(IsWindow(frame));
        EXPECT_EQ(GetWindow(main, GW_CHILD), frame);
    }
    // The viewer goes on answering commands.
    PostMessageA(main, WM_COMMAND, MAKEWPARAM(ID_HELP_ABOUT, 0), 0);
    const HWND about = viewer.WaitForDialog(kAboutTitle);
    ASSERT_NE(about, nullptr);
    PostMessageA(about, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(about); }));
}

// The menu and accelerator resources, read from the program file itself.
TEST(ViewerResources, MenuAndAcceleratorsAsTabled) {
    const std::string program = ProgramUnderTest();
    const HMODULE module = LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    const HMENU menu = LoadMenuA(module, MAKEINTRESOURCEA(IDR_MENU));
    ASSERT_NE(menu, nullptr);
    auto text = [](HMENU m, UINT position) {
        char buffer[64] = {};
        GetMenuStringA(m, position, buffer, sizeof buffer, MF_BYPOSITION);
        return std::string(buffer);
    };
    ASSERT_EQ(GetMenuItemCount(menu), 3);
    EXPECT_EQ(text(menu, 0), "File");
    EXPECT_EQ(text(menu, 1), "Texture");
    EXPECT_EQ(text(menu, 2), "Help");
    const HMENU file = GetSubMenu(menu, 0), texture = GetSubMenu(menu, 1),
                help = GetSubMenu(menu, 2);
    ASSERT_EQ(GetMenuItemCount(file), 3);
    EXPECT_EQ(text(file, 0), "Open");
    EXPECT_EQ(GetMenuItemID(file, 0), static_cast<UINT>(ID_FILE_OPEN));
    EXPECT_EQ(GetMenuState(file, 1, MF_BYPOSITION) & MF_SEPARATOR, static_cast<UINT>(MF_SEPARATOR));
    EXPECT_EQ(text(file, 2), "Exit");
    EXPECT_EQ(GetMenuItemID(file, 2), static_cast<UINT>(ID_FILE_EXIT));
    ASSERT_EQ(GetMenuItemCount(texture), 2);
    EXPECT_EQ(text(texture, 0), "Information");
    EXPECT_EQ(GetMenuItemID(texture, 0), static_cast<UINT>(ID_TEXTURE_INFORMATION));
    EXPECT_EQ(text(texture, 1), "Export");
    EXPECT_EQ(GetMenuItemID(texture, 1), static_cast<UINT>(ID_TEXTURE_EXPORT));
    ASSERT_EQ(GetMenuItemCount(help), 1);
    EXPECT_EQ(text(help, 0), "About");
    EXPECT_EQ(GetMenuItemID(help, 0), static_cast<UINT>(ID_HELP_ABOUT));
    DestroyMenu(menu);

    const HACCEL table = LoadAcceleratorsA(module, MAKEINTRESOURCEA(IDR_ACCELERATOR));
    ASSERT_NE(table, nullptr);
    ACCEL entries[8] = {};
    ASSERT_EQ(CopyAcceleratorTableA(table, entries, 8), 4);
    const std::pair<WORD, WORD> expected[] = {{'A', ID_HELP_ABOUT},
                                              {'E', ID_TEXTURE_EXPORT},
                                              {'I', ID_TEXTURE_INFORMATION},
                                              {'O', ID_FILE_OPEN}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(entries[i].key, expected[i].first) << i;
        EXPECT_EQ(entries[i].cmd, expected[i].second) << i;
        EXPECT_EQ(entries[i].fVirt & ~0x80, FVIRTKEY | FCONTROL | FNOINVERT) << i;
    }
    FreeLibrary(module);
}

// Dialog templates made into windows in this process, where their sizes in
// dialog units can be measured.
INT_PTR CALLBACK PlainDialog(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

struct ExpectedDialogControl {
    int id;
    std::string text;
    DWORD style;
    RECT units; // x, y, width, height in dialog units
};

void CheckTemplate(HMODULE module, int id, DWORD style, const std::string& caption, int width,
                   int height, const std::vector<ExpectedDialogControl>& controls) {
    SCOPED_TRACE(id);
    const HWND dialog = CreateDialogParamA(module, MAKEINTRESOURCEA(id), nullptr, PlainDialog, 0);
    ASSERT_NE(dialog, nullptr);
    // The system adds WS_CLIPSIBLINGS to top-level windows and takes
    // WS_VISIBLE and DS_SETFONT as instructions, not lasting styles.
    // The system adds WS_CLIPSIBLINGS to top-level windows and DS_3DLOOK to
    // every dialog, and takes WS_VISIBLE and DS_SETFONT as instructions.
    const DWORD mask = ~static_cast<DWORD>(WS_CLIPSIBLINGS | WS_VISIBLE | DS_SETFONT | DS_3DLOOK);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(dialog, GWL_STYLE)) & mask, style & mask);
    EXPECT_EQ(WindowText(dialog), caption);
    RECT size{0, 0, width, height};
    MapDialogRect(dialog, &size);
    RECT client{};
    GetClientRect(dialog, &client);
    EXPECT_EQ(client.right, size.right);
    EXPECT_EQ(client.bottom, size.bottom);
    std::vector<HWND> children;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        children.push_back(child);
    }
    EXPECT_EQ(children.size(), controls.size());
    for (std::size_t i = 0; i < std::min(children.size(), controls.size()); ++i) {
        SCOPED_TRACE(i);
        const ExpectedDialogControl& e = controls[i];
        EXPECT_EQ(GetDlgCtrlID(children[i]), e.id == -1 ? 0xFFFF : e.id);
        EXPECT_EQ(WindowText(children[i]), e.text);
        DWORD style = static_cast<DWORD>(GetWindowLongA(children[i], GWL_STYLE));
        if (ClassName(children[i]) == "Edit") {
            // An edit box of a dialog trades WS_BORDER for a sunken edge.
            EXPECT_TRUE(GetWindowLongA(children[i], GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
            style |= e.style & WS_BORDER;
        }
        EXPECT_EQ(style, e.style) << std::hex << style;
        // Position and size are converted to pixels separately.
        RECT at{e.units.left, e.units.top, e.units.right, e.units.bottom};
        MapDialogRect(dialog, &at);
        const RECT actual = RectInParent(children[i]);
        EXPECT_EQ(actual.left, at.left);
        EXPECT_EQ(actual.top, at.top);
        EXPECT_EQ(actual.right - actual.left, at.right);
        EXPECT_EQ(actual.bottom - actual.top, at.bottom);
    }
    DestroyWindow(dialog);
}

TEST(ViewerResources, DialogTemplatesAsTabled) {
    const HMODULE module =
        LoadLibraryExA(ProgramUnderTest().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    CheckTemplate(module, IDD_ABOUT, 0x80C800C0, kAboutTitle, 199, 49,
                  {{-1,
                    "Varnholt - Piece Viewer  ver 1.00\r\n    Translation v1.2",
                    0x50020080,
                    {7, 3, 130, 18}},
                   {-1, "", 0x50020000, {8, 25, 112, 8}},
                   {IDOK, "OK", 0x50030001, {139, 22, 50, 14}}});
    const std::string colon = Sjis(L"\xFF1A");
    CheckTemplate(
        module, IDD_FOLDERS, 0x90C808C4, kFolderDialogTitle, 266, 125,
        {{-1, "Set Folder Locations", 0x50000007, {3, 4, 258, 72}},
         {-1, "Piece Profile Files (*.prt) " + colon, 0x50020000, {4, 24, 102, 8}},
         {IDC_PROFILE_FOLDER, "", 0x50810080, {110, 22, 140, 12}},
         {IDC_BROWSE_PROFILE, "...", 0x50010000, {250, 23, 10, 12}},
         {-1, "Piece 3D Model Data (*.msm) " + colon + " ", 0x50000000, {4, 39, 102, 8}},
         {IDC_MODEL_FOLDER, "", 0x50810080, {110, 38, 140, 12}},
         {IDC_BROWSE_MODEL, "...", 0x50010000, {250, 38, 10, 12}},
         {-1, "Piece Texture Files (*.txr) " + colon, 0x50020000, {5, 55, 102, 8}},
         {IDC_TEXTURE_FOLDER, "", 0x50810080, {110, 54, 140, 12}},
         {IDC_BROWSE_TEXTURE, "...", 0x50010000, {250, 54, 10, 12}},
         {-1, "", 0x50000007, {8, 82, 187, 33}},
         {-1, "Please enter folders where map piece data is located", 0x50020000, {10, 96, 181, 8}},
         {IDOK, "Load", 0x50010001, {204, 85, 50, 14}},
         {IDCANCEL, "Cancel", 0x50010000, {204, 103, 50, 14}}});
    CheckTemplate(module, IDD_PLEASE_WAIT, 0x90800A44, "", 127, 40,
                  {{-1, "Please Wait . . .", 0x50020201, {0, 0, 127, 40}}});
    FreeLibrary(module);
}

TEST_F(MainWindowTest, AboutBoxOpensFromTheMenuAndCtrlAAndClosesEveryWay) {
    enum class Opening { Command, MenuKeys, CtrlA };
    enum class Closing { OkButton, Enter, Escape, CloseBox };
    const std::pair<Opening, Closing> rounds[] = {
        {Opening::Command, Closing::OkButton},
        {Opening::CtrlA, Closing::Enter},
        {Opening::MenuKeys, Closing::Escape},
        {Opening::CtrlA, Closing::CloseBox},
    };
    for (const auto& [opening, closing] : rounds) {
        SCOPED_TRACE(static_cast<int>(opening) * 10 + static_cast<int>(closing));
        switch (opening) {
        case Opening::Command: // what Help/About sends
            PostMessageA(main, WM_COMMAND, MAKEWPARAM(ID_HELP_ABOUT, 0), 0);
            break;
        case Opening::MenuKeys: // F10 into the menu bar, Right twice to "Help", open, Enter
            ASSERT_TRUE(BringToFront(main));
            for (WORD key : {VK_F10, VK_RIGHT, VK_RIGHT, VK_DOWN, VK_RETURN}) {
                PressKeys({key});
                Sleep(150); // the menu takes each key before the next
                Settle();
            }
            break;
        case Opening::CtrlA:
            ASSERT_TRUE(BringToFront(main));
            PressKeys({VK_CONTROL, 'A'});
            break;
        }
        const HWND about = viewer.WaitForDialog(kAboutTitle);
        ASSERT_NE(about, nullptr);
        EXPECT_EQ(GetWindow(about, GW_OWNER), main);
        EXPECT_EQ(WindowText(GetDlgItem(about, IDOK)), "OK");
        switch (closing) {
        case Closing::OkButton:
            ClickCentre(GetDlgItem(about, IDOK));
            break;
        case Closing::Enter:
            ASSERT_TRUE(BringToFront(about));
            PressKeys({VK_RETURN});
            break;
        case Closing::Escape:
            ASSERT_TRUE(BringToFront(about));
            PressKeys({VK_ESCAPE});
            break;
        case Closing::CloseBox:
            ASSERT_TRUE(ClickCloseBox(about));
            break;
        }
        EXPECT_TRUE(WaitFor([&] { return !IsWindow(about); }));
        EXPECT_TRUE(IsWindow(main));
        // Back in the main loop, and the viewer goes on.
        Settle();
    }
}

class ClosingTest : public ::testing::TestWithParam<int> {};

TEST_P(ClosingTest, EndsTheProcessWithExitCodeZero) {
    ViewerProcess viewer;
    const HWND main = viewer.StartAndWaitForMainWindow();
    ASSERT_NE(main, nullptr);
    switch (GetParam()) {
    case 0: // File/Exit
        PostMessageA(main, WM_COMMAND, MAKEWPARAM(ID_FILE_EXIT, 0), 0);
        break;
    case 1: // Alt+F4
        ASSERT_TRUE(BringToFront(main));
        PressKeys({VK_MENU, VK_F4});
        break;
    case 2: // the close box
        ASSERT_TRUE(ClickCloseBox(main));
        break;
    case 3: // File/Exit through the menu with the keyboard: F10, Down, Up (wraps to Exit), Enter
        ASSERT_TRUE(BringToFront(main));
        PressKeys({VK_F10});
        PressKeys({VK_DOWN});
        PressKeys({VK_UP});
        PressKeys({VK_RETURN});
        break;
    }
    EXPECT_EQ(viewer.WaitForExit(), 0u);
    EXPECT_FALSE(IsWindow(main));
}

INSTANTIATE_TEST_SUITE_P(FileExitAltF4CloseBoxMenu, ClosingTest, ::testing::Values(0, 1, 2, 3));

} // namespace
