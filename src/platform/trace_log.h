// The program-wide diagnostic trace, written to message.txt in the working
// directory as it happens (every write reaches the file at once). Callers
// write each line as "\n" followed by its text, numbers in decimal; nothing
// in the program reads the log back. Tests capture it in
// memory to check which lines were written. The desktop window writes from
// its own thread while the link thread serves, so every operation takes a
// lock; a line written with several << may interleave with another thread's.
// message.txt is a name of the program's own: a symbolic link, a FIFO or a
// device in its place is refused (nothing is truncated through a link, and
// nothing waits for a FIFO's reader); a trace file the person names is
// written through links.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <type_traits>

namespace brimwick::platform {

// Name of the trace file that the program opens in its working directory.
inline constexpr const char* kTraceFileName = "message.txt";

class TraceLog {
  public:
    TraceLog() = default;
    ~TraceLog();
    TraceLog(const TraceLog&) = delete;
    TraceLog& operator=(const TraceLog&) = delete;

    // Opens (truncating) the trace file; false when it cannot be created or
    // is no regular file (failure() says why), in which case the trace is
    // discarded. The default name refuses a symbolic link.
    bool open(const std::string& path = kTraceFileName);
    bool open(const std::string& path, bool followLinks);
    // Why the last open failed.
    const std::string& failure() const { return failure_; }
    // From now on keeps everything written in memory (and nothing on disk).
    void captureInMemory();
    // What was written since captureInMemory or the last clearCaptured
    // (only while no other thread writes).
    const std::string& captured() const { return memory_; }
    // The same as a copy, safe while another thread writes.
    std::string capturedCopy() const;
    void clearCaptured();
    // Flushes and closes the file; later writes are discarded.
    void close();
    void flush();

    TraceLog& operator<<(std::string_view text);
    TraceLog& operator<<(const char* text) { return *this << std::string_view(text ? text : ""); }
    TraceLog& operator<<(const std::string& text) { return *this << std::string_view(text); }
    TraceLog& operator<<(char c) { return *this << std::string_view(&c, 1); }
    template <typename Int>
    requires(std::is_integral_v<Int> && !std::is_same_v<Int, char> &&
             !std::is_same_v<Int, bool>) TraceLog&
    operator<<(Int value) {
        return *this << std::string_view(std::to_string(value));
    }

  private:
    enum class Sink { Discard, File, Memory };
    void closeLocked();
    void flushLocked();
    mutable std::mutex mutex_;   // one writer at a time
    Sink sink_ = Sink::Discard;  // where writes go
    int fd_ = -1;                // the trace file while Sink::File
    std::string pending_;        // written to the file, not yet handed to the system
    std::string memory_;         // captured text while Sink::Memory
    std::string failure_;        // why the last open failed
};

// The one trace log of the program.
TraceLog& traceLog();

}  // namespace brimwick::platform
