// Handing the link thread's questions to the window's thread.
#include "shell/dialog_broker.h"

#include <iostream>
#include <memory>

namespace brimwick::shell {

platform::MessageAnswer cancelledAnswer(platform::MessageButtons buttons) {
    switch (buttons) {
        case platform::MessageButtons::YesNo:
            return platform::MessageAnswer::No;
        case platform::MessageButtons::OkCancel:
        case platform::MessageButtons::YesNoCancel:
        case platform::MessageButtons::RetryCancel:
            return platform::MessageAnswer::Cancel;
        case platform::MessageButtons::Ok:
            break;
    }
    return platform::MessageAnswer::Ok;
}

DialogBroker::DialogBroker(platform::UserDialogs& window, GuiPoster post)
    : window_(window), post_(std::move(post)), windowThread_(std::this_thread::get_id()) {}

void DialogBroker::close() {
    {
        std::lock_guard lock(mutex_);
        closed_ = true;
    }
    answered_.notify_all();
}

bool DialogBroker::waiting() {
    std::lock_guard lock(mutex_);
    return waiting_ > 0;
}

bool DialogBroker::onWindowThread(const std::function<void()>& ask) {
    // Shared with the posted function, which may run after the wait gave up.
    struct Question {
        std::function<void()> ask;  // shows the dialog and keeps the answer
        bool done = false;          // answered
    };
    auto question = std::make_shared<Question>();
    question->ask = ask;
    {
        std::lock_guard lock(mutex_);
        if (closed_) return false;
    }
    post_([this, question] {
        {
            std::lock_guard lock(mutex_);
            if (closed_) return;
        }
        question->ask();
        {
            std::lock_guard lock(mutex_);
            question->done = true;
        }
        answered_.notify_all();
    });
    std::unique_lock lock(mutex_);
    ++waiting_;
    answered_.wait(lock, [&] { return question->done || closed_; });
    --waiting_;
    return question->done;
}

platform::MessageAnswer DialogBroker::messageBox(std::string_view text, std::string_view caption,
                                                 platform::MessageButtons buttons,
                                                 platform::MessageIcon icon) {
    return messageBoxWithDetail(text, "", caption, buttons, icon);
}

platform::MessageAnswer DialogBroker::messageBoxWithDetail(std::string_view text,
                                                           std::string_view detail,
                                                           std::string_view caption,
                                                           platform::MessageButtons buttons,
                                                           platform::MessageIcon icon) {
    if (std::this_thread::get_id() == windowThread_)
        return window_.messageBoxWithDetail(text, detail, caption, buttons, icon);
    platform::MessageAnswer answer = cancelledAnswer(buttons);
    // Copies: the dialog may still be open when a closing window ends the wait.
    auto shown = std::make_shared<platform::MessageAnswer>(answer);
    if (!onWindowThread(
            [this, shown, textCopy = std::string(text), detailCopy = std::string(detail),
             captionCopy = std::string(caption), buttons, icon] {
                *shown = window_.messageBoxWithDetail(textCopy, detailCopy, captionCopy, buttons,
                                                      icon);
            })) {
        // The window is gone (or going): what it would have shown, an image
        // that could not be saved say, still reaches the person on the console.
        std::cerr << caption << ": " << text << (detail.empty() ? "" : "\n") << detail
                  << std::endl;
        return answer;
    }
    return *shown;
}

std::optional<int> DialogBroker::selectDrive(int preselected) {
    if (std::this_thread::get_id() == windowThread_) return window_.selectDrive(preselected);
    auto chosen = std::make_shared<std::optional<int>>();
    if (!onWindowThread(
            [this, chosen, preselected] { *chosen = window_.selectDrive(preselected); }))
        return std::nullopt;
    return *chosen;
}

}  // namespace brimwick::shell
