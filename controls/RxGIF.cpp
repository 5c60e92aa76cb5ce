// GIF reading and writing with the GIF variant of LZW.
#include "RxGIF.h"

#include "AniFile.h"
#include "Clipbrd.h"
#include "CodePages.h"
#include "RXConst.h"
#include "Streams.h"

#include <unordered_map>

bool GIFLoadCorrupted = true;

namespace {

[[noreturn]] void gifError(int Ident) {
    throw EInvalidGraphicOperation(RxLoadStr(Ident));
}

[[noreturn]] void readError() {
    throw EReadError(QStringLiteral("Stream read error"));
}

uint16_t le16(const QByteArray& B, qsizetype At) {
    auto* p = reinterpret_cast<const uint8_t*>(B.constData()) + At;
    return uint16_t(p[0] | (p[1] << 8));
}

void put16(QByteArray& B, int V) {
    B.append(char(V & 0xFF));
    B.append(char((V >> 8) & 0xFF));
}

uint8_t byteAt(const QByteArray& B, qsizetype At) {
    return uint8_t(B[At]);
}

// Data sub-blocks from Pos up to the zero terminator (or the end of the bytes, which sets
// Cut); each is one entry.
std::vector<QByteArray> readSubBlocks(const QByteArray& B, qsizetype& Pos, bool* Cut = nullptr) {
    std::vector<QByteArray> blocks;
    while (Pos < B.size()) {
        const int n = byteAt(B, Pos++);
        if (n == 0) return blocks;
        const qsizetype take = std::min<qsizetype>(n, B.size() - Pos);
        blocks.push_back(B.mid(Pos, take));
        Pos += take;
    }
    if (Cut) *Cut = true;
    return blocks;
}

// Text sub-blocks as lines: a full block of 255 bytes continues in the next one (the writer
// splits longer lines that way).
QStringList linesOf(const std::vector<QByteArray>& Blocks) {
    QStringList lines;
    QByteArray line;
    bool open = false;
    for (const QByteArray& b : Blocks) {
        line += b;
        open = b.size() == 255;
        if (!open) {
            lines << FromCodePage(line);
            line.clear();
        }
    }
    if (open) lines << FromCodePage(line);
    return lines;
}

// Data as sub-blocks of at most 255 bytes each (an empty string writes nothing).
void writeSubBlocks(QByteArray& Out, const QByteArray& Data) {
    for (qsizetype at = 0; at < Data.size(); at += 255) {
        const qsizetype n = std::min<qsizetype>(255, Data.size() - at);
        Out.append(char(n));
        Out.append(Data.mid(at, n));
    }
}

int bitsFor(int Count) {
    int b = 1;
    while ((1 << b) < Count)
        ++b;
    return b;
}

void readColorTable(const QByteArray& B, qsizetype& Pos, int Count, TGIFColorTable& Table,
                    bool& Cut) {
    const qsizetype want = qsizetype(Count) * 3;
    const qsizetype take = std::min(want, B.size() - Pos);
    Table = TGIFColorTable();
    Table.Count = Count;
    std::copy_n(reinterpret_cast<const uint8_t*>(B.constData()) + Pos, take, Table.Colors.begin());
    Pos += take;
    if (take < want) Cut = true;
}

// ---- LZW ----

// Codes of a width, least significant bit first, from the concatenated sub-blocks.
class CodeReader {
public:
    explicit CodeReader(QByteArray Bytes) : bytes(std::move(Bytes)) {}
    int Read(int Width) {
        if (bitPos + Width > int64_t(bytes.size()) * 8) return -1;
        int code = 0;
        for (int i = 0; i < Width; ++i, ++bitPos)
            if (byteAt(bytes, qsizetype(bitPos >> 3)) & (1 << (bitPos & 7))) code |= 1 << i;
        return code;
    }

private:
    QByteArray bytes;
    int64_t bitPos = 0;
};

// Packs codes least significant bit first into sub-blocks of 255 bytes.
class CodeWriter {
public:
    explicit CodeWriter(QByteArray& Out) : out(Out) {}
    void Write(int Code, int Width) {
        acc |= uint32_t(Code) << bits;
        bits += Width;
        while (bits >= 8) {
            buffer.append(char(acc & 0xFF));
            acc >>= 8;
            bits -= 8;
            if (buffer.size() == 255) flush();
        }
    }
    void Finish() {
        if (bits > 0) buffer.append(char(acc & 0xFF));
        flush();
        out.append('\0');
    }

private:
    void flush() {
        if (buffer.isEmpty()) return;
        out.append(char(buffer.size()));
        out.append(buffer);
        buffer.clear();
    }
    QByteArray& out;
    QByteArray buffer;
    uint32_t acc = 0;
    int bits = 0;
};

// The LZW stream (code-size byte, sub-blocks, terminator) of pixel indices of BitCount bits.
QByteArray lzwEncode(const std::vector<uint8_t>& Pixels, int BitCount) {
    const int startWidth = BitCount == 1 ? 3 : BitCount + 1;
    const int clear = 1 << (startWidth - 1), end = clear + 1;
    QByteArray out;
    out.append(char(startWidth - 1));
    CodeWriter w(out);
    std::unordered_map<uint32_t, int> table;
    int width = startWidth, next = clear + 2;
    w.Write(clear, width);
    int cur = -1;
    size_t i = 0;
    if (!Pixels.empty()) cur = Pixels[i++];
    while (i < Pixels.size()) {
        const int p = Pixels[i++];
        const uint32_t key = uint32_t(cur) << 8 | uint32_t(p);
        auto found = table.find(key);
        if (found != table.end()) {
            cur = found->second;
            continue;
        }
        w.Write(cur, width);
        const int code = next++;
        table.emplace(key, code);
        cur = p;
        if (code == (1 << width) && width < 12) {
            ++width;
        } else if (code >= 4094) {
            w.Write(cur, width);
            w.Write(clear, width);
            table.clear();
            width = startWidth;
            next = clear + 2;
            cur = i < Pixels.size() ? Pixels[i++] : -1;
        }
    }
    if (cur >= 0) w.Write(cur, width);
    w.Write(end, width);
    w.Finish();
    return out;
}

// Next row of an image of Height rows: the following one, or in the GIF interlace order.
struct RowOrder {
    int Height;
    bool Interlaced;
    int Pass = 0;
    int Row = 0;
    void Advance() {
        static constexpr int start[] = {0, 4, 2, 1};
        static constexpr int step[] = {8, 8, 4, 2};
        if (!Interlaced) {
            ++Row;
            return;
        }
        Row += step[Pass];
        while (Row >= Height && Pass < 3)
            Row = start[++Pass];
    }
};

// The most pixels LZW data of Bytes bytes can describe: each code adds at most one pixel to
// the longest string so far.
int64_t maxPixelsOf(qsizetype Bytes) {
    const int64_t codes = int64_t(Bytes) * 8 / 3 + 2;
    return std::min(codes * 4096, codes * (codes + 1) / 2);
}

} // namespace

