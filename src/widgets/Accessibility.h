#pragma once

class QWidget;

namespace corvid {

// Tells assistive technology what our own controls are: the dials as dials with a value (the
// position along their travel), the switches as on/off indicators. Once per application.
void InstallAccessibility();

// Escape closes the window (a tool window, a notice).
void CloseOnEscape(QWidget& window);

} // namespace corvid
