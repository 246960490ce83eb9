// The execute-string socket on Linux: AF_UNIX stream sockets, the peer's
// credentials from SO_PEERCRED, and poll() for every wait so that nothing
// waits without a bound.
#include "shell/execute_socket.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <fcntl.h>
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
// An answer's first line and the command's message.
constexpr std::size_t kLargestAnswer = 8192;
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
// the deadline (`closed` says whether the other side closed first).
std::string readUntilClosed(int fd, std::size_t keep, Clock::time_point deadline,
                            bool* closed = nullptr) {
    std::string received;
    char chunk[kReadChunk];
    if (closed != nullptr) *closed = false;
    while (waitFor(fd, POLLIN, deadline)) {
        ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (closed != nullptr) *closed = true;
            break;
        }
        std::size_t room = keep - received.size();
        received.append(chunk, std::min(room, static_cast<std::size_t>(n)));
    }
    return received;
}

bool sendAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// The answer's first line and what follows it.
DeliveryResult parseAnswer(const std::string& answer) {
    std::size_t end = answer.find('\n');
    std::string first = answer.substr(0, end);
    std::string rest = end == std::string::npos ? "" : answer.substr(end + 1);
    while (!rest.empty() && rest.back() == '\n') rest.pop_back();
    if (first == kDoneAnswer) return {Delivery::Done, rest};
    if (first == kFailedAnswer) return {Delivery::Failed, rest};
    if (first == kDroppedAnswer) return {Delivery::Dropped, rest};
    return {Delivery::Broken, "the running instance answered: " + answer};
}

bool ownedPrivately(const struct stat& st) {
    return st.st_uid == ::geteuid();
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

std::optional<std::string> untrustedSocket(const std::string& path) {
    std::size_t slash = path.rfind('/');
    std::string directory = slash == std::string::npos ? "." : path.substr(0, slash);
    if (directory.empty()) directory = "/";
    struct stat st {};
    if (::stat(directory.c_str(), &st) != 0) return std::nullopt;  // nothing listens there
    if (!ownedPrivately(st))
        return "the socket directory " + directory + " belongs to user " +
               std::to_string(st.st_uid) + ", not to you";
    if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return "others may write into the socket directory " + directory;
    if (::lstat(path.c_str(), &st) != 0) return std::nullopt;
    if (!S_ISSOCK(st.st_mode)) return path + " is not a socket";
    if (!ownedPrivately(st))
        return "the socket " + path + " belongs to user " + std::to_string(st.st_uid) +
               ", not to you";
    return std::nullopt;
}

DeliveryResult sendExecuteString(const std::string& path, std::string_view text,
                                 int answerTimeoutMs) {
    if (std::optional<std::string> why = untrustedSocket(path))
        return {Delivery::Untrusted, *why + "; nothing was handed over"};
    int fd;
    try {
        fd = connectTo(path);
    } catch (const SocketError& e) {
        return {Delivery::Broken, e.message};
    }
    if (fd < 0) {
        if (errno == ENOENT) return {Delivery::NoInstance, ""};
        if (errno == ECONNREFUSED) return {Delivery::Stale, ""};
        return {Delivery::Broken, "cannot connect to " + path + ": " + reason(errno)};
    }
    Socket s(fd);
    // Whoever listens must be this user, too.
    ucred peer{};
    socklen_t length = sizeof peer;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0 || peer.uid != ::geteuid())
        return {Delivery::Untrusted, "the process listening at " + path + " belongs to user " +
                                         std::to_string(peer.uid) +
                                         ", not to you; nothing was handed over"};
    auto deadline = Clock::now() + std::chrono::milliseconds(answerTimeoutMs);
    while (!text.empty()) {
        if (!waitFor(fd, POLLOUT, deadline))
            return {Delivery::Unanswered, "the running instance took no string in time"};
        ssize_t n = ::send(fd, text.data(), text.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) return {Delivery::Broken, "the running instance refused the connection"};
        text.remove_prefix(static_cast<std::size_t>(n));
    }
    ::shutdown(fd, SHUT_WR);
    bool closed = false;
    std::string answer = readUntilClosed(fd, kLargestAnswer, deadline, &closed);
    if (answer.empty()) {
        if (!closed) return {Delivery::Unanswered, ""};
        return {Delivery::Broken, "the running instance closed the connection without an answer"};
    }
    return parseAnswer(answer);
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

Arrival::Arrival(std::string text, int fd) : text_(std::move(text)), fd_(fd) {}

Arrival::Arrival(Arrival&& other) noexcept : text_(std::move(other.text_)), fd_(other.fd_) {
    other.fd_ = -1;
}

Arrival& Arrival::operator=(Arrival&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) drop("Brimwick ended before the string ran");
        text_ = std::move(other.text_);
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

Arrival::~Arrival() {
    if (fd_ >= 0) drop("Brimwick ended before the string ran");
}

void Arrival::answer(bool done, std::string_view message) {
    send(done ? kDoneAnswer : kFailedAnswer, message);
}

void Arrival::drop(std::string_view reason) {
    traceLog() << "\n Execute string dropped: " << text_;
    send(kDroppedAnswer, reason);
}

void Arrival::send(std::string_view first, std::string_view message) {
    if (fd_ < 0) return;
    std::string answer = std::string(first) + "\n" + std::string(message);
    if (answer.size() > kLargestAnswer) answer.resize(kLargestAnswer);
    // The client waits for it; a client gone away loses nothing.
    sendAll(fd_, answer);
    ::close(fd_);
    fd_ = -1;
}

ExecuteServer::ExecuteServer(std::string path, int receiveTimeoutMs)
    : path_(std::move(path)), receiveTimeoutMs_(receiveTimeoutMs) {
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
    int wake[2];
    if (::pipe2(wake, O_CLOEXEC | O_NONBLOCK) == 0) {
        wakeRead_ = wake[0];
        wakeWrite_ = wake[1];
    }
    fd_ = s.release();
}

ExecuteServer::~ExecuteServer() {
    for (Pending& p : pending_) {
        sendAll(p.fd, std::string(kDroppedAnswer) + "\nBrimwick is ending");
        ::close(p.fd);
    }
    ::close(fd_);
    if (wakeRead_ >= 0) ::close(wakeRead_);
    if (wakeWrite_ >= 0) ::close(wakeWrite_);
    // Remove the socket file only while it is still ours.
    struct stat st {};
    if (::lstat(path_.c_str(), &st) == 0 && static_cast<unsigned long>(st.st_dev) == device_ &&
        static_cast<unsigned long>(st.st_ino) == inode_)
        ::unlink(path_.c_str());
}

void ExecuteServer::wake() {
    char byte = 1;
    if (wakeWrite_ >= 0) {
        [[maybe_unused]] auto written = ::write(wakeWrite_, &byte, 1);
    }
}

void ExecuteServer::acceptWaiting() {
    while (pending_.size() < kMostPendingConnections) {
        int fd = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            if (errno == EINTR) continue;
            return;  // nobody else waiting
        }
        ucred peer{};
        socklen_t length = sizeof peer;
        if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0 ||
            peer.uid != ::geteuid()) {
            traceLog() << "\n Execute string refused: user " << static_cast<long>(peer.uid);
            ::close(fd);
            continue;
        }
        pending_.push_back(
            {fd, Clock::now() + std::chrono::milliseconds(receiveTimeoutMs_), std::string()});
    }
}

