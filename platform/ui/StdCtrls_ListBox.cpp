// TCustomListBox: the self-drawn list box, its items, selection, scrolling and keyboard.
#include "StdCtrls.h"

#include "StdCtrlsInternal.h"
#include "UiInternal.h"

#include <QFontMetrics>
#include <algorithm>

using namespace stdctrls;

// ---- TCustomListBox ---------------------------------------------------------------------------

namespace {
// Items of a list box: the strings live in the box, so sorting, data and selection stay
// with their item.
class TListBoxStrings : public TStringList {
public:
    explicit TListBoxStrings(TCustomListBox* B) : box(B) {}
    int Add(const QString& S) override {
        return int(box->Perform(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(&S)));
    }
    void Insert(int Index, const QString& S) override {
        if (box->Perform(LB_INSERTSTRING, WPARAM(Index), reinterpret_cast<LPARAM>(&S)) < 0)
            Error(QStringLiteral("List index out of bounds (%d)"), Index);
    }
    void Delete(int Index) override {
        if (box->Perform(LB_DELETESTRING, WPARAM(Index), 0) < 0)
            Error(QStringLiteral("List index out of bounds (%d)"), Index);
    }
    void Clear() override { box->Perform(LB_RESETCONTENT, 0, 0); }
    TObject* GetObject(int Index) const override {
        return reinterpret_cast<TObject*>(box->Perform(LB_GETITEMDATA, WPARAM(Index), 0));
    }
    void PutObject(int Index, TObject* O) override {
        box->Perform(LB_SETITEMDATA, WPARAM(Index), reinterpret_cast<LPARAM>(O));
    }
    // raw access for the box
    void rawInsert(int Index, const QString& S) { TStringList::InsertObject(Index, S, nullptr); }
    void rawDelete(int Index) { TStringList::Delete(Index); }
    void rawClear() { TStringList::Clear(); }
    TCustomListBox* box;
};
TListBoxStrings* boxStrings(TStringList* L) {
    return static_cast<TListBoxStrings*>(L);
}
} // namespace

TCustomListBox::TCustomListBox(TComponent* AOwner) : TCustomControl(AOwner) {
    items = std::make_unique<TListBoxStrings>(this);
    items->OnChange = [this](TObject* S) { itemsChanged(S); };
    controlStyle.Exclude(csClickEvents);
    controlStyle.Include(csDoubleClicks);
    SetBounds(0, 0, 121, 97);
    SetTabStop(true);
    SetParentColor(false);
    color = clWindow;
}

TCustomListBox::~TCustomListBox() {
    items->OnChange = nullptr;
}

void TCustomListBox::Invalidate() {
    if (HandleAllocated() && !settingBar && columns == 0) {
        settingBar = true;
        TScrollInfo si;
        si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
        si.nMin = 0;
        si.nMax = std::max(0, items->Count() - 1);
        si.nPage = UINT(visibleCount());
        si.nPos = topIndex;
        SetScrollInfo(GetHandle(), SB_VERT, si, true);
        settingBar = false;
    }
    TCustomControl::Invalidate();
}

void TCustomListBox::CreateWnd() {
    TCustomControl::CreateWnd();
    Invalidate();
}

void TCustomListBox::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    if (integralHeight && style != lbOwnerDrawVariable && !IsLoading()) {
        const int frame = 4; // the sunken edge on both sides
        int ih = std::max(1, GetItemHeight());
        AHeight = frame + std::max(1, (AHeight - frame) / ih) * ih;
    }
    TCustomControl::SetBounds(ALeft, ATop, AWidth, AHeight);
}

void TCustomListBox::CreateParams(TCreateParams& Params) {
    TCustomControl::CreateParams(Params);
    Params.ExStyle |= WS_EX_CLIENTEDGE;
}

// A control inside a disabled parent takes no input either.
bool TCustomListBox::takesInput() {
    return enabled && (!HandleAllocated() || GetHandle()->isEnabled());
}

void TCustomListBox::itemsChanged(TObject*) {
    if (syncing) return;
    // Put and Exchange go through the string list directly: keep the entries in step
    entries.resize(size_t(items->Count()));
    if (itemIndex >= items->Count()) itemIndex = -1;
    Invalidate();
}

