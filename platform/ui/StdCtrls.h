// The standard controls. Text input (edit, memo, combo box) uses native Qt widgets as window
// handles with the message layer on top: every key reaches the widget only through WM_KEYDOWN
// and WM_CHAR, so a control (or its OnKeyPress) can refuse or change it. List boxes, buttons,
// check boxes, radio buttons, group boxes and labels paint themselves through TCanvas.
#pragma once

#include "Controls.h"
#include "Forms.h"

class QLineEdit;
class QPlainTextEdit;
class QComboBox;

// ---- notifications ------------------------------------------------------------------------

// Combo-box and list-box notifications (the high word of CN_COMMAND's WParam).
constexpr WORD CBN_SELCHANGE = 1;
constexpr WORD CBN_DBLCLK = 2;
constexpr WORD CBN_SETFOCUS = 3;
constexpr WORD CBN_KILLFOCUS = 4;
constexpr WORD CBN_EDITCHANGE = 5;
constexpr WORD CBN_EDITUPDATE = 6;
constexpr WORD CBN_DROPDOWN = 7;
constexpr WORD CBN_CLOSEUP = 8;
constexpr WORD CBN_SELENDOK = 9;
constexpr WORD CBN_SELENDCANCEL = 10;
constexpr WORD LBN_SELCHANGE = 1;
constexpr WORD LBN_DBLCLK = 2;
constexpr WORD EN_CHANGE = 0x0300;
constexpr WORD BN_CLICKED = 0;

// Combo-box messages.
constexpr UINT CB_GETCOUNT = 0x0146;
constexpr UINT CB_GETCURSEL = 0x0147;
constexpr UINT CB_SETCURSEL = 0x014E;
constexpr UINT CB_SHOWDROPDOWN = 0x014F;
constexpr UINT CB_GETDROPPEDSTATE = 0x0157;
// List-box item from a point: LOWORD the index, HIWORD 1 when outside every item.
constexpr UINT LB_ITEMFROMPOINT = 0x01A9;
constexpr UINT LB_FINDSTRING = 0x018F;
// Button messages.
constexpr UINT BM_GETCHECK = 0x00F0;
constexpr UINT BM_SETCHECK = 0x00F1;
constexpr UINT BM_CLICK = 0x00F5;

enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };
enum TScrollStyleMemo { ssMemoNone };
enum TOwnerDrawStateItem {
    odSelected,
    odGrayed,
    odDisabled,
    odChecked,
    odFocused,
    odDefault,
    odComboBoxEdit
};
using TOwnerDrawState = TSet<TOwnerDrawStateItem>;
using TDrawItemEvent =
    std::function<void(TWinControl* Control, int Index, TRect Rect, TOwnerDrawState State)>;
using TMeasureItemEvent = std::function<void(TWinControl* Control, int Index, int& Height)>;

// ---- TCustomEdit -----------------------------------------------------------------------------

// A single-line edit over a QLineEdit. Change (and OnChange) runs for every change of the
// text, typed or set from code; Modified is set by typing and cleared when the text is set.
class TCustomEdit : public TWinControl {
    KADRION_CLASS(TCustomEdit)
    explicit TCustomEdit(TComponent* AOwner);
    ~TCustomEdit() override;

    int GetMaxLength() const { return maxLength; }
    void SetMaxLength(int Value);
    bool GetReadOnly() const { return readOnly; }
    void SetReadOnly(bool Value);
    QChar GetPasswordChar() const { return passwordChar; }
    void SetPasswordChar(QChar Value);
    bool GetAutoSelect() const { return autoSelect; }
    void SetAutoSelect(bool Value) { autoSelect = Value; }
    TEditCharCase GetCharCase() const { return charCase; }
    void SetCharCase(TEditCharCase Value);
    TBorderStyle GetBorderStyle() const { return borderStyle; }
    void SetBorderStyle(TBorderStyle Value);
    bool GetModified() const { return modified; }
    void SetModified(bool Value) { modified = Value; }

    int GetSelStart();
    void SetSelStart(int Value);
    int GetSelLength();
    void SetSelLength(int Value);
    QString GetSelText();
    void SetSelText(const QString& Value);
    void SelectAll();
    void Clear() { SetText(QString()); }
    void ClearSelection();
    void CopyToClipboard();
    void CutToClipboard();
    void PasteFromClipboard();
    void Undo();
    bool GetCanUndo();

    TNotifyEvent OnChange;
    virtual void Change();

