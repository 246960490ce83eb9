// The key=value file beside Status.ini: other lines survive a change, and a
// file that cannot be read is never written over.
#include "config/side_settings.h"

#include <gtest/gtest.h>

#include "platform/file.h"
#include "temp_dir.h"

namespace brimwick::config {
namespace {

std::string contents(const testing::TempDir& home) {
    std::vector<std::uint8_t> bytes = testing::TempDir::read(home.file(kSideSettingsFileName));
    return std::string(bytes.begin(), bytes.end());
}

TEST(SideSettings, ChangingOneKeyKeepsEveryOtherLine) {
    SideSettings settings = SideSettings::parse(
        "# written by a newer Brimwick\r\ndos = 1541\nroms=/home/me/roms\n\nodd line\ndos=original\n");
    EXPECT_EQ(settings.get("dos"), "original");  // the last line of a key counts
    EXPECT_EQ(settings.get("roms"), "/home/me/roms");
    EXPECT_EQ(settings.get("video"), std::nullopt);

    settings.set("dos", "1541");
    settings.set("video", "ntsc");
    EXPECT_EQ(settings.text(),
              "# written by a newer Brimwick\ndos=1541\nroms=/home/me/roms\n\nodd line\nvideo=ntsc\n");
    settings.erase("roms");
    EXPECT_EQ(settings.get("roms"), std::nullopt);
    EXPECT_EQ(settings.text(), "# written by a newer Brimwick\ndos=1541\n\nodd line\nvideo=ntsc\n");
}

TEST(SideSettings, DosModeRoundTripKeepsOtherSettings) {
    testing::TempDir home;
    EXPECT_EQ(readDosMode(home.path()), drive::DosMode::Original);  // no file yet
    home.write(kSideSettingsFileName, "roms=/r\n");

    std::string failure;
    ASSERT_TRUE(writeDosMode(home.path(), drive::DosMode::C1541, failure)) << failure;
    EXPECT_EQ(readDosMode(home.path()), drive::DosMode::C1541);
    EXPECT_EQ(contents(home), "roms=/r\ndos=1541\n");
    ASSERT_TRUE(writeDosMode(home.path(), drive::DosMode::Original, failure)) << failure;
    EXPECT_EQ(readDosMode(home.path()), drive::DosMode::Original);

    EXPECT_FALSE(writeDosMode(home.file("missing/dir"), drive::DosMode::C1541, failure));
    EXPECT_NE(failure.find("missing"), std::string::npos) << failure;
}

TEST(SideSettings, AFileThatCannotBeReadIsNotWrittenOver) {
    testing::TempDir home;
    // Too long to be ours: refused on reading, and a change does not replace it.
    const std::string huge(kSideSettingsLimit + 1, 'x');
    home.write(kSideSettingsFileName, huge);
    EXPECT_THROW(SideSettings::read(home.path()), platform::FileError);
    std::string failure;
    EXPECT_FALSE(writeDosMode(home.path(), drive::DosMode::C1541, failure));
    EXPECT_NE(failure.find(kSideSettingsFileName), std::string::npos) << failure;
    EXPECT_EQ(contents(home), huge);
    EXPECT_EQ(readDosMode(home.path()), drive::DosMode::Original);
}

}  // namespace
}  // namespace brimwick::config
