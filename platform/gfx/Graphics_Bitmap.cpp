// Graphics base class, palettes and bitmaps with the Windows BMP format.
#include "GfxInternal.h"
#include "Graphics.h"

#include <QPainter>
#include <cstring>
#include <unordered_map>

using gfx::colorToPixel;
using gfx::pixelToColor;

QByteArray ReadRestOfStream(TStream* Stream) {
    return Stream->ReadAll();
}

// ---- TGraphic ----

void TGraphic::SetModified(bool Value) {
    if (Value)
        Changed();
    else
        modified = false;
}

void TGraphic::SetTransparent(bool Value) {
    if (Value == transparent) return;
    transparent = Value;
    Changed();
}

void TGraphic::LoadFromFile(const QString& FileName) {
    TFileStream s(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&s);
}

void TGraphic::SaveToFile(const QString& FileName) {
    TFileStream s(FileName, fmCreate);
    SaveToStream(&s);
}

void TGraphic::LoadFromClipboardFormat(uint16_t, const QByteArray&) {
    throw EInvalidGraphic(QStringLiteral("Unsupported clipboard format"));
}

void TGraphic::SaveToClipboardFormat(uint16_t&, QByteArray&) {
    throw EInvalidGraphic(QStringLiteral("Unsupported clipboard format"));
}

void TGraphic::Changed() {
    modified = true;
    if (OnChange) OnChange(this);
}

// ---- TPalette ----

int TPalette::NearestIndex(TColor Color) const {
    int best = -1;
    int bestD = 0;
    uint32_t c = uint32_t(ColorToRGB(Color));
    for (int i = 0; i < Count(); ++i) {
        uint32_t e = uint32_t(Entries[size_t(i)]);
        int dr = GetRValue(c) - GetRValue(e), dg = GetGValue(c) - GetGValue(e),
            db = GetBValue(c) - GetBValue(e);
        int d = dr * dr + dg * dg + db * db;
        if (best < 0 || d < bestD) {
            best = i;
            bestD = d;
            if (d == 0) break;
        }
    }
    return best;
}

TPalette TPalette::Default(int Count) {
    static const TColor vga[16] = {clBlack, clMaroon,  clGreen, clOlive, clNavy, clPurple,
                                   clTeal,  clSilver,  clGray,  clRed,   clLime, clYellow,
                                   clBlue,  clFuchsia, clAqua,  clWhite};
    TPalette p;
    if (Count <= 2) {
        p.Entries = {clBlack, clWhite};
        return p;
    }
    p.Entries.assign(vga, vga + 16);
    if (Count <= 16) return p;
    static const int levels[6] = {0, 51, 102, 153, 204, 255};
    for (int r : levels)
        for (int g : levels)
            for (int b : levels)
                p.Entries.push_back(TColor(RGB(r, g, b)));
    for (int i = 0; p.Entries.size() < 256; ++i) {
        int v = 8 + i * 10;
        p.Entries.push_back(TColor(RGB(v, v, v)));
    }
    return p;
}

// ---- the bitmap's canvas ----

class TBitmapCanvas : public TCanvas {
    KADRION_CLASS(TBitmapCanvas)
    explicit TBitmapCanvas(TBitmap* B) : bmp(B) {}
    ~TBitmapCanvas() override { FreeHandle(); }
    TSize GetDeviceSize() override { return TSize{bmp->image.width(), bmp->image.height()}; }
    bool IsMonochrome() const override { return bmp->GetMonochrome(); }

protected:
    void CreateHandle() override {
        if (!bmp->image.isNull()) BeginOwnPainter(&bmp->image);
    }
    QImage* DirectImage() override {
        if (bmp->image.isNull()) return nullptr;
        // Writing into a shared image would detach it from under the painter.
        if (!bmp->image.isDetached()) FreeHandle();
        return &bmp->image;
    }
    void Changed() override {
        TCanvas::Changed();
        bmp->Changed();
    }

private:
    TBitmap* bmp;
};

// ---- TBitmap ----

TBitmap::TBitmap() = default;

TBitmap::TBitmap(int Width, int Height) {
    SetSize(Width, Height);
}

TBitmap::~TBitmap() {
    // The canvas's painter must end before the image goes.
    canvas.reset();
}

void TBitmap::endPaint() {
    if (canvas) canvas->FreeHandle();
}

