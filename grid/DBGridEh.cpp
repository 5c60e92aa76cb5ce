// The grid object: construction and destruction, the layout lock, loading, notifications,
// the window and its messages, property setters, editing questions and the events.
#include "DBGridEh.h"

#include "Forms.h"
#include "ScopeGuard.h"

#include <QWidget>
#include <algorithm>

void GridError(const QString& Message) {
    throw EInvalidGridOperation(Message);
}

namespace {

// Line breaks as the editor wants them: CR LF.
QString withCrLf(const QString& S) {
    QString t = S;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(u'\r', u'\n');
    t.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return t;
}

// The line of a key list that equals Text exactly, -1 when none.
int exactLine(TStrings* List, const QString& Text) {
    for (int i = 0; i < List->Count(); ++i)
        if (List->Get(i) == Text) return i;
    return -1;
}

} // namespace

// ---- construction -------------------------------------------------------------------------------

TCustomDBGridEh::TCustomDBGridEh(TComponent* AOwner) : TCustomGrid(AOwner) {
    RegisterGridCursorsEh();
    defaultDrawing = false;
    loadImages();
    virtualView = true;
    scrollBars = ssHorizontal;
    options = TGridOptions{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine,
                           goColSizing,     goColMoving,     goEditing,  goTabs};
    columns.reset(CreateColumns());
    visibleColumns = std::make_unique<TColumnsEhList>();
    SetRowCount(2);
    SetColCount(2);
    dataLink = std::make_unique<TGridDataLinkEh>(this);
    color = clWindow;
    parentColor = false;
    titleFont = std::make_unique<TFont>();
    titleFont->Assign(GetFont());
    titleFont->OnChange = [this](TObject* Sender) { titleFontChanged(Sender); };
    saveCellExtents = false;
    bookmarks = std::make_unique<TBookmarkListEh>(this);
    titleTree = std::make_unique<THeadTreeNode>(QStringLiteral("Root"), 0, 10);
    horzScrollBar = std::make_unique<TDBGridEhScrollBar>(this, sbHorizontal);
    vertScrollBar = std::make_unique<TDBGridEhScrollBar>(this, sbVertical);
    sortMarkedColumns = std::make_unique<TColumnsEhList>();
    selection = std::make_unique<TDBGridEhSelection>(this);
    footerFont = std::make_unique<TFont>();
    footerFont->Assign(GetFont());
    footerFont->OnChange = [this](TObject* Sender) { footerFontChanged(Sender); };
    sumList = std::make_unique<TDBGridEhSumList>(this);
    sumList->SumListChanged = [this](TObject*) { InvalidateFooter(); };
    sumList->OnRecalcAll = [this](TObject*) {
        if (OnSumListRecalcAll) OnSumListRecalcAll(this);
    };
}

TCustomDBGridEh::~TCustomDBGridEh() {
    Destroying();
    if (selection) selection->Clear();
    // The link goes first: no news of the dataset reaches a grid being taken apart. The
    // footers leave their sum items to the sum list, which goes after them.
    dataLink.reset();
    columns.reset();
    sumList.reset();
    visibleColumns.reset();
    sortMarkedColumns.reset();
    horzScrollBar.reset();
    vertScrollBar.reset();
    bookmarks.reset();
    leafNodes.clear();
    titleTree.reset();
    selection.reset();
}

TDBGridColumnsEh* TCustomDBGridEh::CreateColumns() {
    return new TDBGridColumnsEh(this);
}

TFont* TCustomDBGridEh::SortIndexFont() {
    static std::unique_ptr<TFont> font;
    if (!font) {
        font = std::make_unique<TFont>();
        font->SetName(QStringLiteral("Arial"));
        font->SetHeight(-(SortMarkerImageHeightEh - 1));
    }
    return font.get();
}

// ---- the layout lock ----------------------------------------------------------------------------

void TCustomDBGridEh::BeginUpdate() {
    if (updateLock < 255) ++updateLock;
}

void TCustomDBGridEh::EndUpdate() {
    if (updateLock > 0) --updateLock;
}

void TCustomDBGridEh::BeginLayout() {
    BeginUpdate();
    if (layoutLock == 0) columns->BeginUpdate();
    ++layoutLock;
}

