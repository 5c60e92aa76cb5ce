// List boxes, the shadowed label and the speed button.
//
// TRxCustomListBox is a list box over the list-box window class of this library (the LB_*
// messages, owner drawing through CN_DRAWITEM/CN_MEASUREITEM, selection by keys and mouse,
// scroll bars): items live in the window and are kept across a recreation of it; the
// horizontal scroll range follows the widest item. TTextListBox is the platform's list box
// with the same horizontal range. Both give the operations of TListBoxAccess, through which
// code drives either kind.
//
// TRxCheckListBox puts a check box (a radio button, a check mark) in front of every item; the
// states go with the items through sorting and window recreation, into stored forms and into
// the storage of a form placement.
//
// TRxCustomLabel draws its caption over a shadow: the same text in ShadowColor, ShadowSize
// pixels off in the ShadowPos direction.
//
// TRxSpeedButton is the windowless push button that the edit buttons and the calendar's
// navigation buttons build on: TRxButtonGlyph holds its glyph of up to five images, one per
// button state, and lays the caption out beside it; the button draws the classic frames and
// can repeat its click while it is held.
#pragma once

#include "Buttons.h"
#include "Controls.h"
#include "Filer.h"
#include "Forms.h"
#include "Graphics.h"
#include "Menus.h"
#include "Placemnt.h"
#include "StdCtrls.h"

#include <QImage>
#include <array>
#include <memory>

// ---- the list-box window class ------------------------------------------------------------

// Window styles of the list-box class (TCreateParams::Style).
constexpr DWORD LBS_NOTIFY = 0x0001;
constexpr DWORD LBS_SORT = 0x0002;
constexpr DWORD LBS_NOREDRAW = 0x0004;
constexpr DWORD LBS_MULTIPLESEL = 0x0008;
constexpr DWORD LBS_OWNERDRAWFIXED = 0x0010;
constexpr DWORD LBS_OWNERDRAWVARIABLE = 0x0020;
constexpr DWORD LBS_HASSTRINGS = 0x0040;
constexpr DWORD LBS_USETABSTOPS = 0x0080;
constexpr DWORD LBS_NOINTEGRALHEIGHT = 0x0100;
constexpr DWORD LBS_MULTICOLUMN = 0x0200;
constexpr DWORD LBS_WANTKEYBOARDINPUT = 0x0400;
constexpr DWORD LBS_EXTENDEDSEL = 0x0800;
constexpr UINT LB_GETHORIZONTALEXTENT = 0x0193;
constexpr UINT LB_SETCARETINDEX = 0x019E;
constexpr UINT LB_GETCARETINDEX = 0x019F;

// Owner drawing: what CN_DRAWITEM and CN_MEASUREITEM carry in LParam.
constexpr UINT ODT_LISTBOX = 2;
constexpr UINT ODA_DRAWENTIRE = 0x0001;
constexpr UINT ODA_SELECT = 0x0002;
constexpr UINT ODA_FOCUS = 0x0004;
constexpr UINT ODS_SELECTED = 0x0001;
constexpr UINT ODS_GRAYED = 0x0002;
constexpr UINT ODS_DISABLED = 0x0004;
constexpr UINT ODS_CHECKED = 0x0008;
constexpr UINT ODS_FOCUS = 0x0010;
constexpr UINT ODS_DEFAULT = 0x0020;
constexpr UINT ODS_COMBOBOXEDIT = 0x1000;
struct TDrawItemStruct {
    UINT CtlType = ODT_LISTBOX;
    UINT CtlID = 0;
    int itemID = -1; // -1: no item (an empty list draws its focus)
    UINT itemAction = ODA_DRAWENTIRE;
    UINT itemState = 0;
    HWND hwndItem = nullptr;
    TCanvas* hDC = nullptr;
    TRect rcItem;
    LPARAM itemData = 0;
};
struct TMeasureItemStruct {
    UINT CtlType = ODT_LISTBOX;
    UINT CtlID = 0;
    int itemID = 0;
    UINT itemWidth = 0;
    UINT itemHeight = 0;
    LPARAM itemData = 0;
};

TOwnerDrawState OwnerDrawStateOf(UINT ItemState);

// ---- the operations shared by both list box kinds -----------------------------------------

