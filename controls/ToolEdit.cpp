// The combo edit, its button and the base of its drop-down windows.
#include "ToolEdit.h"

#include "RXConst.h"
#include "ScopeGuard.h"
#include "WinWidget.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPointer>
#include <algorithm>

namespace {

// Three dots for gkEllipsis: a monochrome strip of Width x 4 with 2 x 2 dots on rows 1 and 2.
std::unique_ptr<TBitmap> ellipsisGlyph(int Width) {
    auto b = std::make_unique<TBitmap>();
    const int w = std::max(1, Width);
    b->SetSize(w, 4);
    TCanvas* c = b->GetCanvas();
    c->FillSolid(TRect{0, 0, w, 4}, clWhite);
    const int gap = std::clamp((w - 6) / 2, 1, 3);
    const int left = (w - 6 - 2 * gap) / 2;
    for (int x : {left, left + gap + 2, left + 2 * gap + 4})
        c->FillSolid(TRect{x, 1, x + 2, 3}, clBlack);
    b->SetPixelFormat(pf1bit);
    return b;
}

// The arrow of a drop-down button: a black triangle on a background that stays transparent.
std::unique_ptr<TBitmap> comboArrowGlyph() {
    auto b = std::make_unique<TBitmap>();
    b->SetSize(9, 5);
    TCanvas* c = b->GetCanvas();
    c->FillSolid(TRect{0, 0, 9, 5}, clFuchsia);
    for (int i = 0; i < 4; ++i)
        c->FillSolid(TRect{1 + i, i, 8 - i, i + 1}, clBlack);
    return b;
}

} // namespace

// ---- TPopupWindow -------------------------------------------------------------------------

TPopupWindow::TPopupWindow(TWinControl* AOwner) : TCustomControl(AOwner), editor(AOwner) {
    controlStyle += TControlStyle{csAcceptsControls, csNoDesignVisible, csReplicatable};
    ctl3D = false;
    parentCtl3D = false;
    visible = false;
    tabStop = false;
    if (AOwner) SetParent(AOwner);
}

TPopupWindow::~TPopupWindow() = default;

void TPopupWindow::CreateParams(TCreateParams& Params) {
    TCustomControl::CreateParams(Params);
    Params.Style = WS_POPUP | WS_BORDER | WS_CLIPCHILDREN;
    Params.ExStyle = WS_EX_TOOLWINDOW;
    Params.WindowClassStyle |= CS_SAVEBITS;
    Params.WndParent = nullptr;
}

QWidget* CreatePopupWidget() {
    // a window of its own above the form that never takes the activation (nor the keyboard)
    auto* w = new TWinWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint);
    w->setAttribute(Qt::WA_ShowWithoutActivating);
    return w;
}

QWidget* TPopupWindow::CreateWindowWidget(const TCreateParams&, QWidget*) {
    return CreatePopupWidget();
}

// The window draws its border itself (a top-level window has no frame of ours): the children
// stay inside it.
void TPopupWindow::AdjustClientRect(TRect& Rect) {
    TCustomControl::AdjustClientRect(Rect);
    Rect = TRect{Rect.Left + 1, Rect.Top + 1, Rect.Right - 1, Rect.Bottom - 1};
}

void TPopupWindow::PaintWindow(TCanvas* DC) {
    TCustomControl::PaintWindow(DC);
    DC->GetBrush()->SetColor(clWindowFrame);
    DC->FrameRect(GetClientRect());
}

void TPopupWindow::CloseUp(bool Accept) {
    if (OnCloseUp) OnCloseUp(this, Accept);
}

void TPopupWindow::Show(TPoint Origin) {
    SetBounds(Origin.X, Origin.Y, width, height);
    HandleNeeded();
    SetVisible(true);
    if (HandleAllocated()) RaiseWindow(GetHandle());
}

void TPopupWindow::Hide() {
    SetVisible(false);
}

void TPopupWindow::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TCustomControl::MouseUp(Button, Shift, X, Y);
    if (Button == mbLeft) CloseUp(PtInRect(GetClientRect(), TPoint{X, Y}));
}

void TPopupWindow::Dispatch(TMessage& Message) {
    if (Message.Msg == WM_MOUSEACTIVATE) {
        Message.Result = MA_NOACTIVATE;
        return;
    }
    TCustomControl::Dispatch(Message);
}

// ---- TEditButton --------------------------------------------------------------------------

