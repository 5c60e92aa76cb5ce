// The check list box: a check image in front of every item, its states kept as item data,
// carried through sorting and window recreation, streamed with the form and kept in the
// storage of a form placement.
#include "RXCtrls.h"

#include "ScopeGuard.h"
#include "VCLUtils.h"

#include <algorithm>

namespace {

constexpr TColor kStripTransparent = clOlive;
constexpr int kCellWidth = 16, kCellHeight = 13;

// One check image of the strip at cell (Col, Row).
void drawCell(TCanvas* C, int Col, int Row) {
    const TCheckKind kind = TCheckKind(Row);
    const TCheckBoxState state = TCheckBoxState(Col % 3);
    const bool enabled = Col < 3;
    const int x = Col * kCellWidth + 1, y = Row * kCellHeight;
    const TColor mark = enabled && state != cbGrayed ? clBlack : clGray;
    const TColor face = enabled && state != cbGrayed ? clWhite : clSilver;
    auto tick = [&](int X0, int Y0) {
        // seven columns, three pixels tall: down to the third, then up
        for (int c = 0; c < 7; ++c) {
            int top = Y0 + (c <= 2 ? c + 2 : 6 - c);
            C->FillSolid(TRect{X0 + c, top, X0 + c + 1, top + 3}, mark);
        }
    };
    switch (kind) {
    case ckCheckBoxes:
        // a sunken frame: gray over white outside, black over silver inside
        C->FillSolid(TRect{x, y, x + 13, y + 13}, clWhite);
        C->FillSolid(TRect{x, y, x + 12, y + 1}, clGray);
        C->FillSolid(TRect{x, y, x + 1, y + 12}, clGray);
        C->FillSolid(TRect{x + 1, y + 11, x + 12, y + 12}, clSilver);
        C->FillSolid(TRect{x + 11, y + 1, x + 12, y + 12}, clSilver);
        C->FillSolid(TRect{x + 1, y + 1, x + 11, y + 2}, clBlack);
        C->FillSolid(TRect{x + 1, y + 1, x + 2, y + 11}, clBlack);
        C->FillSolid(TRect{x + 2, y + 2, x + 11, y + 11}, face);
        if (state != cbUnchecked) tick(x + 3, y + 1);
        break;
    case ckRadioButtons: {
        C->GetPen()->SetColor(clGray);
        C->GetBrush()->SetColor(face);
        C->Ellipse(x, y, x + 12, y + 12);
        C->GetPen()->SetColor(clBlack);
        C->GetBrush()->SetStyle(bsClear);
        C->Ellipse(x + 1, y + 1, x + 11, y + 11);
        C->GetBrush()->SetStyle(bsSolid);
        if (state == cbChecked) {
            C->FillSolid(TRect{x + 4, y + 5, x + 8, y + 7}, mark);
            C->FillSolid(TRect{x + 5, y + 4, x + 7, y + 8}, mark);
        }
        break;
    }
    case ckCheckMarks:
        if (state != cbUnchecked) tick(x + 3, y + 1);
        break;
    }
}

// The shared strip of check images: 6 columns (unchecked, checked, grayed; the same for
// disabled items) by 3 rows (check boxes, radio buttons, check marks) of 16 x 13 cells.
TBitmap* checkImages() {
    static std::unique_ptr<TBitmap> strip;
    if (!strip) {
        strip = std::make_unique<TBitmap>();
        strip->SetSize(6 * kCellWidth, 3 * kCellHeight);
        TCanvas* c = strip->GetCanvas();
        c->FillSolid(TRect{0, 0, 6 * kCellWidth, 3 * kCellHeight}, kStripTransparent);
        for (int row = 0; row < 3; ++row)
            for (int col = 0; col < 6; ++col)
                drawCell(c, col, row);
        strip->SetTransparentColor(kStripTransparent);
    }
    return strip.get();
}

[[noreturn]] void indexError(int Index) {
    throw EStringListError(Format(QStringLiteral("List index out of bounds (%d)"), {Index}));
}

uint32_t packState(TCheckListBoxItem* Item) {
    if (!Item) return 1;
    return uint32_t(Item->Enabled ? 1 : 0) | uint32_t(Item->State) << 16;
}

} // namespace

