// The expression language of the dBase engine (index keys and filters). What a word means,
// its argument types and an operator's priority come from the word list a descendant fills
// (TDbfParser: + for texts and numbers, STR, DTOS, SUBSTR, UPPER, LOWER and their long names).
//
//   expression := primary {operator primary}
//   primary    := '(' expression ')' | constant | name
//               | name '(' expression {',' expression} ')'      (a function)
//   constant   := digits ['.' digits] [('e' | 'E') ['+' | '-'] digits]   (an integer without
//                 a point or exponent)  |  '$' hex digits  |  "text"  |  'text'
//   name       := a letter or '_', then letters, digits or '_': a variable, a function, or a
//                 field of the table (HandleUnknownVariable); names ignore case
//   operator   := a word marked as operator; symbols are one character, or two for
//                 != := && || and pairs of < = >, and ++ or -- when such a word exists
// Operators of a lower priority value bind first, equal ones from the left. A run of + and -
// where an operand is expected folds into one sign: the word "+@" or "-@" when the list has
// it, else a minus goes into the numeric constant that follows. Brackets must balance;
// two operands, ")(" , ") operand", "operand (" and "()" are refused. Among the words of one
// name the first whose argument count and types fit is chosen; parts without variables are
// evaluated once when compiled (Optimize).
#include "Dbf_PrsCore.h"

char TypeLetter(TExpressionType t) {
    static const char letters[] = "BIJLFDS";
    return t >= etBoolean && t <= etString ? letters[t] : '?';
}

TExpressionType LetterType(char c) {
    switch (c) {
    case 'B':
        return etBoolean;
    case 'I':
        return etInteger;
    case 'J':
        return etSmallInt;
    case 'L':
        return etLargeInt;
    case 'F':
        return etFloat;
    case 'D':
        return etDateTime;
    case 'S':
        return etString;
    default:
        return etUnknown;
    }
}

TFunction::TFunction(const QString& name, const QString& argTypes, int minArgs,
                     TExpressionType result, TExprFunc func, bool isOperator, int priority,
                     const QString& description)
    : TExprWord(name), typeSpec(argTypes), minArgs(minArgs < 0 ? int(argTypes.size()) : minArgs),
      result(result), func(std::move(func)), isOperator(isOperator), priority(priority),
      description(description) {
    if (argTypes.size() > 6) throw EParserException("Too many arguments");
}

namespace {
[[noreturn]] void fail(const QString& message) {
    throw EParserException(message);
}

bool isOperand(const TExprWord* w) {
    return w && (w->IsConstant() || w->IsVariable());
}
bool isText(const TExprWord* w, const char* text) {
    return w && w->Name() == QLatin1String(text);
}
} // namespace

TCustomExpressionParser::TCustomExpressionParser()
    : words([](const TExprWord* w) { return w->Name(); },
            [](const QString& key, const TExprWord* w) { return key.compare(w->Name()); }) {
    AddWord(std::make_unique<TLeftBracket>());
    AddWord(std::make_unique<TRightBracket>());
    AddWord(std::make_unique<TComma>());
}

TCustomExpressionParser::~TCustomExpressionParser() = default;

TExprWord* TCustomExpressionParser::FindWord(const QString& name) const {
    int i = words.Search(name.toLower());
    return i < 0 ? nullptr : words[i];
}

void TCustomExpressionParser::AddWord(std::unique_ptr<TExprWord> word) {
    words.Insert(word.get());
    ownedWords.Add(std::move(word));
}

void TCustomExpressionParser::ReplaceFunction(std::unique_ptr<TExprWord> word) {
    TExprWord* old = FindWord(word->Name());
    if (old) {
        if (old->MaxFunctionArg() != word->MaxFunctionArg())
            throw Exception("Cannot replace variable/function MaxFunctionArg doesn't match");
        if (root) throw Exception("Cannot undefine function/variable while expression present");
        words.Remove(old);
        ownedWords.Remove(old);
    }
    AddWord(std::move(word));
}

void TCustomExpressionParser::RemoveWord(const QString& name) {
    if (root) throw Exception("Cannot undefine function/variable while expression present");
    while (TExprWord* w = FindWord(name)) {
        words.Remove(w);
        ownedWords.Remove(w);
    }
}

