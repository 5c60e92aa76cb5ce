// A table for the expression parser: a field of each common kind and one record holding
// TABNOM "ab12", STAJ "123", SUM -12.50, CNT -7, BIG 123456, BORN 31.12.1999 (NOTE and OK
// empty). Shared by the parser's tests and its fuzz target.
#pragma once

#include "Dates.h"
#include "Dbf_DbfFile.h"

#include <QByteArray>
#include <QString>
#include <memory>

struct TParserTable {
    explicit TParserTable(const QString& path) : file(std::make_unique<TDbfFile>(path)) {
        file->SetMode(pfExclusiveCreate);
        file->UseFloatFields = false;
        file->Open();
        TDbfFieldDefs defs;
        defs.UseFloatFields = false;
        defs.Add("TABNOM", ftString, 5);
        defs.Add("STAJ", ftString, 3);
        defs.Add("SUM", ftFloat, 8, 2);
        defs.Add("CNT", ftSmallint, 4);
        defs.Add("BIG", ftInteger, 9);
        defs.Add("BORN", ftDate);
        defs.Add("NOTE", ftMemo);
        defs.Add("OK", ftBoolean);
        file->FinishCreate(defs, ".dbt", 512);
        rec = QByteArray(file->RecordSize(), ' ');
        file->InitRecord(rec.data());
        auto setText = [&](int i, const char* v) {
            QByteArray b(v);
            file->SetFieldData(i, ftString, &b, rec.data());
        };
        setText(0, "ab12");
        setText(1, "123");
        double sum = -12.5;
        file->SetFieldData(2, ftFloat, &sum, rec.data());
        int16_t cnt = -7;
        file->SetFieldData(3, ftSmallint, &cnt, rec.data());
        int32_t big = 123456;
        file->SetFieldData(4, ftInteger, &big, rec.data());
        TDateTime born = EncodeDate(1999, 12, 31);
        file->SetFieldData(5, ftDate, &born, rec.data());
    }
    std::unique_ptr<TDbfFile> file;
    QByteArray rec;
};
