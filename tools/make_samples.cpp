// Writes the sample files under samples/: a handful of map pieces made of our
// own shapes and patterns.
//   samples/profiles/*.prt   piece profiles (model file name, piece name)
//   samples/models/*.msm     models: texture names, vertices, triangle fans
//   samples/textures/*.txr   8-bit and 24-bit textures
// Usage: make_samples <samples folder>
#include "builders/tool_arguments.h"
#include "builders/file_bytes.h"
#include "builders/msm_builder.h"
#include "builders/piece_files.h"
#include "texture/txr_format.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <exception>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

struct Rgb {
    std::uint8_t r, g, b;
};

// A 24-bit texture with every mip level, each level the block mean of level 0.
Bytes TrueColourTxr(int w, int h, const std::function<Rgb(int, int)>& pixel) {
    const int levels = TxrMaxLevelCount(w, h);
    Bytes file(kTxrHeaderSize);
    EncodeTxrHeader(TxrHeader{w, h, 24, levels}, file.data());
    for (int level = 0; level < levels; ++level) {
        const int s = 1 << level;
        const int lw = w >> level, lh = h >> level;
        const std::size_t stride = BitmapStride(lw, 24);
        for (int y = 0; y < lh; ++y) {
            Bytes row(stride, 0);
            for (int x = 0; x < lw; ++x) {
                unsigned sum[3] = {0, 0, 0};
                for (int by = 0; by < s; ++by) {
                    for (int bx = 0; bx < s; ++bx) {
                        const Rgb c = pixel(x * s + bx, y * s + by);
                        sum[0] += c.b;
                        sum[1] += c.g;
                        sum[2] += c.r;
                    }
                }
                for (int c = 0; c < 3; ++c) {
                    row[3 * x + c] = static_cast<std::uint8_t>(sum[c] / (s * s));
                }
            }
            file.insert(file.end(), row.begin(), row.end());
        }
    }
    return file;
}

// An 8-bit texture: the palette and level 0 indices given; smaller levels
// take the index of each block's top-left pixel.
Bytes PalettedTxr(int w, int h, const std::vector<Rgb>& palette,
                  const std::function<std::uint8_t(int, int)>& index) {
    const int levels = TxrMaxLevelCount(w, h);
    Bytes file(kTxrHeaderSize);
    EncodeTxrHeader(TxrHeader{w, h, 8, levels}, file.data());
    for (int k = 0; k < 256; ++k) {
        const Rgb c = k < static_cast<int>(palette.size()) ? palette[k] : Rgb{0, 0, 0};
        file.insert(file.end(), {c.b, c.g, c.r, 0});
    }
    for (int level = 0; level < levels; ++level) {
        const int s = 1 << level;
        const int lw = w >> level, lh = h >> level;
        const std::size_t stride = BitmapStride(lw, 8);
        for (int y = 0; y < lh; ++y) {
            Bytes row(stride, 0);
            for (int x = 0; x < lw; ++x) {
                row[x] = index(x * s, y * s);
            }
            file.insert(file.end(), row.begin(), row.end());
        }
    }
    return file;
}

Rgb Brick(int x, int y) {
    const int row = y / 16;
    const int shifted = (x + (row % 2) * 16) % 32;
    const bool mortar = (y % 16) < 2 || shifted < 2;
    if (mortar) {
        return {200, 200, 190};
    }
    const int grain = (x * 37 + y * 91) % 23;
    return {static_cast<std::uint8_t>(150 + grain), static_cast<std::uint8_t>(60 + grain / 2), 40};
}

Rgb Grass(int x, int y) {
    const int n = (x * 73 + y * 151 + (x * y) % 17) % 41;
    return {static_cast<std::uint8_t>(40 + n / 2), static_cast<std::uint8_t>(120 + n), 30};
}

// --- Models ---------------------------------------------------------------

struct Vec3 {
    float x, y, z;
};

