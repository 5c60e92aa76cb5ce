// Every test runs on a freshly started engine; bytes from a list of values.
#pragma once

#include "FR_Class.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

class EngineTest : public ::testing::Test {
protected:
    void SetUp() override { frStartEngine(); }
    void TearDown() override { frStopEngine(); }
};

// Bytes from a list of values 0..255.
inline QByteArray bytes(std::initializer_list<int> b) {
    QByteArray r;
    for (int x : b)
        r.append(char(x));
    return r;
}

// A band view of a type on a page, across Width from the left edge.
inline TfrBandView* addBand(TfrPage* Page, int Type, int Top, int Width, int Height,
                            const QString& Source = QString()) {
    auto* b = static_cast<TfrBandView*>(frCreateObject(gtBand, QString()));
    b->ParentPage = Page;
    Page->Objects.Add(b);
    b->SetBounds(0, Top, Width, Height);
    b->SetBandType(Type);
    b->SetDataSet(Source);
    return b;
}

// Gives the platform printer back its settings after a test that sets them up.
class DeviceModeKeeper {
public:
    DeviceModeKeeper() : mode(Printer()->GetDeviceMode()) {}
    ~DeviceModeKeeper() { Printer()->SetDeviceMode(mode); }

private:
    TDeviceMode mode;
};
