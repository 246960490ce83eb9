// brimwick-cli vc64: runs a script against the whole PC side (drives,
// dispatcher, settings from the program directory) with a virtual C64 on the
// other end of a virtual cable. No hardware is needed: a way to try Brimwick
// and to check what a real C64 would see. With --roms (or --kernal) the
// script's C64 is the emulated one: a whole C64 running the person's ROMs
// with the link kernal patched in, on the emulated user-port cable.
#include <iostream>
#include <memory>
#include <optional>
#include <iterator>
#include <sstream>
#include <vector>

#include "c64/vc64/script.h"
#include "cli/commands.h"
#include "cli/emulated_options.h"
#include "config/side_settings.h"
#include "config/status_file.h"
#include "drive/dos_mode.h"
#include "platform/file.h"
#include "platform/paths.h"
#include "platform/trace_log.h"
#include "shell/settings_editor.h"
#include "shell/shell_commands.h"

namespace brimwick::cli {

namespace {
// No script is near this size; the limit keeps a wrong file from filling memory.
constexpr std::size_t kLargestScript = 1 << 26;
}  // namespace

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
    auto emulated = std::make_shared<c64::EmulatedOptions>();
    addEmulatedOptions(*command, *emulated);
    command->callback([script, trace, emulated, &registry] {
        if (!trace->empty()) openTrace(*trace, "vc64");
        // The script is read whole before anything runs.
        std::string text;
        if (*script == "-") {
            text.assign(std::istreambuf_iterator<char>(std::cin), {});
        } else {
            try {
                std::vector<std::uint8_t> bytes = platform::readFile(*script, kLargestScript);
                text.assign(bytes.begin(), bytes.end());
            } catch (const platform::FileError& e) {
                std::cerr << "brimwick-cli vc64: cannot " << e.message() << '\n';
                registry.exitCode = 2;
                return;
            }
        }
        bool failed = false;
        std::optional<c64::EmulatedStart> start = emulatedStart(*emulated, "vc64", failed);
        if (failed) {
            registry.exitCode = 2;
            return;
        }
        auto runOn = [&](auto& setup) {
            std::string home = platform::settingsDirectory();
            config::loadSettings(setup.settings, setup.drives, home);
            for (drive::DriveUnit& unit : setup.drives) unit.setDosMode(config::readDosMode(home));
            shell::applyPc64Options(setup.drives, home);
            setup.dispatcher.programDirectory = platform::userDataDirectory();  // kernels/ks.rom
            std::istringstream lines(text);
            shell::ShellCommands commands(setup.dispatcher);
            auto execute = [&commands](const std::string& line) { commands.execute(line); };
            int failures = c64::vc64::runScript(lines, std::cout, setup, execute);
            // Images that cannot be saved at the end are told on stderr.
            bool saved = drive::releaseAll(setup.drives);
            registry.exitCode = failures == 0 && saved ? 0 : 1;
        };
        if (start) {
            auto setup = std::make_unique<c64::EmulatedSetup>();
            setup->c64.setStandard(start->standard);
            setup->powerOn(start->roms, start->kernal);
            runOn(*setup);
        } else {
            c64::vc64::VirtualSetup setup;
            runOn(setup);
        }
    });
}

}  // namespace brimwick::cli
