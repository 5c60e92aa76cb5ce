// Basic shapes shared by every layer: sets over enumerations, points and rectangles.
#pragma once

#include <cstdint>
#include <initializer_list>

// A set over a plain enumeration: bit n is member n, so stored masks keep their meaning.
template <typename E, int Bits = 64> class TSet {
public:
    constexpr TSet() = default;
    constexpr TSet(std::initializer_list<E> items) {
        for (E e : items)
            mask |= bit(e);
    }
    static constexpr TSet FromMask(uint64_t m) {
        TSet s;
        s.mask = m;
        return s;
    }
    constexpr bool Contains(E e) const { return (mask & bit(e)) != 0; }
    constexpr TSet& Include(E e) {
        mask |= bit(e);
        return *this;
    }
    constexpr TSet& Exclude(E e) {
        mask &= ~bit(e);
        return *this;
    }
    constexpr bool Empty() const { return mask == 0; }
    constexpr uint64_t Mask() const { return mask; }
    constexpr TSet operator+(const TSet& o) const { return FromMask(mask | o.mask); }
    constexpr TSet operator-(const TSet& o) const { return FromMask(mask & ~o.mask); }
    constexpr TSet operator*(const TSet& o) const { return FromMask(mask & o.mask); }
    constexpr TSet& operator+=(const TSet& o) {
        mask |= o.mask;
        return *this;
    }
    constexpr TSet& operator-=(const TSet& o) {
        mask &= ~o.mask;
        return *this;
    }
    constexpr bool operator==(const TSet& o) const = default;
    // True when every member of o is in this set.
    constexpr bool Includes(const TSet& o) const { return (mask & o.mask) == o.mask; }

private:
    static constexpr uint64_t bit(E e) { return uint64_t(1) << static_cast<int>(e); }
    uint64_t mask = 0;
};

struct TPoint {
    int X = 0;
    int Y = 0;
    constexpr bool operator==(const TPoint&) const = default;
};

#define KADRION_TYPES_HAS_TSIZE
struct TSize {
    int cx = 0;
    int cy = 0;
    constexpr bool operator==(const TSize&) const = default;
};

struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    constexpr int Width() const { return Right - Left; }
    constexpr int Height() const { return Bottom - Top; }
    constexpr bool operator==(const TRect&) const = default;
};

constexpr TPoint Point(int x, int y) {
    return TPoint{x, y};
}
constexpr TRect Rect(int l, int t, int r, int b) {
    return TRect{l, t, r, b};
}
// A point lies in a rectangle when Left <= X < Right and Top <= Y < Bottom.
constexpr bool PtInRect(const TRect& r, const TPoint& p) {
    return p.X >= r.Left && p.X < r.Right && p.Y >= r.Top && p.Y < r.Bottom;
}

// Number * Numerator / Denominator with a 64-bit product, rounded half away from zero;
// -1 when Denominator is 0.
constexpr int MulDiv(int number, int numerator, int denominator) {
    if (denominator == 0) return -1;
    int64_t p = int64_t(number) * numerator;
    int64_t d = denominator;
    bool neg = (p < 0) != (d < 0);
    if (p < 0) p = -p;
    if (d < 0) d = -d;
    int64_t q = (p + d / 2) / d;
    return int(neg ? -q : q);
}

// Days since 30.12.1899; the fraction is the time of day. 0.0 is the empty date.
using TDateTime = double;
