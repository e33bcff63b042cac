// piecetool: checks a piece catalogue, exports pieces to glTF, writes a
// catalogue site and converts folders of textures. The command line is
// parsed by CLI11; each command is one file of its own.
#include "common/version.h"
#include "tool/tool_commands.h"

#include <cstdio>
#include <iostream>

namespace {

// The subcommand named on the line, or the program itself when none was.
const CLI::App* ParsedCommand(const CLI::App& app) {
    for (const CLI::App* command : app.get_subcommands({})) {
        if (command->parsed()) {
            return command;
        }
    }
    return &app;
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app{"Checks a catalogue of map pieces, exports pieces to glTF, writes a catalogue "
                 "as web pages and converts textures between TXR, BMP and PNG.",
                 "piecetool"};
    app.set_version_flag("--version", "piecetool " PV_VERSION);
    app.require_subcommand(1);
    app.fallthrough(false);
    int exitCode = 0;
    // Each command registers itself here.
    AddConvertCommand(app, exitCode);
    AddCheckCommand(app, exitCode);
    AddExportCommand(app, exitCode);
    AddSiteCommand(app, exitCode);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& help) {
        return app.exit(help);
    } catch (const CLI::CallForAllHelp& help) {
        return app.exit(help);
    } catch (const CLI::CallForVersion& version) {
        return app.exit(version);
    } catch (const CLI::ParseError& error) {
        // One line that says what is wrong, then the usage of the command.
        std::cerr << "piecetool: " << error.what() << "\n\n" << ParsedCommand(app)->help();
        return kUsageExitCode;
    }
    return exitCode;
}
