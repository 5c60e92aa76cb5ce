#include "MaskUtils.h"

#include "Dates.h"

#include <QStringList>
#include <algorithm>

// ---- TEditMaskInfo ------------------------------------------------------------------------------

TEditMaskInfo::TEditMaskInfo(const QString& EditMask) {
    // split into the three fields at unescaped ';'
    QStringList fields;
    QString cur;
    for (int i = 0; i < EditMask.size(); ++i) {
        QChar c = EditMask[i];
        if (c == u'\\' && i + 1 < EditMask.size()) {
            cur += c;
            cur += EditMask[++i];
        } else if (c == u';' && fields.size() < 2) {
            fields << cur;
            cur.clear();
        } else {
            cur += c;
        }
    }
    fields << cur;
    // the last fields are the options only when there are three, or two and the second is
    // one character
    QString mask = fields[0];
    if (fields.size() >= 2) saveLiterals = fields[1] != QStringLiteral("0");
    if (fields.size() >= 3 && !fields[2].isEmpty()) blank = fields[2][0];
    int caseMode = 0;
    for (int i = 0; i < mask.size(); ++i) {
        QChar c = mask[i];
        switch (c.unicode()) {
        case '!':
            reverse = true;
            continue;
        case '>':
            if (i + 1 < mask.size() && mask[i + 1] == u'<') {
                ++i;
                caseMode = 0;
            } else {
                caseMode = 1;
            }
            continue;
        case '<':
            if (i + 1 < mask.size() && mask[i + 1] == u'>') {
                ++i;
                caseMode = 0;
            } else {
                caseMode = 2;
            }
            continue;
        case '\\':
            if (i + 1 < mask.size()) positions.push_back(Slot{mask[++i], true, 0});
            continue;
        case '0':
        case '9':
        case '#':
        case 'L':
        case 'l':
        case 'A':
        case 'a':
        case 'C':
        case 'c':
            positions.push_back(Slot{c, false, caseMode});
            continue;
        case '/':
            positions.push_back(Slot{FormatSettings.DateSeparator, true, 0});
            continue;
        case ':':
            positions.push_back(Slot{FormatSettings.TimeSeparator, true, 0});
            continue;
        case '_':
            positions.push_back(Slot{u' ', true, 0});
            continue;
        default:
            positions.push_back(Slot{c, true, 0});
        }
    }
}

bool TEditMaskInfo::Accepts(int I, QChar& C) const {
    if (I < 0 || I >= Length() || positions[size_t(I)].Literal) return false;
    const Slot& s = positions[size_t(I)];
    bool ok = false;
    switch (s.Mask.unicode()) {
    case '0':
    case '9':
        ok = C.isDigit();
        break;
    case '#':
        ok = C.isDigit() || C == u'+' || C == u'-';
        break;
    case 'L':
    case 'l':
        ok = C.isLetter();
        break;
    case 'A':
    case 'a':
        ok = C.isLetterOrNumber();
        break;
    default:
        ok = C.unicode() >= 32;
        break;
    }
    if (ok && s.Case == 1)
        C = C.toUpper();
    else if (ok && s.Case == 2)
        C = C.toLower();
    return ok;
}

bool TEditMaskInfo::Required(int I) const {
    const Slot& s = positions[size_t(I)];
    return !s.Literal && (s.Mask == u'0' || s.Mask == u'L' || s.Mask == u'A' || s.Mask == u'C');
}

QString TEditMaskInfo::EmptyText() const {
    QString r;
    for (const Slot& s : positions)
        r += s.Literal ? s.Mask : blank;
    return r;
}

QString TEditMaskInfo::ApplyText(const QString& Value) const {
    QString r = EmptyText();
    if (saveLiterals) {
        for (int i = 0; i < Length() && i < Value.size(); ++i) {
            QChar c = Value[i];
            if (!positions[size_t(i)].Literal && c != u' ' && c != blank && Accepts(i, c)) r[i] = c;
        }
        return r;
    }
    int entries = 0;
    for (const Slot& s : positions)
        entries += !s.Literal;
    int skip = reverse ? std::max(0, entries - int(Value.size())) : 0;
    int j = 0;
    for (int i = 0; i < Length(); ++i) {
        if (positions[size_t(i)].Literal) continue;
        if (skip > 0) {
            --skip;
            continue;
        }
        if (j >= Value.size()) break;
        QChar c = Value[j++];
        if (c != u' ' && c != blank && Accepts(i, c)) r[i] = c;
    }
    return r;
}

QString TEditMaskInfo::TextOf(const QString& EditText) const {
    QString r;
    for (int i = 0; i < Length(); ++i) {
        QChar c = i < EditText.size() ? EditText[i] : blank;
        if (positions[size_t(i)].Literal) {
            if (saveLiterals) r += positions[size_t(i)].Mask;
        } else {
            r += c == blank ? QChar(u' ') : c;
        }
    }
    return r;
}

int TEditMaskInfo::FirstMissing(const QString& EditText) const {
    for (int i = 0; i < Length(); ++i)
        if (Required(i) && (i >= EditText.size() || EditText[i] == blank || EditText[i] == u' '))
            return i;
    return -1;
}

bool TEditMaskInfo::AllBlank(const QString& EditText) const {
    for (int i = 0; i < Length() && i < EditText.size(); ++i)
        if (!positions[size_t(i)].Literal && EditText[i] != blank && EditText[i] != u' ')
            return false;
    return true;
}

QString FormatMaskText(const QString& EditMask, const QString& Value) {
    TEditMaskInfo m(EditMask);
    if (!m.IsMasked()) return Value;
    QString e = m.ApplyText(Value);
    QString r;
    for (int i = 0; i < m.Length(); ++i)
        r += (!m.At(i).Literal && e[i] == m.Blank()) ? QChar(u' ') : e[i];
    return r;
}
