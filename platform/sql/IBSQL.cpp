// Dynamic SQL statements over the client library.
#include "IBSQL.h"

#include "CodePages.h"
#include "Dates.h"
#include "IBDatabase.h"
#include "ScopeGuard.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

XSQLDA* allocDA(int n) {
    if (n < 1) n = 1;
    auto* da = static_cast<XSQLDA*>(std::calloc(1, XSQLDA_LENGTH(n)));
    da->version = SQLDA_VERSION1;
    da->sqln = short(n);
    return da;
}

int64_t pow10i(int n) {
    int64_t r = 1;
    while (n-- > 0)
        r *= 10;
    return r;
}

// Text of a scaled integer with a point ("1500.00").
QByteArray scaledText(int64_t v, int scale) {
    if (scale <= 0) return QByteArray::number(qlonglong(v));
    bool neg = v < 0;
    uint64_t a = neg ? uint64_t(0) - uint64_t(v) : uint64_t(v);
    QByteArray digits = QByteArray::number(qulonglong(a));
    while (digits.size() <= scale)
        digits.prepend('0');
    digits.insert(digits.size() - scale, '.');
    if (neg) digits.prepend('-');
    return digits;
}

} // namespace

TIBSQL::TIBSQL(TIBDatabase* Database, TIBTransaction* Transaction)
    : database(Database), transaction(Transaction) {}

TIBSQL::~TIBSQL() {
    try {
        FreeHandle();
    } catch (...) {
    }
    std::free(in);
    std::free(out);
}

void TIBSQL::SetTransaction(TIBTransaction* Value) {
    if (transaction != Value) {
        FreeHandle();
        transaction = Value;
    }
}

isc_db_handle* TIBSQL::dbHandle() const {
    if (!database) IBClientError(QString::fromUtf8(SIBDatabaseNotAssigned));
    database->CheckActive();
    return database->GetHandle();
}

isc_tr_handle* TIBSQL::trHandle() const {
    if (!transaction) IBClientError(QString::fromUtf8(SIBTransactionNotAssigned));
    transaction->EnsureStarted();
    return transaction->GetHandle();
}

int TIBSQL::dialect() const {
    return database ? database->GetSQLDialect() : 3;
}

void TIBSQL::checkPrepared() const {
    if (!stmt) IBClientError(QString::fromUtf8(SIBEmptySQL));
}

void TIBSQL::Prepare(const QString& SQL) {
    FreeHandle();
    if (SQL.trimmed().isEmpty()) IBClientError(QString::fromUtf8(SIBEmptySQL));
    ISC_STATUS_ARRAY st;
    isc_db_handle* db = dbHandle();
    isc_tr_handle* tr = trHandle();
    TIBCallWatch watch = database->WatchCalls();
    if (isc_dsql_allocate_statement(st, db, &stmt)) IBDataBaseError(st);
    // a statement that cannot be prepared is dropped again
    TScopeGuard drop([this] {
        ISC_STATUS_ARRAY st2;
        isc_dsql_free_statement(st2, &stmt, DSQL_drop);
        stmt = 0;
    });
    std::free(out);
    out = allocDA(1);
    QByteArray text = ToCodePage(SQL, 1251);
    if (isc_dsql_prepare(st, tr, &stmt, 0, text.constData(), ushort(dialect()), out))
        IBDataBaseError(st);
    drop.Dismiss();
    // Statement type.
    char item = isc_info_sql_stmt_type;
    char buf[16] = {};
    if (isc_dsql_sql_info(st, &stmt, 1, &item, sizeof buf, buf)) IBDataBaseError(st);
    if (buf[0] == isc_info_sql_stmt_type) {
        int len = int(isc_vax_integer(buf + 1, 2));
        stmtType = int(isc_vax_integer(buf + 3, short(len)));
    }
    allocOutput();
    // Input parameters: only '?' markers make them, so a text without one has none.
    std::free(in);
    in = allocDA(1);
    if (SQL.contains(u'?') && isc_dsql_describe_bind(st, &stmt, ushort(dialect()), in))
        IBDataBaseError(st);
    if (in->sqld > in->sqln) {
        int n = in->sqld;
        std::free(in);
        in = allocDA(n);
        if (isc_dsql_describe_bind(st, &stmt, ushort(dialect()), in)) IBDataBaseError(st);
    }
    inVars.assign(size_t(in->sqld), Var());
    inTypes.clear();
    for (int i = 0; i < in->sqld; ++i) {
        const XSQLVAR& v = in->sqlvar[i];
        inTypes.push_back({v.sqltype & ~1, v.sqlscale, v.sqlsubtype});
        SetParamNull(i);
    }
}

