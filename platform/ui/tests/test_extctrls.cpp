// Panels, images, radio groups, bit and speed buttons, splitter, scroll box, and the common
// controls: page control, status bar, up-down and tool bar.
#include "Buttons.h"
#include "ComCtrls.h"
#include "ExtCtrls.h"
#include "StdTestSupport.h"

#include <QImage>

namespace {

using ExtCtrlsTest = FormTest;

TEST_F(ExtCtrlsTest, RadioGroupItemsColumnsAndClicks) {
    auto* rg = form->Add<TRadioGroup>(10, 10, 200, 100);
    rg->SetCaption(QStringLiteral("Стать"));
    int clicks = 0;
    rg->OnClick = [&](TObject*) { ++clicks; };
    rg->GetItems()->Add(QStringLiteral("чоловіча"));
    rg->GetItems()->Add(QStringLiteral("жіноча"));
    rg->GetItems()->Add(QStringLiteral("не вказано"));
    ASSERT_EQ(rg->ButtonCount(), 3);
    EXPECT_EQ(rg->GetItemIndex(), -1);
    EXPECT_EQ(rg->GetButtons(1)->GetCaption(), QStringLiteral("жіноча"));

    // the user checks a button: ItemIndex follows and OnClick fires once
    Click(rg->GetButtons(1), 3, 3);
    EXPECT_EQ(rg->GetItemIndex(), 1);
    EXPECT_EQ(clicks, 1);
    Click(rg->GetButtons(1), 3, 3); // already checked
    EXPECT_EQ(clicks, 1);
    // from code: the buttons follow, and it clicks as the platform's does
    rg->SetItemIndex(2);
    EXPECT_TRUE(rg->GetButtons(2)->GetChecked());
    EXPECT_FALSE(rg->GetButtons(1)->GetChecked());
    EXPECT_EQ(clicks, 2);

    // two columns: the third button starts the second column
    rg->SetColumns(2);
    EXPECT_EQ(rg->GetButtons(2)->GetLeft(),
              rg->GetButtons(0)->GetLeft() +
                  (rg->GetButtons(2)->GetLeft() - rg->GetButtons(0)->GetLeft()));
    EXPECT_GT(rg->GetButtons(2)->GetLeft(), rg->GetButtons(0)->GetLeft());
    EXPECT_EQ(rg->GetButtons(1)->GetLeft(), rg->GetButtons(0)->GetLeft());
    EXPECT_GT(rg->GetButtons(1)->GetTop(), rg->GetButtons(0)->GetTop());

    // fewer items: fewer buttons, an index past the end is dropped
    rg->GetItems()->Delete(2);
    EXPECT_EQ(rg->ButtonCount(), 2);
    EXPECT_EQ(rg->GetItemIndex(), -1);
}

TEST_F(ExtCtrlsTest, PageControlAsksBeforeChangingAndTellsAfter) {
    auto* pc = form->Add<TPageControl>(10, 10, 300, 200);
    TTabSheet* sheets[3];
    const char* titles[] = {"&Загальні", "Адреса", "Освіта"};
    for (int i = 0; i < 3; ++i) {
        sheets[i] = new TTabSheet(form);
        sheets[i]->SetCaption(QString::fromUtf8(titles[i]));
        sheets[i]->SetPageControl(pc);
    }
    auto* e = form->Add<TEdit>(5, 5, 100, 22, sheets[1]);
    EXPECT_EQ(pc->GetPageCount(), 3);
    EXPECT_EQ(pc->GetActivePage(), sheets[0]);
    EXPECT_TRUE(sheets[0]->GetVisible());
    EXPECT_FALSE(sheets[1]->GetVisible());

    std::vector<QString> trail;
    bool allow = true;
    pc->OnChanging = [&](TObject*, bool& Allow) {
        trail.push_back(QStringLiteral("changing from ") + pc->GetActivePage()->GetCaption());
        Allow = allow;
    };
    pc->OnChange = [&](TObject*) {
        trail.push_back(QStringLiteral("change to ") + pc->GetActivePage()->GetCaption());
    };
    // a click on the second tab
    TRect t = pc->TabRect(1);
    Click(pc, t.Left + 3, t.Top + 3);
    EXPECT_EQ(pc->GetActivePage(), sheets[1]);
    EXPECT_EQ(trail, (std::vector<QString>{QStringLiteral("changing from &Загальні"),
                                           QStringLiteral("change to Адреса")}));
    EXPECT_TRUE(e->IsShowing());
    // refused
    trail.clear();
    allow = false;
    t = pc->TabRect(2);
    Click(pc, t.Left + 3, t.Top + 3);
    EXPECT_EQ(pc->GetActivePage(), sheets[1]);
    EXPECT_EQ(trail.size(), 1u);
    allow = true;
    // from code: no events
    trail.clear();
    pc->SetActivePageIndex(2);
    EXPECT_EQ(pc->GetActivePage(), sheets[2]);
    EXPECT_FALSE(e->IsShowing());
    EXPECT_TRUE(trail.empty());
    // Ctrl+Tab from a control on a page, and the accelerator of a tab
    pc->SetActivePage(sheets[1]);
    e->SetFocus();
    SendKey(e, Qt::Key_Tab, QString(QChar(9)), Qt::ControlModifier);
    EXPECT_EQ(pc->GetActivePage(), sheets[2]);
    form->Perform(CM_DIALOGCHAR, 0x0417 /* З */, 0);
    EXPECT_EQ(pc->GetActivePage(), sheets[0]);
    // a hidden tab is skipped; a page that goes away hands over
    sheets[1]->SetTabVisible(false);
    EXPECT_EQ(pc->FindNextPage(sheets[0], true, true), sheets[2]);
    EXPECT_EQ(sheets[2]->GetTabIndex(), 1);
    delete sheets[0];
    EXPECT_EQ(pc->GetPageCount(), 2);
    EXPECT_EQ(pc->GetActivePage(), sheets[2]);
}

TEST_F(ExtCtrlsTest, PanelBevelsAndAlignedChildren) {
    auto* p = form->Add<TPanel>(10, 10, 200, 100);
    p->SetBevelInner(bvLowered);
    p->SetBevelWidth(2);
    p->SetBorderWidth(1);
    auto* inner = new TPanel(form);
    inner->SetParent(p);
    inner->SetAlign(alClient);
    // outer 2 + border 1 + inner 2
    EXPECT_EQ(inner->GetBoundsRect(), (TRect{5, 5, 195, 95}));
    p->SetCaption(QStringLiteral("Підсумок"));
    p->SetAlignment(taLeftJustify);
    EXPECT_EQ(p->CaptionRect().Left, 7);
    // the caption is painted in the font colour
    p->GetFont()->SetColor(clBlack);
    inner->SetVisible(false);
    p->Repaint();
    QImage img = p->GetHandle()->grab().toImage();
    bool dark = false;
    for (int x = 7; x < 80 && !dark; ++x)
        for (int y = 30; y < 70 && !dark; ++y)
            dark = qGray(img.pixel(x, y)) < 60;
    EXPECT_TRUE(dark);
}

TEST_F(ExtCtrlsTest, ImagePlacementTable) {
    auto* im = new TImage(form);
    im->SetParent(form);
    im->SetBounds(0, 0, 100, 50);
    TBitmap b;
    b.SetSize(40, 40);
    im->GetPicture()->SetGraphic(&b);
    struct Case {
        bool Stretch, Center, Proportional;
        TRect Dest;
    };
    const Case cases[] = {
        {false, false, false, {0, 0, 40, 40}}, {false, true, false, {30, 5, 70, 45}},
        {true, false, false, {0, 0, 100, 50}}, {true, false, true, {0, 0, 50, 50}},
        {true, true, true, {25, 0, 75, 50}},   {false, false, true, {0, 0, 40, 40}},
    };
    for (const Case& c : cases) {
        im->SetStretch(c.Stretch);
        im->SetCenter(c.Center);
        im->SetProportional(c.Proportional);
        EXPECT_EQ(im->DestRect(), c.Dest) << c.Stretch << c.Center << c.Proportional;
    }
    b.SetSize(200, 50); // larger than the control: proportional shrinks it
    im->GetPicture()->SetGraphic(&b);
    im->SetStretch(false);
    im->SetCenter(false);
    EXPECT_EQ(im->DestRect(), (TRect{0, 0, 100, 25}));
}

TEST_F(ExtCtrlsTest, BitBtnKindsAndSpeedButtonGroups) {
    struct Case {
        TBitBtnKind Kind;
        const char* Caption;
        TModalResult Result;
        bool Default, Cancel;
    };
    const Case cases[] = {
        {bkOK, "OK", mrOk, true, false},
        {bkCancel, "Скасувати", mrCancel, false, true},
        {bkYes, "&Так", mrYes, true, false},
        {bkNo, "&Ні", mrNo, false, true},
        {bkAbort, "Перервати", mrAbort, false, false},
        {bkRetry, "&Повторити", mrRetry, false, false},
        {bkIgnore, "&Пропустити", mrIgnore, false, false},
        {bkAll, "&Усі", mrAll, false, false},
        {bkHelp, "&Довідка", mrNone, false, false},
        {bkClose, "&Закрити", mrNone, false, false},
    };
    auto* bb = form->Add<TBitBtn>(10, 10, 90, 25);
    for (const Case& c : cases) {
        bb->SetKind(c.Kind);
        EXPECT_EQ(bb->GetCaption(), QString::fromUtf8(c.Caption));
        EXPECT_EQ(bb->GetModalResult(), c.Result);
        EXPECT_EQ(bb->GetDefault(), c.Default);
        EXPECT_EQ(bb->GetCancel(), c.Cancel);
        EXPECT_FALSE(bb->GetGlyph()->GetEmpty());
    }
    bb->SetKind(bkOK);
    Click(bb, 5, 5);
    EXPECT_EQ(form->GetModalResult(), mrOk);
    bb->SetKind(bkClose);
    Click(bb, 5, 5);
    EXPECT_FALSE(form->GetVisible()); // closed its form
    form->Show();

    TSpeedButton* sb[3];
    int clicks = 0;
    for (int i = 0; i < 3; ++i) {
        sb[i] = new TSpeedButton(form);
        sb[i]->SetParent(form);
        sb[i]->SetBounds(10 + i * 25, 50, 23, 22);
        sb[i]->SetGroupIndex(1);
        sb[i]->OnClick = [&](TObject*) { ++clicks; };
    }
    Click(form, 15, 55);
    EXPECT_TRUE(sb[0]->GetDown());
    Click(form, 40, 55);
    EXPECT_TRUE(sb[1]->GetDown());
    EXPECT_FALSE(sb[0]->GetDown());
    Click(form, 40, 55); // the last one down stays down
    EXPECT_TRUE(sb[1]->GetDown());
    EXPECT_EQ(clicks, 3);
    sb[0]->SetAllowAllUp(true);
    Click(form, 40, 55);
    EXPECT_FALSE(sb[1]->GetDown());
}

TEST_F(ExtCtrlsTest, SplitterScrollBoxUpDownStatusBar) {
    auto* left = form->Add<TPanel>(0, 0, 100, 100);
    left->SetAlign(alLeft);
    auto* split = new TSplitter(form);
    split->SetParent(form);
    split->SetLeft(100);
    EXPECT_EQ(split->FindControl(), left);
    int moved = 0;
    split->OnMoved = [&](TObject*) { ++moved; };
    int sx = split->GetLeft() + 1;
    SendMouse(form, QEvent::MouseButtonPress, sx, 50);
    SendMouse(form, QEvent::MouseMove, sx + 40, 50, Qt::LeftButton);
    SendMouse(form, QEvent::MouseButtonRelease, sx + 40, 50);
    EXPECT_EQ(left->GetWidth(), 140);
    EXPECT_EQ(moved, 1);

    // a control bar puts its children behind grab handles, in rows
    auto* cbar = form->Add<TControlBar>(200, 200, 200, 60);
    auto* band1 = form->Add<TPanel>(0, 0, 80, 20, cbar);
    auto* band2 = form->Add<TPanel>(50, 30, 80, 20, cbar);
    EXPECT_EQ(band1->GetLeft(), cbar->CaptionRect().Left - 2 + TControlBar::GrabWidth);
    EXPECT_GT(band2->GetTop(), band1->GetTop()); // a row of its own
    band2->SetTop(0);
    cbar->Realign();
    EXPECT_EQ(band2->GetTop(), band1->GetTop());
    EXPECT_GT(band2->GetLeft(), band1->GetLeft() + band1->GetWidth());

    auto* box = form->Add<TScrollBox>(200, 10, 100, 80);
    auto* far = form->Add<TPanel>(10, 200, 50, 30, box);
    EXPECT_EQ(box->ContentSize().cy, 230);
    box->ScrollInView(far);
    EXPECT_EQ(far->GetTop() + far->GetHeight(), box->GetClientHeight());
    box->ScrollTo(0, 0);
    EXPECT_EQ(far->GetTop(), 200);

    auto* e = form->Add<TEdit>(200, 120, 60, 22);
    auto* ud = form->Add<TUpDown>(0, 0, 17, 22);
    ud->SetMin(1);
    ud->SetMax(3);
    ud->SetAssociate(e);
    EXPECT_EQ(ud->GetLeft(), 260);
    ud->SetPosition(2);
    EXPECT_EQ(e->GetText(), QStringLiteral("2"));
    Click(ud, 5, 3); // upper arrow
    Click(ud, 5, 3);
    EXPECT_EQ(ud->GetPosition(), 3);
    ud->SetWrap(true);
    ud->ClickButton(btNext);
    EXPECT_EQ(e->GetText(), QStringLiteral("1"));
    ud->SetMax(20000);
    ud->SetPosition(12345);
    EXPECT_EQ(e->GetText(), QStringLiteral("12 345"));

    auto* sbar = new TStatusBar(form);
    sbar->SetParent(form);
    sbar->AddPanel()->Width = 80;
    sbar->AddPanel()->Text = QStringLiteral("Записів: 5");
    EXPECT_EQ(sbar->GetTop() + sbar->GetHeight(), form->GetClientHeight());
    EXPECT_EQ(sbar->PanelRect(1).Left, 82);
    // the last panel takes the rest, up to the size grip
    EXPECT_EQ(sbar->PanelRect(1).Right, sbar->GetClientWidth() - sbar->GripRect().Width());
}

TEST_F(ExtCtrlsTest, StatusBarDrawsItsSizeGripAndDraggingItSizesTheForm) {
    auto* sbar = new TStatusBar(form);
    sbar->SetParent(form);
    sbar->AddPanel()->Text = QStringLiteral("Готово");
    QApplication::processEvents();
    // the grip's ridges: light and dark diagonal lines in the bottom-right corner
    auto ridges = [sbar] {
        sbar->Repaint();
        QImage img = sbar->GetHandle()->grab().toImage();
        int light = 0, dark = 0;
        const TRect c = sbar->GetClientRect();
        for (int d = 1; d < 12; ++d) {
            QPoint p = WidgetPoint(sbar, c.Right - 1 - d / 2, c.Bottom - 1 - (d - d / 2));
            light += img.pixelColor(p) == ColorToQColor(clBtnHighlight);
            dark += img.pixelColor(p) == ColorToQColor(clBtnShadow);
        }
        return std::pair{light, dark};
    };
    struct Row {
        const char* What;
        TFormBorderStyle Border;
        bool Grip;
        bool Shown;
    } rows[] = {
        {"a sizeable form", bsSizeable, true, true},
        {"SizeGrip off", bsSizeable, false, false},
        {"a dialog cannot be sized", bsDialog, true, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.What);
        form->SetBorderStyle(r.Border);
        sbar->SetSizeGrip(r.Grip);
        QApplication::processEvents();
        EXPECT_EQ(sbar->GripRect().Width() > 0, r.Shown);
        auto [light, dark] = ridges();
        EXPECT_EQ(light > 0 && dark > light, r.Shown);
    }
    form->SetBorderStyle(bsSizeable);
    sbar->SetSizeGrip(true);
    QApplication::processEvents();
    const TRect g = sbar->GripRect();
    const int w = form->GetWidth(), h = form->GetHeight();
    SendMouse(sbar, QEvent::MouseButtonPress, g.Left + 8, g.Top + 8);
    SendMouse(sbar, QEvent::MouseMove, g.Left + 38, g.Top + 28, Qt::NoButton);
    SendMouse(sbar, QEvent::MouseButtonRelease, g.Left + 38, g.Top + 28);
    EXPECT_EQ(form->GetWidth(), w + 30);
    EXPECT_EQ(form->GetHeight(), h + 20);
}

TEST_F(ExtCtrlsTest, ToolBarLaysOutButtonsAndShowsAMenuStrip) {
    auto* bar = new TToolBar(form);
    bar->SetParent(form);
    bar->SetButtonWidth(30);
    TToolButton* b[4];
    for (int i = 0; i < 4; ++i) {
        b[i] = new TToolButton(form);
        b[i]->SetParent(bar);
    }
    b[1]->SetStyle(tbsSeparator);
    bar->ArrangeButtons();
    EXPECT_EQ(b[0]->GetLeft(), 0);
    EXPECT_EQ(b[1]->GetLeft(), 30);
    EXPECT_EQ(b[2]->GetLeft(), 38);
    EXPECT_EQ(b[2]->GetWidth(), 30);
    EXPECT_EQ(bar->GetTop(), 0);
    EXPECT_EQ(bar->GetWidth(), form->GetClientWidth());
    // checkable grouped buttons
    b[2]->SetStyle(tbsCheck);
    b[3]->SetStyle(tbsCheck);
    b[2]->SetGrouped(true);
    b[3]->SetGrouped(true);
    Click(bar, b[2]->GetLeft() + 3, 3);
    Click(bar, b[3]->GetLeft() + 3, 3);
    EXPECT_FALSE(b[2]->GetDown());
    EXPECT_TRUE(b[3]->GetDown());

    // a menu strip: one button per top item; a click drops the item's sub-menu
    auto* menu = new TMainMenu(form);
    auto* file = NewItem(form, QStringLiteral("&Файл"), 0, nullptr);
    int opened = 0;
    file->Add(NewItem(form, QStringLiteral("&Відкрити"), 0, [&](TObject*) { ++opened; }));
    menu->GetItems()->Add(file);
    auto* strip = new TToolBar(form);
    strip->SetParent(form);
    strip->SetMenu(menu);
    ASSERT_EQ(strip->ButtonCount(), 1);
    EXPECT_EQ(strip->GetButtons(0)->GetCaption(), QStringLiteral("&Файл"));
    TPopupRunner prev =
        SetPopupRunner([](TPopupMenu* M, TPoint) { return M->GetItems()->GetItems(0); });
    Click(strip, 5, 5);
    SetPopupRunner(prev);
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(file->GetCount(), 1); // the items went back to their menu
}

} // namespace