class TListBoxAccess {
public:
    virtual ~TListBoxAccess() = default;
    virtual TWinControl* GetListControl() = 0;
    virtual TStrings* GetListItems() = 0;
    virtual int GetItemIndex() = 0;
    // Makes Index the current item unless it already is.
    virtual void SetItemIndex(int Value) = 0;
    virtual int GetSelCount() = 0;
    // An index outside the items raises EStringListError "List index out of bounds (%d)".
    virtual bool GetSelected(int Index) = 0;
    virtual void SetSelected(int Index, bool Value) = 0;
    virtual bool GetListMultiSelect() = 0;
    virtual bool GetListSorted() = 0;
    // -1 outside the client area; below the last item -1 when Existing, else the count.
    virtual int ItemAtPos(const TPoint& Pos, bool Existing) = 0;
    // Client rectangle of an item; the count gives the slot below the last item, a greater
    // index an empty rectangle; item 0 of an empty list the first slot at the top.
    virtual TRect ItemRect(int Index) = 0;
    virtual int GetTopIndex() = 0;
    virtual void SetTopIndex(int Value) = 0;
};

// The shared operations of a control that is one of the two list box kinds; null otherwise.
TListBoxAccess* ListBoxAccess(TControl* Control);

// Automatic drag of a list: a plain press (or one with Ctrl) on a selected item of a
// multi-selection list starts a drag at once, keeping the selection; any other press selects
// first and then starts a drag, unless it extends a multi-selection with Shift or Ctrl.
bool DragAtOnce(TListBoxAccess* List, TShiftState Shift, const TPoint& Pos);
bool DragAfterPress(TListBoxAccess* List, TShiftState Shift);
// A left press on a list in automatic drag mode goes to the list's own press handling (the
// platform would start the drag instead); true when it took the message.
bool ListTakesPress(TControl* List, TMessage& Message);
// A press of the list (Press) with the automatic drag around it.
void PressWithAutoDrag(TListBoxAccess* List, TShiftState Shift, const TPoint& Pos, bool Cancelling,
                       const std::function<void()>& Press);
// A drag that ended on no target: the list gets a press and release at the cursor, so its
// own tracking ends (Cancelling is set meanwhile; such a press starts no drag).
void EndListDrag(TListBoxAccess* List, bool& Cancelling);

// ---- TRxCustomListBox ------------------------------------------------------------------------

using TGetItemWidthEvent = std::function<void(TWinControl* Control, int Index, int& Width)>;

class TRxCustomListBox;

// The items of a TRxCustomListBox: every operation is a message to its window.
class TRxListBoxStrings : public TStrings {
    KADRION_CLASS(TRxListBoxStrings)
    explicit TRxListBoxStrings(TRxCustomListBox* AListBox) : listBox(AListBox) {}
    int GetCount() const override;
    QString Get(int Index) const override;
    TObject* GetObject(int Index) const override;
    void PutObject(int Index, TObject* AObject) override;
    int Add(const QString& S) override;
    void Insert(int Index, const QString& S) override;
    void Delete(int Index) override;
    void Clear() override;
    TRxCustomListBox* GetListBox() const { return listBox; }

protected:
    void SetUpdateState(bool Updating) override;

private:
    TRxCustomListBox* listBox;
};

class TRxCustomListBox : public TWinControl, public TListBoxAccess {
    KADRION_CLASS(TRxCustomListBox)
    explicit TRxCustomListBox(TComponent* AOwner);
    ~TRxCustomListBox() override;

    TStrings* GetItems() const { return items.get(); }
    virtual void SetItems(TStrings* Value);
    TBorderStyle GetBorderStyle() const { return borderStyle; }
    void SetBorderStyle(TBorderStyle Value);
    int GetColumns() const { return columns; }
    void SetColumns(int Value);
    virtual int GetItemHeight();
    void SetItemHeight(int Value);
    TListBoxStyle GetStyle() const { return style; }
    void SetStyle(TListBoxStyle Value);
    bool GetIntegralHeight() const { return integralHeight; }
    void SetIntegralHeight(bool Value);
    bool GetMultiSelect() const { return multiSelect; }
    void SetMultiSelect(bool Value);
    bool GetSorted() const { return sorted; }
    void SetSorted(bool Value);
    bool GetExtendedSelect() const { return extendedSelect; }
    void SetExtendedSelect(bool Value);
    int GetTabWidth() const { return tabWidth; }
    void SetTabWidth(int Value);
    bool GetGraySelection() const { return graySelection; }
    void SetGraySelection(bool Value);
    // The horizontal range follows the widest item (only with Columns 0).
    bool GetAutoScroll() const { return autoScroll && columns == 0; }
    void SetAutoScroll(bool Value);
    // The current horizontal range in pixels.
    int GetWidestItem() const { return maxItemWidth; }
    TCanvas* GetCanvas() const { return canvas.get(); }
    void Clear() { items->Clear(); }