TCanvas* TBitmap::GetCanvas() {
    if (!canvas) canvas = std::make_unique<TBitmapCanvas>(this);
    return canvas.get();
}

void TBitmap::Changed() {
    TGraphic::Changed();
}

std::unique_ptr<TGraphic> TBitmap::Clone() const {
    auto b = std::make_unique<TBitmap>();
    b->Assign(const_cast<TBitmap*>(this));
    return b;
}

void TBitmap::Assign(TPersistent* Source) {
    if (Source == this) return;
    if (!Source) {
        SetSize(0, 0);
        return;
    }
    if (auto* b = dynamic_cast<TBitmap*>(Source)) {
        endPaint();
        image = b->image.copy();
        emptyWidth = b->emptyWidth;
        emptyHeight = b->emptyHeight;
        pixelFormat = b->pixelFormat;
        handleType = b->handleType;
        palette = b->palette;
        transparent = b->transparent;
        transparentMode = b->transparentMode;
        transparentColor = b->transparentColor;
        Changed();
        return;
    }
    if (auto* g = dynamic_cast<TGraphic*>(Source)) {
        // Any other graphic is drawn on a white bitmap of its size.
        endPaint();
        QImage img(g->GetWidth(), g->GetHeight(), QImage::Format_RGB32);
        img.fill(Qt::white);
        if (!img.isNull()) {
            QPainter p(&img);
            p.drawImage(0, 0, g->ToImage());
        }
        image = img;
        emptyWidth = emptyHeight = 0;
        pixelFormat = pf24bit;
        Changed();
        return;
    }
    TGraphic::Assign(Source);
}

void TBitmap::SetWidth(int Value) {
    SetSize(Value, GetHeight());
}

void TBitmap::SetHeight(int Value) {
    SetSize(GetWidth(), Value);
}

void TBitmap::SetSize(int AWidth, int AHeight) {
    AWidth = std::max(0, AWidth);
    AHeight = std::max(0, AHeight);
    if (AWidth == GetWidth() && AHeight == GetHeight()) return;
    endPaint();
    emptyWidth = emptyHeight = 0;
    if (AWidth == 0 || AHeight == 0) {
        image = QImage();
        emptyWidth = AWidth;
        emptyHeight = AHeight;
    } else {
        QImage img(AWidth, AHeight, QImage::Format_RGB32);
        if (img.isNull()) throw EOutOfResources(QStringLiteral("Out of system resources"));
        img.fill(0xFF000000u);
        int w = std::min(AWidth, image.width()), h = std::min(AHeight, image.height());
        for (int y = 0; y < h; ++y)
            std::memcpy(img.scanLine(y), image.constScanLine(y), size_t(w) * 4);
        image = img;
    }
    Changed();
}

static int formatBits(TPixelFormat f) {
    switch (f) {
    case pf1bit:
        return 1;
    case pf4bit:
        return 4;
    case pf8bit:
        return 8;
    case pf15bit:
    case pf16bit:
        return 16;
    case pf32bit:
        return 32;
    default:
        return 24;
    }
}

TPalette TBitmap::GetPalette() const {
    int bits = formatBits(pixelFormat);
    if (bits > 8) return TPalette();
    if (palette.Empty()) return TPalette::Default(1 << bits);
    return palette;
}

void TBitmap::SetPalette(const TPalette& Value) {
    palette = Value;
    if (palette.Count() > 256) palette.Entries.resize(256);
    reduceToFormat();
    Changed();
}

void TBitmap::SetPixelFormat(TPixelFormat Value) {
    if (Value == pixelFormat) return;
    pixelFormat = Value;
    int bits = formatBits(Value);
    if (bits <= 8 && palette.Count() > (1 << bits)) palette = TPalette();
    reduceToFormat();
    Changed();
}

void TBitmap::SetMonochrome(bool Value) {
    if (Value == GetMonochrome()) return;
    if (!Value) {
        SetPixelFormat(pfDevice);
        return;
    }
    // As a copy onto a monochrome device: the canvas's background (brush) colour becomes
    // white, every other colour black.
    endPaint();
    const uint32_t key =
        colorToPixel(canvas ? canvas->GetBrush()->GetColor() : clWhite) & 0xFFFFFFu;
    for (int y = 0; y < image.height(); ++y) {
        auto* p = reinterpret_cast<uint32_t*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            p[x] = (p[x] & 0xFFFFFFu) == key ? 0xFFFFFFFFu : 0xFF000000u;
    }
    pixelFormat = pf1bit;
    palette = TPalette();
    Changed();
}

