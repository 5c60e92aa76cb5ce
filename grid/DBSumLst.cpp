// The sum list producer: totals kept in step with the dataset's events, and emulated record
// numbers.
#include "DBSumLst.h"

#include "ScopeGuard.h"

#include <cmath>

namespace {

// The nearest integer, ties to even.
int64_t nearest(double X) {
    return int64_t(std::nearbyint(X));
}

int64_t scaled(TField* F) {
    return nearest(F->GetAsFloat() * SumScaleEh);
}

} // namespace

// ---- TDBSum -------------------------------------------------------------------------------------

TDBSum::TDBSum(TCollection* Collection) : TCollectionItem(Collection) {
    oldVariant = Null();
}

void TDBSum::SetGroupOperation(TGroupOperation Value) {
    if (Value == groupOperation) return;
    groupOperation = Value;
    Changed(false);
}

void TDBSum::SetFieldName(const QString& Value) {
    if (Value == fieldName) return;
    fieldName = Value;
    Changed(false);
}

void TDBSum::Assign(TPersistent* Source) {
    if (auto* s = dynamic_cast<TDBSum*>(Source)) {
        SetGroupOperation(s->groupOperation);
        SetFieldName(s->fieldName);
        oldValue = s->oldValue;
        sumValue = s->sumValue;
        return;
    }
    TCollectionItem::Assign(Source);
}

// ---- TDBSumCollection ---------------------------------------------------------------------------

TDBSumCollection::TDBSumCollection(TDBSumListProducer* AProducer)
    : TCollection(CollectionItemClass<TDBSum>()), producer(AProducer) {}

TPersistent* TDBSumCollection::GetOwner() const {
    return producer;
}

void TDBSumCollection::Update(TCollectionItem*) {
    producer->collectionChanged();
}

TDBSum* TDBSumCollection::FindSum(TGroupOperation Operation, const QString& FieldName) const {
    for (int i = 0; i < Count(); ++i) {
        TDBSum* s = GetItems(i);
        if (s->GetGroupOperation() == Operation && s->GetFieldName() == FieldName) return s;
    }
    return nullptr;
}

// ---- TDBSumListProducer: life and settings ------------------------------------------------------

TDBSumListProducer::TDBSumListProducer(TComponent* AOwner) : owner(AOwner) {
    sumCollection = std::make_unique<TDBSumCollection>(this);
}

TDBSumListProducer::~TDBSumListProducer() {
    Deactivate(false);
    forgetBookmarks();
    // the items are going: no recalculation for them
    TDBSumCollection* items = sumCollection.release();
    items->BeginUpdate();
    delete items;
}

TPersistent* TDBSumListProducer::GetOwner() const {
    return owner;
}

void TDBSumListProducer::Assign(TPersistent* Source) {
    if (auto* s = dynamic_cast<TDBSumListProducer*>(Source)) {
        SetActive(s->active);
        SetExternalRecalc(s->externalRecalc);
        sumCollection->Assign(s->sumCollection.get());
        SetDataSet(s->dataSet);
        SumListChanged = s->SumListChanged;
        OnRecalcAll = s->OnRecalcAll;
        return;
    }
    TPersistent::Assign(Source);
}

bool TDBSumListProducer::ownerLoading() const {
    return owner && owner->IsLoading();
}

bool TDBSumListProducer::ownerIdle() const {
    return ownerLoading() || (!designTimeWork && owner && owner->IsDesigning());
}

void TDBSumListProducer::SetDataSet(TDataSet* Value) {
    if (Value == dataSet) return;
    if (ownerIdle()) {
        dataSet = Value;
        return;
    }
    const bool wasActive = active;
    Deactivate(true);
    dataSet = Value;
    if (wasActive) Activate(true);
}

