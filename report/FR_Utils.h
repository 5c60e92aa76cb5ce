// Stream primitives of the report engine (scalars, strings, string lists, fonts in the fixed
// little-endian layouts of templates and prepared pages) and helpers used across the engine.
#pragma once

#include "Classes.h"
#include "Streams.h"
#include "SysUtils.h"
#include "Variant.h"

#include <QByteArray>
#include <QString>
#include <QtEndian>
#include <cstdint>
#include <functional>

class TDataSet;
class TField;

// Font styles as the platform numbers them: bit n of a style mask is member n.
enum : int { frfsBold = 1, frfsItalic = 2, frfsUnderline = 4, frfsStrikeOut = 8 };

// A font as templates keep it. Drawing turns it into a platform font.
struct TfrFont {
    QString Name = QStringLiteral("Arial");
    int32_t Size = 10;
    int Style = 0; // frfs* bits
    int32_t Color = 0;
    int Charset = 204;
    bool operator==(const TfrFont&) const = default;
};

// A text too long for a template (a string or a memo line over 65535 bytes, a memo over 65535
// lines): the save is refused. The template writer names the object in the message.
KADRION_EXCEPTION(EfrTextTooLong, Exception)
// Runs Save, the saving of one object; a text too long for the template is refused with the
// object's name in the message.
void frSaveNamed(const QString& Name, const std::function<void()>& Save);

// Text of templates is single-byte in the default code page (Windows-1251).
QByteArray frToAnsi(const QString& s);
QString frFromAnsi(const QByteArray& b);

// Every read is a plain read: a short read leaves the missing bytes zero and never raises (the
// template reader notices it through frReadPastEnd of the engine context).
uint8_t frReadByte(TStream* Stream);
bool frReadBoolean(TStream* Stream);
uint16_t frReadWord(TStream* Stream);
int32_t frReadInteger(TStream* Stream);
void frWriteByte(TStream* Stream, uint8_t b);
void frWriteBoolean(TStream* Stream, bool b);
void frWriteWord(TStream* Stream, uint16_t w);
void frWriteInteger(TStream* Stream, int32_t i);

// Fixed-size fields of a record gathered in a small buffer and written with one call (when the
// buffer is full, and by Flush), in the same little-endian layout as the writers above.
class TfrFieldWriter {
public:
    explicit TfrFieldWriter(TStream* Stream) : stream(Stream) {}
    TfrFieldWriter& Byte(uint8_t b) {
        room(1);
        buf[n++] = b;
        return *this;
    }
    TfrFieldWriter& Word(uint16_t w) {
        room(2);
        qToLittleEndian<uint16_t>(w, buf + n);
        n += 2;
        return *this;
    }
    TfrFieldWriter& Integer(int32_t i) {
        room(4);
        qToLittleEndian<int32_t>(i, buf + n);
        n += 4;
        return *this;
    }
    void Flush() {
        if (n > 0) stream->Write(buf, n);
        n = 0;
    }

private:
    void room(int Bytes) {
        if (n + Bytes > int(sizeof buf)) Flush();
    }
    TStream* stream;
    uchar buf[64];
    int n = 0;
};

QString frReadString(TStream* Stream);
void frWriteString(TStream* Stream, const QString& s);
void frReadMemo(TStream* Stream, TStrings* l);
void frWriteMemo(TStream* Stream, TStrings* l);
void frReadFont(TStream* Stream, TfrFont& Font);
void frWriteFont(TStream* Stream, const TfrFont& Font);
// The forms of template versions below 23.
QString frReadStringOld(TStream* Stream);
void frReadMemoOld(TStream* Stream, TStrings* l);
// Old or current form by the format version being read.
QString frReadStr(TStream* Stream);
void frReadMemoVer(TStream* Stream, TStrings* l);
// Style bits in the stream: 1 italic, 2 bold, 4 underline, 8 strike-out.
int frStyleFromStream(uint16_t w);
uint16_t frStyleToStream(int style);

// Text between enclosing double quotes of a text of at least 3 characters, else the text.
QString frRemoveQuotes(const QString& s);
// The text from position pos (1-based) to the next ';'; pos moves past that ';'.
QString frGetItem(const QString& s, int& pos);
// Clears the list and adds every ';'-separated item of s.
void frSetTxtToList(const QString& s, TStrings* l);
// A plain name among the owner's components, or Form.Name / Form.Name.Sub through the global
// component lookup of the engine context. Null when any step fails.
TComponent* frFindComponent(TComponent* Owner, const QString& Name);
// Splits a field reference DataSet.Field (or a bare field of the given dataset); the field
// name is empty when the dataset has no such field.
void frGetDataSetAndField(const QString& ComplexName, TDataSet*& DataSet, QString& Field);
// The value of a field as reports see it (opening its dataset when closed).
void frGetFieldValue(TField* F, Variant& v);
