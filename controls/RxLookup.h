// The data-aware lookup controls: a key value (optionally kept in a field of a main dataset)
// tied to a record of a lookup dataset, shown by one or several of its fields and chosen by
// keys, the mouse and incremental search. TRxDBLookupList shows the lookup records as rows;
// TRxDBLookupCombo is an edit-like field whose button drops such a list under (or above) it.
//
// Incremental search: letters typed within 2 s of each other build a text (at most 32
// characters) that is looked up as a prefix of the display field; a letter that finds nothing
// is refused; Backspace takes the last letter back, and to an empty text it only forgets the
// text. A failed match is no error; any other error of the search reaches the caller.
#pragma once

#include "DB.h"
#include "DBUtils.h"
#include "Graphics.h"
#include "ToolEdit.h"

#include <memory>

class TRxLookupControl;
class TRxDBLookupCombo;

enum TLookupListStyle { lsFixed, lsDelimited };
enum TDropDownAlign { daLeft, daRight, daCenter };

// Supplies a picture for a row (IsEmpty: the no-value row) and the room it takes at the left.
using TGetImageEvent =
    std::function<void(TObject* Sender, bool IsEmpty, TGraphic*& Graphic, int& TextMargin)>;

inline constexpr const char SPropDefByLookup[] = "Property already defined by lookup field";
inline constexpr const char SDataSourceFixed[] = "Operation not allowed in a DBCtrlGrid";

// The time of the last incremental-search key, one value for every lookup control (ms).
extern uint32_t LookupSearchTick;

// ---- the two links --------------------------------------------------------------------------

class TDataSourceLink : public TDataLink {
    KADRION_CLASS(TDataSourceLink)
    explicit TDataSourceLink(TRxLookupControl* AControl) : control(AControl) {}
    TRxLookupControl* control;

protected:
    void ActiveChanged() override;
    void FocusControl(TField** Field) override;
    void LayoutChanged() override;
    void RecordChanged(TField* Field) override;
};

class TLookupSourceLink : public TDataLink {
    KADRION_CLASS(TLookupSourceLink)
    explicit TLookupSourceLink(TRxLookupControl* AControl) : control(AControl) {}
    TRxLookupControl* control;

protected:
    void ActiveChanged() override;
    void LayoutChanged() override;
    void DataSetChanged() override;
};

// ---- TRxLookupControl -----------------------------------------------------------------------

class TRxLookupControl : public TCustomControl {
    KADRION_CLASS(TRxLookupControl)
    explicit TRxLookupControl(TComponent* AOwner);
    ~TRxLookupControl() override;

    TDataSource* GetDataSource() const { return dataLink->GetDataSource(); }
    void SetDataSource(TDataSource* Value);
    QString GetDataField() const { return dataFieldName; }
    void SetDataField(const QString& Value);
    // Nil and empty in lookup-field mode (the data field's lookup definition holds them).
    TDataSource* GetLookupSource() const;
    void SetLookupSource(TDataSource* Value);
    QString GetLookupField() const;
    void SetLookupField(const QString& Value);
    QString GetLookupDisplay() const { return lookupDisplay; }
    void SetLookupDisplay(const QString& Value);
    int GetLookupDisplayIndex() const { return displayIndex; }
    void SetLookupDisplayIndex(int Value);
    QString GetDisplayEmpty() const { return displayEmpty; }
    void SetDisplayEmpty(const QString& Value);
    QString GetEmptyValue() const { return emptyValue; }
    void SetEmptyValue(const QString& Value);
    bool GetEmptyStrIsNull() const { return emptyStrIsNull; }
    void SetEmptyStrIsNull(bool Value);
    TColor GetEmptyItemColor() const { return emptyItemColor; }
    void SetEmptyItemColor(TColor Value);
    QChar GetFieldsDelimiter() const { return fieldsDelimiter; }
    virtual void SetFieldsDelimiter(QChar Value);
    TLookupListStyle GetListStyle() const { return listStyle; }
    virtual void SetListStyle(TLookupListStyle Value);
    bool GetIgnoreCase() const { return ignoreCase; }
    void SetIgnoreCase(bool Value) { ignoreCase = Value; }
    bool GetIndexSwitch() const { return indexSwitch; }
    void SetIndexSwitch(bool Value) { indexSwitch = Value; }
    bool GetReadOnly() const { return dataLink->GetReadOnly(); }
    void SetReadOnly(bool Value) { dataLink->SetReadOnly(Value); }
    // The larger of the height set and the font's text height.
    int GetItemHeight();
    void SetItemHeight(int Value);

