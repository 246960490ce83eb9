// Hexadecimal numbers as the virtual C64's messages and transcripts write
// them: two or four upper-case digits, no prefix.
#pragma once

#include <cstdio>
#include <string>

namespace brimwick::c64::vc64 {

inline std::string hex2(int value) {
    char buffer[4];
    std::snprintf(buffer, sizeof buffer, "%02X", value & 0xFF);
    return buffer;
}

inline std::string hex4(int value) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%04X", value & 0xFFFF);
    return buffer;
}

}  // namespace brimwick::c64::vc64
