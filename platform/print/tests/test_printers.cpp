#include "Dialogs.h"
#include "PdfTools.h"
#include "Printers.h"

#include <QFile>
#include <QPageSize>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Device pixels of a length in tenths of a millimetre.
int px(TPrinter& P, int Tenths) {
    return MulDiv(Tenths, P.GetDeviceCaps(LOGPIXELSX), 254);
}

class PrinterTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        printer.SetPrinterIndex(printer.GetPdfIndex());
        printer.OnAskFileName = [this](TPrinter*, QString& FileName) {
            proposals.push_back(FileName);
            if (answers.empty()) return false;
            FileName = answers.front();
            answers.erase(answers.begin());
            return true;
        };
    }
    QString file(const QString& Name) const { return dir.filePath(Name); }

    // A filled black square from 10 mm to 30 mm of the sheet, whatever the printable offsets;
    // with Opposite also one 10 mm from the bottom-right corner.
    void squareAt10mm(bool Opposite = false) {
        TCanvas* c = printer.GetCanvas();
        c->GetBrush()->SetColor(clBlack);
        int ox = printer.GetDeviceCaps(PHYSICALOFFSETX);
        int oy = printer.GetDeviceCaps(PHYSICALOFFSETY);
        int a = px(printer, 100), b = px(printer, 300);
        c->FillRect(TRect{a - ox, a - oy, b - ox, b - oy});
        if (!Opposite) return;
        int w = printer.GetDeviceCaps(PHYSICALWIDTH), h = printer.GetDeviceCaps(PHYSICALHEIGHT);
        c->FillRect(TRect{w - b - ox, h - b - oy, w - a - ox, h - a - oy});
    }

    QTemporaryDir dir;
    TPrinter printer;
    std::vector<QString> proposals;
    std::vector<QString> answers;
};

// The paper of a page as pdfinfo sees it, to a point.
void expectPageSize(const QSizeF& Got, double W, double H, int Page) {
    EXPECT_NEAR(Got.width(), W, 1.0) << "page " << Page;
    EXPECT_NEAR(Got.height(), H, 1.0) << "page " << Page;
}

} // namespace

TEST_F(PrinterTest, ListEndsWithTheAlwaysPresentPdfPrinter) {
    TStrings* list = printer.GetPrinters();
    ASSERT_GE(list->Count(), 1);
    EXPECT_EQ(list->GetStrings(list->Count() - 1), QStringLiteral("PDF"));
    EXPECT_EQ(printer.GetPdfIndex(), list->Count() - 1);
    EXPECT_TRUE(printer.IsPdfPrinter());
    QString device, driver, port;
    printer.GetPrinter(device, driver, port);
    EXPECT_EQ(device, QStringLiteral("PDF"));
    EXPECT_EQ(printer.GetDeviceMode().dmDeviceName, QStringLiteral("PDF"));
    EXPECT_THROW(printer.SetPrinterIndex(list->Count()), EPrinter);
    EXPECT_THROW(printer.SetPrinterIndex(-2), EPrinter);
    // The PDF printer: A4 portrait at 600 dpi, the whole sheet printable, no copies, no bins.
    TDeviceMode m = printer.GetDeviceMode();
    EXPECT_EQ(m.dmPaperSize, DMPAPER_A4);
    EXPECT_EQ(m.dmOrientation, DMORIENT_PORTRAIT);
    EXPECT_EQ(m.dmFields & (DM_PAPERSIZE | DM_ORIENTATION), DM_PAPERSIZE | DM_ORIENTATION);
    EXPECT_EQ(m.dmFields & (DM_COPIES | DM_DEFAULTSOURCE), 0u);
    EXPECT_TRUE(printer.GetBins().empty());
    EXPECT_FALSE(printer.GetCapabilities().Contains(pcCopies));
    EXPECT_EQ(printer.GetDeviceCaps(LOGPIXELSX), 600);
    EXPECT_EQ(printer.GetDeviceCaps(LOGPIXELSY), 600);
    EXPECT_EQ(printer.GetDeviceCaps(PHYSICALOFFSETX), 0);
    EXPECT_EQ(printer.GetPageWidth(), printer.GetDeviceCaps(PHYSICALWIDTH));
    EXPECT_EQ(printer.GetPapers().size(), StandardPapers().size());
}

