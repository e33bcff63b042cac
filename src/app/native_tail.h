#pragma once

#include <string>

// Rebuilds the command-line tail that a Windows program would receive from
// the arguments of a POSIX program: the arguments joined with single blanks,
// an argument holding a blank wrapped in double quotes, nothing else escaped.
std::string JoinArgumentsAsTail(int argc, const char* const* argv);
