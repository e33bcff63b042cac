#include "texture/command_line.h"

#include "common/replace_extension.h"
#include "texture/bmp_to_txr.h"
#include "texture/txr_to_bmp.h"

#include <cstdio>
#include <cstdlib>

namespace {

// Reads one name starting at tail[pos] into `name`. Returns false when the
// name is malformed in a way the caller decides on through `result`:
//   quoted  - whether the name began with a double quote;
//   closed  - for a quoted name, whether its closing quote was found;
//   fits    - whether the name fitted in its 260-byte buffer.
struct NameRead {
    bool quoted = false;
    bool emptyAfterQuote = false; // opening quote followed by a blank or the end
    bool closed = false;
    bool fits = true;
};

NameRead ReadName(const char* tail, std::size_t& pos, char* name) {
    NameRead read;
    std::size_t length = 0;
    if (tail[pos] == '"') {
        read.quoted = true;
        ++pos;
        if (tail[pos] == ' ' || tail[pos] == '\0') {
            read.emptyAfterQuote = true;
            return read;
        }
    }
    for (;;) {
        const char c = tail[pos];
        if (c == '\0') {
            break;
        }
        if (read.quoted ? c == '"' : c == ' ') {
            read.closed = read.quoted;
            break;
        }
        if (length < kPathMaxLength) {
            name[length] = c;
        } else {
            read.fits = false;
        }
        ++length;
        ++pos;
    }
    name[read.fits ? length : 0] = '\0';
    return read;
}

void SkipBlanks(const char* tail, std::size_t& pos) {
    while (tail[pos] == ' ') {
        ++pos;
    }
}

} // namespace

bool IsConversionTail(const char* commandTail) {
    if (commandTail == nullptr || commandTail[0] != '/') {
        return false;
    }
    const char letter = commandTail[1];
    return letter == 'b' || letter == 'B' || letter == 't' || letter == 'T';
}

CommandTail ParseCommandTail(const char* commandTail) {
    CommandTail result;
    if (!IsConversionTail(commandTail)) {
        return result;
    }
    const char* tail = commandTail;
    result.mode =
        (tail[1] == 't' || tail[1] == 'T') ? ConversionMode::BmpToTxr : ConversionMode::TxrToBmp;
    result.kind = TailKind::Malformed;

    std::size_t pos = 2;
    SkipBlanks(tail, pos);
    if (tail[pos] == '\0') {
        return result;
    }

    const NameRead first = ReadName(tail, pos, result.inputName);
    if (first.emptyAfterQuote || !first.fits || (first.quoted && !first.closed)) {
        return result;
    }

    if (!first.quoted && tail[pos] == '\0') {
        // Single-name form: the output is the input with its extension changed.
        CopyPathText(result.outputName, kPathCapacity, result.inputName);
        const char* extension = result.mode == ConversionMode::TxrToBmp ? ".bmp" : ".txr";
        if (!ReplaceExtension(result.outputName, kPathCapacity, extension)) {
            return result;
        }
        result.kind = TailKind::Convert;
        return result;
    }

    ++pos; // past the blank or closing quote that ended the first name
    SkipBlanks(tail, pos);
    if (tail[pos] == '\0') {
        return result;
    }

    const NameRead second = ReadName(tail, pos, result.outputName);
    if (second.emptyAfterQuote || !second.fits) {
        return result;
    }
    if (second.quoted && !second.closed) {
        result.kind = TailKind::UnclosedQuote;
        return result;
    }
    result.kind = TailKind::Convert;
    return result;
}

int RunCommandTail(const CommandTail& tail) {
    switch (tail.kind) {
    case TailKind::Convert:
        // The exit code is 0 whether or not the conversion succeeded; the
        // bitmap-to-texture direction reports its refusals itself.
        if (tail.mode == ConversionMode::BmpToTxr) {
            ConvertBmpToTxr(tail.inputName, tail.outputName);
        } else {
            ConvertTxrToBmp(tail.inputName, tail.outputName);
        }
        return 0;
    case TailKind::UnclosedQuote:
        return 0;
    case TailKind::Malformed:
    case TailKind::NotConversion:
        break;
    }
    return -1;
}

void HandleCommandLine(const char* commandTail) {
    const CommandTail tail = ParseCommandTail(commandTail);
    if (tail.kind == TailKind::NotConversion) {
        return;
    }
    std::exit(RunCommandTail(tail));
}
