// The three folders of a piece catalogue, read the way the viewer reads them:
// the profiles found by "*.prt" in the profile folder, ordered by file name;
// models and textures looked up by name in their folders, without regard to
// case as the Windows file system does; paths held to 259 characters.
#pragma once

#include "catalogue/piece_record.h"
#include "common/result.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// The viewer has 17 texture slots: names after the 17th are never loaded.
inline constexpr std::size_t kTextureSlotCount = 17;

struct FolderFile {
    std::string name; // as the file system gives it
    std::uint64_t size = 0;
};

// The regular files of one folder, listed once.
struct FolderIndex {
    std::string folder;
    bool exists = false;
    std::vector<FolderFile> files;
    std::unordered_map<std::string, std::size_t> byFoldedName; // into files
};

FolderIndex IndexFolder(const std::string& folder);

// The three folders of a catalogue, each listed once.
struct CatalogueIndex {
    FolderIndex profiles;
    FolderIndex models;
    FolderIndex textures;
};

// The three folders indexed; "folder-missing" when one of them does not exist.
Result<CatalogueIndex> OpenCatalogue(const std::string& profiles, const std::string& models,
                                     const std::string& textures);

// The name with ASCII letters lowered: how Windows compares file names.
std::string FoldCase(std::string_view name);

// The file of that name in the folder, found without regard to case.
const FolderFile* FindInFolder(const FolderIndex& index, std::string_view name);

// A file name without its last extension ("a.b.prt" gives "a.b").
std::string FileStem(std::string_view fileName);

// The folder and a name joined with this platform's separator.
std::string FolderPath(const std::string& folder, std::string_view name);

// True when folder, separator and name fit the viewer's 260-byte buffers.
bool FitsViewerPath(const std::string& folder, std::string_view name);

// A name taken from a data file as the file system spells it: Shift-JIS on
// Windows, and on Linux the UTF-8 that Wine turns such a name into.
std::string NameOnDisk(std::string_view bytes);

// A file name from the file system as one line of UTF-8 text for the user:
// names from Windows' ANSI calls are Shift-JIS; Linux names are meant to be
// UTF-8 but may hold any byte but "/" and zero, so bytes that are not UTF-8
// and control characters are shown as escapes (see ShownText).
std::string ShownFileName(std::string_view name);

struct CatalogueProfile {
    std::string fileName; // the .prt file's name in the profile folder
    PieceRecord record{};
    bool readable = false;
    bool pathFits = true; // the viewer passes over profiles whose path does not fit
    bool qualifies = false;
    std::string pieceName; // the record's texts (up to the first zero)
    std::string modelFile;

    // The viewer lists the piece.
    bool listed() const { return qualifies && pathFits; }
};

// Every "*.prt" file of the folder, qualifying or not, in the order of the
// viewer's piece list.
std::vector<CatalogueProfile> ListProfiles(const FolderIndex& profiles);

enum class TextureLookup { found, namePath, pathTooLong, missing };

struct TextureFile {
    TextureLookup status = TextureLookup::missing;
    std::string txrName; // the name with its extension replaced by ".txr"
    const FolderFile* file = nullptr;
};

// The ".txr" file that the viewer loads for a texture name of a model. A name
// that is a path is never looked up.
TextureFile FindTexture(const FolderIndex& textures, std::string_view modelName);
