// Writes the generated catalogue with one planted fault per finding code into
// a folder, for the checks of exported files with outside tools.
#include "support/fault_catalogue.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_fault_catalogue FOLDER\n");
        return 2;
    }
    return WriteFaultCatalogue(argv[1]) ? 0 : 1;
}
