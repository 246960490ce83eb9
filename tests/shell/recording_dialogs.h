// User dialogs for tests: records every message box and answers the drive
// selection as told.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/user_dialogs.h"

namespace brimwick::shell::testing {

struct RecordingDialogs : platform::UserDialogs {
    std::vector<std::string> texts;            // every message box text, in order
    std::vector<std::string> details;          // their detail lines ("" for none)
    std::vector<platform::MessageIcon> icons;  // their icons
    std::optional<int> driveAnswer = platform::kPreselectedDrive;  // what the selection answers
    int selections = 0;                                            // drive selections shown
    std::function<void()> whileOpen;                               // runs while a dialog is open

    platform::MessageAnswer messageBox(std::string_view text, std::string_view caption,
                                       platform::MessageButtons buttons,
                                       platform::MessageIcon icon) override {
        return messageBoxWithDetail(text, "", caption, buttons, icon);
    }
    platform::MessageAnswer messageBoxWithDetail(std::string_view text, std::string_view detail,
                                                 std::string_view caption,
                                                 platform::MessageButtons buttons,
                                                 platform::MessageIcon icon) override {
        texts.emplace_back(text);
        details.emplace_back(detail);
        icons.push_back(icon);
        EXPECT_EQ(caption, "Brimwick");
        if (whileOpen) whileOpen();
        return platform::defaultAnswer(buttons);
    }
    std::optional<int> selectDrive(int preselected) override {
        EXPECT_EQ(preselected, platform::kPreselectedDrive);
        ++selections;
        if (whileOpen) whileOpen();
        return driveAnswer;
    }
};

// Installs the recording dialogs for the lifetime of the object.
struct InstalledDialogs {
    RecordingDialogs dialogs;
    InstalledDialogs() { platform::setUserDialogs(&dialogs); }
    ~InstalledDialogs() { platform::setUserDialogs(nullptr); }
    InstalledDialogs(const InstalledDialogs&) = delete;
    InstalledDialogs& operator=(const InstalledDialogs&) = delete;
};

}  // namespace brimwick::shell::testing
