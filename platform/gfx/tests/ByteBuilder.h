// Little-endian integers appended to a byte array, for building BMP and ICO fixtures by hand.
#pragma once

#include <QByteArray>
#include <cstdint>

inline void put16(QByteArray& b, int v) {
    b.append(char(v & 0xFF));
    b.append(char((v >> 8) & 0xFF));
}

inline void put32(QByteArray& b, int64_t v) {
    for (int i = 0; i < 4; ++i)
        b.append(char((v >> (8 * i)) & 0xFF));
}
