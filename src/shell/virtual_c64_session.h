// The virtual C64 of `brimwick-cli serve --virtual-c64`: it sits at READY
// and polls its keyboard as the kernal does, once per 1/60 s, runs each line
// that RETURN completes as BASIC's direct mode does (a typed LOAD loads from
// the served drives), and tells what reaches it: "reset" when the PC resets it, and each text typed into it as
// one line, as the PC typed it, RETURN shown as ⏎:
//
//   reset
//   keys: load"GAME",8,1:⏎run:⏎
//
// With it the shell commands can be tried end to end without a C64.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "c64/vc64/virtual_setup.h"

namespace brimwick::shell {

// The kernal's keyboard scan: 60 times a second.
inline constexpr int kJiffyMs = 17;

class VirtualC64Session {
  public:
    VirtualC64Session(c64::vc64::VirtualSetup& setup, std::ostream& out)
        : setup_(setup), out_(out) {}

    // One jiffy of the virtual C64 (VirtualSetup::jiffy); prints the reset
    // and the text it completes.
    void pollKeyboard();

  private:
    c64::vc64::VirtualSetup& setup_;  // the PC side and the virtual C64
    std::ostream& out_;               // where the lines go
    std::vector<int> keys_;           // keys of the text arriving now
    int resetsShown_ = 0;             // the cable's resets already printed
};

// C64 key codes as the PC typed them: letters swapped back, RETURN as ⏎,
// other bytes outside the printable characters as \xNN.
std::string keysAsTyped(const std::vector<int>& keys);

}  // namespace brimwick::shell
