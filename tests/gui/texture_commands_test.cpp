// Texture/Information and Texture/Export in the real viewer.
#include "gui/viewer_driver.h"

#include "resources/resource_ids.h"
#include "support/msm_builder.h"
#include "support/run_program.h"
#include "support/scratch.h"
#include "support/txr_builder.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

constexpr char kNamesTitle[] = "Texture's File Name";
constexpr char kExportPrompt[] = "Please choose save location";

Bytes Profile(const std::string& model, const std::string& piece) {
    Bytes bytes(256, 0);
    std::memcpy(bytes.data(), model.data(), std::min<std::size_t>(model.size(), 32));
    std::memcpy(bytes.data() + 100, piece.data(), std::min<std::size_t>(piece.size(), 128));
    return bytes;
}

// A model of one square whose texture list is `names`.
Bytes Model(const std::vector<std::string>& names) {
    TestModel model = SquareModel(names, 0);
    model.textureCount = static_cast<std::int16_t>(names.size());
    return BuildMsm(model).bytes;
}

TestTexture Texture(int w, int h, int bpp, int seed) {
    TestTexture t;
    t.width = w;
    t.height = h;
    t.bitsPerPixel = bpp;
    t.levelCount = 1;
    t.pixel = [seed](int x, int y, int c) { return static_cast<std::uint8_t>(PatternPixel(x, y, c) + seed); };
    return t;
}

// Every file below `root`, as paths relative to it with "/" separators.
std::vector<std::string> Tree(const fs::path& root) {
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_regular_file()) {
            std::string relative = fs::relative(entry.path(), root).generic_string();
            files.push_back(relative);
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

class TextureCommandsTest : public ViewerTest {
  protected:
    // profiles/, models/, textures/ and out/ in a scratch folder.
    void SetUp() override {
        ViewerTest::SetUp();
        for (const char* part : {"profiles", "models", "textures", "out"}) {
            fs::create_directories(folder.Path() / part);
        }
    }
    std::string Sub(const std::string& part) const { return (folder.Path() / part).string(); }
    void AddPiece(const std::string& profile, const std::string& model, const std::string& name,
                  const std::vector<std::string>& textures) {
        WriteBytes(Sub("profiles\\" + profile), Profile(model, name));
        WriteBytes(Sub("models\\" + model), Model(textures));
    }
    void ScanAll() { Scan(Sub("profiles"), Sub("models"), Sub("textures")); }

    // The shell's folder browser that the export opened, or null.
    HWND WaitForBrowser() {
        HWND browser = nullptr;
        WaitFor([&] { return (browser = viewer.DialogHolding(kExportPrompt)) != nullptr; });
        return browser;
    }
    // Chooses `path` in the browser, as a user clicking through the tree
    // would, and confirms it with OK. The path is handed to the browser in
    // the viewer's own memory, where the browser reads it.
    void ChooseInBrowser(HWND browser, const std::string& path) {
        void* remote = VirtualAllocEx(viewer.Handle(), nullptr, path.size() + 1,
                                      MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        ASSERT_NE(remote, nullptr);
        ASSERT_TRUE(WriteProcessMemory(viewer.Handle(), remote, path.c_str(), path.size() + 1, nullptr));
        // The browser takes a selection once its tree is filled in; it opens
        // with nothing selected, and the path's item becomes the selection.
        const HWND tree = FindWindowExA(browser, nullptr, "SysTreeView32", nullptr);
        ASSERT_NE(tree, nullptr);
        ASSERT_TRUE(WaitFor([&] { return SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0) != 0; }));
        Settle();
        ASSERT_TRUE(WaitFor([&] {
            SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(remote));
            return SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0) != 0;
        })) << path;
        PressDialogButton(browser, IDOK);
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(browser); }));
        VirtualFreeEx(viewer.Handle(), remote, 0, MEM_RELEASE);
    }
    // Texture/Export into `destination` through the real browser; gives the
    // message box that follows (null if none came) after closing it.
    std::string Export(const std::string& destination) {
        PostMessageA(main, WM_COMMAND, MAKEWPARAM(ID_TEXTURE_EXPORT, 0), 0);
        const HWND browser = WaitForBrowser();
        EXPECT_NE(browser, nullptr);
        if (browser == nullptr) {
            return "";
        }
        ChooseInBrowser(browser, destination);
        return TakeMessageBox();
    }
    // The text of the message box the viewer shows next, closed with OK;
    // "" when none comes once the viewer has settled.
    std::string TakeMessageBox() {
        Settle();
        for (HWND dialog : viewer.Dialogs()) {
            for (const char* text : {"Output", "failed to open texture file"}) {
                if (viewer.DialogHolding(text) == dialog) {
                    caption = WindowText(dialog);
                    PressDialogButton(dialog, IDOK);
                    WaitFor([&] { return !IsWindow(dialog); });
                    return text;
                }
            }
        }
        return "";
    }
    HWND OpenNamesDialog(UINT command = ID_TEXTURE_INFORMATION) {
        PostMessageA(main, WM_COMMAND, MAKEWPARAM(command, 0), 0);
        return viewer.WaitForDialog(kNamesTitle);
    }

    ScratchFolder folder;
    std::string caption;
};

