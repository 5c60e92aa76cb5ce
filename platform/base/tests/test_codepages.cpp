// Code-page tables, conversions, the rule for missing characters and Cyrillic case folding.
#include "CodePages.h"
#include "SysUtils.h"

#include <QSet>
#include <QStringDecoder>
#include <gtest/gtest.h>

#include <vector>

namespace {

QString N(const char* utf8) {
    return QString::fromUtf8(utf8);
}

QByteArray AllBytes() {
    QByteArray all(256, 0);
    for (int b = 0; b < 256; ++b)
        all[b] = char(b);
    return all;
}

const std::vector<int> OwnTables = {1251, 866, 1252, 437, 850, 620, 867, 895};

} // namespace

TEST(CodePages, DefaultsAndUnsupportedPages) {
    EXPECT_EQ(DefaultCodePage(), 1251);
    EXPECT_EQ(OemCodePage(), 866);
    EXPECT_EQ(ToCodePage(N("Їжак")), QByteArray("\xAF\xE6\xE0\xEA"));
    EXPECT_EQ(FromCodePage(QByteArray("\xAF\xE6\xE0\xEA")), N("Їжак"));
    // A page nobody can convert: reported as such, and converted as the default page.
    EXPECT_FALSE(CodePageSupported(12345));
    EXPECT_FALSE(CodePageSupported(0));
    EXPECT_EQ(ToCodePage(N("Їжак"), 12345), QByteArray("\xAF\xE6\xE0\xEA"));
    EXPECT_EQ(FromCodePage(QByteArray("\xB2"), 12345), N("І"));
}

TEST(CodePages, OwnTablesRoundTripEveryByte) {
    const QByteArray all = AllBytes();
    for (int cp : OwnTables) {
        ASSERT_TRUE(CodePageSupported(cp)) << cp;
        const QString text = FromCodePage(all, cp);
        ASSERT_EQ(text.size(), 256) << cp;
        EXPECT_EQ(ToCodePage(text, cp), all) << cp;
        QSet<QChar> distinct(text.begin(), text.end());
        EXPECT_EQ(distinct.size(), 256) << cp;
        for (int b = 0; b < 128; ++b)
            EXPECT_EQ(text[b], QChar(char16_t(b))) << cp << " byte " << b;
        for (int b = 0; b < 256; ++b) {
            const QChar c = CharFromCodePage(static_cast<unsigned char>(b), cp);
            EXPECT_EQ(static_cast<unsigned char>(CharToCodePage(c, cp)), b) << cp << " byte " << b;
            EXPECT_TRUE(CodePageHasChar(cp, c)) << cp << " byte " << b;
        }
    }
}

TEST(CodePages, KnownBytesOfTheOwnTables) {
    struct Case {
        int cp;
        unsigned char byte;
        char16_t ch;
    };
    const std::vector<Case> cases = {
        {1251, 0xA5, u'Ґ'}, {1251, 0xB4, u'ґ'},   {1251, 0xAA, u'Є'},   {1251, 0xBA, u'є'},
        {1251, 0xAF, u'Ї'}, {1251, 0xBF, u'ї'},   {1251, 0xB2, u'І'},   {1251, 0xB3, u'і'},
        {1251, 0xB9, u'№'}, {1251, 0xA8, u'Ё'},   {1251, 0xC0, u'А'},   {1251, 0xFF, u'я'},
        {1251, 0x88, u'€'}, {1251, 0xA0, 0x00A0}, {1251, 0x98, 0x0098}, // undefined byte
        {866, 0x80, u'А'},  {866, 0xAF, u'п'},    {866, 0xE0, u'р'},    {866, 0xF2, u'Є'},
        {866, 0xF4, u'Ї'},  {866, 0xFC, u'№'},    {866, 0xB0, u'░'},    {866, 0xFF, 0x00A0},
        {1252, 0x80, u'€'}, {1252, 0x81, 0x0081}, {1252, 0x9F, u'Ÿ'},   {1252, 0xE9, u'é'},
        {437, 0x80, u'Ç'},  {437, 0xE1, u'ß'},    {437, 0xE6, u'µ'},    {437, 0x9E, u'₧'},
        {850, 0x9B, u'ø'},  {850, 0xD5, u'ı'},    {850, 0xF2, u'‗'},    {620, 0x86, u'ą'},
        {620, 0x92, u'ł'},  {620, 0xA7, u'ż'},    {895, 0x80, u'Č'},    {895, 0xA9, u'ř'},
        {867, 0x96, u'ů'},  {895, 0xB0, u'░'},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CharFromCodePage(c.byte, c.cp).unicode(), c.ch)
            << c.cp << " byte " << int(c.byte);
        EXPECT_EQ(static_cast<unsigned char>(CharToCodePage(QChar(c.ch), c.cp)), c.byte) << c.cp;
    }
}

