// The display format editor: the format word shown in the lists and fields, and built back on OK.
#include "ReportTestSupport.h"
#include "FR_Fmted.h"

using namespace Qt::Literals::StringLiterals;

namespace {

int word(int Category, int Type, int Decimals, char16_t Separator) {
    return (Category << 24) | (Type << 16) | (Decimals << 8) | Separator;
}

class FormatEditorTest : public EngineTest {};

TEST_F(FormatEditorTest, ShowsTheWordInTheControls) {
    const struct {
        int format;
        QString formatStr;
        int category, type, types;
        QString decimals, separator, own;
        bool numberEnabled, ownEnabled;
    } cases[] = {
        {word(1, 3, 2, u','), u""_s, 1, 3, 5, u"2"_s, u","_s, u""_s, true, false},
        {word(1, 4, 0, u'.'), u"#,##0.000"_s, 1, 4, 5, u"0"_s, u"."_s, u"#,##0.000"_s, true, true},
        {word(2, 4, 2, u','), u"dd/mm"_s, 2, 4, 5, u""_s, u""_s, u"dd/mm"_s, false, true},
        {word(4, 1, 0, u','), u"x"_s, 4, 1, 5, u""_s, u""_s, u""_s, false, false},
        {word(0, 0, 0, u','), u""_s, 0, 0, 1, u""_s, u""_s, u""_s, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.format);
        TfrFmtForm dlg(nullptr);
        dlg.Format = c.format;
        dlg.FormatStr = c.formatStr;
        dlg.FormActivate(nullptr);
        EXPECT_EQ(dlg.CatLB->GetItems()->Count(), 5);
        EXPECT_EQ(dlg.CatLB->GetItemIndex(), c.category);
        EXPECT_EQ(dlg.TypeLB->GetItems()->Count(), c.types);
        EXPECT_EQ(dlg.TypeLB->GetItemIndex(), c.type);
        EXPECT_EQ(dlg.DecEdit->GetText(), c.decimals);
        EXPECT_EQ(dlg.SplEdit->GetText(), c.separator);
        EXPECT_EQ(dlg.FormatEdit->GetText(), c.own);
        EXPECT_EQ(dlg.DecEdit->GetEnabled(), c.numberEnabled);
        EXPECT_EQ(dlg.SplEdit->GetEnabled(), c.numberEnabled);
        EXPECT_EQ(dlg.FormatEdit->GetEnabled(), c.ownEnabled);
    }
    TfrFmtForm dlg(nullptr);
    dlg.Format = word(3, 0, 0, u',');
    dlg.FormActivate(nullptr);
    EXPECT_EQ(dlg.TypeLB->GetItems()->Get(2), u"02:43"_s);
}

TEST_F(FormatEditorTest, OkBuildsTheWordAndCancelKeepsIt) {
    const struct {
        int category, type;
        QString decimals, separator, own;
        TModalResult result;
        int format;
        QString formatStr;
    } cases[] = {
        {1, 1, u"3"_s, u"."_s, u""_s, mrOk, word(1, 1, 3, u'.'), u"old"_s},
        {1, 2, u"два"_s, u""_s, u""_s, mrOk, word(1, 2, 0, u','), u"old"_s},
        {1, 4, u"1"_s, u","_s, u"0.0"_s, mrOk, word(1, 4, 1, u','), u"0.0"_s},
        {1, 0, u"1"_s, u"ж"_s, u""_s, mrOk, word(1, 0, 1, u','), u"old"_s},
        {2, 1, u""_s, u""_s, u""_s, mrOk, word(2, 1, 0, u','), u"old"_s},
        {2, 1, u""_s, u""_s, u""_s, mrCancel, word(4, 2, 0, u'.'), u"old"_s},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.decimals.toStdString() + " " + std::to_string(c.category));
        TfrFmtForm dlg(nullptr);
        dlg.Format = word(4, 2, 0, u'.');
        dlg.FormatStr = u"old"_s;
        dlg.FormActivate(nullptr);
        dlg.CatLB->SetItemIndex(c.category);
        dlg.CatLBClick(nullptr);
        dlg.TypeLB->SetItemIndex(c.type);
        dlg.ShowControls();
        dlg.DecEdit->SetText(c.decimals);
        dlg.SplEdit->SetText(c.separator);
        if (dlg.FormatEdit->GetEnabled()) dlg.FormatEdit->SetText(c.own);
        dlg.SetModalResult(c.result);
        dlg.FormDeactivate(nullptr);
        EXPECT_EQ(dlg.Format, c.format);
        EXPECT_EQ(dlg.FormatStr, c.formatStr);
    }
}

} // namespace
