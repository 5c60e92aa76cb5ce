// The in-memory dataset.
#include "MemDS.h"

#include <algorithm>
#include <cstring>
#include <set>

namespace {

// Bytes of a stored value of the definition's type (blobs keep a 4-byte blob number).
int nativeSize(const TFieldDef* d) {
    int size = d->GetSize();
    switch (d->GetDataType()) {
    case ftString:
    case ftFixedChar:
        return std::max(size, 0) + 1;
    case ftGuid:
        return (size > 0 ? size : 38) + 1;
    case ftWideString:
        return (std::max(size, 0) + 1) * 2;
    case ftSmallint:
    case ftWord:
    case ftBoolean:
        return 2;
    case ftInteger:
    case ftAutoInc:
        return 4;
    case ftLargeint:
    case ftFloat:
    case ftCurrency:
    case ftBCD:
    case ftDate:
    case ftTime:
    case ftDateTime:
        return 8;
    case ftBytes:
        return std::max(size, 0);
    case ftVarBytes:
        return std::max(size, 0) + 2;
    default:
        return IsBlobType(d->GetDataType()) ? 4 : 0;
    }
}

} // namespace

// A blob of the current record as a memory stream; a writing stream stores its bytes into the
// record buffer when it is deleted (an empty blob is stored as null).
TMemDataSet::TMemDataSet(TComponent* AOwner)
    : TRowDataSet(AOwner), masterLink(std::make_unique<TMasterDataLink>(this)) {
    masterLink->OnMasterChange = [this](TObject*) { masterChanged(nullptr); };
    masterLink->OnMasterDisable = [this](TObject*) { masterDisabled(nullptr); };
}

TMemDataSet::~TMemDataSet() {
    Destroying();
    // A handler that raises while the dataset closes must not end the program: it closes
    // anyway, as the other datasets do.
    try {
        Close();
    } catch (...) {
    }
    masterLink.reset();
}

void TMemDataSet::Notification(TComponent* AComponent, TOperation Operation) {
    TDataSet::Notification(AComponent, Operation);
    if (Operation == opRemove && masterLink && AComponent == masterLink->GetDataSource())
        masterLink->SetDataSource(nullptr);
}

// ---- layout -------------------------------------------------------------------------------------

QByteArray TMemDataSet::layoutSignature() const {
    QByteArray sig;
    TFieldDefs* defs = GetFieldDefs();
    for (int i = 0; i < defs->Count(); ++i) {
        TFieldDef* d = defs->GetItems(i);
        sig += d->GetName().toUpper().toUtf8() + '/' + QByteArray::number(int(d->GetDataType())) +
               '/' + QByteArray::number(d->GetSize()) + ';';
    }
    return sig;
}

void TMemDataSet::InternalInitFieldDefs() {
    TFieldDefs* defs = GetFieldDefs();
    if (defs->Count() > 0) return;
    // A table made from persistent fields: one definition per data field.
    for (int i = 0; i < GetFieldCount(); ++i) {
        TField* f = Fields(i);
        if (f->GetFieldKind() != fkData && f->GetFieldKind() != fkInternalCalc) continue;
        TFieldDef* d =
            defs->Add(f->GetFieldName(), f->GetDataType(), f->GetSize(), f->GetRequired());
        if (auto* b = dynamic_cast<TBCDField*>(f)) d->SetPrecision(b->GetPrecision());
        d->InternalCalcField = f->GetFieldKind() == fkInternalCalc;
    }
}

void TMemDataSet::InternalOpen() {
    InitFieldDefs();
    if (GetDefaultFields()) CreateFields();
    BindFields(true);
    layoutSlots(nativeSize);
    QByteArray sig = layoutSignature();
    if (sig != storedLayout) {
        clearRows();
        blobs.clear();
        storedLayout = sig;
    }
    cursor = -1;
    cursorOpen = true;
    scratch = AllocRecordBuffer();
}

void TMemDataSet::InternalClose() {
    if (scratch) FreeRecordBuffer(scratch);
    BindFields(false);
    if (GetDefaultFields()) DestroyFields();
    cursorOpen = false;
    cursor = -1;
}

// ---- bookmarks ----------------------------------------------------------------------------------

