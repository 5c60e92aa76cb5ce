#include "Streams.h"

#include "CodePages.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

template <typename T> T readLE(TStream* s) {
    uint8_t b[sizeof(T)];
    s->ReadBuffer(b, sizeof(T));
    using U = std::conditional_t<
        sizeof(T) == 1, uint8_t,
        std::conditional_t<sizeof(T) == 2, uint16_t,
                           std::conditional_t<sizeof(T) == 4, uint32_t, uint64_t>>>;
    U v = 0;
    for (size_t i = 0; i < sizeof(T); ++i)
        v |= U(b[i]) << (8 * i);
    T out;
    std::memcpy(&out, &v, sizeof(T));
    return out;
}

template <typename T> void writeLE(TStream* s, T value) {
    using U = std::conditional_t<
        sizeof(T) == 1, uint8_t,
        std::conditional_t<sizeof(T) == 2, uint16_t,
                           std::conditional_t<sizeof(T) == 4, uint32_t, uint64_t>>>;
    U v;
    std::memcpy(&v, &value, sizeof(T));
    uint8_t b[sizeof(T)];
    for (size_t i = 0; i < sizeof(T); ++i)
        b[i] = uint8_t(v >> (8 * i));
    s->WriteBuffer(b, sizeof(T));
}

QString systemReason(int err) {
    return QString::fromLocal8Bit(std::strerror(err));
}

QString decodeText(const QByteArray& bytes, int codePage) {
    return codePage == 65001 ? QString::fromUtf8(bytes) : FromCodePage(bytes, codePage);
}

QByteArray encodeText(const QString& text, int codePage) {
    return codePage == 65001 ? text.toUtf8() : ToCodePage(text, codePage);
}

} // namespace

// ---- TStream ----------------------------------------------------------------------------

int64_t TStream::GetSize() {
    int64_t pos = Seek(0, soCurrent);
    int64_t result = Seek(0, soEnd);
    Seek(pos, soBeginning);
    return result;
}

void TStream::SetSize(int64_t NewSize) {}

void TStream::ReadBuffer(void* Buffer, int64_t Count) {
    if (Count != 0 && Read(Buffer, Count) != Count)
        throw EReadError(QStringLiteral("Stream read error"));
}

void TStream::WriteBuffer(const void* Buffer, int64_t Count) {
    if (Count != 0 && Write(Buffer, Count) != Count)
        throw EWriteError(QStringLiteral("Stream write error"));
}

int64_t TStream::CopyFrom(TStream* Source, int64_t Count) {
    if (Count == 0) {
        Source->SetPosition(0);
        Count = Source->GetSize();
    }
    const int64_t result = Count;
    constexpr int64_t MaxBufSize = 0xF000;
    std::vector<char> buffer(size_t(std::min(Count, MaxBufSize)) + 1);
    while (Count > 0) {
        int64_t n = std::min(Count, MaxBufSize);
        Source->ReadBuffer(buffer.data(), n);
        WriteBuffer(buffer.data(), n);
        Count -= n;
    }
    return result;
}

uint8_t TStream::ReadByte() {
    return readLE<uint8_t>(this);
}
int8_t TStream::ReadInt8() {
    return readLE<int8_t>(this);
}
int16_t TStream::ReadInt16() {
    return readLE<int16_t>(this);
}
uint16_t TStream::ReadWord() {
    return readLE<uint16_t>(this);
}
int32_t TStream::ReadInt32() {
    return readLE<int32_t>(this);
}
uint32_t TStream::ReadDWord() {
    return readLE<uint32_t>(this);
}
int64_t TStream::ReadInt64() {
    return readLE<int64_t>(this);
}
float TStream::ReadSingle() {
    return readLE<float>(this);
}
double TStream::ReadDouble() {
    return readLE<double>(this);
}

double TStream::ReadExtended() {
    // 64-bit mantissa with an explicit integer bit, 15-bit exponent (bias 16383), sign.
    uint64_t mantissa = readLE<uint64_t>(this);
    uint16_t se = readLE<uint16_t>(this);
    bool negative = (se & 0x8000) != 0;
    int exponent = se & 0x7FFF;
    double result;
    if (exponent == 0 && mantissa == 0)
        result = 0.0;
    else if (exponent == 0x7FFF)
        result = (mantissa << 1) == 0 ? INFINITY : NAN;
    else
        result = std::ldexp(double(mantissa), exponent - 16383 - 63);
    return negative ? -result : result;
}