// Existing pixels take the colours the format can hold.
void TBitmap::reduceToFormat() {
    if (image.isNull()) return;
    int bits = formatBits(pixelFormat);
    if (bits > 16) return;
    endPaint();
    TPalette pal = GetPalette();
    std::unordered_map<uint32_t, uint32_t> cache;
    for (int y = 0; y < image.height(); ++y) {
        auto* p = reinterpret_cast<uint32_t*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            uint32_t v = p[x] & 0xFFFFFFu;
            uint32_t out;
            if (bits == 16) {
                int r = (v >> 16) & 0xFF, g = (v >> 8) & 0xFF, b = v & 0xFF;
                int gb = pixelFormat == pf16bit ? 6 : 5;
                auto q = [](int c, int nb) {
                    int m = (1 << nb) - 1;
                    int k = (c * m + 127) / 255;
                    return (k * 255 + m / 2) / m;
                };
                out = 0xFF000000u | (uint32_t(q(r, 5)) << 16) | (uint32_t(q(g, gb)) << 8) |
                      uint32_t(q(b, 5));
            } else {
                auto it = cache.find(v);
                if (it != cache.end()) {
                    out = it->second;
                } else {
                    int idx = pal.NearestIndex(pixelToColor(v));
                    out = colorToPixel(pal.Entries[size_t(idx)]);
                    cache.emplace(v, out);
                }
            }
            p[x] = out;
        }
    }
}

TColor TBitmap::GetTransparentColor() const {
    if (transparentMode == tmFixed && transparentColor != clDefault) return transparentColor;
    if (image.isNull()) return clDefault;
    return pixelToColor(image.pixel(0, image.height() - 1));
}

void TBitmap::SetTransparentColor(TColor Value) {
    transparentColor = Value;
    transparentMode = Value == clDefault ? tmAuto : tmFixed;
    Changed();
}

void TBitmap::SetTransparentMode(TTransparentMode Value) {
    if (Value == transparentMode) return;
    if (Value == tmAuto)
        transparentColor = clDefault;
    else
        transparentColor = GetTransparentColor();
    transparentMode = Value;
    Changed();
}

void* TBitmap::ScanLine(int Row) {
    if (Row < 0 || Row >= image.height())
        throw EInvalidGraphicOperation(QStringLiteral("Scan line index out of range"));
    if (!image.isDetached()) endPaint();
    return image.scanLine(Row);
}

const QImage& TBitmap::GetImage() {
    endPaint();
    return image;
}

void TBitmap::SetImage(const QImage& Image) {
    endPaint();
    image = Image.isNull() ? QImage() : Image.convertToFormat(QImage::Format_RGB32).copy();
    emptyWidth = emptyHeight = 0;
    if (pixelFormat != pfDevice) reduceToFormat();
    Changed();
}

QImage TBitmap::ToImage() const {
    if (image.isNull()) return QImage();
    if (!transparent) return image.copy();
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    const uint32_t key = colorToPixel(GetTransparentColor()) & 0xFFFFFFu;
    for (int y = 0; y < out.height(); ++y) {
        auto* p = reinterpret_cast<uint32_t*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x)
            if ((p[x] & 0xFFFFFFu) == key) p[x] = 0;
    }
    return out;
}

void TBitmap::Draw(TCanvas* ACanvas, const TRect& Rect) {
    if (image.isNull()) return;
    // Raster operations, monochrome colouring and exact pixels on images go through
    // StretchBlt (it reads a copy first, so drawing a bitmap onto itself is fine).
    if (!transparent &&
        (ACanvas->GetCopyMode() != cmSrcCopy || GetMonochrome() || ACanvas->DirectImage())) {
        ACanvas->StretchBlt(Rect, GetCanvas(), TRect{0, 0, GetWidth(), GetHeight()},
                            ACanvas->GetCopyMode());
        return;
    }
    QPainter* p = ACanvas->GetHandle();
    if (!p) return;
    QImage src = ToImage();
    TRect r = gfx::normalized(Rect);
    p->save();
    p->setRenderHint(QPainter::SmoothPixmapTransform, false);
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    p->drawImage(gfx::toQRect(r), src);
    p->restore();
}

