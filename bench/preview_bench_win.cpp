// Speed of the 3D preview on a real display (run under Wine in Xvfb by
// bench/preview_bench.sh):
//  - frames per second of the preview turning a textured box like the sample
//    pieces, and a tower with 17 textures, against an empty clear-and-present
//    loop on the same display set-up, in alternating rounds of the same run;
//  - the time LoadSelectedPiece takes for that piece (17 textures of
//    256 x 256 converted through temporary bitmaps and loaded), and with
//    PV_BENCH_BREAKDOWN set, the time of each step of those loads.
// Prints the medians and the ratio.
//   pv_preview_bench [rounds] [seconds per frame round] [--hold seconds]
#include "preview_harness.h"

#include "common/path_text.h"
#include "preview/display_win.h"
#include "preview/frame_win.h"
#include "preview/piece_loading_win.h"
#include "preview/texture_surface_win.h"
#include "texture/txr_to_bmp.h"
#include "builders/msm_builder.h"
#include "support/scratch.h"
#include "builders/txr_builder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int kSides = 16;

// A sixteen-sided tower with a roof: sixteen walls and a roof fan, each with
// a texture of its own.
TestModel TowerModel(std::vector<std::string> names) {
    TestModel model;
    model.textureCount = static_cast<std::int16_t>(names.size());
    model.names = std::move(names);
    const float radius = 1.2f;
    const float height = 2.4f;
    for (int side = 0; side < kSides; ++side) {
        const double a0 = 2 * 3.14159265358979 * side / kSides;
        const double a1 = 2 * 3.14159265358979 * (side + 1) / kSides;
        const float x0 = radius * static_cast<float>(std::sin(a0));
        const float z0 = -radius * static_cast<float>(std::cos(a0));
        const float x1 = radius * static_cast<float>(std::sin(a1));
        const float z1 = -radius * static_cast<float>(std::cos(a1));
        const float nx = static_cast<float>(std::sin((a0 + a1) / 2));
        const float nz = -static_cast<float>(std::cos((a0 + a1) / 2));
        const auto base = static_cast<std::uint16_t>(model.vertices.size());
        // Seen from outside, the wall runs from angle a0 on the left to a1
        // on the right: lower left, upper left, upper right, lower right.
        model.vertices.push_back({x0, 0, z0, nx, 0, nz, 0, 1});
        model.vertices.push_back({x0, height, z0, nx, 0, nz, 0, 0});
        model.vertices.push_back({x1, height, z1, nx, 0, nz, 1, 0});
        model.vertices.push_back({x1, 0, z1, nx, 0, nz, 1, 1});
        TestGroup wall;
        wall.textureIndex = static_cast<std::int16_t>(side);
        wall.indices = {base, static_cast<std::uint16_t>(base + 1),
                        static_cast<std::uint16_t>(base + 2), static_cast<std::uint16_t>(base + 3)};
        model.groups.push_back(wall);
    }
    const auto centre = static_cast<std::uint16_t>(model.vertices.size());
    model.vertices.push_back({0, height + 0.8f, 0, 0, 1, 0, 0.5f, 0.5f});
    TestGroup roof;
    roof.textureIndex = kSides;
    roof.indices.push_back(centre);
    for (int side = 0; side <= kSides; ++side) {
        // Clockwise seen from above.
        const double a = -2 * 3.14159265358979 * side / kSides;
        const float x = 1.4f * static_cast<float>(std::sin(a));
        const float z = -1.4f * static_cast<float>(std::cos(a));
        if (side < kSides) {
            model.vertices.push_back({x, height, z, 0, 1, 0, 0.5f + x / 3, 0.5f + z / 3});
        }
        roof.indices.push_back(static_cast<std::uint16_t>(centre + 1 + side % kSides));
    }
    model.groups.push_back(roof);
    return model;
}

