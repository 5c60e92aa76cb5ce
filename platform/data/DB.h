// The dataset model: datasets with the record-buffer protocol, fields, field definitions, data
// sources and data links, and query parameters.
//
// ---- How a dataset works -------------------------------------------------------------------
//
// A TDataSet keeps a window of record buffers (BufferCount of them, plus one spare) that its
// data links share. RecordCount() of the window is how many buffers hold records, ActiveRecord
// is the buffer of the current record. A link sees its own part of the window (its own
// BufferCount); a grid paints row i by setting the link's ActiveRecord to i, reading the
// fields and setting it back: that moves nothing and fires nothing.
//
// A concrete dataset implements the Internal* virtuals and the buffer protocol below and gets
// navigation, editing, events, calculated and lookup fields, Locate/Lookup, filters and data
// links from this class:
//
//   AllocRecordBuffer / FreeRecordBuffer   a raw byte buffer of the subclass's own layout
//                                           (record, bookmark, flag, then the calculated area)
//   GetRecord(Buffer, gmNext | gmPrior | gmCurrent, DoCheck)
//                                           moves its cursor and fills Buffer: grOK, grBOF,
//                                           grEOF or grError (gmCurrent on a crack or a record
//                                           that no longer qualifies). A filtering dataset
//                                           offers each record to RecordFilterAccepts(Buffer)
//                                           and skips refused ones. After reading, it calls
//                                           GetCalcFields(Buffer).
//   Get/SetBookmarkData, Get/SetBookmarkFlag   bookmark bytes and flag kept in a buffer
//   InternalFirst / InternalLast            cursor to the crack before the first / after the
//                                           last record
//   InternalGotoBookmark / InternalSetToRecord(Buffer)
//   InternalOpen                            open the cursor, InitFieldDefs(), then
//                                           `if (GetDefaultFields()) CreateFields();`,
//                                           BindFields(true), set CalcFieldsOffset, and leave
//                                           the cursor at the crack before the first record
//   InternalClose                           BindFields(false), `if (GetDefaultFields())
//                                           DestroyFields();`, close the cursor
//   InternalInitFieldDefs, InternalInitRecord, InternalEdit, InternalPost, InternalCancel,
//   InternalDelete, InternalInsert, InternalRefresh, InternalAddRecord, InternalHandleException
//   GetFieldData / SetFieldData             native field values (formats below)
//   GetRecNo / SetRecNo / GetRecordCount / IsSequenced / CompareBookmarks / BookmarkValid
//   CreateBlobStream, Translate, IsCursorOpen, GetCanModify
//
// In InternalPost the dataset's State tells an edit (dsEdit) from an insert (dsInsert); for an
// insert the buffer's flag tells where: bfEOF appends, bfBOF inserts into an empty dataset,
// bfInserted inserts before the record whose bookmark the buffer carries. After InternalPost
// and InternalDelete the cursor must stand on the record to show next (the new or changed
// record; the one after a deleted record, or the one before it at the end).
//
// A subclass's destructor calls `Destroying(); Close();` first (deleting through FreeObject
// or the owner does this in BeforeDestruction), because closing needs its virtuals.
//
// ---- Native field values in buffers ----------------------------------------------------------
//
// GetFieldData(Field, Buffer) copies the field's value of the current record buffer (see
// GetActiveRecBuf) into Buffer and returns false when the field is null (Buffer untouched);
// a null Buffer only asks whether there is a value. SetFieldData(Field, Buffer) stores the
// value; a null Buffer stores null. Values are in host byte order and need not be aligned
// (copy them with memcpy). TField::GetDataSize() gives the byte counts:
//
//   ftString, ftFixedChar, ftGuid   Size + 1 bytes: 8-bit text in Windows-1251 ended by a 0
//                                   byte. (A dataset whose bytes are in another code page
//                                   converts in Translate; fields call it when their
//                                   Transliterate is on.)
//   ftWideString                    (Size + 1) UTF-16 units ended by a 0 unit
//   ftSmallint int16   ftWord uint16   ftInteger, ftAutoInc int32   ftLargeint int64
//   ftBoolean                       int16: 0 false, any other value true (1 is written)
//   ftFloat, ftCurrency             double
//   ftBCD                           int64: the value times 10^Size (Size = decimals, Precision =
//                                   all digits, at most 18), so a value is kept exactly
//   ftDate, ftTime, ftDateTime      double TDateTime (a date has no fraction, a time no days)
//   ftBytes                         Size bytes
//   ftVarBytes                      uint16 length, then Size bytes
//   blobs (ftBlob, ftMemo, ftGraphic, ftFmtMemo, ftParadoxOle, ftDBaseOle, ftTypedBinary,
//   ftOraBlob, ftOraClob)           the bytes go through CreateBlobStream(Field, mode);
//                                   GetFieldData(Field, nullptr) still answers whether the
//                                   blob has a value (IsNull). A memo's bytes are
//                                   Windows-1251 text.
//
// Calculated and lookup fields live in the calculated area of every record buffer, which
// starts at CalcFieldsOffset (set by the subclass when it opens): field->Offset gives the
// field's place there, one null-flag byte (1 = has a value) followed by the native value.
// GetCalcFieldData/SetCalcFieldData do this for the subclass's GetFieldData/SetFieldData.
//
// ---- Errors -------------------------------------------------------------------------------
//
// EDatabaseError; DatabaseError(Message, Component) prefixes the message with "Name: " when the
// component has a name (an unnamed dataset gives the plain message). Field text that is not a
// number or a date raises EConvertError with the text in the message.
#pragma once

#include "Classes.h"
#include "Streams.h"
#include "SysUtils.h"
#include "Types.h"
#include "Variant.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

class TDataSet;
class TField;
class TFields;
class TFieldDef;
class TFieldDefs;
class TDataSource;
class TDataLink;
class TParam;
class TParams;

#ifndef KADRION_CLASSES_HAS_TALIGNMENT
#define KADRION_CLASSES_HAS_TALIGNMENT
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
#endif

// ---- errors and messages ----------------------------------------------------------------------

KADRION_EXCEPTION(EDatabaseError, Exception)

// Raises EDatabaseError; "Name: Message" when Component has a name.
[[noreturn]] void DatabaseError(const QString& Message, TComponent* Component = nullptr);
[[noreturn]] void DatabaseErrorFmt(const QString& Message, std::initializer_list<TFormatArg> Args,
                                   TComponent* Component = nullptr);

inline constexpr const char SDataSetClosed[] = "Cannot perform this operation on a closed dataset";
inline constexpr const char SDataSetOpen[] = "Cannot perform this operation on an open dataset";
inline constexpr const char SDataSetEmpty[] = "Cannot perform this operation on an empty dataset";
inline constexpr const char SDataSetReadOnly[] = "Cannot modify a read-only dataset";
inline constexpr const char SNotEditing[] = "Dataset not in edit or insert mode";
inline constexpr const char SFieldNotFound[] = "Field '%s' not found";
inline constexpr const char SFieldRequired[] = "Field '%s' must have a value";
inline constexpr const char SFieldReadOnly[] = "Field '%s' cannot be modified";
inline constexpr const char SFieldTypeMismatch[] =
    "Type mismatch for field '%s', expecting: %s actual: %s";
inline constexpr const char SFieldRangeError[] =
    "%s is not a valid value for field '%s'. The allowed range is %s to %s";
inline constexpr const char SInvalidIntegerValue[] =
    "'%s' is not a valid integer value for field '%s'";
inline constexpr const char SInvalidFloatValue[] =
    "'%s' is not a valid floating point value for field '%s'";
inline constexpr const char SInvalidBoolValue[] =
    "'%s' is not a valid boolean value for field '%s'";
inline constexpr const char SInvalidBcdValue[] = "'%s' is not a valid BCD value for field '%s'";
inline constexpr const char SDuplicateFieldName[] = "Duplicate field name '%s'";
inline constexpr const char SFieldIndexError[] = "Field index out of range";
inline constexpr const char SDataSetMissing[] = "Field '%s' has no dataset";
inline constexpr const char SRecordNotFound[] = "Record not found";
inline constexpr const char SBookmarkNotFound[] = "Bookmark not found";
inline constexpr const char SCircularDataLink[] = "Circular datalinks are not allowed";
inline constexpr const char SParameterNotFound[] = "Parameter '%s' not found";
inline constexpr const char SNotABlobField[] = "Field '%s' is not a blob field";
inline constexpr const char SFieldAccessError[] = "Cannot access field '%s' as type %s";
inline constexpr const char SLookupInfoError[] = "Lookup information for field '%s' is incomplete";
inline constexpr const char SInvalidFilter[] = "Filter expression incorrectly formatted: %s";

// ---- enumerations -----------------------------------------------------------------------------

