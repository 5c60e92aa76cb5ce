#include "DBCtrls.h"

#include "Clipbrd.h"
#include "Dialogs.h"
#include "ScopeGuard.h"
#include "Streams.h"
#include "SysUtils.h"
#include "UiInternal.h"

#include <QApplication>
#include <QFontMetrics>
#include <algorithm>

namespace {
bool isTextKey(QChar Key) {
    return Key.unicode() >= 32 || Key.unicode() == VK_BACK;
}

// A typed character for a field-bound text control: refuses (with a beep) one the field does
// not accept, and one that would change the value when the dataset cannot go into edit state;
// swallows Esc, which puts the field's value back in KeyDown.
void fieldKeyPress(TFieldDataLink* L, QChar& Key) {
    if (Key.isNull()) return;
    TField* f = L->GetField();
    if (Key.unicode() >= 32 && f && !f->IsValidChar(Key)) {
        QApplication::beep();
        Key = QChar();
        return;
    }
    if (isTextKey(Key) && !L->Edit())
        Key = QChar();
    else if (Key.unicode() == VK_ESCAPE)
        Key = QChar();
}

// Writes the value back when the control loses the focus; on an error the focus stays.
void updateOnExit(TWinControl* C, TFieldDataLink* L) {
    try {
        L->UpdateRecord();
    } catch (...) {
        if (C->CanFocus()) C->SetFocus();
        throw;
    }
}
} // namespace

// ---- TDBEdit --------------------------------------------------------------------------------

TDBEdit::TDBEdit(TComponent* AOwner) : TFieldDataLinkControl(AOwner) {
    dataLink->OnDataChange = [this](TObject* S) { dataChange(S); };
    dataLink->OnEditingChange = [this](TObject* S) { editingChange(S); };
    dataLink->OnUpdateData = [this](TObject* S) { updateData(S); };
    dataLink->OnActiveChange = [this](TObject* S) { dataChange(S); };
    dataLink->OnFocusRequest = [this]() {
        if (!CanFocus()) return false;
        SetFocus();
        return true;
    };
    TCustomEdit::SetReadOnly(true);
}

void TDBEdit::dataChange(TObject*) {
    TField* f = dataLink->GetField();
    if (!f) {
        if (editMask != QString()) SetEditMask(QString());
        setWidgetText(QString());
        modified = false;
        return;
    }
    if (editMask != f->GetEditMask()) SetEditMask(f->GetEditMask());
    if (!IsMasked() && (f->GetDataType() == ftString || f->GetDataType() == ftWideString))
        SetMaxLength(f->GetSize());
    QString t = focused && dataLink->GetCanModify() ? f->GetText() : f->GetDisplayText();
    const QString shown = IsMasked() ? info.ApplyText(t) : t;
    // the same text is left alone: the first key typed over a selection puts the record into
    // edit, and setting the text anew would drop the selection the key is about to replace
    if (shown != GetTextBuf()) setWidgetText(shown);
    modified = false;
}

void TDBEdit::editingChange(TObject*) {
    TCustomEdit::SetReadOnly(!dataLink->GetEditing());
}

void TDBEdit::updateData(TObject*) {
    TField* f = dataLink->GetField();
    if (!f) return;
    ValidateEdit();
    if (IsMasked() && info.AllBlank(GetEditText()))
        f->SetText(QString());
    else
        f->SetText(GetText());
}

void TDBEdit::Change() {
    if (!settingText) dataLink->Modified();
    TCustomMaskEdit::Change();
}

void TDBEdit::KeyDown(WORD& Key, TShiftState Shift) {
    TCustomMaskEdit::KeyDown(Key, Shift);
    if (Key == VK_DELETE || (Key == VK_INSERT && Shift.Contains(ssShift))) {
        if (!dataLink->Edit()) Key = 0;
    } else if (Key == VK_ESCAPE && (dataLink->IsModified() || modified)) {
        dataLink->Reset();
        SelectAll();
        Key = 0;
    }
}

void TDBEdit::KeyPress(QChar& Key) {
    TCustomMaskEdit::KeyPress(Key);
    fieldKeyPress(dataLink.get(), Key);
}

void TDBEdit::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case CM_WANTSPECIALKEY:
        if (WORD(Message.WParam) == VK_ESCAPE && (dataLink->IsModified() || modified)) {
            Message.Result = 1;
            return;
        }
        break;
    case CM_ENTER:
        focused = true;
        if (dataLink->GetField() && dataLink->GetCanModify()) dataChange(nullptr);
        break;
    case CM_EXIT:
        updateOnExit(this, dataLink.get());
        focused = false;
        SetSelStart(0);
        if (!dataLink->IsModified()) dataChange(nullptr);
        TCustomEdit::Dispatch(Message); // validated already
        return;
    case WM_CUT:
    case WM_PASTE:
    case WM_CLEAR:
    case WM_UNDO:
        if (!dataLink->Edit()) return;
        break;
    default:
        break;
    }
    TFieldDataLinkControl::Dispatch(Message);
}

// ---- TDBText --------------------------------------------------------------------------------

TDBText::TDBText(TComponent* AOwner) : TFieldDataLinkControl(AOwner) {
    autoSize = false;
    showAccelChar = false;
    auto refresh = [this](TObject*) {
        TField* f = dataLink->GetField();
        SetCaption(f ? f->GetDisplayText() : QString());
    };
    dataLink->OnDataChange = refresh;
    dataLink->OnActiveChange = refresh;
}

// ---- TDBMemo --------------------------------------------------------------------------------

TDBMemo::TDBMemo(TComponent* AOwner) : TFieldDataLinkControl(AOwner) {
    auto load = [this](TObject*) {
        TField* f = dataLink->GetField();
        ++settingText;
        TCustomMemo::SetTextBuf(f ? (f->IsBlob() ? f->GetAsString() : f->GetText()) : QString());
        --settingText;
        modified = false;
    };
    dataLink->OnDataChange = load;
    dataLink->OnActiveChange = load;
    dataLink->OnEditingChange = [this](TObject*) {
        TCustomEdit::SetReadOnly(!dataLink->GetEditing());
    };
    dataLink->OnUpdateData = [this](TObject*) {
        if (TField* f = dataLink->GetField()) f->SetAsString(GetText());
    };
    TCustomEdit::SetReadOnly(true);
}

