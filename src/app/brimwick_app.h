// The desktop program's application object: start-up (settings, port,
// socket, window, link thread), the hand-over of everything that touches the
// drives and settings to the link thread, and the shutdown in its order:
// terminal off, the link drained and taken offline, Status.ini written, the
// images saved, the trace closed.
#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/emulated_view.h"
#include "app/link_backend.h"
#include "c64/emulated_choice.h"
#include "app/window_dialogs.h"
#include "config/settings.h"
#include "shell/desktop_install.h"
#include "shell/dialog_broker.h"
#include "shell/link_thread.h"
#include "shell/running_instance.h"
#include "shell/settings_editor.h"
#include "shell/terminal_bridge.h"

namespace brimwick::app {

class MainWindow;
class PreferencesDlg;

struct AppOptions {
    bool virtualC64 = false;                   // serve the virtual C64, not the port
    c64::EmulatedOptions emulated;             // --roms ...: the emulated C64 (also found by search)
    std::string ppdev;                         // the parport device, "" for direct port I/O
    std::vector<std::string> drives;           // N=PATH assignments for this run
    std::vector<std::string> executeStrings;   // run once the window is up
    bool listen = true;                        // take execute strings on the socket
};

class BrimwickApp : public QObject {
    Q_OBJECT

  public:
    explicit BrimwickApp(AppOptions options);
    ~BrimwickApp() override;

    // Start-up; false (said on stderr) when the drive assignments are refused.
    bool initInstance();
    // Shutdown; runs once (later calls do nothing).
    void exitInstance();

    // Runs `job` on the link thread between two requests.
    void post(std::function<void()> job);
    // Runs `job` there and waits for it (tests; never while the link thread
    // may ask the window a question).
    void call(const std::function<void()>& job);

    // The three buttons and the character handler.
    void openPreferences();
    void resetC64();
    void typeKey(int key);
    // Types a text into the C64 as the keyboard feed does, without a reset.
    void typeText(const std::string& text);
    // Runs an execute string on the link thread.
    void execute(const std::string& text);

    MainWindow* mainWindow() const { return window_.get(); }
    // The emulated C64's picture, or null when another C64 is served.
    EmulatedView* emulatedView() const { return emulatedView_.get(); }
    // The open Preferences dialog, or null.
    PreferencesDlg* preferences() const;
    shell::LinkThread& linkThread() { return *linkThread_; }
    shell::TerminalBridge& terminal() { return *terminal_; }
    LinkBackend& backend() { return *backend_; }
    WindowDialogs& windowDialogs() { return windowDialogs_; }
    shell::DesktopInstaller& installer() { return installer_; }
    // A copy of the settings as the link thread has them now.
    config::Settings settingsCopy();
    // The socket and the shell commands; null after exitInstance.
    const shell::RunningInstance* runningInstance() const { return instance_.get(); }

  private:
    void showPreferences(const config::Settings& current);
    // Keeps --roms and --video in the settings file beside Status.ini.
    void rememberRoms();
    // On the link thread at exit: drain, offline, Status.ini, images.
    void finishLink();

    AppOptions options_;                               // what the command line asked for
    std::string home_;                                 // the program directory
    std::unique_ptr<LinkBackend> backend_;             // the port or the virtual C64
    shell::DriveOverrides overrides_;                  // this run's --drive assignments
    WindowDialogs windowDialogs_;                      // real dialogs, owned by the window
    std::unique_ptr<shell::DialogBroker> broker_;      // questions from the link thread
    std::unique_ptr<shell::RunningInstance> instance_; // the socket and the shell commands
    std::unique_ptr<shell::TerminalBridge> terminal_;  // the terminal between the threads
    std::unique_ptr<shell::LinkThread> linkThread_;    // serves the link
    std::unique_ptr<MainWindow> window_;               // the main window
    std::unique_ptr<EmulatedView> emulatedView_;       // the emulated C64's picture, when it runs
    shell::DesktopInstaller installer_;                // Install and Uninstall
    QPointer<PreferencesDlg> preferences_;             // the open Preferences dialog
    bool preferencesOpen_ = false;                     // at most one is open
    bool started_ = false;                             // initInstance ran
    bool finished_ = false;                            // exitInstance ran
};

}  // namespace brimwick::app
