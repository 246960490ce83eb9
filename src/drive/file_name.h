// The name of an OPEN as the 1541 reads it: "@0:NAME,P,W" and its relatives.
// A leading "@" replaces an existing file, "$" asks for the directory, "#"
// for a RAM buffer; everything up to a ":" is the drive part and is passed
// over; the options after commas give the type (S, P, U) and the access (R,
// W, A), each by its first letter only.
#pragma once

#include "drive/command_scanner.h"

namespace brimwick::drive {

inline constexpr KeywordEntry fileOptionTable[] = {
    {"S", 1, nullptr},   {"P", 2, nullptr},   {"U", 3, nullptr}, {"R", 100, nullptr},
    {"W", 101, nullptr}, {"A", 102, nullptr}, {"", -1, nullptr},
};

// Option codes from this value on are access modes; below it, file types.
inline constexpr std::int32_t kFirstAccessCode = 100;

}  // namespace brimwick::drive
