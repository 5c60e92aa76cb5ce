// Reading a Firebird table through the query dataset, against the client library's own C API
// and against Qt's QIBASE driver, all in one run on one database (embedded engine, WIN1251).
//
// The table has the employee table's shape: 32 columns (text, integers, dates, a NUMERIC
// salary), 100,000 generated employees (KADRION_BENCH_ROWS overrides the count).
//
// Every timed iteration runs the raw C API first and then the contender, so both see the same
// machine load; x_raw is the contender's total time over the raw API's total over the
// iterations (x_raw_cpu the same from the thread's processor time). Memory is what the rows
// add to the process's resident set (/proc/self/statm, read after the allocator has given back
// the memory it holds free): from before the query opens to after its last row is read.
//
//   FullFetch/ours       TIBQuery: Open, every field of every row read with AsString (target 1.3)
//   FullFetch/qt_fwd     QSqlQuery forward-only, every value toString()
//   FullFetch/qt_scroll  QSqlQuery scrollable (the rows it caches), every value toString()
//   First30/...          the same, opening the query and reading only its first 30 rows
//   RowCalls             RecordCount and RecNo at 1,000 and at all rows (x_small: no growth)
//   FieldSetup           opening a select of N columns, per column, against the raw prepare;
//                        fields_us_column: an in-memory dataset of N fields opened, per column
#include "CodePages.h"
#include "EmployeeGen.h"
#include "IBDatabase.h"
#include "IBQuery.h"
#include "IBSQL.h"
#include "MemDS.h"
#include "ParamValues.h"

#include <QCoreApplication>
#include <QDir>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QVariant>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <cstring>
#include <malloc.h>
#include <unistd.h>
#include <memory>

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Processor time of this thread (the embedded engine works in the caller's thread): less
// disturbed than the wall clock when the machine is busy with other work.
double threadSeconds() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

size_t residentBytes() {
    malloc_trim(0);
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly)) return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? size_t(fields[1].toULongLong()) * size_t(sysconf(_SC_PAGESIZE)) : 0;
}

const char User[] = "SYSDBA";
const char Password[] = "quartzfen";

struct Env {
    QTemporaryDir dir;
    QTemporaryDir lockDir{QDir::tempPath() + QStringLiteral("/kadrion-fblock-XXXXXX")};
    QString path;
    int rows = 100000;
    TComponent owner{nullptr};
    TIBDatabase* db = nullptr;
    TIBTransaction* tr = nullptr;
    // The raw API's own attachment and transaction.
    isc_db_handle rawDb = 0;
    isc_tr_handle rawTr = 0;
};

Env* env = nullptr;

void check(const ISC_STATUS* st, const char* what) {
    if (st[0] == 1 && st[1]) {
        std::fprintf(stderr, "%s: %s\n", what, qPrintable(IBStatusMessage(st)));
        std::abort();
    }
}

// ---- the table ------------------------------------------------------------------------------

const char CreateTable[] = "CREATE TABLE EMP ("
                           "TAB VARCHAR(6) NOT NULL, FAMILY VARCHAR(20), NAME VARCHAR(20), "
                           "PATR VARCHAR(20), SEX VARCHAR(1), BDATE DATE, BPLACE VARCHAR(70), "
                           "TEL VARCHAR(10), ADRHOME VARCHAR(100), PASP VARCHAR(15), "
                           "KODP_2 INTEGER, KODG_2 INTEGER, CPROF VARCHAR(10), KAT VARCHAR(15), "
                           "EDUC VARCHAR(15), STATFAM VARCHAR(11), WWORK DATE, ENDDATE DATE, "
                           "WHYLEAVE VARCHAR(50), OKLAD NUMERIC(15,2), WORK_MES INTEGER, "
                           "V_UCHET SMALLINT, DATCHILD DATE, MEMBFAM VARCHAR(100), "
                           "NAZ_DATE DATE, ROZ VARCHAR(10), NAK_N VARCHAR(10), NAK_DATE DATE, "
                           "LPWORK VARCHAR(50), NAMEHSHC VARCHAR(70), ID VARCHAR(10), "
                           "POLEADD VARCHAR(100))";
constexpr int Columns = 32;

