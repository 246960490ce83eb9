// The virtual C64's jiffy: keyboard scan, editor, direct mode.
#include "c64/vc64/virtual_basic.h"

#include "c64/vc64/basic_program.h"
#include "link/c64_locations.h"

namespace brimwick::c64::vc64 {

VirtualBasic::VirtualBasic(VirtualKernal& machineKernal)
    : kernal(machineKernal), direct(machineKernal), resetsSeen_(machineKernal.resetsSeen) {
    clearProgram(kernal.c64.memory);
}

Task<int> VirtualBasic::jiffy() {
    int key = co_await kernal.scanKeyboard();
    auto& memory = kernal.c64.memory;
    if (kernal.resetsSeen != resetsSeen_) {
        // The reset started BASIC afresh: no program, the wedge at drive 8.
        resetsSeen_ = kernal.resetsSeen;
        clearProgram(memory);
        direct.wedgeDevice = kWedgeDevice;
    }
    // The editor takes the keys from the keyboard buffer one by one; a line
    // that RETURN ends runs before the next key is taken, as keys typed
    // during a LOAD wait in the buffer until BASIC is back at READY.
    while (memory.read(link::kC64KeyCount) > 0) {
        int next = memory.read(link::kC64KeyBuffer);
        int count = memory.read(link::kC64KeyCount);
        for (int i = 1; i < count; ++i)
            memory.write(link::kC64KeyBuffer + i - 1, memory.read(link::kC64KeyBuffer + i));
        memory.write(link::kC64KeyCount, static_cast<std::uint8_t>(count - 1));
        if (next != kKeyReturn) {
            kernal.screen.type(memory, next);
            continue;
        }
        lastLine = kernal.screen.logicalLine(memory);
        kernal.screen.type(memory, next);
        ++linesRun;
        co_await direct.run(lastLine);
    }
    co_return key;
}

}  // namespace brimwick::c64::vc64
