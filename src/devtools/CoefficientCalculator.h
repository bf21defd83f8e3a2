#pragma once

#include "base/Services.h"
#include "filters/PeakingFilter.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace corvid {

// The note picker's 48 notes, A1 to G#5.
inline constexpr std::size_t notePickerCount = 48;
std::array<std::string, notePickerCount> NotePickerNames();

// The console's filter coefficient calculator: a peaking filter on a note, printed as the
// 20-text table the pedal's note filters use. It sends nothing.
class CoefficientCalculator {
public:
    static constexpr int kReferenceIndex = 12; // A2
    static constexpr double kReferenceHz = 110.0;

    CoefficientCalculator(Log& log, Dialogs& dialogs) : log_(log), dialogs_(dialogs) {}

    void ChooseNote(int index);
    // A field's text in the regional number format; a text that is not a number is shown and
    // changes nothing. True when it took effect.
    bool SetQ(const std::string& text);
    bool SetGain(const std::string& text);
    double NoteFrequency() const;
    bool ComputeCoefficients();
    // Computes the filter at f0 and prints the header and the five coefficient lines. A Q not
    // above 0, or a coefficient that is not finite or does not fit 32 bits, is refused with a
    // message naming the value, and nothing is printed.
    bool PrintFilterCoefficients(double f0);
    // The six lines, or nullopt with the reason.
    std::optional<std::vector<std::string>> CoefficientLines(double f0, std::string& reason);
    // A number as the fields show it: the system's format, shortest form (11, 1.41, -6).
    static std::string Shortest(double value);

    int noteIndex = 0;
    double noteOffset = -12;
    double filterQ = 11.0;
    double filterGainDb = -6.0;
    double noteFrequency = 0;
    // The last filter printed (for the response plot).
    std::optional<BiquadCoefficients> lastFilter;

private:
    std::optional<double> ParseField(const std::string& text);

    Log& log_;
    Dialogs& dialogs_;
};

} // namespace corvid
