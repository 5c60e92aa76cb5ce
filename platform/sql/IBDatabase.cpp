// Database connection and transactions.
#include "IBDatabase.h"

#include "IBCustomDataSet.h"
#include "IBSQL.h"

#include <QFile>
#include <QRegularExpression>
#include <algorithm>

// ---- TIBDatabase ------------------------------------------------------------------------------

TIBDatabase::TIBDatabase(TComponent* AOwner) : TComponent(AOwner), params(new TStringList) {}

TIBDatabase::~TIBDatabase() {
    Destroying();
    try {
        Close();
    } catch (...) {
    }
    for (TIBCustomDataSet* d : std::vector<TIBCustomDataSet*>(dataSets))
        d->databaseFreed();
    for (TIBTransaction* t : std::vector<TIBTransaction*>(transactions))
        if (t->database == this) t->database = nullptr;
}

void TIBDatabase::SetDatabaseName(const QString& Value) {
    databaseName = Value;
}

void TIBDatabase::SetSQLDialect(int Value) {
    requestedDialect = Value;
    sqlDialect = (dbSQLDialect > 0 && dbSQLDialect < Value) ? dbSQLDialect : Value;
}

void TIBDatabase::CheckActive() const {
    if (handle) return;
    // Nothing can reach the database: as far as the caller is concerned, it is a lost one.
    EIBClientError e(QString::fromUtf8(SIBDatabaseClosed));
    e.ConnectionLost = true;
    throw e;
}

void TIBDatabase::CheckInactive() const {
    if (handle) IBClientError(QString::fromUtf8(SIBDatabaseOpen));
}

void TIBDatabase::SetDefaultTransaction(TIBTransaction* Value) {
    if (defaultTransaction == Value) return;
    if (defaultTransaction) defaultTransaction->RemoveFreeNotification(this);
    defaultTransaction = Value;
    if (Value) {
        Value->FreeNotification(this);
        if (!Value->database) Value->SetDefaultDatabase(this);
    }
}

void TIBDatabase::Loaded() {
    TComponent::Loaded();
    if (streamedConnected) {
        streamedConnected = false;
        Open();
    }
}

void TIBDatabase::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == defaultTransaction) defaultTransaction = nullptr;
}

void TIBDatabase::SetConnected(bool Value) {
    if (IsLoading() && GetComponentState().Contains(csReading)) {
        streamedConnected = Value;
        return;
    }
    if (Value == GetConnected()) return;
    if (Value)
        doConnect();
    else
        doDisconnect();
}

void TIBDatabase::doConnect() {
    if (BeforeConnect) BeforeConnect(this);
    if (databaseName.trimmed().isEmpty()) IBClientError(QString::fromUtf8(SIBNoDatabaseName));
    QStringList lines = params->ToStringList();
    if (connectTimeout > 0 && lines.filter(QStringLiteral("connect_timeout")).isEmpty())
        lines << QStringLiteral("connect_timeout=%1").arg(connectTimeout);
    QByteArray dpb = BuildDPB(lines);
    QByteArray name = QFile::encodeName(databaseName);
    PrepareEngineLoading();
    ISC_STATUS_ARRAY st;
    isc_db_handle h = 0;
    if (isc_attach_database(st, short(name.size()), name.constData(), &h, short(dpb.size()),
                            dpb.constData()))
        IBDataBaseError(st);
    handle = h;
    afterAttach();
    if (AfterConnect) AfterConnect(this);
}

bool TIBDatabase::IsRemote() const {
    // "host:path" or "host/port:path"; a local path has no colon after a name of its own
    const int colon = int(databaseName.indexOf(u':'));
    return colon > 1 && !databaseName.left(colon).contains(u'\\');
}

TIBCallWatch TIBDatabase::WatchCalls() const {
    return TIBCallWatch(IsRemote() ? handle : 0, callTimeout);
}

