// TDataSet: states, the record window, navigation, editing, events and searching.
#include "DB.h"
#include "ScopeGuard.h"

#include <algorithm>
#include <cstring>

// ---- errors -----------------------------------------------------------------------------------

void DatabaseError(const QString& Message, TComponent* Component) {
    if (Component && !Component->GetName().isEmpty())
        throw EDatabaseError(Component->GetName() + QStringLiteral(": ") + Message);
    throw EDatabaseError(Message);
}

void DatabaseErrorFmt(const QString& Message, std::initializer_list<TFormatArg> Args,
                      TComponent* Component) {
    DatabaseError(Format(Message, Args), Component);
}

// ---- construction -----------------------------------------------------------------------------

TDataSet::TDataSet(TComponent* AOwner)
    : TComponent(AOwner), fields(std::make_unique<TFields>(this)),
      fieldDefs(std::make_unique<TFieldDefs>(this)) {}

TDataSet::~TDataSet() {
    // A subclass closes in its destructor (or BeforeDestruction did); here only what needs
    // no virtuals is left to undo.
    Destroying();
    while (!dataSources.empty())
        dataSources.back()->SetDataSet(nullptr);
    // Fields owned by this dataset are deleted by ~TComponent; detach the others.
    for (TField* f : fields->list)
        f->dataSet = nullptr;
    fields->list.clear();
    fields->byNameValid = false;
}

void TDataSet::BeforeDestruction() {
    Destroying();
    SetActive(false);
    TComponent::BeforeDestruction();
}

void TDataSet::Loaded() {
    TComponent::Loaded();
    try {
        if (streamedActive) SetActive(true);
    } catch (...) {
        if (IsDesigning())
            InternalHandleException();
        else
            throw;
    }
}

void TDataSet::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
}

void TDataSet::CheckActive() const {
    if (!GetActive()) DatabaseError(QString::fromUtf8(SDataSetClosed), const_cast<TDataSet*>(this));
}

void TDataSet::CheckInactive() const {
    if (GetActive()) DatabaseError(QString::fromUtf8(SDataSetOpen), const_cast<TDataSet*>(this));
}

void TDataSet::CheckCanModify() const {
    if (!CanModify())
        DatabaseError(QString::fromUtf8(SDataSetReadOnly), const_cast<TDataSet*>(this));
}

// ---- open and close ---------------------------------------------------------------------------

void TDataSet::SetActive(bool Value) {
    if (IsLoading() && GetComponentState().Contains(csReading)) {
        streamedActive = Value;
        return;
    }
    if (GetActive() == Value) return;
    if (Value) {
        fire(BeforeOpen);
        try {
            openCursor();
        } catch (...) {
            // Undo a half-done open: no cursor, no buffers, and no default fields left behind
            // (they would count as persistent fields at the next open).
            if (IsCursorOpen() || !buffers.empty()) closeCursor();
            state = dsInactive;
            if (defaultFields) {
                BindFields(false);
                DestroyFields();
            }
            throw;
        }
        SetState(dsBrowse);
        fire(AfterOpen);
        if (!IsEmpty()) doAfterScroll();
    } else {
        bool events = !IsDestroying();
        if (events) fire(BeforeClose);
        try {
            SetState(dsInactive);
        } catch (...) {
            // A handler of the state change raised: the dataset is closed all the same.
            closeCursor();
            throw;
        }
        closeCursor();
        if (events) fire(AfterClose);
    }
}

void TDataSet::openCursor() {
    state = dsOpening;
    internalOpenComplete = false;
    defaultFields = fields->Count() == 0;
    InternalOpen();
    internalOpenComplete = true;
    refreshLookupLists();
    bof = true;
    eof = true;
    updateBufferCount();
    if (bufferCount == 0) SetBufferCount(1);
    bof = true;
}

void TDataSet::closeCursor() {
    setBufListSize(0);
    bufferCount = 0;
    recordCount = 0;
    activeRecord = 0;
    currentRecord = -1;
    bof = true;
    eof = true;
    if (IsCursorOpen() || internalOpenComplete) InternalClose();
    internalOpenComplete = false;
    for (TField* f : fields->list)
        f->lookupList.clear();
}

void TDataSet::SetState(TDataSetState Value) {
    if (state != Value) {
        state = Value;
        modified = false;
        DataEvent(deUpdateState, 0);
    }
}

TDataSetState TDataSet::SetTempState(TDataSetState Value) {
    TDataSetState old = state;
    state = Value;
    ++disableCount;
    return old;
}

void TDataSet::RestoreState(TDataSetState Value) {
    state = Value;
    --disableCount;
}

void TDataSet::InitFieldDefs() {
    InternalInitFieldDefs();
    fieldDefs->SetUpdated(true);
}

// ---- fields -----------------------------------------------------------------------------------

TField* TDataSet::FindField(const QString& FieldName) const {
    return fields->FindField(FieldName);
}

