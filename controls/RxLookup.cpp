// The lookup control's key, links and search, and the lookup list.
#include "RxLookup.h"

#include "Clock.h"
#include "Forms.h"
#include "IcoList.h"
#include "VCLUtils.h"

#include <QFontMetrics>
#include <algorithm>

uint32_t LookupSearchTick = 0;

namespace {
constexpr int TypedTextLimit = 32;
constexpr int AutoScrollTimer = 1;
} // namespace

// ---- the links --------------------------------------------------------------------------------

void TDataSourceLink::ActiveChanged() {
    if (control) control->dataLinkActiveChanged();
}

void TDataSourceLink::FocusControl(TField** Field) {
    if (!control || !*Field || *Field != control->dataField || !control->CanFocus()) return;
    *Field = nullptr;
    control->SetFocus();
}

void TDataSourceLink::LayoutChanged() {
    if (control) control->dataLinkLayoutChanged();
}

void TDataSourceLink::RecordChanged(TField* Field) {
    if (control) control->recordChanged(Field);
}

void TLookupSourceLink::ActiveChanged() {
    if (control) control->LookupActiveChanged();
}

void TLookupSourceLink::LayoutChanged() {
    if (control) control->LookupActiveChanged();
}

void TLookupSourceLink::DataSetChanged() {
    if (control) control->LookupDataChanged();
}

// ---- TRxLookupControl -------------------------------------------------------------------------

TRxLookupControl::TRxLookupControl(TComponent* AOwner)
    : TCustomControl(AOwner), lookupModeSource(std::make_unique<TDataSource>(nullptr)),
      dataLink(std::make_unique<TDataSourceLink>(this)),
      lookupLink(std::make_unique<TLookupSourceLink>(this)), locate(CreateLocate(nullptr)) {
    controlStyle.Include(csOpaque);
    // Click means a choice here (it fires the combo's OnChange): a press alone is none
    controlStyle.Exclude(csClickEvents);
    parentColor = false;
    tabStop = true;
    value = emptyValue;
}

TRxLookupControl::~TRxLookupControl() {
    dataLink->control = nullptr;
    lookupLink->control = nullptr;
    dataLink->SetDataSource(nullptr);
    lookupLink->SetDataSource(nullptr);
}

void TRxLookupControl::checkCircular() {
    if (!dataLink->GetActive()) return;
    if ((GetDataSource() && GetDataSource() == lookupLink->GetDataSource()) ||
        (dataLink->GetDataSet() && dataLink->GetDataSet() == lookupLink->GetDataSet()))
        DatabaseError(QString::fromLatin1(SCircularDataLink));
}

void TRxLookupControl::checkNotFixed() {
    if (lookupMode) DatabaseError(QString::fromLatin1(SPropDefByLookup));
    if (dataLink->GetDataSourceFixed()) DatabaseError(QString::fromLatin1(SDataSourceFixed));
}

bool TRxLookupControl::canModify() {
    if (!listActive || GetReadOnly()) return false;
    if (!GetDataSource()) return true;
    return masterField && masterField->CanModify();
}

void TRxLookupControl::dataLinkActiveChanged() {
    dataField = nullptr;
    masterField = nullptr;
    if (dataLink->GetActive() && !dataFieldName.isEmpty()) {
        checkCircular();
        dataField = dataLink->GetDataSet()->FieldByName(dataFieldName);
        masterField = dataField;
    }
    const bool mode = dataField && dataField->GetFieldKind() == fkLookup;
    if (mode) {
        lookupMode = true;
        masterField = dataLink->GetDataSet()->FieldByName(dataField->GetKeyFields());
        lookupModeSource->SetDataSet(dataField->GetLookupDataSet());
        keyFieldName = dataField->GetLookupKeyFields();
        lookupLink->SetDataSource(lookupModeSource.get());
    } else if (lookupMode) {
        lookupMode = false;
        lookupLink->SetDataSource(nullptr);
        keyFieldName.clear();
        lookupModeSource->SetDataSet(nullptr);
        masterField = dataField;
    }
    recordChanged(nullptr);
}

