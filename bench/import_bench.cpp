// The import of a model as a piece, on one core: a 250 x 250 grid (62,500
// vertices, 124,002 triangles) with normals, texture coordinates and one
// 256 x 256 picture, written as a GLB file by our own builder and imported
// from that file through the whole core (parsing, transforms, welding, fans,
// the texture's levels, the piece's files in memory). The welding and the
// fans of the same grid are measured on their own beside it.
#include "gltf/fan_builder.h"
#include "gltf/piece_import.h"
#include "gltf/vertex_weld.h"

#include "builders/gltf_builder.h"
#include "png/png_image.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>

namespace {

constexpr std::uint32_t kSide = 250;

// A gently waved grid of kSide x kSide vertices in x and z, every cell cut
// into two triangles facing up.
GltfBuilder Grid() {
    std::vector<float> positions, normals, uvs;
    for (std::uint32_t z = 0; z < kSide; ++z) {
        for (std::uint32_t x = 0; x < kSide; ++x) {
            positions.insert(
                positions.end(),
                {x * 0.01f, 0.02f * std::sin(x * 0.1f) * std::cos(z * 0.1f), z * 0.01f});
            normals.insert(normals.end(), {0, 1, 0});
            uvs.insert(uvs.end(), {x / (kSide - 1.0f), z / (kSide - 1.0f)});
        }
    }
    std::vector<std::uint32_t> indices;
    for (std::uint32_t z = 0; z + 1 < kSide; ++z) {
        for (std::uint32_t x = 0; x + 1 < kSide; ++x) {
            const std::uint32_t a = z * kSide + x, b = a + 1, c = a + kSide, d = c + 1;
            indices.insert(indices.end(), {a, c, d, a, d, b});
        }
    }
    RgbPicture picture;
    picture.width = picture.height = 256;
    for (int i = 0; i < 256 * 256; ++i) {
        picture.rgb.insert(picture.rgb.end(),
                           {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i >> 8),
                            static_cast<std::uint8_t>((i >> 4) ^ i)});
    }
    GltfBuilder gltf;
    const int material = gltf.PictureMaterial(EncodePng(picture).value());
    gltf.Node({{"name", "Grid"}, {"mesh", gltf.Mesh(positions, indices, material, normals, uvs)}});
    return gltf;
}

const std::string& GridFile() {
    static const std::string path = [] {
        const std::string file =
            (std::filesystem::temp_directory_path() / "pv_import_bench_grid.glb").string();
        WriteBytes(file, Grid().Glb());
        return file;
    }();
    return path;
}

void ImportGrid(benchmark::State& state) {
    std::size_t fans = 0;
    for (auto _ : state) {
        const Result<ImportedPiece> piece = ImportGltfFile(GridFile(), ImportOptions{});
        if (!piece) {
            state.SkipWithError(piece.refusal().message.c_str());
            return;
        }
        fans = piece->fans;
        benchmark::DoNotOptimize(piece->model.bytes.data());
    }
    state.counters["fans"] = static_cast<double>(fans);
}
BENCHMARK(ImportGrid)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);

// The grid's corners as the importer hands them to the welding.
std::vector<MsmVertex> GridCorners() {
    std::vector<MsmVertex> corners;
    for (std::uint32_t z = 0; z + 1 < kSide; ++z) {
        for (std::uint32_t x = 0; x + 1 < kSide; ++x) {
            const auto at = [](std::uint32_t cx, std::uint32_t cz) {
                return MsmVertex{cx * 0.01f, 0, cz * 0.01f, 0, 1, 0, cx / 249.0f, cz / 249.0f};
            };
            corners.insert(corners.end(), {at(x, z), at(x + 1, z + 1), at(x, z + 1), at(x, z),
                                           at(x + 1, z), at(x + 1, z + 1)});
        }
    }
    return corners;
}

void WeldGrid(benchmark::State& state) {
    const std::vector<MsmVertex> corners = GridCorners();
    for (auto _ : state) {
        benchmark::DoNotOptimize(WeldVertices(corners).vertices.size());
    }
}
BENCHMARK(WeldGrid)->Unit(benchmark::kMillisecond)->UseRealTime();

void FansOfGrid(benchmark::State& state) {
    const WeldedVertices welded = WeldVertices(GridCorners());
    std::size_t fans = 0;
    for (auto _ : state) {
        fans = BuildFans(welded.indexOf, welded.vertices.size(), 127).size();
    }
    state.counters["fans"] = static_cast<double>(fans);
}
BENCHMARK(FansOfGrid)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
