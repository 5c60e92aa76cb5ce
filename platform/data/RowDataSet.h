// The common part of the datasets that hold their rows in memory (the in-memory dataset and the
// Firebird datasets): rows in display order, each with an id given once that is its bookmark,
// a position cache from ids to rows, and record buffers that begin with a TRowHeader followed
// by the descendant's data area.
//
// Row is the descendant's row type; it has `uint32_t id` and `QByteArray data` (dataSize bytes).
// The data area holds, per field def, a null flag byte followed by the slot of the native value
// (the descendant gives the slot sizes to layoutSlots at open).
// A bookmark is the row's id (4 bytes). Bookmarks of rows that are gone, and empty ones, sort
// after every row.
#pragma once

#include "DB.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <unordered_map>
#include <vector>

// The head of a record buffer: the row's id, the bookmark flag and a byte the descendant may use
// (the Firebird datasets keep the row's update status there).
struct TRowHeader {
    uint32_t id;
    uint8_t flag;
    uint8_t status;
    uint16_t pad;
};

template <class Row> class TRowDataSet : public TDataSet {
public:
    using TDataSet::TDataSet;

    int CompareBookmarks(const TBookmark& Bookmark1, const TBookmark& Bookmark2) const override {
        int p1 = positionOf(bookmarkId(Bookmark1));
        int p2 = positionOf(bookmarkId(Bookmark2));
        if (p1 < 0 && p2 < 0) return 0;
        if (p1 < 0) return 1;
        if (p2 < 0) return -1;
        return p1 < p2 ? -1 : (p1 > p2 ? 1 : 0);
    }

    bool GetFieldData(TField* Field, void* Buffer) override {
        if (Field->GetFieldKind() == fkCalculated || Field->GetFieldKind() == fkLookup)
            return GetCalcFieldData(Field, Buffer);
        TRecordBuffer rec = GetActiveRecBuf();
        if (!rec) return false;
        const char* p = fieldPtr(rec, Field);
        if (p[0] == 0) return false;
        if (Field->IsBlob()) return true;
        if (Buffer) {
            int n = std::min(slotSize(Field), Field->GetDataSize());
            std::memcpy(Buffer, p + 1, size_t(n));
            if (n < Field->GetDataSize())
                std::memset(static_cast<char*>(Buffer) + n, 0, size_t(Field->GetDataSize() - n));
        }
        return true;
    }

    void SetFieldData(TField* Field, const void* Buffer) override {
        if (Field->GetFieldKind() == fkCalculated || Field->GetFieldKind() == fkLookup) {
            SetCalcFieldData(Field, Buffer);
            NotifyFieldChange(Field);
            return;
        }
        TRecordBuffer rec = GetActiveRecBuf();
        if (!rec) return;
        char* p = fieldPtr(rec, Field);
        int slot = slotSize(Field);
        if (Buffer && !Field->IsBlob()) {
            TFieldType type = Field->GetDataType();
            p[0] = 1;
            std::memset(p + 1, 0, size_t(slot));
            std::memcpy(p + 1, Buffer, size_t(std::min(slot, Field->GetDataSize())));
            // keep the terminator when the field is wider than the slot
            if ((type == ftString || type == ftFixedChar || type == ftGuid) && slot > 0)
                p[slot] = 0;
            if (type == ftWideString && slot > 1) p[slot] = p[slot - 1] = 0;
        } else {
            std::memset(p, 0, size_t(slot) + 1);
        }
        NotifyFieldChange(Field);
    }

protected:
    static constexpr int HeaderSize = int(sizeof(TRowHeader));
    static TRowHeader* header(TRecordBuffer Buffer) {
        return reinterpret_cast<TRowHeader*>(Buffer);
    }
    // The row id of a bookmark; 0, which no row has, for one that is not 4 bytes long.
    static uint32_t bookmarkId(const TBookmark& Bookmark) {
        uint32_t id = 0;
        if (Bookmark.size() == 4) std::memcpy(&id, Bookmark.constData(), 4);
        return id;
    }
    static TBookmark bookmarkOf(const Row& R) {
        return TBookmark(reinterpret_cast<const char*>(&R.id), 4);
    }

    // --- the record-buffer protocol
    TRecordBuffer AllocRecordBuffer() override {
        size_t size = size_t(std::max(bufferSize, HeaderSize));
        auto* b = new char[size];
        std::memset(b, 0, size);
        return b;
    }
    void FreeRecordBuffer(TRecordBuffer& Buffer) override {
        delete[] Buffer;
        Buffer = nullptr;
    }
    void GetBookmarkData(TRecordBuffer Buffer, TBookmark& Data) const override {
        Data = TBookmark(reinterpret_cast<const char*>(&header(Buffer)->id), 4);
    }
    void SetBookmarkData(TRecordBuffer Buffer, const TBookmark& Data) override {
        header(Buffer)->id = bookmarkId(Data);
    }
    TBookmarkFlag GetBookmarkFlag(TRecordBuffer Buffer) const override {
        return TBookmarkFlag(header(Buffer)->flag);
    }
    void SetBookmarkFlag(TRecordBuffer Buffer, TBookmarkFlag Value) override {
        header(Buffer)->flag = uint8_t(Value);
    }
    void InternalGotoBookmark(const TBookmark& Bookmark) override {
        int p = positionOf(bookmarkId(Bookmark));
        if (p < 0) DatabaseError(QString::fromUtf8(SBookmarkNotFound), this);
        cursor = p;
    }
    void InternalSetToRecord(TRecordBuffer Buffer) override {
        int p = positionOf(header(Buffer)->id);
        if (p >= 0) cursor = p;
    }

    // --- blob values: the slot holds a flag and the id of the value in the subclass's store
    QByteArray ReadBlob(TField* Field) override {
        TRecordBuffer rec = GetActiveRecBuf();
        if (!rec) return QByteArray();
        const char* p = fieldPtr(rec, Field);
        if (!p[0]) return QByteArray();
        int32_t id;
        std::memcpy(&id, p + 1, 4);
        return id ? blobValue(id) : QByteArray();
    }
    void WriteBlob(TField* Field, const QByteArray& Bytes) override {
        TRecordBuffer rec = GetActiveRecBuf();
        if (!rec) return;
        char* p = fieldPtr(rec, Field);
        if (Bytes.isEmpty()) {
            std::memset(p, 0, 5);
            return;
        }
        const int32_t id = storeBlob(Bytes);
        p[0] = 1;
        std::memcpy(p + 1, &id, 4);
    }
    // The value stored under an id, and a new id for a value.
    virtual QByteArray blobValue(int32_t Id) = 0;
    virtual int32_t storeBlob(const QByteArray& Bytes) = 0;

    // --- the data area
    // Lays out the data area from the slot size of each field def and sizes the buffers.
    template <class SlotOf> void layoutSlots(SlotOf&& slotOf) {
        TFieldDefs* defs = GetFieldDefs();
        fieldOffsets.assign(size_t(defs->Count()), 0);
        slotSizes.assign(size_t(defs->Count()), 0);
        int offset = 0;
        for (int i = 0; i < defs->Count(); ++i) {
            fieldOffsets[size_t(i)] = offset;
            slotSizes[size_t(i)] = slotOf(defs->GetItems(i));
            offset += 1 + slotSizes[size_t(i)];
        }
        dataSize = offset;
        CalcFieldsOffset = HeaderSize + dataSize;
        bufferSize = CalcFieldsOffset + GetCalcFieldsSize();
    }
    // The null flag of a data field in a record buffer, its value after it.
    char* fieldPtr(TRecordBuffer Buffer, TField* Field) const {
        int no = Field->GetFieldNo();
        if (no < 1 || no > int(fieldOffsets.size()))
            DatabaseErrorFmt(QString::fromUtf8(SFieldNotFound), {Field->GetDisplayName()},
                             const_cast<TRowDataSet*>(this));
        return Buffer + HeaderSize + fieldOffsets[size_t(no - 1)];
    }
    int slotSize(TField* Field) const { return slotSizes[size_t(Field->GetFieldNo() - 1)]; }

    // --- rows
    // Position of the row with that id, -1 when there is none.
    int positionOf(uint32_t Id) const {
        if (!positionsValid) {
            positions.clear();
            for (size_t i = 0; i < rows.size(); ++i)
                positions[rows[i]->id] = int(i);
            positionsValid = true;
        }
        auto it = positions.find(Id);
        return it == positions.end() ? -1 : it->second;
    }
    // Call after rows were inserted, removed or reordered anywhere but at the end.
    void rowsMoved() { positionsValid = false; }
    // Adds a row at the end with a new id.
    void appendRow(std::unique_ptr<Row> R) {
        R->id = nextId++;
        if (positionsValid) positions[R->id] = int(rows.size());
        rows.push_back(std::move(R));
    }
    // Inserts a row at a position with a new id.
    void insertRow(int Position, std::unique_ptr<Row> R) {
        R->id = nextId++;
        rows.insert(rows.begin() + Position, std::move(R));
        positionsValid = false;
    }
    void clearRows() {
        rows.clear();
        positions.clear();
        positionsValid = false;
        cursor = -1;
    }
    // Copies a row into a record buffer as the current record.
    void fillBuffer(TRecordBuffer Buffer, int Position) const {
        const Row& r = *rows[size_t(Position)];
        header(Buffer)->id = r.id;
        header(Buffer)->flag = bfCurrent;
        std::memcpy(Buffer + HeaderSize, r.data.constData(), size_t(dataSize));
    }

    std::vector<std::unique_ptr<Row>> rows;
    int cursor = -1; // -1: before the first row; rows.size(): after the last
    int dataSize = 0;
    int bufferSize = 0;
    std::vector<int> fieldOffsets; // by FieldNo - 1: offset of the null flag in the data area
    std::vector<int> slotSizes;    // by FieldNo - 1: bytes of the value

private:
    mutable std::unordered_map<uint32_t, int> positions;
    mutable bool positionsValid = false;
    uint32_t nextId = 1;
};
