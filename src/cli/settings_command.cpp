// brimwick-cli settings: Status.ini in words, and changed by name without
// the desktop window's preferences. `settings set KEY=VALUE...` checks every
// change before it saves any: one bad key, value or device number and
// Status.ini stays as it was.
#include <iostream>

#include "cli/commands.h"
#include "config/status_file.h"
#include "platform/paths.h"
#include "shell/execute_socket.h"
#include "shell/settings_editor.h"

namespace brimwick::cli {

namespace {

int showSettings() {
    config::Settings& settings = config::settings();
    std::array<drive::DriveUnit, config::kDriveCount> drives;
    config::loadSettings(settings, drives, platform::programDirectory());
    std::cout << shell::describeSettings(settings, drives);
    return 0;
}

int setSettings(const std::vector<std::string>& changes) {
    config::Settings& settings = config::settings();
    std::array<drive::DriveUnit, config::kDriveCount> drives;
    std::string home = platform::programDirectory();
    config::loadSettings(settings, drives, home);
    try {
        for (const std::string& change : changes) shell::applySetting(change, settings, drives);
    } catch (const shell::SettingError& e) {
        std::cerr << "brimwick-cli settings set: " << e.message << "; nothing was saved\n";
        return 2;
    }
    if (!config::saveSettings(settings, drives, home)) {
        std::cerr << "brimwick-cli settings set: cannot write " << home << config::kStatusFileName
                  << '\n';
        return 1;
    }
    try {
        if (shell::instanceListening(shell::socketPath(false)))
            std::cerr << "brimwick-cli settings set: a running Brimwick writes "
                      << config::kStatusFileName
                      << " when it ends, over these changes; stop it first and set them again\n";
    } catch (const shell::SocketError&) {
        // No socket directory: nothing runs.
    }
    std::cout << shell::describeSettings(settings, drives);
    return 0;
}

}  // namespace

void addSettingsCommand(CLI::App& app, CommandRegistry& registry) {
    auto* command = app.add_subcommand(
        "settings", "Show the settings of Status.ini in words, or change them with set");
    command->require_subcommand(0, 1);
    auto changes = std::make_shared<std::vector<std::string>>();
    auto* set = command->add_subcommand(
        "set",
        "Change settings and save Status.ini: port=0..3, drive.N=PATH (an image, or a "
        "directory when PATH ends in '/'), drive.N=pass, drive.N=pass:M, reset.K=TEXT, "
        "reset=K, show-on-errors, show-on-success, start-assembled, address-in-name, "
        "start-minimized (0 or 1)");
    set->add_option("KEY=VALUE", *changes, "the settings to change")->required();
    set->callback([changes, &registry] { registry.exitCode = setSettings(*changes); });
    command->callback([command, &registry] {
        if (command->get_subcommands().empty()) registry.exitCode = showSettings();
    });
}

}  // namespace brimwick::cli
