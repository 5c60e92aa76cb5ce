// The grid base: layout, painting, mouse, keyboard, scrolling and the in-place editor.
#include "Grids.h"

#include "Forms.h"
#include "ScopeGuard.h"

#include <QLineEdit>
#include <QWidget>
#include <algorithm>

namespace {

const QString kIndexOutOfRange = QStringLiteral("Grid index out of range");
const QString kFixedColTooBig = QStringLiteral("Fixed column count must be less than column count");
const QString kFixedRowTooBig = QStringLiteral("Fixed row count must be less than row count");
const QString kBadGridInsert =
    QStringLiteral("Unable to insert rows into or delete rows from grid");

constexpr uintptr_t kScrollTimer = 1;

// Pixels a cell takes on its axis with its line; a hidden cell (negative extent) takes none.
int Span(int Extent, int Line) {
    return Extent < 0 ? 0 : Extent + Line;
}

// Where a cell at Index ends up when the cell at From moves to To.
int MoveAdjust(int Index, int From, int To) {
    if (Index == From) return To;
    if (From < To && Index > From && Index <= To) return Index - 1;
    if (From > To && Index >= To && Index < From) return Index + 1;
    return Index;
}

template <typename T> void MoveExtent(std::vector<T>& V, int From, int To) {
    if (V.empty() || From == To || From >= int(V.size()) || To >= int(V.size())) return;
    T item = V[size_t(From)];
    V.erase(V.begin() + From);
    V.insert(V.begin() + To, item);
}

} // namespace

// ---- TInplaceEdit -------------------------------------------------------------------------

TInplaceEdit::TInplaceEdit(TComponent* AOwner) : TCustomMaskEdit(AOwner) {
    visible = false;
    tabStop = false;
    parentCtl3D = false;
    ctl3D = false;
    borderStyle = bsNone;
}

TInplaceEdit::~TInplaceEdit() = default;

void TInplaceEdit::SetSel(int Start, int Length) {
    SetSelStart(Start);
    SetSelLength(Length);
}

void TInplaceEdit::Deselect() {
    if (QLineEdit* e = LineEdit()) {
        e->deselect();
        e->end(false);
    }
}

void TInplaceEdit::Change() {
    if (grid && updatingContents == 0) grid->UpdateText();
    TCustomMaskEdit::Change();
}

void TInplaceEdit::UpdateContents() {
    if (!grid) return;
    ++updatingContents;
    TScopeGuard uncount([this] { --updatingContents; });
    SetText(QString());
    SetEditMask(grid->GetEditMask(grid->GetCol(), grid->GetRow()));
    SetText(grid->GetEditText(grid->GetCol(), grid->GetRow()));
    SetMaxLength(grid->GetEditLimit());
    uncount.End();
}

bool TInplaceEdit::PosEqual(const TRect& Rect) const {
    return left == Rect.Left && top == Rect.Top && width == Rect.Width() && height == Rect.Height();
}

void TInplaceEdit::UpdateLoc(const TRect& Loc) {
    if (Loc.Width() <= 0 || Loc.Height() <= 0) {
        Hide();
        return;
    }
    HandleNeeded();
    SetBounds(Loc.Left, Loc.Top, Loc.Width(), Loc.Height());
    if (!visible) SetVisible(true);
    BoundsChanged();
    if (grid && grid->HandleAllocated() && ::GetFocus() == grid->GetHandle()) SetFocus();
}

void TInplaceEdit::Move(const TRect& Loc) {
    UpdateLoc(Loc);
}

void TInplaceEdit::Hide() {
    if (!HandleAllocated() || !visible) return;
    // the grid takes the focus first: hiding a focused window would pass it to the form, and
    // the grid, left, would write the editor's old text over a value just set
    if (::GetFocus() == handle && grid && grid->CanFocus()) grid->SetFocus();
    SetVisible(false);
}

void TInplaceEdit::SetFocus() {
    if (HandleAllocated() && visible && grid && grid->IsShowing()) TCustomMaskEdit::SetFocus();
}

void TInplaceEdit::TypeChar(QChar Ch) {
    QChar key = Ch;
    if (OnKeyPress) OnKeyPress(this, key);
    if (key.isNull()) return;
    KeyPress(key);
    if (key.isNull() || readOnly) return;
    if (IsMasked()) {
        if (key.unicode() >= 32) typeChar(key);
        return;
    }
    QLineEdit* e = LineEdit();
    if (!e) return;
    if (key == QChar(8))
        e->backspace();
    else if (key.unicode() >= 32)
        e->insert(QString(key));
}

void TInplaceEdit::KeyDown(WORD& Key, TShiftState Shift) {
    if (!grid) {
        TCustomMaskEdit::KeyDown(Key, Shift);
        return;
    }
    auto sendToParent = [&] {
        grid->KeyDown(Key, Shift);
        Key = 0;
    };
    auto parentEvent = [&] {
        if (grid->OnKeyDown) grid->OnKeyDown(grid, Key, Shift);
    };
    bool forward = grid->GetOptions().Contains(goAlwaysShowEditor);
    bool ctrl = Shift.Contains(ssCtrl);
    QLineEdit* e = LineEdit();
    int len = e ? int(e->text().size()) : 0;
    int caret = e ? e->cursorPosition() : 0;
    int selStart = GetSelStart(), selLen = GetSelLength();
    bool leftSide = caret == 0 && selStart == 0 && (selLen == 0 || selLen == len);
    bool rightSide = caret == len && (selLen == 0 || selLen == len);
    switch (Key) {
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_ESCAPE:
        sendToParent();
        break;
    case VK_INSERT:
        if (Shift.Empty())
            sendToParent();
        else if (Shift == TShiftState{ssShift} && !grid->CanEditModify())
            Key = 0;
        break;
    case VK_LEFT:
    case VK_HOME:
        if (forward && (ctrl || leftSide)) sendToParent();
        break;
    case VK_RIGHT:
    case VK_END:
        if (forward && (ctrl || rightSide)) sendToParent();
        break;
    case VK_F2:
        parentEvent();
        if (Key == VK_F2) {
            Deselect();
            Key = 0;
            return;
        }
        break;
    case VK_TAB:
        if (!Shift.Contains(ssAlt)) sendToParent();
        break;
    case VK_DELETE:
        if (ctrl) sendToParent();
        break;
    default:
        break;
    }
    if (Key == VK_DELETE && !grid->CanEditModify()) Key = 0;
    if (Key != 0) {
        parentEvent();
        if (Key != 0) TCustomMaskEdit::KeyDown(Key, Shift);
    }
}

void TInplaceEdit::KeyUp(WORD& Key, TShiftState Shift) {
    if (grid && grid->OnKeyUp) grid->OnKeyUp(grid, Key, Shift);
    if (Key != 0) TCustomMaskEdit::KeyUp(Key, Shift);
}

void TInplaceEdit::KeyPress(QChar& Key) {
    if (grid) {
        TCustomGrid* g = grid;
        g->KeyPress(Key);
        if (Key.unicode() >= 32 && !g->CanEditAcceptKey(Key)) Key = QChar();
        switch (Key.unicode()) {
        case 9:
        case 27:
            Key = QChar();
            break;
        case 13:
            if (GetSelLength() == int(GetTextBuf().size()) && GetSelLength() > 0)
                Deselect();
            else
                SelectAll();
            Key = QChar();
            break;
        default:
            if ((Key.unicode() == 8 || Key.unicode() == 22 || Key.unicode() == 24 ||
                 Key.unicode() >= 32) &&
                !g->CanEditModify())
                Key = QChar();
            break;
        }
    }
    if (!Key.isNull()) TCustomMaskEdit::KeyPress(Key);
}

void TInplaceEdit::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case WM_GETDLGCODE:
        Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
        if (grid && grid->GetOptions().Contains(goTabs)) Message.Result |= DLGC_WANTTAB;
        return;
    default:
        break;
    }
    TCustomMaskEdit::Dispatch(Message);
}

// ---- TCustomGrid: properties --------------------------------------------------------------

TCustomGrid::TCustomGrid(TComponent* AOwner) : TCustomControl(AOwner) {
    controlStyle = TControlStyle{csCaptureMouse, csOpaque, csDoubleClicks, csClickEvents};
    width = 320;
    height = 120;
    tabStop = true;
    parentColor = false;
    color = clWindow;
    options = TGridOptions{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine, goRangeSelect};
}

TCustomGrid::~TCustomGrid() = default;

int TCustomGrid::GetColWidths(int Index) const {
    if (Index < 0 || Index >= int(colWidths.size())) return defaultColWidth;
    return colWidths[size_t(Index)];
}

int TCustomGrid::GetRowHeights(int Index) const {
    if (Index < 0 || Index >= int(rowHeights.size())) return defaultRowHeight;
    return rowHeights[size_t(Index)];
}

bool TCustomGrid::GetTabStops(int Index) const {
    if (Index < 0 || Index >= int(tabStops.size())) return true;
    return tabStops[size_t(Index)];
}

void TCustomGrid::SetColWidths(int Index, int Value) {
    if (Index < 0 || Index >= colCount) throw EInvalidGridOperation(kIndexOutOfRange);
    if (colWidths.empty()) colWidths.assign(size_t(colCount), defaultColWidth);
    if (colWidths[size_t(Index)] == Value) return;
    colWidths[size_t(Index)] = Value;
    ColWidthsChanged();
}

