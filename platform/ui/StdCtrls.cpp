#include "StdCtrls.h"

#include "ActnList.h"
#include "Clipbrd.h"
#include "SysUtils.h"
#include "UiInternal.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProxyStyle>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QStyledItemDelegate>
#include <QTextBlock>
#include <algorithm>

// ---- helpers ----------------------------------------------------------------------------------

QString StripHotkey(const QString& Text) {
    QString r;
    for (int i = 0; i < Text.size(); ++i) {
        if (Text[i] == u'&' && i + 1 < Text.size()) {
            ++i;
            r += Text[i];
        } else if (Text[i] != u'&') {
            r += Text[i];
        }
    }
    return r;
}

QChar GetHotkey(const QString& Text) {
    for (int i = 0; i + 1 < Text.size(); ++i) {
        if (Text[i] == u'&') {
            if (Text[i + 1] != u'&') return Text[i + 1];
            ++i;
        }
    }
    return QChar();
}

bool IsAccel(WORD VK, const QString& Str) {
    QChar h = GetHotkey(Str);
    return !h.isNull() && h.toUpper() == QChar(VK).toUpper();
}

namespace {
// Sends a notification through the control's window procedure (hooks see it).
void notify(TWinControl* C, WORD Code) {
    if (C->HandleAllocated())
        if (TWndBridge* b = BridgeOf(C->GetHandle())) {
            b->send(CN_COMMAND, MAKEWPARAM(0, Code), 0);
            return;
        }
    C->Perform(CN_COMMAND, MAKEWPARAM(0, Code), 0);
}

// Runs code called from a Qt signal: exceptions go to the application.
template <typename F> void guarded(TObject* Sender, F&& f) {
    try {
        f();
    } catch (...) {
        HandleCurrentException(Sender);
    }
}

void inflateRect(TRect& R, int DX, int DY) {
    R.Left -= DX;
    R.Top -= DY;
    R.Right += DX;
    R.Bottom += DY;
}

void offsetRect(TRect& R, int DX, int DY) {
    R.Left += DX;
    R.Right += DX;
    R.Top += DY;
    R.Bottom += DY;
}

QChar applyCase(QChar C, TEditCharCase Case) {
    if (Case == ecUpperCase) return C.toUpper();
    if (Case == ecLowerCase) return C.toLower();
    return C;
}
} // namespace

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

// ---- TCustomComboBox --------------------------------------------------------------------------

namespace {
// Drops the list below the combo box with DropDownCount rows, as every style of ours does (some
// Qt styles show a non-editable combo's whole list as a menu over the combo instead).
class TComboStyle : public QProxyStyle {
public:
    int styleHint(StyleHint Hint, const QStyleOption* Option, const QWidget* Widget,
                  QStyleHintReturn* Return) const override {
        if (Hint == SH_ComboBox_Popup) return 0;
        return QProxyStyle::styleHint(Hint, Option, Widget, Return);
    }
    static TComboStyle* Instance() {
        static QPointer<TComboStyle> one;
        if (!one) {
            one = new TComboStyle;
            one->setParent(QCoreApplication::instance());
        }
        return one;
    }
};

class TComboWidget : public QComboBox {
public:
    TComboWidget(QWidget* parent, TCustomComboBox* c) : QComboBox(parent), combo(c) {
        setStyle(TComboStyle::Instance());
    }
    // A drop-down list draws its field as an edit field: the chosen item in the control's
    // colours, and while the combo has the focus in the selection colours with a focus mark.
    void paintEvent(QPaintEvent* e) override {
        if (isEditable()) {
            QComboBox::paintEvent(e);
            return;
        }
        QStylePainter p(this);
        QStyleOptionComboBox opt;
        initStyleOption(&opt);
        opt.currentText.clear();
        opt.currentIcon = QIcon();
        p.drawComplexControl(QStyle::CC_ComboBox, opt);
        QRect field =
            style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, this);
        const bool focused = hasFocus() && !(view() && view()->isVisible());
        const QPalette& pal = palette();
        const QPalette::ColorGroup g = isEnabled() ? QPalette::Active : QPalette::Disabled;
        p.fillRect(field, pal.color(g, focused ? QPalette::Highlight : QPalette::Base));
        const int index = currentIndex();
        const bool ownerDraw =
            (combo->GetStyle() == csOwnerDrawFixed || combo->GetStyle() == csOwnerDrawVariable) &&
            combo->OnDrawItem;
        if (ownerDraw && index >= 0) {
            TCanvas c;
            c.SetHandle(&p);
            TOwnerDrawState st{odComboBoxEdit};
            if (focused) st += TOwnerDrawState{odSelected, odFocused};
            combo->SetDrawCanvas(&c);
            guarded(combo, [&] {
                combo->OnDrawItem(
                    combo, index,
                    TRect{field.left(), field.top(), field.right() + 1, field.bottom() + 1}, st);
            });
            combo->SetDrawCanvas(nullptr);
            c.SetHandle(nullptr);
        } else {
            p.setPen(pal.color(g, focused ? QPalette::HighlightedText : QPalette::Text));
            p.drawText(field.adjusted(2, 0, -2, 0), Qt::AlignLeft | Qt::AlignVCenter,
                       currentText());
        }
        if (focused) {
            p.setPen(QPen(pal.color(g, QPalette::HighlightedText), 1, Qt::DotLine));
            p.setBrush(Qt::NoBrush);
            p.drawRect(field.adjusted(0, 0, -1, -1));
        }
    }
    void showPopup() override {
        notify(combo, CBN_DROPDOWN);
        QComboBox::showPopup();
    }
    void hidePopup() override {
        bool was = view() && view()->isVisible();
        QComboBox::hidePopup();
        if (was) notify(combo, CBN_CLOSEUP);
    }
    TCustomComboBox* combo;
};

// Paints the items of an owner-drawn combo box through OnDrawItem.
class TOwnerDrawDelegate : public QStyledItemDelegate {
public:
    TOwnerDrawDelegate(QObject* parent, TCustomComboBox* c)
        : QStyledItemDelegate(parent), combo(c) {}
    void paint(QPainter* p, const QStyleOptionViewItem& o, const QModelIndex& i) const override {
        if (!combo->OnDrawItem) {
            QStyledItemDelegate::paint(p, o, i);
            return;
        }
        TCanvas c;
        c.SetHandle(p);
        TOwnerDrawState st;
        if (o.state & QStyle::State_Selected) st.Include(odSelected);
        QRect r = o.rect;
        combo->SetDrawCanvas(&c);
        guarded(combo, [&] {
            combo->OnDrawItem(combo, i.row(),
                              TRect{r.left(), r.top(), r.right() + 1, r.bottom() + 1}, st);
        });
        combo->SetDrawCanvas(nullptr);
        c.SetHandle(nullptr);
    }
    QSize sizeHint(const QStyleOptionViewItem& o, const QModelIndex& i) const override {
        QSize s = QStyledItemDelegate::sizeHint(o, i);
        int h = combo->GetItemHeight();
        if (combo->GetStyle() == csOwnerDrawVariable && combo->OnMeasureItem)
            guarded(combo, [&] { combo->OnMeasureItem(combo, i.row(), h); });
        s.setHeight(h);
        return s;
    }
    TCustomComboBox* combo;
};
} // namespace

TCustomComboBox::TCustomComboBox(TComponent* AOwner) : TWinControl(AOwner) {
    items = std::make_unique<TStringList>();
    items->OnChange = [this](TObject* S) { itemsChanged(S); };
    SetBounds(0, 0, 145, 21);
    SetTabStop(true);
    SetParentColor(false);
    color = clWindow;
}

