// Fields, the field list and field definitions.
#include "CodePages.h"
#include "DB.h"
#include "Dates.h"
#include "ScopeGuard.h"

#include <QVarLengthArray>
#include <QtGlobal>
#include <cmath>
#include <cstring>

// ---- type names ---------------------------------------------------------------------------------

QString FieldTypeName(TFieldType Type) {
    static const char* const names[] = {
        "Unknown",    "String",     "SmallInt", "Integer",     "Word",      "Boolean",
        "Float",      "Currency",   "BCD",      "Date",        "Time",      "DateTime",
        "Bytes",      "VarBytes",   "AutoInc",  "Blob",        "Memo",      "Graphic",
        "FmtMemo",    "ParadoxOle", "DBaseOle", "TypedBinary", "Cursor",    "FixedChar",
        "WideString", "Largeint",   "ADT",      "Array",       "Reference", "DataSet",
        "OraBlob",    "OraClob",    "Variant",  "Interface",   "IDispatch", "Guid"};
    int i = int(Type);
    if (i < 0 || i > int(ftGuid)) return QStringLiteral("Unknown");
    return QString::fromLatin1(names[i]);
}

bool IsBlobType(TFieldType Type) {
    return (Type >= ftBlob && Type <= ftTypedBinary) || Type == ftOraBlob || Type == ftOraClob;
}

// ---- TField -------------------------------------------------------------------------------------

TField::TField(TComponent* AOwner) : TComponent(AOwner) {
    // a field hears of its lookup dataset through FreeNotification, and of nothing else
    IgnoreSiblingNews();
}

TField::~TField() {
    if (dataSet) {
        // A field leaving an open dataset (its owner going away first) closes the dataset so
        // that no buffer or link keeps using it.
        if (dataSet->GetActive()) dataSet->Close();
        dataSet->fields->Remove(this);
        dataSet = nullptr;
    }
    if (lookupDataSet) lookupDataSet->RemoveFreeNotification(this);
}

void TField::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == lookupDataSet) lookupDataSet = nullptr;
}

void TField::SetDataSet(TDataSet* ADataSet) {
    if (ADataSet == dataSet) return;
    if (dataSet) dataSet->CheckInactive();
    if (ADataSet) {
        ADataSet->CheckInactive();
        if (ADataSet->fields->FindField(fieldName))
            DatabaseErrorFmt(QString::fromUtf8(SDuplicateFieldName), {fieldName}, ADataSet);
    }
    if (dataSet) dataSet->fields->Remove(this);
    dataSet = ADataSet;
    if (dataSet) dataSet->fields->Add(this);
}

void TField::SetFieldName(const QString& Value) {
    if (dataSet) {
        dataSet->CheckInactive();
        TField* other = dataSet->fields->FindField(Value);
        if (other && other != this)
            DatabaseErrorFmt(QString::fromUtf8(SDuplicateFieldName), {Value}, dataSet);
    }
    QString old = fieldName;
    fieldName = Value;
    if (dataSet) dataSet->fields->Renamed(this, old);
}

int TField::GetIndex() const {
    return dataSet ? dataSet->fields->IndexOf(const_cast<TField*>(this)) : -1;
}

void TField::SetIndex(int Value) {
    if (dataSet) dataSet->fields->SetFieldIndex(this, Value);
}

void TField::SetFieldKind(TFieldKind Value) {
    if (fieldKind == Value) return;
    if (dataSet) dataSet->CheckInactive();
    fieldKind = Value;
}

void TField::SetSize(int Value) {
    if (dataSet) dataSet->CheckInactive();
    size = Value;
}

void TField::PropertyChanged(bool LayoutAffected) {
    if (dataSet && dataSet->GetActive())
        dataSet->DataEvent(LayoutAffected ? deLayoutChange : deDataSetChange, 0);
}

void TField::SetDisplayLabel(const QString& Value) {
    if (displayLabel != Value) {
        displayLabel = Value == fieldName ? QString() : Value;
        PropertyChanged(true);
    }
}

int TField::GetDisplayWidth() const {
    return displayWidth >= 0 ? displayWidth : DefaultDisplayWidth();
}

void TField::SetDisplayWidth(int Value) {
    if (GetDisplayWidth() != Value) {
        displayWidth = Value;
        PropertyChanged(true);
    }
}

void TField::SetAlignment(TAlignment Value) {
    if (alignment != Value) {
        alignment = Value;
        PropertyChanged(false);
    }
}

void TField::SetVisible(bool Value) {
    if (visible != Value) {
        visible = Value;
        PropertyChanged(true);
    }
}

void TField::SetReadOnly(bool Value) {
    if (readOnly != Value) {
        readOnly = Value;
        PropertyChanged(true);
    }
}

void TField::SetKeyFields(const QString& Value) {
    if (dataSet) dataSet->CheckInactive();
    keyFields = Value;
}

void TField::SetLookupDataSet(TDataSet* Value) {
    if (dataSet) dataSet->CheckInactive();
    if (Value == lookupDataSet) return;
    if (lookupDataSet) lookupDataSet->RemoveFreeNotification(this);
    lookupDataSet = Value;
    if (lookupDataSet) lookupDataSet->FreeNotification(this);
}

void TField::SetLookupKeyFields(const QString& Value) {
    if (dataSet) dataSet->CheckInactive();
    lookupKeyFields = Value;
}

void TField::SetLookupResultField(const QString& Value) {
    if (dataSet) dataSet->CheckInactive();
    lookupResultField = Value;
}

void TField::SetLookupCache(bool Value) {
    if (lookupCache == Value) return;
    lookupCache = Value;
    if (Value && dataSet && dataSet->GetActive()) RefreshLookupList();
    if (!Value) lookupList.clear();
}

void TField::RefreshLookupList() {
    lookupList.clear();
    TDataSet* ld = lookupDataSet;
    if (!ld || !ld->GetActive() || lookupKeyFields.isEmpty() || lookupResultField.isEmpty()) return;
    ld->DisableControls();
    TBookmark saved = ld->GetBookmark();
    TScopeGuard enable([&] { ld->EnableControls(); });
    ld->First();
    while (!ld->Eof()) {
        lookupList.emplace_back(ld->GetFieldValues(lookupKeyFields),
                                ld->GetFieldValues(lookupResultField));
        ld->Next();
    }
    if (ld->BookmarkValid(saved)) ld->GotoBookmark(saved);
    enable.End();
}

static bool sameKey(const Variant& a, const Variant& b) {
    if (a.IsArray() != b.IsArray()) return false;
    if (!a.IsArray()) return !VarIsClear(a) && !VarIsClear(b) && VarCompareValue(a, b) == vrEqual;
    if (a.ElementCount() != b.ElementCount()) return false;
    for (int i = 0; i < a.ElementCount(); ++i)
        if (!sameKey(a[a.LowBound() + i], b[b.LowBound() + i])) return false;
    return true;
}

void TField::CalcLookupValue() {
    Variant key;
    try {
        key = dataSet->GetFieldValues(keyFields);
    } catch (const EDatabaseError&) {
        return;
    }
    if (VarIsClear(key)) return;
    Variant result = Null();
    if (lookupCache) {
        for (const auto& [k, v] : lookupList)
            if (sameKey(k, key)) {
                result = v;
                break;
            }
    } else if (lookupDataSet && lookupDataSet->GetActive()) {
        result = lookupDataSet->Lookup(lookupKeyFields, key, lookupResultField);
    }
    if (!VarIsClear(result)) SetAsVariant(result);
}

// --- data access

