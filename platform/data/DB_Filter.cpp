// Filter text: a small expression language compiled when the filter is set and evaluated
// against the record being filtered.
#include "DB.h"

#include <memory>
#include <vector>

namespace {

struct Node {
    enum Kind { Or, And, Not, Compare } kind = Compare;
    std::unique_ptr<Node> left, right;
    // Compare: operands and operator.
    enum Op { Eq, Ne, Lt, Gt, Le, Ge } op = Eq;
    struct Operand {
        bool isField = false;
        QString field;
        Variant value;
        bool isText = false;
    } a, b;
};

struct Token {
    enum Type { End, Name, Text, Number, Sym } type = End;
    QString text;
};

class Parser {
public:
    explicit Parser(const QString& s) : src(s) { next(); }

    std::unique_ptr<Node> parse() {
        auto n = parseOr();
        if (tok.type != Token::End) fail(QStringLiteral("unexpected '%1'").arg(tok.text));
        return n;
    }

private:
    [[noreturn]] void fail(const QString& why) {
        throw EDatabaseError(Format(QString::fromUtf8(SInvalidFilter), {why}));
    }

    bool isKeyword(const char* kw) const {
        return tok.type == Token::Name &&
               tok.text.compare(QLatin1String(kw), Qt::CaseInsensitive) == 0;
    }

    void next() {
        while (pos < src.size() && src[pos].isSpace())
            ++pos;
        tok = Token{};
        if (pos >= src.size()) return;
        QChar c = src[pos];
        if (c == u'\'' || c == u'"') {
            QString t;
            int j = pos + 1;
            for (;;) {
                if (j >= src.size()) fail(QStringLiteral("unterminated string"));
                if (src[j] == c) {
                    if (j + 1 < src.size() && src[j + 1] == c) {
                        t += c;
                        j += 2;
                        continue;
                    }
                    break;
                }
                t += src[j++];
            }
            pos = j + 1;
            tok = {Token::Text, t};
            return;
        }
        if (c == u'[') {
            int j = src.indexOf(u']', pos + 1);
            if (j < 0) fail(QStringLiteral("missing ']'"));
            tok = {Token::Name, src.mid(pos + 1, j - pos - 1)};
            pos = j + 1;
            return;
        }
        if (c.isDigit() ||
            ((c == u'-' || c == u'+') && pos + 1 < src.size() && src[pos + 1].isDigit())) {
            int j = pos + 1;
            while (j < src.size() && (src[j].isDigit() || src[j] == u'.'))
                ++j;
            tok = {Token::Number, src.mid(pos, j - pos)};
            pos = j;
            return;
        }
        if (c.isLetter() || c == u'_') {
            int j = pos + 1;
            while (j < src.size() && (src[j].isLetterOrNumber() || src[j] == u'_'))
                ++j;
            tok = {Token::Name, src.mid(pos, j - pos)};
            pos = j;
            return;
        }
        static const char* const syms[] = {"<>", "!=", "<=", ">=", "=", "<", ">", "(", ")"};
        for (const char* s : syms) {
            QString sym = QString::fromLatin1(s);
            if (src.mid(pos, sym.size()) == sym) {
                tok = {Token::Sym, sym};
                pos += int(sym.size());
                return;
            }
        }
        fail(QStringLiteral("unexpected '%1'").arg(c));
    }

    std::unique_ptr<Node> parseOr() {
        auto l = parseAnd();
        while (isKeyword("OR")) {
            next();
            auto n = std::make_unique<Node>();
            n->kind = Node::Or;
            n->left = std::move(l);
            n->right = parseAnd();
            l = std::move(n);
        }
        return l;
    }

    std::unique_ptr<Node> parseAnd() {
        auto l = parseNot();
        while (isKeyword("AND")) {
            next();
            auto n = std::make_unique<Node>();
            n->kind = Node::And;
            n->left = std::move(l);
            n->right = parseNot();
            l = std::move(n);
        }
        return l;
    }

    std::unique_ptr<Node> parseNot() {
        if (isKeyword("NOT")) {
            next();
            auto n = std::make_unique<Node>();
            n->kind = Node::Not;
            n->left = parseNot();
            return n;
        }
        if (tok.type == Token::Sym && tok.text == QLatin1String("(")) {
            next();
            auto n = parseOr();
            if (!(tok.type == Token::Sym && tok.text == QLatin1String(")")))
                fail(QStringLiteral("missing ')'"));
            next();
            return n;
        }
        return parseCompare();
    }

    Node::Operand parseOperand() {
        Node::Operand o;
        switch (tok.type) {
        case Token::Text:
            o.value = Variant(tok.text);
            o.isText = true;
            break;
        case Token::Number: {
            bool ok = false;
            if (tok.text.contains(u'.')) {
                double d = tok.text.toDouble(&ok);
                o.value = Variant(d);
            } else {
                qlonglong v = tok.text.toLongLong(&ok);
                o.value = Variant(v);
            }
            if (!ok) fail(QStringLiteral("bad number '%1'").arg(tok.text));
            break;
        }
        case Token::Name:
            if (isKeyword("NULL")) {
                o.value = Null();
            } else if (isKeyword("TRUE") || isKeyword("FALSE")) {
                o.value = Variant(isKeyword("TRUE"));
            } else {
                o.isField = true;
                o.field = tok.text;
            }
            break;
        default:
            fail(tok.type == Token::End ? QStringLiteral("unexpected end")
                                        : QStringLiteral("unexpected '%1'").arg(tok.text));
        }
        next();
        return o;
    }

