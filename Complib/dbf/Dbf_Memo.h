// The memo file (.dbt): values of memo, blob and OLE fields in consecutive blocks.
#pragma once

#include "Dbf_PgFile.h"

class TDbtFile : public TPagedFile {
public:
    TDbtFile(const QString& fileName, TXBaseVersion level, int createBlockSize = 512);
    ~TDbtFile() override;

    void Open();
    void Close();
    bool IsOpen() const { return isOpen; }
    int BlockSize() const { return recordSize; }
    uint32_t NextFreeBlock() const { return GetU32LE(Header()); }

    // The value starting at block n (empty for block 0).
    QByteArray ReadMemo(int blockNo);
    // Stores data; blockNo is the value's block (0 = none) on entry and on return.
    void WriteMemo(int& blockNo, int previousLength, const QByteArray& data);

private:
    TXBaseVersion level;
    int createBlockSize;
    bool isOpen = false;
};
