// Property streams of stored forms: the values a component writes of itself beyond its plain
// properties (its defined properties). A property is its name (a length byte and the bytes)
// followed by one value; a value is a type byte and its data; a list is vaList, its values and
// vaNull; a component's properties end with vaNull. Reading checks every length against the
// stream, so a damaged stream raises EReadError and never reads past its end.
#pragma once

#include "Classes.h"
#include "Streams.h"

#include <functional>

enum TValueType {
    vaNull,
    vaList,
    vaInt8,
    vaInt16,
    vaInt32,
    vaExtended,
    vaString,
    vaIdent,
    vaFalse,
    vaTrue,
    vaBinary,
    vaSet,
    vaLString,
    vaNil,
    vaCollection,
    vaSingle,
    vaCurrency,
    vaDate,
    vaWString,
    vaInt64,
    vaUTF8String
};

class TReader;
class TWriter;
using TReaderProc = std::function<void(TReader* Reader)>;
using TWriterProc = std::function<void(TWriter* Writer)>;

class TFiler : public TObject {
    KADRION_CLASS(TFiler)
    explicit TFiler(TStream* AStream) : stream(AStream) {}
    // The inherited form's component the written one is compared with (null: none).
    TPersistent* GetAncestor() const { return ancestor; }
    void SetAncestor(TPersistent* Value) { ancestor = Value; }
    // Writing: the property with its value when HasData; reading: ReadData when Name is the
    // property at hand.
    virtual void DefineProperty(const QString& Name, const TReaderProc& ReadData,
                                const TWriterProc& WriteData, bool HasData) = 0;

protected:
    TStream* stream;
    TPersistent* ancestor = nullptr;
};

class TWriter : public TFiler {
    KADRION_CLASS(TWriter)
    explicit TWriter(TStream* AStream) : TFiler(AStream) {}
    void WriteListBegin();
    void WriteListEnd();
    // 8-bit text (1251) when every character has a byte there, else UTF-8.
    void WriteString(const QString& Value);
    // The smallest integer type that holds Value.
    void WriteInteger(int Value);
    void WriteBoolean(bool Value);
    void DefineProperty(const QString& Name, const TReaderProc& ReadData,
                        const TWriterProc& WriteData, bool HasData) override;
    // The properties Define defines, then the end marker.
    void WriteProperties(const std::function<void(TFiler*)>& Define);

private:
    void writeValue(TValueType Value) { stream->WriteByte(uint8_t(Value)); }
};

class TReader : public TFiler {
    KADRION_CLASS(TReader)
    explicit TReader(TStream* AStream) : TFiler(AStream) {}
    // The type of the next value, left in the stream.
    TValueType NextValue();
    // Each raises EReadError "Invalid property value" when the next value is of another type.
    void ReadListBegin();
    void ReadListEnd();
    bool EndOfList() { return NextValue() == vaNull; }
    QString ReadString();
    int ReadInteger();
    bool ReadBoolean();
    void DefineProperty(const QString& Name, const TReaderProc& ReadData,
                        const TWriterProc& WriteData, bool HasData) override;
    // Properties up to the end marker, each read by the one Define defines with its name
    // (compared without regard to case); another name raises EReadError
    // "Property %s does not exist".
    void ReadProperties(const std::function<void(TFiler*)>& Define);

private:
    TValueType readValue();
    QByteArray readBytes(int64_t Count);
    QString property;
    bool found = false;
};
