#include "SqlTestSupport.h"

#include "CodePages.h"

#include <QDir>
#include <cstdlib>

namespace {

QTemporaryDir* lockDir = nullptr;

// Stops the embedded engine at the end of the run, then removes its lock directory.
class EngineEnvironment : public ::testing::Environment {
public:
    void TearDown() override {
        fb_shutdown(0, fb_shutrsn_app_stopped);
        delete lockDir;
        lockDir = nullptr;
    }
};

[[maybe_unused]] ::testing::Environment* const engineEnvironment =
    ::testing::AddGlobalTestEnvironment(new EngineEnvironment);

} // namespace

void UsePrivateLockDir() {
    if (!lockDir) {
        lockDir = new QTemporaryDir(QDir::tempPath() + QStringLiteral("/kadrion-fblock-XXXXXX"));
        qputenv("FIREBIRD_LOCK", QFile::encodeName(lockDir->path()));
    }
}

void SqlTest::SetUp() {
    UsePrivateLockDir();
    ASSERT_TRUE(dir.isValid());
    owner = std::make_unique<TComponent>(nullptr);
    db = new TIBDatabase(owner.get());
    tr = new TIBTransaction(owner.get());
    db->SetDefaultTransaction(tr);
    tr->GetParams()->Add(QStringLiteral("read_committed"));
    tr->GetParams()->Add(QStringLiteral("rec_version"));
    tr->GetParams()->Add(QStringLiteral("nowait"));
    db->SetDatabaseName(DbPath());
}

void SqlTest::TearDown() {
    try {
        db->Close();
    } catch (...) {
    }
    owner.reset();
}

QStringList SqlTest::ConnectLines() {
    return {QStringLiteral("user_name=SYSDBA"), QStringLiteral("password=quartzfen"),
            QStringLiteral("lc_ctype=WIN1251")};
}

QStringList SqlTest::CreateLines() {
    return {QStringLiteral("USER 'SYSDBA'"), QStringLiteral("PASSWORD 'quartzfen'"),
            QStringLiteral("PAGE_SIZE 4096"), QStringLiteral("DEFAULT CHARACTER SET \"WIN1251\"")};
}

void SqlTest::CreateAndConnect() {
    db->GetParams()->Clear();
    db->GetParams()->AddStrings(CreateLines());
    db->CreateDatabase();
    db->Close();
    db->GetParams()->Clear();
    db->GetParams()->AddStrings(ConnectLines());
    db->Open();
}

void SqlTest::Exec(const QString& Sql) {
    TIBQuery q(nullptr);
    q.SetDatabase(db);
    q.GetSQL()->SetText(Sql);
    q.ExecSQL();
}

Variant SqlTest::Scalar(const QString& Sql) {
    TIBQuery q(nullptr);
    q.SetDatabase(db);
    q.GetSQL()->SetText(Sql);
    q.Open();
    Variant v = q.IsEmpty() ? Null() : q.Fields(0)->GetAsVariant();
    q.Close();
    return v;
}

QString SqlTest::Isql(const QString& Path, const QString& Script, int* ExitCode) {
    QProcess p;
    p.start(QStringLiteral("isql-fb"),
            {QStringLiteral("-q"), QStringLiteral("-user"), QStringLiteral("SYSDBA"),
             QStringLiteral("-password"), QStringLiteral("quartzfen"), QStringLiteral("-ch"),
             QStringLiteral("WIN1251"), Path});
    if (!p.waitForStarted(30000)) {
        if (ExitCode) *ExitCode = -1;
        return QString();
    }
    p.write(ToCodePage(Script, 1251));
    p.closeWriteChannel();
    p.waitForFinished(60000);
    if (ExitCode) *ExitCode = p.exitCode();
    return FromCodePage(p.readAllStandardOutput() + p.readAllStandardError(), 1251);
}
