// Moving items between two list boxes and within one: the selected or all items of one list
// go to the end of the other; a drag drops them there or, inside an unsorted list, moves the
// current item to the item under the cursor; Ctrl+Up and Ctrl+Down move the current item by
// one place. Either list box kind serves (TListBoxAccess); between two check list boxes the
// items keep their check states.
#pragma once

#include "Controls.h"

// The first selected item, -1 when none.
int BoxGetFirstSelection(TWinControl* List);
// Selects Index (clamped to the items; -1 counts as 0): in a multi-select list as its selected
// item, otherwise as the current one; a list that can take the focus gets it first.
void BoxSetItem(TWinControl* List, int Index);
// Moves the selected items of SrcList to the end of DstList in their order, then selects
// the item that took the place of the first one moved.
void BoxMoveSelectedItems(TWinControl* SrcList, TWinControl* DstList);
// Moves every item of SrcList to the end of DstList.
void BoxMoveAllItems(TWinControl* SrcList, TWinControl* DstList);
// Whether a drag inside List may drop at (X, Y): an unsorted list with one selected item (or
// single-select) and a current item, over another item. DragIndex is the item under the point.
bool BoxCanDropItem(TWinControl* List, int X, int Y, int& DragIndex);
// The drag-over rule of a list: another list's items are accepted; inside a list the drop is
// checked by BoxCanDropItem and its target outlined (the outline goes when the drag leaves).
// The cursor shows several items while a list with more than one selected item is dragged.
void BoxDragOver(TWinControl* List, TObject* Source, int X, int Y, TDragState State, bool& Accept,
                 bool Sorted);
// Moves the current item of List to DstIndex and selects it there.
void BoxMoveFocusedItem(TWinControl* List, int DstIndex);
// Ctrl+Up and Ctrl+Down on an unsorted list: the current item one place up or down (the key
// is consumed; at the ends nothing moves).
void BoxMoveByKey(TWinControl* List, WORD& Key, TShiftState Shift);
