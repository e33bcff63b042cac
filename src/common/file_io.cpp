#include "common/file_io.h"

#include "common/path_text.h"

#include <sys/stat.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
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
    std::setvbuf(file.stream, nullptr, _IOFBF, 1 << 16);
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