bool TMemDataSet::BookmarkValid(const TBookmark& Bookmark) const {
    return GetActive() && positionOf(bookmarkId(Bookmark)) >= 0;
}

// ---- reading ------------------------------------------------------------------------------------

bool TMemDataSet::hasRange() const {
    return masterLink->GetActive() && !masterLink->GetFields().isEmpty();
}

bool TMemDataSet::inMasterRange(TRecordBuffer Buffer) {
    if (!hasRange()) return true;
    QList<TField*> detail;
    GetFieldList(detail, detailFields.isEmpty() ? masterLink->GetFieldNames() : detailFields);
    const QList<TField*>& master = masterLink->GetFields();
    if (detail.size() != master.size()) return false;
    return TestBuffer(Buffer, [&] {
        for (int i = 0; i < detail.size(); ++i) {
            Variant m = master[i]->GetAsVariant();
            Variant d = detail[i]->GetAsVariant();
            if (VarIsClear(m) || VarIsClear(d) || VarCompareValue(d, m) != vrEqual) return false;
        }
        return true;
    });
}

bool TMemDataSet::accepts(int Position, TRecordBuffer Buffer) {
    fillBuffer(Buffer, Position);
    GetCalcFields(Buffer);
    return inMasterRange(Buffer) && RecordFilterAccepts(Buffer);
}

TGetResult TMemDataSet::GetRecord(TRecordBuffer Buffer, TGetMode GetMode, bool DoCheck) {
    const int n = int(rows.size());
    switch (GetMode) {
    case gmCurrent:
        if (cursor < 0 || cursor >= n || !accepts(cursor, Buffer)) return grError;
        return grOK;
    case gmNext: {
        int p = cursor < 0 ? 0 : cursor + 1;
        for (; p < n; ++p)
            if (accepts(p, Buffer)) {
                cursor = p;
                return grOK;
            }
        cursor = n;
        return grEOF;
    }
    case gmPrior: {
        int p = cursor > n ? n - 1 : cursor - 1;
        for (; p >= 0; --p)
            if (accepts(p, Buffer)) {
                cursor = p;
                return grOK;
            }
        cursor = -1;
        return grBOF;
    }
    }
    return grError;
}

void TMemDataSet::InternalFirst() {
    cursor = -1;
}

void TMemDataSet::InternalLast() {
    cursor = int(rows.size());
}

int TMemDataSet::visibleBefore(int Position) const {
    auto* self = const_cast<TMemDataSet*>(this);
    int count = 0;
    for (int i = 0; i < Position && i < int(rows.size()); ++i)
        if (self->accepts(i, scratch)) ++count;
    return count;
}

int TMemDataSet::GetRecordCount() const {
    if (!cursorOpen) return 0;
    if (!hasRange() && !GetFiltered()) return int(rows.size());
    return visibleBefore(int(rows.size()));
}

int TMemDataSet::GetRecNo() const {
    if (!sequenced || !GetActive() || IsEmpty()) return -1;
    TRecordBuffer b = ActiveBuffer();
    if (GetBookmarkFlag(b) != bfCurrent) return -1;
    int p = positionOf(header(b)->id);
    if (p < 0) return -1;
    if (!hasRange() && !GetFiltered()) return p + 1;
    return visibleBefore(p) + 1;
}

void TMemDataSet::SetRecNo(int Value) {
    if (!sequenced) return;
    CheckBrowseMode();
    int seen = 0;
    for (int i = 0; i < int(rows.size()); ++i) {
        if (!accepts(i, scratch)) continue;
        if (++seen == Value) {
            GotoBookmark(bookmarkOf(*rows[size_t(i)]));
            return;
        }
    }
}

// ---- field data ---------------------------------------------------------------------------------

QByteArray TMemDataSet::blobValue(int32_t Id) {
    auto it = blobs.find(Id);
    return it != blobs.end() ? it->second : QByteArray();
}

int32_t TMemDataSet::storeBlob(const QByteArray& Bytes) {
    int32_t id = nextBlob++;
    blobs[id] = Bytes;
    editBlobs.push_back(id);
    return id;
}

// ---- writing ------------------------------------------------------------------------------------

