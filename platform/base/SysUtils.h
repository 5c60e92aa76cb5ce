// Exceptions and text helpers every layer calls. Strings are 1-based where the callers count so.
#pragma once

#include "Types.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <exception>
#include <initializer_list>
#include <variant>

// ---- exceptions -------------------------------------------------------------------------

class Exception : public std::exception {
public:
    explicit Exception(QString message) : Message(std::move(message)), utf8(Message.toUtf8()) {}
    ~Exception() override = default;
    const char* what() const noexcept override { return utf8.constData(); }
    // Changes the message (callers that add context keep `what()` in step).
    void SetMessage(const QString& m) {
        Message = m;
        utf8 = m.toUtf8();
    }
    QString Message;

private:
    QByteArray utf8;
};

#define KADRION_EXCEPTION(Name, Base)                                                              \
    class Name : public Base {                                                                     \
    public:                                                                                        \
        using Base::Base;                                                                          \
    };

// The silent cancel: dropped by the application's exception handler.
KADRION_EXCEPTION(EAbort, Exception)
KADRION_EXCEPTION(EConvertError, Exception)
KADRION_EXCEPTION(EListError, Exception)
KADRION_EXCEPTION(EStringListError, Exception)
KADRION_EXCEPTION(EStreamError, Exception)
KADRION_EXCEPTION(EFCreateError, EStreamError)
KADRION_EXCEPTION(EFOpenError, EStreamError)
KADRION_EXCEPTION(EReadError, EStreamError)
KADRION_EXCEPTION(EWriteError, EStreamError)
KADRION_EXCEPTION(EOutOfResources, Exception)
KADRION_EXCEPTION(EInvalidOperation, Exception)
KADRION_EXCEPTION(EInvalidPointer, Exception)
KADRION_EXCEPTION(EInOutError, Exception)
KADRION_EXCEPTION(EIntError, Exception)
KADRION_EXCEPTION(EDivByZero, EIntError)
KADRION_EXCEPTION(ERangeError, EIntError)
KADRION_EXCEPTION(EMathError, Exception)
KADRION_EXCEPTION(EZeroDivide, EMathError)
KADRION_EXCEPTION(EOverflow, EMathError)
KADRION_EXCEPTION(EVariantError, Exception)
KADRION_EXCEPTION(ERegistryException, Exception)
KADRION_EXCEPTION(EComponentError, Exception)

// Raises EAbort with the message "Operation aborted".
[[noreturn]] void Abort();

// ---- Format -----------------------------------------------------------------------------

// Number text of the fixed Ukrainian settings, used by Format, FloatToStr and FormatFloat.
// No '0' flag: a width pads with spaces; a precision gives leading zeros (%.3d -> 007).
constexpr QChar DefaultDecimalSeparator = u',';
constexpr QChar DefaultThousandSeparator = u' ';
constexpr const char* DefaultCurrencyString = "грн."; // UTF-8; "1 грн.", "-1 грн."
constexpr int DefaultCurrencyDecimals = 2;

// One argument of Format: an integer, a floating-point number or a text.
class TFormatArg {
public:
    TFormatArg(int v) : value(int64_t(v)) {}
    TFormatArg(unsigned v) : value(int64_t(v)) {}
    TFormatArg(long v) : value(int64_t(v)) {}
    TFormatArg(long long v) : value(int64_t(v)) {}
    TFormatArg(unsigned long v) : value(int64_t(v)) {}
    TFormatArg(unsigned long long v) : value(int64_t(v)) {}
    TFormatArg(double v) : value(v) {}
    TFormatArg(const QString& v) : value(v) {}
    TFormatArg(const char* v) : value(QString::fromUtf8(v)) {}
    TFormatArg(QChar v) : value(QString(v)) {}
    std::variant<int64_t, double, QString> value;
};

// Formats as the platform does: %[index:][-][width][.prec]type with d u x X e f g n m s p %;
// '*' takes width or precision from the arguments. A bad format or argument raises
// EConvertError ("Format '%s' invalid or incompatible with argument"; a missing argument:
// "No argument for format '%s'"). %c takes a character (text or code). d u x take integers,
// e f g n m doubles, s texts; x and p give upper-case hexadecimal.
QString Format(const QString& fmt, std::initializer_list<TFormatArg> args);

// ---- numbers and text -------------------------------------------------------------------

