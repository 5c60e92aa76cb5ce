// The layout rebuild (columns against fields, visible and frozen columns, row and title
// heights, automatic column widths, the multi-level title), column widths and scaling, the
// rows as a window onto the dataset, the vertical scroll bar and column moves.
#include "DBGridEh.h"
#include "DBLookupEh.h"
#include "ScopeGuard.h"

#include <algorithm>
#include <cstdlib>

namespace {

const QString kMeasure = QStringLiteral("Wg");

// Puts a font on a canvas for the life of the object.
class TCanvasFontScope {
public:
    TCanvasFontScope(TCanvas* Canvas, TFont* Font) : canvas(Canvas) {
        saved.Assign(Canvas->GetFont());
        Canvas->GetFont()->Assign(Font);
    }
    ~TCanvasFontScope() { canvas->GetFont()->Assign(&saved); }
    TCanvasFontScope(const TCanvasFontScope&) = delete;
    TCanvasFontScope& operator=(const TCanvasFontScope&) = delete;

private:
    TCanvas* canvas;
    TFont saved;
};

} // namespace

// ---- InternalLayout -----------------------------------------------------------------------------

void TCustomDBGridEh::InternalLayout() {
    if (IsLoading() || IsDestroying()) return;
    if (HandleAllocated()) {
        TMsg queued;
        while (PeekMessage(queued, handle, CM_DEFERLAYOUTEH, CM_DEFERLAYOUTEH, PM_REMOVE)) {
        }
    }
    struct Running {
        bool& flag;
        bool was;
        explicit Running(bool& f) : flag(f), was(f) { flag = true; }
        ~Running() { flag = was; }
    } running(layoutRunning);
    const std::vector<int> widthsBefore = colWidths;

    // Columns the grid made are dropped once the application's own columns follow them.
    bool madeSeen = false, mixed = false;
    for (int i = 0; i < columns->Count() && !mixed; ++i) {
        if (!columns->GetItems(i)->stored)
            madeSeen = true;
        else if (madeSeen)
            mixed = true;
    }
    if (mixed)
        for (int i = columns->Count() - 1; i >= 0; --i)
            if (!columns->GetItems(i)->stored) FreeObject(columns->GetItems(i));

    indicatorOffset = dbOptions.Contains(dgIndicator) ? 1 : 0;
    dataLink->ClearMapping();
    if (dataLink->GetActive()) DefineFieldMap();
    if (columns->GetState() == csDefault) {
        reconcileColumns();
    } else {
        TDataSet* ds = dataLink->GetDataSet();
        for (int i = 0; i < columns->Count(); ++i) {
            TColumnEh* c = columns->GetItems(i);
            TField* f = nullptr;
            if (ds && !c->fieldName.isEmpty() && (ds->GetActive() || !ds->GetDefaultFields()))
                f = ds->FindField(c->fieldName);
            c->bindField(f);
        }
    }
    rebuildVisibleColumns();
    titleOffset = dbOptions.Contains(dgTitles) ? 1 : 0;
    measureRowHeight();
    if (titleOffset) measureTitleHeight();

    if (autoFitColWidths)
        SetScrollBars(IsDesigning() && horzScrollBar->GetVisible() ? ssHorizontal : ssNone);
    else
        SetScrollBars(horzScrollBar->GetVisible() ? ssHorizontal : ssNone);
    SetColumnAttributes();
    if (autoFitColWidths && !IsDesigning()) autoFitColumns();

    if (titleOffset && (titleHeight != 0 || titleLines != 0)) {
        TFont* tallest = titleFont.get();
        int best = -1;
        for (int i = 0; i < columns->Count(); ++i) {
            TFont* f = columns->GetItems(i)->title->GetFont();
            TCanvasFontScope scope(GetCanvas(), f);
            int h = GetCanvas()->TextHeight(kMeasure);
            if (h > best) {
                best = h;
                tallest = f;
            }
        }
        TCanvasFontScope scope(GetCanvas(), tallest);
        TTextMetric tm;
        GetCanvas()->GetTextMetrics(tm);
        int h = titleLines * (tm.tmHeight + tm.tmExternalLeading) + 2 + titleHeight;
        if (dbOptions.Contains(dgRowLines)) ++h;
        SetRowHeights(0, std::max(1, h));
    }
    if (titleOffset && useMultiTitle) {
        buildTitleTree();
        int h = measureTitleNode(titleTree.get()) - (optionsEh.Contains(dghFixed3D) ? 1 : 3);
        SetRowHeights(0, std::max(1, h));
    } else {
        titleTree->FreeAllChild();
        leafNodes.clear();
    }

    SetColumnAttributes();
    // Told once when the widths changed (the lock is held: nothing is laid out again).
    if (colWidths != widthsBefore) ColWidthsChanged();
    int leftCol = GetLeftCol();
    UpdateRowCount();
    UpdateScrollBar();
    if (dbOptions.Contains(dgRowSelect) && leftCol >= fixedCols && leftCol < colCount)
        SetLeftCol(leftCol);
    UpdateActive();
    Invalidate();
    if (selection->GetSelectionType() == gskColumns) selection->GetColumns()->Refresh();
}