// ---- colour table ----

TColor TGIFColorTable::Color(int Index) const {
    if (Index < 0 || Index >= Count) return clNone;
    const size_t at = size_t(Index) * 3;
    return TColor(RGB(Colors[at], Colors[at + 1], Colors[at + 2]));
}

int TGIFColorTable::IndexOf(TColor C) const {
    const uint32_t v = uint32_t(ColorToRGB(C)) & 0xFFFFFF;
    for (int i = 0; i < Count; ++i)
        if (uint32_t(Color(i)) == v) return i;
    return -1;
}

// ---- extension ----

void TExtension::Assign(TPersistent* Source) {
    auto* e = dynamic_cast<TExtension*>(Source);
    if (!e) {
        TPersistent::Assign(Source);
        return;
    }
    Kind = e->Kind;
    Data = e->Data;
    Block = e->Block;
}

// ---- frame ----

TGIFFrame::TGIFFrame(TGIFImage* AOwner) : owner(AOwner) {}

TGIFFrame::~TGIFFrame() = default;

int TGIFFrame::GetWidth() {
    return item ? item->Width : GetBitmap() ? bitmap->GetWidth() : 0;
}

int TGIFFrame::GetHeight() {
    return item ? item->Height : GetBitmap() ? bitmap->GetHeight() : 0;
}

QStringList TGIFFrame::GetComment() const {
    QStringList lines;
    for (const auto& e : extensions)
        if (e->Kind == ekComment) lines += linesOf(e->Data);
    return lines;
}

void TGIFFrame::SetComment(const QStringList& Lines) {
    std::erase_if(extensions, [](const auto& e) { return e->Kind == ekComment; });
    if (Lines.isEmpty()) return;
    auto e = std::make_unique<TExtension>();
    e->Kind = ekComment;
    for (const QString& l : Lines)
        e->Data.push_back(ToCodePage(l));
    extensions.push_back(std::move(e));
}

TBitmap* TGIFFrame::GetBitmap() {
    if (!bitmap && item && !item->Data.isEmpty()) decode();
    return bitmap.get();
}

void TGIFFrame::Assign(TPersistent* Source) {
    if (auto* f = dynamic_cast<TGIFFrame*>(Source)) {
        if (f == this) return;
        item = f->item;
        localTable = f->owner == owner ? f->localTable : true;
        origin = f->origin;
        interlaced = f->interlaced;
        bitmap.reset();
        if (f->bitmap) {
            bitmap = std::make_unique<TBitmap>();
            bitmap->Assign(f->bitmap.get());
        }
        transparentColor = f->transparentColor;
        interval = f->interval;
        disposal = f->disposal;
        corrupted = f->corrupted;
        grayScale = f->grayScale;
        extensions.clear();
        for (const auto& e : f->extensions) {
            auto copy = std::make_unique<TExtension>();
            copy->Assign(e.get());
            extensions.push_back(std::move(copy));
        }
    } else if (auto* g = dynamic_cast<TGIFImage*>(Source)) {
        if (g->GetCount() == 0) return;
        Assign(g->GetFrames(std::max(0, g->GetFrameIndex())));
        return;
    } else if (auto* graphic = dynamic_cast<TGraphic*>(Source)) {
        assignGraphic(graphic);
    } else {
        TPersistent::Assign(Source);
        return;
    }
    if (owner) owner->updateScreenSize();
}

