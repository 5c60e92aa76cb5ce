// The list boxes: the list-box window class (items, selection, scrolling, painting), the list
// box over it with its horizontal range and owner drawing, and the text list box.
#include "RXCtrls.h"

#include "Forms.h"
#include "ScopeGuard.h"

#include <QFontMetrics>
#include <algorithm>
#include <cmath>

namespace {

const char* const kIndexError = "List index out of bounds (%d)";

[[noreturn]] void indexError(int Index) {
    throw EStringListError(Format(QString::fromLatin1(kIndexError), {Index}));
}

bool inRect(const TRect& R, const TPoint& P) {
    return P.X >= R.Left && P.X < R.Right && P.Y >= R.Top && P.Y < R.Bottom;
}

// Draws through the painter, origin and clip of a paint canvas.
void shareCanvas(TCanvas* Canvas, TCanvas* DC) {
    Canvas->SetHandle(DC->GetHandle());
    QRegion rg;
    if (DC->GetClipRgn(rg)) Canvas->SelectClipRgn(&rg);
}

// The width of Text + "x" as an item of a list with TabWidth (in quarters of the width of
// "0") drawn in Font: what the horizontal range of the list boxes follows.
int measureItemText(TFont* Font, const QString& Text, int TabWidth) {
    TBitmap b;
    b.SetSize(1, 1);
    TCanvas* c = b.GetCanvas();
    c->SetFont(Font);
    QString s = Text + u'x';
    if (TabWidth >= 1) {
        int stop = int(std::lround(c->TextWidth(QStringLiteral("0")) * TabWidth * 0.25));
        return c->GetTabbedTextExtent(s, {stop}).cx & 0xFFFF;
    }
    return c->TextWidth(s);
}

// The text of an item as a list box shows it: 2 pixels in (from the right with right-to-left
// alignment), centred in the item's height, tabs at TabStops.
void drawItemText(TCanvas* C, const TRect& R, const QString& S, const std::vector<int>& TabStops,
                  bool RightToLeft) {
    int th = C->TextHeight(QStringLiteral("Wy"));
    int y = std::max(R.Top, (R.Top + R.Bottom - th) / 2);
    int x = R.Left + 2;
    if (RightToLeft) {
        int w = TabStops.empty() ? C->TextWidth(S) : C->GetTabbedTextExtent(S, TabStops).cx;
        x = R.Right - 2 - w;
    }
    if (!TabStops.empty())
        C->TabbedTextOut(x, y, S, TabStops, x);
    else
        C->TextOut(x, y, S);
}

} // namespace

bool DragAtOnce(TListBoxAccess* List, TShiftState Shift, const TPoint& Pos) {
    if (!List->GetListMultiSelect()) return false;
    bool plain = !Shift.Contains(ssShift) || Shift.Contains(ssCtrl);
    int i = List->ItemAtPos(Pos, true);
    return plain && i >= 0 && List->GetSelected(i);
}

bool DragAfterPress(TListBoxAccess* List, TShiftState Shift) {
    return !(List->GetListMultiSelect() && (Shift.Contains(ssShift) || Shift.Contains(ssCtrl)));
}

bool ListTakesPress(TControl* List, TMessage& Message) {
    bool press = Message.Msg == WM_LBUTTONDOWN || Message.Msg == WM_LBUTTONDBLCLK;
    if (!press || List->IsDesigning() || List->GetDragMode() != dmAutomatic || List->Dragging())
        return false;
    TControlState state = List->GetControlState();
    state.Include(csLButtonDown);
    List->SetControlState(state);
    List->Dispatch(Message);
    return true;
}

void PressWithAutoDrag(TListBoxAccess* List, TShiftState Shift, const TPoint& Pos, bool Cancelling,
                       const std::function<void()>& Press) {
    TWinControl* c = List->GetListControl();
    bool automatic = c->GetDragMode() == dmAutomatic && !Cancelling;
    if (automatic && DragAtOnce(List, Shift, Pos)) {
        c->BeginDrag(false);
        return;
    }
    Press();
    if (automatic && DragAfterPress(List, Shift)) c->BeginDrag(false);
}

void EndListDrag(TListBoxAccess* List, bool& Cancelling) {
    TWinControl* c = List->GetListControl();
    if (!c->HandleAllocated() || Cancelling) return;
    // the list's own press and release at the cursor end its tracking (and a plain click on
    // a selected item of a multi-selection list selects only that item)
    TPoint p = c->ScreenToClient(Mouse->GetCursorPos());
    Cancelling = true;
    TScopeGuard reset([&] { Cancelling = false; });
    c->Perform(WM_LBUTTONDOWN, MK_LBUTTON, PointToLParam(p));
    c->Perform(WM_LBUTTONUP, 0, PointToLParam(p));
    reset.End();
}

TOwnerDrawState OwnerDrawStateOf(UINT ItemState) {
    TOwnerDrawState s;
    if (ItemState & ODS_SELECTED) s.Include(odSelected);
    if (ItemState & ODS_GRAYED) s.Include(odGrayed);
    if (ItemState & ODS_DISABLED) s.Include(odDisabled);
    if (ItemState & ODS_CHECKED) s.Include(odChecked);
    if (ItemState & ODS_FOCUS) s.Include(odFocused);
    if (ItemState & ODS_DEFAULT) s.Include(odDefault);
    if (ItemState & ODS_COMBOBOXEDIT) s.Include(odComboBoxEdit);
    return s;
}

TListBoxAccess* ListBoxAccess(TControl* Control) {
    return dynamic_cast<TListBoxAccess*>(Control);
}

// ---- the list-box window class ----------------------------------------------------------------

// The state and behaviour of one list-box window; it tells its control about selection
// changes (CN_COMMAND with LBN_*) and asks it to draw and measure owner-drawn items
// (CN_DRAWITEM, CN_MEASUREITEM).
struct TRxCustomListBox::Window {
    struct Item {
        QString Text;
        LPARAM Data = 0;
        bool Selected = false;
        int Height = 0;
    };
    explicit Window(TRxCustomListBox* B, DWORD S) : box(B), style(S) {}
    TRxCustomListBox* box;
    DWORD style;
    std::vector<Item> items;
    int cursel = -1; // the selected item of a single-selection list
    int caret = -1;  // the item with the focus rectangle
    int anchor = -1; // where a range selection starts
    int top = 0;
    int fixedHeight = 16;
    int extent = 0; // horizontal range in pixels
    int hpos = 0;
    int columnWidth = 0;
    std::vector<int> tabStops;
    bool redraw = true;
    bool tracking = false;
    bool settingBars = false;

