// Whole runs: the listing layout, object file names and load addresses, the
// rules for which pass prints a message, hard errors, and the sound handling
// of sources that would crash, hang or lose data.
#include <gtest/gtest.h>

#include "asm_test_support.h"
#include "config/settings.h"

namespace brimwick::assembler::test {
namespace {

AssemblerOptions plainNames() {
    AssemblerOptions o;
    o.addressInObjectName = false;
    return o;
}

TEST(AssemblyRun, ListingAndObjectFileOfASmallProgram) {
    RunResult r = assembleText(lines({"*=$c000", "lda #1", "rts"}), plainNames());
    EXPECT_EQ(r.errors, 0);
    EXPECT_EQ(r.listing, std::string(kBanner) +
                             "\n first pass:"
                             "\n second pass:"
                             "\n writing  $c000-$c003  /src/demo.prg"
                             "\n\n 0  ERRORS \n 0  WARNINGS");
    EXPECT_EQ(hex(r.written["/src/demo.prg"]), "00 C0 A9 01 60");
}

TEST(AssemblyRun, MessagesInTheListingInOrder) {
    RunResult r = assembleText(
        lines({"*=$c000", "lda fwd", ".byte 1 2", "fwd = 3", "x = 1", "x = 2", ".endif"}));
    EXPECT_EQ(r.errors, 2);
    EXPECT_EQ(r.listing, std::string(kBanner) +
                             "\n first pass:"
                             "\n ERROR in line 6 : double definition"
                             "\n second pass:"
                             "\n WARNING in line 2 : operand size 'word' taken"
                             "\n ERROR in line 3 : no number expected"
                             "\n WARNING in line 7 : endif without if"
                             "\n writing  $c000-$c003  /src/democ000.prg"
                             "\n\n 2  ERRORS \n 2  WARNINGS");
}

TEST(AssemblyRun, ObjectFileNamesFollowTheAddressOption) {
    const std::string source = lines({"*=$c000", "nop", "*=$d000", "rts"});
    RunResult named = assembleText(source);
    EXPECT_EQ(hex(named.written["/src/democ000.prg"]), "00 C0 EA");
    EXPECT_EQ(hex(named.written["/src/demod000.prg"]), "00 D0 60");

    RunResult plain = assembleText(source, plainNames());
    EXPECT_EQ(plain.written.count("/src/democ000.prg"), 0u);
    EXPECT_EQ(hex(plain.written["/src/demo.prg"]), "00 D0 60");  // the last segment wins
}

// Segments may cover the same addresses (a loader and the code it copies
// elsewhere, say). Each object file holds that segment's own bytes, exactly
// as when the segment is assembled alone.
TEST(AssemblyRun, OverlappingSegmentsAssembleAsIfAlone) {
    const std::string common = lines({"zp = $fb", "io = $d020"});
    const std::vector<std::pair<std::string, std::string>> segments = {
        {"/src/democ000.prg", lines({"*=$c000", "s1 lda zp", " sta io,x", " ldy f1,x", " bne s1",
                                     " jmp s1end", " lda (zp),y", "s1end rts", "f1 = $20"})},
        {"/src/democ002.prg",
         lines({"*=$c002", "s2 ldx $10", " stx io", " lda s2+1,y", " inc zp", " jmp s2"})},
        {"/src/demobffe.prg",
         lines({"*=$bffe", " .byte 1,2", "s3 lda $80,x", " ldx zp,y", " lda #<s3", " rts"})},
    };
    std::string all = common;
    for (const auto& [path, text] : segments) all += text;
    const RunResult together = assembleText(all);
    EXPECT_EQ(together.errors, 0) << together.listing;
    for (const auto& [path, text] : segments) {
        const RunResult alone = assembleText(common + text);
        ASSERT_EQ(alone.errors, 0) << alone.listing;
        ASSERT_EQ(alone.written.count(path), 1u) << path;
        EXPECT_EQ(hex(together.written.at(path)), hex(alone.written.at(path))) << path;
    }
}

TEST(AssemblyRun, SegmentsAndLoadAddresses) {
    // No "*=" at all: the code starts at $1000.
    RunResult start = assembleText(lines({"nop"}));
    EXPECT_EQ(hex(start.written["/src/demo1000.prg"]), "00 10 EA");
    // No code: no object file, only the listing.
    RunResult empty = assembleText(lines({"x = 1"}));
    EXPECT_EQ(empty.written.size(), 1u);
    // .offs moves the load address, not the code.
    RunResult offs = assembleText(lines({"*=$c000", ".offs $2000", "l jmp l"}));
    EXPECT_EQ(hex(offs.written["/src/democ000.prg"]), "00 E0 4C 00 C0");
}

TEST(AssemblyRun, LastLineWithoutLineEnd) {
    RunResult r = assembleText("*=$c000\r\nnop\r\nrts");
    EXPECT_EQ(r.errors, 0);
    EXPECT_EQ(hex(r.code()), "EA 60");
}

// Linux editors end lines with LF alone; a source may also mix both kinds.
// Whatever the line ends, the result is that of the CR LF source: the same
// listing (line numbers included) and the same object files.
TEST(AssemblyRun, LineFeedLineEndsAssembleAsCrLf) {
    const std::vector<std::string> source = {
        "; starts with a comment",
        "*=$c000",
        "m .macro",
        " lda #@1",
        " .endm",
        "start #m \"1\"",
        " .if 0",
        " nop",
        " .endif",
        "loop .lbl",
        "n .var 0",
        " .byte 1 2 ; an error",
        " jmp start",
        " .text \"ab\"",
        " rts",
    };
    auto join = [&](auto lineEnd) {
        std::string text;
        for (std::size_t i = 0; i < source.size(); ++i) text += source[i] + lineEnd(i);
        return text;
    };
    const RunResult crlf = assembleText(join([](std::size_t) { return "\r\n"; }));
    ASSERT_EQ(crlf.errors, 1);
    ASSERT_EQ(crlf.messages.at(0).line, 12);
    EXPECT_EQ(hex(crlf.code()), "A9 01 4C 00 C0 41 42 60");
    const std::string variants[] = {
        join([](std::size_t) { return "\n"; }),
        join([](std::size_t i) { return i % 2 == 0 ? "\n" : "\r\n"; }),
        join([&](std::size_t i) { return i + 1 == source.size() ? "" : "\n"; }),
    };
    for (const std::string& text : variants) {
        const RunResult r = assembleText(text);
        EXPECT_EQ(r.listing, crlf.listing) << text;
        EXPECT_EQ(r.written, crlf.written) << text;
    }
}

TEST(AssemblyRun, LoneCarriageReturnIsStillInvalid) {
    RunResult r = assembleText("*=$c000\n\rnop\nrts\n");
    EXPECT_EQ(r.texts(), std::vector<std::string>{"error: invalid source file"});
    EXPECT_EQ(hex(r.code()), "60");
}

TEST(AssemblyRun, LinesInsideMacrosCarryTheCallingLine) {
    RunResult r =
        assembleText(lines({"m .macro", "nop", ".byte 1 2", ".endm", "#m", "#m", ".byte 3 4"}));
    ASSERT_EQ(r.messages.size(), 3u);
    EXPECT_EQ(r.messages[0].line, 5);
    EXPECT_EQ(r.messages[1].line, 6);
    EXPECT_EQ(r.messages[2].line, 7);
}

TEST(AssemblyRun, SkippedLinesKeepTheirNumbers) {
    RunResult r = assembleText(lines({".if 0", "nop", "nop", ".endif", ".byte 1 2"}));
    ASSERT_EQ(r.messages.size(), 1u);
    EXPECT_EQ(r.messages[0].line, 5);
}

// Which pass prints what: most errors only in the second pass, so they count
// once; double definitions only in the first; undefined symbols and errors in
// .if lines wherever they occur.
TEST(AssemblyRun, PassRulesForMessages) {
    struct Case {
        const char* source;
        std::vector<bool> printedInFirstPass;
    };
    const Case cases[] = {
        {".byte 1 2", {false}},
        {"x = 1\nx = 2", {true}},
        {".if fwd\n.endif\nfwd = 1", {true}},
        {".if nowhere", {true, false}},
        {".if 1 2", {true, false}},
        {".if 1/0", {true, false}},
        {"*=fwd\nfwd = $c000", {true}},
        {"lda nowhere", {false}},
        {".bend", {false}},
    };
    for (const Case& c : cases) {
        std::string source;
        for (const char* p = c.source; *p != '\0'; ++p) {
            if (*p == '\n') source += '\r';
            source += *p;
        }
        RunResult r = assembleText(source + "\r\n");
        std::vector<bool> passes;
        for (const auto& m : r.messages) passes.push_back(m.firstPass);
        EXPECT_EQ(passes, c.printedInFirstPass) << c.source;
    }
}

// Messages carry what they are about (a name, a number, a character) for the
// stderr form; the listing's texts stay as they are.
TEST(AssemblyRun, MessagesNameWhatTheyAreAbout) {
    const std::pair<std::string, std::string> cases[] = {
        {"lda nowhere", "undefined statement: nowhere"},
        {"ldz #3", "no number expected: ldz"},
        {"LDA 1", "no number expected: LDA"},
        {".byte 1 $20", "no number expected: $20"},
        {"one two", "illegal mnemonic: two"},
        {".bytes 1", "illegal pseudo operation: bytes"},
        {"#nothing", "macro not defined: nothing"},
        {"c = 1\n.goto c", "assembler label expected: c"},
        {"lda $12,z", "missing register: z"},
        {".byte 1+-2", "syntax: -"},
        {".byte \"ab\"", "syntax: \"ab\""},
        {".byte 1 ! 2", "invalid source file: !"},
        {".byte 1 \x0e", "invalid source file: byte $0e"},
        {"l nop\nl nop", "double definition: l"},
        {std::string(40, 'q') + " = 1", "label too long; label cut: " + std::string(40, 'q')},
    };
    for (const auto& [source, expected] : cases) {
        std::string text;
        for (char c : "*=$c000\n" + source + "\n") text += c;
        const RunResult r = assembleText(text);
        ASSERT_EQ(r.messages.size(), 1u) << source;
        EXPECT_EQ(r.messages[0].text + ": " + r.messages[0].detail, expected);
        EXPECT_EQ(r.listing.find(": " + r.messages[0].detail), std::string::npos);
    }
}

TEST(AssemblyRun, SelfCallingMacroBreaksBothPasses) {
    RunResult r = assembleText(lines({"m .macro", "#m", ".endm", "#m"}));
    EXPECT_NE(r.listing.find("\n first pass:\n ** HARD ERROR : too high macros & includes depth "
                             "** Assembling breaked\n second pass:\n ** hard error : too high "
                             "macros & includes depth ** Assembling breaked"),
              std::string::npos)
        << r.listing;
    // A run that broke off is never a success.
    EXPECT_EQ(r.errors, 2);
}

TEST(AssemblyRun, EndlessGotoLoopEndsWithAHardError) {
    AssemblerOptions o;
    o.maxLinesPerPass = 5000;
    RunResult r = assembleText(lines({"loop .lbl", "nop", ".goto loop"}), o);
    EXPECT_NE(r.listing.find("** HARD ERROR : too many lines; endless loop? ** Assembling "
                             "breaked"),
              std::string::npos);
    EXPECT_NE(r.listing.find("** hard error : too many lines; endless loop?"), std::string::npos);
    EXPECT_EQ(r.errors, 2);
}

TEST(AssemblyRun, EndlessLoopInsideAMacroIsCaughtToo) {
    AssemblerOptions o;
    o.maxLinesPerPass = 5000;
    RunResult r = assembleText(lines({"m .macro", "l .lbl", ".goto l", ".endm", "#m"}), o);
    EXPECT_EQ(r.errors, 2);
}

TEST(AssemblyRun, InvalidByteAtALineStartDoesNotHang) {
    RunResult r = assembleText("*=$c000\r\n\x80\r\nnop\r\n\x01nop\r\nrts\r\n");
    EXPECT_EQ(r.errors, 2);
    EXPECT_EQ(hex(r.code()), "EA 60");
}

// A run that cannot read its source, or whose outputs would replace it (the
// listing of prog.txt is prog.txt), is refused before any output is opened:
// one error about no line, and not a single file written.
TEST(AssemblyRun, RefusedRunsWriteNothing) {
    struct Case {
        std::string path;
        bool addressInName;
        std::string labels;
        std::string message;  // "text: detail"
    };
    const Case cases[] = {
        {"/src/missing.a64", true, "", "can't read source file: No such file or directory"},
        {"/src/prog.txt", true, "", "the listing would replace the source file: /src/prog.txt"},
        {"/src/prog.prg", false, "",
         "the object file would replace the source file: /src/prog.prg"},
        {"/src/prog.a64", true, "/src/prog.a64",
         "the label file would replace the source file: /src/prog.a64"},
        {"/src/prog.a64", true, "/src/prog.txt",
         "the label file would replace the listing: /src/prog.txt"},
    };
    for (const Case& c : cases) {
        MemoryFiles files;
        if (c.path != "/src/missing.a64") files.addSource(c.path, lines({"*=$c000", "nop"}));
        AssemblerOptions options;
        options.addressInObjectName = c.addressInName;
        options.labelPath = c.labels;
        Assembler assembler(options, &files);
        std::vector<std::string> messages;
        assembler.setMessageSink([&](const AssemblerMessage& m) {
            EXPECT_EQ(m.line, 0);
            messages.push_back(std::string(m.text) + ": " + std::string(m.detail));
        });
        EXPECT_EQ(assembler.assembleFile(c.path), 1) << c.path;
        EXPECT_TRUE(assembler.refused());
        EXPECT_EQ(messages, std::vector<std::string>{c.message});
        EXPECT_TRUE(files.written().empty()) << c.path;
    }
}

// An output that cannot be written is "can't write file" on the line of the
// "*=" that ended its segment, or of the source's last line for the last
// segment (never a line after it); the detail names the file and the reason.
TEST(AssemblyRun, OutputsThatCannotBeWritten) {
    struct Case {
        std::string source;
        std::string failingPath;
        int line;
    };
    const Case cases[] = {
        {lines({"*=$c000", "nop", "*=$d000", "nop"}), "/src/democ000.prg", 3},
        {lines({"*=$c000", "nop", "*=$d000", "nop"}), "/src/demod000.prg", 4},
        {"*=$c000\nnop\n*=$d000\nnop", "/src/demod000.prg", 4},
        {"*=$c000\nnop\n\n", "/src/democ000.prg", 3},
    };
    for (const Case& c : cases) {
        MemoryFiles files;
        files.failWritesTo(c.failingPath, "No space left on device");
        RunResult r = assembleText(c.source, {}, kSourcePath, &files);
        EXPECT_EQ(r.texts(), std::vector<std::string>{"error: can't write file"});
        ASSERT_EQ(r.messages.size(), 1u);
        EXPECT_EQ(r.messages[0].line, c.line) << c.source;
        EXPECT_EQ(r.messages[0].detail, c.failingPath + ": No space left on device");
        EXPECT_NE(r.listing.find("ERROR in line " + std::to_string(c.line) + " : can't write file"),
                  std::string::npos);
        EXPECT_EQ(r.written.count(c.failingPath), 0u);
        EXPECT_EQ(r.written.size(), c.source.find("$d000") == std::string::npos ? 1u : 2u);
    }
}

TEST(AssemblyRun, CodeUpToTheTopOfMemoryIsWrittenWhole) {
    RunResult r = assembleText(lines({"*=$fffa", ".word 1,2,3"}));
    EXPECT_EQ(r.errors, 0);
    EXPECT_TRUE(r.messages.empty());
    EXPECT_EQ(hex(r.written["/src/demofffa.prg"]), "FA FF 01 00 02 00 03 00");
    EXPECT_NE(r.listing.find("writing  $fffa-$ffff  "), std::string::npos) << r.listing;
}

TEST(AssemblyRun, CodeBeyondTheTopOfMemoryIsCut) {
    RunResult r = assembleText(lines({"*=$fffe", ".byte 1,2,3,4"}));
    EXPECT_EQ(r.texts(), std::vector<std::string>{"warning: code suceeds $ffff, file cut"});
    EXPECT_EQ(hex(r.written["/src/demofffe.prg"]), "FE FF 01 02");
    EXPECT_NE(r.listing.find("writing  $fffe-$ffff  "), std::string::npos) << r.listing;
}

TEST(AssemblyRun, ListingPathsAndBasePaths) {
    EXPECT_EQ(Assembler::basePathOf("/src/demo.a64"), "/src/demo");
    EXPECT_EQ(Assembler::basePathOf("/src/demo"), "/src/demo");
    EXPECT_EQ(Assembler::basePathOf("/src/my.dir/demo"), "/src/my.dir/demo");
    EXPECT_EQ(Assembler::basePathOf("demo.tar.a64"), "demo.tar");
    RunResult r = assembleText(lines({"nop"}), plainNames(), "/src/my.dir/demo");
    EXPECT_EQ(r.written.count("/src/my.dir/demo.txt"), 1u);
    EXPECT_EQ(r.written.count("/src/my.dir/demo.prg"), 1u);
}

TEST(AssemblyRun, ListingIsShownWhenTheOptionsSaySo) {
    AssemblerOptions o;
    o.showResultsOnErrors = false;
    EXPECT_EQ(assembleText(lines({"nop"}), o).opened, std::vector<std::string>{"/src/demo.txt"});
    EXPECT_TRUE(assembleText(lines({"nop 1"}), o).opened.empty());
    o.showResultsOnSuccess = false;
    o.showResultsOnErrors = true;
    EXPECT_TRUE(assembleText(lines({"nop"}), o).opened.empty());
    EXPECT_EQ(assembleText(lines({"nop 1"}), o).opened.size(), 1u);
}

TEST(AssemblyRun, PhaseErrors) {
    // The first pass takes zero page for a constant whose forward reference
    // had no meaningful value yet; in the second pass it no longer fits.
    RunResult r = assembleText(lines({"y = fwd", "*=$c000", "lda y", "fwd = 300"}));
    EXPECT_EQ(r.texts(), std::vector<std::string>{"error: phase error"});
    EXPECT_EQ(hex(r.code()), "A5 00");
}

// The second pass assembles with the first pass's addresses of labels it has
// not reached yet. A forward reference through "=" or .var that makes a
// conditional assemble other lines moves the labels after it, so earlier
// jumps to them would go astray: each label that moved, or that the second
// pass never reached, is a phase error at its own line.
TEST(AssemblyRun, LabelsThatMoveBetweenThePassesArePhaseErrors) {
    struct Case {
        std::vector<std::string_view> source;
        std::vector<std::string> messages;  // "line: text: detail"
    };
    const Case cases[] = {
        {{"x = fwd", ".if x-1", " nop", ".endif", " jmp target", "target nop", "fwd = 1"},
         {"6: phase error: target"}},
        {{"v .var fwd", ".ifeq v", " .byte 1,2", ".endif", "l1 jmp l2", "l2 rts", "fwd = 1"},
         {"5: phase error: l1", "6: phase error: l2"}},
        {{"x = fwd", ".if x-1", "inner nop", "c = 5", ".endif", " jmp inner", " .byte c",
          "fwd = 1"},
         {"3: phase error: inner", "4: phase error: c"}},
        // Forward references that resolve alike in both passes are fine.
        {{"*=$c000", " jmp later", "size = end-start", ".if size-3", " nop", ".endif",
          "start lda #size", "later ldx <end", "end rts"},
         {}},
    };
    for (const Case& c : cases) {
        std::string source;
        for (auto line : c.source) source += std::string(line) + "\n";
        const RunResult r = assembleText(source);
        std::vector<std::string> got;
        for (const auto& m : r.messages)
            got.push_back(std::to_string(m.line) + ": " + m.text + ": " + m.detail);
        EXPECT_EQ(got, c.messages) << source;
        EXPECT_EQ(r.errors, static_cast<int>(c.messages.size()));
    }
}

TEST(AssemblyRun, LongNamesAreCutWithAWarningEachTime) {
    const std::string a(40, 'q');
    std::string b = a;
    b[39] = 'r';
    RunResult r = assembleText(lines({"*=$c000", a + " = 1", ".byte " + b}));
    EXPECT_EQ(r.texts(), (std::vector<std::string>{"warning: label too long; label cut",
                                                   "warning: label too long; label cut"}));
    EXPECT_EQ(hex(r.code()), "01");
}

TEST(AssemblyRun, RunsLeaveNoSymbolsBehind) {
    MemoryFiles files;
    files.addSource("/a.s", lines({"x = 1", ".byte x"}));
    files.addSource("/b.s", lines({".byte x"}));
    Assembler first({}, &files);
    EXPECT_EQ(first.assembleFile("/a.s"), 0);
    EXPECT_EQ(first.symbols().userRecordCount(), 0u);
    Assembler second({}, &files);
    EXPECT_EQ(second.assembleFile("/b.s"), 1);  // x is unknown in a new run
}

TEST(AssemblerOptionsTest, ComeFromTheSettingsRecord) {
    config::Settings settings{};
    config::resetSettings(settings);
    AssemblerOptions defaults = optionsFromSettings(settings);
    EXPECT_TRUE(defaults.addressInObjectName);
    EXPECT_TRUE(defaults.showResultsOnSuccess);
    EXPECT_TRUE(defaults.showResultsOnErrors);
    settings.addressInObjectName = 0;
    settings.showResultsOnErrors = 0;
    AssemblerOptions changed = optionsFromSettings(settings);
    EXPECT_FALSE(changed.addressInObjectName);
    EXPECT_TRUE(changed.showResultsOnSuccess);
    EXPECT_FALSE(changed.showResultsOnErrors);
}

}  // namespace
}  // namespace brimwick::assembler::test
