// A file size limit (RLIMIT_FSIZE, the shell's `ulimit -f`) ends a process
// with SIGXFSZ when a write reaches it, by default: no message, and the
// temporary file being written stays behind. A program that writes files
// ignores the signal first thing, so that the write returns EFBIG instead and
// fails like a write to a full disk, with the usual refusal and clean-up.
// Windows has no such limit or signal.
#pragma once

#include <csignal>

inline void TakeFileSizeLimitAsWriteFailure() {
#ifdef SIGXFSZ
    std::signal(SIGXFSZ, SIG_IGN);
#endif
}