    QWidget* CreateWindowWidget(const TCreateParams& Params, QWidget* ParentWidget) override;
    void CreateWnd() override;
    QString GetTextBuf() override;
    void SetTextBuf(const QString& Value) override;
    void Dispatch(TMessage& Message) override;
    QLineEdit* LineEdit() const;

protected:
    // Puts ReadOnly on the widget.
    virtual void applyReadOnly();
    // Sets the widget's text without the change notification.
    void setWidgetText(const QString& Value);
    // The widget's text changed: unless the program is setting it, the text is modified and
    // Change runs.
    void widgetTextChanged();
    int maxLength = 0;
    bool readOnly = false;
    QChar passwordChar;
    bool autoSelect = true;
    TEditCharCase charCase = ecNormal;
    TBorderStyle borderStyle = bsSingle;
    bool modified = false;
    int selStart = 0, selLength = 0;
    int settingText = 0;
};

class TEdit : public TCustomEdit {
    KADRION_CLASS(TEdit)
    explicit TEdit(TComponent* AOwner) : TCustomEdit(AOwner) {}
};

// ---- TCustomMemo -----------------------------------------------------------------------------

// A multi-line edit over a QPlainTextEdit; Lines is a view of its text.
class TCustomMemo : public TCustomEdit {
    KADRION_CLASS(TCustomMemo)
    explicit TCustomMemo(TComponent* AOwner);
    ~TCustomMemo() override;
    TStrings* GetLines() const { return lines.get(); }
    void SetLines(TStrings* Value);
    bool GetWordWrap() const { return wordWrap; }
    void SetWordWrap(bool Value);
    TScrollStyle GetScrollBars() const { return scrollBars; }
    void SetScrollBars(TScrollStyle Value);
    bool GetWantReturns() const { return wantReturns; }
    void SetWantReturns(bool Value) { wantReturns = Value; }
    bool GetWantTabs() const { return wantTabs; }
    void SetWantTabs(bool Value) { wantTabs = Value; }
    TAlignment GetAlignment() const { return alignment; }
    void SetAlignment(TAlignment Value) { alignment = Value; }

    QWidget* CreateWindowWidget(const TCreateParams& Params, QWidget* ParentWidget) override;
    void CreateWnd() override;
    QString GetTextBuf() override;
    void SetTextBuf(const QString& Value) override;
    void Dispatch(TMessage& Message) override;
    QPlainTextEdit* TextEdit() const;

protected:
    void applyReadOnly() override { applyOptions(); }

private:
    void applyOptions();
    std::unique_ptr<TStrings> lines;
    bool wordWrap = true;
    TScrollStyle scrollBars = ssNone;
    bool wantReturns = true;
    bool wantTabs = false;
    TAlignment alignment = taLeftJustify;
};

class TMemo : public TCustomMemo {
    KADRION_CLASS(TMemo)
    explicit TMemo(TComponent* AOwner) : TCustomMemo(AOwner) {}
};

// ---- TCustomComboBox -------------------------------------------------------------------------

enum TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };

// A combo box over a QComboBox. The list notifications arrive as CN_COMMAND with CBN_ codes
// and call Change (edit text changed or selection changed), Select, DropDown and CloseUp.
class TCustomComboBox : public TWinControl {
    KADRION_CLASS(TCustomComboBox)
    explicit TCustomComboBox(TComponent* AOwner);
    ~TCustomComboBox() override;

    TComboBoxStyle GetStyle() const { return style; }
    void SetStyle(TComboBoxStyle Value);
    TStrings* GetItems() const { return items.get(); }
    void SetItems(TStrings* Value) { items->Assign(Value); }
    int GetItemIndex();
    void SetItemIndex(int Value);
    int GetDropDownCount() const { return dropDownCount; }
    void SetDropDownCount(int Value);
    bool GetSorted() const { return sorted; }
    void SetSorted(bool Value);
    bool GetDroppedDown();
    void SetDroppedDown(bool Value);
    int GetMaxLength() const { return maxLength; }
    void SetMaxLength(int Value);
    int GetItemHeight() const { return itemHeight; }
    void SetItemHeight(int Value) { itemHeight = Value; }
    TEditCharCase GetCharCase() const { return charCase; }
    void SetCharCase(TEditCharCase Value) { charCase = Value; }
    int GetSelStart();
    void SetSelStart(int Value);
    int GetSelLength();
    void SetSelLength(int Value);
    void SelectAll();
    void Clear();

