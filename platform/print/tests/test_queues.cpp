// Printers made from print queues, with a queue list given by the test (the machine has none).
#include "Printers.h"

#include <QPrinter>
#include <gtest/gtest.h>

namespace {

std::vector<TPrintQueue> twoQueues() {
    TPrintQueue laser;
    laser.Name = QStringLiteral("Бухгалтерія");
    laser.Driver = QStringLiteral("Laser 1200");
    laser.PageSizes = {QPageSize(QPageSize::A4), QPageSize(QPageSize::A5),
                       QPageSize(QPageSize::Letter),
                       QPageSize(QSizeF(200, 300), QPageSize::Millimeter,
                                 QStringLiteral("Бланк 200x300"), QPageSize::ExactMatch)};
    laser.DefaultPageSize = QPageSize(QPageSize::A4);
    laser.Resolution = 300;
    laser.Copies = true;
    laser.Sources = {QPrinter::Auto, QPrinter::Lower, QPrinter::Manual, QPrinter::Auto};
    laser.Margins = QMarginsF(12, 12, 12, 12);

    TPrintQueue office;
    office.Name = QStringLiteral("Кадри");
    office.Default = true;
    office.PageSizes = {QPageSize(QPageSize::A4)};
    office.DefaultPageSize = QPageSize(QPageSize::A4);
    office.CustomSizes = false;
    office.Resolution = 600;
    office.Copies = false;
    office.MinimumMargins = [](const QPageSize&, bool Landscape) {
        return Landscape ? QMarginsF(36, 18, 36, 18) : QMarginsF(18, 36, 18, 36);
    };
    TPrintQueue pdf;
    pdf.Name = QStringLiteral("pdf");
    return {laser, office, pdf};
}

class QueueTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous = SetPrintQueueSource([this] { return queues; });
        printer = std::make_unique<TPrinter>();
    }
    void TearDown() override {
        printer.reset();
        SetPrintQueueSource(previous);
    }
    std::vector<TPrintQueue> queues = twoQueues();
    TPrintQueueSource previous;
    std::unique_ptr<TPrinter> printer;
};

} // namespace

TEST_F(QueueTest, QueuesComeFirstAndTheDefaultOneIsCurrent) {
    // A queue named like the PDF printer is told apart from it.
    EXPECT_EQ(printer->GetPrinters()->ToStringList(),
              (QStringList{QStringLiteral("Бухгалтерія"), QStringLiteral("Кадри"),
                           QStringLiteral("pdf (CUPS)"), QStringLiteral("PDF")}));
    EXPECT_EQ(printer->GetPdfIndex(), 3);
    EXPECT_EQ(printer->GetPrinterIndex(), 1);
    printer->SetPrinterIndex(0);
    printer->SetPrinterIndex(-1);
    EXPECT_EQ(printer->GetPrinterIndex(), 1);
    QString device, driver, port;
    printer->SetPrinterIndex(0);
    printer->GetPrinter(device, driver, port);
    EXPECT_EQ(device, QStringLiteral("Бухгалтерія"));
    EXPECT_EQ(driver, QStringLiteral("Laser 1200"));
}

