// Errors, dates and parameter blocks of the Firebird client library.
#include "IB.h"

#include "CodePages.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <iterator>
#include <mutex>
#include <thread>
#include <vector>

namespace {

bool validUtf8(const QByteArray& b) {
    int i = 0;
    const int n = int(b.size());
    while (i < n) {
        auto c = uchar(b[i]);
        int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
        if (extra < 0) return false;
        for (int k = 1; k <= extra; ++k)
            if (i + k >= n || (uchar(b[i + k]) >> 6) != 2) return false;
        i += extra + 1;
    }
    return true;
}

// Server texts are UTF-8 (metadata names); older ones may carry WIN1251 bytes.
QString serverText(const QByteArray& b) {
    return validUtf8(b) ? QString::fromUtf8(b) : FromCodePage(b, 1251);
}

} // namespace

QString IBServerText(const QByteArray& Bytes) {
    return serverText(Bytes);
}

namespace {

QString stripPrefix(QString name, const char* prefix) {
    name = name.trimmed().toLower();
    if (name.startsWith(QLatin1String(prefix))) name = name.mid(int(std::strlen(prefix)));
    return name;
}

void addString(QByteArray& pb, char tag, const QByteArray& value) {
    pb.append(tag);
    pb.append(char(std::min<qsizetype>(value.size(), 255)));
    pb.append(value.left(255));
}

void addInt(QByteArray& pb, char tag, int32_t value) {
    pb.append(tag);
    pb.append(char(4));
    for (int k = 0; k < 4; ++k)
        pb.append(char((uint32_t(value) >> (8 * k)) & 0xFF));
}

} // namespace

QString IBStatusMessage(const ISC_STATUS* Status) {
    QStringList lines;
    const ISC_STATUS* p = Status;
    char buf[1024];
    for (;;) {
        ISC_LONG len = fb_interpret(buf, sizeof buf, &p);
        if (len <= 0) break;
        lines << serverText(QByteArray(buf, int(std::strlen(buf))));
    }
    QString msg = lines.join(QStringLiteral("\r\n"));
    if (msg.endsWith(u'.')) msg.chop(1);
    return msg;
}

bool IBConnectionLost(const ISC_STATUS* Status) {
    static const ISC_STATUS lost[] = {isc_network_error,      isc_net_read_err, isc_net_write_err,
                                      isc_lost_db_connection, isc_att_shutdown, isc_conn_lost};
    // The vector: (argument kind, value) pairs up to isc_arg_end; codes are isc_arg_gds.
    for (const ISC_STATUS* p = Status; *p != isc_arg_end;) {
        const ISC_STATUS kind = p[0];
        if (kind == isc_arg_gds &&
            std::find(std::begin(lost), std::end(lost), p[1]) != std::end(lost))
            return true;
        p += kind == isc_arg_cstring ? 3 : 2;
    }
    return false;
}

void IBDataBaseError(const ISC_STATUS* Status) {
    int sqlCode = int(isc_sqlcode(Status));
    EIBInterBaseError e(sqlCode, int64_t(Status[1]), IBStatusMessage(Status));
    e.ConnectionLost = IBConnectionLost(Status);
    throw e;
}

// ---- watched calls --------------------------------------------------------------------------

