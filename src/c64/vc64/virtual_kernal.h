// What the modified kernal of the virtual C64 does with the link: its
// serial-bus routines (LISTEN, SECOND, CIOUT, UNLISTEN, TALK, TKSA, ACPTR,
// UNTALK) become requests, and on top of them OPEN, CLOSE, PRINT#, GET#,
// LOAD, VERIFY and SAVE, byte by byte or as whole-file transfers, status
// reads, DOS commands, keyboard polls, extended messages and the kernal
// upload. A request that the PC declines falls to the C64's own serial bus,
// where this virtual C64 has no drives: the kernal reports "device not
// present" (ST bit 7).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "c64/vc64/virtual_c64.h"
#include "c64/vc64/virtual_screen.h"

namespace brimwick::c64::vc64 {

// Where LOAD puts a program loaded with secondary address 0 (BASIC start).
inline constexpr int kBasicStart = 0x0801;
// The secondary address byte that opens a channel for data.
inline constexpr int kSecondaryData = 0x60;
// Devices from 4 up are on the serial bus (0 keyboard, 1 datasette, 2
// RS-232, 3 screen).
inline constexpr int kFirstSerialDevice = 4;
// Where an extended message is kept while the PC reads it.
inline constexpr int kMessageBuffer = 0x0340;

// Outcome of a LOAD or SAVE.
struct TransferResult {
    int start = 0;        // first address
    int end = 0;          // one past the last address
    std::uint8_t st = 0;  // ST afterwards
    bool ok = false;      // the file was found and transferred
};

class VirtualKernal {
  public:
    explicit VirtualKernal(VirtualC64& machine) : c64(machine) { screen.powerUp(c64.memory); }

    VirtualC64& c64;                           // the machine underneath
    std::map<int, std::pair<int, int>> files;  // logical file -> (device, secondary)
    std::vector<std::uint8_t> received;        // bytes of the last GET#/LOAD
    std::string statusText;                    // text of the last status read
    std::vector<int> keys;                     // key codes of the last keyboard polls
    bool drainKeyboard = true;                 // keyboardPoll echoes typed keys at once
    VirtualScreen screen;                      // what BASIC's editor shows
    int resetsSeen = 0;                        // the cable's resets already shown

    // The serial-bus routines, each one request (or none when not diverted).
    Task<int> listen(int device);
    Task<int> talk(int device);
    Task<int> second(int secondary);
    Task<int> tksa(int secondary);
    Task<int> ciout(std::uint8_t value);
    Task<int> acptr();  // the byte, with ST updated
    Task<int> unlisten();
    Task<int> untalk();

    Task<int> open(int lfn, int device, int secondary, std::string name);
    Task<int> print(int lfn, std::string text);
    Task<int> get(int lfn, int count);
    Task<int> close(int lfn);
    // LOAD or VERIFY; secondary address 0 puts the file at `relocateTo`.
    Task<TransferResult> load(int device, std::string name, int secondary, bool fast, bool verify,
                              int relocateTo = kBasicStart);
    Task<TransferResult> save(int device, std::string name, int start, int end, bool fast);
    Task<int> readStatus(int device);
    Task<int> command(int device, std::string text);
    // The keyboard scan: request 3, the key it brings put into the
    // keyboard buffer; a reset the PC made since the last scan restarts the
    // screen first. Returns the key, 0 for none.
    Task<int> scanKeyboard();
    // True once after the PC has reset the C64: the screen starts at READY
    // again with nothing typed.
    bool takeReset();
    // A scan after which BASIC's editor echoes the key at once (when
    // `drainKeyboard`) without running lines; VirtualBasic runs them.
    Task<int> keyboardPoll();
    Task<int> extendedMessage(std::vector<std::uint8_t> message);
    Task<int> upload();

    std::uint8_t st() const { return c64.st(); }

  private:
    // Runs a bus request with an argument byte; a declined one falls to the
    // real bus, which has nothing on it.
    Task<int> busRequest(std::uint8_t code, std::uint8_t argument);
    void clearSt() { c64.memory.write(link::kC64StatusByte, 0); }
    void orSt(std::uint8_t bits) {
        c64.memory.write(link::kC64StatusByte, static_cast<std::uint8_t>(c64.st() | bits));
    }
    // True when the PC serves `device` (request 1).
    Task<int> deviceServed(int device);
};

}  // namespace brimwick::c64::vc64
