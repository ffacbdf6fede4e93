#include "panel/app/command_line.h"

#include <gtest/gtest.h>

#include <string>

namespace tamsel {
namespace {

struct SwitchCase {
    const char* commandLine;
    RegistrationSwitch expected;
};

class RegistrationSwitchTest : public ::testing::TestWithParam<SwitchCase> {};

TEST_P(RegistrationSwitchTest, RecognisesOnlyAKeywordThatEndsTheLine) {
    const SwitchCase& c = GetParam();
    EXPECT_EQ(ScanRegistrationSwitch(c.commandLine, IsCp932LeadByte), c.expected) << c.commandLine;
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, RegistrationSwitchTest,
    ::testing::Values(
        SwitchCase{"Tamsel.exe", RegistrationSwitch::None},
        SwitchCase{"Tamsel.exe /RegServer", RegistrationSwitch::RegServer},
        SwitchCase{"Tamsel.exe -RegServer", RegistrationSwitch::RegServer},
        SwitchCase{"Tamsel.exe -unregserver", RegistrationSwitch::UnregServer},
        SwitchCase{"Tamsel.exe /UNREGSERVER", RegistrationSwitch::UnregServer},
        // A path with a dash in front of the switch: the first dash's rest
        // does not match, the scan goes on to the real switch.
        SwitchCase{"\"C:\\my-tools\\Tamsel.exe\" /RegServer", RegistrationSwitch::RegServer},
        // The keyword must be the last thing on the line.
        SwitchCase{"Tamsel.exe /RegServer /x", RegistrationSwitch::None},
        SwitchCase{"Tamsel.exe /RegServer ", RegistrationSwitch::None},
        SwitchCase{"Tamsel.exe /RegServerX", RegistrationSwitch::None},
        SwitchCase{"Tamsel.exe RegServer", RegistrationSwitch::None},
        SwitchCase{"Tamsel.exe / RegServer", RegistrationSwitch::None},
        SwitchCase{"Tamsel.exe /", RegistrationSwitch::None},
        SwitchCase{"Tamsel.exe /Reg", RegistrationSwitch::None},
        SwitchCase{"", RegistrationSwitch::None}));

TEST(RegistrationSwitchScan, TrailByteOfADoubleByteCharacterIsNoSwitch) {
    // With 0xA0 taken as a lead byte, the '/' behind it is its trail byte.
    const auto leadA0 = [](unsigned char b) { return b == 0xA0; };
    const std::string line = std::string("Tamsel.exe \xA0") + "/RegServer";
    EXPECT_EQ(ScanRegistrationSwitch(line, leadA0), RegistrationSwitch::None);
    // Without that rule the same bytes hold the switch.
    EXPECT_EQ(ScanRegistrationSwitch(line, nullptr), RegistrationSwitch::RegServer);
    // A Japanese folder name in code page 932 before the switch.
    EXPECT_EQ(ScanRegistrationSwitch("C:\\\x83\x5C\x83\x74\x83\x67\\Tamsel.exe -RegServer", IsCp932LeadByte),
              RegistrationSwitch::RegServer);
}

TEST(RegistrationSwitchScan, LeadByteAtTheVeryEndDoesNotReadPastTheLine) {
    const std::string line = "Tamsel.exe \x83";
    EXPECT_EQ(ScanRegistrationSwitch(line, IsCp932LeadByte), RegistrationSwitch::None);
}

}  // namespace
}  // namespace tamsel