TEST(PaperTable, PlatformCodesSizesAndQtPageSizes) {
    struct Row {
        int Code;
        const char* Name;
        int W, H;
        QPageSize::PageSizeId Qt;
    } rows[] = {
        {DMPAPER_LETTER, "Letter", 2159, 2794, QPageSize::Letter},
        {DMPAPER_LEGAL, "Legal", 2159, 3556, QPageSize::Legal},
        {DMPAPER_A3, "A3", 2970, 4200, QPageSize::A3},
        {DMPAPER_A4, "A4", 2100, 2970, QPageSize::A4},
        {DMPAPER_A5, "A5", 1480, 2100, QPageSize::A5},
        {DMPAPER_B4, "B4 (JIS)", 2500, 3540, QPageSize::JisB4},
        {DMPAPER_B5, "B5 (JIS)", 1820, 2570, QPageSize::JisB5},
        {DMPAPER_ENV_DL, "Envelope DL", 1100, 2200, QPageSize::EnvelopeDL},
    };
    for (const Row& r : rows) {
        const TPaperInfo* p = FindStandardPaper(r.Code);
        ASSERT_NE(p, nullptr) << r.Code;
        EXPECT_EQ(p->Name, QString::fromUtf8(r.Name));
        EXPECT_EQ(p->Width, r.W) << r.Code;
        EXPECT_EQ(p->Height, r.H) << r.Code;
        EXPECT_EQ(PaperCodeOfPageSize(QPageSize(r.Qt)), r.Code) << r.Name;
    }
    EXPECT_EQ(StandardPapers().size(), 67u);
    EXPECT_EQ(FindStandardPaper(DMPAPER_USER)->Width, 0);
    EXPECT_EQ(FindStandardPaper(48), nullptr);
    EXPECT_EQ(PaperCodeOfPageSize(QPageSize()), 0);
}

// What the device accepts of a device mode, and the metrics that follow, in tenths of a mm
// computed the way the report engine reads them back.
TEST_F(PrinterTest, DeviceModeAndMetricsOfPapers) {
    const uint32_t custom = DM_PAPERWIDTH | DM_PAPERLENGTH;
    struct Row {
        const char* What;
        uint32_t Fields;
        int Code, Width, Length, Orientation;
        int WantCode, WantW, WantH; // sheet as it lies, tenths of a mm
    } rows[] = {
        {"A4 portrait", DM_PAPERSIZE | DM_ORIENTATION, 9, 0, 0, 1, 9, 2100, 2970},
        {"A4 landscape", DM_PAPERSIZE | DM_ORIENTATION, 9, 0, 0, 2, 9, 2970, 2100},
        {"A3", DM_PAPERSIZE | DM_ORIENTATION, 8, 0, 0, 1, 8, 2970, 4200},
        {"A5 landscape", DM_PAPERSIZE | DM_ORIENTATION, 11, 0, 0, 2, 11, 2100, 1480},
        {"Letter", DM_PAPERSIZE | DM_ORIENTATION, 1, 0, 0, 1, 1, 2159, 2794},
        {"Legal", DM_PAPERSIZE, 5, 0, 0, 1, 5, 2159, 3556},
        {"custom", DM_PAPERSIZE | custom, 256, 1000, 1500, 1, 256, 1000, 1500},
        {"custom landscape", custom | DM_ORIENTATION, 256, 1000, 1500, 2, 256, 1500, 1000},
        {"custom wins over a code", custom | DM_PAPERSIZE, 9, 1200, 1800, 1, 256, 1200, 1800},
        // Refused requests keep the paper in force (A4 portrait from the previous row's reset).
        {"unknown code", DM_PAPERSIZE, 9999, 0, 0, 1, 9, 2100, 2970},
        {"user code without a size", DM_PAPERSIZE, 256, 0, 0, 1, 9, 2100, 2970},
        {"custom size of zero", custom, 256, 0, 1500, 1, 9, 2100, 2970},
        {"bad orientation", DM_ORIENTATION, 9, 0, 0, 7, 9, 2100, 2970},
        {"orientation not in the fields", DM_PAPERSIZE, 9, 0, 0, 2, 9, 2100, 2970},
    };
    const int res = printer.GetDeviceCaps(LOGPIXELSX);
    for (const Row& r : rows) {
        SCOPED_TRACE(r.What);
        TDeviceMode reset;
        reset.dmFields = DM_PAPERSIZE | DM_ORIENTATION;
        printer.SetDeviceMode(reset);
        TDeviceMode m = printer.GetDeviceMode();
        m.dmFields = r.Fields;
        m.dmPaperSize = r.Code;
        m.dmPaperWidth = r.Width;
        m.dmPaperLength = r.Length;
        m.dmOrientation = r.Orientation;
        printer.SetDeviceMode(m);
        TDeviceMode got = printer.GetDeviceMode();
        EXPECT_EQ(got.dmPaperSize, r.WantCode);
        EXPECT_EQ((got.dmFields & custom) == custom, r.WantCode == DMPAPER_USER);
        int w = int(std::lround(printer.GetDeviceCaps(PHYSICALWIDTH) * 254.0 / res));
        int h = int(std::lround(printer.GetDeviceCaps(PHYSICALHEIGHT) * 254.0 / res));
        EXPECT_NEAR(w, r.WantW, 3);
        EXPECT_NEAR(h, r.WantH, 3);
        EXPECT_EQ(printer.GetOrientation(), r.WantW > r.WantH ? poLandscape : poPortrait);
        EXPECT_EQ(printer.GetCanvas()->GetDeviceSize(),
                  (TSize{printer.GetPageWidth(), printer.GetPageHeight()}));
    }
    // Copies and bins the PDF printer does not have are not taken.
    TDeviceMode m = printer.GetDeviceMode();
    m.dmFields = DM_COPIES | DM_DEFAULTSOURCE;
    m.dmCopies = 3;
    m.dmDefaultSource = DMBIN_MANUAL;
    printer.SetDeviceMode(m);
    printer.SetCopies(4);
    EXPECT_EQ(printer.GetCopies(), 1);
    EXPECT_EQ(printer.GetDeviceMode().dmDefaultSource, 0);
    // Reading the queues again keeps the settings of the printers still there.
    TDeviceMode before = printer.GetDeviceMode();
    printer.Refresh();
    EXPECT_TRUE(printer.IsPdfPrinter());
    EXPECT_EQ(printer.GetDeviceMode(), before);
    printer.SetPrinterIndex(printer.GetPdfIndex());
    EXPECT_EQ(printer.GetDeviceMode(), before);
}

