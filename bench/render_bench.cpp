// The software rendering of the preview's picture at the size piecetool's
// pictures take (256 x 256): a small piece (a textured box, 12 triangles)
// and a busy one (a grid of 7 x 7 boxes of 1 to 4 storeys, 1,222 triangles
// with the lids), each face with one of five 64 x 64 textures; items are
// pieces drawn.
#include "render/render_model.h"

#include "builders/msm_builder.h"
#include "builders/txr_builder.h"

#include <benchmark/benchmark.h>

namespace {

// A piece of boxes standing on a grid, its footprint about 2.4 units wide,
// so that it fills the picture as a sample piece does.
TestModel BoxGrid(int side) {
    TestModel grid;
    for (int i = 0; i < side * side; ++i) {
        const float x = (i % side - (side - 1) / 2.0f) * 0.35f;
        const float z = (i / side - (side - 1) / 2.0f) * 0.35f;
        const int storeys = 1 + (i * 7) % 4;
        for (int storey = 0; storey < storeys; ++storey) {
            const TestModel box = BoxModel({}, static_cast<std::int16_t>(i % 5), false, 0.15f,
                                           0.15f + 0.3f * static_cast<float>(storey));
            const auto base = static_cast<std::uint16_t>(grid.vertices.size());
            for (TestVertex v : box.vertices) {
                v.x += x;
                v.z += z;
                grid.vertices.push_back(v);
            }
            for (TestGroup group : box.groups) {
                for (std::uint16_t& index : group.indices) {
                    index = static_cast<std::uint16_t>(index + base);
                }
                grid.groups.push_back(group);
            }
        }
    }
    return grid;
}

void BM_RenderPiece(benchmark::State& state) {
    std::vector<RgbPicture> textures(5, RgbPicture{64, 64, {}});
    for (int t = 0; t < 5; ++t) {
        for (int i = 0; i < 64 * 64 * 3; ++i) {
            textures[static_cast<std::size_t>(t)].rgb.push_back(
                PatternPixel(i / 3 % 64 + t, i / 192, i % 3));
        }
    }
    const RenderSlots slots{&textures[0], &textures[1], &textures[2], &textures[3], &textures[4]};
    const Bytes model = BuildMsm(state.range(0) == 0 ? BoxModel({}, 0, true) : BoxGrid(7)).bytes;
    float angle = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(RenderModel({model.data(), model.size()}, slots, angle, 256, 256));
        angle += 0.1f;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RenderPiece)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
