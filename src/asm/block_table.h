// The .block nesting of a pass. Blocks are numbered in the order their
// .block lines are met, so both passes give the same number to the same block;
// symbol scoping walks from a block to its parents through this table.
#pragma once

#include <array>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <type_traits>

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

// A zeroed block table on the heap. calloc hands out untouched zero pages,
// so a run pays only for the pages of the blocks it really opens (the table
// is an aggregate, so the zero bytes are its initial state).
struct BlockTableDeleter {
    void operator()(BlockTable* table) const { std::free(table); }
};
using BlockTablePtr = std::unique_ptr<BlockTable, BlockTableDeleter>;

inline BlockTablePtr makeBlockTable() {
    static_assert(std::is_trivially_copyable_v<BlockTable> && std::is_aggregate_v<BlockTable>);
    auto* table = static_cast<BlockTable*>(std::calloc(1, sizeof(BlockTable)));
    if (table == nullptr) throw std::bad_alloc();
    return BlockTablePtr(table);
}

}  // namespace brimwick::assembler