TCustomComboBox::~TCustomComboBox() {
    items->OnChange = nullptr;
}

QComboBox* TCustomComboBox::ComboBox() const {
    return handle ? qobject_cast<QComboBox*>(static_cast<QWidget*>(handle)) : nullptr;
}

QWidget* TCustomComboBox::CreateWindowWidget(const TCreateParams&, QWidget* ParentWidget) {
    return new TComboWidget(ParentWidget, this);
}

void TCustomComboBox::CreateWnd() {
    ++syncing;
    TWinControl::CreateWnd();
    QComboBox* cb = ComboBox();
    if (cb) {
        bool editable = style == csDropDown || style == csSimple;
        cb->setEditable(editable);
        cb->setInsertPolicy(QComboBox::NoInsert);
        cb->setMaxVisibleItems(std::max(1, dropDownCount));
        if (style == csOwnerDrawFixed || style == csOwnerDrawVariable)
            cb->setItemDelegate(new TOwnerDrawDelegate(cb, this));
        syncItems();
        cb->setCurrentIndex(itemIndex);
        if (editable) {
            cb->setEditText(text);
            if (maxLength > 0) cb->lineEdit()->setMaxLength(maxLength);
            QObject::connect(cb, &QComboBox::editTextChanged, cb, [this](const QString&) {
                if (!syncing) notify(this, CBN_EDITCHANGE);
            });
        }
        QObject::connect(cb, &QComboBox::activated, cb, [this](int) {
            if (!syncing) notify(this, CBN_SELCHANGE);
        });
    }
    --syncing;
}

void TCustomComboBox::DestroyWnd() {
    if (QComboBox* cb = ComboBox()) itemIndex = cb->currentIndex();
    TWinControl::DestroyWnd();
}

void TCustomComboBox::syncItems() {
    QComboBox* cb = ComboBox();
    if (!cb) return;
    ++syncing;
    QString t = cb->isEditable() ? cb->currentText() : QString();
    int idx = cb->currentIndex();
    cb->clear();
    cb->addItems(items->ToStringList());
    cb->setCurrentIndex(idx < cb->count() ? idx : -1);
    if (cb->isEditable()) cb->setEditText(t);
    --syncing;
}

void TCustomComboBox::itemsChanged(TObject*) {
    if (itemIndex >= items->Count()) itemIndex = -1;
    syncItems();
}

int TCustomComboBox::GetItemIndex() {
    if (QComboBox* cb = ComboBox()) return cb->currentIndex();
    return itemIndex;
}

void TCustomComboBox::SetItemIndex(int Value) {
    if (Value < -1 || Value >= items->Count()) Value = -1;
    itemIndex = Value;
    if (QComboBox* cb = ComboBox()) {
        ++syncing;
        cb->setCurrentIndex(Value);
        if (Value < 0 && cb->isEditable()) cb->setEditText(QString());
        --syncing;
    } else {
        text = Value >= 0 ? items->Get(Value) : QString();
    }
}

QString TCustomComboBox::GetTextBuf() {
    if (QComboBox* cb = ComboBox()) return cb->currentText();
    if (style == csDropDownList || style == csOwnerDrawFixed || style == csOwnerDrawVariable)
        return itemIndex >= 0 ? items->Get(itemIndex) : QString();
    return text;
}

void TCustomComboBox::SetTextBuf(const QString& Value) {
    bool editable = style == csDropDown || style == csSimple;
    if (!editable) {
        SetItemIndex(items->IndexOf(Value));
        return;
    }
    text = Value;
    int i = items->IndexOf(Value);
    if (QComboBox* cb = ComboBox()) {
        ++syncing;
        if (i >= 0 && items->Get(i) == Value) cb->setCurrentIndex(i);
        cb->setEditText(Value);
        --syncing;
    } else {
        itemIndex = (i >= 0 && items->Get(i) == Value) ? i : -1;
    }
}

void TCustomComboBox::SetStyle(TComboBoxStyle Value) {
    if (style == Value) return;
    itemIndex = GetItemIndex();
    text = GetTextBuf();
    style = Value;
    RecreateWnd();
}

void TCustomComboBox::SetDropDownCount(int Value) {
    dropDownCount = Value;
    if (QComboBox* cb = ComboBox()) cb->setMaxVisibleItems(std::max(1, Value));
}

void TCustomComboBox::SetSorted(bool Value) {
    sorted = Value;
    items->SetSorted(Value);
}

void TCustomComboBox::SetMaxLength(int Value) {
    maxLength = Value;
    if (QComboBox* cb = ComboBox())
        if (cb->lineEdit()) cb->lineEdit()->setMaxLength(Value > 0 ? Value : 32767);
}

bool TCustomComboBox::GetDroppedDown() {
    QComboBox* cb = ComboBox();
    return cb && cb->view() && cb->view()->isVisible();
}

void TCustomComboBox::SetDroppedDown(bool Value) {
    HandleNeeded();
    if (QComboBox* cb = ComboBox()) {
        if (Value && !GetDroppedDown())
            cb->showPopup();
        else if (!Value && GetDroppedDown())
            cb->hidePopup();
    }
}

int TCustomComboBox::GetSelStart() {
    QComboBox* cb = ComboBox();
    return cb && cb->lineEdit() ? cb->lineEdit()->cursorPosition() : 0;
}

void TCustomComboBox::SetSelStart(int Value) {
    if (QComboBox* cb = ComboBox())
        if (cb->lineEdit()) cb->lineEdit()->setCursorPosition(Value);
}

int TCustomComboBox::GetSelLength() {
    QComboBox* cb = ComboBox();
    return cb && cb->lineEdit() ? int(cb->lineEdit()->selectedText().size()) : 0;
}

void TCustomComboBox::SetSelLength(int Value) {
    if (QComboBox* cb = ComboBox())
        if (cb->lineEdit()) cb->lineEdit()->setSelection(GetSelStart(), Value);
}

void TCustomComboBox::SelectAll() {
    if (QComboBox* cb = ComboBox())
        if (cb->lineEdit()) cb->lineEdit()->selectAll();
}

void TCustomComboBox::Clear() {
    items->Clear();
    SetTextBuf(QString());
}

void TCustomComboBox::Change() {
    if (!IsLoading() && OnChange) OnChange(this);
}

void TCustomComboBox::Select() {
    if (OnSelect)
        OnSelect(this);
    else
        Change();
}

void TCustomComboBox::DropDown() {
    if (OnDropDown) OnDropDown(this);
}

void TCustomComboBox::CloseUp() {
    if (OnCloseUp) OnCloseUp(this);
}

void TCustomComboBox::CNCommand(TMessage& Message) {
    switch (Message.WParamHi()) {
    case CBN_DBLCLK:
        DblClick();
        break;
    case CBN_EDITCHANGE:
        Change();
        break;
    case CBN_DROPDOWN:
        dropped = true;
        DropDown();
        break;
    case CBN_SELCHANGE:
        Click();
        Select();
        break;
    case CBN_CLOSEUP:
        dropped = false;
        CloseUp();
        break;
    default:
        break;
    }
}

