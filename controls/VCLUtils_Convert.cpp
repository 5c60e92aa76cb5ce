// Bitmaps as BMP file images of a chosen pixel format, with the colour reductions to 256 or
// fewer colours.
#include "Streams.h"
#include "VCLUtils.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <numeric>
#include <unordered_map>
#include <vector>

TReductionMethod DefaultReductionMethod = rmPopular;

namespace {

struct Rgb {
    uint8_t R = 0, G = 0, B = 0;
};

// A 24-bit picture, rows top-down, and what a method makes of it: an index per pixel (rows
// top-down), the palette and the count of important colours (0: all).
struct Reduction {
    std::vector<uint8_t> Index;
    std::array<Rgb, 256> Palette{};
    uint32_t Important = 0;
};

using Pixels = std::vector<Rgb>;

// The nearest of the levels for every byte value (ties to the lower index).
std::array<uint8_t, 256> nearestLevel(std::initializer_list<int> Levels) {
    std::array<uint8_t, 256> t{};
    for (int v = 0; v < 256; ++v) {
        int best = 0, bestD = 1 << 30, i = 0;
        for (int l : Levels) {
            int d = std::abs(v - l);
            if (d < bestD) bestD = d, best = i;
            ++i;
        }
        t[size_t(v)] = uint8_t(best);
    }
    return t;
}

constexpr int Levels4[] = {0, 85, 170, 255};
constexpr int Levels6[] = {0, 51, 102, 153, 204, 255};
constexpr int Levels7[] = {0, 43, 85, 128, 170, 213, 255};
constexpr int Levels8[] = {0, 36, 73, 109, 146, 182, 219, 255};
const auto Near4 = nearestLevel({0, 85, 170, 255});
const auto Near6 = nearestLevel({0, 51, 102, 153, 204, 255});
const auto Near7 = nearestLevel({0, 43, 85, 128, 170, 213, 255});
const auto Near8 = nearestLevel({0, 36, 73, 109, 146, 182, 219, 255});

void fillGray128(Reduction& R, int From) {
    for (int i = From; i < 256; ++i)
        R.Palette[size_t(i)] = Rgb{128, 128, 128};
}

Reduction fixed784(const Pixels& P) {
    Reduction r;
    for (int ri = 0; ri < 7; ++ri)
        for (int gi = 0; gi < 8; ++gi)
            for (int bi = 0; bi < 4; ++bi)
                r.Palette[size_t((ri * 8 + gi) * 4 + bi)] =
                    Rgb{uint8_t(Levels7[ri]), uint8_t(Levels8[gi]), uint8_t(Levels4[bi])};
    fillGray128(r, 224);
    r.Index.reserve(P.size());
    for (const Rgb& c : P)
        r.Index.push_back(uint8_t((Near7[c.R] * 8 + Near8[c.G]) * 4 + Near4[c.B]));
    r.Important = 224;
    return r;
}

Reduction fixed666(const Pixels& P) {
    Reduction r;
    for (int ri = 0; ri < 6; ++ri)
        for (int gi = 0; gi < 6; ++gi)
            for (int bi = 0; bi < 6; ++bi)
                r.Palette[size_t((ri * 6 + gi) * 6 + bi)] =
                    Rgb{uint8_t(Levels6[ri]), uint8_t(Levels6[gi]), uint8_t(Levels6[bi])};
    fillGray128(r, 216);
    r.Index.reserve(P.size());
    for (const Rgb& c : P)
        r.Index.push_back(uint8_t((Near6[c.R] * 6 + Near6[c.G]) * 6 + Near6[c.B]));
    r.Important = 216;
    return r;
}

// Rows are counted from the bottom, as they lie in the file.
Reduction channelStripes(const Pixels& P, int W, int H) {
    Reduction r;
    for (int i = 0; i < 64; ++i) {
        r.Palette[size_t(i)] = Rgb{uint8_t(i * 4), 0, 0};
        r.Palette[size_t(64 + i)] = Rgb{0, uint8_t(i * 4), 0};
        r.Palette[size_t(128 + i)] = Rgb{0, 0, uint8_t(i * 4)};
    }
    r.Index.resize(P.size());
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const Rgb& c = P[size_t(y) * size_t(W) + size_t(x)];
            int row = H - 1 - y;
            uint8_t v;
            switch ((row + x) % 3) {
            case 0:
                v = uint8_t(c.R >> 2);
                break;
            case 1:
                v = uint8_t((c.G >> 2) + 64);
                break;
            default:
                v = uint8_t((c.B >> 2) + 128);
                break;
            }
            r.Index[size_t(y) * size_t(W) + size_t(x)] = v;
        }
    return r;
}

