// One dynamic SQL statement over the client library: prepare, describe, bind positional
// parameters ('?'), execute, fetch, read and write blobs. The datasets, the update objects
// and the database's own look-ups run their statements through it.
#pragma once

#include "IB.h"

#include <QByteArray>
#include <QString>
#include <memory>
#include <vector>

class TIBDatabase;
class TIBTransaction;

struct TIBColumn {
    QString Name;         // alias (the name the field takes)
    QString RelationName; // table of the column, when it comes from one
    QString SourceName;   // the column's own name in that table
    int SqlType = 0;      // SQL_* without the nullable bit
    int Scale = 0;        // 0 or negative (digits after the point)
    int SubType = 0;      // blob sub-type; character set for text
    int Length = 0;       // bytes (text: without the length word of VARCHAR)
    bool Nullable = true;
};

// A parameter value ready to bind: Null, a Variant of any kind, or the bytes of a blob.
struct TIBParamValue {
    bool IsNull = true;
    Variant Value;
    bool IsBlob = false;
    QByteArray BlobBytes;
};

class TIBSQL {
public:
    TIBSQL(TIBDatabase* Database, TIBTransaction* Transaction);
    ~TIBSQL();
    TIBSQL(const TIBSQL&) = delete;
    TIBSQL& operator=(const TIBSQL&) = delete;

    TIBDatabase* GetDatabase() const { return database; }
    TIBTransaction* GetTransaction() const { return transaction; }
    void SetTransaction(TIBTransaction* Value);

    // Prepares a statement whose parameters are '?' markers (starts the transaction).
    void Prepare(const QString& SQL);
    bool Prepared() const { return stmt != 0; }
    // Closes the cursor and releases the statement.
    void FreeHandle();
    // isc_info_sql_stmt_select, _insert, _update, _delete, _ddl, _exec_procedure, ...
    int StatementType() const { return stmtType; }
    bool IsSelect() const;

    int ParamCount() const;
    void SetParam(int Index, const TIBParamValue& Value);
    void SetParamNull(int Index);
    // Binds TParams by position (the first Count of them; missing ones are null).
    void BindParams(const std::vector<TIBParamValue>& Values);

    // Executes; a select opens its cursor (fetch with Next).
    void ExecQuery();
    // Fetches the next row; false at the end (and the cursor is closed).
    bool Next();
    bool Eof() const { return eof; }
    bool CursorOpen() const { return cursorOpen; }
    void Close();
    // Rows changed by the last insert, update or delete.
    int RowsAffected();

    int ColumnCount() const { return int(columns.size()); }
    const TIBColumn& Column(int Index) const { return columns[size_t(Index)]; }
    int ColumnIndex(const QString& Name) const;
    bool IsNull(int Index) const;
    // Raw value of the current row: text bytes (VARCHAR without its length word, CHAR with
    // its padding), or the value in the column's C type.
    QByteArray TextBytes(int Index) const;
    // The same bytes without a copy: valid until the next fetch.
    const char* Text(int Index, int& Length) const;
    const char* Data(int Index) const;
    // The output variables of the current row by column (sqldata and sqlind stay where they
    // are until the statement is prepared again), for readers of every row.
    const XSQLVAR* OutputVars() const { return out ? out->sqlvar : nullptr; }
    ISC_QUAD BlobId(int Index) const;
    QByteArray ReadBlob(int Index) const { return ReadBlob(BlobId(Index)); }
    QByteArray ReadBlob(const ISC_QUAD& Id) const;
    ISC_QUAD WriteBlob(const QByteArray& Bytes);
    // Value as text and as a Variant (numbers, dates, text in Windows-1251, memo text).
    QString AsString(int Index) const;
    Variant AsVariant(int Index) const;
    // Scaled integer of a numeric column (value x 10^-Scale).
    int64_t AsScaledInt(int Index) const;

private:
    struct Var {
        std::vector<char> data;
        short ind = 0;
    };
    void checkPrepared() const;
    void allocOutput();
    isc_db_handle* dbHandle() const;
    isc_tr_handle* trHandle() const;
    int dialect() const;

    TIBDatabase* database;
    TIBTransaction* transaction;
    isc_stmt_handle stmt = 0;
    int stmtType = 0;
    XSQLDA* in = nullptr;
    XSQLDA* out = nullptr;
    std::vector<Var> inVars;
    struct Described {
        int type;
        int scale;
        int subType;
    };
    std::vector<Described> inTypes; // the input types as the server described them
    std::vector<Var> outVars;
    std::vector<TIBColumn> columns;
    bool cursorOpen = false;
    bool eof = true;
    bool singletonRow = false;
};
