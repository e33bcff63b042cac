// One piece of the catalogue: the model file name and the display name, as
// read from the piece's profile file (texts in the ANSI code page).
#pragma once

inline constexpr int kModelFileBytes = 32;
inline constexpr int kPieceNameBytes = 128;

struct PieceRecord {
    char modelFile[kModelFileBytes];
    char pieceName[kPieceNameBytes];
};