uint8_t grayOf(const Rgb& c) {
    return uint8_t((c.R * 77 + c.G * 150 + c.B * 29) >> 8);
}

Reduction gray(const Pixels& P) {
    Reduction r;
    for (int i = 0; i < 256; ++i)
        r.Palette[size_t(i)] = Rgb{uint8_t(i), uint8_t(i), uint8_t(i)};
    r.Index.reserve(P.size());
    for (const Rgb& c : P)
        r.Index.push_back(grayOf(c));
    return r;
}

// The most frequent colours. At most 2049 distinct colours are counted; one more starts the
// count again with a bit less precision in one channel.
Reduction popular(const Pixels& P, int Colors) {
    constexpr size_t MaxEntries = 2049;
    struct Entry {
        Rgb C;
        uint32_t Count = 0;
        uint8_t Index = 0;
    };
    uint8_t mr = 255, mg = 255, mb = 255;
    std::vector<Entry> entries;
    std::unordered_map<uint32_t, uint32_t> slot;
    auto key = [](const Rgb& c) { return uint32_t(c.R) << 16 | uint32_t(c.G) << 8 | c.B; };
    for (;;) {
        entries.clear();
        slot.clear();
        bool fits = true;
        for (const Rgb& px : P) {
            Rgb c{uint8_t(px.R & mr), uint8_t(px.G & mg), uint8_t(px.B & mb)};
            auto [it, added] = slot.emplace(key(c), uint32_t(entries.size()));
            if (added) {
                if (entries.size() == MaxEntries) {
                    fits = false;
                    break;
                }
                entries.push_back(Entry{c, 0, 0});
            }
            ++entries[it->second].Count;
        }
        if (fits) break;
        if (mr < mg)
            mg = uint8_t(mg << 1);
        else if (mr <= mb)
            mb = uint8_t(mb << 1);
        else
            mr = uint8_t(mr << 1);
    }
    Reduction r;
    std::vector<uint32_t> counts(entries.size());
    for (size_t i = 0; i < entries.size(); ++i)
        counts[i] = entries[i].Count;
    const int used = std::min<int>(Colors, int(entries.size()));
    for (int n = 0; n < used; ++n) {
        size_t best = size_t(std::max_element(counts.begin(), counts.end()) - counts.begin());
        r.Palette[size_t(n)] = entries[best].C;
        counts[best] = 0;
    }
    for (int n = used; n < 256; ++n)
        r.Palette[size_t(n)] = Rgb{128, 128, 128};
    for (Entry& e : entries) {
        int best = 0, bestD = 1 << 30;
        for (int n = 0; n < used; ++n) {
            const Rgb& p = r.Palette[size_t(n)];
            int dr = e.C.R - p.R, dg = e.C.G - p.G, db = e.C.B - p.B;
            int d = dr * dr + dg * dg + db * db;
            if (d < bestD) bestD = d, best = n;
        }
        e.Index = uint8_t(best);
    }
    r.Index.reserve(P.size());
    for (const Rgb& px : P) {
        Rgb c{uint8_t(px.R & mr), uint8_t(px.G & mg), uint8_t(px.B & mb)};
        r.Index.push_back(entries[slot.at(key(c))].Index);
    }
    return r;
}