void TCustomGrid::SetRowHeights(int Index, int Value) {
    if (Index < 0 || Index >= rowCount) throw EInvalidGridOperation(kIndexOutOfRange);
    if (rowHeights.empty()) rowHeights.assign(size_t(rowCount), defaultRowHeight);
    if (rowHeights[size_t(Index)] == Value) return;
    rowHeights[size_t(Index)] = Value;
    RowHeightsChanged();
}

void TCustomGrid::SetTabStops(int Index, bool Value) {
    if (Index < 0 || Index >= colCount) throw EInvalidGridOperation(kIndexOutOfRange);
    if (tabStops.empty()) tabStops.assign(size_t(colCount), true);
    tabStops[size_t(Index)] = Value;
}

void TCustomGrid::SetDefaultColWidth(int Value) {
    colWidths.clear();
    defaultColWidth = Value;
    ColWidthsChanged();
    Invalidate();
}

void TCustomGrid::SetDefaultRowHeight(int Value) {
    rowHeights.clear();
    defaultRowHeight = Value;
    RowHeightsChanged();
    Invalidate();
}

void TCustomGrid::SetGridLineWidth(int Value) {
    if (Value == gridLineWidth) return;
    gridLineWidth = std::max(0, Value);
    UpdateScrollRange();
    Invalidate();
}

void TCustomGrid::SetFixedColor(TColor Value) {
    if (Value == fixedColor) return;
    fixedColor = Value;
    Invalidate();
}

void TCustomGrid::SetBorderStyle(TBorderStyle Value) {
    if (Value == borderStyle) return;
    borderStyle = Value;
    RecreateWnd();
}

void TCustomGrid::SetDefaultDrawing(bool Value) {
    if (Value == defaultDrawing) return;
    defaultDrawing = Value;
    Invalidate();
}

void TCustomGrid::SetScrollBars(TScrollStyle Value) {
    if (Value == scrollBars) return;
    scrollBars = Value;
    if (HandleAllocated()) {
        if (Value == ssNone || Value == ssVertical) ShowScrollBar(handle, SB_HORZ, false);
        if (Value == ssNone || Value == ssHorizontal) ShowScrollBar(handle, SB_VERT, false);
    }
    UpdateScrollRange();
}

void TCustomGrid::SetOptions(TGridOptions Value) {
    if (Value == options) return;
    if (Value.Contains(goRowSelect)) Value.Exclude(goAlwaysShowEditor);
    options = Value;
    if (!editorMode) {
        if (Value.Contains(goAlwaysShowEditor))
            ShowEditor();
        else
            HideEditor();
    }
    if (Value.Contains(goRowSelect)) MoveCurrent(current.X, current.Y, true, false);
    Invalidate();
}

void TCustomGrid::SetColCount(int Value) {
    if (Value == colCount) return;
    if (Value < 1) Value = 1;
    if (Value <= fixedCols) SetFixedCols(Value - 1);
    ChangeSize(Value, rowCount);
    if (options.Contains(goRowSelect)) {
        anchor.X = colCount - 1;
        Invalidate();
    }
}

void TCustomGrid::SetRowCount(int Value) {
    if (Value == rowCount) return;
    if (Value < 1) Value = 1;
    if (Value <= fixedRows) SetFixedRows(Value - 1);
    ChangeSize(colCount, Value);
}

void TCustomGrid::SetFixedCols(int Value) {
    if (Value == fixedCols) return;
    if (Value < 0) throw EInvalidGridOperation(kIndexOutOfRange);
    if (Value >= colCount) throw EInvalidGridOperation(kFixedColTooBig);
    HideEdit();
    fixedCols = Value;
    topLeft.X = fixedCols;
    current.X = fixedCols;
    anchor.X = options.Contains(goRowSelect) ? colCount - 1 : current.X;
    UpdateScrollRange();
    Invalidate();
}

void TCustomGrid::SetFixedRows(int Value) {
    if (Value == fixedRows) return;
    if (Value < 0) throw EInvalidGridOperation(kIndexOutOfRange);
    if (Value >= rowCount) throw EInvalidGridOperation(kFixedRowTooBig);
    HideEdit();
    fixedRows = Value;
    topLeft.Y = fixedRows;
    current.Y = fixedRows;
    anchor.Y = current.Y;
    UpdateScrollRange();
    Invalidate();
}

void TCustomGrid::ChangeSize(int NewColCount, int NewRowCount) {
    int oldCols = colCount, oldRows = rowCount;
    colCount = NewColCount;
    rowCount = NewRowCount;
    if (!colWidths.empty()) colWidths.resize(size_t(colCount), defaultColWidth);
    if (!tabStops.empty()) tabStops.resize(size_t(colCount), true);
    if (!rowHeights.empty()) rowHeights.resize(size_t(rowCount), defaultRowHeight);
    // An editor over a cell that no longer exists is dropped without writing its text back.
    if (inplaceEdit && (inplaceCol >= colCount || inplaceRow >= rowCount)) {
        inplaceCol = inplaceRow = -1;
        inplaceEdit->Hide();
    }
    // The current cell and the anchor follow when they would fall off.
    auto clampCoord = [&](TGridCoord& C) {
        C.X = std::clamp(C.X, std::min(fixedCols, colCount - 1), colCount - 1);
        C.Y = std::clamp(C.Y, std::min(fixedRows, rowCount - 1), rowCount - 1);
    };
    TGridCoord was = current;
    clampCoord(current);
    // a current cell that fell off ends editing, as any move of the current cell does
    if (!(was == current) && !options.Contains(goAlwaysShowEditor)) HideEditor();
    clampCoord(anchor);
    clampCoord(topLeft);
    SizeChanged(oldCols, oldRows);
    UpdateScrollRange();
    UpdateEdit();
    Invalidate();
}

// ---- geometry -----------------------------------------------------------------------------

void TCustomGrid::CalcFixedInfo(TGridDrawInfo& DrawInfo) {
    auto fill = [](TGridAxisDrawInfo& A, int Line, int Fixed, int Count, int First,
                   std::function<int(int)> Ext) {
        A.EffectiveLineWidth = Line;
        A.FixedCellCount = Fixed;
        A.GridCellCount = Count;
        A.FirstGridCell = First;
        A.GetExtent = std::move(Ext);
        A.FixedBoundary = 0;
        for (int i = 0; i < Fixed; ++i)
            A.FixedBoundary += Span(A.GetExtent(i), Line);
    };
    int hl = options.Contains(goFixedVertLine) || options.Contains(goVertLine) ? gridLineWidth : 0;
    int vl = options.Contains(goFixedHorzLine) || options.Contains(goHorzLine) ? gridLineWidth : 0;
    fill(DrawInfo.Horz, hl, fixedCols, colCount, topLeft.X,
         [this](int i) { return GetColWidths(i); });
    fill(DrawInfo.Vert, vl, fixedRows, rowCount, topLeft.Y,
         [this](int i) { return GetRowHeights(i); });
}

void TCustomGrid::CalcDrawInfoXY(TGridDrawInfo& DrawInfo, int UseWidth, int UseHeight) {
    CalcFixedInfo(DrawInfo);
    auto calcAxis = [](TGridAxisDrawInfo& A, int Extent) {
        A.GridExtent = Extent;
        A.GridBoundary = A.FixedBoundary;
        A.FullVisBoundary = A.FixedBoundary;
        A.LastFullVisibleCell = A.FirstGridCell;
        for (int i = A.FirstGridCell; i < A.GridCellCount; ++i) {
            A.GridBoundary += Span(A.GetExtent(i), A.EffectiveLineWidth);
            if (A.GridBoundary > A.GridExtent + A.EffectiveLineWidth) {
                A.GridBoundary = A.GridExtent;
                break;
            }
            A.LastFullVisibleCell = i;
            A.FullVisBoundary = A.GridBoundary;
        }
    };
    calcAxis(DrawInfo.Horz, UseWidth);
    calcAxis(DrawInfo.Vert, UseHeight);
}

void TCustomGrid::CalcDrawInfo(TGridDrawInfo& DrawInfo) {
    TRect r = GetClientRect();
    CalcDrawInfoXY(DrawInfo, r.Width(), r.Height());
}

int TCustomGrid::LinePos(const TGridAxisDrawInfo& Axis, int Line) const {
    int pos = 0, start = 0;
    if (Line >= Axis.FixedCellCount) {
        if (Line < Axis.FirstGridCell) return -1;
        pos = Axis.FixedBoundary;
        start = Axis.FirstGridCell;
    }
    for (int i = start; i < Line; ++i) {
        pos += Span(Axis.GetExtent(i), Axis.EffectiveLineWidth);
        if (pos >= Axis.GridExtent) return -1;
    }
    return pos;
}

TRect TCustomGrid::BoxRect(int ALeft, int ATop, int ARight, int ABottom) {
    TGridDrawInfo di;
    CalcDrawInfo(di);
    auto axis = [this](const TGridAxisDrawInfo& A, int Lo, int Hi, int& SMin, int& SMax) {
        if (Hi < Lo) std::swap(Lo, Hi);
        if (Lo < 0 || Hi >= A.GridCellCount) return false;
        if (Lo >= A.FixedCellCount && Lo < A.FirstGridCell) Lo = A.FirstGridCell;
        if (Hi >= A.FixedCellCount && Hi < A.FirstGridCell) {
            if (Lo >= A.FixedCellCount) return false;
            Hi = A.FixedCellCount - 1;
        }
        if (Hi < Lo) return false;
        int lo = LinePos(A, Lo);
        if (lo < 0) return false;
        while (Hi > Lo && LinePos(A, Hi) < 0)
            --Hi;
        int hiExt = A.GetExtent(Hi);
        SMin = lo;
        SMax = LinePos(A, Hi) + std::max(hiExt, 0);
        return SMax > SMin;
    };
    TRect r;
    if (!axis(di.Horz, ALeft, ARight, r.Left, r.Right) ||
        !axis(di.Vert, ATop, ABottom, r.Top, r.Bottom))
        return TRect{};
    return r;
}