std::vector<TIBParamValue> rowValues(const TGenEmployee& e, TDateTime today) {
    std::vector<TIBParamValue> v;
    v.reserve(Columns);
    QString kids;
    for (const TGenChild& c : e.Children)
        kids += (kids.isEmpty() ? QString() : QStringLiteral(", ")) + c.Name;
    const TGenAppointment* last = e.Appointments.empty() ? nullptr : &e.Appointments.back();
    TDateTime end = e.DismissalDate != 0 ? e.DismissalDate : today;
    int months = int((end - e.HireDate) / 30.4);
    bool higher = e.Education.contains(QStringLiteral("вища"));
    v = {text(e.Tab),
         text(e.Family),
         text(e.Name),
         text(e.Patronymic),
         text(e.Sex),
         date(e.BirthDate),
         text(e.BirthPlace),
         text(e.Phone),
         text(e.Address),
         text(e.Passport),
         number(e.Subdivision),
         number(e.Group, true),
         text(e.Position),
         text(e.Category),
         text(e.Education),
         text(e.FamilyStatus),
         date(e.HireDate),
         date(e.DismissalDate),
         text(e.DismissalReason),
         val(Variant(e.Salary)),
         number(months),
         number(int(e.Children.size())),
         date(e.Children.empty() ? 0 : e.Children.front().BirthDate),
         text(kids.left(100)),
         date(last ? last->Date : 0),
         text(last ? last->Rank : QString()),
         text(last ? last->OrderNo : QString()),
         date(last ? last->OrderDate : 0),
         text(e.Tab.endsWith(u'7') ? QStringLiteral("ТОВ «Будівельник»") : QString()),
         text(higher ? QStringLiteral("Київський національний університет") : QString()),
         text(e.Passport.right(6) + e.Tab.right(4)),
         TIBParamValue()};
    return v;
}

void createDatabase() {
    env->db->GetParams()->Clear();
    env->db->GetParams()->AddStrings(
        {QStringLiteral("USER 'SYSDBA'"), QStringLiteral("PASSWORD 'quartzfen'"),
         QStringLiteral("PAGE_SIZE 8192"), QStringLiteral("DEFAULT CHARACTER SET \"WIN1251\"")});
    env->db->CreateDatabase();
    env->db->Close();
    env->db->GetParams()->Clear();
    env->db->GetParams()->AddStrings({QStringLiteral("user_name=SYSDBA"),
                                      QStringLiteral("password=quartzfen"),
                                      QStringLiteral("lc_ctype=WIN1251")});
    env->db->Open();
    {
        TIBSQL ddl(env->db, env->tr);
        ddl.Prepare(QString::fromLatin1(CreateTable));
        ddl.ExecQuery();
    }
    env->tr->Commit();
    TIBSQL ins(env->db, env->tr);
    QString marks = QStringLiteral("?");
    for (int i = 1; i < Columns; ++i)
        marks += QStringLiteral(",?");
    ins.Prepare(QStringLiteral("INSERT INTO EMP VALUES (") + marks + u')');
    const TDateTime today = EncodeDate(2026, 12, 1);
    TEmployeeGenerator gen(17, today);
    for (int i = 1; i <= env->rows; ++i) {
        ins.BindParams(rowValues(gen.Next(i), today));
        ins.ExecQuery();
    }
    env->tr->Commit();
}

void rawAttach() {
    QByteArray dpb;
    dpb += char(isc_dpb_version1);
    auto add = [&](char tag, const QByteArray& v) {
        dpb += tag;
        dpb += char(v.size());
        dpb += v;
    };
    add(isc_dpb_user_name, User);
    add(isc_dpb_password, Password);
    add(isc_dpb_lc_ctype, "WIN1251");
    QByteArray file = QFile::encodeName(env->path);
    ISC_STATUS_ARRAY st;
    isc_attach_database(st, short(file.size()), file.constData(), &env->rawDb, short(dpb.size()),
                        dpb.constData());
    check(st, "attach");
    static char tpb[] = {isc_tpb_version3, isc_tpb_read_committed, isc_tpb_rec_version,
                         isc_tpb_nowait, isc_tpb_read};
    isc_start_transaction(st, &env->rawTr, 1, &env->rawDb, short(sizeof tpb), tpb);
    check(st, "start");
}

// ---- the raw C API: every value to text the way a careful program would -------------------

