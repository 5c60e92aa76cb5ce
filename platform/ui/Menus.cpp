#include "Menus.h"

#include "Forms.h"
#include "ImgList.h"
#include "StdCtrls.h"
#include "SysUtils.h"
#include "UiInternal.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <algorithm>

// ---- shortcut text --------------------------------------------------------------------------

namespace {
struct KeyName {
    WORD Key;
    const char* Name;
};
const KeyName kKeyNames[] = {
    {VK_BACK, "BkSp"},      {VK_TAB, "Tab"},        {VK_ESCAPE, "Esc"},   {VK_RETURN, "Enter"},
    {VK_SPACE, "Space"},    {VK_PRIOR, "PgUp"},     {VK_NEXT, "PgDn"},    {VK_END, "End"},
    {VK_HOME, "Home"},      {VK_LEFT, "Left"},      {VK_UP, "Up"},        {VK_RIGHT, "Right"},
    {VK_DOWN, "Down"},      {VK_INSERT, "Ins"},     {VK_DELETE, "Del"},   {VK_ADD, "Num +"},
    {VK_SUBTRACT, "Num -"}, {VK_MULTIPLY, "Num *"}, {VK_DIVIDE, "Num /"},
};

QString keyName(WORD Key) {
    for (const KeyName& k : kKeyNames)
        if (k.Key == Key) return QString::fromLatin1(k.Name);
    if ((Key >= '0' && Key <= '9') || (Key >= 'A' && Key <= 'Z')) return QString(QChar(Key));
    if (Key >= VK_F1 && Key <= VK_F12) return QStringLiteral("F%1").arg(Key - VK_F1 + 1);
    if (Key >= VK_NUMPAD0 && Key <= VK_NUMPAD9)
        return QStringLiteral("Num %1").arg(Key - VK_NUMPAD0);
    return QString();
}

// the runner in use; empty means the Qt one
TPopupRunner& popupRunner() {
    static TPopupRunner r;
    return r;
}

bool formShortCut(TCustomForm* Form, TMessage& Msg);
} // namespace

QString ShortCutToText(TShortCut SC) {
    if (SC == scNone) return QString();
    QString name = keyName(WORD(SC & 0xFF));
    if (name.isEmpty()) return QString();
    QString r;
    if (SC & scShift) r += QStringLiteral("Shift+");
    if (SC & scCtrl) r += QStringLiteral("Ctrl+");
    if (SC & scAlt) r += QStringLiteral("Alt+");
    return r + name;
}

TShortCut TextToShortCut(const QString& Text) {
    QString t = Text.trimmed();
    TShortCut mods = 0;
    for (;;) {
        auto takes = [&](const QString& p) {
            if (t.startsWith(p, Qt::CaseInsensitive) && t.size() > p.size()) {
                t = t.mid(p.size());
                return true;
            }
            return false;
        };
        if (takes(QStringLiteral("Shift+")))
            mods |= scShift;
        else if (takes(QStringLiteral("Ctrl+")))
            mods |= scCtrl;
        else if (takes(QStringLiteral("Alt+")))
            mods |= scAlt;
        else
            break;
    }
    for (WORD k = 1; k < 256; ++k) {
        QString n = keyName(k);
        if (!n.isEmpty() && n.compare(t, Qt::CaseInsensitive) == 0) return TShortCut(k | mods);
    }
    return scNone;
}

// ---- TMenuItem ------------------------------------------------------------------------------

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner) {}

TMenuItem::~TMenuItem() {
    SetAction(nullptr);
    for (TMenuItem* i : std::vector<TMenuItem*>(items)) {
        i->parentItem = nullptr;
        if (!i->GetOwner()) delete i;
    }
    items.clear();
    if (parentItem) parentItem->Remove(this);
}

TMenu* TMenuItem::GetMenu() const {
    const TMenuItem* i = this;
    while (i->parentItem)
        i = i->parentItem;
    return i->menu;
}

