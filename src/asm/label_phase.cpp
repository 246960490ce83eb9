// Labels that move between the passes. The second pass assembles with the
// addresses the first pass gave every label it has not reached yet, so a
// label whose address changes (a forward reference through "=" or .var that
// makes a conditional assemble other lines) would leave earlier jumps to the
// wrong place. Such a label is a "phase error" at its line, and so is one the
// second pass never reaches: its first-pass value was used all the same.
#include <algorithm>
#include <vector>

#include "asm/assembler.h"

namespace brimwick::assembler {

void Assembler::setLabelAddress(SymbolRecord& label, std::int32_t address) {
    if (firstPass_) {
        label.line = lineNumber_;
    } else if (label.type == SymbolType::Label && label.defined != 0 &&
               label.setInSecondPass == 0) {
        // Only the first definition counts: a second one in the same block
        // was a double definition in the first pass.
        label.setInSecondPass = 1;
        if (label.value != address) line_.labelMoved = true;
    }
    label.value = address;
}

void Assembler::reportUnreachedLabels() {
    std::vector<const SymbolRecord*> unreached;
    symbols_.forEachUserRecord([&](const SymbolRecord& r) {
        if (r.defined != 0 && r.seenInSecondPass == 0 &&
            (r.type == SymbolType::Label || r.type == SymbolType::Constant))
            unreached.push_back(&r);
    });
    std::stable_sort(
        unreached.begin(), unreached.end(),
        [](const SymbolRecord* a, const SymbolRecord* b) { return a->line < b->line; });
    for (const SymbolRecord* r : unreached)
        printMessage(MessageKind::Error, kErrPhase, r->line, nameOf(*r));
}

}  // namespace brimwick::assembler
