#include "Classes.h"

#include "CodePages.h"
#include "ScopeGuard.h"
#include "Streams.h"

#include <algorithm>
#include <cstdlib>
#include <cxxabi.h>
#include <map>
#include <mutex>
#include <typeindex>
#include <unordered_map>

namespace {

const char* const SListIndexError = "List index out of bounds (%d)";
const char* const SListCapacityError = "List capacity out of bounds (%d)";
const char* const SListCountError = "List count out of bounds (%d)";
const char* const SSortedListError = "Operation not allowed on sorted list";
const char* const SDuplicateString = "String list does not allow duplicates";

// Counts component destructions, so that a walk over a tree can tell that it changed.
uint64_t componentDestroyGeneration = 0;

bool isIdentStart(QChar c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_';
}

bool isValidIdent(const QString& s) {
    if (s.isEmpty() || !isIdentStart(s[0])) return false;
    for (QChar c : s)
        if (!isIdentStart(c) && !(c >= u'0' && c <= u'9')) return false;
    return true;
}

QString decodeText(const QByteArray& bytes, int codePage) {
    if (codePage == 65001) {
        QByteArray b = bytes;
        if (b.startsWith("\xEF\xBB\xBF")) b.remove(0, 3);
        return QString::fromUtf8(b);
    }
    return FromCodePage(bytes, codePage);
}

QByteArray encodeText(const QString& text, int codePage) {
    if (codePage == 65001) return text.toUtf8();
    return ToCodePage(text, codePage);
}

} // namespace

// ---- TObject ----------------------------------------------------------------------------

QString TObject::ClassName() const {
    // Kept for the whole run (never destroyed), so that objects freed at exit can still ask.
    static auto* mutex = new std::mutex;
    static auto* names = new std::unordered_map<std::type_index, QString>;
    const std::type_info& type = typeid(*this);
    std::lock_guard<std::mutex> lock(*mutex);
    auto it = names->find(std::type_index(type));
    if (it != names->end()) return it->second;
    int status = 0;
    char* demangled = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
    QString full = QString::fromLatin1(status == 0 && demangled ? demangled : type.name());
    std::free(demangled);
    // Drop namespaces and enclosing scopes: what follows the last "::" outside brackets.
    int depth = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i < full.size(); ++i) {
        QChar c = full[i];
        if (c == u'<' || c == u'(')
            ++depth;
        else if (c == u'>' || c == u')')
            --depth;
        else if (depth == 0 && c == u':' && i + 1 < full.size() && full[i + 1] == u':')
            start = i + 2;
    }
    QString name = full.mid(start);
    names->emplace(std::type_index(type), name);
    return name;
}

bool TObject::ClassNameIs(const QString& name) const {
    return ClassName().compare(name, Qt::CaseInsensitive) == 0;
}

void FreeObject(TObject* obj) {
    if (!obj) return;
    obj->BeforeDestruction();
    delete obj;
}

// ---- TList ------------------------------------------------------------------------------

TList::~TList() {
    Clear();
}

void TList::Error(const QString& Msg, int Data) {
    throw EListError(Format(Msg, {Data}));
}

void TList::checkIndex(int Index) const {
    if (Index < 0 || Index >= GetCount()) Error(QString::fromLatin1(SListIndexError), Index);
}

int TList::Add(void* Item) {
    int result = GetCount();
    if (result == capacity)
        SetCapacity(capacity + (capacity > 64 ? capacity / 4 : capacity > 8 ? 16 : 4));
    items.push_back(Item);
    if (Item) Notify(Item, lnAdded);
    return result;
}

void TList::Insert(int Index, void* Item) {
    if (Index < 0 || Index > GetCount()) Error(QString::fromLatin1(SListIndexError), Index);
    if (GetCount() == capacity)
        SetCapacity(capacity + (capacity > 64 ? capacity / 4 : capacity > 8 ? 16 : 4));
    items.insert(items.begin() + Index, Item);
    if (Item) Notify(Item, lnAdded);
}

void TList::Delete(int Index) {
    checkIndex(Index);
    void* temp = items[size_t(Index)];
    items.erase(items.begin() + Index);
    if (temp) Notify(temp, lnDeleted);
}

int TList::Remove(void* Item) {
    int result = IndexOf(Item);
    if (result >= 0) Delete(result);
    return result;
}

void* TList::Extract(void* Item) {
    int i = IndexOf(Item);
    if (i < 0) return nullptr;
    void* result = items[size_t(i)];
    items.erase(items.begin() + i);
    Notify(result, lnExtracted);
    return result;
}

int TList::IndexOf(void* Item) const {
    auto it = std::find(items.begin(), items.end(), Item);
    return it == items.end() ? -1 : int(it - items.begin());
}

