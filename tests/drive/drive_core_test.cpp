// The bus state machine, the status channel and the "#" buffers, driven
// through the kernal's sequences.
#include <gtest/gtest.h>

#include "drive_fixture.h"

namespace brimwick::drive::testing {
namespace {

using BusTest = DriveFixture;

TEST_F(BusTest, StatusAfterMissingFileThenOkAndClearedByReading) {
    bus.open(2, "TEST");
    EXPECT_EQ(bus.errorCount, 1);
    std::vector<std::int32_t> raw = bus.readRaw(15);
    std::string first;
    for (auto v : raw) first += static_cast<char>(v & 0xFF);
    EXPECT_EQ(first, statusLine("62,FILE NOT FOUND"));
    EXPECT_EQ(raw.back(), 0x0D | kLastByte);
    for (std::size_t i = 0; i + 1 < raw.size(); ++i) EXPECT_EQ(raw[i] & kLastByte, 0);
    std::vector<std::int32_t> again = bus.readRaw(15);
    EXPECT_EQ(again.size(), 23u);
    EXPECT_EQ(bus.status(), statusLine("00, OK. CODED BAD."));
}

TEST_F(BusTest, StatusReadOnAfterCarriageReturnStartsTheTextAgain) {
    bus.open(2, "NOPE");
    bus.talk();
    bus.tksa(0x6F);
    std::string text;
    for (int i = 0; i < 2 * 22; ++i) text += static_cast<char>(bus.acptr() & 0xFF);
    bus.untalk();
    EXPECT_EQ(text, statusLine("62,FILE NOT FOUND") + statusLine("62,FILE NOT FOUND"));
}

TEST_F(BusTest, OpenOfTheCommandChannelRunsItsNameAsACommand) {
    bus.open(2, "NOPE");  // status 62, not read yet
    bus.open(15, "");     // no name: no command, the status stays
    EXPECT_EQ(bus.errorCount, 1);
    EXPECT_EQ(bus.status(), statusLine("62,FILE NOT FOUND"));
    bus.open(2, "NOPE");
    bus.open(15, "I");  // a command that works answers OK
    EXPECT_EQ(bus.status(), statusLine("00, OK. CODED BAD."));
    bus.open(15, "XYZ");
    EXPECT_EQ(bus.errorCount, 3);
    EXPECT_EQ(bus.status(), statusLine("30,SYNTAX ERROR"));
}

TEST_F(BusTest, SecondaryAddressesNeedTheirListenOrTalk) {
    // SECOND without LISTEN: nothing is collected, nothing opened.
    bus.second(0xF2);
    bus.ciout('#');
    bus.unlisten();
    EXPECT_FALSE(unit.channels[2].isOpen);
    // A second SECOND after one LISTEN is ignored: the bytes go to channel 2's name.
    bus.listen();
    bus.second(0xF2);
    bus.second(0xF3);
    bus.ciout('#');
    bus.unlisten();
    EXPECT_TRUE(unit.channels[2].isOpen);
    EXPECT_FALSE(unit.channels[3].isOpen);
    // TKSA after LISTEN is ignored as well.
    bus.listen();
    bus.tksa(0x6F);
    EXPECT_EQ(unit.transferMode, TransferMode::Idle);
}

TEST_F(BusTest, TransferModesFollowTheSecondaryAddress) {
    bus.open(2, "#");
    bus.open(1, "FILE");
    bus.open(0, "$");
    struct Case {
        std::uint8_t bus;
        std::uint8_t secondary;
        TransferMode mode;
    };
    const Case cases[] = {
        {kListen, 0x6F, TransferMode::CollectCommand},
        {kListen, 0xF4, TransferMode::CollectCommand},
        {kListen, 0x62, TransferMode::WriteBuffer},
        {kListen, 0x61, TransferMode::WriteFile},
        {kListen, 0x60, TransferMode::Idle},
        {kListen, 0x65, TransferMode::Idle},
        {kListen, 0x92, TransferMode::Idle},
        {kTalk, 0x6F, TransferMode::ReadStatus},
        {kTalk, 0x62, TransferMode::ReadBuffer},
        {kTalk, 0x60, TransferMode::ReadDirectory},
        {kTalk, 0x61, TransferMode::Idle},
        {kTalk, 0x65, TransferMode::Idle},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.secondary));
        unit.listenOrTalk(static_cast<std::uint8_t>(c.bus + kDevice));
        if (c.bus == kListen)
            unit.secondaryAfterListen(c.secondary);
        else
            unit.secondaryAfterTalk(c.secondary);
        EXPECT_EQ(unit.transferMode, c.mode);
        unit.untalk();
    }
}

