// How a running Brimwick takes execute strings from other programs (the
// desktop's file manager through `brimwick-cli exec` or `brimwick FILE`): a
// Unix domain socket in the user's runtime directory that only the same user
// may use. A client connects, writes the string and closes its side; the
// instance reads every connection with a deadline of its own, so a client
// that sends nothing stalls nobody. It answers "dropped" and the reason at
// once when the string cannot run now (a dialog is open, Brimwick is ending),
// or runs the string between two requests of the C64 and answers "done" or
// "failed" and the command's message. A string longer than 519 characters is
// refused whole. The client checks that the socket, its directory and the
// process listening belong to the same user before it hands anything over.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brimwick::shell {

inline constexpr const char* kSocketName = "brimwick.sock";
inline constexpr const char* kRuntimeDirectoryVariable = "XDG_RUNTIME_DIR";
// How long a connection may take to hand over its string.
inline constexpr int kReceiveTimeoutMs = 2000;
// How long a client waits for the instance to run its string.
inline constexpr int kAnswerTimeoutMs = 60000;
// The first line of an answer.
inline constexpr const char* kDoneAnswer = "done";
inline constexpr const char* kFailedAnswer = "failed";
inline constexpr const char* kDroppedAnswer = "dropped";
// Connections read at the same time; more wait in the socket's queue.
inline constexpr std::size_t kMostPendingConnections = 64;

// A socket that cannot be used, with a message for the person.
struct SocketError {
    std::string message;  // what is wrong and where
};

// The directory of the socket: $XDG_RUNTIME_DIR, or else a private
// directory /tmp/brimwick-UID (made with mode 0700 when `create`). Throws
// SocketError when it is not a directory, or when the /tmp directory is not
// private to this user.
std::string socketDirectory(bool create);
// The socket's path in that directory.
std::string socketPath(bool create);

// What became of a string handed to a running instance.
enum class Delivery {
    Done,        // the instance ran it and it did its work
    Failed,      // it ran and failed, or the instance refused it (detail: why)
    Dropped,     // the instance could not run it now and never will (detail: why)
    Unanswered,  // no answer within the time limit: it may still run
    NoInstance,  // no socket: nothing runs
    Stale,       // a socket file that nobody listens on
    Untrusted,   // the socket, its directory or its listener is another user's
    Broken,      // the connection failed (detail: why)
};

struct DeliveryResult {
    Delivery outcome = Delivery::Broken;
    std::string detail;  // the instance's message, or what went wrong
};

// Hands `text` to the instance listening at `path` and waits up to
// `answerTimeoutMs` for the string to have run.
DeliveryResult sendExecuteString(const std::string& path, std::string_view text,
                                 int answerTimeoutMs = kAnswerTimeoutMs);

// True when an instance listens at `path`.
bool instanceListening(const std::string& path);

// Why the socket at `path` and its directory cannot be trusted (not a
// socket, not this user's, a directory others may write), or nothing.
std::optional<std::string> untrustedSocket(const std::string& path);

// One string taken from a client, waiting for its answer. The answer goes
// when answer() is called, or "dropped" when the arrival goes unanswered
// (the instance ended before it ran).
class Arrival {
  public:
    Arrival(std::string text, int fd);
    Arrival(Arrival&& other) noexcept;
    Arrival& operator=(Arrival&& other) noexcept;
    Arrival(const Arrival&) = delete;
    Arrival& operator=(const Arrival&) = delete;
    ~Arrival();

    const std::string& text() const { return text_; }
    // Answers "done", or "failed" and the message.
    void answer(bool done, std::string_view message = {});
    // Answers "dropped" and why.
    void drop(std::string_view reason);

  private:
    void send(std::string_view first, std::string_view message);
    std::string text_;  // the execute string
    int fd_ = -1;       // the client's connection until answered
};

// Why a string cannot run now ("a message box is open"), or nothing.
using DropCheck = std::function<std::optional<std::string>()>;

class ExecuteServer {
  public:
    // Listens at `path`. A stale socket file there is replaced; a live one
    // (another instance) or any other file is left alone: SocketError.
    explicit ExecuteServer(std::string path, int receiveTimeoutMs = kReceiveTimeoutMs);
    // Connections not yet answered are told that Brimwick is ending.
    ~ExecuteServer();
    ExecuteServer(const ExecuteServer&) = delete;
    ExecuteServer& operator=(const ExecuteServer&) = delete;

    const std::string& path() const { return path_; }
    int fd() const { return fd_; }
    // A stale socket file was removed on the way.
    bool replacedStale() const { return replacedStale_; }

    // Waits up to `timeoutMs` for something to happen on the socket, then
    // reads what the clients sent meanwhile, without waiting for any of
    // them: strings of other users are refused unanswered, a string that is
    // refused (too long) is answered "failed" and one that cannot run now
    // (`drop` says why) "dropped", at once. Returns the strings complete
    // and to run, in order of arrival; each is answered by the caller.
    std::vector<Arrival> takeStrings(int timeoutMs, const DropCheck& drop = {});
    // Ends a wait in takeStrings from another thread.
    void wake();

  private:
    using Clock = std::chrono::steady_clock;
    struct Pending {
        int fd;                    // the client's connection
        Clock::time_point until;   // when it must have sent its string
        std::string received;      // what it sent so far (the limit and one more)
    };
    void acceptWaiting();
    // Reads what `p` sent; true when it has closed its side.
    bool readSome(Pending& p);

    std::string path_;              // the socket file
    int fd_ = -1;                   // the listening socket
    int wakeRead_ = -1;             // a pipe that ends a wait
    int wakeWrite_ = -1;            // its writing end
    int receiveTimeoutMs_;          // each connection's deadline
    bool replacedStale_ = false;    // a stale socket file was removed
    unsigned long device_ = 0;      // the socket file's device, to remove only our own
    unsigned long inode_ = 0;       // and its inode
    std::vector<Pending> pending_;  // connections still sending
};

}  // namespace brimwick::shell
