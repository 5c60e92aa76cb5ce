// Expression parser of the report engine: converts an expression to a postfix text that can be
// kept and evaluated many times over a small stack of variants. Names and functions it does not
// know itself go to two hooks set by its owner.
#pragma once

#include "SysUtils.h"
#include "Variant.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <functional>

class TfrVariables;

// Errors of report expressions: undefined names, limits of the evaluator, malformed text.
KADRION_EXCEPTION(EParserError, Exception)

// Operator codes of the postfix text (the printable operators stand for themselves).
enum : char16_t {
    opGreaterEq = 1,
    opLessEq = 2,
    opNotEq = 3,
    opOr = 4,
    opAnd = 5,
    opInt = 6,
    opFrac = 7,
    opUnMinus = 9,
    opUnPlus = 10,
    opStr = 11,
    opNot = 12,
    opMod = 13,
    opRound = 14,
};

using TGetPValueEvent = std::function<void(const QString& name, Variant& value)>;
using TFunctionEvent = std::function<void(const QString& name, const Variant& p1, const Variant& p2,
                                          const Variant& p3, Variant& value)>;

class TfrParser {
public:
    // Slots of the evaluation stack; deeper expressions are refused when converted.
    static constexpr int StackSize = 32;
    // Arguments a function call may have.
    static constexpr int MaxArguments = 3;

    TGetPValueEvent OnGetValue;
    TFunctionEvent OnFunction;

    Variant Calc(const QString& expression);
    QString ToPostfix(const QString& expression);
    Variant CalcPostfix(const QString& postfix);

    // Text scanners; positions are 1-based and advanced past what was read.
    QString GetIdentifier(const QString& s, int& i);
    // The quoted string at position i, quotes included; raises EConvertError when it has no
    // closing quote.
    QString GetString(const QString& s, int& i);
    // Splits the argument list that starts at the '(' at position i; the position ends after
    // the closing parenthesis. Unbalanced parentheses raise Exception with an empty message.
    QStringList GetParameters(const QString& s, int& i);
    // The first three arguments, missing ones empty.
    void GetParameters(const QString& s, int& i, QString& p1, QString& p2, QString& p3);

private:
    // The postfix texts of the expressions met so far: the conversion depends on the text
    // alone, and a report evaluates the same few expressions for every record.
    QHash<QString, QString> postfixCache;
    // Checks that the postfix text fits the evaluation stack and that every operator has its
    // operands, so that evaluation can neither overflow nor underflow.
    void CheckPostfix(const QString& postfix);
    Variant callFunction(const QString& name, const QStringList& args);
};

// The text between the '[' at position start and its matching ']' (nested brackets counted,
// brackets inside quotes ignored); end gets the position of that ']'. Empty text with end =
// start when the character at start is not '['.
QString GetBracketedName(const QString& s, int start, int& end);

// Walks expressions to find calls of chosen functions (the aggregates) so that bands can
// accumulate them.
class TfrFunctionSplitter {
public:
    TfrFunctionSplitter(QStringList* matchFuncs, QStringList* splitTo, TfrVariables* variables);
    virtual ~TfrFunctionSplitter() = default;
    void Split(const QString& s);

protected:
    QStringList* FMatchFuncs;
    QStringList* FSplitTo;
    TfrParser FParser;
    TfrVariables* FVariables;

private:
    void split(const QString& s, int depth);
};
