// The program as a new user starts it, on a real X server: the first-run set-up program makes
// the database and the settings in a fresh home, the program starts connected to it, and the
// menus, the settings dialog and the about box answer the keyboard (Alt with a Cyrillic
// letter, arrows, Return, Escape) as xdotool types it.
#include "AboutUnit.h"
#include "Clock.h"
#include "DMUnit.h"
#include "DeskUnit.h"
#include "Dates.h"
#include "FreshHome.h"
#include "MainUnit.h"
#include "MenuKeys.h"
#include "Opt2Unit.h"
#include "Startup.h"
#include "X11Check.h"
#include "X11Test.h"
#include "varer.h"

#include <QAction>
#include <QGuiApplication>
#include <QWindow>
#include <QMenu>
#include <QMessageBox>
#include <QTemporaryDir>

namespace {

// The shown pop-up menu when it has an entry with this text.
bool menuWith(const QString& Text) {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu || !menu->isVisible()) return false;
    for (QAction* a : menu->actions())
        if (a->text().remove(u'&') == Text) return true;
    return false;
}

// The shown message box when its text begins so.
bool messageBox(const QString& Start) {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    return box && box->isVisible() && box->text().startsWith(Start);
}

bool modalShown(TCustomForm* F) {
    return F->GetFormState().Contains(fsModal) && F->GetHandle()->isVisible() &&
           F->GetHandle()->isActiveWindow();
}

class MainWindowX11 : public X11Test {};

TEST_F(MainWindowX11, AFreshHomeStartsConnectedAndTheWindowsAnswerTheKeyboard) {
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const QString database = PrepareFreshHome(home);
    ASSERT_FALSE(database.isEmpty());

    // The splash pause passes on an injected clock.
    TFakeClock clock(EncodeDate(2024, 3, 14) + 0.5);
    TClockSwap swap(&clock);
    CreateApplicationForms();
    EXPECT_EQ(clock.Slept, uint64_t(SplashPause));
    EXPECT_EQ(FullNameSvr, database);
    EXPECT_TRUE(DM->Database->GetConnected());
    MainForm->Show();
    ASSERT_TRUE(X11::WaitActive(MainForm->GetHandle()));
    X11::Flush();
    X11::Screenshot(QStringLiteral("app-main"));
    // The wait window, as long work shows it: painted before the work blocks the loop.
    ShowWaitWindow();
    EXPECT_TRUE(X11::WaitFor([] { return DeskForm->GetHandle()->windowHandle()->isExposed(); }));
    X11::Screenshot(QStringLiteral("app-wait"));
    HideWaitWindow();
    ASSERT_TRUE(X11::WaitActive(MainForm->GetHandle()));
    X11::SetLayout(QStringLiteral("ua"));

    std::vector<TX11Step> steps = {
        {"alt+С drops the service menu", [] { MenuKeys("alt+Cyrillic_es"); },
         [] { return menuWith(QStringLiteral("Настройки")); }},
        {"screenshot of the menu", [] { X11::Screenshot(QStringLiteral("app-service-menu")); },
         [] { return true; }},
        {"up and return open the settings", [] { MenuKeys("Up Return"); },
         [] { return modalShown(Opt2Form); }},
        {"the settings show the database", [] { X11::Screenshot(QStringLiteral("app-settings")); },
         [&] { return Opt2Form->Edit6->GetText() == database; }},
        {"escape cancels the settings", [] { MenuKeys("Escape"); },
         [] { return !Opt2Form->GetVisible() && MainForm->GetHandle()->isActiveWindow(); }},
        {"the backup is asked from the service menu", [] { MenuKeys("alt+Cyrillic_es"); },
         [] { return menuWith(QStringLiteral("Резервування бази даних")); }},
        {"up to it from the end and return: the question", [] { MenuKeys("Up Up Up Return"); },
         [] { return messageBox(QStringLiteral("Ви дійсно бажаєте зробити резервування")); }},
        {"screenshot of the question",
         [] { X11::Screenshot(QStringLiteral("app-backup-question")); }, [] { return true; }},
        {"return says yes: the backup is made and told", [] { MenuKeys("Return"); },
         [] { return messageBox(QStringLiteral("Резервування бази закінчено")); }},
        {"return closes the message", [] { MenuKeys("Return"); },
         [] {
             return !QApplication::activeModalWidget() && !WaitWindowShown() &&
                    MainForm->GetHandle()->isActiveWindow();
         }},
        {"alt+Д drops the help menu after a dialog", [] { MenuKeys("alt+Cyrillic_de"); },
         [] { return menuWith(QStringLiteral("Про програму...")); }},
        {"up and return open the about box", [] { MenuKeys("Up Return"); },
         [] { return modalShown(AboutBox); }},
        {"screenshot of the about box", [] { X11::Screenshot(QStringLiteral("app-about")); },
         [] { return true; }},
        {"return closes the about box", [] { MenuKeys("Return"); },
         [] { return !AboutBox->GetVisible(); }},
        {"alt+В drops the exit menu", [] { MenuKeys("alt+Cyrillic_ve"); },
         [] { return menuWith(QStringLiteral("Вийти з програми")); }},
        {"its last item ends the program", [] { MenuKeys("Up Return"); },
         [] { return Application->GetTerminated(); }},
    };
    // On a failure: which window Qt takes as active and which as modal.
    EXPECT_EQ(RunX11Steps(steps,
                          [] {
                              QWidget* active = QApplication::activeWindow();
                              QWindow* modal = QGuiApplication::modalWindow();
                              std::printf("  active window: %s; modal window: %s\n",
                                          active ? qPrintable(active->windowTitle()) : "none",
                                          modal ? qPrintable(modal->title()) : "none");
                          }),
              0);
    X11::SetLayout(QStringLiteral("us"));
    // The close wrote the settings and left the database.
    EXPECT_FALSE(DM->Database->GetConnected());
    EXPECT_TRUE(QFile::exists(home.filePath(QStringLiteral(".local/share/kadrion/kadrion.gbk"))));
    FreeApplicationForms();
}

} // namespace
