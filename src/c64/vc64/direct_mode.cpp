// Running a line in BASIC's direct mode.
#include "c64/vc64/direct_mode.h"

#include <cstddef>
#include <functional>
#include <optional>

#include "c64/vc64/basic_expression.h"
#include "c64/vc64/basic_program.h"
#include "c64/vc64/basic_tokens.h"
#include "link/c64_locations.h"

namespace brimwick::c64::vc64 {

namespace {

constexpr std::uint8_t kQuote = '"';
constexpr std::uint8_t kWedge = '@';
constexpr int kDirectoryFile = 0x7F;  // logical file the wedge reads the directory on
constexpr int kDirectoryBytes = 0x10000;

constexpr std::string_view kSyntax = "SYNTAX";
constexpr std::string_view kIllegalQuantity = "ILLEGAL QUANTITY";
constexpr std::string_view kIllegalDevice = "ILLEGAL DEVICE NUMBER";
constexpr std::string_view kMissingName = "MISSING FILE NAME";
constexpr std::string_view kNotPresent = "DEVICE NOT PRESENT";
constexpr std::string_view kNotFound = "FILE NOT FOUND";
constexpr std::string_view kVerify = "VERIFY";
constexpr std::string_view kOutOfMemory = "OUT OF MEMORY";

// Reads a crunched line the way BASIC's CHRGET does: blanks between the
// parts of a statement are skipped.
class Reader {
  public:
    explicit Reader(const std::vector<std::uint8_t>& text, std::size_t at = 0)
        : text_(text), at_(at) {}
    explicit Reader(std::vector<std::uint8_t>&&) = delete;  // it keeps a reference

    int peek() {
        while (at_ < text_.size() && text_[at_] == ' ') ++at_;
        return at_ < text_.size() ? text_[at_] : -1;
    }
    void skip() { ++at_; }
    bool statementEnds() {
        int c = peek();
        return c < 0 || c == ':';
    }
    bool digitAhead() {
        int c = peek();
        return c >= '0' && c <= '9';
    }
    // A line number or byte value: digits, blanks between them skipped.
    // Nothing when there are no digits or the value passes `limit`.
    std::optional<int> number(int limit) {
        int value = 0;
        bool any = false;
        while (digitAhead()) {
            value = value * 10 + (text_[at_] - '0');
            if (value > limit) value = limit + 1;
            any = true;
            skip();
        }
        if (!any) return std::nullopt;
        return value;
    }
    // The reading position, for the expression reader.
    std::size_t& position() { return at_; }
    // What is left of the line.
    std::vector<std::uint8_t> rest() const {
        return {text_.begin() + static_cast<std::ptrdiff_t>(at_), text_.end()};
    }
    // Quoted text: up to the closing quote or the end of the line.
    std::string quoted() {
        std::string text;
        skip();
        while (at_ < text_.size() && text_[at_] != kQuote) text.push_back(static_cast<char>(text_[at_++]));
        if (at_ < text_.size()) ++at_;
        return text;
    }

