// Writes a few models, each after a four-byte turn angle, into the folder
// named on the command line: the starting corpus of the rendering's fuzz
// target, so that it begins from models whose triangles reach the picture.
#include "builders/msm_builder.h"

#include <cstring>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2) {
        return 2;
    }
    TestModel nested = SquareModel({"a.bmp", "b"}, 1);
    nested.groups[0].nested = {{2, {1, 0}}};
    const std::pair<const char*, TestModel> models[] = {
        {"box", BoxModel({"a.bmp"}, 0, true)},
        {"square", SquareModel({}, -1, 9.0f)},
        {"nested", nested},
    };
    for (const auto& [name, model] : models) {
        Bytes bytes(4);
        const float angle = 0.6f;
        std::memcpy(bytes.data(), &angle, 4);
        const Bytes built = BuildMsm(model).bytes;
        bytes.insert(bytes.end(), built.begin(), built.end());
        WriteBytes(std::string(argv[1]) + "/" + name + ".seed", bytes);
    }
    return 0;
}
