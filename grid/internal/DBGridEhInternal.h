// Helpers shared by the grid's sources.
#pragma once

#include "DBGridEh.h"

// Keeps an own value and marks it assigned; false when it was assigned with that very value
// already (nothing changed, nothing to tell).
template <typename T, typename Set, typename Member>
bool KeepOwnValue(T& Own, const T& Value, Set& Assigned, Member Which) {
    if (Assigned.Contains(Which) && Own == Value) return false;
    Own = Value;
    Assigned.Include(Which);
    return true;
}

// Copies a default font into an own one that follows it, with the own font's change event
// quiet (Quiet is the counter its handler checks), so the copy does not count as assigned.
inline void CopyDefaultFont(TFont* Own, TFont* Default, int& Quiet) {
    if (!Default || Default == Own || *Own == *Default) return;
    ++Quiet;
    Own->Assign(Default);
    --Quiet;
}

// A sum or average in the way the field shows its values (its display format, else by its type);
// "0" for a field that is not a number.
QString FooterTotalText(TField* Field, double Value);
