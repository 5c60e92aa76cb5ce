#include "Dbf.h"
#include "Dbf_IdxCur.h"
#include "Dbf_Lang.h"
#include "Dbf_Parser.h"
#include "Dbf_Str.h"

#include "CodePages.h"
#include "ScopeGuard.h"

#include <QDir>
#include <algorithm>
#include <cstring>

// ---- master link ----------------------------------------------------------------------------

class TDbfMasterLink : public TDataLink {
    KADRION_CLASS(TDbfMasterLink)
    explicit TDbfMasterLink(TDbfTable* detail) : detail(detail) {}
    QString FieldNames;
    bool Valid = false;
    std::unique_ptr<TDbfParser> Parser;

protected:
    void ActiveChanged() override {
        if (GetActive())
            detail->masterChanged();
        else
            detail->masterDisabled();
    }
    void RecordChanged(TField* Field) override {
        if (!Field && GetActive()) detail->masterChanged();
    }
    void CheckBrowseMode() override {}

private:
    TDbfTable* detail;
};

// ---- blob stream ----------------------------------------------------------------------------

// The value of one memo, blob or OLE field, read at creation and written back on destruction
// when opened for writing.
// ---- TDbfTable ------------------------------------------------------------------------------

TDbfTable::TDbfTable(TComponent* AOwner)
    : TDataSet(AOwner), indexDefs(std::make_unique<TDbfIndexDefs>(this)),
      masterLink(std::make_unique<TDbfMasterLink>(this)) {
    DbfGlobals();
    SetFilePath(QString());
}

TDbfTable::~TDbfTable() {
    Destroying();
    try {
        Close();
    } catch (...) {
    }
    masterLink.reset();
}

uint32_t TDbfTable::recNoOf(TRecordBuffer b) {
    uint32_t n;
    memcpy(&n, b, 4);
    return n;
}

QString TDbfTable::GetVersion() const {
    return Format("%d.%02d", {6, 14});
}

void TDbfTable::SetExclusive(bool v) {
    CheckInactive();
    exclusive = v;
}

void TDbfTable::SetReadOnly(bool v) {
    CheckInactive();
    readOnly = v;
}

void TDbfTable::SetFilePath(const QString& v) {
    CheckInactive();
    QString p = v;
    p.replace('\\', '/');
    if (!p.isEmpty() && !p.endsWith('/')) p += '/';
    filePath = p;
    bool absolute = p.startsWith('/') || (p.size() >= 2 && p[1] == ':');
    QString full = absolute ? p : ProgramDirectory() + p;
    absolutePath = QDir::cleanPath(full);
    if (!absolutePath.endsWith('/')) absolutePath += '/';
}

void TDbfTable::SetTableName(const QString& v) {
    QString name = v;
    name.replace('\\', '/');
    tableName = ExtractFileName(name);
    QString dir = ExtractFilePath(name);
    if (!dir.isEmpty()) SetFilePath(dir);
}

QString TDbfTable::fullTableName() const {
    return absolutePath + tableName;
}

void TDbfTable::SetShowDeleted(bool v) {
    if (v == showDeleted) return;
    showDeleted = v;
    if (GetActive()) {
        CheckBrowseMode();
        Resync({});
    }
}

QString TDbfTable::GetMasterFields() const {
    return masterLink->FieldNames;
}

void TDbfTable::SetMasterFields(const QString& v) {
    masterLink->FieldNames = v;
    if (masterLink->GetActive()) masterChanged();
}

TDataSource* TDbfTable::GetMasterSource() const {
    return masterLink->GetDataSource();
}

void TDbfTable::SetMasterSource(TDataSource* v) {
    if (v && IsLinkedTo(v)) DatabaseError("Circular datalinks are not allowed", this);
    masterLink->SetDataSource(v);
}

TPagedFileMode TDbfTable::openFileMode() const {
    if (readOnly) return pfReadOnly;
    return exclusive ? pfExclusiveOpen : pfReadWriteOpen;
}

void TDbfTable::CreateTable() {
    CreateTableEx(nullptr);
}

