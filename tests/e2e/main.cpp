// The scenarios run as GoogleTest tests; with --screens DIR the driver walks
// every page it can reach and saves a screenshot of each into DIR instead;
// with --windows-version it prints the version the system reports to it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

int RunScreensWalk(const std::string& dir);
int PrintWindowsVersion();

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "--windows-version") == 0)
        return PrintWindowsVersion();
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--screens") == 0)
            return RunScreensWalk(argv[i + 1]);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
