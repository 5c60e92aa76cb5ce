// The card list's grid and the card's lookup combo box on the X server, driven as a user does:
// the wheel over the records, the scroll bars, a taller window; the combo box's list opened
// with a click, searched by typing in Ukrainian and chosen from with a click or the keys.
#include "CardListGrid.h"
#include "DBLookupEh.h"
#include "X11Test.h"

#include <QScrollBar>
#include <QWidget>

namespace {

// A point of a window's scroll bar: Along pixels from its start (negative: from its end).
QPoint OnBar(TWinControl* C, int Bar, int Along) {
    QScrollBar* b = WindowScrollBar(C->GetHandle(), Bar);
    if (!b) return QPoint(-1, -1);
    const bool vert = Bar == SB_VERT;
    const int len = vert ? b->height() : b->width();
    const int at = Along < 0 ? len + Along : Along;
    const QPoint local = vert ? QPoint(b->width() / 2, at) : QPoint(at, b->height() / 2);
    return C->GetHandle()->mapFromGlobal(b->mapToGlobal(local));
}

class GridCardListOnX11 : public X11Test {
protected:
    void SetUp() override {
        X11Test::SetUp();
        if (IsSkipped()) return;
        form = MakeCardList(1000);
        form->SetBounds(30, 30, 980, 520);
        form->Show();
        ASSERT_TRUE(X11::WaitActive(form->GetHandle()));
        grid = form->Grid;
        ds = form->Employees;
        grid->SetFocus();
        X11::Flush();
    }
    void TearDown() override {
        delete form;
        X11Test::TearDown();
    }
    QString Top() { return grid->GetDataLink()->GetRecordCount() > 0 ? ShownTab(0) : QString(); }
    QString ShownTab(int Row) {
        TGridDataLinkEh* link = grid->GetDataLink();
        const int saved = link->GetActiveRecord();
        link->SetActiveRecord(Row);
        QString s = ds->FieldByName("TAB")->GetAsString();
        link->SetActiveRecord(saved);
        return s;
    }
    bool FooterAtBottom() {
        const TRect f = grid->CellRect(1, grid->GetRowCount() - 1);
        return f.Bottom + 1 == grid->GetClientHeight();
    }
    TCardListForm* form = nullptr;
    TDBGridEh* grid = nullptr;
    TMemDataSet* ds = nullptr;
};

TEST_F(GridCardListOnX11, TheWheelAndTheScrollBarsMoveTheRecordsUnderTheRows) {
    X11::Screenshot(QStringLiteral("card-list"));
    const int shown = grid->VisibleDataRowCount();
    ASSERT_GT(shown, 10);
    EXPECT_EQ(grid->GetFooterValue(0, grid->GetColumns()->GetItems(1)), "1000");
    EXPECT_TRUE(FooterAtBottom());

    // the wheel moves the current record, the rows stay
    ASSERT_TRUE(X11::Wheel(grid->GetHandle(), QPoint(200, 80), 3));
    EXPECT_EQ(ds->RecNo(), 4);
    EXPECT_EQ(Top(), "00001");
    EXPECT_EQ(grid->GetRow(), 4);
    // the arrow of the vertical bar goes one record past the last shown
    ASSERT_TRUE(X11::Click(grid->GetHandle(), OnBar(grid, SB_VERT, -6)));
    EXPECT_TRUE(X11::WaitFor([&] { return ds->RecNo() == shown + 1; }));
    EXPECT_EQ(Top(), "00002");
    // the track below the thumb pages down
    ASSERT_TRUE(X11::Click(grid->GetHandle(), OnBar(grid, SB_VERT, -40)));
    EXPECT_TRUE(X11::WaitFor([&] { return ds->RecNo() == 2 * shown + 1; }));
    X11::Screenshot(QStringLiteral("card-list-paged"));

    // the horizontal bar scrolls the columns; the three frozen ones stay
    const int frozenRight = grid->CellRect(3, 0).Right;
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(X11::Click(grid->GetHandle(), OnBar(grid, SB_HORZ, -6)));
    EXPECT_TRUE(X11::WaitFor([&] { return grid->GetLeftCol() > grid->GetFixedCols(); }));
    EXPECT_EQ(grid->GetFixedCols(), 4);
    EXPECT_EQ(grid->CellRect(3, 0).Right, frozenRight);
    X11::Screenshot(QStringLiteral("card-list-scrolled-right"));

    // a taller window shows more records, the footer stays at the bottom
    ASSERT_TRUE(
        X11::XDoTool({QStringLiteral("windowsize"), QString::number(form->GetHandle()->winId()),
                      QStringLiteral("980"), QStringLiteral("700")}));
    EXPECT_TRUE(X11::WaitFor([&] { return grid->VisibleDataRowCount() > shown + 5; }));
    EXPECT_TRUE(X11::WaitFor([&] { return FooterAtBottom(); }));
    EXPECT_EQ(grid->GetRow(), grid->GetTitleOffset() + grid->GetDataLink()->GetActiveRecord());
    X11::Screenshot(QStringLiteral("card-list-taller"));
}

// The card's subdivision: KODP_2 of the employee shown as NAIPODR of the subdivisions.
class GridLookupOnX11 : public X11Test {
protected:
    void SetUp() override {
        X11Test::SetUp();
        if (IsSkipped()) return;
        card = std::make_unique<TSubdivisionCard>(std::initializer_list<Variant>{2},
                                                  TRect{60, 60, 480, 360});
        auto* label = new TLabel(card->Form);
        label->SetParent(card->Form);
        label->SetBounds(10, 14, 80, 16);
        label->SetCaption(QStringLiteral("Підрозділ"));
        combo = card->Combo;
        combo->GetDropDownBox()->Rows = 8;
        combo->GetDropDownBox()->Sizable = true;
        card->Form->Show();
        ASSERT_TRUE(X11::WaitActive(card->Form->GetHandle()));
        combo->SetFocus();
        X11::Flush();
    }
    void TearDown() override {
        card.reset();
        X11Test::TearDown();
    }
    std::unique_ptr<TSubdivisionCard> card;
    TDBLookupComboboxEh* combo = nullptr;
};

TEST_F(GridLookupOnX11, TheListOpensWithAClickAndGivesTheChosenSubdivision) {
    const QString second = card->Podr.Lookup("KODP", 2, "NAIPODR").AsString();
    EXPECT_EQ(combo->GetText(), second);
    // a click on the button opens the list below the combo box
    const TRect b = combo->ButtonRect();
    ASSERT_TRUE(X11::Click(combo->GetHandle(), QPoint(b.Left + b.Width() / 2, b.Height() / 2)));
    ASSERT_TRUE(X11::WaitFor([&] { return combo->GetListVisible(); }));
    TPopupDataListEh* list = combo->GetDropDownList();
    ASSERT_TRUE(X11::WaitFor([&] { return list->GetHandle()->isVisible(); }));
    EXPECT_EQ(list->GetRowCount(), 8);
    X11::Flush();
    X11::Screenshot(QStringLiteral("lookup-open"));
    // a click on the fourth row chooses it and closes the list
    const int rowH = list->RowHeight();
    ASSERT_TRUE(X11::Click(list->GetHandle(), QPoint(30, list->GetTitleHeight() + 3 * rowH + 2)));
    ASSERT_TRUE(X11::WaitFor([&] { return !combo->GetListVisible(); }));
    const int chosen = combo->GetKeyValue().AsInteger();
    EXPECT_EQ(card->Podr.FieldByName("KODP")->GetAsInteger(), chosen);
    EXPECT_EQ(combo->GetText(), card->Podr.FieldByName("NAIPODR")->GetAsString());

    // typing in Ukrainian finds the subdivision by the beginning of its name
    ASSERT_TRUE(X11::SetLayout(QStringLiteral("ua")));
    ASSERT_TRUE(X11::Type(QStringLiteral("цех")));
    EXPECT_TRUE(combo->GetText().startsWith(QStringLiteral("Цех")));
    EXPECT_EQ(combo->GetSelStart(), 3);
    ASSERT_TRUE(X11::SetLayout(QStringLiteral("us")));
    // Alt+Down, two rows down, Enter: the key goes into the record when it is posted
    ASSERT_TRUE(X11::Key(QStringLiteral("alt+Down")));
    ASSERT_TRUE(X11::WaitFor([&] { return combo->GetListVisible(); }));
    ASSERT_TRUE(X11::Key(QStringLiteral("Down Down")));
    const int expected = list->GetKeyValue().AsInteger();
    X11::Screenshot(QStringLiteral("lookup-keys"));
    ASSERT_TRUE(X11::Key(QStringLiteral("Return")));
    ASSERT_TRUE(X11::WaitFor([&] { return !combo->GetListVisible(); }));
    card->Kadr.Post();
    EXPECT_EQ(card->Kadr.FieldByName("KODP_2")->GetAsInteger(), expected);
}

} // namespace
