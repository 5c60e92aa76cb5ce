#include "TestSupport.h"

#include "CodePages.h"

#include <QProcess>
#include <memory>

void PrintTo(const QString& S, std::ostream* Os) {
    *Os << '"' << S.toStdString() << '"';
}

void PrintTo(const QStringList& L, std::ostream* Os) {
    *Os << "{" << L.join(QStringLiteral(", ")).toStdString() << "}";
}

// ---- the Qt application ---------------------------------------------------------------------

namespace {

class QtAppEnvironment : public ::testing::Environment {
public:
    QtAppEnvironment(const char* Name, TQtAppFactory Make, TQtAppOptions Options)
        : name(Name), make(std::move(Make)), options(std::move(Options)) {}

    void SetUp() override {
        if (!QCoreApplication::instance()) {
            if (options.Before) options.Before();
            if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
                qputenv("QT_QPA_PLATFORM", "offscreen");
            argv[0] = name.data();
            app.reset(make(argc, argv));
        }
        if (options.After) options.After();
    }
    void TearDown() override {
        if (options.KeepToTheEnd)
            app.release(); // ends with the process
        else
            app.reset();
    }

private:
    QByteArray name;
    TQtAppFactory make;
    TQtAppOptions options;
    // Qt keeps references to these for the application's life.
    int argc = 1;
    char* argv[2] = {nullptr, nullptr};
    std::unique_ptr<QCoreApplication> app;
};

} // namespace

::testing::Environment* AddQtApplication(const char* Name, TQtAppFactory Make,
                                         TQtAppOptions Options) {
    return ::testing::AddGlobalTestEnvironment(
        new QtAppEnvironment(Name, std::move(Make), std::move(Options)));
}

// ---- outside programs -----------------------------------------------------------------------

TProgramRun RunProgram(const QString& Program, const QStringList& Args, const QByteArray& Input,
                       int TimeoutMs) {
    TProgramRun run;
    QProcess p;
    p.start(Program, Args);
    if (!p.waitForStarted(TimeoutMs)) return run;
    if (!Input.isEmpty()) p.write(Input);
    p.closeWriteChannel();
    run.Finished = p.waitForFinished(TimeoutMs) && p.exitStatus() == QProcess::NormalExit;
    run.ExitCode = run.Finished ? p.exitCode() : -1;
    run.Out = p.readAllStandardOutput();
    run.Err = p.readAllStandardError();
    return run;
}

namespace {

QString runScript(const QString& Interpreter, const QString& Option, const QString& Script,
                  const QStringList& Args) {
    TProgramRun run = RunProgram(Interpreter, QStringList{Option, Script} + Args);
    EXPECT_TRUE(run.Succeeded()) << Interpreter.toStdString() << ": " << run.Err.toStdString();
    return QString::fromUtf8(run.Out);
}

} // namespace

QString RunPython(const QString& Script, const QStringList& Args) {
    return runScript(QStringLiteral("/usr/bin/python3"), QStringLiteral("-c"), Script, Args);
}

QString RunPerl(const QString& Script, const QStringList& Args) {
    return runScript(QStringLiteral("/usr/bin/perl"), QStringLiteral("-e"), Script, Args);
}

QString RunIsql(const QString& Path, const QString& Script, int* ExitCode) {
    TProgramRun run =
        RunProgram(QStringLiteral("isql-fb"),
                   {QStringLiteral("-q"), QStringLiteral("-user"), QStringLiteral("SYSDBA"),
                    QStringLiteral("-password"), QStringLiteral("quartzfen"), QStringLiteral("-ch"),
                    QStringLiteral("WIN1251"), Path},
                   ToCodePage(Script, 1251));
    if (ExitCode) *ExitCode = run.ExitCode;
    return FromCodePage(run.Out + run.Err, 1251);
}