void TMenuItem::changed() {
    if (TMenu* m = GetMenu()) m->MenuChanged(this);
}

void TMenuItem::SetCaption(const QString& Value) {
    caption = Value;
    changed();
}

void TMenuItem::SetShortCut(TShortCut Value) {
    shortCut = Value;
    changed();
}

void TMenuItem::SetEnabled(bool Value) {
    enabled = Value;
    changed();
}

void TMenuItem::SetVisible(bool Value) {
    visible = Value;
    changed();
}

void TMenuItem::SetChecked(bool Value) {
    if (checked == Value) return;
    checked = Value;
    if (Value && radioItem && parentItem)
        for (TMenuItem* s : parentItem->items)
            if (s != this && s->radioItem && s->groupIndex == groupIndex) s->checked = false;
    changed();
}

void TMenuItem::syncFromAction() {
    if (!action) return;
    caption = action->GetCaption();
    hint = action->GetHint();
    imageIndex = action->GetImageIndex();
    shortCut = action->GetShortCut();
    enabled = action->GetEnabled();
    visible = action->GetVisible();
    SetChecked(action->GetChecked());
    changed();
}

void TMenuItem::SetAction(TCustomAction* Value) {
    if (action == Value) return;
    if (action) {
        action->RemoveChangeListener(actionListener);
        action->RemoveFreeNotification(this);
    }
    action = Value;
    if (Value) {
        Value->FreeNotification(this);
        actionListener = Value->AddChangeListener([this] { syncFromAction(); });
        syncFromAction();
    }
}

void TMenuItem::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == action) action = nullptr;
}

int TMenuItem::GetMenuIndex() const {
    return parentItem ? parentItem->IndexOf(const_cast<TMenuItem*>(this)) : -1;
}

void TMenuItem::SetMenuIndex(int Value) {
    if (!parentItem) return;
    TMenuItem* p = parentItem;
    p->Remove(this);
    p->Insert(std::clamp(Value, 0, p->GetCount()), this);
}

void TMenuItem::Add(TMenuItem* Item) {
    Insert(GetCount(), Item);
}

void TMenuItem::Insert(int Index, TMenuItem* Item) {
    if (Item->parentItem) throw EMenuError(QStringLiteral("Menu inserted twice"));
    if (Index < 0 || Index > GetCount())
        throw EMenuError(QStringLiteral("Menu index out of range"));
    items.insert(items.begin() + Index, Item);
    Item->parentItem = this;
    changed();
}

void TMenuItem::Delete(int Index) {
    if (Index < 0 || Index >= GetCount())
        throw EMenuError(QStringLiteral("Menu index out of range"));
    items[size_t(Index)]->parentItem = nullptr;
    items.erase(items.begin() + Index);
    changed();
}

void TMenuItem::Remove(TMenuItem* Item) {
    int i = IndexOf(Item);
    if (i < 0) throw EMenuError(QStringLiteral("Sub-menu is not in menu"));
    Delete(i);
}

void TMenuItem::Clear() {
    for (TMenuItem* i : std::vector<TMenuItem*>(items)) {
        Remove(i);
        delete i;
    }
}

int TMenuItem::IndexOf(TMenuItem* Item) const {
    auto it = std::find(items.begin(), items.end(), Item);
    return it == items.end() ? -1 : int(it - items.begin());
}

TMenuItem* TMenuItem::Find(const QString& ACaption) const {
    for (TMenuItem* i : items)
        if (AnsiSameText(StripHotkey(i->caption), StripHotkey(ACaption))) return i;
    return nullptr;
}

void TMenuItem::Click() {
    if (!enabled) return;
    if (autoCheck && !(action && action->GetAutoCheck())) SetChecked(!checked);
    if (OnClick) {
        OnClick(this);
    } else if (action) {
        action->ActionComponent = this;
        action->Execute();
    }
}

// ---- TMenu ----------------------------------------------------------------------------------

TMenu::TMenu(TComponent* AOwner) : TComponent(AOwner) {
    items = new TMenuItem(this);
    items->menu = this;
    InstallMenuHandlers();
}