bool TField::GetData(void* Buffer) const {
    if (!dataSet) DatabaseErrorFmt(QString::fromUtf8(SDataSetMissing), {GetDisplayName()});
    if (validating) {
        if (!validateBuffer) return false;
        if (Buffer) std::memcpy(Buffer, validateBuffer, size_t(GetDataSize()));
        return true;
    }
    return dataSet->GetFieldData(const_cast<TField*>(this), Buffer);
}

const QString& TField::keepText(const char16_t* Chars, qsizetype Length) const {
    if (char16_t* d = ReuseString(lastText, Length))
        std::memcpy(d, Chars, size_t(Length) * sizeof(char16_t));
    return lastText;
}

void TField::SetData(const void* Buffer) {
    WriteData(Buffer);
}

void TField::CheckCanModify() const {
    if (!dataSet) DatabaseErrorFmt(QString::fromUtf8(SDataSetMissing), {GetDisplayName()});
    TDataSetState st = dataSet->GetState();
    if (!dsWriteModes.Contains(st)) DatabaseError(QString::fromUtf8(SNotEditing), dataSet);
    if (fieldKind == fkData && st == dsCalcFields)
        DatabaseError(QString::fromUtf8(SNotEditing), dataSet);
    if (fieldKind == fkData && readOnly && st != dsSetKey && st != dsFilter)
        DatabaseErrorFmt(QString::fromUtf8(SFieldReadOnly), {GetDisplayName()});
}

void TField::WriteData(const void* Buffer) {
    CheckCanModify();
    TDataSetState st = dataSet->GetState();
    if (OnValidate && st != dsCalcFields && st != dsFilter) {
        validating = true;
        validateBuffer = Buffer;
        TScopeGuard restore([&] {
            validating = false;
            validateBuffer = nullptr;
        });
        OnValidate(this);
        restore.End();
    }
    dataSet->SetFieldData(this, Buffer);
}

bool TField::IsNull() const {
    return !GetData(nullptr);
}

void TField::Clear() {
    WriteData(nullptr);
}

[[noreturn]] void TField::AccessError(const QString& TypeName) const {
    DatabaseErrorFmt(QString::fromUtf8(SFieldAccessError), {GetDisplayName(), TypeName});
}

Variant TField::GetAsVariant() const {
    AccessError(QStringLiteral("Variant"));
}

void TField::SetAsVariant(const Variant& Value) {
    if (VarIsClear(Value))
        Clear();
    else
        SetAsString(VarToStr(Value));
}

QString TField::GetAsString() const {
    AccessError(QStringLiteral("String"));
}

void TField::SetAsString(const QString&) {
    AccessError(QStringLiteral("String"));
}

int TField::GetAsInteger() const {
    AccessError(QStringLiteral("Integer"));
}

void TField::SetAsInteger(int) {
    AccessError(QStringLiteral("Integer"));
}

double TField::GetAsFloat() const {
    AccessError(QStringLiteral("Float"));
}

void TField::SetAsFloat(double) {
    AccessError(QStringLiteral("Float"));
}

bool TField::GetAsBoolean() const {
    AccessError(QStringLiteral("Boolean"));
}

void TField::SetAsBoolean(bool) {
    AccessError(QStringLiteral("Boolean"));
}

TDateTime TField::GetAsDateTime() const {
    AccessError(QStringLiteral("DateTime"));
}

void TField::SetAsDateTime(TDateTime) {
    AccessError(QStringLiteral("DateTime"));
}

Variant TField::GetOldValue() const {
    if (!dataSet) return Null();
    return dataSet->GetStateFieldValue(dsOldValue, const_cast<TField*>(this));
}

Variant TField::GetNewValue() const {
    if (!dataSet) return Null();
    return dataSet->GetStateFieldValue(dsNewValue, const_cast<TField*>(this));
}

Variant TField::GetCurValue() const {
    if (!dataSet) return Null();
    return dataSet->GetStateFieldValue(dsCurValue, const_cast<TField*>(this));
}

void TField::GetTextValue(QString& Text, bool) const {
    Text = GetAsString();
}

QString TField::GetText() const {
    QString t;
    if (OnGetText)
        OnGetText(const_cast<TField*>(this), t, false);
    else
        GetTextValue(t, false);
    return t;
}

void TField::SetText(const QString& Value) {
    if (OnSetText)
        OnSetText(this, Value);
    else
        SetTextValue(Value);
}

QString TField::GetDisplayText() const {
    QString t;
    if (OnGetText)
        OnGetText(const_cast<TField*>(this), t, true);
    else
        GetTextValue(t, true);
    return t;
}

bool TField::IsValidChar(QChar) const {
    return true;
}

bool TField::CanModify() const {
    if (readOnly || !dataSet) return false;
    if (fieldKind != fkData) return false;
    if (!dataSet->GetActive()) return false;
    return dataSet->CanModify();
}

void TField::FocusControl() {
    if (!dataSet || !dataSet->GetActive()) return;
    TField* f = this;
    dataSet->DataEvent(deFocusControl, reinterpret_cast<intptr_t>(&f));
}

void TField::Assign(TPersistent* Source) {
    if (!Source) {
        Clear();
        return;
    }
    if (auto* f = dynamic_cast<TField*>(Source)) {
        SetAsVariant(f->GetAsVariant());
        return;
    }
    TComponent::Assign(Source);
}

// ---- TStringField -------------------------------------------------------------------------------

TStringField::TStringField(TComponent* AOwner) : TField(AOwner) {
    dataType = ftString;
    size = 20;
    transliterate = true;
}

namespace {
// True when the text has only bytes below 0x80.
bool isAscii(const char* text, int length) {
    for (int i = 0; i < length; ++i)
        if (static_cast<unsigned char>(text[i]) >= 0x80) return false;
    return true;
}
} // namespace

bool TStringField::GetValue(QString& Value) const {
    if (!readText()) return false;
    Value = lastText;
    return true;
}

bool TStringField::readText() const {
    // The bytes are read where the dataset keeps them when it can show them; a text that
    // needs no translation becomes the field's string at once.
    const char* text = nullptr;
    int length = 0;
    if (!dataSet || validating ||
        !dataSet->FieldTextView(const_cast<TStringField*>(this), text, length))
        return readCopiedText();
    if (!text) return false;
    // what Translate would leave as it is: every text, or one of plain ASCII
    if (transliterate && !dataSetKeepsText() && !(isAscii(text, length) && dataSetKeepsAscii()))
        return readTranslatedText(text, length, length + 1);
    setText(text, length);
    return true;
}

void TStringField::setText(const char* Text, int Length) const {
    // a fixed-width text loses its padding: the bytes up to a space are the characters up to
    // U+0020 in Windows-1251, so they are cut before the text is made
    if (dataType == ftFixedChar)
        while (Length > 0 && static_cast<unsigned char>(Text[Length - 1]) <= ' ')
            --Length;
    // plain ASCII bytes are their own characters in Windows-1251 too
    FromCodePageInto(lastText, Text, Length, 1251);
}

bool TStringField::readCopiedText() const {
    // copied through a stack buffer for short fields; the text ends at its first zero
    QVarLengthArray<char, 256> buf;
    const int dataSize = GetDataSize();
    buf.resize(dataSize + 1);
    buf[dataSize] = '\0';
    if (!GetData(buf.data())) return false;
    const int length = int(std::strlen(buf.constData()));
    if (transliterate && dataSet && !dataSetKeepsText() &&
        !(dataSetKeepsAscii() && isAscii(buf.constData(), length)))
        return readTranslatedText(buf.constData(), length, int(buf.size()));
    setText(buf.constData(), length);
    return true;
}

