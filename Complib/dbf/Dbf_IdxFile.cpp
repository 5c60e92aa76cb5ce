#include "Dbf_IdxFile.h"
#include "Dbf_Lang.h"
#include "Dbf_Parser.h"
#include "Dbf_Str.h"

#include "CodePages.h"
#include "Dates.h"
#include "ScopeGuard.h"

#include <algorithm>
#include <cmath>

// The two index file formats. Numbers are little-endian; page numbers count 512-byte blocks
// from the start of the file.
//
// A .NDX file holds one tag: block 0 is its header, the pages (512 bytes each) follow.
// A .MDX file holds up to MaxTags tags: a 2048-byte file header with the tag table, then the
// tag headers (one block each) and the pages (1024 bytes, two blocks each) as allocated.
//
// MDX file header (offset, size: contents)
//     0   1: version, 2                       20   2: blocks per page, 2
//     1   3: created: year - 1900, month, day 22   2: page size, 1024
//     4  16: table name without extension     24   1: 1 (a production index)
//    25   1: tag table slots, 48              26   1: size of a tag table entry, 32
//    28   2: tags in use                      31   1: language driver of the table
//    32   4: next free block                  44   3: last change: year - 1900, month, day
//   512  32: an unused first entry (its byte 17 is 1); the entries follow at 544
// Tag table entry (32 bytes; tag i at 544 + 32 * i)
//     0   4: block of the tag header           4  11: tag name, zero-padded
//    15   1: 0 = the key is an expression, 16 = a field
//    20   1: 2                                21   1: key type, 'N' or 'C'
// Tag header (NDX: block 0; MDX: a block of its own)
//     0   4: root page
//     4   4: NDX: next free block; MDX: blocks taken by the tag's pages
//     8   1: flags: 0x08 descending, 0x10 character key, 0x40 unique, 0x60 primary
//     9   1: key type, 'N' or 'C'             10   2: NDX 0x5800, MDX 0
//    12   2: key length                       14   2: keys a page holds
//    16   2: NDX: 1 for a numeric key         18   2: entry size (below)
//    20   1: 2                                23   1: 0x21 primary, 1 unique, 0 neither
//    24 220: key expression, zero-terminated 246   1: 1
// Page: the key count (4 bytes) at 0, then the entries, each rounded up to 4 bytes.
//   MDX, entries from 8: 4 bytes record number (leaf) or child page (inner page), the key.
//     An inner page has one more child page after the last entry; a leaf has 0 there.
//   NDX, entries from 4: 4 bytes child page (0 in a leaf), 4 bytes record number (0 in an
//     inner page), the key. An inner page has one more child page after the last entry.
// Keys: a character key is the expression's text in the table's code page, cut or padded
// with blanks to the key length. A numeric key is an 8-byte double in an NDX file, and 12
// bytes of packed decimal in an MDX file: byte 0 is 0x34 plus the number of digits before
// the point, byte 1 is 0x80 for a negative number, then up to 20 digits, two a byte, the
// first in the high half.
namespace {
constexpr int BlockSize = 512;
constexpr int MdxHeaderSize = 2048;
constexpr int MdxPageSize = 1024;
constexpr int NdxPageSize = 512;
constexpr int TagTableStart = 544;
constexpr int MaxDepth = 64;

void stampDate(char* p) {
    int y, m, d;
    DecodeDate(Date(), y, m, d);
    p[0] = char(y - 1900);
    p[1] = char(m);
    p[2] = char(d);
}
} // namespace

TIndexFile::TIndexFile(TDbfFile* table, const QString& name) : TPagedFile(name), dbfFile(table) {
    virtualLocks = false;
    mdx = ExtractFileExt(name).toUpper() == ".MDX";
}

TIndexFile::~TIndexFile() {
    try {
        Close();
    } catch (...) {
    }
}

[[noreturn]] static void invalidIndex(const QString& name) {
    throw EDbfError(Format(STRING_INVALID_INDEX_FILE, {name}));
}

void TIndexFile::Open() {
    if (isOpen) return;
    OpenFile();
    SetHeaderInOffset(false);
    SetRecordSize(mdx ? MdxPageSize : NdxPageSize);
    SetPageSize(BlockSize);
    tags.clear();
    pages.clear();
    dirty.clear();
    TScopeGuard closeOnError([this] {
        CloseFile();
        tags.clear();
    });
    if (mdx) {
        SetHeaderSize(MdxHeaderSize);
        if (FileCreated()) {
            char* h = Header();
            memset(h, 0, MdxHeaderSize);
            h[0] = 2;
            stampDate(h + 1);
            QByteArray table =
                ExtractFileName(ChangeFileExt(dbfFile->FileName(), "")).toLatin1().left(15);
            memcpy(h + 4, table.constData(), table.size());
            PutU16LE(h + 20, 2);
            PutU16LE(h + 22, MdxPageSize);
            h[24] = 1;
            h[25] = 48;
            h[26] = 32;
            PutU16LE(h + 28, 0);
            h[31] = char(dbfFile->GetLanguageId());
            PutU32LE(h + 32, MdxHeaderSize / BlockSize);
            stampDate(h + 44);
            h[529] = 1;
            WriteHeader();
            WriteHeaderNow();
        }
    } else if (FileCreated()) {
        auto t = std::make_unique<Tag>();
        t->name = ExtractFileName(ChangeFileExt(fileName, "")).toUpper();
        t->header = QByteArray(NdxPageSize, '\0');
        PutU32LE(t->header.data() + 4, 1);
        tags.push_back(std::move(t));
    }
    if (!FileCreated()) readTags();

    // collation
    maintained = true;
    int tableId = dbfFile->GetLanguageId();
    int fileId = mdx ? uint8_t(Header()[31]) : 0;
    byteOrder = !mdx || (tableId == 0 && fileId == 0);
    collationCodePage = dbfFile->GetCodePage();
    if (collationCodePage == 0) collationCodePage = DbfGlobals()->OemCodePage;
    if (!byteOrder) {
        int error = 0;
        uint32_t locale = LangDriver(tableId).Locale;
        if (fileId != 0 && fileId != tableId)
            error = 2;
        else if (locale == 0)
            error = 1;
        else if (!DbfLocales().Contains(locale))
            error = 3;
        if (error) {
            uint32_t solution = 0;
            if (dbfFile->OnLocaleError) {
                int e = error;
                dbfFile->OnLocaleError(e, solution);
            }
            if (solution == 0) {
                CloseFile();
                tags.clear();
                closeOnError.Dismiss();
                return; // the index is dropped
            }
            if (solution == 1) maintained = false;
        }
    }
    isOpen = true;
    closeOnError.Dismiss();
}

