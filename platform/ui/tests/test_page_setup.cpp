// The page-setup dialog: margins typed in millimetres with a decimal comma or point, and the
// answers it refuses (not numbers, margins that leave no room on the chosen paper).
#include "PageSetupDlg.h"
#include "UiTestSupport.h"

#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>

using namespace Qt::Literals::StringLiterals;

namespace {

TEST(PageSetupTest, MillimetresAreReadAsTyped) {
    const struct {
        QString text;
        bool ok;
        int hundredths;
    } cases[] = {
        {u"20"_s, true, 2000},        {u"12,5"_s, true, 1250}, {u"12.5"_s, true, 1250},
        {u" 7,25 "_s, true, 725},     {u"0"_s, true, 0},       {u",5"_s, true, 50},
        {u"9999,99"_s, true, 999999}, {u""_s, false, 0},       {u"двадцять"_s, false, 0},
        {u"1,2,3"_s, false, 0},       {u"-3"_s, false, 0},     {u"12,345"_s, false, 0},
        {u"10000"_s, false, 0},       {u"1 0"_s, false, 0},    {u","_s, false, 0},
        {u"١٢"_s, false, 0},
    };
    for (const auto& c : cases) {
        int h = -1;
        EXPECT_EQ(ParseMillimetres(c.text, h), c.ok) << c.text.toStdString();
        if (c.ok) {
            EXPECT_EQ(h, c.hundredths) << c.text.toStdString();
        }
    }
    for (int h : {0, 5, 725, 1250, 2000, 999999}) {
        int back = -1;
        ASSERT_TRUE(ParseMillimetres(MillimetresText(h), back)) << h;
        EXPECT_EQ(back, h);
    }
    EXPECT_EQ(MillimetresText(1250), u"12,5"_s);
    EXPECT_EQ(MillimetresText(2000), u"20"_s);
}

TEST(PageSetupTest, MarginsMustLeaveRoomOnThePaperAsTurned) {
    TPageSetupRequest r;
    r.Papers = {u"A4"_s};
    r.PaperSizes = {QSize(2100, 2970)};
    r.PaperIndex = 0;
    const struct {
        TRect margins;
        bool landscape;
        QString error; // a part of the message; empty: accepted
    } cases[] = {
        {{2000, 1500, 1000, 1500}, false, {}},
        {{10000, 0, 10999, 0}, false, {}},
        {{10000, 0, 11000, 0}, false, u"ліве й праве разом 210 мм, а ширина аркуша 210 мм"_s},
        {{0, 15000, 0, 15000}, false, u"разом 300 мм, а висота аркуша 297 мм"_s},
        {{0, 10000, 0, 11000}, true, u"верхнє й нижнє разом 210 мм, а висота аркуша 210 мм"_s},
        {{15000, 0, 10000, 0}, true, {}},
        {{-100, 0, 0, 0}, false, u"від'ємними"_s},
    };
    for (const auto& c : cases) {
        r.Margins = c.margins;
        r.Landscape = c.landscape;
        const QString e = PageSetupMarginsError(r);
        if (c.error.isEmpty())
            EXPECT_TRUE(e.isEmpty()) << e.toStdString();
        else
            EXPECT_TRUE(e.contains(c.error)) << e.toStdString();
    }
    r.PaperSizes = {QSize(0, 0)}; // a size not known: nothing to measure against
    r.Margins = TRect{90000, 0, 90000, 0};
    EXPECT_TRUE(PageSetupMarginsError(r).isEmpty());
}

// OK refuses what does not read or does not fit, with a message that names the fault, and
// stays open; a sound answer comes back whole.
TEST(PageSetupTest, TheDialogRefusesBadMarginsAndGivesBackASoundAnswer) {
    ScriptedDialogs dialogs;
    TPageSetupRequest r;
    r.PrinterName = u"PDF"_s;
    r.Papers = {u"A4"_s, u"A5"_s};
    r.PaperSizes = {QSize(2100, 2970), QSize(1480, 2100)};
    r.PaperIndex = 0;
    r.Margins = TRect{2000, 1000, 1050, 1000};
    TPageSetupDlg dlg(nullptr, r);
    EXPECT_EQ(dlg.Margin[0]->text(), u"20"_s);
    EXPECT_EQ(dlg.Margin[2]->text(), u"10,5"_s);
    EXPECT_TRUE(dlg.Portrait->isChecked());
    EXPECT_FALSE(dlg.Bin->isEnabled()) << "no bins";

    const struct {
        QString left, top, right, bottom;
        bool landscape;
        int paper;
        QString message; // a part of it
    } refused[] = {
        {u"двадцять"_s, u"10"_s, u"10"_s, u"10"_s, false, 0, u"«Ліве»: «двадцять»"_s},
        {u"20"_s, u"10"_s, u"10"_s, u"1,2,3"_s, false, 0, u"«Нижнє»: «1,2,3»"_s},
        {u"120"_s, u"10"_s, u"95"_s, u"10"_s, false, 0, u"разом 215 мм, а ширина аркуша 210"_s},
        {u"20"_s, u"70"_s, u"20"_s, u"78,5"_s, true, 1, u"висота аркуша 148 мм"_s},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.message.toStdString());
        const QString texts[4] = {c.left, c.top, c.right, c.bottom};
        for (int i = 0; i < 4; ++i)
            dlg.Margin[i]->setText(texts[i]);
        (c.landscape ? dlg.Landscape : dlg.Portrait)->setChecked(true);
        dlg.Paper->setCurrentIndex(c.paper);
        const size_t asked = dialogs.Script.Asked.size();
        dlg.setResult(QDialog::Rejected);
        dlg.accept();
        EXPECT_EQ(dlg.result(), QDialog::Rejected) << "the dialog stays open";
        ASSERT_EQ(dialogs.Script.Asked.size(), asked + 1);
        EXPECT_TRUE(dialogs.Script.Last().Text.contains(c.message))
            << dialogs.Script.Last().Text.toStdString();
        EXPECT_EQ(dialogs.Script.Last().Caption, u"Параметри сторінки"_s);
    }

    // A5 landscape (210 x 148 mm), margins with a decimal comma and point.
    const QString sound[4] = {u"12,5"_s, u"15"_s, u"10.25"_s, u" 7,5 "_s};
    for (int i = 0; i < 4; ++i)
        dlg.Margin[i]->setText(sound[i]);
    dlg.accept();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.Answer().Margins, (TRect{1250, 1500, 1025, 750}));
    EXPECT_EQ(dlg.Answer().PaperIndex, 1);
    EXPECT_TRUE(dlg.Answer().Landscape);
    EXPECT_EQ(dlg.Answer().PrinterName, u"PDF"_s);
}

} // namespace
