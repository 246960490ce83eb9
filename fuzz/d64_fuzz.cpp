// Feeds arbitrary disk images through every walk over the directory and the
// block chains: listing names, matching, reading every file, appending to and
// deleting a file, and creating new ones, with the original's block layout and
// the 1541's. Whatever the image holds (a BAM whose counts and bits disagree,
// a directory off track 18), every walk must end and nothing may be touched
// outside the image.
//
// An input of exactly one image's size is used as the image. Any other input
// starts from a formatted image holding a few files and is read as a search
// pattern followed by patches: three bytes of offset, one byte of length, data.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "d64/bam_view.h"
#include "d64/blank_image.h"
#include "d64/c1541_error.h"
#include "d64/file_cursor.h"
#include "d64/geometry.h"

using namespace brimwick;
using namespace brimwick::d64;

namespace {

void addFile(std::uint8_t* image, const char* name, std::size_t length,
             BlockLayout layout = BlockLayout::Original) {
    BlockCursor dir(image);
    dir.layout = layout;
    dir.rewind();
    dir.findFreeEntry();
    dir.writeName(name);
    dir.allocateFirstBlock();
    dir.setEntryType(2);
    FileCursor file(image);
    file.layout = layout;
    file.openAt(dir.entryFirstBlock());
    for (std::size_t i = 0; i < length; ++i) file.writeNext(static_cast<std::uint8_t>(i));
    file.finishWrite();
    dir.closeEntry();
}

template <typename Step>
void guarded(Step&& step) {
    try {
        step();
    } catch (const c1541_error*) {
        // A drive error is a fine outcome for a damaged image.
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> image(kImageSize);
    std::string patternText = "*";
    if (size == static_cast<std::size_t>(kImageSize)) {
        std::memcpy(image.data(), data, size);
    } else {
        formatBlankImage(image.data());
        addFile(image.data(), "FIRST", 10);
        addFile(image.data(), "SECOND", 600);
        addFile(image.data(), "THIRD", 254);
        std::size_t at = 0;
        if (at < size) {
            std::size_t n = data[at++] % 20;
            patternText.assign(reinterpret_cast<const char*>(data + at), std::min(n, size - at));
            at += std::min(n, size - at);
        }
        while (at + 4 <= size) {
            std::size_t offset =
                ((std::size_t{data[at]} << 16) | (std::size_t{data[at + 1]} << 8) | data[at + 2]) %
                static_cast<std::size_t>(kImageSize);
            std::size_t length = data[at + 3];
            at += 4;
            length = std::min({length, size - at, static_cast<std::size_t>(kImageSize) - offset});
            std::memcpy(image.data() + offset, data + at, length);
            at += length;
        }
    }
    std::uint8_t* img = image.data();
    const char* pattern = patternText.c_str();

    // The listing: every entry's name, a match, and every file's bytes.
    guarded([&] {
        BlockCursor dir(img);
        dir.rewind();
        while (dir.nextEntry() != kEndOfChain) {
            char name[kNameLength + 1];
            dir.copyName(name);
            (void)dir.matchName(pattern);
            if (dir.entryType() == 0) continue;
            guarded([&] {
                FileCursor file(img);
                file.openAt(dir.entryFirstBlock());
                while (file.readWithEnd() != kEndOfChain) {
                }
            });
        }
    });
    guarded([&] { (void)BamView(img).freeBlockCount(); });

    // Append to the first match as a 1541 would, then delete it.
    guarded([&] {
        BlockCursor dir(img);
        dir.rewind();
        if (!dir.findEntry(pattern)) return;
        FileCursor file(img);
        file.layout = BlockLayout::C1541;
        file.openAt(dir.entryFirstBlock());
        file.seekEnd();
        for (int i = 0; i < 300; ++i) file.writeNext(0x55);
        file.finishWrite();
        dir.closeEntry();
        dir.deleteFile();
    });

    // New files in the first free entries.
    guarded([&] { addFile(img, "NEW FILE", 700); });
    guarded([&] { addFile(img, "NEW 1541 FILE", 5000, BlockLayout::C1541); });
    return 0;
}
