// Any bytes as a TXR file: the conversion must refuse or write a bitmap of
// exactly the size its header implies, and never read past the data.
#include "texture/txr_to_bmp.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string base = "/tmp/pv-fuzz-txr-" + std::to_string(getpid());
    static const std::string input = base + ".txr";
    static const std::string output = base + ".bmp";
    std::FILE* f = std::fopen(input.c_str(), "wb");
    if (f == nullptr) {
        return 0;
    }
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    std::remove(output.c_str());
    const bool written = ConvertTxrToBmp(input.c_str(), output.c_str());
    struct stat info;
    const bool exists = stat(output.c_str(), &info) == 0;
    if (written != exists) {
        std::abort(); // a result that disagrees with the file system
    }
    if (written) {
        const TxrHeader header = DecodeTxrHeader(data);
        const std::uint64_t expected =
            54 + (header.bitsPerPixel == 8 ? 1024 : 0) + TxrLevelBytes(header, 0);
        if (static_cast<std::uint64_t>(info.st_size) != expected) {
            std::abort();
        }
    }
    return 0;
}
