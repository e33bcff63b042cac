// The folder dialog, the shell's folder browser and the scan of the piece
// catalogue in the real viewer.
#include "gui/viewer_driver.h"

#include "catalogue/piece_profile.h"
#include "resources/resource_ids.h"
#include "builders/piece_files.h"
#include "support/scratch.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace {

class CatalogueTest : public ViewerTest {
  protected:
    std::vector<std::string> Fields(HWND dialog) {
        std::vector<std::string> texts;
        for (int id : {IDC_PROFILE_FOLDER, IDC_MODEL_FOLDER, IDC_TEXTURE_FOLDER}) {
            texts.push_back(WindowText(GetDlgItem(dialog, id)));
        }
        return texts;
    }
    // The folder dialog's three fields as the next opening shows them.
    std::vector<std::string> FieldsOnReopening() {
        const HWND dialog = OpenFolderDialog();
        const std::vector<std::string> texts = Fields(dialog);
        PressDialogButton(dialog, IDCANCEL, true);
        return texts;
    }
    // Scans and waits for the list to have the keyboard focus. Our test
    // display has no window manager, and there Wine now and then gives the
    // foreground to its desktop window when a window of the viewer closes: it
    // reads the X focus late, after its own request to focus the main window
    // was dropped as stale. No user's display does that, so a scan that ends
    // with the desktop in front is done once more.
    bool ScanAndWaitForListFocus(const std::string& profiles) {
        const auto listFocused = [&] { return viewer.FocusWindow() == PieceList(); };
        Scan(profiles);
        if (WaitFor(listFocused, 5000)) {
            return true;
        }
        char name[16] = "";
        GetClassNameA(GetForegroundWindow(), name, sizeof name);
        if (std::string(name) != "#32769") { // the desktop window's class
            return false;
        }
        std::printf("the desktop took the foreground after the scan: scanning again\n");
        Scan(profiles);
        return WaitFor(listFocused);
    }
};

TEST_F(CatalogueTest, LoadNeedsThreeFoldersOfAtMost259CharactersAndKeepsThoseBeforeAGap) {
    const std::string tooLong = "C:\\" + std::string(257, 'x'); // 260 characters
    using Texts = std::vector<std::string>;
    const struct {
        Texts typed, kept; // kept: what the next opening shows after Cancel
    } rounds[] = {
        {{"C:\\p1", "", "C:\\t1"}, {"C:\\p1", "", ""}},
        {{"C:\\p2", "C:\\m2", ""}, {"C:\\p2", "C:\\m2", ""}},
        {{"", "C:\\m3", "C:\\t3"}, {"C:\\p2", "C:\\m2", ""}},
        {{tooLong, "C:\\m4", "C:\\t4"}, {"C:\\p2", "C:\\m2", ""}},
        {{"C:\\p5", tooLong, "C:\\t5"}, {"C:\\p5", "C:\\m2", ""}},
    };
    EXPECT_EQ(FieldsOnReopening(), Texts(3)) << "empty at the first opening";
    for (const auto& round : rounds) {
        SCOPED_TRACE(round.typed[0] + "|" + round.typed[1] + "|" + round.typed[2]);
        const HWND dialog = OpenFolderDialog();
        ASSERT_NE(dialog, nullptr);
        FillFolders(dialog, round.typed[0], round.typed[1], round.typed[2]);
        PressDialogButton(dialog, IDOK);
        HWND error = nullptr;
        ASSERT_TRUE(WaitFor([&] { return (error = viewer.DialogHolding("Loading Error")); }))
            << "the error box";
        EXPECT_EQ(GetWindow(error, GW_OWNER), dialog) << "over the dialog";
        PressDialogButton(error, IDOK, true);
        EXPECT_EQ(Fields(dialog), round.typed) << "the dialog stays with what was typed";
        PressDialogButton(dialog, IDCANCEL, true);
        EXPECT_EQ(FieldsOnReopening(), round.kept) << "the folders before the gap are kept";
    }
    EXPECT_TRUE(SortListItems().empty()) << "nothing scanned";
    // 259 characters are a folder; three folders end the dialog and scan,
    // even when they do not exist.
    const Texts longest = {"C:\\" + std::string(256, 'y'), "C:\\no-models", "C:\\no-textures"};
    Scan(longest[0], longest[1], longest[2]);
    EXPECT_TRUE(viewer.Dialogs().empty()) << "dialog ended";
    EXPECT_EQ(FieldsOnReopening(), longest) << "all three kept";
}

