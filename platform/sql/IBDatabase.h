// The database connection and its transactions.
//
//   TIBDatabase db(owner);  TIBTransaction tr(owner);
//   db.SetDatabaseName("/data/staff.fdb");      // local file: the embedded engine, in process
//   db.SetDatabaseName("srv:/data/staff.fdb");  // host:path: a Firebird server
//   db.GetParams()->Add("user_name=SYSDBA"); ... ("password=...", "lc_ctype=WIN1251")
//   db.SetDefaultTransaction(&tr);  tr.GetParams()->Add("read_committed"); ...
//   db.Open();
//
// Connecting attaches with a parameter block made from the Params lines (IB.h lists the
// names) and reads the database's own SQL dialect (SQLDialect becomes the lower of the two).
// Closing closes every dataset on the database, ends each open transaction with its default
// action (commit), and detaches. It always ends disconnected: an error on the way (a lost
// server) is raised after the handles are dropped, so a later Open starts afresh.
//
// CreateDatabase sends "CREATE DATABASE '<name>' " followed by the Params lines joined by
// line breaks as one statement (a character-set name written in double quotes is sent
// without them, as the server requires) and keeps the new attachment open.
//
// A transaction starts on first use (a dataset opening, a statement executing), and
// Commit/Rollback close the datasets that run on it; CommitRetaining keeps it and its open
// cursors alive.
#pragma once

#include "Classes.h"
#include "IB.h"

#include <QStringList>
#include <memory>
#include <vector>

class TIBTransaction;
class TIBCustomDataSet;

enum TTransactionAction { TARollback, TACommit, TARollbackRetaining, TACommitRetaining };

class TIBDatabase : public TComponent {
    KADRION_CLASS(TIBDatabase)
    explicit TIBDatabase(TComponent* AOwner);
    ~TIBDatabase() override;

    QString GetDatabaseName() const { return databaseName; }
    void SetDatabaseName(const QString& Value);
    // name=value lines of the attachment (or, for CreateDatabase, the statement's clauses).
    TStrings* GetParams() const { return params.get(); }
    bool GetLoginPrompt() const { return loginPrompt; }
    // Kept for the form's sake: there is no login dialog here.
    void SetLoginPrompt(bool Value) { loginPrompt = Value; }
    int GetSQLDialect() const { return sqlDialect; }
    void SetSQLDialect(int Value);
    // The database's own dialect (0 while disconnected).
    int GetDBSQLDialect() const { return dbSQLDialect; }
    int GetIdleTimer() const { return idleTimer; }
    void SetIdleTimer(int Value) { idleTimer = Value; }
    // Seconds a connect to a server may take before it gives up (a server that does not
    // answer); 0 leaves the client library's own limit. Not one of the Params lines.
    int GetConnectTimeout() const { return connectTimeout; }
    void SetConnectTimeout(int Seconds) { connectTimeout = Seconds; }
    // Milliseconds one call to a server may wait for its answer: a longer one is ended by
    // cutting the connection (TIBCallWatch), and fails as a lost connection. 0: no limit.
    // Local databases (the embedded engine) are not watched.
    int GetCallTimeout() const { return callTimeout; }
    void SetCallTimeout(int Milliseconds) { callTimeout = Milliseconds; }
    // True for a database on a server ("host:path"), false for a local file.
    bool IsRemote() const;
    // Watches the calls made while the result lives (see CallTimeout).
    TIBCallWatch WatchCalls() const;

    bool GetConnected() const { return handle != 0; }
    void SetConnected(bool Value);
    void Open() { SetConnected(true); }
    void Close() { SetConnected(false); }
    // True while attached; no round trip to the server.
    bool TestConnected() const { return handle != 0; }
    void CheckActive() const;
    void CheckInactive() const;

    TIBTransaction* GetDefaultTransaction() const { return defaultTransaction; }
    void SetDefaultTransaction(TIBTransaction* Value);

