// The engine's printer: the virtual printer's papers and metrics, the platform's printers
// behind it, and paper changes inside one print job.
#include "ViewFixture.h"

#include "PdfTools.h"

#include <QDir>
#include <QPrinter>
#include <QTemporaryDir>
#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace {

class PrinterTest : public ViewTest {
protected:
    void TearDown() override {
        SetPrintQueueSource([] { return std::vector<TPrintQueue>(); });
        ViewTest::TearDown();
    }
};

TEST_F(PrinterTest, VirtualPrinterMetricsInPageUnits) {
    TfrPrinter p;
    p.AttachPrinter(nullptr);
    const struct {
        int code;
        TPrinterOrientation orientation;
        int width, height; // asked for (custom sizes only)
        int paperWidth, paperHeight, pageWidth, pageHeight;
    } cases[] = {
        {DMPAPER_A4, poPortrait, 0, 0, 2100, 2970, 758, 1071},
        {DMPAPER_A4, poLandscape, 0, 0, 2970, 2100, 1071, 758},
        {DMPAPER_A5, poPortrait, 0, 0, 1480, 2100, 534, 758},
        {DMPAPER_LETTER, poPortrait, 0, 0, 2159, 2794, 779, 1008},
        {DMPAPER_A3, poLandscape, 0, 0, 4200, 2970, 1515, 1071},
        {35, poPortrait, 0, 0, 1760, 1250, 635, 451}, // Envelope B6 is wider than tall
        {frCustomPaper, poPortrait, 1000, 500, 1000, 500, 361, 180},
        {frCustomPaper, poLandscape, 1000, 500, 1000, 500, 361, 180}, // kept as asked
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.code << " " << c.orientation);
        p.ChangeSettings(c.code, c.width, c.height, true, c.orientation, frDefaultBin);
        EXPECT_EQ(p.PaperWidth, c.paperWidth);
        EXPECT_EQ(p.PaperHeight, c.paperHeight);
        TfrPageMetrics m;
        p.GetPageMetrics(m);
        EXPECT_EQ(m.PageWidth, c.pageWidth);
        EXPECT_EQ(m.PageHeight, c.pageHeight);
        EXPECT_EQ(m.OffsetX, 18) << "a 5 mm margin";
        EXPECT_EQ(m.OffsetY, 18);
        EXPECT_EQ(m.PrintableWidth, c.pageWidth - 36);
        EXPECT_EQ(m.PrintableHeight, c.pageHeight - 36);
        EXPECT_EQ(m.DevPageWidth, 0) << "the virtual printer has no device pixels";
    }
}

TEST_F(PrinterTest, VirtualPaperTable) {
    TfrPrinter p;
    p.AttachPrinter(nullptr);
    ASSERT_EQ(p.PaperSizesNum, 67);
    ASSERT_EQ(p.PaperNames.Count(), 67);
    const struct {
        int index, code, width, height;
        QString name;
    } rows[] = {
        {0, 1, 2159, 2794, u"Letter"_s},
        {8, 9, 2100, 2970, u"A4"_s},
        {46, 47, 2200, 2200, {}},
        {47, 50, 2355, 3048, {}},
        {63, 66, 4200, 5940, u"A2"_s},
        {65, 68, 3220, 4450, {}},
        {66, 256, 0, 0, {}},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(p.PaperSizes[r.index], r.code);
        EXPECT_EQ(frVirtualPaper(r.index).Width, r.width);
        EXPECT_EQ(frVirtualPaper(r.index).Height, r.height);
        if (!r.name.isEmpty()) {
            EXPECT_EQ(p.PaperNames[r.index], r.name);
        }
    }
    EXPECT_EQ(p.BinNames.Count(), 1);
    EXPECT_EQ(p.Bins[0], frDefaultBin);
}

TEST_F(PrinterTest, WithoutPrintersOnlyTheVirtualOne) {
    TfrPrinter p;
    p.AttachPrinter(nullptr);
    EXPECT_EQ(p.Printers.ToStringList(), QStringList{u"Віртуальний принтер"_s});
    EXPECT_EQ(p.PrinterIndex, 0);
    EXPECT_EQ(p.VirtualIndex, 0);
    TfrPageMetrics m;
    p.GetPageMetrics(m);
    EXPECT_EQ(std::pair(m.PageWidth, m.PageHeight), std::pair(758, 1071));
}

