// The TurboAss cross assembler: two passes over a 6502 source in TurboAss
// syntax, a listing with the numbered messages, and one C64 program file per
// segment. The first pass defines the symbols and decides between zero-page
// and absolute operands (recording each choice in the order the instructions
// are read); the second pass rereads the source with the same symbol table and
// the same choices, prints the messages and writes the object files.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "asm/assembler_files.h"
#include "asm/block_table.h"
#include "asm/line_state.h"
#include "asm/messages.h"
#include "asm/source_cursor.h"
#include "asm/symbol_table.h"

namespace brimwick::config {
struct Settings;
}

namespace brimwick::assembler {

// The assembler's options: the assembler fields of the settings record
// (same defaults), plus the limit that stops endless loops.
struct AssemblerOptions {
    bool addressInObjectName = true;   // add the start address to object file names
    bool showResultsOnSuccess = true;  // open the listing after a run without errors
    bool showResultsOnErrors = true;   // open the listing after a run with errors
    // A pass that reads more lines than this (an endless .goto loop) ends with
    // a hard error.
    std::int64_t maxLinesPerPass = 10'000'000;
    // Where to write the label file (every label with its value, for an
    // emulator's monitor); empty for none.
    std::string labelPath;
};

// The options as the settings record holds them right now.
AssemblerOptions optionsFromSettings(const config::Settings& settings);

enum class MessageKind { Error, Warning, HardError };

// What a pass has done. Without .goto, reading only ever moves forward
// through the text, in the main text and in each macro body or parameter;
// so the lines a pass reads are bounded by the source's lines times the
// expansions, and a pass that reads more has a scanner that does not advance.
struct PassStatistics {
    std::int64_t linesRead = 0;   // line starts, skipped and repeated lines included
    std::int64_t expansions = 0;  // macro calls and parameter markers expanded
    std::int64_t jumps = 0;       // .goto jumps taken
};

// One printed message, as handed to the message sink.
struct AssemblerMessage {
    MessageKind kind;         // error, warning or hard error
    int code;                 // error or warning number
    std::string_view text;    // the message text, as in the listing
    std::int32_t line;        // line number in the source; 0 when about no line
    bool firstPass;           // printed in the first pass
    std::string_view detail;  // what it is about (a name, a file), or empty
};

inline constexpr std::size_t kImageSize = 65536;
// Larger sources are refused: no real 6502 source comes near, and source
// positions must fit in 32 bits with room for macro windows.
inline constexpr std::size_t kMaxSourceSize = std::size_t{64} << 20;
inline constexpr std::uint16_t kDefaultStart = 0x1000;
// Appended to every source: a complete last line and an address assignment
// that closes the last segment.
inline constexpr std::string_view kSourceTail = "\r\n*=0\r\n";
// No zero-page choice was recorded for an instruction.
inline constexpr std::uint8_t kNoModeChoice = 0xFF;
inline constexpr std::string_view kObjectExtension = ".prg";
inline constexpr std::string_view kListingExtension = ".txt";
inline constexpr std::string_view kBanner = "Brimwick TurboAss cross assembler 6502\n";

class Assembler {
  public:
    // Uses `files` for all file access (the disk when null).
    explicit Assembler(AssemblerOptions options = {}, AssemblerFiles* files = nullptr);
    ~Assembler();
    Assembler(const Assembler&) = delete;
    Assembler& operator=(const Assembler&) = delete;

    // Assembles the source at `sourcePath`: listing beside it (same name,
    // ".txt"), object files ".prg". Returns the number of errors printed.
    // The run is refused, and nothing is written, when the source cannot be
    // read or an output would replace it.
    int assembleFile(const std::string& sourcePath);

    // Called for every message printed to the listing.
    void setMessageSink(std::function<void(const AssemblerMessage&)> sink) {
        messageSink_ = std::move(sink);
    }
    // Called with the listing path when the options ask to show the results.
    void setDocumentOpener(std::function<void(const std::string&)> opener) {
        documentOpener_ = std::move(opener);
    }

    int errorCount() const { return errorCount_; }
    // The pass running now, or the last one that ran.
    const PassStatistics& passStatistics() const { return stats_; }
    int warningCount() const { return warningCount_; }
    // True when the last run was refused: it assembled and wrote nothing.
    bool refused() const { return refused_; }
    const std::string& listingPath() const { return listingPath_; }
    // The code image as the last pass left it.
    const std::vector<std::uint8_t>& codeImage() const { return image_; }
    SymbolTable& symbols() { return symbols_; }

    // The path without its extension: up to the last "." of the file name.
    static std::string basePathOf(const std::string& sourcePath);

  private:
    // Result of one token: go on, a hard error number, or the end of the pass.
    static constexpr int kContinue = 0;
    static constexpr int kPassEnded = -1;

