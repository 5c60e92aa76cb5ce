// TCustomComboBox over Qt's combo box, with the owner-drawn styles.
#include "StdCtrls.h"

#include "StdCtrlsInternal.h"
#include "UiInternal.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QCoreApplication>
#include <QPainter>
#include <QPointer>
#include <QProxyStyle>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QStyledItemDelegate>
#include <algorithm>

using namespace stdctrls;

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
        // The list takes the mouse: the button's release goes to it, so a capture that the press
        // on the combo box took would outlive the click and steal the next one.
        if (GetCaptureControl() == combo) SetCaptureControl(nullptr);
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
