// The working calendar, leave-order and sick-leave windows and the business-trip dialog, as a
// user works them from the main menu over the embedded database: a calendar made, marked,
// saved and opened again; a leave order counted over the holidays into a year without a
// calendar; sick-leave sheets with their footers and the reports' periods across New Year; the
// business-trip fields kept in the settings.
#include "AppFormsFixture.h"
#include "CalTable.h"
#include "CalUnit.h"
#include "CmdrUnit.h"
#include "DMUnit.h"
#include "HealthUnit.h"
#include "IBSQL.h"
#include "MainUnit.h"
#include "OtpUnit.h"
#include "PdfTools.h"
#include "PreviewUnit.h"
#include "ReportPages.h"
#include "ReportDlgs.h"
#include "varer.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QWidget>

namespace {

TDateTime D(int Y, int M, int Dd) {
    return EncodeDate(Y, M, Dd);
}

class LeaveWindowsTest : public AppFormsTest {
protected:
    void SetUp() override {
        AppFormsTest::SetUp();
        clock.SetNow(D(2024, 12, 20) + 0.4);
        PrepareSettings();
        Start();
        Sql("insert into PODR (KODP, NAIPODR) values (7, 'Відділ охорони праці')");
        Sql("insert into PROF (CODPROF, NAMPROF) values ('IOP', 'інженер з охорони праці')");
        Sql("insert into PROF (CODPROF, NAMPROF) values ('BUH', 'Бухгалтер')");
        Sql("insert into KADR (TAB, FAMILY, NAME, PATR, KAT, CPROF, OKLAD, KODP_2, SEX, BDATE, "
            "NKAT) values ('00007', 'Шевченко', 'Тарас', 'Григорович', 'Фахівець', 'IOP', 9100, "
            "7, 'Ч', '09.03.1984', 'ПРОВ')");
        Sql("insert into KADR (TAB, FAMILY, NAME, PATR, KAT, CPROF, OKLAD, KODP_2, SEX, BDATE, "
            "NKAT) values ('00012', 'Коваль', 'Олена', 'Ігорівна', 'Робітник', 'BUH', 7300, 7, "
            "'Ж', '21.11.1990', '1 КАТ')");
        ui.Asked.clear();
        MainForm->Show();
    }
    void TearDown() override {
        for (TIBQuery* q : {DM->IBotp, DM->IBhel})
            if (q->GetActive() && q->GetState() != dsBrowse) q->Cancel();
        AppFormsTest::TearDown();
    }
    void Sql(const char* Text) {
        DM->IBTrans->EnsureStarted();
        TIBSQL s(DM->Database, DM->IBTrans);
        s.Prepare(QString::fromUtf8(Text));
        s.ExecQuery();
        DM->IBTrans->CommitRetaining();
    }
    int Count(const QString& Sql) {
        TIBQuery q(nullptr);
        q.SetDatabase(DM->Database);
        q.SetTransaction(DM->IBTrans);
        q.GetSQL()->SetText(Sql);
        q.Open();
        return q.Fields(0)->GetAsInteger();
    }
    // A year chosen in the month-and-year dialog, whose month is off for this use.
    void AnswerYear(int Year) {
        modal.Push([Year](TCustomForm* F) {
            auto* q = static_cast<TQuetForm*>(F);
            EXPECT_FALSE(q->ComboBox1->GetEnabled());
            q->SpinEdit1->SetValue(Year);
            q->BitBtn1->Click();
        });
    }
    // Leaves a control as the user does by going on to the next.
    static void Leave(TWinControl* C) {
        if (C->OnExit) C->OnExit(C);
    }
    static void Type(TWinControl* C, const QString& Text) {
        C->SetText(Text);
        Leave(C);
    }
    static QString Field(TDataSet* D, const char* Name) {
        return D->FieldByName(QString::fromLatin1(Name))->GetAsString();
    }
};

// The tool bar's record commands follow the dataset of the active leave-order or sick-leave
// window ("+" starts a record, "Скасувати" drops it); Insert in the leave orders' list, which
// is not edited in place, starts an order with the keyboard on its date.
TEST_F(LeaveWindowsTest, TheToolBarsRecordCommandsFollowTheActiveWindow) {
    struct Case {
        const char* Name;
        TMenuItem* Item;
        TIBQuery* Data;
        std::function<TForm*()> Form;
    };
    const Case cases[] = {
        {"leave orders", MainForm->N32, DM->IBotp, [] { return OtpForm; }},
        {"sick-leave sheets", MainForm->N42, DM->IBhel, [] { return HealthForm; }},
    };
    TToolButton* plus = MainForm->ToolBar2->GetButtons(5);
    ASSERT_EQ(plus->GetAction(), DM->AInsert);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        c.Item->Click();
        QApplication::processEvents();
        ASSERT_NE(c.Form(), nullptr);
        ASSERT_NE(Screen->GetActiveControl(), nullptr);
        EXPECT_EQ(GetParentForm(Screen->GetActiveControl()), c.Form());
        Application->DoIdle();
        EXPECT_TRUE(plus->GetEnabled());
        EXPECT_FALSE(DM->ACancel->GetEnabled());
        DM->AInsert->Execute();
        EXPECT_EQ(c.Data->GetState(), dsInsert);
        Application->DoIdle();
        EXPECT_TRUE(DM->ACancel->GetEnabled());
        DM->ACancel->Execute();
        EXPECT_EQ(c.Data->GetState(), dsBrowse);
    }
    HealthForm->Close();
    QApplication::processEvents();