void TCustomDBGridEh::EndLayout() {
    if (layoutLock == 0) return;
    TScopeGuard unlock([this] {
        if (layoutLock == 1) columns->EndUpdate();
        --layoutLock;
        EndUpdate();
    });
    if (layoutLock == 1) InternalLayout();
    unlock.End();
}

void TCustomDBGridEh::CancelLayout() {
    if (layoutLock == 0) return;
    if (layoutLock == 1) columns->EndUpdate();
    --layoutLock;
    EndUpdate();
}

bool TCustomDBGridEh::AcquireLayoutLock() {
    if (updateLock != 0 || layoutLock != 0) return false;
    BeginLayout();
    return true;
}

void TCustomDBGridEh::LayoutChanged() {
    if (AcquireLayoutLock()) EndLayout();
}

void TCustomDBGridEh::DeferLayout() {
    if (HandleAllocated()) {
        TMsg queued;
        if (!PeekMessage(queued, handle, CM_DEFERLAYOUTEH, CM_DEFERLAYOUTEH, PM_NOREMOVE))
            PostMessage(handle, CM_DEFERLAYOUTEH, 0, 0);
    }
    CancelLayout();
}

// ---- loading and notifications ------------------------------------------------------------------

void TCustomDBGridEh::Loaded() {
    // The widths as loaded: the platform's part may already lay the grid out (its font).
    std::vector<int> loadedWidths;
    for (int i = 0; i < columns->Count(); ++i)
        loadedWidths.push_back(columns->GetItems(i)->GetWidth());
    TCustomGrid::Loaded();
    if (columns->Count() > 0) {
        SetColCount(columns->Count() + indicatorOffset);
        if (autoFitColWidths && !IsDesigning()) {
            columns->BeginUpdate();
            for (int i = 0; i < columns->Count() && i < int(loadedWidths.size()); ++i)
                columns->GetItems(i)->initWidth = loadedWidths[size_t(i)];
            columns->EndUpdate();
            SetScrollBars(ssNone);
        }
        rebuildSortMarkedColumns();
        if (sortMarkedColumns->Count() > 0) SortMarkingChanged();
    }
    if (GetDataSource()) sumList->AfterOwnerLoaded();
    LayoutChanged();
    DeferLayout();
}

// After loading: the sort-marked columns in the order of their indexes, renumbered from 1.
// A column loaded with a marker but no index joins at the end.
void TCustomDBGridEh::rebuildSortMarkedColumns() {
    std::vector<TColumnEh*> indexed, unindexed;
    for (int i = 0; i < columns->Count(); ++i) {
        TColumnEh* c = columns->GetItems(i);
        if (c->title->sortIndex > 0)
            indexed.push_back(c);
        else if (c->title->sortMarker != smNoneEh)
            unindexed.push_back(c);
    }
    std::stable_sort(indexed.begin(), indexed.end(), [](TColumnEh* a, TColumnEh* b) {
        return a->title->sortIndex < b->title->sortIndex;
    });
    indexed.insert(indexed.end(), unindexed.begin(), unindexed.end());
    sortMarkedColumns->Clear();
    for (size_t i = 0; i < indexed.size(); ++i) {
        indexed[i]->title->sortIndex = int(i) + 1;
        if (indexed[i]->title->sortMarker == smNoneEh) indexed[i]->title->sortMarker = smDownEh;
        sortMarkedColumns->Add(indexed[i]);
    }
}

