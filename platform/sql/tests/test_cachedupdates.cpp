// Cached updates and update statements: what stays pending, what reaches the server, and
// how errors come back.
#include "SqlTestSupport.h"

#include "BlobChangeCheck.h"
#include "IBUpdateSQL.h"

namespace {

class CachedTest : public SqlTest {
protected:
    void SetUp() override {
        SqlTest::SetUp();
        CreateAndConnect();
        Exec("CREATE TABLE PROF (CODPROF VARCHAR(10) NOT NULL primary key, "
             "NAMPROF VARCHAR(100) CHARACTER SET WIN1251 COLLATE PXW_CYRL)");
        Exec("insert into PROF values ('01', 'Інженер')");
        Exec("insert into PROF values ('02', 'Бухгалтер')");
        upd = new TIBUpdateSQL(owner.get());
        upd->GetModifySQL()->SetText("update PROF\nset\nCODPROF = :CODPROF,\nNAMPROF = :NAMPROF\n"
                                     "where\nCODPROF = :OLD_CODPROF");
        upd->GetInsertSQL()->SetText(
            "insert into PROF\n(CODPROF, NAMPROF)\nvalues\n(:CODPROF, :NAMPROF)");
        upd->GetDeleteSQL()->SetText("delete from PROF\nwhere\nCODPROF = :OLD_CODPROF");
        q = new TIBQuery(owner.get());
        q->SetDatabase(db);
        q->SetCachedUpdates(true);
        q->SetUpdateObject(upd);
        q->GetSQL()->SetText("select * from PROF\norder by CODPROF");
        // The application's save rule: apply through the database, errors swallowed.
        q->AfterPost = [this](TDataSet* ds) { save(ds); };
        q->AfterDelete = [this](TDataSet* ds) { save(ds); };
        q->OnUpdateError = [this](TDataSet*, EDatabaseError& E, TUpdateKind Kind,
                                  TUpdateAction& Action) {
            errors << E.Message;
            kinds.push_back(Kind);
            if (E.Message.left(9) == QLatin1String("violation")) Abort();
            Action = nextAction;
        };
        q->Open();
    }
    void save(TDataSet* ds) {
        try {
            db->ApplyUpdates({ds});
            tr->CommitRetaining();
        } catch (Exception&) {
        }
    }
    int count(const QString& Where) {
        return int(Scalar("select count(*) from PROF where " + Where).AsInteger());
    }
    TIBUpdateSQL* upd = nullptr;
    TIBQuery* q = nullptr;
    QStringList errors;
    std::vector<TUpdateKind> kinds;
    TUpdateAction nextAction = uaFail;
};

} // namespace

TEST_F(CachedTest, DuplicateKeyReachesUpdateErrorStaysPendingAndIsStoredOnceAfterTheFix) {
    q->Append();
    q->FieldByName("CODPROF")->SetAsString("01");
    q->FieldByName("NAMPROF")->SetAsString(QStringLiteral("Токар"));
    q->Post();
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].startsWith("violation")) << errors[0].toStdString();
    EXPECT_FALSE(errors[0].endsWith(u'.'));
    EXPECT_EQ(kinds[0], ukInsert);
    EXPECT_TRUE(q->UpdatesPending());
    EXPECT_EQ(q->FieldByName("NAMPROF")->GetAsString(), QStringLiteral("Токар"));
    EXPECT_EQ(q->CachedUpdateStatus(), cusInserted);
    EXPECT_EQ(count("NAMPROF = 'Токар'"), 0);
    // The user corrects the code and posts again: one row, stored once.
    q->Edit();
    q->FieldByName("CODPROF")->SetAsString("03");
    q->Post();
    EXPECT_EQ(errors.size(), 1);
    EXPECT_FALSE(q->UpdatesPending());
    EXPECT_EQ(count("CODPROF = '03'"), 1);
    EXPECT_EQ(count("1 = 1"), 3);
    // A second save has nothing left to write.
    save(q);
    EXPECT_EQ(count("CODPROF = '03'"), 1);
}

TEST_F(CachedTest, ModifyOfARowDeletedMeanwhileRaisesInsteadOfSucceedingSilently) {
    q->AfterPost = nullptr;
    q->OnUpdateError = nullptr;
    q->First();
    q->Edit();
    q->FieldByName("NAMPROF")->SetAsString(QStringLiteral("Інженер-конструктор"));
    q->Post();
    Exec("delete from PROF where CODPROF = '01'");
    try {
        q->ApplyUpdates();
        FAIL() << "no error";
    } catch (EIBError& e) {
        EXPECT_EQ(e.Message, QString::fromUtf8(SIBUpdateFailed));
    }
    EXPECT_TRUE(q->UpdatesPending());
    EXPECT_EQ(count("1 = 1"), 1);
}

