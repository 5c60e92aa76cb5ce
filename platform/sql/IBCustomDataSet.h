// The SQL-server dataset: a select statement's rows on the dataset model, fetched lazily,
// with editing through an update object (or the table's own statements) and cached updates.
//
// Rows. Open prepares and executes the select and fetches rows as the cursor needs them;
// Last and FetchAll fetch the rest. RecordCount is the number of rows fetched so far (all of
// them after Last or FetchAll). Prior, RecNo and bookmarks work over the fetched rows.
// Blobs are read when a field asks for them, in the dataset's transaction.
//
// Editing. A post or delete runs the update object's modify, insert or delete statement
// at once, unless CachedUpdates is on: then it stays in the dataset (UpdatesPending) until
// ApplyUpdates runs the statements, in row order. A record that was applied leaves the cache;
// one that failed stays pending. When a statement fails, OnUpdateError(DataSet, E,
// UpdateKind, UpdateAction) decides: uaFail (the default) raises the error, uaAbort raises
// the silent EAbort, uaSkip leaves the record pending and goes on with the next, uaRetry runs
// it again, uaApplied counts it as applied. OnUpdateRecord, when assigned, is asked first for
// each record: uaApplied means it wrote the record itself, uaSkip leaves it, uaAbort cancels;
// leaving uaFail hands the record to the update object.
// CancelUpdates gives every cached record back its stored values. A modify or delete
// statement that changes no row is an error: the row was changed or deleted by someone else.
//
// In the update statements ":COL" is the record's new value of column COL and ":OLD_COL" the
// value as it was read from the server.
#pragma once

#include "IB.h"
#include "IBSQL.h"
#include "RowDataSet.h"

#include <QHash>
#include <memory>
#include <unordered_map>
#include <vector>

class TIBDatabase;
class TIBTransaction;
class TIBCustomDataSet;

enum TCachedUpdateStatus { cusUnmodified, cusModified, cusInserted, cusDeleted, cusUninserted };

// A fetched or posted row: its id, its update status, its values packed (RowDataSet.h) and the
// values as read from the server, packed too (modified and deleted rows).
struct TIBRow {
    uint32_t id = 0;
    uint8_t status = cusUnmodified;
    QByteArray data;
    QByteArray old;
};

// The statements that write a dataset's changes back.
class TIBDataSetUpdateObject : public TComponent {
    KADRION_CLASS(TIBDataSetUpdateObject)
    explicit TIBDataSetUpdateObject(TComponent* AOwner);
    ~TIBDataSetUpdateObject() override;
    TIBCustomDataSet* GetDataSet() const { return dataSet; }
    void SetDataSet(TIBCustomDataSet* Value);
    TStrings* GetRefreshSQL() const { return refreshSQL.get(); }
    void SetRefreshSQL(TStrings* Value) { refreshSQL->Assign(Value); }
    // The statement text for a kind of change ("" when there is none).
    virtual QString GetSQLText(TUpdateKind UpdateKind) const = 0;
    // Runs the statement for the dataset's record being applied.
    virtual void Apply(TUpdateKind UpdateKind);

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    friend class TIBCustomDataSet;
    TIBCustomDataSet* dataSet = nullptr;
    std::unique_ptr<TStringList> refreshSQL;
};

class TIBCustomDataSet : public TRowDataSet<TIBRow> {
    KADRION_CLASS(TIBCustomDataSet)
    explicit TIBCustomDataSet(TComponent* AOwner);
    ~TIBCustomDataSet() override;

    TIBDatabase* GetDatabase() const { return database; }
    void SetDatabase(TIBDatabase* Value);
    // Defaults to the database's default transaction when the database is set.
    TIBTransaction* GetTransaction() const { return transaction; }
    void SetTransaction(TIBTransaction* Value);
    // Rows the row list makes room for at a time as rows are fetched (at least; it doubles
    // when that is more).
    int GetBufferChunks() const { return bufferChunks; }
    void SetBufferChunks(int Value) { bufferChunks = Value; }

    // --- cached updates
    bool GetCachedUpdates() const { return cachedUpdates; }
    void SetCachedUpdates(bool Value);
    TIBDataSetUpdateObject* GetUpdateObject() const { return updateObject; }
    void SetUpdateObject(TIBDataSetUpdateObject* Value);
    bool UpdatesPending() const;
    // Status of the current record in the cache.
    TCachedUpdateStatus CachedUpdateStatus() const;
    // The same as the dataset model's update status.
    TUpdateStatus UpdateStatus() const;
    void ApplyUpdates();
    // Forgets the cache of records already applied (applied records leave the cache at
    // once, so this only checks the dataset is in browse state).
    void CommitUpdates();
    void CancelUpdates();
    TUpdateErrorEvent OnUpdateError;
    TUpdateRecordEvent OnUpdateRecord;

    // --- rows
    void FetchAll();
    // The rows fetched (all after Last or FetchAll), without those deleted in the cache; it
    // and RecNo take constant time (RecNo walks the rows while deletions wait in the cache).
    int GetRecordCount() const override;
    int GetRecNo() const override;
    void SetRecNo(int Value) override;
    bool IsSequenced() const override;
    bool BookmarkValid(const TBookmark& Bookmark) const override;
    bool CanModify() const override;
    Variant GetStateFieldValue(TDataSetState State, TField* Field) override;

