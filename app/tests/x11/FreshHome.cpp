#include "FreshHome.h"

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <gtest/gtest.h>

namespace {

bool runTool(const QProcessEnvironment& Env, const char* Program, const QStringList& Args) {
    QProcess p;
    p.setProcessEnvironment(Env);
    p.start(QStringLiteral(KADRION_RUN_DIR "/") + QString::fromLatin1(Program), Args);
    if (!p.waitForFinished(120000) || p.exitCode() != 0) {
        ADD_FAILURE() << Program << ": " << p.readAllStandardError().toStdString();
        return false;
    }
    return true;
}

} // namespace

QString PrepareFreshHome(const QTemporaryDir& Home, int Employees) {
    // The set-up as ./run.sh runs it, for a user who has never run the program.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), Home.path());
    for (const char* v : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "KADRION_CONFIG_DIR"})
        env.remove(QString::fromLatin1(v));
    if (!runTool(env, "kadrion_setup", {})) return QString();
    const QString database = Home.filePath(QStringLiteral(".local/share/kadrion/kadrion.fdb"));
    EXPECT_TRUE(QFile::exists(database));
    EXPECT_TRUE(QFile::exists(Home.filePath(QStringLiteral(".config/kadrion/kadrion.ini"))));
    if (Employees > 0 && !runTool(env, "kadrion_fill",
                                  {QStringLiteral("--count"), QString::number(Employees),
                                   QStringLiteral("--seed"), QStringLiteral("7"), database}))
        return QString();
    // The program in the same home.
    qputenv("HOME", Home.path().toUtf8());
    for (const char* v : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "KADRION_CONFIG_DIR"})
        qunsetenv(v);
    return database;
}