TRect TCustomGrid::CellRect(int ACol, int ARow) {
    return BoxRect(ACol, ARow, ACol, ARow);
}

int TCustomGrid::AxisCellAt(const TGridAxisDrawInfo& A, int N) const {
    if (N < 0) return -1;
    if (N < A.FixedBoundary) {
        int pos = 0;
        for (int i = 0; i < A.FixedCellCount; ++i) {
            int ext = A.GetExtent(i);
            if (ext < 0) continue;
            pos += ext + A.EffectiveLineWidth;
            if (N < pos) return i;
        }
        return -1;
    }
    int pos = A.FixedBoundary;
    for (int i = A.FirstGridCell; i < A.GridCellCount; ++i) {
        if (pos >= A.GridExtent) break;
        int ext = A.GetExtent(i);
        if (ext < 0) continue;
        pos += ext + A.EffectiveLineWidth;
        if (N < pos) return i;
    }
    return -1;
}

TGridCoord TCustomGrid::CalcCoordFromPoint(int X, int Y, const TGridDrawInfo& DrawInfo) {
    return TGridCoord{AxisCellAt(DrawInfo.Horz, X), AxisCellAt(DrawInfo.Vert, Y)};
}

TGridCoord TCustomGrid::MouseCoord(int X, int Y) {
    TGridDrawInfo di;
    CalcDrawInfo(di);
    TGridCoord c = CalcCoordFromPoint(X, Y, di);
    if (c.X < 0)
        c.Y = -1;
    else if (c.Y < 0)
        c.X = -1;
    return c;
}

void TCustomGrid::MouseToCell(int X, int Y, int& ACol, int& ARow) {
    TGridCoord c = MouseCoord(X, Y);
    ACol = c.X;
    ARow = c.Y;
}

int TCustomGrid::GetVisibleColCount() {
    TGridDrawInfo di;
    CalcDrawInfo(di);
    return di.Horz.LastFullVisibleCell - topLeft.X + 1;
}

int TCustomGrid::GetVisibleRowCount() {
    TGridDrawInfo di;
    CalcDrawInfo(di);
    return di.Vert.LastFullVisibleCell - topLeft.Y + 1;
}

int TCustomGrid::GetGridWidth() {
    TGridDrawInfo di;
    CalcDrawInfo(di);
    return di.Horz.GridBoundary;
}

int TCustomGrid::GetGridHeight() {
    TGridDrawInfo di;
    CalcDrawInfo(di);
    return di.Vert.GridBoundary;
}

TGridCoord TCustomGrid::CalcMaxTopLeft(const TGridCoord& Coord, const TGridDrawInfo& DrawInfo) {
    auto calc = [](const TGridAxisDrawInfo& A, int Start) {
        int result = std::max(Start, A.FixedCellCount);
        int avail = A.GridExtent - A.FixedBoundary;
        for (int i = Start; i >= A.FixedCellCount; --i) {
            int need = Span(A.GetExtent(i), A.EffectiveLineWidth);
            if (need > avail + A.EffectiveLineWidth) break;
            avail -= need;
            result = i;
        }
        return result;
    };
    return TGridCoord{calc(DrawInfo.Horz, Coord.X), calc(DrawInfo.Vert, Coord.Y)};
}

void TCustomGrid::InvalidateCell(int ACol, int ARow) {
    InvalidateRect(TGridRect{ACol, ARow, ACol, ARow});
}

void TCustomGrid::InvalidateCol(int ACol) {
    if (!HandleAllocated()) return;
    InvalidateRect(TGridRect{ACol, 0, ACol, rowCount - 1});
}

void TCustomGrid::InvalidateRow(int ARow) {
    if (!HandleAllocated()) return;
    InvalidateRect(TGridRect{0, ARow, colCount - 1, ARow});
}

void TCustomGrid::InvalidateRect(const TGridRect& ARect) {
    if (!HandleAllocated()) return;
    TRect r = BoxRect(ARect.Left, ARect.Top, ARect.Right, ARect.Bottom);
    if (r.Width() <= 0 || r.Height() <= 0) return;
    // the lines right of and below the block belong to it
    r.Right += gridLineWidth;
    r.Bottom += gridLineWidth;
    ::InvalidateRect(handle, &r, false);
}

bool TCustomGrid::IsActiveControl() {
    if (!HandleAllocated()) return false;
    if (TCustomForm* f = GetParentForm(this))
        if (f->GetActiveControl() == this) return true;
    HWND h = ::GetFocus();
    return h && (h == handle || handle->isAncestorOf(h));
}

// ---- current cell, selection, scrolling ---------------------------------------------------

TGridRect TCustomGrid::GetSelection() const {
    TGridRect r;
    r.Left = std::min(current.X, anchor.X);
    r.Right = std::max(current.X, anchor.X);
    r.Top = std::min(current.Y, anchor.Y);
    r.Bottom = std::max(current.Y, anchor.Y);
    return r;
}

void TCustomGrid::SetSelection(const TGridRect& Value) {
    TGridRect old = GetSelection();
    anchor = Value.TopLeft();
    current = Value.BottomRight();
    SelectionMoved(old);
}

void TCustomGrid::SelectionMoved(const TGridRect& OldSel) {
    if (!HandleAllocated()) return;
    InvalidateRect(OldSel);
    InvalidateRect(GetSelection());
}

void TCustomGrid::MoveCurrent(int ACol, int ARow, bool MoveAnchor, bool Show) {
    if (ACol < 0 || ARow < 0 || ACol >= colCount || ARow >= rowCount)
        throw EInvalidGridOperation(kIndexOutOfRange);
    if (!SelectCell(ACol, ARow)) return;
    TGridRect old = GetSelection();
    if (!options.Contains(goAlwaysShowEditor)) HideEditor();
    current = TGridCoord{ACol, ARow};
    if (MoveAnchor || !options.Contains(goRangeSelect)) {
        anchor = current;
        if (options.Contains(goRowSelect)) anchor.X = colCount - 1;
    }
    if (options.Contains(goRowSelect)) current.X = fixedCols;
    if (Show) ClampInView(current);
    SelectionMoved(old);
}

void TCustomGrid::MoveAnchor(const TGridCoord& NewAnchor) {
    if (options.Contains(goRangeSelect)) {
        TGridRect old = GetSelection();
        anchor = NewAnchor;
        if (options.Contains(goRowSelect)) anchor.X = colCount - 1;
        ClampInView(NewAnchor);
        SelectionMoved(old);
    } else {
        MoveCurrent(NewAnchor.X, NewAnchor.Y, true, true);
    }
}

void TCustomGrid::MoveColRow(int ACol, int ARow, bool MoveAnchor, bool Show) {
    MoveCurrent(ACol, ARow, MoveAnchor, Show);
}

void TCustomGrid::FocusCell(int ACol, int ARow, bool MoveAnchor) {
    MoveCurrent(ACol, ARow, MoveAnchor, true);
    UpdateEdit();
    Click();
}

void TCustomGrid::SetCol(int Value) {
    if (Value != current.X) FocusCell(Value, current.Y, true);
}

void TCustomGrid::SetRow(int Value) {
    if (Value != current.Y) FocusCell(current.X, Value, true);
}

void TCustomGrid::SetLeftCol(int Value) {
    if (Value != topLeft.X) MoveTopLeft(Value, topLeft.Y);
}

void TCustomGrid::SetTopRow(int Value) {
    if (Value != topLeft.Y) MoveTopLeft(topLeft.X, Value);
}

void TCustomGrid::MoveTopLeft(int ALeft, int ATop) {
    ALeft = std::clamp(ALeft, std::min(fixedCols, colCount - 1), colCount - 1);
    ATop = std::clamp(ATop, std::min(fixedRows, rowCount - 1), rowCount - 1);
    if (ALeft == topLeft.X && ATop == topLeft.Y) return;
    topLeft = TGridCoord{ALeft, ATop};
    Invalidate();
    UpdateScrollPos();
    TopLeftChanged();
}

void TCustomGrid::ClampInView(const TGridCoord& Coord) {
    if (!HandleAllocated()) return;
    TGridDrawInfo di;
    CalcDrawInfo(di);
    TGridCoord tl = topLeft;
    TGridCoord maxTL = CalcMaxTopLeft(Coord, di);
    if (Coord.X >= fixedCols) {
        if (Coord.X < topLeft.X)
            tl.X = Coord.X;
        else if (Coord.X > di.Horz.LastFullVisibleCell)
            tl.X = maxTL.X;
    }
    if (Coord.Y >= fixedRows) {
        if (Coord.Y < topLeft.Y)
            tl.Y = Coord.Y;
        else if (Coord.Y > di.Vert.LastFullVisibleCell)
            tl.Y = maxTL.Y;
    }
    MoveTopLeft(tl.X, tl.Y);
}

void TCustomGrid::TopLeftChanged() {
    if (editorMode && inplaceEdit && inplaceEdit->GetVisible())
        inplaceEdit->UpdateLoc(CellRect(current.X, current.Y));
}

