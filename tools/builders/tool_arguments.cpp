#include "builders/tool_arguments.h"

#include "common/file_size_limit.h"

#include <cstdio>
#include <string_view>

std::optional<std::string> OutputFolderArgument(int argc, char** argv, const char* usage,
                                                int& exitCode) {
    TakeFileSizeLimitAsWriteFailure();
    const std::string_view first = argc > 1 ? argv[1] : "";
    if (argc == 2 && (first == "--help" || first == "-h")) {
        std::printf("usage: %s\n", usage);
        exitCode = 0;
        return std::nullopt;
    }
    if (argc == 3 && first == "--" && argv[2][0] != '\0') {
        return std::string(argv[2]);
    }
    if (argc == 2 && !first.empty() && first[0] != '-') {
        return std::string(first);
    }
    if (argc >= 2 && first.starts_with('-') && first != "--") {
        std::fprintf(stderr, "unknown option %s\n", argv[1]);
    }
    std::fprintf(stderr, "usage: %s\n", usage);
    exitCode = 2;
    return std::nullopt;
}
