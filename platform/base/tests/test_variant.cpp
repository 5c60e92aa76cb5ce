#include "Dates.h"
#include "SysUtils.h"
#include "Variant.h"
#include "TestSupport.h"

#include <functional>
#include <limits>
#include <sstream>

namespace {

Variant Cur(double v) {
    return Variant::FromCurrency(v);
}
Variant Dt(int y, int m, int d) {
    return Variant::FromDate(EncodeDate(y, m, d));
}

// A readable form of a value for failure messages: "Kind:text".
std::string Show(const Variant& v) {
    std::ostringstream os;
    os << v;
    return os.str();
}

// Same kind and same value (Null matches Null).
bool Same(const Variant& a, const Variant& b) {
    return VarType(a) == VarType(b) && (a.IsNull() || VarSameValue(a, b));
}

const int64_t Int64Max = std::numeric_limits<int64_t>::max();

} // namespace

TEST(Variant, KindsOfConstructedValues) {
    struct Row {
        Variant v;
        TVarType type;
    };
    const Row rows[] = {
        {Variant(), varEmpty},
        {Null(), varNull},
        {Unassigned(), varEmpty},
        {Variant(true), varBoolean},
        {Variant(5), varInteger},
        {Variant(int64_t(1) << 40), varInteger},
        {Variant(5u), varInteger},
        {Variant(uint64_t(Int64Max) + 1), varDouble},
        {Variant(2.5), varDouble},
        {Variant("text"), varString},
        {Variant(u'ї'), varString},
        {Variant('x'), varString},
        {Variant(QStringLiteral("текст")), varString},
        {Variant::FromDate(1.5), varDate},
        {Variant::FromCurrency(1.5), varCurrency},
        {VarArrayOf({1, 2}), TVarType(varArray | varVariant)},
    };
    for (const Row& r : rows)
        EXPECT_EQ(VarType(r.v), r.type) << Show(r.v);

    struct Pred {
        Variant v;
        bool clear, str, numeric, ordinal, flt;
    };
    const Pred preds[] = {
        {Variant(), true, false, false, false, false},
        {Null(), true, false, false, false, false},
        {Variant(true), false, false, true, true, false},
        {Variant(1), false, false, true, true, false},
        {Variant(1.0), false, false, true, false, true},
        {Cur(1), false, false, true, false, true},
        {Dt(2024, 1, 1), false, false, false, false, false},
        {Variant("1"), false, true, false, false, false},
    };
    for (const Pred& p : preds) {
        EXPECT_EQ(VarIsClear(p.v), p.clear) << Show(p.v);
        EXPECT_EQ(VarIsStr(p.v), p.str) << Show(p.v);
        EXPECT_EQ(VarIsNumeric(p.v), p.numeric) << Show(p.v);
        EXPECT_EQ(VarIsOrdinal(p.v), p.ordinal) << Show(p.v);
        EXPECT_EQ(VarIsFloat(p.v), p.flt) << Show(p.v);
    }
    EXPECT_TRUE(VarIsNull(Null()));
    EXPECT_TRUE(VarIsEmpty(Variant()));
    EXPECT_EQ(Cur(1.23456).AsCurrencyRaw(), 12346);
}

TEST(Variant, ConversionToText) {
    struct Row {
        Variant v;
        const char* text;
    };
    const Row rows[] = {
        {Variant(), ""},
        {Variant(true), "True"},
        {Variant(false), "False"},
        {Variant(-42), "-42"},
        {Variant(int64_t(1) << 40), "1099511627776"},
        {Variant(2.5), "2,5"},
        {Cur(1234.5), "1234,5"},
        {Cur(-0.0001), "-0,0001"},
        {Cur(7), "7"},
        {Variant::FromCurrencyRaw(std::numeric_limits<int64_t>::min()), "-922337203685477,5808"},
        {Dt(2024, 3, 5), "05.03.2024"},
        {Variant::FromDate(EncodeDateTime(2024, 3, 5, 14, 7, 9, 0)), "05.03.2024 14:07:09"},
        {Variant::FromDate(0.5), "12:00:00"},
        {Variant::FromDate(0.0), "30.12.1899"},
        {Variant("текст"), "текст"},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(r.v.AsString(), QString::fromUtf8(r.text)) << Show(r.v);
        EXPECT_EQ(VarToStr(r.v), QString::fromUtf8(r.text));
        EXPECT_TRUE(Same(VarAsType(r.v, varString), Variant(QString::fromUtf8(r.text))));
    }
    EXPECT_EQ(VarToStr(Null()), "");
    EXPECT_EQ(VarToStrDef(Null(), "-"), "-");
    EXPECT_EQ(MessageOf<EVariantError>([] { Null().AsString(); }),
              "Could not convert variant of type (Null) into type (String)");
    EXPECT_EQ(MessageOf<EVariantError>([] { VarArrayOf({1}).AsString(); }),
              "Could not convert variant of type (Array Variant) into type (String)");
}

