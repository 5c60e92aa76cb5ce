// Guards for the work that must be undone or closed when a block is left by an exception.
//
// Both guards close explicitly on the normal path (End, or Dismiss when nothing is to be undone
// after success), so that an exception thrown while closing (an OnChange handler run by
// EndUpdate, say) reaches the caller as it would from a plain call. The destructor acts only
// when the block is left by an exception: it closes then and keeps that first exception,
// dropping any the closing itself raises.
#pragma once

#include <utility>

// Runs Action when the block is left by an exception. End() runs it at once, Dismiss() drops it.
template <typename F> class TScopeGuard {
public:
    explicit TScopeGuard(F Action) : action(std::move(Action)) {}
    TScopeGuard(const TScopeGuard&) = delete;
    TScopeGuard& operator=(const TScopeGuard&) = delete;
    ~TScopeGuard() {
        if (!armed) return;
        try {
            action();
        } catch (...) {
        }
    }

    void End() {
        armed = false;
        action();
    }
    void Dismiss() { armed = false; }

private:
    F action;
    bool armed = true;
};

// Opens a bracket on Target (Open) at once and closes it (Close) with End(), or when the block is
// left by an exception. TUpdateBracket<T> is the BeginUpdate/EndUpdate pair.
template <typename T, auto Open, auto Close> class TBracket {
public:
    explicit TBracket(T& Target) : target(&Target) { (target->*Open)(); }
    TBracket(const TBracket&) = delete;
    TBracket& operator=(const TBracket&) = delete;
    ~TBracket() {
        if (!target) return;
        try {
            (target->*Close)();
        } catch (...) {
        }
    }

    void End() { (std::exchange(target, nullptr)->*Close)(); }

private:
    T* target;
};

template <typename T> using TUpdateBracket = TBracket<T, &T::BeginUpdate, &T::EndUpdate>;