// Stored ordinals: never reorder.
enum TFieldType {
    ftUnknown,
    ftString,
    ftSmallint,
    ftInteger,
    ftWord,
    ftBoolean,
    ftFloat,
    ftCurrency,
    ftBCD,
    ftDate,
    ftTime,
    ftDateTime,
    ftBytes,
    ftVarBytes,
    ftAutoInc,
    ftBlob,
    ftMemo,
    ftGraphic,
    ftFmtMemo,
    ftParadoxOle,
    ftDBaseOle,
    ftTypedBinary,
    ftCursor,
    ftFixedChar,
    ftWideString,
    ftLargeint,
    ftADT,
    ftArray,
    ftReference,
    ftDataSet,
    ftOraBlob,
    ftOraClob,
    ftVariant,
    ftInterface,
    ftIDispatch,
    ftGuid
};
static_assert(ftGuid == 35);

// "Unknown", "String", "SmallInt", "Integer", ... as the platform names the types.
QString FieldTypeName(TFieldType Type);
// Blob types: ftBlob .. ftTypedBinary, ftOraBlob, ftOraClob.
bool IsBlobType(TFieldType Type);

enum TFieldKind { fkData, fkCalculated, fkLookup, fkInternalCalc };

enum TDataSetState {
    dsInactive,
    dsBrowse,
    dsEdit,
    dsInsert,
    dsSetKey,
    dsCalcFields,
    dsFilter,
    dsNewValue,
    dsOldValue,
    dsCurValue,
    dsBlockRead,
    dsInternalCalc,
    dsOpening
};
using TDataSetStates = TSet<TDataSetState>;
inline constexpr TDataSetStates dsEditModes{dsEdit, dsInsert, dsSetKey};
inline constexpr TDataSetStates dsWriteModes{dsEdit,   dsInsert,   dsSetKey,      dsCalcFields,
                                             dsFilter, dsNewValue, dsInternalCalc};

enum TDataEvent {
    deFieldChange,
    deRecordChange,
    deDataSetChange,
    deDataSetScroll,
    deLayoutChange,
    deUpdateRecord,
    deUpdateState,
    deCheckBrowseMode,
    dePropertyChange,
    deFieldListChange,
    deFocusControl,
    deParentScroll
};

enum TGetMode { gmCurrent, gmNext, gmPrior };
enum TGetResult { grOK, grBOF, grEOF, grError };
enum TBookmarkFlag { bfCurrent, bfBOF, bfEOF, bfInserted };
enum TResyncModeItem { rmExact, rmCenter };
using TResyncMode = TSet<TResyncModeItem>;
enum TDataAction { daFail, daAbort, daRetry };
enum TUpdateKind { ukModify, ukInsert, ukDelete };
enum TBlobStreamMode { bmRead, bmWrite, bmReadWrite };
enum TLocateOption { loCaseInsensitive, loPartialKey };
using TLocateOptions = TSet<TLocateOption>;
enum TFilterOption { foCaseInsensitive, foNoPartialCompare };
using TFilterOptions = TSet<TFilterOption>;
enum TFieldAttribute { faHiddenCol, faReadonly, faRequired, faLink, faUnNamed, faFixed };
using TFieldAttributes = TSet<TFieldAttribute>;
enum TParamType { ptUnknown, ptInput, ptOutput, ptInputOutput, ptResult };
// Cached updates (shared by the datasets that keep them).
enum TUpdateAction { uaFail, uaAbort, uaSkip, uaRetry, uaApplied };
enum TUpdateStatus { usUnmodified, usModified, usInserted, usDeleted };
using TUpdateStatusSet = TSet<TUpdateStatus>;

// A record buffer: raw bytes laid out by the dataset class that allocated it.
using TRecordBuffer = char*;
// Bookmarks are byte strings; an empty one means "none". Their order is the dataset's
// CompareBookmarks, not the byte order.
using TBookmark = QByteArray;
using TBookmarkStr = QByteArray;

// ---- events -----------------------------------------------------------------------------------

using TDataSetNotifyEvent = std::function<void(TDataSet* DataSet)>;
using TDataSetErrorEvent =
    std::function<void(TDataSet* DataSet, EDatabaseError& E, TDataAction& Action)>;
using TFilterRecordEvent = std::function<void(TDataSet* DataSet, bool& Accept)>;
using TFieldNotifyEvent = std::function<void(TField* Sender)>;
using TFieldGetTextEvent = std::function<void(TField* Sender, QString& Text, bool DisplayText)>;
using TFieldSetTextEvent = std::function<void(TField* Sender, const QString& Text)>;
using TDataChangeEvent = std::function<void(TObject* Sender, TField* Field)>;
using TUpdateErrorEvent = std::function<void(TDataSet* DataSet, EDatabaseError& E,
                                             TUpdateKind UpdateKind, TUpdateAction& UpdateAction)>;
using TUpdateRecordEvent =
    std::function<void(TDataSet* DataSet, TUpdateKind UpdateKind, TUpdateAction& UpdateAction)>;

// ---- TField -------------------------------------------------------------------------------------

// One column of a dataset. Persistent fields are made in code (new TStringField(Owner), then
// SetFieldName, SetSize, SetDataSet) before the dataset opens; default fields are made by the
// dataset from its FieldDefs when it opens and deleted when it closes.
//
// Value access: Value (a Variant: Null when the field is null), AsString, AsInteger, AsFloat,
// AsCurrency, AsBoolean, AsDateTime, AsVariant; a kind a field class does not support raises
// EDatabaseError "Cannot access field '%s' as type %s". Writing needs the dataset in an edit
// mode ("Dataset not in edit or insert mode") and a writable field ("Field '%s' cannot be
// modified"); OnValidate runs first, OnChange after the value is stored.
// Text: GetText() is the edit text, GetDisplayText() the display text (both through
// OnGetText when assigned); SetText(s) goes through OnSetText when assigned, else AsString.
// Numbers and dates follow FormatSettings (decimal ',', dates dd.mm.yyyy).
class TField : public TComponent {
protected:
    // What every read of a value looks at, together at the start of the object: reading a
    // row's fields then touches few cache lines of each.
    TDataSet* dataSet = nullptr;
    TFieldType dataType = ftUnknown;
    TFieldKind fieldKind = fkData;
    int fieldNo = 0;
    int size = 0;
    bool transliterate = false;
    // While OnValidate runs, reads see the value being written.
    bool validating = false;
    const void* validateBuffer = nullptr;
    // The text a read gave last. A read writes its text here and returns a copy, which shares
    // the buffer: once the caller has let go of it, the next read reuses the buffer instead of
    // allocating one.
    mutable QString lastText;

    KADRION_CLASS(TField)
    explicit TField(TComponent* AOwner);
    ~TField() override;

    // --- identity and layout
    TDataSet* GetDataSet() const { return dataSet; }
    // Moves the field into a dataset's field list (both datasets must be closed).
    void SetDataSet(TDataSet* ADataSet);
    QString GetFieldName() const { return fieldName; }
    void SetFieldName(const QString& Value);
    TFieldType GetDataType() const { return dataType; }
    // 1-based number of the data field in the dataset's field definitions; -1 for calculated
    // and lookup fields; 0 while unbound.
    int GetFieldNo() const { return fieldNo; }
    // Position in the dataset's Fields; setting it moves the field and sends layout-changed.
    int GetIndex() const;
    void SetIndex(int Value);
    TFieldKind GetFieldKind() const { return fieldKind; }
    void SetFieldKind(TFieldKind Value);
    bool GetCalculated() const { return fieldKind == fkCalculated; }
    void SetCalculated(bool Value) { SetFieldKind(Value ? fkCalculated : fkData); }
    bool GetLookup() const { return fieldKind == fkLookup; }
    void SetLookup(bool Value) { SetFieldKind(Value ? fkLookup : fkData); }
    int GetSize() const { return size; }
    virtual void SetSize(int Value);
    // Bytes of the native value (see the top of this header).
    virtual int GetDataSize() const { return 0; }
    virtual bool IsBlob() const { return false; }
    // Place of a calculated or lookup field in the calculated area (set when binding).
    int Offset = 0;

    // --- appearance
    QString GetDisplayLabel() const { return displayLabel.isEmpty() ? fieldName : displayLabel; }
    void SetDisplayLabel(const QString& Value);
    // DisplayLabel when set, else FieldName.
    QString GetDisplayName() const { return GetDisplayLabel(); }
    int GetDisplayWidth() const;
    void SetDisplayWidth(int Value);
    TAlignment GetAlignment() const { return alignment; }
    void SetAlignment(TAlignment Value);
    QString GetEditMask() const { return editMask; }
    void SetEditMask(const QString& Value) { editMask = Value; }
    bool GetVisible() const { return visible; }
    void SetVisible(bool Value);
    bool GetReadOnly() const { return readOnly; }
    void SetReadOnly(bool Value);
    bool GetRequired() const { return required; }
    void SetRequired(bool Value) { required = Value; }
    // String and memo fields pass their bytes through the dataset's Translate (default on).
    bool GetTransliterate() const { return transliterate; }
    void SetTransliterate(bool Value) { transliterate = Value; }
    QString Origin;
    QString DefaultExpression;

