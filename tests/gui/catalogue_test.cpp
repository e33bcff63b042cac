// The folder dialog and the scan of the piece catalogue in the real viewer.
#include "gui/viewer_driver.h"

#include "catalogue/piece_profile.h"
#include "resources/resource_ids.h"
#include "support/scratch.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

namespace {

// A profile file: model file name at 0, piece name at 100, `size` bytes.
Bytes Profile(const std::string& model, const std::string& piece, std::size_t size = 256) {
    Bytes bytes(std::max<std::size_t>(size, 228), 0);
    for (std::size_t i = 32; i < 100; ++i) {
        bytes[i] = 0xA5; // bytes the viewer must not read as text
    }
    std::memcpy(bytes.data(), model.data(), std::min<std::size_t>(model.size(), 32));
    std::memcpy(bytes.data() + 100, piece.data(), std::min<std::size_t>(piece.size(), 128));
    bytes.resize(size);
    return bytes;
}

std::string SamplesFolder(const char* part) {
    std::string path = std::string(PV_SOURCE_DIR) + "/samples/" + part;
    std::replace(path.begin(), path.end(), '/', '\\');
    return "Z:" + path;
}

class FolderDialogTest : public ViewerTest {
  protected:
    std::string EditText(HWND dialog, int id) { return WindowText(GetDlgItem(dialog, id)); }
};

TEST_F(FolderDialogTest, OpensFromFileOpenCtrlOAndTheLoadButton) {
    for (int way = 0; way < 3; ++way) {
        SCOPED_TRACE(way);
        if (way == 0) {
            PostMessageA(main, WM_COMMAND, MAKEWPARAM(ID_FILE_OPEN, 0), 0);
        } else if (way == 1) {
            ASSERT_TRUE(BringToFront(main));
            PressKeys({VK_CONTROL, 'O'});
        } else {
            ClickCentre(GetDlgItem(main, IDC_LOAD));
        }
        const HWND dialog = viewer.WaitForDialog(kFolderDialogTitle);
        ASSERT_NE(dialog, nullptr);
        // No owner: the main window stays enabled while it is up.
        EXPECT_EQ(GetWindow(dialog, GW_OWNER), nullptr);
        EXPECT_TRUE(IsWindowEnabled(main));
        EXPECT_EQ(EditText(dialog, IDC_PROFILE_FOLDER), "");
        EXPECT_EQ(EditText(dialog, IDC_MODEL_FOLDER), "");
        EXPECT_EQ(EditText(dialog, IDC_TEXTURE_FOLDER), "");
        EXPECT_EQ(WindowText(GetDlgItem(dialog, IDOK)), "Load");
        EXPECT_EQ(WindowText(GetDlgItem(dialog, IDCANCEL)), "Cancel");
        if (way == 2) {
            ClickCentre(GetDlgItem(dialog, IDCANCEL));
        } else {
            ASSERT_TRUE(BringToFront(dialog));
            PressKeys({VK_ESCAPE});
        }
        EXPECT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));
        Settle();
    }
    EXPECT_TRUE(PieceNames().empty());
}

