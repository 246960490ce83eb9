// Machine code on the virtual C64: the demo disk's programs loaded and run,
// the kernal jump table as programs call it (registers and memory in and
// out), SYS with $030C-$030F, RUN/STOP and RUN/STOP+RESTORE, and the jiffy
// interrupt through ($0314).
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "c64/vc64/machine_code.h"
#include "c64/vc64/script.h"
#include "virtual_setup_test.h"

namespace brimwick::c64::vc64 {
namespace {

constexpr int kCode = 0xC000;  // where the tests put their machine code

class MachineCodeTest : public testing::VirtualSetupTest {
  protected:
    C64Memory& memory = setup.c64.memory;
    MachineCode& machine = setup.basic.machine;

    void poke(int address, std::vector<std::uint8_t> bytes) {
        for (std::uint8_t b : bytes) memory.write(address++, b);
    }
    // Types `text` as the PC types it and runs jiffies until it is taken.
    void type(const std::string& text) {
        ASSERT_TRUE(setup.keyboard.startKeyboardFeed(setup.link, TextSlice(text.c_str())));
        for (int i = 0; i < 10000 && setup.keyboard.feedActive; ++i) setup.jiffy();
        setup.jiffy();
        ASSERT_EQ(setup.c64.cable.failure, "");
    }
    // Jiffies until the program has ended (at most `limit`).
    void runToReady(int limit = 600) {
        for (int i = 0; i < limit && (machine.running || i == 0); ++i) setup.jiffy();
        ASSERT_FALSE(machine.running) << "the program still runs at $" << std::hex << machine.cpu.pc;
        ASSERT_EQ(setup.c64.cable.failure, "");
    }
    std::string row(int r) const {
        std::string text;
        for (int c = 0; c < kVirtualColumns; ++c) {
            int code = memory.read(link::kC64Screen + r * kVirtualColumns + c) & 0x7F;
            text += static_cast<char>(code < 0x20 ? code + 0x40 : code < 0x40 ? code : code + 0x20);
        }
        while (!text.empty() && text.back() == ' ') text.pop_back();
        return text;
    }
    int colourAt(int r, int c) const { return memory.read(kColourRam + r * kVirtualColumns + c) & 0x0F; }
    int cellAt(int r, int c) const { return memory.read(link::kC64Screen + r * kVirtualColumns + c); }
    void serveDemo() {
        if (!std::filesystem::exists(BRIMWICK_DEMO_DISK))
            GTEST_SKIP() << "no demo disk at " << BRIMWICK_DEMO_DISK << " (target demo_disk)";
        std::filesystem::copy_file(BRIMWICK_DEMO_DISK, dir.file("demo.d64"));
        setup.serve(8, dir.file("demo.d64"));
    }
};

TEST_F(MachineCodeTest, HelloClearsTheScreenAndGreetsThroughAVc64Script) {
    serveDemo();
    if (IsSkipped()) return;
    std::istringstream script("type \"load\\\"hello\\\",8\\rrun\\r\"\nkeys 200\nscreen\n");
    std::ostringstream transcript;
    EXPECT_EQ(runScript(script, transcript, setup), 0) << transcript.str();
    // The screen the PC mirrored: the greeting at the top of a cleared
    // screen, READY. below it.
    std::istringstream rows(transcript.str());
    std::vector<std::string> lines;
    for (std::string line; std::getline(rows, line);) lines.push_back(line);
    ASSERT_GE(lines.size(), 27u) << transcript.str();
    std::vector<std::string> top(lines.end() - 25, lines.end() - 19);
    auto padded = [](std::string s) { return "|" + s + std::string(40 - s.size(), ' ') + "|"; };
    EXPECT_EQ(top, (std::vector<std::string>{padded("HELLO FROM BRIMWICK!"), padded(""),
                                             padded("THIS PROGRAM CAME FROM THE PC,"),
                                             padded("SERVED AS DRIVE 8."), padded(""),
                                             padded("READY.")}))
        << transcript.str();
    EXPECT_EQ(colourAt(0, 0), kLightBlue);
}

TEST_F(MachineCodeTest, ColoursPaintsFifteenBarsOnBlack) {
    serveDemo();
    if (IsSkipped()) return;
    type("load\"colours\",8\rrun\r");
    runToReady();
    for (int bar = 0; bar < 15; ++bar) {
        SCOPED_TRACE("bar " + std::to_string(bar));
        for (int c : {0, 20, 38}) {
            EXPECT_EQ(cellAt(bar, c), 0xA0);  // a reversed blank
            EXPECT_EQ(colourAt(bar, c), bar + 1);
        }
        EXPECT_EQ(cellAt(bar, 39), kScreenSpace);
    }
    EXPECT_EQ(row(15), "");
    EXPECT_EQ(row(16), "READY.");
    EXPECT_EQ(memory.read(kBorderColour), kLightBlue);
    EXPECT_EQ(memory.read(kBackgroundColour), kBlue);
    EXPECT_EQ(memory.read(kTextColour), kLightBlue);
}

// One kernal call: JSR to the entry with A, X, Y and P from $030C-$030F
// (SYS's registers), RTS back; then the registers SYS stored and memory.
struct KernalCallCase {
    const char* name;
    int entry;
    std::uint8_t a, x, y, p;                              // registers in
    std::vector<std::pair<int, std::uint8_t>> before;     // memory before
    int outA, outX, outY;                                 // registers out, -1 any
    int outCarry;                                         // 0/1, -1 any
    std::vector<std::pair<int, std::uint8_t>> after;      // memory afterwards
};

constexpr std::uint8_t kCarry = kFlagCarry;
constexpr std::uint8_t kNoIrq = kFlagInterrupt;  // the jiffy scan stays away

const std::vector<KernalCallCase> kKernalCalls = {
    {"SetlfsKeepsFileDeviceSecondary", kSetlfs, 2, 8, 15, 0, {}, 2, 8, 15, -1,
     {{kFileNumber, 2}, {kDevice, 8}, {kSecondary, 15}}},
    {"SetnamKeepsLengthAndAddress", kSetnam, 4, 0x00, 0xC1, 0, {}, 4, 0x00, 0xC1, -1,
     {{kNameLength, 4}, {kNamePointer, 0x00}, {kNamePointer + 1, 0xC1}}},
    {"RdtimReadsTheJiffyClock", kRdtim, 0, 0, 0, kNoIrq,
     {{kJiffyClock, 0x01}, {kJiffyClock + 1, 0x02}, {kJiffyClock + 2, 0x03}}, 0x03, 0x02, 0x01, -1, {}},
    {"SettimSetsIt", kSettim, 0x30, 0x20, 0x10, kNoIrq, {}, -1, -1, -1, -1,
     {{kJiffyClock, 0x10}, {kJiffyClock + 1, 0x20}, {kJiffyClock + 2, 0x30}}},
    {"ScreenIsFortyByTwentyFive", kScreen, 0, 0, 0, 0, {}, -1, 40, 25, -1, {}},
    {"PlotReadsTheCursor", kPlot, 0, 0, 0, kCarry, {}, -1, 2, 0, -1, {}},
    {"PlotMovesTheCursor", kPlot, 0, 10, 5, 0, {}, -1, 10, 5, -1, {{kCursorRow, 10}, {kCursorColumn, 5}}},
    {"IobaseIsCia1", kIobase, 0, 0, 0, 0, {}, -1, 0x00, 0xDC, -1, {}},
    {"MemtopReadsTheEndOfBasic", kMemtop, 0, 0, 0, kCarry, {}, -1, 0x00, 0xA0, -1, {}},
    {"MembotSetsTheStart", kMembot, 0, 0x00, 0x10, 0, {}, -1, -1, -1, -1,
     {{kMemBottom, 0x00}, {kMemBottom + 1, 0x10}}},
    {"ReadstGivesSt", kReadst, 0, 0, 0, kNoIrq, {{link::kC64StatusByte, 0x40}}, 0x40, -1, -1, -1, {}},
    {"ChroutPrintsAtTheCursorInTheTextColour", kChrout, 'A', 7, 9, 0, {{kTextColour, 2}}, 'A', 7, 9, 0,
     {{link::kC64Screen + 2 * 40, 0x01}, {kColourRam + 2 * 40, 2}, {kCursorColumn, 1}}},
    {"ChroutColourCodeSetsTheTextColour", kChrout, 0x1C, 0, 0, 0, {}, -1, -1, -1, 0, {{kTextColour, 2}}},
    {"GetinTakesAKey", kGetin, 0, 0, 0, kNoIrq,
     {{link::kC64KeyBuffer, 'X'}, {link::kC64KeyBuffer + 1, 'Y'}, {link::kC64KeyCount, 2}}, 'X', -1, -1, 0,
     {{link::kC64KeyCount, 1}, {link::kC64KeyBuffer, 'Y'}}},
    {"GetinWithoutAKeyGivesZero", kGetin, 0x55, 0, 0, kNoIrq, {}, 0, -1, -1, 0, {}},
    {"StopWithRunStopDownSetsZ", kStop, 0, 0, 0, kNoIrq, {{kStopKeyFlag, kStopDown}}, kStopDown, -1, -1, -1, {}},
    {"OpenOfAnAbsentDeviceIsError5", kOpen, 0, 0, 0, 0,
     {{kFileNumber, 1}, {kDevice, 9}, {kSecondary, 0}, {kNameLength, 0}}, kErrorDeviceNotPresent, -1, -1, 1,
     {{kOpenFiles, 0}}},
    {"OpenOfTheScreenWorks", kOpen, 0, 0, 0, 0, {{kFileNumber, 3}, {kDevice, 3}, {kSecondary, 0}}, -1, -1,
     -1, 0, {{kOpenFiles, 1}}},
    {"ChkinOfAFileNotOpenIsError3", kChkin, 0, 5, 0, 0, {}, kErrorFileNotOpen, -1, -1, 1, {}},
    {"LoadWithoutANameIsError8", kLoad, 0, 0, 0x10, 0, {{kDevice, 8}, {kNameLength, 0}},
     kErrorMissingFileName, -1, -1, 1, {}},
    {"LoadFromTheDatasetteIsError9", kLoad, 0, 0, 0x10, 0, {{kDevice, 1}, {kNameLength, 1}},
     kErrorIllegalDevice, -1, -1, 1, {}},
};

class KernalCallTest : public MachineCodeTest, public ::testing::WithParamInterface<KernalCallCase> {};

TEST_P(KernalCallTest, RegistersAndMemoryAsTheKernalLeavesThem) {
    const KernalCallCase& c = GetParam();
    constexpr int kOut = 0xC300;  // where the program keeps A, X, Y and P after the call
    setup.kernal.screen.moveTo(memory, 2, 0);
    for (auto [address, value] : c.before) memory.write(address, value);
    // JSR entry; PHP; STA/STX/STY kOut; PLA; STA kOut+3; loop: JMP loop
    poke(kCode, {0x20, static_cast<std::uint8_t>(c.entry & 0xFF), static_cast<std::uint8_t>(c.entry >> 8),
                 0x08, 0x8D, 0x00, 0xC3, 0x8E, 0x01, 0xC3, 0x8C, 0x02, 0xC3, 0x68, 0x8D, 0x03, 0xC3,
                 0x4C, 0x11, 0xC0});
    poke(kSysRegisters, {c.a, c.x, c.y, c.p});  // SYS's registers
    machine.startSys(kCode);
    for (int i = 0; i < 3; ++i) setup.jiffy();
    ASSERT_EQ(setup.c64.cable.failure, "");
    ASSERT_EQ(machine.cpu.pc, 0xC011) << "the program did not come back from the call";
    if (c.outA >= 0) {
        EXPECT_EQ(memory.read(kOut), c.outA);
    }
    if (c.outX >= 0) {
        EXPECT_EQ(memory.read(kOut + 1), c.outX);
    }
    if (c.outY >= 0) {
        EXPECT_EQ(memory.read(kOut + 2), c.outY);
    }
    if (c.outCarry >= 0) {
        EXPECT_EQ(memory.read(kOut + 3) & kFlagCarry, c.outCarry);
    }
    for (auto [address, value] : c.after) EXPECT_EQ(memory.read(address), value) << "at $" << std::hex << address;
    if (c.entry == kStop) {
        EXPECT_NE(memory.read(kOut + 3) & kFlagZero, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Calls, KernalCallTest, ::testing::ValuesIn(kKernalCalls),
                         [](const auto& param) { return std::string(param.param.name); });

TEST_F(MachineCodeTest, ProgramsOpenLoadAndSaveThroughTheLink) {
    serveImage();
    // SETLFS 1,8,1; SETNAM "DATA"; SAVE $C100-$C104; then LOAD it back to
    // $C200 (secondary 0: to X/Y) and leave LOAD's end in X/Y.
    poke(0xC100, {'D', 'A', 'T', 'A'});
    poke(kCode, {0xA9, 0x01, 0xA2, 0x08, 0xA0, 0x01, 0x20, 0xBA, 0xFF,  // SETLFS
                 0xA9, 0x04, 0xA2, 0x00, 0xA0, 0xC1, 0x20, 0xBD, 0xFF,  // SETNAM
                 0xA9, 0x00, 0x85, 0xFB, 0xA9, 0xC1, 0x85, 0xFC,        // $FB/$FC = $C100
                 0xA9, 0xFB, 0xA2, 0x04, 0xA0, 0xC1, 0x20, 0xD8, 0xFF,  // SAVE
                 0xA9, 0x01, 0xA2, 0x08, 0xA0, 0x00, 0x20, 0xBA, 0xFF,  // SETLFS 1,8,0
                 0xA9, 0x00, 0xA2, 0x00, 0xA0, 0xC2, 0x20, 0xD5, 0xFF,  // LOAD to $C200
                 0x60});
    memory.write(kMessageFlag, 0);
    machine.startSys(kCode);
    runToReady(1000);
    EXPECT_EQ(memory.read(0xC200), 'D');
    EXPECT_EQ(memory.read(0xC203), 'A');
    EXPECT_EQ(memory.read(kSysRegisters + 1), 0x04);  // X/Y: the end, $C204
    EXPECT_EQ(memory.read(kSysRegisters + 2), 0xC2);
    EXPECT_EQ(memory.read(kSysRegisters + 3) & kFlagCarry, 0);
}

TEST_F(MachineCodeTest, ProgramsWriteAndReadFilesThroughChannels) {
    serveImage();
    const std::string write = "FILE,S,W", read = "FILE,S,R";
    poke(0xC100, std::vector<std::uint8_t>(write.begin(), write.end()));
    poke(0xC110, std::vector<std::uint8_t>(read.begin(), read.end()));
    poke(kCode, {0xA9, 0x02, 0xA2, 0x08, 0xA0, 0x02, 0x20, 0xBA, 0xFF,  // SETLFS 2,8,2
                 0xA9, 0x08, 0xA2, 0x00, 0xA0, 0xC1, 0x20, 0xBD, 0xFF,  // SETNAM "FILE,S,W"
                 0x20, 0xC0, 0xFF,                                      // OPEN
                 0xA2, 0x02, 0x20, 0xC9, 0xFF,                          // CHKOUT 2
                 0xA9, 0x48, 0x20, 0xD2, 0xFF, 0xA9, 0x49, 0x20, 0xD2, 0xFF,  // CHROUT H, I
                 0x20, 0xCC, 0xFF, 0xA9, 0x02, 0x20, 0xC3, 0xFF,        // CLRCHN, CLOSE 2
                 0xA9, 0x03, 0xA2, 0x08, 0xA0, 0x03, 0x20, 0xBA, 0xFF,  // SETLFS 3,8,3
                 0xA9, 0x08, 0xA2, 0x10, 0xA0, 0xC1, 0x20, 0xBD, 0xFF,  // SETNAM "FILE,S,R"
                 0x20, 0xC0, 0xFF,                                      // OPEN
                 0xA2, 0x03, 0x20, 0xC6, 0xFF,                          // CHKIN 3
                 0x20, 0xCF, 0xFF, 0x8D, 0x00, 0xC2,                    // CHRIN, STA $C200
                 0x20, 0xCF, 0xFF, 0x8D, 0x01, 0xC2,                    // CHRIN, STA $C201
                 0x20, 0xB7, 0xFF, 0x8D, 0x02, 0xC2,                    // READST, STA $C202
                 0x20, 0xCC, 0xFF, 0xA9, 0x03, 0x20, 0xC3, 0xFF,        // CLRCHN, CLOSE 3
                 0x60});
    machine.startSys(kCode);
    runToReady(1000);
    EXPECT_EQ(memory.read(0xC200), 'H');
    EXPECT_EQ(memory.read(0xC201), 'I');
    EXPECT_EQ(memory.read(0xC202), link::kStEndOfFile) << "the last byte of the file";
    EXPECT_EQ(memory.read(kInputDevice), kKeyboard);
    EXPECT_EQ(memory.read(kOutputDevice), kScreenDevice);
    EXPECT_EQ(memory.read(kOpenFiles), 0);
}

TEST_F(MachineCodeTest, SysTakesItsRegistersFromBasicAndGivesThemBack) {
    // TAX; INY; SEC; RTS with A=$11, Y=$21 POKEd into $030C/$030E.
    poke(kCode, {0xAA, 0xC8, 0x38, 0x60});
    type("poke780,17:poke782,33:poke783,0:sys49152\r");
    runToReady();
    EXPECT_EQ(memory.read(kSysRegisters), 0x11);
    EXPECT_EQ(memory.read(kSysRegisters + 1), 0x11);
    EXPECT_EQ(memory.read(kSysRegisters + 2), 0x22);
    EXPECT_EQ(memory.read(kSysRegisters + 3) & kFlagCarry, kFlagCarry);
}

TEST_F(MachineCodeTest, RestOfTheLineRunsAfterTheProgram) {
    poke(kCode, {0xA9, 0x2A, 0x60});  // LDA #42, RTS
    type("sys49152:print peek(780)\r");
    runToReady();
    setup.jiffy();
    EXPECT_EQ(row(2), " 42");
    EXPECT_EQ(row(3), "");
    EXPECT_EQ(row(4), "READY.");
}

TEST_F(MachineCodeTest, RunStopStopsAProgramThatCallsStop) {
    // loop: JSR STOP; BNE loop; RTS
    poke(kCode, {0x20, 0xE1, 0xFF, 0xD0, 0xFB, 0x60});
    machine.startSys(kCode);
    for (int i = 0; i < 30; ++i) setup.jiffy();
    EXPECT_TRUE(machine.running);
    type("\x03");
    runToReady(60);
    EXPECT_FALSE(machine.running);
}

TEST_F(MachineCodeTest, RunStopAndRestoreEndAnyProgram) {
    poke(kCode, {0x78, 0xEE, 0x20, 0xD0, 0x4C, 0x01, 0xC0});  // SEI; loop: INC $D020; JMP loop
    type("sys49152\r");
    for (int i = 0; i < 10; ++i) setup.jiffy();
    ASSERT_TRUE(machine.running);
    setup.basic.restoreKey(false);  // RESTORE alone: the program goes on
    for (int i = 0; i < 10; ++i) setup.jiffy();
    EXPECT_TRUE(machine.running);
    setup.basic.restoreKey(true);
    setup.jiffy();
    EXPECT_FALSE(machine.running);
    // The warm start: a clear screen in the default colours, READY.
    EXPECT_EQ(row(0), "READY.");
    EXPECT_EQ(row(1), "");
    EXPECT_EQ(memory.read(kBorderColour), kLightBlue);
    EXPECT_EQ(memory.readWord(kIrqVectorRam), kIrqHandler);
    type("poke53280,0\r");
    EXPECT_EQ(memory.read(kBorderColour), 0);
}

TEST_F(MachineCodeTest, AHookedJiffyInterruptRunsAtReadyAndChainsToTheKernal) {
    // The handler counts jiffies in $C200 and chains to $EA31; the program
    // hooks it and returns to READY.
    poke(0xC100, {0xEE, 0x00, 0xC2, 0x4C, 0x31, 0xEA});  // INC $C200; JMP $EA31
    poke(kCode, {0x78, 0xA9, 0x00, 0x8D, 0x14, 0x03, 0xA9, 0xC1, 0x8D, 0x15, 0x03, 0x58,
                 0x60});  // SEI; ($0314) = $C100; CLI; RTS
    poke(kJiffyClock, {0, 0, 0});
    type("sys49152\r");
    runToReady();
    int counted = memory.read(0xC200);
    for (int i = 0; i < 30; ++i) setup.jiffy();
    EXPECT_EQ(memory.read(0xC200), counted + 30);
    // The kernal's handler still runs: the jiffy clock counts and keys arrive.
    EXPECT_GE(memory.read(kJiffyClock + 2), 30);
    type("poke53281,0\r");
    EXPECT_EQ(memory.read(kBackgroundColour), 0);
}

TEST_F(MachineCodeTest, ChrinReadsATypedLine) {
    // Reads characters with CHRIN until RETURN, storing them at $C100.
    poke(kCode, {0xA2, 0x00, 0x20, 0xCF, 0xFF, 0x9D, 0x00, 0xC1, 0xE8, 0xC9, 0x0D, 0xD0, 0xF5, 0x60});
    machine.startSys(kCode);
    setup.jiffy();
    EXPECT_TRUE(machine.cursorShown());
    type("hi\r");
    runToReady();
    EXPECT_EQ(memory.read(0xC100), 'H');
    EXPECT_EQ(memory.read(0xC101), 'I');
    EXPECT_EQ(memory.read(0xC102), 0x0D);
}

TEST_F(MachineCodeTest, BrkAndJumpsToReadyEndAProgram) {
    poke(kCode, {0x00});
    machine.startSys(kCode);
    runToReady();
    EXPECT_EQ(row(0), "READY.");
    poke(kCode, {0x4C, 0x74, 0xA4});  // JMP $A474
    machine.startSys(kCode);
    runToReady();
}

}  // namespace
}  // namespace brimwick::c64::vc64