    // TListBoxAccess
    TWinControl* GetListControl() override { return this; }
    TStrings* GetListItems() override { return items.get(); }
    int GetItemIndex() override;
    void SetItemIndex(int Value) override;
    int GetSelCount() override;
    bool GetSelected(int Index) override;
    void SetSelected(int Index, bool Value) override;
    bool GetListMultiSelect() override { return multiSelect; }
    bool GetListSorted() override { return sorted; }
    int ItemAtPos(const TPoint& Pos, bool Existing) override;
    TRect ItemRect(int Index) override;
    int GetTopIndex() override;
    void SetTopIndex(int Value) override;

    void SetOnDrawItem(TDrawItemEvent Value);
    TDrawItemEvent GetOnDrawItem() const { return onDrawItem; }
    void SetOnGetItemWidth(TGetItemWidthEvent Value);
    TGetItemWidthEvent GetOnGetItemWidth() const { return onGetItemWidth; }
    TMeasureItemEvent OnMeasureItem;

    // --- what descendants override
    virtual TStrings* CreateItemList();
    virtual int GetItemWidth(int Index);
    virtual void DrawItem(int Index, TRect Rect, TOwnerDrawState State);
    virtual void MeasureItem(int Index, int& Height);
    virtual LPARAM GetItemData(int Index);
    virtual void SetItemData(int Index, LPARAM AData);
    virtual void ResetContent();
    virtual void DeleteString(int Index);

    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    void WndProc(TMessage& Message) override;
    void Dispatch(TMessage& Message) override;
    void DefaultHandler(TMessage& Message) override;
    void PaintWindow(TCanvas* DC) override;
    // Tells the list about a new selection (LBN_SELCHANGE).
    virtual void Change() {}

protected:
    friend class TRxListBoxStrings;
    struct Window;
    void windowNeeded() const;
    void recreate();
    void resetHorizontalExtent();
    void setHorizontalExtent();
    void updateColumnWidth();
    void drawItemMessage(TMessage& Message);
    void measureItemMessage(TMessage& Message);
    void paintCopy(TCanvas* DC);
    void leftButtonDown(TMessage& Message);
    void DoEndDrag(TObject* Target, int X, int Y) override;
    bool cancellingDrag = false;

    std::unique_ptr<TStrings> items;
    TBorderStyle borderStyle = bsSingle;
    std::unique_ptr<TControlCanvas> canvas;
    int columns = 0;
    int itemHeight = 16;
    TListBoxStyle style = lbStandard;
    bool integralHeight = false;
    bool multiSelect = false;
    bool sorted = false;
    bool extendedSelect = true;
    int tabWidth = 0;
    std::unique_ptr<TStringList> saveItems;
    int saveTopIndex = 0;
    int saveItemIndex = -1;
    bool autoScroll = false;
    bool graySelection = false;
    int maxItemWidth = 0;
    TDrawItemEvent onDrawItem;
    TGetItemWidthEvent onGetItemWidth;
    // The list-box window's own state: made with the window, gone with it.
    std::unique_ptr<Window> wnd;
};

class TRxListBox : public TRxCustomListBox {
    KADRION_CLASS(TRxListBox)
    explicit TRxListBox(TComponent* AOwner) : TRxCustomListBox(AOwner) {}
};

// ---- TRxCheckListBox -------------------------------------------------------------------------

enum TCheckKind { ckCheckBoxes, ckRadioButtons, ckCheckMarks };
using TChangeStateEvent = std::function<void(TObject* Sender, int Index)>;

// The check state of one item, kept as the item's data with the caller's own object.
class TCheckListBoxItem : public TObject {
    KADRION_CLASS(TCheckListBoxItem)
    TObject* Data = nullptr;
    TCheckBoxState State = cbUnchecked;
    bool Enabled = true;
};

