// The window's dialogs for the person: modal message boxes and the drive
// selection, owned by the main window. Shell commands reach them through the
// dialog broker from the link thread; the Preferences dialog directly.
#pragma once

#include <QPointer>
#include <QWidget>
#include <atomic>

#include "platform/user_dialogs.h"

namespace brimwick::app {

class WindowDialogs : public platform::UserDialogs {
  public:
    QPointer<QWidget> owner;  // the main window, once there

    platform::MessageAnswer messageBox(std::string_view text, std::string_view caption,
                                       platform::MessageButtons buttons,
                                       platform::MessageIcon icon) override;
    // The detail goes into the box's informative text, and to stderr and
    // the trace log too.
    platform::MessageAnswer messageBoxWithDetail(std::string_view text, std::string_view detail,
                                                 std::string_view caption,
                                                 platform::MessageButtons buttons,
                                                 platform::MessageIcon icon) override;
    std::optional<int> selectDrive(int preselected = platform::kPreselectedDrive) override;
    // True while one of them is open (asked from the socket's thread).
    bool anyOpen() const { return open_.load() > 0; }

  private:
    std::atomic<int> open_{0};  // dialogs shown and not yet closed
};

}  // namespace brimwick::app
