// The virtual C64's jiffy: keyboard scan, editor, direct mode.
#include "c64/vc64/virtual_basic.h"

#include "c64/vc64/basic_program.h"
#include "link/c64_locations.h"

namespace brimwick::c64::vc64 {

VirtualBasic::VirtualBasic(VirtualKernal& machineKernal)
    : kernal(machineKernal),
      machine(machineKernal),
      direct(machineKernal, machine),
      resetsSeen_(machineKernal.resetsSeen) {
    clearProgram(kernal.c64.memory);
}

Task<int> VirtualBasic::jiffy() {
    auto& memory = kernal.c64.memory;
    if (kernal.takeReset()) machine.powerUp();
    if (kernal.resetsSeen != resetsSeen_) {
        // The reset started BASIC afresh: no program, the wedge at drive 8.
        resetsSeen_ = kernal.resetsSeen;
        clearProgram(memory);
        direct.wedgeDevice = kWedgeDevice;
    }
    co_await machine.slice();
    switch (machine.takeEnd()) {
        case MachineCode::Ended::No:
            break;
        case MachineCode::Ended::Returned:
            co_await direct.resume();
            break;
        case MachineCode::Ended::Jumped:
            direct.afterSys.clear();
            direct.ready();
            break;
        case MachineCode::Ended::WarmStart:
            direct.afterSys.clear();
            kernal.screen.powerUp(memory);
            break;
    }
    // The editor takes the keys from the keyboard buffer one by one; a line
    // that RETURN ends runs before the next key is taken, as keys typed
    // during a LOAD wait in the buffer until BASIC is back at READY. While
    // a program runs, the keys wait for it.
    while (!machine.running && memory.read(link::kC64KeyCount) > 0) {
        int next = machine.jumpTable.takeKey();
        if (next != kKeyReturn) {
            kernal.screen.type(memory, next);
            continue;
        }
        lastLine = kernal.screen.logicalLine(memory);
        kernal.screen.type(memory, next);
        ++linesRun;
        co_await direct.run(lastLine);
    }
    co_return machine.lastKey;
}

}  // namespace brimwick::c64::vc64
