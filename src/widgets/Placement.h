#pragma once

class QWidget;

namespace corvid {

// Puts a tool window beside the window it belongs to: right of it, else left, below or above,
// whichever lies fully on that window's screen (title bar included) and covers the other
// visible windows least; never exactly over another window.
void PlaceBeside(QWidget& window, const QWidget& from);

} // namespace corvid
