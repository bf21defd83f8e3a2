#pragma once

#include <filesystem>
#include <vector>

namespace corvid {

// The user's settings, one object for the session: each is read from its file in the data folder
// once and changed only through the session, which writes the file again.
struct Settings {
    // Whether a newer editor is announced with the notice ("ShowMessageVersionAtStartup.txt").
    bool showUpdateMessage = true;
    // The look shown now ("style.txt"); -1 before any.
    int look = -1;
    // The last five presets saved or loaded, most recent first ("RecentPresets.txt").
    std::vector<std::filesystem::path> recentPresets;
};

} // namespace corvid
