// The SQL-server dataset: lazy fetching, editing through update statements, cached updates.
#include "IBCustomDataSet.h"

#include "CodePages.h"
#include "IBDatabase.h"
#include "ScopeGuard.h"
#include "Streams.h"

#include <algorithm>
#include <cstring>

namespace {

int slotFor(TFieldType Type, int Size) {
    switch (Type) {
    case ftString:
    case ftFixedChar:
    case ftGuid:
        return Size + 1;
    case ftWideString:
        return (Size + 1) * 2;
    case ftSmallint:
    case ftWord:
    case ftBoolean:
        return 2;
    case ftInteger:
    case ftAutoInc:
        return 4;
    case ftBytes:
        return Size;
    case ftVarBytes:
        return Size + 2;
    default:
        return IsBlobType(Type) ? 4 : 8;
    }
}

QString scaledText(int64_t v, int scale) {
    if (scale <= 0) return QString::number(qlonglong(v));
    bool neg = v < 0;
    uint64_t a = neg ? uint64_t(0) - uint64_t(v) : uint64_t(v);
    QString digits = QString::number(qulonglong(a));
    while (digits.size() <= scale)
        digits.prepend(u'0');
    digits.insert(digits.size() - scale, u'.');
    if (neg) digits.prepend(u'-');
    return digits;
}

} // namespace

// ---- TIBDataSetUpdateObject -------------------------------------------------------------------

TIBDataSetUpdateObject::TIBDataSetUpdateObject(TComponent* AOwner)
    : TComponent(AOwner), refreshSQL(new TStringList) {}

TIBDataSetUpdateObject::~TIBDataSetUpdateObject() {
    if (dataSet && dataSet->updateObject == this) dataSet->updateObject = nullptr;
}

void TIBDataSetUpdateObject::SetDataSet(TIBCustomDataSet* Value) {
    if (dataSet == Value) return;
    if (dataSet) {
        RemoveFreeNotification(dataSet);
        if (dataSet->updateObject == this) dataSet->updateObject = nullptr;
    }
    dataSet = Value;
    if (dataSet) {
        FreeNotification(dataSet);
        if (dataSet->updateObject != this) dataSet->SetUpdateObject(this);
    }
}

void TIBDataSetUpdateObject::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == dataSet) dataSet = nullptr;
}

void TIBDataSetUpdateObject::Apply(TUpdateKind UpdateKind) {
    if (!dataSet) return;
    QString sql = GetSQLText(UpdateKind);
    if (sql.trimmed().isEmpty()) IBClientError(QString::fromUtf8(SIBNoUpdateObject));
    dataSet->ExecUpdateSQL(sql, UpdateKind != ukInsert);
}

// ---- blob stream ------------------------------------------------------------------------------

// A blob of the current record as a memory stream; a writing stream stores its bytes into the
// record buffer when it is deleted (an empty blob is stored as null).
// ---- TIBCustomDataSet -------------------------------------------------------------------------

TIBCustomDataSet::TIBCustomDataSet(TComponent* AOwner) : TRowDataSet(AOwner) {}

TIBCustomDataSet::~TIBCustomDataSet() {
    Destroying();
    try {
        Close();
    } catch (...) {
    }
    freeStatements();
    if (updateObject && updateObject->dataSet == this) updateObject->dataSet = nullptr;
    if (database) database->removeDataSet(this);
    if (transaction) transaction->removeDataSet(this);
}

void TIBCustomDataSet::SetDatabase(TIBDatabase* Value) {
    if (database == Value) return;
    CheckInactive();
    freeStatements();
    if (database) {
        database->removeDataSet(this);
        RemoveFreeNotification(database);
    }
    database = Value;
    if (database) {
        database->addDataSet(this);
        FreeNotification(database);
        if (!transaction && database->GetDefaultTransaction())
            SetTransaction(database->GetDefaultTransaction());
    }
}

void TIBCustomDataSet::SetTransaction(TIBTransaction* Value) {
    if (transaction == Value) return;
    CheckInactive();
    freeStatements();
    if (transaction) {
        transaction->removeDataSet(this);
        RemoveFreeNotification(transaction);
    }
    transaction = Value;
    if (transaction) {
        transaction->addDataSet(this);
        FreeNotification(transaction);
    }
}

void TIBCustomDataSet::SetCachedUpdates(bool Value) {
    if (cachedUpdates == Value) return;
    if (!Value && GetActive()) CheckBrowseMode();
    if (!Value && UpdatesPending()) CancelUpdates();
    cachedUpdates = Value;
}

