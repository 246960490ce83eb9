// A minimal lazily started coroutine for the virtual C64. The C64 side of the
// link is written as straight-line code ("send this byte, receive that one")
// and suspends whenever it waits for the PC's next handshake step; the cable
// resumes it from inside the PC's port access, so the whole conversation runs
// on one thread, deterministically and without context switches.
#pragma once

#include <coroutine>
#include <exception>
#include <utility>

namespace brimwick::c64::vc64 {

template <typename T>
class Task {
  public:
    struct promise_type {
        T value{};                             // the coroutine's result
        std::exception_ptr error;              // an exception it let escape
        std::coroutine_handle<> continuation;  // who awaits it, if anyone

        Task get_return_object() {
            return Task(std::coroutine_handle<promise_type>::from_promise(*this));
        }
        std::suspend_always initial_suspend() noexcept { return {}; }
        struct FinalAwaiter {
            bool await_ready() noexcept { return false; }
            std::coroutine_handle<> await_suspend(std::coroutine_handle<promise_type> h) noexcept {
                if (auto next = h.promise().continuation) return next;
                return std::noop_coroutine();
            }
            void await_resume() noexcept {}
        };
        FinalAwaiter final_suspend() noexcept { return {}; }
        void return_value(T v) { value = std::move(v); }
        void unhandled_exception() { error = std::current_exception(); }
    };

    Task() = default;
    explicit Task(std::coroutine_handle<promise_type> h) : handle_(h) {}
    Task(Task&& other) noexcept : handle_(std::exchange(other.handle_, {})) {}
    Task& operator=(Task&& other) noexcept {
        if (this != &other) {
            if (handle_) handle_.destroy();
            handle_ = std::exchange(other.handle_, {});
        }
        return *this;
    }
    Task(const Task&) = delete;
    Task& operator=(const Task&) = delete;
    ~Task() {
        if (handle_) handle_.destroy();
    }

    // Awaiting a task starts it and resumes the awaiter when it is done.
    bool await_ready() const noexcept { return false; }
    std::coroutine_handle<> await_suspend(std::coroutine_handle<> awaiting) noexcept {
        handle_.promise().continuation = awaiting;
        return handle_;
    }
    T await_resume() {
        if (handle_.promise().error) std::rethrow_exception(handle_.promise().error);
        return std::move(handle_.promise().value);
    }

    // For the top level: start, poll for the end, take the result.
    void start() { handle_.resume(); }
    bool valid() const { return static_cast<bool>(handle_); }
    bool done() const { return handle_ && handle_.done(); }
    T result() { return await_resume(); }

  private:
    std::coroutine_handle<promise_type> handle_;  // the coroutine frame, owned
};

}  // namespace brimwick::c64::vc64
