// Writes the generated catalogue with one planted fault per finding code into
// a folder, for the checks of exported files with outside tools.
#include "builders/fault_catalogue.h"

#include <cstdio>
#include <exception>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_fault_catalogue FOLDER\n");
        return 2;
    }
    try {
        WriteFaultCatalogue(argv[1]);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "make_fault_catalogue: %s\n", error.what());
        return 1;
    }
}
