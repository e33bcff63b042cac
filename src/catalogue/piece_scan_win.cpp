#include "catalogue/piece_scan_win.h"

#include "app/app_state.h"
#include "catalogue/folder_dialog_win.h"
#include "catalogue/piece_profile.h"
#include "common/path_text.h"
#include "resources/resource_ids.h"

#include <cstring>
#include <string>

namespace {

// The Please Wait box shows a fixed text and handles no input; the scan
// creates it and destroys it.
INT_PTR CALLBACK WaitDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    (void)dialog;
    (void)wParam;
    (void)lParam;
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

// Folder, a backslash unless the folder ends with one, then `name`. False
// when the whole does not fit in `capacity` bytes.
bool FormFolderPath(char* target, std::size_t capacity, const char* folder, const char* name) {
    if (EndsWithBackslash(folder)) {
        const std::size_t folderLength = std::strlen(folder);
        const std::size_t nameLength = std::strlen(name);
        if (folderLength + nameLength >= capacity) {
            target[0] = '\0';
            return false;
        }
        std::memcpy(target, folder, folderLength);
        std::memcpy(target + folderLength, name, nameLength + 1);
        return true;
    }
    return JoinPath(target, capacity, folder, name);
}

// Writes the path of the search's current match, or of a later one when it
// does not fit. False, with the search closed, when no match is left.
bool TakeMatch(HANDLE search, WIN32_FIND_DATAA& found, const char* folder, char* path) {
    for (;;) {
        if (FormFolderPath(path, kPathCapacity, folder, found.cFileName)) {
            return true;
        }
        if (!FindNextFileA(search, &found)) {
            FindClose(search);
            return false;
        }
    }
}

// Reads a profile's record into the table and its piece name into list 1012.
void AppendPiece(HWND mainWindow, const char* profilePath) {
    PieceRecord record;
    ReadPieceProfile(profilePath, record);
    appState.pieceTable.push_back(record);
    // The name may fill its whole field with no terminating zero.
    char name[kPieceNameBytes + 1] = {};
    std::memcpy(name, record.pieceName, kPieceNameBytes);
    SendDlgItemMessageA(mainWindow, IDC_PIECE_LIST, LB_ADDSTRING, 0,
                        reinterpret_cast<LPARAM>(name));
}

} // namespace

bool FindFirstInFolder(HANDLE* search, const char* folder, const char* pattern, char* path) {
    // The search text may be longer than a path buffer; the file system
    // refuses it then, and the folder reads as holding nothing.
    std::string searchText = folder;
    if (!EndsWithBackslash(folder)) {
        searchText += '\\';
    }
    searchText += pattern;
    WIN32_FIND_DATAA found;
    *search = FindFirstFileA(searchText.c_str(), &found);
    if (*search == INVALID_HANDLE_VALUE) {
        return false;
    }
    if (!TakeMatch(*search, found, folder, path)) {
        *search = INVALID_HANDLE_VALUE;
        return false;
    }
    return true;
}

bool FindNextInFolder(HANDLE search, const char* folder, const char* pattern, char* path) {
    (void)pattern;
    WIN32_FIND_DATAA found;
    if (!FindNextFileA(search, &found)) {
        FindClose(search);
        return false;
    }
    return TakeMatch(search, found, folder, path);
}

void ScanPieceCatalogue(HINSTANCE instance, HWND owner) {
    if (DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_FOLDERS), owner, FolderDlgProc, 0) != 1) {
        return; // cancelled: list, table and preview stay as they were
    }
    const HWND wait =
        CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_PLEASE_WAIT), owner, WaitDlgProc, 0);
    if (wait != nullptr) {
        // Paint the box now: the scan dispatches no messages until it ends.
        UpdateWindow(wait);
    }
    const HWND mainWindow = appState.mainWindow;
    SendDlgItemMessageA(mainWindow, IDC_PIECE_LIST, LB_RESETCONTENT, 0, 0);
    SendDlgItemMessageA(mainWindow, IDC_SORT_LIST, LB_RESETCONTENT, 0, 0);
    appState.pieceTable.clear();

    // First pass: the full paths of the qualifying profiles go into the
    // hidden sorted list, which orders them by file name.
    HANDLE search = INVALID_HANDLE_VALUE;
    char path[kPathCapacity];
    if (FindFirstInFolder(&search, appState.profileFolder, "*.prt", path)) {
        do {
            PieceRecord record;
            if (ReadPieceProfile(path, record) && IsQualifyingPiece(record)) {
                SendDlgItemMessageA(mainWindow, IDC_SORT_LIST, LB_ADDSTRING, 0,
                                    reinterpret_cast<LPARAM>(path));
            }
        } while (FindNextInFolder(search, appState.profileFolder, "*.prt", path));
    }

    // Second pass: in sorted order, each profile is read again into the table
    // and the piece list, so that item i of both lists and record i of the
    // table are the same piece.
    const LRESULT count = SendDlgItemMessageA(mainWindow, IDC_SORT_LIST, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = SendDlgItemMessageA(mainWindow, IDC_SORT_LIST, LB_GETTEXTLEN,
                                                   static_cast<WPARAM>(i), 0);
        path[0] = '\0';
        if (length >= 0 && length < static_cast<LRESULT>(kPathCapacity)) {
            SendDlgItemMessageA(mainWindow, IDC_SORT_LIST, LB_GETTEXT, static_cast<WPARAM>(i),
                                reinterpret_cast<LPARAM>(path));
        }
        AppendPiece(mainWindow, path);
    }

    if (wait != nullptr) {
        DestroyWindow(wait);
    }
    // The focus notification of the list loads the piece at its caret, which
    // a refilled list has on item 0.
    SetFocus(GetDlgItem(mainWindow, IDC_PIECE_LIST));
    SendDlgItemMessageA(mainWindow, IDC_PIECE_LIST, LB_SETCURSEL, 0, 0);
}
