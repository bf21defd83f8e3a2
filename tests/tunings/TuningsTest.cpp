#include "tunings/Tunings.h"
#include "link/HexMessage.h"
#include "support/Digest.h"
#include "tunings/TuningResponse.h"

#include <gtest/gtest.h>

#include <cmath>

namespace corvid::testing {
namespace {

std::string TableHex(std::size_t table) {
    return BytesToHex(tuningTables.at(table).data(), tuningTables.at(table).size(), " ");
}

// Rows the pedal's makers published, each coefficient in transmission order; they pin the
// rounding, the byte order and the two's complement at both ends of both groups.
TEST(TuningTables, MatchThePublishedRows) {
    const std::vector<std::pair<std::size_t, std::string>> rows = {
        {0, "00 7F F5 EC FF 00 2B 70 00 7F E1 AB 00 FF D4 90 FF 80 28 6A"},
        {1, "00 7F F5 52 FF 00 2E 35 00 7F DF DD 00 FF D1 CB FF 80 2A D0"},
        {17, "00 7F E5 1F FF 00 81 4D 00 7F AF 1C 00 FF 7E B3 FF 80 6B C4"},
        {18, "00 7F BD 9D FF 00 9D 1C 00 7F AE DD 00 FF 62 E4 FF 80 93 86"},
        {31, "00 7F 73 B6 FF 01 62 AE 00 7F 54 8A 00 FE 9D 52 FF 81 37 C0"},
    };
    for (const auto& [table, hex] : rows) {
        EXPECT_EQ(TableHex(table), hex) << "table " << table;
    }
}

// All 640 bytes, pinned: a change anywhere in the rule, the rounding or the order shows here.
TEST(TuningTables, AllThirtyTwoAreTheKnownBytes) {
    std::vector<std::uint8_t> all;
    for (const TuningTable& table : tuningTables) {
        all.insert(all.end(), table.begin(), table.end());
    }
    ASSERT_EQ(all.size(), 640u);
    EXPECT_EQ(Sha256(all), kTuningTablesSha256);
}

// Every table, read back from its bytes as the pedal reads it, cuts its own note by its group's
// gain and leaves notes an octave away nearly alone; b1 is -a1 negated, as the rule makes them.
TEST(TuningTables, EachTableCutsItsOwnNote) {
    ASSERT_EQ(tuningTables.size(), 32u);
    for (std::size_t t = 0; t < tuningTables.size(); ++t) {
        const TuningFilter filter = TuningTableFilter(t);
        const BiquadCoefficients c = TableCoefficients(tuningTables[t]);
        const double note = NoteFrequency(filter.midiNote);
        EXPECT_NEAR(MagnitudeDb(c, note), filter.gainDb, 0.01) << "table " << t;
        EXPECT_GT(MagnitudeDb(c, note * 2), -0.3) << "table " << t;
        EXPECT_GT(MagnitudeDb(c, note * 1.01), MagnitudeDb(c, note)) << "table " << t;
        EXPECT_EQ(FromFixedPoint(ToFixedPoint(c.b1)), -c.minusA1) << "table " << t;
    }
    EXPECT_EQ(TuningTableFilter(17).midiNote, 55); // G3
    EXPECT_EQ(TuningTableFilter(18).midiNote, 48); // C3
}

TEST(TuningTables, FixedPointRoundsToNearestEvenAndSaturates) {
    const std::vector<std::pair<double, std::int32_t>> cases = {
        {1.0, 0x00800000},
        {-1.0, -0x00800000},
        {0.5 / (1 << 23), 0}, // a tie goes to the even neighbour
        {1.5 / (1 << 23), 2},
        {0.49 / (1 << 23), 0},            // under half a step rounds down
        {-1.51 / (1 << 23), -2},          // and the negative side likewise
        {255.99999988079071, 0x7FFFFFFF}, // the largest value that fits
        {256.0, 0x7FFFFFFF},              // the first one that does not saturates
        {-256.0, std::numeric_limits<std::int32_t>::min()},
        {-300.0, std::numeric_limits<std::int32_t>::min()},
    };
    for (const auto& [value, fixed] : cases) {
        EXPECT_EQ(ToFixedPoint(value), fixed) << value;
    }
}

TEST(TuningResponse, MarksTheOpenStringsAndTheirCuts) {
    EXPECT_TRUE(OpenStrings(0).empty());
    const std::vector<OpenString> standard = OpenStrings(1);
    ASSERT_EQ(standard.size(), 6u);
    EXPECT_EQ(standard.front().name, "E2");
    EXPECT_EQ(OpenStrings(4).front().name, "Eb2");
    EXPECT_EQ(OpenStrings(2).front().midiNote, 38); // drop D: D2

    // E2 is table 2's own note; A2 has a table too; B3 is above the first group.
    const std::vector<StringCut> cuts = StringCuts(1, tableGroups[0]);
    ASSERT_EQ(cuts.size(), 6u);
    EXPECT_EQ(cuts[0].cut.table, 2u);
    EXPECT_EQ(FormatStringCut(cuts[0]), "E2    82.4 Hz   -6.0 dB (table 2)");
    EXPECT_EQ(cuts[1].cut.table, 7u);
    EXPECT_GT(cuts[4].cut.db, -1.0);

    const std::vector<ResponsePoint> curve = TableResponse(tuningTables[0], 5);
    ASSERT_EQ(curve.size(), 5u);
    EXPECT_DOUBLE_EQ(curve.front().hz, 30.0);
    EXPECT_NEAR(curve.back().hz, 1000.0, 1e-9);
}

} // namespace
} // namespace corvid::testing