void TDbfTable::CreateTableEx(const TDbfFieldDefs* dbfFieldDefs) {
    CheckInactive();
    dbfFile.reset();
    TXBaseVersion level = tableLevel == 3 ? xBaseIII : tableLevel == 7 ? xBaseVII : xBaseIV;
    auto file = std::make_unique<TDbfFile>(fullTableName());
    file->SetMode(pfExclusiveCreate);
    file->SetDbfVersion(level);
    file->CopyDateTimeAsString = CopyDateTimeAsString && CreateDateTimeAsString;
    file->UseFloatFields = useFloatFields;
    file->DateTimeHandling = dateTimeHandling;
    file->Open();
    if (dbfFieldDefs) {
        file->FinishCreate(*dbfFieldDefs, ".dbt", 512);
    } else {
        TFieldDefs* defs = GetFieldDefs();
        if (defs->Count() == 0) {
            for (int i = 0; i < GetFieldCount(); ++i) {
                TField* f = Fields(i);
                if (f->GetFieldKind() == fkData)
                    defs->Add(f->GetFieldName(), f->GetDataType(), f->GetSize(), f->GetRequired());
            }
        }
        TDbfFieldDefs dbfDefs;
        dbfDefs.DbfVersion = level;
        dbfDefs.UseFloatFields = useFloatFields;
        for (int i = 0; i < defs->Count(); ++i) {
            TFieldDef* d = defs->GetItems(i);
            dbfDefs.Add()->AssignFrom(d->GetName(), d->GetDataType(),
                                      d->GetSize() >= 1 ? d->GetSize() : 0, d->GetPrecision(),
                                      d->GetRequired());
        }
        file->FinishCreate(dbfDefs, ".dbt", 512);
    }
    for (int i = 0; i < indexDefs->Count(); ++i) {
        TDbfIndexDef* d = indexDefs->GetItems(i);
        file->OpenIndex(d->GetIndexFile(), d->GetSortField(), d->GetOptions(), true);
    }
    file.reset();
}

void TDbfTable::InternalOpen() {
    dbfFile.reset();
    QString name = fullTableName();
    if (!FileExists(name) && (openMode == omAutoCreate || openMode == omTemporary)) CreateTable();
    auto file = std::make_unique<TDbfFile>(name);
    file->SetMode(openFileMode());
    file->UseFloatFields = useFloatFields;
    file->DateTimeHandling = dateTimeHandling;
    file->OnIndexMissing = [this](bool& deleteLink) {
        if (OnIndexMissing) OnIndexMissing(deleteLink);
    };
    file->OnLocaleError = [this](int& error, uint32_t& solution) {
        if (OnLocaleError) OnLocaleError(error, solution);
    };
    file->OnIndexDropped = [this](const QString& indexFile, const QString& reason) {
        if (OnIndexDropped) OnIndexDropped(this, indexFile, reason);
    };
    file->Open();
    if (file->NeedsCreation()) {
        file.reset();
        Abort();
    }
    switch (file->DbfVersion()) {
    case xBaseIII:
        tableLevel = 3;
        break;
    case xBaseIV:
        tableLevel = 4;
        break;
    case xBaseVII:
        tableLevel = 7;
        break;
    default:
        break;
    }
    dbfFile = std::move(file);
    try {
        InitFieldDefs();
        if (GetDefaultFields()) CreateFields();
        BindFields(true);
        CalcFieldsOffset = InfoSize + dbfFile->RecordSize();
        // where the text of each field sits in a record, for FieldTextView
        const TDbfFieldDefs* defs = dbfFile->FieldDefs();
        fieldSpans.assign(size_t(defs->Count()), TFieldSpan{});
        for (int i = 0; i < defs->Count(); ++i) {
            const TDbfFieldDef* d = (*defs)[i];
            const char t = d->GetNativeFieldType();
            const bool binary = t == '+' || t == 'I' || t == '@' || t == 'O';
            fieldSpans[size_t(i)] = {d->Offset, binary ? -1 : d->GetSize()};
        }
        decideTranslation();
        for (int i = 0; i < indexDefs->Count(); ++i) {
            TDbfIndexDef* d = indexDefs->GetItems(i);
            dbfFile->OpenIndex(d->GetIndexFile(), d->GetSortField(), d->GetOptions(), false);
        }
        applyIndexName();
        InternalFirst();
    } catch (...) {
        cursor.reset();
        indexFile = nullptr;
        dbfFile.reset();
        throw;
    }
}

