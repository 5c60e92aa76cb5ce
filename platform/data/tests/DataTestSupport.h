// Small tables for the dataset tests.
#pragma once

#include "DataRecorder.h"
#include "MemDS.h"
#include "TestSupport.h"

#include <QStringList>
#include <memory>

// A table of numbered rows: N ("01".."<count>", string 2) and V (integer N).
inline std::unique_ptr<TMemDataSet> MakeNumbers(int Count) {
    auto ds = std::make_unique<TMemDataSet>(nullptr);
    ds->GetFieldDefs()->Add("N", ftString, 2);
    ds->GetFieldDefs()->Add("V", ftInteger);
    ds->Open();
    for (int i = 1; i <= Count; ++i)
        ds->AppendRecord({QString::asprintf("%02d", i), i});
    ds->First();
    return ds;
}

// Employees: TAB (string 5, required), FAMILY (string 30), NAME (string 20), AGE (integer),
// KODP (integer: subdivision), SEX (string 1).
inline std::unique_ptr<TMemDataSet> MakePeople(TComponent* Owner = nullptr) {
    auto ds = std::make_unique<TMemDataSet>(Owner);
    TFieldDefs* d = ds->GetFieldDefs();
    d->Add("TAB", ftString, 5, true);
    d->Add("FAMILY", ftString, 30);
    d->Add("NAME", ftString, 20);
    d->Add("AGE", ftInteger);
    d->Add("KODP", ftInteger);
    d->Add("SEX", ftString, 1);
    ds->Open();
    ds->AppendRecord({"00001", "Іваненко", "Іван", 45, 10, "Ч"});
    ds->AppendRecord({"00002", "Петренко", "Ганна", 28, 20, "Ж"});
    ds->AppendRecord({"00003", "іванів", "Петро", 33, 10, "Ч"});
    ds->AppendRecord({"00004", "Ґудзь", "Євгенія", 51, 30, "Ж"});
    ds->AppendRecord({"00005", "Єрмак", "Олег", 19, Null(), "Ч"});
    ds->First();
    return ds;
}

// The values of one field over the whole dataset, from the first record on.
inline QStringList Column(TDataSet* ds, const QString& Field) {
    QStringList r;
    ds->First();
    while (!ds->Eof()) {
        r << ds->FieldByName(Field)->GetAsString();
        ds->Next();
    }
    return r;
}

inline QString Cur(TDataSet* ds, const QString& Field = QStringLiteral("TAB")) {
    return ds->FieldByName(Field)->GetAsString();
}