void TGIFFrame::assignGraphic(TGraphic* Graphic) {
    item.reset();
    bitmap.reset();
    transparentColor = clNone;
    if (Graphic->GetEmpty()) return;
    bitmap = std::make_unique<TBitmap>();
    if (auto* b = dynamic_cast<TBitmap*>(Graphic)) {
        bitmap->Assign(b);
        if (b->GetTransparent()) transparentColor = b->GetTransparentColor();
    } else {
        bitmap->SetSize(Graphic->GetWidth(), Graphic->GetHeight());
        TCanvas* c = bitmap->GetCanvas();
        c->FillRect(TRect{0, 0, bitmap->GetWidth(), bitmap->GetHeight()});
        c->Draw(0, 0, Graphic);
        if (Graphic->GetTransparent()) {
            TColor brush = c->GetBrush()->GetColor();
            transparentColor =
                bitmap->GetPalette().Empty()
                    ? TColor(ColorToRGB(brush))
                    : bitmap->GetPalette()
                          .Entries[size_t(std::max(0, bitmap->GetPalette().NearestIndex(brush)))];
        }
    }
}

void TGIFFrame::AssignTo(TPersistent* Dest) {
    if (auto* b = dynamic_cast<TBitmap*>(Dest)) {
        b->Assign(GetBitmap());
        if (transparentColor != clNone) {
            b->SetTransparentColor(transparentColor);
            b->SetTransparent(true);
        }
        return;
    }
    TPersistent::AssignTo(Dest);
}

// The image descriptor, colour table and LZW data at Pos (just after the ","). Short data
// marks the frame corrupted, and raises EReadError only when corrupted frames are not
// tolerated. False when not even the descriptor is there: no frame at all.
bool TGIFFrame::readFrom(const QByteArray& B, qsizetype& Pos) {
    auto it = std::make_shared<TGIFItem>();
    bool cut = false;
    if (B.size() - Pos < 9) {
        Pos = B.size();
        if (!GIFLoadCorrupted) readError();
        return false;
    }
    origin = TPoint{le16(B, Pos), le16(B, Pos + 2)};
    it->Width = le16(B, Pos + 4);
    it->Height = le16(B, Pos + 6);
    it->Packed = byteAt(B, Pos + 8);
    Pos += 9;
    interlaced = it->Packed & 0x40;
    if (it->Packed & 0x80) {
        it->BitsPerPixel = (it->Packed & 7) + 1;
        readColorTable(B, Pos, 1 << it->BitsPerPixel, it->ColorTable, cut);
        localTable = true;
    } else {
        it->ColorTable = owner->data->ColorTable;
        it->BitsPerPixel = owner->data->ColorTable.Count ? owner->data->BitsPerPixel : 8;
        localTable = false;
    }
    const qsizetype start = Pos;
    if (Pos < B.size()) {
        ++Pos; // the code-size byte
        readSubBlocks(B, Pos, &cut);
    } else {
        cut = true;
    }
    it->Data = B.mid(start, Pos - start);
    if (cut) it->Data.append('\0');
    if (it->Width == 0) it->Width = owner->screenWidth;
    if (it->Height == 0) it->Height = owner->screenHeight;
    // No frame larger than its data can fill.
    const int64_t most = maxPixelsOf(it->Data.size());
    if (int64_t(it->Width) * it->Height > most) {
        cut = true;
        if (it->Width > most) it->Width = int(most);
        it->Height = int(std::max<int64_t>(1, most / std::max(1, it->Width)));
    }
    corrupted = cut;
    item = it;
    if (corrupted && !GIFLoadCorrupted) readError();
    for (const auto& e : extensions) {
        if (e->Kind != ekGraphicControl || e->Block.size() < 6) continue;
        const uint8_t flags = uint8_t(e->Block[1]);
        if (flags & 1)
            transparentColor = it->ColorTable.Color(uint8_t(e->Block[4]));
        else
            transparentColor = clNone;
        interval = uint16_t(std::max<int>(std::min(le16(e->Block, 2) * 10, 65535), interval));
        disposal = (flags & 0x1C) >> 2;
    }
    return true;
}

