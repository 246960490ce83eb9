// The scanner's operations.
#include "drive/command_scanner.h"

namespace brimwick::drive {

void CommandScanner::init(const char* source, std::int32_t size, std::int32_t start,
                          const KeywordEntry* keywords) {
    text = source;
    limit = size;
    pos = start;
    table = keywords;
    number = 0;
    count = 0;
    match = nullptr;
}

char CommandScanner::at(std::int32_t index) const {
    return index >= 0 && index < limit ? text[index] : '\0';
}

std::int32_t CommandScanner::matchKeyword() {
    count = 0;
    const KeywordEntry* e = table;
    for (;;) {
        if (e->code < 0) break;
        char c = e->name[count];
        if (c == '\0') break;
        if (c == at(pos + count)) {
            ++count;
        } else {
            count = 0;
            ++e;
        }
    }
    pos += count;
    match = e;
    return e->code;
}

std::int32_t CommandScanner::nextNumber() {
    std::int32_t p = pos;
    for (;; ++p) {
        char c = at(p);
        if (c == '\0') return 0;
        if (c >= '0' && c <= '9') break;
    }
    pos = p;
    return parseDecimal();
}

std::int32_t CommandScanner::parseDecimal() {
    number = 0;
    count = 0;
    while (count < kMaxDigits) {
        char c = at(pos + count);
        if (c < '0' || c > '9') break;
        number = number * 10 + (c - '0');
        ++count;
    }
    pos += count;
    return count;
}

std::uint8_t CommandScanner::nextChar() {
    return static_cast<std::uint8_t>(at(pos++));
}

bool CommandScanner::accept(char c) {
    if (at(pos) != c) return false;
    ++pos;
    return true;
}

bool CommandScanner::skipPast(char c) {
    for (std::int32_t p = pos; at(p) != '\0'; ++p) {
        if (at(p) == c) {
            pos = p + 1;
            return true;
        }
    }
    return false;
}

}  // namespace brimwick::drive
