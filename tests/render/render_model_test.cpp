// The preview's picture in software: the walk of the model with the
// viewer's guards, the turn, the picture size, and fixed scenes whose bytes
// both builds must reproduce exactly.
#include "render/render_model.h"

#include "builders/msm_builder.h"
#include "builders/txr_builder.h"

#include <gtest/gtest.h>

namespace {

std::span<const std::uint8_t> Span(const Bytes& bytes) {
    return {bytes.data(), bytes.size()};
}

RenderTexture Solid(std::uint32_t colour) {
    RenderTexture texture{2, 2, std::vector<std::uint8_t>(12)};
    for (std::size_t i = 0; i < 12; ++i) {
        texture.rgb[i] = static_cast<std::uint8_t>(colour >> (16 - 8 * (i % 3)));
    }
    return texture;
}

// A texture of the builders' pattern, different at every texel.
RenderTexture Pattern(int width, int height) {
    RenderTexture texture{width, height, {}};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < 3; ++c) {
                texture.rgb.push_back(PatternPixel(x, y, c));
            }
        }
    }
    return texture;
}

RenderImage Render(const Bytes& model, const RenderSlots& slots, float angle = 0, int width = 64,
                   int height = 64) {
    Result<RenderImage> image = RenderModel(Span(model), slots, angle, width, height);
    EXPECT_TRUE(image.ok());
    return image.ok() ? std::move(image).value() : RenderImage{};
}

std::uint32_t Colour(const RenderImage& image, int x, int y) {
    const std::uint8_t* p =
        &image.rgb[3 * (static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) +
                        static_cast<std::size_t>(x))];
    return static_cast<std::uint32_t>(p[0] << 16 | p[1] << 8 | p[2]);
}

std::uint32_t Centre(const RenderImage& image) {
    return Colour(image, image.width / 2, image.height / 2);
}

bool AllClear(const RenderImage& image) {
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            if (Colour(image, x, y) != kRenderClearColour) {
                return false;
            }
        }
    }
    return !image.rgb.empty();
}

constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr std::uint32_t kRed = 0xE02020;
constexpr std::uint32_t kGreen = 0x30C050;

TEST(RenderModel, TexturesComeFromTheirSlotsAndGroupsWithoutOneAreWhite) {
    const RenderTexture red = Solid(kRed), green = Solid(kGreen);
    RenderSlots slots{};
    slots[0] = &red;
    slots[5] = &green;
    slots[16] = &green;
    const struct {
        std::int16_t textureIndex;
        std::uint32_t expected;
    } cases[] = {
        {0, kRed},    {5, kGreen},  {16, kGreen}, // slots beyond the model's names are used
        {1, kWhite},                              // an empty slot
        {17, kWhite}, {-1, kWhite}, {200, kWhite}, {-32768, kWhite}, // no slot at all
    };
    for (const auto& c : cases) {
        const Bytes model = BuildMsm(SquareModel({"a.bmp"}, c.textureIndex)).bytes;
        EXPECT_EQ(Centre(Render(model, slots)), c.expected) << "texture index " << c.textureIndex;
    }
}

TEST(RenderModel, DrawsWhatTheViewerDrawsOfMalformedModels) {
    const RenderTexture red = Solid(kRed);
    const RenderSlots slots{&red};
    // A white square in front of a red one (groups in that order), as the
    // cases change it.
    auto twoSquares = []() {
        TestModel model = SquareModel({"red.bmp"}, 0);
        for (int i = 0; i < 4; ++i) {
            TestVertex v = model.vertices[static_cast<std::size_t>(i)];
            v.z = -1.0f;
            model.vertices.push_back(v);
        }
        model.groups.insert(model.groups.begin(), TestGroup{-1, {4, 5, 6, 7}, 0, {}});
        return model;
    };
    const BuiltModel built = BuildMsm(twoSquares());
    const std::size_t groupCount = built.groupCountOffset, secondGroup = built.groupOffsets[1];
    const struct {
        const char* what;
        std::function<void(TestModel&)> change;
        std::function<void(Bytes&)> damage;
        std::uint32_t centre; // 0xFFFFFFFF: nothing but the clear colour anywhere
    } cases[] = {
        {"both drawn, the front one hides the back", nullptr, nullptr, kWhite},
        {"an index past the vertices: the group is skipped",
         [](TestModel& m) { m.groups[0].indices[3] = 8; }, nullptr, kRed},
        {"two indices: no triangle, skipped", [](TestModel& m) { m.groups[0].indices.resize(2); },
         nullptr, kRed},
        {"the front group without indices", [](TestModel& m) { m.groups[0].indices.clear(); },
         nullptr, kRed},
        {"a group count past the groups: those there are drawn", nullptr,
         [&](Bytes& b) { b[groupCount] = 3; }, kWhite},
        {"the back group cut short: the walk ends after the front one", nullptr,
         [](Bytes& b) { b.pop_back(); }, kWhite},
        {"the front group's nested count with its top bit: the walk ends at once", nullptr,
         [&](Bytes& b) { b[secondGroup - 2] = 0x80; }, 0xFFFFFFFF},
        {"nested groups are stepped over",
         [](TestModel& m) {
             m.groups[0].nested = {{3, {2, 0}}, {0, {}}};
         },
         nullptr, kWhite},
        {"vertices cut short: nothing", nullptr, [&](Bytes& b) { b.resize(secondGroup - 40); },
         0xFFFFFFFF},
        {"no bytes at all", nullptr, [](Bytes& b) { b.clear(); }, 0xFFFFFFFF},
    };
    ASSERT_EQ(built.bytes[secondGroup - 2], 0) << "the front group's nested count";
    for (const auto& c : cases) {
        TestModel model = twoSquares();
        if (c.change) {
            c.change(model);
        }
        Bytes bytes = BuildMsm(model).bytes;
        if (c.damage) {
            c.damage(bytes);
        }
        const RenderImage image = Render(bytes, slots);
        if (c.centre == 0xFFFFFFFF) {
            EXPECT_TRUE(AllClear(image)) << c.what;
        } else {
            EXPECT_EQ(Centre(image), c.centre) << c.what;
        }
    }
}