bool TStringField::readTranslatedText(const char* Text, int Length, int Room) const {
    // Translate reads up to a zero: the text is copied first
    QVarLengthArray<char, 256> buf(qsizetype(Length) + 1);
    std::memcpy(buf.data(), Text, size_t(Length));
    buf[Length] = '\0';
    // one byte more than the translation may fill (twice the room), so that the text always
    // ends
    QVarLengthArray<char, 512> out(qsizetype(Room) * 2 + 2);
    std::memset(out.data(), 0, size_t(out.size()));
    dataSet->Translate(buf.constData(), out.data(), false);
    setText(out.constData(), int(std::strlen(out.constData())));
    return true;
}

Variant TStringField::GetAsVariant() const {
    if (!readText()) return Null();
    return Variant(lastText);
}

QString TStringField::GetAsString() const {
    return readText() ? lastText : QString();
}

void TStringField::SetAsString(const QString& Value) {
    // Each character becomes one byte, so the first `size` characters give the stored bytes;
    // when those are plain ASCII they are their own Windows-1251 bytes. Short fields go
    // through stack buffers.
    const qsizetype limit = std::max(size, 0);
    const qsizetype count = std::min(Value.size(), limit);
    const char16_t* chars = reinterpret_cast<const char16_t*>(Value.constData());
    const qsizetype dataSize = GetDataSize() + 1;
    QVarLengthArray<char, 256> bytes(std::max(count + 1, dataSize));
    qsizetype length = 0;
    qsizetype firstZero = -1;
    {
        // through a local pointer: the byte stores cannot then alias the array's own members
        char* out = bytes.data();
        while (length < count) {
            const char16_t c = chars[length];
            if (c >= 0x80) break;
            if (c == 0 && firstZero < 0) firstZero = length;
            out[length] = char(c);
            ++length;
        }
    }
    const bool ascii = length == count;
    if (!ascii) {
        const QByteArray encoded = ToCodePage(Value, 1251);
        length = std::min(encoded.size(), limit);
        if (length + 1 > bytes.size()) bytes.resize(length + 1);
        std::memcpy(bytes.data(), encoded.constData(), size_t(length));
    }
    // the value ends with zeros up to the field's data size
    std::memset(bytes.data() + length, 0, size_t(bytes.size() - length));
    if (!transliterate || !dataSet) {
        WriteData(bytes.constData());
        return;
    }
    if (ascii && dataSetKeepsAscii()) {
        // what the copy would give: the text up to its first zero
        if (firstZero >= 0) {
            length = firstZero;
            std::memset(bytes.data() + length, 0, size_t(bytes.size() - length));
        }
        WriteData(bytes.constData());
        return;
    }
    // one byte more than the translation may fill, so that the text always ends
    QVarLengthArray<char, 256> out(std::max<qsizetype>(length * 2 + 1, dataSize) + 1);
    std::memset(out.data(), 0, size_t(out.size()));
    dataSet->Translate(bytes.constData(), out.data(), true);
    length = std::min<qsizetype>(qsizetype(std::strlen(out.constData())), limit);
    std::memset(out.data() + length, 0, size_t(dataSize - length));
    WriteData(out.constData());
}

int TStringField::GetAsInteger() const {
    return StrToInt(GetAsString());
}

void TStringField::SetAsInteger(int Value) {
    SetAsString(IntToStr(Value));
}

double TStringField::GetAsFloat() const {
    return StrToFloat(GetAsString());
}

void TStringField::SetAsFloat(double Value) {
    SetAsString(FloatToStr(Value));
}

bool TStringField::GetAsBoolean() const {
    QString s = GetAsString();
    return !s.isEmpty() && QStringLiteral("TtYy").contains(s[0]);
}

void TStringField::SetAsBoolean(bool Value) {
    SetAsString(Value ? QStringLiteral("T") : QStringLiteral("F"));
}

TDateTime TStringField::GetAsDateTime() const {
    return StrToDateTime(GetAsString());
}

void TStringField::SetAsDateTime(TDateTime Value) {
    SetAsString(DateTimeToStr(Value));
}

// ---- TWideStringField ---------------------------------------------------------------------------

TWideStringField::TWideStringField(TComponent* AOwner) : TStringField(AOwner) {
    dataType = ftWideString;
    transliterate = false;
}

Variant TWideStringField::GetAsVariant() const {
    if (IsNull()) return Null();
    return Variant(GetAsString());
}

QString TWideStringField::GetAsString() const {
    std::vector<char16_t> buf(size_t(size + 1), 0);
    if (!GetData(buf.data())) return QString();
    buf.back() = 0;
    return QString::fromUtf16(buf.data());
}

void TWideStringField::SetAsString(const QString& Value) {
    std::vector<char16_t> buf(size_t(size + 1), 0);
    QString v = Value.left(size);
    std::memcpy(buf.data(), v.utf16(), size_t(v.size()) * 2);
    WriteData(buf.data());
}

TGuidField::TGuidField(TComponent* AOwner) : TStringField(AOwner) {
    dataType = ftGuid;
    size = 38;
}

// ---- numbers ------------------------------------------------------------------------------------

TNumericField::TNumericField(TComponent* AOwner) : TField(AOwner) {
    alignment = taRightJustify;
}

void TNumericField::SetDisplayFormat(const QString& Value) {
    if (displayFormat != Value) {
        displayFormat = Value;
        PropertyChanged(false);
    }
}

void TNumericField::SetEditFormat(const QString& Value) {
    if (editFormat != Value) {
        editFormat = Value;
        PropertyChanged(false);
    }
}

bool TNumericField::IsValidChar(QChar C) const {
    if (C.isDigit() || C == u'+' || C == u'-') return true;
    if (dataType == ftFloat || dataType == ftCurrency || dataType == ftBCD) {
        if (C == FormatSettings.DecimalSeparator || C == u'.') return true;
        if (dataType != ftBCD && (C == u'E' || C == u'e')) return true;
    }
    return false;
}

// Whole numbers with an optional sign and blanks around; false on anything else.
static bool parseInt64(const QString& Text, int64_t& Value) {
    QString t = Text.trimmed();
    if (t.startsWith(u'+')) t = t.mid(1);
    if (t.isEmpty()) return false;
    for (int i = 0; i < t.size(); ++i)
        if (!(t[i].isDigit() || (i == 0 && t[i] == u'-'))) return false;
    bool ok = false;
    qlonglong v = t.toLongLong(&ok);
    if (!ok) return false;
    Value = v;
    return true;
}

TIntegerField::TIntegerField(TComponent* AOwner) : TNumericField(AOwner) {
    dataType = ftInteger;
}

bool TIntegerField::GetValue(int64_t& Value) const {
    char buf[8] = {};
    if (!GetData(buf)) return false;
    switch (dataType) {
    case ftSmallint: {
        int16_t v;
        std::memcpy(&v, buf, 2);
        Value = v;
        break;
    }
    case ftWord: {
        uint16_t v;
        std::memcpy(&v, buf, 2);
        Value = v;
        break;
    }
    case ftLargeint: {
        int64_t v;
        std::memcpy(&v, buf, 8);
        Value = v;
        break;
    }
    default: {
        int32_t v;
        std::memcpy(&v, buf, 4);
        Value = v;
        break;
    }
    }
    return true;
}

