// brimwick-cli: the command-line front of Brimwick. Each tool is a
// subcommand that lives in a file of its own and registers itself here.
#include <CLI/CLI.hpp>

#include "cli/commands.h"

int main(int argc, char** argv) {
    CLI::App app{
        "Brimwick: serves a Commodore 64's disk drives from a PC, with D64 tools and a "
        "TurboAss cross assembler."};
    app.require_subcommand(0, 1);
    brimwick::cli::CommandRegistry registry;
    brimwick::cli::registerCommands(app, registry);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e);
    }
    if (app.get_subcommands().empty()) {
        std::cout << app.help();
        return 0;
    }
    return registry.exitCode;
}
