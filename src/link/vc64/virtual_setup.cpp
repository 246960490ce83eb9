// Wiring the PC side to the virtual C64.
#include "link/vc64/virtual_setup.h"

#include <stdexcept>
#include <string>

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
    std::string held = unit.path;
    bool ready = directory || platform::exists(path) ? unit.mount(path, directory)
                                                     : unit.newImage(TextSlice(path.c_str()));
    if (!ready && unit.path == held)
        throw std::runtime_error("device " + std::to_string(device) + " keeps " + held +
                                 ", which could not be saved: " + unit.saveFailure);
    if (!ready) throw std::runtime_error("cannot read image " + path + ": " + unit.loadFailure);
    settings.realDevice[index] = 0;
    settings.hostMode[index] = directory ? 1 : 0;
    return unit;
}

}  // namespace brimwick::link::vc64
