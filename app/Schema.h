// The personnel database's schema: four domains and nine tables, the statements that make
// them, and CreateNewBase, which creates a database and fills it with them.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <vector>

// One column of a table as the schema declares it.
struct TSchemaColumn {
    const char* Name;
    const char* Type;       // "VARCHAR(20)", "DATE", "NUMERIC(7,2)", a domain name ...
    bool Cyrillic;          // declared CHARACTER SET WIN1251 COLLATE WIN1251_UA
    const char* Constraint; // "" or "NOT NULL primary key" / "NOT NULL"
};

struct TSchemaTable {
    const char* Name;
    std::vector<TSchemaColumn> Columns;
};

// The domains, in creation order: name and type.
struct TSchemaDomain {
    const char* Name;
    const char* Type;
};
const std::vector<TSchemaDomain>& SchemaDomains();
// The nine tables in creation order: KADR, PROF, PODR, PGROUP, ORDERP, NAZN, HEALTH, DEPART,
// KIDS.
const std::vector<TSchemaTable>& SchemaTables();
const TSchemaTable* FindSchemaTable(const QString& Name);
// The declared type of a column, a domain resolved to its own type ("TABNUM" gives
// "VARCHAR(5)").
QString ResolvedColumnType(const TSchemaColumn& Column);

// The 13 creation statements, each as the lines sent to the server.
QList<QStringList> SchemaStatements();

// The clauses of CREATE DATABASE and the three connection lines.
QStringList CreateDatabaseLines();
QStringList ConnectionLines();

// Creates the database named by DM's Database (its current DatabaseName) and runs Statements
// in the main transaction through IBCreate; then disconnects (committing) and connects again
// with the connection lines. On any failure after the database file was made, the work is
// rolled back, the half-built database is dropped and the component is left disconnected
// with its connection lines; the error is raised again.
void CreateNewBase(const QList<QStringList>& Statements);
void CreateNewBase();