void TCustomComboBox::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case WM_PAINT:
        // the native widget paints itself (a paint into a given canvas goes the usual way)
        if (Message.WParam == 0) {
            DefaultHandler(Message);
            return;
        }
        TWinControl::Dispatch(Message);
        return;
    case CN_COMMAND:
        CNCommand(Message);
        return;
    case WM_CHAR:
        if (charCase != ecNormal && Message.WParam >= 32)
            Message.WParam = applyCase(QChar(char16_t(Message.WParam)), charCase).unicode();
        TWinControl::Dispatch(Message);
        return;
    case CB_GETCOUNT:
        Message.Result = items->Count();
        return;
    case CB_GETCURSEL:
        Message.Result = GetItemIndex();
        return;
    case CB_SETCURSEL:
        SetItemIndex(int(Message.WParam));
        Message.Result = GetItemIndex();
        return;
    case CB_SHOWDROPDOWN:
        SetDroppedDown(Message.WParam != 0);
        Message.Result = 1;
        return;
    case CB_GETDROPPEDSTATE:
        Message.Result = GetDroppedDown() ? 1 : 0;
        return;
    case WM_GETDLGCODE:
        Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
        if (GetDroppedDown()) Message.Result |= DLGC_WANTALLKEYS;
        return;
    default:
        TWinControl::Dispatch(Message);
    }
}

// ---- TCustomListBox ---------------------------------------------------------------------------

namespace {
// Items of a list box: the strings live in the box, so sorting, data and selection stay
// with their item.
class TListBoxStrings : public TStringList {
public:
    explicit TListBoxStrings(TCustomListBox* B) : box(B) {}
    int Add(const QString& S) override {
        return int(box->Perform(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(&S)));
    }
    void Insert(int Index, const QString& S) override {
        if (box->Perform(LB_INSERTSTRING, WPARAM(Index), reinterpret_cast<LPARAM>(&S)) < 0)
            Error(QStringLiteral("List index out of bounds (%d)"), Index);
    }
    void Delete(int Index) override {
        if (box->Perform(LB_DELETESTRING, WPARAM(Index), 0) < 0)
            Error(QStringLiteral("List index out of bounds (%d)"), Index);
    }
    void Clear() override { box->Perform(LB_RESETCONTENT, 0, 0); }
    TObject* GetObject(int Index) const override {
        return reinterpret_cast<TObject*>(box->Perform(LB_GETITEMDATA, WPARAM(Index), 0));
    }
    void PutObject(int Index, TObject* O) override {
        box->Perform(LB_SETITEMDATA, WPARAM(Index), reinterpret_cast<LPARAM>(O));
    }
    // raw access for the box
    void rawInsert(int Index, const QString& S) { TStringList::InsertObject(Index, S, nullptr); }
    void rawDelete(int Index) { TStringList::Delete(Index); }
    void rawClear() { TStringList::Clear(); }
    TCustomListBox* box;
};
TListBoxStrings* boxStrings(TStringList* L) {
    return static_cast<TListBoxStrings*>(L);
}
} // namespace

TCustomListBox::TCustomListBox(TComponent* AOwner) : TCustomControl(AOwner) {
    items = std::make_unique<TListBoxStrings>(this);
    items->OnChange = [this](TObject* S) { itemsChanged(S); };
    controlStyle.Exclude(csClickEvents);
    controlStyle.Include(csDoubleClicks);
    SetBounds(0, 0, 121, 97);
    SetTabStop(true);
    SetParentColor(false);
    color = clWindow;
}

TCustomListBox::~TCustomListBox() {
    items->OnChange = nullptr;
}

void TCustomListBox::Invalidate() {
    if (HandleAllocated() && !settingBar && columns == 0) {
        settingBar = true;
        TScrollInfo si;
        si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
        si.nMin = 0;
        si.nMax = std::max(0, items->Count() - 1);
        si.nPage = UINT(visibleCount());
        si.nPos = topIndex;
        SetScrollInfo(GetHandle(), SB_VERT, si, true);
        settingBar = false;
    }
    TCustomControl::Invalidate();
}

void TCustomListBox::CreateWnd() {
    TCustomControl::CreateWnd();
    Invalidate();
}

void TCustomListBox::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    if (integralHeight && style != lbOwnerDrawVariable && !IsLoading()) {
        const int frame = 4; // the sunken edge on both sides
        int ih = std::max(1, GetItemHeight());
        AHeight = frame + std::max(1, (AHeight - frame) / ih) * ih;
    }
    TCustomControl::SetBounds(ALeft, ATop, AWidth, AHeight);
}

void TCustomListBox::CreateParams(TCreateParams& Params) {
    TCustomControl::CreateParams(Params);
    Params.ExStyle |= WS_EX_CLIENTEDGE;
}

// A control inside a disabled parent takes no input either.
bool TCustomListBox::takesInput() {
    return enabled && (!HandleAllocated() || GetHandle()->isEnabled());
}

void TCustomListBox::itemsChanged(TObject*) {
    if (syncing) return;
    // Put and Exchange go through the string list directly: keep the entries in step
    entries.resize(size_t(items->Count()));
    if (itemIndex >= items->Count()) itemIndex = -1;
    Invalidate();
}

int TCustomListBox::GetItemHeight() {
    if (itemHeight > 0) return itemHeight;
    QFontMetrics fm(font->ToQFont());
    return fm.height();
}

void TCustomListBox::SetItemHeight(int Value) {
    if (Value > 0 && Value <= 255) itemHeight = Value;
    Invalidate();
}

int TCustomListBox::itemHeightOf(int Index) {
    if (style == lbOwnerDrawVariable && Index >= 0 && Index < int(entries.size()) &&
        entries[size_t(Index)].Height > 0)
        return entries[size_t(Index)].Height;
    return GetItemHeight();
}

int TCustomListBox::rowsPerColumn() {
    return std::max(1, GetClientRect().Bottom / std::max(1, GetItemHeight()));
}

int TCustomListBox::visibleCount() {
    if (columns > 0) return rowsPerColumn() * std::max(1, columns);
    // The rows wholly visible: a row cut by the bottom edge does not count, so a row made
    // visible is seen whole.
    int h = GetClientRect().Bottom, n = 0;
    for (int i = topIndex; i < items->Count(); ++i, ++n) {
        h -= itemHeightOf(i);
        if (h < 0) break;
    }
    return std::max(1, n);
}

TRect TCustomListBox::ItemRect(int Index) {
    TRect c = GetClientRect();
    if (columns > 0) {
        int rows = rowsPerColumn();
        int h = GetItemHeight();
        int rel = Index - topIndex;
        int col = rel >= 0 ? rel / rows : -((-rel + rows - 1) / rows);
        int row = rel - col * rows;
        return TRect{col * columnWidth, row * h, (col + 1) * columnWidth, (row + 1) * h};
    }
    int y = 0;
    if (Index >= topIndex)
        for (int i = topIndex; i < Index; ++i)
            y += itemHeightOf(i);
    else
        for (int i = Index; i < topIndex; ++i)
            y -= itemHeightOf(i);
    return TRect{0, y, std::max(c.Right, horizontalExtent), y + itemHeightOf(Index)};
}

int TCustomListBox::ItemAtPos(const TPoint& Pos, bool Existing) {
    int n = items->Count();
    if (columns > 0) {
        int rows = rowsPerColumn();
        int h = GetItemHeight();
        if (Pos.X < 0 || Pos.Y < 0 || columnWidth <= 0)
            return Existing ? -1 : std::min(topIndex, n - 1);
        int i = topIndex + (Pos.X / columnWidth) * rows + std::min(rows - 1, Pos.Y / h);
        if (i < n) return i;
        return Existing ? -1 : n - 1;
    }
    int y = 0;
    for (int i = topIndex; i < n; ++i) {
        int h = itemHeightOf(i);
        if (Pos.Y >= y && Pos.Y < y + h) return i;
        y += h;
    }
    return Existing ? -1 : n - 1;
}

