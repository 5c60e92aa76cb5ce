// The preview: zoom modes and page layout, paging, the page counter, search with its highlight;
// page lists, printing prepared pages to PDF, the progress window's Cancel, window positions.
#include "ViewFixture.h"

#include "Dialogs.h"
#include "FR_PrDlg.h"
#include "FR_Progr.h"
#include "FR_View.h"
#include "PdfTools.h"
#include "Registry.h"
#include "UiTestSupport.h"

#include <QTemporaryDir>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;

namespace {

class PreviewTest : public ViewTest {
protected:
    // Prepared pages, one per list of texts: each text a memo one under another.
    void preparePages(const std::vector<QStringList>& Pages) {
        for (const QStringList& texts : Pages) {
            newPreparedPage();
            int y = 40;
            for (const QString& t : texts) {
                memo(40, y, 400, 24, {t})->Print(pageStream(report->EMFPages.Count() - 1));
                y += 40;
            }
        }
    }
    // A preview window whose page box is Width x Height.
    std::unique_ptr<TfrPreviewForm> preview(int Width = 800, int Height = 600) {
        auto f = std::make_unique<TfrPreviewForm>(nullptr);
        f->SetBounds(0, 0, Width + 17, Height + 17 + 30);
        f->Connect(report.get());
        f->PBox->SetBounds(0, 0, Width, Height);
        f->Layout();
        return f;
    }
};

TEST_F(PreviewTest, ZoomModesLayThePagesOut) {
    preparePages({{u"один"_s}, {u"два"_s}, {u"три"_s}});
    auto f = preview();
    const int bw = f->PBox->GetWidth(), bh = f->PBox->GetHeight();
    const int pw = (*f->Pages)[0]->PrnInfo.PageWidth, ph = (*f->Pages)[0]->PrnInfo.PageHeight;
    ASSERT_GT(pw, 0);

    f->SetZoomMode(2); // whole page: one page per row, centred
    EXPECT_DOUBLE_EQ(f->Zoom, double(bh - 20) / ph);
    for (int i = 0; i < 3; ++i) {
        const TRect r = (*f->Pages)[i]->pgRect;
        EXPECT_EQ(r.Left, (bw - r.Width()) / 2) << i;
        if (i > 0) {
            EXPECT_EQ(r.Top, (*f->Pages)[i - 1]->pgRect.Bottom + 10);
        }
    }
    EXPECT_EQ(f->ZoomBtn->GetCaption(), QString::number(std::lround(f->Zoom * 100)) + u'%');

    f->SetZoomMode(3); // two pages side by side
    EXPECT_DOUBLE_EQ(f->Zoom, double(bw - 30) / (2.0 * pw));
    EXPECT_EQ((*f->Pages)[0]->pgRect.Top, (*f->Pages)[1]->pgRect.Top);
    EXPECT_EQ((*f->Pages)[1]->pgRect.Left, (*f->Pages)[0]->pgRect.Right + 10);
    EXPECT_GT((*f->Pages)[2]->pgRect.Top, (*f->Pages)[0]->pgRect.Bottom);

    f->SetZoomMode(1); // page width
    EXPECT_DOUBLE_EQ(f->Zoom, double(bw - 20) / pw);
    EXPECT_EQ((*f->Pages)[0]->pgRect.Left, 10);

    // The 50% item: custom zoom 0.5, the button shows it, the item is checked.
    TMenuItem* items = f->ProcMenu->GetItems();
    TMenuItem* half = nullptr;
    for (int i = 0; i < items->Count(); ++i)
        if (items->GetItems(i)->GetTag() == 50) half = items->GetItems(i);
    ASSERT_NE(half, nullptr);
    half->Click();
    EXPECT_EQ(f->ZoomMode, 0);
    EXPECT_DOUBLE_EQ(f->Zoom, 0.5);
    EXPECT_EQ(f->ZoomBtn->GetCaption(), u"50%"_s);
    EXPECT_TRUE(half->GetChecked());
    EXPECT_EQ(frLastZoom().Mode, 0);
    EXPECT_DOUBLE_EQ(frLastZoom().Zoom, 0.5);
}

TEST_F(PreviewTest, PagingKeysEndsAndCounter) {
    preparePages({{u"1"_s}, {u"2"_s}, {u"3"_s}, {u"4"_s}, {u"5"_s}});
    auto f = preview();
    f->SetZoomMode(2);
    EXPECT_EQ(f->Label1->GetCaption(), u"Стор. 1/5"_s);
    struct Step {
        WORD key;
        TShiftState shift;
        int page;
        bool consumed;
    } steps[] = {
        {VK_END, {ssCtrl}, 5, true},   {VK_HOME, {}, 5, false},      {VK_END, {}, 5, false},
        {VK_PRIOR, {ssCtrl}, 4, true}, {VK_NEXT, {ssCtrl}, 5, true}, {VK_NEXT, {ssCtrl}, 5, true},
        {VK_HOME, {ssCtrl}, 1, true},
    };
    for (const Step& s : steps) {
        WORD k = s.key;
        f->FormKeyDown(k, s.shift);
        EXPECT_EQ(f->CurPage, s.page) << s.key;
        EXPECT_EQ(k == 0, s.consumed) << s.key;
    }
    EXPECT_EQ(f->Label1->GetCaption(), u"Стор. 1/5"_s);

    // Scrolling to the middle of page 3 makes it current.
    const TRect r3 = (*f->Pages)[2]->pgRect;
    f->VScrollBar->SetPosition(r3.Top + r3.Height() / 2);
    EXPECT_EQ(f->CurPage, 3);
    EXPECT_EQ(f->Label1->GetCaption(), u"Стор. 3/5"_s);
}

TEST_F(PreviewTest, EscapeClosesAModalPreviewWithOk) {
    preparePages({{u"1"_s}, {u"2"_s}});
    TfrPreviewForm f(nullptr);
    f.Options.ModalPreview = true;
    bool keysRan = false;
    QTimer::singleShot(0, [&] {
        ASSERT_TRUE(f.GetFormState().Contains(fsModal));
        WORD k = VK_F3; // no search yet: nothing happens
        f.FormKeyDown(k, {});
        EXPECT_EQ(f.CurPage, 1);
        EXPECT_EQ(f.FoundPage, -1);
        k = VK_ESCAPE;
        f.FormKeyDown(k, {});
        EXPECT_EQ(k, 0);
        keysRan = true;
    });
    f.ShowReport(report.get());
    EXPECT_TRUE(keysRan);
    EXPECT_EQ(f.GetModalResult(), mrOk);
    EXPECT_FALSE(f.GetVisible());
}

TEST_F(PreviewTest, ThePanelPagesWithinTheEnds) {
    preparePages({{u"1"_s}, {u"2"_s}, {u"3"_s}});
    TfrPreview panel(nullptr);
    std::vector<int> told;
    panel.OnPageChanged = [&](TObject*, int N) { told.push_back(N); };
    panel.Connect(report.get());
    EXPECT_EQ(report->EMFPages.Count(), 0) << "the pages are borrowed";
    EXPECT_EQ(panel.AllPages(), 3);
    panel.Prev();
    EXPECT_EQ(panel.GetPage(), 1);
    panel.Last();
    panel.Next();
    EXPECT_EQ(panel.GetPage(), 3);
    panel.SetPage(0);
    panel.SetPage(4);
    EXPECT_EQ(panel.GetPage(), 3);
    panel.First();
    EXPECT_EQ(panel.GetPage(), 1);
    EXPECT_EQ(told.back(), 1);
    panel.Disconnect();
    EXPECT_EQ(report->EMFPages.Count(), 3) << "and given back";

    // Without pages nothing fails and the counter is empty.
    report->EMFPages.Clear();
    TfrPreview empty(nullptr);
    empty.Connect(report.get());
    empty.Next();
    empty.Last();
    EXPECT_EQ(empty.AllPages(), 0);
    EXPECT_EQ(empty.Window()->Label1->GetCaption(), QString());
}

TEST_F(PreviewTest, ThePanelLaysItsPagesOutAgainWhenItIsResized) {
    // A preview window is shown small and then maximised: its pages follow the new size.
    preparePages({{u"1"_s}});
    TfrPreview panel(nullptr);
    panel.SetBounds(0, 0, 700, 500);
    panel.Connect(report.get());
    const TfrPreviewForm* w = panel.Window();
    const TfrPageInfo* page = (*w->Pages)[0];
    panel.SetZoom(50);
    panel.SetBounds(0, 0, 1400, 1000);
    int bw = w->PBox->GetWidth(), bh = w->PBox->GetHeight();
    ASSERT_GT(bw, 1200);
    EXPECT_EQ(page->pgRect.Left, (bw - page->pgRect.Width()) / 2) << "centred in the wider box";
    panel.OnePage();
    panel.SetBounds(0, 0, 1400, 700);
    bh = w->PBox->GetHeight();
    EXPECT_DOUBLE_EQ(w->Zoom, double(bh - 20) / page->PrnInfo.PageHeight)
        << "the whole page in the lower box";
    panel.Disconnect();
}

TEST_F(PreviewTest, ClicksAndTheMouseOverThePages) {
    preparePages({{u"перша"_s}, {u"друга"_s}});
    auto f = preview();
    f->SetZoomMode(3); // both pages in view, side by side
    // The centre of a page's memo (40, 40, 400 x 24) in the box.
    auto onMemo = [&](int Page) {
        const TRect r = (*f->Pages)[Page]->pgRect;
        return TPoint{r.Left + f->OffsX + int(240 * f->Zoom), r.Top + f->OffsY + int(52 * f->Zoom)};
    };
    QStringList clicked;
    report->OnObjectClick = [&](TfrView* V) { clicked << V->Memo.GetText().trimmed(); };
    const TPoint second = onMemo(1);
    f->PBox->MouseDown(mbLeft, {}, second.X, second.Y);
    f->PBox->MouseUp(mbLeft, {}, second.X, second.Y);
    EXPECT_EQ(clicked, QStringList{u"друга"_s});
    EXPECT_EQ(f->CurPage, 2) << "the clicked page becomes current";
    EXPECT_EQ(f->Label1->GetCaption(), u"Стор. 2/2"_s);

    // Without a button the report chooses the cursor over its objects.
    report->OnMouseOverObject = [](TfrView*, TCursor& C) { C = crHandPoint; };
    const TPoint first = onMemo(0);
    f->PBox->MouseMove({}, first.X, first.Y);
    EXPECT_EQ(f->PBox->GetCursor(), crHandPoint);
    f->PBox->MouseMove({}, first.X, first.Y + int(200 * f->Zoom));
    EXPECT_EQ(f->PBox->GetCursor(), crDefault) << "nothing under the mouse";
    f->PBox->MouseMove({}, first.X, first.Y);
    f->PBox->MouseMove({}, 2, 2);
    EXPECT_EQ(f->PBox->GetCursor(), crDefault) << "off the pages";
    EXPECT_EQ(clicked.size(), 1) << "moving clicks nothing";
}

TEST_F(PreviewTest, SearchFindsEveryOccurrenceInOrderAndHighlightsIt) {
    preparePages({{u"Петренко"_s, u"Іваненко Петро"_s, u"ще Іваненко"_s},
                  {u"нічого"_s},
                  {u"ІВАНЕНКО О."_s}});
    auto f = preview();
    f->SetZoomMode(1);
    f->FindStr = u"іваненко"_s.toUpper();
    f->FindCase = false;
    std::vector<std::pair<int, int>> found; // page, text record
    while (f->FindText())
        found.emplace_back(f->CurPage, f->LastFoundObject);
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].first, 1);
    EXPECT_EQ(found[1].first, 1);
    EXPECT_LT(found[0].second, found[1].second);
    EXPECT_EQ(found[2].first, 3);

    // Case matters when asked: the upper-case text is not found by a mixed-case search.
    f->FindCase = true;
    f->FindStr = u"Іваненко"_s;
    f->LastFoundPage = f->LastFoundObject = 0;
    ASSERT_TRUE(f->FindText());
    ASSERT_TRUE(f->FindText());
    EXPECT_FALSE(f->FindText());

    // The highlight inverts the found text's rectangle.
    f->LastFoundPage = f->LastFoundObject = 0;
    ASSERT_TRUE(f->FindText());
    const TRect r = f->FoundRect;
    ASSERT_GT(r.Width(), 0);
    // Painted without and with the highlight: every pixel of the rectangle turns to its
    // inverse, and nothing outside it changes.
    auto paint = [&] {
        auto b = canvasBitmap(f->PBox->GetWidth(), f->PBox->GetHeight());
        f->PaintView(b->GetCanvas(), b->GetWidth(), b->GetHeight());
        return b->GetImage();
    };
    const QImage highlighted = paint();
    f->FoundPage = -1;
    const QImage plain = paint();
    const QRect shown(r.Left + f->OffsX, r.Top + f->OffsY, r.Width(), r.Height());
    ASSERT_TRUE(plain.rect().contains(shown)) << "the found text is scrolled into the view";
    int wrong = 0, text = 0;
    for (int y = 0; y < plain.height(); ++y)
        for (int x = 0; x < plain.width(); ++x) {
            const QRgb a = plain.pixel(x, y) & 0xFFFFFF, h = highlighted.pixel(x, y) & 0xFFFFFF;
            const bool inside = shown.contains(x, y);
            wrong += inside ? h != (a ^ 0xFFFFFF) : h != a;
            text += inside && a != 0xFFFFFF;
        }
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(text, 0) << "the rectangle holds the found text";
}