void TGIFFrame::decode() {
    const TGIFItem& it = *item;
    int bitCount;
    if (it.BitsPerPixel == 1)
        bitCount = 1;
    else if (it.BitsPerPixel >= 2 && it.BitsPerPixel <= 4)
        bitCount = 4;
    else if (it.BitsPerPixel >= 5 && it.BitsPerPixel <= 8)
        bitCount = 8;
    else
        gifError(SWrongGIFColors);
    const int w = it.Width, h = it.Height;
    std::vector<uint8_t> pixels(size_t(w) * size_t(h), 0);
    auto bad = [&](int Ident) {
        corrupted = true;
        if (!GIFLoadCorrupted) gifError(Ident);
    };

    int codeSize = it.Data.isEmpty() ? 0 : byteAt(it.Data, 0);
    if (codeSize < 2 || codeSize > 9) {
        bad(SBadGIFCodeSize);
        codeSize = std::clamp(codeSize, 2, 9);
    }
    QByteArray payload;
    qsizetype pos = 1;
    for (const QByteArray& b : readSubBlocks(it.Data, pos))
        payload += b;
    CodeReader reader(payload);

    const int clear = 1 << codeSize, end = clear + 1;
    const uint8_t mask = uint8_t((1 << bitCount) - 1);
    std::vector<uint16_t> prefix(4096, 0);
    std::vector<uint8_t> suffix(4096, 0);
    std::vector<uint8_t> stack(4097);
    int width = codeSize + 1, next = clear + 2, prev = -1, first = 0;
    RowOrder rows{h, interlaced};
    int x = 0, rowsDone = 0;
    auto put = [&](uint8_t Pixel) {
        pixels[size_t(rows.Row) * size_t(w) + size_t(x)] = Pixel & mask;
        if (++x == w) {
            x = 0;
            ++rowsDone;
            rows.Advance();
        }
    };
    while (rowsDone < h && w > 0) {
        const int code = reader.Read(width);
        if (code < 0 || code == end) break;
        if (code == clear) {
            width = codeSize + 1;
            next = clear + 2;
            prev = -1;
            continue;
        }
        if (prev < 0) {
            if (code > clear) { // the first code after a clear must be a root
                bad(SGIFDecodeError);
                break;
            }
            put(uint8_t(code));
            prev = first = code;
            continue;
        }
        if (code > next || (code == next && next >= 4096)) {
            bad(SGIFDecodeError);
            break;
        }
        int sp = 0, c = code;
        if (c == next) {
            stack[size_t(sp++)] = uint8_t(first);
            c = prev;
        }
        while (c >= clear && sp < 4096) {
            stack[size_t(sp++)] = suffix[size_t(c)];
            c = prefix[size_t(c)];
        }
        if (c >= clear) {
            bad(SGIFDecodeError);
            break;
        }
        stack[size_t(sp++)] = uint8_t(c);
        first = c;
        while (sp > 0 && rowsDone < h)
            put(stack[size_t(--sp)]);
        if (next < 4096) {
            prefix[size_t(next)] = uint16_t(prev);
            suffix[size_t(next)] = uint8_t(first);
            if (++next >= (1 << width) && width < 12) ++width;
        }
        prev = code;
    }

    // A device-independent bitmap of the pixels and the frame's table.
    const int colors = 1 << bitCount;
    const qsizetype stride = ((qsizetype(w) * bitCount + 31) / 32) * 4;
    QByteArray dib;
    auto put32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            dib.append(char((v >> (8 * i)) & 0xFF));
    };
    put32(40);
    put32(uint32_t(w));
    put32(uint32_t(h));
    put16(dib, 1);
    put16(dib, bitCount);
    put32(0);
    put32(uint32_t(stride * h));
    put32(0);
    put32(0);
    put32(uint32_t(colors));
    put32(0);
    for (int i = 0; i < colors; ++i) {
        if (i < it.ColorTable.Count) {
            dib.append(char(it.ColorTable.Colors[size_t(i) * 3 + 2]));
            dib.append(char(it.ColorTable.Colors[size_t(i) * 3 + 1]));
            dib.append(char(it.ColorTable.Colors[size_t(i) * 3]));
            dib.append('\0');
        } else {
            dib.append(4, char(0x80));
        }
    }
    const qsizetype bitsAt = dib.size();
    dib.resize(bitsAt + stride * h, '\0');
    auto* bits = reinterpret_cast<uint8_t*>(dib.data()) + bitsAt;
    for (int y = 0; y < h; ++y) {
        uint8_t* row = bits + stride * (h - 1 - y);
        const uint8_t* src = pixels.data() + size_t(y) * size_t(w);
        for (int i = 0; i < w; ++i) {
            if (bitCount == 8)
                row[i] = src[i];
            else if (bitCount == 4)
                row[i >> 1] |= uint8_t((i & 1) ? src[i] : src[i] << 4);
            else
                row[i >> 3] |= uint8_t(src[i] << (7 - (i & 7)));
        }
    }
    auto b = std::make_unique<TBitmap>();
    if (w > 0 && h > 0) b->LoadFromDIB(dib);
    if (bitCount != 1) b->SetHandleType(bmDDB);
    bitmap = std::move(b);
}