TEST_F(FolderDialogTest, LoadWithAnEmptyBoxShowsLoadingErrorAndKeepsTheFieldsBeforeIt) {
    const std::string longFolder = "C:\\" + std::string(257, 'x'); // 260 characters

    struct Round {
        std::string profiles, models, textures;
        std::string expectProfiles, expectModels, expectTextures; // after Cancel and reopening
    } rounds[] = {
        // Stops at the empty model box: the profile folder is kept.
        {"C:\\p1", "", "C:\\t1", "C:\\p1", "", ""},
        // Stops at the empty texture box: profile and model folders kept.
        {"C:\\p2", "C:\\m2", "", "C:\\p2", "C:\\m2", ""},
        // An empty profile box stops at once; the fields keep what they had.
        {"", "C:\\m3", "C:\\t3", "C:\\p2", "C:\\m2", ""},
        // A folder longer than 259 characters is refused like an empty one.
        {longFolder, "C:\\m4", "C:\\t4", "C:\\p2", "C:\\m2", ""},
        {"C:\\p5", longFolder, "C:\\t5", "C:\\p5", "C:\\m2", ""},
    };
    for (const Round& round : rounds) {
        SCOPED_TRACE(round.profiles + "|" + round.models + "|" + round.textures);
        HWND dialog = OpenFolderDialog();
        ASSERT_NE(dialog, nullptr);
        FillFolders(dialog, round.profiles, round.models, round.textures);
        PressDialogButton(dialog, IDOK);
        HWND error = nullptr;
        ASSERT_TRUE(
            WaitFor([&] { return (error = viewer.DialogHolding("Loading Error")) != nullptr; }));
        EXPECT_EQ(GetWindow(error, GW_OWNER), dialog);
        EXPECT_EQ(WindowText(GetDlgItem(error, IDOK)), "OK");
        if (&round == &rounds[0]) {
            ASSERT_TRUE(BringToFront(error));
            PressKeys({VK_RETURN});
        } else {
            PressDialogButton(error, IDOK);
        }
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(error); }));
        // The dialog stays open with what was typed.
        EXPECT_TRUE(IsWindow(dialog));
        EXPECT_EQ(EditText(dialog, IDC_PROFILE_FOLDER), round.profiles);
        PressDialogButton(dialog, IDCANCEL);
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));

        dialog = OpenFolderDialog();
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(EditText(dialog, IDC_PROFILE_FOLDER), round.expectProfiles);
        EXPECT_EQ(EditText(dialog, IDC_MODEL_FOLDER), round.expectModels);
        EXPECT_EQ(EditText(dialog, IDC_TEXTURE_FOLDER), round.expectTextures);
        PressDialogButton(dialog, IDCANCEL);
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));
    }
    // None of this scanned anything.
    EXPECT_TRUE(SortListItems().empty());

    // 259 characters are a folder; "Load" with three folders ends the dialog
    // and scans, even when the folders do not exist.
    const std::string longest = "C:\\" + std::string(256, 'y');
    Scan(longest, "C:\\no-models", "C:\\no-textures");
    EXPECT_TRUE(viewer.Dialogs().empty());
    const HWND dialog = OpenFolderDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(EditText(dialog, IDC_PROFILE_FOLDER), longest);
    EXPECT_EQ(EditText(dialog, IDC_MODEL_FOLDER), "C:\\no-models");
    EXPECT_EQ(EditText(dialog, IDC_TEXTURE_FOLDER), "C:\\no-textures");
    PressDialogButton(dialog, IDCANCEL);
}

class CatalogueTest : public ViewerTest {};