int TCustomListBox::GetItemHeight() {
    if (itemHeight > 0) return itemHeight;
    QFontMetrics fm(font->ToQFont());
    return fm.height();
}

void TCustomListBox::SetItemHeight(int Value) {
    if (Value > 0 && Value <= 255) itemHeight = Value;
    Invalidate();
}

int TCustomListBox::itemHeightOf(int Index) {
    if (style == lbOwnerDrawVariable && Index >= 0 && Index < int(entries.size()) &&
        entries[size_t(Index)].Height > 0)
        return entries[size_t(Index)].Height;
    return GetItemHeight();
}

int TCustomListBox::rowsPerColumn() {
    return std::max(1, GetClientRect().Bottom / std::max(1, GetItemHeight()));
}

int TCustomListBox::visibleCount() {
    if (columns > 0) return rowsPerColumn() * std::max(1, columns);
    // The rows wholly visible: a row cut by the bottom edge does not count, so a row made
    // visible is seen whole.
    int h = GetClientRect().Bottom, n = 0;
    for (int i = topIndex; i < items->Count(); ++i, ++n) {
        h -= itemHeightOf(i);
        if (h < 0) break;
    }
    return std::max(1, n);
}

TRect TCustomListBox::ItemRect(int Index) {
    TRect c = GetClientRect();
    if (columns > 0) {
        int rows = rowsPerColumn();
        int h = GetItemHeight();
        int rel = Index - topIndex;
        int col = rel >= 0 ? rel / rows : -((-rel + rows - 1) / rows);
        int row = rel - col * rows;
        return TRect{col * columnWidth, row * h, (col + 1) * columnWidth, (row + 1) * h};
    }
    int y = 0;
    if (Index >= topIndex)
        for (int i = topIndex; i < Index; ++i)
            y += itemHeightOf(i);
    else
        for (int i = Index; i < topIndex; ++i)
            y -= itemHeightOf(i);
    return TRect{0, y, std::max(c.Right, horizontalExtent), y + itemHeightOf(Index)};
}

int TCustomListBox::ItemAtPos(const TPoint& Pos, bool Existing) {
    int n = items->Count();
    if (columns > 0) {
        int rows = rowsPerColumn();
        int h = GetItemHeight();
        if (Pos.X < 0 || Pos.Y < 0 || columnWidth <= 0)
            return Existing ? -1 : std::min(topIndex, n - 1);
        int i = topIndex + (Pos.X / columnWidth) * rows + std::min(rows - 1, Pos.Y / h);
        if (i < n) return i;
        return Existing ? -1 : n - 1;
    }
    int y = 0;
    for (int i = topIndex; i < n; ++i) {
        int h = itemHeightOf(i);
        if (Pos.Y >= y && Pos.Y < y + h) return i;
        y += h;
    }
    return Existing ? -1 : n - 1;
}

int TCustomListBox::addString(const QString& S, bool Insert, int At) {
    int n = items->Count();
    int i = At;
    if (!Insert) {
        i = n;
        if (sorted) {
            i = 0;
            while (i < n && AnsiCompareText(items->Get(i), S) <= 0)
                ++i;
        }
    } else if (i == -1) {
        i = n;
    }
    if (i < 0 || i > n) return int(LB_ERR);
    ++syncing;
    entries.insert(entries.begin() + i, Entry{});
    boxStrings(items.get())->rawInsert(i, S);
    --syncing;
    if (itemIndex >= i) ++itemIndex;
    if (style == lbOwnerDrawVariable) {
        int h = GetItemHeight();
        MeasureItem(i, h);
        entries[size_t(i)].Height = h;
    }
    Invalidate();
    return i;
}

void TCustomListBox::Clear() {
    items->Clear();
}

int TCustomListBox::GetItemIndex() {
    return itemIndex;
}

void TCustomListBox::SetItemIndex(int Value) {
    if (Value < -1 || Value >= items->Count()) return;
    if (!multiSelect) {
        Perform(LB_SETCURSEL, WPARAM(Value), 0);
        return;
    }
    itemIndex = Value;
    if (Value >= 0) {
        entries[size_t(Value)].Selected = true;
        makeVisible(Value);
    }
    Invalidate();
}

bool TCustomListBox::GetSelected(int Index) {
    LRESULT r = Perform(LB_GETSEL, WPARAM(Index), 0);
    if (r < 0) throw EListError(Format("List index out of bounds (%d)", {Index}));
    return r > 0;
}