TEST_F(CatalogueTest, ListsQualifyingProfilesInFileNameOrderWithTheFirstSelected) {
    // Which profile qualifies is the profile reader's; the scan takes the
    // ".prt" files that qualify, twins included, in the list box's order.
    ScratchFolder folder;
    const std::pair<std::string, std::string> profiles[] = {
        {"b.prt", "Alpha"}, {"A.prt", "Zulu"}, {"g.prt", "Twin"}, {"h.prt", "Twin"},
        {"d.prt", ""},      {"j.txt", "Text"}, {"a10.prt", "1"},  {"a2.prt", "2"},
        {"B_1.prt", "3"},   {"_z.prt", "4"},   {"a.b.prt", "5"},  {"9.prt", "6"}};
    std::vector<std::pair<std::string, std::string>> listed;
    for (const auto& [file, name] : profiles) {
        WriteBytes(folder.File(file), ProfileBytes("m.msm", name));
        if (file.ends_with(".prt") && !name.empty()) {
            listed.emplace_back(file, name);
        }
    }
    WriteBytes(folder.File("k.prt"), Bytes{});
    std::filesystem::create_directory(folder.Path() / "l.prt");
    std::stable_sort(listed.begin(), listed.end(), [](const auto& a, const auto& b) {
        return CompareProfileNames(a.first, b.first) < 0;
    });
    const std::string path = folder.Path().string();
    std::vector<std::string> names, paths;
    for (const auto& [file, name] : listed) {
        names.push_back(name);
        paths.push_back(path + "\\" + file);
    }
    for (const std::string& typed : {path, path + "\\"}) {
        EXPECT_TRUE(ScanAndWaitForListFocus(typed)) << typed << ": the list has the keyboard focus";
        EXPECT_EQ(PieceNames(), names) << typed << ": names in the order of the file names";
        EXPECT_EQ(SortListItems(), paths) << typed << ": full paths, one backslash";
        EXPECT_EQ(SendMessageW(PieceList(), LB_GETCURSEL, 0, 0), 0) << "first piece selected";
    }

    // In a folder of 240 characters, a profile whose path would pass 259
    // characters is passed over.
    std::filesystem::path deep = folder.Path();
    while (deep.string().size() < 240) {
        deep /= std::string(std::min<std::size_t>(240 - deep.string().size() - 1, 60), 'd');
    }
    std::filesystem::create_directories(deep);
    WriteBytes((deep / "a.prt").string(), ProfileBytes("a.msm", "Fits"));
    WriteBytes((deep / (std::string(14, 'f') + ".prt")).string(), ProfileBytes("f", "Fits 259"));
    WriteBytes((deep / (std::string(15, 'g') + ".prt")).string(), ProfileBytes("g", "Too Long"));
    Scan(deep.string());
    EXPECT_EQ(PieceNames(), (std::vector<std::string>{"Fits", "Fits 259"}));
}

TEST_F(CatalogueTest, CancelKeepsTheListAndAFolderWithoutProfilesEmptiesIt) {
    ScratchFolder folder, empty;
    WriteBytes(folder.File("a.prt"), ProfileBytes("a.msm", "A"));
    WriteBytes(folder.File("b.prt"), ProfileBytes("b.msm", "B"));
    Scan(folder.Path().string(), "C:\\m", "C:\\t");
    SendMessageW(PieceList(), LB_SETCURSEL, 1, 0);
    const HWND dialog = OpenFolderDialog();
    ASSERT_NE(dialog, nullptr);
    FillFolders(dialog, empty.Path().string(), "x", "y");
    PressDialogButton(dialog, IDCANCEL, true);
    Settle();
    EXPECT_EQ(PieceNames(), (std::vector<std::string>{"A", "B"})) << "list kept";
    EXPECT_EQ(SendMessageW(PieceList(), LB_GETCURSEL, 0, 0), 1) << "selection kept";
    EXPECT_EQ(FieldsOnReopening(),
              (std::vector<std::string>{folder.Path().string(), "C:\\m", "C:\\t"}))
        << "typed text forgotten";
    for (const std::string& none : {empty.Path().string(), std::string("C:\\no\\such\\folder")}) {
        Scan(none);
        EXPECT_TRUE(PieceNames().empty()) << none << ": list emptied";
        EXPECT_TRUE(SortListItems().empty()) << none;
        EXPECT_EQ(SendMessageW(PieceList(), LB_GETCURSEL, 0, 0), LB_ERR) << none;
    }
}

TEST_F(CatalogueTest, MoreThan1024ProfilesAreAllListedBehindThePleaseWaitBox) {
    ScratchFolder folder;
    char name[32];
    for (int i = 0; i < 1040; ++i) {
        std::snprintf(name, sizeof name, "p%04d", i);
        WriteBytes(folder.File(std::string(name) + ".prt"), ProfileBytes("m.msm", name));
    }
    const HWND dialog = OpenFolderDialog();
    ASSERT_NE(dialog, nullptr);
    FillFolders(dialog, folder.Path().string(), "m", "t");
    PressDialogButton(dialog, IDOK);
    // While the scan runs the box is up: no owner, no caption, centred. It is
    // found without sending it messages, which the busy viewer would answer
    // only after the scan.
    HWND wait = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (wait = viewer.WindowWithStaticText(L"Please Wait . . .")); }))
        << "the Please Wait box";
    EXPECT_EQ(GetWindow(wait, GW_OWNER), nullptr) << "no owner";
    EXPECT_EQ(GetWindowLongA(wait, GWL_STYLE) & (WS_POPUP | WS_BORDER | WS_CAPTION),
              WS_POPUP | WS_BORDER)
        << "a thin border, no caption";
    RECT r{};
    GetWindowRect(wait, &r);
    EXPECT_LE(std::abs(r.left + r.right - GetSystemMetrics(SM_CXSCREEN)) +
                  std::abs(r.top + r.bottom - GetSystemMetrics(SM_CYSCREEN)),
              4)
        << "centred";
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(wait); }, 120000)) << "gone after the scan";
    Settle();
    const std::vector<std::string> names = PieceNames();
    ASSERT_EQ(names.size(), 1040u) << "every profile listed";
    EXPECT_EQ(names.back(), "p1039") << "the last in order";
}

