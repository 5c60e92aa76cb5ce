#include "FR_Var.h"

#include "SysUtils.h"

#include <algorithm>

bool TfrVariables::find(const QString& name, int& index) const {
    int lo = 0, hi = int(items.size()) - 1;
    while (lo <= hi) {
        int mid = (lo + hi) / 2;
        int c = AnsiCompareText(items[mid].name, name);
        if (c == 0) {
            index = mid;
            return true;
        }
        if (c < 0)
            lo = mid + 1;
        else
            hi = mid - 1;
    }
    index = lo;
    return false;
}

int TfrVariables::IndexOf(const QString& name) const {
    if (auto it = found.constFind(name); it != found.cend()) return *it;
    int index = -1;
    if (sorted) {
        if (!find(name, index)) index = -1;
    } else {
        for (size_t i = 0; i < items.size() && index < 0; ++i)
            if (AnsiSameText(items[i].name, name)) index = int(i);
    }
    // Bounded, for names made from changing data.
    if (found.size() >= 4096) found.clear();
    found.insert(name, index);
    return index;
}

void TfrVariables::SetVariable(const QString& name, const Variant& value) {
    int index = IndexOf(name);
    if (index >= 0) {
        *items[index].value = value;
        return;
    }
    Entry e{name, std::make_unique<Variant>(value)};
    found.clear();
    if (sorted) {
        find(name, index);
        items.insert(items.begin() + index, std::move(e));
    } else {
        items.push_back(std::move(e));
    }
}

Variant TfrVariables::GetVariable(const QString& name) const {
    int index = IndexOf(name);
    return index >= 0 ? *items[index].value : Null();
}

QString TfrVariables::GetName(int index) const {
    return index >= 0 && index < Count() ? items[index].name : QString();
}

void TfrVariables::SetName(int index, const QString& name) {
    if (index < 0 || index >= Count()) return;
    items[index].name = name;
    found.clear();
    if (sorted) SetSorted(true);
}

Variant TfrVariables::GetValue(int index) const {
    return index >= 0 && index < Count() ? *items[index].value : Variant(0);
}

void TfrVariables::SetValue(int index, const Variant& value) {
    if (index >= 0 && index < Count()) *items[index].value = value;
}

void TfrVariables::Delete(int index) {
    if (index >= 0 && index < Count()) items.erase(items.begin() + index);
    found.clear();
}

void TfrVariables::Clear() {
    items.clear();
    found.clear();
}

void TfrVariables::Assign(const TfrVariables& source) {
    if (&source == this) return;
    Clear();
    for (const Entry& e : source.items)
        SetVariable(e.name, *e.value);
}

void TfrVariables::SetSorted(bool value) {
    sorted = value;
    found.clear();
    if (sorted)
        std::stable_sort(items.begin(), items.end(), [](const Entry& a, const Entry& b) {
            return AnsiCompareText(a.name, b.name) < 0;
        });
}
