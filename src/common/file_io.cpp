#include "common/file_io.h"

#include "common/path_text.h"
#include "common/temporary_files.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <new>
#include <string>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/uio.h>
#include <unistd.h>
#endif

std::optional<std::uint64_t> FileLength(std::FILE* stream) {
#ifdef _WIN32
    struct _stat64 info;
    if (_fstat64(_fileno(stream), &info) != 0 || (info.st_mode & _S_IFREG) == 0) {
        return std::nullopt;
    }
#else
    struct stat info;
    if (fstat(fileno(stream), &info) != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
#endif
    if (info.st_size < 0) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(info.st_size);
}

bool ReadExactly(std::FILE* stream, void* buffer, std::size_t count) {
    return count == 0 || std::fread(buffer, 1, count, stream) == count;
}

Result<std::vector<std::uint8_t>> ReadFileBytes(const char* path, std::uint64_t maxBytes) {
    std::FILE* stream = std::fopen(path, "rb");
    if (stream == nullptr) {
        return Refuse("file-unreadable", std::string("cannot be opened: ") + std::strerror(errno));
    }
    Result<std::vector<std::uint8_t>> result =
        Refuse("file-unreadable", "cannot be read: it is not a regular file");
    const std::optional<std::uint64_t> length = FileLength(stream);
    if (length && *length > maxBytes) {
        result =
            Refuse("file-too-large", "holds " + std::to_string(*length) + " bytes, more than the " +
                                         std::to_string(maxBytes) + " taken");
    } else if (length) {
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(*length));
        if (ReadExactly(stream, bytes.data(), bytes.size())) {
            result = std::move(bytes);
        } else {
            result = Refuse("file-unreadable", "cannot be read to its end");
        }
    }
    std::fclose(stream);
    return result;
}

std::optional<std::vector<std::uint8_t>> ReadWholeFile(const char* path, std::uint64_t maxBytes) {
    Result<std::vector<std::uint8_t>> bytes = ReadFileBytes(path, maxBytes);
    if (!bytes) {
        return std::nullopt;
    }
    return std::move(bytes).value();
}

#ifdef _WIN32
namespace {

// The block that the last input closed on this thread read into, kept for the
// next one. Under Wine a fresh heap block of a texture's size is new pages
// each time, and every page faults on first touch: reading a piece's 17
// textures of 256 KB into fresh blocks took 14 ms, into one kept block 2 ms.
// The block is never larger than the largest file read whole (4 MiB).
struct SpareBlock {
    std::unique_ptr<std::uint8_t[]> bytes;
    std::size_t capacity = 0;
};
thread_local SpareBlock spareBlock;

// A block for `count` bytes: the spare one when it is large enough, which an
// open input then holds alone, else a new one.
void TakeBlock(InputFile& file, std::size_t count) {
    if (spareBlock.bytes != nullptr && spareBlock.capacity >= count) {
        file.copy = std::move(spareBlock.bytes);
        file.copyCapacity = spareBlock.capacity;
        spareBlock.capacity = 0;
        return;
    }
    file.copy.reset(new (std::nothrow) std::uint8_t[count]);
    file.copyCapacity = file.copy != nullptr ? count : 0;
}

// Keeps the larger of an input's block and the spare one.
void ReturnBlock(InputFile& file) {
    if (file.copy != nullptr && file.copyCapacity >= spareBlock.capacity) {
        spareBlock.bytes = std::move(file.copy);
        spareBlock.capacity = file.copyCapacity;
    }
}

} // namespace
#endif

