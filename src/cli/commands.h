// The subcommands of brimwick-cli. Each one adds itself to the app in
// registerCommands and stores its exit status in the registry when it runs.
#pragma once

#include <CLI/CLI.hpp>
#include <string>

namespace brimwick::cli {

// What the subcommands report back to main.
struct CommandRegistry {
    int exitCode = 0;  // exit status of the subcommand that ran
};

// brimwick-cli d64: image tools (new, list, add, extract).
void addD64Command(CLI::App& app, CommandRegistry& registry);

// brimwick-cli serve.
void addServeCommand(CLI::App& app, CommandRegistry& registry);

// brimwick-cli vc64.
void addVc64Command(CLI::App& app, CommandRegistry& registry);

// brimwick-cli exec STRING: a shell command for the running instance.
void addExecCommand(CLI::App& app, CommandRegistry& registry);

// brimwick-cli settings [set KEY=VALUE...].
void addSettingsCommand(CLI::App& app, CommandRegistry& registry);

// brimwick-cli dos 1541|original: which DOS the drives speak (brimwick.ini).
void addDosCommand(CLI::App& app, CommandRegistry& registry);

// Opens the trace file; when it cannot be written, says so on stderr (the
// command goes on without a trace).
void openTrace(const std::string& path, const char* command);

// kernal patch STOCK -o OUT: the link kernal in a C64 kernal image.
void addKernalCommand(CLI::App& app, CommandRegistry& registry);

// desktop install|uninstall|export: the desktop's file associations.
void addDesktopCommand(CLI::App& app, CommandRegistry& registry);

// Adds every subcommand to the app.
void registerCommands(CLI::App& app, CommandRegistry& registry);

// asm SOURCE: the TurboAss cross assembler.
void addAsmCommand(CLI::App& app, CommandRegistry& registry);

}  // namespace brimwick::cli
