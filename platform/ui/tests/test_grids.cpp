// The grid base on a shown form, driven by real Qt key and mouse events: cell geometry and hit
// tests, keyboard navigation, the in-place editor, sizing and moving with the mouse, scrolling,
// and the cells of a string grid.
#include "Grids.h"
#include "UiTestSupport.h"

#include <QCursor>

namespace {

// A string grid that records the base grid's hooks.
class TRecordingGrid : public TStringGrid {
    KADRION_CLASS(TRecordingGrid)
    explicit TRecordingGrid(TComponent* AOwner) : TStringGrid(AOwner) {}
    void ColWidthsChanged() override {
        ++colWidthsChanged;
        TStringGrid::ColWidthsChanged();
    }
    void RowHeightsChanged() override {
        ++rowHeightsChanged;
        TStringGrid::RowHeightsChanged();
    }
    void ColumnMoved(int FromIndex, int ToIndex) override {
        moves.push_back({FromIndex, ToIndex});
        TStringGrid::ColumnMoved(FromIndex, ToIndex);
    }
    void SetEditText(int ACol, int ARow, const QString& Value) override {
        edits.push_back({ACol, ARow, Value});
        TStringGrid::SetEditText(ACol, ARow, Value);
    }
    bool CanEditAcceptKey(QChar Key) override { return !digitsOnly || Key.isDigit(); }
    void TopLeftChanged() override {
        ++topLeftChanged;
        TStringGrid::TopLeftChanged();
    }
    struct Edit {
        int Col, Row;
        QString Value;
    };
    int colWidthsChanged = 0, rowHeightsChanged = 0, topLeftChanged = 0;
    std::vector<std::pair<int, int>> moves;
    std::vector<Edit> edits;
    bool digitsOnly = false;
};

class GridTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = CreateNewForm<TForm>(nullptr);
        form->SetBounds(20, 20, 500, 400);
        grid = new TRecordingGrid(form);
        grid->SetParent(form);
        grid->SetBorderStyle(bsNone);
        grid->SetScrollBars(ssNone);
        grid->SetBounds(0, 0, 400, 300);
        grid->SetDefaultColWidth(50);
        grid->SetDefaultRowHeight(20);
        grid->SetColCount(5);
        grid->SetRowCount(6);
        form->Show();
        grid->SetFocus();
        QApplication::processEvents();
    }
    void TearDown() override {
        delete form;
        QApplication::processEvents();
    }
    struct TCoord {
        int X, Y;
        bool operator==(const TCoord&) const = default;
    };
    TCoord At() const { return TCoord{grid->GetCol(), grid->GetRow()}; }
    TForm* form = nullptr;
    TRecordingGrid* grid = nullptr;
};