TEST_F(CachedTest, UpdateActionsDecideWhatLeavesTheCache) {
    q->AfterPost = nullptr;
    q->AfterDelete = nullptr;
    // Three pending changes: a bad insert between a good modify and a good delete.
    q->First(); // 01
    q->Edit();
    q->FieldByName("NAMPROF")->SetAsString("A");
    q->Post();
    q->Append();
    q->FieldByName("CODPROF")->SetAsString("01"); // duplicate of a row that stays
    q->Post();
    ASSERT_TRUE(q->Locate("CODPROF", "02", {}));
    q->Delete();
    struct Case {
        TUpdateAction action;
        int pendingAfter;
        bool raises;
    };
    for (Case c : {Case{uaSkip, 1, false}, Case{uaApplied, 0, false}}) {
        SCOPED_TRACE(int(c.action));
        nextAction = c.action;
        errors.clear();
        q->OnUpdateError = [this](TDataSet*, EDatabaseError& E, TUpdateKind,
                                  TUpdateAction& Action) {
            errors << E.Message;
            Action = nextAction;
        };
        q->ApplyUpdates();
        EXPECT_EQ(q->UpdatesPending(), c.pendingAfter > 0);
        tr->CommitRetaining();
    }
    // The modify and the delete reached the server once; the skipped insert was applied as
    // "applied" in the second round without reaching it.
    EXPECT_EQ(count("CODPROF = '01' and NAMPROF = 'A'"), 1);
    EXPECT_EQ(count("CODPROF = '02'"), 0);
}

TEST_F(CachedTest, FailWithoutHandlerRaisesAndCancelUpdatesRestoresTheRows) {
    q->AfterPost = nullptr;
    q->AfterDelete = nullptr;
    q->OnUpdateError = nullptr;
    q->First();
    q->Edit();
    q->FieldByName("NAMPROF")->SetAsString("X");
    q->Post();
    q->Append();
    q->FieldByName("CODPROF")->SetAsString("01");
    q->Post();
    q->Last();
    EXPECT_EQ(q->CachedUpdateStatus(), cusInserted);
    q->Prior();
    EXPECT_EQ(q->FieldByName("CODPROF")->GetAsString(), "02");
    q->Delete();
    EXPECT_EQ(q->RecordCount(), 2);
    EXPECT_THROW(q->ApplyUpdates(), EIBError);
    // Rows are applied in their order: the modify and the delete before the failing insert
    // reached the server and left the cache; the insert stays pending.
    EXPECT_EQ(count("NAMPROF = 'X'"), 1);
    EXPECT_EQ(count("CODPROF = '02'"), 0);
    EXPECT_TRUE(q->UpdatesPending());
    q->CancelUpdates();
    EXPECT_FALSE(q->UpdatesPending());
    EXPECT_EQ(q->RecordCount(), 1);
    q->First();
    EXPECT_EQ(q->FieldByName("NAMPROF")->GetAsString(), "X");
    // Cancelling gives a modified and a deleted record back their stored values.
    q->Edit();
    q->FieldByName("NAMPROF")->SetAsString("Y");
    q->Post();
    q->Delete();
    EXPECT_EQ(q->RecordCount(), 0);
    q->CancelUpdates();
    ASSERT_EQ(q->RecordCount(), 1);
    EXPECT_EQ(q->FieldByName("NAMPROF")->GetAsString(), "X");
}

TEST_F(SqlTest, WithoutCachingEachPostAndDeleteRunsAtOnceAndWholeRowDeleteMatchesNulls) {
    CreateAndConnect();
    Exec("CREATE TABLE KIDS (KID_TAB VARCHAR(5) NOT NULL, KID_DAT DATE, "
         "KID_SEX VARCHAR(1) CHARACTER SET WIN1251 COLLATE PXW_CYRL, "
         "KID_NAME VARCHAR(50) CHARACTER SET WIN1251 COLLATE PXW_CYRL)");
    Exec("insert into KIDS values ('00001', NULL, 'Ж', 'Оля')");
    Exec("insert into KIDS values ('00001', '2010-05-06', 'Ч', 'Петро')");
    auto* upd = new TIBUpdateSQL(owner.get());
    upd->GetInsertSQL()->SetText("insert into KIDS (KID_TAB, KID_DAT, KID_SEX, KID_NAME) "
                                 "values (:KID_TAB, :KID_DAT, :KID_SEX, :KID_NAME)");
    upd->GetDeleteSQL()->SetText(
        "delete from KIDS\nwhere\n(KID_TAB = :OLD_KID_TAB or KID_TAB IS NULL) and\n"
        "(KID_DAT = :OLD_KID_DAT or KID_DAT IS NULL) and\n"
        "(KID_NAME = :OLD_KID_NAME or KID_NAME IS NULL) and\n"
        "(KID_SEX = :OLD_KID_SEX or KID_SEX IS NULL)");
    TIBQuery q(nullptr);
    q.SetDatabase(db);
    q.SetUpdateObject(upd);
    q.GetSQL()->SetText("select * from KIDS where KID_TAB=:TAB order by KID_NAME");
    q.ParamByName("TAB")->SetAsString("00001");
    q.Open();
    ASSERT_EQ(q.FieldByName("KID_NAME")->GetAsString(), QStringLiteral("Оля"));
    q.Delete();
    EXPECT_EQ(Scalar("select count(*) from KIDS").AsInteger(), 1);
    EXPECT_EQ(q.FieldByName("KID_NAME")->GetAsString(), QStringLiteral("Петро"));
    q.Append();
    q.FieldByName("KID_TAB")->SetAsString("00001");
    q.FieldByName("KID_NAME")->SetAsString(QStringLiteral("Ярина"));
    q.Post();
    EXPECT_EQ(Scalar("select count(*) from KIDS").AsInteger(), 2);
    // No modify statement: an edit cannot be posted, and the row stays as it was.
    q.Edit();
    q.FieldByName("KID_NAME")->SetAsString("Z");
    EXPECT_THROW(q.Post(), EIBError);
    q.Cancel();
    EXPECT_EQ(Scalar("select count(*) from KIDS where KID_NAME = 'Z'").AsInteger(), 0);
    // A query without update object is read-only.
    TIBQuery ro(nullptr);
    ro.SetDatabase(db);
    ro.GetSQL()->SetText("select * from KIDS");
    ro.Open();
    EXPECT_THROW(ro.Edit(), EDatabaseError);
}