// Default columns: one non-stored column per mapped field, in field order.
void TCustomDBGridEh::reconcileColumns() {
    if (!dataLink->GetActive() && dataLink->DefaultFields()) {
        columns->Clear();
    } else {
        for (int i = columns->Count() - 1; i >= 0; --i) {
            TColumnEh* c = columns->GetItems(i);
            TField* f = c->GetField();
            bool mapped = false;
            for (int k = 0; f && k < dataLink->GetFieldCount() && !mapped; ++k)
                mapped = dataLink->GetFields(k) == f;
            if (!mapped) FreeObject(c);
        }
    }
    int n = dataLink->GetFieldCount();
    if (n == 0 && columns->Count() == 0) n = 1;
    for (int i = 0; i < n; ++i) {
        TField* f = dataLink->GetFields(i);
        TColumnEh* taken = nullptr;
        if (f) {
            for (int j = i; j < columns->Count() && !taken; ++j)
                if (columns->GetItems(j)->GetField() == f) taken = columns->GetItems(j);
            if (!taken) {
                taken = columns->AddNonStored();
                taken->SetField(f);
                taken->initWidth = taken->GetWidth();
            }
        } else {
            taken = columns->AddNonStored();
        }
        if (i < columns->Count()) taken->SetIndex(i);
    }
}

void TCustomDBGridEh::rebuildVisibleColumns() {
    visibleColumns->Clear();
    const int count = columns->Count();
    for (int i = 0; i < count; ++i)
        if (columns->GetItems(i)->visible) visibleColumns->Add(columns->GetItems(i));
    // Hidden columns inside (and right after) the frozen range widen it.
    int hidden = 0, i = 0;
    while (i < count && i < frozenCols + hidden) {
        if (!columns->GetItems(i)->visible) ++hidden;
        ++i;
    }
    while (i < count && !columns->GetItems(i)->visible) {
        ++hidden;
        ++i;
    }
    if (visibleColumns->Count() == 0) --hidden;
    hidden = std::max(0, hidden);
    // the base grid pushes the current cell off the fixed columns as the count changes
    const int wasCol = current.X;
    SetColCount(count + indicatorOffset);
    int fixed = indicatorOffset + hidden;
    if (dataLink->GetActive() || columns->GetState() == csCustomized) fixed += frozenCols;
    // a frozen range wider than the columns keeps the last column scrollable
    fixed = std::clamp(fixed, 0, GetColCount() - 1);
    if (dbOptions.Contains(dgRowSelect)) {
        SetFixedCols(fixed);
        return;
    }
    if (fixed != fixedCols) {
        SetFixedCols(fixed);
        // Frozen columns are part of the record: the current cell starts on the first shown
        // column, where Home goes, so a paste lands in the columns it was copied from.
        if (fixedCols > indicatorOffset && visibleColumns->Count() > 0)
            current.X = visibleColumns->GetColumn(0)->GetIndex() + indicatorOffset;
    } else if (wasCol >= indicatorOffset && wasCol < fixedCols) {
        current.X = wasCol; // a frozen current column stays
    }
    anchor.X = current.X;
}