TEST(Variant, ConversionToNumbersBooleansAndDates) {
    struct Row {
        Variant v;
        int64_t asInteger;
        double asDouble;
        bool asBoolean;
    };
    const Row rows[] = {
        {Variant(), 0, 0, false},        {Variant(true), -1, -1, true},
        {Variant(false), 0, 0, false},   {Variant(7), 7, 7, true},
        {Variant(2.5), 2, 2.5, true}, // to Integer: halves go to the even neighbour
        {Variant(3.5), 4, 3.5, true},    {Variant(-2.5), -2, -2.5, true},
        {Variant(2.6), 3, 2.6, true},    {Cur(2.5), 2, 2.5, true},
        {Dt(1900, 1, 1), 2, 2, true},    {Variant("42"), 42, 42, true},
        {Variant(" 42 "), 42, 42, true}, {Variant("-7"), -7, -7, true},
        {Variant("$1F"), 31, 31, true},  {Variant("2,6"), 3, 2.6, true},
        {Variant("2.5"), 2, 2.5, true},  {Variant("0"), 0, 0, false},
        {Variant("true"), -1, -1, true}, {Variant("FALSE"), 0, 0, false},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(r.v.AsInteger(), r.asInteger) << Show(r.v);
        EXPECT_DOUBLE_EQ(r.v.AsDouble(), r.asDouble) << Show(r.v);
        EXPECT_EQ(r.v.AsBoolean(), r.asBoolean) << Show(r.v);
    }
    EXPECT_EQ(Variant("05.03.2024").AsDate(), EncodeDate(2024, 3, 5));
    EXPECT_DOUBLE_EQ(Variant("05.03.2024 14:07").AsDate(), EncodeDateTime(2024, 3, 5, 14, 7, 0, 0));
    EXPECT_EQ(Variant(45356).AsDate(), EncodeDate(2024, 3, 5));
    EXPECT_EQ(Variant("1,25").AsCurrencyRaw(), 12500);
    EXPECT_EQ(Variant(3).AsType(varCurrency).AsCurrencyRaw(), 30000);
    EXPECT_TRUE(Same(Variant("1").AsType(varBoolean), Variant(true)));

    struct Bad {
        std::function<void()> f;
        const char* message;
    };
    const Bad bad[] = {
        {[] { Variant("abc").AsInteger(); }, "(String) into type (Integer)"},
        {[] { Variant("abc").AsDouble(); }, "(String) into type (Double)"},
        {[] { Variant("").AsDouble(); }, "(String) into type (Double)"},
        {[] { Variant("abc").AsBoolean(); }, "(String) into type (Boolean)"},
        {[] { Variant("31.02.2024").AsDate(); }, "(String) into type (Date)"},
        {[] { Null().AsInteger(); }, "(Null) into type (Integer)"},
        {[] { Null().AsBoolean(); }, "(Null) into type (Boolean)"},
        {[] { Null().AsType(varDouble); }, "(Null) into type (Double)"},
    };
    for (const Bad& b : bad)
        EXPECT_EQ(MessageOf<EVariantError>(b.f),
                  QStringLiteral("Could not convert variant of type ") + b.message);
    EXPECT_EQ(MessageOf<EVariantError>([] { Variant(1e30).AsInteger(); }),
              "Arithmetic overflow converting variant of type (Double) into type (Integer)");
    EXPECT_EQ(MessageOf<EVariantError>([] { Variant(int64_t(1) << 40).AsInt(); }),
              "Arithmetic overflow converting variant of type (Integer) into type (Integer)");
}

