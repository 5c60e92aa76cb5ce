// Icons (ICO files with several images) and pictures with their format registries.
#include "ByteBuilder.h"
#include "Graphics.h"

#include <QBuffer>
#include <QImageReader>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray iconInfoHeader(int w, int h, int bpp) {
    QByteArray b;
    put32(b, 40);
    put32(b, w);
    put32(b, 2 * h); // pixels and mask
    put16(b, 1);
    put16(b, bpp);
    for (int i = 0; i < 6; ++i)
        put32(b, 0);
    return b;
}

// A 16 x 16 4-bit image: red on the left half, blue on the right, the top row transparent
// through the AND mask.
QByteArray image16() {
    QByteArray b = iconInfoHeader(16, 16, 4);
    for (int i = 0; i < 16; ++i) { // the VGA palette, index 9 red and 12 blue
        const uint32_t vga[16] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                                  0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
                                  0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
        b.append(char(vga[i] & 0xFF));
        b.append(char((vga[i] >> 8) & 0xFF));
        b.append(char((vga[i] >> 16) & 0xFF));
        b.append(char(0));
    }
    for (int row = 0; row < 16; ++row) // 8 bytes a row, no padding needed
        for (int x = 0; x < 8; ++x)
            b.append(char(x < 4 ? 0x99 : 0xCC));
    for (int row = 0; row < 16; ++row) { // AND mask rows, bottom-up, 4 bytes each
        bool top = row == 15;
        b.append(char(top ? 0xFF : 0));
        b.append(char(top ? 0xFF : 0));
        b.append(char(0));
        b.append(char(0));
    }
    return b;
}

// A 32 x 32 32-bit image with alpha: green, the left column fully transparent.
QByteArray image32() {
    QByteArray b = iconInfoHeader(32, 32, 32);
    for (int row = 0; row < 32; ++row)
        for (int x = 0; x < 32; ++x) {
            b.append(char(0));
            b.append(char(0xFF));
            b.append(char(0));
            b.append(char(x == 0 ? 0 : 0xFF));
        }
    b.append(QByteArray(32 * 4, '\0'));
    return b;
}

QByteArray iconFile(const std::vector<std::pair<int, QByteArray>>& images) {
    QByteArray head;
    put16(head, 0);
    put16(head, 1);
    put16(head, int(images.size()));
    int offset = 6 + 16 * int(images.size());
    QByteArray body;
    for (const auto& [size, data] : images) {
        head.append(char(size));
        head.append(char(size));
        head.append(char(0));
        head.append(char(0));
        put16(head, 1);
        put16(head, 0);
        put32(head, data.size());
        put32(head, offset);
        offset += int(data.size());
        body += data;
    }
    return head + body;
}

void loadIcon(TIcon& icon, const QByteArray& data) {
    TMemoryStream s;
    s.SetBytes(data);
    icon.LoadFromStream(&s);
}

} // namespace

TEST(Icon, LoadsAFileWithTwoImagesAndPicksTheBestSize) {
    TIcon icon;
    loadIcon(icon, iconFile({{16, image16()}, {32, image32()}}));
    ASSERT_EQ(icon.GetImageCount(), 2);
    EXPECT_EQ(icon.GetWidth(), 32) << "32 x 32 is the size asked for by default";
    EXPECT_EQ(icon.GetImageBitCount(icon.GetCurrentIndex()), 32);

    QImage small = icon.GetImage(0);
    EXPECT_EQ(small.size(), QSize(16, 16));
    EXPECT_EQ(small.pixel(0, 5), qRgb(255, 0, 0));
    EXPECT_EQ(small.pixel(15, 5), qRgb(0, 0, 255));
    EXPECT_EQ(qAlpha(small.pixel(3, 0)), 0) << "masked out by the AND mask";
    EXPECT_EQ(qAlpha(small.pixel(3, 1)), 255);
    QImage big = icon.GetImage(1);
    EXPECT_EQ(big.pixel(5, 5), qRgb(0, 255, 0));
    EXPECT_EQ(qAlpha(big.pixel(0, 5)), 0) << "alpha of the 32-bit image";

    icon.SetSize(16, 16);
    EXPECT_EQ(icon.GetWidth(), 16);
    EXPECT_THROW(icon.SetWidth(20), EInvalidGraphicOperation);

    // Drawing picks the image nearest the room and keeps the background where transparent.
    TBitmap bmp(16, 16);
    bmp.GetCanvas()->GetBrush()->SetColor(clWhite);
    bmp.GetCanvas()->FillRect(Rect(0, 0, 16, 16));
    bmp.GetCanvas()->Draw(0, 0, &icon);
    EXPECT_EQ(bmp.GetCanvas()->GetPixels(2, 0), clWhite);
    EXPECT_EQ(bmp.GetCanvas()->GetPixels(2, 3), clRed);
}

