// More controls: panels, bevels, images, shapes, radio groups, splitters and scroll boxes.
#pragma once

#include "StdCtrls.h"

// ---- TPanel ----------------------------------------------------------------------------------

// A container with an outer and an inner bevel and a caption aligned in it.
class TCustomPanel : public TCustomControl {
    KADRION_CLASS(TCustomPanel)
    explicit TCustomPanel(TComponent* AOwner);
    TBevelCut GetBevelOuter() const { return bevelOuter; }
    void SetBevelOuter(TBevelCut Value);
    TBevelCut GetBevelInner() const { return bevelInner; }
    void SetBevelInner(TBevelCut Value);
    int GetBevelWidth() const { return bevelWidth; }
    void SetBevelWidth(int Value);
    TAlignment GetAlignment() const { return alignment; }
    void SetAlignment(TAlignment Value);
    TBorderStyle GetBorderStyle() const { return borderStyle; }
    void SetBorderStyle(TBorderStyle Value);
    bool GetFullRepaint() const { return true; }
    void SetFullRepaint(bool) {}
    // The rectangle the caption is drawn in (inside the bevels).
    TRect CaptionRect();
    void AdjustClientRect(TRect& Rect) override;
    void Paint() override;
    void Dispatch(TMessage& Message) override;
    void CreateParams(TCreateParams& Params) override;

protected:
    int bevelsWidth() const;
    TBevelCut bevelOuter = bvRaised;
    TBevelCut bevelInner = bvNone;
    int bevelWidth = 1;
    TAlignment alignment = taCenter;
    TBorderStyle borderStyle = bsNone;
};

class TPanel : public TCustomPanel {
    KADRION_CLASS(TPanel)
    explicit TPanel(TComponent* AOwner) : TCustomPanel(AOwner) {}
};

// ---- TControlBar ----------------------------------------------------------------------------

// Holds tool bars (or any controls) as bands: each child sits behind a grab handle, the bands
// filling rows of RowSize from left to right in the order of their positions (top, then left).
class TControlBar : public TCustomPanel {
    KADRION_CLASS(TControlBar)
    explicit TControlBar(TComponent* AOwner);
    int GetRowSize() const { return rowSize; }
    void SetRowSize(int Value);
    bool GetRowSnap() const { return rowSnap; }
    void SetRowSnap(bool Value) { rowSnap = Value; }
    // Width of the grab handle in front of every band.
    static constexpr int GrabWidth = 11;
    void AlignControls(TControl* AControl, TRect& Rect) override;
    void Paint() override;
    void Dispatch(TMessage& Message) override;

private:
    int rowSize = 26;
    bool rowSnap = true;
    bool arranging = false;
};

// ---- TBevel ----------------------------------------------------------------------------------

enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
enum TBevelStyle { bsLowered, bsRaised };

class TBevel : public TGraphicControl {
    KADRION_CLASS(TBevel)
    explicit TBevel(TComponent* AOwner);
    TBevelShape GetShape() const { return shape; }
    void SetShape(TBevelShape Value);
    TBevelStyle GetStyle() const { return style; }
    void SetStyle(TBevelStyle Value);
    void Paint() override;

private:
    TBevelShape shape = bsBox;
    TBevelStyle style = bsLowered;
};

// ---- TImage ----------------------------------------------------------------------------------

// Shows its picture: at the top-left, centred, stretched to the control, or stretched keeping
// its proportions (Proportional, only shrinking unless Stretch).
class TImage : public TGraphicControl {
    KADRION_CLASS(TImage)
    explicit TImage(TComponent* AOwner);
    ~TImage() override;
    TPicture* GetPicture() const { return picture.get(); }
    void SetPicture(TPicture* Value) { picture->Assign(Value); }
    bool GetStretch() const { return stretch; }
    void SetStretch(bool Value);
    bool GetCenter() const { return center; }
    void SetCenter(bool Value);
    bool GetProportional() const { return proportional; }
    void SetProportional(bool Value);
    bool GetTransparent() const { return transparent; }
    void SetTransparent(bool Value);
    // Where the picture is drawn in the client area.
    TRect DestRect();
    void Paint() override;

private:
    void pictureChanged(TObject*);
    std::unique_ptr<TPicture> picture;
    bool stretch = false, center = false, proportional = false, transparent = false;
};

