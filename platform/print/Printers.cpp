// The printer list, the device modes and the print jobs over QPrinter.
#include "Printers.h"
#include "PrintSystem.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrintEngine>
#include <QPrinter>
#include <QPrinterInfo>
#include <algorithm>
#include <cmath>

namespace {

// The PDF printer: a 600 dpi device without margins, copies or paper sources.
constexpr int PdfResolution = 600;

// Qt's paper sources and the platform's bin codes, with the names shown for them.
struct TSourceRow {
    QPrinter::PaperSource Source;
    int Code;
    const char* Name;
};
constexpr TSourceRow SourceRows[] = {
    {QPrinter::OnlyOne, DMBIN_ONLYONE, "Upper tray"},
    {QPrinter::Lower, DMBIN_LOWER, "Lower tray"},
    {QPrinter::Middle, DMBIN_MIDDLE, "Middle tray"},
    {QPrinter::Manual, DMBIN_MANUAL, "Manual feed"},
    {QPrinter::Envelope, DMBIN_ENVELOPE, "Envelope"},
    {QPrinter::EnvelopeManual, DMBIN_ENVMANUAL, "Envelope manual feed"},
    {QPrinter::Auto, DMBIN_AUTO, "Automatically select"},
    {QPrinter::Tractor, DMBIN_TRACTOR, "Tractor"},
    {QPrinter::SmallFormat, DMBIN_SMALLFMT, "Small format"},
    {QPrinter::LargeFormat, DMBIN_LARGEFMT, "Large format"},
    {QPrinter::LargeCapacity, DMBIN_LARGECAPACITY, "Large capacity"},
    {QPrinter::Cassette, DMBIN_CASSETTE, "Cassette"},
    {QPrinter::FormSource, DMBIN_FORMSOURCE, "Form source"},
};

int roundTenths(double mm) {
    return int(std::lround(mm * 10));
}

QPageSize pageSizeOf(const TPaperInfo& P) {
    return QPageSize(QSizeF(P.Width / 10.0, P.Height / 10.0), QPageSize::Millimeter, P.Name);
}

std::unique_ptr<TPrinter> ownOne;

// The process's own printer lives until the application object goes (its queue printers need
// the application).
TPrinter* ownPrinter() {
    if (!ownOne) {
        ownOne = std::make_unique<TPrinter>();
        qAddPostRoutine([] { ownOne.reset(); });
    }
    return ownOne.get();
}

TPrinter* currentPrinter = nullptr;
TPrintQueueSource queueSource;

} // namespace

// One entry of the list: what the device offers.
struct TPrinter::TDevice {
    QString Name, Driver, Port;
    QString Queue; // the system's name of a queue
    bool Pdf = false;
    std::vector<TPaperInfo> Papers;
    std::vector<QPageSize> PageSizes; // in the order of Papers
    std::vector<TBinInfo> Bins;
    int Resolution = PdfResolution;
    bool Copies = false;
    bool CustomSizes = true;
    TDeviceMode Default;
    // The settings last used on this printer (kept while another one is current).
    TDeviceMode Current;
    bool IsDefault = false;
    std::function<QMarginsF(const QPageSize&, bool)> MinimumMargins;
    QMarginsF Margins;

    uint32_t Fields() const {
        uint32_t f = DM_ORIENTATION | DM_PAPERSIZE | DM_PRINTQUALITY;
        if (Copies) f |= DM_COPIES | DM_COLLATE;
        if (!Bins.empty()) f |= DM_DEFAULTSOURCE;
        return f;
    }
    int PaperIndex(int Code) const {
        for (size_t i = 0; i < Papers.size(); ++i)
            if (Papers[i].Code == Code) return int(i);
        return -1;
    }
};

// ---- print queues -------------------------------------------------------------------------------