    TNotifyEvent OnChange;
    TNotifyEvent OnSelect;
    TNotifyEvent OnDropDown;
    TNotifyEvent OnCloseUp;
    TDrawItemEvent OnDrawItem;
    TMeasureItemEvent OnMeasureItem;
    // The canvas OnDrawItem draws on (null outside the drawing of an item).
    TCanvas* GetCanvas() const { return drawCanvas; }
    void SetDrawCanvas(TCanvas* Value) { drawCanvas = Value; }

    virtual void Change();
    virtual void Select();
    virtual void DropDown();
    virtual void CloseUp();

    QWidget* CreateWindowWidget(const TCreateParams& Params, QWidget* ParentWidget) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    QString GetTextBuf() override;
    void SetTextBuf(const QString& Value) override;
    void Dispatch(TMessage& Message) override;
    QComboBox* ComboBox() const;

protected:
    void itemsChanged(TObject*);
    void syncItems();
    void CNCommand(TMessage& Message);
    std::unique_ptr<TStringList> items;
    TComboBoxStyle style = csDropDown;
    int dropDownCount = 8;
    bool sorted = false;
    int maxLength = 0;
    int itemHeight = 16;
    TEditCharCase charCase = ecNormal;
    int itemIndex = -1;
    int syncing = 0;
    bool dropped = false;
    TCanvas* drawCanvas = nullptr;
    friend class TComboPopupHook;
};

class TComboBox : public TCustomComboBox {
    KADRION_CLASS(TComboBox)
    explicit TComboBox(TComponent* AOwner) : TCustomComboBox(AOwner) {}
};

// ---- TCustomListBox --------------------------------------------------------------------------

enum TListBoxStyle { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable };

// A list box drawn through the canvas. It answers the list-box messages (LB_*) and tells its
// parent about selection changes and double clicks with CN_COMMAND LBN_SELCHANGE/LBN_DBLCLK
// (OnClick and OnDblClick). Items are laid out top to bottom, in Columns of ColumnWidth when
// Columns > 0 (scrolling then goes by columns).
class TCustomListBox : public TCustomControl {
    KADRION_CLASS(TCustomListBox)
    explicit TCustomListBox(TComponent* AOwner);
    ~TCustomListBox() override;

    TStrings* GetItems() const { return items.get(); }
    void SetItems(TStrings* Value) { items->Assign(Value); }
    int GetItemIndex();
    void SetItemIndex(int Value);
    bool GetMultiSelect() const { return multiSelect; }
    void SetMultiSelect(bool Value) { multiSelect = Value; }
    bool GetExtendedSelect() const { return extendedSelect; }
    void SetExtendedSelect(bool Value) { extendedSelect = Value; }
    bool GetSelected(int Index);
    void SetSelected(int Index, bool Value);
    int GetSelCount();
    bool GetSorted() const { return sorted; }
    void SetSorted(bool Value);
    TListBoxStyle GetStyle() const { return style; }
    void SetStyle(TListBoxStyle Value);
    int GetItemHeight();
    void SetItemHeight(int Value);
    int GetTopIndex() const { return topIndex; }
    void SetTopIndex(int Value);
    int GetColumns() const { return columns; }
    void SetColumns(int Value);
    int GetColumnWidth() const { return columnWidth; }
    bool GetIntegralHeight() const { return integralHeight; }
    void SetIntegralHeight(bool Value);
    bool GetTabWidth() const { return !tabStops.empty(); }
    void SetTabWidth(int Value);
    void Clear();
    // The item at a client point (-1 outside the items unless Existing is false: then the
    // nearest one).
    int ItemAtPos(const TPoint& Pos, bool Existing);
    TRect ItemRect(int Index);
    TCanvas* GetCanvas() const { return TCustomControl::GetCanvas(); }

    TDrawItemEvent OnDrawItem;
    TMeasureItemEvent OnMeasureItem;

