// Canvas drawing read back pixel by pixel from bitmaps.
#include "Graphics.h"
#include "TestSupport.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A white bitmap of the given size.
std::unique_ptr<TBitmap> whiteBitmap(int w, int h) {
    auto b = std::make_unique<TBitmap>(w, h);
    b->GetCanvas()->GetBrush()->SetColor(clWhite);
    b->GetCanvas()->FillRect(Rect(0, 0, w, h));
    return b;
}

// The pixels of a bitmap as rows of characters: '.' for white, '#' for black, 'r' red,
// '?' anything else.
std::vector<std::string> picture(TBitmap* b) {
    std::vector<std::string> rows;
    for (int y = 0; y < b->GetHeight(); ++y) {
        std::string row;
        for (int x = 0; x < b->GetWidth(); ++x) {
            TColor c = b->GetCanvas()->GetPixels(x, y);
            row += c == clWhite ? '.' : c == clBlack ? '#' : c == clRed ? 'r' : '?';
        }
        rows.push_back(row);
    }
    return rows;
}

// Pixels that are not Background, as a bounding rectangle (empty when none).
TRect inkBounds(TBitmap* b, TColor background) {
    TRect r{b->GetWidth(), b->GetHeight(), 0, 0};
    for (int y = 0; y < b->GetHeight(); ++y)
        for (int x = 0; x < b->GetWidth(); ++x)
            if (b->GetCanvas()->GetPixels(x, y) != background) {
                r.Left = std::min(r.Left, x);
                r.Top = std::min(r.Top, y);
                r.Right = std::max(r.Right, x + 1);
                r.Bottom = std::max(r.Bottom, y + 1);
            }
    return r.Right == 0 ? TRect{} : r;
}

// 0x00BBGGRR as Qt's 0x00RRGGBB.
uint32_t gfxRgb(uint32_t c) {
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

} // namespace

TEST(Canvas, ShapesCoverThePlatformsPixels) {
    // Rectangle: outline on Left..Right-1, interior in the brush, Right/Bottom untouched.
    auto b = whiteBitmap(8, 7);
    TCanvas* c = b->GetCanvas();
    c->GetPen()->SetColor(clBlack);
    c->GetBrush()->SetColor(clRed);
    c->Rectangle(1, 1, 6, 5);
    std::vector<std::string> rect = {"........", ".#####..", ".#rrr#..", ".#rrr#..",
                                     ".#####..", "........", "........"};
    EXPECT_EQ(picture(b.get()), rect);

    // FillRect fills exactly Left..Right-1 x Top..Bottom-1; FrameRect draws the border in the
    // brush colour.
    b = whiteBitmap(8, 6);
    c = b->GetCanvas();
    c->GetBrush()->SetColor(clRed);
    c->FillRect(Rect(1, 1, 4, 3));
    c->GetBrush()->SetColor(clBlack);
    c->FrameRect(Rect(4, 1, 8, 6));
    std::vector<std::string> fill = {"........", ".rrr####", ".rrr#..#",
                                     "....#..#", "....#..#", "....####"};
    EXPECT_EQ(picture(b.get()), fill);

    // An empty or inverted rectangle paints nothing.
    b = whiteBitmap(4, 4);
    b->GetCanvas()->GetBrush()->SetColor(clRed);
    b->GetCanvas()->FillRect(Rect(3, 3, 1, 1));
    b->GetCanvas()->Rectangle(2, 2, 2, 4);
    EXPECT_EQ(inkBounds(b.get(), clWhite), TRect{});
}

TEST(Canvas, ArcChordAndPieRunCounterClockwiseFromTheFirstRay) {
    // The ellipse in (0,0)-(41,41) has its centre at (20,20); the rays through (40,20) and
    // (20,0) are at 0 and 90 degrees. Counter-clockwise from the first to the second is the
    // top-right quarter; with the rays swapped it is the other three quarters.
    enum TShape { shArc, shChord, shPie };
    struct Case {
        TShape Shape;
        bool Swapped;
        // Expected colours at: the middle of the top-right quarter, a point of it on the
        // centre's side of the chord, near the arc's middle inside the chord, and the middle of
        // the bottom-left quarter.
        TColor Quarter, BehindChord, NearArc, Opposite;
    };
    const Case cases[] = {
        {shPie, false, clRed, clRed, clRed, clWhite},
        {shChord, false, clWhite, clWhite, clRed, clWhite},
        {shArc, false, clWhite, clWhite, clWhite, clWhite},
        {shPie, true, clWhite, clWhite, clWhite, clRed},
        {shChord, true, clRed, clRed, clWhite, clRed},
    };
    for (const Case& k : cases) {
        auto b = whiteBitmap(41, 41);
        TCanvas* c = b->GetCanvas();
        c->GetPen()->SetColor(clBlack);
        c->GetBrush()->SetColor(clRed);
        int x3 = 40, y3 = 20, x4 = 20, y4 = 0;
        if (k.Swapped) std::swap(x3, x4), std::swap(y3, y4);
        if (k.Shape == shArc) c->Arc(0, 0, 41, 41, x3, y3, x4, y4);
        if (k.Shape == shChord) c->Chord(0, 0, 41, 41, x3, y3, x4, y4);
        if (k.Shape == shPie) c->Pie(0, 0, 41, 41, x3, y3, x4, y4);
        std::string what = std::to_string(k.Shape) + (k.Swapped ? " swapped" : "");
        EXPECT_EQ(c->GetPixels(28, 12), k.Quarter) << what;
        EXPECT_EQ(c->GetPixels(24, 16), k.BehindChord) << what;
        EXPECT_EQ(c->GetPixels(32, 8), k.NearArc) << what;
        EXPECT_EQ(c->GetPixels(10, 30), k.Opposite) << what;
        if (k.Shape == shArc) {
            // The outline alone, within the top-right quarter.
            TRect ink = inkBounds(b.get(), clWhite);
            EXPECT_GE(ink.Left, 19);
            EXPECT_LE(ink.Bottom, 22);
            EXPECT_LE(ink.Top, 1);
            EXPECT_GE(ink.Right, 40);
        }
    }
}