void TDBSumListProducer::DataSetFreed(TDataSet* DataSet) {
    if (!DataSet) return;
    if (DataSet == master) {
        master = nullptr;
        savedMasterAfterScroll = nullptr;
    }
    if (DataSet == dataSet) {
        // its events die with it; nothing to put back
        dataSet = nullptr;
        master = nullptr;
        hooked = false;
        savedAfterEdit = savedAfterInsert = savedAfterOpen = savedAfterPost = savedAfterScroll =
            savedBeforeDelete = savedAfterClose = savedAfterCancel = savedMasterAfterScroll =
                nullptr;
        bookmarks.clear();
        cachedIndex = -1;
        ClearSumValues();
    }
}

void TDBSumListProducer::SetActive(bool Value) {
    if (Value == active) return;
    if (Value)
        Activate(true);
    else
        Deactivate(true);
}

void TDBSumListProducer::Activate(bool WithRecalc) {
    active = true;
    if (ownerIdle()) return;
    HookDataSetEvents();
    if (WithRecalc) RecalcAll();
}

void TDBSumListProducer::Deactivate(bool WithClear) {
    active = false;
    if (ownerIdle()) return;
    RestoreDataSetEvents();
    if (WithClear) ClearSumValues();
}

void TDBSumListProducer::AfterOwnerLoaded() {
    if (dataSet && active) Activate(true);
}

void TDBSumListProducer::SetExternalRecalc(bool Value) {
    if (Value == externalRecalc) return;
    externalRecalc = Value;
    RecalcAll();
}

void TDBSumListProducer::SetVirtualRecords(bool Value) {
    if (Value == virtualRecords) return;
    virtualRecords = Value;
    if (Value) RecalcAll();
}

void TDBSumListProducer::collectionChanged() {
    if (!ownerLoading()) RecalcAll();
}

void TDBSumListProducer::ClearSumValues() {
    for (int i = 0; i < sumCollection->Count(); ++i) {
        TDBSum* s = sumCollection->GetItems(i);
        s->sumValue = s->oldValue = s->avgSum = 0;
        s->avgCount = 0;
    }
    DoSumListChanged();
}

void TDBSumListProducer::DoSumListChanged() {
    if (SumListChanged) SumListChanged(this);
}

// ---- hooking ------------------------------------------------------------------------------------

void TDBSumListProducer::HookDataSetEvents() {
    if (!dataSet || hooked) return;
    TDataSource* ms = dataSet->GetDataSource();
    master = ms ? ms->GetDataSet() : nullptr;
    savedAfterEdit = dataSet->AfterEdit;
    savedAfterInsert = dataSet->AfterInsert;
    savedAfterOpen = dataSet->AfterOpen;
    savedAfterPost = dataSet->AfterPost;
    savedAfterScroll = dataSet->AfterScroll;
    savedBeforeDelete = dataSet->BeforeDelete;
    savedAfterClose = dataSet->AfterClose;
    savedAfterCancel = dataSet->AfterCancel;
    if (master) savedMasterAfterScroll = master->AfterScroll;
    dataSet->AfterEdit = [this](TDataSet* D) { afterEdit(D); };
    dataSet->AfterInsert = [this](TDataSet* D) { afterInsert(D); };
    dataSet->AfterOpen = [this](TDataSet* D) { afterOpen(D); };
    dataSet->AfterPost = [this](TDataSet* D) { afterPost(D); };
    dataSet->AfterScroll = [this](TDataSet* D) { afterScroll(D); };
    dataSet->BeforeDelete = [this](TDataSet* D) { beforeDelete(D); };
    dataSet->AfterClose = [this](TDataSet* D) { afterClose(D); };
    dataSet->AfterCancel = [this](TDataSet* D) { afterCancel(D); };
    if (master) master->AfterScroll = [this](TDataSet* D) { masterAfterScroll(D); };
    hooked = true;
}

