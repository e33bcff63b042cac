#include "catalogue/catalogue_folders.h"

#include "catalogue/piece_profile.h"
#include "common/path_text.h"
#include "common/replace_extension.h"
#include "common/shift_jis_text.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#endif

namespace {

bool EndsWithSeparator(const std::string& folder) {
    return !folder.empty() && (folder.back() == '/' || folder.back() == '\\');
}

bool HasPrtExtension(const std::string& name) {
    return name.size() > 4 && FoldCase(std::string_view(name).substr(name.size() - 4)) == ".prt";
}

#ifdef _WIN32
std::vector<FolderFile> ListFiles(const std::string& folder, bool& exists) {
    std::vector<FolderFile> files;
    WIN32_FIND_DATAA found;
    const std::string pattern = FolderPath(folder, "*");
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    exists = search != INVALID_HANDLE_VALUE;
    if (!exists) {
        return files;
    }
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            files.push_back(
                {found.cFileName,
                 (static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow});
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return files;
}
#else
std::vector<FolderFile> ListFiles(const std::string& folder, bool& exists) {
    std::vector<FolderFile> files;
    DIR* dir = opendir(folder.c_str());
    exists = dir != nullptr;
    if (!exists) {
        return files;
    }
    const int dirFd = dirfd(dir);
    while (const dirent* entry = readdir(dir)) {
        struct stat info;
        if (fstatat(dirFd, entry->d_name, &info, 0) == 0 && S_ISREG(info.st_mode)) {
            files.push_back({entry->d_name, static_cast<std::uint64_t>(info.st_size)});
        }
    }
    closedir(dir);
    return files;
}
#endif

} // namespace

std::string FoldCase(std::string_view name) {
    std::string folded(name);
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return folded;
}

FolderIndex IndexFolder(const std::string& folder) {
    FolderIndex index;
    index.folder = folder;
    index.files = ListFiles(folder, index.exists);
    index.byFoldedName.reserve(index.files.size());
    for (std::size_t i = 0; i < index.files.size(); ++i) {
        index.byFoldedName.emplace(FoldCase(index.files[i].name), i);
    }
    return index;
}

Result<CatalogueIndex> OpenCatalogue(const std::string& profiles, const std::string& models,
                                     const std::string& textures) {
    CatalogueIndex catalogue{IndexFolder(profiles), IndexFolder(models), IndexFolder(textures)};
    for (const FolderIndex* folder :
         {&catalogue.profiles, &catalogue.models, &catalogue.textures}) {
        if (!folder->exists) {
            return Refuse("folder-missing",
                          "the folder " + ShownFileName(folder->folder) + " does not exist");
        }
    }
    return catalogue;
}

const FolderFile* FindInFolder(const FolderIndex& index, std::string_view name) {
    const auto it = index.byFoldedName.find(FoldCase(name));
    return it == index.byFoldedName.end() ? nullptr : &index.files[it->second];
}

std::string FileStem(std::string_view fileName) {
    return std::string(fileName.substr(0, fileName.rfind('.')));
}

std::string FolderPath(const std::string& folder, std::string_view name) {
    std::string path = folder;
    if (!EndsWithSeparator(folder)) {
#ifdef _WIN32
        path += '\\';
#else
        path += '/';
#endif
    }
    path += name;
    return path;
}

bool FitsViewerPath(const std::string& folder, std::string_view name) {
    const std::size_t separator = EndsWithSeparator(folder) ? 0 : 1;
    return folder.size() + separator + name.size() <= kPathMaxLength;
}

std::string NameOnDisk(std::string_view bytes) {
#ifdef _WIN32
    return std::string(bytes);
#else
    return ShiftJisToUtf8(bytes);
#endif
}

std::string ShownFileName(std::string_view name) {
#ifdef _WIN32
    return ShownText(ShiftJisToUtf8(name));
#else
    return ShownText(name);
#endif
}

std::vector<CatalogueProfile> ListProfiles(const FolderIndex& profiles) {
    std::vector<CatalogueProfile> list;
    for (const FolderFile& file : profiles.files) {
        if (!HasPrtExtension(file.name)) {
            continue;
        }
        CatalogueProfile profile;
        profile.fileName = file.name;
        profile.pathFits = FitsViewerPath(profiles.folder, file.name);
        const std::string path = FolderPath(profiles.folder, file.name);
        profile.readable = ReadPieceProfile(path.c_str(), profile.record);
        profile.qualifies = profile.readable && IsQualifyingPiece(profile.record);
        profile.pieceName = FieldText(profile.record.pieceName, kPieceNameBytes);
        profile.modelFile = FieldText(profile.record.modelFile, kModelFileBytes);
        list.push_back(std::move(profile));
    }
    std::stable_sort(list.begin(), list.end(),
                     [](const CatalogueProfile& a, const CatalogueProfile& b) {
                         return CompareProfileNames(a.fileName, b.fileName) < 0;
                     });
    return list;
}

TextureFile FindTexture(const FolderIndex& textures, std::string_view modelName) {
    TextureFile texture;
    const std::string name(modelName);
    if (!IsPlainFileName(name.c_str())) {
        texture.status = TextureLookup::namePath;
        return texture;
    }
    char txrName[kPathCapacity];
    if (!CopyPathText(txrName, sizeof txrName, name.c_str()) ||
        !ReplaceExtension(txrName, sizeof txrName, ".txr") ||
        !FitsViewerPath(textures.folder, name) || !FitsViewerPath(textures.folder, txrName)) {
        texture.status = TextureLookup::pathTooLong;
        return texture;
    }
    texture.txrName = txrName;
    texture.file = FindInFolder(textures, NameOnDisk(texture.txrName));
    texture.status = texture.file != nullptr ? TextureLookup::found : TextureLookup::missing;
    return texture;
}
