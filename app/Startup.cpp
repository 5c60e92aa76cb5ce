#include "Startup.h"

#include "AboutUnit.h"
#include "AppImages.h"
#include "CalUnit.h"
#include "CmdrUnit.h"
#include "Clock.h"
#include "Connection.h"
#include "DMUnit.h"
#include "DeskUnit.h"
#include "Dialogs.h"
#include "FR_Class.h"
#include "MainUnit.h"
#include "Opt2Unit.h"
#include "ReportDlgs.h"

#include <QApplication>
#include <QIcon>
#include <QPixmap>

namespace {

// The splash window stays painted while the program waits: the pause goes in short steps
// that let the window system show it, but no input is taken.
void splashPause() {
    const uint64_t end = GetTickCount64() + SplashPause;
    for (uint64_t now = GetTickCount64(); now < end; now = GetTickCount64()) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        Sleep(uint32_t(std::min<uint64_t>(end - now, 20)));
    }
}

template <class T> void make(T*& Reference, const std::function<void(TComponent*)>& Created) {
    Application->CreateForm(Reference);
    if (Created) Created(Reference);
}

template <class T> void free(T*& Reference) {
    delete Reference;
    Reference = nullptr;
}

// The program's emblem as the icon of every window: the title bars of the frame, of the module
// windows inside it and of the dialogs (the toolkit's own logo otherwise).
void setApplicationIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64})
        icon.addPixmap(QPixmap::fromImage(ProductEmblem(size, Qt::transparent)));
    QApplication::setWindowIcon(icon);
}

} // namespace

void CreateApplicationForms(const std::function<void(TComponent*)>& Created) {
    setApplicationIcon();
    SplashForm = CreateNewForm<TSplashForm>(Application.get());
    if (Created) Created(SplashForm);
    SplashForm->Show();
    SplashForm->Update();
    splashPause();
    Application->Initialize();
    Application->SetTitle(QStringLiteral("Кадріон"));
    // A report that cannot be built says why in a message box.
    frGlobals().ShowMessage = [](const QString& Text, const QString& Caption) {
        GetUserInteraction()->MessageBox(Text, Caption, MB_OK | MB_ICONERROR);
    };
    make(DM, Created);
    make(MainForm, Created);
    make(AboutBox, Created);
    make(QuetForm, Created);
    make(Opt2Form, Created);
    make(CalForm, Created);
    make(UdostForm, Created);
    make(TimeForm, Created);
    make(PeriodForm, Created);
    make(WrkForm, Created);
    make(CmdrForm, Created);
    free(SplashForm);
}

void FreeApplicationForms() {
    free(CmdrForm);
    free(WrkForm);
    free(PeriodForm);
    free(TimeForm);
    free(UdostForm);
    free(CalForm);
    free(Opt2Form);
    free(QuetForm);
    free(AboutBox);
    FreeWaitWindow();
    // the module window left open goes before the frame that holds its widgets
    while (MainForm && MainForm->GetMDIChildCount() > 0)
        delete MainForm->GetMDIChildren(0);
    free(MainForm);
    free(DM);
    free(SplashForm);
}

int RunKadrion() {
    CreateApplicationForms();
    // An error no window handled: a lost connection is told in our words.
    UseErrorTexts();
    Application->Run();
    return 0;
}