TEST_F(GridTest, CellRectanglesAndHitTestsSkipHiddenColumnsAndScrolledCells) {
    // columns 50 px with a 1 px line; column 2 hidden with its line
    grid->SetColWidths(2, -1);
    struct RectCase {
        int Col, Row;
        TRect Expected;
    };
    const RectCase rects[] = {
        {0, 0, TRect{0, 0, 50, 20}},
        {1, 0, TRect{51, 0, 101, 20}},
        {1, 1, TRect{51, 21, 101, 41}},
        {2, 1, TRect{}},
        {3, 1, TRect{102, 21, 152, 41}},
        {4, 5, TRect{153, 105, 203, 125}},
        {5, 1, TRect{}}, // outside the grid
    };
    for (const RectCase& c : rects)
        EXPECT_EQ(grid->CellRect(c.Col, c.Row), c.Expected) << c.Col << "," << c.Row;
    EXPECT_EQ(grid->BoxRect(1, 1, 3, 2), (TRect{51, 21, 152, 62}));
    EXPECT_EQ(grid->GetGridWidth(), 204);
    EXPECT_EQ(grid->GetGridHeight(), 126);

    struct HitCase {
        int X, Y, Col, Row;
    };
    const HitCase hits[] = {
        {0, 0, 0, 0},      {49, 19, 0, 0},  {50, 20, 0, 0},  // the line belongs to the cell before
        {51, 21, 1, 1},    {101, 30, 1, 1}, {102, 30, 3, 1}, // the hidden column takes no pixel
        {152, 124, 3, 5},  {153, 30, 4, 1}, {210, 30, -1, -1}, // right of the last column
        {60, 200, -1, -1},                                     // below the last row
    };
    for (const HitCase& h : hits) {
        TGridCoord c = grid->MouseCoord(h.X, h.Y);
        EXPECT_EQ(c.X, h.Col) << h.X << "," << h.Y;
        EXPECT_EQ(c.Y, h.Row) << h.X << "," << h.Y;
    }

    // scrolled: column 1 is out of view, column 3 follows the fixed column
    grid->SetColCount(12);
    grid->SetLeftCol(3);
    EXPECT_EQ(grid->GetLeftCol(), 3);
    EXPECT_EQ(grid->CellRect(1, 1), TRect{});
    EXPECT_EQ(grid->CellRect(3, 1), (TRect{51, 21, 101, 41}));
    EXPECT_EQ(grid->CellRect(0, 1), (TRect{0, 21, 50, 41}));
    EXPECT_EQ(grid->MouseCoord(60, 25).X, 3);
    // 400 px: the fixed column and 6 full columns (51 each) from column 3
    EXPECT_EQ(grid->GetVisibleColCount(), 6);

    // with a thicker line a hidden column still takes neither its width nor its line
    grid->SetLeftCol(1);
    grid->SetGridLineWidth(2);
    EXPECT_EQ(grid->CellRect(3, 1), (TRect{104, 22, 154, 42}));
}

TEST_F(GridTest, KeyboardNavigatesLikeATable) {
    grid->SetColWidths(2, -1); // hidden: the keys pass over it
    grid->SetOptions(grid->GetOptions() + TGridOptions{goTabs});
    struct Step {
        int Key;
        Qt::KeyboardModifiers Mods;
        TCoord Expected;
    };
    const Qt::KeyboardModifiers none = Qt::NoModifier;
    const Step steps[] = {
        {Qt::Key_Right, none, {3, 1}},
        {Qt::Key_Right, none, {4, 1}},
        {Qt::Key_Right, none, {4, 1}}, // at the right edge
        {Qt::Key_Home, none, {1, 1}},
        {Qt::Key_End, none, {4, 1}},
        {Qt::Key_Down, none, {4, 2}},
        {Qt::Key_Up, none, {4, 1}},
        {Qt::Key_Up, none, {4, 1}}, // the fixed row is not entered
        {Qt::Key_End, Qt::ControlModifier, {4, 5}},
        {Qt::Key_Home, Qt::ControlModifier, {1, 1}},
        {Qt::Key_Left, none, {1, 1}},
        {Qt::Key_Tab, none, {3, 1}},
        {Qt::Key_Tab, none, {4, 1}},
        {Qt::Key_Tab, none, {1, 2}}, // wraps to the next row
        {Qt::Key_Backtab, Qt::ShiftModifier, {4, 1}},
        {Qt::Key_PageDown, none, {4, 5}},
        {Qt::Key_PageUp, none, {4, 1}},
    };
    ASSERT_EQ(At(), (TCoord{1, 1}));
    int i = 0;
    for (const Step& s : steps) {
        SendKey(grid, s.Key, QString(), s.Mods);
        EXPECT_EQ(At(), s.Expected) << "step " << i;
        ++i;
    }
    // Shift with an arrow extends the selection from the anchor (goRangeSelect)
    grid->FocusCell(1, 1, true);
    SendKey(grid, Qt::Key_Down, QString(), Qt::ShiftModifier);
    SendKey(grid, Qt::Key_Right, QString(), Qt::ShiftModifier);
    EXPECT_EQ(grid->GetSelection(), (TGridRect{1, 1, 3, 2}));
    SendKey(grid, Qt::Key_Right, QString());
    EXPECT_EQ(grid->GetSelection(), (TGridRect{4, 2, 4, 2}));

    // a column without a tab stop is passed over by Tab
    grid->SetTabStops(3, false);
    grid->FocusCell(1, 1, true);
    SendKey(grid, Qt::Key_Tab, QString());
    EXPECT_EQ(At(), (TCoord{4, 1}));
    // the editor is not involved without goEditing
    EXPECT_EQ(grid->GetInplaceEditor(), nullptr);
}

