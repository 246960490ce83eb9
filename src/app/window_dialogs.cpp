// Message boxes and the drive selection as Qt dialogs.
#include "app/window_dialogs.h"

#include <QMessageBox>
#include <QString>
#include <iostream>

#include "app/drive_selection.h"
#include "platform/trace_log.h"

namespace brimwick::app {

namespace {

QMessageBox::Icon iconOf(platform::MessageIcon icon) {
    switch (icon) {
        case platform::MessageIcon::Information:
            return QMessageBox::Information;
        case platform::MessageIcon::Question:
            return QMessageBox::Question;
        case platform::MessageIcon::Warning:
            return QMessageBox::Warning;
        case platform::MessageIcon::Stop:
            return QMessageBox::Critical;
        case platform::MessageIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

QString fromText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

platform::MessageAnswer WindowDialogs::messageBox(std::string_view text, std::string_view caption,
                                                  platform::MessageButtons buttons,
                                                  platform::MessageIcon icon) {
    return messageBoxWithDetail(text, "", caption, buttons, icon);
}

platform::MessageAnswer WindowDialogs::messageBoxWithDetail(std::string_view text,
                                                            std::string_view detail,
                                                            std::string_view caption,
                                                            platform::MessageButtons buttons,
                                                            platform::MessageIcon icon) {
    using B = platform::MessageButtons;
    using A = platform::MessageAnswer;
    platform::ShownDialog shown(open_);
    platform::traceLog() << "\n" << caption << ": " << text;
    QMessageBox box(iconOf(icon), fromText(caption), fromText(text), QMessageBox::NoButton, owner);
    if (!detail.empty()) {
        platform::traceLog() << "\n" << detail;
        std::cerr << caption << ": " << text << "\n" << detail << std::endl;
        box.setInformativeText(fromText(detail));
    }
    box.setWindowModality(Qt::ApplicationModal);
    struct Choice {
        QMessageBox::StandardButton button;
        A answer;
    };
    std::vector<Choice> choices;
    switch (buttons) {
        case B::Ok:
            choices = {{QMessageBox::Ok, A::Ok}};
            break;
        case B::OkCancel:
            choices = {{QMessageBox::Ok, A::Ok}, {QMessageBox::Cancel, A::Cancel}};
            break;
        case B::YesNo:
            choices = {{QMessageBox::Yes, A::Yes}, {QMessageBox::No, A::No}};
            break;
        case B::YesNoCancel:
            choices = {{QMessageBox::Yes, A::Yes},
                       {QMessageBox::No, A::No},
                       {QMessageBox::Cancel, A::Cancel}};
            break;
        case B::RetryCancel:
            choices = {{QMessageBox::Retry, A::Retry}, {QMessageBox::Cancel, A::Cancel}};
            break;
    }
    for (const Choice& c : choices) box.addButton(c.button);
    box.setDefaultButton(choices.front().button);
    // The close box answers as the last button (Cancel or No), or OK alone.
    box.setEscapeButton(choices.back().button);
    auto pressed = static_cast<QMessageBox::StandardButton>(box.exec());
    for (const Choice& c : choices)
        if (c.button == pressed) return c.answer;
    return choices.back().answer;
}

std::optional<int> WindowDialogs::selectDrive(int preselected) {
    platform::ShownDialog shown(open_);
    DriveSelection dialog(owner);
    dialog.selectedDrive = preselected;
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.selectedDrive;
}

}  // namespace brimwick::app
