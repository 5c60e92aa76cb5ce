// TCustomEdit and TCustomMemo: the text-input controls over Qt's line and plain-text editors.
#include "StdCtrls.h"

#include "Clipbrd.h"
#include "SysUtils.h"
#include "StdCtrlsInternal.h"
#include "UiInternal.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <algorithm>

using namespace stdctrls;

// ---- TCustomEdit ------------------------------------------------------------------------------

TCustomEdit::TCustomEdit(TComponent* AOwner) : TWinControl(AOwner) {
    SetBounds(0, 0, 121, 21);
    SetTabStop(true);
    SetParentColor(false);
    color = clWindow;
}

TCustomEdit::~TCustomEdit() = default;

QLineEdit* TCustomEdit::LineEdit() const {
    return handle ? qobject_cast<QLineEdit*>(static_cast<QWidget*>(handle)) : nullptr;
}

QWidget* TCustomEdit::CreateWindowWidget(const TCreateParams&, QWidget* ParentWidget) {
    auto* e = new QLineEdit(ParentWidget);
    e->setFrame(borderStyle != bsNone);
    return e;
}

void TCustomEdit::CreateWnd() {
    ++settingText;
    TWinControl::CreateWnd();
    QLineEdit* e = LineEdit();
    if (e) {
        e->setText(text);
        e->setMaxLength(maxLength > 0 ? maxLength : 32767);
        e->setReadOnly(readOnly);
        e->setEchoMode(passwordChar.isNull() ? QLineEdit::Normal : QLineEdit::Password);
        if (selStart <= text.size())
            e->setSelection(selStart, std::min<int>(selLength, int(text.size()) - selStart));
        QObject::connect(e, &QLineEdit::textChanged, e,
                         [this](const QString&) { widgetTextChanged(); });
    }
    --settingText;
}

void TCustomEdit::widgetTextChanged() {
    if (settingText) return;
    modified = true;
    guarded(this, [this] { Change(); });
}

QString TCustomEdit::GetTextBuf() {
    if (QLineEdit* e = LineEdit()) return e->text();
    return text;
}

void TCustomEdit::setWidgetText(const QString& Value) {
    text = Value;
    if (QLineEdit* e = LineEdit()) {
        ++settingText;
        e->setText(Value);
        --settingText;
    }
}

void TCustomEdit::SetTextBuf(const QString& Value) {
    QString v = Value;
    if (maxLength > 0 && v.size() > maxLength && !LineEdit()) v.truncate(maxLength);
    if (GetTextBuf() == v) return;
    setWidgetText(v);
    modified = false;
    Change();
}

void TCustomEdit::Change() {
    if (!IsLoading() && OnChange) OnChange(this);
}

void TCustomEdit::SetMaxLength(int Value) {
    maxLength = Value;
    // the line edit sets its text anew on every call, dropping the selection: only a change
    const int limit = Value > 0 ? Value : 32767;
    if (QLineEdit* e = LineEdit(); e && e->maxLength() != limit) e->setMaxLength(limit);
}

void TCustomEdit::SetReadOnly(bool Value) {
    readOnly = Value;
    applyReadOnly();
}

void TCustomEdit::applyReadOnly() {
    if (QLineEdit* e = LineEdit()) e->setReadOnly(readOnly);
}

void TCustomEdit::SetPasswordChar(QChar Value) {
    passwordChar = Value;
    if (QLineEdit* e = LineEdit())
        e->setEchoMode(Value.isNull() ? QLineEdit::Normal : QLineEdit::Password);
}

void TCustomEdit::SetCharCase(TEditCharCase Value) {
    charCase = Value;
    if (Value != ecNormal)
        SetText(Value == ecUpperCase ? AnsiUpperCase(GetText()) : GetText().toLower());
}

void TCustomEdit::SetBorderStyle(TBorderStyle Value) {
    borderStyle = Value;
    if (QLineEdit* e = LineEdit()) e->setFrame(Value != bsNone);
}

int TCustomEdit::GetSelStart() {
    if (QLineEdit* e = LineEdit())
        return e->hasSelectedText() ? e->selectionStart() : e->cursorPosition();
    return selStart;
}

int TCustomEdit::GetSelLength() {
    if (QLineEdit* e = LineEdit()) return e->hasSelectedText() ? e->selectionLength() : 0;
    return selLength;
}

void TCustomEdit::SetSelStart(int Value) {
    selStart = std::clamp(Value, 0, int(GetText().size()));
    selLength = 0;
    if (QLineEdit* e = LineEdit()) {
        e->deselect();
        e->setCursorPosition(selStart);
    }
}

void TCustomEdit::SetSelLength(int Value) {
    int start = GetSelStart();
    selLength = std::clamp(Value, 0, int(GetText().size()) - start);
    selStart = start;
    if (QLineEdit* e = LineEdit()) e->setSelection(start, selLength);
}

QString TCustomEdit::GetSelText() {
    return GetText().mid(GetSelStart(), GetSelLength());
}

