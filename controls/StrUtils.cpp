#include "StrUtils.h"

bool AllCharsInSet(const QString& S, const TCharSet& Chars) {
    for (QChar c : S)
        if (!Chars.Contains(c)) return false;
    return true;
}

QString ReplaceStr(const QString& S, const QString& Search, const QString& Replace) {
    if (Search.isEmpty()) return S;
    QString result;
    qsizetype from = 0;
    for (;;) {
        qsizetype at = S.indexOf(Search, from);
        if (at < 0) break;
        result += QStringView(S).mid(from, at - from);
        result += Replace;
        from = at + Search.size();
    }
    result += QStringView(S).mid(from);
    return result;
}

QString MakeStr(QChar C, int Count) {
    return Count < 1 ? QString() : QString(Count, C);
}

int WordPosition(int N, const QString& S, const TCharSet& WordDelims) {
    int count = 0;
    qsizetype i = 0;
    const qsizetype len = S.size();
    while (i < len && count != N) {
        while (i < len && WordDelims.Contains(S[i]))
            ++i;
        if (i < len) {
            ++count;
            if (count == N) return int(i) + 1;
            while (i < len && !WordDelims.Contains(S[i]))
                ++i;
        }
    }
    return 0;
}

QString ExtractWord(int N, const QString& S, const TCharSet& WordDelims) {
    int p = WordPosition(N, S, WordDelims);
    if (p == 0) return QString();
    qsizetype i = p - 1;
    qsizetype end = i;
    while (end < S.size() && !WordDelims.Contains(S[end]))
        ++end;
    return S.mid(i, end - i);
}
