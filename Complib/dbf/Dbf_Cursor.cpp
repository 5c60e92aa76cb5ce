#include "Dbf_Cursor.h"

bool TDbfCursor::Next() {
    int count = file->GetRecordCount();
    if (count < current)
        current = count + 1;
    else
        ++current;
    return current <= count;
}

bool TDbfCursor::Prev() {
    if (current < 1)
        current = 0;
    else
        --current;
    return current > 0;
}

void TDbfCursor::Last() {
    int count = file->GetRecordCount();
    current = count > 0 ? count + 1 : 0;
}
