// The 3D preview on a real DirectDraw display: a window laid out like the
// viewer's, the preview calls made as the viewer makes them, and the rendered
// frame read back from the back buffer.
#include "preview_harness.h"

#include "common/path_text.h"
#include "preview/display_win.h"
#include "preview/frame_win.h"
#include "preview/model_draw_win.h"
#include "preview/piece_loading_win.h"
#include "preview/texture_surface_win.h"
#include "support/msm_builder.h"
#include "support/scratch.h"
#include "support/txr_builder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>

namespace {

constexpr std::uint32_t kClear = 0x7777FF;
constexpr int kPaneWidth = 318;
constexpr int kPaneHeight = 358;

DWORD clockNow = 0;
DWORD TestClock() {
    return clockNow;
}

// A 24-bit texture of one colour (0xRRGGBB).
Bytes SolidTxr(std::uint32_t colour, int side = 64) {
    TestTexture t;
    t.width = side;
    t.height = side;
    t.bitsPerPixel = 24;
    t.levelCount = 1;
    t.pixel = [colour](int, int, int channel) {
        return static_cast<std::uint8_t>(colour >> (8 * channel)); // blue, green, red
    };
    return BuildTxr(t);
}

class Preview : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetPreviewState();
        clockNow = 0;
        SetFrameClock(TestClock);
        // Temporary bitmaps go into a folder of this test alone.
        for (int i = 0; i < 2; ++i) {
            DWORD length = GetEnvironmentVariableA(kTempVariables[i], savedTemp[i], kPathCapacity);
            if (length == 0 || length >= kPathCapacity) {
                savedTemp[i][0] = '\0';
            }
        }
        std::filesystem::create_directory(temp.Path() / "tmp");
        tempFolder = temp.File("tmp");
        SetEnvironmentVariableA("TMP", tempFolder.c_str());
        SetEnvironmentVariableA("TEMP", tempFolder.c_str());
        std::filesystem::create_directory(data.Path() / "models");
        std::filesystem::create_directory(data.Path() / "textures");
        ASSERT_TRUE(CopyPathText(appState.modelFolder, kPathCapacity, data.File("models").c_str()));
        ASSERT_TRUE(
            CopyPathText(appState.textureFolder, kPathCapacity, data.File("textures").c_str()));
        // One window for the whole run: under Wine without a window manager,
        // hiding or destroying a window waits for a state change that never
        // comes. The process's end takes the window away.
        if (host.mainWindow == nullptr) {
            ASSERT_TRUE(CreatePreviewHost(host));
        }
        appState.mainWindow = host.mainWindow;
        appState.previewWindow = host.pane;
        ASSERT_EQ(InitDisplay(host.pane, IID_IDirect3DHALDevice), 0);
    }

    void TearDown() override {
        ResetPreviewState();
        SetFrameClock(nullptr);
        for (int i = 0; i < 2; ++i) {
            SetEnvironmentVariableA(kTempVariables[i], savedTemp[i][0] ? savedTemp[i] : nullptr);
        }
    }

    void WriteModel(const std::string& name, const TestModel& model) {
        WriteBytes(data.File("models") + "\\" + name, BuildMsm(model).bytes);
    }
    void WriteTexture(const std::string& name, const Bytes& bytes) {
        WriteBytes(data.File("textures") + "\\" + name, bytes);
    }
    void Load(const std::vector<std::string>& models, int caret = 0) {
        SetPieces(host, models, caret);
        LoadSelectedPiece(host.mainWindow);
    }
    std::uint32_t CentreAfterFrame() {
        RenderFrame();
        return SurfaceColour(appState.backBuffer, kPaneWidth / 2, kPaneHeight / 2);
    }
    std::vector<std::string> TempEntries() {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(tempFolder)) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

    static constexpr const char* kTempVariables[2] = {"TMP", "TEMP"};
    char savedTemp[2][kPathCapacity] = {};
    ScratchFolder temp;
    ScratchFolder data;
    std::string tempFolder;
    static PreviewHost host;
};

PreviewHost Preview::host;

