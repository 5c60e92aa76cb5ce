#include "ReportTestSupport.h"

#include <map>

using namespace Qt::Literals::StringLiterals;

namespace {

// Compiled lines in a readable form: "IF->n cond", "GOTO n", "CALL expr", "SET name expr";
// postfix operator codes are shown as <code>.
QString showLine(const QString& line) {
    auto text = [](const QString& s) {
        QString r;
        for (QChar c : s)
            r += c.unicode() < 32 ? u'<' + QString::number(c.unicode()) + u'>' : QString(c);
        return r.trimmed();
    };
    const int code = line.isEmpty() ? 0 : line[0].unicode();
    const int target = line.size() >= 3 ? (line[1].unicode() | line[2].unicode() << 8) : 0;
    if (code == ttIf) return u"IF->"_s + QString::number(target) + u' ' + text(line.mid(3));
    if (code == ttGoto) return u"GOTO "_s + QString::number(target);
    if (code == ttProc) return u"CALL "_s + text(line.mid(1));
    return u"SET "_s + text(line);
}

// An interpreter over a plain variable store that records the functions it is asked for.
class TestInterpretator : public TfrInterpretator {
public:
    std::map<QString, Variant> vars;
    QStringList calls;
    void GetValue(const QString& Name, Variant& Value) override {
        auto it = vars.find(Name.toUpper());
        Value = it == vars.end() ? Variant(0) : it->second;
    }
    void SetValue(const QString& Name, const Variant& Value) override {
        vars[Name.toUpper()] = Value;
    }
    void DoFunction(const QString& Name, const Variant& p1, const Variant& p2, const Variant& p3,
                    Variant& val) override {
        calls << Name + u'(' + VarToStr(p1).trimmed() + u',' + VarToStr(p2).trimmed() + u',' +
                     VarToStr(p3).trimmed() + u')';
    }
    QStringList compile(const QString& source, QStringList* errors = nullptr) {
        TStringList src, out, err;
        src.SetStringList(source.split(u'\n'));
        PrepareScript(&src, &out, &err);
        if (errors) *errors = err.ToStringList();
        compiled.Assign(&out);
        QStringList r;
        for (int i = 0; i < out.Count(); ++i)
            r << showLine(out[i]);
        return r;
    }
    void run(const QString& source) {
        QStringList errors;
        compile(source, &errors);
        ASSERT_TRUE(errors.isEmpty()) << errors.join(u'\n').toStdString();
        DoScript(&compiled);
    }
    int64_t var(const char* n) { return vars[QString::fromLatin1(n)].AsInteger(); }
    TStringList compiled;
};

} // namespace

using ScriptTest = EngineTest;

TEST_F(ScriptTest, CompiledLines) {
    struct Case {
        const char* source;
        QStringList lines;
    } cases[] = {
        {"", {}},
        {"x := 1", {u"SET x 1"_s}},
        {"if a > 1 then x := 1", {u"IF->2 a 1 >"_s, u"SET x 1"_s}},
        {"if a then x := 1 else x := 2", {u"IF->3 a"_s, u"SET x 1"_s, u"GOTO 4"_s, u"SET x 2"_s}},
        {"while i < 3 do i := i + 1", {u"IF->3 i 3 <"_s, u"SET i i 1 +"_s, u"GOTO 0"_s}},
        {"repeat i := i + 1 until i >= 3", {u"SET i i 1 +"_s, u"IF->0 i 3 <1>"_s}},
        {"for i := 1 to n do x := x + i",
         {u"SET i 1"_s, u"IF->5 i n <2>"_s, u"SET x x i +"_s, u"SET i i 1 +"_s, u"GOTO 1"_s}},
        {"begin goto 5; x := 1; 5: y := 2 end", {u"GOTO 2"_s, u"SET x 1"_s, u"SET y 2"_s}},
        {"A[2] := 7", {u"CALL SETARRAY(A, 2, 7)"_s}},
        {"Exit", {u"CALL Exit(0)"_s}},
        {"ShowBand(Band1)", {u"CALL ShowBand(Band1)"_s}},
        {"begin x := 1; { end; } y := 2; // end\nend", {u"SET x 1"_s, u"SET y 2"_s}},
        {"x := 1; y := 2", {u"SET x 1"_s, u"SET y 2"_s}},
    };
    for (const Case& c : cases) {
        TestInterpretator in;
        QStringList errors;
        EXPECT_EQ(in.compile(QString::fromUtf8(c.source), &errors), c.lines) << c.source;
        EXPECT_TRUE(errors.isEmpty()) << c.source << ": " << errors.join(u'|').toStdString();
    }
}

