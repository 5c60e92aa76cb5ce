// The status bar's size grip and the data navigator as a user drives them on the X server.
#include "ComCtrls.h"
#include "DBCtrls.h"
#include "MemDS.h"
#include "X11FormTest.h"

#include <QImage>

namespace {

using FrameOnX11 = X11FormTest;

TEST_F(FrameOnX11, DraggingTheStatusBarsGripSizesTheForm) {
    auto* status = new TStatusBar(form);
    status->SetParent(form);
    status->AddPanel()->Text = QStringLiteral("Готово");
    X11::Flush();
    const TRect g = status->GripRect();
    ASSERT_GT(g.Width(), 0) << "a sizeable form shows the grip";
    const int w = form->GetWidth(), h = form->GetHeight();
    QWidget* bar = status->GetHandle();
    ASSERT_TRUE(X11::MoveTo(bar, QPoint(g.Left + g.Width() / 2, g.Top + g.Height() / 2)));
    ASSERT_TRUE(X11::XDoTool({QStringLiteral("mousedown"), QStringLiteral("1")}));
    // in steps, as a hand moves it
    for (int step = 1; step <= 4; ++step)
        ASSERT_TRUE(X11::XDoTool({QStringLiteral("mousemove_relative"), QStringLiteral("--"),
                                  QStringLiteral("15"), QStringLiteral("10")}));
    ASSERT_TRUE(X11::XDoTool({QStringLiteral("mouseup"), QStringLiteral("1")}));
    EXPECT_TRUE(X11::WaitFor([&] { return form->GetWidth() == w + 60; }))
        << form->GetWidth() << " wide, was " << w;
    EXPECT_EQ(form->GetHeight(), h + 40);
    // the status bar stays at the bottom of the grown form, its grip in the corner
    X11::Flush();
    EXPECT_EQ(status->GetTop() + status->GetHeight(), form->GetClientHeight());
    EXPECT_EQ(status->GripRect().Right, status->GetClientWidth());
    X11::Screenshot(QStringLiteral("status-grip-dragged"));
}

TEST_F(FrameOnX11, TheNavigatorsPicturedButtonsMoveAndEditTheDataset) {
    auto* data = new TMemDataSet(form);
    data->GetFieldDefs()->Add(QStringLiteral("NAME"), ftString, 30);
    data->Open();
    for (const char* n : {"Бондар", "Гнатюк", "Ярош"})
        data->AppendRecord({QString::fromUtf8(n)});
    data->First();
    auto* source = new TDataSource(form);
    source->SetDataSet(data);
    auto* nav = form->Add<TDBNavigator>(10, 10, 240, 25);
    nav->SetDataSource(source);
    X11::Flush();
    auto name = [data] { return data->FieldByName(QStringLiteral("NAME"))->GetAsString(); };
    auto click = [&](TNavigateBtn b) {
        TSpeedButton* btn = nav->GetButton(b);
        // a speed button has no window of its own: the click lands on the navigator
        return X11::Click(nav->GetHandle(), QPoint(btn->GetLeft() + btn->GetWidth() / 2,
                                                   btn->GetTop() + btn->GetHeight() / 2));
    };
    // Every button shows a picture: dark glyph pixels in its middle, and no letters.
    for (TNavigateBtn b : {nbFirst, nbPrior, nbNext, nbLast, nbInsert, nbDelete, nbEdit, nbPost,
                           nbCancel, nbRefresh}) {
        SCOPED_TRACE(int(b));
        TSpeedButton* btn = nav->GetButton(b);
        EXPECT_TRUE(btn->GetCaption().isEmpty());
        const QImage img =
            nav->GetHandle()
                ->grab(QRect(btn->GetLeft(), btn->GetTop(), btn->GetWidth(), btn->GetHeight()))
                .toImage();
        int marked = 0;
        for (int y = img.height() / 4; y < img.height() * 3 / 4; ++y)
            for (int x = img.width() / 4; x < img.width() * 3 / 4; ++x)
                marked += img.pixelColor(x, y) != img.pixelColor(1, img.height() / 2);
        EXPECT_GT(marked, 4) << "a bare button";
    }
    struct Step {
        TNavigateBtn Button;
        const char* Name;
    } steps[] = {{nbNext, "Гнатюк"}, {nbLast, "Ярош"}, {nbPrior, "Гнатюк"}, {nbFirst, "Бондар"}};
    for (const Step& s : steps) {
        SCOPED_TRACE(s.Name);
        ASSERT_TRUE(click(s.Button));
        EXPECT_EQ(name(), QString::fromUtf8(s.Name));
    }
    EXPECT_FALSE(nav->GetButton(nbPrior)->GetEnabled()) << "at the first record";
    ASSERT_TRUE(click(nbEdit));
    EXPECT_EQ(data->GetState(), dsEdit);
    EXPECT_TRUE(nav->GetButton(nbPost)->GetEnabled());
    data->FieldByName(QStringLiteral("NAME"))->SetAsString(QStringLiteral("Бондаренко"));
    ASSERT_TRUE(click(nbPost));
    EXPECT_EQ(data->GetState(), dsBrowse);
    EXPECT_EQ(name(), QStringLiteral("Бондаренко"));
    X11::Screenshot(QStringLiteral("navigator"));
}

} // namespace
