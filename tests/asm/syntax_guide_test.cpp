// Every example of the syntax guide in docs/assembler.md is assembled here,
// so the guide cannot drift from the assembler: each must give exactly the
// object files and messages its result paragraph lists.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <regex>

#include "asm_test_support.h"
#include "guide_examples.h"

namespace brimwick::assembler::test {
namespace {

// "c000: a9 01 60": the load address and the bytes of an object file.
std::string describeObject(const std::string& file) {
    char head[8];
    std::snprintf(head, sizeof head, "%.4x:",
                  static_cast<unsigned char>(file[0]) + 256u * static_cast<unsigned char>(file[1]));
    std::string text = head;
    for (std::size_t i = 2; i < file.size(); ++i) {
        char byte[4];
        std::snprintf(byte, sizeof byte, " %.2x", static_cast<unsigned char>(file[i]));
        text += byte;
    }
    return text;
}

TEST(SyntaxGuide, EveryExampleGivesTheResultItStates) {
    const std::vector<GuideExample> examples = readGuideExamples(BRIMWICK_ASSEMBLER_GUIDE);
    ASSERT_GT(examples.size(), 20u) << "the guide at " << BRIMWICK_ASSEMBLER_GUIDE;
    const std::regex object("[0-9a-f]{4}:( [0-9a-f]{2})*");
    const std::regex message("[0-9]+: (error|warning): .*");
    for (const GuideExample& example : examples) {
        SCOPED_TRACE("example at docs/assembler.md:" + std::to_string(example.line) + "\n" +
                     example.source);
        std::vector<std::string> expected;
        for (const std::string& outcome : example.outcomes) {
            EXPECT_TRUE(std::regex_match(outcome, object) || std::regex_match(outcome, message))
                << "not an object file or a message: " << outcome;
            expected.push_back(outcome);
        }
        const RunResult r = assembleText(example.source, {}, "/src/guide.a64");
        std::vector<std::string> got;
        for (const auto& [path, contents] : r.written)
            if (path.ends_with(".prg")) got.push_back(describeObject(contents));
        for (const Message& m : r.messages)
            got.push_back(std::to_string(m.line) +
                          (m.kind == MessageKind::Warning ? ": warning: " : ": error: ") + m.text +
                          (m.detail.empty() ? "" : ": " + m.detail));
        std::sort(expected.begin(), expected.end());
        std::sort(got.begin(), got.end());
        EXPECT_EQ(got, expected);
    }
}

}  // namespace
}  // namespace brimwick::assembler::test
