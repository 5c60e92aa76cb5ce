#include "FR_IBQuery.h"

#include "Dates.h"
#include "FR_DBUtils.h"
#include "Forms.h"
#include "IBQuery.h"

#include <QRegularExpression>
#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr TFieldType paramTypes[] = {ftBCD,   ftBoolean,  ftCurrency, ftDate, ftDateTime, ftInteger,
                                     ftFloat, ftSmallint, ftString,   ftTime, ftWord};
constexpr int paramTypeCount = int(std::size(paramTypes));

[[noreturn]] void notA(const QString& What, const QString& Text, TParam* Param) {
    throw EConvertError(u"\"%1\" не є %2 (параметр %3)"_s.arg(Text, What, Param->GetName()));
}

// Day.month.year (also with / or -); a year of one or two digits falls in 1950..2049.
bool parseDate(const QString& Text, TDateTime& Date) {
    static const QRegularExpression re(u"^(\\d{1,2})[./-](\\d{1,2})[./-](\\d{1,4})$"_s);
    const auto m = re.match(Text);
    if (!m.hasMatch()) return false;
    int year = m.captured(3).toInt();
    if (m.captured(3).size() <= 2) year += year < 50 ? 2000 : 1900;
    return TryEncodeDate(year, m.captured(2).toInt(), m.captured(1).toInt(), Date);
}

// Hours:minutes[:seconds].
bool parseTime(const QString& Text, TDateTime& Time) {
    static const QRegularExpression re(u"^(\\d{1,2}):(\\d{1,2})(?::(\\d{1,2}))?$"_s);
    const auto m = re.match(Text);
    if (!m.hasMatch()) return false;
    const int h = m.captured(1).toInt(), mi = m.captured(2).toInt(),
              s = m.captured(3).isEmpty() ? 0 : m.captured(3).toInt();
    if (h > 23 || mi > 59 || s > 59) return false;
    Time = (h * 3600 + mi * 60 + s) / 86400.0;
    return true;
}

bool parseNumber(QString Text, double& Value) {
    Text.remove(u' ');
    Text.remove(QChar(0xA0));
    Text.replace(u',', u'.');
    bool ok = false;
    Value = Text.toDouble(&ok);
    return ok && std::isfinite(Value);
}

// The text a parameter with an expression takes outside a report run.
QString defaultText(TFieldType Type) {
    switch (Type) {
    case ftDate:
    case ftDateTime:
        return u"01.01.00"_s;
    case ftTime:
        return u"00:00"_s;
    default:
        return u"0"_s;
    }
}

} // namespace

TFieldType frParamTypeFromIndex(int Index) {
    return Index >= 0 && Index < paramTypeCount ? paramTypes[Index] : ftUnknown;
}

int frParamTypeIndex(TFieldType Type) {
    for (int i = 0; i < paramTypeCount; ++i)
        if (paramTypes[i] == Type) return i;
    return paramTypeCount;
}

void frSetParamText(TParam* Param, const QString& Value) {
    const QString text = Value.trimmed();
    const TFieldType type = Param->GetDataType();
    if (text.isEmpty() && type != ftString && type != ftUnknown) {
        Param->Clear();
        Param->Bound = true;
        return;
    }
    switch (type) {
    case ftDate: {
        TDateTime d;
        // A date with a time of day keeps only the day.
        if (!parseDate(text.section(u' ', 0, 0), d)) notA(u"датою"_s, text, Param);
        Param->SetAsDate(d);
        break;
    }
    case ftDateTime: {
        TDateTime d, t = 0;
        const QString time = text.section(u' ', 1).trimmed();
        if (!parseDate(text.section(u' ', 0, 0), d) || (!time.isEmpty() && !parseTime(time, t)))
            notA(u"датою"_s, text, Param);
        Param->SetAsDateTime(d + t);
        break;
    }
    case ftTime: {
        TDateTime t;
        if (!parseTime(text, t)) notA(u"часом"_s, text, Param);
        Param->SetAsTime(t);
        break;
    }
    case ftInteger:
    case ftSmallint:
    case ftWord: {
        double d;
        if (!parseNumber(text, d) || d != std::trunc(d) || std::fabs(d) > 2147483647.0)
            notA(u"цілим числом"_s, text, Param);
        if (type == ftInteger)
            Param->SetAsInteger(int(d));
        else if (type == ftSmallint)
            Param->SetAsSmallInt(int(d));
        else
            Param->SetAsWord(int(d));
        break;
    }
    case ftFloat:
    case ftCurrency:
    case ftBCD: {
        double d;
        if (!parseNumber(text, d)) notA(u"числом"_s, text, Param);
        if (type == ftFloat)
            Param->SetAsFloat(d);
        else if (type == ftCurrency)
            Param->SetAsCurrency(d);
        else
            Param->SetAsBCD(d);
        break;
    }
    case ftBoolean: {
        const QString t = text.toLower();
        if (t == "true"_L1 || t == "1"_L1 || t == "-1"_L1 || t == u"так"_s)
            Param->SetAsBoolean(true);
        else if (t == "false"_L1 || t == "0"_L1 || t == u"ні"_s)
            Param->SetAsBoolean(false);
        else
            notA(u"логічним значенням"_s, text, Param);
        break;
    }
    default:
        Param->SetAsString(Value);
        break;
    }
}

