// Connection, seniority, backup, restore and new database against the embedded engine.
#include "AppTestSupport.h"

#include "Connection.h"
#include "Dates.h"
#include "Dbf.h"
#include "Forms.h"
#include "Seniority.h"
#include "ServiceOps.h"
#include "SqlText.h"
#include "varer.h"

#include <QDir>
#include <QFile>
#include <functional>

namespace {

TDateTime D(int y, int m, int d) {
    return EncodeDate(y, m, d);
}

using ServiceTest = AppDbTest;

TEST_F(ServiceTest, ConnectingReportsAFailureAndKeepsExactlyThreeParameterLines) {
    FullNameSvr = dir.filePath("missing.fdb");
    EXPECT_FALSE(ConnectDatabase());
    ASSERT_EQ(ui.Asked.size(), 1u);
    EXPECT_EQ(ui.Last().Text, "Помилка підключення до бази " + FullNameSvr +
                                  ". Перевірте настройки або створіть нову базу.");
    EXPECT_EQ(ui.Last().Caption, QStringLiteral("Помилка"));
    EXPECT_FALSE(dm->Database->GetConnected());

    FullNameSvr = DbPath();
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(ConnectDatabase());
    EXPECT_EQ(dm->Database->GetParams()->Count(), 3);
    EXPECT_EQ(dm->Database->GetParams()->GetStrings(2), QStringLiteral("lc_ctype=WIN1251"));
}

TEST_F(ServiceTest, AtStartTheSettingsAreAskedWhenNoDatabaseIsConfigured) {
    ClearSettings();
    int asked = 0;
    EXPECT_FALSE(ConnectAtStart([&] {
        ++asked;
        return false;
    }));
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(ui.Last().Text,
              QStringLiteral(
                  "Помилка підключення до бази . Перевірте настройки або створіть нову базу."));

    EXPECT_TRUE(ConnectAtStart([&] {
        ++asked;
        PathFileSvr = DbPath();
        return true;
    }));
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(FullNameSvr, DbPath());
    EXPECT_TRUE(dm->Database->GetConnected());
    // Configured: no dialog.
    EXPECT_TRUE(ConnectAtStart([&] { return ++asked, false; }));
    EXPECT_EQ(asked, 2);
}

TEST_F(ServiceTest, SeniorityFillsWorkMonthsAndStajDbf) {
    struct Emp {
        const char* Tab;
        const char* Family;
        const char* Hired;
        const char* Start;
        const char* Dismissed;
    };
    const Emp emps[] = {
        {"00001", "А", "01.03.2020", "15.03.2020", nullptr},      // 48 months
        {"00002", "Б", "01.03.2020", nullptr, nullptr},           // no start: WORK_MES kept
        {"00003", "В", "01.03.2020", "01.05.2024", nullptr},      // starts later: 0
        {"00004", "Г", "01.01.2024", "31.01.2024", nullptr},      // day 15 < 31: 1
        {"00005", "Ґ", "01.01.2020", "01.01.2020", "01.01.2024"}, // dismissed long ago
        {"00006", "Д", "01.01.2020", "01.03.2023", "01.03.2024"}, // two weeks ago: 12
        {"00007", "Е", "01.04.2024", "01.04.2024", nullptr},      // hired after R
        {"O'8", "Є", "01.01.2020", nullptr, nullptr},
    };
    auto date = [](const char* d) {
        return d ? SqlStr(QString::fromLatin1(d)) : QStringLiteral("NULL");
    };
    for (const Emp& e : emps)
        Exec(QStringLiteral(
                 "insert into KADR (TAB, FAMILY, WWORK, WOWORK1, ENDEND, WORK_MES) values "
                 "(%1, %2, %3, %4, %5, 7)")
                 .arg(SqlStr(e.Tab), SqlStr(QString::fromUtf8(e.Family)), date(e.Hired),
                      date(e.Start), date(e.Dismissed)));

    TDbfTable staj(nullptr);
    staj.SetFilePath(dir.path());
    for (int run = 0; run < 2; ++run) {
        ui.Asked.clear();
        ComputeSeniority(&staj, D(2024, 3, 14));
        ASSERT_EQ(ui.Asked.size(), 1u);
        EXPECT_EQ(ui.Last().Text, QStringLiteral("Підрахунок стажу закінчено"));
        EXPECT_EQ(ui.Last().Caption, QStringLiteral("Інформація"));
    }
    EXPECT_FALSE(dm->IBQuery->GetActive());

    TIBQuery q(nullptr);
    q.SetDatabase(dm->Database);
    q.GetSQL()->SetText("select TAB, WORK_MES from KADR order by TAB");
    q.Open();
    QStringList months;
    for (; !q.Eof(); q.Next())
        months << q.Fields(0)->GetAsString() + '=' + q.Fields(1)->GetAsString();
    q.Close();
    EXPECT_EQ(months, (QStringList{"00001=48", "00002=7", "00003=0", "00004=1", "00005=7",
                                   "00006=12", "00007=7", "O'8=7"}));

    // An independent reader sees the same rows, once each although the computation ran twice.
    const TProgramRun py =
        RunProgram("/usr/bin/python3",
                   {"-c",
                    "import sys, dbfread\n"
                    "t = dbfread.DBF(sys.argv[1], encoding='cp1251')\n"
                    "print(','.join(f.name + ':' + f.type + str(f.length) for f in t.fields))\n"
                    "for r in t: print(r['TABNOM'] + '|' + r['STAJ'])\n",
                    dir.filePath("staj.dbf")});
    ASSERT_TRUE(py.Finished);
    const QStringList lines = QString::fromUtf8(py.Out).split('\n', Qt::SkipEmptyParts);
    ASSERT_FALSE(lines.isEmpty()) << py.Err.toStdString();
    EXPECT_EQ(lines.front(), QStringLiteral("TABNOM:C5,STAJ:C3"));
    QStringList rows = lines.mid(1);
    rows.sort();
    EXPECT_EQ(rows, (QStringList{"00001|48", "00002|", "00003|0", "00004|1", "00006|12", "O'8|"}));
}

TEST_F(ServiceTest, BackupThenRestoreGivesTheSameRowsAndAMissingBackupIsReported) {
    for (int i = 1; i <= 5; ++i)
        Exec(QStringLiteral("insert into PROF (CODPROF, NAMPROF) values ('%1', 'Посада %1')")
                 .arg(i));
    Exec("insert into KADR (TAB, FAMILY) values ('00001', 'Іваненко')");
    EXPECT_TRUE(BackupDatabase());
    EXPECT_EQ(AskedTexts(), (QStringList{"Ви дійсно бажаєте зробити резервування бази?",
                                         "Резервування бази закінчено"}));
    EXPECT_TRUE(QFile::exists(dir.filePath("kadr.gbk")));

    Exec("delete from PROF where CODPROF > '2'");
    Exec("insert into KIDS (KID_TAB) values ('00001')");
    ui.Asked.clear();
    std::vector<bool> waits;
    EXPECT_TRUE(RestoreDatabase([&](bool Show) { waits.push_back(Show); }));
    EXPECT_EQ(AskedTexts(),
              (QStringList{"Ви дійсно бажаєте відновити базу?", "Відновлення бази закінчено"}));
    EXPECT_EQ(waits, (std::vector<bool>{true, false}));
    ASSERT_TRUE(dm->Database->GetConnected());
    EXPECT_EQ(Count("PROF"), 5);
    EXPECT_EQ(Count("KADR"), 1);
    EXPECT_EQ(Count("KIDS"), 0);
    EXPECT_EQ(VarToStr(Scalar("select FAMILY from KADR")), "Іваненко");

    // No backup file: the service's error is shown, the database is as it was and connected.
    QFile::remove(dir.filePath("kadr.gbk"));
    ui.Asked.clear();
    EXPECT_FALSE(RestoreDatabase());
    ASSERT_EQ(ui.Asked.size(), 2u);
    EXPECT_EQ(ui.Last().Caption, QStringLiteral("Помилка"));
    EXPECT_TRUE(ui.Last().Text.contains("kadr.gbk")) << ui.Last().Text.toStdString();
    ASSERT_TRUE(dm->Database->GetConnected());
    EXPECT_EQ(Count("PROF"), 5);

    // Answered No: nothing happens.
    ui.Asked.clear();
    ui.Answer(IDNO);
    EXPECT_FALSE(BackupDatabase());
    EXPECT_EQ(ui.Asked.size(), 1u);
    EXPECT_FALSE(QFile::exists(dir.filePath("kadr.gbk")));
}

TEST_F(ServiceTest, NewDatabaseIsCreatedConnectedAndNeverOverAnExistingFile) {
    FullNameSvr = dir.filePath("new.fdb");
    EXPECT_TRUE(NewDatabase());
    EXPECT_EQ(AskedTexts(),
              (QStringList{"Ви дійсно бажаєте створити нову базу " + FullNameSvr + "?",
                           "Створено нову базу " + FullNameSvr + "."}));
    EXPECT_EQ(ui.Asked.front().Caption, QStringLiteral("Увага"));
    ASSERT_TRUE(dm->Database->GetConnected());
    EXPECT_EQ(dm->Database->GetDatabaseName(), FullNameSvr);
    EXPECT_EQ(Count("KADR"), 0);
    Exec("insert into PODR (KODP) values (1)");

    ui.Asked.clear();
    EXPECT_FALSE(NewDatabase());
    EXPECT_EQ(ui.Last().Text, "Помилка створення нової бази " + FullNameSvr +
                                  ". Перевірте настройки та спробуйте ще раз.");
    EXPECT_EQ(ui.Last().Caption, QStringLiteral("Помилка"));
    EXPECT_FALSE(dm->Database->GetConnected());
    ASSERT_TRUE(ConnectDatabase());
    EXPECT_EQ(Count("PODR"), 1);
}

TEST_F(ServiceTest, ADatabaseInAFolderWithAnApostropheIsCreatedBackedUpAndRestored) {
    QDir(dir.path()).mkdir(QStringLiteral("o'neil"));
    PathFileSvr = dir.filePath(QStringLiteral("o'neil/kadry.fdb"));
    FullNameSvr = PathFileSvr;
    ASSERT_TRUE(NewDatabase()) << ui.Last().Text.toStdString();
    ASSERT_TRUE(QFile::exists(PathFileSvr));
    EXPECT_EQ(dm->Database->GetDatabaseName(), PathFileSvr);
    Exec(QStringLiteral("insert into KADR (TAB, FAMILY) values ('00001', 'О''Ніл')"));
    ASSERT_TRUE(BackupDatabase()) << ui.Last().Text.toStdString();
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("o'neil/kadry.gbk"))));
    Exec(QStringLiteral("delete from KADR"));
    ASSERT_TRUE(RestoreDatabase()) << ui.Last().Text.toStdString();
    ASSERT_TRUE(dm->Database->GetConnected());
    EXPECT_EQ(VarToStr(Scalar("select FAMILY from KADR")), QStringLiteral("О'Ніл"));
}

