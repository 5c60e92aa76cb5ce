// The query object against the embedded database: parameters from the report's variables,
// typed values only, a query stored open, expression errors, and the template bytes.
#include "FR_IBDB.h"
#include "FR_IBQuery.h"
#include "Forms.h"
#include "IBQuery.h"
#include "ReportDbFixture.h"
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