void TDbfTable::decideTranslation() {
    TDbfGlobals* g = DbfGlobals();
    int cp = dbfFile->GetCodePage();
    if (cp == 0) cp = g->OemCodePage;
    tableCodePage = cp;
    if (cp == g->AnsiCodePage)
        translationMode = tmNone;
    else if (cp == g->OemCodePage)
        translationMode = tmOem;
    else if (g->CodePageInstalled(cp))
        translationMode = tmCodePage;
    else {
        TDbfLanguageAction action = laReadOnly;
        if (OnLanguageWarning) OnLanguageWarning(this, action);
        translationMode = action == laForceOEM    ? tmOem
                          : action == laForceANSI ? tmNone
                                                  : tmReadOnly;
    }
    // single-byte pages translate byte by byte through two tables
    toTable.clear();
    fromTable.clear();
    int target = translationMode == tmOem ? g->OemCodePage : cp;
    if ((translationMode == tmOem || translationMode == tmCodePage) &&
        !IsDoubleByteCodePage(target) && !IsDoubleByteCodePage(g->AnsiCodePage)) {
        QByteArray all(256, '\0');
        for (int i = 0; i < 256; ++i)
            all[i] = char(i);
        QByteArray to = ConvertCodePage(all, g->AnsiCodePage, target);
        QByteArray from = ConvertCodePage(all, target, g->AnsiCodePage);
        if (to.size() == 256 && from.size() == 256) {
            toTable = to;
            fromTable = from;
        }
    }
    tablesKeepAscii = !toTable.isEmpty();
    for (int i = 0; i < 0x80 && tablesKeepAscii; ++i)
        tablesKeepAscii = toTable[i] == char(i) && fromTable[i] == char(i);
}

void TDbfTable::InternalClose() {
    BindFields(false);
    if (GetDefaultFields()) DestroyFields();
    if (editingRecNo >= 0 && dbfFile) dbfFile->UnlockRecord(editingRecNo);
    editingRecNo = -1;
    cursor.reset();
    indexFile = nullptr;
    if (dbfFile) {
        if (!readOnly) dbfFile->Flush();
        dbfFile->Close();
    }
    dbfFile.reset();
}

void TDbfTable::InternalInitFieldDefs() {
    std::unique_ptr<TDbfFile> temp;
    TDbfFile* file = dbfFile.get();
    if (!file) {
        temp = std::make_unique<TDbfFile>(fullTableName());
        temp->SetMode(pfReadOnly);
        temp->UseFloatFields = useFloatFields;
        temp->Open();
        file = temp.get();
    }
    TFieldDefs* defs = GetFieldDefs();
    defs->Clear();
    const TDbfFieldDefs* dbfDefs = file->FieldDefs();
    for (int i = 0; i < dbfDefs->Count(); ++i) {
        TDbfFieldDef* f = dbfDefs->GetItems(i);
        QString name = f->GetFieldName();
        for (int n = 2; defs->IndexOf(name) >= 0; ++n)
            name = f->GetFieldName() + QString::number(n);
        TFieldType type = f->GetFieldType();
        int size = type == ftString || type == ftBCD ? f->GetSize() : 0;
        TFieldDef* d = defs->Add(name, type, size, f->GetRequired());
        d->SetFieldNo(i + 1);
        if (type == ftBCD) d->SetPrecision(f->GetPrecision());
        TFieldAttributes attrs = d->GetAttributes();
        if (type == ftAutoInc) attrs.Include(faReadonly);
        if (f->IsLockField) attrs.Include(faHiddenCol);
        d->SetAttributes(attrs);
    }
    if (TIndexFile* mdx = file->MdxFile()) {
        for (int slot = 0; slot < mdx->TagCount(); ++slot) {
            const QString tag = mdx->TagName(slot);
            if (indexDefs->GetIndexByName(tag)) continue;
            TDbfIndexDef* d = indexDefs->Add();
            d->SetIndexFile(tag);
            d->SetSortField(mdx->TagExpression(slot));
            d->SetOptions(mdx->TagOptions(slot));
        }
    }
}

void TDbfTable::SetIndexName(const QString& v) {
    indexName = v;
    if (GetActive() || (dbfFile && cursor)) {
        CheckBrowseMode();
        applyIndexName();
        Resync({});
    }
}

void TDbfTable::applyIndexName() {
    int recNo = cursor ? cursor->GetPhysicalRecNo() : 0;
    indexFile = nullptr;
    std::unique_ptr<TVirtualCursor> next;
    if (!indexName.isEmpty()) {
        QString name = indexName;
        if (!ExtractFileExt(name).isEmpty()) {
            if (!name.startsWith('/')) name = absolutePath + name;
        } else {
            name = name.left(10);
        }
        indexFile = dbfFile->GetIndexByName(name);
        if (indexFile) {
            if (ExtractFileExt(name).isEmpty()) indexFile->SelectIndex(name);
            next = std::make_unique<TIndexCursor>(indexFile, indexFile->CurrentTag());
        }
    }
    if (!next) next = std::make_unique<TDbfCursor>(dbfFile.get());
    cursor = std::move(next);
    if (recNo < 1) recNo = 1;
    if (recNo <= dbfFile->GetRecordCount())
        cursor->SetPhysicalRecNo(recNo);
    else
        cursor->First();
    if (masterLink->Valid) masterChanged();
}

