// The link on its own thread: jobs run there between looks at the link,
// the counters reach other threads, the shutdown runs what was queued, and
// a question asked on the link thread is answered on the window's thread
// (or as cancelled when the window closes first). Run under ThreadSanitizer
// by `make test-tsan`.
#include "shell/link_thread.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>
#include <thread>

#include "c64/vc64/virtual_setup.h"
#include "platform/trace_log.h"
#include "recording_dialogs.h"
#include "shell/dialog_broker.h"
#include "shell/terminal_bridge.h"
#include "shell/virtual_c64_session.h"
#include "temp_dir.h"

namespace brimwick::shell {
namespace {

using namespace std::chrono_literals;

// Waits up to two seconds for `done`.
template <typename F>
bool eventually(F done) {
    auto until = std::chrono::steady_clock::now() + 2s;
    while (!done()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

// The virtual C64 served from a link thread, as the window serves it.
class VirtualLinkThread : public ::testing::Test {
  protected:
    c64::vc64::VirtualSetup setup;
    std::ostringstream lines;
    VirtualC64Session session{setup, lines};
    LinkThread thread{setup.dispatcher, nullptr, [this] {
                          session.pollKeyboard();
                          return 1;
                      }};
    VirtualLinkThread() { platform::traceLog().captureInMemory(); }
    ~VirtualLinkThread() override {
        thread.stop();
        platform::traceLog().close();
    }
    // Runs `f` on the link thread and waits for its result.
    template <typename F>
    auto ask(F f) {
        std::promise<decltype(f())> result;
        thread.post([&] { result.set_value(f()); });
        return result.get_future().get();
    }
};

TEST_F(VirtualLinkThread, JobsRunOnTheLinkThreadBetweenLooks) {
    std::atomic<bool> inStep{false};
    std::atomic<int> overlaps{0};
    std::atomic<int> ran{0};
    std::thread::id where;
    LinkThread own(setup.dispatcher, nullptr, [&] {
        inStep = true;
        session.pollKeyboard();
        inStep = false;
        return 0;
    });
    own.start();
    for (int i = 0; i < 50; ++i)
        own.post([&] {
            if (inStep) ++overlaps;
            where = std::this_thread::get_id();
            ++ran;
        });
    ASSERT_TRUE(eventually([&] { return ran == 50; }));
    own.stop();
    EXPECT_EQ(overlaps, 0);
    EXPECT_NE(where, std::this_thread::get_id());
}

TEST_F(VirtualLinkThread, TypedKeysReachTheC64AndTheCountersMove) {
    thread.start();
    for (int key : {'l', 'i', 's', 't'}) {
        thread.post([this, key] { setup.keyboard.typeKey(key); });
        // Each key waits for its keyboard poll before the next is typed.
        ASSERT_TRUE(eventually([&] { return ask([&] { return !setup.keyboard.keyPending; }); }));
    }
    ASSERT_TRUE(eventually([&] { return thread.bytesRead() > 0 && thread.bytesWritten() > 0; }));
    thread.stop();
    std::string second;
    for (int c = 0; c < 4; ++c)
        second += static_cast<char>(
            link::screenCodeToDisplay(setup.c64.memory.read(link::kC64Screen + 40 + c)));
    EXPECT_EQ(second, "LIST");
    EXPECT_EQ(thread.bytesRead(), setup.link.bytesRead);
}

TEST_F(VirtualLinkThread, StopRunsTheQueuedJobsThenTheFinish) {
    std::vector<int> order;
    thread.start();
    thread.post([&] { order.push_back(1); });
    thread.post([&] { order.push_back(2); });
    thread.stop([&] { order.push_back(3); });
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
    EXPECT_FALSE(thread.running());
    // Afterwards a job runs at once on the caller's thread.
    thread.post([&] { order.push_back(4); });
    EXPECT_EQ(order.back(), 4);
}

TEST_F(VirtualLinkThread, TheTerminalGetsWholeScreensOnlyWhileShown) {
    int repaints = 0;
    std::mutex m;
    TerminalBridge bridge(setup.mirror, [&] {
        std::lock_guard lock(m);
        ++repaints;
    });
    setup.dispatcher.view = &bridge;
    thread.start();
    std::this_thread::sleep_for(50ms);
    {
        std::lock_guard lock(m);
        EXPECT_EQ(repaints, 0) << "terminal off: nothing mirrored";
    }
    bridge.setShown(true);
    ASSERT_TRUE(eventually([&] {
        std::lock_guard lock(m);
        return repaints > 0;
    }));
    thread.stop();
    setup.dispatcher.view = nullptr;
    auto screen = bridge.screen();
    EXPECT_EQ(std::string(screen.begin(), screen.begin() + 6), "READY.");
}

// A window thread: runs what is posted to it until told to end.
class FakeWindowThread {
  public:
    void post(std::function<void()> f) {
        {
            std::lock_guard lock(m_);
            queue_.push_back(std::move(f));
        }
        cv_.notify_one();
    }
    // Runs posted functions until `until` is true.
    void runUntil(const std::function<bool()>& until) {
        while (!until()) {
            std::function<void()> f;
            {
                std::unique_lock lock(m_);
                cv_.wait_for(lock, 1ms, [&] { return !queue_.empty(); });
                if (queue_.empty()) continue;
                f = std::move(queue_.front());
                queue_.pop_front();
            }
            f();
        }
    }

  private:
    std::mutex m_;
    std::condition_variable cv_;
    std::deque<std::function<void()>> queue_;
};

TEST(DialogBrokerTest, QuestionsFromTheLinkThreadAreShownOnTheWindowThread) {
    testing::RecordingDialogs window;
    window.driveAnswer = 7;
    FakeWindowThread gui;
    DialogBroker broker(window, [&](std::function<void()> f) { gui.post(std::move(f)); });
    std::thread::id shownOn;
    window.whileOpen = [&] { shownOn = std::this_thread::get_id(); };
    std::atomic<bool> done{false};
    platform::MessageAnswer answer{};
    std::optional<int> drive;
    std::thread link([&] {
        answer = broker.messageBox("Illegal Device", "Brimwick", platform::MessageButtons::YesNo,
                                   platform::MessageIcon::Stop);
        drive = broker.selectDrive();
        done = true;
    });
    gui.runUntil([&] { return done.load(); });
    link.join();
    EXPECT_EQ(answer, platform::MessageAnswer::Yes);
    EXPECT_EQ(drive, 7);
    EXPECT_EQ(shownOn, std::this_thread::get_id());
    ASSERT_EQ(window.texts.size(), 1u);
    EXPECT_EQ(window.texts[0], "Illegal Device");
    // On the window's own thread the dialog is shown at once.
    EXPECT_EQ(broker.selectDrive(), 7);
}

TEST(DialogBrokerTest, ClosingAnswersAWaitingQuestionAsCancelled) {
    testing::RecordingDialogs window;
    std::mutex m;
    std::vector<std::function<void()>> neverRun;
    DialogBroker broker(window, [&](std::function<void()> f) {
        std::lock_guard lock(m);
        neverRun.push_back(std::move(f));
    });
    std::atomic<bool> done{false};
    platform::MessageAnswer answer{};
    ::testing::internal::CaptureStderr();
    std::thread link([&] {
        answer = broker.messageBox("Save?", "Brimwick", platform::MessageButtons::OkCancel,
                                   platform::MessageIcon::Question);
        done = true;
    });
    ASSERT_TRUE(eventually([&] {
        std::lock_guard lock(m);
        return !neverRun.empty();
    }));
    EXPECT_FALSE(done);
    EXPECT_TRUE(eventually([&] { return broker.waiting(); }));
    broker.close();
    link.join();
    EXPECT_FALSE(broker.waiting());
    EXPECT_EQ(answer, platform::MessageAnswer::Cancel);
    // A message the window did not show is not lost: it goes to the console,
    // as it does for a message asked for after the window closed.
    std::thread late([&] {
        broker.messageBox("Cannot save disk.d64: No space left on device", "Brimwick",
                          platform::MessageButtons::Ok, platform::MessageIcon::Stop);
    });
    late.join();
    std::string console = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(console.find("Brimwick: Save?\n"), std::string::npos) << console;
    EXPECT_NE(console.find("Brimwick: Cannot save disk.d64: No space left on device\n"),
              std::string::npos)
        << console;
    // The window's late turn shows nothing.
    neverRun.front()();
    EXPECT_TRUE(window.texts.empty());
    std::optional<int> none = 0;
    std::thread after([&] { none = broker.selectDrive(); });
    after.join();
    EXPECT_EQ(none, std::nullopt);
}

TEST(DialogBrokerTest, CancelledAnswers) {
    using B = platform::MessageButtons;
    using A = platform::MessageAnswer;
    EXPECT_EQ(cancelledAnswer(B::Ok), A::Ok);
    EXPECT_EQ(cancelledAnswer(B::OkCancel), A::Cancel);
    EXPECT_EQ(cancelledAnswer(B::YesNo), A::No);
    EXPECT_EQ(cancelledAnswer(B::YesNoCancel), A::Cancel);
    EXPECT_EQ(cancelledAnswer(B::RetryCancel), A::Cancel);
}

}  // namespace
}  // namespace brimwick::shell