TField* TDataSet::FieldByName(const QString& FieldName) const {
    TField* f = fields->FindField(FieldName);
    if (!f)
        DatabaseErrorFmt(QString::fromUtf8(SFieldNotFound), {FieldName},
                         const_cast<TDataSet*>(this));
    return f;
}

static QStringList splitFieldNames(const QString& Names) {
    QStringList out;
    for (const QString& part : Names.split(u';')) {
        QString t = part.trimmed();
        if (!t.isEmpty()) out << t;
    }
    return out;
}

void TDataSet::GetFieldList(QList<TField*>& List, const QString& FieldNames) const {
    for (const QString& n : splitFieldNames(FieldNames))
        List.append(FieldByName(n));
}

void TDataSet::GetFieldList(TList* List, const QString& FieldNames) const {
    for (const QString& n : splitFieldNames(FieldNames))
        List->Add(FieldByName(n));
}

Variant TDataSet::GetFieldValues(const QString& FieldNames) const {
    QList<TField*> list;
    GetFieldList(list, FieldNames);
    if (list.size() == 1) return list[0]->GetAsVariant();
    Variant r = VarArrayCreate(0, int(list.size()) - 1);
    for (int i = 0; i < list.size(); ++i)
        r[i] = list[i]->GetAsVariant();
    return r;
}

void TDataSet::SetFieldValues(const QString& FieldNames, const Variant& Value) {
    QList<TField*> list;
    GetFieldList(list, FieldNames);
    if (list.size() == 1 && !Value.IsArray()) {
        list[0]->SetAsVariant(Value);
        return;
    }
    for (int i = 0; i < list.size(); ++i)
        list[i]->SetAsVariant(Value.IsArray() ? Value[Value.LowBound() + i] : Value);
}

void TDataSet::CreateFields() {
    for (int i = 0; i < fieldDefs->Count(); ++i) {
        TFieldDef* def = fieldDefs->GetItems(i);
        if (def->GetDataType() != ftUnknown && FieldClassFor(def->GetDataType()))
            def->CreateField(this);
    }
}

void TDataSet::DestroyFields() {
    std::vector<TField*> copy = fields->list;
    for (auto it = copy.rbegin(); it != copy.rend(); ++it) {
        TField* f = *it;
        if (f->GetOwner() == this)
            delete f; // removes itself from the list
        else
            fields->Remove(f);
    }
}

void TDataSet::BindFields(bool Binding) {
    calcFieldsSize = 0;
    hasCalcFields = false;
    for (TField* f : fields->list) {
        if (!Binding) {
            f->Bind(false);
            f->fieldNo = 0;
            continue;
        }
        if (f->fieldKind == fkCalculated || f->fieldKind == fkLookup) {
            f->fieldNo = -1;
            f->Offset = calcFieldsSize;
            calcFieldsSize += f->GetDataSize() + 1;
            hasCalcFields = true;
            if (f->fieldKind == fkLookup &&
                (f->lookupDataSet == nullptr || f->keyFields.isEmpty() ||
                 f->lookupKeyFields.isEmpty() || f->lookupResultField.isEmpty()))
                DatabaseErrorFmt(QString::fromUtf8(SLookupInfoError), {f->GetDisplayName()}, this);
        } else {
            TFieldDef* def = fieldDefs->FindDef(f->fieldName);
            if (!def)
                DatabaseErrorFmt(QString::fromUtf8(SFieldNotFound), {f->GetDisplayName()}, this);
            TFieldType want = f->dataType, have = def->GetDataType();
            bool compatible = want == have || (want == ftString && have == ftFixedChar) ||
                              (want == ftFixedChar && have == ftString) ||
                              (f->IsBlob() && IsBlobType(have));
            if (!compatible)
                DatabaseErrorFmt(QString::fromUtf8(SFieldTypeMismatch),
                                 {f->GetDisplayName(), FieldTypeName(want), FieldTypeName(have)},
                                 this);
            f->fieldNo = def->GetFieldNo();
            if (def->InternalCalcField) hasCalcFields = true;
        }
        f->Bind(true);
    }
    if (!hasCalcFields)
        for (TField* f : fields->list)
            if (f->fieldKind == fkInternalCalc) hasCalcFields = true;
}

void TDataSet::refreshLookupLists() {
    for (TField* f : fields->list)
        if (f->fieldKind == fkLookup && f->lookupCache) f->RefreshLookupList();
}

// ---- buffers ----------------------------------------------------------------------------------

void TDataSet::setBufListSize(int Value) {
    int have = int(buffers.size());
    if (Value > have) {
        for (int i = have; i < Value; ++i)
            buffers.push_back(AllocRecordBuffer());
    } else {
        for (int i = have - 1; i >= Value; --i) {
            FreeRecordBuffer(buffers[i]);
            buffers.pop_back();
        }
    }
}