TEditButton::TEditButton(TComponent* AOwner, TCustomComboEdit* AEdit)
    : TRxSpeedButton(AOwner), Edit(AEdit) {
    controlStyle.Include(csReplicatable);
    parentShowHint = true;
}

void TEditButton::Paint() {
    TRxSpeedButton::Paint();
    if (state == rbsDown) return;
    TCanvas* c = GetCanvas();
    c->FillSolid(TRect{0, 0, 1, height}, clBtnFace);
    c->FillSolid(TRect{1, 1, 2, height - 1}, clBtnHighlight);
}

void TEditButton::Click() {
    if (noAction) {
        noAction = false;
        return;
    }
    TRxSpeedButton::Click();
}

void TEditButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (Button == mbLeft && Edit) {
        noAction = Edit->GetPopupVisible();
        if (Edit->GetPopupVisible())
            Edit->PopupCloseUp(Edit->popup, accept);
        else if (Edit->GetTabStop() && Edit->CanFocus() && !Edit->Focused())
            Edit->SetFocus();
    }
    TRxSpeedButton::MouseDown(Button, Shift, X, Y);
}

// ---- the drop-down watch ------------------------------------------------------------------

TPopupWatch::TPopupWatch(TWinControl* AOwner, std::function<TWinControl*()> APopup,
                         std::function<void()> ACloseUp)
    : owner(AOwner), popup(std::move(APopup)), closeUp(std::move(ACloseUp)) {}

TPopupWatch::~TPopupWatch() {
    Stop();
}

void TPopupWatch::Start() {
    if (on) return;
    qApp->installEventFilter(this);
    on = true;
}

void TPopupWatch::Stop() {
    if (!on) return;
    qApp->removeEventFilter(this);
    on = false;
}

bool TPopupWatch::eventFilter(QObject* O, QEvent* E) {
    switch (E->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto* w = qobject_cast<QWidget*>(O);
        if (!w || owned(w)) return false;
        close();
        return false;
    }
    case QEvent::Hide:
        if (owner->HandleAllocated() && O == owner->GetHandle()) close();
        return false;
    default:
        return false;
    }
}

bool TPopupWatch::owned(QWidget* W) {
    QWidget* own = owner->HandleAllocated() ? owner->GetHandle() : nullptr;
    TWinControl* p = popup();
    QWidget* pop = p && p->HandleAllocated() ? p->GetHandle() : nullptr;
    for (QWidget* x = W; x; x = x->parentWidget())
        if (x == own || x == pop) return true;
    return false;
}

void TPopupWatch::close() {
    std::function<void()> c = closeUp;
    GuardedCall([c] { c(); }, owner);
}

// ---- TCustomComboEdit ---------------------------------------------------------------------

TCustomComboEdit::TCustomComboEdit(TComponent* AOwner)
    : TCustomMaskEdit(AOwner), watch(std::make_unique<TPopupWatch>(
                                   this, [this]() -> TWinControl* { return popup; },
                                   [this] {
                                       if (GetPopupVisible()) PopupCloseUp(popup, false);
                                   })) {
    RegisterRxCursors();
    controlStyle.Include(csCaptureMouse);
    autoSize = false;
    controlState.Include(csCreating);
    buttonContainer = new TWinControl(this);
    buttonContainer->SetBounds(0, 0, 21, 17);
    buttonContainer->SetControlStyle(buttonContainer->GetControlStyle() +
                                     TControlStyle{csReplicatable});
    buttonContainer->SetColor(clBtnFace);
    buttonContainer->SetCursor(crArrow);
    buttonContainer->SetParent(this);
    button = new TEditButton(this, this);
    button->SetBounds(0, 0, 21, 17);
    button->SetParent(buttonContainer);
    button->OnClick = [this](TObject*) { editButtonClick(); };
    controlState.Exclude(csCreating);
    SetBounds(left, top, width, 21);
}

TCustomComboEdit::~TCustomComboEdit() {
    watch->Stop();
    if (button) {
        button->OnClick = nullptr;
        button->Edit = nullptr;
    }
}

void TCustomComboEdit::Notification(TComponent* AComponent, TOperation Operation) {
    TCustomMaskEdit::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    if (AComponent == popup) {
        watch->Stop();
        popup = nullptr;
        popupVisible = false;
    } else if (AComponent == button) {
        button = nullptr;
    } else if (AComponent == buttonContainer) {
        buttonContainer = nullptr;
    }
}

int TCustomComboEdit::GetButtonWidth() const {
    return button ? button->GetWidth() : 0;
}