void TIntegerField::CheckRange(int64_t Value) const {
    int64_t lo = RangeMin(), hi = RangeMax();
    if (minValue != 0 || maxValue != 0) {
        lo = minValue;
        hi = maxValue;
    }
    if (Value < lo || Value > hi)
        DatabaseErrorFmt(QString::fromUtf8(SFieldRangeError),
                         {IntToStr(Value), GetDisplayName(), IntToStr(lo), IntToStr(hi)});
}

void TIntegerField::StoreInteger(int64_t Value) {
    CheckRange(Value);
    char buf[8] = {};
    switch (dataType) {
    case ftSmallint: {
        int16_t v = int16_t(Value);
        std::memcpy(buf, &v, 2);
        break;
    }
    case ftWord: {
        uint16_t v = uint16_t(Value);
        std::memcpy(buf, &v, 2);
        break;
    }
    case ftLargeint:
        std::memcpy(buf, &Value, 8);
        break;
    default: {
        int32_t v = int32_t(Value);
        std::memcpy(buf, &v, 4);
        break;
    }
    }
    WriteData(buf);
}

Variant TIntegerField::GetAsVariant() const {
    int64_t v;
    if (!GetValue(v)) return Null();
    return Variant(static_cast<long long>(v));
}

void TIntegerField::SetAsVariant(const Variant& Value) {
    if (VarIsClear(Value))
        Clear();
    else if (VarIsStr(Value))
        SetAsString(Value.AsString());
    else
        SetAsLargeInt(Value.AsInteger());
}

QString TIntegerField::GetAsString() const {
    int64_t v;
    if (!GetValue(v)) return QString();
    // the digits backwards, then the sign, as IntToStr writes them
    char16_t buf[24];
    char16_t* p = buf + 24;
    uint64_t mag = v < 0 ? uint64_t(0) - uint64_t(v) : uint64_t(v);
    do {
        *--p = char16_t(u'0' + mag % 10);
        mag /= 10;
    } while (mag != 0);
    if (v < 0) *--p = u'-';
    return keepText(p, buf + 24 - p);
}

void TIntegerField::SetAsString(const QString& Value) {
    if (Value.trimmed().isEmpty()) {
        Clear();
        return;
    }
    int64_t v;
    if (!parseInt64(Value, v))
        throw EConvertError(
            Format(QString::fromUtf8(SInvalidIntegerValue), {Value, GetDisplayName()}));
    StoreInteger(v);
}

int TIntegerField::GetAsInteger() const {
    int64_t v;
    return GetValue(v) ? int(v) : 0;
}

void TIntegerField::SetAsInteger(int Value) {
    StoreInteger(Value);
}

int64_t TIntegerField::GetAsLargeInt() const {
    int64_t v;
    return GetValue(v) ? v : 0;
}

void TIntegerField::SetAsLargeInt(int64_t Value) {
    StoreInteger(Value);
}

double TIntegerField::GetAsFloat() const {
    int64_t v;
    return GetValue(v) ? double(v) : 0.0;
}

void TIntegerField::SetAsFloat(double Value) {
    double r = std::nearbyint(Value);
    if (!(r >= -9.2e18 && r <= 9.2e18))
        DatabaseErrorFmt(
            QString::fromUtf8(SFieldRangeError),
            {FloatToStr(Value), GetDisplayName(), IntToStr(RangeMin()), IntToStr(RangeMax())});
    StoreInteger(int64_t(r));
}

bool TIntegerField::GetAsBoolean() const {
    return GetAsLargeInt() != 0;
}

void TIntegerField::GetTextValue(QString& Text, bool DisplayText) const {
    int64_t v;
    if (!GetValue(v)) {
        Text.clear();
        return;
    }
    QString fmt = (DisplayText || editFormat.isEmpty()) ? displayFormat : editFormat;
    Text = fmt.isEmpty() ? IntToStr(v) : FormatFloat(fmt, double(v));
}

TSmallintField::TSmallintField(TComponent* AOwner) : TIntegerField(AOwner) {
    dataType = ftSmallint;
}

TWordField::TWordField(TComponent* AOwner) : TIntegerField(AOwner) {
    dataType = ftWord;
}

TAutoIncField::TAutoIncField(TComponent* AOwner) : TIntegerField(AOwner) {
    dataType = ftAutoInc;
}

TLargeintField::TLargeintField(TComponent* AOwner) : TIntegerField(AOwner) {
    dataType = ftLargeint;
}

int TLargeintField::GetAsInteger() const {
    int64_t v = GetAsLargeInt();
    if (v < INT32_MIN || v > INT32_MAX)
        DatabaseErrorFmt(QString::fromUtf8(SFieldRangeError),
                         {IntToStr(v), GetDisplayName(), IntToStr(INT32_MIN), IntToStr(INT32_MAX)});
    return int(v);
}

// ---- TFloatField --------------------------------------------------------------------------------

TFloatField::TFloatField(TComponent* AOwner) : TNumericField(AOwner) {
    dataType = ftFloat;
}

void TFloatField::SetCurrency(bool Value) {
    if (currency != Value) {
        currency = Value;
        PropertyChanged(false);
    }
}

void TFloatField::SetPrecision(int Value) {
    Value = std::clamp(Value, 2, 15);
    if (precision != Value) {
        precision = Value;
        PropertyChanged(false);
    }
}

bool TFloatField::GetValue(double& Value) const {
    return GetData(&Value);
}

Variant TFloatField::GetAsVariant() const {
    double v;
    if (!GetValue(v)) return Null();
    return Variant(v);
}

void TFloatField::SetAsVariant(const Variant& Value) {
    if (VarIsClear(Value))
        Clear();
    else if (VarIsStr(Value))
        SetAsString(Value.AsString());
    else
        SetAsFloat(Value.AsDouble());
}

QString TFloatField::GetAsString() const {
    double v;
    return GetValue(v) ? FloatToStr(v) : QString();
}

void TFloatField::SetAsString(const QString& Value) {
    if (Value.trimmed().isEmpty()) {
        Clear();
        return;
    }
    double v;
    if (!TryStrToFloat(Value.trimmed(), v))
        throw EConvertError(
            Format(QString::fromUtf8(SInvalidFloatValue), {Value, GetDisplayName()}));
    SetAsFloat(v);
}

int TFloatField::GetAsInteger() const {
    double v;
    return GetValue(v) ? int(std::nearbyint(v)) : 0;
}

double TFloatField::GetAsFloat() const {
    double v;
    return GetValue(v) ? v : 0.0;
}

void TFloatField::SetAsFloat(double Value) {
    if ((minValue != 0 || maxValue != 0) && (Value < minValue || Value > maxValue))
        DatabaseErrorFmt(
            QString::fromUtf8(SFieldRangeError),
            {FloatToStr(Value), GetDisplayName(), FloatToStr(minValue), FloatToStr(maxValue)});
    WriteData(&Value);
}

void TFloatField::GetTextValue(QString& Text, bool DisplayText) const {
    double v;
    if (!GetValue(v)) {
        Text.clear();
        return;
    }
    QString fmt = (DisplayText || editFormat.isEmpty()) ? displayFormat : editFormat;
    if (!fmt.isEmpty()) {
        Text = FormatFloat(fmt, v);
        return;
    }
    if (currency)
        Text = FloatToStrF(v, DisplayText ? ffCurrency : ffFixed, precision,
                           FormatSettings.CurrencyDecimals);
    else
        Text = FloatToStrF(v, ffGeneral, precision, 0);
}

TCurrencyField::TCurrencyField(TComponent* AOwner) : TFloatField(AOwner) {
    dataType = ftCurrency;
    currency = true;
}

// ---- TBCDField ----------------------------------------------------------------------------------

