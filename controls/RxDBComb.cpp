#include "RxDBComb.h"

#include "DBUtils.h"
#include "RXDBCtrl.h"
#include "RXConst.h"
#include "VCLUtils.h"

#include <QComboBox>
#include <QLineEdit>

// ---- TCustomDBComboBox --------------------------------------------------------------------

TCustomDBComboBox::TCustomDBComboBox(TComponent* AOwner) : TFieldDataLinkControl(AOwner) {
    ConnectFieldLink(dataLink.get(), this, &TCustomDBComboBox::dataChange,
                     &TCustomDBComboBox::editingChange, &TCustomDBComboBox::updateData);
    controlStyle.Include(csReplicatable);
}

TCustomDBComboBox::~TCustomDBComboBox() = default;

bool TCustomDBComboBox::listStyle() const {
    return style == csDropDownList || style == csOwnerDrawFixed || style == csOwnerDrawVariable;
}

void TCustomDBComboBox::SetStyle(TComboBoxStyle Value) {
    if (Value == csSimple && dataLink->GetDataSourceFixed()) DBError(RxLoadStr(SNotInDBCtrlGrid));
    TCustomComboBox::SetStyle(Value);
    dataChange(nullptr);
}

QString TCustomDBComboBox::GetComboText() {
    if (!listStyle()) return GetText();
    const int i = GetItemIndex();
    return i >= 0 ? items->Get(i) : QString();
}

void TCustomDBComboBox::SetComboText(const QString& Value) {
    if (Value == GetComboText()) return;
    ++showing;
    if (style != csDropDown) {
        int i = Value.isEmpty() ? -1 : items->IndexOf(Value);
        SetItemIndex(i < items->Count() ? i : -1);
        if (i >= 0) {
            --showing;
            return;
        }
    }
    if (!listStyle()) SetTextBuf(Value);
    --showing;
}

QString TCustomDBComboBox::GetPaintText() {
    TField* f = dataLink->GetField();
    return f ? f->GetText() : QString();
}

void TCustomDBComboBox::dataChange(TObject*) {
    if (GetDroppedDown()) return;
    TField* f = dataLink->GetField();
    SetComboText(f ? f->GetText() : (IsDesigning() ? GetName() : QString()));
}

void TCustomDBComboBox::updateData(TObject*) {
    if (TField* f = dataLink->GetField()) f->SetText(GetComboText());
}

void TCustomDBComboBox::editingChange(TObject*) {
    if (style != csDropDown && style != csSimple) return;
    if (QComboBox* cb = ComboBox())
        if (QLineEdit* e = cb->lineEdit()) e->setReadOnly(!dataLink->GetEditing());
}

void TCustomDBComboBox::CreateWnd() {
    TFieldDataLinkControl::CreateWnd();
    editingChange(nullptr);
}

void TCustomDBComboBox::Loaded() {
    TFieldDataLinkControl::Loaded();
    if (IsDesigning()) dataChange(nullptr);
}

bool TCustomDBComboBox::beginChange() {
    // The native list or edit has changed already; the record going into edit state shows the
    // field again, which must not undo what the user chose or typed.
    const int chosen = GetItemIndex();
    const QString text = GetText();
    if (!dataLink->Edit()) return false;
    ++showing;
    if (GetItemIndex() != chosen) SetItemIndex(chosen);
    if (!listStyle() && GetText() != text) SetTextBuf(text);
    --showing;
    return true;
}

void TCustomDBComboBox::Change() {
    if (!showing) beginChange();
    TCustomComboBox::Change();
    if (!showing) dataLink->Modified();
}

void TCustomDBComboBox::Click() {
    if (!showing) beginChange();
    TCustomComboBox::Click();
    if (!showing) dataLink->Modified();
}

void TCustomDBComboBox::DropDown() {
    dataLink->Edit();
    TCustomComboBox::DropDown();
}

void TCustomDBComboBox::CloseUp() {
    TCustomComboBox::CloseUp();
    // an abandoned choice on a record that is not being edited is undone
    if (!dataLink->GetEditing()) dataChange(nullptr);
}

void TCustomDBComboBox::KeyDown(WORD& Key, TShiftState Shift) {
    TCustomComboBox::KeyDown(Key, Shift);
    if (Key == VK_BACK || (Key >= 32 && Key <= 255))
        if (!dataLink->Edit() && (Key == VK_UP || Key == VK_DOWN)) Key = 0;
}

void TCustomDBComboBox::KeyPress(QChar& Key) {
    TCustomComboBox::KeyPress(Key);
    if (Key.isNull()) return;
    const char16_t k = Key.unicode();
    TField* f = dataLink->GetField();
    if (k >= 32 && f && !f->IsValidChar(Key)) {
        ErrorBeep();
        Key = QChar();
        return;
    }
    if (k == VK_BACK || k == 22 || k == 24 || k >= 32) {
        dataLink->Edit();
    } else if (k == VK_ESCAPE) {
        dataLink->Reset();
        SelectAll();
    }
}