void TCustomDBGridEh::Notification(TComponent* AComponent, TOperation Operation) {
    TCustomGrid::Notification(AComponent, Operation);
    if (Operation != opRemove || IsDestroying() || !columns) return;
    // The component may be half gone: only its address is compared.
    for (int i = 0; i < columns->Count(); ++i) {
        TColumnEh* c = columns->GetItems(i);
        if (static_cast<TComponent*>(c->popupMenu) == AComponent) c->popupMenu = nullptr;
        if (static_cast<TComponent*>(c->imageList) == AComponent) c->imageList = nullptr;
    }
    if (static_cast<TComponent*>(titleImages) == AComponent) titleImages = nullptr;
    // a dataset being freed has its events taken apart already: the sum list only forgets it
    if (sumList) {
        if (static_cast<TComponent*>(sumList->GetDataSet()) == AComponent)
            sumList->DataSetFreed(sumList->GetDataSet());
        else if (static_cast<TComponent*>(sumList->GetMasterDataSet()) == AComponent)
            sumList->DataSetFreed(sumList->GetMasterDataSet());
    }
    if (dataLink && static_cast<TComponent*>(dataLink->GetDataSource()) == AComponent)
        SetDataSource(nullptr);
    bool affected = false;
    for (int i = 0; i < columns->Count(); ++i)
        affected = affected || static_cast<TComponent*>(columns->GetItems(i)->field) == AComponent;
    if (!affected) return;
    BeginLayout();
    for (int i = 0; i < columns->Count(); ++i) {
        TColumnEh* c = columns->GetItems(i);
        if (static_cast<TComponent*>(c->field) == AComponent) c->SetField(nullptr);
    }
    TDataSet* ds = dataLink->GetDataSet();
    if (ds && ds->GetActive() && !ds->IsDestroying())
        EndLayout();
    else
        DeferLayout();
}

void TCustomDBGridEh::columnRemoved(TColumnEh* Column) {
    if (!columns) return; // the grid itself is going
    if (sortMarkedColumns) {
        int at = sortMarkedColumns->IndexOf(Column);
        if (at >= 0) {
            // as if it had been unmarked: the columns sorted after it move up
            int index = Column->title->sortIndex;
            for (int i = 0; i < columns->Count(); ++i) {
                TColumnTitleEh* t = columns->GetItems(i)->title.get();
                if (columns->GetItems(i) != Column && t->sortIndex > index) --t->sortIndex;
            }
            sortMarkedColumns->Delete(at);
        }
    }
    if (visibleColumns) visibleColumns->Remove(Column);
    if (selection) selection->GetColumns()->ColumnRemoved(Column);
    for (THeadTreeNode*& leaf : leafNodes)
        if (leaf && leaf->Column == Column) leaf->Column = nullptr;
}

// ---- the window
// -----------------------------------------------------------------------------------

void TCustomDBGridEh::CreateWnd() {
    TUpdateBracket<TCustomDBGridEh> update(*this);
    TCustomGrid::CreateWnd();
    update.End();
    editButtonWidth = GetSystemMetrics(SM_CXVSCROLL);
    // characters an input method commits open the editor as typed ones do
    handle->setAttribute(Qt::WA_InputMethodEnabled);
    UpdateRowCount();
    UpdateActive();
    UpdateScrollBar();
    savedHint = GetHint();
    savedShowHint = GetShowHint();
}

