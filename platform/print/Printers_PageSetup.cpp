// The page setup of the current printer, asked through the user-interaction service.
#include "Dialogs.h"
#include "Printers.h"

using namespace Qt::Literals::StringLiterals;

bool TPrinter::ExecutePageSetupDialog(TRect& Margins) {
    checkPrinting(false);
    TPageSetupRequest r;
    r.PrinterName = printers->Get(index);
    std::vector<int> codes;
    for (const TPaperInfo& p : GetPapers()) {
        if (p.Width <= 0 || p.Height <= 0) continue; // a size of one's own has none yet
        codes.push_back(p.Code);
        r.Papers << p.Name;
        r.PaperSizes << QSize(p.Width, p.Height);
    }
    r.PaperIndex = -1;
    for (size_t i = 0; i < codes.size() && mode.dmPaperSize != DMPAPER_USER; ++i)
        if (codes[i] == mode.dmPaperSize) r.PaperIndex = int(i);
    if (r.PaperIndex < 0) {
        // The size in force, of its own or not in the list, is offered as it stands.
        codes.push_back(DMPAPER_USER);
        r.Papers << u"Власний розмір %1 × %2 мм"_s.arg(MillimetresText(mode.dmPaperWidth * 10),
                                                       MillimetresText(mode.dmPaperLength * 10));
        r.PaperSizes << QSize(mode.dmPaperWidth, mode.dmPaperLength);
        r.PaperIndex = int(codes.size()) - 1;
    }
    r.Landscape = mode.dmOrientation == DMORIENT_LANDSCAPE;
    const std::vector<TBinInfo>& bins = GetBins();
    for (size_t i = 0; i < bins.size(); ++i) {
        r.Bins << bins[i].Name;
        if (bins[i].Code == mode.dmDefaultSource) r.BinIndex = int(i);
    }
    if (r.BinIndex < 0 && !bins.empty()) r.BinIndex = 0;
    r.Margins = Margins;

    TUserInteraction* ui = GetUserInteraction();
    if (!ui->PageSetupDialog(r)) return false;
    const bool knownPaper =
        r.PaperIndex >= 0 && r.PaperIndex < int(codes.size()) && r.PaperIndex < r.PaperSizes.size();
    QString error = PageSetupMarginsError(r);
    if (error.isEmpty() && !knownPaper) error = u"Розмір паперу не вибрано."_s;
    if (!error.isEmpty()) {
        ui->MessageBox(error, u"Параметри сторінки"_s, MB_OK | MB_ICONWARNING);
        return false;
    }

    TDeviceMode m = mode;
    m.dmFields = DM_ORIENTATION;
    m.dmOrientation = r.Landscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    const int code = codes[size_t(r.PaperIndex)];
    if (code == DMPAPER_USER) {
        m.dmFields |= DM_PAPERWIDTH | DM_PAPERLENGTH;
        m.dmPaperWidth = r.PaperSizes[r.PaperIndex].width();
        m.dmPaperLength = r.PaperSizes[r.PaperIndex].height();
    } else {
        m.dmFields |= DM_PAPERSIZE;
        m.dmPaperSize = code;
    }
    if (r.BinIndex >= 0 && r.BinIndex < int(bins.size())) {
        m.dmFields |= DM_DEFAULTSOURCE;
        m.dmDefaultSource = bins[size_t(r.BinIndex)].Code;
    }
    SetDeviceMode(m);
    Margins = r.Margins;
    return true;
}
