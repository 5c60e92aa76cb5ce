// dBase field definitions: the dataset field type and the one-letter native type kept in step,
// with size and decimals clamped to what the native type allows.
#pragma once

#include "Dbf_Common.h"
#include "DB.h"

#include <QByteArray>
#include <QString>
#include <memory>
#include <vector>

class TDbfFieldDefs;

class TDbfFieldDef {
public:
    explicit TDbfFieldDef(TDbfFieldDefs* collection = nullptr);

    // Copies every field, the value buffers included.
    void Assign(const TDbfFieldDef& source);
    // From a dataset field definition: name, type, size, precision, required.
    void AssignFrom(const QString& name, TFieldType type, int size, int precision, bool required);

    QString GetFieldName() const { return fieldName; }
    void SetFieldName(const QString& v) { fieldName = v; }
    QString GetDisplayName() const { return fieldName; }
    TFieldType GetFieldType() const { return fieldType; }
    void SetFieldType(TFieldType v);
    char GetNativeFieldType() const { return nativeFieldType; }
    void SetNativeFieldType(char v);
    int GetSize() const { return size; }
    void SetSize(int v);
    int GetPrecision() const { return precision; }
    void SetPrecision(int v);
    bool GetRequired() const { return required; }
    void SetRequired(bool v) { required = v; }

    // As read from a descriptor: the sizes stand as they are in the file.
    void SetFromFile(char nativeType, int size, int precision);
    // Default sizes for a definition made without a size.
    void SetDefaultSize();
    bool IsBlob() const;
    void AllocBuffers();
    void FreeBuffers();

    char* DefaultBuf() { return valueBuffer.data(); }
    char* MinBuf() { return valueBuffer.data() + size; }
    char* MaxBuf() { return valueBuffer.data() + 2 * size; }

    int Offset = 0;
    uint32_t AutoIncNext = 0;
    int AutoIncPos = -1;
    bool HasDefault = false;
    bool HasMin = false;
    bool HasMax = false;
    bool IsLockField = false;

private:
    int version() const;
    bool useFloatFields() const;
    void nativeToVCL();
    void vclToNative();
    void checkSizePrecision();

    TDbfFieldDefs* collection;
    QString fieldName;
    TFieldType fieldType = ftUnknown;
    char nativeFieldType = 0;
    int size = 0;
    int precision = 0;
    bool required = false;
    QByteArray valueBuffer;
};

class TDbfFieldDefs {
public:
    TDbfFieldDefs() = default;
    TDbfFieldDefs(const TDbfFieldDefs&) = delete;
    TDbfFieldDefs& operator=(const TDbfFieldDefs&) = delete;

    TDbfFieldDef* Add();
    // Adds a definition from a dataset field type, with the default size when size < 1.
    TDbfFieldDef* Add(const QString& name, TFieldType type, int size = 0, int precision = 0,
                      bool required = false);
    int Count() const { return int(items.size()); }
    TDbfFieldDef* GetItems(int i) const { return items.at(i).get(); }
    TDbfFieldDef* operator[](int i) const { return items.at(i).get(); }
    void Clear() { items.clear(); }
    void Assign(const TDbfFieldDefs& source);
    int IndexOf(const QString& name) const;

    TXBaseVersion DbfVersion = xBaseIV;
    bool UseFloatFields = true;

private:
    std::vector<std::unique_ptr<TDbfFieldDef>> items;
};
