#include "FR_Search.h"

#include "FR_Const.h"
#include "FR_Ctrls.h"

TfrPreviewSearchForm::TfrPreviewSearchForm(TComponent* AOwner) : TForm(AOwner) {
    BeginLoading();
    frSetupDialog(this, QStringLiteral("frPreviewSearchForm"), frLoadStr(53000), 330, 176);
    auto make = [this]<class T>(T*& C, TWinControl* Parent, int L, int T_, int W, int H) {
        C = new T(this);
        C->SetParent(Parent);
        C->SetBounds(L, T_, W, H);
    };
    make(Label1, this, 8, 12, 100, 17);
    Label1->SetAutoSize(true);
    Label1->SetCaption(frLoadStr(53001));
    make(Edit1, this, 110, 8, 212, 24);
    Label1->SetFocusControl(Edit1);
    make(GroupBox1, this, 8, 40, 154, 90);
    GroupBox1->SetCaption(frLoadStr(53002));
    make(CB1, GroupBox1, 8, 24, 140, 40);
    CB1->SetCaption(frLoadStr(53003));
    make(GroupBox2, this, 168, 40, 154, 90);
    GroupBox2->SetCaption(frLoadStr(53004));
    make(RB1, GroupBox2, 8, 24, 140, 20);
    RB1->SetCaption(frLoadStr(53005));
    RB1->SetChecked(true);
    make(RB2, GroupBox2, 8, 52, 140, 20);
    RB2->SetCaption(frLoadStr(53006));
    make(Button1, this, 160, 140, 76, 27);
    Button1->SetCaption(frLoadStr(55000));
    Button1->SetDefault(true);
    Button1->SetModalResult(mrOk);
    make(Button2, this, 246, 140, 76, 27);
    Button2->SetCaption(frLoadStr(55001));
    Button2->SetCancel(true);
    Button2->SetModalResult(mrCancel);
    OnActivate = [this](TObject* S) { FormActivate(S); };
    EndLoading();
}

void TfrPreviewSearchForm::FormActivate(TObject*) {
    if (Edit1->CanFocus()) Edit1->SetFocus();
    Edit1->SelectAll();
}