void TCustomDBGridEh::measureRowHeight() {
    TCanvasFontScope scope(GetCanvas(), GetFont());
    const int h = std::max(1, GetCanvas()->TextHeight(kMeasure));
    TTextMetric tm;
    GetCanvas()->GetTextMetrics(tm);
    const int base = (flat ? 1 : 3) + (dbOptions.Contains(dgRowLines) ? gridLineWidth : 0);
    int rowH;
    if (rowHeight < 1 && rowLines < 1)
        rowH = h + base;
    else
        rowH = (tm.tmHeight + tm.tmExternalLeading) * rowLines + rowHeight;
    if (optionsEh.Contains(dghFitRowHeightToText)) {
        int d = rowH - base;
        int lines = d / h;
        if (d % h > h / 2) ++lines;
        lines = std::max(1, lines);
        rowH = lines * h + base;
        rowLines = (rowH - base) / h;
        rowHeight = base;
    }
    rowH = std::max(1, rowH);
    SetDefaultRowHeight(rowH);
    editButtonHeight = rowH > (3 * editButtonWidth + 1) / 2 ? editButtonWidth : rowH;
    allowWordWrap =
        tm.tmHeight + tm.tmExternalLeading + tm.tmInternalLeading + textAllowance < rowH;
}

void TCustomDBGridEh::measureTitleHeight() {
    int t = 0;
    for (int i = 0; i < columns->Count(); ++i) {
        TCanvasFontScope scope(GetCanvas(), columns->GetItems(i)->title->GetFont());
        t = std::max(t, GetCanvas()->TextHeight(kMeasure));
    }
    if (columns->Count() == 0) {
        TCanvasFontScope scope(GetCanvas(), titleFont.get());
        t = GetCanvas()->TextHeight(kMeasure);
    }
    SetRowHeights(0, t + textAllowance);
}

int TCustomDBGridEh::rawWidthOf(TColumnEh* Column) {
    if (Column->visible) return Column->GetWidth();
    return dbOptions.Contains(dgColLines) ? -1 : 0;
}

void TCustomDBGridEh::SetColumnAttributes() {
    if (colWidths.size() != size_t(colCount)) colWidths.resize(size_t(colCount), defaultColWidth);
    if (tabStops.size() != size_t(colCount)) tabStops.resize(size_t(colCount), true);
    const std::vector<int> before = colWidths;
    if (indicatorOffset) {
        colWidths[0] = IndicatorWidthEh;
        tabStops[0] = false;
    }
    TDataSet* ds = dataLink->GetDataSet();
    for (int i = 0; i < columns->Count(); ++i) {
        int raw = i + indicatorOffset;
        if (raw >= colCount) break;
        TColumnEh* c = columns->GetItems(i);
        colWidths[size_t(raw)] = rawWidthOf(c);
        TField* f = c->GetField();
        bool readOnlyField = !f || f->GetReadOnly();
        if (f && f->GetFieldKind() == fkLookup) {
            TDataSet* owner = f->GetDataSet();
            TField* key = owner ? owner->FindField(f->GetKeyFields()) : nullptr;
            readOnlyField = readOnlyField || !owner || !key || key->GetReadOnly();
        }
        tabStops[size_t(raw)] = c->visible && !c->GetReadOnly() && dataLink->GetActive() && ds &&
                                f && f->GetFieldKind() != fkCalculated && !readOnlyField;
    }
    if (colWidths != before) TCustomGrid::ColWidthsChanged();
}