void TIndexFile::setupTag(Tag& t) {
    const char* h = t.header.constData();
    uint8_t flags = uint8_t(h[8]);
    t.numeric = h[9] == 'N';
    t.keyLength = GetU16LE(h + 12);
    t.keysPerPage = GetU16LE(h + 14);
    t.entrySize = GetU16LE(h + 18);
    t.descending = flags & 0x08;
    t.unique = uint8_t(h[23]) == 0x21 || (flags & 0x60) == 0x60 ? iuPrimary
               : (uint8_t(h[23]) == 1 || (flags & 0x40))        ? iuUnique
                                                                : iuNone;
    int pageHeader = mdx ? 8 : 4;
    int pageBytes = mdx ? MdxPageSize : NdxPageSize;
    int expected = mdx ? ((4 + t.keyLength + 3) / 4) * 4 : ((8 + t.keyLength + 3) / 4) * 4;
    if (t.keyLength < 1 || t.entrySize != expected || t.keysPerPage < 2 ||
        pageHeader + int64_t(t.keysPerPage) * t.entrySize > pageBytes)
        invalidIndex(fileName);
    int n = 0;
    while (n < 220 && h[24 + n])
        ++n;
    QString expression = QString::fromLatin1(h + 24, n);
    t.parser = std::make_unique<TDbfParser>(dbfFile);
    t.parser->ParseExpression(expression);
}

void TIndexFile::readTags() {
    int64_t size = FileSize();
    if (mdx) {
        if (size < MdxHeaderSize) invalidIndex(fileName);
        const char* h = Header();
        int count = GetU16LE(h + 28);
        int entrySize = uint8_t(h[26]);
        if (count > MaxTags || entrySize < 22 ||
            512 + entrySize + count * entrySize > MdxHeaderSize)
            invalidIndex(fileName);
        for (int i = 0; i < count; ++i) {
            const char* e = h + 512 + entrySize + i * entrySize;
            auto t = std::make_unique<Tag>();
            t->headerPage = GetU32LE(e);
            int n = 0;
            while (n < 11 && e[4 + n])
                ++n;
            t->name = QString::fromLatin1(e + 4, n).toUpper();
            t->expressionFlag = e[15] == 0;
            if (t->headerPage < 4 || int64_t(t->headerPage) * BlockSize + BlockSize > size)
                invalidIndex(fileName);
            t->header = QByteArray(BlockSize, '\0');
            ReadBlock(t->header.data(), BlockSize, int64_t(t->headerPage) * BlockSize);
            setupTag(*t);
            tags.push_back(std::move(t));
        }
    } else {
        if (size < NdxPageSize) invalidIndex(fileName);
        auto t = std::make_unique<Tag>();
        t->name = ExtractFileName(ChangeFileExt(fileName, "")).toUpper();
        t->header = QByteArray(NdxPageSize, '\0');
        ReadBlock(t->header.data(), NdxPageSize, 0);
        setupTag(*t);
        tags.push_back(std::move(t));
    }
    currentTag = 0;
}

void TIndexFile::Close() {
    if (!IsFileOpen()) return;
    if (isOpen && !IsReadOnly()) Flush();
    CloseFile();
    pages.clear();
    dirty.clear();
    tags.clear();
    isOpen = false;
}

void TIndexFile::Flush() {
    if (!IsFileOpen() || IsReadOnly()) return;
    int pageBytes = mdx ? MdxPageSize : NdxPageSize;
    for (uint32_t no : dirty) {
        auto it = pages.find(no);
        if (it == pages.end()) continue;
        QByteArray raw = encodePage(it->second.Slot, it->second);
        WriteBlock(raw.constData(), pageBytes, int64_t(no) * BlockSize);
    }
    dirty.clear();
    if (HeaderModified()) WriteHeaderNow();
}

void TIndexFile::Refresh() {
    if (!shared) return;
    ++changes;
    Flush();
    pages.clear();
    if (mdx) ReadHeaderFromFile();
    for (size_t s = 0; s < tags.size(); ++s) {
        Tag& t = *tags[s];
        ReadBlock(t.header.data(), int(t.header.size()), int64_t(t.headerPage) * BlockSize);
    }
}

void TIndexFile::beginChange() {
    if (changeDepth++ > 0) return;
    if (shared) {
        LockRegion(0, true);
        TScopeGuard unlock([this] {
            UnlockRegion(0);
            changeDepth = 0;
        });
        Refresh();
        unlock.Dismiss();
    }
}

void TIndexFile::endChange() {
    if (--changeDepth > 0) return;
    changeDepth = 0;
    if (shared) {
        TScopeGuard unlock([this] { UnlockRegion(0); });
        Flush();
        unlock.End();
    }
}

// ---- tags -----------------------------------------------------------------------------------