void TIBDatabase::Reconnect() {
    // The datasets let go of their cursors, keeping their rows; the transactions and the
    // attachment are dropped (the server, if it answers at all, ends them itself).
    for (TIBCustomDataSet* d : std::vector<TIBCustomDataSet*>(dataSets))
        d->connectionLost();
    ISC_STATUS_ARRAY st;
    for (TIBTransaction* t : transactions) {
        if (!t->handle) continue;
        {
            TIBCallWatch watch = WatchCalls();
            isc_rollback_transaction(st, &t->handle);
        }
        t->handle = 0;
    }
    if (handle) {
        {
            TIBCallWatch watch = WatchCalls();
            isc_detach_database(st, &handle);
        }
        handle = 0;
        dbSQLDialect = 0;
    }
    doConnect();
}

void TIBDatabase::afterAttach() {
    TIBCallWatch watch = WatchCalls();
    ISC_STATUS_ARRAY st;
    char item = isc_info_db_sql_dialect;
    char buf[32] = {};
    dbSQLDialect = 1;
    if (!isc_database_info(st, &handle, 1, &item, sizeof buf, buf) &&
        buf[0] == isc_info_db_sql_dialect) {
        int len = int(isc_vax_integer(buf + 1, 2));
        dbSQLDialect = int(isc_vax_integer(buf + 3, short(len)));
    }
    sqlDialect = std::min(requestedDialect, dbSQLDialect);
}

void TIBDatabase::doDisconnect() {
    if (BeforeDisconnect) BeforeDisconnect(this);
    std::exception_ptr first;
    // Datasets first: they hold statements of this attachment.
    for (TIBCustomDataSet* d : std::vector<TIBCustomDataSet*>(dataSets)) {
        try {
            d->beforeDatabaseDisconnect();
        } catch (...) {
            if (!first) first = std::current_exception();
        }
    }
    for (TIBTransaction* t : std::vector<TIBTransaction*>(transactions)) {
        if (!t->InTransaction()) continue;
        try {
            t->endTransaction(t->defaultAction == TARollback ||
                                      t->defaultAction == TARollbackRetaining
                                  ? TARollback
                                  : TACommit,
                              true);
        } catch (...) {
            if (!first) first = std::current_exception();
        }
    }
    ISC_STATUS_ARRAY st;
    isc_db_handle h = handle;
    handle = 0;
    dbSQLDialect = 0;
    ISC_STATUS detached;
    {
        TIBCallWatch watch(IsRemote() ? h : 0, callTimeout);
        detached = isc_detach_database(st, &h);
    }
    if (detached) {
        // A lost connection leaves nothing to detach from: drop the handle anyway.
        if (!first) {
            try {
                IBDataBaseError(st);
            } catch (...) {
                first = std::current_exception();
            }
        }
    }
    if (AfterDisconnect) AfterDisconnect(this);
    if (first) std::rethrow_exception(first);
}

void TIBDatabase::CreateDatabase() {
    CheckInactive();
    if (databaseName.trimmed().isEmpty()) IBClientError(QString::fromUtf8(SIBNoDatabaseName));
    QStringList lines = params->ToStringList();
    // The server takes the character-set name bare: DEFAULT CHARACTER SET WIN1251.
    static const QRegularExpression quotedCharset(
        QStringLiteral("(CHARACTER\\s+SET\\s+)\"([A-Za-z0-9_]+)\""),
        QRegularExpression::CaseInsensitiveOption);
    for (QString& l : lines)
        l.replace(quotedCharset, QStringLiteral("\\1\\2"));
    // The name is a literal: an apostrophe in a path ("/home/o'neil/...") is doubled.
    QString name = databaseName;
    name.replace(u'\'', QStringLiteral("''"));
    QString sql = QStringLiteral("CREATE DATABASE '") + name + QStringLiteral("' ") +
                  lines.join(QStringLiteral("\n"));
    QByteArray text = sql.toUtf8();
    PrepareEngineLoading();
    ISC_STATUS_ARRAY st;
    isc_db_handle h = 0;
    isc_tr_handle tr = 0;
    if (isc_dsql_execute_immediate(st, &h, &tr, 0, text.constData(), ushort(requestedDialect),
                                   nullptr))
        IBDataBaseError(st);
    handle = h;
    afterAttach();
}