bool OpenInputFile(InputFile& file, const char* path) {
    CloseInputFile(file);
#ifdef _WIN32
    const HANDLE handle = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    LARGE_INTEGER length;
    bool ok = GetFileType(handle) == FILE_TYPE_DISK && GetFileSizeEx(handle, &length) != 0;
    // Up to this size one read is cheaper than a mapping's three calls (a
    // piece's textures are a few hundred kilobytes each).
    constexpr LONGLONG kReadLimit = 4 << 20;
    if (ok && length.QuadPart > 0 && length.QuadPart <= kReadLimit) {
        const auto count = static_cast<DWORD>(length.QuadPart);
        TakeBlock(file, count);
        DWORD got = 0;
        ok = file.copy != nullptr && ReadFile(handle, file.copy.get(), count, &got, nullptr) != 0 &&
             got == count;
        if (ok) {
            file.data = file.copy.get();
            file.size = count;
        }
    } else if (ok && length.QuadPart > 0) {
        const HANDLE section = CreateFileMappingA(handle, nullptr, PAGE_READONLY, 0, 0, nullptr);
        void* view = section != nullptr ? MapViewOfFile(section, FILE_MAP_READ, 0, 0, 0) : nullptr;
        if (section != nullptr) {
            CloseHandle(section); // the view keeps the section alive
        }
        if (view != nullptr) {
            file.mapping = view;
            file.data = static_cast<const std::uint8_t*>(view);
            file.size = static_cast<std::uint64_t>(length.QuadPart);
        } else {
            ok = false;
        }
    }
    CloseHandle(handle);
    if (ok && file.size > 0) {
        std::memcpy(file.head, file.data,
                    file.size < kInputHeadBytes ? file.size : kInputHeadBytes);
    }
    if (!ok) {
        CloseInputFile(file);
    }
    return ok;
#else
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return false;
    }
    if (info.st_size > 0) {
        // The head is read, not taken from the mapping (see InputFile).
        const std::size_t headBytes = info.st_size < static_cast<off_t>(kInputHeadBytes)
                                          ? static_cast<std::size_t>(info.st_size)
                                          : kInputHeadBytes;
        std::size_t got = 0;
        while (got < headBytes) {
            const ssize_t count =
                pread(fd, file.head + got, headBytes - got, static_cast<off_t>(got));
            if (count < 0 && errno == EINTR) {
                continue;
            }
            if (count <= 0) {
                close(fd); // an error, or a file cut short since it was measured
                return false;
            }
            got += static_cast<std::size_t>(count);
        }
        // Every page is read anyway: mapping them all up front costs one call
        // instead of a fault per page.
        int flags = MAP_PRIVATE;
#ifdef MAP_POPULATE
        flags |= MAP_POPULATE;
#endif
        void* view = mmap(nullptr, static_cast<std::size_t>(info.st_size), PROT_READ, flags, fd, 0);
        if (view == MAP_FAILED) {
            close(fd);
            return false;
        }
        file.mapping = view;
        file.data = static_cast<const std::uint8_t*>(view);
        file.size = static_cast<std::uint64_t>(info.st_size);
    }
    close(fd);
    return true;
#endif
}

void CloseInputFile(InputFile& file) {
    if (file.mapping != nullptr) {
#ifdef _WIN32
        UnmapViewOfFile(file.mapping);
#else
        munmap(file.mapping, static_cast<std::size_t>(file.size));
#endif
    }
#ifdef _WIN32
    ReturnBlock(file);
#endif
    file.mapping = nullptr;
    file.copy.reset();
    file.copyCapacity = 0;
    file.data = nullptr;
    file.size = 0;
}

bool IsDirectory(const char* path) {
    struct stat info;
    return stat(path, &info) == 0 && (info.st_mode & S_IFMT) == S_IFDIR;
}

namespace {

constexpr std::size_t kBufferBytes = 1 << 20;

// Opens a file that is there to be written from its start, without
// truncating it (see BeginOutputIntoCreatedFile).
#ifdef _WIN32
int OpenForWriting(const char* path) {
    return _open(path, _O_WRONLY | _O_BINARY);
}
std::int64_t DescriptorLength(int descriptor) {
    return _filelengthi64(descriptor);
}
bool Empty(int descriptor) {
    return _chsize_s(descriptor, 0) == 0;
}
// Whole blocks; false on any short write.
bool WriteBlock(int descriptor, const void* data, std::size_t count) {
    const auto* bytes = static_cast<const char*>(data);
    while (count > 0) {
        const unsigned part = count > 0x40000000u ? 0x40000000u : static_cast<unsigned>(count);
        const int written = _write(descriptor, bytes, part);
        if (written <= 0) {
            return false;
        }
        bytes += written;
        count -= static_cast<std::size_t>(written);
    }
    return true;
}
int CloseDescriptor(int descriptor) {
    return _close(descriptor);
}
#else
int OpenForWriting(const char* path) {
    return open(path, O_WRONLY | O_CLOEXEC);
}
std::int64_t DescriptorLength(int descriptor) {
    struct stat info;
    return fstat(descriptor, &info) == 0 ? static_cast<std::int64_t>(info.st_size) : -1;
}
bool Empty(int descriptor) {
    return ftruncate(descriptor, 0) == 0;
}
bool WriteBlock(int descriptor, const void* data, std::size_t count) {
    const auto* bytes = static_cast<const char*>(data);
    while (count > 0) {
        const ssize_t written = write(descriptor, bytes, count);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        bytes += written;
        count -= static_cast<std::size_t>(written);
    }
    return true;
}
int CloseDescriptor(int descriptor) {
    return close(descriptor);
}
#endif

void FlushBuffer(OutputFile& file) {
    if (file.buffered > 0 && !file.failed &&
        !WriteBlock(file.descriptor, file.buffer.get(), file.buffered)) {
        file.failed = true;
    }
    file.buffered = 0;
}

} // namespace

