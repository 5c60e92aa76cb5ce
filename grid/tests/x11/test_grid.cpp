// The card list's grid and the card's lookup combo box on the X server, driven as a user does:
// the wheel over the records, the scroll bars, a taller window; the combo box's list opened
// with a click, searched by typing in Ukrainian and chosen from with a click or the keys.
#include "CardListGrid.h"
#include "DBLookupEh.h"
#include "X11Test.h"

#include <QScrollBar>
#include <algorithm>
#include <tuple>
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

TEST_F(GridCardListOnX11, TypingFindsAnEmployeeAndTheCellsEditWithTheirDropDowns) {
    // the list is read-only: typed Ukrainian letters find a surname
    grid->SetSelectedIndex(0);
    ASSERT_TRUE(X11::SetLayout(QStringLiteral("ua")));
    ASSERT_TRUE(X11::Type(QStringLiteral("ко")));
    ASSERT_TRUE(X11::SetLayout(QStringLiteral("us")));
    EXPECT_TRUE(grid->GetIncSearchActive());
    EXPECT_EQ(grid->GetIncSearchText(), QStringLiteral("Ко"));
    EXPECT_TRUE(ds->FieldByName("FAMILY")->GetAsString().startsWith(QStringLiteral("Ко")));
    X11::Flush();
    X11::Screenshot(QStringLiteral("card-list-search"));
    ASSERT_TRUE(X11::Key(QStringLiteral("Escape")));
    EXPECT_FALSE(grid->GetIncSearchActive());

    // editable: the sex shows as a name from the pick list and is stored as its key
    grid->SetOptions(grid->GetOptions() + TDBGridOptions{dgEditing});
    TColumnEh* sex = grid->GetColumns()->GetItems(4);
    sex->SetWidth(90);
    sex->GetPickList()->SetText(QStringLiteral("Чоловіча\nЖіноча"));
    sex->GetKeyList()->SetText(QStringLiteral("Ч\nЖ"));
    const QString was = ds->FieldByName("SEX")->GetAsString();
    const QString other = was == QStringLiteral("Ч") ? QStringLiteral("Ж") : QStringLiteral("Ч");
    const TRect cell = grid->CellRect(5, grid->GetRow());
    const QPoint onCell(cell.Left + 10, (cell.Top + cell.Bottom) / 2);
    // a click chooses the cell (a second one at once would be a double click), F2 edits it
    ASSERT_TRUE(X11::Click(grid->GetHandle(), onCell));
    EXPECT_EQ(grid->GetSelectedIndex(), 4);
    ASSERT_TRUE(X11::Key(QStringLiteral("F2")));
    auto* ed = dynamic_cast<TDBGridInplaceEdit*>(grid->GetInplaceEditor());
    ASSERT_TRUE(ed);
    ASSERT_TRUE(X11::WaitFor([&] { return ed->GetVisible(); }));
    EXPECT_EQ(ed->GetEditStyle(), esPickListEh);
    ASSERT_TRUE(X11::Key(QStringLiteral("alt+Down")));
    ASSERT_TRUE(X11::WaitFor([&] { return ed->GetListVisible(); }));
    ASSERT_TRUE(
        X11::Key(was == QStringLiteral("Ч") ? QStringLiteral("Down") : QStringLiteral("Up")));
    X11::Flush();
    X11::Screenshot(QStringLiteral("card-list-pick-list"));
    ASSERT_TRUE(X11::Key(QStringLiteral("Return")));
    ASSERT_TRUE(X11::WaitFor([&] { return !ed->GetListVisible(); }));
    EXPECT_EQ(ds->FieldByName("SEX")->GetAsString(), other);
    ASSERT_TRUE(X11::Key(QStringLiteral("Return")));
    ASSERT_TRUE(X11::Key(QStringLiteral("Down Up")));
    EXPECT_EQ(ds->GetState(), dsBrowse);
    EXPECT_EQ(ds->FieldByName("SEX")->GetAsString(), other);

    // the birth date drops a calendar down; a month on and Enter writes it
    grid->SetSelectedIndex(7);
    const TDateTime born = ds->FieldByName("BDATE")->GetAsDateTime();
    ASSERT_TRUE(X11::Key(QStringLiteral("F2")));
    ASSERT_TRUE(X11::WaitFor([&] { return ed->GetVisible(); }));
    EXPECT_EQ(ed->GetEditStyle(), esDateCalendarEh);
    ASSERT_TRUE(X11::Key(QStringLiteral("alt+Down")));
    ASSERT_TRUE(X11::WaitFor([&] { return ed->GetListVisible(); }));
    X11::Flush();
    X11::Screenshot(QStringLiteral("card-list-calendar"));
    ASSERT_TRUE(X11::Key(QStringLiteral("Next Return")));
    ASSERT_TRUE(X11::WaitFor([&] { return !ed->GetListVisible(); }));
    int y0, m0, d0, y1, m1, d1;
    DecodeDate(born, y0, m0, d0);
    DecodeDate(ds->FieldByName("BDATE")->GetAsDateTime(), y1, m1, d1);
    EXPECT_EQ((y1 * 12 + m1) - (y0 * 12 + m0), 1);
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

// The staff table in an editable grid: a name typed in Ukrainian into a cell, Tab to the next
// column, Enter to post, and a title click that sorts by the column.
class GridEditingOnX11 : public X11Test {
protected:
    void SetUp() override {
        X11Test::SetUp();
        if (IsSkipped()) return;
        ds.GetFieldDefs()->Add("TAB", ftString, 5);
        ds.GetFieldDefs()->Add("FAMILY", ftString, 30);
        ds.GetFieldDefs()->Add("AGE", ftInteger);
        ds.Open();
        ds.AppendRecord({"00001", "Бондар", 45});
        ds.AppendRecord({"00002", "Петренко", 28});
        ds.AppendRecord({"00003", "Коваль", 33});
        ds.First();
        form = CreateNewForm<TForm>(nullptr);
        form->SetCaption(QStringLiteral("Працівники"));
        form->SetBounds(40, 40, 520, 260);
        grid = new TDBGridEh(form);
        grid->SetParent(form);
        grid->SetAlign(alClient);
        grid->SetOptionsEh(grid->GetOptionsEh() + TDBGridEhOptions{dghAutoSortMarking});
        for (auto [name, caption, width] :
             {std::tuple{"TAB", "Таб. №", 80}, std::tuple{"FAMILY", "Прізвище", 220},
              std::tuple{"AGE", "Вік", 60}}) {
            TColumnEh* c = grid->GetColumns()->Add();
            c->SetFieldName(name);
            c->GetTitle()->SetCaption(QString::fromUtf8(caption));
            c->GetTitle()->SetTitleButton(true);
            c->SetWidth(width);
        }
        // the application sorts when the markers change: here the rows are put in order again
        grid->OnSortMarkingChanged = [this](TObject*) { sortByMarker(); };
        source = new TDataSource(form);
        source->SetDataSet(&ds);
        grid->SetDataSource(source);
        form->Show();
        ASSERT_TRUE(X11::WaitActive(form->GetHandle()));
        grid->SetFocus();
        X11::Flush();
    }
    void TearDown() override {
        delete form;
        X11Test::TearDown();
    }
    void sortByMarker() {
        TColumnEh* c = grid->GetColumns()->GetItems(1);
        const TSortMarkerEh m = c->GetTitle()->GetSortMarker();
        if (m == smNoneEh) return;
        std::vector<std::tuple<QString, QString, int>> rows;
        for (ds.First(); !ds.Eof(); ds.Next())
            rows.emplace_back(ds.FieldByName("TAB")->GetAsString(),
                              ds.FieldByName("FAMILY")->GetAsString(),
                              ds.FieldByName("AGE")->GetAsInteger());
        std::sort(rows.begin(), rows.end(), [m](const auto& a, const auto& b) {
            return m == smDownEh ? std::get<1>(a) < std::get<1>(b)
                                 : std::get<1>(a) > std::get<1>(b);
        });
        ds.DisableControls();
        ds.EmptyTable();
        for (const auto& [tab, family, age] : rows)
            ds.AppendRecord({tab, family, age});
        ds.First();
        ds.EnableControls();
        ++sorted;
    }
    QStringList Families() {
        QStringList r;
        TGridDataLinkEh* link = grid->GetDataLink();
        const int saved = link->GetActiveRecord();
        for (int i = 0; i < link->GetRecordCount(); ++i) {
            link->SetActiveRecord(i);
            r << ds.FieldByName("FAMILY")->GetAsString();
        }
        link->SetActiveRecord(saved);
        return r;
    }
    TMemDataSet ds{nullptr};
    TForm* form = nullptr;
    TDBGridEh* grid = nullptr;
    TDataSource* source = nullptr;
    int sorted = 0;
};

TEST_F(GridEditingOnX11, TypingTabEnterAndATitleClickSort) {
    // the last record's surname, typed over in Ukrainian
    ASSERT_TRUE(X11::Key(QStringLiteral("ctrl+End Right")));
    EXPECT_EQ(grid->GetSelectedIndex(), 1);
    ASSERT_TRUE(X11::SetLayout(QStringLiteral("ua")));
    ASSERT_TRUE(X11::Type(QStringLiteral("Авраменко")));
    ASSERT_TRUE(X11::SetLayout(QStringLiteral("us")));
    TInplaceEdit* ed = grid->GetInplaceEditor();
    ASSERT_TRUE(ed && ed->GetVisible());
    EXPECT_EQ(ed->GetText(), QStringLiteral("Авраменко"));
    X11::Screenshot(QStringLiteral("grid-typing"));
    // Tab writes the text and goes to the age
    ASSERT_TRUE(X11::Key(QStringLiteral("Tab")));
    EXPECT_EQ(grid->GetSelectedIndex(), 2);
    EXPECT_EQ(ds.FieldByName("FAMILY")->GetAsString(), QStringLiteral("Авраменко"));
    ASSERT_TRUE(X11::Type(QStringLiteral("34")));
    ASSERT_TRUE(X11::Key(QStringLiteral("Return")));
    ASSERT_TRUE(X11::Key(QStringLiteral("Up")));
    EXPECT_EQ(ds.GetState(), dsBrowse);
    ds.Last();
    EXPECT_EQ(ds.FieldByName("AGE")->GetAsInteger(), 34);
    X11::Screenshot(QStringLiteral("grid-posted"));

    // a click on the surname title marks it and sorts; a second click turns the order
    const TRect title = grid->CellRect(2, 0);
    const QPoint onTitle((title.Left + title.Right) / 2, (title.Top + title.Bottom) / 2);
    ASSERT_TRUE(X11::Click(grid->GetHandle(), onTitle));
    EXPECT_TRUE(X11::WaitFor([&] { return sorted == 1; }));
    EXPECT_EQ(grid->GetColumns()->GetItems(1)->GetTitle()->GetSortMarker(), smDownEh);
    EXPECT_EQ(Families(), (QStringList{"Авраменко", "Бондар", "Петренко"}));
    X11::Flush();
    X11::Screenshot(QStringLiteral("grid-sorted"));
    // a little to the side, so that the two clicks are not taken for a double click
    ASSERT_TRUE(X11::Click(grid->GetHandle(), onTitle + QPoint(12, 0)));
    EXPECT_TRUE(X11::WaitFor([&] { return sorted == 2; }));
    EXPECT_EQ(Families(), (QStringList{"Петренко", "Бондар", "Авраменко"}));
}