TEST_F(PrinterTest, CanvasFontsConvertWithThePrinterResolution) {
    TCanvas* c = printer.GetCanvas();
    EXPECT_EQ(c->GetFont()->GetPixelsPerInch(), 600);
    c->GetFont()->SetName(QStringLiteral("Arial"));
    c->GetFont()->SetSize(10);
    EXPECT_EQ(c->GetFont()->GetHeight(), -83);
    // Outside a job the canvas still measures (the platform's information context).
    int w = c->TextWidth(QStringLiteral("Прізвище"));
    EXPECT_GT(w, 200);
    EXPECT_LT(w, 600);
    EXPECT_EQ(printer.GetState(), psHandleIC);
}

// The document the issue asks for: three pages, the middle one in landscape, a Ukrainian line and
// a square 10 mm from the corner of every sheet.
TEST_F(PrinterTest, ThreePagesWithALandscapePageGoToOnePdfFile) {
    // The file name comes from the user-interaction service.
    printer.OnAskFileName = nullptr;
    TScriptedInteraction script;
    TUserInteractionSwap swap(&script);
    const QString target = file(QStringLiteral("картка.pdf"));
    script.AnswerFile(file(QStringLiteral("картка")));
    const QString line = QStringLiteral("Особова картка: Ґонта Їжак Євгенія Юріївна");
    printer.SetTitle(QStringLiteral("Особова картка"));
    printer.BeginDoc();
    ASSERT_TRUE(printer.GetPrinting());
    EXPECT_EQ(printer.GetState(), psHandleDC);
    ASSERT_EQ(script.Asked.size(), 1u);
    EXPECT_EQ(script.Last().Kind, TScriptedInteraction::kFileDialog);
    EXPECT_TRUE(script.Last().File.Save);
    EXPECT_EQ(script.Last().File.FileName, QStringLiteral("Особова картка.pdf"));
    EXPECT_TRUE(script.Last().File.Options.Contains(ofOverwritePrompt));
    TCanvas* c = printer.GetCanvas();
    for (int page = 1; page <= 3; ++page) {
        if (page > 1) {
            printer.SetOrientation(page == 2 ? poLandscape : poPortrait);
            printer.NewPage();
        }
        EXPECT_EQ(printer.GetPageNumber(), page);
        // The metrics and the canvas follow the sheet as it lies.
        EXPECT_EQ(printer.GetDeviceCaps(PHYSICALWIDTH) > printer.GetDeviceCaps(PHYSICALHEIGHT),
                  page == 2);
        EXPECT_EQ(c->GetDeviceSize().cx, printer.GetDeviceCaps(PHYSICALWIDTH));
        squareAt10mm(true);
        c->GetFont()->SetName(QStringLiteral("Arial"));
        c->GetFont()->SetSize(12);
        c->GetBrush()->SetStyle(bsClear);
        c->TextOut(px(printer, 400), px(printer, 500), line);
    }
    printer.EndDoc();
    EXPECT_FALSE(printer.GetPrinting());
    EXPECT_EQ(printer.GetJobFileName(), target);

    std::vector<QSizeF> sizes = pdftools::pageSizes(target, 3);
    ASSERT_EQ(sizes.size(), 3u);
    expectPageSize(sizes[0], 595, 842, 1);
    expectPageSize(sizes[1], 842, 595, 2);
    expectPageSize(sizes[2], 595, 842, 3);
    EXPECT_EQ(pdftools::info(target, QStringLiteral("Pages")), QStringLiteral("3"));
    EXPECT_EQ(pdftools::info(target, QStringLiteral("Title")), QStringLiteral("Особова картка"));
    EXPECT_EQ(pdftools::text(target).count(line), 3);
    for (int page = 1; page <= 3; ++page) {
        SCOPED_TRACE(page);
        QRect box = pdftools::darkBox(target, page, 0, 0, 380, 380, file(QStringLiteral("tl")));
        EXPECT_NEAR(box.left(), 100, 1);
        EXPECT_NEAR(box.top(), 100, 1);
        EXPECT_NEAR(box.right(), 299, 1);
        EXPECT_NEAR(box.bottom(), 299, 1);
        // The opposite corner of the sheet, in tenths of a mm from its right and bottom edges.
        int w = int(std::lround(sizes[size_t(page - 1)].width() * 254 / 72));
        int h = int(std::lround(sizes[size_t(page - 1)].height() * 254 / 72));
        box =
            pdftools::darkBox(target, page, w - 380, h - 380, 380, 380, file(QStringLiteral("br")));
        EXPECT_NEAR(w - box.left(), 300, 2);
        EXPECT_NEAR(h - box.top(), 300, 2);
        EXPECT_NEAR(w - 1 - box.right(), 100, 2);
        EXPECT_NEAR(h - 1 - box.bottom(), 100, 2);
    }
}