// Median cut over the 4096 cells of a 4-bit-per-channel histogram.
Reduction medianCut(const Pixels& P, int Wanted) {
    std::vector<uint32_t> hist(4096, 0);
    std::vector<uint16_t> cellOf(P.size());
    for (size_t i = 0; i < P.size(); ++i) {
        uint16_t cell = uint16_t((P[i].R >> 4) * 256 + (P[i].G >> 4) * 16 + (P[i].B >> 4));
        cellOf[i] = cell;
        ++hist[cell];
    }
    struct Box {
        std::vector<uint16_t> Cells;
        uint64_t Pixels = 0;
        int Lo[3] = {0, 0, 0};
        int Hi[3] = {255, 255, 255};
    };
    auto channel = [](uint16_t cell, int c) { return (cell >> (8 - 4 * c)) & 0xF; };
    std::vector<Box> boxes(1);
    for (uint16_t c = 0; c < 4096; ++c)
        if (hist[c]) {
            boxes[0].Cells.push_back(c);
            boxes[0].Pixels += hist[c];
        }
    while (int(boxes.size()) < Wanted) {
        int bestBox = -1, bestCh = 0, bestRange = -1;
        for (size_t b = 0; b < boxes.size(); ++b) {
            if (boxes[b].Cells.size() < 2) continue;
            for (int c = 0; c < 3; ++c) {
                int range = boxes[b].Hi[c] - boxes[b].Lo[c];
                if (range > bestRange) bestRange = range, bestBox = int(b), bestCh = c;
            }
        }
        if (bestBox < 0) break;
        Box& box = boxes[size_t(bestBox)];
        std::sort(box.Cells.begin(), box.Cells.end(), [&](uint16_t a, uint16_t b) {
            int va = channel(a, bestCh), vb = channel(b, bestCh);
            return va != vb ? va < vb : a < b;
        });
        size_t cut = 1;
        uint64_t lower = hist[box.Cells[0]];
        while (cut + 1 < box.Cells.size() && (lower + hist[box.Cells[cut]]) * 2 <= box.Pixels)
            lower += hist[box.Cells[cut++]];
        Box upper;
        upper.Cells.assign(box.Cells.begin() + std::ptrdiff_t(cut), box.Cells.end());
        box.Cells.resize(cut);
        upper.Pixels = box.Pixels - lower;
        box.Pixels = lower;
        std::copy(std::begin(box.Lo), std::end(box.Lo), std::begin(upper.Lo));
        std::copy(std::begin(box.Hi), std::end(box.Hi), std::begin(upper.Hi));
        box.Hi[bestCh] = channel(box.Cells.back(), bestCh) * 16;
        upper.Lo[bestCh] = channel(upper.Cells.front(), bestCh) * 16;
        boxes.push_back(std::move(upper));
    }
    Reduction r;
    std::vector<uint8_t> boxOfCell(4096, 0);
    for (size_t b = 0; b < boxes.size(); ++b) {
        const Box& box = boxes[b];
        if (box.Cells.empty()) continue;
        const int n = int(box.Cells.size());
        int v[3];
        for (int c = 0; c < 3; ++c) {
            int sum = 0;
            for (uint16_t cell : box.Cells)
                sum += channel(cell, c);
            v[c] = (sum * 16 + 15 * n) / n;
        }
        if (v[0] <= 16 && v[1] <= 16 && v[2] <= 16) v[0] = v[1] = v[2] = 0;
        r.Palette[b] = Rgb{uint8_t(v[0]), uint8_t(v[1]), uint8_t(v[2])};
        for (uint16_t cell : box.Cells)
            boxOfCell[cell] = uint8_t(b);
    }
    r.Index.reserve(P.size());
    for (uint16_t cell : cellOf)
        r.Index.push_back(boxOfCell[cell]);
    r.Important = uint32_t(boxes.size());
    return r;
}

void put16(QByteArray& B, uint16_t V) {
    B.append(char(V & 0xFF));
    B.append(char(V >> 8));
}

void put32(QByteArray& B, uint32_t V) {
    for (int i = 0; i < 4; ++i)
        B.append(char((V >> (8 * i)) & 0xFF));
}

// The file header and a 40-byte info header for a W x H picture of BitCount bits.
QByteArray fileHeaders(int W, int H, int BitCount, uint32_t Important) {
    const uint32_t paletteBytes = BitCount <= 8 ? 4u << BitCount : 0;
    const uint32_t imageSize = uint32_t(ScanlineBytes(W, BitCount, 32)) * uint32_t(H);
    const uint32_t offBits = 14 + 40 + paletteBytes;
    QByteArray b;
    b.append("BM");
    put32(b, offBits + imageSize);
    put32(b, 0);
    put32(b, offBits);
    put32(b, 40);
    put32(b, uint32_t(W));
    put32(b, uint32_t(H));
    put16(b, 1);
    put16(b, uint16_t(BitCount));
    put32(b, 0);
    put32(b, imageSize);
    put32(b, 0);
    put32(b, 0);
    put32(b, BitCount <= 8 ? 1u << BitCount : 0);
    put32(b, Important);
    return b;
}

