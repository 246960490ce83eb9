// The link on a thread of its own, so that a window stays responsive while a
// long transfer is served. The thread owns the drives, the dispatcher and the
// settings while it runs: everything else that touches them (execute strings,
// the window's buttons, keys typed into the terminal, changed preferences) is
// handed to it as a job and runs between two requests of the C64, never in
// the middle of one, just as if there were one thread.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "link/request_dispatcher.h"
#include "shell/running_instance.h"

namespace brimwick::shell {

// One look at the link. Returns kServedRequest when it served a request (the
// next look follows at once), otherwise how many milliseconds the loop may
// wait for a job before the next look (0: none); execute strings are taken
// only then, while the C64 is quiet.
using ServeStep = std::function<int()>;
inline constexpr int kServedRequest = -1;

class LinkThread {
  public:
    // Serves `dispatcher`'s cable with `step`; takes execute strings from
    // `instance` (may be null) when nothing was served.
    LinkThread(link::RequestDispatcher& dispatcher, RunningInstance* instance, ServeStep step);
    // Stops the loop (running the jobs queued so far) when still running.
    ~LinkThread();
    LinkThread(const LinkThread&) = delete;
    LinkThread& operator=(const LinkThread&) = delete;

    void start();
    // Queues `job` to run on the link thread between two requests. Before
    // start and after stop the job runs at once on the caller's thread.
    void post(std::function<void()> job);
    // Ends serving: the jobs queued so far run, then `finish` (the shutdown
    // of the link, on the link thread), and the thread is joined.
    void stop(const std::function<void()>& finish = {});
    bool running() const { return thread_.joinable(); }
    // True on the link thread itself.
    bool onLinkThread() const { return std::this_thread::get_id() == thread_.get_id(); }

    // The cable's byte counters as last seen after a look at the link.
    std::int32_t bytesRead() const { return bytesRead_.load(std::memory_order_relaxed); }
    std::int32_t bytesWritten() const { return bytesWritten_.load(std::memory_order_relaxed); }
    // Looks at the link taken so far (tests wait for the loop with it).
    std::uint64_t steps() const { return steps_.load(); }

  private:
    void run();
    // Runs every queued job; false when there was none.
    bool runJobs();
    void publishCounters();

    link::RequestDispatcher& dispatcher_;          // the cable's counters are read from it
    RunningInstance* instance_;                    // execute strings, or none
    ServeStep step_;                               // one look at the link
    std::mutex mutex_;                             // guards jobs_ and the wake-up
    std::condition_variable wake_;                 // a job arrived, or stop
    std::deque<std::function<void()>> jobs_;       // jobs waiting for the link thread
    std::atomic<bool> jobsWaiting_{false};         // jobs_ is not empty
    std::atomic<bool> stopping_{false};            // the loop is to end
    std::atomic<std::int32_t> bytesRead_{0};       // copy of the cable's bytesRead
    std::atomic<std::int32_t> bytesWritten_{0};    // copy of the cable's bytesWritten
    std::atomic<std::uint64_t> steps_{0};          // looks at the link so far
    std::thread thread_;                           // the link thread while running
};

}  // namespace brimwick::shell