bool BeginOutputFile(OutputFile& file, const char* path) {
    file = OutputFile{};
    file.finalPath = path;
    if (IsDirectory(path)) {
        return false;
    }
    const std::string folder = FolderOfPath(path);
    RemoveDeadTemporariesOnce(folder);
    file.descriptor = CreateTemporaryFile(folder, file.tempPath);
    return file.descriptor >= 0;
}

bool BeginOutputAtNewPath(OutputFile& file, const std::string& tempPath, const char* path) {
    file = OutputFile{};
    file.finalPath = path;
    file.descriptor = CreateHeldFile(tempPath);
    if (file.descriptor < 0) {
        return false;
    }
    file.tempPath = tempPath;
    return true;
}

bool BeginOutputIntoCreatedFile(OutputFile& file, const char* path) {
    file = OutputFile{};
    file.finalPath = path;
    file.descriptor = OpenForWriting(path);
    if (file.descriptor < 0) {
        return false;
    }
    // A file made a moment ago is empty and is not truncated: on ext4 (under
    // Wine as on Linux) truncating a file to nothing, even an empty one, makes
    // its close start writing the new data to disk, and deleting the file
    // afterwards then waits for that write. A file that does hold bytes is
    // emptied first.
    const std::int64_t length = DescriptorLength(file.descriptor);
    if (length < 0 || (length > 0 && !Empty(file.descriptor))) {
        CloseDescriptor(file.descriptor);
        file.descriptor = -1;
        return false;
    }
    return true;
}

void WriteOutput(OutputFile& file, const void* data, std::size_t count) {
    if (file.failed || file.descriptor < 0 || count == 0) {
        return;
    }
    if (file.buffer == nullptr) {
        file.buffer.reset(new (std::nothrow) char[kBufferBytes]);
        if (file.buffer == nullptr) {
            file.failed = true;
            return;
        }
    }
    const auto* bytes = static_cast<const char*>(data);
    while (count > 0 && !file.failed) {
        if (file.buffered == 0 && count >= kBufferBytes) {
            // A block at least as large as the buffer goes straight out.
            if (!WriteBlock(file.descriptor, bytes, count)) {
                file.failed = true;
            }
            return;
        }
        const std::size_t room = kBufferBytes - file.buffered;
        const std::size_t part = count < room ? count : room;
        std::memcpy(file.buffer.get() + file.buffered, bytes, part);
        file.buffered += part;
        bytes += part;
        count -= part;
        if (file.buffered == kBufferBytes) {
            FlushBuffer(file);
        }
    }
}