// ---- TfrIBQuery -------------------------------------------------------------------------

TfrIBQuery::TfrIBQuery() {
    BaseName = u"Query"_s;
    auto* q = new TIBQuery(frDialogForm());
    q->BeforeOpen = [this](TDataSet*) { FillParams(); };
    SetDataSetObject(q);
}

TfrIBQuery::~TfrIBQuery() {
    if (TIBQuery* q = GetQuery()) q->BeforeOpen = nullptr;
}

TIBQuery* TfrIBQuery::GetQuery() const {
    return static_cast<TIBQuery*>(FDataSet);
}

QString TfrIBQuery::GetSQL() const {
    return GetQuery() ? GetQuery()->GetSQL()->GetText() : QString();
}

void TfrIBQuery::SetSQL(const QString& Text) {
    if (TIBQuery* q = GetQuery()) q->GetSQL()->SetText(Text);
}

QString TfrIBQuery::GetParamExpression(const QString& ParamName) const {
    return VarToStr(Expressions.GetVariable(ParamName));
}

bool TfrIBQuery::IsExpressionParam(const QString& ParamName) const {
    return Expressions.IndexOf(ParamName) >= 0;
}

void TfrIBQuery::SetParamExpression(const QString& ParamName, const QString& Expression) {
    if (TIBQuery* q = GetQuery())
        if (TParam* p = q->GetParams()->FindParam(ParamName); p && !IsExpressionParam(ParamName))
            p->Clear();
    Expressions.SetVariable(ParamName, Variant(Expression));
}

void TfrIBQuery::ClearParamExpression(const QString& ParamName) {
    const int i = Expressions.IndexOf(ParamName);
    if (i >= 0) Expressions.Delete(i);
}

void TfrIBQuery::SetParamType(const QString& ParamName, TFieldType Type) {
    if (TIBQuery* q = GetQuery())
        if (TParam* p = q->GetParams()->FindParam(ParamName)) p->SetDataType(Type);
}

void TfrIBQuery::FillParams() {
    TIBQuery* q = GetQuery();
    if (!q) return;
    TfrGlobals& g = frGlobals();
    TfrView* savedView = g.ActiveView;
    TfrPage* savedPage = g.ActivePage;
    TfrBand* savedBand = g.ActiveBand;
    g.ActiveView = nullptr;
    g.ActiveBand = nullptr;
    g.ActivePage = ParentPage;
    TParams* params = q->GetParams();
    for (int i = 0; i < params->Count(); ++i) {
        TParam* p = params->GetItems(i);
        const int k = Expressions.IndexOf(p->GetName());
        if (k < 0) continue;
        const QString expression = VarToStr(Expressions.GetValue(k));
        try {
            const QString text = g.ReportRunning ? VarToStr(g.frParser.Calc(expression))
                                                 : defaultText(p->GetDataType());
            frSetParamText(p, text);
        } catch (...) {
            Memo.Clear();
            Memo.Add(expression);
            g.ActivePage = savedPage;
            g.ActiveBand = savedBand;
            g.ActiveView = this;
            throw;
        }
    }
    g.ActiveView = savedView;
    g.ActivePage = savedPage;
    g.ActiveBand = savedBand;
}

void TfrIBQuery::PrepareObject() {
    TIBQuery* q = GetQuery();
    if (!q || !q->GetActive() || Expressions.Count() == 0) return;
    q->Close();
    q->Open();
}

void TfrIBQuery::DefineProperties() {
    TfrIBDataset::DefineProperties();
    TStringList datasets;
    frGetComponents<TDataSet>(frDialogForm(), &datasets, FDataSet);
    AddProperty(u"DataSource"_s, frdtEnum, {frEnumText(&datasets)});
    AddProperty(u"Params"_s, frdtHasEditor);
    AddProperty(u"SQL"_s, frdtHasEditor);
    AddProperty(u"SQL.Count"_s, 0);
}