TRecordBuffer TDbfTable::AllocRecordBuffer() {
    int size = InfoSize + (dbfFile ? dbfFile->RecordSize() : 0) + GetCalcFieldsSize();
    char* b = new char[size];
    memset(b, 0, size);
    return b;
}

void TDbfTable::FreeRecordBuffer(TRecordBuffer& Buffer) {
    delete[] Buffer;
    Buffer = nullptr;
}

int TDbfTable::GetRecordSize() const {
    return dbfFile ? dbfFile->RecordSize() : 0;
}

TGetResult TDbfTable::GetRecord(TRecordBuffer Buffer, TGetMode GetMode, bool DoCheck) {
    if (!cursor || !dbfFile) return GetMode == gmPrior ? grBOF : grEOF;
    // Right after a post the active buffer holds what was just written to the record: it is
    // taken from there, without asking the file (a shared one) for its size or the record.
    TRecordBuffer posted = resyncAfterPost ? ActiveBuffer() : nullptr;
    resyncAfterPost = false;
    const bool fromPost = posted && posted != Buffer && GetMode == gmCurrent &&
                          recNoOf(posted) == uint32_t(cursor->GetPhysicalRecNo()) &&
                          recNoOf(posted) >= 1;
    // the record count of a shared file is taken once for the call
    const int count = fromPost ? 0 : dbfFile->GetRecordCount();
    if (!fromPost && count < 1) return GetMode == gmPrior ? grBOF : grEOF;
    for (bool first = true;; first = false) {
        switch (GetMode) {
        case gmNext:
            if (!cursor->Next()) return grEOF;
            break;
        case gmPrior:
            if (!cursor->Prev()) return grBOF;
            break;
        case gmCurrent:
            break;
        }
        int recNo = cursor->GetPhysicalRecNo();
        if (fromPost && first)
            memcpy(Buffer + InfoSize, posted + InfoSize, dbfFile->RecordSize());
        else if (recNo < 1 || recNo > count)
            return grError;
        else if (dbfFile->ReadRecordCached(recNo, Buffer + InfoSize) != dbfFile->RecordSize())
            return grError;
        bool accepted = showDeleted || Buffer[InfoSize] != '*';
        if (accepted && GetFiltered()) accepted = RecordFilterAccepts(Buffer);
        if (accepted) {
            uint32_t n = uint32_t(recNo);
            memcpy(Buffer, &n, 4);
            Buffer[4] = char(bfCurrent);
            GetCalcFields(Buffer);
            return grOK;
        }
        if (GetMode == gmCurrent) return grError;
    }
}

void TDbfTable::GetBookmarkData(TRecordBuffer Buffer, TBookmark& Data) const {
    Data = QByteArray(Buffer, 4);
}

void TDbfTable::SetBookmarkData(TRecordBuffer Buffer, const TBookmark& Data) {
    if (Data.size() >= 4) memcpy(Buffer, Data.constData(), 4);
}

TBookmarkFlag TDbfTable::GetBookmarkFlag(TRecordBuffer Buffer) const {
    return TBookmarkFlag(uint8_t(Buffer[4]));
}

void TDbfTable::SetBookmarkFlag(TRecordBuffer Buffer, TBookmarkFlag Value) {
    Buffer[4] = char(Value);
}

int TDbfTable::CompareBookmarks(const TBookmark& b1, const TBookmark& b2) const {
    bool has1 = b1.size() >= 4, has2 = b2.size() >= 4;
    if (!has1 && !has2) return 0;
    if (!has1) return 1;
    if (!has2) return -1;
    uint32_t n1, n2;
    memcpy(&n1, b1.constData(), 4);
    memcpy(&n2, b2.constData(), 4);
    return n1 < n2 ? -1 : n1 > n2 ? 1 : 0;
}

