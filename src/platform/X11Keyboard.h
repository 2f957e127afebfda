#pragma once

// The keyboard's state as the X server keeps it (Xlib's names stay in this
// unit: its macros, KeyPress among them, clash with Qt's).
namespace X11Keyboard {

// Whether the Escape key is down at this moment; false without an X display.
bool escapeDown();

} // namespace X11Keyboard