void TCustomListBox::SetSelected(int Index, bool Value) {
    if (multiSelect) {
        if (Perform(LB_SETSEL, Value ? 1 : 0, Index) < 0)
            throw EListError(Format("List index out of bounds (%d)", {Index}));
    } else if (Value) {
        SetItemIndex(Index);
    } else if (itemIndex == Index) {
        SetItemIndex(-1);
    }
}

int TCustomListBox::GetSelCount() {
    return int(Perform(LB_GETSELCOUNT, 0, 0));
}

void TCustomListBox::SetSorted(bool Value) {
    if (sorted == Value) return;
    sorted = Value;
    if (!sorted) return;
    // sort the items with their data
    std::vector<std::pair<QString, Entry>> all;
    for (int i = 0; i < items->Count(); ++i)
        all.emplace_back(items->Get(i), entries[size_t(i)]);
    std::stable_sort(all.begin(), all.end(), [](const auto& a, const auto& b) {
        return AnsiCompareText(a.first, b.first) < 0;
    });
    ++syncing;
    boxStrings(items.get())->rawClear();
    entries.clear();
    for (auto& [s, e] : all) {
        boxStrings(items.get())->rawInsert(items->Count(), s);
        entries.push_back(e);
    }
    --syncing;
    itemIndex = -1;
    Invalidate();
}

void TCustomListBox::SetStyle(TListBoxStyle Value) {
    style = Value;
    Invalidate();
}

void TCustomListBox::SetTopIndex(int Value) {
    int n = items->Count();
    Value = std::clamp(Value, 0, std::max(0, n - 1));
    if (columns > 0) Value -= Value % rowsPerColumn();
    if (Value != topIndex) {
        topIndex = Value;
        Invalidate();
    }
}

void TCustomListBox::SetColumns(int Value) {
    columns = std::max(0, Value);
    if (columns > 0) columnWidth = std::max(1, GetClientRect().Right / columns);
    Invalidate();
}

void TCustomListBox::SetIntegralHeight(bool Value) {
    integralHeight = Value;
    SetBounds(left, top, width, height);
}

void TCustomListBox::SetTabWidth(int Value) {
    tabStops.clear();
    if (Value > 0) tabStops.push_back(Value * QFontMetrics(font->ToQFont()).averageCharWidth() / 4);
    Invalidate();
}

void TCustomListBox::makeVisible(int Index) {
    if (Index < 0) return;
    if (Index < topIndex) {
        SetTopIndex(Index);
        return;
    }
    while (Index >= topIndex + visibleCount() && topIndex < Index)
        SetTopIndex(topIndex + (columns > 0 ? rowsPerColumn() : 1));
}

void TCustomListBox::selChange() {
    notify(this, LBN_SELCHANGE);
}

void TCustomListBox::select(int Index, TShiftState Shift) {
    if (Index < 0 || Index >= items->Count()) return;
    if (!multiSelect) {
        if (Index != itemIndex) {
            Perform(LB_SETCURSEL, WPARAM(Index), 0);
            selChange();
        }
        return;
    }
    if (extendedSelect && Shift.Contains(ssShift) && anchor >= 0) {
        if (!Shift.Contains(ssCtrl))
            for (Entry& e : entries)
                e.Selected = false;
        for (int i = std::min(anchor, Index); i <= std::max(anchor, Index); ++i)
            entries[size_t(i)].Selected = true;
    } else if (!extendedSelect || Shift.Contains(ssCtrl)) {
        entries[size_t(Index)].Selected = !entries[size_t(Index)].Selected;
        anchor = Index;
    } else {
        for (Entry& e : entries)
            e.Selected = false;
        entries[size_t(Index)].Selected = true;
        anchor = Index;
    }
    itemIndex = Index;
    makeVisible(Index);
    Invalidate();
    selChange();
}

void TCustomListBox::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (Button == mbLeft && takesInput()) {
        if (CanFocus() && !Focused()) SetFocus();
        int i = ItemAtPos(TPoint{X, Y}, true);
        if (Shift.Contains(ssDouble)) {
            if (i >= 0) notify(this, LBN_DBLCLK);
        } else {
            select(i, Shift);
        }
    }
    TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TCustomListBox::DblClick() {
    TCustomControl::DblClick();
}

