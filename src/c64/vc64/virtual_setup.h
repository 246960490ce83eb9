// Everything the PC side needs to serve a C64, wired to the virtual C64
// through the virtual cable: the ten drives, the settings record, the link,
// the keyboard feed, the screen mirror and the dispatcher. Tests, the
// benchmarks and `brimwick-cli vc64` all build on it.
#pragma once

#include <utility>

#include "c64/vc64/virtual_c64.h"
#include "c64/vc64/virtual_kernal.h"
#include "link/pc_side.h"

namespace brimwick::c64::vc64 {

class VirtualSetup : public link::PcSide {
  public:
    VirtualC64 c64;             // the far end
    VirtualKernal kernal{c64};  // its file routines

    VirtualSetup();

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