void TIBCustomDataSet::SetUpdateObject(TIBDataSetUpdateObject* Value) {
    if (updateObject == Value) return;
    TIBDataSetUpdateObject* old = updateObject;
    updateObject = Value;
    if (old && old->dataSet == this) old->SetDataSet(nullptr);
    if (old) RemoveFreeNotification(old);
    if (Value) {
        FreeNotification(Value);
        if (Value->dataSet != this) Value->SetDataSet(this);
    }
}

void TIBCustomDataSet::Notification(TComponent* AComponent, TOperation Operation) {
    TDataSet::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    if (AComponent == updateObject) updateObject = nullptr;
    if (AComponent == database) databaseFreed();
    if (AComponent == transaction) transactionFreed();
}

void TIBCustomDataSet::databaseFreed() {
    select.reset();
    database = nullptr;
}

void TIBCustomDataSet::transactionFreed() {
    select.reset();
    transaction = nullptr;
}

void TIBCustomDataSet::beforeDatabaseDisconnect() {
    Close();
    freeStatements();
}

void TIBCustomDataSet::connectionLost() {
    if (select) {
        try {
            select->Close();
        } catch (...) {
        }
    }
    freeStatements();
    allFetched = true;
}

void TIBCustomDataSet::beforeTransactionEnd() {
    Close();
}

void TIBCustomDataSet::freeStatements() {
    select.reset();
}

void TIBCustomDataSet::CheckDatabase() const {
    if (!database) IBClientError(QString::fromUtf8(SIBDatabaseNotAssigned));
    if (!transaction) IBClientError(QString::fromUtf8(SIBTransactionNotAssigned));
    database->CheckActive();
}

void TIBCustomDataSet::EnsureTransaction() {
    CheckDatabase();
    transaction->EnsureStarted();
}

bool TIBCustomDataSet::CanModify() const {
    return updateObject != nullptr || cachedUpdates;
}

// ---- opening ----------------------------------------------------------------------------------

void TIBCustomDataSet::PrepareSelect() {
    EnsureTransaction();
    if (!select || select->GetTransaction() != transaction)
        select = std::make_unique<TIBSQL>(database, transaction);
    select->Prepare(SelectSQL());
}

void TIBCustomDataSet::InternalInitFieldDefs() {
    if (!select || !select->Prepared()) PrepareSelect();
    TFieldDefs* defs = GetFieldDefs();
    defs->BeginUpdate();
    defs->Clear();
    columnOf.clear();
    for (int i = 0; i < select->ColumnCount(); ++i) {
        const TIBColumn& c = select->Column(i);
        TFieldType type = ftUnknown;
        int size = 0;
        int precision = 0;
        switch (c.SqlType) {
        case SQL_VARYING:
            type = ftString;
            size = c.Length;
            break;
        case SQL_TEXT:
            type = ftFixedChar;
            size = c.Length;
            break;
        case SQL_SHORT:
        case SQL_LONG:
        case SQL_INT64:
            if (c.Scale < 0) {
                type = ftBCD;
                size = -c.Scale;
                precision = c.SqlType == SQL_SHORT ? 4 : c.SqlType == SQL_LONG ? 9 : 18;
            } else {
                type = c.SqlType == SQL_SHORT  ? ftSmallint
                       : c.SqlType == SQL_LONG ? ftInteger
                                               : ftLargeint;
            }
            break;
        case SQL_FLOAT:
        case SQL_DOUBLE:
        case SQL_D_FLOAT:
            type = ftFloat;
            break;
        case SQL_TYPE_DATE:
            type = ftDate;
            break;
        case SQL_TYPE_TIME:
            type = ftTime;
            break;
        case SQL_TIMESTAMP:
            type = ftDateTime;
            break;
        case SQL_BLOB:
            type = c.SubType == 1 ? ftMemo : ftBlob;
            break;
        case SQL_BOOLEAN:
            type = ftBoolean;
            break;
        default:
            continue; // arrays and the like have no field
        }
        QString name = c.Name;
        for (int k = 1; defs->IndexOf(name) >= 0; ++k)
            name = c.Name + u'_' + QString::number(k);
        TFieldDef* d = defs->Add(name, type, size, false);
        if (precision) d->SetPrecision(precision);
        d->SetFieldNo(defs->Count());
        columnOf.push_back(i);
    }
    defs->EndUpdate();
}

