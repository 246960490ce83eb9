// The PC end of the cable: the two-bit handshake, the link commands and their
// exact traffic, banking of the BASIC ROM, time-outs and dropped lines.
#include "link/link_port.h"

#include <gtest/gtest.h>

#include <vector>

#include "c64/vc64/virtual_c64.h"

namespace brimwick::link {
namespace {

using c64::vc64::TrafficByte;
using c64::vc64::VirtualC64;

// A port whose C64 side is a fixed list of bit pairs: the strobe toggles on
// each PC write, so every step answers at once.
struct ScriptedPort : PortIo {
    std::vector<int> pairs;            // the C64's pair at each step
    std::size_t step = 0;              // current step
    bool lines = true;                 // request lines up
    int dropAtStep = -1;               // lines go down when this step is reached
    bool frozen = false;               // the strobe never moves
    std::vector<std::uint8_t> writes;  // data register writes
    std::uint8_t readPort(int address) override {
        if (address != 0x379) return 0;
        if (static_cast<int>(step) == dropAtStep) lines = false;
        int level = frozen ? 0 : (step % 2 == 0 ? 1 : 0);
        int pair = step < pairs.size() ? pairs[step] : 0;
        return static_cast<std::uint8_t>((lines ? 0xC0 : 0) | (pair << 4) | (level << 3));
    }
    void writePort(int address, std::uint8_t value) override {
        if (address == 0x378) {
            writes.push_back(value);
            ++step;
        }
    }
};

TEST(Handshake, SendByteWritesPairsWithStrobeEcho) {
    ScriptedPort port;
    LinkPort link;
    link.selectPort(2, &port);
    link.sendByte(0xA5);
    EXPECT_EQ(port.writes, (std::vector<std::uint8_t>{0x81, 0x01, 0x82, 0x02}));
    EXPECT_EQ(link.bytesWritten, 1);
}

TEST(Handshake, ReceiveByteAssemblesPairsLowestFirst) {
    ScriptedPort port;
    port.pairs = {2, 1, 3, 0};
    LinkPort link;
    link.selectPort(2, &port);
    EXPECT_EQ(link.receiveByte(), 0x36);
    EXPECT_EQ(port.writes, (std::vector<std::uint8_t>{0x80, 0x00, 0x80, 0x00}));
    EXPECT_EQ(link.bytesRead, 1);
}

TEST(Handshake, DroppedLinesAndSilenceBreakTheLinkWithoutCounting) {
    struct Case {
        const char* what;
        int dropAtStep;
        bool frozen;
    };
    const Case cases[] = {{"lines drop before the byte", 0, false},
                          {"lines drop mid-byte", 2, false},
                          {"C64 stops mid-byte", -1, true}};
    for (const auto& c : cases) {
        ScriptedPort port;
        port.dropAtStep = c.dropAtStep;
        port.frozen = c.frozen;
        LinkPort link;
        link.selectPort(2, &port);
        link.strobeTimeoutMs = 20;
        try {
            link.receiveByte();
            ADD_FAILURE() << c.what << ": no error";
        } catch (const c64error& e) {
            EXPECT_EQ(e.code, 1) << c.what;
        }
        EXPECT_EQ(link.bytesRead, 0) << c.what;
        try {
            link.sendByte(1);
            ADD_FAILURE() << c.what << ": no error";
        } catch (const c64error& e) {
            EXPECT_EQ(e.code, 1) << c.what;
        }
        EXPECT_EQ(link.bytesWritten, 0) << c.what;
    }
}

TEST(PortChoice, BasesAndNone) {
    ScriptedPort port;
    LinkPort link;
    const int expected[] = {0, 0x278, 0x378, 0x3BC, 0, 0};
    for (int choice = 0; choice < 6; ++choice) {
        link.selectPort(choice, &port);
        EXPECT_EQ(link.dataPort, expected[choice]) << choice;
        EXPECT_EQ(link.statusPort, expected[choice] + 1) << choice;
    }
}

// A PC side that serves each request with a test-specific action.
class VirtualLink : public ::testing::Test {
  protected:
    VirtualC64 c64;
    LinkPort link;

    VirtualLink() {
        c64.cable.base = 0x378;
        c64.cable.presence = true;
        c64.cable.recordTraffic = true;
        link.selectPort(2, &c64.cable);
        link.wantOnline = 1;
        link.online = 1;
        link.strobeTimeoutMs = 200;
    }

    // Opens request `code` on the C64, lets the PC read its command byte,
    // run `serve` and end the request; returns the end code the C64 saw.
    template <typename Serve>
    int exchange(std::uint8_t code, Serve serve, bool decline = false) {
        return c64.run(c64.request(code), [&] {
            if (!link.requestPending()) return;
            EXPECT_EQ(link.receiveByte(), code);
            serve();
            if (decline)
                link.declineRequest();
            else
                link.finishRequest();
        });
    }