    MainForm->N32->Click();
    QApplication::processEvents();
    ASSERT_NE(OtpForm, nullptr);
    OtpForm->PageControl1->SetActivePage(OtpForm->TabSheet2);
    WORD key = VK_INSERT;
    OtpForm->DBGridEh1->KeyDown(key, {});
    EXPECT_EQ(DM->IBotp->GetState(), dsInsert);
    EXPECT_EQ(OtpForm->PageControl1->GetActivePage(), OtpForm->TabSheet1);
    EXPECT_EQ(OtpForm->GetActiveControl(), OtpForm->FieldControl(QStringLiteral("DATAORD")));
    DM->IBotp->Cancel();
    OtpForm->Close();
    QApplication::processEvents();
}

// Is the text of the cell drawn in red (Blue false) or fuchsia (Blue true)?
bool CellIn(TStringGrid* G, int Col, int Row, bool Blue) {
    const QImage img = G->GetHandle()->grab().toImage();
    const TRect r = G->CellRect(Col, Row);
    for (int y = r.Top; y < r.Bottom; ++y)
        for (int x = r.Left; x < r.Right; ++x) {
            const QColor c = img.pixelColor(x, y);
            if (c.red() > 160 && c.green() < 110 && (Blue ? c.blue() > 160 : c.blue() < 110))
                return true;
        }
    return false;
}

TEST_F(LeaveWindowsTest, ACalendarIsMadeMarkedSavedAndOpenedAgain) {
    TCalForm* c = CalForm;
    // Shown (as from the menu, but not modally here): empty.
    c->Show();
    QApplication::processEvents();
    EXPECT_EQ(c->Label13->GetCaption(), QStringLiteral("Календар"));
    EXPECT_FALSE(c->ToolButton4->GetEnabled());

    AnswerYear(2025);
    c->ToolButton1->Click();
    EXPECT_EQ(modal.Pending(), 0);
    EXPECT_EQ(c->Label13->GetCaption(), QStringLiteral("Календар на 2025 рік"));
    EXPECT_TRUE(c->ToolButton4->GetEnabled());
    // 1 January 2025 is a Wednesday: week column 1, row 2; the cells before it are empty.
    TStringGrid* jan = c->Grids[0];
    EXPECT_EQ(jan->GetCells(1, 2), QStringLiteral("1"));
    EXPECT_TRUE(jan->GetCells(1, 0).isEmpty());
    EXPECT_EQ(jan->GetCells(0, 0), QStringLiteral("Пн"));
    EXPECT_EQ(c->Grids[1]->GetCells(5, 4), QStringLiteral("28")); // 28 February, a Friday
    EXPECT_EQ(c->Mark(1, 4), QStringLiteral("Сб"));

    // The menu comes on a day only; it marks the day double-clicked.
    std::vector<TMenuItem*> choices{c->N3, c->N1};
    int popups = 0;
    TPopupRunner before = SetPopupRunner([&](TPopupMenu* M, TPoint) -> TMenuItem* {
        EXPECT_EQ(M, c->PopupMenu1);
        return choices[popups++];
    });
    auto doubleClick = [&](int Col, int Row) {
        jan->SetCol(Col);
        jan->SetRow(Row);
        c->Grid1DblClick(jan);
    };
    doubleClick(1, 0); // before the 1st: no day, no menu
    EXPECT_EQ(popups, 0);
    c->ToolButton4->SetEnabled(false);
    doubleClick(1, 2); // 1 January a holiday
    EXPECT_TRUE(c->ToolButton4->GetEnabled());
    doubleClick(1, 5); // Saturday 4 January worked
    SetPopupRunner(before);
    EXPECT_EQ(popups, 2);
    EXPECT_EQ(c->Mark(1, 1), QStringLiteral("п"));
    EXPECT_EQ(c->Mark(1, 4), QStringLiteral("р"));
    // Holidays fuchsia, days off red, a worked Saturday black.
    EXPECT_TRUE(CellIn(jan, 1, 2, true));
    EXPECT_FALSE(CellIn(jan, 1, 5, false));
    EXPECT_TRUE(CellIn(jan, 1, 6, false)); // Sunday 5 January
    EXPECT_TRUE(CellIn(jan, 0, 6, false)); // the "Вс" of the weekday column

    c->ToolButton4->Click();
    ASSERT_EQ(ui.Asked.size(), 1u) << Texts().join(u'|').toStdString();
    EXPECT_EQ(ui.Last().Text, QStringLiteral("Календар збережено."));
    EXPECT_EQ(ui.Last().Caption, QStringLiteral("Інформація"));
    EXPECT_FALSE(c->ToolButton4->GetEnabled());
    EXPECT_EQ(Count(QStringLiteral("select count(*) from CAL2025")), 12);

    // Shown again: empty; opened: the marks are back, and the leave count sees the holiday.
    c->FormActivate(c);
    EXPECT_TRUE(jan->GetCells(1, 2).isEmpty());
    AnswerYear(2025);
    c->ToolButton2->Click();
    EXPECT_EQ(c->Label13->GetCaption(), QStringLiteral("Календар на 2025 рік"));
    EXPECT_EQ(jan->GetCells(1, 2), QStringLiteral("1"));
    EXPECT_EQ(c->Mark(1, 1), QStringLiteral("п"));
    EXPECT_EQ(c->Mark(1, 4), QStringLiteral("р"));
    EXPECT_EQ(c->Mark(1, 5), QStringLiteral("Вс"));
    EXPECT_EQ(DM->CountDays(D(2025, 1, 1), 2, 0), D(2025, 1, 3));

    // A year without a calendar: the message, and the grids stay as they were.
    AnswerYear(2031);
    c->ToolButton2->Click();
    EXPECT_EQ(ui.Last().Text,
              QStringLiteral("Календар на 2031 рік Відсутній. Необхідно його створити."));
    EXPECT_EQ(ui.Last().Caption, QStringLiteral("Помилка"));
    EXPECT_EQ(c->Label13->GetCaption(), QStringLiteral("Календар на 2025 рік"));
    EXPECT_EQ(c->Mark(1, 1), QStringLiteral("п"));

    // 2023 began on a Sunday: the last row of the first column.
    AnswerYear(2023);
    c->ToolButton1->Click();
    EXPECT_EQ(jan->GetCells(1, 6), QStringLiteral("1"));
    EXPECT_EQ(c->Mark(1, 1), QStringLiteral("Вс"));
    c->Hide();
}

