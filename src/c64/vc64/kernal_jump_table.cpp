// The kernal jump table's routines on the virtual C64.
#include "c64/vc64/kernal_jump_table.h"

#include <algorithm>
#include <string_view>

#include "c64/vc64/machine_code.h"
#include "link/c64_locations.h"

namespace brimwick::c64::vc64 {

namespace {
constexpr int kDatasette = 1;
constexpr int kScreenColumns = 40;
constexpr int kScreenRows = 25;
constexpr int kCiaBase = 0xDC00;  // IOBASE: CIA 1

void setFlag(Cpu6510& cpu, std::uint8_t bit, bool on) {
    cpu.p = static_cast<std::uint8_t>(on ? (cpu.p | bit) : (cpu.p & ~bit));
}
void setNZ(Cpu6510& cpu, std::uint8_t value) {
    setFlag(cpu, kFlagZero, value == 0);
    setFlag(cpu, kFlagNegative, (value & 0x80) != 0);
}
int word(const C64Memory& memory, int address) {
    return memory.ram[static_cast<std::size_t>(address & 0xFFFF)] |
           (memory.ram[static_cast<std::size_t>((address + 1) & 0xFFFF)] << 8);
}
void writeWord(C64Memory& memory, int address, int value) {
    memory.write(address, static_cast<std::uint8_t>(value & 0xFF));
    memory.write(address + 1, static_cast<std::uint8_t>((value >> 8) & 0xFF));
}
}  // namespace

void KernalJumpTable::restoreVectors() {
    writeWord(memory(), kIrqVectorRam, kIrqHandler);
    writeWord(memory(), kBrkVectorRam, kWarmStart);
    writeWord(memory(), kNmiVectorRam, kNmiHandler);
}

void KernalJumpTable::powerUp() {
    restoreVectors();
    kernal.files.clear();
    memory().write(kOpenFiles, 0);
    clearChannels();
    readingLine = false;
    line.clear();
    lineAt = 0;
    memory().write(kStopKeyFlag, kNoStop);
    memory().write(kMessageFlag, kDirectModeMessages);
    writeWord(memory(), kMemBottom, kBasicStart);
    writeWord(memory(), kMemTop, kBasicRomStart);
}

void KernalJumpTable::updateClock() {
    int clock = (memory().read(kJiffyClock) << 16) | (memory().read(kJiffyClock + 1) << 8) |
                memory().read(kJiffyClock + 2);
    if (++clock >= kJiffiesPerDay) clock = 0;
    for (int i = 0; i < 3; ++i)
        memory().write(kJiffyClock + i, static_cast<std::uint8_t>(clock >> (8 * (2 - i))));
}

int KernalJumpTable::takeKey() {
    auto& m = memory();
    int count = m.read(link::kC64KeyCount);
    if (count == 0) return 0;
    int key = m.read(link::kC64KeyBuffer);
    for (int i = 1; i < count; ++i)
        m.write(link::kC64KeyBuffer + i - 1, m.read(link::kC64KeyBuffer + i));
    m.write(link::kC64KeyCount, static_cast<std::uint8_t>(count - 1));
    return key;
}

std::string KernalJumpTable::fileName() const {
    const auto& m = kernal.c64.memory;
    std::string name;
    int at = word(m, kNamePointer);
    for (int i = 0; i < m.ram[kNameLength]; ++i) name.push_back(static_cast<char>(m.read(at + i)));
    return name;
}

void KernalJumpTable::clearChannels() {
    memory().write(kInputDevice, kKeyboard);
    memory().write(kOutputDevice, kScreenDevice);
}

Task<int> KernalJumpTable::clearChannelsOnBus() {
    if (memory().read(kOutputDevice) >= kFirstSerialDevice) co_await kernal.unlisten();
    if (memory().read(kInputDevice) >= kFirstSerialDevice) co_await kernal.untalk();
    clearChannels();
    co_return 0;
}

Task<bool> KernalJumpTable::chrin(Cpu6510& cpu) {
    int device = memory().read(kInputDevice);
    if (device >= kFirstSerialDevice) {
        cpu.a = static_cast<std::uint8_t>(co_await kernal.acptr());
        co_return true;
    }
    if (device != kKeyboard) {
        cpu.a = kKeyReturn;  // the screen's line: this editor gives back RETURN
        co_return true;
    }
    if (lineAt < line.size()) {
        cpu.a = line[lineAt++];
        if (lineAt == line.size()) line.clear(), lineAt = 0;
        co_return true;
    }
    // The editor's line input: echo keys until RETURN, then hand the line out.
    VirtualScreen& screen = kernal.screen;
    if (!readingLine) {
        readingLine = true;
        inputRow = screen.row;
        inputColumn = screen.column;
    }
    for (int key = takeKey(); key != 0; key = takeKey()) {
        if (key != kKeyReturn) {
            screen.type(memory(), key);
            continue;
        }
        line = screen.logicalLine(memory());
        // What was on the row before the input began (a prompt) is not part of it.
        if (screen.lineStart == inputRow) {
            std::size_t skip = static_cast<std::size_t>(inputColumn);
            line.erase(line.begin(), line.begin() + static_cast<std::ptrdiff_t>(std::min(skip, line.size())));
        }
        line.push_back(kKeyReturn);
        screen.type(memory(), key);
        readingLine = false;
        lineAt = 1;
        cpu.a = line[0];
        if (lineAt == line.size()) line.clear(), lineAt = 0;
        co_return true;
    }
    co_return false;
}

Task<int> KernalJumpTable::open(Cpu6510&) {
    auto& m = memory();
    int lfn = m.read(kFileNumber), device = m.read(kDevice), secondary = m.read(kSecondary);
    if (kernal.files.count(lfn) != 0) co_return kErrorFileOpen;
    if (static_cast<int>(kernal.files.size()) >= kMaxOpenFiles) co_return kErrorTooManyFiles;
    if (device == kDatasette || device == 2) co_return kErrorDeviceNotPresent;
    if (device >= kFirstSerialDevice) {
        co_await kernal.open(lfn, device, secondary, fileName());
        if ((kernal.st() & link::kStDeviceNotPresent) != 0) {
            kernal.files.erase(lfn);
            co_return kErrorDeviceNotPresent;
        }
    } else {
        kernal.files[lfn] = {device, secondary};
    }
    m.write(kOpenFiles, static_cast<std::uint8_t>(kernal.files.size()));
    co_return 0;
}

Task<int> KernalJumpTable::openChannel(Cpu6510& cpu, bool output) {
    auto file = kernal.files.find(cpu.x);
    if (file == kernal.files.end()) co_return kErrorFileNotOpen;
    auto [device, secondary] = file->second;
    if (output && device == kKeyboard) co_return kErrorNotOutputFile;
    if (device >= kFirstSerialDevice) {
        // The drive becomes the listener or the talker on the file's channel.
        if (output) {
            co_await kernal.listen(device);
            co_await kernal.second(kSecondaryData | (secondary & 0x0F));
        } else {
            co_await kernal.talk(device);
            co_await kernal.tksa(kSecondaryData | (secondary & 0x0F));
        }
        if ((kernal.st() & link::kStDeviceNotPresent) != 0) co_return kErrorDeviceNotPresent;
    }
    memory().write(output ? kOutputDevice : kInputDevice, static_cast<std::uint8_t>(device));
    co_return 0;
}

Task<int> KernalJumpTable::load(Cpu6510& cpu) {
    auto& m = memory();
    int device = m.read(kDevice);
    if (device < kFirstSerialDevice) co_return kErrorIllegalDevice;
    std::string name = fileName();
    if (name.empty()) co_return kErrorMissingFileName;
    bool verify = cpu.a != 0;
    bool talk = (m.read(kMessageFlag) & kDirectModeMessages) != 0;
    auto say = [&](std::string_view text) {
        for (char c : text) kernal.screen.print(m, static_cast<std::uint8_t>(c));
    };
    if (talk) say("\rSEARCHING FOR " + name);
    TransferResult result = co_await kernal.load(device, name, m.read(kSecondary), true, verify,
                                                 cpu.x | (cpu.y << 8));
    if ((result.st & link::kStDeviceNotPresent) != 0) co_return kErrorDeviceNotPresent;
    if (!result.ok) co_return kErrorFileNotFound;
    if (talk) say(verify ? "\rVERIFYING" : "\rLOADING");
    cpu.x = static_cast<std::uint8_t>(result.end & 0xFF);
    cpu.y = static_cast<std::uint8_t>((result.end >> 8) & 0xFF);
    co_return 0;
}

Task<int> KernalJumpTable::save(Cpu6510& cpu) {
    auto& m = memory();
    int device = m.read(kDevice);
    if (device < kFirstSerialDevice) co_return kErrorIllegalDevice;
    std::string name = fileName();
    if (name.empty()) co_return kErrorMissingFileName;
    int start = word(m, cpu.a);
    int end = cpu.x | (cpu.y << 8);
    if ((m.read(kMessageFlag) & kDirectModeMessages) != 0)
        for (char c : "\rSAVING " + name) kernal.screen.print(m, static_cast<std::uint8_t>(c));
    TransferResult result = co_await kernal.save(device, name, start, end, true);
    if ((result.st & link::kStDeviceNotPresent) != 0) co_return kErrorDeviceNotPresent;
    co_return 0;
}

Task<bool> KernalJumpTable::call(int address, Cpu6510& cpu) {
    auto& m = memory();
    int error = 0;
    bool setsA = false;  // N and Z follow A afterwards
    switch (address) {
        case kCint:
            kernal.screen.reset(m);
            break;
        case kIoinit:
        case kRamtas:
        case kSettmo:
            break;
        case kRestor:
            restoreVectors();
            break;
        case kVector: {
            int table = cpu.x | (cpu.y << 8);
            for (int i = 0; i < 32; ++i) {
                if (cpu.flag(kFlagCarry)) {
                    m.write(table + i, m.read(kIrqVectorRam + i));
                } else {
                    m.write(kIrqVectorRam + i, m.read(table + i));
                }
            }
            break;
        }
        case kSetmsg:
            m.write(kMessageFlag, cpu.a);
            break;
        case kSecond:
            co_await kernal.second(cpu.a);
            break;
        case kTksa:
            co_await kernal.tksa(cpu.a);
            break;
        case kMemtop:
        case kMembot: {
            int at = address == kMemtop ? kMemTop : kMemBottom;
            if (cpu.flag(kFlagCarry)) {
                cpu.x = m.read(at);
                cpu.y = m.read(at + 1);
            } else {
                m.write(at, cpu.x);
                m.write(at + 1, cpu.y);
            }
            break;
        }
        case kScnkey:
            co_await kernal.scanKeyboard();
            break;
        case kAcptr:
            cpu.a = static_cast<std::uint8_t>(co_await kernal.acptr());
            setsA = true;
            break;
        case kCiout:
            co_await kernal.ciout(cpu.a);
            break;
        case kUntlk:
            co_await kernal.untalk();
            break;
        case kUnlsn:
            co_await kernal.unlisten();
            break;
        case kListen:
            m.write(link::kC64StatusByte, 0);
            co_await kernal.listen(cpu.a);
            break;
        case kTalk:
            m.write(link::kC64StatusByte, 0);
            co_await kernal.talk(cpu.a);
            break;
        case kReadst:
            cpu.a = kernal.st();
            setsA = true;
            break;
        case kSetlfs:
            m.write(kFileNumber, cpu.a);
            m.write(kDevice, cpu.x);
            m.write(kSecondary, cpu.y);
            break;
        case kSetnam:
            m.write(kNameLength, cpu.a);
            m.write(kNamePointer, cpu.x);
            m.write(kNamePointer + 1, cpu.y);
            break;
        case kOpen:
            error = co_await open(cpu);
            break;
        case kClose: {
            auto file = kernal.files.find(cpu.a);
            if (file != kernal.files.end()) {
                if (file->second.first >= kFirstSerialDevice) {
                    co_await kernal.close(cpu.a);
                } else {
                    kernal.files.erase(file);
                }
            }
            m.write(kOpenFiles, static_cast<std::uint8_t>(kernal.files.size()));
            break;
        }
        case kChkin:
            error = co_await openChannel(cpu, false);
            break;
        case kChkout:
            error = co_await openChannel(cpu, true);
            break;
        case kClrchn:
            co_await clearChannelsOnBus();
            break;
        case kChrin:
            if (!co_await chrin(cpu)) co_return false;
            setsA = true;
            break;
        case kChrout:
            if (m.read(kOutputDevice) >= kFirstSerialDevice) {
                co_await kernal.ciout(cpu.a);
            } else {
                kernal.screen.print(m, cpu.a);
            }
            break;
        case kGetin:
            if (m.read(kInputDevice) == kKeyboard) {
                cpu.a = static_cast<std::uint8_t>(takeKey());
            } else if (!co_await chrin(cpu)) {
                co_return false;
            }
            setsA = true;
            break;
        case kLoad:
            error = co_await load(cpu);
            break;
        case kSave:
            error = co_await save(cpu);
            break;
        case kSettim:
            m.write(kJiffyClock + 2, cpu.a);
            m.write(kJiffyClock + 1, cpu.x);
            m.write(kJiffyClock, cpu.y);
            break;
        case kRdtim:
            cpu.a = m.read(kJiffyClock + 2);
            cpu.x = m.read(kJiffyClock + 1);
            cpu.y = m.read(kJiffyClock);
            break;
        case kStop: {
            bool down = m.read(kStopKeyFlag) == kStopDown;
            if (down) {
                // The kernal also drops the channels and what was typed.
                co_await clearChannelsOnBus();
                m.write(link::kC64KeyCount, 0);
            }
            cpu.a = m.read(kStopKeyFlag);
            setFlag(cpu, kFlagZero, down);
            break;
        }
        case kClall:
            // As the C64's CLALL: the table is emptied, the drives are not told.
            kernal.files.clear();
            m.write(kOpenFiles, 0);
            co_await clearChannelsOnBus();
            break;
        case kUdtim:
            updateClock();
            break;
        case kScreen:
            cpu.x = kScreenColumns;
            cpu.y = kScreenRows;
            break;
        case kPlot:
            if (cpu.flag(kFlagCarry)) {
                cpu.x = static_cast<std::uint8_t>(kernal.screen.row);
                cpu.y = static_cast<std::uint8_t>(kernal.screen.column);
            } else {
                kernal.screen.moveTo(m, cpu.x, cpu.y);
            }
            break;
        case kIobase:
            cpu.x = kCiaBase & 0xFF;
            cpu.y = kCiaBase >> 8;
            break;
        default:
            break;
    }
    if (error != 0) {
        cpu.a = static_cast<std::uint8_t>(error);
        setFlag(cpu, kFlagCarry, true);
    } else if (address == kOpen || address == kChkin || address == kChkout ||
               address == kLoad || address == kSave || address == kChrin ||
               address == kGetin || address == kChrout) {
        setFlag(cpu, kFlagCarry, false);
    }
    if (setsA) setNZ(cpu, cpu.a);
    co_return true;
}

}  // namespace brimwick::c64::vc64
