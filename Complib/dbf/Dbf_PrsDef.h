// Words of the expression parser: constants, variables, brackets, separators and functions,
// and the values they produce.
#pragma once

#include "SysUtils.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>

KADRION_EXCEPTION(EParserException, Exception)

enum TExpressionType {
    etBoolean = 0,
    etInteger = 1,
    etSmallInt = 2,
    etLargeInt = 3,
    etFloat = 4,
    etDateTime = 5,
    etString = 6,
    etLeftBracket = 7,
    etRightBracket = 8,
    etComma = 9,
    etUnknown = 10
};

// The letter of a type in a list of argument types.
char TypeLetter(TExpressionType t);
TExpressionType LetterType(char c);

// A value while evaluating: the member of its type is set.
struct TExprValue {
    TExpressionType Type = etUnknown;
    bool B = false;
    int64_t I = 0; // integer, small integer and large integer
    double F = 0;  // float and date-time
    QByteArray S;  // string bytes
};

class TExprWord {
public:
    explicit TExprWord(const QString& name) : name(name.toLower()) {}
    virtual ~TExprWord() = default;
    const QString& Name() const { return name; }
    virtual bool IsOperator() const { return false; }
    virtual bool IsFunction() const { return false; }
    virtual bool IsVariable() const { return false; }
    virtual bool IsConstant() const { return false; }
    virtual TExpressionType ResultType() const { return etUnknown; }
    virtual int MinFunctionArg() const { return 0; }
    virtual int MaxFunctionArg() const { return 0; }
    virtual QString TypeSpec() const { return QString(); }
    virtual QString Description() const { return QString(); }
    virtual int Priority() const { return 0; }
    // The value of a constant or variable.
    virtual TExprValue Value() const { return {}; }

private:
    QString name;
};

class TConstant : public TExprWord {
public:
    TConstant(const QString& name, TExprValue v) : TExprWord(name), value(std::move(v)) {}
    bool IsConstant() const override { return true; }
    TExpressionType ResultType() const override { return value.Type; }
    TExprValue Value() const override { return value; }

private:
    TExprValue value;
};

class TFloatConstant : public TConstant {
public:
    TFloatConstant(const QString& name, double v) : TConstant(name, make(v)) {}
    static TExprValue make(double v) {
        TExprValue x;
        x.Type = etFloat;
        x.F = v;
        return x;
    }
};
class TIntegerConstant : public TConstant {
public:
    TIntegerConstant(const QString& name, int64_t v) : TConstant(name, make(v)) {}
    static TExprValue make(int64_t v) {
        TExprValue x;
        x.Type = etInteger;
        x.I = v;
        return x;
    }
};
class TStringConstant : public TConstant {
public:
    TStringConstant(const QString& name, const QByteArray& v) : TConstant(name, make(v)) {}
    static TExprValue make(const QByteArray& v) {
        TExprValue x;
        x.Type = etString;
        x.S = v;
        return x;
    }
};
class TBooleanConstant : public TConstant {
public:
    TBooleanConstant(const QString& name, bool v) : TConstant(name, make(v)) {}
    static TExprValue make(bool v) {
        TExprValue x;
        x.Type = etBoolean;
        x.B = v;
        return x;
    }
};

// A variable reads a value held outside the parser.
class TVariable : public TExprWord {
public:
    TVariable(const QString& name, TExpressionType type, std::function<TExprValue()> getter)
        : TExprWord(name), type(type), getter(std::move(getter)) {}
    bool IsVariable() const override { return true; }
    TExpressionType ResultType() const override { return type; }
    TExprValue Value() const override { return getter(); }

private:
    TExpressionType type;
    std::function<TExprValue()> getter;
};

class TFloatVariable : public TVariable {
public:
    TFloatVariable(const QString& name, const double* ref)
        : TVariable(name, etFloat, [ref] { return TFloatConstant::make(*ref); }) {}
};
class TDateTimeVariable : public TVariable {
public:
    TDateTimeVariable(const QString& name, const double* ref)
        : TVariable(name, etDateTime, [ref] {
              TExprValue v = TFloatConstant::make(*ref);
              v.Type = etDateTime;
              return v;
          }) {}
};
class TIntegerVariable : public TVariable {
public:
    TIntegerVariable(const QString& name, const int32_t* ref)
        : TVariable(name, etInteger, [ref] { return TIntegerConstant::make(*ref); }) {}
};
class TSmallIntVariable : public TVariable {
public:
    TSmallIntVariable(const QString& name, const int16_t* ref)
        : TVariable(name, etSmallInt, [ref] {
              TExprValue v = TIntegerConstant::make(*ref);
              v.Type = etSmallInt;
              return v;
          }) {}
};
class TLargeIntVariable : public TVariable {
public:
    TLargeIntVariable(const QString& name, const int64_t* ref)
        : TVariable(name, etLargeInt, [ref] {
              TExprValue v = TIntegerConstant::make(*ref);
              v.Type = etLargeInt;
              return v;
          }) {}
};
class TBooleanVariable : public TVariable {
public:
    TBooleanVariable(const QString& name, const bool* ref)
        : TVariable(name, etBoolean, [ref] { return TBooleanConstant::make(*ref); }) {}
};
// A zero-terminated text, or a fixed-length text when length >= 0.
class TStringVariable : public TVariable {
public:
    TStringVariable(const QString& name, const char* const* ref, int length = -1)
        : TVariable(name, etString, [ref, length] {
              return TStringConstant::make(length >= 0 ? QByteArray(*ref, length)
                                                       : QByteArray(*ref));
          }) {}
};

class TLeftBracket : public TExprWord {
public:
    TLeftBracket() : TExprWord("(") {}
    TExpressionType ResultType() const override { return etLeftBracket; }
};
class TRightBracket : public TExprWord {
public:
    TRightBracket() : TExprWord(")") {}
    TExpressionType ResultType() const override { return etRightBracket; }
};
class TComma : public TExprWord {
public:
    TComma() : TExprWord(",") {}
    TExpressionType ResultType() const override { return etComma; }
};

using TExprFunc = std::function<TExprValue(const std::vector<TExprValue>& args)>;

class TFunction : public TExprWord {
public:
    // typeSpec: one letter per argument (at most 6); minArgs < 0 means all of them.
    TFunction(const QString& name, const QString& typeSpec, int minArgs, TExpressionType result,
              TExprFunc func, bool isOperator = false, int priority = 0,
              const QString& description = QString());
    bool IsOperator() const override { return isOperator; }
    bool IsFunction() const override { return true; }
    TExpressionType ResultType() const override { return result; }
    int MinFunctionArg() const override { return minArgs; }
    int MaxFunctionArg() const override { return int(typeSpec.size()); }
    QString TypeSpec() const override { return typeSpec; }
    QString Description() const override { return description; }
    int Priority() const override { return priority; }
    TExprValue Call(const std::vector<TExprValue>& args) const { return func(args); }

private:
    QString typeSpec;
    int minArgs;
    TExpressionType result;
    TExprFunc func;
    bool isOperator;
    int priority;
    QString description;
};
