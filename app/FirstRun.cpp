#include "FirstRun.h"

#include "CalTable.h"
#include "Connection.h"
#include "DMUnit.h"
#include "Dates.h"
#include "IniFiles.h"
#include "Schema.h"
#include "varer.h"

#include <QDir>
#include <QFile>
#include <memory>

QString FirstRunDatabasePath() {
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base))
        base = QDir::homePath() + QStringLiteral("/.local/share");
    return base + QStringLiteral("/kadrion/kadrion.fdb");
}

TFirstRunResult PrepareFirstRun() {
    if (QFile::exists(ResolveIniFileName(QString::fromLatin1(SettingsFileName))))
        return frSettingsKept;
    const QString path = FirstRunDatabasePath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    ClearSettings();
    TypeSvr = 0;
    PathFileSvr = path;
    FullNameSvr = FormConnectionString();
    TFirstRunResult result = frDatabaseFound;
    if (!QFile::exists(path)) {
        // the data module of this run, unless the program already has one
        std::unique_ptr<TDM> own;
        if (!DM) own = std::make_unique<TDM>(nullptr);
        DM->Database->SetConnected(false);
        DM->Database->SetDatabaseName(FullNameSvr);
        CreateNewBase();
        const int year = YearOf(Date());
        SaveCalendar(year, MakeCalendarYear(year));
        DM->Database->SetConnected(false);
        result = frDatabaseMade;
    }
    SaveSettings();
    return result;
}
