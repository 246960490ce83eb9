// brimwick-cli: the command-line front of Brimwick. Each tool is a
// subcommand that lives in a file of its own and registers itself here.
// A command line that does not parse is a usage error: one line on stderr
// naming the command and pointing at its --help, and exit status 2.
#include <CLI/CLI.hpp>
#include <iostream>

#include "cli/commands.h"
#include "config/status_file.h"
#include "config/side_settings.h"
#include "platform/paths.h"

namespace {

// Exit status of a command line that does not parse.
constexpr int kUsageError = 2;

// The words that name the deepest subcommand the parser got to, e.g.
// "brimwick-cli d64 list".
std::string commandWords(const CLI::App& app) {
    std::vector<CLI::App*> chosen = app.get_subcommands();
    if (chosen.empty()) return app.get_name();
    return app.get_name() + " " + commandWords(*chosen.front());
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{
        "Brimwick: serves a Commodore 64's disk drives from a PC, with D64 tools and a "
        "TurboAss cross assembler.",
        "brimwick-cli"};
    app.require_subcommand(0, 1);
    app.set_version_flag("--version", std::string("brimwick-cli ") + BRIMWICK_VERSION);
    // Settings that an earlier version kept beside the program move to
    // their place once, with one line saying so.
    std::string taken = brimwick::platform::takeOverEarlierSettings(
        {brimwick::config::kStatusFileName, brimwick::config::kSideSettingsFileName,
         brimwick::config::kEarlierSideSettingsFileName});
    if (!taken.empty()) std::cerr << "brimwick-cli: " << taken << '\n';
    brimwick::cli::CommandRegistry registry;
    brimwick::cli::registerCommands(app, registry);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // --help and --version end the parse the same way, successfully.
        if (e.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) return app.exit(e);
        std::string command = commandWords(app);
        std::cerr << command << ": " << e.what() << " (see " << command << " --help)\n";
        return kUsageError;
    }
    if (app.get_subcommands().empty()) {
        std::cout << app.help();
        return 0;
    }
    return registry.exitCode;
}