int TIndexFile::IndexOf(const QString& tagName) const {
    // a longer name given matches the ten characters a tag name keeps; a name read from a file
    // of another writer may be longer still
    const QString up = tagName.toUpper();
    for (size_t i = 0; i < tags.size(); ++i)
        if (tags[i]->name == up || tags[i]->name == up.left(10)) return int(i);
    if (!mdx && !tags.empty() &&
        tags[0]->name == ExtractFileName(ChangeFileExt(tagName, "")).toUpper())
        return 0;
    return -1;
}

bool TIndexFile::SelectIndex(const QString& tagName) {
    int i = IndexOf(tagName);
    if (i < 0) return false;
    currentTag = i;
    return true;
}

QString TIndexFile::TagName(int slot) const {
    return tags.at(size_t(slot))->name;
}

QString TIndexFile::TagExpression(int slot) const {
    const QByteArray& h = tags.at(size_t(slot))->header;
    int n = 0;
    while (n < 220 && h[24 + n])
        ++n;
    return QString::fromLatin1(h.constData() + 24, n);
}

TIndexOptions TIndexFile::TagOptions(int slot) const {
    const Tag& t = *tags.at(size_t(slot));
    TIndexOptions o;
    o.Include(ixExpression);
    if (t.descending) o.Include(ixDescending);
    if (t.unique == iuUnique) o.Include(ixUnique);
    if (t.unique == iuPrimary) o.Include(ixPrimary);
    return o;
}

bool TIndexFile::TagIsNumeric(int slot) const {
    return tags.at(size_t(slot))->numeric;
}

int TIndexFile::TagKeyLength(int slot) const {
    return tags.at(size_t(slot))->keyLength;
}

QStringList TIndexFile::GetIndexNames() const {
    QStringList names;
    if (!mdx)
        names << fileName;
    else
        for (const auto& t : tags)
            names << t->name;
    return names;
}

uint32_t TIndexFile::root(int slot) const {
    return GetU32LE(tags[size_t(slot)]->header.constData());
}

void TIndexFile::setRoot(int slot, uint32_t pageNo) {
    PutU32LE(tags[size_t(slot)]->header.data(), pageNo);
    writeTagHeader(slot);
}

void TIndexFile::writeTagHeader(int slot) {
    Tag& t = *tags[size_t(slot)];
    WriteBlock(t.header.constData(), int(t.header.size()), int64_t(t.headerPage) * BlockSize);
}

uint32_t TIndexFile::allocPage(int slot) {
    uint32_t no;
    if (mdx) {
        no = GetU32LE(Header() + 32);
        if (no < MdxHeaderSize / BlockSize) no = MdxHeaderSize / BlockSize;
        PutU32LE(Header() + 32, no + MdxPageSize / BlockSize);
        WriteHeader();
        if (slot >= 0) {
            Tag& t = *tags[size_t(slot)];
            PutU32LE(t.header.data() + 4, GetU32LE(t.header.constData() + 4) + 2);
        }
    } else {
        Tag& t = *tags[0];
        no = GetU32LE(t.header.constData() + 4);
        if (no < 1) no = 1;
        PutU32LE(t.header.data() + 4, no + 1);
        writeTagHeader(0);
    }
    return no;
}

int TIndexFile::maxKeys(int slot, bool inner) const {
    int kpp = tags[size_t(slot)]->keysPerPage;
    return inner ? kpp - 1 : kpp;
}

void TIndexFile::CreateIndex(const QString& expression, const QString& tagName,
                             TIndexOptions options) {
    if (dbfFile->IsShared() || shared) throw EDbfError(STRING_NEED_EXCLUSIVE_ACCESS);
    auto parser = std::make_unique<TDbfParser>(dbfFile);
    parser->ParseExpression(expression);
    bool numeric;
    switch (parser->ResultType()) {
    case etInteger:
    case etSmallInt:
    case etLargeInt:
    case etFloat:
        numeric = true;
        break;
    case etString:
        numeric = false;
        break;
    default:
        throw EDbfError(STRING_INVALID_INDEX_TYPE);
    }
    int slot;
    if (mdx) {
        if (int(tags.size()) >= MaxTags) throw EDbfError(STRING_TOO_MANY_INDEXES);
        slot = int(tags.size());
        auto t = std::make_unique<Tag>();
        t->name = tagName.toUpper().left(10);
        t->headerPage = allocPage(-1);
        t->header = QByteArray(BlockSize, '\0');
        tags.push_back(std::move(t));
        char* e = Header() + TagTableStart + slot * 32;
        memset(e, 0, 32);
        PutU32LE(e, tags[size_t(slot)]->headerPage);
        QByteArray name = tags[size_t(slot)]->name.toLatin1();
        memcpy(e + 4, name.constData(), name.size());
        e[15] = options.Contains(ixExpression) ? 0 : 16;
        tags[size_t(slot)]->expressionFlag = options.Contains(ixExpression);
        e[20] = 2;
        e[21] = numeric ? 'N' : 'C';
        PutU16LE(Header() + 28, uint16_t(tags.size()));
        WriteHeader();
    } else {
        slot = 0;
        if (tags.empty()) {
            auto t = std::make_unique<Tag>();
            t->name = ExtractFileName(ChangeFileExt(fileName, "")).toUpper();
            t->header = QByteArray(NdxPageSize, '\0');
            PutU32LE(t->header.data() + 4, 1);
            tags.push_back(std::move(t));
        }
    }
    Tag& t = *tags[size_t(slot)];
    int keyLength = numeric ? (mdx ? 12 : 8) : parser->ResultLength();
    int pageHeader = mdx ? 8 : 4;
    int pageBytes = mdx ? MdxPageSize : NdxPageSize;
    auto entrySizeOf = [&](int k) { return mdx ? ((4 + k + 3) / 4) * 4 : ((8 + k + 3) / 4) * 4; };
    if ((pageBytes - pageHeader) / entrySizeOf(keyLength) < 4) keyLength = 100;
    if (keyLength < 1) throw EDbfError(STRING_INVALID_INDEX_TYPE);
    int entrySize = entrySizeOf(keyLength);
    int keysPerPage = (pageBytes - pageHeader) / entrySize;
    char* h = t.header.data();
    uint32_t keepNext = GetU32LE(h + 4);
    memset(h, 0, t.header.size());
    PutU32LE(h + 4, mdx ? 0 : std::max<uint32_t>(keepNext, 1));
    uint8_t flags = numeric ? 0 : 0x10;
    if (options.Contains(ixDescending)) flags |= 0x08;
    if (options.Contains(ixPrimary))
        flags |= 0x60;
    else if (options.Contains(ixUnique))
        flags |= 0x40;
    h[8] = char(flags);
    h[9] = numeric ? 'N' : 'C';
    PutU16LE(h + 10, mdx ? 0 : 0x5800);
    PutU16LE(h + 12, uint16_t(keyLength));
    PutU16LE(h + 14, uint16_t(keysPerPage));
    PutU16LE(h + 16, !mdx && numeric ? 1 : 0);
    PutU16LE(h + 18, uint16_t(entrySize));
    h[20] = 2;
    h[23] = options.Contains(ixPrimary) ? 0x21 : options.Contains(ixUnique) ? 1 : 0;
    QByteArray expr = expression.toLatin1().left(219);
    memcpy(h + 24, expr.constData(), expr.size());
    h[246] = 1;
    setupTag(t);
    Rebuild(slot);
    currentTag = slot;
}

