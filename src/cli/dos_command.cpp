// brimwick-cli dos 1541|original: which DOS the drives speak from the next
// serve or vc64 on (stored in Dos.ini beside Status.ini); without an
// argument it prints the current choice.
#include <iostream>
#include <string>

#include "cli/commands.h"
#include "config/side_settings.h"
#include "drive/dos_mode.h"
#include "platform/paths.h"

namespace brimwick::cli {

void addDosCommand(CLI::App& app, CommandRegistry& registry) {
    auto mode = std::make_shared<std::string>();
    CLI::App* dos = app.add_subcommand(
        "dos",
        "Choose the drives' DOS: the 1541's listing, status texts and disk layout, or the "
        "original's (the same as settings set dos=...)");
    dos->add_option("MODE", *mode, "1541 or original (default: show the current choice)")
        ->check(CLI::IsMember({"1541", "original"}));
    dos->callback([mode, &registry] {
        std::string home = platform::programDirectory();
        if (mode->empty()) {
            std::cout << "dos=" << drive::dosModeName(config::readDosMode(home)) << "\n";
            registry.exitCode = 0;
            return;
        }
        drive::DosMode chosen = *mode == "1541" ? drive::DosMode::C1541 : drive::DosMode::Original;
        std::string failure;
        if (!config::writeDosMode(home, chosen, failure)) {
            std::cerr << "dos: cannot write " << home << config::kSideSettingsFileName << ": " << failure
                      << "\n";
            registry.exitCode = 1;
            return;
        }
        std::cout << "dos=" << drive::dosModeName(chosen) << "\n";
        registry.exitCode = 0;
    });
}

}  // namespace brimwick::cli
