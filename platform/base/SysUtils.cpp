// Exceptions, Format, number and text conversions, comparisons and file-name helpers.
#include "SysUtils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

void Abort() {
    throw EAbort(QStringLiteral("Operation aborted"));
}

// ---- decimal digits of a double ---------------------------------------------------------

namespace {

// A number as significant decimal digits: value = 0.Digits * 10^Exponent (so Exponent is the
// count of digits before the decimal point). Zero has no digits.
struct TDecimal {
    std::string Digits;
    int Exponent = 0;
    bool Negative = false;
    bool Special = false; // infinity or not-a-number; Digits holds the text
};

// Keeps the first `keep` digits, rounding half away from zero on the digit that follows.
void RoundDigits(TDecimal& d, int keep) {
    if (keep < 0) {
        d.Digits.clear();
        return;
    }
    if (keep >= int(d.Digits.size())) return;
    const bool up = d.Digits[size_t(keep)] >= '5';
    d.Digits.resize(size_t(keep));
    if (!up) return;
    int i = keep - 1;
    while (i >= 0 && d.Digits[size_t(i)] == '9') {
        d.Digits[size_t(i)] = '0';
        --i;
    }
    if (i >= 0) {
        ++d.Digits[size_t(i)];
    } else {
        d.Digits.insert(d.Digits.begin(), '1');
        ++d.Exponent;
    }
}

// Rounds to `precision` significant digits and then to `decimals` digits after the point,
// halves away from zero, and drops trailing zeros. The exact 17-digit text of the double is
// rounded in decimal, so 1.005 at two decimals gives 1.01 as a user expects.
TDecimal ToDecimal(double v, int precision, int decimals = 9999) {
    TDecimal d;
    if (std::isnan(v)) {
        d.Special = true;
        d.Digits = "NAN";
        return d;
    }
    if (std::isinf(v)) {
        d.Special = true;
        d.Negative = v < 0;
        d.Digits = v < 0 ? "-INF" : "INF";
        return d;
    }
    precision = std::clamp(precision, 1, 17);
    if (v == 0) return d;
    d.Negative = v < 0;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.16e", std::fabs(v));
    // buf: d.dddddddddddddddde[+-]xx
    const char* p = buf;
    for (; *p && *p != 'e'; ++p)
        if (*p >= '0' && *p <= '9') d.Digits += *p;
    d.Exponent = std::atoi(p + 1) + 1;
    RoundDigits(d, precision);
    if (decimals < 9999) RoundDigits(d, d.Exponent + decimals);
    while (!d.Digits.empty() && d.Digits.back() == '0')
        d.Digits.pop_back();
    if (d.Digits.empty()) {
        d.Exponent = 0;
        d.Negative = false;
    }
    return d;
}

QString GroupThousands(const QString& intPart) {
    QString out;
    const int n = int(intPart.size());
    for (int i = 0; i < n; ++i) {
        out += intPart[i];
        const int left = n - 1 - i;
        if (left > 0 && left % 3 == 0) out += DefaultThousandSeparator;
    }
    return out;
}

// Integer and fraction digits of a decimal with exactly `decimals` digits after the point.
void FixedParts(const TDecimal& d, int decimals, QString& intPart, QString& fracPart) {
    const int n = int(d.Digits.size());
    intPart.clear();
    fracPart.clear();
    if (d.Exponent <= 0) {
        intPart = QStringLiteral("0");
    } else {
        for (int i = 0; i < d.Exponent; ++i)
            intPart += QChar(i < n ? d.Digits[size_t(i)] : '0');
    }
    for (int i = 0; i < decimals; ++i) {
        const int k = d.Exponent + i;
        fracPart += QChar(k >= 0 && k < n ? d.Digits[size_t(k)] : '0');
    }
}

QString FixedText(const TDecimal& d, int decimals, bool thousands) {
    QString intPart, fracPart;
    FixedParts(d, decimals, intPart, fracPart);
    QString s = thousands ? GroupThousands(intPart) : intPart;
    if (decimals > 0) s += DefaultDecimalSeparator + fracPart;
    return s;
}

QString ExponentDigits(int exponent, int minDigits, bool forcePlus) {
    QString s = QString::number(std::abs(exponent));
    while (s.size() < minDigits)
        s.prepend(u'0');
    if (exponent < 0) return u'-' + s;
    return forcePlus ? u'+' + s : s;
}

// "d,ddddE+xxx": `precision` digits in all, at least `expDigits` digits of exponent.
QString ExponentText(double v, int precision, int expDigits) {
    const TDecimal d = ToDecimal(v, precision);
    if (d.Special) return QString::fromLatin1(d.Digits.c_str());
    QString s = d.Negative ? QStringLiteral("-") : QString();
    const int n = int(d.Digits.size());
    precision = std::clamp(precision, 1, 17);
    s += QChar(n > 0 ? d.Digits[0] : '0');
    if (precision > 1) {
        s += DefaultDecimalSeparator;
        for (int i = 1; i < precision; ++i)
            s += QChar(i < n ? d.Digits[size_t(i)] : '0');
    }
    s += u'E';
    s += ExponentDigits(n > 0 ? d.Exponent - 1 : 0, expDigits, true);
    return s;
}

// The shortest text: fixed when the integer digits fit the precision and the value is not
// below 0.00001, scientific otherwise.
QString GeneralText(double v, int precision, int expDigits) {
    const TDecimal d = ToDecimal(v, precision);
    if (d.Special) return QString::fromLatin1(d.Digits.c_str());
    if (d.Digits.empty()) return QStringLiteral("0");
    QString s = d.Negative ? QStringLiteral("-") : QString();
    const int n = int(d.Digits.size());
    if (d.Exponent <= std::clamp(precision, 1, 17) && d.Exponent >= -4) {
        QString intPart, fracPart;
        FixedParts(d, std::max(0, n - d.Exponent), intPart, fracPart);
        s += intPart;
        if (!fracPart.isEmpty()) s += DefaultDecimalSeparator + fracPart;
        return s;
    }
    s += QChar(d.Digits[0]);
    if (n > 1) {
        s += DefaultDecimalSeparator;
        for (int i = 1; i < n; ++i)
            s += QChar(d.Digits[size_t(i)]);
    }
    s += u'E';
    s += ExponentDigits(d.Exponent - 1, expDigits, false);
    return s;
}

QString CurrencyText(double v, int decimals) {
    const TDecimal d = ToDecimal(v, 15, decimals);
    if (d.Special) return QString::fromLatin1(d.Digits.c_str());
    const QString num = FixedText(d, decimals, true);
    const QString cur = QString::fromUtf8(DefaultCurrencyString);
    // Positive: "1 грн."; negative: "-1 грн." (the Ukrainian currency formats 3 and 8).
    const QString pos = num + u' ' + cur;
    return d.Negative ? u'-' + pos : pos;
}

// Rounds a decimal already at its precision to `decimals` digits after the point, as
// ToDecimal(v, precision, decimals) would.
void RoundDecimals(TDecimal& d, int decimals) {
    if (d.Special) return;
    RoundDigits(d, d.Exponent + decimals);
    while (!d.Digits.empty() && d.Digits.back() == '0')
        d.Digits.pop_back();
    if (d.Digits.empty()) {
        d.Exponent = 0;
        d.Negative = false;
    }
}

QString FixedOrNumberOf(TDecimal d, double v, int precision, int decimals, bool thousands) {
    if (d.Special) return QString::fromLatin1(d.Digits.c_str());
    if (d.Exponent > 18) return GeneralText(v, precision, 0);
    const QString s = FixedText(d, decimals, thousands);
    return d.Negative ? u'-' + s : s;
}

QString FixedOrNumber(double v, int precision, int decimals, bool thousands) {
    return FixedOrNumberOf(ToDecimal(v, precision, decimals), v, precision, decimals, thousands);
}

} // namespace

