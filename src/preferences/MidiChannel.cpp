#include "preferences/MidiChannel.h"

#include "link/HexMessage.h"
#include "link/PedalCommands.h"

#include <algorithm>

namespace corvid {

std::optional<std::string> MidiChannelByteText(const std::string& caption) {
    const auto item = std::find(midiChannelCaptions.begin(), midiChannelCaptions.end(), caption);
    if (item == midiChannelCaptions.end()) {
        return std::nullopt;
    }
    // OMNI is channel byte 0, and channel n is byte n.
    return HexField(static_cast<std::uint32_t>(item - midiChannelCaptions.begin()), 2);
}

bool MidiChannel::SendMidiChannel(const std::string& caption) {
    const std::optional<std::string> channel = MidiChannelByteText(caption);
    if (!channel) {
        return false;
    }
    log_.PlainLine("Midi channel: " + caption);
    const std::string text = CommandHex(command::MidiChannel) + *channel;
    log_.PrintToConsole(text);
    return link_.SendCommand(command::MidiChannel, text);
}

} // namespace corvid