bool TDbfTable::BookmarkValid(const TBookmark& Bookmark) const {
    if (!dbfFile || Bookmark.size() < 4) return false;
    uint32_t n;
    memcpy(&n, Bookmark.constData(), 4);
    return n >= 1 && int(n) <= dbfFile->GetRecordCount();
}

void TDbfTable::InternalInitRecord(TRecordBuffer Buffer) {
    memset(Buffer, 0, InfoSize);
    dbfFile->InitRecord(Buffer + InfoSize);
}

void TDbfTable::ClearCalcFields(TRecordBuffer Buffer) {
    int size = GetCalcFieldsSize();
    if (dbfFile && size > 0) memset(Buffer + InfoSize + dbfFile->RecordSize(), 0, size);
}

void TDbfTable::InternalFirst() {
    cursor->First();
}

void TDbfTable::InternalLast() {
    cursor->Last();
}

void TDbfTable::InternalGotoBookmark(const TBookmark& Bookmark) {
    uint32_t n = 0;
    if (Bookmark.size() >= 4) memcpy(&n, Bookmark.constData(), 4);
    cursor->GotoBookmark(int(n));
}

void TDbfTable::InternalSetToRecord(TRecordBuffer Buffer) {
    if (GetBookmarkFlag(Buffer) == bfInserted) return;
    cursor->SetPhysicalRecNo(int(recNoOf(Buffer)));
}

int TDbfTable::GetRecNo() const {
    if (!cursor) return -1;
    TRecordBuffer b = const_cast<TDbfTable*>(this)->GetActiveRecBuf();
    if (!b || GetBookmarkFlag(b) == bfInserted) return -1;
    if (dynamic_cast<TDbfCursor*>(cursor.get())) return int(recNoOf(b));
    auto* self = const_cast<TDbfTable*>(this);
    self->UpdateCursorPos();
    return cursor->GetSequentialRecNo();
}

void TDbfTable::SetRecNo(int Value) {
    CheckBrowseMode();
    cursor->SetSequentialRecNo(Value);
    Resync({});
}

int TDbfTable::GetRecordCount() const {
    return cursor ? cursor->GetSequentialRecordCount() : 0;
}

bool TDbfTable::CanModify() const {
    return !readOnly && translationMode != tmReadOnly;
}

void TDbfTable::InternalEdit() {
    int recNo = cursor->GetPhysicalRecNo();
    TRecordBuffer b = ActiveBuffer();
    dbfFile->LockRecordForEdit(recNo, b + InfoSize);
    editingRecNo = recNo;
}

void TDbfTable::InternalPost() {
    TRecordBuffer b = ActiveBuffer();
    if (GetState() == dsEdit) {
        QByteArray before(dbfFile->PrevBuffer(), dbfFile->RecordSize());
        dbfFile->PostRecord(editingRecNo, b + InfoSize);
        cursor->Update(editingRecNo, before.constData(), b + InfoSize);
        editingRecNo = -1;
    } else {
        int n = dbfFile->InsertRecord(b + InfoSize);
        uint32_t u = uint32_t(n);
        memcpy(b, &u, 4);
        cursor->Insert(n, b + InfoSize);
        cursor->SetPhysicalRecNo(n);
    }
    justPosted = true;
}

void TDbfTable::InternalCancel() {
    if (editingRecNo >= 0) dbfFile->UnlockRecord(editingRecNo);
    editingRecNo = -1;
}

void TDbfTable::InternalDelete() {
    int recNo = cursor->GetPhysicalRecNo();
    QByteArray rec(dbfFile->RecordSize(), ' ');
    dbfFile->LockRecordForEdit(recNo, rec.data());
    try {
        rec[0] = '*';
        dbfFile->RecordDeleted(recNo, rec.constData());
        dbfFile->PostRecord(recNo, rec.data());
    } catch (...) {
        dbfFile->UnlockRecord(recNo);
        throw;
    }
}

void TDbfTable::Resync(TResyncMode Mode) {
    const bool posted = justPosted;
    if (DisableResyncOnPost && justPosted) {
        justPosted = false;
        return;
    }
    justPosted = false;
    // Right after a post the active buffer holds what was just written to the record:
    // GetRecord copies it from there instead of reading the file again.
    resyncAfterPost = posted;
    TScopeGuard reset([this] { resyncAfterPost = false; });
    TDataSet::Resync(Mode);
    reset.End();
}