    // source_file.cpp
    bool readSource(const std::string& sourcePath);
    bool outputsSpareTheSource(const std::string& sourcePath);
    void refuse(std::string_view text, std::string_view detail);
    // passes.cpp
    int runPass(const SourceCursor& start, bool firstPass);
    void startLine();
    void reportMessages();
    void printMessage(MessageKind kind, std::uint8_t code, std::int32_t line,
                      std::string_view detail);
    void printHardError(int code, bool firstPass);
    void reportLateWriteFailure(const std::string& path, std::string_view reason);
    std::int32_t endLine() const { return endLine_ != 0 ? endLine_ : lineNumber_; }
    std::int32_t messageLine() const { return onTailLine_ ? endLine_ : lineNumber_; }
    void writeListing(std::string_view text);
    // parser.cpp
    bool skipLine();
    std::int32_t clampPosition(std::int32_t position) const;
    // parser.cpp
    int handleToken();
    int identifierToken();
    SymbolRecord* lookupIdentifier(SymbolList list, bool create);
    void actOnIdentifier(SymbolRecord* record);
    void hashToken();
    void equalsToken();
    void commaToken();
    void closeBracketToken();
    void startDirective(std::uint16_t number);
    int endOfLine();
    int finishStatement();
    // expression.cpp
    void numberToken(int base, std::int32_t start);
    void stringToken();
    bool readString();
    void applyOperator();
    void openBracket();
    // operand_output.cpp
    void requestOutput();
    void outputOperand();
    void putByte(std::uint8_t value);
    // instruction_encoder.cpp
    void encodeInstruction();
    // directives.cpp
    int executeStatement();
    bool applyLabel();
    // skip_scanner.cpp
    int scanSkipped();
    void startSkipping();
    void endSkipping();
    // macros.cpp
    int expandMarker();
    int callMacro();
    int endMacro();
    // object_file.cpp
    void writeSegment();
    // label_phase.cpp
    void setLabelAddress(SymbolRecord& label, std::int32_t address);
    void reportUnreachedLabels();
    // label_file.cpp
    void writeLabelFile();

    // The mode the first pass chose for an instruction, or kNoModeChoice.
    std::uint8_t modeChoiceOf(std::uint32_t instruction) const {
        return instruction < modeChoices_.size() ? modeChoices_[instruction] : kNoModeChoice;
    }
    // `detail` names what the message is about where its text does not.
    void setError(std::uint8_t code, std::string_view detail = {}) {
        errorCode_ = code;
        errorDetail_.assign(detail);
    }
    void setWarning(std::uint8_t code, std::string_view detail = {}) {
        warningCode_ = code;
        warningDetail_.assign(detail);
    }
    std::uint8_t byteAt(std::int32_t position) const {
        return source_[static_cast<std::size_t>(position)];
    }
    // The source text from `start` up to (not including) `end`.
    std::string_view sourceText(std::int32_t start, std::int32_t end) const {
        return {reinterpret_cast<const char*>(source_.data()) + start,
                static_cast<std::size_t>(end - start)};
    }

    AssemblerOptions options_;             // the options, the line limit, the label file
    std::unique_ptr<DiskFiles> ownFiles_;  // disk access when no files were given
    AssemblerFiles* files_;                // where files are read and written
    std::function<void(const AssemblerMessage&)> messageSink_;  // printed messages
    std::function<void(const std::string&)> documentOpener_;    // shows the listing

    SymbolTable symbols_;              // keywords and user symbols
    BlockTablePtr blocks_;             // .block nesting (large, on the heap)
    std::vector<std::uint8_t> image_;  // 64 KB code image addressed by pc
    SourceText source_;                // the source text with the appended tail
    SourceCursor cursor_;              // current reading position
    SourceStack stack_;                // saved cursors of macro calls and markers

    std::vector<std::uint8_t> modeChoices_;  // first pass: mode chosen per instruction, in order
    std::uint32_t instructionCount_ = 0;     // instructions read so far in this pass

    LineState line_;                                     // statement being parsed
    std::array<BracketEntry, kMaxBrackets> brackets_{};  // saved values of open brackets
    std::int32_t exprValue_ = 0;                         // expression value so far (kept)
    std::int32_t operandValue_ = 0;                      // value of the last operand (kept)
    bool resetPending_ = true;                           // the next step starts a new line

    bool firstPass_ = true;                       // 1 in the first pass
    std::uint16_t pc_ = kDefaultStart;            // address counter
    std::uint16_t segmentStart_ = kDefaultStart;  // where the current segment began
    std::int32_t offsValue_ = 0;                  // last .offs
    std::int32_t eorValue_ = 0;                   // last .eor
    std::int32_t lineNumber_ = 0;                 // line number for messages
    bool onTailLine_ = false;                     // the line is the "*=" appended to the source
    std::int32_t endLine_ = 0;                    // the source's last line, once the pass met it
    PassStatistics stats_;                        // what the pass has done so far
    std::int32_t macroDepth_ = 0;                 // macro expansions in progress
    std::uint8_t skipMode_ = 0;              // 0 normal, 1 macro definition, 2 false conditional
    bool definingMacro_ = false;             // the skipped region is a macro definition
    std::int32_t ifOpen_ = 0;                // conditionals executed and not yet closed
    std::int32_t ifSkipDepth_ = 0;           // nesting inside a skipped conditional
    std::uint8_t errorCode_ = kNoError;      // error of the current token
    std::uint8_t warningCode_ = kNoWarning;  // warning of the current token
    std::string_view identifier_;            // the identifier read last, uncut
    std::string errorDetail_;                // what the error is about, or empty
    std::string warningDetail_;              // what the warning is about, or empty

    int errorCount_ = 0;             // errors printed in the run
    int warningCount_ = 0;           // warnings printed in the run
    bool refused_ = false;           // the run was refused
    std::int32_t sourceLength_ = 0;  // bytes of the source file, without the tail
    std::string sourcePath_;         // the source file
    std::string basePath_;           // source path without its extension
    std::string listingPath_;        // basePath + ".txt"
};

}  // namespace brimwick::assembler
