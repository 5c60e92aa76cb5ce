#include "Dbf_DbfFile.h"
#include "Dbf_IdxFile.h"
#include "Dbf_Lang.h"
#include "Dbf_Str.h"

#include "Dates.h"
#include "ScopeGuard.h"

#include <algorithm>
#include <cmath>

namespace {
const char* kLockFieldName = "_DBASELOCK";

QString existingVariant(const QString& name) {
    // Linux names are case-sensitive: try the extension as given, then upper and lower case.
    if (FileExists(name)) return name;
    QString ext = ExtractFileExt(name);
    for (const QString& e : {ext.toUpper(), ext.toLower()}) {
        QString other = ChangeFileExt(name, e);
        if (FileExists(other)) return other;
    }
    return name;
}

[[noreturn]] void invalidFile() {
    throw EDbfError(STRING_INVALID_DBF_FILE);
}

// Field bytes without trailing blanks (and, unless keepLeading, without leading blanks).
const char* textSpan(const char* p, int size, bool keepLeading, int& length) {
    int end = size;
    while (end > 0 && (p[end - 1] == ' ' || p[end - 1] == '\0'))
        --end;
    int start = 0;
    if (!keepLeading)
        while (start < end && p[start] == ' ')
            ++start;
    length = end - start;
    return p + start;
}

QByteArray fieldText(const char* p, int size, bool keepLeading) {
    int length = 0;
    const char* text = textSpan(p, size, keepLeading, length);
    return QByteArray(text, length);
}

int digitsOr1(const QByteArray& t, int from, int count) {
    bool ok = false;
    int v = t.mid(from, count).toInt(&ok);
    return ok ? v : 1;
}

double timeStampMSecs(TDateTime dt) {
    return TimeStampToMSecs(DateTimeToTimeStamp(dt));
}

// A stored time stamp as a date-time; a damaged one (not a number, or outside 01.01.0001 ..
// 31.12.9999) reads as 0, as a damaged date does.
TDateTime msecsToDateTime(double ms) {
    constexpr double LastDay = 3652059.0; // 31.12.9999
    if (!(ms >= MSecsPerDay && ms < (LastDay + 1) * MSecsPerDay)) return 0.0;
    TTimeStamp ts = MSecsToTimeStamp(std::round(ms));
    TDateTime d = double(ts.Date - DateDelta);
    double t = ts.Time / 86400000.0;
    return d >= 0 ? d + t : d - t;
}

void putText(char* dst, int size, const char* text, int length, bool rightAlign, char pad) {
    int n = std::min<int>(size, length);
    if (rightAlign) {
        memset(dst, pad, size - n);
        memcpy(dst + size - n, text + length - n, n);
    } else {
        memcpy(dst, text, n);
        memset(dst + n, pad, size - n);
    }
}

void putText(char* dst, int size, const QByteArray& text, bool rightAlign, char pad) {
    putText(dst, size, text.constData(), int(text.size()), rightAlign, pad);
}
} // namespace

TDbfFile::TDbfFile(const QString& name) : TPagedFile(name) {}

TDbfFile::~TDbfFile() {
    try {
        Close();
    } catch (...) {
    }
}

void TDbfFile::Open() {
    if (isOpen) return;
    OpenFile();
    isOpen = true;
    needsCreation = false;
    fastAppend = true;
    countMatchesFile = false;
    TScopeGuard closeOnError([this] { Close(); });
    if (FileCreated()) { // FinishCreate follows
        closeOnError.Dismiss();
        return;
    }
    int64_t size = FileSize();
    if (size == 0) {
        // an empty file is a table still to be created
        SetHeaderSize(0);
        SetRecordSize(0);
        needsCreation = true;
        closeOnError.Dismiss();
        return;
    }
    readHeaderValues();
    ReadFieldDefs();

    // record-count repair: the file size decides; written back only when exclusive
    int computed = int(std::max<int64_t>(0, (size - HeaderSize()) / RecordSize()));
    if (uint32_t(computed) != HeaderRecordCount()) {
        PutU32LE(Header() + 4, uint32_t(computed));
        if (!shared && !IsReadOnly()) WriteHeader();
    }

    bool hasBlob = false;
    for (int i = 0; i < fieldDefs.Count(); ++i)
        hasBlob = hasBlob || fieldDefs[i]->IsBlob();
    if (hasBlob) {
        if (dbfVersion == xFoxPro || dbfVersion == xVisualFoxPro)
            invalidFile(); // FoxPro memo files are not read
        memoFile = std::make_unique<TDbtFile>(existingVariant(ChangeFileExt(fileName, ".dbt")),
                                              dbfVersion);
        memoFile->SetMode(mode);
        memoFile->Open();
        Header()[0] = char(uint8_t(Header()[0]) | 0x80);
    } else {
        Header()[0] = char(uint8_t(Header()[0]) & 0x7F);
    }

    if (Header()[28] != 0 && dbfVersion != xFoxPro && dbfVersion != xVisualFoxPro) {
        QString mdxName = existingVariant(ChangeFileExt(fileName, ".mdx"));
        if (FileExists(mdxName)) {
            auto idx = std::make_unique<TIndexFile>(this, mdxName);
            idx->SetMode(mode == pfExclusiveCreate   ? pfExclusiveOpen
                         : mode == pfReadWriteCreate ? pfReadWriteOpen
                                                     : mode);
            // an index dropped for its locale or its damage is not used
            if (openOrDrop(*idx) && idx->IsUsable()) {
                mdxFile = idx.get();
                indexFiles.push_back(std::move(idx));
            }
        } else {
            bool deleteLink = true;
            if (OnIndexMissing) OnIndexMissing(deleteLink);
            if (deleteLink)
                Header()[28] = 0;
            else
                needsCreation = true;
        }
    }
    SetBuffering(!shared);
    closeOnError.Dismiss();
}

