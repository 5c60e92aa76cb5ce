// The grid's keyboard: navigation, record and cell ranges, insert, append and delete, the
// clipboard keys, the character path that chooses between the editor, the incremental search and
// stepping a check box, and the incremental search itself.
#include "DBGridEh.h"
#include "DBGridEhInternal.h"

#include "Clipbrd.h"
#include "Dialogs.h"
#include "ScopeGuard.h"

namespace {

constexpr uintptr_t kIncSearchTimerEh = 2;
// A search started by typing ends after this many milliseconds without a keystroke.
constexpr int TypedSearchTimeout = 1500;

bool isKind(TColumnEh* Column, TColumnKindEh A, TColumnKindEh B) {
    if (!Column) return false;
    TColumnKindEh k = Column->GetColumnType();
    return k == A || k == B;
}

} // namespace

// ---- helpers of KeyDown -------------------------------------------------------------------------

void TCustomDBGridEh::ClearSelection() {
    if (dbOptions.Contains(dgMultiSelect) && optionsEh.Contains(dghClearSelection))
        bookmarks->Clear();
    selecting = false;
    if (optionsEh.Contains(dghClearSelection) && selection->GetSelectionType() != gskNone &&
        selection->GetSelectionType() != gskRecordBookmarks) {
        selection->Clear();
        Invalidate();
    }
}

void TCustomDBGridEh::MoveByWithSelection(bool Select, int Distance, bool RecordMode, bool ToEnd) {
    TDataSet* ds = dataLink->GetDataSet();
    if (!ds) return;
    auto move = [&] {
        if (ToEnd) {
            if (Distance == 1)
                ds->Last();
            else
                ds->First();
        } else {
            ds->MoveBy(Distance);
        }
    };
    if (!RecordMode && !dbOptions.Contains(dgRowSelect)) {
        if (Select) {
            TUpdateBracket<TCustomDBGridEh> update(*this);
            if (selection->GetSelectionType() != gskRectangle) {
                selection->GetRect()->Clear();
                selection->GetRect()->Select(GetSelectedIndex(), ds->GetBookmark(), false);
            }
            move();
            selection->GetRect()->Select(GetSelectedIndex(), ds->GetBookmark(), true);
            update.End();
        } else {
            ds->MoveBy(Distance);
        }
        if (updateLock == 0) Update();
        return;
    }
    TUpdateBracket<TCustomDBGridEh> update(*this);
    const int step = Distance > 0 ? 1 : -1;
    while (Distance != 0) {
        bool extend = false;
        if (dbOptions.Contains(dgMultiSelect) && dataLink->GetActive()) {
            if (!Select) {
                ClearSelection();
            } else if (selecting) {
                const int side = ds->CompareBookmarks(ds->GetBookmark(), selectionAnchor);
                // moving back toward the anchor unselects what the range had taken
                if (side == -step)
                    bookmarks->SetCurrentRowSelected(toggleMode ? anchorWasSelected : false);
                else
                    extend = true;
            } else {
                selectionAnchor = ds->GetBookmark();
                anchorWasSelected = bookmarks->GetCurrentRowSelected();
                bookmarks->SetCurrentRowSelected(toggleMode ? !anchorWasSelected : true);
                selecting = true;
                extend = true;
            }
        }
        if (ds->MoveBy(step) == 0) break;
        if (Select && extend && dbOptions.Contains(dgMultiSelect))
            bookmarks->SetCurrentRowSelected(toggleMode ? !anchorWasSelected : true);
        if (!ToEnd) Distance -= step;
    }
    update.End();
    if (updateLock == 0) Update();
}

void TCustomDBGridEh::NextRow(bool Select) {
    TDataSet* ds = dataLink->GetDataSet();
    if (!ds) return;
    if (ds->GetState() == dsInsert && !ds->GetModified() && !dataLink->GetModified()) {
        if (ds->Eof()) return;
        ds->Cancel();
    } else {
        if (keyShiftHeld)
            MoveByWithSelection(Select, 1, false, false);
        else
            MoveByWithSelection(false, 1, true, false);
    }
    if (ds->Eof() && ds->CanModify() && !readOnly && dbOptions.Contains(dgEditing) &&
        allowedOperations.Contains(alopAppendEh))
        ds->Append();
}

void TCustomDBGridEh::PriorRow(bool Select) {
    TDataSet* ds = dataLink->GetDataSet();
    if (!ds) return;
    if (ds->GetState() == dsInsert && !ds->GetModified() && !dataLink->GetModified() && ds->Eof()) {
        ds->Cancel();
        return;
    }
    if (keyShiftHeld)
        MoveByWithSelection(Select, -1, false, false);
    else
        MoveByWithSelection(false, -1, true, false);
}