  private:
    const std::vector<std::uint8_t>& text_;  // the crunched line
    std::size_t at_ = 0;                     // next byte
};

// LOAD, SAVE and VERIFY's "NAME",DEV,SA; the error's text, or empty.
std::string_view fileArguments(Reader& in, FileArguments& file) {
    if (in.statementEnds()) return {};
    if (in.peek() != kQuote) return kSyntax;
    file.name = in.quoted();
    for (int* value : {&file.device, &file.secondary}) {
        if (in.statementEnds()) return {};
        if (in.peek() != ',') return kSyntax;
        in.skip();
        std::optional<int> n = in.number(255);
        if (!n) return kSyntax;
        if (*n > 255) return kIllegalQuantity;
        *value = *n;
    }
    return in.statementEnds() ? std::string_view{} : kSyntax;
}

// Why the kernal refuses a LOAD, SAVE or VERIFY at once, or nothing.
std::string_view unusable(const FileArguments& file) {
    if (file.device < kFirstSerialDevice) return kIllegalDevice;
    if (file.name.empty()) return kMissingName;
    return {};
}

}  // namespace

void DirectMode::print(std::string_view petscii) {
    for (char c : petscii) kernal.screen.print(kernal.c64.memory, static_cast<std::uint8_t>(c));
}

void DirectMode::error(std::string_view message) {
    print("\r?");
    print(message);
    print("  ERROR");
}

void DirectMode::printLine(int number, const std::vector<std::uint8_t>& text) {
    print(std::to_string(number));
    print(" ");
    bool inQuotes = false;
    for (std::uint8_t c : text) {
        if (c == kQuote) inQuotes = !inQuotes;
        std::string_view keyword = keywordOf(c);
        if (inQuotes || c == kPiToken || keyword.empty()) {
            kernal.screen.print(kernal.c64.memory, c);
        } else {
            print(keyword);
        }
    }
}

Task<int> DirectMode::run(std::vector<std::uint8_t> line) {
    // The editor leaves the line in BASIC's input buffer.
    for (std::size_t i = 0; i <= line.size() && i < 89; ++i)
        kernal.c64.memory.write(link::kC64InputLine + static_cast<int>(i),
                                i < line.size() ? line[i] : 0);
    if (!line.empty() && line.front() == kWedge) {
        co_await wedge(std::string(line.begin() + 1, line.end()));
        ready();
        co_return 0;
    }
    std::vector<std::uint8_t> text = crunch(line);
    Reader in(text);
    if (in.peek() < 0) co_return 0;  // RETURN on an empty line does nothing
    if (in.digitAhead()) {
        std::optional<int> number = in.number(kMaxLineNumber);
        if (*number > kMaxLineNumber) {
            error(kSyntax);
            ready();
        } else {
            // The text after the number, the blanks before it dropped.
            in.peek();
            std::vector<std::uint8_t> rest = in.rest();
            if (!enterLine(kernal.c64.memory, *number, rest)) {
                error(kOutOfMemory);
                ready();
            }
        }
        co_return 0;
    }
    co_return co_await statements(std::move(text), in.position());
}

void DirectMode::ready() {
    print("\rREADY.\r");
    kernal.c64.memory.write(kMessageFlag, kDirectModeMessages);  // direct mode again
}

Task<int> DirectMode::resume() {
    std::vector<std::uint8_t> rest = std::move(afterSys);
    afterSys.clear();
    co_return co_await statements(std::move(rest), 0);
}

int DirectMode::fre() const {
    // No strings are kept: everything from the end of the arrays to the
    // end of BASIC RAM is free.
    int free = kProgramLimit - kernal.c64.memory.readWord(kStrEnd);
    return free > 32767 ? free - 65536 : free;
}

ExpressionReader DirectMode::expressionsAt(const std::vector<std::uint8_t>& text, std::size_t& at) {
    return ExpressionReader(
        text, at, [this](int address) { return machine.bus.read(static_cast<std::uint16_t>(address)); },
        [this] { return fre(); });
}

bool DirectMode::printStatement(const std::vector<std::uint8_t>& text, std::size_t& at) {
    constexpr int kZone = 10;  // a comma moves to the next zone of ten columns
    auto& memory = kernal.c64.memory;
    ExpressionReader expressions = expressionsAt(text, at);
    bool newLine = true;
    for (;;) {
        int c = expressions.peekByte();
        if (c < 0 || c == ':') break;
        if (c == ';') {
            ++at;
            newLine = false;
            continue;
        }
        if (c == ',') {
            ++at;
            do {
                kernal.screen.print(memory, kCursorRight);
            } while (kernal.screen.column % kZone != 0);
            newLine = false;
            continue;
        }
        BasicValue value = expressions.expression();
        print(value.isString ? value.text : formatNumber(value.number));
        newLine = true;
    }
    if (newLine) print("\r");
    return true;
}

bool DirectMode::runProgram(const std::vector<std::uint8_t>& text, std::size_t& at) {
    Reader in(text, at);
    if (!in.statementEnds()) throw BasicError{kSyntax};
    std::vector<BasicLine> lines = programLines(kernal.c64.memory);
    if (lines.empty()) return false;
    // The first line must be SYS and an address, as a machine-code
    // program's BASIC start line is.
    const std::vector<std::uint8_t>& first = lines.front().text;
    std::size_t pos = 0;
    while (pos < first.size() && first[pos] == ' ') ++pos;
    if (pos < first.size() && first[pos] == kTokenSys) {
        ++pos;
        try {
            ExpressionReader address = expressionsAt(first, pos);
            int start = address.integer(0, 0xFFFF);
            kernal.c64.memory.write(kMessageFlag, 0);  // a program's LOAD says nothing
            machine.startSys(start);
            return true;
        } catch (const BasicError&) {
            // Not a plain SYS address: a BASIC program after all.
        }
    }
    print(kCannotRun);
    return false;
}

Task<int> DirectMode::statements(std::vector<std::uint8_t> text, std::size_t at) {
    Reader in(text, at);
    for (bool goOn = true; goOn;) {
        int c = in.peek();
        if (c < 0) break;
        in.skip();
        if (c == ':') continue;
        FileArguments file;
        std::string_view wrong;
        try {
            switch (c) {
                case kTokenLoad:
                case kTokenVerify:
                    wrong = fileArguments(in, file);
                    break;
                case kTokenSave:
                    wrong = fileArguments(in, file);
                    break;
                case kTokenList: {
                    int from = 0, to = kMaxLineNumber;
                    std::optional<int> first = in.number(kMaxLineNumber);
                    if (first) from = to = *first;
                    if (in.peek() == kTokenMinus) {
                        in.skip();
                        to = in.number(kMaxLineNumber).value_or(kMaxLineNumber);
                    }
                    if (!in.statementEnds() || from > kMaxLineNumber || to > kMaxLineNumber) {
                        wrong = kSyntax;
                    } else {
                        goOn = list(from, to);
                    }
                    break;
                }
                case kTokenNew:
                    if (!in.statementEnds()) {
                        wrong = kSyntax;
                    } else {
                        clearProgram(kernal.c64.memory);
                        goOn = false;
                    }
                    break;
                case kTokenPoke: {
                    ExpressionReader expressions = expressionsAt(text, in.position());
                    int address = expressions.integer(0, 0xFFFF);
                    if (expressions.peekByte() != ',') throw BasicError{kSyntax};
                    in.skip();
                    int value = expressions.integer(0, 0xFF);
                    if (!in.statementEnds()) throw BasicError{kSyntax};
                    machine.bus.write(static_cast<std::uint16_t>(address),
                                      static_cast<std::uint8_t>(value));
                    break;
                }
                case kTokenPrint:
                    printStatement(text, in.position());
                    break;
                case kTokenSys: {
                    ExpressionReader expressions = expressionsAt(text, in.position());
                    int address = expressions.integer(0, 0xFFFF);
                    if (!in.statementEnds()) throw BasicError{kSyntax};
                    afterSys = in.rest();
                    machine.startSys(address);
                    co_return 0;  // the program runs; `resume` goes on after it
                }
                case kTokenRun:
                    if (runProgram(text, in.position())) co_return 0;
                    goOn = false;
                    break;
                default:
                    wrong = kSyntax;
            }
        } catch (const BasicError& e) {
            wrong = e.message;
        }
        if (wrong.empty() && (c == kTokenLoad || c == kTokenVerify)) {
            goOn = co_await load(file, c == kTokenVerify);
        } else if (wrong.empty() && c == kTokenSave) {
            goOn = co_await save(file);
        }
        if (!wrong.empty()) {
            error(wrong);
            goOn = false;
        }
    }
    ready();
    co_return 0;
}

Task<bool> DirectMode::load(FileArguments file, bool verify) {
    if (std::string_view wrong = unusable(file); !wrong.empty()) {
        error(wrong);
        co_return false;
    }
    print("\rSEARCHING FOR ");
    print(file.name);
    TransferResult result =
        co_await kernal.load(file.device, file.name, file.secondary, true, verify);
    if ((result.st & link::kStDeviceNotPresent) != 0) {
        error(kNotPresent);
        co_return false;
    }
    wedgeDevice = file.device;
    if (!result.ok) {
        error(kNotFound);
        co_return false;
    }
    print(verify ? "\rVERIFYING" : "\rLOADING");
    if (verify) {
        if ((result.st & link::kStVerifyError) != 0) {
            error(kVerify);
            co_return false;
        }
        print("\rOK\r");
        co_return true;
    }
    // BASIC takes the end of what was loaded as the end of its program
    // and mends the links; in direct mode a LOAD ends the line.
    auto& memory = kernal.c64.memory;
    setProgramEnd(memory, result.end);
    relink(memory);
    co_return false;
}

Task<bool> DirectMode::save(FileArguments file) {
    if (std::string_view wrong = unusable(file); !wrong.empty()) {
        error(wrong);
        co_return false;
    }
    print("\rSAVING ");
    print(file.name);
    auto& memory = kernal.c64.memory;
    TransferResult result = co_await kernal.save(file.device, file.name, memory.readWord(kTxtTab),
                                                 memory.readWord(kVarTab), true);
    if ((result.st & link::kStDeviceNotPresent) != 0) {
        error(kNotPresent);
        co_return false;
    }
    // A drive that refused the file (it exists, the disk is full) says so
    // only in its status, as with a real C64.
    wedgeDevice = file.device;
    co_return true;
}

bool DirectMode::list(int from, int to) {
    for (const BasicLine& line : programLines(kernal.c64.memory)) {
        if (line.number < from) continue;
        if (line.number > to) break;
        print("\r");
        printLine(line.number, line.text);
    }
    return false;
}

void DirectMode::wedgeStatus() {
    if ((kernal.st() & link::kStDeviceNotPresent) != 0) {
        error(kNotPresent);
    } else {
        print(kernal.statusText);
    }
}

Task<int> DirectMode::wedge(std::string command) {
    while (!command.empty() && command.back() == ' ') command.pop_back();
    if (!command.empty() && command.front() == '$') co_return co_await wedgeDirectory(command);
    if (!command.empty() && command.front() == '#') {
        std::vector<std::uint8_t> number(command.begin() + 1, command.end());
        Reader in(number);
        std::optional<int> device = in.number(255);
        if (!device || !in.statementEnds()) {
            error(kSyntax);
        } else if (*device < kFirstSerialDevice || *device > 30) {
            error(kIllegalDevice);
        } else {
            wedgeDevice = *device;
        }
        co_return 0;
    }
    if (!command.empty()) {
        co_await kernal.command(wedgeDevice, command);
        if ((kernal.st() & link::kStDeviceNotPresent) != 0) {
            error(kNotPresent);
            co_return 0;
        }
    }
    co_await kernal.readStatus(wedgeDevice);
    wedgeStatus();
    co_return 0;
}

Task<int> DirectMode::wedgeDirectory(std::string name) {
    co_await kernal.open(kDirectoryFile, wedgeDevice, 0, name);
    if ((kernal.st() & link::kStDeviceNotPresent) != 0) {
        kernal.files.erase(kDirectoryFile);
        error(kNotPresent);
        co_return 0;
    }
    co_await kernal.get(kDirectoryFile, kDirectoryBytes);
    std::vector<std::uint8_t> bytes = kernal.received;
    co_await kernal.close(kDirectoryFile);
    // The listing is a BASIC program: its load address, then lines of a
    // link, a number (the blocks) and the text up to a 0.
    std::size_t at = 2;
    bool first = true;
    while (at + 4 <= bytes.size() && (bytes[at] != 0 || bytes[at + 1] != 0)) {
        int number = bytes[at + 2] | (bytes[at + 3] << 8);
        at += 4;
        std::vector<std::uint8_t> text;
        while (at < bytes.size() && bytes[at] != 0) text.push_back(bytes[at++]);
        ++at;
        if (!first) print("\r");
        first = false;
        printLine(number, text);
    }
    co_return 0;
}

}  // namespace brimwick::c64::vc64
