#pragma once

class QWidget;

namespace corvid {

// Tells assistive technology what our own controls are: the dials as dials with a value (the
// position along their travel), the switches as on/off indicators. Once per application.
void InstallAccessibility();

// Escape closes the window (a tool window, a notice).
void CloseOnEscape(QWidget& window);

// Return and Enter press the focused button, as in a dialog; when the focus is elsewhere and
// the window has a default button, they press that one (after the focused control's own use of
// the key: a field's edit is taken first).
void OperableByKeyboard(QWidget& window);

} // namespace corvid
