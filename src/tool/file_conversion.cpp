#include "tool/file_conversion.h"

#include "common/file_io.h"
#include "common/output_links.h"
#include "texture/bmp_to_txr.h"
#include "texture/texture_pictures.h"
#include "texture/txr_format.h"
#include "texture/txr_to_bmp.h"

#include <exception>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// The refusal of the bitmap converter, in the words `pieceviewer /t` prints.
Result<FileStatus> FromTxrRefusal(TxrRefusal refusal) {
    const char* code = "";
    switch (refusal) {
    case TxrRefusal::None:
        return FileStatus::Converted;
    case TxrRefusal::NameTooLong:
        return Refuse("name-too-long", "name longer than 259 characters");
    case TxrRefusal::NotBmpName:
        code = "bmp-name";
        break;
    case TxrRefusal::Unreadable:
        code = "bmp-unreadable";
        break;
    case TxrRefusal::Depth:
        code = "bmp-depth";
        break;
    case TxrRefusal::Side:
        code = "bmp-sides";
        break;
    case TxrRefusal::NotWritten:
        code = "txr-not-written";
        break;
    }
    std::string message;
    for (const std::string_view line : TxrRefusalLines(refusal)) {
        message += message.empty() ? "" : "\n";
        message += line.substr(2); // the two blanks that begin each printed line
    }
    return Refuse(code, message);
}

Result<FileStatus> PngToTxr(const std::string& input, const std::string& output, bool flatten) {
    const Result<std::vector<std::uint8_t>> file =
        ReadFileBytes(input.c_str(), kMaxBitmapFileBytes);
    if (!file) {
        return file.refusal();
    }
    const Result<BitmapImage> bitmap = DecodePngForTxr(*file, flatten);
    if (!bitmap) {
        return bitmap.refusal();
    }
    return FromTxrRefusal(WriteTxrForBitmap(*bitmap, output.c_str()));
}

// The bytes of a texture file.
Result<std::vector<std::uint8_t>> ReadTexture(const std::string& input) {
    return ReadFileBytes(input.c_str(), kMaxBitmapFileBytes);
}

Result<FileStatus> TxrToBmp(const std::string& input, const std::string& output) {
    if (ConvertTxrToBmp(input.c_str(), output.c_str())) {
        return FileStatus::Converted;
    }
    // The converter reports no reason: tell a bad texture from a failed write.
    const Result<std::vector<std::uint8_t>> file = ReadTexture(input);
    if (!file) {
        return file.refusal();
    }
    if (const Result<RgbPicture> texture = TxrLevel0Picture(*file); !texture) {
        return texture.refusal();
    }
    return Refuse("file-write", "couldn't be written");
}

Result<FileStatus> TxrToPng(const std::string& input, const std::string& output) {
    const Result<std::vector<std::uint8_t>> file = ReadTexture(input);
    if (!file) {
        return file.refusal();
    }
    const Result<std::vector<std::uint8_t>> png = TxrLevel0Png(*file);
    if (!png) {
        return png.refusal();
    }
    if (const Status written = WriteFileBytes(output, *png); !written) {
        return written.refusal();
    }
    return FileStatus::Converted;
}

Result<FileStatus> Convert(const ConvertJob& job, const ConvertOptions& options) {
    if (job.problem && !(job.outputIsInput && !options.force)) {
        return *job.problem;
    }
    const std::string output = job.output.string();
    const std::string outFolder =
        options.outFolder.empty() ? job.output.parent_path().string() : options.outFolder;
    if (Status noLink = RefuseLinkBelowFolder(outFolder, output); !noLink) {
        return noLink.refusal();
    }
    std::error_code error;
    if (!options.force && fs::exists(fs::symlink_status(job.output, error))) {
        return FileStatus::Skipped;
    }
    const fs::path folder = job.output.parent_path();
    if (!folder.empty()) {
        fs::create_directories(folder, error); // a failure shows when the file is written
    }
    const std::string input = job.input.string();
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
    return Refuse("convert-kind", "is not a BMP, DIB, PNG or TXR file");
}

} // namespace

Result<FileStatus> ConvertFile(const ConvertJob& job, const ConvertOptions& options) {
    try {
        return Convert(job, options);
    } catch (const std::exception&) {
        // Out of memory, or a name the platform cannot express: this file
        // fails, the others go on.
        return Refuse("convert-exception", "failed for lack of memory or an unusable name");
    }
}
