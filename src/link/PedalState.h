#pragma once

#include "link/ParameterModel.h"
#include "link/PedalMessages.h"

#include <array>
#include <cstdint>
#include <optional>

namespace corvid {

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
    // AssignableSlots(control); the remote footswitch's 1 is Bypass and 2 Preset.
    std::array<int, controlCount> assignment{};
    // The assigned flags the Assign message sends.
    std::array<bool, controlCount> controlAssigned{};
    Origin assignments = Origin::Unknown;

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

    // The MIDI channel last sent (0 every channel, 1-16 that one); the pedal never reports it.
    std::optional<std::uint8_t> midiChannel;

    // The last whole device-information reply, and whether it came in this connection.
    std::optional<DeviceInfo> deviceInfo;
    bool readThisConnection = false;
};

} // namespace corvid
