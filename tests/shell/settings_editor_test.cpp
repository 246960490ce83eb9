// Settings by name: every key, refused values that change nothing, the
// settings in words, and drives assigned for one run.
#include "shell/settings_editor.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "platform/trace_log.h"
#include "temp_dir.h"

namespace brimwick::shell {
namespace {

using brimwick::testing::TempDir;

class SettingsEditorTest : public ::testing::Test {
  protected:
    TempDir dir;
    config::Settings settings{};
    std::array<drive::DriveUnit, config::kDriveCount> drives;

    SettingsEditorTest() {
        platform::traceLog().captureInMemory();
        config::resetSettings(settings);
        drive::DriveUnit blank;
        blank.newImage(TextSlice(dir.file("disk.d64").c_str()));
        blank.saveImage();
        std::filesystem::create_directory(dir.file("games"));
    }
    ~SettingsEditorTest() override { platform::traceLog().close(); }

    SideSettings side;

    void set(const std::string& keyValue) { applySetting(keyValue, settings, drives, side); }
};

TEST_F(SettingsEditorTest, EveryKeyChangesItsField) {
    set("port=2");
    EXPECT_EQ(settings.portChoice, 2);
    set("drive.8=" + dir.file("disk.d64"));
    EXPECT_EQ(settings.realDevice[3], 0);
    EXPECT_FALSE(drives[3].hostMode);
    EXPECT_NE(drives[3].image, nullptr);
    set("drive.14=" + dir.file("games") + "/");
    EXPECT_EQ(settings.realDevice[9], 0);
    EXPECT_TRUE(drives[9].hostMode);
    EXPECT_EQ(drives[9].path, dir.file("games") + "/");
    set("drive.8=pass");
    EXPECT_EQ(settings.realDevice[3], 8);
    set("drive.9=pass:11");
    EXPECT_EQ(settings.realDevice[4], 11);
    set("reset.3=poke53280,0\\r\\\\\\x41");
    EXPECT_STREQ(settings.resetSequences[3], "poke53280,0\r\\A");
    set("reset=3");
    EXPECT_EQ(settings.resetSequenceIndex, 3);
    const struct {
        const char* key;
        std::int32_t config::Settings::*field;
        int before;
    } flags[] = {
        {"show-on-errors", &config::Settings::showResultsOnErrors, 1},
        {"show-on-success", &config::Settings::showResultsOnSuccess, 1},
        {"start-assembled", &config::Settings::startAssembled, 0},
        {"address-in-name", &config::Settings::addressInObjectName, 1},
        {"start-minimized", &config::Settings::startMinimized, 0},
    };
    for (const auto& f : flags) {
        SCOPED_TRACE(f.key);
        EXPECT_EQ(settings.*f.field, f.before);
        set(std::string(f.key) + "=" + (f.before ? "0" : "1"));
        EXPECT_EQ(settings.*f.field, f.before ? 0 : 1);
    }
    // The drives' DOS lives beside the record, never in it.
    config::Settings record = settings;
    EXPECT_FALSE(side.dosChanged);
    set("dos=1541");
    EXPECT_EQ(side.dos, drive::DosMode::C1541);
    EXPECT_TRUE(side.dosChanged);
    set("dos=original");
    EXPECT_EQ(side.dos, drive::DosMode::Original);
    EXPECT_EQ(std::memcmp(&settings, &record, sizeof settings), 0);
}

TEST_F(SettingsEditorTest, RelativePathsBecomeAbsolute) {
    std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    set("drive.10=games/");
    set("drive.11=./disk.d64");
    std::filesystem::current_path(before);
    EXPECT_EQ(drives[5].path, dir.file("games") + "/");
    EXPECT_EQ(drives[6].path, dir.file("disk.d64"));
}

TEST_F(SettingsEditorTest, BadKeysValuesAndDevicesAreRefusedAndChangeNothing) {
    const struct {
        std::string change;
        const char* message;  // part of the refusal
    } cases[] = {
        {"port=4", "bad value '4' for port"},
        {"port=", "bad value '' for port"},
        {"colour=1", "unknown setting 'colour'"},
        {"port", "is not KEY=VALUE"},
        {"drive.4=pass", "devices are 5 to 14"},
        {"drive.15=" + dir.file("disk.d64"), "devices are 5 to 14"},
        {"drive.08=pass", "devices are 5 to 14"},
        {"drive.8=", "needs a D64 image"},
        {"drive.8=pass:3", "devices 4 to 30"},
        {"drive.8=pass:31", "devices 4 to 30"},
        {"drive.8=" + dir.file("none.d64"), "No such file or directory"},
        {"drive.8=" + dir.file("none") + "/", "is not a directory"},
        {"drive.8=" + dir.file("games"), "Is a directory"},
        {"reset.5=x", "they are 0 to 4"},
        {"reset=-1", "a reset sequence 0 to 4"},
        {"reset.0=" + std::string(101, 'x'), "at most 100 characters"},
        {"reset.0=a\\qb", "unknown escape"},
        {"reset.0=a\\x00b", "no \\x00"},
        {"start-assembled=2", "0 or 1"},
        {"start-minimized=yes", "0 or 1"},
        {"dos=1571", "bad value '1571' for dos: 1541 (answer as a 1541) or original"},
        {"dos=", "bad value '' for dos"},
        {"dos=ORIGINAL", "bad value 'ORIGINAL' for dos"},
    };
    config::Settings before = settings;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.change);
        try {
            set(c.change);
            ADD_FAILURE() << "taken";
        } catch (const SettingError& e) {
            EXPECT_NE(e.message.find(c.message), std::string::npos) << e.message;
        }
        EXPECT_EQ(std::memcmp(&settings, &before, sizeof settings), 0);
        EXPECT_EQ(drives[3].path, "");
        EXPECT_FALSE(side.dosChanged);
    }
}

