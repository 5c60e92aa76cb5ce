// The grid's mouse: choosing records and columns, selecting rows, cells and columns, title
// buttons that toggle the sort markers, the editor shown by a click on the current cell, and the
// tool tips of cut texts and title hints.
#include "DBGridEh.h"
#include "DBGridEhInternal.h"

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
    if (Sizing(X, Y)) {
        dataLink->UpdateRecord();
        TCustomGrid::MouseDown(Button, Shift, X, Y);
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
    try {
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
            const bool onButton = X >= r.Right - editButtonWidth &&
                                  column->GetAlwaysShowEditButton() &&
                                  GetColumnEditStyle(column) != esSimpleEh;
            if (again || dbOptions.Contains(dgAlwaysShowEditor) || onButton) ShowEditor();
            if (column->GetColumnType() == ctkCheckboxes) {
                checkBoxDownCol = cell.X;
                checkBoxDownRow = cell.Y;
            }
        } else if (Button == mbRight) {
            InvalidateEditor();
        }
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
    fire();
}

void TCustomDBGridEh::MouseMove(TShiftState Shift, int X, int Y) {
    lastMouse = TPoint{X, Y};
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
    TCustomGrid::MouseMove(Shift, X, Y);
}

void TCustomDBGridEh::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
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