// ---- Format -----------------------------------------------------------------------------

namespace {

[[noreturn]] void FormatError(const QString& fmt) {
    throw EConvertError(
        QStringLiteral("Format '%1' invalid or incompatible with argument").arg(fmt));
}

// Integers shown unsigned: a negative value in the 32-bit range is shown as its 32-bit pattern,
// any other negative value as its 64-bit pattern.
uint64_t UnsignedPattern(int64_t v) {
    if (v < 0 && v >= std::numeric_limits<int32_t>::min()) return uint64_t(uint32_t(int32_t(v)));
    return uint64_t(v);
}

} // namespace

QString Format(const QString& fmt, std::initializer_list<TFormatArg> args) {
    const TFormatArg* argv = args.begin();
    const int argc = int(args.size());
    int argIndex = 0;
    QString out;
    const int n = int(fmt.size());
    int i = 0;

    auto takeArg = [&]() -> const TFormatArg& {
        if (argIndex >= argc)
            throw EConvertError(QStringLiteral("No argument for format '%1'").arg(fmt));
        return argv[argIndex++];
    };
    auto takeInt = [&]() -> int {
        const TFormatArg& a = takeArg();
        if (!std::holds_alternative<int64_t>(a.value)) FormatError(fmt);
        return int(std::get<int64_t>(a.value));
    };
    auto readNumber = [&](int& value) -> bool {
        if (i < n && fmt[i] == u'*') {
            ++i;
            value = takeInt();
            return true;
        }
        if (i >= n || !fmt[i].isDigit()) return false;
        value = 0;
        while (i < n && fmt[i] >= u'0' && fmt[i] <= u'9') {
            value = value * 10 + (fmt[i].unicode() - '0');
            if (value > 100000) FormatError(fmt);
            ++i;
        }
        return true;
    };

    while (i < n) {
        const QChar c = fmt[i];
        if (c != u'%') {
            out += c;
            ++i;
            continue;
        }
        ++i;
        if (i >= n) FormatError(fmt);
        if (fmt[i] == u'%') {
            out += u'%';
            ++i;
            continue;
        }
        // [index:] [-] [width] [.prec] type
        bool left = false;
        int width = -1;
        int prec = -1;
        int num = 0;
        const int start = i;
        if (readNumber(num)) {
            if (i < n && fmt[i] == u':') {
                ++i;
                if (num < 0) FormatError(fmt);
                argIndex = num;
            } else {
                // It was the width; re-read below only when no index was given.
                i = start;
                if (fmt[i] == u'*')
                    --argIndex; // give the taken argument back; the width reads it again
            }
        }
        if (i < n && fmt[i] == u'-') {
            left = true;
            ++i;
        }
        if (readNumber(num)) {
            width = num;
            if (width < 0) {
                left = true;
                width = -width;
            }
        }
        if (i < n && fmt[i] == u'.') {
            ++i;
            if (!readNumber(num)) num = 0;
            prec = num;
        }
        if (i >= n) FormatError(fmt);
        const QChar type = fmt[i].toLower();
        ++i;

        QString text;
        switch (type.unicode()) {
        case 'd': {
            const TFormatArg& a = takeArg();
            if (!std::holds_alternative<int64_t>(a.value)) FormatError(fmt);
            const int64_t v = std::get<int64_t>(a.value);
            QString digits = QString::number(v < 0 ? uint64_t(0) - uint64_t(v) : uint64_t(v));
            while (prec > digits.size())
                digits.prepend(u'0');
            text = v < 0 ? u'-' + digits : digits;
            break;
        }
        case 'u':
        case 'x':
        case 'p': {
            const TFormatArg& a = takeArg();
            if (!std::holds_alternative<int64_t>(a.value)) FormatError(fmt);
            const uint64_t v = UnsignedPattern(std::get<int64_t>(a.value));
            if (type == u'u') {
                text = QString::number(v);
            } else {
                text = QString::number(v, 16).toUpper();
                if (type == u'p') prec = 16;
            }
            while (prec > text.size())
                text.prepend(u'0');
            break;
        }
        case 'c': {
            // One character: from a text (its first character) or a character code.
            const TFormatArg& a = takeArg();
            if (std::holds_alternative<QString>(a.value)) {
                text = std::get<QString>(a.value).left(1);
            } else if (std::holds_alternative<int64_t>(a.value)) {
                text = QString(QChar(char16_t(std::get<int64_t>(a.value))));
            } else {
                FormatError(fmt);
            }
            break;
        }
        case 's': {
            const TFormatArg& a = takeArg();
            if (!std::holds_alternative<QString>(a.value)) FormatError(fmt);
            text = std::get<QString>(a.value);
            if (prec >= 0 && prec < text.size()) text.truncate(prec);
            break;
        }
        case 'e':
        case 'f':
        case 'g':
        case 'n':
        case 'm': {
            const TFormatArg& a = takeArg();
            if (!std::holds_alternative<double>(a.value)) FormatError(fmt);
            const double v = std::get<double>(a.value);
            switch (type.unicode()) {
            case 'e':
                text = ExponentText(v, prec < 0 ? 15 : std::min(prec, 17), 3);
                break;
            case 'g':
                text = GeneralText(v, prec < 0 ? 15 : std::min(prec, 17), 3);
                break;
            case 'f':
                text = FixedOrNumber(v, 15, prec < 0 ? 2 : std::min(prec, 18), false);
                break;
            case 'n':
                text = FixedOrNumber(v, 15, prec < 0 ? 2 : std::min(prec, 18), true);
                break;
            default:
                text = CurrencyText(v, prec < 0 ? DefaultCurrencyDecimals : std::min(prec, 18));
                break;
            }
            break;
        }
        default:
            FormatError(fmt);
        }
        if (width > text.size()) {
            const QString pad(width - text.size(), u' ');
            text = left ? text + pad : pad + text;
        }
        out += text;
    }
    return out;
}