namespace {

// One thread for the process, started by the first watched call: it sleeps until the
// earliest deadline and cuts the connection of each call past its own.
class TCallWatchdog {
public:
    uint64_t Add(isc_db_handle Db, int TimeoutMs) {
        std::lock_guard<std::mutex> lock(mutex);
        if (!thread.joinable()) thread = std::thread([this] { run(); });
        const uint64_t id = nextId++;
        calls.push_back({id, Db, Clock::now() + std::chrono::milliseconds(TimeoutMs)});
        wake.notify_all();
        return id;
    }
    void Remove(uint64_t Id) {
        std::lock_guard<std::mutex> lock(mutex);
        calls.erase(
            std::remove_if(calls.begin(), calls.end(), [Id](const Call& c) { return c.Id == Id; }),
            calls.end());
    }
    ~TCallWatchdog() {
        {
            std::lock_guard<std::mutex> lock(mutex);
            stopping = true;
        }
        wake.notify_all();
        if (thread.joinable()) thread.join();
    }

private:
    using Clock = std::chrono::steady_clock;
    struct Call {
        uint64_t Id;
        isc_db_handle Db;
        Clock::time_point Deadline;
    };
    void run() {
        std::unique_lock<std::mutex> lock(mutex);
        while (!stopping) {
            if (calls.empty()) {
                wake.wait(lock);
                continue;
            }
            auto first =
                std::min_element(calls.begin(), calls.end(), [](const Call& a, const Call& b) {
                    return a.Deadline < b.Deadline;
                });
            if (wake.wait_until(lock, first->Deadline) != std::cv_status::timeout) continue;
            const auto now = Clock::now();
            for (Call& c : calls) {
                if (c.Deadline > now) continue;
                // The call is still running (its watch removes it under this lock): the
                // client library ends it with a network error.
                ISC_STATUS_ARRAY st;
                isc_db_handle h = c.Db;
                fb_cancel_operation(st, &h, fb_cancel_abort);
                c.Deadline = Clock::time_point::max();
            }
        }
    }
    std::mutex mutex;
    std::condition_variable wake;
    std::vector<Call> calls;
    std::thread thread;
    uint64_t nextId = 1;
    bool stopping = false;
};

TCallWatchdog& watchdog() {
    static TCallWatchdog w;
    return w;
}

} // namespace

TIBCallWatch::TIBCallWatch(isc_db_handle Db, int TimeoutMs) {
    if (Db && TimeoutMs > 0) id = watchdog().Add(Db, TimeoutMs);
}

TIBCallWatch::~TIBCallWatch() {
    if (id) watchdog().Remove(id);
}

void IBClientError(const QString& Message) {
    throw EIBClientError(Message);
}

// ---- dates ----------------------------------------------------------------------------------

namespace {
constexpr int DateDelta = 15018; // 30.12.1899 in Firebird's day count
constexpr double TicksPerDay = 864000000.0;

TDateTime compose(int days, double fraction) {
    return days >= 0 ? days + fraction : days - fraction;
}
} // namespace

TDateTime IBDateToDateTime(ISC_DATE Date) {
    return double(Date - DateDelta);
}

TDateTime IBTimeToDateTime(ISC_TIME Time) {
    return double(Time) / TicksPerDay;
}

TDateTime IBTimeStampToDateTime(const ISC_TIMESTAMP& Stamp) {
    return compose(Stamp.timestamp_date - DateDelta, IBTimeToDateTime(Stamp.timestamp_time));
}

ISC_DATE DateTimeToIBDate(TDateTime Value) {
    return ISC_DATE(std::trunc(Value)) + DateDelta;
}

ISC_TIME DateTimeToIBTime(TDateTime Value) {
    double frac = std::fabs(Value - std::trunc(Value));
    // Whole milliseconds, as TDateTime carries them.
    auto ms = int64_t(std::llround(frac * 86400000.0));
    if (ms >= 86400000) ms = 86400000 - 1;
    return ISC_TIME(ms * 10);
}

ISC_TIMESTAMP DateTimeToIBTimeStamp(TDateTime Value) {
    ISC_TIMESTAMP s;
    s.timestamp_date = DateTimeToIBDate(Value);
    s.timestamp_time = DateTimeToIBTime(Value);
    return s;
}

// ---- parameter blocks -------------------------------------------------------------------------