void TIBSQL::allocOutput() {
    ISC_STATUS_ARRAY st;
    if (out->sqld > out->sqln) {
        int n = out->sqld;
        std::free(out);
        out = allocDA(n);
        if (isc_dsql_describe(st, &stmt, ushort(dialect()), out)) IBDataBaseError(st);
    }
    int n = out->sqld;
    outVars.assign(size_t(n), Var());
    columns.assign(size_t(n), TIBColumn());
    for (int i = 0; i < n; ++i) {
        XSQLVAR& v = out->sqlvar[i];
        TIBColumn& c = columns[size_t(i)];
        c.Name = QString::fromUtf8(v.aliasname, v.aliasname_length);
        if (c.Name.isEmpty()) c.Name = QString::fromUtf8(v.sqlname, v.sqlname_length);
        c.SourceName = QString::fromUtf8(v.sqlname, v.sqlname_length);
        c.RelationName = QString::fromUtf8(v.relname, v.relname_length);
        c.SqlType = v.sqltype & ~1;
        c.Nullable = (v.sqltype & 1) != 0;
        c.Scale = v.sqlscale;
        c.SubType = v.sqlsubtype;
        c.Length = v.sqllen;
        Var& var = outVars[size_t(i)];
        int size = v.sqllen + (c.SqlType == SQL_VARYING ? 2 : 0);
        var.data.assign(size_t(std::max(size, 8)), 0);
        v.sqldata = var.data.data();
        v.sqlind = &var.ind;
        v.sqltype = short(c.SqlType | 1);
    }
}

void TIBSQL::FreeHandle() {
    if (!stmt) return;
    ISC_STATUS_ARRAY st;
    isc_stmt_handle h = stmt;
    stmt = 0;
    cursorOpen = false;
    eof = true;
    columns.clear();
    outVars.clear();
    inVars.clear();
    // The attachment may be gone already (lost server): the handle is dropped either way.
    if (database && database->GetConnected()) {
        TIBCallWatch watch = database->WatchCalls();
        isc_dsql_free_statement(st, &h, DSQL_drop);
    }
}

bool TIBSQL::IsSelect() const {
    return stmtType == isc_info_sql_stmt_select || stmtType == isc_info_sql_stmt_select_for_upd;
}

int TIBSQL::ParamCount() const {
    return in ? in->sqld : 0;
}

void TIBSQL::SetParamNull(int Index) {
    XSQLVAR& v = in->sqlvar[Index];
    Var& var = inVars[size_t(Index)];
    var.data.assign(8, 0);
    var.ind = -1;
    v.sqltype = short(SQL_TEXT | 1);
    v.sqllen = 0;
    v.sqlscale = 0;
    v.sqlsubtype = 0;
    v.sqldata = var.data.data();
    v.sqlind = &var.ind;
}

