// Reads pixels of a rendered PNG file and checks the colour family of each:
//   pv_render_check FILE X,Y,COLOUR...   (COLOUR: red, brick, white, blue, grey)
// Prints every pixel read; exit code 1 when one is not of its colour.
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#include <stb/stb_image.h>

#include <cstdio>
#include <string>

namespace {

bool IsColour(const std::string& colour, int r, int g, int b) {
    if (colour == "red") {
        return r > g + 60 && r > b + 60;
    }
    if (colour == "brick") {
        return r > g + 35 && r > b + 45;
    }
    if (colour == "blue") {
        return b > r + 60 && b > g + 30;
    }
    if (colour == "white") {
        return r > 130 && g > 130 && b > 130;
    }
    if (colour == "grey") {
        return r < 100 && g < 100 && b < 100 && r + 20 > b && b + 20 > r;
    }
    return false;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: pv_render_check FILE X,Y,COLOUR...\n");
        return 2;
    }
    int width = 0, height = 0, channels = 0;
    unsigned char* pixels = stbi_load(argv[1], &width, &height, &channels, 3);
    if (pixels == nullptr) {
        std::printf("%s: not a readable picture\n", argv[1]);
        return 1;
    }
    int failures = 0;
    for (int i = 2; i < argc; ++i) {
        int x = 0, y = 0;
        char colour[16] = {};
        if (std::sscanf(argv[i], "%d,%d,%15s", &x, &y, colour) != 3 || x < 0 || y < 0 ||
            x >= width || y >= height) {
            std::printf("%s: not a point of the picture\n", argv[i]);
            ++failures;
            continue;
        }
        const unsigned char* p = pixels + 3 * (static_cast<std::size_t>(y) * width + x);
        const bool ok = IsColour(colour, p[0], p[1], p[2]);
        std::printf("(%d,%d) is %d %d %d: %s %s\n", x, y, p[0], p[1], p[2],
                    ok ? "as expected" : "expected", colour);
        failures += ok ? 0 : 1;
    }
    stbi_image_free(pixels);
    return failures == 0 ? 0 : 1;
}
