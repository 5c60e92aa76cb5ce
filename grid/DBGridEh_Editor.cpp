// The grid's in-place editor: its edit button, the pick list, lookup list and calendar that drop
// down from it, the values they give, completion of typed text, and the keys it keeps or hands
// to the grid.
#include "DBGridEh.h"
#include "DBGridEhInternal.h"

#include "Clock.h"
#include "Dates.h"
#include "DBLookupEh.h"
#include "Forms.h"
#include "PickDate.h"
#include "ToolEdit.h"
#include "WinWidget.h"

#include <QLineEdit>
#include <algorithm>
#include <cmath>

namespace {

// A pause after which the pick list's typed search starts over, and its longest text.
constexpr uint32_t PickSearchPause = 2000;
constexpr int PickSearchMax = 32;
// An up-down half held steps again after this pause, then at the second interval.
constexpr int UpDownFirstRepeat = 500;
constexpr int UpDownNextRepeat = 100;

bool keyed(TColumnEh* C) {
    return C->HasKeyList() && C->GetKeyList()->Count() > 0;
}

int indexOfText(TStrings* List, const QString& Text) {
    for (int i = 0; i < List->Count(); ++i)
        if (List->Get(i) == Text) return i;
    return -1;
}

int indexOfPrefix(TStrings* List, const QString& Prefix) {
    for (int i = 0; i < List->Count(); ++i)
        if (List->Get(i).left(Prefix.size()).compare(Prefix, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

} // namespace

// ---- the pick list ------------------------------------------------------------------------------

TPopupListbox::TPopupListbox(TComponent* AOwner) : TCustomListBox(AOwner) {
    visible = false;
    tabStop = false;
    integralHeight = true;
    sizeGrip = new TSizeGripEh(this);
    sizeGrip->SetParent(this);
    sizeGrip->OnParentResized = [this](TObject*) { resizedByUser = true; };
}

void TPopupListbox::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    // never narrower than a scroll bar nor lower than its arrow
    TCustomListBox::SetBounds(ALeft, ATop, std::max(AWidth, GetSystemMetrics(SM_CXVSCROLL)),
                              std::max(AHeight, GetSystemMetrics(SM_CYVSCROLL)));
}

void TPopupListbox::Dispatch(TMessage& Message) {
    TCustomListBox::Dispatch(Message);
    if (Message.Msg == WM_SIZE && sizeGrip) sizeGrip->UpdatePosition();
}

void TPopupListbox::CreateParams(TCreateParams& Params) {
    TCustomListBox::CreateParams(Params);
    Params.Style = WS_POPUP | WS_CLIPCHILDREN | WS_VSCROLL;
    Params.ExStyle = WS_EX_TOOLWINDOW;
    Params.WindowClassStyle |= CS_SAVEBITS;
    Params.WndParent = nullptr;
}

QWidget* TPopupListbox::CreateWindowWidget(const TCreateParams&, QWidget*) {
    return CreatePopupWidget();
}

void TPopupListbox::Paint() {
    TCustomListBox::Paint();
    // a top-level window has no frame of ours: the list draws its own
    TCanvas* c = GetCanvas();
    c->GetBrush()->SetColor(clWindowFrame);
    c->FrameRect(GetClientRect());
}

void TPopupListbox::KeyPress(QChar& Key) {
    if (Key.unicode() == 8 || Key.unicode() == 27) {
        searchText.clear();
    } else if (Key.unicode() >= 32) {
        const uint32_t now = GetTickCount();
        if (now - uint32_t(lastKeyTime) > PickSearchPause) searchText.clear();
        lastKeyTime = now;
        if (searchText.size() < PickSearchMax) searchText += Key;
        const int i = indexOfPrefix(items.get(), searchText);
        if (i >= 0) SetItemIndex(i);
        Key = QChar();
        return;
    }
    TCustomListBox::KeyPress(Key);
}

void TPopupListbox::MouseMove(TShiftState Shift, int X, int Y) {
    if (!Shift.Contains(ssLeft) && !Shift.Contains(ssRight) && !Shift.Contains(ssMiddle)) {
        const int i = ItemAtPos(TPoint{X, Y}, true);
        if (i >= 0 && i != GetItemIndex()) SetItemIndex(i);
    }
    TCustomListBox::MouseMove(Shift, X, Y);
}

void TPopupListbox::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TCustomListBox::MouseUp(Button, Shift, X, Y);
    if (Button == mbLeft && OnListMouseUp) OnListMouseUp(X, Y);
}

// ---- the edit button ----------------------------------------------------------------------------

class TDBGridInplaceEditButton : public TCustomControl {
    KADRION_CLASS(TDBGridInplaceEditButton)
    explicit TDBGridInplaceEditButton(TDBGridInplaceEdit* AEditor)
        : TCustomControl(AEditor), editor(AEditor) {
        color = clBtnFace;
        tabStop = false;
        SetCursor(crArrow);
    }
    void Paint() override {
        TDrawButtonControlStyleEh style = bcsDropDownEh;
        if (editor->GetEditStyle() == esEllipsisEh) style = bcsEllipsisEh;
        if (editor->GetEditStyle() == esUpDownEh) style = bcsUpDownEh;
        auto* g = dynamic_cast<TCustomDBGridEh*>(editor->GetGrid());
        PaintButtonControlEh(GetCanvas(), GetClientRect(), editor->GetColor(), style,
                             pressed ? part : 0, g && g->GetFlat(), true, true);
    }
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override {
        if (Button == mbLeft) {
            tracking = true;
            pressed = true;
            if (editor->GetEditStyle() == esUpDownEh) {
                part = Y < height / 2 ? 1 : 2;
                Invalidate();
                editor->StepValue(part == 1);
                // held, the half steps again: after a pause, then quicker
                startRepeat(UpDownFirstRepeat);
            } else {
                part = 1;
                Invalidate();
                editor->ButtonClick();
            }
        }
        TCustomControl::MouseDown(Button, Shift, X, Y);
    }
    void MouseMove(TShiftState Shift, int X, int Y) override {
        if (tracking) {
            // the pressed look (and the repeat) follows the mouse over the held button
            const bool over = PtInRect(GetClientRect(), TPoint{X, Y});
            if (over != pressed) {
                pressed = over;
                Invalidate();
            }
        }
        TCustomControl::MouseMove(Shift, X, Y);
    }
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override {
        stopRepeat();
        tracking = pressed = false;
        part = 0;
        Invalidate();
        TCustomControl::MouseUp(Button, Shift, X, Y);
    }
    void Dispatch(TMessage& Message) override {
        if (Message.Msg == WM_TIMER && TWMTimer(Message).TimerID() == RepeatTimerId) {
            if (repeatInterval == UpDownFirstRepeat) startRepeat(UpDownNextRepeat);
            if (tracking && pressed && part != 0 && editor->GetEditStyle() == esUpDownEh)
                editor->StepValue(part == 1);
            return;
        }
        if (Message.Msg == WM_CANCELMODE) {
            stopRepeat();
            tracking = pressed = false;
            part = 0;
            Invalidate();
        }
        TCustomControl::Dispatch(Message);
    }

private:
    static constexpr uintptr_t RepeatTimerId = 1;
    void startRepeat(int Interval) {
        if (!HandleAllocated()) return;
        SetTimer(handle, RepeatTimerId, UINT(Interval));
        repeatInterval = Interval;
    }
    void stopRepeat() {
        if (repeatInterval >= 0 && HandleAllocated()) KillTimer(handle, RepeatTimerId);
        repeatInterval = -1;
    }
    TDBGridInplaceEdit* editor;
    bool tracking = false;
    bool pressed = false;
    // 0 none, 1 the whole button or the upper half, 2 the lower half
    int part = 0;
    int repeatInterval = -1;
};

// ---- the editor ---------------------------------------------------------------------------------

TDBGridInplaceEdit::TDBGridInplaceEdit(TComponent* AOwner)
    : TInplaceEdit(AOwner), lookupSource(std::make_unique<TDataSource>(nullptr)),
      // while a list is open a press elsewhere, or the form going, closes it without a change
      watch(std::make_unique<TPopupWatch>(
          this, [this] { return GetActiveList(); },
          [this] {
              if (listVisible) CloseUp(false);
          })) {
    button = new TDBGridInplaceEditButton(this);
    button->SetVisible(false);
    button->SetParent(this);
}

TDBGridInplaceEdit::~TDBGridInplaceEdit() {
    watch->Stop();
    dataList.reset();
    pickList.reset();
}

TWinControl* TDBGridInplaceEdit::GetButtonControl() const {
    return button;
}

TCustomDBGridEh* TDBGridInplaceEdit::dbGrid() const {
    return dynamic_cast<TCustomDBGridEh*>(grid);
}

TColumnEh* TDBGridInplaceEdit::column() const {
    TCustomDBGridEh* g = dbGrid();
    return g ? g->ColumnAt(g->GetSelectedIndex()) : nullptr;
}

bool TDBGridInplaceEdit::dropsDown() const {
    return editStyle == esPickListEh || editStyle == esDataListEh || editStyle == esDateCalendarEh;
}

int TDBGridInplaceEdit::GetButtonWidth() const {
    TCustomDBGridEh* g = dbGrid();
    return g && g->GetFlat() ? FlatButtonWidthEh() : GetSystemMetrics(SM_CXVSCROLL);
}

TWinControl* TDBGridInplaceEdit::GetActiveList() const {
    switch (editStyle) {
    case esPickListEh:
        return pickList.get();
    case esDataListEh:
        return dataList.get();
    case esDateCalendarEh:
        return calendar;
    default:
        return nullptr;
    }
}

void TDBGridInplaceEdit::SetEditStyle(TEditStyleEh Value) {
    if (Value != editStyle) {
        if (listVisible) CloseUp(false);
        editStyle = Value;
        BoundsChanged();
    }
    if (TColumnEh* c = column()) SetReadOnly(c->GetReadOnly());
    Invalidate();
}

void TDBGridInplaceEdit::UpdateContents() {
    TCustomDBGridEh* g = dbGrid();
    TColumnEh* c = column();
    if (g && c) {
        SetEditStyle(g->ColumnEditStyle(c, false));
        GetFont()->Assign(c->GetFont());
        TColor background = c->GetColor();
        g->GetCellParams(c, GetFont(), background, TGridDrawState{gdSelected, gdFocused});
        SetColor(background);
    } else {
        SetEditStyle(esSimpleEh);
    }
    TInplaceEdit::UpdateContents();
}

void TDBGridInplaceEdit::BoundsChanged() {
    const bool hasButton = editStyle != esSimpleEh;
    const int bw = hasButton ? GetButtonWidth() : 0;
    if (HandleAllocated())
        if (QLineEdit* e = LineEdit()) e->setTextMargins(0, 0, bw, 0);
    if (!button) return;
    button->SetVisible(hasButton && width > bw);
    if (hasButton) {
        // as tall as the editor, or square at its top when the editor is much taller
        const int h = height <= int(std::lround(1.5 * bw)) ? height : bw;
        button->SetBounds(width - bw, 0, bw, h);
        button->Invalidate();
    }
}

void TDBGridInplaceEdit::ButtonClick() {
    if (listVisible) {
        CloseUp(false);
    } else if (dropsDown()) {
        DropDown();
    } else if (editStyle == esEllipsisEh || editStyle == esDropDownEh) {
        if (TCustomDBGridEh* g = dbGrid()) g->EditButtonClick();
    }
}

void TDBGridInplaceEdit::StepValue(bool Up) {
    TCustomDBGridEh* g = dbGrid();
    TColumnEh* c = column();
    if (!g || !c || !c->CanModify(true)) return;
    if (GetText() != g->GetEditText()) g->SetEditText(g->GetCol(), g->GetRow(), GetText());
    g->UpdateData();
    double step = Up ? c->GetIncrement() : -c->GetIncrement();
    if (c->GetColumnType() != ctkCommon) step = -step;
    c->StepFieldValue(step);
}

void TDBGridInplaceEdit::DropDown() {
    TCustomDBGridEh* g = dbGrid();
    TColumnEh* c = column();
    if (listVisible || !g || !c) return;
    TField* f = c->GetField();
    int w = width, h = 0;
    TWinControl* list = nullptr;
    switch (editStyle) {
    case esPickListEh: {
        if (!pickList) {
            pickList = std::make_unique<TPopupListbox>(nullptr);
            pickList->SetParent(this);
            pickList->OnListMouseUp = [this](int X, int Y) {
                CloseUp(PtInRect(pickList->GetClientRect(), TPoint{X, Y}));
            };
        }
        pickList->SetColor(color);
        pickList->GetFont()->Assign(GetFont());
        TStrings* picks = c->GetPickList();
        const int n =
            keyed(c) ? std::min(c->GetKeyList()->Count(), picks->Count()) : picks->Count();
        TStrings* items = pickList->GetItems();
        items->BeginUpdate();
        items->Clear();
        for (int i = 0; i < n; ++i)
            items->AddObject(picks->Get(i), picks->GetObject(i));
        items->EndUpdate();
        const int ih = pickList->GetItemHeight();
        const int rows = std::min(n, int(c->GetDropDownRows()));
        h = std::max(1, rows) * ih + 4;
        pickList->SetItemIndex(!f || f->IsNull() ? -1 : indexOfText(items, GetText()));
        TBitmap measure(1, 1);
        measure.GetCanvas()->GetFont()->Assign(GetFont());
        int widest = 0;
        for (int i = 0; i < n; ++i)
            widest = std::max(widest, measure.GetCanvas()->TextWidth(items->Get(i)));
        const int scroll = n > rows ? GetSystemMetrics(SM_CXVSCROLL) : 0;
        w = std::max(w, widest + 4 + 4 + scroll);
        // a width the user gave with the grip is kept
        if (c->GetDropDownWidth() > 0) w = std::max(w, c->GetDropDownWidth());
        pickList->ResetSearch();
        list = pickList.get();
        break;
    }
    case esDataListEh: {
        if (!f || f->GetFieldKind() != fkLookup || !f->GetLookupDataSet()) return;
        if (!dataList) {
            dataList = std::make_unique<TPopupDataListEh>(nullptr);
            dataList->SetParent(this);
            dataList->OnListMouseUp = [this](int X, int Y) {
                CloseUp(PtInRect(dataList->GetClientRect(), TPoint{X, Y}));
            };
            // the editor shows what the user points at in the list
            dataList->OnUserKeyValueChange = [this](TObject*) {
                SetText(dataList->GetSelectedText());
            };
        }
        dataList->SetColor(color);
        dataList->GetFont()->Assign(GetFont());
        dataList->SetRowCount(int(c->GetDropDownRows()));
        dataList->SetShowTitles(c->GetDropDownShowTitles());
        lookupSource->SetDataSet(f->GetLookupDataSet());
        dataList->SetListSource(lookupSource.get());
        dataList->SetKeyField(f->GetLookupKeyFields());
        const QString shown = c->GetLookupDisplayFields();
        dataList->SetListField(shown);
        const QStringList names = shown.split(u';', Qt::SkipEmptyParts);
        const int at = int(names.indexOf(f->GetLookupResultField()));
        dataList->SetListFieldIndex(std::max(0, at));
        if (c->GetDropDownWidth() == -1)
            w = std::max(width, ListFieldsWidthEh(GetFont(), dataList->GetListFields()) + 2);
        else if (c->GetDropDownWidth() > 0)
            w = c->GetDropDownWidth();
        dataList->SetKeyValue(g->editKeyValue);
        h = dataList->GetHeight();
        list = dataList.get();
        break;
    }
    case esDateCalendarEh: {
        if (!calendar) {
            calendar = CreatePopupCalendar(this, GetBiDiMode(), 0, 0);
            calendar->OnCloseUp = [this](TObject*, bool Accept) { CloseUp(Accept); };
        }
        calendar->SetColor(color);
        TDateTime d = 0;
        calendar->SetValue(TryStrToDate(GetText(), d) ? Variant::FromDate(d) : Null());
        w = calendar->GetWidth();
        h = calendar->GetHeight();
        list = calendar;
        break;
    }
    default:
        return;
    }
    const TPoint p = ClientToScreen(TPoint{0, 0});
    const TDropDownPlaceEh place =
        PlaceDropDownEh(TRect{p.X, p.Y, p.X + width, p.Y + height}, p.X, w, h, 1);
    const TRect& b = place.Bounds;
    if (list == calendar) {
        calendar->SetBounds(b.Left, b.Top, b.Width(), b.Height());
        calendar->Show(TPoint{b.Left, b.Top});
    } else {
        list->SetBounds(b.Left, b.Top, b.Width(), b.Height());
        list->HandleNeeded();
        list->SetVisible(true);
        if (list->HandleAllocated()) RaiseWindow(list->GetHandle());
    }
    TSizeGripEh* grip = list == dataList.get()   ? dataList->GetSizeGrip()
                        : list == pickList.get() ? pickList->GetSizeGrip()
                                                 : nullptr;
    if (grip) {
        grip->ChangePosition(place.Below ? 3 : 2);
        grip->ChangePosition(place.GripSide);
        grip->SetVisible(c->GetDropDownSizing());
        grip->UpdatePosition();
        if (list == dataList.get())
            dataList->SetResizedByUser(false);
        else
            pickList->SetResizedByUser(false);
    }
    listVisible = true;
    watch->Start();
    Invalidate();
}

void TDBGridInplaceEdit::CloseUp(bool Accept) {
    if (!listVisible) return;
    watch->Stop();
    if (GetCapture()) ReleaseCapture();
    TCustomDBGridEh* g = dbGrid();
    TColumnEh* c = column();
    TField* f = c ? c->GetField() : nullptr;
    Variant chosen = Null();
    QString chosenText;
    if (editStyle == esDataListEh && dataList) {
        chosen = dataList->GetKeyValue();
        if (dataList->GetResizedByUser() && c) {
            c->SetDropDownRows(unsigned(dataList->GetRowCount()));
            c->SetDropDownWidth(dataList->GetWidth());
        }
        dataList->SetVisible(false);
        dataList->SetListSource(nullptr);
        lookupSource->SetDataSet(nullptr);
    } else if (editStyle == esPickListEh && pickList) {
        const int i = pickList->GetItemIndex();
        if (i >= 0 && c) {
            chosenText = pickList->GetItems()->Get(i);
            chosen = keyed(c) ? Variant(c->GetKeyList()->Get(i)) : Variant(chosenText);
        }
        if (pickList->GetResizedByUser() && c) {
            // the size the user gave is the column's from now on
            const int ih = std::max(1, pickList->GetItemHeight());
            c->SetDropDownRows(unsigned(std::max(1, pickList->GetClientHeight() / ih)));
            c->SetDropDownWidth(pickList->GetWidth());
        }
        pickList->SetVisible(false);
    } else if (calendar) {
        calendar->Hide();
    }
    listVisible = false;
    Invalidate();
    if (!g || !c || !f) return;
    if (!Accept) {
        if (editStyle == esDataListEh) {
            SetText(f->GetText());
        } else if (editStyle == esPickListEh) {
            if (c->GetColumnType() == ctkKeyPickList) {
                const int i = indexOfText(c->GetKeyList(), f->GetText());
                SetText(i >= 0 && i < c->GetPickList()->Count() ? c->GetPickList()->Get(i)
                                                                : QString());
            } else {
                SetText(f->GetText());
            }
        }
        return;
    }
    switch (editStyle) {
    case esDataListEh: {
        TDataSet* ds = f->GetDataSet();
        TField* key = ds->FindField(f->GetKeyFields());
        if (key && key->CanModify() && c->CanModify(true)) {
            ds->Edit();
            key->SetValue(chosen);
            g->editKeyValue = chosen;
            SetText(f->GetDisplayText());
        }
        break;
    }
    case esDateCalendarEh: {
        if (c->CanModify(true)) {
            f->GetDataSet()->Edit();
            // the editor's text first: whatever writes the pending text later writes this date
            const TDateTime chosenDate = calendar->GetValue().AsDate();
            SetText(DateToStr(chosenDate));
            f->SetAsDateTime(chosenDate);
            SetText(f->GetText());
        }
        break;
    }
    case esPickListEh:
        if (!chosen.IsNull() && g->CanEditModifyField()) {
            if (c->GetColumnType() == ctkKeyPickList) {
                SetText(chosenText);
                f->SetText(chosen.AsString());
            } else {
                f->SetText(chosenText);
                SetText(chosenText);
            }
        }
        break;
    default:
        break;
    }
    SelectAll();
}

// Typed text completed from the pick list or, in a lookup column, from the lookup dataset.
bool TDBGridInplaceEdit::complete(QChar Key) {
    TCustomDBGridEh* g = dbGrid();
    TColumnEh* c = column();
    TField* f = c ? c->GetField() : nullptr;
    if (!g || !f) return false;
    const QString typed = GetText().left(GetSelStart()) + Key;
    if (editStyle == esDataListEh) {
        if (!g->CanEditByAllowedOperations()) return false;
        TDataSet* lookup = f->GetLookupDataSet();
        if (!lookup || !lookup->GetActive() ||
            !lookup->Locate(f->GetLookupResultField(), typed,
                            TLocateOptions{loCaseInsensitive, loPartialKey}))
            return false;
        g->dataLink->Edit();
        g->dataLink->Modified();
        g->editKeyValue = lookup->GetFieldValues(f->GetLookupKeyFields());
        SetText(lookup->FieldByName(f->GetLookupResultField())->GetText());
        SetSel(int(typed.size()), int(GetText().size() - typed.size()));
        if (listVisible && dataList) dataList->SetKeyValue(g->editKeyValue);
        return true;
    }
    if (editStyle != esPickListEh && c->GetColumnType() != ctkKeyPickList) return false;
    const int i = indexOfPrefix(c->GetPickList(), typed);
    if (i < 0 || !g->CanEditModifyField()) return false;
    const QString item = c->GetPickList()->Get(i);
    SetText(item);
    SetSel(int(typed.size()), int(item.size() - typed.size()));
    if (pickList && i < pickList->GetItems()->Count()) pickList->SetItemIndex(i);
    return true;
}

// A navigation key of an open list goes to the list; the editor's text follows its choice.
void TDBGridInplaceEdit::listKey(WORD Key, TShiftState Shift) {
    WORD k = Key;
    if (TWinControl* list = GetActiveList()) list->KeyDown(k, Shift);
    if (editStyle == esDataListEh && dataList) {
        SetText(dataList->GetSelectedText());
    } else if (editStyle == esPickListEh && pickList) {
        const int i = pickList->GetItemIndex();
        if (i >= 0 && pickList->GetItems()->Get(i) != GetText())
            SetText(pickList->GetItems()->Get(i));
    }
}

void TDBGridInplaceEdit::KeyDown(WORD& Key, TShiftState Shift) {
    TCustomDBGridEh* g = dbGrid();
    TColumnEh* c = column();
    const bool alt = Shift.Contains(ssAlt), ctrl = Shift.Contains(ssCtrl);
    const bool dropStyle = dropsDown();
    if (dropStyle) {
        if (alt && (Key == VK_UP || Key == VK_DOWN)) {
            if (listVisible)
                CloseUp(true);
            else
                DropDown();
            Key = 0;
            return;
        }
        if (listVisible && !alt && (Key == VK_RETURN || Key == VK_ESCAPE)) {
            CloseUp(Key == VK_RETURN);
            eatChar = true;
            Key = 0;
            return;
        }
        if (listVisible &&
            (Key == VK_PRIOR || Key == VK_NEXT || Key == VK_UP || Key == VK_DOWN ||
             (ctrl && (Key == VK_HOME || Key == VK_END)) ||
             (editStyle == esDateCalendarEh && (Key == VK_LEFT || Key == VK_RIGHT)))) {
            listKey(Key, Shift);
            Key = 0;
            return;
        }
    }
    if (!g || !c) {
        TInplaceEdit::KeyDown(Key, Shift);
        return;
    }
    if (ctrl && Key == VK_RETURN && (editStyle == esEllipsisEh || editStyle == esDropDownEh)) {
        eatChar = true;
        Key = 0;
        g->EditButtonClick();
        return;
    }
    if (Key == VK_DELETE && Shift.Empty() && GetSelLength() == int(GetText().size()) &&
        c->CanModify(true)) {
        TField* f = c->GetField();
        if (editStyle == esDataListEh && f) {
            TDataSet* ds = f->GetDataSet();
            TField* key = ds->FindField(f->GetKeyFields());
            if (!key || !key->CanModify()) return;
            ds->Edit();
            key->Clear();
            g->editKeyValue = Null();
            SetText(QString());
            f->Clear();
        } else if (editStyle == esPickListEh && c->GetColumnType() == ctkKeyPickList) {
            SetText(QString());
        }
        // the selection goes, the grid's own Delete does not run
        TCustomMaskEdit::KeyDown(Key, Shift);
        return;
    }
    if (Key == VK_BACK &&
        (c->GetColumnType() == ctkLookupField || c->GetColumnType() == ctkKeyPickList))
        Key = VK_LEFT;
    if (Key == VK_RETURN && g->GetOptionsEh().Contains(dghEnterAsTab)) {
        g->KeyDown(Key, Shift);
        eatChar = true;
        Key = 0;
        return;
    }
    if (ctrl && Key == 'F' && g->GetOptionsEh().Contains(dghIncSearch)) {
        g->DoIncSearch(QString(), -1, 0);
        Key = 0;
        return;
    }
    TInplaceEdit::KeyDown(Key, Shift);
}

void TDBGridInplaceEdit::KeyPress(QChar& Key) {
    if (eatChar && (Key.unicode() == 13 || Key.unicode() == 27 || Key.unicode() == 10)) {
        eatChar = false;
        Key = QChar();
        return;
    }
    eatChar = false;
    TColumnEh* c = column();
    const bool dropStyle = dropsDown();
    if (Key.unicode() >= 32 && dropStyle && !listVisible && c && c->GetAutoDropDown()) DropDown();
    if (Key.unicode() >= 32 && complete(Key)) {
        Key = QChar();
        return;
    }
    TInplaceEdit::KeyPress(Key);
}

void TDBGridInplaceEdit::Dispatch(TMessage& Message) {
    if (Message.Msg == WM_KILLFOCUS && listVisible) CloseUp(false);
    TInplaceEdit::Dispatch(Message);
}

// ---- the grid's side ----------------------------------------------------------------------------

TInplaceEdit* TCustomDBGridEh::CreateEditor() {
    return new TDBGridInplaceEdit(this);
}
