// Timers: the Qt and the manual timer sources, and the timers of windows.
#include "Controls.h"
#include "UiInternal.h"

#include <QPointer>
#include <QTimer>

struct TQtTimerSource::Impl {
    std::map<int, QTimer*> timers;
    int nextId = 1;
};

TQtTimerSource::~TQtTimerSource() {
    if (impl)
        for (auto& [id, t] : impl->timers)
            delete t;
}

int TQtTimerSource::StartTimer(int IntervalMs, std::function<void()> Tick) {
    if (!impl) impl = std::make_unique<Impl>();
    int id = impl->nextId++;
    auto* t = new QTimer;
    t->setInterval(std::max(0, IntervalMs));
    QObject::connect(t, &QTimer::timeout, [Tick]() { Tick(); });
    impl->timers[id] = t;
    t->start();
    return id;
}

void TQtTimerSource::StopTimer(int Id) {
    if (!impl) return;
    auto it = impl->timers.find(Id);
    if (it == impl->timers.end()) return;
    it->second->stop();
    it->second->deleteLater();
    impl->timers.erase(it);
}

int TManualTimerSource::StartTimer(int IntervalMs, std::function<void()> Tick) {
    int iv = std::max(1, IntervalMs);
    timers.push_back(Timer{nextId, iv, now + iv, std::move(Tick)});
    return nextId++;
}

void TManualTimerSource::StopTimer(int Id) {
    for (auto it = timers.begin(); it != timers.end(); ++it)
        if (it->Id == Id) {
            timers.erase(it);
            return;
        }
}

void TManualTimerSource::Advance(int Ms) {
    int64_t target = now + std::max(0, Ms);
    for (;;) {
        // the earliest timer due by the target time (lowest id among equals)
        int best = -1;
        for (size_t i = 0; i < timers.size(); ++i)
            if (timers[i].Due <= target && (best < 0 || timers[i].Due < timers[size_t(best)].Due))
                best = int(i);
        if (best < 0) break;
        Timer& t = timers[size_t(best)];
        now = t.Due;
        t.Due += t.Interval;
        std::function<void()> tick = t.Tick; // the tick may stop or start timers
        tick();
    }
    now = target;
}

int TManualTimerSource::ActiveCount() const {
    return int(timers.size());
}

bool TManualTimerSource::IsActive(int Id) const {
    for (const Timer& t : timers)
        if (t.Id == Id) return true;
    return false;
}

int TManualTimerSource::Interval(int Id) const {
    for (const Timer& t : timers)
        if (t.Id == Id) return t.Interval;
    return -1;
}

namespace {
TTimerSource* currentTimerSource = nullptr;
TQtTimerSource& qtTimers() {
    static TQtTimerSource s;
    return s;
}
} // namespace

TTimerSource* GetTimerSource() {
    return currentTimerSource ? currentTimerSource : &qtTimers();
}

TTimerSource* SetTimerSource(TTimerSource* Source) {
    TTimerSource* old = GetTimerSource();
    currentTimerSource = Source;
    return old;
}

uintptr_t SetTimer(HWND Wnd, uintptr_t IDEvent, UINT Elapse) {
    TWndBridge* b = BridgeOf(Wnd);
    if (!b) return 0;
    KillTimer(Wnd, IDEvent);
    TTimerSource* src = GetTimerSource();
    QPointer<QWidget> guard(Wnd);
    int id = src->StartTimer(int(Elapse), [guard, Wnd, IDEvent]() {
        if (!guard) return;
        if (TWndBridge* bb = BridgeOf(Wnd)) bb->send(WM_TIMER, WPARAM(IDEvent), 0);
    });
    b->timers[IDEvent] = {src, id};
    return IDEvent;
}

bool KillTimer(HWND Wnd, uintptr_t IDEvent) {
    TWndBridge* b = BridgeOf(Wnd);
    if (!b) return false;
    auto it = b->timers.find(IDEvent);
    if (it == b->timers.end()) return false;
    it->second.first->StopTimer(it->second.second);
    b->timers.erase(it);
    return true;
}

void TWndBridge::killTimers() {
    for (auto& [id, t] : timers)
        t.first->StopTimer(t.second);
    timers.clear();
}