// ---- numbers and text -------------------------------------------------------------------

QString IntToStr(int64_t v) {
    return QString::number(v);
}

QString IntToHex(int64_t v, int digits) {
    QString s = QString::number(UnsignedPattern(v), 16).toUpper();
    while (s.size() < digits)
        s.prepend(u'0');
    return s;
}

namespace {

bool ParseInt64(const QString& s, int64_t lo, int64_t hi, int64_t& out) {
    int i = 0;
    int n = int(s.size());
    while (i < n && s[i] <= u' ')
        ++i;
    while (n > i && s[n - 1] <= u' ')
        --n;
    bool neg = false;
    if (i < n && (s[i] == u'+' || s[i] == u'-')) {
        neg = s[i] == u'-';
        ++i;
    }
    int base = 10;
    if (i < n && s[i] == u'$') {
        base = 16;
        ++i;
    } else if (i + 1 < n && s[i] == u'0' && (s[i + 1] == u'x' || s[i + 1] == u'X')) {
        base = 16;
        i += 2;
    }
    if (i >= n) return false;
    // Accumulate the magnitude; the limit is |lo| for negatives, hi otherwise (hexadecimal
    // may also give the full unsigned pattern of the type, as the platform allows).
    const uint64_t limit = base == 16 ? (hi == std::numeric_limits<int32_t>::max()
                                             ? uint64_t(std::numeric_limits<uint32_t>::max())
                                             : std::numeric_limits<uint64_t>::max())
                           : neg      ? uint64_t(0) - uint64_t(lo)
                                      : uint64_t(hi);
    uint64_t mag = 0;
    for (; i < n; ++i) {
        const char16_t ch = s[i].unicode();
        int digit;
        if (ch >= '0' && ch <= '9')
            digit = ch - '0';
        else if (base == 16 && ch >= 'a' && ch <= 'f')
            digit = ch - 'a' + 10;
        else if (base == 16 && ch >= 'A' && ch <= 'F')
            digit = ch - 'A' + 10;
        else
            return false;
        if (mag > (limit - uint64_t(digit)) / uint64_t(base)) return false;
        mag = mag * uint64_t(base) + uint64_t(digit);
    }
    if (base == 16 && !neg) {
        // A hexadecimal pattern above the signed range wraps to the negative value.
        if (hi == std::numeric_limits<int32_t>::max()) {
            out = int64_t(int32_t(uint32_t(mag)));
        } else {
            out = int64_t(mag);
        }
        return true;
    }
    if (base == 16 && neg) {
        if (mag > uint64_t(0) - uint64_t(lo)) return false;
    }
    out = neg ? int64_t(uint64_t(0) - mag) : int64_t(mag);
    return out >= lo && out <= hi;
}

} // namespace

