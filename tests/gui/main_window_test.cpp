// The main window of the real viewer as a user meets it: how it starts, what
// it shows, each command opening its window and each way of closing that
// window, and the ways the viewer ends.
#include "gui/viewer_driver.h"

#include "resources/resource_ids.h"
#include "builders/piece_files.h"
#include "support/scratch.h"
#include "support/screen_capture_win.h"
#include "support/wine_path.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace {

// Runs the program with `tail` until it ends by itself or, when its main
// window comes up, until that window is closed; says whether it came up.
bool OpensTheViewer(const std::string& tail, DWORD& exitCode) {
    ViewerProcess viewer;
    bool opened = false;
    if (!viewer.Start(tail)) {
        ADD_FAILURE() << "cannot start the program";
        return false;
    }
    WaitFor([&] {
        if (const HWND main = viewer.MainWindow()) {
            opened = true;
            PostMessageA(main, WM_CLOSE, 0, 0);
        }
        return WaitForSingleObject(viewer.Handle(), 0) == WAIT_OBJECT_0;
    });
    exitCode = viewer.WaitForExit();
    return opened;
}

TEST(ViewerStart, ASwitchFirstConvertsWithoutAWindowAnythingElseOpensTheViewer) {
    ScratchFolder folder;
    WriteBytes(folder.File("a.txr"), SolidTxr(0x102030, 4));
    const std::string a = folder.File("a.txr");
    const std::pair<std::string, bool> cases[] = {
        {"", true},     {"/b " + a, false},  {"/B " + a + " " + folder.File("b.bmp"), false},
        {"/b", false},  {"/t x.bmp", false}, {a + " /b", true},
        {"/x a", true}, {"   ", true},
    };
    for (const auto& [tail, opensViewer] : cases) {
        DWORD code = 1;
        EXPECT_EQ(OpensTheViewer(tail, code), opensViewer) << "[" << tail << "] viewer";
        EXPECT_NE(code, static_cast<DWORD>(STILL_ACTIVE)) << "[" << tail << "] ends";
        EXPECT_TRUE(!opensViewer || code == 0) << "[" << tail << "] viewer ends with 0";
    }
    EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"a.bmp", "a.txr", "b.bmp"}))
        << "the switch tails converted, the others did not";
}

class MainWindowTest : public ViewerTest {
  protected:
    // The repository's samples, or those unpacked from the release package
    // (PV_SAMPLES_DIR, set by the package's test).
    void ScanSamples() {
        const char* unpacked = std::getenv("PV_SAMPLES_DIR");
        const std::string samples =
            WinePath(unpacked != nullptr ? unpacked : std::string(PV_SOURCE_DIR) + "/samples");
        Scan(samples + "\\profiles", samples + "\\models", samples + "\\textures");
    }
    static std::string Artifact(const std::string& name) {
        std::filesystem::create_directories(PV_ARTIFACT_DIR);
        return WinePath(std::string(PV_ARTIFACT_DIR) + "/" + name);
    }
};

// Pieces made in Blender and exported by the Map Pieces add-on: the native
// build's Blender test (blender_addon) leaves its catalogue in its build
// folder, and the viewer lists every piece of it by the Blender object's name.
TEST_F(MainWindowTest, ListsThePiecesExportedFromBlender) {
    const std::string made =
        WinePath(std::string(PV_SOURCE_DIR) + "/build/native/blender-addon/from_blender");
    if (!std::filesystem::exists(made + "\\expected_names.txt")) {
        GTEST_SKIP() << "no pieces exported from Blender in " << made
                     << ": the native preset's blender_addon test makes them";
    }
    Scan(made + "\\profiles", made + "\\models", made + "\\textures");
    EXPECT_EQ(PieceNames(),
              (std::vector<std::string>{"Smooth Sphere", "Textured Cube", "Two Materials"}))
        << "the three models of the Blender test, in their profiles' order";
}

