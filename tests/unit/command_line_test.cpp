#include <gtest/gtest.h>

#include <string>

#include "core/command_line.h"

namespace {

CommandLine Parsed(const char* arguments, bool expected = true)
{
    CommandLine line;
    EXPECT_EQ(ParseCommandLine(arguments, &line), expected) << arguments << ": " << line.Error;
    return line;
}

TEST(CommandLineTest, SwitchesAsDeploymentSystemsPassThem)
{
    CommandLine line = Parsed("");
    EXPECT_FALSE(line.Unattended || line.DestinationGiven || line.LogGiven);

    line = Parsed("/S");
    EXPECT_TRUE(line.Unattended);
    // /D= is the last argument and runs to the end of the line, unquoted.
    line = Parsed("/s /LOG=\"C:\\deploy logs\\kova.log\"  /D=C:\\Program Files\\KOVA 17 ");
    EXPECT_TRUE(line.Unattended);
    EXPECT_STREQ(line.Destination, "C:\\Program Files\\KOVA 17");
    EXPECT_STREQ(line.LogFile, "C:\\deploy logs\\kova.log");
    line = Parsed("\"/LOG=C:\\deploy logs\\whole.log\" /S");
    EXPECT_STREQ(line.LogFile, "C:\\deploy logs\\whole.log");
    line = Parsed("/D=\"D:\\quoted dest\"");
    EXPECT_FALSE(line.Unattended);
    EXPECT_STREQ(line.Destination, "D:\\quoted dest");
    line = Parsed("/D=/S");
    EXPECT_FALSE(line.Unattended) << "a destination named /S is no switch";
    // Tools that quote each argument pass /D= quoted whole, anywhere.
    line = Parsed("\"/D=C:\\Program Files\\KOVA 17\" /S");
    EXPECT_TRUE(line.Unattended);
    EXPECT_STREQ(line.Destination, "C:\\Program Files\\KOVA 17");
}

TEST(CommandLineTest, RefusedLinesKeepTheSilentSwitch)
{
    CommandLine line = Parsed("/X /S", false);
    EXPECT_TRUE(line.Unattended) << "a bad word before /S must not bring a message box";
    EXPECT_NE(std::string(line.Error).find("/X"), std::string::npos);
    EXPECT_TRUE(Parsed("/S /D=", false).Unattended);
    Parsed("/S /D=   ", false);
    Parsed("/SS", false);
    Parsed("/LOG=", false);
    Parsed(("/D=C:\\" + std::string(CommandLinePathSize, 'd')).c_str(), false);
    // A switch inside an unquoted destination may have been meant for the
    // installer: refused, and silent when that switch is /S.
    EXPECT_TRUE(Parsed("/D=C:\\Apps\\KOVA /S", false).Unattended);
    EXPECT_FALSE(Parsed("/D=C:\\Apps\\KOVA /log=x.log", false).Unattended);
    Parsed("/D=C:\\Apps\\KOVA /ALLUSERS", false);
    EXPECT_STREQ(Parsed("/D=C:\\Apps /Setup files").Destination, "C:\\Apps /Setup files");
    for (const char* twice : {"/S /s", "/LOG=a /LOG=b", "\"/D=C:\\a\" /D=C:\\b", "/ALLUSERS /S /ALLUSERS"})
        Parsed(twice, false);
}

} // namespace
