// Query parameters.
#include "DB.h"
#include "Dates.h"

#include <cmath>

TParam::TParam(TCollection* ACollection) : TCollectionItem(ACollection) {}

TParam::TParam(TParams* AParams, TParamType AParamType)
    : TCollectionItem(AParams), paramType(AParamType) {}

TParams* TParam::GetParams() const {
    return static_cast<TParams*>(GetCollection());
}

void TParam::SetDataType(TFieldType Value) {
    dataType = Value;
}

void TParam::SetValue(const Variant& Value) {
    value = Value;
    Bound = true;
    if (dataType == ftUnknown) {
        switch (VarType(Value)) {
        case varBoolean:
            dataType = ftBoolean;
            break;
        case varInteger:
            dataType = ftInteger;
            break;
        case varDouble:
            dataType = ftFloat;
            break;
        case varCurrency:
            dataType = ftCurrency;
            break;
        case varDate:
            dataType = ftDateTime;
            break;
        case varString:
            dataType = ftString;
            break;
        default:
            break;
        }
    }
}

void TParam::Clear() {
    value = Null();
}

QString TParam::GetAsString() const {
    return IsNull() ? QString() : value.AsString();
}

void TParam::SetAsString(const QString& Value) {
    if (dataType == ftUnknown) dataType = ftString;
    SetValue(Variant(Value));
}

int TParam::GetAsInteger() const {
    return IsNull() ? 0 : value.AsInt();
}

void TParam::SetAsInteger(int Value) {
    if (dataType == ftUnknown) dataType = ftInteger;
    SetValue(Variant(Value));
}

void TParam::SetAsSmallInt(int Value) {
    if (dataType == ftUnknown) dataType = ftSmallint;
    SetValue(Variant(Value));
}

void TParam::SetAsWord(int Value) {
    if (dataType == ftUnknown) dataType = ftWord;
    SetValue(Variant(Value));
}

int64_t TParam::GetAsLargeInt() const {
    return IsNull() ? 0 : value.AsInteger();
}

void TParam::SetAsLargeInt(int64_t Value) {
    if (dataType == ftUnknown) dataType = ftLargeint;
    SetValue(Variant(static_cast<long long>(Value)));
}

double TParam::GetAsFloat() const {
    return IsNull() ? 0.0 : value.AsDouble();
}

void TParam::SetAsFloat(double Value) {
    if (dataType == ftUnknown) dataType = ftFloat;
    SetValue(Variant(Value));
}

double TParam::GetAsCurrency() const {
    return IsNull() ? 0.0 : value.AsCurrency();
}

void TParam::SetAsCurrency(double Value) {
    if (dataType == ftUnknown) dataType = ftCurrency;
    SetValue(Variant::FromCurrency(Value));
}

void TParam::SetAsBCD(double Value) {
    if (dataType == ftUnknown) dataType = ftBCD;
    SetValue(Variant::FromCurrency(Value));
}

void TParam::SetAsDate(TDateTime Value) {
    if (dataType == ftUnknown) dataType = ftDate;
    SetValue(Variant::FromDate(Value));
}

void TParam::SetAsTime(TDateTime Value) {
    if (dataType == ftUnknown) dataType = ftTime;
    SetValue(Variant::FromDate(Value));
}

TDateTime TParam::GetAsDateTime() const {
    return IsNull() ? 0.0 : value.AsDate();
}

void TParam::SetAsDateTime(TDateTime Value) {
    if (dataType == ftUnknown) dataType = ftDateTime;
    SetValue(Variant::FromDate(Value));
}

bool TParam::GetAsBoolean() const {
    return IsNull() ? false : value.AsBoolean();
}

void TParam::SetAsBoolean(bool Value) {
    if (dataType == ftUnknown) dataType = ftBoolean;
    SetValue(Variant(Value));
}

void TParam::SetAsMemo(const QString& Value) {
    if (dataType == ftUnknown) dataType = ftMemo;
    SetValue(Variant(Value));
}

QByteArray TParam::GetAsBlob() const {
    return IsNull() ? QByteArray() : value.AsString().toLatin1();
}

void TParam::SetAsBlob(const QByteArray& Value) {
    if (dataType == ftUnknown) dataType = ftBlob;
    SetValue(Variant(QString::fromLatin1(Value)));
}

void TParam::AssignField(TField* Field) {
    if (!Field) return;
    AssignFieldValue(Field, Field->GetAsVariant());
    if (name.isEmpty()) name = Field->GetFieldName();
}

void TParam::AssignFieldValue(TField* Field, const Variant& Value) {
    if (!Field) return;
    dataType = Field->GetDataType() == ftAutoInc ? ftInteger : Field->GetDataType();
    Size = Field->GetSize();
    if (auto* b = dynamic_cast<TBCDField*>(Field)) {
        Precision = b->GetPrecision();
        NumericScale = b->GetSize();
    }
    if (auto* b = dynamic_cast<TBlobField*>(Field); b && !VarIsClear(Value)) {
        value = Variant(QString::fromLatin1(b->GetAsBytes()));
        if (b->GetDataType() == ftMemo || b->GetDataType() == ftFmtMemo) value = Value;
        Bound = true;
        return;
    }
    value = VarIsEmpty(Value) ? Null() : Value;
    Bound = true;
}