// Qt's converters are an independent reader of the same pages.
TEST(CodePages, OwnTablesAgreeWithQtConverters) {
    const std::vector<std::pair<int, const char*>> pages = {
        {1251, "windows-1251"}, {866, "IBM866"}, {1252, "windows-1252"},
        {437, "IBM437"},        {850, "IBM850"},
    };
    for (const auto& [cp, name] : pages) {
        if (!QStringDecoder(name).isValid()) continue;
        for (int b = 0x80; b < 0x100; ++b) {
            const QChar mine = CharFromCodePage(static_cast<unsigned char>(b), cp);
            if (mine.category() == QChar::Other_Control) continue; // undefined byte
            if (cp == 437 && b == 0xE6)
                continue; // Qt reads it as the Greek mu, the platform as the micro sign
            QStringDecoder dec(name);
            const QString theirs = dec.decode(QByteArray(1, char(b)));
            EXPECT_EQ(theirs, QString(mine)) << cp << " byte " << b;
        }
    }
}

TEST(CodePages, EveryLanguageDriverPageIsSupported) {
    for (int cp : {437, 620, 850, 852, 857, 860, 862, 863,  865,  866,
                   867, 868, 874, 932, 936, 949, 950, 1250, 1252, 1251})
        EXPECT_TRUE(CodePageSupported(cp)) << cp;
    const QList<int> list = SupportedCodePages();
    EXPECT_TRUE(list.contains(1251));
    EXPECT_TRUE(std::is_sorted(list.begin(), list.end()));
}

TEST(CodePages, QtSingleBytePagesRoundTripTheirDefinedBytes) {
    for (int cp : SupportedCodePages()) {
        if (IsDoubleByteCodePage(cp)) continue;
        const QString text = FromCodePage(AllBytes(), cp);
        ASSERT_EQ(text.size(), 256) << cp;
        for (int b = 0; b < 256; ++b) {
            if (text[b] == QChar(0xFFFD)) continue;
            EXPECT_EQ(static_cast<unsigned char>(CharToCodePage(text[b], cp)), b)
                << cp << " byte " << b;
        }
        EXPECT_EQ(ToCodePage("Plain ASCII 0-9 ~", cp), QByteArray("Plain ASCII 0-9 ~")) << cp;
    }
    // Spot checks of pages Qt converts.
    EXPECT_EQ(ToCodePage(N("Łódź"), 852), QByteArray("\x9D\xA2"
                                                     "d\xAB"));
    EXPECT_EQ(ToCodePage(N("Łódź"), 1250), QByteArray("\xA3\xF3"
                                                      "d\x9F"));
    EXPECT_EQ(FromCodePage(QByteArray("\xC1\xE8\xE1"), 1253), N("Αθα"));
}

TEST(CodePages, DoubleBytePages) {
    struct Case {
        int cp;
        const char* text;
        QByteArray bytes;
    };
    const std::vector<Case> cases = {
        {932, "日本語 ok", QByteArray("\x93\xFA\x96\x7B\x8C\xEA ok")},
        {936, "中文", QByteArray("\xD6\xD0\xCE\xC4")},
        {949, "한국", QByteArray("\xC7\xD1\xB1\xB9")},
        {950, "中文", QByteArray("\xA4\xA4\xA4\xE5")},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(IsDoubleByteCodePage(c.cp));
        EXPECT_EQ(ToCodePage(N(c.text), c.cp), c.bytes) << c.cp;
        EXPECT_EQ(FromCodePage(c.bytes, c.cp), N(c.text)) << c.cp;
    }
    // Missing characters follow the same rule: Ґ becomes Г (JIS has Russian letters), é becomes e.
    EXPECT_EQ(FromCodePage(ToCodePage(N("Ґé€"), 932), 932), N("Гe?"));
    EXPECT_EQ(CharFromCodePage(0x93, 932), QChar(0xFFFD)); // a lead byte alone
    EXPECT_EQ(CharToCodePage(u'A', 932), 'A');
}

