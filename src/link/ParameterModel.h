#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace corvid {

// A parameter that can be put on one of the pedal's controls.
class assignable_parameter {
public:
    assignable_parameter(std::string name, std::uint16_t address, bool is_assigned)
        : address(address), is_assigned(is_assigned), parameter_name(std::move(name)) {}

    std::uint16_t address;
    bool is_assigned;
    std::string parameter_name;
    bool control_type = false;
    std::uint32_t value = 0;
};

// A parameter that is only edited or shown.
class standard_parameter {
public:
    standard_parameter(std::string name, std::uint16_t address, std::uint8_t num_of_addresses)
        : num_of_addresses(num_of_addresses), parameter_name(std::move(name)), address(address) {}

    bool is_assigned = false;
    std::uint8_t num_of_addresses;
    std::string parameter_name;
    std::uint8_t parameter_type = 0;
    bool control_type = false;
    std::uint32_t value = 0;
    std::uint16_t address;
};

inline constexpr std::size_t standardParameterCount = 10;
inline constexpr std::size_t assignableParameterCount = 5;
inline constexpr std::size_t parameterCount = standardParameterCount + assignableParameterCount;
// The fifteen values in slot order, as a preset or the pedal holds them.
using PresetValues = std::array<std::uint32_t, parameterCount>;
inline constexpr std::size_t controlCount = 5;
inline constexpr std::uint16_t noAssignmentCode = 0xFFFF;
inline constexpr std::uint16_t remoteBypassCode = 0xFFFE;
inline constexpr std::uint16_t remotePresetCode = 0xFFFD;
// Full scale of the level encoding: 1.0 with 23 fraction bits.
inline constexpr std::uint32_t levelScale = 0x800000;
// The two values of the "Wave" switch.
inline constexpr std::uint32_t waveOnValue = 0x00400000;
inline constexpr std::uint32_t waveOffValue = 0x00600000;

// How a parameter's 32-bit value is encoded.
enum class Encoding { Level, StepCount, PitchTable, WaveSwitch, SplitSwitch, NoteCutFlag };

// Which assignment lists offer a parameter: those of Controls I and II, or of III and IV.
enum class ControlGroup { None, LevelControls, NoteCutControls };

// Everything the editor knows about one parameter, by slot. The window, the decoders, the
// messages and the files all read this one table.
struct ParameterInfo {
    const char* name;
    bool assignable;
    // 1-based first character of its 4-digit address field in line 0 of the algorithm text;
    // 0 when it has none.
    int addressField;
    // The name of the window's control that shows it.
    const char* control;
    Encoding encoding;
    // The scale LevelToDialAngle shows the value with; the step count of a StepCount value.
    std::uint32_t scale;
    ControlGroup group;
    // The parameter report's label, and whether a tab follows it.
    const char* reportLabel;
    bool reportTab;
};

namespace slot {
inline constexpr std::size_t Dry = 0, SubMix = 1, Minus1Oct = 2, Minus2Oct = 3, Wave = 4,
                             LowPass = 5, HighPass = 6, FirstHarmonic = 7, Split = 8, Range = 9,
                             InputLevel = 10, HarmonicPitch = 11, WaveClip = 12,
                             DominantNoteCut = 13, HighNotesCut = 14;
}

inline constexpr std::array<ParameterInfo, parameterCount> parameterTable = {{
    {"Dry", false, 7, "dialDry", Encoding::Level, levelScale, ControlGroup::None, "Dry: ", true},
    {"Sub Mix", false, 11, "dialSubMix", Encoding::Level, levelScale, ControlGroup::None,
     "Sub Mix: ", false},
    {"-1 Oct", false, 15, "dialMinus1Oct", Encoding::Level, levelScale, ControlGroup::None,
     "Sub -1: ", true},
    {"-2 Oct", false, 19, "dialMinus2Oct", Encoding::Level, levelScale, ControlGroup::None,
     "Sub -2: ", true},
    {"Wave", false, 23, "swtWave", Encoding::WaveSwitch, 0, ControlGroup::None, "Wave: ", true},
    {"Low Pass", false, 27, "dialLowPass", Encoding::StepCount, 24, ControlGroup::None,
     "LPF: ", true},
    {"High Pass", false, 31, "dialHighPass", Encoding::StepCount, 16, ControlGroup::None,
     "HPF: ", true},
    {"1st Harmonic", false, 35, "dial1stHarmonic", Encoding::Level, levelScale, ControlGroup::None,
     "1st Harmonic: ", true},
    {"Split", false, 39, "swtSplit", Encoding::SplitSwitch, 0, ControlGroup::None, "Split: ", true},
    {"Range", false, 0, "dialRange", Encoding::StepCount, 22, ControlGroup::None, "Range: ", true},
    {"Input Level", true, 55, "dialInputLevel", Encoding::Level, levelScale,
     ControlGroup::LevelControls, "Input Lvl: ", true},
    {"1st Harmonic Pitch", true, 59, "cmbVariableWavePitch", Encoding::PitchTable, 0,
     ControlGroup::LevelControls, "Harmonic pitch: ", true},
    {"Wave Clip", true, 63, "dialClipWave", Encoding::Level, levelScale,
     ControlGroup::LevelControls, "Clip: ", true},
    {"Dominant Note Cut", true, 67, "chkDominantNoteCut", Encoding::NoteCutFlag, 0,
     ControlGroup::NoteCutControls, "Dominant notes cut: ", true},
    {"High Notes Cut", true, 71, "chkHighNoteCut", Encoding::NoteCutFlag, 0,
     ControlGroup::NoteCutControls, "High notes cut: ", true},
}};

