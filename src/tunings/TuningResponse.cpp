#include "tunings/TuningResponse.h"

#include <cmath>
#include <cstdio>

namespace corvid {

std::vector<ResponsePoint> TableResponse(const TuningTable& table, int points) {
    return FilterResponse(TableCoefficients(table), points);
}

std::vector<OpenString> OpenStrings(int tuning) {
    // MIDI notes: E2 40, A2 45, D3 50, G3 55, B3 59, E4 64.
    switch (tuning) {
    case 1:
        return {{"E2", 40}, {"A2", 45}, {"D3", 50}, {"G3", 55}, {"B3", 59}, {"E4", 64}};
    case 2:
        return {{"D2", 38}, {"A2", 45}, {"D3", 50}, {"G3", 55}, {"B3", 59}, {"E4", 64}};
    case 3:
        return {{"D2", 38}, {"A2", 45}, {"D3", 50}, {"G3", 55}, {"A3", 57}, {"D4", 62}};
    case 4:
        return {{"Eb2", 39}, {"Ab2", 44}, {"Db3", 49}, {"Gb3", 54}, {"Bb3", 58}, {"Eb4", 63}};
    default:
        return {};
    }
}

GroupCut DeepestCut(const TableGroup& group, double hz) {
    GroupCut deepest{0.0, group.first};
    for (std::size_t t = group.first; t <= group.last; ++t) {
        const double db = MagnitudeDb(TableCoefficients(tuningTables.at(t)), hz);
        if (t == group.first || db < deepest.db) {
            deepest = {db, t};
        }
    }
    return deepest;
}

std::vector<StringCut> StringCuts(int tuning, const TableGroup& group) {
    std::vector<StringCut> cuts;
    for (const OpenString& string : OpenStrings(tuning)) {
        const double hz = NoteFrequency(string.midiNote);
        cuts.push_back({string, hz, DeepestCut(group, hz)});
    }
    return cuts;
}

std::string FormatStringCut(const StringCut& cut) {
    // A cut that rounds away is no cut, not "-0.0".
    const double db = std::abs(cut.cut.db) < 0.05 ? 0.0 : cut.cut.db;
    char line[64];
    std::snprintf(line, sizeof line, "%-3s %6.1f Hz %6.1f dB (table %zu)", cut.string.name.c_str(),
                  cut.hz, db, cut.cut.table);
    return line;
}

} // namespace corvid