std::vector<int32_t> TMemDataSet::blobIds(const QByteArray& Data) const {
    std::vector<int32_t> ids;
    TFieldDefs* defs = GetFieldDefs();
    for (int i = 0; i < defs->Count() && i < int(fieldOffsets.size()); ++i) {
        if (!IsBlobType(defs->GetItems(i)->GetDataType())) continue;
        const char* p = Data.constData() + fieldOffsets[size_t(i)];
        if (p[0] == 0) continue;
        int32_t id;
        std::memcpy(&id, p + 1, 4);
        if (id != 0) ids.push_back(id);
    }
    return ids;
}

void TMemDataSet::releaseBlobs(const std::vector<int32_t>& Ids, const QByteArray* Keep) {
    std::vector<int32_t> keep;
    if (Keep) keep = blobIds(*Keep);
    for (int32_t id : Ids)
        if (std::find(keep.begin(), keep.end(), id) == keep.end()) blobs.erase(id);
}

void TMemDataSet::InternalInitRecord(TRecordBuffer Buffer) {
    std::memset(Buffer, 0, size_t(bufferSize));
}

void TMemDataSet::DoOnNewRecord() {
    // A new detail record takes the master's key values.
    if (hasRange()) {
        QList<TField*> detail;
        GetFieldList(detail, detailFields.isEmpty() ? masterLink->GetFieldNames() : detailFields);
        const QList<TField*>& master = masterLink->GetFields();
        for (int i = 0; i < detail.size() && i < master.size(); ++i)
            detail[i]->SetAsVariant(master[i]->GetAsVariant());
    }
    TDataSet::DoOnNewRecord();
}

void TMemDataSet::InternalEdit() {
    editBlobs.clear();
}

void TMemDataSet::InternalPost() {
    TRecordBuffer buf = ActiveBuffer();
    QByteArray data(buf + HeaderSize, dataSize);
    if (GetState() == dsEdit) {
        int p = positionOf(header(buf)->id);
        if (p < 0) DatabaseError(QString::fromUtf8(SRecordNotFound), this);
        TMemRow& r = *rows[size_t(p)];
        std::vector<int32_t> old = blobIds(areaOf(r.data));
        old.insert(old.end(), editBlobs.begin(), editBlobs.end());
        releaseBlobs(old, &data);
        r.data = packArea(data.constData());
        cursor = p;
    } else {
        auto row = std::make_unique<TMemRow>();
        row->data = packArea(data.constData());
        int p = int(rows.size());
        if (GetBookmarkFlag(buf) == bfInserted) {
            int at = positionOf(header(buf)->id);
            if (at >= 0) p = at;
        }
        releaseBlobs(editBlobs, &data);
        insertRow(p, std::move(row));
        cursor = p;
    }
    editBlobs.clear();
}

void TMemDataSet::InternalCancel() {
    releaseBlobs(editBlobs, nullptr);
    editBlobs.clear();
}

void TMemDataSet::InternalDelete() {
    TRecordBuffer buf = ActiveBuffer();
    int p = positionOf(header(buf)->id);
    if (p < 0) DatabaseError(QString::fromUtf8(SRecordNotFound), this);
    releaseBlobs(blobIds(areaOf(rows[size_t(p)]->data)), nullptr);
    eraseRow(p);
    cursor = p;
}

void TMemDataSet::EmptyTable() {
    if (GetActive()) CheckBrowseMode();
    clearRows();
    blobs.clear();
    if (GetActive()) First();
}

void TMemDataSet::SetReadOnly(bool Value) {
    readOnly = Value;
}

// ---- master-detail ------------------------------------------------------------------------------

void TMemDataSet::SetMasterSource(TDataSource* Value) {
    if (Value && IsLinkedTo(Value)) DatabaseError(QString::fromUtf8(SCircularDataLink), this);
    masterLink->SetDataSource(Value);
}

void TMemDataSet::SetMasterFields(const QString& Value) {
    masterLink->SetFieldNames(Value);
}

void TMemDataSet::SetDetailFields(const QString& Value) {
    detailFields = Value;
    if (GetActive()) First();
}

void TMemDataSet::masterChanged(TObject*) {
    if (GetActive() && !IsDestroying()) First();
}

void TMemDataSet::masterDisabled(TObject*) {
    if (GetActive() && !IsDestroying()) First();
}
