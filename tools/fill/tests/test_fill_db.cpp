// The fill program's work: generated employees go into a database through the data module,
// whose rules carry each one's latest appointment into the card.
#include "AppTestSupport.h"

#include "Dates.h"
#include "FillDb.h"

namespace {

using FillTest = AppDbTest;

TEST_F(FillTest, GeneratedEmployeesGoInWithTheirDirectoriesAppointmentsAndChildrenOnce) {
    const TGenDirectories dirs = TEmployeeGenerator::Directories();
    TEmployeeGenerator gen(7, EncodeDate(2024, 3, 14));
    const std::vector<TGenEmployee> people = gen.Employees(25);
    int appointments = 0, children = 0;
    for (const TGenEmployee& e : people) {
        appointments += int(e.Appointments.size());
        children += int(e.Children.size());
    }
    int progress = 0;
    const TFillCounts n = FillDatabase(dirs, people, [&](int Done) { progress = Done; });
    EXPECT_EQ(progress, 25);
    EXPECT_EQ(n.Employees, 25);
    EXPECT_EQ(n.Appointments, appointments);
    EXPECT_EQ(n.Children, children);
    EXPECT_EQ(n.Subdivisions, int(dirs.Subdivisions.size()));
    EXPECT_EQ(n.Groups, int(dirs.Groups.size()));
    EXPECT_EQ(Count(QStringLiteral("KADR")), 25);
    EXPECT_EQ(Count(QStringLiteral("NAZN")), appointments);
    EXPECT_EQ(Count(QStringLiteral("KIDS")), children);
    EXPECT_EQ(Count(QStringLiteral("PGROUP")), int(dirs.Groups.size()));
    EXPECT_EQ(Count(QStringLiteral("DEPART")), int(dirs.Productions.size()));
    EXPECT_TRUE(ui.Asked.empty()) << AskedTexts().join(u'\n').toStdString();

    // Every card as generated, its post the latest appointment's (the rule carried it).
    for (const TGenEmployee& e : people) {
        const QString where = QStringLiteral("TAB = '%1'").arg(e.Tab);
        EXPECT_EQ(Scalar("select FAMILY from KADR where " + where).AsString(), e.Family) << e.Tab;
        EXPECT_EQ(Scalar("select CPROF from KADR where " + where).AsString(),
                  e.Appointments.back().Position)
            << e.Tab;
        EXPECT_EQ(Scalar("select KODP_2 from KADR where " + where).AsInt(),
                  e.Appointments.back().Subdivision)
            << e.Tab;
        EXPECT_EQ(Count(QStringLiteral("KIDS"), QStringLiteral("KID_TAB = '%1'").arg(e.Tab)),
                  int(e.Children.size()))
            << e.Tab;
    }

    // A second fill with the same people adds nothing.
    const TFillCounts again = FillDatabase(dirs, people);
    EXPECT_EQ(again.Employees + again.Appointments + again.Children + again.Subdivisions +
                  again.Groups + again.Positions + again.Productions,
              0);
    EXPECT_EQ(Count(QStringLiteral("NAZN")), appointments);
}

} // namespace