    int count() const { return int(items.size()); }
    bool valid(int I) const { return I >= 0 && I < count(); }
    bool multi() const { return style & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL); }
    bool extended() const { return style & LBS_EXTENDEDSEL; }
    bool ownerDraw() const { return style & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE); }
    bool variable() const { return style & LBS_OWNERDRAWVARIABLE; }
    bool columns() const { return style & LBS_MULTICOLUMN; }
    bool selected(int I) const { return multi() ? items[size_t(I)].Selected : I == cursel; }

    int standardHeight() const { return QFontMetrics(box->font->ToQFont()).height(); }
    int heightOf(int I) const {
        if (variable() && valid(I) && items[size_t(I)].Height > 0) return items[size_t(I)].Height;
        return ownerDraw() ? fixedHeight : standardHeight();
    }
    TRect client() const { return box->GetClientRect(); }
    int rows() const { return std::max(1, client().Bottom / std::max(1, heightOf(0))); }
    int colWidth() const { return std::max(1, columnWidth > 0 ? columnWidth : client().Right); }

    TRect rect(int I) const {
        if (columns()) {
            int rel = I - top, r = rows();
            int col = rel >= 0 ? rel / r : -((r - 1 - rel) / r);
            int row = rel - col * r;
            int w = colWidth(), h = heightOf(0);
            return TRect{col * w, row * h, (col + 1) * w, (row + 1) * h};
        }
        int y = 0;
        if (I >= top)
            for (int i = top; i < I; ++i)
                y += heightOf(i);
        else
            for (int i = I; i < top; ++i)
                y -= heightOf(i);
        int w = std::max(client().Right, extent);
        return TRect{-hpos, y, w - hpos, y + heightOf(I)};
    }
    // Items wholly shown from First on (at least 1).
    int pageFrom(int First) const {
        if (columns()) return rows() * std::max(1, client().Right / colWidth());
        int h = client().Bottom, n = 0;
        for (int i = First; i < count(); ++i) {
            h -= heightOf(i);
            if (h < 0) break;
            ++n;
        }
        return std::max(1, n);
    }
    // The greatest top index that still fills the window.
    int maxTop() const {
        if (columns()) {
            int r = rows();
            int perPage = pageFrom(0);
            int last = std::max(0, count() - perPage);
            return (last + r - 1) / r * r;
        }
        int h = client().Bottom, i = count();
        while (i > 0 && h - heightOf(i - 1) >= 0) {
            h -= heightOf(i - 1);
            --i;
        }
        return std::min(std::max(0, count() - 1), i);
    }
    int itemAt(const TPoint& P) const {
        for (int i = columns() ? 0 : top; i < count(); ++i)
            if (inRect(rect(i), P)) return i;
        return -1;
    }

    void invalidate() {
        if (redraw && box->HandleAllocated()) InvalidateRect(box->GetHandle(), nullptr, true);
    }
    void notify(WORD Code) {
        if (style & LBS_NOTIFY) box->Perform(CN_COMMAND, MAKEWPARAM(0, Code), 0);
    }
    void updateBars() {
        if (!redraw || settingBars || !box->HandleAllocated()) return;
        settingBars = true;
        HWND h = box->GetHandle();
        TScrollInfo v, hz;
        v.fMask = hz.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
        if (columns()) {
            int r = rows();
            int cols = (count() + r - 1) / r;
            hz.nMax = std::max(0, cols - 1);
            hz.nPage = UINT(std::max(1, client().Right / colWidth()));
            hz.nPos = top / r;
        } else {
            v.nMax = std::max(0, count() - 1);
            v.nPage = UINT(pageFrom(top));
            v.nPos = top;
            hz.nMax = std::max(0, extent - 1);
            hz.nPage = UINT(std::max(1, client().Right));
            hz.nPos = hpos;
        }
        SetScrollInfo(h, SB_VERT, v, true);
        SetScrollInfo(h, SB_HORZ, hz, true);
        settingBars = false;
    }
    void changed() {
        updateBars();
        invalidate();
    }
    void setTop(int Value) {
        Value = std::clamp(Value, 0, maxTop());
        if (columns()) Value -= Value % rows();
        if (Value == top) return;
        top = Value;
        changed();
    }
    void setHPos(int Value) {
        Value = std::clamp(Value, 0, std::max(0, extent - client().Right));
        if (Value == hpos) return;
        hpos = Value;
        changed();
    }
    void ensureVisible(int I) {
        if (!valid(I)) return;
        if (I < top) {
            setTop(columns() ? I - I % rows() : I);
            return;
        }
        if (columns()) {
            int perPage = pageFrom(top);
            if (I >= top + perPage) setTop(I - perPage + rows());
            return;
        }
        while (I >= top + pageFrom(top) && top < I) {
            int was = top;
            setTop(top + 1);
            if (top == was) break;
        }
    }

    // ---- contents ----
    int insert(const QString& S, int At, bool Add) {
        int n = count();
        int i = At;
        if (Add) {
            i = n;
            if (style & LBS_SORT) {
                i = 0;
                while (i < n && AnsiCompareText(items[size_t(i)].Text, S) <= 0)
                    ++i;
            }
        } else if (i == -1) {
            i = n;
        }
        if (i < 0 || i > n) return int(LB_ERR);
        items.insert(items.begin() + i, Item{S});
        for (int* p : {&cursel, &caret, &anchor})
            if (*p >= i) ++*p;
        if (variable()) {
            TMeasureItemStruct ms;
            ms.itemID = i;
            ms.itemHeight = UINT(fixedHeight);
            box->Perform(CN_MEASUREITEM, 0, LPARAM(&ms));
            items[size_t(i)].Height = std::max(1, int(ms.itemHeight));
        }
        changed();
        return i;
    }
    int remove(int I) {
        if (!valid(I)) return int(LB_ERR);
        items.erase(items.begin() + I);
        for (int* p : {&cursel, &caret, &anchor}) {
            if (*p == I)
                *p = -1;
            else if (*p > I)
                --*p;
        }
        top = std::min(top, maxTop());
        changed();
        return count();
    }
    void reset() {
        items.clear();
        cursel = caret = anchor = -1;
        top = 0;
        changed();
    }
    int find(const QString& S, int Start) const {
        int n = count();
        if (n == 0) return int(LB_ERR);
        if (Start < -1 || Start >= n) Start = -1;
        QString k = AnsiUpperCase(S);
        for (int step = 1; step <= n; ++step) {
            int i = (Start + step) % n;
            if (AnsiUpperCase(items[size_t(i)].Text).startsWith(k)) return i;
        }
        return int(LB_ERR);
    }

    // ---- selection ----
    void selectOnly(int I) {
        for (Item& it : items)
            it.Selected = false;
        if (valid(I)) items[size_t(I)].Selected = true;
    }
    void selectRange(int From, int To, bool Keep) {
        if (!Keep) selectOnly(-1);
        for (int i = std::min(From, To); i <= std::max(From, To); ++i)
            if (valid(i)) items[size_t(i)].Selected = true;
    }
    // Moves to I as a key or the mouse does, with the Shift and Ctrl state.
    void moveTo(int I, bool Shift, bool Ctrl) {
        if (!valid(I)) return;
        if (!multi()) {
            caret = anchor = I;
            ensureVisible(I);
            if (cursel != I) {
                cursel = I;
                invalidate();
                notify(LBN_SELCHANGE);
            }
            return;
        }
        caret = I;
        if (extended()) {
            if (Shift && anchor >= 0)
                selectRange(anchor, I, Ctrl);
            else if (!Ctrl) {
                selectOnly(I);
                anchor = I;
            }
        }
        ensureVisible(I);
        invalidate();
        notify(LBN_SELCHANGE);
    }
    void toggle(int I) {
        if (!valid(I)) return;
        items[size_t(I)].Selected = !items[size_t(I)].Selected;
        caret = anchor = I;
        invalidate();
        notify(LBN_SELCHANGE);
    }

    // ---- input ----
    void keyDown(WORD Key) {
        int n = count();
        if (n == 0) return;
        bool shift = GetKeyState(VK_SHIFT) < 0, ctrl = GetKeyState(VK_CONTROL) < 0;
        int cur = caret >= 0 ? caret : (cursel >= 0 ? cursel : -1);
        int page = std::max(1, pageFrom(top) - (columns() ? 0 : 1));
        int step = columns() ? rows() : 1;
        int to;
        switch (Key) {
        case VK_UP:
            to = cur - 1;
            break;
        case VK_DOWN:
            to = cur + 1;
            break;
        case VK_LEFT:
            to = cur - step;
            break;
        case VK_RIGHT:
            to = cur + step;
            break;
        case VK_HOME:
            to = 0;
            break;
        case VK_END:
            to = n - 1;
            break;
        case VK_PRIOR:
            to = cur - page;
            break;
        case VK_NEXT:
            to = cur + page;
            break;
        case VK_SPACE:
            if (multi() && (!extended() || ctrl) && cur >= 0) toggle(cur);
            return;
        default:
            return;
        }
        to = std::clamp(cur < 0 ? 0 : to, 0, n - 1);
        if (multi() && !extended()) {
            caret = to;
            ensureVisible(to);
            invalidate();
            return;
        }
        moveTo(to, shift, ctrl);
    }
    void charTyped(QChar Ch) {
        if (Ch.unicode() < 32) return;
        int i = find(QString(Ch), caret >= 0 ? caret : cursel);
        if (i >= 0) moveTo(i, false, false);
    }
    void press(const TPoint& P, WPARAM Keys, bool Double) {
        if (box->CanFocus() && !box->Focused()) box->SetFocus();
        int i = itemAt(P);
        if (i < 0) return;
        ::SetCapture(box->GetHandle());
        tracking = true;
        bool shift = Keys & MK_SHIFT, ctrl = Keys & MK_CONTROL;
        if (multi() && !extended())
            toggle(i);
        else if (extended() && ctrl && !shift)
            toggle(i);
        else
            moveTo(i, shift, ctrl);
        if (Double) notify(LBN_DBLCLK);
    }
    void drag(const TPoint& P) {
        if (!tracking || (multi() && !extended())) return;
        int i = itemAt(TPoint{std::clamp(P.X, 0, std::max(0, client().Right - 1)),
                              std::clamp(P.Y, 0, std::max(0, client().Bottom - 1))});
        if (i < 0 && P.Y >= client().Bottom) i = std::min(count() - 1, top + pageFrom(top));
        if (i < 0 && P.Y < 0) i = std::max(0, top - 1);
        if (i >= 0 && i != caret) moveTo(i, extended(), false);
    }
    void release() {
        if (!tracking) return;
        tracking = false;
        if (::GetCapture() == box->GetHandle()) ::ReleaseCapture();
    }
    void scroll(int Bar, int Code, int Pos) {
        if (Bar == SB_VERT || columns()) {
            int unit = columns() ? rows() : 1;
            int page = columns() ? pageFrom(top) : std::max(1, pageFrom(top) - 1);
            int base = columns() ? 0 : 0;
            switch (Code) {
            case SB_LINEUP:
                setTop(top - unit);
                break;
            case SB_LINEDOWN:
                setTop(top + unit);
                break;
            case SB_PAGEUP:
                setTop(top - page);
                break;
            case SB_PAGEDOWN:
                setTop(top + page);
                break;
            case SB_THUMBPOSITION:
            case SB_THUMBTRACK:
                setTop(base + Pos * unit);
                break;
            case SB_TOP:
                setTop(0);
                break;
            case SB_BOTTOM:
                setTop(count());
                break;
            default:
                break;
            }
            return;
        }
        int line = std::max(1, QFontMetrics(box->font->ToQFont()).averageCharWidth());
        switch (Code) {
        case SB_LINELEFT:
            setHPos(hpos - line);
            break;
        case SB_LINERIGHT:
            setHPos(hpos + line);
            break;
        case SB_PAGELEFT:
            setHPos(hpos - client().Right);
            break;
        case SB_PAGERIGHT:
            setHPos(hpos + client().Right);
            break;
        case SB_THUMBPOSITION:
        case SB_THUMBTRACK:
            setHPos(Pos);
            break;
        case SB_LEFT:
            setHPos(0);
            break;
        case SB_RIGHT:
            setHPos(extent);
            break;
        default:
            break;
        }
    }

    // ---- painting ----
    void drawItem(TCanvas* DC, int I, const TRect& R) {
        bool focused = box->Focused() && I == caret;
        if (ownerDraw() || !valid(I)) {
            TDrawItemStruct ds;
            ds.itemID = I;
            ds.itemAction = ODA_DRAWENTIRE;
            if (valid(I) && selected(I)) ds.itemState |= ODS_SELECTED;
            if (focused || (!valid(I) && box->Focused())) ds.itemState |= ODS_FOCUS;
            if (!box->GetEnabled()) ds.itemState |= ODS_DISABLED;
            ds.hwndItem = box->GetHandle();
            ds.hDC = DC;
            ds.rcItem = R;
            ds.itemData = valid(I) ? items[size_t(I)].Data : 0;
            box->Perform(CN_DRAWITEM, 0, LPARAM(&ds));
            return;
        }
        bool sel = selected(I);
        DC->GetBrush()->SetStyle(bsSolid);
        DC->GetBrush()->SetColor(sel ? clHighlight : box->GetColor());
        DC->SetFont(box->font.get());
        if (sel) DC->GetFont()->SetColor(clHighlightText);
        if (!box->GetEnabled()) DC->GetFont()->SetColor(clGrayText);
        DC->FillRect(R);
        drawItemText(DC, R, items[size_t(I)].Text,
                     (style & LBS_USETABSTOPS) ? tabStops : std::vector<int>{},
                     box->UseRightToLeftAlignment());
        if (focused) DC->DrawFocusRect(R);
    }
    void paint(TCanvas* DC) {
        TRect c = client();
        DC->GetBrush()->SetStyle(bsSolid);
        DC->GetBrush()->SetColor(box->GetColor());
        DC->FillRect(c);
        if (count() == 0) {
            // an empty list shows where the focus is
            if (box->Focused()) drawItem(DC, -1, rect(0));
            return;
        }
        for (int i = columns() ? top : top; i < count(); ++i) {
            TRect r = rect(i);
            if (r.Top >= c.Bottom || r.Left >= c.Right) {
                if (!columns() || r.Left >= c.Right) break;
                continue;
            }
            if (r.Bottom <= 0 || r.Right <= 0) continue;
            drawItem(DC, i, r);
        }
    }

    // ---- the messages of the class ----
    bool handle(TMessage& M) {
        int I = int(intptr_t(M.WParam));
        switch (M.Msg) {
        case LB_ADDSTRING:
        case LB_INSERTSTRING:
            M.Result =
                insert(*reinterpret_cast<const QString*>(M.LParam), I, M.Msg == LB_ADDSTRING);
            return true;
        case LB_DELETESTRING:
            M.Result = remove(I);
            return true;
        case LB_RESETCONTENT:
            reset();
            M.Result = 0;
            return true;
        case LB_GETCOUNT:
            M.Result = count();
            return true;
        case LB_GETTEXT:
            if (!valid(I)) {
                M.Result = LB_ERR;
                return true;
            }
            *reinterpret_cast<QString*>(M.LParam) = items[size_t(I)].Text;
            M.Result = items[size_t(I)].Text.size();
            return true;
        case LB_GETTEXTLEN:
            M.Result = valid(I) ? items[size_t(I)].Text.size() : LB_ERR;
            return true;
        case LB_GETITEMDATA:
            M.Result = valid(I) ? items[size_t(I)].Data : LB_ERR;
            return true;
        case LB_SETITEMDATA:
            if (!valid(I)) {
                M.Result = LB_ERR;
                return true;
            }
            items[size_t(I)].Data = M.LParam;
            M.Result = 0;
            return true;
        case LB_GETCURSEL:
            M.Result = multi() ? caret : cursel;
            return true;
        case LB_SETCURSEL:
            if (multi()) {
                M.Result = LB_ERR;
                return true;
            }
            cursel = valid(I) ? I : -1;
            caret = anchor = cursel;
            ensureVisible(cursel);
            invalidate();
            M.Result = cursel < 0 ? LB_ERR : cursel;
            return true;
        case LB_GETCARETINDEX:
            M.Result = caret;
            return true;
        case LB_SETCARETINDEX:
            if (!valid(I) && I != -1) {
                M.Result = LB_ERR;
                return true;
            }
            caret = anchor = I;
            ensureVisible(I);
            invalidate();
            M.Result = 0;
            return true;
        case LB_GETSEL:
            M.Result = valid(I) ? LRESULT(selected(I)) : LB_ERR;
            return true;
        case LB_SETSEL: {
            int i = int(M.LParam);
            if (!multi() || (i != -1 && !valid(i))) {
                M.Result = LB_ERR;
                return true;
            }
            if (i == -1)
                for (Item& it : items)
                    it.Selected = M.WParam != 0;
            else {
                items[size_t(i)].Selected = M.WParam != 0;
                ensureVisible(i);
            }
            invalidate();
            M.Result = 0;
            return true;
        }
        case LB_GETSELCOUNT:
            M.Result = multi() ? std::count_if(items.begin(), items.end(),
                                               [](const Item& it) { return it.Selected; })
                               : LB_ERR;
            return true;
        case LB_GETTOPINDEX:
            M.Result = top;
            return true;
        case LB_SETTOPINDEX:
            if (!valid(I) && !(I == 0 && count() == 0)) {
                M.Result = LB_ERR;
                return true;
            }
            setTop(I);
            M.Result = 0;
            return true;
        case LB_GETITEMRECT:
            // item 0 answers for an empty list too: the first slot
            if (!valid(I) && I != 0) {
                M.Result = LB_ERR;
                return true;
            }
            *reinterpret_cast<TRect*>(M.LParam) = rect(I);
            M.Result = 1;
            return true;
        case LB_ITEMFROMPOINT: {
            int i = itemAt(SmallPointToPoint(M.LParam));
            M.Result = i >= 0 ? MAKELONG(i, 0) : MAKELONG(std::max(0, count() - 1), 1);
            return true;
        }
        case LB_SETCOLUMNWIDTH:
            columnWidth = std::max(1, I);
            changed();
            return true;
        case LB_SETTABSTOPS: {
            tabStops.clear();
            int avg = std::max(1, QFontMetrics(box->font->ToQFont()).averageCharWidth());
            const int* stops = reinterpret_cast<const int*>(M.LParam);
            if (M.WParam == 0) tabStops.push_back(32 * avg / 4);
            for (WPARAM i = 0; stops && i < M.WParam; ++i)
                tabStops.push_back(std::max(1, stops[i] * avg / 4));
            invalidate();
            M.Result = 1;
            return true;
        }
        case LB_SETHORIZONTALEXTENT:
            extent = std::max(0, I);
            hpos = std::clamp(hpos, 0, std::max(0, extent - client().Right));
            changed();
            return true;
        case LB_GETHORIZONTALEXTENT:
            M.Result = extent;
            return true;
        case LB_SETITEMHEIGHT: {
            int h = int(M.LParam & 0xFFFF);
            if (h < 1 || h > 255) {
                M.Result = LB_ERR;
                return true;
            }
            if (variable() && valid(I))
                items[size_t(I)].Height = h;
            else
                fixedHeight = h;
            changed();
            M.Result = 0;
            return true;
        }
        case LB_GETITEMHEIGHT:
            M.Result = heightOf(I);
            return true;
        case LB_FINDSTRING:
        case LB_SELECTSTRING: {
            int i = find(*reinterpret_cast<const QString*>(M.LParam), I);
            if (i >= 0 && M.Msg == LB_SELECTSTRING) {
                if (multi()) {
                    items[size_t(i)].Selected = true;
                    caret = i;
                    ensureVisible(i);
                    invalidate();
                } else {
                    cursel = caret = anchor = i;
                    ensureVisible(i);
                    invalidate();
                }
            }
            M.Result = i;
            return true;
        }
        case WM_SETREDRAW:
            redraw = M.WParam != 0;
            if (redraw) changed();
            return true;
        case WM_SIZE:
            top = std::min(top, maxTop());
            hpos = std::clamp(hpos, 0, std::max(0, extent - client().Right));
            changed();
            return true;
        case WM_VSCROLL:
        case WM_HSCROLL: {
            TWMScroll s(M);
            scroll(M.Msg == WM_VSCROLL ? SB_VERT : SB_HORZ, s.ScrollCode(), s.Pos());
            return true;
        }
        case WM_MOUSEWHEEL: {
            TWMMouseWheel w(M);
            int lines = w.WheelDelta() / WHEEL_DELTA * 3;
            setTop(top - lines * (columns() ? rows() : 1));
            M.Result = 1;
            return true;
        }
        case WM_KEYDOWN:
            keyDown(WORD(M.WParam));
            return true;
        case WM_CHAR:
            charTyped(QChar(char16_t(M.WParam)));
            return true;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: {
            TWMMouse m(M);
            press(m.Pos(), m.Keys(), M.Msg == WM_LBUTTONDBLCLK);
            return true;
        }
        case WM_MOUSEMOVE: {
            TWMMouse m(M);
            if (m.Keys() & MK_LBUTTON)
                drag(m.Pos());
            else
                release();
            return true;
        }
        case WM_LBUTTONUP:
        case WM_CANCELMODE:
        case WM_CAPTURECHANGED:
            release();
            return false;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            invalidate();
            return false;
        case WM_GETDLGCODE:
            M.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
            return true;
        default:
            return false;
        }
    }
};

