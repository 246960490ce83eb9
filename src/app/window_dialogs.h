// The window's dialogs for the person: modal message boxes and the drive
// selection, owned by the main window. Shell commands reach them through the
// dialog broker from the link thread; the Preferences dialog directly.
#pragma once

#include <QPointer>
#include <QWidget>

#include "platform/user_dialogs.h"

namespace brimwick::app {

class WindowDialogs : public platform::UserDialogs {
  public:
    QPointer<QWidget> owner;  // the main window, once there

    platform::MessageAnswer messageBox(std::string_view text, std::string_view caption,
                                       platform::MessageButtons buttons,
                                       platform::MessageIcon icon) override;
    std::optional<int> selectDrive(int preselected = platform::kPreselectedDrive) override;
};

}  // namespace brimwick::app