void TRxLookupControl::dataLinkLayoutChanged() {
    if (!dataLink->GetActive() || dataFieldName.isEmpty()) return;
    TField* f = dataLink->GetDataSet()->FieldByName(dataFieldName);
    if (f == dataField) return;
    dataField = nullptr;
    masterField = nullptr;
    checkCircular();
    dataField = f;
    masterField = f;
    recordChanged(nullptr);
}

void TRxLookupControl::recordChanged(TField* Field) {
    if (Field && Field != masterField) return;
    storeKey(masterField ? masterField->GetAsString() : emptyValue);
}

void TRxLookupControl::LookupActiveChanged() {
    listActive = false;
    keyField = nullptr;
    displayField = nullptr;
    listFields.clear();
    if (lookupLink->GetActive() && !keyFieldName.isEmpty()) {
        checkCircular();
        TDataSet* ds = lookupLink->GetDataSet();
        keyField = ds->FieldByName(keyFieldName);
        ds->GetFieldList(listFields, lookupDisplay);
        if (lookupMode) {
            displayField = ds->FieldByName(dataField->GetLookupResultField());
            if (!listFields.contains(displayField)) listFields.insert(0, displayField);
        } else {
            if (listFields.isEmpty()) listFields.append(keyField);
            displayField = displayIndex >= 0 && displayIndex < listFields.size()
                               ? listFields[displayIndex]
                               : listFields[0];
        }
        listActive = true;
    }
    locate->SetDataSet(lookupLink->GetDataSet());
}

void TRxLookupControl::storeKey(const QString& S) {
    if (S == value) return;
    value = S;
    KeyChanged();
}

void TRxLookupControl::writeField(TField* Field, const QString& S) {
    if (S != emptyValue || !(emptyValue.isEmpty() && emptyStrIsNull))
        Field->SetAsString(S);
    else
        Field->Clear();
}

void TRxLookupControl::SetValue(const QString& S) {
    if (S == value) return;
    if (!canModify() || !GetDataSource() || !dataLink->Edit())
        storeKey(S);
    else
        writeField(masterField ? masterField : dataField, S);
    Change();
}

void TRxLookupControl::chooseKey(const QString& S) {
    if (masterField) {
        if (!canModify() || !dataLink->Edit()) return;
        if (dataField == masterField) dataField->GetDataSet()->Edit();
        writeField(masterField, S);
    } else {
        storeKey(S);
    }
    refreshShownText();
    Repaint();
    Click();
}

void TRxLookupControl::refreshShownText() {
    shownText = valueIsEmpty(value) || !displayField ? QString() : displayField->GetAsString();
}

bool TRxLookupControl::FindRecord(TField* Field, const QString& Text, bool Exact) {
    locate->IndexSwitch = indexSwitch;
    if (valueIsEmpty(Text) || !Field) return false;
    // a failed match answers false; any other error is the caller's
    const bool found = locate->Locate(Field->GetFieldName(), Text, Exact, !ignoreCase);
    if (found) {
        if (Field == displayField) value = keyField->GetAsString();
        refreshShownText();
    }
    return found;
}

bool TRxLookupControl::findKeyRecord() {
    return !valueIsEmpty(value) && FindRecord(keyField, value, true);
}

bool TRxLookupControl::findDisplayRecord() {
    return FindRecord(displayField, shownText, true);
}

void TRxLookupControl::typeAheadKey(QChar Key) {
    if (!displayField) return;
    const char16_t k = Key.unicode();
    if (k == 9 || k == 27) {
        typedText.clear();
        return;
    }
    if (k < 32 && k != 8) return;
    if (!Key.isPrint() && k != 8) return;
    if (!canModify()) return;
    if (!popup) {
        const uint32_t now = GetTickCount();
        if (now - LookupSearchTick > 2000) typedText.clear();
        LookupSearchTick = now;
    }
    QString candidate;
    if (k == 8) {
        candidate = typedText.left(std::max<qsizetype>(0, typedText.size() - 1));
        if (candidate.isEmpty()) {
            // back to no typed text: nothing is chosen
            typedText.clear();
            return;
        }
    } else {
        if (typedText.size() >= TypedTextLimit) return; // the text is full: the key is refused
        candidate = typedText + Key;
    }
    if (typeAheadFind(candidate)) typedText = candidate;
}