void TDbfFile::readHeaderValues() {
    int64_t size = FileSize();
    if (size < 32) invalidFile();
    SetHeaderSize(32);
    uint8_t version = uint8_t(Header()[0]);
    if (version == 0x30 || version == 0x31 || version == 0x32)
        dbfVersion = xVisualFoxPro;
    else if (version == 0xF5 || version == 0xFB)
        dbfVersion = xFoxPro;
    else if (version == 0x8B)
        dbfVersion = xBaseIV;
    else if (version == 0x8C)
        dbfVersion = xBaseVII;
    else if ((version & 7) == 3)
        dbfVersion = Header()[29] == 0 ? xBaseIII : xBaseIV;
    else if ((version & 7) == 4)
        dbfVersion = xBaseVII;
    else
        invalidFile();
    int hs = GetU16LE(Header() + 8);
    int rs = GetU16LE(Header() + 10);
    int base = dbfVersion == xBaseVII ? 68 : 32;
    if (hs == 0 || rs == 0 || hs < base + 1 || hs > size) invalidFile();
    SetHeaderSize(hs);
    SetRecordSize(rs);
    fieldDefs.DbfVersion = dbfVersion;
    fieldDefs.UseFloatFields = UseFloatFields;
}

void TDbfFile::ReadFieldDefs() {
    blankRecord.clear();
    fieldDefs.Clear();
    fieldDefs.DbfVersion = dbfVersion;
    fieldDefs.UseFloatFields = UseFloatFields;
    lockFieldOffset = -1;
    hasAutoInc = false;
    bool vii = dbfVersion == xBaseVII;
    int ds = vii ? 48 : 32;
    int base = vii ? 68 : 32;
    int hs = HeaderSize();
    const char* h = Header();
    int count = (hs - base) / ds;
    int offset = 1;
    int pos = base;
    for (int i = 0; i < count; ++i, pos += ds) {
        if (h[pos] == 0x0D) break;
        if (pos + ds > hs) invalidFile();
        const char* d = h + pos;
        int nameLen = vii ? 32 : 11;
        int n = 0;
        while (n < nameLen && d[n])
            ++n;
        QString name = QString::fromLatin1(d, n).trimmed().toUpper();
        char type = vii ? d[32] : d[11];
        int size = uint8_t(vii ? d[33] : d[16]);
        int prec = uint8_t(vii ? d[34] : d[17]);
        TDbfFieldDef* f = fieldDefs.Add();
        f->SetFieldName(name);
        f->SetFromFile(type, size, prec);
        f->Offset = offset;
        if (vii) {
            f->AutoIncNext = GetU32LE(d + 40);
            f->AutoIncPos = pos + 40;
        }
        if (name.isEmpty() || f->GetFieldType() == ftUnknown || size == 0) invalidFile();
        // binary fields are read whole: a slot narrower than their width is damage
        const char native = f->GetNativeFieldType();
        if (((native == 'I' || native == '+') && size != 4) ||
            ((native == '@' || native == 'O') && size != 8))
            invalidFile();
        if ((dbfVersion == xFoxPro || dbfVersion == xVisualFoxPro) &&
            !QByteArray("CNFLDM").contains(type))
            invalidFile(); // FoxPro binary field layouts are not read
        if (f->GetNativeFieldType() == '+') hasAutoInc = true;
        if (name == QLatin1String(kLockFieldName)) {
            f->IsLockField = true;
            lockFieldOffset = offset;
            lockFieldSize = size;
            lockUserLen = std::min<int>(size - 8, DbfGlobals()->ComputerName().size());
            if (lockUserLen < 0) lockUserLen = 0;
        }
        f->AllocBuffers();
        offset += size;
        if (pos + ds < hs && h[pos + ds] == 0x0D) {
            pos += ds;
            break;
        }
    }
    if (offset != RecordSize()) invalidFile();

    // dBase VII field properties: required, minimum, maximum and default values
    if (vii && pos < hs && h[pos] == 0x0D && hs - (pos + 1) >= 16) {
        int block = pos + 1;
        int entries = GetU16LE(h + block);
        int first = GetU16LE(h + block + 2);
        for (int e = 0; e < entries; ++e) {
            int ep = block + first + e * 15;
            if (ep + 15 > hs) break;
            int fieldNo = GetU16LE(h + ep + 2);
            int kind = uint8_t(h[ep + 4]);
            int valuePos = block + GetU16LE(h + ep + 11);
            int valueLen = GetU16LE(h + ep + 13);
            if (fieldNo < 1 || fieldNo > fieldDefs.Count()) continue;
            TDbfFieldDef* f = fieldDefs[fieldNo - 1];
            if (kind == 1) {
                f->SetRequired(true);
                continue;
            }
            if (kind < 2 || kind > 4 || valuePos + valueLen > hs) continue;
            int n = std::min(valueLen, f->GetSize());
            char* dst = kind == 2 ? f->MinBuf() : kind == 3 ? f->MaxBuf() : f->DefaultBuf();
            memcpy(dst, h + valuePos, n);
            (kind == 2 ? f->HasMin : kind == 3 ? f->HasMax : f->HasDefault) = true;
        }
    }
}

