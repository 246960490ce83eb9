// Assembles arbitrary bytes as a TurboAss source through both passes. The
// outputs are dropped in memory, so a run never writes files; the line limit
// is lowered so that endless .goto loops and runaway macros end quickly.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "asm/assembler.h"

namespace {

using namespace brimwick::assembler;

// The assembler's own lines after the source, and one unended last line.
constexpr std::ptrdiff_t kAppendedLines = 3;

// Serves the fuzz input as the source and throws every output away.
class FuzzFiles : public AssemblerFiles {
  public:
    FuzzFiles(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    SourceRead readSource(const std::string&, std::size_t limit, SourceText& bytes,
                          std::string& failure) override {
        if (size_ > limit) {
            failure = "too large";
            return SourceRead::TooLarge;
        }
        bytes.assign(data_, data_ + size_);
        return SourceRead::Read;
    }
    bool sameFile(const std::string& output, const std::string& input) override {
        return output == input;
    }
    void openListing(const std::string&) override {}
    void writeListing(std::string_view) override {}
    bool closeListing(std::string&) override { return true; }
    bool writeOutput(const std::string&, std::span<const std::uint8_t> bytes,
                     std::string& failure) override {
        if (bytes.size() >= 2) return true;
        failure = "short object file";
        return false;
    }

  private:
    const std::uint8_t* data_;  // the fuzz input
    std::size_t size_;          // its length
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzFiles files(data, size);
    AssemblerOptions options;
    options.maxLinesPerPass = 4000;
    auto assembler = std::make_unique<Assembler>(options, &files);
    // The line limit stops sound sources too: .goto loops, and macros that
    // call each other until their expansions fill the limit. Without .goto,
    // every stretch of reading (the main text, each macro body, each
    // parameter) moves forward and reads a line at most twice (a skipped line
    // that ends a conditional is read again), so a pass reading more lines
    // than that has a scanner that does not advance.
    const auto lines = std::count(data, data + size, '\n') + kAppendedLines;
    const Assembler& run = *assembler;
    assembler->setMessageSink([&run, lines](const AssemblerMessage& m) {
        if (m.kind != MessageKind::HardError || m.code != kErrTooManyLines) return;
        const PassStatistics& pass = run.passStatistics();
        if (pass.jumps == 0 && pass.linesRead > 2 * lines * (1 + pass.expansions)) __builtin_trap();
    });
    assembler->assembleFile("fuzz.a64");
    return 0;
}
