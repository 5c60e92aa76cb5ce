// The object model every layer builds on: TObject with class names, pointer lists, string
// lists, bit sets, persistent objects, components with ownership and notifications, and
// collections.
//
// Ownership: a TComponent owns the components created with it as Owner and deletes them with
// itself (last created first). Before an owned component goes, the owner and all its other
// components receive Notification(component, opRemove); a component that registered with
// FreeNotification on another one (of any owner) is told the same when that one is deleted.
// Keep pointers to other components only together with one of these two ways of being told.
//
// Deleting: FreeObject(p) / FreeAndNil(p) run BeforeDestruction() while the whole object is
// still alive (the owner does this for its components), then delete it. A plain `delete`
// (or std::unique_ptr) is fine too; then the owned components go from ~TComponent, when the
// derived parts of the owner are already gone. A derived class whose owned components touch
// its own members while they are destroyed calls DestroyComponents() first in its destructor.
// In Notification(c, opRemove) compare c with the pointers held; do not dynamic_cast it: after
// a plain `delete` only its TComponent part may be left when the news arrives.
#pragma once

#include "SysUtils.h"
#include "Types.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <vector>

class TStream;
class TPersistent;
class TComponent;
class TCollection;
class TCollectionItem;

KADRION_EXCEPTION(EBitsError, Exception)
KADRION_EXCEPTION(EClassNotFound, Exception)

// ---- TObject ----------------------------------------------------------------------------

