// The DOS commands as C64 programs use them, through the virtual C64: each
// case is a piece of a BASIC program (OPEN 15 with a command as its name,
// PRINT#15, GET#15) run on an image and on a PC directory, with the exact
// lines the C64 sees.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "../temp_dir.h"
#include "c64/vc64/script.h"
#include "c64/vc64/virtual_setup.h"
#include "platform/trace_log.h"

namespace brimwick::drive::testing {
namespace {

using brimwick::testing::TempDir;
using c64::vc64::VirtualSetup;

enum class Backing { Image, Pc };

// A script and the transcript it must give. `onPc` replaces `transcript`
// on a PC directory where the two differ.
struct IdiomCase {
    const char* name;
    std::vector<std::string> script;
    std::vector<std::string> transcript;
    std::vector<std::string> onPc;
};

constexpr const char* kOk = "status 8: 00, OK. CODED BAD.,0,0";

const IdiomCase kCases[] = {
    {"OpenWithScratchBeforeSave",
     {R"(open 15 8 15 "S0:ALPHA")", "close 15", "status 8", R"(load 8 "ALPHA")",
      R"(save 8 "ALPHA" {dir}/alpha.prg)", R"(load 8 "ALPHA")"},
     {"open 15 st=$00", "close 15", "status 8: 01, FILES SCRATCHED,01,00",
      "load $0000-$0000 st=$02", "save $0801-$092D st=$00", "load $0801-$092D st=$40"},
     {}},
    {"ScratchSeveralPatterns",
     {R"(cmd 8 "S:A*,B*")", "status 8", R"(load 8 "BETA")", R"(open 2 8 2 "DATA,S,R")", "get 2 5"},
     {"cmd 8 st=$00", "status 8: 01, FILES SCRATCHED,02,00", "load $0000-$0000 st=$02",
      "open 2 st=$00", "get 2: 41 42 st=$40"},
     {}},
    {"ScratchFindingNothing",
     {R"(cmd 8 "S0:NOTHING\x0D")", "status 8"},
     {"cmd 8 st=$00", "status 8: 01, FILES SCRATCHED,00,00"},
     {}},
    {"ScratchWithoutAName",
     {R"(cmd 8 "S")", "status 8"},
     {"cmd 8 st=$02", "status 8: 34,SYNTAX ERROR,0,0"},
     {}},
    {"Rename",
     {R"(cmd 8 "R0:GAMMA=ALPHA")", "status 8", R"(load 8 "GAMMA")", R"(load 8 "ALPHA")",
      R"(cmd 8 "R:BETA=GAMMA")", "status 8", R"(cmd 8 "R:DELTA=MISSING")", "status 8",
      R"(cmd 8 "R:D*=BETA")", "status 8"},
     {"cmd 8 st=$00", kOk, "load $0801-$092D st=$40", "load $0000-$0000 st=$02", "cmd 8 st=$02",
      "status 8: 63,FILE EXISTS,0,0", "cmd 8 st=$02", "status 8: 62,FILE NOT FOUND,0,0",
      "cmd 8 st=$02", "status 8: 33,SYNTAX ERROR,0,0"},
     {}},
    {"CopyAndConcatenate",
     {R"(cmd 8 "C:BOTH=DATA,0:DATA")", "status 8", R"(open 2 8 2 "BOTH,S,R")", "get 2 9", "close 2",
      R"(cmd 8 "C:TWIN=ALPHA")", R"(load 8 "TWIN")", R"(cmd 8 "C:TWIN=BETA")", "status 8",
      R"(cmd 8 "C:NEW=DATA,NONE")", "status 8", R"(load 8 "NEW")"},
     {"cmd 8 st=$00", kOk, "open 2 st=$00", "get 2: 41 42 41 42 st=$40", "close 2", "cmd 8 st=$00",
      "load $0801-$092D st=$40", "cmd 8 st=$02", "status 8: 63,FILE EXISTS,0,0", "cmd 8 st=$02",
      "status 8: 62,FILE NOT FOUND,0,0", "load $0000-$0000 st=$02"},
     {}},
    {"NewWithId",
     {R"(open 15 8 15 "N0:FRESH,ID")", "close 15", "status 8", R"(load 8 "ALPHA")"},
     {"open 15 st=$00", "close 15", kOk, "load $0000-$0000 st=$02"},
     {"open 15 st=$00", "close 15", kOk, "load $0801-$092D st=$40"}},
    {"NewWithoutId",
     {R"(cmd 8 "N:FRESH")", "status 8", R"(load 8 "BETA")"},
     {"cmd 8 st=$00", kOk, "load $0000-$0000 st=$02"},
     {"cmd 8 st=$00", kOk, "load $0801-$0803 st=$40"}},
    {"ValidateAfterAnAbandonedWrite",
     {R"(open 2 8 2 "HALF,S,W")", R"(print 2 "XYZ")", R"(cmd 8 "UJ")", "status 8",
      R"(open 3 8 3 "HALF,S,R")", "close 3", R"(cmd 8 "V0")", "status 8",
      R"(open 3 8 3 "HALF,S,R")", "status 8", R"(load 8 "ALPHA")"},
     {"open 2 st=$00", "print 2 st=$00", "cmd 8 st=$00", "status 8: 73,CBM DOS V2.6 1541,00,00",
      "open 3 st=$00", "close 3", "cmd 8 st=$00", kOk, "open 3 st=$02",
      "status 8: 62,FILE NOT FOUND,0,0", "load $0801-$092D st=$40"},
     {"open 2 st=$00", "print 2 st=$00", "cmd 8 st=$00", "status 8: 73,CBM DOS V2.6 1541,00,00",
      "open 3 st=$02", "close 3", "cmd 8 st=$00", kOk, "open 3 st=$02",
      "status 8: 62,FILE NOT FOUND,0,0", "load $0801-$092D st=$40"}},
    {"MemoryReadIdentifiesA1541",
     {R"(open 15 8 15 "")", R"(print 15 "M-R\xC5\xE5\x03\x0D")", "get 15 5",
      R"(print 15 "M-W\x00\x05\x02\x11\x22")", R"(print 15 "M-R\x00\x05\x0D")", "get 15 5",
      "get 15 30", "close 15"},
     {"open 15 st=$00", "print 15 st=$00", "get 15: 35 34 31 st=$40", "print 15 st=$00",
      "print 15 st=$00", "get 15: 11 st=$40",
      "get 15: 30 30 2C 20 4F 4B 2E 20 43 4F 44 45 44 20 42 41 44 2E 2C 30 2C 30 0D st=$40",
      "close 15"},
     {}},
    {"Resets",
     {R"(cmd 8 "UI")", "status 8", R"(cmd 8 "U9")", "status 8", R"(cmd 8 "U:")", "status 8",
      R"(cmd 8 "I0")", "status 8"},
     {"cmd 8 st=$00", "status 8: 73,CBM DOS V2.6 1541,00,00", "cmd 8 st=$00",
      "status 8: 73,CBM DOS V2.6 1541,00,00", "cmd 8 st=$00",
      "status 8: 73,CBM DOS V2.6 1541,00,00", "cmd 8 st=$00", kOk},
     {}},
    {"UnknownCommandsStaySyntaxErrors",
     {R"(cmd 8 "U0")", "status 8", R"(cmd 8 "XYZ")", "status 8", R"(open 15 8 15 "")", "close 15",
      "status 8"},
     {"cmd 8 st=$02", "status 8: 30,SYNTAX ERROR,0,0", "cmd 8 st=$02",
      "status 8: 30,SYNTAX ERROR,0,0", "open 15 st=$00", "close 15", kOk},
     {}},
};

class DosIdiomTest : public ::testing::TestWithParam<std::tuple<Backing, IdiomCase>> {
  protected:
    TempDir dir;
    VirtualSetup setup;