void WriteOutputSpans(OutputFile& file, const OutputSpan* spans, std::size_t count) {
    if (file.failed || file.descriptor < 0) {
        return;
    }
#ifdef _WIN32
    // Every write is a call into the system, costly under emulation too:
    // many spans gather in the buffer and leave in blocks. A few spans leave
    // as they are: a call each costs less than a fresh buffer, whose every
    // page the system must first map in.
    constexpr std::size_t kFewSpans = 4;
    if (count <= kFewSpans && file.buffered == 0) {
        for (std::size_t i = 0; i < count && !file.failed; ++i) {
            if (spans[i].size > 0 && !WriteBlock(file.descriptor, spans[i].data, spans[i].size)) {
                file.failed = true;
            }
        }
        return;
    }
    for (std::size_t i = 0; i < count; ++i) {
        WriteOutput(file, spans[i].data, spans[i].size);
    }
#else
    FlushBuffer(file);
    // The rows go from their memory to the file in calls of up to 1024
    // pieces (the system's limit on one gathered write).
    constexpr std::size_t kMaxPieces = 1024;
    iovec pieces[kMaxPieces];
    std::size_t next = 0;
    while (next < count && !file.failed) {
        std::size_t used = 0;
        std::size_t total = 0;
        for (; used < kMaxPieces && next + used < count; ++used) {
            pieces[used].iov_base = const_cast<void*>(spans[next + used].data);
            pieces[used].iov_len = spans[next + used].size;
            total += spans[next + used].size;
        }
        const ssize_t written = writev(file.descriptor, pieces, static_cast<int>(used));
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written < 0) {
            file.failed = true;
            break;
        }
        if (static_cast<std::size_t>(written) < total) {
            // A short gathered write: the rest of these pieces one by one.
            std::size_t skip = static_cast<std::size_t>(written);
            for (std::size_t i = 0; i < used && !file.failed; ++i) {
                const std::size_t size = pieces[i].iov_len;
                if (skip >= size) {
                    skip -= size;
                    continue;
                }
                if (!WriteBlock(file.descriptor,
                                static_cast<const char*>(pieces[i].iov_base) + skip, size - skip)) {
                    file.failed = true;
                }
                skip = 0;
            }
        }
        next += used;
    }
#endif
}

namespace {

// Writes out what is gathered and closes the file; false when any write or
// the close failed.
bool FinishWriting(OutputFile& file) {
    FlushBuffer(file);
    bool ok = !file.failed;
    if (CloseDescriptor(file.descriptor) != 0) {
        ok = false;
    }
    file.descriptor = -1;
    file.buffer.reset();
    return ok;
}

} // namespace

bool CommitOutputFile(OutputFile& file) {
    if (file.descriptor < 0) {
        return false;
    }
    if (file.tempPath.empty()) {
        return FinishWriting(file); // written in place; the caller owns the file either way
    }
    // The temporary is renamed while still open, so that it is held (see
    // temporary_files.h) until it has its final name: a cleaner never sees a
    // finished temporary as one a dead run left.
    FlushBuffer(file);
    bool ok = !file.failed;
    if (ok) {
#ifdef _WIN32
        ok = MoveFileExA(file.tempPath.c_str(), file.finalPath.c_str(),
                         MOVEFILE_REPLACE_EXISTING) != 0;
#else
        ok = std::rename(file.tempPath.c_str(), file.finalPath.c_str()) == 0;
#endif
    }
    if (!ok) {
        std::remove(file.tempPath.c_str());
    }
    if (CloseDescriptor(file.descriptor) != 0) {
        ok = false;
    }
    file.descriptor = -1;
    file.buffer.reset();
    return ok;
}

bool SyncOutputTemporary(OutputFile& file) {
    if (file.descriptor < 0 || file.tempPath.empty()) {
        return false;
    }
    FlushBuffer(file);
#ifdef _WIN32
    const bool synced = _commit(file.descriptor) == 0;
#else
    const bool synced = fsync(file.descriptor) == 0;
#endif
    return !file.failed && synced;
}

void ReleaseOutputFile(OutputFile& file) {
    if (file.descriptor >= 0) {
        CloseDescriptor(file.descriptor);
        file.descriptor = -1;
    }
    file.buffer.reset();
}

void AbandonOutputFile(OutputFile& file) {
    if (file.descriptor >= 0) {
        CloseDescriptor(file.descriptor);
        file.descriptor = -1;
        file.buffer.reset();
        if (!file.tempPath.empty()) {
            std::remove(file.tempPath.c_str());
        }
    }
}

Status WriteFileBytes(const std::string& path, std::span<const std::uint8_t> bytes) {
    OutputFile file;
    if (!BeginOutputFile(file, path.c_str())) {
        return Refuse("file-write", std::string("cannot be created: ") + std::strerror(errno));
    }
    WriteOutput(file, bytes.data(), bytes.size());
    if (!CommitOutputFile(file)) {
        return Refuse("file-write", std::string("cannot be written: ") + std::strerror(errno));
    }
    return Success();
}
