// The buttons: TButtonControl, TButton, TCustomCheckBox and TRadioButton.
#include "StdCtrls.h"

#include "ActnList.h"
#include "StdCtrlsInternal.h"

#include <algorithm>

using namespace stdctrls;

// ---- TButtonControl ---------------------------------------------------------------------------

TButtonControl::TButtonControl(TComponent* AOwner) : TCustomControl(AOwner) {
    controlStyle.Exclude(csClickEvents);
    controlStyle.Exclude(csDoubleClicks);
    SetTabStop(true);
}

QChar TButtonControl::accelerator() {
    return GetHotkey(GetText()).toLower();
}

bool TButtonControl::takesInput() {
    return enabled && (!HandleAllocated() || GetHandle()->isEnabled());
}

void TButtonControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (Button == mbLeft && takesInput()) {
        if (CanFocus() && !Focused()) SetFocus();
        pressed = true;
        Invalidate();
    }
    TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TButtonControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    bool was = pressed;
    pressed = false;
    if (was) Invalidate();
    if (Button == mbLeft && was && PtInRect(GetClientRect(), TPoint{X, Y})) ButtonClick();
    TCustomControl::MouseUp(Button, Shift, X, Y);
}

void TButtonControl::KeyDown(WORD& Key, TShiftState Shift) {
    TCustomControl::KeyDown(Key, Shift);
    if (Key == VK_SPACE) {
        spaceDown = true;
        pressed = true;
        Invalidate();
    }
}

void TButtonControl::KeyUp(WORD& Key, TShiftState Shift) {
    TCustomControl::KeyUp(Key, Shift);
    if (Key == VK_SPACE && spaceDown) {
        spaceDown = false;
        pressed = false;
        Invalidate();
        ButtonClick();
    }
}

void TButtonControl::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case BM_CLICK:
        ButtonClick();
        return;
    case CM_DIALOGCHAR:
        if (enabled && IsShowing() && IsAccel(WORD(Message.WParam), GetText())) {
            if (CanFocus()) SetFocus();
            ButtonClick();
            Message.Result = 1;
            return;
        }
        TCustomControl::Dispatch(Message);
        return;
    case CM_TEXTCHANGED:
    case CM_ENABLEDCHANGED:
    case CM_FOCUSCHANGED:
        Invalidate();
        TCustomControl::Dispatch(Message);
        return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        if (Message.Msg == WM_KILLFOCUS && pressed) {
            pressed = false;
            spaceDown = false;
        }
        Invalidate();
        TCustomControl::Dispatch(Message);
        return;
    default:
        TCustomControl::Dispatch(Message);
    }
}

void TButtonControl::paintCaption(TCanvas* C, TRect R, unsigned Flags) {
    C->SetFont(font.get());
    C->GetBrush()->SetStyle(bsClear);
    if (!enabled) {
        TRect r1 = R;
        offsetRect(r1, 1, 1);
        C->GetFont()->SetColor(clBtnHighlight);
        C->DrawText(GetText(), r1, Flags);
        C->GetFont()->SetColor(clBtnShadow);
    }
    C->DrawText(GetText(), R, Flags);
    C->GetBrush()->SetStyle(bsSolid);
}

// ---- TButton ----------------------------------------------------------------------------------

TButton::TButton(TComponent* AOwner) : TButtonControl(AOwner) {
    SetBounds(0, 0, 75, 25);
    color = clBtnFace;
}

void TButton::SetDefault(bool Value) {
    isDefault = Value;
    Invalidate();
}

void TButton::Click() {
    if (TCustomForm* f = GetParentForm(this))
        if (modalResult != mrNone) f->SetModalResult(modalResult);
    if (!ExecuteControlAction(this)) TButtonControl::Click();
}

void TButton::Paint() {
    TCanvas* c = GetCanvas();
    TRect r = GetClientRect();
    if (isDefault || Focused()) {
        c->GetBrush()->SetColor(clWindowFrame);
        c->FrameRect(r);
        inflateRect(r, -1, -1);
    }
    DrawFrameControl(c, r, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0u));
    TRect t = r;
    if (pressed) offsetRect(t, 1, 1);
    paintCaption(c, t, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    if (Focused()) {
        inflateRect(r, -3, -3);
        c->GetBrush()->SetColor(clBtnFace);
        c->DrawFocusRect(r);
    }
}

void TButton::Dispatch(TMessage& Message) {
    if (Message.Msg == CM_DIALOGKEY && enabled && IsShowing()) {
        WORD k = WORD(Message.WParam);
        if ((k == VK_RETURN && isDefault) || (k == VK_ESCAPE && cancel)) {
            Click();
            Message.Result = 1;
            return;
        }
    }
    if (Message.Msg == WM_GETDLGCODE) {
        Message.Result = isDefault ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON;
        return;
    }
    TButtonControl::Dispatch(Message);
}

// ---- TCustomCheckBox and TRadioButton ---------------------------------------------------------

