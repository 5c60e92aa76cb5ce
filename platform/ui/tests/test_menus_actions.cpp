// Menus with shortcuts, pop-up menus, and actions updated when the application goes idle.
#include "ActnList.h"
#include "Clipbrd.h"
#include "StdActns.h"
#include "Menus.h"
#include "StdCtrls.h"
#include "StdTestSupport.h"

namespace {

TEST(ShortCutText, TextAndShortCutsTable) {
    struct Case {
        TShortCut SC;
        const char* Text;
    };
    const Case cases[] = {
        {TShortCut(scCtrl | 'S'), "Ctrl+S"},
        {TShortCut(scShift | scCtrl | VK_F1), "Shift+Ctrl+F1"},
        {TShortCut(scAlt | 'X'), "Alt+X"},
        {VK_DELETE, "Del"},
        {VK_INSERT, "Ins"},
        {VK_RETURN, "Enter"},
        {VK_F12, "F12"},
        {TShortCut(scCtrl | VK_NEXT), "Ctrl+PgDn"},
        {TShortCut(scShift | VK_F5), "Shift+F5"},
        {'5', "5"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ShortCutToText(c.SC), QString::fromLatin1(c.Text));
        EXPECT_EQ(TextToShortCut(QString::fromLatin1(c.Text)), c.SC) << c.Text;
    }
    EXPECT_EQ(TextToShortCut(QStringLiteral("ctrl+s")), TShortCut(scCtrl | 'S'));
    EXPECT_EQ(TextToShortCut(QStringLiteral("Ctrl+Щ")), scNone);
    EXPECT_EQ(TextToShortCut(QString()), scNone);
    EXPECT_EQ(ShortCutToText(scNone), QString());
    EXPECT_EQ(ShortCut('S', TShiftState{ssCtrl}), TShortCut(scCtrl | 'S'));
}

class MenuTest : public FormTest {
protected:
    void SetUp() override {
        FormTest::SetUp();
        edit = form->Add<TEdit>(10, 10, 100, 22);
        menu = new TMainMenu(form);
        file = NewItem(form, QStringLiteral("&Файл"), 0, nullptr);
        save = NewItem(form, QStringLiteral("&Зберегти"), TextToShortCut(QStringLiteral("Ctrl+S")),
                       [this](TObject*) { ++saves; });
        menu->GetItems()->Add(file);
        file->Add(save);
        file->Add(NewLine(form));
        form->SetMenu(menu);
        edit->SetFocus();
    }
    TEdit* edit = nullptr;
    TMainMenu* menu = nullptr;
    TMenuItem* file = nullptr;
    TMenuItem* save = nullptr;
    int saves = 0;
};

TEST_F(MenuTest, AShortCutFiresItsItemFromAnyControlOfTheForm) {
    SendKey(edit, Qt::Key_S, QString(QChar(19)), Qt::ControlModifier);
    EXPECT_EQ(saves, 1);
    EXPECT_EQ(edit->GetText(), QString()); // the key went to the menu, not the edit

    // a disabled item (or a disabled parent) does not fire, and the key is not taken
    save->SetEnabled(false);
    SendKey(edit, Qt::Key_S, QString(QChar(19)), Qt::ControlModifier);
    EXPECT_EQ(saves, 1);
    save->SetEnabled(true);
    file->SetEnabled(false);
    SendKey(edit, Qt::Key_S, QString(QChar(19)), Qt::ControlModifier);
    EXPECT_EQ(saves, 1);
    file->SetEnabled(true);
    // a plain S is typed
    TypeText(edit, QStringLiteral("s"));
    EXPECT_EQ(edit->GetText(), QStringLiteral("s"));
    EXPECT_EQ(saves, 1);

    // a pop-up menu of the focused control answers its shortcuts too
    auto* popup = new TPopupMenu(form);
    int deletes = 0;
    popup->GetItems()->Add(
        NewItem(form, QStringLiteral("Вилучити"), VK_DELETE, [&](TObject*) { ++deletes; }));
    edit->SetPopupMenu(popup);
    PressKey(edit, Qt::Key_Delete);
    EXPECT_EQ(deletes, 1);

    EXPECT_EQ(menu->FindItemByShortCut(TShortCut(scCtrl | 'S')), save);
    EXPECT_EQ(file->Find(QStringLiteral("ЗБЕРЕГТИ")), save);
    EXPECT_TRUE(file->GetItems(1)->IsLine());
}

TEST_F(MenuTest, RadioItemsOfAGroupAndTheTree) {
    auto* a = NewItem(form, QStringLiteral("А"), 0, nullptr);
    auto* b = NewItem(form, QStringLiteral("Б"), 0, nullptr);
    auto* c = NewItem(form, QStringLiteral("В"), 0, nullptr);
    for (TMenuItem* i : {a, b, c}) {
        i->SetRadioItem(true);
        file->Add(i);
    }
    c->SetGroupIndex(1);
    a->SetChecked(true);
    c->SetChecked(true);
    b->SetChecked(true);
    EXPECT_FALSE(a->GetChecked());
    EXPECT_TRUE(b->GetChecked());
    EXPECT_TRUE(c->GetChecked()); // another group
    auto* d = NewItem(form, QStringLiteral("Г"), 0, nullptr);
    d->SetAutoCheck(true);
    file->Insert(0, d);
    EXPECT_EQ(d->GetMenuIndex(), 0);
    d->Click();
    EXPECT_TRUE(d->GetChecked());
    EXPECT_THROW(file->Add(d), EMenuError);
    file->Remove(d);
    EXPECT_EQ(file->IndexOf(d), -1);
    EXPECT_EQ(save->GetMenu(), menu);
}

TEST_F(MenuTest, RightClickPopsUpTheControlsMenu) {
    auto* probe = form->Add<TProbe>(150, 10, 80, 40);
    auto* popup = new TPopupMenu(form);
    auto* item = NewItem(form, QStringLiteral("Копіювати"), 0, nullptr);
    popup->GetItems()->Add(item);
    TObject* clickedBy = nullptr;
    item->OnClick = [&](TObject* S) { clickedBy = S; };
    int popups = 0;
    popup->OnPopup = [&](TObject*) { ++popups; };
    probe->SetPopupMenu(popup);
    TPoint at;
    TPopupRunner prev = SetPopupRunner([&](TPopupMenu* M, TPoint P) {
        at = P;
        return M->GetItems()->GetItems(0);
    });
    SendMouse(probe, QEvent::MouseButtonPress, 5, 6, Qt::RightButton);
    SendMouse(probe, QEvent::MouseButtonRelease, 5, 6, Qt::RightButton);
    EXPECT_EQ(popups, 1);
    EXPECT_EQ(clickedBy, item);
    EXPECT_EQ(popup->GetPopupComponent(), probe);
    EXPECT_EQ(at, probe->ClientToScreen(TPoint{5, 6}));
    // without AutoPopup nothing shows
    popup->SetAutoPopup(false);
    SendMouse(probe, QEvent::MouseButtonPress, 5, 6, Qt::RightButton);
    SendMouse(probe, QEvent::MouseButtonRelease, 5, 6, Qt::RightButton);
    EXPECT_EQ(popups, 1);
    SetPopupRunner(prev);
}

// ---- actions -------------------------------------------------------------------------------

TEST_F(MenuTest, AnActionDisabledByOnUpdateOnIdleDisablesItsClients) {
    auto* list = new TActionList(form);
    auto* act = new TAction(form);
    act->SetActionList(list);
    act->SetCaption(QStringLiteral("&Друк"));
    act->SetHint(QStringLiteral("Друк документа"));
    act->SetShortCut(TextToShortCut(QStringLiteral("Ctrl+P")));
    bool canPrint = true;
    int printed = 0, updates = 0;
    act->OnUpdate = [&](TObject*) {
        ++updates;
        act->SetEnabled(canPrint);
    };
    act->OnExecute = [&](TObject*) { ++printed; };
    auto* button = form->Add<TButton>(10, 50, 75, 25);
    LinkControlToAction(button, act);
    auto* item = new TMenuItem(form);
    file->Add(item);
    item->SetAction(act);
    EXPECT_EQ(button->GetCaption(), QStringLiteral("&Друк"));
    EXPECT_EQ(item->GetCaption(), QStringLiteral("&Друк"));
    EXPECT_EQ(item->GetShortCut(), TShortCut(scCtrl | 'P'));

    // nothing changes until the application goes idle
    canPrint = false;
    EXPECT_TRUE(act->GetEnabled());
    Application->DoIdle();
    EXPECT_GE(updates, 1);
    EXPECT_FALSE(act->GetEnabled());
    EXPECT_FALSE(button->GetEnabled());
    EXPECT_FALSE(item->GetEnabled());
    SendKey(edit, Qt::Key_P, QString(QChar(16)), Qt::ControlModifier);
    item->Click();
    EXPECT_EQ(printed, 0);

    canPrint = true;
    Application->DoIdle();
    EXPECT_TRUE(button->GetEnabled());
    Click(button, 5, 5);
    EXPECT_EQ(printed, 1);
    item->Click();
    EXPECT_EQ(printed, 2);
    SendKey(edit, Qt::Key_P, QString(QChar(16)), Qt::ControlModifier);
    EXPECT_EQ(printed, 3);
    // a control with its own OnClick keeps it
    int own = 0;
    button->OnClick = [&](TObject*) { ++own; };
    Click(button, 5, 5);
    EXPECT_EQ(own, 1);
    EXPECT_EQ(printed, 3);

    // the list's handlers come first; an action without a handler disables itself
    list->OnExecute = [&](TBasicAction* A, bool& Handled) { Handled = A == act; };
    item->Click();
    EXPECT_EQ(printed, 3);
    list->OnExecute = nullptr;
    auto* idle = new TAction(form);
    idle->SetActionList(list);
    Application->DoIdle();
    EXPECT_FALSE(idle->GetEnabled());

    // a hidden form's actions wait
    form->Hide();
    int before = updates;
    Application->DoIdle();
    EXPECT_EQ(updates, before);

    // an action that goes away leaves its clients alone
    delete act;
    EXPECT_EQ(item->GetAction(), nullptr);
    Click(button, 5, 5);
}

TEST(Actions, CheckedActionsOfAGroupAndAutoCheck) {
    TActionList list(nullptr);
    TAction a(nullptr), b(nullptr);
    a.SetActionList(&list);
    b.SetActionList(&list);
    a.OnExecute = [](TObject*) {};
    b.OnExecute = [](TObject*) {};
    a.SetGroupIndex(1);
    b.SetGroupIndex(1);
    a.SetChecked(true);
    b.SetChecked(true);
    EXPECT_FALSE(a.GetChecked());
    b.SetAutoCheck(true);
    b.Execute();
    EXPECT_FALSE(b.GetChecked());
    EXPECT_EQ(list.GetActionCount(), 2);
    EXPECT_EQ(b.GetIndex(), 1);
    list.SetState(asSuspended);
    EXPECT_FALSE(a.Execute());
}

// The standard edit actions act on the focused edit; a control that takes actions itself comes
// first.
TEST_F(MenuTest, EditActionsActOnTheFocusedEditUnlessTheControlTakesThemItself) {
    QApplication::processEvents();
    ASSERT_TRUE(edit->Focused());
    edit->SetText(QStringLiteral("Прізвище"));
    edit->SetSelStart(0);
    edit->SetSelLength(4);
    auto* copy = new TEditCopy(form);
    auto* cut = new TEditCut(form);
    auto* all = new TEditSelectAll(form);
    auto* del = new TEditDelete(form);
    for (TEditAction* a : std::initializer_list<TEditAction*>{copy, cut, all, del}) {
        EXPECT_TRUE(a->Update());
        EXPECT_TRUE(a->GetEnabled()) << a->ClassName().toStdString();
    }
    EXPECT_TRUE(copy->Execute());
    EXPECT_EQ(Clipboard()->GetAsText(), QStringLiteral("Пріз"));
    edit->SetReadOnly(true);
    cut->Update();
    del->Update();
    EXPECT_FALSE(cut->GetEnabled());
    EXPECT_FALSE(del->GetEnabled());
    edit->SetReadOnly(false);
    EXPECT_TRUE(del->Execute());
    EXPECT_EQ(edit->GetText(), QStringLiteral("вище"));

    // a focused control that takes the copy itself; the others are nobody's there
    class TTaker : public TCustomControl {
    public:
        explicit TTaker(TComponent* AOwner) : TCustomControl(AOwner) { SetTabStop(true); }
        bool UpdateAction(TBasicAction* A) override {
            auto* copy = dynamic_cast<TEditCopy*>(A);
            if (copy) copy->SetEnabled(true);
            return copy != nullptr;
        }
        bool ExecuteAction(TBasicAction* A) override {
            taken += dynamic_cast<TEditCopy*>(A) != nullptr;
            return dynamic_cast<TEditCopy*>(A) != nullptr;
        }
        int taken = 0;
    };
    auto* taker = new TTaker(form);
    taker->SetParent(form);
    taker->SetBounds(10, 60, 50, 20);
    taker->SetFocus();
    QApplication::processEvents();
    ASSERT_EQ(Screen->GetActiveControl(), taker);
    EXPECT_TRUE(copy->Execute());
    EXPECT_EQ(taker->taken, 1);
    EXPECT_FALSE(all->Execute());
}

} // namespace
