// The grid's mouse: choosing records and columns, selecting rows, cells and columns, title
// buttons that toggle the sort markers, the editor shown by a click on the current cell, and the
// tool tips of cut texts and title hints.
#include "DBGridEh.h"
#include "DBGridEhInternal.h"

#include "Forms.h"
#include "ScopeGuard.h"

#include <QWidget>

namespace {

// Pixels a held title must move sideways before it turns into a column move.
constexpr int TitleDragThreshold = 3;

} // namespace

bool TCustomDBGridEh::CheckTitleButton(int ACol) {
    TColumnEh* c = ColumnAt(ACol - indicatorOffset);
    bool enabled = c && c->GetTitle()->GetTitleButton();
    if (c && OnCheckButton) OnCheckButton(this, ACol - indicatorOffset, c, enabled);
    return enabled;
}

void TCustomDBGridEh::TitleBtnClick(int ACol, TColumnEh* Column) {
    if (OnTitleBtnClick) OnTitleBtnClick(this, ACol, Column);
}

void TCustomDBGridEh::TitleClick(TColumnEh* Column) {
    if (OnTitleClick) OnTitleClick(Column);
}

// Whether a point lies on the title of raw column ACol (its leaf part with multi-level titles).
bool TCustomDBGridEh::titleHit(int X, int Y, int ACol) {
    const TRect client = GetClientRect();
    if (X < client.Left || X >= client.Right || Y < client.Top || Y >= client.Bottom) return false;
    const TGridCoord cell = MouseCoord(X, Y);
    if (cell.X != ACol || cell.Y < 0 || cell.Y >= titleOffset) return false;
    if (useMultiTitle) {
        THeadTreeNode* leaf = GetColumnLeaf(ACol - indicatorOffset);
        const TRect r = CellRect(ACol, 0);
        if (leaf && Y < r.Bottom - leaf->Height) return false;
    }
    return true;
}

void TCustomDBGridEh::updatePressedTitle(int X, int Y) {
    const bool down = pressedTitleCol >= 0 && titleHit(X, Y, pressedTitleCol);
    if (down == titleButtonDown) return;
    titleButtonDown = down;
    titlePressed = down || titlePressed;
    InvalidateRow(0);
}

void TCustomDBGridEh::releaseTitle() {
    if (!titlePressed && pressedTitleCol < 0) return;
    StopScrollTimer();
    trackingRows = false;
    titleButtonDown = false;
    titlePressed = false;
    InvalidateRow(0);
    SetMouseCapture(false);
    pressedTitleCol = -1;
    trackingCells = false;
    ehGridState = ehgsNormal;
}

void TCustomDBGridEh::CalcSizingState(int X, int Y, TGridState& State, int& Index, int& SizingPos,
                                      int& SizingOfs, TGridDrawInfo& FixedInfo) {
    TCustomGrid::CalcSizingState(X, Y, State, Index, SizingPos, SizingOfs, FixedInfo);
    // rows are sized from the indicator column only
    if (State == gsRowSizing && (indicatorOffset == 0 || X >= GetColWidths(0))) {
        State = gsNormal;
        Index = -1;
    }
}

bool TCustomDBGridEh::FrozenSizingHit(int X, int Y, int& Index, int& SizingPos, int& SizingOfs) {
    Index = -1;
    const bool sizable =
        dbOptions.Contains(dgColumnResize) || (IsDesigning() && options.Contains(goColSizing));
    if (!sizable || fixedCols <= indicatorOffset) return false;
    TGridDrawInfo di;
    CalcDrawInfo(di);
    if (Y >= di.Vert.FixedBoundary) return false; // the titles only
    const int line = di.Horz.EffectiveLineWidth;
    // a 7-pixel grab zone even over a thin line
    const int back = line < 7 ? (7 - line) / 2 : 0;
    const int zone = line < 7 ? 7 : line;
    int x = indicatorOffset ? GetColWidths(0) + line : 0;
    for (int c = indicatorOffset; c < fixedCols; ++c) {
        x += std::max(0, GetColWidths(c));
        if (x > di.Horz.GridBoundary) {
            Index = c;
            break;
        }
        if (X >= x - back && X <= x - back + zone) {
            Index = c;
            SizingPos = x;
            SizingOfs = x - X;
            return true;
        }
        x += line;
    }
    // frozen columns wider than the grid: their last border is the client's right edge
    const int w = GetClientWidth();
    if (Index >= 0 && di.Horz.GridBoundary == w && X >= w - back && X <= w) {
        SizingPos = w;
        SizingOfs = w - X;
        return true;
    }
    return false;
}