namespace {
void paintCheckLike(TButtonControl* B, TCanvas* C, unsigned Kind, bool Checked, bool Grayed,
                    TAlignment Alignment, const QString& Text, bool Focused) {
    TRect r = B->GetClientRect();
    C->GetBrush()->SetColor(B->GetColor());
    C->FillRect(r);
    const int box = 13;
    int y = (r.Height() - box) / 2;
    bool left = Alignment == taRightJustify;
    TRect br = left ? TRect{0, y, box, y + box} : TRect{r.Right - box, y, r.Right, y + box};
    unsigned st =
        Kind | (Checked ? DFCS_CHECKED : 0u) | (!B->GetEnabled() || Grayed ? DFCS_INACTIVE : 0u);
    if (Grayed) st |= DFCS_CHECKED;
    DrawFrameControl(C, br, DFC_BUTTON, st);
    TRect tr =
        left ? TRect{box + 4, 0, r.Right, r.Bottom} : TRect{0, 0, r.Right - box - 4, r.Bottom};
    C->SetFont(B->GetFont());
    C->GetBrush()->SetStyle(bsClear);
    if (!B->GetEnabled()) C->GetFont()->SetColor(clGrayText);
    TRect calc = tr;
    C->DrawText(Text, calc, DT_CALCRECT | DT_SINGLELINE);
    C->DrawText(Text, tr, DT_SINGLELINE | DT_VCENTER | (left ? DT_LEFT : DT_RIGHT));
    C->GetBrush()->SetStyle(bsSolid);
    if (Focused) {
        int w = calc.Width();
        TRect fr = left ? TRect{tr.Left - 1, (r.Height() - calc.Height()) / 2 - 1, tr.Left + w + 1,
                                (r.Height() + calc.Height()) / 2 + 1}
                        : TRect{tr.Right - w - 1, (r.Height() - calc.Height()) / 2 - 1,
                                tr.Right + 1, (r.Height() + calc.Height()) / 2 + 1};
        C->GetBrush()->SetColor(B->GetColor());
        C->DrawFocusRect(fr);
    }
}
} // namespace

TCustomCheckBox::TCustomCheckBox(TComponent* AOwner) : TButtonControl(AOwner) {
    SetBounds(0, 0, 97, 17);
}

void TCustomCheckBox::SetState(TCheckBoxState Value) {
    if (state == Value) return;
    state = Value;
    Invalidate();
    if (!ClicksDisabled) Click();
}

void TCustomCheckBox::SetAlignment(TAlignment Value) {
    alignment = Value;
    Invalidate();
}

void TCustomCheckBox::Toggle() {
    switch (state) {
    case cbUnchecked:
        SetState(cbChecked);
        break;
    case cbChecked:
        SetState(allowGrayed ? cbGrayed : cbUnchecked);
        break;
    case cbGrayed:
        SetState(cbUnchecked);
        break;
    }
}

void TCustomCheckBox::Paint() {
    paintCheckLike(this, GetCanvas(), DFCS_BUTTONCHECK, state == cbChecked, state == cbGrayed,
                   alignment, GetText(), Focused());
}

void TCustomCheckBox::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case BM_GETCHECK:
        Message.Result = state;
        return;
    case BM_SETCHECK:
        SetState(TCheckBoxState(std::clamp(int(Message.WParam), 0, 2)));
        return;
    default:
        TButtonControl::Dispatch(Message);
    }
}

TRadioButton::TRadioButton(TComponent* AOwner) : TButtonControl(AOwner) {
    SetBounds(0, 0, 113, 17);
}

void TRadioButton::SetChecked(bool Value) {
    if (checked == Value) return;
    checked = Value;
    Invalidate();
    if (!Value) return;
    if (parent)
        for (int i = 0; i < parent->ControlCount(); ++i)
            if (auto* r = dynamic_cast<TRadioButton*>(parent->GetControls(i)))
                if (r != this) r->SetChecked(false);
    if (!ClicksDisabled) Click();
}

void TRadioButton::SetAlignment(TAlignment Value) {
    alignment = Value;
    Invalidate();
}

void TRadioButton::ButtonClick() {
    SetChecked(true);
}

void TRadioButton::Paint() {
    paintCheckLike(this, GetCanvas(), DFCS_BUTTONRADIO, checked, false, alignment, GetText(),
                   Focused());
}

void TRadioButton::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case BM_GETCHECK:
        Message.Result = checked ? 1 : 0;
        return;
    case BM_SETCHECK:
        SetChecked(Message.WParam != 0);
        return;
    case WM_SETFOCUS:
        TButtonControl::Dispatch(Message);
        // arrows between radio buttons check the one that gets the focus
        if (GetKeyState(VK_LBUTTON) >= 0 && !checked &&
            (GetKeyState(VK_UP) < 0 || GetKeyState(VK_DOWN) < 0))
            SetChecked(true);
        return;
    default:
        TButtonControl::Dispatch(Message);
    }
}
