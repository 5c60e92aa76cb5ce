#include "Dbf_Parser.h"
#include "Dbf_Lang.h"
#include "Dbf_Str.h"

#include "CodePages.h"
#include "Dates.h"

#include <cmath>

namespace {
// STR's width is cut to the longest text a field can hold, so that no expression can ask for
// a text of any size.
constexpr int MaxStrWidth = 65535;

TExprValue str(const QByteArray& s) {
    return TStringConstant::make(s);
}

// Integer as text, zero-padded to width (when given), the high digits dropped when they do
// not fit; a negative value keeps its sign.
QByteArray intText(int64_t v, int64_t width, int64_t decimals, bool hasWidth) {
    width = std::clamp<int64_t>(width, 0, MaxStrWidth);
    decimals = std::clamp<int64_t>(decimals, 0, 18);
    uint64_t magnitude = v < 0 ? uint64_t(-(v + 1)) + 1 : uint64_t(v);
    QByteArray digits = QByteArray::number(qulonglong(magnitude));
    QByteArray sign = v < 0 ? "-" : "";
    if (hasWidth) {
        int room = std::max(0, int(width) - int(sign.size()));
        if (digits.size() > room) digits = digits.right(room);
        digits = QByteArray(room - digits.size(), '0') + digits;
    }
    QByteArray out = sign + digits;
    if (decimals > 0) out += "." + QByteArray(int(decimals), '0');
    return out;
}

// Float in fixed notation with 18 significant digits and the given decimals, right-aligned
// in width (cut to width when longer).
QByteArray floatText(double v, int64_t width, int64_t decimals) {
    width = std::clamp<int64_t>(width, 0, MaxStrWidth);
    decimals = std::clamp<int64_t>(decimals, 0, 18);
    QByteArray text = QByteArray::number(v, 'f', int(decimals));
    int intDigits = 0;
    for (char c : text) {
        if (c == '.') break;
        if (c >= '0' && c <= '9') ++intDigits;
    }
    if (intDigits > 18)
        text = QByteArray::number(v, 'e', 17); // beyond 18 digits the fixed form means nothing
    if (width > text.size())
        text = QByteArray(width - text.size(), ' ') + text;
    else if (text.size() > width)
        text = text.left(width);
    return text;
}
} // namespace

TExprValue TFieldVar::Value(const char* rec) const {
    TExprValue v;
    v.Type = type;
    if (!rec) return v;
    switch (type) {
    case etString:
        v.S = QByteArray(rec + field->Offset, field->GetSize());
        break;
    case etSmallInt: {
        int16_t x = 0;
        if (file->GetFieldData(index, ftSmallint, &x, rec)) v.I = x;
        break;
    }
    case etInteger: {
        int32_t x = 0;
        if (file->GetFieldData(index, ftInteger, &x, rec)) v.I = x;
        break;
    }
    case etLargeInt: {
        int64_t x = 0;
        if (file->GetFieldData(index, ftLargeint, &x, rec)) v.I = x;
        break;
    }
    case etBoolean: {
        bool x = false;
        if (file->GetFieldData(index, ftBoolean, &x, rec)) v.B = x;
        break;
    }
    case etFloat: {
        double x = 0;
        if (file->GetFieldData(index, ftFloat, &x, rec)) v.F = x;
        break;
    }
    case etDateTime: {
        double x = 0;
        if (file->GetFieldData(index, field->GetFieldType(), &x, rec)) v.F = x;
        break;
    }
    default:
        break;
    }
    return v;
}

TDbfParser::TDbfParser(TDbfFile* f) : file(f) {
    FillExpressList();
}

TDbfParser::~TDbfParser() {
    try {
        ClearExpressions();
    } catch (...) {
    }
}

int TDbfParser::codePage() const {
    int cp = file ? file->GetCodePage() : 0;
    return cp ? cp : DbfGlobals()->OemCodePage;
}

QByteArray TDbfParser::TextBytes(const QString& text) const {
    return ToCodePage(text, codePage());
}

