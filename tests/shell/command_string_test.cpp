// The values cut from an execute string, and device numbers from file names.
#include "shell/command_string.h"

#include <gtest/gtest.h>

#include <cstring>

#include "recording_dialogs.h"
#include "shell/device_from_file_name.h"

namespace brimwick::shell {
namespace {

struct CutCase {
    const char* text;
    const char* code;
    const char* argument;  // after cutting a program file's to its directory
    const char* extension;
    bool program;
    const char* name4;
    const char* baseName;
};

TEST(CommandStringTest, ValuesCutFromTheWholeString) {
    const CutCase cases[] = {
        {"L___/games/ELITE.PRG", "L___", "/games/", ".prg", true, "ELITE", "ELITE"},
        {"ID__/disks/demo.D64", "ID__", "/disks/demo.D64", ".d64", false, "demo", "demo"},
        {"ID__/disks/x.154", "ID__", "/disks/", ".154", true, "x", "x"},
        // Without any '/' the code is part of the file name.
        {"L___GAME.PRG", "L___", "", ".prg", true, "L___GAME", "L___GAME"},
        // The last dot lies in a directory name.
        {"IPD_/a.b/9", "IPD_", "/a.b/9", ".b/9", false, "a", "a"},
        {"ETF_/src/prog.v2.a64", "ETF_", "/src/prog.v2.a64", ".a64", false, "prog.v2", "prog.v2"},
        {"ID__/x/nodot", "ID__", "/x/nodot", "odot", false, "n", ""},
        {"ID", "ID", "", "id", false, "", ""},
        {"l___/g/a.prg", "l___", "/g/", ".prg", true, "a", "a"},
    };
    for (const CutCase& c : cases) {
        SCOPED_TRACE(c.text);
        CommandString s = parseCommandString(c.text);
        EXPECT_EQ(s.code, c.code);
        EXPECT_EQ(s.argument, c.argument);
        EXPECT_EQ(s.extension, c.extension);
        EXPECT_EQ(s.programFile, c.program);
        EXPECT_EQ(s.name4, c.name4);
        EXPECT_EQ(s.baseName, c.baseName);
        EXPECT_EQ(s.fullArgument,
                  std::string(c.text).substr(std::min<std::size_t>(4, std::strlen(c.text))));
    }
}

TEST(CommandStringTest, StringsOverTheLimitOrWithANulAreRefusedWholeNeverCut) {
    const struct {
        std::string text;
        const char* fault;  // nullptr: taken
    } cases[] = {
        {"ID__/" + std::string(kExecuteStringLimit - 5, 'a'), nullptr},
        {"ID__/" + std::string(kExecuteStringLimit - 4, 'a'), "too long"},
        {"CT__/" + std::string(509, 'd') + "/dump.bin.new", "too long"},
        {std::string("ID__/x.d64\0/y", 13), "NUL"},
        {"", "empty"},
        {"ID_", "shorter than a code"},
        {"ID__", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.size());
        std::optional<std::string> fault = executeStringFault(c.text);
        if (c.fault == nullptr) {
            EXPECT_FALSE(fault) << *fault;
        } else {
            ASSERT_TRUE(fault);
            EXPECT_NE(fault->find(c.fault), std::string::npos) << *fault;
        }
    }
}

TEST(DeviceFromFileNameTest, OnlyFiveToFourteenWithoutLeadingZeros) {
    const struct {
        const char* path;
        int device;
        const char* baseName;
    } cases[] = {
        {"/x/8.prg", 8, "8"}, {"14.d64", 14, "14"}, {"/p/10.dev", 10, "10"},  {"/p/5.x", 5, "5"},
        {"15.d64", -1, "15"}, {"08.d64", -1, "08"}, {"4.d64", -1, "4"},       {"/p/nodot", -1, ""},
        {"/a.b/9", -1, "a"},  {"/p/.dev", -1, ""},  {"CDD_/p/9.cdd", 9, "9"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        testing::RecordingDialogs dialogs;
        TextSlice path(c.path);
        EXPECT_EQ(deviceFromFileName(path, dialogs), c.device);
        EXPECT_EQ(path.window(), c.baseName);
        if (c.device < 0) {
            ASSERT_EQ(dialogs.texts.size(), 1u);
            EXPECT_EQ(dialogs.texts[0],
                      "Illegal Device \n \nDevice number must be in the range 5-14");
            EXPECT_EQ(dialogs.icons[0], platform::MessageIcon::Warning);
        } else {
            EXPECT_TRUE(dialogs.texts.empty());
        }
    }
}

}  // namespace
}  // namespace brimwick::shell
