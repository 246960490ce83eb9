// The operations of an extended message.
#include "link/extended_message.h"

#include <array>

#include "d64/block_cursor.h"
#include "d64/c1541_error.h"
#include "d64/geometry.h"
#include "platform/trace_log.h"

namespace brimwick::link {

using platform::traceLog;

namespace {
constexpr int kNotSet = -1;
constexpr int kBlock = 256;  // a "W" always copies one block
}  // namespace

void runExtendedMessage(LinkPort& link, std::span<drive::DriveUnit, config::kDriveCount> drives,
                        config::Settings& settings) {
    traceLog() << "\n *** Extended C64 Message: ***";
    std::array<std::uint8_t, kExtendedMessageSize> message{};
    link.sendByte(kReadBlock);
    for (auto& b : message) b = static_cast<std::uint8_t>(link.receiveByte());

    int device = kNotSet;
    int position = kNotSet;
    int c64Address = kNotSet;
    int length = kNotSet;
    std::size_t i = 0;
    // Reads an operand of `bytes` bytes, low first; false when the message
    // ends before it (nothing past the 16 bytes is ever read).
    auto operand = [&](int bytes, int& value) {
        if (i + static_cast<std::size_t>(bytes) > message.size()) return false;
        value = 0;
        for (int k = 0; k < bytes; ++k) value |= message[i++] << (8 * k);
        return true;
    };
    while (i < message.size()) {
        std::uint8_t op = message[i++];
        int value = 0;
        switch (op) {
            case 0x00:
                traceLog() << "\n   ext: end";
                return;
            case 'A':
                if (!operand(2, value)) return;
                c64Address = value;
                traceLog() << "\n   ext: set c64 addr = " << value;
                break;
            case 'L':
                if (!operand(2, value)) return;
                length = value;
                traceLog() << "\n   ext: set length = " << value;
                break;
            case 'P':
                if (!operand(3, value)) return;
                position = value;
                traceLog() << "\n   ext: set position = " << value;
                break;
            case 'D':
                if (!operand(1, value)) return;
                traceLog() << "\n   ext: device = " << value;
                if (value < config::kFirstDevice ||
                    value >= config::kFirstDevice + config::kDriveCount) {
                    traceLog() << "  ERROR: Illegal drive";
                    return;
                }
                device = value - config::kFirstDevice;
                break;
            case 'T': {
                int track = 0, sector = 0;
                if (!operand(1, track) || !operand(1, sector)) return;
                traceLog() << "\n   ext: set track sector";
                try {
                    d64::BlockCursor cursor;
                    cursor.toOffset(track, sector);
                    position = cursor.offset;
                    traceLog() << ", logical address = " << position;
                } catch (const c1541_error*) {
                    traceLog() << "  ERROR: Illegal Track/Sector";
                }
                break;
            }
            case 'R':
                traceLog() << "\n   ext: remove diskimage";
                if (device == kNotSet) {
                    traceLog() << "  ERROR: Illegal drive";
                    break;
                }
                // An image that cannot be saved stays in the drive, served.
                if (settings.realDevice[device] == 0 &&
                    !drives[static_cast<std::size_t>(device)].unmount()) {
                    traceLog() << "  ERROR: diskimage not saved, kept";
                    break;
                }
                settings.realDevice[device] = device + config::kFirstDevice;
                break;
            case 'W': {
                traceLog() << "\n   ext: write block to diskimage";
                if (position == kNotSet) {
                    traceLog() << "  ERROR: track/sector not set";
                    break;
                }
                if (c64Address == kNotSet) {
                    traceLog() << "  ERROR: c64addr not set";
                    break;
                }
                if (device == kNotSet) {
                    traceLog() << "  ERROR: drive not set";
                    break;
                }
                if (length == kNotSet) {
                    traceLog() << "  ERROR: length not set";
                    break;
                }
                drive::DriveUnit& unit = drives[static_cast<std::size_t>(device)];
                // A position set with "P" can lie anywhere up to 16 MB: the
                // block must fit inside the image.
                bool fits = position + kBlock <= d64::kImageSize;
                if (settings.realDevice[device] == 0 && !unit.hostMode && unit.image != nullptr &&
                    fits) {
                    unit.markImageModified();
                    link.readMemory(unit.image + position, c64Address, kBlock);
                } else {
                    traceLog() << "  ERROR: Illegal drive or No diskimage present";
                }
                break;
            }
            default:
                traceLog() << "\n   ext: (unknown)";
                return;
        }
    }
}

}  // namespace brimwick::link