void TIndexFile::DeleteIndex(const QString& tagName) {
    if (!mdx) return;
    int slot = IndexOf(tagName);
    if (slot < 0) return;
    char* table = Header() + TagTableStart;
    int count = int(tags.size());
    memmove(table + slot * 32, table + (slot + 1) * 32, size_t(count - slot - 1) * 32);
    memset(table + (count - 1) * 32, 0, 32);
    tags.erase(tags.begin() + slot);
    PutU16LE(Header() + 28, uint16_t(tags.size()));
    WriteHeader();
    for (auto it = pages.begin(); it != pages.end();) {
        if (it->second.Slot == slot) {
            dirty.erase(it->first);
            it = pages.erase(it);
        } else {
            if (it->second.Slot > slot) --it->second.Slot;
            ++it;
        }
    }
    if (currentTag >= int(tags.size())) currentTag = 0;
}

// ---- pages ----------------------------------------------------------------------------------

void TIndexFile::decodePage(int slot, const QByteArray& raw, TIndexPage& p) const {
    const Tag& t = *tags[size_t(slot)];
    const char* b = raw.constData();
    uint32_t count = GetU32LE(b);
    int es = t.entrySize;
    int kl = t.keyLength;
    int kpp = t.keysPerPage;
    if (count > uint32_t(kpp)) invalidIndex(fileName);
    p.Keys.clear();
    p.Ptrs.clear();
    if (mdx) {
        const char* e0 = b + 8;
        p.Inner = int(count) < kpp && GetU32LE(e0 + count * es) != 0;
        for (uint32_t i = 0; i < count; ++i) {
            p.Keys.emplace_back(e0 + i * es + 4, kl);
            p.Ptrs.push_back(GetU32LE(e0 + i * es));
        }
        if (p.Inner) p.Ptrs.push_back(GetU32LE(e0 + count * es));
    } else {
        const char* e0 = b + 4;
        p.Inner = GetU32LE(e0) != 0;
        if (p.Inner && int(count) >= kpp) invalidIndex(fileName);
        for (uint32_t i = 0; i < count; ++i) {
            p.Keys.emplace_back(e0 + i * es + 8, kl);
            p.Ptrs.push_back(p.Inner ? GetU32LE(e0 + i * es) : GetU32LE(e0 + i * es + 4));
        }
        if (p.Inner) p.Ptrs.push_back(GetU32LE(e0 + count * es));
    }
    for (uint32_t ptr : p.Ptrs)
        if (ptr == 0 && p.Inner) invalidIndex(fileName);
}

QByteArray TIndexFile::encodePage(int slot, const TIndexPage& p) const {
    const Tag& t = *tags[size_t(slot)];
    QByteArray raw(mdx ? MdxPageSize : NdxPageSize, '\0');
    char* b = raw.data();
    int es = t.entrySize;
    int count = int(p.Keys.size());
    PutU32LE(b, uint32_t(count));
    char* e0 = b + (mdx ? 8 : 4);
    for (int i = 0; i < count; ++i) {
        char* e = e0 + i * es;
        if (mdx) {
            PutU32LE(e, p.Ptrs[size_t(i)]);
            memcpy(e + 4, p.Keys[size_t(i)].constData(), t.keyLength);
        } else {
            PutU32LE(e, p.Inner ? p.Ptrs[size_t(i)] : 0);
            PutU32LE(e + 4, p.Inner ? 0 : p.Ptrs[size_t(i)]);
            memcpy(e + 8, p.Keys[size_t(i)].constData(), t.keyLength);
        }
    }
    if (p.Inner) PutU32LE(e0 + count * es, p.Ptrs[size_t(count)]);
    return raw;
}

TIndexPage& TIndexFile::page(int slot, uint32_t pageNo) {
    auto it = pages.find(pageNo);
    if (it != pages.end()) return it->second;
    int pageBytes = mdx ? MdxPageSize : NdxPageSize;
    uint32_t first = mdx ? MdxHeaderSize / BlockSize : 1;
    if (pageNo < first || int64_t(pageNo) * BlockSize + pageBytes > FileSize())
        invalidIndex(fileName);
    QByteArray raw(pageBytes, '\0');
    if (ReadBlock(raw.data(), pageBytes, int64_t(pageNo) * BlockSize) != pageBytes)
        invalidIndex(fileName);
    TIndexPage p;
    p.PageNo = pageNo;
    p.Slot = slot;
    decodePage(slot, raw, p);
    return pages.emplace(pageNo, std::move(p)).first->second;
}