TEST_F(BusTest, EightBufferChannelsGetBuffersOneToSevenThenNoChannel) {
    for (int ch = 2; ch <= 8; ++ch) {
        bus.open(ch, "#");
        EXPECT_EQ(unit.channels[static_cast<std::size_t>(ch)].bufferNumber, ch - 1);
    }
    EXPECT_EQ(bus.errorCount, 0);
    bus.open(9, "#");
    EXPECT_EQ(bus.lastError, "70,NO CHANNEL");
    EXPECT_FALSE(unit.channels[9].isOpen);
    // CLOSE gives a buffer back.
    bus.close(4);
    bus.open(9, "#");
    EXPECT_EQ(unit.channels[9].bufferNumber, 3);
}

TEST_F(BusTest, NamedBuffers) {
    struct Case {
        const char* name;
        const char* error;
    };
    const Case cases[] = {{"#0", "70,NO CHANNEL"},
                          {"#8", "70,NO CHANNEL"},
                          {"#3", ""},
                          {"#3", "70,NO CHANNEL"},
                          {"#7", ""}};
    int ch = 2;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bus.lastError.clear();
        bus.open(ch++, c.name);
        EXPECT_EQ(bus.lastError, c.error);
    }
}

TEST_F(BusTest, BufferPositionWrapsBothWaysWithoutAnEnd) {
    bus.open(2, "#");
    std::vector<std::uint8_t> bytes = pattern(257);
    bus.send(2, bytes);  // 257 bytes: the last one lands on position 0 again
    EXPECT_EQ(unit.channels[2].bufferPos, 1);
    std::vector<std::int32_t> raw = bus.readRaw(2, 300);
    ASSERT_EQ(raw.size(), 300u);
    for (auto v : raw) EXPECT_EQ(v & kLastByte, 0);
    EXPECT_EQ(raw[0], bytes[1]);
    EXPECT_EQ(raw[254], bytes[255]);
    EXPECT_EQ(raw[255], bytes[256]);  // position 0, overwritten by the 257th byte
    EXPECT_EQ(raw[256], bytes[1]);
}

TEST_F(BusTest, CommandsKeepTheirFirst200Bytes) {
    bus.open(2, "#");
    std::string exact = "B-P 2" + std::string(194, ' ') + "5";
    ASSERT_EQ(exact.size(), 200u);
    bus.command(exact);
    EXPECT_EQ(bus.errorCount, 0);
    EXPECT_EQ(unit.channels[2].bufferPos, 5);
    std::string longer = "B-P 2" + std::string(195, ' ') + "9";
    bus.command(longer);
    EXPECT_EQ(bus.lastError, "30,SYNTAX ERROR");
    EXPECT_EQ(unit.channels[2].bufferPos, 5);
}

TEST_F(BusTest, ClosingAChannelNeverOpenedOnlyClearsItsFlag) {
    bus.close(5);
    EXPECT_EQ(bus.errorCount, 0);
    EXPECT_FALSE(unit.channels[5].isOpen);
    EXPECT_EQ(bus.status(), statusLine("00, OK. CODED BAD."));
}

TEST_F(BusTest, AChannelWithNothingToReadEndsAtOnceWithATimeOut) {
    // Whatever the reason no file is open to read, the first read ends: the
    // C64 sees ST $42 (end of file, read time-out) and a GET# loop stops.
    struct Case {
        const char* what;
        void (*prepare)(KernalBus&);
        int channel;
    };
    const Case cases[] = {
        {"never opened", [](KernalBus&) {}, 5},
        {"file not found", [](KernalBus& b) { b.open(3, "NONE"); }, 3},
        {"type mismatch", [](KernalBus& b) { b.open(3, "DATA,S"); }, 3},
        {"closed", [](KernalBus& b) { b.open(3, "DATA"), b.close(3); }, 3},
        {"open for writing", [](KernalBus& b) { b.open(3, "NEW,S,W"); }, 3},
        {"read broken off by a drive error",
         [](KernalBus& b) {
             b.save("BROKEN", pattern(300));
             d64::BlockCursor entry(b.drive.image);
             entry.rewind();
             entry.findEntry("BROKEN");
             b.drive.image[entry.entryFirstBlock()] = 40;  // links to track 40
             b.open(3, "BROKEN");
             b.readRaw(3);
             EXPECT_EQ(b.lastError, "66,ILLEGAL TRACK AND SECTOR");
         },
         3},
    };
    bus.save("DATA", pattern(10));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.prepare(bus);
        EXPECT_EQ(bus.readRaw(c.channel, 4),
                  (std::vector<std::int32_t>{kNothingToRead | kLastByte}));
        EXPECT_TRUE(unit.nothingToRead);
    }
    EXPECT_EQ(bus.load("DATA"), pattern(10));
    EXPECT_FALSE(unit.nothingToRead);
}

