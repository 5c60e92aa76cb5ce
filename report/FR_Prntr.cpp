// The engine's printer over the platform printer, and the virtual printer's paper table.
#include "FR_Prntr.h"

#include <algorithm>
#include <cmath>

namespace {

// Rounds to the nearest whole number, ties to even; sizes a damaged file may ask for are kept
// within a range where page arithmetic cannot overflow.
int roundEven(double v) {
    constexpr double limit = 1e9;
    if (std::isnan(v)) return 0;
    return int(std::nearbyint(std::clamp(v, -limit, limit)));
}

// The bin codes that mean "the printer's default source".
int normalBin(int ABin) {
    return (ABin & 0xFFFF) == 0xFFFF ? frDefaultBin : ABin;
}

} // namespace

int frVirtualPaperCount() {
    return int(StandardPapers().size());
}

const TPaperInfo& frVirtualPaper(int Index) {
    return StandardPapers()[size_t(Index)];
}

TfrPrinter::TfrPrinter() {
    Printers.Add(frLoadStr(SVirtualPrinter));
    ApplySettings();
}

TfrPrinter::~TfrPrinter() = default;

void TfrPrinter::AttachPrinter(TPrinter* APrinter) {
    Printers.Clear();
    PrinterIndex = 0;
    Printer = APrinter;
    if (Printer && Printer->GetPrinters()->Count() > 0) {
        Printers.AddStrings(Printer->GetPrinters());
        PrinterIndex = Printer->GetPrinterIndex();
    }
    Printers.Add(frLoadStr(SVirtualPrinter));
    VirtualIndex = Printers.Count() - 1;
    if (PrinterIndex < 0 || PrinterIndex > VirtualIndex) PrinterIndex = VirtualIndex;
    if (IsVirtual())
        ApplySettings();
    else
        ReadDeviceSettings();
}

void TfrPrinter::SelectPrinter(int Index) {
    if (Index == PrinterIndex || Index < 0 || Index >= Printers.Count()) return;
    if (Printer && Printer->GetPrinting()) return; // not in the middle of a print job
    PrinterIndex = Index;
    if (IsVirtual()) {
        ApplySettings();
        return;
    }
    if (!Printer) {
        selectVirtual();
        return;
    }
    try {
        Printer->SetPrinterIndex(Index);
    } catch (const EPrinter&) {
        selectVirtual();
        return;
    }
    ReadDeviceSettings();
}

void TfrPrinter::selectVirtual() {
    PrinterIndex = VirtualIndex;
    ApplySettings();
}

bool TfrPrinter::SameSettings(int APaperSize, int APaperWidth, int APaperHeight,
                              TPrinterOrientation AOrientation, int ABin) const {
    if (APaperSize != PaperSize) return false;
    if (APaperSize == frCustomPaper)
        return std::abs(int64_t(APaperWidth) - PaperWidth) <= 1 &&
               std::abs(int64_t(APaperHeight) - PaperHeight) <= 1 && AOrientation == Orientation;
    const int bin = normalBin(ABin);
    return AOrientation == Orientation && (bin == Bin || bin == frDefaultBin);
}

void TfrPrinter::ChangeSettings(int APaperSize, int APaperWidth, int APaperHeight, bool Force,
                                TPrinterOrientation AOrientation, int ABin) {
    if (!Force && SameSettings(APaperSize, APaperWidth, APaperHeight, AOrientation, ABin)) return;
    PaperSize = APaperSize;
    PaperWidth = APaperWidth;
    PaperHeight = APaperHeight;
    Orientation = AOrientation;
    Bin = normalBin(ABin);
    ApplySettings();
}

int TfrPrinter::PaperIndex(int Code) const {
    for (int i = 0; i < PaperSizesNum; ++i)
        if (PaperSizes[i] == Code) return i;
    return -1;
}

int TfrPrinter::BinIndex(int Code) const {
    for (int i = 0; i < BinsNum; ++i)
        if (Bins[i] == Code) return i;
    return -1;
}

void TfrPrinter::ReadDeviceSettings() {
    if (IsVirtual() || !Printer) {
        if (!IsVirtual()) selectVirtual();
        return;
    }
    try {
        Printer->GetPrinter(Device, Driver, Port);
        const TDeviceMode mode = Printer->GetDeviceMode();
        PaperSize = mode.dmPaperSize;
        const int dpiX = Printer->GetDeviceCaps(LOGPIXELSX);
        const int dpiY = Printer->GetDeviceCaps(LOGPIXELSY);
        if (dpiX <= 0 || dpiY <= 0) throw EPrinter(QStringLiteral("No device resolution"));
        PaperWidth = roundEven(double(Printer->GetDeviceCaps(PHYSICALWIDTH)) / dpiX * 254);
        PaperHeight = roundEven(double(Printer->GetDeviceCaps(PHYSICALHEIGHT)) / dpiY * 254);

        const std::vector<TPaperInfo>& papers = Printer->GetPapers();
        PaperSizesNum = std::min(int(papers.size()), MaxPapers);
        PaperNames.Clear();
        for (int i = 0; i < PaperSizesNum; ++i) {
            PaperSizes[i] = uint16_t(papers[size_t(i)].Code);
            PaperNames.Add(papers[size_t(i)].Name);
        }

        const std::vector<TBinInfo>& bins = Printer->GetBins();
        Bin = bins.empty() ? frDefaultBin : normalBin(mode.dmDefaultSource);
        BinNames.Clear();
        BinNames.Add(frLoadStr(SDefaultBin));
        Bins[0] = frDefaultBin;
        BinsNum = 1;
        for (size_t i = 0; i < bins.size() && BinsNum < MaxBins; ++i) {
            Bins[BinsNum++] = uint16_t(bins[i].Code);
            BinNames.Add(bins[i].Name);
        }
        Orientation = mode.dmOrientation == DMORIENT_PORTRAIT ? poPortrait : poLandscape;
    } catch (const std::exception&) {
        selectVirtual();
    }
}

