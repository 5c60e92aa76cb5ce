// The cursor in the key order of one index tag, with an optional range of keys.
#pragma once

#include "Dbf_Cursor.h"
#include "Dbf_IdxFile.h"

class TIndexCursor : public TVirtualCursor {
public:
    TIndexCursor(TIndexFile* file, int tag);

    int GetPhysicalRecNo() override;
    int GetSequentialRecNo() override;
    int GetSequentialRecordCount() override;
    void SetPhysicalRecNo(int n) override { GotoBookmark(n); }
    void SetSequentialRecNo(int n) override;
    bool Next() override;
    bool Prev() override;
    void First() override { state = Before; }
    void Last() override { state = After; }
    int GetBookMark() override { return GetPhysicalRecNo(); }
    bool GotoBookmark(int n) override;
    void Insert(int recNo, const char* rec) override;
    // After an edit the cursor follows the record to its new key.
    void Update(int recNo, const char*, const char* newRec) override { Insert(recNo, newRec); }

    int Tag() const { return tag; }
    TIndexFile* IndexFile() const { return index; }
    // Searches a value (exact, or the first key beginning with it with loPartialKey); stays
    // put and answers false when nothing matches.
    bool SearchValue(const Variant& value, TLocateOptions options);
    // Limits the walk to the keys from low to high (both included).
    void SetRange(const Variant& low, const Variant& high);
    void CancelRange() { hasRange = false; }

private:
    enum State { Before, On, After };
    bool inRange(const QByteArray& key) const;
    QByteArray padded(const QByteArray& key) const;
    // Remembers the entry the path names, to find it again after the tree changed.
    void settle();
    // Finds the remembered entry again when the tree changed (or may have, in a shared file);
    // false when it is gone and the path names the entry that followed it.
    bool revalidate();
    TIndexFile* index;
    int tag;
    State state = Before;
    TIndexPath path;
    bool hasRange = false;
    QByteArray low, high;
    QByteArray currentKey;
    int currentRecNo = 0;
    uint32_t stamp = 0;
};