void TDBMemo::Change() {
    if (!settingText) dataLink->Modified();
    TCustomMemo::Change();
}

void TDBMemo::KeyDown(WORD& Key, TShiftState Shift) {
    TCustomMemo::KeyDown(Key, Shift);
    if (Key == VK_DELETE || (Key == VK_INSERT && Shift.Contains(ssShift))) {
        if (!dataLink->Edit()) Key = 0;
    } else if (Key == VK_ESCAPE && dataLink->IsModified()) {
        dataLink->Reset();
        Key = 0;
    }
}

void TDBMemo::KeyPress(QChar& Key) {
    TCustomMemo::KeyPress(Key);
    if (Key.isNull()) return;
    if ((isTextKey(Key) || Key.unicode() == VK_RETURN) && !dataLink->Edit())
        Key = QChar();
    else if (Key.unicode() == VK_ESCAPE)
        Key = QChar();
}

void TDBMemo::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case CM_WANTSPECIALKEY:
        if (WORD(Message.WParam) == VK_ESCAPE && dataLink->IsModified()) {
            Message.Result = 1;
            return;
        }
        break;
    case CM_EXIT:
        updateOnExit(this, dataLink.get());
        break;
    case WM_CUT:
    case WM_PASTE:
    case WM_CLEAR:
        if (!dataLink->Edit()) return;
        break;
    default:
        break;
    }
    TFieldDataLinkControl::Dispatch(Message);
}

// ---- TDBCheckBox ----------------------------------------------------------------------------

TDBCheckBox::TDBCheckBox(TComponent* AOwner) : TFieldDataLinkControl(AOwner) {
    auto load = [this](TObject*) {
        ClicksDisabled = true;
        SetState(fieldState());
        ClicksDisabled = false;
    };
    dataLink->OnDataChange = load;
    dataLink->OnActiveChange = load;
    dataLink->OnUpdateData = [this](TObject*) {
        TField* f = dataLink->GetField();
        if (!f) return;
        if (state == cbGrayed) {
            f->Clear();
        } else if (f->GetDataType() == ftBoolean) {
            f->SetAsBoolean(state == cbChecked);
        } else {
            QString v = state == cbChecked ? valueChecked : valueUnchecked;
            f->SetText(v.section(u';', 0, 0));
        }
    };
    state = cbGrayed;
}

void TDBCheckBox::SetValueChecked(const QString& Value) {
    valueChecked = Value;
    if (dataLink->GetField()) dataLink->Reset();
}

void TDBCheckBox::SetValueUnchecked(const QString& Value) {
    valueUnchecked = Value;
    if (dataLink->GetField()) dataLink->Reset();
}

TCheckBoxState TDBCheckBox::fieldState() {
    TField* f = dataLink->GetField();
    if (!f || f->IsNull()) return cbGrayed;
    if (f->GetDataType() == ftBoolean) return f->GetAsBoolean() ? cbChecked : cbUnchecked;
    QString t = f->GetText();
    auto matches = [&t](const QString& List) {
        for (const QString& v : List.split(u';'))
            if (AnsiSameText(v, t)) return true;
        return false;
    };
    if (matches(valueChecked)) return cbChecked;
    if (matches(valueUnchecked)) return cbUnchecked;
    return cbGrayed;
}

void TDBCheckBox::Toggle() {
    if (!dataLink->Edit()) return;
    TCustomCheckBox::Toggle();
    dataLink->Modified();
}

void TDBCheckBox::KeyDown(WORD& Key, TShiftState Shift) {
    TCustomCheckBox::KeyDown(Key, Shift);
    if (Key == VK_ESCAPE && dataLink->IsModified()) {
        dataLink->Reset();
        Key = 0;
    }
}

void TDBCheckBox::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case CM_EXIT:
        updateOnExit(this, dataLink.get());
        break;
    default:
        break;
    }
    TFieldDataLinkControl::Dispatch(Message);
}

// ---- TDBComboBox ----------------------------------------------------------------------------

TDBComboBox::TDBComboBox(TComponent* AOwner) : TFieldDataLinkControl(AOwner) {
    dataLink->OnDataChange = [this](TObject* S) { dataChange(S); };
    dataLink->OnActiveChange = [this](TObject* S) { dataChange(S); };
    dataLink->OnUpdateData = [this](TObject*) {
        if (TField* f = dataLink->GetField()) f->SetText(GetText());
    };
}

void TDBComboBox::dataChange(TObject*) {
    TField* f = dataLink->GetField();
    ++loading;
    QString t = f ? f->GetText() : QString();
    if (style == csDropDownList || style == csOwnerDrawFixed || style == csOwnerDrawVariable)
        SetItemIndex(items->IndexOf(t));
    else
        SetTextBuf(t);
    --loading;
}

void TDBComboBox::Change() {
    if (!loading) dataLink->Modified();
    TCustomComboBox::Change();
}

void TDBComboBox::Select() {
    if (!dataLink->Edit()) {
        dataChange(nullptr); // not editable: the choice does not stay
        return;
    }
    dataLink->Modified();
    TCustomComboBox::Select();
}

void TDBComboBox::KeyDown(WORD& Key, TShiftState Shift) {
    TCustomComboBox::KeyDown(Key, Shift);
    bool listStyle =
        style == csDropDownList || style == csOwnerDrawFixed || style == csOwnerDrawVariable;
    if (Key == VK_ESCAPE && dataLink->IsModified()) {
        dataLink->Reset();
        Key = 0;
    } else if ((Key == VK_DELETE || Key == VK_BACK ||
                (listStyle && (Key == VK_UP || Key == VK_DOWN || Key == VK_PRIOR ||
                               Key == VK_NEXT || Key == VK_HOME || Key == VK_END))) &&
               !dataLink->Edit()) {
        Key = 0;
    }
}