int TCustomDBGridEh::columnLeft(int ACol) {
    TGridDrawInfo di;
    CalcDrawInfo(di);
    int x = 0;
    if (ACol >= fixedCols) {
        x = di.Horz.FixedBoundary;
        for (int c = GetLeftCol(); c < ACol; ++c)
            x += std::max(0, GetColWidths(c)) + di.Horz.EffectiveLineWidth;
    } else {
        for (int c = 0; c < ACol; ++c)
            x += std::max(0, GetColWidths(c)) + di.Horz.EffectiveLineWidth;
    }
    return x;
}

void TCustomDBGridEh::traceSizing(int Index, int Pos) {
    if (Index < 0 || Index >= colCount) return;
    const int w = std::max(1, Pos - columnLeft(Index));
    if (autoFitColWidths && !IsDesigning()) {
        // the columns right of the sized one keep a pixel and a line each
        TGridDrawInfo di;
        CalcDrawInfo(di);
        const int n = colCount - Index;
        if (Pos >= di.Horz.GridBoundary - n - n * di.Horz.EffectiveLineWidth) return;
    }
    SetColWidths(Index, w);
}

TCursor TCustomDBGridEh::CursorAt(int X, int Y) {
    TDataSet* ds = dataLink->GetDataSet();
    if ((IsDesigning() && !dataLink->GetDataSource()) ||
        (columns->GetState() == csDefault && (!ds || !ds->GetActive())))
        return crArrow;
    int index = -1, pos = 0, ofs = 0;
    const TRect client = GetClientRect();
    if (PointInGridRect(X, Y, client) &&
        (ehGridState == ehgsFrozenColSizing || FrozenSizingHit(X, Y, index, pos, ofs)))
        return crHSplit;
    TGridDrawInfo di;
    CalcDrawInfo(di);
    TGridState state = GetGridState();
    if (state != gsColSizing && state != gsRowSizing)
        CalcSizingState(X, Y, state, index, pos, ofs, di);
    if (state == gsColSizing) return crHSplit;
    if (state == gsRowSizing) return crVSplit;
    if (!IsDesigning() && dataLink->GetActive() && dbOptions.Contains(dgMultiSelect)) {
        const TGridCoord cell = MouseCoord(X, Y);
        const int lastDataRow = footerRowCount > 0 ? rowCount - footerRowCount - 2 : rowCount - 1;
        if (indicatorOffset && cell.X == 0 && cell.Y >= titleOffset && cell.Y <= lastDataRow &&
            !(ds->GetBof() && ds->GetEof()))
            return crRightCurEh;
        if (cell.X >= indicatorOffset && cell.Y >= 0 && cell.Y < titleOffset &&
            !dbOptions.Contains(dgRowSelect) && ColumnAt(cell.X - indicatorOffset)) {
            const TRect r = CellRect(cell.X, cell.Y);
            if (Y >= r.Bottom - TitleSelectZoneEh) return crDownCurEh;
        }
    }
    return cursor;
}

void TCustomDBGridEh::applyCursor(int X, int Y) {
    if (!HandleAllocated()) return;
    const TCursor c = CursorAt(X, Y);
    if (c == crDefault)
        handle->unsetCursor();
    else
        handle->setCursor(Screen->GetCursors(c));
}

void TCustomDBGridEh::WndProc(TMessage& Message) {
    // with multi-select an automatic drag waits for a move from inside the selection: the press
    // first selects
    if ((Message.Msg == WM_LBUTTONDOWN || Message.Msg == WM_LBUTTONDBLCLK) &&
        dbOptions.Contains(dgMultiSelect) && GetDragMode() == dmAutomatic && !IsDesigning()) {
        SetDragMode(dmManual);
        autoDragMouseDown = true;
        TScopeGuard restore([this] {
            autoDragMouseDown = false;
            SetDragMode(dmAutomatic);
        });
        TCustomGrid::WndProc(Message);
        restore.End();
        return;
    }
    TCustomGrid::WndProc(Message);
}