int StrToInt(const QString& s) {
    int out = 0;
    if (!TryStrToInt(s, out))
        throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(s));
    return out;
}

int64_t StrToInt64(const QString& s) {
    int64_t v = 0;
    if (!ParseInt64(s, std::numeric_limits<int64_t>::min(), std::numeric_limits<int64_t>::max(), v))
        throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(s));
    return v;
}

int StrToIntDef(const QString& s, int def) {
    int out = 0;
    return TryStrToInt(s, out) ? out : def;
}

bool TryStrToInt(const QString& s, int& out) {
    int64_t v = 0;
    if (!ParseInt64(s, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max(), v))
        return false;
    out = int(v);
    return true;
}

QString FloatToStr(double v) {
    return GeneralText(v, 15, 0);
}

bool TryStrToFloat(const QString& s, double& out) {
    int i = 0;
    int n = int(s.size());
    while (i < n && s[i] <= u' ')
        ++i;
    while (n > i && s[n - 1] <= u' ')
        --n;
    std::string text;
    if (i < n && (s[i] == u'+' || s[i] == u'-')) text += char(s[i++].unicode());
    int mantissaDigits = 0;
    while (i < n && s[i] >= u'0' && s[i] <= u'9') {
        text += char(s[i++].unicode());
        ++mantissaDigits;
    }
    if (i < n && (s[i] == DefaultDecimalSeparator || s[i] == u'.')) {
        text += '.';
        ++i;
        while (i < n && s[i] >= u'0' && s[i] <= u'9') {
            text += char(s[i++].unicode());
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0) return false;
    if (i < n && (s[i] == u'e' || s[i] == u'E')) {
        text += 'e';
        ++i;
        if (i < n && (s[i] == u'+' || s[i] == u'-')) text += char(s[i++].unicode());
        int expDigits = 0;
        while (i < n && s[i] >= u'0' && s[i] <= u'9') {
            text += char(s[i++].unicode());
            ++expDigits;
        }
        if (expDigits == 0) return false;
    }
    if (i != n) return false;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || std::isinf(v) || std::isnan(v)) return false;
    out = v;
    return true;
}

double StrToFloat(const QString& s) {
    double v = 0;
    if (!TryStrToFloat(s, v))
        throw EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(s));
    return v;
}

double StrToFloatDef(const QString& s, double def) {
    double v = 0;
    return TryStrToFloat(s, v) ? v : def;
}

QString FloatToStrF(double v, TFloatFormat format, int precision, int digits) {
    precision = std::clamp(precision, 1, 17);
    switch (format) {
    case ffGeneral:
        return GeneralText(v, precision, std::clamp(digits, 0, 4));
    case ffExponent:
        return ExponentText(v, precision, std::clamp(digits, 0, 4));
    case ffFixed:
    case ffNumber: {
        TDecimal d = ToDecimal(v, precision);
        if (!d.Special && d.Exponent > precision) return GeneralText(v, precision, 0);
        const int decimals = std::clamp(digits, 0, 18);
        RoundDecimals(d, decimals);
        return FixedOrNumberOf(std::move(d), v, precision, decimals, format == ffNumber);
    }
    case ffCurrency:
        return CurrencyText(v, std::clamp(digits, 0, 18));
    }
    return QString();
}

// ---- FormatFloat ------------------------------------------------------------------------

