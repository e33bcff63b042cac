// Benchmarks of the bitmap-to-texture pieces, and of the whole conversion
// against the literal algorithms it must agree with byte for byte.
#include "bench_pictures.h"
#include "support/literal_texture.h"
#include "texture/bmp_reader.h"
#include "texture/mip_levels.h"
#include "texture/txr_format.h"
#include "texture/txr_writer.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

std::string TempPath(const std::string& name) {
    return (std::filesystem::temp_directory_path() / name).string();
}

void BM_ReadBitmap(benchmark::State& state) {
    const int side = static_cast<int>(state.range(0));
    const std::vector<std::uint8_t> file =
        bench::BmpFile(bench::Picture(side, side, static_cast<int>(state.range(1))));
    for (auto _ : state) {
        benchmark::DoNotOptimize(ReadBitmap(file.data(), file.size()));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(file.size()));
}
BENCHMARK(BM_ReadBitmap)->Args({1024, 8})->Args({1024, 24})->Unit(benchmark::kMillisecond);

void BM_BuildMipLevels(benchmark::State& state) {
    const int side = static_cast<int>(state.range(0));
    const BitmapImage picture = bench::Picture(side, side, 24);
    for (auto _ : state) {
        benchmark::DoNotOptimize(BuildMipLevels(picture, TxrMaxLevelCount(side, side), 24));
    }
}
BENCHMARK(BM_BuildMipLevels)->Arg(256)->Arg(1024)->Unit(benchmark::kMillisecond);

void BM_LiteralLevels(benchmark::State& state) {
    const int side = static_cast<int>(state.range(0));
    const BitmapImage picture = bench::Picture(side, side, 24);
    for (auto _ : state) {
        benchmark::DoNotOptimize(literal::Levels(picture, TxrMaxLevelCount(side, side)));
    }
}
BENCHMARK(BM_LiteralLevels)->Arg(256)->Arg(1024)->Unit(benchmark::kMillisecond);

// Census, palette and mapping of every level of an 8-bit picture.
void BM_MapLevelsToPalette(benchmark::State& state) {
    const int side = static_cast<int>(state.range(0));
    const BitmapImage picture = bench::Picture(side, side, 8);
    const MipLevelSet levels = BuildMipLevels(picture, TxrMaxLevelCount(side, side), 8);
    for (auto _ : state) {
        state.PauseTiming();
        MipLevelSet set = levels;
        state.ResumeTiming();
        benchmark::DoNotOptimize(MapLevelsToPalette(set));
    }
}
BENCHMARK(BM_MapLevelsToPalette)->Arg(256)->Arg(1024)->Unit(benchmark::kMillisecond);

// The whole conversion of a decoded picture into a texture file.
void BM_WriteTxr(benchmark::State& state) {
    const int side = static_cast<int>(state.range(0));
    const int bits = static_cast<int>(state.range(1));
    const BitmapImage picture = bench::Picture(side, side, bits);
    const std::string out =
        TempPath("pvbench-write-" + std::to_string(side) + "-" + std::to_string(bits) + ".txr");
    const int levels = TxrMaxLevelCount(side, side);
    for (auto _ : state) {
        const bool ok = bits == 8 ? WriteTxr8(out.c_str(), picture, side, side, levels)
                                  : WriteTxr24(out.c_str(), picture, side, side, levels);
        benchmark::DoNotOptimize(ok);
    }
    std::remove(out.c_str());
}
BENCHMARK(BM_WriteTxr)
    ->Args({256, 8})
    ->Args({256, 24})
    ->Args({1024, 8})
    ->Args({1024, 24})
    ->Unit(benchmark::kMillisecond);

// The literal algorithms on the same pictures (file bytes in memory, so
// slightly favoured). Census by linear search makes 1024 x 1024 at 8 bits
// impractical; 256 x 256 is the comparison point.
void BM_LiteralTxr(benchmark::State& state) {
    const int side = static_cast<int>(state.range(0));
    const BitmapImage picture = bench::Picture(side, side, static_cast<int>(state.range(1)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(literal::Txr(picture));
    }
}
BENCHMARK(BM_LiteralTxr)
    ->Args({256, 8})
    ->Args({256, 24})
    ->Args({1024, 24})
    ->Unit(benchmark::kMillisecond);

} // namespace