void TCustomDBGridEh::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    checkBoxDownCol = checkBoxDownRow = -1;
    mouseDownPos = TPoint{X, Y};
    if (!AcquireFocus()) return;
    auto fire = [&] {
        if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
    };
    const TGridCoord cell = MouseCoord(X, Y);
    const int dataFirstRow = titleOffset;
    const int lastDataRow = footerRowCount > 0 ? rowCount - footerRowCount - 2 : rowCount - 1;
    TColumnEh* column = cell.X >= indicatorOffset ? ColumnAt(cell.X - indicatorOffset) : nullptr;

    if (Button == mbLeft && Shift.Contains(ssDouble)) {
        if (column && cell.Y >= dataFirstRow && cell.Y <= lastDataRow &&
            column->GetColumnType() == ctkCheckboxes && column->GetDblClickNextVal() &&
            dataLink->GetActive())
            column->StepFieldValue(Shift.Contains(ssShift) ? -1.0 : 1.0);
        fire();
        return;
    }
    if (Button == mbLeft) {
        int index = -1, pos = 0, ofs = 0;
        if (FrozenSizingHit(X, Y, index, pos, ofs)) {
            dataLink->UpdateRecord();
            ehGridState = ehgsFrozenColSizing;
            SetSizing(index, pos, ofs);
            SetMouseCapture(true);
            if (!optionsEh.Contains(dghTraceColSizing)) {
                TGridDrawInfo di;
                CalcDrawInfo(di);
                DrawSizingLine(di);
            }
            fire();
            return;
        }
    }
    if (Sizing(X, Y)) {
        dataLink->UpdateRecord();
        if (optionsEh.Contains(dghTraceColSizing) && Button == mbLeft) {
            TGridDrawInfo di;
            CalcDrawInfo(di);
            TGridState state = gsNormal;
            int index = -1, pos = 0, ofs = 0;
            CalcSizingState(X, Y, state, index, pos, ofs, di);
            if (state == gsColSizing) {
                // the column follows the mouse: no line, no base grid
                SetGridState(state);
                SetSizing(index, pos, ofs);
                SetMouseCapture(true);
                fire();
                return;
            }
        }
        TCustomGrid::MouseDown(Button, Shift, X, Y);
        return;
    }
    // the down arrow over the lower edge of a title: a press selects the column
    if (column && Button == mbLeft && CursorAt(X, Y) == crDownCurEh) {
        InvalidateCol(cell.X);
        ehGridState = ehgsColSelecting;
        SetMouseCapture(true);
        startScrollTimer(60);
        TDBGridEhSelectionCols* cols = selection->GetColumns();
        if (Shift.Contains(ssShift)) {
            cols->SelectShift(column);
        } else if (Shift.Contains(ssCtrl)) {
            cols->InvertSelect(column);
        } else {
            Invalidate();
            cols->Select(column, false);
        }
        fire();
        return;
    }
    // a title button
    if (column && cell.Y >= 0 && cell.Y < titleOffset && !IsDesigning() && titleHit(X, Y, cell.X)) {
        if (dbOptions.Contains(dgColumnResize) && Button == mbRight) {
            Button = mbLeft;
            rightButtonAsLeft = true;
        }
        if (Button == mbLeft && CheckTitleButton(cell.X)) {
            SetMouseCapture(true);
            titlePressed = true;
            pressedTitleCol = cell.X;
            updatePressedTitle(X, Y);
            fire();
            return;
        }
    }
    if (cell.Y >= 0 && cell.Y < titleOffset &&
        (IsDesigning() || dbOptions.Contains(dgColumnResize))) {
        if (cell.X == 0 && dbOptions.Contains(dgIndicator) && dbOptions.Contains(dgMultiSelect) &&
            dataLink->GetActive()) {
            if (selection->GetSelectionType() != gskNone)
                selection->Clear();
            else
                selection->SelectAll();
            InvalidateEditor();
        }
        dataLink->UpdateRecord();
        TCustomGrid::MouseDown(Button, Shift, X, Y);
        return;
    }
    if (cell.Y > lastDataRow || cell.Y < 0 || !dataLink->GetActive()) {
        fire();
        return;
    }
    BeginUpdate();
    // the update ends before OnMouseDown runs, and once only, also when the handler fails
    TScopeGuard endUpdate([this] { EndUpdate(); });
    dataLink->UpdateRecord();
    HideEditor();
    const int oldCol = GetCol(), oldRow = GetRow();
    TDataSet* ds = dataLink->GetDataSet();
    const bool multi = dbOptions.Contains(dgMultiSelect);
    const bool rowArea = dbOptions.Contains(dgRowSelect) || cell.X < indicatorOffset;
    const bool shiftRange = Shift.Contains(ssShift) && multi && rowArea;
    if (cell.Y >= dataFirstRow && cell.Y != oldRow && !shiftRange) ds->MoveBy(cell.Y - oldRow);
    if (column) SelectColumnByIndex(cell.X, 0, false);
    const bool inData = column && cell.Y >= dataFirstRow;
    // a press inside the selection of an automatic-drag grid starts dragging it on the move
    if (autoDragMouseDown && Button == mbLeft && !Shift.Contains(ssShift) && inData &&
        !ds->IsEmpty() &&
        selection->DataCellSelected(cell.X - indicatorOffset, ds->GetBookmark())) {
        dragPending = true;
        endUpdate.End();
        fire();
        return;
    }
    if (inData && !(dbOptions.Contains(dgRowSelect) && multi)) {
        if (!Shift.Contains(ssCtrl) && !Shift.Contains(ssShift) &&
            optionsEh.Contains(dghClearSelection) && Button == mbLeft)
            ClearSelection();
        if (multi && Button == mbLeft && !ds->IsEmpty()) {
            if (Shift.Contains(ssShift))
                selection->GetRect()->Select(GetSelectedIndex(), ds->GetBookmark(), true);
            trackingCells = true;
            ehGridState = ehgsRectSelecting;
        }
    }
    if (multi && rowArea && cell.Y >= dataFirstRow) {
        if (shiftRange && cell.Y != oldRow) {
            MoveByWithSelection(true, cell.Y - oldRow, true, false);
        } else if (Button == mbLeft) {
            if (Shift.Contains(ssCtrl) || !optionsEh.Contains(dghClearSelection)) {
                bookmarks->SetCurrentRowSelected(!bookmarks->GetCurrentRowSelected());
            } else {
                ClearSelection();
                bookmarks->SetCurrentRowSelected(true);
            }
        }
        trackingRows = true;
        selectionAnchor = ds->GetBookmark();
        anchorWasSelected = !bookmarks->GetCurrentRowSelected();
        ehGridState = ehgsRowSelecting;
    }
    if (Button == mbLeft && column) {
        const bool again = cell.X == oldCol && cell.Y == oldRow;
        const TRect r = CellRect(cell.X, cell.Y);
        const bool onButton = X >= r.Right - editButtonWidth && column->GetAlwaysShowEditButton() &&
                              GetColumnEditStyle(column) != esSimpleEh;
        if (again || dbOptions.Contains(dgAlwaysShowEditor) || onButton) ShowEditor();
        if (column->GetColumnType() == ctkCheckboxes) {
            checkBoxDownCol = cell.X;
            checkBoxDownRow = cell.Y;
        }
    } else if (Button == mbRight) {
        InvalidateEditor();
    }
    endUpdate.End();
    fire();
}