// ---- keys -----------------------------------------------------------------------------------

QByteArray TIndexFile::numericKey(int slot, double value, bool isInteger) const {
    const Tag& t = *tags[size_t(slot)];
    QByteArray key(t.keyLength, '\0');
    if (!mdx) {
        memcpy(key.data(), &value, std::min<int>(8, t.keyLength));
        return key;
    }
    bool negative = value < 0;
    double a = std::fabs(value);
    QByteArray digits;
    int intDigits = 0;
    if (isInteger && a < 1e19) {
        if (a >= 1) {
            digits = QByteArray::number(qulonglong(a));
            intDigits = int(digits.size());
        }
    } else if (a != 0 && std::isfinite(a)) {
        QByteArray s = QByteArray::number(a, 'e', 14); // d.dddddddddddddde+XX
        int ePos = int(s.indexOf('e'));
        QByteArray mantissa = s.left(1) + s.mid(2, ePos - 2);
        int exp = s.mid(ePos + 1).toInt();
        while (mantissa.size() > 1 && mantissa.endsWith('0'))
            mantissa.chop(1);
        if (exp >= 0) {
            intDigits = exp + 1;
            digits = mantissa;
        } else {
            digits = QByteArray(-exp - 1, '0') + mantissa; // below 1: shifted right
        }
    }
    key[0] = char(0x34 + std::min(intDigits, 0x7F - 0x34));
    key[1] = negative ? char(0x80) : char(0);
    digits = digits.left(20);
    for (int i = 0; i < digits.size(); ++i) {
        int d = digits[i] - '0';
        if (i % 2 == 0)
            key[2 + i / 2] = char(d << 4);
        else
            key[2 + i / 2] = char(uint8_t(key[2 + i / 2]) | d);
    }
    return key;
}

QByteArray TIndexFile::KeyOf(int slot, const char* rec) {
    Tag& t = *tags[size_t(slot)];
    TExprValue v = t.parser->Evaluate(rec);
    if (!t.numeric) {
        QByteArray k = v.S.left(t.keyLength);
        if (k.size() < t.keyLength) k.append(QByteArray(t.keyLength - k.size(), ' '));
        return k;
    }
    bool isInt = v.Type == etInteger || v.Type == etSmallInt || v.Type == etLargeInt;
    return numericKey(slot, isInt ? double(v.I) : v.F, isInt);
}

QByteArray TIndexFile::KeyFromValue(int slot, const Variant& value) {
    Tag& t = *tags[size_t(slot)];
    if (t.numeric) {
        double d = value.IsNull() || value.IsEmpty() ? 0.0 : value.AsDouble();
        bool isInt = d == std::trunc(d) && std::fabs(d) < 1e18;
        return numericKey(slot, d, isInt);
    }
    int cp = dbfFile->GetCodePage();
    if (cp == 0) cp = DbfGlobals()->OemCodePage;
    QByteArray k = ToCodePage(value.IsNull() || value.IsEmpty() ? QString() : value.AsString(), cp)
                       .left(t.keyLength);
    return k;
}

int TIndexFile::CompareKeys(int slot, const QByteArray& a, const QByteArray& b) const {
    const Tag& t = *tags[size_t(slot)];
    int r = 0;
    if (t.numeric && !mdx) {
        double x = 0, y = 0;
        memcpy(&x, a.constData(), std::min<qsizetype>(8, a.size()));
        memcpy(&y, b.constData(), std::min<qsizetype>(8, b.size()));
        r = x < y ? -1 : x > y ? 1 : 0;
    } else if (t.numeric) {
        bool na = uint8_t(a[1]) & 0x80, nb = uint8_t(b[1]) & 0x80;
        if (na != nb)
            r = na ? -1 : 1;
        else {
            r = uint8_t(a[0]) < uint8_t(b[0]) ? -1 : uint8_t(a[0]) > uint8_t(b[0]) ? 1 : 0;
            if (r == 0) r = memcmp(a.constData() + 2, b.constData() + 2, 10);
            r = r < 0 ? -1 : r > 0 ? 1 : 0;
            if (na) r = -r;
        }
    } else {
        int n = int(std::min(a.size(), b.size()));
        if (byteOrder) {
            r = memcmp(a.constData(), b.constData(), size_t(n));
            if (r == 0) r = a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
        } else {
            r = AnsiCompareStr(FromCodePage(a, collationCodePage),
                               FromCodePage(b, collationCodePage));
            if (r == 0) r = memcmp(a.constData(), b.constData(), size_t(n));
        }
        r = r < 0 ? -1 : r > 0 ? 1 : 0;
    }
    return t.descending ? -r : r;
}

void TIndexFile::keyViolation(int slot, int recNo, const QByteArray& key) {
    Tag& t = *tags[size_t(slot)];
    QString text;
    if (t.numeric) {
        const QString name = mdx ? t.name : fileName;
        text = QString::fromLatin1(key.toHex());
        throw EDbfError(Format(STRING_KEY_VIOLATION, {name, recNo, text}));
    }
    text = FromCodePage(key, collationCodePage).trimmed();
    throw EDbfError(Format(STRING_KEY_VIOLATION, {mdx ? t.name : fileName, recNo, text}));
}

// ---- searching and walking ------------------------------------------------------------------