    // --- lookup definition (fkLookup)
    QString GetKeyFields() const { return keyFields; }
    void SetKeyFields(const QString& Value);
    TDataSet* GetLookupDataSet() const { return lookupDataSet; }
    void SetLookupDataSet(TDataSet* Value);
    QString GetLookupKeyFields() const { return lookupKeyFields; }
    void SetLookupKeyFields(const QString& Value);
    QString GetLookupResultField() const { return lookupResultField; }
    void SetLookupResultField(const QString& Value);
    // With the cache on, the lookup dataset's key/result pairs are read once when the
    // dataset opens (and by RefreshLookupList) instead of a Lookup per record.
    bool GetLookupCache() const { return lookupCache; }
    void SetLookupCache(bool Value);
    void RefreshLookupList();

    // --- values
    bool IsNull() const;
    virtual void Clear();
    Variant GetValue() const { return GetAsVariant(); }
    void SetValue(const Variant& Value) { SetAsVariant(Value); }
    virtual Variant GetAsVariant() const;
    virtual void SetAsVariant(const Variant& Value);
    virtual QString GetAsString() const;
    virtual void SetAsString(const QString& Value);
    virtual int GetAsInteger() const;
    virtual void SetAsInteger(int Value);
    virtual int64_t GetAsLargeInt() const { return GetAsInteger(); }
    virtual void SetAsLargeInt(int64_t Value) { SetAsInteger(int(Value)); }
    virtual double GetAsFloat() const;
    virtual void SetAsFloat(double Value);
    virtual double GetAsCurrency() const { return GetAsFloat(); }
    virtual void SetAsCurrency(double Value) { SetAsFloat(Value); }
    virtual bool GetAsBoolean() const;
    virtual void SetAsBoolean(bool Value);
    virtual TDateTime GetAsDateTime() const;
    virtual void SetAsDateTime(TDateTime Value);
    // Value of the record as it was before the current edit (Null while inserting), the value
    // being written, and the value in the store.
    Variant GetOldValue() const;
    Variant GetNewValue() const;
    Variant GetCurValue() const;
    // Raw access to the native value of the current record buffer (formats at the top).
    bool GetData(void* Buffer) const;
    void SetData(const void* Buffer);

    // --- text
    QString GetText() const; // edit text
    void SetText(const QString& Value);
    QString GetDisplayText() const;
    // Can this character be typed into the field? (digits and signs for numbers, and so on)
    virtual bool IsValidChar(QChar C) const;
    // True when the field can be written now (field, dataset and state allow it).
    virtual bool CanModify() const;
    // Asks the data links to focus the control that shows this field.
    void FocusControl();
    // Raises when the field cannot be modified (read-only field or dataset).
    void CheckCanModify() const;

    TFieldNotifyEvent OnChange;
    TFieldNotifyEvent OnValidate;
    TFieldGetTextEvent OnGetText;
    TFieldSetTextEvent OnSetText;

    void Assign(TPersistent* Source) override;

protected:
    friend class TDataSet;
    friend class TFields;
    // True when the dataset's Translate would leave text of plain ASCII unchanged.
    bool dataSetKeepsAscii() const;
    // True when the dataset's Translate leaves every text as it is.
    bool dataSetKeepsText() const;
    // Makes lastText those characters and returns it.
    const QString& keepText(const char16_t* Chars, qsizetype Length) const;
    // Text of the value for editing (DisplayText false) or showing; "" for null.
    virtual void GetTextValue(QString& Text, bool DisplayText) const;
    virtual void SetTextValue(const QString& Text) { SetAsString(Text); }
    void SetDataType(TFieldType Value) { dataType = Value; }
    void Notification(TComponent* AComponent, TOperation Operation) override;
    // Writes a value through SetData after the checks; null Buffer = null.
    void WriteData(const void* Buffer);
    [[noreturn]] void AccessError(const QString& TypeName) const;
    virtual int DefaultDisplayWidth() const { return 10; }
    // Called when the dataset binds (Binding true) or unbinds the field.
    virtual void Bind(bool Binding) {}
    void PropertyChanged(bool LayoutAffected);
    void CalcLookupValue();
    QString fieldName;
    QString displayLabel;
    int displayWidth = -1;
    TAlignment alignment = taLeftJustify;
    QString editMask;
    bool visible = true;
    bool readOnly = false;
    bool required = false;
    QString keyFields;
    TDataSet* lookupDataSet = nullptr;
    QString lookupKeyFields;
    QString lookupResultField;
    bool lookupCache = false;
    std::vector<std::pair<Variant, Variant>> lookupList;
};

// Fixed-length text: Size characters at most (longer text is cut when written).
class TStringField : public TField {
    KADRION_CLASS(TStringField)
    explicit TStringField(TComponent* AOwner);
    int GetDataSize() const override { return size + 1; }
    // ftFixedChar values read with trailing blanks removed.
    bool GetFixedChar() const { return dataType == ftFixedChar; }
    void SetFixedChar(bool Value) { SetDataType(Value ? ftFixedChar : ftString); }
    Variant GetAsVariant() const override;
    QString GetAsString() const override;
    void SetAsString(const QString& Value) override;
    int GetAsInteger() const override;
    void SetAsInteger(int Value) override;
    double GetAsFloat() const override;
    void SetAsFloat(double Value) override;
    bool GetAsBoolean() const override;
    void SetAsBoolean(bool Value) override;
    TDateTime GetAsDateTime() const override;
    void SetAsDateTime(TDateTime Value) override;
    // The value, false for null.
    bool GetValue(QString& Value) const;
    using TField::GetValue;

protected:
    int DefaultDisplayWidth() const override { return size; }

private:
    // Reads the value into lastText; false for null.
    bool readText() const;
    bool readCopiedText() const;
    // Through the dataset's Translate (Room: the bytes the value may take).
    bool readTranslatedText(const char* Text, int Length, int Room) const;
    void setText(const char* Text, int Length) const;
};

class TWideStringField : public TStringField {
    KADRION_CLASS(TWideStringField)
    explicit TWideStringField(TComponent* AOwner);
    int GetDataSize() const override { return (size + 1) * 2; }
    Variant GetAsVariant() const override;
    QString GetAsString() const override;
    void SetAsString(const QString& Value) override;
};

class TGuidField : public TStringField {
    KADRION_CLASS(TGuidField)
    explicit TGuidField(TComponent* AOwner);
};

// Numbers: right-aligned; DisplayFormat and EditFormat in FormatFloat syntax. The edit text
// uses EditFormat, or DisplayFormat when EditFormat is empty; AsString is always plain.
class TNumericField : public TField {
    KADRION_CLASS(TNumericField)
    explicit TNumericField(TComponent* AOwner);
    QString GetDisplayFormat() const { return displayFormat; }
    void SetDisplayFormat(const QString& Value);
    QString GetEditFormat() const { return editFormat; }
    void SetEditFormat(const QString& Value);
    bool IsValidChar(QChar C) const override;

protected:
    QString displayFormat;
    QString editFormat;
};

// Integer fields: MinValue/MaxValue (both 0 = only the type's own range) are checked when
// writing: "%s is not a valid value for field '%s'. The allowed range is %s to %s".
class TIntegerField : public TNumericField {
    KADRION_CLASS(TIntegerField)
    explicit TIntegerField(TComponent* AOwner);
    int GetDataSize() const override { return 4; }
    int GetMinValue() const { return minValue; }
    void SetMinValue(int Value) { minValue = Value; }
    int GetMaxValue() const { return maxValue; }
    void SetMaxValue(int Value) { maxValue = Value; }
    Variant GetAsVariant() const override;
    void SetAsVariant(const Variant& Value) override;
    QString GetAsString() const override;
    void SetAsString(const QString& Value) override;
    int GetAsInteger() const override;
    void SetAsInteger(int Value) override;
    int64_t GetAsLargeInt() const override;
    void SetAsLargeInt(int64_t Value) override;
    double GetAsFloat() const override;
    void SetAsFloat(double Value) override;
    bool GetAsBoolean() const override;
    void SetAsBoolean(bool Value) override { SetAsInteger(Value ? 1 : 0); }
    bool GetValue(int64_t& Value) const;
    using TField::GetValue;

protected:
    void GetTextValue(QString& Text, bool DisplayText) const override;
    int DefaultDisplayWidth() const override { return 11; }
    virtual int64_t RangeMin() const { return INT32_MIN; }
    virtual int64_t RangeMax() const { return INT32_MAX; }
    void CheckRange(int64_t Value) const;
    void StoreInteger(int64_t Value);
    int minValue = 0;
    int maxValue = 0;
};