// ---- TRxListBoxStrings ------------------------------------------------------------------------

int TRxListBoxStrings::GetCount() const {
    listBox->windowNeeded();
    return int(listBox->Perform(LB_GETCOUNT, 0, 0));
}

QString TRxListBoxStrings::Get(int Index) const {
    listBox->windowNeeded();
    QString s;
    if (listBox->Perform(LB_GETTEXT, WPARAM(Index), LPARAM(&s)) < 0) indexError(Index);
    return s;
}

TObject* TRxListBoxStrings::GetObject(int Index) const {
    listBox->windowNeeded();
    LPARAM data = listBox->GetItemData(Index);
    if (data == LB_ERR) indexError(Index);
    return reinterpret_cast<TObject*>(data);
}

void TRxListBoxStrings::PutObject(int Index, TObject* AObject) {
    listBox->windowNeeded();
    listBox->SetItemData(Index, LPARAM(AObject));
}

int TRxListBoxStrings::Add(const QString& S) {
    listBox->windowNeeded();
    int i = int(listBox->Perform(LB_ADDSTRING, 0, LPARAM(&S)));
    if (i < 0) throw EOutOfResources(QStringLiteral("Unable to insert a line"));
    return i;
}

void TRxListBoxStrings::Insert(int Index, const QString& S) {
    listBox->windowNeeded();
    if (listBox->Perform(LB_INSERTSTRING, WPARAM(Index), LPARAM(&S)) < 0)
        throw EOutOfResources(QStringLiteral("Unable to insert a line"));
}