// A 256 x 256 24-bit texture in a colour of its own with a checker pattern.
Bytes TowerTexture(int k) {
    TestTexture t;
    t.width = 256;
    t.height = 256;
    t.bitsPerPixel = 24;
    t.levelCount = 9;
    t.pixel = [k](int x, int y, int channel) {
        const int base = ((x / 32 + y / 32) % 2 == 0) ? 200 : 90;
        return static_cast<std::uint8_t>((base + 37 * k * (channel + 1)) % 256);
    };
    return BuildTxr(t);
}

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

// Frames per second of RenderFrame over about `seconds`.
double FramesPerSecond(double seconds) {
    LARGE_INTEGER start, now;
    QueryPerformanceCounter(&start);
    int frames = 0;
    do {
        for (int i = 0; i < 16; ++i) {
            RenderFrame();
        }
        frames += 16;
        PumpMessages();
        QueryPerformanceCounter(&now);
    } while (Seconds(start, now) < seconds);
    return frames / Seconds(start, now);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    int rounds = 9;
    double seconds = 1.0;
    double hold = 0;
    std::vector<std::string> plain;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--hold") == 0 && i + 1 < argc) {
            hold = std::atof(argv[++i]);
        } else {
            plain.push_back(argv[i]);
        }
    }
    if (plain.size() > 0) {
        rounds = std::max(1, std::atoi(plain[0].c_str()));
    }
    if (plain.size() > 1) {
        seconds = std::max(0.1, std::atof(plain[1].c_str()));
    }

    ScratchFolder data;
    std::filesystem::create_directory(data.Path() / "models");
    std::filesystem::create_directory(data.Path() / "textures");
    std::vector<std::string> names;
    for (int k = 0; k <= kSides; ++k) {
        const std::string stem = "tower" + std::to_string(k);
        WriteBytes(data.File("textures") + "\\" + stem + ".txr", TowerTexture(k));
        names.push_back(stem + ".bmp");
    }
    WriteBytes(data.File("models") + "\\tower.msm", BuildMsm(TowerModel(names)).bytes);
    CopyPathText(appState.modelFolder, kPathCapacity, data.File("models").c_str());
    CopyPathText(appState.textureFolder, kPathCapacity, data.File("textures").c_str());

    PreviewHost host;
    if (!CreatePreviewHost(host)) {
        std::printf("cannot create the window\n");
        return 1;
    }
    const HRESULT init = InitDisplay(host.pane, IID_IDirect3DHALDevice);
    if (init != 0) {
        std::printf("InitDisplay failed: 0x%08lx\n", static_cast<unsigned long>(init));
        return 1;
    }
    SetPieces(host, {"tower.msm"}, 0);

    std::vector<double> loadMs;
    for (int r = 0; r < rounds; ++r) {
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        LoadSelectedPiece(host.mainWindow);
        QueryPerformanceCounter(&end);
        loadMs.push_back(1000 * Seconds(start, end));
    }
    if (std::getenv("PV_BENCH_BREAKDOWN") != nullptr) {
        // Where the load's time goes, step by step, for the same 17 files.
        char tempFolder[MAX_PATH];
        GetTempPathA(MAX_PATH, tempFolder);
        double convert = 0, image = 0, surface = 0, files = 0;
        for (const std::string& name : names) {
            LARGE_INTEGER t0, t1, t2, t3, t4, t5;
            QueryPerformanceCounter(&t0);
            char bitmapPath[MAX_PATH];
            GetTempFileNameA(tempFolder, "TXR", 0, bitmapPath);
            QueryPerformanceCounter(&t1);
            std::string txr =
                data.File("textures") + "\\" + name.substr(0, name.size() - 4) + ".txr";
            ConvertTxrToCreatedBmp(txr.c_str(), bitmapPath);
            QueryPerformanceCounter(&t2);
            HANDLE bitmap = LoadImageA(nullptr, bitmapPath, IMAGE_BITMAP, 0, 0,
                                       LR_LOADFROMFILE | LR_CREATEDIBSECTION);
            QueryPerformanceCounter(&t3);
            IDirectDrawSurface7* texture =
                CreateTextureFromBitmap(appState.device, static_cast<HBITMAP>(bitmap));
            QueryPerformanceCounter(&t4);
            if (texture)
                texture->Release();
            DeleteFileA(bitmapPath);
            QueryPerformanceCounter(&t5);
            files += Seconds(t0, t1) + Seconds(t4, t5);
            convert += Seconds(t1, t2);
            image += Seconds(t2, t3);
            surface += Seconds(t3, t4);
        }
        std::printf("breakdown for 17: temp files %.1f ms, convert %.1f ms, LoadImage %.1f ms, "
                    "surface %.1f ms\n",
                    files * 1000, convert * 1000, image * 1000, surface * 1000);
    }
    int loaded = 0;
    for (IDirectDrawSurface7* slot : appState.textureTable) {
        loaded += slot != nullptr;
    }

    if (hold > 0) {
        // Keeps the piece turning on screen, for a screenshot.
        LARGE_INTEGER start, now;
        QueryPerformanceCounter(&start);
        do {
            RenderFrame();
            PumpMessages();
            QueryPerformanceCounter(&now);
        } while (Seconds(start, now) < hold);
    }

    // A piece like the samples: a textured box of five faces, drawn with the
    // texture already in slot 0.
    const Bytes box = BuildMsm(BoxModel({"tower0.bmp"}, 0)).bytes;
    BYTE* tower = appState.modelImage;
    const DWORD towerSize = appState.modelImageSize;
    auto* boxImage = static_cast<BYTE*>(GlobalAlloc(GMEM_FIXED, box.size()));
    std::memcpy(boxImage, box.data(), box.size());

    // Alternate the loops so that all see the same machine state.
    std::vector<double> emptyFps, boxFps, towerFps;
    FramesPerSecond(seconds / 2); // warm-up
    // Each round starts with a different loop, so that none always runs
    // first.
    for (int r = 0; r < rounds; ++r) {
        for (int k = 0; k < 3; ++k) {
            switch ((r + k) % 3) {
            case 0:
                appState.modelImage = nullptr;
                emptyFps.push_back(FramesPerSecond(seconds));
                break;
            case 1:
                appState.modelImage = boxImage;
                appState.modelImageSize = static_cast<DWORD>(box.size());
                boxFps.push_back(FramesPerSecond(seconds));
                break;
            default:
                appState.modelImage = tower;
                appState.modelImageSize = towerSize;
                towerFps.push_back(FramesPerSecond(seconds));
                break;
            }
        }
    }
    appState.modelImage = tower;
    appState.modelImageSize = towerSize;
    GlobalFree(boxImage);
    const double empty = Median(emptyFps);
    std::printf("pane %ldx%ld; tower piece: %d groups, %d textures of 256x256 loaded\n",
                appState.presentRect.right - appState.presentRect.left,
                appState.presentRect.bottom - appState.presentRect.top, kSides + 1, loaded);
    std::printf("LoadSelectedPiece of the tower, median: %.2f ms (%d rounds, min %.2f, max %.2f)\n",
                Median(loadMs), rounds, *std::min_element(loadMs.begin(), loadMs.end()),
                *std::max_element(loadMs.begin(), loadMs.end()));
    // Ratios within each round follow the machine's load from moment to
    // moment better than the ratio of the medians.
    std::vector<double> boxRatios, towerRatios;
    for (std::size_t r = 0; r < emptyFps.size(); ++r) {
        boxRatios.push_back(boxFps[r] / emptyFps[r]);
        towerRatios.push_back(towerFps[r] / emptyFps[r]);
    }
    std::printf("empty clear-and-present median: %.1f frames/s\n", empty);
    std::printf("box piece (5 groups) median:    %.1f frames/s, ratio of medians %.3f, median "
                "ratio per round %.3f\n",
                Median(boxFps), Median(boxFps) / empty, Median(boxRatios));
    std::printf("tower piece (17 groups) median: %.1f frames/s, ratio of medians %.3f, median "
                "ratio per round %.3f\n",
                Median(towerFps), Median(towerFps) / empty, Median(towerRatios));
    ResetPreviewState();
    return 0;
}
