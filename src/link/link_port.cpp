// The handshake and the link commands built on it.
#include "link/link_port.h"

#include <chrono>
#include <thread>

#include "config/settings.h"

namespace brimwick::link {

namespace {
// Status reads between two looks at the clock while waiting for a strobe.
constexpr int kReadsPerClockCheck = 256;
// C64 address of the processor port, which banks the BASIC ROM in and out.
constexpr int kProcessorPort = 0x0001;
// Processor port value with the BASIC ROM banked out, I/O and kernal kept.
constexpr std::uint8_t kBasicBankedOut = 0x36;
// LORAM and HIRAM of $01: both set, the BASIC ROM shows at $A000.
constexpr std::uint8_t kBasicRomVisible = 0x03;
// First address past the RAM below the BASIC ROM ($A000-$BFFF).
constexpr int kBasicRomStart = 0xA000;
}  // namespace

void LinkPort::selectPort(int portChoice, PortIo* backend) {
    selectBase(config::portBaseFor(portChoice), backend);
}

void LinkPort::selectBase(int base, PortIo* backend) {
    io = backend;
    dataPort = base;
    statusPort = base + kStatusRegister;
}

void LinkPort::waitForStrobe(int level) {
    auto deadline = std::chrono::steady_clock::time_point{};
    for (int reads = 0;; ++reads) {
        std::uint8_t status = readPortByte(statusPort);
        if ((status & kRequestLines) != kRequestLines) throw c64error{kLinkBroken};
        if (((status & kC64Strobe) != 0 ? 1 : 0) == level) return;
        // A C64 that stops in the middle of a byte while holding its request
        // lines must not freeze the program: after the time-out the transfer
        // counts as broken, like a dropped request line.
        if (reads % kReadsPerClockCheck == kReadsPerClockCheck - 1) {
            auto now = std::chrono::steady_clock::now();
            if (deadline == std::chrono::steady_clock::time_point{})
                deadline = now + std::chrono::milliseconds(strobeTimeoutMs);
            else if (now >= deadline)
                throw c64error{kLinkBroken};
        }
    }
}

void LinkPort::sendByte(int value) {
    for (int step = 0; step < 4; ++step) {
        int level = (step % 2 == 0) ? 1 : 0;
        waitForStrobe(level);
        int pair = (value >> (2 * step)) & 3;
        writePortByte(dataPort, pair | (level ? kPcStrobe : 0));
    }
    ++bytesWritten;
}

int LinkPort::receiveByte() {
    int result = 0;
    for (int step = 0; step < 4; ++step) {
        int level = (step % 2 == 0) ? 1 : 0;
        waitForStrobe(level);
        std::uint8_t held = readPortByte(statusPort);
        writePortByte(dataPort, level ? kPcStrobe : 0);
        result |= ((held >> kC64PairShift) & 3) << (2 * step);
    }
    ++bytesRead;
    return result;
}

void LinkPort::setPointer(int address) {
    sendByte(kSetPointer);
    sendByte(address & 0xFF);
    sendByte((address >> 8) & 0xFF);
}

int LinkPort::getPointer() {
    sendByte(kGetPointer);
    int low = receiveByte();
    return low | (receiveByte() << 8);
}

void LinkPort::setCounter(int byte1, int byte2) {
    sendByte(kSetCounter);
    sendByte(byte1);
    sendByte(byte2);
}

int LinkPort::getCounter() {
    sendByte(kGetCounter);
    int byte1 = receiveByte();
    return byte1 + 256 * receiveByte();
}

void LinkPort::prepareTransfer(int address, int length) {
    if (length <= 0) return;
    // The C64's block loop runs an index from the counter's second byte up to
    // 255 over the pointer's page, then counts whole pages with the first
    // byte up to 0: pointer and counter are set so that exactly `length`
    // bytes move, the first one at `address`.
    int m = -length;
    setPointer((address - (m & 0xFF)) & 0xFFFF);
    setCounter((m >> 8) & 0xFF, m & 0xFF);
}

void LinkPort::writeMemory(const std::uint8_t* source, int address, int length) {
    if (length <= 0) return;
    prepareTransfer(address, length);
    sendByte(kWriteBlock);
    for (int i = 0; i < length; ++i) sendByte(source[i]);
}

void LinkPort::readMemory(std::uint8_t* destination, int address, int length) {
    if (length < 1) return;
    // The link routine reads memory as the CPU sees it, so a range reaching
    // into $A000-$BFFF would return BASIC ROM instead of the RAM below it:
    // bank the ROM out for the transfer and restore the processor port after.
    // A C64 that runs its kernal from RAM ($01 = $35) has no BASIC ROM in
    // view, and $36 would bring the kernal ROM back under its running link
    // code: it is left as it is.
    bool banked = address + length > kBasicRomStart;
    std::uint8_t oldPort = 0;
    if (banked) {
        prepareTransfer(kProcessorPort, 1);
        sendByte(kReadBlock);
        oldPort = static_cast<std::uint8_t>(receiveByte());
        banked = (oldPort & kBasicRomVisible) == kBasicRomVisible;
        if (banked) writeMemory(&kBasicBankedOut, kProcessorPort, 1);
    }
    prepareTransfer(address, length);
    sendByte(kReadBlock);
    for (int i = 0; i < length; ++i) destination[i] = static_cast<std::uint8_t>(receiveByte());
    if (banked) writeMemory(&oldPort, kProcessorPort, 1);
}

int LinkPort::callRoutine(int address, int accumulator) {
    setPointer(address);
    sendByte(kCallRoutine);
    sendByte(accumulator);
    return receiveByte();
}

void LinkPort::saveRegisters() {
    savedCounter = getCounter();
    savedPointer = getPointer();
}

void LinkPort::restoreRegisters() {
    setCounterWord(savedCounter);
    setPointer(savedPointer);
}

void LinkPort::endRequest(std::uint8_t code) {
    sendByte(code);
    // Wait for the C64 to release its request lines. A C64 that never does
    // would hold the program here for good, so the strobe time-out applies.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(strobeTimeoutMs);
    for (int reads = 0; requestPending(); ++reads) {
        if (reads % kReadsPerClockCheck == kReadsPerClockCheck - 1 &&
            std::chrono::steady_clock::now() >= deadline)
            throw c64error{kLinkBroken};
    }
    if (wantOnline)
        writePortByte(dataPort, kPresence);
    else
        goOffline();
}

void LinkPort::goOnline() {
    if (requestPending()) return;
    writePortByte(dataPort, kPresence);
    online = 1;
}

void LinkPort::goOffline() {
    if (requestPending()) return;
    forceOffline();
}

void LinkPort::forceOffline() {
    writePortByte(dataPort, kAbsent);
    online = 0;
}

void LinkPort::resetC64() {
    // Whole-register writes; the cable turns this pattern into a reset pulse.
    writePortByte(dataPort, 0x42);
    delayMs(2);
    writePortByte(dataPort, 0xBF);
    delayMs(200);
    writePortByte(dataPort, kPresence);
}

void LinkPort::delayMs(int milliseconds) {
    if (io != nullptr)
        io->delay(milliseconds);
    else if (milliseconds > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void LinkPort::initialise() {
    if (dataPort == 0) return;
    int control = dataPort + kControlRegister;
    writePortByte(control, readPortByte(control) & 0xEF);
}

}  // namespace brimwick::link