void TDbfFile::Close() {
    if (!isOpen) return;
    isOpen = false;
    while (!indexFiles.empty())
        indexFiles.pop_back();
    mdxFile = nullptr;
    if (memoFile) {
        memoFile->Close();
        memoFile.reset();
    }
    CloseFile();
    prevBuffer.clear();
}

void TDbfFile::SetRecordSize(int n) {
    TPagedFile::SetRecordSize(n);
    prevBuffer = QByteArray(std::max(n, 0), ' ');
}

void TDbfFile::FinishCreate(const TDbfFieldDefs& fields, const QString& memoExt,
                            int memoBlockSize) {
    TruncateFile(0);
    bool vii = dbfVersion == xBaseVII;
    int ds = vii ? 48 : 32;
    int base = vii ? 68 : 32;
    int count = fields.Count();
    int hs = ds * count + base + 1;
    if (hs > 65535) invalidFile();
    QByteArray image(hs, '\0');
    TDbfGlobals* g = DbfGlobals();
    if (vii) {
        image[0] = 0x04;
        QByteArray name = ConstructLangName(g->AnsiCodePage, g->DefaultLocale, g->UseFoxProNames)
                              .toLatin1()
                              .left(31);
        memcpy(image.data() + 32, name.constData(), name.size());
    } else {
        image[0] = 0x03;
        image[29] = dbfVersion == xBaseIII
                        ? 0
                        : char(GetLangId_From_Codepage(g->AnsiCodePage, g->DefaultLocale, false));
    }
    blankRecord.clear();
    fieldDefs.Clear();
    fieldDefs.DbfVersion = dbfVersion;
    fieldDefs.UseFloatFields = UseFloatFields;
    hasAutoInc = false;
    lockFieldOffset = -1;
    bool hasMemo = false;
    int offset = 1;
    for (int i = 0; i < count; ++i) {
        TDbfFieldDef* f = fieldDefs.Add();
        f->Assign(*fields[i]);
        if (CopyDateTimeAsString && f->GetFieldType() == ftDateTime) {
            f->SetFieldType(ftString);
            f->SetSize(22);
        }
        f->SetFieldName(f->GetFieldName().toUpper());
        f->Offset = offset;
        f->AutoIncNext = 0;
        char type = f->GetNativeFieldType();
        if (f->IsBlob()) hasMemo = true;
        if (type == 0 || (!vii && !QByteArray("CDFLMN").contains(type)))
            DbfError(STRING_INVALID_FIELD_TYPE,
                     {QString(QChar::fromLatin1(type ? type : '?')), f->GetFieldName()});
        char* d = image.data() + base + i * ds;
        QByteArray name = f->GetFieldName().toLatin1().left(vii ? 31 : 10);
        memcpy(d, name.constData(), name.size());
        if (vii) {
            d[32] = type;
            d[33] = char(f->GetSize());
            d[34] = char(f->GetPrecision());
            f->AutoIncPos = base + i * ds + 40;
            if (type == '+') {
                f->AutoIncNext = 1;
                PutU32LE(d + 40, 1);
            }
        } else {
            d[11] = type;
            d[16] = char(f->GetSize());
            d[17] = char(f->GetPrecision());
        }
        if (type == '+') hasAutoInc = true;
        if (f->GetFieldName() == QLatin1String(kLockFieldName)) {
            f->IsLockField = true;
            lockFieldOffset = offset;
            lockFieldSize = f->GetSize();
            lockUserLen =
                std::max(0, std::min<int>(lockFieldSize - 8, DbfGlobals()->ComputerName().size()));
        }
        f->AllocBuffers();
        offset += f->GetSize();
        if (offset > 65535) invalidFile();
    }
    image[hs - 1] = 0x0D;
    if (hasMemo) image[0] = char(uint8_t(image[0]) | (dbfVersion == xBaseIII ? 0x80 : 0x88));
    PutU16LE(image.data() + 8, uint16_t(hs));
    PutU16LE(image.data() + 10, uint16_t(offset));
    SetHeaderSize(hs);
    memcpy(Header(), image.constData(), hs);
    SetRecordSize(offset);
    WriteHeader();
    if (hasMemo && !memoFile) {
        memoFile =
            std::make_unique<TDbtFile>(ChangeFileExt(fileName, memoExt), dbfVersion, memoBlockSize);
        memoFile->SetMode(mode);
        memoFile->Open();
    }
}

