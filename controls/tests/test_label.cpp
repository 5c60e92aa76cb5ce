// The shadowed label: where the shadow lands, the engraved look of a disabled caption, the
// size it takes, and its focus control.
#include "RXCtrls.h"
#include "StdTestSupport.h"

#include <QApplication>

namespace {

using LabelTest = FormTest;

// The form's pixels under the label.
QImage labelPixels(TTestForm* Form, TRxLabel* L) {
    QApplication::processEvents();
    QImage img = Form->GetHandle()->grab().toImage();
    TPoint p = L->ClientToParent(TPoint{0, 0});
    return img.copy(p.X, p.Y, L->GetWidth(), L->GetHeight());
}

TRxLabel* bigLabel(TTestForm* Form, const QString& Caption) {
    auto* l = Form->Add<TRxLabel>(20, 20, 10, 10);
    l->GetFont()->SetSize(28);
    l->GetFont()->SetStyle(TFontStyles{fsBold});
    l->GetFont()->SetColor(clBlack);
    l->SetColor(clWhite);
    l->SetParentColor(false);
    l->SetCaption(Caption);
    return l;
}

TEST_F(LabelTest, ShadowLiesOffTheTextByItsSizeAndPosition) {
    struct Case {
        TShadowPosition Pos;
        int DX, DY;
    };
    for (const Case& c : {Case{spLeftTop, -2, -2}, Case{spRightBottom, 2, 2},
                          Case{spLeftBottom, -2, 2}, Case{spRightTop, 2, -2}}) {
        TRxLabel* l = bigLabel(form, QStringLiteral("Ш"));
        l->SetShadowColor(clRed);
        l->SetShadowSize(2);
        l->SetShadowPos(c.Pos);
        QImage img = labelPixels(form, l);
        // every red pixel is a text pixel moved by the shadow offset, where the text is not
        int red = 0, misplaced = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                QColor px = img.pixelColor(x, y);
                if (px.red() < 200 || px.green() > 60) continue;
                ++red;
                int tx = x - c.DX, ty = y - c.DY;
                bool underText = tx >= 0 && ty >= 0 && tx < img.width() && ty < img.height() &&
                                 img.pixelColor(tx, ty).lightness() < 100;
                if (!underText) ++misplaced;
            }
        EXPECT_GT(red, 20) << c.Pos;
        EXPECT_LT(misplaced, red / 10 + 1) << c.Pos;
        delete l;
    }
}

TEST_F(LabelTest, MeasuredSizeIncludesTheShadow) {
    TRxLabel* l = bigLabel(form, QStringLiteral("Зачекайте"));
    l->SetShadowSize(0);
    int w0 = l->GetWidth(), h0 = l->GetHeight();
    l->SetShadowSize(2);
    EXPECT_EQ(l->GetWidth(), w0 + 2);
    EXPECT_EQ(l->GetHeight(), h0 + 2);
    // an empty caption keeps the height of one line
    l->SetCaption(QString());
    EXPECT_EQ(l->GetHeight(), h0 + 2);
    EXPECT_GT(l->GetWidth(), 2);
}

TEST_F(LabelTest, DisabledCaptionIsEngravedEvenWithoutShadow) {
    TRxLabel* l = bigLabel(form, QStringLiteral("І"));
    l->SetShadowSize(0);
    l->SetColor(clBlack);
    l->SetEnabled(false);
    QImage img = labelPixels(form, l);
    QColor highlight = ColorToQColor(clBtnHighlight), gray = ColorToQColor(clGrayText);
    int lowerRight = 0, text = 0;
    for (int y = 0; y + 1 < img.height(); ++y)
        for (int x = 0; x + 1 < img.width(); ++x) {
            if (img.pixelColor(x, y) != gray) continue;
            ++text;
            if (img.pixelColor(x + 1, y + 1) == highlight) ++lowerRight;
        }
    EXPECT_GT(text, 10);
    EXPECT_GT(lowerRight, 0);
}

TEST_F(LabelTest, CentredLayoutAndFocusControl) {
    auto* l = form->Add<TRxLabel>(10, 10, 200, 120);
    l->SetAutoSize(false);
    l->SetBounds(10, 10, 200, 120);
    l->SetWordWrap(true);
    l->SetLayout(tlCenter);
    l->SetShadowColor(clWhite);
    l->SetColor(clWhite);
    l->SetParentColor(false);
    l->GetFont()->SetColor(clBlack);
    l->SetCaption(QStringLiteral("Зачекайте, будь ласка, триває обробка даних"));
    QImage img = labelPixels(form, l);
    int first = -1, last = -1;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixelColor(x, y).lightness() < 100) {
                if (first < 0) first = y;
                last = y;
            }
    ASSERT_GE(first, 0);
    EXPECT_NEAR(first, img.height() - 1 - last, 6); // as much room above as below

    // the accelerator focuses the focus control; removing that control leaves none
    auto* edit = form->Add<TEdit>(10, 150, 100, 21);
    l->SetCaption(QStringLiteral("&Місто"));
    l->SetFocusControl(edit);
    l->SetShowFocus(true);
    EXPECT_EQ(l->Perform(CM_DIALOGCHAR, WPARAM('M'), 0), 0); // not its accelerator
    edit->SetFocus();
    EXPECT_TRUE(l->GetFocusActive());
    form->SetFocus();
    delete edit;
    EXPECT_EQ(l->GetFocusControl(), nullptr);
    EXPECT_FALSE(l->GetFocusActive());
}

} // namespace
