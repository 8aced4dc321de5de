#include "platform/lock_keys.h"

#include <QGuiApplication>

#ifdef ZELMORA_HAVE_X11
#include <X11/XKBlib.h>
#endif

SLockState ReadLockState() {
    SLockState state;
#ifdef ZELMORA_HAVE_X11
    auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (!display) {
        return state;
    }
    // By name: which indicator bit stands for which lock depends on the keyboard's map.
    const auto lit = [display](const char* name, bool& on) {
        const Atom atom = XInternAtom(display, name, True);
        Bool bit = False;
        if (atom != None && XkbGetNamedIndicator(display, atom, nullptr, &bit, nullptr, nullptr)) {
            on = bit != False;
            return true;
        }
        return false;
    };
    const bool caps = lit("Caps Lock", state.caps);
    const bool num = lit("Num Lock", state.num);
    const bool scroll = lit("Scroll Lock", state.scroll);
    state.known = caps || num || scroll;
#endif
    return state;
}