int TCustomListBox::addString(const QString& S, bool Insert, int At) {
    int n = items->Count();
    int i = At;
    if (!Insert) {
        i = n;
        if (sorted) {
            i = 0;
            while (i < n && AnsiCompareText(items->Get(i), S) <= 0)
                ++i;
        }
    } else if (i == -1) {
        i = n;
    }
    if (i < 0 || i > n) return int(LB_ERR);
    ++syncing;
    entries.insert(entries.begin() + i, Entry{});
    boxStrings(items.get())->rawInsert(i, S);
    --syncing;
    if (itemIndex >= i) ++itemIndex;
    if (style == lbOwnerDrawVariable) {
        int h = GetItemHeight();
        MeasureItem(i, h);
        entries[size_t(i)].Height = h;
    }
    Invalidate();
    return i;
}

void TCustomListBox::Clear() {
    items->Clear();
}

int TCustomListBox::GetItemIndex() {
    return itemIndex;
}

void TCustomListBox::SetItemIndex(int Value) {
    if (Value < -1 || Value >= items->Count()) return;
    if (!multiSelect) {
        Perform(LB_SETCURSEL, WPARAM(Value), 0);
        return;
    }
    itemIndex = Value;
    if (Value >= 0) {
        entries[size_t(Value)].Selected = true;
        makeVisible(Value);
    }
    Invalidate();
}

bool TCustomListBox::GetSelected(int Index) {
    LRESULT r = Perform(LB_GETSEL, WPARAM(Index), 0);
    if (r < 0) throw EListError(Format("List index out of bounds (%d)", {Index}));
    return r > 0;
}

void TCustomListBox::SetSelected(int Index, bool Value) {
    if (multiSelect) {
        if (Perform(LB_SETSEL, Value ? 1 : 0, Index) < 0)
            throw EListError(Format("List index out of bounds (%d)", {Index}));
    } else if (Value) {
        SetItemIndex(Index);
    } else if (itemIndex == Index) {
        SetItemIndex(-1);
    }
}

int TCustomListBox::GetSelCount() {
    return int(Perform(LB_GETSELCOUNT, 0, 0));
}

void TCustomListBox::SetSorted(bool Value) {
    if (sorted == Value) return;
    sorted = Value;
    if (!sorted) return;
    // sort the items with their data
    std::vector<std::pair<QString, Entry>> all;
    for (int i = 0; i < items->Count(); ++i)
        all.emplace_back(items->Get(i), entries[size_t(i)]);
    std::stable_sort(all.begin(), all.end(), [](const auto& a, const auto& b) {
        return AnsiCompareText(a.first, b.first) < 0;
    });
    ++syncing;
    boxStrings(items.get())->rawClear();
    entries.clear();
    for (auto& [s, e] : all) {
        boxStrings(items.get())->rawInsert(items->Count(), s);
        entries.push_back(e);
    }
    --syncing;
    itemIndex = -1;
    Invalidate();
}

void TCustomListBox::SetStyle(TListBoxStyle Value) {
    style = Value;
    Invalidate();
}

void TCustomListBox::SetTopIndex(int Value) {
    int n = items->Count();
    Value = std::clamp(Value, 0, std::max(0, n - 1));
    if (columns > 0) Value -= Value % rowsPerColumn();
    if (Value != topIndex) {
        topIndex = Value;
        Invalidate();
    }
}

void TCustomListBox::SetColumns(int Value) {
    columns = std::max(0, Value);
    if (columns > 0) columnWidth = std::max(1, GetClientRect().Right / columns);
    Invalidate();
}

void TCustomListBox::SetIntegralHeight(bool Value) {
    integralHeight = Value;
    SetBounds(left, top, width, height);
}

void TCustomListBox::SetTabWidth(int Value) {
    tabStops.clear();
    if (Value > 0) tabStops.push_back(Value * QFontMetrics(font->ToQFont()).averageCharWidth() / 4);
    Invalidate();
}

void TCustomListBox::makeVisible(int Index) {
    if (Index < 0) return;
    if (Index < topIndex) {
        SetTopIndex(Index);
        return;
    }
    while (Index >= topIndex + visibleCount() && topIndex < Index)
        SetTopIndex(topIndex + (columns > 0 ? rowsPerColumn() : 1));
}

void TCustomListBox::selChange() {
    notify(this, LBN_SELCHANGE);
}

void TCustomListBox::select(int Index, TShiftState Shift) {
    if (Index < 0 || Index >= items->Count()) return;
    if (!multiSelect) {
        if (Index != itemIndex) {
            Perform(LB_SETCURSEL, WPARAM(Index), 0);
            selChange();
        }
        return;
    }
    if (extendedSelect && Shift.Contains(ssShift) && anchor >= 0) {
        if (!Shift.Contains(ssCtrl))
            for (Entry& e : entries)
                e.Selected = false;
        for (int i = std::min(anchor, Index); i <= std::max(anchor, Index); ++i)
            entries[size_t(i)].Selected = true;
    } else if (!extendedSelect || Shift.Contains(ssCtrl)) {
        entries[size_t(Index)].Selected = !entries[size_t(Index)].Selected;
        anchor = Index;
    } else {
        for (Entry& e : entries)
            e.Selected = false;
        entries[size_t(Index)].Selected = true;
        anchor = Index;
    }
    itemIndex = Index;
    makeVisible(Index);
    Invalidate();
    selChange();
}

void TCustomListBox::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (Button == mbLeft && takesInput()) {
        if (CanFocus() && !Focused()) SetFocus();
        int i = ItemAtPos(TPoint{X, Y}, true);
        if (Shift.Contains(ssDouble)) {
            if (i >= 0) notify(this, LBN_DBLCLK);
        } else {
            select(i, Shift);
        }
    }
    TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TCustomListBox::DblClick() {
    TCustomControl::DblClick();
}

void TCustomListBox::KeyDown(WORD& Key, TShiftState Shift) {
    TCustomControl::KeyDown(Key, Shift);
    int n = items->Count();
    if (n == 0 || Key == 0) return;
    int cur = itemIndex < 0 ? 0 : itemIndex;
    int page = std::max(1, visibleCount() - 1);
    int to = -1;
    switch (Key) {
    case VK_UP:
        to = std::max(0, cur - 1);
        break;
    case VK_DOWN:
        to = itemIndex < 0 ? 0 : std::min(n - 1, cur + 1);
        break;
    case VK_LEFT:
        to = columns > 0 ? std::max(0, cur - rowsPerColumn()) : std::max(0, cur - 1);
        break;
    case VK_RIGHT:
        to = columns > 0 ? std::min(n - 1, cur + rowsPerColumn()) : std::min(n - 1, cur + 1);
        break;
    case VK_HOME:
        to = 0;
        break;
    case VK_END:
        to = n - 1;
        break;
    case VK_PRIOR:
        to = std::max(0, cur - page);
        break;
    case VK_NEXT:
        to = std::min(n - 1, cur + page);
        break;
    case VK_SPACE:
        if (multiSelect && itemIndex >= 0) {
            entries[size_t(itemIndex)].Selected = !entries[size_t(itemIndex)].Selected;
            Invalidate();
            selChange();
        }
        return;
    default:
        return;
    }
    if (multiSelect && extendedSelect && !Shift.Contains(ssShift))
        Shift.Include(ssDouble); // plain move in extended mode: select only the new item
    TShiftState s = Shift;
    s.Exclude(ssDouble);
    select(to, s);
}

