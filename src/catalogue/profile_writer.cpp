#include "catalogue/profile_writer.h"

#include "catalogue/piece_profile.h"

#include <algorithm>
#include <string>

namespace {

// Refuses a text that would not read back whole from its field.
Status CheckField(std::string_view text, std::size_t fieldBytes, const char* what) {
    if (text.empty() || text.find('\0') != std::string_view::npos) {
        return Refuse("profile-field",
                      std::string("the ") + what + " is empty or holds a zero byte");
    }
    if (text.size() + 1 > fieldBytes) {
        return Refuse("profile-field", std::string("the ") + what + " takes " +
                                           std::to_string(text.size()) + " bytes, more than the " +
                                           std::to_string(fieldBytes - 1) + " its field holds");
    }
    return Success();
}

} // namespace

Result<std::vector<std::uint8_t>> EncodePieceProfile(std::string_view modelFile,
                                                     std::string_view pieceName,
                                                     const std::vector<std::uint8_t>* like) {
    if (Status fits = CheckField(modelFile, kModelFileBytes, "model file name"); !fits) {
        return fits.refusal();
    }
    if (Status fits = CheckField(pieceName, kPieceNameBytes, "piece name"); !fits) {
        return fits.refusal();
    }
    const std::size_t nameEnd = kProfilePieceNameOffset + pieceName.size() + 1;
    std::vector<std::uint8_t> bytes;
    if (like == nullptr) {
        bytes.assign(kNewProfileBytes, 0);
    } else {
        bytes = *like;
        bytes.resize(std::max(bytes.size(), nameEnd), 0);
        // The two fields start empty: nothing of the old texts is left behind
        // the new ones' zeros.
        std::fill_n(bytes.begin() + kProfileModelFileOffset, kModelFileBytes, 0);
        const std::size_t fieldEnd =
            std::min(bytes.size(), kProfilePieceNameOffset + kPieceNameBytes);
        std::fill(bytes.begin() + kProfilePieceNameOffset, bytes.begin() + fieldEnd, 0);
    }
    std::copy(modelFile.begin(), modelFile.end(), bytes.begin() + kProfileModelFileOffset);
    std::copy(pieceName.begin(), pieceName.end(), bytes.begin() + kProfilePieceNameOffset);
    return bytes;
}
