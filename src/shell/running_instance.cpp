// Listening for execute strings, running them and answering their clients.
#include "shell/running_instance.h"

#include <chrono>

namespace brimwick::shell {

namespace {
// How long the answering thread waits at most before it looks whether to end.
constexpr int kAnsweringWaitMs = 1000;
}  // namespace

void answerWith(Arrival& arrival, const CommandResult& result) {
    switch (result.outcome) {
        case Outcome::Done:
            arrival.answer(true);
            break;
        case Outcome::NotTyped:
        case Outcome::Failed:
            arrival.answer(false, result.message);
            break;
    }
}

RunningInstance::~RunningInstance() {
    stopAnswering();
}

std::optional<std::string> RunningInstance::listen(int receiveTimeoutMs) {
    try {
        server_.emplace(socketPath(true), receiveTimeoutMs);
    } catch (const SocketError& e) {
        return e.message;
    }
    return std::nullopt;
}

std::optional<std::string> RunningInstance::whyDrop() {
    if (commands.dialogOpen()) return std::string("a message box or the drive selection is open");
    if (dropCheck) return dropCheck();
    return std::nullopt;
}

void RunningInstance::runArrival(Arrival& arrival) {
    // Checked again just before it runs: a dialog opened since it arrived.
    if (std::optional<std::string> why = whyDrop()) {
        arrival.drop(*why);
        return;
    }
    answerWith(arrival, commands.execute(arrival.text()));
}

void RunningInstance::runArrivedStrings(int timeoutMs) {
    if (!server_) {
        std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
        return;
    }
    for (Arrival& arrival : server_->takeStrings(timeoutMs, [this] { return whyDrop(); }))
        runArrival(arrival);
}

void RunningInstance::answerOnOwnThread(ArrivalRunner run) {
    if (!server_ || answering_.joinable()) return;
    stopping_ = false;
    answering_ = std::thread([this, run = std::move(run)] {
        while (!stopping_.load()) {
            for (Arrival& arrival :
                 server_->takeStrings(kAnsweringWaitMs, [this] { return whyDrop(); }))
                run(std::make_shared<Arrival>(std::move(arrival)));
        }
    });
}

void RunningInstance::stopAnswering() {
    if (!answering_.joinable()) return;
    stopping_ = true;
    server_->wake();
    answering_.join();
}

}  // namespace brimwick::shell
