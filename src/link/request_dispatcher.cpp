// The request codes and what the PC does for each.
#include "link/request_dispatcher.h"

#include <algorithm>
#include <vector>

#include "d64/c1541_error.h"
#include "link/extended_message.h"
#include "link/kernal_upload.h"
#include "link/request_codes.h"
#include "platform/trace_log.h"

namespace brimwick::link {

using platform::traceLog;

namespace {
constexpr int kC64AddressSpace = 0x10000;
// The bits of a LISTEN/TALK byte (and of $00BA) that hold the device number.
constexpr int kDeviceNumberBits = 0x1F;
}  // namespace

bool RequestDispatcher::poll() {
    try {
        std::uint8_t status = link.readPortByte(link.statusPort);
        if ((status & kRequestLines) == kRequestLines) {
            dispatch();
            return true;
        }
        if (link.wantOnline != link.online) {
            if (link.wantOnline)
                link.goOnline();
            else
                link.goOffline();
        }
    } catch (const c64error& e) {
        traceLog() << "\n C64ERROR = " << e.code;
        link.writePortByte(link.dataPort, kPresence);
        link.online = 1;
        return true;
    }
    return false;
}

void RequestDispatcher::goOfflineForExit(std::chrono::milliseconds grace) {
    link.requestOnline(false);
    auto deadline = std::chrono::steady_clock::now() + grace;
    while (link.isOnline() && std::chrono::steady_clock::now() < deadline) poll();
    // A C64 that keeps its request open past the grace period must not find
    // the PC still announcing itself: its kernal would go on diverting to a
    // PC that no longer answers.
    link.forceOffline();
}

void RequestDispatcher::dispatch() {
    try {
        serve(link.receiveByte());
    } catch (const c1541_error* error) {
        addressed().setError(error);
        traceLog() << "\n C1541-ERROR = " << error->text;
        link.saveRegisters();
        link.callRoutine(kC64SetStatus, kStDriveError);
        link.restoreRegisters();
        link.finishRequest();
    }
}

int RequestDispatcher::driveIndex(int deviceByte) {
    // Device numbers run from 0 to 30 in the low five bits; devices 16 and up
    // must not be mistaken for 0 to 14.
    int index = (deviceByte & kDeviceNumberBits) - config::kFirstDevice;
    return (index >= 0 && index < config::kDriveCount) ? index : -1;
}

int RequestDispatcher::readC64Byte(int address) {
    std::uint8_t value = 0;
    link.readMemory(&value, address, 1);
    return value;
}

void RequestDispatcher::serve(int code) {
    switch (code) {
        case kDeviceServed: {
            link.saveRegisters();
            int device = readC64Byte(kC64DeviceNumber);
            link.restoreRegisters();
            if (served(driveIndex(device)))
                link.finishRequest();
            else
                link.declineRequest();
            return;
        }
        case kKeyboardPoll:
            keyboardPoll();
            return;
        case kInputLine:
            inputLine();
            return;
        case kListenTalk:
            listenTalk();
            return;
        case kSecond:
        case kTalkSecond:
        case kByteToDrive: {
            if (passThrough) return link.declineRequest();
            link.sendByte(kGetArgument);
            auto argument = static_cast<std::uint8_t>(link.receiveByte());
            if (code == kSecond)
                addressed().secondaryAfterListen(argument);
            else if (code == kTalkSecond)
                addressed().secondaryAfterTalk(argument);
            else
                addressed().byteOut(argument);
            return link.finishRequest();
        }
        case kUntalk:
        case kUnlisten:
            if (passThrough) return link.declineRequest();
            if (code == kUntalk)
                addressed().untalk();
            else
                addressed().unlisten();
            return link.finishRequest();
        case kByteFromDrive:
            byteFromDrive();
            return;
        case kCheckPassThrough:
            return passThrough ? link.declineRequest() : link.finishRequest();
        case kBoostLoad:
            boostLoad();
            return;
        case kBoostSave:
            boostSave();
            return;
        case kListenCurrent:
        case kTalkCurrent: {
            passThrough = false;
            bool listen = code == kListenCurrent;
            addressed().listenOrTalk(listen ? 0x20 : 0x40);
            auto secondary = static_cast<std::uint8_t>(link.getCounter() & 0xFF);
            if (listen)
                addressed().secondaryAfterListen(secondary);
            else
                addressed().secondaryAfterTalk(secondary);
            return link.finishRequest();
        }
        case kExtendedMessage:
            runExtendedMessage(link, drives, settings);
            return link.finishRequest();
        case kKernalDump:
            traceLog() << "\n  Reading Rom.";
            answerKernalDump(link, programDirectory, prepareKernal);
            return;
        case kWriteRom:
            traceLog() << "\n  Writing Rom.";
            uploadKernal(link, programDirectory);
            return link.finishRequest();
        default:  // Nop and every code without a meaning
            return link.finishRequest();
    }
}

void RequestDispatcher::keyboardPoll() {
    if (view != nullptr && view->terminalShown() && !view->minimized()) {
        ++keyboardPollCount;
        if (keyboardPollCount % 3 == 0) mirror.mirrorScreenStep(link, view);
    }
    int key = 0;
    if (keyboard.feedActive) {
        link.saveRegisters();
        int inBuffer = readC64Byte(kC64KeyCount);
        link.restoreRegisters();
        if (inBuffer < kC64KeyBufferSize) key = keyboard.takeFeedByte();
    } else if (keyboard.keyPending) {
        key = keyboard.pendingKey;
        keyboard.keyPending = false;
    }
    key = translateKey(key);
    if (key == 0) return link.declineRequest();
    link.setCounter(key, 0);
    link.finishRequest();
}

void RequestDispatcher::inputLine() {
    link.saveRegisters();
    // The C64 supplies the line's length; the buffer here is smaller than the
    // largest length a byte can carry.
    int length = std::min(link.savedCounter & 0xFF, kInputLineBufferSize);
    link.readMemory(inputLineBuffer.data(), kC64InputLine, length);
    if (inputLineBuffer[0] == '0') link.writeMemory(&inputLineBuffer[1], kC64Screen, 1);
    link.restoreRegisters();
    link.finishRequest();
}

void RequestDispatcher::listenTalk() {
    link.sendByte(kGetArgument);
    int b = link.receiveByte();
    int index = driveIndex(b);
    if (index < 0) {
        // No drive and no table entry for this device: the C64's own bus
        // answers it under its own number.
        passThrough = true;
        return link.declineRequest();
    }
    if (settings.realDevice[index] == 0) {
        passThrough = false;
        addressedDrive = index;
        drives[static_cast<std::size_t>(index)].listenOrTalk(static_cast<std::uint8_t>(b));
        return link.finishRequest();
    }
    passThrough = true;
    link.saveRegisters();
    auto substituted =
        static_cast<std::uint8_t>((b & ~kDeviceNumberBits) + settings.realDevice[index]);
    link.writeMemory(&substituted, kC64SerialCommand, 1);
    link.restoreRegisters();
    link.declineRequest();
}

void RequestDispatcher::byteFromDrive() {
    if (passThrough) return link.declineRequest();
    // The drive goes first: once link command 11 is out, the C64 takes the
    // next byte as ACPTR's result, so a drive error (a damaged chain) must be
    // reported before it, or its traffic would cross that wait.
    std::int32_t value = addressed().byteIn();
    link.sendByte(kPutResult);
    link.sendByte(value & 0xFF);
    if (value & 0x8000) {
        // A channel with nothing to read: the C64 sees a read time-out too.
        int st = kStEndOfFile | (addressed().nothingToRead ? kStDriveError : 0);
        link.saveRegisters();
        link.callRoutine(kC64SetStatus, st);
        link.restoreRegisters();
    }
    link.finishRequest();
}

void RequestDispatcher::boostLoad() {
    link.savedCounter = link.getCounter();
    int start = link.getPointer();
    std::int32_t length = 0;
    std::vector<std::uint8_t> data = addressed().loadWholeFile(length);
    traceLog() << "\n BoostLoad: START= " << start << "   LENGTH= " << length;
    // The C64 has 64 KB: a file running past $FFFF stops there instead of
    // wrapping round into the zero page.
    if (start + length > kC64AddressSpace) {
        length = kC64AddressSpace - start;
        traceLog() << "\n BoostLoad: cut at $FFFF, LENGTH= " << length;
    }
    if (readC64Byte(kC64VerifyFlag) != 0) {
        std::vector<std::uint8_t> memory(kWholeFileBufferSize);
        link.readMemory(memory.data(), start, length);
        for (int i = length - 1; i >= 0; --i) {
            if (memory[static_cast<std::size_t>(i)] != data[static_cast<std::size_t>(i)]) {
                link.callRoutine(kC64SetStatus, kStVerifyError);
                break;
            }
        }
    } else {
        link.writeMemory(data.data(), start, length);
    }
    link.setPointer(start + length);
    link.setCounterWord(link.savedCounter);
    link.finishRequest();
}

void RequestDispatcher::boostSave() {
    link.savedCounter = link.getCounter();
    int end = link.getPointer();
    std::uint8_t address[2] = {0, 0};
    link.readMemory(address, kC64SaveStart, 2);
    int start = address[0] | (address[1] << 8);
    int length = end - start;
    traceLog() << "\n BoostSave: SAVE-START-ADDR " << start;
    std::vector<std::uint8_t> buffer(kWholeFileBufferSize);
    link.readMemory(buffer.data(), start, length);
    addressed().saveWholeFile(buffer.data(), std::max(length, 0));
    link.setPointer(end);
    link.setCounterWord(link.savedCounter);
    link.finishRequest();
}

}  // namespace brimwick::link
