// The .block nesting of a pass. Blocks are numbered in the order their
// .block lines are met, so both passes give the same number to the same block;
// symbol scoping walks from a block to its parents through this table.
#pragma once

#include <array>
#include <cstdint>

namespace brimwick::assembler {

inline constexpr std::size_t kBlockSlots = 65536;

struct BlockTable {
    std::array<std::uint16_t, kBlockSlots> parentBlock{};  // block current when each was opened
    std::array<std::uint16_t, kBlockSlots> blockLevel{};   // nesting level of each block
    std::uint16_t blockCount = 0;                          // blocks opened in this pass
    std::uint16_t currentLevel = 0;                        // nesting level at the current line
    std::uint16_t currentBlock = 0;                        // block at the current line

    // Opens a block inside the current one; false when the 16-bit count wrapped
    // ("too many blocks"), in which case nothing else changes.
    bool openBlock();
    // Returns to the enclosing block; false at level 0 ("bend without block").
    bool closeBlock();
    // Start of a pass: back to block 0.
    void resetBlocks();
};

}  // namespace brimwick::assembler