void TDBComboBox::KeyPress(QChar& Key) {
    TCustomComboBox::KeyPress(Key);
    fieldKeyPress(dataLink.get(), Key);
}

void TDBComboBox::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case CM_WANTSPECIALKEY:
        if (WORD(Message.WParam) == VK_ESCAPE && dataLink->IsModified()) {
            Message.Result = 1;
            return;
        }
        break;
    case CM_EXIT:
        updateOnExit(this, dataLink.get());
        break;
    default:
        break;
    }
    TFieldDataLinkControl::Dispatch(Message);
}

// ---- TDBRadioGroup --------------------------------------------------------------------------

TDBRadioGroup::TDBRadioGroup(TComponent* AOwner) : TFieldDataLinkControl(AOwner) {
    values = std::make_unique<TStringList>();
    auto load = [this](TObject*) {
        TField* f = dataLink->GetField();
        SetValue(f ? f->GetText() : QString());
    };
    dataLink->OnDataChange = load;
    dataLink->OnActiveChange = load;
    dataLink->OnUpdateData = [this](TObject*) {
        if (TField* f = dataLink->GetField()) f->SetText(value);
    };
}

QString TDBRadioGroup::valueOf(int Index) const {
    if (Index < 0) return QString();
    return Index < values->Count() ? values->Get(Index) : StripHotkey(items->Get(Index));
}

void TDBRadioGroup::SetValue(const QString& Value) {
    value = Value;
    int found = -1;
    for (int i = 0; i < items->Count(); ++i)
        if (AnsiSameText(valueOf(i), Value)) {
            found = i;
            break;
        }
    inSet = true;
    SetItemIndex(found);
    inSet = false;
}

bool TDBRadioGroup::CanModify() {
    return dataLink->Edit();
}

void TDBRadioGroup::Click() {
    if (!inSet) {
        value = valueOf(itemIndex);
        dataLink->Modified();
    }
    TCustomRadioGroup::Click();
}

void TDBRadioGroup::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case CM_EXIT:
        dataLink->UpdateRecord();
        break;
    default:
        break;
    }
    TFieldDataLinkControl::Dispatch(Message);
}

// ---- TDBImage -------------------------------------------------------------------------------

TDBImage::TDBImage(TComponent* AOwner) : TFieldDataLinkControl(AOwner) {
    picture = std::make_unique<TPicture>();
    picture->OnChange = [this](TObject* S) { pictureChanged(S); };
    dataLink->OnDataChange = [this](TObject*) { LoadPicture(); };
    dataLink->OnActiveChange = [this](TObject*) { LoadPicture(); };
    dataLink->OnUpdateData = [this](TObject*) {
        TField* f = dataLink->GetField();
        auto* bf = dynamic_cast<TBlobField*>(f);
        if (!bf) return;
        TGraphic* g = picture->GetGraphic();
        if (!g || g->GetEmpty()) {
            bf->Clear();
            return;
        }
        TMemoryStream ms;
        g->SaveToStream(&ms);
        bf->SetAsBytes(ms.GetBytes());
    };
    SetBounds(0, 0, 105, 105);
    SetTabStop(true);
    SetParentColor(false);
    color = clWindow;
}

TDBImage::~TDBImage() {
    picture->OnChange = nullptr;
}

void TDBImage::CreateParams(TCreateParams& Params) {
    TCustomControl::CreateParams(Params);
    Params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TDBImage::SetStretch(bool Value) {
    stretch = Value;
    Invalidate();
}

void TDBImage::SetCenter(bool Value) {
    center = Value;
    Invalidate();
}

void TDBImage::LoadPicture() {
    loading = true;
    auto* bf = dynamic_cast<TBlobField*>(dataLink->GetField());
    QByteArray bytes = bf ? bf->GetAsBytes() : QByteArray();
    if (bytes.isEmpty()) {
        picture->SetGraphic(nullptr);
    } else {
        TBitmap b;
        TMemoryStream ms;
        ms.SetBytes(bytes);
        ms.Seek(0, soBeginning);
        try {
            b.LoadFromStream(&ms);
            picture->SetGraphic(&b);
        } catch (const Exception&) {
            picture->SetGraphic(nullptr); // not a picture: show nothing
        }
    }
    loading = false;
    Invalidate();
}

void TDBImage::pictureChanged(TObject*) {
    if (!loading) {
        dataLink->Modified();
    }
    Invalidate();
}

void TDBImage::CopyToClipboard() {
    if (TGraphic* g = picture->GetGraphic())
        if (!g->GetEmpty()) Clipboard()->Assign(g);
}

void TDBImage::CutToClipboard() {
    if (!picture->GetGraphic()) return;
    if (!dataLink->Edit()) return;
    CopyToClipboard();
    picture->SetGraphic(nullptr);
}

void TDBImage::PasteFromClipboard() {
    if (!Clipboard()->HasFormat(CF_BITMAP) && !Clipboard()->HasFormat(CF_DIB)) return;
    if (!dataLink->Edit()) return;
    TBitmap b;
    Clipboard()->AssignTo(&b);
    picture->SetGraphic(&b);
}

void TDBImage::KeyDown(WORD& Key, TShiftState Shift) {
    TCustomControl::KeyDown(Key, Shift);
    bool ctrl = Shift.Contains(ssCtrl), shift = Shift.Contains(ssShift);
    switch (Key) {
    case VK_INSERT:
        if (shift)
            PasteFromClipboard();
        else if (ctrl)
            CopyToClipboard();
        break;
    case VK_DELETE:
        if (shift)
            CutToClipboard();
        else if (dataLink->Edit())
            picture->SetGraphic(nullptr);
        break;
    case 'C':
        if (ctrl) CopyToClipboard();
        break;
    case 'X':
        if (ctrl) CutToClipboard();
        break;
    case 'V':
        if (ctrl) PasteFromClipboard();
        break;
    case VK_ESCAPE:
        if (dataLink->IsModified()) {
            dataLink->Reset();
            Key = 0;
        }
        break;
    default:
        break;
    }
}

void TDBImage::KeyPress(QChar& Key) {
    TCustomControl::KeyPress(Key);
}

void TDBImage::Paint() {
    TCanvas* c = GetCanvas();
    TRect r = GetClientRect();
    c->GetBrush()->SetColor(color);
    c->FillRect(r);
    TGraphic* g = picture->GetGraphic();
    if (!g || g->GetEmpty()) return;
    int w = g->GetWidth(), h = g->GetHeight();
    if (stretch) {
        c->StretchDraw(r, g);
        return;
    }
    int x = center ? (r.Width() - w) / 2 : 0, y = center ? (r.Height() - h) / 2 : 0;
    c->Draw(x, y, g);
    if (Focused()) {
        c->DrawFocusRect(r);
    }
}

void TDBImage::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case WM_GETDLGCODE:
        Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
        return;
    case WM_CUT:
        CutToClipboard();
        return;
    case WM_COPY:
        CopyToClipboard();
        return;
    case WM_PASTE:
        PasteFromClipboard();
        return;
    case WM_LBUTTONDOWN:
        if (CanFocus()) SetFocus();
        break;
    case CM_EXIT:
        updateOnExit(this, dataLink.get());
        break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        Invalidate();
        break;
    default:
        break;
    }
    TFieldDataLinkControl::Dispatch(Message);
}

