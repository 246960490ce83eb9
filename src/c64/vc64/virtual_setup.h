// Everything the PC side needs to serve a C64, wired to the virtual C64
// through the virtual cable: the ten drives, the settings record, the link,
// the keyboard feed, the screen mirror and the dispatcher. Tests, the
// benchmarks, `brimwick-cli vc64`, `brimwick-cli serve --virtual-c64` and
// the desktop window's virtual C64 all build on it. A program that keeps
// the virtual C64 running calls `jiffy()` 60 times a second from the one
// thread that owns the setup (see virtual_basic.h).
#pragma once

#include <utility>

#include "c64/vc64/virtual_basic.h"
#include "c64/vc64/virtual_c64.h"
#include "c64/vc64/virtual_kernal.h"
#include "link/pc_side.h"

namespace brimwick::c64::vc64 {

class VirtualSetup : public link::PcSide {
  public:
    VirtualC64 c64;             // the far end
    VirtualKernal kernal{c64};  // its file routines
    VirtualBasic basic{kernal};  // BASIC at the READY prompt

    VirtualSetup();

    // One jiffy of the virtual C64, served to its end: the keyboard scan
    // (request 3: the PC's typed key in, and while the PC's terminal is
    // shown a step of its screen mirror) and every line that RETURN
    // completes, run by BASIC's direct mode. Returns the key delivered, 0
    // for none. A protocol error of the PC side is left in `c64.cable.failure`.
    int jiffy() { return run(basic.jiffy()); }

    // Runs one operation of the virtual kernal to its end, the PC polling.
    template <typename T>
    T run(Task<T> operation) {
        T value{};
        auto wrapper = [](Task<T> op, T& out) -> Task<int> {
            out = co_await op;
            co_return 0;
        };
        c64.run(wrapper(std::move(operation), value), [this] { dispatcher.poll(); });
        return value;
    }
};

}  // namespace brimwick::c64::vc64
