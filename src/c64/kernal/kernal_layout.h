// Where things are in a C64 kernal image, and the layout of the link
// kernal's own table. A C64 kernal is 8 KB at $E000-$FFFF; programs reach it
// through the jump table at $FF81-$FFF3 (three bytes per entry, JMP or
// JMP indirect), and RESTOR ($FF8A) copies the default I/O vectors from a
// table in the ROM to $0314-$0333. The link kernal takes the place of the
// datasette routines at $F72C-$FB8D and starts with a table that tells the
// patcher where its hooks and pass-through jumps are (link_kernal.a64).
#pragma once

#include <array>
#include <cstdint>

namespace brimwick::c64 {

inline constexpr std::uint16_t kKernalStart = 0xE000;
inline constexpr int kKernalImageSize = 0x2000;
inline constexpr std::uint16_t kJumpTableFirst = 0xFF81;  // first entry
inline constexpr std::uint16_t kJumpTableLast = 0xFFF3;   // last entry
inline constexpr int kJumpEntrySize = 3;
inline constexpr std::uint8_t kJmpAbsolute = 0x4C;
inline constexpr std::uint8_t kJmpIndirect = 0x6C;

// Jump table entries the patcher follows.
inline constexpr std::uint16_t kJumpRestor = 0xFF8A;
inline constexpr std::uint16_t kJumpOpen = 0xFFC0;
inline constexpr std::uint16_t kJumpListen = 0xFFB1;
inline constexpr std::uint16_t kJumpTalk = 0xFFB4;

// The default I/O vectors: 16 words copied to $0314.
inline constexpr int kIoVectorCount = 16;
inline constexpr std::uint16_t kIoVectorsRam = 0x0314;
inline constexpr int kVectorIrq = 0;
inline constexpr int kVectorOpen = 3;
inline constexpr int kVectorLoad = 14;
inline constexpr int kVectorSave = 15;

// The kernal routine that ORs A into ST: ORA $90; STA $90; RTS.
inline constexpr std::uint16_t kSetStatusRoutine = 0xFE1C;
inline constexpr std::array<std::uint8_t, 5> kSetStatusCode = {0x05, 0x90, 0x85, 0x90, 0x60};

// The datasette routines (header search and write, block read and write,
// the read interrupt and its byte store) that the link kernal replaces.
inline constexpr std::uint16_t kLinkAreaStart = 0xF72C;
inline constexpr std::uint16_t kLinkAreaEnd = 0xFB8E;  // one past the last byte
// What the unused rest of the link area holds in a patched image.
inline constexpr std::uint8_t kLinkAreaFiller = 0xAA;

// The link kernal's table at kLinkAreaStart.
inline constexpr int kLinkEntryOffset = 0;  // JMP request: programs JSR here with A = code
inline constexpr int kLinkMagicOffset = 3;
inline constexpr std::array<std::uint8_t, 8> kLinkMagic = {'B', 'R', 'I', 'M', 'L', 'I', 'N', 'K'};
inline constexpr int kLinkVersionOffset = 11;
inline constexpr std::uint8_t kLinkVersion = 1;
inline constexpr int kLinkHooksOffset = 12;  // per hook: word entry, word pass-through operand
inline constexpr int kLinkHookSize = 4;

// The hooked routines, in the order of the link kernal's table: first the
// serial-bus routines and the keyboard scan (hooked where their jump table
// entry leads), then the vectored OPEN, LOAD and SAVE.
struct CodeHook {
    const char* name;          // for messages
    std::uint16_t jumpEntry;   // its jump table entry
};
inline constexpr std::array<CodeHook, 9> kCodeHooks = {{
    {"LISTEN", kJumpListen},
    {"TALK", kJumpTalk},
    {"SECOND", 0xFF93},
    {"TKSA", 0xFF96},
    {"CIOUT", 0xFFA8},
    {"ACPTR", 0xFFA5},
    {"UNLSN", 0xFFAE},
    {"UNTLK", 0xFFAB},
    {"SCNKEY", 0xFF9F},
}};
struct VectorHook {
    const char* name;  // for messages
    int vector;        // index among the I/O vectors
};
inline constexpr std::array<VectorHook, 3> kVectorHooks = {{
    {"OPEN", kVectorOpen},
    {"LOAD", kVectorLoad},
    {"SAVE", kVectorSave},
}};
inline constexpr int kLinkCodeEndOffset =
    kLinkHooksOffset + kLinkHookSize * static_cast<int>(kCodeHooks.size() + kVectorHooks.size());

// Where a program calls the link kernal's request routine (A = request code;
// C clear when the PC served it).
inline constexpr std::uint16_t kLinkRequestEntry = kLinkAreaStart + kLinkEntryOffset;
// The link kernal's state in RAM, for programs that preset a request.
inline constexpr std::uint16_t kLinkPointer = 0x0336;   // low, high
inline constexpr std::uint16_t kLinkCounter1 = 0x0338;
inline constexpr std::uint16_t kLinkCounter2 = 0x0339;
// Where request 255 puts the kernal image: the RAM under the kernal ROM.
inline constexpr std::uint16_t kUploadAddress = 0xE000;

}  // namespace brimwick::c64
