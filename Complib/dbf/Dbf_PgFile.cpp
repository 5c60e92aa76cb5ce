#include "Dbf_PgFile.h"
#include "Dbf_Str.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
// One byte beyond every real and virtual lock: every opener holds a read lock on it, an
// exclusive opener a write lock, so exclusive and shared opens of one file exclude each other.
constexpr int64_t ShareLockOffset = 0xF0000000LL;
// Virtual record locks: one byte each, counting down from here.
constexpr int64_t VirtualLockBase = 0xEFFFFFFELL;
constexpr int CacheBytes = 65536;

QString sysMessage(int err) {
    return QString::fromLocal8Bit(strerror(err));
}
} // namespace

void DbfError(const QString& fmt, std::initializer_list<TFormatArg> args) {
    throw EDbfError(args.size() ? Format(fmt, args) : fmt);
}

TPagedFile::TPagedFile(const QString& name) : fileName(name) {}

TPagedFile::~TPagedFile() {
    try {
        CloseFile();
    } catch (...) {
    }
}

void TPagedFile::computePagesPerRecord() {
    pagesPerRecord = pageSize > 0 ? recordSize / pageSize : 0;
}

void TPagedFile::OpenFile() {
    if (IsFileOpen()) return;
    created = false;
    if (mode == pfMemory) {
        memoryStream = new QByteArray();
        created = true;
    } else {
        QByteArray path = fileName.toLocal8Bit();
        if (!FileExists(fileName)) {
            if (autoCreate) {
                if (mode == pfExclusiveOpen)
                    mode = pfExclusiveCreate;
                else if (mode == pfReadWriteOpen || mode == pfReadOnly)
                    mode = pfReadWriteCreate;
            }
            if (mode != pfExclusiveCreate && mode != pfReadWriteCreate)
                throw Exception(Format(STRING_FILE_NOT_FOUND, {fileName}));
        }
        bool creating = mode == pfExclusiveCreate || mode == pfReadWriteCreate;
        int flags = mode == pfReadOnly ? O_RDONLY : O_RDWR;
        if (creating) flags |= O_CREAT;
        int h = ::open(path.constData(), flags | O_CLOEXEC, 0644);
        if (h < 0) {
            int err = errno;
            if (creating)
                throw EFCreateError(Format(STRING_CANNOT_CREATE, {fileName, sysMessage(err)}));
            throw EFOpenError(Format(STRING_CANNOT_OPEN, {fileName, sysMessage(err)}));
        }
        fd = h;
        // the share byte: a write lock for an exclusive open, a read lock otherwise
        if (!lockBytes(ShareLockOffset, 1, false)) {
            ::close(fd);
            fd = -1;
            throw EFOpenError(Format(STRING_FILE_IN_USE, {fileName}));
        }
        if (creating) {
            if (::ftruncate(fd, 0) != 0) {
                int err = errno;
                ::close(fd);
                fd = -1;
                throw EFCreateError(Format(STRING_CANNOT_CREATE, {fileName, sysMessage(err)}));
            }
            created = true;
        }
    }
    shared = mode == pfReadWriteCreate || mode == pfReadWriteOpen || mode == pfReadOnly;
    cachedSize = FileSize();
    needRecalc = true;
    InvalidateCache();
    if (buffering && shared) buffering = false;
}

void TPagedFile::CloseFile() {
    if (!IsFileOpen()) return;
    FlushCache();
    if (headerModified) WriteHeaderNow();
    if (mappedHead) {
        ::munmap(mappedHead, size_t(::sysconf(_SC_PAGESIZE)));
        mappedHead = nullptr;
    }
    mapTried = false;
    if (fd >= 0) {
        ::close(fd); // drops every lock of this open file description
        fd = -1;
    }
    delete memoryStream;
    memoryStream = nullptr;
    InvalidateCache();
}

void TPagedFile::SetHeaderOffset(int n) {
    if (headerModified) WriteHeaderNow();
    headerOffset = n;
    needRecalc = true;
}

void TPagedFile::SetHeaderInOffset(bool v) {
    if (headerModified) WriteHeaderNow();
    headerInOffset = v;
    needRecalc = true;
}

void TPagedFile::SetRecordSize(int n) {
    if (n == recordSize && n == pageSize) return;
    FlushCache();
    InvalidateCache();
    recordSize = n;
    pageSize = n;
    computePagesPerRecord();
    needRecalc = true;
    if (buffering) SetBuffering(true);
}

void TPagedFile::SetPageSize(int n) {
    FlushCache();
    InvalidateCache();
    pageSize = n;
    computePagesPerRecord();
    needRecalc = true;
    if (buffering) SetBuffering(true);
}

void TPagedFile::SetHeaderSize(int n) {
    if (n == headerSize) return;
    if (headerModified) WriteHeaderNow();
    headerSize = n;
    header = QByteArray(n, '\0');
    needRecalc = true;
    ReadHeaderFromFile();
}

void TPagedFile::ReadHeaderFromFile() {
    header.fill('\0');
    if (headerSize > 0 && IsFileOpen()) ReadBlock(header.data(), headerSize, headerOffset);
}

