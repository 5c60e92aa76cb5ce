// Data-aware standard controls, each bound to one field through a TFieldDataLink: they show
// the field of the current record, put the dataset into edit state when the user starts to
// change the value (refusing characters the field does not accept), write the value back on
// exit and when the record is posted, and put the field's value back on Esc.
// CM_GETDATALINK answers the control's data link (for the dataset actions).
#pragma once

#include "Buttons.h"
#include "DB.h"
#include "ExtCtrls.h"
#include "Mask.h"

#include <algorithm>

// ---- TFieldDataLinkControl ------------------------------------------------------------------

// What every control bound to one field shares: the field link (its events call the control's
// handlers and are cut when the control goes), DataSource, DataField, Field and ReadOnly, letting
// go of a data source that is freed, and the answer to CM_GETDATALINK.
template <class TBase> class TFieldDataLinkControl : public TBase {
public:
    explicit TFieldDataLinkControl(TComponent* AOwner)
        : TBase(AOwner), dataLink(std::make_unique<TFieldDataLink>()) {
        dataLink->Control = this;
        dataLink->VisualControl = true;
    }
    ~TFieldDataLinkControl() override {
        dataLink->OnDataChange = nullptr;
        dataLink->OnEditingChange = nullptr;
        dataLink->OnUpdateData = nullptr;
        dataLink->OnActiveChange = nullptr;
        dataLink->OnFocusRequest = nullptr;
    }
    TDataSource* GetDataSource() const { return dataLink->GetDataSource(); }
    void SetDataSource(TDataSource* Value) {
        if (TDataSource* old = dataLink->GetDataSource()) old->RemoveFreeNotification(this);
        dataLink->SetDataSource(Value);
        if (Value) Value->FreeNotification(this);
    }
    QString GetDataField() const { return dataLink->GetFieldName(); }
    void SetDataField(const QString& Value) { dataLink->SetFieldName(Value); }
    TField* GetField() const { return dataLink->GetField(); }
    bool GetReadOnly() const { return dataLink->GetReadOnly(); }
    void SetReadOnly(bool Value) { dataLink->SetReadOnly(Value); }
    void Dispatch(TMessage& Message) override {
        if (Message.Msg == CM_GETDATALINK) {
            Message.Result = reinterpret_cast<LRESULT>(static_cast<TDataLink*>(dataLink.get()));
            return;
        }
        TBase::Dispatch(Message);
    }

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override {
        TBase::Notification(AComponent, Operation);
        if (Operation == opRemove && dataLink->GetDataSource() == AComponent)
            dataLink->SetDataSource(nullptr);
    }
    std::unique_ptr<TFieldDataLink> dataLink;
};

// ---- TDBEdit --------------------------------------------------------------------------------

class TDBEdit : public TFieldDataLinkControl<TCustomMaskEdit> {
    KADRION_CLASS(TDBEdit)
    explicit TDBEdit(TComponent* AOwner);
    TFieldDataLink* GetDataLink() const { return dataLink.get(); }

    void Change() override;
    void KeyDown(WORD& Key, TShiftState Shift) override;
    void KeyPress(QChar& Key) override;
    void Dispatch(TMessage& Message) override;

protected:
    void dataChange(TObject*);
    void editingChange(TObject*);
    void updateData(TObject*);
    bool focused = false;
};

// ---- TDBText --------------------------------------------------------------------------------

// A label showing the field's display text.
class TDBText : public TFieldDataLinkControl<TCustomLabel> {
    KADRION_CLASS(TDBText)
    explicit TDBText(TComponent* AOwner);
};

// ---- TDBMemo --------------------------------------------------------------------------------

class TDBMemo : public TFieldDataLinkControl<TCustomMemo> {
    KADRION_CLASS(TDBMemo)
    explicit TDBMemo(TComponent* AOwner);
    void Change() override;
    void KeyDown(WORD& Key, TShiftState Shift) override;
    void KeyPress(QChar& Key) override;
    void Dispatch(TMessage& Message) override;
};

// ---- TDBCheckBox ----------------------------------------------------------------------------

// Checked when the field is True (a boolean field) or its text is one of ValueChecked
// ("A;B": any of them, case-insensitive); unchecked for ValueUnchecked; grayed otherwise
// (and for null). Writes the first of the values (or the boolean).
class TDBCheckBox : public TFieldDataLinkControl<TCustomCheckBox> {
    KADRION_CLASS(TDBCheckBox)
    explicit TDBCheckBox(TComponent* AOwner);
    QString GetValueChecked() const { return valueChecked; }
    void SetValueChecked(const QString& Value);
    QString GetValueUnchecked() const { return valueUnchecked; }
    void SetValueUnchecked(const QString& Value);
    void Toggle() override;
    void KeyDown(WORD& Key, TShiftState Shift) override;
    void Dispatch(TMessage& Message) override;

protected:
    TCheckBoxState fieldState();
    QString valueChecked = QStringLiteral("True");
    QString valueUnchecked = QStringLiteral("False");
};

