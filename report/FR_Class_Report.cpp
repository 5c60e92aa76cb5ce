// The report component's building, showing and printing: the passes of a build, the values
// and procedures only a build knows, progress texts, and printing the prepared pages.
#include "FR_Class.h"
#include "FR_DBSet.h"
#include "ScopeGuard.h"

#include "Dates.h"

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace {

// The dataset against which the band being printed reads its fields: its own, else its data
// band's, else the page's master data band's.
TfrDataset* bandDataset() {
    TfrGlobals& g = frGlobals();
    TfrBand* b = g.ActiveBand;
    if (!b) return g.ActiveReport ? g.ActiveReport->Dataset : nullptr;
    if (b->DataSet) return b->DataSet;
    if (b->DataBand && b->DataBand->DataSet) return b->DataBand->DataSet;
    if (b->TotalsBand && b->TotalsBand->DataSet) return b->TotalsBand->DataSet;
    if (TfrPage* p = b->Parent; p && p->Bands[btMasterData]) return p->Bands[btMasterData]->DataSet;
    return nullptr;
}

// The band whose record numbers LINE# reads: the current band when it has a dataset, else its
// data band.
TfrBand* lineBand() {
    TfrBand* b = frGlobals().ActiveBand;
    if (!b) return nullptr;
    if (b->DataSet || !b->DataBand) return b;
    return b->DataBand;
}

bool buildValue(const QString& Name, Variant& v) {
    TfrGlobals& g = frGlobals();
    TfrPage* p = g.ActivePage;
    if (Name == "LINE#"_L1 || Name == "LINETHROUGH#"_L1) {
        TfrBand* b = lineBand();
        if (!b) return false;
        v = Variant(Name == "LINE#"_L1 ? b->LocalCount : b->GlobalCount);
        return true;
    }
    if (!p) return false;
    if (Name == "COLUMN#"_L1) {
        v = Variant(p->CurColumn + 1);
    } else if (Name == "CURRENT#"_L1) {
        v = Variant(p->RecordCount);
    } else if (Name == "CURY"_L1) {
        v = Variant(p->CurY);
    } else if (Name == "FREESPACE"_L1) {
        v = Variant(p->BottomY - p->CurY);
    } else if (Name == "PAGEHEIGHT"_L1) {
        v = Variant(p->PrintableArea.PageHeight);
    } else if (Name == "PAGEWIDTH"_L1) {
        v = Variant(p->PrintableArea.PageWidth);
    } else {
        return false;
    }
    return true;
}

bool buildFunction(const QString& Name, const Variant& p1, const Variant& p2, const Variant& p3,
                   Variant& v) {
    TfrGlobals& g = frGlobals();
    if (frAggregate(Name, p1, p2, p3, v)) return true;
    if (Name == "NEWPAGE"_L1 || Name == "NEWCOLUMN"_L1) {
        if (TfrBand* b = g.ActiveBand)
            ++(Name == "NEWPAGE"_L1 ? b->NewPageRequests : b->NewColumnRequests);
        return true;
    }
    if (Name == "SHOWBAND"_L1) {
        if (g.ActivePage) g.ActivePage->ShowBandByName(Trim(VarToStr(p1)));
        return true;
    }
    return false;
}

// Puts the engine's hooks for a build in place, and the previous ones back at the end.
class BuildHooks {
public:
    BuildHooks() : g(frGlobals()) {
        value = g.BuildValue;
        function = g.BuildFunction;
        dataset = g.CurrentBandDataset;
        g.BuildValue = buildValue;
        g.BuildFunction = buildFunction;
        g.CurrentBandDataset = bandDataset;
    }
    ~BuildHooks() {
        g.BuildValue = value;
        g.BuildFunction = function;
        g.CurrentBandDataset = dataset;
    }
    BuildHooks(const BuildHooks&) = delete;
    BuildHooks& operator=(const BuildHooks&) = delete;

private:
    TfrGlobals& g;
    decltype(TfrGlobals::BuildValue) value;
    decltype(TfrGlobals::BuildFunction) function;
    decltype(TfrGlobals::CurrentBandDataset) dataset;
};

} // namespace