void TDbfFile::WriteHeader() {
    if (HeaderSize() == 0 || IsReadOnly()) return;
    if (shared) {
        int y, m, d;
        DecodeDate(Date(), y, m, d);
        Header()[1] = char((y - 1900) & 0xFF);
        Header()[2] = char(m);
        Header()[3] = char(d);
        TPagedFile::WriteHeader();
        writeEofMarker();
    } else {
        // exclusive: the header and the end marker are written at flush or close
        headerModified = true;
        eofPending = true;
    }
}

void TDbfFile::writeEofMarker() {
    eofPending = false;
    if (RecordSize() == 0 || IsReadOnly()) return;
    // only at or past the physical end, so that a concurrent appender's record is never hit
    int64_t pos = CalcPageOffset(int(HeaderRecordCount()) + 1);
    if (pos >= FileSize()) {
        char eof = 0x1A;
        WriteBlock(&eof, 1, pos);
    }
}

void TDbfFile::Flush() {
    if (!IsFileOpen()) return;
    FlushCache();
    if (headerModified && !IsReadOnly()) {
        int y, m, d;
        DecodeDate(Date(), y, m, d);
        Header()[1] = char((y - 1900) & 0xFF);
        Header()[2] = char(m);
        Header()[3] = char(d);
        WriteHeaderNow();
    }
    if (eofPending) writeEofMarker();
    for (auto& idx : indexFiles)
        idx->Flush();
}

void TDbfFile::CloseFile() {
    if (IsFileOpen() && !IsReadOnly()) Flush();
    TPagedFile::CloseFile();
}

void TDbfFile::TryExclusive() {
    TPagedFile::TryExclusive();
    if (!shared) {
        for (auto& idx : indexFiles)
            idx->TryExclusive();
        if (memoFile) memoFile->TryExclusive();
    }
}

void TDbfFile::EndExclusive() {
    for (auto& idx : indexFiles)
        idx->EndExclusive();
    if (memoFile) memoFile->EndExclusive();
    TPagedFile::EndExclusive();
}

TDbfFieldDef* TDbfFile::GetFieldInfo(const QString& name) const {
    int i = fieldDefs.IndexOf(name);
    return i < 0 ? nullptr : fieldDefs[i];
}

void TDbfFile::checkFieldIndex(int i) const {
    if (i < 0 || i >= fieldDefs.Count()) throw EDbfError(STRING_INVALID_DBF_FILE);
}

const char* TDbfFile::FieldText(int fieldIndex, const char* rec, int& length) const {
    checkFieldIndex(fieldIndex);
    const TDbfFieldDef* f = fieldDefs[fieldIndex];
    switch (f->GetNativeFieldType()) {
    case '+':
    case 'I':
    case '@':
    case 'O':
        return nullptr;
    default:
        return textSpan(rec + f->Offset, f->GetSize(), true, length);
    }
}