TEST(Canvas, LineToLeavesOutItsEndPoint) {
    struct Case {
        TPoint From, To;
        std::vector<std::string> Expected;
    };
    const Case cases[] = {
        {{0, 1}, {4, 1}, {".....", "####.", ".....", ".....", "....."}},
        {{4, 1}, {0, 1}, {".....", ".####", ".....", ".....", "....."}},
        {{2, 0}, {2, 4}, {"..#..", "..#..", "..#..", "..#..", "....."}},
        {{0, 0}, {4, 4}, {"#....", ".#...", "..#..", "...#.", "....."}},
    };
    for (const Case& k : cases) {
        auto b = whiteBitmap(5, 5);
        TCanvas* c = b->GetCanvas();
        c->MoveTo(k.From.X, k.From.Y);
        c->LineTo(k.To.X, k.To.Y);
        EXPECT_EQ(picture(b.get()), k.Expected)
            << k.From.X << "," << k.From.Y << " -> " << k.To.X << "," << k.To.Y;
        EXPECT_EQ(c->GetPenPos(), k.To);
    }

    // A polyline joins its points; only the very last point is left out.
    auto b = whiteBitmap(5, 5);
    b->GetCanvas()->Polyline({Point(0, 0), Point(3, 0), Point(3, 3)});
    EXPECT_EQ(picture(b.get()),
              (std::vector<std::string>{"####.", "...#.", "...#.", ".....", "....."}));
}

TEST(Canvas, PenModesAndFocusRectInvertAndUndo) {
    auto b = whiteBitmap(6, 6);
    TCanvas* c = b->GetCanvas();
    c->GetBrush()->SetColor(clRed);
    c->FillRect(Rect(0, 0, 3, 6));
    std::vector<std::string> before = picture(b.get());

    // pmNot inverts what is under the line: white becomes black, red becomes aqua.
    c->GetPen()->SetMode(pmNot);
    c->MoveTo(0, 2);
    c->LineTo(6, 2);
    EXPECT_EQ(c->GetPixels(4, 2), clBlack);
    EXPECT_EQ(c->GetPixels(1, 2), clAqua);
    c->MoveTo(0, 2);
    c->LineTo(6, 2);
    EXPECT_EQ(picture(b.get()), before);

    // pmXor twice gives back the original.
    c->GetPen()->SetMode(pmXor);
    c->GetPen()->SetColor(clBlue);
    c->Rectangle(0, 0, 5, 5);
    EXPECT_EQ(c->GetPixels(4, 4), TColor(0x00FFFF)); // white ^ blue = yellow
    c->Rectangle(0, 0, 5, 5);
    EXPECT_EQ(picture(b.get()), before);

    // DrawFocusRect inverts every other border pixel; a second call removes it.
    b = whiteBitmap(6, 5);
    c = b->GetCanvas();
    c->DrawFocusRect(Rect(0, 0, 6, 5));
    EXPECT_EQ(picture(b.get()),
              (std::vector<std::string>{"#.#.#.", ".....#", "#.....", ".....#", "#.#.#."}));
    c->DrawFocusRect(Rect(0, 0, 6, 5));
    EXPECT_EQ(inkBounds(b.get(), clWhite), TRect{});
}

TEST(Canvas, CopyRectRasterOperations) {
    // Source colour S onto destination colour D with brush colour P, checked against the
    // operations' definitions.
    const uint32_t S = 0x00F0A05A, D = 0x003C99CC, P = 0x000FF0F0;
    struct Case {
        TCopyMode Mode;
        uint32_t Expected;
    };
    const Case cases[] = {
        {cmSrcCopy, S},
        {cmSrcAnd, S & D},
        {cmSrcPaint, S | D},
        {cmSrcInvert, S ^ D},
        {cmNotSrcCopy, ~S & 0xFFFFFF},
        {cmSrcErase, S & ~D & 0xFFFFFF},
        {cmNotSrcErase, ~(S | D) & 0xFFFFFF},
        {cmMergePaint, (~S | D) & 0xFFFFFF},
        {cmBlackness, 0},
        {cmWhiteness, 0xFFFFFF},
        {cmPatCopy, P},
        {cmPatInvert, P ^ D},
        {cmDstInvert, ~D & 0xFFFFFF},
        {cmMergeCopy, S & P},
        {ROP_DSPDxax, (S & P) | (D & ~S & 0xFFFFFF)},
    };
    TBitmap src(4, 4);
    src.GetCanvas()->GetBrush()->SetColor(TColor(S));
    src.GetCanvas()->FillRect(Rect(0, 0, 4, 4));
    for (const Case& k : cases) {
        TBitmap dst(6, 6);
        TCanvas* c = dst.GetCanvas();
        c->GetBrush()->SetColor(TColor(D));
        c->FillRect(Rect(0, 0, 6, 6));
        c->GetBrush()->SetColor(TColor(P));
        c->SetCopyMode(k.Mode);
        c->CopyRect(Rect(1, 1, 5, 5), src.GetCanvas(), Rect(0, 0, 4, 4));
        EXPECT_EQ(uint32_t(c->GetPixels(2, 2)), k.Expected) << std::hex << k.Mode;
        EXPECT_EQ(uint32_t(c->GetPixels(0, 0)), D) << "outside the destination";
        EXPECT_EQ(uint32_t(c->GetPixels(5, 5)), D) << "right/bottom excluded";

        // The same through a painter the canvas does not own (Qt's raster operations).
        QImage img(6, 6, QImage::Format_RGB32);
        img.fill(QColor::fromRgb(0xFF000000u | gfxRgb(D)));
        QPainter p(&img);
        p.translate(1, 0);
        TCanvas foreign;
        foreign.SetHandle(&p);
        foreign.GetBrush()->SetColor(TColor(P));
        foreign.SetCopyMode(k.Mode);
        foreign.CopyRect(Rect(0, 1, 4, 5), src.GetCanvas(), Rect(0, 0, 4, 4));
        foreign.SetHandle(nullptr);
        p.end();
        EXPECT_EQ(img.pixel(2, 2) & 0xFFFFFFu, gfxRgb(k.Expected))
            << std::hex << k.Mode << " painter";
        EXPECT_EQ(img.pixel(0, 0) & 0xFFFFFFu, gfxRgb(D)) << std::hex << k.Mode << " painter";
    }
}