TEST_F(Preview, DisplayHasThePaneSizeAndEmptyFramesShowTheClearColour) {
    DDSURFACEDESC2 description;
    std::memset(&description, 0, sizeof description);
    description.dwSize = sizeof description;
    ASSERT_EQ(appState.backBuffer->GetSurfaceDesc(&description), DD_OK);
    EXPECT_EQ(description.dwWidth, static_cast<DWORD>(kPaneWidth));
    EXPECT_EQ(description.dwHeight, static_cast<DWORD>(kPaneHeight));
    EXPECT_EQ(appState.presentRect.right - appState.presentRect.left, kPaneWidth);
    ASSERT_NE(appState.zBuffer, nullptr);
    ASSERT_NE(appState.device, nullptr);
    // Asked for with the hardware identifier, the depth buffer lives in video
    // memory, depth only.
    DDSURFACEDESC2 depth;
    std::memset(&depth, 0, sizeof depth);
    depth.dwSize = sizeof depth;
    ASSERT_EQ(appState.zBuffer->GetSurfaceDesc(&depth), DD_OK);
    EXPECT_NE(depth.ddsCaps.dwCaps & DDSCAPS_VIDEOMEMORY, 0u);
    EXPECT_EQ(depth.ddpfPixelFormat.dwFlags, static_cast<DWORD>(DDPF_ZBUFFER));
    EXPECT_EQ(depth.dwWidth, static_cast<DWORD>(kPaneWidth));

    EXPECT_EQ(CentreAfterFrame(), kClear);
    EXPECT_EQ(SurfaceColour(appState.backBuffer, 0, 0), kClear);
    EXPECT_EQ(SurfaceColour(appState.backBuffer, kPaneWidth - 1, kPaneHeight - 1), kClear);
    EXPECT_EQ(PresentFrame(), DD_OK);
}

TEST_F(Preview, TexturedPieceShowsItsTextureAndTurnsWithTheClock) {
    WriteTexture("green.txr", SolidTxr(0x30C050));
    WriteModel("square.msm", SquareModel({"green.bmp"}, 0));
    Load({"square.msm"});
    ASSERT_NE(appState.modelImage, nullptr);
    ASSERT_NE(appState.textureTable[0], nullptr);

    const std::uint32_t atZero = CentreAfterFrame();
    EXPECT_TRUE(ColoursClose(atZero, 0x30C050)) << std::hex << atZero;
    D3DMATRIX world{};
    ASSERT_EQ(appState.device->GetTransform(D3DTRANSFORMSTATE_WORLD, &world), D3D_OK);
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            EXPECT_EQ(reinterpret_cast<const float*>(&world)[4 * r + c], r == c ? 1.0f : 0.0f)
                << r << c;
        }
    }
    D3DMATRIX view{};
    appState.device->GetTransform(D3DTRANSFORMSTATE_VIEW, &view);
    EXPECT_NEAR(view._22, 0.99500418f, 1e-6f);
    EXPECT_NEAR(view._23, -0.09983342f, 1e-6f);
    EXPECT_NEAR(view._32, 0.09983342f, 1e-6f);
    EXPECT_EQ(view._42, -1.5f);
    EXPECT_EQ(view._43, 3.5f);

    // A quarter turn: the square is seen edge-on and the background shows.
    clockNow = 1571;
    EXPECT_EQ(CentreAfterFrame(), kClear);
    appState.device->GetTransform(D3DTRANSFORMSTATE_WORLD, &world);
    EXPECT_NEAR(world._11, 0.0f, 1e-3f);
    EXPECT_NEAR(world._13, 1.0f, 1e-6f);
    EXPECT_NEAR(world._31, -1.0f, 1e-6f);
    EXPECT_NEAR(world._33, 0.0f, 1e-3f);
    EXPECT_EQ(world._22, 1.0f);
    EXPECT_EQ(world._44, 1.0f);

    // A whole turn later it faces the eye again: the angle is absolute.
    clockNow = 1571 + 6283;
    EXPECT_EQ(CentreAfterFrame(), kClear);
    clockNow = 6283;
    EXPECT_TRUE(ColoursClose(CentreAfterFrame(), 0x30C050));
}

