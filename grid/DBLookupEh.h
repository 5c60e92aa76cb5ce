// The lookup controls of the data grid's unit set: the lookup list box and its drop-down form
// with a size grip, the lookup combo box with its edit button, their option objects, and the
// edit-button painter that the grid's cells and editor share with the combo box.
//
// A lookup list shows a window of rows of a list dataset (its link's buffer, one row per
// record), several list fields side by side, optional titles, and marks the row whose key field
// equals the key value. The combo box shows, for the key in its data field, the list field of
// the matching list record, and writes the key of the chosen record back into the data field;
// choosing leaves the list dataset on the chosen record.
#pragma once

#include "DBCtrls.h"
#include "Graphics.h"
#include "Mask.h"
#include "RxLookup.h" // TDropDownAlign, shared with the control library's lookup combo

class TPopupWatch;

#include <functional>
#include <memory>
#include <vector>

// ---- the edit-button painter --------------------------------------------------------------------

// What an edit button shows.
enum TDrawButtonControlStyleEh { bcsDropDownEh, bcsEllipsisEh, bcsUpDownEh };

// Paints an edit button into ARect. DownButton says which part is pressed: 0 none, 1 the whole
// button (the upper half of an up-down button), 2 the lower half of an up-down button. A flat
// button is drawn one pixel inside and framed: in ParentColor when not Active, sunken when
// pressed, raised otherwise. Enabled off draws the inactive look.
void PaintButtonControlEh(TCanvas* Canvas, TRect ARect, TColor ParentColor,
                          TDrawButtonControlStyleEh Style, int DownButton, bool Flat, bool Active,
                          bool Enabled);

// The width of a flat edit button: two thirds of the screen font's character height, made even,
// at most the width of a vertical scroll bar.
int FlatButtonWidthEh();

// A scroll bar of five steps stands for a dataset without record numbers: its thumb dropped at
// 0 goes to the first record, 1 a page up, 3 a page down, 4 to the last; 2 stays.
void MoveToFiveStepThumbEh(TDataSet* DataSet, int Position, int Page);
// The scroll codes every list over a link moves alike: a line up or down goes one record beyond
// the first or last row shown, top and bottom to the first and last record. False for the
// other codes.
bool MoveByScrollCodeEh(TDataLink* Link, int Code);

// Where a drop-down opens beside its control (Owner: the control's outer rectangle on the
// screen; X: the left edge it asks for): below when it fits there, or when it fits neither below
// nor above and there is no more room above; cut to the room of its side and to the work area's
// width; moved left (GripSide 0, the grip to the left corners) when it would cross the work
// area's right edge, right (GripSide 1) when it would cross the left one, else DefaultGripSide.
struct TDropDownPlaceEh {
    TRect Bounds;
    bool Below = true;
    int GripSide = 1;
};
TDropDownPlaceEh PlaceDropDownEh(const TRect& Owner, int X, int Width, int Height,
                                 int DefaultGripSide);
// The width of list fields side by side in a font: each field's display width in "0"s plus 4.
int ListFieldsWidthEh(TFont* Font, const std::vector<TField*>& Fields);

// ---- option objects -----------------------------------------------------------------------------

class TDBLookupComboboxEh;

enum TEditButtonStyleEh { ebsDropDownEh, ebsEllipsisEh, ebsGlyphEh };
enum TDBLookupComboboxEhStyle { csDropDownListEh, csDropDownEh };

// The combo box's edit button: its look and width (0: automatic).
class TEditButtonEh : public TPersistent {
    KADRION_CLASS(TEditButtonEh)
    explicit TEditButtonEh(TDBLookupComboboxEh* AOwner);
    ~TEditButtonEh() override;
    // Copies Style, Glyph and NumGlyphs (not Width).
    void Assign(TPersistent* Source) override;
    TEditButtonStyleEh GetStyle() const { return style; }
    void SetStyle(TEditButtonStyleEh Value);
    int GetWidth() const { return width; }
    void SetWidth(int Value);
    TBitmap* GetGlyph() const { return glyph.get(); }
    void SetGlyph(TBitmap* Value);
    int GetNumGlyphs() const { return numGlyphs; }
    void SetNumGlyphs(int Value);

private:
    TDBLookupComboboxEh* owner;
    TEditButtonStyleEh style = ebsDropDownEh;
    int width = 0;
    std::unique_ptr<TBitmap> glyph;
    int numGlyphs = 1;
};