void TIBCustomDataSet::layoutRows() {
    layoutSlots([](const TFieldDef* d) { return slotFor(d->GetDataType(), d->GetSize()); });
    TFieldDefs* defs = GetFieldDefs();
    fieldTypes.resize(size_t(defs->Count()));
    for (int i = 0; i < defs->Count(); ++i)
        fieldTypes[size_t(i)] = defs->GetItems(i)->GetDataType();
    planFetch();
}

void TIBCustomDataSet::InternalOpen() {
    PrepareSelect();
    // Opening runs the statement: one that returns no rows must not run here.
    if (!select->IsSelect() && select->ColumnCount() == 0)
        IBClientError(QString::fromUtf8(SIBNotASelect));
    InitFieldDefs();
    if (GetDefaultFields()) CreateFields();
    BindFields(true);
    layoutRows();
    dropRows();
    select->BindParams(SelectParams());
    select->ExecQuery();
    cursorOpen = true;
}

void TIBCustomDataSet::InternalClose() {
    BindFields(false);
    if (GetDefaultFields()) DestroyFields();
    if (select) select->Close();
    dropRows();
    cursorOpen = false;
}

// ---- fetching ---------------------------------------------------------------------------------

void TIBCustomDataSet::dropRows() {
    clearRows();
    deletedRows = 0;
    blobs.clear();
    allFetched = false;
}

void TIBCustomDataSet::countDeleted() {
    deletedRows = int(std::count_if(rows.begin(), rows.end(),
                                    [](const auto& r) { return r->status == cusDeleted; }));
}

bool TIBCustomDataSet::fetchOne() {
    if (allFetched || !select || !select->CursorOpen()) {
        allFetched = true;
        return false;
    }
    if (!select->Next()) {
        allFetched = true;
        return false;
    }
    Packer w(*this, true);
    packFetched(w);
    QByteArray data = w.Finish(); // before the row takes room in the blocks after it
    RowPtr r = newRowInBlock();
    r->data = std::move(data);
    appendRow(std::move(r), bufferChunks);
    return true;
}

void TIBCustomDataSet::FetchAll() {
    CheckActive();
    while (fetchOne()) {
    }
}

template <class Writer>
void TIBCustomDataSet::storeColumns(Writer& W, TIBSQL& Q, const std::vector<int>& ColumnOf) {
    const int count = std::min(int(fieldTypes.size()), int(ColumnOf.size()));
    for (int i = 0; i < count; ++i) {
        int col = ColumnOf[size_t(i)];
        if (col >= 0) storeColumn(W, Q, i, col);
    }
}

template <class Writer> void TIBCustomDataSet::storeColumn(Writer& W, TIBSQL& Q, int Def, int Col) {
    TIBSQL* select = &Q;
    const int i = Def, col = Col;
    if (select->IsNull(col)) {
        W.Null(i);
        return;
    }
    const char* src = select->Data(col);
    auto put = [&](const auto& x) { std::memcpy(W.Value(i), &x, sizeof x); };
    switch (fieldTypes[size_t(i)]) {
    case ftString:
    case ftFixedChar: {
        int length = 0;
        const char* text = select->Text(col, length);
        W.Text(i, text, length);
        break;
    }
    case ftSmallint:
        put(int16_t(select->AsScaledInt(col)));
        break;
    case ftInteger:
        put(int32_t(select->AsScaledInt(col)));
        break;
    case ftLargeint:
    case ftBCD:
        put(int64_t(select->AsScaledInt(col)));
        break;
    case ftFloat: {
        double x;
        if (select->Column(col).SqlType == SQL_FLOAT) {
            float f;
            std::memcpy(&f, src, 4);
            x = f;
        } else {
            std::memcpy(&x, src, 8);
        }
        put(x);
        break;
    }
    case ftDate: {
        ISC_DATE dd;
        std::memcpy(&dd, src, sizeof dd);
        put(double(IBDateToDateTime(dd)));
        break;
    }
    case ftTime: {
        ISC_TIME t;
        std::memcpy(&t, src, sizeof t);
        put(double(IBTimeToDateTime(t)));
        break;
    }
    case ftDateTime: {
        ISC_TIMESTAMP ts;
        std::memcpy(&ts, src, sizeof ts);
        put(double(IBTimeStampToDateTime(ts)));
        break;
    }
    case ftBoolean:
        put(int16_t(*src ? 1 : 0));
        break;
    case ftBlob:
    case ftMemo: {
        BlobEntry e;
        e.id = select->BlobId(col);
        int32_t h = nextBlob++;
        blobs[h] = e;
        put(h);
        break;
    }
    default:
        W.Null(i);
        break;
    }
}