TEST(Variant, ArithmeticRules) {
    const Variant date = Dt(2024, 3, 5);
    struct Row {
        Variant a;
        char op; // + - * / d(iv) m(od) & | ^
        Variant b;
        Variant expected;
    };
    const Row rows[] = {
        // + joins texts, adds numbers; a text meeting a number becomes a Double.
        {"ab", '+', "cd", "abcd"},
        {"Іван", '+', " ", "Іван "},
        {"5", '+', 1, 6.0},
        {1, '+', "5", 6.0},
        {"1,5", '+', 1, 2.5},
        {"10", '-', "4", 6.0},
        {"3", '*', "4", 12.0},
        {2, '+', 3, 5},
        {2, '+', 0.5, 2.5},
        {Int64Max, '+', 1, 9223372036854775808.0},
        {int64_t(1) << 62, '*', 4, 18446744073709551616.0},
        // Null propagates; Empty counts as 0 (or "" next to a text).
        {Null(), '+', 1, Null()},
        {1, '+', Null(), Null()},
        {Null(), '+', "a", Null()},
        {Null(), '*', Null(), Null()},
        {Null(), '/', 0, Null()},
        {Null(), 'm', 0, Null()},
        {Null(), '&', true, Null()},
        {Variant(), '+', 1, 1},
        {Variant(), '+', "a", "a"},
        {"a", '+', Variant(), "a"},
        {Variant(), '+', Variant(), 0},
        {Variant(), '-', 2.5, -2.5},
        // Booleans count as -1 / 0.
        {true, '+', 1, 0},
        {true, '*', true, 1},
        // Currency stays exact with integers and currency.
        {Cur(1.5), '+', 2, Cur(3.5)},
        {Cur(0.1), '+', Cur(0.2), Cur(0.3)},
        {Cur(2.5), '*', 3, Cur(7.5)},
        {Cur(1.5), '*', Cur(1.5), Cur(2.25)},
        {Cur(10), '-', 0.25, 9.75},
        {Cur(1), '/', 4, 0.25},
        // Dates move by numbers; their difference is a Double.
        {date, '+', 1, Dt(2024, 3, 6)},
        {1, '+', date, Dt(2024, 3, 6)},
        {date, '-', 5, Dt(2024, 2, 29)},
        {date, '-', Dt(2024, 2, 29), 5.0},
        {date, '+', 0.5, Variant::FromDate(EncodeDateTime(2024, 3, 5, 12, 0, 0, 0))},
        {date, '*', 1, 45356.0},
        // / gives a Double; div and mod work on integers (halves to even).
        {7, '/', 2, 3.5},
        {6, '/', 3, 2.0},
        {7, 'd', 2, 3},
        {-7, 'd', 2, -3},
        {7, 'm', 3, 1},
        {-7, 'm', 3, -1},
        {5.0, 'm', 3.0, 2},
        {7.5, 'm', 2, 0},
        {"17", 'd', "5", 3},
        {std::numeric_limits<int64_t>::min(), 'd', -1, 9223372036854775808.0},
        {std::numeric_limits<int64_t>::min(), 'm', -1, 0},
        // and, or, xor: logical on booleans, bitwise otherwise.
        {true, '&', false, false},
        {true, '|', false, true},
        {true, '^', true, false},
        {12, '&', 10, 8},
        {12, '|', 10, 14},
        {12, '^', 10, 6},
        {true, '&', 6, 6},
    };
    for (const Row& r : rows) {
        Variant got;
        switch (r.op) {
        case '+':
            got = r.a + r.b;
            break;
        case '-':
            got = r.a - r.b;
            break;
        case '*':
            got = r.a * r.b;
            break;
        case '/':
            got = r.a / r.b;
            break;
        case 'd':
            got = VarIntDiv(r.a, r.b);
            break;
        case 'm':
            got = r.a % r.b;
            break;
        case '&':
            got = r.a & r.b;
            break;
        case '|':
            got = r.a | r.b;
            break;
        default:
            got = r.a ^ r.b;
            break;
        }
        EXPECT_TRUE(Same(got, r.expected)) << Show(r.a) << " " << r.op << " " << Show(r.b) << " = "
                                           << Show(got) << ", expected " << Show(r.expected);
    }

    Variant acc = "a";
    acc += "b";
    acc += Variant();
    EXPECT_TRUE(Same(acc, Variant("ab")));
    Variant n = 10;
    n -= 4;
    n *= 2;
    n /= 4;
    EXPECT_TRUE(Same(n, Variant(3.0)));
}

TEST(Variant, UnaryRules) {
    struct Row {
        Variant v;
        Variant negated, inverted;
    };
    const Row rows[] = {
        {5, -5, -6},
        {2.5, -2.5, -3}, // not rounds 2.5 to 2 first
        {Cur(1.5), Cur(-1.5), -3},
        {Dt(2024, 1, 1), Variant::FromDate(-EncodeDate(2024, 1, 1)), ~int64_t(45292)},
        {"3", -3.0, -4},
        {true, 1, false},
        {false, 0, true},
        {Variant(), 0, -1},
        {Null(), Null(), Null()},
        {std::numeric_limits<int64_t>::min(), 9223372036854775808.0, Int64Max},
    };
    for (const Row& r : rows) {
        EXPECT_TRUE(Same(-r.v, r.negated)) << Show(r.v) << " -> " << Show(-r.v);
        EXPECT_TRUE(Same(VarNot(r.v), r.inverted)) << Show(r.v) << " -> " << Show(VarNot(r.v));
    }
}

