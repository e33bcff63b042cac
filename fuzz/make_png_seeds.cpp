// Writes a few small PNG files (paletted and truecolour) into the folder
// named on the command line: the starting corpus of the PNG fuzz target, so
// that it begins from files that pass the signature and the zlib framing.
#include "png/png_image.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        return 2;
    }
    for (const bool paletted : {false, true}) {
        RgbPicture truecolour{8, 4, {}};
        PalettedPicture indexed{8, 4, {}, {}};
        for (int i = 0; i < 32 * (paletted ? 1 : 3); ++i) {
            (paletted ? indexed.indices : truecolour.rgb)
                .push_back(static_cast<std::uint8_t>(paletted ? i % 5 : i * 7));
        }
        for (int k = 0; paletted && k < 5; ++k) {
            indexed.palette.push_back({static_cast<std::uint8_t>(k * 50), 0, 255});
        }
        const std::vector<std::uint8_t> png =
            (paletted ? EncodePng(indexed) : EncodePng(truecolour)).value();
        const std::string path =
            std::string(argv[1]) + (paletted ? "/paletted.png" : "/truecolour.png");
        std::FILE* file = std::fopen(path.c_str(), "wb");
        if (file == nullptr || std::fwrite(png.data(), 1, png.size(), file) != png.size() ||
            std::fclose(file) != 0) {
            return 1;
        }
    }
    return 0;
}