TEST_F(GridTest, KeyboardScrollsTheCurrentCellIntoView) {
    grid->SetRowCount(40); // 300 px hold the fixed row and 13 full rows of 21 px
    for (int i = 0; i < 13; ++i)
        SendKey(grid, Qt::Key_Down, QString());
    EXPECT_EQ(grid->GetRow(), 14);
    EXPECT_EQ(grid->GetTopRow(), 2);
    EXPECT_GE(grid->topLeftChanged, 1);
    SendKey(grid, Qt::Key_Home, QString(), Qt::ControlModifier);
    EXPECT_EQ(grid->GetTopRow(), 1);
}

TEST_F(GridTest, EditorOpensOnF2EnterAndTypingAndWritesBackThroughSetEditText) {
    grid->SetOptions(grid->GetOptions() + TGridOptions{goEditing});
    grid->SetCells(1, 1, QStringLiteral("Ткач"));
    grid->SetCells(2, 1, QStringLiteral("Бойко"));

    // F2 opens the editor over the current cell with the cell's text
    SendKey(grid, Qt::Key_F2, QString());
    TInplaceEdit* ed = grid->GetInplaceEditor();
    ASSERT_NE(ed, nullptr);
    EXPECT_TRUE(grid->GetEditorMode());
    EXPECT_TRUE(ed->GetVisible());
    EXPECT_EQ(ed->GetText(), QStringLiteral("Ткач"));
    EXPECT_EQ(ed->GetBoundsRect(), grid->CellRect(1, 1));
    // typing replaces the selected text; each change goes to SetEditText
    SendKey(ed, Qt::Key_Z, QStringLiteral("Ш"));
    EXPECT_EQ(ed->GetText(), QStringLiteral("Ш"));
    EXPECT_EQ(grid->GetCells(1, 1), QStringLiteral("Ш"));
    ASSERT_FALSE(grid->edits.empty());
    EXPECT_EQ(grid->edits.back().Col, 1);
    EXPECT_EQ(grid->edits.back().Row, 1);
    // Enter in the editor closes it and keeps the text
    SendKey(ed, Qt::Key_Return, QStringLiteral("\r"));
    EXPECT_FALSE(grid->GetEditorMode());
    EXPECT_FALSE(ed->GetVisible());
    EXPECT_EQ(grid->GetCells(1, 1), QStringLiteral("Ш"));

    // Enter on the grid opens it again; an arrow key in the editor moves the grid on
    SendKey(grid, Qt::Key_Return, QStringLiteral("\r"));
    EXPECT_TRUE(grid->GetEditorMode());
    EXPECT_TRUE(ed->GetVisible());
    SendKey(ed, Qt::Key_Down, QString());
    EXPECT_EQ(grid->GetRow(), 2);
    EXPECT_FALSE(grid->GetEditorMode());

    // a typed character opens the editor with that character in place of the cell's text
    SendKey(grid, Qt::Key_Right, QString());
    SendKey(grid, Qt::Key_Up, QString());
    ASSERT_EQ(At(), (TCoord{2, 1}));
    grid->edits.clear();
    SendKey(grid, Qt::Key_M, QStringLiteral("М"));
    EXPECT_TRUE(grid->GetEditorMode());
    EXPECT_EQ(ed->GetText(), QStringLiteral("М"));
    SendKey(ed, Qt::Key_A, QStringLiteral("а"));
    EXPECT_EQ(grid->GetCells(2, 1), QStringLiteral("Ма"));
    ASSERT_FALSE(grid->edits.empty());
    EXPECT_EQ(grid->edits.back().Col, 2);
    EXPECT_EQ(grid->edits.back().Value, QStringLiteral("Ма"));

    // the grid decides which characters the editor takes
    SendKey(ed, Qt::Key_Escape, QString());
    grid->HideEditor();
    grid->digitsOnly = true;
    SendKey(grid, Qt::Key_7, QStringLiteral("7"));
    SendKey(grid->GetInplaceEditor(), Qt::Key_X, QStringLiteral("x"));
    EXPECT_EQ(grid->GetCells(2, 1), QStringLiteral("7"));
    // a refused character does not clear the cell it would have opened
    grid->HideEditor();
    SendKey(grid, Qt::Key_X, QStringLiteral("x"));
    EXPECT_EQ(grid->GetCells(2, 1), QStringLiteral("7"));
}