// ---- TDBComboBox ----------------------------------------------------------------------------

class TDBComboBox : public TFieldDataLinkControl<TCustomComboBox> {
    KADRION_CLASS(TDBComboBox)
    explicit TDBComboBox(TComponent* AOwner);
    void Change() override;
    void Select() override;
    void KeyDown(WORD& Key, TShiftState Shift) override;
    void KeyPress(QChar& Key) override;
    void Dispatch(TMessage& Message) override;

protected:
    void dataChange(TObject*);
    int loading = 0;
};

// ---- TDBRadioGroup --------------------------------------------------------------------------

// The checked button's Values entry (or its caption when Values is shorter) is the value.
class TDBRadioGroup : public TFieldDataLinkControl<TCustomRadioGroup> {
    KADRION_CLASS(TDBRadioGroup)
    explicit TDBRadioGroup(TComponent* AOwner);
    TStrings* GetValues() const { return values.get(); }
    QString GetValue() const { return value; }
    void SetValue(const QString& Value);
    bool CanModify() override;
    void Click() override;
    void Dispatch(TMessage& Message) override;

protected:
    QString valueOf(int Index) const;
    std::unique_ptr<TStringList> values;
    QString value;
    bool inSet = false;
};

// ---- TDBImage -------------------------------------------------------------------------------

// A bitmap blob field as a picture. Cut, copy and paste go through the clipboard; Delete
// empties the field; Esc puts the stored picture back.
class TDBImage : public TFieldDataLinkControl<TCustomControl> {
    KADRION_CLASS(TDBImage)
    explicit TDBImage(TComponent* AOwner);
    ~TDBImage() override;
    TPicture* GetPicture() const { return picture.get(); }
    bool GetStretch() const { return stretch; }
    void SetStretch(bool Value);
    bool GetCenter() const { return center; }
    void SetCenter(bool Value);
    // Reloads the picture from the field.
    void LoadPicture();
    void CopyToClipboard();
    void CutToClipboard();
    void PasteFromClipboard();
    void KeyDown(WORD& Key, TShiftState Shift) override;
    void KeyPress(QChar& Key) override;
    void Paint() override;
    void Dispatch(TMessage& Message) override;
    void CreateParams(TCreateParams& Params) override;

protected:
    void pictureChanged(TObject*);
    std::unique_ptr<TPicture> picture;
    bool stretch = false, center = true, loading = false;
};

// ---- TDBNavigator ---------------------------------------------------------------------------

enum TNavigateBtn {
    nbFirst,
    nbPrior,
    nbNext,
    nbLast,
    nbInsert,
    nbDelete,
    nbEdit,
    nbPost,
    nbCancel,
    nbRefresh
};
using TButtonSet = TSet<TNavigateBtn>;
using TNavClick = std::function<void(TObject* Sender, TNavigateBtn Button)>;

inline constexpr char SDeleteRecordQuestion[] = "Delete record?";

// A row of buttons that move through and edit the dataset of DataSource; each is enabled
// as the dataset's state allows. Delete asks first when ConfirmDelete.
class TDBNavigator : public TCustomPanel {
    KADRION_CLASS(TDBNavigator)
    explicit TDBNavigator(TComponent* AOwner);
    ~TDBNavigator() override;
    TDataSource* GetDataSource() const;
    void SetDataSource(TDataSource* Value);
    TButtonSet GetVisibleButtons() const { return visibleButtons; }
    void SetVisibleButtons(TButtonSet Value);
    bool GetConfirmDelete() const { return confirmDelete; }
    void SetConfirmDelete(bool Value) { confirmDelete = Value; }
    TSpeedButton* GetButton(TNavigateBtn Index) const { return buttons[Index]; }
    // Does what the button does (as a click on it).
    void BtnClick(TNavigateBtn Index);
    // Enables the buttons from the dataset's state.
    void UpdateButtons();
    TNavClick BeforeAction;
    TNavClick OnClick;
    void Dispatch(TMessage& Message) override;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void arrange();
    class TNavDataLink;
    std::unique_ptr<TNavDataLink> dataLink;
    TSpeedButton* buttons[nbRefresh + 1] = {};
    TButtonSet visibleButtons;
    bool confirmDelete = true;
};

// ---- lookup controls ------------------------------------------------------------------------