std::unique_ptr<TMemoryStream> streamOf(const QByteArray& Bytes) {
    auto s = std::make_unique<TMemoryStream>();
    s->SetBytes(Bytes);
    return s;
}

} // namespace

int ScanlineBytes(int Width, int BitCount, int Alignment) {
    return int(((int64_t(Width) * BitCount + Alignment - 1) & ~int64_t(Alignment - 1)) / 8);
}

int ColorsOfFormat(TPixelFormat PixelFormat) {
    switch (PixelFormat) {
    case pf1bit:
        return 2;
    case pf4bit:
        return 16;
    case pf8bit:
        return 256;
    default:
        return 0;
    }
}

void RaiseInvalidBitmap() {
    throw EInvalidGraphic(QStringLiteral("Bitmap image is not valid"));
}

std::unique_ptr<TMemoryStream> BitmapToDIBStream(TBitmap* Bitmap, TPixelFormat PixelFormat,
                                                 TReductionMethod Method) {
    if (!Bitmap || Bitmap->GetEmpty()) RaiseInvalidBitmap();
    TPixelFormat own = Bitmap->GetPixelFormat() == pfDevice ? pf24bit : Bitmap->GetPixelFormat();
    if (own == PixelFormat && Method != rmGray) {
        auto s = std::make_unique<TMemoryStream>();
        Bitmap->SaveToStream(s.get());
        s->SetPosition(0);
        return s;
    }
    if (PixelFormat != pf1bit && PixelFormat != pf4bit && PixelFormat != pf8bit &&
        PixelFormat != pf24bit)
        StopNotImplemented();
    if (PixelFormat == pf1bit || PixelFormat == pf4bit) {
        TBitmap copy;
        copy.Assign(Bitmap);
        copy.SetPixelFormat(PixelFormat);
        auto s = std::make_unique<TMemoryStream>();
        copy.SaveToStream(s.get());
        s->SetPosition(0);
        return s;
    }

    const QImage& img = Bitmap->GetImage();
    const int w = img.width(), h = img.height();
    Pixels px(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<const uint32_t*>(img.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            uint32_t v = row[x];
            px[size_t(y) * size_t(w) + size_t(x)] =
                Rgb{uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
        }
    }

    if (PixelFormat == pf24bit) {
        const int stride = ScanlineBytes(w, 24, 32);
        QByteArray file = fileHeaders(w, h, 24, 0);
        QByteArray row(stride, '\0');
        for (int y = h - 1; y >= 0; --y) {
            auto* d = reinterpret_cast<uint8_t*>(row.data());
            for (int x = 0; x < w; ++x) {
                Rgb c = px[size_t(y) * size_t(w) + size_t(x)];
                if (Method == rmGray) c.R = c.G = c.B = grayOf(c);
                d[3 * x] = c.B;
                d[3 * x + 1] = c.G;
                d[3 * x + 2] = c.R;
            }
            file.append(row);
        }
        return streamOf(file);
    }

    Reduction r;
    switch (Method) {
    case rmPopular:
        r = popular(px, ColorsOfFormat(pf8bit));
        break;
    case rmMedianCut:
        r = medianCut(px, 256);
        break;
    case rmFixed784:
        r = fixed784(px);
        break;
    case rmFixed666:
        r = fixed666(px);
        break;
    case rmChannelStripes:
        r = channelStripes(px, w, h);
        break;
    case rmGray:
        r = gray(px);
        break;
    }
    QByteArray file = fileHeaders(w, h, 8, r.Important);
    for (const Rgb& c : r.Palette) {
        file.append(char(c.B));
        file.append(char(c.G));
        file.append(char(c.R));
        file.append('\0');
    }
    const int stride = ScanlineBytes(w, 8, 32);
    QByteArray row(stride, '\0');
    for (int y = h - 1; y >= 0; --y) {
        std::memcpy(row.data(), r.Index.data() + size_t(y) * size_t(w), size_t(w));
        file.append(row);
    }
    return streamOf(file);
}

std::unique_ptr<TMemoryStream> BitmapToColorCount(TBitmap* Bitmap, int Colors) {
    TPixelFormat f = Colors <= 2     ? pf1bit
                     : Colors <= 16  ? pf4bit
                     : Colors <= 256 ? pf8bit
                                     : pf24bit;
    return BitmapToDIBStream(Bitmap, f, DefaultReductionMethod);
}
