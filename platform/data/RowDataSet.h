// The common part of the datasets that hold their rows in memory (the in-memory dataset and the
// Firebird datasets): rows in display order, each with an id given once that is its bookmark,
// a position cache from ids to rows, and record buffers that begin with a TRowHeader followed
// by the descendant's data area.
//
// Row is the descendant's row type; it has `uint32_t id` and `QByteArray data`, the row packed.
// The data area of a record buffer holds, per field def, a null flag byte followed by the slot
// of the native value (the descendant gives the slot sizes to layoutSlots at open). A row is
// kept packed, at the length of its values rather than the width of its slots: a bit per field
// def (set: the field has a value), then each value in field order: text (a zero-terminated
// slot) as its length (7 bits a byte, low first) and its bytes, anything else as its whole slot.
// A bookmark is the row's id (4 bytes). Bookmarks of rows that are gone, and empty ones, sort
// after every row. Rows appended in turn have ids in turn, so a row's position is found from its
// id at once; after inserts and deletes elsewhere a map from ids to positions is built again.
#pragma once

#include "DB.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <sys/mman.h>
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
    // The rows go before the blocks some of them sit in.
    ~TRowDataSet() override { rows.clear(); }

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

    bool FieldTextView(TField* Field, const char*& Data, int& Length) override {
        // a data field over a text slot; anything else is read through GetFieldData
        const int no = Field->GetFieldNo();
        if (no < 1 || no > int(textSlots.size()) || !textSlots[size_t(no - 1)] ||
            Field->GetFieldKind() == fkCalculated || Field->GetFieldKind() == fkLookup ||
            Field->IsBlob())
            return false;
        TRecordBuffer rec = GetActiveRecBuf();
        const char* p = rec ? rec + HeaderSize + fieldOffsets[size_t(no - 1)] : nullptr;
        if (!p || p[0] == 0) {
            Data = nullptr;
            return true;
        }
        // the text ends at its first zero, as a copied one does
        const int n = std::min(slotSizes[size_t(no - 1)], Field->GetDataSize());
        Data = p + 1;
        Length = int(strnlen(Data, size_t(std::max(n, 0))));
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

    // Whether Translate gave every byte back as it was, both ways, when the dataset opened
    // (the rows hold text as the fields give it; a descendant may still translate).
    bool TranslateKeepsText() const override { return translateKeepsText; }

protected:
    static constexpr int HeaderSize = int(sizeof(TRowHeader));
    // The owner of a row in the row list, one pointer wide: a row from the heap is deleted,
    // one made in the blocks (bit 0 set; rows are aligned wider) only destroyed.
    class RowPtr {
    public:
        RowPtr() = default;
        RowPtr(Row* R, bool InBlock) : bits(reinterpret_cast<uintptr_t>(R) | (InBlock ? 1u : 0u)) {}
        RowPtr(RowPtr&& Other) noexcept : bits(Other.bits) { Other.bits = 0; }
        RowPtr& operator=(RowPtr&& Other) noexcept {
            if (this != &Other) {
                reset();
                bits = Other.bits;
                Other.bits = 0;
            }
            return *this;
        }
        RowPtr(const RowPtr&) = delete;
        RowPtr& operator=(const RowPtr&) = delete;
        ~RowPtr() { reset(); }
        Row* get() const { return reinterpret_cast<Row*>(bits & ~uintptr_t(1)); }
        Row* operator->() const { return get(); }
        Row& operator*() const { return *get(); }

    private:
        static_assert(alignof(Row) > 1);
        void reset() {
            if (Row* r = get()) {
                if (bits & 1)
                    r->~Row();
                else
                    delete r;
            }
            bits = 0;
        }
        uintptr_t bits = 0;
    };

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
        textSlots.assign(size_t(defs->Count()), 0);
        int offset = 0;
        for (int i = 0; i < defs->Count(); ++i) {
            TFieldDef* d = defs->GetItems(i);
            fieldOffsets[size_t(i)] = offset;
            slotSizes[size_t(i)] = slotOf(d);
            TFieldType type = d->GetDataType();
            textSlots[size_t(i)] = (type == ftString || type == ftFixedChar || type == ftGuid) &&
                                   slotSizes[size_t(i)] > 0;
            offset += 1 + slotSizes[size_t(i)];
        }
        dataSize = offset;
        CalcFieldsOffset = HeaderSize + dataSize;
        bufferSize = CalcFieldsOffset + GetCalcFieldsSize();
        translateKeepsText = probeTranslate();
    }
    // True when Translate gives each of the 255 byte values back unchanged, both ways.
    bool probeTranslate() {
        char bytes[256];
        for (int i = 0; i < 255; ++i)
            bytes[i] = char(i + 1);
        bytes[255] = 0;
        for (bool toOem : {false, true}) {
            char out[600] = {};
            Translate(bytes, out, toOem);
            if (std::memcmp(out, bytes, sizeof bytes) != 0) return false;
        }
        return true;
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

    // --- packed rows
    // Writes one packed row, field by field in field order (a field not written is null).
    // InBlock writes it straight into the blocks that live until clearRows, for rows that are
    // many and seldom changed (fetched ones): no allocation and no copy of their own; nothing
    // else may take room in the blocks until Finish. Other rows own their bytes.
    class Packer {
    public:
        explicit Packer(const TRowDataSet& ADataSet, bool InBlock = false)
            : ds(ADataSet), inBlock(InBlock) {
            const int count = int(ADataSet.fieldOffsets.size());
            const int maskBytes = (count + 7) / 8;
            // a length takes at most 3 bytes (slots are below 2 MiB)
            reserved = qsizetype(maskBytes + ds.dataSize + 3 * count);
            if (InBlock) {
                out = ds.inBlock(reserved, 1);
            } else {
                ds.packScratch.resize(size_t(reserved));
                out = ds.packScratch.data();
            }
            std::memset(out, 0, size_t(maskBytes));
            p = out + maskBytes;
        }
        void Null(int) {}
        // The slot of field i, to be filled with its native value.
        char* Value(int i) {
            present(i);
            char* v = p;
            p += ds.slotSizes[size_t(i)];
            return v;
        }
        // Text of a text slot (at most the slot's length less its terminator).
        void Text(int i, const char* Bytes, int Length) {
            present(i);
            auto v = uint32_t(std::clamp(Length, 0, ds.slotSizes[size_t(i)] - 1));
            const uint32_t length = v;
            while (v >= 0x80) {
                *p++ = char(v | 0x80);
                v >>= 7;
            }
            *p++ = char(v);
            std::memcpy(p, Bytes, length);
            p += length;
        }
        // The packed row; in the blocks, what it did not take of its room is given back.
        QByteArray Finish() {
            const qsizetype size = p - out;
            if (!inBlock) return QByteArray(out, size);
            ds.blockUsed -= reserved - size;
            return QByteArray::fromRawData(out, size);
        }

    private:
        void present(int i) { out[i >> 3] = char(out[i >> 3] | (1 << (i & 7))); }
        const TRowDataSet& ds;
        bool inBlock;
        qsizetype reserved = 0;
        char* out;
        char* p;
    };

    // A row packed from a data area (text slots read up to their terminator).
    QByteArray packArea(const char* Area) const {
        Packer w(*this);
        for (int i = 0; i < int(fieldOffsets.size()); ++i) {
            const char* f = Area + fieldOffsets[size_t(i)];
            if (f[0] == 0) continue;
            const int slot = slotSizes[size_t(i)];
            if (textSlots[size_t(i)])
                w.Text(i, f + 1, int(strnlen(f + 1, size_t(slot))));
            else
                std::memcpy(w.Value(i), f + 1, size_t(slot));
        }
        return w.Finish();
    }
    // Fills a data area (dataSize bytes) from a packed row. Only what is read is written: the
    // flag of every field, the value of each present one and a text's terminator (every reader
    // of a slot looks at its flag first and reads a text up to its terminator).
    void unpackArea(const QByteArray& Packed, char* Area) const {
        const int n = int(fieldOffsets.size());
        const auto* mask = reinterpret_cast<const uint8_t*>(Packed.constData());
        const char* p = Packed.constData() + (n + 7) / 8;
        const int* offsets = fieldOffsets.data();
        const int* sizes = slotSizes.data();
        const uint8_t* texts = textSlots.data();
        for (int i = 0; i < n; ++i) {
            char* f = Area + offsets[i];
            if ((mask[i >> 3] & (1 << (i & 7))) == 0) {
                f[0] = 0;
                continue;
            }
            f[0] = 1;
            if (texts[i]) {
                uint32_t len = uint8_t(*p++);
                if (len >= 0x80) {
                    len &= 0x7F;
                    for (int shift = 7;; shift += 7) {
                        const auto b = uint8_t(*p++);
                        len |= uint32_t(b & 0x7F) << shift;
                        if (b < 0x80) break;
                    }
                }
                std::memcpy(f + 1, p, len);
                f[1 + len] = 0;
                p += len;
            } else {
                std::memcpy(f + 1, p, size_t(sizes[i]));
                p += sizes[i];
            }
        }
    }
    // The data area of a packed row.
    QByteArray areaOf(const QByteArray& Packed) const {
        QByteArray area(dataSize, Qt::Uninitialized);
        unpackArea(Packed, area.data());
        return area;
    }

    // --- rows
    // Position of the row with that id, -1 when there is none.
    int positionOf(uint32_t Id) const {
        if (!idsInTurn && !positionsValid) {
            // rows moved: they may be in turn again, else a map is needed
            idsInTurn = true;
            for (size_t i = 1; i < rows.size() && idsInTurn; ++i)
                idsInTurn = rows[i]->id == rows[i - 1]->id + 1;
            positions.clear();
            if (!idsInTurn)
                for (size_t i = 0; i < rows.size(); ++i)
                    positions[rows[i]->id] = int(i);
            positionsValid = !idsInTurn;
        }
        if (idsInTurn) {
            if (rows.empty() || Id < rows.front()->id) return -1;
            const uint32_t at = Id - rows.front()->id;
            return at < rows.size() ? int(at) : -1;
        }
        auto it = positions.find(Id);
        return it == positions.end() ? -1 : it->second;
    }
    // Call after rows were inserted, removed or reordered anywhere but at the end.
    void rowsMoved() {
        idsInTurn = false;
        positionsValid = false;
    }
    // A row made in the blocks (for fetched rows: no allocation of its own); it goes with
    // clearRows.
    RowPtr newRowInBlock() {
        return RowPtr(new (inBlock(qsizetype(sizeof(Row)), qsizetype(alignof(Row)))) Row(), true);
    }
    // Adds a row at the end with a new id. The row list grows by at least Chunk rows at a time,
    // doubling when that is more (each growth moves the list into memory touched anew).
    void appendRow(std::unique_ptr<Row> R, int Chunk = 0) {
        appendRow(RowPtr(R.release(), false), Chunk);
    }
    void appendRow(RowPtr R, int Chunk = 0) {
        R->id = nextId++;
        if (idsInTurn && !rows.empty() && rows.back()->id + 1 != R->id)
            rowsMoved();
        else if (!idsInTurn && positionsValid)
            positions[R->id] = int(rows.size());
        if (rows.size() == rows.capacity() && Chunk > 0)
            rows.reserve(rows.size() + std::max(size_t(Chunk), rows.size()));
        rows.push_back(std::move(R));
    }
    // Inserts a row at a position with a new id.
    void insertRow(int Position, std::unique_ptr<Row> R) {
        R->id = nextId++;
        rows.insert(rows.begin() + Position, RowPtr(R.release(), false));
        rowsMoved();
    }
    void eraseRow(int Position) {
        const bool last = Position == int(rows.size()) - 1;
        if (last && !idsInTurn && positionsValid) positions.erase(rows.back()->id);
        rows.erase(rows.begin() + Position);
        if (!last) rowsMoved();
    }
    void clearRows() {
        rows.clear();
        rows.shrink_to_fit();
        blocks.clear();
        blockUsed = 0;
        blockSize = 0;
        positions.clear();
        positionsValid = false;
        idsInTurn = true;
        cursor = -1;
    }
    // Copies a row into a record buffer as the current record.
    void fillBuffer(TRecordBuffer Buffer, int Position) const {
        const Row& r = *rows[size_t(Position)];
        header(Buffer)->id = r.id;
        header(Buffer)->flag = bfCurrent;
        unpackArea(r.data, Buffer + HeaderSize);
    }

    std::vector<RowPtr> rows;
    int cursor = -1; // -1: before the first row; rows.size(): after the last
    int dataSize = 0;
    int bufferSize = 0;
    std::vector<int> fieldOffsets;  // by FieldNo - 1: offset of the null flag in the data area
    std::vector<int> slotSizes;     // by FieldNo - 1: bytes of the value
    std::vector<uint8_t> textSlots; // by FieldNo - 1: the slot holds zero-terminated text

private:
    // While rows are in turn (each id one more than the one before) a position is worked out
    // from the id; otherwise the map holds them (when valid).
    mutable std::unordered_map<uint32_t, int> positions;
    mutable bool positionsValid = false;
    mutable bool idsInTurn = true;
    bool translateKeepsText = false;
    mutable std::vector<char> packScratch;
    // Blocks of packed rows: 64 KiB first, each one twice the last up to 2 MiB; those of 2 MiB
    // are mapped on their own, aligned, and asked to sit on a huge page where the system has
    // them (one page fault instead of 512 when many rows are fetched).
    static constexpr qsizetype HugeBlock = 2 * 1024 * 1024;
    struct FreeBlock {
        qsizetype mapped = 0; // bytes mapped, 0 for a block from malloc
        void operator()(char* p) const {
            if (mapped)
                munmap(p, size_t(mapped));
            else
                std::free(p);
        }
    };
    static char* mapHugeBlock() {
        const size_t twice = 2 * size_t(HugeBlock);
        void* m = mmap(nullptr, twice, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (m == MAP_FAILED) return nullptr;
        // keep the aligned 2 MiB inside, give back the rest
        const auto start = reinterpret_cast<uintptr_t>(m);
        const uintptr_t aligned = (start + size_t(HugeBlock) - 1) & ~(uintptr_t(HugeBlock) - 1);
        if (aligned > start) munmap(m, aligned - start);
        const uintptr_t end = start + twice, alignedEnd = aligned + size_t(HugeBlock);
        if (end > alignedEnd) munmap(reinterpret_cast<void*>(alignedEnd), end - alignedEnd);
        madvise(reinterpret_cast<void*>(aligned), size_t(HugeBlock), MADV_HUGEPAGE);
        return reinterpret_cast<char*>(aligned);
    }
    void newBlock(qsizetype AtLeast) const {
        constexpr qsizetype First = 64 * 1024;
        blockSize = std::max(AtLeast, blocks.empty() ? First : std::min(2 * blockSize, HugeBlock));
        if (blockSize == HugeBlock)
            if (char* p = mapHugeBlock()) {
                blocks.emplace_back(p, FreeBlock{HugeBlock});
                blockUsed = 0;
                return;
            }
        char* p = static_cast<char*>(std::malloc(size_t(blockSize)));
        if (!p) throw std::bad_alloc();
        blocks.emplace_back(p, FreeBlock{});
        blockUsed = 0;
    }
    // Size bytes at Align in the current block, a new block when they do not fit.
    char* inBlock(qsizetype Size, qsizetype Align) const {
        qsizetype at = (blockUsed + Align - 1) / Align * Align;
        if (blocks.empty() || at + Size > blockSize) {
            newBlock(Size);
            at = 0;
        }
        blockUsed = at + Size;
        return blocks.back().get() + at;
    }
    mutable std::vector<std::unique_ptr<char, FreeBlock>> blocks;
    mutable qsizetype blockUsed = 0;
    mutable qsizetype blockSize = 0;
    uint32_t nextId = 1;
};
