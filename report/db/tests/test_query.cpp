// The query object against the embedded database: parameters from the report's variables,
// typed values only, a query stored open, expression errors, and the template bytes.
#include "FR_IBDB.h"
#include "FR_IBQuery.h"
#include "Forms.h"
#include "IBQuery.h"
#include "ReportDbTestSupport.h"
#include "SqlTestSupport.h"

#include "Dates.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// The shared SQL fixture, driven by hand from the report tests.
struct EmbeddedDb : SqlTest {
    void TestBody() override {}
    using SqlTest::CreateAndConnect;
    using SqlTest::db;
    using SqlTest::SetUp;
    using SqlTest::TearDown;
};

class QueryTest : public ReportDbTest {
protected:
    void SetUp() override {
        ReportDbTest::SetUp();
        sql.SetUp();
        sql.CreateAndConnect();
        // The application's database lives on its data module "DM".
        sql.db->Close();
        dm = std::make_unique<TDataModule>(nullptr);
        dm->SetName(u"DM"_s);
        appDb = new TIBDatabase(dm.get());
        appDb->SetName(u"Database"_s);
        appTr = new TIBTransaction(dm.get());
        appDb->SetDefaultTransaction(appTr);
        appDb->SetDatabaseName(sql.db->GetDatabaseName());
        appDb->GetParams()->Assign(sql.db->GetParams());
        appDb->SetLoginPrompt(false);
        appDb->Open();
        exec(u"create table STAFF (NAME varchar(40), HIRED date, OKLAD numeric(10,2))"_s);
        const struct {
            const char* name;
            int y, m, d;
            const char* oklad;
        } rows[] = {{"Коваль Ганна", 1998, 3, 1, "5200.50"},
                    {"O'Brien Патрік", 2005, 7, 15, "6100"},
                    {"Шевченко Марія", 2012, 1, 9, "4800.25"},
                    {"Їжак Єва", 2020, 11, 30, "7000"}};
        for (const auto& r : rows)
            exec(u"insert into STAFF values ('%1', '%2-%3-%4', %5)"_s
                     .arg(QString::fromUtf8(r.name).replace(u"'"_s, u"''"_s))
                     .arg(r.y)
                     .arg(r.m)
                     .arg(r.d)
                     .arg(QString::fromLatin1(r.oklad)));
        appTr->CommitRetaining();
    }
    void exec(const QString& Sql) {
        TIBQuery q(nullptr);
        q.SetDatabase(appDb);
        q.GetSQL()->SetText(Sql);
        q.ExecSQL();
    }
    void TearDown() override {
        ReportDbTest::TearDown(); // the report and the engine's dialog form go first
        dm.reset();
        sql.TearDown();
    }

    // A report printing NAME of every row of query Q1 over the application's database.
    TfrIBQuery* staffReport(const QString& Where) {
        auto* q = add<TfrIBQuery>(u"Q1"_s);
        q->SetPropValue(u"DataBase"_s, Variant(u"DM.Database"_s));
        q->SetSQL(u"select NAME from STAFF where "_s + Where + u" order by HIRED"_s);
        band(btMasterData, 20, 20, u"_Q1"_s);
        memo(20, u"[Q1.\"NAME\"]"_s);
        return q;
    }
    QStringList build() {
        messages.clear();
        EXPECT_TRUE(report->PrepareReport()) << messages.join(u'\n').toStdString();
        return printed();
    }

    EmbeddedDb sql;
    std::unique_ptr<TDataModule> dm;
    TIBDatabase* appDb = nullptr;
    TIBTransaction* appTr = nullptr;
};

TEST_F(QueryTest, ADateParameterFromAVariablePicksTheRowsAndFollowsTheVariable) {
    TfrIBQuery* q = staffReport(u"HIRED >= :D"_s);
    q->SetParamType(u"D"_s, ftDate);
    q->SetParamExpression(u"D"_s, u"DFROM"_s);
    EXPECT_EQ(VarToStr(q->GetPropValue(u"DataBase"_s)), u"DM.Database"_s);
    // Through the template: the query names the application's database by its module.
    ASSERT_TRUE(load(saved()));

    frVariables().SetVariable(u"DFROM"_s, Variant::FromDate(EncodeDate(2005, 7, 15)));
    EXPECT_EQ(build(), (QStringList{u"O'Brien Патрік"_s, u"Шевченко Марія"_s, u"Їжак Єва"_s}));
    frVariables().SetVariable(u"DFROM"_s, Variant(u"01.01.2010"_s));
    EXPECT_EQ(build(), (QStringList{u"Шевченко Марія"_s, u"Їжак Єва"_s}));
}

