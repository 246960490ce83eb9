// The RAM kernal loader as a BASIC type-in listing, for a C64 that has only
// its keyboard: a few lines of BASIC that read DATA lines of hexadecimal
// bytes, POKE them to $8000 and SYS the loader. Each DATA line ends with its
// checksum (the line number plus each byte times its place in the line), so
// a mistyped digit stops the program with "ERROR IN LINE n" before anything
// runs. The listing is in lower case, as it is typed on a C64 (the screen
// shows capitals), and every line fits the 80 characters the screen editor
// takes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace brimwick::c64 {

// Where the loader starts: after its two entry vectors and its signature.
inline constexpr int kRamLoaderEntry = 0x8009;
// Bytes per DATA line, and the longest line a person types.
inline constexpr int kListingBytesPerLine = 30;
inline constexpr int kListingLongestLine = 80;
inline constexpr int kListingFirstData = 100;
inline constexpr int kListingStep = 10;

struct ListingLine {
    int number;        // the BASIC line number
    std::string text;  // what follows it, as typed
};

// The listing of `loaderProgram` (a program file that loads at $8000);
// throws std::runtime_error for one that does not.
std::vector<ListingLine> loaderListing(const std::vector<std::uint8_t>& loaderProgram);

// The listing as text, one "NUMBER TEXT" line each.
std::string listingText(const std::vector<ListingLine>& lines);

// The listing as a BASIC program file (load address $0801), as the C64
// stores it once typed: keywords crunched into tokens.
std::vector<std::uint8_t> listingProgram(const std::vector<ListingLine>& lines);

// A DATA line's checksum as the listing's own code computes it.
long dataChecksum(int lineNumber, const std::vector<std::uint8_t>& bytes);

}  // namespace brimwick::c64