TEST(Variant, ArithmeticErrors) {
    EXPECT_EQ(MessageOf<EVariantError>([] { Variant("abc") + 1; }),
              "Could not convert variant of type (String) into type (Double)");
    EXPECT_EQ(MessageOf<EVariantError>([] { Variant("abc") - "x"; }),
              "Could not convert variant of type (String) into type (Double)");
    EXPECT_EQ(MessageOf<EVariantError>([] { -Variant("abc"); }),
              "Could not convert variant of type (String) into type (Double)");
    EXPECT_EQ(MessageOf<EZeroDivide>([] { Variant(1) / 0; }), "Floating point division by zero");
    EXPECT_EQ(MessageOf<EZeroDivide>([] { Variant(0.0) / Variant(0.0); }),
              "Floating point division by zero");
    EXPECT_EQ(MessageOf<EDivByZero>([] { VarIntDiv(1, 0); }), "Division by zero");
    EXPECT_EQ(MessageOf<EDivByZero>([] { Variant(1) % 0.4; }), "Division by zero");
    for (auto f : std::initializer_list<std::function<void()>>{
             [] { VarArrayOf({1}) + 1; }, [] { Variant(1) * VarArrayOf({1}); },
             [] { -VarArrayOf({1}); }, [] { VarNot(VarArrayOf({1})); },
             [] { (void)(VarArrayOf({1}) == 1); }})
        EXPECT_EQ(MessageOf<EVariantError>(f), "Invalid variant operation");
}

TEST(Variant, ComparisonRules) {
    const Variant date = Dt(2024, 3, 5);
    struct Row {
        Variant a, b;
        TVariantRelationship rel;       // case-sensitive
        TVariantRelationship relNoCase; // ignoring case
    };
    const Row rows[] = {
        {Null(), Null(), vrEqual, vrEqual},
        {Null(), 0, vrLessThan, vrLessThan},
        {0, Null(), vrGreaterThan, vrGreaterThan},
        {Null(), "", vrLessThan, vrLessThan},
        {Null(), Variant(), vrLessThan, vrLessThan},
        {Null(), -1e300, vrLessThan, vrLessThan},
        {Variant(), Variant(), vrEqual, vrEqual},
        {Variant(), 0, vrEqual, vrEqual},
        {Variant(), "", vrEqual, vrEqual},
        {"a", Variant(), vrGreaterThan, vrGreaterThan},
        {Variant(), false, vrEqual, vrEqual},
        {Variant(), 1, vrLessThan, vrLessThan},
        {Variant(), date, vrLessThan, vrLessThan},
        {"abc", "abd", vrLessThan, vrLessThan},
        {"abc", "abc", vrEqual, vrEqual},
        {"abc", "ABC", vrNotEqual, vrEqual}, // vrNotEqual here: only "not equal" is checked
        {"Іван", "ІВАН", vrNotEqual, vrEqual},
        {"їжак", "ЇЖАК", vrNotEqual, vrEqual},
        {1, 1.0, vrEqual, vrEqual},
        {2, 1.5, vrGreaterThan, vrGreaterThan},
        {Cur(1.5), 1.5, vrEqual, vrEqual},
        {Cur(2), 2, vrEqual, vrEqual},
        {Cur(0.0001), 0, vrGreaterThan, vrGreaterThan},
        {Int64Max, Int64Max - 1, vrGreaterThan, vrGreaterThan}, // exact, not via double
        {Int64Max - 1, double(Int64Max), vrLessThan, vrLessThan},
        {"10", 9, vrGreaterThan, vrGreaterThan}, // as numbers, not as texts
        {"2,5", 2.5, vrEqual, vrEqual},
        {date, "05.03.2024", vrEqual, vrEqual},
        {"06.03.2024", date, vrGreaterThan, vrGreaterThan},
        {date, 45356, vrEqual, vrEqual},
        {true, false, vrGreaterThan, vrGreaterThan},
        {true, "true", vrEqual, vrEqual},
        {true, -1, vrEqual, vrEqual},
        {false, 0, vrEqual, vrEqual},
    };
    for (const Row& r : rows) {
        const std::string what = Show(r.a) + " vs " + Show(r.b);
        const TVariantRelationship rel = VarCompareValue(r.a, r.b);
        const TVariantRelationship noCase = VarCompareValueNoCase(r.a, r.b);
        if (r.rel == vrNotEqual)
            EXPECT_NE(rel, vrEqual) << what;
        else
            EXPECT_EQ(rel, r.rel) << what;
        EXPECT_EQ(noCase, r.relNoCase) << what;
        EXPECT_EQ(VarSameText(r.a, r.b), r.relNoCase == vrEqual) << what;
        // The operators agree with the relation.
        EXPECT_EQ(r.a == r.b, rel == vrEqual) << what;
        EXPECT_EQ(r.a != r.b, rel != vrEqual) << what;
        EXPECT_EQ(r.a < r.b, rel == vrLessThan) << what;
        EXPECT_EQ(r.a > r.b, rel == vrGreaterThan) << what;
        EXPECT_EQ(r.a <= r.b, rel != vrGreaterThan) << what;
        EXPECT_EQ(r.a >= r.b, rel != vrLessThan) << what;
        // Swapping the sides mirrors the answer.
        const TVariantRelationship back = VarCompareValue(r.b, r.a);
        EXPECT_EQ(back == vrLessThan, rel == vrGreaterThan) << what;
        EXPECT_EQ(back == vrEqual, rel == vrEqual) << what;
    }
    EXPECT_EQ(MessageOf<EVariantError>([] { (void)(Variant("abc") < 1); }),
              "Could not convert variant of type (String) into type (Double)");
    EXPECT_EQ(MessageOf<EVariantError>([&] { (void)(Variant("x") == date); }),
              "Could not convert variant of type (String) into type (Date)");
}

