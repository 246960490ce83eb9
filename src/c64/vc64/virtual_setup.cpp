// Wiring the PC side to the virtual C64.
#include "c64/vc64/virtual_setup.h"

#include "c64/kernal/kernal_preparer.h"

namespace brimwick::c64::vc64 {

VirtualSetup::VirtualSetup() {
    answerKernalDumps(dispatcher);
    c64.cable.base = portBase();
    attach(c64.cable);
    // The first poll raises the presence line for the kernal.
    dispatcher.poll();
}

}  // namespace brimwick::c64::vc64
