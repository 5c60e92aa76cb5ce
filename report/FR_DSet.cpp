#include "FR_DSet.h"

void TfrDataset::First() {
    RecNo = 0;
    if (OnFirst) OnFirst(this);
}

void TfrDataset::Next() {
    ++RecNo;
    if (!(RangeEnd == reCount && RecNo >= RangeEndCount) && OnNext) OnNext(this);
}

void TfrDataset::Prior() {
    --RecNo;
    if (OnPrior) OnPrior(this);
}

bool TfrDataset::Eof() {
    bool result = RangeEnd == reCount && RecNo >= RangeEndCount;
    if (OnCheckEOF) OnCheckEOF(this, result);
    return result;
}
