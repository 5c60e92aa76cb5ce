#include "DateUtil.h"

#include "SysUtils.h"

namespace {

bool scanSpaces(const QString& S, int& Pos) {
    while (Pos <= S.size() && S[Pos - 1] == u' ')
        ++Pos;
    return Pos <= S.size();
}

// Blanks, then decimal digits; a value never grows past four digits (leading zeros do not
// count), so a fifth digit is left over.
bool scanNumber(const QString& S, int& Pos, int& Number) {
    scanSpaces(S, Pos);
    int value = 0;
    bool any = false;
    while (Pos <= S.size() && S[Pos - 1] >= u'0' && S[Pos - 1] <= u'9' && value < 1000) {
        value = value * 10 + (S[Pos - 1].unicode() - '0');
        any = true;
        ++Pos;
    }
    if (any) Number = value;
    return any;
}

bool scanChar(const QString& S, int& Pos, QChar Ch) {
    scanSpaces(S, Pos);
    if (Pos > S.size() || S[Pos - 1] != Ch) return false;
    ++Pos;
    return true;
}

} // namespace

bool FourDigitYear() {
    static const bool four =
        FormatSettings.ShortDateFormat.toUpper().contains(QStringLiteral("YYYY"));
    return four;
}

int DaysPerMonth(int AYear, int AMonth) {
    if (AMonth < 1 || AMonth > 12) return 0;
    return MonthDays[IsLeapYear(AYear) ? 1 : 0][AMonth];
}

bool IsValidDate(int Y, int M, int D) {
    return Y >= 1 && Y <= 9999 && M >= 1 && M <= 12 && D >= 1 && D <= DaysPerMonth(Y, M);
}

bool IsValidDateValue(TDateTime Value) {
    try {
        int y = 0, m = 0, d = 0;
        DecodeDate(Value, y, m, d);
        return IsValidDate(y, m, d);
    } catch (const Exception&) {
        return false;
    }
}

TDateOrder GetDateOrder(const QString& DateFormat) {
    for (QChar c : DateFormat) {
        switch (c.toUpper().unicode()) {
        case 'D':
            return DMY;
        case 'M':
            return MDY;
        case 'Y':
        case 'E':
            return YMD;
        default:
            break;
        }
    }
    return DMY;
}

int ExpandYear(int Year) {
    if (Year >= 100) return Year;
    int n = CurrentYear() - CenturyWindow;
    Year += (n / 100) * 100;
    if (CenturyWindow > 0 && Year < n) Year += 100;
    return Year;
}

bool ScanDateText(const QString& S, const QString& EditFormat, int& Pos, int& Day, int& Month,
                  int& Year) {
    Day = Month = Year = 0;
    const TDateOrder order = GetDateOrder(EditFormat);
    const QChar sep = FormatSettings.DateSeparator;
    if (FormatSettings.ShortDateFormat.startsWith(u'g', Qt::CaseInsensitive))
        while (Pos <= S.size() && !(S[Pos - 1] >= u'0' && S[Pos - 1] <= u'9'))
            ++Pos;
    int n1 = 0, n2 = 0, n3 = 0;
    if (!scanNumber(S, Pos, n1) || !scanChar(S, Pos, sep) || !scanNumber(S, Pos, n2)) return false;
    bool three = false;
    if (scanChar(S, Pos, sep) && Pos <= S.size()) {
        // something follows the second separator: it must be the year
        if (!scanNumber(S, Pos, n3)) return false;
        three = true;
    }
    if (three) {
        switch (order) {
        case MDY:
            Month = n1, Day = n2, Year = n3;
            break;
        case DMY:
            Day = n1, Month = n2, Year = n3;
            break;
        case YMD:
            Year = n1, Month = n2, Day = n3;
            break;
        }
        Year = ExpandYear(Year);
        scanChar(S, Pos, sep);
    } else {
        Year = CurrentYear();
        if (order == DMY)
            Day = n1, Month = n2;
        else
            Month = n1, Day = n2;
    }
    scanSpaces(S, Pos);
    return IsValidDate(Year, Month, Day) && Pos > S.size();
}

