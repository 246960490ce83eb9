// Evaluating BASIC V2 expressions in direct mode.
#include "c64/vc64/basic_expression.h"

#include <cmath>
#include <cstdio>

#include "c64/vc64/basic_tokens.h"

namespace brimwick::c64::vc64 {

namespace {

constexpr std::uint8_t tokenOf(std::string_view keyword) {
    for (std::size_t i = 0; i < kBasicKeywords.size(); ++i)
        if (kBasicKeywords[i] == keyword) return static_cast<std::uint8_t>(kFirstToken + i);
    return 0;
}

constexpr std::uint8_t kTokenPlus = tokenOf("+");
constexpr std::uint8_t kTokenMinusSign = tokenOf("-");
constexpr std::uint8_t kTokenTimes = tokenOf("*");
constexpr std::uint8_t kTokenDivide = tokenOf("/");
constexpr std::uint8_t kTokenPower = tokenOf("^");
constexpr std::uint8_t kTokenPeek = tokenOf("PEEK");
constexpr std::uint8_t kTokenFre = tokenOf("FRE");
constexpr std::uint8_t kTokenChr = tokenOf("CHR$");
constexpr double kLargest = 1.70141183e38;  // BASIC's largest number

double checked(double value) {
    if (!std::isfinite(value) || std::fabs(value) > kLargest) throw BasicError{kOverflow};
    return value;
}

BasicValue numberValue(double value) { return BasicValue{false, checked(value), {}}; }

double number(const BasicValue& value) {
    if (value.isString) throw BasicError{kTypeMismatch};
    return value.number;
}

}  // namespace

int ExpressionReader::peekByte() {
    while (at_ < text_.size() && text_[at_] == ' ') ++at_;
    return at_ < text_.size() ? text_[at_] : -1;
}

void ExpressionReader::expect(int byte) {
    if (peekByte() != byte) throw BasicError{kSyntaxError};
    ++at_;
}

BasicValue ExpressionReader::expression() { return sum(); }

int ExpressionReader::integer(int low, int high) {
    double value = number(expression());
    if (value < low || value >= high + 1.0) throw BasicError{kIllegalQuantityError};
    return static_cast<int>(std::floor(value));
}

BasicValue ExpressionReader::sum() {
    BasicValue left = product();
    for (;;) {
        int op = peekByte();
        if (op != kTokenPlus && op != kTokenMinusSign) return left;
        ++at_;
        BasicValue right = product();
        if (op == kTokenPlus && left.isString && right.isString) {
            left.text += right.text;
            if (left.text.size() > 255) throw BasicError{"STRING TOO LONG"};
            continue;
        }
        double a = number(left), b = number(right);
        left = numberValue(op == kTokenPlus ? a + b : a - b);
    }
}

BasicValue ExpressionReader::product() {
    BasicValue left = unary();
    for (;;) {
        int op = peekByte();
        if (op != kTokenTimes && op != kTokenDivide) return left;
        ++at_;
        double a = number(left), b = number(unary());
        if (op == kTokenDivide && b == 0) throw BasicError{kDivisionByZero};
        left = numberValue(op == kTokenTimes ? a * b : a / b);
    }
}

BasicValue ExpressionReader::unary() {
    int op = peekByte();
    if (op == kTokenMinusSign) {
        ++at_;
        return numberValue(-number(unary()));
    }
    if (op == kTokenPlus) {
        ++at_;
        return unary();
    }
    return power();
}

BasicValue ExpressionReader::power() {
    BasicValue base = primary();
    while (peekByte() == kTokenPower) {
        ++at_;
        double exponent = number(unary());
        base = numberValue(std::pow(number(base), exponent));
    }
    return base;
}

double ExpressionReader::numberLiteral() {
    std::string digits;
    auto digitAt = [&] {
        int c = peekByte();
        return c >= '0' && c <= '9';
    };
    while (digitAt()) digits.push_back(static_cast<char>(text_[at_++]));
    if (peekByte() == '.') {
        digits.push_back(text_[at_++]);
        while (digitAt()) digits.push_back(static_cast<char>(text_[at_++]));
    }
    if (peekByte() == 'E') {
        std::size_t mark = at_;
        std::string exponent = "e";
        ++at_;
        int sign = peekByte();
        if (sign == kTokenMinusSign || sign == '-') {
            exponent.push_back('-');
            ++at_;
        } else if (sign == kTokenPlus || sign == '+') {
            ++at_;
        }
        if (digitAt()) {
            while (digitAt()) exponent.push_back(static_cast<char>(text_[at_++]));
            digits += exponent;
        } else {
            at_ = mark;
        }
    }
    if (digits == ".") return 0;
    return checked(std::strtod(digits.c_str(), nullptr));
}

BasicValue ExpressionReader::function(std::uint8_t token) {
    expect('(');
    BasicValue argument = expression();
    expect(')');
    if (token == kTokenPeek) {
        double address = number(argument);
        if (address < 0 || address >= 65536) throw BasicError{kIllegalQuantityError};
        return numberValue(peek_(static_cast<int>(address)));
    }
    if (token == kTokenFre) return numberValue(fre_());
    double code = number(argument);
    if (code < 0 || code >= 256) throw BasicError{kIllegalQuantityError};
    return BasicValue{true, 0, std::string(1, static_cast<char>(static_cast<int>(code)))};
}

BasicValue ExpressionReader::primary() {
    int c = peekByte();
    if ((c >= '0' && c <= '9') || c == '.') return numberValue(numberLiteral());
    if (c == '"') {
        ++at_;
        BasicValue value{true, 0, {}};
        while (at_ < text_.size() && text_[at_] != '"') value.text.push_back(static_cast<char>(text_[at_++]));
        if (at_ < text_.size()) ++at_;
        return value;
    }
    if (c == '(') {
        ++at_;
        BasicValue value = expression();
        expect(')');
        return value;
    }
    if (c == kPiToken) {
        ++at_;
        return numberValue(3.14159265);
    }
    if (c == kTokenPeek || c == kTokenFre || c == kTokenChr) {
        ++at_;
        return function(static_cast<std::uint8_t>(c));
    }
    throw BasicError{kSyntaxError};
}

std::string formatNumber(double value) {
    std::string text = value < 0 ? "-" : " ";
    double magnitude = std::fabs(value);
    char buffer[32];
    if (magnitude == 0) {
        text += "0";
    } else if (magnitude < 0.01 || magnitude >= 1e9) {
        std::snprintf(buffer, sizeof buffer, "%.8E", magnitude);
        std::string s = buffer;  // d.ddddddddE+XX
        std::size_t e = s.find('E');
        std::string mantissa = s.substr(0, e);
        while (!mantissa.empty() && mantissa.back() == '0') mantissa.pop_back();
        if (!mantissa.empty() && mantissa.back() == '.') mantissa.pop_back();
        text += mantissa + s.substr(e);
    } else {
        std::snprintf(buffer, sizeof buffer, "%.9g", magnitude);
        std::string s = buffer;
        if (s.rfind("0.", 0) == 0) s.erase(0, 1);
        text += s;
    }
    return text + " ";
}

}  // namespace brimwick::c64::vc64
