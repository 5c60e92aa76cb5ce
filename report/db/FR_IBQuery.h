// The template's SQL query object: a table-or-query object whose dataset is an SQL query.
// Each parameter of the SQL has a data type and, optionally, an expression of the report's
// expression language; the expressions are evaluated with the report's variables and fields
// just before the query opens or executes, and their values go to the server as typed
// parameters (never into the SQL text).
#pragma once

#include "FR_IBData.h"

class TIBQuery;
class TParam;

class TfrIBQuery : public TfrIBDataset {
    KADRION_CLASS(TfrIBQuery)
    TfrIBQuery();
    ~TfrIBQuery() override;
    void SetPropValue(const QString& Index, const Variant& Value) override;
    Variant GetPropValue(const QString& Index) override;
    Variant DoMethod(const QString& MethodName, const Variant& Par1, const Variant& Par2,
                     const Variant& Par3) override;
    void DefineProperties() override;
    void LoadFromStream(TStream* Stream) override;
    void SaveToStream(TStream* Stream) override;
    void AfterLoad() override;
    // A query that is open and takes expression parameters opens again for the build.
    void PrepareObject() override;

    TIBQuery* GetQuery() const;
    // The SQL text (lines joined by line breaks); setting it makes the parameters anew.
    QString GetSQL() const;
    void SetSQL(const QString& Text);
    // The parameter's expression; empty when it takes none.
    QString GetParamExpression(const QString& ParamName) const;
    bool IsExpressionParam(const QString& ParamName) const;
    // Gives the parameter an expression: its value is cleared and comes from the expression
    // each time the query opens.
    void SetParamExpression(const QString& ParamName, const QString& Expression);
    // The parameter takes no expression any more (it keeps whatever value it is given).
    void ClearParamExpression(const QString& ParamName);
    // Data type of a parameter (one of the eleven types templates store).
    void SetParamType(const QString& ParamName, TFieldType Type);
    // Fills the expression parameters: outside a report run with defaults by type ("0",
    // "00:00", "01.01.00"), during a run with the expressions' values. On an expression error
    // the object's memo holds the failing expression, the object becomes the engine's current
    // view (the current page and band are put back) and the error goes on.
    void FillParams();

    // Parameter name -> expression, for every parameter that takes one.
    TfrVariables Expressions;
};

// The parameter types of templates by their index (0 ftBCD, 1 ftBoolean, 2 ftCurrency,
// 3 ftDate, 4 ftDateTime, 5 ftInteger, 6 ftFloat, 7 ftSmallint, 8 ftString, 9 ftTime,
// 10 ftWord); an index outside the table gives ftUnknown.
TFieldType frParamTypeFromIndex(int Index);
// The index of a type; 11 for a type outside the table.
int frParamTypeIndex(TFieldType Type);
// Puts a text into a parameter by the parameter's type: dates as day.month.year (a two-digit
// year in 1950..2049), times as hours:minutes[:seconds], numbers with either decimal separator,
// booleans as true/false, 1/0 or their Ukrainian words. EConvertError for a text that is not a
// value of that type; an empty text gives Null.
void frSetParamText(TParam* Param, const QString& Text);