TEST(Icon, SaveLoadRoundTripAndBrokenFiles) {
    TIcon icon;
    loadIcon(icon, iconFile({{16, image16()}, {32, image32()}}));
    TMemoryStream s;
    icon.SaveToStream(&s);
    s.WriteBytes("TAIL");
    s.SetPosition(0);
    TIcon back;
    back.LoadFromStream(&s);
    EXPECT_EQ(s.ReadBytes(4), QByteArray("TAIL")) << "reads exactly the icon";
    ASSERT_EQ(back.GetImageCount(), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(back.GetImageBitCount(i), icon.GetImageBitCount(i));
        EXPECT_EQ(back.GetImage(i), icon.GetImage(i)) << i;
    }

    // Qt's icon reader, when present, sees both images.
    QByteArray file = s.GetBytes().chopped(4);
    if (QImageReader::supportedImageFormats().contains("ico")) {
        QBuffer buf(&file);
        buf.open(QIODevice::ReadOnly);
        QImageReader reader(&buf, "ico");
        EXPECT_EQ(reader.imageCount(), 2);
    }

    const std::pair<const char*, QByteArray> broken[] = {
        {"empty", QByteArray()},
        {"no images", QByteArray::fromHex("000001000000")},
        {"not an icon", QByteArray::fromHex("000005000100")},
        {"truncated", file.left(file.size() - 10)},
        {"entry outside", iconFile({{16, image16().left(20)}})},
        // one entry claiming 200 MB of image data in a 22-byte file
        {"huge entry", QByteArray::fromHex("000001000100"
                                           "10100000010020000000800c16000000")},
    };
    for (const auto& [name, data] : broken) {
        TIcon i;
        try {
            loadIcon(i, data);
            ADD_FAILURE() << name << " loaded";
        } catch (const EInvalidGraphic& e) {
            EXPECT_EQ(e.Message, "Icon image is not valid") << name;
        }
    }
}

TEST(Picture, FileFormatsByExtensionAndClipboardFormats) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString bmpName = dir.filePath("a.BMP");
    const QString icoName = dir.filePath("b.ico");

    TPicture pic;
    int changes = 0;
    pic.OnChange = [&](TObject*) { ++changes; };
    pic.GetBitmap()->SetSize(3, 2);
    pic.GetBitmap()->GetCanvas()->SetPixels(2, 1, clRed);
    EXPECT_GE(changes, 2) << "changes of the graphic reach the picture";
    pic.SaveToFile(bmpName);

    TIcon icon;
    loadIcon(icon, iconFile({{16, image16()}}));
    icon.SaveToFile(icoName);

    TPicture loaded;
    loaded.LoadFromFile(bmpName);
    ASSERT_NE(dynamic_cast<TBitmap*>(loaded.GetGraphic()), nullptr);
    EXPECT_EQ(loaded.GetBitmap()->GetCanvas()->GetPixels(2, 1), clRed);
    loaded.LoadFromFile(icoName);
    ASSERT_NE(dynamic_cast<TIcon*>(loaded.GetGraphic()), nullptr);
    EXPECT_EQ(loaded.GetWidth(), 16);

    // Unknown extension, and a broken file that leaves the picture as it was.
    try {
        loaded.LoadFromFile(dir.filePath("c.xyz"));
        ADD_FAILURE();
    } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(e.Message, "Unknown picture file extension (.xyz)");
    }
    {
        TFileStream f(dir.filePath("bad.bmp"), fmCreate);
        f.WriteBytes("BMxxxxxxxxxxxxxxxxxxxx");
    }
    EXPECT_THROW(loaded.LoadFromFile(dir.filePath("bad.bmp")), EInvalidGraphic);
    EXPECT_NE(dynamic_cast<TIcon*>(loaded.GetGraphic()), nullptr);

    // A registered extension loads through its factory.
    TPicture::RegisterFileFormat("kbm", "Kadrion bitmaps",
                                 [] { return std::unique_ptr<TGraphic>(new TBitmap()); });
    EXPECT_TRUE(TPicture::SupportsFileExtension(".KBM"));
    EXPECT_TRUE(TPicture::GraphicFilter().startsWith("All (*.bmp;*.ico;*.kbm)|*.bmp;*.ico;*.kbm|"));
    EXPECT_TRUE(TPicture::GraphicFilter().contains("Kadrion bitmaps (*.kbm)|*.kbm"));
    QFile::copy(bmpName, dir.filePath("d.kbm"));
    loaded.LoadFromFile(dir.filePath("d.kbm"));
    EXPECT_EQ(loaded.GetWidth(), 3);
    TPicture::UnregisterFileFormat("kbm");
    EXPECT_FALSE(TPicture::SupportsFileExtension("kbm"));

    // Clipboard: a bitmap goes out and comes back; an unregistered format is refused.
    uint16_t format = 0;
    QByteArray data;
    pic.SaveToClipboardFormat(format, data);
    EXPECT_EQ(format, CF_BITMAP);
    TPicture fromClip;
    fromClip.LoadFromClipboardFormat(format, data);
    EXPECT_EQ(fromClip.GetBitmap()->GetCanvas()->GetPixels(2, 1), clRed);
    EXPECT_FALSE(TPicture::SupportsClipboardFormat(0xC123));
    EXPECT_THROW(fromClip.LoadFromClipboardFormat(0xC123, data), EInvalidGraphic);
    TPicture::RegisterClipboardFormat(0xC123,
                                      [] { return std::unique_ptr<TGraphic>(new TBitmap()); });
    EXPECT_TRUE(TPicture::SupportsClipboardFormat(0xC123));

    // Assigning copies the graphic.
    TPicture copy;
    copy.Assign(&pic);
    pic.GetBitmap()->GetCanvas()->SetPixels(2, 1, clBlue);
    EXPECT_EQ(copy.GetBitmap()->GetCanvas()->GetPixels(2, 1), clRed);
    TBitmap target;
    target.Assign(&copy);
    EXPECT_EQ(target.GetWidth(), 3);
}