void TDataSet::adjustFirstRecord(int Delta) {
    if (Delta == 0) return;
    for (TDataSource* s : dataSources)
        for (TDataLink* l : s->dataLinks)
            if (l->active) l->firstRecord += Delta;
}

void TDataSet::SetBufferCount(int Value) {
    if (bufferCount == Value) return;
    if (bufferCount > Value && recordCount > 0) {
        // Keep the active record inside the smaller window: drop records above it first.
        int delta = std::max(0, activeRecord - (Value - 1));
        for (int i = 0; i < delta; ++i)
            moveBuffer(0, int(buffers.size()) - 1);
        activeRecord -= delta;
        if (currentRecord >= 0) {
            currentRecord -= delta;
            if (currentRecord < 0 || currentRecord >= Value) currentRecord = -1;
        }
        recordCount = std::min(recordCount - delta, Value);
        adjustFirstRecord(-delta);
    }
    setBufListSize(Value + 1);
    bufferCount = Value;
    if (!IsDestroying() && IsCursorOpen()) {
        getNextRecords();
        adjustFirstRecord(getPriorRecords());
    }
    for (TDataSource* s : dataSources)
        for (TDataLink* l : s->dataLinks)
            if (l->active) l->updateRange();
}

void TDataSet::updateBufferCount() {
    if (!IsCursorOpen()) return;
    int maxCount = 1;
    for (TDataSource* s : dataSources)
        for (TDataLink* l : s->dataLinks)
            maxCount = std::max(maxCount, l->bufferCount);
    SetBufferCount(maxCount);
}

void TDataSet::moveBuffer(int CurIndex, int NewIndex) {
    if (CurIndex == NewIndex) return;
    if (CurIndex - NewIndex == 1 || NewIndex - CurIndex == 1) {
        std::swap(buffers[CurIndex], buffers[NewIndex]);
        return;
    }
    TRecordBuffer b = buffers[CurIndex];
    if (CurIndex < NewIndex)
        std::move(buffers.begin() + CurIndex + 1, buffers.begin() + NewIndex + 1,
                  buffers.begin() + CurIndex);
    else
        std::move_backward(buffers.begin() + NewIndex, buffers.begin() + CurIndex,
                           buffers.begin() + CurIndex + 1);
    buffers[NewIndex] = b;
}

void TDataSet::ClearBuffers() {
    recordCount = 0;
    activeRecord = 0;
    currentRecord = -1;
    bof = true;
    eof = true;
}

void TDataSet::activateBuffers() {
    recordCount = 1;
    activeRecord = 0;
    currentRecord = 0;
    bof = false;
    eof = false;
}

void TDataSet::SetCurrentRecord(int Index) {
    if (currentRecord == Index) return;
    TRecordBuffer b = buffers[Index];
    switch (GetBookmarkFlag(b)) {
    case bfCurrent:
    case bfInserted:
        InternalSetToRecord(b);
        break;
    case bfBOF:
        InternalFirst();
        break;
    case bfEOF:
        InternalLast();
        break;
    }
    currentRecord = Index;
}

void TDataSet::UpdateCursorPos() {
    if (recordCount > 0) SetCurrentRecord(activeRecord);
}

bool TDataSet::getNextRecord() {
    TGetMode mode = gmNext;
    if (recordCount > 0) {
        SetCurrentRecord(recordCount - 1);
        if (state == dsInsert && currentRecord == activeRecord &&
            GetBookmarkFlag(ActiveBuffer()) == bfCurrent)
            mode = gmCurrent;
    }
    bool ok = GetRecord(buffers[recordCount], mode, true) == grOK;
    if (ok) {
        if (recordCount == 0)
            activateBuffers();
        else if (recordCount < bufferCount)
            ++recordCount;
        else if (recordCount == 1)
            std::swap(buffers[0], buffers[1]); // a window of one record, the usual batch walk
        else
            moveBuffer(0, recordCount);
        currentRecord = recordCount - 1;
    } else {
        CursorPosChanged();
    }
    return ok;
}

bool TDataSet::getPriorRecord() {
    checkBiDirectional();
    if (recordCount > 0) SetCurrentRecord(0);
    bool ok = GetRecord(buffers[recordCount], gmPrior, true) == grOK;
    if (ok) {
        if (recordCount == 0) {
            activateBuffers();
        } else {
            moveBuffer(recordCount, 0);
            if (recordCount < bufferCount) {
                ++recordCount;
                ++activeRecord;
            }
        }
        currentRecord = 0;
    } else {
        CursorPosChanged();
    }
    return ok;
}

int TDataSet::getNextRecords() {
    int n = 0;
    while (recordCount < bufferCount && getNextRecord())
        ++n;
    return n;
}

int TDataSet::getPriorRecords() {
    int n = 0;
    while (recordCount < bufferCount && getPriorRecord())
        ++n;
    return n;
}