    // Creates the database DatabaseName names and stays attached to it.
    void CreateDatabase();
    // Drops the attached database (test helper and maintenance).
    void DropDatabase();
    // User tables (and views) by name, sorted; with SystemTables the system ones too.
    void GetTableNames(TStrings* List, bool SystemTables = false);
    QStringList GetTableNames(bool SystemTables = false);
    // True when a table or view of that name exists (names compare as upper case).
    bool TableExists(const QString& TableName);
    // Applies the cached updates of each dataset, then commits the default transaction with
    // retaining.
    void ApplyUpdates(const std::vector<TDataSet*>& DataSets);
    // Closes every dataset of this database.
    void CloseDataSets();
    // After the connection was lost: attaches again (as Open does), keeping every dataset
    // open with the rows it has and its pending cached updates, so that they can be applied
    // now; the datasets' cursors end (rows not fetched yet are not fetched any more) and the
    // transactions start anew. Raises, disconnected, when the server cannot be reached; the
    // datasets keep their rows and changes then too.
    void Reconnect();

    isc_db_handle* GetHandle() { return &handle; }
    int TransactionCount() const { return int(transactions.size()); }
    TIBTransaction* GetTransactions(int Index) const { return transactions[size_t(Index)]; }

    TNotifyEvent BeforeConnect, AfterConnect, BeforeDisconnect, AfterDisconnect;

protected:
    void Loaded() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    friend class TIBTransaction;
    friend class TIBCustomDataSet;
    void doConnect();
    void doDisconnect();
    void afterAttach();
    void addTransaction(TIBTransaction* T);
    void removeTransaction(TIBTransaction* T);
    void addDataSet(TIBCustomDataSet* D);
    void removeDataSet(TIBCustomDataSet* D);

    QString databaseName;
    std::unique_ptr<TStringList> params;
    bool loginPrompt = false;
    int sqlDialect = 3;
    int requestedDialect = 3;
    int dbSQLDialect = 0;
    int idleTimer = 0;
    bool streamedConnected = false;
    int connectTimeout = 0;
    int callTimeout = 0;
    isc_db_handle handle = 0;
    TIBTransaction* defaultTransaction = nullptr;
    std::vector<TIBTransaction*> transactions;
    std::vector<TIBCustomDataSet*> dataSets;
};

class TIBTransaction : public TComponent {
    KADRION_CLASS(TIBTransaction)
    explicit TIBTransaction(TComponent* AOwner);
    ~TIBTransaction() override;

    TIBDatabase* GetDefaultDatabase() const { return database; }
    void SetDefaultDatabase(TIBDatabase* Value);
    // Lines such as "read_committed", "rec_version", "nowait" (IB.h lists them).
    TStrings* GetParams() const { return params.get(); }
    TTransactionAction GetDefaultAction() const { return defaultAction; }
    void SetDefaultAction(TTransactionAction Value) { defaultAction = Value; }

    bool InTransaction() const { return handle != 0; }
    bool GetActive() const { return InTransaction(); }
    // True starts; false ends with the default action.
    void SetActive(bool Value);
    void StartTransaction();
    void Commit();
    void CommitRetaining();
    void Rollback();
    void RollbackRetaining();
    // Starts the transaction when it is not running (what every statement does first).
    void EnsureStarted();
    void CheckInTransaction() const;

    isc_tr_handle* GetHandle() { return &handle; }

    TNotifyEvent OnIdleTimer;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    friend class TIBDatabase;
    friend class TIBCustomDataSet;
    void endTransaction(TTransactionAction Action, bool Force);
    void addDataSet(TIBCustomDataSet* D);
    void removeDataSet(TIBCustomDataSet* D);
    TIBDatabase* database = nullptr;
    std::unique_ptr<TStringList> params;
    TTransactionAction defaultAction = TACommit;
    isc_tr_handle handle = 0;
    std::vector<TIBCustomDataSet*> dataSets;
};
