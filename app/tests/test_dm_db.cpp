// Scenarios of the data module's rules against a real database, with scripted dialogs.
#include "AppTestSupport.h"

#include "Clock.h"
#include "Dates.h"
#include "SqlText.h"

namespace {

TDateTime D(int y, int m, int d) {
    return EncodeDate(y, m, d);
}

class DataModuleTest : public AppDbTest {
protected:
    void AddEmployee(const QString& Tab, const QString& Family) {
        Exec(QStringLiteral("insert into KADR (TAB, FAMILY) values (%1, %2)")
                 .arg(SqlStr(Tab), SqlStr(Family)));
    }
    void AddAppointment(const QString& Tab, const QString& Date, int Kodp) {
        Exec(QStringLiteral("insert into NAZN (TAB2, NAZ_DATE, KODP_4, CPROF_3, OKLAD) values "
                            "(%1, '%2', %3, '01', 1000)")
                 .arg(SqlStr(Tab), Date)
                 .arg(Kodp));
    }
    // Opens the employee list with its details and stands on Tab.
    void OpenEmployees(const QString& Tab = QString()) {
        dm->IBQuery->Open();
        dm->IBnazn->Open();
        dm->IBkids->Open();
        if (!Tab.isEmpty()) {
            ASSERT_TRUE(dm->IBQuery->Locate("TAB", Variant(Tab), {}));
        }
    }
    TField* F(TDataSet* D, const char* Name) { return D->FieldByName(QString::fromLatin1(Name)); }
};

TEST_F(DataModuleTest, EachDatasetTurnsAKeyViolationIntoItsMessageAndKeepsTheChangePending) {
    Exec("insert into KADR (TAB) values ('00001')");
    Exec("insert into PROF (CODPROF) values ('01')");
    Exec("insert into PODR (KODP) values (1)");
    Exec("insert into PGROUP (KODP_1, KODG) values (1, 11)");
    Exec("insert into ORDERP (TAB1) values ('00001')");
    struct Case {
        TIBQuery* DataSet;
        const char* Key;
        Variant Value;
        const char* Message;
    };
    const Case cases[] = {
        {dm->IBQuery, "TAB", Variant("00001"), "Такий табельний номер вже існує."},
        {dm->IBprof, "CODPROF", Variant("01"), "Такий код посади вже існує."},
        {dm->IBpodr, "KODP", Variant(1), "Такий код підрозділу вже існує."},
        {dm->IBgroup, "KODG", Variant(11), "Такий код групи вже існує."},
        {dm->IBotp, "TAB1", Variant("00001"), "Такий табельний номер вже існує."},
    };
    WriteCalendar(YearOf(Date()));
    for (const Case& c : cases) {
        ui.Asked.clear();
        if (c.DataSet == dm->IBgroup) dm->IBpodr->Open();
        c.DataSet->Open();
        c.DataSet->Append();
        c.DataSet->FieldByName(c.Key)->SetValue(c.Value);
        if (c.DataSet == dm->IBgroup) F(c.DataSet, "KODP_1")->SetAsInteger(1);
        c.DataSet->Post();
        EXPECT_EQ(AskedTexts(), QStringList{QString::fromUtf8(c.Message)}) << c.Key;
        EXPECT_EQ(ui.Last().Caption, QStringLiteral("Помилка"));
        EXPECT_TRUE(c.DataSet->UpdatesPending()) << c.Key;
        c.DataSet->CancelUpdates();
        c.DataSet->Close();
    }
    dm->IBpodr->Close();
    EXPECT_EQ(Count("KADR") + Count("PROF") + Count("PODR") + Count("PGROUP") + Count("ORDERP"), 5);
}

TEST_F(DataModuleTest, AnEmployeeWithATakenNumberIsSavedOnceTheNumberIsCorrected) {
    AddEmployee("00001", "Петренко");
    OpenEmployees();
    dm->IBQuery->Append();
    F(dm->IBQuery, "TAB")->SetAsString("00001");
    F(dm->IBQuery, "FAMILY")->SetAsString("Коваль");
    dm->IBQuery->Post();
    EXPECT_EQ(AskedTexts(), QStringList{"Такий табельний номер вже існує."});
    EXPECT_EQ(dm->IBQuery->RecordCount(), 2); // kept in the list, unsaved
    EXPECT_EQ(Count("KADR"), 1);

    dm->IBQuery->Edit();
    F(dm->IBQuery, "TAB")->SetAsString("00002");
    dm->IBQuery->Post();
    EXPECT_EQ(ui.Asked.size(), 1u);
    EXPECT_FALSE(dm->IBQuery->UpdatesPending());
    EXPECT_EQ(VarToStr(Scalar("select FAMILY from KADR where TAB = '00002'")), "Коваль");
}

TEST_F(DataModuleTest, TheEmployeeListStartsUnfilteredAndKeepsEmployeesWithoutASurname) {
    AddEmployee("00001", "Яковенко");
    Exec("insert into KADR (TAB, ENDEND) values ('00002', '01.01.2001')");
    EXPECT_EQ(dm->IBQuery->GetSQL()->Count(), 5);
    EXPECT_EQ(dm->QueryLine(3), QString());
    EXPECT_EQ(dm->QueryLine(1), QStringLiteral("order by FAMILY"));
    dm->IBQuery->Open();
    dm->IBQuery->FetchAll();
    EXPECT_EQ(dm->IBQuery->RecordCount(), 2);
    // A working-at-date line leaves the dismissed one out.
    dm->SetQueryLine(3, EmploymentFilterLine(D(2024, 1, 1), D(2024, 1, 1)));
    EXPECT_FALSE(dm->IBQuery->GetActive());
    dm->IBQuery->Open();
    dm->IBQuery->FetchAll();
    EXPECT_EQ(dm->IBQuery->RecordCount(), 1);
}

TEST_F(DataModuleTest, DeleteAnsweredNoKeepsTheRowAndYesDeletesIt) {
    Exec("insert into PROF (CODPROF, NAMPROF) values ('01', 'Токар')");
    dm->IBprof->Open();
    ui.Answer(IDNO);
    EXPECT_THROW(dm->IBprof->Delete(), EAbort);
    ASSERT_EQ(ui.Asked.size(), 1u);
    EXPECT_EQ(ui.Last().Text, QStringLiteral("Ви дійсно бажаєте видалити запис?"));
    EXPECT_EQ(ui.Last().Caption, QStringLiteral("Видалити"));
    EXPECT_EQ(dm->IBprof->RecordCount(), 1);
    EXPECT_EQ(Count("PROF"), 1);

    ui.Answer(IDYES);
    dm->IBprof->Delete();
    EXPECT_EQ(ui.Asked.size(), 2u);
    EXPECT_EQ(Count("PROF"), 0);
}

TEST_F(DataModuleTest, RenumberingMovesAppointmentsAndChildrenOnlyAndAClashChangesNothing) {
    AddEmployee("00012", "Шевчук");
    AddEmployee("00077", "Бойко");
    AddAppointment("00012", "01.02.2020", 1);
    AddAppointment("00012", "01.02.2021", 2);
    AddAppointment("00077", "01.02.2021", 3);
    Exec("insert into KIDS (KID_TAB, KID_NAME) values ('00012', 'Оля')");
    Exec("insert into ORDERP (TAB1) values ('00012')");
    Exec("insert into HEALTH (HEL_TAB, HEL_NUM) values ('00012', 'A1')");

    OpenEmployees("00012");
    dm->IBQuery->Edit();
    EXPECT_EQ(dm->NumberAtEditStart, QStringLiteral("00012"));
    F(dm->IBQuery, "TAB")->SetAsString("00099");
    dm->IBQuery->Post();
    EXPECT_TRUE(ui.Asked.empty());
    EXPECT_EQ(Count("NAZN", "TAB2 = '00099'"), 2);
    EXPECT_EQ(Count("NAZN", "TAB2 = '00077'"), 1);
    EXPECT_EQ(Count("KIDS", "KID_TAB = '00099'"), 1);
    EXPECT_EQ(Count("ORDERP", "TAB1 = '00012'"), 1);
    EXPECT_EQ(Count("HEALTH", "HEL_TAB = '00012'"), 1);
    dm->IBnazn->FetchAll();
    EXPECT_EQ(dm->IBnazn->RecordCount(), 2); // the detail follows the new number

    // Taking another employee's number: refused, and nothing moves.
    dm->IBQuery->Edit();
    F(dm->IBQuery, "TAB")->SetAsString("00077");
    dm->IBQuery->Post();
    EXPECT_EQ(AskedTexts(), QStringList{"Такий табельний номер вже існує."});
    EXPECT_EQ(Count("NAZN", "TAB2 = '00099'"), 2);
    EXPECT_EQ(Count("NAZN", "TAB2 = '00077'"), 1);
    EXPECT_EQ(Count("KIDS", "KID_TAB = '00099'"), 1);
    EXPECT_EQ(Count("KADR", "TAB in ('00099', '00077')"), 2);

    // Inserting an employee touches no appointment or child.
    dm->IBQuery->CancelUpdates();
    dm->IBQuery->Append();
    F(dm->IBQuery, "TAB")->SetAsString("00012");
    dm->IBQuery->Post();
    EXPECT_EQ(Count("NAZN", "TAB2 = '00012'"), 0);
    EXPECT_EQ(Count("KIDS", "KID_TAB = '00012'"), 0);
}

TEST_F(DataModuleTest, ApostrophesInNumbersAndNamesAreStoredFoundAndRenumbered) {
    OpenEmployees();
    dm->IBQuery->Append();
    F(dm->IBQuery, "TAB")->SetAsString("O'1");
    F(dm->IBQuery, "FAMILY")->SetAsString("О'Браєн");
    dm->IBQuery->Post();
    ASSERT_TRUE(ui.Asked.empty()) << AskedTexts().join('|').toStdString();
    dm->IBkids->Append();
    F(dm->IBkids, "KID_NAME")->SetAsString("Д'Артаньян");
    dm->IBkids->Post();
    EXPECT_EQ(Count("KIDS", "KID_TAB = " + SqlStr("O'1")), 1);

    dm->IBQuery->Edit();
    F(dm->IBQuery, "TAB")->SetAsString("Д'2");
    dm->IBQuery->Post();
    EXPECT_TRUE(ui.Asked.empty()) << AskedTexts().join('|').toStdString();
    EXPECT_EQ(Count("KADR", "FAMILY = " + SqlStr("О'Браєн") + " and TAB = " + SqlStr("Д'2")), 1);
    EXPECT_EQ(Count("KIDS", "KID_TAB = " + SqlStr("Д'2")), 1);
    // The list is found again with a filter line built from dates.
    dm->SetQueryLine(3, EmploymentFilterLine(D(2024, 1, 1), 0));
    dm->IBQuery->Open();
    EXPECT_TRUE(dm->IBQuery->Locate("FAMILY", Variant(QStringLiteral("О'Браєн")), {}));
}

TEST_F(DataModuleTest, AppointmentsCarryTheLatestOverAndOnlyTheLatestUpdatesTheEmployee) {
    AddEmployee("00005", "Мельник");
    Exec("insert into PODR (KODP, NAIPODR) values (3, 'Цех')");
    Exec("insert into PROF (CODPROF, NAMPROF) values ('0105', 'Слюсар')");
    dm->IBpodr->Open();
    dm->IBprof->Open();
    OpenEmployees("00005");
    // The first appointment starts empty, and all four values are required.
    dm->IBnazn->Append();
    for (const char* f : {"KODP_4", "CPROF_3", "OKLAD", "KAT", "ROZ", "KLAS"})
        EXPECT_TRUE(F(dm->IBnazn, f)->IsNull()) << f;
    EXPECT_EQ(F(dm->IBnazn, "TAB2")->GetAsString(), QStringLiteral("00005"));
    EXPECT_THROW(dm->IBnazn->Post(), EAbort);
    EXPECT_EQ(AskedTexts(), QStringList{"Введіть підрозділ."});
    EXPECT_EQ(dm->IBnazn->GetState(), dsInsert);
    F(dm->IBnazn, "KODP_4")->SetAsInteger(3);
    F(dm->IBnazn, "CPROF_3")->SetAsString("0105");
    F(dm->IBnazn, "OKLAD")->SetAsString("1500");
    EXPECT_THROW(dm->IBnazn->Post(), EAbort);
    EXPECT_EQ(ui.Last().Text, QStringLiteral("Введіть дату призначення."));
    F(dm->IBnazn, "NAZ_DATE")->SetAsDateTime(D(2022, 5, 1));
    F(dm->IBnazn, "KAT")->SetAsString("1 КАТ");
    F(dm->IBnazn, "ROZ")->SetAsString("5");
    F(dm->IBnazn, "KLAS")->SetAsString("2");
    dm->IBnazn->Post();
    EXPECT_EQ(ui.Asked.size(), 2u);
    EXPECT_EQ(F(dm->IBQuery, "KODP_2")->GetAsInteger(), 3);
    EXPECT_EQ(F(dm->IBQuery, "CPROF")->GetAsString(), QStringLiteral("0105"));
    EXPECT_EQ(F(dm->IBQuery, "LOOK")->GetAsString(), QStringLiteral("Цех"));
    EXPECT_EQ(F(dm->IBQuery, "L_PROF")->GetAsString(), QStringLiteral("Слюсар"));
    EXPECT_EQ(F(dm->IBnazn, "L_KODP")->GetAsString(), QStringLiteral("Цех"));
    EXPECT_EQ(F(dm->IBnazn, "L_CPROF")->GetAsString(), QStringLiteral("Слюсар"));
    EXPECT_EQ(VarToStr(Scalar("select OKLAD from KADR where TAB = '00005'")), "1500");
    EXPECT_EQ(VarToStr(Scalar("select NKAT || '/' || ROZRAD || '/' || KLAS || '/' || CPROF || '/' "
                              "|| KODP_2 from KADR")),
              "1 КАТ/5/2/0105/3");

    // The next one starts with the latest one's values.
    dm->IBnazn->Append();
    EXPECT_EQ(F(dm->IBnazn, "KODP_4")->GetAsInteger(), 3);
    EXPECT_EQ(F(dm->IBnazn, "KAT")->GetAsString(), QStringLiteral("1 КАТ"));
    EXPECT_EQ(F(dm->IBnazn, "OKLAD")->GetAsFloat(), 1500.0);
    // An earlier appointment entered late is kept but does not describe the present post.
    F(dm->IBnazn, "KODP_4")->SetAsInteger(7);
    F(dm->IBnazn, "NAZ_DATE")->SetAsDateTime(D(2019, 1, 1));
    dm->IBnazn->Post();
    EXPECT_EQ(Count("NAZN", "TAB2 = '00005'"), 2);
    EXPECT_EQ(Scalar("select KODP_2 from KADR").AsInt(), 3);
    // A later one does, and editing an existing one never does.
    dm->IBnazn->Append();
    EXPECT_EQ(F(dm->IBnazn, "KODP_4")->GetAsInteger(), 3); // from 2022, not from 2019
    F(dm->IBnazn, "KODP_4")->SetAsInteger(9);
    F(dm->IBnazn, "NAZ_DATE")->SetAsDateTime(D(2023, 1, 1));
    dm->IBnazn->Post();
    EXPECT_EQ(Scalar("select KODP_2 from KADR").AsInt(), 9);
    dm->IBnazn->Edit();
    F(dm->IBnazn, "KODP_4")->SetAsInteger(4);
    dm->IBnazn->Post();
    EXPECT_EQ(Scalar("select KODP_2 from KADR").AsInt(), 9);
    EXPECT_EQ(Count("NAZN", "KODP_4 = 4"), 1);
}

TEST_F(DataModuleTest, GroupCodesFollowTheSubdivisionAndSkipTakenCodes) {
    Exec("insert into PODR (KODP) values (12)");
    Exec("insert into PODR (KODP) values (1)");
    Exec("insert into PODR (KODP) values (11)");
    Exec("insert into PODR (KODP) values (2147483647)");
    for (int g : {121, 122, 123})
        Exec(QStringLiteral("insert into PGROUP (KODP_1, KODG) values (12, %1)").arg(g));
    for (int n = 1; n <= 11; ++n)
        Exec(QStringLiteral("insert into PGROUP (KODP_1, KODG) values (1, %1)").arg(1000 + n));
    Exec("insert into PGROUP (KODP_1, KODG) values (11, 112)");
    dm->IBpodr->Open();
    dm->IBgroup->Open();
    struct Case {
        int Kodp;
        int Code;
    };
    for (const Case& c : {Case{12, 124}, Case{1, 113}, Case{11, 113 + 1}}) {
        ASSERT_TRUE(dm->IBpodr->Locate("KODP", Variant(c.Kodp), {}));
        dm->IBgroup->Append();
        EXPECT_EQ(F(dm->IBgroup, "KODP_1")->GetAsInteger(), c.Kodp);
        EXPECT_EQ(F(dm->IBgroup, "KODG")->GetAsInteger(), c.Code) << c.Kodp;
        dm->IBgroup->Post();
        EXPECT_EQ(Count("PGROUP", QStringLiteral("KODG = %1").arg(c.Code)), 1);
    }
    EXPECT_TRUE(ui.Asked.empty());
    // A code past the integer range is refused.
    ASSERT_TRUE(dm->IBpodr->Locate("KODP", Variant(2147483647), {}));
    EXPECT_THROW(dm->IBgroup->Append(), EAbort);
    EXPECT_EQ(dm->IBgroup->GetState(), dsBrowse);
    EXPECT_EQ(ui.Asked.size(), 1u);
    EXPECT_EQ(ui.Last().Caption, QStringLiteral("Помилка"));
}

TEST_F(DataModuleTest, ChildrenTakeTheEmployeeNumberAndOneOfTwoIdenticalIsDeletedAlone) {
    AddEmployee("00003", "Ткаченко");
    Exec("insert into KIDS (KID_TAB, KID_NAME, KID_SEX) values ('00003', 'Іван', NULL)");
    Exec("insert into KIDS (KID_TAB, KID_NAME, KID_SEX) values ('00003', 'Іван', NULL)");
    Exec("insert into KIDS (KID_TAB, KID_NAME, KID_SEX) values ('00003', 'Іван', 'ч')");
    OpenEmployees("00003");
    dm->IBkids->FetchAll();
    EXPECT_EQ(dm->IBkids->RecordCount(), 3);
    ASSERT_TRUE(dm->IBkids->Locate("KID_SEX", Null(), {}));
    dm->IBkids->Delete();
    EXPECT_EQ(Count("KIDS", "KID_SEX IS NULL"), 1);
    EXPECT_EQ(Count("KIDS", "KID_SEX = 'ч'"), 1);

    dm->IBkids->Append();
    F(dm->IBkids, "KID_NAME")->SetAsString("Марія");
    F(dm->IBkids, "KID_DAT")->SetAsDateTime(D(2015, 4, 1));
    dm->IBkids->Post();
    EXPECT_EQ(Count("KIDS", "KID_TAB = '00003' and KID_NAME = 'Марія'"), 1);
    // Editing a child changes that row only.
    dm->IBkids->Edit();
    F(dm->IBkids, "KID_NAME")->SetAsString("Марічка");
    dm->IBkids->Post();
    EXPECT_EQ(Count("KIDS", "KID_NAME = 'Марічка'"), 1);
    EXPECT_EQ(Count("KIDS"), 3);
    EXPECT_TRUE(ui.Asked.size() == 1u); // the delete confirmation only
}

TEST_F(DataModuleTest, SickLeaveSheetsRefuseATakenNumberAndReportFailedSaves) {
    Exec("insert into HEALTH (HEL_TAB, HEL_NUM, HEL_F) values ('00001', 'Б-17', 'Я')");
    dm->IBhel->Open();
    dm->IBhel->Append();
    F(dm->IBhel, "HEL_TAB")->SetAsString("00002");
    F(dm->IBhel, "HEL_NUM")->SetAsString("Б-17");
    EXPECT_THROW(dm->IBhel->Post(), EAbort);
    EXPECT_EQ(AskedTexts(), QStringList{"Такий номер вже існує."});
    EXPECT_EQ(dm->IBhel->GetState(), dsInsert);
    F(dm->IBhel, "HEL_NUM")->SetAsString("Б-18");
    dm->IBhel->Post();
    EXPECT_EQ(Count("HEALTH"), 2);
    // The sheet keeps its own number when edited.
    ASSERT_TRUE(dm->IBhel->Locate("HEL_NUM", Variant("Б-17"), {}));
    dm->IBhel->Edit();
    F(dm->IBhel, "HEL_F")->SetAsString("Ю");
    dm->IBhel->Post();
    EXPECT_EQ(ui.Asked.size(), 1u);
    EXPECT_EQ(Count("HEALTH", "HEL_F = 'Ю' and HEL_NUM = 'Б-17'"), 1);
}

TEST_F(DataModuleTest, ASaveThatFailsIsShownWithTheServerTextAndStaysPendingUntilItSucceeds) {
    Exec("insert into PROF (CODPROF, NAMPROF) values ('01', 'Токар')");
    AddEmployee("00003", "Ткаченко");
    Exec("insert into KIDS (KID_TAB, KID_NAME) values ('00003', 'Іван')");
    // Another user holds the rows.
    TIBDatabase other(nullptr);
    TIBTransaction otherTr(nullptr);
    other.SetDatabaseName(DbPath());
    other.GetParams()->AddStrings({"user_name=SYSDBA", "password=quartzfen", "lc_ctype=WIN1251"});
    other.SetDefaultTransaction(&otherTr);
    otherTr.SetDefaultDatabase(&other);
    other.Open();
    {
        TIBQuery q(nullptr);
        q.SetDatabase(&other);
        q.GetSQL()->SetText("update PROF set NAMPROF = 'Слюсар' where CODPROF = '01'");
        q.ExecSQL();
        q.GetSQL()->SetText("update KIDS set KID_SEX = 'ч'");
        q.ExecSQL();
    }
    dm->IBprof->Open();
    dm->IBprof->Edit();
    F(dm->IBprof, "NAMPROF")->SetAsString("Фрезерувальник");
    dm->IBprof->Post();
    ASSERT_EQ(ui.Asked.size(), 1u);
    EXPECT_EQ(ui.Last().Caption, QStringLiteral("Помилка"));
    EXPECT_TRUE(ui.Last().Text.contains("lock conflict") || ui.Last().Text.contains("deadlock"))
        << ui.Last().Text.toStdString();
    EXPECT_TRUE(dm->IBprof->UpdatesPending());

    // A child's change runs at once: the failure is shown and the delete does not happen.
    OpenEmployees("00003");
    ui.Asked.clear();
    EXPECT_THROW(dm->IBkids->Delete(), EAbort);
    ASSERT_EQ(ui.Asked.size(), 2u); // the confirmation, then the failure
    EXPECT_EQ(ui.Last().Caption, QStringLiteral("Помилка"));
    EXPECT_EQ(dm->IBkids->RecordCount(), 1);

    otherTr.Rollback();
    other.Close();
    EXPECT_TRUE(dm->Save(dm->IBprof, false));
    EXPECT_FALSE(dm->IBprof->UpdatesPending());
    EXPECT_EQ(VarToStr(Scalar("select NAMPROF from PROF")), "Фрезерувальник");
}

class LeaveOrderTest : public DataModuleTest {
protected:
    void SetUp() override {
        DataModuleTest::SetUp();
        clock.SetNow(D(2024, 12, 20) + 0.5);
        clockSwap = std::make_unique<TClockSwap>(&clock);
    }
    void TearDown() override {
        clockSwap.reset();
        DataModuleTest::TearDown();
    }
    TFakeClock clock;
    std::unique_ptr<TClockSwap> clockSwap;
};

TEST_F(LeaveOrderTest, ANewOrderCountsItsEndOverTheCalendarAndTheWorkYear) {
    WriteCalendar(2024, {D(2024, 12, 25)});
    dm->IBotp->Open();
    dm->IBotp->Append();
    EXPECT_EQ(F(dm->IBotp, "PERIODB")->GetAsString(), QStringLiteral("01.01.2023"));
    EXPECT_EQ(F(dm->IBotp, "PERIODE")->GetAsString(), QStringLiteral("31.12.2023"));
    EXPECT_EQ(F(dm->IBotp, "OTP_B")->GetAsDateTime(), D(2024, 12, 20));
    EXPECT_EQ(F(dm->IBotp, "OTP_E")->GetAsDateTime(), D(2024, 12, 20));
    F(dm->IBotp, "TAB1")->SetAsString("00001");
    F(dm->IBotp, "PERIODB")->SetAsDateTime(D(2023, 3, 1));
    F(dm->IBotp, "PERIODD")->SetAsInteger(4);
    F(dm->IBotp, "DOD_D")->SetAsInteger(2);
    F(dm->IBotp, "VS_RAB")->SetAsInteger(5);
    dm->IBotp->Post();
    EXPECT_TRUE(ui.Asked.empty()) << AskedTexts().join('|').toStdString();
    // 20..26 December, 25 December a holiday: six counted days end on the 26th.
    EXPECT_EQ(F(dm->IBotp, "OTP_E")->GetAsDateTime(), D(2024, 12, 26));
    EXPECT_EQ(F(dm->IBotp, "VS_KAL")->GetAsInteger(), 6);
    EXPECT_EQ(F(dm->IBotp, "VS_RAB")->GetAsInteger(), 0);
    EXPECT_EQ(F(dm->IBotp, "PERIODE")->GetAsDateTime(), D(2024, 2, 29));
    EXPECT_EQ(Count("ORDERP", "OTP_E = '26.12.2024' and PERIODE = '29.02.2024'"), 1);

    // No days at all: no end date.
    dm->IBotp->Edit();
    F(dm->IBotp, "PERIODD")->Clear();
    F(dm->IBotp, "DOD_D")->Clear();
    dm->IBotp->Post();
    EXPECT_TRUE(F(dm->IBotp, "OTP_E")->IsNull());
    EXPECT_EQ(F(dm->IBotp, "VS_KAL")->GetAsInteger(), 0);
}

TEST_F(LeaveOrderTest, AMissingCalendarIsNamedAndTheOrderStaysInEdit) {
    WriteCalendar(2024);
    dm->IBotp->Open();
    dm->IBotp->Append();
    F(dm->IBotp, "TAB1")->SetAsString("00001");
    F(dm->IBotp, "PERIODD")->SetAsInteger(24);
    EXPECT_THROW(dm->IBotp->Post(), EAbort);
    ASSERT_EQ(ui.Asked.size(), 1u);
    EXPECT_EQ(ui.Last().Text, QStringLiteral("Не могу найти календарь за 2025 год."));
    EXPECT_EQ(ui.Last().Caption, QStringLiteral("Ошибка"));
    EXPECT_EQ(dm->IBotp->GetState(), dsInsert);
    EXPECT_EQ(Count("ORDERP"), 0);
    // With the next year's calendar the same order goes through.
    WriteCalendar(2025, {D(2025, 1, 1)});
    dm->IBotp->Post();
    EXPECT_EQ(F(dm->IBotp, "OTP_E")->GetAsDateTime(), D(2025, 1, 13));
    EXPECT_EQ(Count("ORDERP"), 1);
}

} // namespace