TEST_F(ScriptTest, Effects) {
    TestInterpretator in;
    in.run(u"begin x := 0; for i := 1 to 3 do x := x + i end"_s);
    EXPECT_EQ(in.var("X"), 6);
    EXPECT_EQ(in.var("I"), 4);

    in.run(u"begin n := 0; while n < 5 do n := n + 2 end"_s);
    EXPECT_EQ(in.var("N"), 6);

    in.run(u"begin n := 10; repeat n := n + 1 until n >= 3 end"_s); // runs at least once
    EXPECT_EQ(in.var("N"), 11);

    in.run(u"if 2 > 1 then y := 1 else y := 2"_s);
    EXPECT_EQ(in.var("Y"), 1);
    in.run(u"if 2 < 1 then y := 1 else y := 2"_s);
    EXPECT_EQ(in.var("Y"), 2);

    in.run(u"begin z := 1; goto 5; z := 2; 5: z := z + 10 end"_s);
    EXPECT_EQ(in.var("Z"), 11);

    in.run(u"begin w := 1; EXIT; w := 2 end"_s);
    EXPECT_EQ(in.var("W"), 1);

    in.calls.clear();
    in.run(u"A[2] := 7"_s);
    EXPECT_EQ(in.calls, QStringList{u"SETARRAY(A,2,7)"_s});
}

TEST_F(ScriptTest, CompileErrors) {
    struct Case {
        const char* source;
        const char* error;
    } cases[] = {
        {"begin x := 1", "Line 1/13: Need \";\" or \"end\" here"},
        {"if x > 1 x := 2", "Line 1/10: Need \"then\" here"},
        {"repeat x := 1 y := 2 until x", "Line 1/15: Need \";\" or \"until\" here"},
        {"while x x := 1", "Line 1/9: Need \"do\" here"},
        {"for i := 1 do x := 1", "Line 1/12: Need \"to\" here"},
        {"for i := 1 to 2 x := 1", "Line 1/17: Need \"do\" here"},
        {"goto x", "Line 1/6: \"goto\" label must be a number"},
        {"x 1", "Line 1/3: Need \":=\" here"},
        {"x := (1 + 2", "Line 1/12: Need \")\" here"},
        {"x := [abc", "Line 1/6: Need \"]\" here"},
        {"x := f(1 2)", "Line 1/10: Need \",\" or \")\" here"},
        {"begin\n  x := 1;\n  y 2\nend", "Line 3/5: Need \":=\" here"},
        {"{ end } x 1", "Line 1/11: Need \":=\" here"},
        {"goto 7", "Line 1/6: Undefined label \"7\""},
        {"x := 'abc", "Line 1/6: Unterminated string"},
    };
    for (const Case& c : cases) {
        TestInterpretator in;
        QStringList errors;
        EXPECT_TRUE(in.compile(QString::fromUtf8(c.source), &errors).isEmpty()) << c.source;
        EXPECT_EQ(errors, QStringList{QString::fromUtf8(c.error)}) << c.source;
    }
}

TEST_F(ScriptTest, LimitsAreCompileErrors) {
    TestInterpretator in;
    QStringList errors;
    // a sign after another operator cannot be converted
    in.compile(u"x := 2 * -3"_s, &errors);
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].startsWith(u"Line 1/6: "_s)) << errors[0].toStdString();

    in.compile(u"x := '"_s + QString(32000, u'a') + u"'"_s, &errors);
    EXPECT_EQ(errors, QStringList{u"Line 1/1: Script is too long"_s});

    QString many = u"begin\n"_s;
    for (int i = 1; i <= 102; ++i)
        many += QString::number(i) + u": x := 1;\n"_s;
    many += u"end"_s;
    in.compile(many, &errors);
    EXPECT_EQ(errors, QStringList{u"Line 103/1: Too many labels"_s});
}

TEST_F(ScriptTest, AggregatesInCompiledScripts) {
    TestInterpretator in;
    QStringList errors;
    in.compile(u"begin x := SUM([Amount]) + 1; if COUNT(Band1) > 0 then y := 1 end"_s, &errors);
    ASSERT_TRUE(errors.isEmpty());
    QStringList match{u"SUM"_s, u"COUNT"_s}, found;
    in.SplitExpressions(&in.compiled, &match, &found, nullptr);
    EXPECT_EQ(found, (QStringList{u"SUM([Amount])"_s, u"COUNT(Band1)"_s}));
}
