// Opening and closing of .block scopes.
#include "asm/block_table.h"

namespace brimwick::assembler {

bool BlockTable::openBlock() {
    ++blockCount;
    if (blockCount == 0) return false;
    parentBlock[blockCount] = currentBlock;
    ++currentLevel;
    blockLevel[blockCount] = currentLevel;
    currentBlock = blockCount;
    return true;
}

bool BlockTable::closeBlock() {
    if (currentLevel == 0) return false;
    --currentLevel;
    currentBlock = parentBlock[currentBlock];
    return true;
}

void BlockTable::resetBlocks() {
    blockCount = 0;
    currentBlock = 0;
    currentLevel = 0;
}

}  // namespace brimwick::assembler