int MonthFromName(const QString& S, int MaxLen) {
    if (S.isEmpty()) return 0;
    for (int m = 1; m <= 12; ++m) {
        const QString& name = FormatSettings.LongMonthNames[m - 1];
        if (name.isEmpty()) continue;
        if (AnsiCompareText(S.left(MaxLen), name.left(MaxLen)) == 0) return m;
    }
    return 0;
}

int ExtractMaskField(const QString& EditFormat, const QString& S, QChar Ch, int Default, int Blank,
                     int Count) {
    const QChar letter = Ch.toUpper();
    const QString format = EditFormat.toUpper();
    qsizetype len = format.size();
    if (S.size() > len) return Default;
    if (S.size() < len) len = S.size();
    qsizetype at = format.indexOf(QString(Count < 1 ? 1 : Count, letter));
    if (at < 0) return Default;
    QString field;
    for (qsizetype i = at; i < len && format[i] == letter && field.size() < 20; ++i)
        if (S[i] != u' ') field += S[i];
    if (field.isEmpty()) return Blank;
    if (Count < 2) {
        bool ok = false;
        int v = field.toInt(&ok);
        return ok ? v : -1;
    }
    int m = MonthFromName(field, int(field.size()));
    return m == 0 ? -1 : m;
}

bool ScanDateByMask(const QString& EditFormat, const QString& S, int& Day, int& Month, int& Year) {
    Month = ExtractMaskField(EditFormat, S, u'm', 0, -1, 3);
    if (Month == 0) Month = ExtractMaskField(EditFormat, S, u'm', 0, -1, 1);
    Day = ExtractMaskField(EditFormat, S, u'd', 1, -1, 1);
    Year = ExtractMaskField(EditFormat, S, u'y', CurrentYear(), -1, 1);
    // a year left blank stays invalid instead of landing in some past century
    if (Year != -1) Year = ExpandYear(Year);
    if (IsValidDate(Year, Month, Day)) return true;
    int pos = 1;
    return ScanDateText(S, EditFormat, pos, Day, Month, Year);
}

bool TryTextToDate(const QString& EditFormat, const QString& S, TDateTime& Value) {
    if (S.isEmpty()) {
        Value = NullDate;
        return true;
    }
    int d = 0, m = 0, y = 0;
    if (!ScanDateByMask(EditFormat, S, d, m, y)) return false;
    return TryEncodeDate(y, m, d, Value);
}

TDateTime StrToDateFmt(const QString& EditFormat, const QString& S) {
    TDateTime v = NullDate;
    if (!TryTextToDate(EditFormat, S, v))
        throw EConvertError(Format(QString::fromUtf8(SInvalidDateText), {S}));
    return v;
}

TDateTime StrToDateFmtDef(const QString& EditFormat, const QString& S, TDateTime Default) {
    TDateTime v = NullDate;
    if (!TryTextToDate(EditFormat, S, v)) return DateOf(Default);
    return v;
}

QString DefDateFormat(bool FourDigits) {
    switch (GetDateOrder(FormatSettings.ShortDateFormat)) {
    case MDY:
        return FourDigits ? QStringLiteral("MM/DD/YYYY") : QStringLiteral("MM/DD/YY");
    case YMD:
        return FourDigits ? QStringLiteral("YYYY/MM/DD") : QStringLiteral("YY/MM/DD");
    case DMY:
        break;
    }
    return FourDigits ? QStringLiteral("DD/MM/YYYY") : QStringLiteral("DD/MM/YY");
}

QString DefDateMask(QChar BlanksChar, bool FourDigits) {
    QString mask;
    if (!FourDigits)
        mask = QStringLiteral("!99/99/99;1;");
    else if (GetDateOrder(FormatSettings.ShortDateFormat) == YMD)
        mask = QStringLiteral("!9999/99/99;1;");
    else
        mask = QStringLiteral("!99/99/9999;1;");
    return mask + BlanksChar;
}