TEST_F(PreviewTest, OpenSaveAndRemovePages) {
    preparePages({{u"перша"_s}, {u"друга"_s}, {u"третя"_s}});
    QTemporaryDir dir;
    TScriptedInteraction ui;
    TUserInteractionSwap swap(&ui);
    auto f = preview();

    // Saved under another extension with the prepared-report type: a .frp file.
    ui.AnswerFile(dir.filePath(u"report.txt"_s));
    f->SaveBtnClick(nullptr);
    EXPECT_TRUE(QFile::exists(dir.filePath(u"report.frp"_s)));
    EXPECT_FALSE(QFile::exists(dir.filePath(u"report.txt"_s)));
    EXPECT_EQ(f->AllPages(), 3) << "the pages came back to the view";

    // Removing asks first; No keeps the page, Yes removes it and shows page 1.
    f->SetPage(2);
    ui.Answer(IDNO);
    f->DelPageBtnClick(nullptr);
    EXPECT_EQ(f->AllPages(), 3);
    ui.Answer(IDYES);
    f->DelPageBtnClick(nullptr);
    EXPECT_EQ(f->AllPages(), 2);
    EXPECT_EQ(f->Label1->GetCaption(), u"Стор. 1/2"_s);

    // A damaged or missing file is reported and the shown document stays.
    QFile bad(dir.filePath(u"bad.frp"_s));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("not a prepared report at all");
    bad.close();
    for (const QString& name : {bad.fileName(), dir.filePath(u"none.frp"_s)}) {
        const size_t asked = ui.Asked.size();
        ui.AnswerFile(name);
        ui.Answer(IDOK);
        f->LoadBtnClick(nullptr);
        EXPECT_EQ(ui.Asked.size(), asked + 2) << "the file, then the message";
        EXPECT_EQ(f->AllPages(), 2) << name.toStdString();
    }

    // A sound file replaces it.
    ui.AnswerFile(dir.filePath(u"report.frp"_s));
    f->LoadBtnClick(nullptr);
    EXPECT_EQ(f->AllPages(), 3);
    EXPECT_EQ(f->Label1->GetCaption(), u"Стор. 1/3"_s);

    // The last page is never removed; no question is asked.
    while (f->AllPages() > 1) {
        ui.Answer(IDYES);
        f->DelPageBtnClick(nullptr);
    }
    const size_t asked = ui.Asked.size();
    f->DelPageBtnClick(nullptr);
    EXPECT_EQ(ui.Asked.size(), asked);
    EXPECT_EQ(f->AllPages(), 1);
}

