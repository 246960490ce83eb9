// Defaults of the configuration record.
#include "config/settings.h"

#include <cstring>

#include "platform/trace_log.h"

namespace brimwick::config {

void resetSettings(Settings& s) {
    std::memset(&s, 0, sizeof s);
    platform::traceLog() << "\n Reseting State.";
    s.currentDrive = kDefaultDrive;
    s.currentDriveAtReset = s.currentDrive;
    s.startMinimized = 0;
    s.portChoice = 0;
    s.showResultsOnErrors = 1;
    s.showResultsOnSuccess = 1;
    s.startAssembled = 0;
    s.addressInObjectName = 1;
    for (int i = kDriveCount - 1; i >= 0; --i) s.realDevice[i] = i + kFirstDevice;
}

Settings& settings() {
    static Settings record = [] {
        Settings s{};
        resetSettings(s);
        return s;
    }();
    return record;
}

const char* selectedResetSequence(const Settings& s) {
    if (s.resetSequenceIndex < 0 || s.resetSequenceIndex >= kResetSequenceCount) return "";
    const char* text = s.resetSequences[s.resetSequenceIndex];
    // A sequence read from a file may lack its NUL: never read past its slot.
    if (std::memchr(text, 0, kResetSequenceSize) == nullptr) return "";
    return text;
}

}  // namespace brimwick::config
