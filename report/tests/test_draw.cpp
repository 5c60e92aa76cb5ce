// Views drawn into bitmaps, probed pixel by pixel.
#include "ViewFixture.h"

#include "MemDS.h"

#include <QBuffer>
#include <QTemporaryDir>

using namespace Qt::Literals::StringLiterals;

namespace {

class DrawTest : public ViewTest {
protected:
    // A memo without text at (10, 10) of 40 x 30 with a red fill.
    TfrMemoView* box() {
        TfrMemoView* m = memo(10, 10, 40, 30, {});
        m->FillColor = clRed;
        return m;
    }
    // Draws a view alone on a white bitmap.
    std::unique_ptr<TBitmap> draw(TfrView* V, int Width = 120, int Height = 80) {
        auto b = canvasBitmap(Width, Height);
        V->Draw(b->GetCanvas());
        return b;
    }
};

TEST_F(DrawTest, FramesDrawTheSidesAsked) {
    // A frame of width 1 runs on the view's edges: x 10 and 50, y 10 and 40.
    const struct {
        int frameTyp;
        bool left, top, right, bottom;
    } cases[] = {
        {frftLeft, true, false, false, false},
        {frftTop, false, true, false, false},
        {frftRight, false, false, true, false},
        {frftBottom, false, false, false, true},
        {frftLeft | frftTop | frftRight | frftBottom, true, true, true, true},
        {0, false, false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.frameTyp);
        TfrMemoView* m = box();
        m->FrameTyp = c.frameTyp;
        auto b = draw(m);
        auto expect = [&](int x, int y, bool frame) {
            EXPECT_EQ(pixel(b.get(), x, y), frame ? clBlack : clRed) << x << "," << y;
        };
        expect(10, 25, c.left);
        expect(30, 10, c.top);
        expect(50, 25, c.right);
        expect(30, 40, c.bottom);
        expect(30, 25, false);
        EXPECT_EQ(pixel(b.get(), 51, 25), clWhite);
        EXPECT_EQ(pixel(b.get(), 30, 41), clWhite);
        EXPECT_EQ(m->Left, 10) << "the geometry comes back after drawing";
    }
}

TEST_F(DrawTest, WideDoubleAndDashedFrames) {
    TfrMemoView* m = box();
    m->FrameTyp = frftLeft | frftRight;
    m->FrameWidth = 3;
    auto wide = draw(m);
    // Three pixels wide, inside the view: 10..12 and 47..49.
    for (int x : {10, 11, 12, 47, 48, 49})
        EXPECT_EQ(pixel(wide.get(), x, 25), clBlack) << x;
    for (int x : {9, 13, 46, 50})
        EXPECT_NE(pixel(wide.get(), x, 25), clBlack) << x;

    m->FrameWidth = 1;
    m->FrameStyle = 5; // double: frame colour, fill colour, frame colour
    auto dbl = draw(m);
    EXPECT_EQ(pixel(dbl.get(), 9, 25), clBlack);
    EXPECT_EQ(pixel(dbl.get(), 10, 25), clRed);
    EXPECT_EQ(pixel(dbl.get(), 11, 25), clBlack);

    m->FrameStyle = psDash;
    auto dash = draw(m);
    int black = 0;
    for (int y = 10; y <= 40; ++y)
        black += pixel(dash.get(), 10, y) == clBlack;
    EXPECT_GT(black, 5);
    EXPECT_LT(black, 31) << "a dashed side has gaps";
}

TEST_F(DrawTest, FillOfNoColourAndTheFirstPass) {
    auto grey = [](TfrView* v) {
        auto b = canvasBitmap(60, 60);
        b->GetCanvas()->FillSolid(TRect{0, 0, 60, 60}, clSilver);
        v->Draw(b->GetCanvas());
        return b;
    };
    TfrMemoView* m = box();
    m->FillColor = clNone;
    EXPECT_EQ(pixel(grey(m).get(), 30, 25), clWhite) << "in design no colour shows white";
    frGlobals().ReportRunning = true;
    EXPECT_EQ(pixel(grey(m).get(), 30, 25), clSilver) << "in a report no colour is no fill";
    m->FillColor = clRed;
    m->FrameTyp = frftLeft;
    frGlobals().FirstPassRunning = true;
    auto first = grey(m);
    EXPECT_EQ(pixel(first.get(), 30, 25), clSilver);
    EXPECT_EQ(pixel(first.get(), 10, 25), clSilver);
}

TEST_F(DrawTest, ScaleAndOffsetApplyInAReport) {
    TfrMemoView* m = box();
    m->FrameTyp = frftLeft;
    frGlobals().ReportRunning = true;
    m->ScaleX = m->ScaleY = 2;
    m->OffsX = 5;
    m->OffsY = 3;
    auto b = draw(m, 140, 100);
    // (10, 10) of 40 x 30 becomes (25, 23) of 80 x 60.
    EXPECT_EQ(inkBox(b.get()), QRect(QPoint(24, 22), QPoint(105, 83)))
        << "a frame of width 2 is centred on the left edge, its ends squared";
    EXPECT_EQ(pixel(b.get(), 24, 50), clBlack);
    EXPECT_EQ(pixel(b.get(), 25, 50), clBlack);
    EXPECT_EQ(pixel(b.get(), 26, 50), clRed);
}

TEST_F(DrawTest, TextAlignment) {
    // The same glyph lands exactly where each alignment puts the start of its line.
    auto inkOf = [&](int alignment) {
        TfrMemoView* m = memo(10, 10, 100, 40, {u"Ш"_s});
        m->Alignment = alignment;
        auto b = draw(m);
        return inkBox(b.get());
    };
    TfrMemoView* probe = memo(0, 0, 0, 0, {});
    const int tw = textWidth(probe, u"Ш"_s);
    const QRect leftTop = inkOf(frtaLeft);
    ASSERT_FALSE(leftTop.isNull());
    const int dx = leftTop.left() - 12, dy = leftTop.top() - 11; // the glyph within its cell
    EXPECT_EQ(inkOf(frtaRight).left(), 10 + 100 - 1 - 2 - tw + dx);
    EXPECT_EQ(inkOf(frtaCenter).left(), 12 + (100 - 4 - tw) / 2 + dx);
    // One line needs 15 + 2 pixels: centred in 40, or ending a pixel above the bottom (51).
    EXPECT_EQ(inkOf(frtaMiddle).top(), 10 + (40 - 17) / 2 + 1 + dy);
    EXPECT_EQ(inkOf(frtaDown).top(), 51 - 17 - 1 + 1 + dy);
    EXPECT_EQ(inkOf(frtaCenter | frtaDown).left(), inkOf(frtaCenter).left());
}

// A line that does not fit its frame is cut at the frame (one pixel in from the left and
// two from the right); a line that fits is drawn whole, as in a larger frame.
TEST_F(DrawTest, TextIsCutAtItsFrame) {
    const struct {
        int width, height;
        QString text;
        bool cut;
    } cases[] = {
        {40, 30, u"ШШШШШШШШШШШШ"_s, true}, // wider than the frame
        {100, 9, u"Ш"_s, true},            // lower than its line
        {100, 30, u"Шум"_s, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.toStdString() + " " + std::to_string(c.height));
        TfrMemoView* m = memo(10, 10, c.width, c.height, {c.text});
        m->Flags &= ~flWordWrap;
        const QRect ink = inkBox(draw(m, 300, 80).get());
        ASSERT_FALSE(ink.isNull());
        EXPECT_GE(ink.left(), 11);
        EXPECT_LE(ink.right(), 10 + c.width - 2);
        EXPECT_GE(ink.top(), 10);
        EXPECT_LE(ink.bottom(), 10 + c.height - 1);
        TfrMemoView* large = memo(10, 10, 280, 60, {c.text});
        large->Flags &= ~flWordWrap;
        const QRect whole = inkBox(draw(large, 300, 80).get());
        if (c.cut)
            EXPECT_NE(ink, whole);
        else
            EXPECT_EQ(ink, whole);
    }
}

TEST_F(DrawTest, JustifiedLinesReachTheRightEdge) {
    auto rightOfFirstLine = [&](int alignment) {
        TfrMemoView* m = memo(10, 10, 0, 60, {u"ШШ ШШ ШШ ШШ"_s});
        m->Width = textWidth(m, u"ШШ ШШ ШШШ"_s) + 4;
        m->Alignment = alignment;
        auto b = draw(m, 200, 80);
        const QRect first = inkBox(b.get(), QRect(0, 11, 200, 13));
        const QRect second = inkBox(b.get(), QRect(0, 26, 200, 13));
        return std::pair{first.right(), second.right()};
    };
    const auto [leftFirst, leftSecond] = rightOfFirstLine(frtaLeft);
    const auto [justFirst, justSecond] = rightOfFirstLine(3);
    EXPECT_GT(justFirst, leftFirst + 5) << "the first line is spread";
    EXPECT_EQ(justSecond, leftSecond) << "a paragraph's last line is not";

    // At another scale the spread line still spans exactly the width inside the gaps.
    for (double scale : {0.8, 1.37}) {
        TfrMemoView* m = memo(10, 10, 0, 60, {u"Наказ про відпустку працівникам відділу"_s});
        m->Width = textWidth(m, u"Наказ про відпустку"_s) + 4 + 20; // room at every scale
        m->Alignment = 3;
        frGlobals().ReportRunning = true;
        m->ScaleX = m->ScaleY = scale;
        TRecordingCanvas rec(400, 200);
        m->Draw(&rec);
        frGlobals().ReportRunning = false;
        ASSERT_GE(rec.Texts().Items.size(), 2u);
        const int gap = qRound(2 * scale) + qRound(scale / 2); // and half the frame
        EXPECT_EQ(rec.Texts().Items[0].Bounds.Width(), qRound(m->Width * scale) - 2 * gap) << scale;
    }
}

TEST_F(DrawTest, TurnedTextRunsUpFromTheBottom) {
    TfrMemoView* m = memo(10, 10, 30, 100, {u"ШШШШ"_s});
    m->Alignment = frtaVertical;
    auto b = draw(m, 120, 130);
    const QRect ink = inkBox(b.get());
    ASSERT_FALSE(ink.isNull());
    EXPECT_GT(ink.height(), 2 * ink.width());
    EXPECT_LE(ink.bottom(), 110 - 1);
    EXPECT_GE(ink.bottom(), 110 - 6) << "left alignment starts at the bottom";
    EXPECT_GE(ink.left(), 11);
    EXPECT_LE(ink.right(), 10 + 2 + 15);

    m->Alignment = frtaVertical | frtaRight;
    const QRect top = inkBox(draw(m, 120, 130).get());
    EXPECT_LE(top.top(), 10 + 1 + 5) << "right alignment ends at the top";
    EXPECT_EQ(top.height(), ink.height());
}

TEST_F(DrawTest, UnderlinesRuleEveryLine) {
    TfrMemoView* m = memo(10, 10, 100, 50, {});
    m->Flags |= flUnderlines;
    auto b = draw(m);
    // A line pitch of 15; the first rule 15 below the first line's top (11).
    for (int y : {26, 41, 56}) {
        EXPECT_EQ(pixel(b.get(), 10, y), clBlack) << y;
        EXPECT_EQ(pixel(b.get(), 108, y), clBlack) << y;
        EXPECT_EQ(pixel(b.get(), 50, y + 1), clWhite) << y;
    }
    EXPECT_EQ(inkBox(b.get()), QRect(QPoint(10, 26), QPoint(108, 56)));
}

TEST_F(DrawTest, LinesTakeTheFramePen) {
    const struct {
        const char* name;
        int left, top, width, height;
        float frameWidth;
        QRect ink;
    } cases[] = {
        {"horizontal", 10, 20, 80, 5, 1, QRect(QPoint(10, 20), QPoint(90, 20))},
        {"vertical", 30, 10, 2, 60, 1, QRect(QPoint(30, 10), QPoint(30, 70))},
        {"square is vertical", 10, 10, 20, 20, 1, QRect(QPoint(10, 10), QPoint(10, 30))},
        {"wide horizontal", 10, 20, 80, 5, 3, QRect(QPoint(9, 20), QPoint(91, 22))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto* l = add<TfrLineView>(gtLine, c.left, c.top, c.width, c.height);
        l->FrameWidth = c.frameWidth;
        EXPECT_EQ(inkBox(draw(l).get()), c.ink);
    }
}

// A bitmap of 4 x 2: the left half red, the right half blue.
QByteArray redBlue() {
    TBitmap b(4, 2);
    b.GetCanvas()->FillSolid(TRect{0, 0, 2, 2}, clRed);
    b.GetCanvas()->FillSolid(TRect{2, 0, 4, 2}, clBlue);
    TMemoryStream m;
    b.SaveToStream(&m);
    return m.GetBytes();
}

TEST_F(DrawTest, PicturePlacement) {
    // The view is (10, 10) of 40 x 40; its drawing rectangle reaches 50 inclusive.
    const struct {
        const char* name;
        int flags;
        std::vector<std::tuple<int, int, TColor>> probes;
    } cases[] = {
        {"natural size at the corner",
         0,
         {{10, 10, clRed}, {13, 11, clBlue}, {14, 10, clWhite}, {10, 12, clWhite}}},
        {"natural size centred",
         flPictCenter,
         {{28, 29, clRed}, {31, 30, clBlue}, {27, 29, clWhite}}},
        {"stretched",
         flStretched,
         {{10, 10, clRed}, {29, 50, clRed}, {31, 30, clBlue}, {50, 50, clBlue}}},
        {"stretched keeping its aspect",
         flStretched | flPictRatio,
         {{10, 29, clRed}, {50, 20, clBlue}, {10, 31, clWhite}}},
        {"keeping its aspect, centred",
         flStretched | flPictRatio | flPictCenter,
         {{10, 19, clWhite}, {10, 20, clRed}, {50, 39, clBlue}, {50, 41, clWhite}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto* p = add<TfrPictureView>(gtPicture, 10, 10, 40, 40);
        p->SetPicture(pkBitmap, redBlue());
        p->Flags = c.flags;
        auto b = draw(p);
        for (const auto& [x, y, color] : c.probes)
            EXPECT_EQ(pixel(b.get(), x, y), color) << x << "," << y;
    }
}

TEST_F(DrawTest, PicturesFromBlobFields) {
    TMemDataSet ds(nullptr);
    ds.GetFieldDefs()->Add(u"P"_s, ftGraphic);
    ds.Open();
    ds.Append();
    TField* f = ds.FieldByName(u"P"_s);
    auto* blob = static_cast<TBlobField*>(f);

    QImage green(8, 8, QImage::Format_RGB32);
    green.fill(QColor(0, 255, 0));
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(green.save(&buffer, "JPG"));

    const struct {
        const char* name;
        uint8_t blobType;
        QByteArray data;
        uint8_t kind;
        TColor centre; // what the stretched picture shows in its middle
    } cases[] = {
        {"bitmap", btBMP, redBlue(), pkBitmap, clBlue},
        {"JPEG, decoded to a bitmap", btJPG, jpeg, pkBitmap, clLime},
        {"not a JPEG", btJPG, QByteArray("garbage"), pkNone, clWhite},
        {"metafile, kept but not drawn", btWMF, QByteArray("\xD7\xCD\xC6\x9A", 4), pkMetafile,
         clWhite},
        {"empty field", btBMP, QByteArray(), pkNone, clWhite},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.data.isEmpty())
            f->Clear();
        else
            blob->SetAsBytes(c.data);
        auto* p = add<TfrPictureView>(gtPicture, 10, 10, 40, 40);
        p->BlobType = c.blobType;
        p->Flags = flStretched;
        p->GetBlob(f);
        EXPECT_EQ(p->PictureKind, c.kind);
        const TColor centre = pixel(draw(p).get(), 31, 30);
        if (c.centre == clLime) // JPEG loses a little
            EXPECT_GT(GetGValue(uint32_t(centre)), 230) << std::hex << centre;
        else
            EXPECT_EQ(centre, c.centre);
    }
}

TEST_F(DrawTest, AMetafilePrintsNothingAndTheBuildSaysSo) {
    newPreparedPage();
    auto* p = add<TfrPictureView>(gtPicture, 10, 10, 40, 40);
    p->Name = u"Photo"_s;
    p->SetPicture(pkMetafile, QByteArray("\x01\x00\x09\x00", 4));
    p->Print(pageStream());
    EXPECT_EQ(frGlobals().BuildWarnings,
              QStringList{u"Photo: Малюнок формату метафайл не може бути надрукований"_s});
    const auto views = printed();
    ASSERT_EQ(views.size(), 1u);
    EXPECT_EQ(static_cast<TfrPictureView*>(views[0])->PictureKind, pkMetafile)
        << "the picture itself is kept";
}

TEST_F(DrawTest, ADamagedPictureDrawsAsEmpty) {
    auto* p = add<TfrPictureView>(gtPicture, 10, 10, 40, 40);
    p->SetPicture(pkBitmap, QByteArray("BM\x10\0\0\0 not a bitmap at all", 26));
    p->FrameTyp = frftLeft;
    EXPECT_EQ(inkBox(draw(p).get()), QRect(QPoint(10, 10), QPoint(10, 50)));
}

TEST_F(DrawTest, BandAlignmentPlacesViewsOnTheUsableWidth) {
    // On the virtual printer's A4 the usable width runs from 18 to 740 (758 - 18).
    frGlobalPrinter()->SelectPrinter(frGlobalPrinter()->VirtualIndex);
    page->ChangePaper(DMPAPER_A4, 2100, 2970, poPortrait, -1);
    ASSERT_EQ(page->LeftLimit(), 18);
    ASSERT_EQ(page->RightLimit(), 740);
    auto place = [&](TfrView* v) {
        v->BeginDraw(frMeasureCanvas());
        return std::pair{v->Left, v->Width};
    };
    auto* a = memo(300, 50, 100, 20, {});
    a->BandAlign = baLeft;
    auto* b = memo(500, 50, 50, 20, {});
    b->BandAlign = baLeft;
    auto* r = memo(600, 50, 60, 20, {});
    r->BandAlign = baRight;
    auto* rest = memo(650, 80, 60, 20, {});
    rest->BandAlign = baRest;
    auto* c = memo(0, 120, 100, 20, {});
    c->BandAlign = baCenter;
    auto* w = memo(0, 140, 100, 20, {});
    w->BandAlign = baWidth;
    EXPECT_EQ(place(a), std::pair(18, 100));
    EXPECT_EQ(place(b), std::pair(118, 50)) << "next to the left-aligned view before it";
    EXPECT_EQ(place(r), std::pair(680, 60));
    EXPECT_EQ(place(rest), std::pair(18, 722)) << "alone on its row it takes the whole width";
    EXPECT_EQ(place(c), std::pair(329, 100));
    EXPECT_EQ(place(w), std::pair(18, 722));
    page->pgMargins[0] = 50;
    page->pgMargins[2] = 58;
    EXPECT_EQ(place(c), std::pair(50 + (700 - 50 - 100) / 2, 100)) << "margins narrow it";
}

TEST_F(DrawTest, AutoWidthTakesTheWidthOfTheText) {
    frGlobals().ReportRunning = true;
    TfrMemoView* m = memo(100, 10, 20, 20, {u"Коваль Ганна"_s});
    m->Flags |= flAutoSize;
    const int need = textWidth(m, u"Коваль Ганна"_s) + 1 + 4 + 1; // frame, gaps and 1
    m->Draw(canvasBitmap(300, 40)->GetCanvas());
    EXPECT_EQ(m->Width, need);
    EXPECT_EQ(m->Left, 100);
    TfrMemoView* right = memo(100, 10, 20, 20, {u"Коваль Ганна"_s});
    right->Flags |= flAutoSize;
    right->Alignment = frtaRight;
    auto b = draw(right, 300, 40);
    EXPECT_EQ(right->Left + right->Width, 120) << "right-aligned text keeps its right edge";
    EXPECT_EQ(inkBox(b.get()).right() <= 120, true);

    // A prepared page gives such a memo its width when the page is rebuilt.
    newPreparedPage();
    TfrMemoView* printedMemo = memo(10, 10, 20, 20, {u"Коваль Ганна"_s});
    printedMemo->Flags |= flAutoSize;
    frGlobals().ReportRunning = false;
    printedMemo->Print(pageStream());
    EXPECT_EQ(printed()[0]->Width, need);
}

TEST_F(DrawTest, ClipRegionsGrowByTheFrame) {
    const struct {
        const char* name;
        uint8_t typ;
        int width, height;
        float frameWidth;
        int frameStyle;
        bool extended;
        TRect region;
    } cases[] = {
        {"thin frame", gtMemo, 100, 50, 1, psSolid, false, {10, 10, 111, 61}},
        {"wide frame", gtMemo, 100, 50, 4, psSolid, false, {8, 8, 113, 63}},
        {"double frame", gtMemo, 100, 50, 2, 5, false, {7, 7, 113, 63}}, // 2.5 rounds to 2
        {"extended", gtMemo, 100, 50, 1, psSolid, true, {0, 0, 121, 71}},
        {"vertical line", gtLine, 0, 50, 4, psSolid, false, {8, 10, 13, 61}},
        {"horizontal line, double", gtLine, 100, 0, 2, 5, false, {10, 7, 111, 12}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TfrView* v = c.typ == gtMemo ? static_cast<TfrView*>(memo(10, 10, c.width, c.height, {}))
                                     : add<TfrLineView>(gtLine, 10, 10, c.width, c.height);
        v->FrameWidth = c.frameWidth;
        v->FrameStyle = c.frameStyle;
        EXPECT_EQ(v->ClipRegion(c.extended), c.region);
    }
}

TEST_F(DrawTest, PicturesLoadFromFilesByTheirExtension) {
    QTemporaryDir dir;
    QImage green(6, 4, QImage::Format_RGB32);
    green.fill(QColor(0, 255, 0));
    const QString jpg = dir.filePath(u"фото.jpg"_s), png = dir.filePath(u"p.png"_s);
    ASSERT_TRUE(green.save(jpg, "JPG"));
    ASSERT_TRUE(green.save(png, "PNG"));
    const QString bmp = dir.filePath(u"p.bmp"_s);
    {
        TMemoryStream m;
        m.SetBytes(redBlue());
        m.SaveToFile(bmp);
    }
    auto* p = add<TfrPictureView>(gtPicture, 0, 0, 10, 10);
    auto load = [&](const QString& file) {
        p->DoMethod(u"LOADFROMFILE"_s, Variant(u"'"_s + file + u"'"_s), Variant(), Variant());
        return p->PictureKind;
    };
    EXPECT_EQ(load(bmp), pkBitmap);
    EXPECT_EQ(p->GetGraphic()->GetWidth(), 4);
    EXPECT_EQ(load(jpg), pkBitmap) << "a JPEG is kept as a bitmap";
    EXPECT_EQ(p->GetGraphic()->GetWidth(), 6);
    EXPECT_EQ(load(png), pkBitmap);
    EXPECT_EQ(load(dir.filePath(u"none.bmp"_s)), pkNone) << "a missing file clears the picture";
    EXPECT_TRUE(p->PictureData.isEmpty());
}

} // namespace
