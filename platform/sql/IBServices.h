// Backup and restore through the server's service manager.
//
//   TIBBackupService b(owner);
//   b.SetServerName("srv"); b.SetProtocol(TCP);      // or Local: the embedded engine
//   b.GetParams()->Add("user_name=SYSDBA"); b.GetParams()->Add("password=...");
//   b.Attach();
//   b.SetVerbose(true); b.SetDatabaseName(path); b.GetBackupFile()->Add(gbk);
//   b.ServiceStart();
//   while (!b.Eof()) lines << b.GetNextLine();      // raises when the job failed
//   b.Detach();
//
// The service manager is "service_mgr" locally and "<server>:service_mgr" over TCP. A job
// that fails reports its error while its output is read (GetNextLine, WaitForEnd): it is
// raised as EIBError with the server's text.
#pragma once

#include "Classes.h"
#include "IB.h"

#include <QStringList>
#include <memory>

enum TProtocol { TCP, SPX, NamedPipe, Local };

class TIBCustomService : public TComponent {
    KADRION_CLASS(TIBCustomService)
    explicit TIBCustomService(TComponent* AOwner);
    ~TIBCustomService() override;

    QString GetServerName() const { return serverName; }
    void SetServerName(const QString& Value) { serverName = Value; }
    TProtocol GetProtocol() const { return protocol; }
    void SetProtocol(TProtocol Value) { protocol = Value; }
    // "user_name=..." and "password=..." lines.
    TStrings* GetParams() const { return params.get(); }
    bool GetLoginPrompt() const { return loginPrompt; }
    void SetLoginPrompt(bool Value) { loginPrompt = Value; }

    bool GetActive() const { return handle != 0; }
    void SetActive(bool Value) { Value ? Attach() : Detach(); }
    void Attach();
    void Detach();
    void CheckActive() const;

    // Output of the running job, one line per call; "" and Eof() at the end.
    QString GetNextLine();
    bool Eof() const { return eof; }
    bool IsServiceRunning();
    // Reads the output to the end and returns it (raises when the job failed).
    QStringList WaitForEnd();

protected:
    // Starts a job with the request block of a descendant.
    void StartService(const QByteArray& Request);
    isc_svc_handle handle = 0;

private:
    QString serverName;
    TProtocol protocol = Local;
    std::unique_ptr<TStringList> params;
    bool loginPrompt = false;
    bool eof = true;
};

class TIBControlAndQueryService : public TIBCustomService {
    KADRION_CLASS(TIBControlAndQueryService)
    using TIBCustomService::TIBCustomService;
};

class TIBBackupRestoreService : public TIBControlAndQueryService {
    KADRION_CLASS(TIBBackupRestoreService)
    explicit TIBBackupRestoreService(TComponent* AOwner);
    ~TIBBackupRestoreService() override;
    bool GetVerbose() const { return verbose; }
    void SetVerbose(bool Value) { verbose = Value; }
    // The backup files (one per line; a second column, when given, is the file's length).
    TStrings* GetBackupFile() const { return backupFile.get(); }

protected:
    bool verbose = false;
    std::unique_ptr<TStringList> backupFile;
};

enum TBackupOption {
    IgnoreChecksums,
    IgnoreLimbo,
    MetadataOnly,
    NoGarbageCollection,
    OldMetadataDesc,
    NonTransportable,
    ConvertExtTables
};
using TBackupOptions = TSet<TBackupOption>;

class TIBBackupService : public TIBBackupRestoreService {
    KADRION_CLASS(TIBBackupService)
    using TIBBackupRestoreService::TIBBackupRestoreService;
    QString GetDatabaseName() const { return databaseName; }
    void SetDatabaseName(const QString& Value) { databaseName = Value; }
    TBackupOptions GetOptions() const { return options; }
    void SetOptions(TBackupOptions Value) { options = Value; }
    void ServiceStart();

private:
    QString databaseName;
    TBackupOptions options;
};

enum TRestoreOption {
    DeactivateIndexes,
    NoShadow,
    NoValidityCheck,
    OneRelationAtATime,
    Replace,
    CreateNewDB,
    UseAllSpace
};
using TRestoreOptions = TSet<TRestoreOption>;

class TIBRestoreService : public TIBBackupRestoreService {
    KADRION_CLASS(TIBRestoreService)
    explicit TIBRestoreService(TComponent* AOwner);
    ~TIBRestoreService() override;
    // The database files to restore into (one per line).
    TStrings* GetDatabaseName() const { return databaseName.get(); }
    TRestoreOptions GetOptions() const { return options; }
    void SetOptions(TRestoreOptions Value) { options = Value; }
    int GetPageSize() const { return pageSize; }
    void SetPageSize(int Value) { pageSize = Value; }
    int GetPageBuffers() const { return pageBuffers; }
    void SetPageBuffers(int Value) { pageBuffers = Value; }
    void ServiceStart();

private:
    std::unique_ptr<TStringList> databaseName;
    TRestoreOptions options{CreateNewDB};
    int pageSize = 4096;
    int pageBuffers = 0;
};