void TCustomDBGridEh::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case CM_DEFERLAYOUTEH:
        if (updateLock == 0 && layoutLock == 0) {
            BeginLayout();
            EndLayout();
        } else if (HandleAllocated()) {
            PostMessage(handle, CM_DEFERLAYOUTEH, 0, 0);
        }
        return;
    case CM_PAINTERROREH:
        if (paintError) {
            std::exception_ptr e = paintError;
            paintError = nullptr;
            try {
                std::rethrow_exception(e);
            } catch (...) {
                Application->HandleException(this);
            }
        }
        return;
    case CM_GETDATALINK:
        // the dataset actions (insert, delete, post...) act on the focused grid's dataset
        Message.Result = reinterpret_cast<LRESULT>(static_cast<TDataLink*>(dataLink.get()));
        return;
    case WM_VSCROLL:
        vertScroll(Message);
        return;
    case WM_HSCROLL:
        if (horzScrollBar->GetTracking() && TWMScroll(Message).ScrollCode() == SB_THUMBTRACK)
            Message.WParam = MAKEWPARAM(SB_THUMBPOSITION, HIWORD(Message.WParam));
        TCustomGrid::Dispatch(Message);
        return;
    case WM_SIZE:
        TCustomGrid::Dispatch(Message);
        if (updateLock == 0) {
            if (autoFitColWidths && !IsDesigning()) {
                LayoutChanged();
                InvalidateEditor();
            } else {
                UpdateRowCount();
                UpdateScrollBar();
            }
        }
        return;
    case CM_EXIT:
        // leaving the grid: an untouched new record goes, an edited cell is written; a value
        // the field refuses keeps the focus here
        if (dataLink->GetActive()) {
            TDataSet* ds = dataLink->GetDataSet();
            try {
                if (dbOptions.Contains(dgCancelOnExit) && ds->GetState() == dsInsert &&
                    !ds->GetModified() && !dataLink->GetModified())
                    ds->Cancel();
                else
                    dataLink->UpdateData();
            } catch (...) {
                if (CanFocus()) SetFocus();
                throw;
            }
        }
        TCustomGrid::Dispatch(Message);
        return;
    case CM_HINTSHOWPAUSE:
        TCustomGrid::Dispatch(Message);
        hintShowPause(Message);
        return;
    case CM_HINTSHOW:
        TCustomGrid::Dispatch(Message);
        if (Message.Result == 0) hintShow(Message);
        return;
    case CM_PARENTFONTCHANGED:
        TCustomGrid::Dispatch(Message);
        if (parentFont) {
            // the grid's own copies: ParentFont stays
            copyingParentFont = true;
            TScopeGuard reset([this] { copyingParentFont = false; });
            titleFont->Assign(GetFont());
            footerFont->Assign(GetFont());
            reset.End();
            LayoutChanged();
        }
        return;
    case CM_PARENTCOLORCHANGED:
        TCustomGrid::Dispatch(Message);
        if (parentColor) {
            footerColor = color;
            Invalidate();
        }
        return;
    case CM_FONTCHANGED:
        TCustomGrid::Dispatch(Message);
        if (AcquireLayoutLock()) {
            for (int i = 0; i < columns->Count(); ++i)
                columns->GetItems(i)->refreshDefaultFont();
            EndLayout();
        }
        return;
    case WM_RBUTTONUP:
        TCustomGrid::Dispatch(Message);
        rightButtonReleased(Message);
        return;
    case WM_ERASEBKGND:
        // all painting happens in the paint cycle
        Message.Result = 1;
        return;
    case WM_CANCELMODE:
    case CM_CANCELMODE:
        TCustomGrid::Dispatch(Message);
        cancelMode();
        return;
    case WM_TIMER:
        TCustomGrid::Dispatch(Message);
        if (TWMTimer(Message).TimerID() == 1 && ehGridState != ehgsNormal) AutoScrollStep();
        if (TWMTimer(Message).TimerID() == 2 && incSearchActive) StopIncSearch();
        return;
    case WM_CHAR:
        charMessage(Message);
        return;
    default:
        break;
    }
    TCustomGrid::Dispatch(Message);
}

// A column with a pop-up menu of its own shows it over its cells and its title.
void TCustomDBGridEh::rightButtonReleased(TMessage& Message) {
    TWMMouse m(Message);
    TGridCoord cell = MouseCoord(m.XPos(), m.YPos());
    if (cell.X < indicatorOffset || cell.Y < 0) return;
    TColumnEh* c = ColumnAt(cell.X - indicatorOffset);
    if (!c || !c->popupMenu || !c->popupMenu->GetAutoPopup()) return;
    Perform(WM_CANCELMODE);
    c->popupMenu->SetPopupComponent(this);
    TPoint p = ClientToScreen(TPoint{m.XPos(), m.YPos()});
    c->popupMenu->Popup(p.X, p.Y);
    Message.Result = 1;
}

bool TCustomDBGridEh::AcquireFocus() {
    if (!acquireFocus || !CanFocus() || IsDesigning()) return true;
    SetFocus();
    auto holds = [this] {
        HWND f = ::GetFocus();
        return HandleAllocated() &&
               (f == handle ||
                (inplaceEdit && inplaceEdit->HandleAllocated() && f == inplaceEdit->GetHandle()));
    };
    bool result = holds();
    if (!result) {
        TCustomForm* active = Screen->GetActiveForm();
        if (active && active->GetFormStyle() == fsMDIForm) {
            ::SetFocus(GetHandle());
            result = holds();
        }
    }
    return result;
}

bool TCustomDBGridEh::PointInGridRect(int X, int Y, const TRect& Rect) {
    return X >= Rect.Left && X <= Rect.Right && Y >= Rect.Top && Y <= Rect.Bottom;
}

// ---- data ---------------------------------------------------------------------------------------

