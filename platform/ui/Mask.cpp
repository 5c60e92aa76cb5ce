#include "Mask.h"

#include "Clipbrd.h"
#include "Dates.h"

#include <QLineEdit>

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
