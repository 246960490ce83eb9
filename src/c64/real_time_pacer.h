// Keeps the emulated C64 at its own speed: PAL 985,248 cycles a second
// (NTSC 1,022,727), measured against the PC's steady clock. The caller asks
// how many cycles are due, runs them (as fast as the PC can), and waits
// while none are. A C64 that fell more than half a second behind (a PC
// that was busy, a stopped debugger) picks up from now instead of racing
// to catch up.
#pragma once

#include <chrono>
#include <cstdint>

namespace brimwick::c64 {

class RealTimePacer {
  public:
    using Clock = std::chrono::steady_clock;

    explicit RealTimePacer(int clockHz) : clockHz_(clockHz) {}

    // Cycles the C64 owes now, given that it has run `cycles` in all.
    std::uint64_t cyclesDue(std::uint64_t cycles) {
        const Clock::time_point now = Clock::now();
        if (!started_) {
            started_ = true;
            startTime_ = now;
            startCycles_ = cycles;
        }
        const double seconds = std::chrono::duration<double>(now - startTime_).count();
        const auto target = startCycles_ + static_cast<std::uint64_t>(seconds * clockHz_);
        if (target <= cycles) return 0;
        if (target - cycles > static_cast<std::uint64_t>(clockHz_ / 2)) {
            startTime_ = now;  // too far behind: from now on
            startCycles_ = cycles;
            return 0;
        }
        return target - cycles;
    }

  private:
    int clockHz_;                   // the C64's cycles a second
    bool started_ = false;          // the first call set the start
    Clock::time_point startTime_;   // when counting began
    std::uint64_t startCycles_ = 0;  // the C64's cycles then
};

}  // namespace brimwick::c64
