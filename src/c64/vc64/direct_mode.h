// BASIC's direct mode on the virtual C64: what happens to a line when RETURN
// hands it over at the READY prompt. The line is crunched (basic_tokens.h)
// and its statements, separated by ":", run one after the other:
//
//   LOAD"NAME",DEV[,SA]   SEARCHING FOR NAME, LOADING, then READY.; the
//                         program's end becomes the end of BASIC's program
//                         and the lines are relinked (so LOAD"$",8 then
//                         LIST shows the directory). As on a C64 a LOAD
//                         ends the line: what follows it is not run.
//   SAVE"NAME",DEV        SAVING NAME: the BASIC program from $0801 to its end
//   VERIFY"NAME",DEV[,SA] SEARCHING FOR NAME, VERIFYING, then OK or ?VERIFY  ERROR
//   LIST [FROM][-[TO]]    the program, tokens spelled out; ends the line
//   NEW                   an empty program
//   a line number first   enters the line into the program (an empty one
//                         deletes it); nothing is printed, not even READY.
//   POKE A,V              writes V into memory at A
//   PRINT (or ?)          numbers, strings, CHR$(N), PEEK(A), FRE(0) and
//                         sums of them, separated by ; or , (next 10-column zone)
//   SYS A                 runs the machine code at A on the 6510 (machine_code.h);
//                         the rest of the line runs once it returns
//   RUN                   a program whose first line is a SYS runs that;
//                         any other BASIC program cannot run here, and RUN
//                         says so and how to run it with one's own ROMs
//
// LOAD, SAVE and VERIFY take the file name as quoted text and the device
// and secondary address as numbers. Devices 0 to 3 (LOAD alone means the
// datasette, device 1, which the link kernal has given up) answer ?ILLEGAL
// DEVICE NUMBER  ERROR; a device the PC does not serve ?DEVICE NOT PRESENT
// ERROR. Anything else is a ?SYNTAX  ERROR.
//
// A line that starts with "@" is the DOS wedge's, whole, colons included:
// "@" alone prints the drive's status, "@$" its directory (without touching
// the program in memory; "@$:A*" only the names matching A*), "@#DEV" makes DEV the wedge's drive, and "@"
// followed by anything else sends it as a DOS command on channel 15 and
// then prints the status. The wedge's drive is 8 until "@#" or a LOAD, SAVE
// or VERIFY of a drive the PC serves changes it.
//
// Every drive operation is a request of the virtual kernal, served by the
// PC like a real C64's; LOAD, SAVE and VERIFY take the whole-file path the
// link kernal uses for a device the PC serves.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "c64/vc64/basic_expression.h"
#include "c64/vc64/machine_code.h"
#include "c64/vc64/task.h"
#include "c64/vc64/virtual_kernal.h"

namespace brimwick::c64::vc64 {

inline constexpr int kWedgeDevice = 8;  // the DOS wedge's drive at start

// The arguments of LOAD, SAVE and VERIFY.
struct FileArguments {
    std::string name;   // the file name's bytes (PETSCII)
    int device = 1;     // the device; 1, the datasette, when none is given
    int secondary = 0;  // the secondary address
};

class DirectMode {
  public:
    DirectMode(VirtualKernal& machineKernal, MachineCode& machineCode)
        : kernal(machineKernal), machine(machineCode) {}

    VirtualKernal& kernal;           // the kernal and the screen underneath
    MachineCode& machine;            // the 6510 that SYS and RUN start
    int wedgeDevice = kWedgeDevice;  // the drive "@" talks to
    std::vector<std::uint8_t> afterSys;  // the crunched rest of a line whose SYS runs

    // Runs one line as typed (PETSCII, as the editor read it from the
    // screen) and prints what BASIC prints. A SYS or RUN that starts a
    // program ends it without READY: the program runs from the next jiffy.
    Task<int> run(std::vector<std::uint8_t> line);
    // After the program that a SYS started has returned: the rest of its
    // line, then READY.
    Task<int> resume();
    // READY. below what was printed, a blank row between, as BASIC says it.
    void ready();
    // What BASIC says for a RUN of a program this C64 cannot run.
    static constexpr std::string_view kCannotRun =
        "\rTHIS IS A BASIC PROGRAM: THE VIRTUAL"
        "\rC64 RUNS ONLY MACHINE CODE (SYS LINES)."
        "\rTO RUN IT, USE THE EMULATED C64 WITH"
        "\rYOUR OWN ROMS (SEE DOCS/VC64.MD).";

  private:
    void print(std::string_view petscii);
    void printLine(int number, const std::vector<std::uint8_t>& text);
    void error(std::string_view message);
    // Runs the statements of a crunched line from `at`.
    Task<int> statements(std::vector<std::uint8_t> text, std::size_t at);
    bool printStatement(const std::vector<std::uint8_t>& text, std::size_t& at);
    bool runProgram(const std::vector<std::uint8_t>& text, std::size_t& at);
    int fre() const;
    ExpressionReader expressionsAt(const std::vector<std::uint8_t>& text, std::size_t& at);

    // Each statement: true when the line goes on after it.
    Task<bool> load(FileArguments file, bool verify);
    Task<bool> save(FileArguments file);
    bool list(int from, int to);
    Task<int> wedge(std::string command);
    Task<int> wedgeDirectory(std::string name);
    void wedgeStatus();  // prints the status read last, or that there is no device
};

}  // namespace brimwick::c64::vc64
