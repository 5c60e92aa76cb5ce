// The form with every standard control, shown on the X server for a picture of the screen.
#include "GalleryForm.h"
#include "X11Test.h"

namespace {

using GalleryOnX11 = X11Test;

TEST_F(GalleryOnX11, TheFormShowsWithTheFocusInItsFirstControl) {
    auto* f = CreateNewForm<TGalleryForm>(nullptr);
    f->Show();
    ASSERT_TRUE(X11::WaitActive(f->GetHandle()));
    EXPECT_NE(f->GetActiveControl(), nullptr);
    X11::Screenshot(QStringLiteral("gallery"));
    delete f;
}

} // namespace