// The browser that the dialog's "..." button `button` opened, after clicking
// it (a click that arrives while the dialog settles in front may be lost; the
// user would click again).
HWND OpenBrowser(ViewerProcess& viewer, HWND dialog, int button) {
    HWND browser = nullptr;
    for (int attempt = 0; attempt < 3 && browser == nullptr; ++attempt) {
        ClickCentre(GetDlgItem(dialog, button));
        WaitFor(
            [&] {
                for (HWND d : viewer.Dialogs()) {
                    browser = GetWindow(d, GW_OWNER) == dialog ? d : browser;
                }
                return browser != nullptr;
            },
            5000);
    }
    return browser;
}

void CloseBrowser(HWND browser, int button) {
    ClickCentre(GetDlgItem(browser, button));
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(browser); })) << "browser closed";
}

TEST_F(CatalogueTest, BrowsedFolderTakesEffectAtOnceWhetherOrNotTheDialogIsConfirmed) {
    HWND dialog = OpenFolderDialog();
    ASSERT_NE(dialog, nullptr);
    auto field = [&](int id) { return WindowText(GetDlgItem(dialog, id)); };
    // With nothing moved, OK chooses the browser's root, the desktop folder.
    HWND browser = OpenBrowser(viewer, dialog, IDC_BROWSE_PROFILE);
    ASSERT_NE(browser, nullptr);
    EXPECT_NE(viewer.DialogHolding("Select folder with piece information files (*.prt)"), nullptr);
    CloseBrowser(browser, IDOK);
    char desktop[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, CSIDL_DESKTOPDIRECTORY, nullptr, 0, desktop);
    EXPECT_TRUE(WaitFor([&] { return field(IDC_PROFILE_FOLDER) == desktop; })) << "desktop";
    // Typed text is replaced by the stored folder when the browser is cancelled.
    SetDlgItemTextA(dialog, IDC_PROFILE_FOLDER, "typed");
    CloseBrowser(OpenBrowser(viewer, dialog, IDC_BROWSE_PROFILE), IDCANCEL);
    EXPECT_TRUE(WaitFor([&] { return field(IDC_PROFILE_FOLDER) == desktop; })) << "stored kept";
    // A cancelled browser on an empty row leaves the row empty.
    browser = OpenBrowser(viewer, dialog, IDC_BROWSE_MODEL);
    EXPECT_NE(viewer.DialogHolding("Select folder with piece 3D model files (*.msm)"), nullptr);
    CloseBrowser(browser, IDCANCEL);
    // Each item under the root for the texture row: a folder of the file
    // system is taken; an item without a path (the computer, the recycle
    // bin) leaves the row as it was.
    int taken = 0, leftAlone = 0;
    std::string before;
    for (int position = 0;; ++position) {
        browser = OpenBrowser(viewer, dialog, IDC_BROWSE_TEXTURE);
        ASSERT_NE(browser, nullptr);
        EXPECT_NE(viewer.DialogHolding("Select folder with piece texture files (*.txr)"), nullptr);
        const HWND tree = FindWindowExA(browser, nullptr, "SysTreeView32", nullptr);
        LPARAM item = SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD,
                                   SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
        for (int i = 0; i < position && item != 0; ++i) {
            item = SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, item);
        }
        if (item == 0) {
            CloseBrowser(browser, IDCANCEL);
            break;
        }
        SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, item);
        CloseBrowser(browser, IDOK);
        Settle();
        const std::string now = field(IDC_TEXTURE_FOLDER);
        const DWORD attributes = GetFileAttributesA(now.c_str());
        (now == before ? leftAlone : taken)++;
        EXPECT_TRUE(now == before || (attributes != INVALID_FILE_ATTRIBUTES &&
                                      (attributes & FILE_ATTRIBUTE_DIRECTORY)))
            << now << " is a folder";
        before = now;
    }
    EXPECT_GT(taken, 0) << "folders taken";
    EXPECT_GT(leftAlone, 0) << "items without a path left alone";
    PressDialogButton(dialog, IDCANCEL, true);
    EXPECT_EQ(FieldsOnReopening(), (std::vector<std::string>{desktop, "", before}))
        << "the browsed folders stay in effect after Cancel";
}

} // namespace
