#include "DeskUnit.h"

#include <QApplication>
#include <QWidget>

TDeskForm* DeskForm = nullptr;

TDeskForm::TDeskForm(TComponent* AOwner) : TForm(AOwner) {
    BeginLoading();
    SetName(QStringLiteral("DeskForm"));
    SetBorderStyle(bsNone);
    SetBorderIcons({});
    SetPosition(poScreenCenter);
    SetClientSize(468, 62);
    Panel1 = new TPanel(this);
    Panel1->SetName(QStringLiteral("Panel1"));
    Panel1->SetParent(this);
    Panel1->SetAlign(alClient);
    Panel1->SetBevelOuter(bvLowered);
    Panel1->SetCaption(QString());
    Lab = new TRxLabel(this);
    Lab->SetName(QStringLiteral("Lab"));
    Lab->SetParent(Panel1);
    Lab->SetAlign(alClient);
    Lab->SetAlignment(taCenter);
    Lab->SetLayout(tlCenter);
    Lab->GetFont()->SetName(QStringLiteral("Times New Roman"));
    Lab->GetFont()->SetHeight(-37);
    Lab->GetFont()->SetStyle({fsBold, fsItalic});
    Lab->GetFont()->SetColor(TColor(10118758));
    Lab->SetShadowColor(clWhite);
    Lab->SetShadowSize(2);
    Lab->SetCaption(QString::fromUtf16(SWaitText));
    EndLoading();
}

void ShowWaitWindow() {
    if (!DeskForm) {
        DeskForm = CreateNewForm<TDeskForm>(Application.get());
        // The wait window only tells: it never takes the keyboard. Were it activated, the
        // window manager would move the focus to it and, as it goes again, to no window at
        // all, after the work is done: what the user types next would be lost.
        QWidget* w = DeskForm->GetHandle();
        w->setAttribute(Qt::WA_ShowWithoutActivating);
        w->setWindowFlag(Qt::WindowDoesNotAcceptFocus);
    }
    DeskForm->Lab->SetCaption(QString::fromUtf16(SWaitText));
    DeskForm->Show();
    DeskForm->Update();
    // The work that follows blocks the loop: let the window appear and paint first, without
    // taking any input that would start something else.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    DeskForm->Update();
}

void HideWaitWindow() {
    if (DeskForm && DeskForm->GetVisible()) DeskForm->Hide();
}

bool WaitWindowShown() {
    return DeskForm && DeskForm->GetVisible();
}

void FreeWaitWindow() {
    delete DeskForm;
    DeskForm = nullptr;
}