void TCustomListBox::KeyPress(QChar& Key) {
    TCustomControl::KeyPress(Key);
    if (Key.isNull() || Key.unicode() < 32) return;
    // the next item starting with the character, after the current one, wrapping
    int n = items->Count();
    QString k = AnsiUpperCase(QString(Key));
    for (int step = 1; step <= n; ++step) {
        int i = ((itemIndex < 0 ? -1 : itemIndex) + step + n) % n;
        if (AnsiUpperCase(items->Get(i)).startsWith(k)) {
            select(i, TShiftState());
            break;
        }
    }
}

void TCustomListBox::MeasureItem(int Index, int& Height) {
    if (OnMeasureItem) OnMeasureItem(this, Index, Height);
}

void TCustomListBox::DrawItem(int Index, TRect Rect, TOwnerDrawState State) {
    if (OnDrawItem && style != lbStandard) {
        OnDrawItem(this, Index, Rect, State);
        return;
    }
    TCanvas* c = GetCanvas();
    c->FillRect(Rect);
    QString s = items->Get(Index);
    if (!tabStops.empty() || s.contains(u'\t'))
        c->TabbedTextOut(Rect.Left + 2, Rect.Top, s, tabStops, Rect.Left + 2);
    else
        c->TextOut(Rect.Left + 2, Rect.Top, s);
}

void TCustomListBox::Paint() {
    TCanvas* c = GetCanvas();
    c->SetFont(font.get());
    c->GetBrush()->SetColor(color);
    TRect client = GetClientRect();
    c->FillRect(client);
    int n = items->Count();
    for (int i = topIndex; i < n; ++i) {
        TRect r = ItemRect(i);
        if (r.Top >= client.Bottom || r.Left >= client.Right) break;
        TOwnerDrawState st;
        bool sel = multiSelect ? entries[size_t(i)].Selected : i == itemIndex;
        if (sel) st.Include(odSelected);
        if (!enabled) st.Include(odDisabled);
        if (i == itemIndex && Focused()) st.Include(odFocused);
        c->GetBrush()->SetColor(sel ? clHighlight : color);
        c->GetFont()->SetColor(sel ? clHighlightText : font->GetColor());
        DrawItem(i, r, st);
        if (st.Contains(odFocused)) c->DrawFocusRect(r);
    }
    // Focused with nothing chosen: the focus mark stands on the first row (or where it would be).
    if (itemIndex < 0 && Focused() && topIndex == 0) {
        TRect r = n > 0 ? ItemRect(0) : TRect{0, 0, client.Right, GetItemHeight()};
        c->DrawFocusRect(r);
    }
}

void TCustomListBox::Dispatch(TMessage& Message) {
    int n = items->Count();
    auto valid = [n](WPARAM i) { return intptr_t(i) >= 0 && intptr_t(i) < n; };
    switch (Message.Msg) {
    case CN_COMMAND:
        if (Message.WParamHi() == LBN_SELCHANGE)
            Click();
        else if (Message.WParamHi() == LBN_DBLCLK)
            DblClick();
        return;
    case WM_GETDLGCODE:
        Message.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
        return;
    case WM_VSCROLL: {
        TWMScroll m(Message);
        int page = std::max(1, visibleCount() - 1);
        switch (m.ScrollCode()) {
        case SB_LINEUP:
            SetTopIndex(topIndex - 1);
            break;
        case SB_LINEDOWN:
            SetTopIndex(topIndex + 1);
            break;
        case SB_PAGEUP:
            SetTopIndex(topIndex - page);
            break;
        case SB_PAGEDOWN:
            SetTopIndex(topIndex + page);
            break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION:
            SetTopIndex(m.Pos());
            break;
        case SB_TOP:
            SetTopIndex(0);
            break;
        case SB_BOTTOM:
            SetTopIndex(n - 1);
            break;
        default:
            break;
        }
        return;
    }
    case WM_MOUSEWHEEL: {
        TWMMouseWheel m(Message);
        SetTopIndex(topIndex - m.WheelDelta() / WHEEL_DELTA * 3);
        Message.Result = 1;
        return;
    }
    case WM_SIZE:
        TCustomControl::Dispatch(Message);
        if (columns > 0) columnWidth = std::max(1, GetClientRect().Right / columns);
        return;
    case LB_ADDSTRING:
    case LB_INSERTSTRING:
        Message.Result = addString(*reinterpret_cast<const QString*>(Message.LParam),
                                   Message.Msg == LB_INSERTSTRING, int(intptr_t(Message.WParam)));
        return;
    case LB_DELETESTRING: {
        if (!valid(Message.WParam)) {
            Message.Result = LB_ERR;
            return;
        }
        int i = int(Message.WParam);
        ++syncing;
        entries.erase(entries.begin() + i);
        boxStrings(items.get())->rawDelete(i);
        --syncing;
        if (itemIndex == i)
            itemIndex = -1;
        else if (itemIndex > i)
            --itemIndex;
        if (topIndex >= items->Count()) topIndex = std::max(0, items->Count() - 1);
        Invalidate();
        Message.Result = items->Count();
        return;
    }
    case LB_RESETCONTENT:
        ++syncing;
        boxStrings(items.get())->rawClear();
        entries.clear();
        --syncing;
        itemIndex = -1;
        anchor = -1;
        topIndex = 0;
        Invalidate();
        return;
    case LB_GETCOUNT:
        Message.Result = n;
        return;
    case LB_GETTEXT:
        if (!valid(Message.WParam)) {
            Message.Result = LB_ERR;
            return;
        }
        *reinterpret_cast<QString*>(Message.LParam) = items->Get(int(Message.WParam));
        Message.Result = items->Get(int(Message.WParam)).size();
        return;
    case LB_GETTEXTLEN:
        Message.Result = valid(Message.WParam) ? items->Get(int(Message.WParam)).size() : LB_ERR;
        return;
    case LB_GETITEMDATA:
        Message.Result = valid(Message.WParam) ? entries[Message.WParam].Data : LB_ERR;
        return;
    case LB_SETITEMDATA:
        if (!valid(Message.WParam)) {
            Message.Result = LB_ERR;
            return;
        }
        entries[Message.WParam].Data = Message.LParam;
        return;
    case LB_GETCURSEL:
        Message.Result = itemIndex;
        return;
    case LB_SETCURSEL: {
        if (multiSelect) {
            Message.Result = LB_ERR;
            return;
        }
        int i = int(intptr_t(Message.WParam));
        itemIndex = (i >= 0 && i < n) ? i : -1;
        anchor = itemIndex;
        makeVisible(itemIndex);
        Invalidate();
        Message.Result = itemIndex < 0 ? LB_ERR : itemIndex;
        return;
    }
    case LB_GETSEL:
        if (!valid(Message.WParam)) {
            Message.Result = LB_ERR;
            return;
        }
        Message.Result = multiSelect ? entries[Message.WParam].Selected
                                     : int(intptr_t(Message.WParam)) == itemIndex;
        return;
    case LB_SETSEL: {
        if (!multiSelect) {
            Message.Result = LB_ERR;
            return;
        }
        int i = int(Message.LParam);
        if (i == -1) {
            for (Entry& e : entries)
                e.Selected = Message.WParam != 0;
        } else if (i >= 0 && i < n) {
            entries[size_t(i)].Selected = Message.WParam != 0;
        } else {
            Message.Result = LB_ERR;
            return;
        }
        Invalidate();
        return;
    }
    case LB_GETSELCOUNT: {
        if (!multiSelect) {
            Message.Result = LB_ERR;
            return;
        }
        Message.Result = std::count_if(entries.begin(), entries.end(),
                                       [](const Entry& e) { return e.Selected; });
        return;
    }
    case LB_GETITEMRECT:
        if (!valid(Message.WParam)) {
            Message.Result = LB_ERR;
            return;
        }
        *reinterpret_cast<TRect*>(Message.LParam) = ItemRect(int(Message.WParam));
        Message.Result = 1;
        return;
    case LB_ITEMFROMPOINT: {
        TPoint p = SmallPointToPoint(Message.LParam);
        int i = ItemAtPos(p, true);
        Message.Result = i >= 0 ? MAKELONG(i, 0) : MAKELONG(std::max(0, n - 1), 1);
        return;
    }
    case LB_GETTOPINDEX:
        Message.Result = topIndex;
        return;
    case LB_SETTOPINDEX:
        if (!valid(Message.WParam) && !(n == 0 && Message.WParam == 0)) {
            Message.Result = LB_ERR;
            return;
        }
        SetTopIndex(int(Message.WParam));
        return;
    case LB_SELECTSTRING:
    case LB_FINDSTRING: {
        // the first item after WParam (-1: from the start) beginning with the text, wrapping;
        // case-insensitive, Cyrillic included
        QString k = AnsiUpperCase(*reinterpret_cast<const QString*>(Message.LParam));
        int start = int(intptr_t(Message.WParam));
        if (start < -1 || start >= n) start = -1;
        Message.Result = LB_ERR;
        for (int step = 1; step <= n; ++step) {
            int i = (start + step) % n;
            if (AnsiUpperCase(items->Get(i)).startsWith(k)) {
                Message.Result = i;
                if (Message.Msg == LB_SELECTSTRING) {
                    if (multiSelect) {
                        entries[size_t(i)].Selected = true;
                        itemIndex = i;
                        makeVisible(i);
                        Invalidate();
                    } else {
                        Perform(LB_SETCURSEL, WPARAM(i), 0);
                    }
                }
                break;
            }
        }
        return;
    }
    case LB_SETCOLUMNWIDTH:
        columnWidth = std::max(1, int(Message.WParam));
        Invalidate();
        return;
    case LB_SETTABSTOPS: {
        tabStops.clear();
        int avg = QFontMetrics(font->ToQFont()).averageCharWidth();
        const int* stops = reinterpret_cast<const int*>(Message.LParam);
        if (Message.WParam == 0) tabStops.push_back(2 * avg * 8 / 4 * 2 / 2);
        for (WPARAM i = 0; stops && i < Message.WParam; ++i)
            tabStops.push_back(stops[i] * avg / 4);
        Message.Result = 1;
        Invalidate();
        return;
    }
    case LB_SETHORIZONTALEXTENT:
        horizontalExtent = int(Message.WParam);
        return;
    case LB_SETITEMHEIGHT: {
        int h = int(Message.LParam & 0xFFFF);
        if (h <= 0 || h > 255) {
            Message.Result = LB_ERR;
            return;
        }
        if (style == lbOwnerDrawVariable && valid(Message.WParam))
            entries[Message.WParam].Height = h;
        else
            itemHeight = h;
        Invalidate();
        return;
    }
    case LB_GETITEMHEIGHT:
        Message.Result = style == lbOwnerDrawVariable && valid(Message.WParam)
                             ? itemHeightOf(int(Message.WParam))
                             : GetItemHeight();
        return;
    default:
        TCustomControl::Dispatch(Message);
    }
}

