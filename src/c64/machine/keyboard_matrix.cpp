// The keys' places in the matrix and the text that types them.
#include "c64/machine/keyboard_matrix.h"

#include <array>
#include <cctype>

namespace brimwick::c64 {

namespace {

// The cap of each key, by column (port A line) and row (port B line); 0 for
// keys without a single-character cap.
constexpr std::array<std::array<char, 8>, 8> kCaps = {{
    {0, '\r', 0, 0, 0, 0, 0, 0},
    {'3', 'W', 'A', '4', 'Z', 'S', 'E', 0},
    {'5', 'R', 'D', '6', 'C', 'F', 'T', 'X'},
    {'7', 'Y', 'G', '8', 'B', 'H', 'U', 'V'},
    {'9', 'I', 'J', '0', 'M', 'K', 'O', 'N'},
    {'+', 'P', 'L', '-', '.', ':', '@', ','},
    {'\\', '*', ';', 0, 0, '=', '^', '/'},
    {'1', '_', 0, '2', ' ', 0, 'Q', 0},
}};

// What shift adds to the keys: the character and the key it is on.
struct Shifted {
    char c;     // the character typed
    char base;  // the key's cap
};
constexpr Shifted kShifted[] = {
    {'!', '1'}, {'"', '2'}, {'#', '3'}, {'$', '4'}, {'%', '5'}, {'&', '6'}, {'\'', '7'},
    {'(', '8'}, {')', '9'}, {'[', ':'}, {']', ';'}, {'<', ','}, {'>', '.'}, {'?', '/'},
};

struct Named {
    std::string_view name;  // in braces
    MatrixKey key;          // the key
    bool shift;             // held with shift
};
constexpr Named kNamed[] = {
    {"clr", kKeyHome, true},          {"home", kKeyHome, false},
    {"del", kKeyDelete, false},       {"inst", kKeyDelete, true},
    {"return", kKeyReturn, false},    {"space", kKeySpace, false},
    {"down", kKeyCursorDown, false},  {"up", kKeyCursorDown, true},
    {"right", kKeyCursorRight, false}, {"left", kKeyCursorRight, true},
    {"f1", kKeyF1, false},            {"f2", kKeyF1, true},
    {"f3", kKeyF3, false},            {"f4", kKeyF3, true},
    {"f5", kKeyF5, false},            {"f6", kKeyF5, true},
    {"f7", kKeyF7, false},            {"f8", kKeyF7, true},
    {"run/stop", kKeyRunStop, false}, {"pound", {6, 0}, false},
    {"arrow-left", {7, 1}, false},    {"arrow-up", {6, 6}, false},
};

std::string lower(std::string_view text) {
    std::string out;
    for (char c : text) out.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    return out;
}

// One character: its key, shifted or not.
std::optional<KeyStroke> strokeForChar(char c) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    else if (c >= 'A' && c <= 'Z') return KeyStroke{{kKeyLeftShift, *keyForCap(c)}, false};
    if (auto key = keyForCap(c)) return KeyStroke{{*key}, false};
    for (const Shifted& s : kShifted)
        if (s.c == c) return KeyStroke{{kKeyLeftShift, *keyForCap(s.base)}, false};
    return std::nullopt;
}

KeyStroke strokeNamed(const std::string& name) {
    if (name == "restore") return KeyStroke{{}, true};
    for (const Named& n : kNamed)
        if (n.name == name) {
            KeyStroke stroke;
            if (n.shift) stroke.keys.push_back(kKeyLeftShift);
            stroke.keys.push_back(n.key);
            return stroke;
        }
    struct Modifier {
        std::string_view prefix;  // before the key
        MatrixKey key;            // the modifier's key
    };
    constexpr Modifier kModifiers[] = {
        {"shift-", kKeyLeftShift}, {"c=-", kKeyCommodore}, {"ctrl-", kKeyControl}};
    for (const Modifier& m : kModifiers) {
        if (name.rfind(m.prefix, 0) != 0 || name.size() <= m.prefix.size()) continue;
        const std::string rest = name.substr(m.prefix.size());
        KeyStroke inner = rest.size() == 1 ? strokeForChar(rest[0]).value_or(KeyStroke{})
                                           : strokeNamed(rest);
        if (inner.keys.empty()) break;
        inner.keys.insert(inner.keys.begin(), m.key);
        return inner;
    }
    throw std::invalid_argument("no key named {" + name + "}");
}

}  // namespace

std::optional<MatrixKey> keyForCap(char c) {
    if (c == 0) return std::nullopt;
    for (int column = 0; column < 8; ++column)
        for (int row = 0; row < 8; ++row)
            if (kCaps[static_cast<std::size_t>(column)][static_cast<std::size_t>(row)] == c)
                return MatrixKey{column, row};
    return std::nullopt;
}

std::vector<KeyStroke> keyStrokesFor(std::string_view text) {
    std::vector<KeyStroke> strokes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '{') {
            const std::size_t end = text.find('}', i);
            if (end == std::string_view::npos) throw std::invalid_argument("'{' without '}'");
            strokes.push_back(strokeNamed(lower(text.substr(i + 1, end - i - 1))));
            i = end;
            continue;
        }
        auto stroke = strokeForChar(text[i]);
        if (!stroke) {
            throw std::invalid_argument("no C64 key types the character with code " +
                                        std::to_string(static_cast<unsigned char>(text[i])));
        }
        strokes.push_back(std::move(*stroke));
    }
    return strokes;
}

}  // namespace brimwick::c64
