// Totals over the records of a dataset: sums, averages and record counts (TDBSum items of a
// TDBSumListProducer). The producer scans the dataset once (RecalcAll) and then follows the
// dataset's own events, chained in front of the handlers the application installed, so that
// inserts, edits, posts, cancels and deletes change the totals without a rescan. For a dataset
// without record numbers it can keep the bookmarks of all records in dataset order and answer
// record-number questions from them (the grid's vertical scroll bar asks).
//
// Totals are 64-bit fixed point: the value times 10000, every step rounded to the nearest
// integer with ties to even, so that adding and taking away the same values never drifts.
// A record count adds 10000 per record.
#pragma once

#include "DB.h"

#include <cstdint>
#include <functional>
#include <vector>

class TDBSumListProducer;

// The scale of a fixed-point total.
inline constexpr double SumScaleEh = 10000.0;

enum TGroupOperation { goSum, goAvg, goCount };

// One total of the producer: the sum or average of a field, or the record count.
class TDBSum : public TCollectionItem {
    KADRION_CLASS(TDBSum)
    explicit TDBSum(TCollection* Collection);
    void Assign(TPersistent* Source) override;

    TGroupOperation GetGroupOperation() const { return groupOperation; }
    void SetGroupOperation(TGroupOperation Value);
    // The field summed or averaged; a count ignores it.
    QString GetFieldName() const { return fieldName; }
    void SetFieldName(const QString& Value);
    // The total times 10000: the sum, the average, or the record count.
    int64_t GetSumValue() const { return sumValue; }
    void SetSumValue(int64_t Value) { sumValue = Value; }
    double AsDouble() const { return double(sumValue) / SumScaleEh; }
    // What an average is made of: the sum of the non-null values and their number.
    int64_t GetAvgSum() const { return avgSum; }
    int GetAvgCount() const { return avgCount; }

private:
    friend class TDBSumListProducer;
    TGroupOperation groupOperation = goSum;
    QString fieldName;
    // Sum and average: the field's value before the current edit (0 after an insert or for a
    // null). Count: the change the next post brings (10000 after an insert, 0 after an edit).
    int64_t oldValue = 0;
    Variant oldVariant;
    int64_t avgSum = 0;
    int avgCount = 0;
    int64_t sumValue = 0;
};

class TDBSumCollection : public TCollection {
    KADRION_CLASS(TDBSumCollection)
    explicit TDBSumCollection(TDBSumListProducer* AProducer);
    TDBSum* GetItems(int Index) const { return Item<TDBSum>(Index); }
    TDBSum* Add() { return static_cast<TDBSum*>(TCollection::Add()); }
    TPersistent* GetOwner() const override;
    // Any change of the items recalculates the totals.
    void Update(TCollectionItem* Item) override;
    // The first item of that operation and field name (case-sensitive), or null.
    TDBSum* FindSum(TGroupOperation Operation, const QString& FieldName) const;
    TDBSumListProducer* GetProducer() const { return producer; }

private:
    TDBSumListProducer* producer;
};

class TDBSumListProducer : public TPersistent {
    KADRION_CLASS(TDBSumListProducer)
    explicit TDBSumListProducer(TComponent* AOwner);
    ~TDBSumListProducer() override;
    void Assign(TPersistent* Source) override;
    TPersistent* GetOwner() const override;

    TDataSet* GetDataSet() const { return dataSet; }
    void SetDataSet(TDataSet* Value);
    bool GetActive() const { return active; }
    void SetActive(bool Value);
    bool GetExternalRecalc() const { return externalRecalc; }
    void SetExternalRecalc(bool Value);
    bool GetVirtualRecords() const { return virtualRecords; }
    void SetVirtualRecords(bool Value);
    TDBSumCollection* GetSumCollection() const { return sumCollection.get(); }
    void SetSumCollection(TDBSumCollection* Value) { sumCollection->Assign(Value); }
    bool GetHooked() const { return hooked; }
    TDataSet* GetMasterDataSet() const { return master; }

    void Activate(bool WithRecalc);
    void Deactivate(bool WithClear);
    // Called by the owner at the end of its loading.
    void AfterOwnerLoaded();
    // Scans the dataset (or, with ExternalRecalc, lets OnRecalcAll compute) and comes back to
    // the record the user was on.
    virtual void RecalcAll();
    virtual void ClearSumValues();
    // Where the bookmark is in the list of all records, -1 when not there.
    virtual int FindBookmarkIndex(const TBookmark& Bookmark);
    // The dataset (or the master) is being freed: forget it without touching its events.
    void DataSetFreed(TDataSet* DataSet);

    // Record numbers: the dataset's own, or, for a dataset without them and with
    // VirtualRecords, positions in the list of all records.
    int GetRecNo();
    void SetRecNo(int Value);
    int GetRecordCount() const;
    bool IsSequenced() const;
    // The bookmarks of all records while the numbers are emulated (for tests).
    int VirtualRecordCount() const { return int(bookmarks.size()); }

    TNotifyEvent OnRecalcAll;
    TNotifyEvent SumListChanged;

protected:
    virtual void HookDataSetEvents();
    virtual void RestoreDataSetEvents();
    void DoSumListChanged();
    // Whether the owner's state keeps the producer idle (loading, or designing without
    // DesignTimeWork).
    bool ownerIdle() const;
    bool ownerLoading() const;
    bool emulating() const;
    // The field an item totals; null for a count, for an empty name, a name the dataset does
    // not have, or a field that is not a number (such items are skipped).
    TField* fieldOf(TDBSum* Sum) const;
    bool takesPart(TDBSum* Sum) const;
    // Runs Do for every item that takes part, with its field (null for a count).
    void forEachItem(const std::function<void(TDBSum*, TField*)>& Do);
    void forgetBookmarks();

    TComponent* owner;
    bool virtualRecords = false;
    bool externalRecalc = false;
    std::unique_ptr<TDBSumCollection> sumCollection;
    TDataSet* dataSet = nullptr;
    TDataSet* master = nullptr;
    bool filteredSaved = false;
    QString filterSaved;
    bool recalculating = false;
    bool active = true;
    bool hooked = false;
    bool designTimeWork = false;
    std::vector<TBookmark> bookmarks;
    int cachedIndex = -1;
    bool pendingInsert = false;

private:
    friend class TDBSumCollection;
    void collectionChanged();
    // Runs the producer's own work and the chained handler in the given order; the chained
    // handler runs even when the own work fails, and the failure then passes on.
    void chained(const TDataSetNotifyEvent& Saved, TDataSet* DataSet, bool SavedFirst,
                 const std::function<void()>& Own);
    void afterOpen(TDataSet* DataSet);
    void afterClose(TDataSet* DataSet);
    void afterInsert(TDataSet* DataSet);
    void afterEdit(TDataSet* DataSet);
    void afterPost(TDataSet* DataSet);
    void beforeDelete(TDataSet* DataSet);
    void afterCancel(TDataSet* DataSet);
    void afterScroll(TDataSet* DataSet);
    void masterAfterScroll(TDataSet* DataSet);
    void placePendingInsert();

    TDataSetNotifyEvent savedAfterEdit, savedAfterInsert, savedAfterOpen, savedAfterPost,
        savedAfterScroll, savedBeforeDelete, savedAfterClose, savedAfterCancel,
        savedMasterAfterScroll;
};
