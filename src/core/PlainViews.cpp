#include "core/PlainViews.h"

namespace corvid {

std::vector<std::string> PlainViews::Entries(std::size_t control) {
    std::vector<std::string> entries = {"Not Assigned"};
    if (control == remoteControl) {
        entries.insert(entries.end(), {"Bypass", "Preset"});
    } else {
        for (std::size_t slot : AssignableSlots(control)) {
            entries.emplace_back(parameterTable[slot].name);
        }
    }
    return entries;
}

std::string PlainViews::EntryText(std::size_t control, int index) {
    const std::vector<std::string> entries = Entries(control);
    return index >= 0 && static_cast<std::size_t>(index) < entries.size()
               ? entries[static_cast<std::size_t>(index)]
               : std::string();
}

} // namespace corvid
