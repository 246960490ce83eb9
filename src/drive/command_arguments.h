// The names that follow a disk command. A 1541 reads "S0:A*,0:B",
// "R0:NEW=OLD" and "C:NEW=A,B" alike: the command word up to the colon, then
// names separated by commas, the target before "=", and each name may carry
// a drive number of its own ("0:B"), which a single drive ignores.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace brimwick::drive {

// The text after the first colon; "34,SYNTAX ERROR" when there is no colon
// or nothing after it.
std::string_view commandArguments(std::string_view line);
// A name without its drive part ("0:B" is "B").
std::string_view withoutDrive(std::string_view name);
// The comma-separated names, each without its drive part; "34,SYNTAX ERROR"
// when one of them is empty.
std::vector<std::string> splitNames(std::string_view text);

// "NEW=OLD,..." taken apart.
struct TargetAndSources {
    std::string target;                // the name before "="
    std::vector<std::string> sources;  // the names after it
};
// "30,SYNTAX ERROR" without "=", "34,SYNTAX ERROR" for an empty name and
// "33,SYNTAX ERROR" for "*" or "?" in the target.
TargetAndSources splitAssignment(std::string_view text);

}  // namespace brimwick::drive
