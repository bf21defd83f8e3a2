#include "tunings/Tunings.h"

#include "link/HexMessage.h"
#include "link/PedalCommands.h"

namespace corvid {

namespace {

constexpr std::size_t kCutGroupSize = 18;
constexpr int kFirstCutNote = 38;  // D2
constexpr int kFirstDeepNote = 48; // C3

} // namespace

TuningFilter TuningTableFilter(std::size_t table) {
    if (table < kCutGroupSize) {
        return {kFirstCutNote + static_cast<int>(table), -6.0, 11.0};
    }
    return {kFirstDeepNote + static_cast<int>(table - kCutGroupSize), -20.0, 12.0};
}

std::array<TuningTable, tuningTableCount> ComputeTuningTables() {
    std::array<TuningTable, tuningTableCount> tables{};
    for (std::size_t t = 0; t < tables.size(); ++t) {
        const TuningFilter filter = TuningTableFilter(t);
        const BiquadCoefficients c =
            PeakingFilter(NoteFrequency(filter.midiNote), filter.q, filter.gainDb);
        std::size_t at = 0;
        for (double coefficient : c.InOrder()) {
            const auto word = static_cast<std::uint32_t>(ToFixedPoint(coefficient));
            for (int shift = 24; shift >= 0; shift -= 8) {
                tables[t][at++] = static_cast<std::uint8_t>(word >> shift);
            }
        }
    }
    return tables;
}

const std::array<TuningTable, tuningTableCount> tuningTables = ComputeTuningTables();

BiquadCoefficients TableCoefficients(const TuningTable& table) {
    std::array<double, 5> values{};
    for (std::size_t i = 0; i < values.size(); ++i) {
        std::uint32_t word = 0;
        for (std::size_t b = 0; b < 4; ++b) {
            word = (word << 8) | table[4 * i + b];
        }
        values[i] = FromFixedPoint(static_cast<std::int32_t>(word));
    }
    return {values[0], values[1], values[2], values[3], values[4]};
}

void Tunings::BuildTuningData() {
    tuningData.clear();
    for (const TuningTable& table : tuningTables) {
        tuningData += BytesToHex(table.data(), table.size());
    }
    log_.PrintToConsole("tuning data: " + tuningData);
}

bool Tunings::UploadTuningData() {
    BuildTuningData();
    const std::string text = CommandHex(command::TuningData) + tuningData;
    log_.PrintToConsole("num_of_bytes: " + std::to_string(text.size() / 2));
    if (!dialogs_.Confirm({QuestionKind::Confirm, "Upload Tuning Data?"})) {
        return false;
    }
    if (!link_.SendPreUploadMessage()) {
        return false;
    }
    clock_.Sleep(kPreUploadPauseMs);
    if (!link_.SendCommand(command::TuningData, text, true)) {
        return false;
    }
    clock_.Sleep(kTuningPauseMs);
    return true;
}

std::string Tunings::TuningMessage(std::uint8_t tuning) {
    return CommandHex(command::TuningSelect) + HexField(tuning, 2);
}

bool Tunings::SetTuning(std::uint8_t selectedTuning) {
    const std::string text = TuningMessage(selectedTuning);
    log_.PrintToConsole("Tuning Message: " + text);
    if (!dialogs_.Confirm({QuestionKind::Confirm, "Set new tuning?"})) {
        return false;
    }
    if (!link_.SendCommand(command::TuningSelect, text, true)) {
        return false;
    }
    clock_.Sleep(kTuningPauseMs);
    return true;
}

} // namespace corvid