    // The key, as text; SetValue writes it to the field (when there is one to write) and fires
    // OnChange.
    QString GetValue() const { return value; }
    void SetValue(const QString& S);
    QString GetShownText() const { return shownText; }
    QString GetTypedText() const { return typedText; }
    bool GetListActive() const { return listActive; }
    bool GetLookupMode() const { return lookupMode; }
    TField* GetDisplayField() const { return displayField; }
    TField* GetKeyField() const { return keyField; }
    TField* GetMasterField() const { return masterField; }
    const QList<TField*>& GetListFields() const { return listFields; }
    TDataLink* GetDataLink() const { return dataLink.get(); }
    TDataLink* GetLookupLink() const { return lookupLink.get(); }
    // The natural width of a drop-down list of these fields (at most the screen's).
    int LookupListWidth();
    // Looks for the record whose Field starts with (or is) Text; on success with the display
    // field Value becomes its key. False when nothing matches.
    bool FindRecord(TField* Field, const QString& Text, bool Exact);

    TNotifyEvent OnChange;
    TGetImageEvent OnGetImage;

    void Dispatch(TMessage& Message) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

protected:
    friend class TDataSourceLink;
    friend class TLookupSourceLink;
    friend class TRxDBLookupCombo;
    virtual void KeyChanged() {}
    virtual void ShownTextChanged() {}
    virtual void LookupActiveChanged();
    virtual void LookupDataChanged() {}
    virtual TGraphic* GetImage(bool Current, bool Empty, int& TextMargin);
    virtual void DisplayEmptyChanged(const QString& NewText) {}
    virtual void ClearValue();
    virtual void Change();

    void dataLinkActiveChanged();
    void dataLinkLayoutChanged();
    void recordChanged(TField* Field);
    void checkCircular();
    void checkNotFixed();
    bool canModify();
    bool valueIsEmpty(const QString& S) const { return S == emptyValue; }
    bool emptyRowVisible() const { return !displayEmpty.isEmpty(); }
    void storeKey(const QString& S);
    void chooseKey(const QString& S);
    void writeField(TField* Field, const QString& S);
    void refreshShownText();
    bool findKeyRecord();
    bool findDisplayRecord();
    void typeAheadKey(QChar Key);
    bool typeAheadFind(QString& Candidate);
    // Draws a picture centred in R, clipped to it.
    void drawPicture(TCanvas* Canvas, const TRect& R, TGraphic* Image);
    // The font's text height ("Xy") and the width unit ("M").
    int textHeight(TCanvas* Canvas) { return Canvas->TextHeight(QStringLiteral("Xy")); }

    std::unique_ptr<TDataSource> lookupModeSource;
    std::unique_ptr<TDataSourceLink> dataLink;
    std::unique_ptr<TLookupSourceLink> lookupLink;
    QString dataFieldName;
    QString keyFieldName;
    QString lookupDisplay;
    int displayIndex = 0;
    TField* dataField = nullptr;
    TField* masterField = nullptr;
    TField* keyField = nullptr;
    TField* displayField = nullptr;
    QList<TField*> listFields;
    QString value;
    QString shownText;
    QString displayEmpty;
    QString typedText;
    QString emptyValue;
    bool emptyStrIsNull = true;
    TColor emptyItemColor = clWindow;
    bool listActive = false;
    bool popup = false;
    bool focusedFlag = false;
    std::unique_ptr<TLocateObject> locate;
    bool indexSwitch = true;
    bool ignoreCase = true;
    int itemHeight = 0;
    QChar fieldsDelimiter = u',';
    TLookupListStyle listStyle = lsFixed;
    bool lookupMode = false;
};

// ---- TRxDBLookupList ------------------------------------------------------------------------

class TRxDBLookupList : public TRxLookupControl {
    KADRION_CLASS(TRxDBLookupList)
    explicit TRxDBLookupList(TComponent* AOwner);
    ~TRxDBLookupList() override;

    int GetRowCount() const { return rowCount; }
    // 1..50 rows; the height follows.
    void SetRowCount(int Value);
    TBorderStyle GetBorderStyle() const { return borderStyle; }
    void SetBorderStyle(TBorderStyle Value);
    // Buffer index of the lookup dataset's current record and the records shown.
    int GetRecordIndex() const { return recordIndex; }
    int GetRecordCount() const { return recordCount; }
    // Index of the row of the current key among the buffered records (-1: not there).
    int KeyRowIndex();

    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    void CreateParams(TCreateParams& Params) override;
    void CreateWnd() override;
    void Loaded() override;
    void Paint() override;
    void KeyDown(WORD& Key, TShiftState Shift) override;
    void KeyPress(QChar& Key) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos) override;
    bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos) override;
    void Dispatch(TMessage& Message) override;

    // Draws one row's text (the columns of lsFixed, or the delimited text).
    virtual void DrawRowText(TCanvas* Canvas, const TRect& Rect, bool Selected, bool IsEmpty);

