// Default idle wait of the port backends.
#include "link/port_io.h"

#include <chrono>
#include <thread>

namespace brimwick::link {

void PortIo::waitForActivity(int timeoutUs) {
    if (timeoutUs > 0) std::this_thread::sleep_for(std::chrono::microseconds(timeoutUs));
}

void PortIo::delay(int milliseconds) {
    if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace brimwick::link
