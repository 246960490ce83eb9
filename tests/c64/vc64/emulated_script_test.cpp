// vc64 scripts on the emulated C64 (the Open ROMs, as they are), and the
// choice of the kernal it runs.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "../../temp_dir.h"
#include "../open_roms.h"
#include "c64/emulated_choice.h"
#include "c64/emulated_setup.h"
#include "c64/vc64/script.h"
#include "platform/trace_log.h"

namespace brimwick::c64 {
namespace {

std::string run(EmulatedSetup& setup, const std::string& script, int& failures) {
    std::istringstream in(script);
    std::ostringstream out;
    failures = vc64::runScript(in, out, setup, {});
    return out.str();
}

TEST(EmulatedScript, PressWaitScreenAndScreenshotOnTheOpenRoms) {
    BRIMWICK_NEED_OPEN_ROMS(roms);
    brimwick::testing::TempDir dir;
    platform::traceLog().captureInMemory();
    auto setup = std::make_unique<EmulatedSetup>();
    RomSet set{roms->kernal, roms->basic, roms->characters, "k", "b", "c"};
    setup->powerOn(set, roms->kernal);
    int failures = 0;
    std::string out = run(*setup,
                          "wait \"READY.\"\n"
                          "press \"10 print \\\"hi there\\\"\\r20 goto 10\\rrun\\r\"\n"
                          "wait \"HI THERE\" 2\n"
                          "press \"{run/stop}\"\n"
                          "wait \"BREAK\"\n"
                          "run 0.1\n"
                          "screen\n"
                          "screenshot " + dir.file("shot.png") + "\n",
                          failures);
    EXPECT_EQ(failures, 0) << out;
    EXPECT_EQ(out.rfind("wait \"READY.\" shown\npress 35 keys\nwait \"HI THERE\" shown\npress 1 key\n"
                        "wait \"BREAK\" shown\nrun 0.1 s\n", 0),
              0u)
        << out;
    EXPECT_NE(out.find("\n|10 PRINT \"HI THERE\"                     |\n"), std::string::npos) << out;
    EXPECT_NE(out.find("\n|READY.                                  |\n"), std::string::npos) << out;
    EXPECT_NE(out.find("screenshot " + dir.file("shot.png") + " 384x272\n"), std::string::npos);
    std::vector<std::uint8_t> png = testing::readBytes(dir.file("shot.png"));
    ASSERT_GT(png.size(), 33u);
    EXPECT_EQ(std::string(png.begin() + 1, png.begin() + 4), "PNG");
    EXPECT_EQ(png[16] * 0x1000000 + png[17] * 0x10000 + png[18] * 0x100 + png[19], 384);  // IHDR width
    EXPECT_EQ(png[20] * 0x1000000 + png[21] * 0x10000 + png[22] * 0x100 + png[23], 272);

    out = run(*setup,
              "load 8 \"GAME\"\n"
              "press \"{nokey}\"\n"
              "wait \"NEVER SHOWN\" 0.2\n"
              "run forever\n",
              failures);
    EXPECT_EQ(failures, 4);
    EXPECT_EQ(out,
              "error: 'load' needs the virtual C64's own kernal; on the emulated C64, press or type the "
              "C64 command instead\n"
              "error: no key named {nokey}\n"
              "error: \"NEVER SHOWN\" not on the screen after 0.2 s\n"
              "error: bad seconds 'forever'\n");

    // `type` resets the C64 through the cable's reset line (the Reset C64
    // button's way): the RAM keeps the program, the screen starts afresh.
    out = run(*setup, "press \"{clr}hello\"\nwait \"HELLO\"\ntype \"x\"\nrun 2\nscreen\n", failures);
    EXPECT_EQ(failures, 0) << out;
    EXPECT_EQ(out.find("|HELLO"), std::string::npos) << out;
    EXPECT_NE(out.find("|READY."), std::string::npos) << out;
    platform::traceLog().close();
}

TEST(EmulatedScript, TheVirtualC64RefusesTheWholeMachinesOperations) {
    vc64::VirtualSetup setup;
    std::ostringstream out;
    EXPECT_FALSE(vc64::runScriptLine("press \"a\"", out, setup));
    EXPECT_EQ(out.str(), "error: 'press' needs the emulated C64 (--roms DIR)\n");
}

TEST(EmulatedChoice, AStockKernalIsPatchedInMemoryALinkKernalRunsAsItIs) {
    const std::vector<std::uint8_t> stock = testing::stockKernal();
    const std::vector<std::uint8_t> link = testing::linkProgram();
    std::string how;
    std::vector<std::uint8_t> patched = kernalToRun(stock, "stock.rom", link, false, how);
    EXPECT_EQ(patched, testing::patchedKernal());
    EXPECT_EQ(how, "patched with the link kernal in memory");
    EXPECT_EQ(kernalToRun(patched, "ks.rom", link, false, how), patched);
    EXPECT_EQ(how, "already holds the link kernal");
    EXPECT_EQ(kernalToRun(stock, "stock.rom", link, true, how), stock);
    EXPECT_EQ(how, "unpatched (--as-is)");
    std::vector<std::uint8_t> other(kKernalRomBytes, 0xEA);
    try {
        kernalToRun(other, "/roms/kernal", link, false, how);
        FAIL() << "patched an unknown kernal";
    } catch (const RomError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("/roms/kernal: cannot be patched with the link kernal: ", 0), 0u);
        EXPECT_NE(std::string(e.what()).find("(--as-is runs it unpatched)"), std::string::npos);
    }
}

TEST(EmulatedChoice, OptionsThenTheSettingsFileThenTheSearch) {
    brimwick::testing::TempDir home;
    brimwick::testing::TempDir roms;
    roms.write("kernal", testing::stockKernal());
    roms.write("basic", std::vector<std::uint8_t>(kBasicRomBytes, 0x22));
    roms.write("chargen", std::vector<std::uint8_t>(kCharacterRomBytes, 0x33));
    std::string note;
    const std::string link = BRIMWICK_LINK_KERNAL;
    // Nothing named, the search off: the virtual C64, and nothing looked for.
    EXPECT_FALSE(chooseEmulatedC64({}, home.path(), link, true, note));
    EXPECT_EQ(note, "");
    // The settings file names the directory and NTSC.
    home.write("Dos.ini", std::string("dos=1541\nroms=" + roms.path() + "\nvideo=ntsc\n"));
    auto start = chooseEmulatedC64({}, home.path(), link, false, note);
    ASSERT_TRUE(start);
    EXPECT_EQ(start->standard, VideoStandard::Ntsc);
    EXPECT_EQ(start->kernal, testing::patchedKernal());
    EXPECT_EQ(start->roms.basic[0], 0x22);
    // An option wins over the setting; a missing directory is an error.
    EmulatedOptions options;
    options.roms.directory = roms.file("nowhere");
    EXPECT_THROW(chooseEmulatedC64(options, home.path(), link, true, note), RomError);
    options.roms.directory = roms.path();
    options.video = "pal";
    options.asIs = true;
    start = chooseEmulatedC64(options, home.path(), link, false, note);
    ASSERT_TRUE(start);
    EXPECT_EQ(start->standard, VideoStandard::Pal);
    EXPECT_EQ(start->kernal, testing::stockKernal());
    home.write("Dos.ini", std::string("roms=" + roms.file("gone") + "\n"));
    try {
        chooseEmulatedC64({}, home.path(), link, false, note);
        FAIL();
    } catch (const RomError& e) {
        EXPECT_NE(std::string(e.what()).find("the setting roms= in"), std::string::npos) << e.what();
    }
}

TEST(EmulatedChoice, TheSearchFindsInstalledRomsAndFallsBackWhenTheyCannotRun) {
    brimwick::testing::TempDir home;
    brimwick::testing::TempDir data;
    const std::string dir = data.path() + "/brimwick/roms";
    std::filesystem::create_directories(dir);
    std::vector<std::uint8_t> unknown(kKernalRomBytes, 0xEA);
    auto put = [&](const std::string& name, const std::vector<std::uint8_t>& bytes) {
        std::ofstream(dir + "/" + name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    };
    put("kernal", unknown);
    put("basic", std::vector<std::uint8_t>(kBasicRomBytes, 0x22));
    put("chargen", std::vector<std::uint8_t>(kCharacterRomBytes, 0x33));
    const char* before = std::getenv(kNoRomSearchVariable);
    const std::string saved = before != nullptr ? before : "";
    ::unsetenv(kNoRomSearchVariable);
    ::setenv("XDG_DATA_HOME", data.path().c_str(), 1);
    std::string note;
    auto start = chooseEmulatedC64({}, home.path(), BRIMWICK_LINK_KERNAL, true, note);
    EXPECT_FALSE(start);  // found, but the patcher refuses it: the virtual C64
    EXPECT_NE(note.find(dir + "/kernal: cannot be patched"), std::string::npos) << note;
    put("kernal", testing::stockKernal());
    start = chooseEmulatedC64({}, home.path(), BRIMWICK_LINK_KERNAL, true, note);
    ASSERT_TRUE(start);
    EXPECT_EQ(start->kernal, testing::patchedKernal());
    EXPECT_EQ(start->roms.kernalPath, dir + "/kernal");
    ::unsetenv("XDG_DATA_HOME");
    ::setenv(kNoRomSearchVariable, saved.empty() ? "1" : saved.c_str(), 1);
}

}  // namespace
}  // namespace brimwick::c64
