// Common controls: page control with tab sheets, status bar, progress bar, up-down, and the
// tool bar with its buttons. All are drawn through the canvas.
#pragma once

#include "ExtCtrls.h"
#include "Menus.h"

class QDateEdit;

class TCustomImageList;
class TPageControl;

// ---- TPageControl and TTabSheet -------------------------------------------------------------

class TTabSheet : public TCustomControl {
    KADRION_CLASS(TTabSheet)
    explicit TTabSheet(TComponent* AOwner);
    ~TTabSheet() override;
    TPageControl* GetPageControl() const { return pageControl; }
    void SetPageControl(TPageControl* Value);
    // Position among the pages.
    int GetPageIndex() const;
    void SetPageIndex(int Value);
    bool GetTabVisible() const { return tabVisible; }
    void SetTabVisible(bool Value);
    int GetImageIndex() const { return imageIndex; }
    void SetImageIndex(int Value) { imageIndex = Value; }
    // Index among the visible tabs (-1 when its tab is hidden).
    int GetTabIndex() const;
    void Paint() override;
    void Dispatch(TMessage& Message) override;
    TNotifyEvent OnShow;
    TNotifyEvent OnHide;

private:
    friend class TPageControl;
    TPageControl* pageControl = nullptr;
    bool tabVisible = true;
    int imageIndex = -1;
};

using TTabChangingEvent = std::function<void(TObject* Sender, bool& AllowChange)>;

// Tabs along the top; the active page fills the rest. Clicking a tab (or Ctrl+Tab) asks
// OnChanging, switches, then tells OnChange; setting ActivePage from code does not ask.
class TPageControl : public TCustomControl {
    KADRION_CLASS(TPageControl)
    explicit TPageControl(TComponent* AOwner);
    ~TPageControl() override;
    int GetPageCount() const { return int(pages.size()); }
    int PageCount() const { return GetPageCount(); }
    TTabSheet* GetPages(int Index) const { return pages[size_t(Index)]; }
    TTabSheet* GetActivePage() const { return activePage; }
    void SetActivePage(TTabSheet* Page);
    int GetActivePageIndex() const;
    void SetActivePageIndex(int Value);
    // Index of the active page's tab among the visible tabs.
    int GetTabIndex() const;
    void SetTabIndex(int Value);
    TCustomImageList* GetImages() const { return images; }
    void SetImages(TCustomImageList* Value) { images = Value; }
    // The next (or previous) visible page after Current, wrapping.
    TTabSheet* FindNextPage(TTabSheet* Current, bool GoForward, bool CheckTabVisible);
    void SelectNextPage(bool GoForward);
    // Tab rectangles and the tab at a point (-1: none), by visible-tab index.
    TRect TabRect(int TabIndex);
    int IndexOfTabAt(int X, int Y);
    int TabHeight() const;
    TTabSheet* PageOfTab(int TabIndex) const;
    virtual bool CanChange();
    virtual void Change();
    TTabChangingEvent OnChanging;
    TNotifyEvent OnChange;
    void AdjustClientRect(TRect& Rect) override;
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void KeyDown(WORD& Key, TShiftState Shift) override;
    void Dispatch(TMessage& Message) override;

private:
    friend class TTabSheet;
    void insertPage(TTabSheet* Page);
    void removePage(TTabSheet* Page);
    void showPage(TTabSheet* Page);
    std::vector<TTabSheet*> pages;
    TTabSheet* activePage = nullptr;
    TCustomImageList* images = nullptr;
};

// ---- TStatusBar -----------------------------------------------------------------------------

class TStatusBar;
class TStatusPanel {
public:
    QString Text;
    int Width = 50;
    TAlignment Alignment = taLeftJustify;
    TBevelCut Bevel = bvLowered;
};

