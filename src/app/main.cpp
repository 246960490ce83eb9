// brimwick: the desktop window. Serves a C64 on the parallel port (or the
// virtual C64 with --virtual-c64), shows the link's counters and the C64's
// screen, and runs execute strings from the desktop's file associations.
//
//   brimwick [--virtual-c64] [--drive N=PATH]... [--ppdev DEV]
//   brimwick --roms DIR [--as-is] [--video pal|ntsc] ...   the emulated C64
//            (--virtual-c64 also takes it when ROMs are found installed)
//   brimwick [--code CODE] FILE...     hand files to the running window
//   brimwick --exec STRING...          hand execute strings to it
#include <CLI/CLI.hpp>
#include <QApplication>
#include <QSocketNotifier>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "app/brimwick_app.h"
#include "app/hand_off.h"
#include "app/main_window.h"
#include "app/screenshot_tour.h"
#include "cli/emulated_options.h"
#include "platform/trace_log.h"

#include <unistd.h>

namespace {

constexpr int kUsageError = 2;

// Ctrl-C or a TERM signal closes the window as its close box does, so the
// images and Status.ini are saved: the handler only writes to a pipe that
// the window's thread watches.
int signalPipe[2] = {-1, -1};

extern "C" void onStopSignal(int) {
    char byte = 1;
    [[maybe_unused]] auto written = ::write(signalPipe[1], &byte, 1);
}

// True when Qt has a display to show the window on.
bool haveDisplay() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && value[0] != '\0') return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    using brimwick::app::AppOptions;
    CLI::App cli{"Brimwick: serves a Commodore 64's disk drives from a PC, in a window.",
                 "brimwick"};
    AppOptions options;
    std::vector<std::string> files;
    std::vector<std::string> exec;
    std::string code;
    std::string trace = brimwick::platform::kTraceFileName;
    std::string screenshots;
    cli.add_option("FILE", files,
                   "files to open: an image is served on device 8, a program loaded and run, "
                   "a source assembled (handed to the running window when there is one)");
    cli.add_option("--exec", exec, "execute strings (a code and a path, such as "
                                   "L___/games/GAME.PRG) to run, as the desktop hands them");
    cli.add_option("--code", code, "the code to open the FILEs with (ID__, UD__, ...)")
        ->check([](const std::string& c) {
            return c.size() == 4 ? std::string() : std::string("a code has four characters");
        });
    cli.add_flag("--virtual-c64", options.virtualC64,
                 "serve the virtual C64 instead of the parallel port");
    cli.add_option("--drive", options.drives,
                   "N=PATH: device N (5..14) serves a D64 image, or a directory when PATH ends "
                   "in '/'; N=pass or N=pass:M passes it to a real device. For this run only");
    brimwick::cli::addEmulatedOptions(cli, options.emulated);
    cli.add_option("--ppdev", options.ppdev,
                   "use the Linux parport driver on this device (e.g. /dev/parport0)");
    cli.add_option("--trace", trace, "trace file (default message.txt)");
    cli.add_option("--screenshot", screenshots)->group("");  // scripts/screenshot.sh
    try {
        cli.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) return cli.exit(e);
        std::cerr << "brimwick: " << e.what() << " (see brimwick --help)\n";
        return kUsageError;
    }

    for (const std::string& file : files) {
        std::string text = brimwick::app::executeStringForFile(file, code);
        if (text.empty()) {
            std::cerr << "brimwick: " << file
                      << ": no code opens this kind of file; name one with --code\n";
            return kUsageError;
        }
        options.executeStrings.push_back(text);
    }
    for (const std::string& text : exec)
        options.executeStrings.push_back(
            brimwick::shell::takeExecuteString(brimwick::shell::withAbsolutePath(text)));
    if (!options.executeStrings.empty() && screenshots.empty()) {
        switch (brimwick::app::handToRunningWindow(options.executeStrings)) {
            case brimwick::app::HandOff::Delivered:
                return 0;
            case brimwick::app::HandOff::Failed:
                return 1;
            case brimwick::app::HandOff::StartHere:
                break;
        }
    }

    if (!haveDisplay()) {
        std::cerr << "brimwick: no display (neither DISPLAY nor WAYLAND_DISPLAY is set); run it "
                     "in a desktop session, or try brimwick-cli serve --virtual-c64\n";
        return 1;
    }
    if (!brimwick::platform::traceLog().open(trace))
        std::cerr << "brimwick: cannot write trace file " << trace << ": " << std::strerror(errno)
                  << '\n';
    QApplication qt(argc, argv);
    QApplication::setApplicationName("Brimwick");
    brimwick::app::BrimwickApp app(options);
    if (!app.initInstance()) return kUsageError;
    std::unique_ptr<QSocketNotifier> stopNotifier;
    if (::pipe(signalPipe) == 0) {
        stopNotifier = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
        QObject::connect(stopNotifier.get(), &QSocketNotifier::activated, [&app] {
            char bytes[16];
            [[maybe_unused]] auto got = ::read(signalPipe[0], bytes, sizeof bytes);
            if (app.mainWindow() != nullptr) app.mainWindow()->close();
        });
        std::signal(SIGINT, onStopSignal);
        std::signal(SIGTERM, onStopSignal);
    }
    if (!screenshots.empty())
        brimwick::app::startScreenshotTour(app, QString::fromStdString(screenshots));
    int status = qt.exec();
    app.exitInstance();
    return status;
}
