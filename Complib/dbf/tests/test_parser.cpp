// The expression parser over a table: expression -> value, or the exact error text.
#include "DbfTestSupport.h"
#include "Dbf_Parser.h"
#include "ParserTable.h"

#include "CodePages.h"
#include "Dates.h"

namespace {

class ParserFixture : public ::testing::Test {
protected:
    QTemporaryDir dir;
    TParserTable table{dir.filePath("p.dbf")};
    std::unique_ptr<TDbfFile>& file = table.file;
    QByteArray& rec = table.rec;
};

} // namespace

TEST_F(ParserFixture, ValuesOfExpressions) {
    struct Case {
        const char* expression;
        const char* value;
    };
    const Case cases[] = {
        {"STAJ", "123"},
        {"upper(TABNOM)+STAJ", "AB12 123"},
        {"SUBSTR('ABC', 2, 5)", ""},
        {"SUBSTR('ABCDEF', 2, 3)", "BCD"},
        {"SUBSTR('ABC', 0, 2)", "AB"},
        {"SUBSTR('ABC', 2, -1)", ""},
        {"STR(SUM, 8, 2)", "  -12.50"},
        {"STR(SUM, 4, 2)", "-12."},
        {"STR(CNT)", "-7"},
        {"STR(CNT, 4)", "-007"},
        {"STR(BIG, 3)", "456"},
        {"STR(BIG, 8, 2)", "00123456.00"},
        {"STR(1.5)", "                 2"},
        {"STR($1F)", "31"},
        {"DTOS(BORN)", "19991231"},
        {"'a' + \"b\" + STAJ", "ab123"},
        {"STR(--1.5 + SUM, 6, 1)", " -11.0"},
        {"STR(-1.5 + SUM, 6, 1)", " -14.0"},
        {"LOWER('ПРИВІТ') + UPPERCASE('є')", "привiт"
                                             "Є"}, // І is I in 866
        {"STAJ + 'unclosed", "123unclosed"},
    };
    for (const Case& c : cases) {
        TDbfParser p(file.get());
        try {
            p.ParseExpression(c.expression);
            TExprValue v = p.Evaluate(rec.constData());
            EXPECT_EQ(p.ResultType(), etString) << c.expression;
            EXPECT_EQ(FromCodePage(v.S, 866), QString::fromUtf8(c.value)) << c.expression;
        } catch (const Exception& e) {
            ADD_FAILURE() << c.expression << ": " << e.Message.toStdString();
        }
    }
    // STR's width and decimals are cut to what a field can hold: no text of any size
    for (const char* huge :
         {"STR(BIG, 666666664, 2)", "STR(SUM, 666666664, 2)", "STR(CNT, 4, 666666664)"}) {
        TDbfParser p(file.get());
        p.ParseExpression(huge);
        EXPECT_LE(p.Evaluate(rec.constData()).S.size(), 65535 + 19) << huge;
    }
}

TEST_F(ParserFixture, ResultTypesAndLengths) {
    struct Case {
        const char* expression;
        TExpressionType type;
        int length;
    };
    const Case cases[] = {
        {"STAJ", etString, 3},     {"UPPER(TABNOM)+STAJ", etString, 8},
        {"CNT", etSmallInt, 2},    {"BIG", etInteger, 4},
        {"SUM + 1.5", etFloat, 8}, {"BORN", etDateTime, 8},
        {"OK", etBoolean, 1},      {"DTOS(BORN) + TABNOM", etString, 13},
    };
    for (const Case& c : cases) {
        TDbfParser p(file.get());
        p.ParseExpression(c.expression);
        EXPECT_EQ(p.ResultType(), c.type) << c.expression;
        EXPECT_EQ(p.ResultLength(), c.length) << c.expression;
    }
    TDbfParser p(file.get());
    p.ParseExpression("SUM + 1.5");
    EXPECT_DOUBLE_EQ(p.Evaluate(rec.constData()).F, -11.0);
    EXPECT_TRUE(p.IsBareField() == false);
    p.ParseExpression("STAJ");
    EXPECT_TRUE(p.IsBareField());
}

TEST_F(ParserFixture, ErrorsOfExpressions) {
    struct Case {
        const char* expression;
        const char* error;
    };
    const Case cases[] = {
        {"(STAJ", "Unequal brackets"},
        {"STAJ)", "Unequal brackets"},
        {"TABNOM STAJ", "Missing operator between 'TABNOM' and 'STAJ'"},
        {"(STAJ)(STAJ)", "Missing operator between )("},
        {"(STAJ) 'x'", "Missing operator between ) and constant/variable"},
        {"STAJ (STAJ)", "Missing operator between constant/variable and ("},
        {"UPPER()", "Empty brackets ()"},
        {"STAJ +", "Operand/function missing"},
        {"STR('x')", "Argument type mismatch"},
        {"1 + 1.5", "Argument type mismatch"},
        {"SUBSTR('x', 1)", "Function or operand has too few arguments"},
        {"DTOS(BORN, 1)", "Function or operand has too many arguments"},
        {"STAJ - 1", "Unknown variable '-' found."},
        {"NOPE", "Index based on unknown field \"NOPE\"."},
        {"UPPER(NOPE)", "Index based on unknown field \"NOPE\"."},
        {"NOTE", "Field \"NOTE\" is an invalid field type to base index on."},
        {"UPPER(NOTE)", "Field \"NOTE\" is an invalid field type to base index on."},
    };
    for (const Case& c : cases) {
        TDbfParser p(file.get());
        try {
            p.ParseExpression(c.expression);
            ADD_FAILURE() << c.expression << ": compiled";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message.toStdString(), std::string(c.error)) << c.expression;
        }
        // the parser stays usable after an error
        p.ParseExpression("STAJ");
        EXPECT_EQ(p.Evaluate(rec.constData()).S, QByteArray("123"));
    }
}

TEST_F(ParserFixture, WordListRules) {
    EXPECT_THROW(TFunction("F", "SSSSSSS", 1, etString, [](const auto&) { return TExprValue(); }),
                 EParserException);
    try {
        TFunction f("F", "SSSSSSS", 1, etString, [](const auto&) { return TExprValue(); });
    } catch (const EParserException& e) {
        EXPECT_EQ(e.Message, "Too many arguments");
    }
    TDbfParser p(file.get());
    try {
        p.ReplaceFunction(std::make_unique<TFunction>("DTOS", "DI", 1, etString,
                                                      [](const auto&) { return TExprValue(); }));
        ADD_FAILURE();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "Cannot replace variable/function MaxFunctionArg doesn't match");
    }
    p.ParseExpression("UPPER(STAJ) + 'x'");
    try {
        p.RemoveWord("LOWER");
        ADD_FAILURE();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "Cannot undefine function/variable while expression present");
    }
}