TEST_F(GridTest, ReturnAndEscapeInTheEditorGoToTheFormsDefaultAndCancelButtons) {
    // As on the platform: the editor does not want Return and Escape, so on a form with a
    // default and a cancel button they press those buttons; the typed text is in the cell.
    grid->SetOptions(grid->GetOptions() + TGridOptions{goEditing});
    grid->SetCells(1, 1, QStringLiteral("Ткач"));
    auto* ok = new TButton(form);
    ok->SetParent(form);
    ok->SetBounds(410, 10, 80, 25);
    ok->SetDefault(true);
    ok->SetModalResult(mrOk);
    auto* cancel = new TButton(form);
    cancel->SetParent(form);
    cancel->SetBounds(410, 40, 80, 25);
    cancel->SetCancel(true);
    cancel->SetModalResult(mrCancel);
    struct Row {
        int QtKey;
        const char16_t* Text;
        TModalResult Want;
    } rows[] = {{Qt::Key_Return, u"\r", mrOk}, {Qt::Key_Escape, u"\x1b", mrCancel}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.QtKey);
        form->SetModalResult(mrNone);
        grid->SetFocus();
        SendKey(grid, Qt::Key_F2, QString());
        TInplaceEdit* ed = grid->GetInplaceEditor();
        ASSERT_TRUE(grid->GetEditorMode());
        SendKey(ed, Qt::Key_End, QString());
        SendKey(ed, Qt::Key_O, QStringLiteral("о"));
        SendKey(ed, r.QtKey, QString::fromUtf16(r.Text));
        EXPECT_EQ(form->GetModalResult(), r.Want);
        EXPECT_TRUE(grid->GetCells(1, 1).endsWith(QStringLiteral("о")));
        grid->HideEditor();
    }
}

TEST_F(GridTest, AlwaysShownEditorFollowsTheCurrentCell) {
    grid->SetCells(3, 2, QStringLiteral("Полтава"));
    grid->SetOptions(grid->GetOptions() + TGridOptions{goEditing, goAlwaysShowEditor});
    TInplaceEdit* ed = grid->GetInplaceEditor();
    ASSERT_NE(ed, nullptr);
    EXPECT_TRUE(ed->GetVisible());
    grid->FocusCell(3, 2, true);
    EXPECT_TRUE(ed->GetVisible());
    EXPECT_EQ(ed->GetBoundsRect(), grid->CellRect(3, 2));
    EXPECT_EQ(ed->GetText(), QStringLiteral("Полтава"));
    // row select drops the always-shown editor
    grid->SetOptions(grid->GetOptions() + TGridOptions{goRowSelect});
    EXPECT_FALSE(grid->GetOptions().Contains(goAlwaysShowEditor));
    EXPECT_FALSE(ed->GetVisible());
}