// Paper changes between pages of one document, by code and by custom size.
TEST_F(PrinterTest, PaperChangesBetweenPages) {
    struct Row {
        int Code, Width, Length, Orientation;
        double W, H; // points
    } rows[] = {
        {DMPAPER_A3, 0, 0, DMORIENT_PORTRAIT, 842, 1191},
        {DMPAPER_A5, 0, 0, DMORIENT_LANDSCAPE, 595, 420},
        {DMPAPER_USER, 1000, 1500, DMORIENT_PORTRAIT, 283.5, 425.2},
        {DMPAPER_LETTER, 0, 0, DMORIENT_PORTRAIT, 612, 792},
        {DMPAPER_LEGAL, 0, 0, DMORIENT_LANDSCAPE, 1008, 612},
    };
    const int pages = int(std::size(rows));
    printer.SetFileName(file(QStringLiteral("papers.pdf")));
    for (int i = 0; i < pages; ++i) {
        TDeviceMode m = printer.GetDeviceMode();
        m.dmFields = DM_PAPERSIZE | DM_ORIENTATION;
        if (rows[i].Code == DMPAPER_USER) m.dmFields |= DM_PAPERWIDTH | DM_PAPERLENGTH;
        m.dmPaperSize = rows[i].Code;
        m.dmPaperWidth = rows[i].Width;
        m.dmPaperLength = rows[i].Length;
        m.dmOrientation = rows[i].Orientation;
        printer.SetDeviceMode(m);
        if (i == 0)
            printer.BeginDoc();
        else
            printer.NewPage();
        squareAt10mm();
    }
    printer.EndDoc();
    EXPECT_TRUE(proposals.empty()); // a file name given beforehand is not asked for
    std::vector<QSizeF> sizes = pdftools::pageSizes(file(QStringLiteral("papers.pdf")), pages);
    ASSERT_EQ(int(sizes.size()), pages);
    for (int i = 0; i < pages; ++i)
        expectPageSize(sizes[size_t(i)], rows[i].W, rows[i].H, i + 1);
    QRect box = pdftools::darkBox(file(QStringLiteral("papers.pdf")), 3, 0, 0, 380, 380,
                                  file(QStringLiteral("custom")));
    EXPECT_NEAR(box.left(), 100, 1);
    EXPECT_NEAR(box.bottom(), 299, 1);
}

