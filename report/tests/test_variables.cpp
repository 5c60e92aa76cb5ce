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