void TCustomExpressionParser::ClearExpressions() {
    root.reset();
    constants.Clear();
}

void TCustomExpressionParser::DefineFloatVariable(const QString& name, const double* v) {
    AddWord(std::make_unique<TFloatVariable>(name, v));
}
void TCustomExpressionParser::DefineIntegerVariable(const QString& name, const int32_t* v) {
    AddWord(std::make_unique<TIntegerVariable>(name, v));
}
void TCustomExpressionParser::DefineSmallIntVariable(const QString& name, const int16_t* v) {
    AddWord(std::make_unique<TSmallIntVariable>(name, v));
}
void TCustomExpressionParser::DefineLargeIntVariable(const QString& name, const int64_t* v) {
    AddWord(std::make_unique<TLargeIntVariable>(name, v));
}
void TCustomExpressionParser::DefineBooleanVariable(const QString& name, const bool* v) {
    AddWord(std::make_unique<TBooleanVariable>(name, v));
}
void TCustomExpressionParser::DefineDateTimeVariable(const QString& name, const double* v) {
    AddWord(std::make_unique<TDateTimeVariable>(name, v));
}
void TCustomExpressionParser::DefineStringVariable(const QString& name, const char* const* v,
                                                   int length) {
    AddWord(std::make_unique<TStringVariable>(name, v, length));
}

TExprWord* TCustomExpressionParser::makeConstant(const TExprValue& v, const QString& text) {
    auto c = std::make_unique<TConstant>(text, v);
    TExprWord* p = c.get();
    constants.Add(std::move(c));
    return p;
}

std::vector<TCustomExpressionParser::Token> TCustomExpressionParser::tokenize(const QString& s) {
    std::vector<Token> out;
    int i = 0, n = int(s.size());
    auto isNameChar = [](QChar c) { return c.isLetterOrNumber() || c == '_'; };
    while (i < n) {
        QChar c = s[i];
        if (c.isSpace()) {
            ++i;
            continue;
        }
        Token tok;
        int start = i;
        if (c == HexChar && i + 1 < n && isxdigit(s[i + 1].toLatin1())) {
            ++i;
            while (i < n && isxdigit(s[i].toLatin1()))
                ++i;
            tok.text = s.mid(start, i - start);
            tok.word = makeConstant(
                TIntegerConstant::make(s.mid(start + 1, i - start - 1).toLongLong(nullptr, 16)),
                tok.text);
        } else if (c.isDigit() || c == DecimalSeparator) {
            bool point = false;
            while (i < n && (s[i].isDigit() || (s[i] == DecimalSeparator && !point))) {
                if (s[i] == DecimalSeparator) point = true;
                ++i;
            }
            if (i < n && (s[i] == 'e' || s[i] == 'E') && i + 1 < n &&
                (s[i + 1].isDigit() ||
                 ((s[i + 1] == '+' || s[i + 1] == '-') && i + 2 < n && s[i + 2].isDigit()))) {
                point = true;
                i += 2;
                while (i < n && s[i].isDigit())
                    ++i;
            }
            tok.text = s.mid(start, i - start);
            QString num = tok.text;
            num.replace(DecimalSeparator, '.');
            bool ok = false;
            int64_t iv = point ? 0 : num.toLongLong(&ok);
            tok.word = ok ? makeConstant(TIntegerConstant::make(iv), tok.text)
                          : makeConstant(TFloatConstant::make(num.toDouble()), tok.text);
        } else if (c == '"' || c == '\'') {
            int end = s.indexOf(c, i + 1);
            if (end < 0) end = n;
            tok.text = s.mid(i + 1, end - i - 1);
            tok.word = makeConstant(TStringConstant::make(TextBytes(tok.text)), tok.text);
            i = end + 1;
        } else if (c.isLetter() || c == '_') {
            while (i < n && isNameChar(s[i]))
                ++i;
            tok.text = s.mid(start, i - start);
        } else {
            QString two = s.mid(i, 2);
            bool pair = (two.size() == 2 &&
                         (((c == '!' || c == ':') && two[1] == '=') || two == "&&" || two == "||" ||
                          (QString("<=>").contains(c) && QString("<=>").contains(two[1])))) ||
                        ((two == "++" || two == "--") && FindWord(two));
            i += pair ? 2 : 1;
            tok.text = s.mid(start, i - start);
        }
        if (!tok.word) {
            tok.word = FindWord(tok.text);
            if (!tok.word && (tok.text == "+" || tok.text == "-"))
                tok.sign = tok.text == "+" ? 1 : -1;
            else if (!tok.word) {
                if (HandleUnknownVariable(tok.text)) tok.word = FindWord(tok.text);
                if (!tok.word) fail("Unknown variable '" + tok.text + "' found.");
            }
        }
        out.push_back(tok);
    }
    return out;
}