class TStatusBar : public TCustomControl {
    KADRION_CLASS(TStatusBar)
    explicit TStatusBar(TComponent* AOwner);
    // Panels, each Width wide (the last takes the rest); SimplePanel shows SimpleText alone.
    int PanelCount() const { return int(panels.size()); }
    TStatusPanel* GetPanels(int Index) { return &panels[size_t(Index)]; }
    TStatusPanel* AddPanel();
    void ClearPanels();
    bool GetSimplePanel() const { return simplePanel; }
    void SetSimplePanel(bool Value);
    QString GetSimpleText() const { return simpleText; }
    void SetSimpleText(const QString& Value);
    // The size grip in the bottom-right corner, shown on a resizable form that is not
    // maximized; dragging it resizes the form.
    bool GetSizeGrip() const { return sizeGrip; }
    void SetSizeGrip(bool Value);
    // The grip's rectangle, empty when none shows.
    TRect GripRect();
    TRect PanelRect(int Index);
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

private:
    std::vector<TStatusPanel> panels;
    bool simplePanel = false, sizeGrip = true;
    QString simpleText;
    bool sizing = false;
    TPoint sizingFrom;
    TSize sizingStart;
};

// ---- TProgressBar ---------------------------------------------------------------------------

class TProgressBar : public TGraphicControl {
    KADRION_CLASS(TProgressBar)
    explicit TProgressBar(TComponent* AOwner);
    int GetMin() const { return min; }
    void SetMin(int Value);
    int GetMax() const { return max; }
    void SetMax(int Value);
    int GetPosition() const { return position; }
    void SetPosition(int Value);
    int GetStep() const { return step; }
    void SetStep(int Value) { step = Value; }
    void StepIt() { SetPosition(position + step); }
    void StepBy(int Delta) { SetPosition(position + Delta); }
    void Paint() override;

private:
    int min = 0, max = 100, position = 0, step = 10;
};

// ---- TUpDown --------------------------------------------------------------------------------

enum TUDBtnType { btNext, btPrev };
enum TUDOrientation { udHorizontal, udVertical };
using TUDClickEvent = std::function<void(TObject* Sender, TUDBtnType Button)>;
using TUDChangingEvent = std::function<void(TObject* Sender, bool& AllowChange)>;

// Two arrows that step Position by Increment within Min..Max (wrapping when Wrap), writing it
// into the Associate control's text.
class TUpDown : public TCustomControl {
    KADRION_CLASS(TUpDown)
    explicit TUpDown(TComponent* AOwner);
    int GetMin() const { return min; }
    void SetMin(int Value) { min = Value; }
    int GetMax() const { return max; }
    void SetMax(int Value) { max = Value; }
    int GetPosition() const { return position; }
    void SetPosition(int Value);
    int GetIncrement() const { return increment; }
    void SetIncrement(int Value) { increment = Value; }
    bool GetWrap() const { return wrap; }
    void SetWrap(bool Value) { wrap = Value; }
    TUDOrientation GetOrientation() const { return orientation; }
    void SetOrientation(TUDOrientation Value) { orientation = Value; }
    TWinControl* GetAssociate() const { return associate; }
    void SetAssociate(TWinControl* Value);
    bool GetThousands() const { return thousands; }
    void SetThousands(bool Value) { thousands = Value; }
    // What a click on an arrow does.
    void ClickButton(TUDBtnType Button);
    TUDClickEvent OnClick;
    TUDChangingEvent OnChanging;
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    void updateAssociate();
    int min = 0, max = 100, position = 0, increment = 1;
    bool wrap = false, thousands = true;
    TUDOrientation orientation = udVertical;
    TWinControl* associate = nullptr;
};

// ---- TToolBar and TToolButton ---------------------------------------------------------------

enum TToolButtonStyle { tbsButton, tbsCheck, tbsDropDown, tbsSeparator, tbsDivider };

class TToolBar;