TEST_F(TextureCommandsTest, NamesDialogListsTheTextureFilesAndOnlyOkOrEnterClosesIt) {
    AddPiece("a.prt", "a.msm", "Wall piece", {"wall.bmp", "floor"});
    ScanAll();
    ASSERT_EQ(PieceNames(), std::vector<std::string>{"Wall piece"});

    HWND dialog = OpenNamesDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), main);
    EXPECT_EQ(ListItems(GetDlgItem(dialog, IDC_TEXTURE_LIST)),
              (std::vector<std::string>{"wall.txr", "floor.txr"}));
    EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_TEXTURE_PATH)), Sub("textures"));

    // Escape and the close box leave it open.
    ASSERT_TRUE(BringToFront(dialog));
    PressKeys({VK_ESCAPE});
    PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    Settle();
    EXPECT_TRUE(IsWindowVisible(dialog));
    // Enter closes it.
    ASSERT_TRUE(BringToFront(dialog));
    PressKeys({VK_RETURN});
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));

    // The button and Ctrl+I open it too; OK closes it.
    Settle();
    ClickCentre(GetDlgItem(main, IDC_TEXTURE_INFO));
    dialog = viewer.WaitForDialog(kNamesTitle);
    ASSERT_NE(dialog, nullptr);
    ClickCentre(GetDlgItem(dialog, IDOK));
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));
    Settle();
    ASSERT_TRUE(BringToFront(main));
    PressKeys({VK_CONTROL, 'I'});
    dialog = viewer.WaitForDialog(kNamesTitle);
    ASSERT_NE(dialog, nullptr);
    PressDialogButton(dialog, IDOK);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));
}

TEST_F(TextureCommandsTest, NamesDialogNeedsASelectionAndIsEmptyWithoutAModel) {
    // Nothing listed, nothing selected: no dialog.
    PostMessageA(main, WM_COMMAND, MAKEWPARAM(ID_TEXTURE_INFORMATION, 0), 0);
    Settle();
    EXPECT_TRUE(viewer.Dialogs().empty());

    // A piece whose model file is missing: the dialog is empty.
    WriteBytes(Sub("profiles\\gone.prt"), Profile("gone.msm", "Gone"));
    ScanAll();
    ASSERT_EQ(PieceNames(), std::vector<std::string>{"Gone"});
    const HWND dialog = OpenNamesDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(ListItems(GetDlgItem(dialog, IDC_TEXTURE_LIST)).empty());
    EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_TEXTURE_PATH)), "");
    PressDialogButton(dialog, IDOK);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(dialog); }));
}

TEST_F(TextureCommandsTest, ExportWritesEveryTextureAsTheBitmapTheConverterMakes) {
    AddPiece("a.prt", "a.msm", "Wall piece", {"wall.bmp", "floor"});
    const TestTexture wall = Texture(8, 4, 24, 1);
    const TestTexture floor = Texture(4, 4, 8, 2);
    WriteBytes(Sub("textures\\wall.txr"), BuildTxr(wall));
    WriteBytes(Sub("textures\\floor.txr"), BuildTxr(floor));
    ScanAll();

    EXPECT_EQ(Export(Sub("out")), "Output");
    EXPECT_EQ(caption, "Export Texture");
    EXPECT_EQ(Tree(folder.Path() / "out"), (std::vector<std::string>{"floor.bmp", "wall.bmp"}));
    EXPECT_EQ(ReadBytes(Sub("out\\wall.bmp")), ExpectedBmp(wall));
    // The same bytes as the command-line converter writes.
    ASSERT_EQ(RunProgram(ProgramUnderTest(), {"/b", Sub("textures\\floor.txr"), Sub("floor-b.bmp")}).exitCode, 0);
    EXPECT_EQ(ReadBytes(Sub("out\\floor.bmp")), ReadBytes(Sub("floor-b.bmp")));

    // Ctrl+E and the button do the same; a cancelled browser does nothing.
    ASSERT_TRUE(BringToFront(main));
    PressKeys({VK_CONTROL, 'E'});
    HWND browser = WaitForBrowser();
    ASSERT_NE(browser, nullptr);
    PressDialogButton(browser, IDCANCEL);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(browser); }));
    EXPECT_EQ(TakeMessageBox(), "");
    Settle();
    ClickCentre(GetDlgItem(main, IDC_EXPORT_TEXTURE));
    browser = WaitForBrowser();
    ASSERT_NE(browser, nullptr);
    PressDialogButton(browser, IDCANCEL);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(browser); }));
    EXPECT_EQ(TakeMessageBox(), "");
    EXPECT_EQ(Tree(folder.Path() / "out"), (std::vector<std::string>{"floor.bmp", "wall.bmp"}));
}

