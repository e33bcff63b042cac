// piecetool list PROFILES MODELS TEXTURES: the pieces of the viewer's list, in
// its order, as one JSON document, for programs that drive piecetool (the
// Blender add-on lays out and names what it imports by it). Profiles the
// viewer does not list are left out; a listed piece whose model cannot be
// read is listed with `drawable` false, as the viewer lists it and draws
// nothing.
#include "catalogue/piece_loader.h"
#include "common/shift_jis_text.h"
#include "tool/console_text.h"
#include "tool/tool_commands.h"

#include <nlohmann/json.hpp>

#include <memory>

namespace {

int RunList(const CatalogueFolders& folders) {
    const CatalogueIndex catalogue = OpenCatalogue(folders);
    TextureFolderResolver resolver(catalogue.textures);
    nlohmann::ordered_json pieces = nlohmann::ordered_json::array();
    for (const CatalogueProfile& profile : ListProfiles(catalogue.profiles)) {
        if (!profile.listed()) {
            continue;
        }
        const LoadedPiece piece = LoadPiece(catalogue, profile, resolver);
        pieces.push_back({{"name", ShiftJisToUtf8(profile.pieceName)},
                          {"profile", ShownFileName(profile.fileName)},
                          {"stem", ShownFileName(FileStem(profile.fileName))},
                          {"model", piece.modelFile},
                          {"textures", piece.names.size()},
                          {"drawable", piece.Drawable()}});
    }
    const nlohmann::ordered_json document = {{"pieces", pieces}};
    WriteLine(stdout,
              document.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace));
    return 0;
}

} // namespace

void AddListCommand(CLI::App& app) {
    auto folders = std::make_shared<CatalogueFolders>();
    CLI::App* list = app.add_subcommand(
        "list", "Writes the pieces the viewer lists, in its order, as one JSON document (name, "
                "profile, stem, model, texture count, drawable). Exit code 0; 2: usage error.");
    AddCatalogueFolders(*list, *folders);
    list->callback([folders] { ExitWith(RunList(*folders)); });
}