// Text of a date as dd.mm.yyyy.
QString dateText(const ISC_DATE& d) {
    struct tm t;
    isc_decode_sql_date(&d, &t);
    int day = t.tm_mday, month = t.tm_mon + 1, year = t.tm_year + 1900;
    QString s(10, Qt::Uninitialized);
    QChar* p = s.data();
    p[0] = QChar(u'0' + day / 10);
    p[1] = QChar(u'0' + day % 10);
    p[2] = u'.';
    p[3] = QChar(u'0' + month / 10);
    p[4] = QChar(u'0' + month % 10);
    p[5] = u'.';
    p[6] = QChar(u'0' + year / 1000 % 10);
    p[7] = QChar(u'0' + year / 100 % 10);
    p[8] = QChar(u'0' + year / 10 % 10);
    p[9] = QChar(u'0' + year % 10);
    return s;
}

// Text of a scaled integer with a decimal comma and no trailing zeros after it.
QString scaledText(int64_t v, int scale) {
    if (scale == 0) return QString::number(qlonglong(v));
    bool neg = v < 0;
    uint64_t a = neg ? uint64_t(0) - uint64_t(v) : uint64_t(v);
    char buf[48];
    char* end = buf + sizeof buf;
    char* p = end;
    for (int i = 0; i < scale; ++i, a /= 10)
        *--p = char('0' + a % 10);
    char* fracEnd = end;
    while (fracEnd > p && fracEnd[-1] == '0')
        --fracEnd;
    bool frac = fracEnd > p;
    if (frac) *--p = ',';
    do {
        *--p = char('0' + a % 10);
        a /= 10;
    } while (a);
    if (neg) *--p = '-';
    // the digits, the comma and the fraction up to its last non-zero digit
    return QString::fromLatin1(p, int((frac ? fracEnd : end - scale) - p));
}

struct RawStatement {
    isc_stmt_handle stmt = 0;
    XSQLDA* out = nullptr;
    std::vector<std::vector<char>> data;
    std::vector<short> ind;

    explicit RawStatement(const char* sql) {
        ISC_STATUS_ARRAY st;
        isc_dsql_allocate_statement(st, &env->rawDb, &stmt);
        check(st, "allocate");
        out = static_cast<XSQLDA*>(std::calloc(1, XSQLDA_LENGTH(1)));
        out->version = SQLDA_VERSION1;
        out->sqln = 1;
        isc_dsql_prepare(st, &env->rawTr, &stmt, 0, sql, 3, out);
        check(st, "prepare");
        if (out->sqld > out->sqln) {
            int n = out->sqld;
            std::free(out);
            out = static_cast<XSQLDA*>(std::calloc(1, XSQLDA_LENGTH(n)));
            out->version = SQLDA_VERSION1;
            out->sqln = short(n);
            isc_dsql_describe(st, &stmt, 3, out);
            check(st, "describe");
        }
        data.resize(size_t(out->sqld));
        ind.resize(size_t(out->sqld));
        for (int i = 0; i < out->sqld; ++i) {
            XSQLVAR& v = out->sqlvar[i];
            int size = v.sqllen + ((v.sqltype & ~1) == SQL_VARYING ? 2 : 0);
            data[size_t(i)].resize(size_t(std::max(size, 8)));
            v.sqldata = data[size_t(i)].data();
            v.sqlind = &ind[size_t(i)];
            v.sqltype |= 1;
        }
    }
    ~RawStatement() {
        ISC_STATUS_ARRAY st;
        isc_dsql_free_statement(st, &stmt, DSQL_drop);
        std::free(out);
    }
    void execute() {
        ISC_STATUS_ARRAY st;
        isc_dsql_execute(st, &env->rawTr, &stmt, 3, nullptr);
        check(st, "execute");
    }
    bool fetch() {
        ISC_STATUS_ARRAY st;
        ISC_STATUS r = isc_dsql_fetch(st, &stmt, 3, out);
        if (r == 100) return false;
        check(st, "fetch");
        return true;
    }
    void close() {
        ISC_STATUS_ARRAY st;
        isc_dsql_free_statement(st, &stmt, DSQL_close);
    }
    QString text(int i) const {
        if (ind[size_t(i)] < 0) return QString();
        const XSQLVAR& v = out->sqlvar[i];
        const char* p = v.sqldata;
        switch (v.sqltype & ~1) {
        case SQL_VARYING: {
            unsigned short len;
            std::memcpy(&len, p, 2);
            return FromCodePage(p + 2, len, 1251);
        }
        case SQL_TEXT: {
            int len = v.sqllen;
            while (len > 0 && p[len - 1] == ' ')
                --len;
            return FromCodePage(p, len, 1251);
        }
        case SQL_SHORT: {
            int16_t x;
            std::memcpy(&x, p, 2);
            return scaledText(x, -v.sqlscale);
        }
        case SQL_LONG: {
            int32_t x;
            std::memcpy(&x, p, 4);
            return scaledText(x, -v.sqlscale);
        }
        case SQL_INT64: {
            int64_t x;
            std::memcpy(&x, p, 8);
            return scaledText(x, -v.sqlscale);
        }
        case SQL_TYPE_DATE: {
            ISC_DATE d;
            std::memcpy(&d, p, sizeof d);
            return dateText(d);
        }
        default:
            return QStringLiteral("?");
        }
    }
};