TEST_F(CatalogueTest, ListsQualifyingProfilesInFileNameOrderAndSelectsTheFirst) {
    ScratchFolder folder;
    const std::string fullModel(32, 'M'), fullName(128, 'N');
    WriteBytes(folder.File("b.prt"), Profile("b.msm", "Alpha"));
    WriteBytes(folder.File("A.prt"), Profile("a.msm", "Zulu"));
    WriteBytes(folder.File("c.prt"), Profile("c.msm", "Mike"));
    WriteBytes(folder.File("d.prt"), Profile("d.msm", ""));            // no piece name
    WriteBytes(folder.File("e.prt"), Profile("", "No Model"));         // no model
    WriteBytes(folder.File("f.prt"), Profile("f.msm", "Short", 100));  // ends before the name
    WriteBytes(folder.File("f2.prt"), Profile("f.msm", "Short", 101)); // one byte of name
    WriteBytes(folder.File("g.prt"), Profile("g1.msm", "Twin"));
    WriteBytes(folder.File("h.prt"), Profile("h1.msm", "Twin"));
    WriteBytes(folder.File("i.prt"), Profile(fullModel, fullName)); // both fields full
    WriteBytes(folder.File("j.txt"), Profile("j.msm", "Not A Profile"));
    WriteBytes(folder.File("k.prt"), Bytes{});
    std::filesystem::create_directory(folder.Path() / "l.prt");

    const std::string profiles = folder.Path().string();
    Scan(profiles);
    const std::vector<std::string> expected = {"Zulu", "Alpha", "Mike",  "S",
                                               "Twin", "Twin",  fullName};
    EXPECT_EQ(PieceNames(), expected);
    // The hidden list keeps the full paths in the same order.
    const std::vector<std::string> paths = {"A.prt", "b.prt", "c.prt", "f2.prt",
                                            "g.prt", "h.prt", "i.prt"};
    std::vector<std::string> expectedPaths;
    for (const std::string& name : paths) {
        expectedPaths.push_back(profiles + "\\" + name);
    }
    EXPECT_EQ(SortListItems(), expectedPaths);
    // Item 0 selected, and the piece list has the keyboard focus.
    EXPECT_EQ(SendMessageW(PieceList(), LB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(SendMessageW(PieceList(), LB_GETCARETINDEX, 0, 0), 0);
    EXPECT_TRUE(WaitFor([&] { return viewer.FocusWindow() == PieceList(); }));

    // A folder given with a trailing backslash lists the same, with one
    // backslash in each path.
    Scan(profiles + "\\");
    EXPECT_EQ(PieceNames(), expected);
    EXPECT_EQ(SortListItems(), expectedPaths);

    // Commands from the hidden list change nothing.
    const HWND sortList = GetDlgItem(main, IDC_SORT_LIST);
    for (WORD code : {LBN_SELCHANGE, LBN_DBLCLK, LBN_SETFOCUS}) {
        EXPECT_EQ(SendMessageA(main, WM_COMMAND, MAKEWPARAM(IDC_SORT_LIST, code),
                               reinterpret_cast<LPARAM>(sortList)),
                  0);
    }
    EXPECT_EQ(PieceNames(), expected);
    EXPECT_EQ(SendMessageW(PieceList(), LB_GETCURSEL, 0, 0), 0);
    EXPECT_TRUE(viewer.Dialogs().empty());
}

TEST_F(CatalogueTest, ListOrderIsTheProfileNameOrdering) {
    // File names of letters, digits, "_" and "." in mixed case: the list box
    // that sorts them agrees with the catalogue's own ordering.
    std::vector<std::string> stems = {"a10", "a2",  "B_1", "b1", "Ab", "a.b", "Zz", "0x",
                                      "ab_", "AB0", "b",   "B2", "a",  "_z",  "9"};
    ScratchFolder folder;
    for (const std::string& stem : stems) {
        WriteBytes(folder.File(stem + ".prt"), Profile(stem + ".msm", stem));
    }
    std::vector<std::string> names;
    for (const std::string& stem : stems) {
        names.push_back(stem + ".prt");
    }
    std::stable_sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return CompareProfileNames(a, b) < 0;
    });
    std::vector<std::string> expected;
    for (const std::string& name : names) {
        expected.push_back(name.substr(0, name.size() - 4));
    }
    Scan(folder.Path().string());
    EXPECT_EQ(PieceNames(), expected);
}