void TList::Exchange(int Index1, int Index2) {
    checkIndex(Index1);
    checkIndex(Index2);
    std::swap(items[size_t(Index1)], items[size_t(Index2)]);
}

void TList::Move(int CurIndex, int NewIndex) {
    if (CurIndex == NewIndex) return;
    checkIndex(CurIndex);
    checkIndex(NewIndex);
    void* item = items[size_t(CurIndex)];
    items.erase(items.begin() + CurIndex);
    items.insert(items.begin() + NewIndex, item);
}

void TList::Sort(const TListSortCompare& Compare) {
    if (items.size() < 2) return;
    // The classic in-place quick sort, so that equal items end up where callers expect them.
    std::function<void(int, int)> quickSort = [&](int L, int R) {
        int I, J;
        do {
            I = L;
            J = R;
            void* P = items[size_t((L + R) >> 1)];
            do {
                while (I < R && Compare(items[size_t(I)], P) < 0)
                    ++I;
                while (J > L && Compare(items[size_t(J)], P) > 0)
                    --J;
                if (I <= J) {
                    std::swap(items[size_t(I)], items[size_t(J)]);
                    ++I;
                    --J;
                }
            } while (I <= J);
            if (L < J) quickSort(L, J);
            L = I;
        } while (I < R);
    };
    quickSort(0, GetCount() - 1);
}

void TList::Clear() {
    // Notify may touch the list, so take the items one by one from the end.
    while (!items.empty()) {
        void* temp = items.back();
        items.pop_back();
        if (temp) Notify(temp, lnDeleted);
    }
    capacity = 0;
}

void TList::Pack() {
    items.erase(std::remove(items.begin(), items.end(), nullptr), items.end());
}

void* TList::First() const {
    return GetItems(0);
}

void* TList::Last() const {
    return GetItems(GetCount() - 1);
}

void TList::Assign(const TList& Source) {
    if (&Source == this) return;
    Clear();
    SetCapacity(Source.GetCapacity());
    for (void* p : Source.items)
        Add(p);
}

void TList::SetCount(int NewCount) {
    if (NewCount < 0) Error(QString::fromLatin1(SListCountError), NewCount);
    if (NewCount > capacity) SetCapacity(NewCount);
    while (GetCount() > NewCount)
        Delete(GetCount() - 1);
    items.resize(size_t(NewCount), nullptr);
}

void TList::SetCapacity(int NewCapacity) {
    if (NewCapacity < GetCount()) Error(QString::fromLatin1(SListCapacityError), NewCapacity);
    capacity = NewCapacity;
    items.reserve(size_t(NewCapacity));
}

void* TList::GetItems(int Index) const {
    checkIndex(Index);
    return items[size_t(Index)];
}

void TList::SetItems(int Index, void* Item) {
    checkIndex(Index);
    void* temp = items[size_t(Index)];
    if (temp == Item) return;
    items[size_t(Index)] = Item;
    if (temp) Notify(temp, lnDeleted);
    if (Item) Notify(Item, lnAdded);
}

TObjectList::~TObjectList() {
    Clear();
}

void TObjectList::Notify(void* Ptr, TListNotification Action) {
    if (OwnsObjects && Action == lnDeleted) FreeObject(static_cast<TObject*>(Ptr));
    TList::Notify(Ptr, Action);
}

// ---- TPersistent ------------------------------------------------------------------------

void TPersistent::Assign(TPersistent* Source) {
    if (Source)
        Source->AssignTo(this);
    else
        AssignError(nullptr);
}

void TPersistent::AssignTo(TPersistent* Dest) {
    Dest->AssignError(this);
}

void TPersistent::AssignError(TPersistent* Source) {
    QString sourceName = Source ? Source->ClassName() : QStringLiteral("nil");
    throw EConvertError(Format("Cannot assign a %s to a %s", {sourceName, ClassName()}));
}

// ---- TStrings ---------------------------------------------------------------------------

void TStrings::Error(const QString& Msg, int Data) {
    throw EStringListError(Format(Msg, {Data}));
}

void TStrings::Put(int Index, const QString& S) {
    TObject* temp = GetObject(Index);
    PutObject(Index, nullptr); // so that a list owning its objects keeps this one
    Delete(Index);
    InsertObject(Index, S, temp);
}

void TStrings::InsertObject(int Index, const QString& S, TObject* AObject) {
    Insert(Index, S);
    PutObject(Index, AObject);
}

int TStrings::Add(const QString& S) {
    int result = GetCount();
    Insert(result, S);
    return result;
}

int TStrings::AddObject(const QString& S, TObject* AObject) {
    int result = Add(S);
    PutObject(result, AObject);
    return result;
}

