// What the leave-order and sick-leave windows share: an MDI child over one dataset of the data
// module with its list of other datasets to close, the question on close, the employee's name
// in the header, the controls by their field, and the copy of the chosen employee.
#pragma once

#include "DBCtrls.h"
#include "ExtCtrls.h"
#include "Forms.h"
#include "IBQuery.h"

#include <map>
#include <utility>
#include <vector>

class TRecordForm : public TForm {
    KADRION_CLASS(TRecordForm)
    // Records is the window's dataset, shown through Source; Others the datasets it opens
    // besides.
    TRecordForm(TComponent* AOwner, const char* Name, const char* Caption, TIBQuery* Records,
                TDataSource* Source, std::vector<TDataSet*> Others);

    TPanel* Panel1; // the header: the employee's name and the window's buttons
    TDBText *DBText1, *DBText2, *DBText3;

    // The control bound to a field (nullptr when none).
    TWinControl* FieldControl(const QString& Field) const;

    void FormCloseQuery(TObject* Sender, bool& CanClose);
    void FormClose(TObject* Sender, TCloseAction& Action);

protected:
    // The three DBTexts of the header over the record's fields of surname, name, patronymic.
    void makeNameHeader(const char* Family, const char* Name, const char* Patr);
    // The employee of the number in KeyField of the record, copied field by field (employee
    // list field, record field); the record goes into edit.
    void copyEmployee(const char* KeyField,
                      std::initializer_list<std::pair<const char*, const char*>> Fields);
    // Called once the window has gone (its global reference is cleared there).
    virtual void Gone() {}
    std::map<QString, TWinControl*> fieldControls;
    TIBQuery* records;
    TDataSource* source;

private:
    void closeData();
    std::vector<TDataSet*> others;
    bool closed = false;
};