void TBitmap::Mask(TColor TransparentColor) {
    std::unique_ptr<TBitmap> m = CreateMask(TransparentColor);
    endPaint();
    image = m->image;
    emptyWidth = emptyHeight = 0;
    pixelFormat = pf1bit;
    palette = TPalette();
    Changed();
}

std::unique_ptr<TBitmap> TBitmap::CreateMask(TColor Color) const {
    auto m = std::make_unique<TBitmap>();
    if (image.isNull()) return m;
    QImage img(image.size(), QImage::Format_RGB32);
    const uint32_t key = colorToPixel(Color) & 0xFFFFFFu;
    for (int y = 0; y < img.height(); ++y) {
        const auto* s = reinterpret_cast<const uint32_t*>(image.constScanLine(y));
        auto* d = reinterpret_cast<uint32_t*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x)
            d[x] = (s[x] & 0xFFFFFFu) == key ? 0xFFFFFFFFu : 0xFF000000u;
    }
    m->image = img;
    m->pixelFormat = pf1bit;
    return m;
}

// ---- BMP reading ----

namespace {

[[noreturn]] void badBitmap() {
    throw gfx::DibError();
}

uint16_t rd16(const QByteArray& b, qsizetype at) {
    if (at < 0 || at + 2 > b.size()) badBitmap();
    auto* p = reinterpret_cast<const uint8_t*>(b.constData()) + at;
    return uint16_t(p[0] | (p[1] << 8));
}

uint32_t rd32(const QByteArray& b, qsizetype at) {
    if (at < 0 || at + 4 > b.size()) badBitmap();
    auto* p = reinterpret_cast<const uint8_t*>(b.constData()) + at;
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

// Turns a masked channel value into 0..255.
struct Channel {
    int shift = 0;
    uint32_t max = 0;
    explicit Channel(uint32_t mask) {
        if (!mask) return;
        while (!(mask & 1)) {
            mask >>= 1;
            ++shift;
        }
        max = mask;
    }
    int get(uint32_t v) const {
        if (!max) return 0;
        uint32_t c = (v >> shift) & max;
        return int((uint64_t(c) * 255 + max / 2) / max);
    }
};

} // namespace

gfx::DecodedDib gfx::DecodeDib(const QByteArray& dib, qsizetype pixelsAt, bool icon) {
    const uint32_t headerSize = rd32(dib, 0);
    int64_t width, height;
    int bpp;
    uint32_t compression = 0;
    uint32_t clrUsed = 0;
    bool core = headerSize == 12;
    if (core) {
        width = rd16(dib, 4);
        height = int16_t(rd16(dib, 6));
        bpp = rd16(dib, 10);
    } else if (headerSize == 16 || headerSize == 40 || headerSize == 52 || headerSize == 56 ||
               headerSize == 64 || headerSize == 108 || headerSize == 124) {
        // The short OS/2 2.x header stops after the depth; the rest count as zero.
        width = int32_t(rd32(dib, 4));
        height = int32_t(rd32(dib, 8));
        bpp = rd16(dib, 14);
        compression = headerSize >= 40 ? rd32(dib, 16) : 0;
        clrUsed = headerSize >= 40 ? rd32(dib, 32) : 0;
    } else {
        badBitmap();
    }
    const bool topDown = height < 0;
    if (topDown) height = -height;
    if (icon) height /= 2;
    if (width <= 0 || height <= 0 || width > 65535 || height > 65535 ||
        width * height > (int64_t(1) << 26) || (icon && (width > 1024 || height > 1024)))
        badBitmap();
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) badBitmap();
    if (headerSize == 64 && compression == 3) badBitmap(); // OS/2 Huffman coding is not supported
    if (compression != 0 && compression != 1 && compression != 2 && compression != 3 &&
        compression != 6)
        badBitmap();
    if ((compression == 1 && bpp != 8) || (compression == 2 && bpp != 4) ||
        ((compression == 3 || compression == 6) && bpp != 16 && bpp != 32))
        badBitmap();
    if (topDown && (compression == 1 || compression == 2)) badBitmap();

    qsizetype pos = qsizetype(headerSize);
    uint32_t rMask = 0, gMask = 0, bMask = 0;
    if (bpp == 16) {
        rMask = 0x7C00;
        gMask = 0x03E0;
        bMask = 0x001F;
    } else if (bpp == 32) {
        rMask = 0xFF0000;
        gMask = 0xFF00;
        bMask = 0xFF;
    }
    if (compression == 3 || compression == 6) {
        qsizetype at = headerSize >= 52 ? 40 : pos;
        rMask = rd32(dib, at);
        gMask = rd32(dib, at + 4);
        bMask = rd32(dib, at + 8);
        if (headerSize < 52) pos += compression == 6 ? 16 : 12;
    }

