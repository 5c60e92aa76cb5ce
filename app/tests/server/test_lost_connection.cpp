// The data module on a server that dies or stops answering between an edit and its save: the
// user is told in words of ours, nothing pending is dropped, and connecting again applies it.
// A private server of the test's own (cmake/firebird.sh), which it kills and pauses.
#include "AppTestSupport.h"
#include "Connection.h"
#include "PrivateServer.h"
#include "Schema.h"
#include "varer.h"

namespace {

class LostServerTest : public AppDbTest {
protected:
    void SetUp() override {
        if (!server.Start())
            GTEST_SKIP() << "no private Firebird server: " << server.Reason.toStdString();
        AppDbTest::SetUp();
        TypeSvr = 1;
        NameSvr = server.Name();
        PathFileSvr = server.Folder() + QStringLiteral("/kadr.fdb");
        ASSERT_EQ(FormConnectionString(), FullNameSvr);
        Exec("insert into KADR (TAB, FAMILY) values ('00001', 'Шевченко')");
        dm->IBQuery->Open();
    }
    void TearDown() override {
        server.Resume();
        if (dm) AppDbTest::TearDown();
    }
    QString DbPath() const override {
        return server.Name() + u':' + server.Folder() + QStringLiteral("/kadr.fdb");
    }
    // The employees as another client reads them from the server: "TAB=FAMILY" by number.
    QStringList stored() {
        TIBDatabase db(nullptr);
        TIBTransaction tr(nullptr);
        db.SetDatabaseName(DbPath());
        db.GetParams()->AddStrings(ConnectionLines());
        db.SetDefaultTransaction(&tr);
        tr.SetDefaultDatabase(&db);
        db.Open();
        TIBQuery q(nullptr);
        q.SetDatabase(&db);
        q.GetSQL()->SetText("select TAB, FAMILY from KADR order by TAB");
        q.Open();
        QStringList out;
        for (; !q.Eof(); q.Next())
            out << q.Fields(0)->GetAsString() + u'=' + q.Fields(1)->GetAsString();
        return out;
    }
    // An edited surname and an inserted employee, each posted (and so saved) by the list.
    void editAndInsert() {
        TIBQuery* list = dm->IBQuery;
        ASSERT_TRUE(list->Locate("TAB", Variant("00001"), {}));
        list->Edit();
        list->FieldByName("FAMILY")->SetAsString(QStringLiteral("Шевчук"));
        list->Post();
        list->Append();
        list->FieldByName("TAB")->SetAsString(QStringLiteral("00002"));
        list->FieldByName("FAMILY")->SetAsString(QStringLiteral("Коваленко"));
        list->Post();
    }
    // Each save told the user of the lost connection in our words, the library's below.
    void expectToldOfALostConnection(size_t Times) {
        ASSERT_EQ(ui.Asked.size(), Times);
        for (const auto& a : ui.Asked) {
            EXPECT_EQ(a.Caption, QStringLiteral("Помилка"));
            EXPECT_TRUE(a.Text.startsWith(LostConnectionText() + QStringLiteral("\n\n")))
                << a.Text.toStdString();
            EXPECT_GT(a.Text.size(), LostConnectionText().size() + 2) << "the library's text";
        }
        EXPECT_TRUE(dm->IBQuery->UpdatesPending());
    }

    TPrivateServer server;
};

} // namespace

TEST_F(LostServerTest, AServerKilledBeforeTheSaveLosesNothingAndConnectingAgainAppliesIt) {
    server.Kill();
    editAndInsert();
    expectToldOfALostConnection(2);
    EXPECT_EQ(dm->IBQuery->RecordCount(), 2);

    // Connecting while the server is still away: the usual message, everything kept.
    ui.Asked.clear();
    EXPECT_FALSE(ConnectDatabase());
    ASSERT_EQ(ui.Asked.size(), 1u);
    EXPECT_EQ(ui.Last().Text, ConnectErrorText(FullNameSvr));
    EXPECT_TRUE(dm->IBQuery->UpdatesPending());

    ASSERT_TRUE(server.Start()) << server.Reason.toStdString();
    ui.Asked.clear();
    EXPECT_TRUE(ConnectDatabase());
    EXPECT_EQ(ui.Asked.size(), 0u) << ui.Last().Text.toStdString();
    EXPECT_FALSE(dm->IBQuery->UpdatesPending());
    EXPECT_EQ(stored(), (QStringList{"00001=Шевчук", "00002=Коваленко"}));
    // the list reads its rows again and goes on working
    ASSERT_TRUE(dm->IBQuery->GetActive());
    dm->IBQuery->FetchAll();
    EXPECT_EQ(dm->IBQuery->RecordCount(), 2);
    dm->IBQuery->Edit();
    dm->IBQuery->FieldByName("PATR")->SetAsString(QStringLiteral("Тарасович"));
    dm->IBQuery->Post();
    EXPECT_FALSE(dm->IBQuery->UpdatesPending());
}

TEST_F(LostServerTest, AServerThatStopsAnsweringEndsTheSaveAndTheConnectInTime) {
    // Limits a test can wait for (the program's own are 10 s and 60 s).
    dm->Database->SetConnectTimeout(2);
    dm->Database->SetCallTimeout(1500);
    server.Pause();
    editAndInsert(); // each save ends within the call limit instead of waiting for good
    expectToldOfALostConnection(2);
    ui.Asked.clear();
    EXPECT_FALSE(ConnectDatabase()); // gives up within the connect limit
    EXPECT_EQ(ui.Last().Text, ConnectErrorText(FullNameSvr));
    EXPECT_TRUE(dm->IBQuery->UpdatesPending());
    // The server back (started afresh: one left paused in a login may refuse the next ones).
    server.Resume();
    server.Stop();
    ASSERT_TRUE(server.Start()) << server.Reason.toStdString();
    // the program's own limits again: a busy machine may take longer than the test's
    dm->Database->SetConnectTimeout(ConnectTimeoutSeconds);
    dm->Database->SetCallTimeout(CallTimeoutMs);
    ui.Asked.clear();
    EXPECT_TRUE(ConnectDatabase());
    EXPECT_EQ(ui.Asked.size(), 0u) << ui.Last().Text.toStdString();
    EXPECT_EQ(stored(), (QStringList{"00001=Шевчук", "00002=Коваленко"}));
}
