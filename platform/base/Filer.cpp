#include "Filer.h"

#include "CodePages.h"
#include "SysUtils.h"

namespace {

[[noreturn]] void invalidValue() {
    throw EReadError(QStringLiteral("Invalid property value"));
}

bool fitsCodePage(const QString& S) {
    for (QChar c : S)
        if (!CodePageHasChar(DefaultCodePage(), c)) return false;
    return true;
}

} // namespace

// ---- TWriter --------------------------------------------------------------------------------

void TWriter::WriteListBegin() {
    writeValue(vaList);
}

void TWriter::WriteListEnd() {
    writeValue(vaNull);
}

void TWriter::WriteString(const QString& Value) {
    if (fitsCodePage(Value)) {
        QByteArray b = ToCodePage(Value);
        if (b.size() <= 255) {
            writeValue(vaString);
            stream->WriteByte(uint8_t(b.size()));
        } else {
            writeValue(vaLString);
            stream->WriteInt32(int32_t(b.size()));
        }
        stream->WriteBytes(b);
        return;
    }
    QByteArray b = Value.toUtf8();
    writeValue(vaUTF8String);
    stream->WriteInt32(int32_t(b.size()));
    stream->WriteBytes(b);
}

void TWriter::WriteInteger(int Value) {
    if (Value >= -128 && Value <= 127) {
        writeValue(vaInt8);
        stream->WriteInt8(int8_t(Value));
    } else if (Value >= -32768 && Value <= 32767) {
        writeValue(vaInt16);
        stream->WriteInt16(int16_t(Value));
    } else {
        writeValue(vaInt32);
        stream->WriteInt32(Value);
    }
}

void TWriter::WriteBoolean(bool Value) {
    writeValue(Value ? vaTrue : vaFalse);
}

void TWriter::DefineProperty(const QString& Name, const TReaderProc&, const TWriterProc& WriteData,
                             bool HasData) {
    if (!HasData || !WriteData) return;
    QByteArray n = Name.toLatin1().left(255);
    stream->WriteByte(uint8_t(n.size()));
    stream->WriteBytes(n);
    WriteData(this);
}

void TWriter::WriteProperties(const std::function<void(TFiler*)>& Define) {
    Define(this);
    writeValue(vaNull);
}

// ---- TReader --------------------------------------------------------------------------------

QByteArray TReader::readBytes(int64_t Count) {
    if (Count < 0 || Count > stream->GetSize() - stream->GetPosition()) invalidValue();
    return stream->ReadBytes(Count);
}

TValueType TReader::readValue() {
    uint8_t v = stream->ReadByte();
    if (v > vaUTF8String) invalidValue();
    return TValueType(v);
}

TValueType TReader::NextValue() {
    TValueType v = readValue();
    stream->Seek(-1, soCurrent);
    return v;
}

void TReader::ReadListBegin() {
    if (readValue() != vaList) invalidValue();
}

void TReader::ReadListEnd() {
    if (readValue() != vaNull) invalidValue();
}

QString TReader::ReadString() {
    switch (readValue()) {
    case vaString:
        return FromCodePage(readBytes(stream->ReadByte()));
    case vaLString:
        return FromCodePage(readBytes(stream->ReadInt32()));
    case vaUTF8String:
        return QString::fromUtf8(readBytes(stream->ReadInt32()));
    case vaWString: {
        int64_t n = stream->ReadInt32();
        if (n < 0 || n > (int64_t(1) << 30)) invalidValue();
        QByteArray b = readBytes(n * 2);
        QString s(int(n), Qt::Uninitialized);
        for (int64_t i = 0; i < n; ++i)
            s[int(i)] = QChar(char16_t(uint8_t(b[int(2 * i)]) | uint8_t(b[int(2 * i + 1)]) << 8));
        return s;
    }
    default:
        invalidValue();
    }
}

int TReader::ReadInteger() {
    switch (readValue()) {
    case vaInt8:
        return stream->ReadInt8();
    case vaInt16:
        return stream->ReadInt16();
    case vaInt32:
        return stream->ReadInt32();
    default:
        invalidValue();
    }
}

bool TReader::ReadBoolean() {
    switch (readValue()) {
    case vaTrue:
        return true;
    case vaFalse:
        return false;
    default:
        invalidValue();
    }
}

void TReader::DefineProperty(const QString& Name, const TReaderProc& ReadData, const TWriterProc&,
                             bool) {
    if (found || !ReadData || Name.compare(property, Qt::CaseInsensitive) != 0) return;
    found = true;
    ReadData(this);
}

void TReader::ReadProperties(const std::function<void(TFiler*)>& Define) {
    // a property name starts with its length byte; the end marker is a 0 byte
    while (uint8_t n = stream->ReadByte()) {
        property = QString::fromLatin1(readBytes(n));
        found = false;
        Define(this);
        if (!found)
            throw EReadError(Format(QStringLiteral("Property %s does not exist"), {property}));
    }
}
