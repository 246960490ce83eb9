// Runs the built brimwick-cli and captures what it prints.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "temp_dir.h"

namespace brimwick::cli::testing {

struct CliResult {
    int status = -1;  // exit status
    std::string out;  // stdout
    std::string err;  // stderr
};

// Quotes one argument for the shell.
inline std::string shellQuote(const std::string& arg) {
    std::string quoted = "'";
    for (char c : arg) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

// Runs a program with arguments in `scratch`'s directory.
inline CliResult runProgram(const brimwick::testing::TempDir& scratch, const std::string& program,
                            const std::vector<std::string>& args) {
    std::string command = "cd " + shellQuote(scratch.path()) + " && " + shellQuote(program);
    for (const std::string& a : args) command += " " + shellQuote(a);
    std::string outFile = scratch.file(".stdout");
    std::string errFile = scratch.file(".stderr");
    command += " >" + shellQuote(outFile) + " 2>" + shellQuote(errFile) + " </dev/null";
    int raw = std::system(command.c_str());
    CliResult result;
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    auto text = [](const std::string& path) {
        std::vector<std::uint8_t> bytes = brimwick::testing::TempDir::read(path);
        return std::string(bytes.begin(), bytes.end());
    };
    result.out = text(outFile);
    result.err = text(errFile);
    std::remove(outFile.c_str());
    std::remove(errFile.c_str());
    return result;
}

// Runs brimwick-cli. Unless the test names a BRIMWICK_HOME of its own, with
// settings of the scratch directory's own (none until a command writes
// them), never those of the person running the tests.
inline CliResult runCli(const brimwick::testing::TempDir& scratch,
                        const std::vector<std::string>& args) {
    const char* home = std::getenv("BRIMWICK_HOME");
    std::string chosen = home != nullptr && *home != '\0' ? home : scratch.file(".settings");
    std::vector<std::string> all = {"BRIMWICK_HOME=" + chosen, BRIMWICK_CLI};
    all.insert(all.end(), args.begin(), args.end());
    return runProgram(scratch, "env", all);
}

}  // namespace brimwick::cli::testing
