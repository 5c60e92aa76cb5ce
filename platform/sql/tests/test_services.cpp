// Backup and restore through the service manager of the embedded engine.
#include "SqlTestSupport.h"

#include "IBServices.h"

#include <QFile>
#include <QRegularExpression>

namespace {

int isqlCount(const QString& Out) {
    QRegularExpressionMatch m = QRegularExpression("COUNT\\s+(\\d+)").match(Out);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

} // namespace

TEST_F(SqlTest, BackupThenRestoreWithReplaceKeepsTheRowsAndAMissingBackupFailsClearly) {
    CreateAndConnect();
    Exec("create table N (K integer, V varchar(20) character set WIN1251)");
    {
        TIBQuery ins(nullptr);
        ins.SetDatabase(db);
        ins.GetSQL()->SetText("insert into N values (:K, 'Рядок')");
        for (int k = 1; k <= 25; ++k) {
            ins.ParamByName("K")->SetAsInteger(k);
            ins.ExecSQL();
        }
    }
    tr->CommitRetaining();
    const QString gbk = dir.filePath("test.gbk");
    // Backup while the application stays connected.
    TIBBackupService backup(owner.get());
    backup.SetProtocol(Local);
    backup.GetParams()->Add("user_name=SYSDBA");
    backup.GetParams()->Add("password=quartzfen");
    backup.Attach();
    backup.SetVerbose(true);
    backup.SetDatabaseName(DbPath());
    backup.GetBackupFile()->Add(gbk);
    backup.ServiceStart();
    QStringList lines = backup.WaitForEnd();
    backup.Detach();
    EXPECT_FALSE(lines.isEmpty());
    ASSERT_TRUE(QFile::exists(gbk));
    // Without verbose output the wait still ends when the job does.
    const QString quiet = dir.filePath("quiet.gbk");
    backup.Attach();
    backup.SetVerbose(false);
    backup.GetBackupFile()->Clear();
    backup.GetBackupFile()->Add(quiet);
    backup.ServiceStart();
    backup.WaitForEnd();
    EXPECT_FALSE(backup.IsServiceRunning());
    backup.Detach();
    EXPECT_GT(QFile(quiet).size(), 0);
    // Rows added after the backup vanish with the restore.
    Exec("delete from N where K > 20");
    db->Close();
    ASSERT_EQ(isqlCount(RunIsql(DbPath(), "set list on; select count(*) from N;\n")), 20);

    TIBRestoreService restore(owner.get());
    restore.SetProtocol(Local);
    restore.GetParams()->Add("user_name=sysdba");
    restore.GetParams()->Add("password=quartzfen");
    restore.Attach();
    restore.SetVerbose(true);
    restore.SetOptions({Replace, UseAllSpace});
    restore.SetPageBuffers(3000);
    restore.SetPageSize(4096);
    restore.GetDatabaseName()->Add(DbPath());
    restore.GetBackupFile()->Add(gbk);
    restore.ServiceStart();
    restore.WaitForEnd();
    restore.Detach();
    QString out =
        RunIsql(DbPath(), "set list on; select count(*) from N; select V from N where K = 25;\n");
    EXPECT_EQ(isqlCount(out), 25) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("Рядок"))) << out.toStdString();

    // A backup file that is not there: the job fails, the error names the file, and the
    // database is as it was.
    restore.Attach();
    restore.SetOptions({Replace, UseAllSpace});
    restore.GetBackupFile()->Clear();
    restore.GetBackupFile()->Add(dir.filePath("missing.gbk"));
    try {
        restore.ServiceStart();
        restore.WaitForEnd();
        FAIL() << "no error";
    } catch (EIBError& e) {
        EXPECT_TRUE(e.Message.contains("missing.gbk")) << e.Message.toStdString();
    }
    restore.Detach();
    EXPECT_EQ(isqlCount(RunIsql(DbPath(), "set list on; select count(*) from N;\n")), 25);
    db->Open();
    EXPECT_EQ(Scalar("select count(*) from N").AsInteger(), 25);
}
