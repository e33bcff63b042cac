// Writes the inputs of bmp_to_txr_vs_peers.sh into a folder:
//   pic8.bmp   1024 x 1024, 256 colours
//   pic24.bmp  1024 x 1024, 24-bit
//   pic24.tga  the same 24-bit picture as a TGA file
#include "bench_pictures.h"

#include <cstdio>
#include <string>

namespace {

bool Write(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        return false;
    }
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_bench_pictures folder\n");
        return 2;
    }
    const std::string folder = argv[1];
    const BitmapImage eight = bench::Picture(1024, 1024, 8);
    const BitmapImage full = bench::Picture(1024, 1024, 24);
    if (!Write(folder + "/pic8.bmp", bench::BmpFile(eight)) ||
        !Write(folder + "/pic24.bmp", bench::BmpFile(full)) ||
        !Write(folder + "/pic24.tga", bench::TgaFile(full))) {
        std::fprintf(stderr, "make_bench_pictures: cannot write into %s\n", folder.c_str());
        return 1;
    }
    return 0;
}