    DosIdiomTest() {
        platform::traceLog().captureInMemory();
        for (auto& unit : setup.drives) unit.ramFilePath = dir.file("RAM_C1541.prg");
    }
    ~DosIdiomTest() override { platform::traceLog().close(); }

    std::string run(const std::vector<std::string>& lines) {
        std::ostringstream transcript;
        for (std::string line : lines) {
            for (std::size_t at; (at = line.find("{dir}")) != std::string::npos;)
                line.replace(at, 5, dir.path());
            EXPECT_TRUE(c64::vc64::runScriptLine(line, transcript, setup)) << line;
        }
        return transcript.str();
    }
};

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

TEST_P(DosIdiomTest, AnswersAsA1541) {
    auto [backing, c] = GetParam();
    // ALPHA, a program of 300 bytes; BETA, a program of 2; DATA, "AB" as SEQ.
    std::vector<std::uint8_t> alpha = {0x01, 0x08};
    for (int i = 0; i < 300; ++i) alpha.push_back(static_cast<std::uint8_t>(i * 7));
    dir.write("alpha.prg", alpha);
    dir.write("beta.prg", std::vector<std::uint8_t>{0x01, 0x08, 0xEA, 0x60});
    if (backing == Backing::Image) {
        run({"serve 8 " + dir.file("disk.d64")});
    } else {
        std::filesystem::create_directory(dir.file("pc"));
        run({"serve 8 " + dir.file("pc") + "/"});
    }
    run({R"(save 8 "ALPHA" {dir}/alpha.prg)", R"(save 8 "BETA" {dir}/beta.prg)",
         R"(open 2 8 2 "DATA,S,W")", R"(print 2 "AB")", "close 2"});
    const auto& expected = backing == Backing::Pc && !c.onPc.empty() ? c.onPc : c.transcript;
    EXPECT_EQ(run(c.script), joined(expected));
}

INSTANTIATE_TEST_SUITE_P(ImageAndPc, DosIdiomTest,
                         ::testing::Combine(::testing::Values(Backing::Image, Backing::Pc),
                                            ::testing::ValuesIn(kCases)),
                         [](const auto& param) {
                             return std::string(std::get<1>(param.param).name) +
                                    (std::get<0>(param.param) == Backing::Image ? "OnImage"
                                                                                : "OnPc");
                         });

}  // namespace
}  // namespace brimwick::drive::testing
