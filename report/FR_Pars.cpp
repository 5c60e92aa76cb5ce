// The expression language of reports, read by ToPostfix (words are case-insensitive):
//
//   expression := operand { binary operand }        ended by the end of the text or ';'
//   operand    := prefix operand | '(' expression ')' | ['%' c] primary
//   primary    := number | string | '[' name ']' | identifier ['[' index ']']
//               | identifier '(' [expression {',' expression}] ')'  (at most three arguments)
//   binary     := '*' | '/' | AND | OR | MOD         rank 1
//               | '+' | '-'                          rank 2
//               | '=' | '<' | '>' | '<=' | '>=' | '<>'  rank 3
//   prefix     := INT | FRAC | ROUND | STR           rank 0: only the next operand
//               | '-' | '+'  (where no operand precedes) rank 2;  NOT  rank 1
//   number     := starts with a digit, '.' or ','; either mark is the decimal separator
//   string     := '...' with '' for a quote
//   name       := any text up to the matching ']' (nested brackets counted, quotes skipped),
//                 a value asked of OnGetValue
//   identifier := characters up to a blank or one of ( ) * + - / < = > [ ;  (text in double
//                 quotes may hold them); TRUE and FALSE, else a value asked of OnGetValue
// The lower rank binds tighter; equal ranks group from the left; a missing ')' closes at the
// end. "%c" (a '%' and the character after it) stays in front of its operand.
// identifier[index] is GETARRAY(identifier, index). COPY, IF, STRTODATE and STRTOTIME are
// built in; every other function goes to OnFunction.
//
// The postfix text: each operand followed by a blank (a function call as written, with its
// arguments as source text, evaluated when reached), each operator as one character (the
// printable ones stand for themselves, the others are the op* codes).
#include "FR_Pars.h"

#include "Dates.h"
#include "FR_Var.h"

#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString STooComplex = u"Вираз надто складний"_s;
const QString STooManyArgs = u"Забагато аргументів функції"_s;
const QString SSignAfterOperator = u"Знак операції перед операндом після іншої операції"_s;
const QString SMissingOperand = u"Бракує операнда"_s;
const QString SUnterminatedString = u"Рядок у лапках не закрито: %1"_s;

inline QChar at(const QString& s, int i) // 1-based, 0 outside the text
{
    return i >= 1 && i <= s.size() ? s[i - 1] : QChar(0);
}

bool isDelimiter(QChar c) {
    switch (c.unicode()) {
    case '(':
    case ')':
    case '*':
    case '+':
    case '-':
    case '/':
    case '<':
    case '=':
    case '>':
    case '[':
    case ';': // ends the expression
        return true;
    default:
        return c.unicode() <= ' ';
    }
}

int rank(QChar c) {
    switch (c.unicode()) {
    case opGreaterEq:
    case opLessEq:
    case opNotEq:
    case '<':
    case '=':
    case '>':
        return 3;
    case opOr:
    case opAnd:
    case opNot:
    case opMod:
    case '*':
    case '/':
        return 1;
    case opUnMinus:
    case opUnPlus:
    case '+':
    case '-':
        return 2;
    case ')':
        return 4;
    case '(':
        return 5;
    default:
        return 0;
    }
}

bool isPrefix(QChar c) {
    switch (c.unicode()) {
    case opUnMinus:
    case opUnPlus:
    case opNot:
    case opInt:
    case opFrac:
    case opRound:
    case opStr:
        return true;
    default:
        return false;
    }
}

bool isBinaryOp(QChar c) {
    switch (c.unicode()) {
    case opGreaterEq:
    case opLessEq:
    case opNotEq:
    case opOr:
    case opAnd:
    case opMod:
    case '*':
    case '+':
    case '-':
    case '/':
    case '<':
    case '=':
    case '>':
        return true;
    default:
        return false;
    }
}

