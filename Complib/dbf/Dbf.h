// TDbfTable: the dataset component over one dBase table file, with its memo file, index files
// and cursors.
#pragma once

#include "DB.h"
#include "Dbf_Cursor.h"
#include "Dbf_DbfFile.h"
#include "Dbf_IdxFile.h"

#include <functional>
#include <memory>
#include <vector>

class TDbfTable;
class TDbfMasterLink;
class TIndexCursor;

enum TDbfOpenMode { omNormal, omAutoCreate, omTemporary };
enum TDbfStorage { stoMemory, stoAuto, stoFile };
enum TDbfLanguageAction { laReadOnly, laForceOEM, laForceANSI };
// How the text of string and memo fields passes between the table and the program.
enum TDbfTranslationMode { tmNone, tmOem, tmCodePage, tmReadOnly };

using TLanguageWarningEvent = std::function<void(TDbfTable* Sender, TDbfLanguageAction& Action)>;
// Error: 1 the language driver gives no locale, 2 the index was made with another language
// driver, 3 the locale is not installed. Solution: 0 drop the index, 1 open it without
// maintenance, any other value is the locale to use.
using TDbfLocaleErrorEvent = std::function<void(int& Error, uint32_t& Solution)>;
using TDbfIndexMissingEvent = std::function<void(bool& DeleteLink)>;
// An index file that cannot be used (a damaged header) and the reason: the table opens
// without it, the file left as it is.
using TDbfIndexDroppedEvent =
    std::function<void(TDbfTable* Sender, const QString& IndexFile, const QString& Reason)>;
using TTranslateEvent =
    std::function<int(TDbfTable* Sender, const char* Src, char* Dest, bool ToOem)>;
using TDbfCompareRecordEvent = std::function<void(TDbfTable* Sender, int& Result)>;
using TDbfCopyDateTimeAsStringEvent = std::function<void(TDbfTable* Sender, bool& Result)>;

class TDbfTable : public TDataSet {
    KADRION_CLASS(TDbfTable)
    explicit TDbfTable(TComponent* AOwner);
    ~TDbfTable() override;

    // --- published properties
    TDateTimeHandling GetDateTimeHandling() const { return dateTimeHandling; }
    void SetDateTimeHandling(TDateTimeHandling v) { dateTimeHandling = v; }
    bool GetExclusive() const { return exclusive; }
    void SetExclusive(bool v);
    QString GetFilePath() const { return filePath; }
    // Empty or relative: the directory of the program's executable file.
    void SetFilePath(const QString& v);
    QString GetAbsolutePath() const { return absolutePath; }
    TDbfIndexDefs* GetIndexes() const { return indexDefs.get(); }
    void SetIndexes(TDbfIndexDefs* v) { indexDefs->Assign(v); }
    QString GetIndexName() const { return indexName; }
    void SetIndexName(const QString& v);
    QString GetMasterFields() const;
    void SetMasterFields(const QString& v);
    TDataSource* GetMasterSource() const;
    void SetMasterSource(TDataSource* v);
    TDbfOpenMode GetOpenMode() const { return openMode; }
    void SetOpenMode(TDbfOpenMode v) { openMode = v; }
    bool GetReadOnly() const { return readOnly; }
    void SetReadOnly(bool v);
    bool GetShowDeleted() const { return showDeleted; }
    void SetShowDeleted(bool v);
    TDbfStorage GetStorage() const { return storage; }
    void SetStorage(TDbfStorage v) { storage = v; }
    QString GetTableName() const { return tableName; }
    void SetTableName(const QString& v);
    bool GetUseFloatFields() const { return useFloatFields; }
    void SetUseFloatFields(bool v) { useFloatFields = v; }
    QString GetVersion() const;
    void SetVersion(const QString&) {}

    TDbfCompareRecordEvent OnCompareRecord;
    TDbfCopyDateTimeAsStringEvent OnCopyDateTimeAsString;
    TLanguageWarningEvent OnLanguageWarning;
    TDbfLocaleErrorEvent OnLocaleError;
    TDbfIndexMissingEvent OnIndexMissing;
    TDbfIndexDroppedEvent OnIndexDropped;
    TTranslateEvent OnTranslate;

    // --- public
    int GetTableLevel() const { return tableLevel; }
    void SetTableLevel(int v) { tableLevel = v; }
    // Together these two make CreateTable store date-time fields as text.
    bool CopyDateTimeAsString = false;
    bool CreateDateTimeAsString = false;
    // Skips the first re-synchronisation after a post.
    bool DisableResyncOnPost = false;

