#include "link/PedalMessages.h"
#include "link/HexMessage.h"

#include <gtest/gtest.h>

namespace corvid::testing {
namespace {

TEST(PedalMessages, DeviceInformationDecodesWhatItEncodes) {
    DeviceInfo info{.firmwareVersion = 5,
                    .algorithmVersion = 0x0108,
                    .effectNumber = 8,
                    .footswitchMode = 3,
                    .controlFlags = {true, false, true, false, true},
                    .controlWords = {0x0038, 0xFFFF, 0x0044, 0xFFFF, 0xFFFE},
                    .tuning = 4};
    for (std::size_t slot = 0; slot < parameterCount; ++slot) {
        info.values[slot] = 0x01020304u * static_cast<std::uint32_t>(slot + 1);
    }
    const std::vector<std::uint8_t> reply = EncodeDeviceInfo(info);
    ASSERT_EQ(reply.size(), deviceinfo::Values);
    // The offsets the pedal uses: the version's high byte first, flags then words, values MSB
    // first from 21.
    EXPECT_EQ(reply[1], 0x01);
    EXPECT_EQ(reply[2], 0x08);
    EXPECT_EQ(reply[5], 1);
    EXPECT_EQ(reply[10], 0x00);
    EXPECT_EQ(reply[11], 0x38);
    EXPECT_EQ(reply[20], 4);
    EXPECT_EQ(reply[21], 0x01);
    EXPECT_EQ(reply[80], 0x3C);
    EXPECT_EQ(DecodeDeviceInfo(reply), info);
}

TEST(PedalMessages, EachMessageIsBuiltOnce) {
    std::array<std::uint32_t, parameterCount> values{};
    values[slot::InputLevel] = 0x00400000;
    values[slot::HighNotesCut] = 0x100;
    values[slot::Dry] = 0xFFFFFFFF; // not stored: only the five assignable ones are
    EXPECT_EQ(StoreSettingsMessage(values), "03"
                                            "00400000"
                                            "00000000"
                                            "00000000"
                                            "00000000"
                                            "00000100");
    EXPECT_EQ(
        AssignMessage({true, false, true, false, true}, {0x0038, 0xFFFF, 0x0044, 0xFFFF, 0xFFFE}),
        "04"
        "0100010001"
        "0038FFFF0044FFFFFFFE");
    const std::vector<std::pair<std::uint8_t, std::string>> footswitch = {
        {FootswitchMode(true, false), "080000"},
        {FootswitchMode(true, true), "080001"},
        {FootswitchMode(false, false), "080100"},
        {FootswitchMode(false, true), "080101"},
        {4, ""},
    };
    for (const auto& [mode, text] : footswitch) {
        EXPECT_EQ(FootswitchMessage(mode), text) << int{mode};
        if (mode <= 3) {
            EXPECT_EQ(FootswitchMode(ShortPressBypasses(mode), LongPressBypasses(mode)), mode);
        }
    }
}

} // namespace
} // namespace corvid::testing
