// Any text as a command-line tail: parsing never overruns its 260-byte
// buffers and only a leading "/b" or "/t" is taken for a conversion.
#include "texture/command_line.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string tail(reinterpret_cast<const char*>(data), size);
    const CommandTail parsed = ParseCommandTail(tail.c_str());
    if (std::strlen(parsed.inputName) > kPathMaxLength ||
        std::strlen(parsed.outputName) > kPathMaxLength) {
        std::abort();
    }
    if ((parsed.kind == TailKind::NotConversion) == IsConversionTail(tail.c_str())) {
        std::abort();
    }
    return 0;
}
