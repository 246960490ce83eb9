// Reading a device number from a file name.
#include "shell/device_from_file_name.h"

#include <string_view>

namespace brimwick::shell {

int deviceFromFileName(TextSlice& path, platform::UserDialogs& dialogs) {
    selectBaseNameBeforeLastDot(path);
    std::string_view name(path.cstr());
    if (name.size() == 1 && name[0] >= '5' && name[0] <= '9') return name[0] - '0';
    if (name.size() == 2 && name[0] == '1' && name[1] >= '0' && name[1] <= '4')
        return 10 + (name[1] - '0');
    dialogs.messageBox(kIllegalDeviceText, kAppTitle, platform::MessageButtons::Ok,
                       platform::MessageIcon::Warning);
    return -1;
}

}  // namespace brimwick::shell