void TCustomEdit::SetSelText(const QString& Value) {
    QString t = GetText();
    int s = GetSelStart();
    t.replace(s, GetSelLength(), Value);
    SetTextBuf(t);
    modified = true;
    SetSelStart(s + int(Value.size()));
}

void TCustomEdit::SelectAll() {
    selStart = 0;
    selLength = int(GetText().size());
    if (QLineEdit* e = LineEdit()) e->selectAll();
}

void TCustomEdit::ClearSelection() {
    if (GetSelLength() > 0) SetSelText(QString());
}

void TCustomEdit::CopyToClipboard() {
    if (GetSelLength() > 0 && passwordChar.isNull()) Clipboard()->SetAsText(GetSelText());
}

void TCustomEdit::CutToClipboard() {
    if (readOnly) return;
    CopyToClipboard();
    ClearSelection();
}

void TCustomEdit::PasteFromClipboard() {
    if (!readOnly) SetSelText(Clipboard()->GetAsText());
}

void TCustomEdit::Undo() {
    if (QLineEdit* e = LineEdit()) e->undo();
}

bool TCustomEdit::GetCanUndo() {
    QLineEdit* e = LineEdit();
    return e && e->isUndoAvailable();
}

void TCustomEdit::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case WM_PAINT:
        // the native widget paints itself (a paint into a given canvas goes the usual way)
        if (Message.WParam == 0) {
            DefaultHandler(Message);
            return;
        }
        TWinControl::Dispatch(Message);
        return;
    case WM_CHAR:
        if (charCase != ecNormal && Message.WParam >= 32)
            Message.WParam = applyCase(QChar(char16_t(Message.WParam)), charCase).unicode();
        TWinControl::Dispatch(Message);
        return;
    case CM_ENTER:
        TWinControl::Dispatch(Message);
        if (autoSelect && !(GetKeyState(VK_LBUTTON) & 0x8000)) SelectAll();
        return;
    case EM_GETSEL: {
        int s = GetSelStart(), l = GetSelLength();
        if (Message.WParam) *reinterpret_cast<int*>(Message.WParam) = s;
        if (Message.LParam) *reinterpret_cast<int*>(Message.LParam) = s + l;
        Message.Result = MAKELONG(s, s + l);
        return;
    }
    case EM_SETSEL: {
        int s = int(Message.WParam), e = int(Message.LParam);
        if (s < 0) {
            SetSelStart(GetSelStart());
            return;
        }
        if (e < 0 || e > GetText().size()) e = int(GetText().size());
        SetSelStart(std::min(s, e));
        SetSelLength(std::abs(e - s));
        return;
    }
    case EM_GETMODIFY:
        Message.Result = modified ? 1 : 0;
        return;
    case EM_SETMODIFY:
        modified = Message.WParam != 0;
        return;
    case EM_LIMITTEXT:
        SetMaxLength(int(Message.WParam));
        return;
    case EM_SETREADONLY:
        SetReadOnly(Message.WParam != 0);
        Message.Result = 1;
        return;
    case EM_CANUNDO:
        Message.Result = GetCanUndo() ? 1 : 0;
        return;
    case EM_UNDO:
    case WM_UNDO:
        Undo();
        Message.Result = 1;
        return;
    case WM_CUT:
        CutToClipboard();
        return;
    case WM_COPY:
        CopyToClipboard();
        return;
    case WM_PASTE:
        PasteFromClipboard();
        return;
    case WM_CLEAR:
        ClearSelection();
        return;
    case WM_GETDLGCODE:
        Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_HASSETSEL;
        return;
    default:
        TWinControl::Dispatch(Message);
    }
}

// ---- TCustomMemo ------------------------------------------------------------------------------

namespace {
// Lines of a memo: a view of its text.
class TMemoStrings : public TStrings {
public:
    explicit TMemoStrings(TCustomMemo* M) : memo(M) {}
    int GetCount() const override { return int(lines().size()); }
    QString Get(int Index) const override {
        QStringList l = lines();
        if (Index < 0 || Index >= l.size())
            Error(QStringLiteral("List index out of bounds (%d)"), Index);
        return l[Index];
    }
    void Put(int Index, const QString& S) override {
        QStringList l = lines();
        if (Index < 0 || Index >= l.size())
            Error(QStringLiteral("List index out of bounds (%d)"), Index);
        l[Index] = S;
        set(l);
    }
    void Insert(int Index, const QString& S) override {
        QStringList l = lines();
        if (Index < 0 || Index > l.size())
            Error(QStringLiteral("List index out of bounds (%d)"), Index);
        l.insert(Index, S);
        set(l);
    }
    void Delete(int Index) override {
        QStringList l = lines();
        if (Index < 0 || Index >= l.size())
            Error(QStringLiteral("List index out of bounds (%d)"), Index);
        l.removeAt(Index);
        set(l);
    }
    void Clear() override { memo->SetText(QString()); }
    void SetTextStr(const QString& Value) override { memo->SetText(Value); }
    QString GetTextStr() const override { return memo->GetText(); }

private:
    QStringList lines() const {
        QString t = memo->GetText();
        t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        if (t.isEmpty()) return {};
        if (t.endsWith(u'\n')) t.chop(1);
        return t.split(u'\n');
    }
    void set(const QStringList& l) { memo->SetText(l.join(QStringLiteral("\n"))); }
    TCustomMemo* memo;
};
} // namespace