void TIBDatabase::DropDatabase() {
    CheckActive();
    for (TIBCustomDataSet* d : std::vector<TIBCustomDataSet*>(dataSets))
        d->beforeDatabaseDisconnect();
    for (TIBTransaction* t : transactions)
        if (t->InTransaction()) t->endTransaction(TARollback, true);
    ISC_STATUS_ARRAY st;
    TIBCallWatch watch = WatchCalls();
    if (isc_drop_database(st, &handle)) IBDataBaseError(st);
    handle = 0;
    dbSQLDialect = 0;
}

void TIBDatabase::GetTableNames(TStrings* List, bool SystemTables) {
    QStringList names = GetTableNames(SystemTables);
    List->BeginUpdate();
    List->Clear();
    for (const QString& n : names)
        List->Add(n);
    List->EndUpdate();
}

QStringList TIBDatabase::GetTableNames(bool SystemTables) {
    CheckActive();
    TIBTransaction* tr = defaultTransaction;
    std::unique_ptr<TIBTransaction> own;
    if (!tr) {
        own = std::make_unique<TIBTransaction>(nullptr);
        own->SetDefaultDatabase(this);
        tr = own.get();
    }
    QStringList names;
    {
        TIBSQL q(this, tr);
        q.Prepare(SystemTables ? QStringLiteral("select rdb$relation_name from rdb$relations")
                               : QStringLiteral("select rdb$relation_name from rdb$relations "
                                                "where coalesce(rdb$system_flag, 0) = 0"));
        q.ExecQuery();
        while (q.Next())
            names << q.AsString(0).trimmed();
    }
    if (own) own->Commit();
    names.sort();
    return names;
}

bool TIBDatabase::TableExists(const QString& TableName) {
    const QString want = TableName.trimmed().toUpper();
    const QStringList names = GetTableNames(true);
    return std::any_of(names.begin(), names.end(),
                       [&](const QString& n) { return n.toUpper() == want; });
}

void TIBDatabase::ApplyUpdates(const std::vector<TDataSet*>& DataSets) {
    for (TDataSet* d : DataSets)
        if (auto* ib = dynamic_cast<TIBCustomDataSet*>(d)) ib->ApplyUpdates();
    if (defaultTransaction && defaultTransaction->InTransaction())
        defaultTransaction->CommitRetaining();
}

void TIBDatabase::CloseDataSets() {
    for (TIBCustomDataSet* d : std::vector<TIBCustomDataSet*>(dataSets))
        d->Close();
}

void TIBDatabase::addTransaction(TIBTransaction* T) {
    if (std::find(transactions.begin(), transactions.end(), T) == transactions.end())
        transactions.push_back(T);
}

void TIBDatabase::removeTransaction(TIBTransaction* T) {
    transactions.erase(std::remove(transactions.begin(), transactions.end(), T),
                       transactions.end());
}

void TIBDatabase::addDataSet(TIBCustomDataSet* D) {
    if (std::find(dataSets.begin(), dataSets.end(), D) == dataSets.end()) dataSets.push_back(D);
}

void TIBDatabase::removeDataSet(TIBCustomDataSet* D) {
    dataSets.erase(std::remove(dataSets.begin(), dataSets.end(), D), dataSets.end());
}

// ---- TIBTransaction ---------------------------------------------------------------------------

TIBTransaction::TIBTransaction(TComponent* AOwner) : TComponent(AOwner), params(new TStringList) {}

TIBTransaction::~TIBTransaction() {
    Destroying();
    if (InTransaction()) {
        try {
            endTransaction(TARollback, true);
        } catch (...) {
        }
    }
    for (TIBCustomDataSet* d : std::vector<TIBCustomDataSet*>(dataSets))
        d->transactionFreed();
    SetDefaultDatabase(nullptr);
}

