// Bitmaps: the Windows BMP format in and out at every pixel format.
#include "ByteBuilder.h"
#include "Graphics.h"

#include <QBuffer>
#include <QImage>
#include <gtest/gtest.h>

namespace {

uint32_t get32(const QByteArray& b, int at) {
    auto* p = reinterpret_cast<const uint8_t*>(b.constData()) + at;
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

// BITMAPINFOHEADER.
QByteArray infoHeader(int w, int h, int bpp, int compression = 0, int clrUsed = 0) {
    QByteArray b;
    put32(b, 40);
    put32(b, w);
    put32(b, h);
    put16(b, 1);
    put16(b, bpp);
    put32(b, compression);
    put32(b, 0);
    put32(b, 0);
    put32(b, 0);
    put32(b, clrUsed);
    put32(b, 0);
    return b;
}

// The file header in front of a packed DIB whose pixels start at PixelsAt (from the DIB).
QByteArray bmpFile(const QByteArray& dib, int pixelsAt) {
    QByteArray b("BM");
    put32(b, 14 + dib.size());
    put32(b, 0);
    put32(b, 14 + pixelsAt);
    return b + dib;
}

QByteArray rgbQuads(std::initializer_list<uint32_t> rgbs) {
    QByteArray b;
    for (uint32_t c : rgbs) {
        b.append(char(c & 0xFF));         // blue
        b.append(char((c >> 8) & 0xFF));  // green
        b.append(char((c >> 16) & 0xFF)); // red
        b.append(char(0));
    }
    return b;
}

QByteArray bytes(std::initializer_list<int> v) {
    QByteArray b;
    for (int x : v)
        b.append(char(x));
    return b;
}

std::vector<std::vector<TColor>> pixels(TBitmap& b) {
    std::vector<std::vector<TColor>> rows;
    for (int y = 0; y < b.GetHeight(); ++y) {
        rows.emplace_back();
        for (int x = 0; x < b.GetWidth(); ++x)
            rows.back().push_back(b.GetCanvas()->GetPixels(x, y));
    }
    return rows;
}

void loadBytes(TBitmap& b, const QByteArray& data) {
    TMemoryStream s;
    s.SetBytes(data);
    b.LoadFromStream(&s);
}

QByteArray saveBytes(TBitmap& b) {
    TMemoryStream s;
    b.SaveToStream(&s);
    return s.GetBytes();
}

const TColor gray = 0x808080;

} // namespace

TEST(Bitmap, SaveLoadRoundTripAtEveryPixelFormat) {
    struct Case {
        TPixelFormat Format;
        int Bits;
        int PaletteSize;
    };
    const Case cases[] = {{pf1bit, 1, 2},   {pf4bit, 4, 16},  {pf8bit, 8, 256}, {pf15bit, 16, 0},
                          {pf16bit, 16, 0}, {pf24bit, 24, 0}, {pf32bit, 32, 0}};
    // Colours every format holds exactly (pf1bit: black and white only).
    const TColor pure[] = {clBlack, clWhite, clRed, clLime, clBlue, clYellow, clAqua, clFuchsia};
    for (const Case& k : cases) {
        // 13 x 5: rows need padding at every depth.
        TBitmap b(13, 5);
        TCanvas* c = b.GetCanvas();
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 13; ++x) {
                int i = (x + 3 * y) % 10;
                TColor col = i < 8 ? pure[i] : (i == 8 ? TColor(0x123456) : TColor(0x84C0F0));
                if (k.Format == pf1bit) col = (x + y) % 2 ? clWhite : clBlack;
                c->SetPixels(x, y, col);
            }
        b.SetPixelFormat(k.Format);
        auto shown = pixels(b); // what the format holds
        EXPECT_EQ(shown[0][0], k.Format == pf1bit ? clBlack : pure[0]);
        EXPECT_EQ(shown[0][2], k.Format == pf1bit ? clBlack : clRed);

        QByteArray file = saveBytes(b);
        const int stride = ((13 * k.Bits + 31) / 32) * 4;
        const int off = 14 + 40 + (k.Format == pf16bit ? 12 : 0) + 4 * k.PaletteSize;
        EXPECT_EQ(file.left(2), QByteArray("BM"));
        EXPECT_EQ(get32(file, 2), uint32_t(file.size()));
        EXPECT_EQ(get32(file, 10), uint32_t(off)) << k.Bits;
        EXPECT_EQ(file.size(), off + 5 * stride) << k.Bits;
        EXPECT_EQ(file[28], char(k.Bits));

        TBitmap back;
        loadBytes(back, file);
        EXPECT_EQ(back.GetPixelFormat(), k.Format);
        EXPECT_EQ(back.GetWidth(), 13);
        EXPECT_EQ(back.GetHeight(), 5);
        EXPECT_EQ(pixels(back), shown) << "format " << k.Format;
        if (k.Format == pf24bit || k.Format == pf32bit) {
            EXPECT_EQ(back.GetCanvas()->GetPixels(8, 0), 0x123456);
        }

        // Qt's own BMP reader sees the same pixels.
        QImage q = QImage::fromData(file, "BMP");
        ASSERT_FALSE(q.isNull()) << k.Bits;
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 13; ++x) {
                uint32_t v = q.pixel(x, y) & 0xFFFFFFu;
                TColor fromQt = TColor(((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF));
                // Qt widens 5- and 6-bit channels by shifting (31 -> 248), we by scaling.
                const int tolerance = k.Bits == 16 ? 7 : 0;
                const uint32_t want = uint32_t(shown[size_t(y)][size_t(x)]);
                for (int ch = 0; ch < 3; ++ch)
                    ASSERT_NEAR(int((uint32_t(fromQt) >> (8 * ch)) & 0xFF),
                                int((want >> (8 * ch)) & 0xFF), tolerance)
                        << k.Bits << " at " << x << "," << y;
            }
    }
}

