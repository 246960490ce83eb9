// Makes T64 files for the tests: a header, directory slots and the data.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

namespace brimwick::d64::testing {

// One slot of a T64 file being made.
struct Slot {
    const char* name;
    std::uint8_t fileType;
    std::uint16_t start, end;  // as the slot states them
    std::vector<std::uint8_t> data;                // what the file holds for it
};

// A T64 file: the header, `slotCount` slots (the unused ones free), the data
// one after the other.
inline std::vector<std::uint8_t> makeTape(const char* tapeName, const std::vector<Slot>& slots, std::size_t slotCount) {
    std::vector<std::uint8_t> tape(64 + 32 * slotCount, 0);
    std::memcpy(tape.data(), "C64S tape image file", 20);
    tape[32] = 0x01;
    tape[33] = 0x01;
    tape[34] = static_cast<std::uint8_t>(slotCount);
    tape[36] = static_cast<std::uint8_t>(slots.size());
    std::memset(tape.data() + 40, ' ', 24);
    std::memcpy(tape.data() + 40, tapeName, std::strlen(tapeName));
    for (std::size_t i = 0; i < slots.size(); ++i) {
        std::uint8_t* s = tape.data() + 64 + 32 * i;
        auto offset = static_cast<std::uint32_t>(tape.size());
        s[0] = 1;
        s[1] = slots[i].fileType;
        s[2] = slots[i].start & 0xFF;
        s[3] = slots[i].start >> 8;
        s[4] = slots[i].end & 0xFF;
        s[5] = slots[i].end >> 8;
        for (int b = 0; b < 4; ++b) s[8 + b] = static_cast<std::uint8_t>(offset >> (8 * b));
        std::memset(s + 16, ' ', 16);
        std::memcpy(s + 16, slots[i].name, std::strlen(slots[i].name));
        tape.insert(tape.end(), slots[i].data.begin(), slots[i].data.end());
    }
    return tape;
}

}  // namespace brimwick::d64::testing
