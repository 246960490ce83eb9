// A test fixture around the virtual C64 and the whole PC side: a scratch
// directory for images, PC files and the drives' RAM dumps, the trace log
// kept in memory, and a short strobe time-out so that a hung handshake
// fails a test quickly instead of stalling it.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>

#include "../../temp_dir.h"
#include "c64/vc64/virtual_setup.h"
#include "platform/trace_log.h"

namespace brimwick::c64::vc64::testing {

class VirtualSetupTest : public ::testing::Test {
  protected:
    brimwick::testing::TempDir dir;  // images, PC files, RAM dumps, kernels/
    VirtualSetup setup;              // the virtual C64 and the PC side

    VirtualSetupTest() {
        platform::traceLog().captureInMemory();
        setup.link.strobeTimeoutMs = 100;
        setup.dispatcher.programDirectory = dir.path();
        for (auto& unit : setup.drives) unit.ramFilePath = dir.file("RAM_C1541.prg");
    }
    ~VirtualSetupTest() override { platform::traceLog().close(); }

    // Device `device` serves disk.d64 in the scratch directory (made fresh).
    drive::DriveUnit& serveImage(int device = 8) {
        return setup.serve(device, dir.file("disk.d64"));
    }
    // Device `device` serves the PC directory pc/ in the scratch directory.
    drive::DriveUnit& servePcDirectory(int device = 9) {
        std::filesystem::create_directory(dir.file("pc"));
        return setup.serve(device, dir.file("pc") + "/");
    }
};

}  // namespace brimwick::c64::vc64::testing
