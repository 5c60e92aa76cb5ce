// Dataset helpers of the library: TLocateObject moves a dataset to the first record whose
// field matches a text (whole or as a prefix, with or without case), staying where it was when
// nothing matches; a factory for locate objects that another unit may replace; a bookmark
// restore; and the library's database error.
#pragma once

#include "DB.h"

#include <functional>
#include <memory>

class TLocateObject : public TObject {
    KADRION_CLASS(TLocateObject)
    TLocateObject() = default;
    ~TLocateObject() override = default;

    TDataSet* GetDataSet() const { return dataSet; }
    // Tells the object first (ChangeDataSet), then takes the dataset (not owned).
    void SetDataSet(TDataSet* Value);
    // Moves to the first record whose FieldName matches Value (Exact: the whole text, else a
    // prefix; CaseSensitive or not); true when the dataset now stands on one. A field that is
    // not a string is compared as its text, with case. The dataset leaves an edit state first
    // (posting); an unknown field name raises the dataset's field-not-found error.
    bool Locate(const QString& FieldName, const QString& Value, bool Exact, bool CaseSensitive);
    // Set by the lookup controls before each search; not read here.
    bool IndexSwitch = true;

    // The steps a descendant may change.
    virtual void CheckFieldType(TField* Field) {}
    virtual void ChangeDataSet() {}
    // The dataset's own Locate on the lookup field.
    virtual bool LocateByDataSet();
    // A search through an index: none here.
    virtual bool LocateByKey() { return false; }
    // A scan from the first record.
    virtual bool LocateByScan();
    virtual bool CanUseKey() { return false; }
    // True for a data field or an internal calculated one (what the dataset's Locate searches),
    // unless a prefix of a field that is not a string is looked for.
    virtual bool CanUseDataSetLocate();

protected:
    // Whether the current record's field matches the value looked for.
    bool MatchesLookupValue() const;
    TDataSet* dataSet = nullptr;
    TField* lookupField = nullptr;
    QString lookupValue;
    bool lookupExact = false;
    bool caseSensitive = false;
    TBookmark bookmark;
};

// The hook other units set to make their own locate objects (empty: TLocateObject).
extern std::function<TLocateObject*()> CreateLocateObject;
// A locate object for the dataset (may be null), from the hook when it is set.
std::unique_ptr<TLocateObject> CreateLocate(TDataSet* DataSet);
// Goes to Bookmark in an open, non-empty dataset; true when it did. A bookmark the dataset
// does not know raises its bookmark error.
bool SetToBookmark(TDataSet* DataSet, const TBookmark& Bookmark);
// Raises EDatabaseError with the message (no component).
[[noreturn]] void DBError(const QString& Message);