// Exchange and Move carry each item's state and enabled flag along with its text.
class TCheckListBoxStrings : public TRxListBoxStrings {
    KADRION_CLASS(TCheckListBoxStrings)
    using TRxListBoxStrings::TRxListBoxStrings;
    void Exchange(int Index1, int Index2) override;
    void Move(int CurIndex, int NewIndex) override;
};

class TRxCheckListBox : public TRxCustomListBox {
    KADRION_CLASS(TRxCheckListBox)
    explicit TRxCheckListBox(TComponent* AOwner);
    ~TRxCheckListBox() override;

    // With ckRadioButtons every state but cbChecked reads cbUnchecked.
    TCheckBoxState GetState(int Index);
    // Refused when unchanged, and on a radio list for unchecking the checked item; checking
    // an item of a radio list unchecks the others. Fires OnStateChange.
    void SetState(int Index, TCheckBoxState Value);
    bool GetChecked(int Index) { return GetState(Index) == cbChecked; }
    void SetChecked(int Index, bool Value) { SetState(Index, Value ? cbChecked : cbUnchecked); }
    bool ItemIsEnabled(int Index);
    void SetItemEnabled(int Index, bool Value);
    // -1 unless a radio list; else its checked item (-1 when none). Writing checks item
    // max(Value, 0) of a non-empty radio list.
    int GetCheckedIndex();
    void SetCheckedIndex(int Value);
    TCheckKind GetCheckKind() const { return checkKind; }
    void SetCheckKind(TCheckKind Value);
    bool GetAllowGrayed() const { return allowGrayed && checkKind != ckRadioButtons; }
    void SetAllowGrayed(bool Value) { allowGrayed = Value; }
    TFormPlacement* GetIniStorage() const { return iniLink->GetPlacement(); }
    void SetIniStorage(TFormPlacement* Value) { iniLink->SetPlacement(Value); }
    // Items of another check list box come with their states and enabled flags.
    void SetItems(TStrings* Value) override;
    // The user's toggle of one item: unchecked, (grayed,) checked, unchecked again.
    void ToggleCheck(int Index);
    // The storage events: the states under the list's section ("Count", "Item0"...).
    void SaveStates(TObject* Storage, const QString& Section);
    void LoadStates(TObject* Storage, const QString& Section);
    // The stored form's "InternalVersion" and "Strings".
    void DefineProperties(TFiler* Filer);
    // Checks the checked item of a radio list (the first one when none is).
    void EnforceRadioRule();
    void Loaded() override;

    TNotifyEvent OnClickCheck;
    TChangeStateEvent OnStateChange;

    int GetItemHeight() override;
    TStrings* CreateItemList() override;
    int GetItemWidth(int Index) override;
    void DrawItem(int Index, TRect Rect, TOwnerDrawState State) override;
    LPARAM GetItemData(int Index) override;
    void SetItemData(int Index, LPARAM AData) override;
    void ResetContent() override;
    void DeleteString(int Index) override;
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    void Dispatch(TMessage& Message) override;
    void KeyPress(QChar& Key) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;

    // The width and height of one check image.
    int CheckWidth() const { return checkWidth; }
    int CheckHeight() const { return checkHeight; }

private:
    friend class TCheckListBoxStrings;
    TCheckListBoxItem* checkItem(int Index);     // null when the item has none
    TCheckListBoxItem* needCheckItem(int Index); // made when missing
    void freeCheckItem(int Index);
    // The check area of the item rectangle R.
    TRect checkRect(const TRect& R) const;
    void invalidateCheck(int Index);
    void fitItemHeight();
    void fireClickCheck();
    void readVersion(TReader* Reader);
    void readStrings(TReader* Reader);
    void writeStrings(TWriter* Writer);
    bool differsFrom(TRxCheckListBox* Ancestor);

    bool allowGrayed = false;
    TCheckKind checkKind = ckCheckBoxes;
    std::vector<uint32_t> savedStates; // while the window is recreated: enabled | state << 16
    std::unique_ptr<TBitmap> drawBitmap;
    int checkWidth = 0, checkHeight = 0;
    int storedVersion = 0;
    bool forcing = false;
    std::unique_ptr<TIniLink> iniLink;
};

// ---- TTextListBox ----------------------------------------------------------------------------