bool TRxLookupControl::typeAheadFind(QString& Candidate) {
    if (!FindRecord(displayField, Candidate, false)) return false;
    chooseKey(keyField->GetAsString());
    Candidate = displayField->GetAsString().left(Candidate.size());
    return true;
}

void TRxLookupControl::ClearValue() {
    if (GetDataSource() && masterField && !dataLink->Edit()) return;
    if (masterField && dataLink->GetEditing()) writeField(masterField, emptyValue);
    value = emptyValue;
    shownText.clear();
    text = displayEmpty;
    Repaint();
    Click();
}

void TRxLookupControl::Change() {
    if (OnChange) OnChange(this);
}

TGraphic* TRxLookupControl::GetImage(bool Current, bool Empty, int& TextMargin) {
    TextMargin = 0;
    if (!OnGetImage) return nullptr;
    TGraphic* g = nullptr;
    OnGetImage(this, Empty, g, TextMargin);
    return g;
}

void TRxLookupControl::drawPicture(TCanvas* Canvas, const TRect& R, TGraphic* Image) {
    if (!Image) return;
    int w = Image->GetWidth(), h = Image->GetHeight();
    std::unique_ptr<TIcon> screenIcon;
    auto* icon = dynamic_cast<TIcon*>(Image);
    if (icon) {
        screenIcon = CreateScreenIcon(icon);
        TSize e = IconExtent(icon);
        w = e.cx;
        h = e.cy;
    }
    const int x = (R.Left + R.Right - w) / 2, y = (R.Top + R.Bottom - h) / 2;
    const int saved = Canvas->SaveDC();
    Canvas->IntersectClipRect(R);
    if (auto* bmp = dynamic_cast<TBitmap*>(Image))
        DrawTransparent(Canvas, x, y, bmp, bmp->GetTransparentColor());
    else if (screenIcon)
        Canvas->Draw(x, y, screenIcon.get());
    else
        Canvas->Draw(x, y, Image);
    Canvas->RestoreDC(saved);
}

int TRxLookupControl::GetItemHeight() {
    const int fontHeight = QFontMetrics(font->ToQFont()).height();
    return std::max(itemHeight, fontHeight);
}

void TRxLookupControl::SetItemHeight(int Value) {
    const int fontHeight = QFontMetrics(font->ToQFont()).height();
    itemHeight = IsLoading() ? Value : std::max(Value, fontHeight);
    Perform(CM_FONTCHANGED, 0, 0);
}

int TRxLookupControl::LookupListWidth() {
    QFontMetrics fm(font->ToQFont());
    const int m = fm.horizontalAdvance(QStringLiteral("M"));
    int w = 0;
    for (TField* f : listFields)
        w += f->GetDisplayWidth() * m + 4;
    w += GetSystemMetrics(SM_CXVSCROLL);
    return std::min(w, GetSystemMetrics(SM_CXSCREEN));
}

void TRxLookupControl::SetDataSource(TDataSource* Value) {
    dataLink->SetDataSource(Value);
    if (Value) Value->FreeNotification(this);
}

void TRxLookupControl::SetDataField(const QString& Value) {
    if (Value == dataFieldName) return;
    dataFieldName = Value;
    dataLinkActiveChanged();
}

TDataSource* TRxLookupControl::GetLookupSource() const {
    return lookupMode ? nullptr : lookupLink->GetDataSource();
}

void TRxLookupControl::SetLookupSource(TDataSource* Value) {
    checkNotFixed();
    lookupLink->SetDataSource(Value);
    if (Value) Value->FreeNotification(this);
    locate->SetDataSet(Value ? Value->GetDataSet() : nullptr);
    if (listActive) recordChanged(nullptr);
}

QString TRxLookupControl::GetLookupField() const {
    return lookupMode ? QString() : keyFieldName;
}

void TRxLookupControl::SetLookupField(const QString& Value) {
    checkNotFixed();
    if (Value == keyFieldName) return;
    keyFieldName = Value;
    LookupActiveChanged();
    if (listActive) recordChanged(nullptr);
}