void TCustomDBGridEh::SetDataSource(TDataSource* Value) {
    if (Value == dataLink->GetDataSource()) return;
    selection->Clear();
    dataLink->SetDataSource(Value);
    if (Value) Value->FreeNotification(this);
    LinkActive(dataLink->GetActive());
}

TColumnEh* TCustomDBGridEh::ColumnAt(int DataCol) const {
    if (DataCol < 0 || DataCol >= columns->Count()) return nullptr;
    return columns->GetItems(DataCol);
}

void TCustomDBGridEh::SetSelectedIndex(int Value) {
    MoveCol(Value + indicatorOffset);
}

TField* TCustomDBGridEh::GetSelectedField() {
    TColumnEh* c = ColumnAt(GetSelectedIndex());
    return c ? c->GetField() : nullptr;
}

void TCustomDBGridEh::SetSelectedField(TField* Value) {
    if (!Value) return;
    for (int i = 0; i < columns->Count(); ++i)
        if (columns->GetItems(i)->GetField() == Value) {
            SelectColumnByIndex(i + indicatorOffset, 0, false);
            return;
        }
}

void TCustomDBGridEh::DefineFieldMap() {
    TDataSet* ds = dataLink->GetDataSet();
    if (columns->GetState() == csDefault) {
        dataLink->SetSparseMap(false);
        if (!ds) return;
        for (TField* f : ds->GetFields()->List())
            if (f->GetVisible()) dataLink->AddMapping(f->GetFieldName());
    } else {
        dataLink->SetSparseMap(true);
        for (int i = 0; i < columns->Count(); ++i)
            dataLink->AddMapping(columns->GetItems(i)->GetFieldName());
    }
}

void TCustomDBGridEh::LinkActive(bool Value) {
    if (!Value) HideEditor();
    selection->LinkActive(Value);
    TDataSet* ds = GetDataSource() ? GetDataSource()->GetDataSet() : nullptr;
    sumList->SetDataSet(ds);
    if (ds) ds->FreeNotification(this);
    if (TDataSet* master = sumList->GetMasterDataSet()) master->FreeNotification(this);
    LayoutChanged();
    if (Value && dbOptions.Contains(dgAlwaysShowEditor)) ShowEditor();
    UpdateScrollBar();
}

void TCustomDBGridEh::DataChanged() {
    if (!HandleAllocated() || sumListGuard) return;
    if (IsDesigning() && sumList->GetActive()) {
        sumListGuard = true;
        TScopeGuard reset([this] { sumListGuard = false; });
        sumList->RecalcAll();
        reset.End();
    }
    bool barShown = ScrollBarVisible(handle, SB_VERT);
    UpdateRowCount();
    UpdateScrollBar();
    if (barShown != ScrollBarVisible(handle, SB_VERT) && autoFitColWidths && !IsDesigning())
        DeferLayout();
    UpdateActive();
    InvalidateEditor();
    ValidateRect(handle, nullptr);
    Invalidate();
}

void TCustomDBGridEh::EditingChanged() {
    if (dbOptions.Contains(dgIndicator)) InvalidateCell(0, selRow);
}

void TCustomDBGridEh::RecordChanged(TField* Field) {
    if (!HandleAllocated()) return;
    if (Field) {
        for (int i = 0; i < columns->Count(); ++i)
            if (columns->GetItems(i)->field == Field) InvalidateCell(i + indicatorOffset, GetRow());
    } else {
        Invalidate();
    }
    TField* selected = GetSelectedField();
    if ((!Field || Field == selected) && selected) {
        QString now = drawMemoText && selected->GetDataType() == ftMemo
                          ? withCrLf(selected->GetAsString())
                          : selected->GetText();
        if (now != editText) {
            InvalidateEditor();
            if (inplaceEdit) inplaceEdit->Deselect();
        }
    }
}