TEST_F(CatalogueTest, CancelLeavesTheListAndAMissingFolderEmptiesIt) {
    Scan(SamplesFolder("profiles"), SamplesFolder("models"), SamplesFolder("textures"));
    const std::vector<std::string> samples = PieceNames();
    ASSERT_EQ(samples.size(), 5u);
    SendMessageW(PieceList(), LB_SETCURSEL, 2, 0);

    // Cancel after typing another folder: nothing changes, and the typed
    // text is forgotten.
    ScratchFolder empty;
    HWND dialog = OpenFolderDialog();
    ASSERT_NE(dialog, nullptr);
    FillFolders(dialog, empty.Path().string(), "x", "y");
    PressDialogButton(dialog, IDCANCEL);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));
    Settle();
    EXPECT_EQ(PieceNames(), samples);
    EXPECT_EQ(SendMessageW(PieceList(), LB_GETCURSEL, 0, 0), 2);
    dialog = OpenFolderDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_PROFILE_FOLDER)), SamplesFolder("profiles"));
    EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_TEXTURE_FOLDER)), SamplesFolder("textures"));
    PressDialogButton(dialog, IDCANCEL);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));

    // A folder without profiles, and one that does not exist, empty the list.
    Scan(empty.Path().string());
    EXPECT_TRUE(PieceNames().empty());
    Scan(SamplesFolder("profiles"));
    EXPECT_EQ(PieceNames(), samples);
    Scan("C:\\no\\such\\folder");
    EXPECT_TRUE(PieceNames().empty());
    EXPECT_TRUE(SortListItems().empty());
    EXPECT_EQ(SendMessageW(PieceList(), LB_GETCURSEL, 0, 0), LB_ERR);
}

TEST_F(CatalogueTest, MoreThan1024ProfilesAreAllListed) {
    ScratchFolder folder;
    char name[32];
    for (int i = 0; i < 1100; ++i) {
        std::snprintf(name, sizeof name, "p%04d", i);
        WriteBytes(folder.File(std::string(name) + ".prt"),
                   Profile("m.msm", std::string("Piece ") + name));
    }
    const HWND dialog = OpenFolderDialog();
    ASSERT_NE(dialog, nullptr);
    FillFolders(dialog, folder.Path().string(), "m", "t");
    PressDialogButton(dialog, IDOK);
    // While the scan runs the Please Wait box is up: no owner, no caption, a
    // thin border, centred on the screen. It is looked for without sending
    // it messages, which the busy viewer would answer only after the scan.
    HWND wait = nullptr;
    EXPECT_TRUE(WaitFor(
        [&] { return (wait = viewer.WindowWithStaticText(L"Please Wait . . .")) != nullptr; }));
    if (wait != nullptr) {
        EXPECT_EQ(GetWindow(wait, GW_OWNER), nullptr);
        const auto style = static_cast<DWORD>(GetWindowLongA(wait, GWL_STYLE));
        EXPECT_EQ(style & (WS_POPUP | WS_BORDER | WS_CAPTION),
                  static_cast<DWORD>(WS_POPUP | WS_BORDER));
        RECT rect{};
        GetWindowRect(wait, &rect);
        EXPECT_LE(std::abs((rect.left + rect.right) / 2 - GetSystemMetrics(SM_CXSCREEN) / 2), 1);
        EXPECT_LE(std::abs((rect.top + rect.bottom) / 2 - GetSystemMetrics(SM_CYSCREEN) / 2), 1);
    }
    Settle();
    EXPECT_FALSE(IsWindow(wait)); // gone once the scan is over
    const std::vector<std::string> names = PieceNames();
    ASSERT_EQ(names.size(), 1100u);
    EXPECT_EQ(names.front(), "Piece p0000");
    EXPECT_EQ(names[1024], "Piece p1024");
    EXPECT_EQ(names.back(), "Piece p1099");
}

TEST_F(CatalogueTest, ProfilesWhosePathDoesNotFitArePassedOver) {
    ScratchFolder scratch;
    // A folder of 240 characters: "a.prt" fits in a path of 259 characters
    // joined to it, a name of 19 characters or more does not.
    std::filesystem::path folder = scratch.Path();
    while (folder.string().size() < 240) {
        const std::size_t room = 240 - folder.string().size() - 1;
        folder /= std::string(std::min<std::size_t>(room, 60), 'd');
    }
    ASSERT_EQ(folder.string().size(), 240u);
    std::filesystem::create_directories(folder);
    auto at = [&](std::string name) {
        std::string path = folder.string();
        path.append("\\").append(name);
        return path;
    };
    const std::string longest = std::string(14, 'f').append(".prt"); // 259 in all
    const std::string tooLong = std::string(15, 'g').append(".prt"); // 260
    WriteBytes(at("a.prt"), Profile("a.msm", "Fits"));
    WriteBytes(at(longest), Profile("f.msm", "Fits Exactly"));
    WriteBytes(at(tooLong), Profile("g.msm", "Too Long"));
    WriteBytes(at("z.prt"), Profile("z.msm", "Fits Too"));
    ASSERT_TRUE(FileExists(at(tooLong)));
    Scan(folder.string());
    EXPECT_EQ(PieceNames(), (std::vector<std::string>{"Fits", "Fits Exactly", "Fits Too"}));
}

