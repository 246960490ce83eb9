// Making the type-in listing of the RAM kernal loader.
#include "c64/kernal/loader_listing.h"

#include <cctype>
#include <stdexcept>

#include "c64/kernal/ram_kernal.h"
#include "c64/vc64/basic_tokens.h"
#include "c64/vc64/hex_text.h"

namespace brimwick::c64 {

namespace {

constexpr int kBasicStart = 0x0801;
constexpr int kLoadAddressBytes = 2;

}  // namespace

long dataChecksum(int lineNumber, const std::vector<std::uint8_t>& bytes) {
    long sum = lineNumber;
    for (std::size_t i = 0; i < bytes.size(); ++i) sum += static_cast<long>(bytes[i]) * (long(i) + 1);
    return sum;
}

std::vector<ListingLine> loaderListing(const std::vector<std::uint8_t>& loaderProgram) {
    if (loaderProgram.size() <= kLoadAddressBytes ||
        (loaderProgram[0] | (loaderProgram[1] << 8)) != kRamLoaderStart)
        throw std::runtime_error("the RAM kernal loader does not load at $8000");
    std::vector<std::uint8_t> code(loaderProgram.begin() + kLoadAddressBytes, loaderProgram.end());
    int dataLines = static_cast<int>((code.size() + kListingBytesPerLine - 1) / kListingBytesPerLine);
    int lastData = kListingFirstData + kListingStep * (dataLines - 1);
    std::vector<ListingLine> lines = {
        {10, "rem brimwick: the link kernal from ram"},
        // BASIC's strings stay below the loader while it is poked there.
        {20, "poke 56," + std::to_string(kRamLoaderStart >> 8) + ":clr:a=" +
                 std::to_string(kRamLoaderStart) + ":for l=" + std::to_string(kListingFirstData) +
                 " to " + std::to_string(lastData) + " step " + std::to_string(kListingStep) +
                 ":read d$,c:s=l"},
        {30, "for i=1 to len(d$) step 2:h=asc(mid$(d$,i))-48:v=asc(mid$(d$,i+1))-48"},
        {40, "v=(h+7*(h>9))*16+v+7*(v>9):poke a,v:a=a+1:s=s+v*(i+1)/2:next"},
        {50, "if s<>c then print \"error in line\";l:end"},
        {60, "next:sys " + std::to_string(kRamLoaderEntry)},
    };
    for (int n = 0; n < dataLines; ++n) {
        auto from = code.begin() + n * kListingBytesPerLine;
        auto to = code.begin() + std::min<std::size_t>(code.size(), (n + 1) * kListingBytesPerLine);
        std::vector<std::uint8_t> bytes(from, to);
        int number = kListingFirstData + kListingStep * n;
        std::string hex;
        for (std::uint8_t b : bytes) hex += vc64::hex2(b);
        for (char& c : hex) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        lines.push_back({number, "data " + hex + "," + std::to_string(dataChecksum(number, bytes))});
    }
    return lines;
}

std::string listingText(const std::vector<ListingLine>& lines) {
    std::string out;
    for (const ListingLine& line : lines) out += std::to_string(line.number) + " " + line.text + "\n";
    return out;
}

std::vector<std::uint8_t> listingProgram(const std::vector<ListingLine>& lines) {
    std::vector<std::uint8_t> program = {kBasicStart & 0xFF, kBasicStart >> 8};
    for (const ListingLine& line : lines) {
        // Typed lower case, a C64 sees the unshifted letters: PETSCII capitals.
        std::vector<std::uint8_t> typed;
        for (char c : line.text)
            typed.push_back(static_cast<std::uint8_t>(std::toupper(static_cast<unsigned char>(c))));
        std::vector<std::uint8_t> crunched = vc64::crunch(typed);
        int next = kBasicStart + static_cast<int>(program.size()) - kLoadAddressBytes + 4 +
                   static_cast<int>(crunched.size()) + 1;
        program.insert(program.end(), {static_cast<std::uint8_t>(next & 0xFF),
                                       static_cast<std::uint8_t>(next >> 8),
                                       static_cast<std::uint8_t>(line.number & 0xFF),
                                       static_cast<std::uint8_t>(line.number >> 8)});
        program.insert(program.end(), crunched.begin(), crunched.end());
        program.push_back(0);
    }
    program.insert(program.end(), {0, 0});
    return program;
}

}  // namespace brimwick::c64
