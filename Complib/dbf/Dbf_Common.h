// Shared pieces of the dBase table engine: errors, table levels, byte helpers.
#pragma once

#include "SysUtils.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <cstring>

// Errors of the engine: file format, locks and indexes.
KADRION_EXCEPTION(EDbfError, Exception)
// Errors about the table's fields met while compiling an index expression.
KADRION_EXCEPTION(EDbfFile, EDbfError)

// Internal table levels (set from the version byte at open, from TableLevel at create).
enum TXBaseVersion {
    xUnknown = 0,
    xBaseIII = 2,
    xBaseIV = 3,
    xBaseVII = 5,
    xFoxPro = 6,
    xVisualFoxPro = 7
};

// Modes of a paged file: sharing, creation and locking.
enum TPagedFileMode {
    pfNone = 0,
    pfMemory = 1,
    pfExclusiveCreate = 2,
    pfExclusiveOpen = 3,
    pfReadWriteCreate = 4,
    pfReadWriteOpen = 5,
    pfReadOnly = 6
};

enum TDateTimeHandling { dtDateTime, dtBDETimeStamp };

// ---- byte helpers -----------------------------------------------------------------------

inline uint16_t GetU16LE(const void* p) {
    auto b = static_cast<const uint8_t*>(p);
    return uint16_t(b[0] | (b[1] << 8));
}
inline uint32_t GetU32LE(const void* p) {
    auto b = static_cast<const uint8_t*>(p);
    return uint32_t(b[0]) | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) | (uint32_t(b[3]) << 24);
}
inline void PutU16LE(void* p, uint16_t v) {
    auto b = static_cast<uint8_t*>(p);
    b[0] = uint8_t(v);
    b[1] = uint8_t(v >> 8);
}
inline void PutU32LE(void* p, uint32_t v) {
    auto b = static_cast<uint8_t*>(p);
    for (int i = 0; i < 4; ++i)
        b[i] = uint8_t(v >> (8 * i));
}
inline uint32_t GetU32BE(const void* p) {
    auto b = static_cast<const uint8_t*>(p);
    return (uint32_t(b[0]) << 24) | (uint32_t(b[1]) << 16) | (uint32_t(b[2]) << 8) | uint32_t(b[3]);
}
inline void PutU32BE(void* p, uint32_t v) {
    auto b = static_cast<uint8_t*>(p);
    for (int i = 0; i < 4; ++i)
        b[i] = uint8_t(v >> (24 - 8 * i));
}
inline uint64_t GetU64BE(const void* p) {
    auto b = static_cast<const uint8_t*>(p);
    uint64_t v = 0;
    for (int i = 0; i < 8; ++i)
        v = (v << 8) | b[i];
    return v;
}
inline void PutU64BE(void* p, uint64_t v) {
    auto b = static_cast<uint8_t*>(p);
    for (int i = 7; i >= 0; --i) {
        b[i] = uint8_t(v);
        v >>= 8;
    }
}
inline bool IsAllZero(const void* p, int n) {
    auto b = static_cast<const uint8_t*>(p);
    for (int i = 0; i < n; ++i)
        if (b[i]) return false;
    return true;
}

// Raises EDbfError with a message made by Format.
[[noreturn]] void DbfError(const QString& fmt, std::initializer_list<TFormatArg> args = {});