TRecordBuffer TDataSet::GetActiveRecBuf() const {
    switch (state) {
    case dsBrowse:
        return IsEmpty() ? nullptr : ActiveBuffer();
    case dsEdit:
    case dsInsert:
    case dsNewValue:
    case dsCurValue:
        return ActiveBuffer();
    case dsCalcFields:
    case dsInternalCalc:
        return CalcBuffer;
    case dsFilter:
        return FilterBuffer;
    case dsOldValue:
        return OldValueBuffer;
    default:
        return nullptr;
    }
}

bool TDataSet::GetCalcFieldData(TField* Field, void* Buffer) {
    TRecordBuffer rec = GetActiveRecBuf();
    if (!rec) return false;
    const char* p = rec + CalcFieldsOffset + Field->Offset;
    if (p[0] == 0) return false;
    if (Buffer) std::memcpy(Buffer, p + 1, size_t(Field->GetDataSize()));
    return true;
}

void TDataSet::SetCalcFieldData(TField* Field, const void* Buffer) {
    TRecordBuffer rec = GetActiveRecBuf();
    if (!rec) return;
    char* p = rec + CalcFieldsOffset + Field->Offset;
    if (Buffer) {
        p[0] = 1;
        std::memcpy(p + 1, Buffer, size_t(Field->GetDataSize()));
    } else {
        std::memset(p, 0, size_t(Field->GetDataSize()) + 1);
    }
}

void TDataSet::NotifyFieldChange(TField* Field) {
    if (state != dsCalcFields && state != dsFilter && state != dsNewValue &&
        state != dsInternalCalc)
        DataEvent(deFieldChange, reinterpret_cast<intptr_t>(Field));
}

void TDataSet::ClearCalcFields(TRecordBuffer Buffer) {
    if (calcFieldsSize > 0 && Buffer)
        std::memset(Buffer + CalcFieldsOffset, 0, size_t(calcFieldsSize));
}

void TDataSet::InitRecord(TRecordBuffer Buffer) {
    InternalInitRecord(Buffer);
    ClearCalcFields(Buffer);
    SetBookmarkFlag(Buffer, bfInserted);
}

void TDataSet::GetCalcFields(TRecordBuffer Buffer) {
    if (!hasCalcFields && !OnCalcFields) return;
    TDataSetState saved = SetTempState(dsCalcFields);
    TRecordBuffer savedCalc = CalcBuffer;
    TScopeGuard restore([&] {
        CalcBuffer = savedCalc;
        RestoreState(saved);
    });
    CalculateFields(Buffer);
    restore.End();
}

void TDataSet::CalculateFields(TRecordBuffer Buffer) {
    CalcBuffer = Buffer;
    ClearCalcFields(Buffer);
    for (TField* f : fields->list)
        if (f->fieldKind == fkLookup) f->CalcLookupValue();
    if (OnCalcFields) OnCalcFields(this);
}

void TDataSet::DoOnNewRecord() {
    fire(OnNewRecord);
}

// ---- notifications ----------------------------------------------------------------------------

void TDataSet::DataEvent(TDataEvent Event, intptr_t Info) {
    switch (Event) {
    case deFieldChange: {
        TField* f = reinterpret_cast<TField*>(Info);
        if (f->fieldKind == fkData || f->fieldKind == fkInternalCalc) modified = true;
        if (state != dsSetKey && autoCalcFields && (hasCalcFields || OnCalcFields) &&
            (f->fieldKind == fkData || f->fieldKind == fkInternalCalc))
            GetCalcFields(ActiveBuffer());
        if (f->OnChange) f->OnChange(f);
        break;
    }
    case dePropertyChange:
        fieldDefs->SetUpdated(false);
        break;
    default:
        break;
    }
    if (disableCount == 0) {
        if (!dataSources.empty()) notifySources(Event, Info);
    } else if ((Event == deUpdateState && state == dsInactive) || Event == deLayoutChange) {
        enableEvent = deLayoutChange;
    }
}

// Kept out of line: most datasets in a batch job have no sources, and the check above is all
// they pay for.
[[gnu::noinline]] void TDataSet::notifySources(TDataEvent Event, intptr_t Info) {
    // A handler may detach a source meanwhile: tell only those still attached.
    std::vector<TDataSource*> copy = dataSources;
    for (TDataSource* s : copy)
        if (std::find(dataSources.begin(), dataSources.end(), s) != dataSources.end())
            s->DataEvent(Event, Info);
}

void TDataSet::DisableControls() {
    if (disableCount == 0) {
        disableState = state;
        enableEvent = deDataSetChange;
    }
    ++disableCount;
}

void TDataSet::EnableControls() {
    if (disableCount == 0) return;
    if (--disableCount == 0) {
        if (disableState != state) DataEvent(deUpdateState, 0);
        if (disableState != dsInactive && state != dsInactive) DataEvent(enableEvent, 0);
    }
}