void TRxLookupControl::SetLookupDisplay(const QString& Value) {
    if (Value == lookupDisplay) return;
    lookupDisplay = Value;
    LookupActiveChanged();
    if (listActive) recordChanged(nullptr);
}

void TRxLookupControl::SetLookupDisplayIndex(int Value) {
    if (Value == displayIndex) return;
    displayIndex = Value;
    LookupActiveChanged();
    if (listActive) recordChanged(nullptr);
}

void TRxLookupControl::SetDisplayEmpty(const QString& Value) {
    if (Value == displayEmpty) return;
    DisplayEmptyChanged(Value);
    displayEmpty = Value;
    if (!IsLoading()) Invalidate();
}

void TRxLookupControl::SetEmptyValue(const QString& Value) {
    if (Value == emptyValue) return;
    if (valueIsEmpty(value)) value = Value;
    emptyValue = Value;
}

void TRxLookupControl::SetEmptyStrIsNull(bool Value) {
    if (Value == emptyStrIsNull) return;
    emptyStrIsNull = Value;
    if (canModify() && GetDataSource() && dataLink->Edit())
        writeField(masterField ? masterField : dataField, value);
}

void TRxLookupControl::SetEmptyItemColor(TColor Value) {
    if (Value == emptyItemColor) return;
    emptyItemColor = Value;
    if (!IsLoading() && emptyRowVisible()) Invalidate();
}

void TRxLookupControl::SetFieldsDelimiter(QChar Value) {
    if (Value == fieldsDelimiter) return;
    fieldsDelimiter = Value;
    if (listStyle == lsDelimited) Invalidate();
}

void TRxLookupControl::SetListStyle(TLookupListStyle Value) {
    if (Value == listStyle) return;
    listStyle = Value;
    Invalidate();
}

void TRxLookupControl::Notification(TComponent* AComponent, TOperation Operation) {
    TCustomControl::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    if (dataLink && AComponent == GetDataSource()) SetDataSource(nullptr);
    if (lookupLink && AComponent == lookupLink->GetDataSource() &&
        AComponent != lookupModeSource.get())
        SetLookupSource(nullptr);
}

void TRxLookupControl::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case WM_GETDLGCODE:
        Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
        return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        focusedFlag = Message.Msg == WM_SETFOCUS;
        TCustomControl::Dispatch(Message);
        Invalidate();
        return;
    default:
        break;
    }
    TCustomControl::Dispatch(Message);
}

// ---- TRxDBLookupList --------------------------------------------------------------------------

TRxDBLookupList::TRxDBLookupList(TComponent* AOwner) : TRxLookupControl(AOwner) {
    width = 121;
    ctl3D = true;
    controlStyle += TControlStyle{csOpaque, csDoubleClicks};
    SetRowCount(7);
}

TRxDBLookupList::~TRxDBLookupList() = default;

void TRxDBLookupList::CreateParams(TCreateParams& Params) {
    TRxLookupControl::CreateParams(Params);
    Params.Style |= WS_VSCROLL;
    if (borderStyle == bsSingle) {
        if (ctl3D)
            Params.ExStyle |= WS_EX_CLIENTEDGE;
        else
            Params.Style |= WS_BORDER;
    }
}

void TRxDBLookupList::CreateWnd() {
    TRxLookupControl::CreateWnd();
    // the bar is there from the start, so the rows never change their width
    TScrollInfo si;
    si.fMask = SIF_RANGE | SIF_POS | SIF_DISABLENOSCROLL;
    SetScrollInfo(handle, SB_VERT, si, false);
    updateScrollBar();
}

int TRxDBLookupList::borderHeight() {
    TCreateParams p;
    CreateParams(p);
    if (p.ExStyle & WS_EX_CLIENTEDGE) return 4;
    if (p.Style & WS_BORDER) return 2;
    return 0;
}

void TRxDBLookupList::SetRowCount(int Value) {
    Value = std::clamp(Value, 1, 50);
    SetHeight(Value * GetItemHeight() + borderHeight());
}

void TRxDBLookupList::SetBorderStyle(TBorderStyle Value) {
    if (Value == borderStyle) return;
    borderStyle = Value;
    RecreateWnd();
    SetRowCount(rowCount);
}