void TCustomGrid::ColWidthsChanged() {
    UpdateScrollRange();
    if (inplaceEdit && inplaceEdit->GetVisible())
        inplaceEdit->UpdateLoc(CellRect(current.X, current.Y));
    Invalidate();
}

void TCustomGrid::RowHeightsChanged() {
    UpdateScrollRange();
    if (inplaceEdit && inplaceEdit->GetVisible())
        inplaceEdit->UpdateLoc(CellRect(current.X, current.Y));
    Invalidate();
}

void TCustomGrid::UpdateScrollRange() {
    if (!HandleAllocated() || updatingScroll > 0) return;
    ++updatingScroll;
    TGridDrawInfo di;
    CalcDrawInfo(di);
    TGridCoord maxTL = CalcMaxTopLeft(TGridCoord{colCount - 1, rowCount - 1}, di);
    if (topLeft.X > maxTL.X || topLeft.Y > maxTL.Y)
        MoveTopLeft(std::min(topLeft.X, maxTL.X), std::min(topLeft.Y, maxTL.Y));
    // A bar that ScrollBars leaves out was hidden by SetScrollBars and stays untouched here:
    // a descendant may run that bar itself.
    auto setBar = [&](int Bar, bool Allowed, int Fixed, int MaxFirst, int Page, int Pos) {
        if (!Allowed) return;
        TScrollInfo si;
        si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
        si.nMin = 0;
        Page = std::max(1, Page);
        if (MaxFirst <= Fixed) {
            si.nMax = 0;
            si.nPage = 1;
            si.nPos = 0;
        } else {
            si.nMax = MaxFirst - Fixed + Page - 1;
            si.nPage = UINT(Page);
            si.nPos = Pos - Fixed;
        }
        SetScrollInfo(handle, Bar, si, true);
    };
    CalcDrawInfo(di);
    setBar(SB_HORZ, scrollBars == ssHorizontal || scrollBars == ssBoth, fixedCols, maxTL.X,
           di.Horz.LastFullVisibleCell - topLeft.X + 1, topLeft.X);
    setBar(SB_VERT, scrollBars == ssVertical || scrollBars == ssBoth, fixedRows, maxTL.Y,
           di.Vert.LastFullVisibleCell - topLeft.Y + 1, topLeft.Y);
    --updatingScroll;
}

void TCustomGrid::UpdateScrollPos() {
    if (!HandleAllocated() || updatingScroll > 0) return;
    if (scrollBars == ssHorizontal || scrollBars == ssBoth)
        SetScrollPos(handle, SB_HORZ, topLeft.X - fixedCols, true);
    if (scrollBars == ssVertical || scrollBars == ssBoth)
        SetScrollPos(handle, SB_VERT, topLeft.Y - fixedRows, true);
}

void TCustomGrid::ModifyScrollBar(int ScrollBar, int ScrollCode, int Pos) {
    TGridDrawInfo di;
    CalcDrawInfo(di);
    bool horz = ScrollBar == SB_HORZ;
    int first = horz ? topLeft.X : topLeft.Y;
    int fixed = horz ? fixedCols : fixedRows;
    int count = horz ? colCount : rowCount;
    int page = std::max(1, horz ? di.Horz.LastFullVisibleCell - topLeft.X + 1
                                : di.Vert.LastFullVisibleCell - topLeft.Y + 1);
    TGridCoord maxTL = CalcMaxTopLeft(TGridCoord{colCount - 1, rowCount - 1}, di);
    int maxFirst = horz ? maxTL.X : maxTL.Y;
    int next = first;
    switch (ScrollCode) {
    case SB_LINEUP:
        next = first - 1;
        break;
    case SB_LINEDOWN:
        next = first + 1;
        break;
    case SB_PAGEUP:
        next = first - page;
        break;
    case SB_PAGEDOWN:
        next = first + page;
        break;
    case SB_THUMBPOSITION:
        next = fixed + Pos;
        break;
    case SB_THUMBTRACK:
        if (!options.Contains(goThumbTracking)) return;
        next = fixed + Pos;
        break;
    case SB_TOP:
        next = fixed;
        break;
    case SB_BOTTOM:
        next = count - 1;
        break;
    default:
        return;
    }
    next = std::clamp(next, fixed, std::max(fixed, maxFirst));
    if (horz)
        MoveTopLeft(next, topLeft.Y);
    else
        MoveTopLeft(topLeft.X, next);
    UpdateScrollPos();
}

void TCustomGrid::WMScroll(TMessage& Message, int Bar) {
    TWMScroll m(Message);
    if (m.ScrollCode() == SB_ENDSCROLL) return;
    ModifyScrollBar(Bar, m.ScrollCode(), m.Pos());
}

void TCustomGrid::TimedScroll(TGridScrollDirection Direction) {
    if (Direction.Empty()) return;
    TGridDrawInfo di;
    CalcDrawInfo(di);
    TGridCoord newTL = topLeft, newAnchor = anchor;
    if (Direction.Contains(sdLeft) && anchor.X > fixedCols) {
        --newAnchor.X;
        if (newAnchor.X < topLeft.X) --newTL.X;
    }
    if (Direction.Contains(sdRight) && anchor.X < colCount - 1) {
        ++newAnchor.X;
        if (newAnchor.X > di.Horz.LastFullVisibleCell) ++newTL.X;
    }
    if (Direction.Contains(sdUp) && anchor.Y > fixedRows) {
        --newAnchor.Y;
        if (newAnchor.Y < topLeft.Y) --newTL.Y;
    }
    if (Direction.Contains(sdDown) && anchor.Y < rowCount - 1) {
        ++newAnchor.Y;
        if (newAnchor.Y > di.Vert.LastFullVisibleCell) ++newTL.Y;
    }
    if (!(newTL == topLeft)) MoveTopLeft(newTL.X, newTL.Y);
    if (!(newAnchor == anchor)) MoveAnchor(newAnchor);
}

// ---- the editor ---------------------------------------------------------------------------

TInplaceEdit* TCustomGrid::CreateEditor() {
    return new TInplaceEdit(this);
}

bool TCustomGrid::CanEditShow() {
    return options.Contains(goEditing) && !options.Contains(goRowSelect) && editorMode &&
           HandleAllocated() && (options.Contains(goAlwaysShowEditor) || IsActiveControl());
}

void TCustomGrid::UpdateEdit() {
    if (!CanEditShow()) return;
    auto updateEditor = [this] {
        inplaceCol = current.X;
        inplaceRow = current.Y;
        inplaceEdit->UpdateContents();
        canEditModify = inplaceEdit->GetMaxLength() != -1;
        inplaceEdit->SelectAll();
    };
    if (!inplaceEdit) {
        inplaceEdit = CreateEditor();
        inplaceEdit->SetGrid(this);
        inplaceEdit->SetParent(this);
        updateEditor();
    } else if (current.X != inplaceCol || current.Y != inplaceRow) {
        HideEdit();
        updateEditor();
    }
    if (CanEditShow()) {
        inplaceEdit->Move(CellRect(current.X, current.Y));
        inplaceEdit->SelectAll();
    }
}

void TCustomGrid::UpdateText() {
    if (inplaceEdit && inplaceCol != -1 && inplaceRow != -1)
        SetEditText(inplaceCol, inplaceRow, inplaceEdit->GetText());
}

void TCustomGrid::HideEdit() {
    if (!inplaceEdit) return;
    TScopeGuard hide([this] {
        inplaceCol = inplaceRow = -1;
        inplaceEdit->Hide();
    });
    UpdateText();
    hide.End();
}

void TCustomGrid::ShowEditor() {
    editorMode = true;
    UpdateEdit();
}

void TCustomGrid::HideEditor() {
    editorMode = false;
    HideEdit();
}

void TCustomGrid::SetEditorMode(bool Value) {
    if (!Value)
        HideEditor();
    else
        ShowEditor();
}

void TCustomGrid::ShowEditorChar(QChar Ch) {
    ShowEditor();
    // the editor opens with its text selected, so the character takes its place
    if (inplaceEdit && inplaceEdit->GetVisible()) inplaceEdit->TypeChar(Ch);
}

void TCustomGrid::InvalidateEditor() {
    inplaceCol = -1;
    inplaceRow = -1;
    UpdateEdit();
}

// ---- sizing and moving --------------------------------------------------------------------

void TCustomGrid::CalcSizingState(int X, int Y, TGridState& State, int& Index, int& SizingPos,
                                  int& SizingOfs, TGridDrawInfo& FixedInfo) {
    State = gsNormal;
    Index = -1;
    if (!options.Contains(goColSizing) && !options.Contains(goRowSizing)) return;
    auto axisState = [&](const TGridAxisDrawInfo& A, int Pos, TGridState NewState) {
        int line = A.FixedBoundary;
        int range = A.EffectiveLineWidth, back = 0;
        if (range < 7) {
            range = 7;
            back = (range - A.EffectiveLineWidth) / 2;
        }
        for (int i = A.FirstGridCell; i < A.GridCellCount; ++i) {
            int ext = A.GetExtent(i);
            if (ext < 0) continue;
            line += ext;
            if (line > A.GridBoundary) break;
            if (Pos >= line - back && Pos <= line - back + range) {
                State = NewState;
                SizingPos = line;
                SizingOfs = line - Pos;
                Index = i;
                return;
            }
            line += A.EffectiveLineWidth;
        }
        if (A.GridBoundary == A.GridExtent && Pos >= A.GridExtent - back && Pos <= A.GridExtent &&
            A.LastFullVisibleCell + 1 < A.GridCellCount) {
            State = NewState;
            SizingPos = A.GridExtent;
            SizingOfs = A.GridExtent - Pos;
            Index = A.LastFullVisibleCell + 1;
        }
    };
    if (X > FixedInfo.Horz.FixedBoundary && options.Contains(goColSizing)) {
        if (Y >= FixedInfo.Vert.FixedBoundary) return;
        axisState(FixedInfo.Horz, X, gsColSizing);
    } else if (Y > FixedInfo.Vert.FixedBoundary && options.Contains(goRowSizing)) {
        if (X >= FixedInfo.Horz.FixedBoundary) return;
        axisState(FixedInfo.Vert, Y, gsRowSizing);
    }
}