TEST_F(QueueTest, PapersBinsAndCopiesOfAQueue) {
    printer->SetPrinterIndex(0);
    std::vector<int> codes;
    for (const TPaperInfo& p : printer->GetPapers())
        codes.push_back(p.Code);
    // A paper without a platform code gets a driver code above DMPAPER_USER.
    EXPECT_EQ(codes, (std::vector<int>{DMPAPER_A4, DMPAPER_A5, DMPAPER_LETTER, 257}));
    const TPaperInfo& form = printer->GetPapers().back();
    EXPECT_EQ(form.Name, QStringLiteral("Бланк 200x300"));
    EXPECT_EQ(form.Width, 2000);
    EXPECT_EQ(form.Height, 3000);

    std::vector<int> bins;
    for (const TBinInfo& b : printer->GetBins())
        bins.push_back(b.Code);
    EXPECT_EQ(bins, (std::vector<int>{DMBIN_AUTO, DMBIN_LOWER, DMBIN_MANUAL}));

    TDeviceMode m = printer->GetDeviceMode();
    EXPECT_EQ(m.dmFields & (DM_COPIES | DM_DEFAULTSOURCE), DM_COPIES | DM_DEFAULTSOURCE);
    EXPECT_EQ(m.dmDefaultSource, DMBIN_AUTO);
    EXPECT_EQ(m.dmPrintQuality, 300);
    EXPECT_TRUE(printer->GetCapabilities().Contains(pcCopies));

    struct Row {
        int Bin, WantBin, Copies, WantCopies, Paper, WantPaper;
    } rows[] = {
        {DMBIN_MANUAL, DMBIN_MANUAL, 3, 3, 257, 257},
        {DMBIN_ENVELOPE, DMBIN_MANUAL, 0, 1, DMPAPER_A3, 257}, // bin and paper refused
        {DMBIN_LOWER, DMBIN_LOWER, 2, 2, DMPAPER_A5, DMPAPER_A5},
    };
    for (const Row& r : rows) {
        m = printer->GetDeviceMode();
        m.dmDefaultSource = r.Bin;
        m.dmCopies = r.Copies;
        m.dmPaperSize = r.Paper;
        printer->SetDeviceMode(m);
        EXPECT_EQ(printer->GetDeviceMode().dmDefaultSource, r.WantBin);
        EXPECT_EQ(printer->GetCopies(), r.WantCopies);
        EXPECT_EQ(printer->GetDeviceMode().dmPaperSize, r.WantPaper);
    }
    printer->SetPrinterIndex(1);
    EXPECT_TRUE(printer->GetBins().empty());
    printer->SetCopies(5);
    EXPECT_EQ(printer->GetCopies(), 1);
    // No custom sizes on this queue.
    m = printer->GetDeviceMode();
    m.dmFields |= DM_PAPERWIDTH | DM_PAPERLENGTH;
    m.dmPaperWidth = 1000;
    m.dmPaperLength = 1000;
    printer->SetDeviceMode(m);
    EXPECT_EQ(printer->GetDeviceMode().dmPaperSize, DMPAPER_A4);
}

TEST_F(QueueTest, UnprintableEdgesGiveOffsetsAndPrintableArea) {
    struct Row {
        int Index;
        TPrinterOrientation Orientation;
        double Left, Top, Right, Bottom; // points
    } rows[] = {
        {0, poPortrait, 12, 12, 12, 12},
        {1, poPortrait, 18, 36, 18, 36},
        {1, poLandscape, 36, 18, 36, 18},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.Index * 10 + r.Orientation);
        printer->SetPrinterIndex(r.Index);
        printer->SetOrientation(r.Orientation);
        const int res = printer->GetDeviceCaps(LOGPIXELSX);
        auto dots = [res](double pt) { return int(std::lround(pt * res / 72)); };
        EXPECT_NEAR(printer->GetDeviceCaps(PHYSICALOFFSETX), dots(r.Left), 1);
        EXPECT_NEAR(printer->GetDeviceCaps(PHYSICALOFFSETY), dots(r.Top), 1);
        EXPECT_NEAR(printer->GetPageWidth(),
                    printer->GetDeviceCaps(PHYSICALWIDTH) - dots(r.Left) - dots(r.Right), 2);
        EXPECT_NEAR(printer->GetPageHeight(),
                    printer->GetDeviceCaps(PHYSICALHEIGHT) - dots(r.Top) - dots(r.Bottom), 2);
        EXPECT_EQ(printer->GetCanvas()->GetFont()->GetPixelsPerInch(), res);
    }
}

TEST_F(QueueTest, EachPrinterKeepsItsSettings) {
    printer->SetPrinterIndex(0);
    TDeviceMode m = printer->GetDeviceMode();
    m.dmPaperSize = DMPAPER_A5;
    m.dmOrientation = DMORIENT_LANDSCAPE;
    printer->SetDeviceMode(m);
    printer->SetPrinterIndex(1);
    EXPECT_EQ(printer->GetDeviceMode().dmPaperSize, DMPAPER_A4);
    EXPECT_EQ(printer->GetOrientation(), poPortrait);
    printer->SetPrinterIndex(0);
    EXPECT_EQ(printer->GetDeviceMode().dmPaperSize, DMPAPER_A5);
    EXPECT_EQ(printer->GetOrientation(), poLandscape);

    // A queue that went away leaves the PDF printer current; the others keep their settings.
    queues.erase(queues.begin() + 1);
    printer->SetPrinterIndex(1);
    EXPECT_EQ(printer->GetPrinters()->GetStrings(1), QStringLiteral("Кадри"));
    printer->Refresh();
    EXPECT_TRUE(printer->IsPdfPrinter());
    EXPECT_EQ(printer->GetPrinters()->Count(), 3);
    printer->SetPrinterIndex(0);
    EXPECT_EQ(printer->GetDeviceMode().dmPaperSize, DMPAPER_A5);
}
