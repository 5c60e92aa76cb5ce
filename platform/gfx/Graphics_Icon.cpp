// Icons: ICO and CUR files with several images.
#include "GfxInternal.h"
#include "Graphics.h"

#include <QBuffer>
#include <QPainter>
#include <cstring>

namespace {

[[noreturn]] void badIcon() {
    throw EInvalidGraphic(QStringLiteral("Icon image is not valid"));
}

uint32_t le32(const QByteArray& b, qsizetype at) {
    if (at < 0 || at + 4 > b.size()) badIcon();
    auto* p = reinterpret_cast<const uint8_t*>(b.constData()) + at;
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

uint16_t le16(const QByteArray& b, qsizetype at) {
    if (at < 0 || at + 2 > b.size()) badIcon();
    auto* p = reinterpret_cast<const uint8_t*>(b.constData()) + at;
    return uint16_t(p[0] | (p[1] << 8));
}

// One image of the file: a PNG stream or a DIB with doubled height and an AND mask.
QImage decodeImage(const QByteArray& data, int& bitCount) {
    if (data.startsWith("\x89PNG")) {
        QImage img;
        if (!img.loadFromData(data, "PNG")) badIcon();
        bitCount = 32;
        return img.convertToFormat(QImage::Format_ARGB32);
    }
    gfx::DecodedDib d;
    try {
        d = gfx::DecodeDib(data, -1, true);
    } catch (const gfx::DibError&) {
        badIcon();
    }
    bitCount = d.Bpp;
    QImage img = d.Image.convertToFormat(QImage::Format_ARGB32);
    if (d.Bpp == 32 && d.Image.format() == QImage::Format_ARGB32) {
        bool anyAlpha = false;
        for (int y = 0; y < img.height() && !anyAlpha; ++y) {
            auto* p = reinterpret_cast<const uint32_t*>(img.constScanLine(y));
            for (int x = 0; x < img.width(); ++x)
                if ((p[x] >> 24) != 0xFF) {
                    anyAlpha = true;
                    break;
                }
        }
        if (anyAlpha) return img;
    }
    // The AND mask: 1 bit per pixel, rows bottom-up, 1 = transparent. A missing mask means
    // a fully opaque image.
    const int w = img.width(), h = img.height();
    const qsizetype stride = ((qsizetype(w) + 31) / 32) * 4;
    if (d.PixelsEnd > 0 && d.PixelsEnd + stride * h <= data.size()) {
        auto* m = reinterpret_cast<const uint8_t*>(data.constData()) + d.PixelsEnd;
        for (int row = 0; row < h; ++row) {
            auto* p = reinterpret_cast<uint32_t*>(img.scanLine(h - 1 - row));
            for (int x = 0; x < w; ++x)
                if (m[stride * row + (x >> 3)] & (0x80 >> (x & 7))) p[x] = 0;
        }
    }
    return img;
}

QByteArray encodeImage(const QImage& src, int bitCount) {
    QImage img = src.convertToFormat(QImage::Format_ARGB32);
    const int w = img.width(), h = img.height();
    const int bpp = bitCount;
    TPalette pal;
    if (bpp <= 8) pal = TPalette::Default(1 << bpp);
    const qsizetype stride = ((qsizetype(w) * bpp + 31) / 32) * 4;
    const qsizetype maskStride = ((qsizetype(w) + 31) / 32) * 4;
    QByteArray out;
    gfx::put32(out, 40);
    gfx::put32(out, uint32_t(w));
    gfx::put32(out, uint32_t(2 * h));
    gfx::put16(out, 1);
    gfx::put16(out, uint16_t(bpp));
    gfx::put32(out, 0);
    gfx::put32(out, uint32_t((stride + maskStride) * h));
    gfx::put32(out, 0);
    gfx::put32(out, 0);
    gfx::put32(out, 0);
    gfx::put32(out, 0);
    for (TColor c : pal.Entries) {
        uint32_t v = uint32_t(c);
        out.append(char(GetBValue(v)));
        out.append(char(GetGValue(v)));
        out.append(char(GetRValue(v)));
        out.append(char(0));
    }
    QByteArray row;
    for (int y = h - 1; y >= 0; --y) {
        row.fill('\0', stride);
        auto* d = reinterpret_cast<uint8_t*>(row.data());
        auto* s = reinterpret_cast<const uint32_t*>(img.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            uint32_t v = s[x];
            uint8_t a = uint8_t(v >> 24), r = uint8_t(v >> 16), g = uint8_t(v >> 8), b = uint8_t(v);
            if (bpp == 32) {
                d[4 * x] = b;
                d[4 * x + 1] = g;
                d[4 * x + 2] = r;
                d[4 * x + 3] = a;
            } else if (bpp == 24) {
                bool clear = a < 128;
                d[3 * x] = clear ? 0 : b;
                d[3 * x + 1] = clear ? 0 : g;
                d[3 * x + 2] = clear ? 0 : r;
            } else {
                int idx = a < 128 ? 0 : pal.NearestIndex(TColor(RGB(r, g, b)));
                if (bpp == 8)
                    d[x] = uint8_t(idx);
                else if (bpp == 4)
                    d[x >> 1] |= uint8_t((x & 1) ? idx : idx << 4);
                else
                    d[x >> 3] |= uint8_t((idx & 1) << (7 - (x & 7)));
            }
        }
        out.append(row);
    }
    for (int y = h - 1; y >= 0; --y) {
        row.fill('\0', maskStride);
        auto* d = reinterpret_cast<uint8_t*>(row.data());
        auto* s = reinterpret_cast<const uint32_t*>(img.constScanLine(y));
        for (int x = 0; x < w; ++x)
            if ((s[x] >> 24) < 128) d[x >> 3] |= uint8_t(0x80 >> (x & 7));
        out.append(row);
    }
    return out;
}

} // namespace

TIcon::TIcon() {
    transparent = true;
}

void TIcon::Assign(TPersistent* Source) {
    if (auto* i = dynamic_cast<TIcon*>(Source)) {
        if (i == this) return;
        images = i->images;
        current = i->current;
        wantWidth = i->wantWidth;
        wantHeight = i->wantHeight;
        cursorFile = i->cursorFile;
        Changed();
        return;
    }
    if (!Source) {
        Clear();
        return;
    }
    TGraphic::Assign(Source);
}

std::unique_ptr<TGraphic> TIcon::Clone() const {
    auto i = std::make_unique<TIcon>();
    i->Assign(const_cast<TIcon*>(this));
    return i;
}

int TIcon::GetWidth() const {
    return current >= 0 ? images[size_t(current)].Image.width() : 0;
}

int TIcon::GetHeight() const {
    return current >= 0 ? images[size_t(current)].Image.height() : 0;
}

void TIcon::SetWidth(int) {
    throw EInvalidGraphicOperation(QStringLiteral("Cannot change the size of an icon"));
}

void TIcon::SetHeight(int) {
    throw EInvalidGraphicOperation(QStringLiteral("Cannot change the size of an icon"));
}

void TIcon::SetSize(int AWidth, int AHeight) {
    wantWidth = AWidth;
    wantHeight = AHeight;
    int old = current;
    choose();
    if (old != current) Changed();
}

void TIcon::choose() {
    current = -1;
    int bestD = 0;
    for (size_t i = 0; i < images.size(); ++i) {
        const Entry& e = images[i];
        int d = std::abs(e.Image.width() - wantWidth) + std::abs(e.Image.height() - wantHeight);
        if (current < 0 || d < bestD ||
            (d == bestD && e.BitCount > images[size_t(current)].BitCount)) {
            current = int(i);
            bestD = d;
        }
    }
}

QImage TIcon::GetImage(int Index) const {
    if (Index < 0 || Index >= int(images.size()))
        throw EInvalidGraphicOperation(QStringLiteral("Icon image index out of range"));
    return images[size_t(Index)].Image;
}

int TIcon::GetImageBitCount(int Index) const {
    if (Index < 0 || Index >= int(images.size()))
        throw EInvalidGraphicOperation(QStringLiteral("Icon image index out of range"));
    return images[size_t(Index)].BitCount;
}

TPoint TIcon::GetHotSpot(int Index) const {
    if (Index < 0 || Index >= int(images.size()))
        throw EInvalidGraphicOperation(QStringLiteral("Icon image index out of range"));
    return images[size_t(Index)].HotSpot;
}

void TIcon::AddImage(const QImage& Image, int BitCount) {
    if (Image.isNull() || Image.width() > 256 || Image.height() > 256)
        throw EInvalidGraphicOperation(QStringLiteral("Invalid icon image size"));
    if (BitCount != 1 && BitCount != 4 && BitCount != 8 && BitCount != 24 && BitCount != 32)
        BitCount = 32;
    images.push_back(Entry{Image.convertToFormat(QImage::Format_ARGB32), BitCount, TPoint{}});
    choose();
    Changed();
}

void TIcon::Clear() {
    images.clear();
    current = -1;
    Changed();
}

void TIcon::LoadFromStream(TStream* Stream) {
    // Read the directory first, then exactly the bytes its entries cover.
    QByteArray data;
    try {
        data = Stream->ReadBytes(6);
    } catch (const EReadError&) {
        badIcon();
    }
    uint16_t reserved = le16(data, 0), type = le16(data, 2), count = le16(data, 4);
    if (reserved != 0 || (type != 1 && type != 2) || count == 0) badIcon();
    try {
        data += Stream->ReadBytes(16 * int64_t(count));
    } catch (const EReadError&) {
        badIcon();
    }
    uint32_t end = uint32_t(data.size());
    for (int i = 0; i < count; ++i) {
        qsizetype e = 6 + 16 * qsizetype(i);
        uint64_t last = uint64_t(le32(data, e + 12)) + le32(data, e + 8);
        if (le32(data, e + 12) < uint32_t(data.size()) || last > (uint64_t(1) << 28)) badIcon();
        end = std::max(end, uint32_t(last));
    }
    try {
        data += Stream->ReadBytes(int64_t(end) - data.size());
    } catch (const EReadError&) {
        badIcon();
    }
    std::vector<Entry> loaded;
    for (int i = 0; i < count; ++i) {
        qsizetype e = 6 + 16 * qsizetype(i);
        uint32_t size = le32(data, e + 8), offset = le32(data, e + 12);
        Entry en;
        en.Image = decodeImage(data.mid(offset, size), en.BitCount);
        if (type == 2) en.HotSpot = TPoint{le16(data, e + 4), le16(data, e + 6)};
        loaded.push_back(std::move(en));
    }
    images = std::move(loaded);
    cursorFile = type == 2;
    choose();
    Changed();
}

void TIcon::SaveToStream(TStream* Stream) {
    if (images.empty()) throw EInvalidGraphicOperation(QStringLiteral("Cannot save an empty icon"));
    QByteArray head, body;
    gfx::put16(head, 0);
    gfx::put16(head, cursorFile ? 2 : 1);
    gfx::put16(head, uint16_t(images.size()));
    uint32_t offset = uint32_t(6 + 16 * images.size());
    for (const Entry& e : images) {
        QByteArray img = encodeImage(e.Image, e.BitCount);
        head.append(char(e.Image.width() >= 256 ? 0 : e.Image.width()));
        head.append(char(e.Image.height() >= 256 ? 0 : e.Image.height()));
        head.append(char(e.BitCount < 8 ? (1 << e.BitCount) : 0));
        head.append(char(0));
        gfx::put16(head, cursorFile ? uint16_t(e.HotSpot.X) : 1);
        gfx::put16(head, cursorFile ? uint16_t(e.HotSpot.Y) : uint16_t(e.BitCount));
        gfx::put32(head, uint32_t(img.size()));
        gfx::put32(head, offset);
        offset += uint32_t(img.size());
        body.append(img);
    }
    head.append(body);
    Stream->WriteBuffer(head.constData(), head.size());
}

QImage TIcon::ToImage() const {
    return current >= 0 ? images[size_t(current)].Image : QImage();
}

void TIcon::Draw(TCanvas* ACanvas, const TRect& Rect) {
    if (images.empty()) return;
    TRect r = gfx::normalized(Rect);
    // The image closest to the room, the deepest of equals.
    int best = -1, bestD = 0;
    for (size_t i = 0; i < images.size(); ++i) {
        const Entry& e = images[i];
        int d = std::abs(e.Image.width() - r.Width()) + std::abs(e.Image.height() - r.Height());
        if (best < 0 || d < bestD || (d == bestD && e.BitCount > images[size_t(best)].BitCount)) {
            best = int(i);
            bestD = d;
        }
    }
    QPainter* p = ACanvas->GetHandle();
    if (!p) return;
    p->save();
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    p->setRenderHint(QPainter::SmoothPixmapTransform, true);
    p->drawImage(gfx::toQRect(r), images[size_t(best)].Image);
    p->restore();
}