bool TCustomGrid::Sizing(int X, int Y) {
    TGridDrawInfo di;
    CalcDrawInfo(di);
    TGridState state = gsNormal;
    int index = -1, pos = 0, ofs = 0;
    CalcSizingState(X, Y, state, index, pos, ofs, di);
    return state != gsNormal;
}

void TCustomGrid::DrawSizingLine(const TGridDrawInfo& DrawInfo) {
    if (!HandleAllocated()) return;
    TCanvas* c = GetCanvas();
    TPenStyle oldStyle = c->GetPen()->GetStyle();
    TPenMode oldMode = c->GetPen()->GetMode();
    int oldWidth = c->GetPen()->GetWidth();
    c->GetPen()->SetStyle(psDot);
    c->GetPen()->SetMode(pmXor);
    c->GetPen()->SetWidth(1);
    c->GetPen()->SetColor(clWhite);
    if (gridState == gsRowSizing) {
        c->MoveTo(0, sizingPos);
        c->LineTo(DrawInfo.Horz.GridBoundary, sizingPos);
    } else {
        c->MoveTo(sizingPos, 0);
        c->LineTo(sizingPos, DrawInfo.Vert.GridBoundary);
    }
    c->GetPen()->SetStyle(oldStyle);
    c->GetPen()->SetMode(oldMode);
    c->GetPen()->SetWidth(oldWidth);
    sizingLineDrawn = !sizingLineDrawn;
}

void TCustomGrid::DrawMove() {
    if (!HandleAllocated() || movePos < 0) return;
    TGridDrawInfo di;
    CalcDrawInfo(di);
    TCanvas* c = GetCanvas();
    TPenMode oldMode = c->GetPen()->GetMode();
    int oldWidth = c->GetPen()->GetWidth();
    c->GetPen()->SetMode(pmXor);
    c->GetPen()->SetWidth(3);
    c->GetPen()->SetColor(clWhite);
    if (gridState == gsColMoving) {
        TRect r = CellRect(movePos, 0);
        int x = movePos > moveIndex ? r.Right : r.Left;
        c->MoveTo(x, 0);
        c->LineTo(x, di.Vert.GridBoundary);
    } else if (gridState == gsRowMoving) {
        TRect r = CellRect(0, movePos);
        int y = movePos > moveIndex ? r.Bottom : r.Top;
        c->MoveTo(0, y);
        c->LineTo(di.Horz.GridBoundary, y);
    }
    c->GetPen()->SetMode(oldMode);
    c->GetPen()->SetWidth(oldWidth);
    moveDrawn = !moveDrawn;
}

bool TCustomGrid::BeginColumnDrag(int&, int&, const TPoint&) {
    return true;
}
bool TCustomGrid::BeginRowDrag(int&, int&, const TPoint&) {
    return true;
}
bool TCustomGrid::CheckColumnDrag(int&, int&, const TPoint&) {
    return true;
}
bool TCustomGrid::CheckRowDrag(int&, int&, const TPoint&) {
    return true;
}
bool TCustomGrid::EndColumnDrag(int&, int&, const TPoint&) {
    return true;
}
bool TCustomGrid::EndRowDrag(int&, int&, const TPoint&) {
    return true;
}

void TCustomGrid::MoveColumn(int FromIndex, int ToIndex) {
    if (FromIndex == ToIndex) return;
    if (FromIndex < 0 || ToIndex < 0 || FromIndex >= colCount || ToIndex >= colCount)
        throw EInvalidGridOperation(kIndexOutOfRange);
    MoveExtent(colWidths, FromIndex, ToIndex);
    MoveExtent(tabStops, FromIndex, ToIndex);
    current.X = MoveAdjust(current.X, FromIndex, ToIndex);
    anchor.X = MoveAdjust(anchor.X, FromIndex, ToIndex);
    if (inplaceCol >= 0) inplaceCol = MoveAdjust(inplaceCol, FromIndex, ToIndex);
    ColumnMoved(FromIndex, ToIndex);
    if (!colWidths.empty()) ColWidthsChanged();
    UpdateEdit();
    Invalidate();
}

void TCustomGrid::MoveRow(int FromIndex, int ToIndex) {
    if (FromIndex == ToIndex) return;
    if (FromIndex < 0 || ToIndex < 0 || FromIndex >= rowCount || ToIndex >= rowCount)
        throw EInvalidGridOperation(kIndexOutOfRange);
    MoveExtent(rowHeights, FromIndex, ToIndex);
    current.Y = MoveAdjust(current.Y, FromIndex, ToIndex);
    anchor.Y = MoveAdjust(anchor.Y, FromIndex, ToIndex);
    if (inplaceRow >= 0) inplaceRow = MoveAdjust(inplaceRow, FromIndex, ToIndex);
    RowMoved(FromIndex, ToIndex);
    if (!rowHeights.empty()) RowHeightsChanged();
    UpdateEdit();
    Invalidate();
}

void TCustomGrid::DeleteColumn(int ACol) {
    MoveColumn(ACol, colCount - 1);
    SetColCount(colCount - 1);
}

void TCustomGrid::DeleteRow(int ARow) {
    MoveRow(ARow, rowCount - 1);
    SetRowCount(rowCount - 1);
}

void TCustomGrid::ChangeScale(int M, int D) {
    if (M == D || D == 0) return;
    // Scale the widths so that their sum scales exactly (the rounding error is carried on).
    auto scaleAll = [M, D](std::vector<int>& V) {
        long long sum = 0, done = 0;
        for (int& v : V) {
            if (v <= 0) continue;
            sum += v;
            long long target = (sum * M + D / 2) / D;
            int nv = int(target - done);
            done = target;
            v = std::max(1, nv);
        }
    };
    scaleAll(colWidths);
    scaleAll(rowHeights);
    defaultColWidth = MulDiv(defaultColWidth, M, D);
    defaultRowHeight = MulDiv(defaultRowHeight, M, D);
    ColWidthsChanged();
    RowHeightsChanged();
}

void TCustomGrid::CancelMode() {
    if (gridState == gsColSizing || gridState == gsRowSizing) {
        if (sizingLineDrawn) {
            TGridDrawInfo di;
            CalcDrawInfo(di);
            DrawSizingLine(di);
        }
    } else if (gridState == gsColMoving || gridState == gsRowMoving) {
        if (moveDrawn) DrawMove();
    }
    if (timerOn && HandleAllocated()) KillTimer(handle, kScrollTimer);
    timerOn = false;
    gridState = gsNormal;
    sizingLineDrawn = false;
    moveDrawn = false;
}

// ---- mouse --------------------------------------------------------------------------------

