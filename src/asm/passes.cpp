// One assembly run: the two passes over the source, the messages with the
// rules for which pass prints them, the outputs after the passes, and the
// totals at the end of the listing.
#include <algorithm>
#include <cstdio>

#include "asm/assembler.h"
#include "base/text_slice.h"

namespace brimwick::assembler {

namespace {

constexpr std::size_t kSourceBytesPerName = 128;
// The appended "*=0" line starts after the tail's first CR LF.
constexpr std::int32_t kTailLineOffset = 2;

}  // namespace

Assembler::Assembler(AssemblerOptions options, AssemblerFiles* files)
    : options_(options),
      ownFiles_(files == nullptr ? std::make_unique<DiskFiles>() : nullptr),
      files_(files == nullptr ? ownFiles_.get() : files),
      blocks_(makeBlockTable()),
      image_(kImageSize, 0) {}

Assembler::~Assembler() = default;

std::string Assembler::basePathOf(const std::string& sourcePath) {
    TextSlice withoutExtension(sourcePath.c_str());
    selectWithoutExtension(withoutExtension);
    TextSlice directory(sourcePath.c_str());
    selectDirectory(directory);
    // Only a "." in the file name itself starts the extension: a dot in a
    // directory name must not send the listing into the parent directory, and
    // a name without one keeps its directory instead of losing its name.
    if (!withoutExtension.found() || withoutExtension.length() < directory.length())
        return sourcePath;
    return std::string(withoutExtension.window());
}

void Assembler::writeListing(std::string_view text) {
    files_->writeListing(text);
}

int Assembler::assembleFile(const std::string& sourcePath) {
    sourcePath_ = sourcePath;
    basePath_ = basePathOf(sourcePath);
    listingPath_ = basePath_ + std::string(kListingExtension);
    // The source is read, and every output checked against it, before any
    // output is opened: a run that cannot go on writes nothing at all.
    if (!readSource(sourcePath) || !outputsSpareTheSource(sourcePath)) return errorCount_;

    files_->openListing(listingPath_);
    writeListing(kBanner);
    // About one new name per 128 bytes of source, going by large sources.
    symbols_.reserveNames(source_.size() / kSourceBytesPerName);
    source_.insert(source_.end(), kSourceTail.begin(), kSourceTail.end());
    SourceCursor main;
    main.pos = 0;
    main.windowEnd = sourceLength_ + static_cast<std::int32_t>(kSourceTail.size());

    writeListing("\n first pass:");
    if (int hard = runPass(main, true); hard > 0) printHardError(hard, true);
    writeListing("\n second pass:");
    if (int hard = runPass(main, false); hard > 0) {
        printHardError(hard, false);
    } else {
        reportUnreachedLabels();
    }
    writeLabelFile();

    char totals[96];
    std::snprintf(totals, sizeof totals, "\n\n %d  ERRORS \n %d  WARNINGS", errorCount_,
                  warningCount_);
    writeListing(totals);
    symbols_.releaseSymbols();
    std::string failure;
    if (!files_->closeListing(failure)) reportLateWriteFailure(listingPath_, failure);

    bool show = errorCount_ == 0 ? options_.showResultsOnSuccess : options_.showResultsOnErrors;
    if (show && documentOpener_) documentOpener_(listingPath_);
    return errorCount_;
}

void Assembler::reportLateWriteFailure(const std::string& path, std::string_view reason) {
    // The listing is finished: the message reaches only the message sink.
    ++errorCount_;
    const std::string detail = path + ": " + std::string(reason);
    if (messageSink_)
        messageSink_({MessageKind::Error, kErrCantWriteFile, errorText(kErrCantWriteFile),
                      endLine(), false, detail});
}

int Assembler::runPass(const SourceCursor& start, bool firstPass) {
    firstPass_ = firstPass;
    skipMode_ = 0;
    pc_ = kDefaultStart;
    segmentStart_ = kDefaultStart;
    errorCode_ = kNoError;
    warningCode_ = kNoWarning;
    lineNumber_ = 0;
    endLine_ = 0;
    stats_ = PassStatistics{};
    ifOpen_ = 0;
    ifSkipDepth_ = 0;
    eorValue_ = 0;
    offsValue_ = 0;
    definingMacro_ = false;
    macroDepth_ = 0;
    stack_.clear();
    instructionCount_ = 0;
    if (firstPass) modeChoices_.clear();
    blocks_->resetBlocks();
    cursor_ = start;
    resetPending_ = true;

    for (;;) {
        if (resetPending_) {
            startLine();
            if (stats_.linesRead > options_.maxLinesPerPass) return kErrTooManyLines;
        }
        while (cursor_.pos >= cursor_.windowEnd) {
            if (!stack_.pop(cursor_)) return 0;
        }
        int result = skipMode_ != 0 ? scanSkipped() : handleToken();
        if (result == kPassEnded) {
            reportMessages();
            return 0;
        }
        if (result > 0) return result;
        reportMessages();
        if (errorCode_ != kNoError) {
            errorCode_ = kNoError;
            resetPending_ = true;
            if (!skipLine()) return 0;
        }
    }
}

void Assembler::startLine() {
    line_ = LineState{};
    line_.lineStartAddress = pc_;
    if (macroDepth_ == 0) ++lineNumber_;
    ++stats_.linesRead;
    resetPending_ = false;
    // The "*=" appended to the source writes its last segment; what goes
    // wrong there belongs to the source's last line, not to a line after it.
    onTailLine_ = stack_.count() == 0 && cursor_.pos == sourceLength_ + kTailLineOffset;
    if (onTailLine_) {
        const bool lastLineEnded = sourceLength_ > 0 && byteAt(sourceLength_ - 1) == '\n';
        endLine_ = std::max(lineNumber_ - (lastLineEnded ? 2 : 1), 1);
    }
}

void Assembler::reportMessages() {
    if (warningCode_ != kNoWarning) {
        if (!firstPass_)
            printMessage(MessageKind::Warning, warningCode_, messageLine(), warningDetail_);
        warningCode_ = kNoWarning;
    }
    if (errorCode_ != kNoError) {
        // The first pass prints only what the second pass cannot see again:
        // double definitions, undefined symbols, and errors of the .if family
        // (a condition decides which lines the first pass assembles).
        bool ifFamily = line_.kind == kKindDirective && line_.statementCode >= kIf &&
                        line_.statementCode <= kIfpl;
        if (!firstPass_ || errorCode_ == kErrDoubleDefinition ||
            errorCode_ == kErrUndefinedStatement || ifFamily)
            printMessage(MessageKind::Error, errorCode_, messageLine(), errorDetail_);
    }
}

void Assembler::printMessage(MessageKind kind, std::uint8_t code, std::int32_t line,
                             std::string_view detail) {
    const bool error = kind == MessageKind::Error;
    const std::string_view text = error ? errorText(code) : warningText(code);
    char head[64];
    std::snprintf(head, sizeof head,
                  error ? "\n ERROR in line %d : " : "\n WARNING in line %d : ", line);
    writeListing(head);
    writeListing(text);
    ++(error ? errorCount_ : warningCount_);
    if (messageSink_) messageSink_({kind, code, text, line, firstPass_, detail});
}

void Assembler::printHardError(int code, bool firstPass) {
    auto text = errorText(static_cast<std::uint8_t>(code));
    writeListing(firstPass ? "\n ** HARD ERROR : " : "\n ** hard error : ");
    writeListing(text);
    writeListing(" ** Assembling breaked");
    // A pass that broke off has not assembled the whole source: count it, so
    // that the run is never reported as a success.
    ++errorCount_;
    if (messageSink_)
        messageSink_({MessageKind::HardError, code, text, lineNumber_, firstPass, {}});
}

}  // namespace brimwick::assembler