// The platform's lookup-control base: a list from ListSource (ListField, "A;B" shows several
// fields, the first is the one shown in the edit part), keyed by KeyField; KeyValue is the key
// of the chosen record, and with DataSource/DataField set it is the value of that field.
class TDBLookupControl : public TFieldDataLinkControl<TCustomControl> {
    KADRION_CLASS(TDBLookupControl)
    explicit TDBLookupControl(TComponent* AOwner);
    ~TDBLookupControl() override;
    TDataSource* GetListSource() const { return listSource; }
    void SetListSource(TDataSource* Value);
    QString GetListField() const { return listFieldNames; }
    void SetListField(const QString& Value);
    QString GetKeyField() const { return keyFieldName; }
    void SetKeyField(const QString& Value);
    Variant GetKeyValue() const { return keyValue; }
    void SetKeyValue(const Variant& Value);
    // The text of the chosen record's first list field.
    QString GetText() const { return text; }
    // The incremental search text typed so far.
    QString GetSearchText() const { return searchText; }
    // The list rows: key and list-field texts, read from the list dataset.
    struct TRow {
        Variant Key;
        QStringList Texts;
    };
    const std::vector<TRow>& Rows();
    // Chooses the row with this key (writes the data field when bound).
    virtual void SelectKeyValue(const Variant& Value);
    // Which of the list fields is the shown one (default 0).
    int GetListFieldIndex() const { return listFieldIndex; }
    void SetListFieldIndex(int Value);
    // The link to the list dataset (its buffer window is what list boxes show), its fields
    // and whether it is open.
    TDataLink* GetListLink() const;
    const std::vector<TField*>& GetListFields() const { return listFields; }
    TField* GetKeyFieldObject() const { return keyField; }
    TField* GetListFieldObject() const;
    bool GetListActive() const { return listActive; }
    bool GetHasFocus() const { return hasFocus; }
    void KeyPress(QChar& Key) override;
    void KeyDown(WORD& Key, TShiftState Shift) override;
    TNotifyEvent OnCloseUp;
    TNotifyEvent OnDropDown;
    void Dispatch(TMessage& Message) override;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void dataChange(TObject*);
    // The text of the chosen record (a descendant may find it another way than in Rows()).
    virtual void updateText();
    virtual void KeyValueChanged() { Invalidate(); }
    // The list dataset scrolled, changed or opened/closed.
    virtual void ListLinkDataChanged() { rowsValid = false; }
    // The list and key fields are looked up again (the list opened, a name changed).
    virtual void UpdateListFields();
    class TListLink;
    std::unique_ptr<TListLink> listLink;
    std::vector<TField*> listFields;
    TField* keyField = nullptr;
    int listFieldIndex = 0;
    bool listActive = false;
    bool hasFocus = false;
    TDataSource* listSource = nullptr;
    QString listFieldNames, keyFieldName;
    Variant keyValue;
    QString text, searchText;
    std::vector<TRow> rows;
    bool rowsValid = false;
    bool selecting = false;
};

class TDBLookupListBox;

class TDBLookupComboBox : public TDBLookupControl {
    KADRION_CLASS(TDBLookupComboBox)
    explicit TDBLookupComboBox(TComponent* AOwner);
    ~TDBLookupComboBox() override;
    int GetDropDownRows() const { return dropDownRows; }
    void SetDropDownRows(int Value) { dropDownRows = std::max(1, Value); }
    bool GetListVisible() const { return listVisible; }
    // Opens the list under the combo with the current key's row chosen; the keyboard stays
    // with the combo (arrows, typing, Enter and Esc work on the list while it is open).
    void DropDown();
    // Closes the list; Accept takes its chosen row as the key value (writing the data field).
    void CloseUp(bool Accept);
    // The pop-up list window (created at the first drop-down, nullptr before).
    TDBLookupListBox* GetDropDownList() const;
    // The key of the row chosen in the open list.
    Variant GetListValue() const;
    void SelectKeyValue(const Variant& Value) override;
    void KeyDown(WORD& Key, TShiftState Shift) override;
    void Paint() override;
    void CreateParams(TCreateParams& Params) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void Dispatch(TMessage& Message) override;

protected:
    void ListLinkDataChanged() override;

private:
    class TPopupList;
    class TClickWatch;
    std::unique_ptr<TPopupList> dataList;
    std::unique_ptr<TClickWatch> clickWatch;
    int dropDownRows = 7;
    bool listVisible = false;
};

// The list rows shown as a list box; the chosen row is the key value. A click or the arrows
// choose (writing the data field when bound).
class TDBLookupListBox : public TDBLookupControl {
    KADRION_CLASS(TDBLookupListBox)
    explicit TDBLookupListBox(TComponent* AOwner);
    int GetRowCount() const { return rowCount; }
    // The height follows the rows.
    void SetRowCount(int Value);
    int RowHeight() const;
    int GetTopRow() const { return topRow; }
    // The row at a client point, -1 below the last.
    int RowAt(int Y);
    void Paint() override;
    void CreateParams(TCreateParams& Params) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;

protected:
    void KeyValueChanged() override;

private:
    int rowCount = 7;
    int topRow = 0;
};
