#include "FR_Ctrls.h"

#include "ExtCtrls.h"
#include "Registry.h"

#include <QImage>
#include <algorithm>

TfrComboEdit::TfrComboEdit(TComponent* AOwner) : TComboBox(AOwner) {
    Panel = new TPanel(this);
    Panel->SetParent(this);
    Panel->SetBevelOuter(bvNone);
    Panel->SetCaption(QString());
    Button = new TfrSpeedButton(this);
    Button->SetParent(Panel);
    Button->SetAlign(alClient);
    Button->SetGrayedInactive(false);
    Button->SetShowHint(true);
    Button->OnClick = [this](TObject*) {
        if (OnButtonClick) OnButtonClick(this);
    };
    TComboBox::SetBounds(0, 0, 121, 21);
    placeButton();
}

void TfrComboEdit::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    TComboBox::SetBounds(ALeft, ATop, AWidth, AHeight);
    placeButton();
}

void TfrComboEdit::placeButton() {
    const int h = GetHeight();
    const int side = std::max(h - 4, 1);
    Panel->SetBounds(GetWidth() - h + 2, 2, side, side);
}

TBitmap* TfrComboEdit::GetGlyph() const {
    return Button->GetGlyph();
}

void TfrComboEdit::SetGlyph(TBitmap* Value) {
    Button->SetGlyph(Value);
}

QString TfrComboEdit::GetButtonHint() const {
    return Button->GetHint();
}

void TfrComboEdit::SetButtonHint(const QString& Value) {
    Button->SetHint(Value);
}

bool TfrComboEdit::GetButtonEnabled() const {
    return Button->GetEnabled();
}

void TfrComboEdit::SetButtonEnabled(bool Value) {
    Button->SetEnabled(Value);
}

TfrSpeedButton::TfrSpeedButton(TComponent* AOwner) : TSpeedButton(AOwner) {
    SetBounds(0, 0, 22, 22);
    SetParentFont(true);
}

void TfrSpeedButton::SetGrayedInactive(bool Value) {
    if (grayedInactive == Value) return;
    grayedInactive = Value;
    Invalidate();
}

bool TfrSpeedButton::ShowsGrayed() const {
    return grayedInactive && GetEnabled() && GetFlat() && !mouseOver &&
           !GetComponentState().Contains(csDesigning);
}

void TfrSpeedButton::Paint() {
    TSpeedButton::Paint();
    if (!ShowsGrayed() || !GetGlyph() || GetGlyph()->GetEmpty()) return;
    // Every pixel but the button face turns to its grey.
    TCanvas* c = GetCanvas();
    const TRect r{0, 0, GetWidth(), GetHeight()};
    QImage img = c->ReadPixels(r);
    if (img.isNull()) return;
    const QRgb face = QRgb(ColorToRGB(clBtnFace));
    const QRgb faceRgb = qRgb(qBlue(face), qGreen(face), qRed(face));
    img = img.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const QRgb p = line[x] & 0xFFFFFF;
            if (p == (faceRgb & 0xFFFFFF)) continue;
            const int g = frGrayLevel(qRed(p), qGreen(p), qBlue(p));
            line[x] = qRgb(g, g, g);
        }
    }
    TBitmap b;
    b.SetImage(img);
    c->Draw(0, 0, &b);
}

void TfrSpeedButton::Dispatch(TMessage& Message) {
    TSpeedButton::Dispatch(Message);
    if (Message.Msg == CM_MOUSEENTER || Message.Msg == CM_MOUSELEAVE) {
        const bool over = Message.Msg == CM_MOUSEENTER;
        if (over == mouseOver) return;
        mouseOver = over;
        if (!GetFlat()) return;
        if (over && OnMouseEnter) OnMouseEnter(this);
        if (!over && OnMouseLeave) OnMouseLeave(this);
        Invalidate();
    }
}

