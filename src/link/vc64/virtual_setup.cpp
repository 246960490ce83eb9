// Wiring the PC side to the virtual C64.
#include "link/vc64/virtual_setup.h"

#include "platform/file.h"
#include "platform/paths.h"

namespace brimwick::link::vc64 {

VirtualSetup::VirtualSetup() {
    config::resetSettings(settings);
    settings.portChoice = 2;
    c64.cable.base = config::portBaseFor(settings.portChoice);
    link.selectPort(settings.portChoice, &c64.cable);
    link.requestOnline(true);
    // The first poll raises the presence line for the kernal.
    dispatcher.poll();
}

drive::DriveUnit& VirtualSetup::serve(int device, const std::string& path) {
    int index = device - config::kFirstDevice;
    drive::DriveUnit& unit = drives[static_cast<std::size_t>(index)];
    bool directory = !path.empty() && path.back() == platform::kPathSeparator;
    if (directory || platform::exists(path)) {
        unit.mount(path, directory);
    } else {
        unit.newImage(TextSlice(path.c_str()));
    }
    settings.realDevice[index] = 0;
    settings.hostMode[index] = directory ? 1 : 0;
    return unit;
}

}  // namespace brimwick::link::vc64
