// What the grid's main parts lean on: the standard edit actions and their permissions, the
// position kept around bulk work, auto-scrolling while the mouse drags beyond the data cells,
// the sort-marking notification held until Ctrl comes up, and the titles repainted as the
// leftmost column changes.
#include "Clipbrd.h"
#include "DBGridEhImpExp.h"
#include "DBGridEhInternal.h"
#include "StdActns.h"

#include <algorithm>

namespace {

constexpr uintptr_t kScrollTimerEh = 1;

// Rows an auto-scroll step moves for a distance beyond the data cells: one per 6 pixels, 8 at
// the most from 54 pixels on.
int rowsFor(int Distance) {
    const int n = Distance / 6;
    return n >= 9 ? 8 : n;
}

} // namespace

// ---- edit actions -------------------------------------------------------------------------------

bool TCustomDBGridEh::CanCopy() {
    return dataLink->GetActive() && selection->GetSelectionType() != gskNone;
}

bool TCustomDBGridEh::CanPaste() {
    if (!dataLink->GetActive() || readOnly) return false;
    TDataSet* ds = dataLink->GetDataSet();
    if (!ds->CanModify()) return false;
    if (!Clipboard()->HasFormat(CF_VCLDBIF()) && !Clipboard()->HasFormat(CF_TEXT)) return false;
    return ds->GetState() == dsInsert || allowedOperations.Contains(alopUpdateEh);
}

bool TCustomDBGridEh::CanCut() {
    return CanCopy() && CanDelete();
}

bool TCustomDBGridEh::CanSelectAll() {
    return dataLink->GetActive() && !dataLink->GetDataSet()->IsEmpty();
}

bool TCustomDBGridEh::CanDelete() {
    if (!dataLink->GetActive() || readOnly) return false;
    TDataSet* ds = dataLink->GetDataSet();
    if (ds->IsEmpty() || !ds->CanModify()) return false;
    switch (selection->GetSelectionType()) {
    case gskRecordBookmarks:
    case gskAll:
        return allowedOperations.Contains(alopDeleteEh);
    case gskRectangle:
    case gskColumns:
        return allowedOperations.Contains(alopUpdateEh);
    case gskNone:
        break;
    }
    return false;
}

// The standard edit actions: each one the grid's EditActions allow, while the grid has the focus.
namespace {

struct TGridEditAction {
    bool (*Matches)(TBasicAction*);
    TDBGridEhEditAction Member;
    bool (TCustomDBGridEh::*Test)();
    void (*Perform)(TCustomDBGridEh*);
};

template <class A> bool isAction(TBasicAction* Action) {
    return dynamic_cast<A*>(Action) != nullptr;
}

const TGridEditAction kEditActions[] = {
    {isAction<TEditCopy>, geaCopyEh, &TCustomDBGridEh::CanCopy,
     [](TCustomDBGridEh* G) { GridCopyToClipboard(G, false); }},
    {isAction<TEditPaste>, geaPasteEh, &TCustomDBGridEh::CanPaste,
     [](TCustomDBGridEh* G) { GridPasteFromClipboard(G, false); }},
    {isAction<TEditCut>, geaCutEh, &TCustomDBGridEh::CanCut,
     [](TCustomDBGridEh* G) { GridCutToClipboard(G, false); }},
    {isAction<TEditSelectAll>, geaSelectAllEh, &TCustomDBGridEh::CanSelectAll,
     [](TCustomDBGridEh* G) { G->GetSelection()->SelectAll(); }},
    {isAction<TEditDelete>, geaDeleteEh, &TCustomDBGridEh::CanDelete,
     [](TCustomDBGridEh* G) { GridDeleteSelection(G, false); }},
};

const TGridEditAction* editActionFor(TBasicAction* Action, TDBGridEhEditActions Allowed) {
    for (const TGridEditAction& a : kEditActions)
        if (a.Matches(Action)) return Allowed.Contains(a.Member) ? &a : nullptr;
    return nullptr;
}

} // namespace

bool TCustomDBGridEh::PerformEditAction(TDBGridEhEditAction Action) {
    if (!editActions.Contains(Action)) return false;
    for (const TGridEditAction& a : kEditActions)
        if (a.Member == Action) {
            if (!(this->*a.Test)()) return false;
            a.Perform(this);
            return true;
        }
    return false;
}

bool TCustomDBGridEh::ExecuteAction(TBasicAction* Action) {
    if (Focused())
        if (const TGridEditAction* a = editActionFor(Action, editActions)) {
            if (!(this->*a->Test)()) return false;
            a->Perform(this);
            return true;
        }
    return TCustomGrid::ExecuteAction(Action);
}

bool TCustomDBGridEh::UpdateAction(TBasicAction* Action) {
    if (Focused())
        if (const TGridEditAction* a = editActionFor(Action, editActions)) {
            static_cast<TCustomAction*>(Action)->SetEnabled((this->*a->Test)());
            return true;
        }
    return TCustomGrid::UpdateAction(Action);
}

// ---- the kept position --------------------------------------------------------------------------

void TCustomDBGridEh::SavePosition() {
    if (!dataLink->GetActive()) return;
    TDataSet* ds = dataLink->GetDataSet();
    const int count = dataLink->GetRecordCount();
    const int offset = dataLink->GetActiveRecord() - count / 2 + (count + 1) % 2;
    ds->MoveBy(-offset);
    savedBookmark = ds->GetBookmark();
    ds->MoveBy(offset);
    savedOffset = offset;
}

