// Scratch folders and whole-file helpers for tests.
#pragma once

#include "builders/file_bytes.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

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

Bytes ReadBytes(const std::string& path);
// The little-endian 32-bit field at `offset`.
std::uint32_t Le32At(const Bytes& bytes, std::size_t offset);
