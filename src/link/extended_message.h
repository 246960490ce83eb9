// Extended messages: a C64 tool sends a 16-byte script (request 32) that
// edits a mounted disk image directly, bypassing the drive's DOS: it can copy
// a 256-byte block of C64 memory into any track and sector, or take the image
// out of a drive (the device number then goes to the real drive of that
// number). Every problem is only logged; the C64 is never told.
#pragma once

#include <span>

#include "config/settings.h"
#include "drive/drive_unit.h"
#include "link/link_port.h"

namespace brimwick::link {

inline constexpr int kExtendedMessageSize = 16;

// Reads the message with link command 1 and carries it out.
void runExtendedMessage(LinkPort& link, std::span<drive::DriveUnit, config::kDriveCount> drives,
                        config::Settings& settings);

}  // namespace brimwick::link
