// Detail queries that follow their master, and the table dataset.
#include "SqlTestSupport.h"

#include "Dates.h"
#include "IBTable.h"
#include "IBUpdateSQL.h"

TEST_F(SqlTest, DetailQueryWithParameterFollowsTheMaster) {
    CreateAndConnect();
    Exec("CREATE TABLE PODR (KODP INTEGER NOT NULL primary key, NAIPODR VARCHAR(60))");
    Exec("CREATE TABLE PGROUP (KODP_1 INTEGER NOT NULL, KODG INTEGER NOT NULL primary key, NAIGR "
         "VARCHAR(80))");
    Exec("insert into PODR values (1, 'A')");
    Exec("insert into PODR values (2, 'B')");
    Exec("insert into PODR values (3, 'C')");
    Exec("insert into PGROUP values (1, 11, 'a1')");
    Exec("insert into PGROUP values (1, 12, 'a2')");
    Exec("insert into PGROUP values (2, 21, 'b1')");
    TIBQuery master(owner.get());
    master.SetDatabase(db);
    master.GetSQL()->SetText("select * from PODR\norder by KODP");
    TDataSource ds(owner.get());
    ds.SetDataSet(&master);
    TIBQuery detail(owner.get());
    detail.SetDatabase(db);
    detail.GetSQL()->SetText("select * from PGROUP\nwhere KODP_1=:KODP\norder by KODG");
    detail.SetDataSource(&ds);
    master.Open();
    detail.Open();
    auto codes = [&] {
        QStringList r;
        for (detail.First(); !detail.Eof(); detail.Next())
            r << detail.FieldByName("KODG")->GetAsString();
        return r.join(u',');
    };
    EXPECT_EQ(codes(), "11,12");
    master.Next();
    EXPECT_EQ(codes(), "21");
    master.Next();
    EXPECT_EQ(codes(), "");
    EXPECT_TRUE(detail.IsEmpty());
    master.First();
    EXPECT_EQ(codes(), "11,12");
    // A value given by the program wins over the master's.
    detail.ParamByName("KODP")->SetAsInteger(2);
    detail.Close();
    detail.Open();
    EXPECT_EQ(codes(), "21");
    // A circular link is refused.
    TDataSource dds(owner.get());
    dds.SetDataSet(&detail);
    EXPECT_THROW(master.SetDataSource(&dds), EDatabaseError);
}

TEST_F(SqlTest, TableDataSetReadsInTableOrderAndWritesLiveOnThePrimaryKey) {
    CreateAndConnect();
    // A calendar table as the application creates it, through a query, then filled through
    // the table component in the same transaction.
    QStringList create{"CREATE TABLE CAL2024 (", "INF INTEGER NOT NULL primary key,"};
    for (int n = 1; n <= 31; ++n) {
        create << QString("D%1 VARCHAR(2) CHARACTER SET WIN1251 COLLATE PXW_CYRL,").arg(n);
        create << QString("D%1WEEK VARCHAR(2) CHARACTER SET WIN1251 COLLATE PXW_CYRL,").arg(n);
    }
    create << "D_WEEK INTEGER);";
    TIBQuery k(owner.get());
    k.SetDatabase(db);
    k.GetSQL()->SetStringList(create);
    k.ExecSQL();
    ASSERT_TRUE(db->TableExists("CAL2024"));

    TIBTable t(owner.get());
    t.SetDatabase(db);
    t.SetTableName("CAL2024");
    EXPECT_TRUE(t.GetExists());
    t.Open();
    EXPECT_EQ(t.GetKeyFields(), QStringList{"INF"});
    EXPECT_EQ(t.GetFieldCount(), 64);
    // Months written in reverse key order come back in the order they were written.
    for (int m = 12; m >= 1; --m) {
        t.Append();
        t.FieldByName("INF")->SetAsInteger(m);
        t.FieldByName("D1")->SetAsString("1");
        t.FieldByName("D1WEEK")->SetAsString(QStringLiteral("Пн"));
        t.FieldByName("D_WEEK")->SetAsInteger(m % 7);
        t.Post();
    }
    EXPECT_THROW(t.SetTableName("KADR"), EDatabaseError);
    t.Close();
    t.Open();
    QStringList order;
    for (t.First(); !t.Eof(); t.Next())
        order << t.FieldByName("INF")->GetAsString();
    EXPECT_EQ(order.join(u','), "12,11,10,9,8,7,6,5,4,3,2,1");
    // Edit and delete reach the server at once, keyed on INF.
    t.First();
    t.Edit();
    t.FieldByName("D1WEEK")->SetAsString(QStringLiteral("в"));
    t.Post();
    t.Next();
    t.Delete();
    EXPECT_EQ(Scalar("select D1WEEK from CAL2024 where INF = 12").AsString(), QStringLiteral("в"));
    EXPECT_EQ(Scalar("select count(*) from CAL2024").AsInteger(), 11);
    EXPECT_EQ(Scalar("select count(*) from CAL2024 where D1WEEK = 'Пн'").AsInteger(), 10);
    // IndexFieldNames orders the rows.
    t.SetIndexFieldNames("INF");
    t.First();
    EXPECT_EQ(t.FieldByName("INF")->GetAsInteger(), 1);
    // Saving over an existing year first deletes every row.
    while (!t.IsEmpty())
        t.Delete();
    EXPECT_EQ(Scalar("select count(*) from CAL2024").AsInteger(), 0);
    // A missing table fails to open with the server's text.
    t.Close();
    t.SetTableName("CAL1990");
    EXPECT_FALSE(t.GetExists());
    try {
        t.Open();
        FAIL() << "no error";
    } catch (EIBError& e) {
        EXPECT_TRUE(e.Message.contains("CAL1990")) << e.Message.toStdString();
    }
}

