// Backup and restore through the service manager.
#include "IBServices.h"

#include <QFile>

namespace {

void addSvcString(QByteArray& pb, char tag, const QByteArray& value) {
    pb.append(tag);
    auto n = ushort(std::min<qsizetype>(value.size(), 65535));
    pb.append(char(n & 0xFF));
    pb.append(char(n >> 8));
    pb.append(value.left(n));
}

void addSvcInt(QByteArray& pb, char tag, uint32_t value) {
    pb.append(tag);
    for (int k = 0; k < 4; ++k)
        pb.append(char((value >> (8 * k)) & 0xFF));
}

} // namespace

// ---- TIBCustomService -------------------------------------------------------------------------

TIBCustomService::TIBCustomService(TComponent* AOwner)
    : TComponent(AOwner), params(new TStringList) {}

TIBCustomService::~TIBCustomService() {
    if (handle) {
        ISC_STATUS_ARRAY st;
        isc_service_detach(st, &handle);
        handle = 0;
    }
}

void TIBCustomService::CheckActive() const {
    if (!handle) IBClientError(QString::fromUtf8(SIBServiceNotActive));
}

void TIBCustomService::Attach() {
    if (handle) return;
    QString name = QStringLiteral("service_mgr");
    if (protocol != Local && !serverName.trimmed().isEmpty())
        name = serverName.trimmed() + QStringLiteral(":service_mgr");
    QByteArray n = QFile::encodeName(name);
    QByteArray spb = BuildSPBAttach(params->ToStringList());
    PrepareEngineLoading();
    ISC_STATUS_ARRAY st;
    isc_svc_handle h = 0;
    if (isc_service_attach(st, ushort(n.size()), n.constData(), &h, ushort(spb.size()),
                           spb.constData()))
        IBDataBaseError(st);
    handle = h;
    eof = true;
}

void TIBCustomService::Detach() {
    if (!handle) return;
    ISC_STATUS_ARRAY st;
    isc_svc_handle h = handle;
    handle = 0;
    eof = true;
    if (isc_service_detach(st, &h)) IBDataBaseError(st);
}

void TIBCustomService::StartService(const QByteArray& Request) {
    CheckActive();
    ISC_STATUS_ARRAY st;
    if (isc_service_start(st, &handle, nullptr, ushort(Request.size()), Request.constData()))
        IBDataBaseError(st);
    eof = false;
}

QString TIBCustomService::GetNextLine() {
    CheckActive();
    if (eof) return QString();
    char item = isc_info_svc_line;
    char buf[4096] = {};
    ISC_STATUS_ARRAY st;
    if (isc_service_query(st, &handle, nullptr, 0, nullptr, 1, &item, sizeof buf, buf)) {
        eof = true;
        IBDataBaseError(st);
    }
    if (buf[0] != isc_info_svc_line) {
        eof = true;
        return QString();
    }
    int len = int(isc_vax_integer(buf + 1, 2));
    if (len == 0) {
        eof = true;
        return QString();
    }
    return QString::fromUtf8(buf + 3, len);
}

bool TIBCustomService::IsServiceRunning() {
    CheckActive();
    char item = isc_info_svc_running;
    char buf[64] = {};
    ISC_STATUS_ARRAY st;
    if (isc_service_query(st, &handle, nullptr, 0, nullptr, 1, &item, sizeof buf, buf))
        IBDataBaseError(st);
    if (buf[0] != isc_info_svc_running) return false;
    return isc_vax_integer(buf + 1, 4) != 0;
}

QStringList TIBCustomService::WaitForEnd() {
    QStringList lines;
    while (!eof) {
        QString l = GetNextLine();
        if (!eof) lines << l;
    }
    return lines;
}

// ---- backup and restore -----------------------------------------------------------------------

TIBBackupRestoreService::TIBBackupRestoreService(TComponent* AOwner)
    : TIBControlAndQueryService(AOwner), backupFile(new TStringList) {}

TIBBackupRestoreService::~TIBBackupRestoreService() = default;

void TIBBackupService::ServiceStart() {
    CheckActive();
    QByteArray req;
    req.append(char(isc_action_svc_backup));
    addSvcString(req, char(isc_spb_dbname), QFile::encodeName(databaseName));
    for (int i = 0; i < backupFile->Count(); ++i) {
        QString line = backupFile->Get(i).trimmed();
        if (line.isEmpty()) continue;
        int eq = int(line.indexOf(u'='));
        addSvcString(req, char(isc_spb_bkp_file), QFile::encodeName(eq < 0 ? line : line.left(eq)));
        if (eq >= 0) addSvcInt(req, char(isc_spb_bkp_length), line.mid(eq + 1).toUInt());
    }
    if (verbose) req.append(char(isc_spb_verbose));
    static const uint32_t bits[] = {isc_spb_bkp_ignore_checksums, isc_spb_bkp_ignore_limbo,
                                    isc_spb_bkp_metadata_only,    isc_spb_bkp_no_garbage_collect,
                                    isc_spb_bkp_old_descriptions, isc_spb_bkp_non_transportable,
                                    isc_spb_bkp_convert};
    uint32_t opts = 0;
    for (int k = 0; k < 7; ++k)
        if (GetOptions().Contains(TBackupOption(k))) opts |= bits[k];
    if (opts) addSvcInt(req, char(isc_spb_options), opts);
    StartService(req);
}

TIBRestoreService::TIBRestoreService(TComponent* AOwner)
    : TIBBackupRestoreService(AOwner), databaseName(new TStringList) {}

TIBRestoreService::~TIBRestoreService() = default;

void TIBRestoreService::ServiceStart() {
    CheckActive();
    QByteArray req;
    req.append(char(isc_action_svc_restore));
    for (int i = 0; i < backupFile->Count(); ++i) {
        QString line = backupFile->Get(i).trimmed();
        if (!line.isEmpty()) addSvcString(req, char(isc_spb_bkp_file), QFile::encodeName(line));
    }
    for (int i = 0; i < databaseName->Count(); ++i) {
        QString line = databaseName->Get(i).trimmed();
        if (line.isEmpty()) continue;
        int eq = int(line.indexOf(u'='));
        addSvcString(req, char(isc_spb_dbname), QFile::encodeName(eq < 0 ? line : line.left(eq)));
        if (eq >= 0) addSvcInt(req, char(isc_spb_res_length), line.mid(eq + 1).toUInt());
    }
    if (verbose) req.append(char(isc_spb_verbose));
    uint32_t opts = options.Contains(Replace) ? isc_spb_res_replace : isc_spb_res_create;
    if (options.Contains(DeactivateIndexes)) opts |= isc_spb_res_deactivate_idx;
    if (options.Contains(NoShadow)) opts |= isc_spb_res_no_shadow;
    if (options.Contains(NoValidityCheck)) opts |= isc_spb_res_no_validity;
    if (options.Contains(OneRelationAtATime)) opts |= isc_spb_res_one_at_a_time;
    if (options.Contains(UseAllSpace)) opts |= isc_spb_res_use_all_space;
    addSvcInt(req, char(isc_spb_options), opts);
    if (pageBuffers > 0) addSvcInt(req, char(isc_spb_res_buffers), uint32_t(pageBuffers));
    if (pageSize > 0) addSvcInt(req, char(isc_spb_res_page_size), uint32_t(pageSize));
    StartService(req);
}
