#include "tool/file_conversion.h"

#include "common/file_io.h"
#include "texture/bmp_to_txr.h"
#include "texture/txr_format.h"
#include "texture/txr_to_bmp.h"
#include "tool/png_image.h"
#include "tool/png_reader.h"

#include <exception>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr const char* kNameTooLong = "  name longer than 259 characters";
constexpr const char* kUnreadableTexture = "  failed at reading texture file";
constexpr const char* kNotWritten = "  couldn't be written";

FileOutcome Failed(std::string line) {
    FileOutcome outcome;
    outcome.lines.push_back(std::move(line));
    return outcome;
}

FileOutcome FromTxrRefusal(TxrRefusal refusal) {
    FileOutcome outcome;
    if (refusal == TxrRefusal::None) {
        outcome.status = FileStatus::Converted;
    } else if (refusal == TxrRefusal::NameTooLong) {
        outcome.lines.emplace_back(kNameTooLong);
    } else {
        for (const std::string_view line : TxrRefusalLines(refusal)) {
            outcome.lines.emplace_back(line);
        }
    }
    return outcome;
}

FileOutcome PngToTxr(const std::string& input, const std::string& output, bool flatten) {
    const auto file = ReadWholeFile(input.c_str(), kMaxBitmapFileBytes);
    if (!file) {
        return Failed(std::string(PngRefusalLine(PngRefusal::Unreadable)));
    }
    const PngDecoding decoding = DecodePngForTxr(*file, flatten);
    if (decoding.refusal != PngRefusal::None) {
        return Failed(std::string(PngRefusalLine(decoding.refusal)));
    }
    return FromTxrRefusal(WriteTxrForBitmap(decoding.bitmap, output.c_str()));
}

bool IsReadableTexture(const std::optional<std::vector<std::uint8_t>>& file) {
    if (!file || file->size() < kTxrHeaderSize) {
        return false;
    }
    const TxrHeader header = DecodeTxrHeader(file->data());
    return IsReadableTxrHeader(header) && file->size() >= TxrLevel0End(header);
}

FileOutcome TxrToBmp(const std::string& input, const std::string& output) {
    if (ConvertTxrToBmp(input.c_str(), output.c_str())) {
        return FileOutcome{FileStatus::Converted, {}};
    }
    // The converter reports no reason: tell a bad texture from a failed write.
    return Failed(IsReadableTexture(ReadWholeFile(input.c_str(), kMaxBitmapFileBytes))
                      ? kNotWritten
                      : kUnreadableTexture);
}

FileOutcome TxrToPng(const std::string& input, const std::string& output) {
    const auto file = ReadWholeFile(input.c_str(), kMaxBitmapFileBytes);
    if (!file) {
        return Failed(kUnreadableTexture);
    }
    const std::optional<PngPicture> picture = TxrLevel0Picture(*file, true);
    if (!picture) {
        return Failed(kUnreadableTexture);
    }
    const std::vector<std::uint8_t> png = EncodePng(*picture);
    OutputFile out;
    if (png.empty() || !BeginOutputFile(out, output.c_str())) {
        return Failed(kNotWritten);
    }
    WriteOutput(out, png.data(), png.size());
    if (!CommitOutputFile(out)) {
        return Failed(kNotWritten);
    }
    return FileOutcome{FileStatus::Converted, {}};
}

FileOutcome Convert(const ConvertJob& job, const ConvertOptions& options) {
    if (!job.problem.empty() && !(job.outputIsInput && !options.force)) {
        return Failed(job.problem);
    }
    std::error_code error;
    if (!options.force && fs::exists(fs::symlink_status(job.output, error))) {
        return FileOutcome{FileStatus::Skipped, {}};
    }
    const fs::path folder = job.output.parent_path();
    if (!folder.empty()) {
        fs::create_directories(folder, error); // a failure shows when the file is written
    }
    const std::string input = job.input.string();
    const std::string output = job.output.string();
    switch (job.kind) {
    case InputKind::Bitmap:
        return FromTxrRefusal(BmpFileToTxr(input.c_str(), output.c_str()));
    case InputKind::Png:
        return PngToTxr(input, output, options.flatten);
    case InputKind::Txr:
        return job.target == ConvertTarget::Png ? TxrToPng(input, output) : TxrToBmp(input, output);
    case InputKind::Other:
        break;
    }
    return Failed("  is not a BMP, DIB, PNG or TXR file");
}

} // namespace

FileOutcome ConvertFile(const ConvertJob& job, const ConvertOptions& options) {
    try {
        return Convert(job, options);
    } catch (const std::exception&) {
        // Out of memory, or a name the platform cannot express: this file
        // fails, the others go on.
        return Failed("  failed for lack of memory or an unusable name");
    }
}
