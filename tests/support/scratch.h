// Scratch folders and whole-file helpers for tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

// A fresh empty folder under the system's temporary folder, removed with
// everything in it when the object goes.
class ScratchFolder {
  public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    // Full path of a file in the folder, as the program's 8-bit path text.
    std::string File(const std::string& name) const { return (path_ / name).string(); }
    // Names of every entry in the folder, sorted.
    std::vector<std::string> Entries() const;

  private:
    std::filesystem::path path_;
};

void WriteBytes(const std::string& path, const Bytes& bytes);
Bytes ReadBytes(const std::string& path);
bool FileExists(const std::string& path);
// Appends `value` as `size` little-endian bytes; the 32-bit field at `offset`.
void PutLe(Bytes& bytes, std::uint32_t value, int size);
std::uint32_t Le32At(const Bytes& bytes, std::size_t offset);