void TCustomListBox::KeyDown(WORD& Key, TShiftState Shift) {
    TCustomControl::KeyDown(Key, Shift);
    int n = items->Count();
    if (n == 0 || Key == 0) return;
    int cur = itemIndex < 0 ? 0 : itemIndex;
    int page = std::max(1, visibleCount() - 1);
    int to = -1;
    switch (Key) {
    case VK_UP:
        to = std::max(0, cur - 1);
        break;
    case VK_DOWN:
        to = itemIndex < 0 ? 0 : std::min(n - 1, cur + 1);
        break;
    case VK_LEFT:
        to = columns > 0 ? std::max(0, cur - rowsPerColumn()) : std::max(0, cur - 1);
        break;
    case VK_RIGHT:
        to = columns > 0 ? std::min(n - 1, cur + rowsPerColumn()) : std::min(n - 1, cur + 1);
        break;
    case VK_HOME:
        to = 0;
        break;
    case VK_END:
        to = n - 1;
        break;
    case VK_PRIOR:
        to = std::max(0, cur - page);
        break;
    case VK_NEXT:
        to = std::min(n - 1, cur + page);
        break;
    case VK_SPACE:
        if (multiSelect && itemIndex >= 0) {
            entries[size_t(itemIndex)].Selected = !entries[size_t(itemIndex)].Selected;
            Invalidate();
            selChange();
        }
        return;
    default:
        return;
    }
    if (multiSelect && extendedSelect && !Shift.Contains(ssShift))
        Shift.Include(ssDouble); // plain move in extended mode: select only the new item
    TShiftState s = Shift;
    s.Exclude(ssDouble);
    select(to, s);
}

void TCustomListBox::KeyPress(QChar& Key) {
    TCustomControl::KeyPress(Key);
    if (Key.isNull() || Key.unicode() < 32) return;
    // the next item starting with the character, after the current one, wrapping
    int n = items->Count();
    QString k = AnsiUpperCase(QString(Key));
    for (int step = 1; step <= n; ++step) {
        int i = ((itemIndex < 0 ? -1 : itemIndex) + step + n) % n;
        if (AnsiUpperCase(items->Get(i)).startsWith(k)) {
            select(i, TShiftState());
            break;
        }
    }
}

void TCustomListBox::MeasureItem(int Index, int& Height) {
    if (OnMeasureItem) OnMeasureItem(this, Index, Height);
}

void TCustomListBox::DrawItem(int Index, TRect Rect, TOwnerDrawState State) {
    if (OnDrawItem && style != lbStandard) {
        OnDrawItem(this, Index, Rect, State);
        return;
    }
    TCanvas* c = GetCanvas();
    c->FillRect(Rect);
    QString s = items->Get(Index);
    if (!tabStops.empty() || s.contains(u'\t'))
        c->TabbedTextOut(Rect.Left + 2, Rect.Top, s, tabStops, Rect.Left + 2);
    else
        c->TextOut(Rect.Left + 2, Rect.Top, s);
}

void TCustomListBox::Paint() {
    TCanvas* c = GetCanvas();
    c->SetFont(font.get());
    c->GetBrush()->SetColor(color);
    TRect client = GetClientRect();
    c->FillRect(client);
    int n = items->Count();
    for (int i = topIndex; i < n; ++i) {
        TRect r = ItemRect(i);
        if (r.Top >= client.Bottom || r.Left >= client.Right) break;
        TOwnerDrawState st;
        bool sel = multiSelect ? entries[size_t(i)].Selected : i == itemIndex;
        if (sel) st.Include(odSelected);
        if (!enabled) st.Include(odDisabled);
        if (i == itemIndex && Focused()) st.Include(odFocused);
        c->GetBrush()->SetColor(sel ? clHighlight : color);
        c->GetFont()->SetColor(sel ? clHighlightText : font->GetColor());
        DrawItem(i, r, st);
        if (st.Contains(odFocused)) c->DrawFocusRect(r);
    }
    // Focused with nothing chosen: the focus mark stands on the first row (or where it would be).
    if (itemIndex < 0 && Focused() && topIndex == 0) {
        TRect r = n > 0 ? ItemRect(0) : TRect{0, 0, client.Right, GetItemHeight()};
        c->DrawFocusRect(r);
    }
}

