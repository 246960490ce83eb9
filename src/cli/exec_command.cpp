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

constexpr int kDefaultWaitSeconds = shell::kAnswerTimeoutMs / 1000;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitUnanswered = 3;

// A message box's text in one line of stderr.
std::string oneLine(std::string text) {
    for (char& c : text)
        if (c == '\n') c = ' ';
    while (text.find("  ") != std::string::npos) text.replace(text.find("  "), 2, " ");
    return text;
}

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
    shell::CommandResult result = commands.execute(text);
    bool done = result.outcome != shell::Outcome::Failed;
    if (result.outcome == shell::Outcome::NotTyped)
        std::cout << "brimwick-cli exec: nothing was typed: no C64 is served here "
                     "(start brimwick-cli serve first)\n";
    // A message box has been shown on stderr already.
    if (!done && !result.shown) std::cerr << "brimwick-cli exec: " << oneLine(result.message) << '\n';
    bool written = config::saveSettings(settings, drives, home);
    if (!written)
        std::cerr << "brimwick-cli exec: cannot write " << home << config::kStatusFileName << '\n';
    // Images that cannot be saved are told on stderr.
    written = drive::releaseAll(drives) && written;
    return done && written ? 0 : kExitFailed;
}

int exec(const std::string& given, int waitSeconds) {
    if (given.empty()) {
        std::cerr << "brimwick-cli exec: the execute string is empty; it is a code and a path, "
                     "such as L___/games/GAME.PRG\n";
        return kExitUsage;
    }
    std::string text = shell::withAbsolutePath(given);
    // Refused whole, here as in the instance: never cut.
    if (std::optional<std::string> fault = shell::executeStringFault(text)) {
        std::cerr << "brimwick-cli exec: " << *fault << "; nothing was run\n";
        return kExitFailed;
    }
    std::string socket;
    try {
        socket = shell::socketPath(false);
    } catch (const shell::SocketError& e) {
        std::cerr << "brimwick-cli exec: no running Brimwick can be reached (" << e.message
                  << "); running the string here\n";
        return runHere(text);
    }
    shell::DeliveryResult result = shell::sendExecuteString(socket, text, waitSeconds * 1000);
    switch (result.outcome) {
        case shell::Delivery::Done:
            std::cout << "done by the running Brimwick\n";
            return 0;
        case shell::Delivery::Failed:
            std::cerr << "brimwick-cli exec: the running Brimwick: " << oneLine(result.detail)
                      << '\n';
            return kExitFailed;
        case shell::Delivery::Dropped:
            std::cerr << "brimwick-cli exec: the running Brimwick dropped the string ("
                      << result.detail << "); nothing was run\n";
            return kExitFailed;
        case shell::Delivery::Unanswered:
            std::cerr << "brimwick-cli exec: the running Brimwick gave no answer within "
                      << waitSeconds << " s; the string may still run\n";
            return kExitUnanswered;
        case shell::Delivery::Untrusted:
        case shell::Delivery::Broken:
            std::cerr << "brimwick-cli exec: " << result.detail << '\n';
            return kExitFailed;
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
        "Brimwick, as the desktop does when a file is opened, and wait until it has run; without "
        "one, run it here and save Status.ini. Exit status: 0 done, 1 failed or dropped (stderr "
        "says why), 3 no answer within the --wait time (the string may still run).");
    auto text = std::make_shared<std::string>();
    auto trace = std::make_shared<std::string>();
    auto wait = std::make_shared<int>(kDefaultWaitSeconds);
    command->add_option("STRING", *text, "the execute string")->required();
    command
        ->add_option("--wait", *wait,
                     "seconds to wait for the running Brimwick to run the string (default " +
                         std::to_string(kDefaultWaitSeconds) + ")")
        ->check(CLI::Range(1, 3600));
    command->add_option("--trace", *trace, "write the diagnostic trace to this file");
    command->callback([text, trace, wait, &registry] {
        if (!trace->empty()) openTrace(*trace, "exec");
        registry.exitCode = exec(*text, *wait);
        platform::traceLog().close();
    });
}

}  // namespace brimwick::cli