void TCustomDBGridEh::TabToColumn(bool Forward) {
    const int c0 = GetCol();
    int c = c0;
    TUpdateBracket<TCustomDBGridEh> update(*this);
    for (int guard = 0; guard <= colCount; ++guard) {
        c += Forward ? 1 : -1;
        if (c >= colCount) {
            NextRow(false);
            c = indicatorOffset;
        } else if (c < indicatorOffset) {
            PriorRow(false);
            c = colCount - 1;
        }
        if (c == c0) break;
        if (GetTabStops(c) && GetColWidths(c) >= 0) {
            SelectColumnByIndex(c, 0, false);
            break;
        }
    }
    update.End();
}

bool TCustomDBGridEh::ConfirmDelete() {
    const QString question = bookmarks->Count() < 2
                                 ? QStringLiteral("Delete record?")
                                 : QStringLiteral("Delete all selected records?");
    if (!dbOptions.Contains(dgConfirmDelete)) return true;
    return MessageDlg(question, mtConfirmation, TMsgDlgButtons{mbOK, mbCancel}, 0) != mrCancel;
}

// ---- KeyDown ------------------------------------------------------------------------------------

void TCustomDBGridEh::KeyDown(WORD& Key, TShiftState Shift) {
    toggleMode = Shift.Contains(ssCtrl) || !optionsEh.Contains(dghClearSelection);
    if (OnKeyDown) OnKeyDown(this, Key, Shift);
    if (Key == 0 || !dataLink->GetActive() || !CanGridAcceptKey(Key, Shift)) return;
    TDataSet* ds = dataLink->GetDataSet();
    const bool ctrl = Shift.Contains(ssCtrl);
    const bool shift = Shift.Contains(ssShift);
    const bool alt = Shift.Contains(ssAlt);
    const bool plain = !ctrl && !shift && !alt;
    const WORD key = Key;
    keyShiftHeld = shift;
    struct TShiftReset {
        bool& Held;
        ~TShiftReset() { Held = false; }
    } shiftReset{keyShiftHeld};

    // the search keys
    if (ctrl && !shift && key == 'F' && optionsEh.Contains(dghIncSearch)) {
        DoIncSearch(QString(), -1, 0);
    } else if (incSearchActive) {
        if (plain && (key == VK_RETURN || key == VK_ESCAPE || key == VK_F2)) {
            StopIncSearch();
        } else if (plain && key == VK_BACK) {
            incSearchText.chop(1);
            InvalidateRow(GetRow());
            startIncSearchTimer();
        } else if (ctrl && key == VK_RETURN) {
            DoIncSearch(QString(), incSearchTimeout, shift ? 2 : 1);
        }
    }

    const bool multiShift = shift && dbOptions.Contains(dgMultiSelect);
    const int pageRows = VisibleDataRowCount();
    const bool oneColumn = colCount - indicatorOffset <= 1 || dbOptions.Contains(dgRowSelect);
    bool plainDelete = false;
    if (!ctrl) {
        switch (key) {
        case VK_LEFT:
        case VK_RIGHT: {
            const int dir = key == VK_LEFT ? -1 : 1;
            if (dbOptions.Contains(dgRowSelect)) {
                TGridDrawInfo di;
                CalcDrawInfo(di);
                if (dir < 0 && GetLeftCol() > fixedCols)
                    SetLeftCol(GetLeftCol() - 1);
                else if (dir > 0 && di.Horz.LastFullVisibleCell < colCount - 1)
                    SetLeftCol(GetLeftCol() + 1);
            } else if (multiShift) {
                SelectColumnByIndex(GetCol() + dir, dir, true);
            } else {
                ClearSelection();
                SelectColumnByIndex(GetCol() + dir, dir, false);
            }
            break;
        }
        case VK_UP:
            PriorRow(true);
            break;
        case VK_DOWN:
            NextRow(true);
            break;
        case VK_PRIOR:
        case VK_NEXT: {
            const int d = key == VK_PRIOR ? -pageRows : pageRows;
            if (multiShift) {
                MoveByWithSelection(true, d, false, false);
            } else {
                ClearSelection();
                ds->MoveBy(d);
            }
            break;
        }
        case VK_HOME:
        case VK_END: {
            const bool home = key == VK_HOME;
            if (oneColumn) {
                if (multiShift) {
                    MoveByWithSelection(true, home ? -1 : 1, false, true);
                } else {
                    ClearSelection();
                    if (home)
                        ds->First();
                    else
                        ds->Last();
                }
            } else {
                SelectColumnByIndex(home ? indicatorOffset : colCount - 1, home ? 1 : -1,
                                    multiShift);
            }
            break;
        }
        case VK_TAB:
            if (!alt) TabToColumn(!shift);
            break;
        case VK_RETURN:
            if (optionsEh.Contains(dghEnterAsTab)) TabToColumn(!shift);
            break;
        case VK_ESCAPE:
            dataLink->Reset();
            ClearSelection();
            if (!dbOptions.Contains(dgAlwaysShowEditor)) HideEditor();
            break;
        case VK_INSERT:
            if (!shift) {
                if (ds->CanModify() && !readOnly && dbOptions.Contains(dgEditing)) {
                    ClearSelection();
                    if (allowedOperations.Contains(alopInsertEh))
                        ds->Insert();
                    else if (allowedOperations.Contains(alopAppendEh))
                        ds->Append();
                }
            } else if (incSearchActive) {
                DoIncSearch(Clipboard()->GetAsText(), incSearchTimeout, 0);
            } else {
                PerformEditAction(geaPasteEh);
            }
            break;
        case VK_DELETE:
            if (shift)
                PerformEditAction(geaCutEh);
            else
                plainDelete = !alt;
            break;
        case VK_F2:
            SetEditorMode(true);
            break;
        default:
            break;
        }
    } else {
        if (!shift && (key == VK_UP || key == VK_DOWN || key == VK_PRIOR || key == VK_NEXT ||
                       key == VK_HOME || key == VK_END))
            ClearSelection();
        const bool multi = shift && dbOptions.Contains(dgMultiSelect);
        switch (key) {
        case VK_UP:
        case VK_PRIOR:
        case VK_DOWN:
        case VK_NEXT: {
            const bool up = key == VK_UP || key == VK_PRIOR;
            const int d = up ? -dataLink->GetActiveRecord()
                             : dataLink->GetRecordCount() - dataLink->GetActiveRecord() - 1;
            if (multi)
                MoveByWithSelection(true, d, false, false);
            else
                ds->MoveBy(d);
            break;
        }
        case VK_HOME:
        case VK_END:
            if (multi) {
                MoveByWithSelection(true, key == VK_HOME ? -1 : 1, false, true);
            } else if (key == VK_HOME) {
                ds->First();
            } else {
                ds->Last();
            }
            break;
        case VK_LEFT:
            SelectColumnByIndex(indicatorOffset, 1, false);
            break;
        case VK_RIGHT:
            SelectColumnByIndex(colCount - 1, -1, false);
            break;
        case VK_INSERT:
        case 'C':
            PerformEditAction(geaCopyEh);
            break;
        case 'V':
            if (incSearchActive)
                DoIncSearch(Clipboard()->GetAsText(), incSearchTimeout, 0);
            else
                PerformEditAction(geaPasteEh);
            break;
        case 'X':
            PerformEditAction(geaCutEh);
            break;
        case 'A':
            PerformEditAction(geaSelectAllEh);
            break;
        case VK_DELETE:
            if (editActions.Contains(geaDeleteEh) && selection->GetSelectionType() != gskNone &&
                selection->GetSelectionType() != gskRecordBookmarks) {
                PerformEditAction(geaDeleteEh);
            } else if (!readOnly && !ds->IsEmpty() && ds->CanModify() &&
                       allowedOperations.Contains(alopDeleteEh) && ConfirmDelete()) {
                if (bookmarks->Count() == 0)
                    ds->Delete();
                else
                    bookmarks->Delete();
            }
            break;
        default:
            break;
        }
    }

    // a plain Delete clears a check box or an image value of the current record only
    if (plainDelete && !dbOptions.Contains(dgRowSelect)) {
        TColumnEh* c = ColumnAt(GetSelectedIndex());
        if (isKind(c, ctkKeyImageList, ctkCheckboxes) && c->GetField() &&
            !c->GetField()->GetRequired() && c->CanModify(true))
            c->GetField()->Clear();
    }
    Key = 0;
}

