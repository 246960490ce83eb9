// Putting the link kernal into a stock kernal: what the patcher recognises,
// what it changes (hooks, moved routine starts, vectors), what it refuses,
// and brimwick-cli kernal patch around it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "../../temp_dir.h"
#include "../c64_rig.h"
#include "platform/file.h"

namespace brimwick::c64 {
namespace {

using testing::linkProgram;
using testing::stockKernal;

std::uint8_t at(const std::vector<std::uint8_t>& image, int address) {
    return image[static_cast<std::size_t>(address - kKernalStart)];
}
int wordAt(const std::vector<std::uint8_t>& image, int address) {
    return at(image, address) | (at(image, address + 1) << 8);
}
void put(std::vector<std::uint8_t>& image, int address, std::uint8_t value) {
    image[static_cast<std::size_t>(address - kKernalStart)] = value;
}
std::vector<std::uint8_t> bytesAt(const std::vector<std::uint8_t>& image, int address, int n) {
    auto begin = image.begin() + (address - kKernalStart);
    return {begin, begin + n};
}

TEST(KernalPatcher, RecognisesTheStandInByItsStructure) {
    KernalStructure k = recogniseKernal(stockKernal());
    EXPECT_EQ(k.vectorTable, 0xFD30);
    EXPECT_EQ(k.vectors[kVectorLoad], 0xF4A5);
    EXPECT_EQ(k.vectors[kVectorSave], 0xF5ED);
    EXPECT_EQ(k.routines[0], 0xED0C);  // LISTEN
    EXPECT_EQ(k.routines[5], 0xEE13);  // ACPTR
}

TEST(KernalPatcher, HooksTheRoutinesAndMovesTheirStarts) {
    std::vector<std::uint8_t> stock = stockKernal();
    std::vector<std::uint8_t> patched = patchKernal(stock, linkProgram());
    ASSERT_EQ(patched.size(), stock.size());
    EXPECT_TRUE(isLinkKernal(patched));
    KernalStructure k = recogniseKernal(stock);
    std::vector<std::uint8_t> link = linkProgram();
    auto linkWord = [&](int offset) { return link[2 + offset] | (link[3 + offset] << 8); };
    for (std::size_t i = 0; i < kCodeHooks.size(); ++i) {
        SCOPED_TRACE(kCodeHooks[i].name);
        EXPECT_EQ(at(patched, k.routines[i]), kJmpAbsolute);
        EXPECT_EQ(wordAt(patched, k.routines[i] + 1), linkWord(kLinkHooksOffset + 4 * int(i)));
    }
    auto trampoline = [&](std::size_t hook) {
        return bytesAt(patched, wordAt(patched, linkWord(kLinkHooksOffset + 4 * int(hook) + 2)), 10);
    };
    // CIOUT starts BIT $94, BMI +3: the branch becomes BPL over a JMP.
    EXPECT_EQ(trampoline(4), (std::vector<std::uint8_t>{0x24, 0x94, 0x10, 0x03, 0x4C, 0xE4, 0xED,
                                                       0x4C, 0xE1, 0xED}));
    // LISTEN and TALK pass through after LISTEN's ORA: its JSR, then on.
    std::vector<std::uint8_t> common = trampoline(0);
    EXPECT_EQ(std::vector<std::uint8_t>(common.begin(), common.begin() + 6),
              (std::vector<std::uint8_t>{0x20, at(stock, 0xED0F), at(stock, 0xED10), 0x4C, 0x11, 0xED}));
    EXPECT_EQ(trampoline(0), trampoline(1));
    // ACPTR's SEI and LDA #0 exactly fill the hook.
    std::vector<std::uint8_t> acptr = trampoline(5);
    EXPECT_EQ(std::vector<std::uint8_t>(acptr.begin(), acptr.begin() + 6),
              (std::vector<std::uint8_t>{0x78, 0xA9, 0x00, 0x4C, 0x16, 0xEE}));
    // OPEN, LOAD and SAVE now start in the link kernal, which goes on to the
    // stock routines.
    for (std::size_t v = 0; v < kVectorHooks.size(); ++v) {
        SCOPED_TRACE(kVectorHooks[v].name);
        int slot = kLinkHooksOffset + 4 * int(kCodeHooks.size() + v);
        EXPECT_EQ(wordAt(patched, 0xFD30 + 2 * kVectorHooks[v].vector), linkWord(slot));
        EXPECT_EQ(wordAt(patched, linkWord(slot + 2)), k.vectors[std::size_t(kVectorHooks[v].vector)]);
    }
    // Nothing else changed: outside the link area only the hooks and vectors.
    int changed = 0;
    for (int a = kKernalStart; a <= 0xFFFF; ++a)
        if ((a < kLinkAreaStart || a >= kLinkAreaEnd) && at(stock, a) != at(patched, a)) ++changed;
    EXPECT_EQ(changed, 9 * 3 + 3 * 2);
}

struct Refusal {
    const char* name;
    std::function<void(std::vector<std::uint8_t>&)> damage;
    const char* reason;  // part of the message
};

TEST(KernalPatcher, RefusesWhatIsNoC64Kernal) {
    const Refusal cases[] = {
        {"too short", [](auto& i) { i.resize(4096); }, "is 4096 bytes; a C64 kernal image is 8192"},
        {"jump table", [](auto& i) { put(i, 0xFFE7, 0x60); }, "no kernal jump table at $FF81-$FFF3 ($60 at $FFE7)"},
        {"open vector", [](auto& i) { put(i, 0xFFC1, 0x1C); }, "OPEN ($FFC0) does not jump through"},
        {"restor", [](auto& i) { put(i, 0xFD15, 0xEA); }, "RESTOR at $FD15 does not load"},
        {"vector", [](auto& i) { put(i, 0xFD30 + 2 * 14 + 1, 0x10); }, "the default I/O vector 14 ($10A5)"},
        {"st routine", [](auto& i) { put(i, 0xFE1E, 0x8D); }, "$FE1C does not OR the accumulator into ST"},
        {"talk", [](auto& i) { put(i, 0xED0B, 0xEA); }, "TALK ($ED09) and LISTEN ($ED0C) do not share"},
        {"tape table", [](auto& i) { put(i, 0xFDA2, 0x00); }, "no datasette routines at $F72C-$FB8D"},
        {"unmovable start", [](auto& i) { put(i, 0xEDB9, 0x00); }, "the start of SECOND at $EDB9 cannot be moved"},
        {"hook into tape area", [](auto& i) { put(i, 0xFFA9, 0x30); put(i, 0xFFAA, 0xF9); },
         "leads into the datasette routines"},
    };
    for (const Refusal& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::uint8_t> image = stockKernal();
        c.damage(image);
        try {
            patchKernal(image, linkProgram());
            ADD_FAILURE() << "patched";
        } catch (const PatchError& e) {
            EXPECT_NE(std::string(e.what()).find(c.reason), std::string::npos) << e.what();
        }
    }
    std::vector<std::uint8_t> once = patchKernal(stockKernal(), linkProgram());
    EXPECT_THROW(patchKernal(once, linkProgram()), PatchError);
}

TEST(KernalCommand, WritesThePatchedImageAndRefusesOthers) {
    brimwick::testing::TempDir dir;
    std::vector<std::uint8_t> stock = stockKernal();
    platform::writeFile(dir.file("stock.rom"), stock.data(), stock.size());
    const std::string cli = BRIMWICK_CLI;
    const std::string link = std::string(" --link ") + BRIMWICK_LINK_KERNAL;
    auto run = [&](const std::string& arguments) {
        std::string command = cli + " kernal patch " + arguments + link + " > " + dir.file("out.txt") +
                              " 2>&1";
        int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    EXPECT_EQ(run(dir.file("stock.rom") + " -o " + dir.file("ks.rom")), 0);
    EXPECT_EQ(platform::readFile(dir.file("ks.rom"), 1 << 16), patchKernal(stock, linkProgram()));

    std::vector<std::uint8_t> basic(8192, 0xEA);
    platform::writeFile(dir.file("basic.rom"), basic.data(), basic.size());
    EXPECT_EQ(run(dir.file("basic.rom") + " -o " + dir.file("bad.rom")), 1);
    std::vector<std::uint8_t> said = platform::readFile(dir.file("out.txt"), 1 << 16);
    EXPECT_NE(std::string(said.begin(), said.end())
                  .find("basic.rom: not a C64 kernal image this can patch: no kernal jump table"),
              std::string::npos);
    EXPECT_FALSE(platform::exists(dir.file("bad.rom")));

    EXPECT_EQ(run(dir.file("stock.rom") + " -o " + dir.file("stock.rom")), 1);
    EXPECT_EQ(platform::readFile(dir.file("stock.rom"), 1 << 16), stock);
    EXPECT_EQ(run(dir.file("missing.rom") + " -o " + dir.file("x.rom")), 1);
}

}  // namespace
}  // namespace brimwick::c64