protected:
    void KeyChanged() override;
    void ShownTextChanged() override;
    void LookupActiveChanged() override;
    void LookupDataChanged() override;
    void DisplayEmptyChanged(const QString& NewText) override;
    int borderHeight();
    void listDataChanged();
    void updateScrollBar();
    void updateBufferCount(int Rows);
    void chooseCurrentRow();
    void selectItemAt(int Y);
    void stopTracking();
    void trackScroll(int Y);
    void scroll(int Code, int Pos);

    int recordIndex = 0;
    int recordCount = 0;
    int rowCount = 7;
    TBorderStyle borderStyle = bsSingle;
    bool keySelected = false;
    bool tracking = false;
    bool timerActive = false;
    bool lockPosition = false;
    bool selectEmpty = false;
    int mousePos = 0;
};

// ---- TRxPopupDataList -----------------------------------------------------------------------

// The combo box's drop-down list: a borderless window above the form that never takes the
// activation; the combo keeps the keyboard and hands it the keys.
class TRxPopupDataList : public TRxDBLookupList {
    KADRION_CLASS(TRxPopupDataList)
    explicit TRxPopupDataList(TComponent* AOwner);
    void CreateParams(TCreateParams& Params) override;
    QWidget* CreateWindowWidget(const TCreateParams& Params, QWidget* ParentWidget) override;
    void Click() override;
    void KeyPress(QChar& Key) override;
    void Dispatch(TMessage& Message) override;

protected:
    friend class TRxDBLookupCombo;
    TRxDBLookupCombo* combo = nullptr;
};

// ---- TRxDBLookupCombo -----------------------------------------------------------------------

class TRxDBLookupCombo : public TRxLookupControl {
    KADRION_CLASS(TRxDBLookupCombo)
    friend class TRxPopupDataList;
    // The rows of the drop-down unless set otherwise (also what a stored form leaves out).
    static constexpr int DefaultDropDownCount = 8;

    explicit TRxDBLookupCombo(TComponent* AOwner);
    ~TRxDBLookupCombo() override;

    int GetDropDownCount() const { return dropDownCount; }
    void SetDropDownCount(int Value) { dropDownCount = Value; }
    int GetDropDownWidth() const { return dropDownWidth; }
    void SetDropDownWidth(int Value) { dropDownWidth = Value; }
    TDropDownAlign GetDropDownAlign() const { return dropDownAlign; }
    void SetDropDownAlign(TDropDownAlign Value) { dropDownAlign = Value; }
    bool GetEscapeClear() const { return escapeClear; }
    void SetEscapeClear(bool Value) { escapeClear = Value; }
    bool GetDisplayAllFields() const;
    void SetDisplayAllFields(bool Value);
    bool GetListVisible() const { return listVisible; }
    TRxPopupDataList* GetDataList() const { return dataList; }
    TAlignment GetTextAlignment() const { return alignment; }
    int GetButtonWidth() const { return buttonWidth; }
    void SetFieldsDelimiter(QChar Value) override;
    void SetListStyle(TLookupListStyle Value) override;

    virtual void DropDown();
    virtual void CloseUp(bool Accept);

    TNotifyEvent OnDropDown;
    TNotifyEvent OnCloseUp;

    void CreateParams(TCreateParams& Params) override;
    void Paint() override;
    void Click() override;
    void KeyDown(WORD& Key, TShiftState Shift) override;
    void KeyPress(QChar& Key) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void Dispatch(TMessage& Message) override;

protected:
    void KeyChanged() override;
    void ShownTextChanged() override;
    void LookupActiveChanged() override;
    void LookupDataChanged() override;
    TGraphic* GetImage(bool Current, bool Empty, int& TextMargin) override;
    void DisplayEmptyChanged(const QString& NewText) override;
    void ClearValue() override;
    void rebuildText();
    void clearFixedTexts();
    void refreshImage();
    void invalidateText();
    void adjustHeight();
    void stopTracking();
    void trackButton(int X, int Y);
    void listMouseUp(TMouseButton Button, int X, int Y);
    void setText(const QString& S) { text = S; }

    TRxPopupDataList* dataList = nullptr;
    int buttonWidth = 17;
    int dropDownCount = DefaultDropDownCount;
    int dropDownWidth = 0;
    TDropDownAlign dropDownAlign = daLeft;
    bool escapeClear = true;
    bool listVisible = false;
    bool pressed = false;
    bool trackingFlag = false;
    TAlignment alignment = taLeftJustify;
    std::unique_ptr<TPicture> lastImage;
    int lastImageMargin = 0;
    // Per list field of DisplayAllFields with lsFixed: the text, display width and alignment.
    struct FixedText {
        QString Text;
        int Width;
        TAlignment Alignment;
    };
    std::vector<FixedText> fixedTexts;
    bool displayAllFields = false;
    std::unique_ptr<TPopupWatch> watch;
};