void TIBCustomDataSet::planFetch() {
    fetchSteps.clear();
    const int count = std::min(int(fieldTypes.size()), int(columnOf.size()));
    for (int i = 0; i < count; ++i) {
        const int col = columnOf[size_t(i)];
        if (col < 0) continue;
        const TIBColumn& c = select->Column(col);
        const TFieldType type = fieldTypes[size_t(i)];
        TFetchStep s{i, col, TFetchKind::Other, 0, 0};
        const bool integer =
            c.SqlType == SQL_SHORT || c.SqlType == SQL_LONG || c.SqlType == SQL_INT64;
        if (type == ftString && c.SqlType == SQL_VARYING) {
            s.kind = TFetchKind::Varying;
            s.length = c.Length;
        } else if ((type == ftString || type == ftFixedChar) && c.SqlType == SQL_TEXT) {
            s.kind = TFetchKind::FixedText;
            s.length = c.Length;
        } else if (integer && (type == ftSmallint || type == ftInteger || type == ftLargeint ||
                               type == ftBCD)) {
            s.kind = c.SqlType == SQL_SHORT  ? TFetchKind::Int16
                     : c.SqlType == SQL_LONG ? TFetchKind::Int32
                                             : TFetchKind::Int64;
            s.width = type == ftSmallint ? 2 : type == ftInteger ? 4 : 8;
        } else if (type == ftDate && c.SqlType == SQL_TYPE_DATE) {
            s.kind = TFetchKind::Date;
        }
        fetchSteps.push_back(s);
    }
}

void TIBCustomDataSet::packFetched(Packer& W) {
    const XSQLVAR* vars = select->OutputVars();
    for (const TFetchStep& s : fetchSteps) {
        const XSQLVAR& v = vars[s.column];
        if (*v.sqlind < 0) continue;
        const char* src = v.sqldata;
        int64_t n;
        switch (s.kind) {
        case TFetchKind::Varying: {
            uint16_t length;
            std::memcpy(&length, src, 2);
            W.Text(s.def, src + 2, std::min<int>(length, s.length));
            continue;
        }
        case TFetchKind::FixedText:
            W.Text(s.def, src, s.length);
            continue;
        case TFetchKind::Date: {
            ISC_DATE d;
            std::memcpy(&d, src, sizeof d);
            const double x = IBDateToDateTime(d);
            std::memcpy(W.Value(s.def), &x, sizeof x);
            continue;
        }
        case TFetchKind::Int16: {
            int16_t x;
            std::memcpy(&x, src, 2);
            n = x;
            break;
        }
        case TFetchKind::Int32: {
            int32_t x;
            std::memcpy(&x, src, 4);
            n = x;
            break;
        }
        case TFetchKind::Int64:
            std::memcpy(&n, src, 8);
            break;
        default:
            storeColumn(W, *select, s.def, s.column);
            continue;
        }
        // an integer into a slot of its field's width
        char* slot = W.Value(s.def);
        if (s.width == 2) {
            const auto x = int16_t(n);
            std::memcpy(slot, &x, 2);
        } else if (s.width == 4) {
            const auto x = int32_t(n);
            std::memcpy(slot, &x, 4);
        } else {
            std::memcpy(slot, &n, 8);
        }
    }
}

void TIBCustomDataSet::storeRow(char* Area, TIBSQL& Q, const std::vector<int>& ColumnOf) {
    // into the data area: a flag and the value, a text with its terminator and no more
    struct AreaWriter {
        char* area;
        const std::vector<int>& offsets;
        const std::vector<int>& sizes;
        void Null(int i) { area[offsets[size_t(i)]] = 0; }
        char* Value(int i) {
            char* p = area + offsets[size_t(i)];
            p[0] = 1;
            return p + 1;
        }
        void Text(int i, const char* Bytes, int Length) {
            char* v = Value(i);
            const int n = std::clamp(Length, 0, sizes[size_t(i)] - 1);
            std::memcpy(v, Bytes, size_t(n));
            v[n] = 0;
        }
    } w{Area, fieldOffsets, slotSizes};
    storeColumns(w, Q, ColumnOf);
}

QByteArray& TIBCustomDataSet::blobBytes(int32_t Handle) {
    BlobEntry& e = blobs[Handle];
    if (!e.loaded) {
        if (!select) IBClientError(QString::fromUtf8(SIBDatabaseClosed));
        e.bytes = select->ReadBlob(e.id);
        e.loaded = true;
    }
    return e.bytes;
}

