// A prepared page drawn in a window on the X server: text, frames, a picture and lines where
// they belong, and a click that finds the object under the pointer.
#include "ReportOnX11.h"
#include "StdTestSupport.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

using namespace Qt::Literals::StringLiterals;

namespace {

constexpr double Zoom = 0.8;
constexpr int Margin = 10;

class PageOnX11 : public ReportOnX11 {
protected:
    void SetUp() override {
        ReportOnX11::SetUp();
        if (IsSkipped()) return;
        report->EMFPages.Add(page);
        fill();
    }
    void TearDown() override {
        delete form;
        ReportOnX11::TearDown();
    }

    void print(TfrView* V) { V->Print(report->EMFPages[0]->Stream.get()); }

    // An order: a title, a justified paragraph, a table of names, a photo and a signature line.
    void fill() {
        TfrMemoView* title = memo(40, 40, 678, 30, u"НАКАЗ № 12"_s);
        title->Name = u"Title"_s;
        title->Font.Size = 16;
        title->Font.Style = frfsBold;
        title->Alignment = frtaCenter;
        print(title);
        TfrMemoView* body = memo(40, 90, 678, 80, {});
        body->Memo.SetText(u"Надати щорічну основну відпустку працівникам відділу кадрів "
                           u"підприємства згідно з графіком відпусток на поточний рік, "
                           u"затвердженим керівником, з оплатою за середнім заробітком."_s);
        body->Alignment = 3;
        body->Flags |= flWordBreak;
        body->MeasureHeight();
        print(body);
        const QStringList names = {u"Коваль Ганна Іванівна"_s, u"Шевченко Петро Ілліч"_s,
                                   u"Їжакевич Єва Ґонтівна"_s};
        for (int i = 0; i < names.size(); ++i) {
            TfrMemoView* n = memo(40, 200 + 20 * i, 40, 20, QString::number(i + 1));
            n->FrameTyp = 15;
            n->Alignment = frtaCenter | frtaMiddle;
            print(n);
            TfrMemoView* c = memo(80, 200 + 20 * i, 300, 20, names[i]);
            c->FrameTyp = 15;
            c->Alignment = frtaMiddle;
            if (i == 1) c->FillColor = clAqua;
            print(c);
        }
        TfrMemoView* side = memo(400, 200, 30, 60, u"Відділ"_s);
        side->Alignment = frtaVertical | frtaCenter;
        side->FrameTyp = 15;
        print(side);
        auto* photo = static_cast<TfrPictureView*>(frCreateObject(gtPicture, QString()));
        photo->ParentPage = page;
        page->Objects.Add(photo);
        photo->SetBounds(600, 200, 90, 110);
        TBitmap b(30, 40);
        for (int y = 0; y < 40; ++y)
            b.GetCanvas()->FillSolid(TRect{0, y, 30, y + 1}, TColor(RGB(40, 80, 120 + 3 * y)));
        TMemoryStream bmp;
        b.SaveToStream(&bmp);
        photo->SetPicture(pkBitmap, bmp.GetBytes());
        photo->FrameTyp = 15;
        print(photo);
        auto* line = frCreateObject(gtLine, QString());
        line->ParentPage = page;
        page->Objects.Add(line);
        line->SetBounds(450, 400, 200, 1);
        print(line);
        print(memo(450, 405, 200, 20, u"(підпис)"_s));
    }

    void show() {
        form = CreateNewForm<TTestForm>(nullptr);
        form->SetCaption(u"Підготовлений звіт"_s);
        form->SetBounds(20, 20, 640, 900);
        form->OnPaint = [this](TObject*) {
            TfrPageInfo* p = report->EMFPages[0];
            p->Visible = true;
            const int w = int(p->PrnInfo.PageWidth * Zoom), h = int(p->PrnInfo.PageHeight * Zoom);
            form->GetCanvas()->FillSolid(TRect{Margin, Margin, Margin + w, Margin + h}, clWhite);
            report->EMFPages.Draw(0, form->GetCanvas(),
                                  TRect{Margin, Margin, Margin + w, Margin + h});
        };
        form->Show();
        ASSERT_TRUE(X11::WaitActive(form->GetHandle()));
        X11::Flush();
    }
    // What the X server shows of the form's client area.
    QImage shown() {
        QWidget* w = form->GetClientWidget();
        return QGuiApplication::primaryScreen()->grabWindow(w->winId()).toImage();
    }
    static int at(double Units) { return Margin + int(std::lround(Units * Zoom)); }

    TTestForm* form = nullptr;
};

TEST_F(PageOnX11, ThePageShowsItsObjectsWhereTheyBelong) {
    show();
    const QImage img = shown();
    ASSERT_FALSE(img.isNull());
    auto dark = [&](int x, int y) { return qGray(img.pixel(x, y)) < 100; };
    // The table's left frame runs down its three rows.
    for (int y = at(202); y < at(258); ++y)
        EXPECT_TRUE(dark(at(40), y)) << y;
    EXPECT_FALSE(dark(at(40) - 3, at(230)));
    // The filled cell of the second row.
    EXPECT_EQ(QColor(img.pixel(at(300), at(230))), QColor(0, 255, 255));
    // The photo's colours, blue growing downwards.
    const QColor top(img.pixel(at(645), at(210))), bottom(img.pixel(at(645), at(300)));
    EXPECT_EQ(top.red(), 40);
    EXPECT_GT(bottom.blue(), top.blue() + 60);
    // The signature line.
    EXPECT_TRUE(dark(at(550), at(400)));
    // The title's ink is centred on the page.
    int left = img.width(), right = -1;
    for (int y = at(41); y < at(68); ++y)
        for (int x = at(40); x < at(718); ++x)
            if (dark(x, y)) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
    ASSERT_GT(right, left);
    EXPECT_NEAR((left + right) / 2.0, at(379), 3);
    X11::Screenshot(u"report-page"_s);
}

TEST_F(PageOnX11, AClickFindsTheObjectUnderThePointer) {
    QString clicked;
    report->OnObjectClick = [&](TfrView* V) { clicked = V->Memo.GetText().trimmed(); };
    show();
    form->OnMouseDown = [this](TObject*, TMouseButton, TShiftState, int X, int Y) {
        TCursor cursor = crDefault;
        report->EMFPages.DoClick(
            0, TPoint{int(std::lround((X - Margin) / Zoom)), int(std::lround((Y - Margin) / Zoom))},
            true, cursor);
    };
    QWidget* w = form->GetClientWidget();
    ASSERT_TRUE(X11::Click(w, QPoint(at(200), at(250))));
    EXPECT_EQ(clicked, u"Їжакевич Єва Ґонтівна"_s);
    ASSERT_TRUE(X11::Click(w, QPoint(at(60), at(210))));
    EXPECT_EQ(clicked, u"1"_s);
}

} // namespace
