// The preview window on the X server as a user drives it: prepared pages shown, paged with the
// keys, scrolled with the wheel, zoomed from the zoom menu, searched for Cyrillic text and printed
// to a PDF file through the print dialog.
#include "Dialogs.h"
#include "FR_Fmted.h"
#include "FR_PrDlg.h"
#include "FR_Search.h"
#include "FR_View.h"
#include "PageSetupDlg.h"
#include "PdfTools.h"
#include "ReportOnX11.h"
#include "ReportTestSupport.h"
#include "StdTestSupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QMenu>
#include <QTemporaryDir>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;

namespace {

class PreviewOnX11 : public ReportOnX11 {
protected:
    void SetUp() override {
        ReportOnX11::SetUp();
        if (IsSkipped()) return;
        const QStringList names[] = {
            {u"Коваль Ганна Іванівна"_s, u"Іваненко Петро Ілліч"_s},
            {u"Шевченко Марія Олегівна"_s, u"Їжакевич Єва Ґонтівна"_s},
            {u"Бондар Олег Іваненко"_s, u"Ткачук Ірина Степанівна"_s},
        };
        for (int n = 0; n < 3; ++n) {
            report->EMFPages.Add(page);
            TStream* s = report->EMFPages[n]->Stream.get();
            TfrMemoView* title =
                memo(40, 40, 678, 30, u"СПИСОК ПРАЦІВНИКІВ, аркуш %1"_s.arg(n + 1));
            title->Font.Size = 16;
            title->Font.Style = frfsBold;
            title->Alignment = frtaCenter;
            title->Print(s);
            for (int i = 0; i < names[n].size(); ++i) {
                TfrMemoView* m = memo(40, 100 + 24 * i, 400, 24, names[n][i]);
                m->FrameTyp = 15;
                m->Print(s);
            }
        }
    }
    void TearDown() override {
        delete form;
        ReportOnX11::TearDown();
    }
    TfrMemoView* memo(int Left, int Top, int Width, int Height, const QString& Text) {
        TfrMemoView* m = ReportOnX11::memo(Left, Top, Width, Height, Text);
        m->Font.Name = u"Arial"_s;
        m->Font.Size = 12;
        return m;
    }
    void shot(const QString& Name) {
        X11::Flush();
        X11::Screenshot(Name);
    }