// Page setup: the dialog gets the first page's margins in hundredths of a millimetre; its
// answer reaches the report pages (paper, orientation, margins), the report is built again and
// shown from page 1. A cancel, or margins that leave no room, change nothing.
TEST_F(PreviewTest, PageSetupBuildsThePagesAgainOnTheChosenPaper) {
    TScriptedInteraction ui;
    TUserInteractionSwap swap(&ui);
    DeviceModeKeeper keep;
    TfrPrinter* prn = frGlobalPrinter();
    prn->SelectPrinter(prn->VirtualIndex);
    page->ChangePaper(DMPAPER_A4, 0, 0, poPortrait, -1);
    for (int& m : page->pgMargins)
        m = 36; // 10 mm
    // A title and 30 rows of 30 page units.
    addBand(page, btReportTitle, 0, 300, 30);
    memo(0, 0, 300, 30, {u"Список працівників"_s});
    addBand(page, btMasterData, 40, 300, 30, u"30"_s);
    memo(0, 40, 300, 30, {u"Рядок [LINE#]"_s});
    ASSERT_TRUE(report->PrepareReport()) << messages.join(u'\n').toStdString();
    auto f = preview();
    f->Options.PreviewButtons.Include(pbPageSetup);
    f->Connect(report.get());
    EXPECT_TRUE(f->PageSetupBtn->GetVisible());
    ASSERT_TRUE(f->PageSetupBtn->GetEnabled());
    ASSERT_EQ(f->AllPages(), 1);
    f->SetPage(1);

    ui.AnswerCancel();
    f->PageSetupBtn->Click();
    ASSERT_EQ(ui.Asked.size(), 1u);
    ASSERT_EQ(ui.Last().Kind, TScriptedInteraction::kPageSetupDialog);
    const TPageSetupRequest asked = ui.Last().Page;
    EXPECT_EQ(asked.Margins, (TRect{1000, 1000, 1000, 1000}));
    EXPECT_EQ(asked.PaperSizes.value(asked.PaperIndex), QSize(2100, 2970)) << "the page's paper";
    EXPECT_TRUE(prn->IsVirtual()) << "cancelled: the virtual printer again";
    EXPECT_EQ(f->AllPages(), 1);

    // A5 turned: 148 mm high, and 150 mm of margins from top to bottom.
    TPageSetupRequest answer = asked;
    answer.PaperIndex = int(asked.Papers.indexOf(FindStandardPaper(DMPAPER_A5)->Name));
    ASSERT_GE(answer.PaperIndex, 0);
    answer.Landscape = true;
    answer.Margins = TRect{2500, 7500, 1500, 7500};
    ui.AnswerPageSetup(answer);
    f->PageSetupBtn->Click();
    EXPECT_EQ(ui.Last().Kind, TScriptedInteraction::kMessageBox);
    EXPECT_EQ(f->AllPages(), 1);
    EXPECT_EQ((*f->Pages)[0]->pgSize, DMPAPER_A4);
    EXPECT_EQ(report->Pages[0]->pgMargins[1], 36) << "a build reloads the template's pages";

    answer.Margins = TRect{2500, 2000, 1500, 1000};
    ui.AnswerPageSetup(answer);
    f->PageSetupBtn->Click();
    EXPECT_TRUE(messages.isEmpty()) << messages.join(u'\n').toStdString();
    // Usable height 534 - 72 - 36 = 426: the title and 13 rows, 14 rows, the last 3.
    ASSERT_EQ(f->AllPages(), 3);
    EXPECT_EQ(f->CurPage, 1);
    EXPECT_EQ(f->Label1->GetCaption(), u"Стор. 1/3"_s);
    for (int i = 0; i < f->AllPages(); ++i) {
        const TfrPageInfo* p = (*f->Pages)[i];
        EXPECT_EQ(p->pgSize, DMPAPER_A5) << i;
        EXPECT_EQ(p->pgOr, poLandscape) << i;
        EXPECT_EQ(p->pgWidth, 2100) << i;
        EXPECT_EQ(p->pgHeight, 1480) << i;
        EXPECT_EQ(std::vector<int>(p->pgMargins, p->pgMargins + 4),
                  (std::vector<int>{90, 72, 54, 36}));
        EXPECT_EQ(p->PrnInfo.PageHeight, 534) << i;
    }
    f->Pages->ObjectsToPage(0);
    const TfrView* title = (*f->Pages)[0]->Page->GetObject(0);
    EXPECT_EQ(title->Top, 72) << "the first band at the top margin";
    EXPECT_EQ(report->Pages[0]->pgOr, poLandscape) << "the report's own page took the paper";
    EXPECT_FALSE(prn->IsVirtual()) << "the printer set up stays the engine's";
}

