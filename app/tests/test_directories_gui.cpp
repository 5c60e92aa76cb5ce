// The directory windows over the embedded database, opened from the main menu and the tool
// bar: subdivisions with their groups, positions and productions added, edited and deleted
// with the question, taken codes told, names with apostrophes stored and found, and the
// question on close.
#include "AppFormsFixture.h"
#include "DMUnit.h"
#include "DepartUnit.h"
#include "FillDb.h"
#include "IBDatabase.h"
#include "IBQuery.h"
#include "MainUnit.h"
#include "PodrUnit.h"
#include "ProfUnit.h"
#include "SqlText.h"

#include <QApplication>

namespace {

class DirectoryTest : public AppFormsTest {
protected:
    void SetUp() override {
        AppFormsTest::SetUp();
        PrepareSettings();
        Start();
        FillDatabase(TEmployeeGenerator::Directories(),
                     TEmployeeGenerator(3, EncodeDate(2024, 3, 1)).Employees(10));
        ui.Asked.clear();
        MainForm->Show();
    }
    void TearDown() override {
        for (TIBCustomDataSet* d : {static_cast<TIBCustomDataSet*>(DM->IBpodr),
                                    static_cast<TIBCustomDataSet*>(DM->IBgroup),
                                    static_cast<TIBCustomDataSet*>(DM->IBprof),
                                    static_cast<TIBCustomDataSet*>(DM->IBdepart)})
            if (d->GetActive()) d->Cancel();
        AppFormsTest::TearDown();
    }
    void Click(TMenuItem* Item) {
        Item->Click();
        QApplication::processEvents();
    }
    void CloseChild(TForm* F, std::initializer_list<int> Answers = {}) {
        for (int a : Answers)
            ui.Answer(a);
        F->Close();
        QApplication::processEvents();
    }
    // What another user of the database sees: only what has been committed.
    int Seen(const QString& Table, const QString& Where) {
        TIBDatabase other(nullptr);
        TIBTransaction tr(nullptr);
        other.SetDatabaseName(DbPath());
        other.GetParams()->AddStrings(DM->Database->GetParams());
        other.SetLoginPrompt(false);
        other.SetDefaultTransaction(&tr);
        tr.SetDefaultDatabase(&other);
        other.Open();
        TIBQuery q(nullptr);
        q.SetDatabase(&other);
        q.GetSQL()->SetText(QStringLiteral("select count(*) from ") + Table +
                            QStringLiteral(" where ") + Where);
        q.Open();
        const int n = q.Fields(0)->GetAsInteger();
        q.Close();
        tr.Commit();
        other.Close();
        return n;
    }
    static TField* F(TDataSet* D, const char* Name) {
        return D->FieldByName(QString::fromLatin1(Name));
    }
};

TEST_F(DirectoryTest, TheMenuAndTheToolBarOpenEachDirectoryAloneOverItsData) {
    struct Case {
        TMenuItem* Item;
        const char* Caption;
        TIBCustomDataSet* Data;
        std::function<TForm*()> Form;
    };
    const Case cases[] = {
        {MainForm->N24, "Довідник підрозділів", DM->IBpodr, [] { return PodrForm; }},
        {MainForm->N25, "Довідник посад", DM->IBprof, [] { return ProfForm; }},
        {MainForm->N46, "Довідник виробництв", DM->IBdepart, [] { return DepartForm; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Caption);
        EXPECT_TRUE(c.Item->GetEnabled());
        Click(c.Item);
        ASSERT_NE(c.Form(), nullptr);
        // the window opened before was asked to close: one child at a time
        EXPECT_EQ(MainForm->GetMDIChildCount(), 1);
        EXPECT_EQ(c.Form()->GetCaption(), QString::fromUtf8(c.Caption));
        EXPECT_EQ(c.Form()->GetWindowState(), wsMaximized);
        EXPECT_TRUE(c.Data->GetActive());
        EXPECT_GT(c.Data->RecordCount(), 0);
    }
    CloseChild(DepartForm);
    EXPECT_EQ(DepartForm, nullptr);
    EXPECT_FALSE(DM->IBdepart->GetActive());
    // the tool bar's button opens the subdivisions
    ASSERT_TRUE(DM->AStartPodr->GetEnabled());
    DM->AStartPodr->Execute();
    QApplication::processEvents();
    ASSERT_NE(PodrForm, nullptr);
    EXPECT_TRUE(DM->IBgroup->GetActive());
    // the groups are those of the current subdivision, counted in the footers
    const int code = F(DM->IBpodr, "KODP")->GetAsInteger();
    DM->IBgroup->FetchAll();
    const TGenDirectories dirs = TEmployeeGenerator::Directories();
    EXPECT_EQ(DM->IBgroup->RecordCount(),
              int(std::count_if(dirs.Groups.begin(), dirs.Groups.end(),
                                [&](const TGenGroup& g) { return g.Subdivision == code; })));
    TColumnEh* count = PodrForm->DBGridEh1->GetColumns()->GetItems(1);
    EXPECT_EQ(PodrForm->DBGridEh1->GetFooterValue(0, count).toInt(), DM->IBpodr->RecordCount());
    count = PodrForm->DBGridEh2->GetColumns()->GetItems(1);
    EXPECT_EQ(PodrForm->DBGridEh2->GetFooterValue(0, count).toInt(), DM->IBgroup->RecordCount());
    CloseChild(PodrForm);
    EXPECT_EQ(PodrForm, nullptr);
    EXPECT_TRUE(ui.Asked.empty());
}

TEST_F(DirectoryTest, ASubdivisionAndItsGroupsAreAddedEditedAndDeletedWithTheQuestion) {
    Click(MainForm->N24);
    ASSERT_NE(PodrForm, nullptr);
    TIBQuery* podr = DM->IBpodr;
    TIBQuery* group = DM->IBgroup;
    const QString name = QStringLiteral("Відділ зв'язків з п'ятьма філіями");
    podr->Append();
    F(podr, "KODP")->SetAsInteger(77);
    F(podr, "NAIPODR")->SetAsString(name);
    podr->Post();
    EXPECT_TRUE(ui.Asked.empty()) << Texts().join(u'|').toStdString();
    EXPECT_EQ(Seen("PODR", "KODP = 77 and NAIPODR = " + SqlStr(name)), 1);

    // two groups under it: codes from the subdivision's digits
    for (const char* g : {"Група О'Нейла", "Друга група"}) {
        group->Append();
        F(group, "NAIGR")->SetAsString(QString::fromUtf8(g));
        group->Post();
    }
    EXPECT_EQ(Seen("PGROUP", "KODP_1 = 77 and KODG in (771, 772)"), 2);
    EXPECT_EQ(Seen("PGROUP", "KODG = 771 and NAIGR = " + SqlStr("Група О'Нейла")), 1);
    ASSERT_TRUE(group->Locate(QStringLiteral("NAIGR"), QStringLiteral("Група О'Нейла"), {}));
    TColumnEh* count = PodrForm->DBGridEh2->GetColumns()->GetItems(1);
    EXPECT_EQ(PodrForm->DBGridEh2->GetFooterValue(0, count).toInt(), 2);

    // a taken code is told and the new row waits for correction
    podr->Append();
    F(podr, "KODP")->SetAsInteger(77);
    F(podr, "NAIPODR")->SetAsString(QStringLiteral("Двійник"));
    podr->Post();
    EXPECT_EQ(Texts(), QStringList{QStringLiteral("Такий код підрозділу вже існує.")});
    EXPECT_TRUE(podr->UpdatesPending());
    podr->CancelUpdates();
    EXPECT_EQ(Seen("PODR", "KODP = 77"), 1);

    // edited and found again by its new name
    ASSERT_TRUE(podr->Locate(QStringLiteral("KODP"), 77, {}));
    podr->Edit();
    F(podr, "NAIPODR")->SetAsString(QStringLiteral("Цех О'Коннора"));
    podr->Post();
    EXPECT_EQ(Seen("PODR", "NAIPODR = " + SqlStr("Цех О'Коннора")), 1);

    // deleting: No keeps the group, Yes deletes it
    ui.Asked.clear();
    ASSERT_TRUE(group->Locate(QStringLiteral("KODG"), 772, {}));
    ui.Answer(IDNO);
    EXPECT_THROW(group->Delete(), EAbort);
    EXPECT_EQ(Seen("PGROUP", "KODG = 772"), 1);
    ui.Answer(IDYES);
    group->Delete();
    EXPECT_EQ(Texts(), QStringList(2, QStringLiteral("Ви дійсно бажаєте видалити запис?")));
    EXPECT_EQ(ui.Last().Caption, QStringLiteral("Видалити"));
    EXPECT_EQ(Seen("PGROUP", "KODG = 772"), 0);
    EXPECT_EQ(Seen("PGROUP", "KODG = 771"), 1);
}

TEST_F(DirectoryTest, ClosingTheSubdivisionsAsksForTheSubdivisionThenTheGroup) {
    struct Case {
        const char* Name;
        std::vector<int> Answers;
        int Questions;
        bool Closed;
        int Stored; // 0 none, 1 the subdivision's name, 2 both names
    };
    const Case cases[] = {
        {"yes to both", {mrYes, mrYes}, 2, true, 2},
        {"no to both", {mrNo, mrNo}, 2, true, 0},
        {"yes to a taken code keeps the window and the edit", {mrYes}, 2, false, 0},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        // names of this case alone
        const QString newPodr = QStringLiteral("Прес-служба п'ятого цеху %1").arg(++n);
        const QString newGroup = QStringLiteral("Зміна Д'Арка %1").arg(n);
        ui.Asked.clear();
        Click(MainForm->N24);
        ASSERT_NE(PodrForm, nullptr);
        TIBQuery* podr = DM->IBpodr;
        TIBQuery* group = DM->IBgroup;
        podr->First();
        const int code = F(podr, "KODP")->GetAsInteger();
        podr->Edit();
        F(podr, "NAIPODR")->SetAsString(newPodr);
        const bool clash = !c.Closed;
        if (clash) {
            // another subdivision's code
            const TGenDirectories dirs = TEmployeeGenerator::Directories();
            for (const TGenSubdivision& s : dirs.Subdivisions)
                if (s.Code != code) {
                    F(podr, "KODP")->SetAsInteger(s.Code);
                    break;
                }
        } else {
            group->First();
            group->Edit();
            F(group, "NAIGR")->SetAsString(newGroup);
        }
        TForm* f = PodrForm;
        for (int a : c.Answers)
            ui.Answer(a);
        f->Close();
        QApplication::processEvents();
        ASSERT_GE(int(ui.Asked.size()), c.Questions);
        EXPECT_EQ(ui.Asked[0].Text, QStringLiteral("В базах проводились зміни. Зберегти зміни?"));
        EXPECT_EQ(ui.Asked[0].Kind, TScriptedInteraction::kMessageDlg);
        EXPECT_EQ(ui.Asked[0].Type, mtConfirmation);
        if (clash) {
            EXPECT_EQ(ui.Asked[1].Text, QStringLiteral("Такий код підрозділу вже існує."));
            ASSERT_NE(PodrForm, nullptr);
            // nothing typed is lost; No then lets the window go and keeps the old row
            EXPECT_EQ(F(podr, "NAIPODR")->GetAsString(), newPodr);
            ui.Answer(mrNo);
            ui.Answer(mrNo);
            PodrForm->Close();
            QApplication::processEvents();
        } else {
            EXPECT_EQ(ui.Asked[1].Text, ui.Asked[0].Text);
            EXPECT_EQ(int(ui.Asked.size()), 2);
        }
        EXPECT_EQ(PodrForm, nullptr);
        EXPECT_FALSE(podr->GetActive());
        EXPECT_FALSE(group->GetActive());
        EXPECT_EQ(Seen("PODR", "NAIPODR = " + SqlStr(newPodr)), c.Stored > 0 ? 1 : 0);
        EXPECT_EQ(Seen("PGROUP", "NAIGR = " + SqlStr(newGroup)), c.Stored > 1 ? 1 : 0);
        EXPECT_EQ(Seen("PODR", QStringLiteral("KODP = %1").arg(code)), 1);
    }
}

TEST_F(DirectoryTest, PositionsAreEditedInThePanelAndTheCloseQuestionSavesOrDiscards) {
    Click(MainForm->N25);
    ASSERT_NE(ProfForm, nullptr);
    EXPECT_TRUE(ProfForm->DBGridEh1->GetOptions().Contains(dgRowSelect));
    EXPECT_FALSE(ProfForm->DBGridEh1->GetOptions().Contains(dgEditing));
    TIBQuery* prof = DM->IBprof;
    const QString name = QStringLiteral("Прес-секретар зі зв'язків");
    // Insert in the list starts a position and gives the keyboard to its code
    WORD key = VK_INSERT;
    ProfForm->DBGridEh1->KeyDown(key, {});
    EXPECT_EQ(key, 0);
    ASSERT_EQ(prof->GetState(), dsInsert);
    EXPECT_EQ(ProfForm->GetActiveControl(), ProfForm->DBEdit1);
    ProfForm->DBEdit1->SetText(QStringLiteral("0999"));
    ProfForm->DBEdit2->SetText(name);
    prof->Post();
    EXPECT_TRUE(ui.Asked.empty()) << Texts().join(u'|').toStdString();
    EXPECT_EQ(Seen("PROF", "CODPROF = '0999' and NAMPROF = " + SqlStr(name)), 1);
    ASSERT_TRUE(prof->Locate(QStringLiteral("NAMPROF"), name, {}));
    EXPECT_EQ(ProfForm->DBEdit1->GetText(), QStringLiteral("0999"));

    // a code taken already; the position begun by the tool bar's "+" over the list
    ProfForm->DBGridEh1->SetFocus();
    ASSERT_EQ(Screen->GetActiveControl(), ProfForm->DBGridEh1);
    Application->DoIdle();
    ASSERT_TRUE(DM->AInsert->GetEnabled());
    DM->AInsert->Execute();
    ASSERT_EQ(prof->GetState(), dsInsert);
    ProfForm->DBEdit1->SetText(QStringLiteral("0999"));
    ProfForm->DBEdit2->SetText(QStringLiteral("Двійник"));
    prof->Post();
    EXPECT_EQ(Texts(), QStringList{QStringLiteral("Такий код посади вже існує.")});
    prof->CancelUpdates();

    struct Case {
        const char* Name;
        int Answer;
        const char* Stored;
    };
    for (const Case& c : {Case{"no discards", IDNO, "Прес-секретар зі зв'язків"},
                          Case{"yes saves", IDYES, "Речник О'Браєна"}}) {
        SCOPED_TRACE(c.Name);
        if (!ProfForm) Click(MainForm->N25);
        ASSERT_TRUE(prof->Locate(QStringLiteral("CODPROF"), QStringLiteral("0999"), {}));
        prof->Edit();
        ProfForm->DBEdit2->SetText(QStringLiteral("Речник О'Браєна"));
        ui.Asked.clear();
        CloseChild(ProfForm, {c.Answer});
        ASSERT_EQ(ui.Asked.size(), 1u);
        EXPECT_EQ(ui.Last().Text, QStringLiteral("В базах проводились зміни. Зберегти зміни?"));
        EXPECT_EQ(ui.Last().Caption, QStringLiteral("Повідомлення"));
        EXPECT_EQ(ProfForm, nullptr);
        EXPECT_EQ(Seen("PROF", "CODPROF = '0999' and NAMPROF = " + SqlStr(c.Stored)), 1);
    }

    // deleting asks; Yes deletes
    Click(MainForm->N25);
    ASSERT_TRUE(prof->Locate(QStringLiteral("CODPROF"), QStringLiteral("0999"), {}));
    ui.Asked.clear();
    ui.Answer(IDYES);
    prof->Delete();
    EXPECT_EQ(Texts(), QStringList{QStringLiteral("Ви дійсно бажаєте видалити запис?")});
    EXPECT_EQ(Seen("PROF", "CODPROF = '0999'"), 0);
}

TEST_F(DirectoryTest, ProductionsAreCommittedAtOnceAndAskBeforeDeletingOrDiscarding) {
    Click(MainForm->N46);
    ASSERT_NE(DepartForm, nullptr);
    TIBTable* dep = DM->IBdepart;
    const QString name = QStringLiteral("Цех О'Брайна");
    dep->Append();
    F(dep, "NAMEDEP")->SetAsString(name);
    dep->Post();
    EXPECT_TRUE(ui.Asked.empty()) << Texts().join(u'|').toStdString();
    // another user sees it at once
    EXPECT_EQ(Seen("DEPART", "NAMEDEP = " + SqlStr(name)), 1);
    ASSERT_TRUE(dep->Locate(QStringLiteral("NAMEDEP"), name, {}));

    // a name taken already is told, and the row stays in edit for correction
    dep->Append();
    F(dep, "NAMEDEP")->SetAsString(name);
    EXPECT_THROW(dep->Post(), EAbort);
    EXPECT_EQ(Texts(), QStringList{QStringLiteral("Таке найменування виробництва вже існує.")});
    EXPECT_EQ(dep->GetState(), dsInsert);
    F(dep, "NAMEDEP")->SetAsString(QStringLiteral("Дільниця №2"));
    dep->Post();
    EXPECT_EQ(Seen("DEPART", "NAMEDEP = " + SqlStr("Дільниця №2")), 1);

    // an unsaved edit is asked about on close: No discards it
    ASSERT_TRUE(dep->Locate(QStringLiteral("NAMEDEP"), name, {}));
    dep->Edit();
    F(dep, "NAMEDEP")->SetAsString(QStringLiteral("Забуте"));
    ui.Asked.clear();
    CloseChild(DepartForm, {IDNO});
    EXPECT_EQ(Texts(), QStringList{QStringLiteral("В базах проводились зміни. Зберегти зміни?")});
    EXPECT_EQ(DepartForm, nullptr);
    EXPECT_EQ(Seen("DEPART", "NAMEDEP = " + SqlStr("Забуте")), 0);
    EXPECT_EQ(Seen("DEPART", "NAMEDEP = " + SqlStr(name)), 1);

    // deleting asks: No keeps, Yes deletes
    Click(MainForm->N46);
    ASSERT_TRUE(dep->Locate(QStringLiteral("NAMEDEP"), name, {}));
    ui.Asked.clear();
    ui.Answer(IDNO);
    EXPECT_THROW(dep->Delete(), EAbort);
    EXPECT_EQ(Seen("DEPART", "NAMEDEP = " + SqlStr(name)), 1);
    ui.Answer(IDYES);
    dep->Delete();
    EXPECT_EQ(Texts(), QStringList(2, QStringLiteral("Ви дійсно бажаєте видалити запис?")));
    EXPECT_EQ(Seen("DEPART", "NAMEDEP = " + SqlStr(name)), 0);
}

} // namespace
