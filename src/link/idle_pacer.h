// Keeps the link's latency without burning a core while the C64 is quiet.
// While requests keep coming the port is polled without pause, as the
// handshake needs; after a quiet spell each poll is followed by a short wait
// (a sleep of at most a millisecond, or the parport driver's interrupt on the
// request line), which a C64 opening a request hardly notices.
#pragma once

#include <chrono>

#include "link/port_io.h"

namespace brimwick::link {

inline constexpr int kQuietSpellMs = 100;  // polling goes on without pause this long
inline constexpr int kIdleWaitUs = 1000;   // then each idle poll waits at most this long

class IdlePacer {
  public:
    std::chrono::steady_clock::time_point lastActivity =
        std::chrono::steady_clock::now();  // last served request
    int quietSpellMs = kQuietSpellMs;      // how long after activity polling stays continuous
    int idleWaitUs = kIdleWaitUs;          // wait per idle poll after that

    // Called after every poll with whether it served a request.
    void afterPoll(bool served, PortIo& io) {
        auto now = std::chrono::steady_clock::now();
        if (served) {
            lastActivity = now;
            return;
        }
        if (now - lastActivity >= std::chrono::milliseconds(quietSpellMs))
            io.waitForActivity(idleWaitUs);
    }
};

}  // namespace brimwick::link
