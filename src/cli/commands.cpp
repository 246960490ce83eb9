// The list of brimwick-cli's subcommands, and what they share.
#include "cli/commands.h"

#include <cerrno>
#include <cstring>
#include <iostream>

#include "platform/trace_log.h"

namespace brimwick::cli {

void openTrace(const std::string& path, const char* command) {
    if (platform::traceLog().open(path)) return;
    std::cerr << "brimwick-cli " << command << ": cannot write trace file " << path << ": "
              << platform::traceLog().failure() << '\n';
}

void registerCommands(CLI::App& app, CommandRegistry& registry) {
    addD64Command(app, registry);
    addServeCommand(app, registry);
    addVc64Command(app, registry);
    addDosCommand(app, registry);
    addAsmCommand(app, registry);
    addExecCommand(app, registry);
    addSettingsCommand(app, registry);
    addKernalCommand(app, registry);
    addDesktopCommand(app, registry);
}

}  // namespace brimwick::cli