void TCustomDBGridEh::RestorePosition() {
    if (!dataLink->GetActive() || savedBookmark.isEmpty()) return;
    TDataSet* ds = dataLink->GetDataSet();
    if (!ds->BookmarkValid(savedBookmark)) return;
    ds->GotoBookmark(savedBookmark);
    ds->MoveBy(savedOffset);
}

// ---- auto-scrolling -----------------------------------------------------------------------------

TRect TCustomDBGridEh::DataRect() {
    const int lastRow = footerRowCount > 0 ? rowCount - footerRowCount - 2 : rowCount - 1;
    return BoxRect(indicatorOffset, titleOffset, colCount - 1, std::max<int>(titleOffset, lastRow));
}

void TCustomDBGridEh::startScrollTimer(int Interval) {
    Interval = std::max(0, Interval);
    if (!HandleAllocated()) return;
    if (scrollTimerInterval != Interval) SetTimer(handle, kScrollTimerEh, UINT(Interval));
    scrollTimerInterval = Interval;
}

void TCustomDBGridEh::StopScrollTimer() {
    if (scrollTimerInterval >= 0 && HandleAllocated()) KillTimer(handle, kScrollTimerEh);
    scrollTimerInterval = -1;
}

void TCustomDBGridEh::AutoScrollStep() {
    const TRect b = DataRect();
    const TPoint p = lastMouse;
    if (ehGridState == ehgsColSelecting) {
        // beyond the left or right edge: one column further and shift-select it
        if (p.X >= b.Left && p.X < b.Right) return;
        const bool left = p.X < b.Left;
        if (left) {
            if (GetLeftCol() > fixedCols) SetLeftCol(GetLeftCol() - 1);
            if (TColumnEh* c = ColumnAt(GetLeftCol() - indicatorOffset))
                selection->GetColumns()->SelectShift(c);
            startScrollTimer(200 - 10 * (b.Left - p.X));
        } else {
            TGridDrawInfo di;
            CalcDrawInfo(di);
            if (di.Horz.LastFullVisibleCell < colCount - 1) SetLeftCol(GetLeftCol() + 1);
            CalcDrawInfo(di);
            const int edge = std::min(colCount - 1, di.Horz.LastFullVisibleCell + 1);
            if (TColumnEh* c = ColumnAt(edge - indicatorOffset))
                selection->GetColumns()->SelectShift(c);
            startScrollTimer(200 - 10 * (p.X - b.Right));
        }
        return;
    }
    int vDir = 0, hDir = 0, vDist = 0, hDist = 0;
    if (p.Y < b.Top) {
        vDir = -1;
        vDist = b.Top - p.Y;
    } else if (p.Y >= b.Bottom) {
        vDir = 1;
        vDist = p.Y - b.Bottom + 1;
    }
    if (p.X < b.Left) {
        hDir = -1;
        hDist = b.Left - p.X;
    } else if (p.X >= b.Right) {
        hDir = 1;
        hDist = p.X - b.Right;
    }
    if (vDir == 0 && hDir == 0) {
        StopScrollTimer();
        return;
    }
    const int d = std::max(vDist, hDist);
    const int rows = rowsFor(d);
    TDataSet* ds = dataLink->GetActive() ? dataLink->GetDataSet() : nullptr;
    if (ds && vDir != 0 && ehGridState != ehgsRectSelecting && rows != 0) ds->MoveBy(rows * vDir);
    if (hDir != 0 && ehGridState != ehgsRowSelecting) {
        if (hDir < 0 && GetLeftCol() > fixedCols)
            SetLeftCol(GetLeftCol() - 1);
        else if (hDir > 0) {
            TGridDrawInfo di;
            CalcDrawInfo(di);
            if (di.Horz.LastFullVisibleCell < colCount - 1) SetLeftCol(GetLeftCol() + 1);
        }
        SelectColumnByIndex(GetCol() + hDir, hDir, false);
    }
    if (ds && ehGridState == ehgsRectSelecting) {
        if (vDir != 0 && rows != 0) ds->MoveBy(rows * vDir);
        int col = GetSelectedIndex();
        if (hDir < 0 && GetLeftCol() == fixedCols) col = 0;
        selection->GetRect()->Select(col, ds->GetBookmark(), true);
    }
    Update();
    startScrollTimer(200 - 15 * d);
}

void TCustomDBGridEh::cancelMode() {
    if (titlePressed) {
        titlePressed = false;
        if (pressedTitleCol >= 0) InvalidateCell(pressedTitleCol, 0);
    }
    pressedTitleCol = -1;
    StopScrollTimer();
    ehGridState = ehgsNormal;
}

// ---- keys and the leftmost column ---------------------------------------------------------------

void TCustomDBGridEh::KeyUp(WORD& Key, TShiftState Shift) {
    if (sortMarkingPending && Key == VK_CONTROL) {
        sortMarkingPending = false;
        SortMarkingChanged();
    }
    TCustomGrid::KeyUp(Key, Shift);
}

void TCustomDBGridEh::TopLeftChanged() {
    const bool atFirst = GetLeftCol() == fixedCols;
    if (atFirst != leftColAtFirst) {
        leftColAtFirst = atFirst;
        for (int r = 0; r < titleOffset; ++r)
            InvalidateRow(r);
    }
    TCustomGrid::TopLeftChanged();
}
