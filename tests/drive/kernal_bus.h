// Drives a unit the way the C64's kernal does, through the bus operations,
// and catches drive errors the way the link dispatcher does: the error goes
// back to the unit (setError) and the C64 would see ST bit 1.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "d64/c1541_error.h"
#include "drive/drive_core.h"

namespace brimwick::drive::testing {

inline constexpr std::uint8_t kDevice = 8;
inline constexpr std::int32_t kMaxRead = 200000;  // safety stop for endless reads

class KernalBus {
  public:
    explicit KernalBus(DriveCore& unit) : drive(unit) {}

    DriveCore& drive;       // the unit addressed as device 8
    std::string lastError;  // text of the last drive error ("" when none)
    int errorCount = 0;     // drive errors seen (each sets ST bit 1)

    // One request: a drive error ends it and goes to the drive.
    template <typename Step>
    void request(Step&& step) {
        try {
            step();
        } catch (const c1541_error* e) {
            drive.setError(e);
            lastError = e->text;
            ++errorCount;
        }
    }

    void listen() {
        request([&] { drive.listenOrTalk(kListen + kDevice); });
    }
    void talk() {
        request([&] { drive.listenOrTalk(kTalk + kDevice); });
    }
    void second(std::uint8_t b) {
        request([&] { drive.secondaryAfterListen(b); });
    }
    void tksa(std::uint8_t b) {
        request([&] { drive.secondaryAfterTalk(b); });
    }
    void ciout(std::uint8_t b) {
        request([&] { drive.byteOut(b); });
    }
    void unlisten() {
        request([&] { drive.unlisten(); });
    }
    void untalk() {
        request([&] { drive.untalk(); });
    }
    std::int32_t acptr() {
        std::int32_t v = kNothingToRead;
        request([&] { v = drive.byteIn(); });
        return v;
    }

    // OPEN ch,8,ch,"name"
    void open(int ch, std::string_view name) {
        listen();
        second(static_cast<std::uint8_t>(kSecondaryOpen + ch));
        for (char c : name) ciout(static_cast<std::uint8_t>(c));
        unlisten();
    }
    // PRINT#ch with raw bytes
    void send(int ch, std::string_view bytes) {
        listen();
        second(static_cast<std::uint8_t>(kSecondaryData + ch));
        for (char c : bytes) ciout(static_cast<std::uint8_t>(c));
        unlisten();
    }
    void send(int ch, const std::vector<std::uint8_t>& bytes) {
        send(ch, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    }
    // A DOS command on channel 15.
    void command(std::string_view text) { send(kCommandChannel, text); }
    // CLOSE ch
    void close(int ch) {
        listen();
        second(static_cast<std::uint8_t>(kSecondaryClose + ch));
        unlisten();
    }
    // TALK, TKSA, ACPTR until the end flag (or `limit` bytes), UNTALK: the
    // raw values with their flags.
    std::vector<std::int32_t> readRaw(int ch, std::int32_t limit = kMaxRead) {
        talk();
        tksa(static_cast<std::uint8_t>(kSecondaryData + ch));
        std::vector<std::int32_t> values;
        while (static_cast<std::int32_t>(values.size()) < limit) {
            std::int32_t v = acptr();
            values.push_back(v);
            if (v & kLastByte) break;
        }
        untalk();
        return values;
    }
    // The data bytes of readRaw.
    std::vector<std::uint8_t> read(int ch, std::int32_t limit = kMaxRead) {
        std::vector<std::uint8_t> bytes;
        for (std::int32_t v : readRaw(ch, limit)) bytes.push_back(static_cast<std::uint8_t>(v));
        return bytes;
    }
    // The status line, up to and including its carriage return.
    std::string status() {
        std::vector<std::uint8_t> bytes = read(kCommandChannel, 256);
        return std::string(bytes.begin(), bytes.end());
    }
    // LOAD "name",8 through channel 0, byte by byte.
    std::vector<std::uint8_t> load(std::string_view name) {
        open(0, name);
        std::vector<std::uint8_t> bytes = read(0);
        close(0);
        return bytes;
    }
    // SAVE "name",8 through channel 1, byte by byte.
    void save(std::string_view name, const std::vector<std::uint8_t>& data) {
        open(1, name);
        send(1, data);
        close(1);
    }
};

// The status line the C64 reads for a status text.
inline std::string statusLine(std::string_view text) {
    return std::string(text) + ",0,0\r";
}

}  // namespace brimwick::drive::testing
