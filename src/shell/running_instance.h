// A Brimwick that is running (`brimwick-cli serve` now, the desktop window
// later) and takes execute strings from the socket: it answers each one at
// once and runs them one at a time, between two requests of the C64.
#pragma once

#include <optional>
#include <string>

#include "link/request_dispatcher.h"
#include "shell/execute_socket.h"
#include "shell/shell_commands.h"

namespace brimwick::shell {

class RunningInstance {
  public:
    explicit RunningInstance(link::RequestDispatcher& dispatcher) : commands(dispatcher) {}

    ShellCommands commands;  // runs the strings

    // Listens on the socket in the user's runtime directory. When that is
    // not possible, returns why (the instance then serves without it).
    std::optional<std::string> listen();
    // Takes the strings that arrived, waiting up to `timeoutMs` for the
    // first, and runs them. Without a socket it just waits.
    void runArrivedStrings(int timeoutMs);
    // The socket, once listening.
    const ExecuteServer* server() const { return server_ ? &*server_ : nullptr; }

  private:
    std::optional<ExecuteServer> server_;  // the socket, when listening
};

}  // namespace brimwick::shell
