// One piece of a catalogue read the way the viewer reads it when the piece is
// chosen: its model found by the profile's name in the model folder (without
// regard to case), read whole and walked, and each of its first 17 texture
// names looked up as a ".txr" file in the texture folder. What would make the
// piece show wrongly, or not at all, comes back as typed findings. Every
// command that reads pieces (check, export, import, render, site) reads them
// here, so that they agree on what is wrong with a piece.
#pragma once

#include "catalogue/catalogue_folders.h"
#include "preview/msm_layout.h"
#include "texture/txr_format.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

enum class Severity { error, warning, info };

enum class FindingCode {
    // A piece's model and textures, as the viewer loads them.
    modelMissing,     // the model file is not there or cannot be read
    modelMalformed,   // runs past its data or holds a count byte of 128 or more
    vertexIndex,      // a group names a vertex past the vertex count
    textureMissing,   // no ".txr" of a texture's name in the texture folder
    textureMalformed, // the ".txr" is not readable (depth, sides, shorter than level 0)
    textureNamePath,  // a texture name is a path: never loaded
    pathTooLong,      // a profile, model or texture path does not fit 259 characters
    textureIndex,     // a drawn group's texture index is not one of the model's names
    tooManyTextures,  // more than 17 names: the rest are never loaded
    textureLevels,    // a ".txr"'s level count or length does not fit its sides
    // The catalogue as a whole.
    duplicateName,  // two pieces of one name
    profileSkipped, // a ".prt" the viewer does not list
    unusedModel,    // a model no profile names
    unusedTexture,  // a texture no model names
    // What a command met while writing a piece's files.
    pieceUnknown, // a piece asked for by name is not in the catalogue
    writeFailed,  // a file of the piece could not be written
    // An import into the folders was cut short: its journal is still there.
    importInterrupted,
};

// "model-missing", "texture-index" ...: the code as reports and scripts show it.
const char* FindingCodeText(FindingCode code);
// Each code has one severity.
Severity SeverityOf(FindingCode code);
const char* SeverityText(Severity severity);

// One problem. Texts are UTF-8: piece names and names from models are turned
// from Shift-JIS.
struct Finding {
    FindingCode code = FindingCode::modelMissing;
    std::string piece;   // the piece's display name, or empty
    std::string profile; // the profile file's name, or empty
    std::string file;    // the model or texture file concerned, or empty
    std::string message;

    Severity severity() const { return SeverityOf(code); }
};

// One of the viewer's texture slots: a name of the model and what the
// texture folder holds for it.
struct PieceTexture {
    std::string name;   // as the model names it (bytes of the file)
    TextureFile lookup; // the ".txr" looked for, and the file when found
    TxrInspection inspection;

    // Found and readable: the viewer draws with this texture.
    bool usable() const { return lookup.status == TextureLookup::found && inspection.readable; }
};

// Finds the texture of a model's name: in a texture folder, or (for a piece
// not yet written) among files held in memory.
using TextureResolver = std::function<PieceTexture(std::string_view modelName)>;

// Texture files looked up and inspected in one catalogue's texture folder,
// each file inspected once, by any number of threads at once.
class TextureFolderResolver {
  public:
    explicit TextureFolderResolver(const FolderIndex& textures) : textures_(textures) {}
    PieceTexture operator()(std::string_view modelName);

  private:
    const FolderIndex& textures_;
    std::mutex mutex_;
    std::unordered_map<const FolderFile*, TxrInspection> inspected_;
};

struct LoadedPiece {
    std::string piece;                      // display name, UTF-8
    std::string profile;                    // the profile file's name as shown
    std::string modelFile;                  // the model file's name as shown
    const FolderFile* modelEntry = nullptr; // the model file, when found
    bool modelRead = false;
    std::vector<std::uint8_t> model;    // its bytes, when read
    std::optional<MsmLayout> layout;    // when the whole model walks
    std::vector<std::string> names;     // every texture name the model lists
    std::vector<PieceTexture> textures; // the first 17 names: the viewer's slots
    std::vector<Finding> findings;      // in the order the check reports them

    bool HasError() const;
    // The viewer draws something of it: the model was read and its names,
    // vertices and group count lie within its data (groups before one that
    // runs past the data are drawn).
    bool Drawable() const;
};

// Loads the piece of a listed profile (one that qualifies and whose path
// fits). `resolver` looks up its textures; a catalogue passes one
// TextureFolderResolver for all its pieces.
LoadedPiece LoadPiece(const CatalogueIndex& catalogue, const CatalogueProfile& profile,
                      TextureFolderResolver& resolver);

// Whether the path of the model `modelFile` in `folder` fits the viewer's
// 259 characters; when it does not, adds the finding that says so.
bool JudgeModelPath(LoadedPiece& piece, const std::string& folder, const std::string& modelFile);

// The findings of a model held in memory, its textures found by `resolve`:
// what LoadPiece adds once the model has been read. `piece` names the piece
// in the findings and receives model, names, slots and findings.
void JudgeModel(LoadedPiece& piece, std::vector<std::uint8_t> model,
                const TextureResolver& resolve);

// Adds a finding to the piece.
void AddFinding(std::vector<Finding>& findings, FindingCode code, const LoadedPiece& piece,
                std::string file, std::string message);