void TDBSumListProducer::RestoreDataSetEvents() {
    if (!dataSet || !hooked) return;
    dataSet->AfterEdit = savedAfterEdit;
    dataSet->AfterInsert = savedAfterInsert;
    dataSet->AfterOpen = savedAfterOpen;
    dataSet->AfterPost = savedAfterPost;
    dataSet->AfterScroll = savedAfterScroll;
    dataSet->BeforeDelete = savedBeforeDelete;
    dataSet->AfterClose = savedAfterClose;
    dataSet->AfterCancel = savedAfterCancel;
    if (master) master->AfterScroll = savedMasterAfterScroll;
    savedAfterEdit = savedAfterInsert = savedAfterOpen = savedAfterPost = savedAfterScroll =
        savedBeforeDelete = savedAfterClose = savedAfterCancel = savedMasterAfterScroll = nullptr;
    master = nullptr;
    hooked = false;
    forgetBookmarks();
}

void TDBSumListProducer::forgetBookmarks() {
    for (TBookmark& b : bookmarks)
        if (dataSet) dataSet->FreeBookmark(b);
    bookmarks.clear();
    cachedIndex = -1;
}

// ---- the handlers -------------------------------------------------------------------------------

void TDBSumListProducer::chained(const TDataSetNotifyEvent& Saved, TDataSet* DataSet,
                                 bool SavedFirst, const std::function<void()>& Own) {
    // The handler chained behind may be the application's save: it runs whatever happens here.
    const TDataSetNotifyEvent saved = Saved;
    if (SavedFirst && saved) saved(DataSet);
    TScopeGuard after([&] {
        if (!SavedFirst && saved) saved(DataSet);
    });
    Own();
    after.End();
}

TField* TDBSumListProducer::fieldOf(TDBSum* Sum) const {
    if (!dataSet || Sum->groupOperation == goCount || Sum->fieldName.isEmpty()) return nullptr;
    // only numbers add up: a text or date field has no total
    return dynamic_cast<TNumericField*>(dataSet->FindField(Sum->fieldName));
}

bool TDBSumListProducer::takesPart(TDBSum* Sum) const {
    return Sum->groupOperation == goCount || fieldOf(Sum) != nullptr;
}

void TDBSumListProducer::forEachItem(const std::function<void(TDBSum*, TField*)>& Do) {
    for (int i = 0; i < sumCollection->Count(); ++i) {
        TDBSum* s = sumCollection->GetItems(i);
        if (takesPart(s)) Do(s, fieldOf(s));
    }
}

bool TDBSumListProducer::emulating() const {
    return dataSet && !dataSet->IsSequenced() && virtualRecords && active;
}

void TDBSumListProducer::afterOpen(TDataSet* D) {
    chained(savedAfterOpen, D, false, [this] {
        if (active) RecalcAll();
    });
}

void TDBSumListProducer::afterClose(TDataSet* D) {
    chained(savedAfterClose, D, false, [this] {
        if (!active) return;
        ClearSumValues();
        DoSumListChanged();
        recalculating = false;
    });
}

void TDBSumListProducer::afterInsert(TDataSet* D) {
    chained(savedAfterInsert, D, false, [this] {
        if (!active) return;
        forEachItem([](TDBSum* s, TField*) {
            if (s->groupOperation == goCount) {
                s->oldValue = int64_t(SumScaleEh);
            } else {
                s->oldValue = 0;
                s->oldVariant = Null();
            }
        });
        if (emulating()) {
            TBookmark b = dataSet->GetBookmark();
            if (!b.isEmpty())
                bookmarks.push_back(b);
            else
                pendingInsert = true;
        }
    });
}

void TDBSumListProducer::afterEdit(TDataSet* D) {
    chained(savedAfterEdit, D, true, [this] {
        if (!active) return;
        forEachItem([](TDBSum* s, TField* f) {
            if (s->groupOperation == goCount) {
                s->oldValue = 0;
                return;
            }
            s->oldValue = f->IsNull() ? 0 : scaled(f);
            s->oldVariant = f->GetValue();
        });
    });
}