TEST_F(QueryTest, TextsWithApostrophesOrSqlAreOnlyValues) {
    TfrIBQuery* q = staffReport(u"NAME = :N"_s);
    q->SetParamType(u"N"_s, ftString);
    q->SetParamExpression(u"N"_s, u"WHO"_s);
    const struct {
        QString who;
        QStringList rows;
    } cases[] = {
        {u"O'Brien Патрік"_s, {u"O'Brien Патрік"_s}},
        {u"x' or '1'='1"_s, {}},
        {u"'; delete from STAFF; --"_s, {}},
    };
    for (const auto& c : cases) {
        frVariables().SetVariable(u"WHO"_s, Variant(c.who));
        EXPECT_EQ(build(), c.rows) << c.who.toStdString();
    }
    TIBQuery count(nullptr);
    count.SetDatabase(appDb);
    count.GetSQL()->SetText(u"select count(*) from STAFF"_s);
    count.Open();
    EXPECT_EQ(count.Fields(0)->GetAsInteger(), 4);
}

TEST_F(QueryTest, AQueryStoredOpenUsesDefaultsAtLoadAndTheReportsValuesInTheBuild) {
    TfrIBQuery* q = staffReport(u"HIRED >= :D and OKLAD >= :S"_s);
    q->SetParamType(u"D"_s, ftDate);
    q->SetParamExpression(u"D"_s, u"DFROM"_s);
    q->SetParamType(u"S"_s, ftCurrency);
    q->SetParamExpression(u"S"_s, u"MINSUM"_s);
    q->GetQuery()->Open(); // outside a run: 01.01.2000 and 0
    EXPECT_EQ(q->GetQuery()->ParamByName(u"D"_s)->GetAsDate(), EncodeDate(2000, 1, 1));
    const QByteArray bytes = saved();
    ASSERT_TRUE(load(bytes));
    auto* loaded = static_cast<TfrIBQuery*>(report->FindObject(u"Q1"_s));
    ASSERT_TRUE(loaded);
    EXPECT_TRUE(loaded->GetQuery()->GetActive());
    loaded->GetQuery()->FetchAll();
    EXPECT_EQ(loaded->GetQuery()->RecordCount(), 3); // hired from 2000 on
    EXPECT_EQ(saved(), bytes);

    frVariables().SetVariable(u"DFROM"_s, Variant(u"01.01.1990"_s));
    frVariables().SetVariable(u"MINSUM"_s, Variant(u"5200,50"_s)); // either separator
    EXPECT_EQ(build(), (QStringList{u"Коваль Ганна"_s, u"O'Brien Патрік"_s, u"Їжак Єва"_s}));
}

TEST_F(QueryTest, AnExpressionErrorNamesTheQueryAndPutsThePageAndBandBack) {
    TfrIBQuery* q = staffReport(u"HIRED >= :D"_s);
    q->SetParamType(u"D"_s, ftDate);
    q->SetParamExpression(u"D"_s, u"NOSUCHVARIABLE + 1"_s);

    TfrGlobals& g = frGlobals();
    g.ReportRunning = true;
    report->MakeCurrent();
    TfrPage* page = report->Pages[0];
    auto* someBand = reinterpret_cast<TfrBand*>(&g); // only compared, never used
    g.ActivePage = page;
    g.ActiveBand = someBand;
    EXPECT_ANY_THROW(q->GetQuery()->Open());
    EXPECT_FALSE(q->GetQuery()->GetActive());
    EXPECT_EQ(g.ActivePage, page);
    EXPECT_EQ(g.ActiveBand, someBand);
    EXPECT_EQ(g.ActiveView, q);
    EXPECT_EQ(q->Memo.GetText().trimmed(), u"NOSUCHVARIABLE + 1"_s);
    g.ActiveBand = nullptr;
    g.ActivePage = nullptr;

    // In a build the message names the query and shows the expression; no pages are left.
    EXPECT_FALSE(report->PrepareReport());
    EXPECT_EQ(report->EMFPages.Count(), 0);
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].contains(u"Q1"_s)) << messages[0].toStdString();
    EXPECT_TRUE(messages[0].contains(u"NOSUCHVARIABLE + 1"_s)) << messages[0].toStdString();
}

