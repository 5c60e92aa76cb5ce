// Lists used by the expression parser: owning, non-owning and sorted collections.
#pragma once

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

// A list that owns and frees its objects.
template <typename T> class TOCollection {
public:
    void Add(std::unique_ptr<T> item) { items.push_back(std::move(item)); }
    int Count() const { return int(items.size()); }
    T* operator[](int i) const { return items[size_t(i)].get(); }
    void Clear() { items.clear(); }
    void Remove(const T* item) {
        items.erase(std::remove_if(items.begin(), items.end(),
                                   [&](const std::unique_ptr<T>& p) { return p.get() == item; }),
                    items.end());
    }

private:
    std::vector<std::unique_ptr<T>> items;
};

// A list of objects owned elsewhere.
template <typename T> class TNoOwnerCollection {
public:
    void Add(T* item) { items.push_back(item); }
    int Count() const { return int(items.size()); }
    T* operator[](int i) const { return items[size_t(i)]; }
    void Clear() { items.clear(); }
    void Remove(const T* item) {
        items.erase(std::remove(items.begin(), items.end(), item), items.end());
    }

protected:
    std::vector<T*> items;
};

// Kept in order by a compare routine; items of equal keys stand together, in insertion order.
template <typename T, typename Key> class TSortedCollection : public TNoOwnerCollection<T> {
public:
    using Compare = std::function<int(const Key&, const T*)>;
    using KeyOf = std::function<Key(const T*)>;
    TSortedCollection(KeyOf keyOf, Compare compare)
        : keyOf(std::move(keyOf)), compare(std::move(compare)) {}
    void Insert(T* item) {
        Key k = keyOf(item);
        auto it = std::upper_bound(this->items.begin(), this->items.end(), k,
                                   [&](const Key& key, const T* x) { return compare(key, x) < 0; });
        this->items.insert(it, item);
    }
    // Index of the first item with the key, or -1.
    int Search(const Key& k) const {
        auto it = std::lower_bound(this->items.begin(), this->items.end(), k,
                                   [&](const T* x, const Key& key) { return compare(key, x) > 0; });
        if (it == this->items.end() || compare(k, *it) != 0) return -1;
        return int(it - this->items.begin());
    }
    bool Matches(int i, const Key& k) const {
        return i >= 0 && i < this->Count() && compare(k, this->items[size_t(i)]) == 0;
    }

private:
    KeyOf keyOf;
    Compare compare;
};