// How the combo box's drop-down list opens.
class TDropDownBoxEh : public TPersistent {
    KADRION_CLASS(TDropDownBoxEh)
    // Copies Align, Rows, Width, Sizable and ShowTitles (not AutoDrop).
    void Assign(TPersistent* Source) override;
    // 0: the combo box's width; -1: the sum of the list fields' widths.
    int Width = 0;
    int Rows = 7;
    TDropDownAlign Align = daLeft;
    bool Sizable = false;
    bool ShowTitles = false;
    // The list opens as soon as typing starts.
    bool AutoDrop = false;
};

// ---- the size grip ------------------------------------------------------------------------------

// The triangular grip in a corner of a drop-down window: dragging it resizes its parent, the edge
// opposite the grip staying in place. Position: 0 top left, 1 top right, 2 bottom right, 3 bottom
// left.
class TSizeGripEh : public TCustomControl {
    KADRION_CLASS(TSizeGripEh)
    explicit TSizeGripEh(TComponent* AOwner);
    int GetPosition() const { return position; }
    void SetPosition(int Value);
    bool GetTriangleWindow() const { return triangleWindow; }
    void SetTriangleWindow(bool Value);
    // Moves a grip between corners: 0 right to left, 1 left to right, 2 bottom to top, 3 top to
    // bottom.
    void ChangePosition(int Message);
    // Puts the grip into its corner of the parent's client area.
    void UpdatePosition();
    // Told when a drag changed the parent's size.
    TNotifyEvent OnParentResized;

    void Paint() override;
    void CreateWnd() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void Dispatch(TMessage& Message) override;

private:
    void applyShape();
    int position = 2;
    bool triangleWindow = true;
    bool inPositionUpdate = false;
    bool dragging = false;
    TPoint downPoint;
    TRect parentAtDown;
};

// ---- the lookup list box ------------------------------------------------------------------------

class TDBLookupListBoxEh : public TDBLookupControl {
    KADRION_CLASS(TDBLookupListBoxEh)
    explicit TDBLookupListBoxEh(TComponent* AOwner);
    ~TDBLookupListBoxEh() override;

    // Rows shown (1 to 100); the height follows.
    int GetRowCount() const { return rowCount; }
    void SetRowCount(int Value);
    TBorderStyle GetBorderStyle() const { return borderStyle; }
    void SetBorderStyle(TBorderStyle Value);
    bool GetShowTitles() const { return showTitles; }
    void SetShowTitles(bool Value);
    int GetTitleHeight() const { return titleHeight; }
    // The height of a row: the text height of "0" in the font.
    int RowHeight();
    // The text of the list field of the chosen record.
    QString GetSelectedText() const { return selectedText; }
    // The row of the current list record in the rows shown, and the rows filled.
    int GetActiveRecordIndex() const { return activeRecordIndex; }
    int GetFilledRows() const { return filledRows; }
    // The widths of the shown columns (the last takes the rest).
    std::vector<int> ColumnWidths();
    // The list's link to its dataset (its buffer is the rows shown).
    TDataLink* GetListDataLink() const { return GetListLink(); }

    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    void Paint() override;
    void KeyDown(WORD& Key, TShiftState Shift) override;
    void KeyPress(QChar& Key) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void Dispatch(TMessage& Message) override;

    // One step of the auto-scroll timer with the mouse at Y (client co-ordinates).
    void AutoScrollStep(int Y);
    int GetScrollTimerInterval() const { return timerInterval; }

protected:
    void KeyValueChanged() override;
    void ListLinkDataChanged() override;
    void UpdateListFields() override;
    void updateText() override;
    // Makes the current list record's key the chosen one (with the position held).
    void selectCurrent();
    // Moves to the row under a client point and chooses it.
    void selectItemAt(int X, int Y);
    bool locateKey();
    int borderSize();
    void updateHeight();
    void updateScrollBar();
    void vertScroll(TMessage& Message);
    void stopTimer();
    void startTimer(int Interval);
    TDataSet* listDataSet() const;
    // The key field name: the data field's lookup key fields for a lookup field, else KeyField.
    QString keyName() const;