int32_t TIBCustomDataSet::newBlob(const QByteArray& Bytes) {
    BlobEntry e;
    e.loaded = true;
    e.bytes = Bytes;
    int32_t h = nextBlob++;
    blobs[h] = e;
    return h;
}

// ---- buffers ----------------------------------------------------------------------------------

bool TIBCustomDataSet::visible(int Position) const {
    return Position >= 0 && Position < int(rows.size()) &&
           rows[size_t(Position)]->status != cusDeleted;
}

TGetResult TIBCustomDataSet::GetRecord(TRecordBuffer Buffer, TGetMode GetMode, bool DoCheck) {
    for (;;) {
        int pos = cursor;
        if (GetMode == gmNext) {
            pos = cursor + 1;
            for (;;) {
                if (pos >= int(rows.size()) && !fetchOne()) break;
                if (visible(pos)) break;
                ++pos;
            }
            if (pos >= int(rows.size())) {
                cursor = int(rows.size());
                return grEOF;
            }
        } else if (GetMode == gmPrior) {
            pos = std::min(cursor, int(rows.size())) - 1;
            while (pos >= 0 && !visible(pos))
                --pos;
            if (pos < 0) {
                cursor = -1;
                return grBOF;
            }
        } else if (!visible(pos)) {
            return grError;
        }
        cursor = pos;
        fillBuffer(Buffer, pos);
        header(Buffer)->status = rows[size_t(pos)]->status;
        if (GetFiltered() && !RecordFilterAccepts(Buffer)) {
            if (GetMode == gmCurrent) return grError;
            continue;
        }
        GetCalcFields(Buffer);
        return grOK;
    }
}

void TIBCustomDataSet::InternalFirst() {
    cursor = -1;
}

void TIBCustomDataSet::InternalLast() {
    while (fetchOne()) {
    }
    cursor = int(rows.size());
}

void TIBCustomDataSet::InternalInitRecord(TRecordBuffer Buffer) {
    std::memset(Buffer + HeaderSize, 0, size_t(dataSize));
    header(Buffer)->status = cusInserted;
}

int TIBCustomDataSet::GetRecordCount() const {
    if (!GetActive()) return 0;
    return int(rows.size()) - deletedRows;
}

int TIBCustomDataSet::GetRecNo() const {
    if (!GetActive() || IsEmpty()) return -1;
    TRecordBuffer b = GetActiveRecBuf();
    if (!b || GetBookmarkFlag(b) != bfCurrent) return -1;
    int pos = positionOf(header(b)->id);
    if (deletedRows == 0) return pos + 1;
    // deletions waiting in the cache: the rows before this one are counted
    int n = 0;
    for (int i = 0; i <= pos; ++i)
        if (visible(i)) ++n;
    return n;
}

void TIBCustomDataSet::SetRecNo(int Value) {
    CheckBrowseMode();
    if (deletedRows == 0) {
        if (Value < 1) return;
        while (int(rows.size()) < Value && fetchOne()) {
        }
        if (Value <= int(rows.size())) GotoBookmark(bookmarkOf(*rows[size_t(Value - 1)]));
        return;
    }
    int seen = 0;
    for (int i = 0;; ++i) {
        if (i >= int(rows.size()) && !fetchOne()) return;
        if (!visible(i)) continue;
        if (++seen == Value) {
            GotoBookmark(bookmarkOf(*rows[size_t(i)]));
            return;
        }
    }
}

bool TIBCustomDataSet::IsSequenced() const {
    return allFetched && !GetFiltered();
}

bool TIBCustomDataSet::BookmarkValid(const TBookmark& Bookmark) const {
    return GetActive() && visible(positionOf(bookmarkId(Bookmark)));
}

// ---- field data -------------------------------------------------------------------------------

QByteArray TIBCustomDataSet::blobValue(int32_t Id) {
    return blobBytes(Id);
}

int32_t TIBCustomDataSet::storeBlob(const QByteArray& Bytes) {
    return newBlob(Bytes);
}

Variant TIBCustomDataSet::GetStateFieldValue(TDataSetState State, TField* Field) {
    if (State != dsOldValue || Field->GetFieldKind() != fkData || !GetActive())
        return TDataSet::GetStateFieldValue(State, Field);
    TRecordBuffer b = ActiveBuffer();
    if (!b || IsEmpty() || GetState() == dsInsert) return Null();
    int pos = positionOf(header(b)->id);
    if (pos < 0) return Null();
    const TIBRow& r = *rows[size_t(pos)];
    if (r.status == cusInserted) return Null();
    const QByteArray& data = (r.status == cusModified || r.status == cusDeleted) ? r.old : r.data;
    TRecordBuffer tmp = TempBuffer();
    if (!tmp) return Null();
    unpackArea(data, tmp + HeaderSize);
    return OldFieldValue(tmp, Field);
}

