// Symbol lookup with .block scoping, label definition and the release of the
// user symbols after a run.
#include "asm/symbol_table.h"

#include <algorithm>
#include <cstring>

namespace brimwick::assembler {

namespace {

constexpr std::size_t kInitialSlots = 1024;

// Three lower-case letters packed into 15 bits index the mnemonic table.
constexpr int packMnemonic(char a, char b, char c) {
    return ((a - 'a') << 10) | ((b - 'a') << 5) | (c - 'a');
}

// Mnemonic number + 1 for every packed three-letter name, 0 for none.
constexpr auto kMnemonicIndex = [] {
    std::array<std::uint8_t, 32768> table{};
    for (std::size_t i = 0; i < kMnemonics.size(); ++i) {
        const auto& n = kMnemonics[i].name;
        table[static_cast<std::size_t>(packMnemonic(n[0], n[1], n[2]))] =
            static_cast<std::uint8_t>(i + 1);
    }
    return table;
}();

bool isLower(char c) {
    return c >= 'a' && c <= 'z';
}

std::uint32_t hashName(std::string_view name) {
    std::uint32_t h = 2166136261u;
    for (char c : name) {
        h ^= static_cast<unsigned char>(c);
        h *= 16777619u;
    }
    // FNV mixes upwards only; the finaliser spreads every byte over the low
    // bits that select the slot.
    h ^= h >> 16;
    h *= 0x85EBCA6Bu;
    h ^= h >> 13;
    h *= 0xC2B2AE35u;
    h ^= h >> 16;
    return h;
}

// Names are short: a plain loop beats a call to memcmp.
bool sameName(const char* key, std::string_view name) {
    for (std::size_t i = 0; i < name.size(); ++i)
        if (key[i] != name[i]) return false;
    return true;
}

void setName(SymbolRecord& r, std::string_view name) {
    r.nameLength = static_cast<std::int16_t>(name.size());
    std::memcpy(r.name, name.data(), name.size());
    r.name[name.size()] = '\0';
}

}  // namespace

SymbolTable::SymbolTable() {
    for (std::size_t i = 0; i < kMnemonics.size(); ++i) {
        auto& r = mnemonicRecords_[i];
        setName(r, kMnemonics[i].name);
        r.type = SymbolType::Mnemonic;
        r.code = kMnemonics[i].code;
    }
    setName(registerA_, "a");
    registerA_.type = SymbolType::RegisterA;
    setName(directiveRecords_[0], "x");
    directiveRecords_[0].type = SymbolType::RegisterX;
    setName(directiveRecords_[1], "y");
    directiveRecords_[1].type = SymbolType::RegisterY;
    for (std::size_t i = 0; i < kDirectives.size(); ++i) {
        auto& r = directiveRecords_[i + 2];
        setName(r, kDirectives[i].name);
        r.type = SymbolType::Directive;
        r.code = kDirectives[i].number;
    }
    slots_.resize(kInitialSlots);
}

SymbolRecord* SymbolTable::keyword(std::string_view name, SymbolList list) {
    if (list == SymbolList::Symbols) {
        if (name.size() == 3 && isLower(name[0]) && isLower(name[1]) && isLower(name[2])) {
            int index =
                kMnemonicIndex[static_cast<std::size_t>(packMnemonic(name[0], name[1], name[2]))];
            if (index != 0) return &mnemonicRecords_[static_cast<std::size_t>(index - 1)];
        } else if (name == "a") {
            return &registerA_;
        }
        return nullptr;
    }
    for (auto& r : directiveRecords_) {
        if (name.size() == static_cast<std::size_t>(r.nameLength) &&
            std::memcmp(name.data(), r.name, name.size()) == 0)
            return &r;
    }
    return nullptr;
}

SymbolTable::Slot& SymbolTable::slotFor(std::string_view name, std::uint32_t hash) {
    std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        Slot& s = slots_[i];
        if (s.key == nullptr) return s;
        if (s.hash == hash && s.keyLength == name.size() && sameName(s.key, name)) return s;
    }
}

void SymbolTable::grow() {
    std::vector<Slot, LargeAllocator<Slot>> old(slots_.size() * 2);
    old.swap(slots_);
    std::size_t mask = slots_.size() - 1;
    for (const Slot& s : old) {
        if (s.key == nullptr) continue;
        std::size_t i = s.hash & mask;
        while (slots_[i].key != nullptr) i = (i + 1) & mask;
        slots_[i] = s;
    }
}

