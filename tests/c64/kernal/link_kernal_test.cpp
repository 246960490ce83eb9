// End to end with no C++ stand-in on the C64 side: the test program runs on
// the emulated 6510 with the patched stand-in kernal and talks through the
// user-port cable to the real PC side (LinkPort, RequestDispatcher, the
// drives). Every operation is also done through the virtual C64 against an
// identical PC side, and the two must agree byte for byte: ST, the bytes
// that arrive in the C64, the files the drives write.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "../../temp_dir.h"
#include "c64/vc64/virtual_setup.h"
#include "../c64_rig.h"
#include "platform/file.h"
#include "platform/trace_log.h"

namespace brimwick::c64 {
namespace {

using brimwick::testing::TempDir;
using testing::C64Rig;
using testing::Op;
namespace mb = testing::mailbox;

constexpr int kImageDevice = 8;
constexpr int kDirectoryDevice = 9;
constexpr int kPassedDevice = 10;

// The same PC side twice: one for the emulated C64, one for the virtual C64.
class LinkKernal : public ::testing::Test {
  protected:
    TempDir emulatedDir, virtualDir;
    C64Rig rig{testing::patchedKernal()};
    c64::vc64::VirtualSetup vsetup;
    c64::vc64::VirtualKernal& vk = vsetup.kernal;

    LinkKernal() {
        platform::traceLog().captureInMemory();
        vsetup.link.strobeTimeoutMs = 1000;
        serveBoth(emulatedDir, rig.setup.drives, rig.setup.settings);
        serveBoth(virtualDir, vsetup.drives, vsetup.settings);
        rig.setup.dispatcher.programDirectory = emulatedDir.path();
        vsetup.dispatcher.programDirectory = virtualDir.path();
    }
    ~LinkKernal() override { platform::traceLog().close(); }

    template <typename Drives>
    static void serveBoth(TempDir& dir, Drives& drives, config::Settings& settings) {
        for (auto& unit : drives) unit.ramFilePath = dir.file("RAM_C1541.prg");
        drives[kImageDevice - 5].newImage(TextSlice(dir.file("disk.d64").c_str()));
        settings.realDevice[kImageDevice - 5] = 0;
        std::filesystem::create_directory(dir.file("pc"));
        drives[kDirectoryDevice - 5].mount(dir.file("pc") + "/", true);
        settings.realDevice[kDirectoryDevice - 5] = 0;
        settings.hostMode[kDirectoryDevice - 5] = 1;
    }

