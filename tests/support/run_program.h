// Runs a real program of this build and collects what it printed.
#pragma once

#include <string>
#include <vector>

struct ProgramResult {
    bool started = false;
    // The process exit status: the full 32 bits on Windows (so -1 reads as
    // -1), the low 8 bits on Linux (so -1 reads as 255).
    int exitCode = 0;
    std::string standardOutput;
    std::string standardError;
};

// Exit status with which a program that exits with -1 is seen.
#ifdef _WIN32
inline constexpr int kExitMinusOne = -1;
#else
inline constexpr int kExitMinusOne = 255;
#endif

// The program under test (PV_PROGRAM_PATH), as a path this platform opens.
std::string ProgramUnderTest();
// piecetool of this build, the same way.
std::string PiecetoolUnderTest();

// Runs `program` with `arguments`; on Windows an argument holding a blank is
// wrapped in double quotes, as a user would type it. With `fileSizeLimit`
// (Linux only) every write past that many bytes fails, as on a full disk,
// when the program takes the limit's signal as a failed write (a program
// ended by a signal counts as not started).
ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         long fileSizeLimit = -1);