void TGIFFrame::encode() {
    if (!bitmap || bitmap->GetEmpty()) gifError(SNoGIFData);
    const TPixelFormat f = bitmap->GetPixelFormat();
    std::unique_ptr<TMemoryStream> dib;
    if (f == pf1bit || f == pf4bit || f == pf8bit) {
        dib = std::make_unique<TMemoryStream>();
        bitmap->SaveToStream(dib.get());
    } else {
        dib = BitmapToDIBStream(bitmap.get(), pf8bit, grayScale ? rmGray : DefaultReductionMethod);
    }
    const QByteArray b = dib->GetBytes();
    if (b.size() < 54) gifError(SGIFEncodeError);
    auto u32 = [&](qsizetype at) {
        return uint32_t(le16(b, at)) | uint32_t(le16(b, at + 2)) << 16;
    };
    const int bitCount = le16(b, 28);
    if (bitCount != 1 && bitCount != 4 && bitCount != 8) gifError(SGIFEncodeError);
    const int w = int(u32(18)), h = int(int32_t(u32(22)));
    const uint32_t offBits = u32(10), infoSize = u32(14);
    int used = int(u32(46));
    if (used <= 0 || used > (1 << bitCount)) used = 1 << bitCount;
    const qsizetype stride = ((qsizetype(w) * bitCount + 31) / 32) * 4;
    if (w <= 0 || h <= 0 || qsizetype(offBits) + stride * h > b.size() ||
        14 + qsizetype(infoSize) + used * 4 > b.size())
        gifError(SGIFEncodeError);

    auto it = std::make_shared<TGIFItem>();
    it->Width = w;
    it->Height = h;
    // The table holds every entry the pixel width can address.
    it->ColorTable.Count = 1 << bitCount;
    for (int i = 0; i < used; ++i) {
        const qsizetype at = 14 + qsizetype(infoSize) + i * 4;
        it->ColorTable.Colors[size_t(i) * 3] = byteAt(b, at + 2);
        it->ColorTable.Colors[size_t(i) * 3 + 1] = byteAt(b, at + 1);
        it->ColorTable.Colors[size_t(i) * 3 + 2] = byteAt(b, at);
    }
    it->BitsPerPixel = bitsFor(it->ColorTable.Count);
    std::vector<uint8_t> pixels;
    pixels.reserve(size_t(w) * size_t(h));
    for (int y = 0; y < h; ++y) {
        const auto* row =
            reinterpret_cast<const uint8_t*>(b.constData()) + offBits + stride * (h - 1 - y);
        for (int x = 0; x < w; ++x) {
            if (bitCount == 8)
                pixels.push_back(row[x]);
            else if (bitCount == 4)
                pixels.push_back((x & 1) ? row[x >> 1] & 0x0F : row[x >> 1] >> 4);
            else
                pixels.push_back((row[x >> 3] >> (7 - (x & 7))) & 1);
        }
    }
    it->Data = lzwEncode(pixels, bitCount);
    TGIFImage::TGIFData& d = owner->ownData();
    if (d.ColorTable.Count == 0) {
        d.ColorTable = it->ColorTable;
        d.BitsPerPixel = it->BitsPerPixel;
        d.ColorResolution = it->BitsPerPixel;
        localTable = false;
    } else {
        localTable = true;
    }
    it->Packed = uint8_t(localTable ? 0x80 | (it->BitsPerPixel - 1) : 0);
    interlaced = false;
    item = it;
    owner->updateScreenSize();
}

void TGIFFrame::updateExtensions() {
    auto isControl = [](const auto& e) { return e->Kind == ekGraphicControl; };
    if ((interval || transparentColor != clNone || disposal) &&
        std::none_of(extensions.begin(), extensions.end(), isControl)) {
        auto e = std::make_unique<TExtension>();
        e->Kind = ekGraphicControl;
        e->Block = QByteArray("\x04\0\0\0\0\0", 6);
        extensions.insert(extensions.begin(), std::move(e));
    }
    for (auto& e : extensions) {
        if (e->Kind != ekGraphicControl) continue;
        e->Block.resize(6, '\0');
        e->Block[0] = 4;
        const int delay = interval / 10;
        e->Block[2] = char(delay & 0xFF);
        e->Block[3] = char(delay >> 8);
        uint8_t flags = uint8_t(e->Block[1]) & ~uint8_t(0x1D);
        const int index =
            transparentColor == clNone ? -1 : item->ColorTable.IndexOf(transparentColor);
        if (index >= 0) {
            e->Block[4] = char(index);
            flags |= 1;
        }
        flags |= uint8_t((disposal & 7) << 2);
        e->Block[1] = char(flags);
        e->Block[5] = 0;
    }
    std::erase_if(extensions, [](const auto& e) {
        return e->Kind == ekComment && std::all_of(e->Data.begin(), e->Data.end(),
                                                   [](const QByteArray& d) { return d.isEmpty(); });
    });
    if (!extensions.empty()) owner->version = gv89a;
}

void TGIFFrame::write(QByteArray& Out) const {
    static constexpr char labels[] = {char(0xF9), 0x01, char(0xFF), char(0xFE)};
    static constexpr int blockSizes[] = {6, 13, 12, 0};
    for (const auto& e : extensions) {
        Out.append('!');
        Out.append(labels[e->Kind]);
        QByteArray block = e->Block.left(blockSizes[e->Kind]);
        block.resize(blockSizes[e->Kind], '\0');
        Out.append(block);
        if (e->Kind != ekGraphicControl) {
            for (const QByteArray& d : e->Data)
                writeSubBlocks(Out, d);
            Out.append('\0');
        }
    }
    Out.append(',');
    put16(Out, origin.X);
    put16(Out, origin.Y);
    put16(Out, item->Width);
    put16(Out, item->Height);
    uint8_t packed = 0;
    if (localTable) packed = uint8_t(0x80 | (item->BitsPerPixel - 1));
    if (interlaced) packed |= 0x40;
    Out.append(char(packed));
    if (localTable) {
        const int count = 1 << item->BitsPerPixel;
        Out.append(reinterpret_cast<const char*>(item->ColorTable.Colors.data()),
                   qsizetype(count) * 3);
    }
    Out.append(item->Data);
}

// ---- image ----

TGIFImage::TGIFImage() {
    Clear();
    transparent = true;
}

TGIFImage::~TGIFImage() = default;

void TGIFImage::Clear() {
    data = std::make_shared<TGIFData>();
    frames.clear();
    frameIndex = -1;
    backgroundColor = clNone;
    repeatCount = 1;
    looping = false;
    spare = false;
    version = gvUnknown;
    screenWidth = screenHeight = 0;
}

TGIFImage::TGIFData& TGIFImage::ownData() {
    if (data.use_count() > 1) data = std::make_shared<TGIFData>(*data);
    return *data;
}