bool TDbfTable::FieldTextView(TField* Field, const char*& Data, int& Length) {
    const TFieldType type = Field->GetDataType();
    const int no = Field->GetFieldNo();
    // a binary field (or one the file does not have): GetFieldData decodes it
    if (no < 1 || no > int(fieldSpans.size()) || fieldSpans[size_t(no - 1)].Size < 0 ||
        Field->IsBlob() || (type != ftString && type != ftFixedChar && type != ftGuid))
        return false;
    TRecordBuffer b = GetActiveRecBuf();
    Data = nullptr;
    if (!b) return true;
    // as GetFieldData gives it: the bytes without trailing blanks and zeros, none is null, cut
    // at the field's size and at a zero
    const TFieldSpan& span = fieldSpans[size_t(no - 1)];
    const char* p = b + InfoSize + span.Offset;
    int end = span.Size;
    while (end > 0 && (p[end - 1] == ' ' || p[end - 1] == '\0'))
        --end;
    if (end == 0) return true;
    const int limit = std::min(end, Field->GetSize());
    int n = 0;
    if (limit > 16) {
        n = int(strnlen(p, size_t(limit)));
    } else {
        while (n < limit && p[n] != '\0')
            ++n;
    }
    Data = p;
    Length = n;
    return true;
}

bool TDbfTable::GetFieldData(TField* Field, void* Buffer) {
    TRecordBuffer b = GetActiveRecBuf();
    if (!b) return false;
    if (Field->GetFieldNo() < 1) return GetCalcFieldData(Field, Buffer);
    int index = Field->GetFieldNo() - 1;
    const char* rec = b + InfoSize;
    TFieldType type = Field->GetDataType();
    if (!Buffer || Field->IsBlob())
        return dbfFile->GetFieldData(index, IsBlobType(type) ? ftString : type, nullptr, rec) &&
               (!Field->IsBlob() || [&] {
                   int32_t block = 0;
                   return dbfFile->GetFieldData(index, ftInteger, &block, rec) && block > 0;
               }());
    switch (type) {
    case ftString:
    case ftFixedChar:
    case ftGuid: {
        int length = 0;
        const char* text = dbfFile->FieldText(index, rec, length);
        QByteArray copy;
        if (!text) {
            if (!dbfFile->GetFieldData(index, ftString, &copy, rec)) return false;
            text = copy.constData();
            length = int(copy.size());
        }
        if (length == 0) return false;
        int n = std::min(length, Field->GetSize());
        memcpy(Buffer, text, n);
        static_cast<char*>(Buffer)[n] = 0;
        return true;
    }
    case ftWideString: {
        QByteArray text;
        if (!dbfFile->GetFieldData(index, ftString, &text, rec)) return false;
        QString s = FromCodePage(TranslateBytes(text, false), 1251).left(Field->GetSize());
        memcpy(Buffer, s.utf16(), (s.size() + 1) * 2);
        return true;
    }
    case ftBoolean: {
        bool v = false;
        if (!dbfFile->GetFieldData(index, ftBoolean, &v, rec)) return false;
        int16_t w = v ? 1 : 0;
        memcpy(Buffer, &w, 2);
        return true;
    }
    case ftWord: {
        int32_t v = 0;
        if (!dbfFile->GetFieldData(index, ftInteger, &v, rec)) return false;
        uint16_t w = uint16_t(v);
        memcpy(Buffer, &w, 2);
        return true;
    }
    case ftSmallint: {
        int16_t v = 0;
        if (!dbfFile->GetFieldData(index, ftSmallint, &v, rec)) return false;
        memcpy(Buffer, &v, 2);
        return true;
    }
    case ftInteger:
    case ftAutoInc: {
        int32_t v = 0;
        if (!dbfFile->GetFieldData(index, type, &v, rec)) return false;
        memcpy(Buffer, &v, 4);
        return true;
    }
    case ftLargeint: {
        int64_t v = 0;
        if (!dbfFile->GetFieldData(index, ftLargeint, &v, rec)) return false;
        memcpy(Buffer, &v, 8);
        return true;
    }
    case ftFloat:
    case ftCurrency:
    case ftDate:
    case ftTime:
    case ftDateTime: {
        double v = 0;
        if (!dbfFile->GetFieldData(index, type, &v, rec)) return false;
        memcpy(Buffer, &v, 8);
        return true;
    }
    default:
        return false;
    }
}

