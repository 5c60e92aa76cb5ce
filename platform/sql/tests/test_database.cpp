// Connection, creation, transactions and errors of the database component.
#include "SqlTestSupport.h"

#include <QFile>

TEST_F(SqlTest, CreateDatabaseWithApplicationClausesAttachesAndHasPageSizeAndCharset) {
    db->GetParams()->AddStrings(CreateLines());
    db->CreateDatabase();
    EXPECT_TRUE(db->GetConnected());
    EXPECT_EQ(db->GetSQLDialect(), 3);
    EXPECT_EQ(db->GetDBSQLDialect(), 3);
    EXPECT_EQ(Scalar("select mon$page_size from mon$database").AsInteger(), 4096);
    EXPECT_EQ(Scalar("select trim(rdb$character_set_name) from rdb$database").AsString(),
              QStringLiteral("WIN1251"));
    db->Close();
    EXPECT_FALSE(db->GetConnected());
    EXPECT_TRUE(QFile::exists(DbPath()));
}
