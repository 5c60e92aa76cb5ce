// The tool-bar menu bar: one captioned button per top-level item, rebuilt when the menu
// changes, dropped sub-menus, and shortcut and accelerator keys that reach the menu.
#include "rMenuBar.h"
#include "StdTestSupport.h"

#include <QApplication>

namespace {

using MenuBarTest = FormTest;

TMainMenu* makeMenu(TComponent* Owner, const QStringList& Tops, std::vector<QString>* Clicked) {
    auto* m = new TMainMenu(Owner);
    for (const QString& t : Tops) {
        auto* top = new TMenuItem(m);
        top->SetCaption(t);
        m->GetItems()->Add(top);
        for (int i = 1; i <= 2; ++i) {
            auto* it = new TMenuItem(m);
            QString name = StripHotkey(t) + QString::number(i);
            it->SetCaption(name);
            it->OnClick = [Clicked, name](TObject*) { Clicked->push_back(name); };
            top->Add(it);
        }
    }
    return m;
}

QStringList captions(TrMenuBar* Bar) {
    QStringList l;
    for (int i = 0; i < Bar->ButtonCount(); ++i)
        l << Bar->GetButtons(i)->GetCaption();
    return l;
}

TEST_F(MenuBarTest, ButtonsFollowTheMenuSet) {
    std::vector<QString> clicked;
    auto* bar = form->Add<TrMenuBar>(0, 0, 400, 25);
    bar->SetButtonWidth(91);
    bar->SetButtonHeight(21);
    const QStringList five{"Облік персоналу", "Редагування", "Звіти", "Сервіс", "Вихід"};
    TMainMenu* m1 = makeMenu(form, five, &clicked);
    bar->SetMenu(m1);
    EXPECT_EQ(captions(bar), five);
    EXPECT_TRUE(bar->GetFlat());
    EXPECT_TRUE(bar->GetShowCaptions());
    for (int i = 0; i < bar->ButtonCount(); ++i) {
        EXPECT_EQ(bar->GetButtons(i)->GetMenuItem(), m1->GetItems()->GetItems(i));
        EXPECT_EQ(bar->GetButtons(i)->GetHeight(), 21);
        if (i > 0) {
            EXPECT_GT(bar->GetButtons(i)->GetLeft(), bar->GetButtons(i - 1)->GetLeft());
        }
    }
    // items added later show only when the menu is set again
    auto* extra = new TMenuItem(m1);
    extra->SetCaption(QStringLiteral("Допомога"));
    m1->GetItems()->Add(extra);
    EXPECT_EQ(bar->ButtonCount(), 5);

    TMainMenu* m2 = makeMenu(form, {"Файл", "Правка"}, &clicked);
    bar->SetMenu(m2);
    EXPECT_EQ(captions(bar), (QStringList{"Файл", "Правка"}));
    bar->SetMenu(nullptr);
    EXPECT_EQ(bar->ButtonCount(), 0);

    // freeing the menu under the bar takes the buttons away
    bar->SetMenu(m1);
    EXPECT_EQ(bar->ButtonCount(), 6);
    delete m1;
    EXPECT_EQ(bar->GetMenu(), nullptr);
    EXPECT_EQ(bar->ButtonCount(), 0);
}

TEST_F(MenuBarTest, BuiltWhileLoadingTheFormKeepsNoStaleButtons) {
    std::vector<QString> clicked;
    form->BeginLoading();
    auto* bar = form->Add<TrMenuBar>(0, 0, 400, 25);
    bar->SetMenu(makeMenu(form, {"Звіти", "Сервіс"}, &clicked));
    form->EndLoading();
    EXPECT_EQ(captions(bar), (QStringList{"Звіти", "Сервіс"}));
    for (int i = 0; i < bar->ButtonCount(); ++i)
        EXPECT_EQ(bar->GetButtons(i)->GetOwner(), bar);
}

TEST_F(MenuBarTest, AButtonDropsItsSubMenu) {
    std::vector<QString> clicked;
    auto* bar = form->Add<TrMenuBar>(0, 0, 400, 25);
    bar->SetMenu(makeMenu(form, {"Звіти", "Сервіс"}, &clicked));
    QStringList shown;
    TPopupRunner prev = SetPopupRunner([&](TPopupMenu* M, TPoint) -> TMenuItem* {
        for (int i = 0; i < M->GetItems()->GetCount(); ++i)
            shown << M->GetItems()->GetItems(i)->GetCaption();
        return M->GetItems()->GetItems(1);
    });
    TToolButton* b = bar->GetButtons(1);
    TPoint p = b->ClientToParent(TPoint{5, 5});
    Click(bar, p.X, p.Y);
    SetPopupRunner(prev);
    EXPECT_EQ(shown, (QStringList{"Сервіс1", "Сервіс2"}));
    EXPECT_EQ(clicked, (std::vector<QString>{"Сервіс2"}));
    // the items went back under their menu
    EXPECT_EQ(bar->GetMenu()->GetItems()->GetItems(1)->GetCount(), 2);
}

TEST_F(MenuBarTest, ShortcutsAndAcceleratorsReachTheMenu) {
    std::vector<QString> clicked;
    auto* bar = form->Add<TrMenuBar>(0, 0, 400, 25);
    TMainMenu* m = makeMenu(form, {"&Файл", "&Report"}, &clicked);
    m->GetItems()->GetItems(0)->GetItems(1)->SetShortCut(ShortCut('P', TShiftState{ssCtrl}));
    bar->SetMenu(m);
    auto* edit = form->Add<TEdit>(10, 60, 120, 21);
    int keys = 0;
    edit->OnKeyDown = [&](TObject*, WORD&, TShiftState) { ++keys; };
    edit->SetFocus();

    // a real key in the edit: the menu item runs and the edit never hears of it
    SendKey(edit, Qt::Key_P, QString(), Qt::ControlModifier);
    EXPECT_EQ(clicked, (std::vector<QString>{"Файл2"}));
    EXPECT_EQ(keys, 0);
    // as a dialog key sent to the bar itself
    TMessage dk{CM_DIALOGKEY, 'P', 0, 0};
    SetTrackedInputState(Qt::ControlModifier, {});
    bar->WindowProc(dk);
    SetTrackedInputState({}, {});
    EXPECT_EQ(dk.Result, 1);
    EXPECT_EQ(clicked.size(), 2u);
    // a key that is no shortcut goes on to the edit
    SendKey(edit, Qt::Key_Q, QString(), Qt::ControlModifier);
    EXPECT_EQ(keys, 1);

    // Alt with an accelerator drops that menu
    QString dropped;
    TPopupRunner prev = SetPopupRunner([&](TPopupMenu* M, TPoint) -> TMenuItem* {
        dropped = M->GetItems()->GetItems(0)->GetCaption();
        return nullptr;
    });
    SendKey(edit, Qt::Key_R, QStringLiteral("r"), Qt::AltModifier);
    EXPECT_EQ(dropped, QStringLiteral("Report1"));
    dropped.clear();
    EXPECT_EQ(bar->Perform(CM_DIALOGCHAR, WPARAM(u'ф'), 0), 1);
    EXPECT_EQ(dropped, QStringLiteral("Файл1"));
    SetPopupRunner(prev);
}

} // namespace