// ---- TButtonControl ---------------------------------------------------------------------------

TButtonControl::TButtonControl(TComponent* AOwner) : TCustomControl(AOwner) {
    controlStyle.Exclude(csClickEvents);
    controlStyle.Exclude(csDoubleClicks);
    SetTabStop(true);
}

QChar TButtonControl::accelerator() {
    return GetHotkey(GetText()).toLower();
}

bool TButtonControl::takesInput() {
    return enabled && (!HandleAllocated() || GetHandle()->isEnabled());
}

void TButtonControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (Button == mbLeft && takesInput()) {
        if (CanFocus() && !Focused()) SetFocus();
        pressed = true;
        Invalidate();
    }
    TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TButtonControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    bool was = pressed;
    pressed = false;
    if (was) Invalidate();
    if (Button == mbLeft && was && PtInRect(GetClientRect(), TPoint{X, Y})) ButtonClick();
    TCustomControl::MouseUp(Button, Shift, X, Y);
}

void TButtonControl::KeyDown(WORD& Key, TShiftState Shift) {
    TCustomControl::KeyDown(Key, Shift);
    if (Key == VK_SPACE) {
        spaceDown = true;
        pressed = true;
        Invalidate();
    }
}

void TButtonControl::KeyUp(WORD& Key, TShiftState Shift) {
    TCustomControl::KeyUp(Key, Shift);
    if (Key == VK_SPACE && spaceDown) {
        spaceDown = false;
        pressed = false;
        Invalidate();
        ButtonClick();
    }
}

void TButtonControl::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case BM_CLICK:
        ButtonClick();
        return;
    case CM_DIALOGCHAR:
        if (enabled && IsShowing() && IsAccel(WORD(Message.WParam), GetText())) {
            if (CanFocus()) SetFocus();
            ButtonClick();
            Message.Result = 1;
            return;
        }
        TCustomControl::Dispatch(Message);
        return;
    case CM_TEXTCHANGED:
    case CM_ENABLEDCHANGED:
    case CM_FOCUSCHANGED:
        Invalidate();
        TCustomControl::Dispatch(Message);
        return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        if (Message.Msg == WM_KILLFOCUS && pressed) {
            pressed = false;
            spaceDown = false;
        }
        Invalidate();
        TCustomControl::Dispatch(Message);
        return;
    default:
        TCustomControl::Dispatch(Message);
    }
}

void TButtonControl::paintCaption(TCanvas* C, TRect R, unsigned Flags) {
    C->SetFont(font.get());
    C->GetBrush()->SetStyle(bsClear);
    if (!enabled) {
        TRect r1 = R;
        offsetRect(r1, 1, 1);
        C->GetFont()->SetColor(clBtnHighlight);
        C->DrawText(GetText(), r1, Flags);
        C->GetFont()->SetColor(clBtnShadow);
    }
    C->DrawText(GetText(), R, Flags);
    C->GetBrush()->SetStyle(bsSolid);
}

// ---- TButton ----------------------------------------------------------------------------------

TButton::TButton(TComponent* AOwner) : TButtonControl(AOwner) {
    SetBounds(0, 0, 75, 25);
    color = clBtnFace;
}

void TButton::SetDefault(bool Value) {
    isDefault = Value;
    Invalidate();
}

void TButton::Click() {
    if (TCustomForm* f = GetParentForm(this))
        if (modalResult != mrNone) f->SetModalResult(modalResult);
    if (!ExecuteControlAction(this)) TButtonControl::Click();
}