std::unique_ptr<TGraphic> TGIFImage::Clone() const {
    auto g = std::make_unique<TGIFImage>();
    g->Assign(const_cast<TGIFImage*>(this));
    return g;
}

TGIFFrame* TGIFImage::GetFrames(int Index) const {
    if (Index < 0 || Index >= int(frames.size()))
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(Index));
    return frames[size_t(Index)].get();
}

void TGIFImage::SetFrameIndex(int Value) {
    if (frames.empty()) return;
    frameIndex = std::clamp(Value, 0, int(frames.size()) - 1);
    Changed();
}

void TGIFImage::DeleteFrame(int Index) {
    GetFrames(Index);
    frames.erase(frames.begin() + Index);
    if (frameIndex >= int(frames.size())) frameIndex = int(frames.size()) - 1;
    updateScreenSize();
    Changed();
}

bool TGIFImage::GetEmpty() const {
    if (frames.empty()) return true;
    const TGIFFrame* f = frames[size_t(std::max(0, frameIndex))].get();
    return !f->bitmap && !(f->item && !f->item->Data.isEmpty());
}

int TGIFImage::GetWidth() const {
    if (GetEmpty() || frameIndex < 0 || frameIndex >= int(frames.size())) return 0;
    TBitmap* b = frames[size_t(frameIndex)]->GetBitmap();
    return b ? b->GetWidth() : 0;
}

int TGIFImage::GetHeight() const {
    if (GetEmpty() || frameIndex < 0 || frameIndex >= int(frames.size())) return 0;
    TBitmap* b = frames[size_t(frameIndex)]->GetBitmap();
    return b ? b->GetHeight() : 0;
}

void TGIFImage::SetWidth(int) {
    gifError(SChangeGIFSize);
}

void TGIFImage::SetHeight(int) {
    gifError(SChangeGIFSize);
}

bool TGIFImage::GetTransparent() const {
    return TGraphic::GetTransparent() &&
           std::any_of(frames.begin(), frames.end(),
                       [](const auto& f) { return f->transparentColor != clNone; });
}

TPalette TGIFImage::GetPalette() const {
    if (frames.empty()) return TPalette();
    TBitmap* b = frames[size_t(std::max(0, frameIndex))]->GetBitmap();
    return b ? b->GetPalette() : TPalette();
}

bool TGIFImage::Equals(TGraphic* Graphic) const {
    auto* g = dynamic_cast<TGIFImage*>(Graphic);
    return g && g->data == data;
}

void TGIFImage::updateScreenSize() {
    int w = 0, h = 0;
    for (const auto& f : frames) {
        w = std::max(w, f->origin.X + f->GetWidth());
        h = std::max(h, f->origin.Y + f->GetHeight());
    }
    screenWidth = uint16_t(std::min(w, 65535));
    screenHeight = uint16_t(std::min(h, 65535));
}

int TGIFImage::AddFrame(TGraphic* Graphic) {
    auto f = std::make_unique<TGIFFrame>(this);
    frames.push_back(std::move(f));
    frames.back()->Assign(Graphic);
    frameIndex = int(frames.size()) - 1;
    if (version < gv87a) version = gv87a;
    if (frames.size() > 1) version = gv89a;
    Changed();
    return frameIndex;
}

void TGIFImage::Assign(TPersistent* Source) {
    if (!Source) {
        Clear();
        Changed();
        return;
    }
    if (Source == this) return;
    if (auto* g = dynamic_cast<TGIFImage*>(Source)) {
        Clear();
        data = g->data;
        backgroundColor = g->backgroundColor;
        repeatCount = g->repeatCount;
        looping = g->looping;
        spare = g->spare;
        version = g->version;
        screenWidth = g->screenWidth;
        screenHeight = g->screenHeight;
        for (const auto& f : g->frames) {
            auto copy = std::make_unique<TGIFFrame>(this);
            copy->Assign(f.get());
            copy->localTable = f->localTable;
            frames.push_back(std::move(copy));
        }
        frameIndex = g->frameIndex;
        Changed();
        return;
    }
    if (auto* f = dynamic_cast<TGIFFrame*>(Source)) {
        Clear();
        if (f->owner) ownData().ColorTable = f->owner->data->ColorTable;
        if (f->owner) ownData().BitsPerPixel = f->owner->data->BitsPerPixel;
        frames.push_back(std::make_unique<TGIFFrame>(this));
        frames.back()->Assign(f);
        frames.back()->localTable = f->localTable && f->owner;
        frameIndex = 0;
        version = frames.back()->extensions.empty() ? gv87a : gv89a;
        Changed();
        return;
    }
    if (auto* c = dynamic_cast<TAnimatedCursorImage*>(Source)) {
        assignCursor(c);
        return;
    }
    if (auto* g = dynamic_cast<TGraphic*>(Source)) {
        Clear();
        if (!g->GetEmpty()) AddFrame(g);
        Changed();
        return;
    }
    TGraphic::Assign(Source);
}

void TGIFImage::assignCursor(TAnimatedCursorImage* Cursor) {
    Clear();
    backgroundColor = clWindow;
    for (int i = 0; i < Cursor->GetIconCount(); ++i) {
        TIconFrame* src = Cursor->GetFrames(i);
        AddFrame(src->GetIcon());
        frames.back()->interval =
            uint16_t(std::min<int64_t>(int64_t(src->GetJiffies()) * 100 / 6, 65535));
    }
    if (frames.size() > 1) looping = true, repeatCount = 0;
    Changed();
}

