// The small scanner that DOS commands and OPEN names are parsed with. The
// 1541 reads its numbers loosely: anything that is not a digit separates them
// (blanks, commas, colons and letters alike), so "U1:2,0,18,0" and
// "U1 2 0 18 0" mean the same; keywords match as prefixes ("PRG" is "P").
#pragma once

#include <cstdint>

namespace brimwick::drive {

class DriveCore;

// A handler of a DOS command: a member of the drive without arguments.
using CommandHandler = void (DriveCore::*)();

// One keyword of a table. A table ends with an entry whose code is negative.
struct KeywordEntry {
    char name[32];           // the keyword, NUL-terminated
    std::int32_t code;       // what it means; negative ends the table
    CommandHandler handler;  // the DOS command's handler (null for name options)
};

// The longest digit run taken as one number; the rest starts the next one.
inline constexpr std::int32_t kMaxDigits = 8;

class CommandScanner {
  public:
    const KeywordEntry* table = nullptr;  // the keywords matchKeyword tries
    std::int32_t number = 0;              // value of the last number parsed
    std::int32_t pos = 0;                 // current index into text
    std::int32_t count = 0;               // length of the last keyword match or digit run
    const char* text = nullptr;           // the text scanned (the drive's command buffer)
    std::int32_t limit = 0;               // bytes of text that may be read; beyond them is NUL
    const KeywordEntry* match = nullptr;  // where the last matchKeyword stopped

    // Scans `size` bytes of `source` (NUL-terminated within them, normally)
    // from `start`, with the keywords of `keywords`.
    void init(const char* source, std::int32_t size, std::int32_t start,
              const KeywordEntry* keywords);
    // The code of the first keyword that begins the text at pos (pos moves
    // behind it), or -1 (pos stays).
    std::int32_t matchKeyword();
    // Skips to the next digit and parses the number there: the digit count
    // 1..8, or 0 when the text ends first (pos stays).
    std::int32_t nextNumber();
    // Parses up to 8 digits at pos: the digit count 0..8.
    std::int32_t parseDecimal();
    // The byte at pos, whatever it is; pos + 1.
    std::uint8_t nextChar();
    // Passes over `c` when it stands at pos.
    bool accept(char c);
    // Moves just behind the next `c` before the text's NUL; false (pos
    // stays) when there is none.
    bool skipPast(char c);

  private:
    char at(std::int32_t index) const;
};

}  // namespace brimwick::drive