void TfrPrinter::ApplySettings() {
    if (!IsVirtual() && Printer) {
        const TDeviceMode current = Printer->GetDeviceMode();
        const uint32_t accepts = current.dmFields;
        TDeviceMode request = current;
        request.dmFields = 0;
        if (PaperSize == frCustomPaper) {
            // The device mode gives the sheet as fed: the orientation turns it.
            const bool landscape = Orientation == poLandscape;
            request.dmFields |= DM_PAPERWIDTH | DM_PAPERLENGTH;
            request.dmPaperWidth = landscape ? PaperHeight : PaperWidth;
            request.dmPaperLength = landscape ? PaperWidth : PaperHeight;
        } else if (accepts & DM_PAPERSIZE) {
            request.dmFields |= DM_PAPERSIZE;
            request.dmPaperSize = PaperSize;
        }
        if (accepts & DM_ORIENTATION) {
            request.dmFields |= DM_ORIENTATION;
            request.dmOrientation =
                Orientation == poLandscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
        }
        if (accepts & DM_COPIES) {
            request.dmFields |= DM_COPIES;
            request.dmCopies = 1;
        }
        if ((accepts & DM_DEFAULTSOURCE) && Bin >= 0 && Bin < frDefaultBin) {
            request.dmFields |= DM_DEFAULTSOURCE;
            request.dmDefaultSource = Bin;
        }
        Printer->SetDeviceMode(request);
        ReadDeviceSettings();
        return;
    }
    PaperNames.Clear();
    PaperSizesNum = std::min(frVirtualPaperCount(), MaxPapers);
    for (int i = 0; i < PaperSizesNum; ++i) {
        const TPaperInfo& p = frVirtualPaper(i);
        PaperSizes[i] = uint16_t(p.Code);
        const QString name = frLoadStr(SVirtualPaperNames + i);
        PaperNames.Add(name.isEmpty() ? p.Name : name);
    }
    BinNames.Clear();
    BinNames.Add(frLoadStr(SDefaultBin));
    Bins[0] = frDefaultBin;
    BinsNum = 1;
    Bin = frDefaultBin;
    const int i = PaperIndex(PaperSize);
    if (PaperSize != frCustomPaper && i >= 0) {
        const TPaperInfo& p = frVirtualPaper(i);
        const bool landscape = Orientation == poLandscape;
        PaperWidth = landscape ? p.Height : p.Width;
        PaperHeight = landscape ? p.Width : p.Height;
    }
}

void TfrPrinter::Refresh() {
    if (IsVirtual())
        ApplySettings();
    else
        ReadDeviceSettings();
}

void TfrPrinter::GetPageMetrics(TfrPageMetrics& Metrics) const {
    Metrics = TfrPageMetrics();
    if (IsVirtual() || !Printer) {
        Metrics.PageWidth = roundEven(PaperWidth * frUnitsPerInch / 254);
        Metrics.PageHeight = roundEven(PaperHeight * frUnitsPerInch / 254);
        Metrics.OffsetX = Metrics.OffsetY = roundEven(50 * frUnitsPerInch / 254);
        Metrics.PrintableWidth = Metrics.PageWidth - 2 * Metrics.OffsetX;
        Metrics.PrintableHeight = Metrics.PageHeight - 2 * Metrics.OffsetY;
        return;
    }
    const int dpiX = std::max(1, Printer->GetDeviceCaps(LOGPIXELSX));
    const int dpiY = std::max(1, Printer->GetDeviceCaps(LOGPIXELSY));
    const double kx = frUnitsPerInch / dpiX;
    const double ky = frUnitsPerInch / dpiY;
    Metrics.DevPageWidth = Printer->GetDeviceCaps(PHYSICALWIDTH);
    Metrics.DevPageHeight = Printer->GetDeviceCaps(PHYSICALHEIGHT);
    Metrics.DevOffsetX = Printer->GetDeviceCaps(PHYSICALOFFSETX);
    Metrics.DevOffsetY = Printer->GetDeviceCaps(PHYSICALOFFSETY);
    Metrics.DevPrintableWidth = Printer->GetPageWidth();
    Metrics.DevPrintableHeight = Printer->GetPageHeight();
    Metrics.PageWidth = roundEven(Metrics.DevPageWidth * kx);
    Metrics.PageHeight = roundEven(Metrics.DevPageHeight * ky);
    Metrics.OffsetX = roundEven(Metrics.DevOffsetX * kx);
    Metrics.OffsetY = roundEven(Metrics.DevOffsetY * ky);
    Metrics.PrintableWidth = roundEven(Metrics.DevPrintableWidth * kx);
    Metrics.PrintableHeight = roundEven(Metrics.DevPrintableHeight * ky);
}

bool TfrPrinter::ShowPropertiesDialog() {
    if (IsVirtual() || !Printer) return false;
    const bool accepted = Printer->ExecuteSetupDialog();
    if (accepted) {
        // The dialog may have chosen another printer of the platform.
        const int index = Printer->GetPrinterIndex();
        if (index >= 0 && index < VirtualIndex) PrinterIndex = index;
    }
    ReadDeviceSettings();
    return accepted;
}
