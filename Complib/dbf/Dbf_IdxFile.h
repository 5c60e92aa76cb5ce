// Index files: B-trees of fixed-size pages keeping the records of a table in key order.
#pragma once

#include "Dbf_DbfFile.h"
#include "Dbf_PgFile.h"

#include "Classes.h"
#include "ScopeGuard.h"
#include "Variant.h"

#include <map>
#include <set>
#include <vector>

#include <QStringList>

// One index definition of TDbfTable.Indexes: a tag name (or a file name with extension), the
// key expression and the options.
class TDbfIndexDef : public TCollectionItem {
    KADRION_CLASS(TDbfIndexDef)
    explicit TDbfIndexDef(TCollection* ACollection = nullptr) : TCollectionItem(ACollection) {}
    void Assign(TPersistent* Source) override;
    QString GetIndexFile() const { return indexFile; }
    void SetIndexFile(const QString& v) { indexFile = v; }
    QString GetSortField() const { return sortField; }
    void SetSortField(const QString& v) { sortField = v; }
    TIndexOptions GetOptions() const { return options; }
    void SetOptions(TIndexOptions v) { options = v; }
    QString GetDisplayName() const override { return indexFile; }

private:
    QString indexFile;
    QString sortField;
    TIndexOptions options;
};

class TDbfIndexDefs : public TCollection {
    KADRION_CLASS(TDbfIndexDefs)
    explicit TDbfIndexDefs(TPersistent* AOwner = nullptr)
        : TCollection(CollectionItemClass<TDbfIndexDef>()), owner(AOwner) {}
    TDbfIndexDef* Add() { return static_cast<TDbfIndexDef*>(TCollection::Add()); }
    TDbfIndexDef* GetItems(int i) const { return Item<TDbfIndexDef>(i); }
    // The definition whose IndexFile equals the name exactly, or none.
    TDbfIndexDef* GetIndexByName(const QString& name) const;
    TPersistent* GetOwner() const override { return owner; }

private:
    TPersistent* owner;
};

class TDbfParser;

// One page of a tree, decoded: a leaf holds (record number, key) entries; an inner page holds
// keys with one more page pointer than keys (Ptrs[i] names the subtree whose highest key is
// Keys[i]; the last pointer the subtree above every key).
struct TIndexPage {
    uint32_t PageNo = 0;
    int Slot = 0; // the tag the page belongs to
    bool Inner = false;
    std::vector<QByteArray> Keys;
    std::vector<uint32_t> Ptrs; // record numbers in a leaf, page numbers in an inner page
};

// A position in a tag: the chain of pages from the root to a leaf with the entry index in each.
struct TIndexPath {
    int Slot = 0;
    std::vector<std::pair<uint32_t, int>> Levels;
    bool Empty() const { return Levels.empty(); }
};

enum TIndexUniqueMode { iuNone, iuUnique, iuPrimary };

class TIndexFile : public TPagedFile {
public:
    static constexpr int MaxTags = 47;

    TIndexFile(TDbfFile* dbfFile, const QString& fileName);
    ~TIndexFile() override;

    void Open();
    void Close();
    bool IsUsable() const { return isOpen; }
    TDbfFile* DbfFile() const { return dbfFile; }
    bool IsMdx() const { return mdx; }
    // False when a locale problem was answered with "open without maintenance".
    bool Maintained() const { return maintained; }

    // Makes a tag (the table must be open exclusively) and fills it from every record.
    void CreateIndex(const QString& expression, const QString& tagName, TIndexOptions options);
    void DeleteIndex(const QString& tagName);
    int IndexOf(const QString& tagName) const;
    bool SelectIndex(const QString& tagName);
    void SelectTag(int slot) { currentTag = slot; }
    int CurrentTag() const { return currentTag; }
    int TagCount() const { return int(tags.size()); }
    QString TagName(int slot) const;
    QString TagExpression(int slot) const;
    TIndexOptions TagOptions(int slot) const;
    bool TagIsNumeric(int slot) const;
    int TagKeyLength(int slot) const;
    QStringList GetIndexNames() const;
    bool UpdateAll = true;