// ---- writing ----------------------------------------------------------------------------------

TIBParamValue TIBCustomDataSet::paramFromData(const QByteArray& Data, int FieldNo) {
    TIBParamValue pv;
    const char* p = Data.constData() + fieldOffsets[size_t(FieldNo - 1)];
    if (p[0] == 0) return pv;
    const char* v = p + 1;
    TFieldDef* d = GetFieldDefs()->GetItems(FieldNo - 1);
    pv.IsNull = false;
    switch (d->GetDataType()) {
    case ftString:
    case ftFixedChar:
        pv.Value = Variant(FromCodePage(v, qsizetype(std::strlen(v)), 1251));
        break;
    case ftSmallint: {
        int16_t x;
        std::memcpy(&x, v, 2);
        pv.Value = Variant(int(x));
        break;
    }
    case ftInteger: {
        int32_t x;
        std::memcpy(&x, v, 4);
        pv.Value = Variant(int(x));
        break;
    }
    case ftLargeint: {
        int64_t x;
        std::memcpy(&x, v, 8);
        pv.Value = Variant(static_cast<long long>(x));
        break;
    }
    case ftBCD: {
        int64_t x;
        std::memcpy(&x, v, 8);
        // Exact decimal text: the server converts it to the column's scale.
        pv.Value = Variant(scaledText(x, d->GetSize()));
        break;
    }
    case ftFloat:
    case ftCurrency: {
        double x;
        std::memcpy(&x, v, 8);
        pv.Value = Variant(x);
        break;
    }
    case ftDate:
    case ftTime:
    case ftDateTime: {
        double x;
        std::memcpy(&x, v, 8);
        pv.Value = Variant::FromDate(x);
        break;
    }
    case ftBoolean: {
        int16_t x;
        std::memcpy(&x, v, 2);
        pv.Value = Variant(x != 0);
        break;
    }
    default:
        if (IsBlobType(d->GetDataType())) {
            int32_t h;
            std::memcpy(&h, v, 4);
            pv.IsBlob = true;
            pv.BlobBytes = h ? blobBytes(h) : QByteArray();
        } else {
            pv.IsNull = true;
        }
        break;
    }
    return pv;
}

TIBParamValue TIBCustomDataSet::paramByName(const QString& Name) {
    TFieldDefs* defs = GetFieldDefs();
    if (Name.startsWith(QLatin1String("OLD_"), Qt::CaseInsensitive)) {
        int i = defs->IndexOf(Name.mid(4));
        if (i >= 0) return applyOld ? paramFromData(*applyOld, i + 1) : TIBParamValue();
    }
    int i = defs->IndexOf(Name);
    if (i >= 0 && applyNew) return paramFromData(*applyNew, i + 1);
    return TIBParamValue();
}

bool TIBCustomDataSet::ApplyingOldIsNull(int FieldNo) const {
    return !applyOld || applyOld->at(fieldOffsets[size_t(FieldNo - 1)]) == 0;
}

void TIBCustomDataSet::ExecUpdateSQL(const QString& SQL, bool MustChangeRow) {
    EnsureTransaction();
    TParams params;
    QString text = params.ParseSQL(SQL, true);
    TIBSQL stmt(database, transaction);
    stmt.Prepare(text);
    std::vector<TIBParamValue> values;
    for (int i = 0; i < params.Count(); ++i)
        values.push_back(paramByName(params[i]->GetName()));
    stmt.BindParams(values);
    stmt.ExecQuery();
    if (MustChangeRow && stmt.RowsAffected() == 0)
        IBClientError(QString::fromUtf8(SIBUpdateFailed));
}

void TIBCustomDataSet::runUpdate(TUpdateKind Kind) {
    if (OnUpdateRecord) {
        TUpdateAction action = uaFail;
        OnUpdateRecord(this, Kind, action);
        if (action == uaApplied || action == uaSkip) return;
        if (action == uaAbort) Abort();
    }
    if (updateObject) {
        updateObject->Apply(Kind);
        return;
    }
    QString sql = InternalUpdateSQL(Kind);
    if (sql.trimmed().isEmpty()) IBClientError(QString::fromUtf8(SIBNoUpdateObject));
    ExecUpdateSQL(sql, Kind != ukInsert);
}