// ---- TDBNavigator ---------------------------------------------------------------------------

class TDBNavigator::TNavDataLink : public TDataLink {
public:
    explicit TNavDataLink(TDBNavigator* N) : nav(N) {}

protected:
    void ActiveChanged() override { nav->UpdateButtons(); }
    void DataSetChanged() override { nav->UpdateButtons(); }
    void EditingChanged() override { nav->UpdateButtons(); }

private:
    TDBNavigator* nav;
};

namespace {
// The picture of a navigator button, 11 x 11, in the given colour on clOlive (transparent).
void drawNavPicture(TCanvas* C, int X, TNavigateBtn Kind, TColor Color) {
    C->GetPen()->SetColor(Color);
    C->GetPen()->SetWidth(1);
    C->GetBrush()->SetColor(Color);
    auto bar = [&](int L, int T, int R, int B) { C->FillRect(TRect{X + L, T, X + R, B}); };
    auto triangle = [&](std::vector<TPoint> P) {
        for (TPoint& p : P)
            p.X += X;
        C->Polygon(P);
    };
    switch (Kind) {
    case nbFirst:
        bar(1, 1, 3, 10);
        triangle({{8, 1}, {8, 9}, {4, 5}});
        break;
    case nbPrior:
        triangle({{7, 1}, {7, 9}, {3, 5}});
        break;
    case nbNext:
        triangle({{3, 1}, {3, 9}, {7, 5}});
        break;
    case nbLast:
        triangle({{2, 1}, {2, 9}, {6, 5}});
        bar(8, 1, 10, 10);
        break;
    case nbInsert:
        bar(4, 1, 7, 10);
        bar(1, 4, 10, 7);
        break;
    case nbDelete:
        bar(1, 4, 10, 7);
        break;
    case nbEdit:
        triangle({{1, 7}, {9, 7}, {5, 3}});
        break;
    case nbPost:
        for (int d = 0; d < 2; ++d) {
            C->MoveTo(X + 1, 5 + d);
            C->LineTo(X + 4, 8 + d);
            C->LineTo(X + 10, 2 + d);
        }
        break;
    case nbCancel:
        for (int d = 0; d < 2; ++d) {
            C->MoveTo(X + 1 + d, 1);
            C->LineTo(X + 10 + d, 10);
            C->MoveTo(X + 9 + d, 1);
            C->LineTo(X + d, 10);
        }
        break;
    case nbRefresh:
        C->GetBrush()->SetStyle(bsClear);
        C->GetPen()->SetWidth(2);
        C->Arc(X + 1, 2, X + 10, 11, X + 5, 2, X + 10, 5);
        C->GetBrush()->SetStyle(bsSolid);
        triangle({{7, 0}, {10, 3}, {7, 5}});
        break;
    }
}

// Two pictures side by side: enabled, and disabled (embossed, as the platform greys them).
void makeNavGlyph(TBitmap* B, TNavigateBtn Kind) {
    constexpr int side = 11;
    B->SetSize(2 * side, side);
    TCanvas* c = B->GetCanvas();
    c->GetBrush()->SetColor(clOlive);
    c->FillRect(TRect{0, 0, 2 * side, side});
    drawNavPicture(c, 0, Kind, clBlack);
    // The disabled one from the enabled one: a light copy one pixel down-right, the shadow over.
    auto drawn = [c](int x, int y) { return c->GetPixels(x, y) == clBlack; };
    for (int y = 0; y + 1 < side; ++y)
        for (int x = 0; x + 1 < side; ++x)
            if (drawn(x, y)) c->SetPixels(side + x + 1, y + 1, clBtnHighlight);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            if (drawn(x, y)) c->SetPixels(side + x, y, clBtnShadow);
    B->SetTransparent(true);
    B->SetTransparentColor(clOlive);
}

const char* const kNavHints[] = {"First record",  "Prior record",  "Next record", "Last record",
                                 "Insert record", "Delete record", "Edit record", "Post edit",
                                 "Cancel edit",   "Refresh data"};
} // namespace

TDBNavigator::TDBNavigator(TComponent* AOwner) : TCustomPanel(AOwner) {
    dataLink = std::make_unique<TNavDataLink>(this);
    bevelOuter = bvNone;
    SetBounds(0, 0, 240, 25);
    for (int i = nbFirst; i <= nbRefresh; ++i) {
        auto* b = new TSpeedButton(nullptr);
        b->SetParent(this);
        TBitmap picture;
        makeNavGlyph(&picture, TNavigateBtn(i));
        b->SetGlyph(&picture);
        b->SetNumGlyphs(2);
        b->SetHint(QString::fromLatin1(kNavHints[i]));
        TNavigateBtn which = TNavigateBtn(i);
        b->OnClick = [this, which](TObject*) { BtnClick(which); };
        buttons[i] = b;
        visibleButtons.Include(which);
    }
    arrange();
    UpdateButtons();
}

