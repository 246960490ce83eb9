// A drive on a fresh image in a scratch directory, driven through the bus.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "d64/geometry.h"
#include "drive/drive_unit.h"
#include "kernal_bus.h"
#include "platform/trace_log.h"
#include "temp_dir.h"

namespace brimwick::drive::testing {

struct DriveFixture : ::testing::Test {
    brimwick::testing::TempDir dir;  // scratch directory for images and PC files
    DriveUnit unit;                  // the drive under test
    KernalBus bus{unit};             // the C64 side

    DriveFixture() {
        platform::traceLog().captureInMemory();
        unit.ramFilePath = dir.file(kRamFileName);
        unit.newImage(TextSlice(dir.file("disk.d64").c_str()));
    }
    // Serves the scratch directory instead of the image.
    void serveDirectory() { unit.mount(dir.path(), true); }

    // A directory cursor on the entry of `name`; a failure when there is none.
    d64::BlockCursor entryOf(const char* name) {
        d64::BlockCursor cursor(unit.image, *unit.format);
        cursor.rewind();
        EXPECT_TRUE(cursor.findEntry(name)) << name;
        return cursor;
    }
    std::uint8_t* block(std::int32_t track, std::int32_t sector) {
        d64::BlockCursor c;
        c.toOffset(track, sector);
        return unit.image + c.offset;
    }
    const std::string& trace() { return platform::traceLog().captured(); }
};

inline std::vector<std::uint8_t> pattern(std::size_t n, int seed = 3) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::uint8_t>(i * 7 + seed);
    return v;
}

inline std::vector<std::uint8_t> bytesOf(std::string_view text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

}  // namespace brimwick::drive::testing