bool TDataSet::IsLinkedTo(TDataSource* DataSource) const {
    int guard = 0;
    while (DataSource && guard++ < 1000) {
        TDataSet* ds = DataSource->GetDataSet();
        if (!ds) break;
        if (ds == this) return true;
        DataSource = ds->GetDataSource();
    }
    return false;
}

// ---- navigation -------------------------------------------------------------------------------

void TDataSet::First() {
    CheckBrowseMode();
    doBeforeScroll();
    ClearBuffers();
    TScopeGuard changed([&] {
        bof = true;
        DataEvent(deDataSetChange, 0);
    });
    InternalFirst();
    getNextRecords();
    changed.End();
    doAfterScroll();
}

void TDataSet::Last() {
    checkBiDirectional();
    CheckBrowseMode();
    doBeforeScroll();
    ClearBuffers();
    TScopeGuard changed([&] {
        eof = true;
        DataEvent(deDataSetChange, 0);
    });
    InternalLast();
    getPriorRecords();
    if (recordCount > 0) activeRecord = recordCount - 1;
    changed.End();
    doAfterScroll();
}

int TDataSet::MoveBy(int Distance) {
    CheckBrowseMode();
    int result = 0;
    doBeforeScroll();
    if ((Distance > 0 && !eof) || (Distance < 0 && !bof)) {
        bof = false;
        eof = false;
        int scrollCount = 0;
        auto finish = [&] {
            // Each link works out its own distance from the shift of the window.
            DataEvent(deDataSetScroll, scrollCount);
        };
        TScopeGuard finished([&] { finish(); });
        while (Distance > 0) {
            if (activeRecord < recordCount - 1) {
                ++activeRecord;
            } else {
                int shift = recordCount < bufferCount ? 0 : 1;
                if (getNextRecord()) {
                    scrollCount -= shift;
                    if (activeRecord < recordCount - 1) ++activeRecord;
                } else {
                    eof = true;
                    break;
                }
            }
            --Distance;
            ++result;
        }
        while (Distance < 0) {
            if (activeRecord > 0) {
                --activeRecord;
            } else {
                int shift = recordCount < bufferCount ? 0 : 1;
                if (getPriorRecord()) {
                    scrollCount += shift;
                    if (activeRecord > 0) --activeRecord;
                } else {
                    bof = true;
                    break;
                }
            }
            ++Distance;
            --result;
        }
        finished.End();
        doAfterScroll();
    }
    return result;
}

void TDataSet::Resync(TResyncMode Mode) {
    if (Mode.Contains(rmExact)) {
        CursorPosChanged();
        if (GetRecord(buffers[recordCount], gmCurrent, true) != grOK)
            DatabaseError(QString::fromUtf8(SRecordNotFound), this);
    } else if (GetRecord(buffers[recordCount], gmCurrent, false) != grOK &&
               GetRecord(buffers[recordCount], gmNext, false) != grOK &&
               GetRecord(buffers[recordCount], gmPrior, false) != grOK) {
        ClearBuffers();
        DataEvent(deDataSetChange, 0);
        return;
    }
    int count = Mode.Contains(rmCenter) ? (bufferCount - 1) / 2 : activeRecord;
    moveBuffer(recordCount, 0);
    activateBuffers();
    TScopeGuard changed([&] { DataEvent(deDataSetChange, 0); });
    while (count > 0 && getPriorRecord())
        --count;
    getNextRecords();
    getPriorRecords();
    changed.End();
}

void TDataSet::Refresh() {
    CheckBrowseMode();
    fire(BeforeRefresh);
    UpdateCursorPos();
    InternalRefresh();
    refreshLookupLists();
    Resync({});
    fire(AfterRefresh);
}

void TDataSet::CheckBrowseMode() {
    // browsing with no data source to tell: nothing to check or finish
    if (state == dsBrowse && dataSources.empty()) return;
    CheckActive();
    DataEvent(deCheckBrowseMode, 0);
    switch (state) {
    case dsEdit:
    case dsInsert:
        UpdateRecord();
        if (modified)
            Post();
        else
            Cancel();
        break;
    case dsSetKey:
        Post();
        break;
    default:
        break;
    }
}

// ---- bookmarks --------------------------------------------------------------------------------

TBookmark TDataSet::GetBookmark() const {
    TBookmark r;
    if (!GetActive() || IsEmpty() || buffers.empty()) return r;
    TRecordBuffer b = ActiveBuffer();
    if (GetBookmarkFlag(b) == bfCurrent) GetBookmarkData(b, r);
    return r;
}

void TDataSet::GotoBookmark(const TBookmark& Bookmark) {
    if (Bookmark.isEmpty()) return;
    CheckBrowseMode();
    doBeforeScroll();
    InternalGotoBookmark(Bookmark);
    Resync({rmExact, rmCenter});
    doAfterScroll();
}

