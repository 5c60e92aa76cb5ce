// A server that goes away or stops answering, on a private server of the test's own that it
// kills and pauses: connecting and calls end in time with a lost-connection error, and cached
// changes survive a reconnect and are applied then.
#include "IBUpdateSQL.h"
#include "PrivateServer.h"
#include "SqlTestSupport.h"

#include <QElapsedTimer>

namespace {

class LostConnectionTest : public SqlTest {
protected:
    void SetUp() override {
        SqlTest::SetUp();
        if (!server.Start())
            GTEST_SKIP() << "no private Firebird server: " << server.Reason.toStdString();
        db->SetDatabaseName(server.Name() + u':' + server.Folder() + QStringLiteral("/lost.fdb"));
        CreateAndConnect();
        Exec(
            "create table N (K integer not null primary key, V varchar(20) character set WIN1251)");
        Exec(QStringLiteral("insert into N values (1, 'Один')"));
        tr->Commit();
    }
    void TearDown() override {
        server.Resume();
        try {
            db->Close();
        } catch (...) {
        }
        SqlTest::TearDown();
    }
    // Runs Call, which must fail with a lost connection; returns the seconds it took.
    template <class F> double lostWithin(F&& Call) {
        QElapsedTimer clock;
        clock.start();
        try {
            Call();
            ADD_FAILURE() << "no error";
        } catch (const EIBError& e) {
            EXPECT_TRUE(e.ConnectionLost) << e.Message.toStdString();
        }
        return clock.elapsed() / 1000.0;
    }
    TPrivateServer server;
};

} // namespace

TEST_F(LostConnectionTest, ACallToAServerThatStoppedAnsweringEndsAsALostConnection) {
    db->SetCallTimeout(1500);
    EXPECT_EQ(Scalar("select count(*) from N").AsInteger(), 1);
    server.Pause();
    // Without the watch the call would wait as long as the server stays paused.
    const double took = lostWithin([&] { Scalar("select count(*) from N"); });
    EXPECT_LT(took, 30.0);
    server.Resume();
    db->SetCallTimeout(0); // a busy machine may answer slowly
    db->Reconnect();
    EXPECT_EQ(Scalar("select V from N").AsString(), QStringLiteral("Один"));
}

TEST_F(LostConnectionTest, ConnectingToAServerThatDoesNotAnswerGivesUp) {
    db->Close();
    db->SetConnectTimeout(2);
    server.Pause();
    QElapsedTimer clock;
    clock.start();
    EXPECT_THROW(db->Open(), EIBError);
    EXPECT_LT(clock.elapsed(), 30000);
    EXPECT_FALSE(db->GetConnected());
}

TEST_F(LostConnectionTest,
       CachedChangesOutliveAServerKilledBeforeTheSaveAndAreAppliedAfterReconnecting) {
    auto* upd = new TIBUpdateSQL(owner.get());
    upd->GetModifySQL()->SetText("update N set V = :V where K = :OLD_K");
    upd->GetInsertSQL()->SetText("insert into N (K, V) values (:K, :V)");
    auto* q = new TIBQuery(owner.get());
    q->SetDatabase(db);
    q->SetCachedUpdates(true);
    q->SetUpdateObject(upd);
    q->GetSQL()->SetText("select * from N order by K");
    q->Open();
    q->Edit();
    q->FieldByName("V")->SetAsString(QStringLiteral("Перший"));
    q->Post();
    q->Append();
    q->FieldByName("K")->SetAsInteger(2);
    q->FieldByName("V")->SetAsString(QStringLiteral("Другий"));
    q->Post();

    server.Kill();
    lostWithin([&] { db->ApplyUpdates({q}); });
    EXPECT_TRUE(q->UpdatesPending());
    // Reconnecting while the server is still away fails and keeps everything.
    EXPECT_THROW(db->Reconnect(), EIBError);
    EXPECT_TRUE(q->GetActive());
    EXPECT_TRUE(q->UpdatesPending());

    ASSERT_TRUE(server.Start()) << server.Reason.toStdString();
    db->Reconnect();
    ASSERT_TRUE(q->GetActive());
    EXPECT_EQ(q->RecordCount(), 2);
    db->ApplyUpdates({q});
    EXPECT_FALSE(q->UpdatesPending());
    q->Refresh(); // its cursor went with the connection: it reads its rows anew
    EXPECT_EQ(q->RecordCount(), 2);
    q->Close();
    EXPECT_EQ(Scalar("select list(V, ',') from (select V from N order by K)").AsString(),
              QStringLiteral("Перший,Другий"));
}
