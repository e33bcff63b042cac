// piecetool check on a generated catalogue of 5,000 pieces and 20,000
// textures (each model names four textures of its own). The check reads only
// the headers and sizes of textures; the peer in the same run reads every
// file of the catalogue whole, the floor of any check that looks at pixels.
// Time per thousand pieces: the time of one run divided by 5.
#include "catalogue/catalogue_check.h"

#include "builders/msm_builder.h"
#include "builders/piece_files.h"
#include "builders/txr_builder.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

constexpr int kPieces = 5000;
constexpr int kTexturesPerPiece = 4;

const fs::path& Catalogue() {
    static const fs::path root = [] {
        const fs::path folder = fs::temp_directory_path() / "pv_check_bench_catalogue_v2";
        if (fs::exists(folder / "complete")) {
            return folder;
        }
        fs::remove_all(folder);
        for (const char* sub : {"profiles", "models", "textures"}) {
            fs::create_directories(folder / sub);
        }
        TestTexture texture;
        texture.width = 64;
        texture.height = 64;
        texture.levelCount = 6;
        texture.pixel = PatternPixel;
        const Bytes txr = BuildTxr(texture);
        for (int p = 0; p < kPieces; ++p) {
            const std::string id = std::to_string(p);
            std::vector<std::string> names;
            for (int t = 0; t < kTexturesPerPiece; ++t) {
                names.push_back("t" + id + "_" + std::to_string(t) + ".bmp");
                WriteBytes(
                    (folder / "textures" / ("t" + id + "_" + std::to_string(t) + ".txr")).string(),
                    txr);
            }
            WriteBytes((folder / "models" / ("m" + id + ".msm")).string(),
                       BuildMsm(BoxModel(names, 0)).bytes);
            WriteBytes((folder / "profiles" / ("p" + id + ".prt")).string(),
                       ProfileBytes("m" + id + ".msm", "Piece " + id));
        }
        WriteBytes((folder / "complete").string(), {});
        return folder;
    }();
    return root;
}

void BM_CheckCatalogue(benchmark::State& state) {
    const fs::path& root = Catalogue();
    std::size_t findings = 0;
    for (auto _ : state) {
        const Result<CatalogueIndex> catalogue = OpenCatalogue(
            (root / "profiles").string(), (root / "models").string(), (root / "textures").string());
        const CheckReport report = CheckCatalogue(*catalogue, true, {});
        findings += report.findings.size() + (report.pieces == kPieces ? 0 : 1);
    }
    if (findings != 0) {
        state.SkipWithError("the generated catalogue is not sound");
    }
}
BENCHMARK(BM_CheckCatalogue)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

void BM_ReadEveryFileWhole(benchmark::State& state) {
    const fs::path& root = Catalogue();
    std::vector<char> buffer(1 << 16);
    for (auto _ : state) {
        std::size_t bytes = 0;
        for (const char* sub : {"profiles", "models", "textures"}) {
            for (const auto& entry : fs::directory_iterator(root / sub)) {
                std::FILE* f = std::fopen(entry.path().c_str(), "rb");
                while (std::size_t n = std::fread(buffer.data(), 1, buffer.size(), f)) {
                    bytes += n;
                }
                std::fclose(f);
            }
        }
        benchmark::DoNotOptimize(bytes);
    }
}
BENCHMARK(BM_ReadEveryFileWhole)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

} // namespace

BENCHMARK_MAIN();