Vec3 Cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// One rectangle facing along `normal`, as a fan of four vertices. The corners
// run clockwise as seen from outside, the front-face winding of Direct3D's
// left-handed coordinates, with the texture's top-left corner at the top left.
void AddQuad(TestModel& model, std::int16_t texture, Vec3 centre, Vec3 normal, Vec3 up,
             float halfWidth, float halfHeight) {
    const Vec3 right = Cross(normal, up);
    const auto base = static_cast<std::uint16_t>(model.vertices.size());
    const float corners[4][4] = {{-1, 1, 0, 0}, {1, 1, 1, 0}, {1, -1, 1, 1}, {-1, -1, 0, 1}};
    for (const auto& c : corners) {
        const float r = c[0] * halfWidth, u = c[1] * halfHeight;
        model.vertices.push_back(
            {centre.x + right.x * r + up.x * u, centre.y + right.y * r + up.y * u,
             centre.z + right.z * r + up.z * u, normal.x, normal.y, normal.z, c[2], c[3]});
    }
    model.groups.push_back(
        {texture,
         {base, static_cast<std::uint16_t>(base + 1), static_cast<std::uint16_t>(base + 2),
          static_cast<std::uint16_t>(base + 3)},
         0,
         {}});
}

// An axis-aligned box: four sides with one texture, top and bottom with another.
void AddBox(TestModel& model, Vec3 centre, Vec3 half, std::int16_t sideTexture,
            std::int16_t capTexture) {
    const Vec3 up{0, 1, 0};
    AddQuad(model, sideTexture, {centre.x, centre.y, centre.z - half.z}, {0, 0, -1}, up, half.x,
            half.y);
    AddQuad(model, sideTexture, {centre.x, centre.y, centre.z + half.z}, {0, 0, 1}, up, half.x,
            half.y);
    AddQuad(model, sideTexture, {centre.x - half.x, centre.y, centre.z}, {-1, 0, 0}, up, half.z,
            half.y);
    AddQuad(model, sideTexture, {centre.x + half.x, centre.y, centre.z}, {1, 0, 0}, up, half.z,
            half.y);
    AddQuad(model, capTexture, {centre.x, centre.y + half.y, centre.z}, {0, 1, 0}, {0, 0, 1},
            half.x, half.z);
    AddQuad(model, capTexture, {centre.x, centre.y - half.y, centre.z}, {0, -1, 0}, {0, 0, -1},
            half.x, half.z);
}

// A piece stands on the ground (y = 0) with its footprint centred on the y
// axis, the axis the preview turns it about, as a map maker builds pieces.
// The preview's eye stands 3.3 units in front of that axis, 1.8 above the
// ground and looks slightly down, so a piece about 2 units wide and up to
// 3 high is seen whole at every angle of its turn.
TestModel Box(std::vector<std::string> names, Vec3 half, std::int16_t side, std::int16_t cap) {
    TestModel model{static_cast<std::int16_t>(names.size()), std::move(names), {}, {}};
    AddBox(model, {0, half.y, 0}, half, side, cap);
    return model;
}

// A pole with a flag on it. The flag's front fan carries one nested record
// (with a nested record of its own), which the viewer steps over.
TestModel FlagModel() {
    // The pole's foot and the flag's far edge lie equally far either side of
    // the turning axis.
    TestModel model{2, {"flag.bmp", "brick.bmp"}, {}, {}};
    AddBox(model, {-0.7f, 1.3f, 0}, {0.08f, 1.3f, 0.08f}, 1, 1);
    AddQuad(model, 0, {0.08f, 2.2f, 0}, {0, 0, -1}, {0, 1, 0}, 0.7f, 0.35f);
    // One level-2 record of two values, holding one level-3 record of one.
    model.groups.back().nested = {{2, {1}}};
    // The back of the flag, so that it shows from both sides as it turns.
    AddQuad(model, 0, {0.08f, 2.2f, 0}, {0, 0, 1}, {0, 1, 0}, 0.7f, 0.35f);
    return model;
}

} // namespace

