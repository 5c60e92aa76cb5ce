// The directory windows on a real X server over generated data: each opened from the
// personnel menu by the keyboard, a new position begun by Insert in the list and its Cyrillic
// name (an apostrophe in it) typed into the panel, the window closed with the save question
// answered, and the position found when the window is opened again.
#include "Clock.h"
#include "DMUnit.h"
#include "Dates.h"
#include "DepartUnit.h"
#include "Dialogs.h"
#include "FillDb.h"
#include "FirstRun.h"
#include "MainUnit.h"
#include "MenuKeys.h"
#include "PodrUnit.h"
#include "ProfUnit.h"
#include "Startup.h"
#include "X11Check.h"
#include "X11Test.h"

#include <QMenu>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>

namespace {

bool menuShown() {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    return menu && menu->isVisible();
}

bool shown(TForm* F, TDataSet* D) {
    return F && F->GetHandle()->isVisible() && D->GetActive();
}

bool question() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    return box && box->isVisible() && box->text().startsWith(QStringLiteral("В базах"));
}

// Clicks the personnel menu's caption on the menu bar: with a directory's grid holding the
// keyboard, the menu is reached by the mouse. Sent without waiting: the menu runs its own loop.
void clickPersonnelMenu() {
    TToolButton* b = MainForm->rMenuBar1->GetButtons(0);
    const TPoint p = b->ClientToScreen(TPoint{b->GetWidth() / 2, b->GetHeight() / 2});
    X11Tool({QStringLiteral("mousemove"), QString::number(p.X), QString::number(p.Y),
             QStringLiteral("click"), QStringLiteral("1")});
}

class DirectoriesX11 : public X11Test {};

TEST_F(DirectoriesX11, APositionTypedInCyrillicIsSavedOnCloseAndFoundAgain) {
    TProgramOnX11 program(20);
    ASSERT_TRUE(program.Started());

    const QString name = QStringLiteral("Прес-секретар зв'язків");
    // The last three entries of the personnel menu, reached upwards from its first one.
    std::vector<TX11Step> steps = {
        {"alt+О drops the personnel menu", [] { MenuKeys("alt+Cyrillic_o"); },
         [] { return menuShown(); }},
        {"up three times and return open the subdivisions", [] { MenuKeys("Up Up Up Return"); },
         [] { return shown(PodrForm, DM->IBgroup); }, true},
        {"screenshot of the subdivisions",
         [] {
             X11::Flush();
             X11::Screenshot(QStringLiteral("dir-podr"));
         },
         [] { return true; }},
        {"a click drops the menu over the subdivisions", [] { clickPersonnelMenu(); },
         [] { return menuShown(); }},
        {"up once and return open the productions", [] { MenuKeys("Up Return"); },
         [] { return !PodrForm && shown(DepartForm, DM->IBdepart); }, true},
        {"screenshot of the productions",
         [] {
             X11::Flush();
             X11::Screenshot(QStringLiteral("dir-depart"));
         },
         [] { return true; }},
        {"a click drops the menu over the productions", [] { clickPersonnelMenu(); },
         [] { return menuShown(); }},
        {"up twice and return open the positions", [] { MenuKeys("Up Up Return"); },
         [] { return !DepartForm && shown(ProfForm, DM->IBprof); }, true},
        {"a click gives the list the keyboard",
         [] {
             if (ProfForm) X11ClickAt(ProfForm->DBGridEh1, 60, 30);
         },
         [] { return ProfForm && ProfForm->DBGridEh1->Focused(); }},
        {"Insert there starts a position with the keyboard on its code", [] { MenuKeys("Insert"); },
         [] {
             return DM->IBprof->GetState() == dsInsert && ProfForm && ProfForm->DBEdit1->Focused();
         }},
        {"the code and the name typed into the panel",
         [&] {
             if (!ProfForm) return;
             X11::Type(QStringLiteral("0777"));
             MenuKeys("Tab");
             X11::WaitFor([] { return ProfForm->DBEdit2->Focused(); });
             X11::Type(name);
         },
         [&] {
             return ProfForm && ProfForm->DBEdit1->GetText() == QStringLiteral("0777") &&
                    ProfForm->DBEdit2->GetText() == name;
         }},
        {"screenshot of the typed position",
         [] {
             X11::Flush();
             X11::Screenshot(QStringLiteral("dir-prof-typed"));
         },
         [] { return true; }},
        {"closing asks to save",
         [] {
             QTimer::singleShot(0, [] {
                 if (ProfForm) ProfForm->Close();
             });
         },
         [] { return question(); }},
        {"screenshot of the question", [] { X11::Screenshot(QStringLiteral("dir-prof-question")); },
         [] { return true; }},
        {"return says yes: saved and closed", [] { X11::Key(QStringLiteral("Return")); },
         [] { return !ProfForm && !QApplication::activeModalWidget(); }},
        {"a click drops the menu again", [] { clickPersonnelMenu(); }, [] { return menuShown(); }},
        {"up twice and return open the positions again", [] { MenuKeys("Up Up Return"); },
         [] { return shown(ProfForm, DM->IBprof); }, true},
        {"the new position is there",
         [&] { DM->IBprof->Locate(QStringLiteral("CODPROF"), QStringLiteral("0777"), {}); },
         [&] { return ProfForm && ProfForm->DBEdit2->GetText() == name; }},
        {"screenshot of the reopened positions",
         [] {
             X11::Flush();
             X11::Screenshot(QStringLiteral("dir-prof-reopened"));
         },
         [] { return true; }},
    };
    EXPECT_EQ(RunX11Steps(steps), 0);
    if (ProfForm) ProfForm->Close();
}

} // namespace
