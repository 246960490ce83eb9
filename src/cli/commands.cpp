// The list of brimwick-cli's subcommands.
#include "cli/commands.h"

namespace brimwick::cli {

void registerCommands(CLI::App& app, CommandRegistry& registry) {
    addD64Command(app, registry);
    addServeCommand(app, registry);
    addVc64Command(app, registry);
    addAsmCommand(app, registry);
    addExecCommand(app, registry);
    addSettingsCommand(app, registry);
}

}  // namespace brimwick::cli