TEST(Bitmap, IndexedFormatsKeepTheirOwnPalette) {
    // 256 colours that are not the default palette survive an 8-bit round trip exactly.
    std::vector<TColor> colours;
    for (int i = 0; i < 256; ++i)
        colours.push_back(TColor(RGB(i, (i * 7) & 0xFF, 255 - i)));
    TBitmap b(16, 16);
    b.SetPixelFormat(pf8bit);
    b.SetPalette(TPalette(colours));
    for (int i = 0; i < 256; ++i)
        b.GetCanvas()->SetPixels(i % 16, i / 16, colours[size_t(i)]);
    TBitmap back;
    loadBytes(back, saveBytes(b));
    EXPECT_EQ(back.GetPalette().Entries, colours);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(back.GetCanvas()->GetPixels(i % 16, i / 16), colours[size_t(i)]) << i;

    // A colour the palette lacks is written as the nearest entry.
    TBitmap mono(2, 1);
    mono.SetPixelFormat(pf1bit);
    EXPECT_TRUE(mono.GetMonochrome());
    mono.GetCanvas()->SetPixels(0, 0, TColor(0x202020));
    mono.GetCanvas()->SetPixels(1, 0, TColor(0xE0E0E0));
    TBitmap monoBack;
    loadBytes(monoBack, saveBytes(mono));
    EXPECT_EQ(monoBack.GetCanvas()->GetPixels(0, 0), clBlack);
    EXPECT_EQ(monoBack.GetCanvas()->GetPixels(1, 0), clWhite);
}