bool TDbfFile::GetFieldData(int fieldIndex, TFieldType type, void* dest, const char* rec) const {
    checkFieldIndex(fieldIndex);
    TDbfFieldDef* f = fieldDefs[fieldIndex];
    const char* p = rec + f->Offset;
    int size = f->GetSize();
    switch (f->GetNativeFieldType()) {
    case '+':
    case 'I': {
        uint32_t raw = GetU32BE(p);
        if (raw == 0) return false;
        int32_t v = int32_t(raw - 0x80000000u);
        if (dest) {
            if (type == ftLargeint)
                *static_cast<int64_t*>(dest) = v;
            else if (type == ftFloat || type == ftCurrency)
                *static_cast<double*>(dest) = v;
            else
                *static_cast<int32_t*>(dest) = v;
        }
        return true;
    }
    case '@': {
        if (IsAllZero(p, 8)) return false;
        uint64_t bits = GetU64BE(p);
        double v;
        memcpy(&v, &bits, 8);
        if (dest)
            *static_cast<double*>(dest) =
                DateTimeHandling == dtBDETimeStamp ? msecsToDateTime(v) : v;
        return true;
    }
    case 'O': {
        if (IsAllZero(p, 8)) return false;
        uint64_t bits = GetU64BE(p);
        if (bits & 0x8000000000000000ULL)
            bits &= ~0x8000000000000000ULL;
        else
            bits = ~bits;
        double v;
        memcpy(&v, &bits, 8);
        if (dest) *static_cast<double*>(dest) = v;
        return true;
    }
    default:
        break;
    }
    bool isString = type == ftString || type == ftFixedChar || type == ftWideString ||
                    type == ftMemo || type == ftBlob || type == ftDBaseOle || type == ftFmtMemo;
    QByteArray text = fieldText(p, size, isString);
    if (text.isEmpty()) return false;
    if (!dest) return true;
    switch (type) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc: {
        bool ok = false;
        int64_t v = text.toLongLong(&ok);
        if (!ok) v = 0;
        if (type == ftSmallint)
            *static_cast<int16_t*>(dest) = int16_t(v);
        else
            *static_cast<int32_t*>(dest) = int32_t(v);
        return true;
    }
    case ftLargeint: {
        bool ok = false;
        int64_t v = text.toLongLong(&ok);
        *static_cast<int64_t*>(dest) = ok ? v : 0;
        return true;
    }
    case ftBoolean:
        *static_cast<bool*>(dest) = text[0] == 'T' || text[0] == 't';
        return true;
    case ftFloat:
    case ftCurrency:
    case ftBCD: {
        bool ok = false;
        double v = text.toDouble(&ok);
        *static_cast<double*>(dest) = ok ? v : 0.0;
        return true;
    }
    case ftDate:
    case ftDateTime:
    case ftTime: {
        TDateTime d = 0.0;
        if (!TryEncodeDate(digitsOr1(text, 0, 4), digitsOr1(text, 4, 2), digitsOr1(text, 6, 2), d))
            d = 0.0;
        else if (type != ftDate && text.size() > 8) {
            TDateTime t = 0.0;
            auto part = [&](int from) {
                bool ok = false;
                int v = text.mid(from, 2).toInt(&ok);
                return ok ? v : (from < text.size() ? -1 : 0);
            };
            if (TryEncodeTime(part(8), part(10), part(12), 0, t))
                d = d >= 0 ? d + t : d - t;
            else
                d = 0.0;
        }
        *static_cast<double*>(dest) = d;
        return true;
    }
    default:
        *static_cast<QByteArray*>(dest) = text;
        return true;
    }
}

void TDbfFile::SetFieldData(int fieldIndex, TFieldType type, const void* source, char* rec) const {
    checkFieldIndex(fieldIndex);
    TDbfFieldDef* f = fieldDefs[fieldIndex];
    char* p = rec + f->Offset;
    int size = f->GetSize();
    char native = f->GetNativeFieldType();
    switch (native) {
    case '+':
    case 'I': {
        if (!source) {
            memset(p, 0, 4);
            return;
        }
        int64_t v = type == ftLargeint ? *static_cast<const int64_t*>(source)
                    : (type == ftFloat || type == ftCurrency)
                        ? int64_t(*static_cast<const double*>(source))
                        : *static_cast<const int32_t*>(source);
        if (v <= INT32_MIN || v > INT32_MAX)
            DbfError(STRING_INTEGER_OUT_OF_RANGE, {f->GetFieldName()});
        PutU32BE(p, uint32_t(int32_t(v)) + 0x80000000u);
        return;
    }
    case '@': {
        if (!source) {
            memset(p, 0, 8);
            return;
        }
        double v = *static_cast<const double*>(source);
        if (DateTimeHandling == dtBDETimeStamp) v = timeStampMSecs(v);
        uint64_t bits;
        memcpy(&bits, &v, 8);
        PutU64BE(p, bits);
        return;
    }
    case 'O': {
        if (!source) {
            memset(p, 0, 8);
            return;
        }
        double v = *static_cast<const double*>(source);
        uint64_t bits;
        memcpy(&bits, &v, 8);
        if (v >= 0)
            bits |= 0x8000000000000000ULL;
        else
            bits = ~bits;
        PutU64BE(p, bits);
        return;
    }
    default:
        break;
    }
    if (!source) {
        memset(p, ' ', size);
        return;
    }
    switch (type) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
    case ftLargeint: {
        int64_t v = type == ftSmallint   ? *static_cast<const int16_t*>(source)
                    : type == ftLargeint ? *static_cast<const int64_t*>(source)
                                         : *static_cast<const int32_t*>(source);
        uint64_t magnitude = v < 0 ? uint64_t(-(v + 1)) + 1 : uint64_t(v);
        QByteArray digits = QByteArray::number(qulonglong(magnitude));
        int width = v < 0 ? size - 1 : size;
        if (digits.size() > width) DbfError(STRING_FIELD_VALUE_TOO_LONG, {f->GetFieldName(), size});
        QByteArray text = QByteArray(width - digits.size(), '0') + digits;
        if (v < 0) text.prepend('-');
        putText(p, size, text, true, ' ');
        return;
    }
    case ftBoolean:
        memset(p, ' ', size);
        p[0] = *static_cast<const bool*>(source) ? 'T' : 'F';
        return;
    case ftFloat:
    case ftCurrency:
    case ftBCD: {
        double v = *static_cast<const double*>(source);
        QByteArray text = QByteArray::number(v, 'f', f->GetPrecision());
        if (!std::isfinite(v) || text.size() > size)
            DbfError(STRING_FIELD_VALUE_TOO_LONG, {f->GetFieldName(), size});
        putText(p, size, text, true, ' ');
        return;
    }
    case ftDate:
    case ftDateTime:
    case ftTime: {
        TDateTime d = *static_cast<const double*>(source);
        int y, mo, dd, h, mi, s, ms;
        DecodeDateTime(d, y, mo, dd, h, mi, s, ms);
        QByteArray text = QString::asprintf("%04d%02d%02d", y, mo, dd).toLatin1();
        if (type != ftDate) text += QString::asprintf("%02d%02d%02d", h, mi, s).toLatin1();
        putText(p, size, text, false, ' ');
        return;
    }
    default: {
        const QByteArray& bytes = *static_cast<const QByteArray*>(source);
        putText(p, size, bytes, false, ' ');
        return;
    }
    }
}