QString IntToStr(int64_t v);
QString IntToHex(int64_t v, int digits);
// Raise EConvertError "'%s' is not a valid integer value" on bad text; leading and trailing
// blanks are allowed, '$' or '0x' marks hexadecimal.
int StrToInt(const QString& s);
int64_t StrToInt64(const QString& s);
int StrToIntDef(const QString& s, int def);
bool TryStrToInt(const QString& s, int& out);
// Floating-point text uses the decimal separator of FormatSettings (','); '.' is accepted too.
// Bad text raises EConvertError "'%s' is not a valid floating point value".
QString FloatToStr(double v);
double StrToFloat(const QString& s);
double StrToFloatDef(const QString& s, double def);
bool TryStrToFloat(const QString& s, double& out);
// Format styles of FloatToStrF.
enum TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };
QString FloatToStrF(double v, TFloatFormat format, int precision, int digits);
// The platform's FormatFloat with '#', '0', ',', '.', 'E+' and ';' sections.
QString FormatFloat(const QString& format, double v);

// Makes Text Length characters long for them to be written in, reusing its buffer when nothing
// else shares it and it is large enough (a reader that hands out copies of one string then
// allocates only while a caller still holds the last copy). The characters are then unset;
// null when Length is 0.
inline char16_t* ReuseString(QString& Text, qsizetype Length) {
    if (Length <= 0 || !Text.isDetached() || Text.capacity() < Length)
        Text = QString(Length, Qt::Uninitialized);
    else if (Text.size() != Length)
        Text.resize(Length);
    return Length > 0 ? reinterpret_cast<char16_t*>(Text.data()) : nullptr;
}

QString Trim(const QString& s);
QString TrimLeft(const QString& s);
QString TrimRight(const QString& s);
// UpperCase/LowerCase change ASCII letters only; the Ansi forms fold every letter,
// Cyrillic included (і→І, ї→Ї, є→Є, ґ→Ґ).
QString UpperCase(const QString& s);
QString LowerCase(const QString& s);
QString AnsiUpperCase(const QString& s);
QString AnsiLowerCase(const QString& s);
// <0, 0, >0. CompareText folds ASCII only; AnsiCompareText folds every letter and orders
// as the Windows-1251 collation of the users' locale does (Cyrillic after Latin, Ґ after Г,
// Є after Е, І and Ї after И).
int CompareStr(const QString& a, const QString& b);
int CompareText(const QString& a, const QString& b);
int AnsiCompareStr(const QString& a, const QString& b);
int AnsiCompareText(const QString& a, const QString& b);
bool SameText(const QString& a, const QString& b);
bool AnsiSameText(const QString& a, const QString& b);

// 1-based position of sub in s, 0 when absent.
int Pos(const QString& sub, const QString& s);
// Copy(s, index, count): 1-based; an index below 1 counts as 1; past the end gives "".
QString Copy(const QString& s, int index, int count);
// Delete and Insert as procedures on a variable, 1-based.
void Delete(QString& s, int index, int count);
void Insert(const QString& sub, QString& s, int index);

enum TReplaceFlag { rfReplaceAll, rfIgnoreCase };
using TReplaceFlags = TSet<TReplaceFlag>;
QString StringReplace(const QString& s, const QString& oldPattern, const QString& newPattern,
                      TReplaceFlags flags);
QString StringOfChar(QChar c, int count);
QString QuotedStr(const QString& s, QChar quote = u'\'');
// The same with any quote character: AnsiQuotedStr("a\"b", '"') gives "a""b" in quotes.
QString AnsiQuotedStr(const QString& s, QChar quote);
// Removes one pair of enclosing quotes (doubling inside is undone); other text is returned as is.
QString AnsiDequotedStr(const QString& s, QChar quote);

// ---- file names: both '\' and '/' separate folders --------------------------------------

// The name with every '\' turned into '/', for the file system calls.
QString LocalFileName(const QString& fileName);
QString ExtractFilePath(const QString& fileName); // with the trailing separator
QString ExtractFileDir(const QString& fileName);  // without it
QString ExtractFileName(const QString& fileName);
QString ExtractFileExt(const QString& fileName); // with the dot, "" when none
QString ChangeFileExt(const QString& fileName, const QString& ext);
QString IncludeTrailingPathDelimiter(const QString& path);
QString ExcludeTrailingPathDelimiter(const QString& path);
bool FileExists(const QString& fileName);
bool DirectoryExists(const QString& dir);
bool DeleteFile(const QString& fileName);
bool RenameFile(const QString& oldName, const QString& newName);
// The folder of the running program, with a trailing separator.
QString ProgramDirectory();
// The system directory of the settings: $KADRION_CONFIG_DIR, else $XDG_CONFIG_HOME/kadrion,
// else ~/.config/kadrion; created on first use. No trailing separator.
QString SystemDirectory();