void TDBSumListProducer::afterPost(TDataSet* D) {
    chained(savedAfterPost, D, false, [this] {
        if (!active) return;
        forEachItem([](TDBSum* s, TField* f) {
            switch (s->groupOperation) {
            case goSum:
                s->sumValue = s->sumValue - s->oldValue + (f->IsNull() ? 0 : scaled(f));
                break;
            case goAvg:
                if (!f->IsNull()) {
                    if (s->oldVariant.IsNull() || s->oldVariant.IsEmpty()) ++s->avgCount;
                    s->avgSum = s->avgSum - s->oldValue + scaled(f);
                } else {
                    if (!s->oldVariant.IsNull() && !s->oldVariant.IsEmpty()) --s->avgCount;
                    s->avgSum -= s->oldValue;
                }
                s->sumValue = s->avgCount ? nearest(double(s->avgSum) / s->avgCount) : 0;
                break;
            case goCount:
                s->sumValue += s->oldValue;
                break;
            }
            // the next post of this record is an edit unless an insert or edit says otherwise
            s->oldValue = 0;
            s->oldVariant = Null();
        });
        if (emulating() && pendingInsert) placePendingInsert();
        DoSumListChanged();
    });
}

void TDBSumListProducer::placePendingInsert() {
    TBookmark current = dataSet->GetBookmark();
    const int n = int(bookmarks.size());
    int start = cachedIndex >= 0 && cachedIndex < n ? cachedIndex : 0;
    int cmp = n == 0 ? 0 : dataSet->CompareBookmarks(bookmarks[size_t(start)], current);
    int at = start;
    if (cmp > 0) {
        at = start;
        while (at > 0 && dataSet->CompareBookmarks(bookmarks[size_t(at - 1)], current) > 0)
            --at;
    } else if (cmp < 0) {
        at = start + 1;
        while (at < n && dataSet->CompareBookmarks(bookmarks[size_t(at)], current) < 0)
            ++at;
    }
    bookmarks.insert(bookmarks.begin() + at, current);
    pendingInsert = false;
}

void TDBSumListProducer::beforeDelete(TDataSet* D) {
    chained(savedBeforeDelete, D, true, [this] {
        if (!active) return;
        forEachItem([](TDBSum* s, TField* f) {
            switch (s->groupOperation) {
            case goSum:
                s->sumValue -= scaled(f);
                break;
            case goCount:
                s->sumValue -= int64_t(SumScaleEh);
                break;
            case goAvg:
                s->avgSum -= scaled(f);
                if (!f->IsNull()) --s->avgCount;
                s->sumValue = s->avgCount ? nearest(double(s->avgSum) / s->avgCount) : 0;
                break;
            }
        });
        if (emulating()) {
            int i = FindBookmarkIndex(dataSet->GetBookmark());
            if (i >= 0) {
                dataSet->FreeBookmark(bookmarks[size_t(i)]);
                bookmarks.erase(bookmarks.begin() + i);
            }
        }
        DoSumListChanged();
    });
}

void TDBSumListProducer::afterCancel(TDataSet* D) {
    chained(savedAfterCancel, D, true, [this] { pendingInsert = false; });
}

void TDBSumListProducer::afterScroll(TDataSet* D) {
    chained(savedAfterScroll, D, true, [this] {
        if (!active || recalculating) return;
        const bool filtered = dataSet->GetFiltered();
        if ((filtered && dataSet->GetFilter() != filterSaved) || filtered != filteredSaved)
            RecalcAll();
    });
}

void TDBSumListProducer::masterAfterScroll(TDataSet* D) {
    chained(savedMasterAfterScroll, D, true, [this] {
        if (active && !recalculating) RecalcAll();
    });
}

// ---- recalculation ------------------------------------------------------------------------------