void TCustomGrid::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    lastMouse = TPoint{X, Y};
    if (CanFocus() || !GetParentForm(this)) {
        if (!IsActiveControl() && CanFocus()) SetFocus();
        if (!IsActiveControl()) {
            SetMouseCapture(false);
            return;
        }
    }
    if (Button == mbLeft && Shift.Contains(ssDouble)) {
        // DblClick has already run from the message
    } else if (Button == mbLeft) {
        TGridDrawInfo di;
        CalcDrawInfo(di);
        CalcSizingState(X, Y, gridState, sizingIndex, sizingPos, sizingOfs, di);
        if (gridState != gsNormal) {
            sizingLineDrawn = false;
            DrawSizingLine(di);
            TCustomControl::MouseDown(Button, Shift, X, Y);
            return;
        }
        TGridCoord cell = CalcCoordFromPoint(X, Y, di);
        if (cell.X >= fixedCols && cell.Y >= fixedRows) {
            if (options.Contains(goEditing)) {
                if (cell.X == current.X && cell.Y == current.Y)
                    ShowEditor();
                else {
                    MoveCurrent(cell.X, cell.Y, true, true);
                    UpdateEdit();
                }
                Click();
            } else {
                gridState = gsSelecting;
                SetTimer(GetHandle(), kScrollTimer, 60);
                timerOn = true;
                if (Shift.Contains(ssShift))
                    MoveAnchor(cell);
                else
                    MoveCurrent(cell.X, cell.Y, true, true);
            }
        } else if (options.Contains(goRowMoving) && cell.X >= 0 && cell.X < fixedCols &&
                   cell.Y >= fixedRows) {
            moveIndex = cell.Y;
            movePos = moveIndex;
            if (BeginRowDrag(moveIndex, movePos, TPoint{X, Y})) {
                gridState = gsRowMoving;
                moveDrawn = false;
                DrawMove();
                SetTimer(GetHandle(), kScrollTimer, 60);
                timerOn = true;
            }
        } else if (options.Contains(goColMoving) && cell.Y >= 0 && cell.Y < fixedRows &&
                   cell.X >= fixedCols) {
            moveIndex = cell.X;
            movePos = moveIndex;
            if (BeginColumnDrag(moveIndex, movePos, TPoint{X, Y})) {
                gridState = gsColMoving;
                moveDrawn = false;
                DrawMove();
                SetTimer(GetHandle(), kScrollTimer, 60);
                timerOn = true;
            }
        }
    }
    TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TCustomGrid::MouseMove(TShiftState Shift, int X, int Y) {
    lastMouse = TPoint{X, Y};
    TGridDrawInfo di;
    CalcDrawInfo(di);
    switch (gridState) {
    case gsSelecting: {
        TGridCoord cell = CalcCoordFromPoint(X, Y, di);
        if (cell.X >= fixedCols && cell.Y >= fixedRows && cell.X <= di.Horz.LastFullVisibleCell &&
            cell.Y <= di.Vert.LastFullVisibleCell && !(cell == anchor))
            MoveAnchor(cell);
        break;
    }
    case gsColMoving:
    case gsRowMoving: {
        bool cols = gridState == gsColMoving;
        const TGridAxisDrawInfo& a = cols ? di.Horz : di.Vert;
        int pos = AxisCellAt(a, cols ? X : Y);
        if (pos >= a.FixedCellCount && pos != movePos) {
            int origin = moveIndex, dest = pos;
            bool ok = cols ? CheckColumnDrag(origin, dest, TPoint{X, Y})
                           : CheckRowDrag(origin, dest, TPoint{X, Y});
            if (ok) {
                if (moveDrawn) DrawMove();
                movePos = dest;
                DrawMove();
            }
        }
        break;
    }
    case gsColSizing:
    case gsRowSizing:
        if (sizingLineDrawn) DrawSizingLine(di);
        sizingPos = (gridState == gsRowSizing ? Y : X) + sizingOfs;
        DrawSizingLine(di);
        break;
    default: {
        // the sizing cursors over sizable borders
        TGridState state = gsNormal;
        int index = -1, pos = 0, ofs = 0;
        CalcSizingState(X, Y, state, index, pos, ofs, di);
        if (HandleAllocated()) {
            if (state == gsColSizing)
                handle->setCursor(Screen->GetCursors(crHSplit));
            else if (state == gsRowSizing)
                handle->setCursor(Screen->GetCursors(crVSplit));
            else if (cursor != crDefault)
                handle->setCursor(Screen->GetCursors(cursor));
            else
                handle->unsetCursor();
        }
        break;
    }
    }
    TCustomControl::MouseMove(Shift, X, Y);
}

void TCustomGrid::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    lastMouse = TPoint{X, Y};
    TGridDrawInfo di;
    CalcDrawInfo(di);
    TGridState state = gridState;
    gridState = gsNormal;
    if (timerOn && HandleAllocated()) KillTimer(handle, kScrollTimer);
    timerOn = false;
    switch (state) {
    case gsSelecting: {
        TGridCoord cell = CalcCoordFromPoint(X, Y, di);
        if (cell.X >= fixedCols && cell.Y >= fixedRows) {
            gridState = gsSelecting; // MoveAnchor reads the state through ClampInView only
            MoveAnchor(cell);
            gridState = gsNormal;
        }
        break;
    }
    case gsColSizing:
    case gsRowSizing: {
        gridState = state;
        if (sizingLineDrawn) DrawSizingLine(di);
        gridState = gsNormal;
        sizingPos = (state == gsRowSizing ? Y : X) + sizingOfs;
        const TGridAxisDrawInfo& a = state == gsColSizing ? di.Horz : di.Vert;
        int start = LinePos(a, sizingIndex);
        if (start >= 0 && sizingIndex >= 0) {
            int newSize = sizingPos - start;
            if (newSize > 1) {
                if (state == gsColSizing)
                    SetColWidths(sizingIndex, newSize);
                else
                    SetRowHeights(sizingIndex, newSize);
            }
        }
        break;
    }
    case gsColMoving:
    case gsRowMoving: {
        gridState = state;
        if (moveDrawn) DrawMove();
        gridState = gsNormal;
        int origin = moveIndex, dest = movePos;
        bool ok = state == gsColMoving ? EndColumnDrag(origin, dest, TPoint{X, Y})
                                       : EndRowDrag(origin, dest, TPoint{X, Y});
        if (ok && origin != dest && dest >= 0) {
            if (state == gsColMoving)
                MoveColumn(origin, dest);
            else
                MoveRow(origin, dest);
        }
        moveIndex = movePos = -1;
        break;
    }
    default:
        UpdateEdit();
        break;
    }
    sizingLineDrawn = false;
    moveDrawn = false;
    TCustomControl::MouseUp(Button, Shift, X, Y);
}

bool TCustomGrid::DoMouseWheelDown(TShiftState Shift, TPoint MousePos) {
    if (TCustomControl::DoMouseWheelDown(Shift, MousePos)) return true;
    if (current.Y < rowCount - 1) SetRow(current.Y + 1);
    return true;
}

bool TCustomGrid::DoMouseWheelUp(TShiftState Shift, TPoint MousePos) {
    if (TCustomControl::DoMouseWheelUp(Shift, MousePos)) return true;
    if (current.Y > fixedRows) SetRow(current.Y - 1);
    return true;
}

void TCustomGrid::WMTimer(TMessage& Message) {
    if (TWMTimer(Message).TimerID() != kScrollTimer) return;
    if (gridState != gsSelecting && gridState != gsColMoving && gridState != gsRowMoving) return;
    TGridDrawInfo di;
    CalcDrawInfo(di);
    TPoint p = lastMouse;
    if (gridState == gsSelecting) {
        TGridScrollDirection dir;
        if (p.X < di.Horz.FixedBoundary)
            dir.Include(sdLeft);
        else if (p.X > di.Horz.FullVisBoundary)
            dir.Include(sdRight);
        if (p.Y < di.Vert.FixedBoundary)
            dir.Include(sdUp);
        else if (p.Y > di.Vert.FullVisBoundary)
            dir.Include(sdDown);
        if (!dir.Empty()) TimedScroll(dir);
        return;
    }
    // moving a column or row beyond the visible ones scrolls them in
    bool cols = gridState == gsColMoving;
    const TGridAxisDrawInfo& a = cols ? di.Horz : di.Vert;
    int pos = cols ? p.X : p.Y;
    int first = cols ? topLeft.X : topLeft.Y;
    int next = first;
    if (pos < a.FixedBoundary && first > a.FixedCellCount)
        next = first - 1;
    else if (pos > a.FullVisBoundary && a.LastFullVisibleCell < a.GridCellCount - 1)
        next = first + 1;
    if (next == first) return;
    if (moveDrawn) DrawMove();
    if (cols)
        MoveTopLeft(next, topLeft.Y);
    else
        MoveTopLeft(topLeft.X, next);
    Update();
    CalcDrawInfo(di);
    const TGridAxisDrawInfo& b = cols ? di.Horz : di.Vert;
    movePos = next < first ? next : b.LastFullVisibleCell;
    DrawMove();
}

// ---- keyboard -----------------------------------------------------------------------------

int TCustomGrid::VisibleColFrom(int ACol, int Step, int Lo, int Hi) const {
    for (int c = ACol; c >= Lo && c <= Hi; c += Step)
        if (GetColWidths(c) >= 0) return c;
    return -1;
}