TEST_F(LeaveWindowsTest, ALeaveOrderIsCountedOverTheHolidaysAndRefusedIntoAYearWithoutCalendar) {
    TCalendarYear y2024 = MakeCalendarYear(2024);
    y2024.Day(12, 25).Mark = QStringLiteral("п");
    SaveCalendar(2024, y2024);

    MainForm->N32->Click();
    QApplication::processEvents();
    TOtpForm* f = OtpForm;
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->GetCaption(), QStringLiteral("Надання відпустки"));
    TIBQuery* otp = DM->IBotp;
    ASSERT_TRUE(otp->GetActive());
    otp->Append();
    EXPECT_EQ(Field(otp, "PERIODB"), QStringLiteral("01.01.2023"));
    EXPECT_EQ(Field(otp, "OTP_B"), QStringLiteral("20.12.2024"));

    // The employee chosen by number is copied in.
    f->RxDBLookupCombo1->SetValue(QStringLiteral("00007"));
    EXPECT_EQ(Field(otp, "F"), QStringLiteral("Шевченко"));
    EXPECT_EQ(Field(otp, "P"), QStringLiteral("Григорович"));
    EXPECT_EQ(Field(otp, "KAT_2"), QStringLiteral("Фахівець"));
    EXPECT_EQ(Field(otp, "CPROF_2"), QStringLiteral("IOP"));
    EXPECT_EQ(Field(otp, "KODP_3"), QStringLiteral("7"));
    EXPECT_EQ(f->DBText1->GetCaption(), QStringLiteral("Шевченко"));

    // A work year from 29 February ends on 28 February.
    Type(f->FieldControl(QStringLiteral("PERIODB")), QStringLiteral("29.02.2024"));
    EXPECT_EQ(Field(otp, "PERIODE"), QStringLiteral("28.02.2025"));

    // 4 days from Friday 20 December end on the 23rd; 3 days for children more skip the
    // holiday of the 25th.
    Type(f->FieldControl(QStringLiteral("PERIODD")), QStringLiteral("4"));
    EXPECT_EQ(Field(otp, "OTP_E"), QStringLiteral("23.12.2024"));
    EXPECT_EQ(Field(otp, "VS_KAL"), QStringLiteral("4"));
    Type(f->FieldControl(QStringLiteral("CHILD_D")), QStringLiteral("3"));
    EXPECT_EQ(Field(otp, "OTP_E"), QStringLiteral("27.12.2024"));
    EXPECT_EQ(Field(otp, "VS_KAL"), QStringLiteral("7"));
    EXPECT_EQ(Field(otp, "VS_RAB"), QStringLiteral("0"));
    EXPECT_TRUE(ui.Asked.empty());

    // 24 main days run into 2025, which has no calendar: told, and the order is not posted.
    Type(f->FieldControl(QStringLiteral("PERIODD")), QStringLiteral("24"));
    ASSERT_EQ(ui.Asked.size(), 1u);
    EXPECT_EQ(ui.Last().Text, QStringLiteral("Не могу найти календарь за 2025 год."));
    EXPECT_EQ(Field(otp, "OTP_E"), QStringLiteral("27.12.2024"));
    EXPECT_THROW(otp->Post(), EAbort);
    EXPECT_EQ(ui.Asked.size(), 2u);
    EXPECT_EQ(otp->GetState(), dsInsert);
    EXPECT_EQ(Count(QStringLiteral("select count(*) from ORDERP")), 0);

    // Printing asks to save first; No prints nothing and keeps the edit.
    ui.Answer(IDNO);
    f->BitBtn1->Click();
    EXPECT_EQ(ui.Last().Text, QStringLiteral("В базах проводились зміни. Зберегти зміни?"));
    EXPECT_EQ(otp->GetState(), dsInsert);

    // Mended, it posts and stays counted.
    Type(f->FieldControl(QStringLiteral("PERIODD")), QStringLiteral("4"));
    otp->Post();
    EXPECT_EQ(otp->GetState(), dsBrowse);
    EXPECT_EQ(Count(QStringLiteral("select count(*) from ORDERP where TAB1 = '00007' and OTP_E = "
                                   "'27.12.2024' and VS_KAL = 7 and PERIODE = '28.02.2025'")),
              1);
    // Leaving a day field with nothing changed changes nothing.
    const QStringList asked = Texts();
    Leave(f->FieldControl(QStringLiteral("PERIODD")));
    EXPECT_EQ(otp->GetState(), dsBrowse);
    EXPECT_EQ(Texts(), asked);
    f->Close();
    QApplication::processEvents();
    EXPECT_EQ(OtpForm, nullptr);
}