TEST(Bitmap, ReadsHandMadeFiles) {
    const TColor R = clRed, G = clLime, B = clBlue, W = clWhite, K = clBlack;
    struct Case {
        const char* Name;
        QByteArray File;
        TPixelFormat Format;
        std::vector<std::vector<TColor>> Expected;
    };
    std::vector<Case> cases;

    // 24-bit, bottom-up, rows of 9 bytes padded to 12.
    {
        QByteArray px = bytes({0xFF, 0xFF, 0xFF, 0, 0,    0, 0x80, 0x80, 0x80, 0, 0, 0,   // bottom
                               0,    0,    0xFF, 0, 0xFF, 0, 0xFF, 0,    0,    0, 0, 0}); // top
        cases.push_back(
            {"24-bit", bmpFile(infoHeader(3, 2, 24) + px, 40), pf24bit, {{R, G, B}, {W, K, gray}}});
    }
    // 8-bit with a three-entry palette.
    {
        QByteArray dib = infoHeader(3, 2, 8, 0, 3) + rgbQuads({0x000000, 0xFF0000, 0x0000FF});
        int at = dib.size();
        dib += bytes({1, 2, 0, 0, 0, 1, 2, 0});
        cases.push_back({"8-bit", bmpFile(dib, at), pf8bit, {{K, R, B}, {R, B, K}}});
    }
    // OS/2 core header, 1-bit, palette of RGB triples.
    {
        QByteArray dib;
        put32(dib, 12);
        put16(dib, 10);
        put16(dib, 2);
        put16(dib, 1);
        put16(dib, 1);
        dib += bytes({0, 0, 0, 0xFF, 0xFF, 0xFF});
        int at = dib.size();
        dib += bytes({0xFF, 0xC0, 0, 0, 0xAA, 0x80, 0, 0});
        cases.push_back({"OS/2 1-bit",
                         bmpFile(dib, at),
                         pf1bit,
                         {{W, K, W, K, W, K, W, K, W, K}, {W, W, W, W, W, W, W, W, W, W}}});
    }
    // RLE8: a run, an absolute run padded to a word, a delta, end of bitmap.
    {
        QByteArray dib =
            infoHeader(4, 3, 8, 1, 4) + rgbQuads({0x000000, 0xFF0000, 0x00FF00, 0x0000FF});
        int at = dib.size();
        dib += bytes({4, 1, 0, 0,               // bottom row: 4 red
                      0, 3, 2, 3, 2, 0, 0, 0,   // middle: green blue green
                      0, 2, 2, 0, 2, 3, 0, 1}); // top: skip 2, 2 blue, end
        cases.push_back(
            {"RLE8", bmpFile(dib, at), pf8bit, {{K, K, B, B}, {G, B, G, K}, {R, R, R, R}}});
    }
    // RLE4: runs alternate the two nibbles.
    {
        QByteArray dib = infoHeader(4, 2, 4, 2, 2) + rgbQuads({0x000000, 0xFFFFFF});
        int at = dib.size();
        dib += bytes({4, 0x10, 0, 0, 0, 4, 0x11, 0x00, 0, 1});
        cases.push_back({"RLE4", bmpFile(dib, at), pf4bit, {{W, W, K, K}, {W, K, W, K}}});
    }
    // 16-bit 5-6-5 with bit-field masks.
    {
        QByteArray dib = infoHeader(2, 1, 16, 3);
        put32(dib, 0xF800);
        put32(dib, 0x07E0);
        put32(dib, 0x001F);
        int at = dib.size();
        dib += bytes({0x00, 0xF8, 0xE0, 0x07});
        cases.push_back({"16-bit 565", bmpFile(dib, at), pf16bit, {{R, G}}});
    }
    // 32-bit top-down (negative height).
    {
        QByteArray dib = infoHeader(2, -2, 32);
        int at = dib.size();
        dib += bytes({0xFF, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0});
        cases.push_back({"32-bit top-down", bmpFile(dib, at), pf32bit, {{B, W}, {K, R}}});
    }

    for (const Case& k : cases) {
        TBitmap b;
        ASSERT_NO_THROW(loadBytes(b, k.File)) << k.Name;
        EXPECT_EQ(b.GetPixelFormat(), k.Format) << k.Name;
        EXPECT_EQ(pixels(b), k.Expected) << k.Name;
    }
}

TEST(Bitmap, RejectsBrokenFiles) {
    QByteArray good = bmpFile(infoHeader(2, 2, 24) + QByteArray(16, '\0'), 40);
    QByteArray truncated = good.left(good.size() - 5);
    QByteArray badMagic = good;
    badMagic[0] = 'X';
    QByteArray zeroWidth = bmpFile(infoHeader(0, 2, 24) + QByteArray(16, '\0'), 40);
    QByteArray oddDepth = bmpFile(infoHeader(2, 2, 7) + QByteArray(16, '\0'), 40);
    QByteArray huge = bmpFile(infoHeader(60000, 60000, 24), 40);
    QByteArray badHeader = good;
    badHeader[14] = 99; // header size 99
    QByteArray rleTopDown = bmpFile(infoHeader(2, -2, 8, 1) + QByteArray(1024 + 4, '\0'), 1064);
    const std::pair<const char*, QByteArray> cases[] = {
        {"empty", QByteArray()}, {"magic only", QByteArray("BM")}, {"truncated", truncated},
        {"bad magic", badMagic}, {"zero width", zeroWidth},        {"7 bits", oddDepth},
        {"huge", huge},          {"header size", badHeader},       {"RLE top-down", rleTopDown}};
    for (const auto& [name, data] : cases) {
        TBitmap b(3, 3);
        try {
            loadBytes(b, data);
            ADD_FAILURE() << name << " loaded";
        } catch (const EInvalidGraphic& e) {
            EXPECT_EQ(e.Message, "Bitmap image is not valid") << name;
        }
        EXPECT_EQ(b.GetWidth(), 3) << "a failed load keeps the bitmap: " << name;
    }
}

TEST(Bitmap, LoadsFromTheMiddleOfAStream) {
    TBitmap b(3, 3);
    b.GetCanvas()->SetPixels(1, 1, clRed);
    TMemoryStream s;
    s.WriteBytes("HEAD");
    b.SaveToStream(&s);
    int64_t end = s.GetPosition();
    s.WriteBytes("TAIL");
    s.SetPosition(4);
    TBitmap back;
    back.LoadFromStream(&s);
    EXPECT_EQ(s.GetPosition(), end);
    EXPECT_EQ(s.ReadBytes(4), QByteArray("TAIL"));
    EXPECT_EQ(back.GetCanvas()->GetPixels(1, 1), clRed);
}

