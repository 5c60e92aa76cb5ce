// A form's main menu: the menu bar above the client area, kept up to date with its items, and
// the items run from the bar's entries.
#include "ActnList.h"
#include "ExtCtrls.h"
#include "Menus.h"
#include "StdTestSupport.h"

#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>

namespace {

// A form built the usual way: a menu "&Файл" (Відкрити, -, Вихід), "&Правка" (Копіювати with
// a sub-menu), a hidden "Сервіс", a bar entry "Довідка" without sub-items; a panel along the
// top and one filling the rest.
class TMenuForm : public TForm {
    KADRION_CLASS(TMenuForm)
    explicit TMenuForm(TComponent* AOwner, TFormStyle Style = fsNormal) : TForm(AOwner) {
        BeginLoading();
        SetFormStyle(Style);
        SetBounds(10, 10, 400, 300);
        MainMenu1 = new TMainMenu(this);
        auto item = [this](TMenuItem* Parent, const char* Name, const QString& Caption) {
            auto* i = new TMenuItem(this);
            i->SetName(QString::fromLatin1(Name));
            i->SetCaption(Caption);
            i->OnClick = [this, Name](TObject*) { Clicked << QString::fromLatin1(Name); };
            Parent->Add(i);
            return i;
        };
        TMenuItem* root = MainMenu1->GetItems();
        FileMenu = item(root, "FileMenu", QStringLiteral("&Файл"));
        Open = item(FileMenu, "Open", QStringLiteral("&Відкрити"));
        item(FileMenu, "Line1", QStringLiteral("-"));
        Exit = item(FileMenu, "Exit", QStringLiteral("Ви&хід"));
        EditMenu = item(root, "EditMenu", QStringLiteral("&Правка"));
        Copy = item(EditMenu, "Copy", QStringLiteral("Копіювати"));
        CopyAll = item(Copy, "CopyAll", QStringLiteral("Усе"));
        Tools = item(root, "Tools", QStringLiteral("Сервіс"));
        item(Tools, "Options", QStringLiteral("Настройки"));
        Tools->SetVisible(false);
        Help = item(root, "Help", QStringLiteral("Довідка"));
        SetMenu(MainMenu1);
        if (Style != fsMDIForm) {
            Top = new TPanel(this);
            Top->SetParent(this);
            Top->SetHeight(30);
            Top->SetAlign(alTop);
            Rest = new TPanel(this);
            Rest->SetParent(this);
            Rest->SetAlign(alClient);
        }
        EndLoading();
    }
    TMainMenu* MainMenu1;
    TMenuItem *FileMenu, *Open, *Exit, *EditMenu, *Copy, *CopyAll, *Tools, *Help;
    TPanel* Top = nullptr;
    TPanel* Rest = nullptr;
    QStringList Clicked;
};

QStringList barTitles(QMenuBar* Bar) {
    QStringList r;
    for (QAction* a : Bar->actions())
        r << a->text();
    return r;
}

// The entry of the item named Name that the bar shows now.
QAction* findIn(const QList<QAction*>& Actions, const QString& Name) {
    for (QAction* a : Actions) {
        if (a->objectName() == Name) return a;
        if (a->menu())
            if (QAction* s = findIn(a->menu()->actions(), Name)) return s;
    }
    return nullptr;
}

QAction* entry(QMenuBar* Bar, const char* Name) {
    return findIn(Bar->actions(), QString::fromLatin1(Name));
}

QStringList menuTexts(QMenuBar* Bar, const char* Name) {
    QStringList r;
    QAction* a = entry(Bar, Name);
    if (a && a->menu())
        for (QAction* s : a->menu()->actions())
            r << (s->isSeparator() ? QStringLiteral("-") : s->text());
    return r;
}

class MainMenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = CreateNewForm<TMenuForm>(nullptr);
        form->Show();
        QApplication::processEvents();
        bar = form->GetMenuBar();
        ASSERT_NE(bar, nullptr);
    }
    void TearDown() override {
        delete form;
        QApplication::processEvents();
    }
    TMenuForm* form = nullptr;
    QMenuBar* bar = nullptr;
};

TEST_F(MainMenuTest, TheBarShowsTheTopItemsAboveTheClientArea) {
    EXPECT_EQ(barTitles(bar), (QStringList{QStringLiteral("&Файл"), QStringLiteral("&Правка"),
                                           QStringLiteral("Довідка")}));
    EXPECT_EQ(
        menuTexts(bar, "FileMenu"),
        (QStringList{QStringLiteral("&Відкрити"), QStringLiteral("-"), QStringLiteral("Ви&хід")}));
    int h = bar->height();
    ASSERT_GT(h, 0);
    EXPECT_EQ(bar->geometry(), QRect(0, 0, form->GetHandle()->width(), h));
    // the client area is what the bar leaves, and the aligned panels fill it from its top
    TRect c = form->GetClientRect();
    EXPECT_EQ(c, (TRect{0, 0, form->GetWidth(), form->GetHeight() - h}));
    EXPECT_EQ(form->Top->GetBoundsRect(), (TRect{0, 0, c.Right, 30}));
    EXPECT_EQ(form->Rest->GetBoundsRect(), (TRect{0, 30, c.Right, c.Bottom}));
    EXPECT_EQ(form->Top->GetHandle()->geometry(), QRect(0, h, c.Right, 30));
    EXPECT_EQ(form->Rest->GetHandle()->geometry(), QRect(0, h + 30, c.Right, c.Bottom - 30));
    QPoint g = form->GetHandle()->mapToGlobal(QPoint(0, h));
    EXPECT_EQ(form->GetClientOrigin(), (TPoint{g.x(), g.y()}));
    // a resize keeps the bar across the top and the client area below it
    form->SetBounds(10, 10, 500, 350);
    QApplication::processEvents();
    EXPECT_EQ(bar->width(), 500);
    EXPECT_EQ(form->GetClientRect(), (TRect{0, 0, 500, 350 - h}));
    EXPECT_EQ(form->Rest->GetHandle()->geometry(), QRect(0, h + 30, 500, 350 - h - 30));
}