// ---- characters ---------------------------------------------------------------------------------

void TCustomDBGridEh::KeyPress(QChar& Key) {
    if (optionsEh.Contains(dghEnterAsTab) && Key == QChar(13)) Key = QChar(9);
    if (Key == QChar(13) && !dbOptions.Contains(dgAlwaysShowEditor)) {
        // an edit that cannot be written back keeps the editor open with its text
        if (GetEditorMode()) UpdateText();
        dataLink->UpdateData();
    } else if (Key.unicode() >= 32) {
        const bool editorShown = inplaceEdit && inplaceEdit->GetVisible();
        if (incSearchActive) {
            DoIncSearch(QString(Key), incSearchTimeout, 0);
            Key = QChar();
        } else if ((optionsEh.Contains(dghIncSearch) && !ColumnEditable(GetSelectedIndex())) ||
                   (optionsEh.Contains(dghPreferIncSearch) &&
                    !dbOptions.Contains(dgAlwaysShowEditor) && !editorShown)) {
            DoIncSearch(QString(Key), TypedSearchTimeout, 0);
            Key = QChar();
        }
    }
    if (!Key.isNull()) TCustomGrid::KeyPress(Key);
}

bool TCustomDBGridEh::CanEditShow() {
    if (layoutLock > 0 || !TCustomGrid::CanEditShow()) return false;
    TColumnEh* c = ColumnAt(GetSelectedIndex());
    const TGridSelectionKindEh sel = selection->GetSelectionType();
    if (isKind(c, ctkKeyImageList, ctkCheckboxes) ||
        (sel != gskNone && optionsEh.Contains(dghClearSelection)) || incSearchActive) {
        if (inplaceEdit && inplaceEdit->GetVisible()) inplaceEdit->Hide();
        return false;
    }
    return true;
}

