// The lookup combo box: its two data links, the key and its text, searching while typing, the
// drop-down list and its placement, the edit button, keys and the mouse.
#include "Clipbrd.h"
#include "DBLookupEh.h"
#include "Forms.h"
#include "ScopeGuard.h"
#include "ToolEdit.h"
#include "WinWidget.h"

#include <QApplication>
#include <QLineEdit>
#include <QWidget>
#include <algorithm>
#include <cmath>

// ---- the links ----------------------------------------------------------------------------------

// The link to the record whose field the combo box edits.
class TDBLookupComboboxEh::TDataSourceLinkEh : public TDataLink {
public:
    explicit TDataSourceLinkEh(TDBLookupComboboxEh* C) : combo(C) { VisualControl = true; }
    void Modified() { modified = true; }
    bool GetModified() const { return modified; }
    // The record's value comes back into the control.
    void Reset() {
        if (GetActive()) RecordChanged(nullptr);
    }

protected:
    // a combo box being taken apart hears nothing more
    void ActiveChanged() override {
        if (!combo->IsDestroying()) combo->UpdateDataFields();
    }
    void LayoutChanged() override {
        if (!combo->IsDestroying()) combo->UpdateDataFields();
    }
    void RecordChanged(TField* Field) override {
        if (!combo->IsDestroying()) combo->recordChanged(Field);
        modified = false;
    }
    void FocusControl(TField** Field) override {
        if (*Field && *Field == combo->dataField && combo->CanFocus()) {
            *Field = nullptr;
            combo->SetFocus();
        }
    }
    void UpdateData() override {
        if (modified) combo->updateData();
        modified = false;
    }

private:
    TDBLookupComboboxEh* combo;
    bool modified = false;
};

// The link to the list.
class TDBLookupComboboxEh::TListSourceLinkEh : public TDataLink {
public:
    explicit TListSourceLinkEh(TDBLookupComboboxEh* C) : combo(C) { VisualControl = true; }

protected:
    void ActiveChanged() override {
        if (!combo->IsDestroying()) combo->UpdateListFields();
    }
    void LayoutChanged() override {
        if (!combo->IsDestroying()) combo->UpdateListFields();
    }
    void DataSetChanged() override {}

private:
    TDBLookupComboboxEh* combo;
};

// ---- the button control -------------------------------------------------------------------------

TEditButtonControlEh::TEditButtonControlEh(TComponent* AOwner, TDBLookupComboboxEh* ACombo)
    : TCustomControl(AOwner), combo(ACombo) {
    SetBounds(0, 0, 10, 17);
    color = clBtnFace;
    SetCursor(crArrow);
}