    int rowCount = 7;
    TBorderStyle borderStyle = bsSingle;
    bool popup = false;
    bool showTitles = false;
    int titleHeight = 0;
    int activeRecordIndex = 0;
    int filledRows = 0;
    bool keySelected = false;
    bool tracking = false;
    bool lockPosition = false;
    int mouseY = 0;
    int timerInterval = -1;
    QString selectedText;
};

// The drop-down form of a lookup list: a top-level window that never takes the activation,
// with a size grip; the mouse moving over it chooses the row under it.
class TPopupDataListEh : public TDBLookupListBoxEh {
    KADRION_CLASS(TPopupDataListEh)
    explicit TPopupDataListEh(TComponent* AOwner);
    ~TPopupDataListEh() override;
    TSizeGripEh* GetSizeGrip() const { return sizeGrip; }
    // The user resized the list (with its grip) since it was shown.
    bool GetResizedByUser() const { return resizedByUser; }
    void SetResizedByUser(bool Value) { resizedByUser = Value; }
    // Called when the user (keys or mouse) changed the key value.
    TNotifyEvent OnUserKeyValueChange;
    // Told of a left-button release over the list (X, Y in its client co-ordinates).
    std::function<void(int X, int Y)> OnListMouseUp;

    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    void CreateParams(TCreateParams& Params) override;
    QWidget* CreateWindowWidget(const TCreateParams& Params, QWidget* ParentWidget) override;
    void KeyDown(WORD& Key, TShiftState Shift) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void Paint() override;
    void Dispatch(TMessage& Message) override;

protected:
    void KeyValueChanged() override;

private:
    TSizeGripEh* sizeGrip = nullptr;
    bool resizedByUser = false;
    bool userKeyChange = false;
};

// ---- the lookup combo box -----------------------------------------------------------------------

// The button at the combo box's right edge; the combo box handles its mouse input.
class TEditButtonControlEh : public TCustomControl {
    KADRION_CLASS(TEditButtonControlEh)
    TEditButtonControlEh(TComponent* AOwner, TDBLookupComboboxEh* ACombo);
    void Paint() override;
    void CreateWnd() override;
    bool Down = false;
    bool Active = false;

private:
    TDBLookupComboboxEh* combo;
};

using TButtonClickEventEh = std::function<void(TObject* Sender, bool& Handled)>;
using TCloseUpEventEh = std::function<void(TObject* Sender, bool Accept)>;
using TNotInListEventEh =
    std::function<void(TObject* Sender, const QString& NewText, bool& RecheckInList)>;

class TDBLookupComboboxEh : public TCustomMaskEdit {
    KADRION_CLASS(TDBLookupComboboxEh)
    explicit TDBLookupComboboxEh(TComponent* AOwner);
    ~TDBLookupComboboxEh() override;

    // --- the edited record and the list
    TDataSource* GetDataSource() const;
    void SetDataSource(TDataSource* Value);
    QString GetDataField() const { return dataFieldName; }
    void SetDataField(const QString& Value);
    TDataSource* GetListSource() const;
    void SetListSource(TDataSource* Value);
    QString GetKeyField() const { return keyFieldName; }
    void SetKeyField(const QString& Value);
    QString GetListField() const { return listFieldNames; }
    void SetListField(const QString& Value);
    int GetListFieldIndex() const { return listFieldIndex; }
    void SetListFieldIndex(int Value);
    bool GetReadOnly() const;
    void SetReadOnly(bool Value);
    TDBLookupComboboxEhStyle GetStyle() const { return style; }
    void SetStyle(TDBLookupComboboxEhStyle Value);
    bool GetFlat() const { return flat; }
    void SetFlat(bool Value);
    TEditButtonEh* GetEditButton() const { return editButton.get(); }
    void SetEditButton(TEditButtonEh* Value) { editButton->Assign(Value); }
    TDropDownBoxEh* GetDropDownBox() const { return dropDownBox.get(); }
    void SetDropDownBox(TDropDownBoxEh* Value) { dropDownBox->Assign(Value); }