void TCustomListBox::Dispatch(TMessage& Message) {
    int n = items->Count();
    auto valid = [n](WPARAM i) { return intptr_t(i) >= 0 && intptr_t(i) < n; };
    switch (Message.Msg) {
    case CN_COMMAND:
        if (Message.WParamHi() == LBN_SELCHANGE)
            Click();
        else if (Message.WParamHi() == LBN_DBLCLK)
            DblClick();
        return;
    case WM_GETDLGCODE:
        Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
        return;
    case WM_VSCROLL: {
        TWMScroll m(Message);
        int page = std::max(1, visibleCount() - 1);
        switch (m.ScrollCode()) {
        case SB_LINEUP:
            SetTopIndex(topIndex - 1);
            break;
        case SB_LINEDOWN:
            SetTopIndex(topIndex + 1);
            break;
        case SB_PAGEUP:
            SetTopIndex(topIndex - page);
            break;
        case SB_PAGEDOWN:
            SetTopIndex(topIndex + page);
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION:
            SetTopIndex(m.Pos());
            break;
        case SB_TOP:
            SetTopIndex(0);
            break;
        case SB_BOTTOM:
            SetTopIndex(n - 1);
            break;
        default:
            break;
        }
        return;
    }
    case WM_MOUSEWHEEL: {
        TWMMouseWheel m(Message);
        SetTopIndex(topIndex - m.WheelDelta() / WHEEL_DELTA * 3);
        Message.Result = 1;
        return;
    }
    case WM_SIZE:
        TCustomControl::Dispatch(Message);
        if (columns > 0) columnWidth = std::max(1, GetClientRect().Right / columns);
        return;
    case LB_ADDSTRING:
    case LB_INSERTSTRING:
        Message.Result = addString(*reinterpret_cast<const QString*>(Message.LParam),
                                   Message.Msg == LB_INSERTSTRING, int(intptr_t(Message.WParam)));
        return;
    case LB_DELETESTRING: {
        if (!valid(Message.WParam)) {
            Message.Result = LB_ERR;
            return;
        }
        int i = int(Message.WParam);
        ++syncing;
        entries.erase(entries.begin() + i);
        boxStrings(items.get())->rawDelete(i);
        --syncing;
        if (itemIndex == i)
            itemIndex = -1;
        else if (itemIndex > i)
            --itemIndex;
        if (topIndex >= items->Count()) topIndex = std::max(0, items->Count() - 1);
        Invalidate();
        Message.Result = items->Count();
        return;
    }
    case LB_RESETCONTENT:
        ++syncing;
        boxStrings(items.get())->rawClear();
        entries.clear();
        --syncing;
        itemIndex = -1;
        anchor = -1;
        topIndex = 0;
        Invalidate();
        return;
    case LB_GETCOUNT:
        Message.Result = n;
        return;
    case LB_GETTEXT:
        if (!valid(Message.WParam)) {
            Message.Result = LB_ERR;
            return;
        }
        *reinterpret_cast<QString*>(Message.LParam) = items->Get(int(Message.WParam));
        Message.Result = items->Get(int(Message.WParam)).size();
        return;
    case LB_GETTEXTLEN:
        Message.Result = valid(Message.WParam) ? items->Get(int(Message.WParam)).size() : LB_ERR;
        return;
    case LB_GETITEMDATA:
        Message.Result = valid(Message.WParam) ? entries[Message.WParam].Data : LB_ERR;
        return;
    case LB_SETITEMDATA:
        if (!valid(Message.WParam)) {
            Message.Result = LB_ERR;
            return;
        }
        entries[Message.WParam].Data = Message.LParam;
        return;
    case LB_GETCURSEL:
        Message.Result = itemIndex;
        return;
    case LB_SETCURSEL: {
        if (multiSelect) {
            Message.Result = LB_ERR;
            return;
        }
        int i = int(intptr_t(Message.WParam));
        itemIndex = (i >= 0 && i < n) ? i : -1;
        anchor = itemIndex;
        makeVisible(itemIndex);
        Invalidate();
        Message.Result = itemIndex < 0 ? LB_ERR : itemIndex;
        return;
    }
    case LB_GETSEL:
        if (!valid(Message.WParam)) {
            Message.Result = LB_ERR;
            return;
        }
        Message.Result = multiSelect ? entries[Message.WParam].Selected
                                     : int(intptr_t(Message.WParam)) == itemIndex;
        return;
    case LB_SETSEL: {
        if (!multiSelect) {
            Message.Result = LB_ERR;
            return;
        }
        int i = int(Message.LParam);
        if (i == -1) {
            for (Entry& e : entries)
                e.Selected = Message.WParam != 0;
        } else if (i >= 0 && i < n) {
            entries[size_t(i)].Selected = Message.WParam != 0;
        } else {
            Message.Result = LB_ERR;
            return;
        }
        Invalidate();
        return;
    }
    case LB_GETSELCOUNT: {
        if (!multiSelect) {
            Message.Result = LB_ERR;
            return;
        }
        Message.Result = std::count_if(entries.begin(), entries.end(),
                                       [](const Entry& e) { return e.Selected; });
        return;
    }
    case LB_GETITEMRECT:
        if (!valid(Message.WParam)) {
            Message.Result = LB_ERR;
            return;
        }
        *reinterpret_cast<TRect*>(Message.LParam) = ItemRect(int(Message.WParam));
        Message.Result = 1;
        return;
    case LB_ITEMFROMPOINT: {
        TPoint p = SmallPointToPoint(Message.LParam);
        int i = ItemAtPos(p, true);
        Message.Result = i >= 0 ? MAKELONG(i, 0) : MAKELONG(std::max(0, n - 1), 1);
        return;
    }
    case LB_GETTOPINDEX:
        Message.Result = topIndex;
        return;
    case LB_SETTOPINDEX:
        if (!valid(Message.WParam) && !(n == 0 && Message.WParam == 0)) {
            Message.Result = LB_ERR;
            return;
        }
        SetTopIndex(int(Message.WParam));
        return;
    case LB_SELECTSTRING:
    case LB_FINDSTRING: {
        // the first item after WParam (-1: from the start) beginning with the text, wrapping;
        // case-insensitive, Cyrillic included
        QString k = AnsiUpperCase(*reinterpret_cast<const QString*>(Message.LParam));
        int start = int(intptr_t(Message.WParam));
        if (start < -1 || start >= n) start = -1;
        Message.Result = LB_ERR;
        for (int step = 1; step <= n; ++step) {
            int i = (start + step) % n;
            if (AnsiUpperCase(items->Get(i)).startsWith(k)) {
                Message.Result = i;
                if (Message.Msg == LB_SELECTSTRING) {
                    if (multiSelect) {
                        entries[size_t(i)].Selected = true;
                        itemIndex = i;
                        makeVisible(i);
                        Invalidate();
                    } else {
                        Perform(LB_SETCURSEL, WPARAM(i), 0);
                    }
                }
                break;
            }
        }
        return;
    }
    case LB_SETCOLUMNWIDTH:
        columnWidth = std::max(1, int(Message.WParam));
        Invalidate();
        return;
    case LB_SETTABSTOPS: {
        tabStops.clear();
        int avg = QFontMetrics(font->ToQFont()).averageCharWidth();
        const int* stops = reinterpret_cast<const int*>(Message.LParam);
        if (Message.WParam == 0) tabStops.push_back(2 * avg * 8 / 4 * 2 / 2);
        for (WPARAM i = 0; stops && i < Message.WParam; ++i)
            tabStops.push_back(stops[i] * avg / 4);
        Message.Result = 1;
        Invalidate();
        return;
    }
    case LB_SETHORIZONTALEXTENT:
        horizontalExtent = int(Message.WParam);
        return;
    case LB_SETITEMHEIGHT: {
        int h = int(Message.LParam & 0xFFFF);
        if (h <= 0 || h > 255) {
            Message.Result = LB_ERR;
            return;
        }
        if (style == lbOwnerDrawVariable && valid(Message.WParam))
            entries[Message.WParam].Height = h;
        else
            itemHeight = h;
        Invalidate();
        return;
    }
    case LB_GETITEMHEIGHT:
        Message.Result = style == lbOwnerDrawVariable && valid(Message.WParam)
                             ? itemHeightOf(int(Message.WParam))
                             : GetItemHeight();
        return;
    default:
        TCustomControl::Dispatch(Message);
    }
}
