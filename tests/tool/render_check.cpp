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
    return colour == "red"     ? r > g + 60 && r > b + 60
           : colour == "brick" ? r > g + 35 && r > b + 45
           : colour == "blue"  ? b > r + 60 && b > g + 30
           : colour == "white" ? r > 130 && g > 130 && b > 130
           : colour == "grey"  ? r < 100 && g < 100 && b < 100 && r + 20 > b && b + 20 > r
                               : false;
}

} // namespace

int main(int argc, char** argv) {
    int width = 0, height = 0, channels = 0;
    unsigned char* pixels = argc < 3 ? nullptr : stbi_load(argv[1], &width, &height, &channels, 3);
    if (pixels == nullptr) {
        std::printf("usage: pv_render_check FILE X,Y,COLOUR... (with FILE a readable picture)\n");
        return 2;
    }
    int failures = 0;
    for (int i = 2; i < argc; ++i) {
        int x = 0, y = 0;
        char colour[16] = {};
        const bool inside = std::sscanf(argv[i], "%d,%d,%15s", &x, &y, colour) == 3 && x >= 0 &&
                            y >= 0 && x < width && y < height;
        const unsigned char* p =
            inside ? pixels + 3 * (static_cast<std::size_t>(y) * width + x) : nullptr;
        const bool ok = inside && IsColour(colour, p[0], p[1], p[2]);
        std::printf("%s is %d %d %d: %s %s\n", argv[i], inside ? p[0] : -1, inside ? p[1] : -1,
                    inside ? p[2] : -1, ok ? "as expected" : "expected", colour);
        failures += ok ? 0 : 1;
    }
    stbi_image_free(pixels);
    return failures == 0 ? 0 : 1;
}
