#include "platform/X11Keyboard.h"

#include <QGuiApplication>
#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace X11Keyboard {

bool escapeDown() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (!display)
        return false;
    char keys[32];
    XQueryKeymap(display, keys);
    const KeyCode code = XKeysymToKeycode(display, XK_Escape);
    return code != 0 && (keys[code / 8] & (1 << (code % 8))) != 0;
}

} // namespace X11Keyboard
