// TextSlice: Brimwick's string type for paths, file name extensions, command strings and C64
// file names. A slice views a character buffer (borrowed from the caller or owned by the slice)
// through a window between two indices, the anchor and the cursor. Moves and searches shift the
// cursor and either drag the anchor along (empty window at the cursor) or leave it standing (the
// window spans anchor..cursor), so a path is cut into directory, name and extension without
// copying; a copy is made only when a NUL-terminated result is asked for.
//
// foldLower folds by bit 6 rather than by ASCII range: C64 names arrive in PETSCII, where
// shifted letters sit at 0xC1..0xDA as well as at 0x41..0x5A, and both must fold to 'a'..'z'.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

namespace brimwick {

// A count larger than any text: moving or extending by it reaches an end of the text.
inline constexpr std::int32_t kToEnd = 0x70000000;
// The longest text a slice holds, so that kToEnd always reaches the end.
inline constexpr std::int32_t kMaxTextSize = kToEnd - 1;

class TextSlice {
  public:
    // No buffer; must be assigned before its text is used.
    TextSlice() = default;
    // Borrows a writable C string (no copy); foldLower/swapCase change the caller's characters.
    explicit TextSlice(char* text) { assign(text); }
    // Borrows a read-only C string (no copy); foldLower/swapCase first take a private copy.
    explicit TextSlice(const char* text) { assign(text); }
    // Owns a copy of the other's window.
    TextSlice(const TextSlice& other) { assign(other); }
    // Takes over the other's buffer; the other becomes an empty default slice.
    TextSlice(TextSlice&& other) noexcept;
    TextSlice& operator=(const TextSlice& other) { return assign(other); }
    TextSlice& operator=(TextSlice&& other) noexcept;
    ~TextSlice() = default;

    // Borrows the C string: the window is all of it, cursor 0, anchor at its end.
    TextSlice& assign(char* text);
    TextSlice& assign(const char* text);
    // Owns a copy of the other's window (only the window): cursor 0, anchor at its end.
    TextSlice& assign(const TextSlice& other);

    // Replaces the text by a new owned copy of the window; returns the new buffer.
    char* materialize();
    // The window's text, NUL-terminated. Copies unless the slice already owns exactly its window;
    // valid until the slice is next assigned, appended to, materialised or destroyed.
    const char* cstr();
    // The whole buffer (not the window's start).
    char* buffer() { return text_; }
    const char* buffer() const { return text_; }
    // Hands the owned buffer to the caller (empty when the slice does not own one). The slice
    // still views it but no longer frees it; afterwards the slice should only be destroyed.
    std::unique_ptr<char[]> release();

    // Makes the next search or comparison inclusive (one shot).
    TextSlice& inclusive();

    // Index of the window's first character.
    std::int32_t start() const { return anchor_ < cursor_ ? anchor_ : cursor_; }
    // Number of characters in the window.
    std::int32_t length() const {
        return anchor_ < cursor_ ? cursor_ - anchor_ : anchor_ - cursor_;
    }
    // The window's characters, without copying.
    std::string_view window() const {
        return {text_ + start(), static_cast<std::size_t>(length())};
    }

    // Moves by n characters; the cursor stops at the ends. move* collapses the window at the new
    // cursor, extend* leaves the anchor standing.
    TextSlice& moveBack(std::int32_t n);
    TextSlice& moveForward(std::int32_t n);
    TextSlice& extendBack(std::int32_t n);
    TextSlice& extendForward(std::int32_t n);

    // Searches the whole buffer for the pattern (a C string, or another slice's window). Backward
    // matches begin before the cursor, forward matches after it. Found: the cursor stands on the
    // match's first character, or just behind the match after inclusive(). Not found: found() is
    // false and the cursor parks at 0 (backward) or size() (forward). seek* then set the anchor to
    // the cursor; extend*To leave it standing.
    TextSlice& seekBack(const char* pattern);
    TextSlice& seekBack(const TextSlice& pattern);
    TextSlice& extendBackTo(const char* pattern);
    TextSlice& extendBackTo(const TextSlice& pattern);
    TextSlice& seekForward(const char* pattern);
    TextSlice& seekForward(const TextSlice& pattern);
    TextSlice& extendForwardTo(const char* pattern);
    TextSlice& extendForwardTo(const TextSlice& pattern);

    // Whether the window equals the pattern; after inclusive() whether the shorter of the two is
    // a prefix of the longer.
    bool equals(const char* pattern);
    bool equals(const TextSlice& pattern);

    // Replaces the text by the window followed by the pattern, in a new owned buffer; the rest of
    // the old text is dropped. The pattern may be this slice.
    TextSlice& append(const char* pattern);
    TextSlice& append(const TextSlice& pattern);

    // Folds the window to lower case by bit 6 (PETSCII and ASCII capitals alike).
    void foldLower();
    // Swaps the case of the ASCII letters in the window.
    void swapCase();

    bool found() const { return found_; }
    std::int32_t size() const { return size_; }
    std::int32_t anchor() const { return anchor_; }
    std::int32_t cursor() const { return cursor_; }
    bool isInclusive() const { return inclusive_; }
    bool owning() const { return owning_; }
    bool released() const { return released_; }
    bool readOnly() const { return readOnly_; }

  private:
    TextSlice& borrow(char* text, bool readOnly);
    TextSlice& collapse();
    TextSlice& adopt(std::unique_ptr<char[]> buffer, std::int32_t size);
    void search(std::string_view pattern, std::int32_t step);
    bool matchesAt(std::int32_t index, std::string_view pattern) const;
    std::int32_t clampedCursor(std::int64_t index) const;
    std::span<char> writableWindow();

    char* text_ = nullptr;           // the viewed buffer: borrowed, or owned_ (size_ chars + NUL)
    std::int32_t size_ = 0;          // characters in the buffer
    std::int32_t anchor_ = 0;        // the window's fixed end, 0..size_
    std::int32_t cursor_ = 0;        // the window's moving end, 0..size_
    bool found_ = true;              // outcome of the last search; true after assignment
    bool inclusive_ = false;         // one-shot modifier for the next search or comparison
    bool owning_ = false;            // text_ was allocated by the slice
    bool released_ = false;          // the owned buffer was handed over; the slice must not free it
    bool readOnly_ = false;          // text_ is borrowed through a const pointer: never write it
    std::unique_ptr<char[]> owned_;  // storage of the owned buffer (kept while text_ borrows it)
};

// Path idioms: each selects a window of a path (call cstr() for the C string).
// The separator as a pattern text (the same character as platform::kPathSeparator).
inline constexpr char kPathSeparatorText[] = "/";

// The base name up to the first "." after the last separator, or to the end. Without a separator:
// from index 0 up to the first "." after index 0, or all of it.
TextSlice& selectBaseName(TextSlice& path, const char* separator = kPathSeparatorText);
// The base name between the last separator and the last ".". No dot: empty; no separator: from
// index 0 up to the last dot.
TextSlice& selectBaseNameBeforeLastDot(TextSlice& path, const char* separator = kPathSeparatorText);
// The path up to its last "."; empty when there is no dot.
TextSlice& selectWithoutExtension(TextSlice& path);
// The directory with its trailing separator; empty when there is no separator.
TextSlice& selectDirectory(TextSlice& path, const char* separator = kPathSeparatorText);
// The last four characters (an extension with its dot), or all of a shorter text.
TextSlice& selectLastFour(TextSlice& path);

}  // namespace brimwick
