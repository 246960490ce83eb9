// How a running Brimwick takes execute strings from other programs (the
// desktop's file manager through `brimwick-cli exec`, say): a Unix domain
// socket in the user's runtime directory that only the same user may use.
// A client connects, writes the string and closes its side; the instance
// answers "accepted" or "dropped" (a dialog of the instance is open) and runs
// the string later, between two requests of the C64. Only the first 519
// characters of a string count, as the desktop's own channel hands over.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace brimwick::shell {

inline constexpr const char* kSocketName = "brimwick.sock";
inline constexpr const char* kRuntimeDirectoryVariable = "XDG_RUNTIME_DIR";
// How long a connection may take to hand over its string.
inline constexpr int kReceiveTimeoutMs = 2000;
// How long a client waits for the instance's answer.
inline constexpr int kAnswerTimeoutMs = 10000;
inline constexpr const char* kAcceptedAnswer = "accepted\n";
inline constexpr const char* kDroppedAnswer = "dropped\n";

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
    Accepted,    // the instance took it and will run it
    Dropped,     // the instance had a dialog open and dropped it
    NoInstance,  // no socket: nothing runs
    Stale,       // a socket file that nobody listens on
    Failed,      // the instance refused the connection or did not answer
};

struct DeliveryResult {
    Delivery outcome = Delivery::Failed;
    std::string detail;  // for Failed: what went wrong
};

// Hands `text` to the instance listening at `path`.
DeliveryResult sendExecuteString(const std::string& path, std::string_view text,
                                 int answerTimeoutMs = kAnswerTimeoutMs);

// True when an instance listens at `path`.
bool instanceListening(const std::string& path);

class ExecuteServer {
  public:
    // Listens at `path`. A stale socket file there is replaced; a live one
    // (another instance) or any other file is left alone: SocketError.
    explicit ExecuteServer(std::string path);
    ~ExecuteServer();
    ExecuteServer(const ExecuteServer&) = delete;
    ExecuteServer& operator=(const ExecuteServer&) = delete;

    const std::string& path() const { return path_; }
    int fd() const { return fd_; }
    // A stale socket file was removed on the way.
    bool replacedStale() const { return replacedStale_; }

    // Waits up to `timeoutMs` for a connection, then answers every waiting
    // one: strings of other users are refused unanswered, strings that
    // arrive while `dialogOpen` says so are dropped. Returns the strings
    // accepted, in order of arrival.
    std::vector<std::string> takeStrings(int timeoutMs,
                                         const std::function<bool()>& dialogOpen = {});

  private:
    std::string path_;            // the socket file
    int fd_ = -1;                 // the listening socket
    bool replacedStale_ = false;  // a stale socket file was removed
    unsigned long device_ = 0;    // the socket file's device, to remove only our own
    unsigned long inode_ = 0;     // and its inode
};

}  // namespace brimwick::shell