    DecodedDib out;
    out.Bpp = bpp;
    if (bpp <= 8) {
        uint32_t n = clrUsed ? std::min<uint32_t>(clrUsed, 256) : (1u << bpp);
        const int entry = core ? 3 : 4;
        for (uint32_t i = 0; i < n; ++i) {
            qsizetype at = pos + qsizetype(i) * entry;
            if (at + 3 > dib.size()) badBitmap();
            auto* p = reinterpret_cast<const uint8_t*>(dib.constData()) + at;
            out.Palette.Entries.push_back(TColor(RGB(p[2], p[1], p[0])));
        }
        pos += qsizetype(clrUsed ? clrUsed : (1u << bpp)) * entry;
    }
    if (pixelsAt < 0 || pixelsAt >= dib.size()) pixelsAt = pos;

    const int w = int(width), h = int(height);
    if (compression != 1 && compression != 2) {
        // All the pixels must be there before anything is allocated for them.
        const qsizetype stride = ((qsizetype(w) * bpp + 31) / 32) * 4;
        if (pixelsAt + stride * (h - 1) + (qsizetype(w) * bpp + 7) / 8 > dib.size()) badBitmap();
    }
    QImage img(w, h, QImage::Format_RGB32);
    if (img.isNull()) badBitmap();
    img.fill(0xFF000000u);
    bool anyAlpha = false;
    auto palColor = [&](int idx) -> uint32_t {
        if (idx < 0 || idx >= out.Palette.Count()) return 0xFF000000u;
        return colorToPixel(out.Palette.Entries[size_t(idx)]);
    };
    const auto* data = reinterpret_cast<const uint8_t*>(dib.constData());
    const qsizetype size = dib.size();

    if (compression == 1 || compression == 2) {
        // Run-length coded, bottom-up: (count, value) runs, escapes 0/0 end of line,
        // 0/1 end of bitmap, 0/2 dx dy move, 0/n n literal values padded to a word.
        int x = 0, y = h - 1;
        qsizetype p = pixelsAt;
        const bool four = compression == 2;
        auto put = [&](int idx) {
            if (x >= 0 && x < w && y >= 0 && y < h)
                reinterpret_cast<uint32_t*>(img.scanLine(y))[x] = palColor(idx);
            ++x;
        };
        while (p + 1 < size) {
            int count = data[p], value = data[p + 1];
            p += 2;
            if (count > 0) {
                for (int i = 0; i < count; ++i)
                    put(four ? ((i & 1) ? (value & 0x0F) : (value >> 4)) : value);
            } else if (value == 0) {
                x = 0;
                --y;
            } else if (value == 1) {
                break;
            } else if (value == 2) {
                if (p + 1 >= size) badBitmap();
                x += data[p];
                y -= data[p + 1];
                p += 2;
            } else {
                int bytes = four ? (value + 1) / 2 : value;
                if (p + bytes > size) badBitmap();
                for (int i = 0; i < value; ++i) {
                    int b = four ? data[p + i / 2] : data[p + i];
                    put(four ? ((i & 1) ? (b & 0x0F) : (b >> 4)) : b);
                }
                p += bytes + (bytes & 1);
            }
            if (y < 0) break;
        }
    } else {
        const qsizetype stride = ((qsizetype(w) * bpp + 31) / 32) * 4;
        if (pixelsAt + stride * (h - 1) + (qsizetype(w) * bpp + 7) / 8 > size) badBitmap();
        out.PixelsEnd = pixelsAt + stride * h;
        Channel cr(rMask), cg(gMask), cb(bMask);
        for (int row = 0; row < h; ++row) {
            const uint8_t* s = data + pixelsAt + stride * row;
            int y = topDown ? row : h - 1 - row;
            auto* d = reinterpret_cast<uint32_t*>(img.scanLine(y));
            for (int x = 0; x < w; ++x) {
                switch (bpp) {
                case 1:
                    d[x] = palColor((s[x >> 3] >> (7 - (x & 7))) & 1);
                    break;
                case 4:
                    d[x] = palColor((x & 1) ? (s[x >> 1] & 0x0F) : (s[x >> 1] >> 4));
                    break;
                case 8:
                    d[x] = palColor(s[x]);
                    break;
                case 16: {
                    uint32_t v = uint32_t(s[2 * x] | (s[2 * x + 1] << 8));
                    d[x] = 0xFF000000u | (uint32_t(cr.get(v)) << 16) | (uint32_t(cg.get(v)) << 8) |
                           uint32_t(cb.get(v));
                    break;
                }
                case 24:
                    d[x] = 0xFF000000u | (uint32_t(s[3 * x + 2]) << 16) |
                           (uint32_t(s[3 * x + 1]) << 8) | s[3 * x];
                    break;
                case 32: {
                    uint32_t v = uint32_t(s[4 * x]) | (uint32_t(s[4 * x + 1]) << 8) |
                                 (uint32_t(s[4 * x + 2]) << 16) | (uint32_t(s[4 * x + 3]) << 24);
                    uint32_t a = icon ? uint32_t(s[4 * x + 3]) << 24 : 0xFF000000u;
                    anyAlpha = anyAlpha || (icon && s[4 * x + 3] != 0);
                    d[x] = a | (uint32_t(cr.get(v)) << 16) | (uint32_t(cg.get(v)) << 8) |
                           uint32_t(cb.get(v));
                    break;
                }
                }
            }
        }
    }
    if (icon && bpp == 32) {
        // Alpha counts only when some pixel has it; otherwise the AND mask decides.
        img.reinterpretAsFormat(QImage::Format_ARGB32);
        if (!anyAlpha)
            for (int y = 0; y < h; ++y) {
                auto* d = reinterpret_cast<uint32_t*>(img.scanLine(y));
                for (int x = 0; x < w; ++x)
                    d[x] |= 0xFF000000u;
            }
    }
    out.Image = img;
    switch (bpp) {
    case 1:
        out.Format = pf1bit;
        break;
    case 4:
        out.Format = pf4bit;
        break;
    case 8:
        out.Format = pf8bit;
        break;
    case 16:
        out.Format = gMask == 0x07E0 ? pf16bit : pf15bit;
        break;
    case 24:
        out.Format = pf24bit;
        break;
    default:
        out.Format = pf32bit;
        break;
    }
    return out;
}