// ---- TCheckListBoxStrings ------------------------------------------------------------------

namespace {
struct CarriedState {
    TCheckBoxState State;
    bool Enabled;
};
CarriedState carried(TRxCheckListBox* B, int Index) {
    TCheckListBoxItem* it =
        B->GetItems()->Count() > Index && Index >= 0
            ? reinterpret_cast<TCheckListBoxItem*>(B->Perform(LB_GETITEMDATA, WPARAM(Index), 0))
            : nullptr;
    if (!it || LPARAM(it) == LB_ERR) return {cbUnchecked, true};
    return {it->State, it->Enabled};
}
} // namespace

void TCheckListBoxStrings::Exchange(int Index1, int Index2) {
    auto* box = static_cast<TRxCheckListBox*>(GetListBox());
    CarriedState s1 = carried(box, Index1), s2 = carried(box, Index2);
    TRxListBoxStrings::Exchange(Index1, Index2);
    for (auto [i, s] : {std::pair{Index1, s2}, std::pair{Index2, s1}}) {
        TCheckListBoxItem* it = box->needCheckItem(i);
        it->State = s.State;
        it->Enabled = s.Enabled;
    }
}

void TCheckListBoxStrings::Move(int CurIndex, int NewIndex) {
    auto* box = static_cast<TRxCheckListBox*>(GetListBox());
    CarriedState s = carried(box, CurIndex);
    TRxListBoxStrings::Move(CurIndex, NewIndex);
    if (CurIndex == NewIndex) return;
    TCheckListBoxItem* it = box->needCheckItem(NewIndex);
    it->State = s.State;
    it->Enabled = s.Enabled;
}

// ---- TRxCheckListBox -----------------------------------------------------------------------

TRxCheckListBox::TRxCheckListBox(TComponent* AOwner)
    : TRxCustomListBox(AOwner), drawBitmap(std::make_unique<TBitmap>()),
      iniLink(std::make_unique<TIniLink>()) {
    items.reset(CreateItemList());
    autoScroll = true;
    TBitmap* strip = checkImages();
    checkWidth = strip->GetWidth() / 6;
    checkHeight = strip->GetHeight() / 3;
    drawBitmap->SetSize(checkWidth, checkHeight);
    iniLink->OnSaveSettings = [this](TObject*) {
        SaveStates(iniLink->GetStorageFile(),
                   iniLink->GetSectionPrefix() + DefaultSectionName(this));
    };
    iniLink->OnLoadSettings = [this](TObject*) {
        LoadStates(iniLink->GetStorageFile(),
                   iniLink->GetSectionPrefix() + DefaultSectionName(this));
    };
}

TRxCheckListBox::~TRxCheckListBox() {
    // the base class frees the window, but the check objects are this class's to free
    if (HandleAllocated())
        for (int i = 0; i < int(Perform(LB_GETCOUNT, 0, 0)); ++i)
            freeCheckItem(i);
    iniLink.reset();
}

TStrings* TRxCheckListBox::CreateItemList() {
    return new TCheckListBoxStrings(this);
}

TCheckListBoxItem* TRxCheckListBox::checkItem(int Index) {
    LPARAM raw = Perform(LB_GETITEMDATA, WPARAM(Index), 0);
    if (raw == LB_ERR) return nullptr;
    return reinterpret_cast<TCheckListBoxItem*>(raw);
}

TCheckListBoxItem* TRxCheckListBox::needCheckItem(int Index) {
    windowNeeded();
    LPARAM raw = Perform(LB_GETITEMDATA, WPARAM(Index), 0);
    if (raw == LB_ERR) indexError(Index);
    if (raw) return reinterpret_cast<TCheckListBoxItem*>(raw);
    auto* it = new TCheckListBoxItem;
    Perform(LB_SETITEMDATA, WPARAM(Index), LPARAM(it));
    return it;
}

