// The calendar table of a year, and the first-run set-up that makes a database with this
// year's calendar and the settings naming it.
#include "AppTestSupport.h"

#include "CalTable.h"
#include "Clock.h"
#include "Connection.h"
#include "Dates.h"
#include "FirstRun.h"
#include "IniFiles.h"
#include "varer.h"

#include <QDir>
#include <QFile>

namespace {

using CalendarTableTest = AppDbTest;

TEST_F(CalendarTableTest, ASavedYearReadsBackWithItsMarksAndSavingAgainReplacesIt) {
    TCalendarYear year = MakeCalendarYear(2024);
    year.Day(1, 1).Mark = QStringLiteral("п");
    year.Day(3, 9).Mark = QStringLiteral("р"); // a Saturday worked
    SaveCalendar(2024, year);
    year.Day(5, 1).Mark = QStringLiteral("п");
    SaveCalendar(2024, year);
    EXPECT_EQ(Count(QStringLiteral("CAL2024")), 12);

    TCalendarYear back;
    ASSERT_TRUE(dm->LoadYear(2024, back));
    for (int m = 1; m <= 12; ++m)
        for (int d = 1; d <= 31; ++d) {
            EXPECT_EQ(back.Day(m, d).Text, year.Day(m, d).Text) << m << "." << d;
            EXPECT_EQ(back.Day(m, d).Mark, year.Day(m, d).Mark) << m << "." << d;
        }
    // 29 February exists in 2024; D_WEEK is the weekday of the first (0 Monday .. 6 Sunday).
    EXPECT_EQ(back.Day(2, 29).Text, QStringLiteral("29"));
    EXPECT_TRUE(back.Day(2, 30).Text.isEmpty());
    EXPECT_EQ(Scalar(QStringLiteral("select D_WEEK from CAL2024 where INF = 1")).AsInt(), 0);
    EXPECT_EQ(Scalar(QStringLiteral("select D_WEEK from CAL2024 where INF = 9")).AsInt(), 6);
    // The leave count sees the holiday.
    EXPECT_EQ(dm->CountDays(EncodeDate(2024, 4, 30), 2, 0), EncodeDate(2024, 5, 2));
}

TEST_F(CalendarTableTest, MonthsArePlacedByTheirNumberAndAFailedSaveLeavesTheOldCalendar) {
    TCalendarYear year = MakeCalendarYear(2024);
    year.Day(1, 1).Mark = QStringLiteral("п");
    SaveCalendar(2024, year);
    // January written again after the other months: read in the order of INF, it is still
    // the first month.
    Exec(QStringLiteral("delete from CAL2024 where INF = 1"));
    Exec(QStringLiteral("insert into CAL2024 (INF, D1, D1WEEK, D2, D2WEEK, D_WEEK) "
                        "values (1, '1', 'п', '2', 'Вт', 0)"));
    TCalendarYear back;
    ASSERT_TRUE(dm->LoadYear(2024, back));
    EXPECT_EQ(back.Day(1, 1).Mark, QStringLiteral("п"));
    EXPECT_EQ(back.Day(2, 1).Mark, QStringLiteral("Чт")); // 1 February 2024
    EXPECT_EQ(back.FirstWeekday[1], 3);
    // A table without one of the months is no calendar.
    Exec(QStringLiteral("delete from CAL2024 where INF = 7"));
    EXPECT_FALSE(dm->LoadYear(2024, back));

    // A save the server refuses halfway leaves the calendar as it was.
    SaveCalendar(2024, year);
    Exec(QStringLiteral("create exception NO_JULY 'July refused'"));
    Exec(QStringLiteral("create trigger CAL2024_NO_JULY for CAL2024 before insert as "
                        "begin if (new.INF = 7) then exception NO_JULY; end"));
    TCalendarYear changed = year;
    changed.Day(1, 1).Mark = QStringLiteral("Пн");
    changed.Day(3, 8).Mark = QStringLiteral("п");
    EXPECT_THROW(SaveCalendar(2024, changed), Exception);
    EXPECT_EQ(Count(QStringLiteral("CAL2024")), 12);
    ASSERT_TRUE(dm->LoadYear(2024, back));
    EXPECT_EQ(back.Day(1, 1).Mark, QStringLiteral("п"));
    EXPECT_EQ(back.Day(3, 8).Mark, QStringLiteral("Пт"));
}

// A user's folders of their own, for the set-up's settings and data.
class FirstRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        qputenv("KADRION_CONFIG_DIR", dir.filePath(QStringLiteral("config")).toUtf8());
        qputenv("XDG_DATA_HOME", dir.filePath(QStringLiteral("data")).toUtf8());
        ClearSettings();
    }
    void TearDown() override {
        qunsetenv("KADRION_CONFIG_DIR");
        qunsetenv("XDG_DATA_HOME");
        ClearSettings();
    }
    QString Ini() const { return dir.filePath(QStringLiteral("config/kadrion.ini")); }
    QString Database() const { return dir.filePath(QStringLiteral("data/kadrion/kadrion.fdb")); }
    QTemporaryDir dir;
    TScriptedInteraction ui;
    TUserInteractionSwap swap{&ui};
};

TEST_F(FirstRunTest, ANewUserGetsADatabaseWithThisYearsCalendarAndSettingsNamingIt) {
    TFakeClock clock(EncodeDate(2031, 6, 1));
    TClockSwap clockSwap(&clock);
    EXPECT_EQ(FirstRunDatabasePath(), Database());
    ASSERT_EQ(PrepareFirstRun(), frDatabaseMade);
    ASSERT_TRUE(QFile::exists(Database()));
    ClearSettings();
    LoadSettings();
    EXPECT_EQ(TypeSvr, 0);
    EXPECT_EQ(PathFileSvr, Database());
    EXPECT_EQ(FullNameSvr, Database());

    TDM dm(nullptr);
    FullNameSvr = Database();
    ASSERT_TRUE(ConnectDatabase());
    EXPECT_TRUE(dm.Database->TableExists(QStringLiteral("CAL2031")));
    EXPECT_TRUE(dm.Database->TableExists(QStringLiteral("KADR")));
    dm.Database->SetConnected(false);
}

TEST_F(FirstRunTest, ExistingSettingsAreNeverTouchedAndAFoundDatabaseIsNamedNotRemade) {
    // Settings there: nothing happens at all.
    ClearSettings();
    NameOrg = QStringLiteral("ТОВ Ґудзик");
    PathFileSvr = QStringLiteral("/srv/elsewhere.fdb");
    SaveSettings();
    QFile f(Ini());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray before = f.readAll();
    f.close();
    EXPECT_EQ(PrepareFirstRun(), frSettingsKept);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
    f.close();
    EXPECT_FALSE(QFile::exists(Database()));

    // The database there but no settings: only the settings are written.
    QFile::remove(Ini());
    QDir().mkpath(QFileInfo(Database()).absolutePath());
    QFile db(Database());
    ASSERT_TRUE(db.open(QIODevice::WriteOnly));
    db.write("not touched");
    db.close();
    EXPECT_EQ(PrepareFirstRun(), frDatabaseFound);
    ASSERT_TRUE(db.open(QIODevice::ReadOnly));
    EXPECT_EQ(db.readAll(), QByteArray("not touched"));
    TMemIniFile ini(Ini());
    EXPECT_EQ(ini.ReadString(QStringLiteral("Data"), QStringLiteral("PathFileSvr"), QString()),
              Database());
}

} // namespace
