// The catalogue of bench/catalogue_commands.sh: COUNT pieces, each a box whose
// five faces use four 64 x 64 textures of its own (24-bit, every mip level).
//   make_site_bench_catalogue FOLDER COUNT
#include "builders/msm_builder.h"
#include "builders/piece_files.h"
#include "builders/txr_builder.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_site_bench_catalogue FOLDER COUNT\n");
        return 2;
    }
    namespace fs = std::filesystem;
    try {
        const fs::path root(argv[1]);
        for (const char* sub : {"profiles", "models", "textures"}) {
            fs::create_directories(root / sub);
        }
        const Bytes txr = BuildTxr({64, 64, 24, 6, PatternPixel, {}});
        const int count = std::atoi(argv[2]);
        for (int p = 0; p < count; ++p) {
            const std::string id = std::to_string(p);
            std::vector<std::string> names;
            for (int t = 0; t < 4; ++t) {
                const std::string stem = "t" + id + "_" + std::to_string(t);
                names.push_back(stem + ".bmp");
                WriteBytes((root / "textures" / (stem + ".txr")).string(), txr);
            }
            TestModel box = BoxModel(names, 0, true);
            box.groups[4].textureIndex = 0; // the lid: four textures for five faces
            WriteBytes((root / "models" / ("m" + id + ".msm")).string(), BuildMsm(box).bytes);
            WriteBytes((root / "profiles" / ("p" + id + ".prt")).string(),
                       ProfileBytes("m" + id + ".msm", "Piece " + id));
        }
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "make_site_bench_catalogue: %s\n", error.what());
        return 1;
    }
}
