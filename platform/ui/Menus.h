// Menus: TMenuItem trees under a TMainMenu (the form's menu bar) or a TPopupMenu, shortcut
// keys and their text ("Ctrl+S", "Shift+F5", "Del"), and the form's shortcut handling: a key
// goes to the form's main menu, then to the pop-up menus of the focused control and its
// parents, then to the form's action lists.
#pragma once

#include "ActnList.h"
#include "Controls.h"

#include <QPointer>
#include <vector>

KADRION_EXCEPTION(EMenuError, Exception)

// Installs the form shortcut handler (main menu, pop-up menus, action lists) and the control
// pop-up handler; menus and action lists do it when they are made.
void InstallMenuHandlers();

class QMenu;
class QMenuBar;
class TMenu;
class TCustomImageList;

// "Ctrl+S", "Shift+Ctrl+F1", "Alt+X", "Del", "Ins", "Enter", "Esc", "PgUp", "F12" ...; ""
// for scNone.
QString ShortCutToText(TShortCut ShortCut);
// The reverse; scNone for text it does not know.
TShortCut TextToShortCut(const QString& Text);

class TMenuItem : public TComponent {
    KADRION_CLASS(TMenuItem)
    explicit TMenuItem(TComponent* AOwner);
    ~TMenuItem() override;

    QString GetCaption() const { return caption; }
    void SetCaption(const QString& Value);
    TShortCut GetShortCut() const { return shortCut; }
    void SetShortCut(TShortCut Value);
    bool GetEnabled() const { return enabled; }
    void SetEnabled(bool Value);
    bool GetChecked() const { return checked; }
    // Checking a radio item unchecks the radio items of its group among its siblings.
    void SetChecked(bool Value);
    bool GetRadioItem() const { return radioItem; }
    void SetRadioItem(bool Value) { radioItem = Value; }
    int GetGroupIndex() const { return groupIndex; }
    void SetGroupIndex(int Value) { groupIndex = Value; }
    bool GetVisible() const { return visible; }
    void SetVisible(bool Value);
    bool GetAutoCheck() const { return autoCheck; }
    void SetAutoCheck(bool Value) { autoCheck = Value; }
    bool GetDefault() const { return isDefault; }
    void SetDefault(bool Value) { isDefault = Value; }
    QString GetHint() const { return hint; }
    void SetHint(const QString& Value) { hint = Value; }
    int GetImageIndex() const { return imageIndex; }
    void SetImageIndex(int Value) { imageIndex = Value; }
    int GetHelpContext() const { return helpContext; }
    void SetHelpContext(int Value) { helpContext = Value; }
    // Takes caption, hint, image, shortcut, enabled, checked and visible from the action
    // (and keeps following it); clicking runs it unless the item has an OnClick.
    TCustomAction* GetAction() const { return action; }
    void SetAction(TCustomAction* Value);

    // --- the tree
    int GetCount() const { return int(items.size()); }
    int Count() const { return GetCount(); }
    TMenuItem* GetItems(int Index) const { return items[size_t(Index)]; }
    TMenuItem* operator[](int Index) const { return GetItems(Index); }
    TMenuItem* GetParent() const { return parentItem; }
    int GetMenuIndex() const;
    void SetMenuIndex(int Value);
    void Add(TMenuItem* Item);
    void Insert(int Index, TMenuItem* Item);
    void Delete(int Index);
    void Remove(TMenuItem* Item);
    void Clear();
    int IndexOf(TMenuItem* Item) const;
    // The item with this caption ('&' ignored, case-insensitive), null when none.
    TMenuItem* Find(const QString& ACaption) const;
    // A separator: caption "-".
    bool IsLine() const { return caption == QStringLiteral("-"); }
    TMenu* GetMenu() const;

