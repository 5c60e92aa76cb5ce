// Errors of the SQL-server components and the small helpers every unit of this folder shares
// over the Firebird client library (ibase.h).
//
// A server error becomes EIBError: SQLCode (isc_sqlcode of the status vector), IBErrorCode
// (the first error code of the vector) and Message, the server's message lines joined by
// CR LF with a final full stop removed. Key violations so read "violation of PRIMARY or
// UNIQUE KEY constraint ..." and are recognisable by that beginning. Errors found by the
// components themselves (no database, a closed dataset) carry SQLCode 0 and IBErrorCode 0.
#pragma once

#include "DB.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <ibase.h>

class EIBError : public EDatabaseError {
public:
    EIBError(int ASQLCode, int64_t AIBErrorCode, const QString& AMessage)
        : EDatabaseError(AMessage), SQLCode(ASQLCode), IBErrorCode(AIBErrorCode) {}
    explicit EIBError(const QString& AMessage) : EDatabaseError(AMessage) {}
    int SQLCode = 0;
    int64_t IBErrorCode = 0;
    // The connection to the server is gone (it went away, stopped answering, or the network
    // failed): nothing reached the database.
    bool ConnectionLost = false;
};

// Server errors proper (the status vector), as opposed to EIBClientError raised by the
// components.
class EIBInterBaseError : public EIBError {
public:
    using EIBError::EIBError;
};
class EIBClientError : public EIBError {
public:
    using EIBError::EIBError;
};

// Messages of the components.
inline constexpr const char SIBDatabaseClosed[] = "Database not connected";
inline constexpr const char SIBDatabaseOpen[] = "Cannot perform this operation on an open database";
inline constexpr const char SIBDatabaseNotAssigned[] = "Database not assigned";
inline constexpr const char SIBTransactionNotAssigned[] = "Transaction not assigned";
inline constexpr const char SIBNotInTransaction[] = "Transaction is not active";
inline constexpr const char SIBInTransaction[] = "Transaction is active";
inline constexpr const char SIBEmptySQL[] = "Empty SQL statement";
inline constexpr const char SIBNotASelect[] = "The statement returns no rows: use ExecSQL";
inline constexpr const char SIBNoUpdateObject[] =
    "No update object or update SQL for this kind of change";
inline constexpr const char SIBUpdateFailed[] =
    "Update failed: the record was changed or deleted by another user";
inline constexpr const char SIBUnknownParam[] = "Unknown parameter line '%s'";
inline constexpr const char SIBNoPrimaryKey[] = "Table '%s' not found";
inline constexpr const char SIBServiceNotActive[] = "Service not attached";
inline constexpr const char SIBNoDatabaseName[] = "Database name is empty";

// Raises EIBInterBaseError from a status vector that reports an error (status[1] != 0).
[[noreturn]] void IBDataBaseError(const ISC_STATUS* Status);
// Raises when the status vector holds an error; returns otherwise.
inline void IBCheck(const ISC_STATUS* Status) {
    if (Status[0] == 1 && Status[1] != 0) IBDataBaseError(Status);
}
// True when a status vector says the connection to the server is gone.
bool IBConnectionLost(const ISC_STATUS* Status);
// Raises EIBClientError with the message.
[[noreturn]] void IBClientError(const QString& Message);
// Text the server sends (messages, names): UTF-8 when it is valid UTF-8, else Windows-1251.
QString IBServerText(const QByteArray& Bytes);
// The message lines of a status vector joined by CR LF, the final full stop removed.
QString IBStatusMessage(const ISC_STATUS* Status);

// Firebird's dates: days since 17.11.1858; times: 1/10000 s since midnight.
TDateTime IBDateToDateTime(ISC_DATE Date);
TDateTime IBTimeToDateTime(ISC_TIME Time);
TDateTime IBTimeStampToDateTime(const ISC_TIMESTAMP& Stamp);
ISC_DATE DateTimeToIBDate(TDateTime Value);
ISC_TIME DateTimeToIBTime(TDateTime Value);
ISC_TIMESTAMP DateTimeToIBTimeStamp(TDateTime Value);

// Called before every attach, service attach and database creation: the engine's search for
// its Unicode library is answered from the folder of the one the process already has loaded
// (see EngineLoader.cpp). Idempotent and cheap after the first call.
void PrepareEngineLoading();

// Parameter blocks built from name=value lines.
// DPB names: user_name, password, lc_ctype, sql_role_name, num_buffers, page_size,
// sql_dialect, force_write, connect_timeout, ... (the isc_dpb_ names without the prefix;
// an "isc_dpb_" prefix is accepted too). Unknown names raise "Unknown parameter line '%s'".
QByteArray BuildDPB(const QStringList& Lines);
// TPB names: consistency, concurrency, shared, protected, exclusive, wait, nowait, read,
// write, lock_read, lock_write, verb_time, commit_time, ignore_limbo, read_committed,
// autocommit, rec_version, no_rec_version, restart_requests, no_auto_undo (with or without
// the "isc_tpb_" prefix).
QByteArray BuildTPB(const QStringList& Lines);
// SPB for attaching to the service manager: user_name and password.
QByteArray BuildSPBAttach(const QStringList& Lines);

// While it lives, the calls of the client library on the attachment Db are watched: one that
// runs past TimeoutMs (a server that stopped answering keeps a call waiting for ever) is ended
// by cutting the connection from the client's side, and fails with the lost-connection error.
// Db 0 or TimeoutMs 0: nothing is watched.
class TIBCallWatch {
public:
    TIBCallWatch(isc_db_handle Db, int TimeoutMs);
    ~TIBCallWatch();
    TIBCallWatch(const TIBCallWatch&) = delete;
    TIBCallWatch& operator=(const TIBCallWatch&) = delete;

private:
    uint64_t id = 0;
};
