#include "MenuKeys.h"

#include "X11Check.h"

#include <QDir>
#include <QStringList>

void MenuKeys(const char* Keys) {
    QStringList args{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("60")};
    args += QString::fromLatin1(Keys).split(u' ');
    X11Tool(args);
}

#include "DMUnit.h"
#include "Dates.h"
#include "Dialogs.h"
#include "FillDb.h"
#include "FirstRun.h"
#include "MainUnit.h"
#include "Startup.h"
#include "X11Test.h"

#include <gtest/gtest.h>

TProgramOnX11::TProgramOnX11(int Employees, TDateTime Now)
    : previousDir(QDir::currentPath()), clock(Now) {
    QDir::setCurrent(QStringLiteral(KADRION_RUN_DIR));
    qputenv("KADRION_CONFIG_DIR", home.path().toUtf8());
    qputenv("XDG_DATA_HOME", home.path().toUtf8());
    {
        TScriptedInteraction quiet;
        TUserInteractionSwap quietSwap(&quiet);
        const TFirstRunResult made = PrepareFirstRun();
        EXPECT_EQ(made, frDatabaseMade);
        if (made != frDatabaseMade) return;
    }
    swap = std::make_unique<TClockSwap>(&clock);
    CreateApplicationForms();
    EXPECT_TRUE(DM->Database->GetConnected());
    if (!DM->Database->GetConnected()) return;
    FillDatabase(TEmployeeGenerator::Directories(),
                 TEmployeeGenerator(5, EncodeDate(2024, 3, 1)).Employees(Employees));
    MainForm->Show();
    started = X11::WaitActive(MainForm->GetHandle());
    EXPECT_TRUE(started);
    X11::SetLayout(QStringLiteral("ua"));
}

TProgramOnX11::~TProgramOnX11() {
    X11::SetLayout(QStringLiteral("us"));
    if (MainForm) {
        DM->Database->SetConnected(false);
        FreeApplicationForms();
    }
    qunsetenv("XDG_DATA_HOME");
    qunsetenv("KADRION_CONFIG_DIR");
    QDir::setCurrent(previousDir);
}
