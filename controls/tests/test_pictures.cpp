// Animated cursors built here chunk by chunk (steps, rates, icons and cursors, texts, padding,
// damaged counts and offsets), and bitmaps converted to BMP images of reduced colours, checked
// pixel by pixel and by loading the result in Qt.
#include "AniFile.h"
#include "CodePages.h"
#include "IcoList.h"
#include "RxGIF.h"
#include "Streams.h"

#include <QImage>
#include <gtest/gtest.h>

namespace {

void put32(QByteArray& B, uint32_t V) {
    for (int i = 0; i < 4; ++i)
        B.append(char((V >> (8 * i)) & 0xFF));
}

uint32_t le32(const QByteArray& B, qsizetype At) {
    auto* p = reinterpret_cast<const uint8_t*>(B.constData()) + At;
    return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24);
}

QByteArray chunk(const char* Id, const QByteArray& Data, int64_t Size = -1) {
    QByteArray b(Id, 4);
    put32(b, uint32_t(Size < 0 ? Data.size() : Size));
    b.append(Data);
    if (Data.size() & 1) b.append('\0');
    return b;
}

QByteArray words(std::initializer_list<uint32_t> Values) {
    QByteArray b;
    for (uint32_t v : Values)
        put32(b, v);
    return b;
}

QByteArray anih(uint32_t Frames, uint32_t Steps, uint32_t Flags = 1) {
    return chunk("anih", words({36, Frames, Steps, 0, 0, 0, 0, 6, Flags}));
}

// An icon file of one 32 x 32 image of Color; a cursor file with the hot spot when given.
QByteArray iconFile(QColor Color, int HotX = -1, int HotY = -1) {
    QImage img(32, 32, QImage::Format_ARGB32);
    img.fill(Color);
    TIcon icon;
    icon.AddImage(img, 32);
    TMemoryStream s;
    icon.SaveToStream(&s);
    QByteArray b = s.GetBytes();
    if (HotX >= 0) {
        b[2] = 2;
        b[6 + 4] = char(HotX);
        b[6 + 5] = 0;
        b[6 + 6] = char(HotY);
        b[6 + 7] = 0;
    }
    return b;
}

QByteArray riff(const QByteArray& Body) {
    QByteArray b("RIFF");
    put32(b, uint32_t(Body.size() + 4));
    b.append("ACON");
    b.append(Body);
    return b;
}

void load(TAnimatedCursorImage& A, const QByteArray& Bytes) {
    TMemoryStream s;
    s.SetBytes(Bytes);
    A.LoadFromStream(&s);
}

QRgb rgbAt(TIcon* Icon, int X, int Y) {
    return Icon->GetImage(0).pixel(X, Y) & 0xFFFFFF;
}

