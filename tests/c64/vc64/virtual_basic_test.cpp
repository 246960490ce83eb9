// The virtual C64 at READY running typed lines in direct mode: LOAD"$" and
// LIST, LOAD, SAVE, VERIFY, the DOS wedge, errors, scrolling, typed keys
// from the PC's keyboard feed, all served by the PC side through the cable.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "c64/vc64/basic_program.h"
#include "c64/vc64/virtual_setup.h"
#include "platform/trace_log.h"
#include "virtual_setup_test.h"

namespace brimwick::c64::vc64 {
namespace {

class VirtualBasicTest : public testing::VirtualSetupTest {
  protected:
    C64Memory& memory = setup.c64.memory;

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
    void clearScreen() { setup.kernal.screen.print(memory, kClearScreen); }

    // A screen row as text: letters as capitals, shifted letters as small
    // letters, reverse video dropped.
    std::string row(int r) const {
        std::string text;
        for (int c = 0; c < kVirtualColumns; ++c) {
            int code = memory.read(link::kC64Screen + r * kVirtualColumns + c) & 0x7F;
            text += static_cast<char>(code < 0x20   ? code + 0x40
                                      : code < 0x40 ? code
                                      : code < 0x60 ? code + 0x20
                                                    : '~');
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

// One typed session: lines typed first to set the scene (their screen is
// cleared), then the lines whose screen is checked, from the top down to
// the cursor.
struct SessionCase {
    const char* name;                   // what it shows
    std::vector<std::string> prepare;   // typed before, screen cleared after
    std::vector<std::string> lines;     // typed, as the PC types them
    std::vector<std::string> expected;  // the screen rows afterwards
};

const SessionCase kSessions[] = {
    {"LoadThenList",
     {"10 print\"hi\":rem x", "20 goto10", "save\"prog\",8", "new"},
     {"load\"prog\",8", "list"},
     {"LOAD\"PROG\",8", "", "SEARCHING FOR PROG", "LOADING", "READY.", "LIST", "",
      "10 PRINT\"HI\":REM X", "20 GOTO10", "READY."}},
    {"LoadWithSecondaryAddressOne",
     {"10 print", "save\"prog\",8", "new"},
     {"load\"prog\",8,1", "list"},
     {"LOAD\"PROG\",8,1", "", "SEARCHING FOR PROG", "LOADING", "READY.", "LIST", "", "10 PRINT",
      "READY."}},
    {"AbbreviatedKeywords",
     {"10 ?\"a\"", "sA\"prog\",8", "new"},
     {"lO\"prog\",8", "lI"},
     {"Lo\"PROG\",8", "", "SEARCHING FOR PROG", "LOADING", "READY.", "Li", "", "10 PRINT\"A\"",
      "READY."}},
    {"FileNotFound",
     {},
     {"load\"nothing\",8"},
     {"LOAD\"NOTHING\",8", "", "SEARCHING FOR NOTHING", "?FILE NOT FOUND  ERROR", "READY."}},
    {"DeviceNotPresent",
     {},
     {"load\"x\",11", "save\"x\",11", "@#11", "@"},
     {"LOAD\"X\",11", "", "SEARCHING FOR X", "?DEVICE NOT PRESENT  ERROR", "READY.", "SAVE\"X\",11",
      "", "SAVING X", "?DEVICE NOT PRESENT  ERROR", "READY.", "@#11", "", "READY.", "@", "",
      "?DEVICE NOT PRESENT  ERROR", "READY."}},
    {"LoadWithoutDeviceMeansTheDatasette",
     {},
     {"load", "load\"x\",3", "load\"\",8", "save\"\",8"},
     {"LOAD", "", "?ILLEGAL DEVICE NUMBER  ERROR", "READY.", "LOAD\"X\",3", "",
      "?ILLEGAL DEVICE NUMBER  ERROR", "READY.", "LOAD\"\",8", "", "?MISSING FILE NAME  ERROR",
      "READY.", "SAVE\"\",8", "", "?MISSING FILE NAME  ERROR", "READY."}},
    {"SyntaxErrors",
     {},
     {"hello", "run", "load\"x\"8", "load\"x\",8,", "load\"x\",300", "list x"},
     {"HELLO",         "", "?SYNTAX  ERROR",           "READY.",
      "RUN",           "", "READY.",
      "LOAD\"X\"8",    "", "?SYNTAX  ERROR",           "READY.",
      "LOAD\"X\",8,",  "", "?SYNTAX  ERROR",           "READY.",
      "LOAD\"X\",300", "", "?ILLEGAL QUANTITY  ERROR", "READY.",
      "LIST X",        "", "?SYNTAX  ERROR",           "READY."}},
    {"EmptyLineDoesNothing", {}, {"", "   "}, {"", ""}},
    {"SaveThenVerify",
     {"10 print\"saved\""},
     {"save\"new\",8", "verify\"new\",8"},
     {"SAVE\"NEW\",8", "", "SAVING NEW", "READY.", "VERIFY\"NEW\",8", "", "SEARCHING FOR NEW",
      "VERIFYING", "OK", "", "READY."}},
    {"VerifyOfAChangedProgram",
     {"10 print", "save\"prog\",8", "20 end"},
     {"verify\"prog\",8"},
     {"VERIFY\"PROG\",8", "", "SEARCHING FOR PROG", "VERIFYING", "?VERIFY  ERROR", "READY."}},
    {"StatementsSeparatedByColons",
     {"10 print"},
     {"save\"a\",8::verify\"a\",8 : list"},
     {"SAVE\"A\",8::VERIFY\"A\",8 : LIST", "", "SAVING A", "SEARCHING FOR A", "VERIFYING", "OK", "",
      "10 PRINT", "READY."}},
    {"LoadEndsTheLine",
     {"10 print", "save\"a\",8", "new"},
     {"load\"a\",8:list"},
     {"LOAD\"A\",8:LIST", "", "SEARCHING FOR A", "LOADING", "READY."}},
    {"ErrorEndsTheLine", {"10 print"}, {"foo:list"}, {"FOO:LIST", "", "?SYNTAX  ERROR", "READY."}},
    {"WedgeStatusAndCommands",
     {"10 print", "save\"a\",8"},
     {"@", "@s:a", "@", "@i"},
     {"@", "00, OK. CODED BAD.,0,0", "READY.", "@S:A", "01, FILES SCRATCHED,01,00", "READY.", "@",
      "00, OK. CODED BAD.,0,0", "READY.", "@I", "00, OK. CODED BAD.,0,0", "READY."}},
    {"WedgeDirectoryLeavesTheProgram",
     {"10 print", "save\"a\",8"},
     {"@$", "@$:b*", "list"},
     {"@$", "1    \"A\"                 PRG", "680 BLOCKS FREE. CODED BAD.", "READY.", "@$:B*",
      "680 BLOCKS FREE. CODED BAD.", "READY.", "LIST", "", "10 PRINT", "READY."}},
    {"ProgramLines",
     {},
     {"30 print\"c\"", "10 print\"a\"", "20 print\"b\"", "30", "20 end", "list", "list 20",
      "list -10", "new", "list"},
     {"30 PRINT\"C\"",
      "10 PRINT\"A\"",
      "20 PRINT\"B\"",
      "30",
      "20 END",
      "LIST",
      "",
      "10 PRINT\"A\"",
      "20 END",
      "READY.",
      "LIST 20",
      "",
      "20 END",
      "READY.",
      "LIST -10",
      "",
      "10 PRINT\"A\"",
      "READY.",
      "NEW",
      "",
      "READY.",
      "LIST",
      "",
      "READY."}},
    {"KeywordsInsideQuotesStayText",
     {},
     {"10 print\"list load\"load", "list"},
     {"10 PRINT\"LIST LOAD\"LOAD", "LIST", "", "10 PRINT\"LIST LOAD\"LOAD", "READY."}},
    {"DelRubsOutTheKeyBeforeIt",
     {"10 print", "save\"prog\",8", "new"},
     {"loax\bd\"prog\",8"},
     {"LOAD\"PROG\",8", "", "SEARCHING FOR PROG", "LOADING", "READY."}},
    {"LineOverTwoRows",
     {},
     {"load\"abcdefghijklmnopqrstuvwxyz0123456789\",8"},
     {"LOAD\"ABCDEFGHIJKLMNOPQRSTUVWXYZ012345678", "9\",8", "",
      "SEARCHING FOR ABCDEFGHIJKLMNOPQRSTUVWXYZ", "0123456789", "?FILE NOT FOUND  ERROR",
      "READY."}},
    {"PrintPokeAndPeek",
     {},
     {"poke 53280,0:print peek(53280);peek(53281)", "?\"a\";chr$(66)\"c\",1+2*3", "print fre(0)",
      "print 1/4,-2^3,1e9;.001", "print\"x\";"},
     {"POKE 53280,0:PRINT PEEK(53280);PEEK(5328", "1)", " 0  6", "", "READY.",
      "?\"A\";CHR$(66)\"C\",1+2*3", "ABC        7", "", "READY.",
      "PRINT FRE(0)", "-26627", "", "READY.",
      "PRINT 1/4,-2^3,1E9;.001", " .25      -8         1E+09  1E-03", "", "READY.",
      "PRINT\"X\";", "X", "READY."}},
    {"PrintAndPokeErrors",
     {},
     {"poke 1,2,3", "print peek(65536)", "print\"a\"+1", "print 1/0", "print x"},
     {"POKE 1,2,3", "", "?SYNTAX  ERROR", "READY.",
      "PRINT PEEK(65536)", "", "?ILLEGAL QUANTITY  ERROR", "READY.",
      "PRINT\"A\"+1", "", "?TYPE MISMATCH  ERROR", "READY.",
      "PRINT 1/0", "", "?DIVISION BY ZERO  ERROR", "READY.",
      "PRINT X", "", "?SYNTAX  ERROR", "READY."}},
    {"ControlCharactersTypedInQuotesActWhenPrinted",
     {},
     {"print\"\x93\x1chi\""},
     {"HI", "", "READY."}},
};

class SessionTest : public VirtualBasicTest, public ::testing::WithParamInterface<SessionCase> {};

TEST_P(SessionTest, ScreenShowsWhatAC64Shows) {
    const SessionCase& c = GetParam();
    serveImage();
    for (const std::string& line : c.prepare) enter(line);
    clearScreen();
    for (const std::string& line : c.lines) enter(line);
    EXPECT_EQ(screen(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Lines, SessionTest, ::testing::ValuesIn(kSessions),
                         [](const auto& param) { return std::string(param.param.name); });

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

TEST_F(VirtualBasicTest, TypedLoadAndSaveGoThroughTheLinkAndAreTraced) {
    serveImage();
    enter("10 print");
    auto readBefore = setup.link.bytesRead;
    auto writtenBefore = setup.link.bytesWritten;
    platform::traceLog().clearCaptured();
    enter("save\"prog\",8");
    EXPECT_NE(platform::traceLog().captured().find("BoostSave"), std::string::npos)
        << platform::traceLog().captured();
    enter("load\"prog\",8");
    EXPECT_NE(platform::traceLog().captured().find("BoostLoad"), std::string::npos);
    EXPECT_GT(setup.link.bytesRead, readBefore);
    EXPECT_GT(setup.link.bytesWritten, writtenBefore);
    EXPECT_EQ(setup.basic.linesRun, 3);
    EXPECT_EQ(setup.c64.cable.failure, "");
}

TEST_F(VirtualBasicTest, ShellCommandTextRunsLikeTypedKeys) {
    // What a shell command types into a freshly reset C64: LOAD, then RUN,
    // which this C64 cannot do for a BASIC program: it says so.
    serveImage();
    enter("10 print");
    enter("save\"game\",8");
    enter("20 end");
    ASSERT_TRUE(setup.keyboard.typeText(setup.link, setup.settings,
                                        TextSlice("load\"game\",8,1:\rrun:\r")));
    for (int i = 0; i < 200; ++i) setup.jiffy();
    EXPECT_EQ(screen(), (std::vector<std::string>{"READY.", "LOAD\"GAME\",8,1:", "",
                                                  "SEARCHING FOR GAME", "LOADING", "READY.",
                                                  "RUN:", "", "THIS IS A BASIC PROGRAM: THE VIRTUAL",
                                                  "C64 RUNS ONLY MACHINE CODE (SYS LINES).",
                                                  "TO RUN IT, USE THE EMULATED C64 WITH",
                                                  "YOUR OWN ROMS (SEE DOCS/VC64.MD).", "READY."}));
    // The reset cleared the program; the LOAD brought back the saved one.
    auto lines = programLines(memory);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].number, 10);
}

TEST_F(VirtualBasicTest, TerminalKeysRunTheLineOnReturn) {
    serveImage();
    for (int key : std::string("@\r")) {
        setup.keyboard.typeKey(key);
        setup.jiffy();
    }
    EXPECT_EQ(screen(),
              (std::vector<std::string>{"READY.", "@", "00, OK. CODED BAD.,0,0", "READY."}));
}

TEST_F(VirtualBasicTest, OtherDevicesAndPcDirectoriesWorkTheSame) {
    servePcDirectory(9);
    enter("10 print\"pc\"");
    enter("save\"onpc\",9");
    EXPECT_TRUE(std::filesystem::exists(dir.file("pc/onpc.prg")));
    enter("new");
    clearScreen();
    enter("load\"onpc\",9");
    enter("list");
    EXPECT_EQ(screen(),
              (std::vector<std::string>{"LOAD\"ONPC\",9", "", "SEARCHING FOR ONPC", "LOADING",
                                        "READY.", "LIST", "", "10 PRINT\"PC\"", "READY."}));
    // The wedge now talks to device 9.
    enter("@");
    EXPECT_EQ(row(setup.kernal.screen.row - 2), "00, OK. CODED BAD.,0,0");
}

TEST_F(VirtualBasicTest, ScreenScrollsAtTheBottom) {
    for (int i = 0; i < 8; ++i) enter("x" + std::to_string(i));
    // Four rows per line (the line, a blank, the error, READY.) and the
    // first READY.: 33 rows, so the top nine scrolled away.
    EXPECT_EQ(setup.kernal.screen.row, kVirtualRows - 1);
    EXPECT_EQ(rows(0, 4), (std::vector<std::string>{"X2", "", "?SYNTAX  ERROR", "READY."}));
    EXPECT_EQ(rows(20, 5), (std::vector<std::string>{"X7", "", "?SYNTAX  ERROR", "READY.", ""}));
    // A line typed over the bottom row's edge scrolls and still runs whole.
    enter("load\"abcdefghijklmnopqrstuvwxyz0123456789\",8");
    EXPECT_EQ(rows(17, 8),
              (std::vector<std::string>{"LOAD\"ABCDEFGHIJKLMNOPQRSTUVWXYZ012345678", "9\",8", "",
                                        "SEARCHING FOR ABCDEFGHIJKLMNOPQRSTUVWXYZ", "0123456789",
                                        "?DEVICE NOT PRESENT  ERROR", "READY.", ""}));
}

TEST_F(VirtualBasicTest, DemoDiskListsItsProgramsAndLoadsThem) {
    if (!std::filesystem::exists(BRIMWICK_DEMO_DISK))
        GTEST_SKIP() << "no demo disk at " << BRIMWICK_DEMO_DISK << " (target demo_disk)";
    std::filesystem::copy_file(BRIMWICK_DEMO_DISK, dir.file("demo.d64"));
    setup.serve(8, dir.file("demo.d64"));
    enter("load\"$\",8");
    clearScreen();
    enter("list");
    EXPECT_EQ(screen(),
              (std::vector<std::string>{
                  "LIST", "", "1    \"README\"            PRG", "1    \"HELLO\"             PRG",
                  "1    \"COLOURS\"           PRG", "678 BLOCKS FREE. CODED BAD.", "READY."}));
    enter("load\"readme\",8");
    clearScreen();
    enter("list");
    EXPECT_EQ(screen(), (std::vector<std::string>{
                            "LIST", "", "10 PRINT \"sBRIMWICK DEMO DISK\"",
                            "20 FOR I=0 TO 15:POKE 53280,I:NEXT I",
                            "30 PRINT \"TRY: LOAD, THEN RUN, HELLO OR", "COLOURS\"",
                            "40 PRINT \"AND LIST THIS PROGRAM.\"", "50 END", "READY."}));
    for (const char* name : {"hello", "colours"}) {
        enter("load\"" + std::string(name) + "\",8");
        clearScreen();
        enter("list");
        EXPECT_EQ(screen(), (std::vector<std::string>{"LIST", "", "10 SYS2061", "READY."}));
    }
}

}  // namespace
}  // namespace brimwick::c64::vc64