void TDbfFile::SetFieldText(int fieldIndex, const char* text, int length, char* rec) const {
    checkFieldIndex(fieldIndex);
    TDbfFieldDef* f = fieldDefs[fieldIndex];
    switch (f->GetNativeFieldType()) {
    case '+':
    case 'I':
    case '@':
    case 'O': {
        // binary fields take no text: the general path decides
        QByteArray bytes(text, length);
        SetFieldData(fieldIndex, ftString, &bytes, rec);
        return;
    }
    default:
        putText(rec + f->Offset, f->GetSize(), text, length, false, ' ');
    }
}

void TDbfFile::InitRecord(char* buffer) const {
    const int size = RecordSize();
    if (blankRecord.size() != size || size == 0) {
        QByteArray blank(size, ' ');
        char* p = blank.data();
        for (int i = 0; i < fieldDefs.Count(); ++i) {
            TDbfFieldDef* f = fieldDefs[i];
            char t = f->GetNativeFieldType();
            // binary fields start null; the lock field's counter and stamp start at zero
            if (t == '+' || t == '@' || t == 'I' || t == 'O' || f->IsLockField)
                memset(p + f->Offset, 0, f->GetSize());
            if (f->HasDefault) memcpy(p + f->Offset, f->DefaultBuf(), f->GetSize());
        }
        blankRecord = blank;
    }
    memcpy(buffer, blankRecord.constData(), size_t(size));
}

void TDbfFile::stampLockField(char* buffer) const {
    if (lockFieldOffset < 0 || lockFieldSize < 8) return;
    char* p = buffer + lockFieldOffset;
    PutU16LE(p, uint16_t(GetU16LE(p) + 1));
    int y, mo, d, h, mi, s, ms;
    DecodeDateTime(Now(), y, mo, d, h, mi, s, ms);
    p[2] = char(h);
    p[3] = char(mi);
    p[4] = char(s);
    p[5] = char((y - 1900) & 0xFF);
    p[6] = char(mo);
    p[7] = char(d);
    memset(p + 8, ' ', lockFieldSize - 8);
    QByteArray name = DbfGlobals()->ComputerName().toLatin1().left(lockUserLen);
    memcpy(p + 8, name.constData(), name.size());
}

int TDbfFile::appendShared(char* buffer) {
    char* head = MappedHead();
    if (!head || RecordSize() <= 0 || HeaderSize() < 8) return 0;
    LockRegion(0, true);
    int n = 0;
    TScopeGuard unlock([&] { UnlockHeaderAndRecord(n); });
    const uint32_t count = GetU32LE(head + 4);
    if (!countMatchesFile) {
        // once an open: a file holding more records than its header counts (a writer
        // that does not count) is appended to the long way, which looks at the file
        const int64_t inFile = (FileSize() - HeaderSize()) / RecordSize();
        if (inFile > int64_t(count)) {
            UnlockRegion(0);
            unlock.Dismiss();
            fastAppend = false;
            return 0;
        }
        countMatchesFile = true;
    }
    // the first record after the count that no other program has reserved by its lock
    n = int(count) + 1;
    while (!LockRegion(n, false))
        ++n;
    stampLockField(buffer);
    appendBuffer.resize(RecordSize() + 1);
    memcpy(appendBuffer.data(), buffer, size_t(RecordSize()));
    appendBuffer[RecordSize()] = 0x1A;
    WriteBlock(appendBuffer.constData(), RecordSize() + 1, CalcPageOffset(n));
    int y, m, d;
    DecodeDate(Date(), y, m, d);
    head[1] = char((y - 1900) & 0xFF);
    head[2] = char(m);
    head[3] = char(d);
    // counts from several appenders add up in any order
    PutU32LE(head + 4, count + 1);
    memcpy(Header(), head, 8);
    unlock.End();
    return n;
}