void TPagedFile::WriteHeaderNow() {
    if (headerSize > 0 && IsFileOpen() && mode != pfReadOnly)
        WriteBlock(header.constData(), headerSize, headerOffset);
    headerModified = false;
}

void TPagedFile::WriteHeader() {
    headerModified = true;
    if (shared) WriteHeaderNow();
}

void TPagedFile::Flush() {}

int64_t TPagedFile::CalcPageOffset(int n) const {
    if (!headerInOffset) return int64_t(n) * pageSize;
    if (n == 0) return 0;
    return int64_t(headerOffset) + headerSize + int64_t(n - 1) * pageSize;
}

int64_t TPagedFile::FileSize() {
    int64_t size = 0;
    if (memoryStream)
        size = memoryStream->size();
    else if (fd >= 0) {
        struct stat st;
        if (::fstat(fd, &st) == 0) size = st.st_size;
    }
    if (cacheDirty) size = std::max<int64_t>(size, cachePos + cacheLen);
    return size;
}

void TPagedFile::TruncateFile(int64_t size) {
    FlushCache();
    InvalidateCache();
    if (memoryStream)
        memoryStream->resize(size);
    else if (fd >= 0 && ::ftruncate(fd, size) != 0)
        throw EWriteError(Format(STRING_CANNOT_OPEN, {fileName, sysMessage(errno)}));
    cachedSize = size;
    needRecalc = true;
}

int TPagedFile::recountRecords() {
    if (shared) cachedSize = FileSize();
    if (needRecalc || shared) {
        int64_t n = 0;
        if (pageSize > 0) {
            if (headerInOffset)
                n = (cachedSize - headerSize - headerOffset) / pageSize;
            else
                n = cachedSize / pageSize;
        }
        recordCount = int(std::clamp<int64_t>(n, 0, INT32_MAX));
        needRecalc = false;
    }
    return recordCount;
}

void TPagedFile::SetRecordCount(int n) {
    int64_t size = headerInOffset ? int64_t(headerOffset) + headerSize + int64_t(n) * pageSize
                                  : int64_t(n) * pageSize;
    TruncateFile(size);
    recordCount = n;
    needRecalc = false;
}

int TPagedFile::rawRead(void* buffer, int count, int64_t position) {
    if (count <= 0) return 0;
    if (memoryStream) {
        if (position >= memoryStream->size()) return 0;
        int n = int(std::min<int64_t>(count, memoryStream->size() - position));
        memcpy(buffer, memoryStream->constData() + position, n);
        return n;
    }
    if (fd < 0) return 0;
    int done = 0;
    while (done < count) {
        ssize_t r = ::pread(fd, static_cast<char*>(buffer) + done, count - done, position + done);
        if (r < 0) {
            if (errno == EINTR) continue;
            throw EReadError(Format(STRING_CANNOT_OPEN, {fileName, sysMessage(errno)}));
        }
        if (r == 0) // end of file: a short read, never retried
            break;
        done += int(r);
    }
    return done;
}

void TPagedFile::rawWrite(const void* buffer, int count, int64_t position) {
    if (count <= 0) return;
    if (mode == pfReadOnly)
        throw EWriteError(Format(STRING_CANNOT_OPEN, {fileName, sysMessage(EBADF)}));
    if (memoryStream) {
        if (memoryStream->size() < position + count) memoryStream->resize(position + count);
        memcpy(memoryStream->data() + position, buffer, count);
        return;
    }
    int done = 0;
    while (done < count) {
        ssize_t r =
            ::pwrite(fd, static_cast<const char*>(buffer) + done, count - done, position + done);
        if (r < 0) {
            if (errno == EINTR) continue;
            throw EWriteError(Format(STRING_CANNOT_OPEN, {fileName, sysMessage(errno)}));
        }
        done += int(r);
    }
}

int TPagedFile::ReadBlock(void* buffer, int count, int64_t position) {
    if (cacheDirty && position < cachePos + cacheLen && position + count > cachePos) FlushCache();
    return rawRead(buffer, count, position);
}

void TPagedFile::WriteBlock(const void* buffer, int count, int64_t position) {
    if (cacheLen > 0 && position < cachePos + cacheLen && position + count > cachePos) {
        FlushCache();
        InvalidateCache();
    }
    rawWrite(buffer, count, position);
    if (position + count > cachedSize) cachedSize = position + count;
}

void TPagedFile::SetBuffering(bool v) {
    FlushCache();
    InvalidateCache();
    buffering = v && !shared;
    if (buffering && pageSize > 0) {
        cacheSize = CacheBytes - CacheBytes % pageSize;
        if (cacheSize < pageSize) cacheSize = pageSize;
        cache.resize(cacheSize);
    } else {
        cacheSize = 0;
        cache.clear();
    }
}

void TPagedFile::FlushCache() {
    if (cacheDirty && cacheLen > 0) {
        cacheDirty = false;
        rawWrite(cache.constData(), cacheLen, cachePos);
    }
    cacheDirty = false;
}

void TPagedFile::InvalidateCache() {
    cacheLen = 0;
    cachePos = 0;
    cacheDirty = false;
}

