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
    position();
    if (current < 1)
        current = 0;
    else
        --current;
    return current > 0;
}

int TDbfCursor::position() {
    if (current == AfterLast) {
        int count = file->GetRecordCount();
        current = count > 0 ? count + 1 : 0;
    }
    return current;
}