TEST_F(PrinterTest, JobStateErrors) {
    EXPECT_THROW(printer.NewPage(), EPrinter);
    EXPECT_THROW(printer.EndDoc(), EPrinter);
    EXPECT_THROW(printer.Abort(), EPrinter);

    printer.SetFileName(file(QStringLiteral("a.pdf")));
    printer.BeginDoc();
    EXPECT_THROW(printer.BeginDoc(), EPrinter);
    EXPECT_THROW(printer.SetPrinterIndex(printer.GetPdfIndex()), EPrinter);
    EXPECT_THROW(printer.Refresh(), EPrinter);
    EXPECT_THROW(printer.ExecuteSetupDialog(), EPrinter);
    printer.EndDoc();
    EXPECT_EQ(printer.GetPageNumber(), 0);
    EXPECT_TRUE(QFile::exists(file(QStringLiteral("a.pdf"))));
}

TEST_F(PrinterTest, CancelledFileQuestionStartsNothing) {
    EXPECT_THROW(printer.BeginDoc(), EAbort);
    EXPECT_EQ(proposals.size(), 1u);
    EXPECT_EQ(proposals[0], QStringLiteral("document.pdf"));
    EXPECT_FALSE(printer.GetPrinting());
    // The next job asks again and prints; a name without extension gets ".pdf".
    answers = {file(QStringLiteral("second"))};
    printer.BeginDoc();
    printer.EndDoc();
    EXPECT_EQ(proposals.size(), 2u);
    EXPECT_EQ(printer.GetJobFileName(), file(QStringLiteral("second.pdf")));
    EXPECT_TRUE(QFile::exists(file(QStringLiteral("second.pdf"))));
    // Every job asks anew: a chosen file is not reused silently.
    answers = {file(QStringLiteral("third.pdf"))};
    printer.BeginDoc();
    printer.EndDoc();
    EXPECT_EQ(proposals.size(), 3u);
    EXPECT_TRUE(QFile::exists(file(QStringLiteral("third.pdf"))));
}

TEST_F(PrinterTest, UnwritableFileRaisesAndLeavesThePrinterIdle) {
    printer.SetFileName(file(QStringLiteral("no/such/dir/x.pdf")));
    EXPECT_THROW(printer.BeginDoc(), EPrinter);
    EXPECT_FALSE(printer.GetPrinting());
    printer.SetFileName(file(QStringLiteral("ok.pdf")));
    printer.BeginDoc();
    printer.EndDoc();
    EXPECT_TRUE(QFile::exists(file(QStringLiteral("ok.pdf"))));
}

TEST_F(PrinterTest, AbortRemovesTheUnfinishedFile) {
    const QString target = file(QStringLiteral("aborted.pdf"));
    printer.SetFileName(target);
    printer.BeginDoc();
    squareAt10mm();
    printer.NewPage();
    printer.Abort();
    EXPECT_TRUE(printer.GetAborted());
    EXPECT_FALSE(printer.GetPrinting());
    EXPECT_FALSE(QFile::exists(target));
    printer.BeginDoc();
    EXPECT_FALSE(printer.GetAborted());
    printer.EndDoc();
    EXPECT_EQ(pdftools::info(target, QStringLiteral("Pages")), QStringLiteral("1"));
}

TEST_F(PrinterTest, SetupDialogAppliesTheAnswerOrNothing) {
    int askedIndex = -5;
    bool accept = false;
    printer.OnSetupDialog = [&](TPrinter*, int& Index, TDeviceMode& Mode) {
        askedIndex = Index;
        Mode.dmPaperSize = DMPAPER_A5;
        Mode.dmOrientation = DMORIENT_LANDSCAPE;
        return accept;
    };
    EXPECT_FALSE(printer.ExecuteSetupDialog());
    EXPECT_EQ(askedIndex, printer.GetPdfIndex());
    EXPECT_EQ(printer.GetDeviceMode().dmPaperSize, DMPAPER_A4);
    accept = true;
    EXPECT_TRUE(printer.ExecuteSetupDialog());
    EXPECT_EQ(printer.GetDeviceMode().dmPaperSize, DMPAPER_A5);
    EXPECT_EQ(printer.GetOrientation(), poLandscape);
}

