#include "FR_Fmted.h"

#include "FR_Const.h"
#include "FR_Ctrls.h"

namespace {

constexpr int Categories = 5;
constexpr int TypesPerCategory = 5;
constexpr int OwnFormatType = 4;

} // namespace

TfrFmtForm::TfrFmtForm(TComponent* AOwner) : TForm(AOwner) {
    BeginLoading();
    frSetupDialog(this, QStringLiteral("frFmtForm"), frLoadStr(53420), 400, 270);
    CatLB = frPlace<TListBox>(this, this, 8, 8, 120, 156);
    TypeLB = frPlace<TListBox>(this, this, 136, 8, 256, 156);
    Label1 = frPlaceLabel(this, this, 8, 178, frLoadStr(53422));
    DecEdit = frPlace<TEdit>(this, this, 150, 174, 50, 24);
    Label2 = frPlaceLabel(this, this, 210, 178, frLoadStr(53423));
    SplEdit = frPlace<TEdit>(this, this, 352, 174, 40, 24);
    SplEdit->SetMaxLength(1);
    Label3 = frPlaceLabel(this, this, 8, 208, frLoadStr(53424));
    FormatEdit = frPlace<TEdit>(this, this, 150, 204, 242, 24);
    OK = frPlace<TButton>(this, this, 232, 238, 76, 27);
    OK->SetCaption(frLoadStr(55000));
    OK->SetDefault(true);
    OK->SetModalResult(mrOk);
    Cancel = frPlace<TButton>(this, this, 316, 238, 76, 27);
    Cancel->SetCaption(frLoadStr(55001));
    Cancel->SetCancel(true);
    Cancel->SetModalResult(mrCancel);
    CatLB->OnClick = [this](TObject* S) { CatLBClick(S); };
    TypeLB->OnClick = [this](TObject*) { ShowControls(); };
    SplEdit->OnEnter = [this](TObject*) { SplEdit->SelectAll(); };
    OnActivate = [this](TObject* S) { FormActivate(S); };
    EndLoading();
}

void TfrFmtForm::FormActivate(TObject*) {
    CatLB->Clear();
    for (int i = 0; i < Categories; ++i)
        CatLB->GetItems()->Add(frLoadStr(55130 + i));
    CatLB->SetItemIndex(std::clamp((Format >> 24) & 0x0F, 0, Categories - 1));
    CatLBClick(this);
    const int type = (Format >> 16) & 0xFF;
    if (type < TypeLB->GetItems()->Count()) TypeLB->SetItemIndex(type);
    ShowControls();
}

void TfrFmtForm::CatLBClick(TObject*) {
    TypeLB->Clear();
    const int cat = std::max(CatLB->GetItemIndex(), 0);
    for (int i = 0; i < TypesPerCategory; ++i) {
        const QString text = frLoadStr(55150 + cat * TypesPerCategory + i);
        if (!text.isEmpty()) TypeLB->GetItems()->Add(text);
    }
    TypeLB->SetItemIndex(0);
    ShowControls();
}

void TfrFmtForm::ShowControls() {
    const bool number = CatLB->GetItemIndex() == 1;
    for (TControl* c : std::initializer_list<TControl*>{Label1, Label2, DecEdit, SplEdit})
        c->SetEnabled(number);
    if (number) {
        DecEdit->SetText(QString::number((Format >> 8) & 0xFF));
        SplEdit->SetText(QString(QChar(Format & 0xFF)));
    } else {
        DecEdit->SetText(QString());
        SplEdit->SetText(QString());
    }
    const bool own = TypeLB->GetItemIndex() == OwnFormatType;
    Label3->SetEnabled(own);
    FormatEdit->SetEnabled(own);
    FormatEdit->SetText(own ? FormatStr : QString());
}

void TfrFmtForm::FormDeactivate(TObject*) {
    if (GetModalResult() != mrOk) return;
    bool ok = false;
    const int decimals = DecEdit->GetText().trimmed().toInt(&ok);
    const QString spl = SplEdit->GetText();
    // Only what the word's bits hold: a separator outside one byte becomes the comma.
    const int sep = spl.isEmpty() || spl[0].unicode() > 0xFF ? ',' : spl[0].unicode();
    Format = (std::max(CatLB->GetItemIndex(), 0) << 24) |
             (std::max(TypeLB->GetItemIndex(), 0) << 16) | ((ok ? decimals & 0xFF : 0) << 8) | sep;
    if (FormatEdit->GetEnabled()) FormatStr = FormatEdit->GetText();
}

TModalResult TfrFmtForm::ShowModal() {
    const TModalResult r = TForm::ShowModal();
    FormDeactivate(this);
    return r;
}
