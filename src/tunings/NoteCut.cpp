#include "tunings/NoteCut.h"

#include "link/HexMessage.h"
#include "link/PedalCommands.h"

#include <QString>

namespace corvid {

std::optional<std::size_t> FindCutNote(const std::string& name) {
    for (std::size_t code = 0; code < noteCutNames.size(); ++code) {
        if (QString::fromStdString(name).compare(noteCutNames[code], Qt::CaseInsensitive) == 0) {
            return code;
        }
    }
    return std::nullopt;
}

void NoteCut::NoteTicked(bool ticked) {
    checkedNoteCount += ticked ? 1 : -1;
}

std::string NoteCut::BuildNoteCutMessage(const Choice& chosen) {
    std::string first = kNoNote;
    std::string second = kNoNote;
    // Walking up from A2 puts the lower note first, whatever order the boxes were ticked in.
    for (std::size_t code = 0; code < chosen.size(); ++code) {
        if (!chosen[code]) {
            continue;
        }
        (first == kNoNote ? first : second) = HexField(static_cast<std::uint32_t>(code), 2);
    }
    log_.PrintToConsole("byte 1: " + first);
    log_.PrintToConsole("byte 2: " + second);
    const std::string text = CommandHex(command::NoteCut) + first + second;
    log_.PrintToConsole("Set note filters: " + text);
    log_.PrintToConsole(std::to_string(text.size() / 2));
    return text;
}

bool NoteCut::SaveNoteCut(const Choice& chosen) {
    const std::string text = BuildNoteCutMessage(chosen);
    if (!link_.SendCommand(command::NoteCut, text, true)) {
        return false;
    }
    clock_.Sleep(kNoteCutPauseMs);
    return true;
}

} // namespace corvid