static gfx::DecodedDib decode(const QByteArray& dib, qsizetype pixelsAt) {
    try {
        return gfx::DecodeDib(dib, pixelsAt, false);
    } catch (const gfx::DibError&) {
        throw EInvalidGraphic(QStringLiteral("Bitmap image is not valid"));
    }
}

// ---- BMP writing ----

QByteArray TBitmap::SaveToDIB() {
    endPaint();
    const int w = image.width(), h = image.height();
    const int bpp = formatBits(pixelFormat);
    const bool bitfields = pixelFormat == pf16bit;
    TPalette pal = GetPalette();
    const qsizetype stride = ((qsizetype(w) * bpp + 31) / 32) * 4;

    QByteArray out;
    gfx::put32(out, 40);
    gfx::put32(out, uint32_t(w));
    gfx::put32(out, uint32_t(h));
    gfx::put16(out, 1);
    gfx::put16(out, uint16_t(bpp));
    gfx::put32(out, bitfields ? 3 : 0);
    gfx::put32(out, uint32_t(stride * h));
    gfx::put32(out, 0);
    gfx::put32(out, 0);
    gfx::put32(out, bpp <= 8 ? uint32_t(pal.Count()) : 0);
    gfx::put32(out, 0);
    if (bitfields) {
        gfx::put32(out, 0xF800);
        gfx::put32(out, 0x07E0);
        gfx::put32(out, 0x001F);
    }
    if (bpp <= 8)
        for (TColor c : pal.Entries) {
            uint32_t v = uint32_t(ColorToRGB(c));
            out.append(char(GetBValue(v)));
            out.append(char(GetGValue(v)));
            out.append(char(GetRValue(v)));
            out.append(char(0));
        }

    std::unordered_map<uint32_t, int> cache;
    auto index = [&](uint32_t px) {
        uint32_t v = px & 0xFFFFFFu;
        auto it = cache.find(v);
        if (it != cache.end()) return it->second;
        int i = std::max(0, pal.NearestIndex(pixelToColor(v)));
        cache.emplace(v, i);
        return i;
    };
    QByteArray row(stride, '\0');
    for (int y = h - 1; y >= 0; --y) {
        row.fill('\0');
        auto* d = reinterpret_cast<uint8_t*>(row.data());
        const auto* s = reinterpret_cast<const uint32_t*>(image.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            uint32_t v = s[x];
            int r = (v >> 16) & 0xFF, g = (v >> 8) & 0xFF, b = v & 0xFF;
            switch (bpp) {
            case 1:
                d[x >> 3] |= uint8_t((index(v) & 1) << (7 - (x & 7)));
                break;
            case 4:
                d[x >> 1] |= uint8_t((x & 1) ? (index(v) & 0x0F) : ((index(v) & 0x0F) << 4));
                break;
            case 8:
                d[x] = uint8_t(index(v));
                break;
            case 16: {
                uint16_t p = bitfields
                                 ? uint16_t(((r * 31 + 127) / 255) << 11 |
                                            ((g * 63 + 127) / 255) << 5 | ((b * 31 + 127) / 255))
                                 : uint16_t(((r * 31 + 127) / 255) << 10 |
                                            ((g * 31 + 127) / 255) << 5 | ((b * 31 + 127) / 255));
                d[2 * x] = uint8_t(p & 0xFF);
                d[2 * x + 1] = uint8_t(p >> 8);
                break;
            }
            case 24:
                d[3 * x] = uint8_t(b);
                d[3 * x + 1] = uint8_t(g);
                d[3 * x + 2] = uint8_t(r);
                break;
            case 32:
                d[4 * x] = uint8_t(b);
                d[4 * x + 1] = uint8_t(g);
                d[4 * x + 2] = uint8_t(r);
                d[4 * x + 3] = 0;
                break;
            }
        }
        out.append(row);
    }
    return out;
}

