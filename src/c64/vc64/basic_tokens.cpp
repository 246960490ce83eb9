// Crunching a typed line into BASIC's tokens.
#include "c64/vc64/basic_tokens.h"

#include <cstddef>

namespace brimwick::c64::vc64 {

namespace {

constexpr std::uint8_t kQuote = '"';
constexpr std::uint8_t kShift = 0x80;  // a shifted letter is its letter + $80

// The length of the input that keyword `word` matches at `at`, 0 for none.
// A character that is the keyword's own plus $80 (shifted) ends it early:
// that is the abbreviation.
std::size_t matchAt(const std::vector<std::uint8_t>& line, std::size_t at, std::string_view word) {
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (at + i >= line.size()) return 0;
        auto c = line[at + i];
        auto k = static_cast<std::uint8_t>(word[i]);
        if (c == k) {
            if (i + 1 == word.size()) return i + 1;
            continue;
        }
        if (c == static_cast<std::uint8_t>(k + kShift)) return i + 1;
        return 0;
    }
    return 0;
}

}  // namespace

std::vector<std::uint8_t> crunch(const std::vector<std::uint8_t>& line) {
    std::vector<std::uint8_t> out;
    bool inQuotes = false;
    bool inData = false;
    for (std::size_t at = 0; at < line.size();) {
        std::uint8_t c = line[at];
        if (inQuotes) {
            out.push_back(c);
            ++at;
            if (c == kQuote) inQuotes = false;
            continue;
        }
        if (c == kQuote) {
            inQuotes = true;
            out.push_back(c);
            ++at;
            continue;
        }
        if (inData) {
            out.push_back(c);
            ++at;
            if (c == ':') inData = false;
            continue;
        }
        if (c == ' ' || c >= kShift || (c >= '0' && c <= ';')) {
            out.push_back(c);
            ++at;
            continue;
        }
        if (c == '?') {
            out.push_back(kTokenPrint);
            ++at;
            continue;
        }
        std::size_t length = 0;
        std::uint8_t token = 0;
        for (std::size_t k = 0; k < kBasicKeywords.size() && length == 0; ++k) {
            length = matchAt(line, at, kBasicKeywords[k]);
            token = static_cast<std::uint8_t>(kFirstToken + k);
        }
        if (length == 0) {
            out.push_back(c);
            ++at;
            continue;
        }
        out.push_back(token);
        at += length;
        if (token == kTokenRem) {
            out.insert(out.end(), line.begin() + static_cast<std::ptrdiff_t>(at), line.end());
            break;
        }
        if (token == kTokenData) inData = true;
    }
    return out;
}

}  // namespace brimwick::c64::vc64
