#include "tool/convert_plan.h"

#include "common/path_text.h"
#include "common/replace_extension.h"

#include <algorithm>
#include <map>
#include <system_error>

namespace fs = std::filesystem;

namespace {

std::string LowerAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

const char* ExtensionOf(ConvertTarget target) {
    switch (target) {
    case ConvertTarget::Bmp:
        return ".bmp";
    case ConvertTarget::Png:
        return ".png";
    case ConvertTarget::Txr:
        break;
    }
    return ".txr";
}

// The key under which two paths name the same file: absolute and normal, and
// on Windows without regard to case, as its file system compares names.
std::string SameFileKey(const fs::path& path) {
    std::error_code error;
    fs::path full = fs::absolute(path, error);
    std::string key = (error ? path : full).lexically_normal().generic_string();
#ifdef _WIN32
    key = LowerAscii(key);
#endif
    return key;
}

void AddJob(ConvertPlan& plan, const fs::path& input, const fs::path& outputBase, InputKind kind,
            ConvertTarget target) {
    ConvertJob job;
    job.input = input;
    job.kind = kind;
    job.target = target;
    // The extension changes in the file name only, as for the single-file
    // converter: a dot in a folder name is never taken for one.
    const std::string base = outputBase.string();
    char name[kPathCapacity];
    if (CopyPathText(name, sizeof name, base.c_str()) &&
        ReplaceExtension(name, sizeof name, ExtensionOf(target))) {
        job.output = fs::path(std::string(name));
    } else {
        job.output = outputBase;
        job.problem = Refuse("name-too-long", "name longer than 259 characters");
    }
    plan.jobs.push_back(std::move(job));
}

// Marks every job whose output is the output of an earlier job, or the input
// of any job: running both would let one overwrite what the other reads or
// writes.
void MarkCollisions(ConvertPlan& plan) {
    std::map<std::string, std::size_t> inputs;
    for (std::size_t i = 0; i < plan.jobs.size(); ++i) {
        inputs.emplace(SameFileKey(plan.jobs[i].input), i);
    }
    std::map<std::string, std::size_t> outputs;
    for (ConvertJob& job : plan.jobs) {
        if (job.problem) {
            continue;
        }
        const std::string key = SameFileKey(job.output);
        if (inputs.contains(key)) {
            job.problem = Refuse("output-is-input", "the output is also an input of this run");
            job.outputIsInput = true;
        } else if (!outputs.emplace(key, 0).second) {
            job.problem = Refuse("same-output", "an earlier input has the same output");
        }
    }
}

} // namespace

InputKind KindOfName(const fs::path& name) {
    const std::string extension = LowerAscii(name.extension().string());
    if (extension == ".bmp" || extension == ".dib") {
        return InputKind::Bitmap;
    }
    if (extension == ".png") {
        return InputKind::Png;
    }
    if (extension == ".txr") {
        return InputKind::Txr;
    }
    return InputKind::Other;
}

std::optional<ConvertTarget> TargetFor(InputKind kind, std::optional<ConvertTarget> to) {
    switch (kind) {
    case InputKind::Bitmap:
    case InputKind::Png:
        if (!to || *to == ConvertTarget::Txr) {
            return ConvertTarget::Txr;
        }
        return std::nullopt;
    case InputKind::Txr:
        if (!to) {
            return ConvertTarget::Bmp;
        }
        if (*to == ConvertTarget::Txr) {
            return std::nullopt;
        }
        return *to;
    case InputKind::Other:
        break;
    }
    return std::nullopt;
}

ConvertPlan PlanConversions(const ConvertRequest& request) {
    ConvertPlan plan;
    const std::optional<fs::path> outFolder =
        request.outFolder ? std::optional<fs::path>(*request.outFolder) : std::nullopt;
    for (const std::string& given : request.inputs) {
        const fs::path input(given);
        std::error_code error;
        const fs::file_status status = fs::status(input, error);
        if (fs::is_directory(status)) {
            std::vector<fs::path> found;
            const auto take = [&](const fs::directory_entry& entry) {
                std::error_code entryError;
                if (entry.is_regular_file(entryError) &&
                    TargetFor(KindOfName(entry.path()), request.to)) {
                    found.push_back(entry.path());
                }
            };
            if (request.recursive) {
                for (const auto& entry : fs::recursive_directory_iterator(
                         input, fs::directory_options::skip_permission_denied, error)) {
                    take(entry);
                }
            } else {
                for (const auto& entry : fs::directory_iterator(input, error)) {
                    take(entry);
                }
            }
            if (error) {
                plan.usageError = Refuse("folder-unreadable", "cannot read the folder " + given);
                return plan;
            }
            std::sort(found.begin(), found.end());
            for (const fs::path& file : found) {
                const InputKind kind = KindOfName(file);
                const fs::path base =
                    outFolder ? *outFolder / file.lexically_relative(input) : file;
                AddJob(plan, file, base, kind, *TargetFor(kind, request.to));
            }
            continue;
        }
        if (!fs::is_regular_file(status)) {
            plan.usageError = Refuse("input-missing", "no such file or folder: " + given);
            return plan;
        }
        const InputKind kind = KindOfName(input);
        const std::optional<ConvertTarget> target = TargetFor(kind, request.to);
        if (!target) {
            plan.usageError =
                kind == InputKind::Other
                    ? Refuse("convert-kind", given + " is not a BMP, DIB, PNG or TXR file")
                    : Refuse("to-does-not-fit",
                             "--to does not fit " + given +
                                 " (.bmp, .dib and .png become .txr; .txr becomes .bmp or .png)");
            return plan;
        }
        const fs::path base = outFolder ? *outFolder / input.filename() : input;
        AddJob(plan, input, base, kind, *target);
    }
    MarkCollisions(plan);
    return plan;
}
