// The selection: marked records (bookmarks in dataset order), a rectangle of cells, whole
// columns, or everything.
#include "DBGridEh.h"

#include "ScopeGuard.h"

#include <algorithm>

// ---- TBookmarkListEh ----------------------------------------------------------------------------

TBookmarkListEh::TBookmarkListEh(TCustomDBGridEh* AGrid) : grid(AGrid) {}

TBookmarkListEh::~TBookmarkListEh() {
    list.clear();
}

void TBookmarkListEh::changed() {
    cacheKey.clear();
    cacheIndex = -1;
}

void TBookmarkListEh::Clear() {
    if (list.empty()) return;
    list.clear();
    changed();
    if (TDBGridEhSelection* s = grid->GetSelection()) s->UpdateState();
    grid->Invalidate();
}

TBookmark TBookmarkListEh::CurrentRow() const {
    if (!grid->GetDataLink()->GetActive()) GridError(QString::fromUtf8(SDataSetClosed));
    return grid->GetDataLink()->GetDataSet()->GetBookmark();
}

bool TBookmarkListEh::GetCurrentRowSelected() const {
    int index = 0;
    return Find(CurrentRow(), index);
}

void TBookmarkListEh::SetCurrentRowSelected(bool Value) {
    TBookmark current = CurrentRow();
    if (current.isEmpty()) return; // a record being inserted has no bookmark yet
    int index = 0;
    if (Find(current, index) == Value) return;
    if (Value)
        list.insert(list.begin() + index, current);
    else
        list.erase(list.begin() + index);
    changed();
    grid->InvalidateRow(grid->GetRow());
    TDBGridEhSelection* s = grid->GetSelection();
    if (s->GetSelectionType() != gskRecordBookmarks && !list.empty()) {
        s->Clear();
        s->SetSelectionType(gskRecordBookmarks);
    }
    s->UpdateState();
}

bool TBookmarkListEh::Find(const TBookmark& Item, int& Index) const {
    if (cacheIndex >= 0 && Item == cacheKey) {
        lastFindCached = true;
        Index = cacheIndex;
        return cacheFound;
    }
    lastFindCached = false;
    TDataSet* ds = grid->GetDataLink()->GetDataSet();
    bool found = false;
    int lo = 0, hi = Count() - 1;
    while (lo <= hi) {
        int mid = (lo + hi) / 2;
        int c = ds ? ds->CompareBookmarks(list[size_t(mid)], Item)
                   : (list[size_t(mid)] < Item ? -1 : (list[size_t(mid)] == Item ? 0 : 1));
        if (c < 0) {
            lo = mid + 1;
        } else {
            hi = mid - 1;
            if (c == 0) {
                found = true;
                lo = mid;
            }
        }
    }
    Index = lo;
    cacheKey = Item;
    cacheIndex = lo;
    cacheFound = found;
    return found;
}

TBookmark TBookmarkListEh::GetItems(int Index) const {
    if (Index < 0 || Index >= Count())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(Index));
    return list[size_t(Index)];
}

void TBookmarkListEh::LinkActive(bool Value) {
    Clear();
    if (TDBGridEhSelection* s = grid->GetSelection()) s->UpdateState();
    linkActive = Value;
}

void TBookmarkListEh::Delete() {
    TDataSet* ds = grid->GetDataLink()->GetDataSet();
    if (!ds) return;
    ds->DisableControls();
    TScopeGuard enable([&] {
        ds->EnableControls();
        grid->GetSelection()->UpdateState();
    });
    for (int i = Count() - 1; i >= 0; --i) {
        // a record already gone elsewhere only leaves the list
        if (ds->BookmarkValid(list[size_t(i)])) {
            ds->GotoBookmark(list[size_t(i)]);
            ds->Delete();
        }
        list.erase(list.begin() + i);
        changed();
    }
    enable.End();
}

// ---- TDBGridEhSelectionRect ---------------------------------------------------------------------

TDBGridEhSelectionRect::TDBGridEhSelectionRect(TCustomDBGridEh* AGrid) : grid(AGrid) {}

void TDBGridEhSelectionRect::Clear() {
    anchorCol = shiftCol = -1;
    anchorRow.clear();
    shiftRow.clear();
    grid->Invalidate();
}

TDataSet* TDBGridEhSelectionRect::checkedDataSet(const char* Message) const {
    TDataSource* src = grid->GetDataSource();
    TDataSet* ds = src ? src->GetDataSet() : nullptr;
    if (!ds || !grid->GetDataLink()->GetActive()) GridError(QString::fromLatin1(Message));
    return ds;
}