// Writes the edit text into the selected field, through the key list when the column has one.
void TCustomDBGridEh::UpdateData() {
    TField* f = GetSelectedField();
    if (!f) return;
    TColumnEh* c = ColumnAt(GetSelectedIndex());
    if (c->HasKeyList() && c->GetKeyList()->Count() > 0) {
        int i = exactLine(c->GetPickList(), editText);
        if (i > -1 && c->GetKeyList()->Count() > i)
            f->SetText(c->GetKeyList()->Get(i));
        else if (i == -1 && editText.isEmpty())
            f->Clear();
        return;
    }
    if (f->GetFieldKind() == fkLookup && !f->GetKeyFields().isEmpty()) {
        TDataSet* ds = f->GetDataSet();
        TField* key = ds->FieldByName(f->GetKeyFields());
        if (key->CanModify()) {
            ds->Edit();
            key->SetValue(editKeyValue);
        }
    }
    if (drawMemoText && f->GetDataType() == ftMemo)
        f->SetAsString(editText);
    else
        f->SetText(editText);
}

// ---- editing questions --------------------------------------------------------------------------

QString TCustomDBGridEh::GetEditText(int ACol, int ARow) {
    QString result;
    editKeyValue = Null();
    TColumnEh* c = ColumnAt(ACol - indicatorOffset);
    TField* f = dataLink->GetActive() && c ? c->GetField() : nullptr;
    if (f) {
        if (c->HasKeyList() && c->GetKeyList()->Count() > 0) {
            int i = exactLine(c->GetKeyList(), f->GetText());
            if (i >= 0 && c->GetPickList()->Count() > i) result = c->GetPickList()->Get(i);
        } else if (drawMemoText && f->GetDataType() == ftMemo) {
            result = withCrLf(f->GetAsString());
        } else {
            result = f->GetText();
        }
        if (f->GetFieldKind() == fkLookup && !f->GetKeyFields().isEmpty())
            editKeyValue = f->GetDataSet()->GetFieldValues(f->GetKeyFields());
    }
    editText = result;
    return result;
}

void TCustomDBGridEh::SetEditText(int, int, const QString& Value) {
    editText = Value;
}

QString TCustomDBGridEh::GetEditMask(int ACol, int) {
    TColumnEh* c = ColumnAt(ACol - indicatorOffset);
    if (!dataLink->GetActive() || !c || (c->HasKeyList() && c->GetKeyList()->Count() > 0))
        return QString();
    TField* f = c->GetField();
    return f ? f->GetEditMask() : QString();
}

int TCustomDBGridEh::GetEditLimit() {
    TColumnEh* c = ColumnAt(GetSelectedIndex());
    if (c && c->HasKeyList() && c->GetKeyList()->Count() > 0) return 0;
    TField* f = GetSelectedField();
    if (f && (f->GetDataType() == ftString || f->GetDataType() == ftFixedChar ||
              f->GetDataType() == ftWideString))
        return f->GetSize();
    return 0;
}

bool TCustomDBGridEh::CanEditAcceptKey(QChar Key) {
    TColumnEh* c = ColumnAt(GetSelectedIndex());
    if (c && c->HasKeyList() && c->GetKeyList()->Count() > 0) return true;
    TField* f = dataLink->GetActive() && c ? c->GetField() : nullptr;
    return f && f->IsValidChar(Key);
}

bool TCustomDBGridEh::CanEditModify() {
    TColumnEh* c = ColumnAt(GetSelectedIndex());
    if (c) {
        TColumnKindEh kind = c->GetColumnType();
        if (kind == ctkKeyPickList || kind == ctkCheckboxes) return false;
    }
    if (incSearchActive) return false;
    return CanEditModifyField();
}

bool TCustomDBGridEh::CanEditModifyField() {
    if (readOnly || !dataLink->GetActive() || dataLink->GetReadOnly()) return false;
    TColumnEh* c = ColumnAt(GetSelectedIndex());
    return c && c->CanModify(true);
}

bool TCustomDBGridEh::ColumnEditable(int DataCol) {
    TColumnEh* c = ColumnAt(DataCol);
    return c && c->CanModify(false) && dbOptions.Contains(dgEditing);
}

bool TCustomDBGridEh::CanEditByAllowedOperations() {
    if (!dataLink->GetActive()) return false;
    if (allowedOperations.Contains(alopUpdateEh)) return true;
    return dataLink->GetDataSet()->GetState() == dsInsert;
}

// ---- the events ---------------------------------------------------------------------------------

