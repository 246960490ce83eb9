// Taking the names of a disk command apart.
#include "drive/command_arguments.h"

#include "d64/c1541_error.h"

namespace brimwick::drive {

std::string_view commandArguments(std::string_view line) {
    std::size_t colon = line.find(':');
    if (colon == std::string_view::npos || colon + 1 == line.size()) throwDriveError(kErrNoName);
    return line.substr(colon + 1);
}

std::string_view withoutDrive(std::string_view name) {
    std::size_t colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

std::vector<std::string> splitNames(std::string_view text) {
    std::vector<std::string> names;
    for (;;) {
        std::size_t comma = text.find(',');
        std::string_view name = withoutDrive(text.substr(0, comma));
        if (name.empty()) throwDriveError(kErrNoName);
        names.emplace_back(name);
        if (comma == std::string_view::npos) return names;
        text.remove_prefix(comma + 1);
    }
}

TargetAndSources splitAssignment(std::string_view text) {
    std::size_t equals = text.find('=');
    if (equals == std::string_view::npos) throwDriveError(kErrSyntax);
    TargetAndSources parts;
    parts.target = withoutDrive(text.substr(0, equals));
    if (parts.target.empty()) throwDriveError(kErrNoName);
    // A name that could not be asked for again, as in an OPEN to write.
    if (parts.target.find_first_of("*?") != std::string::npos) throwDriveError(kErrSyntaxName);
    parts.sources = splitNames(text.substr(equals + 1));
    return parts;
}

}  // namespace brimwick::drive