TEST(RenderModel, TheModelTurnsAboutItsVerticalAxis) {
    // Walls facing -z, +x, +z and -x; turning +x towards the eye, a quarter
    // turn brings round the wall that faced -x.
    const RenderTexture walls[4] = {Solid(0xC08030), Solid(0x30C080), Solid(0x8030C0),
                                    Solid(0xC0C030)};
    const RenderSlots slots{&walls[0], &walls[1], &walls[2], &walls[3]};
    const Bytes box = BuildMsm(BoxModel({"p", "q", "r", "s", "t"}, 0, true)).bytes;
    const std::pair<float, int> views[] = {{0.0f, 0},      {1.5707964f, 3}, {3.1415927f, 2},
                                           {4.712389f, 1}, {6.2831855f, 0}, {-1.5707964f, 1}};
    for (const auto& [angle, wall] : views) {
        EXPECT_EQ(Centre(Render(box, slots, angle)),
                  Centre(Render(BuildMsm(SquareModel({}, 0)).bytes, RenderSlots{&walls[wall]})))
            << "angle " << angle;
    }
}

TEST(RenderModel, PictureSidesFromOneToTheLimit) {
    // A square wider than the whole view.
    const Bytes square = BuildMsm(SquareModel({}, -1, 10.0f)).bytes;
    for (const auto& [w, h] :
         {std::pair{0, 10}, std::pair{10, 0}, std::pair{-5, 10}, std::pair{kMaxRenderSide + 1, 1},
          std::pair{1, kMaxRenderSide + 1}}) {
        const Result<RenderImage> image = RenderModel(Span(square), {}, 0, w, h);
        ASSERT_FALSE(image.ok()) << w << " x " << h;
        EXPECT_EQ(image.refusal().code, "render-size");
    }
    for (const auto& [w, h] : {std::pair{1, 1}, std::pair{3, 1}, std::pair{1, 2}}) {
        const Result<RenderImage> image = RenderModel(Span(square), {}, 0, w, h);
        ASSERT_TRUE(image.ok()) << w << " x " << h;
        EXPECT_EQ(image->rgb.size(), static_cast<std::size_t>(3 * w * h));
        EXPECT_EQ(Colour(*image, w - 1, h - 1), kWhite);
    }
}

// FNV-1a, 64 bits.
std::uint64_t Checksum(const std::vector<std::uint8_t>& bytes) {
    std::uint64_t hash = 0xCBF29CE484222325u;
    for (const std::uint8_t b : bytes) {
        hash = (hash ^ b) * 0x100000001B3u;
    }
    return hash;
}

// The same bytes on every platform: these sums were taken from the native
// build, and the Windows build must give them too.
TEST(RenderModel, FixedScenesGiveTheSameBytesEverywhere) {
    const RenderTexture textures[5] = {Pattern(16, 16), Pattern(32, 8), Pattern(5, 7),
                                       Pattern(64, 64), Pattern(3, 3)};
    RenderSlots slots{};
    for (int i = 0; i < 5; ++i) {
        slots[static_cast<std::size_t>(i)] = &textures[i];
    }
    // A box with a texture to each face, its coordinates stretched past 0..1
    // so that the textures wrap; and a floor that reaches behind the eye.
    TestModel scene = BoxModel({}, 0, true);
    for (TestVertex& v : scene.vertices) {
        v.tu = v.tu * 3.7f - 1.2f;
        v.tv = v.tv * 2.3f + 0.4f;
    }
    const auto base = static_cast<std::uint16_t>(scene.vertices.size());
    scene.vertices.push_back({-3, 0, -9, 0, 1, 0, -4, 5});
    scene.vertices.push_back({-3, 0, 4, 0, 1, 0, -4, -2});
    scene.vertices.push_back({3, 0, 4, 0, 1, 0, 2, -2});
    scene.vertices.push_back({3, 0, -9, 0, 1, 0, 2, 5});
    scene.groups.push_back(
        {3,
         {base, static_cast<std::uint16_t>(base + 1), static_cast<std::uint16_t>(base + 2),
          static_cast<std::uint16_t>(base + 3)},
         0,
         {}});
    const Bytes model = BuildMsm(scene).bytes;
    const struct {
        float angle;
        int width, height;
        std::uint64_t checksum;
    } scenes[] = {
        {0.6f, 256, 256, 0xcfb14176be6f8867u},
        {2.5f, 320, 200, 0x29136b83777a9441u},
        {-1.3f, 97, 61, 0xa17425cb8c5680bcu},
        {4294967.5f, 64, 128, 0x8731ef2aea0527e7u},
    };
    for (const auto& s : scenes) {
        const RenderImage image = Render(model, slots, s.angle, s.width, s.height);
        EXPECT_EQ(Checksum(image.rgb), s.checksum)
            << "angle " << s.angle << ": 0x" << std::hex << Checksum(image.rgb);
    }
}

} // namespace
