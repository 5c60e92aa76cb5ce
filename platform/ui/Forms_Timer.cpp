// TTimer: a component that calls OnTimer at its interval through the timer source.
#include "Forms.h"

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) {}

TTimer::~TTimer() {
    if (timerId && source) source->StopTimer(timerId);
}

void TTimer::SetEnabled(bool Value) {
    if (enabled != Value) {
        enabled = Value;
        update();
    }
}

void TTimer::SetInterval(unsigned Value) {
    if (interval != Value) {
        interval = Value;
        update();
    }
}

void TTimer::SetOnTimer(TNotifyEvent Value) {
    OnTimer = std::move(Value);
    update();
}

void TTimer::Loaded() {
    TComponent::Loaded();
    update();
}

void TTimer::update() {
    if (timerId && source) source->StopTimer(timerId);
    timerId = 0;
    source = nullptr;
    if (!enabled || interval == 0 || IsLoading() || IsDestroying()) return;
    source = GetTimerSource();
    timerId =
        source->StartTimer(int(interval), [this]() { GuardedCall([this] { Timer(); }, this); });
}

void TTimer::Timer() {
    if (OnTimer) OnTimer(this);
}