int TDataSet::CompareBookmarks(const TBookmark& Bookmark1, const TBookmark& Bookmark2) const {
    if (Bookmark1.isEmpty() && Bookmark2.isEmpty()) return 0;
    if (Bookmark1.isEmpty()) return 1;
    if (Bookmark2.isEmpty()) return -1;
    int c = std::memcmp(Bookmark1.constData(), Bookmark2.constData(),
                        size_t(std::min(Bookmark1.size(), Bookmark2.size())));
    if (c != 0) return c < 0 ? -1 : 1;
    return Bookmark1.size() == Bookmark2.size() ? 0
                                                : (Bookmark1.size() < Bookmark2.size() ? -1 : 1);
}

bool TDataSet::BookmarkValid(const TBookmark& Bookmark) const {
    return GetActive() && !Bookmark.isEmpty();
}

// ---- editing ----------------------------------------------------------------------------------

void TDataSet::CheckOperation(const std::function<void()>& Operation,
                              const TDataSetErrorEvent& ErrorEvent) {
    for (;;) {
        try {
            UpdateCursorPos();
            Operation();
            return;
        } catch (EDatabaseError& e) {
            TDataAction action = daFail;
            if (ErrorEvent) ErrorEvent(this, e, action);
            if (action == daFail) throw;
            if (action == daAbort) Abort();
        }
    }
}

void TDataSet::beginInsertAppend() {
    CheckBrowseMode();
    CheckCanModify();
    fire(BeforeInsert);
    doBeforeScroll();
}

void TDataSet::endInsertAppend() {
    SetState(dsInsert);
    try {
        DoOnNewRecord();
    } catch (...) {
        UpdateCursorPos();
        SetState(dsBrowse);
        Resync({});
        throw;
    }
    modified = false;
    DataEvent(deDataSetChange, 0);
    fire(AfterInsert);
    doAfterScroll();
}

void TDataSet::Insert() {
    beginInsertAppend();
    TBookmark oldCurrent = GetBookmark();
    moveBuffer(recordCount, activeRecord);
    CursorPosChanged();
    TRecordBuffer b = ActiveBuffer();
    InitRecord(b);
    if (recordCount == 0)
        SetBookmarkFlag(b, bfBOF);
    else
        SetBookmarkData(b, oldCurrent);
    if (recordCount < bufferCount) ++recordCount;
    InternalInsert();
    endInsertAppend();
}

void TDataSet::Append() {
    beginInsertAppend();
    ClearBuffers();
    TRecordBuffer b = buffers[0];
    InitRecord(b);
    SetBookmarkFlag(b, bfEOF);
    recordCount = 1;
    bof = false;
    getPriorRecords();
    InternalInsert();
    endInsertAppend();
}

void TDataSet::Edit() {
    if (state == dsEdit || state == dsInsert) return;
    if (recordCount == 0) {
        Insert();
        return;
    }
    CheckBrowseMode();
    CheckCanModify();
    fire(BeforeEdit);
    CheckOperation([this] { InternalEdit(); }, OnEditError);
    GetCalcFields(ActiveBuffer());
    SetState(dsEdit);
    DataEvent(deRecordChange, 0);
    fire(AfterEdit);
}

void TDataSet::CheckRequiredFields() {
    for (TField* f : fields->list) {
        if (f->required && !f->readOnly && f->fieldKind == fkData && f->IsNull()) {
            f->FocusControl();
            DatabaseErrorFmt(QString::fromUtf8(SFieldRequired), {f->GetDisplayName()}, this);
        }
    }
}

void TDataSet::Post() {
    UpdateRecord();
    if (state != dsEdit && state != dsInsert) return;
    DataEvent(deCheckBrowseMode, 0);
    fire(BeforePost);
    if (OnPostError) {
        CheckOperation(
            [this] {
                CheckRequiredFields();
                InternalPost();
            },
            OnPostError);
    } else {
        // with no handler to ask, a failure goes straight to the caller
        UpdateCursorPos();
        CheckRequiredFields();
        InternalPost();
    }
    SetState(dsBrowse);
    Resync({});
    fire(AfterPost);
}

void TDataSet::Cancel() {
    if (state != dsEdit && state != dsInsert) return;
    DataEvent(deCheckBrowseMode, 0);
    fire(BeforeCancel);
    bool scrollEvents = state == dsInsert;
    if (scrollEvents) doBeforeScroll();
    UpdateCursorPos();
    InternalCancel();
    SetState(dsBrowse);
    Resync({});
    fire(AfterCancel);
    if (scrollEvents) doAfterScroll();
}

void TDataSet::Delete() {
    CheckActive();
    if (state == dsInsert || state == dsSetKey) {
        Cancel();
        return;
    }
    if (recordCount == 0) DatabaseError(QString::fromUtf8(SDataSetEmpty), this);
    DataEvent(deCheckBrowseMode, 0);
    fire(BeforeDelete);
    doBeforeScroll();
    CheckOperation([this] { InternalDelete(); }, OnDeleteError);
    SetState(dsBrowse);
    Resync({});
    fire(AfterDelete);
    doAfterScroll();
}

