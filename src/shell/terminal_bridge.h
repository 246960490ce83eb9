// The terminal as the link thread sees it. The link asks whether the
// terminal is shown and the window minimized before it mirrors the C64's
// screen, and announces each fully mirrored screen; the window reads the
// flags' other side and paints the last full screen. The screen is copied
// under a lock when it is complete, so the window never paints a half-read
// or half-converted screen while the link fetches the next one.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>

#include "link/screen_mirror.h"
#include "link/terminal_view.h"

namespace brimwick::shell {

class TerminalBridge : public link::TerminalView {
  public:
    // `mirror` is the link's screen mirror; `repaint` is called on the link
    // thread after each full screen and must only ask the window to repaint.
    TerminalBridge(const link::ScreenMirror& mirror, std::function<void()> repaint)
        : mirror_(mirror), repaint_(std::move(repaint)) {}

    // The window's side.
    void setShown(bool shown) { shown_ = shown; }
    void setMinimized(bool minimized) { minimized_ = minimized; }
    // The last full screen, row-major display characters.
    std::array<std::uint8_t, link::kScreenBytes> screen() const {
        std::lock_guard lock(mutex_);
        return screen_;
    }

    // The link's side.
    bool terminalShown() const override { return shown_.load(); }
    bool minimized() const override { return minimized_.load(); }
    void invalidateTerminal() override {
        {
            std::lock_guard lock(mutex_);
            screen_ = mirror_.screenMirror;
        }
        if (repaint_) repaint_();
    }

  private:
    const link::ScreenMirror& mirror_;  // the link's copy, read on the link thread only
    std::function<void()> repaint_;     // asks the window to repaint the rows
    std::atomic<bool> shown_{false};    // terminal mode is on
    std::atomic<bool> minimized_{false};  // the window is minimized
    mutable std::mutex mutex_;          // guards screen_
    std::array<std::uint8_t, link::kScreenBytes> screen_{};  // the last full screen
};

}  // namespace brimwick::shell