TCustomMemo::TCustomMemo(TComponent* AOwner) : TCustomEdit(AOwner) {
    lines = std::make_unique<TMemoStrings>(this);
    SetBounds(0, 0, 185, 89);
    autoSelect = false;
}

TCustomMemo::~TCustomMemo() = default;

QPlainTextEdit* TCustomMemo::TextEdit() const {
    return handle ? qobject_cast<QPlainTextEdit*>(static_cast<QWidget*>(handle)) : nullptr;
}

void TCustomMemo::SetLines(TStrings* Value) {
    lines->Assign(Value);
}

QWidget* TCustomMemo::CreateWindowWidget(const TCreateParams&, QWidget* ParentWidget) {
    auto* e = new QPlainTextEdit(ParentWidget);
    e->setFrameShape(borderStyle == bsNone ? QFrame::NoFrame : QFrame::StyledPanel);
    return e;
}

void TCustomMemo::applyOptions() {
    QPlainTextEdit* e = TextEdit();
    if (!e) return;
    e->setReadOnly(readOnly);
    e->setLineWrapMode(wordWrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    bool h = scrollBars == ssHorizontal || scrollBars == ssBoth;
    bool v = scrollBars == ssVertical || scrollBars == ssBoth;
    e->setHorizontalScrollBarPolicy(h ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    e->setVerticalScrollBarPolicy(v ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
}

void TCustomMemo::CreateWnd() {
    ++settingText;
    TWinControl::CreateWnd();
    if (QPlainTextEdit* e = TextEdit()) {
        e->setPlainText(text);
        applyOptions();
        QObject::connect(e, &QPlainTextEdit::textChanged, e, [this]() { widgetTextChanged(); });
    }
    --settingText;
}

QString TCustomMemo::GetTextBuf() {
    if (QPlainTextEdit* e = TextEdit()) return e->toPlainText();
    return text;
}

void TCustomMemo::SetTextBuf(const QString& Value) {
    QString v = Value;
    v.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (GetTextBuf() == v) return;
    text = v;
    if (QPlainTextEdit* e = TextEdit()) {
        ++settingText;
        e->setPlainText(v);
        --settingText;
    }
    modified = false;
    Change();
}

void TCustomMemo::SetWordWrap(bool Value) {
    wordWrap = Value;
    applyOptions();
}

void TCustomMemo::SetScrollBars(TScrollStyle Value) {
    scrollBars = Value;
    applyOptions();
}

void TCustomMemo::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case WM_GETDLGCODE:
        Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_HASSETSEL;
        if (wantReturns) Message.Result |= DLGC_WANTALLKEYS;
        if (wantTabs) Message.Result |= DLGC_WANTTAB;
        return;
    case WM_CHAR:
        if (Message.WParam == VK_RETURN && !wantReturns) return;
        if (charCase != ecNormal && Message.WParam >= 32)
            Message.WParam = applyCase(QChar(char16_t(Message.WParam)), charCase).unicode();
        TWinControl::Dispatch(Message);
        return;
    case EM_GETSEL:
    case EM_SETSEL:
    case WM_CUT:
    case WM_COPY:
    case WM_PASTE:
    case WM_CLEAR:
        // the memo keeps its selection in the text widget
        if (QPlainTextEdit* e = TextEdit()) {
            QTextCursor c = e->textCursor();
            if (Message.Msg == EM_GETSEL) {
                Message.Result = MAKELONG(c.selectionStart(), c.selectionEnd());
            } else if (Message.Msg == EM_SETSEL) {
                c.setPosition(int(Message.WParam));
                c.setPosition(Message.LParam < 0 ? int(GetText().size()) : int(Message.LParam),
                              QTextCursor::KeepAnchor);
                e->setTextCursor(c);
            } else if (Message.Msg == WM_COPY) {
                if (c.hasSelection()) Clipboard()->SetAsText(c.selectedText());
            } else if (!readOnly) {
                if (Message.Msg == WM_CUT && c.hasSelection())
                    Clipboard()->SetAsText(c.selectedText());
                if (Message.Msg == WM_PASTE)
                    c.insertText(Clipboard()->GetAsText());
                else
                    c.removeSelectedText();
            }
            return;
        }
        TCustomEdit::Dispatch(Message);
        return;
    case CM_ENTER:
        TWinControl::Dispatch(Message);
        return;
    default:
        TCustomEdit::Dispatch(Message);
    }
}
