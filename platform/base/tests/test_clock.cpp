#include "Clock.h"
#include "Dates.h"

#include <QDateTime>
#include <gtest/gtest.h>

TEST(Clock, FakeClockSleepsByAdvancing) {
    TFakeClock fake(EncodeDateTime(2024, 12, 31, 23, 59, 59, 500), 1000);
    TClockSwap swap(&fake);
    EXPECT_EQ(GetClock(), &fake);
    Sleep(700);
    EXPECT_EQ(GetTickCount64(), 1700u);
    EXPECT_EQ(fake.Slept, 700u);
    EXPECT_EQ(fake.SleepCalls, 1);
    // Into the next year, to the millisecond.
    EXPECT_EQ(FormatDateTime("dd.mm.yyyy hh:nn:ss.zzz", Now()), "01.01.2025 00:00:00.200");

    // Many small steps do not drift.
    for (int i = 0; i < 86400; ++i)
        fake.Advance(1000);
    EXPECT_EQ(FormatDateTime("dd.mm.yyyy hh:nn:ss.zzz", Now()), "02.01.2025 00:00:00.200");
}

TEST(Clock, TickCountWrapsAt32Bits) {
    TFakeClock fake(0, 0xFFFFFFF0ull);
    TClockSwap swap(&fake);
    EXPECT_EQ(GetTickCount(), 0xFFFFFFF0u);
    fake.Advance(0x20);
    EXPECT_EQ(GetTickCount(), 0x10u);
    EXPECT_EQ(GetTickCount64(), 0x100000010ull);
}

TEST(Clock, SwapRestoresTheRealClock) {
    TClock* real = GetClock();
    {
        TFakeClock outer(1.0), inner(2.0);
        TClockSwap a(&outer);
        {
            TClockSwap b(&inner);
            EXPECT_EQ(Now(), 2.0);
        }
        EXPECT_EQ(Now(), 1.0);
    }
    EXPECT_EQ(GetClock(), real);
    EXPECT_EQ(SetClock(nullptr), real);
    // The real clock reads the machine's local time.
    const QDateTime qt = QDateTime::currentDateTime();
    const TDateTime ours = Now();
    const TDateTime expected =
        EncodeDateTime(qt.date().year(), qt.date().month(), qt.date().day(), qt.time().hour(),
                       qt.time().minute(), qt.time().second(), qt.time().msec());
    EXPECT_LT(std::abs(ours - expected) * SecsPerDay, 5.0);
    const uint64_t t1 = GetTickCount64();
    EXPECT_GE(GetTickCount64(), t1);
}