void TCustomDBGridEh::MouseMove(TShiftState Shift, int X, int Y) {
    lastMouse = TPoint{X, Y};
    if (dragPending) {
        dragPending = false;
        BeginDrag(Mouse->GetDragImmediate(), Mouse->GetDragThreshold());
        return;
    }
    if (titlePressed && pressedTitleCol >= 0) {
        updatePressedTitle(X, Y);
        if (std::abs(X - mouseDownPos.X) > TitleDragThreshold &&
            dbOptions.Contains(dgColumnResize)) {
            releaseTitle();
            // the held title turns into a column move
            TCustomGrid::MouseDown(mbLeft, TShiftState{ssLeft}, mouseDownPos.X, mouseDownPos.Y);
            TCustomGrid::MouseMove(Shift, X, Y);
        }
        return;
    }
    if ((trackingRows || trackingCells) && Shift.Contains(ssLeft) && dataLink->GetActive()) {
        const TRect b = DataRect();
        const int x = std::clamp(X, 0, std::max(0, GetGridWidth() - 1));
        const int y = std::clamp(Y, 0, std::max(0, GetGridHeight() - 1));
        const TGridCoord cell = MouseCoord(x, y);
        if (y >= b.Top && y < b.Bottom && cell.Y >= titleOffset && cell.Y != GetRow())
            MoveByWithSelection(true, cell.Y - GetRow(), ehGridState != ehgsRectSelecting, false);
        if (trackingCells && x >= b.Left && x < b.Right && cell.X >= indicatorOffset &&
            cell.X != GetCol()) {
            SelectColumnByIndex(cell.X, cell.X > GetCol() ? 1 : -1,
                                ehGridState == ehgsRectSelecting);
        }
        if (!PointInGridRect(X, Y, b)) AutoScrollStep();
        return;
    }
    if (ehGridState == ehgsColSelecting) {
        const TRect b = DataRect();
        if (X >= b.Left && X < b.Right) {
            const TGridCoord cell = MouseCoord(X, std::max(0, b.Top));
            if (TColumnEh* c = ColumnAt(cell.X - indicatorOffset))
                selection->GetColumns()->SelectShift(c);
        } else {
            AutoScrollStep();
        }
        return;
    }
    if (ehGridState == ehgsFrozenColSizing) {
        if (optionsEh.Contains(dghTraceColSizing)) {
            SetSizingPos(X + GetSizingOfs());
            traceSizing(GetSizingIndex(), GetSizingPos());
        } else {
            TGridDrawInfo di;
            CalcDrawInfo(di);
            DrawSizingLine(di);
            SetSizingPos(X + GetSizingOfs());
            DrawSizingLine(di);
        }
        return;
    }
    if (optionsEh.Contains(dghTraceColSizing) && GetGridState() == gsColSizing) {
        SetSizingPos(X + GetSizingOfs());
        traceSizing(GetSizingIndex(), GetSizingPos());
        return;
    }
    TCustomGrid::MouseMove(Shift, X, Y);
    applyCursor(X, Y);
    // each cell has its own tool tip: another cell hides the one shown and waits again
    const TGridCoord cell = MouseCoord(X, Y);
    if (!(cell == hintCell)) {
        hintCell = cell;
        if (Application && HasOwnHints()) Application->RestartHint(this);
    }
}

