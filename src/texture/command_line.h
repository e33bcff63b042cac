// The command-line front end of the converter.
//
// The tail is the text after the program's name as the platform hands it to a
// windowed program's entry point. When it begins with "/b" or "/t" (either
// case) the program converts and exits; otherwise the viewer starts.
#pragma once

#include "common/path_text.h"

enum class TailKind {
    NotConversion, // no switch: the caller goes on to start the viewer
    Malformed,     // exit code -1, nothing converted
    UnclosedQuote, // second name's closing quote missing: exit code 0, nothing converted
    Convert,       // run the conversion, then exit code 0
};

enum class ConversionMode { TxrToBmp, BmpToTxr };

struct CommandTail {
    TailKind kind = TailKind::NotConversion;
    ConversionMode mode = ConversionMode::TxrToBmp;
    char inputName[kPathCapacity] = {};
    char outputName[kPathCapacity] = {};
};

// True when the tail begins with a conversion switch.
bool IsConversionTail(const char* commandTail);

// Parses the tail; pure, performs no conversion.
CommandTail ParseCommandTail(const char* commandTail);

// Runs the conversion of a parsed tail (if any) and returns the process exit
// code: 0 after a conversion or an unclosed second quote, -1 when malformed.
// Must not be called with TailKind::NotConversion.
int RunCommandTail(const CommandTail& tail);

// Returns only when the tail holds no conversion switch; otherwise converts
// and ends the process with the exit code of RunCommandTail.
void HandleCommandLine(const char* commandTail);
