#include "gltf/picture_fit.h"

#include <algorithm>
#include <cmath>

namespace {

double SrgbToLinear(std::uint8_t value) {
    static const std::array<double, 256> table = [] {
        std::array<double, 256> t{};
        for (int i = 0; i < 256; ++i) {
            const double c = i / 255.0;
            t[static_cast<std::size_t>(i)] =
                c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
        }
        return t;
    }();
    return table[value];
}

// The input pixels and their weights that make each output pixel of one
// side: weights of one pixel sum to 1.
struct Tap {
    int from;
    double weight;
};

std::vector<std::vector<Tap>> Taps(int in, int out) {
    std::vector<std::vector<Tap>> taps(static_cast<std::size_t>(out));
    const double scale = static_cast<double>(in) / out;
    for (int j = 0; j < out; ++j) {
        std::vector<Tap>& tap = taps[static_cast<std::size_t>(j)];
        if (in == out) {
            tap.push_back({j, 1.0});
        } else if (out < in) {
            // Box: the input span [j, j + 1) * scale, pixel by pixel.
            const double begin = j * scale, end = (j + 1) * scale;
            for (int i = static_cast<int>(begin); i < in && i < end; ++i) {
                const double covered = std::min<double>(i + 1, end) - std::max<double>(i, begin);
                if (covered > 0) {
                    tap.push_back({i, covered / scale});
                }
            }
        } else {
            // Linear: between the two input centres around this one's.
            const double x = (j + 0.5) * scale - 0.5;
            const int i = static_cast<int>(std::floor(x));
            const double f = x - i;
            tap.push_back({std::clamp(i, 0, in - 1), 1 - f});
            tap.push_back({std::clamp(i + 1, 0, in - 1), f});
        }
    }
    return taps;
}

} // namespace

std::uint8_t LinearToSrgb(double linear) {
    const double c = std::clamp(linear, 0.0, 1.0);
    const double encoded = c <= 0.0031308 ? 12.92 * c : 1.055 * std::pow(c, 1 / 2.4) - 0.055;
    return static_cast<std::uint8_t>(std::lround(encoded * 255));
}

int TextureSide(int side, int maxSide) {
    int largest = 2;
    while (largest <= maxSide / 2) {
        largest *= 2;
    }
    int lower = 1;
    while (lower <= side / 2) {
        lower *= 2;
    }
    // Nearer by ratio: the upper one when side >= lower * sqrt 2.
    const std::int64_t s = side;
    const int nearest = s * s >= std::int64_t{lower} * lower * 2 ? 2 * lower : lower;
    return std::clamp(nearest, 2, largest);
}

RgbPicture ResizePicture(const RgbPicture& picture, int width, int height) {
    if (width == picture.width && height == picture.height) {
        return picture;
    }
    const auto across = Taps(picture.width, width);
    const auto down = Taps(picture.height, height);
    // Across each row first, into linear values, then down each column.
    std::vector<double> rows(static_cast<std::size_t>(width) * picture.height * 3);
    for (int y = 0; y < picture.height; ++y) {
        const std::uint8_t* in =
            picture.rgb.data() + static_cast<std::size_t>(y) * picture.width * 3;
        double* out = rows.data() + static_cast<std::size_t>(y) * width * 3;
        for (int x = 0; x < width; ++x) {
            for (const Tap& tap : across[static_cast<std::size_t>(x)]) {
                for (int c = 0; c < 3; ++c) {
                    out[3 * x + c] += tap.weight * SrgbToLinear(in[3 * tap.from + c]);
                }
            }
        }
    }
    RgbPicture resized;
    resized.width = width;
    resized.height = height;
    resized.rgb.resize(static_cast<std::size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width * 3; ++x) {
            double sum = 0;
            for (const Tap& tap : down[static_cast<std::size_t>(y)]) {
                sum += tap.weight * rows[static_cast<std::size_t>(tap.from) * width * 3 + x];
            }
            resized.rgb[static_cast<std::size_t>(y) * width * 3 + x] = LinearToSrgb(sum);
        }
    }
    return resized;
}

void TintPicture(RgbPicture& picture, const std::array<float, 3>& factor) {
    if (factor[0] == 1 && factor[1] == 1 && factor[2] == 1) {
        return;
    }
    for (std::size_t i = 0; i < picture.rgb.size(); ++i) {
        picture.rgb[i] = LinearToSrgb(SrgbToLinear(picture.rgb[i]) * factor[i % 3]);
    }
}