TDBNavigator::~TDBNavigator() = default;

TDataSource* TDBNavigator::GetDataSource() const {
    return dataLink->GetDataSource();
}

void TDBNavigator::SetDataSource(TDataSource* Value) {
    if (TDataSource* old = dataLink->GetDataSource()) old->RemoveFreeNotification(this);
    dataLink->SetDataSource(Value);
    if (Value) Value->FreeNotification(this);
    UpdateButtons();
}

void TDBNavigator::Notification(TComponent* AComponent, TOperation Operation) {
    TCustomPanel::Notification(AComponent, Operation);
    if (Operation == opRemove && dataLink && dataLink->GetDataSource() == AComponent)
        dataLink->SetDataSource(nullptr);
}

void TDBNavigator::SetVisibleButtons(TButtonSet Value) {
    visibleButtons = Value;
    for (int i = nbFirst; i <= nbRefresh; ++i)
        buttons[i]->SetVisible(Value.Contains(TNavigateBtn(i)));
    arrange();
}

void TDBNavigator::arrange() {
    int n = 0;
    for (int i = nbFirst; i <= nbRefresh; ++i)
        n += visibleButtons.Contains(TNavigateBtn(i));
    if (n == 0) return;
    int w = std::max(1, GetClientWidth() / n), x = 0;
    for (int i = nbFirst; i <= nbRefresh; ++i) {
        if (!visibleButtons.Contains(TNavigateBtn(i))) continue;
        buttons[i]->SetBounds(x, 0, w, GetClientHeight());
        x += w;
    }
}

void TDBNavigator::UpdateButtons() {
    TDataSet* ds = dataLink->GetActive() ? dataLink->GetDataSet() : nullptr;
    bool browse = ds && ds->GetState() == dsBrowse;
    bool editing = ds && (ds->GetState() == dsEdit || ds->GetState() == dsInsert);
    bool canModify = ds && ds->CanModify();
    bool bof = !ds || ds->GetBof(), eof = !ds || ds->GetEof();
    bool empty = !ds || ds->IsEmpty();
    buttons[nbFirst]->SetEnabled(ds && !bof);
    buttons[nbPrior]->SetEnabled(ds && !bof);
    buttons[nbNext]->SetEnabled(ds && !eof);
    buttons[nbLast]->SetEnabled(ds && !eof);
    buttons[nbInsert]->SetEnabled(ds && canModify);
    buttons[nbDelete]->SetEnabled(browse && canModify && !empty);
    buttons[nbEdit]->SetEnabled(browse && canModify && !empty);
    buttons[nbPost]->SetEnabled(editing);
    buttons[nbCancel]->SetEnabled(editing);
    buttons[nbRefresh]->SetEnabled(ds != nullptr);
}

void TDBNavigator::BtnClick(TNavigateBtn Index) {
    TDataSet* ds = dataLink->GetActive() ? dataLink->GetDataSet() : nullptr;
    if (!ds) return;
    if (BeforeAction) BeforeAction(this, Index);
    switch (Index) {
    case nbFirst:
        ds->First();
        break;
    case nbPrior:
        ds->Prior();
        break;
    case nbNext:
        ds->Next();
        break;
    case nbLast:
        ds->Last();
        break;
    case nbInsert:
        ds->Insert();
        break;
    case nbDelete:
        if (!confirmDelete || MessageDlg(QString::fromLatin1(SDeleteRecordQuestion), mtConfirmation,
                                         mbOKCancel(), 0) != mrCancel)
            ds->Delete();
        break;
    case nbEdit:
        ds->Edit();
        break;
    case nbPost:
        ds->Post();
        break;
    case nbCancel:
        ds->Cancel();
        break;
    case nbRefresh:
        ds->Refresh();
        break;
    }
    if (OnClick) OnClick(this, Index);
}

void TDBNavigator::Dispatch(TMessage& Message) {
    TCustomPanel::Dispatch(Message);
    if (Message.Msg == WM_SIZE) arrange();
}

// ---- TDBLookupControl -----------------------------------------------------------------------

// The link of a lookup control to its list dataset.
class TDBLookupControl::TListLink : public TDataLink {
public:
    explicit TListLink(TDBLookupControl* C) : control(C) {}

protected:
    void ActiveChanged() override { control->UpdateListFields(); }
    void DataSetChanged() override { control->ListLinkDataChanged(); }
    void LayoutChanged() override { control->UpdateListFields(); }

private:
    TDBLookupControl* control;
};

TDataLink* TDBLookupControl::GetListLink() const {
    return listLink.get();
}

TField* TDBLookupControl::GetListFieldObject() const {
    if (listFields.empty()) return nullptr;
    return listFields[size_t(std::clamp(listFieldIndex, 0, int(listFields.size()) - 1))];
}

void TDBLookupControl::SetListFieldIndex(int Value) {
    listFieldIndex = std::max(0, Value);
    updateText();
}

void TDBLookupControl::UpdateListFields() {
    listFields.clear();
    keyField = nullptr;
    TDataSet* ds = listSource ? listSource->GetDataSet() : nullptr;
    listActive = ds && ds->GetActive();
    if (listActive) {
        keyField = ds->FindField(keyFieldName);
        for (const QString& n : listFieldNames.split(u';', Qt::SkipEmptyParts))
            if (TField* f = ds->FindField(n.trimmed())) listFields.push_back(f);
        if (listFields.empty() && keyField) listFields.push_back(keyField);
    }
    rowsValid = false;
    ListLinkDataChanged();
    updateText();
}

TDBLookupControl::TDBLookupControl(TComponent* AOwner) : TFieldDataLinkControl(AOwner) {
    listLink = std::make_unique<TListLink>(this);
    dataLink->OnDataChange = [this](TObject* S) { dataChange(S); };
    dataLink->OnActiveChange = [this](TObject* S) { dataChange(S); };
    dataLink->OnUpdateData = [this](TObject*) {
        if (TField* f = dataLink->GetField())
            f->SetValue(keyValue.IsEmpty() ? Variant::NullValue() : keyValue);
    };
    SetTabStop(true);
    SetParentColor(false);
    color = clWindow;
}