QByteArray TStream::ReadBytes(int64_t Count) {
    QByteArray result;
    if (Count <= 0) return result;
    // A length taken from damaged data may claim far more than the stream holds: refuse it
    // before allocating (a stream that cannot tell its size reads as far as it can).
    int64_t position = GetPosition(), size = GetSize();
    if (position >= 0 && size >= 0 && Count > size - position)
        throw EReadError(QStringLiteral("Stream read error"));
    result.resize(qsizetype(Count));
    ReadBuffer(result.data(), Count);
    return result;
}

QByteArray TStream::ReadAll() {
    int64_t count = GetSize() - GetPosition();
    return ReadBytes(count);
}

void TStream::WriteByte(uint8_t V) {
    writeLE(this, V);
}
void TStream::WriteInt8(int8_t V) {
    writeLE(this, V);
}
void TStream::WriteInt16(int16_t V) {
    writeLE(this, V);
}
void TStream::WriteWord(uint16_t V) {
    writeLE(this, V);
}
void TStream::WriteInt32(int32_t V) {
    writeLE(this, V);
}
void TStream::WriteDWord(uint32_t V) {
    writeLE(this, V);
}
void TStream::WriteInt64(int64_t V) {
    writeLE(this, V);
}
void TStream::WriteSingle(float V) {
    writeLE(this, V);
}
void TStream::WriteDouble(double V) {
    writeLE(this, V);
}

void TStream::WriteExtended(double V) {
    uint64_t mantissa = 0;
    uint16_t se = std::signbit(V) ? 0x8000 : 0;
    double a = std::fabs(V);
    if (std::isnan(a)) {
        se |= 0x7FFF;
        mantissa = 0xC000000000000000ull;
    } else if (std::isinf(a)) {
        se |= 0x7FFF;
        mantissa = 0x8000000000000000ull;
    } else if (a != 0.0) {
        int e;
        double m = std::frexp(a, &e); // a = m * 2^e, 0.5 <= m < 1
        mantissa = uint64_t(std::ldexp(m, 64));
        se |= uint16_t(e - 1 + 16383);
    }
    writeLE(this, mantissa);
    writeLE(this, se);
}

void TStream::WriteBytes(const QByteArray& Bytes) {
    WriteBuffer(Bytes.constData(), Bytes.size());
}

// ---- TMemoryStream ----------------------------------------------------------------------

int64_t TMemoryStream::Read(void* Buffer, int64_t Count) {
    if (position < 0 || Count <= 0) return 0;
    int64_t n = std::min(Count, size - position);
    if (n <= 0) return 0;
    std::memcpy(Buffer, data.constData() + position, size_t(n));
    position += n;
    return n;
}

void TMemoryStream::grow(int64_t End) {
    // Grow by a quarter at least, so that many small writes stay cheap.
    const int64_t cap = std::max<int64_t>(End, int64_t(data.size()) + int64_t(data.size()) / 4);
    data.resize(qsizetype(cap), '\0');
}

int64_t TMemoryStream::Write(const void* Buffer, int64_t Count) {
    if (position < 0 || Count <= 0) return 0;
    const int64_t end = position + Count;
    if (end > int64_t(data.size())) grow(end);
    char* d = data.data() + position;
    const char* s = static_cast<const char*>(Buffer);
    // The bytes, words and integers of the binary formats copied in place.
    switch (Count) {
    case 1:
        *d = *s;
        break;
    case 2:
        std::memcpy(d, s, 2);
        break;
    case 4:
        std::memcpy(d, s, 4);
        break;
    default:
        std::memcpy(d, s, size_t(Count));
    }
    if (end > size) size = end;
    position = end;
    return Count;
}

int64_t TMemoryStream::Seek(int64_t Offset, TSeekOrigin Origin) {
    switch (Origin) {
    case soBeginning:
        position = Offset;
        break;
    case soCurrent:
        position += Offset;
        break;
    case soEnd:
        position = size + Offset;
        break;
    }
    return position;
}

void TMemoryStream::SetSize(int64_t NewSize) {
    if (NewSize < 0) NewSize = 0;
    int64_t oldSize = size;
    data.resize(qsizetype(NewSize));
    if (NewSize > oldSize) std::memset(data.data() + oldSize, 0, size_t(NewSize - oldSize));
    size = NewSize;
    if (position > NewSize) position = NewSize;
}