class TSmallintField : public TIntegerField {
    KADRION_CLASS(TSmallintField)
    explicit TSmallintField(TComponent* AOwner);
    int GetDataSize() const override { return 2; }

protected:
    int DefaultDisplayWidth() const override { return 6; }
    int64_t RangeMin() const override { return INT16_MIN; }
    int64_t RangeMax() const override { return INT16_MAX; }
};

class TWordField : public TIntegerField {
    KADRION_CLASS(TWordField)
    explicit TWordField(TComponent* AOwner);
    int GetDataSize() const override { return 2; }

protected:
    int DefaultDisplayWidth() const override { return 6; }
    int64_t RangeMin() const override { return 0; }
    int64_t RangeMax() const override { return UINT16_MAX; }
};

class TAutoIncField : public TIntegerField {
    KADRION_CLASS(TAutoIncField)
    explicit TAutoIncField(TComponent* AOwner);
};

class TLargeintField : public TIntegerField {
    KADRION_CLASS(TLargeintField)
    explicit TLargeintField(TComponent* AOwner);
    int GetDataSize() const override { return 8; }
    int GetAsInteger() const override;

protected:
    int DefaultDisplayWidth() const override { return 15; }
    int64_t RangeMin() const override { return INT64_MIN; }
    int64_t RangeMax() const override { return INT64_MAX; }
};

// Floating point. Currency on: display text in the currency format (two decimals), edit text
// fixed with two decimals. Precision: significant digits of the general format (15).
class TFloatField : public TNumericField {
    KADRION_CLASS(TFloatField)
    explicit TFloatField(TComponent* AOwner);
    int GetDataSize() const override { return 8; }
    bool GetCurrency() const { return currency; }
    void SetCurrency(bool Value);
    int GetPrecision() const { return precision; }
    void SetPrecision(int Value);
    double GetMinValue() const { return minValue; }
    void SetMinValue(double Value) { minValue = Value; }
    double GetMaxValue() const { return maxValue; }
    void SetMaxValue(double Value) { maxValue = Value; }
    Variant GetAsVariant() const override;
    void SetAsVariant(const Variant& Value) override;
    QString GetAsString() const override;
    void SetAsString(const QString& Value) override;
    int GetAsInteger() const override;
    void SetAsInteger(int Value) override { SetAsFloat(Value); }
    double GetAsFloat() const override;
    void SetAsFloat(double Value) override;
    bool GetValue(double& Value) const;
    using TField::GetValue;

protected:
    void GetTextValue(QString& Text, bool DisplayText) const override;
    bool currency = false;
    int precision = 15;
    double minValue = 0;
    double maxValue = 0;
};

class TCurrencyField : public TFloatField {
    KADRION_CLASS(TCurrencyField)
    explicit TCurrencyField(TComponent* AOwner);
};

// Exact decimal: Size decimals, Precision digits in all (at most 18). The text of a value
// read back gives the same value; a text with more decimals is rounded half away from zero;
// too many integer digits raise EConvertError "'%s' is not a valid BCD value for field '%s'".
// Value is a Currency variant when Size <= 4, else a Double.
class TBCDField : public TNumericField {
    KADRION_CLASS(TBCDField)
    explicit TBCDField(TComponent* AOwner);
    int GetDataSize() const override { return 8; }
    void SetSize(int Value) override;
    int GetPrecision() const { return precision; }
    void SetPrecision(int Value);
    bool GetCurrency() const { return currency; }
    void SetCurrency(bool Value);
    Variant GetAsVariant() const override;
    void SetAsVariant(const Variant& Value) override;
    QString GetAsString() const override;
    void SetAsString(const QString& Value) override;
    int GetAsInteger() const override;
    void SetAsInteger(int Value) override;
    double GetAsFloat() const override;
    void SetAsFloat(double Value) override;
    double GetAsCurrency() const override { return GetAsFloat(); }
    // The stored integer: value x 10^Size; false for null.
    bool GetScaled(int64_t& Value) const;
    void SetScaled(int64_t Value);
    // Exact decimal text of a scaled value with the given separator ("12,5", "-0,05").
    static QString ScaledToText(int64_t Value, int Scale, QChar Separator);

protected:
    // The same text written backwards to end at End; returns its length (at most Scale + 22).
    static int scaledChars(int64_t Value, int Scale, QChar Separator, char16_t* End);
    void GetTextValue(QString& Text, bool DisplayText) const override;
    int DefaultDisplayWidth() const override { return precision + 2; }
    void StoreScaled(int64_t Value, const QString& Source);
    int precision = 15;
    bool currency = false;
};

// Boolean: DisplayValues "True;False" (text of true, ';', text of false). Writing text takes
// any leading part of either text, ignoring case; other text raises EConvertError
// "'%s' is not a valid boolean value for field '%s'".
class TBooleanField : public TField {
    KADRION_CLASS(TBooleanField)
    explicit TBooleanField(TComponent* AOwner);
    int GetDataSize() const override { return 2; }
    QString GetDisplayValues() const { return displayValues; }
    void SetDisplayValues(const QString& Value);
    Variant GetAsVariant() const override;
    void SetAsVariant(const Variant& Value) override;
    QString GetAsString() const override;
    void SetAsString(const QString& Value) override;
    bool GetAsBoolean() const override;
    void SetAsBoolean(bool Value) override;
    int GetAsInteger() const override { return GetAsBoolean() ? 1 : 0; }
    void SetAsInteger(int Value) override { SetAsBoolean(Value != 0); }

protected:
    void GetTextValue(QString& Text, bool DisplayText) const override;
    int DefaultDisplayWidth() const override { return 5; }
    QString displayValues = QStringLiteral("True;False");
    QString trueText = QStringLiteral("True");
    QString falseText = QStringLiteral("False");
};

// Dates and times. DisplayFormat in FormatDateTime syntax; empty means ShortDateFormat for a
// date, LongTimeFormat for a time and "c" for a date-time. Text is read with StrToDate,
// StrToTime or StrToDateTime (EConvertError "'%s' is not a valid date" and the like).
class TDateTimeField : public TField {
    KADRION_CLASS(TDateTimeField)
    explicit TDateTimeField(TComponent* AOwner);
    int GetDataSize() const override { return 8; }
    QString GetDisplayFormat() const { return displayFormat; }
    void SetDisplayFormat(const QString& Value);
    Variant GetAsVariant() const override;
    void SetAsVariant(const Variant& Value) override;
    QString GetAsString() const override;
    void SetAsString(const QString& Value) override;
    double GetAsFloat() const override { return GetAsDateTime(); }
    void SetAsFloat(double Value) override { SetAsDateTime(Value); }
    TDateTime GetAsDateTime() const override;
    void SetAsDateTime(TDateTime Value) override;
    bool GetValue(TDateTime& Value) const;
    using TField::GetValue;

protected:
    void GetTextValue(QString& Text, bool DisplayText) const override;
    int DefaultDisplayWidth() const override { return 18; }
    QString displayFormat;
};

class TDateField : public TDateTimeField {
    KADRION_CLASS(TDateField)
    explicit TDateField(TComponent* AOwner);

protected:
    int DefaultDisplayWidth() const override { return 10; }
};

class TTimeField : public TDateTimeField {
    KADRION_CLASS(TTimeField)
    explicit TTimeField(TComponent* AOwner);

protected:
    int DefaultDisplayWidth() const override { return 8; }
};

// Fixed and variable byte strings; Value and AsString are the bytes as Latin-1 text.
class TBinaryField : public TField {
    KADRION_CLASS(TBinaryField)
    explicit TBinaryField(TComponent* AOwner);
    Variant GetAsVariant() const override;
    void SetAsVariant(const Variant& Value) override;
    QString GetAsString() const override;
    void SetAsString(const QString& Value) override;
    virtual QByteArray GetAsBytes() const;
    virtual void SetAsBytes(const QByteArray& Value);
};

class TBytesField : public TBinaryField {
    KADRION_CLASS(TBytesField)
    explicit TBytesField(TComponent* AOwner);
    int GetDataSize() const override { return size; }
};

class TVarBytesField : public TBinaryField {
    KADRION_CLASS(TVarBytesField)
    explicit TVarBytesField(TComponent* AOwner);
    int GetDataSize() const override { return size + 2; }
    QByteArray GetAsBytes() const override;
    void SetAsBytes(const QByteArray& Value) override;
};

