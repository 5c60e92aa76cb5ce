#include "Dbf_Memo.h"
#include "Dbf_Str.h"

#include "ScopeGuard.h"

#include <algorithm>

TDbtFile::TDbtFile(const QString& name, TXBaseVersion lvl, int blockSize)
    : TPagedFile(name), level(lvl), createBlockSize(blockSize) {
    virtualLocks = false;
}

TDbtFile::~TDbtFile() {
    try {
        Close();
    } catch (...) {
    }
}

void TDbtFile::Open() {
    if (isOpen) return;
    OpenFile();
    SetHeaderSize(512);
    if (level == xBaseIII) Header()[16] = 3;
    bool write = false;
    if (FileCreated()) {
        PutU32LE(Header(), 1);
        PutU16LE(Header() + 20, uint16_t(createBlockSize));
        write = true;
    }
    int bs = level == xBaseIII ? 512 : GetU16LE(Header() + 20);
    if (bs == 0 || bs % 128 != 0) {
        PutU16LE(Header() + 20, 512);
        bs = 512;
        write = true;
    }
    if (write && !IsReadOnly()) WriteHeader();
    SetRecordSize(bs);
    // the header is one block long, so block n lies at n x block size
    QByteArray h(Header(), HeaderSize());
    bool modified = HeaderModified();
    SetHeaderSize(bs);
    memcpy(Header(), h.constData(), std::min<int>(h.size(), bs));
    SetHeaderModified(modified);
    isOpen = true;
}

void TDbtFile::Close() {
    if (!isOpen) return;
    CloseFile();
    isOpen = false;
}

QByteArray TDbtFile::ReadMemo(int blockNo) {
    QByteArray out;
    int bs = recordSize;
    if (blockNo <= 0 || bs <= 0) return out;
    int64_t pos = int64_t(blockNo) * bs;
    int64_t size = FileSize();
    if (pos >= size) DbfError(STRING_INVALID_MEMO_FILE, {fileName});
    QByteArray block(bs, '\0');
    int got = ReadBlock(block.data(), bs, pos);
    if (got >= 8 && uint8_t(block[0]) == 0xFF && uint8_t(block[1]) == 0xFF && block[2] == 8 &&
        block[3] == 0) {
        uint32_t len = GetU32LE(block.constData() + 4);
        if (len < 8 || int64_t(len) > size - pos) DbfError(STRING_INVALID_MEMO_FILE, {fileName});
        out.resize(len - 8);
        if (len > 8 && ReadBlock(out.data(), int(len - 8), pos + 8) != int(len - 8))
            DbfError(STRING_INVALID_MEMO_FILE, {fileName});
        return out;
    }
    // dBase III layout: up to the two end bytes 0x1A 0x1A, or the end of the file
    for (;;) {
        for (int p = 0; p + 1 < got; ++p)
            if (block[p] == 0x1A && block[p + 1] == 0x1A) {
                out.append(block.constData(), p);
                return out;
            }
        out.append(block.constData(), got);
        if (got < bs) return out;
        pos += bs;
        got = ReadBlock(block.data(), bs, pos);
        if (got <= 0) return out;
        if (out.endsWith('\x1A') && block[0] == 0x1A) {
            out.chop(1);
            return out;
        }
    }
}

void TDbtFile::WriteMemo(int& blockNo, int previousLength, const QByteArray& data) {
    if (data.isEmpty()) {
        blockNo = 0;
        return;
    }
    int bs = recordSize;
    bool dbIII = level == xBaseIII;
    int h = dbIII ? 0 : 8;
    int t = dbIII ? 2 : 0;
    int64_t total = int64_t(data.size()) + h + t;
    int needed = int((total + bs - 1) / bs);
    int available = (previousLength + bs - 1) / bs;
    bool toEnd = blockNo <= 0 || needed > available;
    if (toEnd) LockRegion(0, true);
    TScopeGuard unlock([this, toEnd] {
        if (toEnd) UnlockRegion(0);
    });
    if (toEnd && shared) ReadHeaderFromFile(); // another process may have taken blocks
    if (toEnd) {
        // New blocks go at the end of the file. The header's next free block is not
        // trusted: one before the end may be stale, and one past it is damage (writers
        // write their blocks before they move the header on) that would leave a hole.
        int64_t endBlock = std::max<int64_t>((FileSize() + bs - 1) / bs, 1);
        if (endBlock > INT32_MAX - needed) DbfError(STRING_INVALID_MEMO_FILE, {fileName});
        blockNo = int(endBlock);
    }
    QByteArray image(needed * bs, ' ');
    if (!dbIII) {
        image[0] = char(0xFF);
        image[1] = char(0xFF);
        image[2] = 8;
        image[3] = 0;
        PutU32LE(image.data() + 4, uint32_t(data.size() + 8));
    }
    memcpy(image.data() + h, data.constData(), data.size());
    if (dbIII) {
        image[h + data.size()] = 0x1A;
        image[h + data.size() + 1] = 0x1A;
    }
    WriteBlock(image.constData(), image.size(), int64_t(blockNo) * bs);
    if (toEnd) {
        PutU32LE(Header(), uint32_t(blockNo + needed));
        WriteHeader();
    }
    unlock.End();
}