void TStrings::AddStrings(TStrings* Strings) {
    TUpdateBracket<TStrings> update(*this);
    for (int i = 0; i < Strings->GetCount(); ++i)
        AddObject(Strings->Get(i), Strings->GetObject(i));
    update.End();
}

void TStrings::AddStrings(const QStringList& Strings) {
    TUpdateBracket<TStrings> update(*this);
    for (const QString& s : Strings)
        Add(s);
    update.End();
}

int TStrings::IndexOf(const QString& S) const {
    for (int i = 0; i < GetCount(); ++i)
        if (CompareStrings(Get(i), S) == 0) return i;
    return -1;
}

int TStrings::IndexOfName(const QString& Name) const {
    for (int i = 0; i < GetCount(); ++i) {
        QString s = Get(i);
        int p = s.indexOf(nameValueSeparator);
        if (p >= 0 && CompareStrings(s.left(p), Name) == 0) return i;
    }
    return -1;
}

int TStrings::IndexOfObject(TObject* AObject) const {
    for (int i = 0; i < GetCount(); ++i)
        if (GetObject(i) == AObject) return i;
    return -1;
}

void TStrings::Exchange(int Index1, int Index2) {
    TUpdateBracket<TStrings> update(*this);
    QString tempString = Get(Index1);
    TObject* tempObject = GetObject(Index1);
    Put(Index1, Get(Index2));
    PutObject(Index1, GetObject(Index2));
    Put(Index2, tempString);
    PutObject(Index2, tempObject);
    update.End();
}

void TStrings::Move(int CurIndex, int NewIndex) {
    if (CurIndex == NewIndex) return;
    TUpdateBracket<TStrings> update(*this);
    QString tempString = Get(CurIndex);
    TObject* tempObject = GetObject(CurIndex);
    PutObject(CurIndex, nullptr); // so that a list owning its objects keeps this one
    Delete(CurIndex);
    InsertObject(NewIndex, tempString, tempObject);
    update.End();
}

bool TStrings::Equals(TStrings* Strings) const {
    if (GetCount() != Strings->GetCount()) return false;
    for (int i = 0; i < GetCount(); ++i)
        if (Get(i) != Strings->Get(i)) return false;
    return true;
}

QString TStrings::GetNames(int Index) const {
    QString s = Get(Index);
    int p = s.indexOf(nameValueSeparator);
    return p >= 0 ? s.left(p) : QString();
}

QString TStrings::GetValues(const QString& Name) const {
    int i = IndexOfName(Name);
    if (i < 0) return QString();
    QString s = Get(i);
    return s.mid(s.indexOf(nameValueSeparator) + 1);
}

void TStrings::SetValues(const QString& Name, const QString& Value) {
    int i = IndexOfName(Name);
    if (!Value.isEmpty()) {
        if (i < 0)
            Add(Name + nameValueSeparator + Value);
        else
            Put(i, Name + nameValueSeparator + Value);
    } else if (i >= 0) {
        Delete(i);
    }
}

QString TStrings::GetValueFromIndex(int Index) const {
    if (Index < 0) return QString();
    QString s = Get(Index);
    int p = s.indexOf(nameValueSeparator);
    return p >= 0 ? s.mid(p + 1) : QString();
}

void TStrings::SetValueFromIndex(int Index, const QString& Value) {
    if (!Value.isEmpty()) {
        if (Index < 0) Index = Add(QString());
        Put(Index, GetNames(Index) + nameValueSeparator + Value);
    } else if (Index >= 0) {
        Delete(Index);
    }
}

QString TStrings::GetTextStr() const {
    QString result;
    for (int i = 0; i < GetCount(); ++i) {
        result += Get(i);
        result += QStringLiteral("\r\n");
    }
    return result;
}

void TStrings::SetTextStr(const QString& Value) {
    TUpdateBracket<TStrings> update(*this);
    Clear();
    const int n = int(Value.size());
    int p = 0;
    while (p < n) {
        int start = p;
        while (p < n && Value[p] != u'\r' && Value[p] != u'\n')
            ++p;
        Add(Value.mid(start, p - start));
        if (p < n && Value[p] == u'\r') ++p;
        if (p < n && Value[p] == u'\n') ++p;
    }
    update.End();
}

QString TStrings::GetCommaText() const {
    // Comma text always uses ',' and '"' with blanks separating, whatever the settings.
    TStringList copy;
    copy.SetDelimiter(u',');
    copy.SetQuoteChar(u'"');
    for (int i = 0; i < GetCount(); ++i)
        copy.Add(Get(i));
    return copy.GetDelimitedText();
}

void TStrings::SetCommaText(const QString& Value) {
    QChar oldDelimiter = delimiter, oldQuote = quoteChar;
    bool oldStrict = strictDelimiter;
    delimiter = u',';
    quoteChar = u'"';
    strictDelimiter = false;
    TScopeGuard restore([&] {
        delimiter = oldDelimiter;
        quoteChar = oldQuote;
        strictDelimiter = oldStrict;
    });
    SetDelimitedText(Value);
    restore.End();
}