TDBLookupControl::~TDBLookupControl() {
    listLink->SetDataSource(nullptr);
}

void TDBLookupControl::SetListSource(TDataSource* Value) {
    if (listSource) listSource->RemoveFreeNotification(this);
    listSource = Value;
    if (Value) Value->FreeNotification(this);
    listLink->SetDataSource(Value);
    UpdateListFields();
}

void TDBLookupControl::SetListField(const QString& Value) {
    listFieldNames = Value;
    UpdateListFields();
}

void TDBLookupControl::SetKeyField(const QString& Value) {
    keyFieldName = Value;
    UpdateListFields();
}

void TDBLookupControl::Notification(TComponent* AComponent, TOperation Operation) {
    TFieldDataLinkControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == listSource) {
        listSource = nullptr;
        listLink->SetDataSource(nullptr);
        UpdateListFields();
        rowsValid = false;
    }
}

const std::vector<TDBLookupControl::TRow>& TDBLookupControl::Rows() {
    if (rowsValid) return rows;
    rows.clear();
    TDataSet* ds = listSource ? listSource->GetDataSet() : nullptr;
    if (ds && ds->GetActive() && !keyFieldName.isEmpty()) {
        QStringList names = listFieldNames.split(u';', Qt::SkipEmptyParts);
        TField* key = ds->FindField(keyFieldName);
        std::vector<TField*> shown;
        for (const QString& n : names)
            if (TField* f = ds->FindField(n.trimmed())) shown.push_back(f);
        if (shown.empty() && key) shown.push_back(key);
        if (key) {
            TBookmark bm = ds->GetBookmark();
            ds->DisableControls();
            TScopeGuard enable([ds] { ds->EnableControls(); });
            for (ds->First(); !ds->GetEof(); ds->Next()) {
                TRow r;
                r.Key = key->GetValue();
                for (TField* f : shown)
                    r.Texts << f->GetDisplayText();
                rows.push_back(r);
            }
            if (!bm.isEmpty()) ds->GotoBookmark(bm);
            enable.End();
        }
    }
    rowsValid = true;
    return rows;
}

void TDBLookupControl::updateText() {
    text.clear();
    if (keyValue.IsEmpty() || keyValue.IsNull()) {
        KeyValueChanged();
        return;
    }
    for (const TRow& r : Rows())
        if (VarSameValue(r.Key, keyValue)) {
            text = r.Texts.value(listFieldIndex);
            break;
        }
    KeyValueChanged();
}

void TDBLookupControl::dataChange(TObject*) {
    TField* f = dataLink->GetField();
    keyValue = f && !f->IsNull() ? f->GetValue() : Variant();
    if (!selecting) searchText.clear();
    updateText();
}

void TDBLookupControl::SetKeyValue(const Variant& Value) {
    keyValue = Value;
    updateText();
}

void TDBLookupControl::SelectKeyValue(const Variant& Value) {
    if (dataLink->GetField()) {
        // the field's own change must not end the incremental search
        selecting = true;
        bool ok = false;
        TScopeGuard reset([this] { selecting = false; });
        ok = dataLink->Edit();
        if (ok) {
            keyValue = Value;
            dataLink->Modified();
            dataLink->UpdateRecord();
        }
        reset.End();
        if (!ok) return;
    } else {
        keyValue = Value;
    }
    updateText();
    Click();
}

void TDBLookupControl::KeyPress(QChar& Key) {
    TCustomControl::KeyPress(Key);
    if (Key.isNull()) return;
    if (Key.unicode() == VK_BACK) {
        searchText.chop(1);
        Key = QChar();
        return;
    }
    if (Key.unicode() < 32) return;
    // incremental search: the first row whose text begins with what was typed
    QString s = searchText + Key;
    QString k = AnsiUpperCase(s);
    for (const TRow& r : Rows())
        if (AnsiUpperCase(r.Texts.value(0)).startsWith(k)) {
            searchText = s;
            SelectKeyValue(r.Key);
            break;
        }
    Key = QChar();
}

void TDBLookupControl::KeyDown(WORD& Key, TShiftState Shift) {
    TCustomControl::KeyDown(Key, Shift);
    const auto& rs = Rows();
    if (rs.empty() || (Key != VK_UP && Key != VK_DOWN)) return;
    int cur = -1;
    for (size_t i = 0; i < rs.size(); ++i)
        if (VarSameValue(rs[i].Key, keyValue)) cur = int(i);
    int to = Key == VK_DOWN ? std::min(int(rs.size()) - 1, cur + 1) : std::max(0, cur - 1);
    searchText.clear();
    if (to != cur) SelectKeyValue(rs[size_t(to)].Key);
    Key = 0;
}

void TDBLookupControl::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case WM_GETDLGCODE:
        Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
        return;
    case CM_EXIT:
        searchText.clear();
        updateOnExit(this, dataLink.get());
        break;
    case WM_SETFOCUS:
        hasFocus = true;
        Invalidate();
        break;
    case WM_KILLFOCUS:
        hasFocus = false;
        Invalidate();
        break;
    default:
        break;
    }
    TFieldDataLinkControl::Dispatch(Message);
}

