// The program's start, its main window and the commands of the main menu, offscreen, with the
// modal windows answered as a user would and every message scripted.
#include "AboutUnit.h"
#include "AppFormsFixture.h"
#include "DMUnit.h"
#include "DeskUnit.h"
#include "IniFiles.h"
#include "MainUnit.h"
#include "Opt2Unit.h"
#include "ReportDlgs.h"
#include "Startup.h"
#include "varer.h"

#include <QApplication>
#include <QFile>

namespace {

using MainWindowTest = AppFormsTest;

// A module window as the record windows are: an MDI child that frees itself on close and may
// refuse to close (a pending change the user keeps).
class TProbeChild : public TForm {
    KADRION_CLASS(TProbeChild)
    explicit TProbeChild(TComponent* AOwner) : TForm(AOwner) {
        SetFormStyle(fsMDIChild);
        OnClose = [](TObject*, TCloseAction& A) { A = caFree; };
        OnCloseQuery = [this](TObject*, bool& CanClose) { CanClose = !Refuse; };
    }
    bool Refuse = false;
};

TEST_F(MainWindowTest, StartUpMakesTheFormsInOrderAfterTheSplashPauseAndConnects) {
    PrepareSettings();
    Start();
    EXPECT_EQ(created, (QStringList{"SplashForm", "DM", "MainForm", "AboutBox", "QuetForm",
                                    "Opt2Form", "CalForm", "UdostForm", "TimeForm", "PeriodForm",
                                    "WrkForm", "CmdrForm"}));
    // Nothing but the splash window before the pause; the pause went by the clock.
    EXPECT_EQ(sleptAtCreation.front(), 0u);
    EXPECT_EQ(sleptAtCreation[1], uint64_t(SplashPause));
    EXPECT_EQ(clock.Slept, uint64_t(SplashPause));
    EXPECT_EQ(SplashForm, nullptr);
    EXPECT_EQ(Application->GetMainForm(), MainForm);
    EXPECT_TRUE(DM->Database->GetConnected());
    EXPECT_EQ(FullNameSvr, DbPath());
    EXPECT_TRUE(ui.Asked.empty());
    // The look of the frame.
    EXPECT_EQ(MainForm->GetCaption(), QStringLiteral("Автоматизована система \"Кадріон\""));
    EXPECT_EQ(MainForm->GetFormStyle(), fsMDIForm);
    EXPECT_EQ(MainForm->GetWindowState(), wsMaximized);
    EXPECT_EQ(MainForm->GetColor(), TColor(13936551));
    EXPECT_EQ(MainForm->ToolBar2->ButtonCount(), 13);
    EXPECT_EQ(MainForm->ToolBar1->ButtonCount(), 6);
    EXPECT_EQ(MainForm->ToolBar1->GetButtons(1)->GetAction(), DM->AStartCards);
    EXPECT_EQ(MainForm->ToolBar1->GetButtons(1)->GetImageIndex(), 27);
    EXPECT_EQ(MainForm->rMenuBar1->ButtonCount(), 6);
}

TEST_F(MainWindowTest, AFirstStartAsksTheSettingsBeforeTheMainWindowShowsAndReportsACancel) {
    // No settings file: the dialog comes first; cancelled, the empty name fails to connect.
    bool mainShownAtDialog = true;
    modal.Push([&](TCustomForm* F) {
        mainShownAtDialog = MainForm && MainForm->GetVisible();
        EXPECT_NE(dynamic_cast<TOpt2Form*>(F), nullptr);
        static_cast<TOpt2Form*>(F)->BitBtn2->Click();
    });
    Start();
    EXPECT_FALSE(mainShownAtDialog);
    EXPECT_EQ(modal.Pending(), 0);
    EXPECT_EQ(Texts(), (QStringList{"Помилка підключення до бази . Перевірте настройки або "
                                    "створіть нову базу."}));
    EXPECT_EQ(ui.Last().Caption, QStringLiteral("Помилка"));
    EXPECT_FALSE(DM->Database->GetConnected());
    FreeApplicationForms();

    // Again, this time with the database typed in and OK: connected, and the name formed.
    ASSERT_TRUE(QFile::copy(prepared->filePath(QStringLiteral("kadrion/kadrion.fdb")), DbPath()));
    QFile::setPermissions(DbPath(), QFile::ReadOwner | QFile::WriteOwner);
    ui.Asked.clear();
    ClearSettings();
    modal.Push([&](TCustomForm* F) {
        auto* o = static_cast<TOpt2Form*>(F);
        o->Edit6->SetText(DbPath());
        o->BitBtn1->Click();
    });
    Start();
    EXPECT_TRUE(ui.Asked.empty());
    EXPECT_EQ(FullNameSvr, DbPath());
    EXPECT_TRUE(DM->Database->GetConnected());
}

TEST_F(MainWindowTest, CommandsNeedingTheDatabaseFollowTheConnectionAndTheirWindows) {
    PrepareSettings();
    Start();
    TMainForm* m = MainForm;
    // A command whose window is there follows the connection; the report designer, which this
    // system does not have, stays disabled.
    m->N2->OnClick = [](TObject*) {};
    DM->AStartCards->OnExecute = [](TObject*) {};
    struct Case {
        const char* Name;
        TMenuItem* Item;
        bool Connected, Disconnected;
    };
    const Case cases[] = {
        {"N2 with its window", m->N2, true, false},
        {"N32 with its window", m->N32, true, false},
        {"N24 with its window", m->N24, true, false},
        {"N41 seniority", m->N41, true, false},
        {"N44 backup", m->N44, true, false},
        {"N45 restore", m->N45, true, true},
        {"N51 new database", m->N51, true, true},
        {"mnuOption settings", m->mnuOption, true, true},
        {"N29 designer", m->N29, false, false},
        {"N10 about", m->N10, true, true},
    };
    for (bool connected : {true, false}) {
        if (!connected) DM->Database->SetConnected(false);
        Application->DoIdle();
        for (const Case& c : cases)
            EXPECT_EQ(c.Item->GetEnabled(), connected ? c.Connected : c.Disconnected)
                << c.Name << (connected ? " connected" : " disconnected");
        EXPECT_EQ(DM->AStartCards->GetEnabled(), connected);
        EXPECT_EQ(DM->AStartPodr->GetEnabled(), connected);
        EXPECT_TRUE(DM->ACloseProg->GetEnabled());
    }
    // The close-window command follows the child windows.
    EXPECT_FALSE(DM->ACloseWin->GetEnabled());
    TProbeChild* child = nullptr;
    m->OpenModule(child);
    Application->DoIdle();
    EXPECT_TRUE(DM->ACloseWin->GetEnabled());
}

TEST_F(MainWindowTest, AModuleWindowOpensAloneUnlessAnotherRefusesToClose) {
    PrepareSettings();
    Start();
    MainForm->Show();
    TProbeChild *first = nullptr, *second = nullptr, *third = nullptr;
    MainForm->OpenModule(first);
    MainForm->OpenModule(second);
    QApplication::processEvents(); // the closed window goes after the message
    ASSERT_EQ(MainForm->GetMDIChildCount(), 1);
    EXPECT_EQ(MainForm->GetMDIChildren(0), second);

    // One that keeps itself open stays; the new one opens beside it.
    second->Refuse = true;
    MainForm->OpenModule(third);
    QApplication::processEvents();
    EXPECT_EQ(MainForm->GetMDIChildCount(), 2);

    // The about box leaves the windows open.
    modal.Push([](TCustomForm* F) { static_cast<TAboutBox*>(F)->OKButton->Click(); });
    MainForm->N10->Click();
    EXPECT_EQ(MainForm->GetMDIChildCount(), 2);

    // Closing them all tells that one stayed.
    EXPECT_FALSE(MainForm->CloseChildren());
    QApplication::processEvents();
    ASSERT_EQ(MainForm->GetMDIChildCount(), 1);
    EXPECT_EQ(MainForm->GetMDIChildren(0), second);

    // "Закрити вікно" closes the least recently active window, one at a time.
    TProbeChild* fourth = nullptr;
    MainForm->OpenModule(fourth);
    second->Refuse = false;
    DM->ACloseWin->Execute();
    QApplication::processEvents();
    ASSERT_EQ(MainForm->GetMDIChildCount(), 1);
    EXPECT_EQ(MainForm->GetMDIChildren(0), fourth);
    EXPECT_TRUE(MainForm->CloseChildren());
}

TEST_F(MainWindowTest, TheSettingsDialogWritesEveryValueAndAFailedConnectionNamesTheDatabase) {
    PrepareSettings();
    Start();
    const QString wrong = dir.filePath(QStringLiteral("missing.fdb"));
    modal.Push([&](TCustomForm* F) {
        auto* o = static_cast<TOpt2Form*>(F);
        EXPECT_EQ(o->Edit6->GetText(), DbPath());
        EXPECT_FALSE(o->Edit2->GetEnabled());
        o->Edit3->SetText(QStringLiteral("Товариство \"Ґудзик\""));
        o->Edit4->SetText(QStringLiteral("ТОВ Ґудзик"));
        o->Edit1->SetText(QStringLiteral("Д'яченко Ї.Є."));
        o->Edit5->SetText(QStringLiteral("Директор"));
        o->SGrid->SetCells(1, 2, QStringLiteral("Інспектор"));
        o->SGrid->SetCells(2, 2, QStringLiteral("Олійник О.О."));
        o->Edit6->SetText(wrong);
        o->BitBtn1->Click();
    });
    MainForm->mnuOption->Click();
    EXPECT_EQ(Texts(),
              QStringList{QStringLiteral("Помилка підключення до бази ") + wrong +
                          QStringLiteral(". Перевірте настройки або створіть нову базу.")});
    EXPECT_EQ(ui.WaitShownAtQuestion, std::vector<bool>{false});
    EXPECT_EQ(waitShowings, 1);
    EXPECT_FALSE(DM->Database->GetConnected());
    EXPECT_EQ(FullNameSvr, wrong);
    EXPECT_EQ(OK_Pos2, QStringLiteral("Інспектор"));
    EXPECT_EQ(OK_Pib2, QStringLiteral("Олійник О.О."));

    // Cancelling after changes keeps every value.
    modal.Push([](TCustomForm* F) {
        auto* o = static_cast<TOpt2Form*>(F);
        o->Edit4->SetText(QStringLiteral("інша"));
        o->Radio2->SetItemIndex(1);
        EXPECT_TRUE(o->Edit2->GetEnabled());
        o->BitBtn2->Click();
    });
    MainForm->mnuOption->Click();
    EXPECT_EQ(NameOrg, QStringLiteral("ТОВ Ґудзик"));
    EXPECT_EQ(TypeSvr, 0);

    // Corrected without a restart: connected again.
    modal.Push([&](TCustomForm* F) {
        auto* o = static_cast<TOpt2Form*>(F);
        o->Edit6->SetText(DbPath());
        o->BitBtn1->Click();
    });
    MainForm->mnuOption->Click();
    EXPECT_TRUE(DM->Database->GetConnected());

    // The close writes all 31 keys and leaves the database.
    TCloseAction action = caFree;
    MainForm->FormClose(MainForm, action);
    EXPECT_FALSE(DM->Database->GetConnected());
    EXPECT_EQ(DeskForm, nullptr);
    TMemIniFile ini(ResolveIniFileName(QStringLiteral("kadrion.ini")));
    TStringList data, comnd;
    ini.ReadSection(QStringLiteral("Data"), &data);
    ini.ReadSection(QStringLiteral("Comnd"), &comnd);
    EXPECT_EQ(data.GetCount(), 18);
    EXPECT_EQ(comnd.GetCount(), 13);
    EXPECT_EQ(ini.ReadString("Data", "FullNameOrg", ""), QStringLiteral("Товариство \"Ґудзик\""));
    EXPECT_EQ(ini.ReadString("Data", "Boss", ""), QStringLiteral("Д'яченко Ї.Є."));
    EXPECT_EQ(ini.ReadString("Data", "OK_Pib2", ""), QStringLiteral("Олійник О.О."));
    EXPECT_EQ(ini.ReadString("Data", "OK_Pos1", "x"), QString());
    EXPECT_EQ(ini.ReadString("Data", "TypeSvr", ""), QStringLiteral("0"));
    EXPECT_EQ(ini.ReadString("Data", "FullNameSvr", ""), DbPath());
}

TEST_F(MainWindowTest, ChangesASaveCouldNotWriteKeepTheProgramOpenUnlessTheUserDropsThem) {
    PrepareSettings();
    Start();
    // A change the save could not write: a second position under a code that is taken.
    TIBQuery* prof = DM->IBprof;
    prof->Open();
    for (const char* name : {"Токар", "Слюсар"}) {
        prof->Append();
        prof->FieldByName("CODPROF")->SetAsString(QStringLiteral("901"));
        prof->FieldByName("NAMPROF")->SetAsString(QString::fromUtf8(name));
        prof->Post();
    }
    ASSERT_TRUE(prof->UpdatesPending());
    const QString question = QStringLiteral("Є зміни, які не вдалося записати до бази ") +
                             DbPath() +
                             QStringLiteral(". Якщо продовжити, їх буде втрачено. Продовжити?");
    // No: the program stays, connected, the change still waiting.
    ui.Asked.clear();
    ui.Answer(IDNO);
    EXPECT_FALSE(MainForm->CloseQuery());
    EXPECT_EQ(Texts(), QStringList{question});
    EXPECT_TRUE(prof->UpdatesPending());
    EXPECT_TRUE(DM->Database->GetConnected());
    // Yes: dropped, and the program closes.
    ui.Asked.clear();
    ui.Answer(IDYES);
    EXPECT_TRUE(MainForm->CloseQuery());
    EXPECT_EQ(Texts(), QStringList{question});
    EXPECT_FALSE(prof->UpdatesPending());
    TCloseAction action = caFree;
    MainForm->FormClose(MainForm, action);
    EXPECT_FALSE(DM->Database->GetConnected());
    // Nothing pending: closing asks nothing.
    ui.Asked.clear();
    EXPECT_TRUE(MainForm->CloseQuery());
    EXPECT_TRUE(ui.Asked.empty());
}

TEST_F(MainWindowTest, TheServiceCommandsRunWithTheWaitWindowAndTellTheirEnd) {
    PrepareSettings();
    Start();
    const QString fresh = dir.filePath(QStringLiteral("fresh.fdb"));
    // staj.dbf goes to the dBase table's folder (the program's own by default)
    MainForm->Staj_Tab->SetFilePath(dir.path());
    struct Case {
        const char* Name;
        TMenuItem* TMainForm::*Item;
        std::function<void()> Before;
        QStringList Texts; // the question (if any) and the closing message
    };
    const std::vector<Case> cases = {
        {"backup",
         &TMainForm::N44,
         {},
         {"Ви дійсно бажаєте зробити резервування бази?", "Резервування бази закінчено"}},
        {"restore",
         &TMainForm::N45,
         {},
         {"Ви дійсно бажаєте відновити базу?", "Відновлення бази закінчено"}},
        {"seniority",
         &TMainForm::N41,
         [this] {
             modal.Push([](TCustomForm* F) {
                 auto* t = static_cast<TTimeForm*>(F);
                 EXPECT_EQ(t->DateEdit1->GetText(), QStringLiteral("14.03.2024"));
                 t->BitBtn1->Click();
             });
         },
         {"Підрахунок стажу закінчено"}},
        {"new database",
         &TMainForm::N51,
         [&] { FullNameSvr = fresh; },
         {"Ви дійсно бажаєте створити нову базу " + fresh + "?",
          "Створено нову базу " + fresh + "."}},
        {"new database over a file",
         &TMainForm::N51,
         [&] { FullNameSvr = fresh; },
         {"Ви дійсно бажаєте створити нову базу " + fresh + "?",
          "Помилка створення нової бази " + fresh + ". Перевірте настройки та спробуйте ще раз."}},
    };
    for (const Case& c : cases) {
        ui.Asked.clear();
        ui.WaitShownAtQuestion.clear();
        waitShowings = 0;
        if (c.Before) c.Before();
        (MainForm->*c.Item)->Click();
        EXPECT_EQ(Texts(), c.Texts) << c.Name;
        EXPECT_EQ(waitShowings, 1) << c.Name;
        // the question before the work, the message after it: never over the wait window
        for (bool shown : ui.WaitShownAtQuestion)
            EXPECT_FALSE(shown) << c.Name;
        EXPECT_FALSE(WaitWindowShown()) << c.Name;
    }
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("staj.dbf"))));
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("kadrion.gbk"))));
    // The failed creation left the database disconnected; "No" to a question does nothing.
    ui.Answer(IDNO);
    MainForm->N44->Click();
    EXPECT_EQ(waitShowings, 1);
}

