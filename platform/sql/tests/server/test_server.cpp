// The named-server path: a private Firebird server that ./test.sh starts (cmake/firebird.sh)
// and names in KADRION_TEST_FB ("localhost/<port>"); the databases are reached as
// "<server>:<path>". The tests skip without one.
#include "IBServices.h"
#include "IBUpdateSQL.h"
#include "SqlTestSupport.h"

#include <QFile>

namespace {

// The server the tests use, "" when there is none.
QString server() {
    return qEnvironmentVariable("KADRION_TEST_FB");
}

class ServerTest : public SqlTest {
protected:
    void SetUp() override {
        SqlTest::SetUp();
        if (server().isEmpty()) GTEST_SKIP() << "no private Firebird server (./test.sh starts one)";
        // The server runs as this user: it creates the database in the test's folder.
        db->SetDatabaseName(Remote());
        CreateAndConnect();
    }
    void TearDown() override {
        try {
            if (!db->GetConnected()) db->Open();
            db->DropDatabase();
        } catch (...) {
        }
        SqlTest::TearDown();
    }
    QString Remote() const { return server() + u':' + DbPath(); }
    // A second, independent attachment with its own transaction.
    std::pair<TIBDatabase*, TIBTransaction*> Second() {
        auto* d = new TIBDatabase(owner.get());
        auto* t = new TIBTransaction(owner.get());
        t->GetParams()->AddStrings({"read_committed", "rec_version", "nowait"});
        d->SetDefaultTransaction(t);
        d->SetDatabaseName(Remote());
        d->GetParams()->AddStrings(ConnectLines());
        d->Open();
        return {d, t};
    }
    static Variant ScalarOn(TIBDatabase* D, const QString& Sql) {
        TIBQuery q(nullptr);
        q.SetDatabase(D);
        q.GetSQL()->SetText(Sql);
        q.Open();
        return q.Fields(0)->GetAsVariant();
    }
};

} // namespace

TEST_F(ServerTest, TwoAttachmentsSeeEachOthersCommittedRows) {
    Exec("create table N (K integer not null primary key, V varchar(20) character set WIN1251)");
    tr->CommitRetaining();
    auto [db2, tr2] = Second();
    Exec("insert into N values (1, 'Один')");
    EXPECT_EQ(ScalarOn(db2, "select count(*) from N").AsInteger(), 0);
    tr->CommitRetaining();
    EXPECT_EQ(ScalarOn(db2, "select V from N where K = 1").AsString(), QStringLiteral("Один"));
    TIBQuery q(nullptr);
    q.SetDatabase(db2);
    q.GetSQL()->SetText("insert into N values (2, 'Два')");
    q.ExecSQL();
    tr2->Commit();
    EXPECT_EQ(Scalar("select count(*) from N").AsInteger(), 2);
    // A cached change of the same row by both: the second writer fails at once (nowait).
    Exec("update N set V = 'x' where K = 2");
    auto* upd = new TIBUpdateSQL(owner.get());
    upd->GetModifySQL()->SetText("update N set V = :V where K = :OLD_K");
    TIBQuery c(nullptr);
    c.SetDatabase(db2);
    c.SetCachedUpdates(true);
    c.SetUpdateObject(upd);
    c.GetSQL()->SetText("select * from N where K = 2");
    c.Open();
    c.Edit();
    c.FieldByName("V")->SetAsString("y");
    c.Post();
    EXPECT_THROW(c.ApplyUpdates(), EIBError);
    EXPECT_TRUE(c.UpdatesPending());
    db2->Close();
}

TEST_F(ServerTest, WrongPasswordAndLostConnectionRaiseAndReconnectWorks) {
    auto [db2, tr2] = Second();
    db2->Close();
    db2->GetParams()->SetValues("password", "wrong");
    try {
        db2->Open();
        FAIL() << "no error";
    } catch (EIBError& e) {
        EXPECT_EQ(e.IBErrorCode, isc_login);
        EXPECT_TRUE(e.Message.contains("password")) << e.Message.toStdString();
    }
    EXPECT_FALSE(db2->GetConnected());
    db2->GetParams()->SetValues("password", "quartzfen");
    db2->Open();
    // The first attachment is cut off by the server (as when the server goes away).
    int id = int(Scalar("select current_connection from rdb$database").AsInteger());
    TIBQuery kill(nullptr);
    kill.SetDatabase(db2);
    kill.GetSQL()->SetText(
        QString("delete from mon$attachments where mon$attachment_id = %1").arg(id));
    kill.ExecSQL();
    tr2->Commit();
    EXPECT_THROW(Scalar("select 1 from rdb$database"), EIBError);
    // Closing ends disconnected even though the server is gone for this attachment.
    try {
        db->Close();
    } catch (EIBError&) {
    }
    EXPECT_FALSE(db->GetConnected());
    EXPECT_FALSE(tr->InTransaction());
    db->Open();
    EXPECT_EQ(Scalar("select 1 from rdb$database").AsInteger(), 1);
}

TEST_F(ServerTest, BackupAndRestoreThroughTheServersServiceManager) {
    Exec("create table N (K integer)");
    Exec("insert into N values (1)");
    Exec("insert into N values (2)");
    db->Close();
    const QString gbk = dir.filePath("test.gbk");
    TIBBackupService b(owner.get());
    b.SetServerName(server());
    b.SetProtocol(TCP);
    b.GetParams()->AddStrings({"user_name=SYSDBA", "password=quartzfen"});
    b.Attach();
    b.SetDatabaseName(DbPath());
    b.GetBackupFile()->Add(gbk);
    b.ServiceStart();
    b.WaitForEnd();
    b.Detach();
    ASSERT_TRUE(QFile::exists(gbk));
    TIBRestoreService r(owner.get());
    r.SetServerName(server());
    r.SetProtocol(TCP);
    r.GetParams()->AddStrings({"user_name=sysdba", "password=quartzfen"});
    r.Attach();
    r.SetOptions({Replace, UseAllSpace});
    r.SetPageBuffers(3000);
    r.GetDatabaseName()->Add(DbPath());
    r.GetBackupFile()->Add(gbk);
    r.ServiceStart();
    r.WaitForEnd();
    r.Detach();
    db->Open();
    EXPECT_EQ(Scalar("select count(*) from N").AsInteger(), 2);
}
