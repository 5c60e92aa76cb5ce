// The script language of reports, compiled by Compiler into the lines FR_Intrp.h describes
// (words are case-insensitive; {...} and // to the end of the line are comments):
//
//   script     := statement {';' statement}
//   statement  := {label ':'} [ BEGIN statement {';' statement} END
//               | IF expression THEN statement [ELSE statement]
//               | REPEAT statement {';' statement} UNTIL expression
//               | WHILE expression DO statement
//               | FOR variable ':=' expression TO expression DO statement
//               | GOTO label
//               | variable ['[' expression ']'] ':=' expression
//               | variable                          (a call of the procedure without arguments)
//               | expression ]                      (a call; its value is dropped)
//   label      := digits (the first fifteen count)
//   variable   := a Latin letter, then Latin letters, digits, '.' or '_'
//   expression := simple [('=' | '<' | '>' | '<=' | '>=' | '<>') simple]
//   simple     := term {('+' | '-' | OR) term}
//   term       := factor {('*' | '/' | AND | MOD) factor}
//   factor     := '(' expression ')' | '[' name ']' | ('+' | '-' | NOT) expression
//               | number | string | identifier ['(' [expression {',' expression}] ')']
//               | identifier '[' expression ']'     (no blank before '(' or '[')
// The compiler checks this shape and hands the text of each expression to the expression
// parser (FR_Pars.cpp), whose own rules decide its meaning. variable[i] := v becomes
// SETARRAY(variable, i, v); FOR re-evaluates its bound on every turn.
#include "FR_Intrp.h"

#include "FR_Var.h"

#include <map>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace {

struct CompileError {
    int pos; // 1-based position in the source buffer
    QString message;
};

enum TokKind { tkEnd, tkIdent, tkNumber, tkString, tkSymbol };

struct Token {
    TokKind kind = tkEnd;
    QString text;  // as written
    QString upper; // upper case
    int pos = 1;   // first character, 1-based
    int end = 1;   // one past the last character
};

