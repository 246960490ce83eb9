// The C64's keyboard as CIA 1 sees it: 64 keys on an 8 x 8 matrix (cia1.h),
// each named by the port A line of its column and the port B line of its
// row, and RESTORE beside it on the NMI line. Text written for `press`
// becomes key strokes: lower-case ASCII letters are the C64's unshifted
// letters (what shows as capitals in the C64's upper-case set), upper-case
// letters are shifted, digits and the symbols on the keys are typed as a
// C64 types them (shift+2 for '"', shift+: for '[', ...), "\r" is RETURN,
// and a name in braces stands for one key: {clr} {home} {del} {inst}
// {return} {space} {up} {down} {left} {right} {f1}-{f8} {run/stop}
// {restore} {pound} {arrow-left} {arrow-up} and {shift-X}, {c=-X}, {ctrl-X}
// for a key X held with a modifier.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace brimwick::c64 {

// One key of the matrix.
struct MatrixKey {
    int column;  // port A line (0-7)
    int row;     // port B line (0-7)
    bool operator==(const MatrixKey&) const = default;
};

inline constexpr MatrixKey kKeyDelete{0, 0};
inline constexpr MatrixKey kKeyReturn{0, 1};
inline constexpr MatrixKey kKeyCursorRight{0, 2};
inline constexpr MatrixKey kKeyF7{0, 3};
inline constexpr MatrixKey kKeyF1{0, 4};
inline constexpr MatrixKey kKeyF3{0, 5};
inline constexpr MatrixKey kKeyF5{0, 6};
inline constexpr MatrixKey kKeyCursorDown{0, 7};
inline constexpr MatrixKey kKeyLeftShift{1, 7};
inline constexpr MatrixKey kKeyHome{6, 3};
inline constexpr MatrixKey kKeyRightShift{6, 4};
inline constexpr MatrixKey kKeyControl{7, 2};
inline constexpr MatrixKey kKeySpace{7, 4};
inline constexpr MatrixKey kKeyCommodore{7, 5};
inline constexpr MatrixKey kKeyRunStop{7, 7};

// The key that carries `c` on its cap (upper-case letter, digit or symbol;
// "\x5c" for the pound sign, '^' for up-arrow, '_' for left-arrow), or none.
std::optional<MatrixKey> keyForCap(char c);

// One stroke: keys held together, then all released.
struct KeyStroke {
    std::vector<MatrixKey> keys;  // held together (a modifier first)
    bool restore = false;         // RESTORE (not in the matrix) instead
};

// The strokes for `text` (see above); throws std::invalid_argument naming
// what it cannot type.
std::vector<KeyStroke> keyStrokesFor(std::string_view text);

}  // namespace brimwick::c64