TEST_F(PrinterTest, SameSettingsAndForcing) {
    TfrPrinter p;
    p.AttachPrinter(nullptr);
    p.ChangeSettings(frCustomPaper, 1000, 500, true, poPortrait, frDefaultBin);
    const struct {
        int code, width, height;
        TPrinterOrientation orientation;
        int bin;
        bool same;
    } cases[] = {
        {frCustomPaper, 1000, 500, poPortrait, frDefaultBin, true},
        {frCustomPaper, 1001, 499, poPortrait, 7, true}, // a tenth of a mm off; bin not compared
        {frCustomPaper, 1002, 500, poPortrait, frDefaultBin, false},
        {frCustomPaper, 1000, 500, poLandscape, frDefaultBin, false},
        {DMPAPER_A4, 1000, 500, poPortrait, frDefaultBin, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(p.SameSettings(c.code, c.width, c.height, c.orientation, c.bin), c.same)
            << c.width << " " << c.bin;

    p.ChangeSettings(DMPAPER_A4, 0, 0, true, poPortrait, -1);
    EXPECT_TRUE(p.SameSettings(DMPAPER_A4, 1, 2, poPortrait, frDefaultBin))
        << "a standard paper's size is not compared";
    EXPECT_FALSE(p.SameSettings(DMPAPER_A4, 0, 0, poPortrait, 7));
    p.PaperWidth = 1; // a change the wrapper does not know of
    p.ChangeSettings(DMPAPER_A4, 2100, 2970, false, poPortrait, -1);
    EXPECT_EQ(p.PaperWidth, 1) << "the same settings are not applied again";
    p.ChangeSettings(DMPAPER_A4, 2100, 2970, true, poPortrait, -1);
    EXPECT_EQ(p.PaperWidth, 2100) << "unless forced";
}

TEST_F(PrinterTest, ThePlatformPrintersComeFirst) {
    TfrPrinter* p = frGlobalPrinter();
    EXPECT_EQ(p->Printers.ToStringList(), (QStringList{u"PDF"_s, u"Віртуальний принтер"_s}));
    EXPECT_EQ(p->PrinterIndex, 0);
    EXPECT_EQ(p->VirtualIndex, 1);
    // The PDF printer: 600 pixels to the inch, no unprintable edges. Sizes read back from the
    // device come out as asked, to the tenth of a millimetre.
    p->ChangeSettings(DMPAPER_A4, 0, 0, true, poPortrait, -1);
    EXPECT_EQ(std::pair(p->PaperWidth, p->PaperHeight), std::pair(2100, 2970));
    TfrPageMetrics m;
    p->GetPageMetrics(m);
    EXPECT_EQ(m.DevPageWidth, qRound(210 / 25.4 * 600));
    EXPECT_EQ(m.DevPageHeight, qRound(297 / 25.4 * 600));
    const double k = frUnitsPerInch / 600;
    EXPECT_EQ(m.PageWidth, int(std::nearbyint(m.DevPageWidth * k)));
    EXPECT_EQ(m.PageHeight, int(std::nearbyint(m.DevPageHeight * k)));
    EXPECT_EQ(m.DevOffsetX, 0);
    EXPECT_EQ(m.PrintableWidth, m.PageWidth);
    EXPECT_EQ(m.DevPrintableHeight, m.DevPageHeight);

    p->ChangeSettings(DMPAPER_A5, 0, 0, false, poLandscape, -1);
    EXPECT_EQ(std::pair(p->PaperWidth, p->PaperHeight), std::pair(2100, 1480));
    p->ChangeSettings(frCustomPaper, 2000, 1000, false, poLandscape, -1);
    EXPECT_EQ(p->PaperSize, frCustomPaper);
    EXPECT_EQ(std::pair(p->PaperWidth, p->PaperHeight), std::pair(2000, 1000))
        << "a custom size comes out as asked, turned or not";
    p->ChangeSettings(frCustomPaper, 1000, 2000, false, poPortrait, -1);
    EXPECT_EQ(std::pair(p->PaperWidth, p->PaperHeight), std::pair(1000, 2000));

    p->SelectPrinter(p->VirtualIndex);
    EXPECT_TRUE(p->IsVirtual());
    EXPECT_EQ(p->PaperSizesNum, 67);
}

TEST_F(PrinterTest, AQueueWithBinsAndUnprintableEdges) {
    SetPrintQueueSource([] {
        TPrintQueue q;
        q.Name = u"Kadry"_s;
        q.PageSizes = {QPageSize(QPageSize::A4), QPageSize(QPageSize::A5)};
        q.DefaultPageSize = QPageSize(QPageSize::A4);
        q.Resolution = 300;
        q.Sources = {int(QPrinter::Lower), int(QPrinter::Manual)};
        q.Margins = QMarginsF(12, 12, 12, 12); // points: 50 pixels at 300 dpi
        return std::vector<TPrintQueue>{q};
    });
    TPrinter platform;
    TfrPrinter p;
    p.AttachPrinter(&platform);
    ASSERT_EQ(p.Printers.ToStringList(),
              (QStringList{u"Kadry"_s, u"PDF"_s, u"Віртуальний принтер"_s}));
    p.SelectPrinter(0);
    EXPECT_EQ(p.PaperSizesNum, 2);
    EXPECT_EQ(p.BinNames.ToStringList(),
              (QStringList{u"Автоматичний вибір"_s, u"Lower tray"_s, u"Manual feed"_s}));
    EXPECT_EQ(p.BinsNum, 3);
    EXPECT_EQ(p.Bins[2], DMBIN_MANUAL);

    p.ChangeSettings(DMPAPER_A4, 0, 0, true, poPortrait, DMBIN_MANUAL);
    EXPECT_EQ(platform.GetDeviceMode().dmDefaultSource, DMBIN_MANUAL);
    EXPECT_EQ(p.Bin, DMBIN_MANUAL);
    p.ChangeSettings(DMPAPER_A4, 0, 0, true, poPortrait, -1);
    EXPECT_EQ(platform.GetDeviceMode().dmDefaultSource, DMBIN_MANUAL)
        << "the default source is never written to the device";

    TfrPageMetrics m;
    p.GetPageMetrics(m);
    const double k = frUnitsPerInch / 300;
    EXPECT_EQ(m.DevOffsetX, 50);
    EXPECT_EQ(m.DevPrintableWidth, m.DevPageWidth - 100);
    EXPECT_EQ(m.OffsetX, 15);
    EXPECT_EQ(m.PageWidth, int(std::nearbyint(m.DevPageWidth * k)));
    EXPECT_EQ(m.PrintableWidth, int(std::nearbyint(m.DevPrintableWidth * k)));
    EXPECT_EQ(m.PrintableHeight, int(std::nearbyint(m.DevPrintableHeight * k)));
}

TEST_F(PrinterTest, PaperChangesBetweenThePagesOfOneJob) {
    QTemporaryDir dir;
    const QString file = dir.filePath(u"job.pdf"_s);
    TPrinter* platform = Printer();
    platform->SetFileName(file);
    TfrPrinter* p = frGlobalPrinter();
    ASSERT_EQ(p->PrinterIndex, 0);
    p->ChangeSettings(DMPAPER_A4, 0, 0, true, poPortrait, -1);
    platform->BeginDoc();
    platform->GetCanvas()->TextOut(100, 100, u"Сторінка А4"_s);
    p->ChangeSettings(DMPAPER_A5, 0, 0, false, poLandscape, -1);
    EXPECT_GT(p->PaperWidth, p->PaperHeight);
    platform->NewPage();
    platform->GetCanvas()->TextOut(100, 100, u"Сторінка А5"_s);
    platform->EndDoc();
    platform->SetFileName(QString());

    EXPECT_EQ(pdftools::info(file, u"Pages"_s), u"2"_s) << "one job, one file";
    const auto sizes = pdftools::pageSizes(file, 2);
    ASSERT_EQ(sizes.size(), 2u);
    EXPECT_NEAR(sizes[0].width(), 595.3, 0.5);
    EXPECT_NEAR(sizes[0].height(), 841.9, 0.5);
    EXPECT_NEAR(sizes[1].width(), 595.3, 0.5) << "A5 turned: 210 x 148 mm";
    EXPECT_NEAR(sizes[1].height(), 419.5, 0.5);
    const QString text = pdftools::text(file);
    EXPECT_LT(text.indexOf(u"Сторінка А4"_s), text.indexOf(u"Сторінка А5"_s));
}

TEST_F(PrinterTest, ThePrinterSettingsDialogChangesThePaper) {
    TfrPrinter* p = frGlobalPrinter();
    TPrinter* platform = Printer();
    p->ChangeSettings(DMPAPER_A4, 0, 0, true, poPortrait, -1);
    bool answer = false;
    platform->OnSetupDialog = [&](TPrinter*, int&, TDeviceMode& Mode) {
        Mode.dmFields = DM_PAPERSIZE | DM_ORIENTATION;
        Mode.dmPaperSize = DMPAPER_A5;
        Mode.dmOrientation = DMORIENT_LANDSCAPE;
        return answer;
    };
    EXPECT_FALSE(p->ShowPropertiesDialog());
    EXPECT_EQ(p->PaperSize, DMPAPER_A4) << "cancelled";
    answer = true;
    EXPECT_TRUE(p->ShowPropertiesDialog());
    EXPECT_EQ(p->PaperSize, DMPAPER_A5);
    EXPECT_EQ(p->Orientation, poLandscape);
    EXPECT_EQ(std::pair(p->PaperWidth, p->PaperHeight), std::pair(2100, 1480));
    p->SelectPrinter(p->VirtualIndex);
    EXPECT_FALSE(p->ShowPropertiesDialog()) << "the virtual printer has no dialog";
    platform->OnSetupDialog = nullptr;
}

} // namespace