void TfrReport::Progress(int Number) {
    TfrGlobals& g = frGlobals();
    if (OnProgress) {
        OnProgress(Number);
        return;
    }
    if (!ShowProgress || !g.ShowProgressText) return;
    QString line = ProgressText + u"  "_s + QString::number(Number);
    if (TwoPass == 0xFFFF && FinalPass && g.TotalPages > 0)
        line += u' ' + frLoadStr(55199) + u' ' + QString::number(g.TotalPages);
    g.ShowProgressText(ProgressCaption, line);
}

void TfrReport::BuildPages() {
    TfrGlobals& g = frGlobals();
    CanRebuild = true;
    Dictionary.ClearCache();
    g.ErrorFlag = false;
    const bool multiple = ReportType == rtMultiple && Dataset;
    if (multiple) {
        Dataset->Init();
        Dataset->First();
    }
    for (int i = 0; i < Pages.Count(); ++i)
        Pages[i]->Processed = false;
    auto finish = [&] {
        for (int i = 0; i < Pages.Count(); ++i)
            if (Pages[i]->PageType == ptReport) Pages[i]->FinishBuild();
        for (int i = 0; i < Pages.Count(); ++i)
            if (Pages[i]->PageType == ptDialog) Pages[i]->FinishBuild();
        if (multiple) Dataset->Exit();
        g.ActivePage = nullptr;
        g.ActiveBand = nullptr;
    };
    TScopeGuard done(finish);
    for (int i = 0; i < Pages.Count() && !Terminated; ++i)
        if (Pages[i]->PageType == ptDialog && Pages[i]->Visible) Pages[i]->PrepareBuild();
    if (Terminated) {
        done.End();
        return;
    }
    for (int i = 0; i < Pages.Count(); ++i)
        for (int k = 0; k < Pages[i]->Objects.Count(); ++k)
            Pages[i]->GetObject(k)->PrepareObject();
    // The pages of sub-reports form only inside the bands that hold them.
    for (int i = 0; i < Pages.Count(); ++i)
        for (int k = 0; k < Pages[i]->Objects.Count(); ++k)
            if (auto* sr = dynamic_cast<TfrSubReportView*>(Pages[i]->GetObject(k));
                sr && sr->SubPage >= 0 && sr->SubPage < Pages.Count() && sr->SubPage != i)
                Pages[sr->SubPage]->IsSubReport = 1;
    for (int i = 0; i < Pages.Count(); ++i)
        if (TfrPage* p = Pages[i]; p->PageType == ptReport) {
            g.ActivePage = p;
            p->PrepareBuild();
            p->PrepareLinks();
        }
    // Inside a composite the pages go to the composite's prepared pages, after those of
    // the reports before; a first page that continues the last one keeps its state.
    TfrReport* out = g.RootReport ? g.RootReport : this;
    bool append = out != this && AppendToPrevious && out->EMFPages.Count() > 0;
    if (!append) {
        g.OutputPageIndex = out->EMFPages.Count();
        g.LastFooterShown = false;
        g.LastPageY = g.LastPageBottom = 0;
    }
    g.ReportFirstPage = out->EMFPages.Count();
    g.AppendToLastPage = false;
    do {
        for (int i = 0; i < Pages.Count() && !Terminated; ++i) {
            TfrPage* p = Pages[i];
            g.ActivePage = p;
            if (!p->Visible) {
                frRunScriptText(&p->Script);
            } else if (p->PageType == ptReport && !p->Processed && !p->IsSubReport) {
                g.AppendToLastPage =
                    append || (p->PrintToPrevPage && out->EMFPages.Count() > g.ReportFirstPage);
                append = false;
                p->BuildOutput();
            }
            const bool continues = i + 1 < Pages.Count() && Pages[i + 1]->PrintToPrevPage;
            if (!continues) Progress(out->EMFPages.Count());
        }
        if (multiple && !Terminated) Dataset->Next();
    } while (multiple && !Terminated && !Dataset->Eof());
    done.End();
}

