// The checks on names and lines typed into the C64.
#include "shell/typed_name.h"

#include <cstdint>
#include <cstdio>

#include "drive/host_files.h"
#include "link/keyboard_feed.h"
#include "shell/settings_editor.h"

namespace brimwick::shell {

namespace {

constexpr std::uint8_t kFirstPrintable = 0x20;
constexpr std::uint8_t kDelete = 0x7F;
// PETSCII 0x80..0x9F are keys, not characters: colours, cursor moves, the
// function keys, shifted RETURN.
constexpr std::uint8_t kFirstControlKey = 0x80;
constexpr std::uint8_t kLastControlKey = 0x9F;
constexpr char kReturn = '\r';

// Characters that the drive reads as part of the name's syntax rather than
// as a character of the name: options after ',', the drive part before ':',
// the wildcards, the copy command's '='.
constexpr std::string_view kNameSyntax = "\",:*?=";
// Characters that change what a name means when they come first: '@'
// replaces, '$' lists the directory, '#' opens a buffer.
constexpr std::string_view kLeadingSyntax = "@$#";

std::string hexByte(std::uint8_t b) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%02X", b);
    return hex;
}

std::string describe(std::uint8_t b) {
    switch (b) {
        case '\r':
            return "a carriage return (byte 0x0D)";
        case '\n':
            return "a line feed (byte 0x0A)";
        case '"':
            return "a quote";
        default:
            break;
    }
    if (b < kFirstPrintable || b == kDelete) return "the control byte " + hexByte(b);
    if (b >= kFirstControlKey && b <= kLastControlKey)
        return "the byte " + hexByte(b) + ", a control key of the C64";
    return "the character '" + std::string(1, static_cast<char>(b)) + "'";
}

char folded(std::uint8_t c) {
    return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 0x20 : c);
}

}  // namespace

std::optional<std::string> untypeableName(std::string_view name) {
    if (name.empty()) return "it is empty";
    if (kLeadingSyntax.find(name.front()) != std::string_view::npos)
        return "it begins with '" + std::string(1, name.front()) +
               "', which the drive reads as a command";
    for (char c : name) {
        auto b = static_cast<std::uint8_t>(c);
        bool control = b < kFirstPrintable || b == kDelete ||
                       (b >= kFirstControlKey && b <= kLastControlKey);
        if (control || kNameSyntax.find(c) != std::string_view::npos)
            return "it holds " + describe(b);
        // The key the C64 gets for the byte, and the PC character the drive
        // makes of it again, must name the same file (case does not matter).
        auto key = static_cast<std::uint8_t>(link::translateKey(b));
        if (folded(drive::toHostChar(key)) != folded(b))
            return "it holds " + describe(b) + ", which the C64 cannot type as itself";
    }
    return std::nullopt;
}

std::optional<std::string> untypeableLines(std::string_view text, std::string_view before) {
    // What the reset sequence leaves unfinished on its last line comes first.
    std::size_t lastReturn = before.rfind(kReturn);
    std::size_t length =
        lastReturn == std::string_view::npos ? before.size() : before.size() - lastReturn - 1;
    for (char c : text) {
        if (c == kReturn) {
            length = 0;
            continue;
        }
        if (++length > kLogicalLineLength)
            return "a typed line would be longer than the " + std::to_string(kLogicalLineLength) +
                   " characters of a C64 screen line";
    }
    return std::nullopt;
}

std::string displayName(std::string_view name) {
    for (char c : name) {
        auto b = static_cast<std::uint8_t>(c);
        if (b < kFirstPrintable || b == kDelete) return escapeText(name);
    }
    return std::string(name);
}

}  // namespace brimwick::shell
