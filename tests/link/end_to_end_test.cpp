// The whole PC side served through the virtual C64: listings, loads and saves
// byte by byte and fast, verify, status, "#" buffers, pass-through, extended
// messages, the kernal upload, the keyboard feed, the screen mirror, broken
// transfers, and the traffic of single requests byte for byte.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "../c64/vc64/virtual_setup_test.h"
#include "c64/vc64/virtual_setup.h"
#include "d64/block_cursor.h"
#include "link/request_codes.h"
#include "platform/trace_log.h"
#include "platform/user_dialogs.h"

namespace brimwick::c64::vc64 {
namespace {

using brimwick::testing::TempDir;

class EndToEnd : public testing::VirtualSetupTest {
  protected:
    VirtualKernal& k = setup.kernal;
    VirtualC64& c64 = setup.c64;

    void poke(int address, const std::vector<std::uint8_t>& bytes) {
        for (std::size_t i = 0; i < bytes.size(); ++i)
            c64.memory.write(address + static_cast<int>(i), bytes[i]);
    }
    std::vector<std::uint8_t> peek(int address, int length) {
        std::vector<std::uint8_t> out;
        for (int i = 0; i < length; ++i)
            out.push_back(c64.memory.ram[static_cast<std::size_t>((address + i) & 0xFFFF)]);
        return out;
    }
    std::string status(int device) {
        setup.run(k.readStatus(device));
        return k.statusText;
    }
    // The bytes of the last operation, split by direction.
    std::vector<int> fromPc() const { return direction(true); }
    std::vector<int> fromC64() const { return direction(false); }
    std::vector<int> direction(bool pc) const {
        std::vector<int> out;
        for (const auto& t : c64.cable.traffic)
            if (t.fromPc == pc) out.push_back(t.value);
        return out;
    }
    // Opens a program on device 8 channel 0 and reads its load address, as
    // the kernal does before a fast load; the next request 14 loads the rest.
    void openPastLoadAddress(const std::string& name) {
        setup.run(k.open(2, 8, 0, name));
        setup.run(k.talk(8));
        setup.run(k.tksa(0x60));
        setup.run(k.acptr());
        setup.run(k.acptr());
        c64.memory.write(0x0093, 0);
    }
    void record() {
        c64.cable.traffic.clear();
        c64.cable.recordTraffic = true;
    }
};

std::vector<std::uint8_t> program(int bytes, int seed = 1) {
    std::vector<std::uint8_t> v(static_cast<std::size_t>(bytes));
    for (int i = 0; i < bytes; ++i)
        v[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i * 31 + seed);
    return v;
}

std::vector<std::uint8_t> text(const std::string& s) {
    return {s.begin(), s.end()};
}

TEST_F(EndToEnd, ListingOfAFreshImageIsTheExactBasicProgram) {
    serveImage();
    TransferResult r = setup.run(k.load(8, "$", 1, false, false));
    EXPECT_EQ(r.start, 0x1000);
    std::vector<std::uint8_t> expected = {0x23, 0x10, 0xA9, 0x02};
    auto freeText = text("BLOCKS FREE. CODED BAD.");
    expected.insert(expected.end(), freeText.begin(), freeText.end());
    expected.insert(expected.end(), 8, 0x20);
    expected.insert(expected.end(), {0x00, 0x00, 0x00});  // end of program, then the flagged 0
    EXPECT_EQ(r.end - r.start, static_cast<int>(expected.size()));
    EXPECT_EQ(peek(0x1000, static_cast<int>(expected.size())), expected);
    EXPECT_EQ(r.st & link::kStEndOfFile, link::kStEndOfFile);
}

TEST_F(EndToEnd, ListingOfAPcDirectory) {
    servePcDirectory();
    dir.write("pc/a.prg", std::vector<std::uint8_t>(1000, 1));
    TransferResult r = setup.run(k.load(9, "$", 1, true, false));
    std::vector<std::uint8_t> expected = {0x23, 0x10, 0x04, 0x00, 0x20, 0x20, 0x20};
    auto name = text("A.PRG");
    expected.insert(expected.end(), name.begin(), name.end());
    expected.resize(34, 0x20);  // line 1: 35 bytes after the load address
    expected.push_back(0x00);
    // The closing line: link and spaces only, then the end of the program.
    expected.insert(expected.end(), {0x46, 0x10});
    expected.resize(expected.size() + 33, 0x20);
    expected.insert(expected.end(), {0x00, 0x00, 0x00});
    EXPECT_EQ(r.start, 0x1000);
    EXPECT_EQ(peek(0x1000, r.end - r.start), expected);
}

struct TransferCase {
    const char* name;
    bool pcDirectory;
    bool fastSave;
    bool fastLoad;
};

TEST_F(EndToEnd, SaveAndLoadByteByByteAndFast) {
    const TransferCase cases[] = {
        {"image slow/slow", false, false, false}, {"image fast/fast", false, true, true},
        {"image slow/fast", false, false, true},  {"pc slow/slow", true, false, false},
        {"pc fast/fast", true, true, true},       {"pc fast/slow", true, true, false},
    };
    serveImage();
    servePcDirectory();
    int n = 0;
    for (const auto& c : cases) {
        int device = c.pcDirectory ? 9 : 8;
        std::string name = "FILE" + std::to_string(n++);
        auto data = program(3000, n);
        poke(0x2000, data);
        TransferResult saved = setup.run(k.save(device, name, 0x2000, 0x2000 + 3000, c.fastSave));
        EXPECT_TRUE(saved.ok) << c.name;
        EXPECT_EQ(saved.st, 0) << c.name;
        poke(0x2000, std::vector<std::uint8_t>(3000, 0));
        TransferResult loaded = setup.run(k.load(device, name, 1, c.fastLoad, false));
        EXPECT_TRUE(loaded.ok) << c.name;
        EXPECT_EQ(loaded.start, 0x2000) << c.name;
        EXPECT_EQ(loaded.end, 0x2000 + 3000) << c.name;
        EXPECT_EQ(peek(0x2000, 3000), data) << c.name;
        EXPECT_EQ(status(device), "00, OK. CODED BAD.,0,0") << c.name;
        EXPECT_TRUE(c64.cable.failure.empty()) << c.name << ": " << c64.cable.failure;
    }
    // The PC file carries the load address first.
    auto onDisk = TempDir::read(dir.file("pc/file3.prg"));
    ASSERT_EQ(onDisk.size(), 3002u);
    EXPECT_EQ(onDisk[0], 0x00);
    EXPECT_EQ(onDisk[1], 0x20);
}

TEST_F(EndToEnd, VerifyWithAndWithoutMismatch) {
    serveImage();
    poke(0x3000, program(500));
    ASSERT_TRUE(setup.run(k.save(8, "V", 0x3000, 0x3000 + 500, true)).ok);
    for (bool fast : {false, true}) {
        TransferResult same = setup.run(k.load(8, "V", 1, fast, true));
        EXPECT_EQ(same.st & link::kStVerifyError, 0) << fast;
        c64.memory.write(0x3000 + 250, 0xEE);
        TransferResult differ = setup.run(k.load(8, "V", 1, fast, true));
        EXPECT_EQ(differ.st & link::kStVerifyError, link::kStVerifyError) << fast;
        EXPECT_EQ(c64.memory.read(0x3000 + 250), 0xEE) << "verify must not write";
        c64.memory.write(0x3000 + 250, program(500)[250]);
    }
}

TEST_F(EndToEnd, StatusAfterErrorsThenOk) {
    serveImage();
    TransferResult r = setup.run(k.load(8, "MISSING", 1, false, false));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.st & link::kStDriveError, link::kStDriveError);
    EXPECT_EQ(status(8), "62,FILE NOT FOUND,0,0");
    EXPECT_EQ(status(8), "00, OK. CODED BAD.,0,0");
    EXPECT_NE(platform::traceLog().captured().find("\n C1541-ERROR = 62,FILE NOT FOUND"),
              std::string::npos);
    setup.run(k.command(8, "XYZZY"));
    EXPECT_EQ(status(8), "30,SYNTAX ERROR,0,0");
}

TEST_F(EndToEnd, GetFromAChannelWithNoFileOpenEndsWithATimeOut) {
    serveImage();
    // OPEN 2,8,2,"MISSING" fails; GET#2 must not deliver bytes for ever.
    setup.run(k.open(2, 8, 2, "MISSING"));
    setup.run(k.get(2, 100));
    EXPECT_EQ(k.received, std::vector<std::uint8_t>{0x80});
    EXPECT_EQ(c64.st(), link::kStEndOfFile | link::kStDriveError);
    EXPECT_EQ(status(8), "62,FILE NOT FOUND,0,0");
    setup.run(k.close(2));
    // A channel open for writing has nothing to read either.
    setup.run(k.open(5, 8, 5, "X,S,W"));
    setup.run(k.get(5, 100));
    EXPECT_EQ(k.received.size(), 1u);
    EXPECT_EQ(c64.st(), link::kStEndOfFile | link::kStDriveError);
}

TEST_F(EndToEnd, DirectBuffersWithBlockCommands) {
    drive::DriveUnit& unit = serveImage();
    setup.run(k.open(2, 8, 2, "#"));
    setup.run(k.command(8, "U1 2 0 18 0"));
    setup.run(k.get(2, 256));
    d64::BlockCursor bam;
    bam.toOffset(18, 0);
    ASSERT_EQ(k.received.size(), 256u);
    EXPECT_EQ(0, std::memcmp(k.received.data(), unit.image + bam.offset, 256));
    // Read it back unchanged onto track 1 sector 0: the block is copied byte for byte.
    setup.run(k.command(8, "B-P 2 0"));
    setup.run(k.command(8, "U2 2 0 1 0"));
    EXPECT_EQ(0, std::memcmp(unit.image, unit.image + bam.offset, 256));
    EXPECT_EQ(status(8), "00, OK. CODED BAD.,0,0");
    setup.run(k.close(2));
}

TEST_F(EndToEnd, PassThroughDeclinesAndRewritesTheDeviceByte) {
    setup.settings.realDevice[3] = 9;  // device 8 goes to the real drive 9
    record();
    setup.run(k.listen(8));
    EXPECT_EQ(c64.memory.read(0x0095), 0x29);
    EXPECT_TRUE(setup.dispatcher.passThrough);
    for (int code : {link::kSecond, link::kByteToDrive, link::kUnlisten}) {
        record();
        c64.argument = 0x61;
        EXPECT_EQ(setup.run(c64.request(static_cast<std::uint8_t>(code))), link::kDeclined);
        EXPECT_EQ(fromPc(), std::vector<int>{link::kDeclined}) << code;
    }
    // Devices without a table entry are passed through untouched, even while
    // devices 5 to 14 are all served: 16 to 30 are not 0 to 14 again.
    for (int device = 5; device <= 14; ++device)
        if (device != 8) setup.serve(device, dir.file("d" + std::to_string(device) + ".d64"));
    for (int device : {4, 15, 16, 21, 26, 30}) {
        c64.memory.write(0x0095, 0x00);
        setup.dispatcher.addressedDrive = 3;
        EXPECT_EQ(setup.run(k.listen(device)), link::kDeclined) << device;
        EXPECT_TRUE(setup.dispatcher.passThrough) << device;
        EXPECT_EQ(setup.dispatcher.addressedDrive, 3) << device;
        EXPECT_EQ(c64.memory.read(0x0095), 0x00) << device;
        c64.memory.write(0x00BA, static_cast<std::uint8_t>(device));
        EXPECT_EQ(setup.run(c64.request(link::kDeviceServed)), link::kDeclined) << device;
    }
    c64.memory.write(0x00BA, 8);
    EXPECT_EQ(setup.run(c64.request(link::kDeviceServed)), link::kDeclined);
    setup.settings.realDevice[3] = 0;
    EXPECT_EQ(setup.run(c64.request(link::kDeviceServed)), link::kServed);
}

TEST_F(EndToEnd, RequestsWithoutMeaningAreServedWithoutTraffic) {
    for (int code : {0, 2, 4, 31, 200}) {
        record();
        EXPECT_EQ(setup.run(c64.request(static_cast<std::uint8_t>(code))), link::kServed);
        EXPECT_EQ(fromPc(), std::vector<int>{link::kServed}) << code;
    }
}

TEST_F(EndToEnd, LastByteTrafficSetsEndOfFile) {
    serveImage();
    setup.run(k.open(2, 8, 2, "ONE,S,W"));
    setup.run(k.print(2, "A"));
    setup.run(k.close(2));
    setup.run(k.open(2, 8, 2, "ONE,S,R"));
    setup.run(k.talk(8));
    setup.run(k.tksa(0x62));
    c64.counter1 = 0x12;
    c64.counter2 = 0x34;
    c64.pointer = 0x5678;
    c64.memory.write(0x0090, 0);
    record();
    EXPECT_EQ(setup.run(k.acptr()), 'A');
    EXPECT_EQ(fromPc(), (std::vector<int>{link::kPutResult, 'A', 6, 8, 4, 0x1C, 0xFE, 3, 0x40, 5,
                                          0x12, 0x34, 4, 0x78, 0x56, link::kServed}));
    EXPECT_EQ(fromC64(), (std::vector<int>{link::kByteFromDrive, 0x12, 0x34, 0x78, 0x56, 0x40}));
    EXPECT_EQ(c64.st(), 0x40);
}

TEST_F(EndToEnd, BoostLoadReportsTheEndAndRestoresTheCounter) {
    serveImage();
    poke(0x0801, program(100));
    ASSERT_TRUE(setup.run(k.save(8, "P", 0x0801, 0x0801 + 100, false)).ok);
    openPastLoadAddress("P");
    c64.pointer = 0x0801;
    c64.counter1 = 0xAB;
    c64.counter2 = 0xCD;
    setup.run(c64.request(link::kBoostLoad));
    EXPECT_EQ(c64.pointer, 0x0865);
    EXPECT_EQ(c64.counter1, 0xAB);
    EXPECT_EQ(c64.counter2, 0xCD);
    EXPECT_NE(platform::traceLog().captured().find("\n BoostLoad: START= 2049   LENGTH= 100"),
              std::string::npos);
}

TEST_F(EndToEnd, BoostLoadStopsAtTheTopOfMemory) {
    serveImage();
    poke(0x2000, program(600));
    ASSERT_TRUE(setup.run(k.save(8, "HIGH", 0x2000, 0x2000 + 600, false)).ok);
    c64.memory.write(0x0002, 0x5A);  // zero page must stay untouched
    // Loaded with secondary address 0 at $0801 it fits; at $FF00 it is cut.
    EXPECT_TRUE(setup.run(k.load(8, "HIGH", 0, true, false)).ok);
    openPastLoadAddress("HIGH");
    c64.pointer = 0xFF00;
    setup.run(c64.request(link::kBoostLoad));
    auto data = program(600);
    EXPECT_EQ(peek(0xFF00, 256), std::vector<std::uint8_t>(data.begin(), data.begin() + 256));
    EXPECT_EQ(c64.memory.read(0x0002), 0x5A);
    EXPECT_NE(platform::traceLog().captured().find("cut at $FFFF"), std::string::npos);
}

TEST_F(EndToEnd, BoostSaveOfAnEmptyRangeWritesAnEmptyFile) {
    servePcDirectory();
    TransferResult r = setup.run(k.save(9, "EMPTY", 0x4000, 0x4000, true));
    EXPECT_TRUE(r.ok);
    auto onDisk = TempDir::read(dir.file("pc/empty.prg"));
    EXPECT_EQ(onDisk, (std::vector<std::uint8_t>{0x00, 0x40}));
}

TEST_F(EndToEnd, DriveErrorDuringSecondReachesStatusAndSt) {
    servePcDirectory();
    setup.run(k.open(2, 9, 2, "OUT,S,W"));
    setup.run(k.print(2, "DATA"));
    std::filesystem::remove_all(dir.file("pc"));
    record();
    setup.run(k.close(2));
    EXPECT_EQ(c64.st() & link::kStDriveError, link::kStDriveError);
    EXPECT_EQ(status(9), "25,WRITE ERROR,0,0");
}

TEST_F(EndToEnd, InputLineIsClampedToItsBuffer) {
    poke(0x0200, text("0X"));
    c64.counter1 = 2;
    c64.counter2 = 0;
    setup.run(c64.request(link::kInputLine));
    EXPECT_EQ(c64.memory.read(0x0400), 'X');
    c64.counter1 = 255;
    poke(0x0200, std::vector<std::uint8_t>(255, 'Q'));
    EXPECT_EQ(setup.run(c64.request(link::kInputLine)), link::kServed);
    EXPECT_EQ(setup.dispatcher.inputLineBuffer.back(), 'Q');
    EXPECT_TRUE(c64.cable.failure.empty()) << c64.cable.failure;
}

TEST_F(EndToEnd, ExtendedMessagesWriteABlockAndRemoveTheImage) {
    drive::DriveUnit& unit = serveImage();
    poke(0xC000, program(256, 7));
    setup.run(k.extendedMessage(
        {0x44, 0x08, 0x54, 0x12, 0x01, 0x41, 0x00, 0xC0, 0x4C, 0x00, 0x01, 0x57, 0x00, 0, 0, 0}));
    d64::BlockCursor at;
    at.toOffset(18, 1);
    EXPECT_EQ(0, std::memcmp(unit.image + at.offset, program(256, 7).data(), 256));
    EXPECT_TRUE(unit.imageModified);
    const std::string& log = platform::traceLog().captured();
    EXPECT_NE(log.find("\n *** Extended C64 Message: ***\n   ext: device = 8\n   ext: set track "
                       "sector, logical address = 91648\n   ext: set c64 addr = 49152\n   ext: set "
                       "length = 256\n   ext: write block to diskimage\n   ext: end"),
              std::string::npos)
        << log;

    struct Case {
        std::vector<std::uint8_t> message;
        const char* logLine;
    };
    const Case cases[] = {
        {{0x57}, "  ERROR: track/sector not set"},
        {{0x44, 0x04, 0x57}, "\n   ext: device = 4  ERROR: Illegal drive"},
        {{0x54, 0x00, 0x00}, "\n   ext: set track sector  ERROR: Illegal Track/Sector"},
        {{0x44, 0x08, 0x50, 0xFF, 0xFF, 0x02, 0x41, 0, 0, 0x4C, 0, 0, 0x57},
         "  ERROR: Illegal drive or No diskimage present"},
        {{0x44, 0x09, 0x54, 1, 0, 0x41, 0, 0, 0x4C, 0, 0, 0x57},
         "  ERROR: Illegal drive or No diskimage present"},
        {{0x99}, "\n   ext: (unknown)"},
    };
    for (const auto& c : cases) {
        platform::traceLog().clearCaptured();
        setup.run(k.extendedMessage(c.message));
        EXPECT_NE(platform::traceLog().captured().find(c.logLine), std::string::npos)
            << c.logLine << " in " << platform::traceLog().captured();
    }
    // An operand cut off by the end of the message is never read past it.
    platform::traceLog().clearCaptured();
    std::vector<std::uint8_t> truncated(16, 0x44);
    truncated[14] = 0x08;
    truncated[15] = 0x50;  // "P" needs three more bytes
    setup.run(k.extendedMessage(truncated));
    EXPECT_EQ(platform::traceLog().captured().find("set position"), std::string::npos);

    // Remove: the modified image is saved, the device goes to the real bus.
    setup.run(k.extendedMessage({0x44, 0x08, 0x52, 0x00}));
    EXPECT_EQ(unit.image, nullptr);
    EXPECT_EQ(setup.settings.realDevice[3], 8);
    auto saved = TempDir::read(dir.file("disk.d64"));
    ASSERT_EQ(saved.size(), 174848u);
    EXPECT_EQ(0, std::memcmp(saved.data() + at.offset, program(256, 7).data(), 256));
    c64.memory.write(0x00BA, 8);
    EXPECT_EQ(setup.run(c64.request(link::kDeviceServed)), link::kDeclined);
}

TEST_F(EndToEnd, RemovingAnImageThatCannotBeSavedKeepsItServed) {
    platform::HeadlessDialogs quiet;  // the person is told through the trace
    platform::setUserDialogs(&quiet);
    struct Restore {
        ~Restore() { platform::setUserDialogs(nullptr); }
    } restore;
    std::string path = dir.file("gone/disk.d64");
    drive::DriveUnit& unit = setup.serve(8, path);
    TransferResult r = setup.run(k.save(8, "KEEP", 0x0801, 0x0901, false));
    EXPECT_EQ(r.st, 0);
    setup.run(k.extendedMessage({0x44, 0x08, 0x52, 0x00}));
    EXPECT_EQ(setup.settings.realDevice[3], 0);
    ASSERT_NE(unit.image, nullptr);
    EXPECT_TRUE(setup.run(k.load(8, "KEEP", 1, false, false)).ok);
    const std::string& log = platform::traceLog().captured();
    EXPECT_NE(log.find("Brimwick: The disk image " + path +
                       " could not be saved: No such file or directory."),
              std::string::npos)
        << log;
    // The next "R" saves it once it can.
    std::filesystem::create_directory(dir.file("gone"));
    setup.run(k.extendedMessage({0x44, 0x08, 0x52, 0x00}));
    EXPECT_EQ(unit.image, nullptr);
    EXPECT_EQ(setup.settings.realDevice[3], 8);
    EXPECT_EQ(TempDir::read(path).size(), 174848u);
}

TEST_F(EndToEnd, KernalUpload) {
    auto kernal = program(kKernalSize, 3);
    std::filesystem::create_directory(dir.file("kernels"));
    dir.write("kernels/ks.rom", kernal);
    EXPECT_EQ(setup.run(k.upload()), kKernalSize);
    EXPECT_EQ(c64.uploaded, kernal);
    EXPECT_NE(platform::traceLog().captured().find("\n  Writing Rom."), std::string::npos);
}

TEST_F(EndToEnd, KernalThatCannotBeSentIsLoggedAndNothingIsSent) {
    struct Case {
        const char* name;
        int size;  // bytes of ks.rom; -1 none at all, -2 a directory
    };
    const Case cases[] = {
        {"missing", -1},
        {"a directory", -2},
        {"larger than the C64's memory", 0x10001},
    };
    setup.link.strobeTimeoutMs = 20;
    std::filesystem::create_directory(dir.file("kernels"));
    for (const auto& c : cases) {
        std::filesystem::remove_all(dir.file("kernels/ks.rom"));
        if (c.size == -2) std::filesystem::create_directory(dir.file("kernels/ks.rom"));
        if (c.size >= 0) dir.write("kernels/ks.rom", program(c.size, 5));
        platform::traceLog().clearCaptured();
        record();
        setup.run(k.upload());
        EXPECT_NE(platform::traceLog().captured().find("\n ERROR reading rom"), std::string::npos)
            << c.name;
        // Only the end code followed the request byte.
        ASSERT_FALSE(fromPc().empty()) << c.name;
        EXPECT_EQ(fromPc().front(), link::kServed) << c.name;
    }
}

TEST_F(EndToEnd, KernalDumpIsPatchedKeptAndSentBack) {
    c64.romDump = program(kKernalSize, 7);
    std::vector<std::uint8_t> received;
    setup.dispatcher.prepareKernal = [&](const std::vector<std::uint8_t>& stock,
                                         const std::string& home) {
        received = stock;
        EXPECT_EQ(home, dir.path());
        return link::PreparedKernal{program(kKernalSize, 9), {0xA4, 0xFD, 0xE5}};
    };
    EXPECT_EQ(setup.run(c64.request(link::kKernalDump)), link::kServed);
    EXPECT_EQ(received, c64.romDump);
    EXPECT_EQ(c64.dumpAnswer, (std::vector<std::uint8_t>{0xA4, 0xFD, 0xE5}));
    EXPECT_EQ(TempDir::read(dir.file("kernels/ks.rom")), program(kKernalSize, 9));
    EXPECT_EQ(setup.run(k.upload()), kKernalSize);
    EXPECT_EQ(c64.uploaded, program(kKernalSize, 9));
}

TEST_F(EndToEnd, KernalDumpThatCannotBeUsedIsRefusedWithTheReason) {
    const std::string refused = "BRIMWICK CANNOT USE THIS KERNAL: ";
    struct Case {
        const char* name;
        link::KernalPreparer prepare;
        bool kernelsIsAFile;  // kernels/ cannot be made
        std::string said;     // the answer's text, or its start
    };
    auto patches = [](const std::vector<std::uint8_t>&, const std::string&) {
        return link::PreparedKernal{program(kKernalSize, 2), {}};
    };
    const Case cases[] = {
        {"not recognised",
         [](const std::vector<std::uint8_t>&, const std::string&) -> link::PreparedKernal {
             throw std::runtime_error("$FE1C does not OR the accumulator into ST");
         },
         false, refused + "$FE1C DOES NOT OR THE ACCUMULATOR INTO ST"},
        {"a long reason",
         [](const std::vector<std::uint8_t>&, const std::string&) -> link::PreparedKernal {
             throw std::runtime_error(std::string(400, 'x'));
         },
         false, refused + std::string(255 - refused.size(), 'X')},
        {"no patcher", nullptr, false, refused + "THIS PROGRAM CANNOT PATCH KERNALS"},
        {"kernels/ is a file", patches, true, refused},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(dir.file("kernels"));
        if (c.kernelsIsAFile) dir.write("kernels", "not a directory");
        setup.dispatcher.prepareKernal = c.prepare;
        EXPECT_EQ(setup.run(c64.request(link::kKernalDump)), link::kDeclined);
        std::string said(c64.dumpAnswer.begin(), c64.dumpAnswer.end());
        EXPECT_EQ(said.substr(0, c.said.size()), c.said);
        if (c.kernelsIsAFile) {
            std::vector<std::uint8_t> path = link::screenText(dir.file("kernels"));
            EXPECT_NE(said.find(std::string(path.begin(), path.end())), std::string::npos) << said;
            EXPECT_EQ(TempDir::read(dir.file("kernels")).size(), 15u);
        } else {
            EXPECT_EQ(said, c.said);
            EXPECT_FALSE(std::filesystem::exists(dir.file("kernels/ks.rom")));
        }
        EXPECT_NE(platform::traceLog().captured().find("\n Kernal dump refused: "),
                  std::string::npos);
    }
}

TEST_F(EndToEnd, KeyboardFeedTypesTheResetSequenceThenTheText) {
    std::strcpy(setup.settings.resetSequences[1], "Poke1,2\r");
    setup.settings.resetSequenceIndex = 1;
    ASSERT_TRUE(setup.keyboard.typeText(setup.link, setup.settings, TextSlice("run\r\x08\t")));
    EXPECT_TRUE(c64.cable.resetSeen);
    EXPECT_FALSE(setup.keyboard.typeText(setup.link, setup.settings, TextSlice("x")))
        << "a second text waits for the first";
    k.keys.clear();
    for (int i = 0; i < 15; ++i) setup.run(k.keyboardPoll());
    std::vector<int> typed;
    for (int key : k.keys)
        if (key != 0) typed.push_back(key);
    EXPECT_EQ(typed, (std::vector<int>{'p', 'O', 'K', 'E', '1', ',', '2', '\r', 'R', 'U', 'N', '\r',
                                       0x14, 0x7F}));
    EXPECT_FALSE(setup.keyboard.feedActive);
    // A full keyboard buffer makes the feed wait.
    setup.keyboard.typeText(setup.link, setup.settings, TextSlice("ab"));
    k.drainKeyboard = false;
    c64.memory.write(0x00C6, 10);
    EXPECT_EQ(setup.run(c64.request(link::kKeyboardPoll)), link::kDeclined);
    EXPECT_EQ(setup.keyboard.feedPos, 0);
    // A terminal key waits for the feed, and comes after it.
    setup.keyboard.typeKey('a');
    c64.memory.write(0x00C6, 0);
    k.drainKeyboard = true;
    k.keys.clear();
    for (int i = 0; i < 16; ++i) setup.run(k.keyboardPoll());
    typed.clear();
    for (int key : k.keys)
        if (key != 0) typed.push_back(key);
    EXPECT_EQ(typed, (std::vector<int>{'p', 'O', 'K', 'E', '1', ',', '2', '\r', 'A', 'B', 'A'}));
}

struct FakeView : link::TerminalView {
    bool shown = true;
    bool small = false;
    int repaints = 0;
    bool terminalShown() const override { return shown; }
    bool minimized() const override { return small; }
    void invalidateTerminal() override { ++repaints; }
};

TEST_F(EndToEnd, ScreenMirrorConvertsAfterAFullScreen) {
    FakeView view;
    setup.dispatcher.view = &view;
    std::vector<std::uint8_t> screen(1000, 0x20);
    screen[0] = 0x01;
    screen[1] = 0x81;
    screen[2] = 0x20;
    screen[3] = 0x41;
    screen[999] = 0x7F;
    poke(0x0400, screen);
    for (int i = 0; i < 14; ++i) setup.run(k.keyboardPoll());
    EXPECT_EQ(view.repaints, 0);
    EXPECT_EQ(setup.mirror.screenMirror[0], 0x01) << "raw until the fifth slice";
    setup.run(k.keyboardPoll());
    EXPECT_EQ(view.repaints, 1);
    const auto& m = setup.mirror.screenMirror;
    EXPECT_EQ((std::vector<int>{m[0], m[1], m[2], m[3], m[999]}),
              (std::vector<int>{0x41, 0x41, 0x20, 0x61, 0x7F}));
    view.small = true;
    for (int i = 0; i < 15; ++i) setup.run(k.keyboardPoll());
    EXPECT_EQ(view.repaints, 1) << "a minimized window mirrors nothing";
}

TEST_F(EndToEnd, DroppedLinesMidTransferThenRecovery) {
    serveImage();
    poke(0x1000, program(20000));
    ASSERT_TRUE(setup.run(k.save(8, "BIG", 0x1000, 0x1000 + 20000, true)).ok);
    poke(0x1000, std::vector<std::uint8_t>(20000, 0));
    c64.cable.bytesMoved = 0;
    c64.cable.dropAfterBytes = 5000;
    setup.run(k.load(8, "BIG", 1, true, false));
    EXPECT_NE(platform::traceLog().captured().find("\n C64ERROR = 1"), std::string::npos);
    EXPECT_EQ(setup.link.online, 1);
    c64.cable.dropAfterBytes = -1;
    TransferResult again = setup.run(k.load(8, "BIG", 1, true, false));
    EXPECT_TRUE(again.ok);
    EXPECT_EQ(peek(0x1000, 20000), program(20000));
    EXPECT_TRUE(c64.cable.failure.empty()) << c64.cable.failure;
}

// A file whose second block cannot be reached: the first block links
// outside the disk.
struct DamagedChainCase {
    const char* name;
    int track;           // the first block's link
    int sector;          // likewise
    const char* status;  // the drive's status afterwards
};

TEST_F(EndToEnd, DriveErrorDuringAByteReadKeepsTheCableInStep) {
    const DamagedChainCase cases[] = {
        {"track 36", 36, 0, "66,ILLEGAL TRACK AND SECTOR"},
        {"track 255", 255, 0, "66,ILLEGAL TRACK AND SECTOR"},
        {"sector 21 on track 1", 1, 21, "66,ILLEGAL TRACK AND SECTOR"},
    };
    drive::DriveUnit& unit = serveImage();
    poke(0x2000, program(600));
    ASSERT_TRUE(setup.run(k.save(8, "GOOD", 0x2000, 0x2000 + 600, true)).ok);
    int n = 0;
    for (const auto& c : cases) {
        std::string name = "BAD" + std::to_string(n++);
        ASSERT_TRUE(setup.run(k.save(8, name, 0x2000, 0x2000 + 600, true)).ok) << c.name;
        d64::BlockCursor entry(unit.image);
        entry.rewind();
        ASSERT_TRUE(entry.findEntry(name.c_str())) << c.name;
        std::int32_t first = entry.entryFirstBlock();
        unit.image[first] = static_cast<std::uint8_t>(c.track);
        unit.image[first + 1] = static_cast<std::uint8_t>(c.sector);

        // LOAD byte by byte: the first block arrives, then the drive error.
        poke(0x2000, std::vector<std::uint8_t>(600, 0));
        TransferResult r = setup.run(k.load(8, name, 1, false, false));
        EXPECT_TRUE(c64.cable.failure.empty()) << c.name << ": " << c64.cable.failure;
        EXPECT_FALSE(r.ok) << c.name;
        EXPECT_EQ(r.st & (link::kStDriveError | link::kStEndOfFile), link::kStDriveError) << c.name;
        EXPECT_EQ(r.end, 0x2000 + 252) << c.name;
        auto data = program(600);
        EXPECT_EQ(peek(0x2000, 252), std::vector<std::uint8_t>(data.begin(), data.begin() + 252))
            << c.name;
        EXPECT_EQ(status(8), std::string(c.status) + ",0,0") << c.name;

        // GET# the same way, then the next requests work.
        setup.run(k.open(2, 8, 2, name + ",P,R"));
        setup.run(k.get(2, 0x10000));
        EXPECT_EQ(k.received.size(), 254u) << c.name;
        EXPECT_EQ(c64.st() & (link::kStDriveError | link::kStEndOfFile), link::kStDriveError)
            << c.name;
        setup.run(k.close(2));
        EXPECT_EQ(status(8), std::string(c.status) + ",0,0") << c.name;
        TransferResult good = setup.run(k.load(8, "GOOD", 1, false, false));
        EXPECT_TRUE(good.ok) << c.name;
        EXPECT_EQ(peek(0x2000, 600), data) << c.name;
        EXPECT_EQ(status(8), "00, OK. CODED BAD.,0,0") << c.name;
        EXPECT_TRUE(c64.cable.failure.empty()) << c.name << ": " << c64.cable.failure;
    }
}

TEST_F(EndToEnd, GoingOfflineForExitAlwaysTakesThePresenceLineDown) {
    // Idle: the line goes down at once.
    EXPECT_TRUE(c64.cable.presence);
    setup.dispatcher.goOfflineForExit(std::chrono::milliseconds(500));
    EXPECT_FALSE(c64.cable.presence);
    EXPECT_EQ(setup.link.isOnline(), 0);

    // A pending request is served first.
    setup.link.requestOnline(true);
    setup.dispatcher.poll();
    ASSERT_TRUE(c64.cable.presence);
    Task<int> pending = c64.request(link::kNop);
    pending.start();
    setup.dispatcher.goOfflineForExit(std::chrono::milliseconds(500));
    EXPECT_TRUE(pending.done());
    EXPECT_EQ(pending.result(), link::kServed);
    EXPECT_FALSE(c64.cable.presence);

    // A C64 that holds its request open and says nothing: after the grace
    // period the line goes down all the same.
    setup.link.requestOnline(true);
    setup.dispatcher.poll();
    ASSERT_TRUE(c64.cable.presence);
    setup.link.strobeTimeoutMs = 10;
    c64.cable.requestLines = true;
    setup.dispatcher.goOfflineForExit(std::chrono::milliseconds(100));
    EXPECT_FALSE(c64.cable.presence);
    EXPECT_EQ(c64.cable.dataLatch, 0x00);
    EXPECT_EQ(setup.link.isOnline(), 0);
    EXPECT_TRUE(c64.cable.failure.empty()) << c64.cable.failure;
}

}  // namespace
}  // namespace brimwick::c64::vc64
