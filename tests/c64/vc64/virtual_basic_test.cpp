// The virtual C64 at READY running typed lines in direct mode: LOAD"$" and
// LIST, LOAD, SAVE, VERIFY, the DOS wedge, errors, scrolling, typed keys
// from the PC's keyboard feed, all served by the PC side through the cable.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "../../temp_dir.h"
#include "c64/vc64/basic_program.h"
#include "c64/vc64/virtual_setup.h"
#include "platform/trace_log.h"

namespace brimwick::c64::vc64 {
namespace {

using brimwick::testing::TempDir;

class VirtualBasicTest : public ::testing::Test {
  protected:
    TempDir dir;
    VirtualSetup setup;
    C64Memory& memory = setup.c64.memory;

    VirtualBasicTest() {
        platform::traceLog().captureInMemory();
        setup.link.strobeTimeoutMs = 100;
        setup.dispatcher.programDirectory = dir.path();
        for (auto& unit : setup.drives) unit.ramFilePath = dir.file("RAM_C1541.prg");
    }
    ~VirtualBasicTest() override { platform::traceLog().close(); }

    void serveImage(int device = 8) { setup.serve(device, dir.file("disk.d64")); }
    void servePcDirectory(int device = 9) {
        std::filesystem::create_directory(dir.file("pc"));
        setup.serve(device, dir.file("pc") + "/");
    }

    // Types `text` as the PC types it (lower case shows as capitals) and
    // runs jiffies until every key has been taken.
    void type(const std::string& text) {
        ASSERT_TRUE(setup.keyboard.startKeyboardFeed(setup.link, TextSlice(text.c_str())));
        for (int i = 0; i < 10000 && setup.keyboard.feedActive; ++i) setup.jiffy();
        setup.jiffy();
        ASSERT_FALSE(setup.keyboard.feedActive);
        ASSERT_EQ(setup.c64.cable.failure, "");
    }
    void enter(const std::string& line) { type(line + "\r"); }
    void clearScreen() {
        setup.kernal.screen.print(memory, kClearScreen);
    }

    // A screen row as text: letters as capitals, reverse video dropped.
    std::string row(int r) const {
        std::string text;
        for (int c = 0; c < kVirtualColumns; ++c) {
            int code = memory.read(link::kC64Screen + r * kVirtualColumns + c) & 0x7F;
            text += static_cast<char>(code < 0x20 ? code + 0x40 : code < 0x40 ? code : '~');
        }
        while (!text.empty() && text.back() == ' ') text.pop_back();
        return text;
    }
    std::vector<std::string> rows(int from, int count) const {
        std::vector<std::string> out;
        for (int r = from; r < from + count; ++r) out.push_back(row(r));
        return out;
    }
    // The rows from the top down to the cursor's row (exclusive).
    std::vector<std::string> screen() const { return rows(0, setup.kernal.screen.row); }
};

TEST_F(VirtualBasicTest, LoadDirectoryThenListShowsItAsAC64Does) {
    serveImage();
    enter("10 print\"hi\"");
    enter("save\"hello\",8");
    clearScreen();
    enter("load\"$\",8");
    enter("list");
    EXPECT_EQ(screen(), (std::vector<std::string>{
                            "LOAD\"$\",8",
                            "",
                            "SEARCHING FOR $",
                            "LOADING",
                            "READY.",
                            "LIST",
                            "",
                            "1    \"HELLO\"             PRG",
                            "680 BLOCKS FREE. CODED BAD.",
                            "READY.",
                        }));
}

}  // namespace
}  // namespace brimwick::c64::vc64