void TButton::Paint() {
    TCanvas* c = GetCanvas();
    TRect r = GetClientRect();
    if (isDefault || Focused()) {
        c->GetBrush()->SetColor(clWindowFrame);
        c->FrameRect(r);
        inflateRect(r, -1, -1);
    }
    DrawFrameControl(c, r, DFC_BUTTON, DFCS_BUTTONPUSH | (pressed ? DFCS_PUSHED : 0u));
    TRect t = r;
    if (pressed) offsetRect(t, 1, 1);
    paintCaption(c, t, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    if (Focused()) {
        inflateRect(r, -3, -3);
        c->GetBrush()->SetColor(clBtnFace);
        c->DrawFocusRect(r);
    }
}

void TButton::Dispatch(TMessage& Message) {
    if (Message.Msg == CM_DIALOGKEY && enabled && IsShowing()) {
        WORD k = WORD(Message.WParam);
        if ((k == VK_RETURN && isDefault) || (k == VK_ESCAPE && cancel)) {
            Click();
            Message.Result = 1;
            return;
        }
    }
    if (Message.Msg == WM_GETDLGCODE) {
        Message.Result = isDefault ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON;
        return;
    }
    TButtonControl::Dispatch(Message);
}

// ---- TCustomCheckBox and TRadioButton ---------------------------------------------------------

namespace {
void paintCheckLike(TButtonControl* B, TCanvas* C, unsigned Kind, bool Checked, bool Grayed,
                    TAlignment Alignment, const QString& Text, bool Focused) {
    TRect r = B->GetClientRect();
    C->GetBrush()->SetColor(B->GetColor());
    C->FillRect(r);
    const int box = 13;
    int y = (r.Height() - box) / 2;
    bool left = Alignment == taRightJustify;
    TRect br = left ? TRect{0, y, box, y + box} : TRect{r.Right - box, y, r.Right, y + box};
    unsigned st =
        Kind | (Checked ? DFCS_CHECKED : 0u) | (!B->GetEnabled() || Grayed ? DFCS_INACTIVE : 0u);
    if (Grayed) st |= DFCS_CHECKED;
    DrawFrameControl(C, br, DFC_BUTTON, st);
    TRect tr =
        left ? TRect{box + 4, 0, r.Right, r.Bottom} : TRect{0, 0, r.Right - box - 4, r.Bottom};
    C->SetFont(B->GetFont());
    C->GetBrush()->SetStyle(bsClear);
    if (!B->GetEnabled()) C->GetFont()->SetColor(clGrayText);
    TRect calc = tr;
    C->DrawText(Text, calc, DT_CALCRECT | DT_SINGLELINE);
    C->DrawText(Text, tr, DT_SINGLELINE | DT_VCENTER | (left ? DT_LEFT : DT_RIGHT));
    C->GetBrush()->SetStyle(bsSolid);
    if (Focused) {
        int w = calc.Width();
        TRect fr = left ? TRect{tr.Left - 1, (r.Height() - calc.Height()) / 2 - 1, tr.Left + w + 1,
                                (r.Height() + calc.Height()) / 2 + 1}
                        : TRect{tr.Right - w - 1, (r.Height() - calc.Height()) / 2 - 1,
                                tr.Right + 1, (r.Height() + calc.Height()) / 2 + 1};
        C->GetBrush()->SetColor(B->GetColor());
        C->DrawFocusRect(fr);
    }
}
} // namespace

TCustomCheckBox::TCustomCheckBox(TComponent* AOwner) : TButtonControl(AOwner) {
    SetBounds(0, 0, 97, 17);
}

void TCustomCheckBox::SetState(TCheckBoxState Value) {
    if (state == Value) return;
    state = Value;
    Invalidate();
    if (!ClicksDisabled) Click();
}

void TCustomCheckBox::SetAlignment(TAlignment Value) {
    alignment = Value;
    Invalidate();
}

void TCustomCheckBox::Toggle() {
    switch (state) {
    case cbUnchecked:
        SetState(cbChecked);
        break;
    case cbChecked:
        SetState(allowGrayed ? cbGrayed : cbUnchecked);
        break;
    case cbGrayed:
        SetState(cbUnchecked);
        break;
    }
}

void TCustomCheckBox::Paint() {
    paintCheckLike(this, GetCanvas(), DFCS_BUTTONCHECK, state == cbChecked, state == cbGrayed,
                   alignment, GetText(), Focused());
}

void TCustomCheckBox::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case BM_GETCHECK:
        Message.Result = state;
        return;
    case BM_SETCHECK:
        SetState(TCheckBoxState(std::clamp(int(Message.WParam), 0, 2)));
        return;
    default:
        TButtonControl::Dispatch(Message);
    }
}

TRadioButton::TRadioButton(TComponent* AOwner) : TButtonControl(AOwner) {
    SetBounds(0, 0, 113, 17);
}

void TRadioButton::SetChecked(bool Value) {
    if (checked == Value) return;
    checked = Value;
    Invalidate();
    if (!Value) return;
    if (parent)
        for (int i = 0; i < parent->ControlCount(); ++i)
            if (auto* r = dynamic_cast<TRadioButton*>(parent->GetControls(i)))
                if (r != this) r->SetChecked(false);
    if (!ClicksDisabled) Click();
}

void TRadioButton::SetAlignment(TAlignment Value) {
    alignment = Value;
    Invalidate();
}

void TRadioButton::ButtonClick() {
    SetChecked(true);
}

void TRadioButton::Paint() {
    paintCheckLike(this, GetCanvas(), DFCS_BUTTONRADIO, checked, false, alignment, GetText(),
                   Focused());
}

void TRadioButton::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case BM_GETCHECK:
        Message.Result = checked ? 1 : 0;
        return;
    case BM_SETCHECK:
        SetChecked(Message.WParam != 0);
        return;
    case WM_SETFOCUS:
        TButtonControl::Dispatch(Message);
        // arrows between radio buttons check the one that gets the focus
        if (GetKeyState(VK_LBUTTON) >= 0 && !checked &&
            (GetKeyState(VK_UP) < 0 || GetKeyState(VK_DOWN) < 0))
            SetChecked(true);
        return;
    default:
        TButtonControl::Dispatch(Message);
    }
}

// ---- TCustomGroupBox --------------------------------------------------------------------------

TCustomGroupBox::TCustomGroupBox(TComponent* AOwner) : TCustomControl(AOwner) {
    controlStyle.Include(csAcceptsControls);
    SetBounds(0, 0, 185, 105);
    color = clBtnFace;
}

void TCustomGroupBox::AdjustClientRect(TRect& Rect) {
    TCustomControl::AdjustClientRect(Rect);
    QFontMetrics fm(font->ToQFont());
    Rect.Top += fm.height();
    inflateRect(Rect, -2, -2);
}

void TCustomGroupBox::Paint() {
    TCanvas* c = GetCanvas();
    c->SetFont(font.get());
    TRect r = GetClientRect();
    c->GetBrush()->SetColor(color);
    c->FillRect(r);
    int h = c->TextHeight(QStringLiteral("0"));
    TRect frame{0, h / 2, r.Right, r.Bottom};
    DrawEdge(c, frame, EDGE_ETCHED, BF_RECT);
    QString t = GetText();
    if (!t.isEmpty()) {
        TRect tr{8, 0, 0, h};
        c->DrawText(t, tr, DT_CALCRECT | DT_SINGLELINE);
        tr.Right += 2;
        tr.Left -= 1;
        c->FillRect(tr);
        tr.Left += 1;
        if (!enabled) c->GetFont()->SetColor(clGrayText);
        c->GetBrush()->SetStyle(bsClear);
        c->DrawText(t, tr, DT_SINGLELINE);
        c->GetBrush()->SetStyle(bsSolid);
    }
}