void TCustomDBComboBox::paintCopy(TCanvas* Canvas) {
    QString text = GetPaintText();
    if (style != csDropDown && items->IndexOf(text) < 0) text.clear();
    TRect r = GetClientRect();
    Canvas->GetBrush()->SetColor(color);
    Canvas->FillRect(r);
    TRect edge = r;
    DrawEdge(Canvas, edge, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
    const int bw = style == csSimple ? 0 : GetSystemMetrics(SM_CXVSCROLL);
    if (bw > 0)
        DrawFrameControl(Canvas, TRect{edge.Right - bw, edge.Top, edge.Right, edge.Bottom},
                         DFC_SCROLL, DFCS_SCROLLCOMBOBOX | (enabled ? 0u : DFCS_INACTIVE));
    Canvas->SetFont(font.get());
    if (!enabled) Canvas->GetFont()->SetColor(clGrayText);
    Canvas->GetBrush()->SetStyle(bsClear);
    TRect tr{edge.Left + 2, edge.Top, edge.Right - bw, edge.Bottom};
    Canvas->DrawText(text, tr, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
}

void TCustomDBComboBox::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case CN_COMMAND:
        // a choice on a record that cannot be edited does not stay
        if (Message.WParamHi() == CBN_SELCHANGE && !showing && !beginChange()) {
            if (style != csSimple && HandleAllocated())
                PostMessage(GetHandle(), CB_SHOWDROPDOWN, 0, 0);
            dataChange(nullptr);
            return;
        }
        break;
    case CM_WANTSPECIALKEY:
        if (WORD(Message.WParam) == VK_ESCAPE && dataLink->IsModified()) {
            Message.Result = 1;
            return;
        }
        break;
    case CM_EXIT:
        try {
            dataLink->UpdateRecord();
        } catch (...) {
            SelectAll();
            if (CanFocus()) SetFocus();
            throw;
        }
        break;
    case WM_PAINT:
        if (controlState.Contains(csPaintCopy) && Message.WParam) {
            paintCopy(reinterpret_cast<TCanvas*>(Message.WParam));
            return;
        }
        break;
    default:
        break;
    }
    TFieldDataLinkControl::Dispatch(Message);
}

// ---- TRxDBComboBox ------------------------------------------------------------------------

TRxDBComboBox::TRxDBComboBox(TComponent* AOwner)
    : TCustomDBComboBox(AOwner), values(std::make_unique<TStringList>()) {
    values->OnChange = [this](TObject*) {
        if (enableValues) dataChange(nullptr);
    };
    TCustomDBComboBox::SetStyle(csDropDownList);
}

TRxDBComboBox::~TRxDBComboBox() {
    values->OnChange = nullptr;
}

void TRxDBComboBox::SetItems(TStrings* Value) {
    items->Assign(Value);
    dataChange(nullptr);
}

void TRxDBComboBox::SetEnableValues(bool Value) {
    if (enableValues == Value) return;
    if (Value && (style == csDropDown || style == csSimple))
        TCustomDBComboBox::SetStyle(csDropDownList);
    enableValues = Value;
    dataChange(nullptr);
}

void TRxDBComboBox::SetStyle(TComboBoxStyle Value) {
    if (Value == csDropDown || Value == csSimple) enableValues = false;
    TCustomDBComboBox::SetStyle(Value);
}

QString TRxDBComboBox::GetComboText() {
    if ((style == csDropDown || style == csSimple) && !enableValues) return GetText();
    const int i = GetItemIndex();
    if (i < 0) return QString();
    if (enableValues) return i < values->Count() ? values->Get(i) : QString();
    return items->Get(i);
}

void TRxDBComboBox::SetComboText(const QString& Value) {
    if (Value == GetComboText()) return;
    ++showing;
    if (style != csDropDown) {
        int i =
            Value.isEmpty() ? -1 : (enableValues ? values->IndexOf(Value) : items->IndexOf(Value));
        if (i >= items->Count()) i = -1;
        SetItemIndex(i);
        if (i >= 0) {
            --showing;
            return;
        }
    }
    if (style == csDropDown || style == csSimple) SetTextBuf(Value);
    --showing;
}

QString TRxDBComboBox::GetPaintText() {
    TField* f = dataLink->GetField();
    if (!f) return QString();
    if (!enableValues) return f->GetText();
    const int i = values->IndexOf(f->GetText());
    return i >= 0 && i < items->Count() ? items->Get(i) : QString();
}

void TRxDBComboBox::checkChoice() {
    if (!enableValues || showing) return;
    const int i = GetItemIndex();
    if (i < 0 || i < values->Count()) return;
    const QString item = items->Get(i);
    // the field's value stays, and shows again
    ++showing;
    SetItemIndex(-1);
    dataChange(nullptr);
    --showing;
    throw Exception(Format(QString::fromUtf8(SNoValueForItem), {item}));
}

void TRxDBComboBox::Change() {
    checkChoice();
    TCustomDBComboBox::Change();
}

void TRxDBComboBox::Click() {
    checkChoice();
    TCustomDBComboBox::Click();
}

void TRxDBComboBox::updateData(TObject* Sender) {
    checkChoice();
    TCustomDBComboBox::updateData(Sender);
}
