// The locate helper over the in-memory dataset: prefixes and letter case on Cyrillic names,
// through the dataset's own Locate and through the scan, and what stays when nothing matches.
#include "DBUtils.h"
#include "MemDS.h"

#include <gtest/gtest.h>

namespace {

// The same search without the dataset's Locate: a scan from the first record.
class TScanLocate : public TLocateObject {
public:
    bool CanUseDataSetLocate() override { return false; }
    bool LocateByDataSet() override {
        ADD_FAILURE() << "the scan was asked for";
        return false;
    }
};

class LocateTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        ds.GetFieldDefs()->Add(QStringLiteral("NAME"), ftString, 30);
        ds.GetFieldDefs()->Add(QStringLiteral("TAB"), ftInteger);
        ds.Open();
        for (auto [name, tab] : {std::pair{"Шевченко Тарас", 123},
                                 {"шевчук Олена", 45},
                                 {"Іваненко Ірина", 7},
                                 {"Петренко Ігор", 1200},
                                 {"Ярема Остап", 9}})
            ds.AppendRecord({QString::fromUtf8(name), tab});
        locate = GetParam() ? std::unique_ptr<TLocateObject>(new TScanLocate)
                            : std::make_unique<TLocateObject>();
        locate->SetDataSet(&ds);
    }
    QString current() { return ds.FieldByName(QStringLiteral("NAME"))->GetAsString(); }
    TMemDataSet ds{nullptr};
    std::unique_ptr<TLocateObject> locate;
};

TEST_P(LocateTest, PrefixesAndCaseOnCyrillicNames) {
    struct Case {
        const char* Field;
        const char* Value;
        bool Exact, CaseSensitive;
        const char* Found; // null: no match, the dataset stays on the last record
    };
    const Case cases[] = {
        {"NAME", "шев", false, false, "Шевченко Тарас"},
        {"NAME", "шев", false, true, "шевчук Олена"},
        {"NAME", "ІВАН", false, false, "Іваненко Ірина"},
        {"NAME", "іван", false, true, nullptr},
        {"NAME", "Петренко Ігор", true, true, "Петренко Ігор"},
        {"NAME", "петренко ігор", true, false, "Петренко Ігор"},
        {"NAME", "Петренко", true, false, nullptr},
        {"NAME", "Коваль", false, false, nullptr},
        // numbers compare as their text
        {"TAB", "12", false, false, "Шевченко Тарас"},
        {"TAB", "120", false, false, "Петренко Ігор"},
        {"TAB", "12", true, false, nullptr},
        // an empty value is a prefix of everything: the current record stays
        {"NAME", "", false, false, "Ярема Остап"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.Field) + " " + c.Value);
        ds.Last();
        bool found = locate->Locate(QString::fromLatin1(c.Field), QString::fromUtf8(c.Value),
                                    c.Exact, c.CaseSensitive);
        EXPECT_EQ(found, c.Found != nullptr);
        EXPECT_EQ(current(), QString::fromUtf8(c.Found ? c.Found : "Ярема Остап"));
    }
}

TEST_P(LocateTest, PostsAPendingEditAndRefusesAnUnknownField) {
    ds.First();
    ds.Edit();
    ds.FieldByName(QStringLiteral("TAB"))->SetAsInteger(124);
    EXPECT_TRUE(locate->Locate(QStringLiteral("NAME"), QStringLiteral("Ярема"), false, false));
    EXPECT_EQ(ds.GetState(), dsBrowse);
    ds.First();
    EXPECT_EQ(ds.FieldByName(QStringLiteral("TAB"))->GetAsInteger(), 124);
    EXPECT_THROW(locate->Locate(QStringLiteral("NOPE"), QStringLiteral("x"), false, false),
                 EDatabaseError);
    // no dataset: nothing found
    TLocateObject none;
    EXPECT_FALSE(none.Locate(QStringLiteral("NAME"), QStringLiteral("x"), false, false));
}

INSTANTIATE_TEST_SUITE_P(DataSetAndScan, LocateTest, ::testing::Values(false, true));

TEST(DBUtils, FactoryBookmarksAndError) {
    TMemDataSet ds(nullptr);
    ds.GetFieldDefs()->Add(QStringLiteral("NAME"), ftString, 10);
    // the factory makes a plain object, or whatever the hook makes
    EXPECT_EQ(CreateLocate(&ds)->GetDataSet(), &ds);
    int made = 0;
    CreateLocateObject = [&made]() -> TLocateObject* {
        ++made;
        return new TScanLocate;
    };
    std::unique_ptr<TLocateObject> hooked = CreateLocate(&ds);
    CreateLocateObject = nullptr;
    EXPECT_EQ(made, 1);
    EXPECT_NE(dynamic_cast<TScanLocate*>(hooked.get()), nullptr);

    EXPECT_FALSE(SetToBookmark(&ds, QByteArray("x"))); // closed
    ds.Open();
    EXPECT_FALSE(SetToBookmark(&ds, QByteArray("x"))); // empty
    ds.AppendRecord({QStringLiteral("Перший")});
    TBookmark first = ds.GetBookmark();
    ds.AppendRecord({QStringLiteral("Другий")});
    EXPECT_FALSE(SetToBookmark(&ds, TBookmark()));
    EXPECT_TRUE(SetToBookmark(&ds, first));
    EXPECT_EQ(ds.FieldByName(QStringLiteral("NAME"))->GetAsString(), QStringLiteral("Перший"));
    EXPECT_THROW(SetToBookmark(&ds, QByteArray("\xff\xff\xff\xff", 4)), EDatabaseError);

    try {
        DBError(QStringLiteral("Помилка даних"));
        ADD_FAILURE() << "no error";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message, QStringLiteral("Помилка даних"));
    }
}

} // namespace
