// The caret of the application, drawn by the bridge after painting.
#include "Controls.h"
#include "UiInternal.h"

TCaretState& Caret() {
    static TCaretState c;
    return c;
}

namespace {
void invalidateCaret() {
    TCaretState& c = Caret();
    if (TWndBridge* b = BridgeOf(c.Wnd)) {
        QRect r(c.X, c.Y, std::max(1, c.Width), std::max(1, c.Height));
        r.translate(b->clientOffset());
        b->flush += r;
        c.Wnd->update(r);
    }
}
} // namespace

bool CreateCaret(HWND Wnd, int Width, int Height) {
    if (!IsWindow(Wnd)) return false;
    DestroyCaret();
    TCaretState& c = Caret();
    c.Wnd = Wnd;
    c.Width = Width ? Width : 1;
    c.Height = Height;
    c.X = c.Y = 0;
    c.HideCount = 1;
    return true;
}

bool DestroyCaret() {
    TCaretState& c = Caret();
    if (c.Wnd && c.HideCount == 0) invalidateCaret();
    c = TCaretState();
    return true;
}

bool ShowCaret(HWND Wnd) {
    TCaretState& c = Caret();
    if (!c.Wnd || (Wnd && Wnd != c.Wnd)) return false;
    if (c.HideCount > 0 && --c.HideCount == 0) invalidateCaret();
    return true;
}

bool HideCaret(HWND Wnd) {
    TCaretState& c = Caret();
    if (!c.Wnd || (Wnd && Wnd != c.Wnd)) return false;
    if (c.HideCount++ == 0) invalidateCaret();
    return true;
}

bool SetCaretPos(int X, int Y) {
    TCaretState& c = Caret();
    if (!c.Wnd) return false;
    if (c.HideCount == 0) invalidateCaret();
    c.X = X;
    c.Y = Y;
    if (c.HideCount == 0) invalidateCaret();
    return true;
}

bool GetCaretPos(TPoint& Point) {
    TCaretState& c = Caret();
    if (!c.Wnd) return false;
    Point = TPoint{c.X, c.Y};
    return true;
}

bool CaretVisible() {
    return Caret().Wnd && Caret().HideCount == 0;
}