static int64_t pow10i(int n) {
    int64_t r = 1;
    for (int i = 0; i < n; ++i)
        r *= 10;
    return r;
}

TBCDField::TBCDField(TComponent* AOwner) : TNumericField(AOwner) {
    dataType = ftBCD;
    size = 4;
    precision = 18;
}

void TBCDField::SetSize(int Value) {
    TField::SetSize(std::clamp(Value, 0, 18));
}

void TBCDField::SetPrecision(int Value) {
    if (dataSet) dataSet->CheckInactive();
    precision = Value <= 0 ? 18 : std::clamp(Value, 1, 18);
}

void TBCDField::SetCurrency(bool Value) {
    if (currency != Value) {
        currency = Value;
        PropertyChanged(false);
    }
}

bool TBCDField::GetScaled(int64_t& Value) const {
    return GetData(&Value);
}

void TBCDField::StoreScaled(int64_t Value, const QString& Source) {
    int p = std::max(precision, size);
    if (p < 18) {
        int64_t limit = pow10i(p);
        if (Value >= limit || Value <= -limit)
            throw EConvertError(
                Format(QString::fromUtf8(SInvalidBcdValue), {Source, GetDisplayName()}));
    }
    WriteData(&Value);
}

void TBCDField::SetScaled(int64_t Value) {
    StoreScaled(Value, ScaledToText(Value, size, FormatSettings.DecimalSeparator));
}

QString TBCDField::ScaledToText(int64_t Value, int Scale, QChar Separator) {
    QVarLengthArray<char16_t, 64> buf(std::max(Scale, 0) + 24);
    const int n = scaledChars(Value, Scale, Separator, buf.data() + buf.size());
    return QString(reinterpret_cast<const QChar*>(buf.constData() + buf.size() - n), n);
}

int TBCDField::scaledChars(int64_t Value, int Scale, QChar Separator, char16_t* End) {
    // written backwards: the fraction without its trailing zeros, the point when a fraction is
    // left, the whole part (at least "0"), the sign
    char16_t* buf = End;
    int n = 0;
    uint64_t mag = Value < 0 ? uint64_t(0) - uint64_t(Value) : uint64_t(Value);
    bool fraction = false;
    for (int i = 0; i < Scale; ++i, mag /= 10) {
        const int digit = int(mag % 10);
        if (fraction || digit != 0) {
            buf[--n] = char16_t(u'0' + digit);
            fraction = true;
        }
    }
    if (fraction) buf[--n] = Separator.unicode();
    do {
        buf[--n] = char16_t(u'0' + mag % 10);
        mag /= 10;
    } while (mag != 0);
    if (Value < 0) buf[--n] = u'-';
    return -n;
}

// Exact decimal text to a value times 10^Scale, rounding extra decimals half away from zero.
static bool parseDecimal(const QString& Text, int Scale, int64_t& Out) {
    QString t = Text.trimmed();
    bool neg = false;
    if (t.startsWith(u'-') || t.startsWith(u'+')) {
        neg = t[0] == u'-';
        t = t.mid(1);
    }
    if (t.isEmpty()) return false;
    QString intPart, fracPart;
    bool seenSep = false;
    for (QChar c : t) {
        if (c.isDigit()) {
            (seenSep ? fracPart : intPart) += c;
        } else if ((c == u',' || c == u'.' || c == FormatSettings.DecimalSeparator) && !seenSep) {
            seenSep = true;
        } else {
            return false;
        }
    }
    if (intPart.isEmpty() && fracPart.isEmpty()) return false;
    while (intPart.size() > 1 && intPart.startsWith(u'0'))
        intPart = intPart.mid(1);
    if (intPart.size() > 18) return false;
    bool roundUp = fracPart.size() > Scale && fracPart[Scale] >= u'5';
    fracPart = fracPart.left(Scale);
    fracPart += QString(Scale - fracPart.size(), u'0');
    QString all = (intPart.isEmpty() ? QStringLiteral("0") : intPart) + fracPart;
    if (all.size() > 19) return false;
    bool ok = false;
    qulonglong mag = all.toULongLong(&ok);
    if (!ok || mag > qulonglong(INT64_MAX) - 1) return false;
    if (roundUp) ++mag;
    Out = neg ? -int64_t(mag) : int64_t(mag);
    return true;
}

Variant TBCDField::GetAsVariant() const {
    int64_t v;
    if (!GetScaled(v)) return Null();
    if (size <= 4) return Variant::FromCurrencyRaw(v * pow10i(4 - size));
    return Variant(double(v) / double(pow10i(size)));
}

void TBCDField::SetAsVariant(const Variant& Value) {
    if (VarIsClear(Value)) {
        Clear();
    } else if (VarIsStr(Value)) {
        SetAsString(Value.AsString());
    } else if (VarType(Value) == varCurrency) {
        int64_t raw = Value.AsCurrencyRaw();
        if (size >= 4) {
            SetScaled(raw * pow10i(size - 4));
        } else {
            int64_t d = pow10i(4 - size);
            int64_t q = raw / d, r = raw % d;
            if (2 * std::llabs(r) >= d) q += raw < 0 ? -1 : 1;
            SetScaled(q);
        }
    } else if (VarType(Value) == varInteger) {
        SetAsString(QString::number(static_cast<long long>(Value.AsInteger())));
    } else {
        SetAsFloat(Value.AsDouble());
    }
}

QString TBCDField::GetAsString() const {
    int64_t v;
    if (!GetScaled(v)) return QString();
    if (size > 40) return ScaledToText(v, size, FormatSettings.DecimalSeparator);
    char16_t buf[64];
    const int n = scaledChars(v, size, FormatSettings.DecimalSeparator, buf + 64);
    return keepText(buf + 64 - n, n);
}

void TBCDField::SetAsString(const QString& Value) {
    if (Value.trimmed().isEmpty()) {
        Clear();
        return;
    }
    int64_t v;
    if (!parseDecimal(Value, size, v))
        throw EConvertError(Format(QString::fromUtf8(SInvalidBcdValue), {Value, GetDisplayName()}));
    StoreScaled(v, Value);
}

int TBCDField::GetAsInteger() const {
    return int(std::nearbyint(GetAsFloat()));
}

void TBCDField::SetAsInteger(int Value) {
    SetAsString(QString::number(Value));
}

double TBCDField::GetAsFloat() const {
    int64_t v;
    if (!GetScaled(v)) return 0.0;
    return double(v) / double(pow10i(size));
}

void TBCDField::SetAsFloat(double Value) {
    if (!std::isfinite(Value))
        throw EConvertError(
            Format(QString::fromUtf8(SInvalidBcdValue), {FloatToStr(Value), GetDisplayName()}));
    // 15 significant digits first, so 1.005 is taken as written rather than as its binary
    // neighbour 1.00499999...
    QString text = QString::number(Value, 'g', 15);
    if (text.contains(u'e')) {
        text = QString::number(Value, 'f', size + 1);
    }
    int64_t v;
    if (!parseDecimal(text, size, v))
        throw EConvertError(Format(QString::fromUtf8(SInvalidBcdValue), {text, GetDisplayName()}));
    StoreScaled(v, text);
}

void TBCDField::GetTextValue(QString& Text, bool DisplayText) const {
    int64_t v;
    if (!GetScaled(v)) {
        Text.clear();
        return;
    }
    QString fmt = (DisplayText || editFormat.isEmpty()) ? displayFormat : editFormat;
    double d = double(v) / double(pow10i(size));
    if (!fmt.isEmpty())
        Text = FormatFloat(fmt, d);
    else if (currency)
        Text =
            FloatToStrF(d, DisplayText ? ffCurrency : ffFixed, 18, FormatSettings.CurrencyDecimals);
    else
        Text = ScaledToText(v, size, FormatSettings.DecimalSeparator);
}