int TDBGridEhSelectionRect::GetLeftCol() const {
    checkedDataSet("Error in TDBGridEhSelectionRect.GetLeftCol");
    return std::min(anchorCol, shiftCol);
}

int TDBGridEhSelectionRect::GetRightCol() const {
    checkedDataSet("Error in TDBGridEhSelectionRect.GetRightCol");
    return std::max(anchorCol, shiftCol);
}

TBookmark TDBGridEhSelectionRect::GetTopRow() const {
    TDataSet* ds = checkedDataSet("Error in TDBGridEhSelectionRect.GetTopRow");
    return ds->CompareBookmarks(anchorRow, shiftRow) <= 0 ? anchorRow : shiftRow;
}

TBookmark TDBGridEhSelectionRect::GetBottomRow() const {
    TDataSet* ds = checkedDataSet("Error in TDBGridEhSelectionRect.GetBottomRow");
    return ds->CompareBookmarks(anchorRow, shiftRow) <= 0 ? shiftRow : anchorRow;
}

bool TDBGridEhSelectionRect::DataCellSelected(int DataCol, const TBookmark& Bookmark) const {
    TDataSet* ds = checkedDataSet("Error in function TDBGridEhSelectionRect.CellSelected");
    return ds->CompareBookmarks(GetTopRow(), Bookmark) <= 0 &&
           ds->CompareBookmarks(GetBottomRow(), Bookmark) >= 0 && DataCol >= GetLeftCol() &&
           DataCol <= GetRightCol();
}

void TDBGridEhSelectionRect::Select(int DataCol, const TBookmark& Bookmark, bool AddSel) {
    TDBGridEhSelection* s = grid->GetSelection();
    if (s->GetSelectionType() != gskRectangle) s->Clear();
    const int oldAnchorCol = anchorCol, oldShiftCol = shiftCol;
    const TBookmark oldAnchorRow = anchorRow, oldShiftRow = shiftRow;
    if (anchorCol == -1 || !AddSel) {
        anchorCol = DataCol;
        anchorRow = Bookmark;
    }
    shiftCol = DataCol;
    shiftRow = Bookmark;
    if (anchorCol == shiftCol && anchorRow == shiftRow) {
        // a one-cell rectangle is no selection
        if (s->GetSelectionType() == gskRectangle) s->SetSelectionType(gskNone);
    } else {
        s->SetSelectionType(gskRectangle);
    }
    if (!grid->HandleAllocated() || !grid->GetDataLink()->GetActive()) return;
    TDataSet* ds = grid->GetDataLink()->GetDataSet();
    auto box = [&](int A, const TBookmark& AR, int S, const TBookmark& SR) {
        if (A < 0 || S < 0) return TRect{};
        bool ordered = ds->CompareBookmarks(AR, SR) <= 0;
        return CellBox(A, ordered ? AR : SR, S, ordered ? SR : AR);
    };
    TRect was = box(oldAnchorCol, oldAnchorRow, oldShiftCol, oldShiftRow);
    TRect now = box(anchorCol, anchorRow, shiftCol, shiftRow);
    HWND h = grid->GetHandle();
    auto invalidate = [h](const TRect& R) {
        if (R.Width() > 0 && R.Height() > 0) ::InvalidateRect(h, &R, false);
    };
    TRect meet{std::max(was.Left, now.Left), std::max(was.Top, now.Top),
               std::min(was.Right, now.Right), std::min(was.Bottom, now.Bottom)};
    if (meet.Width() <= 0 || meet.Height() <= 0) {
        invalidate(was);
        invalidate(now);
        return;
    }
    // only the strips where the two boxes differ
    TRect all{std::min(was.Left, now.Left), std::min(was.Top, now.Top),
              std::max(was.Right, now.Right), std::max(was.Bottom, now.Bottom)};
    invalidate(TRect{all.Left, all.Top, all.Right, meet.Top});
    invalidate(TRect{all.Left, meet.Bottom, all.Right, all.Bottom});
    invalidate(TRect{all.Left, meet.Top, meet.Left, meet.Bottom});
    invalidate(TRect{meet.Right, meet.Top, all.Right, meet.Bottom});
}

