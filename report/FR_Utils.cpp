#include "FR_Utils.h"

#include "CodePages.h"
#include "FR_Class.h"

#include <QtEndian>
#include <cstring>

QByteArray frToAnsi(const QString& s) {
    return ToCodePage(s, DefaultCodePage());
}
QString frFromAnsi(const QByteArray& b) {
    return FromCodePage(b, DefaultCodePage());
}

namespace {

// A plain read; the bytes that are not there stay zero and the engine notes the short read.
void readRaw(TStream* Stream, void* buf, int64_t count) {
    int64_t n = Stream->Read(buf, count);
    if (n < count) {
        memset(static_cast<char*>(buf) + std::max<int64_t>(n, 0), 0,
               size_t(count - std::max<int64_t>(n, 0)));
        if (frEngineStarted()) frGlobals().ReadPastEnd = true;
    }
}

// Reads up to count bytes into a buffer kept from one text to the next (so that reading a page
// allocates only the texts themselves), valid until the next read.
const QByteArray& readBytes(TStream* Stream, int64_t count) {
    thread_local QByteArray b;
    // Never trust a length word further than the stream reaches.
    int64_t left = Stream->GetSize() - Stream->GetPosition();
    int64_t n = std::max<int64_t>(0, std::min(count, left));
    b.resize(qsizetype(n));
    if (n > 0) readRaw(Stream, b.data(), n);
    if (n < count && frEngineStarted()) frGlobals().ReadPastEnd = true;
    return b;
}

} // namespace

uint8_t frReadByte(TStream* Stream) {
    uint8_t b;
    readRaw(Stream, &b, 1);
    return b;
}

bool frReadBoolean(TStream* Stream) {
    return frReadByte(Stream) != 0;
}

uint16_t frReadWord(TStream* Stream) {
    uchar b[2];
    readRaw(Stream, b, 2);
    return qFromLittleEndian<uint16_t>(b);
}

int32_t frReadInteger(TStream* Stream) {
    uchar b[4];
    readRaw(Stream, b, 4);
    return qFromLittleEndian<int32_t>(b);
}

void frWriteByte(TStream* Stream, uint8_t b) {
    Stream->Write(&b, 1);
}
void frWriteBoolean(TStream* Stream, bool b) {
    frWriteByte(Stream, b ? 1 : 0);
}

void frWriteWord(TStream* Stream, uint16_t w) {
    uchar b[2];
    qToLittleEndian<uint16_t>(w, b);
    Stream->Write(b, 2);
}

void frWriteInteger(TStream* Stream, int32_t i) {
    uchar b[4];
    qToLittleEndian<int32_t>(i, b);
    Stream->Write(b, 4);
}

QString frReadString(TStream* Stream) {
    uint16_t n = frReadWord(Stream);
    const QString s = frFromAnsi(readBytes(Stream, n));
    frReadByte(Stream); // the terminating byte, whatever its value
    return s;
}

namespace {
// A length the 16-bit fields of a template can hold, else the save is refused.
uint16_t storable(qsizetype n) {
    if (n > 0xFFFF) throw EfrTextTooLong(QStringLiteral("текст довший за 65535 байт"));
    return uint16_t(n);
}
} // namespace

void frSaveNamed(const QString& Name, const std::function<void()>& Save) {
    try {
        Save();
    } catch (const EfrTextTooLong& e) {
        throw EfrTextTooLong(
            QStringLiteral("Шаблон не збережено: у об'єкті «%1» %2.").arg(Name, e.Message));
    }
}

namespace {

// The bytes of a string or memo being written, gathered so that they reach the stream in one
// write; kept from one text to the next, so that writing allocates only as it grows.
QByteArray& textRecord() {
    thread_local QByteArray bytes;
    bytes.resize(0);
    return bytes;
}

// Appends a text as its length word, its bytes and the byte that follows them.
void appendText(QByteArray& Record, const QString& s, char After) {
    const qsizetype at = Record.size();
    Record.resize(at + 2);
    AppendToCodePage(Record, s, DefaultCodePage());
    const uint16_t n = storable(Record.size() - at - 2);
    qToLittleEndian<uint16_t>(n, Record.data() + at);
    Record.append(After);
}

} // namespace

void frWriteString(TStream* Stream, const QString& s) {
    QByteArray& b = textRecord();
    appendText(b, s, 0);
    Stream->Write(b.constData(), b.size());
}

