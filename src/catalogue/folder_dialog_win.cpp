#include "catalogue/folder_dialog_win.h"

#include "app/app_state.h"
#include "common/path_text.h"
#include "resources/resource_ids.h"

#include <shlobj.h>

#include <string>

namespace {

// One row of the dialog: edit box, browse button, the state field it sets and
// the browser's prompt.
struct FolderRow {
    int editId;
    int browseId;
    char* field;
    const char* prompt;
};

FolderRow RowOfButton(int browseId) {
    switch (browseId) {
    case IDC_BROWSE_PROFILE:
        return {IDC_PROFILE_FOLDER, IDC_BROWSE_PROFILE, appState.profileFolder,
                "Select folder with piece information files (*.prt)"};
    case IDC_BROWSE_MODEL:
        return {IDC_MODEL_FOLDER, IDC_BROWSE_MODEL, appState.modelFolder,
                "Select folder with piece 3D model files (*.msm)"};
    default:
        return {IDC_TEXTURE_FOLDER, IDC_BROWSE_TEXTURE, appState.textureFolder,
                "Select folder with piece texture files (*.txr)"};
    }
}

void BrowseRow(HWND dialog, const FolderRow& row) {
    BrowseForFolder(dialog, row.field, row.prompt);
    // Whether or not a folder was chosen, the field is shown again; this also
    // replaces any text typed in the box since the dialog opened.
    if (row.field[0] != '\0') {
        SetDlgItemTextA(dialog, row.editId, row.field);
    }
}

// Copies one edit box into its field. False, with the field unchanged, when
// the box is empty or holds more than a path's 259 characters.
bool StoreEditText(HWND dialog, int editId, char* field) {
    const HWND edit = GetDlgItem(dialog, editId);
    // GetWindowTextLengthA may over-count double-byte text, never under-count.
    const int length = GetWindowTextLengthA(edit);
    if (length <= 0) {
        return false;
    }
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    GetWindowTextA(edit, text.data(), length + 1);
    return text[0] != '\0' && CopyPathText(field, kPathCapacity, text.c_str());
}

bool StoreFolders(HWND dialog) {
    // In row order; a failure stops the copying, and the rows before it keep
    // their new folders.
    char scratch[kPathCapacity];
    const struct {
        int editId;
        char* field;
    } rows[] = {{IDC_PROFILE_FOLDER, appState.profileFolder},
                {IDC_MODEL_FOLDER, appState.modelFolder},
                {IDC_TEXTURE_FOLDER, appState.textureFolder}};
    for (const auto& row : rows) {
        // Copied through a scratch buffer so that a refused text leaves the
        // field as it was.
        if (!StoreEditText(dialog, row.editId, scratch)) {
            return false;
        }
        CopyPathText(row.field, kPathCapacity, scratch);
    }
    return true;
}

} // namespace

INT_PTR CALLBACK FolderDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    (void)lParam;
    if (message == WM_INITDIALOG) {
        SetDlgItemTextA(dialog, IDC_PROFILE_FOLDER, appState.profileFolder);
        SetDlgItemTextA(dialog, IDC_MODEL_FOLDER, appState.modelFolder);
        SetDlgItemTextA(dialog, IDC_TEXTURE_FOLDER, appState.textureFolder);
        return TRUE;
    }
    if (message != WM_COMMAND) {
        return FALSE;
    }
    switch (LOWORD(wParam)) {
    case IDC_BROWSE_PROFILE:
    case IDC_BROWSE_MODEL:
    case IDC_BROWSE_TEXTURE:
        BrowseRow(dialog, RowOfButton(LOWORD(wParam)));
        break;
    case IDOK:
        if (StoreFolders(dialog)) {
            EndDialog(dialog, 1);
        } else {
            MessageBoxA(dialog, "Loading Error", nullptr, MB_ICONHAND);
        }
        break;
    case IDCANCEL:
        EndDialog(dialog, 0);
        break;
    default:
        break;
    }
    return FALSE;
}

bool BrowseForFolder(HWND owner, char* buffer, const char* prompt) {
    // The browser writes the chosen item's display name, which is not a path;
    // it goes to a buffer of its own so that `buffer` changes only on success.
    char displayName[MAX_PATH] = {};
    BROWSEINFOA info{};
    info.hwndOwner = owner;
    info.pidlRoot = nullptr;
    info.pszDisplayName = displayName;
    info.lpszTitle = prompt;
    info.ulFlags = 0;
    PIDLIST_ABSOLUTE item = SHBrowseForFolderA(&info);
    if (item == nullptr) {
        return false;
    }
    char path[MAX_PATH] = {};
    const BOOL isFileSystem = SHGetPathFromIDListA(item, path);
    CoTaskMemFree(item);
    if (!isFileSystem || path[0] == '\0') {
        return false;
    }
    return CopyPathText(buffer, kPathCapacity, path);
}
