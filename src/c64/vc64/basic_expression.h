// BASIC V2's expressions, as far as the virtual C64's direct mode takes
// them: numbers (BASIC's floating point, in a double here), strings in
// quotes, + - * / ^ with BASIC's precedence, unary minus, parentheses, and
// the functions PEEK(address), FRE(x) and CHR$(code); + joins strings. A
// variable or any other function is a ?SYNTAX  ERROR.
//
// FRE counts the bytes between the end of the arrays ($31) and the bottom
// of the strings ($33), as BASIC does, and like BASIC gives a count above
// 32767 as a negative number: a fresh C64's PRINT FRE(0) says -26627.
//
// Numbers print as BASIC prints them: a blank or "-" before, a blank after,
// at most nine digits, no 0 before the point (" .5 "), and the E notation
// below 0.01 and from 1E9 up (" 1E+09 ").
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace brimwick::c64::vc64 {

// A BASIC error: the message BASIC prints between "?" and "  ERROR".
struct BasicError {
    std::string_view message;  // e.g. "SYNTAX"
};

inline constexpr std::string_view kSyntaxError = "SYNTAX";
inline constexpr std::string_view kTypeMismatch = "TYPE MISMATCH";
inline constexpr std::string_view kIllegalQuantityError = "ILLEGAL QUANTITY";
inline constexpr std::string_view kDivisionByZero = "DIVISION BY ZERO";
inline constexpr std::string_view kOverflow = "OVERFLOW";

// A value: a number or a string.
struct BasicValue {
    bool isString = false;  // which of the two it holds
    double number = 0;      // the number
    std::string text;       // the string's PETSCII bytes
};

// Reads expressions from a crunched line; `peek` reads memory as the CPU
// would, `fre` gives FRE's count.
class ExpressionReader {
  public:
    ExpressionReader(const std::vector<std::uint8_t>& text, std::size_t& at,
                     std::function<int(int)> peek, std::function<int()> fre)
        : text_(text), at_(at), peek_(std::move(peek)), fre_(std::move(fre)) {}

    // One expression; throws BasicError.
    BasicValue expression();
    // A numeric expression that must lie in `low`..`high` (ILLEGAL QUANTITY
    // otherwise), cut to an integer as BASIC does.
    int integer(int low, int high);
    // The next byte after blanks, -1 at the end of the line.
    int peekByte();

  private:
    BasicValue sum();
    BasicValue product();
    BasicValue power();
    BasicValue unary();
    BasicValue primary();
    BasicValue function(std::uint8_t token);
    double numberLiteral();
    void expect(int byte);

    const std::vector<std::uint8_t>& text_;  // the crunched line
    std::size_t& at_;                        // the reading position, shared with the caller
    std::function<int(int)> peek_;           // memory as PEEK sees it
    std::function<int()> fre_;               // FRE's count
};

// A number as PRINT shows it, with its blank before and after.
std::string formatNumber(double value);

}  // namespace brimwick::c64::vc64
