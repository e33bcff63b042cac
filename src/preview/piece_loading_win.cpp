#include "preview/piece_loading_win.h"

#include "app/app_state.h"
#include "catalogue/piece_profile.h"
#include "common/file_io.h"
#include "common/path_text.h"
#include "common/replace_extension.h"
#include "preview/msm_layout.h"
#include "preview/texture_surface_win.h"
#include "resources/resource_ids.h"
#include "texture/txr_to_bmp.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

void FreeModel() {
    if (appState.modelImage != nullptr) {
        GlobalFree(appState.modelImage);
        appState.modelImage = nullptr;
    }
    appState.modelImageSize = 0;
}

// The whole file at `path` in one fixed global block, or null when it cannot
// be opened, measured, allocated or read.
BYTE* ReadModelBlock(const char* path, DWORD& size) {
    std::FILE* stream = std::fopen(path, "rb");
    if (stream == nullptr) {
        return nullptr;
    }
    BYTE* block = nullptr;
    const std::optional<std::uint64_t> length = FileLength(stream);
    if (length && *length > 0 && *length <= 0xFFFFFFFFu) {
        block = static_cast<BYTE*>(GlobalAlloc(GMEM_FIXED, static_cast<SIZE_T>(*length)));
        if (block != nullptr && !ReadExactly(stream, block, static_cast<std::size_t>(*length))) {
            GlobalFree(block);
            block = nullptr;
        }
        size = static_cast<DWORD>(*length);
    }
    std::fclose(stream);
    return block;
}

// A texture surface of the current device from the TXR file at `texturePath`,
// by way of a temporary bitmap file that is gone again when this returns.
IDirectDrawSurface7* TextureFromTxr(const char* texturePath) {
    if (appState.device == nullptr) {
        return nullptr;
    }
    char tempFolder[kPathCapacity] = {};
    const DWORD folderLength = GetTempPathA(kPathCapacity, tempFolder);
    if (folderLength == 0 || folderLength >= kPathCapacity) {
        return nullptr;
    }
    // Creates the file, empty, under a name of the system's choosing.
    char bitmapPath[kPathCapacity] = {};
    if (GetTempFileNameA(tempFolder, "TXR", 0, bitmapPath) == 0) {
        return nullptr;
    }
    // The file is new and private to this call, so the bitmap goes straight
    // into it. No surface is made from a texture that cannot be converted or
    // a bitmap that could not be written whole.
    IDirectDrawSurface7* surface = nullptr;
    if (ConvertTxrToCreatedBmp(texturePath, bitmapPath)) {
        surface = LoadTextureSurface(appState.device, bitmapPath);
    }
    DeleteFileA(bitmapPath);
    return surface;
}

// `slot` from 0 to kTextureSlots - 1, as in the loops over the slots below.
void ReleaseSlot(int slot) {
    if (appState.textureTable[slot] != nullptr) {
        appState.textureTable[slot]->Release();
        appState.textureTable[slot] = nullptr;
    }
}

// Fills `slot` with the texture of model name `name`: the file of that name
// in the texture folder, its extension replaced by ".txr". A path that does
// not fit its buffer leaves the slot empty, and so does a name that is a path
// of its own ("..\x", "C:\x", "sub\x"): names come from the model file and
// are looked up in the texture folder only.
void LoadTextureSlot(int slot, const char* name) {
    ReleaseSlot(slot);
    char* source = appState.textureSource[slot];
    source[0] = '\0';
    char texturePath[kPathCapacity] = {};
    if (!IsPlainFileName(name) ||
        !JoinPath(texturePath, kPathCapacity, appState.textureFolder, name) ||
        !ReplaceExtension(texturePath, kPathCapacity, ".txr")) {
        return;
    }
    std::memcpy(source, texturePath, kPathCapacity);
    appState.textureTable[slot] = TextureFromTxr(texturePath);
}

} // namespace

void ReleaseTextureSlots() {
    for (int slot = 0; slot < kTextureSlots; ++slot) {
        ReleaseSlot(slot);
    }
}

void ReloadTextureSlots() {
    for (int slot = 0; slot < kTextureSlots; ++slot) {
        ReleaseSlot(slot);
        if (appState.textureSource[slot][0] != '\0') {
            appState.textureTable[slot] = TextureFromTxr(appState.textureSource[slot]);
        }
    }
}

HRESULT LoadSelectedPiece(HWND mainWindow) {
    const LRESULT caret = SendDlgItemMessageA(mainWindow, IDC_PIECE_LIST, LB_GETCARETINDEX, 0, 0);
    // An empty list still gives caret 0: a caret without a piece of the
    // table behind it means no piece, and the preview goes blank with the
    // list rather than keep the piece of an earlier scan.
    FreeModel();
    if (caret == LB_ERR || caret < 0 ||
        static_cast<std::size_t>(caret) >= appState.pieceTable.size()) {
        ReleaseTextureSlots();
        for (char* source : appState.textureSource) {
            source[0] = '\0';
        }
        return 0;
    }

    const PieceRecord& piece = appState.pieceTable[static_cast<std::size_t>(caret)];
    if (!JoinModelPath(appState.modelPath, kPathCapacity, appState.modelFolder, piece)) {
        return 0; // a path too long for its buffer: no model
    }
    DWORD size = 0;
    BYTE* block = ReadModelBlock(appState.modelPath, size);
    if (block == nullptr) {
        return 0;
    }
    // A model whose layout runs past its data is not shown at all, and its
    // texture names are not loaded.
    const std::span<const std::uint8_t> image(block, size);
    if (!WalkMsmLayout(image)) {
        GlobalFree(block);
        return 0;
    }
    appState.modelImage = block;
    appState.modelImageSize = size;

    // Names beyond the last slot have no slot and are not loaded.
    const std::vector<std::string> names = ReadMsmTextureNames(image);
    for (std::size_t i = 0; i < names.size() && i < static_cast<std::size_t>(kTextureSlots); ++i) {
        LoadTextureSlot(static_cast<int>(i), names[i].c_str());
    }
    return 0;
}
