#include "Mask.h"

#include "Clipbrd.h"
#include "Dates.h"

#include <QLineEdit>

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

// ---- TCustomMaskEdit ----------------------------------------------------------------------------

TCustomMaskEdit::TCustomMaskEdit(TComponent* AOwner) : TCustomEdit(AOwner) {}

void TCustomMaskEdit::SetEditMask(const QString& Value) {
    QString t = GetText();
    editMask = Value;
    info = TEditMaskInfo(Value);
    if (info.IsMasked()) {
        SetMaxLength(info.Length());
        setWidgetText(info.ApplyText(t));
    } else {
        SetMaxLength(0);
        setWidgetText(t);
    }
    modified = false;
}

QString TCustomMaskEdit::GetEditText() {
    return TCustomEdit::GetTextBuf();
}

void TCustomMaskEdit::SetEditText(const QString& Value) {
    if (!info.IsMasked()) {
        TCustomEdit::SetTextBuf(Value);
        return;
    }
    QString v = Value.left(info.Length());
    // positions beyond the value are empty; literals stay
    QString e = info.EmptyText();
    for (int i = 0; i < v.size(); ++i) {
        QChar c = v[i];
        if (!info.At(i).Literal && c != info.Blank() && info.Accepts(i, c)) e[i] = c;
    }
    if (e == GetEditText()) return;
    setWidgetText(e);
    modified = false;
    Change();
}

QString TCustomMaskEdit::GetTextBuf() {
    if (!info.IsMasked()) return TCustomEdit::GetTextBuf();
    return info.TextOf(GetEditText());
}

void TCustomMaskEdit::SetTextBuf(const QString& Value) {
    if (!info.IsMasked()) {
        TCustomEdit::SetTextBuf(Value);
        return;
    }
    QString e = info.ApplyText(Value);
    if (e == GetEditText()) return;
    setWidgetText(e);
    modified = false;
    Change();
}

void TCustomMaskEdit::ValidateEdit() {
    if (!info.IsMasked() || !modified) return;
    int pos = info.FirstMissing(GetEditText());
    if (pos >= 0) ValidateError(pos);
}

void TCustomMaskEdit::ValidateError(int Pos) {
    SetSelStart(Pos);
    SetSelLength(1);
    throw EDBEditError(QString::fromUtf8(SMaskEditErr));
}

void TCustomMaskEdit::Reset() {
    if (!modified) return;
    setWidgetText(oldValue);
    modified = false;
    Change();
}

void TCustomMaskEdit::setMasked(const QString& EditText, int Cursor) {
    if (EditText != GetEditText()) {
        setWidgetText(EditText);
        modified = true;
        Change();
    }
    SetSelStart(std::clamp(Cursor, 0, info.Length()));
}

void TCustomMaskEdit::clearRange(int From, int To, int Cursor) {
    QString e = GetEditText();
    for (int i = From; i < To && i < e.size(); ++i)
        if (!info.At(i).Literal) e[i] = info.Blank();
    setMasked(e, Cursor);
}

void TCustomMaskEdit::typeChar(QChar C) {
    if (readOnly) return;
    int p = GetSelStart();
    int l = GetSelLength();
    QString e = GetEditText();
    if (l > 0) {
        for (int i = p; i < p + l && i < e.size(); ++i)
            if (!info.At(i).Literal) e[i] = info.Blank();
    }
    // a typed literal jumps past the next matching literal
    for (int i = p; i < info.Length(); ++i) {
        if (!info.At(i).Literal) break;
        if (info.At(i).Mask == C) {
            setMasked(e, i + 1);
            return;
        }
    }
    while (p < info.Length() && info.At(p).Literal)
        ++p;
    if (p >= info.Length()) {
        if (l > 0) setMasked(e, GetSelStart());
        return;
    }
    QChar c = C;
    if (!info.Accepts(p, c)) {
        // typing the literal that follows an optional position skips to it
        for (int i = p; i < info.Length(); ++i)
            if (info.At(i).Literal && info.At(i).Mask == C && !info.Required(p)) {
                setMasked(e, i + 1);
                return;
            }
        return; // refused
    }
    e[p] = c;
    ++p;
    while (p < info.Length() && info.At(p).Literal)
        ++p;
    setMasked(e, p);
}

void TCustomMaskEdit::Dispatch(TMessage& Message) {
    if (!info.IsMasked()) {
        if (Message.Msg == CM_ENTER) oldValue = GetEditText();
        TCustomEdit::Dispatch(Message);
        return;
    }
    switch (Message.Msg) {
    case WM_CHAR: {
        // the key goes through OnKeyPress first
        if (!DoKeyPress(Message)) {
            QChar c(char16_t(Message.WParam));
            if (c.unicode() == VK_BACK) {
                int p = GetSelStart(), l = GetSelLength();
                if (l > 0) {
                    clearRange(p, p + l, p);
                } else {
                    int q = p - 1;
                    while (q >= 0 && info.At(q).Literal)
                        --q;
                    if (q >= 0) clearRange(q, q + 1, q);
                }
            } else if (c.unicode() >= 32) {
                if (charCase == ecUpperCase)
                    c = c.toUpper();
                else if (charCase == ecLowerCase)
                    c = c.toLower();
                typeChar(c);
            }
        }
        Message.Result = 0;
        return; // never handed to the native edit
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: {
        if (DoKeyDown(Message)) return;
        WORD k = WORD(Message.WParam);
        if (k == VK_DELETE) {
            int p = GetSelStart(), l = std::max(1, GetSelLength());
            if (!readOnly) clearRange(p, p + l, p);
            return;
        }
        if (k == VK_ESCAPE && modified) {
            Reset();
            SelectAll();
            return;
        }
        TCustomEdit::Dispatch(Message);
        return;
    }
    case WM_PASTE: {
        if (readOnly) return;
        QString s = Clipboard()->GetAsText();
        for (QChar c : s)
            typeChar(c);
        return;
    }
    case WM_CUT:
        CopyToClipboard();
        if (!readOnly) clearRange(GetSelStart(), GetSelStart() + GetSelLength(), GetSelStart());
        return;
    case WM_CLEAR:
        if (!readOnly) clearRange(GetSelStart(), GetSelStart() + GetSelLength(), GetSelStart());
        return;
    case CM_ENTER:
        oldValue = GetEditText();
        TCustomEdit::Dispatch(Message);
        return;
    case CM_EXIT:
        ValidateEdit();
        TCustomEdit::Dispatch(Message);
        return;
    default:
        TCustomEdit::Dispatch(Message);
    }
}