void TGIFImage::AssignTo(TPersistent* Dest) {
    if (auto* b = dynamic_cast<TBitmap*>(Dest)) {
        if (GetEmpty()) {
            b->Assign(nullptr);
            return;
        }
        TGIFFrame* f = frames[size_t(std::max(0, frameIndex))].get();
        f->AssignTo(b);
        return;
    }
    TGraphic::AssignTo(Dest);
}

void TGIFImage::Draw(TCanvas* ACanvas, const TRect& Rect) {
    if (frameIndex < 0 || frameIndex >= int(frames.size())) return;
    TGIFFrame* f = frames[size_t(frameIndex)].get();
    TBitmap* b = f->GetBitmap();
    if (!b || b->GetEmpty()) return;
    if (f->transparentColor != clNone && GetTransparent())
        DrawTransparentStretched(ACanvas, b, f->transparentColor, Rect.Left, Rect.Top,
                                 Rect.Right - Rect.Left, Rect.Bottom - Rect.Top, 0, 0,
                                 b->GetWidth(), b->GetHeight());
    else
        ACanvas->StretchDraw(Rect, b);
}

QImage TGIFImage::ToImage() const {
    if (GetEmpty()) return QImage();
    TGIFFrame* f = frames[size_t(std::max(0, frameIndex))].get();
    TBitmap* b = f->GetBitmap();
    if (!b) return QImage();
    QImage img = b->ToImage().convertToFormat(QImage::Format_ARGB32);
    if (f->transparentColor != clNone) {
        const QRgb key = ColorToQColor(f->transparentColor).rgb();
        for (int y = 0; y < img.height(); ++y) {
            auto* p = reinterpret_cast<QRgb*>(img.scanLine(y));
            for (int x = 0; x < img.width(); ++x)
                if ((p[x] | 0xFF000000u) == key) p[x] = 0;
        }
    }
    return img;
}

// ---- reading ----

void TGIFImage::readStream(const QByteArray& B, bool DecodeFirst) {
    Clear();
    if (B.size() < 6 || B.left(3).toUpper() != "GIF") gifError(SGIFVersion);
    const QByteArray v = B.mid(3, 3).toLower();
    if (v == "87a")
        version = gv87a;
    else if (v == "89a")
        version = gv89a;
    else
        gifError(SGIFVersion);
    if (B.size() < 13) readError();
    screenWidth = le16(B, 6);
    screenHeight = le16(B, 8);
    const uint8_t packed = byteAt(B, 10);
    const int background = byteAt(B, 11);
    TGIFData& d = ownData();
    d.AspectRatio = byteAt(B, 12);
    d.BitsPerPixel = (packed & 7) + 1;
    d.ColorResolution = ((packed & 0x70) >> 4) + 1;
    qsizetype pos = 13;
    if (packed & 0x80) {
        bool cut = false;
        readColorTable(B, pos, 1 << d.BitsPerPixel, d.ColorTable, cut);
        if (background < d.ColorTable.Count) backgroundColor = d.ColorTable.Color(background);
    }

    auto nextBlock = [&]() -> int {
        while (pos < B.size() && B[pos] == 0)
            ++pos;
        return pos < B.size() ? byteAt(B, pos++) : ';';
    };
    std::vector<std::unique_ptr<TExtension>> gathered;
    int block = nextBlock();
    while (block != 0 && block != ';') {
        if (block == '!') {
            while (block == '!') {
                if (pos >= B.size()) {
                    block = ';';
                    break;
                }
                const int label = byteAt(B, pos++);
                auto e = std::make_unique<TExtension>();
                // A fixed block, skipped by its own size byte.
                auto fixedBlock = [&]() {
                    if (pos >= B.size()) return QByteArray();
                    const int n = byteAt(B, pos);
                    QByteArray fixed = B.mid(pos, 1 + n);
                    pos = std::min(B.size(), pos + 1 + n);
                    return fixed;
                };
                switch (label) {
                case 0xF9: {
                    QByteArray fixed = fixedBlock();
                    fixed.resize(5, '\0');
                    fixed[0] = 4;
                    e->Kind = ekGraphicControl;
                    e->Block = fixed + QByteArray(1, '\0');
                    readSubBlocks(B, pos);
                    gathered.push_back(std::move(e));
                    break;
                }
                case 0xFE:
                    e->Kind = ekComment;
                    e->Data = readSubBlocks(B, pos);
                    gathered.push_back(std::move(e));
                    break;
                case 0x01:
                    fixedBlock();
                    readSubBlocks(B, pos);
                    gathered.clear();
                    break;
                case 0xFF: {
                    const QByteArray id = fixedBlock().mid(1, 11);
                    const auto blocks = readSubBlocks(B, pos);
                    if ((id == "NETSCAPE2.0" || id == "ANIMEXTS1.0") && !blocks.empty() &&
                        blocks[0].size() >= 3 && blocks[0][0] == 1) {
                        looping = true;
                        repeatCount = std::min<uint16_t>(le16(blocks[0], 1), 30000);
                    }
                    break;
                }
                default:
                    throw EInvalidGraphicOperation(
                        RxLoadStr(SUnrecognizedGIFExt)
                            .replace(QStringLiteral("%.2x"),
                                     QStringLiteral("%1").arg(label, 2, 16, QChar('0'))));
                }
                block = nextBlock();
            }
            if (block != ',') {
                if (d.Comment.isEmpty())
                    for (const auto& e : gathered)
                        if (e->Kind == ekComment) {
                            if (!d.Comment.isEmpty()) d.Comment << QStringLiteral("\r\n\r\n");
                            d.Comment += linesOf(e->Data);
                        }
                gathered.clear();
                if (block != 0 && block != ';') readError();
            }
            continue;
        }
        if (block == ',') {
            auto f = std::make_unique<TGIFFrame>(this);
            f->extensions = std::move(gathered);
            gathered.clear();
            if (!f->readFrom(B, pos)) break;
            frames.push_back(std::move(f));
            block = nextBlock();
            if (block != '!' && block != ',' && block != ';') block = 0;
            continue;
        }
        readError();
    }
    if (!frames.empty()) {
        frameIndex = 0;
        if (DecodeFirst) frames[0]->GetBitmap();
    }
    Changed();
}