QChar wordOperator(const QString& name) {
    const QString u = name.toUpper();
    if (u == "INT"_L1) return QChar(opInt);
    if (u == "FRAC"_L1) return QChar(opFrac);
    if (u == "ROUND"_L1) return QChar(opRound);
    if (u == "OR"_L1) return QChar(opOr);
    if (u == "AND"_L1) return QChar(opAnd);
    if (u == "NOT"_L1) return QChar(opNot);
    if (u == "STR"_L1) return QChar(opStr);
    if (u == "MOD"_L1) return QChar(opMod);
    return QChar(0);
}

bool startsNumber(const QString& s) {
    if (s.isEmpty()) return false;
    QChar c = s[0];
    return (c >= u'0' && c <= u'9') || c == u'.' || c == u',';
}

} // namespace

// ---- scanners ---------------------------------------------------------------------------

QString TfrParser::GetIdentifier(const QString& s, int& i) {
    while (i <= s.size() && at(s, i).unicode() <= ' ')
        ++i;
    const int start = i;
    bool quoted = false;
    while (i <= s.size()) {
        QChar c = at(s, i);
        if (c == u'"')
            quoted = !quoted;
        else if (!quoted && isDelimiter(c))
            break;
        ++i;
    }
    return s.mid(start - 1, i - start);
}

QString TfrParser::GetString(const QString& s, int& i) {
    const int start = i;
    int j = i + 1;
    while (j <= s.size()) {
        if (at(s, j) == u'\'') {
            if (at(s, j + 1) == u'\'') {
                j += 2;
                continue;
            }
            break;
        }
        ++j;
    }
    // Without its closing quote the rest of the expression would be taken as text.
    if (j > s.size()) throw EConvertError(SUnterminatedString.arg(s.mid(start - 1)));
    i = j + 1;
    return s.mid(start - 1, i - start);
}

QStringList TfrParser::GetParameters(const QString& s, int& i) {
    QStringList result;
    if (at(s, i) != u'(') return result;
    int depth = 0;
    int argStart = i + 1;
    bool quoted = false;
    for (int j = i; j <= s.size(); ++j) {
        QChar c = at(s, j);
        if (c == u'\'') {
            quoted = !quoted;
            continue;
        }
        if (quoted) continue;
        if (c == u'(') {
            ++depth;
        } else if (c == u')') {
            if (--depth == 0) {
                result << s.mid(argStart - 1, j - argStart);
                i = j + 1;
                if (result.size() == 1 && result[0].trimmed().isEmpty()) result.clear();
                return result;
            }
        } else if (c == u',' && depth == 1) {
            result << s.mid(argStart - 1, j - argStart);
            argStart = j + 1;
        }
    }
    throw Exception(QString());
}

void TfrParser::GetParameters(const QString& s, int& i, QString& p1, QString& p2, QString& p3) {
    QStringList args = GetParameters(s, i);
    p1 = args.value(0);
    p2 = args.value(1);
    p3 = args.value(2);
}

QString GetBracketedName(const QString& s, int start, int& end) {
    end = start;
    if (at(s, start) != u'[') return QString();
    int depth = 0;
    QChar quote;
    int j = start;
    for (; j <= s.size(); ++j) {
        QChar c = at(s, j);
        if (quote != QChar(0)) {
            if (c == quote) quote = QChar(0);
            continue;
        }
        if (c == u'\'' || c == u'"') {
            quote = c;
        } else if (c == u'[') {
            ++depth;
        } else if (c == u']') {
            if (--depth == 0) break;
        }
    }
    if (j > s.size()) j = s.size();
    end = j;
    return s.mid(start, std::max(0, end - start - 1));
}

// ---- conversion -------------------------------------------------------------------------

