// The trace log's sinks.
#include "platform/trace_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/file.h"

namespace brimwick::platform {

TraceLog::~TraceLog() {
    close();
}

bool TraceLog::open(const std::string& path) {
    return open(path, path != kTraceFileName);
}

bool TraceLog::open(const std::string& path, bool followLinks) {
    std::lock_guard lock(mutex_);
    closeLocked();
    // Never waits: a FIFO without a reader fails at once, and is refused
    // with a reader too.
    int flags = O_WRONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK | (followLinks ? 0 : O_NOFOLLOW);
    int fd;
    do {
        fd = ::open(path.c_str(), flags, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        int cause = errno;
        std::string kind = specialFileKind(path, followLinks ? Links::Follow : Links::Refuse);
        failure_ = kind.empty() || kind == "a directory"
                       ? std::string(std::strerror(cause))
                       : "it is " + kind + ", not a regular file";
        return false;
    }
    struct stat st {};
    // Only a regular file is emptied, and only once it is known to be one.
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || ::ftruncate(fd, 0) != 0) {
        failure_ = !S_ISREG(st.st_mode) ? "it is not a regular file" : std::strerror(errno);
        ::close(fd);
        return false;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    fd_ = fd;
    sink_ = Sink::File;
    return true;
}

void TraceLog::captureInMemory() {
    std::lock_guard lock(mutex_);
    closeLocked();
    memory_.clear();
    sink_ = Sink::Memory;
}

std::string TraceLog::capturedCopy() const {
    std::lock_guard lock(mutex_);
    return memory_;
}

void TraceLog::clearCaptured() {
    std::lock_guard lock(mutex_);
    memory_.clear();
}

void TraceLog::close() {
    std::lock_guard lock(mutex_);
    closeLocked();
}

void TraceLog::closeLocked() {
    flushLocked();
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (sink_ == Sink::File) sink_ = Sink::Discard;
}

void TraceLog::flushLocked() {
    std::string_view left = pending_;
    while (fd_ >= 0 && !left.empty()) {
        ssize_t n = ::write(fd_, left.data(), left.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;  // a full disk: the trace is diagnostic only
        left.remove_prefix(static_cast<std::size_t>(n));
    }
    pending_.clear();
}

void TraceLog::flush() {
    std::lock_guard lock(mutex_);
    flushLocked();
}

TraceLog& TraceLog::operator<<(std::string_view text) {
    std::lock_guard lock(mutex_);
    switch (sink_) {
        case Sink::File:
            // Straight to the file, so `tail -f message.txt` follows a
            // session as it runs and a crash loses nothing written before.
            pending_.append(text);
            flushLocked();
            break;
        case Sink::Memory:
            memory_.append(text);
            break;
        case Sink::Discard:
            break;
    }
    return *this;
}

TraceLog& traceLog() {
    static TraceLog log;
    return log;
}

}  // namespace brimwick::platform
