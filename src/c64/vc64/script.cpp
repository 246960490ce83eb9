// Parsing and running vc64 scripts.
#include "c64/vc64/script.h"

#include <cctype>
#include <istream>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <vector>

#include "c64/machine/vic_palette.h"
#include "c64/vc64/hex_text.h"
#include "link/screen_mirror.h"
#include "link/terminal_view.h"
#include "platform/file.h"
#include "platform/png_writer.h"

namespace brimwick::c64::vc64 {

namespace {

// A script line cut into words; quoted words keep their bytes.
struct Word {
    std::string text;     // the word, escapes resolved
    bool quoted = false;  // it was written in double quotes
};

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::vector<Word> splitWords(const std::string& line) {
    std::vector<Word> words;
    std::size_t i = 0;
    while (i < line.size()) {
        if (std::isspace(static_cast<unsigned char>(line[i]))) {
            ++i;
            continue;
        }
        Word word;
        if (line[i] == '"') {
            word.quoted = true;
            ++i;
            bool closed = false;
            while (i < line.size()) {
                char c = line[i++];
                if (c == '"') {
                    closed = true;
                    break;
                }
                if (c == '\\' && i < line.size()) {
                    char e = line[i++];
                    if ((e == 'x' || e == 'X') && i + 1 < line.size() && hexDigit(line[i]) >= 0 &&
                        hexDigit(line[i + 1]) >= 0) {
                        word.text.push_back(
                            static_cast<char>(hexDigit(line[i]) * 16 + hexDigit(line[i + 1])));
                        i += 2;
                    } else if (e == '"' || e == '\\') {
                        word.text.push_back(e);
                    } else if (e == 'r') {
                        word.text.push_back('\r');
                    } else {
                        throw std::runtime_error(std::string("unknown escape \\") + e);
                    }
                    continue;
                }
                word.text.push_back(c);
            }
            if (!closed) throw std::runtime_error("missing closing quote");
        } else {
            while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i])))
                word.text.push_back(line[i++]);
        }
        words.push_back(std::move(word));
    }
    return words;
}

int number(const Word& w, int low, int high, const char* what) {
    std::size_t used = 0;
    int value = 0;
    try {
        value = std::stoi(w.text, &used, 0);
    } catch (const std::exception&) {
        used = 0;
    }
    if (w.quoted || used != w.text.size() || value < low || value > high)
        throw std::runtime_error(std::string("bad ") + what + " '" + w.text + "'");
    return value;
}

const std::string& quoted(const Word& w, const char* what) {
    if (!w.quoted) throw std::runtime_error(std::string(what) + " must be in double quotes");
    return w.text;
}

void need(const std::vector<Word>& words, std::size_t count, const char* usage) {
    if (words.size() < count) throw std::runtime_error(std::string("usage: ") + usage);
}

void printRows(std::ostream& out, const std::uint8_t* screen);

// The terminal of a window that shows the mirrored screen, for `screen`.
struct ScriptTerminal : link::TerminalView {
    int repaints = 0;  // full screens mirrored
    bool terminalShown() const override { return true; }
    bool minimized() const override { return false; }
    void invalidateTerminal() override { ++repaints; }
};

// Keyboard polls with the terminal shown until a whole screen has been
// mirrored, as the window's terminal does; the rows of the mirror.
void printScreen(std::ostream& out, VirtualSetup& setup) {
    ScriptTerminal terminal;
    link::TerminalView* before = setup.dispatcher.view;
    setup.dispatcher.view = &terminal;
    constexpr int kPollsPerScreen = 3 * link::kScreenBytes / link::kMirrorSlice;
    for (int i = 0; i < 2 * kPollsPerScreen && terminal.repaints == 0; ++i)
        setup.jiffy();
    setup.dispatcher.view = before;
    if (terminal.repaints == 0) throw std::runtime_error("the screen was not mirrored");
    printRows(out, setup.mirror.screenMirror.data());
}