// Captures the window as the screen shows it into a 24-bit bitmap file.
bool SaveWindowBitmap(HWND window, const std::string& path) {
    RECT rect{};
    GetWindowRect(window, &rect);
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    const HDC screen = GetDC(nullptr);
    const HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height; // bottom-up, as a bitmap file keeps it
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    const HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    GdiFlush();
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    const DWORD imageSize = stride * static_cast<DWORD>(height);
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + imageSize;
    Bytes bytes(reinterpret_cast<const std::uint8_t*>(&file),
                reinterpret_cast<const std::uint8_t*>(&file) + sizeof file);
    bytes.insert(bytes.end(), reinterpret_cast<const std::uint8_t*>(&info.bmiHeader),
                 reinterpret_cast<const std::uint8_t*>(&info.bmiHeader) + sizeof info.bmiHeader);
    bytes.insert(bytes.end(), static_cast<const std::uint8_t*>(bits),
                 static_cast<const std::uint8_t*>(bits) + imageSize);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    WriteBytes(path, bytes);
    return true;
}

std::string ArtifactPath(const std::string& name) {
    std::string folder = PV_ARTIFACT_DIR;
    std::filesystem::create_directories(folder);
    std::string path = "Z:" + folder + "/" + name;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

TEST_F(CatalogueTest, SamplePiecesAsTheUserSeesThem) {
    Scan(SamplesFolder("profiles"), SamplesFolder("models"), SamplesFolder("textures"));
    const std::vector<std::string> expected = {"Brick Cube", "Flag Pole", "Grass Slab",
                                               Sjis(L"\u8d64\u3044\u7bb1"),  // red box
                                               Sjis(L"\u8868\u793a\u53f0")}; // display stand
    EXPECT_EQ(PieceNames(), expected);
    // Let the viewer take back the front after the dialog, then paint.
    ASSERT_TRUE(BringToFront(main));
    RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Settle();
    // The class's light-grey background shows between the list and the frame.
    const HDC screen = GetDC(nullptr);
    POINT gap{288, 200};
    ClientToScreen(main, &gap);
    EXPECT_EQ(GetPixel(screen, gap.x, gap.y), RGB(0xC0, 0xC0, 0xC0));
    ReleaseDC(nullptr, screen);
    EXPECT_TRUE(SaveWindowBitmap(main, ArtifactPath("main_window_pieces.bmp")));
}

// The shell's folder browser, run from the dialog's "..." buttons.
class FolderBrowserTest : public ViewerTest {
  protected:
    // The browser window the viewer opened over `owner`, or null.
    HWND Browser(HWND owner) {
        for (HWND dialog : viewer.Dialogs()) {
            if (GetWindow(dialog, GW_OWNER) == owner && dialog != owner) {
                return dialog;
            }
        }
        return nullptr;
    }
    HWND OpenBrowser(HWND dialog, int button) {
        HWND browser = nullptr;
        // A click that arrives while the dialog is still settling in front
        // may be lost; the user would click again.
        for (int attempt = 0; attempt < 3 && browser == nullptr; ++attempt) {
            ClickCentre(GetDlgItem(dialog, button));
            WaitFor([&] { return (browser = Browser(dialog)) != nullptr; }, 5000);
        }
        return browser;
    }
    static HWND Tree(HWND browser) {
        return FindWindowExA(browser, nullptr, "SysTreeView32", nullptr);
    }
    void CloseBrowser(HWND browser, int button) {
        ClickCentre(GetDlgItem(browser, button));
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(browser); }));
    }
};