void TCustomDBGridEh::autoFitColumns() {
    const int n = visibleColumns->Count();
    if (n == 0) return;
    std::vector<bool> limited(size_t(n), false);
    int avail = 0, given = 0;
    for (int pass = 0; pass < n; ++pass) {
        UpdateScrollBar();
        int fixedSum = 0, initSum = 0, freeCount = 0;
        for (int k = 0; k < n; ++k) {
            TColumnEh* c = visibleColumns->GetColumn(k);
            if (!c->autoFitColWidth || limited[size_t(k)]) {
                fixedSum += c->GetWidth();
            } else {
                initSum += c->initWidth;
                ++freeCount;
            }
        }
        avail = std::max(0, std::max(GetClientWidth(), minAutoFitWidth) - fixedSum);
        if (dbOptions.Contains(dgIndicator)) avail -= GetColWidths(0);
        if (dbOptions.Contains(dgColLines)) avail -= n;
        if (dbOptions.Contains(dgIndicator) && dbOptions.Contains(dgColLines)) avail -= 1;
        avail = std::max(0, avail);
        bool newlyLimited = false;
        given = 0;
        for (int k = 0; k < n; ++k) {
            TColumnEh* c = visibleColumns->GetColumn(k);
            if (!c->autoFitColWidth || limited[size_t(k)]) continue;
            // no initial widths to go by: equal shares
            int asked = initSum > 0 ? MulDiv(c->initWidth, avail, initSum) : avail / freeCount;
            c->SetWidth(asked);
            if (c->GetWidth() != asked) {
                limited[size_t(k)] = true;
                newlyLimited = true;
            }
            given += c->GetWidth();
        }
        if (!newlyLimited) break;
    }
    if (given != avail)
        for (int k = n - 1; k >= 0; --k) {
            TColumnEh* c = visibleColumns->GetColumn(k);
            if (c->autoFitColWidth && !limited[size_t(k)]) {
                c->SetWidth(std::max(0, c->GetWidth() + avail - given));
                break;
            }
        }
}

// ---- the multi-level title ----------------------------------------------------------------------

void TCustomDBGridEh::buildTitleTree() {
    THeadTreeNode* root = titleTree.get();
    root->FreeAllChild();
    const int count = columns->Count();
    const int line = dbOptions.Contains(dgColLines) ? 1 : 0;
    leafNodes.assign(size_t(count), nullptr);
    const int rowH = GetRowHeights(0);
    for (int i = 0; i < count; ++i) {
        TColumnEh* c = columns->GetItems(i);
        int w = c->visible ? c->GetWidth() : (line ? -1 : 0);
        THeadTreeNode* leaf = root->AddChild(root, c->title->GetCaption(), w, rowH);
        leaf->Column = c;
        leaf->WIndent = c->title->sortMarker != smNoneEh ? SortMarkerIndentEh : 0;
        leaf->VLineWidth = line;
        leafNodes[size_t(i)] = leaf;
    }
    const QString sep = QStringLiteral("|");
    // Adjacent captions with the same first part share an upper cell; a pass makes one such
    // cell, and passes repeat until nothing merges. A run stops where the leaves' upper
    // cells differ.
    for (bool merged = true; merged;) {
        merged = false;
        for (int i = 0; i < count && !merged; ++i) {
            THeadTreeNode* leaf = leafNodes[size_t(i)];
            if (WordPositionEh(2, leaf->Text, sep) == 0) continue;
            const QString first = ExtractWordEh(1, leaf->Text, sep);
            int last = i;
            for (int j = i + 1; j < count; ++j) {
                THeadTreeNode* next = leafNodes[size_t(j)];
                if (next->Host != leaf->Host || ExtractWordEh(1, next->Text, sep) != first) break;
                last = j;
            }
            for (int k = i; k <= last; ++k) {
                THeadTreeNode* l = leafNodes[size_t(k)];
                int rest = WordPositionEh(2, l->Text, sep);
                l->Text = rest > 0 ? l->Text.mid(rest - 1) : QString();
            }
            root->Union(leaf, leafNodes[size_t(last)], 20, first);
            merged = true;
        }
    }
}

THeadTreeNode* TCustomDBGridEh::GetColumnLeaf(int DataCol) const {
    if (DataCol < 0 || DataCol >= int(leafNodes.size())) return nullptr;
    return leafNodes[size_t(DataCol)];
}

