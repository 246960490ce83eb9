// The person's dialogs when the link runs on a thread of its own. A shell
// command on the link thread that asks a question must see a real dialog,
// but dialogs belong to the window's thread: the broker hands the question
// over to that thread and lets the link thread wait for the answer (no
// request is served meanwhile, as with one thread). Asked on the window's
// thread itself, it shows the dialog at once. When the window closes while a
// question waits, the question is answered as though cancelled, and its text
// goes to the console (stderr) so that no message is lost.
#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/user_dialogs.h"

namespace brimwick::shell {

// Runs a function on the window's thread, later.
using GuiPoster = std::function<void(std::function<void()>)>;

class DialogBroker : public platform::UserDialogs {
  public:
    // `window` shows the dialogs; `post` reaches the thread that calls this
    // constructor (the window's thread).
    DialogBroker(platform::UserDialogs& window, GuiPoster post);

    platform::MessageAnswer messageBox(std::string_view text, std::string_view caption,
                                       platform::MessageButtons buttons,
                                       platform::MessageIcon icon) override;
    platform::MessageAnswer messageBoxWithDetail(std::string_view text, std::string_view detail,
                                                 std::string_view caption,
                                                 platform::MessageButtons buttons,
                                                 platform::MessageIcon icon) override;
    std::optional<int> selectDrive(int preselected = platform::kPreselectedDrive) override;

    // From now on every question waiting or to come is answered as cancelled,
    // its text written to stderr (the window is closing).
    void close();
    // True while a question of the link thread waits for its answer.
    bool waiting();

  private:
    // Runs `ask` on the window's thread and waits; false when closed first.
    bool onWindowThread(const std::function<void()>& ask);

    platform::UserDialogs& window_;   // the real dialogs
    GuiPoster post_;                  // reaches the window's thread
    std::thread::id windowThread_;    // the thread that shows dialogs
    std::mutex mutex_;                // guards closed_
    std::condition_variable answered_;  // a question was answered, or closed
    bool closed_ = false;             // the window is closing
    int waiting_ = 0;                 // questions waiting for an answer
};

// The answer of a message box that nobody can see: Cancel or No where
// offered, else OK.
platform::MessageAnswer cancelledAnswer(platform::MessageButtons buttons);

}  // namespace brimwick::shell