void TBitmap::SaveToStream(TStream* Stream) {
    if (image.isNull()) return; // an empty bitmap writes nothing, as on the platform
    QByteArray dib = SaveToDIB();
    const uint32_t headerAndPalette =
        uint32_t(dib.size()) -
        uint32_t(((qsizetype(image.width()) * formatBits(pixelFormat) + 31) / 32) * 4 *
                 image.height());
    QByteArray file;
    file.append('B');
    file.append('M');
    gfx::put32(file, uint32_t(14 + dib.size()));
    gfx::put32(file, 0);
    gfx::put32(file, 14 + headerAndPalette);
    file.append(dib);
    Stream->WriteBuffer(file.constData(), file.size());
}

void TBitmap::LoadFromDIB(const QByteArray& Data) {
    gfx::DecodedDib d = decode(Data, -1);
    endPaint();
    image = d.Image;
    emptyWidth = emptyHeight = 0;
    pixelFormat = d.Format;
    palette = formatBits(d.Format) <= 8 ? d.Palette : TPalette();
    Changed();
}

void TBitmap::LoadFromStream(TStream* Stream) {
    // The file header tells the size, so a bitmap inside a longer stream is read exactly.
    QByteArray head =
        Stream->ReadBytes(std::min<int64_t>(14, Stream->GetSize() - Stream->GetPosition()));
    if (head.size() < 14 || head[0] != 'B' || head[1] != 'M')
        throw EInvalidGraphic(QStringLiteral("Bitmap image is not valid"));
    uint32_t fileSize = rd32(head, 2);
    uint32_t offBits = rd32(head, 10);
    const int64_t rest = Stream->GetSize() - Stream->GetPosition();
    QByteArray dib = (fileSize > 14 && int64_t(fileSize) - 14 <= rest)
                         ? Stream->ReadBytes(int64_t(fileSize) - 14)
                         : Stream->ReadBytes(rest);
    gfx::DecodedDib d = decode(dib, offBits >= 14 ? qsizetype(offBits) - 14 : -1);
    endPaint();
    image = d.Image;
    emptyWidth = emptyHeight = 0;
    pixelFormat = d.Format;
    palette = formatBits(d.Format) <= 8 ? d.Palette : TPalette();
    Changed();
}

void TBitmap::LoadFromClipboardFormat(uint16_t Format, const QByteArray& Data) {
    if (Format != CF_BITMAP && Format != CF_DIB) TGraphic::LoadFromClipboardFormat(Format, Data);
    LoadFromDIB(Data);
}

void TBitmap::SaveToClipboardFormat(uint16_t& Format, QByteArray& Data) {
    Format = CF_BITMAP;
    Data = SaveToDIB();
}