TEST_F(MainWindowTest, ShowsTheSamplePiecesBesideTheTurningPreview) {
    EXPECT_EQ(WindowText(main), kMainTitle) << "title";
    RECT window{};
    GetWindowRect(main, &window);
    EXPECT_EQ(window.right - window.left, 640) << "width";
    EXPECT_EQ(window.bottom - window.top, 440) << "height";
    std::vector<std::string> texts;
    for (HWND c = GetWindow(main, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
        if (IsWindowVisible(c)) {
            texts.push_back(WindowText(c));
        }
    }
    EXPECT_EQ(texts, (std::vector<std::string>{"", "", "Load", "Texture Information",
                                               "Export Texture", "Piece Names  ", "Preview"}))
        << "frame, list, buttons and labels, in this order";

    ScanSamples();
    EXPECT_EQ(PieceNames(),
              (std::vector<std::string>{"Brick Cube", "Flag Pole", "Grass Slab",
                                        Sjis(L"\u8d64\u3044\u7bb1"), Sjis(L"\u8868\u793a\u53f0")}))
        << "the five sample pieces in their profiles' order";
    ASSERT_TRUE(BringToFront(main));
    RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Settle();
    POINT gap{288, 200}; // between the list and the preview frame
    ClientToScreen(main, &gap);
    EXPECT_EQ(ScreenColour(gap.x, gap.y), 0xC0C0C0u) << "the class's light-grey background";
    SaveScreenshot(window, Artifact("main_window_pieces.bmp"));

    // The first piece is drawn over part of the pane, and it turns.
    const RECT pane = PaneOnScreen();
    std::vector<std::uint32_t> first, later;
    auto pieceShare = [&] {
        first = ScreenPixels(pane);
        return std::count_if(first.begin(), first.end(), [](std::uint32_t p) {
                   return p != 0x7777FF;
               }) > static_cast<long>(first.size() / 50);
    };
    EXPECT_TRUE(WaitFor(pieceShare, 8000)) << "more than 2% of the pane shows the piece";
    EXPECT_TRUE(WaitFor([&] { return (later = ScreenPixels(pane)) != first; }, 8000))
        << "the picture changes as the piece turns";
    SaveScreenshot(window, Artifact("preview_main_window.bmp"));
}

TEST_F(MainWindowTest, EachCommandOpensItsWindowAndItsWaysOfClosingCloseIt) {
    // Ids that are not the window's commands, the hidden sorted list's
    // included, go to the default procedure, which answers 0 and opens nothing.
    for (WORD id : {IDC_SORT_LIST, IDC_STATIC_FRAME, 40002}) {
        EXPECT_EQ(SendMessageA(main, WM_COMMAND, MAKEWPARAM(id, LBN_SELCHANGE), 0), 0) << id;
    }
    EXPECT_TRUE(viewer.Dialogs().empty()) << "no window for other ids";
    ScanSamples(); // a piece at the caret, for the texture commands

    auto command = [&](WORD id) { return [=, this] { PostMessageA(main, WM_COMMAND, id, 0); }; };
    auto click = [&](int id) { return [=, this] { ClickCentre(GetDlgItem(main, id)); }; };
    auto keys = [&](std::vector<WORD> sequence, bool chord) {
        return [=, this] {
            ASSERT_TRUE(BringToFront(main));
            if (chord) {
                PressKeys({VK_CONTROL, sequence[0]});
                return;
            }
            for (WORD key : sequence) { // through the menu bar, one key at a time
                PressKeys({key});
                Sleep(150);
                Settle();
            }
        };
    };
    // A window found by its caption and a text it shows.
    auto dialog = [&](const char* caption, const char* text) {
        return [=, this] {
            const HWND found = viewer.Dialog(caption);
            return found != nullptr && viewer.DialogHolding(text) == found ? found : nullptr;
        };
    };
    const auto about =
        dialog(kAboutTitle, "Varnholt - Piece Viewer  ver 1.00\r\n    Translation v1.2");
    const auto folders =
        dialog(kFolderDialogTitle, "Please enter folders where map piece data is located");
    const auto names = dialog("Texture's File Name", "OK");
    const auto browser = [&] { return viewer.DialogHolding("Please choose save location"); };
    enum Closing { OkClick, CancelClick, Enter, Escape, CloseBox };
    const struct {
        const char* what;
        std::function<void()> open;
        std::function<HWND()> window;
        bool ownedByMain;
        Closing closing;
        bool closes;
    } cases[] = {
        {"Help/About", command(ID_HELP_ABOUT), about, true, OkClick, true},
        {"Ctrl+A", keys({'A'}, true), about, true, Enter, true},
        {"Help menu", keys({VK_F10, VK_RIGHT, VK_RIGHT, VK_DOWN, VK_RETURN}, false), about, true,
         Escape, true},
        {"Ctrl+A again", keys({'A'}, true), about, true, CloseBox, true},
        {"File/Open", command(ID_FILE_OPEN), folders, false, Escape, true},
        {"Ctrl+O", keys({'O'}, true), folders, false, CancelClick, true},
        {"Load", click(IDC_LOAD), folders, false, Escape, true},
        {"File menu", keys({VK_F10, VK_DOWN, VK_RETURN}, false), folders, false, CancelClick, true},
        {"Ctrl+I", keys({'I'}, true), names, true, Escape, false},
        {"Texture Information", click(IDC_TEXTURE_INFO), names, true, CloseBox, false},
        {"Texture/Information", command(ID_TEXTURE_INFORMATION), names, true, Enter, true},
        {"Texture menu", keys({VK_F10, VK_RIGHT, VK_DOWN, VK_RETURN}, false), names, true, OkClick,
         true},
        {"Texture/Export", command(ID_TEXTURE_EXPORT), browser, true, CancelClick, true},
        {"Ctrl+E", keys({'E'}, true), browser, true, CancelClick, true},
        {"Export Texture", click(IDC_EXPORT_TEXTURE), browser, true, CancelClick, true},
        {"Texture menu, second item", keys({VK_F10, VK_RIGHT, VK_DOWN, VK_DOWN, VK_RETURN}, false),
         browser, true, CancelClick, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        c.open();
        HWND window = nullptr;
        ASSERT_TRUE(WaitFor([&] { return (window = c.window()) != nullptr; })) << "window opened";
        EXPECT_EQ(GetWindow(window, GW_OWNER) == main, c.ownedByMain) << "owner";
        if (c.closing == OkClick || c.closing == CancelClick) {
            ClickCentre(GetDlgItem(window, c.closing == OkClick ? IDOK : IDCANCEL));
        } else if (c.closing == CloseBox) {
            ASSERT_TRUE(ClickCloseBox(window));
        } else {
            ASSERT_TRUE(BringToFront(window));
            PressKeys({static_cast<WORD>(c.closing == Enter ? VK_RETURN : VK_ESCAPE)});
        }
        if (c.closes) {
            EXPECT_TRUE(WaitFor([&] { return !IsWindow(window); })) << "closed";
        } else {
            Settle();
            EXPECT_TRUE(IsWindowVisible(window)) << "stays open";
            PressDialogButton(window, IDOK, true);
        }
        Settle();
    }
    EXPECT_TRUE(viewer.Dialogs().empty()) << "nothing left open";
}

class ClosingTest : public ::testing::TestWithParam<int> {};

TEST_P(ClosingTest, EndsTheProcessWithExitCodeZero) {
    ViewerProcess viewer;
    const HWND main = viewer.StartAndWaitForMainWindow();
    ASSERT_NE(main, nullptr);
    if (GetParam() == 0) { // File/Exit
        PostMessageA(main, WM_COMMAND, MAKEWPARAM(ID_FILE_EXIT, 0), 0);
    } else if (GetParam() == 1) { // the close box
        ASSERT_TRUE(ClickCloseBox(main));
    } else {
        ASSERT_TRUE(BringToFront(main));
        if (GetParam() == 2) {
            PressKeys({VK_MENU, VK_F4});
        } else { // File/Exit through the menu: F10, Down, Up (wraps to Exit), Enter
            for (WORD key : {VK_F10, VK_DOWN, VK_UP, VK_RETURN}) {
                PressKeys({key});
            }
        }
    }
    EXPECT_EQ(viewer.WaitForExit(), 0u) << "exit code 0";
    EXPECT_FALSE(IsWindow(main)) << "the window is gone";
}

INSTANTIATE_TEST_SUITE_P(FileExitCloseBoxAltF4Menu, ClosingTest, ::testing::Values(0, 1, 2, 3));

} // namespace