void TDBSumListProducer::RecalcAll() {
    if (ownerIdle()) return;
    if (!active || !dataSet || !dataSet->GetActive() || !hooked) return;
    // a record being edited or inserted is not left for a scan
    if (dataSet->GetState() != dsBrowse) return;
    TDataSet* ds = dataSet;
    auto finish = [this, ds] {
        filteredSaved = ds->GetFiltered();
        filterSaved = ds->GetFilter();
        recalculating = false;
        DoSumListChanged();
    };
    TScopeGuard finished([&] { finish(); });
    ClearSumValues();
    cachedIndex = -1;
    if (OnRecalcAll) OnRecalcAll(this);
    bool scan = !ds->IsSequenced() && virtualRecords;
    for (int i = 0; i < sumCollection->Count() && !scan; ++i)
        scan = takesPart(sumCollection->GetItems(i));
    if (!externalRecalc && scan) {
        const bool numbering = !ds->IsSequenced() && virtualRecords;
        const TBookmark back = ds->GetBookmark();
        std::vector<std::pair<TDBSum*, TField*>> items;
        forEachItem([&](TDBSum* s, TField* f) { items.push_back({s, f}); });
        ds->DisableControls();
        TScopeGuard enable([ds] { ds->EnableControls(); });
        forgetBookmarks();
        recalculating = true;
        for (ds->First(); !ds->GetEof(); ds->Next()) {
            for (auto& [s, f] : items) {
                switch (s->groupOperation) {
                case goSum:
                    if (!f->IsNull())
                        s->sumValue = nearest(f->GetAsFloat() * SumScaleEh + double(s->sumValue));
                    break;
                case goAvg:
                    if (!f->IsNull()) {
                        ++s->avgCount;
                        s->avgSum = nearest(f->GetAsFloat() * SumScaleEh + double(s->avgSum));
                    }
                    break;
                case goCount:
                    s->sumValue += int64_t(SumScaleEh);
                    break;
                }
            }
            if (numbering) bookmarks.push_back(ds->GetBookmark());
        }
        for (auto& [s, f] : items)
            if (s->groupOperation == goAvg)
                s->sumValue = s->avgCount ? nearest(double(s->avgSum) / s->avgCount) : 0;
        // back to the record the user was on
        if (!back.isEmpty() && ds->BookmarkValid(back))
            ds->GotoBookmark(back);
        else
            ds->First();
        enable.End();
    }
    finished.End();
}

// ---- record numbers -----------------------------------------------------------------------------

int TDBSumListProducer::FindBookmarkIndex(const TBookmark& Bookmark) {
    if (cachedIndex == -1) cachedIndex = 0;
    const int n = int(bookmarks.size());
    if (n == 0) return -1;
    if (cachedIndex >= n) cachedIndex = 0;
    int cmp = dataSet->CompareBookmarks(bookmarks[size_t(cachedIndex)], Bookmark);
    if (cmp == 0) return cachedIndex;
    const int step = cmp > 0 ? -1 : 1;
    for (;;) {
        cachedIndex += step;
        if (cachedIndex < 0) {
            cachedIndex = -1;
            return -1;
        }
        if (cachedIndex >= n) {
            cachedIndex = n;
            return -1;
        }
        if (dataSet->CompareBookmarks(bookmarks[size_t(cachedIndex)], Bookmark) == 0)
            return cachedIndex;
    }
}

int TDBSumListProducer::GetRecNo() {
    if (!dataSet) return 0;
    if (emulating()) return FindBookmarkIndex(dataSet->GetBookmark()) + 1;
    return dataSet->RecNo();
}

void TDBSumListProducer::SetRecNo(int Value) {
    if (!dataSet) return;
    if (emulating()) {
        if (Value < 1 || Value > int(bookmarks.size()))
            throw EListError(QStringLiteral("List index out of bounds (%1)").arg(Value - 1));
        dataSet->GotoBookmark(bookmarks[size_t(Value - 1)]);
        return;
    }
    dataSet->SetRecNo(Value);
}

int TDBSumListProducer::GetRecordCount() const {
    if (!dataSet) return 0;
    if (emulating()) return int(bookmarks.size());
    return dataSet->RecordCount();
}

bool TDBSumListProducer::IsSequenced() const {
    if (dataSet && dataSet->IsSequenced()) return true;
    if (!dataSet || !virtualRecords || !active) return false;
    if (!bookmarks.empty()) return true;
    return dataSet->Bof() && dataSet->Eof();
}