// ---- TBooleanField ------------------------------------------------------------------------------

TBooleanField::TBooleanField(TComponent* AOwner) : TField(AOwner) {
    dataType = ftBoolean;
}

void TBooleanField::SetDisplayValues(const QString& Value) {
    displayValues = Value;
    int p = Value.indexOf(u';');
    if (p < 0) {
        trueText = Value;
        falseText.clear();
    } else {
        trueText = Value.left(p);
        falseText = Value.mid(p + 1);
    }
    PropertyChanged(false);
}

Variant TBooleanField::GetAsVariant() const {
    int16_t v;
    if (!GetData(&v)) return Null();
    return Variant(v != 0);
}

void TBooleanField::SetAsVariant(const Variant& Value) {
    if (VarIsClear(Value))
        Clear();
    else if (VarIsStr(Value))
        SetAsString(Value.AsString());
    else
        SetAsBoolean(Value.AsBoolean());
}

bool TBooleanField::GetAsBoolean() const {
    int16_t v;
    return GetData(&v) && v != 0;
}

void TBooleanField::SetAsBoolean(bool Value) {
    int16_t v = Value ? 1 : 0;
    WriteData(&v);
}

QString TBooleanField::GetAsString() const {
    int16_t v;
    if (!GetData(&v)) return QString();
    return v ? trueText : falseText;
}

void TBooleanField::SetAsString(const QString& Value) {
    QString t = Value.trimmed();
    if (t.isEmpty()) {
        Clear();
        return;
    }
    auto matches = [&](const QString& text) {
        return !text.isEmpty() && AnsiCompareText(t, text.left(t.size())) == 0;
    };
    if (matches(falseText))
        SetAsBoolean(false);
    else if (matches(trueText))
        SetAsBoolean(true);
    else
        throw EConvertError(
            Format(QString::fromUtf8(SInvalidBoolValue), {Value, GetDisplayName()}));
}

void TBooleanField::GetTextValue(QString& Text, bool) const {
    Text = GetAsString();
}

// ---- dates --------------------------------------------------------------------------------------

TDateTimeField::TDateTimeField(TComponent* AOwner) : TField(AOwner) {
    dataType = ftDateTime;
}

TDateField::TDateField(TComponent* AOwner) : TDateTimeField(AOwner) {
    dataType = ftDate;
}

TTimeField::TTimeField(TComponent* AOwner) : TDateTimeField(AOwner) {
    dataType = ftTime;
}

void TDateTimeField::SetDisplayFormat(const QString& Value) {
    if (displayFormat != Value) {
        displayFormat = Value;
        PropertyChanged(false);
    }
}

bool TDateTimeField::GetValue(TDateTime& Value) const {
    return GetData(&Value);
}

Variant TDateTimeField::GetAsVariant() const {
    TDateTime v;
    if (!GetValue(v)) return Null();
    return Variant::FromDate(v);
}

void TDateTimeField::SetAsVariant(const Variant& Value) {
    if (VarIsClear(Value))
        Clear();
    else if (VarIsStr(Value))
        SetAsString(Value.AsString());
    else
        SetAsDateTime(Value.AsDate());
}

TDateTime TDateTimeField::GetAsDateTime() const {
    TDateTime v;
    return GetValue(v) ? v : 0.0;
}

void TDateTimeField::SetAsDateTime(TDateTime Value) {
    TDateTime v = Value;
    if (dataType == ftDate)
        v = DateOf(Value);
    else if (dataType == ftTime)
        v = TimeOf(Value);
    WriteData(&v);
}

QString TDateTimeField::GetAsString() const {
    QString t;
    GetTextValue(t, false);
    return t;
}

void TDateTimeField::SetAsString(const QString& Value) {
    QString t = Value.trimmed();
    if (t.isEmpty()) {
        Clear();
        return;
    }
    switch (dataType) {
    case ftDate:
        SetAsDateTime(StrToDate(t));
        break;
    case ftTime:
        SetAsDateTime(StrToTime(t));
        break;
    default:
        SetAsDateTime(StrToDateTime(t));
        break;
    }
}

void TDateTimeField::GetTextValue(QString& Text, bool DisplayText) const {
    TDateTime v;
    if (!GetValue(v)) {
        Text.clear();
        return;
    }
    // the format is read where it is kept: no copy of it for every value
    static const QString None;
    const QString* fmt = &None;
    if (DisplayText && !displayFormat.isEmpty())
        fmt = &displayFormat;
    else if (dataType == ftDate)
        fmt = &FormatSettings.ShortDateFormat;
    else if (dataType == ftTime)
        fmt = &FormatSettings.LongTimeFormat;
    // the text goes through the field's own string (see lastText); a caller's string that still
    // shares it lets go first
    Text = QString();
    FormatDateTimeTo(lastText, *fmt, v);
    Text = lastText;
}

// ---- bytes --------------------------------------------------------------------------------------

TBinaryField::TBinaryField(TComponent* AOwner) : TField(AOwner) {}

QByteArray TBinaryField::GetAsBytes() const {
    QByteArray b(GetDataSize(), '\0');
    if (!GetData(b.data())) return QByteArray();
    return b;
}

void TBinaryField::SetAsBytes(const QByteArray& Value) {
    QByteArray b(GetDataSize(), '\0');
    std::memcpy(b.data(), Value.constData(), size_t(std::min(Value.size(), b.size())));
    WriteData(b.constData());
}

Variant TBinaryField::GetAsVariant() const {
    if (IsNull()) return Null();
    return Variant(QString::fromLatin1(GetAsBytes()));
}

void TBinaryField::SetAsVariant(const Variant& Value) {
    if (VarIsClear(Value))
        Clear();
    else
        SetAsString(Value.AsString());
}

QString TBinaryField::GetAsString() const {
    return QString::fromLatin1(GetAsBytes());
}

void TBinaryField::SetAsString(const QString& Value) {
    SetAsBytes(Value.toLatin1());
}

TBytesField::TBytesField(TComponent* AOwner) : TBinaryField(AOwner) {
    dataType = ftBytes;
    size = 16;
}

TVarBytesField::TVarBytesField(TComponent* AOwner) : TBinaryField(AOwner) {
    dataType = ftVarBytes;
    size = 16;
}

QByteArray TVarBytesField::GetAsBytes() const {
    QByteArray b(GetDataSize(), '\0');
    if (!GetData(b.data())) return QByteArray();
    uint16_t n;
    std::memcpy(&n, b.constData(), 2);
    return b.mid(2, std::min<int>(n, size));
}

void TVarBytesField::SetAsBytes(const QByteArray& Value) {
    QByteArray b(GetDataSize(), '\0');
    uint16_t n = uint16_t(std::min<qsizetype>(Value.size(), size));
    std::memcpy(b.data(), &n, 2);
    std::memcpy(b.data() + 2, Value.constData(), n);
    WriteData(b.constData());
}

// ---- blobs --------------------------------------------------------------------------------------

TBlobField::TBlobField(TComponent* AOwner) : TField(AOwner) {
    dataType = ftBlob;
}

TMemoField::TMemoField(TComponent* AOwner) : TBlobField(AOwner) {
    dataType = ftMemo;
    transliterate = true;
}

TGraphicField::TGraphicField(TComponent* AOwner) : TBlobField(AOwner) {
    dataType = ftGraphic;
}