TMenu::~TMenu() {
    // a plain delete frees the owned root item after this body; FreeObject frees it before
    // (and Notification forgets it then)
    if (items) items->menu = nullptr;
}

void TMenu::SetImages(TCustomImageList* Value) {
    if (images) images->RemoveFreeNotification(this);
    images = Value;
    if (Value) Value->FreeNotification(this);
}

void TMenu::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == images) images = nullptr;
    if (Operation == opRemove && AComponent == items) {
        items->menu = nullptr;
        items = nullptr;
    }
}

namespace {
TMenuItem* findShortCut(TMenuItem* Item, TShortCut SC) {
    for (int i = 0; i < Item->GetCount(); ++i) {
        TMenuItem* c = Item->GetItems(i);
        if (!c->GetVisible()) continue;
        if (c->GetShortCut() == SC && !c->IsLine()) return c;
        if (TMenuItem* d = findShortCut(c, SC)) return d;
    }
    return nullptr;
}
} // namespace

TMenuItem* TMenu::FindItemByShortCut(TShortCut SC) const {
    return SC == scNone ? nullptr : findShortCut(items, SC);
}

bool TMenu::IsShortCut(TMessage& Message) {
    TShortCut sc = ShortCut(WORD(Message.WParam), KeyDataToShiftState(Message.LParam));
    TMenuItem* item = FindItemByShortCut(sc);
    if (!item) return false;
    // an item takes its action's state first
    if (TCustomAction* a = item->GetAction()) a->Update();
    for (TMenuItem* p = item; p; p = p->GetParent())
        if (!p->GetEnabled()) return false;
    item->Click();
    return true;
}

namespace {
// Runs an item from a Qt entry; no exception crosses Qt's event loop.
void connectClick(QAction* A, TMenuItem* Item) {
    QObject::connect(A, &QAction::triggered, A, [Item]() {
        try {
            Item->Click();
        } catch (...) {
            HandleCurrentException(Item);
        }
    });
}
} // namespace

void TMenu::FillQMenu(QMenu* Menu, TMenuItem* From) const {
    if (!From) From = items;
    for (int i = 0; i < From->GetCount(); ++i) {
        TMenuItem* it = From->GetItems(i);
        if (!it->GetVisible()) continue;
        if (it->IsLine()) {
            Menu->addSeparator();
            continue;
        }
        QString text = it->GetCaption();
        if (it->GetCount() > 0) {
            QMenu* sub = Menu->addMenu(text);
            sub->menuAction()->setObjectName(it->GetName());
            sub->setEnabled(it->GetEnabled());
            FillQMenu(sub, it);
            continue;
        }
        QAction* a = Menu->addAction(text);
        a->setEnabled(it->GetEnabled());
        a->setCheckable(it->GetChecked() || it->GetRadioItem() || it->GetAutoCheck());
        a->setChecked(it->GetChecked());
        if (it->GetShortCut() != scNone)
            a->setText(text + QStringLiteral("\t") + ShortCutToText(it->GetShortCut()));
        a->setObjectName(it->GetName());
        connectClick(a, it);
    }
}

TMainMenu::~TMainMenu() {
    // the entries call the items, which go with this menu
    for (const QPointer<QMenuBar>& b : bars)
        if (b) {
            b->clear();
            qDeleteAll(b->findChildren<QMenu*>(Qt::FindDirectChildrenOnly));
        }
}

QMenuBar* TMainMenu::CreateMenuBar(QWidget* Parent) {
    auto* bar = new QMenuBar(Parent);
    bars.erase(std::remove(bars.begin(), bars.end(), nullptr), bars.end());
    bars.emplace_back(bar);
    FillMenuBar(bar);
    return bar;
}

