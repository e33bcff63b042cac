#include "common/file_io.h"

#include "common/path_text.h"

#include <sys/stat.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/mman.h>
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

std::optional<std::vector<std::uint8_t>> ReadWholeFile(const char* path, std::uint64_t maxBytes) {
    std::FILE* stream = std::fopen(path, "rb");
    if (stream == nullptr) {
        return std::nullopt;
    }
    std::optional<std::vector<std::uint8_t>> result;
    const std::optional<std::uint64_t> length = FileLength(stream);
    if (length && *length <= maxBytes) {
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(*length));
        if (ReadExactly(stream, bytes.data(), bytes.size())) {
            result = std::move(bytes);
        }
    }
    std::fclose(stream);
    return result;
}

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
    if (ok && length.QuadPart > 0) {
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
        void* view = mmap(nullptr, static_cast<std::size_t>(info.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
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
    file.mapping = nullptr;
    file.data = nullptr;
    file.size = 0;
}

bool IsDirectory(const char* path) {
    struct stat info;
    return stat(path, &info) == 0 && (info.st_mode & S_IFMT) == S_IFDIR;
}

namespace {

std::string FolderOf(const char* path) {
    const std::size_t nameStart = FileNameOffset(path);
    if (nameStart == 0) {
        return ".";
    }
    std::string folder(path, nameStart);
    // Keep a root ("\", "C:\", "/") whole; drop the separator otherwise.
    if (folder.size() > 1 && (folder.back() == '\\' || folder.back() == '/') &&
        folder[folder.size() - 2] != ':') {
        folder.pop_back();
    }
    return folder;
}

} // namespace

bool BeginOutputFile(OutputFile& file, const char* path) {
    file = OutputFile{};
    file.finalPath = path;
    if (IsDirectory(path)) {
        return false;
    }
    const std::string folder = FolderOf(path);
#ifdef _WIN32
    // GetTempFileNameA creates a new, empty file of a unique name in the folder.
    char tempName[MAX_PATH];
    if (GetTempFileNameA(folder.c_str(), "~pv", 0, tempName) == 0) {
        return false;
    }
    file.tempPath = tempName;
    file.stream = std::fopen(tempName, "wb");
    if (file.stream == nullptr) {
        DeleteFileA(tempName);
        return false;
    }
#else
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = folder;
        if (candidate.back() != '/') {
            candidate += '/';
        }
        candidate += ".~pv" + std::to_string(getpid()) + "-" + std::to_string(counter++) + ".tmp";
        const int fd = open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST) {
                continue;
            }
            return false;
        }
        file.stream = fdopen(fd, "wb");
        if (file.stream == nullptr) {
            close(fd);
            unlink(candidate.c_str());
            return false;
        }
        file.tempPath = candidate;
        break;
    }
    if (file.stream == nullptr) {
        return false;
    }
#endif
    // Large blocks: the writers issue one call per row.
    constexpr std::size_t kBufferBytes = 1 << 20;
    file.buffer.reset(new char[kBufferBytes]);
    std::setvbuf(file.stream, file.buffer.get(), _IOFBF, kBufferBytes);
    return true;
}

void WriteOutput(OutputFile& file, const void* data, std::size_t count) {
    if (file.failed || file.stream == nullptr || count == 0) {
        return;
    }
    if (std::fwrite(data, 1, count, file.stream) != count) {
        file.failed = true;
    }
}

bool CommitOutputFile(OutputFile& file) {
    if (file.stream == nullptr) {
        return false;
    }
    bool ok = !file.failed;
    if (std::fflush(file.stream) != 0 || std::ferror(file.stream) != 0) {
        ok = false;
    }
    if (std::fclose(file.stream) != 0) {
        ok = false;
    }
    file.stream = nullptr;
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
    return ok;
}

void AbandonOutputFile(OutputFile& file) {
    if (file.stream != nullptr) {
        std::fclose(file.stream);
        file.stream = nullptr;
        std::remove(file.tempPath.c_str());
    }
}
