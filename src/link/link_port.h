// The PC end of the cable to the C64. Every byte moves through a symmetric
// handshake, two bits per step and four steps per byte, paced by the C64: it
// toggles its strobe (status bit 3) and presents a bit pair on status bits
// 5-4; the PC echoes the strobe level on data bit 7 and presents its own pair
// on data bits 1-0. A request lasts while the C64 holds status bits 7 and 6 at
// 1; the PC ends it with link code 64 (served) or 65 (declined). Between
// requests data bit 1 is the presence line telling the C64 that the PC serves.
#pragma once

#include <chrono>
#include <cstdint>

#include "link/c64_error.h"
#include "link/port_io.h"

namespace brimwick::link {

// Link commands the PC sends inside a request.
enum LinkCommand : std::uint8_t {
    kReadBlock = 1,     // C64 sends the bytes the pointer and counter describe
    kWriteBlock = 2,    // C64 stores the bytes that follow
    kCallRoutine = 3,   // C64 calls the routine at the pointer with A = next byte
    kSetPointer = 4,    // low, high
    kSetCounter = 5,    // byte 1, byte 2
    kGetCounter = 6,    // C64 answers byte 1, byte 2
    kGetPointer = 8,    // C64 answers low, high
    kGetArgument = 10,  // C64 answers the diverted routine's argument byte
    kPutResult = 11,    // the byte the diverted routine returns
    kServed = 64,       // end code: the PC did the work
    kDeclined = 65,     // end code: the C64 carries on with its own routine
};

// Status register bits.
inline constexpr std::uint8_t kRequestLines = 0xC0;  // both set: a request is open
inline constexpr std::uint8_t kC64Strobe = 0x08;     // toggled per two-bit step
inline constexpr int kC64PairShift = 4;              // bits 5-4: the C64's pair
// Data register bits.
inline constexpr std::uint8_t kPcStrobe = 0x80;  // echo of the C64's strobe
inline constexpr std::uint8_t kPresence = 0x02;  // between requests: PC online
inline constexpr std::uint8_t kAbsent = 0x00;    // between requests: PC offline

// Default time a strobe wait may take before the link counts as broken.
inline constexpr int kDefaultStrobeTimeoutMs = 2000;

class LinkPort {
  public:
    int dataPort = 0;                               // I/O address of the data register; 0 = no port
    int statusPort = 0;                             // dataPort + 1
    int wantOnline = 0;                             // presence level the application wants
    int online = 0;                                 // presence level last written
    std::int32_t bytesRead = 0;                     // bytes received since start (all kinds)
    std::int32_t bytesWritten = 0;                  // bytes sent since start (all kinds)
    int savedCounter = 0;                           // counter saved by saveRegisters (byte 1 low)
    int savedPointer = 0;                           // pointer saved by saveRegisters
    PortIo* io = nullptr;                           // register access; not owned
    int strobeTimeoutMs = kDefaultStrobeTimeoutMs;  // a silent C64 breaks the link after this

    // Selects the port: choice 1..3 gives base 0x278/0x378/0x3BC, else none.
    void selectPort(int portChoice, PortIo* backend);
    void selectBase(int base, PortIo* backend);

    std::uint8_t readPortByte(int address) { return io->readPort(address); }
    void writePortByte(int address, int value) {
        io->writePort(address, static_cast<std::uint8_t>(value & 0xFF));
    }

    void sendByte(int value);
    int receiveByte();
    void setPointer(int address);
    int getPointer();
    void setCounter(int byte1, int byte2);
    void setCounterWord(int value) { setCounter(value & 0xFF, (value >> 8) & 0xFF); }
    int getCounter();
    void prepareTransfer(int address, int length);
    void writeMemory(const std::uint8_t* source, int address, int length);
    void readMemory(std::uint8_t* destination, int address, int length);
    int callRoutine(int address, int accumulator);
    void saveRegisters();
    void restoreRegisters();
    void finishRequest() { endRequest(kServed); }
    void declineRequest() { endRequest(kDeclined); }
    void requestOnline(bool on) { wantOnline = on ? 1 : 0; }
    int isOnline() const { return online; }
    void goOnline();
    void goOffline();
    // Takes the presence line down whatever the C64 is doing: for the end of
    // the program, when a request was not served in time.
    void forceOffline();
    // True when the C64 holds both request lines up.
    bool requestPending() { return (readPortByte(statusPort) & kRequestLines) == kRequestLines; }
    void resetC64();
    void delayMs(int milliseconds);
    void initialise();

  private:
    // Waits for the C64 strobe to reach `level`; throws c64error when the
    // request lines drop or the C64 stays silent past the time-out.
    void waitForStrobe(int level);
    void endRequest(std::uint8_t code);
};

}  // namespace brimwick::link