    // The same bytes in both C64s.
    void pokeBoth(int address, const std::vector<std::uint8_t>& bytes) {
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            rig.poke(static_cast<std::uint16_t>(address + static_cast<int>(i)), bytes[i]);
            vsetup.c64.memory.write(address + static_cast<int>(i), bytes[i]);
        }
    }
    std::vector<std::uint8_t> virtualRam(int address, int length) {
        std::vector<std::uint8_t> out;
        for (int i = 0; i < length; ++i)
            out.push_back(vsetup.c64.memory.ram[std::size_t(address + i)]);
        return out;
    }
    static std::vector<std::uint8_t> program(int length) {
        std::vector<std::uint8_t> bytes;
        for (int i = 0; i < length; ++i) bytes.push_back(static_cast<std::uint8_t>(i * 7 + 3));
        return bytes;
    }
    void expectSameLoad(const std::string& name, int device, int secondary, bool fast, int from,
                        int length) {
        SCOPED_TRACE(name + (fast ? " fast" : " slow"));
        ASSERT_TRUE(rig.load(device, name, secondary, fast));
        c64::vc64::TransferResult v = vsetup.run(vk.load(device, name, secondary, fast, false));
        EXPECT_EQ(rig.st(), v.st);
        EXPECT_EQ(rig.peek(mb::kCarry) == 0, v.ok);
        if (v.ok) {
            EXPECT_EQ(rig.peekWord(mb::kEnd), v.end);
        }
        EXPECT_EQ(rig.ram(from, length), virtualRam(from, length));
    }
    // `polls` keyboard scans on both C64s; the keys the virtual one got.
    std::vector<std::uint8_t> pollKeysBoth(int polls) {
        EXPECT_TRUE(rig.channel(Op::Keys, 0, 0, "", polls));
        vk.keys.clear();
        for (int i = 0; i < polls; ++i) vsetup.run(vk.keyboardPoll());
        return {vk.keys.begin(), vk.keys.end()};
    }
    // The drives' files: the image, and the PC directory's files.
    void expectSameDisks() {
        rig.setup.drives[kImageDevice - 5].saveImage();
        vsetup.drives[kImageDevice - 5].saveImage();
        EXPECT_EQ(platform::readFile(emulatedDir.file("disk.d64"), 1 << 20),
                  platform::readFile(virtualDir.file("disk.d64"), 1 << 20));
        for (const auto& entry : std::filesystem::directory_iterator(virtualDir.file("pc"))) {
            std::string name = entry.path().filename().string();
            SCOPED_TRACE(name);
            EXPECT_EQ(platform::readFile(emulatedDir.file("pc/" + name), 1 << 20),
                      platform::readFile(entry.path().string(), 1 << 20));
        }
    }
};

TEST_F(LinkKernal, SavesLoadsAndVerifiesFastAndByteByByte) {
    pokeBoth(0x1000, program(0x0300));
    ASSERT_TRUE(rig.save(kImageDevice, "FASTPROG", 0x1000, 0x1300, true));
    auto v1 = vsetup.run(vk.save(kImageDevice, "FASTPROG", 0x1000, 0x1300, true));
    EXPECT_EQ(rig.st(), v1.st);
    ASSERT_TRUE(rig.save(kDirectoryDevice, "SLOWPROG", 0x1000, 0x1123, false));
    auto v2 = vsetup.run(vk.save(kDirectoryDevice, "SLOWPROG", 0x1000, 0x1123, false));
    EXPECT_EQ(rig.st(), v2.st);
    ASSERT_TRUE(rig.save(kImageDevice, "SLOWPROG", 0x1000, 0x1123, false));
    vsetup.run(vk.save(kImageDevice, "SLOWPROG", 0x1000, 0x1123, false));
    ASSERT_TRUE(rig.save(kDirectoryDevice, "FASTPROG", 0x1000, 0x1300, true));
    vsetup.run(vk.save(kDirectoryDevice, "FASTPROG", 0x1000, 0x1300, true));
    expectSameDisks();
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(emulatedDir.file("pc")),
                            std::filesystem::directory_iterator()),
              2);

    pokeBoth(0x1000, std::vector<std::uint8_t>(0x0300, 0));
    for (bool fast : {true, false}) {
        expectSameLoad("$", kImageDevice, 0, fast, 0x0801, 0x400);
        for (int device : {kImageDevice, kDirectoryDevice}) {
            expectSameLoad("FASTPROG", device, 1, fast, 0x1000, 0x0300);
            expectSameLoad("SLOWPROG", device, 0, fast, 0x0801, 0x0123);
        }
        expectSameLoad("MISSING", kDirectoryDevice, 1, fast, 0x1000, 0x10);
    }
    EXPECT_EQ(rig.ram(0x1000, 0x0300), program(0x0300));

    // VERIFY: the same bytes, then one that differs.
    for (bool fast : {true, false}) {
        SCOPED_TRACE(fast ? "fast verify" : "slow verify");
        for (std::uint8_t changed : {std::uint8_t(0x03), std::uint8_t(0x55)}) {
            pokeBoth(0x1000, {changed});
            ASSERT_TRUE(rig.load(kImageDevice, "FASTPROG", 1, fast, true));
            auto v = vsetup.run(vk.load(kImageDevice, "FASTPROG", 1, fast, true));
            EXPECT_EQ(rig.st(), v.st);
            EXPECT_EQ(rig.st() & 0x10, changed == 0x03 ? 0 : 0x10);
        }
    }
}

TEST_F(LinkKernal, ChannelsStatusAndDosCommands) {
    struct Step {
        Op op;
        int secondary;
        std::string text;
        int count;
    };
    const Step steps[] = {
        {Op::Open, 2, "NOTES,S,W", 0},
        {Op::Print, 2, "HELLO C64\r", 0},
        {Op::Print, 2, "SECOND LINE", 0},
        {Op::Close, 2, "", 0},
        {Op::Status, 15, "", 0},
        {Op::Open, 3, "NOTES,S,R", 0},
        {Op::Get, 3, "", 8},
        {Op::Get, 3, "", 100},
        {Op::Get, 3, "", 5},
        {Op::Close, 3, "", 0},
        {Op::Command, 15, "R:MEMO=NOTES", 0},
        {Op::Status, 15, "", 0},
        {Op::Open, 4, "NOTES,S,R", 0},
        {Op::Status, 15, "", 0},
        {Op::Command, 15, "S:MEMO", 0},
        {Op::Status, 15, "", 0},
    };
    for (int device : {kImageDevice, kDirectoryDevice}) {
        for (const Step& s : steps) {
            SCOPED_TRACE("device " + std::to_string(device) + " op " + std::to_string(int(s.op)) +
                         " " + s.text);
            ASSERT_TRUE(rig.channel(s.op, device, s.secondary, s.text, s.count));
            std::vector<std::uint8_t> expected;
            switch (s.op) {
                case Op::Open:
                    vsetup.run(vk.open(s.secondary, device, s.secondary, s.text));
                    break;
                case Op::Print:
                    vsetup.run(vk.print(s.secondary, s.text));
                    break;
                case Op::Close:
                    vsetup.run(vk.close(s.secondary));
                    break;
                case Op::Get:
                    vsetup.run(vk.get(s.secondary, s.count));
                    expected = vk.received;
                    break;
                case Op::Status:
                    vsetup.run(vk.readStatus(device));
                    expected.assign(vk.statusText.begin(), vk.statusText.end());
                    break;
                default:
                    vsetup.run(vk.command(device, s.text));
                    break;
            }
            EXPECT_EQ(rig.st(), vsetup.c64.st());
            EXPECT_EQ(rig.received(), expected);
        }
    }
    expectSameDisks();
}