SymbolRecord& SymbolTable::newRecord() {
    const std::size_t inBlock = recordCount_ % kRecordsPerBlock;
    if (inBlock == 0 && recordCount_ / kRecordsPerBlock == recordBlocks_.size())
        recordBlocks_.push_back(std::make_unique<SymbolRecord[]>(kRecordsPerBlock));
    SymbolRecord& r = recordBlocks_[recordCount_ / kRecordsPerBlock][inBlock];
    ++recordCount_;
    r = SymbolRecord{};
    return r;
}

SymbolRecord* SymbolTable::lookup(std::string_view name, SymbolList list, bool create,
                                  const BlockTable& blocks) {
    if (SymbolRecord* k = keyword(name, list)) return k;
    if (list == SymbolList::Directives) return nullptr;

    std::uint32_t hash = hashName(name);
    Slot* slot = &slotFor(name, hash);
    // Walk the records of this name, moving outwards from the current block
    // until the walk reaches the block of a record: that record is visible.
    std::uint16_t walkLevel = blocks.currentLevel;
    std::uint16_t walkBlock = blocks.currentBlock;
    SymbolRecord* last = nullptr;
    for (SymbolRecord* r = slot->head; r != nullptr; r = r->next) {
        while (walkLevel > blocks.blockLevel[r->block]) {
            walkBlock = blocks.parentBlock[walkBlock];
            --walkLevel;
        }
        if (walkBlock == r->block) return r;
        last = r;
    }
    if (!create) return nullptr;

    SymbolRecord& fresh = newRecord();
    setName(fresh, name);
    if (last != nullptr) {
        last->next = &fresh;
    } else {
        if (slot->key == nullptr) {
            slot->key = fresh.name;
            slot->keyLength = static_cast<std::uint16_t>(name.size());
            slot->hash = hash;
            ++usedSlots_;
        }
        slot->head = &fresh;
    }
    if (usedSlots_ * 4 > slots_.size() * 3) grow();  // at most three quarters full
    return &fresh;
}

bool SymbolTable::define(SymbolRecord*& record, const BlockTable& blocks) {
    SymbolRecord* r = record;
    std::string_view name(r->name, static_cast<std::size_t>(r->nameLength));
    std::uint32_t hash = hashName(name);
    Slot& slot = slotFor(name, hash);
    if (slot.key == nullptr) {  // only records made by lookup reach here; be safe anyway
        slot.key = r->name;
        slot.keyLength = static_cast<std::uint16_t>(name.size());
        slot.hash = hash;
        ++usedSlots_;
    }
    if (r->defined != 0) {
        if (blocks.currentLevel == blocks.blockLevel[r->block]) return false;
        // Visible from an enclosing block: the definition here is a new record.
        SymbolRecord& copy = newRecord();
        copy = *r;
        r = &copy;
    } else {
        if (blocks.currentLevel == 0) {
            r->defined = 1;
            r->type = SymbolType::Label;
            return true;
        }
        // Unlink the record: it moves to its place among the block's records.
        SymbolRecord** link = &slot.head;
        while (*link != nullptr && *link != r) link = &(*link)->next;
        if (*link == r) *link = r->next;
    }
    r->defined = 1;
    r->type = SymbolType::Label;
    r->block = blocks.currentBlock;
    // Innermost first: in front of the first record not deeper than this block.
    SymbolRecord** link = &slot.head;
    while (*link != nullptr && blocks.currentLevel < blocks.blockLevel[(*link)->block])
        link = &(*link)->next;
    r->next = *link;
    *link = r;
    record = r;
    return true;
}

void SymbolTable::reserveNames(std::size_t names) {
    std::size_t wanted = slots_.size();
    while (wanted * 3 < names * 4) wanted *= 2;
    if (wanted == slots_.size()) return;
    if (usedSlots_ == 0)
        slots_.assign(wanted, Slot{});
    else
        while (slots_.size() < wanted) grow();
}

void SymbolTable::releaseSymbols() {
    recordBlocks_.clear();
    recordCount_ = 0;
    slots_.assign(kInitialSlots, Slot{});
    usedSlots_ = 0;
}

std::vector<const SymbolRecord*> SymbolTable::chainOf(std::string_view name) const {
    std::vector<const SymbolRecord*> chain;
    std::uint32_t hash = hashName(name);
    std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask; slots_[i].key != nullptr; i = (i + 1) & mask) {
        const Slot& s = slots_[i];
        if (s.hash == hash && s.keyLength == name.size() &&
            std::memcmp(s.key, name.data(), name.size()) == 0) {
            for (const SymbolRecord* r = s.head; r != nullptr; r = r->next) chain.push_back(r);
            break;
        }
    }
    return chain;
}

}  // namespace brimwick::assembler
