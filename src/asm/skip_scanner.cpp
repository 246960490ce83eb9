// Skipping: the lines of a macro definition and of a false conditional are
// not parsed, only scanned for the directive that ends them. The scanner
// looks at each line up to its first word: a directive name after "." or as
// the first word. So "endif" at the start of a line ends a false conditional
// even without its dot, while "label .endif" does not.
#include "asm/assembler.h"
#include "asm/character_class.h"

namespace brimwick::assembler {

void Assembler::startSkipping() {
    ++ifSkipDepth_;
    skipMode_ = 2;
}

void Assembler::endSkipping() {
    // Read the ending line again in normal mode, under the same number.
    skipMode_ = 0;
    std::int32_t p = cursor_.pos;
    while (p >= 1 && byteAt(p - 1) != '\n') --p;
    cursor_.pos = p;
    resetPending_ = true;
    if (macroDepth_ == 0) --lineNumber_;
}

int Assembler::scanSkipped() {
    const std::uint8_t c = byteAt(cursor_.pos);
    ++cursor_.pos;
    bool skipRest = false;
    if (c == ' ' || c == '\t') {
        return kContinue;
    } else if (c == '.') {
        if (line_.state == kStateLineStart)
            line_.state = kStateDirectiveName;
        else
            skipRest = true;
    } else if (isLetter(c) || (c == '_' && line_.state == kStateDirectiveName)) {
        --cursor_.pos;
        const SymbolRecord* r = lookupIdentifier(SymbolList::Directives, false);
        if (r == nullptr || r->type != SymbolType::Directive) {
            skipRest = true;
        } else if (skipMode_ == 1) {
            if (r->code == kEndm)
                endSkipping();
            else
                skipRest = true;
        } else if (r->code == kEndif) {
            if (ifSkipDepth_ > 1)
                --ifSkipDepth_;
            else
                endSkipping();
        } else if (r->code >= kIf && r->code <= kIfpl) {
            ++ifSkipDepth_;
            skipRest = true;
        }
    } else {
        skipRest = true;
    }
    if (skipRest) {
        resetPending_ = true;
        if (!skipLine()) return kPassEnded;
    }
    return kContinue;
}

}  // namespace brimwick::assembler
