// A deterministic, in-process C64 at the far end of the virtual cable: its
// memory, the link routine of the modified kernal that obeys the PC's link
// commands inside a request, and the routine at $FE1C that ORs a value into
// the status byte ST. The kernal's file operations built on top of requests
// live in VirtualKernal.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "c64/vc64/c64_memory.h"
#include "c64/vc64/task.h"
#include "c64/vc64/virtual_cable.h"
#include "link/c64_locations.h"

namespace brimwick::c64::vc64 {

// The kernal loader's side of request 255.
inline constexpr int kKernalSize = 8192;             // bytes the loader takes on request 255
inline constexpr std::uint8_t kUploadRequest = 255;  // the request that streams the kernal

// Result of a request that the PC never saw: the presence line was down, so
// the kernal used its own serial bus.
inline constexpr int kNotDiverted = -1;

class VirtualC64 {
  public:
    VirtualCable cable;                  // the C64's end of the cable
    C64Memory memory;                    // its 64 KB
    int pointer = 0;                     // link pointer (block base, routine address)
    int counter1 = 0;                    // link counter, first byte
    int counter2 = 0;                    // link counter, second byte
    std::uint8_t argument = 0;           // byte the diverted kernal routine was called with
    std::uint8_t result = 0;             // byte the PC put back with link command 11
    bool resultSet = false;              // link command 11 arrived in this request
    int requests = 0;                    // requests opened since start
    int maxPolls = 2'000'000;            // PC polls one operation may take before it counts as hung
    std::vector<std::uint8_t> uploaded;  // the kernal image received on request 255
    std::vector<std::uint8_t> romDump;     // what request 254 sends as the C64's kernal ROM
    std::vector<std::uint8_t> dumpAnswer;  // the PC's answer to request 254, after its length

    // Byte level: one byte each way through four handshake steps.
    Task<int> sendByte(std::uint8_t value);
    Task<int> receiveByte();
    // Opens a request with `code`, obeys link commands until the end code,
    // releases the lines and returns 64 or 65 (kNotDiverted without a PC).
    Task<int> request(std::uint8_t code);
    // Sets pointer and counter for a block of `length` bytes at `address`, as
    // the C64 does before requests whose data it supplies itself.
    void presetBlock(int address, int length);

    // Runs an operation against the PC side: `pcPoll` is called until the
    // operation ends. Returns its result; a protocol error or a hang sets
    // `cable.failure` and returns kNotDiverted.
    int run(Task<int> operation, const std::function<void()>& pcPoll);

    std::uint8_t st() const { return memory.ram[link::kC64StatusByte]; }

  private:
    Task<int> readBlock();
    Task<int> writeBlock();
    // Calls a kernal routine; only $FE1C exists here.
    int callRoutine(int address, std::uint8_t accumulator);
};

}  // namespace brimwick::c64::vc64
