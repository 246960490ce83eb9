// TextSlice operations: borrowing and owning, moves by count, pattern searches, comparison,
// append and the in-place case conversions, plus the path idioms built from them.
#include "base/text_slice.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <span>
#include <stdexcept>
#include <utility>

namespace brimwick {

namespace {

// The length of a text that a slice may hold.
std::int32_t checkedSize(std::size_t size) {
    if (size > static_cast<std::size_t>(kMaxTextSize)) {
        throw std::length_error("text too long for a TextSlice");
    }
    return static_cast<std::int32_t>(size);
}

// A new buffer holding first then second, NUL-terminated.
std::unique_ptr<char[]> joined(std::string_view first, std::string_view second) {
    auto buffer = std::make_unique_for_overwrite<char[]>(first.size() + second.size() + 1);
    char* end = std::copy(first.begin(), first.end(), buffer.get());
    end = std::copy(second.begin(), second.end(), end);
    *end = '\0';
    return buffer;
}

}  // namespace

TextSlice::TextSlice(TextSlice&& other) noexcept
    : text_(std::exchange(other.text_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      anchor_(std::exchange(other.anchor_, 0)),
      cursor_(std::exchange(other.cursor_, 0)),
      found_(std::exchange(other.found_, true)),
      inclusive_(std::exchange(other.inclusive_, false)),
      owning_(std::exchange(other.owning_, false)),
      released_(std::exchange(other.released_, false)),
      readOnly_(std::exchange(other.readOnly_, false)),
      owned_(std::move(other.owned_)) {}

TextSlice& TextSlice::operator=(TextSlice&& other) noexcept {
    if (this != &other) {
        TextSlice taken(std::move(other));
        std::swap(text_, taken.text_);
        std::swap(size_, taken.size_);
        std::swap(anchor_, taken.anchor_);
        std::swap(cursor_, taken.cursor_);
        std::swap(found_, taken.found_);
        std::swap(inclusive_, taken.inclusive_);
        std::swap(owning_, taken.owning_);
        std::swap(released_, taken.released_);
        std::swap(readOnly_, taken.readOnly_);
        std::swap(owned_, taken.owned_);
    }
    return *this;
}

TextSlice& TextSlice::assign(char* text) {
    return borrow(text, false);
}

TextSlice& TextSlice::assign(const char* text) {
    // Never written through: readOnly_ makes the conversions copy first.
    return borrow(const_cast<char*>(text), true);
}

TextSlice& TextSlice::borrow(char* text, bool readOnly) {
    const std::int32_t size = checkedSize(text == nullptr ? 0 : std::strlen(text));
    // A string taken from this slice's own buffer keeps that buffer alive while it is viewed.
    const bool inOwnBuffer = owned_ && std::less_equal<const char*>{}(text_, text) &&
                             std::less_equal<const char*>{}(text, text_ + size_);
    if (!inOwnBuffer) owned_.reset();
    text_ = text;
    size_ = size;
    readOnly_ = readOnly;
    owning_ = false;
    found_ = true;
    return collapse();
}

TextSlice& TextSlice::assign(const TextSlice& other) {
    found_ = true;
    return adopt(joined(other.window(), {}), other.length());
}

// Takes a fresh NUL-terminated buffer of size characters as the whole text, freeing the old one.
TextSlice& TextSlice::adopt(std::unique_ptr<char[]> buffer, std::int32_t size) {
    owned_ = std::move(buffer);
    text_ = owned_.get();
    size_ = size;
    owning_ = true;
    readOnly_ = false;
    return collapse();
}

// The window becomes the whole text: cursor at 0, anchor at the end.
TextSlice& TextSlice::collapse() {
    cursor_ = 0;
    anchor_ = size_;
    inclusive_ = false;
    return *this;
}

char* TextSlice::materialize() {
    adopt(joined(window(), {}), length());
    return text_;
}

const char* TextSlice::cstr() {
    inclusive_ = false;
    if (owning_ && start() == 0 && length() == size_) return text_;
    return materialize();
}

std::unique_ptr<char[]> TextSlice::release() {
    released_ = true;
    if (!owning_) return {};
    return std::move(owned_);
}

TextSlice& TextSlice::inclusive() {
    inclusive_ = true;
    return *this;
}

// Counts are clamped to the text at both ends, negative counts included.
std::int32_t TextSlice::clampedCursor(std::int64_t index) const {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(index, 0, size_));
}

TextSlice& TextSlice::moveBack(std::int32_t n) {
    extendBack(n);
    anchor_ = cursor_;
    return *this;
}

TextSlice& TextSlice::moveForward(std::int32_t n) {
    extendForward(n);
    anchor_ = cursor_;
    return *this;
}

TextSlice& TextSlice::extendBack(std::int32_t n) {
    cursor_ = clampedCursor(std::int64_t{cursor_} - n);
    inclusive_ = false;
    return *this;
}

TextSlice& TextSlice::extendForward(std::int32_t n) {
    cursor_ = clampedCursor(std::int64_t{cursor_} + n);
    inclusive_ = false;
    return *this;
}

bool TextSlice::matchesAt(std::int32_t index, std::string_view pattern) const {
    return std::equal(pattern.begin(), pattern.end(), text_ + index);
}

// Steps the cursor by step (-1 backward, +1 forward) over the candidate positions 0..size - p.
// Backward the first candidate is min(cursor - 1, size - p), forward it is cursor + 1: a match
// at the cursor itself is skipped, so repeated searches step from one occurrence to the next.
// A failed search parks the cursor at the end it ran into.
void TextSlice::search(std::string_view pattern, std::int32_t step) {
    const auto p = static_cast<std::int32_t>(pattern.size());
    const std::int32_t last = size_ - p;
    found_ = true;
    if (step < 0 && size_ - cursor_ < p) cursor_ = last + 1;
    for (cursor_ += step; cursor_ >= 0 && cursor_ <= last; cursor_ += step) {
        if (matchesAt(cursor_, pattern)) {
            if (inclusive_) cursor_ += p;
            inclusive_ = false;
            return;
        }
    }
    inclusive_ = false;
    found_ = false;
    cursor_ = step < 0 ? 0 : size_;
}

TextSlice& TextSlice::seekBack(const char* pattern) {
    return seekBack(TextSlice(pattern));
}

TextSlice& TextSlice::seekBack(const TextSlice& pattern) {
    search(pattern.window(), -1);
    anchor_ = cursor_;
    return *this;
}

TextSlice& TextSlice::extendBackTo(const char* pattern) {
    return extendBackTo(TextSlice(pattern));
}

TextSlice& TextSlice::extendBackTo(const TextSlice& pattern) {
    search(pattern.window(), -1);
    return *this;
}

TextSlice& TextSlice::seekForward(const char* pattern) {
    return seekForward(TextSlice(pattern));
}

TextSlice& TextSlice::seekForward(const TextSlice& pattern) {
    search(pattern.window(), +1);
    anchor_ = cursor_;
    return *this;
}

TextSlice& TextSlice::extendForwardTo(const char* pattern) {
    return extendForwardTo(TextSlice(pattern));
}

TextSlice& TextSlice::extendForwardTo(const TextSlice& pattern) {
    search(pattern.window(), +1);
    return *this;
}

bool TextSlice::equals(const char* pattern) {
    return equals(TextSlice(pattern));
}

bool TextSlice::equals(const TextSlice& pattern) {
    const std::string_view a = window();
    const std::string_view b = pattern.window();
    if (!inclusive_ && a.size() != b.size()) return false;
    const std::size_t n = std::min(a.size(), b.size());
    inclusive_ = false;
    return a.substr(0, n) == b.substr(0, n);
}

TextSlice& TextSlice::append(const char* pattern) {
    return append(TextSlice(pattern));
}

TextSlice& TextSlice::append(const TextSlice& pattern) {
    const std::string_view tail = pattern.window();
    const std::int32_t size = checkedSize(std::size_t(length()) + tail.size());
    // Both parts are copied before the old buffer (which may hold the pattern) is freed.
    return adopt(joined(window(), tail), size);
}

// The window's characters, ready to be written: a read-only borrowed text is first copied whole,
// so that indices and window stay as they were.
std::span<char> TextSlice::writableWindow() {
    if (readOnly_) {
        const std::int32_t anchor = anchor_, cursor = cursor_;
        const bool inclusive = inclusive_;
        adopt(joined({text_, std::size_t(size_)}, {}), size_);
        anchor_ = anchor;
        cursor_ = cursor;
        inclusive_ = inclusive;
    }
    return {text_ + start(), std::size_t(length())};
}

void TextSlice::foldLower() {
    if (length() == 0) return;
    for (char& c : writableWindow()) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte & 0x40) c = static_cast<char>((byte & 0x1F) | 0x60);
    }
}

void TextSlice::swapCase() {
    if (length() == 0) return;
    for (char& c : writableWindow()) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) c = static_cast<char>(c ^ 0x20);
    }
}

TextSlice& selectBaseName(TextSlice& path, const char* separator) {
    return path.moveForward(kToEnd).inclusive().seekBack(separator).extendForwardTo(".");
}

TextSlice& selectBaseNameBeforeLastDot(TextSlice& path, const char* separator) {
    return path.moveForward(kToEnd).seekBack(".").inclusive().extendBackTo(separator);
}

TextSlice& selectWithoutExtension(TextSlice& path) {
    return path.moveBack(kToEnd).extendForward(kToEnd).extendBackTo(".");
}

TextSlice& selectDirectory(TextSlice& path, const char* separator) {
    return path.moveBack(kToEnd).extendForward(kToEnd).inclusive().extendBackTo(separator);
}

TextSlice& selectLastFour(TextSlice& path) {
    return path.moveForward(kToEnd).extendBack(4);
}

}  // namespace brimwick
