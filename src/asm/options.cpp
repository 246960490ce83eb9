// The assembler's options as the settings record holds them.
#include "asm/assembler.h"
#include "config/settings.h"

namespace brimwick::assembler {

AssemblerOptions optionsFromSettings(const config::Settings& settings) {
    AssemblerOptions options;
    options.addressInObjectName = settings.addressInObjectName != 0;
    options.showResultsOnSuccess = settings.showResultsOnSuccess != 0;
    options.showResultsOnErrors = settings.showResultsOnErrors != 0;
    return options;
}

}  // namespace brimwick::assembler
