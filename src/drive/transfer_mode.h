// What the bus data operations of a drive do at the moment. The C64 moves
// every byte with the same two kernal routines (CIOUT to the drive, ACPTR from
// it); which file, buffer or text a byte belongs to is settled beforehand by
// the LISTEN/TALK and secondary address bytes, and kept here.
#pragma once

namespace brimwick::drive {

enum class TransferMode {
    Idle,            // bytes out are dropped; a byte in is 0x80 with the end (time-out)
    WriteFile,       // bytes out go to the channel's file
    WriteBuffer,     // bytes out go to the channel's RAM buffer
    CollectCommand,  // bytes out collect a DOS command or an OPEN name
    ReadFile,        // bytes in come from the channel's file
    ReadBuffer,      // bytes in come from the channel's RAM buffer
    ReadStatus,      // bytes in are the status text (channel 15)
    ReadDirectory,   // bytes in are the "$" listing
};

}  // namespace brimwick::drive
