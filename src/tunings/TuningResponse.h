#pragma once

#include "tunings/Tunings.h"

#include <array>
#include <string>
#include <vector>

namespace corvid {

// What the note filters do to a guitar, computed from the bytes the pedal receives (the
// fixed-point coefficients), not from the exact filter rule.

// The two groups of tables: one filter a semitone, each group with its own cut and Q.
struct TableGroup {
    const char* title;
    std::size_t first;
    std::size_t last;
};
inline constexpr std::array<TableGroup, 2> tableGroups = {{
    {"Tables 0-17: D2 to G3, cut 6 dB, Q 11", 0, 17},
    {"Tables 18-31: C3 to C#4, cut 20 dB, Q 12", 18, 31},
}};

// A table's gain at `points` frequencies spaced evenly on a log scale from 30 Hz to 1 kHz.
std::vector<ResponsePoint> TableResponse(const TuningTable& table, int points = 400);

struct OpenString {
    std::string name;
    int midiNote;
};
// The six open strings of a tuning (1-4, lowest string first); none for "No Tuning Selected".
std::vector<OpenString> OpenStrings(int tuning);

// The deepest cut the group's tables make at a frequency, and which table makes it.
struct GroupCut {
    double db;
    std::size_t table;
};
GroupCut DeepestCut(const TableGroup& group, double hz);

// What a group of tables does to each open string of a tuning.
struct StringCut {
    OpenString string;
    double hz;
    GroupCut cut;
};
std::vector<StringCut> StringCuts(int tuning, const TableGroup& group);
// One line of it: "E2  82.4 Hz  -5.9 dB (table 2)".
std::string FormatStringCut(const StringCut& cut);

} // namespace corvid
