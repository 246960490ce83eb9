// Object files: each segment (the code between two "*=" lines) becomes one
// C64 program file: a two-byte load address, low byte first, followed by the
// bytes to load there. With the address in the name, every segment gets a
// file of its own (democ000.prg); without it they all share one name.
#include <algorithm>
#include <cstdio>
#include <vector>

#include "asm/assembler.h"

namespace brimwick::assembler {

void Assembler::writeSegment() {
    // A segment that ran past $FFFF wrapped the address counter: it is
    // written up to the top of memory, and cut there when it went beyond.
    std::uint32_t end = pc_;
    if (segmentStart_ > pc_) {
        if (pc_ != 0) setWarning(kWarnCodeCut);
        end = 0x10000;
    }
    std::string path = basePath_;
    if (options_.addressInObjectName) {
        char digits[8];
        std::snprintf(digits, sizeof digits, "%.4x", segmentStart_);
        path += digits;
    }
    path += kObjectExtension;

    // The end shown is the address after the last byte, except at the top of
    // memory, where it stays a 16-bit address like every other one.
    char range[32];
    std::snprintf(range, sizeof range, "$%.4x-$%.4x", segmentStart_,
                  std::min(end, std::uint32_t{0xFFFF}));
    writeListing("\n writing  ");
    writeListing(range);
    writeListing("  ");
    writeListing(path);

    const auto loadAddress = static_cast<std::uint16_t>(segmentStart_ + offsValue_);
    std::vector<std::uint8_t> bytes;
    bytes.reserve(end - segmentStart_ + 2);
    bytes.push_back(static_cast<std::uint8_t>(loadAddress & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(loadAddress >> 8));
    bytes.insert(bytes.end(), image_.begin() + segmentStart_, image_.begin() + end);
    // A name with an address cannot be the source's own, but a link of that
    // name may lead to it.
    if (options_.addressInObjectName && files_->sameFile(path, sourcePath_)) {
        setError(kErrCantWriteFile, path + ": it is the source file");
        return;
    }
    std::string failure;
    if (!files_->writeOutput(path, bytes, failure))
        setError(kErrCantWriteFile, path + ": " + failure);
}

}  // namespace brimwick::assembler
