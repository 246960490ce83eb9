// The execute-string socket on Linux: AF_UNIX stream sockets, the peer's
// credentials from SO_PEERCRED, and poll() for every wait so that nothing
// waits without a bound.
#include "shell/execute_socket.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "platform/trace_log.h"
#include "shell/command_string.h"

namespace brimwick::shell {

using platform::traceLog;

namespace {

constexpr int kListenBacklog = 16;
constexpr std::size_t kLargestAnswer = 64;
// More than any string needs; the rest of an overlong one is read and dropped.
constexpr std::size_t kReadChunk = 4096;

std::string reason(int cause) {
    return std::strerror(cause);
}

// A socket descriptor, closed when it goes.
class Socket {
  public:
    explicit Socket(int fd) : fd_(fd) {}
    ~Socket() {
        if (fd_ >= 0) ::close(fd_);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    int get() const { return fd_; }
    int release() {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }

  private:
    int fd_;  // the descriptor, -1 when none
};

sockaddr_un addressOf(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
        throw SocketError{"the socket path " + path + " is too long for a socket"};
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return address;
}

// Connects to `path`; the descriptor, or -1 with errno set.
int connectTo(const std::string& path) {
    sockaddr_un address = addressOf(path);
    Socket s(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (s.get() < 0) return -1;
    int result;
    do {
        result = ::connect(s.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
    } while (result != 0 && errno == EINTR);
    if (result != 0) return -1;
    return s.release();
}

using Clock = std::chrono::steady_clock;

int msUntil(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// Waits until `fd` has `events` or the deadline passes; false on time-out.
bool waitFor(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        pollfd p{fd, events, 0};
        int ready = ::poll(&p, 1, msUntil(deadline));
        if (ready > 0) return true;
        if (ready == 0 || errno != EINTR) return false;
        if (Clock::now() >= deadline) return false;
    }
}

// Reads until the other side closes, keeping at most `keep` bytes; stops at
// the deadline.
std::string readUntilClosed(int fd, std::size_t keep, Clock::time_point deadline) {
    std::string received;
    char chunk[kReadChunk];
    while (waitFor(fd, POLLIN, deadline)) {
        ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        std::size_t room = keep - received.size();
        received.append(chunk, std::min(room, static_cast<std::size_t>(n)));
    }
    return received;
}

bool sendAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

}  // namespace

std::string socketDirectory(bool create) {
    if (const char* runtime = std::getenv(kRuntimeDirectoryVariable);
        runtime != nullptr && *runtime != '\0') {
        struct stat st {};
        if (::stat(runtime, &st) != 0 || !S_ISDIR(st.st_mode))
            throw SocketError{std::string(kRuntimeDirectoryVariable) + " names " + runtime +
                              ", which is not a directory"};
        return runtime;
    }
    std::string directory = "/tmp/brimwick-" + std::to_string(::geteuid());
    if (create && ::mkdir(directory.c_str(), 0700) != 0 && errno != EEXIST)
        throw SocketError{"cannot create " + directory + ": " + reason(errno)};
    struct stat st {};
    if (::lstat(directory.c_str(), &st) != 0) {
        if (errno == ENOENT && !create) return directory;  // nothing listens there
        throw SocketError{"cannot use " + directory + ": " + reason(errno)};
    }
    // Anybody may make a directory in /tmp: use only our own, private one.
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::geteuid() || (st.st_mode & 077) != 0)
        throw SocketError{directory + " is not a private directory of this user; remove it"};
    return directory;
}

std::string socketPath(bool create) {
    return socketDirectory(create) + "/" + kSocketName;
}

DeliveryResult sendExecuteString(const std::string& path, std::string_view text,
                                 int answerTimeoutMs) {
    int fd;
    try {
        fd = connectTo(path);
    } catch (const SocketError& e) {
        return {Delivery::Failed, e.message};
    }
    if (fd < 0) {
        if (errno == ENOENT) return {Delivery::NoInstance, ""};
        if (errno == ECONNREFUSED) return {Delivery::Stale, ""};
        return {Delivery::Failed, "cannot connect to " + path + ": " + reason(errno)};
    }
    Socket s(fd);
    auto deadline = Clock::now() + std::chrono::milliseconds(answerTimeoutMs);
    while (!text.empty()) {
        if (!waitFor(fd, POLLOUT, deadline))
            return {Delivery::Failed, "the running instance takes no strings"};
        ssize_t n = ::send(fd, text.data(), text.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) return {Delivery::Failed, "the running instance refused the connection"};
        text.remove_prefix(static_cast<std::size_t>(n));
    }
    ::shutdown(fd, SHUT_WR);
    std::string answer = readUntilClosed(fd, kLargestAnswer, deadline);
    if (answer == kAcceptedAnswer) return {Delivery::Accepted, ""};
    if (answer == kDroppedAnswer) return {Delivery::Dropped, ""};
    if (answer.empty()) return {Delivery::Failed, "the running instance did not answer"};
    return {Delivery::Failed, "the running instance answered: " + answer};
}

bool instanceListening(const std::string& path) {
    try {
        int fd = connectTo(path);
        if (fd < 0) return false;
        ::close(fd);
        return true;
    } catch (const SocketError&) {
        return false;
    }
}

ExecuteServer::ExecuteServer(std::string path) : path_(std::move(path)) {
    sockaddr_un address = addressOf(path_);
    struct stat st {};
    if (::lstat(path_.c_str(), &st) == 0) {
        if (!S_ISSOCK(st.st_mode))
            throw SocketError{path_ + " exists and is not a socket; remove it"};
        if (instanceListening(path_))
            throw SocketError{"another Brimwick already takes execute strings at " + path_};
        // Left behind by an instance that ended without cleaning up.
        if (::unlink(path_.c_str()) != 0 && errno != ENOENT)
            throw SocketError{"cannot replace the stale socket " + path_ + ": " + reason(errno)};
        replacedStale_ = true;
        traceLog() << "\n Stale socket replaced: " << path_;
    }
    Socket s(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (s.get() < 0) throw SocketError{"cannot make a socket: " + reason(errno)};
    if (::bind(s.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        throw SocketError{"cannot listen at " + path_ + ": " + reason(errno)};
    // Only this user: the directory is private too, but the socket says so itself.
    ::chmod(path_.c_str(), 0600);
    if (::listen(s.get(), kListenBacklog) != 0) {
        int cause = errno;
        ::unlink(path_.c_str());
        throw SocketError{"cannot listen at " + path_ + ": " + reason(cause)};
    }
    if (::stat(path_.c_str(), &st) == 0) {
        device_ = static_cast<unsigned long>(st.st_dev);
        inode_ = static_cast<unsigned long>(st.st_ino);
    }
    fd_ = s.release();
}

ExecuteServer::~ExecuteServer() {
    ::close(fd_);
    // Remove the socket file only while it is still ours.
    struct stat st {};
    if (::lstat(path_.c_str(), &st) == 0 && static_cast<unsigned long>(st.st_dev) == device_ &&
        static_cast<unsigned long>(st.st_ino) == inode_)
        ::unlink(path_.c_str());
}

std::vector<std::string> ExecuteServer::takeStrings(int timeoutMs,
                                                    const std::function<bool()>& dialogOpen) {
    std::vector<std::string> accepted;
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, timeoutMs) <= 0) return accepted;
    for (;;) {
        Socket connection(::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC));
        if (connection.get() < 0) {
            if (errno == EINTR) continue;
            break;  // nobody else waiting
        }
        ucred peer{};
        socklen_t length = sizeof peer;
        if (::getsockopt(connection.get(), SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0 ||
            peer.uid != ::geteuid()) {
            traceLog() << "\n Execute string refused: user " << static_cast<long>(peer.uid);
            continue;
        }
        auto deadline = Clock::now() + std::chrono::milliseconds(kReceiveTimeoutMs);
        std::string text =
            takeExecuteString(readUntilClosed(connection.get(), kExecuteStringLimit, deadline));
        if (text.empty()) continue;  // a look whether anybody listens
        bool drop = dialogOpen && dialogOpen();
        sendAll(connection.get(), drop ? kDroppedAnswer : kAcceptedAnswer);
        traceLog() << (drop ? "\n Execute string dropped: " : "\n Execute string taken: ") << text;
        if (!drop) accepted.push_back(std::move(text));
    }
    return accepted;
}

}  // namespace brimwick::shell
