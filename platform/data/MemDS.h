// An in-memory dataset on the record-buffer protocol: a local table made from field
// definitions (or from persistent fields), with stable bookmarks, editing, filters, Locate and
// master-detail. It serves tests of every layer and any place that needs a local table.
//
//   TMemDataSet ds(nullptr);
//   ds.GetFieldDefs()->Add("TAB", ftString, 5, true);
//   ds.GetFieldDefs()->Add("OKLAD", ftBCD, 2);       // Size = decimals
//   ds.Open();                                       // or CreateDataSet()
//   ds.AppendRecord({"00001", 1234.5});
//
// Records keep their order; Insert puts the new record before the current one, Append at the
// end. Each record has a number given once (never reused) that is its bookmark, so bookmarks
// survive deletes and inserts elsewhere and compare in record order. RecNo is the position
// among the records that pass the filter and the master range; with Sequenced off the dataset
// says it has no record numbers (RecNo -1, IsSequenced false), as a server cursor would.
// The rows stay while the dataset is closed and reopened; EmptyTable removes them, and a
// change of the field layout drops them at the next open.
//
// Master-detail: with MasterSource set, only the records whose DetailFields (default: the
// names of MasterFields) equal the master's MasterFields values are seen; the detail follows
// the master's scrolls and edits of those fields. A new detail record gets the master's
// values in its detail fields.
//
// Filter (text and OnFilterRecord) as TDataSet describes it.
#pragma once

#include "RowDataSet.h"

#include <memory>
#include <unordered_map>
#include <vector>

// A stored record: its id and its values, packed (RowDataSet.h).
struct TMemRow {
    uint32_t id = 0;
    QByteArray data;
};

class TMemDataSet : public TRowDataSet<TMemRow> {
    KADRION_CLASS(TMemDataSet)
    explicit TMemDataSet(TComponent* AOwner);
    ~TMemDataSet() override;

    // Opens the dataset (FieldDefs, or the persistent fields' definitions, give the layout).
    void CreateDataSet() { Open(); }
    // Deletes every record (open or closed).
    void EmptyTable();
    // Records stored, regardless of filter and master range.
    int StoredRecordCount() const { return int(rows.size()); }

    bool GetSequenced() const { return sequenced; }
    void SetSequenced(bool Value) { sequenced = Value; }
    bool GetReadOnly() const { return readOnly; }
    void SetReadOnly(bool Value);

    TDataSource* GetMasterSource() const { return masterLink->GetDataSource(); }
    // "Circular datalinks are not allowed" when Value leads back to this dataset.
    void SetMasterSource(TDataSource* Value);
    QString GetMasterFields() const { return masterLink->GetFieldNames(); }
    void SetMasterFields(const QString& Value);
    QString GetDetailFields() const { return detailFields; }
    void SetDetailFields(const QString& Value);
    TDataSource* GetDataSource() const override { return GetMasterSource(); }

    bool CanModify() const override { return !readOnly; }
    int GetRecordCount() const override;
    int GetRecNo() const override;
    void SetRecNo(int Value) override;
    bool IsSequenced() const override { return sequenced; }
    bool BookmarkValid(const TBookmark& Bookmark) const override;

protected:
    QByteArray blobValue(int32_t Id) override;
    int32_t storeBlob(const QByteArray& Bytes) override;
    TGetResult GetRecord(TRecordBuffer Buffer, TGetMode GetMode, bool DoCheck) override;
    int GetRecordSize() const override { return dataSize; }
    bool IsCursorOpen() const override { return cursorOpen; }
    void InternalOpen() override;
    void InternalClose() override;
    void InternalInitFieldDefs() override;
    void InternalInitRecord(TRecordBuffer Buffer) override;
    void InternalFirst() override;
    void InternalLast() override;
    void InternalPost() override;
    void InternalDelete() override;
    void InternalCancel() override;
    void InternalEdit() override;
    void DoOnNewRecord() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    bool accepts(int Position, TRecordBuffer Buffer);
    bool inMasterRange(TRecordBuffer Buffer);
    bool hasRange() const;
    int visibleBefore(int Position) const;
    void masterChanged(TObject* Sender);
    void masterDisabled(TObject* Sender);
    std::vector<int32_t> blobIds(const QByteArray& Data) const;
    void releaseBlobs(const std::vector<int32_t>& Ids, const QByteArray* Keep);
    QByteArray layoutSignature() const;

    std::unordered_map<int32_t, QByteArray> blobs;
    std::vector<int32_t> editBlobs; // blobs made during the current edit
    int32_t nextBlob = 1;
    TRecordBuffer scratch = nullptr;
    QByteArray storedLayout;
    bool cursorOpen = false;
    bool sequenced = true;
    bool readOnly = false;
    std::unique_ptr<TMasterDataLink> masterLink;
    QString detailFields;
};