TEST_F(LeaveWindowsTest, TheMonthsListTakesOrdersWhoseMainOrAnyExtraLeaveStartsInTheMonth) {
    Sql("insert into ORDERP (TAB1, F, OTP_B) values ('00007', 'Шевченко', '03.07.2024')");
    Sql("insert into ORDERP (TAB1, F, OTP_B, M_SKID) values ('00012', 'Коваль', '10.06.2024', "
        "'15.07.2024')");
    Sql("insert into ORDERP (TAB1, F, OTP_B, M_INVV) values ('00013', 'Бойко', '01.07.2023', "
        "'01.08.2024')");
    TIBQuery* q = DM->Select;
    struct Case {
        int Month, Year;
        QStringList Names;
    };
    for (const Case& c : {Case{7, 2024, {"Коваль", "Шевченко"}}, Case{8, 2024, {"Бойко"}},
                          Case{7, 2023, {"Бойко"}}, Case{6, 2024, {"Коваль"}}, Case{9, 2024, {}}}) {
        q->Close();
        q->GetSQL()->SetText(TOtpForm::MonthListSql(c.Month, c.Year).join(u'\n'));
        q->Open();
        QStringList names;
        for (q->First(); !q->GetEof(); q->Next())
            names << Field(q, "F");
        names.sort();
        EXPECT_EQ(names, c.Names) << c.Month << "." << c.Year;
    }
    q->Close();
}

