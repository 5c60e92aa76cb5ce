// What every test executable shares: readable failure output for Qt's texts, the application
// object of the Qt tests, and the runners of outside programs (the independent readers python3
// with dbfread, Perl with XBase, isql-fb, poppler's tools). The embedded database engine's
// environment is in EngineTestSupport.h.
//
// A test executable registers the environments it needs once, in tests/TestEnvironment.cpp:
//   const auto* app = AddQtApplication<QGuiApplication>("gfx_tests");
#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <functional>
#include <gtest/gtest.h>
#include <ostream>

// Failure output of texts as text, not as bytes.
void PrintTo(const QString& S, std::ostream* Os);
void PrintTo(const QStringList& L, std::ostream* Os);

// ---- the Qt application ---------------------------------------------------------------------

struct TQtAppOptions {
    std::function<void()> Before; // runs before the application is made (environment variables)
    std::function<void()> After;  // runs once it is made (the platform's own initialisation)
    // The application stays until the process ends: objects made by the tests that outlive them
    // (forms kept by the platform) may still use it.
    bool KeepToTheEnd = false;
};

using TQtAppFactory = std::function<QCoreApplication*(int& Argc, char** Argv)>;

// Registers an environment that makes the application object before the first test and deletes
// it after the last, on Qt's offscreen platform unless QT_QPA_PLATFORM names another. An
// application made already (by a main of its own) is kept and only After runs.
::testing::Environment* AddQtApplication(const char* Name, TQtAppFactory Make,
                                         TQtAppOptions Options = {});

template <typename App>
::testing::Environment* AddQtApplication(const char* Name, TQtAppOptions Options = {}) {
    return AddQtApplication(
        Name, [](int& Argc, char** Argv) -> QCoreApplication* { return new App(Argc, Argv); },
        std::move(Options));
}

// ---- outside programs -----------------------------------------------------------------------

struct TProgramRun {
    bool Finished = false; // started and ended by itself within the time
    int ExitCode = -1;
    QByteArray Out, Err;
    bool Succeeded() const { return Finished && ExitCode == 0; }
};

// Runs Program with Args, gives it Input on its standard input and waits at most TimeoutMs for
// it to end.
TProgramRun RunProgram(const QString& Program, const QStringList& Args,
                       const QByteArray& Input = QByteArray(), int TimeoutMs = 60000);

// Debian's python3 (the one with python3-dbfread; a python3 first on PATH may lack it) and Perl
// on a script given as text; a run that fails is a test failure. Returns the standard output.
QString RunPython(const QString& Script, const QStringList& Args = {});
QString RunPerl(const QString& Script, const QStringList& Args = {});

// isql-fb as SYSDBA with the WIN1251 character set on a database file, Script on its input.
// Returns what it wrote (output and errors, decoded from WIN1251); the database must not be
// attached by this process (the embedded engine keeps a file to one process).
QString RunIsql(const QString& Path, const QString& Script, int* ExitCode = nullptr);

// ---- errors ---------------------------------------------------------------------------------

// The message of the E that Call raises; empty when it raises none.
template <typename E, typename F> QString MessageOf(F&& Call) {
    try {
        Call();
    } catch (const E& e) {
        return e.Message;
    }
    return QString();
}
