// One file of `piecetool convert`: converted, skipped, or refused with the
// reason why.
#pragma once

#include "common/result.h"
#include "tool/convert_plan.h"

enum class FileStatus { Converted, Skipped };

struct ConvertOptions {
    bool force = false;   // replace existing outputs
    bool flatten = false; // composite PNG transparency onto black
    // The folder the outputs go below (--out); none: each beside its input.
    // No output is written through a link below it, nor onto a linked file.
    std::string outFolder = {};
};

// Converts one planned file. An existing output is replaced only with
// `force`; a failure leaves no partial file and an existing output as it was.
// A bitmap's refusal carries the very lines that `pieceviewer /t` prints for
// it (without their two leading blanks), one per line of the message.
// Never throws.
Result<FileStatus> ConvertFile(const ConvertJob& job, const ConvertOptions& options);