void TEditButtonControlEh::CreateWnd() {
    TCustomControl::CreateWnd();
    // the combo box takes the mouse over its button
    GetHandle()->setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TEditButtonControlEh::Paint() {
    TCanvas* c = GetCanvas();
    const TRect r = GetClientRect();
    TEditButtonEh* b = combo->GetEditButton();
    const bool enabled = combo->GetEnabled() && (combo->GetListActive() || combo->OnButtonClick);
    if (b->GetStyle() == ebsGlyphEh && !b->GetGlyph()->GetEmpty()) {
        c->FillSolid(r, clBtnFace);
        TRect edge = r;
        DrawEdge(c, edge, Down ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
        TBitmap* g = b->GetGlyph();
        const int gw = g->GetWidth() / std::max(1, b->GetNumGlyphs());
        c->CopyRect(TRect{(r.Width() - gw) / 2 + (Down ? 1 : 0),
                          (r.Height() - g->GetHeight()) / 2 + (Down ? 1 : 0),
                          (r.Width() - gw) / 2 + gw + (Down ? 1 : 0),
                          (r.Height() - g->GetHeight()) / 2 + g->GetHeight() + (Down ? 1 : 0)},
                    g->GetCanvas(), TRect{0, 0, gw, g->GetHeight()});
        return;
    }
    PaintButtonControlEh(c, r, combo->GetColor(),
                         b->GetStyle() == ebsEllipsisEh ? bcsEllipsisEh : bcsDropDownEh,
                         Down ? 1 : 0, combo->GetFlat(), Active, enabled);
}

// ---- construction -------------------------------------------------------------------------------

TDBLookupComboboxEh::TDBLookupComboboxEh(TComponent* AOwner)
    : TCustomMaskEdit(AOwner), dataLink(std::make_unique<TDataSourceLinkEh>(this)),
      listLink(std::make_unique<TListSourceLinkEh>(this)),
      lookupSource(std::make_unique<TDataSource>(nullptr)),
      // while the list is open a press elsewhere, or the form going, closes it without a change
      watch(std::make_unique<TPopupWatch>(
          this, [this]() -> TWinControl* { return dataList.get(); },
          [this] {
              if (listVisible) CloseUp(false);
          })),
      editButton(std::make_unique<TEditButtonEh>(this)),
      dropDownBox(std::make_unique<TDropDownBoxEh>()) {
    keyValue = Null();
    autoSize = false;
    buttonControl = new TEditButtonControlEh(this, this);
    buttonControl->SetParent(this);
    SetBounds(left, top, 145, 21);
    updateState();
}

TDBLookupComboboxEh::~TDBLookupComboboxEh() {
    // letting go of the links below tells nothing to the application any more
    Destroying();
    watch->Stop();
    dataList.reset();
    dataLink->SetDataSource(nullptr);
    listLink->SetDataSource(nullptr);
}

void TDBLookupComboboxEh::Notification(TComponent* AComponent, TOperation Operation) {
    TCustomMaskEdit::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    if (dataLink && AComponent == dataLink->GetDataSource()) SetDataSource(nullptr);
    if (AComponent == listSource) SetListSource(nullptr);
    if (AComponent == buttonControl) buttonControl = nullptr;
}

// ---- properties ---------------------------------------------------------------------------------

TDataSource* TDBLookupComboboxEh::GetDataSource() const {
    return dataLink->GetDataSource();
}

void TDBLookupComboboxEh::SetDataSource(TDataSource* Value) {
    if (dataLink->GetDataSourceFixed())
        DatabaseError(QStringLiteral("Operation not allowed in a DBCtrlGrid"), this);
    if (TDataSource* old = dataLink->GetDataSource()) old->RemoveFreeNotification(this);
    dataLink->SetDataSource(Value);
    if (Value) Value->FreeNotification(this);
    UpdateDataFields();
}

void TDBLookupComboboxEh::SetDataField(const QString& Value) {
    if (dataFieldName == Value) return;
    dataFieldName = Value;
    UpdateDataFields();
}

TDataSource* TDBLookupComboboxEh::GetListSource() const {
    return lookupMode ? nullptr : listSource;
}

void TDBLookupComboboxEh::checkNotLookup() {
    if (lookupMode) DatabaseError(QStringLiteral("Property already defined by lookup field"), this);
    if (dataLink->GetDataSourceFixed())
        DatabaseError(QStringLiteral("Operation not allowed in a DBCtrlGrid"), this);
}

void TDBLookupComboboxEh::SetListSource(TDataSource* Value) {
    if (Value) checkNotLookup();
    if (listSource) listSource->RemoveFreeNotification(this);
    listSource = Value;
    if (Value) Value->FreeNotification(this);
    if (!lookupMode) listLink->SetDataSource(Value);
    UpdateListFields();
}

void TDBLookupComboboxEh::SetKeyField(const QString& Value) {
    if (keyFieldName == Value) return;
    checkNotLookup();
    keyFieldName = Value;
    UpdateListFields();
}

void TDBLookupComboboxEh::SetListField(const QString& Value) {
    if (listFieldNames == Value) return;
    listFieldNames = Value;
    UpdateListFields();
}

void TDBLookupComboboxEh::SetListFieldIndex(int Value) {
    if (listFieldIndex == Value) return;
    listFieldIndex = std::max(0, Value);
    UpdateListFields();
}

bool TDBLookupComboboxEh::GetReadOnly() const {
    return dataLink->GetReadOnly();
}

void TDBLookupComboboxEh::SetReadOnly(bool Value) {
    dataLink->SetReadOnly(Value);
    updateState();
}

void TDBLookupComboboxEh::SetStyle(TDBLookupComboboxEhStyle Value) {
    if (style == Value) return;
    style = Value;
    updateState();
}

void TDBLookupComboboxEh::SetFlat(bool Value) {
    if (flat == Value) return;
    flat = Value;
    updateButtonLayout();
    Invalidate();
}

// ---- binding ------------------------------------------------------------------------------------

void TDBLookupComboboxEh::checkNotCircular() {
    TDataSource* own = dataLink->GetDataSource();
    TDataSet* list = listLink->GetDataSet();
    if (!own || !list) return;
    // the list may not hang on the record this combo box edits
    for (TDataSet* ds = list; ds;) {
        TDataSource* master = ds->GetDataSource();
        if (master == own)
            DatabaseError(QStringLiteral("Circular datalinks are not allowed"), this);
        ds = master ? master->GetDataSet() : nullptr;
        if (ds == list) break;
    }
}

void TDBLookupComboboxEh::UpdateDataFields() {
    dataField = nullptr;
    masterField = nullptr;
    TDataSet* ds = dataLink->GetActive() ? dataLink->GetDataSet() : nullptr;
    if (ds && !dataFieldName.isEmpty()) {
        checkNotCircular();
        dataField = ds->FieldByName(dataFieldName);
        masterField = dataField->GetFieldKind() == fkLookup
                          ? ds->FieldByName(dataField->GetKeyFields())
                          : dataField;
    }
    const bool lookup = dataField && dataField->GetFieldKind() == fkLookup;
    if (lookup != lookupMode || lookup) {
        lookupMode = lookup;
        if (lookup) {
            lookupSource->SetDataSet(dataField->GetLookupDataSet());
            keyFieldName = dataField->GetLookupKeyFields();
            listLink->SetDataSource(lookupSource.get());
        } else {
            listLink->SetDataSource(listSource);
            lookupSource->SetDataSet(nullptr);
        }
        UpdateListFields();
    }
    updateState();
    if (!unbound) recordChanged(nullptr);
}

void TDBLookupComboboxEh::UpdateListFields() {
    listActive = false;
    keyField = nullptr;
    listField = nullptr;
    listFields.clear();
    TDataSet* ds = listLink->GetActive() ? listLink->GetDataSet() : nullptr;
    if (ds && !keyFieldName.isEmpty()) {
        checkNotCircular();
        keyField = ds->FieldByName(keyFieldName);
        for (const QString& n : listFieldNames.split(u';', Qt::SkipEmptyParts)) {
            TField* f = ds->FindField(n.trimmed());
            // the message names the field that is missing
            if (!f) DatabaseError(QStringLiteral("Field '%1' not found").arg(n.trimmed()), this);
            listFields.push_back(f);
        }
        if (lookupMode) {
            TField* result = ds->FieldByName(dataField->GetLookupResultField());
            if (std::find(listFields.begin(), listFields.end(), result) == listFields.end())
                listFields.insert(listFields.begin(), result);
            listField = result;
        } else {
            if (listFields.empty()) listFields.push_back(keyField);
            listField = listFieldIndex >= 0 && listFieldIndex < int(listFields.size())
                            ? listFields[size_t(listFieldIndex)]
                            : listFields.front();
        }
        listActive = true;
    }
    updateState();
    if (!unbound && !listActive)
        setTextQuiet(IsDesigning() ? GetName() : QString());
    else if (listActive)
        KeyValueChanged();
}

void TDBLookupComboboxEh::updateState() {
    unbound = !dataLink->GetDataSource() && dataFieldName.isEmpty() && !listSource &&
              listFieldNames.isEmpty() && keyFieldName.isEmpty();
    // the text is typed only in a drop-down combo box (or a plain edit); else it is searched
    const bool typed = unbound || (style == csDropDownEh && CanModify(false));
    TCustomEdit::SetReadOnly(!typed);
    if (buttonControl) buttonControl->Invalidate();
}

void TDBLookupComboboxEh::recordChanged(TField* Field) {
    if (Field && Field != masterField) return;
    keyValue = masterField ? masterField->GetValue() : Null();
    if (keyValue.IsEmpty()) keyValue = Null();
    KeyValueChanged();
}

void TDBLookupComboboxEh::updateData() {
    if (listActive && OnNotInList && listField) {
        TDataSet* ds = listLink->GetDataSet();
        const QString typed = GetText();
        if (!ds->Locate(listField->GetFieldName(), typed, TLocateOptions{loCaseInsensitive})) {
            bool recheck = false;
            OnNotInList(this, typed, recheck);
            if (recheck &&
                ds->Locate(listField->GetFieldName(), typed, TLocateOptions{loCaseInsensitive}))
                keyValue = listKey();
        }
    }
    if (masterField && CanModify(true)) masterField->SetValue(keyValue);
}

// ---- the key and its text -----------------------------------------------------------------------

Variant TDBLookupComboboxEh::listKey() const {
    return keyField ? keyField->GetValue() : Null();
}

QString TDBLookupComboboxEh::listText() const {
    return listField ? listField->GetDisplayText() : QString();
}

void TDBLookupComboboxEh::setTextQuiet(const QString& Text) {
    ++settingText;
    TScopeGuard uncount([this] { --settingText; });
    SetText(Text);
    uncount.End();
}

bool TDBLookupComboboxEh::CanModify(bool Edit) {
    bool result = (unbound || listActive) && !GetReadOnly() &&
                  (!dataLink->GetDataSource() || (masterField && masterField->CanModify()));
    if (result && Edit && masterField) result = dataLink->Edit();
    return result;
}

int TDBLookupComboboxEh::GetTextHeight() {
    TBitmap b(1, 1);
    b.GetCanvas()->GetFont()->Assign(font.get());
    TTextMetric tm;
    b.GetCanvas()->GetTextMetrics(tm);
    return tm.tmHeight;
}

int TDBLookupComboboxEh::GetListWidth() {
    return ListFieldsWidthEh(font.get(), listFields);
}

int ListFieldsWidthEh(TFont* Font, const std::vector<TField*>& Fields) {
    TBitmap b(1, 1);
    b.GetCanvas()->GetFont()->Assign(Font);
    TTextMetric tm;
    b.GetCanvas()->GetTextMetrics(tm);
    const int w0 = b.GetCanvas()->TextWidth(QStringLiteral("0"));
    int w = 0;
    for (TField* f : Fields)
        w += f->GetDisplayWidth() * (w0 - tm.tmOverhang) + tm.tmOverhang + 4;
    return w;
}

TDropDownPlaceEh PlaceDropDownEh(const TRect& Owner, int X, int Width, int Height,
                                 int DefaultGripSide) {
    const TRect work = Screen->GetWorkAreaRect();
    TDropDownPlaceEh r;
    const int below = work.Bottom - Owner.Bottom, above = Owner.Top - work.Top;
    r.Below = Height <= below || (Height > above && below >= above);
    const int h = std::min(Height, r.Below ? below : above);
    const int y = r.Below ? Owner.Bottom : Owner.Top - h;
    const int w = std::min(Width, work.Width());
    int x = X;
    if (x + w > work.Right) {
        x = work.Right - w;
        r.GripSide = 0;
    } else if (x < work.Left) {
        x = work.Left;
        r.GripSide = 1;
    } else {
        r.GripSide = DefaultGripSide;
    }
    r.Bounds = TRect{x, y, x + w, y + h};
    return r;
}

void TDBLookupComboboxEh::SetKeyValue(const Variant& Value) {
    const Variant v = Value.IsEmpty() ? Null() : Value;
    if (VarSameValue(v, keyValue) && v.IsNull() == keyValue.IsNull()) return;
    keyValue = v;
    KeyValueChanged();
}

bool TDBLookupComboboxEh::LocateKey() {
    TDataSet* ds = listActive ? listLink->GetDataSet() : nullptr;
    if (!ds || keyValue.IsNull() || keyValue.IsEmpty()) return false;
    return ds->Locate(keyFieldName, keyValue, TLocateOptions{});
}

void TDBLookupComboboxEh::KeyValueChanged() {
    if (unbound) return;
    if (!listActive) {
        if (IsDesigning()) setTextQuiet(GetName());
    } else if (LocateKey()) {
        setTextQuiet(listText());
    } else {
        setTextQuiet(IsDesigning() ? GetName() : QString());
    }
    if (listVisible && dataList) dataList->SetKeyValue(keyValue);
    if (style == csDropDownListEh && HandleAllocated() && Focused()) SelectAll();
    if (OnKeyValueChanged) OnKeyValueChanged(this);
}

void TDBLookupComboboxEh::LocateStr(const QString& S, bool PartialKey) {
    if (!listActive || !listField || !CanModify(true)) return;
    TDataSet* ds = listLink->GetDataSet();
    TLocateOptions options{loCaseInsensitive};
    if (PartialKey) options.Include(loPartialKey);
    if (ds->Locate(listField->GetFieldName(), S, options)) {
        keyValue = listKey();
        setTextQuiet(listText());
        // the caret after what was typed, the rest of the found text selected
        SetSelStart(int(S.size()));
        SetSelLength(int(GetText().size() - S.size()));
        if (listVisible && dataList) dataList->SetKeyValue(keyValue);
        if (OnKeyValueChanged) OnKeyValueChanged(this);
    } else if (style == csDropDownEh) {
        keyValue = Null();
    }
}

void TDBLookupComboboxEh::ProcessSearchKey(QChar Key) {
    if (!listField || !CanModify(true)) return;
    const TFieldType t = listField->GetDataType();
    if (t != ftString && t != ftWideString && t != ftFixedChar) return;
    if (listField->GetFieldKind() != fkData && listField->GetFieldKind() != fkInternalCalc) return;
    if (Key.unicode() == VK_BACK) {
        // one more character of the tail selected
        const int len = int(GetText().size());
        if (GetSelStart() == 0 && GetSelLength() == len) return;
        const int start = std::max(0, GetSelStart() - 1);
        SetSelStart(start);
        SetSelLength(len - start);
        return;
    }
    LocateStr(GetText().left(GetSelStart()) + Key, true);
}

void TDBLookupComboboxEh::SelectKeyValue(const Variant& Value) {
    if (!masterField) {
        SetKeyValue(Value);
    } else if (dataLink->Edit()) {
        masterField->SetValue(Value);
    }
    if (listActive && !LocateKey()) setTextQuiet(QString());
    Click();
}

void TDBLookupComboboxEh::locateTyped(bool Completion) {
    if (!listActive || !listField) return;
    TDataSet* ds = listLink->GetDataSet();
    const QString typed = GetText();
    if (Completion) {
        LocateStr(typed, true);
        return;
    }
    const int start = GetSelStart();
    if (ds->Locate(listField->GetFieldName(), typed, TLocateOptions{loCaseInsensitive})) {
        keyValue = listKey();
        SetSelStart(start);
        SetSelLength(int(typed.size()) - start);
    } else {
        keyValue = Null();
    }
}

void TDBLookupComboboxEh::Change() {
    dataLink->Modified();
    TCustomMaskEdit::Change();
}

// ---- the drop-down list -------------------------------------------------------------------------

void TDBLookupComboboxEh::DropDown() {
    if (listVisible || !listActive) return;
    if (OnDropDown) OnDropDown(this);
    if (!dataList) {
        // a window of its own (placed in screen co-ordinates) under the combo box's control
        dataList = std::make_unique<TPopupDataListEh>(nullptr);
        dataList->SetParent(this);
        dataList->OnListMouseUp = [this](int X, int Y) {
            CloseUp(PtInRect(dataList->GetClientRect(), TPoint{X, Y}));
        };
    }
    dataList->SetColor(color);
    dataList->GetFont()->Assign(font.get());
    dataList->SetShowTitles(dropDownBox->ShowTitles);
    int w = dropDownBox->Width;
    if (w == -1)
        w = GetListWidth() + 2;
    else if (w < 1)
        w = width;
    w = std::max(w, width);
    dataList->SetReadOnly(!CanModify(false));
    TDataSet* ds = listLink->GetDataSet();
    int rows = dropDownBox->Rows;
    if (ds->IsSequenced() && ds->RecordCount() >= 1 && ds->RecordCount() < dropDownBox->Rows)
        rows = ds->RecordCount();
    QString names;
    for (TField* f : listFields)
        names += f->GetFieldName() + QStringLiteral(";");
    dataList->SetListSource(listLink->GetDataSource());
    dataList->SetKeyField(keyFieldName);
    dataList->SetListField(names);
    auto at = std::find(listFields.begin(), listFields.end(), listField);
    dataList->SetListFieldIndex(at == listFields.end() ? 0 : int(at - listFields.begin()));
    dataList->SetRowCount(rows);
    dataList->SetKeyValue(keyValue);

    const TPoint origin = ClientToScreen(TPoint{0, 0});
    const int outer = (height - GetClientHeight()) / 2;
    const int leftEdge = origin.X - outer;
    TDropDownAlign align = dropDownBox->Align;
    int x = leftEdge;
    if (align == daRight)
        x = leftEdge + width - w;
    else if (align == daCenter)
        x = leftEdge + (width - w) / 2;
    const TDropDownPlaceEh place = PlaceDropDownEh(
        TRect{leftEdge, origin.Y - outer, leftEdge + width, origin.Y - outer + height}, x, w,
        dataList->GetHeight(), align == daRight ? 0 : 1);
    const bool down = place.Below;
    const int gripSide = place.GripSide;
    dataList->SetBounds(place.Bounds.Left, place.Bounds.Top, place.Bounds.Width(),
                        place.Bounds.Height());
    TSizeGripEh* grip = dataList->GetSizeGrip();
    grip->ChangePosition(down ? 3 : 2);
    grip->ChangePosition(gripSide);
    grip->SetVisible(dropDownBox->Sizable);
    dataList->HandleNeeded();
    dataList->SetVisible(true);
    if (dataList->HandleAllocated()) RaiseWindow(dataList->GetHandle());
    grip->UpdatePosition();
    listVisible = true;
    dataList->SetResizedByUser(false);
    watch->Start();
    Invalidate();
}

void TDBLookupComboboxEh::CloseUp(bool Accept) {
    if (!listVisible) return;
    watch->Stop();
    if (GetCapture()) ReleaseCapture();
    const Variant chosen = dataList->GetKeyValue();
    dataList->SetVisible(false);
    listVisible = false;
    if (dataList->GetResizedByUser()) {
        dropDownBox->Rows = dataList->GetRowCount();
        dropDownBox->Width = dataList->GetWidth();
    }
    dataList->SetListSource(nullptr);
    Invalidate();
    if (Accept && CanModify(true)) SetKeyValue(chosen);
    if (style == csDropDownEh) SelectAll();
    if (OnCloseUp) OnCloseUp(this, Accept);
}

// ---- layout -------------------------------------------------------------------------------------

int TDBLookupComboboxEh::GetButtonWidth() const {
    if (editButton->GetWidth() >= 1) return editButton->GetWidth();
    return flat ? FlatButtonWidthEh() : GetSystemMetrics(SM_CXVSCROLL);
}

TRect TDBLookupComboboxEh::ButtonRect() {
    const int cw = GetClientWidth(), ch = GetClientHeight();
    return TRect{cw - GetButtonWidth(), 0, cw, ch};
}

void TDBLookupComboboxEh::updateButtonLayout() {
    if (!buttonControl) return;
    const TRect r = ButtonRect();
    const int bw = r.Width();
    int h = r.Height();
    if (h > int(std::lround(1.5 * bw))) h = bw;
    // inside the edit's frame at its right edge
    const int frame = borderStyle == bsNone ? 0 : (ctl3D ? 2 : 1);
    buttonControl->SetBounds(width - frame - bw + (flat ? 1 : 0), frame, bw,
                             std::min(h, std::max(0, height - 2 * frame)));
    if (HandleAllocated())
        if (QLineEdit* e = LineEdit()) e->setTextMargins(0, 0, bw, 0);
}

void TDBLookupComboboxEh::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    TCustomMaskEdit::SetBounds(ALeft, ATop, AWidth, AHeight);
    updateButtonLayout();
}

void TDBLookupComboboxEh::CreateWnd() {
    TCustomMaskEdit::CreateWnd();
    updateButtonLayout();
    updateState();
}

// ---- keys ---------------------------------------------------------------------------------------

void TDBLookupComboboxEh::KeyDown(WORD& Key, TShiftState Shift) {
    const bool alt = Shift.Contains(ssAlt);
    if ((Key == VK_UP || Key == VK_DOWN) && alt && listActive) {
        if (listVisible)
            CloseUp(true);
        else
            DropDown();
        Key = 0;
        return;
    }
    if (listVisible) {
        const bool ctrl = Shift.Contains(ssCtrl);
        if (Key == VK_PRIOR || Key == VK_NEXT || Key == VK_UP || Key == VK_DOWN ||
            (ctrl && (Key == VK_HOME || Key == VK_END))) {
            WORD k = Key;
            dataList->KeyDown(k, ctrl ? TShiftState{} : Shift);
            Key = 0;
            return;
        }
    }
    if ((Key == VK_UP || Key == VK_DOWN) && !alt && listActive && !listVisible && CanModify(true)) {
        TDataSet* ds = listLink->GetDataSet();
        if (LocateKey())
            ds->MoveBy(Key == VK_UP ? -1 : 1);
        else
            ds->First();
        SetKeyValue(listKey());
        Key = 0;
        return;
    }
    if (!unbound && style == csDropDownListEh) {
        if (Key == VK_DELETE) {
            if (GetSelLength() == int(GetText().size()) &&
                !(masterField && masterField->GetRequired()))
                SelectKeyValue(Null());
            Key = 0;
            return;
        }
        // paste searches; cut does nothing
        if ((Shift.Contains(ssCtrl) && Key == 'V') ||
            (Shift.Contains(ssShift) && Key == VK_INSERT)) {
            for (QChar ch : Clipboard()->GetAsText())
                ProcessSearchKey(ch);
            Key = 0;
            return;
        }
        if ((Shift.Contains(ssCtrl) && Key == 'X') ||
            (Shift.Contains(ssShift) && Key == VK_DELETE)) {
            Key = 0;
            return;
        }
    }
    TCustomMaskEdit::KeyDown(Key, Shift);
}

void TDBLookupComboboxEh::KeyPress(QChar& Key) {
    const char16_t k = Key.unicode();
    if (listVisible && (k == VK_RETURN || k == VK_ESCAPE)) {
        CloseUp(k == VK_RETURN);
        Key = QChar();
        return;
    }
    if (unbound) {
        TCustomMaskEdit::KeyPress(Key);
        return;
    }
    if (k == VK_BACK && style == csDropDownListEh) {
        ProcessSearchKey(Key);
        Key = QChar();
        return;
    }
    if (k == VK_RETURN) {
        dataLink->UpdateRecord();
        SelectAll();
        Key = QChar();
        return;
    }
    if (k == VK_ESCAPE) {
        dataLink->Reset();
        SelectAll();
        Key = QChar();
        return;
    }
    if (k >= 32) {
        if (!CanModify(true)) {
            Key = QChar();
            return;
        }
        if (dropDownBox->AutoDrop && !listVisible) DropDown();
        if (style == csDropDownListEh) {
            ProcessSearchKey(Key);
            Key = QChar();
            return;
        }
    }
    TCustomMaskEdit::KeyPress(Key);
    // a drop-down combo completes what was typed from the list
    if (style == csDropDownEh && !Key.isNull() && k != VK_BACK) {
        const bool atEnd = GetSelStart() == int(GetText().size()) && GetSelLength() == 0;
        if (atEnd) locateTyped(true);
    }
}

// ---- the mouse ----------------------------------------------------------------------------------

bool TDBLookupComboboxEh::buttonEnabled() {
    return GetEnabled() && (listActive || OnButtonClick);
}

void TDBLookupComboboxEh::stopTracking() {
    if (!tracking) return;
    tracking = false;
    pressed = false;
    if (buttonControl) {
        buttonControl->Down = false;
        buttonControl->Invalidate();
    }
}

void TDBLookupComboboxEh::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (Button == mbLeft && !unbound) {
        if (CanFocus() && !Focused()) SetFocus();
        const bool onButton = PtInRect(ButtonRect(), TPoint{X, Y});
        if (buttonEnabled()) {
            tracking = true;
            pressed = onButton;
            if (buttonControl && onButton) {
                buttonControl->Down = true;
                buttonControl->Invalidate();
            }
            bool handled = false;
            if (onButton && OnButtonClick) OnButtonClick(this, handled);
            if (!handled) {
                if (listVisible) {
                    CloseUp(false);
                } else if (!(style == csDropDownEh && !onButton) && listActive) {
                    DropDown();
                    SelectAll();
                }
            }
        }
    }
    TCustomMaskEdit::MouseDown(Button, Shift, X, Y);
}