TEST_F(MainMenuTest, ChoosingAnEntryClicksItsItemOrRunsItsAction) {
    entry(bar, "Exit")->trigger();
    entry(bar, "CopyAll")->trigger();
    EXPECT_EQ(form->Clicked, (QStringList{"Exit", "CopyAll"}));

    // a bar entry without sub-items answers a mouse click on the bar
    form->Clicked.clear();
    QRect r = bar->actionGeometry(entry(bar, "Help"));
    ASSERT_FALSE(r.isEmpty());
    QPoint p = r.center();
    QMouseEvent press(QEvent::MouseButtonPress, p, bar->mapToGlobal(p), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, p, bar->mapToGlobal(p), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(bar, &press);
    QApplication::sendEvent(bar, &release);
    EXPECT_EQ(form->Clicked, QStringList{"Help"});

    // an item with an action and no OnClick runs the action, and shows its state
    int executed = 0;
    auto* act = new TAction(form);
    act->SetCaption(QStringLiteral("Зберегти"));
    act->OnExecute = [&](TObject*) { ++executed; };
    form->Open->OnClick = nullptr;
    form->Open->SetAction(act);
    EXPECT_EQ(entry(bar, "Open")->text(), QStringLiteral("Зберегти"));
    entry(bar, "Open")->trigger();
    EXPECT_EQ(executed, 1);
    act->SetEnabled(false);
    EXPECT_FALSE(entry(bar, "Open")->isEnabled());
}

TEST_F(MainMenuTest, ChangesOfTheItemsShowAtOnce) {
    form->Exit->SetEnabled(false);
    EXPECT_FALSE(entry(bar, "Exit")->isEnabled());
    entry(bar, "Exit")->trigger(); // a disabled item does not run
    EXPECT_TRUE(form->Clicked.isEmpty());
    form->EditMenu->SetEnabled(false);
    EXPECT_FALSE(entry(bar, "EditMenu")->isEnabled());

    form->Open->SetCaption(QStringLiteral("&Створити"));
    EXPECT_EQ(entry(bar, "Open")->text(), QStringLiteral("&Створити"));
    form->Open->SetChecked(true);
    EXPECT_TRUE(entry(bar, "Open")->isChecked());
    form->Open->SetShortCut(TShortCut(scCtrl | 'N'));
    EXPECT_EQ(entry(bar, "Open")->text(), QStringLiteral("&Створити\tCtrl+N"));

    form->Tools->SetVisible(true);
    form->Help->SetVisible(false);
    EXPECT_EQ(barTitles(bar), (QStringList{QStringLiteral("&Файл"), QStringLiteral("&Правка"),
                                           QStringLiteral("Сервіс")}));
    form->FileMenu->Delete(1); // the separator
    form->FileMenu->Add(NewItem(form, QStringLiteral("Друк"), scNone, nullptr));
    EXPECT_EQ(menuTexts(bar, "FileMenu"),
              (QStringList{QStringLiteral("&Створити\tCtrl+N"), QStringLiteral("Ви&хід"),
                           QStringLiteral("Друк")}));

    // a click handler that changes its own item rebuilds the bar safely
    form->CopyAll->OnClick = [this](TObject*) { form->CopyAll->SetCaption(QStringLiteral("Все")); };
    entry(bar, "CopyAll")->trigger();
    QApplication::processEvents();
    EXPECT_EQ(entry(bar, "CopyAll")->text(), QStringLiteral("Все"));
}

TEST_F(MainMenuTest, RemovingTheMenuGivesTheClientAreaBack) {
    int h = bar->height();
    form->SetMenu(nullptr);
    EXPECT_EQ(form->GetMenuBar(), nullptr);
    EXPECT_EQ(form->GetClientRect(), (TRect{0, 0, form->GetWidth(), form->GetHeight()}));
    EXPECT_EQ(form->Top->GetHandle()->geometry().top(), 0);
    form->SetMenu(form->MainMenu1);
    ASSERT_NE(form->GetMenuBar(), nullptr);
    EXPECT_EQ(form->Top->GetHandle()->geometry().top(), h);
    // freeing the menu takes the bar away with it
    delete form->MainMenu1;
    EXPECT_EQ(form->GetMenu(), nullptr);
    EXPECT_EQ(form->GetMenuBar(), nullptr);
    EXPECT_EQ(form->GetClientRect(), (TRect{0, 0, form->GetWidth(), form->GetHeight()}));
}

TEST(MainMenuMdiTest, AnMdiFrameShowsItsMenuAboveItsChildrensArea) {
    auto* frame = new TMenuForm(nullptr, fsMDIForm);
    frame->AfterConstruction();
    TCustomForm* saved = Application->GetMainForm();
    Application->SetMainForm(frame);
    frame->Show();
    QApplication::processEvents();
    QMenuBar* bar = frame->GetMenuBar();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(barTitles(bar).size(), 3);
    int h = bar->height();
    ASSERT_NE(frame->GetMDIArea(), nullptr);
    EXPECT_EQ(frame->GetMDIArea()->geometry(), QRect(0, h, 400, 300 - h));
    entry(bar, "Open")->trigger();
    EXPECT_EQ(frame->Clicked, QStringList{"Open"});
    Application->SetMainForm(saved);
    delete frame;
    QApplication::processEvents();
}

} // namespace