// Blobs go through the dataset's CreateBlobStream. AsString of a memo is its text
// (Windows-1251 bytes); of other blobs the bytes as Latin-1. Display text is "(MEMO)",
// "(BLOB)", "(GRAPHIC)" and so on, in capitals when the blob has data ("(Memo)" when empty).
class TBlobField : public TField {
    KADRION_CLASS(TBlobField)
    explicit TBlobField(TComponent* AOwner);
    bool IsBlob() const override { return true; }
    TFieldType GetBlobType() const { return dataType; }
    void SetBlobType(TFieldType Value) { SetDataType(Value); }
    int GetBlobSize() const;
    bool GetModified() const { return modified; }
    void SetModified(bool Value) { modified = Value; }
    QByteArray GetAsBytes() const;
    void SetAsBytes(const QByteArray& Value);
    Variant GetAsVariant() const override;
    void SetAsVariant(const Variant& Value) override;
    QString GetAsString() const override;
    void SetAsString(const QString& Value) override;
    void Clear() override;
    void LoadFromStream(TStream* Stream);
    void SaveToStream(TStream* Stream) const;
    void LoadFromFile(const QString& FileName);
    void SaveToFile(const QString& FileName) const;
    // From another blob field: copies the bytes.
    void Assign(TPersistent* Source) override;

protected:
    void GetTextValue(QString& Text, bool DisplayText) const override;
    void AssignTo(TPersistent* Dest) override;
    bool modified = false;
};

class TMemoField : public TBlobField {
    KADRION_CLASS(TMemoField)
    explicit TMemoField(TComponent* AOwner);
};

class TGraphicField : public TBlobField {
    KADRION_CLASS(TGraphicField)
    explicit TGraphicField(TComponent* AOwner);
};

// The field class for a type (nullptr for types without one: ftUnknown, ftCursor, ftADT...).
using TFieldFactory = std::function<TField*(TComponent* AOwner)>;
TFieldFactory FieldClassFor(TFieldType Type);
// Makes a field of the type's class (EDatabaseError "Field '%s' is of an unknown type" when
// there is none), with FieldName and Size set, not yet in a dataset.
TField* CreateFieldOfType(TFieldType Type, TComponent* AOwner, const QString& Name, int Size);

// ---- TFields ----------------------------------------------------------------------------------

// The ordered field list of a dataset (data, calculated and lookup fields). It does not own
// the fields; the owner component does.
class TFields : public TObject {
    KADRION_CLASS(TFields)
    explicit TFields(TDataSet* ADataSet) : dataSet(ADataSet) {}
    int Count() const { return int(list.size()); }
    int GetCount() const { return Count(); }
    // EDatabaseError "Field index out of range" for a bad index.
    TField* GetField(int Index) const;
    TField* operator[](int Index) const { return GetField(Index); }
    void SetFieldIndex(TField* Field, int Value);
    int IndexOf(TField* Field) const;
    // Case-insensitive; nullptr when absent.
    TField* FindField(const QString& FieldName) const;
    // EDatabaseError "Field '%s' not found".
    TField* FieldByName(const QString& FieldName) const;
    TField* FieldByNumber(int FieldNo) const;
    void GetFieldNames(TStrings* List) const;
    QStringList FieldNames() const;
    TDataSet* GetDataSet() const { return dataSet; }
    const std::vector<TField*>& List() const { return list; }

private:
    friend class TField;
    friend class TDataSet;
    void Add(TField* Field);
    void Remove(TField* Field);
    // A field of the list changed its name.
    void Renamed(TField* Field, const QString& OldName);
    TDataSet* dataSet;
    std::vector<TField*> list;
    // The fields by upper-case name (names are unique in a dataset), made when first asked.
    mutable QHash<QString, TField*> byName;
    mutable bool byNameValid = false;
};

// ---- TFieldDef / TFieldDefs -----------------------------------------------------------------

// A column the dataset's store has (name, type, size, precision, required, attributes).
class TFieldDef : public TCollectionItem {
    KADRION_CLASS(TFieldDef)
    explicit TFieldDef(TCollection* ACollection = nullptr);
    TFieldDef(TFieldDefs* Owner, const QString& Name, TFieldType DataType, int Size, bool Required,
              int FieldNo);
    QString GetName() const { return name; }
    void SetName(const QString& Value);
    TFieldType GetDataType() const { return dataType; }
    void SetDataType(TFieldType Value);
    int GetSize() const { return size; }
    void SetSize(int Value);
    int GetPrecision() const { return precision; }
    void SetPrecision(int Value);
    bool GetRequired() const { return attributes.Contains(faRequired); }
    void SetRequired(bool Value);
    TFieldAttributes GetAttributes() const { return attributes; }
    void SetAttributes(TFieldAttributes Value);
    // 1-based position among the definitions (or as the store numbers them).
    int GetFieldNo() const { return fieldNo > 0 ? fieldNo : GetIndex() + 1; }
    void SetFieldNo(int Value) { fieldNo = Value; }
    bool InternalCalcField = false;
    // Makes the field this definition describes, for the dataset of the definitions.
    TField* CreateField(TComponent* Owner);
    QString GetDisplayName() const override { return name; }
    void Assign(TPersistent* Source) override;
    TFieldDefs* GetFieldDefs() const;

private:
    QString name;
    TFieldType dataType = ftUnknown;
    int size = 0;
    int precision = 0;
    TFieldAttributes attributes;
    int fieldNo = 0;
};

class TFieldDefs : public TOwnedCollection {
    KADRION_CLASS(TFieldDefs)
    explicit TFieldDefs(TDataSet* ADataSet);
    TFieldDef* AddFieldDef();
    // Adds a definition; a name already there raises "Duplicate field name '%s'".
    TFieldDef* Add(const QString& Name, TFieldType DataType, int Size = 0, bool Required = false);
    // Case-insensitive; -1 / nullptr when absent. Find raises "Field '%s' not found".
    int IndexOf(const QString& Name) const;
    TFieldDef* FindDef(const QString& Name) const;
    TFieldDef* Find(const QString& Name) const;
    TFieldDef* GetItems(int Index) const { return Item<TFieldDef>(Index); }
    TFieldDef* operator[](int Index) const { return GetItems(Index); }
    // Reads the definitions from the dataset's store (its InitFieldDefs) unless Updated.
    void Update();
    bool GetUpdated() const { return updated; }
    void SetUpdated(bool Value) { updated = Value; }
    TDataSet* GetDataSet() const { return dataSet; }
    void GetItemNames(TStrings* List) const;
    void Update(TCollectionItem* Item) override;

protected:
    void Notify(TCollectionItem* Item, TCollectionNotification Action) override;

private:
    friend class TFieldDef;
    TDataSet* dataSet;
    bool updated = false;
    // Positions by upper-case name (the first of equal names), made when first asked, kept
    // as definitions are added, made again after any other change.
    mutable QHash<QString, int> byName;
    mutable bool byNameValid = false;
};

// ---- TDataSet ---------------------------------------------------------------------------------

// The byte stream of a blob field's value, the same for every dataset: it holds the value read
// from the active record when made (unless made for bmWrite). What is written to it becomes the
// field's value only through Commit, which stores the bytes in the record (the dataset's
// WriteBlob) and then tells the field's OnChange. An error of either reaches the caller of
// Commit and the field keeps its former value. A stream dropped without Commit changes nothing.
class TBlobStream : public TMemoryStream {
    KADRION_CLASS(TBlobStream)
    TBlobStream(TDataSet* ADataSet, TField* AField, TBlobStreamMode AMode);
    void Commit();

private:
    TDataSet* dataSet;
    TField* field;
    TBlobStreamMode mode;
};

class TDataSet : public TComponent {
    KADRION_CLASS(TDataSet)
    explicit TDataSet(TComponent* AOwner);
    ~TDataSet() override;
    void BeforeDestruction() override;

    // --- open and close
    void Open() { SetActive(true); }
    void Close() { SetActive(false); }
    bool GetActive() const { return state != dsInactive && state != dsOpening; }
    void SetActive(bool Value);
    TDataSetState GetState() const { return state; }
    bool GetModified() const { return modified; }
    bool IsEmpty() const { return bof && eof; }
    bool GetCanModify() const { return CanModify(); }
    virtual bool CanModify() const { return true; }
    // Raises "Cannot perform this operation on a closed dataset" / "... on an open dataset".
    void CheckActive() const;
    void CheckInactive() const;

    // --- navigation
    void First();
    void Last();
    void Next() { MoveBy(1); }
    void Prior() { MoveBy(-1); }
    // Moves by Distance records; returns the number of records moved (negative backwards).
    int MoveBy(int Distance);
    bool GetBof() const { return bof; }
    bool GetEof() const { return eof; }
    bool Bof() const { return bof; }
    bool Eof() const { return eof; }
    // Number of records of the whole dataset (as the subclass counts them; -1 unknown).
    int RecordCount() const { return GetRecordCount(); }
    virtual int GetRecordCount() const { return -1; }
    // 1-based number of the current record (-1 when unknown).
    int RecNo() const { return GetRecNo(); }
    virtual int GetRecNo() const { return -1; }
    virtual void SetRecNo(int Value) {}
    // True when record numbers are the records' positions (RecNo/SetRecNo/RecordCount usable).
    virtual bool IsSequenced() const { return true; }
    // Re-reads the records around the current one.
    void Refresh();
    // Posts or cancels a pending edit (posts when modified).
    void CheckBrowseMode();
    void UpdateCursorPos();
    void CursorPosChanged() { currentRecord = -1; }
    // Re-reads the window from the cursor; rmExact: the current record must still be there
    // ("Record not found"); rmCenter: the record lands in the middle of the window.
    virtual void Resync(TResyncMode Mode);