void TCustomDBGridEh::ColumnMoved(int FromIndex, int ToIndex) {
    int from = FromIndex - indicatorOffset, to = ToIndex - indicatorOffset;
    if (TColumnEh* c = ColumnAt(from)) c->SetIndex(std::clamp(to, 0, columns->Count() - 1));
    if (OnColumnMoved) OnColumnMoved(this, from, to);
}

void TCustomDBGridEh::CellClick(TColumnEh* Column) {
    if (OnCellClick) OnCellClick(Column);
}

void TCustomDBGridEh::ColEnter() {
    if (OnColEnter) OnColEnter(this);
}

void TCustomDBGridEh::ColExit() {
    if (OnColExit) OnColExit(this);
}

void TCustomDBGridEh::EditButtonClick() {
    if (OnEditButtonClick) OnEditButtonClick(this);
}

void TCustomDBGridEh::DrawDataCell(const TRect& Rect, TField* Field, TGridDrawState State) {
    if (OnDrawDataCell) OnDrawDataCell(this, Rect, Field, State);
}

void TCustomDBGridEh::DrawColumnCell(const TRect& Rect, int DataCol, TColumnEh* Column,
                                     TGridDrawState State) {
    if (OnDrawColumnCell) OnDrawColumnCell(this, Rect, DataCol, Column, State);
}

void TCustomDBGridEh::SortMarkingChanged() {
    if (optionsEh.Contains(dghAutoSortMarking) && OnSortMarkingChanged) OnSortMarkingChanged(this);
}

// ---- property setters ---------------------------------------------------------------------------

void TCustomDBGridEh::applyGridOptions() {
    TGridOptions g;
    if (rowSizingAllowed) g.Include(goRowSizing);
    if (dbOptions.Contains(dgColLines)) g.Include(goFixedVertLine).Include(goVertLine);
    if (dbOptions.Contains(dgRowLines)) g.Include(goFixedHorzLine).Include(goHorzLine);
    if (dbOptions.Contains(dgColumnResize)) g.Include(goColSizing).Include(goColMoving);
    if (dbOptions.Contains(dgTabs)) g.Include(goTabs);
    if (dbOptions.Contains(dgRowSelect)) g.Include(goRowSelect);
    if (dbOptions.Contains(dgEditing)) g.Include(goEditing);
    if (dbOptions.Contains(dgAlwaysShowEditor)) g.Include(goAlwaysShowEditor);
    TCustomGrid::SetOptions(g);
}

void TCustomDBGridEh::SetOptions(TDBGridOptions Value) {
    if (Value == dbOptions) return;
    if (Value.Contains(dgRowSelect)) Value.Exclude(dgEditing).Exclude(dgAlwaysShowEditor);
    if (Value == dbOptions) return;
    TDBGridOptions old = dbOptions;
    dbOptions = Value;
    applyGridOptions();
    if (old.Contains(dgMultiSelect) && !Value.Contains(dgMultiSelect)) selection->Clear();
    const TDBGridOptions layoutOnes{dgEditing,   dgAlwaysShowEditor,   dgTitles,
                                    dgIndicator, dgColLines,           dgRowLines,
                                    dgRowSelect, dgAlwaysShowSelection};
    if (!((old - Value) * layoutOnes).Empty() || !((Value - old) * layoutOnes).Empty())
        LayoutChanged();
}

void TCustomDBGridEh::SetOptionsEh(TDBGridEhOptions Value) {
    if (Value == optionsEh) return;
    if (optionsEh.Contains(dghMultiSortMarking) && !Value.Contains(dghMultiSortMarking)) {
        for (int i = sortMarkedColumns->Count() - 1; i >= 1; --i)
            sortMarkedColumns->GetColumn(i)->GetTitle()->SetSortMarker(smNoneEh);
    }
    optionsEh = Value;
    LayoutChanged();
}

void TCustomDBGridEh::SetReadOnly(bool Value) {
    if (readOnly == Value) return;
    readOnly = Value;
    Invalidate();
}

void TCustomDBGridEh::SetFooterColor(TColor Value) {
    if (!IsLoading()) parentColor = false;
    footerColor = Value;
    if (footerRowCount > 0) Invalidate();
}

void TCustomDBGridEh::SetFooterRowCount(int Value) {
    if (Value < 0 || Value == footerRowCount) return;
    footerRowCount = Value;
    LayoutChanged();
}