void TCustomExpressionParser::checkTokens(std::vector<Token>& t) {
    int depth = 0;
    for (const Token& tok : t) {
        if (isText(tok.word, "("))
            ++depth;
        else if (isText(tok.word, ")") && --depth < 0)
            fail("Unequal brackets");
    }
    if (depth != 0) fail("Unequal brackets");

    // signs: a run of + and - where an operand is expected folds into one sign
    for (size_t i = 0; i < t.size(); ++i) {
        bool signPlace = i == 0 || isText(t[i - 1].word, "(") || isText(t[i - 1].word, ",") ||
                         (t[i - 1].word && t[i - 1].word->IsOperator());
        auto isSign = [](const Token& k) { return k.text == "+" || k.text == "-"; };
        if (!signPlace || !isSign(t[i])) {
            if (!t[i].word) fail("Unknown variable '" + t[i].text + "' found.");
            continue;
        }
        int sign = 1;
        size_t j = i;
        while (j < t.size() && isSign(t[j])) {
            if (t[j].text == "-") sign = -sign;
            ++j;
        }
        t.erase(t.begin() + long(i), t.begin() + long(j));
        const char* unary = sign < 0 ? "-@" : "+@";
        if (TExprWord* w = FindWord(unary)) {
            Token k;
            k.text = unary;
            k.word = w;
            t.insert(t.begin() + long(i), k);
        } else if (sign < 0) {
            if (i < t.size() && t[i].word && t[i].word->IsConstant() &&
                (t[i].word->ResultType() == etInteger || t[i].word->ResultType() == etFloat)) {
                TExprValue v = t[i].word->Value();
                v.I = -v.I;
                v.F = -v.F;
                t[i].text = "-" + t[i].text;
                t[i].word = makeConstant(v, t[i].text);
            } else {
                fail("Unknown variable '-' found.");
            }
        }
        --i; // look at the token now at i again
    }

    for (size_t i = 0; i + 1 < t.size(); ++i) {
        TExprWord* a = t[i].word;
        TExprWord* b = t[i + 1].word;
        if (isOperand(a) && isOperand(b))
            fail("Missing operator between '" + t[i].text + "' and '" + t[i + 1].text + "'");
        if (isText(a, ")") && isText(b, "(")) fail("Missing operator between )(");
        if (isText(a, ")") && isOperand(b))
            fail("Missing operator between ) and constant/variable");
        if (isOperand(a) && isText(b, "("))
            fail("Missing operator between constant/variable and (");
        if (isText(a, "(") && isText(b, ")")) fail("Empty brackets ()");
    }
}

std::unique_ptr<TCustomExpressionParser::Node>
TCustomExpressionParser::parsePrimary(const std::vector<Token>& t, size_t& pos) {
    if (pos >= t.size()) fail("Operand/function missing");
    TExprWord* w = t[pos].word;
    if (isText(w, "(")) {
        ++pos;
        auto node = parseExpression(t, pos);
        if (pos >= t.size() || !isText(t[pos].word, ")")) fail("Unequal brackets");
        ++pos;
        return node;
    }
    auto node = std::make_unique<Node>();
    node->word = w;
    if (isOperand(w)) {
        ++pos;
        return node;
    }
    if (w && w->IsFunction() && !w->IsOperator()) {
        ++pos;
        if (pos < t.size() && isText(t[pos].word, "(")) {
            ++pos;
            for (;;) {
                node->args.push_back(parseExpression(t, pos));
                if (pos < t.size() && isText(t[pos].word, ",")) {
                    ++pos;
                    continue;
                }
                if (pos < t.size() && isText(t[pos].word, ")")) {
                    ++pos;
                    break;
                }
                fail("Operand/function missing");
            }
        }
        return node;
    }
    fail("Operand/function missing");
}