TEST_F(GridTest, ChangeScaleKeepsTheSumOfTheWidths) {
    grid->SetColCount(4);
    const int widths[] = {10, 11, 12};
    for (int i = 0; i < 3; ++i)
        grid->SetColWidths(i, widths[i]);
    grid->SetColWidths(3, -1);
    grid->ChangeScale(2, 1);
    EXPECT_EQ(grid->GetColWidths(0), 20);
    EXPECT_EQ(grid->GetColWidths(1), 22);
    EXPECT_EQ(grid->GetColWidths(2), 24);
    EXPECT_EQ(grid->GetColWidths(3), -1); // a hidden column stays hidden
    for (int i = 0; i < 3; ++i)
        grid->SetColWidths(i, 10);
    grid->ChangeScale(1, 3);
    EXPECT_EQ(grid->GetColWidths(0) + grid->GetColWidths(1) + grid->GetColWidths(2), 10);
    EXPECT_EQ(grid->GetDefaultColWidth(), 33); // 50 * 2 / 1 / 3
}

TEST_F(GridTest, EditorOfADrawGridUsesTheEditEvents) {
    auto* dg = new TDrawGrid(form);
    dg->SetParent(form);
    dg->SetBounds(0, 310, 300, 80);
    dg->SetOptions(dg->GetOptions() + TGridOptions{goEditing});
    std::vector<QString> written;
    dg->OnGetEditText = [](TObject*, int ACol, int ARow, QString& V) {
        V = QString::number(ACol * 10 + ARow);
    };
    dg->OnSetEditText = [&](TObject*, int ACol, int ARow, const QString& V) {
        written.push_back(QStringLiteral("%1,%2=%3").arg(ACol).arg(ARow).arg(V));
    };
    dg->SetFocus();
    dg->SetCol(2);
    SendKey(dg, Qt::Key_F2, QString());
    ASSERT_NE(dg->GetInplaceEditor(), nullptr);
    EXPECT_EQ(dg->GetInplaceEditor()->GetText(), QStringLiteral("21"));
    SendKey(dg->GetInplaceEditor(), Qt::Key_5, QStringLiteral("5"));
    dg->HideEditor();
    ASSERT_FALSE(written.empty());
    EXPECT_EQ(written.back(), QStringLiteral("2,1=5"));
}