    // --- the key
    Variant GetKeyValue() const { return keyValue; }
    void SetKeyValue(const Variant& Value);
    TField* GetDataFieldObject() const { return dataField; }
    TField* GetMasterField() const { return masterField; }
    TField* GetKeyFieldObject() const { return keyField; }
    TField* GetListFieldObject() const { return listField; }
    bool GetListActive() const { return listActive; }
    bool GetListVisible() const { return listVisible; }
    bool GetLookupMode() const { return lookupMode; }
    // No data or list properties: a plain edit.
    bool GetUnbound() const { return unbound; }
    TPopupDataListEh* GetDropDownList() const { return dataList.get(); }
    TEditButtonControlEh* GetButtonControl() const { return buttonControl; }
    int GetButtonWidth() const;
    // The client rectangle of the edit button.
    TRect ButtonRect();

    virtual bool CanModify(bool Edit);
    virtual int GetTextHeight();
    virtual int GetListWidth();
    virtual void KeyValueChanged();
    virtual bool LocateKey();
    virtual void LocateStr(const QString& S, bool PartialKey);
    virtual void ProcessSearchKey(QChar Key);
    virtual void SelectKeyValue(const Variant& Value);
    virtual void UpdateDataFields();
    virtual void UpdateListFields();
    virtual void DropDown();
    virtual void CloseUp(bool Accept);

    // --- events
    TButtonClickEventEh OnButtonClick;
    TCloseUpEventEh OnCloseUp;
    TNotifyEvent OnDropDown;
    TNotifyEvent OnKeyValueChanged;
    TNotInListEventEh OnNotInList;

    // --- control overrides
    void Change() override;
    void KeyDown(WORD& Key, TShiftState Shift) override;
    void KeyPress(QChar& Key) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    void CreateWnd() override;
    void Dispatch(TMessage& Message) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

protected:
    friend class TEditButtonEh;
    class TDataSourceLinkEh;
    class TListSourceLinkEh;
    void recordChanged(TField* Field);
    void updateData();
    void updateState();
    void updateButtonLayout();
    void setTextQuiet(const QString& Text);
    void checkNotCircular();
    void checkNotLookup();
    // The key field's value of the current list record, and the list field's text.
    Variant listKey() const;
    QString listText() const;
    // The text located exactly (without regard to case) in the list field, after an edit of a
    // csDropDownEh combo.
    void locateTyped(bool Completion);
    bool buttonEnabled();
    void stopTracking();

    std::unique_ptr<TDataSourceLinkEh> dataLink;
    std::unique_ptr<TListSourceLinkEh> listLink;
    std::unique_ptr<TDataSource> lookupSource;
    std::unique_ptr<TPopupDataListEh> dataList;
    std::unique_ptr<TPopupWatch> watch;
    std::unique_ptr<TEditButtonEh> editButton;
    std::unique_ptr<TDropDownBoxEh> dropDownBox;
    TEditButtonControlEh* buttonControl = nullptr;
    TDataSource* listSource = nullptr;
    TField* dataField = nullptr;
    TField* masterField = nullptr;
    TField* keyField = nullptr;
    TField* listField = nullptr;
    std::vector<TField*> listFields;
    QString dataFieldName, keyFieldName, listFieldNames;
    int listFieldIndex = 0;
    Variant keyValue;
    TDBLookupComboboxEhStyle style = csDropDownListEh;
    bool flat = false;
    bool listActive = false;
    bool listVisible = false;
    bool lookupMode = false;
    bool unbound = true;
    bool tracking = false;
    bool pressed = false;
    bool mouseAbove = false;
    bool hasFocus = false;
    // A drag from the combo box into the open list: the mouse goes on to the list.
    bool forwardToList = false;
    int settingText = 0;
};