void TRxListBoxStrings::Delete(int Index) {
    listBox->windowNeeded();
    listBox->DeleteString(Index);
}

void TRxListBoxStrings::Clear() {
    listBox->windowNeeded();
    listBox->ResetContent();
}

void TRxListBoxStrings::SetUpdateState(bool Updating) {
    if (!listBox->HandleAllocated()) return;
    listBox->Perform(WM_SETREDRAW, Updating ? 0 : 1, 0);
    if (!Updating) listBox->Refresh();
}

// ---- TRxCustomListBox -------------------------------------------------------------------------

TRxCustomListBox::TRxCustomListBox(TComponent* AOwner)
    : TWinControl(AOwner), canvas(std::make_unique<TControlCanvas>()) {
    controlStyle = TControlStyle{csSetCaption, csDoubleClicks};
    SetBounds(0, 0, 121, 97);
    SetTabStop(true);
    SetParentColor(false);
    color = clWindow;
    items.reset(CreateItemList());
    canvas->SetControl(this);
}

TRxCustomListBox::~TRxCustomListBox() {
    DestroyHandle();
    canvas->SetControl(nullptr);
}

TStrings* TRxCustomListBox::CreateItemList() {
    return new TRxListBoxStrings(this);
}

void TRxCustomListBox::windowNeeded() const {
    const_cast<TRxCustomListBox*>(this)->HandleNeeded();
}