TEST_F(LeaveWindowsTest, SickLeaveSheetsAreCountedAndSummedAndReportedAcrossNewYear) {
    MainForm->N42->Click();
    QApplication::processEvents();
    THealthForm* f = HealthForm;
    ASSERT_NE(f, nullptr);
    TIBQuery* hel = DM->IBhel;
    struct Sheet {
        const char *Tab, *Num, *Kind, *Month, *Days, *Sum;
    };
    const Sheet sheets[] = {
        {"00007", "Л-101", "шлункове", "15.10.2024", "3", "1500,50"},
        {"00007", "Л-102", "невиробничий травматизм", "01.11.2024", "10", "5000"},
        {"00012", "Л-103", "ОРЗ, ОРВІ, простудне", "31.12.2024", "5", "2400,25"},
        {"00012", "Л-104", "невиробничий травматизм", "20.01.2025", "7", "3100"},
        {"00007", "Л-105", "інше", "28.02.2025", "2", "800"},
        {"00012", "Л-106", "шлункове", "03.03.2025", "4", "1000"},
    };
    for (const Sheet& s : sheets) {
        hel->Append();
        f->RxDBLookupCombo1->SetValue(QString::fromLatin1(s.Tab));
        for (auto [field, value] : {std::pair{"HEL_NUM", s.Num},
                                    {"HEL_MES", s.Month},
                                    {"HEL_DAYS", s.Days},
                                    {"HEL_SUM", s.Sum}})
            Type(f->FieldControl(QString::fromLatin1(field)), QString::fromUtf8(value));
        // the kind chosen from the combo's list
        EXPECT_GE(f->DBComboBox1->GetItems()->IndexOf(QString::fromUtf8(s.Kind)), 0);
        hel->FieldByName(QStringLiteral("HEL_VID"))->SetAsString(QString::fromUtf8(s.Kind));
        hel->Post();
    }
    EXPECT_TRUE(ui.Asked.empty()) << Texts().join(u'|').toStdString();
    EXPECT_EQ(Count(QStringLiteral("select count(*) from HEALTH where HEL_F = 'Коваль' and "
                                   "HEL_SEX = 'Ж' and HEL_BDATE = '21.11.1990'")),
              3);
    // The footers: "Всього", the number of sheets, the sums of the payments and the days.
    TDBGridColumnsEh* cols = f->DBGridEh1->GetColumns();
    auto footer = [&](int Col) { return f->DBGridEh1->GetFooterValue(0, cols->GetItems(Col)); };
    EXPECT_EQ(footer(0), QStringLiteral("Всього"));
    EXPECT_EQ(footer(1), QStringLiteral("6"));
    EXPECT_EQ(footer(5).remove(u' '), QStringLiteral("13800,75"));
    EXPECT_EQ(footer(8), QStringLiteral("31"));

    // November 2024 to February 2025, both months whole.
    TIBQuery* q = DM->Select;
    struct Case {
        THealthReport Report;
        QStringList Numbers;
    };
    const Case cases[] = {
        {hrAll, {"Л-102", "Л-103", "Л-104", "Л-105"}},
        {hrInjuries, {"Л-102", "Л-104"}},
        {hrByKind, {"Л-102", "Л-103", "Л-104", "Л-105"}},
    };
    for (const Case& c : cases) {
        q->Close();
        q->GetSQL()->SetText(
            THealthForm::ReportSql(c.Report, D(2024, 11, 30), D(2025, 2, 1)).join(u'\n'));
        q->Open();
        QStringList numbers, kinds;
        for (q->First(); !q->GetEof(); q->Next()) {
            numbers << Field(q, "HEL_NUM");
            kinds << Field(q, "HEL_VID");
        }
        numbers.sort();
        EXPECT_EQ(numbers.join(u' ').toStdString(), c.Numbers.join(u' ').toStdString()) << c.Report;
        if (c.Report != hrByKind) continue;
        // grouped by kind: a kind, once left, does not come again
        for (int i = 1; i < kinds.size(); ++i) {
            if (kinds[i] != kinds[i - 1]) {
                EXPECT_FALSE(kinds.mid(i).contains(kinds[i - 1])) << kinds[i - 1].toStdString();
            }
        }
    }
    q->Close();

    // A dialog cancelled builds nothing.
    modal.Push([](TCustomForm* F) { static_cast<TPeriodForm*>(F)->BitBtn2->Click(); });
    q->GetSQL()->SetText(QStringLiteral("select 1 from RDB$DATABASE"));
    f->BitBtn1->Click();
    EXPECT_EQ(q->GetSQL()->GetText().trimmed(), QStringLiteral("select 1 from RDB$DATABASE"));
    f->Close();
    QApplication::processEvents();
    EXPECT_EQ(HealthForm, nullptr);
}