// Writes one sample file; the folder is made first.
void Write(const std::filesystem::path& path, const Bytes& bytes) {
    std::filesystem::create_directories(path.parent_path());
    WriteBytes(path.string(), bytes);
}

int main(int argc, char** argv) {
    int exitCode = 0;
    const std::optional<std::string> folder =
        OutputFolderArgument(argc, argv, "make_samples <samples folder>", exitCode);
    if (!folder) {
        return exitCode;
    }
    const std::filesystem::path root = *folder;
    std::vector<Rgb> stonePalette;
    for (int k = 0; k < 256; ++k) {
        const auto v = static_cast<std::uint8_t>(k);
        stonePalette.push_back({v, v, static_cast<std::uint8_t>(v / 2 + 64)});
    }
    try {
        Write(root / "textures/brick.txr", TrueColourTxr(64, 64, Brick));
        Write(root / "textures/grass.txr", TrueColourTxr(128, 64, Grass));
        Write(root / "textures/stone.txr", PalettedTxr(64, 64, stonePalette, [](int x, int y) {
                  const double d = std::sin(x * 0.3) * std::cos(y * 0.25);
                  return static_cast<std::uint8_t>(128 + 100 * d);
              }));
        Write(root / "textures/flag.txr",
              PalettedTxr(
                  32, 16, {{0, 0, 0}, {220, 30, 30}, {250, 250, 250}, {30, 60, 200}},
                  [](int x, int y) {
                      return static_cast<std::uint8_t>(y < 5 ? 1 : y < 11 ? 2 : (x < 16 ? 3 : 1));
                  }));
        // One colour only, for checks of what the preview shows.
        Write(root / "textures/solid_red.txr", TrueColourTxr(32, 32, [](int, int) {
                  return Rgb{255, 0, 0};
              }));
        Write(root / "textures/checker.txr",
              PalettedTxr(32, 32, {{240, 200, 40}, {30, 40, 120}}, [](int x, int y) {
                  return static_cast<std::uint8_t>(((x / 8) + (y / 8)) % 2);
              }));
        // Texture names as a model gives them: with a ".bmp" or ".txr"
        // extension or with none; the viewer looks each up as <name>.txr.
        Write(root / "models/cube.msm",
              BuildMsm(Box({"brick.bmp", "stone"}, {1, 1, 1}, 0, 1)).bytes);
        Write(root / "models/slab.msm",
              BuildMsm(Box({"stone.bmp", "grass.bmp"}, {1.1f, 0.25f, 1.1f}, 0, 1)).bytes);
        Write(root / "models/redbox.msm", BuildMsm(Box({"solid_red.bmp"}, {1, 1, 1}, 0, 0)).bytes);
        Write(root / "models/stand.msm",
              BuildMsm(Box({"stone.txr", "checker.bmp"}, {0.6f, 1.2f, 0.6f}, 0, 1)).bytes);
        Write(root / "models/flag.msm", BuildMsm(FlagModel()).bytes);
        // Piece names in Shift-JIS: "赤い箱" (red box) and "表示台" (display
        // stand), whose first character has 0x5C, the byte of "\", as its
        // trail byte.
        Write(root / "profiles/brick_cube.prt", ProfileBytes("cube.msm", "Brick Cube"));
        Write(root / "profiles/grass_slab.prt", ProfileBytes("slab.msm", "Grass Slab"));
        Write(root / "profiles/red_box.prt",
              ProfileBytes("redbox.msm", "\x90\xd4\x82\xa2\x94\xa0"));
        Write(root / "profiles/stand.prt", ProfileBytes("stand.msm", "\x95\x5c\x8e\xa6\x91\xe4"));
        Write(root / "profiles/flag_pole.prt", ProfileBytes("flag.msm", "Flag Pole"));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "make_samples: %s\n", error.what());
        return 1;
    }
    return 0;
}
