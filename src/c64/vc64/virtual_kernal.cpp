// The virtual kernal's file operations over the link.
#include "c64/vc64/virtual_kernal.h"

#include "link/link_port.h"
#include "link/request_codes.h"

namespace brimwick::c64::vc64 {

namespace {
constexpr int kListen = 0x20;
constexpr int kTalk = 0x40;
constexpr int kSecondaryClose = 0xE0;
constexpr int kSecondaryOpen = 0xF0;
constexpr int kCommandChannel = 15;
constexpr int kLoadEndAddress = 0x00AE;  // where LOAD leaves its end address
// ST bits of a failed step: a drive error, or no device on the bus.
constexpr std::uint8_t kStFailed = link::kStDriveError | link::kStDeviceNotPresent;
}  // namespace

Task<int> VirtualKernal::busRequest(std::uint8_t code, std::uint8_t argument) {
    c64.argument = argument;
    int end = co_await c64.request(code);
    if (end != link::kServed) orSt(link::kStDeviceNotPresent);
    co_return end;
}

Task<int> VirtualKernal::listen(int device) {
    co_return co_await busRequest(link::kListenTalk, static_cast<std::uint8_t>(kListen | device));
}
Task<int> VirtualKernal::talk(int device) {
    co_return co_await busRequest(link::kListenTalk, static_cast<std::uint8_t>(kTalk | device));
}
Task<int> VirtualKernal::second(int secondary) {
    co_return co_await busRequest(link::kSecond, static_cast<std::uint8_t>(secondary));
}
Task<int> VirtualKernal::tksa(int secondary) {
    co_return co_await busRequest(link::kTalkSecond, static_cast<std::uint8_t>(secondary));
}
Task<int> VirtualKernal::ciout(std::uint8_t value) {
    co_return co_await busRequest(link::kByteToDrive, value);
}
Task<int> VirtualKernal::unlisten() {
    co_return co_await busRequest(link::kUnlisten, 0);
}
Task<int> VirtualKernal::untalk() {
    co_return co_await busRequest(link::kUntalk, 0);
}

Task<int> VirtualKernal::acptr() {
    int end = co_await busRequest(link::kByteFromDrive, 0);
    if (end != link::kServed || !c64.resultSet) co_return 0;
    co_return c64.result;
}

Task<int> VirtualKernal::deviceServed(int device) {
    c64.memory.write(link::kC64DeviceNumber, static_cast<std::uint8_t>(device));
    int end = co_await c64.request(link::kDeviceServed);
    co_return end == link::kServed ? 1 : 0;
}

Task<int> VirtualKernal::open(int lfn, int device, int secondary, std::string name) {
    clearSt();
    files[lfn] = {device, secondary};
    if (co_await listen(device) != link::kServed) co_return 0;
    co_await second(kSecondaryOpen | (secondary & 0x0F));
    for (char c : name) co_await ciout(static_cast<std::uint8_t>(c));
    co_await unlisten();
    co_return 1;
}

Task<int> VirtualKernal::print(int lfn, std::string text) {
    clearSt();
    auto file = files.find(lfn);
    if (file == files.end()) co_return 0;
    if (co_await listen(file->second.first) != link::kServed) co_return 0;
    co_await second(kSecondaryData | (file->second.second & 0x0F));
    for (char c : text) co_await ciout(static_cast<std::uint8_t>(c));
    co_await unlisten();
    co_return 1;
}

Task<int> VirtualKernal::get(int lfn, int count) {
    clearSt();
    received.clear();
    auto file = files.find(lfn);
    if (file == files.end()) co_return 0;
    if (co_await talk(file->second.first) != link::kServed) co_return 0;
    co_await tksa(kSecondaryData | (file->second.second & 0x0F));
    // Like a BASIC loop that tests ST: the end of the file, a drive error or
    // a missing device ends it. Only the bytes the PC sent are kept (after a
    // drive error it sends none).
    for (int i = 0; i < count; ++i) {
        int value = co_await acptr();
        if (c64.resultSet) received.push_back(static_cast<std::uint8_t>(value));
        if ((st() & (link::kStEndOfFile | kStFailed)) != 0) break;
    }
    co_await untalk();
    co_return static_cast<int>(received.size());
}

Task<int> VirtualKernal::close(int lfn) {
    auto file = files.find(lfn);
    if (file == files.end()) co_return 0;
    auto [device, secondary] = file->second;
    files.erase(file);
    if (co_await listen(device) != link::kServed) co_return 0;
    co_await second(kSecondaryClose | (secondary & 0x0F));
    co_await unlisten();
    co_return 1;
}

Task<TransferResult> VirtualKernal::load(int device, std::string name, int secondary, bool fast,
                                         bool verify, int relocateTo) {
    TransferResult result;
    clearSt();
    c64.memory.write(link::kC64VerifyFlag, verify ? 1 : 0);
    bool boost = fast && co_await deviceServed(device) == 1;
    // OPEN the file on channel 0.
    if (co_await listen(device) != link::kServed) {
        result.st = st();
        co_return result;
    }
    co_await second(kSecondaryOpen);
    for (char c : name) co_await ciout(static_cast<std::uint8_t>(c));
    co_await unlisten();
    if ((st() & link::kStDriveError) == 0) {
        co_await talk(device);
        co_await tksa(kSecondaryData);
        int low = co_await acptr();
        int high = co_await acptr();
        if ((st() & kStFailed) == 0) {
            int address = secondary == 0 ? relocateTo : (low | (high << 8));
            result.start = address;
            if ((st() & link::kStEndOfFile) != 0) {
                // Nothing but the load address.
            } else if (boost) {
                c64.pointer = address;
                co_await c64.request(link::kBoostLoad);
                address = c64.pointer;
                // The PC writes a file that runs past $FFFF only up to
                // $FFFF, and the pointer it reports wraps to 0.
                if (address < result.start) address += 0x10000;
            } else {
                while ((st() & link::kStEndOfFile) == 0 && address < 0x10000) {
                    int value = co_await acptr();
                    // A drive error (a damaged chain) ends the LOAD.
                    if ((st() & kStFailed) != 0) break;
                    if (verify) {
                        if (c64.memory.read(address) != value) orSt(link::kStVerifyError);
                    } else {
                        c64.memory.write(address, static_cast<std::uint8_t>(value));
                    }
                    ++address;
                }
            }
            result.end = address;
            result.ok = (st() & link::kStDriveError) == 0;
            c64.memory.write(kLoadEndAddress, static_cast<std::uint8_t>(address & 0xFF));
            c64.memory.write(kLoadEndAddress + 1, static_cast<std::uint8_t>((address >> 8) & 0xFF));
        }
        co_await untalk();
    }
    std::uint8_t outcome = st();
    co_await listen(device);
    co_await second(kSecondaryClose);
    co_await unlisten();
    result.st = outcome;
    c64.memory.write(link::kC64StatusByte, outcome);
    co_return result;
}

Task<TransferResult> VirtualKernal::save(int device, std::string name, int start, int end,
                                         bool fast) {
    TransferResult result;
    result.start = start;
    result.end = end;
    clearSt();
    bool boost = fast && co_await deviceServed(device) == 1;
    if (co_await listen(device) != link::kServed) {
        result.st = st();
        co_return result;
    }
    co_await second(kSecondaryOpen | 1);
    for (char c : name) co_await ciout(static_cast<std::uint8_t>(c));
    co_await unlisten();
    if ((st() & link::kStDriveError) == 0) {
        co_await listen(device);
        co_await second(kSecondaryData | 1);
        co_await ciout(static_cast<std::uint8_t>(start & 0xFF));
        co_await ciout(static_cast<std::uint8_t>((start >> 8) & 0xFF));
        if (boost) {
            c64.memory.write(link::kC64SaveStart, static_cast<std::uint8_t>(start & 0xFF));
            c64.memory.write(link::kC64SaveStart + 1,
                             static_cast<std::uint8_t>((start >> 8) & 0xFF));
            c64.pointer = end & 0xFFFF;
            co_await c64.request(link::kBoostSave);
        } else {
            for (int address = start; address < end; ++address)
                co_await ciout(c64.memory.read(address));
        }
        co_await unlisten();
    }
    std::uint8_t outcome = st();
    co_await listen(device);
    co_await second(kSecondaryClose | 1);
    co_await unlisten();
    result.st = outcome;
    result.ok = (outcome & kStFailed) == 0;
    c64.memory.write(link::kC64StatusByte, outcome);
    co_return result;
}

Task<int> VirtualKernal::readStatus(int device) {
    clearSt();
    statusText.clear();
    if (co_await talk(device) != link::kServed) co_return 0;
    co_await tksa(kSecondaryData | kCommandChannel);
    for (int i = 0; i < 256 && (st() & link::kStEndOfFile) == 0; ++i) {
        int c = co_await acptr();
        if (c == '\r') break;
        statusText.push_back(static_cast<char>(c));
    }
    co_await untalk();
    co_return 1;
}

Task<int> VirtualKernal::command(int device, std::string text) {
    clearSt();
    if (co_await listen(device) != link::kServed) co_return 0;
    co_await second(kSecondaryData | kCommandChannel);
    for (char c : text) co_await ciout(static_cast<std::uint8_t>(c));
    co_await unlisten();
    co_return 1;
}

bool VirtualKernal::takeReset() {
    if (c64.cable.resets == resetsSeen) return false;
    resetsSeen = c64.cable.resets;
    c64.memory.write(link::kC64KeyCount, 0);
    screen.powerUp(c64.memory);
    return true;
}

Task<int> VirtualKernal::scanKeyboard() {
    takeReset();
    int end = co_await c64.request(link::kKeyboardPoll);
    if (end != link::kServed) co_return 0;
    int key = c64.counter1;
    int count = c64.memory.read(link::kC64KeyCount);
    if (count < link::kC64KeyBufferSize) {
        c64.memory.write(link::kC64KeyBuffer + count, static_cast<std::uint8_t>(key));
        c64.memory.write(link::kC64KeyCount, static_cast<std::uint8_t>(count + 1));
    }
    keys.push_back(key);
    co_return key;
}

Task<int> VirtualKernal::keyboardPoll() {
    int key = co_await scanKeyboard();
    if (key != 0 && drainKeyboard) {
        c64.memory.write(link::kC64KeyCount, 0);
        screen.type(c64.memory, key);
    }
    co_return key;
}

Task<int> VirtualKernal::extendedMessage(std::vector<std::uint8_t> message) {
    message.resize(16);
    for (int i = 0; i < 16; ++i)
        c64.memory.write(kMessageBuffer + i, message[static_cast<std::size_t>(i)]);
    c64.presetBlock(kMessageBuffer, 16);
    co_return co_await c64.request(link::kExtendedMessage);
}

Task<int> VirtualKernal::upload() {
    co_await c64.request(kUploadRequest);
    co_return static_cast<int>(c64.uploaded.size());
}

}  // namespace brimwick::c64::vc64