    // Key maintenance for every tag (or only the current one when UpdateAll is off). A key
    // refused by a unique or primary tag raises the key-violation error before any change.
    void Insert(int recNo, const char* rec);
    void Delete(int recNo, const char* rec);
    void CheckUpdate(int recNo, const char* oldRec, const char* newRec);
    void Update(int recNo, const char* oldRec, const char* newRec);
    void RecordDeleted(int recNo, const char* rec);
    // Empties a tag and inserts the keys of every record.
    void Rebuild(int slot);
    void Flush() override;

    // ---- reading a tag (the index cursor)
    QByteArray KeyOf(int slot, const char* rec);
    // The key bytes of a value: text padded or cut to the key length, or a number in the
    // file's numeric key format.
    QByteArray KeyFromValue(int slot, const Variant& value);
    int CompareKeys(int slot, const QByteArray& a, const QByteArray& b) const;
    // Path to the first entry whose key is not below key (end path when none). With recNo > 0
    // moves on over the equal keys to that record's entry (empty path when not there).
    TIndexPath Find(int slot, const QByteArray& key, int recNo = 0);
    TIndexPath FirstPath(int slot);
    TIndexPath LastPath(int slot);
    // Steps to the next / previous entry; false (path unchanged) at the end.
    bool NextPath(int slot, TIndexPath& path);
    bool PrevPath(int slot, TIndexPath& path);
    bool AtEnd(const TIndexPath& path);
    int PathRecNo(const TIndexPath& path);
    QByteArray PathKey(const TIndexPath& path);
    // Keys in tag order with their record numbers (tests and checks).
    std::vector<std::pair<QByteArray, int>> AllEntries(int slot);
    // Estimated position of the path among the keys (1-based) and estimated key count.
    int SequentialNo(int slot, const TIndexPath& path);
    int KeyCountEstimate(int slot);
    TIndexPath PathAtSequentialNo(int slot, int n);
    // In a shared file, drops the pages held so that the next walk reads them again.
    void Refresh();
    // Grows with every change of the trees, so that cursors know their paths are stale.
    uint32_t ChangeCount() const { return changes; }

private:
    struct Tag {
        QString name;
        uint32_t headerPage = 0;
        QByteArray header; // the tag header bytes
        std::unique_ptr<TDbfParser> parser;
        bool numeric = false;
        int keyLength = 0;
        int entrySize = 0;
        int keysPerPage = 0;
        TIndexUniqueMode unique = iuNone;
        bool descending = false;
        bool expressionFlag = true;
    };
    uint32_t root(int slot) const;
    void setRoot(int slot, uint32_t page);
    TIndexPage& page(int slot, uint32_t pageNo);
    void markDirty(uint32_t pageNo) { dirty.insert(pageNo); }
    uint32_t allocPage(int slot);
    void writeTagHeader(int slot);
    void readTags();
    void decodePage(int slot, const QByteArray& raw, TIndexPage& p) const;
    QByteArray encodePage(int slot, const TIndexPage& p) const;
    int maxKeys(int slot, bool inner) const;
    void insertKey(int slot, const QByteArray& key, int recNo);
    bool removeKey(int slot, const QByteArray& key, int recNo);
    bool keyExists(int slot, const QByteArray& key, int exceptRecNo);
    void descendLeftmost(int slot, TIndexPath& path);
    void descendRightmost(int slot, TIndexPath& path);
    QByteArray numericKey(int slot, double value, bool isInteger) const;
    void beginChange();
    void endChange();
    // beginChange, closed by endChange with End() or when the block is left by an exception
    using TChangeBracket = TBracket<TIndexFile, &TIndexFile::beginChange, &TIndexFile::endChange>;
    void keyViolation(int slot, int recNo, const QByteArray& key);
    void setupTag(Tag& t);
    bool slotMaintained(int slot) const;

    TDbfFile* dbfFile;
    bool isOpen = false;
    bool mdx = false;
    bool maintained = true;
    bool byteOrder = true;
    int collationCodePage = 0;
    int currentTag = 0;
    int changeDepth = 0;
    uint32_t changes = 0;
    std::vector<std::unique_ptr<Tag>> tags;
    std::map<uint32_t, TIndexPage> pages;
    std::set<uint32_t> dirty;
};