    // The PC's bytes of the traffic, without the command byte and end code.
    std::vector<int> pcBytes() const {
        std::vector<int> out;
        for (const auto& t : c64.cable.traffic)
            if (t.fromPc) out.push_back(t.value);
        if (!out.empty()) out.pop_back();  // end code
        return out;
    }
    std::vector<int> c64Bytes() const {
        std::vector<int> out;
        for (const auto& t : c64.cable.traffic)
            if (!t.fromPc) out.push_back(t.value);
        if (!out.empty()) out.erase(out.begin());  // command byte
        return out;
    }
};

TEST_F(VirtualLink, PrepareTransferExamples) {
    struct Case {
        int address, length;
        std::vector<int> traffic;
    };
    const Case cases[] = {
        {0x1000, 300, {4, 0x2C, 0x0F, 5, 0xFE, 0xD4}},
        {0x1000, 256, {4, 0x00, 0x10, 5, 0xFF, 0x00}},
        {0x0001, 1, {4, 0x02, 0xFF, 5, 0xFF, 0xFF}},
        {0x1000, 0, {}},
        {0x1000, -5, {}},
    };
    for (const auto& c : cases) {
        c64.cable.traffic.clear();
        ASSERT_EQ(exchange(0, [&] { link.prepareTransfer(c.address, c.length); }), 64);
        EXPECT_EQ(pcBytes(), c.traffic) << c.address << "+" << c.length;
    }
}

TEST_F(VirtualLink, ReadMemoryTrafficAndBanking) {
    for (int i = 0; i < 0x10000; ++i) c64.memory.ram[i] = static_cast<std::uint8_t>(i * 13);
    c64.memory.ram[1] = 0x37;
    struct Case {
        int address, length;
        std::vector<int> pcTraffic;
    };
    const Case cases[] = {
        {0x00BA, 1, {4, 0xBB, 0xFF, 5, 0xFF, 0xFF, 1}},
        {0x0400, 200, {4, 0xC8, 0x03, 5, 0xFF, 0x38, 1}},
        {0x9F00, 256, {4, 0x00, 0x9F, 5, 0xFF, 0x00, 1}},  // ends exactly at $A000
        {0x9F80, 256, {4, 0x02, 0xFF, 5, 0xFF, 0xFF, 1, 4, 0x02, 0xFF, 5, 0xFF, 0xFF, 2, 0x36,
                       4, 0x80, 0x9F, 5, 0xFF, 0x00, 1, 4, 0x02, 0xFF, 5, 0xFF, 0xFF, 2, 0x37}},
        {0x0400, 0, {}},
    };
    for (const auto& c : cases) {
        c64.cable.traffic.clear();
        std::vector<std::uint8_t> got(static_cast<std::size_t>(std::max(c.length, 1)));
        ASSERT_EQ(exchange(0, [&] { link.readMemory(got.data(), c.address, c.length); }), 64);
        EXPECT_EQ(pcBytes(), c.pcTraffic) << c.address;
        for (int i = 0; i < c.length; ++i)
            ASSERT_EQ(got[i], c64.memory.ram[c.address + i]) << c.address << "+" << i;
        EXPECT_EQ(c64.memory.ram[1], 0x37);
    }
    EXPECT_TRUE(c64.cable.failure.empty()) << c64.cable.failure;
}

TEST_F(VirtualLink, WriteMemoryCallRoutineAndRegisters) {
    const std::uint8_t data[3] = {7, 8, 9};
    c64.pointer = 0x1234;
    c64.counter1 = 0x56;
    c64.counter2 = 0x78;
    int answer = 0;
    ASSERT_EQ(exchange(0,
                       [&] {
                           link.saveRegisters();
                           link.writeMemory(data, 0xA000, 3);  // lands in RAM under ROM
                           answer = link.callRoutine(0xFE1C, 0x40);
                           link.restoreRegisters();
                       }),
              64);
    EXPECT_EQ(c64.memory.ram[0xA000], 7);
    EXPECT_EQ(c64.memory.ram[0xA002], 9);
    EXPECT_EQ(c64.st(), 0x40);
    EXPECT_EQ(answer, 0x40);
    EXPECT_EQ(link.savedCounter, 0x56 + 256 * 0x78);
    EXPECT_EQ(link.savedPointer, 0x1234);
    EXPECT_EQ(c64.pointer, 0x1234);
    EXPECT_EQ(c64.counter1, 0x56);
    EXPECT_EQ(c64.counter2, 0x78);
}

TEST_F(VirtualLink, DeclineCountsTheCommandByte) {
    int before = link.bytesRead;
    EXPECT_EQ(exchange(
                  1, [] {}, true),
              65);
    EXPECT_EQ(link.bytesRead, before + 1);
    EXPECT_EQ(link.bytesWritten, 1);
}

TEST_F(VirtualLink, OutOfTurnWriteIsReported) {
    // The C64 drops its lines on the error, so the PC's next wait breaks.
    EXPECT_THROW(exchange(0, [&] { link.writePortByte(link.dataPort, 0x00); }), c64error);
    EXPECT_NE(c64.cable.failure.find("out of turn"), std::string::npos) << c64.cable.failure;
}

TEST_F(VirtualLink, PresenceResetAndInitialise) {
    link.online = 0;
    link.goOffline();
    EXPECT_FALSE(c64.cable.presence);
    link.goOnline();
    EXPECT_TRUE(c64.cable.presence);
    EXPECT_EQ(link.isOnline(), 1);
    link.resetC64();
    EXPECT_TRUE(c64.cable.resetSeen);
    EXPECT_EQ(c64.cable.virtualMs, 202u);
    EXPECT_TRUE(c64.cable.presence);
    c64.cable.control = 0xFF;
    link.initialise();
    EXPECT_EQ(c64.cable.control, 0xEF);
}

}  // namespace
}  // namespace brimwick::link
