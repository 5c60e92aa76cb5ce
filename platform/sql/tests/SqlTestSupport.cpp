#include "SqlTestSupport.h"

void SqlTest::SetUp() {
    ASSERT_TRUE(dir.isValid());
    owner = std::make_unique<TComponent>(nullptr);
    db = new TIBDatabase(owner.get());
    tr = new TIBTransaction(owner.get());
    db->SetDefaultTransaction(tr);
    tr->GetParams()->Add(QStringLiteral("read_committed"));
    tr->GetParams()->Add(QStringLiteral("rec_version"));
    tr->GetParams()->Add(QStringLiteral("nowait"));
    db->SetDatabaseName(DbPath());
}

void SqlTest::TearDown() {
    try {
        db->Close();
    } catch (...) {
    }
    owner.reset();
}

QStringList SqlTest::ConnectLines() {
    return {QStringLiteral("user_name=SYSDBA"), QStringLiteral("password=quartzfen"),
            QStringLiteral("lc_ctype=WIN1251")};
}

QStringList SqlTest::CreateLines() {
    return {QStringLiteral("USER 'SYSDBA'"), QStringLiteral("PASSWORD 'quartzfen'"),
            QStringLiteral("PAGE_SIZE 4096"), QStringLiteral("DEFAULT CHARACTER SET \"WIN1251\"")};
}

void SqlTest::CreateAndConnect() {
    db->GetParams()->Clear();
    db->GetParams()->AddStrings(CreateLines());
    db->CreateDatabase();
    db->Close();
    db->GetParams()->Clear();
    db->GetParams()->AddStrings(ConnectLines());
    db->Open();
}

void SqlTest::Exec(const QString& Sql) {
    TIBQuery q(nullptr);
    q.SetDatabase(db);
    q.GetSQL()->SetText(Sql);
    q.ExecSQL();
}

Variant SqlTest::Scalar(const QString& Sql) {
    TIBQuery q(nullptr);
    q.SetDatabase(db);
    q.GetSQL()->SetText(Sql);
    q.Open();
    Variant v = q.IsEmpty() ? Null() : q.Fields(0)->GetAsVariant();
    q.Close();
    return v;
}