// The operations on the PC side, the same whatever C64 is on the cable:
// true when `w` was one of them.
bool runSharedOperation(const std::vector<Word>& w, std::ostream& out, link::PcSide& setup,
                        const ExecuteHook& execute) {
    const std::string& op = w[0].text;
    if (op == "serve") {
        need(w, 3, "serve DEV PATH");
        int device = number(w[1], 5, 14, "device");
        drive::DriveUnit& unit = setup.serve(device, w[2].text);
        out << "serve " << device << (unit.hostMode ? " dir " : " image ") << w[2].text << '\n';
    } else if (op == "exec") {
        need(w, 2, "exec \"STRING\"");
        const std::string& text = quoted(w[1], "STRING");
        if (!execute) throw std::runtime_error("no shell commands here");
        execute(text);
        out << "exec " << text << '\n';
    } else if (op == "type") {
        need(w, 2, "type \"TEXT\"");
        bool queued = setup.keyboard.typeText(setup.link, setup.settings,
                                              TextSlice(quoted(w[1], "TEXT").c_str()));
        out << (queued ? "type queued" : "type refused: a text is still being typed") << '\n';
    } else {
        return false;
    }
    return true;
}

// Runs one line's `body`; a failure becomes the line's "error:" line.
template <typename Body>
bool guarded(std::ostream& out, Body body) {
    try {
        body();
        return true;
    } catch (const std::exception& e) {
        out << "error: " << e.what() << '\n';
    } catch (const platform::FileError& e) {
        out << "error: " << e.message() << '\n';
    }
    return false;
}

// Operations only the emulated C64 (the whole machine) can do.
bool emulatedOnly(const std::string& op) {
    return op == "press" || op == "run" || op == "wait" || op == "screenshot";
}

// Operations of the virtual C64's own kernal, which the emulated C64 has not.
bool virtualOnly(const std::string& op) {
    for (const char* name : {"load", "save", "open", "print", "get", "close", "status", "cmd", "keys",
                             "ext", "upload"})
        if (op == name) return true;
    return false;
}

// The rows of a text screen as the transcript shows them.
void printRows(std::ostream& out, const std::uint8_t* screen) {
    for (int row = 0; row < link::kScreenRows; ++row) {
        std::string line;
        for (int column = 0; column < link::kScreenColumns; ++column) {
            std::uint8_t c = screen[row * link::kScreenColumns + column];
            line += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '.';
        }
        out << '|' << line << "|\n";
    }
}

// The emulated C64's text screen, as the terminal would show it.
std::vector<std::uint8_t> emulatedScreen(EmulatedSetup& setup) {
    std::vector<std::uint8_t> codes = setup.c64.screenCodes();
    for (std::uint8_t& c : codes) c = link::screenCodeToDisplay(c);
    return codes;
}

bool screenShows(EmulatedSetup& setup, const std::string& text) {
    std::vector<std::uint8_t> screen = emulatedScreen(setup);
    for (int row = 0; row < link::kScreenRows; ++row) {
        std::string line(screen.begin() + row * link::kScreenColumns,
                         screen.begin() + (row + 1) * link::kScreenColumns);
        if (line.find(text) != std::string::npos) return true;
    }
    return false;
}

