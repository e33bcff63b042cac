// piecetool: checks a piece catalogue, exports pieces to glTF and imports
// them from it, draws them as pictures, writes a catalogue site and converts
// folders of textures. The command line is parsed by CLI11; each command is
// one file of its own. Every error, whether found while parsing or by a
// command, reaches the exit code here, and its text reaches the terminal
// through the console writer.
#include "common/file_size_limit.h"
#include "common/version.h"
#include "tool/console_text.h"
#include "tool/tool_commands.h"

#include <sstream>

namespace {

// One line that says what is wrong, then the usage of the command named on
// the line (the program's own when none was).
std::string UsageMessage(const CLI::App* app, const CLI::Error& error) {
    return std::string("piecetool: ") + error.what() + "\n\n" + app->help();
}

} // namespace

int main(int argc, char** argv) {
    TakeFileSizeLimitAsWriteFailure();
    CLI::App app{"Checks a catalogue of map pieces, exports pieces to glTF and imports them "
                 "from it, draws them as pictures, writes a catalogue as web pages and "
                 "converts textures between TXR, BMP and PNG.",
                 "piecetool"};
    app.set_version_flag("--version", "piecetool " PV_VERSION);
    app.require_subcommand(1);
    app.fallthrough(false);
    app.failure_message(UsageMessage);
    AddConvertCommand(app);
    AddCheckCommand(app);
    AddListCommand(app);
    AddExportCommand(app);
    AddImportCommand(app);
    AddRenderCommand(app);
    AddSiteCommand(app);

    try {
        app.parse(argc, argv);
    } catch (const CLI::Error& error) {
        std::ostringstream out;
        std::ostringstream err;
        const int code = app.exit(error, out, err);
        WriteText(stdout, out.str());
        WriteText(stderr, err.str());
        // Help and version end with 0, a command with its own code; every
        // other error of the command line is a usage error.
        if (code == 0 || error.get_name() == "RuntimeError") {
            return code;
        }
        return kUsageExitCode;
    }
    return 0;
}