// A checksum of the texts read, so every contender does the same work and a wrong reader
// shows up as a different sum.
struct Sum {
    uint64_t chars = 0;
    uint64_t first = 0;
    void add(const QString& s) {
        chars += uint64_t(s.size());
        if (!s.isEmpty()) first += s.at(s.size() - 1).unicode();
    }
};

[[gnu::noinline]] Sum rawRead(const char* sql, int limit) {
    Sum sum;
    RawStatement s(sql);
    s.execute();
    for (int r = 0; r < limit && s.fetch(); ++r)
        for (int i = 0; i < s.out->sqld; ++i)
            sum.add(s.text(i));
    s.close();
    return sum;
}

// ---- the query dataset ----------------------------------------------------------------------

// Held, when given, receives what the rows added to the resident set (an untimed run: the
// allocator's trim and the read of the counters take time of their own).
[[gnu::noinline]] Sum oursRead(const QString& sql, int limit, size_t* Held = nullptr) {
    Sum sum;
    TIBQuery q(nullptr);
    q.SetDatabase(env->db);
    q.GetSQL()->SetText(sql);
    size_t before = Held ? residentBytes() : 0;
    q.Open();
    std::vector<TField*> fields;
    for (int i = 0; i < q.GetFieldCount(); ++i)
        fields.push_back(q.Fields(i));
    // the first row comes with Open; no row past the last one asked for is fetched
    for (int n = 0; n < limit && !q.Eof(); ++n) {
        if (n > 0) {
            q.Next();
            if (q.Eof()) break;
        }
        for (TField* f : fields)
            sum.add(f->GetAsString());
    }
    if (Held) {
        size_t after = residentBytes();
        *Held = after > before ? after - before : 0;
    }
    q.Close();
    return sum;
}

// The first value where the dataset and the raw API disagree, for the error message.
std::string firstDifference() {
    RawStatement s("SELECT * FROM EMP");
    s.execute();
    TIBQuery q(nullptr);
    q.SetDatabase(env->db);
    q.GetSQL()->SetText(QStringLiteral("SELECT * FROM EMP"));
    q.Open();
    std::string out;
    for (int row = 1; out.empty() && !q.Eof() && s.fetch(); ++row, q.Next())
        for (int i = 0; i < s.out->sqld && out.empty(); ++i)
            if (s.text(i) != q.Fields(i)->GetAsString())
                out = QStringLiteral("row %1, %2: raw '%3', ours '%4'")
                          .arg(row)
                          .arg(q.Fields(i)->GetFieldName(), s.text(i), q.Fields(i)->GetAsString())
                          .toStdString();
    s.close();
    return out;
}

// ---- Qt's QIBASE driver ---------------------------------------------------------------------

QSqlDatabase qtDb() {
    return QSqlDatabase::database(QStringLiteral("bench"));
}

Sum qtRead(const QString& sql, int limit, bool forwardOnly, size_t* Held = nullptr) {
    Sum sum;
    size_t before = Held ? residentBytes() : 0;
    {
        QSqlQuery q(qtDb());
        q.setForwardOnly(forwardOnly);
        if (!q.exec(sql)) {
            std::fprintf(stderr, "QIBASE: %s\n", qPrintable(q.lastError().text()));
            std::abort();
        }
        int columns = q.record().count();
        for (int n = 0; n < limit && q.next(); ++n)
            for (int i = 0; i < columns; ++i)
                sum.add(q.value(i).toString());
        if (Held) {
            size_t after = residentBytes();
            *Held = after > before ? after - before : 0;
        }
    }
    qtDb().commit();
    return sum;
}

// ---- benchmarks -----------------------------------------------------------------------------

enum Contender { Ours, QtForward, QtScroll };
const char* const ContenderNames[] = {"ours (TIBQuery)", "QSqlQuery QIBASE forward-only",
                                      "QSqlQuery QIBASE scrollable"};