void TCustomComboEdit::SetButtonWidth(int Value) {
    if (Value == GetButtonWidth()) return;
    buttonContainer->SetVisible(Value > 1);
    if (controlState.Contains(csCreating)) {
        buttonContainer->SetWidth(Value);
        button->SetWidth(Value);
        button->SetControlStyle(button->GetControlStyle() - TControlStyle{csFixedWidth});
        recreateGlyph();
        return;
    }
    const int limit = parent ? GetClientWidth() : width;
    if (Value >= limit) return;
    button->SetWidth(Value);
    button->SetControlStyle(button->GetControlStyle() - TControlStyle{csFixedWidth});
    updateControlsLayout();
    recreateGlyph();
}

QString TCustomComboEdit::GetButtonHint() const {
    return button->GetHint();
}

void TCustomComboEdit::SetButtonHint(const QString& Value) {
    button->SetHint(Value);
}

TBitmap* TCustomComboEdit::GetGlyph() const {
    return button->GetGlyph();
}

void TCustomComboEdit::SetGlyph(TBitmap* Value) {
    button->SetGlyph(Value);
    glyphKind = gkCustom;
}

TRxNumGlyphs TCustomComboEdit::GetNumGlyphs() const {
    return button->GetNumGlyphs();
}

void TCustomComboEdit::SetNumGlyphs(TRxNumGlyphs Value) {
    if (glyphKind == gkDropDown || glyphKind == gkEllipsis)
        button->SetNumGlyphs(1);
    else if (glyphKind == gkDefault)
        button->SetNumGlyphs(defNumGlyphs);
    else
        button->SetNumGlyphs(Value);
}

void TCustomComboEdit::SetGlyphKind(TGlyphKind Value) {
    if (glyphKind == Value) return;
    glyphKind = Value;
    if (Value == gkCustom && IsLoading()) button->SetGlyph(nullptr);
    recreateGlyph();
    if (Value == gkDefault && !GetGlyph()->GetEmpty()) {
        SetButtonWidth(std::max(GetGlyph()->GetWidth() / GetNumGlyphs() + 6, GetButtonWidth()));
    } else if (Value == gkDropDown) {
        SetButtonWidth(GetSystemMetrics(SM_CXVSCROLL));
        button->SetControlStyle(button->GetControlStyle() + TControlStyle{csFixedWidth});
    }
}

TBitmap* TCustomComboEdit::GetDefaultBitmap(bool& DestroyNeeded) {
    DestroyNeeded = false;
    return nullptr;
}

void TCustomComboEdit::recreateGlyph() {
    switch (glyphKind) {
    case gkDefault: {
        bool destroy = false;
        TBitmap* b = GetDefaultBitmap(destroy);
        if (!b) break;
        button->SetGlyph(b);
        button->SetNumGlyphs(defNumGlyphs);
        if (destroy) delete b;
        break;
    }
    case gkDropDown:
        button->SetGlyph(comboArrowGlyph().get());
        button->SetNumGlyphs(1);
        break;
    case gkEllipsis:
        button->SetGlyph(ellipsisGlyph(GetButtonWidth() - 6).get());
        button->SetNumGlyphs(1);
        break;
    case gkCustom:
        break;
    }
}

void TCustomComboEdit::applyDirectInput() {
    TCustomEdit::SetReadOnly(!directInput || comboReadOnly);
}

void TCustomComboEdit::SetReadOnly(bool Value) {
    if (comboReadOnly == Value) return;
    comboReadOnly = Value;
    applyDirectInput();
}

void TCustomComboEdit::SetDirectInput(bool Value) {
    directInput = Value;
    applyDirectInput();
}

void TCustomComboEdit::SetAlignment(TAlignment Value) {
    if (alignment == Value) return;
    alignment = Value;
    if (QLineEdit* e = LineEdit())
        e->setAlignment((Value == taRightJustify ? Qt::AlignRight
                         : Value == taCenter     ? Qt::AlignHCenter
                                                 : Qt::AlignLeft) |
                        Qt::AlignVCenter);
}

void TCustomComboEdit::SelectAll() {
    if (directInput) TCustomEdit::SelectAll();
}

int TCustomComboEdit::minHeight() {
    TFont system;
    const int sysH = QFontMetrics(system.ToQFont()).height();
    const int ownH = QFontMetrics(font->ToQFont()).height();
    return std::min(sysH, ownH) + 4 * GetSystemMetrics(SM_CYBORDER) + 1;
}