TEST_F(LeaveWindowsTest, TheTripListNamesEachEmployeeWithTheFirstWordOfThePosition) {
    struct Case {
        const char *Family, *Name, *Patr, *Position, *Category, *Line;
    };
    const Case cases[] = {
        {"Шевченко", "Тарас", "Григорович", "інженер з охорони праці", "ПРОВ",
         "Шевченко Т.Г. - пров. інженер"},
        {"Коваль", "Олена", "Ігорівна", "Бухгалтер", "1 КАТ", "Коваль О.І. - бухгалтер"},
        {"Ґудзь", "Євген", "", "Водій", "", "Ґудзь Є.. - водій"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TCmdrForm::ListLine(QString::fromUtf8(c.Family), QString::fromUtf8(c.Name),
                                      QString::fromUtf8(c.Patr), QString::fromUtf8(c.Position),
                                      QString::fromUtf8(c.Category)),
                  QString::fromUtf8(c.Line));
}

TEST_F(LeaveWindowsTest, TheTripDialogKeepsItsFieldsInTheSettingsAndListsTheChosenEmployees) {
    modal.Push([](TCustomForm* F) {
        auto* c = static_cast<TCmdrForm*>(F);
        c->RxDBLookupCombo1->SetValue(QStringLiteral("00007"));
        EXPECT_EQ(c->DBEdit1->GetText(), QStringLiteral("Тарас"));
        EXPECT_EQ(c->DBEdit2->GetText(), QStringLiteral("Григорович"));
        c->BitBtn4->Click();
        c->RxDBLookupCombo1->SetValue(QStringLiteral("00012"));
        c->BitBtn4->Click();
        c->Edit1->SetText(QStringLiteral("м. Львів"));
        c->Edit3->SetText(QStringLiteral("перевірка об'єктів"));
        c->Edit4->SetText(QStringLiteral("5"));
        c->DateEdit2->SetText(QStringLiteral("13.01.2025"));
        c->DateEdit3->SetText(QStringLiteral("17.01.2025"));
        c->BitBtn1->Click();
    });
    MainForm->N55->Click();
    EXPECT_EQ(modal.Pending(), 0);
    TCmdrForm* c = CmdrForm;
    EXPECT_EQ(c->SpMem->GetLines()->GetText().trimmed(),
              QStringLiteral("Шевченко Т.Г. - пров. інженер\nКоваль О.І. - бухгалтер"));
    EXPECT_EQ(c->Stroka(),
              QStringLiteral("Шевченко Т.Г. - пров. інженер, Коваль О.І. - бухгалтер"));
    EXPECT_EQ(ComndPunkt, QStringLiteral("м. Львів"));
    EXPECT_EQ(ComndDatZ, QStringLiteral("13.01.2025"));
    EXPECT_FALSE(DM->IBQuery->GetActive());

    // Shown again: the fields and the list are there.
    modal.Push([](TCustomForm* F) {
        auto* c = static_cast<TCmdrForm*>(F);
        EXPECT_EQ(c->Edit1->GetText(), QStringLiteral("м. Львів"));
        EXPECT_EQ(c->SpMem->GetLines()->Count(), 2);
        c->BitBtn5->Click();
        c->BitBtn1->Click();
    });
    MainForm->N55->Click();
    EXPECT_TRUE(c->Stroka().isEmpty());

    // Through the settings file into the next run.
    SaveSettings();
    ClearSettings();
    LoadSettings();
    EXPECT_EQ(ComndMeta, QStringLiteral("перевірка об'єктів"));
    std::unique_ptr<TCmdrForm> next(CreateNewForm<TCmdrForm>(nullptr));
    if (CmdrForm == next.get()) CmdrForm = c;
    EXPECT_EQ(next->Edit1->GetText(), QStringLiteral("м. Львів"));
    EXPECT_EQ(next->Edit4->GetText(), QStringLiteral("5"));
    EXPECT_EQ(next->DateEdit3->GetText(), QStringLiteral("17.01.2025"));
}

} // namespace

