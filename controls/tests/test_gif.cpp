// GIF pictures: our files decode in Qt's reader to the same pixels; files of an independent
// encoder (Python's imaging library) decode in ours, interlaced and animated ones too; the
// header, extension and loop rules; damaged files end as corrupted frames, never as reads
// outside the data or pictures larger than the data can fill.
#include "RXConst.h"
#include "RxGIF.h"
#include "Streams.h"
#include "TestSupport.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A picture of Colors distinct colours in a pseudo-random pattern (many LZW table resets).
QImage pattern(int W, int H, int Colors, uint32_t Seed = 7) {
    QImage img(W, H, QImage::Format_RGB32);
    uint32_t s = Seed;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            s = s * 1103515245u + 12345u;
            const int i = int((s >> 16) % uint32_t(Colors));
            img.setPixel(x, y, qRgb((i * 37) & 0xFF, (i * 91) & 0xFF, (i * 53 + 11) & 0xFF));
        }
    return img;
}

QByteArray save(TGIFImage& G) {
    TMemoryStream s;
    G.SaveToStream(&s);
    return s.GetBytes();
}

void load(TGIFImage& G, const QByteArray& Bytes) {
    TMemoryStream s;
    s.SetBytes(Bytes);
    G.LoadFromStream(&s);
}

// Pixels of the two pictures as RGB, or the first difference.
::testing::AssertionResult samePixels(const QImage& A, const QImage& B) {
    if (A.size() != B.size())
        return ::testing::AssertionFailure() << "sizes " << A.width() << "x" << A.height()
                                             << " and " << B.width() << "x" << B.height();
    for (int y = 0; y < A.height(); ++y)
        for (int x = 0; x < A.width(); ++x)
            if ((A.pixel(x, y) & 0xFFFFFF) != (B.pixel(x, y) & 0xFFFFFF))
                return ::testing::AssertionFailure()
                       << "pixel " << x << "," << y << ": " << std::hex << A.pixel(x, y) << " and "
                       << B.pixel(x, y);
    return ::testing::AssertionSuccess();
}

std::vector<QImage> qtFrames(const QByteArray& Bytes, int* Loops = nullptr) {
    QBuffer buf;
    buf.setData(Bytes);
    QImageReader r(&buf, "gif");
    std::vector<QImage> frames;
    QImage img;
    while (r.read(&img))
        frames.push_back(img.convertToFormat(QImage::Format_RGB32));
    if (Loops) *Loops = r.loopCount();
    return frames;
}

