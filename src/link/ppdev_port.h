// The parallel port through Linux's parport driver (/dev/parportN, ppdev):
// the way Linux users run Brimwick, without root rights for raw port I/O.
// The driver is asked for the data, status and control registers; the I/O
// addresses the link uses (base, base + 1, base + 2) map onto them. The
// interrupt-enable bit of the control register belongs to the driver here:
// writes keep it as the driver set it.
#pragma once

#include <string>

#include "link/port_io.h"

namespace brimwick::link {

class PpdevPort : public PortIo {
  public:
    // Opens and claims the device; throws std::runtime_error with the cause.
    PpdevPort(const std::string& device, int base);
    ~PpdevPort() override;
    PpdevPort(const PpdevPort&) = delete;
    PpdevPort& operator=(const PpdevPort&) = delete;

    std::uint8_t readPort(int address) override;
    void writePort(int address, std::uint8_t value) override;
    // Sleeps until the driver reports an interrupt (the request line on
    // status bit 6) or the time is up.
    void waitForActivity(int timeoutUs) override;

  private:
    int fd_ = -1;   // the open device
    int base_ = 0;  // the base address the link uses for this port
};

}  // namespace brimwick::link
