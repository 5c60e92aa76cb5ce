#include "Dbf_Fields.h"

#include <algorithm>

TDbfFieldDef::TDbfFieldDef(TDbfFieldDefs* c) : collection(c) {}

int TDbfFieldDef::version() const {
    return collection ? collection->DbfVersion : xBaseIV;
}

bool TDbfFieldDef::useFloatFields() const {
    return collection ? collection->UseFloatFields : true;
}

void TDbfFieldDef::Assign(const TDbfFieldDef& s) {
    fieldName = s.fieldName;
    fieldType = s.fieldType;
    nativeFieldType = s.nativeFieldType;
    size = s.size;
    precision = s.precision;
    required = s.required;
    Offset = s.Offset;
    AutoIncNext = s.AutoIncNext;
    AutoIncPos = s.AutoIncPos;
    HasDefault = s.HasDefault;
    HasMin = s.HasMin;
    HasMax = s.HasMax;
    IsLockField = s.IsLockField;
    valueBuffer = s.valueBuffer;
}

void TDbfFieldDef::AssignFrom(const QString& name, TFieldType type, int sz, int prec, bool req) {
    fieldName = name;
    fieldType = type;
    vclToNative();
    if (sz >= 1) {
        size = sz;
        precision = prec;
    } else {
        size = 0;
        precision = 0;
        SetDefaultSize();
    }
    required = req;
    checkSizePrecision();
    AllocBuffers();
    HasDefault = HasMin = HasMax = false;
    IsLockField = false;
}

void TDbfFieldDef::SetFieldType(TFieldType v) {
    fieldType = v;
    vclToNative();
    checkSizePrecision();
}

void TDbfFieldDef::SetNativeFieldType(char v) {
    if (v >= 'a' && v <= 'z') v = char(v - 'a' + 'A');
    nativeFieldType = v;
    nativeToVCL();
    checkSizePrecision();
}

void TDbfFieldDef::SetFromFile(char nativeType, int sz, int prec) {
    size = sz;
    precision = prec;
    if (nativeType >= 'a' && nativeType <= 'z') nativeType = char(nativeType - 'a' + 'A');
    nativeFieldType = nativeType;
    nativeToVCL();
}

void TDbfFieldDef::SetSize(int v) {
    size = v;
    checkSizePrecision();
}

void TDbfFieldDef::SetPrecision(int v) {
    precision = v;
    checkSizePrecision();
}

void TDbfFieldDef::vclToNative() {
    switch (fieldType) {
    case ftString:
    case ftFixedChar:
    case ftWideString:
        nativeFieldType = 'C';
        break;
    case ftSmallint:
    case ftFloat:
    case ftCurrency:
    case ftLargeint:
        nativeFieldType = 'N';
        break;
    case ftInteger:
        nativeFieldType = version() == xBaseVII ? 'I' : 'N';
        break;
    case ftBoolean:
        nativeFieldType = 'L';
        break;
    case ftDate:
        nativeFieldType = 'D';
        break;
    case ftDateTime:
        nativeFieldType = '@';
        break;
    case ftAutoInc:
        nativeFieldType = '+';
        break;
    case ftBlob:
        nativeFieldType = 'B';
        break;
    case ftMemo:
        nativeFieldType = 'M';
        break;
    case ftDBaseOle:
        nativeFieldType = 'G';
        break;
    default:
        fieldType = ftUnknown;
        nativeFieldType = 0;
    }
}

void TDbfFieldDef::nativeToVCL() {
    switch (nativeFieldType) {
    case '+':
        fieldType = ftAutoInc;
        break;
    case '@':
    case 'T':
        fieldType = ftDateTime;
        break;
    case 'B':
        fieldType = ftBlob;
        break;
    case 'C':
        fieldType = ftString;
        break;
    case 'D':
        fieldType = ftDate;
        break;
    case 'F':
    case 'N':
        if (precision > 0)
            fieldType = ftFloat;
        else if (size < 5)
            fieldType = ftSmallint;
        else if (useFloatFields())
            fieldType = ftFloat;
        else if (size > 9)
            fieldType = ftLargeint;
        else
            fieldType = ftInteger;
        break;
    case 'G':
        fieldType = ftDBaseOle;
        break;
    case 'I':
        fieldType = ftInteger;
        break;
    case 'L':
        fieldType = ftBoolean;
        break;
    case 'M':
        fieldType = ftMemo;
        break;
    case 'O':
        fieldType = ftFloat;
        break;
    default:
        fieldType = ftUnknown;
        nativeFieldType = 0;
    }
}

void TDbfFieldDef::checkSizePrecision() {
    switch (nativeFieldType) {
    case '+':
    case 'I':
        size = 4;
        precision = 0;
        break;
    case '@':
    case 'O':
        size = 8;
        precision = 0;
        break;
    case 'B':
    case 'G':
    case 'M':
        size = 10;
        precision = 0;
        break;
    case 'C':
        size = std::clamp(size, 0, 254);
        precision = 0;
        break;
    case 'D':
        size = 8;
        precision = 0;
        break;
    case 'F':
    case 'N':
        size = std::clamp(size, 0, 20);
        precision = std::max(0, std::min(precision, size - 2));
        break;
    case 'L':
        size = 1;
        precision = 0;
        break;
    default:
        break;
    }
}

void TDbfFieldDef::SetDefaultSize() {
    if (size >= 1) return;
    switch (fieldType) {
    case ftSmallint:
        size = 4;
        break;
    case ftInteger:
        size = nativeFieldType == 'I' ? 4 : 9;
        break;
    case ftFloat:
        size = 18;
        precision = 9;
        break;
    case ftCurrency:
        size = 16;
        precision = 2;
        break;
    case ftDateTime:
        size = 8;
        break;
    case ftLargeint:
        size = 18;
        break;
    default:
        break;
    }
    checkSizePrecision();
}

bool TDbfFieldDef::IsBlob() const {
    return nativeFieldType == 'B' || nativeFieldType == 'G' || nativeFieldType == 'M';
}

void TDbfFieldDef::AllocBuffers() {
    if (valueBuffer.size() != 3 * size) valueBuffer = QByteArray(3 * size, ' ');
}

void TDbfFieldDef::FreeBuffers() {
    valueBuffer.clear();
}

TDbfFieldDef* TDbfFieldDefs::Add() {
    items.push_back(std::make_unique<TDbfFieldDef>(this));
    return items.back().get();
}

TDbfFieldDef* TDbfFieldDefs::Add(const QString& name, TFieldType type, int size, int precision,
                                 bool required) {
    TDbfFieldDef* d = Add();
    d->AssignFrom(name, type, size, precision, required);
    return d;
}

void TDbfFieldDefs::Assign(const TDbfFieldDefs& source) {
    items.clear();
    for (const auto& d : source.items)
        Add()->Assign(*d);
}

int TDbfFieldDefs::IndexOf(const QString& name) const {
    QString up = name.toUpper();
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i]->GetFieldName().toUpper() == up) return int(i);
    return -1;
}
