#include <gtest/gtest.h>

#include "upgrade/finishing.h"

TEST(LibraryEnvironmentAtStart, FilledBeforeMain)
{
    EXPECT_EQ(LibraryEnvironment.LibraryDirGiven, 1);
    EXPECT_STREQ(LibraryEnvironment.LibraryDir, "C:/Data/Libs");
}
