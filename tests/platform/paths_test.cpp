// The program directory and its override.
#include "platform/paths.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace brimwick::platform {
namespace {

TEST(ProgramDirectory, EndsWithSeparatorAndHonoursOverride) {
    ::unsetenv(kHomeVariable);
    std::string own = programDirectory();
    ASSERT_FALSE(own.empty());
    EXPECT_EQ(own.back(), kPathSeparator);

    ::setenv(kHomeVariable, "/opt/brimwick", 1);
    EXPECT_EQ(programDirectory(), "/opt/brimwick/");
    ::setenv(kHomeVariable, "/opt/brimwick/", 1);
    EXPECT_EQ(programDirectory(), "/opt/brimwick/");
    ::setenv(kHomeVariable, "", 1);
    EXPECT_EQ(programDirectory(), own);
    // The executable's own directory never follows the override.
    ::setenv(kHomeVariable, "/opt/brimwick", 1);
    EXPECT_EQ(executableDirectory(), own);
    ::unsetenv(kHomeVariable);
}

}  // namespace
}  // namespace brimwick::platform