void TCustomDBGridEh::SetFrozenCols(int Value) {
    if (Value < 0 || Value == frozenCols) return;
    frozenCols = Value;
    LayoutChanged();
}

void TCustomDBGridEh::SetTitleHeight(int Value) {
    titleHeight = Value;
    LayoutChanged();
}

void TCustomDBGridEh::SetTitleLines(int Value) {
    titleLines = Value;
    LayoutChanged();
}

void TCustomDBGridEh::SetVTitleMargin(int Value) {
    vTitleMargin = Value;
    LayoutChanged();
}

void TCustomDBGridEh::SetUseMultiTitle(bool Value) {
    useMultiTitle = Value;
    LayoutChanged();
}

void TCustomDBGridEh::SetAutoFitColWidths(bool Value) {
    if (Value == autoFitColWidths) return;
    autoFitColWidths = Value;
    if (IsDesigning()) return;
    if (Value) {
        if (!IsLoading())
            for (int i = 0; i < columns->Count(); ++i)
                columns->GetItems(i)->initWidth = columns->GetItems(i)->GetWidth();
        SetScrollBars(ssNone);
    } else {
        columns->BeginUpdate();
        for (int i = 0; i < columns->Count(); ++i)
            columns->GetItems(i)->SetWidth(columns->GetItems(i)->initWidth);
        columns->EndUpdate();
        SetScrollBars(ssHorizontal);
    }
    LayoutChanged();
}

void TCustomDBGridEh::SetMinAutoFitWidth(int Value) {
    minAutoFitWidth = Value;
    LayoutChanged();
}

void TCustomDBGridEh::SetRowHeight(int Value) {
    Value = std::max(0, Value);
    if (Value == rowHeight) return;
    rowHeight = Value;
    LayoutChanged();
}

void TCustomDBGridEh::SetRowLines(int Value) {
    Value = std::max(0, Value);
    if (Value == rowLines) return;
    rowLines = Value;
    LayoutChanged();
}

void TCustomDBGridEh::SetRowSizingAllowed(bool Value) {
    if (Value == rowSizingAllowed) return;
    rowSizingAllowed = Value;
    applyGridOptions();
}

void TCustomDBGridEh::SetDrawMemoText(bool Value) {
    drawMemoText = Value;
    Invalidate();
}

void TCustomDBGridEh::SetFlat(bool Value) {
    if (Value == flat) return;
    flat = Value;
    textAllowance = flat ? 2 : 4;
    if (HandleAllocated()) RecreateWnd();
    LayoutChanged();
}

void TCustomDBGridEh::SetTitleImages(TCustomImageList* Value) {
    titleImages = Value;
    if (Value) Value->FreeNotification(this);
    LayoutChanged();
}

void TCustomDBGridEh::titleFontChanged(TObject*) {
    if (!IsLoading() && !copyingParentFont) parentFont = false;
    if (dbOptions.Contains(dgTitles)) LayoutChanged();
}

void TCustomDBGridEh::footerFontChanged(TObject*) {
    if (!IsLoading() && !copyingParentFont) parentFont = false;
    if (footerRowCount > 0) LayoutChanged();
}

// ---- TDBGridEhScrollBar
// ---------------------------------------------------------------------------

TDBGridEhScrollBar::TDBGridEhScrollBar(TCustomDBGridEh* AGrid, TScrollBarKind AKind)
    : grid(AGrid), kind(AKind) {}

void TDBGridEhScrollBar::Assign(TPersistent* Source) {
    if (auto* s = dynamic_cast<TDBGridEhScrollBar*>(Source)) {
        SetVisible(s->visible);
        tracking = s->tracking;
        return;
    }
    TPersistent::Assign(Source);
}

void TDBGridEhScrollBar::SetVisible(bool Value) {
    if (visible == Value) return;
    visible = Value;
    if (kind == sbVertical) grid->UpdateScrollBar();
    grid->LayoutChanged();
}

bool TDBGridEhScrollBar::IsScrollBarShowing() const {
    if (!visible || !grid->HandleAllocated()) return false;
    return ScrollBarVisible(grid->GetHandle(), kind == sbHorizontal ? SB_HORZ : SB_VERT);
}