double seconds(const Word& w, const char* what) {
    std::size_t used = 0;
    double value = -1;
    try {
        value = std::stod(w.text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (w.quoted || used != w.text.size() || !(value >= 0) || value > 3600)
        throw std::runtime_error(std::string("bad ") + what + " '" + w.text + "'");
    return value;
}

}  // namespace

bool runScriptLine(const std::string& line, std::ostream& out, VirtualSetup& setup,
                   const ExecuteHook& execute) {
    VirtualKernal& k = setup.kernal;
    return guarded(out, [&] {
        std::vector<Word> w = splitWords(line);
        if (w.empty() || (!w[0].quoted && w[0].text[0] == '#')) return;
        const std::string& op = w[0].text;
        setup.c64.cable.failure.clear();
        auto checkLink = [&]() {
            if (!setup.c64.cable.failure.empty())
                throw std::runtime_error("link: " + setup.c64.cable.failure);
        };
        if (runSharedOperation(w, out, setup, execute)) {
            // served, exec or typed
        } else if (emulatedOnly(op)) {
            throw std::runtime_error("'" + op + "' needs the emulated C64 (--roms DIR)");
        } else if (op == "load") {
            need(w, 3, "load DEV \"NAME\" [SA] [fast] [verify] [> FILE]");
            int device = number(w[1], 0, 31, "device");
            const std::string& name = quoted(w[2], "NAME");
            int secondary = 0;
            bool fast = false, verify = false;
            std::optional<std::string> target;
            for (std::size_t i = 3; i < w.size(); ++i) {
                if (w[i].text == "fast" && !w[i].quoted) {
                    fast = true;
                } else if (w[i].text == "verify" && !w[i].quoted) {
                    verify = true;
                } else if (w[i].text == ">" && !w[i].quoted) {
                    if (i + 1 >= w.size()) throw std::runtime_error("'>' needs a file");
                    target = w[++i].text;
                } else {
                    secondary = number(w[i], 0, 15, "secondary address");
                }
            }
            TransferResult r = setup.run(k.load(device, name, secondary, fast, verify));
            checkLink();
            out << "load $" << hex4(r.start) << "-$" << hex4(r.end) << " st=$" << hex2(r.st)
                << '\n';
            if (target && r.ok) {
                std::vector<std::uint8_t> bytes = {static_cast<std::uint8_t>(r.start & 0xFF),
                                                   static_cast<std::uint8_t>(r.start >> 8)};
                for (int a = r.start; a < r.end; ++a)
                    bytes.push_back(setup.c64.memory.ram[static_cast<std::size_t>(a & 0xFFFF)]);
                platform::writeFileAtomically(*target, bytes.data(), bytes.size());
            }
        } else if (op == "save") {
            need(w, 4, "save DEV \"NAME\" FILE [fast]");
            int device = number(w[1], 0, 31, "device");
            const std::string& name = quoted(w[2], "NAME");
            std::vector<std::uint8_t> program = platform::readFile(w[3].text, 0x10002);
            if (program.size() < 2) throw std::runtime_error(w[3].text + " holds no load address");
            int start = program[0] | (program[1] << 8);
            int end = start + static_cast<int>(program.size()) - 2;
            if (end > 0x10000) throw std::runtime_error(w[3].text + " does not fit below $FFFF");
            for (std::size_t i = 2; i < program.size(); ++i)
                setup.c64.memory.write(start + static_cast<int>(i) - 2, program[i]);
            bool fast = w.size() > 4 && w[4].text == "fast";
            TransferResult r = setup.run(k.save(device, name, start, end, fast));
            checkLink();
            out << "save $" << hex4(r.start) << "-$" << hex4(r.end) << " st=$" << hex2(r.st)
                << '\n';
        } else if (op == "open") {
            need(w, 5, "open LFN DEV SA \"NAME\"");
            int lfn = number(w[1], 1, 255, "logical file");
            int device = number(w[2], 0, 31, "device");
            int secondary = number(w[3], 0, 15, "secondary address");
            setup.run(k.open(lfn, device, secondary, quoted(w[4], "NAME")));
            checkLink();
            out << "open " << lfn << " st=$" << hex2(k.st()) << '\n';
        } else if (op == "print") {
            need(w, 3, "print LFN \"TEXT\"");
            int lfn = number(w[1], 1, 255, "logical file");
            setup.run(k.print(lfn, quoted(w[2], "TEXT")));
            checkLink();
            out << "print " << lfn << " st=$" << hex2(k.st()) << '\n';
        } else if (op == "get") {
            need(w, 3, "get LFN N");
            int lfn = number(w[1], 1, 255, "logical file");
            int count = number(w[2], 1, 65536, "count");
            setup.run(k.get(lfn, count));
            checkLink();
            out << "get " << lfn << ":";
            for (std::uint8_t b : k.received) out << ' ' << hex2(b);
            out << " st=$" << hex2(k.st()) << '\n';
        } else if (op == "close") {
            need(w, 2, "close LFN");
            int lfn = number(w[1], 1, 255, "logical file");
            setup.run(k.close(lfn));
            checkLink();
            out << "close " << lfn << '\n';
        } else if (op == "status") {
            need(w, 2, "status DEV");
            int device = number(w[1], 0, 31, "device");
            setup.run(k.readStatus(device));
            checkLink();
            out << "status " << device << ": " << k.statusText << '\n';
        } else if (op == "cmd") {
            need(w, 3, "cmd DEV \"TEXT\"");
            int device = number(w[1], 0, 31, "device");
            setup.run(k.command(device, quoted(w[2], "TEXT")));
            checkLink();
            out << "cmd " << device << " st=$" << hex2(k.st()) << '\n';
        } else if (op == "keys") {
            need(w, 2, "keys N");
            int count = number(w[1], 1, 100000, "count");
            k.keys.clear();
            for (int i = 0; i < count; ++i) {
                setup.jiffy();
                checkLink();
            }
            out << "keys:";
            for (int key : k.keys)
                if (key != 0) out << ' ' << hex2(key);
            out << '\n';
        } else if (op == "ext") {
            std::vector<std::uint8_t> message;
            for (std::size_t i = 1; i < w.size(); ++i) {
                const std::string& t = w[i].text;
                if (t.size() % 2 != 0) throw std::runtime_error("bad hex '" + t + "'");
                for (std::size_t j = 0; j < t.size(); j += 2) {
                    int hi = hexDigit(t[j]), lo = hexDigit(t[j + 1]);
                    if (hi < 0 || lo < 0) throw std::runtime_error("bad hex '" + t + "'");
                    message.push_back(static_cast<std::uint8_t>(hi * 16 + lo));
                }
            }
            if (message.size() > 16) throw std::runtime_error("an extended message has 16 bytes");
            int end = setup.run(k.extendedMessage(message));
            checkLink();
            out << "ext " << (end == link::kServed ? "served" : "not served") << '\n';
        } else if (op == "upload") {
            int bytes = setup.run(k.upload());
            checkLink();
            out << "upload " << bytes << '\n';
        } else if (op == "screen") {
            printScreen(out, setup);
            checkLink();
        } else {
            throw std::runtime_error("unknown operation '" + op + "'");
        }
    });
}

bool runScriptLine(const std::string& line, std::ostream& out, EmulatedSetup& setup,
                   const ExecuteHook& execute) {
    return guarded(out, [&] {
        std::vector<Word> w = splitWords(line);
        if (w.empty() || (!w[0].quoted && w[0].text[0] == '#')) return;
        const std::string& op = w[0].text;
        if (runSharedOperation(w, out, setup, execute)) {
            // served, exec or typed
        } else if (virtualOnly(op)) {
            throw std::runtime_error("'" + op +
                                     "' needs the virtual C64's own kernal; on the emulated C64, "
                                     "press or type the C64 command instead");
        } else if (op == "press") {
            need(w, 2, "press \"TEXT\"");
            std::vector<KeyStroke> strokes;
            try {
                strokes = keyStrokesFor(quoted(w[1], "TEXT"));
            } catch (const std::invalid_argument& e) {
                throw std::runtime_error(e.what());
            }
            setup.press(strokes);
            out << "press " << strokes.size() << (strokes.size() == 1 ? " key" : " keys") << '\n';
        } else if (op == "run") {
            need(w, 2, "run SECONDS");
            const double s = seconds(w[1], "seconds");
            setup.runFor(static_cast<std::uint64_t>(s * setup.c64.clockHz()));
            out << "run " << w[1].text << " s\n";
        } else if (op == "wait") {
            need(w, 2, "wait \"TEXT\" [SECONDS]");
            const std::string& text = quoted(w[1], "TEXT");
            const double limit = w.size() > 2 ? seconds(w[2], "seconds") : kDefaultWaitSeconds;
            // The screen is looked at every 1/50 s of C64 time.
            const auto step = static_cast<std::uint64_t>(setup.c64.clockHz() / 50);
            const auto end = setup.c64.cycles() + static_cast<std::uint64_t>(limit * setup.c64.clockHz());
            bool shown = screenShows(setup, text);
            while (!shown && setup.c64.cycles() < end) {
                setup.runFor(step);
                shown = screenShows(setup, text);
            }
            if (!shown)
                throw std::runtime_error("\"" + text + "\" not on the screen after " +
                                         (w.size() > 2 ? w[2].text : std::string("10")) + " s");
            out << "wait \"" << text << "\" shown\n";
        } else if (op == "screen") {
            printRows(out, emulatedScreen(setup).data());
        } else if (op == "screenshot") {
            need(w, 2, "screenshot FILE.png");
            const std::vector<std::uint8_t>& picture = setup.c64.picture();
            std::vector<std::uint32_t> pixels(picture.size());
            for (std::size_t i = 0; i < picture.size(); ++i) pixels[i] = kPalette[picture[i] & 0x0F];
            platform::writePng(w[1].text, kPictureWidth, kPictureHeight, pixels);
            out << "screenshot " << w[1].text << " " << kPictureWidth << "x" << kPictureHeight << '\n';
        } else {
            throw std::runtime_error("unknown operation '" + op + "'");
        }
    });
}

template <typename Setup>
int runLines(std::istream& script, std::ostream& transcript, Setup& setup, const ExecuteHook& execute) {
    int failures = 0;
    std::string line;
    while (std::getline(script, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!runScriptLine(line, transcript, setup, execute)) ++failures;
    }
    return failures;
}

int runScript(std::istream& script, std::ostream& transcript, VirtualSetup& setup,
              const ExecuteHook& execute) {
    return runLines(script, transcript, setup, execute);
}

int runScript(std::istream& script, std::ostream& transcript, EmulatedSetup& setup,
              const ExecuteHook& execute) {
    return runLines(script, transcript, setup, execute);
}

}  // namespace brimwick::c64::vc64