QString TStrings::GetDelimitedText() const {
    const int count = GetCount();
    if (count == 1 && Get(0).isEmpty()) return QString(quoteChar) + quoteChar;
    QString result;
    for (int i = 0; i < count; ++i) {
        QString s = Get(i);
        bool needQuotes = false;
        for (QChar c : s) {
            if (c == quoteChar || c == delimiter || (!strictDelimiter && c.unicode() <= u' ')) {
                needQuotes = true;
                break;
            }
        }
        if (needQuotes) s = QuotedStr(s, quoteChar);
        if (i > 0) result += delimiter;
        result += s;
    }
    return result;
}

void TStrings::SetDelimitedText(const QString& Value) {
    const int n = int(Value.size());
    auto isBlank = [&](int p) {
        return p < n && Value[p].unicode() >= 1 && Value[p].unicode() <= u' ';
    };
    // A quoted item: doubled quotes stand for one; a missing closing quote ends at the end.
    auto extractQuoted = [&](int& p) {
        QString s;
        ++p;
        while (p < n) {
            if (Value[p] == quoteChar) {
                if (p + 1 < n && Value[p + 1] == quoteChar) {
                    s += quoteChar;
                    p += 2;
                    continue;
                }
                ++p;
                break;
            }
            s += Value[p++];
        }
        return s;
    };
    TUpdateBracket<TStrings> update(*this);
    Clear();
    int p = 0;
    if (!strictDelimiter)
        while (isBlank(p))
            ++p;
    while (p < n) {
        QString s;
        if (Value[p] == quoteChar) {
            s = extractQuoted(p);
        } else {
            int start = p;
            while (p < n && Value[p] != delimiter && (strictDelimiter || Value[p].unicode() > u' '))
                ++p;
            s = Value.mid(start, p - start);
        }
        Add(s);
        if (!strictDelimiter)
            while (isBlank(p))
                ++p;
        if (p < n && Value[p] == delimiter) {
            if (p + 1 == n) Add(QString());
            ++p;
            if (!strictDelimiter)
                while (isBlank(p))
                    ++p;
        }
    }
    update.End();
}

QStringList TStrings::ToStringList() const {
    QStringList result;
    result.reserve(GetCount());
    for (int i = 0; i < GetCount(); ++i)
        result << Get(i);
    return result;
}

void TStrings::SetStringList(const QStringList& List) {
    TUpdateBracket<TStrings> update(*this);
    Clear();
    for (const QString& s : List)
        Add(s);
    update.End();
}

void TStrings::BeginUpdate() {
    if (updateCount == 0) SetUpdateState(true);
    ++updateCount;
}

void TStrings::EndUpdate() {
    if (updateCount <= 0) return;
    --updateCount;
    if (updateCount == 0) SetUpdateState(false);
}

void TStrings::Assign(TPersistent* Source) {
    if (auto* src = dynamic_cast<TStrings*>(Source)) {
        if (src == this) return;
        TUpdateBracket<TStrings> update(*this);
        Clear();
        delimiter = src->delimiter;
        quoteChar = src->quoteChar;
        nameValueSeparator = src->nameValueSeparator;
        strictDelimiter = src->strictDelimiter;
        AddStrings(src);
        update.End();
        return;
    }
    TPersistent::Assign(Source);
}

void TStrings::LoadFromStream(TStream* Stream, int CodePage) {
    TUpdateBracket<TStrings> update(*this);
    SetTextStr(decodeText(Stream->ReadAll(), CodePage));
    update.End();
}

void TStrings::SaveToStream(TStream* Stream, int CodePage) const {
    Stream->WriteBytes(encodeText(GetTextStr(), CodePage));
}

void TStrings::LoadFromFile(const QString& FileName, int CodePage) {
    TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&stream, CodePage);
}

void TStrings::SaveToFile(const QString& FileName, int CodePage) const {
    TFileStream stream(FileName, fmCreate);
    SaveToStream(&stream, CodePage);
}

int TStrings::CompareStrings(const QString& S1, const QString& S2) const {
    return AnsiCompareText(S1, S2);
}

// ---- TStringList ------------------------------------------------------------------------

TStringList::~TStringList() {
    OnChange = nullptr;
    OnChanging = nullptr;
    std::vector<Item> old;
    old.swap(items);
    if (ownsObjects)
        for (Item& it : old)
            FreeObject(it.O);
}

void TStringList::checkIndex(int Index) const {
    if (Index < 0 || Index >= GetCount()) Error(QString::fromLatin1(SListIndexError), Index);
}