// A button of a tool bar: an image of the bar's Images, a caption shown with ShowCaptions,
// checkable (Down, Grouped), a separator, or a drop-down with a menu.
class TToolButton : public TGraphicControl {
    KADRION_CLASS(TToolButton)
    explicit TToolButton(TComponent* AOwner);
    TToolButtonStyle GetStyle() const { return style; }
    void SetStyle(TToolButtonStyle Value);
    int GetImageIndex() const { return imageIndex; }
    void SetImageIndex(int Value);
    bool GetDown() const { return down; }
    void SetDown(bool Value);
    bool GetGrouped() const { return grouped; }
    void SetGrouped(bool Value) { grouped = Value; }
    bool GetAllowAllUp() const { return allowAllUp; }
    void SetAllowAllUp(bool Value) { allowAllUp = Value; }
    TPopupMenu* GetDropdownMenu() const { return dropdownMenu; }
    void SetDropdownMenu(TPopupMenu* Value) { dropdownMenu = Value; }
    // The menu item whose sub-items this button drops down (a tool-bar menu strip).
    TMenuItem* GetMenuItem() const { return menuItem; }
    void SetMenuItem(TMenuItem* Value);
    TToolBar* GetToolBar() const;
    void Click() override;
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void Dispatch(TMessage& Message) override;

private:
    TToolButtonStyle style = tbsButton;
    int imageIndex = -1;
    bool down = false, grouped = false, allowAllUp = false, pressed = false, hot = false;
    TPopupMenu* dropdownMenu = nullptr;
    TMenuItem* menuItem = nullptr;
};

// Lays its buttons out left to right (wrapping when they do not fit) at ButtonWidth x
// ButtonHeight; separators take their own width.
class TToolBar : public TCustomControl {
    KADRION_CLASS(TToolBar)
    explicit TToolBar(TComponent* AOwner);
    int ButtonCount() const;
    TToolButton* GetButtons(int Index) const;
    bool GetFlat() const { return flat; }
    void SetFlat(bool Value);
    bool GetShowCaptions() const { return showCaptions; }
    void SetShowCaptions(bool Value);
    int GetButtonWidth() const { return buttonWidth; }
    void SetButtonWidth(int Value);
    int GetButtonHeight() const { return buttonHeight; }
    void SetButtonHeight(int Value);
    TCustomImageList* GetImages() const { return images; }
    void SetImages(TCustomImageList* Value);
    TCustomImageList* GetDisabledImages() const { return disabledImages; }
    void SetDisabledImages(TCustomImageList* Value) { disabledImages = Value; }
    bool GetWrapable() const { return wrapable; }
    void SetWrapable(bool Value);
    // Makes one drop-down button per item of the menu (a menu strip).
    void SetMenu(TMainMenu* Value);
    TMainMenu* GetMenu() const { return menu; }
    void ArrangeButtons();
    void AlignControls(TControl* AControl, TRect& Rect) override;
    void Paint() override;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    bool flat = false, showCaptions = false, wrapable = true;
    int buttonWidth = 23, buttonHeight = 22;
    TCustomImageList* images = nullptr;
    TCustomImageList* disabledImages = nullptr;
    TMainMenu* menu = nullptr;
    bool arranging = false;
};

// ---- TDateTimePicker ------------------------------------------------------------------------

enum TDTDateFormat { dfShort, dfLong };

// A date picker over a QDateEdit with a drop-down calendar. Date keeps the time of day it was
// given until the user picks another day; dfShort shows the short date (dd.mm.yyyy), dfLong
// the long one (day, month name, year). OnChange runs when the user changes the date.
class TDateTimePicker : public TWinControl {
    KADRION_CLASS(TDateTimePicker)
    explicit TDateTimePicker(TComponent* AOwner);
    ~TDateTimePicker() override;
    TDateTime GetDate() const { return date; }
    void SetDate(TDateTime Value);
    TDTDateFormat GetDateFormat() const { return dateFormat; }
    void SetDateFormat(TDTDateFormat Value);
    TNotifyEvent OnChange;

    QWidget* CreateWindowWidget(const TCreateParams& Params, QWidget* ParentWidget) override;
    void CreateWnd() override;
    QDateEdit* DateEdit() const;

private:
    void applyFormat();
    void showDate();
    TDateTime date = 0;
    TDTDateFormat dateFormat = dfShort;
    int settingDate = 0;
};