void TParam::Assign(TPersistent* Source) {
    if (auto* p = dynamic_cast<TParam*>(Source)) {
        name = p->name;
        dataType = p->dataType;
        paramType = p->paramType;
        value = p->value;
        Bound = p->Bound;
        Size = p->Size;
        Precision = p->Precision;
        NumericScale = p->NumericScale;
        return;
    }
    if (auto* f = dynamic_cast<TField*>(Source)) {
        AssignField(f);
        return;
    }
    TCollectionItem::Assign(Source);
}

// ---- TParams ------------------------------------------------------------------------------------

TParams::TParams(TPersistent* AOwner) : TOwnedCollection(AOwner, CollectionItemClass<TParam>()) {}

TParam* TParams::CreateParam(TFieldType FldType, const QString& ParamName, TParamType ParamType) {
    auto* p = new TParam(this, ParamType);
    p->SetName(ParamName);
    p->SetDataType(FldType);
    return p;
}

void TParams::AddParam(TParam* Value) {
    Value->SetCollection(this);
}

void TParams::RemoveParam(TParam* Value) {
    Value->SetCollection(nullptr);
}

TParam* TParams::FindParam(const QString& Value) const {
    for (int i = 0; i < Count(); ++i)
        if (AnsiSameText(GetItems(i)->GetName(), Value)) return GetItems(i);
    return nullptr;
}

TParam* TParams::ParamByName(const QString& Value) const {
    TParam* p = FindParam(Value);
    if (!p) {
        auto* owner = dynamic_cast<TComponent*>(GetOwner());
        DatabaseErrorFmt(QString::fromUtf8(SParameterNotFound), {Value}, owner);
    }
    return p;
}

void TParams::AssignValues(TParams* Value) {
    for (int i = 0; i < Value->Count(); ++i) {
        TParam* src = Value->GetItems(i);
        if (TParam* p = FindParam(src->GetName())) p->Assign(src);
    }
}

bool TParams::IsEqual(TParams* Value) const {
    if (Count() != Value->Count()) return false;
    for (int i = 0; i < Count(); ++i) {
        TParam* a = GetItems(i);
        TParam* b = Value->GetItems(i);
        if (a->GetName() != b->GetName() || a->GetDataType() != b->GetDataType() ||
            a->GetParamType() != b->GetParamType() || a->IsNull() != b->IsNull())
            return false;
        if (!a->IsNull() && !VarSameValue(a->GetValue(), b->GetValue())) return false;
    }
    return true;
}

Variant TParams::GetParamValues(const QString& ParamName) const {
    QStringList names;
    for (const QString& n : ParamName.split(u';'))
        if (!n.trimmed().isEmpty()) names << n.trimmed();
    if (names.size() == 1) return ParamByName(names[0])->GetValue();
    Variant r = VarArrayCreate(0, int(names.size()) - 1);
    for (int i = 0; i < names.size(); ++i)
        r[i] = ParamByName(names[i])->GetValue();
    return r;
}

void TParams::SetParamValues(const QString& ParamName, const Variant& Value) {
    QStringList names;
    for (const QString& n : ParamName.split(u';'))
        if (!n.trimmed().isEmpty()) names << n.trimmed();
    if (names.size() == 1 && !Value.IsArray()) {
        ParamByName(names[0])->SetValue(Value);
        return;
    }
    for (int i = 0; i < names.size(); ++i)
        ParamByName(names[i])->SetValue(Value[Value.LowBound() + i]);
}

static bool isNameChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c == u'$';
}

QString TParams::ParseSQL(const QString& SQL, bool DoCreate) {
    if (DoCreate) Clear();
    QString out;
    out.reserve(SQL.size());
    int i = 0;
    const int n = int(SQL.size());
    while (i < n) {
        QChar c = SQL[i];
        if (c == u'\'' || c == u'"') {
            // Quoted text or identifier, doubled quotes inside.
            int j = i + 1;
            while (j < n) {
                if (SQL[j] == c) {
                    if (j + 1 < n && SQL[j + 1] == c) {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            out += SQL.mid(i, j - i + 1);
            i = j + 1;
            continue;
        }
        if (c == u'-' && i + 1 < n && SQL[i + 1] == u'-') {
            int j = SQL.indexOf(u'\n', i);
            if (j < 0) j = n;
            out += SQL.mid(i, j - i);
            i = j;
            continue;
        }
        if (c == u'/' && i + 1 < n && SQL[i + 1] == u'*') {
            int j = SQL.indexOf(QStringLiteral("*/"), i + 2);
            j = j < 0 ? n : j + 2;
            out += SQL.mid(i, j - i);
            i = j;
            continue;
        }
        if (c == u':') {
            if (i + 1 < n && SQL[i + 1] == u':') {
                out += u':';
                i += 2;
                continue;
            }
            QString name;
            int j = i + 1;
            if (j < n && SQL[j] == u'"') {
                int k = SQL.indexOf(u'"', j + 1);
                if (k < 0) k = n;
                name = SQL.mid(j + 1, k - j - 1);
                j = k + 1;
            } else {
                while (j < n && isNameChar(SQL[j]))
                    ++j;
                name = SQL.mid(i + 1, j - i - 1);
            }
            if (name.isEmpty()) {
                out += c;
                ++i;
                continue;
            }
            if (DoCreate) CreateParam(ftUnknown, name, ptInput);
            out += u'?';
            i = j;
            continue;
        }
        out += c;
        ++i;
    }
    return out;
}
