// The parallel port through direct port instructions (inb/outb on x86 with
// ioperm; needs root). This is how the port is reached at the classic base
// addresses 0x278, 0x378 and 0x3BC without a driver in between.
#pragma once

#include "link/port_io.h"

namespace brimwick::link {

class DirectPort : public PortIo {
  public:
    // Asks the kernel for access to base..base+2; throws std::runtime_error.
    explicit DirectPort(int base);
    ~DirectPort() override;
    DirectPort(const DirectPort&) = delete;
    DirectPort& operator=(const DirectPort&) = delete;

    std::uint8_t readPort(int address) override;
    void writePort(int address, std::uint8_t value) override;

  private:
    int base_;  // first of the three registers granted
};

}  // namespace brimwick::link