bool ExecuteServer::readSome(Pending& p) {
    char chunk[kReadChunk];
    for (;;) {
        ssize_t n = ::read(p.fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno != EAGAIN && errno != EWOULDBLOCK;
        if (n == 0) return true;
        // One character more than the limit shows that a string is too long.
        std::size_t room = kExecuteStringLimit + 1 - p.received.size();
        p.received.append(chunk, std::min(room, static_cast<std::size_t>(n)));
    }
}

std::vector<Arrival> ExecuteServer::takeStrings(int timeoutMs, const DropCheck& drop) {
    std::vector<Arrival> arrivals;
    // Wait for a connection, a client's bytes, a wake-up or the first
    // deadline of a silent client.
    std::vector<pollfd> watched;
    watched.push_back({fd_, POLLIN, 0});
    if (wakeRead_ >= 0) watched.push_back({wakeRead_, POLLIN, 0});
    auto until = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (const Pending& p : pending_) {
        watched.push_back({p.fd, POLLIN, 0});
        until = std::min(until, p.until);
    }
    int ready;
    do {
        ready = ::poll(watched.data(), watched.size(), msUntil(until));
    } while (ready < 0 && errno == EINTR && Clock::now() < until);
    if (wakeRead_ >= 0) {
        char bytes[64];
        while (::read(wakeRead_, bytes, sizeof bytes) > 0) {
        }
    }
    acceptWaiting();
    auto now = Clock::now();
    std::vector<Pending> still;
    for (Pending& p : pending_) {
        if (!readSome(p)) {
            if (now < p.until) {
                still.push_back(std::move(p));
            } else {
                traceLog() << "\n Execute string not sent in time";
                ::close(p.fd);
            }
            continue;
        }
        std::string text = std::move(p.received);
        if (text.empty()) {  // a look whether anybody listens
            ::close(p.fd);
            continue;
        }
        Arrival arrival(text, p.fd);
        if (std::optional<std::string> fault = executeStringFault(text)) {
            traceLog() << "\n Execute string refused: " << *fault;
            arrival.answer(false, *fault);
            continue;
        }
        if (drop) {
            if (std::optional<std::string> why = drop()) {
                arrival.drop(*why);
                continue;
            }
        }
        traceLog() << "\n Execute string taken: " << text;
        arrivals.push_back(std::move(arrival));
    }
    pending_ = std::move(still);
    return arrivals;
}

}  // namespace brimwick::shell
