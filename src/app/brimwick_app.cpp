// Start-up, the link thread's jobs, and shutdown.
#include "app/brimwick_app.h"

#include <QEventLoop>
#include <QMetaObject>
#include <QTimer>
#include <filesystem>
#include <future>
#include <iostream>

#include "app/main_window.h"
#include "app/preferences_dlg.h"
#include "config/side_settings.h"
#include "config/status_file.h"
#include "platform/file.h"
#include "platform/paths.h"
#include "platform/trace_log.h"

namespace brimwick::app {

using platform::traceLog;

namespace {
// Longest time the shutdown waits for a pending request before giving up.
constexpr auto kShutdownGrace = std::chrono::seconds(2);
}  // namespace

BrimwickApp::BrimwickApp(AppOptions options) : options_(std::move(options)) {}

BrimwickApp::~BrimwickApp() {
    exitInstance();
    window_.reset();
}

bool BrimwickApp::initInstance() {
    home_ = platform::programDirectory();
    // Named ROMs start the emulated C64; the virtual C64 gives way to it
    // when ROMs are found, and otherwise one line says where they were looked for.
    if (options_.virtualC64 || options_.emulated.roms.explicitlyGiven()) {
        std::string note;
        std::optional<c64::EmulatedStart> start;
        try {
            start = c64::chooseEmulatedC64(options_.emulated, home_,
                                           home_ + "kernels" + platform::kPathSeparator + "link.prg",
                                           true, note);
        } catch (const c64::RomError& e) {
            std::cerr << "brimwick: " << e.what() << '\n';
            return false;
        }
        if (start) {
            std::cerr << start->summary() << '\n';
            rememberRoms();
            backend_ = makeEmulatedBackend(*start);
        } else {
            if (!note.empty()) std::cerr << note << ": the virtual C64 runs instead\n";
            backend_ = makeVirtualBackend();
        }
    } else {
        backend_ = makePortBackend(options_.ppdev);
    }
    config::Settings& settings = backend_->settings();
    auto drives = backend_->drives();
    try {
        shell::loadServedDrives(settings, drives, home_, options_.drives, overrides_);
    } catch (const shell::SettingError& e) {
        std::cerr << "brimwick: --drive: " << e.message << '\n';
        return false;
    }
    link::RequestDispatcher& dispatcher = backend_->dispatcher();
    dispatcher.programDirectory = home_;
    bool portOpen = backend_->openPort();

    // The window's dialogs answer the link thread's questions too.
    broker_ = std::make_unique<shell::DialogBroker>(windowDialogs_, [this](std::function<void()> f) {
        QMetaObject::invokeMethod(this, std::move(f), Qt::QueuedConnection);
    });
    platform::setUserDialogs(broker_.get());
    installer_.programDirectory = home_;
    installer_.dataDirectory = shell::userDataDirectory();

    instance_ = std::make_unique<shell::RunningInstance>(dispatcher);
    if (options_.listen) {
        if (auto why = instance_->listen()) {
            std::cerr << "brimwick: execute strings are not taken: " << *why << '\n';
            traceLog() << "\n socket: " << *why;
        }
    }

    terminal_ = std::make_unique<shell::TerminalBridge>(dispatcher.mirror, [this] {
        QMetaObject::invokeMethod(
            this, [this] { if (window_) window_->invalidateTerminal(); }, Qt::QueuedConnection);
    });
    dispatcher.view = terminal_.get();

    window_ = std::make_unique<MainWindow>(*this);
    windowDialogs_.owner = window_.get();
    window_->centre();
    if (settings.startMinimized != 0) {
        terminal_->setMinimized(true);
        window_->showMinimized();
    } else {
        window_->show();
    }

    if (EmulatedScreen* screen = backend_->emulatedScreen()) {
        emulatedView_ = std::make_unique<EmulatedView>(*screen);
        emulatedView_->show();
    }

    linkThread_ = std::make_unique<shell::LinkThread>(dispatcher, instance_.get(),
                                                      [this] { return backend_->step(); });
    linkThread_->start();
    started_ = true;
    traceLog() << "\n serving " << backend_->describe();
    for (const std::string& text : options_.executeStrings) execute(text);
    if (!portOpen) {
        std::string why = "The parallel port cannot be used: " + backend_->portFailure +
                          "\nThe C64 is not served; the other functions work.";
        QTimer::singleShot(0, this, [this, why] {
            platform::userDialogs().messageBox(why, kCaption, platform::MessageButtons::Ok,
                                               platform::MessageIcon::Warning);
        });
    }
    return true;
}

void BrimwickApp::rememberRoms() {
    // ROMs named on the command line are kept for the next start (make run).
    const c64::EmulatedOptions& e = options_.emulated;
    if (e.roms.directory.empty() && e.video.empty()) return;
    std::string failure;
    try {
        config::SideSettings side = config::SideSettings::read(home_);
        if (!e.roms.directory.empty())
            side.set(c64::kRomsKey, std::filesystem::absolute(e.roms.directory).string());
        if (!e.video.empty()) side.set(c64::kVideoKey, e.video);
        if (side.write(home_, failure)) return;
    } catch (const platform::FileError& error) {
        failure = error.message();
    }
    std::cerr << "brimwick: the ROM directory is not kept: " << failure << '\n';
}

void BrimwickApp::finishLink() {
    link::RequestDispatcher& dispatcher = backend_->dispatcher();
    if (dispatcher.link.dataPort != 0) dispatcher.goOfflineForExit(kShutdownGrace);
    config::Settings record = backend_->settings();
    auto served = overrides_.toSave(record, backend_->drives());
    if (!config::saveSettings(record, served, home_))
        platform::userDialogs().messageBox("Cannot write " + home_ + config::kStatusFileName +
                                               "; the settings of this run are lost.",
                                           kCaption, platform::MessageButtons::Ok,
                                           platform::MessageIcon::Stop);
    // A modified image that cannot be saved is told by its drive.
    drive::releaseAll(backend_->drives());
}

void BrimwickApp::exitInstance() {
    if (!started_ || finished_) return;
    finished_ = true;
    if (preferences_) preferences_->close();
    if (emulatedView_) emulatedView_->close();
    if (window_ && window_->terminalMode) window_->toggleTerminal();
    terminal_->setShown(false);
    // Closed while a shell command's question is open (Ctrl-C): the question
    // counts as cancelled, or the link thread would wait for it forever.
    if (broker_->waiting()) broker_->close();
    // The link thread drains the link and saves; its questions (an image
    // that cannot be saved) are still answered by the window meanwhile.
    QEventLoop loop;
    bool done = false;
    linkThread_->post([this, &loop, &done] {
        finishLink();
        QMetaObject::invokeMethod(&loop, [&loop, &done] {
            done = true;
            loop.quit();
        }, Qt::QueuedConnection);
    });
    if (!done) loop.exec();
    linkThread_->stop();
    // No more execute strings: a later brimwick starts a window of its own.
    instance_.reset();
    broker_->close();
    platform::setUserDialogs(nullptr);
    backend_->dispatcher().view = nullptr;
    if (window_) window_->hide();
    traceLog().close();
}

PreferencesDlg* BrimwickApp::preferences() const {
    return preferences_.data();
}

void BrimwickApp::post(std::function<void()> job) {
    linkThread_->post(std::move(job));
}

void BrimwickApp::call(const std::function<void()>& job) {
    std::promise<void> ran;
    linkThread_->post([&] {
        job();
        ran.set_value();
    });
    ran.get_future().wait();
}

config::Settings BrimwickApp::settingsCopy() {
    config::Settings copy{};
    call([&] { copy = backend_->settings(); });
    return copy;
}

void BrimwickApp::openPreferences() {
    if (preferencesOpen_) return;
    preferencesOpen_ = true;
    post([this] {
        config::Settings current = backend_->settings();
        QMetaObject::invokeMethod(this, [this, current] { showPreferences(current); },
                                  Qt::QueuedConnection);
    });
}

void BrimwickApp::showPreferences(const config::Settings& current) {
    if (finished_) {
        preferencesOpen_ = false;
        return;
    }
    auto* dialog = new PreferencesDlg(window_.get(), current, windowDialogs_, installer_,
                                      [this](const config::Settings& edited) {
                                          post([this, edited] {
                                              applyPreferences(edited, backend_->settings());
                                          });
                                      });
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QObject::destroyed, this, [this] { preferencesOpen_ = false; });
    preferences_ = dialog;
    dialog->show();
}

void BrimwickApp::resetC64() {
    post([this] {
        link::RequestDispatcher& d = backend_->dispatcher();
        if (d.link.dataPort != 0) d.keyboard.typeText(d.link, d.settings, TextSlice(""));
    });
}

void BrimwickApp::typeKey(int key) {
    post([this, key] { backend_->dispatcher().keyboard.typeKey(key); });
}

void BrimwickApp::typeText(const std::string& text) {
    post([this, text] {
        link::RequestDispatcher& d = backend_->dispatcher();
        d.keyboard.startKeyboardFeed(d.link, TextSlice(text.c_str()));
    });
}

void BrimwickApp::execute(const std::string& text) {
    post([this, text] { instance_->commands.execute(text); });
}

}  // namespace brimwick::app
