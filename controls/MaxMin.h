// The greater and the smaller of two signed 32-bit integers (on equality either).
#pragma once

#include <cstdint>

constexpr int32_t Max(int32_t A, int32_t B) {
    return A > B ? A : B;
}
constexpr int32_t Min(int32_t A, int32_t B) {
    return A < B ? A : B;
}