TEST_F(MainWindowTest, AFailingSeniorityRunStillTakesTheWaitWindowAway) {
    PrepareSettings();
    Start();
    // A folder where the table should be: it cannot be made.
    MainForm->Staj_Tab->SetFilePath(dir.path());
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("staj.dbf")));
    modal.Push([](TCustomForm* F) { static_cast<TTimeForm*>(F)->BitBtn1->Click(); });
    EXPECT_THROW(MainForm->N41->Click(), Exception);
    EXPECT_EQ(waitShowings, 1);
    EXPECT_FALSE(WaitWindowShown());
}

} // namespace

namespace {

TEST_F(MainWindowTest, RestoreClosesTheWindowsFirstAndOneThatStaysOpenStopsIt) {
    PrepareSettings();
    Start();
    MainForm->Show();
    MainForm->N44->Click(); // a backup to restore from
    ui.Asked.clear();
    TProbeChild* child = nullptr;
    MainForm->OpenModule(child);
    child->Refuse = true;
    MainForm->N45->Click();
    QApplication::processEvents();
    // Nothing asked, nothing restored: the window with its pending change is still there.
    EXPECT_TRUE(ui.Asked.empty());
    EXPECT_EQ(MainForm->GetMDIChildCount(), 1);
    EXPECT_TRUE(DM->Database->GetConnected());

    child->Refuse = false;
    MainForm->N45->Click();
    QApplication::processEvents();
    EXPECT_EQ(MainForm->GetMDIChildCount(), 0);
    EXPECT_EQ(Texts(),
              (QStringList{"Ви дійсно бажаєте відновити базу?", "Відновлення бази закінчено"}));
    EXPECT_TRUE(DM->Database->GetConnected());
    EXPECT_FALSE(WaitWindowShown());
}

} // namespace
