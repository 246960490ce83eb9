// ppdev ioctls behind the port interface.
#include "link/ppdev_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#if defined(__linux__)
#include <linux/ppdev.h>
#endif

namespace brimwick::link {

namespace {
constexpr std::uint8_t kInterruptEnable = 0x10;  // control bit 4
}

#if defined(__linux__)

PpdevPort::PpdevPort(const std::string& device, int base) : base_(base) {
    fd_ = ::open(device.c_str(), O_RDWR | O_CLOEXEC);
    if (fd_ < 0) throw std::runtime_error("cannot open " + device + ": " + std::strerror(errno));
    if (::ioctl(fd_, PPCLAIM) != 0) {
        int cause = errno;
        ::close(fd_);
        fd_ = -1;
        throw std::runtime_error("cannot claim " + device + ": " + std::strerror(cause));
    }
}

PpdevPort::~PpdevPort() {
    if (fd_ >= 0) {
        ::ioctl(fd_, PPRELEASE);
        ::close(fd_);
    }
}

std::uint8_t PpdevPort::readPort(int address) {
    unsigned char value = 0xFF;
    if (address == base_ + kStatusRegister)
        ::ioctl(fd_, PPRSTATUS, &value);
    else if (address == base_ + kControlRegister)
        ::ioctl(fd_, PPRCONTROL, &value);
    else if (address == base_ + kDataRegister)
        ::ioctl(fd_, PPRDATA, &value);
    return value;
}

void PpdevPort::writePort(int address, std::uint8_t value) {
    unsigned char v = value;
    if (address == base_ + kDataRegister) {
        ::ioctl(fd_, PPWDATA, &v);
    } else if (address == base_ + kControlRegister) {
        unsigned char current = 0;
        ::ioctl(fd_, PPRCONTROL, &current);
        v = static_cast<unsigned char>((v & ~kInterruptEnable) | (current & kInterruptEnable));
        ::ioctl(fd_, PPWCONTROL, &v);
    }
}

void PpdevPort::waitForActivity(int timeoutUs) {
    pollfd p{fd_, POLLIN, 0};
    int ms = timeoutUs <= 0 ? 0 : (timeoutUs + 999) / 1000;
    if (::poll(&p, 1, ms) > 0) {
        int count = 0;
        ::ioctl(fd_, PPCLRIRQ, &count);  // acknowledge the interrupts seen
    }
}

#else

PpdevPort::PpdevPort(const std::string& device, int base) : base_(base) {
    throw std::runtime_error("the parport driver is not available for " + device);
}
PpdevPort::~PpdevPort() = default;
std::uint8_t PpdevPort::readPort(int) {
    return 0xFF;
}
void PpdevPort::writePort(int, std::uint8_t) {}
void PpdevPort::waitForActivity(int timeoutUs) {
    PortIo::waitForActivity(timeoutUs);
}

#endif

}  // namespace brimwick::link
