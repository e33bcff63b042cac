// The commands of piecetool. Each adds its subcommand, with its options and
// arguments, to the command line and sets `exitCode` when it has run:
// 0 when all went well, 1 when the work found or met a failure, 2 for a
// usage error found after parsing (such as a folder that does not exist).
#pragma once

#include <CLI/CLI.hpp>

// Exit code of a usage error: a bad option, a missing argument, a folder
// that does not exist.
inline constexpr int kUsageExitCode = 2;

// piecetool convert: textures between TXR, BMP and PNG, folders at a time.
void AddConvertCommand(CLI::App& app, int& exitCode);

// piecetool check PROFILES MODELS TEXTURES [--json] [--all]
void AddCheckCommand(CLI::App& app, int& exitCode);

// piecetool export PROFILES MODELS TEXTURES OUTDIR [--piece NAME]... [--gltf] [--unlit]
void AddExportCommand(CLI::App& app, int& exitCode);

// piecetool site [--title TEXT] PROFILES MODELS TEXTURES OUTDIR
void AddSiteCommand(CLI::App& app, int& exitCode);