void fetchBench(benchmark::State& state, int limit) {
    auto who = Contender(state.range(0));
    state.SetLabel(ContenderNames[who]);
    const QString sql = QStringLiteral("SELECT * FROM EMP");
    double raw = 0, mine = 0, rawCpu = 0, mineCpu = 0;
    size_t held = 0;
    Sum rawSum, mineSum;
    for (auto _ : state) {
        auto start = Clock::now();
        double cpu = threadSeconds();
        rawSum = rawRead("SELECT * FROM EMP", limit);
        raw += secondsSince(start);
        rawCpu += threadSeconds() - cpu;
        start = Clock::now();
        cpu = threadSeconds();
        mineSum = who == Ours ? oursRead(sql, limit) : qtRead(sql, limit, who == QtForward);
        double t = secondsSince(start);
        mineCpu += threadSeconds() - cpu;
        mine += t;
        state.SetIterationTime(t);
    }
    state.counters["x_raw"] = mine / raw;
    state.counters["x_raw_cpu"] = mineCpu / rawCpu;
    state.counters["raw_ms"] = raw * 1000 / double(state.iterations());
    if (limit > 30) {
        if (who == Ours)
            oursRead(sql, limit, &held);
        else
            qtRead(sql, limit, who == QtForward, &held);
        int rows = env->rows;
        state.counters["held_MiB"] = double(held) / (1024.0 * 1024.0);
        state.counters["bytes_row"] = double(held) / rows;
    }
    // Our texts must be the raw API's texts (Qt writes dates its own way: not compared).
    if (who == Ours && (rawSum.chars != mineSum.chars || rawSum.first != mineSum.first))
        state.SkipWithError(
            ("the dataset read other texts than the raw API: " + firstDifference()).c_str());
}

void BM_FullFetch(benchmark::State& state) {
    fetchBench(state, INT32_MAX);
}

void BM_First30(benchmark::State& state) {
    fetchBench(state, 30);
}

// RecordCount and RecNo on a dataset holding all rows, against the same calls on one holding
// the first 1,000: x_small stays near 1 when neither walks the rows.
void BM_RowCalls(benchmark::State& state) {
    bool recNo = state.range(0) != 0;
    state.SetLabel(recNo ? "RecNo on the last row" : "RecordCount");
    TIBQuery small(nullptr), all(nullptr);
    small.SetDatabase(env->db);
    all.SetDatabase(env->db);
    small.GetSQL()->SetText(QStringLiteral("SELECT FIRST 1000 * FROM EMP"));
    all.GetSQL()->SetText(QStringLiteral("SELECT * FROM EMP"));
    small.Open();
    all.Open();
    small.Last();
    all.Last();
    constexpr int Calls = 1000;
    double tSmall = 0, tAll = 0;
    long sum = 0;
    for (auto _ : state) {
        auto start = Clock::now();
        for (int i = 0; i < Calls; ++i)
            sum += recNo ? small.GetRecNo() : small.GetRecordCount();
        tSmall += secondsSince(start);
        start = Clock::now();
        for (int i = 0; i < Calls; ++i)
            sum += recNo ? all.GetRecNo() : all.GetRecordCount();
        double t = secondsSince(start);
        tAll += t;
        state.SetIterationTime(t / Calls);
    }
    benchmark::DoNotOptimize(sum);
    double n = double(state.iterations()) * Calls;
    state.counters["ns_1000_rows"] = tSmall / n * 1e9;
    state.counters["ns_all_rows"] = tAll / n * 1e9;
    state.counters["x_small"] = tAll / tSmall;
}