TEST(GIFImage, OurFilesDecodeInQtWithTheSamePixels) {
    struct Case {
        const char* Name;
        TPixelFormat Format;
        int W, H, Colors;
    } cases[] = {
        {"monochrome", pf1bit, 33, 17, 2},
        {"16 colours", pf4bit, 40, 9, 16},
        {"256 colours", pf8bit, 129, 70, 256},
        {"true colour, 200 colours, many table resets", pf24bit, 257, 190, 200},
        {"one pixel", pf24bit, 1, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TBitmap b;
        b.SetImage(pattern(c.W, c.H, c.Colors));
        if (c.Format == pf1bit || c.Format == pf4bit || c.Format == pf8bit) {
            // Indexed bitmaps keep their palette: take one that holds every colour.
            std::vector<TColor> pal;
            for (int i = 0; i < ColorsOfFormat(c.Format); ++i)
                pal.push_back(TColor(RGB((i * 37) & 0xFF, (i * 91) & 0xFF, (i * 53 + 11) & 0xFF)));
            b.SetPixelFormat(c.Format);
            b.SetPalette(TPalette(pal));
        }
        const QImage expected = b.GetImage().copy();
        TGIFImage g;
        g.Assign(&b);
        const QByteArray bytes = save(g);
        auto frames = qtFrames(bytes);
        ASSERT_EQ(frames.size(), 1u);
        EXPECT_TRUE(samePixels(frames[0], expected));
        TGIFImage back;
        load(back, bytes);
        ASSERT_EQ(back.GetCount(), 1);
        EXPECT_FALSE(back.GetFrames(0)->GetCorrupted());
        EXPECT_TRUE(samePixels(back.GetFrames(0)->GetBitmap()->GetImage(), expected));
    }
}

TEST(GIFImage, AnimationWithLoopDelaysTransparencyAndLongCommentsRoundTrips) {
    TGIFImage g;
    const QImage a = pattern(20, 10, 5, 1), b = pattern(12, 6, 9, 2), c = pattern(20, 10, 3, 3);
    for (const QImage& img : {a, b, c}) {
        TBitmap bm;
        bm.SetImage(img);
        g.AddFrame(&bm);
    }
    g.GetFrames(1)->SetOrigin(TPoint{4, 3});
    g.GetFrames(0)->SetAnimateInterval(70);
    g.GetFrames(2)->SetAnimateInterval(1230);
    g.GetFrames(2)->SetDisposalMethod(2);
    g.GetFrames(1)->SetTransparentColor(QColorToColor(QColor(b.pixel(0, 0))));
    g.SetLooping(true);
    g.SetRepeatCount(0);
    const QString longLine = QString(300, u'ж') + QStringLiteral("кінець");
    g.Comment() = QStringList{QStringLiteral("Кадри"), longLine};
    const QByteArray bytes = save(g);
    EXPECT_EQ(bytes.left(6), "GIF89a");

    int loops = -2;
    auto frames = qtFrames(bytes, &loops);
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(loops, -1); // 0 in the file: for ever
    EXPECT_TRUE(samePixels(frames[0], a));
    EXPECT_TRUE(samePixels(frames[2], c));
    // Qt draws frame 1 over frame 0 at its origin; its transparent pixels show frame 0.
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x) {
            QRgb want = b.pixel(x, y) == b.pixel(0, 0) ? a.pixel(x + 4, y + 3) : b.pixel(x, y);
            ASSERT_EQ(frames[1].pixel(x + 4, y + 3) & 0xFFFFFF, want & 0xFFFFFF) << x << "," << y;
        }

    TGIFImage back;
    load(back, bytes);
    ASSERT_EQ(back.GetCount(), 3);
    EXPECT_TRUE(back.GetLooping());
    EXPECT_EQ(back.GetRepeatCount(), 0);
    EXPECT_EQ(back.GetScreenWidth(), 20);
    EXPECT_EQ(back.GetScreenHeight(), 10);
    EXPECT_EQ(back.GetFrames(0)->GetAnimateInterval(), 70);
    EXPECT_EQ(back.GetFrames(2)->GetAnimateInterval(), 1230);
    EXPECT_EQ(back.GetFrames(2)->GetDisposalMethod(), 2);
    EXPECT_EQ(back.GetFrames(1)->GetOrigin().X, 4);
    EXPECT_EQ(back.GetFrames(1)->GetTransparentColor(), QColorToColor(QColor(b.pixel(0, 0))));
    EXPECT_EQ(back.GetFrames(0)->GetTransparentColor(), clNone);
    EXPECT_FALSE(back.GetFrames(0)->GetHasLocalTable());
    EXPECT_TRUE(back.GetFrames(1)->GetHasLocalTable());
    EXPECT_EQ(back.Comment(), (QStringList{QStringLiteral("Кадри"), longLine}));
    EXPECT_TRUE(samePixels(back.GetFrames(1)->GetBitmap()->GetImage(), b));
}