TEST_F(GridTest, MouseFocusesCellsAndSelectsRanges) {
    TRect r = grid->CellRect(3, 2);
    Click(grid, r.Left + 5, r.Top + 5);
    EXPECT_EQ(At(), (TCoord{3, 2}));

    // a drag selects a block; the current cell stays where the press was
    TRect a = grid->CellRect(1, 1), b = grid->CellRect(2, 3);
    SendMouse(grid, QEvent::MouseButtonPress, a.Left + 3, a.Top + 3);
    EXPECT_EQ(grid->GetGridState(), gsSelecting);
    QMouseEvent move(
        QEvent::MouseMove, QPointF(WidgetPoint(grid, b.Left + 3, b.Top + 3)),
        QPointF(grid->GetHandle()->mapToGlobal(WidgetPoint(grid, b.Left + 3, b.Top + 3))),
        Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(grid->GetHandle(), &move);
    SendMouse(grid, QEvent::MouseButtonRelease, b.Left + 3, b.Top + 3);
    EXPECT_EQ(grid->GetGridState(), gsNormal);
    EXPECT_EQ(grid->GetSelection(), (TGridRect{1, 1, 2, 3}));
    EXPECT_EQ(At(), (TCoord{1, 1}));
}

// Drags with the left button held (the move carries the held button).
void Drag(TWinControl* C, int X0, int Y0, int X1, int Y1) {
    SendMouse(C, QEvent::MouseButtonPress, X0, Y0);
    QPoint p = WidgetPoint(C, X1, Y1);
    QMouseEvent move(QEvent::MouseMove, QPointF(p), QPointF(C->GetHandle()->mapToGlobal(p)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(C->GetHandle(), &move);
    SendMouse(C, QEvent::MouseButtonRelease, X1, Y1);
}

TEST_F(GridTest, MouseSizesAndMovesColumnsThroughTheirHooks) {
    grid->SetOptions(grid->GetOptions() + TGridOptions{goColSizing, goColMoving, goRowSizing});
    grid->colWidthsChanged = 0;
    // the border right of column 1 in the fixed row shows the sizing cursor
    int border = grid->CellRect(1, 0).Right;
    QPoint p = WidgetPoint(grid, border, 10);
    QMouseEvent hover(QEvent::MouseMove, QPointF(p), QPointF(grid->GetHandle()->mapToGlobal(p)),
                      Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(grid->GetHandle(), &hover);
    EXPECT_EQ(grid->GetHandle()->cursor().shape(), Qt::SplitHCursor);
    EXPECT_TRUE(grid->Sizing(border, 10));
    EXPECT_FALSE(grid->Sizing(border, 30)); // not in the data rows
    EXPECT_FALSE(grid->Sizing(border - 20, 10));

    Drag(grid, border, 10, border + 30, 12);
    EXPECT_EQ(grid->GetColWidths(1), 80);
    EXPECT_EQ(grid->colWidthsChanged, 1);
    EXPECT_EQ(grid->CellRect(2, 1).Left, 51 + 80 + 1);

    // rows are sized from the fixed column
    int rowBorder = grid->CellRect(0, 2).Bottom;
    grid->rowHeightsChanged = 0;
    Drag(grid, 10, rowBorder, 10, rowBorder + 10);
    EXPECT_EQ(grid->GetRowHeights(2), 30);
    EXPECT_EQ(grid->rowHeightsChanged, 1);

    // a row is moved by its fixed cell
    grid->SetOptions(grid->GetOptions() + TGridOptions{goRowMoving});
    grid->SetCells(2, 4, QStringLiteral("рядок 4"));
    TRect r4 = grid->CellRect(0, 4), r1 = grid->CellRect(0, 1);
    Drag(grid, 10, r4.Top + 5, 10, r1.Top + 5);
    EXPECT_EQ(grid->GetCells(2, 1), QStringLiteral("рядок 4"));

    // moving column 1 behind column 3 by its title takes its cells along
    grid->SetCells(1, 1, QStringLiteral("перша"));
    grid->SetCells(3, 1, QStringLiteral("третя"));
    TRect from = grid->CellRect(1, 0), to = grid->CellRect(3, 0);
    Drag(grid, from.Left + 10, 5, to.Left + 10, 5);
    ASSERT_EQ(grid->moves.size(), 1u);
    EXPECT_EQ(grid->moves[0], (std::pair<int, int>{1, 3}));
    EXPECT_EQ(grid->GetCells(3, 1), QStringLiteral("перша"));
    EXPECT_EQ(grid->GetCells(2, 1), QStringLiteral("третя"));
    EXPECT_EQ(grid->GetColWidths(3), 80); // the width went with the column
}

// A bar the grid's ScrollBars leave out is the descendant's: the grid neither shows nor
// hides it when its cells change.
TEST_F(GridTest, ABarOutsideScrollBarsIsLeftAlone) {
    grid->SetScrollBars(ssHorizontal);
    HWND h = grid->GetHandle();
    TScrollInfo own;
    own.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    own.nMin = 0;
    own.nMax = 4;
    own.nPage = 0;
    own.nPos = 2;
    SetScrollInfo(h, SB_VERT, own, true);
    ASSERT_TRUE(ScrollBarVisible(h, SB_VERT));
    grid->SetRowCount(60);
    grid->SetColWidths(1, 90);
    grid->SetRowCount(3);
    EXPECT_TRUE(ScrollBarVisible(h, SB_VERT));
    EXPECT_EQ(GetScrollPos(h, SB_VERT), 2);
    // the bars it runs still follow the cells
    grid->SetColCount(30);
    EXPECT_TRUE(ScrollBarVisible(h, SB_HORZ));
}

TEST_F(GridTest, ScrollMessagesAndDragTimerMoveTopRowAndLeftCol) {
    grid->SetRowCount(40);
    grid->SetColCount(20);
    grid->SetScrollBars(ssBoth);
    QApplication::processEvents();
    EXPECT_TRUE(ScrollBarVisible(grid->GetHandle(), SB_VERT));
    EXPECT_TRUE(ScrollBarVisible(grid->GetHandle(), SB_HORZ));

    grid->Perform(WM_VSCROLL, SB_LINEDOWN, 0);
    EXPECT_EQ(grid->GetTopRow(), 2);
    int page = grid->GetVisibleRowCount();
    grid->Perform(WM_VSCROLL, SB_PAGEDOWN, 0);
    EXPECT_EQ(grid->GetTopRow(), 2 + page);
    grid->Perform(WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 5), 0);
    EXPECT_EQ(grid->GetTopRow(), 6);
    EXPECT_EQ(GetScrollPos(grid->GetHandle(), SB_VERT), 5);
    grid->Perform(WM_VSCROLL, SB_BOTTOM, 0);
    int bottom = grid->GetTopRow();
    EXPECT_EQ(bottom + grid->GetVisibleRowCount(), 40); // the last row ends the view
    grid->Perform(WM_VSCROLL, SB_TOP, 0);
    EXPECT_EQ(grid->GetTopRow(), 1);
    // thumb tracking only with goThumbTracking
    grid->Perform(WM_HSCROLL, MAKEWPARAM(SB_THUMBTRACK, 3), 0);
    EXPECT_EQ(grid->GetLeftCol(), 1);
    grid->SetOptions(grid->GetOptions() + TGridOptions{goThumbTracking});
    grid->Perform(WM_HSCROLL, MAKEWPARAM(SB_THUMBTRACK, 3), 0);
    EXPECT_EQ(grid->GetLeftCol(), 4);
    grid->Perform(WM_HSCROLL, SB_LINEUP, 0);
    EXPECT_EQ(grid->GetLeftCol(), 3);
    grid->SetLeftCol(1);

    // dragging below the grid scrolls on the window timer and extends the selection
    ManualTimers timers;
    TRect c = grid->CellRect(1, 1);
    SendMouse(grid, QEvent::MouseButtonPress, c.Left + 3, c.Top + 3);
    int below = grid->GetClientHeight() + 20;
    QPoint p = WidgetPoint(grid, c.Left + 3, below);
    QMouseEvent move(QEvent::MouseMove, QPointF(p), QPointF(grid->GetHandle()->mapToGlobal(p)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(grid->GetHandle(), &move);
    int top = grid->GetTopRow();
    timers.Source.Advance(60 * 20);
    EXPECT_GT(grid->GetTopRow(), top);
    EXPECT_GT(grid->GetSelection().Bottom, grid->GetVisibleRowCount());
    SendMouse(grid, QEvent::MouseButtonRelease, c.Left + 3, below);
    EXPECT_EQ(timers.Source.ActiveCount(), 0);
}

TEST_F(GridTest, StringGridKeepsCellsObjectsColsAndRows) {
    TObject tag;
    grid->SetCells(1, 2, QStringLiteral("Київ"));
    grid->SetObjects(1, 2, &tag);
    EXPECT_EQ(grid->GetCells(1, 2), QStringLiteral("Київ"));
    EXPECT_EQ(grid->GetObjects(1, 2), &tag);
    EXPECT_EQ(grid->GetCells(4, 5), QString());

    TStrings* col = grid->GetCols(1);
    EXPECT_EQ(col->GetCount(), 6);
    EXPECT_EQ(col->Get(2), QStringLiteral("Київ"));
    EXPECT_EQ(col->GetObject(2), &tag);
    col->Put(0, QStringLiteral("Місто"));
    EXPECT_EQ(grid->GetCells(1, 0), QStringLiteral("Місто"));
    TStrings* row = grid->GetRows(2);
    EXPECT_EQ(row->GetCount(), 5);
    EXPECT_EQ(row->Get(1), QStringLiteral("Київ"));
    EXPECT_EQ(row->Add(QStringLiteral("перший вільний")), 0);
    EXPECT_EQ(grid->GetCells(0, 2), QStringLiteral("перший вільний"));
    EXPECT_THROW(row->Delete(0), EInvalidGridOperation);

    TStringList list;
    list.Add(QStringLiteral("а"));
    list.Add(QStringLiteral("б"));
    grid->SetRows(4, &list);
    EXPECT_EQ(grid->GetCells(0, 4), QStringLiteral("а"));
    EXPECT_EQ(grid->GetCells(1, 4), QStringLiteral("б"));
    EXPECT_EQ(grid->GetCells(2, 4), QString());

    // shrinking drops the cells that fall off and moves the current row up
    grid->SetRow(5);
    grid->SetRowCount(3);
    EXPECT_EQ(grid->GetRow(), 2);
    grid->SetRowCount(6);
    EXPECT_EQ(grid->GetCells(1, 4), QString());
    EXPECT_EQ(grid->GetCells(1, 2), QStringLiteral("Київ"));
    EXPECT_THROW(grid->SetCells(9, 0, QStringLiteral("x")), EInvalidGridOperation);

    // an editor over a column that is cut off goes without writing anywhere
    grid->SetOptions(grid->GetOptions() + TGridOptions{goEditing});
    grid->FocusCell(4, 1, true);
    SendKey(grid, Qt::Key_F2, QString());
    ASSERT_TRUE(grid->GetEditorMode());
    EXPECT_NO_THROW(grid->SetColCount(3));
    EXPECT_FALSE(grid->GetInplaceEditor()->GetVisible());
    EXPECT_EQ(grid->GetCol(), 2);

    // a row moved keeps its cells
    grid->MoveRow(2, 5);
    EXPECT_EQ(grid->GetCells(1, 5), QStringLiteral("Київ"));
    EXPECT_EQ(grid->GetObjects(1, 5), &tag);
}

TEST_F(GridTest, PaintFillsFixedSelectedAndPlainCellsAndFramesFixedOnes) {
    grid->SetCells(1, 1, QString());
    grid->SetSelection(TGridRect{2, 2, 3, 2});
    TBitmap bmp;
    bmp.SetSize(400, 300);
    grid->PaintTo(bmp.GetCanvas(), 0, 0);
    TCanvas* c = bmp.GetCanvas();
    TRect fixed = grid->CellRect(1, 0), sel = grid->CellRect(2, 2), plain = grid->CellRect(4, 4);
    EXPECT_EQ(ColorToRGB(c->GetPixels(fixed.Left + 10, fixed.Top + 10)), ColorToRGB(clBtnFace));
    EXPECT_EQ(ColorToRGB(c->GetPixels(sel.Left + 10, sel.Top + 10)), ColorToRGB(clHighlight));
    // the focused current cell of the block is not filled as selected
    TRect cur = grid->CellRect(3, 2);
    EXPECT_EQ(ColorToRGB(c->GetPixels(cur.Left + 10, cur.Top + 10)), ColorToRGB(clWindow));
    EXPECT_EQ(ColorToRGB(c->GetPixels(plain.Left + 10, plain.Top + 10)), ColorToRGB(clWindow));
    // the raised frame: a light top-left edge on the fixed cell, black grid lines after it
    EXPECT_EQ(ColorToRGB(c->GetPixels(fixed.Left, fixed.Top + 5)), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(ColorToRGB(c->GetPixels(fixed.Right, fixed.Top + 5)), ColorToRGB(clBlack));
    // data lines are silver; the space right of the last column has the grid's colour
    EXPECT_EQ(ColorToRGB(c->GetPixels(plain.Right, plain.Top + 5)), ColorToRGB(clSilver));
    EXPECT_EQ(ColorToRGB(c->GetPixels(380, 150)), ColorToRGB(clWindow));
}

} // namespace