    virtual void DrawItem(int Index, TRect Rect, TOwnerDrawState State);
    virtual void MeasureItem(int Index, int& Height);
    void Paint() override;
    void Dispatch(TMessage& Message) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void KeyDown(WORD& Key, TShiftState Shift) override;
    void KeyPress(QChar& Key) override;
    void DblClick() override;
    void CreateParams(TCreateParams& Params) override;
    // Every change of the items or the view also sets the vertical scroll bar.
    void Invalidate() override;
    // A new window takes its scroll bar from the items it already has.
    void CreateWnd() override;
    // With IntegralHeight the height drops to whole items (fixed-height styles).
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;

protected:
    bool takesInput();
    struct Entry {
        LPARAM Data = 0;
        bool Selected = false;
        int Height = 0;
    };
    void itemsChanged(TObject*);
    int rowsPerColumn();
    int visibleCount();
    void selChange();
    void select(int Index, TShiftState Shift);
    void makeVisible(int Index);
    int itemHeightOf(int Index);
    int addString(const QString& S, bool Insert, int At);
    std::unique_ptr<TStringList> items;
    std::vector<Entry> entries;
    int itemIndex = -1;
    int anchor = -1;
    bool multiSelect = false;
    bool extendedSelect = true;
    bool sorted = false;
    TListBoxStyle style = lbStandard;
    int itemHeight = 0; // 0: from the font
    int topIndex = 0;
    int columns = 0;
    int columnWidth = 0;
    int horizontalExtent = 0;
    bool integralHeight = false;
    std::vector<int> tabStops;
    int syncing = 0;
    bool settingBar = false;
};

class TListBox : public TCustomListBox {
    KADRION_CLASS(TListBox)
    explicit TListBox(TComponent* AOwner) : TCustomListBox(AOwner) {}
};

// ---- buttons ---------------------------------------------------------------------------------

// The common base of push buttons, check boxes and radio buttons: drawn by us, clicked by
// the mouse (press and release inside), the space bar, BM_CLICK, or an accelerator.
class TButtonControl : public TCustomControl {
    KADRION_CLASS(TButtonControl)
    explicit TButtonControl(TComponent* AOwner);
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void KeyDown(WORD& Key, TShiftState Shift) override;
    void KeyUp(WORD& Key, TShiftState Shift) override;
    void Dispatch(TMessage& Message) override;
    bool GetPressed() const { return pressed; }
    // While set, changing the checked state from code does not click.
    bool ClicksDisabled = false;

protected:
    bool takesInput();
    // Called for a complete click (mouse, space, accelerator).
    virtual void ButtonClick() { Click(); }
    // The caption's accelerator character ('&x'), lower-cased; null when none.
    QChar accelerator();
    void paintCaption(TCanvas* C, TRect R, unsigned Flags);
    bool pressed = false;
    bool spaceDown = false;
};

class TButton : public TButtonControl {
    KADRION_CLASS(TButton)
    explicit TButton(TComponent* AOwner);
    bool GetDefault() const { return isDefault; }
    void SetDefault(bool Value);
    bool GetCancel() const { return cancel; }
    void SetCancel(bool Value) { cancel = Value; }
    TModalResult GetModalResult() const { return modalResult; }
    void SetModalResult(TModalResult Value) { modalResult = Value; }
    // Sets the form's ModalResult, then OnClick.
    void Click() override;
    void Paint() override;
    void Dispatch(TMessage& Message) override;

protected:
    bool isDefault = false;
    bool cancel = false;
    TModalResult modalResult = mrNone;
};

enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

class TCustomCheckBox : public TButtonControl {
    KADRION_CLASS(TCustomCheckBox)
    explicit TCustomCheckBox(TComponent* AOwner);
    bool GetChecked() const { return state == cbChecked; }
    void SetChecked(bool Value) { SetState(Value ? cbChecked : cbUnchecked); }
    TCheckBoxState GetState() const { return state; }
    virtual void SetState(TCheckBoxState Value);
    bool GetAllowGrayed() const { return allowGrayed; }
    void SetAllowGrayed(bool Value) { allowGrayed = Value; }
    TAlignment GetAlignment() const { return alignment; }
    void SetAlignment(TAlignment Value);
    // Steps to the next state (unchecked, checked, grayed when allowed) and clicks.
    virtual void Toggle();
    void Paint() override;
    void Dispatch(TMessage& Message) override;

protected:
    void ButtonClick() override { Toggle(); }
    TCheckBoxState state = cbUnchecked;
    bool allowGrayed = false;
    TAlignment alignment = taRightJustify;
};

class TCheckBox : public TCustomCheckBox {
    KADRION_CLASS(TCheckBox)
    explicit TCheckBox(TComponent* AOwner) : TCustomCheckBox(AOwner) {}
};