TEST(Canvas, CopyRectStretchesAndHonoursClip) {
    // A 2x1 source (black, red) stretched to 4x2.
    TBitmap src(2, 1);
    src.GetCanvas()->SetPixels(0, 0, clBlack);
    src.GetCanvas()->SetPixels(1, 0, clRed);
    auto b = whiteBitmap(6, 3);
    TCanvas* c = b->GetCanvas();
    c->IntersectClipRect(Rect(0, 0, 6, 1));
    c->CopyRect(Rect(1, 0, 5, 2), src.GetCanvas(), Rect(0, 0, 2, 1));
    EXPECT_EQ(picture(b.get()), (std::vector<std::string>{".##rr.", "......", "......"}));

    // Draw of a transparent bitmap keeps the background where the transparent colour is.
    TBitmap glyph(2, 2);
    glyph.GetCanvas()->GetBrush()->SetColor(clWhite);
    glyph.GetCanvas()->FillRect(Rect(0, 0, 2, 2));
    glyph.GetCanvas()->SetPixels(0, 0, clBlack);
    glyph.SetTransparentColor(clWhite);
    glyph.SetTransparent(true);
    auto bg = whiteBitmap(3, 3);
    bg->GetCanvas()->GetBrush()->SetColor(clRed);
    bg->GetCanvas()->FillRect(Rect(0, 0, 3, 3));
    bg->GetCanvas()->Draw(1, 1, &glyph);
    EXPECT_EQ(picture(bg.get()), (std::vector<std::string>{"rrr", "r#r", "rrr"}));
}

TEST(Canvas, ClipStateOriginAndSaveRestore) {
    auto b = whiteBitmap(8, 8);
    TCanvas* c = b->GetCanvas();
    EXPECT_EQ(c->GetClipRect(), Rect(0, 0, 8, 8));
    int saved = c->SaveDC();
    c->IntersectClipRect(Rect(2, 2, 6, 6));
    c->ExcludeClipRect(Rect(3, 3, 5, 5));
    c->GetFont()->SetColor(clRed);
    c->GetBrush()->SetColor(clBlack);
    c->FillRect(Rect(0, 0, 8, 8));
    EXPECT_EQ(inkBounds(b.get(), clWhite), Rect(2, 2, 6, 6));
    EXPECT_EQ(c->GetPixels(3, 3), clWhite); // excluded hole
    EXPECT_EQ(c->GetClipRect(), Rect(2, 2, 6, 6));
    EXPECT_TRUE(c->RestoreDC(saved));
    EXPECT_FALSE(c->HasClipRegion());
    EXPECT_EQ(c->GetFont()->GetColor(), clWindowText);
    EXPECT_EQ(c->GetTextColor(), clWindowText);
    EXPECT_EQ(c->GetBrush()->GetColor(), clWhite);
    EXPECT_FALSE(c->RestoreDC(saved)) << "a state is restored once";

    // The window origin moves every later coordinate.
    c->SetWindowOrg(-3, -2);
    c->GetBrush()->SetColor(clRed);
    c->FillRect(Rect(0, 0, 1, 1));
    c->SetWindowOrg(0, 0);
    EXPECT_EQ(c->GetPixels(3, 2), clRed);
    // The viewport origin adds on top: device = logical - window origin + viewport origin,
    // and clip rectangles given afterwards are logical too.
    c->SetWindowOrg(1, 0);
    c->SetViewportOrg(4, 4);
    c->IntersectClipRect(Rect(1, 0, 3, 2)); // device 4..5 x 4..5
    c->GetBrush()->SetColor(clBlue);
    c->FillRect(Rect(0, 0, 8, 8));
    EXPECT_EQ(c->GetPixels(1, 0), clBlue) << "logical read";
    c->SetWindowOrg(0, 0);
    c->SetViewportOrg(0, 0);
    EXPECT_EQ(inkBounds(b.get(), clWhite), Rect(2, 2, 6, 6)) << "nothing outside the old ink";
    EXPECT_EQ(c->GetPixels(4, 4), clBlue);
    EXPECT_EQ(c->GetPixels(5, 5), clBlue);
    EXPECT_EQ(c->GetPixels(3, 3), clWhite);

    // Pixels out of the bitmap read as invalid.
    EXPECT_EQ(c->GetPixels(8, 0), CLR_INVALID);
    EXPECT_EQ(c->GetPixels(-1, 0), CLR_INVALID);
}

TEST(Canvas, TextStartsAtTopLeftAndTextRectClips) {
    auto b = whiteBitmap(120, 40);
    TCanvas* c = b->GetCanvas();
    c->GetFont()->SetName("Arial");
    c->GetFont()->SetSize(12);
    c->GetFont()->SetColor(clBlack);
    c->GetBrush()->SetStyle(bsClear);
    c->TextOut(10, 5, "HWH");
    TRect ink = inkBounds(b.get(), clWhite);
    TSize ext = c->TextExtent("HWH");
    // Capitals sit below the top of the cell (internal leading) and above its bottom.
    EXPECT_GE(ink.Top, 5);
    EXPECT_LT(ink.Top, 5 + ext.cy / 2);
    EXPECT_LE(ink.Bottom, 5 + ext.cy);
    EXPECT_GE(ink.Left, 10);
    EXPECT_LE(ink.Right, 10 + ext.cx + 1);
    EXPECT_EQ(c->GetPenPos(), Point(10 + ext.cx, 5));

    // An opaque TextRect fills its rectangle with the brush and draws nothing outside it,
    // even for text that starts before it and runs past it.
    b = whiteBitmap(120, 40);
    c = b->GetCanvas();
    c->GetFont()->SetName("Arial");
    c->GetFont()->SetSize(12);
    c->GetFont()->SetColor(clBlack);
    c->GetBrush()->SetColor(clRed);
    c->TextRect(Rect(20, 10, 60, 22), 15, 8, "WWWWWWWWWWWWWW");
    EXPECT_EQ(inkBounds(b.get(), clWhite), Rect(20, 10, 60, 22));
    int black = 0;
    for (int y = 10; y < 22; ++y)
        for (int x = 20; x < 60; ++x)
            black += c->GetPixels(x, y) == clBlack;
    EXPECT_GT(black, 20);

    // Opaque TextOut paints the cell background in the brush colour; bsClear does not.
    b = whiteBitmap(60, 30);
    c = b->GetCanvas();
    c->GetBrush()->SetColor(clRed);
    c->TextOut(0, 0, "i");
    EXPECT_EQ(c->GetPixels(0, 0), clRed);
    SetBkMode(c, TRANSPARENT);
    c->TextOut(0, 15, "i");
    EXPECT_EQ(c->GetPixels(0, 15), clWhite);
}