// Heights of the levels below Node; returns the height of Node's subtree.
int TCustomDBGridEh::measureTitleNode(THeadTreeNode* Node) {
    if (!Node->Child) return 0;
    struct Measured {
        THeadTreeNode* node;
        int sub;
    };
    std::vector<Measured> kids;
    int most = 0;
    THeadTreeNode* c = Node->Child;
    do {
        int sub = c->Child ? measureTitleNode(c) : 0;
        TFont* f = c->Column ? c->Column->title->GetFont() : titleFont.get();
        TCanvasFontScope scope(GetCanvas(), f);
        QString text = c->Text.isEmpty() ? QStringLiteral(" ") : c->Text;
        int w = std::max(1, c->Width - 4 - c->WIndent);
        int own = 0;
        if (c->Column && c->Column->title->GetOrientation() == tohVertical) {
            if (c->Width >= 1) own = GetCanvas()->TextWidth(text) + 6;
        } else {
            if (c->Width >= 1) {
                TRect r{0, 0, w, 0};
                GetCanvas()->DrawText(text, r, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
                own = r.Height();
            }
            own += vTitleMargin;
        }
        kids.push_back(Measured{c, sub});
        most = std::max(most, sub + own);
        c = c->Next;
    } while (c != Node->Child);
    for (const Measured& m : kids)
        m.node->Height = m.node->Child ? most - m.sub : most;
    return most;
}

// ---- column widths and scaling ------------------------------------------------------------------

void TCustomDBGridEh::ColWidthsChanged() {
    if ((dataLink->GetActive() || columns->GetState() == csCustomized) && AcquireLayoutLock()) {
        try {
            TCustomGrid::ColWidthsChanged();
            for (int i = 0; i < columns->Count(); ++i) {
                int raw = i + indicatorOffset;
                if (raw >= colCount || raw >= int(colWidths.size())) break;
                int w = colWidths[size_t(raw)];
                if (w > 0) colWidths[size_t(raw)] = columns->GetItems(i)->AllowedWidth(w);
            }
            const bool fitting = autoFitColWidths && !IsDesigning();
            const int n = visibleColumns->Count();
            for (int k = 0; k < n; ++k) {
                TColumnEh* c = visibleColumns->GetColumn(k);
                int raw = c->GetIndex() + indicatorOffset;
                if (raw < 0 || raw >= colCount) continue;
                int w = GetColWidths(raw);
                if (!fitting) {
                    c->SetWidth(w);
                    continue;
                }
                int oldW = c->GetWidth();
                if (w == oldW) continue;
                if (!c->autoFitColWidth) {
                    c->SetWidth(w);
                } else if (oldW > 0) {
                    int oldInit = c->initWidth;
                    c->initWidth = MulDiv(c->initWidth, w, oldW);
                    if (!optionsEh.Contains(dghResizeWholeRightPart)) {
                        if (k + 1 < n) {
                            TColumnEh* next = visibleColumns->GetColumn(k + 1);
                            next->initWidth = std::max(0, next->initWidth + oldInit - c->initWidth);
                        }
                    }
                }
                if (optionsEh.Contains(dghResizeWholeRightPart)) {
                    // the columns to the right give or take the difference in proportion
                    int d = w - oldW, s = 0;
                    for (int r = k + 1; r < n; ++r)
                        if (visibleColumns->GetColumn(r)->autoFitColWidth)
                            s += visibleColumns->GetColumn(r)->GetWidth();
                    if (s > 0)
                        for (int r = k + 1; r < n; ++r) {
                            TColumnEh* rc = visibleColumns->GetColumn(r);
                            if (rc->autoFitColWidth)
                                rc->initWidth = std::max(1, MulDiv(s - d, rc->initWidth, s));
                        }
                }
            }
        } catch (...) {
            CancelLayout();
            throw;
        }
        EndLayout();
    } else {
        TCustomGrid::ColWidthsChanged();
        if (OnColWidthsChanged) OnColWidthsChanged(this);
    }
}

void TCustomDBGridEh::ChangeScale(int M, int D) {
    if (M == D || D == 0) return;
    auto scale = [M, D](TFont* F) { F->SetSize(MulDiv(F->GetSize(), M, D)); };
    if (!parentFont) {
        titleFont->SetSize(MulDiv(GetFont()->GetSize(), M, D));
        scale(footerFont.get());
    }
    TUpdateBracket<TDBGridColumnsEh> update(*columns);
    int sum = 0, scaledBefore = 0;
    for (int i = 0; i < columns->Count(); ++i) {
        TColumnEh* c = columns->GetItems(i);
        if (c->assignedValues.Contains(cvFont)) scale(c->font.get());
        if (c->assignedValues.Contains(cvTitleFont)) scale(c->title->font.get());
        if (c->footer->GetAssignedValues().Contains(cvFooterFont)) scale(c->footer->GetFont());
        for (int k = 0; k < c->footers->Count(); ++k)
            if (c->footers->GetItems(k)->GetAssignedValues().Contains(cvFooterFont))
                scale(c->footers->GetItems(k)->GetFont());
        // running sums: the scaled total has no rounding drift
        sum += c->GetWidth();
        int scaled = MulDiv(sum, M, D);
        c->SetWidth(scaled - scaledBefore);
        scaledBefore = scaled;
    }
    update.End();
}

// ---- rows ---------------------------------------------------------------------------------------

int TCustomDBGridEh::VisibleDataRowCount() {
    int n =
        footerRowCount > 0 ? rowCount - footerRowCount - 1 - titleOffset : rowCount - titleOffset;
    return std::max(1, n);
}

void TCustomDBGridEh::UpdateRowCount() {
    const int oldRows = rowCount;
    const int wasCol = current.X;
    if (rowCount <= titleOffset) SetRowCount(titleOffset + 1);
    SetFixedRows(titleOffset);
    // the rows never scroll: the dataset moves under them
    if (topLeft.Y != fixedRows) SetTopRow(fixedRows);
    const int line = dbOptions.Contains(dgRowLines) ? gridLineWidth : 0;
    const int step = defaultRowHeight + line;
    const int titleH = titleOffset ? GetRowHeights(0) : 0;
    const int titleBottom = titleOffset ? titleH + line : 0;
    const int client = GetClientHeight();
    const int footerH = step * footerRowCount;
    auto resetHeights = [&] {
        SetDefaultRowHeight(defaultRowHeight);
        if (titleOffset) SetRowHeights(0, titleH);
    };
    // The filler row takes what is left between the data rows and the footers.
    auto placeFooters = [&](int DataRows) {
        SetRowCount(titleOffset + DataRows + 1 + footerRowCount);
        int filler = client - titleBottom - DataRows * step - line - footerH;
        SetRowHeights(titleOffset + DataRows, std::max(0, filler));
    };
    if (!dataLink->GetActive() || dataLink->GetRecordCount() == 0) {
        if (current.Y != titleOffset && titleOffset < rowCount)
            MoveColRow(current.X, titleOffset, true, false);
        SetRowCount(titleOffset + 1);
        if (HandleAllocated()) {
            resetHeights();
            if (footerRowCount > 0) placeFooters(1);
        }
    } else {
        resetHeights();
        if (footerRowCount == 0) {
            // as many records as there are fully shown rows (a row's last line may be cut)
            dataLink->SetBufferCount(std::max(1, (client + line - titleBottom) / step));
            SetRowCount(dataLink->GetRecordCount() + titleOffset);
        } else {
            int fit = step > 0 ? (client - titleBottom - line - footerH) / step : 1;
            dataLink->SetBufferCount(std::max(1, fit));
            placeFooters(dataLink->GetRecordCount());
        }
        if (dbOptions.Contains(dgRowSelect) && topLeft.Y != fixedRows) SetTopRow(fixedRows);
        UpdateActive();
    }
    // the base grid pushes the current cell off the fixed columns as the rows change; a frozen
    // current column stays
    if (wasCol >= indicatorOffset && wasCol < fixedCols && current.X != wasCol &&
        !dbOptions.Contains(dgRowSelect)) {
        current.X = wasCol;
        anchor.X = wasCol;
    }
    if (rowCount != oldRows) Invalidate();
}

void TCustomDBGridEh::UpdateActive() {
    if (!dataLink->GetActive()) return;
    // a record change the search did not make ends it
    if (incSearchActive && !incSearchMoving) StopIncSearch();
    int row = titleOffset + dataLink->GetActiveRecord();
    if (row < rowCount && row != current.Y) {
        if (!dbOptions.Contains(dgAlwaysShowEditor)) HideEditor();
        MoveColRow(current.X, row, true, false);
    }
    selRow = row;
    InvalidateEditor();
}

void TCustomDBGridEh::InvalidateFooter() {
    if (!HandleAllocated()) return;
    for (int i = rowCount - 1; i >= rowCount - footerRowCount && i >= 0; --i)
        InvalidateRow(i);
}

void TCustomDBGridEh::Scroll(int Distance) {
    if (!HandleAllocated()) return;
    TRect oldRow = BoxRect(0, current.Y, colCount - 1, current.Y);
    int dataRows =
        footerRowCount > 0 ? rowCount - footerRowCount - 1 - titleOffset : rowCount - titleOffset;
    if (dataLink->GetActiveRecord() >= dataRows || dataLink->GetRecordCount() != dataRows)
        UpdateRowCount();
    bool barShown = ScrollBarVisible(handle, SB_VERT);
    UpdateScrollBar();
    if (barShown != ScrollBarVisible(handle, SB_VERT) && autoFitColWidths && !IsDesigning())
        DeferLayout();
    UpdateActive();
    ::InvalidateRect(handle, &oldRow, false);
    InvalidateRow(current.Y);
    if (Distance != 0) {
        HideEditor();
        if (std::abs(Distance) > VisibleDataRowCount()) {
            Invalidate();
        } else {
            const int line = dbOptions.Contains(dgRowLines) ? gridLineWidth : 0;
            int lastData = footerRowCount > 0 ? rowCount - footerRowCount - 2 : rowCount - 1;
            TRect area = BoxRect(0, titleOffset, colCount - 1, lastData);
            area.Right += gridLineWidth;
            area.Bottom += line;
            if (area.Width() > 0 && area.Height() > 0)
                ScrollWindow(handle, 0, -Distance * (defaultRowHeight + line), &area, &area);
            if (dbOptions.Contains(dgIndicator)) InvalidateRow(current.Y);
        }
        if (dbOptions.Contains(dgAlwaysShowEditor)) ShowEditor();
    }
    InvalidateFooter();
    if (updateLock == 0) Update();
}

void TCustomDBGridEh::TimedScroll(TGridScrollDirection Direction) {
    if (!dataLink->GetActive()) return;
    TDataSet* ds = dataLink->GetDataSet();
    if (Direction.Contains(sdUp)) ds->MoveBy(-dataLink->GetActiveRecord() - 1);
    if (Direction.Contains(sdDown))
        ds->MoveBy(dataLink->GetRecordCount() - dataLink->GetActiveRecord());
    TGridScrollDirection sideways;
    if (Direction.Contains(sdLeft)) sideways.Include(sdLeft);
    if (Direction.Contains(sdRight)) sideways.Include(sdRight);
    if (!sideways.Empty()) TCustomGrid::TimedScroll(sideways);
}

bool TCustomDBGridEh::DoMouseWheelDown(TShiftState Shift, TPoint MousePos) {
    if (TControl::DoMouseWheelDown(Shift, MousePos)) return true;
    if (dataLink->GetActive()) dataLink->GetDataSet()->MoveBy(1);
    return true;
}

bool TCustomDBGridEh::DoMouseWheelUp(TShiftState Shift, TPoint MousePos) {
    if (TControl::DoMouseWheelUp(Shift, MousePos)) return true;
    if (dataLink->GetActive()) dataLink->GetDataSet()->MoveBy(-1);
    return true;
}

// ---- the vertical scroll bar --------------------------------------------------------------------

bool TCustomDBGridEh::recordsNumbered() const {
    return sumList->IsSequenced();
}

void TCustomDBGridEh::UpdateScrollBar() {
    if (!dataLink->GetActive() || !HandleAllocated()) return;
    TDataSet* ds = dataLink->GetDataSet();
    TScrollInfo now;
    now.fMask = SIF_ALL;
    GetScrollInfo(handle, SB_VERT, now);
    TScrollInfo want;
    want.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    if (recordsNumbered()) {
        want.nMin = 1;
        want.nPage = UINT(VisibleDataRowCount());
        want.nMax = sumList->GetRecordCount() + int(want.nPage) - 1;
        want.nPos = ds->GetState() == dsInsert ? now.nPos : sumList->GetRecNo();
    } else {
        // top, middle or bottom only
        want.nMin = 0;
        want.nMax = 4;
        want.nPage = 0;
        want.nPos = ds->Bof() ? 0 : ds->Eof() ? 4 : 2;
    }
    if (!vertScrollBar->GetVisible()) want.nMax = want.nMin;
    // written again also when something else hid it (the base grid's own bar settings)
    const int range = want.nMax - want.nMin + 1;
    const bool shows = want.nMax > want.nMin && (want.nPage == 0 || int(want.nPage) < range);
    if (want.nMin != now.nMin || want.nMax != now.nMax || want.nPage != now.nPage ||
        want.nPos != now.nPos || shows != ScrollBarVisible(handle, SB_VERT))
        SetScrollInfo(handle, SB_VERT, want, true);
}

void TCustomDBGridEh::vertScroll(TMessage& Message) {
    TWMScroll m(Message);
    const int code = m.ScrollCode();
    if (code == SB_ENDSCROLL) return;
    if (!AcquireFocus() || !dataLink->GetActive()) return;
    TDataSet* ds = dataLink->GetDataSet();
    if (MoveByScrollCodeEh(dataLink.get(), code)) return;
    switch (code) {
    case SB_PAGEUP:
        ds->MoveBy(-VisibleDataRowCount());
        break;
    case SB_PAGEDOWN:
        ds->MoveBy(VisibleDataRowCount());
        break;
    case SB_THUMBTRACK: {
        TScrollInfo si;
        si.fMask = SIF_TRACKPOS;
        GetScrollInfo(handle, SB_VERT, si);
        lastTrackPos = si.nTrackPos;
        if (vertScrollBar->GetTracking() && recordsNumbered()) {
            ds->MoveBy(si.nTrackPos - sumList->GetRecNo());
            thumbTracked = true;
        }
        break;
    }
    case SB_THUMBPOSITION: {
        if (thumbTracked) {
            thumbTracked = false;
            break;
        }
        // the message carries 16 bits only: the track position read while dragging is whole
        int pos = lastTrackPos >= 0 ? lastTrackPos : int(HIWORD(Message.WParam));
        lastTrackPos = -1;
        if (recordsNumbered()) {
            if (pos <= 1)
                ds->First();
            else if (pos < sumList->GetRecordCount())
                sumList->SetRecNo(pos);
            else
                ds->Last();
        } else {
            MoveToFiveStepThumbEh(ds, pos, VisibleDataRowCount());
        }
        break;
    }
    default:
        break;
    }
}

// ---- column moves -------------------------------------------------------------------------------

void TCustomDBGridEh::SelectColumnByIndex(int ACol, int Direction, bool ExtendRectangle) {
    const bool rowSelect = dbOptions.Contains(dgRowSelect);
    TDataSet* ds = dataLink->GetActive() ? dataLink->GetDataSet() : nullptr;
    if (ExtendRectangle && !rowSelect && ds) {
        TGridSelectionKindEh kind = selection->GetSelectionType();
        if (kind != gskColumns && kind != gskRectangle)
            selection->GetRect()->Select(GetSelectedIndex(), ds->GetBookmark(), false);
    }
    dataLink->UpdateRecord();
    ACol = std::max<int>(indicatorOffset, std::min(ACol, colCount - 1));
    if (Direction != 0) {
        while (ACol >= indicatorOffset && ACol < colCount && GetColWidths(ACol) <= 0)
            ACol += Direction;
        if (ACol < indicatorOffset || ACol >= colCount) return;
    }
    if (ACol != current.X) {
        if (!colExitRunning) {
            int was = current.X;
            colExitRunning = true;
            TScopeGuard reset([this] { colExitRunning = false; });
            ColExit();
            reset.End();
            if (current.X != was) return;
        }
        if (incSearchActive) StopIncSearch();
        if (!dbOptions.Contains(dgAlwaysShowEditor)) HideEditor();
        if (!rowSelect) MoveCol(ACol);
        TColumnEh* c = ColumnAt(ACol - indicatorOffset);
        if (dbOptions.Contains(dgAlwaysShowEditor) && !(c && c->GetColumnType() == ctkCheckboxes))
            ShowEditor();
        ColEnter();
    }
    if (ExtendRectangle && !rowSelect && ds)
        selection->GetRect()->Select(GetSelectedIndex(), ds->GetBookmark(), true);
}

void TCustomDBGridEh::MoveCol(int ACol) {
    if (ACol < 0 || ACol >= colCount) return;
    if (ACol >= indicatorOffset && ACol < fixedCols)
        MoveColRow(ACol, current.Y, true, false);
    else
        SetCol(ACol);
}