// The colour that the screen shows at a point, as 0xRRGGBB.
std::uint32_t ScreenColour(int x, int y) {
    HDC screen = GetDC(nullptr);
    const COLORREF c = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    return (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
}

TEST_F(Preview, BoxShowsTheWallThatFacesTheEyeAsItTurns) {
    // Walls facing -z, +x, +z and -x in four colours. Each is wound clockwise
    // as seen from outside: the one facing the eye is drawn, the inner sides
    // of the others are culled.
    const std::uint32_t colours[5] = {0xC08030, 0x30C080, 0x8030C0, 0xC0C030, 0x303030};
    std::vector<std::string> names;
    for (int i = 0; i < 5; ++i) {
        const std::string stem(1, static_cast<char>('p' + i));
        WriteTexture(stem + ".txr", SolidTxr(colours[i]));
        names.push_back(stem + ".bmp");
    }
    WriteModel("box.msm", BoxModel(names, 0, true));
    Load({"box.msm"});
    // A turn of a quarter brings the wall that faced -x round to the eye.
    const std::pair<DWORD, int> views[] = {{0, 0}, {1571, 3}, {3142, 2}, {4712, 1}, {6283, 0}};
    for (const auto& [ms, wall] : views) {
        clockNow = ms;
        const std::uint32_t centre = CentreAfterFrame();
        EXPECT_TRUE(ColoursClose(centre, colours[wall])) << ms << " " << std::hex << centre;
    }
}

TEST_F(Preview, PresentedFrameReachesThePaneOnScreen) {
    WriteTexture("green.txr", SolidTxr(0x30C050));
    WriteModel("square.msm", SquareModel({"green.bmp"}, 0));
    Load({"square.msm"});
    RenderFrame();
    const RECT& r = appState.presentRect;
    const std::uint32_t centre = ScreenColour((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    EXPECT_TRUE(ColoursClose(centre, 0x30C050)) << std::hex << centre;
    const std::uint32_t corner = ScreenColour(r.left + 2, r.top + 2);
    EXPECT_EQ(corner, kClear) << std::hex << corner;
}

TEST_F(Preview, PresentFollowsTheMovedWindow) {
    WriteTexture("green.txr", SolidTxr(0x30C050));
    WriteModel("square.msm", SquareModel({"green.bmp"}, 0));
    Load({"square.msm"});
    RECT window{};
    GetWindowRect(host.mainWindow, &window);
    const RECT before = appState.presentRect;
    SetWindowPos(host.mainWindow, nullptr, window.left + 200, window.top + 100, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER);
    PumpMessages();
    UpdatePresentRect();
    const RECT& r = appState.presentRect;
    EXPECT_EQ(r.left, before.left + 200);
    EXPECT_EQ(r.top, before.top + 100);
    RenderFrame();
    const std::uint32_t centre = ScreenColour((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    SetWindowPos(host.mainWindow, nullptr, window.left, window.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER);
    PumpMessages();
    UpdatePresentRect();
    EXPECT_TRUE(ColoursClose(centre, 0x30C050)) << std::hex << centre;
}

TEST_F(Preview, PalettedTextureShowsItsPaletteColour) {
    TestTexture t;
    t.width = 32;
    t.height = 32;
    t.bitsPerPixel = 8;
    t.levelCount = 1;
    t.pixel = [](int, int, int) { return std::uint8_t{7}; };
    // Entry 7 is blue 0x20, green 0x60, red 0xD0; every other entry black.
    t.paletteByte = [](int k) {
        const std::uint8_t entry7[4] = {0x20, 0x60, 0xD0, 0};
        return k / 4 == 7 ? entry7[k % 4] : std::uint8_t{0};
    };
    WriteTexture("pal.txr", BuildTxr(t));
    WriteModel("square.msm", SquareModel({"pal.bmp"}, 0));
    Load({"square.msm"});
    const std::uint32_t centre = CentreAfterFrame();
    EXPECT_TRUE(ColoursClose(centre, 0xD06020)) << std::hex << centre;
}

TEST_F(Preview, GroupsWithoutATextureAreLitWhite) {
    // A slot index beyond the table, a negative one, and an empty slot.
    for (std::int16_t index : {17, -1, 200, 5}) {
        WriteModel("plain.msm", SquareModel({}, index));
        Load({"plain.msm"});
        ASSERT_NE(appState.modelImage, nullptr);
        EXPECT_TRUE(ColoursClose(CentreAfterFrame(), 0xFFFFFF, 2)) << index;
    }
}

TEST_F(Preview, GroupWithAnIndexPastTheVerticesIsSkipped) {
    WriteTexture("red.txr", SolidTxr(0xE02020));
    // In front of the textured square lies a white square whose fan names a
    // vertex that the array does not hold.
    TestModel model = SquareModel({"red.bmp"}, 0);
    for (int i = 0; i < 4; ++i) {
        TestVertex v = model.vertices[static_cast<std::size_t>(i)];
        v.z = -1.0f;
        model.vertices.push_back(v);
    }
    model.groups.insert(model.groups.begin(), TestGroup{-1, {4, 5, 6, 8}, 0, {}});
    WriteModel("front.msm", model);
    Load({"front.msm"});
    EXPECT_TRUE(ColoursClose(CentreAfterFrame(), 0xE02020));

    // The same square with good indices hides the textured one.
    model.groups[0].indices = {4, 5, 6, 7};
    WriteModel("front.msm", model);
    Load({"front.msm"});
    EXPECT_TRUE(ColoursClose(CentreAfterFrame(), 0xFFFFFF, 2));
}

TEST_F(Preview, MalformedOrMissingModelsShowTheEmptyFrameAndKeepTheSlots) {
    WriteTexture("blue.txr", SolidTxr(0x2040E0));
    WriteModel("good.msm", SquareModel({"blue.bmp"}, 0));
    Load({"good.msm"});
    IDirectDrawSurface7* kept = appState.textureTable[0];
    ASSERT_NE(kept, nullptr);

    Bytes truncated = BuildMsm(SquareModel({"blue.bmp"}, 0)).bytes;
    truncated.pop_back();
    WriteBytes(data.File("models") + "\\short.msm", truncated);
    Bytes topBit = BuildMsm(SquareModel({"blue.bmp"}, 0)).bytes;
    topBit[topBit.size() - 2] = 0x80; // nested count
    WriteBytes(data.File("models") + "\\topbit.msm", topBit);
    for (const char* name : {"short.msm", "topbit.msm", "absent.msm"}) {
        Load({name});
        EXPECT_EQ(appState.modelImage, nullptr) << name;
        EXPECT_EQ(appState.textureTable[0], kept) << name;
        EXPECT_EQ(CentreAfterFrame(), kClear) << name;
    }
    // A model path that does not fit its buffer: no model.
    ASSERT_TRUE(CopyPathText(appState.modelFolder, kPathCapacity, data.File("models").c_str()));
    Load({"good.msm"});
    ASSERT_NE(appState.modelImage, nullptr);
    const std::string models = appState.modelFolder;
    const std::string deep = models + "\\" + std::string(250 - models.size(), 'd');
    ASSERT_TRUE(CopyPathText(appState.modelFolder, kPathCapacity, deep.c_str()));
    Load({"good.msm"});
    EXPECT_EQ(appState.modelImage, nullptr);
    EXPECT_STREQ(appState.modelPath, "");
}

TEST_F(Preview, FewerTexturesKeepTheLaterSlotsOfTheEarlierPiece) {
    const std::uint32_t colours[5] = {0xF00000, 0x00F000, 0x0000F0, 0xF0F000, 0x00F0F0};
    std::vector<std::string> five;
    for (int i = 0; i < 5; ++i) {
        const std::string stem(1, static_cast<char>('a' + i));
        WriteTexture(stem + ".txr", SolidTxr(colours[i]));
        five.push_back(stem + ".bmp");
    }
    WriteTexture("n0.txr", SolidTxr(0x808080));
    WriteModel("five.msm", SquareModel(five, 0));
    // Three names, and a group drawn with slot 3, which it does not fill.
    WriteModel("three.msm", SquareModel({"n0.bmp", "n0.bmp", "n0.bmp"}, 3));
    Load({"five.msm", "three.msm"}, 0);
    IDirectDrawSurface7* before[5];
    for (int i = 0; i < 5; ++i) {
        before[i] = appState.textureTable[i];
        ASSERT_NE(before[i], nullptr) << i;
    }
    SelectPiece(host, 1);
    LoadSelectedPiece(host.mainWindow);
    EXPECT_EQ(appState.textureTable[3], before[3]);
    EXPECT_EQ(appState.textureTable[4], before[4]);
    for (int i = 0; i < 3; ++i) {
        EXPECT_NE(appState.textureTable[i], nullptr);
    }
    EXPECT_TRUE(ColoursClose(CentreAfterFrame(), colours[3]));
}

TEST_F(Preview, OnlySeventeenNamesAreLoadedAndUnfitPathsLeaveTheSlotEmpty) {
    WriteTexture("x.txr", SolidTxr(0x404040));
    std::vector<std::string> names(18, "x.bmp");
    WriteModel("many.msm", SquareModel(names, 16));
    Load({"many.msm"});
    for (int i = 0; i < kTextureSlots; ++i) {
        EXPECT_NE(appState.textureTable[i], nullptr) << i;
    }
    // A name that makes the texture path too long empties its slot.
    WriteModel("long.msm", SquareModel({std::string(300, 'y') + ".bmp", "x.bmp"}, 0));
    Load({"long.msm"});
    EXPECT_EQ(appState.textureTable[0], nullptr);
    EXPECT_NE(appState.textureTable[1], nullptr);
    EXPECT_TRUE(ColoursClose(CentreAfterFrame(), 0xFFFFFF, 2));
}

TEST_F(Preview, NamesThatArePathsAreNotLookedUpOutsideTheTextureFolder) {
    // Textures a lookup outside the texture folder would find.
    WriteBytes(data.File("outside.txr"), SolidTxr(0xE02020));
    std::filesystem::create_directory(data.Path() / "textures" / "sub");
    WriteBytes(data.File("textures") + "\\sub\\inner.txr", SolidTxr(0xE02020));
    WriteTexture("plain.txr", SolidTxr(0x2040E0));
    const std::string absolute = data.File("outside.bmp");
    WriteModel("paths.msm", SquareModel({"..\\outside.bmp", "sub\\inner.bmp", absolute, "plain.bmp"}, 0));
    Load({"paths.msm"});
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(appState.textureTable[i], nullptr) << i;
    }
    EXPECT_NE(appState.textureTable[3], nullptr);
    EXPECT_TRUE(ColoursClose(CentreAfterFrame(), 0xFFFFFF, 2)); // untextured, not red
}

TEST_F(Preview, NoTemporaryFileOutlivesALoad) {
    WriteTexture("good.txr", SolidTxr(0x123456));
    WriteTexture("bad.txr", Bytes(40, 0xFF));
    WriteModel("mixed.msm", SquareModel({"good.bmp", "missing.bmp", "bad.bmp", "good"}, 0));
    Load({"mixed.msm"});
    EXPECT_NE(appState.textureTable[0], nullptr);
    EXPECT_EQ(appState.textureTable[1], nullptr);
    EXPECT_EQ(appState.textureTable[2], nullptr);
    EXPECT_NE(appState.textureTable[3], nullptr); // a name without a dot gets ".txr"
    EXPECT_EQ(TempEntries(), std::vector<std::string>{});
    // The same after the display was rebuilt, when every slot is loaded again.
    ReleaseDisplay();
    ASSERT_EQ(InitDisplay(host.pane, IID_IDirect3DHALDevice), 0);
    EXPECT_EQ(TempEntries(), std::vector<std::string>{});
}

TEST_F(Preview, RebuiltDisplayRendersAgainWithItsTexturesReloaded) {
    WriteTexture("green.txr", SolidTxr(0x30C050));
    WriteModel("square.msm", SquareModel({"green.bmp"}, 0));
    Load({"square.msm"});
    EXPECT_TRUE(ColoursClose(CentreAfterFrame(), 0x30C050));

    // As restoring the minimised window does: release, then set up again.
    ReleaseDisplay();
    EXPECT_EQ(appState.device, nullptr);
    EXPECT_EQ(appState.textureTable[0], nullptr);
    EXPECT_EQ(RenderFrame(), 0); // nothing to draw on, nothing done
    EXPECT_EQ(PresentFrame(), E_FAIL);
    EXPECT_EQ(ReleaseDisplay(), 0); // twice is harmless
    ASSERT_EQ(InitDisplay(host.pane, IID_IDirect3DHALDevice), 0);
    ASSERT_NE(appState.textureTable[0], nullptr);
    EXPECT_TRUE(ColoursClose(CentreAfterFrame(), 0x30C050));
}

// The formats a device offers, in its order.
HRESULT CALLBACK CollectFormat(DDPIXELFORMAT* format, void* context) {
    static_cast<std::vector<DDPIXELFORMAT>*>(context)->push_back(*format);
    return D3DENUMRET_OK;
}

DDPIXELFORMAT RgbFormat(DWORD flags, DWORD bits, DWORD r, DWORD g, DWORD b, DWORD a = 0) {
    DDPIXELFORMAT format{};
    format.dwSize = sizeof format;
    format.dwFlags = flags;
    format.dwRGBBitCount = bits;
    format.dwRBitMask = r;
    format.dwGBitMask = g;
    format.dwBBitMask = b;
    format.dwRGBAlphaBitMask = a;
    return format;
}

// What the format callback leaves in its context after offering `offered`.
DDPIXELFORMAT Picked(std::vector<DDPIXELFORMAT> offered) {
    DDPIXELFORMAT picked{};
    for (DDPIXELFORMAT& format : offered) {
        if (PickTextureFormat(&format, &picked) == D3DENUMRET_CANCEL) {
            break;
        }
    }
    return picked;
}

TEST_F(Preview, TextureFormatIsTheFirstSixteenBitOneWithoutAlpha) {
    const DDPIXELFORMAT argb1555 =
        RgbFormat(DDPF_RGB | DDPF_ALPHAPIXELS, 16, 0x7C00, 0x3E0, 0x1F, 0x8000);
    const DDPIXELFORMAT rgb555 = RgbFormat(DDPF_RGB, 16, 0x7C00, 0x3E0, 0x1F);
    const DDPIXELFORMAT rgb565 = RgbFormat(DDPF_RGB, 16, 0xF800, 0x7E0, 0x1F);
    const DDPIXELFORMAT xrgb = RgbFormat(DDPF_RGB, 32, 0xFF0000, 0xFF00, 0xFF);
    DDPIXELFORMAT luminance = RgbFormat(DDPF_LUMINANCE, 16, 0xFFFF, 0, 0);
    DDPIXELFORMAT bump = RgbFormat(DDPF_BUMPDUDV, 16, 0xFF, 0xFF00, 0);
    DDPIXELFORMAT fourcc = RgbFormat(DDPF_FOURCC, 16, 0, 0, 0);
    fourcc.dwFourCC = MAKEFOURCC('U', 'Y', 'V', 'Y');
    EXPECT_EQ(Picked({xrgb, argb1555, luminance, bump, fourcc, rgb555, rgb565}).dwGBitMask, 0x3E0u);
    EXPECT_EQ(Picked({rgb565, rgb555}).dwGBitMask, 0x7E0u);
    EXPECT_EQ(Picked({xrgb, argb1555}).dwRGBBitCount, 0u);

    // On this device: the surface made has the first acceptable format that
    // the device enumerates.
    std::vector<DDPIXELFORMAT> offered;
    appState.device->EnumTextureFormats(CollectFormat, &offered);
    const DDPIXELFORMAT expected = Picked(offered);
    ASSERT_EQ(expected.dwRGBBitCount, 16u);
    WriteTexture("t.txr", SolidTxr(0x808080));
    WriteModel("m.msm", SquareModel({"t.bmp"}, 0));
    Load({"m.msm"});
    ASSERT_NE(appState.textureTable[0], nullptr);
    DDPIXELFORMAT made{};
    made.dwSize = sizeof made;
    ASSERT_EQ(appState.textureTable[0]->GetPixelFormat(&made), DD_OK);
    EXPECT_EQ(made.dwFlags, expected.dwFlags);
    EXPECT_EQ(made.dwRBitMask, expected.dwRBitMask);
    EXPECT_EQ(made.dwGBitMask, expected.dwGBitMask);
    EXPECT_EQ(made.dwBBitMask, expected.dwBBitMask);
    // The hardware device's textures are managed by the runtime.
    DDSURFACEDESC2 description;
    std::memset(&description, 0, sizeof description);
    description.dwSize = sizeof description;
    appState.textureTable[0]->GetSurfaceDesc(&description);
    EXPECT_NE(description.ddsCaps.dwCaps2 & DDSCAPS2_TEXTUREMANAGE, 0u);
}

TEST_F(Preview, TextureSizeFollowsTheDeviceCapsAndKeepsThePicture) {
    D3DDEVICEDESC7 caps{};
    ASSERT_EQ(appState.device->GetCaps(&caps), D3D_OK);
    const DWORD textureCaps = caps.dpcTriCaps.dwTextureCaps;
    DWORD w = 48, h = 20;
    if (textureCaps & D3DPTEXTURECAPS_POW2) {
        w = 64;
        h = 32;
    }
    if (textureCaps & D3DPTEXTURECAPS_SQUAREONLY) {
        w = h = std::max(w, h);
    }
    // A bitmap of 48 x 20 through GDI, with a known colour at two corners.
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = 48;
    info.bmiHeader.biHeight = -20;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(bitmap, nullptr);
    const int stride = (48 * 3 + 3) / 4 * 4;
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 48; ++x) {
            auto* p = static_cast<std::uint8_t*>(bits) + y * stride + x * 3;
            p[0] = 0x10; // blue
            p[1] = 0x80; // green
            p[2] = static_cast<std::uint8_t>(x == 47 && y == 19 ? 0x00 : 0xF0);
        }
    }
    IDirectDrawSurface7* texture = CreateTextureFromBitmap(appState.device, bitmap);
    ASSERT_NE(texture, nullptr);
    DDSURFACEDESC2 description{};
    description.dwSize = sizeof description;
    texture->GetSurfaceDesc(&description);
    EXPECT_EQ(description.dwWidth, w);
    EXPECT_EQ(description.dwHeight, h);
    EXPECT_EQ(description.ddsCaps.dwCaps & DDSCAPS_MIPMAP, 0u);
    EXPECT_TRUE(ColoursClose(SurfaceColour(texture, 0, 0), 0xF08010));
    EXPECT_TRUE(ColoursClose(SurfaceColour(texture, 47, 19), 0x008010));
    texture->Release();
    // The bitmap was taken over and deleted.
    BITMAP gone{};
    EXPECT_EQ(GetObjectA(bitmap, sizeof gone, &gone), 0);
    // A name that is neither a resource nor a bitmap file gives nothing.
    EXPECT_EQ(LoadTextureSurface(appState.device, data.File("none.bmp").c_str()), nullptr);
}

TEST(PreviewFormats, DepthFormatMustBeDepthOnly) {
    DDPIXELFORMAT withStencil{};
    withStencil.dwSize = sizeof withStencil;
    withStencil.dwFlags = DDPF_ZBUFFER | DDPF_STENCILBUFFER;
    withStencil.dwZBufferBitDepth = 32;
    DDPIXELFORMAT depthOnly{};
    depthOnly.dwSize = sizeof depthOnly;
    depthOnly.dwFlags = DDPF_ZBUFFER;
    depthOnly.dwZBufferBitDepth = 16;
    DDPIXELFORMAT picked{};
    EXPECT_EQ(PickZBufferFormat(&withStencil, &picked), D3DENUMRET_OK);
    EXPECT_EQ(picked.dwSize, 0u);
    EXPECT_EQ(PickZBufferFormat(&depthOnly, &picked), D3DENUMRET_CANCEL);
    EXPECT_EQ(std::memcmp(&picked, &depthOnly, sizeof picked), 0);
}

} // namespace
