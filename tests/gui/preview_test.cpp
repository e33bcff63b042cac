// The 3D preview of the real viewer: pieces chosen in the piece list turn in
// the preview pane, checked by what the screen shows there.
#include "gui/viewer_driver.h"

#include "resources/resource_ids.h"
#include "support/msm_builder.h"
#include "support/scratch.h"
#include "support/txr_builder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace {

constexpr std::uint32_t kClear = 0x7777FF;

Bytes SolidTxr(std::uint32_t colour) {
    TestTexture t;
    t.width = 64;
    t.height = 64;
    t.bitsPerPixel = 24;
    t.levelCount = 1;
    t.pixel = [colour](int, int, int channel) {
        return static_cast<std::uint8_t>(colour >> (8 * channel)); // blue, green, red
    };
    return BuildTxr(t);
}

// A profile: the model file name at offset 0, the piece name at offset 100.
Bytes Profile(const std::string& modelFile, const std::string& pieceName) {
    Bytes bytes(228, 0);
    std::memcpy(bytes.data(), modelFile.data(), std::min<std::size_t>(modelFile.size(), 32));
    std::memcpy(bytes.data() + 100, pieceName.data(), std::min<std::size_t>(pieceName.size(), 128));
    return bytes;
}

bool ColoursClose(std::uint32_t a, std::uint32_t b, int tolerance = 10) {
    for (int shift = 0; shift < 24; shift += 8) {
        const int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
        if (d > tolerance || d < -tolerance) {
            return false;
        }
    }
    return true;
}

