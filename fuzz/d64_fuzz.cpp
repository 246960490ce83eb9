// Feeds arbitrary disk images through every walk over the directory and the
// block chains: listing names, matching, reading every file, appending to and
// deleting a file, and creating new ones, with the original's block layout and
// the 1541's. Whatever the image holds (a BAM whose counts and bits disagree,
// a directory off track 18), every walk must end and nothing may be touched
// outside the image.
//
// An input of exactly one D64, D71 or D81 image's size is used as that image.
// An input that begins as a T64 file ("C64") is read as a tape and laid out
// as a disk, which is then walked. Any other input names a format in its
// first byte, starts from a formatted image of it holding a few files and is
// read on as a search pattern followed by patches: three bytes of offset,
// one byte of length, data.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "d64/bam_view.h"
#include "d64/blank_image.h"
#include "d64/c1541_error.h"
#include "d64/file_cursor.h"
#include "d64/geometry.h"
#include "d64/tape_archive.h"
#include "d64/validate.h"

using namespace brimwick;
using namespace brimwick::d64;

namespace {

void addFile(std::uint8_t* image, const DiskFormat& format, const char* name, std::size_t length,
             BlockLayout layout = BlockLayout::Original) {
    BlockCursor dir(image, format);
    dir.layout = layout;
    dir.rewind();
    dir.findFreeEntry();
    dir.writeName(name);
    dir.allocateFirstBlock();
    dir.setEntryType(2);
    FileCursor file(image, format);
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
    const DiskFormat* format = &kD64Format;
    for (const DiskFormat* f : kDiskFormats)
        if (size == static_cast<std::size_t>(f->imageSize())) format = f;
    std::vector<std::uint8_t> image;
    std::string patternText = "*";
    std::span<const std::uint8_t> input(data, size);
    if (size == static_cast<std::size_t>(format->imageSize())) {
        image.assign(data, data + size);
    } else if (isTapeArchive(input)) {
        std::optional<TapeDisk> tape = tapeAsDisk(readTapeArchive(input));
        if (!tape) return 0;
        image = std::move(tape->image);
        format = tape->format;
    } else {
        std::size_t at = 0;
        if (at < size) format = kDiskFormats[data[at++] % std::size(kDiskFormats)];
        const std::size_t imageSize = static_cast<std::size_t>(format->imageSize());
        image.resize(imageSize);
        formatBlankImage(image.data(), *format);
        addFile(image.data(), *format, "FIRST", 10);
        addFile(image.data(), *format, "SECOND", 600);
        addFile(image.data(), *format, "THIRD", 254);
        if (at < size) {
            std::size_t n = data[at++] % 20;
            patternText.assign(reinterpret_cast<const char*>(data + at), std::min(n, size - at));
            at += std::min(n, size - at);
        }
        while (at + 4 <= size) {
            std::size_t offset =
                ((std::size_t{data[at]} << 16) | (std::size_t{data[at + 1]} << 8) | data[at + 2]) %
                imageSize;
            std::size_t length = data[at + 3];
            at += 4;
            length = std::min({length, size - at, imageSize - offset});
            std::memcpy(image.data() + offset, data + at, length);
            at += length;
        }
    }
    std::uint8_t* img = image.data();
    const char* pattern = patternText.c_str();

    // The listing: every entry's name, a match, and every file's bytes.
    guarded([&] {
        BlockCursor dir(img, *format);
        dir.rewind();
        while (dir.nextEntry() != kEndOfChain) {
            char name[kNameLength + 1];
            dir.copyName(name);
            (void)dir.matchName(pattern);
            if (dir.entryType() == 0) continue;
            guarded([&] {
                FileCursor file(img, *format);
                file.openAt(dir.entryFirstBlock());
                while (file.readWithEnd() != kEndOfChain) {
                }
            });
        }
    });
    guarded([&] { (void)BamView(img, *format).freeBlockCount(); });
    guarded([&] { validateImage(img, *format); });

    // Append to the first match as a 1541 would, then delete it.
    guarded([&] {
        BlockCursor dir(img, *format);
        dir.rewind();
        if (!dir.findEntry(pattern)) return;
        FileCursor file(img, *format);
        file.layout = BlockLayout::C1541;
        file.openAt(dir.entryFirstBlock());
        file.seekEnd();
        for (int i = 0; i < 300; ++i) file.writeNext(0x55);
        file.finishWrite();
        dir.closeEntry();
        dir.deleteFile();
    });

    // New files in the first free entries.
    guarded([&] { addFile(img, *format, "NEW FILE", 700); });
    guarded([&] { addFile(img, *format, "NEW 1541 FILE", 5000, BlockLayout::C1541); });
    return 0;
}