    TfrPreviewForm* form = nullptr;
};

TEST_F(PreviewOnX11, TheFormatEditorShowsAWordAndGivesItBack) {
    TfrFmtForm dlg(nullptr);
    dlg.Format = (1 << 24) | (4 << 16) | (2 << 8) | ',';
    dlg.FormatStr = u"# ##0,00"_s;
    inNext([] { return activeModal<TfrFmtForm>() != nullptr; },
           [&] {
               EXPECT_TRUE(dlg.FormatEdit->GetEnabled());
               shot(u"format-editor"_s);
               EXPECT_TRUE(X11::Key(u"Return"_s));
           });
    EXPECT_EQ(dlg.ShowModal(), mrOk);
    EXPECT_EQ(dlg.Format, (1 << 24) | (4 << 16) | (2 << 8) | ',');
    EXPECT_EQ(dlg.FormatStr, u"# ##0,00"_s);
}

// The combo edit on the X server: its button square over the combo's right end; clicking it
// with the mouse fires its event, and the combo takes typed Cyrillic text beside it.
TEST_F(PreviewOnX11, TheComboEditsButtonClicks) {
    TForm dlg(nullptr);
    dlg.SetCaption(u"Формат"_s);
    dlg.SetBounds(200, 200, 320, 90);
    auto* combo = new TfrComboEdit(&dlg);
    combo->SetParent(&dlg);
    combo->SetBounds(20, 20, 200, 21);
    combo->SetStyle(csDropDown);
    combo->Button->SetCaption(u"…"_s);
    int clicks = 0;
    combo->OnButtonClick = [&](TObject*) { ++clicks; };
    dlg.Show();
    ASSERT_TRUE(X11::WaitActive(dlg.GetHandle()));
    combo->SetFocus();
    X11::Flush();
    X11::SetLayout(u"ua"_s);
    EXPECT_TRUE(X11::Type(u"гривня"_s));
    X11::SetLayout(u"us"_s);
    EXPECT_EQ(combo->GetText(), u"гривня"_s);
    ASSERT_TRUE(X11::Click(combo->Panel->GetHandle(), QPoint(8, 8)));
    EXPECT_TRUE(X11::WaitFor([&] { return clicks == 1; }));
    shot(u"combo-edit"_s);
}

TEST_F(PreviewOnX11, PagedZoomedSearchedAndPrinted) {
    frLastZoom() = {1.0, 2};
    form = new TfrPreviewForm(nullptr);
    form->Options.ModalPreview = false;
    form->ShowReport(report.get());
    ASSERT_TRUE(X11::WaitActive(form->GetHandle()));
    X11::Flush();
    EXPECT_EQ(form->Label1->GetCaption(), u"Стор. 1/3"_s);
    EXPECT_EQ(form->ZoomMode, 2) << "the whole page";
    shot(u"preview-page"_s);

    // Paging keys.
    const struct {
        const char* keys;
        int page;
    } paging[] = {{"ctrl+Next", 2}, {"ctrl+End", 3}, {"ctrl+Prior", 2}, {"ctrl+Home", 1}};
    for (const auto& p : paging) {
        ASSERT_TRUE(X11::Key(QString::fromLatin1(p.keys)));
        EXPECT_EQ(form->CurPage, p.page) << p.keys;
        EXPECT_EQ(form->Label1->GetCaption(), u"Стор. %1/3"_s.arg(p.page)) << p.keys;
    }

    // The zoom menu from the space bar: 50 %, then two pages side by side.
    auto zoomTo = [&](const QString& Keys) {
        inNext([] { return qobject_cast<QMenu*>(QApplication::activePopupWidget()) != nullptr; },
               [&, Keys] {
                   shot(u"preview-zoom-menu"_s);
                   EXPECT_TRUE(X11::Key(Keys));
               });
        EXPECT_TRUE(X11::Key(u"space"_s));
        X11::Flush();
    };
    zoomTo(u"Down Down Down Down Down Return"_s);
    EXPECT_EQ(form->ZoomMode, 0);
    EXPECT_DOUBLE_EQ(form->Zoom, 0.5);
    EXPECT_EQ(form->ZoomBtn->GetCaption(), u"50%"_s);
    shot(u"preview-50"_s);
    zoomTo(u"Up Return"_s);
    EXPECT_EQ(form->ZoomMode, 3);
    EXPECT_EQ((*form->Pages)[0]->pgRect.Top, (*form->Pages)[1]->pgRect.Top);
    shot(u"preview-two-pages"_s);

    // The wheel scrolls down (one small step a notch) and the down key one more.
    form->SetZoom(100);
    ASSERT_TRUE(X11::Key(u"ctrl+Home"_s));
    const int before = form->VScrollBar->GetPosition();
    ASSERT_TRUE(X11::Wheel(form->PBox->GetHandle(), QPoint(300, 300), 3));
    EXPECT_EQ(form->VScrollBar->GetPosition(), before + 3 * form->VScrollBar->SmallChange);
    ASSERT_TRUE(X11::Key(u"Down"_s));
    EXPECT_EQ(form->VScrollBar->GetPosition(), before + 4 * form->VScrollBar->SmallChange);

    // Search for Cyrillic text typed on the Ukrainian layout: the first occurrence on page 1,
    // F3 the next one on page 3.
    inNext([] { return activeModal<TfrPreviewSearchForm>() != nullptr; },
           [&] {
               X11::SetLayout(u"ua"_s);
               EXPECT_TRUE(X11::Type(u"іваненко"_s));
               shot(u"preview-search"_s);
               EXPECT_TRUE(X11::Key(u"Return"_s));
           });
    ASSERT_TRUE(X11::Key(u"ctrl+f"_s));
    X11::SetLayout(u"us"_s);
    X11::Flush();
    EXPECT_EQ(form->FindStr, u"ІВАНЕНКО"_s);
    EXPECT_EQ(form->CurPage, 1);
    EXPECT_EQ(form->FoundPage, 0);
    shot(u"preview-found"_s);
    ASSERT_TRUE(X11::Key(u"F3"_s));
    EXPECT_EQ(form->CurPage, 3);
    EXPECT_EQ(form->FoundPage, 2);
    shot(u"preview-found-next"_s);

    // Printing to PDF: the print dialog lists the PDF printer; its file name is asked through
    // the user-interaction service.
    QTemporaryDir dir;
    const QString pdf = dir.filePath(u"список.pdf"_s);
    TScriptedInteraction ui;
    TUserInteractionSwap swap(&ui);
    ui.AnswerFile(pdf);
    QStringList printers;
    inNext([] { return activeModal<TfrPrintForm>() != nullptr; },
           [&] {
               TfrPrintForm* dlg = activeModal<TfrPrintForm>();
               for (int i = 0; i < dlg->CB1->GetItems()->Count(); ++i)
                   printers << dlg->CB1->GetItems()->Get(i);
               shot(u"preview-print-dialog"_s);
               EXPECT_TRUE(X11::Key(u"Return"_s));
           });
    // The job runs in the progress window, inside the key's handling. Ctrl+P works under the
    // Ukrainian layout too, where the P key types "з". (A Latin "p" sent while that layout is
    // on goes through a spare key code the toolkit's key map does not know: it arrives as no
    // key at all, which no user's keyboard sends.)
    X11::SetLayout(u"ua"_s);
    ASSERT_TRUE(X11::XDoTool({u"key"_s, u"ctrl+Cyrillic_ze"_s}));
    ASSERT_TRUE(
        X11::WaitFor([&] { return QFile(pdf).size() > 0 && form->AllPages() == 3; }, 20000));
    X11::SetLayout(u"us"_s);
    EXPECT_EQ(printers, QStringList{TPrinter::PdfPrinterName()});
    ASSERT_EQ(ui.Asked.size(), 1u);
    EXPECT_EQ(ui.Asked[0].Kind, TScriptedInteraction::kFileDialog);
    EXPECT_EQ(pdftools::info(pdf, u"Pages"_s), u"3"_s);
    EXPECT_TRUE(pdftools::info(pdf, u"Page size"_s).startsWith(u"595"_s)) << "A4";
    const TProgramRun text = RunProgram(u"pdftotext"_s, {pdf, u"-"_s}, {}, 30000);
    ASSERT_TRUE(text.Finished);
    const QString printed = QString::fromUtf8(text.Out);
    EXPECT_TRUE(printed.contains(u"Їжакевич Єва Ґонтівна"_s)) << printed.toStdString();
    EXPECT_LT(printed.indexOf(u"аркуш 1"_s), printed.indexOf(u"аркуш 3"_s));
    const QString keep = qEnvironmentVariable("KADRION_SCREENSHOT_DIR");
    if (!keep.isEmpty()) QFile::copy(pdf, QDir(keep).filePath(u"preview-print.pdf"_s));

    // Saved with Ctrl+S (a .frp whatever the name's extension) and opened again with Ctrl+O:
    // the view starts over on page 1.
    const QString frp = dir.filePath(u"список.frp"_s);
    ui.AnswerFile(dir.filePath(u"список.txt"_s));
    ASSERT_TRUE(X11::Key(u"ctrl+s"_s));
    ASSERT_TRUE(QFile::exists(frp));
    form->SetPage(3);
    ui.AnswerFile(frp);
    ASSERT_TRUE(X11::Key(u"ctrl+o"_s));
    EXPECT_EQ(ui.Asked.size(), 3u);
    EXPECT_EQ(form->AllPages(), 3);
    EXPECT_EQ(form->Label1->GetCaption(), u"Стор. 1/3"_s);
    shot(u"preview-opened"_s);

    // Escape closes the window.
    ASSERT_TRUE(X11::Key(u"Escape"_s));
    EXPECT_TRUE(X11::WaitFor([&] { return !form->GetVisible(); }));
}

// Page setup from its tool-bar button: landscape, the margins typed on the Ukrainian layout with
// a decimal comma (a word first, which is refused with a message); OK builds the report again
// on the paper as turned, with the margins, and shows it from page 1.
TEST_F(PreviewOnX11, PageSetupFromItsButtonBuildsThePagesAgain) {
    DeviceModeKeeper keep;
    page->Clear(); // the fixture's memos: this report is built from its own template
    for (int& m : page->pgMargins)
        m = 36; // 10 mm
    addBand(page, btReportTitle, 0, 700, 30);
    TfrMemoView* title = memo(36, 0, 640, 30, u"СПИСОК ПРАЦІВНИКІВ"_s);
    title->Font.Size = 16;
    title->Font.Style = frfsBold;
    addBand(page, btMasterData, 40, 700, 30, u"60"_s);
    memo(36, 40, 640, 24, u"[LINE#]. Коваленко Ґанна Їжаківна, інженер"_s)->FrameTyp = 15;
    ASSERT_TRUE(report->PrepareReport());
    const int portraitPages = report->EMFPages.Count();

    frLastZoom() = {1.0, 2};
    form = new TfrPreviewForm(nullptr);
    form->Options.ModalPreview = false;
    form->Options.PreviewButtons.Include(pbPageSetup);
    form->ShowReport(report.get());
    ASSERT_TRUE(X11::WaitActive(form->GetHandle()));
    X11::Flush();
    ASSERT_TRUE(form->PageSetupBtn->GetVisible());
    ASSERT_TRUE(form->PageSetupBtn->GetEnabled());
    shot(u"page-setup-before"_s);

    auto typeInto = [](QLineEdit* Field, const QString& Text) {
        EXPECT_TRUE(X11::Click(Field, Field->rect().center()));
        EXPECT_TRUE(X11::Key(u"End shift+Home"_s));
        EXPECT_TRUE(X11::Type(Text));
    };
    QString refusal;
    inNext([] { return dynamic_cast<TPageSetupDlg*>(QApplication::activeModalWidget()); },
           [&] {
               auto* dlg = dynamic_cast<TPageSetupDlg*>(QApplication::activeModalWidget());
               EXPECT_EQ(dlg->Margin[0]->text(), u"10"_s);
               EXPECT_TRUE(X11::WaitActive(dlg));
               shot(u"page-setup-dialog"_s);
               EXPECT_TRUE(X11::Click(dlg->Landscape, QPoint(8, dlg->Landscape->height() / 2)));
               X11::SetLayout(u"ua"_s);
               typeInto(dlg->Margin[0], u"двадцять"_s);
               inNext([] { return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); },
                      [&] {
                          auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                          refusal = box->text();
                          EXPECT_TRUE(X11::WaitActive(box));
                          shot(u"page-setup-refused"_s);
                          EXPECT_TRUE(X11::XDoTool({u"key"_s, u"Return"_s}));
                      });
               // The message box opens while the key is handled and the dialog beneath it
               // never sees the key's release: sent without waiting for it.
               EXPECT_TRUE(X11::XDoTool({u"key"_s, u"Return"_s}));
               EXPECT_TRUE(
                   X11::WaitFor([&] { return !refusal.isEmpty() && dlg->isActiveWindow(); }));
               EXPECT_TRUE(dlg->isVisible()) << "the dialog stays for a mended value";
               // the refused field holds the focus with its text selected, to be typed over
               EXPECT_TRUE(dlg->Margin[0]->hasFocus());
               EXPECT_EQ(dlg->Margin[0]->selectedText(), u"двадцять"_s);
               typeInto(dlg->Margin[0], u"25,5"_s);
               typeInto(dlg->Margin[1], u"20"_s);
               typeInto(dlg->Margin[2], u"15"_s);
               typeInto(dlg->Margin[3], u"12,5"_s);
               shot(u"page-setup-typed"_s);
               EXPECT_TRUE(X11::Key(u"Return"_s));
           });
    ASSERT_TRUE(
        X11::Click(form->ToolBar->GetHandle(),
                   QPoint(form->PageSetupBtn->GetLeft() + 20,
                          form->PageSetupBtn->GetTop() + form->PageSetupBtn->GetHeight() / 2)));
    X11::SetLayout(u"us"_s);
    ASSERT_TRUE(X11::WaitFor(
        [&] { return form->AllPages() > 0 && (*form->Pages)[0]->pgOr == poLandscape; }, 20000));
    X11::Flush();
    EXPECT_TRUE(refusal.contains(u"«Ліве»: «двадцять»"_s)) << refusal.toStdString();
    const TfrPageInfo* p = (*form->Pages)[0];
    // 25,5 mm is 91.8 page units, 12,5 mm 45.
    EXPECT_EQ(std::vector<int>(p->pgMargins, p->pgMargins + 4), (std::vector<int>{92, 72, 54, 45}));
    EXPECT_EQ(p->pgWidth, 2970);
    EXPECT_EQ(p->pgHeight, 2100);
    EXPECT_GT(form->AllPages(), portraitPages) << "fewer rows a page across";
    EXPECT_EQ(form->Label1->GetCaption(), u"Стор. 1/%1"_s.arg(form->AllPages()));
    shot(u"page-setup-rebuilt"_s);
}

} // namespace
