// The virtual C64's link routine.
#include "c64/vc64/virtual_c64.h"

#include "c64/vc64/hex_text.h"
#include "link/link_port.h"
#include "link/request_codes.h"

namespace brimwick::c64::vc64 {

namespace {
// Suspends for good: used when the C64 has abandoned an operation; the owner
// of the operation destroys it.
struct Forever {
    bool await_ready() const noexcept { return false; }
    void await_suspend(std::coroutine_handle<>) const noexcept {}
    void await_resume() const noexcept {}
};
}  // namespace

Task<int> VirtualC64::sendByte(std::uint8_t value) {
    if (cable.countByte(false, value)) {
        cable.abandon();
        co_await Forever{};
    }
    for (int step = 0; step < 4; ++step)
        co_await cable.step(step % 2 == 0 ? 1 : 0, (value >> (2 * step)) & 3);
    co_return 0;
}

Task<int> VirtualC64::receiveByte() {
    int value = 0;
    for (int step = 0; step < 4; ++step) {
        int pairIn = co_await cable.step(step % 2 == 0 ? 1 : 0, 0);
        value |= pairIn << (2 * step);
    }
    if (cable.countByte(true, static_cast<std::uint8_t>(value))) {
        cable.abandon();
        co_await Forever{};
    }
    co_return value;
}

void VirtualC64::presetBlock(int address, int length) {
    int m = -length;
    pointer = (address - (m & 0xFF)) & 0xFFFF;
    counter1 = (m >> 8) & 0xFF;
    counter2 = m & 0xFF;
}

Task<int> VirtualC64::readBlock() {
    // The kernal's block loop: index from counter byte 2 up to 255 over the
    // pointer's page, then the next page, counting pages with byte 1 up to 0.
    int base = pointer;
    int index = counter2;
    int pages = counter1;
    do {
        for (; index < 256; ++index) co_await sendByte(memory.read(base + index));
        base += 256;
        index = 0;
        pages = (pages + 1) & 0xFF;
    } while (pages != 0);
    co_return 0;
}

Task<int> VirtualC64::writeBlock() {
    int base = pointer;
    int index = counter2;
    int pages = counter1;
    do {
        for (; index < 256; ++index) {
            int value = co_await receiveByte();
            memory.write(base + index, static_cast<std::uint8_t>(value));
        }
        base += 256;
        index = 0;
        pages = (pages + 1) & 0xFF;
    } while (pages != 0);
    co_return 0;
}

int VirtualC64::callRoutine(int address, std::uint8_t accumulator) {
    if (address == link::kC64SetStatus) {
        memory.write(link::kC64StatusByte,
                     static_cast<std::uint8_t>(memory.read(link::kC64StatusByte) | accumulator));
        return memory.read(link::kC64StatusByte);
    }
    cable.fail("PC called $" + hex4(address) + ", which is no routine of this kernal");
    return 0;
}

Task<int> VirtualC64::request(std::uint8_t code) {
    // The kernal diverts to the PC only while the presence line is up. (The
    // previous request's release has already waited for the PC to look.)
    resultSet = false;
    if (!cable.presence) co_return kNotDiverted;
    ++requests;
    cable.requestLines = true;
    co_await sendByte(code);
    if (code == kUploadRequest) {
        // The loader takes a kernal's worth of raw bytes before it listens
        // for link commands again.
        uploaded.clear();
        for (int i = 0; i < kKernalSize; ++i)
            uploaded.push_back(static_cast<std::uint8_t>(co_await receiveByte()));
    }
    if (code == link::kKernalDump) {
        // The RAM kernal loader: its kernal ROM out, then the PC's answer.
        for (int i = 0; i < kKernalSize; ++i)
            co_await sendByte(i < static_cast<int>(romDump.size()) ? romDump[std::size_t(i)] : 0);
        int length = co_await receiveByte();
        dumpAnswer.clear();
        for (int i = 0; i < length; ++i)
            dumpAnswer.push_back(static_cast<std::uint8_t>(co_await receiveByte()));
    }
    for (;;) {
        int command = co_await receiveByte();
        switch (command) {
            case link::kReadBlock:
                co_await readBlock();
                break;
            case link::kWriteBlock:
                co_await writeBlock();
                break;
            case link::kCallRoutine: {
                int a = co_await receiveByte();
                int answer = callRoutine(pointer, static_cast<std::uint8_t>(a));
                if (!cable.failure.empty()) co_await Forever{};
                co_await sendByte(static_cast<std::uint8_t>(answer));
                break;
            }
            case link::kSetPointer: {
                int low = co_await receiveByte();
                int high = co_await receiveByte();
                pointer = low | (high << 8);
                break;
            }
            case link::kSetCounter:
                counter1 = co_await receiveByte();
                counter2 = co_await receiveByte();
                break;
            case link::kGetCounter:
                co_await sendByte(static_cast<std::uint8_t>(counter1));
                co_await sendByte(static_cast<std::uint8_t>(counter2));
                break;
            case link::kGetPointer:
                co_await sendByte(static_cast<std::uint8_t>(pointer & 0xFF));
                co_await sendByte(static_cast<std::uint8_t>(pointer >> 8));
                break;
            case link::kGetArgument:
                co_await sendByte(argument);
                break;
            case link::kPutResult:
                result = static_cast<std::uint8_t>(co_await receiveByte());
                resultSet = true;
                break;
            case link::kServed:
            case link::kDeclined:
                co_await cable.releaseLines();
                co_return command;
            default:
                cable.fail("PC sent " + std::to_string(command) +
                           ", which is no link command (request " + std::to_string(code) + ")");
                co_await Forever{};
        }
    }
}

int VirtualC64::run(Task<int> operation, const std::function<void()>& pcPoll) {
    operation.start();
    int polls = 0;
    while (!operation.done()) {
        if (cable.wait == VirtualCable::Wait::Nothing) {
            // The C64 abandoned the operation (protocol error, dropped lines
            // or a reset): the frame is destroyed with `operation`.
            return kNotDiverted;
        }
        if (++polls > maxPolls) {
            cable.fail("the PC stopped serving the C64");
            return kNotDiverted;
        }
        pcPoll();
    }
    return operation.result();
}

}  // namespace brimwick::c64::vc64