void TCustomComboEdit::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    if (!IsLoading() && !controlState.Contains(csCreating))
        AHeight = std::max(AHeight, minHeight());
    TCustomMaskEdit::SetBounds(ALeft, ATop, AWidth, AHeight);
    if (buttonContainer) updateControlsLayout();
}

void TCustomComboEdit::updateControlsLayout() {
    if (!buttonContainer || !button) return;
    // The button sits inside the edit's frame at its right edge: the native edit draws a
    // two-pixel sunken frame (one pixel flat), none without a border.
    const int frame = borderStyle == bsNone ? 0 : (ctl3D ? 2 : 1);
    const int bw = GetButtonWidth();
    const int h = std::max(0, height - 2 * frame);
    buttonContainer->SetBounds(width - frame - bw, frame, bw, h);
    button->SetBounds(0, 0, bw, h);
    setEditRect();
}

void TCustomComboEdit::setEditRect() {
    if (!buttonContainer) return;
    if (QLineEdit* e = LineEdit())
        e->setTextMargins(0, 0, buttonContainer->GetVisible() ? buttonContainer->GetWidth() : 0, 0);
}

bool TCustomComboEdit::EditCanModify() {
    return !GetReadOnly();
}

void TCustomComboEdit::DoChange() {
    TCustomMaskEdit::Change();
}

void TCustomComboEdit::Change() {
    if (popupVisible)
        PopupChange();
    else
        DoChange();
}

void TCustomComboEdit::AcceptValue(const Variant& Value) {
    const QString text = VarToStr(Value);
    if (text == GetText()) return;
    SetText(text);
    SetModified(true);
    popupVisible = popup && popup->GetVisible();
    DoChange();
}

void TCustomComboEdit::SetPopupValue(const Variant& Value) {
    if (popup) popup->SetValue(Value);
}

Variant TCustomComboEdit::GetPopupValue() {
    return popup ? popup->GetValue() : Variant(QString());
}

void TCustomComboEdit::ShowPopup(TPoint Origin) {
    popup->Show(Origin);
}

void TCustomComboEdit::HidePopup() {
    popup->Hide();
}

void TCustomComboEdit::PopupDropDown(bool DisableEdit) {
    if (!popup || GetReadOnly() || GetPopupVisible()) return;
    TPoint p = parent ? parent->ClientToScreen(TPoint{left, top}) : ClientToScreen(TPoint{0, 0});
    const int pw = popup->GetWidth(), ph = popup->GetHeight();
    const int sw = Screen->GetWidth(), sh = Screen->GetHeight();
    int y = p.Y + height;
    if (y + ph > sh) y = p.Y - ph;
    if (popupAlign == epaRight) {
        p.X -= pw - width;
        if (p.X < 0) p.X += pw - width;
    } else if (p.X + pw > sw) {
        p.X -= pw - width;
    }
    if (p.X < 0)
        p.X = 0;
    else if (p.X + pw > sw)
        p.X = sw - pw;
    const QString text = GetText();
    SetPopupValue(text.isEmpty() ? Null() : Variant(text));
    if (CanFocus()) SetFocus();
    ShowPopup(TPoint{p.X, y});
    popupVisible = true;
    watch->Start();
    if (DisableEdit) TCustomEdit::SetReadOnly(true);
}

void TCustomComboEdit::PopupCloseUp(TObject*, bool Accept) {
    if (!popup || !(popupVisible || popup->GetVisible())) return;
    watch->Stop();
    struct ClearFlag {
        bool& Flag;
        ~ClearFlag() { Flag = false; }
    } clear{popupVisible};
    if (HWND cap = GetCapture()) SendMessage(cap, WM_CANCELMODE, 0, 0);
    Variant value = GetPopupValue();
    HidePopup();
    // the focus comes back to the edit, unless it is leaving for another control
    if (focusedFlag && CanFocus()) SetFocus();
    applyDirectInput();
    Invalidate();
    if (Accept && AcceptPopup(value) && EditCanModify()) {
        AcceptValue(value);
        if (focusedFlag) SelectAll();
    }
}

void TCustomComboEdit::ButtonClick() {
    if (OnButtonClick) OnButtonClick(this);
    if (!popup) return;
    if (GetPopupVisible())
        PopupCloseUp(popup, true);
    else
        PopupDropDown(true);
}

void TCustomComboEdit::editButtonClick() {
    if (!GetReadOnly() || alwaysEnableButton) ButtonClick();
}

