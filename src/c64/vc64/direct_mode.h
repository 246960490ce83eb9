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
    explicit DirectMode(VirtualKernal& machineKernal) : kernal(machineKernal) {}

    VirtualKernal& kernal;           // the kernal and the screen underneath
    int wedgeDevice = kWedgeDevice;  // the drive "@" talks to

    // Runs one line as typed (PETSCII, as the editor read it from the
    // screen) and prints what BASIC prints.
    Task<int> run(std::vector<std::uint8_t> line);

  private:
    void print(std::string_view petscii);
    void printLine(int number, const std::vector<std::uint8_t>& text);
    void error(std::string_view message);
    void ready() { print("\rREADY.\r"); }

    // Each statement: true when the line goes on after it.
    Task<bool> load(FileArguments file, bool verify);
    Task<bool> save(FileArguments file);
    bool list(int from, int to);
    Task<int> wedge(std::string command);
    Task<int> wedgeDirectory(std::string name);
    void wedgeStatus();  // prints the status read last, or that there is no device
};

}  // namespace brimwick::c64::vc64
