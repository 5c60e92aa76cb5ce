// Shared fixture of the SQL component tests: a fresh database in a temporary directory,
// opened through the embedded engine (isql-fb reads it independently: RunIsql).
#pragma once

#include "IBDatabase.h"
#include "IBQuery.h"
#include "TestSupport.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

class SqlTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The three connection lines the application uses.
    static QStringList ConnectLines();
    // The creation clauses the application sends (the character set in double quotes).
    static QStringList CreateLines();
    // Creates the database at DbPath() and leaves it attached with the connection lines.
    void CreateAndConnect();
    QString DbPath() const { return dir.filePath(QStringLiteral("test.fdb")); }
    // Runs a statement through a query (ExecSQL).
    void Exec(const QString& Sql);
    // The first column of the first row of a select.
    Variant Scalar(const QString& Sql);

    QTemporaryDir dir;
    std::unique_ptr<TComponent> owner;
    TIBDatabase* db = nullptr;
    TIBTransaction* tr = nullptr;
};
