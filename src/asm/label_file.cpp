// The label file: every label and constant of the source with its value, one
// per line in the monitor label format that C64 emulators load (VICE: "ll"),
// "al C:0801 .start", sorted by address. Values that are no 16-bit address
// (negative constants, large numbers) are left out; variables, macros and
// source marks have no address and are left out too.
#include <algorithm>
#include <cstdio>
#include <vector>

#include "asm/assembler.h"

namespace brimwick::assembler {

namespace {

constexpr std::int32_t kTopAddress = 0xFFFF;

}  // namespace

void Assembler::writeLabelFile() {
    if (options_.labelPath.empty()) return;
    std::vector<const SymbolRecord*> labels;
    symbols_.forEachUserRecord([&](const SymbolRecord& r) {
        if (r.defined != 0 && (r.type == SymbolType::Label || r.type == SymbolType::Constant) &&
            r.value >= 0 && r.value <= kTopAddress)
            labels.push_back(&r);
    });
    std::sort(labels.begin(), labels.end(), [](const SymbolRecord* a, const SymbolRecord* b) {
        if (a->value != b->value) return a->value < b->value;
        return std::string_view(a->name) < std::string_view(b->name);
    });
    std::vector<std::uint8_t> text;
    for (const SymbolRecord* r : labels) {
        char line[kMaxNameLength + 16];
        const int length = std::snprintf(line, sizeof line, "al C:%.4x .%s\n",
                                         static_cast<unsigned>(r->value), r->name);
        text.insert(text.end(), line, line + length);
    }
    std::string failure;
    if (!files_->writeOutput(options_.labelPath, text, failure))
        printMessage(MessageKind::Error, kErrCantWriteFile, endLine(),
                     options_.labelPath + ": " + failure);
}

}  // namespace brimwick::assembler
