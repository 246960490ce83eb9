// The headless dialogs and the program-wide choice of dialogs.
#include "platform/user_dialogs.h"

#include <iostream>
#include <string>

#include "platform/trace_log.h"

namespace brimwick::platform {

namespace {

HeadlessDialogs headless{&std::cerr};  // answers when no window is there
UserDialogs* installed = &headless;    // the dialogs in use

}  // namespace

MessageAnswer defaultAnswer(MessageButtons buttons) {
    switch (buttons) {
        case MessageButtons::YesNo:
        case MessageButtons::YesNoCancel:
            return MessageAnswer::Yes;
        case MessageButtons::RetryCancel:
            return MessageAnswer::Retry;
        case MessageButtons::Ok:
        case MessageButtons::OkCancel:
            break;
    }
    return MessageAnswer::Ok;
}

MessageAnswer UserDialogs::messageBoxWithDetail(std::string_view text, std::string_view detail,
                                               std::string_view caption, MessageButtons buttons,
                                               MessageIcon icon) {
    if (detail.empty()) return messageBox(text, caption, buttons, icon);
    return messageBox(std::string(text) + "\n\n" + std::string(detail), caption, buttons, icon);
}

MessageAnswer HeadlessDialogs::messageBox(std::string_view text, std::string_view caption,
                                          MessageButtons buttons, MessageIcon icon) {
    (void)icon;
    traceLog() << "\n" << caption << ": " << text;
    if (console_ != nullptr) *console_ << caption << ": " << text << std::endl;
    return defaultAnswer(buttons);
}

std::optional<int> HeadlessDialogs::selectDrive(int preselected) {
    traceLog() << "\nDrive selection: device " << preselected + 5;
    return preselected;
}

UserDialogs& userDialogs() {
    return *installed;
}

void setUserDialogs(UserDialogs* dialogs) {
    installed = dialogs ? dialogs : &headless;
}

}  // namespace brimwick::platform
