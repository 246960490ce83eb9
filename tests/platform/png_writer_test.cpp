// PNG pictures: what libpng makes of them, written whole.
#include <gtest/gtest.h>

#include "../temp_dir.h"
#include "platform/file.h"
#include "platform/png_writer.h"

namespace brimwick::platform {
namespace {

std::uint32_t bigEndian(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at] << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3]);
}

TEST(PngWriter, WritesAnRgbPictureOfItsSize) {
    brimwick::testing::TempDir dir;
    writePng(dir.file("p.png"), 3, 2, {0xFF0000, 0x00FF00, 0x0000FF, 0, 0xFFFFFF, 0x123456});
    std::vector<std::uint8_t> png = brimwick::testing::TempDir::read(dir.file("p.png"));
    const std::vector<std::uint8_t> signature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    ASSERT_GT(png.size(), 33u);
    EXPECT_EQ(std::vector<std::uint8_t>(png.begin(), png.begin() + 8), signature);
    EXPECT_EQ(std::string(png.begin() + 12, png.begin() + 16), "IHDR");
    EXPECT_EQ(bigEndian(png, 16), 3u);
    EXPECT_EQ(bigEndian(png, 20), 2u);
    EXPECT_EQ(png[24], 8);  // bits per channel
    EXPECT_EQ(png[25], 2);  // RGB
    EXPECT_EQ(std::string(png.end() - 8, png.end() - 4), "IEND");
}

TEST(PngWriter, RefusesAWrongPixelCountAndReportsAFileThatCannotBeWritten) {
    EXPECT_THROW(encodePng(2, 2, {0, 0, 0}), std::invalid_argument);
    brimwick::testing::TempDir dir;
    EXPECT_THROW(writePng(dir.file("no/such/dir/p.png"), 1, 1, {0}), FileError);
    EXPECT_FALSE(exists(dir.file("no")));
}

}  // namespace
}  // namespace brimwick::platform