void TRxDBLookupList::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    const int bh = borderHeight(), ih = GetItemHeight();
    const int rows = std::max(1, (AHeight - bh) / ih);
    rowCount = rows;
    updateBufferCount(rows);
    if (!IsLoading()) AHeight = rows * ih + bh;
    TRxLookupControl::SetBounds(ALeft, ATop, AWidth, AHeight);
}

void TRxDBLookupList::updateBufferCount(int Rows) {
    const int n = std::max(1, emptyRowVisible() ? Rows - 1 : Rows);
    if (lookupLink->GetBufferCount() != n) lookupLink->SetBufferCount(n);
}

void TRxDBLookupList::Loaded() {
    TRxLookupControl::Loaded();
    SetRowCount(rowCount);
}

void TRxDBLookupList::DisplayEmptyChanged(const QString& NewText) {
    const int n = std::max(1, !NewText.isEmpty() ? rowCount - 1 : rowCount);
    if (lookupLink->GetBufferCount() != n) lookupLink->SetBufferCount(n);
}

void TRxDBLookupList::KeyChanged() {
    if (!listActive || lockPosition) return;
    if (!findKeyRecord()) lookupLink->GetDataSet()->First();
}

void TRxDBLookupList::ShownTextChanged() {
    if (!listActive || lockPosition) return;
    if (!findDisplayRecord()) lookupLink->GetDataSet()->First();
}

void TRxDBLookupList::LookupActiveChanged() {
    TRxLookupControl::LookupActiveChanged();
    if (listActive && !lockPosition) {
        if (masterField) value = masterField->IsNull() ? emptyValue : masterField->GetAsString();
        KeyChanged();
    }
    listDataChanged();
}

void TRxDBLookupList::LookupDataChanged() {
    listDataChanged();
}

void TRxDBLookupList::listDataChanged() {
    if (listActive) {
        recordIndex = lookupLink->GetActiveRecord();
        recordCount = lookupLink->GetRecordCount();
        keySelected = !valueIsEmpty(value) || !lookupLink->GetDataSet()->GetBof();
    } else {
        recordIndex = 0;
        recordCount = 0;
        keySelected = false;
    }
    if (HandleAllocated()) {
        updateScrollBar();
        Invalidate();
    }
}

void TRxDBLookupList::updateScrollBar() {
    if (!HandleAllocated()) return;
    int pos = 0, max = 0;
    if (lookupLink->GetActive()) {
        const int rows = rowCount - (emptyRowVisible() ? 1 : 0);
        if (rows == recordCount) {
            max = 4;
            TDataSet* ds = lookupLink->GetDataSet();
            pos = ds->GetBof() ? 0 : ds->GetEof() ? 4 : 2;
        }
    }
    TScrollInfo cur;
    cur.fMask = SIF_RANGE | SIF_POS;
    GetScrollInfo(handle, SB_VERT, cur);
    if (cur.nMax != max || cur.nPos != pos) {
        TScrollInfo si;
        si.fMask = SIF_RANGE | SIF_POS | SIF_DISABLENOSCROLL;
        si.nMin = 0;
        si.nMax = max;
        si.nPos = pos;
        SetScrollInfo(handle, SB_VERT, si, true);
    }
}

int TRxDBLookupList::KeyRowIndex() {
    if (valueIsEmpty(value) || !keyField) return -1;
    const int saved = lookupLink->GetActiveRecord();
    int found = -1;
    for (int i = 0; i < recordCount && found < 0; ++i) {
        lookupLink->SetActiveRecord(i);
        if (keyField->GetAsString() == value) found = i;
        lookupLink->SetActiveRecord(saved);
    }
    return found;
}

void TRxDBLookupList::chooseCurrentRow() {
    struct Unlock {
        TRxDBLookupList* L;
        ~Unlock() {
            L->selectEmpty = false;
            L->lockPosition = false;
        }
    } unlock{this};
    lockPosition = true;
    if (selectEmpty)
        ClearValue();
    else
        chooseKey(keyField->GetAsString());
}

