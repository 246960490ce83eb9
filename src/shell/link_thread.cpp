// The link thread's loop: look at the link, run the jobs, take execute
// strings when the C64 is quiet, wait as the serve step says.
#include "shell/link_thread.h"

#include <chrono>

namespace brimwick::shell {

LinkThread::LinkThread(link::RequestDispatcher& dispatcher, RunningInstance* instance,
                       ServeStep step)
    : dispatcher_(dispatcher), instance_(instance), step_(std::move(step)) {}

LinkThread::~LinkThread() {
    stop();
}

void LinkThread::start() {
    if (running()) return;
    stopping_ = false;
    publishCounters();
    thread_ = std::thread([this] { run(); });
}

void LinkThread::post(std::function<void()> job) {
    {
        std::unique_lock lock(mutex_);
        if (running() && !stopping_) {
            jobs_.push_back(std::move(job));
            jobsWaiting_ = true;
            lock.unlock();
            wake_.notify_one();
            return;
        }
    }
    job();
}

void LinkThread::stop(const std::function<void()>& finish) {
    if (!running()) {
        if (finish) finish();
        return;
    }
    {
        std::lock_guard lock(mutex_);
        if (finish) jobs_.push_back(finish);
        jobsWaiting_ = true;
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
    publishCounters();
}

bool LinkThread::runJobs() {
    if (!jobsWaiting_.load()) return false;
    std::deque<std::function<void()>> jobs;
    {
        std::lock_guard lock(mutex_);
        jobs.swap(jobs_);
        jobsWaiting_ = false;
    }
    for (auto& job : jobs) job();
    publishCounters();
    return true;
}

void LinkThread::publishCounters() {
    bytesRead_.store(dispatcher_.link.bytesRead, std::memory_order_relaxed);
    bytesWritten_.store(dispatcher_.link.bytesWritten, std::memory_order_relaxed);
}

void LinkThread::run() {
    while (!stopping_.load()) {
        runJobs();
        int waitMs = step_();
        publishCounters();
        steps_.fetch_add(1);
        // Execute strings only while the C64 is quiet, as serve takes them.
        if (instance_ != nullptr && waitMs != kServedRequest) instance_->runArrivedStrings(0);
        if (waitMs > 0) {
            std::unique_lock lock(mutex_);
            wake_.wait_for(lock, std::chrono::milliseconds(waitMs),
                           [this] { return jobsWaiting_.load() || stopping_.load(); });
        }
    }
    // What was queued before the stop, the shutdown last.
    runJobs();
}

}  // namespace brimwick::shell