bool TfrReport::PrepareReport() {
    TfrGlobals& g = frGlobals();
    SetPrinterTo(PrinterName);
    g.ReportRunning = true;
    const TDateTime now = Now();
    g.CurDate = DateOf(now);
    g.CurTime = now - DateOf(now);
    g.ActivePage = nullptr;
    g.ActiveBand = nullptr;
    MakeCurrent();
    TfrReport* const previousRoot = g.RootReport;
    g.RootReport = this;
    const bool twoPass = TwoPass != 0;
    const uint16_t twoPassFlag = TwoPass;

    // Scripts may change views freely: the template comes back after the build.
    TMemoryStream saved;
    SaveToStream(&saved);
    BuildHooks hooks;
    g.BuildWarnings.clear();
    if (OnBeginDoc) OnBeginDoc(this);

    QString error;
    bool cancelled = false;
    ProgressCaption = frLoadStr(55203) + (Title.isEmpty() ? QString() : u" - "_s + Title);
    try {
        Terminated = false;
        FinalPass = true;
        EMFPages.Clear();
        if (twoPass) {
            FinalPass = false;
            g.FirstPassRunning = true;
            ProgressText = frLoadStr(55204);
            Progress(1);
            BuildPages();
            g.FirstPassRunning = false;
            if (Terminated) {
                cancelled = true;
            } else {
                g.TotalPages = EMFPages.Count();
                EMFPages.Clear();
                TwoPass = 0xFFFF;
                FinalPass = true;
                ProgressText = frLoadStr(55205);
                Progress(1);
                BuildPages();
            }
        } else {
            g.TotalPages = 0;
            ProgressText = frLoadStr(55205);
            Progress(1);
            BuildPages();
        }
        cancelled = cancelled || Terminated;
    } catch (const Exception& e) {
        g.FirstPassRunning = false;
        error = frLoadStr(55200) + u"\r\n"_s;
        if (TfrView* v = g.ActiveView) {
            for (int i = 0; i < v->Memo.Count(); ++i)
                error += v->Memo[i] + u"\r\n"_s;
        }
        error += u"\r\n"_s + frLoadStr(55201) + u' ' + GetName() + u"\r\n"_s;
        if (TfrView* v = g.ActiveView) error += frLoadStr(55202) + u' ' + v->Name + u"\r\n"_s;
        error += u"\r\n"_s + e.Message;
    }
    if (OnEndDoc) OnEndDoc(this);
    saved.SetPosition(0);
    LoadFromStream(&saved);
    TwoPass = twoPassFlag;
    FinalPass = false;
    g.ReportRunning = true;
    g.ActiveView = nullptr;
    g.ActiveBand = nullptr;
    g.ActivePage = nullptr;
    g.RootReport = previousRoot;
    MakeCurrent();
    if (!error.isEmpty()) {
        EMFPages.Clear();
        if (g.ShowMessage) g.ShowMessage(error, frLoadStr(SError));
        return false;
    }
    if (cancelled) {
        EMFPages.Clear();
        return false;
    }
    return true;
}

void TfrReport::ShowPreparedReport() {
    TfrGlobals& g = frGlobals();
    g.ReportRunning = true;
    if (EMFPages.Count() == 0) return;
    if (g.ShowPreview) g.ShowPreview(this);
}

void TfrReport::ShowReport() {
    if (PrepareReport()) ShowPreparedReport();
}

