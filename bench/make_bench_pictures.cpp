// Writes the inputs of bmp_to_txr_vs_peers.sh into a folder:
//   pic8.bmp   1024 x 1024, 256 colours
//   pic24.bmp  1024 x 1024, 24-bit
//   pic24.tga  the same 24-bit picture as a TGA file
#include "bench_pictures.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_bench_pictures folder\n");
        return 2;
    }
    const std::string folder = argv[1];
    const BitmapImage eight = bench::Picture(1024, 1024, 8);
    const BitmapImage full = bench::Picture(1024, 1024, 24);
    if (!bench::WriteFile(folder + "/pic8.bmp", bench::BmpFile(eight)) ||
        !bench::WriteFile(folder + "/pic24.bmp", bench::BmpFile(full)) ||
        !bench::WriteFile(folder + "/pic24.tga", bench::TgaFile(full))) {
        std::fprintf(stderr, "make_bench_pictures: cannot write into %s\n", folder.c_str());
        return 1;
    }
    return 0;
}