bool isIdentStart(QChar c) {
    return c.isLetter() || c == u'_' || c == u'#';
}
bool isIdentChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c == u'.' || c == u'#';
}
bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}
bool isLatin(QChar c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

// A name that may be assigned: a Latin letter followed by Latin letters, digits, '.' or '_'.
bool isVariableName(const QString& s) {
    if (s.isEmpty() || !isLatin(s[0])) return false;
    for (QChar c : s)
        if (!isLatin(c) && !isDigit(c) && c != u'.' && c != u'_') return false;
    return true;
}

QString jumpLine(char16_t code, int target) {
    QString s;
    s += QChar(code);
    s += QChar(char16_t(target & 0xFF));
    s += QChar(char16_t((target >> 8) & 0xFF));
    return s;
}

int jumpTarget(const QString& line) {
    return line.size() >= 3 ? int(line[1].unicode() & 0xFF) | int(line[2].unicode() & 0xFF) << 8
                            : 0;
}

class Compiler {
public:
    Compiler(TfrParser& parser, const QString& source) : parser(parser), src(source) {
        blankComments();
    }

    std::vector<QString> lines;

    void compile() {
        next();
        // The script is a sequence of statements; a BEGIN ... END block is one of them.
        for (;;) {
            statement();
            if (tok.kind == tkEnd) break;
            if (isSym(u";"_s)) {
                next();
                if (tok.kind == tkEnd) break;
                continue;
            }
            fail(u"Need \";\" or \"end\" here"_s);
        }
        for (const PendingGoto& g : gotos) {
            auto it = labels.find(g.label);
            if (it == labels.end())
                throw CompileError{g.pos, u"Undefined label \""_s + g.label.chopped(1) + u'"'};
            setTarget(g.line, it->second);
        }
    }

private:
    struct PendingGoto {
        int line;
        QString label;
        int pos;
    };

    TfrParser& parser;
    QString src; // comments blanked out, same length as the source
    int p = 1;   // scan position
    Token tok;
    std::map<QString, int> labels;
    std::vector<PendingGoto> gotos;

    [[noreturn]] void fail(const QString& message) { throw CompileError{tok.pos, message}; }

    QChar at(int i) const { return i >= 1 && i <= src.size() ? src[i - 1] : QChar(0); }

    void blankComments() {
        int i = 1;
        while (i <= src.size()) {
            QChar c = at(i);
            if (c == u'\'') { // a string: comments do not start inside it
                ++i;
                while (i <= src.size() && at(i) != u'\'' && at(i) != u'\r')
                    ++i;
                ++i;
            } else if (c == u'{') {
                while (i <= src.size() && at(i) != u'}') {
                    if (at(i) != u'\r') src[i - 1] = u' ';
                    ++i;
                }
                if (i <= src.size()) src[i - 1] = u' ';
                ++i;
            } else if (c == u'/' && at(i + 1) == u'/') {
                while (i <= src.size() && at(i) != u'\r')
                    src[i++ - 1] = u' ';
            } else {
                ++i;
            }
        }
    }

    void next() {
        while (p <= src.size() && at(p).unicode() <= ' ')
            ++p;
        tok = Token{};
        tok.pos = p;
        if (p > src.size()) {
            tok.kind = tkEnd;
            tok.end = p;
            return;
        }
        QChar c = at(p);
        int start = p;
        if (isIdentStart(c)) {
            while (p <= src.size() && isIdentChar(at(p)))
                ++p;
            tok.kind = tkIdent;
        } else if (isDigit(c)) {
            while (isDigit(at(p)))
                ++p;
            if (at(p) == u'.' && isDigit(at(p + 1))) {
                ++p;
                while (isDigit(at(p)))
                    ++p;
            }
            tok.kind = tkNumber;
        } else if (c == u'\'') {
            ++p;
            for (;;) {
                if (p > src.size() || at(p) == u'\r')
                    throw CompileError{start, u"Unterminated string"_s};
                if (at(p) == u'\'') {
                    if (at(p + 1) == u'\'') {
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                ++p;
            }
            tok.kind = tkString;
        } else {
            QString two = src.mid(p - 1, 2);
            if (two == ":="_L1 || two == "<="_L1 || two == ">="_L1 || two == "<>"_L1)
                p += 2;
            else
                ++p;
            tok.kind = tkSymbol;
        }
        tok.text = src.mid(start - 1, p - start);
        tok.upper = tok.text.toUpper();
        tok.end = p;
    }

    bool isSym(const QString& s) const { return tok.kind == tkSymbol && tok.text == s; }
    bool isWord(const char* w) const {
        return tok.kind == tkIdent && tok.upper == QLatin1String(w);
    }
    bool atStatementEnd() const {
        return tok.kind == tkEnd || isSym(u";"_s) || isWord("END") || isWord("ELSE") ||
               isWord("UNTIL");
    }

    int emitLine(const QString& line) {
        if (int(lines.size()) >= TfrInterpretator::MaxLines) fail(u"Script is too long"_s);
        lines.push_back(line);
        return int(lines.size()) - 1;
    }
    void setTarget(int line, int target) {
        if (target > 0xFFFF) throw CompileError{tok.pos, u"Jump out of range"_s};
        QString& s = lines[line];
        s[1] = QChar(char16_t(target & 0xFF));
        s[2] = QChar(char16_t((target >> 8) & 0xFF));
    }
    QString postfix(const QString& expr, int pos) {
        try {
            return parser.ToPostfix(expr);
        } catch (const Exception& e) {
            throw CompileError{pos, e.Message};
        }
    }

    // Reads one expression and returns its source text (comments removed).
    QString expression() {
        const int start = tok.pos;
        int end = start;
        expr(end);
        return src.mid(start - 1, end - start).trimmed();
    }

    void expr(int& end) {
        simple(end);
        if (tok.kind == tkSymbol &&
            (tok.text == ">="_L1 || tok.text == "<="_L1 || tok.text == "<>"_L1 ||
             tok.text == ">"_L1 || tok.text == "<"_L1 || tok.text == "="_L1)) {
            next();
            simple(end);
        }
    }
    void simple(int& end) {
        term(end);
        while (isSym(u"+"_s) || isSym(u"-"_s) || isWord("OR")) {
            next();
            term(end);
        }
    }
    void term(int& end) {
        factor(end);
        while (isSym(u"*"_s) || isSym(u"/"_s) || isWord("AND") || isWord("MOD")) {
            next();
            factor(end);
        }
    }
    void factor(int& end) {
        if (isSym(u"("_s)) {
            next();
            expr(end);
            if (!isSym(u")"_s)) fail(u"Need \")\" here"_s);
            end = tok.end;
            next();
        } else if (isSym(u"["_s)) {
            bracketed(end);
        } else if (isSym(u"+"_s) || isSym(u"-"_s) || isWord("NOT")) {
            next();
            expr(end);
        } else if (tok.kind == tkNumber || tok.kind == tkString) {
            end = tok.end;
            next();
        } else if (tok.kind == tkIdent) {
            end = tok.end;
            const bool direct = at(tok.end) == u'(' || at(tok.end) == u'[';
            next();
            if (direct && isSym(u"("_s)) {
                next();
                if (!isSym(u")"_s)) {
                    expr(end);
                    while (isSym(u","_s)) {
                        next();
                        expr(end);
                    }
                }
                if (!isSym(u")"_s)) fail(u"Need \",\" or \")\" here"_s);
                end = tok.end;
                next();
            } else if (direct && isSym(u"["_s)) {
                next();
                expr(end);
                if (!isSym(u"]"_s)) fail(u"Need \"]\" here"_s);
                end = tok.end;
                next();
            }
        } else {
            fail(u"Need expression here"_s);
        }
    }
    // A bracketed name: everything up to the matching ']' (quotes and nesting respected).
    void bracketed(int& end) {
        int close;
        GetBracketedName(src, tok.pos, close);
        if (at(close) != u']' || close == tok.pos) fail(u"Need \"]\" here"_s);
        end = close + 1;
        p = close + 1;
        next();
    }

    void statement() {
        // labels: digits and ':' before a statement
        while (tok.kind == tkNumber && at(tok.end) == u':' && at(tok.end + 1) != u'=') {
            QString label = (tok.text + u':').left(16);
            if (!labels.count(label)) {
                if (int(labels.size()) >= TfrInterpretator::MaxLabels) fail(u"Too many labels"_s);
                labels[label] = int(lines.size());
            }
            p = tok.end + 1;
            next();
        }
        if (atStatementEnd()) return; // an empty statement
        if (isWord("BEGIN")) {
            next();
            for (;;) {
                statement();
                if (isWord("END")) {
                    next();
                    return;
                }
                if (isSym(u";"_s)) {
                    next();
                    continue;
                }
                fail(u"Need \";\" or \"end\" here"_s);
            }
        }
        if (isWord("IF")) {
            next();
            const int pos = tok.pos;
            QString cond = expression();
            if (!isWord("THEN")) fail(u"Need \"then\" here"_s);
            next();
            int jIf = emitLine(jumpLine(ttIf, 0) + postfix(cond, pos));
            statement();
            if (isWord("ELSE")) {
                int jElse = emitLine(jumpLine(ttGoto, 0));
                setTarget(jIf, int(lines.size()));
                next();
                statement();
                setTarget(jElse, int(lines.size()));
            } else {
                setTarget(jIf, int(lines.size()));
            }
            return;
        }
        if (isWord("REPEAT")) {
            next();
            const int first = int(lines.size());
            for (;;) {
                statement();
                if (isWord("UNTIL")) break;
                if (isSym(u";"_s)) {
                    next();
                    continue;
                }
                fail(u"Need \";\" or \"until\" here"_s);
            }
            next();
            const int pos = tok.pos;
            QString cond = expression();
            int j = emitLine(jumpLine(ttIf, 0) + postfix(cond, pos));
            setTarget(j, first);
            return;
        }
        if (isWord("WHILE")) {
            next();
            const int pos = tok.pos;
            QString cond = expression();
            if (!isWord("DO")) fail(u"Need \"do\" here"_s);
            next();
            int jIf = emitLine(jumpLine(ttIf, 0) + postfix(cond, pos));
            statement();
            int jBack = emitLine(jumpLine(ttGoto, 0));
            setTarget(jBack, jIf);
            setTarget(jIf, int(lines.size()));
            return;
        }
        if (isWord("FOR")) {
            next();
            if (tok.kind != tkIdent || !isVariableName(tok.text)) fail(u"Need \":=\" here"_s);
            const QString var = tok.text;
            next();
            if (!isSym(u":="_s)) fail(u"Need \":=\" here"_s);
            next();
            int pos = tok.pos;
            QString from = expression();
            if (!isWord("TO")) fail(u"Need \"to\" here"_s);
            next();
            const int toPos = tok.pos;
            QString to = expression();
            if (!isWord("DO")) fail(u"Need \"do\" here"_s);
            next();
            emitLine(var + u' ' + postfix(from, pos));
            int jIf = emitLine(jumpLine(ttIf, 0) + postfix(var + u" <= ("_s + to + u')', toPos));
            statement();
            emitLine(var + u' ' + postfix(var + u" + 1"_s, toPos));
            int jBack = emitLine(jumpLine(ttGoto, 0));
            setTarget(jBack, jIf);
            setTarget(jIf, int(lines.size()));
            return;
        }
        if (isWord("GOTO")) {
            next();
            if (tok.kind != tkNumber || tok.text.contains(u'.'))
                fail(u"\"goto\" label must be a number"_s);
            int j = emitLine(jumpLine(ttGoto, 0));
            gotos.push_back({j, (tok.text + u':').left(16), tok.pos});
            next();
            return;
        }
        if (tok.kind == tkIdent && isVariableName(tok.text) && at(tok.end) != u'(') {
            const QString name = tok.text;
            const int namePos = tok.pos;
            next();
            if (atStatementEnd()) {
                emitLine(QChar(ttProc) + postfix(name + u"(0)"_s, namePos));
                return;
            }
            QString index;
            if (isSym(u"["_s) && at(tok.pos - 1) != u' ') {
                next();
                const int ipos = tok.pos;
                index = expression();
                if (index.isEmpty()) throw CompileError{ipos, u"Need expression here"_s};
                if (!isSym(u"]"_s)) fail(u"Need \"]\" here"_s);
                next();
            }
            if (!isSym(u":="_s)) fail(u"Need \":=\" here"_s);
            next();
            const int pos = tok.pos;
            QString value = expression();
            if (index.isEmpty())
                emitLine(name + u' ' + postfix(value, pos));
            else
                emitLine(
                    QChar(ttProc) +
                    postfix(u"SETARRAY("_s + name + u", "_s + index + u", "_s + value + u')', pos));
            return;
        }
        const int pos = tok.pos;
        QString call = expression();
        emitLine(QChar(ttProc) + postfix(call, pos));
    }
};

void positionToLineCol(const QString& src, int pos, int& line, int& col) {
    // an error at the very end is reported at the end of the last line
    if (pos > src.size()) pos = std::max(1, int(src.size()));
    line = 1;
    int lineStart = 1;
    for (int i = 1; i < pos && i <= src.size(); ++i) {
        if (src[i - 1] == u'\r') {
            ++line;
            lineStart = i + 1;
        }
    }
    col = pos - lineStart + 1;
}

} // namespace

TfrInterpretator::TfrInterpretator() {
    Parser.OnGetValue = [this](const QString& name, Variant& v) { GetValue(name, v); };
    Parser.OnFunction = [this](const QString& name, const Variant& p1, const Variant& p2,
                               const Variant& p3, Variant& v) { DoFunction(name, p1, p2, p3, v); };
}

void TfrInterpretator::PrepareScript(TStrings* MemoFrom, TStrings* MemoTo, TStrings* MemoErr) {
    MemoTo->Clear();
    MemoErr->Clear();
    QString buf;
    for (int i = 0; i < MemoFrom->Count(); ++i)
        buf += MemoFrom->Get(i) + u'\r';
    buf.replace(u'\t', u' ');
    if (buf.size() > MaxSourceLength) {
        MemoErr->Add(u"Line 1/1: Script is too long"_s);
        return;
    }
    Compiler c(Parser, buf);
    try {
        c.compile();
    } catch (const CompileError& e) {
        int line, col;
        positionToLineCol(buf, e.pos, line, col);
        MemoErr->Add(u"Line "_s + QString::number(line) + u'/' + QString::number(col) + u": "_s +
                     e.message);
        return;
    }
    for (const QString& l : c.lines)
        MemoTo->Add(l);
}

void TfrInterpretator::DoScript(TStrings* Memo) {
    int i = 0;
    const int n = Memo->Count();
    while (i < n) {
        const QString line = Memo->Get(i);
        if (line.isEmpty()) {
            ++i;
            continue;
        }
        switch (line[0].unicode()) {
        case ttIf:
        case ttGoto: {
            if (line[0] == ttIf && Parser.CalcPostfix(line.mid(3)) != Variant(0)) {
                ++i;
                break;
            }
            const int target = jumpTarget(line);
            // A jump back is the turn of a loop, which may never end by itself.
            if (target <= i && LoopStopped()) return;
            i = target;
            break;
        }
        case ttProc: {
            const QString expr = line.mid(1);
            if (expr.toUpper() == "EXIT(0)"_L1) return;
            Parser.CalcPostfix(expr);
            ++i;
            break;
        }
        default: {
            int k = line.indexOf(u' ');
            QString name = k < 0 ? line : line.left(k);
            Variant v = Parser.CalcPostfix(k < 0 ? QString() : line.mid(k + 1));
            SetValue(name, v);
            ++i;
            break;
        }
        }
    }
}

void TfrInterpretator::SplitExpressions(TStrings* Memo, QStringList* MatchFuncs,
                                        QStringList* SplitTo, TfrVariables* Variables) {
    TfrFunctionSplitter splitter(MatchFuncs, SplitTo, Variables);
    for (int i = 0; i < Memo->Count(); ++i) {
        const QString line = Memo->Get(i);
        if (line.isEmpty()) continue;
        switch (line[0].unicode()) {
        case ttIf:
            splitter.Split(line.mid(3));
            break;
        case ttGoto:
            splitter.Split(QString());
            break;
        case ttProc:
            splitter.Split(line.mid(1));
            break;
        default: {
            int k = line.indexOf(u' ');
            splitter.Split(k < 0 ? QString() : line.mid(k + 1));
            break;
        }
        }
    }
}