TEST(Bitmap, SizeAssignMaskAndChangeEvents) {
    TBitmap b;
    EXPECT_TRUE(b.GetEmpty());
    int changes = 0;
    b.OnChange = [&](TObject*) { ++changes; };
    b.SetSize(4, 3);
    EXPECT_EQ(changes, 1);
    b.GetCanvas()->GetBrush()->SetColor(clRed);
    b.GetCanvas()->FillRect(Rect(0, 0, 2, 2));
    EXPECT_EQ(changes, 2) << "drawing on the canvas changes the bitmap";
    EXPECT_EQ(b.GetCanvas()->GetPixels(3, 2), clBlack) << "new bitmaps start black";

    // Growing keeps the pixels at the top left.
    b.SetWidth(6);
    EXPECT_EQ(b.GetCanvas()->GetPixels(1, 1), clRed);
    EXPECT_EQ(b.GetCanvas()->GetPixels(5, 0), clBlack);

    // A copy is independent.
    TBitmap copy;
    copy.Assign(&b);
    b.GetCanvas()->SetPixels(0, 0, clBlue);
    EXPECT_EQ(copy.GetCanvas()->GetPixels(0, 0), clRed);
    std::unique_ptr<TGraphic> clone = b.Clone();
    EXPECT_EQ(dynamic_cast<TBitmap*>(clone.get())->GetCanvas()->GetPixels(0, 0), clBlue);

    // Mask: the transparent colour white, everything else black, monochrome.
    b.Mask(clRed);
    EXPECT_TRUE(b.GetMonochrome());
    EXPECT_EQ(b.GetCanvas()->GetPixels(1, 1), clWhite);
    EXPECT_EQ(b.GetCanvas()->GetPixels(0, 0), clBlack);

    // Transparent colour: the bottom-left pixel unless fixed.
    TBitmap t(2, 2);
    t.GetCanvas()->SetPixels(0, 1, clLime);
    EXPECT_EQ(t.GetTransparentMode(), tmAuto);
    EXPECT_EQ(t.GetTransparentColor(), clLime);
    t.SetTransparentColor(clRed);
    EXPECT_EQ(t.GetTransparentMode(), tmFixed);
    EXPECT_EQ(t.GetTransparentColor(), clRed);

    // ScanLine rows are 32-bit B, G, R, x.
    auto* row = static_cast<uint8_t*>(t.ScanLine(1));
    EXPECT_EQ(row[1], 0xFF);
    EXPECT_EQ(row[0], 0x00);
    EXPECT_THROW(t.ScanLine(2), EInvalidGraphicOperation);

    // An image taken out stays whole while the canvas keeps drawing.
    QImage snapshot = t.GetImage();
    t.GetCanvas()->GetBrush()->SetColor(clBlue);
    t.GetCanvas()->FillRect(Rect(0, 0, 2, 2));
    EXPECT_EQ(snapshot.pixel(0, 1) & 0xFFFFFFu, 0x00FF00u);
    EXPECT_EQ(t.GetCanvas()->GetPixels(0, 1), clBlue);
}

TEST(Bitmap, ReadsWhatQtWrites) {
    QImage q(5, 3, QImage::Format_RGB32);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            q.setPixel(x, y, qRgb(x * 50, y * 100, 7));
    QByteArray data;
    QBuffer buf(&data);
    buf.open(QIODevice::WriteOnly);
    ASSERT_TRUE(q.save(&buf, "BMP"));
    TBitmap b;
    loadBytes(b, data);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            ASSERT_EQ(b.GetCanvas()->GetPixels(x, y), TColor(RGB(x * 50, y * 100, 7)));
}

TEST(Bitmap, WidthAndHeightSetOneAtATimeGiveABitmapOfBoth) {
    struct Case {
        bool WidthFirst;
    };
    for (Case k : {Case{true}, Case{false}}) {
        TBitmap b;
        if (k.WidthFirst) {
            b.SetWidth(12);
            EXPECT_EQ(b.GetWidth(), 12);
            EXPECT_EQ(b.GetHeight(), 0);
            b.SetHeight(7);
        } else {
            b.SetHeight(7);
            b.SetWidth(12);
        }
        EXPECT_EQ(b.GetWidth(), 12);
        EXPECT_EQ(b.GetHeight(), 7);
        // The pixels are there to draw on.
        b.GetCanvas()->SetPixels(11, 6, clRed);
        EXPECT_EQ(b.GetCanvas()->GetPixels(11, 6), clRed);
        // Emptying one side keeps the other, and a copy keeps both.
        b.SetHeight(0);
        EXPECT_EQ(b.GetWidth(), 12);
        TBitmap c;
        c.Assign(&b);
        EXPECT_EQ(c.GetWidth(), 12);
        EXPECT_EQ(c.GetHeight(), 0);
    }
}
