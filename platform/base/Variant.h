// Variant: a value of one of a few kinds, with the conversions, arithmetic and comparisons that
// report expressions, dataset fields and Locate rely on.
//
// Kinds (VarType): varEmpty (unassigned), varNull, varBoolean, varInteger (64-bit),
// varDouble, varCurrency (fixed point, int64 x 10000), varDate (TDateTime), varString (QString),
// and one-dimensional arrays of variants with bounds (VarType = varArray | varVariant).
//
// Conversions (As..., VarAsType; a failure raises EVariantError
// "Could not convert variant of type (<from>) into type (<to>)", type names as VarTypeAsText):
//   to String   Empty ""; Null fails; Boolean "True"/"False"; Integer IntToStr; Double
//               FloatToStr; Currency up to 4 decimals with the decimal separator; Date: the time
//               alone (TimeToStr) when the day part is 0 and a time is set, else DateTimeToStr.
//   to numbers  Empty 0; Null fails; Boolean True = -1, False = 0; Double/Currency/Date to
//               Integer round half to even; String: integer or floating-point text ("1,5" and
//               "1.5" both read), then "True"/"False"; anything else fails.
//   to Boolean  Empty False; numbers: not zero; String "True"/"False" (any case) or a number.
//   to Date     numbers as days; String through StrToDateTime, then as a number.
//   VarToStr gives "" for Null; arrays convert to nothing (they fail).
//
// Arithmetic (operators + - * / % and the Var... functions below):
//   Null            any operation with a Null operand (or on Null) gives Null.
//   Empty           counts as Integer 0 (as "" when + meets a String).
//   Arrays          raise EVariantError "Invalid variant operation".
//   String + String joins the texts. A String meeting a number (or - * / with another String)
//                   is converted to Double first; a text that is no number fails as above.
//   Boolean         counts as Integer (-1/0) in + - * / div mod and negation.
//   Integer         Integer op Integer stays Integer for + - * (Double when it overflows).
//   Double          an operand that is Double makes the result Double.
//   Currency        with Integer or Currency gives Currency (rounded to 4 decimals) for + - *;
//                   with Double gives Double.
//   Date            Date + or - a number gives Date; Date - Date and any other use give Double.
//   /               always Double; a zero divisor raises EZeroDivide
//                   "Floating point division by zero".
//   div mod         operands converted to Integer, result Integer, remainder has the sign of the
//                   dividend; a zero divisor raises EDivByZero "Division by zero".
//   and or xor not  Boolean with Boolean gives Boolean (logical); otherwise both are converted to
//                   Integer and combined bitwise.
//   negation        Integer, Double, Currency, Date keep their kind; Boolean and Empty give
//                   Integer; String gives Double.
//
// Comparison (== != < > <= >=, VarCompareValue):
//   Null equals Null and is less than any other value (Null < 0, Null < "").
//   Empty is compared as 0 with numbers, "" with texts, False with booleans; Empty = Empty.
//   String with String: case-sensitive (AnsiCompareStr); VarCompareValueNoCase/VarSameText
//   ignore case (Cyrillic folded).
//   String with Date: the text converted to a date; String with Boolean: the text to Boolean;
//   String with another number: the text converted to Double (a text that is no number fails).
//   Numbers, dates and booleans (False < True) compare by value; Integer with Integer exactly.
//   Arrays cannot be compared: EVariantError "Invalid variant operation".
#pragma once

#include "Types.h"

#include <QString>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iosfwd>
#include <vector>

using TVarType = uint16_t;

enum : TVarType {
    varEmpty = 0x0000,
    varNull = 0x0001,
    varInteger = 0x0003, // 64-bit
    varDouble = 0x0005,
    varCurrency = 0x0006,
    varDate = 0x0007,
    varBoolean = 0x000B,
    varVariant = 0x000C, // element kind of an array
    varString = 0x0100,
    varTypeMask = 0x0FFF,
    varArray = 0x2000,
};

enum TVariantRelationship { vrEqual, vrLessThan, vrGreaterThan, vrNotEqual };

class Variant {
public:
    Variant() = default; // Empty
    Variant(bool v) : vt(varBoolean) { b = v; }
    Variant(int v) : vt(varInteger) { i = v; }
    Variant(unsigned v) : vt(varInteger) { i = v; }
    Variant(long v) : vt(varInteger) { i = v; }
    Variant(long long v) : vt(varInteger) { i = v; }
    Variant(unsigned long v);
    Variant(unsigned long long v);
    Variant(double v) : vt(varDouble) { d = v; }
    Variant(const QString& v) : vt(varString), str(v) {}
    Variant(QString&& v) : vt(varString), str(std::move(v)) {}
    Variant(const char* v); // UTF-8
    // One character is a text of length 1, as in the platform.
    Variant(QChar v) : vt(varString), str(v) {}
    Variant(char v) : vt(varString), str(QChar::fromLatin1(v)) {}
    Variant(char16_t v) : vt(varString), str(QChar(v)) {}
    // No silent conversion of other pointers to Boolean.
    template <typename T> Variant(T*) = delete;
    Variant(std::nullptr_t) = delete;

