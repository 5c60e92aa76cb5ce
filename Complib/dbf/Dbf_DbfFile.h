// The table file (.dbf): header, field descriptors and fixed-size records, with the memo file
// and the index files that belong to the table.
#pragma once

#include "Dbf_Fields.h"
#include "Dbf_Memo.h"
#include "Dbf_PgFile.h"

#include <QStringList>
#include <functional>
#include <memory>
#include <vector>

class TIndexFile;

enum TIndexOption { ixPrimary, ixUnique, ixDescending, ixCaseInsensitive, ixExpression };
using TIndexOptions = TSet<TIndexOption>;

class TDbfFile : public TPagedFile {
public:
    explicit TDbfFile(const QString& fileName);
    ~TDbfFile() override;

    void Open();
    void Close();
    bool IsOpen() const { return isOpen; }

    // Writes a new header and descriptors for the given fields; makes the memo file when a
    // field needs one.
    void FinishCreate(const TDbfFieldDefs& fields, const QString& memoExt, int memoBlockSize);
    void ReadFieldDefs();
    void WriteHeader() override;
    void CloseFile() override;
    void SetRecordSize(int n) override;
    void TryExclusive() override;
    void EndExclusive() override;
    void Flush() override;

    // Decodes one field of rec into dest (see the value types below); false when null. With
    // no dest it only answers whether the field holds a value.
    //   ftString, ftFixedChar, ftWideString, ftMemo...: QByteArray (raw bytes, right-trimmed)
    //   ftSmallint: int16_t; ftInteger, ftAutoInc, ftWord: int32_t; ftLargeint: int64_t
    //   ftBoolean: bool; ftFloat, ftCurrency, ftBCD: double; ftDate, ftDateTime, ftTime: double
    bool GetFieldData(int fieldIndex, TFieldType type, void* dest, const char* rec) const;
    // The text of a character field in rec as GetFieldData gives it for ftString (without
    // trailing blanks; empty is null), without a copy; null for a binary field.
    const char* FieldText(int fieldIndex, const char* rec, int& length) const;
    // Encodes one field into rec; no source writes null.
    void SetFieldData(int fieldIndex, TFieldType type, const void* source, char* rec) const;
    // Encodes text bytes into a string field, as SetFieldData with ftString does.
    void SetFieldText(int fieldIndex, const char* text, int length, char* rec) const;
    TDbfFieldDef* GetFieldInfo(const QString& name) const;

    void InitRecord(char* buffer) const;
    // Appends the record; returns its number.
    int InsertRecord(char* buffer);
    void LockRecordForEdit(int recNo, char* buffer);
    void PostRecord(int recNo, char* buffer);
    void UnlockRecord(int recNo);
    void RecordDeleted(int recNo, const char* buffer);

    int GetCodePage() const;
    int GetLanguageId() const { return uint8_t(Header()[29]); }
    QString GetLanguageDriverName() const;
    uint32_t HeaderRecordCount() const { return GetU32LE(Header() + 4); }

    // Indexes (see the index files).
    TIndexFile* OpenIndex(const QString& indexName, const QString& expression,
                          TIndexOptions options, bool create);
    void RegenerateIndex(TIndexFile* index, const QString& tagName = QString());
    TIndexFile* GetIndexByName(const QString& name) const;
    TIndexFile* MdxFile() const { return mdxFile; }
    const std::vector<std::unique_ptr<TIndexFile>>& IndexFiles() const { return indexFiles; }
    // Tag names of every open index (the single-key file's own name), with their files.
    QStringList IndexNames() const;

    // Mutable access may change what a new record starts with: the prepared blank is rebuilt.
    TDbfFieldDefs* FieldDefs() {
        blankRecord.clear();
        return &fieldDefs;
    }
    const TDbfFieldDefs* FieldDefs() const { return &fieldDefs; }
    TDbtFile* MemoFile() const { return memoFile.get(); }
    TXBaseVersion DbfVersion() const { return dbfVersion; }
    void SetDbfVersion(TXBaseVersion v) { dbfVersion = v; }
    bool NeedsCreation() const { return needsCreation; }
    const char* PrevBuffer() const { return prevBuffer.constData(); }

    TDateTimeHandling DateTimeHandling = dtBDETimeStamp;
    bool UseFloatFields = true;
    bool CopyDateTimeAsString = false;
    // Asked when the production index is missing; DeleteLink starts true.
    std::function<void(bool& deleteLink)> OnIndexMissing;
    // Decides the locale of an index whose locale cannot be used (see the index files).
    std::function<void(int& error, uint32_t& solution)> OnLocaleError;
    // Told of an index file that cannot be used (a damaged header): the table opens without
    // it and the file is left as it is.
    std::function<void(const QString& indexFile, const QString& reason)> OnIndexDropped;

private:
    // Appends to a shared table that has no index and no autoincrement field in four system
    // calls: the header's lock (waiting), the lock of the first record after the header's
    // count that no other program has reserved by its lock, one write of the record with the
    // end marker behind it, and one unlock of both. The header's count and date are read and
    // written through its page mapped into memory. Returns the record's number, or 0 when the
    // long way is to be taken (the header cannot be mapped, or the file holds more records
    // than it counts).
    int appendShared(char* buffer);
    void readHeaderValues();
    // Opens an existing index file; one that cannot be used is told of and gives false.
    bool openOrDrop(TIndexFile& index);
    void stampLockField(char* buffer) const;
    void writeEofMarker();
    void checkFieldIndex(int i) const;

    TDbfFieldDefs fieldDefs;
    // What InitRecord writes, prepared on first use for the current field definitions.
    mutable QByteArray blankRecord;
    std::unique_ptr<TDbtFile> memoFile;
    std::vector<std::unique_ptr<TIndexFile>> indexFiles;
    TIndexFile* mdxFile = nullptr;
    QByteArray prevBuffer;
    QByteArray appendBuffer;       // a record and the end marker, written at once
    bool fastAppend = true;        // appendShared may be tried
    bool countMatchesFile = false; // checked by appendShared once an open
    TXBaseVersion dbfVersion = xBaseIV;
    bool isOpen = false;
    bool needsCreation = false;
    bool eofPending = false;
    int lockFieldOffset = -1;
    int lockFieldSize = 0;
    int lockUserLen = 0;
    bool hasAutoInc = false;
};