void TDBLookupComboboxEh::MouseMove(TShiftState Shift, int X, int Y) {
    // the arrow over the button, and over the whole control when its text is not typed
    if (!unbound)
        SetCursor(style == csDropDownListEh || PtInRect(ButtonRect(), TPoint{X, Y}) ? crArrow
                                                                                    : crIBeam);
    if (tracking && listVisible && dataList) {
        // a drag into the open list hands it the press
        const TPoint p = dataList->ScreenToClient(ClientToScreen(TPoint{X, Y}));
        if (PtInRect(dataList->GetClientRect(), p)) {
            stopTracking();
            dataList->MouseDown(mbLeft, TShiftState{ssLeft}, p.X, p.Y);
            forwardToList = true;
        }
    } else if (forwardToList && dataList) {
        const TPoint p = dataList->ScreenToClient(ClientToScreen(TPoint{X, Y}));
        dataList->MouseMove(Shift, p.X, p.Y);
    }
    TCustomMaskEdit::MouseMove(Shift, X, Y);
}

void TDBLookupComboboxEh::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    stopTracking();
    if (forwardToList && dataList) {
        forwardToList = false;
        const TPoint p = dataList->ScreenToClient(ClientToScreen(TPoint{X, Y}));
        dataList->MouseUp(Button, Shift, p.X, p.Y);
    }
    TCustomMaskEdit::MouseUp(Button, Shift, X, Y);
}