TEST_F(LinkKernal, PassesThroughTakesKeysAndReceivesTheKernal) {
    // A device the PC does not serve goes to the empty serial bus.
    rig.setup.settings.realDevice[kPassedDevice - 5] = kPassedDevice;
    vsetup.settings.realDevice[kPassedDevice - 5] = kPassedDevice;
    for (bool fast : {true, false}) {
        ASSERT_TRUE(rig.load(kPassedDevice, "ANY", 0, fast));
        auto v = vsetup.run(vk.load(kPassedDevice, "ANY", 0, fast, false));
        EXPECT_EQ(rig.st(), v.st);
        EXPECT_EQ(rig.st(), 0x80);
    }
    // A device that is served under another number reaches the bus under it.
    rig.setup.settings.realDevice[kPassedDevice - 5] = 11;
    ASSERT_TRUE(rig.channel(Op::Command, kPassedDevice, 15, "I", 0));
    EXPECT_EQ(rig.peek(0x02A7), 0x20 + 11);  // the stand-in's LISTEN got device 11
    EXPECT_EQ(rig.st(), 0x80);

    // Keys typed by the PC arrive through the keyboard scan.
    ASSERT_TRUE(rig.setup.keyboard.startKeyboardFeed(rig.setup.link, TextSlice("load\"x\",8\r")));
    ASSERT_TRUE(vsetup.keyboard.startKeyboardFeed(vsetup.link, TextSlice("load\"x\",8\r")));
    std::vector<std::uint8_t> keys = pollKeysBoth(14);
    EXPECT_EQ(rig.received(), keys);
    EXPECT_EQ(std::string(keys.begin(), keys.end()), "LOAD\"X\",8\r");

    // Request 255: the PC's ks.rom into the RAM under the kernal ROM.
    std::vector<std::uint8_t> ks = testing::patchedKernal();
    std::filesystem::create_directory(emulatedDir.file("kernels"));
    platform::writeFile(emulatedDir.file("kernels/ks.rom"), ks.data(), ks.size());
    std::filesystem::create_directory(virtualDir.file("kernels"));
    platform::writeFile(virtualDir.file("kernels/ks.rom"), ks.data(), ks.size());
    ASSERT_TRUE(rig.request(255));
    EXPECT_EQ(rig.peek(mb::kCarry), 0);
    EXPECT_EQ(vsetup.run(vk.upload()), 8192);
    EXPECT_EQ(rig.ram(kUploadAddress, 8192), vsetup.c64.uploaded);
    EXPECT_EQ(rig.ram(kUploadAddress, 8192), ks);

    // An extended message from a program: 16 bytes at $0340, preset.
    std::vector<std::uint8_t> message = {'D', 9, 'R', 0};
    message.resize(16);
    pokeBoth(0x0340, message);
    int m = -16;
    ASSERT_TRUE(rig.request(32, (0x0340 - (m & 0xFF)) & 0xFFFF, (m >> 8) & 0xFF, m & 0xFF));
    EXPECT_EQ(vsetup.run(vk.extendedMessage(message)), 64);
    EXPECT_EQ(rig.setup.settings.realDevice[kDirectoryDevice - 5], kDirectoryDevice);
    EXPECT_EQ(vsetup.settings.realDevice[kDirectoryDevice - 5], kDirectoryDevice);
}

