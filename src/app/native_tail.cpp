#include "app/native_tail.h"

std::string JoinArgumentsAsTail(int argc, const char* const* argv) {
    std::string tail;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) {
            tail += ' ';
        }
        const std::string argument = argv[i];
        if (argument.find(' ') != std::string::npos) {
            tail += '"' + argument + '"';
        } else {
            tail += argument;
        }
    }
    return tail;
}
