// Parameter values for the benchmarks' inserts of generated rows: an empty text, a zero date
// and (when asked) a zero number go in as Null, as the application stores them.
#pragma once

#include "IBSQL.h"

inline TIBParamValue val(const Variant& V) {
    TIBParamValue p;
    p.IsNull = VarIsClear(V);
    p.Value = V;
    return p;
}
inline TIBParamValue text(const QString& S) {
    return S.isEmpty() ? TIBParamValue() : val(Variant(S));
}
inline TIBParamValue date(TDateTime D) {
    return D == 0 ? TIBParamValue() : val(Variant::FromDate(D));
}
inline TIBParamValue number(int N, bool NullWhenZero = false) {
    return NullWhenZero && N == 0 ? TIBParamValue() : val(Variant(N));
}