void TRxCustomListBox::SetItems(TStrings* Value) {
    items->Assign(Value);
}

LPARAM TRxCustomListBox::GetItemData(int Index) {
    return Perform(LB_GETITEMDATA, WPARAM(Index), 0);
}

void TRxCustomListBox::SetItemData(int Index, LPARAM AData) {
    Perform(LB_SETITEMDATA, WPARAM(Index), AData);
}

void TRxCustomListBox::ResetContent() {
    Perform(LB_RESETCONTENT, 0, 0);
}

void TRxCustomListBox::DeleteString(int Index) {
    Perform(LB_DELETESTRING, WPARAM(Index), 0);
}

void TRxCustomListBox::CreateParams(TCreateParams& Params) {
    TWinControl::CreateParams(Params);
    Params.Style |= WS_HSCROLL | WS_VSCROLL | LBS_HASSTRINGS | LBS_NOTIFY;
    if (style == lbOwnerDrawFixed) Params.Style |= LBS_OWNERDRAWFIXED;
    if (style == lbOwnerDrawVariable) Params.Style |= LBS_OWNERDRAWVARIABLE;
    if (sorted) Params.Style |= LBS_SORT;
    if (multiSelect) Params.Style |= extendedSelect ? LBS_EXTENDEDSEL : LBS_MULTIPLESEL;
    if (!integralHeight) Params.Style |= LBS_NOINTEGRALHEIGHT;
    if (columns > 0) Params.Style |= LBS_MULTICOLUMN;
    if (tabWidth != 0) Params.Style |= LBS_USETABSTOPS;
    if (borderStyle == bsSingle) {
        if (ctl3D)
            Params.ExStyle |= WS_EX_CLIENTEDGE;
        else
            Params.Style |= WS_BORDER;
    }
    Params.WindowClassStyle &= ~(CS_HREDRAW | CS_VREDRAW);
}