// The platform's list box whose horizontal range follows its widest item text.
class TTextListBox : public TCustomListBox, public TListBoxAccess {
    KADRION_CLASS(TTextListBox)
    explicit TTextListBox(TComponent* AOwner) : TCustomListBox(AOwner) {}
    int GetWidestItem() const { return maxItemWidth; }

    TWinControl* GetListControl() override { return this; }
    TStrings* GetListItems() override { return GetItems(); }
    int GetItemIndex() override { return TCustomListBox::GetItemIndex(); }
    void SetItemIndex(int Value) override;
    int GetSelCount() override { return TCustomListBox::GetSelCount(); }
    bool GetSelected(int Index) override;
    void SetSelected(int Index, bool Value) override;
    bool GetListMultiSelect() override { return GetMultiSelect(); }
    bool GetListSorted() override { return GetSorted(); }
    int ItemAtPos(const TPoint& Pos, bool Existing) override;
    TRect ItemRect(int Index) override;
    int GetTopIndex() override { return TCustomListBox::GetTopIndex(); }
    void SetTopIndex(int Value) override;

    // Tab stops every TabWidth quarters of the average character width.
    void SetTabWidth(int Value);
    int GetTabWidthValue() const { return tabWidth; }
    void WndProc(TMessage& Message) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;

protected:
    void DoEndDrag(TObject* Target, int X, int Y) override;

private:
    int itemWidth(int Index);
    void recomputeExtent();
    int maxItemWidth = 0;
    int tabWidth = 0;
    bool cancellingDrag = false;
};

// ---- TRxCustomLabel --------------------------------------------------------------------------

enum TShadowPosition { spLeftTop, spLeftBottom, spRightBottom, spRightTop };

// Draws Text with DrawText Format into R over its shadow (in ShadowColor, ShadowSize pixels
// off by Pos); R becomes the union of both rectangles. Returns the height DrawText gave the
// shadow (plus ShadowSize when above 0).
int DrawTextWithShadow(TCanvas* Canvas, const QString& Text, TShadowPosition Pos,
                       TColor ShadowColor, int ShadowSize, unsigned Format, TRect& R);

class TRxCustomLabel : public TGraphicControl {
    KADRION_CLASS(TRxCustomLabel)
    explicit TRxCustomLabel(TComponent* AOwner);

    TWinControl* GetFocusControl() const { return focusControl; }
    void SetFocusControl(TWinControl* Value);
    TAlignment GetAlignment() const { return alignment; }
    void SetAlignment(TAlignment Value);
    void SetAutoSize(bool Value) override;
    TTextLayout GetLayout() const { return layout; }
    void SetLayout(TTextLayout Value);
    TColor GetShadowColor() const { return shadowColor; }
    void SetShadowColor(TColor Value);
    int GetShadowSize() const { return shadowSize; }
    void SetShadowSize(int Value);
    TShadowPosition GetShadowPos() const { return shadowPos; }
    void SetShadowPos(TShadowPosition Value);
    bool GetWordWrap() const { return wordWrap; }
    void SetWordWrap(bool Value);
    bool GetShowAccelChar() const { return showAccelChar; }
    void SetShowAccelChar(bool Value);
    bool GetShowFocus() const { return showFocus; }
    void SetShowFocus(bool Value);
    bool GetTransparent() const { return !controlStyle.Contains(csOpaque); }
    void SetTransparent(bool Value);
    // Whether the mouse is over the label (as OnMouseEnter/OnMouseLeave last told).
    bool GetMouseInControl() const { return mouseInControl; }
    bool GetFocusActive() const { return focusActive; }

    virtual TColor FontColorOf() { return font->GetColor(); }
    virtual QString CaptionText() { return GetText(); }
    virtual void MouseEnter();
    virtual void MouseLeave();

    void Paint() override;
    void Dispatch(TMessage& Message) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void SetEnabled(bool Value) override;
    void SetVisible(bool Value) override;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void DrawCaption(TCanvas* Canvas, TRect& R, unsigned Format);
    // Resizes to the caption when AutoSize.
    void AdjustBounds();
    // The mouse-in-control flag from where the mouse is now.
    void updateTracking();

    TWinControl* focusControl = nullptr;
    TAlignment alignment = taLeftJustify;
    TTextLayout layout = tlTop;
    TColor shadowColor = clBtnHighlight;
    int shadowSize = 1;
    TShadowPosition shadowPos = spLeftTop;
    bool wordWrap = false;
    bool showAccelChar = true;
    bool showFocus = false;
    bool focusActive = false;
    bool mouseInControl = false;
    bool dragging = false;
};