TEST(PageListTest, ListsRangesAndMistakes) {
    const struct {
        QString text;
        int count;
        bool ok;
        QList<int> pages;
    } cases[] = {
        {u""_s, 3, true, {1, 2, 3}},
        {u"1,3,5-7"_s, 10, true, {1, 3, 5, 6, 7}},
        {u" 2, 4- "_s, 6, true, {2, 4, 5, 6}},
        {u"5-12"_s, 6, true, {5, 6}},
        {u"8"_s, 6, true, {}},
        {u"4-2"_s, 6, true, {}},
        {u"1,,2"_s, 6, false, {}},
        {u"a"_s, 6, false, {}},
        {u"-3"_s, 6, false, {}},
        {u"1-2-3"_s, 6, false, {}},
    };
    for (const auto& c : cases) {
        QList<int> pages;
        EXPECT_EQ(frParsePageList(c.text, c.count, pages), c.ok) << c.text.toStdString();
        EXPECT_EQ(pages, c.pages) << c.text.toStdString();
    }
    EXPECT_EQ(frPagesToPrint({1, 2, 3, 4, 5}, 1), (QList<int>{1, 3, 5}));
    EXPECT_EQ(frPagesToPrint({1, 2, 3, 4, 5}, 2), (QList<int>{2, 4}));
}