void TStringList::Changed() {
    if (GetUpdateCount() == 0 && OnChange) OnChange(this);
}

void TStringList::Changing() {
    if (GetUpdateCount() == 0 && OnChanging) OnChanging(this);
}

void TStringList::SetUpdateState(bool Updating) {
    if (Updating)
        Changing();
    else
        Changed();
}

QString TStringList::Get(int Index) const {
    checkIndex(Index);
    return items[size_t(Index)].S;
}

void TStringList::Put(int Index, const QString& S) {
    if (sorted) Error(QString::fromLatin1(SSortedListError), 0);
    checkIndex(Index);
    Changing();
    items[size_t(Index)].S = S;
    Changed();
}

TObject* TStringList::GetObject(int Index) const {
    checkIndex(Index);
    return items[size_t(Index)].O;
}

void TStringList::PutObject(int Index, TObject* AObject) {
    checkIndex(Index);
    Changing();
    items[size_t(Index)].O = AObject;
    Changed();
}

void TStringList::insertItem(int Index, const QString& S, TObject* O) {
    Changing();
    items.insert(items.begin() + Index, Item{S, O});
    Changed();
}

void TStringList::Insert(int Index, const QString& S) {
    InsertObject(Index, S, nullptr);
}

void TStringList::InsertObject(int Index, const QString& S, TObject* AObject) {
    if (sorted) Error(QString::fromLatin1(SSortedListError), 0);
    if (Index < 0 || Index > GetCount()) Error(QString::fromLatin1(SListIndexError), Index);
    insertItem(Index, S, AObject);
}

void TStringList::Delete(int Index) {
    checkIndex(Index);
    Changing();
    TObject* obj = items[size_t(Index)].O;
    items.erase(items.begin() + Index);
    if (ownsObjects) FreeObject(obj);
    Changed();
}

void TStringList::Clear() {
    if (items.empty()) return;
    Changing();
    if (!ownsObjects) {
        items.clear(); // keeps the room for the next lines
    } else {
        std::vector<Item> old;
        old.swap(items);
        for (Item& it : old)
            FreeObject(it.O);
    }
    Changed();
}

int TStringList::Add(const QString& S) {
    return AddObject(S, nullptr);
}

int TStringList::AddObject(const QString& S, TObject* AObject) {
    int result = GetCount();
    if (sorted && Find(S, result)) {
        if (duplicates == dupIgnore) return result;
        if (duplicates == dupError) Error(QString::fromLatin1(SDuplicateString), 0);
    }
    insertItem(result, S, AObject);
    return result;
}

int TStringList::IndexOf(const QString& S) const {
    if (!sorted) return TStrings::IndexOf(S);
    int result;
    return Find(S, result) ? result : -1;
}

void TStringList::Exchange(int Index1, int Index2) {
    checkIndex(Index1);
    checkIndex(Index2);
    Changing();
    std::swap(items[size_t(Index1)], items[size_t(Index2)]);
    Changed();
}

bool TStringList::Find(const QString& S, int& Index) const {
    if (!sorted) {
        for (int i = 0; i < GetCount(); ++i)
            if (CompareStrings(items[size_t(i)].S, S) == 0) {
                Index = i;
                return true;
            }
        Index = GetCount();
        return false;
    }
    bool result = false;
    int L = 0, H = GetCount() - 1;
    while (L <= H) {
        int I = (L + H) >> 1;
        int C = CompareStrings(items[size_t(I)].S, S);
        if (C < 0) {
            L = I + 1;
        } else {
            H = I - 1;
            if (C == 0) {
                result = true;
                if (duplicates != dupAccept) L = I;
            }
        }
    }
    Index = L;
    return result;
}

void TStringList::quickSort(int L, int R, const TStringListSortCompare& Compare) {
    int I, J;
    do {
        I = L;
        J = R;
        int P = (L + R) >> 1;
        do {
            while (I < R && Compare(this, I, P) < 0)
                ++I;
            while (J > L && Compare(this, J, P) > 0)
                --J;
            if (I <= J) {
                std::swap(items[size_t(I)], items[size_t(J)]);
                if (P == I)
                    P = J;
                else if (P == J)
                    P = I;
                ++I;
                --J;
            }
        } while (I <= J);
        if (L < J) quickSort(L, J, Compare);
        L = I;
    } while (I < R);
}

void TStringList::Sort() {
    CustomSort([](TStringList* list, int i, int j) {
        return list->CompareStrings(list->items[size_t(i)].S, list->items[size_t(j)].S);
    });
}

void TStringList::CustomSort(const TStringListSortCompare& Compare) {
    if (sorted || GetCount() < 2) return;
    Changing();
    quickSort(0, GetCount() - 1, Compare);
    Changed();
}