// Checking one radio button unchecks the other radio buttons of the same parent.
class TRadioButton : public TButtonControl {
    KADRION_CLASS(TRadioButton)
    explicit TRadioButton(TComponent* AOwner);
    bool GetChecked() const { return checked; }
    void SetChecked(bool Value);
    TAlignment GetAlignment() const { return alignment; }
    void SetAlignment(TAlignment Value);
    void Paint() override;
    void Dispatch(TMessage& Message) override;

protected:
    void ButtonClick() override;
    bool checked = false;
    TAlignment alignment = taRightJustify;
};

// ---- TGroupBox -------------------------------------------------------------------------------

// A framed box with a caption at its top edge. Disabling it disables its children (they are
// windows inside it, and a disabled parent window takes no input).
class TCustomGroupBox : public TCustomControl {
    KADRION_CLASS(TCustomGroupBox)
    explicit TCustomGroupBox(TComponent* AOwner);
    void AdjustClientRect(TRect& Rect) override;
    void Paint() override;
    void Dispatch(TMessage& Message) override;
};

class TGroupBox : public TCustomGroupBox {
    KADRION_CLASS(TGroupBox)
    explicit TGroupBox(TComponent* AOwner) : TCustomGroupBox(AOwner) {}
};

// ---- TLabel ----------------------------------------------------------------------------------

enum TTextLayout { tlTop, tlCenter, tlBottom };

// A windowless caption. '&' marks an accelerator that focuses FocusControl (ShowAccelChar).
class TCustomLabel : public TGraphicControl {
    KADRION_CLASS(TCustomLabel)
    explicit TCustomLabel(TComponent* AOwner);
    TAlignment GetAlignment() const { return alignment; }
    void SetAlignment(TAlignment Value);
    TTextLayout GetLayout() const { return layout; }
    void SetLayout(TTextLayout Value);
    bool GetWordWrap() const { return wordWrap; }
    void SetWordWrap(bool Value);
    bool GetTransparent() const { return transparent; }
    void SetTransparent(bool Value);
    bool GetShowAccelChar() const { return showAccelChar; }
    void SetShowAccelChar(bool Value);
    TWinControl* GetFocusControl() const { return focusControl; }
    void SetFocusControl(TWinControl* Value);
    void SetAutoSize(bool Value) override;
    // Resizes to the text when AutoSize.
    void AdjustBounds();
    void Paint() override;
    void Dispatch(TMessage& Message) override;
    // The DrawText flags the label paints with.
    unsigned TextFlags() const;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;
    TAlignment alignment = taLeftJustify;
    TTextLayout layout = tlTop;
    bool wordWrap = false;
    bool transparent = false;
    bool showAccelChar = true;
    TWinControl* focusControl = nullptr;
};

class TLabel : public TCustomLabel {
    KADRION_CLASS(TLabel)
    explicit TLabel(TComponent* AOwner) : TCustomLabel(AOwner) {}
};

// ---- TScrollBar ------------------------------------------------------------------------------

// A stand-alone scroll bar: Position within Min..Max, OnChange and OnScroll.
enum TScrollCode {
    scLineUp,
    scLineDown,
    scPageUp,
    scPageDown,
    scPosition,
    scTrack,
    scTop,
    scBottom,
    scEndScroll
};
using TScrollEvent = std::function<void(TObject* Sender, TScrollCode ScrollCode, int& ScrollPos)>;

class TScrollBar : public TCustomControl {
    KADRION_CLASS(TScrollBar)
    explicit TScrollBar(TComponent* AOwner);
    TScrollBarKind GetKind() const { return kind; }
    void SetKind(TScrollBarKind Value) { kind = Value; }
    int GetPosition() const { return position; }
    void SetPosition(int Value);
    int GetMin() const { return min; }
    int GetMax() const { return max; }
    void SetParams(int APosition, int AMin, int AMax);
    int SmallChange = 1;
    int LargeChange = 1;
    TNotifyEvent OnChange;
    TScrollEvent OnScroll;
    // Moves as the scroll code asks (what an arrow or page click does).
    void Scroll(TScrollCode Code, int Pos = 0);
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;

private:
    TScrollBarKind kind = sbHorizontal;
    int position = 0, min = 0, max = 100;
};

// The text a control shows without its '&' markers ("&&" stays as one '&').
QString StripHotkey(const QString& Text);
// The accelerator character of a caption ('&x'), null when none.
QChar GetHotkey(const QString& Text);
// True when the key of CM_DIALOGCHAR matches the caption's accelerator.
bool IsAccel(WORD VK, const QString& Str);