QByteArray TBlobField::GetAsBytes() const {
    if (!dataSet) DatabaseErrorFmt(QString::fromUtf8(SDataSetMissing), {GetDisplayName()});
    if (IsNull()) return QByteArray();
    std::unique_ptr<TBlobStream> s =
        dataSet->CreateBlobStream(const_cast<TBlobField*>(this), bmRead);
    if (!s) return QByteArray();
    return s->GetBytes();
}

void TBlobField::SetAsBytes(const QByteArray& Value) {
    CheckCanModify();
    std::unique_ptr<TBlobStream> s = dataSet->CreateBlobStream(this, bmWrite);
    if (!s) return;
    s->SetBytes(Value);
    s->Commit();
    modified = true;
}

int TBlobField::GetBlobSize() const {
    return int(GetAsBytes().size());
}

Variant TBlobField::GetAsVariant() const {
    if (IsNull()) return Null();
    return Variant(GetAsString());
}

void TBlobField::SetAsVariant(const Variant& Value) {
    if (VarIsClear(Value))
        Clear();
    else
        SetAsString(Value.AsString());
}

QString TBlobField::GetAsString() const {
    QByteArray b = GetAsBytes();
    if (dataType == ftMemo || dataType == ftFmtMemo || dataType == ftOraClob)
        return FromCodePage(b, 1251);
    return QString::fromLatin1(b);
}

void TBlobField::SetAsString(const QString& Value) {
    if (dataType == ftMemo || dataType == ftFmtMemo || dataType == ftOraClob)
        SetAsBytes(ToCodePage(Value, 1251));
    else
        SetAsBytes(Value.toLatin1());
}

void TBlobField::Clear() {
    SetAsBytes(QByteArray());
}

void TBlobField::LoadFromStream(TStream* Stream) {
    Stream->Seek(0, soBeginning);
    SetAsBytes(Stream->ReadAll());
}

void TBlobField::SaveToStream(TStream* Stream) const {
    QByteArray b = GetAsBytes();
    if (!b.isEmpty()) Stream->WriteBuffer(b.constData(), b.size());
}

void TBlobField::LoadFromFile(const QString& FileName) {
    TFileStream f(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&f);
}

void TBlobField::SaveToFile(const QString& FileName) const {
    TFileStream f(FileName, fmCreate);
    SaveToStream(&f);
}

void TBlobField::Assign(TPersistent* Source) {
    if (auto* b = dynamic_cast<TBlobField*>(Source)) {
        SetAsBytes(b->GetAsBytes());
        return;
    }
    if (auto* s = dynamic_cast<TStrings*>(Source)) {
        SetAsString(s->GetText());
        return;
    }
    TField::Assign(Source);
}

void TBlobField::AssignTo(TPersistent* Dest) {
    if (auto* s = dynamic_cast<TStrings*>(Dest)) {
        s->SetText(GetAsString());
        return;
    }
    TField::AssignTo(Dest);
}

void TBlobField::GetTextValue(QString& Text, bool) const {
    QString name;
    switch (dataType) {
    case ftMemo:
        name = QStringLiteral("Memo");
        break;
    case ftFmtMemo:
        name = QStringLiteral("FmtMemo");
        break;
    case ftGraphic:
        name = QStringLiteral("Graphic");
        break;
    case ftParadoxOle:
    case ftDBaseOle:
        name = QStringLiteral("Ole");
        break;
    default:
        name = QStringLiteral("Blob");
        break;
    }
    if (!IsNull()) name = name.toUpper();
    Text = QStringLiteral("(") + name + QStringLiteral(")");
}

// ---- field classes ------------------------------------------------------------------------------

TFieldFactory FieldClassFor(TFieldType Type) {
    switch (Type) {
    case ftString:
        return [](TComponent* o) -> TField* { return new TStringField(o); };
    case ftFixedChar:
        return [](TComponent* o) -> TField* {
            auto* f = new TStringField(o);
            f->SetFixedChar(true);
            return f;
        };
    case ftWideString:
        return [](TComponent* o) -> TField* { return new TWideStringField(o); };
    case ftGuid:
        return [](TComponent* o) -> TField* { return new TGuidField(o); };
    case ftSmallint:
        return [](TComponent* o) -> TField* { return new TSmallintField(o); };
    case ftInteger:
        return [](TComponent* o) -> TField* { return new TIntegerField(o); };
    case ftWord:
        return [](TComponent* o) -> TField* { return new TWordField(o); };
    case ftAutoInc:
        return [](TComponent* o) -> TField* { return new TAutoIncField(o); };
    case ftLargeint:
        return [](TComponent* o) -> TField* { return new TLargeintField(o); };
    case ftBoolean:
        return [](TComponent* o) -> TField* { return new TBooleanField(o); };
    case ftFloat:
        return [](TComponent* o) -> TField* { return new TFloatField(o); };
    case ftCurrency:
        return [](TComponent* o) -> TField* { return new TCurrencyField(o); };
    case ftBCD:
        return [](TComponent* o) -> TField* { return new TBCDField(o); };
    case ftDate:
        return [](TComponent* o) -> TField* { return new TDateField(o); };
    case ftTime:
        return [](TComponent* o) -> TField* { return new TTimeField(o); };
    case ftDateTime:
        return [](TComponent* o) -> TField* { return new TDateTimeField(o); };
    case ftBytes:
        return [](TComponent* o) -> TField* { return new TBytesField(o); };
    case ftVarBytes:
        return [](TComponent* o) -> TField* { return new TVarBytesField(o); };
    case ftMemo:
    case ftFmtMemo:
    case ftOraClob:
        return [Type](TComponent* o) -> TField* {
            auto* f = new TMemoField(o);
            f->SetBlobType(Type);
            return f;
        };
    case ftGraphic:
        return [](TComponent* o) -> TField* { return new TGraphicField(o); };
    case ftBlob:
    case ftParadoxOle:
    case ftDBaseOle:
    case ftTypedBinary:
    case ftOraBlob:
        return [Type](TComponent* o) -> TField* {
            auto* f = new TBlobField(o);
            f->SetBlobType(Type);
            return f;
        };
    default:
        return {};
    }
}

TField* CreateFieldOfType(TFieldType Type, TComponent* AOwner, const QString& Name, int Size) {
    TFieldFactory make = FieldClassFor(Type);
    if (!make) DatabaseErrorFmt(QStringLiteral("Field '%s' is of an unknown type"), {Name});
    TField* f = make(AOwner);
    f->SetFieldName(Name);
    if (Size > 0 || Type == ftBCD) f->SetSize(Size);
    return f;
}

// ---- TFields ------------------------------------------------------------------------------------

TField* TFields::GetField(int Index) const {
    if (Index < 0 || Index >= Count()) DatabaseError(QString::fromUtf8(SFieldIndexError), dataSet);
    return list[size_t(Index)];
}

int TFields::IndexOf(TField* Field) const {
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i] == Field) return int(i);
    return -1;
}

TField* TFields::FindField(const QString& FieldName) const {
    if (!byNameValid) {
        byName.clear();
        byName.reserve(qsizetype(list.size()));
        for (TField* f : list)
            byName.insert(AnsiUpperCase(f->fieldName), f);
        byNameValid = true;
    }
    return byName.value(AnsiUpperCase(FieldName), nullptr);
}

void TFields::Renamed(TField* Field, const QString& OldName) {
    if (!byNameValid) return;
    auto it = byName.find(AnsiUpperCase(OldName));
    if (it != byName.end() && it.value() == Field) byName.erase(it);
    byName.insert(AnsiUpperCase(Field->fieldName), Field);
}

