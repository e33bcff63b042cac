// Texture/Information and Texture/Export in the real viewer, on the piece at
// the list's caret.
#include "gui/viewer_driver.h"

#include "resources/resource_ids.h"
#include "builders/msm_builder.h"
#include "builders/piece_files.h"
#include "support/scratch.h"
#include "support/run_program.h"
#include "builders/txr_builder.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

// Textures told apart by `seed`.
TestTexture Texture(int w, int h, int bpp, int seed) {
    return {w,
            h,
            bpp,
            1,
            [seed](int x, int y, int c) {
                return static_cast<std::uint8_t>(PatternPixel(x, y, c) + seed);
            },
            {}};
}

// Every file below `root`, relative to it with "/" separators, sorted.
std::vector<std::string> Tree(const fs::path& root) {
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        if (entry.is_regular_file()) {
            files.push_back(fs::relative(entry.path(), root).generic_string());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

class TextureCommandsTest : public ViewerTest {
  protected:
    void SetUp() override {
        ViewerTest::SetUp();
        for (const char* part : {"profiles", "models", "textures", "out"}) {
            fs::create_directories(folder.Path() / part);
        }
    }
    std::string Sub(const std::string& part) const { return folder.File(part); }
    void AddPiece(const std::string& name, const std::string& model,
                  const std::vector<std::string>& textures) {
        WriteBytes(Sub("profiles\\" + name + ".prt"), ProfileBytes(model, name));
        TestModel square = SquareModel(textures, 0);
        square.textureCount = static_cast<std::int16_t>(textures.size());
        WriteBytes(Sub("models\\" + model), BuildMsm(square).bytes);
    }
    void Select(int caret) { SendMessageA(PieceList(), LB_SETCURSEL, caret, 0); }

    // Texture/Export into `destination`, chosen in the shell's browser as a
    // user clicking through its tree would (the path is handed to it in the
    // viewer's memory, where it reads it); gives the text of the message box
    // that follows, closed with OK, or "" when none comes.
    std::string Export(const std::string& destination) {
        PostMessageA(main, WM_COMMAND, ID_TEXTURE_EXPORT, 0);
        HWND browser = nullptr;
        WaitFor([&] { return (browser = viewer.DialogHolding("Please choose save location")); });
        const HWND tree = FindWindowExA(browser, nullptr, "SysTreeView32", nullptr);
        void* remote = VirtualAllocEx(viewer.Handle(), nullptr, destination.size() + 1,
                                      MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
        WriteProcessMemory(viewer.Handle(), remote, destination.c_str(), destination.size() + 1,
                           nullptr);
        // The browser takes a selection once its tree is filled in.
        EXPECT_TRUE(WaitFor([&] { return SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0); }));
        Settle();
        EXPECT_TRUE(WaitFor([&] {
            SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(remote));
            return SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0) != 0;
        })) << destination;
        PressDialogButton(browser, IDOK, true);
        VirtualFreeEx(viewer.Handle(), remote, 0, MEM_RELEASE);
        Settle();
        for (const char* text : {"Output", "failed to open texture file"}) {
            if (const HWND box = viewer.DialogHolding(text)) {
                EXPECT_TRUE(text[0] != 'O' || WindowText(box) == "Export Texture") << "caption";
                PressDialogButton(box, IDOK);
                WaitFor([&] { return !IsWindow(box); });
                return text;
            }
        }
        return "";
    }

    ScratchFolder folder;
};

TEST_F(TextureCommandsTest, NamesDialogListsTheTextureFilesOfThePieceOnShow) {
    PostMessageA(main, WM_COMMAND, ID_TEXTURE_INFORMATION, 0);
    Settle();
    EXPECT_TRUE(viewer.Dialogs().empty()) << "nothing selected: no dialog";
    AddPiece("a", "a.msm", {"wall.bmp", "floor"});
    WriteBytes(Sub("profiles\\b.prt"), ProfileBytes("gone.msm", "b"));
    Scan(Sub("profiles"), Sub("models"), Sub("textures"));
    const std::pair<std::vector<std::string>, std::string> expected[] = {
        {{"wall.txr", "floor.txr"}, Sub("textures")}, {{}, ""}}; // b: its model is missing
    for (int caret = 0; caret < 2; ++caret) {
        if (caret > 0) { // the piece on show changes as the Down key moves the caret
            PostMessageA(PieceList(), WM_KEYDOWN, VK_DOWN, 0x00500001);
            Settle();
        }
        PostMessageA(main, WM_COMMAND, ID_TEXTURE_INFORMATION, 0);
        HWND dialog = nullptr;
        ASSERT_TRUE(WaitFor([&] { return (dialog = viewer.Dialog("Texture's File Name")); }));
        EXPECT_EQ(ListItems(GetDlgItem(dialog, IDC_TEXTURE_LIST)), expected[caret].first)
            << "texture files of piece " << caret;
        EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_TEXTURE_PATH)), expected[caret].second)
            << "texture folder of piece " << caret;
        PressDialogButton(dialog, IDOK, true);
    }
}

TEST_F(TextureCommandsTest, ExportWritesEachTextureAsTheConverterDoesAndSaysSo) {
    const TestTexture wall = Texture(8, 4, 24, 1), floor = Texture(4, 4, 8, 2);
    WriteBytes(Sub("textures\\wall.txr"), BuildTxr(wall));
    WriteBytes(Sub("textures\\floor.txr"), BuildTxr(floor));
    AddPiece("a", "a.msm", {"wall.bmp", "missing.bmp", "floor"});
    AddPiece("b", "b.msm", {"gone1", "gone2"});
    WriteBytes(Sub("profiles\\c.prt"), ProfileBytes("absent.msm", "c"));
    AddPiece("d", "d.msm", {});
    AddPiece("e", "e.msm", {"pvroot-export.bmp"});
    WriteBytes(Sub("textures\\pvroot-export.txr"), BuildTxr(wall));
    Scan(Sub("profiles"), Sub("models"), Sub("textures"));
    const std::vector<std::string> written = {"floor.bmp", "wall.bmp"};
    const struct {
        int caret;
        std::string message;
    } cases[] = {
        {0, "Output"},                      // the textures that convert are written
        {1, "Output"},                      // none converts: the closing message all the same
        {2, "failed to open texture file"}, // no model
        {3, ""},                            // no names
    };
    for (const auto& c : cases) {
        Select(c.caret);
        EXPECT_EQ(Export(Sub("out")), c.message) << "piece " << c.caret;
        EXPECT_EQ(Tree(folder.Path() / "out"), written) << "after piece " << c.caret;
    }
    EXPECT_EQ(ReadBytes(Sub("out\\wall.bmp")), ExpectedBmp(wall)) << "24-bit texture";
    const std::vector<std::string> args = {"/b", Sub("textures\\floor.txr"), Sub("floor.bmp")};
    ASSERT_EQ(RunProgram(ProgramUnderTest(), args).exitCode, 0);
    EXPECT_EQ(ReadBytes(Sub("out\\floor.bmp")), ReadBytes(Sub("floor.bmp")))
        << "the bytes that pieceviewer /b writes";

    Select(4);
    DeleteFileA("C:\\pvroot-export.bmp");
    EXPECT_EQ(Export("C:\\"), "Output") << "into a drive's root";
    EXPECT_EQ(ReadBytes("C:\\pvroot-export.bmp"), ExpectedBmp(wall)) << "beside the backslash";
    DeleteFileA("C:\\pvroot-export.bmp");
}

} // namespace