void TIBSQL::SetParam(int Index, const TIBParamValue& P) {
    checkPrepared();
    XSQLVAR& v = in->sqlvar[Index];
    const Described& described = inTypes[size_t(Index)];
    const int target = described.type;
    if (P.IsNull || (!P.IsBlob && VarIsClear(P.Value))) {
        SetParamNull(Index);
        return;
    }
    Var& var = inVars[size_t(Index)];
    var.ind = 0;
    v.sqlind = &var.ind;
    auto put = [&](int type, const void* src, int len, int scale) {
        var.data.assign(size_t(std::max(len, 1)), 0);
        if (len > 0) std::memcpy(var.data.data(), src, size_t(len));
        v.sqltype = short(type | 1);
        v.sqllen = short(len);
        v.sqlscale = short(scale);
        v.sqldata = var.data.data();
    };
    auto putText = [&](const QByteArray& b) {
        put(SQL_TEXT, b.constData(), int(b.size()), 0);
        v.sqlsubtype = 0;
    };
    if (target == SQL_BLOB) {
        QByteArray bytes = P.IsBlob ? P.BlobBytes : ToCodePage(P.Value.AsString(), 1251);
        ISC_QUAD id = WriteBlob(bytes);
        put(SQL_BLOB, &id, int(sizeof id), 0);
        v.sqlsubtype = short(described.subType);
        return;
    }
    const Variant& val = P.IsBlob ? Variant(QString::fromLatin1(P.BlobBytes)) : P.Value;
    switch (val.Type()) {
    case varBoolean:
        if (target == SQL_BOOLEAN) {
            FB_BOOLEAN b = val.AsBoolean() ? FB_TRUE : FB_FALSE;
            put(SQL_BOOLEAN, &b, 1, 0);
        } else {
            int64_t i = val.AsBoolean() ? 1 : 0;
            put(SQL_INT64, &i, 8, 0);
        }
        return;
    case varInteger: {
        int64_t i = val.AsInteger();
        put(SQL_INT64, &i, 8, 0);
        return;
    }
    case varCurrency: {
        int64_t raw = val.AsCurrencyRaw();
        put(SQL_INT64, &raw, 8, -4);
        return;
    }
    case varDouble: {
        if ((target == SQL_SHORT || target == SQL_LONG || target == SQL_INT64) &&
            described.scale < 0) {
            // Round to the column's scale here so the stored value is the exact decimal.
            double scaled = val.AsDouble() * double(pow10i(-described.scale));
            int64_t i = std::llround(scaled);
            int scale = described.scale;
            put(SQL_INT64, &i, 8, scale);
            return;
        }
        double d = val.AsDouble();
        put(SQL_DOUBLE, &d, 8, 0);
        return;
    }
    case varDate: {
        ISC_TIMESTAMP ts = DateTimeToIBTimeStamp(val.AsDate());
        put(SQL_TIMESTAMP, &ts, int(sizeof ts), 0);
        return;
    }
    default:
        break;
    }
    // Text: dates and numbers in this system's own forms are understood here, anything else
    // goes to the server as text.
    QString s = val.AsString();
    if (target == SQL_TYPE_DATE || target == SQL_TIMESTAMP || target == SQL_TYPE_TIME) {
        TDateTime dt = 0;
        bool ok = false;
        if (target == SQL_TYPE_TIME)
            ok = TryStrToTime(s, dt);
        else
            ok = TryStrToDateTime(s, dt) || TryStrToDate(s, dt);
        if (ok) {
            ISC_TIMESTAMP ts = DateTimeToIBTimeStamp(dt);
            put(SQL_TIMESTAMP, &ts, int(sizeof ts), 0);
            return;
        }
    } else if (target == SQL_SHORT || target == SQL_LONG || target == SQL_INT64 ||
               target == SQL_FLOAT || target == SQL_DOUBLE || target == SQL_D_FLOAT) {
        s = s.trimmed();
        s.replace(u',', u'.');
        putText(s.toLatin1());
        return;
    }
    putText(ToCodePage(s, 1251));
}

void TIBSQL::BindParams(const std::vector<TIBParamValue>& Values) {
    for (int i = 0; i < ParamCount(); ++i) {
        if (size_t(i) < Values.size())
            SetParam(i, Values[size_t(i)]);
        else
            SetParamNull(i);
    }
}

void TIBSQL::ExecQuery() {
    checkPrepared();
    Close();
    ISC_STATUS_ARRAY st;
    isc_tr_handle* tr = trHandle();
    TIBCallWatch watch = database->WatchCalls();
    singletonRow = false;
    if (IsSelect()) {
        if (isc_dsql_execute(st, tr, &stmt, ushort(dialect()), in->sqld ? in : nullptr))
            IBDataBaseError(st);
        cursorOpen = true;
        eof = false;
    } else if (stmtType == isc_info_sql_stmt_exec_procedure && out->sqld > 0) {
        if (isc_dsql_execute2(st, tr, &stmt, ushort(dialect()), in->sqld ? in : nullptr, out))
            IBDataBaseError(st);
        singletonRow = true;
        eof = false;
    } else {
        if (isc_dsql_execute(st, tr, &stmt, ushort(dialect()), in->sqld ? in : nullptr))
            IBDataBaseError(st);
        eof = true;
    }
}

