// Helpers for the assembler tests: assemble a source held in memory and
// collect the listing, the object files and the printed messages.
#pragma once

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "asm/assembler.h"

namespace brimwick::assembler::test {

inline constexpr const char* kSourcePath = "/src/demo.a64";

// One printed message, with its own copy of the text.
struct Message {
    MessageKind kind;
    std::string text;
    int line;
    bool firstPass;
    std::string detail;
};

struct RunResult {
    int errors = 0;                              // assembleFile's result
    std::string listing;                         // the listing text
    std::map<std::string, std::string> written;  // every file written, by path
    std::vector<Message> messages;               // printed messages in order
    std::vector<std::uint8_t> image;             // the code image after the run
    std::vector<std::string> opened;             // paths handed to the document opener

    // Texts of the printed errors and warnings, "error: x" / "warning: y".
    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const auto& m : messages)
            out.push_back((m.kind == MessageKind::Warning ? "warning: " : "error: ") + m.text);
        return out;
    }
    // The bytes of an object file without its load address.
    std::string code(const std::string& path = "/src/democ000.prg") const {
        auto it = written.find(path);
        return it == written.end() || it->second.size() < 2 ? std::string() : it->second.substr(2);
    }
};

// Joins lines with CR LF (the last line gets one too).
inline std::string lines(std::initializer_list<std::string_view> source) {
    std::string text;
    for (auto line : source) {
        text += line;
        text += "\r\n";
    }
    return text;
}

inline RunResult assembleText(std::string_view source, AssemblerOptions options = {},
                              const std::string& path = kSourcePath,
                              MemoryFiles* useFiles = nullptr) {
    MemoryFiles ownFiles;
    MemoryFiles& files = useFiles != nullptr ? *useFiles : ownFiles;
    files.addSource(path, source);
    RunResult result;
    auto assembler = std::make_unique<Assembler>(options, &files);
    assembler->setMessageSink([&](const AssemblerMessage& m) {
        result.messages.push_back(
            {m.kind, std::string(m.text), m.line, m.firstPass, std::string(m.detail)});
    });
    assembler->setDocumentOpener([&](const std::string& p) { result.opened.push_back(p); });
    result.errors = assembler->assembleFile(path);
    result.image = assembler->codeImage();
    result.written = files.written();
    auto it = result.written.find(Assembler::basePathOf(path) + ".txt");
    if (it != result.written.end()) result.listing = it->second;
    return result;
}

// Bytes as a string, for comparing with object file contents.
inline std::string bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) s.push_back(static_cast<char>(v));
    return s;
}

// Hex dump "A9 41" of a byte string, for readable failures.
inline std::string hex(std::string_view data) {
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : data) {
        if (!out.empty()) out += ' ';
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

// Runs a program with its arguments, its stderr sent to `stderrPath` and its
// stdout to `stdoutPath` (each dropped when empty); returns its exit status.
inline int runProgram(const std::vector<std::string>& argv, const std::string& stderrPath = {},
                      const std::string& stdoutPath = {}) {
    const pid_t child = fork();
    if (child == 0) {
        const int devNull = open("/dev/null", O_WRONLY);
        auto sendTo = [devNull](const std::string& path) {
            return path.empty() ? devNull : open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        };
        dup2(sendTo(stdoutPath), 1);
        dup2(sendTo(stderrPath), 2);
        std::vector<char*> args;
        for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execvp(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace brimwick::assembler::test
