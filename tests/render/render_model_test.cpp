// The preview's picture in software: the walk with the viewer's guards, the
// slots, the picture's size, and fixed scenes whose bytes both builds must
// reproduce exactly. (That the picture is the viewer's is the preview's own
// test under Wine, which compares the two.)
#include "render/render_model.h"

#include "builders/msm_builder.h"
#include "builders/txr_builder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

constexpr std::uint32_t kWhite = 0xFFFFFF, kRed = 0xE02020, kGreen = 0x30C050;
constexpr std::uint32_t kClearOnly = 0xFFFFFFFF; // nothing drawn anywhere

RgbPicture Solid(std::uint32_t colour) {
    RgbPicture texture{2, 2, std::vector<std::uint8_t>(12)};
    for (std::size_t i = 0; i < 12; ++i) {
        texture.rgb[i] = static_cast<std::uint8_t>(colour >> (16 - 8 * (i % 3)));
    }
    return texture;
}

// The colour at the middle of a 64 x 64 picture at angle 0, or kClearOnly.
std::uint32_t Centre(const Bytes& model, const RenderSlots& slots) {
    const Result<RgbPicture> image = RenderModel({model.data(), model.size()}, slots, 0, 64, 64);
    std::uint32_t centre = kClearOnly;
    for (std::size_t i = 0; i < image->rgb.size(); i += 3) {
        const std::uint8_t* p = &image->rgb[i];
        if (static_cast<std::uint32_t>(p[0] << 16 | p[1] << 8 | p[2]) != kRenderClearColour) {
            p = &image->rgb[3 * (32 * 64 + 32)];
            centre = static_cast<std::uint32_t>(p[0] << 16 | p[1] << 8 | p[2]);
        }
    }
    return centre;
}

TEST(RenderModel, EachGroupIsDrawnWithTheTextureOfItsSlotOrWhite) {
    const RgbPicture red = Solid(kRed), green = Solid(kGreen);
    RenderSlots slots{&red};
    slots[5] = slots[16] = &green;
    const std::pair<std::int16_t, std::uint32_t> cases[] = {
        {0, kRed},   {5, kGreen},  {16, kGreen}, // slots past the model's names are used
        {1, kWhite}, {17, kWhite}, {-1, kWhite}, {-32768, kWhite}, // empty, or no slot at all
    };
    for (const auto& [textureIndex, expected] : cases) {
        EXPECT_EQ(Centre(BuildMsm(SquareModel({"a.bmp"}, textureIndex)).bytes, slots), expected)
            << "texture index " << textureIndex;
    }
}

TEST(RenderModel, DrawsWhatTheViewerDrawsOfMalformedModels) {
    // A white square (group 0) in front of a red one (group 1).
    TestModel squares = SquareModel({"red.bmp"}, 0);
    for (int i = 0; i < 4; ++i) {
        squares.vertices.push_back(squares.vertices[static_cast<std::size_t>(i)]);
        squares.vertices.back().z = -1.0f;
    }
    squares.groups.insert(squares.groups.begin(), TestGroup{-1, {4, 5, 6, 7}, 0, {}});
    const std::size_t frontNested = BuildMsm(squares).groupOffsets[1] - 2;
    const struct {
        const char* what;
        std::function<void(TestModel&)> change;
        std::function<void(Bytes&)> damage;
        std::uint32_t centre;
    } cases[] = {
        {"both drawn, the front one hides the back", nullptr, nullptr, kWhite},
        // Which groups are drawn is the walk's own test (ForEachDrawnGroup).
        {"an index past the vertices: skipped", [](TestModel& m) { m.groups[0].indices[3] = 8; },
         nullptr, kRed},
        // Numbers that cannot be drawn are skipped; finite ones however large
        // are cut to the guard band and drawn.
        {"a corner that is no number", [](TestModel& m) { m.vertices[4].y = NAN; }, nullptr, kRed},
        {"a corner at infinity", [](TestModel& m) { m.vertices[4].x = -INFINITY; }, nullptr, kRed},
        {"a corner far away", [](TestModel& m) { m.vertices[4].x = -3e38f; }, nullptr, kWhite},
        {"vertices cut short: nothing", nullptr, [&](Bytes& b) { b.resize(frontNested - 60); },
         kClearOnly},
        {"no bytes at all", nullptr, [](Bytes& b) { b.clear(); }, kClearOnly},
    };
    const RgbPicture red = Solid(kRed);
    for (const auto& c : cases) {
        TestModel model = squares;
        if (c.change) {
            c.change(model);
        }
        Bytes bytes = BuildMsm(model).bytes;
        if (c.damage) {
            c.damage(bytes);
        }
        EXPECT_EQ(Centre(bytes, RenderSlots{&red}), c.centre) << c.what;
    }
}

