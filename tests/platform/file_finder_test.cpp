// The file finder's DOS-style semantics on a Linux directory.
#include "platform/file_finder.h"

#include <gtest/gtest.h>

#include "../temp_dir.h"
#include "platform/file.h"

namespace brimwick::platform {
namespace {

using testing::TempDir;

struct MatchCase {
    const char* pattern;
    const char* name;
    bool matches;
};

TEST(WildcardMatch, Table) {
    const MatchCase cases[] = {
        {"*", "anything.prg", true},
        {"*.*", "noextension", true},
        {"*.*", "game.prg", true},
        {"*.prg", "GAME.PRG", true},
        {"*.prg", "game.seq", false},
        {"GAME.PRG", "game.prg", true},
        {"game.prg", "Game.Prg", true},
        {"g?me.prg", "GAME.prg", true},
        {"g?me.prg", "gme.prg", false},
        {"?", "", false},
        {"", "", true},
        {"", "a", false},
        {"a*b*c", "aXXbYYc", true},
        {"a*b*c", "aXXbYY", false},
        {"*x", "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxy", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(wildcardMatch(c.pattern, c.name), c.matches) << c.pattern << " / " << c.name;
}

TEST(FileFinder, CaseInsensitiveOrderNoDotEntriesAndDetails) {
    TempDir dir;
    dir.write("beta.prg", std::string(300, 'b'));
    dir.write("Alpha.PRG", "a");
    dir.write("gamma.seq", "g");
    makeDirectory(dir.file("Delta.prg"));

    auto all = findFiles(dir.path(), "*.*");
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(all[0].name, "Alpha.PRG");
    EXPECT_EQ(all[1].name, "beta.prg");
    EXPECT_EQ(all[2].name, "Delta.prg");
    EXPECT_EQ(all[3].name, "gamma.seq");
    EXPECT_EQ(all[1].length, 300);
    EXPECT_EQ(all[1].path, dir.file("beta.prg"));
    EXPECT_TRUE(all[2].isDirectory);
    EXPECT_FALSE(all[0].isDirectory);

    FileFinder finder;
    ASSERT_TRUE(finder.start(dir.path() + "/*.PRG"));
    FoundFile f;
    std::vector<std::string> names;
    while (finder.next(f)) names.push_back(f.name);
    EXPECT_EQ(names, (std::vector<std::string>{"Alpha.PRG", "beta.prg", "Delta.prg"}));
}

TEST(FileFinder, MissingDirectoryFindsNothing) {
    TempDir dir;
    FileFinder finder;
    EXPECT_FALSE(finder.start(dir.file("nowhere"), "*"));
    FoundFile f;
    EXPECT_FALSE(finder.next(f));
}

}  // namespace
}  // namespace brimwick::platform