TIndexPath TIndexFile::Find(int slot, const QByteArray& key, int recNo) {
    TIndexPath path;
    path.Slot = slot;
    uint32_t no = root(slot);
    for (int depth = 0;; ++depth) {
        if (depth > MaxDepth) invalidIndex(fileName);
        TIndexPage& p = page(slot, no);
        int lo = 0, hi = int(p.Keys.size());
        while (lo < hi) {
            int mid = (lo + hi) / 2;
            if (CompareKeys(slot, p.Keys[size_t(mid)], key) < 0)
                lo = mid + 1;
            else
                hi = mid;
        }
        path.Levels.emplace_back(no, lo);
        if (!p.Inner) break;
        no = p.Ptrs[size_t(lo)];
    }
    // past the last key of its leaf: the first key of the next leaf
    auto& leaf = page(slot, path.Levels.back().first);
    if (path.Levels.back().second >= int(leaf.Keys.size())) {
        TIndexPath probe = path;
        probe.Levels.back().second = int(leaf.Keys.size()) - 1;
        if (!leaf.Keys.empty() && NextPath(slot, probe)) path = probe;
    }
    if (recNo > 0) {
        while (!AtEnd(path) && CompareKeys(slot, PathKey(path), key) == 0) {
            if (PathRecNo(path) == recNo) return path;
            if (!NextPath(slot, path)) break;
        }
        TIndexPath none;
        none.Slot = slot;
        return none;
    }
    return path;
}

void TIndexFile::descendLeftmost(int slot, TIndexPath& path) {
    for (int depth = 0; depth <= MaxDepth; ++depth) {
        auto [no, idx] = path.Levels.back();
        TIndexPage& p = page(slot, no);
        if (!p.Inner) return;
        uint32_t child = p.Ptrs[size_t(idx)];
        page(slot, child); // read (and check) the child before going down
        path.Levels.emplace_back(child, 0);
    }
    invalidIndex(fileName);
}

void TIndexFile::descendRightmost(int slot, TIndexPath& path) {
    for (int depth = 0; depth <= MaxDepth; ++depth) {
        auto [no, idx] = path.Levels.back();
        TIndexPage& p = page(slot, no);
        if (!p.Inner) return;
        uint32_t child = p.Ptrs[size_t(idx)];
        TIndexPage& c = page(slot, child);
        path.Levels.emplace_back(child, c.Inner ? int(c.Keys.size()) : int(c.Keys.size()) - 1);
    }
    invalidIndex(fileName);
}

TIndexPath TIndexFile::FirstPath(int slot) {
    TIndexPath path;
    path.Slot = slot;
    path.Levels.emplace_back(root(slot), 0);
    descendLeftmost(slot, path);
    // skip empty leaves
    while (!path.Empty() && page(slot, path.Levels.back().first).Keys.empty()) {
        TIndexPath probe = path;
        probe.Levels.back().second = -1;
        if (!NextPath(slot, probe)) break;
        path = probe;
    }
    return path;
}

TIndexPath TIndexFile::LastPath(int slot) {
    TIndexPath path;
    path.Slot = slot;
    TIndexPage& r = page(slot, root(slot));
    path.Levels.emplace_back(root(slot), r.Inner ? int(r.Keys.size()) : int(r.Keys.size()) - 1);
    descendRightmost(slot, path);
    return path;
}

bool TIndexFile::NextPath(int slot, TIndexPath& path) {
    if (path.Empty()) return false;
    {
        auto& [no, idx] = path.Levels.back();
        TIndexPage& leaf = page(slot, no);
        if (idx + 1 < int(leaf.Keys.size())) {
            ++idx;
            return true;
        }
    }
    TIndexPath probe = path;
    for (;;) {
        probe.Levels.pop_back();
        if (probe.Empty()) return false;
        auto& [no, idx] = probe.Levels.back();
        TIndexPage& p = page(slot, no);
        if (idx + 1 < int(p.Ptrs.size())) {
            ++idx;
            descendLeftmost(slot, probe);
            if (page(slot, probe.Levels.back().first).Keys.empty())
                continue; // an empty leaf: go on
            path = probe;
            return true;
        }
    }
}

bool TIndexFile::PrevPath(int slot, TIndexPath& path) {
    if (path.Empty()) return false;
    {
        auto& [no, idx] = path.Levels.back();
        if (idx > 0) {
            int count = int(page(slot, no).Keys.size());
            idx = std::min(idx, count) - 1;
            if (idx >= 0) return true;
        }
    }
    TIndexPath probe = path;
    for (;;) {
        probe.Levels.pop_back();
        if (probe.Empty()) return false;
        auto& [no, idx] = probe.Levels.back();
        if (idx > 0) {
            --idx;
            descendRightmost(slot, probe);
            if (probe.Levels.back().second < 0) continue;
            path = probe;
            return true;
        }
    }
}

bool TIndexFile::AtEnd(const TIndexPath& path) {
    if (path.Empty()) return true;
    auto [no, idx] = path.Levels.back();
    int count = int(page(path.Slot, no).Keys.size());
    return idx < 0 || idx >= count;
}

int TIndexFile::PathRecNo(const TIndexPath& path) {
    if (AtEnd(path)) return 0;
    auto [no, idx] = path.Levels.back();
    return int(page(path.Slot, no).Ptrs[size_t(idx)]);
}

QByteArray TIndexFile::PathKey(const TIndexPath& path) {
    if (AtEnd(path)) return QByteArray();
    auto [no, idx] = path.Levels.back();
    return page(path.Slot, no).Keys[size_t(idx)];
}

std::vector<std::pair<QByteArray, int>> TIndexFile::AllEntries(int slot) {
    std::vector<std::pair<QByteArray, int>> out;
    TIndexPath p = FirstPath(slot);
    while (!AtEnd(p)) {
        out.emplace_back(PathKey(p), PathRecNo(p));
        if (!NextPath(slot, p)) break;
    }
    return out;
}