std::unique_ptr<TCustomExpressionParser::Node>
TCustomExpressionParser::parseExpression(const std::vector<Token>& t, size_t& pos) {
    std::vector<std::unique_ptr<Node>> operands;
    std::vector<TExprWord*> ops;
    operands.push_back(parsePrimary(t, pos));
    while (pos < t.size() && t[pos].word && t[pos].word->IsOperator()) {
        ops.push_back(t[pos].word);
        ++pos;
        operands.push_back(parsePrimary(t, pos));
    }
    // lower priority values bind first; equal ones from the left
    while (!ops.empty()) {
        size_t k = 0;
        for (size_t i = 1; i < ops.size(); ++i)
            if (ops[i]->Priority() < ops[k]->Priority()) k = i;
        auto node = std::make_unique<Node>();
        node->word = ops[k];
        node->args.push_back(std::move(operands[k]));
        node->args.push_back(std::move(operands[k + 1]));
        operands[k] = std::move(node);
        operands.erase(operands.begin() + long(k + 1));
        ops.erase(ops.begin() + long(k));
    }
    return std::move(operands[0]);
}

void TCustomExpressionParser::checkArguments(Node* node) {
    for (auto& a : node->args)
        checkArguments(a.get());
    if (!node->word->IsFunction()) {
        node->type = node->word->ResultType();
        return;
    }
    QString name = node->word->Name();
    int first = words.Search(name);
    QString firstError;
    for (int i = first; words.Matches(i, name); ++i) {
        TExprWord* cand = words[i];
        if (!cand->IsFunction()) continue;
        int n = int(node->args.size());
        QString error;
        if (n < cand->MinFunctionArg())
            error = "Function or operand has too few arguments";
        else if (n > cand->MaxFunctionArg())
            error = "Function or operand has too many arguments";
        else {
            QString argTypes = cand->TypeSpec();
            for (int a = 0; a < n && error.isEmpty(); ++a)
                if (node->args[size_t(a)]->type != LetterType(argTypes[a].toLatin1()))
                    error = "Argument type mismatch";
        }
        if (error.isEmpty()) {
            node->word = cand;
            node->type = cand->ResultType();
            return;
        }
        if (firstError.isEmpty()) firstError = error;
    }
    fail(firstError.isEmpty() ? QString("Operand/function missing") : firstError);
}

bool TCustomExpressionParser::hasVariables(const Node* node) const {
    if (node->word->IsVariable()) return true;
    for (const auto& a : node->args)
        if (hasVariables(a.get())) return true;
    return false;
}

void TCustomExpressionParser::optimize(std::unique_ptr<Node>& node) {
    if (node->args.empty()) return;
    if (!hasVariables(node.get())) {
        try {
            TExprValue v = evaluate(node.get());
            auto leaf = std::make_unique<Node>();
            leaf->word = makeConstant(v, node->word->Name());
            leaf->type = v.Type;
            node = std::move(leaf);
        } catch (const EMathError&) {
            // the expression stays as it was
        }
        return;
    }
    for (auto& a : node->args)
        optimize(a);
}

void TCustomExpressionParser::CompileExpression(const QString& text) {
    ClearExpressions();
    if (text.trimmed().isEmpty()) return;
    try {
        std::vector<Token> tokens = tokenize(text);
        checkTokens(tokens);
        size_t pos = 0;
        std::unique_ptr<Node> tree = parseExpression(tokens, pos);
        if (pos < tokens.size()) fail("Operand/function missing");
        checkArguments(tree.get());
        if (Optimize) optimize(tree);
        root = std::move(tree);
    } catch (...) {
        ClearExpressions();
        throw;
    }
}

TExprValue TCustomExpressionParser::evaluate(const Node* node) const {
    if (!node->word->IsFunction()) return node->word->Value();
    std::vector<TExprValue> args;
    args.reserve(node->args.size());
    for (const auto& a : node->args)
        args.push_back(evaluate(a.get()));
    return static_cast<const TFunction*>(node->word)->Call(args);
}

TExprValue TCustomExpressionParser::Evaluate() const {
    if (!root) return {};
    return evaluate(root.get());
}

TExpressionType TCustomExpressionParser::ResultType() const {
    return root ? root->type : etUnknown;
}