void frReadMemo(TStream* Stream, TStrings* l) {
    l->Clear();
    uint16_t count = frReadWord(Stream);
    if (count == 0) {
        frReadByte(Stream);
        return;
    }
    // The count does not bound the loop: lines follow until a separator byte 0.
    for (;;) {
        uint16_t n = frReadWord(Stream);
        l->Add(frFromAnsi(readBytes(Stream, n)));
        if (frReadByte(Stream) == 0) break;
    }
}

void frWriteMemo(TStream* Stream, TStrings* l) {
    if (l->Count() > 0xFFFF) throw EfrTextTooLong(QStringLiteral("понад 65535 рядків"));
    const int count = l->Count();
    QByteArray& b = textRecord();
    b.resize(2);
    qToLittleEndian<uint16_t>(uint16_t(count), b.data());
    if (count == 0) b.append('\0');
    for (int i = 0; i < count; ++i)
        appendText(b, l->Get(i), i < count - 1 ? 13 : 0);
    Stream->Write(b.constData(), b.size());
}

int frStyleFromStream(uint16_t w) {
    int s = 0;
    if (w & 1) s |= frfsItalic;
    if (w & 2) s |= frfsBold;
    if (w & 4) s |= frfsUnderline;
    if (w & 8) s |= frfsStrikeOut;
    return s;
}

uint16_t frStyleToStream(int style) {
    uint16_t w = 0;
    if (style & frfsItalic) w |= 1;
    if (style & frfsBold) w |= 2;
    if (style & frfsUnderline) w |= 4;
    if (style & frfsStrikeOut) w |= 8;
    return w;
}

void frReadFont(TStream* Stream, TfrFont& Font) {
    Font.Name = frReadString(Stream);
    Font.Size = frReadInteger(Stream);
    Font.Style = frStyleFromStream(frReadWord(Stream));
    Font.Color = frReadInteger(Stream);
    Font.Charset = frReadWord(Stream) & 0xFF;
}

void frWriteFont(TStream* Stream, const TfrFont& Font) {
    frWriteString(Stream, Font.Name);
    frWriteInteger(Stream, Font.Size);
    frWriteWord(Stream, frStyleToStream(Font.Style));
    frWriteInteger(Stream, Font.Color);
    frWriteWord(Stream, uint16_t(Font.Charset & 0xFF));
}

QString frReadStringOld(TStream* Stream) {
    QByteArray b;
    b.reserve(4096);
    for (;;) {
        uint8_t c = frReadByte(Stream);
        if (c == 0) break;
        b.append(char(c));
    }
    return frFromAnsi(b);
}

void frReadMemoOld(TStream* Stream, TStrings* l) {
    l->Clear();
    QByteArray b;
    b.reserve(4096);
    for (;;) {
        uint8_t c = frReadByte(Stream);
        if (c == 13) {
            l->Add(frFromAnsi(b));
            b.clear();
        } else if (c == 0) {
            if (!b.isEmpty()) l->Add(frFromAnsi(b));
            break;
        } else {
            b.append(char(c));
        }
    }
}

QString frReadStr(TStream* Stream) {
    return frGlobals().frVersion < 23 ? frReadStringOld(Stream) : frReadString(Stream);
}

void frReadMemoVer(TStream* Stream, TStrings* l) {
    if (frGlobals().frVersion < 23)
        frReadMemoOld(Stream, l);
    else
        frReadMemo(Stream, l);
}

QString frRemoveQuotes(const QString& s) {
    if (s.size() >= 3 && s.startsWith(u'"') && s.endsWith(u'"')) return s.mid(1, s.size() - 2);
    return s;
}

QString frGetItem(const QString& s, int& pos) {
    int start = pos;
    while (pos <= s.size() && s[pos - 1] != u';')
        ++pos;
    QString r = s.mid(start - 1, pos - start);
    ++pos;
    return r;
}

void frSetTxtToList(const QString& s, TStrings* l) {
    l->Clear();
    if (s.isEmpty()) return;
    int pos = 1;
    while (pos <= s.size())
        l->Add(frGetItem(s, pos));
    if (s.endsWith(u';')) l->Add(QString());
}

TComponent* frFindComponent(TComponent* Owner, const QString& Name) {
    const QStringList parts = Name.split(u'.');
    if (parts.size() == 1) return Owner ? Owner->FindComponent(Name) : nullptr;
    if (parts.size() > 3 || !frEngineStarted() || !frGlobals().FindGlobalComponent) return nullptr;
    TComponent* c = frGlobals().FindGlobalComponent(parts[0]);
    for (int i = 1; c && i < parts.size(); ++i)
        c = c->FindComponent(parts[i]);
    return c;
}