int TPagedFile::ReadRecord(int n, void* buffer) {
    if (recordSize <= 0) return 0;
    int64_t pos = CalcPageOffset(n);
    if (!buffering || cacheSize == 0) return rawRead(buffer, recordSize, pos);
    if (!(pos >= cachePos && pos + recordSize <= cachePos + cacheLen)) {
        FlushCache();
        cachePos = pos;
        cacheLen = rawRead(cache.data(), cacheSize, pos);
        if (cacheLen < recordSize)
            return cacheLen > 0 ? (memcpy(buffer, cache.constData(), cacheLen), cacheLen) : 0;
    }
    memcpy(buffer, cache.constData() + (pos - cachePos), recordSize);
    return recordSize;
}

void TPagedFile::WriteRecord(int n, const void* buffer) {
    int64_t pos = CalcPageOffset(n);
    if (buffering && cacheSize >= recordSize) {
        bool inside = pos >= cachePos && pos + recordSize <= cachePos + cacheSize &&
                      pos <= cachePos + cacheLen;
        if (!inside || cacheLen == 0) {
            FlushCache();
            cachePos = pos;
            cacheLen = 0;
            // keep following bytes of the file that the window will cover
            int64_t fileSize = FileSize();
            if (pos < fileSize)
                cacheLen =
                    rawRead(cache.data(), int(std::min<int64_t>(cacheSize, fileSize - pos)), pos);
        }
        memcpy(cache.data() + (pos - cachePos), buffer, recordSize);
        cacheLen = std::max<int>(cacheLen, int(pos - cachePos) + recordSize);
        cacheDirty = true;
    } else {
        rawWrite(buffer, recordSize, pos);
    }
    int64_t end = pos + recordSize;
    if (end > cachedSize) {
        // the header may not be on disk yet: derive the count from the new end (with whole
        // pages after the header that is the record's own number)
        cachedSize = end;
        needRecalc = !(headerInOffset && pageSize > 0 && pageSize == recordSize && n >= 1);
        if (!needRecalc) recordCount = n;
    }
}

bool TPagedFile::lockBytes(int64_t start, int64_t len, bool wait) {
    if (memoryStream || fd < 0) return true;
    struct flock fl;
    memset(&fl, 0, sizeof fl);
    bool writeLock = mode != pfReadOnly;
    if (start == ShareLockOffset) writeLock = mode == pfExclusiveCreate || mode == pfExclusiveOpen;
    fl.l_type = writeLock ? F_WRLCK : F_RDLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = start;
    fl.l_len = len;
    for (;;) {
        if (::fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &fl) == 0) return true;
        if (errno == EINTR) continue;
        return false;
    }
}

void TPagedFile::unlockBytes(int64_t start, int64_t len) {
    if (memoryStream || fd < 0) return;
    struct flock fl;
    memset(&fl, 0, sizeof fl);
    fl.l_type = F_UNLCK;
    fl.l_whence = SEEK_SET;
    fl.l_start = start;
    fl.l_len = len;
    ::fcntl(fd, F_OFD_SETLK, &fl);
}

bool TPagedFile::lockRegion(int n, bool wait) {
    if (virtualLocks) return lockBytes(VirtualLockBase - n, 1, wait);
    return lockBytes(CalcPageOffset(n),
                     n == 0 && headerInOffset ? std::max(headerSize, 1) : std::max(recordSize, 1),
                     wait);
}

bool TPagedFile::unlockRegion(int n) {
    if (virtualLocks)
        unlockBytes(VirtualLockBase - n, 1);
    else
        unlockBytes(CalcPageOffset(n),
                    n == 0 && headerInOffset ? std::max(headerSize, 1) : std::max(recordSize, 1));
    return true;
}

void TPagedFile::UnlockHeaderAndRecord(int n) {
    if (!shared) return;
    if (virtualLocks && headerInOffset && n >= 0) {
        unlockBytes(VirtualLockBase - n, n + 1);
    } else {
        unlockRegion(n);
        unlockRegion(0);
    }
}

char* TPagedFile::MappedHead() {
    if (mappedHead || mapTried) return mappedHead;
    mapTried = true;
    if (!shared || fd < 0 || mode == pfReadOnly || headerOffset != 0 || FileSize() < 8)
        return nullptr;
    void* p =
        ::mmap(nullptr, size_t(::sysconf(_SC_PAGESIZE)), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (p != MAP_FAILED) mappedHead = static_cast<char*>(p);
    return mappedHead;
}

void TPagedFile::TryExclusive() {
    if (savedMode != pfNone || !shared) return;
    savedMode = mode == pfReadWriteCreate ? pfReadWriteOpen : mode;
    CloseFile();
    mode = pfExclusiveOpen;
    try {
        OpenFile();
    } catch (const EFOpenError&) {
        EndExclusive();
    }
}

void TPagedFile::EndExclusive() {
    if (savedMode == pfNone) return;
    CloseFile();
    mode = savedMode;
    savedMode = pfNone;
    OpenFile();
}

void TPagedFile::CheckExclusiveAccess() const {
    if (shared) throw EDbfError(STRING_NEED_EXCLUSIVE_ACCESS);
}