TEST_F(TextureCommandsTest, ExportIntoADriveRoot) {
    AddPiece("a.prt", "a.msm", "Root piece", {"pvroot-export.bmp"});
    const TestTexture t = Texture(4, 2, 24, 3);
    WriteBytes(Sub("textures\\pvroot-export.txr"), BuildTxr(t));
    ScanAll();
    const std::string written = "C:\\pvroot-export.bmp";
    DeleteFileA(written.c_str());
    EXPECT_EQ(Export("C:\\"), "Output");
    EXPECT_EQ(ReadBytes(written), ExpectedBmp(t));
    DeleteFileA(written.c_str());
}

TEST_F(TextureCommandsTest, MissingTexturesStillEndWithOutputAndTheOthersAreWritten) {
    AddPiece("a.prt", "a.msm", "Half", {"missing.bmp", "there.bmp"});
    const TestTexture t = Texture(2, 2, 8, 4);
    WriteBytes(Sub("textures\\there.txr"), BuildTxr(t));
    AddPiece("b.prt", "b.msm", "None there", {"gone1", "gone2"});
    ScanAll();
    EXPECT_EQ(Export(Sub("out")), "Output");
    EXPECT_EQ(Tree(folder.Path() / "out"), std::vector<std::string>{"there.bmp"});
    EXPECT_EQ(ReadBytes(Sub("out\\there.bmp")), ExpectedBmp(t));

    // Every conversion failing still ends with the closing message.
    SendMessageA(PieceList(), LB_SETCURSEL, 1, 0);
    EXPECT_EQ(Export(Sub("out")), "Output");
    EXPECT_EQ(Tree(folder.Path() / "out"), std::vector<std::string>{"there.bmp"});
}

TEST_F(TextureCommandsTest, AMissingModelOrAModelWithoutNames) {
    WriteBytes(Sub("profiles\\a.prt"), Profile("gone.msm", "No model"));
    AddPiece("b.prt", "b.msm", "No names", {});
    ScanAll();
    ASSERT_EQ(PieceNames(), (std::vector<std::string>{"No model", "No names"}));
    EXPECT_EQ(Export(Sub("out")), "failed to open texture file");
    SendMessageA(PieceList(), LB_SETCURSEL, 1, 0);
    EXPECT_EQ(Export(Sub("out")), "");
    EXPECT_TRUE(Tree(folder.Path() / "out").empty());
}

TEST_F(TextureCommandsTest, NamesThatArePathsWriteNothingOutsideTheChosenFolder) {
    // Deep folders, so that ".." names would still land inside the scratch
    // folder, where the test can see them.
    const std::string textures = "t1\\t2\\textures";
    const std::string out = "o1\\o2\\out";
    fs::create_directories(folder.Path() / "t1/t2/textures");
    fs::create_directories(folder.Path() / "o1/o2/out/sub");
    const std::vector<std::string> names = {
        "..\\..\\evil1.bmp", "..\\evil2", "sub/evil3.bmp", "sub\\evil4.bmp", "C:\\pvevil5.bmp",
        "\\pvevil6.bmp", "C:pvevil7.bmp", "\\\\server\\share\\evil8", "..", "ok.bmp"};
    WriteBytes(Sub("profiles\\h.prt"), Profile("h.msm", "Hostile"));
    WriteBytes(Sub("models\\h.msm"), Model(names));
    // Textures a lookup outside the texture folder would find.
    const TestTexture t = Texture(2, 2, 24, 5);
    for (const char* place : {"t1\\evil1.txr", "t1\\t2\\evil2.txr", "t1\\t2\\textures\\sub\\evil4.txr",
                              "t1\\t2\\textures\\ok.txr"}) {
        fs::create_directories((folder.Path() / place).parent_path());
        WriteBytes(Sub(place), BuildTxr(t));
    }
    for (const char* place : {"C:\\pvevil5.txr", "C:\\pvevil6.txr", "C:\\pvevil7.txr"}) {
        WriteBytes(place, BuildTxr(t));
    }
    const std::vector<std::string> before = Tree(folder.Path());
    Scan(Sub("profiles"), Sub("models"), Sub(textures));

    EXPECT_EQ(Export(Sub(out)), "Output");
    std::vector<std::string> expected = before;
    expected.push_back("o1/o2/out/ok.bmp");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Tree(folder.Path()), expected);
    EXPECT_EQ(ReadBytes(Sub(out + "\\ok.bmp")), ExpectedBmp(t));
    for (const char* place : {"C:\\pvevil5.bmp", "C:\\pvevil6.bmp", "C:\\pvevil7.bmp", "C:\\evil1.bmp"}) {
        EXPECT_FALSE(FileExists(place)) << place;
    }
    for (const char* place : {"C:\\pvevil5.txr", "C:\\pvevil6.txr", "C:\\pvevil7.txr"}) {
        DeleteFileA(place);
    }
}

} // namespace