TEST_F(PreviewTest, PrintsPreparedPagesToPdf) {
    preparePages({{u"Сторінка перша"_s}, {u"Сторінка друга"_s}, {u"Сторінка третя"_s}});
    QTemporaryDir dir;
    TPrinter* dev = Printer();
    TfrPrinter* prn = frGlobalPrinter();
    prn->SelectPrinter(dev->GetPdfIndex());
    const struct {
        QString list;
        int copies, parity;
        bool collate;
        QStringList order;
    } cases[] = {
        {u""_s, 1, 0, true, {u"перша"_s, u"друга"_s, u"третя"_s}},
        {u""_s,
         2,
         0,
         true,
         {u"перша"_s, u"друга"_s, u"третя"_s, u"перша"_s, u"друга"_s, u"третя"_s}},
        {u"1-2"_s, 2, 0, false, {u"перша"_s, u"перша"_s, u"друга"_s, u"друга"_s}},
        {u""_s, 1, 1, true, {u"перша"_s, u"третя"_s}},
        {u"2-"_s, 1, 2, true, {u"друга"_s}},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.list.toStdString() + " " + std::to_string(c.copies));
        const QString file = dir.filePath(u"job%1.pdf"_s.arg(n++));
        dev->SetFileName(file);
        ASSERT_TRUE(frPrintPreparedPages(report.get(), c.list, c.copies, c.parity, c.collate));
        EXPECT_EQ(pdftools::info(file, u"Pages"_s), QString::number(c.order.size()));
        const auto sizes = pdftools::pageSizes(file, int(c.order.size()));
        ASSERT_EQ(sizes.size(), size_t(c.order.size()));
        EXPECT_NEAR(sizes[0].width(), 595.3, 0.5);
        EXPECT_NEAR(sizes[0].height(), 841.9, 0.5);
        // pdftotext ends every page with a form feed.
        const QStringList texts = pdftools::text(file).split(QChar(12));
        for (int i = 0; i < c.order.size(); ++i)
            EXPECT_TRUE(texts.value(i).contains(u"Сторінка "_s + c.order[i])) << i;
    }
    dev->SetFileName(QString());
}