int TIndexFile::SequentialNo(int slot, const TIndexPath& path) {
    if (AtEnd(path)) return 0;
    int n = 1;
    TIndexPath p = FirstPath(slot);
    while (!AtEnd(p) && p.Levels != path.Levels) {
        if (!NextPath(slot, p)) break;
        ++n;
    }
    return n;
}

int TIndexFile::KeyCountEstimate(int slot) {
    int n = 0;
    TIndexPath p = FirstPath(slot);
    while (!AtEnd(p)) {
        ++n;
        if (!NextPath(slot, p)) break;
    }
    return n;
}

TIndexPath TIndexFile::PathAtSequentialNo(int slot, int n) {
    TIndexPath p = FirstPath(slot);
    for (int i = 1; i < n && !AtEnd(p); ++i)
        if (!NextPath(slot, p)) break;
    return p;
}

// ---- changing ----------------------------------------------------------------------------------

bool TIndexFile::keyExists(int slot, const QByteArray& key, int exceptRecNo) {
    TIndexPath p = Find(slot, key);
    while (!AtEnd(p) && CompareKeys(slot, PathKey(p), key) == 0) {
        if (PathRecNo(p) != exceptRecNo) return true;
        if (!NextPath(slot, p)) break;
    }
    return false;
}

void TIndexFile::insertKey(int slot, const QByteArray& key, int recNo) {
    ++changes;
    // descend: a new key goes behind the equal ones
    TIndexPath path;
    uint32_t no = root(slot);
    for (int depth = 0;; ++depth) {
        if (depth > MaxDepth) invalidIndex(fileName);
        TIndexPage& p = page(slot, no);
        int lo = 0, hi = int(p.Keys.size());
        while (lo < hi) {
            int mid = (lo + hi) / 2;
            if (CompareKeys(slot, p.Keys[size_t(mid)], key) <= 0)
                lo = mid + 1;
            else
                hi = mid;
        }
        path.Levels.emplace_back(no, lo);
        if (!p.Inner) break;
        no = p.Ptrs[size_t(lo)];
    }
    {
        auto [leafNo, pos] = path.Levels.back();
        TIndexPage& leaf = page(slot, leafNo);
        leaf.Keys.insert(leaf.Keys.begin() + pos, key);
        leaf.Ptrs.insert(leaf.Ptrs.begin() + pos, uint32_t(recNo));
        markDirty(leafNo);
    }
    // split full pages from the leaf upward
    for (int level = int(path.Levels.size()) - 1; level >= 0; --level) {
        uint32_t pageNo = path.Levels[size_t(level)].first;
        bool inner = page(slot, pageNo).Inner;
        if (int(page(slot, pageNo).Keys.size()) <= maxKeys(slot, inner)) break;
        uint32_t rightNo = allocPage(slot);
        TIndexPage& left = page(slot, pageNo); // allocPage may not move map entries
        TIndexPage right;
        right.PageNo = rightNo;
        right.Slot = slot;
        right.Inner = inner;
        int n = int(left.Keys.size());
        QByteArray separator;
        if (!inner) {
            int h = n / 2;
            right.Keys.assign(left.Keys.begin() + h, left.Keys.end());
            right.Ptrs.assign(left.Ptrs.begin() + h, left.Ptrs.end());
            left.Keys.resize(size_t(h));
            left.Ptrs.resize(size_t(h));
            separator = left.Keys.back();
        } else {
            int h = n / 2;
            separator = left.Keys[size_t(h)];
            right.Keys.assign(left.Keys.begin() + h + 1, left.Keys.end());
            right.Ptrs.assign(left.Ptrs.begin() + h + 1, left.Ptrs.end());
            left.Keys.resize(size_t(h));
            left.Ptrs.resize(size_t(h + 1));
        }
        markDirty(pageNo);
        pages[rightNo] = std::move(right);
        markDirty(rightNo);
        if (level == 0) {
            uint32_t newRoot = allocPage(slot);
            TIndexPage r;
            r.PageNo = newRoot;
            r.Slot = slot;
            r.Inner = true;
            r.Keys.push_back(separator);
            r.Ptrs.push_back(pageNo);
            r.Ptrs.push_back(rightNo);
            pages[newRoot] = std::move(r);
            markDirty(newRoot);
            setRoot(slot, newRoot);
            break;
        }
        auto [parentNo, pi] = path.Levels[size_t(level - 1)];
        TIndexPage& parent = page(slot, parentNo);
        parent.Keys.insert(parent.Keys.begin() + pi, separator);
        parent.Ptrs.insert(parent.Ptrs.begin() + pi + 1, rightNo);
        markDirty(parentNo);
    }
}

bool TIndexFile::removeKey(int slot, const QByteArray& key, int recNo) {
    ++changes;
    TIndexPath path = Find(slot, key, recNo);
    if (path.Empty()) return false;
    int level = int(path.Levels.size()) - 1;
    auto [leafNo, idx] = path.Levels[size_t(level)];
    TIndexPage& leaf = page(slot, leafNo);
    bool wasLast = idx == int(leaf.Keys.size()) - 1;
    leaf.Keys.erase(leaf.Keys.begin() + idx);
    leaf.Ptrs.erase(leaf.Ptrs.begin() + idx);
    markDirty(leafNo);
    if (!leaf.Keys.empty()) {
        if (wasLast) {
            // the parent entry of this page takes its new last key
            QByteArray newMax = leaf.Keys.back();
            for (int l = level - 1; l >= 0; --l) {
                auto [pn, pi] = path.Levels[size_t(l)];
                TIndexPage& p = page(slot, pn);
                if (pi < int(p.Keys.size())) {
                    p.Keys[size_t(pi)] = newMax;
                    markDirty(pn);
                    break;
                }
            }
        }
        return true;
    }
    // an empty page leaves its parent (its page is not reused)
    for (int l = level - 1; l >= 0; --l) {
        auto [pn, pi] = path.Levels[size_t(l)];
        TIndexPage& p = page(slot, pn);
        if (pi < int(p.Keys.size())) {
            p.Keys.erase(p.Keys.begin() + pi);
            p.Ptrs.erase(p.Ptrs.begin() + pi);
        } else {
            p.Ptrs.erase(p.Ptrs.begin() + pi);
            if (!p.Keys.empty()) p.Keys.pop_back();
        }
        markDirty(pn);
        if (!p.Ptrs.empty()) break;
        if (l == 0) {
            p.Inner = false; // the root becomes an empty leaf
            break;
        }
    }
    // a root with one pointer and no key gives way to its child
    for (int guard = 0; guard < MaxDepth; ++guard) {
        TIndexPage& r = page(slot, root(slot));
        if (!r.Inner || !r.Keys.empty() || r.Ptrs.size() != 1) break;
        setRoot(slot, r.Ptrs[0]);
    }
    return true;
}