QString TfrParser::ToPostfix(const QString& s) {
    QString out;
    QString stack; // the first character is the top
    bool wasOperand = false;

    auto placeOperator = [&](QChar op) {
        if (!wasOperand && isPrefix(op) && !stack.isEmpty() && stack[0] != u'(' &&
            rank(op) >= rank(stack[0]))
            // A prefix operator here would take the pending operator before its own operand.
            throw EParserError(SSignAfterOperator);
        while (!stack.isEmpty() && rank(op) >= rank(stack[0])) {
            out += stack[0];
            stack.remove(0, 1);
        }
        stack.prepend(op);
        wasOperand = false;
    };

    int i = 1;
    while (i <= s.size()) {
        QChar c = at(s, i);
        if (c.unicode() <= ' ') {
            ++i;
            continue;
        }
        if (c == u';') break;
        if (c == u'(') {
            stack.prepend(c);
            wasOperand = false;
            ++i;
            continue;
        }
        if (c == u')') {
            int k = stack.indexOf(u'(');
            if (k >= 0) {
                out += stack.left(k);
                stack.remove(0, k + 1);
            }
            ++i;
            continue;
        }
        if (c == u'*' || c == u'+' || c == u'-' || c == u'/' || c == u'<' || c == u'=' ||
            c == u'>') {
            QChar next = at(s, i + 1);
            QChar op = c;
            if (c == u'<' && next == u'>') {
                op = QChar(opNotEq);
                ++i;
            } else if (c == u'>' && next == u'=') {
                op = QChar(opGreaterEq);
                ++i;
            } else if (c == u'<' && next == u'=') {
                op = QChar(opLessEq);
                ++i;
            } else if (!wasOperand && c == u'-') {
                op = QChar(opUnMinus);
            } else if (!wasOperand && c == u'+') {
                op = QChar(opUnPlus);
            }
            ++i;
            placeOperator(op);
            continue;
        }

        // an operand
        const int start = i;
        QString operand;
        if (c == u'%') {
            operand = s.mid(i - 1, 2);
            i += 2;
            c = at(s, i);
        }
        if (c == u'\'') {
            operand += GetString(s, i);
        } else if (c == u'[') {
            int end;
            QString name = GetBracketedName(s, i, end);
            operand += u'[' + name + u']';
            i = end + 1;
        } else {
            QString name = GetIdentifier(s, i);
            if (at(s, i) == u'[') {
                int end;
                QString index = GetBracketedName(s, i, end);
                name += u'[' + index + u']';
                i = end + 1;
            }
            operand += name;
            if (!startsNumber(operand)) {
                QChar op = wordOperator(operand);
                if (op != QChar(0)) {
                    placeOperator(op);
                    continue;
                }
                if (at(s, i) == u'(') {
                    QStringList args = GetParameters(s, i);
                    if (args.size() > MaxArguments) throw EParserError(STooManyArgs);
                    out += s.mid(start - 1, i - start);
                    wasOperand = true;
                    continue;
                }
            }
        }
        if (i == start) // nothing could be read here; never loop on it
            ++i;
        out += operand + u' ';
        wasOperand = true;
    }
    stack.remove(u'('); // an unclosed parenthesis closes at the end
    out += stack;
    CheckPostfix(out);
    return out;
}

// ---- evaluation -------------------------------------------------------------------------

namespace {

bool isOperatorChar(QChar c) {
    return isBinaryOp(c) || isPrefix(c);
}

Variant boolInt(bool b) {
    return Variant(b ? 1 : 0);
}

double intPart(double x) {
    double r = std::round(x);
    return std::fabs(x - r) < 1e-10 ? r : std::trunc(x);
}

double fracPart(double x) {
    double r = std::round(x);
    return std::fabs(x - r) < 1e-10 ? 0.0 : x - std::trunc(x);
}

} // namespace

void TfrParser::CheckPostfix(const QString& postfix) {
    int depth = 0;
    int i = 1;
    const QString& s = postfix;
    while (i <= s.size()) {
        QChar c = at(s, i);
        if (isOperatorChar(c)) {
            ++i;
            if (c == QChar(opUnPlus)) continue;
            int need = isBinaryOp(c) ? 2 : 1;
            if (depth < need) throw EParserError(SMissingOperand);
            depth -= need - 1;
            continue;
        }
        if (c.unicode() <= ' ' || c == u'(' || c == u')') {
            ++i;
            continue;
        }
        if (c == u'\'') {
            GetString(s, i);
        } else if (c == u'[') {
            int end;
            GetBracketedName(s, i, end);
            i = end + 1;
        } else {
            int start = i;
            GetIdentifier(s, i);
            if (at(s, i) == u'[') {
                int end;
                GetBracketedName(s, i, end);
                i = end + 1;
            } else if (at(s, i) == u'(') {
                if (GetParameters(s, i).size() > MaxArguments) throw EParserError(STooManyArgs);
            }
            if (i == start) ++i;
        }
        if (++depth > StackSize) throw EParserError(STooComplex);
    }
}

