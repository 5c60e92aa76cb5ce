// Prepared pages: the formed output pages as object streams, drawn, clicked, and kept in
// prepared-report files.
#include "FR_Class.h"

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace {

// The engine-wide reading state that reading a page stream borrows.
struct ReadingState {
    TfrGlobals& g;
    int version;
    bool pastEnd;
    bool errorFlag;
    QString errorStr;
    explicit ReadingState(TfrGlobals& G)
        : g(G), version(G.frVersion), pastEnd(G.ReadPastEnd), errorFlag(G.ErrorFlag),
          errorStr(G.ErrorStr) {}
    ~ReadingState() {
        g.frVersion = version;
        g.ReadPastEnd = pastEnd;
        g.ErrorFlag = errorFlag;
        g.ErrorStr = errorStr;
    }
};

// Turns a build or print on for the length of a drawing, and puts the old state back.
struct RunningScope {
    bool previous;
    RunningScope() : previous(frGlobals().ReportRunning) { frGlobals().ReportRunning = true; }
    ~RunningScope() {
        if (frEngineStarted()) frGlobals().ReportRunning = previous;
    }
};

TPrinterOrientation orientationOf(int Or) {
    return Or != 0 ? poLandscape : poPortrait;
}

// Reads the objects of a page stream into a page; false when the stream is damaged (the
// objects read before the damage stay on the page).
bool readObjects(TStream* Stream, TfrPage* Page) {
    TfrGlobals& g = frGlobals();
    ReadingState state(g);
    // The objects bring their names; none is made up against the template's views.
    struct NoReport {
        TfrGlobals& g;
        TfrReport* report;
        explicit NoReport(TfrGlobals& G) : g(G), report(G.ActiveReport) {
            G.ActiveReport = nullptr;
        }
        ~NoReport() { g.ActiveReport = report; }
    } noReport(g);
    Stream->SetPosition(0);
    const int64_t size = Stream->GetSize();
    if (size == 0) return true;
    g.ReadPastEnd = false;
    const int version = frReadByte(Stream);
    if (version < 21 || version > frCurrentVersion) return false;
    g.frVersion = version;
    while (Stream->GetPosition() < size) {
        g.ReadPastEnd = false;
        const uint8_t typ = frReadByte(Stream);
        const QString className = typ == gtAddIn ? frReadStr(Stream) : QString();
        if (g.ReadPastEnd) return false;
        std::unique_ptr<TfrView> view;
        try {
            view.reset(frCreateObject(typ, className));
        } catch (const EClassNotFound&) {
            return false; // an object of an unknown class cannot be skipped
        }
        if (!view) return false;
        view->StreamMode = 1;
        view->ParentPage = Page;
        TfrView* v = view.release();
        Page->Objects.Add(v);
        try {
            v->LoadFromStream(Stream);
        } catch (const std::exception&) {
            return false;
        }
        if (g.ReadPastEnd) return false;
    }
    return true;
}

// A page object for a page record: its paper, margins and objects.
std::unique_ptr<TfrPage> pageOf(const TfrPageInfo& Info, bool& Complete) {
    auto page = std::make_unique<TfrPage>(Info.pgSize, Info.pgWidth, Info.pgHeight,
                                          orientationOf(Info.pgOr), Info.pgBin);
    for (int i = 0; i < 4; ++i)
        page->pgMargins[i] = Info.pgMargins[i];
    page->UseMargins = Info.UseMargins;
    page->PreparedPage = true;
    page->PrintableArea = Info.PrnInfo;
    Complete = readObjects(Info.Stream.get(), page.get());
    return page;
}

// The current printer's paper, put back after a load.
struct PaperState {
    TfrPrinter* printer;
    int size, width, height, bin;
    TPrinterOrientation orientation;
    explicit PaperState(TfrPrinter* P)
        : printer(P), size(P->PaperSize), width(P->PaperWidth), height(P->PaperHeight), bin(P->Bin),
          orientation(P->Orientation) {}
    ~PaperState() { printer->ChangeSettings(size, width, height, false, orientation, bin); }
};

} // namespace

