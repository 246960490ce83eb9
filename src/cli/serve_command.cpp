// brimwick-cli serve: the link without the desktop window. Loads Status.ini
// from the program directory (the served drives and the port), opens the
// parallel port through the parport driver (--ppdev) or direct port I/O, and
// serves the C64 until interrupted; then brings the presence line down,
// writes Status.ini and saves every modified image. Meanwhile it takes
// execute strings (`brimwick-cli exec`) on its socket and runs them between
// the C64's requests. With --virtual-c64 it serves a virtual C64 sitting at
// READY instead, which prints what is typed into it, or with --roms the
// emulated C64 running the person's ROMs in real time.
#include <atomic>
#include <csignal>
#include <iostream>
#include <memory>
#include <optional>

#include "c64/emulated_setup.h"
#include "c64/kernal/kernal_preparer.h"
#include "c64/real_time_pacer.h"
#include "c64/vc64/virtual_setup.h"
#include "cli/commands.h"
#include "cli/emulated_options.h"
#include "config/status_file.h"
#include "link/direct_port.h"
#include "link/idle_pacer.h"
#include "link/keyboard_feed.h"
#include "link/ppdev_port.h"
#include "link/request_dispatcher.h"
#include "link/screen_mirror.h"
#include "platform/paths.h"
#include "platform/trace_log.h"
#include "shell/running_instance.h"
#include "shell/settings_editor.h"
#include "shell/virtual_c64_session.h"

namespace brimwick::cli {

namespace {

std::atomic<bool> stopRequested{false};

extern "C" void onStopSignal(int) {
    stopRequested = true;
}

// Longest time the shutdown waits for a pending request before giving up.
constexpr auto kShutdownGrace = std::chrono::seconds(2);

struct ServeOptions {
    int port = -1;                                 // 1..3 overrides the settings' port choice
    std::string ppdev;                             // a parport device, instead of direct port I/O
    std::string trace = platform::kTraceFileName;  // the trace file
    std::vector<std::string> drives;               // --drive N=PATH, for this run
    bool save = false;                             // keep the --drive assignments in Status.ini
    bool pc64 = false;                             // --drive directories write PC64 files
    bool virtualC64 = false;                       // serve a virtual C64 instead of the port
    c64::EmulatedOptions emulated;                 // --roms ...: the emulated C64 instead
};

// Loads Status.ini and makes this run's drive assignments; false (said on
// stderr) when one is refused.
bool prepareDrives(const ServeOptions& options, config::Settings& settings, shell::Drives drives,
                   shell::DriveOverrides& overrides, const std::string& home) {
    try {
        shell::loadServedDrives(settings, drives, home, options.drives, overrides);
    } catch (const shell::SettingError& e) {
        std::cerr << "brimwick-cli serve: --drive: " << e.message << '\n';
        return false;
    }
    if (options.pc64)
        for (const std::string& option : options.drives)
            if (shell::DriveAssignment a = shell::parseDriveOption(option);
                a.kind == shell::DriveAssignment::Kind::Directory)
                drives[static_cast<std::size_t>(a.index)].setPc64Files(true);
    for (int i = 0; i < config::kDriveCount; ++i) {
        if (settings.realDevice[i] != 0) continue;
        const auto& unit = drives[static_cast<std::size_t>(i)];
        std::cout << "device " << (i + config::kFirstDevice) << ": "
                  << (unit.hostMode ? "directory " : "image ") << unit.path << '\n';
    }
    return true;
}

void listen(shell::RunningInstance& instance) {
    if (auto why = instance.listen())
        std::cerr << "brimwick-cli serve: execute strings are not taken: " << *why << '\n';
    else
        std::cout << "execute strings: " << instance.server()->path() << '\n';
}

// Writes Status.ini: this run's --drive assignments only with --save.
bool saveStatus(const ServeOptions& options, config::Settings& settings, shell::Drives drives,
                const shell::DriveOverrides& overrides, const std::string& home) {
    config::Settings record = settings;
    auto served = overrides.toSave(record, drives);
    bool saved = options.save ? config::saveSettings(settings, drives, home)
                              : config::saveSettings(record, served, home);
    if (!saved)
        std::cerr << "brimwick-cli serve: cannot write " << home << config::kStatusFileName << '\n';
    return saved;
}

// Serves what is pending, takes the presence line down, writes Status.ini
// and saves every modified image; the exit status: 1 when Status.ini or an
// image could not be written (the image's path and the reason are on stderr).
int finish(const ServeOptions& options, link::RequestDispatcher& dispatcher,
           config::Settings& settings, shell::Drives drives, const shell::DriveOverrides& overrides,
           const std::string& home) {
    dispatcher.goOfflineForExit(kShutdownGrace);
    bool written = saveStatus(options, settings, drives, overrides, home);
    written = drive::releaseAll(drives) && written;
    platform::traceLog().close();
    return written ? 0 : 1;
}

// The emulated C64 in real time; execute strings run between its requests.
int serveEmulatedC64(const ServeOptions& options, const c64::EmulatedStart& start) {
    auto setup = std::make_unique<c64::EmulatedSetup>();
    std::string home = platform::settingsDirectory();
    setup->dispatcher.programDirectory = platform::userDataDirectory();
    shell::DriveOverrides overrides;
    if (!prepareDrives(options, setup->settings, setup->drives, overrides, home)) return 2;
    setup->c64.setStandard(start.standard);
    setup->powerOn(start.roms, start.kernal);
    shell::RunningInstance instance(setup->dispatcher);
    listen(instance);
    std::cout << "emulated C64 running; Ctrl-C stops" << std::endl;
    c64::RealTimePacer pacer(setup->c64.clockHz());
    while (!stopRequested) {
        const std::uint64_t due = pacer.cyclesDue(setup->c64.cycles());
        if (due > 0) setup->runFor(due);
        instance.runArrivedStrings(due > 0 ? 0 : 5);
    }
    return finish(options, setup->dispatcher, setup->settings, setup->drives, overrides, home);
}

int serveVirtualC64(const ServeOptions& options) {
    bool failed = false;
    std::optional<c64::EmulatedStart> start = cli::emulatedStart(options.emulated, "serve", failed);
    if (failed) return 2;
    if (start) return serveEmulatedC64(options, *start);
    c64::vc64::VirtualSetup setup;
    std::string home = platform::settingsDirectory();
    setup.dispatcher.programDirectory = platform::userDataDirectory();
    shell::DriveOverrides overrides;
    if (!prepareDrives(options, setup.settings, setup.drives, overrides, home)) return 2;
    shell::RunningInstance instance(setup.dispatcher);
    listen(instance);
    std::cout << "virtual C64 at READY; Ctrl-C stops" << std::endl;

    shell::VirtualC64Session session(setup, std::cout);
    while (!stopRequested) {
        session.pollKeyboard();
        instance.runArrivedStrings(shell::kJiffyMs);
    }
    return finish(options, setup.dispatcher, setup.settings, setup.drives, overrides, home);
}

int serve(const ServeOptions& options) {
    // From the start: whoever sees the first line may already stop it.
    std::signal(SIGINT, onStopSignal);
    std::signal(SIGTERM, onStopSignal);
    openTrace(options.trace, "serve");
    if (options.virtualC64) return serveVirtualC64(options);
    if (options.emulated.roms.explicitlyGiven()) {
        std::cerr << "brimwick-cli serve: --roms and --kernal go with --virtual-c64\n";
        return 2;
    }
    config::Settings& settings = config::settings();
    std::array<drive::DriveUnit, config::kDriveCount> drives;
    std::string home = platform::settingsDirectory();
    shell::DriveOverrides overrides;
    if (!prepareDrives(options, settings, drives, overrides, home)) return 2;
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
        std::cerr << "brimwick-cli serve: no parallel port configured; use --port 1|2|3, "
                     "--ppdev /dev/parportN or --virtual-c64\n";
        return 1;
    }