void TRxDBLookupList::KeyDown(WORD& Key, TShiftState Shift) {
    TRxLookupControl::KeyDown(Key, Shift);
    selectEmpty = false;
    if (!canModify()) return;
    const int e = emptyRowVisible() ? 1 : 0;
    int delta = 0;
    switch (Key) {
    case VK_PRIOR:
        delta = e - rowCount + 1;
        break;
    case VK_NEXT:
        delta = rowCount - e - 1;
        break;
    case VK_END:
        delta = INT_MAX;
        break;
    case VK_HOME:
        delta = INT_MIN;
        break;
    case VK_LEFT:
    case VK_UP:
        delta = -1;
        break;
    case VK_RIGHT:
    case VK_DOWN:
        delta = 1;
        break;
    default:
        return;
    }
    if (delta == 0) return;
    if (valueIsEmpty(value) && e > 0 && delta < 0) selectEmpty = true;
    typedText.clear();
    TDataSet* ds = lookupLink->GetDataSet();
    if (delta == INT_MIN) {
        ds->First();
    } else if (delta == INT_MAX) {
        ds->Last();
    } else {
        const int key = KeyRowIndex();
        if (key >= 0)
            ds->MoveBy(key - recordIndex);
        else {
            KeyChanged();
            delta = 0;
        }
        ds->MoveBy(delta);
    }
    if (ds->GetBof() && delta < 0 && e > 0) selectEmpty = true;
    chooseCurrentRow();
    Key = 0;
}

void TRxDBLookupList::KeyPress(QChar& Key) {
    TRxLookupControl::KeyPress(Key);
    if (!Key.isNull()) typeAheadKey(Key);
}

void TRxDBLookupList::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (Button == mbLeft) {
        typedText.clear();
        if (!popup) {
            if (CanFocus()) SetFocus();
            if (!focusedFlag) return;
        }
        if (canModify()) {
            if (Shift.Contains(ssDouble)) {
                if (Y / GetItemHeight() == recordIndex) DblClick();
            } else {
                SetMouseCapture(true);
                tracking = true;
                selectItemAt(Y);
            }
        }
    }
    TRxLookupControl::MouseDown(Button, Shift, X, Y);
}

void TRxDBLookupList::MouseMove(TShiftState Shift, int X, int Y) {
    if (tracking) {
        selectItemAt(Y);
        mousePos = Y;
        trackScroll(Y);
    }
    TRxLookupControl::MouseMove(Shift, X, Y);
}

void TRxDBLookupList::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (tracking) {
        stopTracking();
        selectItemAt(Y);
    }
    TRxLookupControl::MouseUp(Button, Shift, X, Y);
}

void TRxDBLookupList::stopTracking() {
    if (!tracking) return;
    if (timerActive && HandleAllocated()) KillTimer(handle, AutoScrollTimer);
    timerActive = false;
    tracking = false;
    SetMouseCapture(false);
}

void TRxDBLookupList::selectItemAt(int Y) {
    Y = std::clamp(Y, 0, std::max(0, GetClientHeight() - 1));
    const int row = Y / GetItemHeight();
    const int e = emptyRowVisible() ? 1 : 0;
    if (row == 0 && e > 0) {
        selectEmpty = true;
    } else {
        const int delta = row - recordIndex - e;
        if (delta != 0) lookupLink->GetDataSet()->MoveBy(delta);
    }
    chooseCurrentRow();
}

void TRxDBLookupList::trackScroll(int Y) {
    int direction = 0, distance = 0;
    if (Y < 0) {
        direction = -1;
        distance = -Y;
    } else if (Y >= GetClientHeight()) {
        direction = 1;
        distance = Y - GetClientHeight() + 1;
    }
    if (direction != 0) {
        lookupLink->GetDataSet()->MoveBy(direction);
        chooseCurrentRow();
        if (HandleAllocated()) {
            SetTimer(handle, AutoScrollTimer, UINT(std::max(0, 200 - 15 * distance)));
            timerActive = true;
        }
    } else if (timerActive) {
        if (HandleAllocated()) KillTimer(handle, AutoScrollTimer);
        timerActive = false;
    }
}