TEST_F(LinkKernal, ProgramsPresetTheirRequests) {
    // Request 5: the input line's length in counter byte 1; a line that
    // starts with "0" has its second character put on the screen.
    pokeBoth(0x0200, {'0', 'Q', 'X'});
    ASSERT_TRUE(rig.request(5, 0, 2));
    vsetup.c64.counter1 = 2;
    EXPECT_EQ(vsetup.run(vsetup.c64.request(5)), 64);
    EXPECT_EQ(rig.peek(0x0400), 'Q');
    EXPECT_EQ(vsetup.c64.memory.ram[0x0400], 'Q');

    // Request 13 tells whether the addressed device is passed through;
    // requests 16 and 17 address the current drive again, LISTEN or TALK
    // with the secondary address in counter byte 1, and 10 and 9 let it go.
    // Both C64s must leave the drive in the same state after each, and the
    // status read afterwards must be the same.
    ASSERT_TRUE(rig.channel(Op::Command, kImageDevice, 15, "S:NOTHING", 0));
    vsetup.run(vk.command(kImageDevice, "S:NOTHING"));
    struct Step {
        int code;      // the request
        int counter1;  // its preset counter byte 1
        int answer;    // 64 served, 65 declined
    };
    const Step steps[] = {{13, 0, 64}, {16, 0x6F, 64}, {10, 0, 64}, {17, 0x6F, 64},
                          {9, 0, 64},  {16, 0x62, 64}, {10, 0, 64}, {17, 0x6F, 64}};
    const drive::DriveUnit& emulatedDrive = rig.setup.drives[kImageDevice - 5];
    const drive::DriveUnit& virtualDrive = vsetup.drives[kImageDevice - 5];
    for (const Step& step : steps) {
        SCOPED_TRACE("request " + std::to_string(step.code));
        ASSERT_TRUE(rig.request(step.code, 0, step.counter1));
        vsetup.c64.counter1 = step.counter1;
        EXPECT_EQ(vsetup.run(vsetup.c64.request(static_cast<std::uint8_t>(step.code))),
                  step.answer);
        EXPECT_EQ(rig.peek(mb::kCarry), step.answer == 64 ? 0 : 1);
        EXPECT_EQ(emulatedDrive.busState, virtualDrive.busState);
        EXPECT_EQ(emulatedDrive.commandChannel, virtualDrive.commandChannel);
        EXPECT_EQ(emulatedDrive.secondaryCommand, virtualDrive.secondaryCommand);
        EXPECT_EQ(emulatedDrive.channelNumber, virtualDrive.channelNumber);
        EXPECT_EQ(emulatedDrive.commandLength, virtualDrive.commandLength);
        EXPECT_EQ(emulatedDrive.status, virtualDrive.status);
    }
    EXPECT_TRUE(emulatedDrive.commandChannel);
    EXPECT_EQ(emulatedDrive.channelNumber, 15);
    ASSERT_TRUE(rig.request(9));
    vsetup.run(vsetup.c64.request(9));
    ASSERT_TRUE(rig.channel(Op::Status, kImageDevice, 15, "", 0));
    vsetup.run(vk.readStatus(kImageDevice));
    EXPECT_EQ(rig.received(),
              std::vector<std::uint8_t>(vk.statusText.begin(), vk.statusText.end()));
    EXPECT_EQ(rig.st(), vsetup.c64.st());

    rig.setup.settings.realDevice[kPassedDevice - 5] = kPassedDevice;
    vsetup.settings.realDevice[kPassedDevice - 5] = kPassedDevice;
    ASSERT_TRUE(rig.channel(Op::Command, kPassedDevice, 15, "I", 0));
    vsetup.run(vk.command(kPassedDevice, "I"));
    ASSERT_TRUE(rig.request(13));
    EXPECT_EQ(rig.peek(mb::kCarry), 1);
    EXPECT_EQ(vsetup.run(vsetup.c64.request(13)), 65);
    // Unknown request codes are served as no-ops.
    ASSERT_TRUE(rig.request(2));
    EXPECT_EQ(rig.peek(mb::kCarry), 0);
}

TEST_F(LinkKernal, ThePcResetsTheC64AndTypesIntoIt) {
    rig.pokeWord(0x0330, 0x1234);  // RESTOR at the reset puts the LOAD vector back
    rig.expectStart();
    ASSERT_TRUE(
        rig.setup.keyboard.typeText(rig.setup.link, rig.setup.settings, TextSlice("run\r")));
    ASSERT_TRUE(rig.waitForStart());
    EXPECT_NE(rig.peekWord(0x0330), 0x1234);
    ASSERT_TRUE(vsetup.keyboard.typeText(vsetup.link, vsetup.settings, TextSlice("run\r")));
    std::vector<std::uint8_t> keys = pollKeysBoth(40);
    EXPECT_EQ(rig.received(), keys);
    ASSERT_GE(keys.size(), 4u);
    EXPECT_EQ(std::string(keys.end() - 4, keys.end()), "RUN\r");
}

TEST_F(LinkKernal, WithoutThePcTheStockRoutinesRun) {
    rig.setup.link.requestOnline(false);
    rig.setup.dispatcher.poll();  // presence line down
    ASSERT_TRUE(rig.load(kImageDevice, "ANY", 0, true));
    EXPECT_EQ(rig.st(), 0x80);
    ASSERT_TRUE(rig.channel(Op::Keys, 0, 0, "", 3));
    EXPECT_TRUE(rig.received().empty());
    ASSERT_TRUE(rig.request(0));
    EXPECT_EQ(rig.peek(mb::kCarry), 1);
}

}  // namespace
}  // namespace brimwick::c64
