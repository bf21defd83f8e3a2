#pragma once

#include "base/Services.h"
#include "link/Communication.h"

#include <array>
#include <optional>
#include <string>

namespace corvid {

// The MIDI channel menu's items in order: every channel, then 1 to 16.
inline constexpr std::array<const char*, 17> midiChannelCaptions = {
    "OMNI", "1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12", "13", "14", "15", "16"};

// The channel byte of an item as two hex digits ("OMNI" 00, "10" 0A), or nullopt for a caption
// that is not an item.
std::optional<std::string> MidiChannelByteText(const std::string& caption);

// The channel the pedal listens to MIDI on. Sent at once; never stored or read back.
class MidiChannel {
public:
    MidiChannel(Communication& link, Log& log) : link_(link), log_(log) {}

    // Sends 07 and the item's channel byte; true when it went out.
    bool SendMidiChannel(const std::string& caption);

private:
    Communication& link_;
    Log& log_;
};

} // namespace corvid
