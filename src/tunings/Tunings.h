#pragma once

#include "base/Services.h"
#include "filters/PeakingFilter.h"
#include "link/Communication.h"

#include <array>
#include <cstdint>
#include <string>

namespace corvid {

// One note filter as the pedal receives it: b0, b1, b2, -a1, -a2, four bytes each, MSB first.
using TuningTable = std::array<std::uint8_t, 20>;

inline constexpr std::size_t tuningTableCount = 32;

// Which note, cut and Q each table is for: tables 0-17 are D2 to G3 cut by 6 dB at Q 11, tables
// 18-31 are C3 to C#4 cut by 20 dB at Q 12.
struct TuningFilter {
    int midiNote;
    double gainDb;
    double q;
};
TuningFilter TuningTableFilter(std::size_t table);

// The tables, computed from the filter rule; the same bytes for every build.
std::array<TuningTable, tuningTableCount> ComputeTuningTables();
extern const std::array<TuningTable, tuningTableCount> tuningTables;

// The coefficients a table holds, read back from its fixed-point bytes.
BiquadCoefficients TableCoefficients(const TuningTable& table);

// The note filters' coefficient tables and the tuning choice sent to the pedal.
class Tunings {
public:
    static constexpr int kPreUploadPauseMs = 400;
    static constexpr int kTuningPauseMs = 100;

    Tunings(Communication& link, Log& log, Dialogs& dialogs, Clock& clock)
        : link_(link), log_(log), dialogs_(dialogs), clock_(clock) {}

    // tuningData := the 32 tables as 1,280 hex digits, logged.
    void BuildTuningData();
    // Sends the tables after the pre-upload message; true when the user said Yes and the
    // message went out.
    bool UploadTuningData();
    // "09" and the tuning as two hex digits.
    static std::string TuningMessage(std::uint8_t tuning);
    // Asks, then tells the pedal which tuning the guitar is in; true when it was sent.
    bool SetTuning(std::uint8_t selectedTuning);

    std::string tuningData;

private:
    Communication& link_;
    Log& log_;
    Dialogs& dialogs_;
    Clock& clock_;
};

} // namespace corvid