void TDataSet::UpdateRecord() {
    if (state != dsEdit && state != dsInsert && state != dsSetKey)
        DatabaseError(QString::fromUtf8(SNotEditing), this);
    DataEvent(deUpdateRecord, 0);
}

void TDataSet::ClearFields() {
    if (state != dsEdit && state != dsInsert && state != dsSetKey)
        DatabaseError(QString::fromUtf8(SNotEditing), this);
    for (TField* f : fields->list)
        if (f->fieldKind == fkData && !f->readOnly) f->Clear();
}

void TDataSet::SetFields(std::initializer_list<Variant> Values) {
    int i = 0;
    for (const Variant& v : Values) {
        if (i >= fields->Count()) break;
        if (!v.IsEmpty()) fields->list[size_t(i)]->SetAsVariant(v);
        ++i;
    }
}

void TDataSet::AppendRecord(std::initializer_list<Variant> Values) {
    Append();
    try {
        SetFields(Values);
        Post();
    } catch (...) {
        if (state == dsInsert) Cancel();
        throw;
    }
}

void TDataSet::InsertRecord(std::initializer_list<Variant> Values) {
    Insert();
    try {
        SetFields(Values);
        Post();
    } catch (...) {
        if (state == dsInsert) Cancel();
        throw;
    }
}

// ---- old and new values -----------------------------------------------------------------------

Variant TDataSet::GetStateFieldValue(TDataSetState State, TField* Field) {
    if (State == dsOldValue) {
        if (state == dsInsert) return Null();
        if (state != dsEdit) return Field->GetAsVariant();
        // The record as stored: read it again into the spare buffer.
        UpdateCursorPos();
        TRecordBuffer tmp = TempBuffer();
        if (!tmp || GetRecord(tmp, gmCurrent, false) != grOK) return Null();
        return OldFieldValue(tmp, Field);
    }
    return Field->GetAsVariant();
}

Variant TDataSet::OldFieldValue(TRecordBuffer Buffer, TField* Field) {
    TDataSetState saved = SetTempState(dsOldValue);
    TRecordBuffer savedOld = OldValueBuffer;
    OldValueBuffer = Buffer;
    Variant v;
    TScopeGuard restore([&] {
        OldValueBuffer = savedOld;
        RestoreState(saved);
    });
    v = Field->GetAsVariant();
    restore.End();
    return v;
}

// ---- blobs and text ---------------------------------------------------------------------------

std::unique_ptr<TBlobStream> TDataSet::CreateBlobStream(TField* Field, TBlobStreamMode Mode) {
    if (!Field->IsBlob())
        DatabaseErrorFmt(QString::fromUtf8(SNotABlobField), {Field->GetDisplayName()}, this);
    if (Mode != bmRead) Field->CheckCanModify();
    return std::make_unique<TBlobStream>(this, Field, Mode);
}

QByteArray TDataSet::ReadBlob(TField* Field) {
    DatabaseErrorFmt(QString::fromUtf8(SNotABlobField), {Field->GetDisplayName()}, this);
}

void TDataSet::WriteBlob(TField* Field, const QByteArray&) {
    DatabaseErrorFmt(QString::fromUtf8(SNotABlobField), {Field->GetDisplayName()}, this);
}

TBlobStream::TBlobStream(TDataSet* ADataSet, TField* AField, TBlobStreamMode AMode)
    : dataSet(ADataSet), field(AField), mode(AMode) {
    if (mode != bmWrite) SetBytes(dataSet->ReadBlob(field));
}

void TBlobStream::Commit() {
    if (mode == bmRead) return;
    const QByteArray former = dataSet->ReadBlob(field);
    const QByteArray bytes = GetBytes();
    dataSet->WriteBlob(field, bytes); // raises with the record as it was
    try {
        dataSet->NotifyFieldChange(field);
    } catch (...) {
        // The change was refused: the former value goes back, and the refusal to the caller.
        try {
            dataSet->WriteBlob(field, former);
        } catch (...) {
        }
        throw;
    }
}

int TDataSet::Translate(const char* Src, char* Dest, bool ToOem) {
    size_t n = std::strlen(Src);
    if (Src != Dest) std::memmove(Dest, Src, n + 1);
    return int(n);
}

// ---- filter hook ------------------------------------------------------------------------------

bool TDataSet::TestBuffer(TRecordBuffer Buffer, const std::function<bool()>& Test) {
    TDataSetState saved = SetTempState(dsFilter);
    TRecordBuffer savedFilter = FilterBuffer;
    FilterBuffer = Buffer;
    bool result;
    TScopeGuard restore([&] {
        FilterBuffer = savedFilter;
        RestoreState(saved);
    });
    result = Test();
    restore.End();
    return result;
}