TEST(CodePages, CharactersAPageLacks) {
    struct Case {
        int cp;
        const char* text;
        const char* back; // the text read back from the page
    };
    const std::vector<Case> cases = {
        {866, "Ґанок і Іван", "Ганок i Iван"},
        {866, "Їжак Єва Ўладзь", "Їжак Єва Ўладзь"}, // 866 has these
        {866, "café – “так” ’", "cafe - \"так\" '"},
        {1251, "Zażółć", "Zazolc"},
        {1252, "Zażółć", "Zazólc"},
        {1252, "Привіт", "????i?"},
        {437, "Їжак", "I???"},
        {1251, "a😀b", "a?b"},    // one character outside the 16-bit range, one '?'
        {1251, "x\u0301", "x?"}, // a lone accent has no closest letter
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FromCodePage(ToCodePage(N(c.text), c.cp), c.cp), N(c.back))
            << c.cp << " " << c.text;
        // Appended to bytes already there, the same bytes follow them.
        QByteArray appended("head:");
        AppendToCodePage(appended, N(c.text), c.cp);
        EXPECT_EQ(appended, "head:" + ToCodePage(N(c.text), c.cp)) << c.cp << " " << c.text;
    }
    QByteArray appended("\x01");
    AppendToCodePage(appended, N("中文"), 936);
    EXPECT_EQ(appended, QByteArray("\x01\xD6\xD0\xCE\xC4"));

    EXPECT_EQ(CharToCodePage(u'І', 866), 'I');
    EXPECT_EQ(CharToCodePage(u'ґ', 866), '\xA3');
    EXPECT_FALSE(CodePageHasChar(866, u'І'));
    EXPECT_TRUE(CodePageHasChar(866, u'Ї'));
    EXPECT_EQ(AnsiToOem(QByteArray("\xB2\xB3\xAF\xA5")), QByteArray("Ii\xF4\x83"));
    EXPECT_EQ(OemToAnsi(QByteArray("\xF4\x80\xEF")), QByteArray("\xAF\xC0\xFF"));
    EXPECT_EQ(ConvertCodePage(QByteArray("\xC0"), 1251, 1252), QByteArray("?"));
}

// Upper and lower case of every Windows-1251 letter pair, checked through the bytes.
TEST(CodePages, CyrillicCaseFoldingOverWindows1251) {
    std::vector<std::pair<unsigned char, unsigned char>> pairs = {
        {0xA5, 0xB4}, {0xB2, 0xB3}, {0xAF, 0xBF}, {0xAA, 0xBA}, {0xA8, 0xB8},
        {0xA1, 0xA2}, {0x80, 0x90}, {0x81, 0x83}, {0x8A, 0x9A}, {0x8C, 0x9C},
        {0x8D, 0x9D}, {0x8E, 0x9E}, {0x8F, 0x9F}, {0xA3, 0xBC}, {0xBD, 0xBE},
    };
    for (int b = 0xC0; b < 0xE0; ++b)
        pairs.emplace_back(static_cast<unsigned char>(b), static_cast<unsigned char>(b + 0x20));
    for (const auto& [upper, lower] : pairs) {
        const QString u = FromCodePage(QByteArray(1, char(upper)));
        const QString l = FromCodePage(QByteArray(1, char(lower)));
        EXPECT_EQ(ToCodePage(AnsiUpperCase(l)), QByteArray(1, char(upper))) << int(lower);
        EXPECT_EQ(ToCodePage(AnsiLowerCase(u)), QByteArray(1, char(lower))) << int(upper);
        EXPECT_EQ(AnsiCompareText(u, l), 0) << int(upper);
        EXPECT_EQ(UpperCase(l), l) << int(lower); // the ASCII-only form leaves them alone
    }
}