    // --- editing
    void Insert();
    void Append();
    void Edit();
    virtual void Post();
    virtual void Cancel();
    void Delete();
    // Appends (inserts) one record with the values in field order (Empty = leave as is).
    void AppendRecord(std::initializer_list<Variant> Values);
    void InsertRecord(std::initializer_list<Variant> Values);
    void SetFields(std::initializer_list<Variant> Values);
    // Sends deUpdateRecord so the links write their pending values.
    void UpdateRecord();
    void ClearFields();

    // --- bookmarks
    // The current record's bookmark; empty when there is none (empty dataset, inserting).
    TBookmark GetBookmark() const;
    void SetBookmark(const TBookmark& Value) { GotoBookmark(Value); }
    void GotoBookmark(const TBookmark& Bookmark);
    // Bookmarks are values: nothing to release; the bookmark is emptied.
    void FreeBookmark(TBookmark& Bookmark) const { Bookmark.clear(); }
    // <0, 0, >0 in record order. The default compares the bytes; two empty bookmarks are
    // equal and an empty one sorts after any other.
    virtual int CompareBookmarks(const TBookmark& Bookmark1, const TBookmark& Bookmark2) const;
    virtual bool BookmarkValid(const TBookmark& Bookmark) const;

    // --- controls
    // Nested; while disabled no link hears anything. The last EnableControls sends a
    // state change when the state differs and then data-set-changed (layout-changed when the
    // layout changed meanwhile).
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return disableCount != 0; }

    // --- search
    // Moves to the first record whose key fields ("A;B") match KeyValues (one value, or an
    // array with one per field); loCaseInsensitive compares texts ignoring case (Cyrillic
    // folded); loPartialKey lets the last field match when its text begins with the key
    // text. Returns false and stays put when nothing matches.
    virtual bool Locate(const QString& KeyFields, const Variant& KeyValues, TLocateOptions Options);
    // The ResultFields ("A;B": an array) of the first record matching exactly, without moving;
    // Null when none.
    virtual Variant Lookup(const QString& KeyFields, const Variant& KeyValues,
                           const QString& ResultFields);

    // --- fields
    TFields* GetFields() const { return fields.get(); }
    TField* Fields(int Index) const { return fields->GetField(Index); }
    int GetFieldCount() const { return fields->Count(); }
    TFieldDefs* GetFieldDefs() const { return fieldDefs.get(); }
    // EDatabaseError "Field '%s' not found" (prefixed with the dataset's name when it has one).
    TField* FieldByName(const QString& FieldName) const;
    TField* FindField(const QString& FieldName) const;
    TField* FieldByNumber(int FieldNo) const { return fields->FieldByNumber(FieldNo); }
    // Fields named in "A;B;C" (each must exist), in that order.
    void GetFieldList(QList<TField*>& List, const QString& FieldNames) const;
    void GetFieldList(TList* List, const QString& FieldNames) const;
    void GetFieldNames(TStrings* List) const { fields->GetFieldNames(List); }
    // Value of one field, or an array for "A;B".
    Variant GetFieldValues(const QString& FieldNames) const;
    void SetFieldValues(const QString& FieldNames, const Variant& Value);
    // True when the fields were made from FieldDefs at open (no persistent fields).
    bool GetDefaultFields() const { return defaultFields; }
    // Fills FieldDefs from the store (InternalInitFieldDefs).
    void InitFieldDefs();
    bool GetAutoCalcFields() const { return autoCalcFields; }
    void SetAutoCalcFields(bool Value) { autoCalcFields = Value; }

    // --- filter
    // With Filtered on, a record is seen when the Filter text accepts it and OnFilterRecord
    // (when assigned) does not refuse it. Filter text: comparisons of a field with a constant
    // joined by AND, OR, NOT and parentheses:
    //   NAME = 'Іван'   AGE >= 30   SUM <> 0   DAT < '01.02.2024'   NOTE = NULL
    // Field names may be in [brackets]; '=' '<>' '<' '>' '<=' '>='. A text constant ending in
    // '*' matches by prefix unless foNoPartialCompare; foCaseInsensitive compares texts
    // ignoring case (Cyrillic folded). A malformed text raises EDatabaseError
    // "Filter expression incorrectly formatted: <reason>" when it is set; an unknown field
    // raises "Field '%s' not found" when the filter is used. Changing the filter of an open
    // dataset goes to the first record.
    bool GetFiltered() const { return filtered; }
    virtual void SetFiltered(bool Value);
    QString GetFilter() const { return filterText; }
    virtual void SetFilter(const QString& Value);
    TFilterOptions GetFilterOptions() const { return filterOptions; }
    virtual void SetFilterOptions(TFilterOptions Value);

    // --- links
    // The master data source of a detail dataset (nullptr when it has none).
    virtual TDataSource* GetDataSource() const { return nullptr; }
    // True when DataSource leads (through masters) back to this dataset.
    bool IsLinkedTo(TDataSource* DataSource) const;
    // The byte stream of a blob field's value in the active record; the caller owns it. What
    // is written to it becomes the value only through its Commit (see TBlobStream).
    virtual std::unique_ptr<TBlobStream> CreateBlobStream(TField* Field, TBlobStreamMode Mode);
    // Converts zero-terminated 8-bit text between the dataset's code page and Windows-1251
    // (ToOem: towards the dataset); returns the length of Dest. The default copies.
    virtual int Translate(const char* Src, char* Dest, bool ToOem);
    // Value of a field as the given state reads it (dsOldValue, dsNewValue, dsCurValue). The
    // default old value re-reads the stored record in edit state (Null while inserting).
    virtual Variant GetStateFieldValue(TDataSetState State, TField* Field);

    // The window, for data links and painting code.
    int GetBufferCount() const { return bufferCount; }
    int GetActiveRecord() const { return activeRecord; }
    int GetWindowRecordCount() const { return recordCount; }

    // Native field values of the current buffer (formats at the top of this header).
    virtual bool GetFieldData(TField* Field, void* Buffer) = 0;
    // A text field's bytes in the current buffer without a copy, for reading: Data points at
    // Length bytes (no zero among them) that stay valid until the buffer changes; Data is null
    // for NULL. False when the dataset keeps no such bytes: GetFieldData copies them then.
    virtual bool FieldTextView(TField* Field, const char*& Data, int& Length) {
        (void)Field, (void)Data, (void)Length;
        return false;
    }
    virtual void SetFieldData(TField* Field, const void* Buffer) = 0;

    // --- events, in the order they fire around each operation
    TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
    TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
    TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
    TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
    TDataSetNotifyEvent BeforeRefresh, AfterRefresh;
    TDataSetNotifyEvent OnNewRecord, OnCalcFields;
    TFilterRecordEvent OnFilterRecord;
    TDataSetErrorEvent OnPostError, OnDeleteError, OnEditError;

