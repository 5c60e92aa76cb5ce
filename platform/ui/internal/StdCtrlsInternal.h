// Helpers shared by the sources of the standard controls (not part of the interface).
#pragma once

#include "StdCtrls.h"
#include "UiInternal.h"

namespace stdctrls {

// Sends a notification through the control's window procedure (hooks see it).
inline void notify(TWinControl* C, WORD Code) {
    if (C->HandleAllocated())
        if (TWndBridge* b = BridgeOf(C->GetHandle())) {
            b->send(CN_COMMAND, MAKEWPARAM(0, Code), 0);
            return;
        }
    C->Perform(CN_COMMAND, MAKEWPARAM(0, Code), 0);
}

// Runs code called from a Qt signal: exceptions go to the application.
template <typename F> inline void guarded(TObject* Sender, F&& f) {
    try {
        f();
    } catch (...) {
        HandleCurrentException(Sender);
    }
}

inline void inflateRect(TRect& R, int DX, int DY) {
    R.Left -= DX;
    R.Top -= DY;
    R.Right += DX;
    R.Bottom += DY;
}

inline void offsetRect(TRect& R, int DX, int DY) {
    R.Left += DX;
    R.Right += DX;
    R.Top += DY;
    R.Bottom += DY;
}

inline QChar applyCase(QChar C, TEditCharCase Case) {
    if (Case == ecUpperCase) return C.toUpper();
    if (Case == ecLowerCase) return C.toLower();
    return C;
}

} // namespace stdctrls
