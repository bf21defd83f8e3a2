#pragma once

namespace corvid {

// The program's name for the system, and the fonts the windows were designed with. No display
// name is set: the platform would append it to every window's caption ("Debug Console — …"),
// and the captions are the windows' own.
void SetUpApplication();

} // namespace corvid