namespace {
// A query whose writes of blob values can be made to fail.
class TFailingBlobQuery : public TIBQuery {
public:
    using TIBQuery::TIBQuery;
    bool Fail = false;

protected:
    void WriteBlob(TField* Field, const QByteArray& Bytes) override {
        if (Fail) DatabaseError(QStringLiteral("Немає місця для примітки"));
        TIBQuery::WriteBlob(Field, Bytes);
    }
};
} // namespace

TEST_F(SqlTest, ARefusedBlobChangeReachesTheCallerAndKeepsTheFormerValue) {
    CreateAndConnect();
    Exec("CREATE TABLE NOTES (ID INTEGER NOT NULL PRIMARY KEY, "
         "NOTE BLOB SUB_TYPE 1 CHARACTER SET WIN1251)");
    Exec(QStringLiteral("insert into NOTES values (1, 'Стара нотатка')"));
    auto* upd = new TIBUpdateSQL(owner.get());
    upd->GetModifySQL()->SetText("update NOTES set NOTE = :NOTE where ID = :OLD_ID");
    auto* q = new TFailingBlobQuery(owner.get());
    q->SetDatabase(db);
    q->SetCachedUpdates(true);
    q->SetUpdateObject(upd);
    q->GetSQL()->SetText("select * from NOTES");
    q->AfterPost = [this](TDataSet* ds) {
        db->ApplyUpdates({ds});
        tr->CommitRetaining();
    };
    q->Open();
    TBlobChangeFixture f{
        q, q->FieldByName("NOTE"), QStringLiteral("Стара нотатка"),
        [q](bool Fail) { q->Fail = Fail; },
        [this] { return Scalar("select NOTE from NOTES where ID = 1").AsString(); }};
    CheckRefusedBlobChanges(f);
}

// RecordCount and RecNo count the rows the user sees: an insert in the middle moves the rows
// after it, a deletion waiting in the cache takes its row out, cancelling brings it back.
TEST_F(CachedTest, RecordNumbersFollowInsertsAndDeletionsWaitingInTheCache) {
    q->AfterPost = nullptr;
    q->AfterDelete = nullptr;
    for (const char* code : {"03", "04", "05"}) {
        q->Append();
        q->FieldByName("CODPROF")->SetAsString(code);
        q->Post();
    }
    auto codeAt = [&](int recNo) {
        q->SetRecNo(recNo);
        EXPECT_EQ(q->GetRecNo(), recNo);
        return q->FieldByName("CODPROF")->GetAsString();
    };
    EXPECT_EQ(q->RecordCount(), 5);
    EXPECT_EQ(codeAt(4), "04");
    q->Insert(); // before "04"
    q->FieldByName("CODPROF")->SetAsString("035");
    q->Post();
    EXPECT_EQ(q->GetRecNo(), 4);
    EXPECT_EQ(q->RecordCount(), 6);
    EXPECT_EQ(codeAt(5), "04");
    EXPECT_EQ(codeAt(2), "02");
    q->Delete();
    EXPECT_EQ(q->RecordCount(), 5);
    EXPECT_EQ(q->FieldByName("CODPROF")->GetAsString(), "03");
    EXPECT_EQ(q->GetRecNo(), 2);
    EXPECT_EQ(codeAt(5), "05");
    q->Last();
    EXPECT_EQ(q->GetRecNo(), 5);
    q->CancelUpdates();
    EXPECT_EQ(q->RecordCount(), 2);
    EXPECT_EQ(codeAt(2), "02");
}