TfrPageInfo* TfrEMFPages::GetPage(int Index) const {
    return Index >= 0 && Index < Count() ? pages[size_t(Index)].get() : nullptr;
}

std::unique_ptr<TfrPageInfo> TfrEMFPages::newPage(TfrPage* APage) {
    auto p = std::make_unique<TfrPageInfo>();
    p->pgSize = APage->pgSize;
    p->pgWidth = APage->pgWidth;
    p->pgHeight = APage->pgHeight;
    p->pgOr = uint8_t(APage->pgOr != 0 ? 1 : 0);
    p->pgBin = APage->pgBin;
    p->UseMargins = APage->UseMargins;
    for (int i = 0; i < 4; ++i)
        p->pgMargins[i] = APage->pgMargins[i];
    p->PrnInfo = APage->PrintableArea;
    p->Stream = std::make_unique<TMemoryStream>();
    frWriteByte(p->Stream.get(), frCurrentVersion);
    return p;
}

void TfrEMFPages::Add(TfrPage* APage) {
    pages.push_back(newPage(APage));
    TfrGlobals& g = frGlobals();
    if (g.ActiveReport && g.ActiveReport->OnEndPage) g.ActiveReport->OnEndPage(g.PageNo);
    if (g.RootReport && g.RootReport != g.ActiveReport && g.RootReport->OnEndPage)
        g.RootReport->OnEndPage(g.PageNo);
}

void TfrEMFPages::Insert(int Index, TfrPage* APage) {
    auto p = newPage(APage);
    if (Index < 0 || Index >= Count())
        pages.push_back(std::move(p));
    else
        pages.insert(pages.begin() + Index, std::move(p));
}

void TfrEMFPages::Delete(int Index) {
    if (Index >= 0 && Index < Count()) pages.erase(pages.begin() + Index);
}

void TfrEMFPages::Clear() {
    while (Count() > 0)
        Delete(0);
}

void TfrEMFPages::ObjectsToPage(int Index) {
    TfrPageInfo* p = GetPage(Index);
    if (!p) return;
    p->Page.reset();
    bool complete = false;
    p->Page = pageOf(*p, complete);
    // A memo of automatic width computes its width before it is placed.
    RunningScope running;
    TfrPage* page = p->Page.get();
    for (int i = 0; i < page->Objects.Count(); ++i) {
        TfrView* v = page->GetObject(i);
        if (v->Typ == gtMemo && (v->Flags & flAutoSize)) v->Draw(frMeasureCanvas());
    }
}

void TfrEMFPages::PageToObjects(int Index) {
    TfrPageInfo* p = GetPage(Index);
    if (!p || !p->Page) return;
    auto stream = std::make_unique<TMemoryStream>();
    frWriteByte(stream.get(), frCurrentVersion);
    TfrPage* page = p->Page.get();
    for (int i = 0; i < page->Objects.Count(); ++i) {
        TfrView* v = page->GetObject(i);
        v->Memo1.Clear();
        v->Memo1.AddStrings(&v->Memo);
        v->WritePrepared(stream.get());
    }
    p->Stream = std::move(stream);
}