bool TRxDBLookupList::DoMouseWheelDown(TShiftState Shift, TPoint MousePos) {
    if (TRxLookupControl::DoMouseWheelDown(Shift, MousePos)) return true;
    if (!listActive) return false;
    typedText.clear();
    return lookupLink->GetDataSet()->MoveBy(recordCount - recordIndex) != 0;
}

bool TRxDBLookupList::DoMouseWheelUp(TShiftState Shift, TPoint MousePos) {
    if (TRxLookupControl::DoMouseWheelUp(Shift, MousePos)) return true;
    if (!listActive) return false;
    typedText.clear();
    return lookupLink->GetDataSet()->MoveBy(-recordIndex - 1) != 0;
}

void TRxDBLookupList::scroll(int Code, int Pos) {
    typedText.clear();
    if (!listActive) return;
    TDataSet* ds = lookupLink->GetDataSet();
    const int i = recordIndex, c = recordCount;
    switch (Code) {
    case SB_LINEUP:
        ds->MoveBy(-i - 1);
        break;
    case SB_LINEDOWN:
        ds->MoveBy(c - i);
        break;
    case SB_PAGEUP:
        ds->MoveBy(-i - c + 1);
        break;
    case SB_PAGEDOWN:
        ds->MoveBy(c - i + c - 2);
        break;
    case SB_THUMBPOSITION:
        switch (Pos) {
        case 0:
            ds->First();
            break;
        case 1:
            ds->MoveBy(-i - c + 1);
            break;
        case 3:
            ds->MoveBy(c - i + c - 2);
            break;
        case 4:
            ds->Last();
            break;
        default:
            break;
        }
        break;
    case SB_TOP:
        ds->First();
        break;
    case SB_BOTTOM:
        ds->Last();
        break;
    default:
        break;
    }
}

void TRxDBLookupList::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case WM_VSCROLL: {
        TWMScroll s(Message);
        scroll(s.ScrollCode(), s.Pos());
        return;
    }
    case WM_TIMER:
        if (Message.WParam == AutoScrollTimer) {
            trackScroll(mousePos);
            return;
        }
        break;
    case WM_CANCELMODE:
        stopTracking();
        break;
    case CM_FONTCHANGED:
        TRxLookupControl::Dispatch(Message);
        SetRowCount(rowCount);
        return;
    case CM_CTL3DCHANGED:
        TRxLookupControl::Dispatch(Message);
        if (borderStyle == bsSingle) {
            RecreateWnd();
            SetRowCount(rowCount);
        }
        return;
    default:
        break;
    }
    TRxLookupControl::Dispatch(Message);
}

void TRxDBLookupList::Paint() {
    TCanvas* c = GetCanvas();
    c->SetFont(font.get());
    const int ih = GetItemHeight();
    const int w = GetClientWidth();
    const int e = emptyRowVisible() ? 1 : 0;
    c->GetPen()->SetColor(color == clBtnFace ? clBtnShadow : clBtnFace);
    for (int i = 0; i < rowCount; ++i) {
        const int j = i - e;
        c->GetFont()->SetColor(font->GetColor());
        c->GetBrush()->SetColor(color);
        bool selected = !keySelected && i == 0 && e == 0;
        const TRect r{0, i * ih, w, (i + 1) * ih};
        if (i < recordCount + e) {
            const bool isEmpty = i == 0 && e == 1;
            if (!isEmpty) {
                lookupLink->SetActiveRecord(j);
                if (!valueIsEmpty(value) && keyField->GetAsString() == value) selected = true;
            } else if (valueIsEmpty(value)) {
                selected = true;
            } else {
                c->GetBrush()->SetColor(emptyItemColor);
            }
            if (selected) {
                c->GetFont()->SetColor(clHighlightText);
                c->GetBrush()->SetColor(clHighlight);
            }
            int margin = 0;
            TGraphic* image = GetImage(false, isEmpty, margin);
            if (margin > 0) {
                TBitmap bmp;
                bmp.SetSize(r.Width(), r.Height());
                TCanvas* bc = bmp.GetCanvas();
                bc->SetFont(c->GetFont());
                bc->GetBrush()->SetColor(c->GetBrush()->GetColor());
                bc->GetPen()->SetColor(c->GetPen()->GetColor());
                const TRect pr{0, 0, margin, r.Height()};
                bc->FillRect(pr);
                drawPicture(bc, pr, image);
                DrawRowText(bc, TRect{margin, 0, r.Width(), r.Height()}, selected, isEmpty);
                c->Draw(r.Left, r.Top, &bmp);
            } else {
                DrawRowText(c, r, selected, isEmpty);
            }
        } else {
            c->FillRect(r);
        }
        if (selected && (focusedFlag || popup)) c->DrawFocusRect(r);
    }
    if (recordCount != 0) lookupLink->SetActiveRecord(recordIndex);
}