QByteArray BuildDPB(const QStringList& Lines) {
    struct Item {
        const char* name;
        int tag;
        bool numeric;
    };
    static const Item items[] = {
        {"user_name", isc_dpb_user_name, false},
        {"user", isc_dpb_user_name, false},
        {"password", isc_dpb_password, false},
        {"lc_ctype", isc_dpb_lc_ctype, false},
        {"sql_role_name", isc_dpb_sql_role_name, false},
        {"num_buffers", isc_dpb_num_buffers, true},
        {"page_size", isc_dpb_page_size, true},
        {"sql_dialect", isc_dpb_sql_dialect, true},
        {"force_write", isc_dpb_force_write, true},
        {"connect_timeout", isc_dpb_connect_timeout, true},
        {"dummy_packet_interval", isc_dpb_dummy_packet_interval, true},
        {"sweep_interval", isc_dpb_sweep_interval, true},
        {"no_reserve", isc_dpb_no_reserve, true},
        {"no_garbage_collect", isc_dpb_no_garbage_collect, true},
        {"set_db_readonly", isc_dpb_set_db_readonly, true},
        {"set_db_sql_dialect", isc_dpb_set_db_sql_dialect, true},
    };
    QByteArray pb;
    pb.append(char(isc_dpb_version1));
    for (const QString& line : Lines) {
        if (line.trimmed().isEmpty()) continue;
        int eq = int(line.indexOf(u'='));
        QString name = stripPrefix(eq < 0 ? line : line.left(eq), "isc_dpb_");
        QString value = eq < 0 ? QString() : line.mid(eq + 1);
        const Item* found = nullptr;
        for (const Item& it : items)
            if (name == QLatin1String(it.name)) found = &it;
        if (!found)
            IBClientError(QString::fromUtf8(SIBUnknownParam).replace(QStringLiteral("%s"), line));
        if (found->numeric)
            addInt(pb, char(found->tag), value.trimmed().toInt());
        else
            addString(pb, char(found->tag), value.toUtf8());
    }
    return pb;
}

QByteArray BuildTPB(const QStringList& Lines) {
    struct Item {
        const char* name;
        int tag;
    };
    static const Item items[] = {
        {"consistency", isc_tpb_consistency},
        {"concurrency", isc_tpb_concurrency},
        {"shared", isc_tpb_shared},
        {"protected", isc_tpb_protected},
        {"exclusive", isc_tpb_exclusive},
        {"wait", isc_tpb_wait},
        {"nowait", isc_tpb_nowait},
        {"read", isc_tpb_read},
        {"write", isc_tpb_write},
        {"lock_read", isc_tpb_lock_read},
        {"lock_write", isc_tpb_lock_write},
        {"verb_time", isc_tpb_verb_time},
        {"commit_time", isc_tpb_commit_time},
        {"ignore_limbo", isc_tpb_ignore_limbo},
        {"read_committed", isc_tpb_read_committed},
        {"autocommit", isc_tpb_autocommit},
        {"rec_version", isc_tpb_rec_version},
        {"no_rec_version", isc_tpb_no_rec_version},
        {"restart_requests", isc_tpb_restart_requests},
        {"no_auto_undo", isc_tpb_no_auto_undo},
    };
    QByteArray pb;
    pb.append(char(isc_tpb_version3));
    for (const QString& line : Lines) {
        if (line.trimmed().isEmpty()) continue;
        QString name = stripPrefix(line, "isc_tpb_");
        const Item* found = nullptr;
        for (const Item& it : items)
            if (name == QLatin1String(it.name)) found = &it;
        if (!found)
            IBClientError(QString::fromUtf8(SIBUnknownParam).replace(QStringLiteral("%s"), line));
        pb.append(char(found->tag));
    }
    return pb;
}

QByteArray BuildSPBAttach(const QStringList& Lines) {
    QByteArray pb;
    pb.append(char(isc_spb_version));
    pb.append(char(isc_spb_current_version));
    for (const QString& line : Lines) {
        if (line.trimmed().isEmpty()) continue;
        int eq = int(line.indexOf(u'='));
        QString name = stripPrefix(eq < 0 ? line : line.left(eq), "isc_spb_");
        QString value = eq < 0 ? QString() : line.mid(eq + 1);
        if (name == QLatin1String("user_name") || name == QLatin1String("user"))
            addString(pb, char(isc_spb_user_name), value.toUtf8());
        else if (name == QLatin1String("password"))
            addString(pb, char(isc_spb_password), value.toUtf8());
        else
            IBClientError(QString::fromUtf8(SIBUnknownParam).replace(QStringLiteral("%s"), line));
    }
    return pb;
}
