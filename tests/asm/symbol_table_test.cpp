// The symbol table on its own: keywords, block scoping of lookups, where
// definitions go in the chain of a name, and the block table.
#include "asm/symbol_table.h"

#include <gtest/gtest.h>

namespace brimwick::assembler {
namespace {

class SymbolTableTest : public ::testing::Test {
  protected:
    SymbolRecord* find(std::string_view name, bool create = true) {
        return table.lookup(name, SymbolList::Symbols, create, blocks);
    }
    SymbolRecord* defineHere(std::string_view name) {
        SymbolRecord* r = find(name);
        EXPECT_TRUE(table.define(r, blocks)) << name;
        return r;
    }
    std::vector<std::uint16_t> chainBlocks(std::string_view name) {
        std::vector<std::uint16_t> out;
        for (const SymbolRecord* r : table.chainOf(name)) out.push_back(r->block);
        return out;
    }

    SymbolTable table;
    BlockTable blocks;
};

TEST_F(SymbolTableTest, KeywordsAreLowerCaseAndExact) {
    EXPECT_EQ(find("lda")->type, SymbolType::Mnemonic);
    EXPECT_EQ(find("lda")->code, 0x00A1);
    EXPECT_EQ(find("sta")->code, 0x0C81);
    EXPECT_EQ(find("bne")->code, 0x02D0);
    EXPECT_EQ(find("a")->type, SymbolType::RegisterA);
    EXPECT_EQ(find("LDA")->type, SymbolType::Label);  // an ordinary symbol
    EXPECT_EQ(find("x")->type, SymbolType::Label);    // x is only a register after ","
    EXPECT_EQ(find("text")->type, SymbolType::Label);
    EXPECT_EQ(table.userRecordCount(), 3u);

    EXPECT_EQ(table.lookup("x", SymbolList::Directives, false, blocks)->type,
              SymbolType::RegisterX);
    EXPECT_EQ(table.lookup("y", SymbolList::Directives, false, blocks)->type,
              SymbolType::RegisterY);
    EXPECT_EQ(table.lookup("segment", SymbolList::Directives, false, blocks)->code, kMacro);
    EXPECT_EQ(table.lookup("ifne", SymbolList::Directives, false, blocks)->code, kIf);
    EXPECT_EQ(table.lookup("eor", SymbolList::Directives, false, blocks)->code, kEor);
    EXPECT_EQ(table.lookup("lda", SymbolList::Directives, true, blocks), nullptr);
    EXPECT_EQ(table.lookup("Text", SymbolList::Directives, false, blocks), nullptr);
}

TEST_F(SymbolTableTest, InnerDefinitionHidesOuterOneInsideItsBlockOnly) {
    SymbolRecord* outer = defineHere("n");
    ASSERT_TRUE(blocks.openBlock());
    EXPECT_EQ(find("n"), outer);  // visible from inside
    SymbolRecord* inner = defineHere("n");
    EXPECT_NE(inner, outer);
    EXPECT_EQ(find("n"), inner);
    SymbolRecord* again = find("n");
    EXPECT_FALSE(table.define(again, blocks));  // double definition in the same block
    EXPECT_EQ(chainBlocks("n"), (std::vector<std::uint16_t>{1, 0}));  // innermost first
    ASSERT_TRUE(blocks.closeBlock());
    EXPECT_EQ(find("n"), outer);
}

TEST_F(SymbolTableTest, UseBeforeDefinitionInABlockMovesTheRecord) {
    ASSERT_TRUE(blocks.openBlock());
    SymbolRecord* used = find("later");  // created at block 0, undefined
    EXPECT_EQ(used->block, 0);
    SymbolRecord* defined = defineHere("later");
    EXPECT_EQ(defined, used);  // the same record, now in the block
    EXPECT_EQ(defined->block, 1);
    ASSERT_TRUE(blocks.closeBlock());
    // Outside, the name is not visible any more: a new record is made.
    SymbolRecord* outside = find("later");
    EXPECT_NE(outside, defined);
    EXPECT_EQ(outside->defined, 0);
}

TEST_F(SymbolTableTest, SiblingBlocksDoNotSeeEachOther) {
    ASSERT_TRUE(blocks.openBlock());
    SymbolRecord* first = defineHere("s");
    ASSERT_TRUE(blocks.closeBlock());
    ASSERT_TRUE(blocks.openBlock());
    SymbolRecord* second = find("s");
    EXPECT_NE(second, first);
    EXPECT_EQ(second->defined, 0);
    ASSERT_TRUE(blocks.openBlock());     // level 2 inside block 2
    EXPECT_EQ(defineHere("s"), second);  // the undefined record moves in
    EXPECT_EQ(chainBlocks("s"), (std::vector<std::uint16_t>{3, 1}));
}

TEST_F(SymbolTableTest, NestedDefinitionsKeepTheChainInnermostFirst) {
    defineHere("m");
    ASSERT_TRUE(blocks.openBlock());
    ASSERT_TRUE(blocks.openBlock());
    defineHere("m");  // level 2
    ASSERT_TRUE(blocks.closeBlock());
    defineHere("m");  // level 1, goes between the two
    EXPECT_EQ(chainBlocks("m"), (std::vector<std::uint16_t>{2, 1, 0}));
    EXPECT_EQ(find("m")->block, 1);
}

TEST_F(SymbolTableTest, ReleaseEmptiesTheUserPart) {
    defineHere("one");
    defineHere("two");
    table.releaseSymbols();
    EXPECT_EQ(table.userRecordCount(), 0u);
    EXPECT_EQ(find("one", false), nullptr);
    EXPECT_EQ(find("lda")->type, SymbolType::Mnemonic);
}

TEST_F(SymbolTableTest, ManyNamesStayApart) {
    for (int i = 0; i < 5000; ++i) defineHere("name" + std::to_string(i))->value = i;
    for (int i = 0; i < 5000; ++i) EXPECT_EQ(find("name" + std::to_string(i))->value, i);
}

TEST(BlockTableTest, OpenCloseAndWrap) {
    auto blocks = std::make_unique<BlockTable>();
    EXPECT_FALSE(blocks->closeBlock());  // "bend without block"
    EXPECT_EQ(blocks->currentLevel, 0);
    ASSERT_TRUE(blocks->openBlock());
    ASSERT_TRUE(blocks->openBlock());
    EXPECT_EQ(blocks->currentBlock, 2);
    EXPECT_EQ(blocks->currentLevel, 2);
    EXPECT_EQ(blocks->parentBlock[2], 1);
    ASSERT_TRUE(blocks->closeBlock());
    EXPECT_EQ(blocks->currentBlock, 1);
    blocks->resetBlocks();
    blocks->blockCount = 0xFFFF;
    EXPECT_FALSE(blocks->openBlock());  // "too many blocks": the count wrapped to 0
    EXPECT_EQ(blocks->blockCount, 0);
    EXPECT_EQ(blocks->currentBlock, 0);
    EXPECT_TRUE(blocks->openBlock());
    EXPECT_EQ(blocks->currentBlock, 1);
}

}  // namespace
}  // namespace brimwick::assembler
