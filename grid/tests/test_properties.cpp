// The published properties of the grid: each setter takes effect (the layout runs again, or the
// grid only repaints), negative counts are ignored or stored as 0, and the fonts and colours
// follow the form as the application expects.
#include "GridTestSupport.h"

namespace {

class PropertyTest : public StaffColumnsTest {
protected:
    int TitleRow() { return grid->GetRowHeights(0); }
    int DataRowHeight() { return grid->GetDefaultRowHeight(); }
};

TEST_F(PropertyTest, EverySetterTakesEffect) {
    struct Case {
        const char* what;
        std::function<void()> set;
        std::function<bool()> took;
    };
    const int title = TitleRow(), row = DataRowHeight(), rows = grid->GetRowCount();
    const Case cases[] = {
        {"FooterRowCount adds rows at the bottom", [&] { grid->SetFooterRowCount(2); },
         [&] { return grid->GetRowCount() > rows + 2; }},
        {"FrozenCols fixes columns", [&] { grid->SetFrozenCols(2); },
         [&] { return grid->GetFixedCols() == 3; }},
        {"TitleHeight raises the titles", [&] { grid->SetTitleHeight(40); },
         [&] { return TitleRow() > title + 15; }},
        {"TitleLines gives lines of titles", [&] { grid->SetTitleLines(3); },
         [&] { return TitleRow() > 2 * title; }},
        {"RowHeight adds to the rows", [&] { grid->SetRowHeight(30); },
         [&] { return DataRowHeight() > row; }},
        {"RowLines gives lines per row", [&] { grid->SetRowLines(3); },
         [&] { return DataRowHeight() > 2 * row; }},
        {"RowSizingAllowed lets the base grid size rows", [&] { grid->SetRowSizingAllowed(true); },
         [&] { return static_cast<TCustomGrid*>(grid)->GetOptions().Contains(goRowSizing); }},
        {"TitleFont sizes the titles", [&] { grid->GetTitleFont()->SetSize(20); },
         [&] { return TitleRow() > title + 10; }},
        {"Flat lowers the rows", [&] { grid->SetFlat(true); },
         [&] { return DataRowHeight() == row - 2; }},
        {"ReadOnly stops editing", [&] { grid->SetReadOnly(true); },
         [&] { return !grid->CanEditModifyField(); }},
        {"FooterColor leaves the parent's colour", [&] { grid->SetFooterColor(clYellow); },
         [&] { return !grid->GetParentColor() && grid->GetFooterColor() == clYellow; }},
        {"AutoFitColWidths fits the columns to the width", [&] { grid->SetAutoFitColWidths(true); },
         [&] {
             int sum = 0;
             for (int i = 0; i < 4; ++i)
                 sum += Column(i)->GetWidth() + 1;
             return std::abs(sum + 11 + 1 - grid->GetClientWidth()) <= 1;
         }},
        {"MinAutoFitWidth widens what is fitted",
         [&] {
             grid->SetAutoFitColWidths(true);
             grid->SetMinAutoFitWidth(2000);
         },
         [&] { return Column(0)->GetWidth() + Column(1)->GetWidth() > 900; }},
        {"UseMultiTitle splits the captions",
         [&] {
             Column(0)->GetTitle()->SetCaption("Працівник|Таб. №");
             Column(1)->GetTitle()->SetCaption("Працівник|Прізвище");
             grid->SetUseMultiTitle(true);
         },
         [&] { return TitleRow() > title + title / 2; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(c.took());
        c.set();
        QApplication::processEvents();
        EXPECT_TRUE(c.took());
        // back to a plain grid for the next
        grid->SetFooterRowCount(0);
        grid->SetFrozenCols(0);
        grid->SetTitleHeight(0);
        grid->SetTitleLines(0);
        grid->SetRowHeight(0);
        grid->SetRowLines(0);
        grid->SetRowSizingAllowed(false);
        grid->GetTitleFont()->Assign(grid->GetFont());
        grid->SetFlat(false);
        grid->SetReadOnly(false);
        grid->SetFooterColor(clWindow);
        grid->SetAutoFitColWidths(false);
        grid->SetMinAutoFitWidth(0);
        grid->SetUseMultiTitle(false);
        QApplication::processEvents();
    }
}

TEST_F(PropertyTest, NegativeCountsAreIgnoredOrStoredAsNothing) {
    grid->SetFooterRowCount(1);
    grid->SetFrozenCols(1);
    grid->SetRowHeight(5);
    grid->SetRowLines(2);
    grid->SetFooterRowCount(-1);
    grid->SetFrozenCols(-1);
    grid->SetRowHeight(-3);
    grid->SetRowLines(-1);
    EXPECT_EQ(grid->GetFooterRowCount(), 1);
    EXPECT_EQ(grid->GetFrozenCols(), 1);
    EXPECT_EQ(grid->GetRowHeight(), 0);
    EXPECT_EQ(grid->GetRowLines(), 0);
}

TEST_F(PropertyTest, TitleAndFooterFontsFollowTheFormWhileTheGridFollowsIt) {
    ASSERT_TRUE(grid->GetParentFont());
    form->GetFont()->SetSize(14);
    EXPECT_EQ(grid->GetTitleFont()->GetSize(), 14);
    EXPECT_EQ(grid->GetFooterFont()->GetSize(), 14);
    EXPECT_TRUE(grid->GetParentFont());
    // a title font of the grid's own ends following the form
    grid->GetTitleFont()->SetStyle(TFontStyles{fsBold});
    EXPECT_FALSE(grid->GetParentFont());
    form->GetFont()->SetSize(9);
    EXPECT_EQ(grid->GetTitleFont()->GetSize(), 14);

    // switching automatic widths off gives the columns back the widths they had
    const int w0 = Column(0)->GetWidth(), w1 = Column(1)->GetWidth();
    grid->SetAutoFitColWidths(true);
    EXPECT_NE(Column(0)->GetWidth(), w0);
    grid->SetAutoFitColWidths(false);
    EXPECT_EQ(Column(0)->GetWidth(), w0);
    EXPECT_EQ(Column(1)->GetWidth(), w1);

    // switching dgMultiSelect off clears the marked records
    grid->SetOptions(grid->GetOptions() + TDBGridOptions{dgMultiSelect});
    grid->GetSelectedRows()->SetCurrentRowSelected(true);
    grid->SetOptions(grid->GetOptions() - TDBGridOptions{dgMultiSelect});
    EXPECT_EQ(grid->GetSelectedRows()->Count(), 0);
}

} // namespace