    // Runs the item: AutoCheck, then OnClick, or the action.
    virtual void Click();
    TNotifyEvent OnClick;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void changed();
    void syncFromAction();
    QString caption;
    TShortCut shortCut = 0;
    bool enabled = true, checked = false, radioItem = false, visible = true;
    bool autoCheck = false, isDefault = false;
    int groupIndex = 0;
    QString hint;
    int imageIndex = -1;
    int helpContext = 0;
    TCustomAction* action = nullptr;
    int actionListener = 0;
    std::vector<TMenuItem*> items;
    TMenuItem* parentItem = nullptr;
    TMenu* menu = nullptr;
    friend class TMenu;
};

class TMenu : public TComponent {
    KADRION_CLASS(TMenu)
    explicit TMenu(TComponent* AOwner);
    ~TMenu() override;
    TMenuItem* GetItems() const { return items; }
    TCustomImageList* GetImages() const { return images; }
    void SetImages(TCustomImageList* Value);
    // Clicks the enabled, visible item (at any depth) whose shortcut the key message
    // (CN_KEYDOWN: VK in WParam, key data in LParam) is; true when there was one.
    bool IsShortCut(TMessage& Message);
    // The item (at any depth) with this shortcut, null when none.
    TMenuItem* FindItemByShortCut(TShortCut ShortCut) const;
    // Builds a Qt menu of the items (for showing); choosing an entry clicks its item.
    void FillQMenu(QMenu* Menu, TMenuItem* From) const;
    // Told when an item changes.
    virtual void MenuChanged(TMenuItem* Item) {}

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;
    TMenuItem* items;
    TCustomImageList* images = nullptr;
};

// The menu bar of a form (TCustomForm::SetMenu); a tool bar's menu strip may show it too.
class TMainMenu : public TMenu {
    KADRION_CLASS(TMainMenu)
    explicit TMainMenu(TComponent* AOwner) : TMenu(AOwner) {}
    ~TMainMenu() override;
    // A Qt menu bar of the items, rebuilt when they change. A top item without sub-items is
    // an entry of the bar itself; choosing any entry clicks its item.
    QMenuBar* CreateMenuBar(QWidget* Parent);
    // Refills a menu bar with the current items.
    void FillMenuBar(QMenuBar* Bar) const;
    void MenuChanged(TMenuItem* Item) override;
    bool AutoMerge = false;

protected:
    std::vector<QPointer<QMenuBar>> bars;
};

enum TPopupAlignment { paLeft, paRight, paCenter };

// Shows its items at a screen point. Controls with this menu as PopupMenu show it on a right
// click (AutoPopup). Which item the user picks comes from the popup runner: a Qt menu in the
// program, a script in tests.
class TPopupMenu : public TMenu {
    KADRION_CLASS(TPopupMenu)
    explicit TPopupMenu(TComponent* AOwner);
    bool GetAutoPopup() const { return autoPopup; }
    void SetAutoPopup(bool Value) { autoPopup = Value; }
    TComponent* GetPopupComponent() const { return popupComponent; }
    void SetPopupComponent(TComponent* Value) { popupComponent = Value; }
    TPopupAlignment Alignment = paLeft;
    // OnPopup, then shows the menu; the chosen item is clicked.
    virtual void Popup(int X, int Y);
    TNotifyEvent OnPopup;

protected:
    bool autoPopup = true;
    TComponent* popupComponent = nullptr;
};

// Picks an item of a shown pop-up menu (null: none chosen). The default runs a Qt menu.
using TPopupRunner = std::function<TMenuItem*(TPopupMenu* Menu, TPoint Screen)>;
// Installs a runner (empty restores the Qt one); returns the previous one.
TPopupRunner SetPopupRunner(TPopupRunner Runner);

// Makes a menu item with caption, shortcut and handler (for building menus in code).
TMenuItem* NewItem(TComponent* Owner, const QString& ACaption, TShortCut AShortCut,
                   TNotifyEvent AOnClick, bool AEnabled = true);
TMenuItem* NewLine(TComponent* Owner);
