#include "FR_Progr.h"

#include "FR_Class.h"

TfrProgressForm::TfrProgressForm(TComponent* AOwner) : TForm(AOwner) {
    BeginLoading();
    SetName(QStringLiteral("frProgressForm"));
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientSize(300, 96);
    Label1 = new TLabel(this);
    Label1->SetParent(this);
    Label1->SetBounds(12, 10, 276, 17);
    Label2 = new TLabel(this);
    Label2->SetParent(this);
    Label2->SetBounds(12, 32, 276, 17);
    Button1 = new TButton(this);
    Button1->SetParent(this);
    Button1->SetBounds(112, 60, 76, 25);
    Button1->SetCancel(true);
    Button1->OnClick = [this](TObject* S) { Button1Click(S); };
    EndLoading();
}

TModalResult TfrProgressForm::Show(TfrReport* Report) {
    Button1->SetCaption(frLoadStr(55001));
    FReport = Report;
    Label2->SetCaption(QString());
    PostMessage(GetHandle(), frStartWorkMessage, 0, 0);
    return ShowModal();
}

void TfrProgressForm::Button1Click(TObject*) {
    if (FReport) FReport->Terminated = true;
    SetModalResult(mrCancel);
}

void TfrProgressForm::Dispatch(TMessage& Message) {
    if (Message.Msg == frStartWorkMessage) {
        if (OnWork) OnWork(this);
        return;
    }
    TForm::Dispatch(Message);
}

bool frRunWithProgress(TfrReport* Report, const QString& Caption, const QString& Line,
                       const std::function<void(const std::function<void(int)>& Progress)>& Work) {
    std::unique_ptr<TfrProgressForm> form(new TfrProgressForm(nullptr));
    form->SetCaption(Caption);
    form->Label1->SetCaption(Line);
    Report->Terminated = false;
    TfrProgressForm* f = form.get();
    f->OnWork = [f, Report, Line, Work](TObject*) {
        Work([f, Line](int N) {
            f->Label2->SetCaption(Line + QStringLiteral("  ") + QString::number(N));
            Application->ProcessMessages();
        });
        if (f->GetModalResult() == mrNone) f->SetModalResult(Report->Terminated ? mrCancel : mrOk);
    };
    const TModalResult r = f->Show(Report);
    return r != mrCancel && !Report->Terminated;
}