void TfrEMFPages::Draw(int Index, TCanvas* Canvas, const TRect& DrawRect) {
    TfrPageInfo* p = GetPage(Index);
    if (!p || !Canvas) return;
    if (!p->Visible) {
        p->Page.reset();
        return;
    }
    if (!p->Page) ObjectsToPage(Index);
    if (p->PrnInfo.PageWidth <= 0 || p->PrnInfo.PageHeight <= 0) return;
    const double kx = double(DrawRect.Width()) / p->PrnInfo.PageWidth;
    const double ky = double(DrawRect.Height()) / p->PrnInfo.PageHeight;
    const bool printer = dynamic_cast<TPrinterCanvas*>(Canvas) != nullptr;
    const bool recording = dynamic_cast<TRecordingCanvas*>(Canvas) != nullptr;
    RunningScope running;
    TfrPage* page = p->Page.get();
    for (int i = 0; i < page->Objects.Count(); ++i) {
        TfrView* v = page->GetObject(i);
        if (!printer && !recording) {
            const TRect r{frRoundCoord(v->Left * kx) + DrawRect.Left - 10,
                          frRoundCoord(v->Top * ky) + DrawRect.Top - 10,
                          frRoundCoord((double(v->Left) + v->Width) * kx) + DrawRect.Left + 10,
                          frRoundCoord((double(v->Top) + v->Height) * ky) + DrawRect.Top + 10};
            if (!Canvas->RectVisible(r)) continue;
        }
        v->ScaleX = kx;
        v->ScaleY = ky;
        v->OffsX = DrawRect.Left;
        v->OffsY = DrawRect.Top;
        v->IsPrinting = printer;
        v->Draw(Canvas);
    }
}

bool TfrEMFPages::DoClick(int Index, const TPoint& Point, bool Click, TCursor& Cursor) {
    TfrPageInfo* p = GetPage(Index);
    if (!p) return false;
    if (!p->Page) ObjectsToPage(Index);
    double kx = 1, ky = 1;
    int ox = 0, oy = 0;
    const TfrPageMetrics& m = p->PrnInfo;
    if (!p->UseMargins && m.PageWidth > 0 && m.PageHeight > 0) {
        kx = (double(m.PrintableWidth) - p->pgMargins[0] - p->pgMargins[2]) / m.PageWidth;
        ky = (double(m.PrintableHeight) - p->pgMargins[1] - p->pgMargins[3]) / m.PageHeight;
        ox = frClampCoord(int64_t(m.OffsetX) + p->pgMargins[0]);
        oy = frClampCoord(int64_t(m.OffsetY) + p->pgMargins[1]);
    }
    TfrPage* page = p->Page.get();
    for (int i = page->Objects.Count() - 1; i >= 0; --i) {
        TfrView* v = page->GetObject(i);
        const TRect r{frRoundCoord(v->Left * kx) + ox, frRoundCoord(v->Top * ky) + oy,
                      frRoundCoord((double(v->Left) + v->Width) * kx) + ox,
                      frRoundCoord((double(v->Top) + v->Height) * ky) + oy};
        if (!PtInRect(r, Point)) continue;
        if (Click) {
            if (!Parent->OnObjectClick) return false;
            Parent->OnObjectClick(v);
        } else {
            if (!Parent->OnMouseOverObject) return false;
            Parent->OnMouseOverObject(v, Cursor);
        }
        return true;
    }
    return false;
}

// ---- the prepared-report file ----------------------------------------------------------

void TfrEMFPages::SaveToStream(TStream* Stream) {
    TfrGlobals& g = frGlobals();
    const bool compress = g.frCompressor && g.frCompressor->Enabled;
    TfrPrinter* printer = frGlobalPrinter();
    frWriteByte(Stream, frCurrentVersion);
    frWriteByte(Stream, compress ? 1 : 0);
    frWriteString(Stream, printer->Printers[printer->PrinterIndex]);
    frWriteInteger(Stream, Count());
    for (const auto& p : pages) {
        const int64_t start = Stream->GetPosition();
        frWriteInteger(Stream, 0);
        frWriteWord(Stream, uint16_t(p->pgSize));
        frWriteInteger(Stream, p->pgWidth);
        frWriteInteger(Stream, p->pgHeight);
        frWriteByte(Stream, p->pgOr);
        frWriteInteger(Stream, p->pgBin);
        frWriteByte(Stream, p->UseMargins ? 1 : 0);
        for (int m : p->pgMargins)
            frWriteInteger(Stream, m);
        p->Stream->SetPosition(0);
        if (compress)
            g.frCompressor->Compress(p->Stream.get(), Stream);
        else
            Stream->WriteBytes(p->Stream->GetBytes());
        const int64_t end = Stream->GetPosition();
        Stream->SetPosition(start);
        frWriteInteger(Stream, int32_t(end));
        Stream->SetPosition(end);
    }
}