TEST_F(PreviewTest, ProgressCancelStopsTheWorkAndLeavesNoPages) {
    int steps = 0;
    const bool finished = frRunWithProgress(
        report.get(), u"Підготовка звіту"_s, u"Формується сторінка:"_s,
        [&](const std::function<void(int)>& Progress) {
            // A build that would never end by itself; Cancel arrives on the third page.
            for (int i = 1; !report->Terminated; ++i) {
                newPreparedPage();
                ++steps;
                Progress(i);
                if (i == 3) {
                    auto* form = dynamic_cast<TfrProgressForm*>(Screen->GetActiveForm());
                    ASSERT_NE(form, nullptr) << "the work runs inside the progress window";
                    EXPECT_EQ(form->Label2->GetCaption(), u"Формується сторінка:  3"_s);
                    form->Button1->Click();
                }
            }
            report->EMFPages.Clear();
        });
    EXPECT_FALSE(finished);
    EXPECT_EQ(steps, 3);
    EXPECT_EQ(report->EMFPages.Count(), 0);
}

TEST_F(PreviewTest, ProgressCancelReachesAScriptLoop) {
    // Loops of each kind, as good as endless; Cancel arrives while the first turns run.
    for (const char* loop :
         {"while n < 5000000 do n := n + 1", "repeat n := n + 1 until n >= 5000000",
          "for i := 1 to 5000000 do n := n + 1"}) {
        SCOPED_TRACE(loop);
        frGlobals().frVariables.SetVariable(u"n"_s, 0);
        const bool finished = frRunWithProgress(
            report.get(), u"Підготовка звіту"_s, u"Формується сторінка:"_s,
            [&](const std::function<void(int)>&) {
                QTimer::singleShot(0, [] {
                    if (auto* form = dynamic_cast<TfrProgressForm*>(Screen->GetActiveForm()))
                        form->Button1->Click();
                });
                TStringList script;
                script.Add(QString::fromUtf8(loop));
                frRunScriptText(&script);
            });
        EXPECT_FALSE(finished);
        const int turns = frGlobals().frVariables.GetVariable(u"n"_s).AsInteger();
        EXPECT_GT(turns, 0);
        EXPECT_LT(turns, 100000) << "the loop stopped soon after Cancel";
    }
}