void TDbfTable::SetFieldData(TField* Field, const void* Buffer) {
    if (Field->GetFieldNo() < 1) {
        SetCalcFieldData(Field, Buffer);
        return;
    }
    TRecordBuffer b = GetActiveRecBuf();
    if (!b) return;
    int index = Field->GetFieldNo() - 1;
    char* rec = b + InfoSize;
    TFieldType type = Field->GetDataType();
    if (!Buffer) {
        dbfFile->SetFieldData(index, type, nullptr, rec);
    } else {
        switch (type) {
        case ftString:
        case ftFixedChar:
        case ftGuid: {
            const char* p = static_cast<const char*>(Buffer);
            dbfFile->SetFieldText(index, p,
                                  int(strnlen(p, size_t(std::max(Field->GetSize(), 0)) + 1)), rec);
            break;
        }
        case ftWideString: {
            QString s = QString::fromUtf16(static_cast<const char16_t*>(Buffer));
            QByteArray text = TranslateBytes(ToCodePage(s, 1251), true);
            dbfFile->SetFieldData(index, ftString, &text, rec);
            break;
        }
        case ftBoolean: {
            int16_t w;
            memcpy(&w, Buffer, 2);
            bool v = w != 0;
            dbfFile->SetFieldData(index, ftBoolean, &v, rec);
            break;
        }
        case ftWord: {
            uint16_t w;
            memcpy(&w, Buffer, 2);
            int32_t v = w;
            dbfFile->SetFieldData(index, ftInteger, &v, rec);
            break;
        }
        case ftSmallint: {
            int16_t v;
            memcpy(&v, Buffer, 2);
            dbfFile->SetFieldData(index, ftSmallint, &v, rec);
            break;
        }
        case ftInteger:
        case ftAutoInc: {
            int32_t v;
            memcpy(&v, Buffer, 4);
            dbfFile->SetFieldData(index, type, &v, rec);
            break;
        }
        case ftLargeint: {
            int64_t v;
            memcpy(&v, Buffer, 8);
            dbfFile->SetFieldData(index, ftLargeint, &v, rec);
            break;
        }
        case ftFloat:
        case ftCurrency:
        case ftDate:
        case ftTime:
        case ftDateTime: {
            double v;
            memcpy(&v, Buffer, 8);
            dbfFile->SetFieldData(index, type, &v, rec);
            break;
        }
        default:
            return;
        }
    }
    NotifyFieldChange(Field);
}

// The memo block a blob field of the active record starts at (0: none).
int TDbfTable::memoBlockOf(TField* Field) {
    TRecordBuffer rec = GetActiveRecBuf();
    int32_t block = 0;
    if (!rec || !dbfFile->GetFieldData(Field->GetFieldNo() - 1, ftInteger, &block, rec + InfoSize))
        block = 0;
    return block;
}

QByteArray TDbfTable::ReadBlob(TField* Field) {
    const int block = memoBlockOf(Field);
    if (block <= 0 || !dbfFile->MemoFile()) return QByteArray();
    QByteArray bytes = dbfFile->MemoFile()->ReadMemo(block);
    return Field->GetTransliterate() ? TranslateBytes(bytes, false) : bytes;
}

void TDbfTable::WriteBlob(TField* Field, const QByteArray& Bytes) {
    TRecordBuffer rec = GetActiveRecBuf();
    TDbtFile* memo = dbfFile->MemoFile();
    if (!rec || !memo) return;
    int block = memoBlockOf(Field);
    // the blocks of the value there now are reused when the new one fits in them
    const int previousLength = block > 0 ? int(memo->ReadMemo(block).size()) : 0;
    memo->WriteMemo(block, previousLength,
                    Field->GetTransliterate() ? TranslateBytes(Bytes, true) : Bytes);
    int32_t b = block;
    dbfFile->SetFieldData(Field->GetFieldNo() - 1, ftInteger, block ? &b : nullptr, rec + InfoSize);
    SetModified(true);
}

QByteArray TDbfTable::TranslateBytes(const QByteArray& bytes, bool ToOem) {
    if (OnTranslate) {
        QByteArray src = bytes;
        QByteArray dst(bytes.size() * 2 + 16, '\0');
        int n = OnTranslate(this, src.constData(), dst.data(), ToOem);
        return dst.left(std::max(0, n));
    }
    switch (translationMode) {
    case tmOem:
        return ToOem ? AnsiToOem(bytes) : OemToAnsi(bytes);
    case tmCodePage:
        return ToOem ? ConvertCodePage(bytes, DbfGlobals()->AnsiCodePage, tableCodePage)
                     : ConvertCodePage(bytes, tableCodePage, DbfGlobals()->AnsiCodePage);
    default:
        return bytes;
    }
}

