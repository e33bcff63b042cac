// A generated catalogue with one planted fault per finding code of
// `piecetool check`, beside sound pieces with 8-bit and 24-bit textures,
// untextured and nested groups and a Shift-JIS name. Written into
// folder/profiles, folder/models and folder/textures.
#pragma once

#include <string>
#include <vector>

struct PlantedFault {
    std::string severity;
    std::string code;
    std::string profile; // empty for files no piece names
};

// Writes the catalogue; throws std::runtime_error when a file cannot be
// written.
void WriteFaultCatalogue(const std::string& folder);

// What `check --all` reports on it, in report order.
std::vector<PlantedFault> PlantedFaults();

// Profiles of the pieces the export writes (their models are sound).
std::vector<std::string> ExportablePieces();