void TMainMenu::FillMenuBar(QMenuBar* Bar) const {
    // The old menus may be running the entry that caused this change: they go later.
    for (QMenu* m : Bar->findChildren<QMenu*>(Qt::FindDirectChildrenOnly))
        m->deleteLater();
    for (QAction* a : Bar->actions()) {
        Bar->removeAction(a);
        if (a->parent() == Bar) {
            a->setParent(nullptr);
            a->deleteLater();
        }
    }
    if (!items) return; // the menu is being freed
    for (int i = 0; i < items->GetCount(); ++i) {
        TMenuItem* it = items->GetItems(i);
        if (!it->GetVisible() || it->IsLine()) continue;
        QAction* a;
        if (it->GetCount() > 0) {
            auto* m = new QMenu(it->GetCaption(), Bar);
            FillQMenu(m, it);
            a = Bar->addMenu(m);
        } else {
            a = Bar->addAction(it->GetCaption());
            connectClick(a, it);
        }
        a->setObjectName(it->GetName());
        a->setEnabled(it->GetEnabled());
    }
}

void TMainMenu::MenuChanged(TMenuItem* Item) {
    TMenu::MenuChanged(Item);
    bars.erase(std::remove(bars.begin(), bars.end(), nullptr), bars.end());
    for (const QPointer<QMenuBar>& b : std::vector<QPointer<QMenuBar>>(bars))
        if (b) FillMenuBar(b);
}

// ---- TPopupMenu -----------------------------------------------------------------------------

TPopupMenu::TPopupMenu(TComponent* AOwner) : TMenu(AOwner) {}

void TPopupMenu::Popup(int X, int Y) {
    if (OnPopup) OnPopup(this);
    TMenuItem* chosen = nullptr;
    if (popupRunner()) {
        chosen = popupRunner()(this, TPoint{X, Y});
    } else {
        QMenu m;
        FillQMenu(&m, nullptr);
        m.exec(QPoint(X, Y)); // the chosen entry clicks its item itself
        return;
    }
    if (chosen) chosen->Click();
}

TPopupRunner SetPopupRunner(TPopupRunner Runner) {
    TPopupRunner prev = popupRunner();
    popupRunner() = std::move(Runner);
    return prev;
}

TMenuItem* NewItem(TComponent* Owner, const QString& ACaption, TShortCut AShortCut,
                   TNotifyEvent AOnClick, bool AEnabled) {
    auto* i = new TMenuItem(Owner);
    i->SetCaption(ACaption);
    i->SetShortCut(AShortCut);
    i->OnClick = std::move(AOnClick);
    i->SetEnabled(AEnabled);
    return i;
}

TMenuItem* NewLine(TComponent* Owner) {
    auto* i = new TMenuItem(Owner);
    i->SetCaption(QStringLiteral("-"));
    return i;
}

// ---- the form's shortcuts and control pop-ups -------------------------------------------------

namespace {
bool formShortCut(TCustomForm* Form, TMessage& Msg) {
    if (TMainMenu* m = Form->GetMenu())
        if (m->IsShortCut(Msg)) return true;
    // pop-up menus of the focused control and its parents
    for (TControl* c = Form->GetActiveControl(); c && c != Form; c = c->GetParent())
        if (TPopupMenu* p = c->GetPopupMenu())
            if (p->IsShortCut(Msg)) return true;
    if (TPopupMenu* p = Form->GetPopupMenu())
        if (p->IsShortCut(Msg)) return true;
    // the action lists the form owns
    for (TCustomActionList* l : std::vector<TCustomActionList*>(ActionLists()))
        if (l->GetOwner() == Form && l->IsShortCut(Msg)) return true;
    return false;
}

} // namespace

void InstallMenuHandlers() {
    static bool done = false;
    if (done) return;
    done = true;
    SetFormShortCutHandler(formShortCut);
    SetPopupMenuHandler([](TControl* Control, TPopupMenu* Menu, TPoint Screen) {
        if (!Menu || !Menu->GetAutoPopup()) return false;
        Menu->SetPopupComponent(Control);
        Menu->Popup(Screen.X, Screen.Y);
        return true;
    });
}
