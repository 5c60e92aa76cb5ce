// A form with every standard control, painted.
#include "GalleryForm.h"
#include "StdTestSupport.h"

#include <QImage>
#include <QPixmap>
#include <set>

namespace {

TEST(Gallery, AFormWithEveryControlPaints) {
    auto* f = CreateNewForm<TGalleryForm>(nullptr);
    f->Show();
    QApplication::processEvents();
    f->Repaint();
    QImage img = f->GetHandle()->grab().toImage();
    ASSERT_FALSE(img.isNull());
    // something other than the face colour was painted over most of the form's width
    std::set<QRgb> colours;
    for (int x = 0; x < img.width(); x += 7)
        for (int y = 0; y < img.height(); y += 7)
            colours.insert(img.pixel(x, y));
    EXPECT_GT(colours.size(), 8u);
    delete f;
}

} // namespace