bool TIndexFile::slotMaintained(int slot) const {
    return maintained && tags[size_t(slot)]->keyLength > 0 && (UpdateAll || slot == currentTag);
}

void TIndexFile::Insert(int recNo, const char* rec) {
    if (!maintained || tags.empty()) return;
    TChangeBracket change(*this);
    std::vector<QByteArray> keys(tags.size());
    for (size_t s = 0; s < tags.size(); ++s) {
        if (!slotMaintained(int(s))) continue;
        keys[s] = KeyOf(int(s), rec);
        if (tags[s]->unique != iuNone && keyExists(int(s), keys[s], -1))
            keyViolation(int(s), recNo, keys[s]);
    }
    size_t s = 0;
    // Whatever stops it, the keys added so far are taken back: no tag may name a record
    // that is never written.
    TScopeGuard takeBack([&] {
        for (size_t u = 0; u <= s && u < tags.size(); ++u) {
            if (!slotMaintained(int(u))) continue;
            try {
                removeKey(int(u), keys[u], recNo);
            } catch (...) {
            }
        }
    });
    for (; s < tags.size(); ++s)
        if (slotMaintained(int(s))) insertKey(int(s), keys[s], recNo);
    takeBack.Dismiss();
    change.End();
}

void TIndexFile::Delete(int recNo, const char* rec) {
    if (!maintained || tags.empty()) return;
    TChangeBracket change(*this);
    for (size_t s = 0; s < tags.size(); ++s)
        if (slotMaintained(int(s))) removeKey(int(s), KeyOf(int(s), rec), recNo);
    change.End();
}

void TIndexFile::CheckUpdate(int recNo, const char* oldRec, const char* newRec) {
    if (!maintained || tags.empty()) return;
    TChangeBracket change(*this);
    for (size_t s = 0; s < tags.size(); ++s) {
        if (!slotMaintained(int(s)) || tags[s]->unique == iuNone) continue;
        QByteArray k1 = KeyOf(int(s), oldRec), k2 = KeyOf(int(s), newRec);
        if (k1 != k2 && keyExists(int(s), k2, recNo)) keyViolation(int(s), recNo, k2);
    }
    change.End();
}

void TIndexFile::Update(int recNo, const char* oldRec, const char* newRec) {
    if (!maintained || tags.empty()) return;
    TChangeBracket change(*this);
    for (size_t s = 0; s < tags.size(); ++s) {
        if (!slotMaintained(int(s))) continue;
        QByteArray k1 = KeyOf(int(s), oldRec), k2 = KeyOf(int(s), newRec);
        bool deletedBefore = oldRec[0] == '*' && tags[s]->unique == iuPrimary;
        bool deletedAfter = newRec[0] == '*' && tags[s]->unique == iuPrimary;
        if (k1 == k2 && deletedBefore == deletedAfter) continue;
        if (!deletedBefore) removeKey(int(s), k1, recNo);
        if (!deletedAfter) insertKey(int(s), k2, recNo);
    }
    change.End();
}

void TIndexFile::RecordDeleted(int recNo, const char* rec) {
    if (!maintained || tags.empty()) return;
    TChangeBracket change(*this);
    for (size_t s = 0; s < tags.size(); ++s)
        if (slotMaintained(int(s)) && tags[s]->unique == iuPrimary)
            removeKey(int(s), KeyOf(int(s), rec), recNo);
    change.End();
}

void TIndexFile::Rebuild(int slot) {
    ++changes;
    TChangeBracket change(*this);
    uint32_t r = allocPage(slot);
    TIndexPage p;
    p.PageNo = r;
    p.Slot = slot;
    pages[r] = std::move(p);
    markDirty(r);
    setRoot(slot, r);
    Tag& t = *tags[size_t(slot)];
    int count = dbfFile->GetRecordCount();
    QByteArray rec(dbfFile->RecordSize(), ' ');
    for (int n = 1; n <= count; ++n) {
        if (dbfFile->ReadRecord(n, rec.data()) != dbfFile->RecordSize()) break;
        if (rec[0] == '*' && t.unique == iuPrimary) continue;
        QByteArray key = KeyOf(slot, rec.constData());
        if (t.unique != iuNone && keyExists(slot, key, -1)) keyViolation(slot, n, key);
        insertKey(slot, key, n);
    }
    change.End();
}

// ---- index definitions ----------------------------------------------------------------------

void TDbfIndexDef::Assign(TPersistent* Source) {
    if (auto* d = dynamic_cast<TDbfIndexDef*>(Source)) {
        indexFile = d->indexFile;
        sortField = d->sortField;
        options = d->options;
        return;
    }
    TCollectionItem::Assign(Source);
}

TDbfIndexDef* TDbfIndexDefs::GetIndexByName(const QString& name) const {
    for (int i = 0; i < Count(); ++i)
        if (GetItems(i)->GetIndexFile() == name) return GetItems(i);
    return nullptr;
}
