// Report datasets: what a band that repeats per record walks - a record range with First,
// Next, Prior and Eof. The user dataset gets its data through events (and serves bands that
// repeat a fixed number of times).
#pragma once

#include "Classes.h"
#include "SysUtils.h"

#include <functional>

KADRION_EXCEPTION(EDSError, Exception)

enum TRangeBegin { rbFirst, rbCurrent };
enum TRangeEnd { reLast, reCurrent, reCount };

using TCheckEOFEvent = std::function<void(TObject* Sender, bool& Eof)>;

class TfrDataset : public TComponent {
    KADRION_CLASS(TfrDataset)
    explicit TfrDataset(TComponent* AOwner) : TComponent(AOwner) {}

    virtual void Init() {}
    virtual void Exit() {}
    virtual void First();
    virtual void Next();
    virtual void Prior();
    virtual bool Eof();

    TRangeBegin RangeBegin = rbFirst;
    TRangeEnd RangeEnd = reLast;
    int RangeEndCount = 0;
    TCheckEOFEvent OnCheckEOF;
    TNotifyEvent OnFirst;
    TNotifyEvent OnNext;
    TNotifyEvent OnPrior;
    int RecNo = 0;
};

class TfrUserDataset : public TfrDataset {
    KADRION_CLASS(TfrUserDataset)
    explicit TfrUserDataset(TComponent* AOwner) : TfrDataset(AOwner) {}
};
