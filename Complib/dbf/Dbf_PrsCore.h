// The expression parser core: tokenises a text, compiles it into a tree of words from the
// word list a descendant fills, checks argument types (choosing between words of one name),
// folds constant parts and evaluates the tree.
#pragma once

#include "Dbf_PrsDef.h"
#include "Dbf_PrsSupp.h"

#include <memory>
#include <vector>

class TCustomExpressionParser {
public:
    TCustomExpressionParser();
    virtual ~TCustomExpressionParser();
    TCustomExpressionParser(const TCustomExpressionParser&) = delete;
    TCustomExpressionParser& operator=(const TCustomExpressionParser&) = delete;

    // Compiles text; an empty text compiles to nothing. Errors raise EParserException.
    void CompileExpression(const QString& text);
    bool HasExpression() const { return root != nullptr; }
    TExprValue Evaluate() const;
    TExpressionType ResultType() const;

    void DefineFloatVariable(const QString& name, const double* value);
    void DefineIntegerVariable(const QString& name, const int32_t* value);
    void DefineSmallIntVariable(const QString& name, const int16_t* value);
    void DefineLargeIntVariable(const QString& name, const int64_t* value);
    void DefineBooleanVariable(const QString& name, const bool* value);
    void DefineDateTimeVariable(const QString& name, const double* value);
    void DefineStringVariable(const QString& name, const char* const* value, int length = -1);
    // Adds a word (a variable, a constant or a function).
    void AddWord(std::unique_ptr<TExprWord> word);
    // Replaces the word of the same name; the maximum argument count must stay the same.
    void ReplaceFunction(std::unique_ptr<TExprWord> word);
    void RemoveWord(const QString& name);
    // Frees the compiled expression.
    virtual void ClearExpressions();

    // Folds parts without variables into constants (on by default).
    bool Optimize = true;
    QChar HexChar = '$';
    QChar ArgSeparator = ',';
    QChar DecimalSeparator = '.';

protected:
    // A descendant fills the word list (called from its constructor).
    virtual void FillExpressList() = 0;
    // Called for a name the word list lacks; a descendant may define it (then true) or raise.
    virtual bool HandleUnknownVariable(const QString& name) { return false; }
    // The bytes of a quoted text.
    virtual QByteArray TextBytes(const QString& text) const { return text.toLatin1(); }
    TExprWord* FindWord(const QString& name) const;

private:
    struct Node {
        TExprWord* word = nullptr;
        std::vector<std::unique_ptr<Node>> args;
        TExpressionType type = etUnknown;
    };
    struct Token {
        QString text;
        TExprWord* word = nullptr;
        int sign = 0; // an unknown '+' or '-' kept for sign folding
    };
    std::vector<Token> tokenize(const QString& text);
    void checkTokens(std::vector<Token>& tokens);
    std::unique_ptr<Node> parseExpression(const std::vector<Token>& t, size_t& pos);
    std::unique_ptr<Node> parsePrimary(const std::vector<Token>& t, size_t& pos);
    void checkArguments(Node* node);
    bool hasVariables(const Node* node) const;
    void optimize(std::unique_ptr<Node>& node);
    TExprValue evaluate(const Node* node) const;
    TExprWord* makeConstant(const TExprValue& v, const QString& text);

    TOCollection<TExprWord> ownedWords;
    TSortedCollection<TExprWord, QString> words;
    TOCollection<TExprWord> constants;
    std::unique_ptr<Node> root;
};