// Opening a select of N integer columns (no rows to speak of): our open against the raw
// prepare and describe of the same statement; per-column times that stay flat as N grows
// show the set-up is linear.
void BM_FieldSetup(benchmark::State& state) {
    int n = int(state.range(0));
    QString sql = QStringLiteral("SELECT ");
    for (int i = 1; i <= n; ++i)
        sql += QStringLiteral("%1 AS C%2%3").arg(i).arg(i).arg(i < n ? QStringLiteral(", ") : "");
    sql += QStringLiteral(" FROM RDB$DATABASE");
    QByteArray raw = sql.toLatin1();
    double tRaw = 0, tOurs = 0;
    for (auto _ : state) {
        auto start = Clock::now();
        {
            RawStatement s(raw.constData());
            s.execute();
            s.fetch();
            s.close();
        }
        tRaw += secondsSince(start);
        start = Clock::now();
        {
            TIBQuery q(nullptr);
            q.SetDatabase(env->db);
            q.GetSQL()->SetText(sql);
            q.Open();
            benchmark::DoNotOptimize(q.Fields(n - 1)->GetAsString());
            q.Close();
        }
        double t = secondsSince(start);
        tOurs += t;
        state.SetIterationTime(t);
    }
    // The fields alone, without the server: an in-memory dataset of n definitions opened and
    // closed (definitions, fields, binding, buffers), per column.
    auto start = Clock::now();
    constexpr int Rounds = 20;
    for (int round = 0; round < Rounds; ++round) {
        TMemDataSet m(nullptr);
        for (int i = 1; i <= n; ++i)
            m.GetFieldDefs()->Add(QStringLiteral("C%1").arg(i), ftInteger);
        m.Open();
        m.Close();
    }
    double it = double(state.iterations());
    state.counters["us_column"] = tOurs / it / n * 1e6;
    state.counters["raw_us_column"] = tRaw / it / n * 1e6;
    state.counters["x_raw"] = tOurs / tRaw;
    state.counters["fields_us_column"] = secondsSince(start) / Rounds / n * 1e6;
}

void setUp() {
    env = new Env;
    qputenv("FIREBIRD_LOCK", QFile::encodeName(env->lockDir.path()));
    if (qEnvironmentVariableIsSet("KADRION_BENCH_ROWS"))
        env->rows = qEnvironmentVariableIntValue("KADRION_BENCH_ROWS");
    env->path = env->dir.filePath(QStringLiteral("bench.fdb"));
    env->db = new TIBDatabase(&env->owner);
    env->tr = new TIBTransaction(&env->owner);
    env->db->SetDefaultTransaction(env->tr);
    env->tr->GetParams()->AddStrings({QStringLiteral("read_committed"),
                                      QStringLiteral("rec_version"), QStringLiteral("nowait")});
    env->db->SetDatabaseName(env->path);
    auto start = Clock::now();
    createDatabase();
    std::fprintf(stderr, "bench_sql: %d rows written in %.1f s\n", env->rows, secondsSince(start));
    rawAttach();
    QSqlDatabase q = QSqlDatabase::addDatabase(QStringLiteral("QIBASE"), QStringLiteral("bench"));
    q.setDatabaseName(env->path);
    q.setUserName(QString::fromLatin1(User));
    q.setPassword(QString::fromLatin1(Password));
    // Qt decodes UTF-8 text itself: the server translates WIN1251 for it.
    q.setConnectOptions(QStringLiteral("ISC_DPB_LC_CTYPE=UTF8"));
    if (!q.open()) {
        std::fprintf(stderr, "QIBASE: %s\n", qPrintable(q.lastError().text()));
        std::abort();
    }
    // The baseline must read the same Cyrillic text.
    QSqlQuery check(q);
    check.exec(QStringLiteral("SELECT FAMILY FROM EMP WHERE TAB = '00001'"));
    check.next();
    RawStatement raw("SELECT FAMILY FROM EMP WHERE TAB = '00001'");
    raw.execute();
    raw.fetch();
    if (check.value(0).toString() != raw.text(0)) {
        std::fprintf(stderr, "QIBASE reads '%s' where the raw API reads '%s'\n",
                     qPrintable(check.value(0).toString()), qPrintable(raw.text(0)));
        std::abort();
    }
    raw.close();
}

void tearDown() {
    QSqlDatabase::database(QStringLiteral("bench")).close();
    QSqlDatabase::removeDatabase(QStringLiteral("bench"));
    ISC_STATUS_ARRAY st;
    isc_commit_transaction(st, &env->rawTr);
    isc_detach_database(st, &env->rawDb);
    env->db->Close();
    delete env;
    fb_shutdown(0, fb_shutrsn_app_stopped);
}

} // namespace

// Five paired rounds each (two hundred for the first rows); every contender is timed right
// after its raw-API round. The first rows go first, before the large fetches fill the heap.
BENCHMARK(BM_First30)
    ->DenseRange(Ours, QtScroll)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(200);
BENCHMARK(BM_FullFetch)
    ->DenseRange(Ours, QtScroll)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);
BENCHMARK(BM_RowCalls)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Unit(benchmark::kNanosecond)
    ->Iterations(50);
BENCHMARK(BM_FieldSetup)
    ->Arg(32)
    ->Arg(256)
    ->Arg(1024)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    setUp();
    benchmark::RunSpecifiedBenchmarks();
    tearDown();
    benchmark::Shutdown();
    return 0;
}
