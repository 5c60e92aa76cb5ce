// Image lists: adding with masks, replacing, deleting, drawing enabled and disabled.
#include "ImgList.h"

#include <gtest/gtest.h>

namespace {

// A strip of Count 4 x 4 cells: cell i is filled with Colors[i] except a white top-left pixel.
std::unique_ptr<TBitmap> strip(const std::vector<TColor>& colors) {
    auto b = std::make_unique<TBitmap>(4 * int(colors.size()), 4);
    TCanvas* c = b->GetCanvas();
    for (size_t i = 0; i < colors.size(); ++i) {
        c->GetBrush()->SetColor(colors[i]);
        c->FillRect(Rect(4 * int(i), 0, 4 * int(i) + 4, 4));
        c->SetPixels(4 * int(i), 0, clWhite);
    }
    return b;
}

std::unique_ptr<TBitmap> background(TColor color) {
    auto b = std::make_unique<TBitmap>(6, 6);
    b->GetCanvas()->GetBrush()->SetColor(color);
    b->GetCanvas()->FillRect(Rect(0, 0, 6, 6));
    return b;
}

} // namespace

TEST(ImageList, AddWithMaskColourOrMaskBitmapAndDraw) {
    TImageList list(4, 4);
    int changes = 0;
    list.OnChange = [&](TObject*) { ++changes; };
    auto s = strip({clRed, clBlue, clLime});
    EXPECT_EQ(list.AddMasked(s.get(), clWhite), 0);
    EXPECT_EQ(list.Count(), 3) << "a strip gives one image per cell";
    EXPECT_EQ(changes, 1);

    // Drawing keeps the background where the mask colour was.
    auto bg = background(clGray);
    list.Draw(bg->GetCanvas(), 1, 1, 1);
    EXPECT_EQ(bg->GetCanvas()->GetPixels(1, 1), clGray);
    EXPECT_EQ(bg->GetCanvas()->GetPixels(2, 1), clBlue);
    EXPECT_EQ(bg->GetCanvas()->GetPixels(4, 4), clBlue);
    EXPECT_EQ(bg->GetCanvas()->GetPixels(5, 5), clGray);

    // A mask bitmap: white is transparent.
    TBitmap image(4, 4), mask(4, 4);
    image.GetCanvas()->GetBrush()->SetColor(clFuchsia);
    image.GetCanvas()->FillRect(Rect(0, 0, 4, 4));
    mask.GetCanvas()->GetBrush()->SetColor(clWhite);
    mask.GetCanvas()->FillRect(Rect(2, 0, 4, 4));
    EXPECT_EQ(list.Add(&image, &mask), 3);
    bg = background(clGray);
    list.Draw(bg->GetCanvas(), 0, 0, 3);
    EXPECT_EQ(bg->GetCanvas()->GetPixels(1, 1), clFuchsia);
    EXPECT_EQ(bg->GetCanvas()->GetPixels(2, 1), clGray);

    // GetBitmap gives the image at the list's size.
    TBitmap out;
    list.SetBkColor(clWhite);
    list.GetBitmap(0, &out);
    EXPECT_EQ(out.GetWidth(), 4);
    EXPECT_EQ(out.GetCanvas()->GetPixels(0, 0), clWhite);
    EXPECT_EQ(out.GetCanvas()->GetPixels(1, 1), clRed);
}

TEST(ImageList, ReplaceDeleteMoveAndBadIndices) {
    TImageList list(4, 4);
    auto s = strip({clRed, clBlue, clLime});
    list.AddMasked(s.get(), clWhite);
    auto one = strip({clYellow});
    list.ReplaceMasked(1, one.get(), clWhite);
    EXPECT_EQ(qRgb(255, 255, 0), list.GetImage(1).pixel(2, 2));
    list.Delete(0);
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(qRgb(255, 255, 0), list.GetImage(0).pixel(2, 2));
    list.Move(1, 0);
    EXPECT_EQ(qRgb(0, 255, 0), list.GetImage(0).pixel(2, 2));

    for (int bad : {-1, 2, 100}) {
        EXPECT_THROW(list.Delete(bad), EInvalidOperation) << bad;
        EXPECT_THROW(list.Replace(bad, one.get(), nullptr), EInvalidOperation) << bad;
    }
    try {
        list.Delete(5);
    } catch (const EInvalidOperation& e) {
        EXPECT_EQ(e.Message, "Invalid ImageList Index");
    }
    // Drawing a missing index paints nothing.
    auto bg = background(clGray);
    list.Draw(bg->GetCanvas(), 0, 0, 7);
    EXPECT_EQ(bg->GetCanvas()->GetPixels(1, 1), clGray);

    // A change link hears about changes until it goes.
    int heard = 0;
    {
        TChangeLink link;
        link.OnChange = [&](TObject* sender) {
            EXPECT_EQ(sender, &list);
            ++heard;
        };
        list.RegisterChanges(&link);
        list.BeginUpdate();
        list.Delete(0);
        list.Delete(0);
        list.EndUpdate();
        EXPECT_EQ(heard, 1) << "one notice for the whole update";
    }
    list.Clear();
    EXPECT_EQ(heard, 1);
    EXPECT_EQ(list.Count(), 0);

    // A new size empties the list.
    list.AddMasked(s.get(), clWhite);
    list.SetSize(8, 8);
    EXPECT_EQ(list.Count(), 0);
}

TEST(ImageList, DisabledDrawingIsEmbossedGrey) {
    TImageList list(4, 4);
    auto s = strip({clBlack});
    list.AddMasked(s.get(), clWhite);
    auto bg = background(clBtnFace);
    list.Draw(bg->GetCanvas(), 0, 0, 0, false);
    const TColor face = ColorToRGB(clBtnFace), shadow = ColorToRGB(clBtnShadow),
                 light = ColorToRGB(clBtnHighlight);
    EXPECT_EQ(bg->GetCanvas()->GetPixels(0, 0), face) << "transparent pixel untouched";
    EXPECT_EQ(bg->GetCanvas()->GetPixels(2, 2), shadow);
    EXPECT_EQ(bg->GetCanvas()->GetPixels(4, 4), light) << "highlight one pixel down-right";
    EXPECT_EQ(bg->GetCanvas()->GetPixels(5, 5), face);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x) {
            TColor c = bg->GetCanvas()->GetPixels(x, y);
            EXPECT_TRUE(c == face || c == shadow || c == light) << x << "," << y;
        }
}
