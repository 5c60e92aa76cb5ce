// A file seen as a header followed by fixed-size records (pages), with sharing modes and
// byte-range locks against other processes.
#pragma once

#include "Dbf_Common.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <cstring>

class TPagedFile {
public:
    explicit TPagedFile(const QString& fileName);
    virtual ~TPagedFile();
    TPagedFile(const TPagedFile&) = delete;
    TPagedFile& operator=(const TPagedFile&) = delete;

    // Opens the file in the current mode. A missing file is created when the mode creates
    // (or auto-create is on); a creating mode cuts the file to 0 bytes.
    void OpenFile();
    bool IsFileOpen() const { return fd >= 0 || memoryStream; }

    virtual void SetHeaderOffset(int n);
    virtual void SetRecordSize(int n);
    virtual void SetHeaderSize(int n);
    virtual void SetHeaderInOffset(bool v);
    virtual void CloseFile();
    virtual void TryExclusive();
    virtual void EndExclusive();
    virtual int ReadRecord(int n, void* buffer);
    // ReadRecord, with the copy out of the read cache inline (a walk over the table).
    int ReadRecordCached(int n, void* buffer) {
        if (headerInOffset && n > 0 && recordSize > 0) {
            const int64_t pos = int64_t(headerOffset) + headerSize + int64_t(n - 1) * pageSize;
            if (buffering && pos >= cachePos && pos + recordSize <= cachePos + cacheLen) {
                memcpy(buffer, cache.constData() + (pos - cachePos), size_t(recordSize));
                return recordSize;
            }
        }
        return ReadRecord(n, buffer);
    }
    virtual void WriteRecord(int n, const void* buffer);
    virtual void WriteHeader();
    virtual void Flush();

    void SetPageSize(int n);
    // An unshared file knows its count once taken: only a shared one is asked again.
    int GetRecordCount() { return shared || needRecalc ? recountRecords() : recordCount; }
    void SetRecordCount(int n);
    int64_t CalcPageOffset(int n) const;

    // Plain positioned I/O for the header areas.
    int ReadBlock(void* buffer, int count, int64_t position);
    void WriteBlock(const void* buffer, int count, int64_t position);
    int64_t FileSize();
    void TruncateFile(int64_t size);

    // Locks record n (0 = the header) against other processes; an unshared file always
    // succeeds and locks nothing.
    bool LockRegion(int n, bool wait) { return !shared || lockRegion(n, wait); }
    bool UnlockRegion(int n) { return !shared || unlockRegion(n); }
    // Unlocks the header and record n held by this file at once (one call with virtual locks,
    // whose bytes for records 0 to n lie side by side; unlocking bytes not held is harmless).
    void UnlockHeaderAndRecord(int n);
    // The file's first page mapped into memory, shared with every other opener, or null when
    // the file is not shared read-write or cannot be mapped: the header's count read and
    // written there costs no system call.
    char* MappedHead();
    void CheckExclusiveAccess() const;

    const QString& FileName() const { return fileName; }
    TPagedFileMode Mode() const { return mode; }
    void SetMode(TPagedFileMode m) { mode = m; }
    bool AutoCreate() const { return autoCreate; }
    void SetAutoCreate(bool v) { autoCreate = v; }
    bool IsShared() const { return shared; }
    // True when the last open created (or cut) the file.
    bool FileCreated() const { return created; }
    bool VirtualLocks() const { return virtualLocks; }
    void SetVirtualLocks(bool v) { virtualLocks = v; }
    void SetBuffering(bool v);
    bool Buffering() const { return buffering; }
    bool IsReadOnly() const { return mode == pfReadOnly; }

    char* Header() { return header.data(); }
    const char* Header() const { return header.constData(); }
    int HeaderSize() const { return headerSize; }
    int HeaderOffset() const { return headerOffset; }
    int RecordSize() const { return recordSize; }
    int PageSize() const { return pageSize; }
    int PagesPerRecord() const { return pagesPerRecord; }
    bool HeaderModified() const { return headerModified; }
    void SetHeaderModified(bool v) { headerModified = v; }

protected:
    // Writes the held header now, whatever the mode.
    void WriteHeaderNow();
    void ReadHeaderFromFile();
    void FlushCache();
    void InvalidateCache();

    QString fileName;
    int fd = -1;
    QByteArray* memoryStream = nullptr;
    int headerOffset = 0;
    int headerSize = 0;
    QByteArray header;
    int recordSize = 0;
    int pageSize = 0;
    int recordCount = 0;
    int pagesPerRecord = 0;
    int64_t cachedSize = 0;
    bool needRecalc = true;
    bool headerModified = false;
    bool headerInOffset = true;
    TPagedFileMode mode = pfReadOnly;
    TPagedFileMode savedMode = pfNone;
    bool autoCreate = false;
    bool shared = false;
    bool created = false;
    bool virtualLocks = true;
    char* mappedHead = nullptr; // see MappedHead
    bool mapTried = false;

    // read/write cache (exclusive files only)
    bool buffering = false;
    QByteArray cache;
    int cacheSize = 0;
    int64_t cachePos = 0;
    int cacheLen = 0;
    bool cacheDirty = false;

private:
    int recountRecords();
    bool lockRegion(int n, bool wait);
    bool unlockRegion(int n);
    int rawRead(void* buffer, int count, int64_t position);
    void rawWrite(const void* buffer, int count, int64_t position);
    bool lockBytes(int64_t start, int64_t len, bool wait);
    void unlockBytes(int64_t start, int64_t len);
    void computePagesPerRecord();
};