class TRxLabel : public TRxCustomLabel {
    KADRION_CLASS(TRxLabel)
    explicit TRxLabel(TComponent* AOwner);
};

// ---- TRxSpeedButton -------------------------------------------------------------------------

// The look of a button, in the order the glyph's images stand.
enum TRxButtonState { rbsUp, rbsDisabled, rbsDown, rbsExclusive, rbsInactive };
// The frame style: bsWin31 the old one, bsNew the new one, bsAutoDetect the new one here.
enum TButtonStyle { bsAutoDetect, bsWin31, bsNew };
// Where a button's drop-down menu opens: under it, or at its right.
enum TRxDropDownMenuPos { dmpBottom, dmpRight };
// 1..5 images in a glyph.
using TRxNumGlyphs = int;

// Draws the frame of a button into R and leaves R as the content rectangle inside it.
void DrawButtonFrame(TCanvas* Canvas, TRect& R, bool IsDown, TButtonStyle Style, bool Flat);

// The glyph and caption of a button. The source bitmap holds NumGlyphs images side by side:
// up, disabled, down, exclusive, inactive; missing ones are made from the first (an embossed
// disabled look, a gray inactive one). Pixels of the transparent colour stay unpainted.
class TRxButtonGlyph : public TObject {
    KADRION_CLASS(TRxButtonGlyph)
    TRxButtonGlyph();
    ~TRxButtonGlyph() override;

    TBitmap* GetGlyph() const { return original.get(); }
    // Copies the bitmap (null empties the glyph).
    void SetGlyph(TBitmap* Value);
    TRxNumGlyphs GetNumGlyphs() const { return numGlyphs; }
    // 1..5; other values are limited to that range.
    void SetNumGlyphs(TRxNumGlyphs Value);
    TColor GetTransparentColor() const { return transparentColor; }
    bool GetWordWrap() const { return wordWrap; }
    void SetWordWrap(bool Value);
    TAlignment GetAlignment() const { return alignment; }
    void SetAlignment(TAlignment Value);
    // Forgets the prepared images (the system colours changed).
    void Invalidate();
    TNotifyEvent OnChange;

    // The size of one image (0 x 0 without a bitmap).
    TSize GlyphSize() const;
    // The image of a state, with its transparent pixels clear; null without a bitmap.
    QImage StateImage(TRxButtonState State);
    // Lays out and draws glyph and caption in Client (moved by Offset: a pressed button's
    // content shifts by 1, 1); returns the caption's rectangle.
    TRect Draw(TCanvas* Canvas, const TRect& Client, const TPoint& Offset, const QString& Caption,
               TButtonLayout Layout, int Margin, int Spacing, bool DropDownMark,
               TRxButtonState State, unsigned Flags);

private:
    void glyphChanged(TObject*);
    std::unique_ptr<TBitmap> original;
    std::array<QImage, 5> prepared;
    TColor transparentColor = TColor(0xFF00FF);
    TRxNumGlyphs numGlyphs = 1;
    bool wordWrap = false;
    TAlignment alignment = taCenter;
};

// A windowless push button: Glyph and Caption laid out by Layout, Margin and Spacing; the frame
// of Style; while held it shows pressed and, with AllowTimer, clicks again after InitPause and
// then every RepeatInterval ms (the timers come from the timer source in use). Click sets the
// parent form's ModalResult to the button's.
class TRxSpeedButton : public TGraphicControl {
    KADRION_CLASS(TRxSpeedButton)
    explicit TRxSpeedButton(TComponent* AOwner);
    ~TRxSpeedButton() override;

