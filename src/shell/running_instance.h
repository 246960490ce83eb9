// A Brimwick that is running (`brimwick-cli serve`, the desktop window) and
// takes execute strings from the socket: it runs them one at a time, between
// two requests of the C64, and answers each client with the command's result.
// A string that cannot run now (a dialog is open, Brimwick is ending) is
// answered "dropped" at once and never runs later.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "link/request_dispatcher.h"
#include "shell/execute_socket.h"
#include "shell/shell_commands.h"

namespace brimwick::shell {

// Runs an arrival's string where the drives are (the link thread) and
// answers it.
using ArrivalRunner = std::function<void(std::shared_ptr<Arrival>)>;

class RunningInstance {
  public:
    explicit RunningInstance(link::RequestDispatcher& dispatcher) : commands(dispatcher) {}
    ~RunningInstance();
    RunningInstance(const RunningInstance&) = delete;
    RunningInstance& operator=(const RunningInstance&) = delete;

    ShellCommands commands;  // runs the strings

    // Listens on the socket in the user's runtime directory. When that is
    // not possible, returns why (the instance then serves without it).
    std::optional<std::string> listen(int receiveTimeoutMs = kReceiveTimeoutMs);
    // Takes the strings that arrived, waiting up to `timeoutMs` for the
    // first, runs them here and answers them. Without a socket it just waits.
    void runArrivedStrings(int timeoutMs);
    // Runs one arrival here and answers it; dropped when it cannot run now.
    void runArrival(Arrival& arrival);

    // From now on a thread of its own reads the socket and hands every
    // string to `run` (the window's link thread may be held by a dialog
    // meanwhile, but the socket is still answered); strings that cannot run
    // now are dropped there at once. `run` should call runArrival.
    void answerOnOwnThread(ArrivalRunner run);
    // Ends that thread (its unanswered strings are dropped).
    void stopAnswering();

    // Why a string cannot run now, besides the dialogs of the commands
    // (called on the answering thread too: it must be thread-safe).
    DropCheck dropCheck;
    // The socket, once listening.
    const ExecuteServer* server() const { return server_ ? &*server_ : nullptr; }

  private:
    std::optional<std::string> whyDrop();

    std::optional<ExecuteServer> server_;  // the socket, when listening
    std::thread answering_;                // reads the socket, when on its own thread
    std::atomic<bool> stopping_{false};    // the answering thread is to end
};

// The reply to a client for a command's result.
void answerWith(Arrival& arrival, const CommandResult& result);

}  // namespace brimwick::shell