TEST_F(PreviewTest, PrintDialogCopiesAndPageList) {
    TScriptedInteraction ui;
    TUserInteractionSwap swap(&ui);
    TfrPrintForm dlg(nullptr);
    dlg.E1->SetValue(1);
    dlg.E1->DownClick(nullptr);
    EXPECT_EQ(dlg.E1->GetValue(), 1) << "never below one copy";
    dlg.E1->SetValue(0);
    EXPECT_EQ(dlg.E1->GetValue(), 1);
    QString list;
    dlg.RB2->SetChecked(true);
    ASSERT_TRUE(dlg.PageListText(4, list));
    EXPECT_EQ(list, u"4"_s);
    dlg.RB3->SetChecked(true);
    dlg.E2->SetText(u"1,3,5-"_s);
    ASSERT_TRUE(dlg.PageListText(4, list));
    EXPECT_EQ(list, u"1,3,5-"_s);
    EXPECT_TRUE(ui.Asked.empty());
    dlg.E2->SetText(u"1;3"_s);
    EXPECT_FALSE(dlg.PageListText(4, list));
    ASSERT_EQ(ui.Asked.size(), 1u);
    EXPECT_TRUE(ui.Last().Text.contains(u"1;3"_s));
}

TEST_F(PreviewTest, PrintDialogOkPrintsOnTheShownPrinter) {
    // The virtual printer is current; the list shows the platform's printer, and OK leaves it
    // the engine's printer, so that the job goes somewhere.
    TfrPrinter* prn = frGlobalPrinter();
    for (TModalResult answer : {mrOk, mrCancel}) {
        prn->SelectPrinter(prn->VirtualIndex);
        TfrPrintForm dlg(nullptr);
        ASSERT_EQ(dlg.CB1->GetItemIndex(), Printer()->GetPrinterIndex());
        EXPECT_EQ(dlg.CB1->GetItems()->IndexOf(frLoadStr(55007)), -1)
            << "the virtual printer is not offered";
        QTimer::singleShot(0, [&] { (answer == mrOk ? dlg.Button1 : dlg.Button2)->Click(); });
        EXPECT_EQ(dlg.ShowModal(), answer);
        EXPECT_EQ(prn->PrinterIndex, Printer()->GetPrinterIndex()) << answer;
        EXPECT_FALSE(prn->IsVirtual());
    }
}