void TCustomDBGridEh::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (ehGridState == ehgsFrozenColSizing) {
        ehGridState = ehgsNormal;
        SetMouseCapture(false);
        if (!optionsEh.Contains(dghTraceColSizing)) {
            TGridDrawInfo di;
            CalcDrawInfo(di);
            DrawSizingLine(di); // erases it
            const int w = GetSizingPos() - columnLeft(GetSizingIndex());
            if (w > 1) SetColWidths(GetSizingIndex(), w);
        }
        if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
        return;
    }
    if (dragPending) {
        // no drag came: the press acts as a click on the selection
        dragPending = false;
        if (Shift.Contains(ssCtrl) && dbOptions.Contains(dgRowSelect))
            bookmarks->SetCurrentRowSelected(!bookmarks->GetCurrentRowSelected());
        else if (optionsEh.Contains(dghClearSelection))
            ClearSelection();
    } else if (optionsEh.Contains(dghTraceColSizing) && GetGridState() == gsColSizing) {
        SetGridState(gsNormal);
        SetMouseCapture(false);
        if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
        return;
    }
    const TEhGridState was = ehGridState;
    ehGridState = ehgsNormal;
    const TGridState baseWas = GetGridState();
    selecting = false;
    if (titlePressed && pressedTitleCol >= 0) {
        const int col = pressedTitleCol;
        const bool counts = titleHit(X, Y, col);
        releaseTitle();
        if (counts) {
            TColumnEh* c = ColumnAt(col - indicatorOffset);
            if (c) {
                TitleBtnClick(col - indicatorOffset, c);
                const bool ctrl = Shift.Contains(ssCtrl);
                if (optionsEh.Contains(dghAutoSortMarking)) {
                    c->GetTitle()->ToggleSortMarker(ctrl);
                    if (ctrl)
                        SetSortMarkingPending(true); // told when Ctrl comes up
                    else
                        SortMarkingChanged();
                }
            }
        }
        rightButtonAsLeft = false;
        if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
        return;
    }
    if (rightButtonAsLeft) {
        rightButtonAsLeft = false;
        SetMouseCapture(false);
        Button = mbLeft;
    }
    if (trackingRows || trackingCells) {
        trackingRows = trackingCells = false;
        StopScrollTimer();
    } else if (was != ehgsNormal) {
        StopScrollTimer();
        if (was == ehgsColSelecting) SetMouseCapture(false);
    }
    TCustomGrid::MouseUp(Button, Shift, X, Y);
    if (baseWas == gsColSizing || baseWas == gsRowSizing) return;
    if (inplaceEdit && inplaceEdit->GetVisible() &&
        PointInGridRect(X, Y, inplaceEdit->GetBoundsRect()))
        return;
    const TGridCoord cell = MouseCoord(X, Y);
    TColumnEh* c = cell.X >= indicatorOffset ? ColumnAt(cell.X - indicatorOffset) : nullptr;
    if (Button == mbLeft && c) {
        if (cell.Y >= titleOffset)
            CellClick(c);
        else if (cell.Y >= 0)
            TitleClick(c);
    }
    if (Button == mbLeft && c && cell.X == checkBoxDownCol && cell.Y == checkBoxDownRow &&
        c->GetColumnType() == ctkCheckboxes && !c->GetDblClickNextVal() &&
        !Shift.Contains(ssDouble) && c->CanModify(true))
        c->StepFieldValue(Shift.Contains(ssShift) ? -1.0 : 1.0);
    if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}