int TDbfFile::InsertRecord(char* buffer) {
    if (IsReadOnly()) throw EDbfError(STRING_NEED_EXCLUSIVE_ACCESS);
    if (shared && fastAppend && !hasAutoInc && indexFiles.empty())
        if (int n = appendShared(buffer)) return n;
    // Every appender takes the header's lock first and keeps it until its record and the count
    // are written, so that appenders choose their records one at a time.
    LockRegion(0, true);
    int n = 0;
    bool slotLocked = false;
    TScopeGuard unlock([&] {
        if (slotLocked) UnlockRegion(n);
        UnlockRegion(0);
    });
    // a free slot past the end: another program may be appending at the first one (it
    // holds the slot's lock), or may have written it before counting it (then the slot
    // holds a record although nobody locks it); a slot beyond the end, or holding only the
    // end marker or a gap left by a faster appender, is free
    n = GetRecordCount() + 1;
    for (;;) {
        if (!LockRegion(n, false)) {
            ++n;
            continue;
        }
        slotLocked = true;
        char flag = 0;
        if (!shared || CalcPageOffset(n) + RecordSize() > FileSize() ||
            ReadBlock(&flag, 1, CalcPageOffset(n)) != 1 || (flag != ' ' && flag != '*'))
            break;
        UnlockRegion(n);
        slotLocked = false;
        ++n;
    }
    if (hasAutoInc) {
        for (int i = 0; i < fieldDefs.Count(); ++i) {
            TDbfFieldDef* f = fieldDefs[i];
            if (f->GetNativeFieldType() != '+') continue;
            uint32_t next = f->AutoIncNext;
            if (f->AutoIncPos >= 0) {
                if (shared) {
                    char raw[4];
                    if (ReadBlock(raw, 4, f->AutoIncPos) == 4) next = GetU32LE(raw);
                }
            }
            if (next == 0) next = 1;
            int32_t v = int32_t(next);
            SetFieldData(i, ftAutoInc, &v, buffer);
            f->AutoIncNext = next + 1;
            if (f->AutoIncPos >= 0 && f->AutoIncPos + 4 <= HeaderSize()) {
                PutU32LE(Header() + f->AutoIncPos, f->AutoIncNext);
                if (shared) {
                    char raw[4];
                    PutU32LE(raw, f->AutoIncNext);
                    WriteBlock(raw, 4, f->AutoIncPos);
                } else {
                    headerModified = true;
                }
            }
        }
    }

    // keys first: a refused key, or any other failure before the record is written,
    // leaves the table and every index as they were
    size_t done = 0;
    TScopeGuard takeBackKeys([&] {
        while (done > 0) {
            --done;
            try {
                indexFiles[done]->Delete(n, buffer);
            } catch (...) {
            }
        }
    });
    for (; done < indexFiles.size(); ++done)
        indexFiles[done]->Insert(n, buffer);

    // the record, the count and the end marker, still under the header lock, so that no
    // appender's end marker can land on a record another one is writing
    if (shared) ReadHeaderFromFile();
    stampLockField(buffer);
    WriteRecord(n, buffer);
    // counts from several appenders add up in any order
    PutU32LE(Header() + 4, HeaderRecordCount() + 1);
    WriteHeader();
    takeBackKeys.Dismiss();
    unlock.Dismiss();
    UnlockHeaderAndRecord(n);
    return n;
}

void TDbfFile::LockRecordForEdit(int recNo, char* buffer) {
    if (!LockRegion(recNo, false)) throw EDbfError(STRING_RECORD_LOCKED);
    TScopeGuard unlock([&] { UnlockRegion(recNo); });
    if (recNo < 1 || ReadRecord(recNo, buffer) != RecordSize())
        throw EDbfError(STRING_INVALID_DBF_FILE);
    memcpy(prevBuffer.data(), buffer, RecordSize());
    if (lockFieldOffset >= 0) {
        stampLockField(buffer);
        WriteRecord(recNo, buffer);
    }
    unlock.Dismiss();
}

void TDbfFile::PostRecord(int recNo, char* buffer) {
    // every tag is checked before any changes, so a refused key leaves all of them as they were
    for (auto& idx : indexFiles)
        idx->CheckUpdate(recNo, prevBuffer.constData(), buffer);
    for (auto& idx : indexFiles)
        idx->Update(recNo, prevBuffer.constData(), buffer);
    WriteRecord(recNo, buffer);
    UnlockRegion(recNo);
}

