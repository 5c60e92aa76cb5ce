// Format, number conversions, text helpers, comparisons and file names.
#include "SysUtils.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <functional>
#include <vector>

namespace {

const QString Sep = " "; // the thousands separator

QString N(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// Sets an environment variable for the length of a test, then puts the old value back.
class EnvGuard {
public:
    explicit EnvGuard(const char* name) : name(name), had(qEnvironmentVariableIsSet(name)) {
        old = qgetenv(name);
    }
    ~EnvGuard() {
        if (had)
            qputenv(name, old);
        else
            qunsetenv(name);
    }

private:
    const char* name;
    bool had;
    QByteArray old;
};

} // namespace

TEST(SysUtils, AbortRaisesTheSilentCancel) {
    try {
        Abort();
        FAIL() << "Abort returned";
    } catch (const Exception& e) {
        EXPECT_NE(dynamic_cast<const EAbort*>(&e), nullptr);
        EXPECT_EQ(e.Message, u"Operation aborted");
    }
}

TEST(SysUtils, FormatCases) {
    struct Case {
        QString fmt;
        std::vector<TFormatArg> args;
        QString expected;
    };
    auto fmt = [](const QString& f, const std::vector<TFormatArg>& a) {
        switch (a.size()) {
        case 0:
            return Format(f, {});
        case 1:
            return Format(f, {a[0]});
        case 2:
            return Format(f, {a[0], a[1]});
        case 3:
            return Format(f, {a[0], a[1], a[2]});
        default:
            return Format(f, {a[0], a[1], a[2], a[3]});
        }
    };
    const std::vector<Case> cases = {
        {"%d", {42}, "42"},
        {"%5d|%-5d|", {42, 42}, "   42|42   |"},
        {"%.3d", {-7}, "-007"},
        {"%3d%3d%3d", {255, 0, 12}, "255  0 12"},
        {"%x %X %.4x", {255, 255, 255}, "FF FF 00FF"},
        {"%.2x", {10}, "0A"},
        {"%x", {-1}, "FFFFFFFF"},
        {"%u", {-1}, "4294967295"},
        {"%d", {int64_t(-9000000000LL)}, "-9000000000"},
        {"%p", {255}, "00000000000000FF"},
        {"%s-%s", {"a", "b"}, "a-b"},
        {"%.2s|%4s|%-4s|", {"abcdef", "ab", "ab"}, "ab|  ab|ab  |"},
        {"%s.%s", {N("TКарта"), "Edit1"}, N("TКарта.Edit1")},
        {"%1:s %0:s %s", {"a", "b"}, "b a b"},
        {"%*d|%-*d|", {4, 7, 3, 8}, "   7|8  |"},
        {"%.*f", {1, 2.25}, "2,3"},
        {"%f", {3.14159}, "3,14"},
        {"%.2f", {1.005}, "1,01"},
        {"%.2f", {-0.005}, "-0,01"},
        {"%.0f", {2.5}, "3"},
        {"%n", {1234567.891}, "1" + Sep + "234" + Sep + "567,89"},
        {"%m", {1234.5}, "1" + Sep + N("234,50 грн.")},
        {"%m", {-3.0}, N("-3,00 грн.")},
        {"%e", {1234.5}, "1,23450000000000E+003"},
        {"%.3e", {-0.000123}, "-1,23E-004"},
        {"%g", {0.5}, "0,5"},
        {"%%%d%%", {5}, "%5%"},
        {"%c%c", {"xyz", 65}, "xA"},
        {N("Запис %d з %d"), {3, 10}, N("Запис 3 з 10")},
    };
    for (const Case& c : cases)
        EXPECT_EQ(fmt(c.fmt, c.args), c.expected) << c.fmt.toStdString();
}

TEST(SysUtils, FormatRejectsBadFormatsAndArguments) {
    struct Case {
        QString fmt;
        std::function<QString()> call;
        QString message;
    };
    const QString bad = "Format '%1' invalid or incompatible with argument";
    const std::vector<Case> cases = {
        {"%d", [] { return Format("%d", {"x"}); }, bad.arg("%d")},
        {"%d", [] { return Format("%d", {1.5}); }, bad.arg("%d")},
        {"%s", [] { return Format("%s", {1}); }, bad.arg("%s")},
        {"%f", [] { return Format("%f", {1}); }, bad.arg("%f")},
        {"%k", [] { return Format("%k", {1}); }, bad.arg("%k")},
        {"a%", [] { return Format("a%", {1}); }, bad.arg("a%")},
        {"%*d",
         [] {
             return Format("%*d", {"w", 1});
         },
         bad.arg("%*d")},
        {"%d %d", [] { return Format("%d %d", {1}); }, "No argument for format '%d %d'"},
        {"%2:d",
         [] {
             return Format("%2:d", {1, 2});
         },
         "No argument for format '%2:d'"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(MessageOf<EConvertError>([&] { c.call(); }), c.message) << c.fmt.toStdString();
}

TEST(SysUtils, FloatToStrUsesFifteenDigitsAndComma) {
    const std::vector<std::pair<double, QString>> cases = {
        {0.0, "0"},
        {-0.0, "0"},
        {12.0, "12"},
        {1.5, "1,5"},
        {-2.25, "-2,25"},
        {0.1 + 0.2, "0,3"},
        {1.0 / 3, "0,333333333333333"},
        {2.0 / 3, "0,666666666666667"},
        {123456789012345.0, "123456789012345"},
        {1e15, "1E15"},
        {-1.5e20, "-1,5E20"},
        {0.00001, "0,00001"},
        {0.000001, "1E-6"},
        {1e-300, "1E-300"},
        {120000.0 / 10000, "12"},
    };
    for (const auto& [v, expected] : cases)
        EXPECT_EQ(FloatToStr(v), expected) << v;
}

TEST(SysUtils, FloatToStrFStyles) {
    EXPECT_EQ(FloatToStrF(1234.5678, ffFixed, 15, 2), "1234,57");
    EXPECT_EQ(FloatToStrF(-1234.5678, ffFixed, 15, 0), "-1235");
    EXPECT_EQ(FloatToStrF(1234.5678, ffNumber, 15, 2), "1" + Sep + "234,57");
    EXPECT_EQ(FloatToStrF(1234.5, ffExponent, 4, 2), "1,235E+03");
    EXPECT_EQ(FloatToStrF(1234.5, ffCurrency, 15, 2), "1" + Sep + N("234,50 грн."));
    EXPECT_EQ(FloatToStrF(-5, ffCurrency, 15, 0), N("-5 грн."));
    EXPECT_EQ(FloatToStrF(0.5, ffGeneral, 15, 0), "0,5");
    EXPECT_EQ(FloatToStrF(123456.0, ffGeneral, 4, 0), "1,235E5");
}

TEST(SysUtils, FormatFloatPictures) {
    const std::vector<std::tuple<QString, double, QString>> cases = {
        {"0.00", 3.14159, "3,14"},
        {"#,##0.00", 1234567.891, "1" + Sep + "234" + Sep + "567,89"},
        {"#,##0", -1234, "-1" + Sep + "234"},
        {"#.##", 0.5, ",5"},
        {"0.##", 2.5, "2,5"},
        {"0.##", 2, "2"},
        {"000", 7, "007"},
        {"0", 2.5, "3"},
        {"0", 1234567, "1234567"},
        {"#", 0, ""},
        {"000-000", 123456, "123-456"},
        {N("0 'шт.'"), 5, N("5 шт.")},
        {"0.00;(0.00)", -1.5, "(1,50)"},
        {"0.00;;zero", 0, "zero"},
        {N("0.0;-0.0;'нуль'"), 0.01, N("нуль")},
        {"0.00", -0.001, "0,00"},
        {"0.00E+00", 1234.5, "1,23E+03"},
        {"0.00E-00", 1234.5, "1,23E03"},
        {"0.00E+00", 0.000123, "1,23E-04"},
        // placeholders after the exponent have no digits left to show
        {"#E+00#", 5, "5E+00"},
        {"E+0##", 5, "E+05"},
        {"", 1.5, "1,5"},
    };
    for (const auto& [picture, v, expected] : cases)
        EXPECT_EQ(FormatFloat(picture, v), expected) << picture.toStdString() << " " << v;
}

TEST(SysUtils, IntegerConversions) {
    const std::vector<std::pair<QString, int>> good = {
        {"12", 12},        {" 12 ", 12},
        {"-5", -5},        {"+7", 7},
        {"$FF", 255},      {"0x1f", 31},
        {"-$10", -16},     {"2147483647", 2147483647},
        {"$FFFFFFFF", -1}, {"-2147483648", int(-2147483647 - 1)},
    };
    for (const auto& [text, v] : good)
        EXPECT_EQ(StrToInt(text), v) << text.toStdString();

    for (const QString& text : {QString(), QString("12a"), QString("2147483648"), QString("1 2"),
                                QString("-"), QString("$"), QString("1.0")}) {
        EXPECT_EQ(MessageOf<EConvertError>([&] { StrToInt(text); }),
                  QString("'%1' is not a valid integer value").arg(text));
        EXPECT_EQ(StrToIntDef(text, -99), -99);
        int out = 5;
        EXPECT_FALSE(TryStrToInt(text, out));
    }

    EXPECT_EQ(StrToInt64("9223372036854775807"), INT64_MAX);
    EXPECT_EQ(StrToInt64("-9223372036854775808"), INT64_MIN);
    EXPECT_EQ(MessageOf<EConvertError>([] { StrToInt64("9223372036854775808"); }),
              "'9223372036854775808' is not a valid integer value");

    EXPECT_EQ(IntToStr(-42), "-42");
    EXPECT_EQ(IntToHex(255, 4), "00FF");
    EXPECT_EQ(IntToHex(-1, 2), "FFFFFFFF");
}

TEST(SysUtils, FloatConversions) {
    const std::vector<std::pair<QString, double>> good = {
        {"1,5", 1.5}, {"1.5", 1.5}, {" -2,5e3 ", -2500}, {",5", 0.5}, {"1,", 1}, {"+3E-2", 0.03},
    };
    for (const auto& [text, v] : good)
        EXPECT_DOUBLE_EQ(StrToFloat(text), v) << text.toStdString();

    for (const QString& text :
         {QString(), QString("1,5,3"), QString("abc"), QString("1e"), QString("inf"),
          QString("nan"), QString("1e999"), QString(","), QString("1 000")}) {
        EXPECT_EQ(MessageOf<EConvertError>([&] { StrToFloat(text); }),
                  QString("'%1' is not a valid floating point value").arg(text));
        EXPECT_EQ(StrToFloatDef(text, -1.0), -1.0);
    }
}

TEST(SysUtils, TrimRemovesControlCharactersAndBlanks) {
    const QString s = QString("\t a b \r\n") + QChar(0);
    EXPECT_EQ(Trim(s), "a b");
    EXPECT_EQ(TrimLeft(s), QString("a b \r\n") + QChar(0));
    EXPECT_EQ(TrimRight(s), "\t a b");
    EXPECT_EQ(Trim(N("\u00A0x")), N("\u00A0x")); // only characters up to the blank
}

TEST(SysUtils, CyrillicCaseFolding) {
    EXPECT_EQ(AnsiUpperCase(N("ґ і ї є абв abc ß")), N("Ґ І Ї Є АБВ ABC ß"));
    // plain ASCII: letters only, the neighbours of a-z and A-Z kept; a Cyrillic letter late
    for (const auto& [in, out] :
         std::vector<std::pair<QString, QString>>{{"", ""},
                                                  {"TAB_1", "TAB_1"},
                                                  {"kodp_2 `az{@AZ[", "KODP_2 `AZ{@AZ["},
                                                  {N("name ї"), N("NAME Ї")},
                                                  {N("NAME ї"), N("NAME Ї")}})
        EXPECT_EQ(AnsiUpperCase(in), out) << in.toStdString();
    EXPECT_TRUE(AnsiUpperCase(QString()).isNull());
    EXPECT_EQ(AnsiLowerCase(N("Ґ І Ї Є АБВ ABC")), N("ґ і ї є абв abc"));
    EXPECT_EQ(UpperCase(N("abc ґі")), N("ABC ґі"));
    EXPECT_EQ(LowerCase(N("ABC ҐІ")), N("abc ҐІ"));

    EXPECT_EQ(CompareText("abc", "ABC"), 0);
    EXPECT_NE(CompareText(N("ї"), N("Ї")), 0);
    EXPECT_TRUE(SameText("Edit1", "EDIT1"));
    EXPECT_FALSE(SameText(N("Ґанок"), N("ґанок")));
    EXPECT_TRUE(AnsiSameText(N("Ґанок Їжак Єва Іван"), N("ґАНОК їЖАК єВА іВАН")));
    EXPECT_LT(CompareStr("A", "a"), 0);
    EXPECT_EQ(CompareStr("a", "a"), 0);
}

TEST(SysUtils, AnsiCompareTextFollowsTheUkrainianAlphabet) {
    // Each word sorts before the next one.
    const QStringList ordered = {
        "1",        "9",        "apple",   "Banana",   N("école"), "fa",      "Zebra",
        N("Абрам"), N("гук"),   N("Ґава"), N("Дуб"),   N("Едем"),  N("Єва"),  N("Жук"),
        N("иван"),  N("Ірина"), N("Їжак"), N("Йосип"), N("Юрій"),  N("Яків"),
    };
    for (int i = 0; i + 1 < ordered.size(); ++i) {
        EXPECT_LT(AnsiCompareText(ordered[i], ordered[i + 1]), 0)
            << ordered[i].toStdString() << " < " << ordered[i + 1].toStdString();
        EXPECT_GT(AnsiCompareText(ordered[i + 1], ordered[i]), 0);
    }
    EXPECT_EQ(AnsiCompareText(N("ЇЖАК"), N("їжак")), 0);
    // Case decides only between otherwise equal words, lower case first.
    EXPECT_LT(AnsiCompareStr(N("ї"), N("Ї")), 0);
    EXPECT_LT(AnsiCompareStr(N("Їжак"), N("їжака")), 0);
    // Hyphens and apostrophes do not take part in the letter order.
    EXPECT_GT(AnsiCompareText(N("Петренко-Іваненко"), N("Петренков")), 0);
    EXPECT_GT(AnsiCompareText(N("Мар'яна"), N("Марта")), 0);
    EXPECT_NE(AnsiCompareText("co-op", "coop"), 0);
}

TEST(SysUtils, PosCopyDeleteInsert) {
    EXPECT_EQ(Pos("", "abc"), 0);
    EXPECT_EQ(Pos("c", "abc"), 3);
    EXPECT_EQ(Pos("bc", "abcbc"), 2);
    EXPECT_EQ(Pos("x", "abc"), 0);

    const std::vector<std::tuple<int, int, QString>> copies = {
        {2, 3, "bcd"}, {0, 2, "ab"}, {-5, 2, "ab"}, {5, 100, "ef"},
        {6, 1, "f"},   {7, 1, ""},   {3, 0, ""},    {3, -1, ""},
    };
    for (const auto& [index, count, expected] : copies)
        EXPECT_EQ(Copy("abcdef", index, count), expected) << index << "," << count;

    const std::vector<std::tuple<int, int, QString>> deletes = {
        {2, 3, "aef"},    {0, 2, "abcdef"}, {7, 1, "abcdef"},
        {5, 100, "abcd"}, {6, 1, "abcde"},  {1, 0, "abcdef"},
    };
    for (const auto& [index, count, expected] : deletes) {
        QString s = "abcdef";
        Delete(s, index, count);
        EXPECT_EQ(s, expected) << index << "," << count;
    }

    const std::vector<std::pair<int, QString>> inserts = {
        {1, "XYabc"}, {2, "aXYbc"}, {4, "abcXY"}, {99, "abcXY"}, {0, "XYabc"},
    };
    for (const auto& [index, expected] : inserts) {
        QString s = "abc";
        Insert("XY", s, index);
        EXPECT_EQ(s, expected) << index;
    }
}

TEST(SysUtils, StringReplaceAndQuotes) {
    EXPECT_EQ(StringReplace("aAbA", "a", "x", {}), "xAbA");
    EXPECT_EQ(StringReplace("aAbA", "a", "x", {rfReplaceAll}), "xAbA");
    EXPECT_EQ(StringReplace("aAba", "a", "x", {rfReplaceAll}), "xAbx");
    EXPECT_EQ(StringReplace("aAbA", "a", "x", {rfReplaceAll, rfIgnoreCase}), "xxbx");
    EXPECT_EQ(StringReplace(N("Їжак і їжак"), N("їжак"), N("кіт"), {rfReplaceAll, rfIgnoreCase}),
              N("кіт і кіт"));
    EXPECT_EQ(StringReplace("abc", "", "x", {rfReplaceAll}), "abc");
    EXPECT_EQ(StringOfChar(u'-', 3), "---");
    EXPECT_EQ(StringOfChar(u'-', -1), "");

    EXPECT_EQ(QuotedStr("it's"), "'it''s'");
    EXPECT_EQ(AnsiQuotedStr("a\"b", u'"'), "\"a\"\"b\"");
    EXPECT_EQ(AnsiQuotedStr("", u'"'), "\"\"");
    const std::vector<std::tuple<QString, QChar, QString>> dequote = {
        {"'it''s'", u'\'', "it's"},
        {"abc", u'\'', "abc"},
        {"'abc", u'\'', "'abc"},
        {"''", u'\'', ""},
        {"'a'b", u'\'', "'a'b"},
        {"\"x\"", u'"', "x"},
        {"", u'"', ""},
    };
    for (const auto& [text, quote, expected] : dequote)
        EXPECT_EQ(AnsiDequotedStr(text, quote), expected) << text.toStdString();
}

TEST(SysUtils, FileNameHelpersAcceptBothSeparators) {
    struct Case {
        QString name, path, dir, file, ext;
    };
    const std::vector<Case> cases = {
        {"C:\\Data\\kadr.gdb", "C:\\Data\\", "C:\\Data", "kadr.gdb", ".gdb"},
        {"/home/u/report.frf", "/home/u/", "/home/u", "report.frf", ".frf"},
        {"dir\\sub/file.tar.gz", "dir\\sub/", "dir\\sub", "file.tar.gz", ".gz"},
        {"noext", "", "", "noext", ""},
        {"/x.d/file", "/x.d/", "/x.d", "file", ""},
        {"/file.txt", "/", "/", "file.txt", ".txt"},
        {"C:\\file.txt", "C:\\", "C:\\", "file.txt", ".txt"},
        {"C:file.txt", "C:", "C:", "file.txt", ".txt"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ExtractFilePath(c.name), c.path) << c.name.toStdString();
        EXPECT_EQ(ExtractFileDir(c.name), c.dir) << c.name.toStdString();
        EXPECT_EQ(ExtractFileName(c.name), c.file) << c.name.toStdString();
        EXPECT_EQ(ExtractFileExt(c.name), c.ext) << c.name.toStdString();
    }
    EXPECT_EQ(ChangeFileExt("a/b.c/d.txt", ".gbk"), "a/b.c/d.gbk");
    EXPECT_EQ(ChangeFileExt("C:\\db.x\\kadr", ".gbk"), "C:\\db.x\\kadr.gbk");
    EXPECT_EQ(ChangeFileExt("x.dbf", ""), "x");

    EXPECT_EQ(IncludeTrailingPathDelimiter("/tmp"), "/tmp/");
    EXPECT_EQ(IncludeTrailingPathDelimiter("/tmp/"), "/tmp/");
    EXPECT_EQ(IncludeTrailingPathDelimiter("C:\\tmp"), "C:\\tmp\\");
    EXPECT_EQ(IncludeTrailingPathDelimiter(""), ""); // a relative name stays relative
    EXPECT_EQ(ExcludeTrailingPathDelimiter("/tmp/"), "/tmp");
    EXPECT_EQ(ExcludeTrailingPathDelimiter("C:\\x\\"), "C:\\x");
    EXPECT_EQ(ExcludeTrailingPathDelimiter("/"), "/");
}

TEST(SysUtils, FileOperations) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString dir = tmp.path();
    const QString winDir = QString(dir).replace(u'/', u'\\');
    {
        QFile f(dir + "/a.txt");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x");
    }
    EXPECT_TRUE(FileExists(dir + "/a.txt"));
    EXPECT_TRUE(FileExists(winDir + "\\a.txt"));
    EXPECT_FALSE(FileExists(dir));
    EXPECT_FALSE(FileExists(""));
    EXPECT_TRUE(DirectoryExists(winDir));
    EXPECT_FALSE(DirectoryExists(dir + "/a.txt"));

    EXPECT_TRUE(RenameFile(winDir + "\\a.txt", dir + "/b.txt"));
    EXPECT_FALSE(FileExists(dir + "/a.txt"));
    {
        QFile f(dir + "/c.txt");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    EXPECT_FALSE(RenameFile(dir + "/b.txt", dir + "/c.txt")); // never overwrites
    EXPECT_TRUE(FileExists(dir + "/b.txt"));
    EXPECT_TRUE(DeleteFile(dir + "/b.txt"));
    EXPECT_FALSE(DeleteFile(dir + "/b.txt"));
    EXPECT_FALSE(DeleteFile(dir)); // not a file

    EXPECT_TRUE(ProgramDirectory().endsWith(u'/'));
    EXPECT_TRUE(DirectoryExists(ProgramDirectory()));
}

TEST(SysUtils, SystemDirectoryFollowsTheEnvironment) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    EnvGuard g1("KADRION_CONFIG_DIR");
    EnvGuard g2("XDG_CONFIG_HOME");
    EnvGuard g3("HOME");
    qputenv("HOME", (tmp.path() + "/home").toUtf8());

    qputenv("KADRION_CONFIG_DIR", (tmp.path() + "/own/").toUtf8());
    EXPECT_EQ(SystemDirectory(), tmp.path() + "/own");
    EXPECT_TRUE(QDir(tmp.path() + "/own").exists());

    qunsetenv("KADRION_CONFIG_DIR");
    qputenv("XDG_CONFIG_HOME", tmp.path().toUtf8());
    EXPECT_EQ(SystemDirectory(), tmp.path() + "/kadrion");
    EXPECT_TRUE(QDir(tmp.path() + "/kadrion").exists());

    qputenv("XDG_CONFIG_HOME", "relative/path"); // not absolute: ignored
    EXPECT_EQ(SystemDirectory(), tmp.path() + "/home/.config/kadrion");
}
