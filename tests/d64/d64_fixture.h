// Helpers shared by the D64 tests: a formatted image and a way to store a
// file in it with the same sequence the drive uses when a file is written.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "d64/bam_view.h"
#include "d64/blank_image.h"
#include "d64/c1541_error.h"
#include "d64/file_cursor.h"
#include "d64/geometry.h"

namespace brimwick::d64::testing {

struct D64Image {
    std::vector<std::uint8_t> image = std::vector<std::uint8_t>(kImageSize);  // the disk

    D64Image() { formatBlankImage(image.data()); }

    std::uint8_t* img() { return image.data(); }
    std::uint8_t* block(std::int32_t track, std::int32_t sector) {
        BlockCursor c;
        c.toOffset(track, sector);
        return image.data() + c.offset;
    }
    std::int32_t freeBlocks() { return BamView(img()).freeBlockCount(); }

    // Creates a closed file: free entry, name, first block, data, close.
    // Returns the directory cursor standing on the new entry.
    BlockCursor addFile(const std::string& name, const std::vector<std::uint8_t>& data,
                        std::uint8_t type = 2, BlockLayout layout = BlockLayout::Original) {
        BlockCursor dir(img());
        dir.layout = layout;
        dir.rewind();
        dir.findFreeEntry();
        dir.writeName(name.c_str());
        dir.allocateFirstBlock();
        dir.setEntryType(type);
        FileCursor file(img());
        file.layout = layout;
        file.openAt(dir.entryFirstBlock());
        for (auto b : data) file.writeNext(b);
        file.finishWrite();
        dir.closeEntry();
        return dir;
    }

    // Reads a file's bytes starting at its first block.
    std::vector<std::uint8_t> readFile(std::int32_t firstBlock) {
        FileCursor file(img());
        file.openAt(firstBlock);
        std::vector<std::uint8_t> out;
        for (std::int32_t b; (b = file.readNext()) != kEndOfChain;)
            out.push_back(static_cast<std::uint8_t>(b));
        return out;
    }
};

// The same as a test fixture.
struct ImageFixture : ::testing::Test, D64Image {};

// Runs `action` and returns the text of the drive error it throws ("" when none).
template <typename Action>
std::string driveErrorOf(Action&& action) {
    try {
        action();
    } catch (const c1541_error* e) {
        return e->text;
    }
    return "";
}

inline std::vector<std::uint8_t> pattern(std::size_t n) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::uint8_t>(i * 7 + 3);
    return v;
}

}  // namespace brimwick::d64::testing