namespace {

// Tool-bar items stack from the top on a panel aligned left or right, else from the left.
TAlign toolBarAlign(TWinControl* Parent) {
    if (dynamic_cast<TCustomPanel*>(Parent) &&
        (Parent->GetAlign() == alLeft || Parent->GetAlign() == alRight))
        return alTop;
    return alLeft;
}

} // namespace

TfrTBButton::TfrTBButton(TComponent* AOwner) : TfrSpeedButton(AOwner) {
    SetFlat(true);
    SetAlign(alLeft);
}

void TfrTBButton::SetParent(TWinControl* AParent) {
    TfrSpeedButton::SetParent(AParent);
    if (AParent) SetAlign(toolBarAlign(AParent));
}

TfrTBSeparator::TfrTBSeparator(TComponent* AOwner) : TGraphicControl(AOwner) {
    SetBounds(0, 0, 8, 8);
    SetAlign(alLeft);
}

void TfrTBSeparator::SetParent(TWinControl* AParent) {
    TGraphicControl::SetParent(AParent);
    if (AParent) SetAlign(toolBarAlign(AParent));
}

void TfrTBSeparator::Paint() {
    TCanvas* c = GetCanvas();
    c->GetBrush()->SetColor(clBtnFace);
    c->FillRect(TRect{0, 0, GetWidth(), GetHeight()});
    if (!DrawBevel) return;
    const bool across = GetAlign() == alTop || GetAlign() == alBottom;
    for (int k = 0; k < 2; ++k) {
        c->GetPen()->SetColor(k == 0 ? clBtnShadow : clBtnHighlight);
        if (across) {
            const int y = GetHeight() / 2 + k;
            c->MoveTo(2, y);
            c->LineTo(GetWidth() - 2, y);
        } else {
            const int x = GetWidth() / 2 + k;
            c->MoveTo(x, 2);
            c->LineTo(x, GetHeight() - 2);
        }
    }
}

QString frRegRootKey() {
    return QStringLiteral("Software\\Rapportel");
}

namespace {
QString formSection(TForm* Form) {
    return QStringLiteral("Form\\") + Form->ClassName();
}
} // namespace

void frSaveFormPosition(TForm* Form) {
    TRegIniFile ini(frRegRootKey());
    const QString s = formSection(Form);
    ini.WriteInteger(s, QStringLiteral("XPosition"), Form->GetLeft());
    ini.WriteInteger(s, QStringLiteral("YPosition"), Form->GetTop());
    ini.WriteInteger(s, QStringLiteral("Width"), Form->GetWidth());
    ini.WriteInteger(s, QStringLiteral("Height"), Form->GetHeight());
    ini.WriteBool(s, QStringLiteral("Maximized"), Form->GetWindowState() == wsMaximized);
}

void frRestoreFormPosition(TForm* Form) {
    TRegIniFile ini(frRegRootKey(), KEY_READ);
    const QString s = formSection(Form);
    if (!ini.ReadBool(s, QStringLiteral("Maximized"), true)) Form->SetWindowState(wsNormal);
    Form->SetBounds(ini.ReadInteger(s, QStringLiteral("XPosition"), Form->GetLeft()),
                    ini.ReadInteger(s, QStringLiteral("YPosition"), Form->GetTop()),
                    ini.ReadInteger(s, QStringLiteral("Width"), Form->GetWidth()),
                    ini.ReadInteger(s, QStringLiteral("Height"), Form->GetHeight()));
}

TLabel* frPlaceLabel(TComponent* Owner, TWinControl* Parent, int Left, int Top,
                     const QString& Caption) {
    TLabel* l = frPlace<TLabel>(Owner, Parent, Left, Top, 40, 17);
    l->SetAutoSize(true);
    l->SetCaption(Caption);
    return l;
}

void frSetupDialog(TForm* Form, const QString& Name, const QString& Caption, int ClientWidth,
                   int ClientHeight) {
    Form->SetName(Name);
    Form->SetBorderStyle(bsDialog);
    Form->SetPosition(poScreenCenter);
    Form->SetCaption(Caption);
    Form->SetClientSize(ClientWidth, ClientHeight);
}
