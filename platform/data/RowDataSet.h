// The common part of the datasets that hold their rows in memory (the in-memory dataset and the
// Firebird datasets): rows in display order, each with an id given once that is its bookmark,
// a position cache from ids to rows, and record buffers that begin with a TRowHeader followed
// by the descendant's data area.
//
// Row is the descendant's row type; it has `uint32_t id` and `QByteArray data` (dataSize bytes).
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
        int p1 = Bookmark1.size() == 4 ? positionOf(bookmarkId(Bookmark1)) : -1;
        int p2 = Bookmark2.size() == 4 ? positionOf(bookmarkId(Bookmark2)) : -1;
        if (p1 < 0 && p2 < 0) return 0;
        if (p1 < 0) return 1;
        if (p2 < 0) return -1;
        return p1 < p2 ? -1 : (p1 > p2 ? 1 : 0);
    }

protected:
    static constexpr int HeaderSize = int(sizeof(TRowHeader));
    static TRowHeader* header(TRecordBuffer Buffer) {
        return reinterpret_cast<TRowHeader*>(Buffer);
    }
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
        int p = Bookmark.size() == 4 ? positionOf(bookmarkId(Bookmark)) : -1;
        if (p < 0) DatabaseError(QString::fromUtf8(SBookmarkNotFound), this);
        cursor = p;
    }
    void InternalSetToRecord(TRecordBuffer Buffer) override {
        int p = positionOf(header(Buffer)->id);
        if (p >= 0) cursor = p;
    }

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
    Row& appendRow(std::unique_ptr<Row> R) {
        R->id = nextId++;
        if (positionsValid) positions[R->id] = int(rows.size());
        rows.push_back(std::move(R));
        return *rows.back();
    }
    // Inserts a row at a position with a new id.
    Row& insertRow(int Position, std::unique_ptr<Row> R) {
        R->id = nextId++;
        rows.insert(rows.begin() + Position, std::move(R));
        positionsValid = false;
        return *rows[size_t(Position)];
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

private:
    mutable std::unordered_map<uint32_t, int> positions;
    mutable bool positionsValid = false;
    uint32_t nextId = 1;
};