void TRxCheckListBox::freeCheckItem(int Index) {
    LPARAM raw = Perform(LB_GETITEMDATA, WPARAM(Index), 0);
    if (raw == LB_ERR || raw == 0) return;
    delete reinterpret_cast<TCheckListBoxItem*>(raw);
    Perform(LB_SETITEMDATA, WPARAM(Index), 0);
}

LPARAM TRxCheckListBox::GetItemData(int Index) {
    LPARAM raw = Perform(LB_GETITEMDATA, WPARAM(Index), 0);
    if (raw == LB_ERR || raw == 0) return raw;
    return LPARAM(reinterpret_cast<TCheckListBoxItem*>(raw)->Data);
}

void TRxCheckListBox::SetItemData(int Index, LPARAM AData) {
    if (Index < 0 || Index >= items->Count()) return;
    TCheckListBoxItem* it = needCheckItem(Index);
    it->Data = reinterpret_cast<TObject*>(AData);
    // an item put back after the window was made anew takes its saved state
    if (!savedStates.empty()) {
        uint32_t v = savedStates.front();
        savedStates.erase(savedStates.begin());
        it->Enabled = (v & 0xFFFF) != 0;
        it->State = TCheckBoxState(std::min<uint32_t>(v >> 16, cbGrayed));
    }
}

void TRxCheckListBox::ResetContent() {
    for (int i = 0; i < items->Count(); ++i)
        freeCheckItem(i);
    TRxCustomListBox::ResetContent();
}

void TRxCheckListBox::DeleteString(int Index) {
    freeCheckItem(Index);
    TRxCustomListBox::DeleteString(Index);
}

void TRxCheckListBox::CreateParams(TCreateParams& Params) {
    TRxCustomListBox::CreateParams(Params);
    if (!(Params.Style & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE)))
        Params.Style |= LBS_OWNERDRAWFIXED;
}

void TRxCheckListBox::CreateWnd() {
    TRxCustomListBox::CreateWnd();
    savedStates.clear();
    fitItemHeight();
}

void TRxCheckListBox::DestroyWnd() {
    // states and enabled flags in item order (unless the list goes for good); the base keeps
    // the items with the caller's objects, then the check objects go
    std::vector<TCheckListBoxItem*> owned;
    if (wnd) {
        int n = int(Perform(LB_GETCOUNT, 0, 0));
        savedStates.clear();
        for (int i = 0; i < n; ++i) {
            TCheckListBoxItem* it = checkItem(i);
            if (!IsDestroying()) savedStates.push_back(packState(it));
            if (it) owned.push_back(it);
        }
    }
    TScopeGuard freeChecks([&] {
        for (TCheckListBoxItem* it : owned)
            delete it;
    });
    TRxCustomListBox::DestroyWnd();
    freeChecks.End();
}

void TRxCheckListBox::fitItemHeight() {
    if (!HandleAllocated()) return;
    if (!(style == lbStandard || (style == lbOwnerDrawFixed && !onDrawItem))) return;
    canvas->SetFont(font.get());
    int h = std::max(canvas->TextHeight(QStringLiteral("Wg")), checkHeight);
    if (style == lbOwnerDrawFixed) h = std::max(h, itemHeight);
    Perform(LB_SETITEMHEIGHT, 0, std::clamp(h, 1, 255));
}

int TRxCheckListBox::GetItemHeight() {
    if (HandleAllocated() && (style == lbStandard || (style == lbOwnerDrawFixed && !onDrawItem)))
        return int(Perform(LB_GETITEMHEIGHT, 0, 0));
    return itemHeight;
}

int TRxCheckListBox::GetItemWidth(int Index) {
    return TRxCustomListBox::GetItemWidth(Index) + checkWidth + 2;
}

TRect TRxCheckListBox::checkRect(const TRect& R) const {
    TRect r = R;
    if (UseRightToLeftAlignment())
        r.Left = r.Right - (checkWidth + 2);
    else
        r.Right = r.Left + checkWidth + 2;
    return r;
}