TEST(RenderModel, PictureSidesFromOneToTheLimit) {
    const Bytes model = BuildMsm(SquareModel({}, -1)).bytes;
    const std::pair<int, int> sizes[] = {
        {0, 10}, {10, -5}, {kMaxRenderSide + 1, 1}, {1, 1}, {kMaxRenderSide, 2}};
    for (const auto& [w, h] : sizes) {
        const Result<RgbPicture> image = RenderModel({model.data(), model.size()}, {}, 0, w, h);
        const bool fits = w > 0 && h > 0 && w <= kMaxRenderSide;
        EXPECT_EQ(fits ? image->rgb.size() : 0, static_cast<std::size_t>(fits ? 3 * w * h : 0));
        EXPECT_EQ(fits ? "" : image.refusal().code, fits ? "" : "render-size") << w << " x " << h;
    }
}

TEST(RenderModel, FixedScenesGiveTheSameBytesEverywhere) {
    // Textures of the builders' pattern, one a side that is no power of two;
    // a box with one to each face, its coordinates stretched so that they
    // wrap; a floor that reaches behind the eye.
    std::vector<RgbPicture> textures;
    const std::pair<int, int> sides[] = {{16, 16}, {32, 8}, {5, 7}, {64, 64}, {3, 3}};
    for (const auto& [w, h] : sides) {
        textures.push_back({w, h, {}});
        for (int i = 0; i < 3 * w * h; ++i) {
            textures.back().rgb.push_back(PatternPixel(i / 3 % w, i / 3 / w, i % 3));
        }
    }
    const RenderSlots slots{&textures[0], &textures[1], &textures[2], &textures[3], &textures[4]};
    TestModel scene = BoxModel({}, 0, true);
    for (TestVertex& v : scene.vertices) {
        v.tu = v.tu * 3.7f - 1.2f;
        v.tv = v.tv * 2.3f + 0.4f;
    }
    TestGroup floor{3, {}, 0, {}};
    const float corners[4][4] = {{-3, -9, -4, 5}, {-3, 4, -4, -2}, {3, 4, 2, -2}, {3, -9, 2, 5}};
    for (const auto& [x, z, tu, tv] : corners) {
        floor.indices.push_back(static_cast<std::uint16_t>(scene.vertices.size()));
        scene.vertices.push_back({x, 0, z, 0, 1, 0, tu, tv});
    }
    scene.groups.push_back(floor);
    const Bytes model = BuildMsm(scene).bytes;
    // FNV-1a sums of the pictures, taken from the native build.
    const std::tuple<float, int, int, std::uint64_t> scenes[] = {
        {0.6f, 256, 256, 0xcfb14176be6f8867u},
        {2.5f, 320, 200, 0x29136b83777a9441u},
        {-1.3f, 97, 61, 0xa17425cb8c5680bcu},
        {4294967.5f, 64, 128, 0x8731ef2aea0527e7u},
    };
    for (const auto& [angle, width, height, expected] : scenes) {
        const Result<RgbPicture> image =
            RenderModel({model.data(), model.size()}, slots, angle, width, height);
        std::uint64_t sum = 0xCBF29CE484222325u;
        for (const std::uint8_t b : image->rgb) {
            sum = (sum ^ b) * 0x100000001B3u;
        }
        EXPECT_EQ(sum, expected) << "angle " << angle << ": 0x" << std::hex << sum;
    }
}

} // namespace