// The group of parameters each hardware control's list offers, Control I to IV (the remote
// footswitch offers Bypass and Preset instead).
inline constexpr std::array<ControlGroup, 4> controlGroups = {
    ControlGroup::LevelControls, ControlGroup::LevelControls, ControlGroup::NoteCutControls,
    ControlGroup::NoteCutControls};
inline constexpr std::size_t remoteControl = 4;
// The controls as the windows and the command line name them.
inline constexpr std::array<const char*, 5> controlNames = {
    "Control I", "Control II", "Control III", "Control IV", "Remote Footswitch"};

// The slots a control's list offers after its "Not Assigned" entry, in table order.
std::vector<std::size_t> AssignableSlots(std::size_t control);
// The entries of a control's assignment list: "Not Assigned", then the slots' names (the
// remote footswitch: "Bypass", "Preset").
std::vector<std::string> AssignmentEntries(std::size_t control);
// Entry `index` of that list; empty past its end.
std::string AssignmentEntryText(std::size_t control, int index);
// Why a fixed parameter's control cannot be turned in the editor (its tooltip and description).
inline constexpr const char* kFixedControlNote =
    "Set on the pedal itself; shown here as last read.";
// A pitch value outside the pitch table (0 among them), as both front ends name it.
inline constexpr const char* kNoPitch = "no pitch";
// A value in its control's terms, as the windows show it ("level 512/1023", "step 3/24", "+12",
// "on").
std::string ValueInControlTerms(std::size_t slot, std::uint32_t value);
// A whole number as typed ("+3", "-12", "700"), at most nine characters; nullopt otherwise.
std::optional<long> WholeNumber(const std::string& text);
// A value typed in its control's terms (a level 0-1023, a step 0-N, a pitch -12..+12, on or
// off) or raw (0x and up to eight hex digits): empty with `value` set, or why it is refused
// ("Low Pass takes a step from 0 to 24: 25").
std::string ParseValueText(std::size_t slot, const std::string& text, std::uint32_t& value);
// What a slot's control can set, as a sentence's object: "a level from 0 to 1023", "a step from 0
// to 24", "a pitch from -12 to +12", "on or off".
std::string RangeText(std::size_t slot);
// Whether a raw value is one its control can set: a level up to full scale, a step up to the
// count, an entry of the pitch table, a switch's two values.
bool ValueInRange(std::size_t slot, std::uint32_t value);

// The order the window shows values in: the pitch list is set after the wave clip dial.
inline constexpr std::array<std::size_t, parameterCount> showOrder = {
    slot::Dry,           slot::SubMix,          slot::Minus1Oct,   slot::Minus2Oct,
    slot::Wave,          slot::LowPass,         slot::HighPass,    slot::FirstHarmonic,
    slot::Split,         slot::Range,           slot::InputLevel,  slot::WaveClip,
    slot::HarmonicPitch, slot::DominantNoteCut, slot::HighNotesCut};

// Line 0 also carries three address fields that are read and then discarded.
inline constexpr std::array<int, 3> discardedAddressFields = {43, 47, 51};
// The last character of the address table in line 0.
inline constexpr std::size_t addressTableEnd = 74;

// The 25 words of "1st Harmonic Pitch", from "-12" (index 0) to "+12" (index 24).
inline constexpr std::array<std::uint32_t, 25> pitchRatioTable = {
    0x00200000, 0x0022AAA8, 0x00255558, 0x00280000, 0x002AAAA8, 0x002D5558, 0x00300000,
    0x0032AAA8, 0x00355558, 0x00380000, 0x003AAAA8, 0x003D5558, 0x00400000, 0x00455558,
    0x004AAAA8, 0x00500000, 0x00555558, 0x005AAAA8, 0x00600000, 0x00655558, 0x006AAAA8,
    0x00700000, 0x00755558, 0x007AAAA8, 0x00800000,
};

// The fifteen parameter objects, known by slot.
class ParameterSet {
public:
    ParameterSet();

    std::uint32_t& Value(std::size_t slot);
    std::uint32_t Value(std::size_t slot) const;
    // All fifteen values by slot.
    std::array<std::uint32_t, parameterCount> Values() const;
    std::uint16_t Address(std::size_t slot) const;
    void SetAddress(std::size_t slot, std::uint16_t address);
    const std::string& Name(std::size_t slot) const;
    // Null for the standard parameters.
    assignable_parameter* Assignable(std::size_t slot);
    const assignable_parameter* Assignable(std::size_t slot) const;

    // Slots 10..14.
    std::vector<assignable_parameter> assignable;
    // Slots 0..9.
    std::vector<standard_parameter> standard;
};

// One byte for every two characters (an odd last one is ignored); nullopt when a pair is not two
// hexadecimal digits.
std::optional<std::vector<std::uint8_t>> HexFieldToBytes(const std::string& text);

// Reads the parameters' DSP addresses from line 0 of an algorithm text. A line too short to hold
// the table, or a field that is not hexadecimal, is refused: false, with the reason in `error`;
// the addresses read before a bad field stay set.
bool LoadParameterAddresses(const std::string& line0, ParameterSet& parameters, std::string& error);

int SnapDialAngle(int angle);
// Position 0..269 along the dial's travel. -180 is the same point as 180, so it gives 44.
int DialAngleToPosition(int angle);
int PositionToLevel(int position);
// The angle that shows a position (the inverse of DialAngleToPosition).
int PositionToDialAngle(int position);
// The 32-bit level value a dial angle writes.
std::uint32_t DialAngleToValue(int angle);
int LevelToDialAngle(std::uint32_t value, std::uint32_t scale);
int MapRange(int x, int inLow, int inHigh, int outLow, int outHigh);

} // namespace corvid