// The character message: a space steps a check box, typing searches where the column is not
// edited, and otherwise the editor opens with the character (Cyrillic and input-method text
// alike).
void TCustomDBGridEh::charMessage(TMessage& Message) {
    QChar ch(char16_t(TWMKey(Message).CharCode()));
    TColumnEh* c = ColumnAt(GetSelectedIndex());
    const bool editorShown = inplaceEdit && inplaceEdit->GetVisible();
    if (isKind(c, ctkKeyImageList, ctkCheckboxes) && ch == QChar(' ') &&
        !dbOptions.Contains(dgRowSelect)) {
        if (OnKeyPress) OnKeyPress(this, ch);
        if (ch == QChar(' ')) KeyPress(ch);
        if (ch == QChar(' ') && dataLink->GetActive())
            c->StepFieldValue(GetKeyState(VK_SHIFT) < 0 ? -1.0 : 1.0);
        return;
    }
    const bool search = incSearchActive ||
                        (optionsEh.Contains(dghIncSearch) && !ColumnEditable(GetSelectedIndex())) ||
                        (optionsEh.Contains(dghPreferIncSearch) &&
                         !dbOptions.Contains(dgAlwaysShowEditor) && !editorShown);
    if (search && ch.unicode() >= 32) {
        if (OnKeyPress) OnKeyPress(this, ch);
        if (!ch.isNull()) KeyPress(ch);
        return;
    }
    TCustomGrid::Dispatch(Message);
}

// ---- incremental search -------------------------------------------------------------------------

void TCustomDBGridEh::startIncSearchTimer() {
    stopIncSearchTimer();
    if (incSearchTimeout > -1 && HandleAllocated()) {
        SetTimer(handle, kIncSearchTimerEh, UINT(incSearchTimeout));
        incSearchTimerOn = true;
    }
}

void TCustomDBGridEh::stopIncSearchTimer() {
    if (incSearchTimerOn && HandleAllocated()) KillTimer(handle, kIncSearchTimerEh);
    incSearchTimerOn = false;
}

void TCustomDBGridEh::DoIncSearch(const QString& Text, int Timeout, int Direction) {
    if (!dataLink->GetActive()) return;
    TDataSet* ds = dataLink->GetDataSet();
    QString candidate = incSearchText + Text;
    bool found = false;
    TColumnEh* c = ColumnAt(GetSelectedIndex());
    auto matches = [&] {
        const QString t = c->GetDisplayText();
        if (t.left(candidate.size()).toUpper() != candidate.toUpper()) return false;
        candidate = t.left(candidate.size());
        return true;
    };
    if (!candidate.isEmpty() && c) {
        if (Direction == 0 && matches()) {
            found = true;
        } else {
            ds->DisableControls();
            try {
                const TBookmark start = ds->GetBookmark();
                if (Direction == 0)
                    ds->First();
                else if (Direction == 1)
                    ds->Next();
                else
                    ds->Prior();
                while (Direction == 2 ? !ds->Bof() : !ds->Eof()) {
                    if (matches()) {
                        found = true;
                        break;
                    }
                    if (Direction == 2)
                        ds->Prior();
                    else
                        ds->Next();
                }
                if (!found) ds->GotoBookmark(start);
            } catch (...) {
                incSearchMoving = true;
                ds->EnableControls();
                incSearchMoving = false;
                throw;
            }
            incSearchMoving = true;
            TScopeGuard reset([this] { incSearchMoving = false; });
            ds->EnableControls();
            reset.End();
        }
    }
    HideEditor();
    incSearchActive = true;
    if (found) incSearchText = candidate;
    InvalidateRow(GetRow());
    incSearchTimeout = Timeout;
    startIncSearchTimer();
}

void TCustomDBGridEh::StopIncSearch() {
    stopIncSearchTimer();
    const bool was = incSearchActive;
    incSearchActive = false;
    incSearchText.clear();
    if (was) InvalidateRow(GetRow());
    if (was && dbOptions.Contains(dgAlwaysShowEditor)) ShowEditor();
}
