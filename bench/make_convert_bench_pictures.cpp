// Writes the inputs of convert_vs_peers.sh into a folder:
//   in/NNN.bmp  500 pictures of 256 x 256: even numbers 8-bit, odd 24-bit,
//               each with its rows turned by its number so no two are alike
//   pic8.png    1024 x 1024 paletted PNG (256 colours)
#include "bench_pictures.h"
#include "png/png_image.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_convert_bench_pictures folder\n");
        return 2;
    }
    const std::string folder = argv[1];
    std::filesystem::create_directories(folder + "/in");
    const BitmapImage eight = bench::Picture(256, 256, 8);
    const BitmapImage full = bench::Picture(256, 256, 24);
    for (int i = 0; i < 500; ++i) {
        BitmapImage picture = i % 2 == 0 ? eight : full;
        const std::size_t stride = BitmapStride(picture.width, picture.bitsPerPixel);
        std::rotate(picture.pixels.begin(), picture.pixels.begin() + stride * (i % 256),
                    picture.pixels.end());
        char name[32];
        std::snprintf(name, sizeof name, "/in/%03d.bmp", i);
        if (!bench::WriteFile(folder + name, bench::BmpFile(picture))) {
            std::fprintf(stderr, "make_convert_bench_pictures: cannot write into %s\n",
                         folder.c_str());
            return 1;
        }
    }
    const BitmapImage large = bench::Picture(1024, 1024, 8);
    PalettedPicture png;
    png.width = large.width;
    png.height = large.height;
    for (int k = 0; k < 256; ++k) {
        png.palette.push_back({large.colourTable[4u * k + 2], large.colourTable[4u * k + 1],
                               large.colourTable[4u * k]});
    }
    for (int y = 0; y < large.height; ++y) {
        const std::uint8_t* row =
            large.pixels.data() + static_cast<std::size_t>(y) * BitmapStride(large.width, 8);
        png.indices.insert(png.indices.end(), row, row + large.width);
    }
    if (!bench::WriteFile(folder + "/pic8.png", EncodePng(png).value())) {
        std::fprintf(stderr, "make_convert_bench_pictures: cannot write into %s\n", folder.c_str());
        return 1;
    }
    return 0;
}