// The screen's pixels in a rectangle, row by row from the top, 0xRRGGBB.
std::vector<std::uint32_t> ScreenPixels(const RECT& r) {
    const int w = r.right - r.left;
    const int h = r.bottom - r.top;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    const HDC screen = GetDC(nullptr);
    const HDC memory = CreateCompatibleDC(screen);
    const HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    std::vector<std::uint32_t> pixels;
    if (bitmap != nullptr) {
        const HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
        GdiFlush();
        SelectObject(memory, old);
        const auto* p = static_cast<const std::uint32_t*>(bits);
        pixels.assign(p, p + static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
        for (std::uint32_t& pixel : pixels) {
            pixel &= 0xFFFFFF;
        }
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

// Writes pixels as a 24-bit bottom-up bitmap file.
void WriteBitmapFile(const std::string& path, const std::vector<std::uint32_t>& pixels, int w,
                     int h) {
    const int stride = (w * 3 + 3) / 4 * 4;
    Bytes bytes(54 + static_cast<std::size_t>(stride * h), 0);
    auto put32 = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            bytes[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
        }
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(2, static_cast<std::uint32_t>(bytes.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<std::uint32_t>(w));
    put32(22, static_cast<std::uint32_t>(h));
    bytes[26] = 1;
    bytes[28] = 24;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const std::uint32_t p = pixels[static_cast<std::size_t>(y * w + x)];
            std::uint8_t* out = &bytes[54 + static_cast<std::size_t>((h - 1 - y) * stride + x * 3)];
            out[0] = static_cast<std::uint8_t>(p);
            out[1] = static_cast<std::uint8_t>(p >> 8);
            out[2] = static_cast<std::uint8_t>(p >> 16);
        }
    }
    WriteBytes(path, bytes);
}

// A folder of the build, as the viewer under Wine sees it (drive Z:).
std::string WinePath(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    return "Z:" + path;
}

// The viewer with its temporary files in a folder of the test's own, and the
// three piece folders beside it.
class PreviewTest : public ViewerTest {
  protected:
    void SetUp() override {
        for (const char* sub : {"profiles", "models", "textures", "tmp"}) {
            std::filesystem::create_directory(folder.Path() / sub);
        }
        // The viewer inherits the environment, and with it the temporary
        // folder that GetTempPathA reports.
        const char* names[2] = {"TMP", "TEMP"};
        char saved[2][MAX_PATH] = {};
        for (int i = 0; i < 2; ++i) {
            if (GetEnvironmentVariableA(names[i], saved[i], MAX_PATH) >= MAX_PATH) {
                saved[i][0] = '\0';
            }
            SetEnvironmentVariableA(names[i], Sub("tmp").c_str());
        }
        ViewerTest::SetUp();
        for (int i = 0; i < 2; ++i) {
            SetEnvironmentVariableA(names[i], saved[i][0] != '\0' ? saved[i] : nullptr);
        }
    }

    std::string Sub(const std::string& sub) const { return folder.File(sub); }

    void WritePiece(const std::string& profile, const std::string& model, const std::string& name) {
        WriteBytes(Sub("profiles") + "\\" + profile, Profile(model, name));
    }

    std::vector<std::string> TempEntries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder.Path() / "tmp")) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

    // The preview frame's client area on the screen.
    RECT Pane() const {
        const HWND frame = GetWindow(main, GW_CHILD); // the preview frame, made first
        RECT client{};
        GetClientRect(frame, &client);
        MapWindowPoints(frame, nullptr, reinterpret_cast<POINT*>(&client), 2);
        return client;
    }

    std::uint32_t CentreColour() const {
        const RECT r = Pane();
        const HDC screen = GetDC(nullptr);
        const COLORREF c = GetPixel(screen, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
        ReleaseDC(nullptr, screen);
        return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
    }

    // Waits until the pane's centre shows `colour`; gives the colour seen last.
    std::uint32_t WaitForCentre(std::uint32_t colour) {
        std::uint32_t seen = 0;
        WaitFor(
            [&] {
                seen = CentreColour();
                return ColoursClose(seen, colour);
            },
            8000);
        return seen;
    }

    // The next piece of the list, as the Down key chooses it.
    void NextPiece() {
        PostMessageA(PieceList(), WM_KEYDOWN, VK_DOWN, 0x00500001);
        PostMessageA(PieceList(), WM_KEYUP, VK_DOWN, 0xC0500001);
        Settle();
    }

    ScratchFolder folder;
};

TEST_F(PreviewTest, ChosenPiecesTurnInThePaneAndSurviveMinimising) {
    WriteBytes(Sub("textures") + "\\green.txr", SolidTxr(0x30C050));
    WriteBytes(Sub("textures") + "\\red.txr", SolidTxr(0xD03020));
    // Boxes cover the pane's centre at every angle of their turn.
    WriteBytes(Sub("models") + "\\green.msm", BuildMsm(BoxModel({"green.bmp"}, 0)).bytes);
    WriteBytes(Sub("models") + "\\red.msm", BuildMsm(BoxModel({"red.bmp"}, 0)).bytes);
    // A piece whose textures do not convert, and one whose model is missing.
    WriteBytes(Sub("textures") + "\\broken.txr", Bytes(30, 0xFF));
    WriteBytes(Sub("models") + "\\broken.msm",
               BuildMsm(BoxModel({"broken.bmp", "absent.bmp"}, 0)).bytes);
    WritePiece("a.prt", "green.msm", "Green box");
    WritePiece("b.prt", "red.msm", "Red box");
    WritePiece("c.prt", "broken.msm", "Broken textures");
    WritePiece("d.prt", "nothing.msm", "No model");

    ASSERT_TRUE(BringToFront(main));
    EXPECT_EQ(WaitForCentre(kClear), kClear); // no piece yet: the clear colour

    Scan(Sub("profiles"), Sub("models"), Sub("textures"));
    ASSERT_EQ(PieceNames().size(), 4u);
    ASSERT_TRUE(BringToFront(main));
    // The scan puts the caret on the first piece and loads it.
    std::uint32_t seen = WaitForCentre(0x30C050);
    EXPECT_TRUE(ColoursClose(seen, 0x30C050)) << std::hex << seen;

    NextPiece();
    seen = WaitForCentre(0xD03020);
    EXPECT_TRUE(ColoursClose(seen, 0xD03020)) << std::hex << seen;

    // Minimise, then restore: the display is rebuilt and the piece comes
    // back with its texture, loaded again for the new device.
    PostMessageA(main, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(WaitFor([&] { return IsIconic(main) != 0; }));
    PostMessageA(main, WM_SYSCOMMAND, SC_RESTORE, 0);
    EXPECT_TRUE(WaitFor([&] { return IsIconic(main) == 0; }));
    ASSERT_TRUE(BringToFront(main));
    seen = WaitForCentre(0xD03020);
    EXPECT_TRUE(ColoursClose(seen, 0xD03020)) << std::hex << seen;

    // Textures that do not convert: the box is drawn untextured, lit white.
    NextPiece();
    seen = WaitForCentre(0xFFFFFF);
    EXPECT_TRUE(ColoursClose(seen, 0xFFFFFF)) << std::hex << seen;
    // A missing model: the empty frame.
    NextPiece();
    seen = WaitForCentre(kClear);
    EXPECT_EQ(seen, kClear) << std::hex << seen;

    // Every load, good or failed, took its temporary bitmaps away again.
    EXPECT_EQ(TempEntries(), std::vector<std::string>{});
}

// The sample pieces as the README has a new user open them; a screenshot of
// the main window is kept for a person to look at. The release package's test
// points PV_SAMPLES_DIR at the samples unpacked from it.
TEST_F(PreviewTest, SamplePieceTurnsInTheMainWindow) {
    const char* unpacked = std::getenv("PV_SAMPLES_DIR");
    const std::string samples =
        WinePath(unpacked != nullptr ? unpacked : std::string(PV_SOURCE_DIR) + "/samples");
    Scan(samples + "\\profiles", samples + "\\models", samples + "\\textures");
    ASSERT_FALSE(PieceNames().empty());
    ASSERT_TRUE(BringToFront(main));
    const RECT pane = Pane();
    // Something besides the background is drawn, and it moves.
    std::vector<std::uint32_t> first, later;
    std::size_t piecePixels = 0, changed = 0;
    WaitFor(
        [&] {
            first = ScreenPixels(pane);
            piecePixels = static_cast<std::size_t>(std::count_if(
                first.begin(), first.end(), [](std::uint32_t p) { return p != kClear; }));
            return piecePixels > first.size() / 50;
        },
        8000);
    EXPECT_GT(piecePixels, first.size() / 50);
    WaitFor(
        [&] {
            later = ScreenPixels(pane);
            changed = 0;
            for (std::size_t i = 0; i < first.size() && i < later.size(); ++i) {
                changed += first[i] != later[i];
            }
            return changed > 0;
        },
        8000);
    EXPECT_GT(changed, 0u);

    RECT window{};
    GetWindowRect(main, &window);
    const std::string artifacts = PV_ARTIFACT_DIR;
    std::filesystem::create_directories(artifacts);
    WriteBitmapFile(WinePath(artifacts + "/preview_main_window.bmp"), ScreenPixels(window),
                    window.right - window.left, window.bottom - window.top);
}

} // namespace