TEST_F(ServiceTest, AnErrorOfALostConnectionIsToldInOurWordsWithTheLibrarysTextBelow) {
    UseErrorTexts();
    for (bool lost : {true, false}) {
        SCOPED_TRACE(lost);
        try {
            EIBInterBaseError e(-902, isc_net_read_err,
                                QStringLiteral("Error reading data from the connection"));
            e.ConnectionLost = lost;
            throw e;
        } catch (...) {
            Application->HandleException(nullptr);
        }
        EXPECT_EQ(ui.Last().Text,
                  (lost ? LostConnectionText() + QStringLiteral("\n\n") : QString()) +
                      QStringLiteral("Error reading data from the connection."));
    }
    Application->OnException = nullptr;
}

TEST_F(ServiceTest, ChangesThatCouldNotBeSavedAreDroppedOnlyWhenTheUserAgrees) {
    // A change the save could not write: a position whose code is taken stays pending.
    Exec("insert into PROF (CODPROF, NAMPROF) values ('01', 'Токар')");
    dm->IBprof->Open();
    dm->IBprof->Append();
    dm->IBprof->FieldByName("CODPROF")->SetAsString("01");
    dm->IBprof->FieldByName("NAMPROF")->SetAsString(QStringLiteral("Слюсар"));
    dm->IBprof->Post();
    ASSERT_TRUE(dm->IBprof->UpdatesPending());
    const QString question = "Є зміни, які не вдалося записати до бази " + DbPath() +
                             ". Якщо продовжити, їх буде втрачено. Продовжити?";
    // Another database, a restore, a new database: each asks first; No changes nothing.
    FullNameSvr = dir.filePath("other.fdb");
    struct Row {
        const char* What;
        std::function<bool()> Act;
        QStringList Asked;
    } rows[] = {
        {"connecting to another database", [] { return ConnectDatabase(); }, {question}},
        {"a restore",
         [] { return RestoreDatabase(); },
         {QStringLiteral("Ви дійсно бажаєте відновити базу?"), question}},
        {"a new database",
         [] { return NewDatabase(); },
         {"Ви дійсно бажаєте створити нову базу " + FullNameSvr + "?", question}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.What);
        ui.Asked.clear();
        for (int i = 1; i < r.Asked.size(); ++i)
            ui.Answer(IDYES);
        ui.Answer(IDNO); // to the question about the changes, the last one
        EXPECT_FALSE(r.Act());
        EXPECT_EQ(AskedTexts(), r.Asked);
        EXPECT_TRUE(dm->IBprof->UpdatesPending());
        EXPECT_TRUE(dm->Database->GetConnected());
        EXPECT_EQ(dm->Database->GetDatabaseName(), DbPath());
    }
    // Yes: dropped, and the other database is created and connected.
    ui.Asked.clear();
    ui.Answer(IDYES);
    ui.Answer(IDYES);
    EXPECT_TRUE(NewDatabase());
    EXPECT_FALSE(dm->IBprof->UpdatesPending());
    EXPECT_EQ(dm->Database->GetDatabaseName(), FullNameSvr);
}

} // namespace
