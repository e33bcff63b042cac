// One file of `piecetool convert`: converted, skipped or failed, with the
// lines that say why.
#pragma once

#include "tool/convert_plan.h"

#include <string>
#include <vector>

enum class FileStatus { Converted, Skipped, Failed };

struct FileOutcome {
    FileStatus status = FileStatus::Failed;
    // For a failure: the reasons, each beginning with two blanks. A bitmap
    // gets the very lines that `pieceviewer /t` prints for it.
    std::vector<std::string> lines;
};

struct ConvertOptions {
    bool force = false;   // replace existing outputs
    bool flatten = false; // composite PNG transparency onto black
};

// Converts one planned file. An existing output is replaced only with
// `force`; a failure leaves no partial file and an existing output as it was.
// Never throws.
FileOutcome ConvertFile(const ConvertJob& job, const ConvertOptions& options);