    void CreateTable();
    void CreateTableEx(const TDbfFieldDefs* dbfFieldDefs);
    TDbfFile* GetDbfFile() const { return dbfFile.get(); }
    TDbfTranslationMode GetTranslationMode() const { return translationMode; }
    // Index ranges over the current tag (see the index cursor).
    void SetRange(const Variant& LowValue, const Variant& HighValue);
    void CancelRange();

    // --- TDataSet
    bool CanModify() const override;
    int GetRecordCount() const override;
    int GetRecNo() const override;
    void SetRecNo(int Value) override;
    int CompareBookmarks(const TBookmark& Bookmark1, const TBookmark& Bookmark2) const override;
    bool BookmarkValid(const TBookmark& Bookmark) const override;
    int Translate(const char* Src, char* Dest, bool ToOem) override;
    bool Locate(const QString& KeyFields, const Variant& KeyValues,
                TLocateOptions Options) override;
    void Resync(TResyncMode Mode) override;
    bool GetFieldData(TField* Field, void* Buffer) override;
    bool FieldTextView(TField* Field, const char*& Data, int& Length) override;
    void SetFieldData(TField* Field, const void* Buffer) override;
    TDataSource* GetDataSource() const override { return GetMasterSource(); }

    // Whole values between the program's code page and the table's (ToOem: towards the table).
    QByteArray TranslateBytes(const QByteArray& bytes, bool ToOem);

protected:
    TRecordBuffer AllocRecordBuffer() override;
    void FreeRecordBuffer(TRecordBuffer& Buffer) override;
    TGetResult GetRecord(TRecordBuffer Buffer, TGetMode GetMode, bool DoCheck) override;
    int GetRecordSize() const override;
    void GetBookmarkData(TRecordBuffer Buffer, TBookmark& Data) const override;
    void SetBookmarkData(TRecordBuffer Buffer, const TBookmark& Data) override;
    TBookmarkFlag GetBookmarkFlag(TRecordBuffer Buffer) const override;
    void SetBookmarkFlag(TRecordBuffer Buffer, TBookmarkFlag Value) override;
    bool IsCursorOpen() const override { return cursor != nullptr; }
    void InternalOpen() override;
    void InternalClose() override;
    void InternalInitFieldDefs() override;
    void InternalInitRecord(TRecordBuffer Buffer) override;
    void InternalFirst() override;
    void InternalLast() override;
    void InternalPost() override;
    void InternalDelete() override;
    void InternalEdit() override;
    void InternalCancel() override;
    void InternalAddRecord(TRecordBuffer, bool) override {}
    void InternalGotoBookmark(const TBookmark& Bookmark) override;
    void InternalSetToRecord(TRecordBuffer Buffer) override;
    void ClearCalcFields(TRecordBuffer Buffer) override;
    bool TranslateKeepsAscii() const override;
    QByteArray ReadBlob(TField* Field) override;
    void WriteBlob(TField* Field, const QByteArray& Bytes) override;
    bool TranslateKeepsText() const override;

private:
    friend class TDbfMasterLink;
    static constexpr int InfoSize = 5; // u32 record number, u8 bookmark flag
    static uint32_t recNoOf(TRecordBuffer b);
    int memoBlockOf(TField* Field);
    QString fullTableName() const;
    TPagedFileMode openFileMode() const;
    void decideTranslation();
    void applyIndexName();
    void masterChanged();
    void masterDisabled();

    std::unique_ptr<TDbfFile> dbfFile;
    std::unique_ptr<TVirtualCursor> cursor;
    TIndexFile* indexFile = nullptr;
    std::unique_ptr<TDbfIndexDefs> indexDefs;
    std::unique_ptr<TDbfMasterLink> masterLink;
    TDateTimeHandling dateTimeHandling = dtBDETimeStamp;
    bool exclusive = false;
    QString filePath;
    QString absolutePath;
    QString indexName;
    TDbfOpenMode openMode = omNormal;
    bool readOnly = false;
    bool showDeleted = false;
    TDbfStorage storage = stoFile;
    QString tableName;
    bool useFloatFields = true;
    int tableLevel = 4;
    int editingRecNo = -1;
    TDbfTranslationMode translationMode = tmNone;
    int tableCodePage = 0;
    bool justPosted = false;
    // Set for the re-synchronisation that follows a post (see GetRecord).
    bool resyncAfterPost = false;
    // Where each field's bytes sit in a record (by FieldNo - 1; Size -1 for a binary field).
    struct TFieldSpan {
        int Offset = 0;
        int Size = -1;
    };
    std::vector<TFieldSpan> fieldSpans;
    // Byte tables of single-byte code pages (empty for a double-byte one).
    QByteArray toTable, fromTable;
    // Both tables map every byte below 0x80 to itself.
    bool tablesKeepAscii = false;
};
