// The drawing helpers and the speed button: transparent and stretched bitmaps, image cells,
// the disabled and inactive looks, shortened text, the parent's background, queued messages,
// and the button's frame, glyph counts, clicks and repeat.
#include "ControlsTestSupport.h"
#include "VCLUtils.h"

namespace {

TColor pixel(TBitmap& B, int X, int Y) {
    return ColorToRGB(B.GetCanvas()->GetPixels(X, Y));
}

// 4 x 4 red with a blue 2 x 2 square at the top left.
std::unique_ptr<TBitmap> redWithBlueCorner() {
    auto b = std::make_unique<TBitmap>(4, 4);
    b->GetCanvas()->FillSolid(TRect{0, 0, 4, 4}, clRed);
    b->GetCanvas()->FillSolid(TRect{0, 0, 2, 2}, clBlue);
    return b;
}

TEST(Drawing, TransparentBitmaps) {
    std::unique_ptr<TBitmap> bmp = redWithBlueCorner();
    TBitmap& src = *bmp;
    TBitmap dest(10, 10);
    auto clear = [&dest] { dest.GetCanvas()->FillSolid(TRect{0, 0, 10, 10}, clWhite); };
    clear();
    // clDefault: the bottom-left pixel's colour (red) stays out
    DrawTransparent(dest.GetCanvas(), 1, 1, &src, clDefault);
    EXPECT_EQ(pixel(dest, 1, 1), clBlue);
    EXPECT_EQ(pixel(dest, 4, 4), clWhite);
    clear();
    DrawTransparent(dest.GetCanvas(), 1, 1, &src, clNone); // opaque
    EXPECT_EQ(pixel(dest, 4, 4), clRed);
    clear();
    DrawTransparent(dest.GetCanvas(), 1, 1, &src, clBlue);
    EXPECT_EQ(pixel(dest, 1, 1), clWhite);
    EXPECT_EQ(pixel(dest, 4, 4), clRed);
    // a zero source width takes the whole bitmap, stretched to 8 x 8
    clear();
    DrawTransparentStretched(dest.GetCanvas(), &src, clDefault, 0, 0, 8, 8, 0, 0, 0, 0);
    EXPECT_EQ(pixel(dest, 3, 3), clBlue);
    EXPECT_EQ(pixel(dest, 5, 5), clWhite);
    EXPECT_EQ(pixel(dest, 9, 9), clWhite);
    // a part: the right half only, at its own size
    clear();
    DrawTransparentPart(dest.GetCanvas(), 0, 0, 2, 4, TRect{2, 0, 4, 4}, &src, clBlue);
    EXPECT_EQ(pixel(dest, 0, 0), clRed);
    EXPECT_EQ(pixel(dest, 2, 0), clWhite);
}

TEST(Drawing, ImageCellsAndDisabledLooks) {
    TBitmap strip(16, 4);
    const TColor colours[4] = {clRed, clLime, clBlue, clYellow};
    for (int i = 0; i < 4; ++i)
        strip.GetCanvas()->FillSolid(TRect{i * 4, 0, i * 4 + 4, 4}, colours[i]);
    TBitmap cell;
    CopyImageCell(&strip, &cell, 4, 1, 2);
    EXPECT_EQ(cell.GetWidth(), 4);
    EXPECT_EQ(cell.GetHeight(), 4);
    EXPECT_EQ(pixel(cell, 0, 0), clBlue);
    EXPECT_EQ(pixel(cell, 3, 3), clBlue);
    CopyImageCell(&strip, &cell, 0, 0, -5); // counts below 1 are 1, an index below 0 is 0
    EXPECT_EQ(cell.GetWidth(), 16);
    EXPECT_EQ(pixel(cell, 0, 0), clRed);
    // an icon is drawn on silver
    TIcon icon;
    QImage img(8, 8, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    img.setPixel(7, 7, qRgb(255, 0, 0));
    icon.AddImage(img);
    CopyImageCell(&icon, &cell, 2, 2, 3);
    EXPECT_EQ(pixel(cell, 0, 0), clSilver);
    EXPECT_EQ(pixel(cell, 3, 3), clRed);

    // the embossed look: outline pixels as shadow over a highlight one pixel down-right
    TBitmap glyph(4, 4);
    glyph.GetCanvas()->FillSolid(TRect{0, 0, 4, 4}, clWhite);
    glyph.GetCanvas()->SetPixels(1, 1, clBlack);
    std::unique_ptr<TBitmap> off = BuildDisabledGlyph(&glyph, clBlack);
    EXPECT_EQ(pixel(*off, 1, 1), ColorToRGB(clBtnShadow));
    EXPECT_EQ(pixel(*off, 2, 2), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(pixel(*off, 0, 0), ColorToRGB(clBtnFace));
    std::unique_ptr<TBitmap> flat =
        BuildDisabledGlyphEx(&glyph, clBlack, clWhite, clRed, clBlue, false);
    EXPECT_EQ(pixel(*flat, 1, 1), clBlue);
    EXPECT_EQ(pixel(*flat, 2, 2), clWhite);

    TImageList list(4, 4);
    TBitmap shape(4, 4);
    shape.GetCanvas()->FillSolid(TRect{0, 0, 4, 4}, clFuchsia);
    shape.GetCanvas()->SetPixels(0, 0, clBlack);
    list.AddMasked(&shape, clFuchsia);
    TBitmap canvas(8, 8);
    canvas.GetCanvas()->FillSolid(TRect{0, 0, 8, 8}, clWhite);
    DrawImageDisabled(&list, canvas.GetCanvas(), 2, 2, 0, clRed, clBlue, true);
    EXPECT_EQ(pixel(canvas, 2, 2), clBlue);
    EXPECT_EQ(pixel(canvas, 3, 3), clRed);
    EXPECT_EQ(pixel(canvas, 4, 4), clWhite);
}

TEST(Drawing, TextFitsWithAnEllipsis) {
    TBitmap b(10, 10);
    TCanvas* c = b.GetCanvas();
    const QString text = QStringLiteral("Відділ кадрів");
    EXPECT_EQ(FitTextWithEllipsis(text, c, 1000), text);
    const int half = c->TextWidth(text) / 2;
    QString cut = FitTextWithEllipsis(text, c, half);
    EXPECT_TRUE(cut.endsWith(QStringLiteral("...")));
    EXPECT_LE(c->TextWidth(cut), half);
    EXPECT_TRUE(text.startsWith(cut.chopped(3)));
    EXPECT_GT(c->TextWidth(FitTextWithEllipsis(text, c, half + c->TextWidth(QStringLiteral("ww")))),
              c->TextWidth(cut));
    EXPECT_EQ(FitTextWithEllipsis(text, c, 1), QStringLiteral("..."));
    EXPECT_EQ(WidthOfRect(TRect{2, 3, 10, 7}), 8);
    EXPECT_EQ(HeightOfRect(TRect{2, 3, 10, 7}), 4);
    EXPECT_EQ(PaletteRelativeColor(clRed), 0x020000FFu);
}

TEST(Drawing, MessagesAndMemoryHelpers) {
    // a discarded quit request is posted again; another message just goes
    PostQuitMessage(3);
    DiscardMessage(nullptr, WM_QUIT);
    TMsg m;
    ASSERT_TRUE(PeekMessage(m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(m.wParam, WPARAM(3));
    HWND w = AllocateHWnd([](TMessage&) {});
    PostMessage(w, WM_USER + 1, 0, 0);
    DiscardMessage(w, WM_USER + 1);
    EXPECT_FALSE(PeekMessage(m, w, WM_USER + 1, WM_USER + 1, PM_NOREMOVE));
    DeallocateHWnd(w);

    EXPECT_EQ(AllocZeroedBlock(0), nullptr);
    void* p = AllocZeroedBlock(5);
    const char zeros[5] = {};
    EXPECT_TRUE(BlocksEqual(p, zeros, 5));
    static_cast<char*>(p)[4] = 1;
    EXPECT_FALSE(BlocksEqual(p, zeros, 5));
    EXPECT_TRUE(BlocksEqual(p, zeros, 4));
    EXPECT_TRUE(BlocksEqual(p, nullptr, 0));
    CopyBlock(AdvancePointer(p, 1), p, 4); // overlapping
    EXPECT_EQ(static_cast<char*>(p)[4], 0);
    FreeBlock(p);
    EXPECT_EQ(p, nullptr);
}

class DrawingFormTest : public ControlsFormTest {};

TEST_F(DrawingFormTest, TheParentsPictureBehindAControl) {
    auto* panel = form->Add<TPanel>(0, 0, 200, 100);
    panel->SetBevelOuter(bvNone);
    panel->SetColor(clRed);
    auto* below = new TGraphicProbe(form); // paints blue
    below->SetBounds(10, 10, 20, 20);
    below->SetParent(panel);
    auto* control = new TGraphicProbe(form);
    control->SetBounds(5, 5, 40, 40);
    control->SetParent(panel);
    TBitmap b(40, 40);
    PaintParentBackground(control, b.GetCanvas());
    EXPECT_EQ(pixel(b, 1, 1), clRed);
    EXPECT_EQ(pixel(b, 10, 10), clBlue); // the sibling at 15, 15 of the panel
    EXPECT_EQ(pixel(b, 30, 30), clRed);
}

TEST_F(DrawingFormTest, NotImplementedSaysSoAndAborts) {
    EXPECT_THROW(StopNotImplemented(), EAbort);
    EXPECT_EQ(Messages(), QStringList{QStringLiteral("Функция не реализована")});
    EXPECT_EQ(dialogs.Script.Last().Type, mtInformation);
}

// ---- the speed button -------------------------------------------------------------------

class SpeedButtonTest : public ControlsFormTest {
protected:
    void SetUp() override {
        ControlsFormTest::SetUp();
        button = new TRxSpeedButton(form);
        button->SetBounds(10, 10, 25, 25);
        button->SetParent(form);
        button->OnClick = [this](TObject*) { ++clicks; };
        QApplication::processEvents();
    }
    void press(int X, int Y) { SendMouse(form, QEvent::MouseButtonPress, 10 + X, 10 + Y); }
    void move(int X, int Y) { SendMouse(form, QEvent::MouseMove, 10 + X, 10 + Y, Qt::NoButton); }
    void release(int X, int Y) { SendMouse(form, QEvent::MouseButtonRelease, 10 + X, 10 + Y); }
    // The button as the form paints it.
    std::unique_ptr<TBitmap> painted() {
        auto b = std::make_unique<TBitmap>(25, 25);
        form->PaintTo(b->GetCanvas(), -10, -10);
        return b;
    }
    TRxSpeedButton* button = nullptr;
    int clicks = 0;
};

TEST_F(SpeedButtonTest, GlyphCountsAndLooks) {
    struct Case {
        int W, H, Count;
    };
    for (Case c : {Case{64, 16, 4}, Case{96, 16, 1}, Case{48, 16, 3}, Case{50, 16, 1}}) {
        TBitmap g(c.W, c.H);
        button->SetNumGlyphs(1);
        button->SetGlyph(&g);
        EXPECT_EQ(button->GetNumGlyphs(), c.Count) << c.W;
    }
    // one image: the disabled look is embossed, the inactive one gray
    TBitmap g(4, 4);
    g.GetCanvas()->FillSolid(TRect{0, 0, 4, 4}, clFuchsia);
    g.GetCanvas()->SetPixels(1, 1, clBlack);
    g.GetCanvas()->SetPixels(2, 1, clRed);
    button->SetGlyph(&g);
    TRxButtonGlyph* bg = button->GetButtonGlyph();
    QImage up = bg->StateImage(rbsUp);
    EXPECT_EQ(qAlpha(up.pixel(0, 0)), 0); // the transparent colour
    EXPECT_EQ(up.pixel(2, 1) & 0xFFFFFF, 0xFF0000u);
    QImage off = bg->StateImage(rbsDisabled);
    EXPECT_EQ(QColor(off.pixel(1, 1)).rgb() & 0xFFFFFF,
              ColorToQColor(clBtnShadow).rgb() & 0xFFFFFF);
    EXPECT_EQ(QColor(off.pixel(2, 2)).rgb() & 0xFFFFFF,
              ColorToQColor(clBtnHighlight).rgb() & 0xFFFFFF);
    QImage gray = bg->StateImage(rbsInactive);
    const int level = 77 * 255 / 256;
    EXPECT_EQ(gray.pixel(2, 1) & 0xFFFFFF, uint32_t(qRgb(level, level, level)) & 0xFFFFFF);
    // with two or more images the second is the disabled one; down uses the first below three
    TBitmap two(8, 4);
    two.GetCanvas()->FillSolid(TRect{0, 0, 4, 4}, clRed);
    two.GetCanvas()->FillSolid(TRect{4, 0, 8, 4}, clBlue);
    two.GetCanvas()->SetPixels(0, 3, clLime);
    button->SetGlyph(&two);
    EXPECT_EQ(button->GetNumGlyphs(), 2);
    EXPECT_EQ(bg->StateImage(rbsDisabled).pixel(1, 1) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(bg->StateImage(rbsDown).pixel(1, 1) & 0xFFFFFF, 0xFF0000u);
}

TEST_F(SpeedButtonTest, PressingSlidingOffAndFrames) {
    std::unique_ptr<TBitmap> up = painted();
    TBitmap& upLook = *up;
    EXPECT_EQ(pixel(upLook, 0, 0), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(pixel(upLook, 24, 24), ColorToRGB(clWindowFrame));
    EXPECT_EQ(pixel(upLook, 23, 23), ColorToRGB(clBtnShadow));
    press(5, 5);
    EXPECT_EQ(button->GetState(), rbsDown);
    std::unique_ptr<TBitmap> down = painted();
    TBitmap& downLook = *down;
    EXPECT_EQ(pixel(downLook, 0, 0), ColorToRGB(clWindowFrame));
    EXPECT_EQ(pixel(downLook, 24, 24), ColorToRGB(clBtnHighlight));
    move(40, 40); // slid off: up again, no click on release
    EXPECT_EQ(button->GetState(), rbsUp);
    release(40, 40);
    EXPECT_EQ(clicks, 0);
    press(5, 5);
    release(6, 6);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(button->GetState(), rbsUp);
    // the old look: two frames
    button->SetStyle(bsWin31);
    std::unique_ptr<TBitmap> oldLook = painted();
    TBitmap& old = *oldLook;
    EXPECT_EQ(pixel(old, 0, 0), ColorToRGB(clWindowFrame));
    EXPECT_EQ(pixel(old, 1, 1), ColorToRGB(clBtnHighlight));
    // a disabled button takes no press
    button->SetEnabled(false);
    press(5, 5);
    release(5, 5);
    EXPECT_EQ(clicks, 1);
    // a click gives the form the button's modal result
    button->SetEnabled(true);
    button->SetModalResult(mrYes);
    press(5, 5);
    release(5, 5);
    EXPECT_EQ(form->GetModalResult(), mrYes);
}

TEST_F(SpeedButtonTest, HeldWithTheTimerItClicksAgain) {
    ManualTimers timers;
    button->SetAllowTimer(true);
    press(5, 5);
    timers.Source.Advance(499);
    EXPECT_EQ(clicks, 0);
    timers.Source.Advance(1);
    EXPECT_EQ(clicks, 1);
    timers.Source.Advance(200);
    EXPECT_EQ(clicks, 3);
    release(5, 5); // the timer has clicked: the release adds none
    EXPECT_EQ(clicks, 3);
    timers.Source.Advance(1000);
    EXPECT_EQ(clicks, 3);
    // released before the first repeat: the release is the click
    press(5, 5);
    timers.Source.Advance(300);
    release(5, 5);
    EXPECT_EQ(clicks, 4);
    // slid off while held: the timer runs but does not click
    press(5, 5);
    move(40, 40);
    timers.Source.Advance(700);
    release(40, 40);
    EXPECT_EQ(clicks, 4);
    button->SetAllowTimer(false);
    EXPECT_EQ(button->GetRepeatTimer(), nullptr);
}

TEST_F(SpeedButtonTest, GroupedButtonsLatchOneAtATime) {
    auto* second = new TRxSpeedButton(form);
    second->SetBounds(40, 10, 25, 25);
    second->SetParent(form);
    auto* other = new TRxSpeedButton(form); // another group keeps its latch
    other->SetBounds(70, 10, 25, 25);
    other->SetParent(form);
    other->SetGroupIndex(2);
    other->SetDown(true);
    button->SetGroupIndex(1);
    second->SetGroupIndex(1);
    // Down needs a group
    auto* loose = new TRxSpeedButton(form);
    loose->SetDown(true);
    EXPECT_FALSE(loose->GetDown());

    press(5, 5);
    release(5, 5);
    EXPECT_TRUE(button->GetDown());
    EXPECT_EQ(button->GetState(), rbsExclusive);
    EXPECT_EQ(clicks, 1);
    // clicking the down one leaves it down without AllowAllUp
    press(5, 5);
    release(5, 5);
    EXPECT_TRUE(button->GetDown());
    EXPECT_EQ(clicks, 2);
    // the other button takes the latch
    SendMouse(form, QEvent::MouseButtonPress, 45, 15);
    SendMouse(form, QEvent::MouseButtonRelease, 45, 15);
    EXPECT_TRUE(second->GetDown());
    EXPECT_FALSE(button->GetDown());
    EXPECT_EQ(button->GetState(), rbsUp);
    EXPECT_TRUE(other->GetDown());
    // AllowAllUp set on one is the whole group's, and lets the down one go up
    button->SetAllowAllUp(true);
    EXPECT_TRUE(second->GetAllowAllUp());
    EXPECT_FALSE(other->GetAllowAllUp());
    SendMouse(form, QEvent::MouseButtonPress, 45, 15);
    SendMouse(form, QEvent::MouseButtonRelease, 45, 15);
    EXPECT_FALSE(second->GetDown());
    // a latched button shows the dither of face and highlight
    button->SetDown(true);
    std::unique_ptr<TBitmap> latched = painted();
    EXPECT_NE(pixel(*latched, 4, 4), pixel(*latched, 5, 4));
}

TEST_F(SpeedButtonTest, FlatButtonsAndTheDropDownMenu) {
    TBitmap g(6, 6); // red with a transparent rim
    g.GetCanvas()->FillSolid(TRect{0, 0, 6, 6}, clFuchsia);
    g.GetCanvas()->FillSolid(TRect{1, 1, 5, 5}, clRed);
    button->SetGlyph(&g);
    button->SetFlat(true);
    // away from the mouse: no frame, a gray glyph
    std::unique_ptr<TBitmap> away = painted();
    EXPECT_EQ(pixel(*away, 0, 0), ColorToRGB(clBtnFace));
    const TColor glyphAway = pixel(*away, 12, 12);
    EXPECT_EQ(GetRValue(glyphAway), GetGValue(glyphAway));
    button->Perform(CM_MOUSEENTER, 0, 0);
    std::unique_ptr<TBitmap> under = painted();
    EXPECT_EQ(pixel(*under, 0, 0), ColorToRGB(clBtnHighlight));
    EXPECT_EQ(pixel(*under, 12, 12), ColorToRGB(clRed));
    button->Perform(CM_MOUSELEAVE, 0, 0);
    button->SetGrayedInactive(false);
    EXPECT_EQ(pixel(*painted(), 12, 12), ColorToRGB(clRed));

    // a press opens the menu under the button, one pixel left of it; the press gives no click
    auto* menu = new TPopupMenu(form);
    auto* item = new TMenuItem(form);
    item->SetCaption(QStringLiteral("Друк"));
    menu->GetItems()->Add(item);
    int chosen = 0;
    item->OnClick = [&](TObject*) { ++chosen; };
    TPoint at{};
    TPopupRunner before = SetPopupRunner([&](TPopupMenu* M, TPoint P) {
        at = P;
        EXPECT_EQ(M->GetPopupComponent(), button);
        return M->GetItems()->GetItems(0);
    });
    button->SetDropDownMenu(menu);
    press(5, 5);
    release(5, 5);
    SetPopupRunner(before);
    EXPECT_EQ(at, button->ClientToScreen(TPoint{-1, 25}));
    EXPECT_EQ(chosen, 1);
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(button->GetState(), rbsUp);
    delete menu;
    EXPECT_EQ(button->GetDropDownMenu(), nullptr);
}

TEST_F(SpeedButtonTest, GlyphAndCaptionLayout) {
    TBitmap g(16, 16);
    button->SetGlyph(&g);
    button->SetCaption(QStringLiteral("Друк"));
    TBitmap b(100, 40);
    TCanvas* c = b.GetCanvas();
    c->SetFont(button->GetFont());
    const int tw = c->TextWidth(QStringLiteral("Друк"));
    const TRect client{0, 0, 100, 40};
    TRxButtonGlyph* bg = button->GetButtonGlyph();
    // centred as a whole along the layout's axis, the spacing between glyph and text
    TRect left = bg->Draw(c, client, TPoint{0, 0}, QStringLiteral("Друк"), blGlyphLeft, -1, 4,
                          false, rbsUp, 0);
    const int margin = 100 / 2 - (16 + tw + 4) / 2;
    EXPECT_EQ(left.Left, margin + 16 + 4);
    TRect right = bg->Draw(c, client, TPoint{0, 0}, QStringLiteral("Друк"), blGlyphRight, -1, 4,
                           false, rbsUp, 0);
    EXPECT_EQ(right.Right, 100 - margin - 16 - 4);
    // a given margin and spacing -1: the text centred in the rest
    TRect fixed = bg->Draw(c, client, TPoint{1, 1}, QStringLiteral("Друк"), blGlyphLeft, 2, -1,
                           false, rbsUp, 0);
    EXPECT_EQ(fixed.Left, 1 + 2 + 16 + ((100 - 2 - 16) / 2 - tw / 2));
    // no room: the caption is cut with an ellipsis
    TRect narrow = bg->Draw(c, TRect{0, 0, 30, 40}, TPoint{0, 0}, QStringLiteral("Друк"),
                            blGlyphLeft, -1, 4, false, rbsUp, 0);
    EXPECT_LE(narrow.Width(), 30 - 16 - 4);
}

} // namespace