void TStringList::SetSorted(bool Value) {
    if (sorted == Value) return;
    if (Value) Sort();
    sorted = Value;
}

void TStringList::SetCaseSensitive(bool Value) {
    if (caseSensitive == Value) return;
    caseSensitive = Value;
    if (sorted) {
        // Re-sort under the new comparison.
        sorted = false;
        Sort();
        sorted = true;
    }
}

int TStringList::CompareStrings(const QString& S1, const QString& S2) const {
    return caseSensitive ? AnsiCompareStr(S1, S2) : AnsiCompareText(S1, S2);
}

// ---- TBits ------------------------------------------------------------------------------

namespace {
[[noreturn]] void bitsError() {
    throw EBitsError(QStringLiteral("Bits index out of range"));
}
} // namespace

void TBits::SetSize(int Value) {
    if (Value < 0) bitsError();
    bits.resize(size_t(Value), false);
}

bool TBits::GetBits(int Index) const {
    if (Index < 0 || Index >= GetSize()) bitsError();
    return bits[size_t(Index)];
}

void TBits::SetBits(int Index, bool Value) {
    if (Index < 0) bitsError();
    if (Index >= GetSize()) SetSize(Index + 1);
    bits[size_t(Index)] = Value;
}

int TBits::OpenBit() const {
    for (size_t i = 0; i < bits.size(); ++i)
        if (!bits[i]) return int(i);
    return GetSize();
}

// ---- TComponent -------------------------------------------------------------------------

TComponent::TComponent(TComponent* AOwner) {
    if (AOwner) {
        if (AOwner->state.Contains(csLoading)) state += TComponentState{csLoading, csReading};
        AOwner->InsertComponent(this);
    }
}

TComponent::~TComponent() {
    ++componentDestroyGeneration;
    // Same steps as BeforeDestruction; they find nothing left to do when it ran.
    Destroying();
    sendFreeNotifications();
    DestroyComponents();
    if (owner) owner->RemoveComponent(this);
}

void TComponent::BeforeDestruction() {
    Destroying();
    sendFreeNotifications();
    DestroyComponents();
    if (owner) owner->RemoveComponent(this);
}

void TComponent::sendFreeNotifications() {
    while (!freeNotifies.empty()) {
        TComponent* c = freeNotifies.back();
        freeNotifies.pop_back();
        auto& theirs = c->freeNotifies;
        theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
        c->Notification(this, opRemove);
    }
}

TComponent* TComponent::GetComponents(int Index) const {
    if (Index < 0 || Index >= GetComponentCount())
        throw EListError(Format(SListIndexError, {Index}));
    return components[size_t(Index)];
}

int TComponent::GetComponentIndex() const {
    if (!owner) return -1;
    auto& list = owner->components;
    auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : int(it - list.begin());
}

void TComponent::SetComponentIndex(int Value) {
    if (!owner) return;
    int i = GetComponentIndex();
    if (i < 0) return;
    auto& list = owner->components;
    int count = int(list.size());
    Value = std::clamp(Value, 0, count - 1);
    if (Value == i) return;
    list.erase(list.begin() + i);
    list.insert(list.begin() + Value, this);
}

void TComponent::SetName(const QString& NewName) {
    if (name == NewName) return;
    if (!NewName.isEmpty() && !isValidIdent(NewName))
        throw EComponentError(Format("'%s' is not a valid component name", {NewName}));
    if (owner)
        owner->ValidateRename(this, name, NewName);
    else
        ValidateRename(nullptr, name, NewName);
    name = NewName;
}

void TComponent::ValidateRename(TComponent* AComponent, const QString& CurName,
                                const QString& NewName) {
    if (AComponent && !NewName.isEmpty() && !SameText(CurName, NewName)) {
        TComponent* other = FindComponent(NewName);
        if (other && other != AComponent)
            throw EComponentError(Format("A component named %s already exists", {NewName}));
    }
}

void TComponent::SetDesigning(bool Value, bool SetChildren) {
    if (Value)
        state.Include(csDesigning);
    else
        state.Exclude(csDesigning);
    if (SetChildren)
        for (TComponent* c : components)
            c->SetDesigning(Value, true);
}

TComponent* TComponent::FindComponent(const QString& AName) const {
    if (AName.isEmpty()) return nullptr;
    for (TComponent* c : components)
        if (SameText(c->name, AName)) return c;
    return nullptr;
}

void TComponent::insert(TComponent* AComponent) {
    components.push_back(AComponent);
    AComponent->owner = this;
    if (AComponent->hearsSiblings) ++listeners;
}

void TComponent::remove(TComponent* AComponent) {
    // from the back: components mostly go last first (DestroyComponents), and each is there once
    auto it = std::find(components.rbegin(), components.rend(), AComponent);
    if (it != components.rend()) {
        components.erase(std::next(it).base());
        if (AComponent->hearsSiblings) --listeners;
    }
    AComponent->owner = nullptr;
}