void TRxCheckListBox::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case CN_DRAWITEM: {
        // the base draws the text (and the focus mark) beside the check area
        auto* ds = reinterpret_cast<TDrawItemStruct*>(Message.LParam);
        if (UseRightToLeftAlignment())
            ds->rcItem.Right -= checkWidth + 2;
        else
            ds->rcItem.Left += checkWidth + 2;
        TRxCustomListBox::Dispatch(Message);
        return;
    }
    case CM_FONTCHANGED:
        TRxCustomListBox::Dispatch(Message);
        fitItemHeight();
        return;
    default:
        TRxCustomListBox::Dispatch(Message);
        return;
    }
}

void TRxCheckListBox::DrawItem(int Index, TRect Rect, TOwnerDrawState State) {
    // the check area lies beside the rectangle given
    TRect area = Rect;
    if (UseRightToLeftAlignment()) {
        area.Left = Rect.Right;
        area.Right = Rect.Right + checkWidth + 2;
    } else {
        area.Right = Rect.Left;
        area.Left = Rect.Left - (checkWidth + 2);
    }
    bool enabled = ItemIsEnabled(Index);
    TBrush* brush = canvas->GetBrush();
    TColor saved = brush->GetColor();
    brush->SetColor(color);
    canvas->FillRect(area);
    int image = int(checkKind) * 6 + int(GetState(Index)) + (enabled ? 0 : 3);
    CopyImageCell(checkImages(), drawBitmap.get(), 6, 3, image);
    int x = area.Left + (area.Width() - checkWidth) / 2;
    int y = area.Top + (area.Height() - checkHeight) / 2;
    canvas->BrushCopy(TRect{x, y, x + checkWidth, y + checkHeight}, drawBitmap.get(),
                      TRect{0, 0, checkWidth, checkHeight}, kStripTransparent);
    brush->SetColor(saved);
    if (!enabled)
        canvas->GetFont()->SetColor(State.Contains(odSelected) ? clInactiveCaptionText
                                                               : clGrayText);
    if (style == lbStandard && onDrawItem) {
        // a standard list draws its text itself, whatever the drawing event says
        TDrawItemEvent e = std::move(onDrawItem);
        onDrawItem = nullptr;
        TScopeGuard restore([&] { onDrawItem = std::move(e); });
        TRxCustomListBox::DrawItem(Index, Rect, State);
        restore.End();
        return;
    }
    TRxCustomListBox::DrawItem(Index, Rect, State);
}

void TRxCheckListBox::invalidateCheck(int Index) {
    if (!HandleAllocated()) return;
    TRect r;
    if (Perform(LB_GETITEMRECT, WPARAM(Index), LPARAM(&r)) == LB_ERR) return;
    TRect area = checkRect(r);
    InvalidateRect(GetHandle(), &area, !GetOpaque());
    UpdateWindow(GetHandle());
}

TCheckBoxState TRxCheckListBox::GetState(int Index) {
    windowNeeded();
    LPARAM raw = Perform(LB_GETITEMDATA, WPARAM(Index), 0);
    if (raw == LB_ERR) indexError(Index);
    TCheckBoxState s = raw ? reinterpret_cast<TCheckListBoxItem*>(raw)->State : cbUnchecked;
    if (checkKind == ckRadioButtons && s != cbChecked) return cbUnchecked;
    return s;
}

void TRxCheckListBox::SetState(int Index, TCheckBoxState Value) {
    if (GetState(Index) == Value && !forcing) return;
    if (checkKind == ckRadioButtons && Value == cbUnchecked && GetCheckedIndex() == Index) return;
    needCheckItem(Index)->State = Value;
    if (checkKind == ckRadioButtons && Value == cbChecked)
        for (int i = items->Count() - 1; i >= 0; --i) {
            if (i == Index || GetState(i) != cbChecked) continue;
            needCheckItem(i)->State = cbUnchecked;
            invalidateCheck(i);
        }
    invalidateCheck(Index);
    if (!GetComponentState().Contains(csReading) && OnStateChange) OnStateChange(this, Index);
}

bool TRxCheckListBox::ItemIsEnabled(int Index) {
    windowNeeded();
    LPARAM raw = Perform(LB_GETITEMDATA, WPARAM(Index), 0);
    if (raw == LB_ERR) indexError(Index);
    return raw == 0 || reinterpret_cast<TCheckListBoxItem*>(raw)->Enabled;
}

