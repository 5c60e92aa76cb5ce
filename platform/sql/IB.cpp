// Errors, dates and parameter blocks of the Firebird client library.
#include "IB.h"

#include "CodePages.h"

#include <cmath>
#include <cstring>

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

void IBDataBaseError(const ISC_STATUS* Status) {
    int sqlCode = int(isc_sqlcode(Status));
    throw EIBInterBaseError(sqlCode, int64_t(Status[1]), IBStatusMessage(Status));
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