void TComponent::IgnoreSiblingNews() {
    if (!hearsSiblings) return;
    hearsSiblings = false;
    if (owner) --owner->listeners;
}

void TComponent::InsertComponent(TComponent* AComponent) {
    if (!AComponent || AComponent->owner == this) return;
    ValidateInsert(AComponent);
    ValidateRename(AComponent, QString(), AComponent->name);
    if (AComponent->owner) AComponent->owner->RemoveComponent(AComponent);
    insert(AComponent);
    if (state.Contains(csDesigning)) AComponent->SetDesigning(true);
    Notification(AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent) {
    if (!AComponent || AComponent->owner != this) return;
    Notification(AComponent, opRemove);
    if (AComponent->owner == this) remove(AComponent);
}

void TComponent::DestroyComponents() {
    while (!components.empty()) {
        TComponent* c = components.back();
        // Everybody in this owner's tree hears of it while it is still whole.
        Notification(c, opRemove);
        if (c->owner == this) remove(c);
        FreeObject(c);
    }
}

void TComponent::Destroying() {
    if (state.Contains(csDestroying)) return;
    state.Include(csDestroying);
    for (TComponent* c : components)
        c->Destroying();
}

void TComponent::FreeNotification(TComponent* AComponent) {
    if (!AComponent || AComponent == this) return;
    if (std::find(freeNotifies.begin(), freeNotifies.end(), AComponent) == freeNotifies.end())
        freeNotifies.push_back(AComponent);
    auto& theirs = AComponent->freeNotifies;
    if (std::find(theirs.begin(), theirs.end(), this) == theirs.end()) theirs.push_back(this);
    state.Include(csFreeNotification);
    AComponent->state.Include(csFreeNotification);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
    if (!AComponent) return;
    freeNotifies.erase(std::remove(freeNotifies.begin(), freeNotifies.end(), AComponent),
                       freeNotifies.end());
    auto& theirs = AComponent->freeNotifies;
    theirs.erase(std::remove(theirs.begin(), theirs.end(), this), theirs.end());
}

void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
    if (Operation == opRemove && AComponent) RemoveFreeNotification(AComponent);
    // Handlers may take components out of the list: walk it from the end, re-checking.
    int i = listeners > 0 ? GetComponentCount() - 1 : -1;
    while (i >= 0) {
        TComponent* c = components[size_t(i)];
        if (c->hearsSiblings) c->Notification(AComponent, Operation);
        --i;
        if (i >= GetComponentCount()) i = GetComponentCount() - 1;
    }
}

void TComponent::Loaded() {
    state.Exclude(csLoading);
}

void TComponent::setLoadingTree(bool on) {
    if (on)
        state += TComponentState{csLoading, csReading};
    else
        state -= TComponentState{csLoading, csReading};
    for (TComponent* c : components)
        c->setLoadingTree(on);
}

void TComponent::collectLoaded(std::vector<TComponent*>& out) {
    state.Exclude(csReading);
    if (state.Contains(csLoading)) out.push_back(this);
    for (TComponent* c : components)
        c->collectLoaded(out);
}

void TComponent::BeginLoading() {
    if (loadingDepth++ == 0) setLoadingTree(true);
}

void TComponent::EndLoading() {
    if (loadingDepth == 0) return;
    if (--loadingDepth > 0) return;
    // A Loaded handler that throws leaves no component of the tree in csLoading.
    TScopeGuard unmark([this] { setLoadingTree(false); });
    std::vector<TComponent*> list;
    collectLoaded(list);
    uint64_t generation = componentDestroyGeneration;
    size_t i = 0;
    while (i < list.size()) {
        if (generation != componentDestroyGeneration) {
            // A Loaded handler deleted something: walk the tree again.
            list.clear();
            collectLoaded(list);
            generation = componentDestroyGeneration;
            i = 0;
            continue;
        }
        TComponent* c = list[i++];
        if (!c->state.Contains(csLoading)) continue;
        c->Loaded();
        if (generation == componentDestroyGeneration) c->state.Exclude(csLoading);
    }
    unmark.Dismiss();
}

// ---- class registry ---------------------------------------------------------------------

namespace {
std::map<QString, TComponentFactory>& classRegistry() {
    static auto* registry = new std::map<QString, TComponentFactory>;
    return *registry;
}
} // namespace

void RegisterClass(const QString& ClassName, const TComponentFactory& Factory) {
    classRegistry()[ClassName.toUpper()] = Factory;
}

TComponentFactory GetClass(const QString& ClassName) {
    auto& r = classRegistry();
    auto it = r.find(ClassName.toUpper());
    return it == r.end() ? TComponentFactory() : it->second;
}

