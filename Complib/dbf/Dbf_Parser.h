// The expression parser over one table file: the dBase index functions as words, and every
// field named in an expression as a variable bound to the field's bytes in a record.
#pragma once

#include "Dbf_DbfFile.h"
#include "Dbf_PrsCore.h"

#include "Variant.h"

#include <map>

// A field as a parser variable: its value is taken from the record given to Evaluate.
class TFieldVar {
public:
    TFieldVar(TDbfFieldDef* field, int fieldIndex, TDbfFile* file, TExpressionType type)
        : field(field), index(fieldIndex), file(file), type(type) {}
    virtual ~TFieldVar() = default;
    TExprValue Value(const char* rec) const;
    TExpressionType Type() const { return type; }
    TDbfFieldDef* Field() const { return field; }

protected:
    TDbfFieldDef* field;
    int index;
    TDbfFile* file;
    TExpressionType type;
};

class TStringFieldVar : public TFieldVar {
public:
    using TFieldVar::TFieldVar;
};
class TSmallIntFieldVar : public TFieldVar {
public:
    using TFieldVar::TFieldVar;
};
class TIntegerFieldVar : public TFieldVar {
public:
    using TFieldVar::TFieldVar;
};
class TLargeIntFieldVar : public TFieldVar {
public:
    using TFieldVar::TFieldVar;
};
class TBooleanFieldVar : public TFieldVar {
public:
    using TFieldVar::TFieldVar;
};
class TFloatFieldVar : public TFieldVar {
public:
    using TFieldVar::TFieldVar;
};
class TDateTimeFieldVar : public TFieldVar {
public:
    using TFieldVar::TFieldVar;
};

class TDbfParser : public TCustomExpressionParser {
public:
    explicit TDbfParser(TDbfFile* file);
    ~TDbfParser() override;

    void ParseExpression(const QString& text);
    // The value on a record: for a string result its bytes (padded fields as they stand).
    TExprValue Evaluate(const char* rec);
    Variant EvaluateVariant(const char* rec);
    TExpressionType ResultType() const;
    int ResultLength() const { return resultLength; }
    void ClearExpressions() override;
    const QString& Expression() const { return expression; }
    bool IsBareField() const { return bareField != nullptr; }
    TDbfFile* File() const { return file; }

protected:
    void FillExpressList() override;
    bool HandleUnknownVariable(const QString& name) override;
    QByteArray TextBytes(const QString& text) const override;

private:
    int codePage() const;
    TDbfFile* file;
    const char* currentRecord = nullptr;
    std::vector<std::unique_ptr<TFieldVar>> fieldVars;
    std::vector<QString> fieldVarNames;
    TFieldVar* bareField = nullptr;
    QString expression;
    int resultLength = 0;
};