void TRxDBLookupList::DrawRowText(TCanvas* Canvas, const TRect& Rect, bool Selected, bool IsEmpty) {
    const int th = textHeight(Canvas);
    const int y = (Rect.Top + Rect.Bottom - th) / 2;
    const int m = Canvas->TextWidth(QStringLiteral("M"));
    if (listStyle == lsDelimited) {
        QString s;
        if (IsEmpty) {
            s = displayEmpty;
        } else {
            for (int i = 0; i < listFields.size(); ++i) {
                if (i > 0) s += fieldsDelimiter + QStringLiteral(" ");
                s += listFields[i]->GetDisplayText();
            }
        }
        Canvas->TextRect(Rect, Rect.Left + 2, y, s);
        return;
    }
    const int right = Rect.Right;
    int x = Rect.Left;
    for (int i = 0; i < listFields.size(); ++i) {
        TField* f = listFields[i];
        const bool last = i == listFields.size() - 1;
        const int cw = last ? right - x : std::min(f->GetDisplayWidth() * m + 4, right - x);
        const QString s = IsEmpty ? (i == 0 ? displayEmpty : QString()) : f->GetDisplayText();
        const int tw = Canvas->TextWidth(s);
        int tx = 2;
        switch (f->GetAlignment()) {
        case taRightJustify:
            tx = cw - tw - 3;
            break;
        case taCenter:
            tx = (cw - tw) / 2;
            break;
        default:
            break;
        }
        const TRect cr{x, Rect.Top, x + cw, Rect.Bottom};
        Canvas->TextRect(cr, x + tx, y, s);
        if (last) break;
        Canvas->MoveTo(cr.Right, Rect.Top);
        Canvas->LineTo(cr.Right, Rect.Bottom);
        x = cr.Right + 1;
        if (x >= right) break;
    }
}

// ---- TRxPopupDataList -------------------------------------------------------------------------

TRxPopupDataList::TRxPopupDataList(TComponent* AOwner) : TRxDBLookupList(AOwner) {
    controlStyle += TControlStyle{csNoDesignVisible, csReplicatable};
    popup = true;
    tabStop = false;
    parentCtl3D = false;
    ctl3D = false;
    combo = dynamic_cast<TRxDBLookupCombo*>(AOwner);
    SetRowCount(rowCount);
}

void TRxPopupDataList::CreateParams(TCreateParams& Params) {
    TRxDBLookupList::CreateParams(Params);
    Params.Style = WS_POPUP | WS_BORDER | WS_VSCROLL;
    Params.ExStyle = WS_EX_TOOLWINDOW;
    Params.WindowClassStyle |= CS_SAVEBITS;
    Params.WndParent = nullptr;
}

QWidget* TRxPopupDataList::CreateWindowWidget(const TCreateParams& Params, QWidget*) {
    return CreatePopupWidget();
}

void TRxPopupDataList::Click() {
    TRxDBLookupList::Click();
    if (combo && combo->GetListVisible()) combo->invalidateText();
}

void TRxPopupDataList::KeyPress(QChar& Key) {
    TRxDBLookupList::KeyPress(Key);
    if (combo && combo->GetListVisible()) combo->invalidateText();
}

void TRxPopupDataList::Dispatch(TMessage& Message) {
    if (Message.Msg == WM_MOUSEACTIVATE) {
        Message.Result = MA_NOACTIVATE;
        return;
    }
    TRxDBLookupList::Dispatch(Message);
}
