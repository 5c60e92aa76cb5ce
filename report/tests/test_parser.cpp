#include "ReportTestSupport.h"

#include "Dates.h"

#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace {

// Operator codes shown by name, so that expected postfix texts read easily.
QString show(const QString& postfix) {
    static const char* names[] = {nullptr, "<ge>",  "<le>",   "<ne>",  "<or>",
                                  "<and>", "<int>", "<frac>", nullptr, "<neg>",
                                  "<pos>", "<str>", "<not>",  "<mod>", "<round>"};
    QString r;
    for (QChar c : postfix) {
        int u = c.unicode();
        if (u > 0 && u < 15 && names[u])
            r += QString::fromLatin1(names[u]);
        else
            r += c;
    }
    return r;
}

class ParserTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        p.OnGetValue = [this](const QString& name, Variant& v) {
            asked << name;
            if (name == "A"_L1)
                v = Variant(1);
            else if (name == "B"_L1)
                v = Variant(2);
            else if (name == "Summa"_L1)
                v = Variant(10);
            else if (name == "X"_L1)
                v = Null();
        };
        p.OnFunction = [this](const QString& name, const Variant& p1, const Variant& p2,
                              const Variant& p3, Variant& v) {
            calls << name + u'(' + VarToStr(p1) + u'|' + VarToStr(p2).trimmed() + u'|' +
                         VarToStr(p3) + u')';
            v = Variant(42);
        };
    }
    TfrParser p;
    QStringList asked;
    QStringList calls;
};

} // namespace

TEST_F(ParserTest, ConversionAndValues) {
    struct Case {
        const char* expr;
        const char* postfix;
        Variant value;
    } cases[] = {
        {"1+2*3", "1 2 3 *+", Variant(7)},
        {"(1+2)*3", "1 2 +3 *", Variant(9)},
        {"10/0", "10 0 /", Variant(0)},
        {"7/2", "7 2 /", Variant(3.5)},
        {"5 MOD 3", "5 3 <mod>", Variant(2)},
        {"INT(2.9999999999999)", "2.9999999999999 <int>", Variant(3.0)},
        {"INT(-2.7)", "2.7 <neg><int>", Variant(-2.0)},
        {"FRAC(-2.75)", "2.75 <neg><frac>", Variant(-0.75)},
        {"ROUND(2.5)", "2.5 <round>", Variant(2)},
        {"ROUND(3.5)", "3.5 <round>", Variant(4)},
        {"not 0", "0 <not>", Variant(1)},
        {"NOT 5", "5 <not>", Variant(0)},
        {"STR(X)", "X <str>", Variant(QString())},
        {"'it''s'", "'it''s' ", Variant(u"it's"_s)},
        {"'ab' + 'cd'", "'ab' 'cd' +", Variant(u"abcd"_s)},
        {"3 >= 2", "3 2 <ge>", Variant(1)},
        {"2 <> 2", "2 2 <ne>", Variant(0)},
        {"1 <= 1", "1 1 <le>", Variant(1)},
        // AND and OR bind like * and so tighter than comparisons: (a = (1 OR b)) = 2
        {"a = 1 OR b = 2", "a 1 b <or>=2 =", Variant(0)},
        {"(a = 1) OR (b = 2)", "a 1 =b 2 =<or>", Variant(2)},
        {"(a = 1) AND (b = 3)", "a 1 =b 3 =<and>", Variant(0)},
        {"-2*3", "2 3 *<neg>", Variant(-6)},
        {"2*(-3)", "2 3 <neg>*", Variant(-6)},
        {"1 = -1", "1 1 <neg>=", Variant(0)},
        {"+4", "4 <pos>", Variant(4)},
        {"[Summa] * 2", "[Summa] 2 *", Variant(20)},
        {"TRUE", "TRUE ", Variant(true)},
        {"COPY('abcdef', 2, 3)", "COPY('abcdef', 2, 3)", Variant(u"bcd"_s)},
        {"IF(1 > 2, A, B)", "IF(1 > 2, A, B)", Variant(2)},
        {"1,5 + 1", "1,5 1 +", Variant(2.5)},
        {"   ", "", Variant(0)},
        {"1 + 1; comment", "1 1 +", Variant(2)},
        {"(1 + 2", "1 2 +", Variant(3)}, // an unclosed parenthesis closes at the end
    };
    for (const Case& c : cases) {
        const QString expr = QString::fromUtf8(c.expr);
        QString postfix = p.ToPostfix(expr);
        EXPECT_EQ(show(postfix), QString::fromUtf8(c.postfix)) << c.expr;
        Variant v = p.CalcPostfix(postfix);
        EXPECT_EQ(VarType(v) == varString, VarType(c.value) == varString) << c.expr;
        EXPECT_TRUE(v == c.value) << c.expr << " gave " << VarToStr(v).toStdString();
    }
}

TEST_F(ParserTest, NamesReachTheHooks) {
    p.Calc(u"[Summa] + summa + a"_s);
    EXPECT_EQ(asked, (QStringList{u"Summa"_s, u"SUMMA"_s, u"A"_s}));

    asked.clear();
    EXPECT_TRUE(p.Calc(u"IF(1 > 2, A, B)"_s) == Variant(2));
    EXPECT_EQ(asked, QStringList{u"B"_s}); // only the chosen branch is evaluated
    asked.clear();
    EXPECT_TRUE(p.Calc(u"IF(2 > 1, A, B)"_s) == Variant(1));
    EXPECT_EQ(asked, QStringList{u"A"_s});

    EXPECT_TRUE(p.Calc(u"Lib(1, 'x')"_s) == Variant(42));
    EXPECT_EQ(calls.last(), u"LIB(1|'x'|)"_s); // upper-case name, unevaluated arguments
    EXPECT_TRUE(p.Calc(u"Arr[3]"_s) == Variant(42));
    EXPECT_EQ(calls.last(), u"GETARRAY(Arr|3|)"_s);
}

