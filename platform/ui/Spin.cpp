#include "Spin.h"

#include <QLineEdit>

// ---- TSpinButton ------------------------------------------------------------------------------

TSpinButton::TSpinButton(TComponent* AOwner) : TCustomControl(AOwner) {
    SetBounds(0, 0, 15, 17);
    color = clBtnFace;
    cursor = crArrow;
}

void TSpinButton::Paint() {
    TCanvas* c = GetCanvas();
    const TRect r = GetClientRect();
    const int mid = r.Bottom / 2;
    const unsigned off = enabled ? 0u : DFCS_INACTIVE;
    DrawFrameControl(c, TRect{0, 0, r.Right, mid}, DFC_SCROLL,
                     DFCS_SCROLLUP | off | (pressed == sbUp ? DFCS_PUSHED : 0u));
    DrawFrameControl(c, TRect{0, mid, r.Right, r.Bottom}, DFC_SCROLL,
                     DFCS_SCROLLDOWN | off | (pressed == sbDown ? DFCS_PUSHED : 0u));
}

void TSpinButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TCustomControl::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft || !enabled) return;
    const TSpinButtonKind kind = KindAt(Y);
    pressed = kind;
    Invalidate();
    if (kind == sbUp && OnUpClick) OnUpClick(this);
    if (kind == sbDown && OnDownClick) OnDownClick(this);
}

void TSpinButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TCustomControl::MouseUp(Button, Shift, X, Y);
    pressed = -1;
    Invalidate();
}

// ---- TSpinEdit --------------------------------------------------------------------------------

TSpinEdit::TSpinEdit(TComponent* AOwner) : TCustomEdit(AOwner) {
    button = new TSpinButton(this);
    button->SetParent(this);
    button->OnUpClick = [this](TObject* S) { UpClick(S); };
    button->OnDownClick = [this](TObject* S) { DownClick(S); };
    SetText(QStringLiteral("0"));
    layoutButton();
}

TSpinEdit::~TSpinEdit() {
    if (button) {
        button->OnUpClick = nullptr;
        button->OnDownClick = nullptr;
    }
}

void TSpinEdit::Notification(TComponent* AComponent, TOperation Operation) {
    TCustomEdit::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == button) button = nullptr;
}

long TSpinEdit::checkValue(long Value) const {
    if (maxValue == minValue) return Value;
    return std::clamp(Value, std::min(minValue, maxValue), std::max(minValue, maxValue));
}

void TSpinEdit::SetMinValue(long Value) {
    minValue = Value;
    if (!IsLoading()) SetValue(GetValue());
}

void TSpinEdit::SetMaxValue(long Value) {
    maxValue = Value;
    if (!IsLoading()) SetValue(GetValue());
}

void TSpinEdit::SetEditorEnabled(bool Value) {
    editorEnabled = Value;
    applyReadOnly();
}

void TSpinEdit::applyReadOnly() {
    if (QLineEdit* e = LineEdit()) e->setReadOnly(readOnly || !editorEnabled);
}

long TSpinEdit::GetValue() {
    bool ok = false;
    const long v = GetText().trimmed().toLong(&ok);
    return ok ? checkValue(v) : minValue;
}

void TSpinEdit::SetValue(long Value) {
    SetText(QString::number(checkValue(Value)));
}

void TSpinEdit::UpClick(TObject*) {
    if (readOnly) return;
    SetValue(GetValue() + increment);
}

void TSpinEdit::DownClick(TObject*) {
    if (readOnly) return;
    SetValue(GetValue() - increment);
}

void TSpinEdit::KeyDown(WORD& Key, TShiftState Shift) {
    if (Key == VK_UP) {
        UpClick(this);
        Key = 0;
    } else if (Key == VK_DOWN) {
        DownClick(this);
        Key = 0;
    }
    TCustomEdit::KeyDown(Key, Shift);
}

void TSpinEdit::KeyPress(QChar& Key) {
    const bool control = Key.unicode() < 32;
    const bool minus = Key == u'-' && std::min(minValue, maxValue) < 0;
    if (!control && !minus && !(Key.unicode() >= '0' && Key.unicode() <= '9')) Key = QChar();
    if (!Key.isNull()) TCustomEdit::KeyPress(Key);
}

void TSpinEdit::DoExit() {
    // what was typed is brought within the bounds
    if (GetText() != QString::number(GetValue())) SetValue(GetValue());
    TCustomEdit::DoExit();
}

void TSpinEdit::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    TCustomEdit::SetBounds(ALeft, ATop, AWidth, AHeight);
    layoutButton();
}

void TSpinEdit::CreateWnd() {
    TCustomEdit::CreateWnd();
    applyReadOnly();
    layoutButton();
}

void TSpinEdit::layoutButton() {
    if (!button) return;
    // inside the native edit's two-pixel frame, at its right edge
    const int frame = borderStyle == bsNone ? 0 : 2;
    const int bw = 15;
    button->SetBounds(width - frame - bw, frame, bw, std::max(0, height - 2 * frame));
    if (QLineEdit* e = LineEdit()) e->setTextMargins(0, 0, bw, 0);
}
