// The examples of the assembler's syntax guide (docs/assembler.md), read from
// the guide itself. An example is a fenced block whose info string starts
// with "asm"; the paragraph right after it is its result, and every code span
// in that paragraph is one expected outcome: an object file as "c000: a9 01"
// (its load address and bytes) or a message as "2: error: syntax: -" (line,
// kind, text and what it is about, as on stderr). An info string of
// "asm turboass-only" keeps the example out of the 64tass cross-check.
#pragma once

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace brimwick::assembler::test {

struct GuideExample {
    int line = 0;                       // line of the opening fence in the guide
    std::string source;                 // the example's text, LF line ends
    bool crossCheck = true;             // 64tass assembles it alike
    std::vector<std::string> outcomes;  // the code spans of the result paragraph
};

inline std::vector<GuideExample> readGuideExamples(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    std::vector<GuideExample> examples;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].rfind("```asm", 0) != 0) continue;
        GuideExample example;
        example.line = static_cast<int>(i) + 1;
        example.crossCheck = lines[i].find("turboass-only") == std::string::npos;
        for (++i; i < lines.size() && lines[i].rfind("```", 0) != 0; ++i)
            example.source += lines[i] + "\n";
        // The result: the next paragraph.
        std::size_t p = i + 1;
        while (p < lines.size() && lines[p].empty()) ++p;
        std::string paragraph;
        for (; p < lines.size() && !lines[p].empty() && lines[p].rfind("```", 0) != 0; ++p)
            paragraph += lines[p] + " ";
        for (std::size_t open = paragraph.find('`'); open != std::string::npos;
             open = paragraph.find('`', open)) {
            const std::size_t close = paragraph.find('`', open + 1);
            if (close == std::string::npos) break;
            example.outcomes.push_back(paragraph.substr(open + 1, close - open - 1));
            open = close + 1;
        }
        examples.push_back(std::move(example));
    }
    return examples;
}

}  // namespace brimwick::assembler::test