void TCustomGroupBox::Dispatch(TMessage& Message) {
    if (Message.Msg == CM_DIALOGCHAR && enabled && IsShowing() &&
        IsAccel(WORD(Message.WParam), GetText())) {
        SelectFirst();
        Message.Result = 1;
        return;
    }
    if (Message.Msg == CM_TEXTCHANGED || Message.Msg == CM_ENABLEDCHANGED) Invalidate();
    TCustomControl::Dispatch(Message);
}

// ---- TCustomLabel -----------------------------------------------------------------------------

TCustomLabel::TCustomLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
    controlStyle.Include(csOpaque);
    SetBounds(0, 0, 65, 17);
    autoSize = true;
}

unsigned TCustomLabel::TextFlags() const {
    unsigned f = DT_EXPANDTABS;
    if (wordWrap)
        f |= DT_WORDBREAK;
    else
        f |= DT_SINGLELINE;
    if (!showAccelChar) f |= DT_NOPREFIX;
    if (alignment == taCenter)
        f |= DT_CENTER;
    else if (alignment == taRightJustify)
        f |= DT_RIGHT;
    return f;
}

void TCustomLabel::AdjustBounds() {
    if (!autoSize || IsLoading()) return;
    TBitmap b;
    b.SetSize(1, 1);
    TCanvas* c = b.GetCanvas();
    c->SetFont(font.get());
    TRect r{0, 0, wordWrap ? width : 0, 0};
    QString t = GetText();
    if (t.isEmpty() || (t.startsWith(u'&') && t.size() == 1)) t = QStringLiteral(" ");
    c->DrawText(t, r, TextFlags() | DT_CALCRECT);
    int x = left;
    if (alignment == taRightJustify)
        x = left + width - r.Right;
    else if (alignment == taCenter)
        x = left + (width - r.Right) / 2;
    SetBounds(x, top, r.Right, r.Bottom);
}

void TCustomLabel::SetAutoSize(bool Value) {
    TGraphicControl::SetAutoSize(Value);
    AdjustBounds();
}

void TCustomLabel::SetAlignment(TAlignment Value) {
    alignment = Value;
    Invalidate();
}

void TCustomLabel::SetLayout(TTextLayout Value) {
    layout = Value;
    Invalidate();
}

void TCustomLabel::SetWordWrap(bool Value) {
    wordWrap = Value;
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::SetTransparent(bool Value) {
    transparent = Value;
    if (Value)
        controlStyle.Exclude(csOpaque);
    else
        controlStyle.Include(csOpaque);
    Invalidate();
}

void TCustomLabel::SetShowAccelChar(bool Value) {
    showAccelChar = Value;
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::SetFocusControl(TWinControl* Value) {
    if (focusControl) focusControl->RemoveFreeNotification(this);
    focusControl = Value;
    if (Value) Value->FreeNotification(this);
}

void TCustomLabel::Notification(TComponent* AComponent, TOperation Operation) {
    TGraphicControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == focusControl) focusControl = nullptr;
}

void TCustomLabel::Paint() {
    TCanvas* c = GetCanvas();
    TRect r = GetClientRect();
    if (!transparent) {
        c->GetBrush()->SetColor(color);
        c->FillRect(r);
    }
    c->GetBrush()->SetStyle(bsClear);
    c->SetFont(font.get());
    unsigned f = TextFlags();
    if (layout != tlTop) {
        TRect calc = r;
        c->DrawText(GetText(), calc, f | DT_CALCRECT);
        int dy = r.Height() - calc.Height();
        r.Top += layout == tlCenter ? dy / 2 : dy;
    }
    if (!enabled) {
        TRect r1 = r;
        offsetRect(r1, 1, 1);
        c->GetFont()->SetColor(clBtnHighlight);
        c->DrawText(GetText(), r1, f);
        c->GetFont()->SetColor(clBtnShadow);
    }
    c->DrawText(GetText(), r, f);
    c->GetBrush()->SetStyle(bsSolid);
}

void TCustomLabel::Dispatch(TMessage& Message) {
    switch (Message.Msg) {
    case CM_TEXTCHANGED:
    case CM_FONTCHANGED:
        AdjustBounds();
        Invalidate();
        break;
    case CM_DIALOGCHAR:
        if (focusControl && enabled && showAccelChar && IsAccel(WORD(Message.WParam), GetText()) &&
            focusControl->CanFocus()) {
            focusControl->SetFocus();
            Message.Result = 1;
            return;
        }
        break;
    default:
        break;
    }
    TGraphicControl::Dispatch(Message);
}

// ---- TScrollBar -------------------------------------------------------------------------------

TScrollBar::TScrollBar(TComponent* AOwner) : TCustomControl(AOwner) {
    SetBounds(0, 0, 121, 16);
    SetTabStop(true);
    color = clBtnFace;
}

void TScrollBar::SetParams(int APosition, int AMin, int AMax) {
    if (AMax < AMin) throw EInvalidOperation(QStringLiteral("Scroll bar property out of range"));
    min = AMin;
    max = AMax;
    APosition = std::clamp(APosition, min, max);
    bool changed = APosition != position;
    position = APosition;
    Invalidate();
    if (changed && OnChange) OnChange(this);
}

void TScrollBar::SetPosition(int Value) {
    SetParams(Value, min, max);
}

void TScrollBar::Scroll(TScrollCode Code, int Pos) {
    int p = position;
    switch (Code) {
    case scLineUp:
        p -= SmallChange;
        break;
    case scLineDown:
        p += SmallChange;
        break;
    case scPageUp:
        p -= LargeChange;
        break;
    case scPageDown:
        p += LargeChange;
        break;
    case scPosition:
    case scTrack:
        p = Pos;
        break;
    case scTop:
        p = min;
        break;
    case scBottom:
        p = max;
        break;
    case scEndScroll:
        break;
    }
    p = std::clamp(p, min, max);
    if (OnScroll) OnScroll(this, Code, p);
    SetPosition(p);
}

void TScrollBar::Paint() {
    TCanvas* c = GetCanvas();
    TRect r = GetClientRect();
    c->GetBrush()->SetColor(clScrollBar);
    c->FillRect(r);
    bool h = kind == sbHorizontal;
    int a = h ? r.Height() : r.Width();
    DrawFrameControl(c, h ? TRect{0, 0, a, a} : TRect{0, 0, a, a}, DFC_SCROLL,
                     h ? DFCS_SCROLLLEFT : DFCS_SCROLLUP);
    DrawFrameControl(c, h ? TRect{r.Right - a, 0, r.Right, a} : TRect{0, r.Bottom - a, a, r.Bottom},
                     DFC_SCROLL, h ? DFCS_SCROLLRIGHT : DFCS_SCROLLDOWN);
    int track = (h ? r.Width() : r.Height()) - 3 * a;
    int off = max > min ? track * (position - min) / (max - min) : 0;
    TRect th = h ? TRect{a + off, 0, 2 * a + off, a} : TRect{0, a + off, a, 2 * a + off};
    DrawFrameControl(c, th, DFC_BUTTON, DFCS_BUTTONPUSH);
}

void TScrollBar::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TCustomControl::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft) return;
    TRect r = GetClientRect();
    bool h = kind == sbHorizontal;
    int a = h ? r.Height() : r.Width();
    int v = h ? X : Y, len = h ? r.Width() : r.Height();
    if (v < a)
        Scroll(scLineUp);
    else if (v >= len - a)
        Scroll(scLineDown);
    else {
        int track = len - 3 * a;
        int off = max > min ? track * (position - min) / (max - min) : 0;
        if (v < a + off)
            Scroll(scPageUp);
        else if (v >= 2 * a + off)
            Scroll(scPageDown);
    }
}
