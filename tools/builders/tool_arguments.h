// The command line of the generators: one folder to write into. A first
// argument that begins with "-" is an option, never a folder name: "--help"
// (or "-h") prints the usage and writes nothing, any other option is refused,
// and "--" lets a folder whose name begins with "-" follow.
#pragma once

#include <optional>
#include <string>

// The folder named on the command line, or nothing when the program is to
// end at once with `exitCode` (0 after the usage was asked for, 2 after a
// usage error, with the usage on stderr). Also takes a file size limit as a
// failed write rather than a signal.
std::optional<std::string> OutputFolderArgument(int argc, char** argv, const char* usage,
                                                int& exitCode);
