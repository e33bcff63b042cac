// Whole-file reading and all-or-nothing file writing.
//
// Output files are written under a temporary name in the target's folder and
// renamed over the target only once every byte has been written and the file
// closed without error. A failed conversion therefore never leaves a partial
// file, and an existing file of the target's name stays untouched. The one
// exception is a file the caller has just created for itself (see
// BeginOutputIntoCreatedFile).
#pragma once

#include <cstddef>
#include <cstdint>
#include "common/result.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

// Length of an open file in bytes, or nothing if it cannot be told.
std::optional<std::uint64_t> FileLength(std::FILE* stream);

// Reads `count` bytes from the current position; false on a short read.
bool ReadExactly(std::FILE* stream, void* buffer, std::size_t count);

// The whole file, or nothing when it cannot be opened or read, or is longer
// than `maxBytes`.
std::optional<std::vector<std::uint8_t>> ReadWholeFile(const char* path, std::uint64_t maxBytes);

// The same, saying why not: "file-unreadable" (it cannot be opened or read;
// the message gives the system's reason) or "file-too-large".
Result<std::vector<std::uint8_t>> ReadFileBytes(const char* path, std::uint64_t maxBytes);

// Bytes at the start of an input that are always read into memory of our own.
inline constexpr std::size_t kInputHeadBytes = 4096;

// A whole input file made readable in memory: mapped where the platform can,
// so that large textures are not copied before use; on Windows a small file
// is read in one call instead, since each mapping call is a system round trip.
//
// Another program may cut the file short while it is open. Windows refuses
// that while a view of the file is mapped, but on Linux a mapped page past
// the new end ends the process with SIGBUS at its first touch. There `data`
// is therefore only handed to the system to write from (WriteOutputSpans),
// where a page that is gone fails the write instead; the bytes that are
// read here, the header and what follows it, are the copy in `head`.
struct InputFile {
    const std::uint8_t* data = nullptr;
    std::uint64_t size = 0;
    // The first min(size, kInputHeadBytes) bytes, read when the file was opened.
    std::uint8_t head[kInputHeadBytes];
    void* mapping = nullptr;              // platform mapping, or null
    std::unique_ptr<std::uint8_t[]> copy; // the bytes read, or null
    std::size_t copyCapacity = 0;         // bytes that `copy` can hold
};

// Opens `path` and makes its bytes available. False when it cannot be opened
// or is not a regular file.
bool OpenInputFile(InputFile& file, const char* path);
void CloseInputFile(InputFile& file);

struct OutputFile {
    int descriptor = -1;
    // Small writes gather here and reach the system in blocks; allocated on
    // first use and left uninitialised, so that a file written in spans only
    // never touches it.
    std::unique_ptr<char[]> buffer;
    std::size_t buffered = 0;
    std::string tempPath; // empty when writing straight into the target
    std::string finalPath;
    bool failed = false;
};

// Creates the temporary file beside `path` (first removing there the
// temporaries of runs that died: see temporary_files.h). False when it cannot
// be created.
bool BeginOutputFile(OutputFile& file, const char* path);

// The same with a temporary of the caller's choosing, `tempPath`, which must
// not exist; for a caller that has named it in a journal beforehand.
bool BeginOutputAtNewPath(OutputFile& file, const std::string& tempPath, const char* path);

// Opens `path`, a file the caller has just created under a name of the
// system's choosing and that nobody else uses, to be written from its start
// with no temporary file and no rename: a second private file would buy
// nothing there. A file that holds bytes is emptied first; an empty one is
// not touched before the write. Write errors are detected as for any other
// output; on a failed commit the file's content is undefined and the caller
// deletes it.
bool BeginOutputIntoCreatedFile(OutputFile& file, const char* path);

// Appends bytes; a failure is remembered and reported by CommitOutputFile.
// The bytes are written or copied before it returns, as are those of
// WriteOutputSpans: their memory may go (an input unmapped) before the commit.
void WriteOutput(OutputFile& file, const void* data, std::size_t count);

// One piece of a gathered write.
struct OutputSpan {
    const void* data;
    std::size_t size;
};

// Appends the spans in order, straight from their memory where the platform
// writes gathered blocks (no copy through the buffer).
void WriteOutputSpans(OutputFile& file, const OutputSpan* spans, std::size_t count);

// A temporary file is renamed over the target while still open (so held to
// the end), then closed; a file written in place is closed. On any earlier or
// present failure a temporary file is removed and false is returned (a close
// that fails after the rename also returns false, the file in place).
bool CommitOutputFile(OutputFile& file);

// Closes and removes the temporary file; the target is not touched.
void AbandonOutputFile(OutputFile& file);

// True when `path` names an existing directory.
bool IsDirectory(const char* path);

// Writes a whole file all-or-nothing (temporary file, then renamed over the
// target); "file-write" with the system's reason when it cannot be written.
Status WriteFileBytes(const std::string& path, std::span<const std::uint8_t> bytes);

// Writes out what is gathered and makes the temporary's bytes durable, the
// file staying open (and so held). False when any write failed.
bool SyncOutputTemporary(OutputFile& file);

// Closes the file and leaves whatever is at its names as it is.
void ReleaseOutputFile(OutputFile& file);