void TRxCheckListBox::SetItemEnabled(int Index, bool Value) {
    if (ItemIsEnabled(Index) == Value) return;
    needCheckItem(Index)->Enabled = Value;
    TRect r;
    if (Perform(LB_GETITEMRECT, WPARAM(Index), LPARAM(&r)) != LB_ERR)
        InvalidateRect(GetHandle(), &r, !GetOpaque());
}

int TRxCheckListBox::GetCheckedIndex() {
    if (checkKind != ckRadioButtons) return -1;
    for (int i = 0; i < items->Count(); ++i)
        if (GetState(i) == cbChecked) return i;
    return -1;
}

void TRxCheckListBox::SetCheckedIndex(int Value) {
    if (checkKind == ckRadioButtons && items->Count() > 0)
        SetState(std::clamp(Value, 0, items->Count() - 1), cbChecked);
}

void TRxCheckListBox::SetCheckKind(TCheckKind Value) {
    if (checkKind == Value) return;
    checkKind = Value;
    EnforceRadioRule();
    Invalidate();
}

void TRxCheckListBox::EnforceRadioRule() {
    if (checkKind != ckRadioButtons || items->Count() == 0) return;
    forcing = true;
    TScopeGuard reset([this] { forcing = false; });
    SetState(std::max(GetCheckedIndex(), 0), cbChecked);
    reset.End();
}

void TRxCheckListBox::Loaded() {
    TRxCustomListBox::Loaded();
    EnforceRadioRule();
}

void TRxCheckListBox::SetItems(TStrings* Value) {
    auto* source = dynamic_cast<TCheckListBoxStrings*>(Value);
    auto* from = source ? static_cast<TRxCheckListBox*>(source->GetListBox()) : nullptr;
    TUpdateBracket<TStrings> update(*items);
    TRxCustomListBox::SetItems(Value);
    if (from && from != this)
        for (int i = 0; i < std::min(items->Count(), from->GetItems()->Count()); ++i) {
            CarriedState s = carried(from, i);
            TCheckListBoxItem* it = needCheckItem(i);
            it->State = s.State;
            it->Enabled = s.Enabled;
        }
    update.End();
}

void TRxCheckListBox::fireClickCheck() {
    if (OnClickCheck) OnClickCheck(this);
}

void TRxCheckListBox::ToggleCheck(int Index) {
    if (Index < 0 || Index >= items->Count() || !ItemIsEnabled(Index)) return;
    switch (GetState(Index)) {
    case cbUnchecked:
        SetState(Index, GetAllowGrayed() ? cbGrayed : cbChecked);
        break;
    case cbChecked:
        SetState(Index, cbUnchecked);
        break;
    case cbGrayed:
        SetState(Index, cbChecked);
        break;
    }
    fireClickCheck();
}

void TRxCheckListBox::KeyPress(QChar& Key) {
    TRxCustomListBox::KeyPress(Key);
    switch (Key.unicode()) {
    case u' ':
        ToggleCheck(GetItemIndex());
        Key = QChar();
        break;
    case u'+':
    case u'-':
        // a radio list keeps its one checked item: nothing changes, nobody is told
        if (checkKind == ckRadioButtons) break;
        for (int i = 0; i < items->Count(); ++i)
            if (ItemIsEnabled(i)) SetState(i, Key == u'+' ? cbChecked : cbUnchecked);
        fireClickCheck();
        break;
    default:
        break;
    }
}

void TRxCheckListBox::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TRxCustomListBox::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft) return;
    int i = ItemAtPos(TPoint{X, Y}, true);
    if (i < 0) return;
    TRect r = ItemRect(i);
    bool inCheck = UseRightToLeftAlignment() ? X - (r.Right - (checkWidth + 2)) > 0 &&
                                                   X - (r.Right - (checkWidth + 2)) < checkWidth + 2
                                             : X - r.Left < checkWidth + 2;
    if (inCheck) ToggleCheck(i);
}

// ---- the storage of a form placement ---------------------------------------------------------