TEST(Variant, Arrays) {
    Variant a = VarArrayOf({1, "два", Null()});
    EXPECT_TRUE(VarIsArray(a));
    EXPECT_EQ(VarArrayDimCount(a), 1);
    EXPECT_EQ(VarArrayLowBound(a), 0);
    EXPECT_EQ(VarArrayHighBound(a), 2);
    EXPECT_TRUE(Same(a[1], Variant("два")));
    EXPECT_TRUE(a[2].IsNull());

    // Copies are independent.
    Variant b = a;
    b[0] = 100;
    EXPECT_TRUE(Same(a[0], Variant(1)));
    EXPECT_TRUE(Same(b[0], Variant(100)));

    Variant c = VarArrayCreate(1, 3);
    EXPECT_EQ(c.LowBound(), 1);
    EXPECT_EQ(c.HighBound(), 3);
    EXPECT_EQ(c.ElementCount(), 3);
    EXPECT_TRUE(c[1].IsEmpty());
    c[3] = 2.5;
    VarArrayRedim(c, 4);
    EXPECT_TRUE(Same(c[3], Variant(2.5)));
    EXPECT_TRUE(c[4].IsEmpty());
    EXPECT_TRUE(Same(VarArrayCreate(0, 1, varInteger)[1], Variant(0)));
    EXPECT_TRUE(Same(VarArrayCreate(0, 1, varString)[0], Variant("")));
    EXPECT_EQ(VarArrayCreate(5, 4).ElementCount(), 0);

    EXPECT_EQ(MessageOf<EVariantError>([&] { c[0]; }), "Variant or safe array index out of bounds");
    EXPECT_EQ(MessageOf<EVariantError>([&] { c[5] = 1; }),
              "Variant or safe array index out of bounds");
    EXPECT_EQ(MessageOf<EVariantError>([] { VarArrayHighBound(Variant(1)); }),
              "Variant is not an array");
    EXPECT_EQ(MessageOf<EVariantError>([] { Variant(1)[0]; }), "Variant is not an array");
    EXPECT_EQ(MessageOf<EVariantError>([] { VarArrayCreate(3, 1); }),
              "Error creating variant or safe array");
}

TEST(Variant, ReportExpressionShapes) {
    // Numbers in report expressions arrive as Doubles; names as texts, dates or Null.
    const Variant surname = "Шевченко", name = "Тарас";
    EXPECT_TRUE(Same(surname + " " + name, Variant("Шевченко Тарас")));
    EXPECT_TRUE(Same(Variant(5.0) % Variant(3.0), Variant(2)));
    EXPECT_TRUE(Same(Variant(1.0) + Variant(2.0) * Variant(3.0), Variant(7.0)));
    EXPECT_TRUE(Same(Variant("Сума: ") + VarToStr(Cur(12.5)), Variant("Сума: 12,5")));
    // A Null field in a sum makes the sum Null; its text is empty.
    EXPECT_EQ(VarToStr(Null() + Variant(1.0)), "");
    // Comparing a date field with a literal date typed in the report.
    EXPECT_TRUE(Dt(2024, 3, 5) > Variant("01.01.2024"));
}
