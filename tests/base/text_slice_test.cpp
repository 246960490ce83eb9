// Tests of TextSlice: window arithmetic, searches, comparison, ownership of borrowed and owned
// buffers, the in-place case conversions and the path idioms.
#include "base/text_slice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace brimwick {
namespace {

// The observable state of a slice, for comparing in one expectation.
struct Window {
    std::int32_t anchor;
    std::int32_t cursor;
    std::string text;
    bool operator==(const Window&) const = default;
};

Window windowOf(const TextSlice& slice) {
    return {slice.anchor(), slice.cursor(), std::string(slice.window())};
}

std::ostream& operator<<(std::ostream& out, const Window& w) {
    return out << "{anchor " << w.anchor << ", cursor " << w.cursor << ", \"" << w.text << "\"}";
}

// A slice owning a copy of text.
TextSlice ownedCopy(const char* text) {
    const TextSlice borrowed(text);
    return TextSlice(borrowed);
}

TEST(TextSliceConstruction, DefaultSliceHasNoBuffer) {
    TextSlice slice;
    EXPECT_EQ(slice.buffer(), nullptr);
    EXPECT_EQ(slice.size(), 0);
    EXPECT_EQ(windowOf(slice), (Window{0, 0, ""}));
    EXPECT_TRUE(slice.found());
    EXPECT_FALSE(slice.isInclusive());
    EXPECT_FALSE(slice.owning());
    EXPECT_FALSE(slice.released());
    EXPECT_STREQ(slice.cstr(), "");
    EXPECT_TRUE(slice.owning());
}

TEST(TextSliceConstruction, CStringIsBorrowedWholeWithCursorAtStart) {
    char text[] = "GAME.PRG";
    TextSlice slice(text);
    EXPECT_EQ(slice.buffer(), text);
    EXPECT_EQ(slice.size(), 8);
    EXPECT_EQ(windowOf(slice), (Window{8, 0, "GAME.PRG"}));
    EXPECT_TRUE(slice.found());
    EXPECT_FALSE(slice.owning());
    EXPECT_FALSE(slice.readOnly());
    EXPECT_TRUE(TextSlice("x").readOnly());
}

TEST(TextSliceConstruction, NullCStringIsEmpty) {
    TextSlice slice(static_cast<const char*>(nullptr));
    EXPECT_EQ(slice.size(), 0);
    EXPECT_STREQ(slice.cstr(), "");
}

// Moves and extends by a count on "abcdefgh" (fresh: cursor 0, anchor 8).
struct MoveCase {
    const char* name;
    std::function<void(TextSlice&)> steps;
    Window expected;
};

TEST(TextSliceMoves, CountsMoveTheCursorAndClampAtTheEnds) {
    const std::vector<MoveCase> cases = {
        {"extendForward keeps the anchor",
         [](TextSlice& s) { s.extendForward(3); },
         {8, 3, "defgh"}},
        {"moveForward collapses", [](TextSlice& s) { s.moveForward(3); }, {3, 3, ""}},
        {"then extendForward",
         [](TextSlice& s) { s.moveForward(3).extendForward(2); },
         {3, 5, "de"}},
        {"extendBack behind the anchor",
         [](TextSlice& s) { s.moveForward(5).extendBack(2); },
         {5, 3, "de"}},
        {"moveBack collapses", [](TextSlice& s) { s.moveForward(6).moveBack(2); }, {4, 4, ""}},
        {"kToEnd forward",
         [](TextSlice& s) { s.moveBack(kToEnd).extendForward(kToEnd); },
         {0, 8, "abcdefgh"}},
        {"kToEnd back",
         [](TextSlice& s) { s.moveForward(kToEnd).extendBack(kToEnd); },
         {8, 0, "abcdefgh"}},
        {"forward past the end",
         [](TextSlice& s) { s.moveForward(2).extendForward(9); },
         {2, 8, "cdefgh"}},
        {"back past the start", [](TextSlice& s) { s.moveForward(2).moveBack(3); }, {0, 0, ""}},
        {"largest count", [](TextSlice& s) { s.extendForward(INT32_MAX); }, {8, 8, ""}},
        // Negative counts are clamped like any other count, without overflow.
        {"negative forward",
         [](TextSlice& s) { s.moveForward(2).extendForward(-5); },
         {2, 0, "ab"}},
        {"negative back",
         [](TextSlice& s) { s.moveForward(2).extendBack(-100); },
         {2, 8, "cdefgh"}},
        {"smallest count forward",
         [](TextSlice& s) { s.moveForward(4).moveForward(INT32_MIN); },
         {0, 0, ""}},
        {"smallest count back",
         [](TextSlice& s) { s.moveForward(4).extendBack(INT32_MIN); },
         {4, 8, "efgh"}},
    };
    for (const MoveCase& c : cases) {
        TextSlice slice("abcdefgh");
        c.steps(slice);
        EXPECT_EQ(windowOf(slice), c.expected) << c.name;
        EXPECT_EQ(slice.start(), std::min(c.expected.anchor, c.expected.cursor)) << c.name;
        EXPECT_EQ(slice.length(), static_cast<std::int32_t>(c.expected.text.size())) << c.name;
    }
}

// Searches: the candidates lie strictly before (backward) or after (forward) the cursor.
struct SearchCase {
    const char* name;
    const char* text;
    std::function<void(TextSlice&)> steps;
    Window expected;
    bool found;
};

TEST(TextSliceSearch, CursorLandsOnMatchOrParksAtTheEnd) {
    const std::vector<SearchCase> cases = {
        {"forward skips a match at the cursor",
         "\\abc\\d",
         [](TextSlice& s) { s.seekForward("\\"); },
         {4, 4, ""},
         true},
        {"forward steps to the next match",
         "a.b.c",
         [](TextSlice& s) { s.seekForward(".").seekForward("."); },
         {3, 3, ""},
         true},
        {"forward failure parks at size",
         "a.b.c",
         [](TextSlice& s) { s.moveForward(3).seekForward("."); },
         {5, 5, ""},
         false},
        {"extendForwardTo failure runs to the end",
         "readme",
         [](TextSlice& s) { s.moveBack(kToEnd).extendForwardTo("."); },
         {0, 6, "readme"},
         false},
        {"forward inclusive stands behind the match",
         "name.prg",
         [](TextSlice& s) { s.moveBack(kToEnd).inclusive().extendForwardTo(".p"); },
         {0, 6, "name.p"},
         true},
        {"forward empty pattern matches at cursor + 1",
         "abc",
         [](TextSlice& s) { s.seekForward(""); },
         {1, 1, ""},
         true},
        {"forward pattern longer than text",
         "ab",
         [](TextSlice& s) { s.seekForward("abc"); },
         {2, 2, ""},
         false},
        {"backward finds the last match",
         "a.b.c",
         [](TextSlice& s) { s.moveForward(kToEnd).seekBack("."); },
         {3, 3, ""},
         true},
        {"backward steps to the previous match",
         "a.b.c",
         [](TextSlice& s) { s.moveForward(kToEnd).seekBack(".").seekBack("."); },
         {1, 1, ""},
         true},
        {"backward failure parks at 0",
         "a.b.c",
         [](TextSlice& s) { s.moveForward(1).seekBack("."); },
         {0, 0, ""},
         false},
        {"backward match must start before the cursor",
         "abcabc",
         [](TextSlice& s) { s.moveForward(3).seekBack("abc"); },
         {0, 0, ""},
         true},
        {"backward match may end behind the cursor",
         "xxab",
         [](TextSlice& s) { s.moveForward(3).seekBack("ab"); },
         {2, 2, ""},
         true},
        {"backward pattern longer than text",
         "abc",
         [](TextSlice& s) { s.moveForward(kToEnd).extendBackTo("abcd"); },
         {3, 0, "abc"},
         false},
        {"backward inclusive stands behind the match",
         "dir/x.prg",
         [](TextSlice& s) {
             s.moveBack(kToEnd).extendForward(kToEnd).inclusive().extendBackTo("/");
         },
         {0, 4, "dir/"},
         true},
        {"backward empty pattern",
         "abc",
         [](TextSlice& s) { s.moveForward(kToEnd).seekBack(""); },
         {2, 2, ""},
         true},
        {"search on a default slice",
         nullptr,
         [](TextSlice& s) { s.seekForward("a"); },
         {0, 0, ""},
         false},
    };
    for (const SearchCase& c : cases) {
        TextSlice slice;
        if (c.text != nullptr) slice.assign(c.text);
        c.steps(slice);
        EXPECT_EQ(windowOf(slice), c.expected) << c.name;
        EXPECT_EQ(slice.found(), c.found) << c.name;
        EXPECT_FALSE(slice.isInclusive()) << c.name;
    }
}

TEST(TextSliceSearch, SlicePatternIsItsWindowOnly) {
    TextSlice pattern("xx.d64yy");
    pattern.moveForward(2).extendForward(4);
    ASSERT_EQ(pattern.window(), ".d64");
    TextSlice slice("game.d64.d64yy");
    slice.seekForward(pattern);
    EXPECT_EQ(slice.cursor(), 4);
    slice.moveForward(kToEnd).seekBack(pattern);
    EXPECT_EQ(slice.cursor(), 8);
    EXPECT_TRUE(slice.found());
}

TEST(TextSliceSearch, FoundIsSetAgainBySuccessAndByAssignment) {
    TextSlice slice("a.b");
    slice.seekForward("#");
    EXPECT_FALSE(slice.found());
    slice.moveBack(kToEnd).seekForward(".");
    EXPECT_TRUE(slice.found());
    slice.seekForward("#");
    slice.assign("x");
    EXPECT_TRUE(slice.found());
}

// equals: exact without inclusive, a prefix test in either direction with it.
struct EqualsCase {
    const char* window;
    const char* pattern;
    bool inclusive;
    bool expected;
};

TEST(TextSliceEquals, ExactOrPrefixInBothForms) {
    const std::vector<EqualsCase> cases = {
        {"IPD", "IPD", false, true},  {"IPD", "IPD_", false, false}, {"IPD", "IPD_", true, true},
        {"IPDS", "IPD", true, true},  {"IPD", "", true, true},       {"", "IPD", true, true},
        {"", "", false, true},        {"IPD", "", false, false},     {"IPX", "IPD", false, false},
        {"IPD_", "IPX", true, false}, {"ipd", "IPD", false, false},
    };
    for (const EqualsCase& c : cases) {
        // The window sits inside a longer text, so that only the windows are compared.
        const std::string text = std::string("<") + c.window + ">";
        const std::string patternText = std::string("[[") + c.pattern + "]]";
        TextSlice slice(text.c_str());
        slice.moveForward(1).extendForward(static_cast<std::int32_t>(std::strlen(c.window)));
        TextSlice pattern(patternText.c_str());
        pattern.moveForward(2).extendForward(static_cast<std::int32_t>(std::strlen(c.pattern)));

        if (c.inclusive) slice.inclusive();
        EXPECT_EQ(slice.equals(c.pattern), c.expected) << c.window << " / " << c.pattern;
        EXPECT_FALSE(slice.isInclusive());
        if (c.inclusive) slice.inclusive();
        EXPECT_EQ(slice.equals(pattern), c.expected) << c.window << " / " << c.pattern;
        EXPECT_EQ(slice.found(), true);
    }
}

TEST(TextSliceInclusive, SurvivesOnlyQueriesAndConversions) {
    char text[] = "x.yz";
    TextSlice slice(text);
    slice.inclusive();
    (void)slice.start();
    (void)slice.length();
    (void)slice.buffer();
    (void)slice.window();
    slice.foldLower();
    slice.swapCase();
    (void)slice.release();
    EXPECT_TRUE(slice.isInclusive());

    const std::vector<std::pair<const char*, std::function<void(TextSlice&)>>> clearing = {
        {"moveBack", [](TextSlice& s) { s.moveBack(0); }},
        {"moveForward", [](TextSlice& s) { s.moveForward(0); }},
        {"extendBack", [](TextSlice& s) { s.extendBack(0); }},
        {"extendForward", [](TextSlice& s) { s.extendForward(0); }},
        {"seekBack", [](TextSlice& s) { s.seekBack("y"); }},
        {"extendBackTo", [](TextSlice& s) { s.extendBackTo("y"); }},
        {"seekForward", [](TextSlice& s) { s.seekForward("y"); }},
        {"extendForwardTo", [](TextSlice& s) { s.extendForwardTo("y"); }},
        {"equals", [](TextSlice& s) { (void)s.equals("x"); }},
        {"append", [](TextSlice& s) { s.append("x"); }},
        {"materialize", [](TextSlice& s) { s.materialize(); }},
        {"cstr", [](TextSlice& s) { s.cstr(); }},
        {"assign C string", [](TextSlice& s) { s.assign("x"); }},
        {"assign slice", [](TextSlice& s) { s.assign(TextSlice("x")); }},
    };
    for (const auto& [name, op] : clearing) {
        TextSlice other("x.yz");
        other.inclusive();
        op(other);
        EXPECT_FALSE(other.isInclusive()) << name;
    }
}

TEST(TextSliceInclusive, MoveBeforeSearchDropsTheModifier) {
    TextSlice slice("x.yz");
    slice.moveForward(3).inclusive().moveForward(1).extendBackTo(".");
    EXPECT_EQ(slice.cursor(), 1);  // on the dot, not behind it
}

// Ownership: borrowed buffers stay the caller's; copies hold only the window.
TEST(TextSliceOwnership, CopyOwnsOnlyTheWindow) {
    TextSlice source("dir/x.prg");
    source.moveForward(4).extendForward(1).seekForward("#");  // found false, empty window at 9
    source.moveBack(5).extendForward(1);
    ASSERT_EQ(source.window(), "x");
    TextSlice copy(source);
    EXPECT_TRUE(copy.owning());
    EXPECT_NE(copy.buffer(), source.buffer());
    EXPECT_EQ(copy.size(), 1);
    EXPECT_EQ(windowOf(copy), (Window{1, 0, "x"}));
    EXPECT_TRUE(copy.found());
    EXPECT_STREQ(copy.buffer(), "x");

    TextSlice assigned("old");
    assigned.materialize();
    assigned = source;
    EXPECT_STREQ(assigned.buffer(), "x");
    TextSlice& alias = assigned;
    assigned.append("yz").moveForward(1).extendForward(1);
    assigned = alias;  // copying a slice onto itself keeps its window
    EXPECT_STREQ(assigned.buffer(), "y");
}

TEST(TextSliceOwnership, CstrCopiesUnlessItOwnsExactlyItsWindow) {
    char text[] = "dir/x.prg";
    TextSlice slice(text);
    const char* first = slice.cstr();
    EXPECT_NE(first, text);
    EXPECT_STREQ(first, "dir/x.prg");
    EXPECT_TRUE(slice.owning());
    EXPECT_EQ(slice.cstr(), first);
    slice.moveBack(kToEnd).extendForward(kToEnd);  // the window runs the other way
    EXPECT_EQ(slice.cstr(), first);
    slice.foldLower();
    EXPECT_STREQ(text, "dir/x.prg");  // no longer the caller's string

    slice.moveForward(kToEnd).extendBack(3);
    const char* ext = slice.cstr();
    EXPECT_STREQ(ext, "prg");
    EXPECT_EQ(slice.size(), 3);
    EXPECT_EQ(windowOf(slice), (Window{3, 0, "prg"}));
}

TEST(TextSliceOwnership, MaterializeMakesTheWindowTheWholeText) {
    TextSlice slice("abcdef");
    slice.moveForward(4).extendBack(3).seekForward("#");
    slice.moveBack(5).extendForward(3);
    char* text = slice.materialize();
    EXPECT_EQ(text, slice.buffer());
    EXPECT_STREQ(text, "bcd");
    EXPECT_EQ(windowOf(slice), (Window{3, 0, "bcd"}));
    EXPECT_TRUE(slice.owning());
    EXPECT_FALSE(slice.found());  // materialising is no search
}

TEST(TextSliceOwnership, AppendDropsTextOutsideTheWindow) {
    TextSlice slice("dir/x.prg");
    selectDirectory(slice);
    slice.append("Status.ini");
    EXPECT_STREQ(slice.buffer(), "dir/Status.ini");
    EXPECT_EQ(slice.size(), 14);
    EXPECT_EQ(windowOf(slice), (Window{14, 0, "dir/Status.ini"}));
    EXPECT_TRUE(slice.owning());

    TextSlice tail("--.d64--");
    tail.moveForward(2).extendForward(4);
    slice.seekForward("#");  // found false, empty window at the end
    slice.append(tail);
    EXPECT_STREQ(slice.cstr(), ".d64");
    EXPECT_FALSE(slice.found());
}

TEST(TextSliceOwnership, AppendToItself) {
    TextSlice slice("xaby");
    slice.moveForward(1).extendForward(2);
    slice.append(slice);
    EXPECT_STREQ(slice.buffer(), "abab");
    slice.append(slice);
    EXPECT_STREQ(slice.buffer(), "abababab");
}

TEST(TextSliceOwnership, ReleaseHandsOverTheBuffer) {
    std::unique_ptr<char[]> taken;
    {
        TextSlice slice = ownedCopy("name");
        char* buffer = slice.buffer();
        taken = slice.release();
        EXPECT_EQ(taken.get(), buffer);
        EXPECT_TRUE(slice.released());
        EXPECT_TRUE(slice.owning());
        EXPECT_EQ(slice.buffer(), buffer);
        EXPECT_EQ(slice.release(), nullptr);  // handed over only once
    }
    EXPECT_STREQ(taken.get(), "name");  // the slice did not free it

    TextSlice borrowed("name");
    EXPECT_EQ(borrowed.release(), nullptr);
    EXPECT_TRUE(borrowed.released());

    // Reusing a released slice never frees the handed-over buffer, and frees its new one.
    TextSlice reused = ownedCopy("abc");
    auto handed = reused.release();
    reused.assign("xyz");
    reused.materialize();
    EXPECT_STREQ(handed.get(), "abc");
    EXPECT_STREQ(reused.buffer(), "xyz");
}

TEST(TextSliceOwnership, MoveTakesTheBufferAndEmptiesTheSource) {
    TextSlice source = ownedCopy("abc");
    source.moveForward(1);
    char* buffer = source.buffer();
    TextSlice moved(std::move(source));
    EXPECT_EQ(moved.buffer(), buffer);
    EXPECT_TRUE(moved.owning());
    EXPECT_EQ(windowOf(moved), (Window{1, 1, ""}));
    EXPECT_EQ(source.buffer(), nullptr);  // NOLINT(bugprone-use-after-move)
    EXPECT_EQ(source.size(), 0);
    EXPECT_FALSE(source.owning());

    TextSlice target = ownedCopy("old");
    target = std::move(moved);
    EXPECT_EQ(target.buffer(), buffer);
    EXPECT_EQ(moved.buffer(), nullptr);  // NOLINT(bugprone-use-after-move)
}

TEST(TextSliceOwnership, BorrowingFromItsOwnBufferKeepsTheBufferAlive) {
    TextSlice slice = ownedCopy("dir/game");
    slice.assign(slice.buffer() + 4);
    EXPECT_FALSE(slice.owning());
    EXPECT_EQ(slice.release(), nullptr);  // it borrows: nothing to hand over
    EXPECT_EQ(slice.window(), "game");
    EXPECT_STREQ(slice.cstr(), "game");
}

// foldLower folds by bit 6 so that PETSCII capitals (0xC1..0xDA) fold as well.
TEST(TextSliceConversions, FoldLowerByBitSix) {
    const std::vector<std::pair<unsigned char, unsigned char>> bytes = {
        {'A', 'a'}, {'Z', 'z'}, {0xC1, 'a'}, {0xDA, 'z'}, {0x40, 0x60}, {0x5B, 0x7B}, {0x5F, 0x7F},
        {'a', 'a'}, {'z', 'z'}, {'0', '0'},  {'.', '.'},  {0x80, 0x80}, {0xFF, 0x7F},
    };
    for (const auto& [in, out] : bytes) {
        char text[] = {static_cast<char>(in), '\0'};
        TextSlice slice(text);
        slice.foldLower();
        EXPECT_EQ(static_cast<unsigned char>(text[0]), out) << int(in);
    }
    char petscii[] = "\xD0\xD2\xC7";
    TextSlice(petscii).foldLower();
    EXPECT_STREQ(petscii, "prg");
}

TEST(TextSliceConversions, ChangeOnlyTheWindowOfTheCallersString) {
    char text[] = "GAME.PRG";
    TextSlice slice(text);
    selectLastFour(slice).foldLower();
    EXPECT_STREQ(text, "GAME.prg");
    EXPECT_EQ(slice.buffer(), text);
    slice.moveBack(kToEnd).extendForward(6);
    slice.swapCase();
    EXPECT_STREQ(text, "game.Prg");

    char mixed[] = "Ab1z\x80\xC1[";
    TextSlice(mixed).swapCase();
    EXPECT_STREQ(mixed, "aB1Z\x80\xC1[");
}

TEST(TextSliceConversions, ReadOnlyBorrowIsCopiedBeforeWriting) {
    const char* literal = "GAME.PRG";
    TextSlice slice(literal);
    selectLastFour(slice).inclusive();
    slice.foldLower();
    EXPECT_STREQ(literal, "GAME.PRG");
    EXPECT_NE(slice.buffer(), literal);
    EXPECT_STREQ(slice.buffer(), "GAME.prg");
    EXPECT_EQ(windowOf(slice), (Window{8, 4, ".prg"}));
    EXPECT_TRUE(slice.owning());
    EXPECT_FALSE(slice.readOnly());
    EXPECT_TRUE(slice.isInclusive());
}

// The path idioms on several paths; the last column is the separator.
struct IdiomCase {
    const char* path;
    const char* baseName;
    const char* beforeLastDot;
    const char* withoutExtension;
    const char* directory;
    const char* lastFour;
    const char* separator;
};

TEST(TextSliceIdioms, CutPaths) {
    const std::vector<IdiomCase> cases = {
        {"/home/c64/8.d64", "8", "8", "/home/c64/8", "/home/c64/", ".d64", "/"},
        {"C:\\dir\\8.d64", "8", "8", "C:\\dir\\8", "C:\\dir\\", ".d64", "\\"},
        {"8.d64", "8", "8", "8", "", ".d64", "/"},
        {"games/readme", "readme", "", "", "games/", "adme", "/"},
        {"disk.v2/game", "game", "disk", "disk", "disk.v2/", "game", "/"},
        {"a/b.tar.gz", "b", "b.tar", "a/b.tar", "a/", "r.gz", "/"},
        {".d64", ".d64", "", "", "", ".d64", "/"},
        {"/x/", "", "", "", "/x/", "/x/", "/"},
        {"ab", "ab", "", "", "", "ab", "/"},
        {"", "", "", "", "", "", "/"},
    };
    using Idiom = std::function<TextSlice&(TextSlice&, const char*)>;
    const std::vector<std::pair<Idiom, const char* IdiomCase::*>> idioms = {
        {[](TextSlice& s, const char* sep) -> TextSlice& { return selectBaseName(s, sep); },
         &IdiomCase::baseName},
        {[](TextSlice& s, const char* sep) -> TextSlice& {
             return selectBaseNameBeforeLastDot(s, sep);
         },
         &IdiomCase::beforeLastDot},
        {[](TextSlice& s, const char*) -> TextSlice& { return selectWithoutExtension(s); },
         &IdiomCase::withoutExtension},
        {[](TextSlice& s, const char* sep) -> TextSlice& { return selectDirectory(s, sep); },
         &IdiomCase::directory},
        {[](TextSlice& s, const char*) -> TextSlice& { return selectLastFour(s); },
         &IdiomCase::lastFour},
    };
    for (const IdiomCase& c : cases) {
        for (const auto& [idiom, column] : idioms) {
            TextSlice borrowed(c.path);
            EXPECT_STREQ(idiom(borrowed, c.separator).cstr(), c.*column) << c.path;
            TextSlice owned(borrowed.assign(c.path));
            owned.moveForward(1);  // the idioms do not depend on where the cursor was
            EXPECT_STREQ(idiom(owned, c.separator).cstr(), c.*column) << c.path;
        }
    }
}

}  // namespace
}  // namespace brimwick
