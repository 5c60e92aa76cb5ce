// Small helpers shared by the graphics sources (not part of the interface).
#pragma once

#include "Graphics.h"

#include <QImage>
#include <QRect>
#include <cstdint>
#include <cstdlib>

namespace gfx {

inline QRect toQRect(const TRect& r) {
    return QRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
}
inline TRect fromQRect(const QRect& r) {
    return TRect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}
// Right/Bottom swapped into order.
inline TRect normalized(const TRect& r) {
    return TRect{std::min(r.Left, r.Right), std::min(r.Top, r.Bottom), std::max(r.Left, r.Right),
                 std::max(r.Top, r.Bottom)};
}

// 0x00BBGGRR <-> the 0xAARRGGBB of QImage pixels.
inline uint32_t colorToPixel(TColor c) {
    uint32_t v = uint32_t(ColorToRGB(c == clDefault ? clBlack : c));
    return 0xFF000000u | ((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF);
}
inline TColor pixelToColor(uint32_t p) {
    return TColor(((p >> 16) & 0xFF) | (p & 0xFF00) | ((p & 0xFF) << 16));
}

// Little-endian integers appended to a byte array (BMP and ICO headers).
inline void put16(QByteArray& b, uint16_t v) {
    b.append(char(v & 0xFF));
    b.append(char(v >> 8));
}
inline void put32(QByteArray& b, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b.append(char((v >> (8 * i)) & 0xFF));
}

// Thrown by DecodeDib on bad data; the callers turn it into their EInvalidGraphic text.
struct DibError {};

struct DecodedDib {
    QImage Image; // RGB32, or ARGB32 for a 32-bit icon image
    TPixelFormat Format = pf24bit;
    TPalette Palette;
    int Bpp = 24;
    qsizetype PixelsEnd = 0; // offset after the (uncompressed) pixels
};

// A packed DIB: info header (core, info, V4, V5), masks, palette, pixels. PixelsAt is the offset
// of the pixels from the start of the data, or -1 for right after the palette. Icon images
// have a doubled height (the AND mask follows the pixels) and keep their alpha.
DecodedDib DecodeDib(const QByteArray& Dib, qsizetype PixelsAt, bool Icon);

} // namespace gfx
