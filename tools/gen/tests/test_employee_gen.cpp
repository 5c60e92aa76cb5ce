#include "EmployeeGen.h"

#include <gtest/gtest.h>

#include <set>

namespace {

// Column widths of the personnel database the generated values are written into.
struct Width {
    const char* Column;
    int Max;
};

TEST(EmployeeGenerator, TheSameSeedGivesTheSamePeopleAndAnotherSeedOthers) {
    const auto a = TEmployeeGenerator(7).Employees(300);
    const auto b = TEmployeeGenerator(7).Employees(300);
    const auto c = TEmployeeGenerator(8).Employees(300);
    int differ = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].Family + a[i].Name + a[i].Patronymic,
                  b[i].Family + b[i].Name + b[i].Patronymic);
        EXPECT_EQ(a[i].BirthDate, b[i].BirthDate);
        EXPECT_EQ(a[i].Appointments.size(), b[i].Appointments.size());
        differ += a[i].Family + a[i].Name != c[i].Family + c[i].Name;
    }
    EXPECT_GT(differ, 200);
}

TEST(EmployeeGenerator, EveryValueFitsItsColumnAndTheFactsHangTogether) {
    const TDateTime today = EncodeDate(2026, 12, 1);
    const TGenDirectories dirs = TEmployeeGenerator::Directories();
    std::set<int> subdivisions;
    std::set<QString> positions;
    for (const auto& s : dirs.Subdivisions) {
        EXPECT_LE(s.Name.size(), 60);
        subdivisions.insert(s.Code);
    }
    for (const auto& p : dirs.Positions) {
        EXPECT_LE(p.Code.size(), 10);
        EXPECT_LE(p.Name.size(), 100);
        positions.insert(p.Code);
    }
    for (const auto& g : dirs.Groups) {
        EXPECT_TRUE(QString::number(g.Code).startsWith(QString::number(g.Subdivision)));
        EXPECT_LE(g.Name.size(), 80);
    }
    for (const auto& d : dirs.Productions)
        EXPECT_LE(d.size(), 15);

    std::set<QString> tabs;
    int dismissed = 0, noBirthDate = 0, apostrophes = 0, withChildren = 0;
    for (const TGenEmployee& e : TEmployeeGenerator(1, today).Employees(2000)) {
        SCOPED_TRACE(e.Tab.toStdString());
        EXPECT_EQ(e.Tab.size(), 5);
        EXPECT_TRUE(tabs.insert(e.Tab).second);
        for (auto [text, max] : {std::pair{e.Family, 20},
                                 {e.Name, 20},
                                 {e.Patronymic, 20},
                                 {e.BirthPlace, 70},
                                 {e.Phone, 10},
                                 {e.Address, 100},
                                 {e.Passport, 15},
                                 {e.Category, 15},
                                 {e.Education, 15},
                                 {e.FamilyStatus, 11},
                                 {e.DismissalReason, 50}})
            EXPECT_LE(text.size(), max) << text.toStdString();
        EXPECT_TRUE(e.Sex == QStringLiteral("Ч") || e.Sex == QStringLiteral("Ж"));
        EXPECT_TRUE(subdivisions.count(e.Subdivision));
        EXPECT_TRUE(positions.count(e.Position));
        if (e.Group) {
            EXPECT_TRUE(QString::number(e.Group).startsWith(QString::number(e.Subdivision)));
        }
        if (e.BirthDate > 0) {
            EXPECT_LE(IncYear(e.BirthDate, 18), e.HireDate);
        } else {
            ++noBirthDate;
        }
        EXPECT_LE(e.HireDate, today);
        if (e.DismissalDate > 0) {
            ++dismissed;
            EXPECT_GE(e.DismissalDate, e.HireDate);
            EXPECT_LE(e.DismissalDate, today);
            EXPECT_FALSE(e.DismissalReason.isEmpty());
        }
        ASSERT_FALSE(e.Appointments.empty());
        EXPECT_EQ(e.Appointments.front().Date, e.HireDate);
        for (size_t i = 1; i < e.Appointments.size(); ++i)
            EXPECT_LT(e.Appointments[i - 1].Date, e.Appointments[i].Date);
        EXPECT_EQ(e.Appointments.back().Subdivision, e.Subdivision);
        EXPECT_EQ(e.Appointments.back().Position, e.Position);
        for (const TGenAppointment& a : e.Appointments) {
            EXPECT_LE(a.Rank.size(), 5);
            EXPECT_LE(a.Category.size(), 5);
            EXPECT_LE(a.OrderNo.size(), 10);
            EXPECT_LT(a.Salary, 100000.0); // NUMERIC(7,2)
        }
        for (const TGenChild& k : e.Children) {
            EXPECT_LE(k.Name.size(), 50);
            EXPECT_LE(k.BirthDate, today);
        }
        withChildren += !e.Children.empty();
        apostrophes += (e.Family + e.Name + e.Patronymic).contains(QLatin1Char('\''));
    }
    // The awkward cases are all present in a list of this size.
    EXPECT_GT(dismissed, 0);
    EXPECT_GT(noBirthDate, 0);
    EXPECT_GT(apostrophes, 0);
    EXPECT_GT(withChildren, 0);
}

} // namespace