TEST_F(ParserTest, DatesAndTimes) {
    Variant d = p.Calc(u"STRTODATE('01.02.2024')"_s);
    EXPECT_EQ(VarType(d), varDate);
    EXPECT_EQ(d.AsDate(), EncodeDate(2024, 2, 1));
    Variant t = p.Calc(u"STRTOTIME('12:30')"_s);
    EXPECT_DOUBLE_EQ(t.AsDate(), EncodeTime(12, 30, 0, 0));
}

TEST_F(ParserTest, Errors) {
    // A sign right after another operator would be placed before its operand.
    for (const char* e :
         {"2*-3", "2/-3", "5 MOD -3", "a AND -b", "a OR +b", "NOT -1", "2+-3", "1 - -1"})
        EXPECT_THROW(p.ToPostfix(QString::fromUtf8(e)), EParserError) << e;
    // missing operands
    for (const char* e : {"1 +", "*", "-"})
        EXPECT_THROW(p.ToPostfix(QString::fromUtf8(e)), EParserError) << e;
    // deeper than the evaluation stack
    QString deep;
    for (int i = 0; i < 40; ++i)
        deep += u"1+("_s;
    deep += u'1' + QString(40, u')');
    EXPECT_THROW(p.ToPostfix(deep), EParserError);
    QString shallow;
    for (int i = 0; i < 20; ++i)
        shallow += u"1+("_s;
    shallow += u'1' + QString(20, u')');
    EXPECT_TRUE(p.Calc(shallow) == Variant(21));
    // more than three arguments
    EXPECT_THROW(p.ToPostfix(u"F(1, 2, 3, 4)"_s), EParserError);
    // unbalanced parentheses of a call: the platform's general exception, empty text
    try {
        p.ToPostfix(u"F(1, 2"_s);
        FAIL();
    } catch (const EParserError&) {
        FAIL();
    } catch (const Exception& e) {
        EXPECT_TRUE(e.Message.isEmpty());
    }
    EXPECT_THROW(p.Calc(u"1.2.3"_s), EConvertError);
    // a string without its closing quote is refused, not taken up to the end of the text
    for (const QString& e : {u"'abc' + 'x"_s, u"'it''s"_s, u"1 + 'x"_s, u"'"_s}) {
        SCOPED_TRACE(e.toStdString());
        EXPECT_THROW(p.ToPostfix(e), EConvertError);
        EXPECT_THROW(p.Calc(e), EConvertError);
    }
    // hand-written postfix that would underflow or overflow the stack is refused too
    EXPECT_THROW(p.CalcPostfix(u"+"_s), EParserError);
    EXPECT_THROW(p.CalcPostfix(QString(40, u'1').replace(u"1"_s, u"1 "_s)), EParserError);
}

TEST_F(ParserTest, Scanners) {
    int i = 1;
    EXPECT_EQ(p.GetIdentifier(u"  abc+1"_s, i), u"abc"_s);
    EXPECT_EQ(i, 6);
    i = 1;
    EXPECT_EQ(p.GetIdentifier(u"\"my field\"*2"_s, i), u"\"my field\""_s);
    i = 1;
    EXPECT_EQ(p.GetString(u"'a''b' rest"_s, i), u"'a''b'"_s);
    EXPECT_EQ(i, 7);
    i = 1;
    EXPECT_EQ(p.GetParameters(u"(a, f(b, c), ')')x"_s, i),
              (QStringList{u"a"_s, u" f(b, c)"_s, u" ')'"_s}));
    EXPECT_EQ(i, 18);

    int end;
    EXPECT_EQ(GetBracketedName(u"x[a[b]c]y"_s, 2, end), u"a[b]c"_s);
    EXPECT_EQ(end, 8);
    EXPECT_EQ(GetBracketedName(u"['a]']"_s, 1, end), u"'a]'"_s);
    EXPECT_EQ(GetBracketedName(u"abc"_s, 2, end), QString());
    EXPECT_EQ(end, 2);
    EXPECT_EQ(GetBracketedName(u"[abc"_s, 1, end), u"ab"_s); // never closed
}

TEST_F(ParserTest, AggregateSearch) {
    QStringList match{u"SUM"_s, u"COUNT"_s}, found;
    TfrVariables vars;
    vars.SetVariable(u"Total"_s, Variant(u"COUNT(Band1)"_s));
    TfrFunctionSplitter s(&match, &found, &vars);
    s.Split(u"SUM([Amount]) + 1"_s);
    EXPECT_EQ(found, QStringList{u"SUM([Amount])"_s});
    found.clear();
    s.Split(u"1 + [Total] * sum(IF(a, 1, 0))"_s);
    EXPECT_EQ(found, (QStringList{u"COUNT(Band1)"_s, u"sum(IF(a, 1, 0))"_s}));
    found.clear();
    s.Split(u"'SUM(x)'"_s);
    EXPECT_TRUE(found.isEmpty());
    // variables that name each other do not recurse without end
    vars.SetVariable(u"Loop"_s, Variant(u"[Loop]"_s));
    s.Split(u"[Loop]"_s);
    EXPECT_TRUE(found.isEmpty());
}