void TDbfParser::FillExpressList() {
    AddWord(std::make_unique<TFunction>(
        "+", "SS", -1, etString, [](const auto& a) { return str(a[0].S + a[1].S); }, true, 40,
        "concatenation"));
    AddWord(std::make_unique<TFunction>(
        "+", "FF", -1, etFloat, [](const auto& a) { return TFloatConstant::make(a[0].F + a[1].F); },
        true, 40, "sum"));
    AddWord(std::make_unique<TFunction>(
        "STR", "FII", 1, etString,
        [](const auto& a) {
            int64_t width = a.size() > 1 ? a[1].I : 18;
            int64_t decimals = a.size() > 2 ? a[2].I : 0;
            return str(floatText(a[0].F, width, decimals));
        },
        false, 0, "number as text"));
    auto intStr = [](const auto& a) {
        return str(
            intText(a[0].I, a.size() > 1 ? a[1].I : 0, a.size() > 2 ? a[2].I : 0, a.size() > 1));
    };
    AddWord(std::make_unique<TFunction>("STR", "III", 1, etString, intStr, false, 0,
                                        "integer as text"));
    AddWord(std::make_unique<TFunction>("STR", "JII", 1, etString, intStr, false, 0,
                                        "small integer as text"));
    AddWord(std::make_unique<TFunction>(
        "DTOS", "D", 1, etString,
        [](const auto& a) { return str(FormatDateTime("yyyymmdd", a[0].F).toLatin1()); }, false, 0,
        "date as yyyymmdd"));
    AddWord(std::make_unique<TFunction>(
        "SUBSTR", "SII", 3, etString,
        [](const auto& a) {
            int64_t start = std::max<int64_t>(1, a[1].I);
            int64_t count = std::max<int64_t>(0, a[2].I);
            if (a[0].S.size() < start - 1 + count) return str(QByteArray());
            return str(a[0].S.mid(int(start - 1), int(count)));
        },
        false, 0, "part of a text"));
    auto upper = [this](const auto& a) {
        return str(ToCodePage(AnsiUpperCase(FromCodePage(a[0].S, codePage())), codePage()));
    };
    auto lower = [this](const auto& a) {
        return str(ToCodePage(AnsiLowerCase(FromCodePage(a[0].S, codePage())), codePage()));
    };
    AddWord(std::make_unique<TFunction>("UPPERCASE", "S", 1, etString, upper, false, 0,
                                        "text in upper case"));
    AddWord(std::make_unique<TFunction>("UPPER", "S", 1, etString, upper, false, 0,
                                        "text in upper case"));
    AddWord(std::make_unique<TFunction>("LOWERCASE", "S", 1, etString, lower, false, 0,
                                        "text in lower case"));
    AddWord(std::make_unique<TFunction>("LOWER", "S", 1, etString, lower, false, 0,
                                        "text in lower case"));
}

bool TDbfParser::HandleUnknownVariable(const QString& name) {
    int index = file->FieldDefs()->IndexOf(name);
    if (index < 0) throw EDbfFile(Format(STRING_INDEX_BASED_ON_UNKNOWN_FIELD, {name}));
    TDbfFieldDef* f = file->FieldDefs()->GetItems(index);
    std::unique_ptr<TFieldVar> var;
    switch (f->GetFieldType()) {
    case ftString:
        var = std::make_unique<TStringFieldVar>(f, index, file, etString);
        break;
    case ftSmallint:
        var = std::make_unique<TSmallIntFieldVar>(f, index, file, etSmallInt);
        break;
    case ftInteger:
    case ftAutoInc:
        var = std::make_unique<TIntegerFieldVar>(f, index, file, etInteger);
        break;
    case ftLargeint:
        var = std::make_unique<TLargeIntFieldVar>(f, index, file, etLargeInt);
        break;
    case ftBoolean:
        var = std::make_unique<TBooleanFieldVar>(f, index, file, etBoolean);
        break;
    case ftFloat:
        var = std::make_unique<TFloatFieldVar>(f, index, file, etFloat);
        break;
    case ftDate:
    case ftDateTime:
        var = std::make_unique<TDateTimeFieldVar>(f, index, file, etDateTime);
        break;
    default:
        throw EDbfFile(Format(STRING_INDEX_BASED_ON_INVALID_FIELD, {name}));
    }
    TFieldVar* v = var.get();
    AddWord(std::make_unique<TVariable>(name, v->Type(),
                                        [this, v] { return v->Value(currentRecord); }));
    fieldVars.push_back(std::move(var));
    fieldVarNames.push_back(name);
    return true;
}

void TDbfParser::ClearExpressions() {
    TCustomExpressionParser::ClearExpressions();
    for (const QString& n : fieldVarNames)
        RemoveWord(n);
    fieldVarNames.clear();
    fieldVars.clear();
    bareField = nullptr;
    expression.clear();
    resultLength = 0;
}

void TDbfParser::ParseExpression(const QString& text) {
    ClearExpressions();
    QString t = text.trimmed();
    int index = file->FieldDefs()->IndexOf(t);
    if (index >= 0 && !t.isEmpty()) {
        HandleUnknownVariable(t);
        bareField = fieldVars.back().get();
        resultLength = bareField->Type() == etString ? bareField->Field()->GetSize() : 0;
    } else {
        CompileExpression(text);
    }
    switch (ResultType()) {
    case etString:
        if (!bareField) {
            QByteArray blank(file->RecordSize(), ' ');
            file->InitRecord(blank.data());
            resultLength = int(Evaluate(blank.constData()).S.size());
        }
        break;
    case etBoolean:
        resultLength = 1;
        break;
    case etInteger:
        resultLength = 4;
        break;
    case etSmallInt:
        resultLength = 2;
        break;
    case etFloat:
    case etDateTime:
    case etLargeInt:
        resultLength = 8;
        break;
    default:
        break;
    }
    expression = text;
}

TExprValue TDbfParser::Evaluate(const char* rec) {
    currentRecord = rec;
    TExprValue v = bareField ? bareField->Value(rec) : TCustomExpressionParser::Evaluate();
    currentRecord = nullptr;
    return v;
}

Variant TDbfParser::EvaluateVariant(const char* rec) {
    TExprValue v = Evaluate(rec);
    switch (v.Type) {
    case etBoolean:
        return Variant(v.B);
    case etInteger:
    case etSmallInt:
    case etLargeInt:
        return Variant(static_cast<long long>(v.I));
    case etFloat:
        return Variant(v.F);
    case etDateTime:
        return VarFromDateTime(v.F);
    case etString:
        return Variant(FromCodePage(v.S, codePage()));
    default:
        return Variant();
    }
}

TExpressionType TDbfParser::ResultType() const {
    return bareField ? bareField->Type() : TCustomExpressionParser::ResultType();
}