void TRxCheckListBox::SaveStates(TObject* Storage, const QString& Section) {
    if (GetName().isEmpty() || !Storage) return;
    StorageEraseSection(Storage, Section);
    int n = items->Count();
    StorageWriteInteger(Storage, Section, QStringLiteral("Count"), n);
    for (int i = 0; i < n; ++i)
        StorageWriteInteger(Storage, Section, QStringLiteral("Item%1").arg(i), int(GetState(i)));
}

void TRxCheckListBox::LoadStates(TObject* Storage, const QString& Section) {
    if (GetName().isEmpty() || !Storage) return;
    int n =
        std::min(StorageReadInteger(Storage, Section, QStringLiteral("Count"), 0), items->Count());
    for (int i = 0; i < n; ++i) {
        int v = StorageReadInteger(Storage, Section, QStringLiteral("Item%1").arg(i), 0);
        // a value no state has (a damaged or edited file) reads as unchecked
        TCheckBoxState state = v == cbChecked || v == cbGrayed ? TCheckBoxState(v) : cbUnchecked;
        if (checkKind == ckRadioButtons) {
            // the first item stored as checked is the one; an item that merely stays checked
            // (unchecking a radio list's item is refused) does not end the search
            if (state != cbChecked) continue;
            SetState(i, cbChecked);
            break;
        }
        SetState(i, state);
    }
}

// ---- the stored form -------------------------------------------------------------------------

namespace {
constexpr int kStringsVersion = 202;
}

void TRxCheckListBox::DefineProperties(TFiler* Filer) {
    Filer->DefineProperty(
        QStringLiteral("InternalVersion"), [this](TReader* R) { readVersion(R); },
        [](TWriter* W) { W->WriteInteger(kStringsVersion); }, Filer->GetAncestor() == nullptr);
    auto* ancestor = dynamic_cast<TRxCheckListBox*>(Filer->GetAncestor());
    bool hasData =
        items->Count() > 0 &&
        (!ancestor || ancestor->GetItems()->Count() != items->Count() || differsFrom(ancestor));
    Filer->DefineProperty(
        QStringLiteral("Strings"), [this](TReader* R) { readStrings(R); },
        [this](TWriter* W) { writeStrings(W); }, hasData);
}

bool TRxCheckListBox::differsFrom(TRxCheckListBox* Ancestor) {
    for (int i = 0; i < items->Count(); ++i)
        if (AnsiCompareText(items->Get(i), Ancestor->GetItems()->Get(i)) != 0 ||
            GetState(i) != Ancestor->GetState(i) || ItemIsEnabled(i) != Ancestor->ItemIsEnabled(i))
            return true;
    return false;
}

void TRxCheckListBox::readVersion(TReader* Reader) {
    storedVersion = Reader->ReadInteger();
}

void TRxCheckListBox::readStrings(TReader* Reader) {
    TUpdateBracket<TStrings> update(*items);
    items->Clear();
    Reader->ReadListBegin();
    while (!Reader->EndOfList()) {
        QString text = Reader->ReadString();
        TCheckBoxState state;
        bool enabled;
        if (storedVersion >= kStringsVersion) {
            int v = Reader->ReadInteger();
            state = v == cbChecked || v == cbGrayed ? TCheckBoxState(v) : cbUnchecked;
            enabled = Reader->ReadBoolean();
        } else {
            state = Reader->ReadBoolean() ? cbChecked : cbUnchecked;
            enabled = Reader->ReadBoolean();
            if (storedVersion > 0) {
                int v = Reader->ReadInteger();
                state = v == cbChecked || v == cbGrayed ? TCheckBoxState(v) : cbUnchecked;
            }
        }
        int i = items->Add(text);
        TCheckListBoxItem* it = needCheckItem(i);
        it->State = state;
        it->Enabled = enabled;
    }
    Reader->ReadListEnd();
    update.End();
    EnforceRadioRule();
}

void TRxCheckListBox::writeStrings(TWriter* Writer) {
    Writer->WriteListBegin();
    for (int i = 0; i < items->Count(); ++i) {
        Writer->WriteString(items->Get(i));
        Writer->WriteInteger(int(GetState(i)));
        Writer->WriteBoolean(ItemIsEnabled(i));
    }
    Writer->WriteListEnd();
}
