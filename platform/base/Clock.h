// The one injectable clock: every read of the current date and time, every tick count and
// every pause goes through GetClock(), so tests install a TFakeClock and never wait.
#pragma once

#include "Types.h"

#include <cstdint>

class TClock {
public:
    virtual ~TClock() = default;
    // The local date and time.
    virtual TDateTime Now() = 0;
    // Milliseconds since some fixed moment (process start for the real clock); never goes back.
    virtual uint64_t TickCount() = 0;
    // Pauses the calling thread for ms milliseconds.
    virtual void Sleep(uint32_t ms) = 0;
};

// The real clock: local time of the machine, a monotonic timer, a real sleep.
class TSystemClock : public TClock {
public:
    TDateTime Now() override;
    uint64_t TickCount() override;
    void Sleep(uint32_t ms) override;
};

// A clock for tests: time stands still until set or advanced; Sleep advances it instead of
// waiting, and counts the time it was asked to sleep.
class TFakeClock : public TClock {
public:
    explicit TFakeClock(TDateTime now = 0.0, uint64_t tickCount = 0)
        : now_(now), ticks_(tickCount) {}
    TDateTime Now() override { return now_; }
    uint64_t TickCount() override { return ticks_; }
    void Sleep(uint32_t ms) override {
        Slept += ms;
        ++SleepCalls;
        Advance(ms);
    }
    void SetNow(TDateTime now) { now_ = now; }
    void SetTickCount(uint64_t ticks) { ticks_ = ticks; }
    // Moves both the date-time and the tick count forward.
    void Advance(uint64_t ms);

    // Total milliseconds and number of Sleep calls so far.
    uint64_t Slept = 0;
    int SleepCalls = 0;

private:
    TDateTime now_;
    uint64_t ticks_;
};

// The clock in use (the real one unless replaced).
TClock* GetClock();
// Installs a clock (not owned) and returns the previous one; nullptr restores the real clock.
TClock* SetClock(TClock* clock);

// Installs a clock for the lifetime of the guard.
class TClockSwap {
public:
    explicit TClockSwap(TClock* clock) : previous(SetClock(clock)) {}
    ~TClockSwap() { SetClock(previous); }
    TClockSwap(const TClockSwap&) = delete;
    TClockSwap& operator=(const TClockSwap&) = delete;

private:
    TClock* previous;
};

// Milliseconds from the clock; the 32-bit form wraps as the platform's does (about 49.7 days).
uint32_t GetTickCount();
uint64_t GetTickCount64();
// Pauses through the clock.
void Sleep(uint32_t ms);
