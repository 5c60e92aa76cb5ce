// The first-run set-up that ./run.sh calls before starting the program: a user without
// kadrion.ini gets an empty personnel database (embedded engine) under $XDG_DATA_HOME/kadrion
// with this year's working calendar, and a kadrion.ini naming it. With kadrion.ini there it
// does nothing. Exit code 0 on success, 1 when the database could not be made.
#include "Dialogs.h"
#include "FirstRun.h"
#include "IniFiles.h"
#include "SysUtils.h"
#include "varer.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TScriptedInteraction quiet;
    TUserInteractionSwap swap(&quiet);
    const QString ini = ResolveIniFileName(QString::fromLatin1(SettingsFileName));
    try {
        switch (PrepareFirstRun()) {
        case frSettingsKept:
            return 0;
        case frDatabaseMade:
            std::printf("Створено нову базу %s\n", qPrintable(PathFileSvr));
            break;
        case frDatabaseFound:
            std::printf("Знайдено базу %s\n", qPrintable(PathFileSvr));
            break;
        }
        std::printf("Настройки записано у %s\n", qPrintable(ini));
        return 0;
    } catch (Exception& E) {
        std::fprintf(stderr, "Помилка створення нової бази %s: %s\n", qPrintable(PathFileSvr),
                     qPrintable(E.Message));
        return 1;
    }
}
