// brimwick-cli serve: the link without the desktop window. Loads Status.ini
// from the program directory (the served drives and the port), opens the
// parallel port through the parport driver (--ppdev) or direct port I/O, and
// serves the C64 until interrupted; then brings the presence line down,
// writes Status.ini and saves every modified image.
#include <atomic>
#include <csignal>
#include <iostream>
#include <memory>

#include "cli/commands.h"
#include "config/status_file.h"
#include "link/direct_port.h"
#include "link/idle_pacer.h"
#include "link/keyboard_feed.h"
#include "link/ppdev_port.h"
#include "link/request_dispatcher.h"
#include "link/screen_mirror.h"
#include "platform/paths.h"
#include "platform/trace_log.h"

namespace brimwick::cli {

namespace {

std::atomic<bool> stopRequested{false};

extern "C" void onStopSignal(int) { stopRequested = true; }

// Longest time the shutdown waits for a pending request before giving up.
constexpr auto kShutdownGrace = std::chrono::seconds(2);

struct ServeOptions {
    int port = -1;         // 1..3 overrides the settings' port choice
    std::string ppdev;     // a parport device, instead of direct port I/O
    std::string trace = platform::kTraceFileName;  // the trace file
};

int serve(const ServeOptions& options) {
    openTrace(options.trace, "serve");
    config::Settings& settings = config::settings();
    std::array<drive::DriveUnit, config::kDriveCount> drives;
    std::string home = platform::programDirectory();
    config::loadSettings(settings, drives, home);
    for (drive::DriveUnit& unit : drives) unit.setDosMode(drive::readDosMode(home));
    if (options.port >= 0) settings.portChoice = options.port;
    int base = config::portBaseFor(settings.portChoice);
    if (!options.ppdev.empty() && base == 0) base = config::portBaseFor(2);

    std::unique_ptr<link::PortIo> port;
    try {
        if (!options.ppdev.empty())
            port = std::make_unique<link::PpdevPort>(options.ppdev, base);
        else if (base != 0)
            port = std::make_unique<link::DirectPort>(base);
    } catch (const std::exception& e) {
        std::cerr << "brimwick-cli serve: " << e.what() << '\n';
        return 1;
    }
    if (!port) {
        std::cerr << "brimwick-cli serve: no parallel port configured; use --port 1|2|3 or "
                     "--ppdev /dev/parportN\n";
        return 1;
    }

    link::LinkPort cable;
    cable.selectBase(base, port.get());
    cable.initialise();
    cable.requestOnline(true);
    link::KeyboardFeed keyboard;
    link::ScreenMirror mirror;
    link::RequestDispatcher dispatcher(cable, drives, settings, keyboard, mirror);
    dispatcher.programDirectory = home;

    for (int i = 0; i < config::kDriveCount; ++i) {
        if (settings.realDevice[i] != 0) continue;
        const auto& unit = drives[static_cast<std::size_t>(i)];
        std::cout << "device " << (i + config::kFirstDevice) << ": "
                  << (unit.hostMode ? "directory " : "image ") << unit.path << '\n';
    }
    std::cout << "serving on port 0x" << std::hex << base << std::dec << "; Ctrl-C stops\n";

    std::signal(SIGINT, onStopSignal);
    std::signal(SIGTERM, onStopSignal);
    link::IdlePacer pacer;
    while (!stopRequested) pacer.afterPoll(dispatcher.poll(), *port);

    // Serve what is pending, then take the presence line down.
    dispatcher.goOfflineForExit(kShutdownGrace);
    config::saveSettings(settings, drives, home);
    // Images that cannot be saved are told on stderr.
    bool saved = drive::releaseAll(drives);
    platform::traceLog().close();
    return saved ? 0 : 1;
}

}  // namespace

void addServeCommand(CLI::App& app, CommandRegistry& registry) {
    auto* command = app.add_subcommand(
        "serve",
        "Serve a real C64 on the parallel port with the drives listed in Status.ini, until "
        "interrupted.");
    auto options = std::make_shared<ServeOptions>();
    command->add_option("--port", options->port, "parallel port: 1 = 0x278, 2 = 0x378, 3 = 0x3BC")
        ->check(CLI::Range(1, 3));
    command->add_option("--ppdev", options->ppdev,
                        "use the Linux parport driver on this device (e.g. /dev/parport0) "
                        "instead of direct port I/O");
    command->add_option("--trace", options->trace, "trace file (default message.txt)");
    command->callback([options, &registry] { registry.exitCode = serve(*options); });
}

}  // namespace brimwick::cli