void TIBCustomDataSet::InternalEdit() {}

void TIBCustomDataSet::InternalCancel() {}

void TIBCustomDataSet::InternalPost() {
    TRecordBuffer b = ActiveBuffer();
    QByteArray newData(b + HeaderSize, dataSize);
    struct Reset {
        TIBCustomDataSet* ds;
        ~Reset() {
            ds->applyNew = nullptr;
            ds->applyOld = nullptr;
        }
    } reset{this};
    if (GetState() == dsEdit) {
        int pos = positionOf(header(b)->id);
        if (pos < 0) DatabaseError(QString::fromUtf8(SRecordNotFound), this);
        TIBRow& r = *rows[size_t(pos)];
        if (cachedUpdates) {
            if (r.status == cusUnmodified) {
                r.old = r.data;
                r.status = cusModified;
            }
        } else {
            QByteArray oldData = areaOf(r.data);
            applyNew = &newData;
            applyOld = &oldData;
            runUpdate(ukModify);
        }
        r.data = packArea(newData.constData());
        cursor = pos;
        return;
    }
    auto row = std::make_unique<TIBRow>();
    row->data = packArea(newData.constData());
    if (cachedUpdates) {
        row->status = cusInserted;
    } else {
        applyNew = &newData;
        applyOld = nullptr;
        runUpdate(ukInsert);
    }
    int pos;
    switch (GetBookmarkFlag(b)) {
    case bfEOF:
        while (fetchOne()) {
        }
        pos = int(rows.size());
        break;
    case bfBOF:
        pos = 0;
        break;
    default: {
        pos = positionOf(header(b)->id);
        if (pos < 0) pos = int(rows.size());
        break;
    }
    }
    insertRow(pos, std::move(row));
    cursor = pos;
}

void TIBCustomDataSet::InternalDelete() {
    TRecordBuffer b = ActiveBuffer();
    int pos = positionOf(header(b)->id);
    if (pos < 0) DatabaseError(QString::fromUtf8(SRecordNotFound), this);
    TIBRow& r = *rows[size_t(pos)];
    bool erase = false;
    if (cachedUpdates) {
        if (r.status == cusInserted) {
            erase = true;
        } else {
            if (r.status == cusUnmodified) r.old = r.data;
            r.status = cusDeleted;
            ++deletedRows;
        }
    } else {
        const QByteArray data = areaOf(r.data);
        applyNew = &data;
        applyOld = &data;
        try {
            runUpdate(ukDelete);
        } catch (...) {
            applyNew = applyOld = nullptr;
            throw;
        }
        applyNew = applyOld = nullptr;
        erase = true;
    }
    int next = pos;
    if (erase) {
        eraseRow(pos);
    } else {
        ++next;
    }
    // Stand on the record after the deleted one, or the one before it at the end.
    while (next < int(rows.size()) || fetchOne()) {
        if (next < int(rows.size()) && visible(next)) {
            cursor = next;
            return;
        }
        ++next;
    }
    int prev = pos - 1;
    while (prev >= 0 && !visible(prev))
        --prev;
    cursor = prev;
}

// ---- cached updates ---------------------------------------------------------------------------

bool TIBCustomDataSet::UpdatesPending() const {
    return std::any_of(rows.begin(), rows.end(),
                       [](const auto& r) { return r->status != cusUnmodified; });
}

TCachedUpdateStatus TIBCustomDataSet::CachedUpdateStatus() const {
    if (!GetActive() || IsEmpty()) return cusUnmodified;
    TRecordBuffer b = ActiveBuffer();
    return b ? TCachedUpdateStatus(header(b)->status) : cusUnmodified;
}

TUpdateStatus TIBCustomDataSet::UpdateStatus() const {
    switch (CachedUpdateStatus()) {
    case cusModified:
        return usModified;
    case cusInserted:
        return usInserted;
    case cusDeleted:
        return usDeleted;
    default:
        return usUnmodified;
    }
}