namespace {

// Every document of these windows built from its template, shown in the preview and printed
// to PDF, whose text names the employee and the dates.
class LeaveDocumentsTest : public LeaveWindowsTest {
protected:
    void SetUp() override {
        LeaveWindowsTest::SetUp();
        NameOrg = QStringLiteral("ТОВ «Зоря-Агро»");
        FullNameOrg = QStringLiteral("Товариство з обмеженою відповідальністю «Зоря-Агро»");
        Boss = QStringLiteral("Петренко О. І.");
        BossPos = QStringLiteral("Директор");
        previous = QDir::currentPath();
        QDir::setCurrent(QStringLiteral(KADRION_RUN_DIR));
    }
    void TearDown() override {
        QDir::setCurrent(previous);
        LeaveWindowsTest::TearDown();
    }
    // Press shows the preview (its dialogs answered before); the built pages go to PDF.
    QString Print(const QString& Name, const std::function<void()>& Press) {
        bool shown = false;
        modal.Push([&shown](TCustomForm* F) {
            auto* p = dynamic_cast<TPreviewForm*>(F);
            ASSERT_NE(p, nullptr);
            shown = p->frPreview1->AllPages() >= 1;
            p->frSpeedButton11->Click();
        });
        Press();
        EXPECT_EQ(modal.Pending(), 0) << Name.toStdString();
        EXPECT_TRUE(shown) << Name.toStdString();
        EXPECT_TRUE(ui.Asked.empty()) << Texts().join(u'|').toStdString();
        const QString pdf = dir.filePath(Name + QStringLiteral(".pdf"));
        PrintToPdf(DM->frReport1, pdf);
        if (const QByteArray keep = qgetenv("KADRION_KEEP_PDF"); !keep.isEmpty())
            QFile::copy(pdf, QString::fromLocal8Bit(keep) + u'/' + Name + QStringLiteral(".pdf"));
        return pdftools::text(pdf).simplified();
    }
    void Expect(const QString& Name, const QString& Text, const QStringList& Known,
                const QStringList& Absent = {}) {
        for (const QString& k : Known)
            EXPECT_TRUE(Text.contains(k))
                << Name.toStdString() << ": " << k.toStdString() << " in " << Text.toStdString();
        for (const QString& a : Absent)
            EXPECT_FALSE(Text.contains(a)) << Name.toStdString() << ": " << a.toStdString();
    }
    QString previous;
};

TEST_F(LeaveDocumentsTest, TheLeaveOrderAndTheMonthsListPrint) {
    Sql("insert into ORDERP (TAB1, NORDER, DATAORD, F, N, P, KAT_2, UMOV, PERIODB, PERIODE, "
        "PERIODD, VS_KAL, VS_RAB, OTP_B, OTP_E) values ('00007', '112-в', '16.12.2024', "
        "'Шевченко', 'Тарас', 'Григорович', 'Фахівець', 'нормальні', '01.01.2023', "
        "'31.12.2023', 24, 24, 0, '20.12.2024', '14.01.2025')");
    Sql("insert into ORDERP (TAB1, F, N, P, VS_KAL, OTP_B, OTP_E, M_SKID) values ('00012', "
        "'Коваль', 'Олена', 'Ігорівна', 7, '03.02.2025', '09.02.2025', '23.12.2024')");
    MainForm->N32->Click();
    QApplication::processEvents();
    ASSERT_NE(OtpForm, nullptr);
    ASSERT_TRUE(DM->IBotp->Locate(QStringLiteral("TAB1"), QStringLiteral("00007"), {}));
    const QString order = Print(QStringLiteral("order_otp"), [] { OtpForm->BitBtn1->Click(); });
    Expect(QStringLiteral("order_otp"), order,
           {NameOrg, Boss, BossPos, QStringLiteral("112-в"), QStringLiteral("Шевченко Тарас"),
            QStringLiteral("20.12.2024"), QStringLiteral("14.01.2025"),
            QStringLiteral("01.01.2023")});
    EXPECT_FALSE(DM->Select->GetActive());
    // an order without its date and working period prints those empty
    ASSERT_TRUE(DM->IBotp->Locate(QStringLiteral("TAB1"), QStringLiteral("00012"), {}));
    const QString undated =
        Print(QStringLiteral("order_otp_undated"), [] { OtpForm->BitBtn1->Click(); });
    Expect(QStringLiteral("order_otp_undated"), undated,
           {QStringLiteral("Коваль Олена"), QStringLiteral("03.02.2025")},
           {QStringLiteral("від 0"), QStringLiteral("з 0 по"), QStringLiteral("1899")});

    modal.Push([](TCustomForm* F) {
        auto* q = static_cast<TQuetForm*>(F);
        q->ComboBox1->SetItemIndex(11);
        q->SpinEdit1->SetValue(2024);
        q->BitBtn1->Click();
    });
    const QString list = Print(QStringLiteral("nad_otp"), [] { OtpForm->BitBtn2->Click(); });
    Expect(QStringLiteral("nad_otp"), list,
           {NameOrg, Boss, QStringLiteral("грудень 2024"), QStringLiteral("Шевченко Тарас"),
            QStringLiteral("Коваль Олена"), QStringLiteral("20.12.2024")});
    OtpForm->Close();
    QApplication::processEvents();
}

TEST_F(LeaveDocumentsTest, TheThreeSickLeaveReportsPrintAPeriodAcrossNewYear) {
    Sql("insert into HEALTH (HEL_TAB, HEL_F, HEL_N, HEL_P, HEL_NUM, HEL_VID, HEL_BEG, HEL_END, "
        "HEL_DAYS, HEL_SUM, HEL_MES) values ('00007', 'Шевченко', 'Тарас', 'Григорович', "
        "'Л-201', 'шлункове', '09.12.2024', '13.12.2024', 5, 2400.50, '01.12.2024')");
    Sql("insert into HEALTH (HEL_TAB, HEL_F, HEL_N, HEL_P, HEL_NUM, HEL_VID, HEL_BEG, HEL_END, "
        "HEL_DAYS, HEL_SUM, HEL_MES) values ('00012', 'Коваль', 'Олена', 'Ігорівна', 'Л-202', "
        "'невиробничий травматизм', '27.12.2024', '10.01.2025', 15, 6100, '31.01.2025')");
    Sql("insert into HEALTH (HEL_TAB, HEL_F, HEL_N, HEL_P, HEL_NUM, HEL_VID, HEL_BEG, HEL_END, "
        "HEL_DAYS, HEL_SUM, HEL_MES) values ('00012', 'Коваль', 'Олена', 'Ігорівна', 'Л-203', "
        "'інше', '01.10.2024', '03.10.2024', 3, 900, '15.10.2024')");
    MainForm->N42->Click();
    QApplication::processEvents();
    ASSERT_NE(HealthForm, nullptr);
    struct Case {
        const char* Name;
        TBitBtn* Button;
        QStringList Known, Absent;
    };
    const Case cases[] = {
        {"health",
         HealthForm->BitBtn1,
         {"Л-201", "Л-202", "Шевченко Тарас", "09.12.2024"},
         {"Л-203"}},
        {"travm",
         HealthForm->BitBtn2,
         {"Л-202", "Коваль Олена", "27.12.2024", "10.01.2025"},
         {"Л-201", "Л-203"}},
        {"vidhel", HealthForm->BitBtn3, {"Л-201", "Л-202", "шлункове"}, {"Л-203"}},
    };
    for (const Case& c : cases) {
        modal.Push([](TCustomForm* F) {
            auto* p = static_cast<TPeriodForm*>(F);
            p->DateEdit1->SetText(QStringLiteral("01.11.2024"));
            p->DateEdit2->SetText(QStringLiteral("28.02.2025"));
            p->BitBtn1->Click();
        });
        TBitBtn* b = c.Button;
        const QString text = Print(QString::fromLatin1(c.Name), [b] { b->Click(); });
        Expect(
            QString::fromLatin1(c.Name), text,
            QStringList{NameOrg, Boss, QStringLiteral("01.11.2024"), QStringLiteral("28.02.2025")} +
                c.Known,
            c.Absent);
    }
    HealthForm->Close();
    QApplication::processEvents();
}

TEST_F(LeaveDocumentsTest, TheTravelCertificateAndTheTripOrderPrint) {
    TCmdrForm* c = CmdrForm;
    c->FormActivate(c);
    c->RxDBLookupCombo1->SetValue(QStringLiteral("00007"));
    c->BitBtn4->Click();
    c->RxDBLookupCombo1->SetValue(QStringLiteral("00012"));
    c->BitBtn4->Click();
    c->RxDBLookupCombo1->SetValue(QStringLiteral("00007"));
    c->Edit2->SetText(QStringLiteral("45"));
    c->Edit5->SetText(QStringLiteral("17-р"));
    c->DateEdit1->SetText(QStringLiteral("10.01.2025"));
    c->Edit1->SetText(QStringLiteral("м. Львів, ПрАТ «Львівсталь»"));
    c->Edit3->SetText(QStringLiteral("перевірка охорони праці"));
    c->Edit4->SetText(QStringLiteral("5"));
    c->DateEdit2->SetText(QStringLiteral("13.01.2025"));
    c->DateEdit3->SetText(QStringLiteral("17.01.2025"));
    c->Edit6->SetText(QStringLiteral("м. Київ"));
    c->Edit7->SetText(QStringLiteral("Україна"));
    c->Edit8->SetText(QStringLiteral("Львів"));
    c->Edit9->SetText(QStringLiteral("ПрАТ «Львівсталь»"));
    c->Edit10->SetText(QStringLiteral("залізничним транспортом"));
    const QString certificate = Print(QStringLiteral("comand"), [c] { c->BitBtn2->Click(); });
    Expect(QStringLiteral("comand"), certificate,
           {FullNameOrg, Boss, QStringLiteral("45"), QStringLiteral("Шевченко Тарас Григорович"),
            QStringLiteral("13.01.2025"), QStringLiteral("17.01.2025"),
            QStringLiteral("10.01.2025"), QStringLiteral("перевірка охорони праці")});
    const QString order = Print(QStringLiteral("rozp"), [c] { c->BitBtn3->Click(); });
    Expect(QStringLiteral("rozp"), order,
           {FullNameOrg, Boss, QStringLiteral("17-р"),
            QStringLiteral("Шевченко Т.Г. - пров. інженер, Коваль О.І. - бухгалтер"),
            QStringLiteral("13.01.2025"), QStringLiteral("залізничним транспортом")});
    // a date left empty prints empty, not the day dates count from
    c->DateEdit1->SetText(QString());
    const QString undated = Print(QStringLiteral("rozp_undated"), [c] { c->BitBtn3->Click(); });
    Expect(QStringLiteral("rozp_undated"), undated, {QStringLiteral("17-р")},
           {QStringLiteral("1899")});
    TCloseAction a = caHide;
    c->FormClose(c, a);
}

} // namespace