namespace {

// One section of a FormatFloat picture, split into its parts.
struct TPicture {
    QString Text;       // the section, quotes kept
    int IntPlaces = 0;  // digit placeholders before the point
    int MinInt = 0;     // of them, those from the first '0' on
    int FracPlaces = 0; // digit placeholders after the point
    int MinFrac = 0;    // up to the last '0' after the point
    bool Thousands = false;
    bool Scientific = false;
    bool ExpPlus = false; // 'E+' shows the sign always, 'E-' only when negative
    int ExpDigits = 0;
};

QStringList SplitSections(const QString& format) {
    QStringList sections;
    QString cur;
    QChar quote;
    for (QChar c : format) {
        if (!quote.isNull()) {
            if (c == quote) quote = QChar();
            cur += c;
        } else if (c == u'\'' || c == u'"') {
            quote = c;
            cur += c;
        } else if (c == u';') {
            sections << cur;
            cur.clear();
        } else {
            cur += c;
        }
    }
    sections << cur;
    return sections;
}

TPicture AnalysePicture(const QString& text) {
    TPicture p;
    p.Text = text;
    bool afterPoint = false;
    bool seenZero = false;
    QChar quote;
    const int n = int(text.size());
    for (int i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (!quote.isNull()) {
            if (c == quote) quote = QChar();
            continue;
        }
        if (c == u'\'' || c == u'"') {
            quote = c;
        } else if (c == u'0' || c == u'#') {
            if (afterPoint) {
                ++p.FracPlaces;
                if (c == u'0') p.MinFrac = p.FracPlaces;
            } else {
                ++p.IntPlaces;
                if (c == u'0') seenZero = true;
                if (seenZero) ++p.MinInt;
            }
        } else if (c == u'.') {
            afterPoint = true;
        } else if (c == u',') {
            if (!afterPoint) p.Thousands = true;
        } else if ((c == u'E' || c == u'e') && i + 1 < n &&
                   (text[i + 1] == u'+' || text[i + 1] == u'-')) {
            p.Scientific = true;
            p.ExpPlus = text[i + 1] == u'+';
            int k = i + 2;
            while (k < n && text[k] == u'0') {
                ++p.ExpDigits;
                ++k;
            }
            break;
        }
    }
    return p;
}

QString ApplyPicture(const TPicture& p, double absValue, bool minus) {
    // The digits to place: integer digits (right-aligned over the integer placeholders, extra
    // ones before the first) and fraction digits (left-aligned).
    QString intDigits, fracDigits, expText;
    if (p.Scientific) {
        const int intPlaces = std::max(1, p.IntPlaces);
        const int total = std::max(1, intPlaces + p.FracPlaces);
        const TDecimal d = ToDecimal(absValue, std::min(total, 17));
        int exponent = 0;
        std::string digits = d.Digits;
        if (!digits.empty()) exponent = d.Exponent - intPlaces;
        digits.resize(size_t(total), '0');
        intDigits = QString::fromLatin1(digits.substr(0, size_t(intPlaces)).c_str());
        fracDigits = QString::fromLatin1(digits.substr(size_t(intPlaces)).c_str());
        while (fracDigits.size() > p.MinFrac && fracDigits.endsWith(u'0'))
            fracDigits.chop(1);
        // Leading zeros of the integer digits beyond the '0' placeholders are dropped.
        while (intDigits.size() > std::max(p.MinInt, 1) && intDigits.startsWith(u'0') &&
               d.Digits.empty())
            intDigits.remove(0, 1);
        expText = ExponentDigits(exponent, std::max(1, p.ExpDigits), p.ExpPlus);
    } else {
        const TDecimal d = ToDecimal(absValue, 15, p.FracPlaces);
        QString ip, fp;
        FixedParts(d, p.FracPlaces, ip, fp);
        if (ip == u"0") ip.clear();
        while (ip.size() < p.MinInt)
            ip.prepend(u'0');
        while (fp.size() > p.MinFrac && fp.endsWith(u'0'))
            fp.chop(1);
        intDigits = ip;
        fracDigits = fp;
    }
    const bool zeroDigits =
        std::all_of(intDigits.begin(), intDigits.end(), [](QChar c) { return c == u'0'; }) &&
        std::all_of(fracDigits.begin(), fracDigits.end(), [](QChar c) { return c == u'0'; });

    QString out;
    if (minus && !zeroDigits) out += u'-';
    const QString& text = p.Text;
    const int n = int(text.size());
    int intSeen = 0;
    int fracSeen = 0;
    bool afterPoint = false;
    const int intLen = int(intDigits.size());
    auto emitIntDigit = [&](int pos) {
        out += intDigits[pos];
        const int left = intLen - 1 - pos;
        if (p.Thousands && left > 0 && left % 3 == 0) out += DefaultThousandSeparator;
    };
    QChar quote;
    for (int i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            else
                out += c;
            continue;
        }
        if (c == u'\'' || c == u'"') {
            quote = c;
        } else if (c == u'0' || c == u'#') {
            if (afterPoint) {
                if (fracSeen < fracDigits.size()) out += fracDigits[fracSeen];
                ++fracSeen;
            } else {
                const int pos = intLen - p.IntPlaces + intSeen;
                if (intSeen == 0)
                    for (int k = 0; k < pos; ++k)
                        emitIntDigit(k);
                // placeholders past the counted ones (after an exponent) have no digit left
                if (pos >= 0 && pos < intLen) emitIntDigit(pos);
                ++intSeen;
            }
        } else if (c == u'.') {
            if (!afterPoint) {
                if (p.IntPlaces == 0)
                    for (int k = 0; k < intLen; ++k)
                        emitIntDigit(k);
                afterPoint = true;
                if (!fracDigits.isEmpty()) out += DefaultDecimalSeparator;
            }
        } else if (c == u',') {
            // thousands marker, not shown
        } else if ((c == u'E' || c == u'e') && p.Scientific && i + 1 < n &&
                   (text[i + 1] == u'+' || text[i + 1] == u'-')) {
            out += c;
            out += expText;
            i += 2;
            while (i < n && text[i] == u'0')
                ++i;
            --i;
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace

QString FormatFloat(const QString& format, double v) {
    if (format.isEmpty() || std::isnan(v) || std::isinf(v) || std::fabs(v) >= 1e18)
        return FloatToStr(v);
    const QStringList sections = SplitSections(format);
    int index = 0;
    bool minus = false;
    if (v < 0) {
        if (sections.size() > 1 && !sections[1].isEmpty())
            index = 1;
        else
            minus = true;
    } else if (v == 0) {
        if (sections.size() > 2 && !sections[2].isEmpty()) index = 2;
    }
    const TPicture p = AnalysePicture(sections[index]);
    // A value that rounds to zero in its own section takes the zero section when there is one.
    if (index != 2 && sections.size() > 2 && !sections[2].isEmpty() && !p.Scientific) {
        const TDecimal d = ToDecimal(std::fabs(v), 15, p.FracPlaces);
        if (d.Digits.empty()) return ApplyPicture(AnalysePicture(sections[2]), 0, false);
    }
    return ApplyPicture(p, std::fabs(v), minus);
}

// ---- trimming and case ------------------------------------------------------------------

QString Trim(const QString& s) {
    int a = 0;
    int b = int(s.size());
    while (a < b && s[a] <= u' ')
        ++a;
    while (b > a && s[b - 1] <= u' ')
        --b;
    return s.mid(a, b - a);
}

QString TrimLeft(const QString& s) {
    int a = 0;
    while (a < s.size() && s[a] <= u' ')
        ++a;
    return s.mid(a);
}

QString TrimRight(const QString& s) {
    int b = int(s.size());
    while (b > 0 && s[b - 1] <= u' ')
        --b;
    return s.left(b);
}

QString UpperCase(const QString& s) {
    QString r = s;
    for (QChar& c : r)
        if (c >= u'a' && c <= u'z') c = QChar(c.unicode() - 32);
    return r;
}

QString LowerCase(const QString& s) {
    QString r = s;
    for (QChar& c : r)
        if (c >= u'A' && c <= u'Z') c = QChar(c.unicode() + 32);
    return r;
}

// Character by character, so the length never changes (ß stays ß).
QString AnsiUpperCase(const QString& s) {
    // plain ASCII (the usual field and column names) is upper-cased here: a text without a
    // small letter is given back as it is, sharing its characters
    const char16_t* p = reinterpret_cast<const char16_t*>(s.constData());
    const qsizetype n = s.size();
    qsizetype firstSmall = -1;
    bool ascii = true;
    for (qsizetype i = 0; i < n && ascii; ++i) {
        ascii = p[i] < 0x80;
        if (firstSmall < 0 && p[i] >= u'a' && p[i] <= u'z') firstSmall = i;
    }
    if (ascii) {
        if (firstSmall < 0) return s;
        QString r(n, Qt::Uninitialized);
        char16_t* d = reinterpret_cast<char16_t*>(r.data());
        for (qsizetype i = 0; i < n; ++i)
            d[i] = p[i] >= u'a' && p[i] <= u'z' ? char16_t(p[i] - 32) : p[i];
        return r;
    }
    QString r = s;
    for (QChar& c : r)
        c = c.toUpper();
    return r;
}

QString AnsiLowerCase(const QString& s) {
    QString r = s;
    for (QChar& c : r)
        c = c.toLower();
    return r;
}

// ---- comparison -------------------------------------------------------------------------

namespace {

int Sign(int v) {
    return v < 0 ? -1 : (v > 0 ? 1 : 0);
}

// The Cyrillic alphabet in collation order (Ukrainian letters in their places, the other
// Cyrillic letters of Windows-1251 where the platform collation puts them).
const char16_t CyrillicOrder[] = u"АБВГҐДЂЃЕЁЄЖЗЅИІЇЙЈКЛЉМНЊОПРСТЋЌУЎФХЦЧЏШЩЪЫЬЭЮЯ";

// Weight of a character at the first level: punctuation and symbols, then digits, then Latin
// letters (accents ignored), then Greek, then Cyrillic, then the rest.
uint32_t PrimaryWeight(QChar c) {
    const QChar u = c.toUpper();
    const char16_t code = u.unicode();
    if (u.isDigit()) return (1u << 20) | uint32_t(u.digitValue());
    if (code >= 0x0400 && code <= 0x04FF) {
        for (int i = 0; CyrillicOrder[i]; ++i)
            if (CyrillicOrder[i] == code) return (4u << 20) | uint32_t(i);
        return (4u << 20) | 0x1000u | code;
    }
    if (code >= 0x0370 && code <= 0x03FF) return (3u << 20) | code;
    if (u.isLetter()) {
        QChar base = u;
        while (base.decompositionTag() == QChar::Canonical)
            base = base.decomposition().at(0);
        if (base >= u'A' && base <= u'Z') return (2u << 20) | uint32_t(base.unicode() - 'A');
        if (code < 0x0250) return (2u << 20) | 0x100u | code;
        return (5u << 20) | code;
    }
    if (code < 0x0250 || c.isPunct() || c.isSymbol() || c.isSpace()) return code;
    return (5u << 20) | code;
}

bool IgnoredInWords(QChar c) {
    return c == u'-' || c == u'\'' || c == QChar(0x2019) || c == QChar(0x02BC);
}

// Compares as the users' locale orders words: letters first (hyphens and apostrophes ignored),
// then accents, then (when case matters) lower case before upper case, then the ignored marks.
int CollateCompare(const QString& a, const QString& b, bool caseSensitive) {
    if (a == b) return 0; // the same text is equal at every level
    QString fa, fb;
    for (QChar c : a)
        if (!IgnoredInWords(c)) fa += c;
    for (QChar c : b)
        if (!IgnoredInWords(c)) fb += c;
    const int n = int(std::min(fa.size(), fb.size()));
    for (int i = 0; i < n; ++i) {
        const uint32_t wa = PrimaryWeight(fa[i]);
        const uint32_t wb = PrimaryWeight(fb[i]);
        if (wa != wb) return wa < wb ? -1 : 1;
    }
    if (fa.size() != fb.size()) return fa.size() < fb.size() ? -1 : 1;
    for (int i = 0; i < n; ++i) {
        const char16_t ua = fa[i].toUpper().unicode();
        const char16_t ub = fb[i].toUpper().unicode();
        if (ua != ub) return ua < ub ? -1 : 1;
    }
    if (caseSensitive) {
        for (int i = 0; i < n; ++i) {
            const bool la = fa[i].isLower();
            const bool lb = fb[i].isLower();
            if (la != lb) return la ? -1 : 1;
        }
    }
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    for (int i = 0; i < a.size(); ++i) {
        const QChar ca = caseSensitive ? a[i] : a[i].toUpper();
        const QChar cb = caseSensitive ? b[i] : b[i].toUpper();
        if (ca != cb) return ca.unicode() < cb.unicode() ? -1 : 1;
    }
    return 0;
}

} // namespace

int CompareStr(const QString& a, const QString& b) {
    return Sign(QString::compare(a, b, Qt::CaseSensitive));
}

int CompareText(const QString& a, const QString& b) {
    return Sign(QString::compare(UpperCase(a), UpperCase(b), Qt::CaseSensitive));
}

int AnsiCompareStr(const QString& a, const QString& b) {
    return CollateCompare(a, b, true);
}

int AnsiCompareText(const QString& a, const QString& b) {
    return CollateCompare(a, b, false);
}

bool SameText(const QString& a, const QString& b) {
    return CompareText(a, b) == 0;
}

bool AnsiSameText(const QString& a, const QString& b) {
    // what comparing AnsiUpperCase of both gives, character by character
    if (a.size() != b.size()) return false;
    const QChar* p = a.constData();
    const QChar* q = b.constData();
    for (qsizetype i = 0; i < a.size(); ++i)
        if (p[i] != q[i] && p[i].toUpper() != q[i].toUpper()) return false;
    return true;
}

// ---- positions and pieces ---------------------------------------------------------------

int Pos(const QString& sub, const QString& s) {
    if (sub.isEmpty()) return 0;
    return int(s.indexOf(sub, 0, Qt::CaseSensitive)) + 1;
}

QString Copy(const QString& s, int index, int count) {
    if (index < 1) index = 1;
    if (count <= 0 || index > s.size()) return QString();
    return s.mid(index - 1, std::min<qsizetype>(count, s.size() - (index - 1)));
}

void Delete(QString& s, int index, int count) {
    if (index < 1 || index > s.size() || count <= 0) return;
    s.remove(index - 1, std::min<qsizetype>(count, s.size() - (index - 1)));
}

void Insert(const QString& sub, QString& s, int index) {
    if (index < 1) index = 1;
    if (index > s.size() + 1) index = int(s.size()) + 1;
    s.insert(index - 1, sub);
}

QString StringReplace(const QString& s, const QString& oldPattern, const QString& newPattern,
                      TReplaceFlags flags) {
    if (oldPattern.isEmpty()) return s;
    const bool ignoreCase = flags.Contains(rfIgnoreCase);
    // Character-wise upper casing keeps positions aligned with the original text.
    const QString hay = ignoreCase ? AnsiUpperCase(s) : s;
    const QString needle = ignoreCase ? AnsiUpperCase(oldPattern) : oldPattern;
    QString out;
    qsizetype from = 0;
    while (true) {
        const qsizetype at = hay.indexOf(needle, from, Qt::CaseSensitive);
        if (at < 0) break;
        out += QStringView(s).mid(from, at - from);
        out += newPattern;
        from = at + needle.size();
        if (!flags.Contains(rfReplaceAll)) break;
    }
    out += QStringView(s).mid(from);
    return out;
}

QString StringOfChar(QChar c, int count) {
    return count > 0 ? QString(count, c) : QString();
}

QString QuotedStr(const QString& s, QChar quote) {
    QString r = s;
    r.replace(quote, QString(2, quote));
    return quote + r + quote;
}

QString AnsiQuotedStr(const QString& s, QChar quote) {
    return QuotedStr(s, quote);
}

QString AnsiDequotedStr(const QString& s, QChar quote) {
    if (s.isEmpty() || s[0] != quote) return s;
    QString r;
    int i = 1;
    const int n = int(s.size());
    bool closed = false;
    while (i < n) {
        if (s[i] == quote) {
            if (i + 1 < n && s[i + 1] == quote) {
                r += quote;
                i += 2;
                continue;
            }
            closed = true;
            ++i;
            break;
        }
        r += s[i++];
    }
    // Unclosed quotes, or text after the closing quote, leave the text as it was.
    if (!closed || i != n) return s;
    return r;
}

// ---- file names -------------------------------------------------------------------------

namespace {

bool IsPathDelimiter(QChar c) {
    return c == u'/' || c == u'\\';
}

// Index of the last folder separator, or of the colon of a leading drive ("C:"); -1 if none.
int LastPathDelimiter(const QString& f) {
    for (int i = int(f.size()) - 1; i >= 0; --i) {
        if (IsPathDelimiter(f[i])) return i;
        if (f[i] == u':' && i == 1 && f[0].isLetter()) return i;
    }
    return -1;
}

// Index of the dot that starts the extension of the last name part, or -1.
int ExtensionDot(const QString& f) {
    const int from = LastPathDelimiter(f) + 1;
    for (int i = int(f.size()) - 1; i >= from; --i)
        if (f[i] == u'.') return i;
    return -1;
}

} // namespace

QString LocalFileName(const QString& fileName) {
    QString r = fileName;
    r.replace(u'\\', u'/');
    return r;
}

QString ExtractFilePath(const QString& fileName) {
    return fileName.left(LastPathDelimiter(fileName) + 1);
}

QString ExtractFileDir(const QString& fileName) {
    int i = LastPathDelimiter(fileName);
    // Keep the separator of a root ("/", "C:\") and of a double separator at the start.
    if (i > 0 && IsPathDelimiter(fileName[i]) &&
        !(IsPathDelimiter(fileName[i - 1]) || fileName[i - 1] == u':'))
        --i;
    return fileName.left(i + 1);
}

QString ExtractFileName(const QString& fileName) {
    return fileName.mid(LastPathDelimiter(fileName) + 1);
}

QString ExtractFileExt(const QString& fileName) {
    const int dot = ExtensionDot(fileName);
    return dot < 0 ? QString() : fileName.mid(dot);
}

QString ChangeFileExt(const QString& fileName, const QString& ext) {
    const int dot = ExtensionDot(fileName);
    return (dot < 0 ? fileName : fileName.left(dot)) + ext;
}

QString IncludeTrailingPathDelimiter(const QString& path) {
    if (path.isEmpty() || IsPathDelimiter(path.back())) return path;
    // Keep to the separator the path already uses.
    const QChar sep = path.contains(u'\\') && !path.contains(u'/') ? u'\\' : u'/';
    return path + sep;
}

QString ExcludeTrailingPathDelimiter(const QString& path) {
    if (path.size() > 1 && IsPathDelimiter(path.back())) return path.left(path.size() - 1);
    return path;
}

bool FileExists(const QString& fileName) {
    if (fileName.isEmpty()) return false;
    const QFileInfo fi(LocalFileName(fileName));
    return fi.exists() && !fi.isDir();
}

bool DirectoryExists(const QString& dir) {
    if (dir.isEmpty()) return false;
    return QFileInfo(LocalFileName(dir)).isDir();
}

bool DeleteFile(const QString& fileName) {
    if (!FileExists(fileName)) return false;
    return QFile::remove(LocalFileName(fileName));
}

bool RenameFile(const QString& oldName, const QString& newName) {
    const QString from = LocalFileName(oldName);
    const QString to = LocalFileName(newName);
    if (!QFileInfo::exists(from) || QFileInfo::exists(to)) return false;
    return QDir().rename(from, to);
}

QString ProgramDirectory() {
    const QFileInfo self(QStringLiteral("/proc/self/exe"));
    const QString target = self.canonicalFilePath();
    if (target.isEmpty()) return QDir::currentPath() + u'/';
    return IncludeTrailingPathDelimiter(QFileInfo(target).absolutePath());
}

QString SystemDirectory() {
    QString dir = qEnvironmentVariable("KADRION_CONFIG_DIR");
    if (dir.isEmpty()) {
        const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
        if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg))
            dir = xdg + QStringLiteral("/kadrion");
        else
            dir = QDir::homePath() + QStringLiteral("/.config/kadrion");
    }
    dir = ExcludeTrailingPathDelimiter(LocalFileName(dir));
    QDir().mkpath(dir);
    return dir;
}
