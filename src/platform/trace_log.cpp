// The trace log's sinks.
#include "platform/trace_log.h"

namespace brimwick::platform {

bool TraceLog::open(const std::string& path) {
    std::lock_guard lock(mutex_);
    closeLocked();
    file_.open(path, std::ios::out | std::ios::trunc | std::ios::binary);
    sink_ = file_.is_open() ? Sink::File : Sink::Discard;
    return sink_ == Sink::File;
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
    if (file_.is_open()) file_.close();
    if (sink_ == Sink::File) sink_ = Sink::Discard;
}

void TraceLog::flush() {
    std::lock_guard lock(mutex_);
    if (sink_ == Sink::File) file_.flush();
}

TraceLog& TraceLog::operator<<(std::string_view text) {
    std::lock_guard lock(mutex_);
    switch (sink_) {
        case Sink::File:
            // Straight to the file, so `tail -f message.txt` follows a
            // session as it runs and a crash loses nothing written before.
            file_.write(text.data(), static_cast<std::streamsize>(text.size()));
            file_.flush();
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