    link::LinkPort cable;
    cable.selectBase(base, port.get());
    cable.initialise();
    cable.requestOnline(true);
    link::KeyboardFeed keyboard;
    link::ScreenMirror mirror;
    link::RequestDispatcher dispatcher(cable, drives, settings, keyboard, mirror);
    dispatcher.programDirectory = platform::userDataDirectory();
    c64::answerKernalDumps(dispatcher);
    shell::RunningInstance instance(dispatcher);
    listen(instance);
    std::cout << "serving on port 0x" << std::hex << base << std::dec << "; Ctrl-C stops\n";

    link::IdlePacer pacer;
    while (!stopRequested) {
        bool served = dispatcher.poll();
        pacer.afterPoll(served, *port);
        // Execute strings run between requests, never during one.
        if (!served) instance.runArrivedStrings(0);
    }

    return finish(options, dispatcher, settings, drives, overrides, home);
}

}  // namespace

void addServeCommand(CLI::App& app, CommandRegistry& registry) {
    auto* command = app.add_subcommand(
        "serve",
        "Serve a real C64 on the parallel port (or a virtual one) with the drives listed in "
        "Status.ini, until interrupted; take execute strings from brimwick-cli exec meanwhile.");
    auto options = std::make_shared<ServeOptions>();
    auto* port =
        command
            ->add_option("--port", options->port, "parallel port: 1 = 0x278, 2 = 0x378, 3 = 0x3BC")
            ->check(CLI::Range(1, 3));
    auto* ppdev = command->add_option("--ppdev", options->ppdev,
                                      "use the Linux parport driver on this device (e.g. "
                                      "/dev/parport0) instead of direct port I/O");
    command->add_option("--trace", options->trace, "trace file (default message.txt)");
    command->add_option("--drive", options->drives,
                        "N=PATH: device N (5..14) serves a D64 image, or a directory when PATH "
                        "ends in '/'; N=pass or N=pass:M passes it to a real device. For this "
                        "run only, unless --save");
    command->add_flag("--save", options->save, "keep the --drive assignments in Status.ini");
    command->add_flag("--p00", options->pc64,
                      "the directories given with --drive write PC64 files (.p00, .s00, ...), "
                      "which keep every C64 name whole");
    auto* virtualC64 = command->add_flag(
        "--virtual-c64", options->virtualC64,
        "serve a virtual C64 that sits at READY and prints every text typed into it");
    virtualC64->excludes(port)->excludes(ppdev);
    addEmulatedOptions(*command, options->emulated);
    command->callback([options, &registry] { registry.exitCode = serve(*options); });
}

}  // namespace brimwick::cli