TEST_F(BusTest, TraceShowsTheBusTraffic) {
    platform::traceLog().clearCaptured();
    bus.open(2, "A");
    bus.close(2);
    bus.talk();
    bus.untalk();
    EXPECT_NE(trace().find("\n listentalk = 40\nsecundar listen\nsecundar = 242\nopen file"
                           "\n BUS A  65\n unlisten"),
              std::string::npos)
        << trace();
    EXPECT_NE(trace().find("\n listentalk = 72\n untalk"), std::string::npos);
}

TEST_F(BusTest, FastLoadDeliversTheFileWithItsLastByte) {
    std::vector<std::uint8_t> data = pattern(600);
    bus.save("PROG", data);
    bus.open(0, "PROG");
    bus.talk();
    bus.tksa(0x60);
    std::int32_t length = 0;
    std::vector<std::uint8_t> loaded = unit.loadWholeFile(length);
    EXPECT_EQ(loaded.size(), static_cast<std::size_t>(kWholeFileSize));
    ASSERT_EQ(length, 600);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), loaded.begin()));
}

TEST_F(BusTest, FastLoadOfAnIdleDriveEndsAtOnce) {
    std::int32_t length = 0;
    std::vector<std::uint8_t> loaded = unit.loadWholeFile(length);
    EXPECT_EQ(length, 1);
    EXPECT_EQ(loaded[0], 0x80);
}

TEST_F(BusTest, FastSaveWritesTheFileOpenOnTheCurrentChannel) {
    std::vector<std::uint8_t> data = pattern(1000);
    bus.open(1, "FAST");
    bus.listen();
    bus.second(0x61);
    unit.saveWholeFile(data.data(), static_cast<std::int32_t>(data.size()));
    bus.unlisten();
    bus.close(1);
    EXPECT_EQ(bus.load("FAST"), data);
}

TEST_F(BusTest, FastSaveWithoutAFileOpenForWritingLeavesTheImageAlone) {
    std::vector<std::uint8_t> before(unit.image, unit.image + d64::kImageSize);
    std::vector<std::uint8_t> data = pattern(300);
    bus.listen();
    bus.second(0x61);  // channel 1 was never opened
    unit.saveWholeFile(data.data(), 300);
    bus.save("READ", pattern(5));
    before.assign(unit.image, unit.image + d64::kImageSize);
    bus.open(2, "READ");  // open for reading
    bus.listen();
    bus.second(0x62);
    unit.saveWholeFile(data.data(), 300);
    EXPECT_TRUE(std::equal(before.begin(), before.end(), unit.image));
}

// A drive with neither an image nor a PC directory.
struct UnbackedTest : ::testing::Test {
    DriveUnit unit;  // never mounted
    KernalBus bus{unit};
};

TEST_F(UnbackedTest, AnswersDriveNotReady) {
    const char* names[] = {"FILE", "$", "@0:NEW,P,W", "DATA,S,A"};
    for (const char* name : names) {
        SCOPED_TRACE(name);
        bus.lastError.clear();
        bus.open(0, name);
        EXPECT_EQ(bus.lastError, "74,DRIVE NOT READY");
        EXPECT_FALSE(unit.channels[0].isOpen);
    }
    bus.open(2, "#");
    EXPECT_TRUE(unit.channels[2].isOpen);
    bus.lastError.clear();
    bus.command("U1 2 0 18 0");
    EXPECT_EQ(bus.lastError, "74,DRIVE NOT READY");
    bus.lastError.clear();
    bus.command("U2 2 0 18 0");
    EXPECT_EQ(bus.lastError, "74,DRIVE NOT READY");
    EXPECT_EQ(bus.status(), statusLine("74,DRIVE NOT READY"));
    bus.save("X", pattern(3));
    EXPECT_EQ(bus.status(), statusLine("74,DRIVE NOT READY"));
}

TEST_F(DriveFixture, UnmountedDriveIsNotReady) {
    bus.save("KEEP", pattern(4));
    bus.open(3, "KEEP");
    unit.unmount();
    EXPECT_EQ(unit.image, nullptr);
    EXPECT_FALSE(unit.channels[3].isOpen);
    bus.open(0, "KEEP");
    EXPECT_EQ(bus.lastError, "74,DRIVE NOT READY");
}

}  // namespace
}  // namespace brimwick::drive::testing
