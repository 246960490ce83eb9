// The BASIC program's lines in memory.
#include "c64/vc64/basic_program.h"

namespace brimwick::c64::vc64 {

namespace {

void writeWord(C64Memory& memory, int address, int value) {
    memory.write(address, static_cast<std::uint8_t>(value & 0xFF));
    memory.write(address + 1, static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

// The bytes of the program, start to the final 0 0 link, as lines again.
std::vector<std::uint8_t> encode(const std::vector<BasicLine>& lines, int start) {
    std::vector<std::uint8_t> bytes;
    for (const BasicLine& line : lines) {
        int next = start + static_cast<int>(bytes.size()) + 4 + static_cast<int>(line.text.size()) + 1;
        bytes.push_back(static_cast<std::uint8_t>(next & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(next >> 8));
        bytes.push_back(static_cast<std::uint8_t>(line.number & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(line.number >> 8));
        bytes.insert(bytes.end(), line.text.begin(), line.text.end());
        bytes.push_back(0);
    }
    bytes.push_back(0);
    bytes.push_back(0);
    return bytes;
}

}  // namespace

void setProgramEnd(C64Memory& memory, int end) {
    writeWord(memory, kVarTab, end);
    writeWord(memory, kAryTab, end);
    writeWord(memory, kStrEnd, end);
}

void clearProgram(C64Memory& memory) {
    writeWord(memory, kTxtTab, kProgramStart);
    memory.write(kProgramStart - 1, 0);
    writeWord(memory, kProgramStart, 0);
    setProgramEnd(memory, kProgramStart + 2);
}

int relink(C64Memory& memory) {
    int line = memory.readWord(kTxtTab);
    while (line + 1 < kProgramLimit && memory.read(line + 1) != 0) {
        // The text starts after the link and the line number.
        int end = line + 4;
        while (end < kProgramLimit && memory.read(end) != 0) ++end;
        if (end >= kProgramLimit) break;
        writeWord(memory, line, end + 1);
        line = end + 1;
    }
    return line + 2;
}

std::vector<BasicLine> programLines(const C64Memory& memory) {
    std::vector<BasicLine> lines;
    int line = memory.readWord(kTxtTab);
    // Links only ever lead forward; one that does not ends the listing
    // rather than going round for ever.
    while (line + 4 < kProgramLimit && memory.read(line + 1) != 0) {
        BasicLine entry;
        entry.number = memory.readWord(line + 2);
        int at = line + 4;
        while (at < kProgramLimit && memory.read(at) != 0) entry.text.push_back(memory.read(at++));
        lines.push_back(std::move(entry));
        int next = memory.readWord(line);
        if (next <= line) break;
        line = next;
    }
    return lines;
}

bool enterLine(C64Memory& memory, int number, const std::vector<std::uint8_t>& text) {
    std::vector<BasicLine> lines = programLines(memory);
    std::vector<BasicLine> updated;
    bool placed = text.empty();
    for (BasicLine& line : lines) {
        if (!placed && line.number >= number) {
            updated.push_back({number, text});
            placed = true;
        }
        if (line.number != number) updated.push_back(std::move(line));
    }
    if (!placed) updated.push_back({number, text});
    int start = memory.readWord(kTxtTab);
    std::vector<std::uint8_t> bytes = encode(updated, start);
    if (start + static_cast<int>(bytes.size()) > kProgramLimit) return false;
    for (std::size_t i = 0; i < bytes.size(); ++i)
        memory.write(start + static_cast<int>(i), bytes[i]);
    setProgramEnd(memory, start + static_cast<int>(bytes.size()));
    return true;
}

}  // namespace brimwick::c64::vc64