bool TIBCustomDataSet::applyOneCached(int Position) {
    TIBRow& r = *rows[size_t(Position)];
    TUpdateKind kind = r.status == cusModified   ? ukModify
                       : r.status == cusInserted ? ukInsert
                                                 : ukDelete;
    const QByteArray newData = areaOf(r.data);
    const QByteArray oldData = r.status == cusInserted ? QByteArray() : areaOf(r.old);
    applyNew = &newData;
    applyOld = r.status == cusInserted ? nullptr : &oldData;
    for (;;) {
        try {
            runUpdate(kind);
            return true;
        } catch (EDatabaseError& e) {
            TUpdateAction action = uaFail;
            if (OnUpdateError) OnUpdateError(this, e, kind, action);
            switch (action) {
            case uaFail:
                throw;
            case uaAbort:
                Abort();
            case uaSkip:
                return false;
            case uaApplied:
                return true;
            case uaRetry:
                break;
            }
        }
    }
}

void TIBCustomDataSet::ApplyUpdates() {
    if (!GetActive() || !cachedUpdates) return;
    CheckBrowseMode();
    EnsureTransaction();
    TBookmark current = GetBookmark();
    auto finish = [&] {
        applyNew = applyOld = nullptr;
        countDeleted();
        rowsMoved();
        int pos = positionOf(bookmarkId(current));
        if (pos >= 0 && visible(pos)) {
            cursor = pos;
        } else {
            cursor = std::min(cursor, int(rows.size()));
        }
        CursorPosChanged();
        Resync({});
    };
    TScopeGuard done(finish);
    for (int pos = 0; pos < int(rows.size());) {
        TIBRow& r = *rows[size_t(pos)];
        if (r.status == cusUnmodified) {
            ++pos;
            continue;
        }
        if (!applyOneCached(pos)) {
            ++pos;
            continue;
        }
        if (r.status == cusDeleted) {
            eraseRow(pos);
            if (cursor > pos) --cursor;
            continue;
        }
        r.status = cusUnmodified;
        r.old.clear();
        ++pos;
    }
    done.End();
}

void TIBCustomDataSet::CommitUpdates() {
    if (GetActive()) CheckBrowseMode();
}

void TIBCustomDataSet::CancelUpdates() {
    if (!GetActive()) return;
    if (GetState() == dsEdit || GetState() == dsInsert) Cancel();
    for (int pos = 0; pos < int(rows.size());) {
        TIBRow& r = *rows[size_t(pos)];
        if (r.status == cusInserted) {
            eraseRow(pos);
            continue;
        }
        if (r.status == cusModified || r.status == cusDeleted) {
            r.data = r.old;
            r.old.clear();
            r.status = cusUnmodified;
        }
        ++pos;
    }
    deletedRows = 0;
    rowsMoved();
    cursor = std::min(cursor, int(rows.size()) - 1);
    CursorPosChanged();
    Resync({});
}

// ---- refresh ----------------------------------------------------------------------------------

void TIBCustomDataSet::InternalRefresh() {
    // With a refresh statement: the current row is read again. Otherwise the whole select
    // runs again (kept as it is while changes are pending), and the cursor stays at the same
    // place.
    QString refresh = updateObject ? updateObject->GetRefreshSQL()->GetText().trimmed() : QString();
    if (!refresh.isEmpty() && cursor >= 0 && cursor < int(rows.size()) &&
        rows[size_t(cursor)]->status != cusInserted) {
        TIBRow& r = *rows[size_t(cursor)];
        QByteArray area = areaOf(r.data);
        const QByteArray oldData = r.status == cusUnmodified ? QByteArray() : areaOf(r.old);
        applyNew = &area;
        applyOld = r.status == cusUnmodified ? &area : &oldData;
        TParams params;
        QString text = params.ParseSQL(refresh, true);
        TIBSQL q(database, transaction);
        q.Prepare(text);
        std::vector<TIBParamValue> values;
        for (int i = 0; i < params.Count(); ++i)
            values.push_back(paramByName(params[i]->GetName()));
        applyNew = applyOld = nullptr;
        q.BindParams(values);
        q.ExecQuery();
        if (q.Next()) {
            std::vector<int> colOf;
            TFieldDefs* defs = GetFieldDefs();
            for (int i = 0; i < defs->Count(); ++i)
                colOf.push_back(q.ColumnIndex(defs->GetItems(i)->GetName()));
            storeRow(area.data(), q, colOf);
            r.data = packArea(area.constData());
            if (r.status == cusUnmodified) r.old.clear();
        }
        return;
    }
    if (UpdatesPending()) return;
    int keep = cursor;
    if (!select) PrepareSelect(); // its cursor went with a lost connection
    select->Close();
    dropRows();
    select->BindParams(SelectParams());
    select->ExecQuery();
    while (int(rows.size()) <= keep && fetchOne()) {
    }
    cursor = std::min(keep, int(rows.size()) - 1);
}