// Without a hook of its own the setup goes to the service's print question (printer, copies).
TEST_F(PrinterTest, SetupDialogThroughTheService) {
    TScriptedInteraction script;
    TUserInteractionSwap swap(&script);
    script.AnswerCancel();
    EXPECT_FALSE(printer.ExecuteSetupDialog());
    TPrintDialogRequest answer;
    answer.PrinterIndex = printer.GetPdfIndex();
    answer.Copies = 2;
    script.AnswerPrint(answer);
    EXPECT_TRUE(printer.ExecuteSetupDialog());
    ASSERT_EQ(script.Asked.size(), 2u);
    EXPECT_EQ(script.Last().Kind, TScriptedInteraction::kPrintDialog);
    EXPECT_TRUE(printer.IsPdfPrinter());
    EXPECT_EQ(printer.GetCopies(), 1); // the PDF printer makes no copies
}

// Page setup: the request shows the device's paper, orientation and the caller's margins; an
// answer applies its paper and orientation and gives the margins back; a cancel or an answer
// whose margins leave no room (told to the user) changes nothing.
TEST_F(PrinterTest, PageSetupAppliesPaperOrientationAndMargins) {
    TScriptedInteraction script;
    TUserInteractionSwap swap(&script);
    const TDeviceMode before = printer.GetDeviceMode();
    TRect margins{2000, 1500, 1000, 1500};

    script.AnswerCancel();
    EXPECT_FALSE(printer.ExecutePageSetupDialog(margins));
    ASSERT_EQ(script.Asked.size(), 1u);
    const TPageSetupRequest asked = script.Last().Page;
    EXPECT_EQ(script.Last().Kind, TScriptedInteraction::kPageSetupDialog);
    EXPECT_EQ(asked.PrinterName, QStringLiteral("PDF"));
    ASSERT_GE(asked.PaperIndex, 0);
    EXPECT_EQ(asked.PaperSizes.value(asked.PaperIndex), QSize(2100, 2970));
    EXPECT_FALSE(asked.Landscape);
    EXPECT_EQ(asked.Margins, margins);
    const int a5 = int(asked.Papers.indexOf(FindStandardPaper(DMPAPER_A5)->Name));
    ASSERT_GE(a5, 0);

    // A5 is 148 mm wide; in landscape its height is 148 mm: 150 mm of margins do not fit.
    TPageSetupRequest tooWide = asked;
    tooWide.PaperIndex = a5;
    tooWide.Landscape = true;
    tooWide.Margins = TRect{1000, 7500, 1000, 7500};
    script.AnswerPageSetup(tooWide);
    EXPECT_FALSE(printer.ExecutePageSetupDialog(margins));
    EXPECT_EQ(script.Last().Kind, TScriptedInteraction::kMessageBox);
    EXPECT_TRUE(script.Last().Text.contains(QStringLiteral("висота аркуша 148 мм")))
        << script.Last().Text.toStdString();
    EXPECT_EQ(printer.GetDeviceMode(), before);
    EXPECT_EQ(margins, (TRect{2000, 1500, 1000, 1500}));

    TPageSetupRequest good = tooWide;
    good.Margins = TRect{1250, 1000, 1000, 1000};
    script.AnswerPageSetup(good);
    EXPECT_TRUE(printer.ExecutePageSetupDialog(margins));
    EXPECT_EQ(printer.GetDeviceMode().dmPaperSize, DMPAPER_A5);
    EXPECT_EQ(printer.GetOrientation(), poLandscape);
    EXPECT_EQ(margins, good.Margins);
    EXPECT_EQ(printer.GetDeviceCaps(PHYSICALWIDTH), px(printer, 2100));
}

TEST(ProcessPrinter, ReplaceableAndOwnOneByDefault) {
    TPrinter* own = Printer();
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(Printer(), own);
    TPrinter mine;
    EXPECT_EQ(SetPrinter(&mine), own);
    EXPECT_EQ(Printer(), &mine);
    EXPECT_EQ(SetPrinter(nullptr), &mine);
    EXPECT_EQ(Printer(), own);
}