void TfrIBQuery::SetPropValue(const QString& Index, const Variant& Value) {
    TfrIBDataset::SetPropValue(Index, Value);
    TIBQuery* q = GetQuery();
    if (!q) return;
    const QString n = AnsiUpperCase(Index);
    if (n == "SQL"_L1) {
        SetSQL(VarToStr(Value));
    } else if (n == "DATASOURCE"_L1) {
        auto* ds = dynamic_cast<TDataSet*>(frFindAnyComponent(frDialogForm(), VarToStr(Value)));
        q->SetDataSource(ds && ds != q ? frGetDataSource(frDialogForm(), ds) : nullptr);
    }
}

Variant TfrIBQuery::GetPropValue(const QString& Index) {
    Variant v = TfrIBDataset::GetPropValue(Index);
    TIBQuery* q = GetQuery();
    if (!v.IsNull() || !q) return v;
    const QString n = AnsiUpperCase(Index);
    if (n == "SQL"_L1) return Variant(GetSQL());
    if (n == "SQL.COUNT"_L1) return Variant(q->GetSQL()->Count());
    if (n == "DATASOURCE"_L1) return Variant(frGetDataSetName(frDialogForm(), q->GetDataSource()));
    return Null();
}

Variant TfrIBQuery::DoMethod(const QString& MethodName, const Variant& Par1, const Variant& Par2,
                             const Variant& Par3) {
    Variant r = TfrIBDataset::DoMethod(MethodName, Par1, Par2, Par3);
    TIBQuery* q = GetQuery();
    if (!r.IsNull() || !q) return r;
    const QString m = AnsiUpperCase(MethodName);
    if (m == "EXECSQL"_L1) {
        FillParams();
        q->ExecSQL();
    } else {
        frDoStringListMethod(u"SQL"_s, q->GetSQL(), m, Par1, Par2, Par3, r);
    }
    return r;
}

void TfrIBQuery::LoadFromStream(TStream* Stream) {
    TfrIBDataset::LoadFromStream(Stream);
    const QString database = frReadString(Stream);
    const QString filter = frReadString(Stream);
    const QString dataSource = frReadString(Stream);
    TStringList sql;
    frReadMemo(Stream, &sql);
    const bool active = frReadBoolean(Stream);
    Params.SetVariable(u"DataBase"_s, Variant(database));
    Params.SetVariable(u"DataSource"_s, Variant(dataSource));
    Params.SetVariable(u"Active"_s, Variant(active));
    TIBQuery* q = GetQuery();
    if (q) {
        q->Close();
        SetPropValue(u"DataBase"_s, Variant(database));
        SetPropValue(u"Filter"_s, Variant(filter));
        SetPropValue(u"DataSource"_s, Variant(dataSource));
        q->GetSQL()->Assign(&sql);
    }
    LoadFields(Stream);

    // The parameters block: entries beyond the SQL's parameters are read and dropped, and a
    // type index outside the table leaves the parameter's type alone.
    Expressions.Clear();
    const int count = frReadWord(Stream);
    TParams* params = q ? q->GetParams() : nullptr;
    for (int i = 0; i < count && !frGlobals().ReadPastEnd; ++i) {
        const int typeIndex = frReadWord(Stream);
        const bool flagged = frReadWord(Stream) == 1;
        const QString expression = frReadString(Stream);
        if (!params || i >= params->Count()) continue;
        TParam* p = params->GetItems(i);
        if (const TFieldType t = frParamTypeFromIndex(typeIndex); t != ftUnknown) p->SetDataType(t);
        if (flagged)
            SetParamExpression(p->GetName(), expression);
        else
            ClearParamExpression(p->GetName());
    }
    restoreActive();
}

void TfrIBQuery::SaveToStream(TStream* Stream) {
    TfrIBDataset::SaveToStream(Stream);
    TIBQuery* q = GetQuery();
    TStringList none;
    frWriteString(Stream, VarToStr(GetPropValue(u"DataBase"_s)));
    frWriteString(Stream, q ? q->GetFilter() : QString());
    frWriteString(Stream, VarToStr(GetPropValue(u"DataSource"_s)));
    frWriteMemo(Stream, q ? q->GetSQL() : static_cast<TStrings*>(&none));
    frWriteBoolean(Stream, q && q->GetActive());
    SaveFields(Stream);
    TParams* params = q ? q->GetParams() : nullptr;
    const int count = params ? params->Count() : 0;
    frWriteWord(Stream, uint16_t(count));
    for (int i = 0; i < count; ++i) {
        TParam* p = params->GetItems(i);
        const bool flagged = IsExpressionParam(p->GetName());
        frWriteWord(Stream, uint16_t(frParamTypeIndex(p->GetDataType())));
        frWriteWord(Stream, flagged ? 1 : 0);
        frWriteString(Stream, flagged ? GetParamExpression(p->GetName()) : QString());
    }
}

void TfrIBQuery::AfterLoad() {
    SetPropValue(u"DataSource"_s, Params.GetVariable(u"DataSource"_s));
    TfrIBDataset::AfterLoad();
}