TEST_F(QueryTest, TheTemplatesOwnDatabaseObjectConnectsItsQueriesWhateverTheOrder) {
    // The query comes first in the template and names the database object after it.
    auto* q = add<TfrIBQuery>(u"Q1"_s);
    q->SetSQL(u"select count(*) from STAFF"_s);
    q->SetPropValue(u"DataBase"_s, Variant(u"Db1"_s));
    auto* db = add<TfrIBDatabase>(u"Db1"_s);
    db->SetPropValue(u"DatabaseName"_s, Variant(appDb->GetDatabaseName()));
    db->SetPropValue(u"Params"_s, Variant(appDb->GetParams()->GetText()));
    db->SetPropValue(u"LoginPrompt"_s, Variant(false));
    q->SetPropValue(u"DataBase"_s, Variant(u"Db1"_s));
    EXPECT_EQ(VarToStr(q->GetPropValue(u"DataBase"_s)), u"Db1"_s);
    // A designer would offer both databases: the template's own and the application's.
    ASSERT_TRUE(q->PropRec(u"Database"_s));
    EXPECT_EQ(q->PropRec(u"Database"_s)->Enum, QStringList{u"Db1;DM.Database;"_s});
    // The embedded engine keeps a file to one attachment per process here: let go of ours.
    appDb->Close();
    db->SetPropValue(u"Connected"_s, Variant(true));
    q->SetPropValue(u"Active"_s, Variant(true));
    const QByteArray bytes = saved();

    ASSERT_TRUE(load(bytes));
    auto* loaded = static_cast<TfrIBQuery*>(report->FindObject(u"Q1"_s));
    ASSERT_TRUE(loaded);
    EXPECT_TRUE(loaded->GetQuery()->GetActive());
    EXPECT_EQ(loaded->GetQuery()->Fields(0)->GetAsInteger(), 4);
    EXPECT_EQ(saved(), bytes);

    // A script closes the connection, and its transaction with it.
    auto* ldb = static_cast<TfrIBDatabase*>(report->FindObject(u"Db1"_s));
    ldb->SetPropValue(u"Connected"_s, Variant(false));
    EXPECT_FALSE(ldb->GetTransaction()->GetActive());
    EXPECT_FALSE(VarToStr(ldb->GetPropValue(u"Connected"_s)) == u"True"_s);
}

} // namespace

