// brimwick-cli's command line itself: usage errors, --help and --version.
#include <gtest/gtest.h>

#include "cli_runner.h"

namespace brimwick::cli::testing {
namespace {

using brimwick::testing::TempDir;

struct UsageCase {
    std::vector<std::string> args;  // the command line
    const char* command;            // the command the error names
};

TEST(Usage, ErrorsExitTwoWithOneLinePointingAtHelp) {
    const UsageCase cases[] = {
        {{"frobnicate"}, "brimwick-cli"},
        {{"--bogus"}, "brimwick-cli"},
        {{"d64"}, "brimwick-cli d64"},
        {{"d64", "list"}, "brimwick-cli d64 list"},
        {{"d64", "new", "a.d64", "b.d64"}, "brimwick-cli d64 new"},
        {{"d64", "extract", "--bogus", "a.d64", "out"}, "brimwick-cli d64 extract"},
        {{"serve", "--port", "7"}, "brimwick-cli serve"},
        {{"vc64"}, "brimwick-cli vc64"},
        {{"asm", "--address-name", "--no-address-name", "x.a64"}, "brimwick-cli asm"},
    };
    TempDir dir;
    for (const auto& c : cases) {
        std::string line;
        for (const std::string& a : c.args) line += a + " ";
        CliResult r = runCli(dir, c.args);
        EXPECT_EQ(r.status, 2) << line;
        EXPECT_TRUE(r.out.empty()) << line << ": " << r.out;
        ASSERT_FALSE(r.err.empty()) << line;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
        EXPECT_EQ(r.err.rfind(std::string(c.command) + ": ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(std::string(c.command) + " --help"), std::string::npos) << r.err;
    }
}

TEST(Usage, HelpAndVersionSucceed) {
    TempDir dir;
    CliResult r = runCli(dir, {"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, std::string("brimwick-cli ") + BRIMWICK_VERSION + "\n");
    EXPECT_TRUE(r.err.empty()) << r.err;
    for (const auto& args :
         std::vector<std::vector<std::string>>{{}, {"--help"}, {"vc64", "--help"}}) {
        r = runCli(dir, args);
        EXPECT_EQ(r.status, 0);
        EXPECT_NE(r.out.find("Usage: brimwick-cli"), std::string::npos) << r.out;
        EXPECT_TRUE(r.err.empty()) << r.err;
    }
}

}  // namespace
}  // namespace brimwick::cli::testing