void TRxCustomListBox::CreateWnd() {
    TCreateParams p;
    CreateParams(p);
    wnd = std::make_unique<Window>(this, p.Style);
    wnd->fixedHeight = itemHeight;
    try {
        TWinControl::CreateWnd();
    } catch (...) {
        wnd.reset();
        throw;
    }
    if (style == lbOwnerDrawFixed) {
        TMeasureItemStruct ms;
        ms.itemHeight = UINT(itemHeight);
        Perform(CN_MEASUREITEM, 0, LPARAM(&ms));
        wnd->fixedHeight = std::max(1, int(ms.itemHeight));
    }
    if (tabWidth != 0) Perform(LB_SETTABSTOPS, 1, LPARAM(&tabWidth));
    updateColumnWidth();
    if (saveItems) {
        std::unique_ptr<TStringList> saved = std::move(saveItems);
        items->Assign(saved.get());
        SetTopIndex(saveTopIndex);
        SetItemIndex(saveItemIndex);
    }
    if (GetAutoScroll()) resetHorizontalExtent();
    wnd->changed();
}

void TRxCustomListBox::DestroyWnd() {
    if (wnd && !IsDestroying() && !wnd->items.empty()) {
        saveItems = std::make_unique<TStringList>();
        saveItems->Assign(items.get());
        saveTopIndex = GetTopIndex();
        saveItemIndex = GetItemIndex();
    }
    TWinControl::DestroyWnd();
    wnd.reset();
}

void TRxCustomListBox::recreate() {
    if (HandleAllocated()) RecreateWnd();
}

void TRxCustomListBox::updateColumnWidth() {
    if (columns > 0 && HandleAllocated())
        Perform(LB_SETCOLUMNWIDTH, WPARAM((width + columns - 3) / columns), 0);
}

int TRxCustomListBox::GetItemWidth(int Index) {
    if (style != lbStandard && onGetItemWidth && onDrawItem) {
        int w = 0;
        onGetItemWidth(this, Index, w);
        return w;
    }
    return measureItemText(font.get(), items->Get(Index), tabWidth);
}

void TRxCustomListBox::resetHorizontalExtent() {
    maxItemWidth = 0;
    for (int i = 0; i < items->Count(); ++i)
        maxItemWidth = std::max(maxItemWidth, GetItemWidth(i));
    setHorizontalExtent();
}

void TRxCustomListBox::setHorizontalExtent() {
    Perform(LB_SETHORIZONTALEXTENT, WPARAM(maxItemWidth), 0);
}

void TRxCustomListBox::SetBorderStyle(TBorderStyle Value) {
    if (borderStyle == Value) return;
    borderStyle = Value;
    recreate();
}

void TRxCustomListBox::SetColumns(int Value) {
    if (columns == Value) return;
    bool both = columns > 0 && Value > 0;
    columns = Value;
    if (both)
        updateColumnWidth();
    else
        recreate();
}

int TRxCustomListBox::GetItemHeight() {
    if (HandleAllocated() && style == lbStandard) {
        TRect r;
        Perform(LB_GETITEMRECT, 0, LPARAM(&r));
        return r.Height();
    }
    return itemHeight;
}

void TRxCustomListBox::SetItemHeight(int Value) {
    if (Value < 1 || itemHeight == Value) return;
    itemHeight = Value;
    recreate();
}

void TRxCustomListBox::SetStyle(TListBoxStyle Value) {
    if (style == Value) return;
    style = Value;
    recreate();
}

void TRxCustomListBox::SetIntegralHeight(bool Value) {
    if (integralHeight == Value) return;
    integralHeight = Value;
    recreate();
}

void TRxCustomListBox::SetMultiSelect(bool Value) {
    if (multiSelect == Value) return;
    multiSelect = Value;
    recreate();
}

void TRxCustomListBox::SetSorted(bool Value) {
    if (sorted == Value) return;
    sorted = Value;
    recreate();
}

void TRxCustomListBox::SetExtendedSelect(bool Value) {
    if (extendedSelect == Value) return;
    extendedSelect = Value;
    recreate();
}

void TRxCustomListBox::SetTabWidth(int Value) {
    Value = std::max(0, Value);
    if (tabWidth == Value) return;
    tabWidth = Value;
    recreate();
}

void TRxCustomListBox::SetGraySelection(bool Value) {
    if (graySelection == Value) return;
    graySelection = Value;
    if (!Focused()) Invalidate();
}

namespace {
// After the drawing or width event changed between set and unset: back to the left edge,
// and the range measured again (or none).
void widthSourceChanged(TRxCustomListBox* B) {
    if (!B->HandleAllocated()) return;
    B->Perform(WM_HSCROLL, SB_TOP, 0);
}
} // namespace

void TRxCustomListBox::SetAutoScroll(bool Value) {
    if (autoScroll == Value) return;
    autoScroll = Value;
    widthSourceChanged(this);
    if (!HandleAllocated()) return;
    if (GetAutoScroll()) {
        resetHorizontalExtent();
    } else {
        maxItemWidth = 0;
        setHorizontalExtent();
    }
}

void TRxCustomListBox::SetOnDrawItem(TDrawItemEvent Value) {
    bool changed = bool(onDrawItem) != bool(Value);
    onDrawItem = std::move(Value);
    if (!changed) return;
    widthSourceChanged(this);
    if (!HandleAllocated()) return;
    if (GetAutoScroll())
        resetHorizontalExtent();
    else
        Perform(LB_SETHORIZONTALEXTENT, 0, 0);
}

void TRxCustomListBox::SetOnGetItemWidth(TGetItemWidthEvent Value) {
    bool changed = bool(onGetItemWidth) != bool(Value);
    onGetItemWidth = std::move(Value);
    if (!changed) return;
    widthSourceChanged(this);
    if (!HandleAllocated()) return;
    if (GetAutoScroll())
        resetHorizontalExtent();
    else
        Perform(LB_SETHORIZONTALEXTENT, 0, 0);
}

int TRxCustomListBox::GetItemIndex() {
    windowNeeded();
    return int(Perform(LB_GETCURSEL, 0, 0));
}

void TRxCustomListBox::SetItemIndex(int Value) {
    if (GetItemIndex() == Value) return;
    // a multi-selection list has no single selected item: its current item is the caret
    Perform(multiSelect ? LB_SETCARETINDEX : LB_SETCURSEL, WPARAM(Value), 0);
}

int TRxCustomListBox::GetSelCount() {
    windowNeeded();
    return int(Perform(LB_GETSELCOUNT, 0, 0));
}

