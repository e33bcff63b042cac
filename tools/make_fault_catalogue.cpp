// Writes the generated catalogue with one planted fault per finding code into
// a folder, for the checks of exported files with outside tools.
#include "builders/tool_arguments.h"
#include "builders/fault_catalogue.h"

#include <cstdio>
#include <optional>
#include <string>
#include <exception>

int main(int argc, char** argv) {
    int exitCode = 0;
    const std::optional<std::string> folder =
        OutputFolderArgument(argc, argv, "make_fault_catalogue FOLDER", exitCode);
    if (!folder) {
        return exitCode;
    }
    try {
        WriteFaultCatalogue(*folder);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "make_fault_catalogue: %s\n", error.what());
        return 1;
    }
}