// Pictures written by Python's imaging library from indices and a palette the test gives.
TEST(GIFImage, ReadsFilesOfAnIndependentEncoder) {
    if (!QFile::exists(QStringLiteral("/usr/bin/python3"))) GTEST_SKIP() << "no python3";
    QTemporaryDir dir;
    const int w = 37, h = 23;
    QImage src = pattern(w, h, 50, 5);
    QImage second = pattern(w, h, 50, 9);
    auto indices = [](const QImage& img) {
        QByteArray b;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                QRgb p = img.pixel(x, y);
                for (int i = 0; i < 50; ++i)
                    if (qRgb((i * 37) & 0xFF, (i * 91) & 0xFF, (i * 53 + 11) & 0xFF) == p) {
                        b.append(char(i));
                        break;
                    }
            }
        return b;
    };
    {
        QFile f(dir.filePath("a.raw"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(indices(src));
        QFile g(dir.filePath("b.raw"));
        ASSERT_TRUE(g.open(QIODevice::WriteOnly));
        g.write(indices(second));
    }
    const QString script = QStringLiteral(R"(
import sys
from PIL import Image
d = sys.argv[1]
pal = []
for i in range(256):
    pal += [(i * 37) & 255, (i * 91) & 255, (i * 53 + 11) & 255]
def img(name):
    im = Image.frombytes('P', (%1, %2), open(d + '/' + name, 'rb').read())
    im.putpalette(pal)
    return im
a, b = img('a.raw'), img('b.raw')
a.save(d + '/plain.gif', interlace=False)
a.save(d + '/interlaced.gif', interlace=True)
a.save(d + '/anim.gif', save_all=True, append_images=[b], duration=[70, 250], loop=3,
       comment=b'from elsewhere', disposal=2, interlace=False, optimize=False)
)")
                               .arg(w)
                               .arg(h);
    const TProgramRun p =
        RunProgram(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script, dir.path()});
    ASSERT_TRUE(p.Finished);
    if (p.ExitCode != 0 && p.Err.contains("No module named"))
        GTEST_SKIP() << "python3-pil is not installed";
    ASSERT_EQ(p.ExitCode, 0) << p.Err.constData();

    auto read = [&](const char* Name, TGIFImage& G) {
        QFile f(dir.filePath(Name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        load(G, f.readAll());
    };
    for (const char* name : {"plain.gif", "interlaced.gif"}) {
        SCOPED_TRACE(name);
        TGIFImage g;
        read(name, g);
        ASSERT_EQ(g.GetCount(), 1);
        EXPECT_EQ(g.GetFrames(0)->GetInterlaced(), QByteArray(name) == "interlaced.gif");
        EXPECT_FALSE(g.GetFrames(0)->GetCorrupted());
        EXPECT_TRUE(samePixels(g.GetFrames(0)->GetBitmap()->GetImage(), src));
    }
    TGIFImage anim;
    read("anim.gif", anim);
    ASSERT_EQ(anim.GetCount(), 2);
    EXPECT_TRUE(anim.GetLooping());
    EXPECT_EQ(anim.GetRepeatCount(), 3);
    EXPECT_EQ(anim.GetFrames(0)->GetAnimateInterval(), 70);
    EXPECT_EQ(anim.GetFrames(1)->GetAnimateInterval(), 250);
    EXPECT_EQ(anim.GetFrames(1)->GetDisposalMethod(), 2);
    EXPECT_TRUE(samePixels(anim.GetFrames(1)->GetBitmap()->GetImage(), second));
    EXPECT_TRUE(anim.Comment().join(QString()).contains(QStringLiteral("from elsewhere")) ||
                anim.GetFrames(0)->GetComment().join(QString()).contains("from elsewhere"));
}

// A small GIF by hand: screen W x H with a 2-colour table (black, white), then Body, then ";".
QByteArray handMade(const QByteArray& Body, const char* Version = "89a", int W = 4, int H = 2) {
    QByteArray b("GIF");
    b.append(Version);
    b.append(char(W));
    b.append('\0');
    b.append(char(H));
    b.append('\0');
    b.append(char(0x80));
    b.append('\0');
    b.append('\0');
    b.append(QByteArray("\0\0\0\xFF\xFF\xFF", 6));
    b.append(Body);
    return b;
}

// An image descriptor for the whole 4 x 2 screen and LZW data with code size 2.
QByteArray image(const QByteArray& Lzw, int W = 4, int H = 2) {
    QByteArray b(",\0\0\0\0", 5);
    b.append(char(W & 0xFF));
    b.append(char(W >> 8));
    b.append(char(H & 0xFF));
    b.append(char(H >> 8));
    b.append('\0');
    b.append('\2');
    b.append(char(Lzw.size()));
    b.append(Lzw);
    b.append('\0');
    return b;
}

// 3-bit codes packed least significant bit first.
QByteArray codes3(std::initializer_list<int> Codes) {
    QByteArray out;
    uint32_t acc = 0;
    int bits = 0;
    for (int c : Codes) {
        acc |= uint32_t(c) << bits;
        bits += 3;
        while (bits >= 8) {
            out.append(char(acc & 0xFF));
            acc >>= 8;
            bits -= 8;
        }
    }
    if (bits) out.append(char(acc));
    return out;
}

TEST(GIFImage, HeaderExtensionAndLoopRules) {
    const QByteArray good = image(codes3({4, 1, 0, 4, 1, 0, 4, 1, 0, 4, 1, 0, 5}));
    struct Case {
        const char* Name;
        QByteArray File;
        int Frames;      // -1: raises
        int RepeatCount; // when looping, else -1
        QRgb FirstPixel;
    } cases[] = {
        {"version in capitals", handMade(good + ";", "89A"), 1, -1, 0xFFFFFF},
        {"a last frame cut inside its descriptor",
         handMade(good + QByteArray(",\0\0\x81\0\x02", 6)), 1, -1, 0xFFFFFF},
        {"no trailer", handMade(good + good), 2, -1, 0xFFFFFF},
        {"loop count 65535 kept as 30000",
         handMade(QByteArray("!\xFF\x0BNETSCAPE2.0\x03\x01\xFF\xFF\0", 19) + good + ";"), 1, 30000,
         0xFFFFFF},
        {"graphic control of another block size skipped by its size byte",
         handMade(QByteArray("!\xF9\x06\x01\x07\0\x01\x55\x66\0", 10) + good + ";"), 1, -1,
         0xFFFFFF},
        {"plain text dropped with what came before it",
         handMade(QByteArray("!\xFE\x02hi\0!\x01\x0C", 9) + QByteArray(12, 'x') +
                  QByteArray("\x03"
                             "abc\0",
                             5) +
                  good + ";"),
         1, -1, 0xFFFFFF},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TGIFImage g;
        load(g, c.File);
        ASSERT_EQ(g.GetCount(), c.Frames);
        EXPECT_EQ(g.GetLooping() ? g.GetRepeatCount() : -1, c.RepeatCount);
        EXPECT_EQ(g.GetFrames(0)->GetBitmap()->GetImage().pixel(0, 0) & 0xFFFFFF, c.FirstPixel);
        EXPECT_EQ(g.GetFrames(0)->GetBitmap()->GetImage().pixel(1, 0) & 0xFFFFFF, 0u);
        EXPECT_FALSE(g.GetFrames(0)->GetCorrupted());
        TGIFImage again;
        load(again, save(g)); // what loads can be saved
        EXPECT_EQ(again.GetCount(), c.Frames);
    }
    // the delay of 7 hundredths, read and written back
    TGIFImage d;
    load(d, handMade(QByteArray("!\xF9\x04\x00\x07\0\0\0", 8) + good + ";"));
    EXPECT_EQ(d.GetFrames(0)->GetAnimateInterval(), 70);
    EXPECT_TRUE(save(d).contains(QByteArray("!\xF9\x04\x00\x07\0", 6)));

    for (const char* bad : {"90a", "8"}) {
        TGIFImage g;
        EXPECT_THROW(load(g, handMade(good + ";", bad)), EInvalidGraphicOperation) << bad;
    }
    TGIFImage g;
    try {
        load(g, handMade(QByteArray("!\x42\0", 3) + good + ";"));
        ADD_FAILURE() << "an unknown extension loaded";
    } catch (const EInvalidGraphicOperation& e) {
        EXPECT_EQ(e.Message, QStringLiteral("Неопределенное расширение GIF: 42"));
    }
    EXPECT_THROW(g.SetWidth(5), EInvalidGraphicOperation);
    TGIFImage empty;
    EXPECT_THROW(save(empty), EInvalidGraphicOperation);
}

TEST(GIFImage, SavingKeepsTheVersionAndWritesNoGlobalTableWhenThereIsNone) {
    TGIFImage g;
    load(g, handMade(image(codes3({4, 1, 0, 4, 1, 0, 4, 1, 0, 4, 1, 0, 5})) + ";", "87a"));
    EXPECT_EQ(save(g).left(6), "GIF87a");
    g.Comment() << QStringLiteral("підпис");
    EXPECT_EQ(save(g).left(6), "GIF89a");

    // a frame taken over by an image without a global table writes packed byte 0
    TGIFImage bare;
    QByteArray noTable("GIF89a\x04\0\x02\0\0\0\0", 13);
    QByteArray local(",\0\0\0\0\x04\0\x02\0\x80\0\0\0\xFF\xFF\xFF", 16);
    const QByteArray lzw = codes3({4, 1, 0, 4, 1, 0, 4, 1, 0, 4, 1, 0, 5});
    local += QByteArray("\x02", 1) + char(lzw.size()) + lzw;
    load(bare, noTable + local + QByteArray("\0;", 2));
    const QByteArray out = save(bare);
    EXPECT_EQ(uint8_t(out[10]), 0);
    EXPECT_EQ(uint8_t(out[11]), 0);
}

TEST(GIFImage, DamagedDataEndsAsACorruptedFrame) {
    struct Case {
        const char* Name;
        QByteArray File;
    } cases[] = {
        {"a code beyond the next free code", handMade(image(codes3({4, 1, 7, 5})) + ";")},
        {"a first code that is not a root", handMade(image(codes3({4, 6, 1, 5})) + ";")},
        {"a sub-block running past the end",
         handMade(image(codes3({4, 1, 0, 4, 1, 0, 4, 1, 0, 4, 1, 0, 5})).left(15))},
        {"a frame far larger than its data",
         handMade(image(codes3({4, 1, 0, 5}), 60000, 60000) + ";")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        GIFLoadCorrupted = true;
        TGIFImage g;
        load(g, c.File);
        ASSERT_EQ(g.GetCount(), 1);
        EXPECT_TRUE(g.GetFrames(0)->GetCorrupted());
        TBitmap* b = g.GetFrames(0)->GetBitmap();
        ASSERT_NE(b, nullptr);
        EXPECT_LE(int64_t(b->GetWidth()) * b->GetHeight(), 100000);
        GIFLoadCorrupted = false;
        TGIFImage strict;
        EXPECT_ANY_THROW({
            load(strict, c.File);
            strict.GetFrames(0)->GetBitmap();
        });
        GIFLoadCorrupted = true;
    }
    // pixel values beyond the table are masked to the row's bit width
    TGIFImage g;
    load(g, handMade(image(codes3({4, 3, 2, 4, 3, 2, 4, 3, 2, 4, 3, 2, 5})) + ";"));
    EXPECT_EQ(g.GetFrames(0)->GetBitmap()->GetImage().pixel(0, 0) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(g.GetFrames(0)->GetBitmap()->GetImage().pixel(1, 0) & 0xFFFFFF, 0u);
}

TEST(GIFImage, PicturesAndTheClipboardFormatKnowGIF) {
    EXPECT_TRUE(TPicture::SupportsFileExtension(QStringLiteral("GIF")));
    EXPECT_TRUE(TPicture::GraphicFilter().contains(QStringLiteral("*.gif")));
    QTemporaryDir dir;
    TBitmap b;
    b.SetImage(pattern(9, 5, 4));
    TGIFImage g;
    g.Assign(&b);
    const QString path = dir.filePath(QStringLiteral("знімок.gif"));
    g.SaveToFile(path);
    TPicture pic;
    pic.LoadFromFile(path);
    ASSERT_NE(dynamic_cast<TGIFImage*>(pic.GetGraphic()), nullptr);
    EXPECT_EQ(pic.GetWidth(), 9);

    uint16_t format = 0;
    QByteArray data;
    g.SaveToClipboardFormat(format, data);
    EXPECT_EQ(format, TGIFImage::ClipboardFormat());
    TPicture pasted;
    pasted.LoadFromClipboardFormat(format, data);
    auto* back = dynamic_cast<TGIFImage*>(pasted.GetGraphic());
    ASSERT_NE(back, nullptr);
    EXPECT_TRUE(samePixels(back->GetFrames(0)->GetBitmap()->GetImage(), b.GetImage()));
    TBitmap out;
    out.Assign(back);
    EXPECT_TRUE(samePixels(out.GetImage(), b.GetImage()));
}

} // namespace
