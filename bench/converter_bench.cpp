// Benchmarks of the converter's pieces. Whole-program runs against peers are
// timed by the scripts beside this file.
#include "texture/txr_format.h"
#include "texture/txr_to_bmp.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

std::string MakeTexture(int side, int bitsPerPixel) {
    const std::string path =
        (std::filesystem::temp_directory_path() /
         ("pvbench-" + std::to_string(side) + "-" + std::to_string(bitsPerPixel) + ".txr"))
            .string();
    const TxrHeader header{side, side, bitsPerPixel, TxrMaxLevelCount(side, side)};
    std::vector<std::uint8_t> bytes(TxrFileSize(header));
    EncodeTxrHeader(header, bytes.data());
    for (std::size_t i = kTxrHeaderSize; i < bytes.size(); ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 2654435761u >> 24);
    }
    std::FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    return path;
}

void BM_ConvertTxrToBmp(benchmark::State& state) {
    const int side = static_cast<int>(state.range(0));
    const int bits = static_cast<int>(state.range(1));
    const std::string input = MakeTexture(side, bits);
    const std::string output = input + ".bmp";
    for (auto _ : state) {
        benchmark::DoNotOptimize(ConvertTxrToBmp(input.c_str(), output.c_str()));
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(BitmapStride(side, bits)) *
                            side);
    std::remove(input.c_str());
    std::remove(output.c_str());
}
BENCHMARK(BM_ConvertTxrToBmp)
    ->Args({256, 8})
    ->Args({256, 24})
    ->Args({2048, 24})
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
