// Resource and control identifiers of the viewer. Shared by the resource
// script and the C++ code, so it holds nothing but #define lines.
#pragma once

// Resources
#define IDD_ABOUT 105
#define IDR_ACCELERATOR 107
#define IDR_MENU 108
#define IDD_FOLDERS 111
#define IDD_TEXTURE_NAMES 115
#define IDD_PLEASE_WAIT 118

// Main window controls
#define IDC_LOAD 1001
#define IDC_TEXTURE_INFO 1002
#define IDC_EXPORT_TEXTURE 1003
#define IDC_STATIC_FRAME 1011
#define IDC_PIECE_LIST 1012
#define IDC_SORT_LIST 1014

// Folder locations dialog
#define IDC_PROFILE_FOLDER 1000
#define IDC_BROWSE_PROFILE 1001
#define IDC_MODEL_FOLDER 1006
#define IDC_BROWSE_MODEL 1007
#define IDC_TEXTURE_FOLDER 1008
#define IDC_BROWSE_TEXTURE 1009

// Texture names dialog
#define IDC_TEXTURE_LIST 1000
#define IDC_TEXTURE_PATH 1013

// Menu commands
#define ID_FILE_EXIT 40001
#define ID_TEXTURE_INFORMATION 40003
#define ID_TEXTURE_EXPORT 40004
#define ID_FILE_OPEN 40005
#define ID_HELP_ABOUT 40007