TEST(AnimatedCursor, StepsRatesIconsCursorsAndTexts) {
    const QString longTitle(300, u'ї');
    QByteArray author = ToCodePage(QStringLiteral("Автор")); // odd: one pad byte follows
    const QByteArray body =
        anih(2, 2) + chunk("rate", words({10, 20})) + chunk("seq ", words({1, 0})) +
        chunk("LIST",
              QByteArray("INFO") + chunk("INAM", ToCodePage(longTitle)) + chunk("IART", author)) +
        chunk("LIST", QByteArray("fram") + chunk("icon", iconFile(Qt::red)) +
                          chunk("icon", iconFile(Qt::blue, 3, 5)));
    TAnimatedCursorImage a;
    load(a, riff(body));
    ASSERT_EQ(a.GetIconCount(), 2);
    EXPECT_EQ(a.GetTitle(), longTitle.left(255));
    EXPECT_EQ(a.GetCreator(), QStringLiteral("Автор"));
    EXPECT_EQ(a.GetHeader().cSteps, 2u);

    // step 0 shows icon 1 (the cursor), step 1 icon 0
    TIconFrame* f0 = a.GetFrames(0);
    EXPECT_EQ(rgbAt(f0->GetIcon(), 4, 4), 0x0000FFu);
    EXPECT_FALSE(f0->GetIsIcon());
    EXPECT_EQ(f0->GetHotSpot().X, 3);
    EXPECT_EQ(f0->GetHotSpot().Y, 5);
    EXPECT_EQ(f0->GetJiffies(), 10);
    TIconFrame* f1 = a.GetFrames(1);
    EXPECT_EQ(rgbAt(f1->GetIcon(), 4, 4), 0xFF0000u);
    EXPECT_TRUE(f1->GetIsIcon());
    EXPECT_EQ(f1->GetHotSpot().X, 16);
    EXPECT_EQ(f1->GetJiffies(), 20);

    TIcon icon;
    icon.Assign(&a);
    EXPECT_EQ(rgbAt(&icon, 0, 0), 0x0000FFu);
    TIconList list;
    list.Assign(&a);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(rgbAt(list[1], 0, 0), 0xFF0000u);

    TBitmap strip;
    strip.GetCanvas()->GetBrush()->SetColor(clWhite);
    strip.Assign(&a);
    ASSERT_EQ(strip.GetWidth(), 64);
    ASSERT_EQ(strip.GetHeight(), 32);
    EXPECT_EQ(strip.GetImage().pixel(5, 5) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(strip.GetImage().pixel(40, 5) & 0xFFFFFF, 0xFF0000u);

    TGIFImage gif;
    gif.Assign(&a);
    ASSERT_EQ(gif.GetCount(), 2);
    EXPECT_EQ(gif.GetFrames(0)->GetAnimateInterval(), 166);
    EXPECT_EQ(gif.GetFrames(1)->GetAnimateInterval(), 333);

    TAnimatedCursorImage copy;
    copy.Assign(&a);
    ASSERT_EQ(copy.GetIconCount(), 2);
    EXPECT_EQ(copy.GetFrames(0)->GetHotSpot().Y, 5);
}

TEST(AnimatedCursor, DamagedFilesLoseOnlyWhatCannotBeRead) {
    const QByteArray fram = chunk("LIST", QByteArray("fram") + chunk("icon", iconFile(Qt::green)));
    struct Bad {
        const char* Name;
        QByteArray File;
    } bad[] = {
        {"not RIFF", QByteArray("RIFX") + riff(anih(1, 1) + fram).mid(4)},
        {"not ACON", riff(anih(1, 1) + fram).replace("ACON", "WAVE")},
        {"frames not icons", riff(anih(1, 1, 0) + fram)},
        {"no steps", riff(anih(1, 0) + fram)},
        {"no icon at all", riff(anih(1, 1))},
        {"a header alone", QByteArray("RIFF")},
    };
    for (const Bad& b : bad) {
        TAnimatedCursorImage a;
        EXPECT_THROW(load(a, b.File), EReadError) << b.Name;
    }

    // Counts beyond what the file holds, a "rate" chunk claiming more than is there, an icon
    // whose directory claims 65535 images and points past its end: the one good icon loads.
    QByteArray broken = iconFile(Qt::yellow);
    QByteArray lying = broken;
    lying[4] = char(0xFF);
    lying[5] = char(0xFF);
    struct Good {
        const char* Name;
        QByteArray File;
        int Frames;
    } good[] = {
        {"frame count 4 billion",
         riff(anih(0xFFFFFFFF, 0xFFFFFFFF) + chunk("seq ", words({0, 0x7FFFFFFF, 0})) + fram), 2},
        {"rate chunk longer than the file",
         riff(anih(1, 1) + fram + chunk("rate", words({9}), 1 << 30)), 1},
        {"icon directory past its end",
         riff(anih(2, 2) + chunk("LIST", QByteArray("fram") + chunk("icon", broken) +
                                             chunk("icon", lying.left(30)))),
         1},
        {"odd chunk and list of a wrong size",
         riff(anih(1, 1) + chunk("junk", "abc") + fram + chunk("LIST", "INFO", 1000)), 1},
    };
    for (const Good& g : good) {
        SCOPED_TRACE(g.Name);
        TAnimatedCursorImage a;
        load(a, g.File);
        EXPECT_EQ(a.GetIconCount(), g.Frames);
        EXPECT_FALSE(a.GetIcons(0)->GetEmpty());
    }
}

// ---- bitmap conversion ----

struct Dib {
    QByteArray Bytes;
    int BitCount() const { return int(uint8_t(Bytes[28])); }
    uint32_t Important() const { return le32(Bytes, 50); }
    QRgb Palette(int I) const {
        const qsizetype at = 54 + 4 * qsizetype(I);
        return qRgb(uint8_t(Bytes[at + 2]), uint8_t(Bytes[at + 1]), uint8_t(Bytes[at]));
    }
    // The index of pixel (X, Y) of an 8-bit image (rows bottom-up).
    int Index(int X, int Y) const {
        const int w = int(le32(Bytes, 18)), h = int(le32(Bytes, 22));
        const int stride = (w + 3) & ~3;
        return uint8_t(Bytes[qsizetype(le32(Bytes, 10)) + qsizetype(stride) * (h - 1 - Y) + X]);
    }
    QImage Qt() const { return QImage::fromData(Bytes, "BMP"); }
};

Dib convert(const QImage& Img, TPixelFormat Format, TReductionMethod Method) {
    TBitmap b;
    b.SetImage(Img);
    return Dib{BitmapToDIBStream(&b, Format, Method)->GetBytes()};
}

QImage picture(std::initializer_list<QRgb> Pixels) {
    QImage img(int(Pixels.size()), 1, QImage::Format_RGB32);
    int x = 0;
    for (QRgb p : Pixels)
        img.setPixel(x++, 0, p);
    return img;
}

TEST(BitmapConversion, MethodsGiveTheirPalettesAndIndices) {
    const QImage img =
        picture({qRgb(255, 0, 0), qRgb(255, 255, 255), qRgb(0, 0, 0), qRgb(100, 150, 200)});
    struct Case {
        TReductionMethod Method;
        int X;
        int Index;
        QRgb Color;
        uint32_t Important;
    } cases[] = {
        {rmGray, 0, 76, qRgb(76, 76, 76), 0},
        {rmGray, 3, 140, qRgb(140, 140, 140), 0},
        {rmFixed666, 1, 215, qRgb(255, 255, 255), 216},
        {rmFixed666, 2, 0, qRgb(0, 0, 0), 216},
        {rmFixed666, 3, (2 * 6 + 3) * 6 + 4, qRgb(102, 153, 204), 216},
        {rmFixed784, 1, 223, qRgb(255, 255, 255), 224},
        {rmFixed784, 3, (2 * 8 + 4) * 4 + 2, qRgb(85, 146, 170), 224},
        {rmChannelStripes, 0, 63, qRgb(252, 0, 0), 0}, // (0 + 0) mod 3: red
        {rmChannelStripes, 3, 25, qRgb(100, 0, 0), 0}, // (0 + 3) mod 3: red again
        {rmPopular, 3, -1, qRgb(100, 150, 200), 0},
        {rmMedianCut, 1, -1, qRgb(255, 255, 255), 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "method " << c.Method << " pixel " << c.X);
        Dib d = convert(img, pf8bit, c.Method);
        ASSERT_EQ(d.BitCount(), 8);
        EXPECT_EQ(d.Important(), c.Important);
        if (c.Index >= 0) {
            EXPECT_EQ(d.Index(c.X, 0), c.Index);
        }
        EXPECT_EQ(d.Palette(d.Index(c.X, 0)), c.Color);
        const QImage q = d.Qt();
        ASSERT_FALSE(q.isNull());
        EXPECT_EQ(q.pixel(c.X, 0) & 0xFFFFFF, c.Color & 0xFFFFFF);
    }
}

TEST(BitmapConversion, TrueColourFormatsAndUnchangedBitmaps) {
    QImage img(5, 3, QImage::Format_RGB32);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            img.setPixel(x, y, qRgb(x * 50, y * 100, 7));
    // 24 bits: every colour kept, or its gray
    for (TReductionMethod m : {rmPopular, rmGray}) {
        Dib d = convert(img, pf24bit, m);
        EXPECT_EQ(d.BitCount(), 24);
        const QImage q = d.Qt();
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x) {
                QRgb want = img.pixel(x, y);
                if (m == rmGray) {
                    int g = (qRed(want) * 77 + qGreen(want) * 150 + qBlue(want) * 29) >> 8;
                    want = qRgb(g, g, g);
                }
                ASSERT_EQ(q.pixel(x, y) & 0xFFFFFF, want & 0xFFFFFF) << x << "," << y << " " << m;
            }
    }
    // an 8-bit bitmap asked for 8 bits is saved as it is, unless the method is gray
    TBitmap b;
    b.SetImage(img);
    b.SetPixelFormat(pf8bit);
    TMemoryStream own;
    b.SaveToStream(&own);
    EXPECT_EQ(BitmapToDIBStream(&b, pf8bit, rmPopular)->GetBytes(), own.GetBytes());
    Dib gray{BitmapToDIBStream(&b, pf8bit, rmGray)->GetBytes()};
    EXPECT_EQ(gray.Palette(200), qRgb(200, 200, 200));
    // 1 and 4 bits through the bitmap's own conversion; the colour count picks the format
    for (auto [colors, bits] : {std::pair{2, 1}, {16, 4}, {200, 8}, {100000, 24}}) {
        Dib d{BitmapToColorCount(&b, colors)->GetBytes()};
        EXPECT_EQ(d.BitCount(), bits) << colors;
        EXPECT_FALSE(d.Qt().isNull()) << colors;
    }
    TBitmap empty;
    EXPECT_THROW(BitmapToDIBStream(&empty, pf8bit, rmGray), EInvalidGraphic);
}