void TMemoryStream::SetBytes(const QByteArray& Bytes) {
    data = Bytes;
    size = Bytes.size();
    position = 0;
}

void TMemoryStream::Clear() {
    data.clear();
    size = 0;
    position = 0;
}

void TMemoryStream::LoadFromStream(TStream* Stream) {
    Stream->SetPosition(0);
    int64_t count = Stream->GetSize();
    QByteArray bytes = Stream->ReadBytes(count);
    SetBytes(bytes);
}

void TMemoryStream::LoadFromFile(const QString& FileName) {
    TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&stream);
}

void TMemoryStream::SaveToStream(TStream* Stream) {
    if (size != 0) Stream->WriteBuffer(data.constData(), size);
}

void TMemoryStream::SaveToFile(const QString& FileName) {
    TFileStream stream(FileName, fmCreate);
    SaveToStream(&stream);
}

// ---- THandleStream ----------------------------------------------------------------------

int64_t THandleStream::Read(void* Buffer, int64_t Count) {
    int64_t done = 0;
    char* p = static_cast<char*>(Buffer);
    while (done < Count) {
        ssize_t n = ::read(handle, p + done, size_t(Count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    return done;
}

int64_t THandleStream::Write(const void* Buffer, int64_t Count) {
    int64_t done = 0;
    const char* p = static_cast<const char*>(Buffer);
    while (done < Count) {
        ssize_t n = ::write(handle, p + done, size_t(Count - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += n;
    }
    return done;
}

int64_t THandleStream::Seek(int64_t Offset, TSeekOrigin Origin) {
    int whence = Origin == soBeginning ? SEEK_SET : Origin == soCurrent ? SEEK_CUR : SEEK_END;
    return int64_t(::lseek(handle, off_t(Offset), whence));
}

void THandleStream::SetSize(int64_t NewSize) {
    int64_t pos = GetPosition();
    if (::ftruncate(handle, off_t(NewSize)) != 0)
        throw EStreamError(Format("Stream size error: %s", {systemReason(errno)}));
    if (pos > NewSize) SetPosition(NewSize);
}

// ---- TFileStream ------------------------------------------------------------------------

TFileStream::TFileStream(const QString& AFileName, uint16_t Mode)
    : THandleStream(-1), fileName(AFileName), mode(Mode) {
    const QByteArray path = QFile::encodeName(AFileName);
    if ((Mode & fmCreate) == fmCreate) {
        do {
            handle = ::open(path.constData(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        } while (handle < 0 && errno == EINTR);
        if (handle < 0)
            throw EFCreateError(
                Format("Cannot create file \"%s\". %s", {AFileName, systemReason(errno)}));
        return;
    }
    int flags = O_CLOEXEC;
    switch (Mode & 0x0003) {
    case fmOpenWrite:
        flags |= O_WRONLY;
        break;
    case fmOpenReadWrite:
        flags |= O_RDWR;
        break;
    default:
        flags |= O_RDONLY;
        break;
    }
    do {
        handle = ::open(path.constData(), flags);
    } while (handle < 0 && errno == EINTR);
    int err = errno;
    if (handle >= 0) {
        // A folder opens fine for reading under POSIX, but it is no file.
        struct stat st;
        if (::fstat(handle, &st) == 0 && S_ISDIR(st.st_mode)) {
            ::close(handle);
            handle = -1;
            err = EISDIR;
        }
    }
    if (handle < 0)
        throw EFOpenError(Format("Cannot open file \"%s\". %s", {AFileName, systemReason(err)}));
}

TFileStream::~TFileStream() {
    if (handle >= 0) ::close(handle);
}

// ---- TStringStream ----------------------------------------------------------------------

TStringStream::TStringStream(const QString& AString, int ACodePage) : codePage(ACodePage) {
    SetBytes(encodeText(AString, ACodePage));
}

TStringStream::TStringStream(const QByteArray& Bytes) {
    SetBytes(Bytes);
}

QString TStringStream::GetDataString() const {
    return decodeText(GetBytes(), codePage);
}

QString TStringStream::ReadString(int64_t Count) {
    int64_t n = std::min(Count, GetSize() - GetPosition());
    return decodeText(ReadBytes(n), codePage);
}

void TStringStream::WriteString(const QString& S) {
    WriteBytes(encodeText(S, codePage));
}