protected:
    friend class TField;
    friend class TFields;
    friend class TBlobStream;
    friend class TDataLink;
    friend class TDataSource;
    friend class TFieldDefs;

    // --- the protocol a subclass implements
    virtual TRecordBuffer AllocRecordBuffer() = 0;
    virtual void FreeRecordBuffer(TRecordBuffer& Buffer) = 0;
    virtual TGetResult GetRecord(TRecordBuffer Buffer, TGetMode GetMode, bool DoCheck) = 0;
    virtual int GetRecordSize() const = 0;
    virtual void GetBookmarkData(TRecordBuffer Buffer, TBookmark& Data) const = 0;
    virtual void SetBookmarkData(TRecordBuffer Buffer, const TBookmark& Data) = 0;
    virtual TBookmarkFlag GetBookmarkFlag(TRecordBuffer Buffer) const = 0;
    virtual void SetBookmarkFlag(TRecordBuffer Buffer, TBookmarkFlag Value) = 0;
    virtual bool IsCursorOpen() const = 0;
    virtual void InternalOpen() = 0;
    virtual void InternalClose() = 0;
    virtual void InternalInitFieldDefs() = 0;
    virtual void InternalInitRecord(TRecordBuffer Buffer) = 0;
    virtual void InternalFirst() = 0;
    virtual void InternalLast() = 0;
    virtual void InternalPost() = 0;
    virtual void InternalDelete() = 0;
    virtual void InternalGotoBookmark(const TBookmark& Bookmark) = 0;
    // The bytes of a blob field in the active record (empty when it is null), and storing new
    // ones there (empty: null) without telling anyone. WriteBlob either stores the whole value
    // or raises, leaving the record as it was. The defaults raise "not a blob field".
    virtual QByteArray ReadBlob(TField* Field);
    virtual void WriteBlob(TField* Field, const QByteArray& Bytes);
    virtual void InternalSetToRecord(TRecordBuffer Buffer) = 0;
    virtual void InternalEdit() {}
    virtual void InternalCancel() {}
    virtual void InternalInsert() {}
    virtual void InternalRefresh() {}
    virtual void InternalAddRecord(TRecordBuffer Buffer, bool Append) {}
    // Told about an exception while opening at design time; the default drops it.
    virtual void InternalHandleException() {}
    // Clears the calculated area (CalcFieldsSize bytes at CalcFieldsOffset).
    virtual void ClearCalcFields(TRecordBuffer Buffer);
    // InternalInitRecord, ClearCalcFields, flag bfInserted.
    virtual void InitRecord(TRecordBuffer Buffer);
    // Writes the posted record's values; the default runs CheckRequiredFields.
    virtual void CheckRequiredFields();
    virtual void DataEvent(TDataEvent Event, intptr_t Info);
    virtual void SetBufferCount(int Value);
    virtual void DoOnNewRecord();
    // True when Translate would give back any text of bytes below 0x80 unchanged (up to its
    // ending zero), so that string fields may leave the call out for such text. Only a
    // dataset that knows what its own Translate does answers true.
    virtual bool TranslateKeepsAscii() const { return false; }
    // True when Translate gives back every text unchanged (the dataset keeps TDataSet's own
    // copy), so that string fields may leave the call out altogether.
    virtual bool TranslateKeepsText() const { return false; }
    // Recomputes calculated and lookup fields of Buffer (clears them first, fills the
    // lookups, then OnCalcFields) in the dsCalcFields state.
    virtual void GetCalcFields(TRecordBuffer Buffer);
    virtual void CalculateFields(TRecordBuffer Buffer);
    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

    // --- helpers for subclasses
    // The buffer fields read and write now: the active buffer while browsing (nullptr when
    // empty) or editing, CalcBuffer while calculating, FilterBuffer while filtering, the old
    // value buffer for dsOldValue.
    virtual TRecordBuffer GetActiveRecBuf() const;
    TRecordBuffer ActiveBuffer() const { return buffers.empty() ? nullptr : buffers[activeRecord]; }
    TRecordBuffer GetBuffer(int Index) const { return buffers[Index]; }
    TRecordBuffer TempBuffer() const { return buffers.empty() ? nullptr : buffers[recordCount]; }
    // Value of Field in a buffer that holds the record as stored, read as its old value.
    Variant OldFieldValue(TRecordBuffer Buffer, TField* Field);
    // Calculated area access for GetFieldData / SetFieldData of calculated and lookup fields.
    bool GetCalcFieldData(TField* Field, void* Buffer);
    void SetCalcFieldData(TField* Field, const void* Buffer);
    // Sends the field-change notification unless calculating, filtering or writing a new value.
    void NotifyFieldChange(TField* Field);
    // Applies Filter text and OnFilterRecord (when Filtered) to a record read into Buffer.
    bool RecordFilterAccepts(TRecordBuffer Buffer);
    // Runs Test with the fields reading Buffer (in the dsFilter state, which no link hears);
    // the state is restored also when Test raises.
    bool TestBuffer(TRecordBuffer Buffer, const std::function<bool()>& Test);
    // A temporary state for reading a buffer (dsCalcFields, dsFilter, dsOldValue...): no links
    // hear of it. Returns the old state for RestoreState.
    TDataSetState SetTempState(TDataSetState Value);
    void RestoreState(TDataSetState Value);
    void SetState(TDataSetState Value);
    void SetModified(bool Value) { modified = Value; }
    // Makes default fields from FieldDefs / deletes the fields the dataset owns.
    void CreateFields();
    void DestroyFields();
    // Binds the fields to FieldDefs (field numbers, calculated area offsets; type check:
    // "Type mismatch for field '%s', expecting: %s actual: %s").
    void BindFields(bool Binding);
    int GetCalcFieldsSize() const { return calcFieldsSize; }
    void ClearBuffers();
    void SetCurrentRecord(int Index);
    void CheckCanModify() const;
    void CheckOperation(const std::function<void()>& Operation,
                        const TDataSetErrorEvent& ErrorEvent);
    // Positions the cursor for RecNo-style searches: records matching a key.
    bool RecordMatches(const QList<TField*>& KeyFields, const Variant& KeyValues,
                       TLocateOptions Options) const;

    TRecordBuffer CalcBuffer = nullptr;
    TRecordBuffer FilterBuffer = nullptr;
    TRecordBuffer OldValueBuffer = nullptr;
    // Start of the calculated area in every record buffer (set by the subclass).
    int CalcFieldsOffset = 0;

private:
    void openCursor();
    void closeCursor();
    // Inline: most events are unassigned, and the check is all they cost.
    void doBeforeScroll() { fire(BeforeScroll); }
    void doAfterScroll() { fire(AfterScroll); }
    void fire(const TDataSetNotifyEvent& Event) {
        if (Event) Event(this);
    }
    void beginInsertAppend();
    void endInsertAppend();
    void setBufListSize(int Value);
    void moveBuffer(int CurIndex, int NewIndex);
    void activateBuffers();
    bool getNextRecord();
    bool getPriorRecord();
    int getNextRecords();
    int getPriorRecords();
    void updateBufferCount();
    void adjustFirstRecord(int Delta);
    void refreshLookupLists();
    void checkBiDirectional() const {}
    bool findRecord(const QList<TField*>& KeyFields, const Variant& KeyValues,
                    TLocateOptions Options, TBookmark& Found);
    bool filterTextAccepts();

    TDataSetState state = dsInactive;
    bool modified = false;
    bool bof = true;
    bool eof = true;
    bool defaultFields = true;
    bool autoCalcFields = true;
    bool filtered = false;
    QString filterText;
    TFilterOptions filterOptions;
    std::shared_ptr<void> filterProgram;
    std::unique_ptr<TFields> fields;
    std::unique_ptr<TFieldDefs> fieldDefs;
    std::vector<TDataSource*> dataSources;
    std::vector<TRecordBuffer> buffers; // bufferCount + 1 while open
    int bufferCount = 0;
    int recordCount = 0;
    int activeRecord = 0;
    int currentRecord = -1;
    int disableCount = 0;
    TDataSetState disableState = dsInactive;
    TDataEvent enableEvent = deDataSetChange;
    int calcFieldsSize = 0;
    bool hasCalcFields = false;
    bool streamedActive = false;
    bool internalOpenComplete = false;
    void notifySources(TDataEvent Event, intptr_t Info);
};

// ---- TDataSource ------------------------------------------------------------------------------

// Joins a dataset and the data links of the controls. Setting a DataSet that leads back to
// this source raises "Circular datalinks are not allowed".
class TDataSource : public TComponent {
    KADRION_CLASS(TDataSource)
    explicit TDataSource(TComponent* AOwner);
    ~TDataSource() override;

    TDataSet* GetDataSet() const { return dataSet; }
    void SetDataSet(TDataSet* ADataSet);
    bool GetEnabled() const { return enabled; }
    void SetEnabled(bool Value);
    bool GetAutoEdit() const { return autoEdit; }
    void SetAutoEdit(bool Value) { autoEdit = Value; }
    TDataSetState GetState() const { return state; }
    // Puts the dataset into edit state when AutoEdit and browsing.
    void Edit();
    bool IsLinkedTo(TDataSet* DataSet) const;
    int LinkCount() const { return int(dataLinks.size()); }
    TDataLink* GetLink(int Index) const { return dataLinks[Index]; }

    TNotifyEvent OnStateChange;
    TDataChangeEvent OnDataChange;
    TNotifyEvent OnUpdateData;

protected:
    friend class TDataSet;
    friend class TDataLink;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void DataEvent(TDataEvent Event, intptr_t Info);
    void NotifyDataLinks(TDataEvent Event, intptr_t Info);
    void UpdateState();
    void SetState(TDataSetState Value);

private:
    void addLink(TDataLink* Link);
    void removeLink(TDataLink* Link);
    TDataSet* dataSet = nullptr;
    bool enabled = true;
    bool autoEdit = true;
    TDataSetState state = dsInactive;
    std::vector<TDataLink*> dataLinks;
};

// ---- TDataLink --------------------------------------------------------------------------------

// A control's view of a data source: its own part of the dataset's record window
// (BufferCount records; RecordCount of them filled; ActiveRecord the current one within it)
// and the hooks the dataset calls.
class TDataLink : public TPersistent {
    KADRION_CLASS(TDataLink)
    TDataLink();
    ~TDataLink() override;