    static Variant FromDate(TDateTime v);
    // A currency amount, rounded to 4 decimals.
    static Variant FromCurrency(double v);
    // A currency amount given in ten-thousandths.
    static Variant FromCurrencyRaw(int64_t scaled);
    static Variant NullValue();
    // An array of variants with bounds low..high (inclusive), every element Empty.
    static Variant Array(int low, int high);

    TVarType Type() const;
    bool IsEmpty() const { return vt == varEmpty; }
    bool IsNull() const { return vt == varNull; }
    bool IsArray() const { return vt == varArray; }

    // Conversions as in the rules above.
    bool AsBoolean() const;
    int64_t AsInteger() const;
    int AsInt() const; // AsInteger limited to int (EVariantError on overflow)
    double AsDouble() const;
    double AsCurrency() const;     // rounded to 4 decimals
    int64_t AsCurrencyRaw() const; // in ten-thousandths
    TDateTime AsDate() const;
    QString AsString() const;
    Variant AsType(TVarType type) const;

    // Arrays (EVariantError "Variant is not an array" on another kind; an index out of the
    // bounds raises EVariantError "Variant or safe array index out of bounds").
    int LowBound() const;
    int HighBound() const;
    int ElementCount() const;
    const Variant& operator[](int index) const;
    Variant& operator[](int index);
    // Changes the high bound, keeping the elements that stay and adding Empty ones.
    void Redim(int high);

    Variant& operator+=(const Variant& o);
    Variant& operator-=(const Variant& o);
    Variant& operator*=(const Variant& o);
    Variant& operator/=(const Variant& o);

private:
    friend class VariantAccess;
    TVarType vt = varEmpty; // varArray for arrays
    union {
        bool b;
        int64_t i = 0; // Integer, Currency (x 10000)
        double d;      // Double, Date
    };
    QString str;
    std::vector<Variant> items;
    int low = 0;
};

Variant Null();
Variant Unassigned();

Variant operator+(const Variant& a, const Variant& b);
Variant operator-(const Variant& a, const Variant& b);
Variant operator*(const Variant& a, const Variant& b);
Variant operator/(const Variant& a, const Variant& b);
Variant operator%(const Variant& a, const Variant& b); // mod
Variant operator&(const Variant& a, const Variant& b); // and
Variant operator|(const Variant& a, const Variant& b); // or
Variant operator^(const Variant& a, const Variant& b); // xor
Variant operator-(const Variant& a);                   // negation
Variant VarIntDiv(const Variant& a, const Variant& b); // div
Variant VarMod(const Variant& a, const Variant& b);
Variant VarAnd(const Variant& a, const Variant& b);
Variant VarOr(const Variant& a, const Variant& b);
Variant VarXor(const Variant& a, const Variant& b);
Variant VarNot(const Variant& a);
Variant VarNeg(const Variant& a);

bool operator==(const Variant& a, const Variant& b);
bool operator!=(const Variant& a, const Variant& b);
bool operator<(const Variant& a, const Variant& b);
bool operator>(const Variant& a, const Variant& b);
bool operator<=(const Variant& a, const Variant& b);
bool operator>=(const Variant& a, const Variant& b);
// vrEqual, vrLessThan or vrGreaterThan by the comparison rules (vrNotEqual is not produced:
// values that cannot be compared raise).
TVariantRelationship VarCompareValue(const Variant& a, const Variant& b);
// The same, texts compared ignoring case.
TVariantRelationship VarCompareValueNoCase(const Variant& a, const Variant& b);
bool VarSameValue(const Variant& a, const Variant& b);
bool VarSameText(const Variant& a, const Variant& b);

TVarType VarType(const Variant& v);
bool VarIsType(const Variant& v, TVarType type);
bool VarIsNull(const Variant& v);
bool VarIsEmpty(const Variant& v);
// Empty or Null.
bool VarIsClear(const Variant& v);
bool VarIsStr(const Variant& v);
// Boolean and Integer.
bool VarIsOrdinal(const Variant& v);
// Double and Currency.
bool VarIsFloat(const Variant& v);
// Ordinal or float (not Date, not String).
bool VarIsNumeric(const Variant& v);
bool VarIsArray(const Variant& v);
// "Empty", "Null", "Boolean", "Integer", "Double", "Currency", "Date", "String",
// "Array Variant".
QString VarTypeAsText(TVarType type);

// The text of the value; Null gives "" (VarToStrDef: the default).
QString VarToStr(const Variant& v);
QString VarToStrDef(const Variant& v, const QString& def);
TDateTime VarToDateTime(const Variant& v);
Variant VarAsType(const Variant& v, TVarType type);
Variant VarFromDateTime(TDateTime v);

// Arrays: VarArrayOf gives bounds 0..n-1; VarArrayCreate(low, high) Empty elements.
Variant VarArrayOf(std::initializer_list<Variant> values);
Variant VarArrayOf(const std::vector<Variant>& values);
Variant VarArrayCreate(int low, int high, TVarType elementType = varVariant);
int VarArrayDimCount(const Variant& v); // 1 for an array, 0 otherwise
int VarArrayLowBound(const Variant& v, int dim = 1);
int VarArrayHighBound(const Variant& v, int dim = 1);
void VarArrayRedim(Variant& v, int high);

// "Kind:text" (UTF-8), for test failure messages: "Integer:5", "Null:", "Array Variant:[0..2]".
std::ostream& operator<<(std::ostream& os, const Variant& v);
