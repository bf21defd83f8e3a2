#include "devtools/CoefficientCalculator.h"

#include "link/HexMessage.h"

#include <QLocale>
#include <QString>

#include <cmath>
#include <limits>

namespace corvid {

std::array<std::string, notePickerCount> NotePickerNames() {
    static constexpr std::array<const char*, 12> names = {"A",  "A#", "B", "C",  "C#", "D",
                                                          "D#", "E",  "F", "F#", "G",  "G#"};
    std::array<std::string, notePickerCount> notes;
    for (std::size_t i = 0; i < notes.size(); ++i) {
        // The octave number changes at C, three semitones above A.
        const std::size_t octave = 1 + (i + 9) / 12;
        notes[i] = names[i % 12] + std::to_string(octave);
    }
    return notes;
}

namespace {

// The system's number format, without group separators (1000, not 1,000).
QLocale Regional() {
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator | QLocale::RejectGroupSeparator);
    return locale;
}

} // namespace

std::string CoefficientCalculator::Shortest(double value) {
    return Regional().toString(value, 'g', QLocale::FloatingPointShortest).toStdString();
}

std::optional<double> CoefficientCalculator::ParseField(const std::string& text) {
    bool ok = false;
    const double value = Regional().toDouble(QString::fromStdString(text), &ok);
    if (!ok) {
        dialogs_.ShowMessage("'" + text + "' is not a valid floating point value");
        return std::nullopt;
    }
    return value;
}

void CoefficientCalculator::ChooseNote(int index) {
    noteIndex = index;
    noteOffset = index - kReferenceIndex;
}

bool CoefficientCalculator::SetQ(const std::string& text) {
    const std::optional<double> value = ParseField(text);
    if (!value) {
        return false;
    }
    filterQ = *value;
    log_.PrintToConsole("Q: " + Shortest(filterQ));
    return true;
}

bool CoefficientCalculator::SetGain(const std::string& text) {
    const std::optional<double> value = ParseField(text);
    if (!value) {
        return false;
    }
    filterGainDb = *value;
    log_.PrintToConsole("boost: " + Shortest(filterGainDb));
    return true;
}

double CoefficientCalculator::NoteFrequency() const {
    return kReferenceHz * std::pow(2.0, noteOffset / 12.0);
}

bool CoefficientCalculator::ComputeCoefficients() {
    noteFrequency = NoteFrequency();
    return PrintFilterCoefficients(noteFrequency);
}

std::optional<std::vector<std::string>>
CoefficientCalculator::CoefficientLines(double f0, std::string& reason) {
    if (!(filterQ > 0)) {
        reason = "Q must be greater than 0: " + Shortest(filterQ);
        return std::nullopt;
    }
    const BiquadCoefficients c = PeakingFilter(f0, filterQ, filterGainDb);
    std::vector<std::string> words;
    for (double coefficient : c.InOrder()) {
        const double scaled = std::nearbyint(std::ldexp(coefficient, kCoefficientFractionBits));
        if (!std::isfinite(scaled) || scaled < std::numeric_limits<std::int32_t>::min() ||
            scaled > std::numeric_limits<std::int32_t>::max()) {
            reason = "the filter cannot be held in 32 bits with gain " + Shortest(filterGainDb) +
                     " dB and Q " + Shortest(filterQ);
            return std::nullopt;
        }
        words.push_back(HexField(static_cast<std::uint32_t>(static_cast<std::int32_t>(scaled)), 8));
    }
    const std::string note = NotePickerNames().at(static_cast<std::size_t>(noteIndex));
    std::vector<std::string> lines = {note + "_" + Shortest(std::abs(filterGainDb)) + "db_" +
                                      (filterGainDb < 0 ? "cut" : "boost") + "_Q" +
                                      Shortest(filterQ) + " : array[0..19] of string ="};
    for (std::size_t i = 0; i < words.size(); ++i) {
        std::string line = i == 0 ? "(" : "";
        for (std::size_t b = 0; b < 4; ++b) {
            line.append("'").append(words[i], 2 * b, 2).append("'").append(b < 3 ? ", " : "");
        }
        line += i + 1 < words.size() ? ", " : ");";
        lines.push_back(line);
    }
    lastFilter = c;
    return lines;
}

bool CoefficientCalculator::PrintFilterCoefficients(double f0) {
    std::string reason;
    const std::optional<std::vector<std::string>> lines = CoefficientLines(f0, reason);
    if (!lines) {
        dialogs_.ShowMessage("Cannot compute the filter: " + reason);
        return false;
    }
    for (const std::string& line : *lines) {
        log_.PrintToConsole(line);
    }
    return true;
}

} // namespace corvid