TEST(Canvas, DrawTextMeasuresWordBreaks) {
    TBitmap b(200, 100);
    TCanvas* c = b.GetCanvas();
    c->GetFont()->SetName("Arial");
    c->GetFont()->SetSize(10);
    const int lh = c->TextHeight("Wg");
    const int wAB = c->TextWidth("alpha beta");
    const int wGamma = c->TextWidth("gamma");

    // Room for "alpha beta" but not for the third word: two lines; the rectangle narrows to
    // the widest line.
    TRect r = Rect(5, 7, 5 + wAB + 2, 7);
    int h = c->DrawText("alpha beta gamma", r, DT_CALCRECT | DT_WORDBREAK);
    EXPECT_EQ(h, 2 * lh);
    EXPECT_EQ(r, Rect(5, 7, 5 + wAB, 7 + 2 * lh));

    // Line breaks in the text start new lines; a word wider than the room stays whole.
    r = Rect(0, 0, wGamma - 3, 0);
    h = c->DrawText("gamma\r\nab", r, DT_CALCRECT | DT_WORDBREAK);
    EXPECT_EQ(h, 2 * lh);
    EXPECT_EQ(r.Right, wGamma);

    // Single line: one line whatever the breaks; '&' marks a prefix unless DT_NOPREFIX.
    r = Rect(0, 0, 10, 0);
    EXPECT_EQ(c->DrawText("a\r\nb c", r, DT_CALCRECT | DT_SINGLELINE | DT_WORDBREAK), lh);
    r = Rect(0, 0, 0, 0);
    c->DrawText("&File", r, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_EQ(r.Right, c->TextWidth("File"));
    r = Rect(0, 0, 0, 0);
    c->DrawText("&File", r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    EXPECT_EQ(r.Right, c->TextWidth("&File"));

    // Centred vertically on one line: the return value reaches the text's bottom.
    r = Rect(0, 0, 100, 40);
    EXPECT_EQ(c->DrawText("x", r, DT_SINGLELINE | DT_VCENTER), (40 - lh) / 2 + lh);

    // End ellipsis fits the room.
    r = Rect(0, 0, wGamma, 0);
    c->DrawText("gamma gamma gamma", r, DT_CALCRECT | DT_SINGLELINE | DT_END_ELLIPSIS);
    EXPECT_LE(r.Right, wGamma);
    EXPECT_GT(r.Right, 0);

    // Expanded tabs jump to multiples of eight average characters.
    TTextMetric tm;
    c->GetTextMetrics(tm);
    r = Rect(0, 0, 0, 0);
    c->DrawText("a\tb", r, DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS);
    EXPECT_EQ(r.Right, 8 * tm.tmAveCharWidth + c->TextWidth("b"));
}

TEST(Canvas, DrawTextPlacesAlignedLinesInsideTheRectangle) {
    auto b = whiteBitmap(100, 60);
    TCanvas* c = b->GetCanvas();
    c->GetFont()->SetName("Arial");
    c->GetFont()->SetSize(10);
    c->GetFont()->SetColor(clBlack);
    c->GetBrush()->SetStyle(bsClear);
    TRect r = Rect(10, 10, 90, 50);
    c->DrawText("MMM", r, DT_RIGHT | DT_BOTTOM | DT_SINGLELINE);
    TRect ink = inkBounds(b.get(), clWhite);
    EXPECT_LE(ink.Right, 90);
    EXPECT_GE(ink.Right, 85);
    EXPECT_LE(ink.Bottom, 50);
    EXPECT_GE(ink.Top, 50 - c->TextHeight("M"));
}

TEST(Canvas, FontNamesUseMetricTwins) {
    struct Case {
        const char* Windows;
        const char* Twin;
    };
    const Case cases[] = {{"Arial", "Liberation Sans"},
                          {"Times New Roman", "Liberation Serif"},
                          {"Courier New", "Liberation Mono"}};
    const QString text = QStringLiteral("Табельний номер 1234, Kadrion");
    for (const Case& k : cases) {
        TBitmap b(10, 10);
        TCanvas* c = b.GetCanvas();
        c->GetFont()->SetSize(10);
        c->GetFont()->SetName(k.Windows);
        int windows = c->TextWidth(text);
        EXPECT_EQ(c->GetFont()->ToQFont().family(), QString::fromLatin1(k.Twin));
        c->GetFont()->SetName(k.Twin);
        EXPECT_EQ(windows, c->TextWidth(text)) << k.Windows;
        // And the measure agrees with Qt's for the twin at the pixel height.
        QFont f(QString::fromLatin1(k.Twin));
        f.setPixelSize(13);
        f.setKerning(false);
        f.setHintingPreference(QFont::PreferNoHinting);
        EXPECT_EQ(windows, QFontMetrics(f).horizontalAdvance(text)) << k.Windows;
    }
    // A fixed-pitch twin keeps every character the same width.
    TBitmap b(10, 10);
    b.GetCanvas()->GetFont()->SetName("Courier New");
    EXPECT_EQ(b.GetCanvas()->TextWidth("iiii"), b.GetCanvas()->TextWidth("WWWW"));
}

TEST(Canvas, FontSizeAndHeightFollowThePlatformsSigns) {
    TFont f;
    EXPECT_EQ(f.GetName(), "MS Sans Serif");
    EXPECT_EQ(f.GetSize(), 8);
    EXPECT_EQ(f.GetHeight(), -11);
    f.SetSize(10);
    EXPECT_EQ(f.GetHeight(), -13);
    f.SetHeight(-16);
    EXPECT_EQ(f.GetSize(), 12);
    f.SetHeight(20); // a cell height: the size comes out negative, as on the platform
    EXPECT_EQ(f.GetSize(), -15);
    int changes = 0;
    f.OnChange = [&](TObject*) { ++changes; };
    f.SetStyle({fsBold, fsUnderline});
    f.SetStyle({fsBold, fsUnderline});
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(f.ToQFont().bold());
    EXPECT_TRUE(f.ToQFont().underline());
    // A positive height is the whole cell.
    TBitmap b(10, 10);
    b.GetCanvas()->GetFont()->SetHeight(20);
    EXPECT_NEAR(b.GetCanvas()->TextHeight("W"), 20, 1);
}

TEST(Canvas, ColoursAndSystemColours) {
    EXPECT_EQ(ColorToRGB(clRed), 0x0000FF);
    EXPECT_EQ(ColorToRGB(clBtnFace), 0xC8D0D4);
    EXPECT_EQ(ColorToRGB(clWindow), 0xFFFFFF);
    EXPECT_EQ(uint32_t(clBtnFace), 0x8000000Fu);
    SetSysColor(COLOR_BTNFACE, 0x123456);
    EXPECT_EQ(ColorToRGB(clBtnFace), 0x123456);
    ResetSysColors();
    EXPECT_EQ(ColorToString(clBtnFace), "clBtnFace");
    EXPECT_EQ(ColorToString(TColor(0x00123456)), "$00123456");
    EXPECT_EQ(StringToColor("clbtnface"), clBtnFace);
    EXPECT_EQ(StringToColor("$00123456"), 0x123456);
    EXPECT_THROW(StringToColor("nonsense"), EConvertError);
    TBitmap b(2, 1);
    b.GetCanvas()->GetBrush()->SetColor(clBtnFace);
    b.GetCanvas()->FillRect(Rect(0, 0, 2, 1));
    EXPECT_EQ(b.GetCanvas()->GetPixels(1, 0), 0xC8D0D4);
}

TEST(Canvas, RecordingCanvasKeepsTextAndPositions) {
    TRecordingCanvas rc(600, 800);
    rc.GetFont()->SetName("Times New Roman");
    rc.TextOut(40, 50, "Прізвище");
    TRect r = Rect(100, 200, 300, 260);
    rc.DrawText("перший рядок\r\nдругий", r, DT_CENTER);
    rc.Rectangle(0, 0, 10, 10);
    const auto& items = rc.Texts().Items;
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].Text, "Прізвище");
    EXPECT_EQ(items[0].Origin, Point(40, 50));
    EXPECT_EQ(items[0].FontName, "Times New Roman");
    EXPECT_EQ(items[0].Bounds.Width(), rc.TextWidth("Прізвище"));
    EXPECT_EQ(items[2].Text, "другий");
    EXPECT_EQ(items[2].Origin.Y, 200 + rc.TextHeight("x"));
    EXPECT_EQ(items[2].Origin.X, 100 + (200 - rc.TextWidth("другий")) / 2);
    EXPECT_EQ(rc.Texts().Find("ДРУГИЙ"), std::vector<int>{2});
    const QPicture& pic = rc.GetPicture();
    EXPECT_GT(pic.size(), 0u);
    // The picture replays onto an image.
    QImage img(600, 800, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.drawPicture(0, 0, pic);
    p.end();
    EXPECT_NE(img.pixel(0, 0), QColor(Qt::white).rgb());
}

TEST(Canvas, CanvasOverAForeignPainterAndLocking) {
    QImage img(10, 10, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.translate(2, 3);
    TCanvas c;
    int changing = 0, changed = 0;
    c.OnChanging = [&](TObject*) { ++changing; };
    c.OnChange = [&](TObject*) { ++changed; };
    c.SetHandle(&p);
    c.GetBrush()->SetColor(clRed);
    c.FillRect(Rect(0, 0, 2, 2));
    c.IntersectClipRect(Rect(1, 1, 2, 2)); // gone with the painter
    c.SetHandle(nullptr);
    p.end();
    EXPECT_EQ(img.pixel(2, 3), QColor(Qt::red).rgb());
    EXPECT_EQ(img.pixel(4, 5), QColor(Qt::white).rgb());
    EXPECT_EQ(changing, 1);
    EXPECT_EQ(changed, 1);
    EXPECT_FALSE(c.HasClipRegion());
    // The foreign painter's clip stays: the canvas's clip regions work inside it.
    img.fill(Qt::white);
    p.begin(&img);
    p.setClipRect(QRect(0, 0, 5, 5));
    c.SetHandle(&p);
    EXPECT_EQ(c.GetClipRect(), Rect(0, 0, 5, 5));
    c.FillRect(Rect(0, 0, 10, 10));
    c.IntersectClipRect(Rect(3, 3, 10, 10));
    EXPECT_EQ(c.GetClipRect(), Rect(3, 3, 5, 5));
    c.GetBrush()->SetColor(clBlue);
    c.FillRect(Rect(0, 0, 10, 10));
    c.SetHandle(nullptr);
    p.end();
    EXPECT_EQ(img.pixel(4, 4), QColor(Qt::blue).rgb());
    EXPECT_EQ(img.pixel(2, 2), QColor(Qt::red).rgb());
    EXPECT_EQ(img.pixel(5, 5), QColor(Qt::white).rgb());

    c.Lock();
    EXPECT_EQ(c.GetLockCount(), 1);
    c.Unlock();
    EXPECT_EQ(c.GetLockCount(), 0);
    // Without any device the canvas still measures and ignores drawing.
    TCanvas none;
    EXPECT_GT(none.TextWidth("abc"), 0);
    none.Rectangle(0, 0, 5, 5);
    EXPECT_EQ(none.GetPixels(0, 0), CLR_INVALID);
}

TEST(Canvas, TabbedTextBrushCopyAndFloodFill) {
    TBitmap b(300, 30);
    TCanvas* c = b.GetCanvas();
    c->GetFont()->SetName("Arial");
    // Explicit stops are pixel positions from the origin; one value is an interval.
    TSize ext = c->TabbedTextOut(10, 0, "a\tb\tc", {50, 120}, 10);
    EXPECT_EQ(ext.cx, 120 + c->TextWidth("c"));
    EXPECT_EQ(ext.cy, c->TextHeight("c"));
    EXPECT_EQ(c->GetTabbedTextExtent("a\tb", {40}).cx, 40 + c->TextWidth("b"));
    EXPECT_EQ(c->GetTabbedTextExtent("a\t\tb", {40}).cx, 80 + c->TextWidth("b"));

    // BrushCopy puts the brush colour where the bitmap has the given colour.
    TBitmap glyph(2, 1);
    glyph.GetCanvas()->SetPixels(0, 0, clLime);
    glyph.GetCanvas()->SetPixels(1, 0, clBlack);
    auto dst = whiteBitmap(3, 1);
    dst->GetCanvas()->GetBrush()->SetColor(clRed);
    dst->GetCanvas()->BrushCopy(Rect(1, 0, 3, 1), &glyph, Rect(0, 0, 2, 1), clLime);
    EXPECT_EQ(picture(dst.get()), std::vector<std::string>{".r#"});

    // Flood fill stops at other colours (surface) or at the border colour (border).
    auto f = whiteBitmap(5, 3);
    TCanvas* fc = f->GetCanvas();
    fc->SetPixels(2, 0, clBlack);
    fc->SetPixels(2, 1, clBlack);
    fc->SetPixels(2, 2, clBlack);
    fc->GetBrush()->SetColor(clRed);
    fc->FloodFill(0, 0, clWhite, fsSurface);
    EXPECT_EQ(picture(f.get()), (std::vector<std::string>{"rr#..", "rr#..", "rr#.."}));
    fc->FloodFill(4, 0, clBlack, fsBorder);
    EXPECT_EQ(picture(f.get()), (std::vector<std::string>{"rr#rr", "rr#rr", "rr#rr"}));
}

TEST(Canvas, EdgesAndFrameControlsInTheClassicLook) {
    const TColor light = ColorToRGB(cl3DLight), hilite = ColorToRGB(clBtnHighlight),
                 shadow = ColorToRGB(clBtnShadow), dark = ColorToRGB(cl3DDkShadow),
                 face = ColorToRGB(clBtnFace);
    auto b = whiteBitmap(6, 6);
    TCanvas* c = b->GetCanvas();
    TRect r = Rect(0, 0, 6, 6);
    EXPECT_TRUE(DrawEdge(c, r, EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_ADJUST));
    EXPECT_EQ(r, Rect(2, 2, 4, 4));
    // Outer ring light/dark, inner ring highlight/shadow; the top-right and bottom-left corners
    // belong to the dark sides.
    EXPECT_EQ(c->GetPixels(0, 0), light);
    EXPECT_EQ(c->GetPixels(4, 0), light);
    EXPECT_EQ(c->GetPixels(5, 0), dark);
    EXPECT_EQ(c->GetPixels(0, 5), dark);
    EXPECT_EQ(c->GetPixels(1, 1), hilite);
    EXPECT_EQ(c->GetPixels(4, 1), shadow);
    EXPECT_EQ(c->GetPixels(2, 2), face);
    // Sunken: shadow outside, dark inside at the top left.
    b = whiteBitmap(4, 4);
    r = Rect(0, 0, 4, 4);
    DrawEdge(b->GetCanvas(), r, EDGE_SUNKEN, BF_RECT);
    EXPECT_EQ(b->GetCanvas()->GetPixels(0, 0), shadow);
    EXPECT_EQ(b->GetCanvas()->GetPixels(1, 1), dark);
    EXPECT_EQ(b->GetCanvas()->GetPixels(3, 3), hilite);
    EXPECT_EQ(r, Rect(0, 0, 4, 4)) << "no BF_ADJUST";

    // A check box: white inside, the mark only when checked.
    auto box = [](unsigned state) {
        auto bm = whiteBitmap(13, 13);
        bm->GetCanvas()->FillSolid(Rect(0, 0, 13, 13), clRed);
        DrawFrameControl(bm->GetCanvas(), Rect(0, 0, 13, 13), DFC_BUTTON, state);
        return bm;
    };
    auto unchecked = box(DFCS_BUTTONCHECK);
    auto checked = box(DFCS_BUTTONCHECK | DFCS_CHECKED);
    EXPECT_EQ(unchecked->GetCanvas()->GetPixels(0, 0), shadow);
    EXPECT_EQ(unchecked->GetCanvas()->GetPixels(12, 12), hilite);
    EXPECT_EQ(unchecked->GetCanvas()->GetPixels(1, 1), dark);
    int marks = 0;
    for (int y = 2; y < 11; ++y)
        for (int x = 2; x < 11; ++x) {
            EXPECT_EQ(unchecked->GetCanvas()->GetPixels(x, y), clWhite);
            marks += checked->GetCanvas()->GetPixels(x, y) == clBlack;
        }
    EXPECT_GT(marks, 10);

    // The combo-box button: a raised face with a symmetric down arrow in the middle.
    auto combo = whiteBitmap(17, 17);
    DrawFrameControl(combo->GetCanvas(), Rect(0, 0, 17, 17), DFC_SCROLL, DFCS_SCROLLCOMBOBOX);
    TRect arrowInk{17, 17, 0, 0};
    for (int y = 2; y < 15; ++y)
        for (int x = 2; x < 15; ++x)
            if (combo->GetCanvas()->GetPixels(x, y) == clBlack) {
                arrowInk.Left = std::min(arrowInk.Left, x);
                arrowInk.Top = std::min(arrowInk.Top, y);
                arrowInk.Right = std::max(arrowInk.Right, x + 1);
                arrowInk.Bottom = std::max(arrowInk.Bottom, y + 1);
            }
    EXPECT_EQ(arrowInk.Left + arrowInk.Right, 17) << "centred";
    EXPECT_EQ(arrowInk.Width(), 2 * arrowInk.Height() - 1);
    EXPECT_EQ(combo->GetCanvas()->GetPixels(8, arrowInk.Bottom - 1), clBlack) << "points down";
    EXPECT_EQ(combo->GetCanvas()->GetPixels(arrowInk.Left, arrowInk.Bottom - 1), face);
    EXPECT_FALSE(DrawFrameControl(combo->GetCanvas(), Rect(0, 0, 5, 5), DFC_MENU, 0));
}

TEST(Canvas, DrawTextExMarginsEllipsesAndHatchBackground) {
    TBitmap b(10, 10);
    TCanvas* c = b.GetCanvas();
    c->GetFont()->SetName("Arial");
    const int w = c->TextWidth("abc def");
    DRAWTEXTPARAMS p;
    p.iLeftMargin = 3;
    p.iRightMargin = 4;
    TRect r = Rect(10, 0, 10 + w + 7, 0);
    c->DrawTextEx("abc def", r, DT_CALCRECT | DT_WORDBREAK, &p);
    EXPECT_EQ(r.Right, 10 + 3 + w + 4) << "fits beside the margins: one line";
    EXPECT_EQ(r.Bottom, c->TextHeight("a"));
    EXPECT_EQ(p.uiLengthDrawn, 7u);
    r = Rect(10, 0, 10 + w + 6, 0);
    DrawTextEx(c, "abc def", r, DT_CALCRECT | DT_WORDBREAK, &p);
    EXPECT_EQ(r.Bottom, 2 * c->TextHeight("a")) << "one pixel short: two lines";
    // Tab length in average characters.
    TTextMetric tm;
    c->GetTextMetrics(tm);
    p = DRAWTEXTPARAMS();
    p.iTabLength = 4;
    r = Rect(0, 0, 0, 0);
    c->DrawTextEx("\tx", r, DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS | DT_TABSTOP, &p);
    EXPECT_EQ(r.Right, 4 * tm.tmAveCharWidth + c->TextWidth("x"));

    // Path ellipsis keeps the file name.
    const QString path = QStringLiteral("/home/kadry/zvity/richnyi/zvit.frf");
    const int room = c->TextWidth("/home.../zvit.frf") + 1;
    r = Rect(0, 0, room, 0);
    c->DrawText(path, r, DT_CALCRECT | DT_SINGLELINE | DT_PATH_ELLIPSIS);
    EXPECT_LE(r.Right, room);
    EXPECT_GE(r.Right, c->TextWidth("/.../zvit.frf"));

    // A hatched brush leaves text backgrounds transparent; a solid one makes them opaque.
    c->GetBrush()->SetStyle(bsCross);
    EXPECT_EQ(c->GetBkMode(), TRANSPARENT);
    c->GetBrush()->SetStyle(bsSolid);
    EXPECT_EQ(c->GetBkMode(), OPAQUE);
    EXPECT_EQ(c->GetBkColor(), c->GetBrush()->GetColor());
}

TEST(Canvas, MonochromeCopiesFollowThePlatform) {
    // A colour bitmap whose lime pixels are to be "transparent".
    TBitmap src(3, 1);
    src.GetCanvas()->SetPixels(0, 0, clLime);
    src.GetCanvas()->SetPixels(1, 0, clRed);
    src.GetCanvas()->SetPixels(2, 0, clLime);
    src.GetCanvas()->GetBrush()->SetColor(clLime); // the source's background colour

    // Colour onto monochrome: the source's background colour gives white, the rest black.
    TBitmap mask(3, 1);
    mask.SetMonochrome(true);
    mask.GetCanvas()->CopyRect(Rect(0, 0, 3, 1), src.GetCanvas(), Rect(0, 0, 3, 1));
    EXPECT_EQ(picture(&mask), std::vector<std::string>{".#."});

    // Monochrome onto colour with text colour white, background black and ROP 0xE20746:
    // the brush goes where the mask is black, the rest stays (the disabled-image recipe).
    auto dst = whiteBitmap(3, 1);
    TCanvas* c = dst->GetCanvas();
    c->GetBrush()->SetColor(clGray);
    c->FillRect(Rect(0, 0, 3, 1));
    c->GetBrush()->SetColor(clRed);
    c->SetTextColor(clWhite);
    c->SetBkColor(clBlack);
    c->BitBlt(0, 0, 3, 1, mask.GetCanvas(), 0, 0, ROP_DSPDxax);
    EXPECT_EQ(c->GetPixels(0, 0), clGray);
    EXPECT_EQ(c->GetPixels(1, 0), clRed);
    EXPECT_EQ(c->GetPixels(2, 0), clGray);

    // Drawing a monochrome bitmap paints black in the text colour, white in the background.
    auto shown = whiteBitmap(3, 1);
    shown->GetCanvas()->GetBrush()->SetColor(clBlue); // background colour blue
    shown->GetCanvas()->SetTextColor(clRed);
    shown->GetCanvas()->Draw(0, 0, &mask);
    EXPECT_EQ(shown->GetCanvas()->GetPixels(0, 0), clBlue);
    EXPECT_EQ(shown->GetCanvas()->GetPixels(1, 0), clRed);

    // Turning a colour bitmap monochrome keeps its brush colour as white.
    TBitmap m(2, 1);
    m.GetCanvas()->SetPixels(0, 0, clBlue);
    m.GetCanvas()->SetPixels(1, 0, clLime);
    m.GetCanvas()->GetBrush()->SetColor(clLime);
    m.SetMonochrome(true);
    EXPECT_EQ(picture(&m), std::vector<std::string>{"#."});
}

TEST(Canvas, TextWithAdvancesLeavesATransparentBackgroundAlone) {
    // A painter that a window hands over may paint text backgrounds; the canvas's own mode holds.
    for (bool withAdvances : {false, true}) {
        QImage img(60, 20, QImage::Format_RGB32);
        img.fill(Qt::white);
        QPainter p(&img);
        p.setBackgroundMode(Qt::OpaqueMode);
        p.setBackground(QBrush(Qt::red));
        TCanvas c;
        c.SetHandle(&p);
        c.GetFont()->SetName(QStringLiteral("Arial"));
        c.GetFont()->SetHeight(-13);
        c.SetBkMode(TRANSPARENT);
        std::vector<int> dx(4, 12);
        c.ExtTextOut(2, 2, 0, nullptr, QStringLiteral("Шрифт"), withAdvances ? &dx : nullptr);
        c.SetHandle(nullptr);
        p.end();
        int red = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                red += (img.pixel(x, y) & 0xFFFFFFu) == 0xFF0000u;
        EXPECT_EQ(red, 0) << (withAdvances ? "with advances" : "without");
    }
}

namespace {

// The first page of a PDF rendered by poppler (an independent reader) at 150 dpi.
QImage renderedPdf(const QString& File) {
    const QString prefix = File + QStringLiteral(".page");
    RunProgram(QStringLiteral("/usr/bin/pdftoppm"),
               {QStringLiteral("-r"), QStringLiteral("150"), QStringLiteral("-singlefile"),
                QStringLiteral("-png"), File, prefix});
    return QImage(prefix + QStringLiteral(".png"));
}

} // namespace

TEST(Canvas, TextLooksAsShapedTextOnBitmapsAndInPdf) {
    // Texts of characters that stand alone are measured and drawn from their glyphs without
    // shaping; others (a combining accent, a character the face lacks, a face with
    // substitutions) are shaped. Either way the width is the platform font's and the glyphs
    // land where a QPainter puts the text.
    struct Case {
        const char* Font;
        const char* Text;
    } cases[] = {
        {"Arial", "Прізвище, ім'я, по батькові"}, {"Arial", "AVATAR «Їжак» — №5: 1 234,50 грн."},
        {"Courier New", "Моно 0123 Ґґ {x}"},      {"Times New Roman", "Серіф із заміною"},
        {"Arial", "Cafe\u0301 з наголосом"},      {"Arial", "Знак \u4E2D з іншого шрифту"},
    };
    QTemporaryDir dir;
    for (const Case& c : cases) {
        const QString text = QString::fromUtf8(c.Text);
        TFont f;
        f.SetName(QString::fromLatin1(c.Font));
        f.SetHeight(-15);
        const QFont qf = f.ToQFont();
        const QFontMetrics fm(qf);

        auto b = whiteBitmap(320, 24);
        TCanvas* canvas = b->GetCanvas();
        canvas->GetFont()->Assign(&f);
        canvas->GetFont()->SetColor(clBlack);
        canvas->GetBrush()->SetStyle(bsClear);
        EXPECT_EQ(canvas->TextWidth(text), fm.horizontalAdvance(text)) << c.Text;
        canvas->TextOut(3, 2, text);
        QImage shaped(320, 24, QImage::Format_RGB32);
        shaped.fill(Qt::white);
        {
            QPainter p(&shaped);
            p.setFont(qf);
            p.setPen(Qt::black);
            p.drawText(QPoint(3, 2 + fm.ascent()), text);
        }
        int differ = 0;
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < 320; ++x)
                differ += canvas->GetPixels(x, y) != QColorToColor(QColor(shaped.pixel(x, y)));
        EXPECT_EQ(differ, 0) << c.Text;

        // The same in PDF: the page rendered by poppler, and its text read back.
        QImage pages[2];
        for (int way = 0; way < 2; ++way) {
            const QString file = dir.filePath(QStringLiteral("text%1.pdf").arg(way));
            {
                QPdfWriter w(file);
                w.setResolution(600);
                QPainter p(&w);
                p.scale(6, 6);
                if (way == 0) {
                    TCanvas pc;
                    pc.SetHandle(&p);
                    pc.GetFont()->Assign(&f);
                    pc.GetFont()->SetColor(clBlack);
                    pc.GetBrush()->SetStyle(bsClear);
                    pc.TextOut(20, 20, text);
                    pc.SetHandle(nullptr);
                } else {
                    p.setFont(qf);
                    p.setPen(Qt::black);
                    p.drawText(QPoint(20, 20 + fm.ascent()), text);
                }
            }
            pages[way] = renderedPdf(file);
            if (way == 0 && !text.contains(QChar(0x4E2D))) {
                const QByteArray read =
                    RunProgram(QStringLiteral("/usr/bin/pdftotext"), {file, QStringLiteral("-")})
                        .Out;
                EXPECT_TRUE(read.contains(c.Text)) << c.Text << " read as " << read.constData();
            }
        }
        ASSERT_FALSE(pages[0].isNull());
        EXPECT_EQ(pages[0], pages[1]) << c.Text;
    }
}

TEST(Canvas, TextWithAdvancesPlacesEachCharacterAtItsAdvance) {
    // Given advances place the characters one by one, whether the text is drawn as one run of
    // glyphs or shaped character by character.
    for (const char* t : {"Шрифт", "Cafe\u0301"}) {
        const QString text = QString::fromUtf8(t);
        std::vector<int> dx(size_t(text.size()), 14);
        auto whole = whiteBitmap(120, 24);
        TCanvas* c = whole->GetCanvas();
        c->GetFont()->SetName(QStringLiteral("Arial"));
        c->GetFont()->SetHeight(-15);
        c->GetFont()->SetColor(clBlack);
        c->GetBrush()->SetStyle(bsClear);
        c->ExtTextOut(2, 2, 0, nullptr, text, &dx);
        auto single = whiteBitmap(120, 24);
        TCanvas* s = single->GetCanvas();
        s->GetFont()->Assign(c->GetFont());
        s->GetBrush()->SetStyle(bsClear);
        for (qsizetype i = 0; i < text.size(); ++i)
            s->TextOut(2 + 14 * int(i), 2, text.mid(i, 1));
        EXPECT_EQ(picture(whole.get()), picture(single.get())) << t;
    }
}
