// Whatever is typed into the virtual C64 and whatever program it holds:
// the bytes up to the first 0 become the program at $0801 (relinked, as
// after a LOAD), the rest are keys for the screen editor, RETURN running
// each line in direct mode. No drive is served, so every file command
// meets a device that is not present; the screen must stay on the screen
// and the cable in step. A SYS or RUN that starts machine code runs it for
// a few jiffies on the 6510, whatever the bytes are.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "c64/vc64/basic_program.h"
#include "c64/vc64/virtual_setup.h"

namespace {

using namespace brimwick::c64::vc64;

void check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static VirtualSetup setup;
    C64Memory& memory = setup.c64.memory;
    memory = C64Memory{};
    VirtualScreen& screen = setup.kernal.screen;
    screen.powerUp(memory);
    setup.basic.machine.powerUp();
    clearProgram(memory);

    std::size_t at = 0;
    int address = kProgramStart;
    for (; at < size && data[at] != 0 && address < kProgramLimit; ++at) memory.write(address++, data[at]);
    setProgramEnd(memory, address);
    relink(memory);
    check(programLines(memory).size() <= static_cast<std::size_t>(kProgramLimit - kProgramStart));

    for (++at; at < size; ++at) {
        if (data[at] != kKeyReturn) {
            screen.type(memory, data[at]);
        } else {
            std::vector<std::uint8_t> line = screen.logicalLine(memory);
            check(line.size() <= static_cast<std::size_t>(kLogicalLineRows * kVirtualColumns));
            screen.type(memory, kKeyReturn);
            setup.run(setup.basic.direct.run(line));
            check(setup.c64.cable.failure.empty());
            constexpr int kJiffiesPerProgram = 3;
            for (int i = 0; i < kJiffiesPerProgram && setup.basic.machine.running; ++i) {
                setup.jiffy();
                check(setup.c64.cable.failure.empty());
            }
            setup.basic.machine.powerUp();
            setup.basic.direct.afterSys.clear();
        }
        check(screen.row >= 0 && screen.row < kVirtualRows);
        check(screen.column >= 0 && screen.column < kVirtualColumns);
        check(screen.lineStart >= 0 && screen.lineStart <= screen.row);
    }
    return 0;
}
