#include "ViewFixture.h"

using namespace Qt::Literals::StringLiterals;

namespace {

class MemoTest : public ViewTest {};

// Widths are given as the width of a sample text, so that the cases hold for the font's
// metrics without naming pixels.
struct WrapCase {
    const char* name;
    QStringList lines;
    QString fit; // the text whose width the memo has inside its gaps; empty: wide enough
    int flags;
    QStringList expected; // "¶" marks the end of a paragraph
};

TEST_F(MemoTest, WrapsLinesToTheWidth) {
    const int wrap = flWordWrap, hyphen = flWordWrap | flWordBreak;
    const WrapCase cases[] = {
        {"fits", {u"Привіт, світ"_s}, {}, wrap, {u"Привіт, світ¶"_s}},
        {"breaks at the last space, which is dropped",
         {u"Відділ кадрів заводу"_s},
         u"Відділ кадрів"_s,
         wrap,
         {u"Відділ кадрів"_s, u"заводу¶"_s}},
        {"hyphenates at the last point that fits with its hyphen",
         {u"ПРОГРАМА"_s},
         u"ПРОГРА-"_s,
         hyphen,
         {u"ПРОГРА-"_s, u"МА¶"_s}},
        {"takes an earlier point when the later one does not fit",
         {u"ПРОГРАМА"_s},
         u"ПРОГ-"_s,
         hyphen,
         {u"ПРОГ-"_s, u"РАМА¶"_s}},
        {"hyphenates a Ukrainian word between its consonants",
         {u"ВІДДІЛ"_s},
         u"ВІДДІ"_s,
         hyphen,
         {u"ВІД-"_s, u"ДІЛ¶"_s}},
        {"without hyphenation a word is cut where it stops fitting",
         {u"ПРОГРАМА"_s},
         u"ПРОГРА-"_s,
         wrap,
         {u"ПРОГРА"_s, u"МА¶"_s}},
        {"a word with no hyphenation point is cut, hyphenation or not",
         {u"ШШШШШШШШ"_s},
         u"ШШШ"_s,
         hyphen,
         {u"ШШШ"_s, u"ШШШ"_s, u"ШШ¶"_s}},
        {"a character wider than the memo stands alone on its line",
         {u"ШШ"_s},
         u"і"_s,
         hyphen,
         {u"Ш"_s, u"Ш¶"_s}},
        {"empty lines stay",
         {u"Один"_s, QString(), u"Два"_s},
         {},
         wrap,
         {u"Один¶"_s, u"¶"_s, u"Два¶"_s}},
        {"a final line break adds no empty line",
         {u"Один\r\nДва\r\n"_s},
         {},
         wrap,
         {u"Один¶"_s, u"Два¶"_s}},
        {"line breaks in a row make one break",
         {u"Один\r\n\r\nДва"_s},
         {},
         wrap,
         {u"Один¶"_s, u"Два¶"_s}},
        {"without word wrap a line stays whole",
         {u"Відділ кадрів заводу"_s},
         u"Відділ"_s,
         0,
         {u"Відділ кадрів заводу¶"_s}},
    };
    for (const WrapCase& c : cases) {
        SCOPED_TRACE(c.name);
        TfrMemoView* m = memo(0, 0, 0, 100, c.lines);
        m->Flags = flStretched | c.flags;
        m->Width = (c.fit.isEmpty() ? 2000 : textWidth(m, c.fit)) + 2 * m->GapX;
        m->Memo1.Clear();
        m->Memo1.AddStrings(&m->Memo);
        m->WrapMemo();
        EXPECT_EQ(wrapped(), c.expected);
        EXPECT_EQ(frGlobals().WrappedTextHeight,
                  c.expected.size() * (m->LineSpacing + 13) + 2 * m->GapY);
    }
}

TEST(BreakWordTest, HyphenationPoints) {
    const struct {
        QString word;
        QList<int> points;
    } cases[] = {
        {u"ПРОГРАМА"_s, {4, 6}}, {u"програма"_s, {4, 6}}, // letter case does not matter
        {u"ВІДДІЛ"_s, {3}},      {u"СТОЛ"_s, {}},         // no vowel after a consonant pair
        {u"ОБЪЕМ"_s, {}},                                 // a sign letter stays with its consonant
        {u"КАДРИ"_s, {3}},       {u"ТАК"_s, {}},          // shorter than 4
        {u"АУДИТ"_s, {2}},       {u"ПОЕЗІЯ"_s, {2, 3}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(frBreakWord(c.word), c.points) << c.word.toStdString();
}

TEST_F(MemoTest, MeasuresTheHeightItsTextNeeds) {
    frGlobals().frVariables.SetVariable(u"Name"_s, Variant(u"Відділ кадрів заводу"_s));
    TfrMemoView* m = memo(0, 0, 0, 20, {u"[Name]"_s});
    m->Width = textWidth(m, u"Відділ кадрів"_s) + 2 * m->GapX;
    // 10 points are 13 pixels; a line is that and the line spacing of 2.
    EXPECT_EQ(m->MeasureHeight(), 2 * 15 + 2 * m->GapY);
    EXPECT_EQ(m->DrawMode, 1);
    EXPECT_EQ(text(m), u"[Name]\r\n"_s) << "the template text stays";
    EXPECT_EQ(QString(m->Memo1.GetText()).replace(QChar(1), QChar(0xB6)),
              u"Відділ кадрів\r\nзаводу¶\r\n"_s);

    m->LastValue = m->Memo1.GetText();
    m->Flags |= flSuppressRepeated;
    EXPECT_EQ(m->MeasureHeight(), 0) << "a suppressed repeated value takes no room";
    m->Visible = false;
    EXPECT_EQ(m->MeasureHeight(), 0);
    m->Visible = true;
    m->Memo.Clear();
    EXPECT_EQ(m->MeasureHeight(), 0);
}

TEST_F(MemoTest, MinimumAndRemainderHeights) {
    TfrMemoView* m = memo(0, 0, 100, 0, {});
    // A line is 15 pixels; the frame of width 1 counts twice, the gaps twice.
    EXPECT_EQ(m->MinimumHeight(), 2 + 2 + 15);
    const struct {
        int height, remainder;
    } cases[] = {{2 + 2 + 3 * 15, 4}, {2 + 2 + 3 * 15 + 7, 4 + 7}, {2 + 2 + 14, 4 + 14}};
    for (const auto& c : cases) {
        m->Height = c.height;
        EXPECT_EQ(m->RemainderHeight(), c.remainder) << c.height;
    }
}

TEST_F(MemoTest, PrintsExpandedTextIntoThePage) {
    frGlobals().frVariables.SetVariable(u"Summa"_s, Variant(5));
    frGlobals().frVariables.SetVariable(u"Boss"_s, Variant(u"Коваль"_s));
    newPreparedPage();
    TfrMemoView* m = memo(10, 20, 200, 18, {u"Сума: [Summa]"_s});
    m->Tag = u"[Boss]"_s;
    m->Print(pageStream());

    TfrMemoView* hidden = memo(10, 40, 200, 18, {u"[Summa]"_s});
    hidden->Visible = false;
    hidden->Print(pageStream());

    TfrMemoView* given = memo(10, 60, 200, 18, {u"[Summa]"_s});
    report->OnBeforePrint = [&](TStrings* Lines, TfrView* View) {
        if (View == given) Lines->SetText(u"[Summa] як є"_s);
    };
    given->Print(pageStream());

    const auto views = printed();
    ASSERT_EQ(views.size(), 2u) << "an invisible view prints nothing";
    EXPECT_EQ(text(views[0]), u"Сума: 5\r\n"_s);
    EXPECT_EQ(views[0]->Tag, u"Коваль"_s);
    EXPECT_EQ(m->Tag, u"[Boss]"_s) << "the template keeps its tag";
    EXPECT_EQ(text(views[1]), u"[Summa] як є\r\n"_s) << "text changed by the event is kept";
    EXPECT_EQ(views[0]->Left, 10);
    EXPECT_EQ(views[0]->Top, 20);
}

TEST_F(MemoTest, PrintsTheMeasuredTextAsWrapped) {
    newPreparedPage();
    TfrMemoView* m = memo(0, 0, 0, 18, {u"Відділ кадрів заводу"_s});
    m->Width = textWidth(m, u"Відділ кадрів"_s) + 2 * m->GapX;
    m->Height = m->MeasureHeight();
    m->Print(pageStream());
    EXPECT_EQ(m->DrawMode, 0);
    const auto views = printed();
    ASSERT_EQ(views.size(), 1u);
    EXPECT_EQ(text(views[0]), u"Відділ кадрів\r\nзаводу¶\r\n"_s);
}

TEST_F(MemoTest, PrintsASplitTextPartByPart) {
    newPreparedPage();
    newPreparedPage();
    TfrMemoView* m = memo(0, 0, 0, 30, {u"один два три чотири п'ять"_s});
    m->Width = textWidth(m, u"чотири"_s) + 2 * m->GapX;
    m->MeasureHeight();
    ASSERT_EQ(m->Memo1.Count(), 5);
    // 30 pixels hold two lines of 15 (the second ends 29 pixels down).
    m->DrawMode = 2;
    m->Print(pageStream(0));
    EXPECT_EQ(m->PrintedLines, 2);
    EXPECT_EQ(m->Memo1.Count(), 3) << "the rest waits for the next part";
    m->DrawMode = 2;
    m->Height = 100;
    m->Print(pageStream(1));

    const auto first = printed(0);
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(text(first[0]), u"один\r\nдва\r\n¶\r\n"_s)
        << "a part without a paragraph end gets a mark line, so it is not wrapped again";
    const auto second = printed(1);
    ASSERT_EQ(second.size(), 1u);
    EXPECT_EQ(text(second[0]), u"три\r\nчотири\r\nп'ять¶\r\n"_s);
}

TEST_F(MemoTest, SuppressesARepeatedValueUntilItsLastValueIsForgotten) {
    frGlobals().frVariables.SetVariable(u"Dept"_s, Variant(u"Бухгалтерія"_s));
    newPreparedPage();
    TfrMemoView* m = memo(0, 0, 200, 18, {u"[Dept]"_s});
    m->Flags |= flSuppressRepeated;
    m->Print(pageStream());
    m->Print(pageStream());
    m->LastValue.clear(); // a group break
    m->Print(pageStream());
    frGlobals().frVariables.SetVariable(u"Dept"_s, Variant(u"Склад"_s));
    m->Print(pageStream());
    const auto views = printed();
    ASSERT_EQ(views.size(), 3u);
    EXPECT_EQ(text(views[2]), u"Склад\r\n"_s);
}

TEST_F(MemoTest, HighlightAppliesWhileItsConditionHolds) {
    frGlobals().frVariables.SetVariable(u"Summa"_s, Variant(-3));
    newPreparedPage();
    TfrMemoView* m = memo(0, 0, 200, 18, {u"[Summa]"_s});
    m->HighlightCondition = u"[Summa] < 0"_s;
    m->Highlight = {2, int32_t(clRed), int32_t(clYellow)};
    m->Print(pageStream());
    frGlobals().frVariables.SetVariable(u"Summa"_s, Variant(3));
    m->Print(pageStream());
    const auto views = printed();
    ASSERT_EQ(views.size(), 2u);
    auto* hot = static_cast<TfrMemoView*>(views[0]);
    auto* cold = static_cast<TfrMemoView*>(views[1]);
    EXPECT_EQ(hot->Font.Color, clRed);
    EXPECT_EQ(hot->Font.Style, frfsBold);
    EXPECT_EQ(hot->FillColor, clYellow);
    EXPECT_EQ(cold->Font.Color, clBlack);
    EXPECT_EQ(cold->FillColor, clNone);
    EXPECT_EQ(m->Font.Color, clBlack) << "the template's look comes back";
}

TEST_F(MemoTest, BandAlignmentAtPrintTime) {
    newPreparedPage();
    TfrBand band(btMasterData, page);
    band.y = 100;
    band.dy = 50;
    band.dx = 300;
    frGlobals().ActiveBand = &band;
    TfrMemoView* bottom = memo(0, 0, 100, 20, {u"низ"_s});
    bottom->BandAlign = baBottom;
    bottom->Print(pageStream());
    TfrMemoView* top = memo(0, 0, 100, 20, {u"верх"_s});
    top->BandAlign = baTop;
    top->Print(pageStream());
    TfrBand cross(btCrossData, page);
    cross.dx = 77;
    frGlobals().ActiveBand = &cross;
    TfrMemoView* wide = memo(0, 0, 100, 20, {u"ширина"_s});
    wide->BandAlign = baWidth;
    wide->Print(pageStream());
    frGlobals().ActiveBand = nullptr;
    const auto views = printed();
    ASSERT_EQ(views.size(), 3u);
    EXPECT_EQ(views[0]->Top, 130);
    EXPECT_EQ(views[1]->Top, 100);
    EXPECT_EQ(views[2]->Width, 77);
    EXPECT_EQ(views[2]->BandAlign, baNone);
    EXPECT_EQ(wide->BandAlign, baWidth) << "the template keeps its alignment";
}

TEST_F(MemoTest, CalcWidthIsTheWidthTheTextNeeds) {
    TfrMemoView* m = memo(0, 0, 10, 20, {u"Коваль"_s});
    m->Memo1.Clear();
    m->Memo1.AddStrings(&m->Memo);
    frGlobals().ActiveView = m;
    Variant v;
    report->GetVariableValue(u"CALCWIDTH"_s, v);
    frGlobals().ActiveView = nullptr;
    EXPECT_EQ(v.AsInteger(), textWidth(m, u"Коваль"_s) + 1 + 2 * m->GapX + 1);
}

} // namespace