void TfrEMFPages::LoadFromStream(TStream* Stream) {
    TfrGlobals& g = frGlobals();
    ReadingState state(g);
    auto refuse = [](int id) { throw EfrPreparedError(frLoadStr(id)); };
    const int64_t start = Stream->GetPosition();
    const int64_t size = Stream->GetSize();
    g.ReadPastEnd = false;
    int version = frReadByte(Stream);
    if (version < 24 || version >= 32) {
        // A file of the layout before bins and margins were kept.
        version = 0;
        Stream->SetPosition(start);
    }
    const int compressed = frReadByte(Stream);
    if (compressed != 0 && compressed != 1 && compressed != 255) refuse(SPreparedEarly);
    if (compressed == 1 && !(g.frCompressor && g.frCompressor->Enabled))
        refuse(SPreparedCompressed);
    frReadString(Stream); // the printer it was made on: the current printer stays
    const int32_t count = frReadInteger(Stream);
    if (g.ReadPastEnd || count < 0) refuse(SPreparedDamaged);
    const int64_t record = version > 23 ? 36 : 16;
    if (count > (size - Stream->GetPosition()) / record) refuse(SPreparedDamaged);

    TfrPrinter* printer = frGlobalPrinter();
    PaperState paper(printer);
    std::vector<std::unique_ptr<TfrPageInfo>> list;
    for (int32_t i = 0; i < count; ++i) {
        const int64_t next = frReadInteger(Stream);
        auto p = std::make_unique<TfrPageInfo>();
        p->pgSize = frReadWord(Stream);
        p->pgWidth = frReadInteger(Stream);
        p->pgHeight = frReadInteger(Stream);
        p->pgOr = frReadByte(Stream) != 0 ? 1 : 0;
        p->pgBin = version > 23 ? frReadInteger(Stream) : -1;
        p->UseMargins = frReadByte(Stream) != 0;
        if (version > 23)
            for (int& m : p->pgMargins)
                m = frReadInteger(Stream);
        const int64_t data = Stream->GetPosition();
        if (g.ReadPastEnd || next < data || next > size) refuse(SPreparedDamaged);
        QByteArray bytes = Stream->ReadBytes(next - data);
        p->Stream = std::make_unique<TMemoryStream>();
        if (compressed == 1) {
            TMemoryStream in;
            in.SetBytes(bytes);
            g.frCompressor->DeCompress(&in, p->Stream.get());
        } else {
            p->Stream->SetBytes(bytes);
        }
        printer->ChangeSettings(p->pgSize, p->pgWidth, p->pgHeight, false, orientationOf(p->pgOr),
                                p->pgBin);
        printer->GetPageMetrics(p->PrnInfo);
        // Every page must read whole now, rather than fail later in the preview.
        bool complete = false;
        pageOf(*p, complete);
        if (!complete) refuse(SPreparedDamaged);
        Stream->SetPosition(next);
        list.push_back(std::move(p));
    }
    pages = std::move(list);
}

// ---- the report's prepared-report commands ---------------------------------------------

bool TfrReport::LoadPreparedReport(const QString& AFileName) {
    TfrGlobals& g = frGlobals();
    try {
        TFileStream f(AFileName, fmOpenRead | fmShareDenyWrite);
        EMFPages.LoadFromStream(&f);
    } catch (const std::exception& e) {
        const Exception* ex = dynamic_cast<const Exception*>(&e);
        const QString text = ex ? ex->Message : frLoadStr(SPreparedDamaged);
        if (g.ShowMessage) g.ShowMessage(text, frLoadStr(SError));
        return false;
    }
    CanRebuild = false;
    return true;
}

void TfrReport::SavePreparedReport(const QString& AFileName) {
    TFileStream f(AFileName, fmCreate);
    EMFPages.SaveToStream(&f);
}
