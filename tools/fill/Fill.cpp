// Fills a personnel database with fictional employees for trying the system:
//   kadrion_fill [--count N] [--seed S] [database]
// N employees (200 by default) of the generator with seed S (1 by default), with the
// directories they refer to, go into the database named (a local file or server:path), else
// into the one kadrion.ini names. The same count and seed give the same people.
#include "Connection.h"
#include "DMUnit.h"
#include "Dates.h"
#include "Dialogs.h"
#include "FillDb.h"
#include "varer.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    int count = 200;
    uint64_t seed = 1;
    QString database;
    const QStringList args = QCoreApplication::arguments().mid(1);
    for (int i = 0; i < args.size(); ++i) {
        bool ok = true;
        if (args[i] == QLatin1String("--count") && i + 1 < args.size())
            count = args[++i].toInt(&ok);
        else if (args[i] == QLatin1String("--seed") && i + 1 < args.size())
            seed = args[++i].toULongLong(&ok);
        else if (!args[i].startsWith(QLatin1String("--")) && database.isEmpty())
            database = args[i];
        else
            ok = false;
        if (!ok || count < 1 || count > 99999) {
            std::fprintf(stderr,
                         "usage: kadrion_fill [--count N (1..99999)] [--seed S] [database]\n");
            return 2;
        }
    }
    TScriptedInteraction quiet;
    TUserInteractionSwap swap(&quiet);
    auto report = [&quiet] {
        for (const auto& a : quiet.Asked)
            std::fprintf(stderr, "%s\n", qPrintable(a.Text));
        quiet.Asked.clear();
    };
    LoadSettings();
    if (!database.isEmpty()) FullNameSvr = database;
    TDM dm(nullptr);
    if (!ConnectDatabase()) {
        report();
        return 1;
    }
    try {
        TEmployeeGenerator gen(seed, Date());
        const TFillCounts n =
            FillDatabase(TEmployeeGenerator::Directories(), gen.Employees(count), [&](int Done) {
                if (Done % 100 == 0) std::printf("%d ...\n", Done), std::fflush(stdout);
            });
        report();
        std::printf("%s: підрозділів %d, груп %d, посад %d, виробництв %d, працівників %d, "
                    "призначень %d, дітей %d\n",
                    qPrintable(FullNameSvr), n.Subdivisions, n.Groups, n.Positions, n.Productions,
                    n.Employees, n.Appointments, n.Children);
    } catch (Exception& E) {
        report();
        std::fprintf(stderr, "%s\n", qPrintable(E.Message));
        DisconnectDatabase();
        return 1;
    }
    DisconnectDatabase();
    return 0;
}