bool TCustomComboEdit::ownsControl(TControl* Control) {
    if (!Control) return false;
    if (Control == this || Control == button || Control == buttonContainer) return true;
    return popup && (Control == popup || popup->ContainsControl(Control));
}

void TCustomComboEdit::KeyDown(WORD& Key, TShiftState Shift) {
    if (Shift.Contains(ssCtrl) && (Key == VK_TAB || Key == VK_RETURN)) {
        if (TCustomForm* f = GetParentForm(this)) f->KeyDown(Key, Shift);
        Key = 0;
    }
    // Esc closes an open drop-down (in KeyPress) and must not undo the text on its way there
    if (Key == VK_ESCAPE && GetPopupVisible()) {
        Key = 0;
        return;
    }
    TCustomMaskEdit::KeyDown(Key, Shift);
    if (Key != 0 && button && ShortCut(Key, Shift) == clickKey && GetButtonWidth() > 1) {
        button->Click();
        Key = 0;
    }
}

void TCustomComboEdit::KeyPress(QChar& Key) {
    const char16_t k = Key.unicode();
    if (k == VK_RETURN || k == VK_ESCAPE || (k == 10 && GetPopupVisible())) {
        if (GetPopupVisible()) {
            PopupCloseUp(popup, k != VK_ESCAPE);
            Key = QChar();
            return;
        }
        // the form has had the key as a dialog key before it came here as a character
        if (k == VK_RETURN) {
            TCustomMaskEdit::KeyPress(Key);
            Key = QChar();
            return;
        }
    }
    if (k == VK_TAB || k == 10) Key = QChar();
    TCustomMaskEdit::KeyPress(Key);
}

void TCustomComboEdit::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (Button == mbLeft && popup) {
        if (CanFocus()) SetFocus();
        if (!focusedFlag) return;
        if (GetPopupVisible()) PopupCloseUp(popup, false);
    }
    TCustomMaskEdit::MouseDown(Button, Shift, X, Y);
}

void TCustomComboEdit::CreateWnd() {
    TCustomMaskEdit::CreateWnd();
    applyDirectInput();
    TAlignment a = alignment;
    alignment = taLeftJustify;
    SetAlignment(a);
    setEditRect();
}

void TCustomComboEdit::DestroyWnd() {
    if (popupVisible && popup) {
        watch->Stop();
        popup->Hide();
        popupVisible = false;
    }
    TCustomMaskEdit::DestroyWnd();
}

void TCustomComboEdit::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case WM_SETFOCUS:
        TCustomMaskEdit::Dispatch(Message);
        focusedFlag = true;
        return;
    case WM_KILLFOCUS:
        TCustomMaskEdit::Dispatch(Message);
        focusedFlag = false;
        PopupCloseUp(popup, false);
        return;
    case CM_CANCELMODE:
        if (!ownsControl(TCMCancelMode(Message).Control())) PopupCloseUp(popup, false);
        TCustomMaskEdit::Dispatch(Message);
        return;
    case WM_PASTE:
    case WM_CUT:
        if (directInput && !GetReadOnly()) TCustomMaskEdit::Dispatch(Message);
        return;
    case CM_ENTER: {
        if (autoSelect && !(GetKeyState(VK_LBUTTON) & 0x8000)) SelectAll();
        // the platform edit would select again, whatever DirectInput says
        bool keep = autoSelect;
        autoSelect = false;
        TScopeGuard restore([&] { autoSelect = keep; });
        TCustomMaskEdit::Dispatch(Message);
        restore.End();
        return;
    }
    case CM_ENABLEDCHANGED:
        TCustomMaskEdit::Dispatch(Message);
        if (button) button->SetEnabled(enabled);
        return;
    case CM_FONTCHANGED:
    case CM_CTL3DCHANGED:
        TCustomMaskEdit::Dispatch(Message);
        updateControlsLayout();
        return;
    case CM_BIDIMODECHANGED:
        TCustomMaskEdit::Dispatch(Message);
        if (popup) popup->SetBiDiMode(bidiMode);
        return;
    case CM_WANTSPECIALKEY:
        if (GetPopupVisible() && (Message.WParam == VK_RETURN || Message.WParam == VK_ESCAPE)) {
            Message.Result = 1;
            return;
        }
        break;
    case WM_GETDLGCODE:
        TCustomMaskEdit::Dispatch(Message);
        if (GetPopupVisible()) Message.Result |= DLGC_WANTALLKEYS;
        return;
    default:
        break;
    }
    TCustomMaskEdit::Dispatch(Message);
}
