// The named-server path: a Firebird server on localhost, reached as "localhost:<path>". The
// tests skip when no server answers or it does not know the application's SYSDBA password
// (./test.sh starts one and sets the password).
#include "IBServices.h"
#include "IBUpdateSQL.h"
#include "SqlTestSupport.h"

#include <QFile>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

bool serverAnswers() {
    // A connection to localhost is accepted or refused at once.
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) return false;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(3050);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(fd);
    return ok;
}

class ServerTest : public SqlTest {
protected:
    void SetUp() override {
        SqlTest::SetUp();
        if (!serverAnswers()) GTEST_SKIP() << "no Firebird server on localhost:3050";
        // The server runs as its own user: it must be able to create files here.
        QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                              QFileDevice::WriteOther | QFileDevice::ExeOther |
                                              QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                              QFileDevice::ExeGroup);
        db->SetDatabaseName(Remote());
        try {
            CreateAndConnect();
        } catch (EIBError& e) {
            if (e.IBErrorCode == isc_login)
                GTEST_SKIP() << "the server does not accept the application's SYSDBA password";
            throw;
        }
    }
    void TearDown() override {
        try {
            if (!db->GetConnected()) db->Open();
            db->DropDatabase();
        } catch (...) {
        }
        SqlTest::TearDown();
    }
    QString Remote() const { return QStringLiteral("localhost:") + DbPath(); }
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
    b.SetServerName("localhost");
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
    r.SetServerName("localhost");
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