    std::unique_ptr<Node> parseCompare() {
        auto n = std::make_unique<Node>();
        n->a = parseOperand();
        if (isKeyword("IS")) {
            next();
            bool negate = false;
            if (isKeyword("NOT")) {
                negate = true;
                next();
            }
            if (!isKeyword("NULL")) fail(QStringLiteral("NULL expected after IS"));
            next();
            n->op = negate ? Node::Ne : Node::Eq;
            n->b.value = Null();
            return n;
        }
        if (tok.type != Token::Sym || tok.text == QLatin1String("(") ||
            tok.text == QLatin1String(")"))
            fail(tok.type == Token::End ? QStringLiteral("comparison expected")
                                        : QStringLiteral("unexpected '%1'").arg(tok.text));
        const QString& s = tok.text;
        n->op = s == QLatin1String("=")                                  ? Node::Eq
                : (s == QLatin1String("<>") || s == QLatin1String("!=")) ? Node::Ne
                : s == QLatin1String("<")                                ? Node::Lt
                : s == QLatin1String(">")                                ? Node::Gt
                : s == QLatin1String("<=")                               ? Node::Le
                                                                         : Node::Ge;
        next();
        n->b = parseOperand();
        return n;
    }

    QString src;
    int pos = 0;
    Token tok;
};

struct Evaluator {
    TDataSet* ds;
    TFilterOptions options;

    Variant value(const Node::Operand& o, TField*& field) const {
        field = nullptr;
        if (!o.isField) return o.value;
        field = ds->FieldByName(o.field);
        return field->GetAsVariant();
    }

    static bool textField(TField* f) {
        if (!f) return false;
        TFieldType t = f->GetDataType();
        return t == ftString || t == ftFixedChar || t == ftWideString || t == ftMemo || t == ftGuid;
    }

    bool compare(const Node& n) const {
        TField *fa = nullptr, *fb = nullptr;
        Variant a = value(n.a, fa), b = value(n.b, fb);
        bool aNull = VarIsClear(a), bNull = VarIsClear(b);
        if (aNull || bNull) {
            if (n.op == Node::Eq) return aNull && bNull;
            if (n.op == Node::Ne) return aNull != bNull;
            return false;
        }
        int c = 0;
        bool text = (textField(fa) || textField(fb) || (VarIsStr(a) && VarIsStr(b)));
        if (text) {
            QString sa = VarToStr(a), sb = VarToStr(b);
            // A constant ending in '*' matches by prefix.
            bool partial = !options.Contains(foNoPartialCompare);
            if (partial && n.b.isText && sb.endsWith(u'*') &&
                (n.op == Node::Eq || n.op == Node::Ne)) {
                sb.chop(1);
                sa = sa.left(sb.size());
            } else if (partial && n.a.isText && sa.endsWith(u'*') &&
                       (n.op == Node::Eq || n.op == Node::Ne)) {
                sa.chop(1);
                sb = sb.left(sa.size());
            }
            c = options.Contains(foCaseInsensitive) ? AnsiCompareText(sa, sb)
                                                    : AnsiCompareStr(sa, sb);
        } else {
            TVariantRelationship r;
            try {
                r = VarCompareValue(a, b);
            } catch (const Exception& e) {
                throw EDatabaseError(Format(QString::fromUtf8(SInvalidFilter), {e.Message}));
            }
            c = r == vrEqual ? 0 : (r == vrLessThan ? -1 : 1);
        }
        switch (n.op) {
        case Node::Eq:
            return c == 0;
        case Node::Ne:
            return c != 0;
        case Node::Lt:
            return c < 0;
        case Node::Gt:
            return c > 0;
        case Node::Le:
            return c <= 0;
        case Node::Ge:
            return c >= 0;
        }
        return false;
    }

    bool eval(const Node& n) const {
        switch (n.kind) {
        case Node::Or:
            return eval(*n.left) || eval(*n.right);
        case Node::And:
            return eval(*n.left) && eval(*n.right);
        case Node::Not:
            return !eval(*n.left);
        case Node::Compare:
            return compare(n);
        }
        return false;
    }
};

} // namespace

void TDataSet::SetFilter(const QString& Value) {
    std::shared_ptr<void> program;
    if (!Value.trimmed().isEmpty()) program = std::shared_ptr<Node>(Parser(Value).parse());
    if (GetActive() && filtered) CheckBrowseMode();
    filterText = Value;
    filterProgram = program;
    if (GetActive() && filtered) First();
}

bool TDataSet::filterTextAccepts() {
    if (!filterProgram) return true;
    Evaluator e{this, filterOptions};
    return e.eval(*static_cast<Node*>(filterProgram.get()));
}
