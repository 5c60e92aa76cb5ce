#include "Variant.h"

#include "Dates.h"
#include "SysUtils.h"

#include <cmath>
#include <limits>
#include <ostream>

namespace {

[[noreturn]] void CastError(TVarType from, TVarType to) {
    throw EVariantError(QStringLiteral("Could not convert variant of type (%1) into type (%2)")
                            .arg(VarTypeAsText(from), VarTypeAsText(to)));
}

[[noreturn]] void OverflowError(TVarType from, TVarType to) {
    throw EVariantError(
        QStringLiteral("Arithmetic overflow converting variant of type (%1) into type (%2)")
            .arg(VarTypeAsText(from), VarTypeAsText(to)));
}

[[noreturn]] void InvalidOp() {
    throw EVariantError(QStringLiteral("Invalid variant operation"));
}

[[noreturn]] void NotArray() {
    throw EVariantError(QStringLiteral("Variant is not an array"));
}

constexpr int64_t CurrencyScale = 10000;

// Rounds half to even (the default rounding mode), failing when the result leaves int64.
bool RoundToInt64(long double x, int64_t& out) {
    if (!std::isfinite(x)) return false;
    const long double r = std::nearbyintl(x);
    if (r < -9223372036854775808.0L || r >= 9223372036854775808.0L) return false;
    out = int64_t(r);
    return true;
}

// Integer text: decimal with an optional sign, or hexadecimal after '$' or "0x".
bool ParseInteger(const QString& text, int64_t& out) {
    const QString s = text.trimmed();
    if (s.isEmpty()) return false;
    bool ok = false;
    if (s.startsWith(u'$'))
        out = s.mid(1).toLongLong(&ok, 16);
    else if (s.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        out = s.mid(2).toLongLong(&ok, 16);
    else
        out = s.toLongLong(&ok, 10);
    return ok;
}

bool ParseBoolean(const QString& text, bool& out) {
    const QString s = text.trimmed();
    if (s.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) {
        out = true;
        return true;
    }
    if (s.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) {
        out = false;
        return true;
    }
    return false;
}

bool ParseDouble(const QString& text, double& out) {
    if (TryStrToFloat(text, out)) return true;
    int64_t n;
    if (ParseInteger(text, n)) {
        out = double(n);
        return true;
    }
    bool b;
    if (ParseBoolean(text, b)) {
        out = b ? -1.0 : 0.0;
        return true;
    }
    return false;
}

QString CurrencyToText(int64_t raw) {
    const bool negative = raw < 0;
    // The magnitude as unsigned, so that the smallest value has one too.
    const uint64_t mag = negative ? uint64_t(0) - uint64_t(raw) : uint64_t(raw);
    QString s = QString::number(mag / CurrencyScale);
    uint64_t frac = mag % CurrencyScale;
    if (frac != 0) {
        QString digits = QString::number(frac).rightJustified(4, u'0');
        while (digits.endsWith(u'0'))
            digits.chop(1);
        s += FormatSettings.DecimalSeparator;
        s += digits;
    }
    return negative ? u'-' + s : s;
}

} // namespace

// Private access for the free functions below.
class VariantAccess {
public:
    static TVarType Vt(const Variant& v) { return v.vt; }
    static bool B(const Variant& v) { return v.b; }
    static int64_t I(const Variant& v) { return v.i; }
    static double D(const Variant& v) { return v.d; }
    static const QString& S(const Variant& v) { return v.str; }
    static Variant Make(TVarType vt, int64_t i) {
        Variant r;
        r.vt = vt;
        r.i = i;
        return r;
    }
    static Variant MakeD(TVarType vt, double d) {
        Variant r;
        r.vt = vt;
        r.d = d;
        return r;
    }
    static std::vector<Variant>& Items(Variant& v) { return v.items; }
    static const std::vector<Variant>& Items(const Variant& v) { return v.items; }
    static int& Low(Variant& v) { return v.low; }
};

using A = VariantAccess;

// ---- construction -----------------------------------------------------------------------

Variant::Variant(unsigned long v) {
    if (v > uint64_t(std::numeric_limits<int64_t>::max())) {
        vt = varDouble;
        d = double(v);
    } else {
        vt = varInteger;
        i = int64_t(v);
    }
}

Variant::Variant(unsigned long long v) : Variant(static_cast<unsigned long>(v)) {}

Variant::Variant(const char* v) : vt(varString), str(QString::fromUtf8(v ? v : "")) {}

Variant Variant::FromDate(TDateTime v) {
    return A::MakeD(varDate, v);
}

Variant Variant::FromCurrency(double v) {
    int64_t raw;
    if (!RoundToInt64((long double)v * CurrencyScale, raw)) OverflowError(varDouble, varCurrency);
    return A::Make(varCurrency, raw);
}

Variant Variant::FromCurrencyRaw(int64_t scaled) {
    return A::Make(varCurrency, scaled);
}

Variant Variant::NullValue() {
    return A::Make(varNull, 0);
}

Variant Variant::Array(int low, int high) {
    if (high < low - 1) throw EVariantError(QStringLiteral("Error creating variant or safe array"));
    Variant r;
    r.vt = varArray;
    r.low = low;
    r.items.resize(size_t(int64_t(high) - low + 1));
    return r;
}

Variant Null() {
    return Variant::NullValue();
}

Variant Unassigned() {
    return Variant();
}

TVarType Variant::Type() const {
    return vt == varArray ? TVarType(varArray | varVariant) : vt;
}

// ---- conversions ------------------------------------------------------------------------

bool Variant::AsBoolean() const {
    switch (vt) {
    case varEmpty:
        return false;
    case varBoolean:
        return b;
    case varInteger:
    case varCurrency:
        return i != 0;
    case varDouble:
    case varDate:
        return d != 0;
    case varString: {
        bool r;
        if (ParseBoolean(str, r)) return r;
        double x;
        if (ParseDouble(str, x)) return x != 0;
        break;
    }
    default:
        break;
    }
    CastError(Type(), varBoolean);
}

int64_t Variant::AsInteger() const {
    int64_t r = 0;
    switch (vt) {
    case varEmpty:
        return 0;
    case varBoolean:
        return b ? -1 : 0;
    case varInteger:
        return i;
    case varCurrency:
        RoundToInt64((long double)i / CurrencyScale, r);
        return r;
    case varDouble:
    case varDate:
        if (!RoundToInt64(d, r)) OverflowError(vt, varInteger);
        return r;
    case varString: {
        if (ParseInteger(str, r)) return r;
        double x;
        if (ParseDouble(str, x)) {
            if (!RoundToInt64(x, r)) OverflowError(vt, varInteger);
            return r;
        }
        break;
    }
    default:
        break;
    }
    CastError(Type(), varInteger);
}

int Variant::AsInt() const {
    const int64_t r = AsInteger();
    if (r < std::numeric_limits<int>::min() || r > std::numeric_limits<int>::max())
        OverflowError(Type(), varInteger);
    return int(r);
}

double Variant::AsDouble() const {
    switch (vt) {
    case varEmpty:
        return 0;
    case varBoolean:
        return b ? -1 : 0;
    case varInteger:
        return double(i);
    case varCurrency:
        return double((long double)i / CurrencyScale);
    case varDouble:
    case varDate:
        return d;
    case varString: {
        double x;
        if (ParseDouble(str, x)) return x;
        break;
    }
    default:
        break;
    }
    CastError(Type(), varDouble);
}

int64_t Variant::AsCurrencyRaw() const {
    int64_t r = 0;
    switch (vt) {
    case varEmpty:
        return 0;
    case varBoolean:
        return b ? -CurrencyScale : 0;
    case varCurrency:
        return i;
    case varInteger:
        if (!RoundToInt64((long double)i * CurrencyScale, r)) OverflowError(vt, varCurrency);
        return r;
    case varDouble:
    case varDate:
    case varString:
        if (!RoundToInt64((long double)AsDouble() * CurrencyScale, r))
            OverflowError(vt, varCurrency);
        return r;
    default:
        break;
    }
    CastError(Type(), varCurrency);
}

double Variant::AsCurrency() const {
    return double((long double)AsCurrencyRaw() / CurrencyScale);
}

TDateTime Variant::AsDate() const {
    switch (vt) {
    case varEmpty:
        return 0;
    case varBoolean:
    case varInteger:
    case varCurrency:
        return AsDouble();
    case varDouble:
    case varDate:
        return d;
    case varString: {
        TDateTime t;
        if (TryStrToDateTime(str, t)) return t;
        double x;
        if (TryStrToFloat(str, x)) return x;
        break;
    }
    default:
        break;
    }
    CastError(Type(), varDate);
}

QString Variant::AsString() const {
    switch (vt) {
    case varEmpty:
        return QString();
    case varBoolean:
        return b ? QStringLiteral("True") : QStringLiteral("False");
    case varInteger:
        return IntToStr(i);
    case varDouble:
        return FloatToStr(d);
    case varCurrency:
        return CurrencyToText(i);
    case varDate:
        // A time of day alone (no day part) shows as a time.
        if (std::trunc(d) == 0 && d != 0) return TimeToStr(d);
        return DateTimeToStr(d);
    case varString:
        return str;
    default:
        break;
    }
    CastError(Type(), varString);
}

Variant Variant::AsType(TVarType type) const {
    if (vt == varArray && type != Type()) CastError(Type(), type);
    switch (type) {
    case varEmpty:
        return Variant();
    case varNull:
        return Null();
    case varBoolean:
        return Variant(AsBoolean());
    case varInteger:
        return Variant(AsInteger());
    case varDouble:
        return Variant(AsDouble());
    case varCurrency:
        return FromCurrencyRaw(AsCurrencyRaw());
    case varDate:
        return FromDate(AsDate());
    case varString:
        return Variant(AsString());
    default:
        if (type == Type()) return *this;
        CastError(Type(), type);
    }
}

// ---- arrays -----------------------------------------------------------------------------

int Variant::LowBound() const {
    if (vt != varArray) NotArray();
    return low;
}

int Variant::HighBound() const {
    if (vt != varArray) NotArray();
    return low + int(items.size()) - 1;
}

int Variant::ElementCount() const {
    if (vt != varArray) NotArray();
    return int(items.size());
}

namespace {
[[noreturn]] void BadIndex() {
    throw EVariantError(QStringLiteral("Variant or safe array index out of bounds"));
}
} // namespace

const Variant& Variant::operator[](int index) const {
    if (vt != varArray) NotArray();
    const int64_t k = int64_t(index) - low;
    if (k < 0 || k >= int64_t(items.size())) BadIndex();
    return items[size_t(k)];
}

Variant& Variant::operator[](int index) {
    if (vt != varArray) NotArray();
    const int64_t k = int64_t(index) - low;
    if (k < 0 || k >= int64_t(items.size())) BadIndex();
    return items[size_t(k)];
}

void Variant::Redim(int high) {
    if (vt != varArray) NotArray();
    if (high < low - 1) throw EVariantError(QStringLiteral("Error creating variant or safe array"));
    items.resize(size_t(int64_t(high) - low + 1));
}

Variant& Variant::operator+=(const Variant& o) {
    return *this = *this + o;
}
Variant& Variant::operator-=(const Variant& o) {
    return *this = *this - o;
}
Variant& Variant::operator*=(const Variant& o) {
    return *this = *this * o;
}
Variant& Variant::operator/=(const Variant& o) {
    return *this = *this / o;
}

// ---- arithmetic -------------------------------------------------------------------------

namespace {

enum TOp { opAdd, opSub, opMul, opDiv };

// An operand reduced to Integer, Double, Currency or Date.
Variant Numeric(const Variant& v) {
    switch (A::Vt(v)) {
    case varEmpty:
        return Variant(0);
    case varBoolean:
        return Variant(A::B(v) ? -1 : 0);
    case varString:
        return Variant(v.AsDouble());
    default:
        return v;
    }
}

Variant DoubleResult(TOp op, long double a, long double b) {
    switch (op) {
    case opAdd:
        return Variant(double(a + b));
    case opSub:
        return Variant(double(a - b));
    case opMul:
        return Variant(double(a * b));
    default:
        if (b == 0) throw EZeroDivide(QStringLiteral("Floating point division by zero"));
        return Variant(double(a / b));
    }
}

// An Integer or Currency operand in ten-thousandths; false when it does not fit.
bool RawCurrency(const Variant& v, int64_t& raw) {
    if (A::Vt(v) == varCurrency) {
        raw = A::I(v);
        return true;
    }
    return !__builtin_mul_overflow(A::I(v), CurrencyScale, &raw);
}

Variant Arith(const Variant& a0, const Variant& b0, TOp op) {
    if (A::Vt(a0) == varArray || A::Vt(b0) == varArray) InvalidOp();
    if (A::Vt(a0) == varNull || A::Vt(b0) == varNull) return Null();
    if (op == opAdd) {
        const bool sa = A::Vt(a0) == varString, sb = A::Vt(b0) == varString;
        if ((sa && sb) || (sa && A::Vt(b0) == varEmpty) || (sb && A::Vt(a0) == varEmpty))
            return Variant(A::S(a0) + A::S(b0));
    }
    const Variant a = Numeric(a0);
    const Variant b = Numeric(b0);
    const TVarType ta = A::Vt(a), tb = A::Vt(b);
    const long double x = a.AsDouble(), y = b.AsDouble();

    if (op == opDiv) return DoubleResult(op, x, y);
    if (ta == varDate || tb == varDate) {
        const bool dateResult = (op == opAdd && (ta == varDate) != (tb == varDate)) ||
                                (op == opSub && ta == varDate && tb != varDate);
        Variant r = DoubleResult(op, x, y);
        return dateResult ? Variant::FromDate(A::D(r)) : r;
    }
    if (ta == varDouble || tb == varDouble) return DoubleResult(op, x, y);
    int64_t r;
    if (ta == varCurrency || tb == varCurrency) {
        int64_t ra, rb;
        bool ok = RawCurrency(a, ra) && RawCurrency(b, rb);
        if (ok && op == opAdd)
            ok = !__builtin_add_overflow(ra, rb, &r);
        else if (ok && op == opSub)
            ok = !__builtin_sub_overflow(ra, rb, &r);
        else if (ok)
            ok = RoundToInt64((long double)ra * rb / CurrencyScale, r);
        if (ok) return Variant::FromCurrencyRaw(r);
        return DoubleResult(op, x, y);
    }
    const int64_t ia = A::I(a), ib = A::I(b);
    bool overflow;
    if (op == opAdd)
        overflow = __builtin_add_overflow(ia, ib, &r);
    else if (op == opSub)
        overflow = __builtin_sub_overflow(ia, ib, &r);
    else
        overflow = __builtin_mul_overflow(ia, ib, &r);
    if (overflow) return DoubleResult(op, x, y);
    return Variant(r);
}

enum TLogicOp { opAnd, opOr, opXor };

Variant Logic(const Variant& a, const Variant& b, TLogicOp op) {
    if (A::Vt(a) == varArray || A::Vt(b) == varArray) InvalidOp();
    if (A::Vt(a) == varNull || A::Vt(b) == varNull) return Null();
    if (A::Vt(a) == varBoolean && A::Vt(b) == varBoolean) {
        const bool x = A::B(a), y = A::B(b);
        return Variant(op == opAnd ? (x && y) : op == opOr ? (x || y) : (x != y));
    }
    const int64_t x = a.AsInteger(), y = b.AsInteger();
    return Variant(op == opAnd ? (x & y) : op == opOr ? (x | y) : (x ^ y));
}

enum TIntOp { opIntDiv, opMod };

Variant IntOp(const Variant& a, const Variant& b, TIntOp op) {
    if (A::Vt(a) == varArray || A::Vt(b) == varArray) InvalidOp();
    if (A::Vt(a) == varNull || A::Vt(b) == varNull) return Null();
    const int64_t x = a.AsInteger(), y = b.AsInteger();
    if (y == 0) throw EDivByZero(QStringLiteral("Division by zero"));
    if (y == -1) // the one quotient that can overflow
        return op == opMod ? Variant(0) : Arith(Variant(0), Variant(x), opSub);
    return Variant(op == opIntDiv ? x / y : x % y);
}

} // namespace

Variant operator+(const Variant& a, const Variant& b) {
    return Arith(a, b, opAdd);
}
Variant operator-(const Variant& a, const Variant& b) {
    return Arith(a, b, opSub);
}
Variant operator*(const Variant& a, const Variant& b) {
    return Arith(a, b, opMul);
}
Variant operator/(const Variant& a, const Variant& b) {
    return Arith(a, b, opDiv);
}
Variant operator%(const Variant& a, const Variant& b) {
    return IntOp(a, b, opMod);
}
Variant operator&(const Variant& a, const Variant& b) {
    return Logic(a, b, opAnd);
}
Variant operator|(const Variant& a, const Variant& b) {
    return Logic(a, b, opOr);
}
Variant operator^(const Variant& a, const Variant& b) {
    return Logic(a, b, opXor);
}
Variant operator-(const Variant& a) {
    return VarNeg(a);
}
Variant VarIntDiv(const Variant& a, const Variant& b) {
    return IntOp(a, b, opIntDiv);
}
Variant VarMod(const Variant& a, const Variant& b) {
    return IntOp(a, b, opMod);
}
Variant VarAnd(const Variant& a, const Variant& b) {
    return Logic(a, b, opAnd);
}
Variant VarOr(const Variant& a, const Variant& b) {
    return Logic(a, b, opOr);
}
Variant VarXor(const Variant& a, const Variant& b) {
    return Logic(a, b, opXor);
}

Variant VarNot(const Variant& a) {
    switch (A::Vt(a)) {
    case varArray:
        InvalidOp();
    case varNull:
        return Null();
    case varBoolean:
        return Variant(!A::B(a));
    default:
        return Variant(~a.AsInteger());
    }
}

Variant VarNeg(const Variant& a) {
    switch (A::Vt(a)) {
    case varArray:
        InvalidOp();
    case varNull:
        return Null();
    case varEmpty:
        return Variant(0);
    case varBoolean:
        return Variant(A::B(a) ? 1 : 0);
    case varInteger:
        if (A::I(a) == std::numeric_limits<int64_t>::min()) return Variant(-double(A::I(a)));
        return Variant(-A::I(a));
    case varCurrency:
        if (A::I(a) == std::numeric_limits<int64_t>::min()) return Variant(-a.AsDouble());
        return Variant::FromCurrencyRaw(-A::I(a));
    case varDate:
        return Variant::FromDate(-A::D(a));
    case varDouble:
        return Variant(-A::D(a));
    default:
        return Variant(-a.AsDouble());
    }
}

// ---- comparison -------------------------------------------------------------------------

namespace {

template <typename T> int Cmp(const T& x, const T& y) {
    return x < y ? -1 : (y < x ? 1 : 0);
}

bool IsExact(TVarType t) {
    return t == varInteger || t == varCurrency;
}

// A number as ten-thousandths in 128 bits, so that Integer and Currency compare exactly.
__int128 Scaled(const Variant& v) {
    return A::Vt(v) == varCurrency ? __int128(A::I(v)) : __int128(A::I(v)) * CurrencyScale;
}

int CompareValues(const Variant& a0, const Variant& b0, bool noCase) {
    TVarType ta = A::Vt(a0), tb = A::Vt(b0);
    if (ta == varArray || tb == varArray) InvalidOp();
    if (ta == varNull || tb == varNull) return (ta == varNull ? 0 : 1) - (tb == varNull ? 0 : 1);
    if (ta == varEmpty && tb == varEmpty) return 0;
    if (ta == varString && (tb == varString || tb == varEmpty)) {
        const int c =
            noCase ? AnsiCompareText(A::S(a0), A::S(b0)) : AnsiCompareStr(A::S(a0), A::S(b0));
        return Cmp(c, 0);
    }
    if (tb == varString && ta == varEmpty) return -CompareValues(b0, a0, noCase);

    // Empty and String take the kind of the other side.
    auto like = [](const Variant& v, TVarType other) -> Variant {
        const TVarType t = A::Vt(v);
        if (t != varEmpty && t != varString) return v;
        switch (other) {
        case varBoolean:
            return Variant(v.AsBoolean());
        case varDate:
            return Variant::FromDate(v.AsDate());
        case varEmpty:
        case varString:
            return Variant(0);
        case varInteger:
            if (t == varEmpty) return Variant(0);
            return Variant(v.AsDouble());
        default:
            return Variant(v.AsDouble());
        }
    };
    const Variant a = like(a0, tb);
    const Variant b = like(b0, A::Vt(a));
    ta = A::Vt(a);
    tb = A::Vt(b);
    if (ta == varBoolean && tb == varBoolean) return Cmp(int(A::B(a)), int(A::B(b)));
    if ((ta == varBoolean || IsExact(ta)) && (tb == varBoolean || IsExact(tb))) {
        const Variant x = ta == varBoolean ? Variant(A::B(a) ? -1 : 0) : a;
        const Variant y = tb == varBoolean ? Variant(A::B(b) ? -1 : 0) : b;
        return Cmp(Scaled(x), Scaled(y));
    }
    const long double x =
        IsExact(ta) || ta == varBoolean ? (long double)a.AsDouble() : (long double)A::D(a);
    const long double y =
        IsExact(tb) || tb == varBoolean ? (long double)b.AsDouble() : (long double)A::D(b);
    if (ta == varInteger && tb != varInteger) return Cmp((long double)A::I(a), y);
    if (tb == varInteger && ta != varInteger) return Cmp(x, (long double)A::I(b));
    return Cmp(x, y);
}

TVariantRelationship Relation(int c) {
    return c < 0 ? vrLessThan : c > 0 ? vrGreaterThan : vrEqual;
}

} // namespace

bool operator==(const Variant& a, const Variant& b) {
    return CompareValues(a, b, false) == 0;
}
bool operator!=(const Variant& a, const Variant& b) {
    return CompareValues(a, b, false) != 0;
}
bool operator<(const Variant& a, const Variant& b) {
    return CompareValues(a, b, false) < 0;
}
bool operator>(const Variant& a, const Variant& b) {
    return CompareValues(a, b, false) > 0;
}
bool operator<=(const Variant& a, const Variant& b) {
    return CompareValues(a, b, false) <= 0;
}
bool operator>=(const Variant& a, const Variant& b) {
    return CompareValues(a, b, false) >= 0;
}

TVariantRelationship VarCompareValue(const Variant& a, const Variant& b) {
    return Relation(CompareValues(a, b, false));
}

TVariantRelationship VarCompareValueNoCase(const Variant& a, const Variant& b) {
    return Relation(CompareValues(a, b, true));
}

bool VarSameValue(const Variant& a, const Variant& b) {
    return CompareValues(a, b, false) == 0;
}

bool VarSameText(const Variant& a, const Variant& b) {
    return CompareValues(a, b, true) == 0;
}

// ---- kinds and helpers ------------------------------------------------------------------

TVarType VarType(const Variant& v) {
    return v.Type();
}

bool VarIsType(const Variant& v, TVarType type) {
    return v.Type() == type;
}

bool VarIsNull(const Variant& v) {
    return v.IsNull();
}

bool VarIsEmpty(const Variant& v) {
    return v.IsEmpty();
}

bool VarIsClear(const Variant& v) {
    return v.IsEmpty() || v.IsNull();
}

bool VarIsStr(const Variant& v) {
    return A::Vt(v) == varString;
}

bool VarIsOrdinal(const Variant& v) {
    return A::Vt(v) == varBoolean || A::Vt(v) == varInteger;
}

bool VarIsFloat(const Variant& v) {
    return A::Vt(v) == varDouble || A::Vt(v) == varCurrency;
}

bool VarIsNumeric(const Variant& v) {
    return VarIsOrdinal(v) || VarIsFloat(v);
}

bool VarIsArray(const Variant& v) {
    return v.IsArray();
}

QString VarTypeAsText(TVarType type) {
    if (type & varArray) return QStringLiteral("Array ") + VarTypeAsText(type & varTypeMask);
    switch (type) {
    case varEmpty:
        return QStringLiteral("Empty");
    case varNull:
        return QStringLiteral("Null");
    case varInteger:
        return QStringLiteral("Integer");
    case varDouble:
        return QStringLiteral("Double");
    case varCurrency:
        return QStringLiteral("Currency");
    case varDate:
        return QStringLiteral("Date");
    case varBoolean:
        return QStringLiteral("Boolean");
    case varVariant:
        return QStringLiteral("Variant");
    case varString:
        return QStringLiteral("String");
    default:
        return QStringLiteral("Unknown");
    }
}

QString VarToStr(const Variant& v) {
    return VarToStrDef(v, QString());
}

QString VarToStrDef(const Variant& v, const QString& def) {
    return v.IsNull() ? def : v.AsString();
}

TDateTime VarToDateTime(const Variant& v) {
    return v.AsDate();
}

Variant VarAsType(const Variant& v, TVarType type) {
    return v.AsType(type);
}

Variant VarFromDateTime(TDateTime v) {
    return Variant::FromDate(v);
}

Variant VarArrayOf(std::initializer_list<Variant> values) {
    return VarArrayOf(std::vector<Variant>(values));
}

Variant VarArrayOf(const std::vector<Variant>& values) {
    Variant r = Variant::Array(0, int(values.size()) - 1);
    A::Items(r) = values;
    return r;
}

Variant VarArrayCreate(int low, int high, TVarType elementType) {
    Variant r = Variant::Array(low, high);
    if (elementType != varVariant && elementType != varEmpty) {
        const Variant init =
            elementType == varString ? Variant(QString()) : Variant(0).AsType(elementType);
        for (Variant& e : A::Items(r))
            e = init;
    }
    return r;
}

int VarArrayDimCount(const Variant& v) {
    return v.IsArray() ? 1 : 0;
}

int VarArrayLowBound(const Variant& v, int dim) {
    if (dim != 1 && v.IsArray())
        throw EVariantError(QStringLiteral("Variant or safe array index out of bounds"));
    return v.LowBound();
}

int VarArrayHighBound(const Variant& v, int dim) {
    if (dim != 1 && v.IsArray())
        throw EVariantError(QStringLiteral("Variant or safe array index out of bounds"));
    return v.HighBound();
}

void VarArrayRedim(Variant& v, int high) {
    v.Redim(high);
}

std::ostream& operator<<(std::ostream& os, const Variant& v) {
    QString text;
    if (v.IsArray())
        text = QStringLiteral("[%1..%2]").arg(v.LowBound()).arg(v.HighBound());
    else if (!v.IsNull())
        text = v.AsString();
    return os << (VarTypeAsText(v.Type()) + u':' + text).toStdString();
}
