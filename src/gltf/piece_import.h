// A model made in Blender (or any glTF tool) imported as a map piece: the
// profile, the model and one texture per material, made in memory first and
// written together into the catalogue's three folders.
//
// The piece draws the model's triangles as the glTF viewer shows them: every
// node transform of the default scene applied, Z mirrored into the viewer's
// left-handed space and every triangle's winding reversed, so the piece is
// neither mirrored nor inside out. Equal vertices are welded into one array;
// each material's triangles become greedy triangle fans drawn with its one
// texture.
//
// The files: PROFILES/STEM.prt (model field "STEM.msm", the piece name),
// MODELS/STEM.msm, and TEXTURES/STEM_i.txr for texture slot i. The number has
// no "_" in it, so the text before a texture name's last "_" is its piece's
// stem: two imported pieces (two profiles, so two stems) never share a
// texture file. The names in the model are these file names; the viewer's
// change of extension to ".txr" leaves them as they are.
#pragma once

#include "common/result.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// The viewer's 17 texture slots: a piece draws at most 17 textures.
inline constexpr std::size_t kMaxImportTextures = 17;

struct ImportOptions {
    // The stem of the piece's file names, UTF-8; empty: the model file's
    // stem. See CheckImportStem.
    std::string stem;
    // The piece name, UTF-8; empty: the name of the one node of the scene
    // that carries a mesh, when there is exactly one (and it has a name);
    // otherwise the stem.
    std::string pieceName;
    // An existing profile whose bytes the viewer does not read (32 to 99,
    // from 228 on, and its length) the new one takes.
    std::optional<std::vector<std::uint8_t>> likeProfile;
    double scale = 1.0;   // model units per glTF metre
    bool palette = false; // 8-bit textures through the converter's quantizer
    int maxSide = 256;    // the largest texture side (the largest power of two not above it)
};

// One file of the piece: its name as the catalogue's files name it (the
// Shift-JIS bytes the profile and the model hold) and its bytes.
struct ImportedFile {
    std::string name;
    std::vector<std::uint8_t> bytes;
};

struct ImportedPiece {
    std::string stem;              // UTF-8
    std::string pieceName;         // UTF-8
    std::string pieceNameShiftJis; // as the profile holds it
    ImportedFile profile;
    ImportedFile model;
    std::vector<ImportedFile> textures; // slot order
    // For a report.
    std::size_t triangles = 0; // drawn (triangles covering nothing are dropped)
    std::size_t vertices = 0;  // after welding
    std::size_t fans = 0;
    // What the model holds that the piece does not (see GltfScene::notes).
    std::vector<std::string> notes;
};

// The stem's Shift-JIS bytes, or why it cannot name the piece's files
// ("import-stem"): empty; a path (a separator, "." or ".."); a character
// Windows forbids in file names or a device name (CON, NUL, COM1 ...); text
// that code page 932 cannot hold; longer than fits the profile's 32-byte
// model field with ".msm" and a zero (27 bytes).
Result<std::string> CheckImportStem(const std::string& stem);

// The piece of the glTF (.gltf, whose files are looked for beside it) or GLB
// file at `path` (a path in the system's encoding). Refusal codes start with
// "gltf-" for what the file holds and "import-" for what the piece cannot
// hold: "import-too-many-materials" (more than 17 textures),
// "import-too-many-vertices" (more than 65,535 after welding),
// "import-no-triangles", "import-name", "import-stem", "import-option";
// "import-read" when the file cannot be read.
Result<ImportedPiece> ImportGltfFile(const std::string& path, const ImportOptions& options);

// The same for a file held in memory. `folder` is where the files it names
// are looked for (empty: nowhere), `defaultStem` the stem used when the
// options name none.
Result<ImportedPiece> ImportGltfBytes(std::span<const std::uint8_t> file, const std::string& folder,
                                      const std::string& defaultStem, const ImportOptions& options);

struct WrittenPiece {
    std::vector<std::string> paths;    // every file written, profile, model, textures
    std::vector<std::string> replaced; // the files of an earlier piece replaced (force)
    std::vector<std::string> removed;  // its textures the new piece has no slot for (force)
};

// Writes the piece into the three folders, all files or none (WriteFileGroup).
// A file of the same name (without regard to case, as the viewer finds
// files) already there is refused ("import-exists", naming every one) unless
// `force`, which replaces it and removes the earlier piece's textures past the
// new one's last (STEM_i.txr for the slots an import can fill). "import-folder" when a folder does
// not exist; "file-write" when writing fails.
Result<WrittenPiece> WriteImportedPiece(const ImportedPiece& piece, const std::string& profiles,
                                        const std::string& models, const std::string& textures,
                                        bool force);