bool TDbfTable::TranslateKeepsText() const {
    return !OnTranslate && (translationMode == tmNone || translationMode == tmReadOnly);
}

bool TDbfTable::TranslateKeepsAscii() const {
    if (OnTranslate) return false;
    if (translationMode == tmNone || translationMode == tmReadOnly) return true;
    return !toTable.isEmpty() && tablesKeepAscii;
}

int TDbfTable::Translate(const char* Src, char* Dest, bool ToOem) {
    if (OnTranslate) return OnTranslate(this, Src, Dest, ToOem);
    int len = int(strlen(Src));
    if (translationMode == tmNone || translationMode == tmReadOnly) {
        if (Src != Dest) memmove(Dest, Src, len + 1);
        return len;
    }
    if (!toTable.isEmpty()) {
        const QByteArray& table = ToOem ? toTable : fromTable;
        for (int i = 0; i < len; ++i)
            Dest[i] = table[uint8_t(Src[i])];
        Dest[len] = 0;
        return len;
    }
    QByteArray out = TranslateBytes(QByteArray(Src, len), ToOem);
    // the destination holds as many bytes as the source: a longer result is cut there
    int n = std::min<int>(int(out.size()), len);
    memcpy(Dest, out.constData(), n);
    Dest[n] = 0;
    return n;
}

bool TDbfTable::Locate(const QString& KeyFields, const Variant& KeyValues, TLocateOptions Options) {
    CheckBrowseMode();
    auto* idxCursor = dynamic_cast<TIndexCursor*>(cursor.get());
    if (idxCursor && indexFile &&
        indexFile->TagExpression(idxCursor->Tag()).compare(KeyFields, Qt::CaseInsensitive) == 0 &&
        !VarIsArray(KeyValues) && !Options.Contains(loCaseInsensitive)) {
        TBookmark saved = GetBookmark();
        DisableControls();
        TScopeGuard enable([this] { EnableControls(); });
        const bool found = idxCursor->SearchValue(KeyValues, Options);
        // the index gave a candidate; check it against the options
        if (found) Resync({rmExact, rmCenter});
        enable.End();
        if (!found && !saved.isEmpty()) GotoBookmark(saved);
        return found;
    }
    return TDataSet::Locate(KeyFields, KeyValues, Options);
}

void TDbfTable::SetRange(const Variant& LowValue, const Variant& HighValue) {
    auto* idxCursor = dynamic_cast<TIndexCursor*>(cursor.get());
    if (!idxCursor) return;
    CheckBrowseMode();
    idxCursor->SetRange(LowValue, HighValue);
    if (GetActive()) First();
}

void TDbfTable::CancelRange() {
    auto* idxCursor = dynamic_cast<TIndexCursor*>(cursor.get());
    if (!idxCursor) return;
    CheckBrowseMode();
    idxCursor->CancelRange();
    if (GetActive()) First();
}

void TDbfTable::masterChanged() {
    TDataSet* master = masterLink->GetDataSet();
    auto* masterTable = dynamic_cast<TDbfTable*>(master);
    // the link is valid only with a dBase table as master
    masterLink->Valid = masterTable && masterTable->dbfFile && !masterLink->FieldNames.isEmpty();
    if (!masterLink->Valid || !dbfFile || !cursor) return;
    auto* idxCursor = dynamic_cast<TIndexCursor*>(cursor.get());
    if (!idxCursor) return;
    if (!masterLink->Parser || masterLink->Parser->File() != masterTable->dbfFile.get()) {
        masterLink->Parser = std::make_unique<TDbfParser>(masterTable->dbfFile.get());
        masterLink->Parser->ParseExpression(masterLink->FieldNames);
    } else if (masterLink->Parser->Expression() != masterLink->FieldNames) {
        masterLink->Parser->ClearExpressions();
        masterLink->Parser->ParseExpression(masterLink->FieldNames);
    }
    TRecordBuffer mb = masterTable->GetActiveRecBuf();
    if (!mb) return;
    Variant key = masterLink->Parser->EvaluateVariant(mb + InfoSize);
    idxCursor->SetRange(key, key);
    if (GetActive()) {
        CheckBrowseMode();
        First();
    }
}

void TDbfTable::masterDisabled() {
    masterLink->Valid = false;
    if (auto* idxCursor = dynamic_cast<TIndexCursor*>(cursor.get())) {
        idxCursor->CancelRange();
        if (GetActive()) First();
    }
}
