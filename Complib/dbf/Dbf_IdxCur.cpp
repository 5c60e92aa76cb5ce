#include "Dbf_IdxCur.h"

TIndexCursor::TIndexCursor(TIndexFile* file, int t) : TVirtualCursor(file), index(file), tag(t) {}

QByteArray TIndexCursor::padded(const QByteArray& key) const {
    int len = index->TagKeyLength(tag);
    if (index->TagIsNumeric(tag) || key.size() >= len) return key.left(len);
    return key + QByteArray(len - key.size(), ' ');
}

bool TIndexCursor::inRange(const QByteArray& key) const {
    if (!hasRange) return true;
    return index->CompareKeys(tag, key, low) >= 0 && index->CompareKeys(tag, key, high) <= 0;
}

void TIndexCursor::settle() {
    if (state != On) return;
    currentKey = index->PathKey(path);
    currentRecNo = index->PathRecNo(path);
    stamp = index->ChangeCount();
}

bool TIndexCursor::revalidate() {
    if (state != On) return true;
    if (!index->IsShared() && stamp == index->ChangeCount()) return true;
    index->Refresh();
    TIndexPath p = index->Find(tag, currentKey, currentRecNo);
    bool exact = !p.Empty();
    if (!exact) p = index->Find(tag, currentKey);
    path = p;
    stamp = index->ChangeCount();
    if (index->AtEnd(path)) {
        state = After;
        return false;
    }
    if (!exact) settle();
    return exact;
}

int TIndexCursor::GetPhysicalRecNo() {
    revalidate();
    return state == On ? index->PathRecNo(path) : 0;
}

int TIndexCursor::GetSequentialRecNo() {
    revalidate();
    if (state == Before) return 0;
    if (state == After) return 0x7FFFFFFF;
    return index->SequentialNo(tag, path);
}

int TIndexCursor::GetSequentialRecordCount() {
    index->Refresh();
    return index->KeyCountEstimate(tag);
}

void TIndexCursor::SetSequentialRecNo(int n) {
    index->Refresh();
    path = index->PathAtSequentialNo(tag, n);
    state = index->AtEnd(path) ? After : On;
    settle();
}

bool TIndexCursor::Next() {
    if (state == After) return false;
    if (state == Before) {
        index->Refresh();
        path = hasRange ? index->Find(tag, low) : index->FirstPath(tag);
    } else if (revalidate()) {
        // Steps again while the entry still names the same record: a tag that holds an entry
        // twice would otherwise give that record back for ever.
        const int was = currentRecNo;
        do {
            if (!index->NextPath(tag, path)) {
                state = After;
                return false;
            }
        } while (!index->AtEnd(path) && index->PathRecNo(path) == was);
    } else if (state == After) {
        return false; // the current entry went away and nothing follows it
    }                 // else the path already names the entry that followed the vanished one
    if (index->AtEnd(path) || !inRange(index->PathKey(path))) {
        state = After;
        return false;
    }
    state = On;
    settle();
    return true;
}

bool TIndexCursor::Prev() {
    if (state == Before) return false;
    if (state == On) revalidate();
    if (state == After) {
        index->Refresh();
        if (hasRange) {
            // the last key equal to high, or the one before the first key above it
            path = index->Find(tag, high);
            TIndexPath candidate;
            bool have = false;
            while (!index->AtEnd(path) &&
                   index->CompareKeys(tag, index->PathKey(path), high) <= 0) {
                candidate = path;
                have = true;
                if (!index->NextPath(tag, path)) break;
            }
            if (have)
                path = candidate;
            else if (index->AtEnd(path))
                path = index->LastPath(tag);
            else if (!index->PrevPath(tag, path)) {
                state = Before;
                return false;
            }
        } else {
            path = index->LastPath(tag);
        }
    } else {
        const int was = currentRecNo;
        do {
            if (!index->PrevPath(tag, path)) {
                state = Before;
                return false;
            }
        } while (index->PathRecNo(path) == was);
    }
    if (index->AtEnd(path) || !inRange(index->PathKey(path))) {
        state = Before;
        return false;
    }
    state = On;
    settle();
    return true;
}

bool TIndexCursor::GotoBookmark(int n) {
    if (n == 0) {
        state = Before;
        return true;
    }
    if (n == 0x7FFFFFFF) {
        state = After;
        return true;
    }
    if (state == On && GetPhysicalRecNo() == n) return true;
    TDbfFile* table = index->DbfFile();
    if (n < 1 || n > table->GetRecordCount()) return false;
    QByteArray rec(table->RecordSize(), ' ');
    if (table->ReadRecord(n, rec.data()) != table->RecordSize()) return false;
    index->Refresh();
    TIndexPath p = index->Find(tag, index->KeyOf(tag, rec.constData()), n);
    if (p.Empty()) return false;
    path = p;
    state = On;
    settle();
    return true;
}

void TIndexCursor::Insert(int recNo, const char* rec) {
    index->Refresh();
    QByteArray key = index->KeyOf(tag, rec);
    TIndexPath p = index->Find(tag, key, recNo);
    if (!p.Empty()) {
        path = p;
        state = On;
        settle();
    }
}

bool TIndexCursor::SearchValue(const Variant& value, TLocateOptions options) {
    index->Refresh();
    QByteArray key = index->KeyFromValue(tag, value);
    bool numeric = index->TagIsNumeric(tag);
    bool partial = options.Contains(loPartialKey) && !numeric;
    QByteArray full = padded(key);
    TIndexPath p = index->Find(tag, partial ? key : full);
    if (index->AtEnd(p)) return false;
    QByteArray found = index->PathKey(p);
    bool match = partial ? found.startsWith(key) : index->CompareKeys(tag, found, full) == 0;
    if (!match || !inRange(found)) return false;
    path = p;
    state = On;
    settle();
    return true;
}

void TIndexCursor::SetRange(const Variant& lowValue, const Variant& highValue) {
    low = padded(index->KeyFromValue(tag, lowValue));
    high = padded(index->KeyFromValue(tag, highValue));
    hasRange = true;
    state = Before;
}
