// The employee card window on a real X server over generated employees: opened from the main
// menu by the keyboard, a Cyrillic surname typed into the card, the tabs shown one by one, the
// window closed with the save question answered, the card opened again with the new name, and
// the list selected whole and copied by its keys.
#include "CardUnit.h"
#include "Clipbrd.h"
#include "Clock.h"
#include "DMUnit.h"
#include "Dates.h"
#include "Dialogs.h"
#include "FillDb.h"
#include "FirstRun.h"
#include "MainUnit.h"
#include "MenuKeys.h"
#include "Startup.h"
#include "X11Check.h"
#include "X11Test.h"
#include "varer.h"

#include <QMenu>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>

namespace {

bool messageBox(const QString& Start) {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    return box && box->isVisible() && box->text().startsWith(Start);
}

// The personnel menu dropped: its pop-up shown, keys go to it from now on.
bool menuShown() {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    return menu && menu->isVisible();
}

bool cardShown() {
    return CardForm && CardForm->GetHandle()->isVisible() && DM->IBQuery->GetActive();
}

class CardWindowX11 : public X11Test {};

TEST_F(CardWindowX11, ACyrillicSurnameTypedIntoTheCardIsSavedOnCloseAndSeenOnReopening) {
    TProgramOnX11 program(60);
    ASSERT_TRUE(program.Started());

    QString tab;
    const QString typed = QStringLiteral("Мар'яненко");
    std::vector<TX11Step> steps = {
        {"alt+О drops the personnel menu", [] { MenuKeys("alt+Cyrillic_o"); },
         [] { return menuShown(); }},
        {"return opens the cards", [] { MenuKeys("Return"); }, [] { return cardShown(); }, true},
        {"screenshot of the list",
         [] {
             X11::Flush();
             X11::Screenshot(QStringLiteral("card-list"));
         },
         [] { return true; }},
        {"the surname typed over the first employee's",
         [&] {
             tab = DM->IBQuery->FieldByName(QStringLiteral("TAB"))->GetAsString();
             CardForm->DBEdit1->SetFocus();
             // the keys go where the X server has the focus: wait until it is the edit's window
             X11::WaitFor([] {
                 return CardForm->DBEdit1->Focused() && MainForm->GetHandle()->isActiveWindow();
             });
             X11::Key(QStringLiteral("Home shift+End"));
             X11::Type(typed);
         },
         [&] {
             return CardForm->DBEdit1->GetText() == typed && DM->IBQuery->GetState() == dsEdit;
         }},
        {"screenshot of the edit",
         [] {
             X11::Flush();
             X11::Screenshot(QStringLiteral("card-edit"));
         },
         [] { return true; }},
        {"every tab in turn",
         [] {
             for (int i = 1; i < CardForm->PageControl1->GetPageCount(); ++i) {
                 CardForm->PageControl1->SetActivePageIndex(i);
                 X11::Flush();
                 X11::Screenshot(QStringLiteral("card-tab%1").arg(i + 1));
             }
             CardForm->PageControl1->SetActivePageIndex(0);
         },
         [] { return CardForm->PageControl1->GetActivePageIndex() == 0; }},
        {"closing asks to save", [] { QTimer::singleShot(0, [] { CardForm->Close(); }); },
         [] { return messageBox(QStringLiteral("В базах проводились зміни")); }},
        {"screenshot of the question", [] { X11::Screenshot(QStringLiteral("card-question")); },
         [] { return true; }},
        {"return says yes: saved and closed", [] { X11::Key(QStringLiteral("Return")); },
         [] { return !CardForm && !QApplication::activeModalWidget(); }},
        {"alt+О drops the menu again", [] { MenuKeys("alt+Cyrillic_o"); },
         [] { return menuShown(); }},
        {"return opens the cards again", [] { MenuKeys("Return"); }, [] { return cardShown(); },
         true},
        {"the employee has the typed surname",
         [&] { DM->IBQuery->Locate(QStringLiteral("TAB"), tab, {}); },
         [&] { return CardForm->DBText1->GetCaption() == typed; }},
        {"screenshot of the reopened card",
         [] {
             X11::Flush();
             X11::Screenshot(QStringLiteral("card-reopened"));
         },
         [] { return true; }},
        {"ctrl+a in the list selects every employee",
         [] {
             CardForm->DBGridEh1->SetFocus();
             X11::WaitFor([] {
                 return CardForm->DBGridEh1->Focused() && MainForm->GetHandle()->isActiveWindow();
             });
             // the Cyrillic typed before left the keyboard's map on its letters: back to Latin
             X11::SetLayout(QStringLiteral("us"));
             X11::Key(QStringLiteral("ctrl+a"));
         },
         [] { return CardForm->DBGridEh1->GetSelection()->GetSelectionType() == gskAll; }},
        {"ctrl+c copies them, the typed surname with them",
         [] {
             Clipboard()->Clear();
             X11::Key(QStringLiteral("ctrl+c"));
         },
         [&] { return Clipboard()->GetAsText().contains(typed); }},
        {"screenshot of the selected list",
         [] {
             X11::Flush();
             X11::Screenshot(QStringLiteral("card-selectall"));
         },
         [] { return true; }},
    };
    EXPECT_EQ(RunX11Steps(steps), 0);
    if (CardForm) CardForm->Close();
}

} // namespace
