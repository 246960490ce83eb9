// Wiring the PC side to an in-process C64's cable.
#include "link/pc_side.h"

#include <stdexcept>

#include "platform/file.h"
#include "platform/paths.h"

namespace brimwick::link {

PcSide::PcSide() {
    config::resetSettings(settings);
    settings.portChoice = kInProcessPortChoice;
}

void PcSide::attach(PortIo& cable) {
    link.selectPort(settings.portChoice, &cable);
    link.requestOnline(true);
}

drive::DriveUnit& PcSide::serve(int device, const std::string& path) {
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

}  // namespace brimwick::link
