// The engine's ordered list of named values: report variables handed over by the application,
// the data dictionary's lists, aggregate accumulators and script constants.
#pragma once

#include "Variant.h"

#include <QHash>
#include <QString>
#include <memory>
#include <vector>

class TfrVariables {
public:
    TfrVariables() = default;
    TfrVariables(const TfrVariables&) = delete;
    TfrVariables& operator=(const TfrVariables&) = delete;
    ~TfrVariables() { Clear(); }

    // Replaces the value of a present name (any letter case; the name keeps its first
    // spelling), else appends a new entry (or inserts it in order when sorted).
    void SetVariable(const QString& name, const Variant& value);
    // The value, Null when the name is absent.
    Variant GetVariable(const QString& name) const;
    int IndexOf(const QString& name) const;
    int Count() const { return int(items.size()); }
    // Out-of-range indexes give "" and 0 and are ignored on writes.
    QString GetName(int index) const;
    void SetName(int index, const QString& name);
    Variant GetValue(int index) const;
    void SetValue(int index, const Variant& value);
    void Delete(int index);
    void Clear();
    void Assign(const TfrVariables& source);
    // Sorted lists keep their names in alphabetical order ignoring case.
    void SetSorted(bool sorted);
    bool GetSorted() const { return sorted; }

private:
    struct Entry {
        QString name;
        std::unique_ptr<Variant> value;
    };
    // Binary search in a sorted list: the index of the name or of its insertion point.
    bool find(const QString& name, int& index) const;
    // The answers of IndexOf by the name as asked: a report asks the same few names for
    // every record, and comparing names in letter order is dear. Any change of the names
    // or their order forgets them.
    mutable QHash<QString, int> found;
    std::vector<Entry> items;
    bool sorted = false;
};
