#pragma once

#include "link/ParameterModel.h"
#include "link/PedalMessages.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace corvid {

// The notes the pedal can cut, lowest first; a note's code is its place in the list.
inline constexpr std::size_t noteCutNoteCount = 8;
// Which of them are chosen.
using NoteCutChoice = std::array<bool, noteCutNoteCount>;

// The versions of the last device-information reply, in hex as the window shows them (empty
// before one).
struct PedalVersions {
    std::string firmware;
    std::string algorithm;
    std::string effect;
};

// Where what the editor holds about a part of the pedal came from.
enum class Origin {
    // Nothing read or chosen yet.
    Unknown,
    // Read from the pedal, or stored in it by this editor.
    Pedal,
    // Changed here and not (yet) stored in the pedal.
    Editor,
};

// What the editor believes the pedal holds. The session owns one; every operation reads its
// inputs here and records what the pedal answered or accepted. The windows and the command line
// only show it.
struct PedalState {
    // The fifteen values and the DSP addresses of the selected algorithm.
    ParameterSet parameters;
    Origin values = Origin::Unknown;

    // Each control's entry as its list shows it: 0 "Not Assigned", n the n-th slot of
    // AssignableSlots(control); the remote footswitch's 1 is Bypass and 2 Preset. A control is
    // assigned (the flag the Assign message sends) exactly when its entry is not 0.
    std::array<int, controlCount> assignment{};
    Origin assignments = Origin::Unknown;
    bool ControlAssigned(std::size_t control) const { return assignment.at(control) != 0; }

    bool shortPressBypass = true;
    bool longPressBypass = false;
    // The mode byte as last read (2 x short code + long code).
    std::uint8_t footswitchMode = 0;
    Origin footswitch = Origin::Unknown;

    std::uint8_t selectedTuning = 0;
    Origin tuning = Origin::Unknown;

    // The two notes cut, lower first (0xFF: none), as last sent.
    std::array<std::uint8_t, 2> noteCut{0xFF, 0xFF};
    Origin noteCutNotes = Origin::Unknown;

    // The MIDI channel last sent (0 every channel, 1-16 that one); the pedal never reports it, so
    // it is known only once sent (Origin::Pedal then).
    std::optional<std::uint8_t> midiChannel;
    Origin midi = Origin::Unknown;

    // The last whole device-information reply, and whether it came in this connection.
    std::optional<DeviceInfo> deviceInfo;
    bool readThisConnection = false;
    // The bridge's serial number of the pedal connected last, and the versions it reported.
    std::string serialNumber;
    // The bridge's serial number of the pedal the device information came from.
    std::string deviceInfoSerialNumber;
    PedalVersions versions;
};

} // namespace corvid
