// Shared fixture of the SQL component tests: a fresh database in a temporary directory,
// opened through the embedded engine, and isql-fb as an independent reader.
#pragma once

#include "IBDatabase.h"
#include "IBQuery.h"

#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

// The embedded engine's lock files go to a directory of this test process.
void UsePrivateLockDir();

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
    // Runs isql-fb on a database file with the script; returns its output (WIN1251 decoded).
    // The database must not be attached by this process (the embedded engine keeps a file
    // to one process).
    QString Isql(const QString& Path, const QString& Script, int* ExitCode = nullptr);

    QTemporaryDir dir;
    std::unique_ptr<TComponent> owner;
    TIBDatabase* db = nullptr;
    TIBTransaction* tr = nullptr;
};
