// The 3D preview of the real viewer: pieces chosen in the piece list turn in
// the preview pane, wherever the window is, checked by what the screen shows.
#include "gui/viewer_driver.h"

#include "builders/msm_builder.h"
#include "builders/piece_files.h"
#include "support/run_program.h"
#include "support/scratch.h"
#include "support/screen_capture_win.h"
#include "support/temp_folder_win.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

constexpr std::uint32_t kClear = 0x7777FF;

// The viewer with its temporary files in a folder of the test's own (it
// inherits the environment), and the three piece folders beside it.
class PreviewTest : public ViewerTest {
  protected:
    void SetUp() override {
        for (const char* sub : {"profiles", "models", "textures", "tmp"}) {
            std::filesystem::create_directory(folder.Path() / sub);
        }
        TempFolderOverride temp(folder.File("tmp"));
        ViewerTest::SetUp();
    }
    void WritePiece(const std::string& name, const std::string& model, const Bytes& texture,
                    std::vector<std::string> textureNames) {
        WriteBytes(folder.File("profiles\\" + name + ".prt"), ProfileBytes(model, name));
        WriteBytes(folder.File("textures\\" + name + ".txr"), texture);
        // Boxes cover the pane's centre at every angle of their turn.
        WriteBytes(folder.File("models\\" + name + ".msm"),
                   BuildMsm(BoxModel(textureNames, 0)).bytes);
    }
    // The next or the previous piece of the list, as the arrow keys choose.
    void PressInList(WORD key) {
        PostMessageA(PieceList(), WM_KEYDOWN, key, 0x00500001);
        PostMessageA(PieceList(), WM_KEYUP, key, 0xC0500001);
        Settle();
    }
    // Waits until the pane's centre shows `colour` (within a small tolerance).
    void ExpectCentre(std::uint32_t colour, const char* what) {
        std::uint32_t seen = 0;
        const auto shows = [&] {
            const RECT r = PaneOnScreen();
            return ColoursClose(seen = ScreenColour((r.left + r.right) / 2, (r.top + r.bottom) / 2),
                                colour);
        };
        EXPECT_TRUE(WaitFor(shows, 8000)) << what << ": seen " << std::hex << seen;
    }

    ScratchFolder folder;
};

TEST_F(PreviewTest, ChosenPiecesTurnInThePaneThroughMinimisingAndMoving) {
    WritePiece("a", "a.msm", SolidTxr(0x30C050), {"a.bmp"});
    WritePiece("b", "b.msm", SolidTxr(0xD03020), {"b.bmp"});

    ASSERT_TRUE(BringToFront(main));
    ExpectCentre(kClear, "no piece yet: the clear colour");
    Scan(folder.File("profiles"), folder.File("models"), folder.File("textures"));
    ASSERT_EQ(PieceNames().size(), 2u);
    ASSERT_TRUE(BringToFront(main));
    ExpectCentre(0x30C050, "the scan shows the first piece");
    PressInList(VK_DOWN);
    ExpectCentre(0xD03020, "the Down key shows the next piece");

    // Restored, the display is rebuilt with the piece's texture loaded again.
    PostMessageA(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(WaitFor([&] { return IsIconic(main) != 0; })) << "minimised";
    PostMessageA(main, WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_TRUE(WaitFor([&] { return IsIconic(main) == 0; })) << "restored";
    ASSERT_TRUE(BringToFront(main));
    ExpectCentre(0xD03020, "the piece after restoring");

    // Moved further than half the pane, the frames follow the window: the
    // piece chosen next is drawn in the pane at its new place.
    RECT window{};
    GetWindowRect(main, &window);
    SetWindowPos(main, nullptr, window.left + 200, window.top + 120, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER);
    ASSERT_TRUE(WaitFor([&] {
        RECT now{};
        GetWindowRect(main, &now);
        return now.left == window.left + 200;
    }));
    Settle();
    PressInList(VK_UP);
    ExpectCentre(0x30C050, "the Up key's piece, in the moved pane");
    EXPECT_TRUE(std::filesystem::is_empty(folder.Path() / "tmp"))
        << "every load took its temporary bitmaps away";
}

// A piece made by piecetool import (here from the glTF export of a red box)
// is listed under its name and turns in the pane like any other.
TEST_F(PreviewTest, AnImportedPieceIsListedAndDrawn) {
    const ScratchFolder source;
    for (const char* sub : {"profiles", "models", "textures"}) {
        std::filesystem::create_directory(source.Path() / sub);
    }
    WriteBytes(source.File("profiles\\box.prt"), ProfileBytes("box.msm", "Box"));
    WriteBytes(source.File("textures\\red.txr"), SolidTxr(0xE02010, 4));
    WriteBytes(source.File("models\\box.msm"), BuildMsm(BoxModel({"red.bmp"}, 0)).bytes);
    ASSERT_EQ(
        RunProgram(PiecetoolUnderTest(), {"export", source.File("profiles"), source.File("models"),
                                          source.File("textures"), source.File("out")})
            .exitCode,
        0);
    const ProgramResult imported = RunProgram(
        PiecetoolUnderTest(),
        {"import", source.File("out\\box.glb"), folder.File("profiles"), folder.File("models"),
         folder.File("textures"), "--file", "imported", "--name", "Imported Box"});
    ASSERT_EQ(imported.exitCode, 0) << imported.standardError;

    ASSERT_TRUE(BringToFront(main));
    Scan(folder.File("profiles"), folder.File("models"), folder.File("textures"));
    EXPECT_EQ(PieceNames(), std::vector<std::string>{"Imported Box"});
    ASSERT_TRUE(BringToFront(main));
    ExpectCentre(0xE02010, "the imported box, textured");
}

} // namespace
