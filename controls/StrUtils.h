// The few text routines the control library shares: a character-set test, search and
// replace, a run of one character, and words of a text split by delimiter characters.
// Positions and word numbers count from 1.
#pragma once

#include <QSet>
#include <initializer_list>
#include <QString>

// A set of characters (any Unicode character).
class TCharSet {
public:
    TCharSet() = default;
    // The characters of Chars.
    explicit TCharSet(const QString& Chars) {
        for (QChar c : Chars)
            chars.insert(c.unicode());
    }
    TCharSet(std::initializer_list<QChar> Chars) {
        for (QChar c : Chars)
            chars.insert(c.unicode());
    }
    bool Contains(QChar C) const { return chars.contains(C.unicode()); }
    TCharSet& Include(QChar C) {
        chars.insert(C.unicode());
        return *this;
    }

private:
    QSet<char16_t> chars;
};

// True when every character of S is in Chars (true for an empty text).
bool AllCharsInSet(const QString& S, const TCharSet& Chars);
// S with every occurrence of Search replaced by Replace, left to right, without rescanning
// what was put in; an empty Search leaves S as it is.
QString ReplaceStr(const QString& S, const QString& Search, const QString& Replace);
// Count copies of C; empty for a count below 1.
QString MakeStr(QChar C, int Count);
// The position of the first character of word N (from 1), 0 when S has fewer words.
// Leading, trailing and repeated delimiters make no empty words.
int WordPosition(int N, const QString& S, const TCharSet& WordDelims);
// Word N, empty when there is none.
QString ExtractWord(int N, const QString& S, const TCharSet& WordDelims);
