// Raw x86 port I/O behind the port interface.
#include "link/direct_port.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

#if defined(__linux__) && (defined(__x86_64__) || defined(__i386__))
#include <sys/io.h>
#define BRIMWICK_HAVE_PORT_IO 1
#endif

namespace brimwick::link {

namespace {
constexpr unsigned long kRegisterCount = 3;
}

#ifdef BRIMWICK_HAVE_PORT_IO

DirectPort::DirectPort(int base) : base_(base) {
    if (::ioperm(static_cast<unsigned long>(base), kRegisterCount, 1) != 0)
        throw std::runtime_error("no access to I/O ports at " + std::to_string(base) + ": " +
                                 std::strerror(errno));
}

DirectPort::~DirectPort() {
    ::ioperm(static_cast<unsigned long>(base_), kRegisterCount, 0);
}

std::uint8_t DirectPort::readPort(int address) {
    return ::inb(static_cast<unsigned short>(address));
}

void DirectPort::writePort(int address, std::uint8_t value) {
    ::outb(value, static_cast<unsigned short>(address));
}

#else

DirectPort::DirectPort(int base) : base_(base) {
    throw std::runtime_error("direct port I/O is not available on this machine");
}
DirectPort::~DirectPort() = default;
std::uint8_t DirectPort::readPort(int) {
    return 0xFF;
}
void DirectPort::writePort(int, std::uint8_t) {}

#endif

}  // namespace brimwick::link