// The drop-down list of a lookup combo: a borderless pop-up window showing the list rows; its
// key value is the row chosen in the list, which becomes the combo's on accept. It never takes
// the focus: the combo keeps the keyboard and moves the list's row.
class TDBLookupComboBox::TPopupList : public TDBLookupListBox {
public:
    explicit TPopupList(TDBLookupComboBox* C) : TDBLookupListBox(nullptr), combo(C) {
        SetTabStop(false);
        visible = false;
    }
    void CreateParams(TCreateParams& Params) override {
        TDBLookupListBox::CreateParams(Params);
        Params.Style = WS_POPUP;
        Params.ExStyle &= ~WS_EX_CLIENTEDGE;
        Params.WndParent = nullptr;
    }
    // A top-level window has no frame of ours: the list draws its 1 px frame itself, over
    // the rows' padding.
    void Paint() override {
        TDBLookupListBox::Paint();
        TCanvas* c = GetCanvas();
        c->GetBrush()->SetColor(clWindowFrame);
        c->FrameRect(GetClientRect());
    }
    QWidget* CreateWindowWidget(const TCreateParams&, QWidget*) override {
        auto* w = new TWinWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint);
        w->setAttribute(Qt::WA_ShowWithoutActivating);
        return w;
    }
    void ShowAt(const TRect& R) {
        SetBounds(R.Left, R.Top, R.Width(), R.Height());
        HandleNeeded();
        visible = true;
        GetHandle()->show();
    }
    void HideList() {
        visible = false;
        if (HandleAllocated()) GetHandle()->hide();
    }
    // Moves the chosen row by Delta rows (clamped), or to the first/last row.
    void MoveBy(int Delta) {
        const auto& rs = Rows();
        if (rs.empty()) return;
        int cur = -1;
        for (size_t i = 0; i < rs.size(); ++i)
            if (VarSameValue(rs[i].Key, keyValue)) cur = int(i);
        int to = std::clamp(cur < 0 && Delta > 0 ? Delta - 1 : cur + Delta, 0, int(rs.size()) - 1);
        SetKeyValue(rs[size_t(to)].Key);
    }
    // the row under the mouse follows it
    void MouseMove(TShiftState Shift, int X, int Y) override {
        TDBLookupListBox::MouseMove(Shift, X, Y);
        int r = RowAt(Y);
        if (r >= 0) SetKeyValue(Rows()[size_t(r)].Key);
    }
    void MouseDown(TMouseButton Button, TShiftState, int, int Y) override {
        if (Button != mbLeft) return;
        int r = RowAt(Y);
        if (r < 0) return;
        SetKeyValue(Rows()[size_t(r)].Key);
        combo->CloseUp(true);
    }

private:
    TDBLookupComboBox* combo;
};

// While the list is open: a mouse press anywhere but on the list or on the combo closes it
// without a change.
class TDBLookupComboBox::TClickWatch : public QObject {
public:
    explicit TClickWatch(TDBLookupComboBox* C) : combo(C) {}
    bool eventFilter(QObject* O, QEvent* E) override {
        if (E->type() != QEvent::MouseButtonPress && E->type() != QEvent::MouseButtonDblClick)
            return false;
        auto* w = qobject_cast<QWidget*>(O);
        if (!w || !combo->listVisible) return false;
        QWidget* list = combo->dataList->HandleAllocated() ? combo->dataList->GetHandle() : nullptr;
        QWidget* own = combo->HandleAllocated() ? combo->GetHandle() : nullptr;
        for (QWidget* p = w; p; p = p->parentWidget())
            if (p == list || p == own) return false;
        combo->CloseUp(false);
        return false;
    }

private:
    TDBLookupComboBox* combo;
};

TDBLookupComboBox::TDBLookupComboBox(TComponent* AOwner) : TDBLookupControl(AOwner) {
    SetBounds(0, 0, 145, 21);
}

TDBLookupComboBox::~TDBLookupComboBox() {
    if (clickWatch) qApp->removeEventFilter(clickWatch.get());
    dataList.reset();
}

TDBLookupListBox* TDBLookupComboBox::GetDropDownList() const {
    return dataList.get();
}

Variant TDBLookupComboBox::GetListValue() const {
    return dataList ? dataList->GetKeyValue() : keyValue;
}

void TDBLookupComboBox::CreateParams(TCreateParams& Params) {
    TDBLookupControl::CreateParams(Params);
    Params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TDBLookupComboBox::ListLinkDataChanged() {
    TDBLookupControl::ListLinkDataChanged();
    if (listVisible && dataList) dataList->Invalidate();
}

void TDBLookupComboBox::DropDown() {
    if (listVisible) return;
    if (OnDropDown) OnDropDown(this);
    if (!dataList) {
        dataList = std::make_unique<TPopupList>(this);
        clickWatch = std::make_unique<TClickWatch>(this);
    }
    dataList->GetFont()->Assign(font.get());
    dataList->SetListSource(listSource);
    dataList->SetKeyField(keyFieldName);
    dataList->SetListField(listFieldNames);
    int n = std::clamp(int(Rows().size()), 1, dropDownRows);
    dataList->SetRowCount(n);
    // rows are set after the height, so the chosen one is scrolled into the shown rows
    dataList->SetKeyValue(keyValue);
    TPoint at = ClientToScreen(TPoint{0, 0});
    int outer = (GetHeight() - GetClientHeight()) / 2;
    at.X -= outer;
    at.Y += GetClientHeight() + outer;
    int h = n * dataList->RowHeight() + 2;
    if (at.Y + h > Screen->GetHeight() && at.Y - GetHeight() - h >= 0) at.Y -= GetHeight() + h;
    dataList->ShowAt(TRect{at.X, at.Y, at.X + GetWidth(), at.Y + h});
    listVisible = true;
    qApp->installEventFilter(clickWatch.get());
    Invalidate();
}

void TDBLookupComboBox::CloseUp(bool Accept) {
    if (!listVisible) return;
    qApp->removeEventFilter(clickWatch.get());
    dataList->HideList();
    listVisible = false;
    Variant chosen = dataList->GetKeyValue();
    if (Accept && !chosen.IsEmpty() && !VarSameValue(chosen, keyValue)) SelectKeyValue(chosen);
    Invalidate();
    if (OnCloseUp) OnCloseUp(this);
}

void TDBLookupComboBox::SelectKeyValue(const Variant& Value) {
    // while the list is open, typing and the arrows choose its row; the key follows on accept
    if (listVisible)
        dataList->SetKeyValue(Value);
    else
        TDBLookupControl::SelectKeyValue(Value);
}

void TDBLookupComboBox::KeyDown(WORD& Key, TShiftState Shift) {
    bool alt = Shift.Contains(ssAlt);
    if (((Key == VK_UP || Key == VK_DOWN) && alt) || (Key == VK_F4 && !alt)) {
        if (listVisible)
            CloseUp(true);
        else
            DropDown();
        Key = 0;
        return;
    }
    if (!listVisible) {
        TDBLookupControl::KeyDown(Key, Shift);
        return;
    }
    TCustomControl::KeyDown(Key, Shift);
    int page = std::max(1, dataList->GetRowCount() - 1);
    switch (Key) {
    case VK_RETURN:
        CloseUp(true);
        break;
    case VK_ESCAPE:
        CloseUp(false);
        break;
    case VK_UP:
        dataList->MoveBy(-1);
        break;
    case VK_DOWN:
        dataList->MoveBy(1);
        break;
    case VK_PRIOR:
        dataList->MoveBy(-page);
        break;
    case VK_NEXT:
        dataList->MoveBy(page);
        break;
    case VK_HOME:
        dataList->MoveBy(-int(Rows().size()));
        break;
    case VK_END:
        dataList->MoveBy(int(Rows().size()));
        break;
    default:
        return;
    }
    searchText.clear();
    Key = 0;
}

void TDBLookupComboBox::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case CM_WANTSPECIALKEY:
        // Enter and Esc belong to the open list, not to the form's default buttons
        if (listVisible && (Message.WParam == VK_RETURN || Message.WParam == VK_ESCAPE)) {
            Message.Result = 1;
            return;
        }
        break;
    case WM_KILLFOCUS:
        CloseUp(false);
        break;
    case WM_GETDLGCODE:
        TDBLookupControl::Dispatch(Message);
        if (listVisible) Message.Result |= DLGC_WANTALLKEYS;
        return;
    default:
        break;
    }
    TDBLookupControl::Dispatch(Message);
}