TComponentFactory FindClass(const QString& ClassName) {
    TComponentFactory f = GetClass(ClassName);
    if (!f) throw EClassNotFound(Format("Class %s not found", {ClassName}));
    return f;
}

void UnRegisterClass(const QString& ClassName) {
    classRegistry().erase(ClassName.toUpper());
}

// ---- TCollectionItem --------------------------------------------------------------------

TCollectionItem::TCollectionItem(TCollection* ACollection) {
    SetCollection(ACollection);
}

TCollectionItem::~TCollectionItem() {
    SetCollection(nullptr);
}

void TCollectionItem::BeforeDestruction() {
    SetCollection(nullptr);
}

void TCollectionItem::SetCollection(TCollection* Value) {
    if (collection == Value) return;
    if (collection) collection->RemoveItem(this);
    if (Value) Value->InsertItem(this);
}

int TCollectionItem::GetIndex() const {
    if (!collection) return -1;
    auto& list = collection->items;
    auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : int(it - list.begin());
}

void TCollectionItem::SetIndex(int Value) {
    int cur = GetIndex();
    if (cur < 0 || cur == Value) return;
    auto& list = collection->items;
    if (Value < 0 || Value >= int(list.size())) throw EListError(Format(SListIndexError, {Value}));
    list.erase(list.begin() + cur);
    list.insert(list.begin() + Value, this);
    Changed(true);
}

TPersistent* TCollectionItem::GetOwner() const {
    return collection;
}

QString TCollectionItem::GetNamePath() const {
    if (!collection) return ClassName();
    return Format("%s[%d]", {collection->GetNamePath(), GetIndex()});
}

void TCollectionItem::Changed(bool AllItems) {
    if (collection && collection->updateCount == 0) collection->Update(AllItems ? nullptr : this);
}

// ---- TCollection ------------------------------------------------------------------------

TCollection::TCollection(TCollectionItemClass ItemClass) : itemClass(std::move(ItemClass)) {}

TCollection::~TCollection() {
    updateCount = 1;
    Clear();
}

TCollectionItem* TCollection::Add() {
    if (!itemClass) throw EInvalidOperation(QStringLiteral("Collection has no item class"));
    TCollectionItem* item = itemClass();
    if (item->collection != this) item->SetCollection(this);
    Added(item);
    return item;
}

TCollectionItem* TCollection::Insert(int Index) {
    TCollectionItem* item = Add();
    TScopeGuard freeItem([item] { FreeObject(item); });
    item->SetIndex(Index);
    freeItem.Dismiss();
    return item;
}

void TCollection::Delete(int Index) {
    TCollectionItem* item = GetItems(Index);
    Notify(item, cnDeleting);
    FreeObject(item);
}

void TCollection::Clear() {
    if (items.empty()) return;
    TUpdateBracket<TCollection> update(*this);
    while (!items.empty())
        FreeObject(items.back());
    update.End();
}

void TCollection::BeginUpdate() {
    ++updateCount;
}

void TCollection::EndUpdate() {
    if (updateCount <= 0) return;
    --updateCount;
    Changed();
}

void TCollection::Changed() {
    if (updateCount == 0) Update(nullptr);
}

TCollectionItem* TCollection::FindItemID(int ID) const {
    for (TCollectionItem* it : items)
        if (it->id == ID) return it;
    return nullptr;
}

void TCollection::Exchange(int Index1, int Index2) {
    GetItems(Index1);
    GetItems(Index2);
    std::swap(items[size_t(Index1)], items[size_t(Index2)]);
    Changed();
}

TCollectionItem* TCollection::GetItems(int Index) const {
    if (Index < 0 || Index >= GetCount()) throw EListError(Format(SListIndexError, {Index}));
    return items[size_t(Index)];
}

void TCollection::SetItems(int Index, TCollectionItem* Value) {
    GetItems(Index)->Assign(Value);
}

void TCollection::Assign(TPersistent* Source) {
    if (auto* src = dynamic_cast<TCollection*>(Source)) {
        if (src == this) return;
        TUpdateBracket<TCollection> update(*this);
        Clear();
        for (TCollectionItem* it : src->items)
            Add()->Assign(it);
        update.End();
        return;
    }
    TPersistent::Assign(Source);
}

void TCollection::InsertItem(TCollectionItem* Item) {
    items.push_back(Item);
    Item->collection = this;
    Item->id = nextID++;
    Notify(Item, cnAdded);
    Changed();
}

void TCollection::RemoveItem(TCollectionItem* Item) {
    Notify(Item, cnExtracting);
    items.erase(std::remove(items.begin(), items.end(), Item), items.end());
    Item->collection = nullptr;
    Changed();
}