void TIBTransaction::SetDefaultDatabase(TIBDatabase* Value) {
    if (database == Value) return;
    if (InTransaction()) IBClientError(QString::fromUtf8(SIBInTransaction));
    if (database) {
        database->removeTransaction(this);
        if (database->defaultTransaction == this) database->defaultTransaction = nullptr;
        RemoveFreeNotification(database);
    }
    database = Value;
    if (database) {
        database->addTransaction(this);
        FreeNotification(database);
    }
}

void TIBTransaction::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == database) {
        handle = 0;
        database = nullptr;
    }
}

void TIBTransaction::SetActive(bool Value) {
    if (Value == InTransaction()) return;
    if (Value)
        StartTransaction();
    else
        endTransaction(defaultAction, false);
}

void TIBTransaction::CheckInTransaction() const {
    if (!handle) IBClientError(QString::fromUtf8(SIBNotInTransaction));
}

void TIBTransaction::StartTransaction() {
    if (InTransaction()) IBClientError(QString::fromUtf8(SIBInTransaction));
    if (!database) IBClientError(QString::fromUtf8(SIBDatabaseNotAssigned));
    database->CheckActive();
    QByteArray tpb = BuildTPB(params->ToStringList());
    ISC_STATUS_ARRAY st;
    TIBCallWatch watch = database->WatchCalls();
    isc_tr_handle h = 0;
    if (isc_start_transaction(st, &h, 1, database->GetHandle(), ushort(tpb.size()),
                              tpb.constData()))
        IBDataBaseError(st);
    handle = h;
}

void TIBTransaction::EnsureStarted() {
    if (!InTransaction()) StartTransaction();
}

void TIBTransaction::Commit() {
    endTransaction(TACommit, false);
}

void TIBTransaction::CommitRetaining() {
    endTransaction(TACommitRetaining, false);
}

void TIBTransaction::Rollback() {
    endTransaction(TARollback, false);
}

void TIBTransaction::RollbackRetaining() {
    endTransaction(TARollbackRetaining, false);
}

void TIBTransaction::endTransaction(TTransactionAction Action, bool Force) {
    CheckInTransaction();
    ISC_STATUS_ARRAY st;
    TIBCallWatch watch = database ? database->WatchCalls() : TIBCallWatch(0, 0);
    switch (Action) {
    case TACommitRetaining:
        if (isc_commit_retaining(st, &handle)) IBDataBaseError(st);
        return;
    case TARollbackRetaining:
        if (isc_rollback_retaining(st, &handle)) IBDataBaseError(st);
        for (TIBCustomDataSet* d : std::vector<TIBCustomDataSet*>(dataSets))
            d->afterRollbackRetaining();
        return;
    case TACommit:
    case TARollback:
        break;
    }
    // A hard end closes the cursors of this transaction: the datasets close first.
    for (TIBCustomDataSet* d : std::vector<TIBCustomDataSet*>(dataSets)) {
        try {
            d->beforeTransactionEnd();
        } catch (...) {
            if (!Force) throw;
        }
    }
    ISC_STATUS r = Action == TACommit ? isc_commit_transaction(st, &handle)
                                      : isc_rollback_transaction(st, &handle);
    if (r) {
        if (!Force) IBDataBaseError(st);
        // Forced (closing the connection): a commit that fails is rolled back, and when even
        // that fails (the server is gone) the handle is dropped.
        ISC_STATUS_ARRAY st2;
        if (Action == TACommit && !isc_rollback_transaction(st2, &handle)) {
            handle = 0;
            IBDataBaseError(st);
        }
        handle = 0;
        IBDataBaseError(st);
    }
    handle = 0;
}

void TIBTransaction::addDataSet(TIBCustomDataSet* D) {
    if (std::find(dataSets.begin(), dataSets.end(), D) == dataSets.end()) dataSets.push_back(D);
}

void TIBTransaction::removeDataSet(TIBCustomDataSet* D) {
    dataSets.erase(std::remove(dataSets.begin(), dataSets.end(), D), dataSets.end());
}
