// The virtual C64 at READY: what serve --virtual-c64 prints, and the vc64
// script's exec, type and screen.
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "c64/vc64/script.h"
#include "platform/trace_log.h"
#include "shell/shell_commands.h"
#include "shell/virtual_c64_session.h"
#include "temp_dir.h"

namespace brimwick::shell {
namespace {

using brimwick::testing::TempDir;

class VirtualC64Test : public ::testing::Test {
  protected:
    TempDir dir;
    c64::vc64::VirtualSetup setup;
    ShellCommands commands{setup.dispatcher};

    VirtualC64Test() { platform::traceLog().captureInMemory(); }
    ~VirtualC64Test() override { platform::traceLog().close(); }

    std::string script(const std::string& text, bool withShell = true) {
        std::istringstream in(text);
        std::ostringstream out;
        c64::vc64::ExecuteHook hook;
        if (withShell) hook = [this](const std::string& s) { commands.execute(s); };
        c64::vc64::runScript(in, out, setup, hook);
        return out.str();
    }
};

TEST(KeysAsTypedTest, LettersSwappedBackReturnShownOthersInHex) {
    EXPECT_EQ(keysAsTyped({0x4C, 0x4F, 0x67, 0x22, 0x0D, 0x14, 0x89, 0x5F}),
              "loG\"\u23CE\\x14\\x89_");
}

TEST_F(VirtualC64Test, SessionPrintsTheResetAndEachTextOnOneLine) {
    dir.write("GAME.PRG", "x");
    std::strcpy(setup.settings.resetSequences[0], "poke1,2\r");
    std::ostringstream out;
    VirtualC64Session session(setup, out);
    for (int i = 0; i < 5; ++i) session.pollKeyboard();
    EXPECT_EQ(out.str(), "") << "nothing typed, nothing printed";
    commands.execute("L___" + dir.file("GAME.PRG"));
    for (int i = 0; i < 60; ++i) session.pollKeyboard();
    EXPECT_EQ(out.str(), "reset\nkeys: poke1,2\u23CEload\"GAME\",8,1:\u23CErun:\u23CE\n");
}

TEST_F(VirtualC64Test, ScriptExecTypeAndScreen) {
    dir.write("GAME.PRG", "x");
    std::string transcript = script("exec \"L___" + dir.file("GAME.PRG") +
                                    "\"\n"
                                    "type \"list\\r\"\n"
                                    "keys 30\n"
                                    "type \"run\\r\"\n"
                                    "keys 5\n"
                                    "screen\n");
    std::istringstream lines(transcript);
    std::vector<std::string> l;
    for (std::string line; std::getline(lines, line);) l.push_back(line);
    ASSERT_EQ(l.size(), 5u + 25u) << transcript;
    EXPECT_EQ(l[0], "exec L___" + dir.file("GAME.PRG"));
    EXPECT_EQ(l[1], "type refused: a text is still being typed");
    EXPECT_EQ(l[2], "keys: 4C 4F 41 44 22 67 61 6D 65 22 2C 38 2C 31 3A 0D 52 55 4E 3A 0D");
    EXPECT_EQ(l[3], "type queued");
    EXPECT_EQ(l[4], "keys: 52 55 4E 0D");
    auto row = [](const std::string& text) {
        return "|" + text + std::string(40 - text.size(), ' ') + "|";
    };
    EXPECT_EQ(l[5], row("READY."));
    EXPECT_EQ(l[6], row("RUN")) << "the reset cleared the screen";
    // RETURN ran the line: RUN of no program at all says READY. at once.
    EXPECT_EQ(l[7], row(""));
    EXPECT_EQ(l[8], row("READY."));
    EXPECT_EQ(l[9], row(""));
    EXPECT_EQ(l[29], row(""));
}

TEST_F(VirtualC64Test, ShellCommandsLoadRunsThroughTheServedDirectory) {
    // A BASIC program of one line, 10 END; the typed name comes in shifted
    // letters ("game") and still finds GAME.PRG.
    dir.write("GAME.PRG", std::vector<std::uint8_t>{0x01, 0x08, 0x07, 0x08, 0x0A, 0x00, 0x80,
                                                    0x00, 0x00, 0x00});
    std::string transcript =
        script("exec \"L___" + dir.file("GAME.PRG") + "\"\nkeys 40\nscreen\n");
    EXPECT_NE(transcript.find("|SEARCHING FOR game" + std::string(22, ' ') + "|\n|LOADING"),
              std::string::npos)
        << transcript;
    EXPECT_EQ(setup.c64.memory.read(0x0805), 0x80) << "10 END is in memory";
}

TEST_F(VirtualC64Test, TheScreenScrollsAndExecNeedsTheShell) {
    std::string text;
    for (int i = 0; i < 30; ++i) text += "type \"" + std::to_string(i) + "\\r\"\nkeys 4\n";
    text += "screen\n";
    std::string transcript = script(text);
    EXPECT_NE(transcript.find("|29" + std::string(38, ' ') + "|\n|" + std::string(40, ' ') + "|\n"),
              std::string::npos)
        << transcript;
    EXPECT_EQ(script("exec \"ID__/x.d64\"\n", false), "error: no shell commands here\n");
}

}  // namespace
}  // namespace brimwick::shell
