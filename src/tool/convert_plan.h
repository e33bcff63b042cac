// Which files `piecetool convert` converts, in which direction, and where
// each output goes. Worked out completely before any file is converted.
#pragma once

#include "common/result.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// The kind of file written.
enum class ConvertTarget { Txr, Bmp, Png };

// The kind of file read, by its extension in any case.
enum class InputKind { Bitmap, Png, Txr, Other };

InputKind KindOfName(const std::filesystem::path& name);

// The target for an input of `kind`: pictures become TXR files, TXR files
// bitmaps unless `to` asks for PNG. Nothing when `to` does not fit the input
// or the kind cannot be converted.
std::optional<ConvertTarget> TargetFor(InputKind kind, std::optional<ConvertTarget> to);

struct ConvertJob {
    std::filesystem::path input;
    std::filesystem::path output;
    InputKind kind = InputKind::Other;
    ConvertTarget target = ConvertTarget::Txr;
    // Why the job cannot run at all, found while planning: an output name too
    // long ("name-too-long"), two inputs with one output ("same-output"), an
    // output that is another input of the run ("output-is-input").
    std::optional<Refusal> problem;
    // The problem is that the output is also an input: without --force that
    // output exists and the job is skipped like any other.
    bool outputIsInput = false;
};

struct ConvertRequest {
    std::vector<std::string> inputs; // files and folders, as given
    std::optional<ConvertTarget> to;
    std::optional<std::string> outFolder;
    bool recursive = false;
};

struct ConvertPlan {
    std::vector<ConvertJob> jobs;      // in input order; files of a folder by name
    std::optional<Refusal> usageError; // set when the command line cannot be carried out
};

// A named file must exist and have a direction that fits `to`; a named folder
// stands for every file in it (and below, when recursive) whose direction
// fits. Outputs go beside their inputs, or under the out folder mirroring the
// path of each file below the named folder (a named file: its name alone).
// The extension is changed in the file name only.
ConvertPlan PlanConversions(const ConvertRequest& request);