TEST_F(SettingsEditorTest, TheSettingsInWords) {
    set("port=2");
    set("drive.8=" + dir.file("disk.d64"));
    set("drive.9=" + dir.file("games") + "/");
    set("drive.10=pass:9");
    set("reset.1=sys64738\\r");
    set("reset=1");
    set("start-assembled=1");
    set("dos=1541");
    std::string expected = "port: 2 (0x378)\n";
    for (int device = 5; device <= 14; ++device) {
        expected += "device " + std::to_string(device) + ": ";
        if (device == 8)
            expected += "image " + dir.file("disk.d64");
        else if (device == 9)
            expected += "directory " + dir.file("games") + "/";
        else
            expected +=
                "passed through to the real device " + std::to_string(device == 10 ? 9 : device);
        expected += "\n";
    }
    expected +=
        "reset sequence 0: \"\"\n"
        "reset sequence 1: \"sys64738\\r\" (typed after a reset)\n"
        "reset sequence 2: \"\"\n"
        "reset sequence 3: \"\"\n"
        "reset sequence 4: \"\"\n"
        "show the listing after errors: yes\n"
        "show the listing after success: yes\n"
        "start the assembled program: yes\n"
        "start address in object names: yes\n"
        "start minimized: no\n"
        "DOS of the drives: 1541\n";
    EXPECT_EQ(describeSettings(settings, drives, side), expected);
}

TEST_F(SettingsEditorTest, DrivesForOneRunGoBackUnlessChangedSince) {
    set("drive.8=" + dir.file("disk.d64"));
    DriveOverrides overrides;
    overrides.apply(parseDriveOption("8=" + dir.file("games") + "/"), settings, drives);
    overrides.apply(parseDriveOption("9=" + dir.file("disk.d64")), settings, drives);
    overrides.apply(parseDriveOption("10=pass:9"), settings, drives);
    overrides.apply(parseDriveOption("11=" + dir.file("games") + "/"), settings, drives);
    // A shell command serves device 11 with something else meanwhile.
    drives[6].mount(dir.path() + "/", true);
    EXPECT_EQ(drives[3].path, dir.file("games") + "/");

    config::Settings record = settings;
    auto served = overrides.toSave(record, drives);
    EXPECT_EQ(record.realDevice[3], 0);
    EXPECT_EQ(served[3].path, dir.file("disk.d64"));
    EXPECT_FALSE(served[3].directory);
    EXPECT_EQ(record.realDevice[4], 9) << "device 9 was passed through before";
    EXPECT_EQ(record.realDevice[5], 10);
    EXPECT_EQ(record.realDevice[6], 0) << "changed since: kept";
    EXPECT_EQ(served[6].path, dir.path() + "/");
    EXPECT_EQ(settings.realDevice[5], 9) << "the run itself keeps them";

    EXPECT_THROW(parseDriveOption("8"), SettingError);
    EXPECT_THROW(parseDriveOption("x=pass"), SettingError);
}

}  // namespace
}  // namespace brimwick::shell