TRect TDBGridEhSelectionRect::CellBox(int ALeftCol, const TBookmark& ATopRow, int ARightCol,
                                      const TBookmark& ABottomRow) const {
    if (ALeftCol > ARightCol) std::swap(ALeftCol, ARightCol);
    TGridDataLinkEh* link = grid->GetDataLink();
    TDataSet* ds = link->GetDataSet();
    if (!link->GetActive() || !ds) return TRect{};
    const int n = link->GetRecordCount();
    if (n == 0) return TRect{};
    const int saved = link->GetActiveRecord();
    std::vector<TBookmark> shown;
    for (int k = 0; k < n; ++k) {
        link->SetActiveRecord(k);
        shown.push_back(ds->GetBookmark());
    }
    link->SetActiveRecord(saved);
    auto rowOf = [&](const TBookmark& B) {
        for (int k = 0; k < n; ++k)
            if (shown[size_t(k)] == B) return k;
        return -1;
    };
    int top = 0;
    if (ds->CompareBookmarks(ATopRow, shown.front()) >= 0) {
        top = rowOf(ATopRow);
        if (top < 0) return TRect{}; // below the rows shown
    }
    int bottom = grid->VisibleDataRowCount() - 1;
    if (ds->CompareBookmarks(ABottomRow, shown.back()) <= 0) {
        bottom = rowOf(ABottomRow);
        if (bottom < 0) return TRect{}; // above the rows shown
    }
    if (bottom < top) return TRect{};
    const int io = grid->GetIndicatorOffset(), to = grid->GetTitleOffset();
    return grid->BoxRect(ALeftCol + io, top + to, ARightCol + io, bottom + to);
}

// ---- TDBGridEhSelectionCols ---------------------------------------------------------------------

TDBGridEhSelectionCols::TDBGridEhSelectionCols(TCustomDBGridEh* AGrid) : grid(AGrid) {}

TDBGridEhSelectionCols::~TDBGridEhSelectionCols() = default;

void TDBGridEhSelectionCols::repaintColumn(TColumnEh* Column) {
    int raw = Column->GetIndex() + grid->GetIndicatorOffset();
    if (Column->GetIndex() >= 0 && raw < grid->GetColCount()) grid->InvalidateCol(raw);
}

void TDBGridEhSelectionCols::removeColumn(TColumnEh* Column) {
    Remove(Column);
}

void TDBGridEhSelectionCols::Add(TColumnEh* Column) {
    const int at = Column->GetIndex();
    for (int i = 0; i < Count(); ++i)
        if (GetColumn(i)->GetIndex() > at) {
            Insert(i, Column);
            return;
        }
    TColumnsEhList::Add(Column);
}

void TDBGridEhSelectionCols::Clear() {
    for (int i = 0; i < Count(); ++i)
        repaintColumn(GetColumn(i));
    TColumnsEhList::Clear();
    anchor = nullptr;
    shiftCol = nullptr;
}

void TDBGridEhSelectionCols::Select(TColumnEh* Column, bool AddSel) {
    TDBGridEhSelection* s = grid->GetSelection();
    if (s->GetSelectionType() != gskColumns) s->Clear();
    if (!AddSel) Clear();
    if (!contains(Column)) Add(Column);
    repaintColumn(Column);
    anchor = shiftCol = Column;
    s->SetSelectionType(gskColumns);
    shiftSelectedCols.Clear();
}

void TDBGridEhSelectionCols::InvertSelect(TColumnEh* Column) {
    TDBGridEhSelection* s = grid->GetSelection();
    if (s->GetSelectionType() != gskColumns) s->Clear();
    if (contains(Column))
        removeColumn(Column);
    else
        Add(Column);
    repaintColumn(Column);
    anchor = shiftCol = Column;
    s->SetSelectionType(Count() > 0 ? gskColumns : gskNone);
    shiftSelectedCols.Clear();
}

void TDBGridEhSelectionCols::SelectShift(TColumnEh* Column) {
    TDBGridEhSelection* s = grid->GetSelection();
    if (s->GetSelectionType() != gskColumns) s->Clear();
    if (!anchor) {
        Select(Column, true);
        anchor = shiftCol = Column;
        s->SetSelectionType(Count() > 0 ? gskColumns : gskNone);
        return;
    }
    TDBGridColumnsEh* cols = grid->GetColumns();
    const int a = anchor->GetIndex();
    const int sh = shiftCol ? shiftCol->GetIndex() : a;
    const int c = Column->GetIndex();
    // From the previous shift column towards the new one: adding while the range grows,
    // taking back what the extension added while it shrinks, and adding again past the anchor.
    int start = sh, end = c, step = 1, flip = -1;
    bool adding = true;
    if (a < sh && c < sh) {
        step = -1;
        adding = false;
        if (a > c)
            flip = a;
        else
            end = c + 1;
    } else if (a > sh && c > sh) {
        adding = false;
        if (a < c)
            flip = a;
        else
            end = c - 1;
    } else if (a == sh) {
        start = a;
        step = c < a ? -1 : 1;
    } else if (c == sh) {
        start = end = c;
    } else {
        step = c < sh ? -1 : 1;
    }
    const bool anchorSelected = contains(anchor);
    for (int i = start;; i += step) {
        if (i == flip) adding = !adding;
        if (i >= 0 && i < cols->Count()) {
            TColumnEh* col = cols->GetItems(i);
            const bool noted = shiftSelectedCols.IndexOf(col) >= 0;
            if (adding) {
                if (anchorSelected && !contains(col) && col->GetVisible()) {
                    Add(col);
                    repaintColumn(col);
                    shiftSelectedCols.Add(col);
                } else if (!anchorSelected && contains(col) && col != anchor) {
                    removeColumn(col);
                    repaintColumn(col);
                    shiftSelectedCols.Add(col);
                }
            } else if (noted) {
                if (anchorSelected && contains(col) && col != anchor) {
                    removeColumn(col);
                    shiftSelectedCols.Remove(col);
                    repaintColumn(col);
                } else if (!anchorSelected && !contains(col) && col->GetVisible()) {
                    Add(col);
                    shiftSelectedCols.Remove(col);
                    repaintColumn(col);
                }
            }
        }
        if (i == end) break;
    }
    shiftCol = Column;
    s->SetSelectionType(Count() > 0 ? gskColumns : gskNone);
}