// The combo edit's button sits square at its right end, follows every resize, and a click on
// it fires OnButtonClick while the button is enabled.
TEST_F(PreviewTest, TheComboEditsButtonFollowsItsSizeAndClicks) {
    TForm form(nullptr);
    form.SetBounds(0, 0, 300, 100);
    auto* combo = new TfrComboEdit(&form);
    combo->SetParent(&form);
    EXPECT_EQ(combo->GetHeight(), 21);
    EXPECT_TRUE(combo->GetButtonEnabled());
    const struct {
        int width, height;
        TRect panel;
    } sizes[] = {
        {121, 21, {102, 2, 119, 19}},
        {200, 25, {177, 2, 198, 23}},
    };
    for (const auto& c : sizes) {
        combo->SetBounds(10, 10, c.width, c.height);
        const TRect r{combo->Panel->GetLeft(), combo->Panel->GetTop(),
                      combo->Panel->GetLeft() + combo->Panel->GetWidth(),
                      combo->Panel->GetTop() + combo->Panel->GetHeight()};
        EXPECT_EQ(r, c.panel) << c.width << "x" << c.height;
    }
    combo->SetButtonHint(u"Формат"_s);
    EXPECT_EQ(combo->Button->GetHint(), u"Формат"_s);
    int clicks = 0;
    combo->OnButtonClick = [&](TObject* Sender) {
        EXPECT_EQ(Sender, combo);
        ++clicks;
    };
    form.Show();
    Click(combo->Panel, 5, 5);
    EXPECT_EQ(clicks, 1);
    combo->SetButtonEnabled(false);
    Click(combo->Panel, 5, 5);
    EXPECT_EQ(clicks, 1) << "a disabled button does not click";
}

TEST_F(PreviewTest, WindowPositionsPersistInTheRegistry) {
    QTemporaryDir dir;
    qputenv("KADRION_CONFIG_DIR", dir.path().toUtf8());
    {
        TfrPreviewForm never(nullptr);
        never.SetBounds(11, 22, 333, 444);
        never.SetWindowState(wsMaximized);
        frRestoreFormPosition(&never);
        EXPECT_EQ(never.GetWidth(), 333) << "never saved: its own bounds";
        EXPECT_EQ(never.GetWindowState(), wsMaximized);
    }
    {
        TfrPreviewForm f(nullptr);
        f.SetBounds(50, 60, 700, 500);
        frSaveFormPosition(&f);
    }
    TRegIniFile ini(frRegRootKey());
    EXPECT_EQ(ini.ReadInteger(u"Form\\TfrPreviewForm"_s, u"Width"_s, 0), 700);
    TfrPreviewForm g(nullptr);
    g.SetBounds(0, 0, 100, 100);
    g.SetWindowState(wsMaximized);
    frRestoreFormPosition(&g);
    EXPECT_EQ(g.GetWindowState(), wsNormal) << "saved normal: opens normal";
    EXPECT_EQ(g.GetLeft(), 50);
    EXPECT_EQ(g.GetTop(), 60);
    EXPECT_EQ(g.GetWidth(), 700);
    EXPECT_EQ(g.GetHeight(), 500);
    qunsetenv("KADRION_CONFIG_DIR");
}

} // namespace
