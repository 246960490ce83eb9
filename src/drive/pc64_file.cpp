// The PC64 header and PC64 file names.
#include "drive/pc64_file.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

#include "d64/block_cursor.h"
#include "d64/file_types.h"
#include "drive/host_files.h"

namespace brimwick::drive {

namespace {

constexpr char kSignature[] = "C64File";          // then a 0 byte
constexpr std::size_t kNameAt = 8;                // the C64 name
constexpr char kTypeLetters[] = {'d', 's', 'p', 'u', 'r'};  // by file type

}  // namespace

int pc64TypeOfName(const std::string& pcName) {
    std::size_t dot = pcName.rfind('.');
    if (dot == std::string::npos || pcName.size() - dot != 4) return -1;
    auto letter = static_cast<char>(std::tolower(static_cast<unsigned char>(pcName[dot + 1])));
    if (!std::isdigit(static_cast<unsigned char>(pcName[dot + 2])) ||
        !std::isdigit(static_cast<unsigned char>(pcName[dot + 3])))
        return -1;
    for (int type = d64::kFileTypeSeq; type <= d64::kFileTypeRel; ++type)
        if (letter == kTypeLetters[type]) return type;
    return -1;
}

std::optional<std::string> pc64NameOf(std::span<const std::uint8_t> header) {
    if (header.size() < kPc64HeaderSize || std::memcmp(header.data(), kSignature, sizeof kSignature) != 0)
        return std::nullopt;
    std::string name(header.begin() + kNameAt, header.begin() + kNameAt + d64::kNameLength);
    while (!name.empty() && (name.back() == '\0' || static_cast<std::uint8_t>(name.back()) == d64::kNameFill))
        name.pop_back();
    return name;
}

std::vector<std::uint8_t> pc64Header(const std::string& name) {
    std::vector<std::uint8_t> header(kPc64HeaderSize, 0);
    std::memcpy(header.data(), kSignature, sizeof kSignature);
    for (std::size_t i = 0; i < name.size() && i < static_cast<std::size_t>(d64::kNameLength); ++i)
        header[kNameAt + i] = static_cast<std::uint8_t>(name[i]);
    return header;
}

std::string pc64FileName(const std::string& name, int type, int number) {
    std::string base;
    for (char c : toHostName(name)) {
        auto u = static_cast<unsigned char>(c);
        // Only plain characters: the C64 name itself is in the header.
        base += std::isalnum(u) || c == ' ' || c == '-' || c == '.' ? c : '_';
    }
    if (base.empty()) base = "_";
    char extension[5];
    std::snprintf(extension, sizeof extension, ".%c%02d", kTypeLetters[type >= d64::kFileTypeDel && type <= d64::kFileTypeRel ? type : d64::kFileTypePrg], number);
    return base + extension;
}

std::string pc64OptionKey(int device) {
    return "drive." + std::to_string(device) + ".format";
}

bool c64NameMatches(const std::string& name, const std::string& pattern) {
    std::uint8_t padded[d64::kNameLength];
    std::memset(padded, d64::kNameFill, sizeof padded);
    std::memcpy(padded, name.data(), std::min(name.size(), sizeof padded));
    return d64::nameMatches(padded, pattern.c_str());
}

}  // namespace brimwick::drive
