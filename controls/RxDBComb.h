// Combo boxes bound to a dataset field. TCustomDBComboBox shows the field as one of its Items
// (or as typed text) and writes the choice back; TRxDBComboBox can show the texts of Items
// while storing the parallel codes of Values in the field ("Ч"/"Ж" shown as "Чоловік" and
// "Жінка"). On a record that cannot be edited the shown value never changes.
#pragma once

#include "DBCtrls.h"
#include "StdCtrls.h"

class TCustomDBComboBox : public TFieldDataLinkControl<TCustomComboBox> {
    KADRION_CLASS(TCustomDBComboBox)
    explicit TCustomDBComboBox(TComponent* AOwner);
    ~TCustomDBComboBox() override;
    TFieldDataLink* GetDataLink() const { return dataLink.get(); }

    TComboBoxStyle GetStyle() const { return style; }
    // csSimple is refused while the data source is fixed (a record-replicating panel).
    virtual void SetStyle(TComboBoxStyle Value);

    // The value to store in the field.
    virtual QString GetComboText();
    // Shows the field's text.
    virtual void SetComboText(const QString& Value);
    // The text shown when the control is painted as a copy.
    virtual QString GetPaintText();

    void Change() override;
    void Click() override;
    void DropDown() override;
    void CloseUp() override;
    void KeyDown(WORD& Key, TShiftState Shift) override;
    void KeyPress(QChar& Key) override;
    void CreateWnd() override;
    void Loaded() override;
    void Dispatch(TMessage& Message) override;

protected:
    // Whether the style shows a list only (no text of its own).
    bool listStyle() const;
    void dataChange(TObject*);
    void editingChange(TObject*);
    virtual void updateData(TObject*);
    // Asks to edit the record, keeping the choice or text the user has just made; false when
    // the record cannot be edited.
    bool beginChange();
    void paintCopy(TCanvas* Canvas);
    int showing = 0;
};

class TRxDBComboBox : public TCustomDBComboBox {
    KADRION_CLASS(TRxDBComboBox)
    explicit TRxDBComboBox(TComponent* AOwner);
    ~TRxDBComboBox() override;

    // The codes parallel to Items.
    TStrings* GetValues() const { return values.get(); }
    void SetValues(TStrings* Value) { values->Assign(Value); }
    void SetItems(TStrings* Value);
    bool GetEnableValues() const { return enableValues; }
    // Turning it on makes an editable style csDropDownList.
    void SetEnableValues(bool Value);
    // An editable style (csDropDown, csSimple) turns EnableValues off.
    void SetStyle(TComboBoxStyle Value) override;

    QString GetComboText() override;
    void SetComboText(const QString& Value) override;
    QString GetPaintText() override;
    void Change() override;
    void Click() override;

protected:
    void updateData(TObject*) override;
    // Refuses (with a message) a chosen item that has no code in Values.
    void checkChoice();
    std::unique_ptr<TStringList> values;
    bool enableValues = true;
};

// The message for an item chosen beyond the end of Values (formatted with the item's text).
inline constexpr char SNoValueForItem[] = "Для елемента \"%s\" не задано значення";
