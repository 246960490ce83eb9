// brimwick-cli vc64: runs a script against the whole PC side (drives,
// dispatcher, settings from the program directory) with a virtual C64 on the
// other end of a virtual cable. No hardware is needed: a way to try Brimwick
// and to check what a real C64 would see.
#include <fstream>
#include <iostream>

#include "cli/commands.h"
#include "config/status_file.h"
#include "link/vc64/script.h"
#include "platform/paths.h"
#include "platform/trace_log.h"
#include "shell/shell_commands.h"

namespace brimwick::cli {

void addVc64Command(CLI::App& app, CommandRegistry& registry) {
    auto* command = app.add_subcommand(
        "vc64",
        "Run a script of C64 operations (load, save, open, status, keys, ...) against the PC side, "
        "with a virtual C64 on the cable; prints one transcript line per operation. The script "
        "language is described in docs/vc64.md.");
    auto script = std::make_shared<std::string>();
    auto trace = std::make_shared<std::string>();
    command->add_option("SCRIPT", *script, "script file, or - for standard input")->required();
    command->add_option("--trace", *trace, "write the diagnostic trace to this file");
    command->callback([script, trace, &registry] {
        if (!trace->empty()) platform::traceLog().open(*trace);
        link::vc64::VirtualSetup setup;
        config::loadSettings(setup.settings, setup.drives, platform::programDirectory());
        shell::ShellCommands commands(setup.dispatcher);
        auto execute = [&commands](const std::string& text) { commands.execute(text); };
        int failures = 0;
        if (*script == "-") {
            failures = link::vc64::runScript(std::cin, std::cout, setup, execute);
        } else {
            std::ifstream in(*script);
            if (!in) {
                std::cerr << "brimwick-cli vc64: cannot read " << *script << '\n';
                registry.exitCode = 2;
                return;
            }
            failures = link::vc64::runScript(in, std::cout, setup, execute);
        }
        registry.exitCode = failures == 0 ? 0 : 1;
    });
}

}  // namespace brimwick::cli