// ---- messages -----------------------------------------------------------------------------------

void TDBLookupComboboxEh::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case CM_GETDATALINK:
        Message.Result = reinterpret_cast<LRESULT>(static_cast<TDataLink*>(dataLink.get()));
        return;
    case WM_GETDLGCODE:
        TCustomMaskEdit::Dispatch(Message);
        Message.Result |= DLGC_WANTARROWS | DLGC_WANTCHARS;
        return;
    case CM_WANTSPECIALKEY:
        if (listVisible && (Message.WParam == VK_RETURN || Message.WParam == VK_ESCAPE)) {
            Message.Result = 1;
            return;
        }
        break;
    case WM_KILLFOCUS:
        CloseUp(false);
        hasFocus = false;
        break;
    case WM_SETFOCUS:
        hasFocus = true;
        break;
    case CM_ENTER:
        TCustomMaskEdit::Dispatch(Message);
        if (!(style == csDropDownEh && (QApplication::mouseButtons() & Qt::LeftButton)))
            SelectAll();
        return;
    case CM_EXIT:
        try {
            dataLink->UpdateRecord();
        } catch (...) {
            SelectAll();
            SetFocus();
            throw;
        }
        break;
    case CM_CANCELMODE: {
        // a press on another control closes the list; one on the list or its grip does not
        TControl* from = TCMControl(Message).Control();
        const bool own = from == this ||
                         (dataList && (from == dataList.get() || from == dataList->GetSizeGrip()));
        if (!own) CloseUp(false);
        break;
    }
    default:
        break;
    }
    TCustomMaskEdit::Dispatch(Message);
}