bool TRxCustomListBox::GetSelected(int Index) {
    windowNeeded();
    LRESULT r = Perform(LB_GETSEL, WPARAM(Index), 0);
    if (r == LB_ERR) indexError(Index);
    return r > 0;
}

void TRxCustomListBox::SetSelected(int Index, bool Value) {
    windowNeeded();
    if (multiSelect) {
        if (Perform(LB_SETSEL, Value ? 1 : 0, Index) == LB_ERR) indexError(Index);
        return;
    }
    if (Index < 0 || Index >= items->Count()) indexError(Index);
    if (Value)
        SetItemIndex(Index);
    else if (GetItemIndex() == Index)
        SetItemIndex(-1);
}

int TRxCustomListBox::ItemAtPos(const TPoint& Pos, bool Existing) {
    if (!inRect(GetClientRect(), Pos)) return -1;
    int n = items->Count();
    for (int i = GetTopIndex(); i < n; ++i) {
        TRect r;
        Perform(LB_GETITEMRECT, WPARAM(i), LPARAM(&r));
        if (inRect(r, Pos)) return i;
    }
    return Existing ? -1 : n;
}

TRect TRxCustomListBox::ItemRect(int Index) {
    int n = items->Count();
    TRect r;
    if (Index == 0 || Index < n) {
        Perform(LB_GETITEMRECT, WPARAM(Index), LPARAM(&r));
    } else if (Index == n) {
        Perform(LB_GETITEMRECT, WPARAM(Index - 1), LPARAM(&r));
        int h = r.Height();
        r.Top += h;
        r.Bottom += h;
    }
    return r;
}

int TRxCustomListBox::GetTopIndex() {
    windowNeeded();
    return int(Perform(LB_GETTOPINDEX, 0, 0));
}

void TRxCustomListBox::SetTopIndex(int Value) {
    if (GetTopIndex() != Value) Perform(LB_SETTOPINDEX, WPARAM(Value), 0);
}

void TRxCustomListBox::MeasureItem(int Index, int& Height) {
    if (OnMeasureItem) OnMeasureItem(this, Index, Height);
}

void TRxCustomListBox::DrawItem(int Index, TRect Rect, TOwnerDrawState State) {
    if (onDrawItem) {
        onDrawItem(this, Index, Rect, State);
        return;
    }
    canvas->FillRect(Rect);
    if (Index < 0 || Index >= items->Count()) return;
    std::vector<int> stops;
    if (tabWidth > 0)
        stops.push_back(int(std::lround(canvas->TextWidth(QStringLiteral("0")) * tabWidth * 0.25)));
    drawItemText(canvas.get(), Rect, items->Get(Index), stops, UseRightToLeftAlignment());
}

void TRxCustomListBox::drawItemMessage(TMessage& Message) {
    auto* ds = reinterpret_cast<TDrawItemStruct*>(Message.LParam);
    TOwnerDrawState state = OwnerDrawStateOf(ds->itemState);
    shareCanvas(canvas.get(), ds->hDC);
    canvas->SetFont(font.get());
    canvas->GetBrush()->SetStyle(bsSolid);
    canvas->GetBrush()->SetColor(color);
    bool valid = ds->itemID >= 0 && ds->itemID < items->Count();
    if (valid && state.Contains(odSelected)) {
        if (!IsDesigning() && graySelection && !Focused()) {
            canvas->GetBrush()->SetColor(clBtnFace);
            if (canvas->GetFont()->GetColor() == clBtnFace) canvas->GetFont()->SetColor(clBtnText);
        } else {
            canvas->GetBrush()->SetColor(clHighlight);
            canvas->GetFont()->SetColor(clHighlightText);
        }
    }
    TScopeGuard release([this] { canvas->SetHandle(nullptr); });
    if (valid)
        DrawItem(ds->itemID, ds->rcItem, state);
    else
        canvas->FillRect(ds->rcItem);
    if (state.Contains(odFocused)) canvas->DrawFocusRect(ds->rcItem);
    release.End();
    Message.Result = 1;
}

void TRxCustomListBox::measureItemMessage(TMessage& Message) {
    auto* ms = reinterpret_cast<TMeasureItemStruct*>(Message.LParam);
    int h = itemHeight;
    if (style == lbOwnerDrawVariable) MeasureItem(ms->itemID, h);
    ms->itemHeight = UINT(std::max(1, h));
    Message.Result = 1;
}

void TRxCustomListBox::PaintWindow(TCanvas* DC) {
    if (wnd && wnd->redraw) wnd->paint(DC);
}

void TRxCustomListBox::paintCopy(TCanvas* DC) {
    if (!wnd) return;
    TRect client = GetClientRect();
    DC->GetBrush()->SetColor(color);
    DC->FillRect(client);
    int y = 0;
    for (int i = GetTopIndex(); i < items->Count() && y < client.Bottom; ++i) {
        TMeasureItemStruct ms;
        ms.itemID = i;
        ms.itemHeight = UINT(wnd->heightOf(i));
        Perform(CN_MEASUREITEM, 0, LPARAM(&ms));
        int h = std::max(1, int(ms.itemHeight));
        TDrawItemStruct ds;
        ds.itemID = i;
        if (wnd->selected(i)) ds.itemState |= ODS_SELECTED;
        ds.hwndItem = GetHandle();
        ds.hDC = DC;
        ds.rcItem = TRect{0, y, client.Right, y + h};
        ds.itemData = wnd->items[size_t(i)].Data;
        Perform(CN_DRAWITEM, 0, LPARAM(&ds));
        y += h;
    }
}

void TRxCustomListBox::leftButtonDown(TMessage& Message) {
    TWMMouse m(Message);
    TShiftState shift = KeysToShiftState(m.Keys());
    PressWithAutoDrag(this, shift, m.Pos(), cancellingDrag,
                      [&] { TWinControl::Dispatch(Message); });
}

void TRxCustomListBox::DoEndDrag(TObject* Target, int X, int Y) {
    TWinControl::DoEndDrag(Target, X, Y);
    if (!Target) EndListDrag(this, cancellingDrag);
}