std::vector<int> TfrReport::PageList(const QString& PageNumbers, int PageCount) {
    QString s = PageNumbers;
    s.remove(u' ');
    if (s.endsWith(u'-')) s += QString::number(PageCount);
    std::vector<int> pages;
    if (s.isEmpty()) {
        for (int i = 0; i < PageCount; ++i)
            pages.push_back(i);
        return pages;
    }
    for (const QString& item : s.split(u',', Qt::SkipEmptyParts)) {
        const int dash = item.indexOf(u'-');
        bool ok1 = false, ok2 = false;
        int a = (dash < 0 ? item : item.left(dash)).toInt(&ok1);
        int b = dash < 0 ? a : item.mid(dash + 1).toInt(&ok2);
        if (!ok1 || (dash >= 0 && !ok2)) continue;
        for (int n = a; n <= b; ++n)
            if (n >= 1 && n <= PageCount) pages.push_back(n - 1);
    }
    return pages;
}

void TfrReport::PrintPreparedReport(const QString& PageNumbers, int Copies, int Parity,
                                    bool Collate) {
    TfrGlobals& g = frGlobals();
    if (EMFPages.Count() == 0) return;
    const std::vector<int> list = PageList(PageNumbers, EMFPages.Count());
    Copies = std::max(Copies, 1);
    TfrPrinter* printer = frGlobalPrinter();
    TPrinter* platform = Printer();
    g.ReportRunning = true;
    ProgressCaption = frLoadStr(55203) + (Title.isEmpty() ? QString() : u" - "_s + Title);
    ProgressText = frLoadStr(55208);
    Terminated = false;
    TfrPageInfo* first = EMFPages[0];
    printer->ChangeSettings(first->pgSize, first->pgWidth, first->pgHeight, false,
                            first->pgOr ? poLandscape : poPortrait, first->pgBin);
    platform->SetTitle(Title.isEmpty() ? frLoadStr(SUntitled) : Title);
    if (OnPrintReport) OnPrintReport(this);
    platform->SetCopies(Collate ? 1 : Copies);
    bool begun = false;
    for (int copy = 0; copy < (Collate ? Copies : 1) && !Terminated; ++copy) {
        for (int index : list) {
            if (Terminated) break;
            const int number = index + 1;
            if ((Parity == 1 && number % 2 == 0) || (Parity == 2 && number % 2 == 1)) continue;
            TfrPageInfo* p = EMFPages[index];
            const TPrinterOrientation orient = p->pgOr ? poLandscape : poPortrait;
            if (!printer->SameSettings(p->pgSize, p->pgWidth, p->pgHeight, orient, p->pgBin))
                printer->ChangeSettings(p->pgSize, p->pgWidth, p->pgHeight, false, orient,
                                        p->pgBin);
            if (!begun) {
                platform->BeginDoc();
                begun = true;
            } else {
                platform->NewPage();
            }
            TfrPageMetrics m;
            printer->GetPageMetrics(m);
            TRect r{-m.DevOffsetX, -m.DevOffsetY, m.DevPageWidth - m.DevOffsetX,
                    m.DevPageHeight - m.DevOffsetY};
            if (!p->UseMargins && m.PageWidth > 0 && m.PageHeight > 0) {
                const double kx = double(m.DevPageWidth) / m.PageWidth;
                const double ky = double(m.DevPageHeight) / m.PageHeight;
                r.Left = qRound((m.OffsetX + p->pgMargins[0]) * kx) - m.DevOffsetX;
                r.Top = qRound((m.OffsetY + p->pgMargins[1]) * ky) - m.DevOffsetY;
                r.Right =
                    r.Left + qRound((m.PrintableWidth - p->pgMargins[0] - p->pgMargins[2]) * kx);
                r.Bottom =
                    r.Top + qRound((m.PrintableHeight - p->pgMargins[1] - p->pgMargins[3]) * ky);
            }
            const bool visible = p->Visible;
            p->Visible = true;
            EMFPages.Draw(index, platform->GetCanvas(), r);
            p->Visible = visible;
            Progress(number);
        }
    }
    if (!begun) return;
    if (Terminated)
        platform->Abort();
    else
        platform->EndDoc();
}