void TGIFImage::LoadFromStream(TStream* Stream) {
    readStream(ReadRestOfStream(Stream), true);
}

void TGIFImage::ReadData(TStream* Stream) {
    const int32_t size = Stream->ReadInt32();
    if (size < 0 || size > Stream->GetSize() - Stream->GetPosition()) readError();
    readStream(Stream->ReadBytes(size), true);
}

// ---- writing ----

QByteArray TGIFImage::writeStream() {
    if (frames.empty()) gifError(SNoGIFData);
    for (auto& f : frames) {
        if (!f->item || f->item->Data.isEmpty()) f->encode();
        f->updateExtensions();
    }
    updateScreenSize();
    const TGIFData& d = *data;
    QByteArray out("GIF");
    out.append(!d.Comment.isEmpty() || version == gv89a ? "89a" : "87a");
    put16(out, screenWidth);
    put16(out, screenHeight);
    if (d.ColorTable.Count == 0) {
        out.append('\0');
        out.append('\0');
    } else {
        int colorBits = 0;
        for (int b = 1; b <= 8; ++b)
            if (d.ColorTable.Count == 1 << b) colorBits = b;
        if (colorBits == 0 || d.BitsPerPixel < 1 || d.BitsPerPixel > 8) gifError(SWrongGIFColors);
        out.append(char(0x80 | ((colorBits - 1) << 4) | (d.BitsPerPixel - 1)));
        const int bg = backgroundColor == clNone ? -1 : d.ColorTable.IndexOf(backgroundColor);
        out.append(char(std::max(bg, 0)));
    }
    out.append(char(d.AspectRatio));
    if (d.ColorTable.Count)
        out.append(reinterpret_cast<const char*>(d.ColorTable.Colors.data()),
                   qsizetype(d.ColorTable.Count) * 3);
    if (looping && frames.size() > 1) {
        out.append("!\xFF\x0BNETSCAPE2.0\x03\x01", 16);
        put16(out, repeatCount);
        out.append('\0');
    }
    for (const auto& f : frames)
        f->write(out);
    if (!d.Comment.isEmpty()) {
        out.append("!\xFE", 2);
        for (const QString& line : d.Comment)
            writeSubBlocks(out, ToCodePage(line));
        out.append('\0');
    }
    out.append(';');
    return out;
}

void TGIFImage::SaveToStream(TStream* Stream) {
    const QByteArray b = writeStream();
    Stream->WriteBuffer(b.constData(), b.size());
}

void TGIFImage::WriteData(TStream* Stream) {
    const QByteArray b = writeStream();
    Stream->WriteInt32(int32_t(b.size()));
    Stream->WriteBuffer(b.constData(), b.size());
}

// ---- clipboard ----

uint16_t TGIFImage::ClipboardFormat() {
    static const uint16_t format = [] {
        uint16_t f = RegisterClipboardFormat(QStringLiteral("GIF Image"));
        TPicture::RegisterClipboardFormat(f, [] { return std::make_unique<TGIFImage>(); });
        TPicture::RegisterFileFormat(QStringLiteral("gif"), RxLoadStr(SGIFImage),
                                     [] { return std::make_unique<TGIFImage>(); });
        return f;
    }();
    return format;
}

void TGIFImage::LoadFromClipboardFormat(uint16_t Format, const QByteArray& Data) {
    if (Format == ClipboardFormat()) {
        TMemoryStream s;
        s.SetBytes(Data);
        const int32_t size = s.ReadInt32();
        if (size < 0 || size > Data.size() - 4) readError();
        readStream(Data.mid(4, size), false);
        return;
    }
    TBitmap b;
    b.LoadFromClipboardFormat(Format, Data);
    Assign(&b);
}

void TGIFImage::SaveToClipboardFormat(uint16_t& Format, QByteArray& Data) {
    if (frames.empty()) return;
    const QByteArray b = writeStream();
    Format = ClipboardFormat();
    Data.clear();
    put16(Data, int(b.size() & 0xFFFF));
    put16(Data, int(b.size() >> 16));
    Data.append(b);
}

namespace {
const bool registeredAtStart = (TGIFImage::ClipboardFormat(), true);
}
