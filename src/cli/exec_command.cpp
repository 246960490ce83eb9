// brimwick-cli exec STRING: hands an execute string ("L___/games/GAME.PRG")
// to the running Brimwick, as the desktop's file manager would. When none
// runs, it runs the string itself on the drives of Status.ini and saves
// Status.ini afterwards, so the next start serves what it mounted.
#include <iostream>

#include "cli/commands.h"
#include "config/status_file.h"
#include "link/keyboard_feed.h"
#include "link/request_dispatcher.h"
#include "link/screen_mirror.h"
#include "platform/paths.h"
#include "platform/trace_log.h"
#include "shell/command_string.h"
#include "shell/execute_socket.h"
#include "shell/shell_commands.h"

namespace brimwick::cli {

namespace {

// Runs the string here, with no C64 to type into.
int runHere(const std::string& text) {
    config::Settings& settings = config::settings();
    std::array<drive::DriveUnit, config::kDriveCount> drives;
    std::string home = platform::settingsDirectory();
    config::loadSettings(settings, drives, home);
    link::LinkPort noCable;
    link::KeyboardFeed keyboard;
    link::ScreenMirror mirror;
    link::RequestDispatcher dispatcher(noCable, drives, settings, keyboard, mirror);
    dispatcher.programDirectory = platform::userDataDirectory();
    shell::ShellCommands commands(dispatcher);
    commands.execute(text);
    if (!commands.lastTypedText.empty())
        std::cout << "brimwick-cli exec: nothing was typed: no C64 is served here "
                     "(start brimwick-cli serve first)\n";
    bool written = config::saveSettings(settings, drives, home);
    if (!written)
        std::cerr << "brimwick-cli exec: cannot write " << home << config::kStatusFileName << '\n';
    // Images that cannot be saved are told on stderr.
    written = drive::releaseAll(drives) && written;
    return written ? 0 : 1;
}

int exec(const std::string& given) {
    if (given.empty()) {
        std::cerr << "brimwick-cli exec: the execute string is empty; it is a code and a path, "
                     "such as L___/games/GAME.PRG\n";
        return 2;
    }
    // As the running instance would take it: up to 519 characters.
    std::string text = shell::takeExecuteString(shell::withAbsolutePath(given));
    std::string socket;
    try {
        socket = shell::socketPath(false);
    } catch (const shell::SocketError& e) {
        std::cerr << "brimwick-cli exec: no running Brimwick can be reached (" << e.message
                  << "); running the string here\n";
        return runHere(text);
    }
    shell::DeliveryResult result = shell::sendExecuteString(socket, text);
    switch (result.outcome) {
        case shell::Delivery::Accepted:
            std::cout << "handed to the running Brimwick\n";
            return 0;
        case shell::Delivery::Dropped:
            std::cerr << "brimwick-cli exec: the running Brimwick has a dialog open and dropped "
                         "the string; close the dialog and try again\n";
            return 1;
        case shell::Delivery::Failed:
            std::cerr << "brimwick-cli exec: " << result.detail << '\n';
            return 1;
        case shell::Delivery::Stale:
            std::cerr << "brimwick-cli exec: no Brimwick is running (the stale socket " << socket
                      << " is replaced at the next start); running the string here\n";
            return runHere(text);
        case shell::Delivery::NoInstance:
            break;
    }
    return runHere(text);
}

}  // namespace

void addExecCommand(CLI::App& app, CommandRegistry& registry) {
    auto* command = app.add_subcommand(
        "exec",
        "Hand an execute string (a code and a path, such as L___/games/GAME.PRG) to the running "
        "Brimwick, as the desktop does when a file is opened; without one, run it here and save "
        "Status.ini.");
    auto text = std::make_shared<std::string>();
    auto trace = std::make_shared<std::string>();
    command->add_option("STRING", *text, "the execute string")->required();
    command->add_option("--trace", *trace, "write the diagnostic trace to this file");
    command->callback([text, trace, &registry] {
        if (!trace->empty()) openTrace(*trace, "exec");
        registry.exitCode = exec(*text);
        platform::traceLog().close();
    });
}

}  // namespace brimwick::cli
