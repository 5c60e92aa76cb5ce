#include "ReportTestSupport.h"

using namespace Qt::Literals::StringLiterals;

using StreamTest = EngineTest;

TEST_F(StreamTest, MemoLayouts) {
    struct Case {
        QStringList lines;
        QByteArray bytes;
    } cases[] = {
        {{}, bytes({0, 0, 0})},
        {{u"a"_s, u""_s}, bytes({2, 0, 1, 0, 'a', 13, 0, 0, 0})},
        {{u"xy"_s}, bytes({1, 0, 2, 0, 'x', 'y', 0})},
        // Cyrillic text travels in Windows-1251
        {{u"Ля"_s}, bytes({1, 0, 2, 0, 0xCB, 0xFF, 0})},
    };
    for (const Case& c : cases) {
        TStringList l;
        l.SetStringList(c.lines);
        TMemoryStream s;
        frWriteMemo(&s, &l);
        EXPECT_EQ(s.GetBytes(), c.bytes) << c.lines.join(u'|').toStdString();
        s.SetPosition(0);
        TStringList back;
        back.Add(u"stale"_s);
        frReadMemo(&s, &back);
        EXPECT_EQ(back.ToStringList(), c.lines);
        EXPECT_EQ(s.GetPosition(), c.bytes.size());
    }
}

TEST_F(StreamTest, MemoReaderIgnoresCountAndStopsAtZeroSeparator) {
    // the count says 1, but the separators say three lines
    TMemoryStream s;
    s.SetBytes(bytes({1, 0, 1, 0, 'a', 13, 1, 0, 'b', 13, 0, 0, 0}));
    TStringList l;
    frReadMemo(&s, &l);
    EXPECT_EQ(l.ToStringList(), (QStringList{u"a"_s, u"b"_s, u""_s}));
}

TEST_F(StreamTest, StringsAndScalars) {
    TMemoryStream s;
    frWriteString(&s, u"Ab"_s);
    frWriteWord(&s, 0x1234);
    frWriteInteger(&s, -2);
    frWriteBoolean(&s, true);
    EXPECT_EQ(s.GetBytes(), bytes({2, 0, 'A', 'b', 0, 0x34, 0x12, 0xFE, 0xFF, 0xFF, 0xFF, 1}));
    s.SetPosition(0);
    EXPECT_EQ(frReadString(&s), u"Ab"_s);
    EXPECT_EQ(frReadWord(&s), 0x1234);
    EXPECT_EQ(frReadInteger(&s), -2);
    EXPECT_TRUE(frReadBoolean(&s));
    // reading past the end gives zeros and an empty string, and is noticed
    EXPECT_FALSE(frGlobals().ReadPastEnd);
    EXPECT_EQ(frReadInteger(&s), 0);
    EXPECT_EQ(frReadString(&s), QString());
    EXPECT_TRUE(frGlobals().ReadPastEnd);
}

TEST_F(StreamTest, StringTerminatorIsDroppedWhateverItsValue) {
    TMemoryStream s;
    s.SetBytes(bytes({1, 0, 'q', 7, 'z'}));
    EXPECT_EQ(frReadString(&s), u"q"_s);
    EXPECT_EQ(frReadByte(&s), 'z');
}

TEST_F(StreamTest, FontStyleWord) {
    TfrFont f;
    f.Name = u"Arial"_s;
    f.Size = 12;
    f.Style = frfsBold;
    f.Color = 0xFF;
    f.Charset = 204;
    TMemoryStream s;
    frWriteFont(&s, f);
    EXPECT_EQ(s.GetBytes(),
              bytes({5, 0, 'A', 'r', 'i', 'a', 'l', 0, 12, 0, 0, 0, 2, 0, 0xFF, 0, 0, 0, 204, 0}));
    s.SetPosition(0);
    TfrFont back;
    frReadFont(&s, back);
    EXPECT_EQ(back, f);

    EXPECT_EQ(frStyleFromStream(1), frfsItalic);
    EXPECT_EQ(frStyleFromStream(2), frfsBold);
    EXPECT_EQ(frStyleFromStream(15), frfsBold | frfsItalic | frfsUnderline | frfsStrikeOut);
    EXPECT_EQ(frStyleToStream(frfsItalic | frfsUnderline), 5);
}

TEST_F(StreamTest, OldForms) {
    struct Case {
        QByteArray bytes;
        QStringList lines;
    } cases[] = {
        {bytes({'x', 13, 0}), {u"x"_s}},
        {bytes({13, 13, 0}), {u""_s, u""_s}},
        {bytes({'a', 13, 'b', 0}), {u"a"_s, u"b"_s}},
        {bytes({0}), {}},
    };
    for (const Case& c : cases) {
        TMemoryStream s;
        s.SetBytes(c.bytes);
        TStringList l;
        frReadMemoOld(&s, &l);
        EXPECT_EQ(l.ToStringList(), c.lines);
    }
    // old strings have no length limit
    TMemoryStream s;
    QByteArray big(10000, 'k');
    big.append('\0');
    s.SetBytes(big);
    EXPECT_EQ(frReadStringOld(&s).size(), 10000);
}

TEST_F(StreamTest, VersionDispatch) {
    TMemoryStream s;
    s.SetBytes(bytes({'o', 'k', 0, 1, 0, 'n', 0}));
    frGlobals().frVersion = 22;
    EXPECT_EQ(frReadStr(&s), u"ok"_s);
    frGlobals().frVersion = 23;
    EXPECT_EQ(frReadStr(&s), u"n"_s);
}

TEST_F(StreamTest, TextHelpers) {
    EXPECT_EQ(frRemoveQuotes(u"\"\""_s), u"\"\""_s);
    EXPECT_EQ(frRemoveQuotes(u"\"a\""_s), u"a"_s);
    EXPECT_EQ(frRemoveQuotes(u"\"a"_s), u"\"a"_s);

    TStringList l;
    frSetTxtToList(u"a;;b"_s, &l);
    EXPECT_EQ(l.ToStringList(), (QStringList{u"a"_s, u""_s, u"b"_s}));
    frSetTxtToList(QString(), &l);
    EXPECT_EQ(l.Count(), 0);

    int pos = 1;
    EXPECT_EQ(frGetItem(u"one;two"_s, pos), u"one"_s);
    EXPECT_EQ(pos, 5);
    EXPECT_EQ(frGetItem(u"one;two"_s, pos), u"two"_s);
}

TEST_F(StreamTest, FindComponentByPlainAndDottedName) {
    TComponent owner(nullptr);
    auto* a = new TComponent(&owner);
    a->SetName(u"A"_s);
    TComponent form(nullptr);
    form.SetName(u"Form1"_s);
    auto* b = new TComponent(&form);
    b->SetName(u"B"_s);
    EXPECT_EQ(frFindComponent(&owner, u"A"_s), a);
    EXPECT_EQ(frFindComponent(&owner, u"Form1.B"_s), nullptr); // no global lookup installed
    frGlobals().FindGlobalComponent = [&](const QString& n) -> TComponent* {
        return n == "Form1"_L1 ? &form : nullptr;
    };
    EXPECT_EQ(frFindComponent(&owner, u"Form1.B"_s), b);
    EXPECT_EQ(frFindComponent(&owner, u"Form1.C"_s), nullptr);
    EXPECT_EQ(frFindComponent(&owner, u"Nope.B"_s), nullptr);
}
