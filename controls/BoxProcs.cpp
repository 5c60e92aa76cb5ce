#include "BoxProcs.h"

#include "RXCtrls.h"

namespace {

TListBoxAccess* access(TControl* List) {
    return List ? ListBoxAccess(List) : nullptr;
}

TRxCheckListBox* checkList(TControl* List) {
    return dynamic_cast<TRxCheckListBox*>(List);
}

// Appends item Index of Src to Dst with its object and, between check lists, its state.
void appendItem(TWinControl* Src, TListBoxAccess* S, int Index, TWinControl* Dst,
                TListBoxAccess* D) {
    TStrings* from = S->GetListItems();
    const int at = D->GetListItems()->AddObject(from->GetStrings(Index), from->GetObjects(Index));
    TRxCheckListBox* cs = checkList(Src);
    TRxCheckListBox* cd = checkList(Dst);
    if (cs && cd) cd->SetState(at, cs->GetState(Index));
}

// The drop target outlined during a drag inside a list.
struct TDropMark {
    TWinControl* List = nullptr;
    TRect Rect;
};
TDropMark mark;

void drawMark() {
    if (!mark.List || !mark.List->HandleAllocated()) return;
    TControlCanvas canvas;
    canvas.SetControl(mark.List);
    canvas.DrawFocusRect(mark.Rect);
    canvas.FreeHandle();
}

void eraseMark() {
    drawMark();
    mark = TDropMark();
}

} // namespace

int BoxGetFirstSelection(TWinControl* List) {
    TListBoxAccess* a = access(List);
    if (!a) return -1;
    const int n = a->GetListItems()->Count();
    for (int i = 0; i < n; ++i)
        if (a->GetSelected(i)) return i;
    return -1;
}

void BoxSetItem(TWinControl* List, int Index) {
    TListBoxAccess* a = access(List);
    if (!a) return;
    if (List->CanFocus()) List->SetFocus();
    const int n = a->GetListItems()->Count();
    if (n == 0) return;
    if (Index < 0) Index = 0;
    if (Index >= n) Index = n - 1;
    if (a->GetListMultiSelect())
        a->SetSelected(Index, true);
    else
        a->SetItemIndex(Index);
}

void BoxMoveSelectedItems(TWinControl* SrcList, TWinControl* DstList) {
    TListBoxAccess* s = access(SrcList);
    TListBoxAccess* d = access(DstList);
    if (!s || !d) return;
    const int first = BoxGetFirstSelection(SrcList);
    if (first < 0) return;
    TStrings* from = s->GetListItems();
    from->BeginUpdate();
    d->GetListItems()->BeginUpdate();
    int i = 0;
    while (i < from->Count()) {
        if (s->GetSelected(i)) {
            appendItem(SrcList, s, i, DstList, d);
            from->Delete(i);
        } else {
            ++i;
        }
    }
    d->GetListItems()->EndUpdate();
    from->EndUpdate();
    BoxSetItem(SrcList, first);
}

void BoxMoveAllItems(TWinControl* SrcList, TWinControl* DstList) {
    TListBoxAccess* s = access(SrcList);
    TListBoxAccess* d = access(DstList);
    if (!s || !d) return;
    TStrings* from = s->GetListItems();
    d->GetListItems()->BeginUpdate();
    for (int i = 0; i < from->Count(); ++i)
        appendItem(SrcList, s, i, DstList, d);
    d->GetListItems()->EndUpdate();
    from->Clear();
    BoxSetItem(SrcList, 0);
}

bool BoxCanDropItem(TWinControl* List, int X, int Y, int& DragIndex) {
    TListBoxAccess* a = access(List);
    DragIndex = -1;
    if (!a || a->GetListSorted()) return false;
    if (a->GetListMultiSelect() && a->GetSelCount() != 1) return false;
    const int current = a->GetItemIndex();
    if (current < 0) return false;
    DragIndex = a->ItemAtPos(TPoint{X, Y}, true);
    return DragIndex >= 0 && DragIndex != current;
}

void BoxDragOver(TWinControl* List, TObject* Source, int X, int Y, TDragState State, bool& Accept,
                 bool Sorted) {
    auto* src = dynamic_cast<TControl*>(Source);
    if (State == dsDragEnter || State == dsDragLeave) {
        TListBoxAccess* s = access(src);
        if (src)
            src->SetDragCursor(State == dsDragEnter && s && s->GetSelCount() > 1 ? crMultiDrag
                                                                                 : crDrag);
    }
    if (src != List) {
        Accept = dynamic_cast<TWinControl*>(Source) || access(src);
        return;
    }
    int index = -1;
    Accept = !Sorted && BoxCanDropItem(List, X, Y, index);
    if (mark.List == List) eraseMark();
    if (State == dsDragLeave || !Accept) return;
    mark.List = List;
    mark.Rect = access(List)->ItemRect(index);
    drawMark();
}

void BoxMoveFocusedItem(TWinControl* List, int DstIndex) {
    TListBoxAccess* a = access(List);
    if (!a) return;
    const int current = a->GetItemIndex();
    const int n = a->GetListItems()->Count();
    if (current < 0 || DstIndex < 0 || DstIndex >= n || DstIndex == current) return;
    if (mark.List == List) eraseMark();
    a->GetListItems()->Move(current, DstIndex);
    if (a->GetListMultiSelect())
        for (int i = 0; i < n; ++i)
            a->SetSelected(i, false);
    a->SetItemIndex(DstIndex);
    BoxSetItem(List, DstIndex);
}

void BoxMoveByKey(TWinControl* List, WORD& Key, TShiftState Shift) {
    TListBoxAccess* a = access(List);
    if (!a || a->GetListSorted() || !Shift.Contains(ssCtrl)) return;
    if (Key != VK_UP && Key != VK_DOWN) return;
    const int current = a->GetItemIndex();
    if (current >= 0) BoxMoveFocusedItem(List, current + (Key == VK_DOWN ? 1 : -1));
    Key = 0;
}