void TDBGridEhSelectionCols::Refresh() {
    TDBGridColumnsEh* cols = grid->GetColumns();
    for (int i = Count() - 1; i >= 0; --i)
        if (GetColumn(i)->GetCollection() != cols) Delete(i);
    std::vector<TColumnEh*> v;
    for (int i = 0; i < Count(); ++i)
        v.push_back(GetColumn(i));
    std::stable_sort(v.begin(), v.end(),
                     [](TColumnEh* x, TColumnEh* y) { return x->GetIndex() < y->GetIndex(); });
    for (size_t i = 0; i < v.size(); ++i)
        SetColumn(int(i), v[i]);
}

void TDBGridEhSelectionCols::ColumnRemoved(TColumnEh* Column) {
    Remove(Column);
    shiftSelectedCols.Remove(Column);
    if (anchor == Column) anchor = nullptr;
    if (shiftCol == Column) shiftCol = nullptr;
}

// ---- TDBGridEhSelection -------------------------------------------------------------------------

TDBGridEhSelection::TDBGridEhSelection(TCustomDBGridEh* AGrid)
    : grid(AGrid), rect(std::make_unique<TDBGridEhSelectionRect>(AGrid)),
      columns(std::make_unique<TDBGridEhSelectionCols>(AGrid)) {}

TDBGridEhSelection::~TDBGridEhSelection() = default;

TBookmarkListEh* TDBGridEhSelection::GetRows() const {
    return grid->GetSelectedRows();
}

void TDBGridEhSelection::SetSelectionType(TGridSelectionKindEh Value) {
    if (Value == kind) return;
    kind = Value;
    // a selection and the editor are never shown together
    if (grid->IsDestroying()) return;
    if (Value == gskNone && grid->GetOptions().Contains(dgAlwaysShowEditor))
        grid->ShowEditor();
    else
        grid->HideEditor();
}

void TDBGridEhSelection::Clear() {
    switch (kind) {
    case gskRecordBookmarks:
        GetRows()->Clear();
        break;
    case gskRectangle:
        rect->Clear();
        break;
    case gskColumns:
        columns->Clear();
        break;
    case gskAll:
        grid->Invalidate();
        break;
    case gskNone:
        break;
    }
    kind = gskNone;
    if (!grid->IsDestroying() && grid->GetOptions().Contains(dgAlwaysShowEditor))
        grid->ShowEditor();
}

void TDBGridEhSelection::SelectAll() {
    if (kind == gskAll) return;
    if (kind != gskNone) Clear();
    SetSelectionType(gskAll);
    grid->Invalidate();
}

bool TDBGridEhSelection::DataCellSelected(int DataCol, const TBookmark& Bookmark) const {
    switch (kind) {
    case gskRecordBookmarks: {
        int index = 0;
        return GetRows()->Find(Bookmark, index);
    }
    case gskRectangle:
        return DataCol >= 0 && rect->DataCellSelected(DataCol, Bookmark);
    case gskColumns: {
        TColumnEh* c = grid->ColumnAt(DataCol);
        return DataCol >= 0 && c && columns->IndexOf(c) >= 0;
    }
    case gskAll:
        return true;
    case gskNone:
        break;
    }
    return false;
}

void TDBGridEhSelection::UpdateState() {
    if ((kind == gskRecordBookmarks && GetRows()->Count() == 0) ||
        (kind == gskColumns && columns->Count() == 0)) {
        kind = gskNone;
        grid->Invalidate();
    }
}

void TDBGridEhSelection::LinkActive(bool Value) {
    GetRows()->LinkActive(Value);
    Clear();
}
