// Scratch folders and whole-file helpers for tests.
#pragma once

#include "builders/file_bytes.h"

#include <cstdint>
#include <filesystem>
#include <map>
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

// The sorted names of the entries of `folder`; with `recursive`, of every
// file and folder below it, as paths relative to it with forward slashes.
std::vector<std::string> FolderEntries(const std::filesystem::path& folder, bool recursive = false);

// Every file below `folder`, by its path relative to it with forward
// slashes, with its bytes as text: two trees compare equal only when they
// hold the same files with the same bytes and nothing else.
std::map<std::string, std::string> FileTree(const std::filesystem::path& folder);

Bytes ReadBytes(const std::string& path);
// Bytes as text, and whether a text holds a part.
std::string Text(const Bytes& bytes);
bool Has(const std::string& text, const std::string& part);
// The little-endian 32-bit field at `offset`.
std::uint32_t Le32At(const Bytes& bytes, std::size_t offset);
