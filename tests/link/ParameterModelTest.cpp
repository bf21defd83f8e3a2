#include "link/ParameterModel.h"
#include "algorithms/AlgorithmLibrary.h"
#include "support/Fakes.h"

#include <gtest/gtest.h>

namespace corvid::testing {
namespace {

std::string ShippedLine0() {
    ScriptedDialogs dialogs;
    AlgorithmLibrary library(dialogs);
    library.LoadResourceLines("CORVID_MK3_0008");
    return library.resourceLines.at(0);
}

TEST(ParameterModel, AddressesComeFromTheAlgorithmText) {
    ParameterSet parameters;
    EXPECT_EQ(parameters.Address(slot::InputLevel), 0xFFFF);
    EXPECT_EQ(parameters.Address(slot::Dry), 0);
    std::string error;
    ASSERT_TRUE(LoadParameterAddresses(ShippedLine0(), parameters, error)) << error;
    const std::vector<std::pair<std::size_t, std::uint16_t>> expected = {
        {slot::Dry, 0x000B},          {slot::SubMix, 0x00E8},
        {slot::Minus1Oct, 0x0077},    {slot::Minus2Oct, 0x0073},
        {slot::Wave, 0x0003},         {slot::LowPass, 0x00CC},
        {slot::HighPass, 0x00DE},     {slot::FirstHarmonic, 0x00A0},
        {slot::Split, 0x00E9},        {slot::Range, 0},
        {slot::InputLevel, 0x000A},   {slot::HarmonicPitch, 0x006E},
        {slot::WaveClip, 0x00E7},     {slot::DominantNoteCut, 0x001B},
        {slot::HighNotesCut, 0x000C},
    };
    for (const auto& [s, address] : expected) {
        EXPECT_EQ(parameters.Address(s), address) << parameters.Name(s);
    }
}

TEST(ParameterModel, BadAddressTablesAreRefused) {
    ParameterSet parameters;
    std::string error;
    EXPECT_FALSE(LoadParameterAddresses(ShippedLine0().substr(0, 73), parameters, error));
    EXPECT_EQ(error, "the algorithm's address table is incomplete (73 of 74 characters)");
    EXPECT_EQ(parameters.Address(slot::Dry), 0);

    std::string line = ShippedLine0();
    line.replace(58, 4, "00G1"); // the field of "1st Harmonic Pitch"
    EXPECT_FALSE(LoadParameterAddresses(line, parameters, error));
    EXPECT_EQ(error, "'00G1' at character 59 is not a hexadecimal address");
    EXPECT_EQ(parameters.Address(slot::InputLevel), 0x000A);
    EXPECT_EQ(parameters.Address(slot::HarmonicPitch), 0xFFFF);
    EXPECT_FALSE(HexFieldToBytes("0x12"));
    EXPECT_EQ(*HexFieldToBytes("0aFf1"), (std::vector<std::uint8_t>{0x0A, 0xFF}));
}

TEST(ParameterModel, DialAnglesEncodeAsLevels) {
    const std::vector<std::pair<int, std::uint32_t>> cases = {
        {-135, 0x00000000}, {-136, 0x00008000}, {-179, 0x0014E000}, {180, 0x0014E000},
        {-180, 0x0014E000}, {90, 0x003FC000},   {0, 0x006A8000},    {-45, 0x007FE000},
        {-100, 0x00000000}, {-90, 0x00000000},  {-89, 0x007FE000},  {-1, 0x006B0000},
    };
    for (const auto& [angle, value] : cases) {
        EXPECT_EQ(DialAngleToValue(angle), value) << angle;
    }
    EXPECT_EQ(SnapDialAngle(-100), -135);
    EXPECT_EQ(SnapDialAngle(-89), -45);
    EXPECT_EQ(SnapDialAngle(-136), -136);
    for (int p = 0; p <= 269; ++p) {
        if (p != 45) {
            EXPECT_EQ(DialAngleToPosition(PositionToDialAngle(p)), p) << p;
        }
    }
}

TEST(ParameterModel, ValuesShowAsDialAngles) {
    struct Case {
        std::uint32_t value;
        std::uint32_t scale;
        int angle;
    };
    const std::vector<Case> cases = {
        {0x0014E000, levelScale, -178},
        {0x003FC000, levelScale, 91},
        {0x006A8000, levelScale, -1},
        {0, levelScale, -135},
        {0x007FE000, levelScale, -45},
        {0x00800000, levelScale, -45},
        {0x00400000, levelScale, 89},
        {0, 24, -135},
        {4, 24, 180},
        {12, 24, 90},
        {24, 24, -45},
        {25, 24, -45},
        {8, 16, 89},
        {16, 16, -45},
        {11, 22, 90},
        {22, 22, -45},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(LevelToDialAngle(c.value, c.scale), c.angle) << c.value << "/" << c.scale;
    }
    EXPECT_EQ(MapRange(5, 0, 10, 0, -3), -1);
}

} // namespace
} // namespace corvid::testing