bool TIBSQL::Next() {
    if (singletonRow) {
        singletonRow = false;
        return true;
    }
    if (!cursorOpen) {
        eof = true;
        return false;
    }
    ISC_STATUS_ARRAY st;
    ISC_STATUS r;
    {
        TIBCallWatch watch = database->WatchCalls();
        r = isc_dsql_fetch(st, &stmt, ushort(dialect()), out);
    }
    if (r == 100) {
        Close();
        eof = true;
        return false;
    }
    if (r) IBDataBaseError(st);
    return true;
}

void TIBSQL::Close() {
    if (cursorOpen) {
        cursorOpen = false;
        ISC_STATUS_ARRAY st;
        if (database && database->GetConnected() && transaction && transaction->InTransaction()) {
            TIBCallWatch watch = database->WatchCalls();
            isc_dsql_free_statement(st, &stmt, DSQL_close);
        }
    }
    eof = true;
}

int TIBSQL::RowsAffected() {
    checkPrepared();
    ISC_STATUS_ARRAY st;
    TIBCallWatch watch = database->WatchCalls();
    char item = isc_info_sql_records;
    char buf[128] = {};
    if (isc_dsql_sql_info(st, &stmt, 1, &item, sizeof buf, buf)) IBDataBaseError(st);
    if (buf[0] != isc_info_sql_records) return -1;
    int total = 0;
    const char* p = buf + 3;
    while (*p != isc_info_end && p < buf + sizeof buf - 3) {
        char tag = *p++;
        int len = int(isc_vax_integer(p, 2));
        p += 2;
        int value = int(isc_vax_integer(p, short(len)));
        p += len;
        if (tag == isc_info_req_update_count || tag == isc_info_req_delete_count ||
            tag == isc_info_req_insert_count)
            total += value;
    }
    return total;
}

int TIBSQL::ColumnIndex(const QString& Name) const {
    for (size_t i = 0; i < columns.size(); ++i)
        if (columns[i].Name.compare(Name, Qt::CaseInsensitive) == 0) return int(i);
    return -1;
}

bool TIBSQL::IsNull(int Index) const {
    return outVars[size_t(Index)].ind < 0;
}

const char* TIBSQL::Data(int Index) const {
    return outVars[size_t(Index)].data.data();
}

const char* TIBSQL::Text(int Index, int& Length) const {
    const TIBColumn& c = columns[size_t(Index)];
    const char* p = Data(Index);
    if (c.SqlType == SQL_VARYING) {
        ushort len;
        std::memcpy(&len, p, 2);
        Length = std::min<int>(len, c.Length);
        return p + 2;
    }
    Length = c.Length;
    return p;
}

QByteArray TIBSQL::TextBytes(int Index) const {
    int length = 0;
    const char* p = Text(Index, length);
    return QByteArray(p, length);
}

ISC_QUAD TIBSQL::BlobId(int Index) const {
    ISC_QUAD id;
    std::memcpy(&id, Data(Index), sizeof id);
    return id;
}

QByteArray TIBSQL::ReadBlob(const ISC_QUAD& Id) const {
    ISC_STATUS_ARRAY st;
    isc_blob_handle blob = 0;
    ISC_QUAD id = Id;
    isc_db_handle* db = dbHandle();
    isc_tr_handle* tr = trHandle();
    TIBCallWatch watch = database->WatchCalls();
    if (isc_open_blob2(st, db, tr, &blob, &id, 0, nullptr)) IBDataBaseError(st);
    TScopeGuard closeBlob([&] {
        ISC_STATUS_ARRAY st2;
        isc_close_blob(st2, &blob);
    });
    QByteArray result;
    char seg[32768];
    for (;;) {
        unsigned short got = 0;
        ISC_STATUS r = isc_get_segment(st, &blob, &got, sizeof seg, seg);
        if (r == 0 || r == isc_segment) {
            result.append(seg, got);
            continue;
        }
        if (r == isc_segstr_eof) break;
        IBDataBaseError(st);
    }
    closeBlob.Dismiss();
    if (isc_close_blob(st, &blob)) IBDataBaseError(st);
    return result;
}