void TCustomGrid::KeyDown(WORD& Key, TShiftState Shift) {
    TCustomControl::KeyDown(Key, Shift);
    if (Key == 0) return;
    if (!CanGridAcceptKey(Key, Shift)) Key = 0;
    bool rowSelect = options.Contains(goRowSelect);
    TGridDrawInfo di;
    CalcDrawInfo(di);
    int pageWidth = std::max(1, di.Horz.LastFullVisibleCell - topLeft.X + 1);
    int pageHeight = std::max(1, di.Vert.LastFullVisibleCell - topLeft.Y + 1);
    TGridCoord newTL = topLeft;
    TGridCoord cur = current;
    int lastCol = colCount - 1;
    auto stepCol = [&](int From, int Step) {
        int c = VisibleColFrom(From + Step, Step, fixedCols, lastCol);
        return c < 0 ? From : c;
    };
    if (Shift.Contains(ssCtrl)) {
        switch (Key) {
        case VK_UP:
            --newTL.Y;
            break;
        case VK_DOWN:
            ++newTL.Y;
            break;
        case VK_LEFT:
            if (!rowSelect) {
                cur.X -= pageWidth;
                newTL.X -= pageWidth;
            }
            break;
        case VK_RIGHT:
            if (!rowSelect) {
                cur.X += pageWidth;
                newTL.X += pageWidth;
            }
            break;
        case VK_PRIOR:
            cur.Y = topLeft.Y;
            break;
        case VK_NEXT:
            cur.Y = di.Vert.LastFullVisibleCell;
            break;
        case VK_HOME:
            cur.X = stepCol(fixedCols - 1, 1);
            cur.Y = fixedRows;
            break;
        case VK_END:
            cur.X = stepCol(colCount, -1);
            cur.Y = rowCount - 1;
            break;
        default:
            break;
        }
    } else {
        switch (Key) {
        case VK_UP:
            --cur.Y;
            break;
        case VK_DOWN:
            ++cur.Y;
            break;
        case VK_LEFT:
            if (rowSelect)
                --cur.Y;
            else
                cur.X = stepCol(cur.X, -1);
            break;
        case VK_RIGHT:
            if (rowSelect)
                ++cur.Y;
            else
                cur.X = stepCol(cur.X, 1);
            break;
        case VK_NEXT:
            cur.Y += pageHeight;
            newTL.Y += pageHeight;
            break;
        case VK_PRIOR:
            cur.Y -= pageHeight;
            newTL.Y -= pageHeight;
            break;
        case VK_HOME:
            if (rowSelect)
                cur.Y = fixedRows;
            else
                cur.X = stepCol(fixedCols - 1, 1);
            break;
        case VK_END:
            if (rowSelect)
                cur.Y = rowCount - 1;
            else
                cur.X = stepCol(colCount, -1);
            break;
        case VK_TAB:
            if (!Shift.Contains(ssAlt) && options.Contains(goTabs) && !rowSelect) {
                bool back = Shift.Contains(ssShift);
                int guard = colCount * rowCount + 1;
                do {
                    if (back) {
                        if (--cur.X < fixedCols) {
                            cur.X = colCount - 1;
                            if (--cur.Y < fixedRows) cur.Y = rowCount - 1;
                        }
                    } else if (++cur.X >= colCount) {
                        cur.X = fixedCols;
                        if (++cur.Y >= rowCount) cur.Y = fixedRows;
                    }
                } while (--guard > 0 && !(cur == current) &&
                         (!GetTabStops(cur.X) || GetColWidths(cur.X) < 0));
                Shift = TShiftState{};
            }
            break;
        case VK_F2:
            SetEditorMode(true);
            break;
        default:
            break;
        }
    }
    TGridCoord maxTL = CalcMaxTopLeft(TGridCoord{colCount - 1, rowCount - 1}, di);
    newTL.X = std::clamp(newTL.X, fixedCols, std::max(fixedCols, maxTL.X));
    newTL.Y = std::clamp(newTL.Y, fixedRows, std::max(fixedRows, maxTL.Y));
    if (!(newTL == topLeft)) MoveTopLeft(newTL.X, newTL.Y);
    cur.X = std::clamp(cur.X, std::min(fixedCols, colCount - 1), colCount - 1);
    cur.Y = std::clamp(cur.Y, std::min(fixedRows, rowCount - 1), rowCount - 1);
    if (!(cur == current)) FocusCell(cur.X, cur.Y, !Shift.Contains(ssShift));
}

void TCustomGrid::KeyPress(QChar& Key) {
    TCustomControl::KeyPress(Key);
    if (!options.Contains(goAlwaysShowEditor) && Key == QChar(13)) {
        if (editorMode)
            HideEditor();
        else
            ShowEditor();
        Key = QChar();
    }
}

// ---- messages -----------------------------------------------------------------------------

void TCustomGrid::CreateParams(TCreateParams& Params) {
    TCustomControl::CreateParams(Params);
    Params.Style |= WS_TABSTOP;
    if (scrollBars == ssVertical || scrollBars == ssBoth) Params.Style |= WS_VSCROLL;
    if (scrollBars == ssHorizontal || scrollBars == ssBoth) Params.Style |= WS_HSCROLL;
    if (borderStyle == bsSingle) {
        if (ctl3D)
            Params.ExStyle |= WS_EX_CLIENTEDGE;
        else
            Params.Style |= WS_BORDER;
    }
}

void TCustomGrid::CreateWnd() {
    TCustomControl::CreateWnd();
    UpdateScrollRange();
}

void TCustomGrid::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case WM_GETDLGCODE:
        Message.Result = DLGC_WANTARROWS;
        if (!options.Contains(goRowSelect)) {
            if (options.Contains(goTabs)) Message.Result |= DLGC_WANTTAB;
            if (options.Contains(goEditing)) Message.Result |= DLGC_WANTCHARS;
        }
        return;
    case WM_CHAR: {
        WORD ch = TWMKey(Message).CharCode();
        if (options.Contains(goEditing) && (ch == 8 || ch >= 32) && ch != 127) {
            ShowEditorChar(QChar(char16_t(ch)));
            return;
        }
        break;
    }
    case WM_TIMER:
        WMTimer(Message);
        TCustomControl::Dispatch(Message);
        return;
    case WM_HSCROLL:
        WMScroll(Message, SB_HORZ);
        return;
    case WM_VSCROLL:
        WMScroll(Message, SB_VERT);
        return;
    case WM_SETCURSOR:
        if (gridState == gsColSizing || gridState == gsRowSizing) {
            if (HandleAllocated())
                handle->setCursor(
                    Screen->GetCursors(gridState == gsColSizing ? crHSplit : crVSplit));
            Message.Result = 1;
            return;
        }
        break;
    case WM_SIZE:
        TCustomControl::Dispatch(Message);
        UpdateScrollRange();
        if (inplaceEdit && inplaceEdit->GetVisible())
            inplaceEdit->UpdateLoc(CellRect(current.X, current.Y));
        return;
    case WM_SETFOCUS: {
        TCustomControl::Dispatch(Message);
        HWND from = TWMSetFocus(Message).FocusedWnd();
        if (!inplaceEdit || !inplaceEdit->HandleAllocated() || from != inplaceEdit->GetHandle()) {
            InvalidateRect(GetSelection());
            UpdateEdit();
        }
        return;
    }
    case WM_KILLFOCUS:
        TCustomControl::Dispatch(Message);
        InvalidateRect(GetSelection());
        return;
    case WM_CANCELMODE:
        CancelMode();
        break;
    case CM_FONTCHANGED:
        TCustomControl::Dispatch(Message);
        if (inplaceEdit) inplaceEdit->SetFont(GetFont());
        return;
    default:
        break;
    }
    TCustomControl::Dispatch(Message);
}

// ---- painting -----------------------------------------------------------------------------

void TCustomGrid::Paint() {
    TCanvas* c = GetCanvas();
    TGridDrawInfo di;
    CalcDrawInfo(di);
    TRect client = GetClientRect();
    struct Line {
        int Index, Start, End; // the cell spans [Start, End); its line follows
    };
    auto cells = [this](const TGridAxisDrawInfo& A) {
        std::vector<Line> v;
        int pos = 0;
        for (int i = 0; i < A.FixedCellCount && i < A.GridCellCount; ++i) {
            int ext = A.GetExtent(i);
            if (ext < 0) continue;
            v.push_back(Line{i, pos, pos + ext});
            pos += ext + A.EffectiveLineWidth;
        }
        pos = A.FixedBoundary;
        for (int i = A.FirstGridCell; i < A.GridCellCount && pos < A.GridExtent; ++i) {
            int ext = A.GetExtent(i);
            if (ext < 0) continue;
            v.push_back(Line{i, pos, pos + ext});
            pos += ext + A.EffectiveLineWidth;
        }
        (void)this;
        return v;
    };
    std::vector<Line> cols = cells(di.Horz), rows = cells(di.Vert);
    int hl = di.Horz.EffectiveLineWidth, vl = di.Vert.EffectiveLineWidth;
    TColor dataLine = ColorToRGB(color) == ColorToRGB(clSilver) ? clGray : clSilver;
    TGridRect sel = GetSelection();
    bool focusedGrid = IsActiveControl();
    bool editorShown = inplaceEdit && inplaceEdit->GetVisible();
    bool bothFixedLines = options.Contains(goFixedVertLine) && options.Contains(goFixedHorzLine);
    for (const Line& r : rows) {
        for (const Line& col : cols) {
            TRect where{col.Start, r.Start, col.End, r.End};
            bool fixed = col.Index < fixedCols || r.Index < fixedRows;
            // grid lines right of and below the cell
            if (hl > 0 && options.Contains(fixed ? goFixedVertLine : goVertLine)) {
                c->GetBrush()->SetStyle(bsSolid);
                c->GetBrush()->SetColor(fixed ? clBlack : dataLine);
                c->FillRect(TRect{col.End, r.Start, col.End + hl, r.End + vl});
            }
            if (vl > 0 && options.Contains(fixed ? goFixedHorzLine : goHorzLine)) {
                c->GetBrush()->SetStyle(bsSolid);
                c->GetBrush()->SetColor(fixed ? clBlack : dataLine);
                c->FillRect(TRect{col.Start, r.End, col.End + hl, r.End + vl});
            }
            if (where.Width() <= 0 || where.Height() <= 0) continue;
            if (!c->RectVisible(where)) continue;
            bool isCurrent = col.Index == current.X && r.Index == current.Y;
            if (isCurrent && editorShown && inplaceCol == col.Index && inplaceRow == r.Index)
                continue;
            TGridDrawState state;
            if (fixed)
                state.Include(gdFixed);
            else {
                if (sel.Contains(col.Index, r.Index)) state.Include(gdSelected);
                if (focusedGrid && isCurrent) state.Include(gdFocused);
            }
            c->GetFont()->Assign(GetFont());
            c->GetBrush()->SetStyle(bsSolid);
            if (defaultDrawing) {
                if (fixed)
                    c->GetBrush()->SetColor(fixedColor);
                else if (state.Contains(gdSelected) &&
                         (!state.Contains(gdFocused) || options.Contains(goDrawFocusSelected) ||
                          options.Contains(goRowSelect))) {
                    c->GetBrush()->SetColor(clHighlight);
                    c->GetFont()->SetColor(clHighlightText);
                } else
                    c->GetBrush()->SetColor(color);
                c->FillRect(where);
            } else {
                c->GetBrush()->SetColor(fixed ? fixedColor : color);
            }
            DrawCell(col.Index, r.Index, where, state);
            if (defaultDrawing && fixed && ctl3D && bothFixedLines) {
                TRect edge = where;
                DrawEdge(c, edge, BDR_RAISEDINNER, BF_RECT);
            }
            if (defaultDrawing && state.Contains(gdFocused) && !options.Contains(goRowSelect))
                c->DrawFocusRect(where);
        }
    }
    // the focus rectangle of a row-select grid spans the row
    if (defaultDrawing && focusedGrid && options.Contains(goRowSelect)) {
        TRect fr = BoxRect(fixedCols, current.Y, colCount - 1, current.Y);
        if (fr.Width() > 0) c->DrawFocusRect(fr);
    }
    // the space right of and below the cells
    c->GetBrush()->SetStyle(bsSolid);
    c->GetBrush()->SetColor(color);
    int right = cols.empty() ? 0 : std::min(cols.back().End + hl, client.Right);
    int bottom = rows.empty() ? 0 : std::min(rows.back().End + vl, client.Bottom);
    if (right < client.Right) c->FillRect(TRect{right, 0, client.Right, bottom});
    if (bottom < client.Bottom) c->FillRect(TRect{0, bottom, client.Right, client.Bottom});
}