// ---- TShape ----------------------------------------------------------------------------------

enum TShapeType { stRectangle, stSquare, stRoundRect, stRoundSquare, stEllipse, stCircle };

class TShape : public TGraphicControl {
    KADRION_CLASS(TShape)
    explicit TShape(TComponent* AOwner);
    ~TShape() override;
    TShapeType GetShape() const { return shape; }
    void SetShape(TShapeType Value);
    TPen* GetPen() const { return pen.get(); }
    TBrush* GetBrush() const { return brush.get(); }
    void Paint() override;

private:
    TShapeType shape = stRectangle;
    std::unique_ptr<TPen> pen;
    std::unique_ptr<TBrush> brush;
};

// ---- TRadioGroup -----------------------------------------------------------------------------

// A group box with one radio button per item, in Columns columns; ItemIndex is the checked
// one. OnClick fires when the user (or code) checks another button.
class TCustomRadioGroup : public TCustomGroupBox {
    KADRION_CLASS(TCustomRadioGroup)
    explicit TCustomRadioGroup(TComponent* AOwner);
    ~TCustomRadioGroup() override;
    TStrings* GetItems() const { return items.get(); }
    void SetItems(TStrings* Value) { items->Assign(Value); }
    int GetItemIndex() const { return itemIndex; }
    void SetItemIndex(int Value);
    int GetColumns() const { return columns; }
    void SetColumns(int Value);
    // The radio button of an item (the buttons are rebuilt when the items change).
    TRadioButton* GetButtons(int Index) const { return buttons[size_t(Index)]; }
    int ButtonCount() const { return int(buttons.size()); }
    // Whether the group may change now (a data-aware group asks its field).
    virtual bool CanModify() { return true; }
    void Dispatch(TMessage& Message) override;

protected:
    void itemsChanged(TObject*);
    void buttonClicked(TRadioButton* B);
    void arrange();
    std::unique_ptr<TStringList> items;
    std::vector<TRadioButton*> buttons;
    int itemIndex = -1;
    int columns = 1;
    bool updating = false;
};

class TRadioGroup : public TCustomRadioGroup {
    KADRION_CLASS(TRadioGroup)
    explicit TRadioGroup(TComponent* AOwner) : TCustomRadioGroup(AOwner) {}
};

// ---- TSplitter -------------------------------------------------------------------------------

using TCanResizeSplitEvent = std::function<void(TObject* Sender, int& NewSize, bool& Accept)>;

// Dragged with the mouse, resizes the control aligned on the same side just before it.
class TSplitter : public TGraphicControl {
    KADRION_CLASS(TSplitter)
    explicit TSplitter(TComponent* AOwner);
    int GetMinSize() const { return minSize; }
    void SetMinSize(int Value) { minSize = Value; }
    bool GetResizeStyleLine() const { return false; }
    // The control it resizes (found when dragging starts).
    TControl* FindControl();
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void Paint() override;
    TNotifyEvent OnMoved;
    TCanResizeSplitEvent OnCanResize;

private:
    TControl* control = nullptr;
    int minSize = 30;
    bool dragging = false;
    TPoint downPos;
    int startSize = 0;
};

// ---- TScrollBox ------------------------------------------------------------------------------

// A container that scrolls its children when they do not fit.
class TScrollBox : public TCustomControl {
    KADRION_CLASS(TScrollBox)
    explicit TScrollBox(TComponent* AOwner);
    TBorderStyle GetBorderStyle() const { return borderStyle; }
    void SetBorderStyle(TBorderStyle Value);
    // Scrolls so that the position is at the top-left (children move by the difference).
    void ScrollTo(int X, int Y);
    int GetHorzPosition() const { return scrollX; }
    int GetVertPosition() const { return scrollY; }
    // The extent the children need.
    TSize ContentSize();
    void ScrollInView(TControl* Control);
    void UpdateScrollBars();
    void CreateParams(TCreateParams& Params) override;
    void Dispatch(TMessage& Message) override;
    void Paint() override;

private:
    TBorderStyle borderStyle = bsSingle;
    int scrollX = 0, scrollY = 0;
};