TEST_F(SqlTest, TableWithoutKeyIsWrittenByItsValuesIncludingNulls) {
    CreateAndConnect();
    Exec("create table NAZN (TAB2 varchar(5) not null, NAZ_DATE date, OKLAD numeric(7,2))");
    Exec("insert into NAZN values ('00001', null, 100)");
    Exec("insert into NAZN values ('00001', '2020-01-01', 100)");
    TIBTable t(owner.get());
    t.SetDatabase(db);
    t.SetTableName("nazn");
    t.Open();
    EXPECT_TRUE(t.GetKeyFields().isEmpty());
    t.First();
    ASSERT_TRUE(t.FieldByName("NAZ_DATE")->IsNull());
    t.Edit();
    t.FieldByName("OKLAD")->SetAsString("250,5");
    t.Post();
    EXPECT_EQ(
        Scalar("select count(*) from NAZN where OKLAD = 250.50 and NAZ_DATE is null").AsInteger(),
        1);
    EXPECT_EQ(Scalar("select count(*) from NAZN where OKLAD = 100").AsInteger(), 1);
}

TEST_F(SqlTest, PersistentAndLookupFieldsBindToTheQueryColumns) {
    CreateAndConnect();
    Exec("CREATE TABLE PROF (CODPROF VARCHAR(10) NOT NULL primary key, NAMPROF VARCHAR(100))");
    Exec("CREATE TABLE KADR (TAB VARCHAR(5) NOT NULL primary key, CPROF VARCHAR(10), "
         "OKLAD NUMERIC(7,2), DATCHILD DATE)");
    Exec("insert into PROF values ('P1', 'Токар')");
    Exec("insert into KADR values ('00001', 'P1', 1500, '2001-02-03')");
    TIBQuery prof(owner.get());
    prof.SetDatabase(db);
    prof.GetSQL()->SetText("select * from PROF");
    TIBQuery kadr(owner.get());
    kadr.SetDatabase(db);
    kadr.GetSQL()->SetText("select * from KADR");
    auto* tab = new TStringField(owner.get());
    tab->SetFieldName("TAB");
    tab->SetSize(5);
    tab->SetRequired(true);
    tab->SetDataSet(&kadr);
    auto* cprof = new TStringField(owner.get());
    cprof->SetFieldName("CPROF");
    cprof->SetSize(10);
    cprof->SetDataSet(&kadr);
    auto* oklad = new TBCDField(owner.get());
    oklad->SetFieldName("OKLAD");
    oklad->SetPrecision(9);
    oklad->SetSize(2);
    oklad->SetDataSet(&kadr);
    auto* look = new TStringField(owner.get());
    look->SetFieldName("L_PROF");
    look->SetSize(60);
    look->SetFieldKind(fkLookup);
    look->SetKeyFields("CPROF");
    look->SetLookupDataSet(&prof);
    look->SetLookupKeyFields("CODPROF");
    look->SetLookupResultField("NAMPROF");
    look->SetDataSet(&kadr);
    // Modify names a column (DATCHILD) that has no field: it keeps its stored value.
    auto* upd = new TIBUpdateSQL(owner.get());
    upd->GetModifySQL()->SetText("update KADR set TAB = :TAB, CPROF = :CPROF, OKLAD = :OKLAD, "
                                 "DATCHILD = :DATCHILD where TAB = :OLD_TAB");
    kadr.SetUpdateObject(upd);
    prof.Open();
    kadr.Open();
    EXPECT_EQ(kadr.GetFieldCount(), 4);
    EXPECT_EQ(kadr.FieldByName("L_PROF")->GetAsString(), QStringLiteral("Токар"));
    EXPECT_EQ(kadr.FieldByName("OKLAD")->GetAsString(), "1500");
    kadr.Edit();
    kadr.FieldByName("OKLAD")->SetAsString("1600,25");
    EXPECT_EQ(kadr.FieldByName("OKLAD")->GetOldValue().AsString(), "1500");
    kadr.Post();
    EXPECT_EQ(Scalar("select OKLAD from KADR").AsString(), "1600,25");
    EXPECT_DOUBLE_EQ(Scalar("select DATCHILD from KADR").AsDate(), EncodeDate(2001, 2, 3));
    // A required field without a value is refused before anything is sent.
    kadr.Edit();
    kadr.FieldByName("TAB")->Clear();
    EXPECT_THROW(kadr.Post(), EDatabaseError);
    kadr.Cancel();
    EXPECT_EQ(Scalar("select count(*) from KADR where TAB = '00001'").AsInteger(), 1);
}

TEST_F(SqlTest, ConnectedSetWhileLoadingConnectsWhenLoadingEnds) {
    CreateAndConnect();
    db->Close();
    owner->BeginLoading();
    db->SetConnected(true);
    EXPECT_FALSE(db->GetConnected());
    owner->EndLoading();
    EXPECT_TRUE(db->GetConnected());
}