    // Runs a statement of the update object for the record being applied (the new values
    // and the old ones as ":OLD_" parameters). With MustChangeRow, a statement that changes
    // no row raises.
    void ExecUpdateSQL(const QString& SQL, bool MustChangeRow);

protected:
    // --- what the descendants give
    // The select text with '?' markers and the values to bind.
    virtual QString SelectSQL() = 0;
    virtual std::vector<TIBParamValue> SelectParams() { return {}; }
    // Without an update object: the statement for a kind of change ("" when none).
    virtual QString InternalUpdateSQL(TUpdateKind UpdateKind) { return QString(); }

    // --- the record-buffer protocol
    TGetResult GetRecord(TRecordBuffer Buffer, TGetMode GetMode, bool DoCheck) override;
    int GetRecordSize() const override { return dataSize; }
    QByteArray blobValue(int32_t Id) override;
    int32_t storeBlob(const QByteArray& Bytes) override;
    bool IsCursorOpen() const override { return cursorOpen; }
    void InternalOpen() override;
    void InternalClose() override;
    void InternalInitFieldDefs() override;
    void InternalInitRecord(TRecordBuffer Buffer) override;
    void InternalFirst() override;
    void InternalLast() override;
    void InternalPost() override;
    void InternalDelete() override;
    void InternalEdit() override;
    void InternalCancel() override;
    void InternalRefresh() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

    // Prepares the select (for field defs) without executing it.
    void PrepareSelect();
    TIBSQL* SelectStatement() const { return select.get(); }
    void CheckDatabase() const;
    // True when the record being applied had no value in that field (or is new).
    bool ApplyingOldIsNull(int FieldNo) const;
    // Starts the transaction when needed.
    void EnsureTransaction();

private:
    friend class TIBDatabase;
    friend class TIBTransaction;
    friend class TIBDataSetUpdateObject;

    struct BlobEntry {
        ISC_QUAD id{};
        bool loaded = false;
        QByteArray bytes;
    };

    void beforeDatabaseDisconnect();
    // The database lost its connection and attaches again: the rows and the pending changes
    // stay, the cursor goes (what was not fetched is not fetched any more).
    void connectionLost();
    void beforeTransactionEnd();
    void afterRollbackRetaining() {}
    void databaseFreed();
    void transactionFreed();

    void layoutRows();
    // Forgets the rows and their blobs.
    void dropRows();
    // Counts the rows deleted in the cache again.
    void countDeleted();
    bool fetchOne();
    // Hands the columns of the statement's current row to a writer (Null, Value, Text of a
    // field def) in field order; ColumnOf[def] = column, -1 leaves the field out.
    template <class Writer>
    void storeColumns(Writer& W, TIBSQL& Q, const std::vector<int>& ColumnOf);
    // The same for one field def and its column.
    template <class Writer> void storeColumn(Writer& W, TIBSQL& Q, int Def, int Col);
    // Packs the select's current row: the common columns straight from its output variables
    // by the steps worked out at open, the others through storeColumn.
    void packFetched(Packer& W);
    void planFetch();
    // Stores them into a data area (-1 keeps); a text slot gets its text and terminator only.
    void storeRow(char* Area, TIBSQL& Q, const std::vector<int>& ColumnOf);
    bool visible(int Position) const;
    QByteArray& blobBytes(int32_t Handle);
    int32_t newBlob(const QByteArray& Bytes);
    // Native value of a field def in a data area as a parameter value.
    TIBParamValue paramFromData(const QByteArray& Data, int FieldNo);
    TIBParamValue paramByName(const QString& Name);
    // Runs one kind of change for a row, through OnUpdateRecord and the update object.
    void runUpdate(TUpdateKind Kind);
    bool applyOneCached(int Position);
    void freeStatements();

    TIBDatabase* database = nullptr;
    TIBTransaction* transaction = nullptr;
    TIBDataSetUpdateObject* updateObject = nullptr;
    bool cachedUpdates = false;
    int bufferChunks = 1000;

    std::unique_ptr<TIBSQL> select;
    std::unordered_map<int32_t, BlobEntry> blobs;
    int32_t nextBlob = 1;
    bool allFetched = false;
    bool cursorOpen = false;
    std::vector<int> columnOf;          // field def -> select column
    std::vector<TFieldType> fieldTypes; // by field def
    // How a fetched column goes into the packed row (fields with a column, in field order).
    enum class TFetchKind : uint8_t { Varying, FixedText, Int16, Int32, Int64, Date, Other };
    struct TFetchStep {
        int def;
        int column;
        TFetchKind kind;
        uint8_t width; // bytes of an integer slot
        int length;    // the most bytes of a text
    };
    std::vector<TFetchStep> fetchSteps;
    int deletedRows = 0; // rows deleted in the cache, still in the list

    // The record being applied: its new and old data areas (unpacked).
    const QByteArray* applyNew = nullptr;
    const QByteArray* applyOld = nullptr;
};