TField* TFields::FieldByName(const QString& FieldName) const {
    TField* f = FindField(FieldName);
    if (!f) DatabaseErrorFmt(QString::fromUtf8(SFieldNotFound), {FieldName}, dataSet);
    return f;
}

TField* TFields::FieldByNumber(int FieldNo) const {
    for (TField* f : list)
        if (f->fieldNo == FieldNo) return f;
    return nullptr;
}

void TFields::GetFieldNames(TStrings* List) const {
    List->BeginUpdate();
    List->Clear();
    for (TField* f : list)
        List->Add(f->fieldName);
    List->EndUpdate();
}

QStringList TFields::FieldNames() const {
    QStringList r;
    for (TField* f : list)
        r << f->fieldName;
    return r;
}

void TFields::Add(TField* Field) {
    list.push_back(Field);
    if (byNameValid) byName.insert(AnsiUpperCase(Field->fieldName), Field);
    if (dataSet) dataSet->DataEvent(deFieldListChange, 0);
}

void TFields::Remove(TField* Field) {
    // from the back: fields are destroyed last first
    auto it = std::find(list.rbegin(), list.rend(), Field);
    if (it == list.rend()) return;
    list.erase(std::next(it).base());
    if (byNameValid) {
        auto named = byName.find(AnsiUpperCase(Field->fieldName));
        if (named != byName.end() && named.value() == Field) byName.erase(named);
    }
    if (dataSet && !dataSet->IsDestroying()) dataSet->DataEvent(deFieldListChange, 0);
}

void TFields::SetFieldIndex(TField* Field, int Value) {
    int cur = IndexOf(Field);
    if (cur < 0) return;
    Value = std::clamp(Value, 0, Count() - 1);
    if (Value == cur) return;
    list.erase(list.begin() + cur);
    list.insert(list.begin() + Value, Field);
    if (dataSet) {
        dataSet->DataEvent(deFieldListChange, 0);
        if (dataSet->GetActive()) dataSet->DataEvent(deLayoutChange, 0);
    }
}

// ---- TFieldDef / TFieldDefs ---------------------------------------------------------------------

TFieldDef::TFieldDef(TCollection* ACollection) : TCollectionItem(ACollection) {}

TFieldDef::TFieldDef(TFieldDefs* Owner, const QString& Name, TFieldType DataType, int Size,
                     bool Required, int FieldNo)
    : TCollectionItem(nullptr), name(Name), dataType(DataType), size(Size), fieldNo(FieldNo) {
    if (Required) attributes.Include(faRequired);
    SetCollection(Owner);
}

TFieldDefs* TFieldDef::GetFieldDefs() const {
    return static_cast<TFieldDefs*>(GetCollection());
}

void TFieldDef::SetName(const QString& Value) {
    name = Value;
    if (TFieldDefs* defs = GetFieldDefs()) defs->byNameValid = false;
    Changed(false);
}

void TFieldDef::SetDataType(TFieldType Value) {
    dataType = Value;
    Changed(false);
}

void TFieldDef::SetSize(int Value) {
    size = Value;
    Changed(false);
}

void TFieldDef::SetPrecision(int Value) {
    precision = Value;
    Changed(false);
}

void TFieldDef::SetRequired(bool Value) {
    if (Value)
        attributes.Include(faRequired);
    else
        attributes.Exclude(faRequired);
    Changed(false);
}

void TFieldDef::SetAttributes(TFieldAttributes Value) {
    attributes = Value;
    Changed(false);
}

TField* TFieldDef::CreateField(TComponent* Owner) {
    TField* f = CreateFieldOfType(dataType, Owner, name, 0);
    try {
        switch (dataType) {
        case ftString:
        case ftFixedChar:
        case ftWideString:
        case ftBytes:
        case ftVarBytes:
        case ftGuid:
            if (size > 0) f->SetSize(size);
            break;
        case ftBCD:
            f->SetSize(size);
            static_cast<TBCDField*>(f)->SetPrecision(precision);
            break;
        default:
            break;
        }
        f->SetRequired(GetRequired());
        if (attributes.Contains(faReadonly)) f->SetReadOnly(true);
        if (attributes.Contains(faHiddenCol)) f->SetVisible(false);
        if (TFieldDefs* defs = GetFieldDefs()) f->SetDataSet(defs->GetDataSet());
    } catch (...) {
        delete f;
        throw;
    }
    return f;
}

void TFieldDef::Assign(TPersistent* Source) {
    if (auto* d = dynamic_cast<TFieldDef*>(Source)) {
        name = d->name;
        if (TFieldDefs* defs = GetFieldDefs()) defs->byNameValid = false;
        dataType = d->dataType;
        size = d->size;
        precision = d->precision;
        attributes = d->attributes;
        InternalCalcField = d->InternalCalcField;
        Changed(false);
        return;
    }
    TCollectionItem::Assign(Source);
}

TFieldDefs::TFieldDefs(TDataSet* ADataSet)
    : TOwnedCollection(ADataSet, CollectionItemClass<TFieldDef>()), dataSet(ADataSet) {}

TFieldDef* TFieldDefs::AddFieldDef() {
    return static_cast<TFieldDef*>(TCollection::Add());
}

TFieldDef* TFieldDefs::Add(const QString& Name, TFieldType DataType, int Size, bool Required) {
    if (IndexOf(Name) >= 0)
        DatabaseErrorFmt(QString::fromUtf8(SDuplicateFieldName), {Name}, dataSet);
    return new TFieldDef(this, Name, DataType, Size, Required, 0);
}

int TFieldDefs::IndexOf(const QString& Name) const {
    const QString key = AnsiUpperCase(Name);
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (!byNameValid) {
            byName.clear();
            byName.reserve(Count());
            // from the back, so that the first of equal names is the one kept
            for (int i = Count() - 1; i >= 0; --i)
                byName.insert(AnsiUpperCase(GetItems(i)->GetName()), i);
            byNameValid = true;
        }
        auto it = byName.constFind(key);
        if (it == byName.constEnd()) return -1;
        // definitions moved since: look again
        if (it.value() < Count() && AnsiSameText(GetItems(it.value())->GetName(), Name))
            return it.value();
        byNameValid = false;
    }
    return -1;
}

void TFieldDefs::Notify(TCollectionItem* Item, TCollectionNotification Action) {
    if (Action == cnAdded && byNameValid) {
        // a new definition goes last: a name already there keeps its first place
        const QString key = AnsiUpperCase(static_cast<TFieldDef*>(Item)->GetName());
        if (!byName.contains(key)) byName.insert(key, Count() - 1);
    } else if (Action != cnAdded) {
        byNameValid = false;
    }
    TOwnedCollection::Notify(Item, Action);
}

TFieldDef* TFieldDefs::FindDef(const QString& Name) const {
    int i = IndexOf(Name);
    return i < 0 ? nullptr : GetItems(i);
}

TFieldDef* TFieldDefs::Find(const QString& Name) const {
    TFieldDef* d = FindDef(Name);
    if (!d) DatabaseErrorFmt(QString::fromUtf8(SFieldNotFound), {Name}, dataSet);
    return d;
}

void TFieldDefs::Update() {
    if (!updated && dataSet) dataSet->InitFieldDefs();
}

void TFieldDefs::Update(TCollectionItem*) {}

void TFieldDefs::GetItemNames(TStrings* List) const {
    List->BeginUpdate();
    List->Clear();
    for (int i = 0; i < Count(); ++i)
        List->Add(GetItems(i)->GetName());
    List->EndUpdate();
}