void TDBLookupComboBox::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (Button == mbLeft) {
        if (CanFocus()) SetFocus();
        if (listVisible)
            CloseUp(false);
        else
            DropDown();
    }
    TDBLookupControl::MouseDown(Button, Shift, X, Y);
}

void TDBLookupComboBox::Paint() {
    TCanvas* c = GetCanvas();
    TRect r = GetClientRect();
    int bw = GetSystemMetrics(SM_CXVSCROLL);
    TRect textRect{r.Left, r.Top, r.Right - bw, r.Bottom};
    bool sel = Focused() && !listVisible;
    c->GetBrush()->SetColor(sel ? clHighlight : color);
    c->FillRect(textRect);
    c->SetFont(font.get());
    c->GetFont()->SetColor(sel ? clHighlightText : font->GetColor());
    TRect tr = textRect;
    tr.Left += 2;
    c->DrawText(text, tr, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    DrawFrameControl(c, TRect{r.Right - bw, r.Top, r.Right, r.Bottom}, DFC_SCROLL,
                     DFCS_SCROLLCOMBOBOX | (enabled ? 0u : DFCS_INACTIVE));
}

// ---- TDBLookupListBox -----------------------------------------------------------------------

TDBLookupListBox::TDBLookupListBox(TComponent* AOwner) : TDBLookupControl(AOwner) {
    controlStyle.Include(csDoubleClicks);
    SetBounds(0, 0, 121, 0);
    SetRowCount(7);
}

void TDBLookupListBox::CreateParams(TCreateParams& Params) {
    TDBLookupControl::CreateParams(Params);
    Params.ExStyle |= WS_EX_CLIENTEDGE;
}

int TDBLookupListBox::RowHeight() const {
    return QFontMetrics(font->ToQFont()).height() + 2;
}

void TDBLookupListBox::SetRowCount(int Value) {
    rowCount = std::max(1, Value);
    SetHeight(rowCount * RowHeight() + 4);
}

int TDBLookupListBox::RowAt(int Y) {
    int r = topRow + Y / std::max(1, RowHeight());
    return Y >= 0 && r < int(Rows().size()) ? r : -1;
}

void TDBLookupListBox::KeyValueChanged() {
    // keep the chosen row in view
    const auto& rs = Rows();
    for (size_t i = 0; i < rs.size(); ++i)
        if (VarSameValue(rs[i].Key, keyValue)) {
            int r = int(i);
            if (r < topRow) topRow = r;
            if (r >= topRow + rowCount) topRow = r - rowCount + 1;
        }
    Invalidate();
}

void TDBLookupListBox::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (Button == mbLeft) {
        if (CanFocus()) SetFocus();
        int r = RowAt(Y);
        if (r >= 0) {
            searchText.clear();
            SelectKeyValue(Rows()[size_t(r)].Key);
        }
    }
    TDBLookupControl::MouseDown(Button, Shift, X, Y);
}

void TDBLookupListBox::Paint() {
    TCanvas* c = GetCanvas();
    TRect r = GetClientRect();
    c->GetBrush()->SetColor(color);
    c->FillRect(r);
    c->SetFont(font.get());
    const auto& rs = Rows();
    int h = RowHeight();
    int fields = 1;
    for (const TRow& row : rs)
        fields = std::max(fields, int(row.Texts.size()));
    int colW = std::max(1, r.Width() / fields);
    for (int i = topRow; i < int(rs.size()) && (i - topRow) * h < r.Bottom; ++i) {
        TRect rr{0, (i - topRow) * h, r.Right, (i - topRow + 1) * h};
        bool sel = VarSameValue(rs[size_t(i)].Key, keyValue);
        c->GetBrush()->SetColor(sel ? clHighlight : color);
        c->FillRect(rr);
        c->GetFont()->SetColor(sel ? clHighlightText : font->GetColor());
        for (int f = 0; f < int(rs[size_t(i)].Texts.size()); ++f) {
            TRect t{f * colW + 2, rr.Top, (f + 1) * colW - 2, rr.Bottom};
            c->GetBrush()->SetStyle(bsClear);
            c->DrawText(rs[size_t(i)].Texts[f], t, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
            c->GetBrush()->SetStyle(bsSolid);
        }
        if (sel && hasFocus) c->DrawFocusRect(rr);
    }
}