namespace {

TEST_F(QueryTest, TablesFindAMasterStoredAfterThemAndKeepTheirStoredFields) {
    exec(u"create table DEPT (ID integer, TITLE varchar(30))"_s);
    exec(u"create table EMP (DEPT_ID integer, NAME varchar(40), TABNOM integer)"_s);
    exec(u"insert into DEPT values (1, 'Бухгалтерія')"_s);
    exec(u"insert into DEPT values (2, 'Відділ кадрів')"_s);
    exec(u"insert into EMP values (1, 'Коваль Ганна', 11)"_s);
    exec(u"insert into EMP values (2, 'Шевченко Марія', 12)"_s);
    exec(u"insert into EMP values (2, 'Їжак Єва', 13)"_s);
    appTr->CommitRetaining();

    // The detail comes first in the template and names its master, stored after it.
    auto* emp = add<TfrIBTable>(u"Emp"_s);
    emp->SetPropValue(u"DataBase"_s, Variant(u"DM.Database"_s));
    emp->SetPropValue(u"TableName"_s, Variant(u"EMP"_s));
    emp->SetPropValue(u"IndexFieldNames"_s, Variant(u"DEPT_ID"_s));
    emp->SetPropValue(u"MasterFields"_s, Variant(u"ID"_s));
    emp->SetPropValue(u"Filter"_s, Variant(u"   "_s));
    // NAME and DEPT_ID are kept of EMP's three columns, with the department's title looked up
    // in the master table.
    TDataSet* empSet = emp->GetDataSet();
    empSet->GetFieldDefs()->Add(u"NAME"_s, ftString, 40)->CreateField(empSet->GetOwner());
    empSet->GetFieldDefs()->Add(u"DEPT_ID"_s, ftInteger)->CreateField(empSet->GetOwner());
    TField* title =
        empSet->GetFieldDefs()->Add(u"DTITLE"_s, ftString, 30)->CreateField(empSet->GetOwner());
    title->SetFieldKind(fkLookup);
    title->SetKeyFields(u"DEPT_ID"_s);
    title->SetLookupKeyFields(u"ID"_s);
    title->SetLookupResultField(u"TITLE"_s);
    auto* dept = add<TfrIBTable>(u"Dept"_s);
    dept->SetPropValue(u"DataBase"_s, Variant(u"DM.Database"_s));
    dept->SetPropValue(u"TableName"_s, Variant(u"DEPT"_s));
    dept->SetPropValue(u"Active"_s, Variant(true));
    title->SetLookupDataSet(dept->GetDataSet());
    emp->SetPropValue(u"MasterSource"_s, Variant(u"Dept"_s));
    emp->SetPropValue(u"Active"_s, Variant(true));
    const QByteArray bytes = saved();
    EXPECT_TRUE(emp->GetDataSet()->GetActive()) << "writing an open table reopens it";

    ASSERT_TRUE(load(bytes));
    auto* e = static_cast<TfrIBTable*>(report->FindObject(u"Emp"_s));
    auto* d = static_cast<TfrIBTable*>(report->FindObject(u"Dept"_s));
    ASSERT_TRUE(e && d);
    EXPECT_EQ(VarToStr(e->GetPropValue(u"MasterSource"_s)), u"Dept"_s);
    EXPECT_TRUE(e->GetPropValue(u"Active"_s).AsBoolean());
    EXPECT_EQ(e->GetPropValue(u"FieldCount"_s).AsInteger(), 3);
    EXPECT_EQ(VarToStr(e->GetPropValue(u"Filter"_s)), u"   "_s);
    EXPECT_FALSE(e->GetDataSet()->GetFiltered()) << "a filter of blanks filters nothing";
    auto names = [&] {
        QStringList r;
        for (e->GetDataSet()->First(); !e->GetDataSet()->GetEof(); e->GetDataSet()->Next())
            r << e->GetDataSet()->FieldByName(u"NAME"_s)->GetAsString() + u", "_s +
                     e->GetDataSet()->FieldByName(u"DTITLE"_s)->GetAsString();
        return r;
    };
    EXPECT_EQ(names(), QStringList{u"Коваль Ганна, Бухгалтерія"_s});
    d->DoMethod(u"NEXT"_s, Null(), Null(), Null());
    EXPECT_EQ(names(),
              (QStringList{u"Шевченко Марія, Відділ кадрів"_s, u"Їжак Єва, Відділ кадрів"_s}));
    EXPECT_EQ(VarToStr(d->DoMethod(u"GETINDEXPROPERTY"_s, Variant(u"FIELDS"_s),
                                   Variant(u"'TITLE'"_s), Null())),
              u"Відділ кадрів"_s);
    EXPECT_EQ(saved(), bytes);
}

} // namespace

namespace {

TEST_F(QueryTest, ExecSqlFromAScriptFillsTheParametersFirst) {
    auto* q = add<TfrIBQuery>(u"Upd"_s);
    q->SetPropValue(u"DataBase"_s, Variant(u"DM.Database"_s));
    q->SetSQL(u"update STAFF set OKLAD = OKLAD + :ADDSUM where NAME = :WHO"_s);
    q->SetParamType(u"ADDSUM"_s, ftCurrency);
    q->SetParamExpression(u"ADDSUM"_s, u"100 * 2"_s);
    q->SetParamType(u"WHO"_s, ftString);
    q->SetParamExpression(u"WHO"_s, u"'Коваль Ганна'"_s);
    frGlobals().ReportRunning = true;
    report->MakeCurrent();
    report->Pages[0]->Script.SetText(u"Upd.ExecSQL"_s);
    frRunScriptText(&report->Pages[0]->Script);
    EXPECT_EQ(q->GetQuery()->RowsAffected(), 1);
    TIBQuery check(nullptr);
    check.SetDatabase(appDb);
    check.GetSQL()->SetText(u"select OKLAD from STAFF where NAME = 'Коваль Ганна'"_s);
    check.Open();
    EXPECT_DOUBLE_EQ(check.Fields(0)->GetAsFloat(), 5400.50);

    // Without SQL the statement fails in the query, with its message.
    q->SetSQL(QString());
    EXPECT_ANY_THROW(q->DoMethod(u"EXECSQL"_s, Null(), Null(), Null()));
}

} // namespace
