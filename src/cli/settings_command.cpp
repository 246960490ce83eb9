// brimwick-cli settings: Status.ini (and Dos.ini beside it) in words, and
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

constexpr std::string_view kDosKey = "dos";  // the one key kept in Dos.ini

int showSettings() {
    config::Settings& settings = config::settings();
    std::array<drive::DriveUnit, config::kDriveCount> drives;
    std::string home = platform::programDirectory();
    config::loadSettings(settings, drives, home);
    shell::SideSettings side{config::readDosMode(home)};
    std::cout << shell::describeSettings(settings, drives, side);
    return 0;
}

// A running Brimwick writes Status.ini when it ends, over changes made now.
void warnOfRunningInstance() {
    try {
        if (shell::instanceListening(shell::socketPath(false)))
            std::cerr << "brimwick-cli settings set: a running Brimwick writes "
                      << config::kStatusFileName
                      << " when it ends, over these changes; stop it first and set them again\n";
    } catch (const shell::SocketError&) {
        // No socket directory: nothing runs.
    }
}

int setSettings(const std::vector<std::string>& changes) {
    config::Settings& settings = config::settings();
    std::array<drive::DriveUnit, config::kDriveCount> drives;
    std::string home = platform::programDirectory();
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
    if (statusChanged) warnOfRunningInstance();
    std::cout << shell::describeSettings(settings, drives, side);
    return 0;
}

}  // namespace

void addSettingsCommand(CLI::App& app, CommandRegistry& registry) {
    auto* command = app.add_subcommand(
        "settings",
        "Show the settings of Status.ini and Dos.ini in words, or change them with set");
    command->require_subcommand(0, 1);
    auto changes = std::make_shared<std::vector<std::string>>();
    auto* set = command->add_subcommand(
        "set",
        "Change settings and save Status.ini: port=0..3, drive.N=PATH (an image, or a "
        "directory when PATH ends in '/'), drive.N=pass, drive.N=pass:M, reset.K=TEXT, "
        "reset=K, show-on-errors, show-on-success, start-assembled, address-in-name, "
        "start-minimized (0 or 1); and Dos.ini: dos=1541 or dos=original");
    set->add_option("KEY=VALUE", *changes, "the settings to change")->required();
    set->callback([changes, &registry] { registry.exitCode = setSettings(*changes); });
    command->callback([command, &registry] {
        if (command->get_subcommands().empty()) registry.exitCode = showSettings();
    });
}

}  // namespace brimwick::cli
