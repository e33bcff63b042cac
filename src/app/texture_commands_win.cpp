#include "app/texture_commands_win.h"

#include "app/app_state.h"
#include "app/texture_export.h"
#include "catalogue/folder_dialog_win.h"
#include "catalogue/piece_profile.h"
#include "common/file_io.h"
#include "common/path_text.h"
#include "resources/resource_ids.h"
#include "texture/txr_to_bmp.h"

#include <optional>
#include <vector>

namespace {

// A model file is read whole; nothing near this size is a real model.
constexpr std::uint64_t kMaxModelBytes = 64u << 20;

INT_PTR CALLBACK TextureNamesDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    (void)lParam;
    switch (message) {
    case WM_INITDIALOG: {
        // The model of the piece last loaded for the preview. When it cannot
        // be read the dialog shows an empty list and an empty path box.
        const std::optional<std::vector<std::uint8_t>> image =
            ReadWholeFile(appState.modelPath, kMaxModelBytes);
        if (!image) {
            return FALSE;
        }
        for (const std::string& name : TextureFileNames(*image)) {
            SendDlgItemMessageA(dialog, IDC_TEXTURE_LIST, LB_ADDSTRING, 0,
                                reinterpret_cast<LPARAM>(name.c_str()));
        }
        SetDlgItemTextA(dialog, IDC_TEXTURE_PATH, appState.textureFolder);
        return FALSE;
    }
    case WM_COMMAND:
        // Only OK (or Enter) closes the dialog; Escape and the close box do not.
        if (LOWORD(wParam) == IDOK) {
            EndDialog(dialog, 1);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

} // namespace

void ShowTextureNames(HINSTANCE instance, HWND owner) {
    if (SendDlgItemMessageA(appState.mainWindow, IDC_PIECE_LIST, LB_GETCURSEL, 0, 0) == LB_ERR) {
        return;
    }
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_TEXTURE_NAMES), owner, TextureNamesDlgProc, 0);
}

void ExportTextures() {
    const HWND list = GetDlgItem(appState.mainWindow, IDC_PIECE_LIST);
    if (SendMessageA(list, LB_GETCOUNT, 0, 0) == 0) {
        return;
    }
    const LRESULT caret = SendMessageA(list, LB_GETCARETINDEX, 0, 0);
    if (caret == LB_ERR || caret < 0 ||
        static_cast<std::size_t>(caret) >= appState.pieceTable.size()) {
        return;
    }
    char destination[kPathCapacity] = {};
    if (!BrowseForFolder(appState.mainWindow, destination, "Please choose save location")) {
        return;
    }
    const PieceRecord& piece = appState.pieceTable[static_cast<std::size_t>(caret)];
    char modelPath[kPathCapacity];
    std::optional<std::vector<std::uint8_t>> image;
    if (JoinModelPath(modelPath, sizeof modelPath, appState.modelFolder, piece)) {
        image = ReadWholeFile(modelPath, kMaxModelBytes);
    }
    if (!image) {
        MessageBoxA(appState.mainWindow, "failed to open texture file", nullptr, MB_ICONHAND);
        return;
    }
    const TextureExportPlan plan = PlanTextureExport(*image, destination, appState.textureFolder);
    if (!plan.hasNames) {
        return;
    }
    // A texture that cannot be converted is passed over; the closing message
    // comes after the last name in any case.
    for (const TextureConversion& conversion : plan.conversions) {
        ConvertTxrToBmp(conversion.texturePath.c_str(), conversion.bitmapPath.c_str());
    }
    MessageBoxA(appState.mainWindow, "Output", "Export Texture", MB_ICONASTERISK);
}
