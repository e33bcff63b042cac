// piecetool, stopped dead at one step of its group writes: the first
// argument is the step (numbered from 0); at it the process ends at once
// with exit code 99, as a run killed there would (the system closes its
// files and lets go of its locks; nothing is undone). The other arguments
// are piecetool's. piecetool's own main is compiled into this program
// under the name PiecetoolMain.
#include "common/file_group.h"

#include <cstdlib>
#include <string>

#undef main
int PiecetoolMain(int argc, char** argv);

namespace {

std::size_t stopStep = 0;

bool StopAtStep(std::size_t step) {
    if (step == stopStep) {
        std::_Exit(99);
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        return 2;
    }
    stopStep = std::stoul(argv[1]);
    SetGroupStepHook(StopAtStep);
    argv[1] = argv[0];
    return PiecetoolMain(argc - 1, argv + 1);
}