TEST(BitmapConversion, PopularCountsAgainWhenColoursOverflowAndMedianCutOfOneColour) {
    // 4096 distinct colours, half the pixels one colour
    QImage img(128, 64, QImage::Format_RGB32);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 128; ++x)
            img.setPixel(x, y, x < 64 ? qRgb(x * 4, y * 4, (x + y) & 0xFF) : qRgb(10, 200, 31));
    Dib d = convert(img, pf8bit, rmPopular);
    const QRgb top = d.Palette(0);
    EXPECT_EQ(d.Index(100, 10), 0);
    // the most frequent colour comes first, with its low bits masked off in one channel
    EXPECT_LE(std::abs(qRed(top) - 10) + std::abs(qGreen(top) - 200) + std::abs(qBlue(top) - 31),
              24);
    EXPECT_NE(top, qRgb(10, 200, 31));
    const QImage q = d.Qt();
    for (int y = 0; y < 64; y += 7)
        for (int x = 0; x < 128; x += 5)
            ASSERT_EQ(q.pixel(x, y), d.Palette(d.Index(x, y))) << x << "," << y;

    QImage one(6, 4, QImage::Format_RGB32);
    one.fill(qRgb(200, 40, 90));
    Dib m = convert(one, pf8bit, rmMedianCut);
    EXPECT_EQ(m.Important(), 1u);
    EXPECT_EQ(m.Index(3, 2), 0);
    EXPECT_EQ(m.Palette(0), qRgb(207, 47, 95));
}

} // namespace
