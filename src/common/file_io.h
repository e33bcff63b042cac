// Whole-file reading and all-or-nothing file writing.
//
// Output files are written under a temporary name in the target's folder and
// renamed over the target only once every byte has been written and the file
// closed without error. A failed conversion therefore never leaves a partial
// file, and an existing file of the target's name stays untouched.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Length of an open file in bytes, or nothing if it cannot be told.
std::optional<std::uint64_t> FileLength(std::FILE* stream);

// Reads `count` bytes from the current position; false on a short read.
bool ReadExactly(std::FILE* stream, void* buffer, std::size_t count);

// The whole file, or nothing when it cannot be opened or read, or is longer
// than `maxBytes`.
std::optional<std::vector<std::uint8_t>> ReadWholeFile(const char* path, std::uint64_t maxBytes);

// A whole input file made readable in memory: mapped where the platform can,
// so that large textures are not copied before use.
struct InputFile {
    const std::uint8_t* data = nullptr;
    std::uint64_t size = 0;
    void* mapping = nullptr; // platform mapping, or null
};

// Opens `path` and makes its bytes available. False when it cannot be opened
// or is not a regular file.
bool OpenInputFile(InputFile& file, const char* path);
void CloseInputFile(InputFile& file);

struct OutputFile {
    std::FILE* stream = nullptr;
    // Stream buffer: one system call per megabyte. Left uninitialised, so a
    // small file touches only the pages it fills.
    std::unique_ptr<char[]> buffer;
    std::string tempPath;
    std::string finalPath;
    bool failed = false;
};

// Creates the temporary file beside `path`. False when it cannot be created.
bool BeginOutputFile(OutputFile& file, const char* path);

// Appends bytes; a failure is remembered and reported by CommitOutputFile.
void WriteOutput(OutputFile& file, const void* data, std::size_t count);

// Closes the temporary file and renames it over the target. On any earlier or
// present failure the temporary file is removed and false is returned.
bool CommitOutputFile(OutputFile& file);

// Closes and removes the temporary file; the target is not touched.
void AbandonOutputFile(OutputFile& file);

// True when `path` names an existing directory.
bool IsDirectory(const char* path);
