// Data-aware controls of the library. TDBDateEdit is the date edit bound to a date field: it
// shows the field's date, lets the user change it by typing, by the date edit's keys or by the
// calendar (each of which first puts the dataset into edit state), and writes the date back
// into the field when the record is updated, keeping the field's time of day.
#pragma once

#include "DBCtrls.h"
#include "ToolEdit.h"

// Connects a field link's notifications to the handlers of the control bound through it: a
// data or active change to DataChange, an editing change to EditingChange, an update of the
// record to UpdateData; a focus request for the field focuses the control.
template <class C>
void ConnectFieldLink(TFieldDataLink* Link, C* Control, void (C::*DataChange)(TObject*),
                      void (C::*EditingChange)(TObject*), void (C::*UpdateData)(TObject*)) {
    Link->OnDataChange = [Control, DataChange](TObject* S) { (Control->*DataChange)(S); };
    Link->OnActiveChange = [Control, DataChange](TObject* S) { (Control->*DataChange)(S); };
    Link->OnEditingChange = [Control, EditingChange](TObject* S) { (Control->*EditingChange)(S); };
    Link->OnUpdateData = [Control, UpdateData](TObject* S) { (Control->*UpdateData)(S); };
    Link->OnFocusRequest = [Control]() {
        if (!Control->CanFocus()) return false;
        Control->SetFocus();
        return true;
    };
}

class TDBDateEdit : public TFieldDataLinkControl<TCustomDateEdit> {
    KADRION_CLASS(TDBDateEdit)
    explicit TDBDateEdit(TComponent* AOwner);
    ~TDBDateEdit() override;
    TFieldDataLink* GetDataLink() const { return dataLink.get(); }

    // Shows the field again (a null date then reads as today or as nothing).
    void SetDefaultToday(bool Value);
    // ReadOnly is the data link's read-only flag.
    bool GetReadOnly() const override { return dataLink->GetReadOnly(); }
    void SetReadOnly(bool Value) { dataLink->SetReadOnly(Value); }

    // Without DateAutoBetween, while the record is edited, a date outside the bounds raises
    // the range error (the field keeps its value).
    void SetDate(TDateTime Value) override;
    // The date keys and "T" first put the dataset into edit state.
    void ApplyDate(TDateTime Value) override;
    // A date chosen in the calendar goes straight into the field (time of day kept).
    void AcceptValue(const Variant& Value) override;
    void UpdateMask() override;
    // Asks the data link to edit the record.
    bool EditCanModify() override;
    void Change() override;
    void KeyDown(WORD& Key, TShiftState Shift) override;
    void KeyPress(QChar& Key) override;
    void Dispatch(TMessage& Message) override;

protected:
    void dataChange(TObject*);
    void editingChange(TObject*);
    void updateData(TObject*);
    // The user changes this control: the record goes into edit state and, with DefaultToday,
    // an empty field takes the current date and time. True when the record can be changed.
    bool editRequest();
    // The edit's own handler of OnAcceptDate: a date picked on a dataset that cannot be
    // changed is dropped.
    void acceptDate(TObject* Sender, TDateTime& ADate, bool& Action);
    // Draws the field's text when the control is painted as a copy.
    void paintCopy(TCanvas* Canvas);
    TDateTime fieldDate() const;
    bool inReset = false;
};