ISC_QUAD TIBSQL::WriteBlob(const QByteArray& Bytes) {
    ISC_STATUS_ARRAY st;
    isc_blob_handle blob = 0;
    ISC_QUAD id{};
    isc_db_handle* db = dbHandle();
    isc_tr_handle* tr = trHandle();
    TIBCallWatch watch = database->WatchCalls();
    if (isc_create_blob2(st, db, tr, &blob, &id, 0, nullptr)) IBDataBaseError(st);
    TScopeGuard cancelBlob([&] {
        ISC_STATUS_ARRAY st2;
        isc_cancel_blob(st2, &blob);
    });
    qsizetype pos = 0;
    while (pos < Bytes.size()) {
        auto n = ushort(std::min<qsizetype>(Bytes.size() - pos, 32000));
        if (isc_put_segment(st, &blob, n, Bytes.constData() + pos)) IBDataBaseError(st);
        pos += n;
    }
    cancelBlob.Dismiss();
    if (isc_close_blob(st, &blob)) IBDataBaseError(st);
    return id;
}

int64_t TIBSQL::AsScaledInt(int Index) const {
    const char* p = Data(Index);
    switch (columns[size_t(Index)].SqlType) {
    case SQL_SHORT: {
        int16_t v;
        std::memcpy(&v, p, 2);
        return v;
    }
    case SQL_LONG: {
        int32_t v;
        std::memcpy(&v, p, 4);
        return v;
    }
    case SQL_INT64: {
        int64_t v;
        std::memcpy(&v, p, 8);
        return v;
    }
    default:
        return 0;
    }
}

Variant TIBSQL::AsVariant(int Index) const {
    if (IsNull(Index)) return Null();
    const TIBColumn& c = columns[size_t(Index)];
    const char* p = Data(Index);
    switch (c.SqlType) {
    case SQL_TEXT:
        return Variant(FromCodePage(TextBytes(Index), 1251).trimmed());
    case SQL_VARYING:
        return Variant(FromCodePage(TextBytes(Index), 1251));
    case SQL_SHORT:
    case SQL_LONG:
    case SQL_INT64: {
        int64_t v = AsScaledInt(Index);
        if (c.Scale == 0) return Variant(static_cast<long long>(v));
        return Variant(QString::fromLatin1(scaledText(v, -c.Scale)).toDouble());
    }
    case SQL_FLOAT: {
        float f;
        std::memcpy(&f, p, 4);
        return Variant(double(f));
    }
    case SQL_DOUBLE:
    case SQL_D_FLOAT: {
        double d;
        std::memcpy(&d, p, 8);
        return Variant(d);
    }
    case SQL_TYPE_DATE: {
        ISC_DATE d;
        std::memcpy(&d, p, sizeof d);
        return Variant::FromDate(IBDateToDateTime(d));
    }
    case SQL_TYPE_TIME: {
        ISC_TIME t;
        std::memcpy(&t, p, sizeof t);
        return Variant::FromDate(IBTimeToDateTime(t));
    }
    case SQL_TIMESTAMP: {
        ISC_TIMESTAMP ts;
        std::memcpy(&ts, p, sizeof ts);
        return Variant::FromDate(IBTimeStampToDateTime(ts));
    }
    case SQL_BOOLEAN:
        return Variant(*p != 0);
    case SQL_BLOB: {
        QByteArray b = ReadBlob(Index);
        return c.SubType == 1 ? Variant(FromCodePage(b, 1251)) : Variant(QString::fromLatin1(b));
    }
    default:
        return Null();
    }
}

QString TIBSQL::AsString(int Index) const {
    Variant v = AsVariant(Index);
    return VarIsClear(v) ? QString() : v.AsString();
}