void TRxCustomListBox::WndProc(TMessage& Message) {
    const UINT msg = Message.Msg;
    if (ListTakesPress(this, Message)) return;
    if (!wnd || !GetAutoScroll()) {
        TWinControl::WndProc(Message);
        if (msg == CM_FONTCHANGED) canvas->SetFont(font.get());
        return;
    }
    switch (msg) {
    case CM_FONTCHANGED:
        TWinControl::WndProc(Message);
        canvas->SetFont(font.get());
        resetHorizontalExtent();
        return;
    case LB_ADDSTRING:
    case LB_INSERTSTRING:
        TWinControl::WndProc(Message);
        if (Message.Result >= 0) {
            maxItemWidth = std::max(maxItemWidth, GetItemWidth(int(Message.Result)));
            setHorizontalExtent();
        }
        return;
    case LB_DELETESTRING: {
        int i = int(intptr_t(Message.WParam));
        if (i < 0 || i >= items->Count() || GetItemWidth(i) < maxItemWidth) {
            TWinControl::WndProc(Message);
            return;
        }
        Perform(WM_HSCROLL, SB_TOP, 0);
        TWinControl::WndProc(Message);
        resetHorizontalExtent();
        return;
    }
    case LB_RESETCONTENT:
        maxItemWidth = 0;
        setHorizontalExtent();
        Perform(WM_HSCROLL, SB_TOP, 0);
        TWinControl::WndProc(Message);
        return;
    default:
        TWinControl::WndProc(Message);
        return;
    }
}

void TRxCustomListBox::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case CN_COMMAND:
        if (Message.WParamHi() == LBN_SELCHANGE) {
            Change();
            Click();
        } else if (Message.WParamHi() == LBN_DBLCLK) {
            DblClick();
        }
        return;
    case CN_DRAWITEM:
        drawItemMessage(Message);
        return;
    case CN_MEASUREITEM:
        measureItemMessage(Message);
        return;
    case WM_LBUTTONDOWN:
        if (!IsDesigning()) {
            leftButtonDown(Message);
            return;
        }
        break;
    case WM_PAINT:
        if (Message.WParam != 0 && controlState.Contains(csPaintCopy)) {
            paintCopy(reinterpret_cast<TCanvas*>(Message.WParam));
            return;
        }
        break;
    case WM_SIZE:
        TWinControl::Dispatch(Message);
        updateColumnWidth();
        return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        TWinControl::Dispatch(Message);
        if (graySelection && multiSelect && HandleAllocated() && GetSelCount() > 1) Invalidate();
        return;
    case WM_MOUSEWHEEL: {
        // the wheel events first, then the list scrolls
        TWMMouseWheel m(Message);
        if (DoMouseWheel(KeysToShiftState(m.Keys()), m.WheelDelta(), TPoint{m.XPos(), m.YPos()}))
            Message.Result = 1;
        else
            DefaultHandler(Message);
        return;
    }
    case CM_CTL3DCHANGED:
        if (borderStyle == bsSingle) recreate();
        TWinControl::Dispatch(Message);
        return;
    case CM_DRAG:
        TWinControl::Dispatch(Message);
        return;
    default:
        break;
    }
    TWinControl::Dispatch(Message);
}

void TRxCustomListBox::DefaultHandler(TMessage& Message) {
    if (wnd && wnd->handle(Message)) return;
    TWinControl::DefaultHandler(Message);
}

// ---- TTextListBox -----------------------------------------------------------------------------

void TTextListBox::SetTabWidth(int Value) {
    tabWidth = std::max(0, Value);
    TCustomListBox::SetTabWidth(tabWidth);
    recomputeExtent();
}

int TTextListBox::itemWidth(int Index) {
    return measureItemText(font.get(), GetItems()->Get(Index), tabWidth);
}

void TTextListBox::recomputeExtent() {
    maxItemWidth = 0;
    for (int i = 0; i < GetItems()->Count(); ++i)
        maxItemWidth = std::max(maxItemWidth, itemWidth(i));
    Perform(LB_SETHORIZONTALEXTENT, WPARAM(maxItemWidth), 0);
}

void TTextListBox::SetItemIndex(int Value) {
    if (GetItemIndex() != Value) TCustomListBox::SetItemIndex(Value);
}

bool TTextListBox::GetSelected(int Index) {
    if (Index < 0 || Index >= GetItems()->Count()) indexError(Index);
    return TCustomListBox::GetSelected(Index);
}

void TTextListBox::SetSelected(int Index, bool Value) {
    if (Index < 0 || Index >= GetItems()->Count()) indexError(Index);
    TCustomListBox::SetSelected(Index, Value);
}

int TTextListBox::ItemAtPos(const TPoint& Pos, bool Existing) {
    if (!inRect(GetClientRect(), Pos)) return -1;
    int n = GetItems()->Count();
    for (int i = GetTopIndex(); i < n; ++i)
        if (inRect(TCustomListBox::ItemRect(i), Pos)) return i;
    return Existing ? -1 : n;
}

TRect TTextListBox::ItemRect(int Index) {
    int n = GetItems()->Count();
    if (Index == 0 || (Index >= 0 && Index < n)) return TCustomListBox::ItemRect(Index);
    if (Index != n) return TRect{};
    TRect r = TCustomListBox::ItemRect(n - 1);
    int h = r.Height();
    r.Top += h;
    r.Bottom += h;
    return r;
}

void TTextListBox::SetTopIndex(int Value) {
    if (GetTopIndex() != Value) TCustomListBox::SetTopIndex(Value);
}

void TTextListBox::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    auto press = [&] { TCustomListBox::MouseDown(Button, Shift, X, Y); };
    if (Button != mbLeft || IsDesigning())
        press();
    else
        PressWithAutoDrag(this, Shift, TPoint{X, Y}, cancellingDrag, press);
}

void TTextListBox::DoEndDrag(TObject* Target, int X, int Y) {
    TCustomListBox::DoEndDrag(Target, X, Y);
    if (!Target) EndListDrag(this, cancellingDrag);
}

void TTextListBox::WndProc(TMessage& Message) {
    const UINT msg = Message.Msg;
    if (ListTakesPress(this, Message)) return;
    switch (msg) {
    case CM_FONTCHANGED:
        TCustomListBox::WndProc(Message);
        recomputeExtent();
        return;
    case LB_ADDSTRING:
    case LB_INSERTSTRING:
        TCustomListBox::WndProc(Message);
        if (Message.Result >= 0) {
            maxItemWidth = std::max(maxItemWidth, itemWidth(int(Message.Result)));
            Perform(LB_SETHORIZONTALEXTENT, WPARAM(maxItemWidth), 0);
        }
        return;
    case LB_DELETESTRING: {
        int i = int(intptr_t(Message.WParam));
        bool widest = i >= 0 && i < GetItems()->Count() && itemWidth(i) >= maxItemWidth;
        TCustomListBox::WndProc(Message);
        if (widest) recomputeExtent();
        return;
    }
    case LB_RESETCONTENT:
        maxItemWidth = 0;
        Perform(LB_SETHORIZONTALEXTENT, 0, 0);
        TCustomListBox::WndProc(Message);
        return;
    default:
        TCustomListBox::WndProc(Message);
        return;
    }
}
