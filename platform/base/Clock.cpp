#include "Clock.h"

#include "Dates.h"

#include <QElapsedTimer>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <ctime>

TDateTime TSystemClock::Now() {
    // The time zone is read once; each reading after that asks the system nothing beyond the
    // time itself (QDateTime's local time looks at the zone file every time).
    static const bool zoneRead = [] {
        tzset();
        return true;
    }();
    (void)zoneRead;
    timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    struct tm local;
    localtime_r(&ts.tv_sec, &local);
    return EncodeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                          local.tm_min, std::min(local.tm_sec, 59), int(ts.tv_nsec / 1000000));
}

uint64_t TSystemClock::TickCount() {
    static const QElapsedTimer timer = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return uint64_t(timer.elapsed());
}

void TSystemClock::Sleep(uint32_t ms) {
    QThread::msleep(ms);
}

void TFakeClock::Advance(uint64_t ms) {
    ticks_ += ms;
    // Through whole milliseconds, so that repeated small steps do not drift.
    TTimeStamp ts = DateTimeToTimeStamp(now_);
    if (ts.Date < 1) {
        now_ += double(ms) / MSecsPerDay;
        return;
    }
    now_ = [&] {
        const TTimeStamp next = MSecsToTimeStamp(TimeStampToMSecs(ts) + double(ms));
        return TimeStampToDateTime(next);
    }();
}

namespace {

TSystemClock systemClock;
std::atomic<TClock*> currentClock{nullptr};

} // namespace

TClock* GetClock() {
    TClock* c = currentClock.load();
    return c ? c : &systemClock;
}

TClock* SetClock(TClock* clock) {
    TClock* previous = currentClock.exchange(clock);
    return previous ? previous : &systemClock;
}

uint32_t GetTickCount() {
    return uint32_t(GetClock()->TickCount());
}

uint64_t GetTickCount64() {
    return GetClock()->TickCount();
}

void Sleep(uint32_t ms) {
    GetClock()->Sleep(ms);
}