// ClassName() is the name of the object's own C++ class (without namespaces), so every class
// reports its name without further ado; the class names are the system's own names.
// KADRION_CLASS(TMyClass) at the top of a class body adds the static StaticClassName() (for
// registering and looking up classes by name). It leaves the access at `public:`.
#define KADRION_CLASS(Name)                                                                        \
public:                                                                                            \
    static QString StaticClassName() {                                                             \
        return QStringLiteral(#Name);                                                              \
    }

class TObject {
public:
    TObject() = default;
    virtual ~TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;

    // The class name of the object (its dynamic type); a class may override it.
    virtual QString ClassName() const;
    static QString StaticClassName() { return QStringLiteral("TObject"); }
    // Case-insensitive comparison with ClassName().
    bool ClassNameIs(const QString& name) const;
    // Called by FreeObject while the whole object is alive, right before it is deleted.
    virtual void BeforeDestruction() {}
};

// Runs BeforeDestruction() and deletes; null is ignored.
void FreeObject(TObject* obj);
// Sets the variable to null first, then frees what it pointed to.
template <typename T> void FreeAndNil(T*& obj) {
    T* p = obj;
    obj = nullptr;
    FreeObject(p);
}

using TNotifyEvent = std::function<void(TObject* Sender)>;

// Horizontal alignment of text (fields, grids, labels, reports).
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
#define KADRION_CLASSES_HAS_TALIGNMENT

// ---- TList ------------------------------------------------------------------------------

enum TListNotification { lnAdded, lnExtracted, lnDeleted };
// <0, 0, >0 as Item1 sorts before, with or after Item2.
using TListSortCompare = std::function<int(void* Item1, void* Item2)>;

// A list of untyped pointers. Index errors raise EListError "List index out of bounds (%d)".
class TList : public TObject {
    KADRION_CLASS(TList)
    TList() = default;
    ~TList() override;

    int Add(void* Item);
    void Insert(int Index, void* Item);
    void Delete(int Index);
    // Removes the first occurrence; returns its former index or -1.
    int Remove(void* Item);
    // Removes the first occurrence without the lnDeleted notification; returns Item, or
    // null when it is not in the list.
    void* Extract(void* Item);
    int IndexOf(void* Item) const;
    void Exchange(int Index1, int Index2);
    void Move(int CurIndex, int NewIndex);
    void Sort(const TListSortCompare& Compare);
    virtual void Clear();
    // Removes every null entry.
    void Pack();
    void* First() const; // raises on an empty list
    void* Last() const;
    void Assign(const TList& Source);

    int GetCount() const { return int(items.size()); }
    int Count() const { return GetCount(); }
    // Setting a count below the current one drops the tail; above it appends nulls.
    void SetCount(int NewCount);
    int GetCapacity() const { return capacity; }
    // Raises EListError "List capacity out of bounds (%d)" below Count.
    void SetCapacity(int NewCapacity);
    void* GetItems(int Index) const;
    void SetItems(int Index, void* Item);
    void* operator[](int Index) const { return GetItems(Index); }
    // Typed read of an entry.
    template <typename T> T* Get(int Index) const { return static_cast<T*>(GetItems(Index)); }
    const std::vector<void*>& List() const { return items; }

protected:
    // Told after an item was added and after one was extracted or deleted.
    virtual void Notify(void* Ptr, TListNotification Action) {}
    [[noreturn]] static void Error(const QString& Msg, int Data);

private:
    void checkIndex(int Index) const;
    std::vector<void*> items;
    int capacity = 0;
};

// A list of objects that, with OwnsObjects (the default), deletes an object when it is
// deleted from the list, replaced in it or when the list is cleared or destroyed.
class TObjectList : public TList {
    KADRION_CLASS(TObjectList)
    explicit TObjectList(bool AOwnsObjects = true) : OwnsObjects(AOwnsObjects) {}
    ~TObjectList() override;
    int Add(TObject* Obj) { return TList::Add(Obj); }
    TObject* GetItems(int Index) const { return static_cast<TObject*>(TList::GetItems(Index)); }
    TObject* operator[](int Index) const { return GetItems(Index); }
    bool OwnsObjects = true;

protected:
    void Notify(void* Ptr, TListNotification Action) override;
};

// ---- TPersistent ------------------------------------------------------------------------

class TPersistent : public TObject {
    KADRION_CLASS(TPersistent)
    // Copies Source into this object: Source->AssignTo(this) by default; a class that knows
    // how to copy a source overrides Assign, and otherwise calls the inherited one. When
    // nobody can, EConvertError "Cannot assign a %s to a %s" is raised (source class name,
    // or "nil", then this class name).
    virtual void Assign(TPersistent* Source);
    virtual TPersistent* GetOwner() const { return nullptr; }
    // The name a designer would show: the class name by default.
    virtual QString GetNamePath() const { return ClassName(); }

protected:
    virtual void AssignTo(TPersistent* Dest);
    [[noreturn]] void AssignError(TPersistent* Source);
};

// ---- TStrings and TStringList ------------------------------------------------------------

enum TDuplicates { dupIgnore, dupAccept, dupError };

// The abstract string list. A descendant stores the strings (a list box, a memo, TStringList)
// and implements Get, GetCount, Insert, Delete and Clear; objects, Put and update state are
// optional. Everything else works on top of these.
//
// Text:  every line followed by CR LF ("a\r\nb\r\n"); setting splits at CR LF, LF or CR, and a
//        final line break gives no extra empty line.
// CommaText / DelimitedText: items joined by Delimiter (','); an item that contains a blank
//        or control character, the quote character (default '"') or the delimiter is quoted
//        (quotes inside doubled); a single empty item gives "". Reading skips blanks around
//        items and, unless StrictDelimiter, blanks also separate items; quoted items may hold
//        anything; a delimiter at the very end adds an empty item.
// Names/Values: "name=value" lines; Names[i] is "" when the line has no separator.
//        Setting a value to "" deletes the line; matching names follows CompareStrings.
class TStrings : public TPersistent {
    KADRION_CLASS(TStrings)
    TStrings() = default;
    ~TStrings() override = default;

    // --- what a descendant provides
    virtual int GetCount() const = 0;
    virtual QString Get(int Index) const = 0;
    virtual void Put(int Index, const QString& S);
    virtual TObject* GetObject(int Index) const { return nullptr; }
    virtual void PutObject(int Index, TObject* AObject) {}
    virtual void Insert(int Index, const QString& S) = 0;
    virtual void InsertObject(int Index, const QString& S, TObject* AObject);
    virtual void Delete(int Index) = 0;
    virtual void Clear() = 0;

    // --- built on top
    int Count() const { return GetCount(); }
    QString GetStrings(int Index) const { return Get(Index); }
    void SetStrings(int Index, const QString& S) { Put(Index, S); }
    QString operator[](int Index) const { return Get(Index); }
    TObject* GetObjects(int Index) const { return GetObject(Index); }
    void SetObjects(int Index, TObject* AObject) { PutObject(Index, AObject); }

    virtual int Add(const QString& S);
    virtual int AddObject(const QString& S, TObject* AObject);
    void Append(const QString& S) { Add(S); }
    virtual void AddStrings(TStrings* Strings);
    void AddStrings(const QStringList& Strings);
    virtual int IndexOf(const QString& S) const;
    virtual int IndexOfName(const QString& Name) const;
    int IndexOfObject(TObject* AObject) const;
    virtual void Exchange(int Index1, int Index2);
    virtual void Move(int CurIndex, int NewIndex);
    bool Equals(TStrings* Strings) const;

    QString GetNames(int Index) const;
    QString GetValues(const QString& Name) const;
    void SetValues(const QString& Name, const QString& Value);
    QString GetValueFromIndex(int Index) const;
    void SetValueFromIndex(int Index, const QString& Value);
    QChar GetNameValueSeparator() const { return nameValueSeparator; }
    void SetNameValueSeparator(QChar C) { nameValueSeparator = C; }

    virtual QString GetTextStr() const;
    virtual void SetTextStr(const QString& Value);
    QString GetText() const { return GetTextStr(); }
    void SetText(const QString& Value) { SetTextStr(Value); }
    QString GetCommaText() const;
    void SetCommaText(const QString& Value);
    QChar GetDelimiter() const { return delimiter; }
    void SetDelimiter(QChar C) { delimiter = C; }
    QChar GetQuoteChar() const { return quoteChar; }
    void SetQuoteChar(QChar C) { quoteChar = C; }
    bool GetStrictDelimiter() const { return strictDelimiter; }
    void SetStrictDelimiter(bool V) { strictDelimiter = V; }
    QString GetDelimitedText() const;
    void SetDelimitedText(const QString& Value);

    // The strings as a QStringList, and back (objects are dropped).
    QStringList ToStringList() const;
    void SetStringList(const QStringList& List);

    void BeginUpdate();
    void EndUpdate();
    int GetUpdateCount() const { return updateCount; }

    // Copies strings and objects from another TStrings (and the delimiter settings).
    void Assign(TPersistent* Source) override;

    // Byte I/O: the text in the given code page (Windows-1251 by default; 65001 is UTF-8).
    // Loading reads from the current position to the end.
    virtual void LoadFromStream(TStream* Stream, int CodePage = 1251);
    virtual void SaveToStream(TStream* Stream, int CodePage = 1251) const;
    void LoadFromFile(const QString& FileName, int CodePage = 1251);
    void SaveToFile(const QString& FileName, int CodePage = 1251) const;

    // <0, 0, >0; case-insensitive (AnsiCompareText) unless a descendant says otherwise.
    virtual int CompareStrings(const QString& S1, const QString& S2) const;

protected:
    // Told when the first BeginUpdate starts and the last EndUpdate ends an update.
    virtual void SetUpdateState(bool Updating) {}
    [[noreturn]] static void Error(const QString& Msg, int Data);

private:
    int updateCount = 0;
    QChar delimiter = u',';
    QChar quoteChar = u'"';
    QChar nameValueSeparator = u'=';
    bool strictDelimiter = false;
};

class TStringList;
// <0, 0, >0 as the string at Index1 sorts before, with or after the one at Index2.
using TStringListSortCompare = std::function<int(TStringList* List, int Index1, int Index2)>;

// A string list in memory. Sorted lists keep their order on Add (Insert raises EStringListError
// "Operation not allowed on sorted list") and Find uses binary search; Duplicates rules what
// Add does with a string already there in a sorted list (dupError raises EStringListError
// "String list does not allow duplicates"). Index errors raise EStringListError
// "List index out of bounds (%d)". Comparison is case-insensitive unless CaseSensitive.
// OnChanging/OnChange fire around every change, once for a whole BeginUpdate/EndUpdate.
class TStringList : public TStrings {
    KADRION_CLASS(TStringList)
    TStringList() = default;
    explicit TStringList(bool AOwnsObjects) : ownsObjects(AOwnsObjects) {}
    ~TStringList() override;

    int GetCount() const override { return int(items.size()); }
    QString Get(int Index) const override;
    void Put(int Index, const QString& S) override;
    TObject* GetObject(int Index) const override;
    void PutObject(int Index, TObject* AObject) override;
    void Insert(int Index, const QString& S) override;
    void InsertObject(int Index, const QString& S, TObject* AObject) override;
    void Delete(int Index) override;
    void Clear() override;

    int Add(const QString& S) override;
    int AddObject(const QString& S, TObject* AObject) override;
    int IndexOf(const QString& S) const override;
    void Exchange(int Index1, int Index2) override;
    // Binary search in a sorted list, linear otherwise. True when found; Index is the
    // position found or, in a sorted list, where S would be inserted.
    virtual bool Find(const QString& S, int& Index) const;
    virtual void Sort();
    virtual void CustomSort(const TStringListSortCompare& Compare);

    bool GetSorted() const { return sorted; }
    void SetSorted(bool Value);
    TDuplicates GetDuplicates() const { return duplicates; }
    void SetDuplicates(TDuplicates Value) { duplicates = Value; }
    bool GetCaseSensitive() const { return caseSensitive; }
    void SetCaseSensitive(bool Value);
    // When set, objects are deleted with their strings and with the list.
    bool GetOwnsObjects() const { return ownsObjects; }
    void SetOwnsObjects(bool Value) { ownsObjects = Value; }

    int CompareStrings(const QString& S1, const QString& S2) const override;

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

protected:
    virtual void Changed();
    virtual void Changing();
    void SetUpdateState(bool Updating) override;

private:
    struct Item {
        QString S;
        TObject* O = nullptr;
    };
    void checkIndex(int Index) const;
    void insertItem(int Index, const QString& S, TObject* O);
    void quickSort(int L, int R, const TStringListSortCompare& Compare);
    std::vector<Item> items;
    bool sorted = false;
    TDuplicates duplicates = dupIgnore;
    bool caseSensitive = false;
    bool ownsObjects = false;
};

// ---- TBits ------------------------------------------------------------------------------

// A growable array of bits. Writing past Size grows the array; reading past it or a negative
// index raises EBitsError "Bits index out of range".
class TBits : public TObject {
    KADRION_CLASS(TBits)
    int GetSize() const { return int(bits.size()); }
    void SetSize(int Value);
    bool GetBits(int Index) const;
    void SetBits(int Index, bool Value);
    bool operator[](int Index) const { return GetBits(Index); }
    // The index of the first clear bit (Size when all are set).
    int OpenBit() const;

private:
    std::vector<bool> bits;
};

// ---- TComponent -------------------------------------------------------------------------

enum TOperation { opInsert, opRemove };

enum TComponentStateItem {
    csLoading,
    csReading,
    csWriting,
    csDestroying,
    csDesigning,
    csAncestor,
    csUpdating,
    csFixups,
    csFreeNotification,
    csInline,
    csDesignInstance
};
using TComponentState = TSet<TComponentStateItem>;

class TComponent : public TPersistent {
    KADRION_CLASS(TComponent)
    explicit TComponent(TComponent* AOwner);
    ~TComponent() override;
    void BeforeDestruction() override;

    TComponent* GetOwner() const override { return owner; }
    int GetComponentCount() const { return int(components.size()); }
    int ComponentCount() const { return GetComponentCount(); }
    TComponent* GetComponents(int Index) const;
    // The position in the owner's list (-1 without owner); setting it moves the component.
    int GetComponentIndex() const;
    void SetComponentIndex(int Value);

    QString GetName() const { return name; }
    // Raises EComponentError "'%s' is not a valid component name" for a text that is not an
    // identifier and "A component named %s already exists" for a name taken in the owner.
    virtual void SetName(const QString& NewName);
    intptr_t GetTag() const { return tag; }
    void SetTag(intptr_t Value) { tag = Value; }
    TComponentState GetComponentState() const { return state; }
    bool IsLoading() const { return state.Contains(csLoading); }
    bool IsDesigning() const { return state.Contains(csDesigning); }
    bool IsDestroying() const { return state.Contains(csDestroying); }
    // Marks (or unmarks) this component and all it owns as being designed.
    void SetDesigning(bool Value, bool SetChildren = true);

    // Owned component by name, case-insensitive; null when absent.
    TComponent* FindComponent(const QString& AName) const;
    // Moves AComponent into this owner (from its old owner, if any); tells everyone opInsert.
    void InsertComponent(TComponent* AComponent);
    // Takes AComponent out of this owner without deleting it; tells everyone opRemove.
    void RemoveComponent(TComponent* AComponent);
    // Deletes the owned components, the last one first.
    void DestroyComponents();
    // Marks this component and all it owns as being destroyed (csDestroying).
    void Destroying();

    // Asks to be told (Notification opRemove) when AComponent is deleted; it works both ways.
    void FreeNotification(TComponent* AComponent);
    void RemoveFreeNotification(TComponent* AComponent);

    // The loading bracket of a window or data module built in code: BeginLoading marks this
    // component and everything it owns with csLoading and csReading (components created
    // inside the bracket with an owner that is loading are marked too). The outermost
    // EndLoading clears csReading and calls Loaded() on this component and then on every
    // owned component still loading (depth first, in creation order). Brackets nest.
    void BeginLoading();
    void EndLoading();

    void SetComponentState(TComponentState S) { state = S; }
    // The owned components in order, for range loops.
    const std::vector<TComponent*>& ComponentList() const { return components; }
    QString GetNamePath() const override { return name; }

    // Loaded and Notification are public so that the layers above can forward them.
    // Loaded clears csLoading; descendants do their after-load work and call the inherited one.
    virtual void Loaded();
    // Told about components inserted into or removed from this owner, and about components
    // deleted that this one asked FreeNotification of. The default passes the news on to
    // every owned component that listens (see IgnoreSiblingNews); descendants clear their
    // references and call the inherited one.
    virtual void Notification(TComponent* AComponent, TOperation Operation);

protected:
    // For a class whose objects hear of the components they refer to through FreeNotification
    // only: their owner no longer passes on the news of its other components to them, so
    // that an owner of many of them (a dataset of its fields) does not tell each of them of
    // each of the others.
    void IgnoreSiblingNews();
    virtual void Updating() { state.Include(csUpdating); }
    virtual void Updated() { state.Exclude(csUpdating); }
    virtual void ValidateRename(TComponent* AComponent, const QString& CurName,
                                const QString& NewName);
    virtual void ValidateInsert(TComponent* AComponent) {}
    TComponentState state;

private:
    void insert(TComponent* AComponent);
    void remove(TComponent* AComponent);
    void setLoadingTree(bool on);
    void collectLoaded(std::vector<TComponent*>& out);
    void sendFreeNotifications();
    TComponent* owner = nullptr;
    std::vector<TComponent*> components;
    int listeners = 0; // owned components that hear of their siblings
    bool hearsSiblings = true;
    std::vector<TComponent*> freeNotifies;
    QString name;
    intptr_t tag = 0;
    int loadingDepth = 0;
};

// ---- class registry (look-up of component classes by name) ------------------------------

using TComponentFactory = std::function<TComponent*(TComponent* AOwner)>;
// Registers a component class under its name (case-insensitive); registering a name again
// replaces the factory.
void RegisterClass(const QString& ClassName, const TComponentFactory& Factory);
template <typename T> void RegisterClass() {
    RegisterClass(T::StaticClassName(), [](TComponent* o) -> TComponent* { return new T(o); });
}
// The factory of a registered class, or an empty function.
TComponentFactory GetClass(const QString& ClassName);
// As GetClass, but raises EClassNotFound "Class %s not found".
TComponentFactory FindClass(const QString& ClassName);
void UnRegisterClass(const QString& ClassName);

// ---- TCollection ------------------------------------------------------------------------

enum TCollectionNotification { cnAdded, cnExtracting, cnDeleting };

// One item of a collection. Creating an item with a collection adds it at the end of that
// collection; deleting an item takes it out. Changes call Changed(), which lets the
// collection Update (unless it is inside BeginUpdate/EndUpdate).
class TCollectionItem : public TPersistent {
    KADRION_CLASS(TCollectionItem)
    explicit TCollectionItem(TCollection* ACollection = nullptr);
    ~TCollectionItem() override;
    void BeforeDestruction() override;

    TCollection* GetCollection() const { return collection; }
    // Moves the item into another collection (null: out of any).
    virtual void SetCollection(TCollection* Value);
    int GetIndex() const;
    // Moves the item within its collection.
    virtual void SetIndex(int Value);
    // A number unique in the collection, kept when the item moves.
    int GetID() const { return id; }
    // The item's caption in a designer: the class name unless a descendant says otherwise.
    virtual QString GetDisplayName() const { return ClassName(); }
    virtual void SetDisplayName(const QString& Value) { Changed(false); }
    TPersistent* GetOwner() const override;
    QString GetNamePath() const override;

protected:
    // Tells the collection: Update(this), or Update(nullptr) when AllItems.
    void Changed(bool AllItems);

private:
    friend class TCollection;
    TCollection* collection = nullptr;
    int id = 0;
};

// Makes a detached item of the collection's item class (the collection inserts it).
using TCollectionItemClass = std::function<TCollectionItem*()>;
template <typename T> TCollectionItemClass CollectionItemClass() {
    return [] { return new T(nullptr); };
}

// A list of items of one class; it owns and deletes its items. Index errors raise EListError
// "List index out of bounds (%d)".
class TCollection : public TPersistent {
    KADRION_CLASS(TCollection)
    explicit TCollection(TCollectionItemClass ItemClass);
    ~TCollection() override;

    TCollectionItem* Add();
    TCollectionItem* Insert(int Index);
    void Delete(int Index);
    void Clear();
    void BeginUpdate();
    void EndUpdate();
    int GetUpdateCount() const { return updateCount; }
    TCollectionItem* FindItemID(int ID) const;
    void Exchange(int Index1, int Index2);

    int GetCount() const { return int(items.size()); }
    int Count() const { return GetCount(); }
    TCollectionItem* GetItems(int Index) const;
    TCollectionItem* GetItem(int Index) const { return GetItems(Index); }
    // Assigns Value to the item at Index (the item stays the same object).
    void SetItems(int Index, TCollectionItem* Value);
    TCollectionItem* operator[](int Index) const { return GetItems(Index); }
    template <typename T> T* Item(int Index) const { return static_cast<T*>(GetItems(Index)); }
    const TCollectionItemClass& GetItemClass() const { return itemClass; }

    // From another collection: cleared, then one new item per source item, each assigned.
    void Assign(TPersistent* Source) override;
    TPersistent* GetOwner() const override { return nullptr; }

    // Told about a change of Item, or of the whole collection when Item is null.
    virtual void Update(TCollectionItem* Item) {}

protected:
    // Calls Update(nullptr) unless inside BeginUpdate/EndUpdate.
    void Changed();
    virtual void Added(TCollectionItem* Item) {}
    virtual void Notify(TCollectionItem* Item, TCollectionNotification Action) {}
    void InsertItem(TCollectionItem* Item);
    void RemoveItem(TCollectionItem* Item);

private:
    friend class TCollectionItem;
    TCollectionItemClass itemClass;
    std::vector<TCollectionItem*> items;
    int nextID = 0;
    int updateCount = 0;
};

// A collection that knows the object it belongs to (GetOwner).
class TOwnedCollection : public TCollection {
    KADRION_CLASS(TOwnedCollection)
    TOwnedCollection(TPersistent* AOwner, TCollectionItemClass ItemClass)
        : TCollection(std::move(ItemClass)), owner(AOwner) {}
    TPersistent* GetOwner() const override { return owner; }

private:
    TPersistent* owner;
};