// ---- TCustomDrawGrid ----------------------------------------------------------------------

void TCustomDrawGrid::DrawCell(int ACol, int ARow, TRect ARect, TGridDrawState AState) {
    if (OnDrawCell) OnDrawCell(this, ACol, ARow, ARect, AState);
}

bool TCustomDrawGrid::SelectCell(int ACol, int ARow) {
    bool can = true;
    if (OnSelectCell) OnSelectCell(this, ACol, ARow, can);
    return can;
}

void TCustomDrawGrid::ColumnMoved(int FromIndex, int ToIndex) {
    if (OnColumnMoved) OnColumnMoved(this, FromIndex, ToIndex);
}

void TCustomDrawGrid::RowMoved(int FromIndex, int ToIndex) {
    if (OnRowMoved) OnRowMoved(this, FromIndex, ToIndex);
}

QString TCustomDrawGrid::GetEditText(int ACol, int ARow) {
    QString v;
    if (OnGetEditText) OnGetEditText(this, ACol, ARow, v);
    return v;
}

void TCustomDrawGrid::SetEditText(int ACol, int ARow, const QString& Value) {
    if (OnSetEditText) OnSetEditText(this, ACol, ARow, Value);
}

QString TCustomDrawGrid::GetEditMask(int ACol, int ARow) {
    QString v;
    if (OnGetEditMask) OnGetEditMask(this, ACol, ARow, v);
    return v;
}

void TCustomDrawGrid::TopLeftChanged() {
    TCustomGrid::TopLeftChanged();
    if (OnTopLeftChanged) OnTopLeftChanged(this);
}

// ---- TStringGrid --------------------------------------------------------------------------

int TStringGridStrings::GetCount() const {
    return isCol ? grid->GetRowCount() : grid->GetColCount();
}

QString TStringGridStrings::Get(int Index) const {
    return isCol ? grid->GetCells(index, Index) : grid->GetCells(Index, index);
}

void TStringGridStrings::Put(int Index, const QString& S) {
    if (isCol)
        grid->SetCells(index, Index, S);
    else
        grid->SetCells(Index, index, S);
}

TObject* TStringGridStrings::GetObject(int Index) const {
    return isCol ? grid->GetObjects(index, Index) : grid->GetObjects(Index, index);
}

void TStringGridStrings::PutObject(int Index, TObject* AObject) {
    if (Index < 0) return;
    if (isCol)
        grid->SetObjects(index, Index, AObject);
    else
        grid->SetObjects(Index, index, AObject);
}

int TStringGridStrings::Add(const QString& S) {
    for (int i = 0; i < GetCount(); ++i)
        if (Get(i).isEmpty()) {
            Put(i, S.isEmpty() ? QStringLiteral(" ") : S);
            return i;
        }
    return -1;
}

void TStringGridStrings::Insert(int, const QString&) {
    throw EInvalidGridOperation(kBadGridInsert);
}

void TStringGridStrings::Delete(int) {
    throw EInvalidGridOperation(kBadGridInsert);
}

void TStringGridStrings::Clear() {
    for (int i = 0; i < GetCount(); ++i) {
        Put(i, QString());
        PutObject(i, nullptr);
    }
}

TStringGrid::TStringGrid(TComponent* AOwner) : TCustomDrawGrid(AOwner) {}

TStringGrid::~TStringGrid() = default;

QString TStringGrid::GetCells(int ACol, int ARow) const {
    auto it = cells.find({ARow, ACol});
    return it == cells.end() ? QString() : it->second.Text;
}

void TStringGrid::SetCells(int ACol, int ARow, const QString& Value) {
    if (ACol < 0 || ARow < 0 || ACol >= colCount || ARow >= rowCount)
        throw EInvalidGridOperation(kIndexOutOfRange);
    Cell& cell = cells[{ARow, ACol}];
    if (cell.Text == Value) return;
    cell.Text = Value;
    if (cell.Text.isEmpty() && !cell.Object) cells.erase({ARow, ACol});
    if (updatingEdit == 0 && ACol == inplaceCol && ARow == inplaceRow) InvalidateEditor();
    InvalidateCell(ACol, ARow);
}

TObject* TStringGrid::GetObjects(int ACol, int ARow) const {
    auto it = cells.find({ARow, ACol});
    return it == cells.end() ? nullptr : it->second.Object;
}

void TStringGrid::SetObjects(int ACol, int ARow, TObject* Value) {
    if (ACol < 0 || ARow < 0 || ACol >= colCount || ARow >= rowCount)
        throw EInvalidGridOperation(kIndexOutOfRange);
    Cell& cell = cells[{ARow, ACol}];
    cell.Object = Value;
    if (cell.Text.isEmpty() && !cell.Object) cells.erase({ARow, ACol});
}

TStrings* TStringGrid::GetCols(int Index) {
    if (Index < 0 || Index >= colCount) throw EInvalidGridOperation(kIndexOutOfRange);
    auto& v = colViews[Index];
    if (!v) v = std::make_unique<TStringGridStrings>(this, true, Index);
    return v.get();
}

TStrings* TStringGrid::GetRows(int Index) {
    if (Index < 0 || Index >= rowCount) throw EInvalidGridOperation(kIndexOutOfRange);
    auto& v = rowViews[Index];
    if (!v) v = std::make_unique<TStringGridStrings>(this, false, Index);
    return v.get();
}

void TStringGrid::SetCols(int Index, TStrings* Value) {
    TStrings* col = GetCols(Index);
    for (int i = 0; i < col->GetCount(); ++i) {
        bool has = Value && i < Value->GetCount();
        col->Put(i, has ? Value->Get(i) : QString());
        col->PutObject(i, has ? Value->GetObject(i) : nullptr);
    }
}

void TStringGrid::SetRows(int Index, TStrings* Value) {
    TStrings* row = GetRows(Index);
    for (int i = 0; i < row->GetCount(); ++i) {
        bool has = Value && i < Value->GetCount();
        row->Put(i, has ? Value->Get(i) : QString());
        row->PutObject(i, has ? Value->GetObject(i) : nullptr);
    }
}

void TStringGrid::DrawCell(int ACol, int ARow, TRect ARect, TGridDrawState AState) {
    if (defaultDrawing)
        GetCanvas()->TextRect(ARect, ARect.Left + 2, ARect.Top + 2, GetCells(ACol, ARow));
    TCustomDrawGrid::DrawCell(ACol, ARow, ARect, AState);
}

QString TStringGrid::GetEditText(int ACol, int ARow) {
    QString v = GetCells(ACol, ARow);
    if (OnGetEditText) OnGetEditText(this, ACol, ARow, v);
    return v;
}

void TStringGrid::SetEditText(int ACol, int ARow, const QString& Value) {
    ++updatingEdit;
    TScopeGuard uncount([this] { --updatingEdit; });
    if (Value != GetCells(ACol, ARow)) SetCells(ACol, ARow, Value);
    uncount.End();
    TCustomDrawGrid::SetEditText(ACol, ARow, Value);
}

void TStringGrid::ColumnMoved(int FromIndex, int ToIndex) {
    std::map<std::pair<int, int>, Cell> moved;
    for (auto& [key, cell] : cells)
        moved[{key.first, MoveAdjust(key.second, FromIndex, ToIndex)}] = cell;
    cells.swap(moved);
    TCustomDrawGrid::ColumnMoved(FromIndex, ToIndex);
}

void TStringGrid::RowMoved(int FromIndex, int ToIndex) {
    std::map<std::pair<int, int>, Cell> moved;
    for (auto& [key, cell] : cells)
        moved[{MoveAdjust(key.first, FromIndex, ToIndex), key.second}] = cell;
    cells.swap(moved);
    TCustomDrawGrid::RowMoved(FromIndex, ToIndex);
}

void TStringGrid::SizeChanged(int, int) {
    for (auto it = cells.begin(); it != cells.end();) {
        if (it->first.first >= rowCount || it->first.second >= colCount)
            it = cells.erase(it);
        else
            ++it;
    }
    for (auto it = colViews.begin(); it != colViews.end();)
        it = it->first >= colCount ? colViews.erase(it) : std::next(it);
    for (auto it = rowViews.begin(); it != rowViews.end();)
        it = it->first >= rowCount ? rowViews.erase(it) : std::next(it);
}
