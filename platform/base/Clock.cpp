#include "Clock.h"

#include "Dates.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QThread>
#include <atomic>

TDateTime TSystemClock::Now() {
    const QDateTime now = QDateTime::currentDateTime();
    const QDate d = now.date();
    const QTime t = now.time();
    return EncodeDateTime(d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second(), t.msec());
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
