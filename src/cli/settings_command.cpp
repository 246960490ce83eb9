// brimwick-cli settings: Status.ini (and brimwick.ini beside it) in words, and
// changed by name without the desktop window's preferences. `settings set
// KEY=VALUE...` checks every change before it saves any: one bad key, value
// or device number and both files stay as they were.
#include <iostream>
#include <string_view>

#include "cli/commands.h"
#include "config/side_settings.h"
#include "config/status_file.h"
#include "drive/dos_mode.h"
#include "platform/paths.h"
#include "shell/execute_socket.h"
#include "shell/settings_editor.h"

namespace brimwick::cli {

namespace {

constexpr std::string_view kDosKey = "dos";  // the one key kept in brimwick.ini

int showSettings() {
    config::Settings& settings = config::settings();
    std::array<drive::DriveUnit, config::kDriveCount> drives;
    std::string home = platform::settingsDirectory();
    config::loadSettings(settings, drives, home);
    shell::SideSettings side{config::readDosMode(home)};
    std::cout << shell::describeSettings(settings, drives, side);
    return 0;
}

// True when a Brimwick runs (its socket answers): it writes Status.ini when
// it ends, over any change made to the file now.
bool instanceRuns() {
    try {
        return shell::instanceListening(shell::socketPath(false));
    } catch (const shell::SocketError&) {
        return false;  // no socket directory: nothing runs
    }
}

int setSettings(const std::vector<std::string>& changes) {
    config::Settings& settings = config::settings();
    std::array<drive::DriveUnit, config::kDriveCount> drives;
    std::string home = platform::settingsDirectory();
    config::loadSettings(settings, drives, home);
    shell::SideSettings side{config::readDosMode(home)};
    bool statusChanged = false;  // a change of a key kept in Status.ini
    try {
        for (const std::string& change : changes) {
            shell::applySetting(change, settings, drives, side);
            if (std::string_view(change).substr(0, change.find('=')) != kDosKey)
                statusChanged = true;
        }
    } catch (const shell::SettingError& e) {
        std::cerr << "brimwick-cli settings set: " << e.message << "; nothing was saved\n";
        return 2;
    }
    // Refused before anything is saved, rather than lost when the running
    // one ends. The text settings are not written at its end: dos= alone
    // goes on.
    if (statusChanged && instanceRuns()) {
        std::cerr << "brimwick-cli settings set: a running Brimwick writes " << config::kStatusFileName
                  << " when it ends, over these changes; nothing was saved. Stop it first, or make "
                     "the change in its window (Preferences)\n";
        return 1;
    }
    std::string failure;
    if (side.dosChanged && !config::writeDosMode(home, side.dos, failure)) {
        std::cerr << "brimwick-cli settings set: cannot write " << home << config::kSideSettingsFileName
                  << ": " << failure << "; nothing was saved\n";
        return 1;
    }
    if (statusChanged && !config::saveSettings(settings, drives, home)) {
        std::cerr << "brimwick-cli settings set: cannot write " << home << config::kStatusFileName
                  << (side.dosChanged ? std::string(" (") + config::kSideSettingsFileName + " was saved)"
                                      : std::string())
                  << '\n';
        return 1;
    }
    std::cout << shell::describeSettings(settings, drives, side);
    return 0;
}

}  // namespace

void addSettingsCommand(CLI::App& app, CommandRegistry& registry) {
    auto* command = app.add_subcommand(
        "settings",
        "Show the settings of Status.ini and brimwick.ini in words, or change them with set");
    command->require_subcommand(0, 1);
    auto changes = std::make_shared<std::vector<std::string>>();
    auto* set = command->add_subcommand(
        "set",
        "Change settings and save Status.ini: port=0..3, drive.N=PATH (an image, or a "
        "directory when PATH ends in '/'), drive.N=pass, drive.N=pass:M, reset.K=TEXT, "
        "reset=K, show-on-errors, show-on-success, start-assembled, address-in-name, "
        "start-minimized (0 or 1); and brimwick.ini: dos=1541 or dos=original");
    set->add_option("KEY=VALUE", *changes, "the settings to change")->required();
    set->callback([changes, &registry] { registry.exitCode = setSettings(*changes); });
    command->callback([command, &registry] {
        if (command->get_subcommands().empty()) registry.exitCode = showSettings();
    });
}

}  // namespace brimwick::cli