Variant TfrParser::Calc(const QString& expression) {
    auto it = postfixCache.constFind(expression);
    if (it == postfixCache.cend()) {
        // Bounded, for scripts that build expressions from changing data.
        if (postfixCache.size() >= 4096) postfixCache.clear();
        it = postfixCache.insert(expression, ToPostfix(expression));
    }
    // A copy: evaluating may come back here and change the cache.
    const QString postfix = *it;
    return CalcPostfix(postfix);
}

Variant TfrParser::callFunction(const QString& name, const QStringList& args) {
    if (args.size() > MaxArguments) throw EParserError(STooManyArgs);
    const QString a1 = args.value(0), a2 = args.value(1), a3 = args.value(2);
    if (name == "COPY"_L1) {
        QString text = VarToStr(Calc(a1));
        int from = StrToInt(VarToStr(Calc(a2)));
        int count = StrToInt(VarToStr(Calc(a3)));
        return Variant(Copy(text, from, count));
    }
    if (name == "IF"_L1) {
        double c = std::trunc(StrToFloat(VarToStr(Calc(a1))));
        return c != 0 ? Calc(a2) : Calc(a3);
    }
    if (name == "STRTODATE"_L1) return Variant::FromDate(StrToDate(VarToStr(Calc(a1))));
    if (name == "STRTOTIME"_L1) return Variant::FromDate(StrToTime(VarToStr(Calc(a1))));
    Variant result;
    if (OnFunction) OnFunction(name, Variant(a1), Variant(a2), Variant(a3), result);
    return result;
}

Variant TfrParser::CalcPostfix(const QString& s) {
    Variant stack[StackSize];
    stack[0] = Variant(0);
    int sp = -1; // index of the top slot

    auto push = [&](Variant v) {
        if (sp + 1 >= StackSize) throw EParserError(STooComplex);
        stack[++sp] = std::move(v);
    };

    int i = 1;
    while (i <= s.size()) {
        QChar c = at(s, i);
        if (isOperatorChar(c)) {
            ++i;
            if (c == QChar(opUnPlus)) continue;
            if (isBinaryOp(c)) {
                if (sp < 1) throw EParserError(SMissingOperand);
                Variant& a = stack[sp - 1];
                const Variant& b = stack[sp];
                switch (c.unicode()) {
                case '+':
                case opOr:
                    a = a + b;
                    break;
                case '-':
                    a = a - b;
                    break;
                case '*':
                case opAnd:
                    a = a * b;
                    break;
                case opMod:
                    a = VarMod(a, b);
                    break;
                case '/':
                    a = b == Variant(0) ? Variant(0) : a / b;
                    break;
                case '>':
                    a = boolInt(a > b);
                    break;
                case '<':
                    a = boolInt(a < b);
                    break;
                case '=':
                    a = boolInt(a == b);
                    break;
                case opGreaterEq:
                    a = boolInt(a >= b);
                    break;
                case opLessEq:
                    a = boolInt(a <= b);
                    break;
                case opNotEq:
                    a = boolInt(a != b);
                    break;
                }
                stack[sp--] = Variant();
            } else {
                if (sp < 0) throw EParserError(SMissingOperand);
                Variant& x = stack[sp];
                switch (c.unicode()) {
                case opInt:
                    x = Variant(intPart(x.AsDouble()));
                    break;
                case opFrac:
                    x = Variant(fracPart(x.AsDouble()));
                    break;
                case opRound:
                    x = Variant(int64_t(std::nearbyint(x.AsDouble())));
                    break;
                case opUnMinus:
                    x = VarNeg(x);
                    break;
                case opNot:
                    x = boolInt(x == Variant(0));
                    break;
                case opStr:
                    x = Variant(VarToStr(x));
                    break;
                }
            }
            continue;
        }
        if (c.unicode() <= ' ' || c == u'(' || c == u')') {
            ++i;
            continue;
        }
        if (c == u'\'') {
            QString q = GetString(s, i);
            q = q.mid(1);
            if (q.endsWith(u'\'')) q.chop(1);
            q.replace(u"''"_s, u"'"_s);
            push(Variant(q));
            continue;
        }
        if (c == u'[') {
            int end;
            QString name = GetBracketedName(s, i, end);
            i = end + 1;
            Variant v;
            if (OnGetValue) OnGetValue(name, v);
            push(v);
            continue;
        }
        const int start = i;
        QString name = GetIdentifier(s, i);
        if (i == start) {
            ++i;
            continue;
        }
        if (startsNumber(name)) {
            QString t = name;
            t.replace(u'.', FormatSettings.DecimalSeparator);
            t.replace(u',', FormatSettings.DecimalSeparator);
            push(Variant(StrToFloat(t)));
        } else if (name.compare("TRUE"_L1, Qt::CaseInsensitive) == 0) {
            push(Variant(true));
        } else if (name.compare("FALSE"_L1, Qt::CaseInsensitive) == 0) {
            push(Variant(false));
        } else if (at(s, i) == u'[') {
            int end;
            QString index = GetBracketedName(s, i, end);
            i = end + 1;
            push(Calc(u"GETARRAY("_s + name + u", "_s + index + u')'));
        } else if (at(s, i) == u'(') {
            QStringList args = GetParameters(s, i);
            push(callFunction(AnsiUpperCase(name), args));
        } else {
            Variant v;
            if (OnGetValue) OnGetValue(AnsiUpperCase(name), v);
            push(v);
        }
    }
    return stack[0];
}

