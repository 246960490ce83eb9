// Listening for execute strings and running them.
#include "shell/running_instance.h"

#include <chrono>
#include <thread>

namespace brimwick::shell {

std::optional<std::string> RunningInstance::listen() {
    try {
        server_.emplace(socketPath(true));
    } catch (const SocketError& e) {
        return e.message;
    }
    return std::nullopt;
}

void RunningInstance::runArrivedStrings(int timeoutMs) {
    if (!server_) {
        std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
        return;
    }
    for (const std::string& text :
         server_->takeStrings(timeoutMs, [this] { return commands.dialogOpen(); }))
        commands.execute(text);
}

}  // namespace brimwick::shell