void TDbfFile::UnlockRecord(int recNo) {
    UnlockRegion(recNo);
}

void TDbfFile::RecordDeleted(int recNo, const char* buffer) {
    for (auto& idx : indexFiles)
        idx->RecordDeleted(recNo, buffer);
}

QString TDbfFile::GetLanguageDriverName() const {
    if (dbfVersion != xBaseVII || HeaderSize() < 64) return QString();
    const char* p = Header() + 32;
    int n = 0;
    while (n < 32 && p[n])
        ++n;
    return QString::fromLatin1(p, n);
}

int TDbfFile::GetCodePage() const {
    if (dbfVersion == xBaseVII) return CodePageFromLangName(GetLanguageDriverName());
    return LangDriver(GetLanguageId()).CodePage;
}

TIndexFile* TDbfFile::OpenIndex(const QString& indexName, const QString& expression,
                                TIndexOptions options, bool create) {
    auto modeFor = [this](bool creating) {
        switch (mode) {
        case pfMemory:
            return pfMemory;
        case pfExclusiveCreate:
        case pfExclusiveOpen:
            return creating ? pfExclusiveCreate : pfExclusiveOpen;
        case pfReadWriteCreate:
        case pfReadWriteOpen:
            return creating ? pfReadWriteCreate : pfReadWriteOpen;
        default:
            return pfReadOnly;
        }
    };
    auto createTag = [&](TIndexFile* idx, const QString& tag) {
        TryExclusive();
        TScopeGuard endExclusive([this] { EndExclusive(); });
        if (shared) throw EDbfError(STRING_NEED_EXCLUSIVE_ACCESS);
        if (idx->IsMdx() && idx->IndexOf(tag) >= 0) idx->DeleteIndex(tag);
        idx->CreateIndex(expression.toUpper(), tag, options);
        idx->Flush();
        endExclusive.End();
    };
    if (ExtractFileExt(indexName).isEmpty()) {
        QString tag = indexName.toUpper().left(10);
        if (!mdxFile) {
            if (!create) return nullptr;
            QString name = ChangeFileExt(fileName, ".mdx");
            auto idx = std::make_unique<TIndexFile>(this, name);
            idx->SetMode(modeFor(true));
            idx->Open();
            mdxFile = idx.get();
            indexFiles.push_back(std::move(idx));
            Header()[28] = 1;
            TPagedFile::WriteHeader();
        }
        if (create || mdxFile->IndexOf(tag) < 0) {
            if (expression.isEmpty()) return nullptr;
            createTag(mdxFile, tag);
        }
        return mdxFile;
    }
    QString name = indexName;
    if (!name.startsWith('/')) name = ExtractFilePath(fileName) + name;
    if (TIndexFile* open = GetIndexByName(name)) {
        if (!create) return open;
        createTag(open, ExtractFileName(ChangeFileExt(name, "")));
        return open;
    }
    bool creating = create || !FileExists(name);
    if (creating && expression.isEmpty()) return nullptr;
    auto idx = std::make_unique<TIndexFile>(this, name);
    idx->SetMode(modeFor(creating));
    if (creating)
        idx->Open();
    else if (!openOrDrop(*idx))
        return nullptr;
    if (!idx->IsUsable()) return nullptr;
    TIndexFile* result = idx.get();
    indexFiles.push_back(std::move(idx));
    if (creating) createTag(result, ExtractFileName(ChangeFileExt(name, "")));
    return result;
}

bool TDbfFile::openOrDrop(TIndexFile& index) {
    try {
        index.Open();
        return true;
    } catch (const Exception& e) {
        if (OnIndexDropped) OnIndexDropped(index.FileName(), e.Message);
        return false;
    }
}

void TDbfFile::RegenerateIndex(TIndexFile* index, const QString& tagName) {
    if (!index) return;
    int saved = index->CurrentTag();
    bool all = index->UpdateAll;
    if (!tagName.isEmpty()) index->SelectIndex(tagName);
    index->Rebuild(index->CurrentTag());
    index->SelectTag(saved);
    index->UpdateAll = all;
}

TIndexFile* TDbfFile::GetIndexByName(const QString& name) const {
    if (ExtractFileExt(name).isEmpty()) {
        if (mdxFile && mdxFile->IndexOf(name) >= 0) return mdxFile;
        return nullptr;
    }
    for (const auto& idx : indexFiles)
        if (idx->FileName() == name || ExtractFileName(idx->FileName()) == ExtractFileName(name))
            return idx.get();
    return nullptr;
}

QStringList TDbfFile::IndexNames() const {
    QStringList names;
    for (const auto& idx : indexFiles)
        names += idx->GetIndexNames();
    return names;
}