bool TDataSet::RecordFilterAccepts(TRecordBuffer Buffer) {
    if (!filtered || (!filterProgram && !OnFilterRecord)) return true;
    return TestBuffer(Buffer, [this] {
        bool accept = !filterProgram || filterTextAccepts();
        if (accept && OnFilterRecord) OnFilterRecord(this, accept);
        return accept;
    });
}

void TDataSet::SetFiltered(bool Value) {
    if (filtered == Value) return;
    if (GetActive()) {
        CheckBrowseMode();
        filtered = Value;
        First();
    } else {
        filtered = Value;
    }
}

void TDataSet::SetFilterOptions(TFilterOptions Value) {
    if (filterOptions == Value) return;
    filterOptions = Value;
    if (GetActive() && filtered) {
        CheckBrowseMode();
        First();
    }
}

// ---- searching --------------------------------------------------------------------------------

static bool isTextType(TFieldType t) {
    return t == ftString || t == ftFixedChar || t == ftWideString || t == ftMemo ||
           t == ftFmtMemo || t == ftGuid;
}

// One key field against one key value: texts as texts (case and prefix by the options),
// other values by the Variant comparison; a clear key matches a null field.
static bool valueMatches(TField* f, const Variant& key, bool last, TLocateOptions Options) {
    if (VarIsClear(key)) return f->IsNull();
    if (f->IsNull()) return false;
    if (isTextType(f->GetDataType())) {
        QString value = f->GetAsString();
        QString k = VarToStr(key);
        if (last && Options.Contains(loPartialKey)) value = value.left(k.size());
        return Options.Contains(loCaseInsensitive) ? AnsiCompareText(value, k) == 0 : value == k;
    }
    try {
        return VarCompareValue(f->GetAsVariant(), key) == vrEqual;
    } catch (const Exception&) {
        return false;
    }
}

bool TDataSet::RecordMatches(const QList<TField*>& KeyFields, const Variant& KeyValues,
                             TLocateOptions Options) const {
    int n = int(KeyFields.size());
    if (n == 1) {
        Variant key = KeyValues;
        if (KeyValues.IsArray()) {
            if (KeyValues.ElementCount() != 1) return false;
            key = KeyValues[KeyValues.LowBound()];
        }
        return valueMatches(KeyFields[0], key, true, Options);
    }
    if (!KeyValues.IsArray() || KeyValues.ElementCount() != n) return false;
    for (int i = 0; i < n; ++i)
        if (!valueMatches(KeyFields[i], KeyValues[KeyValues.LowBound() + i], i == n - 1, Options))
            return false;
    return true;
}

// Scans the records through the cursor (no events, no window change) for the first match;
// on success Found is its bookmark and the spare buffer holds the record. The cursor is left
// elsewhere: callers put it back with UpdateCursorPos or move it.
bool TDataSet::findRecord(const QList<TField*>& KeyFields, const Variant& KeyValues,
                          TLocateOptions Options, TBookmark& Found) {
    TRecordBuffer tmp = TempBuffer();
    if (!tmp) return false;
    CursorPosChanged();
    InternalFirst();
    bool found = false;
    TScopeGuard moved([this] { CursorPosChanged(); });
    while (GetRecord(tmp, gmNext, true) == grOK) {
        if (TestBuffer(tmp, [&] { return RecordMatches(KeyFields, KeyValues, Options); })) {
            GetBookmarkData(tmp, Found);
            found = true;
            break;
        }
    }
    moved.End();
    return found;
}

bool TDataSet::Locate(const QString& KeyFields, const Variant& KeyValues, TLocateOptions Options) {
    CheckBrowseMode();
    QList<TField*> keys;
    GetFieldList(keys, KeyFields);
    if (IsEmpty()) return false;
    TBookmark found;
    bool ok = findRecord(keys, KeyValues, Options, found);
    if (!ok) {
        UpdateCursorPos();
        return false;
    }
    doBeforeScroll();
    InternalGotoBookmark(found);
    Resync({rmExact, rmCenter});
    doAfterScroll();
    return true;
}

Variant TDataSet::Lookup(const QString& KeyFields, const Variant& KeyValues,
                         const QString& ResultFields) {
    CheckBrowseMode();
    QList<TField*> keys;
    GetFieldList(keys, KeyFields);
    QList<TField*> results;
    GetFieldList(results, ResultFields);
    if (IsEmpty()) return Null();
    TBookmark found;
    Variant result = Null();
    TScopeGuard back([this] { UpdateCursorPos(); });
    if (findRecord(keys, KeyValues, {}, found)) {
        TestBuffer(TempBuffer(), [&] {
            if (results.size() == 1) {
                result = results[0]->GetAsVariant();
            } else {
                result = VarArrayCreate(0, int(results.size()) - 1);
                for (int i = 0; i < results.size(); ++i)
                    result[i] = results[i]->GetAsVariant();
            }
            return true;
        });
    }
    back.End();
    return result;
}
