#include "ServiceOps.h"

#include "Connection.h"
#include "DMUnit.h"
#include "Dialogs.h"
#include "IBServices.h"
#include "Schema.h"
#include "ScopeGuard.h"
#include "varer.h"

namespace {

void info(const QString& Text) {
    GetUserInteraction()->MessageBox(Text, QStringLiteral("Інформація"),
                                     MB_OK | MB_ICONINFORMATION);
}

void error(const QString& Text) {
    GetUserInteraction()->MessageBox(Text, QString::fromUtf16(SErrorCaption), MB_OK | MB_ICONERROR);
}

bool ask(const QString& Text, const QString& Caption) {
    return GetUserInteraction()->MessageBox(Text, Caption, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void wait(const TWaitHook& Wait, bool Show) {
    if (Wait) Wait(Show);
}

// Protocol and server of a service: TCP to NameSvr in server mode, else the local engine.
void setUp(TIBCustomService& S, const QString& User) {
    if (TypeSvr == 1) {
        S.SetProtocol(TCP);
        S.SetServerName(NameSvr);
    } else {
        S.SetProtocol(Local);
        S.SetServerName(QString());
    }
    S.SetLoginPrompt(false);
    S.GetParams()->Clear();
    S.GetParams()->Add(QStringLiteral("user_name=") + User);
    S.GetParams()->Add(QStringLiteral("password=quartzfen"));
}

} // namespace

QString BackupFileName(const QString& DatabaseFile) {
    const int slash = std::max(DatabaseFile.lastIndexOf(u'\\'), DatabaseFile.lastIndexOf(u'/'));
    const QString dir = DatabaseFile.left(slash + 1);
    QString name = DatabaseFile.mid(slash + 1);
    const int dot = name.lastIndexOf(u'.');
    if (dot >= 0) name.truncate(dot);
    return dir + name + QStringLiteral(".gbk");
}

bool BackupDatabase(const TWaitHook& Wait) {
    if (!ask(QStringLiteral("Ви дійсно бажаєте зробити резервування бази?"),
             QStringLiteral("Резервування бази")))
        return false;
    wait(Wait, true);
    QString failure;
    try {
        TIBBackupService backup(nullptr);
        setUp(backup, QStringLiteral("SYSDBA"));
        backup.Attach();
        TScopeGuard detach([&] { backup.Detach(); });
        backup.SetVerbose(true);
        backup.SetDatabaseName(PathFileSvr);
        backup.GetBackupFile()->Clear();
        backup.GetBackupFile()->Add(BackupFileName(PathFileSvr));
        backup.ServiceStart();
        backup.WaitForEnd();
        detach.End();
    } catch (Exception& E) {
        failure = E.Message;
    }
    wait(Wait, false);
    if (!failure.isEmpty()) {
        error(failure);
        return false;
    }
    info(QStringLiteral("Резервування бази закінчено"));
    return true;
}

bool RestoreDatabase(const TWaitHook& Wait) {
    if (!ask(QStringLiteral("Ви дійсно бажаєте відновити базу?"),
             QStringLiteral("Відновлення бази")))
        return false;
    if (!MayDropPendingChanges()) return false;
    wait(Wait, true);
    DisconnectDatabase();
    QString failure;
    try {
        TIBRestoreService restore(nullptr);
        setUp(restore, QStringLiteral("sysdba"));
        restore.Attach();
        TScopeGuard detach([&] { restore.Detach(); });
        restore.SetVerbose(true);
        restore.SetOptions({Replace, UseAllSpace});
        restore.SetPageBuffers(3000);
        restore.SetPageSize(4096);
        restore.GetDatabaseName()->Clear();
        restore.GetDatabaseName()->Add(PathFileSvr);
        restore.GetBackupFile()->Clear();
        restore.GetBackupFile()->Add(BackupFileName(PathFileSvr));
        restore.ServiceStart();
        restore.WaitForEnd();
        detach.End();
    } catch (Exception& E) {
        failure = E.Message;
    }
    // Back to the database in any case; a failure says so itself.
    ConnectDatabase(Wait);
    wait(Wait, false);
    if (!failure.isEmpty()) {
        error(failure);
        return false;
    }
    info(QStringLiteral("Відновлення бази закінчено"));
    return true;
}

bool NewDatabase(const TWaitHook& Wait) {
    if (!ask(QStringLiteral("Ви дійсно бажаєте створити нову базу ") + FullNameSvr + u'?',
             QStringLiteral("Увага")))
        return false;
    if (!MayDropPendingChanges()) return false;
    wait(Wait, true);
    try {
        DM->Database->SetConnected(false);
        DM->Database->SetDatabaseName(FullNameSvr);
        CreateNewBase();
    } catch (Exception&) {
        wait(Wait, false);
        error(QStringLiteral("Помилка створення нової бази ") + FullNameSvr +
              QStringLiteral(". Перевірте настройки та спробуйте ще раз."));
        return false;
    }
    wait(Wait, false);
    info(QStringLiteral("Створено нову базу ") + FullNameSvr + u'.');
    return true;
}