std::string KnownFolder(int id) {
    char path[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, id, nullptr, 0, path);
    return path;
}

TEST_F(FolderBrowserTest, ChosenFolderTakesEffectAtOnceWhetherOrNotTheDialogIsConfirmed) {
    HWND dialog = OpenFolderDialog();
    ASSERT_NE(dialog, nullptr);

    // The browser opens over the dialog with the row's prompt; with nothing
    // moved, OK chooses its root, the desktop folder.
    HWND browser = OpenBrowser(dialog, IDC_BROWSE_PROFILE);
    ASSERT_NE(browser, nullptr);
    EXPECT_NE(viewer.DialogHolding("Select folder with piece information files (*.prt)"), nullptr);
    ASSERT_NE(Tree(browser), nullptr);
    CloseBrowser(browser, IDOK);
    const std::string desktop = KnownFolder(CSIDL_DESKTOPDIRECTORY);
    ASSERT_FALSE(desktop.empty());
    EXPECT_TRUE(
        WaitFor([&] { return WindowText(GetDlgItem(dialog, IDC_PROFILE_FOLDER)) == desktop; }));

    // Text typed afterwards is replaced by the stored folder when the
    // browser is cancelled.
    SetWindowTextOf(GetDlgItem(dialog, IDC_PROFILE_FOLDER), "typed");
    browser = OpenBrowser(dialog, IDC_BROWSE_PROFILE);
    ASSERT_NE(browser, nullptr);
    CloseBrowser(browser, IDCANCEL);
    EXPECT_TRUE(
        WaitFor([&] { return WindowText(GetDlgItem(dialog, IDC_PROFILE_FOLDER)) == desktop; }));

    // A cancelled browser on an empty row leaves the row empty.
    browser = OpenBrowser(dialog, IDC_BROWSE_MODEL);
    ASSERT_NE(browser, nullptr);
    EXPECT_NE(viewer.DialogHolding("Select folder with piece 3D model files (*.msm)"), nullptr);
    CloseBrowser(browser, IDCANCEL);
    Settle();
    EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_MODEL_FOLDER)), "");

    // Each item under the root in turn for the texture row: a folder of the
    // file system is taken; an item without a path (such as the computer or
    // the recycle bin) leaves the row as it was.
    int taken = 0, leftAlone = 0;
    std::string before = "";
    for (int position = 0;; ++position) {
        browser = OpenBrowser(dialog, IDC_BROWSE_TEXTURE);
        ASSERT_NE(browser, nullptr);
        EXPECT_NE(viewer.DialogHolding("Select folder with piece texture files (*.txr)"), nullptr);
        const HWND tree = Tree(browser);
        auto item = reinterpret_cast<LPARAM>(reinterpret_cast<HTREEITEM>(SendMessageA(
            tree, TVM_GETNEXTITEM, TVGN_CHILD, SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0))));
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
        const std::string now = WindowText(GetDlgItem(dialog, IDC_TEXTURE_FOLDER));
        if (now == before) {
            ++leftAlone;
        } else {
            ++taken;
            const DWORD attributes = GetFileAttributesA(now.c_str());
            EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES &&
                        (attributes & FILE_ATTRIBUTE_DIRECTORY))
                << now;
        }
        before = now;
    }
    EXPECT_GT(taken, 0);
    EXPECT_GT(leftAlone, 0);

    // Cancel the dialog: the browsed folders stay in effect.
    PressDialogButton(dialog, IDCANCEL);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));
    dialog = OpenFolderDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_PROFILE_FOLDER)), desktop);
    EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_MODEL_FOLDER)), "");
    EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_TEXTURE_FOLDER)), before);
    PressDialogButton(dialog, IDCANCEL);
}

} // namespace
