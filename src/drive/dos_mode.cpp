// The names of the drives' two DOS modes.
#include "drive/dos_mode.h"

namespace brimwick::drive {

const char* dosModeName(DosMode mode) {
    return mode == DosMode::C1541 ? "1541" : "original";
}

}  // namespace brimwick::drive
