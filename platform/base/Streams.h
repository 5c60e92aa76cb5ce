// Byte streams: the abstract TStream with exact reads and little-endian helpers, memory,
// file (POSIX descriptors), handle and string streams.
#pragma once

#include "Classes.h"
#include "SysUtils.h"

#include <QByteArray>
#include <QString>
#include <cstdint>

enum TSeekOrigin { soBeginning, soCurrent, soEnd };
// The older names of the same origins.
constexpr TSeekOrigin soFromBeginning = soBeginning;
constexpr TSeekOrigin soFromCurrent = soCurrent;
constexpr TSeekOrigin soFromEnd = soEnd;

// File open modes: one access mode, optionally or-ed with one share mode; fmCreate creates
// (or truncates) the file and opens it for reading and writing.
constexpr uint16_t fmCreate = 0xFF00;
constexpr uint16_t fmOpenRead = 0x0000;
constexpr uint16_t fmOpenWrite = 0x0001;
constexpr uint16_t fmOpenReadWrite = 0x0002;
constexpr uint16_t fmShareCompat = 0x0000;
constexpr uint16_t fmShareExclusive = 0x0010;
constexpr uint16_t fmShareDenyWrite = 0x0020;
constexpr uint16_t fmShareDenyRead = 0x0030;
constexpr uint16_t fmShareDenyNone = 0x0040;

class TStream : public TObject {
    KADRION_CLASS(TStream)
    // Read and Write move up to Count bytes and return how many they moved.
    virtual int64_t Read(void* Buffer, int64_t Count) = 0;
    virtual int64_t Write(const void* Buffer, int64_t Count) = 0;
    // Returns the new position.
    virtual int64_t Seek(int64_t Offset, TSeekOrigin Origin) = 0;

    int64_t GetPosition() { return Seek(0, soCurrent); }
    void SetPosition(int64_t Pos) { Seek(Pos, soBeginning); }
    virtual int64_t GetSize();
    virtual void SetSize(int64_t NewSize);

    // Exact transfers: a short read raises EReadError "Stream read error", a short write
    // EWriteError "Stream write error".
    void ReadBuffer(void* Buffer, int64_t Count);
    void WriteBuffer(const void* Buffer, int64_t Count);
    // Copies Count bytes from Source's position; Count 0 copies the whole Source from its
    // beginning. Returns the number of bytes copied.
    int64_t CopyFrom(TStream* Source, int64_t Count);

    // Little-endian values; each read raises EReadError when the bytes are not there.
    uint8_t ReadByte();
    int8_t ReadInt8();
    int16_t ReadInt16();
    uint16_t ReadWord();
    int32_t ReadInt32();
    uint32_t ReadDWord();
    int64_t ReadInt64();
    float ReadSingle();
    double ReadDouble();
    // An 80-bit extended-precision number, converted to double.
    double ReadExtended();
    QByteArray ReadBytes(int64_t Count);
    // Everything from the position to the end.
    QByteArray ReadAll();

    void WriteByte(uint8_t V);
    void WriteInt8(int8_t V);
    void WriteInt16(int16_t V);
    void WriteWord(uint16_t V);
    void WriteInt32(int32_t V);
    void WriteDWord(uint32_t V);
    void WriteInt64(int64_t V);
    void WriteSingle(float V);
    void WriteDouble(double V);
    void WriteExtended(double V);
    void WriteBytes(const QByteArray& Bytes);
};

// A stream over a growable block of memory. Writing past the end grows it; seeking past the
// end is allowed and a later write fills the gap with zeros.
class TMemoryStream : public TStream {
    KADRION_CLASS(TMemoryStream)
    TMemoryStream() = default;
    int64_t Read(void* Buffer, int64_t Count) override;
    int64_t Write(const void* Buffer, int64_t Count) override;
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
    int64_t GetSize() override { return size; }
    // Keeps the first bytes; new bytes are zero; the position stays within the new size.
    void SetSize(int64_t NewSize) override;

    // The bytes (Size of them); valid until the next change of size.
    void* GetMemory() { return data.data(); }
    const void* GetMemory() const { return data.constData(); }
    // A copy of the contents.
    QByteArray GetBytes() const { return data.left(qsizetype(size)); }
    // Replaces the contents; the position goes to 0.
    void SetBytes(const QByteArray& Bytes);
    void Clear();
    // Loading replaces the contents with the whole of Stream (from its beginning) or of the
    // file and sets the position to 0; saving writes the whole contents.
    void LoadFromStream(TStream* Stream);
    void LoadFromFile(const QString& FileName);
    void SaveToStream(TStream* Stream);
    void SaveToFile(const QString& FileName);

private:
    // Makes room for End bytes; the bytes past the size stay zero.
    void grow(int64_t End);
    QByteArray data;
    int64_t size = 0;
    int64_t position = 0;
};

// A stream over an open POSIX file descriptor that it does not own.
class THandleStream : public TStream {
    KADRION_CLASS(THandleStream)
    explicit THandleStream(int AHandle) : handle(AHandle) {}
    int64_t Read(void* Buffer, int64_t Count) override;
    int64_t Write(const void* Buffer, int64_t Count) override;
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
    // Truncates or extends the file; raises EStreamError on failure.
    void SetSize(int64_t NewSize) override;
    // The file descriptor (for byte-range locks with fcntl and the like).
    int Handle() const { return handle; }
    int GetHandle() const { return handle; }

protected:
    int handle = -1;
};

// A file opened by name. Errors: EFCreateError `Cannot create file "%s". <reason>` and
// EFOpenError `Cannot open file "%s". <reason>`, the reason being the system's text.
// Share modes are remembered (GetShareMode) but not enforced: POSIX has no share modes; the
// users that need exclusion lock byte ranges on Handle().
class TFileStream : public THandleStream {
    KADRION_CLASS(TFileStream)
    TFileStream(const QString& AFileName, uint16_t Mode);
    ~TFileStream() override;
    QString GetFileName() const { return fileName; }
    uint16_t GetMode() const { return mode; }
    uint16_t GetShareMode() const { return mode & 0x00F0; }

private:
    QString fileName;
    uint16_t mode = 0;
};

// A memory stream over text held in a code page (Windows-1251 by default; 65001 is UTF-8).
class TStringStream : public TMemoryStream {
    KADRION_CLASS(TStringStream)
    explicit TStringStream(const QString& AString = QString(), int ACodePage = 1251);
    explicit TStringStream(const QByteArray& Bytes);
    // The whole contents decoded.
    QString GetDataString() const;
    // Reads Count bytes (at most to the end) and decodes them.
    QString ReadString(int64_t Count);
    // Encodes and writes the text at the position.
    void WriteString(const QString& S);
    int GetCodePage() const { return codePage; }

private:
    int codePage = 1251;
};
