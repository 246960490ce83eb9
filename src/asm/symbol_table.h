// The symbol table: the keyword records and every symbol a source names.
// Records of one name form a chain ordered innermost block first; a lookup
// walks that chain outwards from the current block, so the innermost
// definition that encloses the current line wins. A hash index from a name to
// its chain replaces a scan over all records; which record a name finds and the
// order of the records of one name are those of a plain linear list.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "asm/block_table.h"
#include "asm/keywords.h"
#include "asm/large_allocator.h"
#include "asm/symbol_record.h"

namespace brimwick::assembler {

// Which of the two keyword lists a lookup searches.
enum class SymbolList : std::uint8_t {
    Directives,  // x, y and the directive names; never grows
    Symbols,     // the mnemonics, a, and the user symbols
};

class SymbolTable {
  public:
    SymbolTable();
    SymbolTable(const SymbolTable&) = delete;
    SymbolTable& operator=(const SymbolTable&) = delete;

    // Finds the record of `name` (already cut to at most 35 characters) that is
    // visible from the current block. With `create`, a name with no visible
    // record gets a new undefined Label record behind the records of its name;
    // without it the result is null. The directive list never grows.
    SymbolRecord* lookup(std::string_view name, SymbolList list, bool create,
                         const BlockTable& blocks);

    // Defines the label `record` in the current block. Returns false on a
    // double definition in the same block; otherwise `record` designates the
    // record that now holds the definition (a copy when the visible record
    // belongs to an enclosing block).
    bool define(SymbolRecord*& record, const BlockTable& blocks);

    // Sizes the index for about `names` user names, so that it need not grow.
    void reserveNames(std::size_t names);

    // Frees every user record; the table is as before the first lookup.
    void releaseSymbols();

    // Number of user records (for tests).
    std::size_t userRecordCount() const { return recordCount_; }

    // Calls `visit` with every user record, in the order they were made.
    template <typename Visit>
    void forEachUserRecord(Visit visit) const {
        for (std::size_t i = 0; i < recordCount_; ++i)
            visit(static_cast<const SymbolRecord&>(
                recordBlocks_[i / kRecordsPerBlock][i % kRecordsPerBlock]));
    }

    // The records of `name` in chain order (for tests and diagnostics).
    std::vector<const SymbolRecord*> chainOf(std::string_view name) const;

  private:
    static constexpr std::size_t kRecordsPerBlock = 1024;

    // One entry of the hash index: a name and the first record of its chain.
    struct Slot {
        const char* key = nullptr;     // the name's characters, in a user record; null when free
        SymbolRecord* head = nullptr;  // first record of the chain; null when emptied by define
        std::uint32_t hash = 0;        // hash of the name
        std::uint16_t keyLength = 0;   // length of the key
    };

    SymbolRecord* keyword(std::string_view name, SymbolList list);
    Slot& slotFor(std::string_view name, std::uint32_t hash);
    void grow();
    SymbolRecord& newRecord();

    std::array<SymbolRecord, kMnemonics.size()> mnemonicRecords_{};        // the 56 instructions
    SymbolRecord registerA_{};                                             // the reserved name a
    std::array<SymbolRecord, kDirectives.size() + 2> directiveRecords_{};  // x, y, directives
    // User records in fixed blocks, so that their addresses never change.
    std::vector<std::unique_ptr<SymbolRecord[]>> recordBlocks_;
    std::size_t recordCount_ = 0;                    // user records allocated
    std::vector<Slot, LargeAllocator<Slot>> slots_;  // open-addressing hash index, power of two
    std::size_t usedSlots_ = 0;                      // slots holding a name
};

}  // namespace brimwick::assembler
