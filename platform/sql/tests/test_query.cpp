// Queries: every column type both ways, parameters, lazy fetching, cursors across commit
// retaining, DDL in the middle of a transaction, and errors.
#include "SqlTestSupport.h"

#include "Dates.h"
#include "IBSQL.h"
#include "IBUpdateSQL.h"

#include <QRegularExpression>

namespace {

const char* AllTypesTable = "CREATE TABLE T (ID INTEGER NOT NULL PRIMARY KEY, "
                            "NAME VARCHAR(20) CHARACTER SET WIN1251 COLLATE PXW_CYRL, "
                            "CODE CHAR(5), S SMALLINT, I INTEGER, B BIGINT, "
                            "OKLAD NUMERIC(7,2), DEC3 DECIMAL(15,3), DBL DOUBLE PRECISION, "
                            "FLT FLOAT, D DATE, TM TIME, TS TIMESTAMP, BIN BLOB SUB_TYPE 0, "
                            "MEMO BLOB SUB_TYPE 1)";

QByteArray pattern(int n) {
    QByteArray b(n, 0);
    for (int i = 0; i < n; ++i)
        b[i] = char((i * 7 + i / 251) & 0xFF);
    return b;
}

} // namespace

TEST_F(SqlTest, EveryTypeRoundTripsThroughParamsAndIsReadBackByDataSetAndIsql) {
    CreateAndConnect();
    Exec(AllTypesTable);
    const QString name = QStringLiteral("Ґалина Їжакевич");
    const QByteArray blob = pattern(200 * 1024);
    const TDateTime d = EncodeDate(2024, 2, 29);
    const TDateTime tm = EncodeTime(13, 45, 30, 250);
    const TDateTime ts = EncodeDateTime(1999, 12, 31, 23, 59, 58, 0);
    {
        TIBQuery q(nullptr);
        q.SetDatabase(db);
        q.GetSQL()->Add(
            "insert into T (ID, NAME, CODE, S, I, B, OKLAD, DEC3, DBL, FLT, D, TM, TS, BIN, MEMO)");
        q.GetSQL()->Add("values (:ID, :NAME, :CODE, :S, :I, :B, :OKLAD, :DEC3, :DBL, :FLT, :D, "
                        ":TM, :TS, :BIN, :MEMO)");
        ASSERT_EQ(q.GetParamCount(), 15);
        q.ParamByName("ID")->SetAsInteger(1);
        q.ParamByName("NAME")->SetAsString(name);
        q.ParamByName("CODE")->SetAsString("AB");
        q.ParamByName("S")->SetAsSmallInt(-32768);
        q.ParamByName("I")->SetAsInteger(2147483647);
        q.ParamByName("B")->SetAsLargeInt(9007199254740993LL);
        q.ParamByName("OKLAD")->SetAsBCD(1500.00);
        q.ParamByName("DEC3")->SetAsString("123456789012,345");
        q.ParamByName("DBL")->SetAsFloat(0.1);
        q.ParamByName("FLT")->SetAsFloat(2.5);
        q.ParamByName("D")->SetAsDate(d);
        q.ParamByName("TM")->SetAsTime(tm);
        q.ParamByName("TS")->SetAsDateTime(ts);
        q.ParamByName("BIN")->SetAsBlob(blob);
        q.ParamByName("MEMO")->SetAsMemo(QStringLiteral("Рядок один\r\nРядок два"));
        q.ExecSQL();
        EXPECT_EQ(q.RowsAffected(), 1);
        // A row of NULLs: parameters given Null, and parameters never given a value.
        q.ParamByName("ID")->SetAsInteger(2);
        for (int i = 1; i < q.GetParamCount(); ++i)
            q.GetParams()->GetItems(i)->Clear();
        q.ExecSQL();
    }
    {
        TIBQuery q(nullptr);
        q.SetDatabase(db);
        q.GetSQL()->SetText("select * from T order by ID");
        q.Open();
        ASSERT_FALSE(q.Eof());
        EXPECT_EQ(q.FieldByName("NAME")->GetAsString(), name);
        EXPECT_EQ(q.FieldByName("NAME")->GetSize(), 20);
        EXPECT_EQ(q.FieldByName("CODE")->GetAsString(), QStringLiteral("AB"));
        EXPECT_EQ(q.FieldByName("S")->GetDataType(), ftSmallint);
        EXPECT_EQ(q.FieldByName("S")->GetAsInteger(), -32768);
        EXPECT_EQ(q.FieldByName("I")->GetDataType(), ftInteger);
        EXPECT_EQ(q.FieldByName("I")->GetAsInteger(), 2147483647);
        EXPECT_EQ(q.FieldByName("B")->GetDataType(), ftLargeint);
        EXPECT_EQ(q.FieldByName("B")->GetAsLargeInt(), 9007199254740993LL);
        auto* oklad = dynamic_cast<TBCDField*>(q.FieldByName("OKLAD"));
        ASSERT_NE(oklad, nullptr);
        EXPECT_EQ(oklad->GetPrecision(), 9);
        EXPECT_EQ(oklad->GetSize(), 2);
        int64_t scaled = 0;
        ASSERT_TRUE(oklad->GetScaled(scaled));
        EXPECT_EQ(scaled, 150000);
        auto* dec3 = dynamic_cast<TBCDField*>(q.FieldByName("DEC3"));
        ASSERT_NE(dec3, nullptr);
        ASSERT_TRUE(dec3->GetScaled(scaled));
        EXPECT_EQ(scaled, 123456789012345LL);
        EXPECT_DOUBLE_EQ(q.FieldByName("DBL")->GetAsFloat(), 0.1);
        EXPECT_DOUBLE_EQ(q.FieldByName("FLT")->GetAsFloat(), 2.5);
        EXPECT_EQ(q.FieldByName("D")->GetDataType(), ftDate);
        EXPECT_DOUBLE_EQ(q.FieldByName("D")->GetAsDateTime(), d);
        EXPECT_EQ(q.FieldByName("TM")->GetDataType(), ftTime);
        EXPECT_NEAR(q.FieldByName("TM")->GetAsDateTime(), tm, 1e-9);
        EXPECT_EQ(q.FieldByName("TS")->GetDataType(), ftDateTime);
        EXPECT_NEAR(q.FieldByName("TS")->GetAsDateTime(), ts, 1e-9);
        auto* bin = dynamic_cast<TBlobField*>(q.FieldByName("BIN"));
        ASSERT_NE(bin, nullptr);
        EXPECT_EQ(bin->GetDataType(), ftBlob);
        EXPECT_EQ(bin->GetAsBytes(), blob);
        EXPECT_EQ(q.FieldByName("MEMO")->GetDataType(), ftMemo);
        EXPECT_EQ(q.FieldByName("MEMO")->GetAsString(), QStringLiteral("Рядок один\r\nРядок два"));
        q.Next();
        ASSERT_FALSE(q.Eof());
        for (int i = 1; i < q.GetFieldCount(); ++i)
            EXPECT_TRUE(q.Fields(i)->IsNull()) << q.Fields(i)->GetFieldName().toStdString();
    }
    db->Close();
    // An independent reader sees the same row (text converted from WIN1251 by isql).
    QString out =
        RunIsql(DbPath(), "set list on;\nselect ID, NAME, OKLAD, D, octet_length(BIN) as BL, "
                          "S from T order by ID;\n");
    EXPECT_TRUE(out.contains(name)) << out.toStdString();
    EXPECT_TRUE(out.contains(QRegularExpression("OKLAD\\s+1500\\.00"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QRegularExpression("D\\s+2024-02-29"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QRegularExpression("BL\\s+204800"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QRegularExpression("ID\\s+2\\s+NAME\\s+<null>\\s+OKLAD\\s+<null>")))
        << out.toStdString();
}

TEST_F(SqlTest, DataSetEditsEveryTypeThroughUpdateStatementsAndNullsGoBothWays) {
    CreateAndConnect();
    Exec(AllTypesTable);
    Exec("insert into T (ID, NAME, OKLAD, D, MEMO) values (1, 'а', 10.5, '2020-01-02', 'м')");
    TIBQuery q(nullptr);
    q.SetDatabase(db);
    q.GetSQL()->SetText("select * from T");
    auto* upd = new TIBUpdateSQL(owner.get());
    upd->GetModifySQL()->SetText("update T set NAME = :NAME, OKLAD = :OKLAD, D = :D, MEMO = :MEMO, "
                                 "BIN = :BIN, S = :S where ID = :OLD_ID");
    q.SetUpdateObject(upd);
    q.Open();
    q.Edit();
    q.FieldByName("NAME")->SetAsString(QStringLiteral("Євген"));
    q.FieldByName("OKLAD")->SetAsString(QStringLiteral("1234,56"));
    q.FieldByName("D")->Clear();
    q.FieldByName("MEMO")->Clear();
    dynamic_cast<TBlobField*>(q.FieldByName("BIN"))->SetAsBytes(QByteArray("\x00\x01\x02", 3));
    q.FieldByName("S")->SetAsInteger(7);
    q.Post();
    q.Close();
    EXPECT_EQ(Scalar("select NAME from T").AsString(), QStringLiteral("Євген"));
    EXPECT_EQ(Scalar("select cast(OKLAD * 100 as integer) from T").AsInteger(), 123456);
    EXPECT_TRUE(VarIsClear(Scalar("select D from T")));
    EXPECT_TRUE(VarIsClear(Scalar("select MEMO from T")));
    EXPECT_EQ(Scalar("select octet_length(BIN) from T").AsInteger(), 3);
    EXPECT_EQ(Scalar("select S from T").AsInteger(), 7);
}

TEST_F(SqlTest, CursorOpenedBeforeCommitRetainingKeepsFetchingAndBookmarksWorkOverFetchedRows) {
    CreateAndConnect();
    Exec("create table N (K integer not null primary key, V varchar(10))");
    {
        TIBQuery ins(nullptr);
        ins.SetDatabase(db);
        ins.GetSQL()->SetText("insert into N values (:K, 'v' || :K)");
        for (int k = 1; k <= 300; ++k) {
            ins.ParamByName("K")->SetAsInteger(k);
            ins.ExecSQL();
        }
    }
    TIBQuery q(nullptr);
    q.SetDatabase(db);
    q.GetSQL()->SetText("select * from N order by K");
    q.Open();
    // Rows come as the cursor needs them.
    EXPECT_LT(q.RecordCount(), 300);
    q.MoveBy(9);
    EXPECT_EQ(q.FieldByName("K")->GetAsInteger(), 10);
    TBookmark tenth = q.GetBookmark();
    tr->CommitRetaining();
    EXPECT_TRUE(q.GetActive());
    int seen = 10;
    while (!q.Eof()) {
        q.Next();
        if (!q.Eof()) ++seen;
    }
    EXPECT_EQ(seen, 300);
    EXPECT_EQ(q.RecordCount(), 300);
    q.Prior();
    EXPECT_EQ(q.FieldByName("K")->GetAsInteger(), 299);
    q.GotoBookmark(tenth);
    EXPECT_EQ(q.FieldByName("K")->GetAsInteger(), 10);
    EXPECT_EQ(q.RecNo(), 10);
    EXPECT_LT(q.CompareBookmarks(tenth, q.GetBookmark()), 1);
    q.Last();
    EXPECT_GT(q.CompareBookmarks(q.GetBookmark(), tenth), 0);
    // Bookmarks that are not this dataset's (too short, or of no row) sort after every row.
    for (const TBookmark& foreign : {TBookmark("x"), TBookmark("\xff\xff\xff\x7f", 4)}) {
        EXPECT_GT(q.CompareBookmarks(foreign, tenth), 0);
        EXPECT_LT(q.CompareBookmarks(tenth, foreign), 0);
        EXPECT_FALSE(q.BookmarkValid(foreign));
    }
    // A hard commit ends the transaction's cursors: the dataset closes with it.
    tr->Commit();
    EXPECT_FALSE(q.GetActive());
}

TEST_F(SqlTest, ClosingTheDatabaseCommitsAndReconnectSeesTheRows) {
    CreateAndConnect();
    Exec("create table N (K integer)");
    Exec("insert into N values (1)");
    Exec("insert into N values (2)");
    EXPECT_TRUE(tr->InTransaction());
    db->Close();
    EXPECT_FALSE(tr->InTransaction());
    db->Open();
    EXPECT_EQ(Scalar("select count(*) from N").AsInteger(), 2);
}

TEST_F(SqlTest, DdlThenInsertIntoTheNewTableInTheSameTransaction) {
    CreateAndConnect();
    // The application's schema statements: domains, then tables on them, no commit between.
    Exec("CREATE DOMAIN TABNUM AS VARCHAR(5);");
    Exec("CREATE TABLE KIDS (\nKID_TAB TABNUM NOT NULL,\nKID_DAT DATE,\n"
         "KID_NAME VARCHAR(50) CHARACTER SET WIN1251 COLLATE PXW_CYRL);");
    Exec("insert into KIDS (KID_TAB, KID_NAME) values ('00001', 'Олеся')");
    EXPECT_EQ(Scalar("select KID_NAME from KIDS").AsString(), QStringLiteral("Олеся"));
    EXPECT_TRUE(db->TableExists("kids"));
    EXPECT_FALSE(db->TableExists("CAL2002"));
    EXPECT_EQ(db->GetTableNames(), QStringList{QStringLiteral("KIDS")});
}

TEST_F(SqlTest, ParametersAreNamedOutsideQuotesAndRepeatedNamesShareTheValue) {
    CreateAndConnect();
    Exec("create table P (A varchar(20), B varchar(20))");
    TIBQuery q(nullptr);
    q.SetDatabase(db);
    q.GetSQL()->SetText("insert into P (A, B) values (:X, ':NOT_A_PARAM' || :X)");
    ASSERT_EQ(q.GetParamCount(), 2);
    EXPECT_EQ(q.GetParams()->GetItems(0)->GetName(), QStringLiteral("X"));
    q.ParamByName("X")->SetAsString("v");
    q.ExecSQL();
    EXPECT_EQ(Scalar("select B from P").AsString(), QStringLiteral(":NOT_A_PARAMv"));
    // A date parameter given as text in the system's form.
    Exec("create table DT (D date)");
    TIBQuery d(nullptr);
    d.SetDatabase(db);
    d.GetSQL()->SetText("insert into DT values (:D)");
    d.ParamByName("D")->SetAsString("05.03.2021");
    d.ExecSQL();
    EXPECT_DOUBLE_EQ(Scalar("select D from DT").AsDate(), EncodeDate(2021, 3, 5));
}

TEST_F(SqlTest, ServerErrorsCarryTheServersTextAndLeaveTheComponentsUsable) {
    // A wrong path.
    db->SetDatabaseName(dir.filePath("missing/none.fdb"));
    db->GetParams()->AddStrings(ConnectLines());
    try {
        db->Open();
        FAIL() << "no error";
    } catch (EIBError& e) {
        EXPECT_NE(e.IBErrorCode, 0);
        EXPECT_TRUE(e.Message.contains("none.fdb")) << e.Message.toStdString();
        EXPECT_FALSE(e.Message.endsWith(u'.'));
    }
    EXPECT_FALSE(db->GetConnected());
    // The same component connects once the path is right.
    db->SetDatabaseName(DbPath());
    CreateAndConnect();
    EXPECT_TRUE(db->GetConnected());
    // A syntax error.
    TIBQuery q(nullptr);
    q.SetDatabase(db);
    q.GetSQL()->SetText("selec * from rdb$database");
    try {
        q.Open();
        FAIL() << "no error";
    } catch (EIBError& e) {
        EXPECT_EQ(e.SQLCode, -104);
        EXPECT_TRUE(e.Message.contains("Token unknown")) << e.Message.toStdString();
        EXPECT_TRUE(e.Message.contains("\r\n"));
        EXPECT_FALSE(e.Message.endsWith(u'.'));
    }
    EXPECT_FALSE(q.GetActive());
    q.GetSQL()->SetText("select 1 from rdb$database");
    q.Open();
    EXPECT_EQ(q.Fields(0)->GetAsInteger(), 1);
    q.Close();
    // Opening a statement that returns no rows is refused without running it.
    Exec("create table Z (K integer)");
    q.GetSQL()->SetText("insert into Z values (1)");
    EXPECT_THROW(q.Open(), EIBError);
    EXPECT_EQ(Scalar("select count(*) from Z").AsInteger(), 0);
    // A parameter line the client does not know is refused before anything is sent.
    db->Close();
    db->GetParams()->Add("no_such_thing=1");
    EXPECT_THROW(db->Open(), EIBError);
    EXPECT_FALSE(db->GetConnected());
}

TEST_F(SqlTest, CreatingOverAnExistingFileFailsAndLeavesItAlone) {
    CreateAndConnect();
    Exec("create table N (K integer)");
    Exec("insert into N values (42)");
    db->Close();
    QFile f(DbPath());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QByteArray before = f.readAll();
    f.close();
    db->GetParams()->Clear();
    db->GetParams()->AddStrings(CreateLines());
    EXPECT_THROW(db->CreateDatabase(), EIBError);
    EXPECT_FALSE(db->GetConnected());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
    f.close();
    db->GetParams()->Clear();
    db->GetParams()->AddStrings(ConnectLines());
    db->Open();
    EXPECT_EQ(Scalar("select K from N").AsInteger(), 42);
}

TEST_F(SqlTest, RefreshReadsTheCurrentRowThroughRefreshSqlOrRunsTheSelectAgain) {
    CreateAndConnect();
    Exec("create table R (K integer not null primary key, V varchar(10))");
    Exec("insert into R values (1, 'a')");
    Exec("insert into R values (2, 'b')");
    TIBQuery q(nullptr);
    q.SetDatabase(db);
    q.GetSQL()->SetText("select * from R order by K");
    q.Open();
    q.Next();
    Exec("update R set V = 'a2' where K = 1");
    Exec("update R set V = 'b2' where K = 2");
    Exec("insert into R values (3, 'c')");
    // Without a refresh statement the select runs again and the cursor keeps its place.
    q.Refresh();
    EXPECT_EQ(q.FieldByName("K")->GetAsInteger(), 2);
    EXPECT_EQ(q.FieldByName("V")->GetAsString(), "b2");
    q.Last();
    EXPECT_EQ(q.RecordCount(), 3);
    // With one, only the current row is read again.
    auto* upd = new TIBUpdateSQL(owner.get());
    upd->GetRefreshSQL()->SetText("select V from R where K = :K");
    q.SetUpdateObject(upd);
    q.First();
    Exec("update R set V = 'a3' where K = 1");
    Exec("update R set V = 'b3' where K = 2");
    q.Refresh();
    EXPECT_EQ(q.FieldByName("V")->GetAsString(), "a3");
    q.Next();
    EXPECT_EQ(q.FieldByName("V")->GetAsString(), "b2");
}