    TDataSource* GetDataSource() const { return dataSource; }
    void SetDataSource(TDataSource* ADataSource);
    TDataSet* GetDataSet() const;
    bool GetActive() const { return active; }
    bool GetEditing() const { return editing; }
    bool GetReadOnly() const { return readOnly; }
    void SetReadOnly(bool Value);
    // A fixed source cannot be changed: SetDataSource raises "DataSource cannot be changed".
    bool GetDataSourceFixed() const { return dataSourceFixed; }
    void SetDataSourceFixed(bool Value) { dataSourceFixed = Value; }
    // A link of a visible control (a grid, an edit) as opposed to an internal one.
    bool VisualControl = false;
    // Buffer index of the current record within this link's window. Setting it makes another
    // buffer the dataset's active one (for reading a neighbour's fields): no events, no move.
    int GetActiveRecord() const;
    void SetActiveRecord(int Value);
    int GetBufferCount() const { return bufferCount; }
    void SetBufferCount(int Value);
    // Records in this link's window.
    int GetRecordCount() const;
    bool GetBOF() const;
    bool GetEOF() const;
    // Puts the dataset into edit state (via the source's AutoEdit); true when now editing.
    bool Edit();
    // Asks this link to write its control's value (UpdateData).
    void UpdateRecord();
    virtual bool ExecuteAction(TObject* Action) { return false; }
    virtual bool UpdateAction(TObject* Action) { return false; }

protected:
    friend class TDataSource;
    friend class TDataSet;
    virtual void ActiveChanged() {}
    virtual void CheckBrowseMode() {}
    // Default: RecordChanged(nullptr).
    virtual void DataSetChanged();
    // Distance: records this link's window moved (positive forward). Default: DataSetChanged.
    virtual void DataSetScrolled(int Distance);
    // Default: DataSetChanged.
    virtual void LayoutChanged();
    virtual void EditingChanged() {}
    // *Field is the field to focus; a link that focuses it sets *Field to nullptr.
    virtual void FocusControl(TField** Field) {}
    virtual void RecordChanged(TField* Field) {}
    virtual void UpdateData() {}
    virtual void DataEvent(TDataEvent Event, intptr_t Info);
    // First buffer of the dataset's window that this link shows.
    int GetFirstRecord() const { return firstRecord; }

private:
    void updateState();
    void setActive(bool Value);
    void setEditing(bool Value);
    void updateRange();
    TDataSource* dataSource = nullptr;
    bool active = false;
    bool editing = false;
    bool readOnly = false;
    bool updating = false;
    bool dataSourceFixed = false;
    int bufferCount = 1;
    int firstRecord = 0;
};

// The link of a control that shows one field.
class TFieldDataLink : public TDataLink {
    KADRION_CLASS(TFieldDataLink)
    TFieldDataLink() = default;
    TField* GetField() const { return field; }
    QString GetFieldName() const { return fieldName; }
    void SetFieldName(const QString& Value);
    TComponent* Control = nullptr;
    bool GetCanModify() const;
    bool GetEditing() const { return TDataLink::GetEditing(); }
    // The control changed its value: remember to write it (UpdateData) later.
    void Modified() { modified = true; }
    bool IsModified() const { return modified; }
    // Throws the control's pending value away (RecordChanged reloads it).
    void Reset();
    bool Edit();

    TNotifyEvent OnDataChange;
    TNotifyEvent OnEditingChange;
    TNotifyEvent OnUpdateData;
    TNotifyEvent OnActiveChange;
    // Asked to focus the control for the field; returns true when it took the focus.
    std::function<bool()> OnFocusRequest;

protected:
    void ActiveChanged() override;
    void EditingChanged() override;
    void FocusControl(TField** Field) override;
    void LayoutChanged() override;
    void RecordChanged(TField* Field) override;
    void UpdateData() override;

private:
    void updateField();
    void setField(TField* Value);
    TField* field = nullptr;
    QString fieldName;
    bool modified = false;
    bool editingState = false;
};

// The link of a detail dataset to its master: resolves FieldNames ("A;B") in the master and
// calls OnMasterChange when the master's record or those fields change, OnMasterDisable when
// the master closes.
class TMasterDataLink : public TDataLink {
    KADRION_CLASS(TMasterDataLink)
    explicit TMasterDataLink(TDataSet* ADetail) : detail(ADetail) {}
    QString GetFieldNames() const { return fieldNames; }
    void SetFieldNames(const QString& Value);
    const QList<TField*>& GetFields() const { return fields; }
    TDataSet* GetDetailDataSet() const { return detail; }
    TNotifyEvent OnMasterChange;
    TNotifyEvent OnMasterDisable;

protected:
    void ActiveChanged() override;
    void CheckBrowseMode() override;
    void LayoutChanged() override;
    void RecordChanged(TField* Field) override;

private:
    TDataSet* detail;
    QString fieldNames;
    QList<TField*> fields;
};

// ---- TParam / TParams -------------------------------------------------------------------------

// A query parameter: a name, a type, a direction and a Variant value. Setting a value through
// As... sets DataType when it is still ftUnknown (AsString: ftString, AsInteger: ftInteger,
// AsFloat: ftFloat, AsCurrency: ftCurrency, AsBCD: ftBCD, AsDate: ftDate, AsTime: ftTime,
// AsDateTime: ftDateTime, AsBoolean: ftBoolean, AsMemo: ftMemo, AsBlob: ftBlob).
class TParam : public TCollectionItem {
    KADRION_CLASS(TParam)
    explicit TParam(TCollection* ACollection = nullptr);
    TParam(TParams* AParams, TParamType AParamType);
    QString GetName() const { return name; }
    void SetName(const QString& Value) { name = Value; }
    TFieldType GetDataType() const { return dataType; }
    void SetDataType(TFieldType Value);
    TParamType GetParamType() const { return paramType; }
    void SetParamType(TParamType Value) { paramType = Value; }
    int Size = 0;
    int Precision = 0;
    int NumericScale = 0;
    // Set when a value was given (also a null one).
    bool Bound = false;
    Variant GetValue() const { return value; }
    void SetValue(const Variant& Value);
    bool IsNull() const { return VarIsClear(value); }
    void Clear();
    QString GetAsString() const;
    void SetAsString(const QString& Value);
    int GetAsInteger() const;
    void SetAsInteger(int Value);
    int GetAsSmallInt() const { return GetAsInteger(); }
    void SetAsSmallInt(int Value);
    int GetAsWord() const { return GetAsInteger(); }
    void SetAsWord(int Value);
    int64_t GetAsLargeInt() const;
    void SetAsLargeInt(int64_t Value);
    double GetAsFloat() const;
    void SetAsFloat(double Value);
    double GetAsCurrency() const;
    void SetAsCurrency(double Value);
    double GetAsBCD() const { return GetAsCurrency(); }
    void SetAsBCD(double Value);
    TDateTime GetAsDate() const { return GetAsDateTime(); }
    void SetAsDate(TDateTime Value);
    TDateTime GetAsTime() const { return GetAsDateTime(); }
    void SetAsTime(TDateTime Value);
    TDateTime GetAsDateTime() const;
    void SetAsDateTime(TDateTime Value);
    bool GetAsBoolean() const;
    void SetAsBoolean(bool Value);
    QString GetAsMemo() const { return GetAsString(); }
    void SetAsMemo(const QString& Value);
    // Blob bytes are kept as a Latin-1 string value.
    QByteArray GetAsBlob() const;
    void SetAsBlob(const QByteArray& Value);
    // Type, name (when empty) and value of a field.
    void AssignField(TField* Field);
    void AssignFieldValue(TField* Field, const Variant& Value);
    QString GetDisplayName() const override { return name; }
    void Assign(TPersistent* Source) override;
    TParams* GetParams() const;

private:
    QString name;
    TFieldType dataType = ftUnknown;
    TParamType paramType = ptUnknown;
    Variant value = Null();
};

class TParams : public TOwnedCollection {
    KADRION_CLASS(TParams)
    explicit TParams(TPersistent* AOwner = nullptr);
    TParam* CreateParam(TFieldType FldType, const QString& ParamName, TParamType ParamType);
    void AddParam(TParam* Value);
    void RemoveParam(TParam* Value);
    TParam* GetItems(int Index) const { return Item<TParam>(Index); }
    TParam* operator[](int Index) const { return GetItems(Index); }
    // Case-insensitive; ParamByName raises EDatabaseError "Parameter '%s' not found".
    TParam* FindParam(const QString& Value) const;
    TParam* ParamByName(const QString& Value) const;
    // Copies the values of same-named parameters of Value.
    void AssignValues(TParams* Value);
    bool IsEqual(TParams* Value) const;
    Variant GetParamValues(const QString& ParamName) const;
    void SetParamValues(const QString& ParamName, const Variant& Value);
    // Replaces every ":NAME" (letters, digits, '_' or '$'; or :"quoted name") outside quoted
    // text and comments with "?" and returns the result; with DoCreate, the parameters are
    // cleared and made again in order of appearance (a name may appear more than once).
    // "::" stays as ":".
    QString ParseSQL(const QString& SQL, bool DoCreate);
};

inline bool TField::dataSetKeepsAscii() const {
    return dataSet && (dataSet->TranslateKeepsAscii() || dataSet->TranslateKeepsText());
}

inline bool TField::dataSetKeepsText() const {
    return dataSet && dataSet->TranslateKeepsText();
}
