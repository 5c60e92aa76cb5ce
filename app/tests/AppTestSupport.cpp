#include "AppTestSupport.h"

#include "CalTable.h"
#include "Dates.h"
#include "LeaveDays.h"
#include "Schema.h"
#include "varer.h"

void AppDbTest::SetUp() {
    ASSERT_TRUE(dir.isValid());
    qputenv("KADRION_CONFIG_DIR", dir.path().toUtf8());
    ClearSettings();
    PathFileSvr = DbPath();
    FullNameSvr = DbPath();
    swap = std::make_unique<TUserInteractionSwap>(&ui);
    dm = std::make_unique<TDM>(nullptr);
    DM = dm.get();
    dm->Database->SetDatabaseName(DbPath());
    CreateNewBase();
    ASSERT_TRUE(dm->Database->GetConnected());
}

void AppDbTest::TearDown() {
    try {
        dm->Database->Close();
    } catch (...) {
    }
    dm.reset();
    DM = nullptr;
    swap.reset();
    ClearSettings();
    qunsetenv("KADRION_CONFIG_DIR");
}

void AppDbTest::Exec(const QString& Sql) {
    TIBQuery q(nullptr);
    q.SetDatabase(dm->Database);
    q.GetSQL()->SetText(Sql);
    q.ExecSQL();
    dm->IBTrans->CommitRetaining();
}

Variant AppDbTest::Scalar(const QString& Sql) {
    TIBQuery q(nullptr);
    q.SetDatabase(dm->Database);
    q.GetSQL()->SetText(Sql);
    q.Open();
    Variant v = q.IsEmpty() ? Null() : q.Fields(0)->GetAsVariant();
    q.Close();
    return v;
}

int AppDbTest::Count(const QString& Table, const QString& Where) {
    return Scalar(QStringLiteral("select count(*) from ") + Table +
                  (Where.isEmpty() ? QString() : QStringLiteral(" where ") + Where))
        .AsInt();
}

QStringList AppDbTest::AskedTexts() const {
    QStringList out;
    for (const auto& a : ui.Asked)
        out.append(a.Text);
    return out;
}

void AppDbTest::WriteCalendar(int Year, const QList<TDateTime>& Holidays) {
    TCalendarYear y = MakeCalendarYear(Year);
    for (TDateTime h : Holidays)
        y.Day(MonthOf(h), DayOf(h)).Mark = QStringLiteral("п");
    SaveCalendar(Year, y);
}