std::vector<TPrintQueue> SystemPrintQueues() {
    std::vector<TPrintQueue> queues;
    const QString def = QPrinterInfo::defaultPrinterName();
    for (const QString& name : QPrinterInfo::availablePrinterNames()) {
        QPrinterInfo info = QPrinterInfo::printerInfo(name);
        if (info.isNull()) continue;
        TPrintQueue q;
        q.Name = name;
        q.Driver = info.makeAndModel().isEmpty() ? QStringLiteral("CUPS") : info.makeAndModel();
        q.Port = info.location();
        q.Default = name == def;
        q.PageSizes = info.supportedPageSizes();
        q.DefaultPageSize = info.defaultPageSize();
        q.CustomSizes = info.supportsCustomPageSizes();
        // A printer on the queue answers what the public queue information does not tell.
        auto probe = std::make_shared<QPrinter>(QPrinter::HighResolution);
        probe->setPrinterName(name);
        q.Resolution = probe->resolution();
        q.Copies = probe->supportsMultipleCopies();
        if (QPrintEngine* e = probe->printEngine())
            for (const QVariant& v : e->property(QPrintEngine::PPK_PaperSources).toList())
                q.Sources.push_back(v.toInt());
        q.MinimumMargins = [probe](const QPageSize& Size, bool Landscape) {
            probe->setPageSize(Size);
            probe->setPageOrientation(Landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
            return probe->pageLayout().minimumMargins();
        };
        queues.push_back(std::move(q));
    }
    return queues;
}

TPrintQueueSource SetPrintQueueSource(TPrintQueueSource Source) {
    TPrintQueueSource old = std::move(queueSource);
    queueSource = std::move(Source);
    return old;
}

// ---- the canvas ---------------------------------------------------------------------------------

TSize TPrinterCanvas::GetDeviceSize() {
    return TSize{printer->GetPageWidth(), printer->GetPageHeight()};
}

// ---- the list -----------------------------------------------------------------------------------

TPrinter::TPrinter()
    : printers(std::make_unique<TStringList>()), canvas(std::make_unique<TPrinterCanvas>(this)) {
    Refresh();
    SetPrinterIndex(-1);
}

TPrinter::~TPrinter() {
    if (printing) {
        canvas->SetHandle(nullptr);
        painter->end();
    }
    if (currentPrinter == this) currentPrinter = nullptr;
}

void TPrinter::Refresh() {
    checkPrinting(false);
    // Settings already used survive for the printers that are still there.
    std::vector<TDeviceMode> used;
    if (!devices.empty()) {
        devices[size_t(index)]->Current = mode;
        for (const auto& d : devices)
            used.push_back(d->Current);
    }
    QString current = devices.empty() ? QString() : devices[size_t(index)]->Name;
    bool currentPdf = devices.empty() || devices[size_t(index)]->Pdf;
    devices.clear();
    printers->Clear();

    for (const TPrintQueue& q : queueSource ? queueSource() : SystemPrintQueues()) {
        auto d = std::make_unique<TDevice>();
        d->Queue = q.Name;
        // A queue that bears the PDF printer's name shows as a queue.
        d->Name = q.Name.compare(PdfPrinterName(), Qt::CaseInsensitive) == 0
                      ? q.Name + QStringLiteral(" (CUPS)")
                      : q.Name;
        d->Driver = q.Driver;
        d->Port = q.Port;
        d->IsDefault = q.Default;
        d->CustomSizes = q.CustomSizes;
        int extra = DMPAPER_USER + 1; // driver papers without a platform code
        for (const QPageSize& ps : q.PageSizes) {
            int code = PaperCodeOfPageSize(ps);
            if (code == 0) code = extra++;
            if (d->PaperIndex(code) >= 0) continue;
            QSizeF mm = ps.size(QPageSize::Millimeter);
            d->Papers.push_back(
                {code, ps.name(), roundTenths(mm.width()), roundTenths(mm.height())});
            d->PageSizes.push_back(ps);
        }
        if (d->Papers.empty()) {
            const TPaperInfo* a4 = FindStandardPaper(DMPAPER_A4);
            d->Papers.push_back(*a4);
            d->PageSizes.push_back(pageSizeOf(*a4));
        }
        d->Resolution = std::max(72, q.Resolution);
        d->Copies = q.Copies;
        for (int source : q.Sources)
            for (const TSourceRow& r : SourceRows)
                if (int(r.Source) == source &&
                    std::none_of(d->Bins.begin(), d->Bins.end(),
                                 [&](const TBinInfo& b) { return b.Code == r.Code; }))
                    d->Bins.push_back({r.Code, QString::fromLatin1(r.Name)});
        d->MinimumMargins = q.MinimumMargins;
        d->Margins = q.Margins;
        int def = PaperCodeOfPageSize(q.DefaultPageSize);
        d->Default.dmPaperSize = d->PaperIndex(def) >= 0 ? def : d->Papers.front().Code;
        d->Default.dmDefaultSource = d->Bins.empty() ? 0 : d->Bins.front().Code;
        printers->Add(d->Name);
        devices.push_back(std::move(d));
    }

    auto pdf = std::make_unique<TDevice>();
    pdf->Name = PdfPrinterName();
    pdf->Driver = PdfPrinterName();
    pdf->Port = QStringLiteral("FILE:");
    pdf->Pdf = true;
    for (const TPaperInfo& p : StandardPapers()) {
        pdf->Papers.push_back(p);
        pdf->PageSizes.push_back(p.Width > 0 ? pageSizeOf(p) : QPageSize());
    }
    pdf->Default.dmPaperSize = DMPAPER_A4;
    devices.push_back(std::move(pdf));
    printers->Add(PdfPrinterName());

    for (auto& d : devices) {
        TDeviceMode& m = d->Default;
        m.dmDeviceName = d->Name;
        m.dmFields = d->Fields();
        m.dmPrintQuality = d->Resolution;
        const TPaperInfo& p = d->Papers[size_t(d->PaperIndex(m.dmPaperSize))];
        m.dmPaperWidth = p.Width;
        m.dmPaperLength = p.Height;
        d->Current = m;
        for (const TDeviceMode& u : used)
            if (u.dmDeviceName == d->Name) d->Current = u;
    }

    int found = currentPdf ? -1 : printers->IndexOf(current);
    index = -1;
    selectDevice(found >= 0 ? found : GetPdfIndex());
}

void TPrinter::SetPrinterIndex(int Value) {
    checkPrinting(false);
    if (Value == -1) {
        Value = GetPdfIndex();
        for (size_t i = 0; i < devices.size(); ++i)
            if (devices[i]->IsDefault) {
                Value = int(i);
                break;
            }
    }
    if (Value < 0 || Value >= printers->Count())
        throw EPrinter(QStringLiteral("Printer index out of range"));
    selectDevice(Value);
}

void TPrinter::selectDevice(int Index) {
    if (index >= 0 && index < int(devices.size())) devices[size_t(index)]->Current = mode;
    index = Index;
    const TDevice& d = *devices[size_t(index)];
    mode = d.Current;
    // Font sizes on this canvas convert with the printer's resolution.
    TFont* f = canvas->GetFont();
    int size = f->GetSize();
    f->SetPixelsPerInch(d.Resolution);
    f->SetSize(size);
}

void TPrinter::GetPrinter(QString& ADevice, QString& ADriver, QString& APort) const {
    const TDevice& d = *devices[size_t(index)];
    ADevice = d.Name;
    ADriver = d.Driver;
    APort = d.Port;
}

TStrings* TPrinter::GetFonts() {
    if (!fonts) {
        fonts = std::make_unique<TStringList>();
        fonts->AddStrings(QFontDatabase::families());
    }
    return fonts.get();
}

// ---- settings -----------------------------------------------------------------------------------

TDeviceMode TPrinter::accepted(const TDeviceMode& Mode) const {
    const TDevice& d = *devices[size_t(index)];
    TDeviceMode r = mode;
    r.dmDeviceName = d.Name;
    r.dmFields = d.Fields() | (mode.dmFields & (DM_PAPERLENGTH | DM_PAPERWIDTH));
    if ((Mode.dmFields & DM_ORIENTATION) &&
        (Mode.dmOrientation == DMORIENT_PORTRAIT || Mode.dmOrientation == DMORIENT_LANDSCAPE))
        r.dmOrientation = Mode.dmOrientation;

    const uint32_t custom = DM_PAPERLENGTH | DM_PAPERWIDTH;
    if ((Mode.dmFields & custom) == custom) {
        // A custom size overrides the paper code, as the platform's drivers do.
        if (d.CustomSizes && Mode.dmPaperWidth > 0 && Mode.dmPaperLength > 0) {
            r.dmPaperSize = DMPAPER_USER;
            r.dmPaperWidth = Mode.dmPaperWidth;
            r.dmPaperLength = Mode.dmPaperLength;
            r.dmFields |= custom;
        }
    } else if (Mode.dmFields & DM_PAPERSIZE) {
        int i = d.PaperIndex(Mode.dmPaperSize);
        if (i >= 0 && d.Papers[size_t(i)].Width > 0) {
            r.dmPaperSize = Mode.dmPaperSize;
            r.dmPaperWidth = d.Papers[size_t(i)].Width;
            r.dmPaperLength = d.Papers[size_t(i)].Height;
            r.dmFields &= ~custom;
        }
    }
    if ((Mode.dmFields & DM_COPIES) && d.Copies) r.dmCopies = std::clamp(Mode.dmCopies, 1, 9999);
    if ((Mode.dmFields & DM_COLLATE) && d.Copies)
        r.dmCollate = Mode.dmCollate == DMCOLLATE_TRUE ? DMCOLLATE_TRUE : DMCOLLATE_FALSE;
    if ((Mode.dmFields & DM_DEFAULTSOURCE) &&
        std::any_of(d.Bins.begin(), d.Bins.end(),
                    [&](const TBinInfo& b) { return b.Code == Mode.dmDefaultSource; }))
        r.dmDefaultSource = Mode.dmDefaultSource;
    return r;
}

void TPrinter::SetDeviceMode(const TDeviceMode& Mode) {
    mode = accepted(Mode);
    // During a job NewPage hands the new layout to the device.
}

TPrinterOrientation TPrinter::GetOrientation() const {
    return mode.dmOrientation == DMORIENT_LANDSCAPE ? poLandscape : poPortrait;
}

void TPrinter::SetOrientation(TPrinterOrientation Value) {
    TDeviceMode m = mode;
    m.dmFields = DM_ORIENTATION;
    m.dmOrientation = Value == poLandscape ? DMORIENT_LANDSCAPE : DMORIENT_PORTRAIT;
    SetDeviceMode(m);
}

void TPrinter::SetCopies(int Value) {
    TDeviceMode m = mode;
    m.dmFields = DM_COPIES;
    m.dmCopies = Value;
    SetDeviceMode(m);
}

TPrinterCapabilities TPrinter::GetCapabilities() const {
    TPrinterCapabilities c{pcOrientation};
    if (devices[size_t(index)]->Copies) c += TPrinterCapabilities{pcCopies, pcCollation};
    return c;
}

const std::vector<TPaperInfo>& TPrinter::GetPapers() const {
    return devices[size_t(index)]->Papers;
}

const std::vector<TBinInfo>& TPrinter::GetBins() const {
    return devices[size_t(index)]->Bins;
}

QPageLayout TPrinter::layoutOf(const TDeviceMode& Mode) const {
    const TDevice& d = *devices[size_t(index)];
    QPageSize size;
    if (Mode.dmPaperSize == DMPAPER_USER || d.PaperIndex(Mode.dmPaperSize) < 0)
        size = QPageSize(QSizeF(Mode.dmPaperWidth / 10.0, Mode.dmPaperLength / 10.0),
                         QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
    else
        size = d.PageSizes[size_t(d.PaperIndex(Mode.dmPaperSize))];
    QPageLayout::Orientation o =
        Mode.dmOrientation == DMORIENT_LANDSCAPE ? QPageLayout::Landscape : QPageLayout::Portrait;
    // The queue's unprintable edges for this paper (none on the PDF printer).
    QMarginsF margins =
        d.MinimumMargins ? d.MinimumMargins(size, o == QPageLayout::Landscape) : d.Margins;
    return QPageLayout(size, o, margins, QPageLayout::Point, QMarginsF());
}

int TPrinter::GetDeviceCaps(int Index) const {
    const TDevice& d = *devices[size_t(index)];
    const int res = d.Resolution;
    QPageLayout layout = layoutOf(mode);
    // From the sizes in millimetres: Qt's own pixel rectangles go through whole points (and
    // its inches through two decimals), which puts a paper up to a third of a millimetre off.
    auto pixels = [res](const QRectF& Mm) {
        auto px = [res](double mm) { return int(std::lround(mm / 25.4 * res)); };
        return QRect(QPoint(px(Mm.left()), px(Mm.top())), QSize(px(Mm.width()), px(Mm.height())));
    };
    QRect full = pixels(layout.fullRect(QPageLayout::Millimeter));
    QRect paint = pixels(layout.paintRect(QPageLayout::Millimeter));
    switch (Index) {
    case DRIVERVERSION:
        return 0x400;
    case TECHNOLOGY:
        return DT_RASPRINTER;
    case HORZSIZE:
        return int(std::lround(paint.width() * 25.4 / res));
    case VERTSIZE:
        return int(std::lround(paint.height() * 25.4 / res));
    case HORZRES:
        return paint.width();
    case VERTRES:
        return paint.height();
    case BITSPIXEL:
        return 24;
    case PLANES:
        return 1;
    case NUMCOLORS:
        return -1;
    case ASPECTX:
    case ASPECTY:
        return res;
    case ASPECTXY:
        return int(std::lround(res * std::sqrt(2.0)));
    case LOGPIXELSX:
    case LOGPIXELSY:
        return res;
    case PHYSICALWIDTH:
        return full.width();
    case PHYSICALHEIGHT:
        return full.height();
    case PHYSICALOFFSETX:
        return paint.left();
    case PHYSICALOFFSETY:
        return paint.top();
    default:
        return 0;
    }
}

// ---- the job ------------------------------------------------------------------------------------

void TPrinter::checkPrinting(bool Printing) const {
    if (printing == Printing) return;
    if (Printing) throw EPrinter(QStringLiteral("Printer is not currently printing"));
    throw EPrinter(QStringLiteral("Printing in progress"));
}

void TPrinter::applyLayout(const TDeviceMode& Mode) {
    qprinter->setPageLayout(layoutOf(Mode));
    const TDevice& d = *devices[size_t(index)];
    if (!d.Bins.empty())
        for (const TSourceRow& r : SourceRows)
            if (r.Code == Mode.dmDefaultSource) qprinter->setPaperSource(r.Source);
}

void TPrinter::BeginDoc() {
    checkPrinting(false);
    const TDevice& d = *devices[size_t(index)];
    QString file;
    if (d.Pdf) {
        file = fileName;
        if (file.isEmpty()) {
            QString proposal = title.trimmed();
            proposal.replace(QLatin1Char('/'), QLatin1Char('_'));
            if (proposal.isEmpty()) proposal = QStringLiteral("document");
            file = proposal + QStringLiteral(".pdf");
            if (!askFileName(file) || file.isEmpty()) ::Abort();
            if (QFileInfo(file).suffix().isEmpty()) file += QStringLiteral(".pdf");
        }
    }

    if (!d.Pdf) checkQueue(d.Name, d.Queue);
    auto qp = std::make_unique<QPrinter>(QPrinter::HighResolution);
    if (d.Pdf) {
        qp->setOutputFormat(QPrinter::PdfFormat);
        qp->setOutputFileName(file);
    } else {
        qp->setPrinterName(d.Queue);
        // Qt keeps its previous queue (the default) for a name the system no longer has: the
        // document would print elsewhere without a word.
        if (qp->printerName() != d.Queue) throw EPrinter(queueGoneMessage(d.Name));
    }
    qp->setResolution(d.Resolution);
    qp->setFullPage(false);
    qp->setDocName(title);
    qp->setCreator(QStringLiteral("Kadrion"));
    if (d.Copies) {
        qp->setCopyCount(mode.dmCopies);
        qp->setCollateCopies(mode.dmCollate == DMCOLLATE_TRUE);
    }
    qprinter = std::move(qp);
    applyLayout(mode);

    auto p = std::make_unique<QPainter>();
    if (!p->begin(qprinter.get())) {
        qprinter.reset();
        throw EPrinter(QStringLiteral("Cannot start printing on %1").arg(d.Name));
    }
    painter = std::move(p);
    jobFile = file;
    printing = true;
    aborted = false;
    pageNumber = 1;
    resetCanvas();
}

void TPrinter::resetCanvas() {
    painter->resetTransform();
    painter->setClipping(false);
    canvas->SetHandle(painter.get());
}

void TPrinter::NewPage() {
    checkPrinting(true);
    canvas->SetHandle(nullptr);
    // The settings set during the page take effect on the next one.
    applyLayout(mode);
    qprinter->newPage();
    ++pageNumber;
    resetCanvas();
}

void TPrinter::EndDoc() {
    checkPrinting(true);
    canvas->SetHandle(nullptr);
    const TDevice& d = *devices[size_t(index)];
    // The job goes to the print system when the painter ends; asking of the queue first leaves
    // the system's last answer clear for that job.
    TQueueState before = d.Pdf ? TQueueState() : QueueState(d.Queue);
    painter->end();
    const QString refusal = d.Pdf ? QString() : JobRefusal();
    painter.reset();
    qprinter.reset();
    printing = false;
    pageNumber = 0;
    if (before.Known && !before.Exists) throw EPrinter(queueGoneMessage(d.Name));
    if (!refusal.isEmpty() || (before.Known && !before.Accepting))
        throw EPrinter(refusedMessage(d.Name, before.Reason.isEmpty() ? refusal : before.Reason));
}

void TPrinter::checkQueue(const QString& Name, const QString& Queue) {
    TQueueState s = QueueState(Queue);
    if (!s.Known) return;
    if (!s.Exists) throw EPrinter(queueGoneMessage(Name));
    if (!s.Accepting) throw EPrinter(refusedMessage(Name, s.Reason));
}

QString TPrinter::queueGoneMessage(const QString& Name) {
    return QStringLiteral("Принтера \"%1\" більше немає в системі друку. Виберіть інший принтер.")
        .arg(Name);
}

QString TPrinter::refusedMessage(const QString& Name, const QString& Reason) {
    QString m = QStringLiteral("Принтер \"%1\" не приймає завдань").arg(Name);
    return Reason.isEmpty() ? m + QStringLiteral(".") : m + QStringLiteral(": ") + Reason;
}

void TPrinter::Abort() {
    checkPrinting(true);
    canvas->SetHandle(nullptr);
    qprinter->abort();
    painter->end();
    painter.reset();
    qprinter.reset();
    if (devices[size_t(index)]->Pdf && !jobFile.isEmpty()) QFile::remove(jobFile);
    printing = false;
    aborted = true;
    pageNumber = 0;
}

// ---- questions to the user ----------------------------------------------------------------------

bool TPrinter::ExecuteSetupDialog() {
    checkPrinting(false);
    int chosen = index;
    TDeviceMode m = mode;
    if (!askSetup(chosen, m)) return false;
    if (chosen != index && chosen >= 0 && chosen < printers->Count()) selectDevice(chosen);
    SetDeviceMode(m);
    return true;
}

// ---- the process's printer ----------------------------------------------------------------------

TPrinter* Printer() {
    return currentPrinter ? currentPrinter : ownPrinter();
}

TPrinter* SetPrinter(TPrinter* NewPrinter) {
    TPrinter* old = Printer();
    currentPrinter = NewPrinter;
    return old;
}