// ---- aggregate search -------------------------------------------------------------------

TfrFunctionSplitter::TfrFunctionSplitter(QStringList* matchFuncs, QStringList* splitTo,
                                         TfrVariables* variables)
    : FMatchFuncs(matchFuncs), FSplitTo(splitTo), FVariables(variables) {}

void TfrFunctionSplitter::Split(const QString& s) {
    split(s, 0);
}

void TfrFunctionSplitter::split(const QString& text, int depth) {
    // Variables that name each other would recurse without end; such chains stop here.
    if (depth > 32) return;
    const QString s = Trim(text);
    if (s.startsWith(u'\'')) return;
    auto variableText = [&](const QString& name, QString& value) {
        if (!FVariables || FVariables->IndexOf(name) < 0) return false;
        value = VarToStr(FVariables->GetVariable(name));
        return true;
    };
    int i = 1;
    while (i <= s.size()) {
        if (at(s, i).unicode() <= ' ') {
            ++i;
            continue;
        }
        if (at(s, i) == u'[') {
            int end;
            QString name = GetBracketedName(s, i, end);
            QString value;
            split(variableText(name, value) ? value : name, depth + 1);
            i = end + 1;
            continue;
        }
        const int k = i;
        QString name = FParser.GetIdentifier(s, i);
        if (at(s, i) == u'(') {
            QStringList args = FParser.GetParameters(s, i);
            for (int a = 0; a < std::min<int>(args.size(), TfrParser::MaxArguments); ++a)
                split(args[a], depth + 1);
            if (FMatchFuncs && FSplitTo) {
                for (const QString& f : *FMatchFuncs) {
                    if (AnsiSameText(f, Trim(name))) {
                        FSplitTo->append(Trim(s.mid(k - 1, i - k)));
                        break;
                    }
                }
            }
            continue;
        }
        QString value;
        if (!name.isEmpty() && variableText(name, value)) {
            split(value, depth + 1);
            continue;
        }
        QChar c = at(s, i);
        if (c == u' ' || c == u'\r' || c == u'*' || c == u'+' || c == u'-' || c == u'/' ||
            c == u'<' || c == u'=' || c == u'>') {
            ++i;
            continue;
        }
        if (name.isEmpty()) break;
    }
}
