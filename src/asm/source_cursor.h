// The reading position in the source buffer. Macro bodies and macro
// parameters are read in place: a macro call or a parameter marker saves the
// cursor on the source stack and moves it; reaching the end of a window (the
// end of a parameter, or of the whole text) restores the saved cursor.
#pragma once

#include <array>
#include <cstdint>

namespace brimwick::assembler {

inline constexpr int kMaxMacroParameters = 9;
inline constexpr int kSourceStackSize = 200;
// No macro call is being expanded.
inline constexpr std::int32_t kNoMacroContext = -1;

struct SourceCursor {
    std::int32_t pos = 0;                         // index of the next byte to read
    std::int32_t windowEnd = 0;                   // reading stops when pos reaches it
    std::int32_t macroContext = kNoMacroContext;  // stack index of the innermost macro call
    std::array<std::int32_t, kMaxMacroParameters> paramStart{};  // first byte of each parameter
    std::array<std::int32_t, kMaxMacroParameters> paramEnd{};    // end (exclusive) of each one
    std::int32_t paramCount = 0;                                 // parameters collected, 0..9
};

// Saved cursors of the macro calls and parameter markers being read.
class SourceStack {
  public:
    // Saves `cursor`; false when all 200 entries are in use.
    bool push(const SourceCursor& cursor) {
        if (count_ >= kSourceStackSize) return false;
        entries_[static_cast<std::size_t>(count_++)] = cursor;
        return true;
    }
    // Restores the last saved cursor into `cursor`; false when empty.
    bool pop(SourceCursor& cursor) {
        if (count_ == 0) return false;
        cursor = entries_[static_cast<std::size_t>(--count_)];
        return true;
    }
    void clear() { count_ = 0; }
    std::int32_t count() const { return count_; }
    // The entry at `index`, or null when no such entry is in use.
    const SourceCursor* at(std::int32_t index) const {
        if (index < 0 || index >= count_) return nullptr;
        return &entries_[static_cast<std::size_t>(index)];
    }

  private:
    std::array<SourceCursor, kSourceStackSize> entries_{};  // saved cursors, oldest first
    std::int32_t count_ = 0;                                // entries in use
};

}  // namespace brimwick::assembler
