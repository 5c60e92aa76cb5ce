#include "ReportTestSupport.h"

using namespace Qt::Literals::StringLiterals;

using VariablesTest = EngineTest;

TEST_F(VariablesTest, NamesIgnoreCaseAndKeepFirstSpelling) {
    TfrVariables v;
    v.SetVariable(u"Boss"_s, Variant(u"Петренко"_s));
    v.SetVariable(u"boss"_s, Variant(1));
    ASSERT_EQ(v.Count(), 1);
    EXPECT_EQ(v.GetName(0), u"Boss"_s);
    EXPECT_TRUE(v.GetVariable(u"BOSS"_s) == Variant(1));
    // Cyrillic names fold too
    v.SetVariable(u"Дата"_s, Variant(2));
    EXPECT_EQ(v.IndexOf(u"ДАТА"_s), 1);
}

TEST_F(VariablesTest, OutOfRangeAndAbsent) {
    TfrVariables v;
    v.SetVariable(u"a"_s, Variant(5));
    EXPECT_TRUE(v.GetVariable(u"none"_s).IsNull());
    EXPECT_EQ(VarType(v.GetValue(v.Count())), varInteger);
    EXPECT_TRUE(v.GetValue(v.Count()) == Variant(0));
    EXPECT_EQ(v.GetName(-1), QString());
    v.Delete(v.Count());
    v.SetValue(7, Variant(1));
    v.SetName(-3, u"x"_s);
    EXPECT_EQ(v.Count(), 1);
    v.Clear();
    EXPECT_EQ(v.Count(), 0);
}

TEST_F(VariablesTest, ValuesAreCopies) {
    TfrVariables v;
    {
        QString temp = u"text"_s;
        v.SetVariable(u"t"_s, Variant(temp));
        temp[0] = u'X';
    }
    EXPECT_TRUE(v.GetVariable(u"t"_s) == Variant(u"text"_s));

    TfrVariables copy;
    copy.SetVariable(u"old"_s, Variant(1));
    TfrVariables src;
    src.SetVariable(u"A"_s, Variant(1));
    src.SetVariable(u"B"_s, Variant(2));
    copy.Assign(src);
    EXPECT_EQ(copy.Count(), 2);
    EXPECT_EQ(copy.GetName(0), u"A"_s);
}

TEST_F(VariablesTest, OrderUnsortedAndSorted) {
    TfrVariables v;
    for (const char* n : {"Times", "Boss", "Org"})
        v.SetVariable(QString::fromLatin1(n), Variant(0));
    EXPECT_EQ(v.GetName(0), u"Times"_s);
    EXPECT_EQ(v.GetName(2), u"Org"_s);

    TfrVariables& g = frGlobals().frVariables; // sorted by the engine
    for (const char* n : {"Times", "boss", "Org", "NDate"})
        g.SetVariable(QString::fromLatin1(n), Variant(0));
    QStringList names;
    for (int i = 0; i < g.Count(); ++i)
        names << g.GetName(i);
    EXPECT_EQ(names, (QStringList{u"boss"_s, u"NDate"_s, u"Org"_s, u"Times"_s}));
    EXPECT_EQ(g.IndexOf(u"ORG"_s), 2);
}

// IndexOf remembers its answers; every change of the names or their order must show in the
// next answer, in unsorted and sorted lists alike.
TEST_F(VariablesTest, LookupsFollowEveryChange) {
    for (const bool sorted : {false, true}) {
        TfrVariables v;
        v.SetSorted(sorted);
        v.SetVariable(u"Оклад"_s, Variant(1));
        v.SetVariable(u"Дата"_s, Variant(2));
        const auto where = [&v](const char16_t* Name) {
            return v.IndexOf(QString::fromUtf16(Name));
        };
        // Asked first while absent or at their first place.
        EXPECT_EQ(where(u"ПОСАДА"), -1);
        const int oklad = where(u"оклад");
        const int date = where(u"Дата");
        EXPECT_EQ(v.GetName(oklad), u"Оклад"_s);
        EXPECT_EQ(v.GetName(date), u"Дата"_s);

        v.SetVariable(u"Посада"_s, Variant(3)); // added
        ASSERT_GE(where(u"ПОСАДА"), 0);
        EXPECT_TRUE(v.GetValue(where(u"ПОСАДА")) == Variant(3));
        EXPECT_EQ(v.GetName(where(u"оклад")), u"Оклад"_s);

        v.Delete(where(u"Дата")); // removed: the others move up
        EXPECT_EQ(where(u"Дата"), -1);
        EXPECT_TRUE(v.GetValue(where(u"оклад")) == Variant(1));
        EXPECT_TRUE(v.GetValue(where(u"ПОСАДА")) == Variant(3));

        v.SetName(where(u"оклад"), u"Ставка"_s); // renamed
        EXPECT_EQ(where(u"оклад"), -1);
        EXPECT_TRUE(v.GetValue(where(u"СТАВКА")) == Variant(1));

        TfrVariables other;
        other.SetVariable(u"Табель"_s, Variant(4));
        v.Assign(other); // replaced
        EXPECT_EQ(where(u"СТАВКА"), -1);
        EXPECT_EQ(where(u"табель"), 0);
        v.Clear();
        EXPECT_EQ(where(u"табель"), -1);
    }
    // Sorting an unsorted list moves the entries.
    TfrVariables v;
    v.SetVariable(u"Я"_s, Variant(1));
    v.SetVariable(u"А"_s, Variant(2));
    EXPECT_EQ(v.IndexOf(u"а"_s), 1);
    v.SetSorted(true);
    EXPECT_EQ(v.IndexOf(u"а"_s), 0);
}