    TBitmap* GetGlyph() const { return glyph->GetGlyph(); }
    void SetGlyph(TBitmap* Value);
    TRxNumGlyphs GetNumGlyphs() const { return glyph->GetNumGlyphs(); }
    void SetNumGlyphs(TRxNumGlyphs Value);
    TRxButtonGlyph* GetButtonGlyph() const { return glyph.get(); }
    TButtonStyle GetStyle() const { return style; }
    void SetStyle(TButtonStyle Value);
    TButtonLayout GetLayout() const { return layout; }
    void SetLayout(TButtonLayout Value);
    int GetMargin() const { return margin; }
    // -1 (centred) and up.
    void SetMargin(int Value);
    int GetSpacing() const { return spacing; }
    void SetSpacing(int Value);
    TAlignment GetAlignment() const { return glyph->GetAlignment(); }
    void SetAlignment(TAlignment Value) { glyph->SetAlignment(Value); }
    bool GetWordWrap() const { return glyph->GetWordWrap(); }
    void SetWordWrap(bool Value) { glyph->SetWordWrap(Value); }
    TModalResult GetModalResult() const { return modalResult; }
    void SetModalResult(TModalResult Value) { modalResult = Value; }
    bool GetAllowTimer() const { return allowTimer; }
    void SetAllowTimer(bool Value);
    unsigned GetInitPause() const { return initPause; }
    void SetInitPause(unsigned Value) { initPause = Value; }
    unsigned GetRepeatInterval() const { return repeatInterval; }
    void SetRepeatInterval(unsigned Value) { repeatInterval = Value; }
    TRxButtonState GetState() const { return state; }
    // Buttons of one group (GroupIndex above 0) under one parent latch down one at a time;
    // AllowAllUp lets the down one go up again, and is shared by the whole group.
    int GetGroupIndex() const { return groupIndex; }
    void SetGroupIndex(int Value);
    bool GetDown() const { return down; }
    void SetDown(bool Value);
    bool GetAllowAllUp() const { return allowAllUp; }
    void SetAllowAllUp(bool Value);
    // A flat button shows its frame only under the mouse (gray glyph elsewhere unless
    // GrayedInactive is off; with FlatStandard the normal glyph).
    bool GetFlat() const { return flat; }
    void SetFlat(bool Value);
    bool GetGrayedInactive() const { return grayedInactive; }
    void SetGrayedInactive(bool Value);
    bool GetFlatStandard() const { return flatStandard; }
    void SetFlatStandard(bool Value);
    // The parent's picture shows behind a transparent button.
    bool GetTransparent() const { return transparent; }
    void SetTransparent(bool Value);
    // A press opens DropDownMenu (with its AutoPopup) at MenuPosition; MarkDropDown draws the
    // small triangle that says so.
    TPopupMenu* GetDropDownMenu() const { return dropDownMenu; }
    void SetDropDownMenu(TPopupMenu* Value);
    TRxDropDownMenuPos GetMenuPosition() const { return menuPosition; }
    void SetMenuPosition(TRxDropDownMenuPos Value) { menuPosition = Value; }
    bool GetMarkDropDown() const { return markDropDown; }
    void SetMarkDropDown(bool Value);
    bool GetMouseInControl() const { return mouseInControl; }
    // The repeat timer (made by the first press with AllowTimer; enabled while held).
    TTimer* GetRepeatTimer() const { return repeatTimer; }
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;

    // Draws glyph and caption for a state into the content rectangle.
    virtual void PaintGlyph(TCanvas* Canvas, const TRect& ARect, TRxButtonState AState,
                            bool DrawMark);
    void Paint() override;
    void Click() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void DblClick() override;
    void Dispatch(TMessage& Message) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

protected:
    // Tells the other buttons of the group (CM_BUTTONPRESSED to the parent's controls).
    void updateExclusive();
    // Opens the drop-down menu for a press; true when it was shown.
    bool checkMenuDropDown();
    void timerTick();
    void stopTimer();
    void setState(TRxButtonState Value);
    std::unique_ptr<TRxButtonGlyph> glyph;
    TButtonStyle style = bsAutoDetect;
    TButtonLayout layout = blGlyphTop;
    int spacing = 1;
    int margin = -1;
    TModalResult modalResult = mrNone;
    bool dragging = false;
    bool mouseInControl = false;
    bool allowTimer = false;
    unsigned initPause = 500;
    unsigned repeatInterval = 100;
    TTimer* repeatTimer = nullptr;
    // The timer clicked during this press: the release adds no click of its own.
    bool repeated = false;
    TRxButtonState state = rbsUp;
    int groupIndex = 0;
    bool down = false;
    bool allowAllUp = false;
    bool flat = false;
    bool grayedInactive = true;
    bool flatStandard = false;
    bool transparent = false;
    bool markDropDown = true;
    bool menuTracking = false;
    TPopupMenu* dropDownMenu = nullptr;
    TRxDropDownMenuPos menuPosition = dmpBottom;
};
