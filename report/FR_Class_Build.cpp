// Building a report page: its run-time bands, their totals, and the formation of the prepared
// pages from them (data levels, groups, page and column breaks, split bands).
#include "FR_Class.h"
#include "FR_DBSet.h"
#include "ScopeGuard.h"

#include <algorithm>
#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace {

TfrReport* activeReport() {
    return frGlobals().ActiveReport;
}

// The report whose prepared pages receive the output (the outermost one of a build).
TfrReport* outputReport() {
    TfrGlobals& g = frGlobals();
    return g.RootReport ? g.RootReport : g.ActiveReport;
}

bool stopped() {
    return frBuildStopped();
}

bool isStretchable(TfrView* v) {
    return dynamic_cast<TfrStretcheable*>(v) != nullptr && (v->Flags & flStretched);
}

// The data band whose record a band of a given type prints with: the footers belong to the
// data band of their level.
int dataTypeOf(int typ) {
    switch (typ) {
    case btReportSummary:
    case btPageFooter:
    case btMasterFooter:
    case btGroupFooter:
        return btMasterData;
    case btDetailFooter:
        return btDetailData;
    case btSubDetailFooter:
        return btSubDetailData;
    case btCrossFooter:
        return btCrossData;
    default:
        return -1;
    }
}

} // namespace

// ---- TfrBand ----------------------------------------------------------------------------

TfrBand::~TfrBand() {
    ReleaseDataSources();
}

void TfrBand::AttachDataSource(const QString& Source) {
    if (Typ == btGroupHeader) {
        GroupCondition = frGlobals().frParser.ToPostfix(Source);
        return;
    }
    const QString s = Trim(Source);
    if (s.isEmpty() || s.contains(u';')) {
        if (Typ == btMasterData && !DataSet && activeReport() &&
            activeReport()->ReportType == rtSimple)
            DataSet = activeReport()->Dataset;
        if (DataSet) DataSet->Init();
        return;
    }
    DataSet = frGetDataset(s);
    DataSetOwned = DataSet && frIsCountDataset(s);
    if (!DataSet)
        throw EfrBuildError(u"Набір даних \"%1\" смуги \"%2\" не знайдено"_s.arg(s, Name));
    DataSet->Init();
}

void TfrBand::ReleaseDataSources() {
    if (!DataSet) return;
    DataSet->Exit();
    if (DataSetOwned) delete DataSet;
    DataSet = nullptr;
    DataSetOwned = false;
}

bool TfrBand::IsShown() const {
    return View != nullptr || (Typ == btNone && Objects.Count() > 0);
}

int TfrBand::MeasureHeight() {
    TfrGlobals& g = frGlobals();
    g.ActiveBand = this;
    int h = dy;
    for (int i = 0; i < Objects.Count(); ++i) {
        auto* v = Objects.Get<TfrView>(i);
        if (v->Parent != this || !isStretchable(v)) continue;
        int need = 0;
        try {
            need = static_cast<TfrStretcheable*>(v)->MeasureHeight();
        } catch (...) {
            g.ActiveView = v;
            throw;
        }
        h = std::max(h, v->Top + need);
    }
    if (HasCrossCells) h = std::max(h, MeasureCrossCells());
    g.ActiveBand = this;
    CalcHeight = h;
    return h;
}

TfrDataset* TfrBand::CrossRecords(std::unique_ptr<TfrDataset>& Virtual) {
    TfrBand* data = Parent->Bands[btCrossData].get();
    TfrDataset* ds = data->DataSet;
    if (!ds) return nullptr;
    ds->First();
    if (Typ == btMasterFooter && ds->Eof() && data->CrossCount > 0) {
        Virtual = std::make_unique<TfrUserDataset>(nullptr);
        Virtual->RangeEnd = reCount;
        Virtual->RangeEndCount = data->CrossCount;
        ds = Virtual.get();
        ds->First();
    }
    return ds;
}

int TfrBand::MeasureCrossCells() {
    TfrGlobals& g = frGlobals();
    TfrPage* p = Parent;
    int h = 0;
    // Each stretching cell of a cross band is measured as the band prints it; the next
    // printing expands its text again.
    auto measure = [&](TfrBand* Cross) {
        g.ActiveBand = Cross;
        if (Cross->Typ == btCrossData) Cross->TotalsBand = this;
        for (int i = 0; i < Cross->Objects.Count(); ++i) {
            auto* v = Cross->Objects.Get<TfrView>(i);
            if (Objects.IndexOf(v) < 0 || !isStretchable(v)) continue;
            auto* s = static_cast<TfrStretcheable*>(v);
            TScopeGuard reset([s] { s->DrawMode = 0; });
            TScopeGuard named([&g, v] { g.ActiveView = v; });
            h = std::max(h, v->Top + s->MeasureHeight());
            named.Dismiss();
            reset.End();
        }
    };
    const int column = p->CrossColumn;
    for (int t : {btCrossHeader, btCrossFooter})
        if (p->Bands[t]->IsShown()) measure(p->Bands[t].get());
    TfrBand* data = p->Bands[btCrossData].get();
    std::unique_ptr<TfrDataset> virtualRecords;
    if (data->IsShown())
        if (TfrDataset* ds = CrossRecords(virtualRecords)) {
            p->CrossColumn = 1;
            for (; !ds->Eof() && !stopped(); ds->Next(), ++p->CrossColumn)
                measure(data);
        }
    p->CrossColumn = column;
    return h;
}

int TfrBand::TotalHeight() {
    if (IsDataBand() && DataSet && Next && !Next->DataSet) {
        int h = 0;
        for (TfrBand* b = this; b; b = b->Next)
            if (b == this || !b->DataSet) h += b->Stretched ? b->MeasureHeight() : b->dy;
        return h;
    }
    return Stretched ? MeasureHeight() : dy;
}

bool TfrBand::EnsureSpace(int Y, int Height, bool TestOnly) {
    if (Typ == btColumnFooter) return false;
    TfrPage* p = Parent;
    if (p->RecordMode && !TestOnly) return false; // the band that holds the sub-report breaks
    TfrBand* cf = p->Bands[btColumnFooter].get();
    const int footer = cf && cf->IsShown() ? cf->dy : 0;
    if (int64_t(Y) + Height + footer <= p->BottomY) return false;
    if (TestOnly) return true;
    if (p->CurY <= p->FreshPageY && p->CurColumn == 0) {
        // Nothing printed below the page's headers yet: a new page would not hold the band
        // either. It prints here and runs past the bottom.
        if (Height < 10000)
            frAddWarning(
                u"Смуга \"%1\" не вміщається на сторінці і виходить за її край"_s.arg(Name));
        return false;
    }
    p->NewColumn(this);
    return true;
}

bool TfrBand::Show() {
    TfrGlobals& g = frGlobals();
    TfrPage* p = Parent;
    TfrReport* r = activeReport();
    g.ActiveView = View;
    g.ActiveBand = this;
    CalcHeight = -1;
    NewPageRequests = NewColumnRequests = 0;
    if (r && r->OnBeginBand) r->OnBeginBand(this);

    if (TfrBand* last = p->LastShownBand;
        last && last != this && last->IsShown() && last->ColumnIndex > 1) {
        p->XOffset = last->FirstColumnX;
        p->CurY += last->CalcHeight > 0 ? last->CalcHeight : last->dy;
        last->ColumnIndex = 1;
    }
    if (!SkipScript && Script.Count() > 0) frRunScriptText(&Script);
    SkipScript = false;
    if (stopped()) return false;
    for (int i = 0; i < NewPageRequests; ++i) {
        p->CurColumn = std::max(p->ColCount, 1) - 1;
        p->NewColumn(this);
    }
    for (int i = 0; i < NewColumnRequests; ++i)
        p->NewColumn(this);

    bool result = false;
    if (Visible) {
        if (Typ == btColumnHeader) p->ColumnTopY = p->CurY;
        if (Typ == btPageFooter) y = p->BottomLimit();
        if (IsShown()) {
            CalcHeight = dy;
            if (Typ != btPageFooter && Typ != btOverlay && Typ != btColumnFooter && Typ != btNone &&
                !PageBreak) {
                if (int64_t(p->CurY) + TotalHeight() > p->BottomY) {
                    // A sub-report's band goes on with the next output page.
                    if (p->RecordMode) {
                        // Its script ran: the replay on the next page does not run it again.
                        SkipScript = true;
                        if (r && r->OnEndBand) r->OnEndBand(this);
                        return true;
                    }
                    EnsureSpace(p->CurY, 10000);
                }
            }
            if (IsDataBand() && DataSet && Next && !Next->DataSet) {
                for (TfrBand* b = this; b; b = b->Next)
                    if (b == this || !b->DataSet) b->Output();
            } else {
                Output();
                // A band whose sub-reports go on over a new page is not finished yet.
                result = p->PendingBand == this;
                if (Child && !result) Child->Show();
                if (!IsDataBand() && Typ != btGroupHeader && FormNewPage) p->NewPage();
            }
        }
    } else {
        if (PrintChildIfInvisible && Child) Child->Show();
        if (IsDataBand()) AccumulateTotals();
    }
    if (!RepeatingHeader) {
        if (Typ == btPageFooter) {
            if (g.PageNo >= outputReport()->EMFPages.Count() - 1) ResetTotals();
        } else {
            ResetTotals();
        }
    }
    if (r && r->OnEndBand) r->OnEndBand(this);
    return result;
}

void TfrBand::Output() {
    if (!IsShown()) return;
    TfrPage* p = Parent;
    const int savedY = y;
    const bool flowing = Typ != btPageFooter && Typ != btOverlay && Typ != btNone;
    if (flowing) y = p->CurY;
    int used = dy;
    if (Stretched) {
        const int h = MeasureHeight();
        std::vector<int> heights;
        for (int i = 0; i < Objects.Count(); ++i) {
            auto* v = Objects.Get<TfrView>(i);
            heights.push_back(v->Height);
            const bool cell = v->Parent && v->Parent != this && HasCrossCells;
            if ((v->Parent == this || cell) && isStretchable(v) && v->Height >= 1)
                v->Height = h - v->Top;
        }
        MaxDy = h;
        if (!PageBreak && flowing) {
            EnsureSpace(y, h);
            y = p->CurY;
        }
        bool ranSubReports = false;
        if (PageBreak) {
            PrintSplit();
        } else {
            ranSubReports = PrintObjects();
            if (HasCrossCells && Typ != btPageFooter) PrintCross();
        }
        for (int i = 0; i < Objects.Count() && i < int(heights.size()); ++i)
            Objects.Get<TfrView>(i)->Height = heights[size_t(i)];
        if (!PageBreak && flowing && !ranSubReports) p->CurY += h;
        used = h;
    } else {
        if (flowing && !PageBreak) {
            EnsureSpace(y, dy);
            y = p->CurY;
        }
        if (PageBreak) {
            MaxDy = CalcHeight > 0 ? CalcHeight : dy;
            PrintSplit();
        } else {
            const bool ranSubReports = PrintObjects();
            if (HasCrossCells && Typ != btPageFooter) PrintCross();
            if (!ranSubReports && flowing) p->CurY += dy;
        }
    }
    CalcHeight = used;

    if (p->LastShownBand != this) ColumnIndex = 1;
    p->LastShownBand = this;
    if (View && View->Columns >= 2 && View->NewColumnAfter == 1 && flowing) {
        if (ColumnIndex == 1) FirstColumnX = p->XOffset;
        ++ColumnIndex;
        if (ColumnIndex <= View->Columns) {
            p->XOffset = (View->ColumnWidth + View->ColumnGap) * (ColumnIndex - 1) + FirstColumnX;
            p->CurY -= used;
        } else {
            p->XOffset = FirstColumnX;
            ColumnIndex = 1;
        }
    }
    y = savedY;
    if (IsDataBand()) AccumulateTotals();
}

void TfrBand::PrintObject(TfrView* View) {
    TfrGlobals& g = frGlobals();
    if (View->Parent != this) return;
    g.ActivePage = Parent;
    g.ActiveBand = this;
    if (g.FirstPassRunning && !PageBreak) {
        auto* s = dynamic_cast<TfrStretcheable*>(View);
        if (!s || s->DrawMode == 0) View->RunScript();
        if (s) s->DrawMode = 0;
        return;
    }
    printAt(View, Parent->XOffset - Parent->LeftLimit());
}

void TfrBand::printAt(TfrView* View, int Shift) {
    TfrGlobals& g = frGlobals();
    TfrReport* out = outputReport();
    if (g.PageNo < 0 || g.PageNo >= out->EMFPages.Count()) return;
    View->Left += Shift;
    View->Top += y;
    TScopeGuard back([&] {
        View->Left -= Shift;
        View->Top -= y;
    });
    // the build's message names the view that failed
    TScopeGuard named([&] { g.ActiveView = View; });
    View->Print(out->EMFPages[g.PageNo]->Stream.get());
    named.Dismiss();
    back.End();
}

void TfrBand::PrintCrossCells(TfrBand* Cross, int X) {
    TfrGlobals& g = frGlobals();
    g.ActivePage = Parent;
    g.ActiveBand = Cross;
    Cross->LocalCount = LocalCount;
    Cross->GlobalCount = GlobalCount;
    if (Cross->Typ == btCrossData) Cross->TotalsBand = this;
    for (int i = 0; i < Cross->Objects.Count(); ++i) {
        auto* v = Cross->Objects.Get<TfrView>(i);
        if (Objects.IndexOf(v) < 0) continue;
        if (g.FirstPassRunning)
            v->RunScript();
        else
            printAt(v, X + Parent->XOffset - Parent->LeftLimit());
    }
}

void TfrBand::PrintCross() {
    TfrGlobals& g = frGlobals();
    TfrPage* p = Parent;
    TfrReport* r = activeReport();
    TfrReport* out = outputReport();
    const int startPage = g.PageNo;
    TfrBand* header = p->Bands[btCrossHeader].get();
    TfrBand* data = p->Bands[btCrossData].get();
    TfrBand* footer = p->Bands[btCrossFooter].get();
    int x = 0;
    // A cell that passes the right edge goes on to the next output page at the same height;
    // that page is added when it is not there yet.
    auto room = [&](int Width) {
        if (int64_t(x) + Width <= p->RightLimit() || x <= p->LeftLimit()) return;
        x = p->LeftLimit();
        ++g.PageNo;
        if (g.PageNo >= out->EMFPages.Count()) {
            out->EMFPages.Add(p);
            const int savedY = p->CurY;
            p->CurY = p->TopLimit();
            p->ShowBand(p->Bands[btOverlay].get());
            TfrBand* ph = p->Bands[btPageHeader].get();
            if (startPage != 0 || (ph->Flags & flBandOnFirstPage)) p->ShowBand(ph);
            p->CurY = savedY;
            r->Progress(out->EMFPages.Count());
        }
        if (header->IsShown() && (header->Flags & flBandRepeatHeader)) {
            PrintCrossCells(header, x);
            x += header->dx;
        }
    };
    p->CrossColumn = 1;
    if (header->IsShown()) {
        if (header->Script.Count() > 0) frRunScriptText(&header->Script);
        PrintCrossCells(header, header->x);
        x = header->x + header->dx;
    }
    std::unique_ptr<TfrDataset> virtualRecords;
    if (TfrDataset* ds = data->IsShown() ? CrossRecords(virtualRecords) : nullptr) {
        if (x == 0) x = data->x;
        int count = 0;
        while (!ds->Eof() && !stopped()) {
            if (data->Script.Count() > 0) frRunScriptText(&data->Script);
            room(data->dx);
            PrintCrossCells(data, x);
            data->AccumulateTotals();
            if (IsDataBand()) AccumulateColumnTotals(p->CrossColumn);
            x += data->dx;
            ++p->CrossColumn;
            ++count;
            ds->Next();
        }
        data->CrossCount = std::max(data->CrossCount, count);
    }
    if (footer->IsShown()) {
        if (x == 0) x = footer->x;
        if (footer->Script.Count() > 0) frRunScriptText(&footer->Script);
        room(footer->dx);
        PrintCrossCells(footer, x);
        footer->ResetTotals();
    }
    g.PageNo = startPage;
    g.ActiveBand = this;
}

bool TfrBand::PrintObjects() {
    std::vector<TfrSubReportView*> subReports;
    for (int i = 0; i < Objects.Count() && !stopped(); ++i) {
        auto* v = Objects.Get<TfrView>(i);
        // (the type code first: a cast across the view classes costs more than the test)
        if (auto* sr = v->Typ == gtSubReport ? dynamic_cast<TfrSubReportView*>(v) : nullptr) {
            if (v->Parent == this && v->Visible) subReports.push_back(sr);
            continue;
        }
        PrintObject(v);
    }
    if (subReports.empty()) return false;
    StartSubReports(subReports);
    return true;
}

void TfrBand::StartSubReports(const std::vector<TfrSubReportView*>& Views) {
    TfrGlobals& g = frGlobals();
    TfrPage* p = Parent;
    TfrReport* r = activeReport();
    // Each sub-report's page records its formation, then replays it below the band's views,
    // side by side; the ones that do not finish go on together on new pages.
    subPages.clear();
    for (TfrSubReportView* v : Views) {
        if (v->SubPage < 0 || v->SubPage >= r->Pages.Count()) continue;
        TfrPage* sp = r->Pages[v->SubPage];
        if (sp == p || sp->PageType != ptReport || !sp->Bands[0] || sp->RecordMode) continue;
        sp->RecordMode = true;
        sp->Steps.clear();
        sp->StepIndex = 0;
        sp->PendingBand = nullptr;
        sp->BuildOutput();
        sp->UseMargins = p->UseMargins;
        std::copy(std::begin(p->pgMargins), std::end(p->pgMargins), std::begin(sp->pgMargins));
        sp->PrintableArea = p->PrintableArea;
        sp->CurY = y + v->Top;
        sp->BottomY = p->BottomY;
        sp->XOffset = p->XOffset + v->Left;
        sp->ColCount = 1;
        subPages.push_back({sp, false});
    }
    subStartPage = g.PageNo;
    p->PendingBand = nullptr;
    ContinueSubReports(true);
}

bool TfrBand::ContinueSubReports(bool First) {
    TfrPage* p = Parent;
    for (bool first = First;; first = false) {
        if (!first)
            for (SubPage& s : subPages) {
                s.page->CurY = p->CurY;
                s.page->BottomY = p->BottomY;
            }
        SubReportsDone = true;
        SubReportBottom = p->CurY;
        for (SubPage& s : subPages) {
            if (s.finished) continue;
            if (s.page->PlaySteps()) {
                SubReportsDone = false;
            } else {
                s.finished = true;
                SubReportBottom = std::max(SubReportBottom, s.page->CurY);
            }
        }
        if (SubReportsDone || stopped()) break;
        if (p->RecordMode) {
            // A sub-report inside a sub-report: the outer one starts the new page and
            // continues this band there before its next step.
            p->PendingBand = this;
            return true;
        }
        p->NewPage();
    }
    finishSubReports();
    return false;
}

void TfrBand::finishSubReports() {
    TfrGlobals& g = frGlobals();
    TfrPage* p = Parent;
    for (SubPage& s : subPages) {
        s.page->Steps.clear();
        s.page->RecordMode = false;
        s.page->PendingBand = nullptr;
        s.page->LastShownBand = nullptr;
    }
    subPages.clear();
    if (p->PendingBand == this) p->PendingBand = nullptr;
    g.ActivePage = p;
    g.ActiveBand = this;
    p->CurY = SubReportBottom;
    if (g.PageNo == subStartPage) p->CurY = std::max(p->CurY, y + dy);
    SubReportsDone = true;
}

void TfrBand::PrintSplit() {
    TfrPage* p = Parent;
    TfrGlobals& g = frGlobals();
    if (int64_t(y) + MaxDy <= p->BottomY) {
        PrintObjects();
        p->CurY += MaxDy;
        return;
    }
    // Each view prints what of it lies above the page's bottom; a text view prints the lines
    // that fit and keeps the rest for the next page, where the views below it follow it.
    struct Part {
        TfrView* view;
        int top, height;
        bool started = false, done = false;
        QStringList rest; // the wrapped lines of a started text view still to print
    };
    std::vector<Part> parts;
    for (int i = 0; i < Objects.Count(); ++i) {
        auto* v = Objects.Get<TfrView>(i);
        if (v->Parent == this) parts.push_back({v, v->Top, v->Height, false, false, {}});
    }
    auto textOf = [](TfrView* v) {
        return v->Flags & flStretched ? dynamic_cast<TfrMemoView*>(v) : nullptr;
    };
    // The height the still unprinted lines of a started text view need.
    auto restHeight = [](TfrMemoView* m, const Part& part) {
        return frClampCoord(int64_t(part.rest.size()) * m->LineHeight + 2 * int64_t(m->GapY) +
                            frRoundCoord(2.0 * m->FrameWidth));
    };
    // Prints the lines of a started text view that fit its current height.
    auto printPart = [&](TfrMemoView* m, Part& part) {
        g.WrappedLines.Clear();
        for (const QString& l : part.rest)
            g.WrappedLines.Add(l);
        m->DrawMode = 2;
        PrintObject(m);
        part.rest.clear();
        for (int k = 0; k < g.WrappedLines.Count(); ++k)
            part.rest << g.WrappedLines[k];
        part.done = part.rest.isEmpty();
    };
    // Views wholly below a view that grew and starting within its width move down.
    auto shiftBelow = [&](const Part& grown, int oldBottom, int distance) {
        if (distance <= 0) return;
        for (Part& other : parts)
            if (&other != &grown && !other.done && !other.started && other.view->Top >= oldBottom &&
                other.view->Left >= grown.view->Left &&
                other.view->Left < grown.view->Left + grown.view->Width)
                other.view->Top += distance;
    };
    int bottom = 0;
    auto clipped = [&](Part& part, int available) {
        part.view->Top = std::max(part.view->Top, 0);
        part.view->Height = std::max(1, std::min(part.view->Height, available - part.view->Top));
        PrintObject(part.view);
        part.done = true;
        bottom = std::max(bottom, part.view->Top + part.view->Height);
        frAddWarning(u"Смуга \"%1\" надрукована обрізаною: \"%2\" не вміщається на сторінці"_s.arg(
            Name, part.view->Name));
    };
    TfrBand* cf = p->Bands[btColumnFooter].get();
    const int footer = cf && cf->IsShown() ? cf->dy : 0;
    for (;;) {
        const int available = p->BottomY - footer - y - 2;
        const bool fresh = p->CurY <= p->FreshPageY;
        bottom = 0;
        for (Part& part : parts) {
            if (part.done) continue;
            TfrView* v = part.view;
            TfrMemoView* m = textOf(v);
            if (part.started) {
                // The rest of a text view continues at the top of this page.
                const int need = restHeight(m, part);
                v->Top = 0;
                v->Height = std::min(need, available);
                const qsizetype before = part.rest.size();
                printPart(m, part);
                if (!part.done && part.rest.size() == before) {
                    // Not a line fits on an empty page: the rest is dropped, and said so.
                    part.done = true;
                    frAddWarning(u"Смуга \"%1\": текст \"%2\" не вміщається на сторінці"_s.arg(
                        Name, v->Name));
                }
                bottom = std::max(bottom, v->Height);
                if (!part.done) shiftBelow(part, need, restHeight(m, part) - (need - available));
                continue;
            }
            if (v->Top >= available) continue; // on a later page
            if (v->Top + v->Height <= available) {
                PrintObject(v);
                part.done = true;
                bottom = std::max(bottom, v->Top + v->Height);
                continue;
            }
            if (m) {
                const int height = v->Height;
                v->Height = available - v->Top;
                if (m->MinimumHeight() <= v->Height) {
                    m->MeasureHeight();
                    for (int k = 0; k < g.WrappedLines.Count(); ++k)
                        part.rest << g.WrappedLines[k];
                    part.started = true;
                    printPart(m, part);
                    bottom = std::max(bottom, available);
                    if (!part.done)
                        shiftBelow(part, v->Top + height,
                                   restHeight(m, part) - (v->Top + height - available));
                    continue;
                }
                v->Height = height;
            }
            // Nothing of it fits here: it starts the next page, unless even an empty page
            // cannot hold it, when it prints here cut at the bottom.
            if (fresh && v->Top == 0)
                clipped(part, available);
            else
                v->Top = available;
        }
        bool left = false;
        for (Part& part : parts)
            if (!part.done) {
                if (!part.started) part.view->Top -= available;
                left = true;
            }
        if (!left || stopped()) break;
        MaxDy = bottom;
        p->NewColumn(this);
        y = p->CurY;
    }
    MaxDy = bottom;
    for (Part& part : parts) {
        part.view->Top = part.top;
        part.view->Height = part.height;
        if (auto* st = dynamic_cast<TfrStretcheable*>(part.view)) st->DrawMode = 0;
    }
    p->CurY = y + MaxDy;
}

TfrTotal& TfrBand::AddTotal(const QString& Descriptor) {
    for (TfrTotal& t : Totals)
        if (t.Descriptor == Descriptor) return t;
    TfrTotal t;
    t.Descriptor = Descriptor;
    QStringList f = Descriptor.split(QChar(1));
    if (f.size() > 5) t.Column = f.takeFirst().toInt();
    t.Footer = f.value(0);
    t.Code = f.value(1).isEmpty() ? 0 : f.value(1)[0].unicode();
    t.Expression = f.value(2);
    t.CountInvisible = Trim(f.value(3)) == u"1"_s;
    t.Value = Variant(0);
    Totals.push_back(t);
    return Totals.back();
}

Variant TfrBand::GetTotal(const QString& Descriptor) const {
    for (const TfrTotal& t : Totals) {
        if (t.Descriptor != Descriptor) continue;
        if (t.Count == 0 && (t.Code == 12 || t.Code == 13 || t.Code == 14)) return Null();
        if (t.Code == 14) return Variant(t.Value.AsDouble() / t.Count);
        return t.Value;
    }
    // A cross column no record reached yet: its pattern's empty value.
    const qsizetype k = Descriptor.indexOf(QChar(1));
    const QString pattern = u"0"_s + Descriptor.mid(k);
    for (const TfrTotal& t : Totals)
        if (k > 0 && t.Column == 0 && t.Descriptor == pattern)
            return t.Code == 11 || t.Code == 15 ? Variant(0) : Null();
    return Null();
}

void TfrBand::AccumulateColumnTotals(int Column) {
    std::vector<size_t> patterns;
    for (size_t i = 0; i < Totals.size(); ++i)
        if (Totals[i].Column == 0) patterns.push_back(i);
    if (patterns.empty()) return;
    std::vector<size_t> columns;
    for (size_t i : patterns) {
        const QString d = Totals[i].Descriptor;
        const QString own = QString::number(Column) + d.mid(d.indexOf(QChar(1)));
        size_t k = 0;
        while (k < Totals.size() && Totals[k].Descriptor != own)
            ++k;
        if (k == Totals.size()) {
            TfrTotal t = Totals[i];
            t.Descriptor = own;
            t.Column = Column;
            t.Value = Variant(0);
            t.Count = 0;
            Totals.push_back(t);
        }
        columns.push_back(k);
    }
    std::vector<TfrTotal*> list;
    for (size_t k : columns)
        list.push_back(&Totals[k]);
    accumulate(list);
}

void TfrBand::AccumulateTotals() {
    std::vector<TfrTotal*> list;
    for (TfrTotal& t : Totals)
        if (t.Column < 0) list.push_back(&t);
    accumulate(list);
}

void TfrBand::accumulate(const std::vector<TfrTotal*>& List) {
    if (List.empty()) return;
    TfrGlobals& g = frGlobals();
    TfrBand* savedBand = g.ActiveBand;
    g.ActiveBand = this;
    QString lastExpr;
    Variant lastValue;
    bool haveLast = false;
    for (TfrTotal* tp : List) {
        TfrTotal& t = *tp;
        if (!Visible && !t.CountInvisible) continue;
        Variant v;
        if (t.Code != 15) {
            if (haveLast && t.Expression == lastExpr) {
                v = lastValue;
            } else {
                Variant raw;
                activeReport()->GetVariableValue(t.Expression, raw);
                v = VarIsNull(raw) || VarIsClear(raw) ? Variant(0) : raw;
                if (VarType(v) == varString) v = Variant(StrToFloatDef(Trim(VarToStr(v)), 0));
                lastExpr = t.Expression;
                lastValue = v;
                haveLast = true;
            }
        }
        switch (t.Code) {
        case 11:
        case 14:
            t.Value = t.Value + v;
            break;
        case 12:
            if (t.Count == 0 || v.AsDouble() < t.Value.AsDouble()) t.Value = v;
            break;
        case 13:
            if (t.Count == 0 || v.AsDouble() > t.Value.AsDouble()) t.Value = v;
            break;
        case 15:
            t.Value = t.Value + Variant(1);
            break;
        default:
            break;
        }
        ++t.Count;
    }
    g.ActiveBand = savedBand;
}

void TfrBand::ResetTotals() {
    if (Typ == btGroupHeader) {
        TfrGlobals& g = frGlobals();
        TfrBand* saved = g.ActiveBand;
        g.ActiveBand = DataBand ? DataBand : this;
        LastGroupValue = g.frParser.CalcPostfix(GroupCondition);
        g.ActiveBand = saved;
        return;
    }
    if (!TotalsBand) return;
    for (TfrTotal& t : TotalsBand->Totals)
        if (AnsiSameText(t.Footer, Name)) {
            t.Value = Variant(0);
            t.Count = 0;
        }
}

// ---- TfrPage: the usable area --------------------------------------------------------------

int TfrPage::TopLimit() const {
    if (!UseMargins) return 0;
    return frClampCoord(pgMargins[1] != 0 ? pgMargins[1] : PrintableArea.OffsetY);
}

int TfrPage::BottomLimit() const {
    const TfrPageMetrics& m = PrintableArea;
    int64_t b = !UseMargins         ? m.PageHeight
                : pgMargins[3] != 0 ? int64_t(m.PageHeight) - pgMargins[3]
                                    : int64_t(m.OffsetY) + m.PrintableHeight;
    TfrBand* f = Bands[btPageFooter].get();
    if (frGlobals().ReportRunning && f && f->IsShown()) b -= f->dy;
    return frClampCoord(b);
}

// ---- TfrPage: bands ---------------------------------------------------------------------

void TfrPage::PrepareBuild() {
    TfrGlobals& g = frGlobals();
    TfrReport* r = activeReport();
    if (PageType == ptReport && BandsBuilt && r && r->TwoPass == 0xFFFF && r->FinalPass) {
        for (auto& b : Bands)
            for (TfrBand* c = b.get(); c; c = c->Next)
                if (c->DataSet) c->DataSet->First();
        return;
    }
    if (PageType == ptDialog) {
        g.ActivePage = this;
        // The final pass of a two-pass build keeps the answers of the first.
        const bool answered = r && r->TwoPass == 0xFFFF && r->FinalPass;
        if (!answered && frShowDialogPage(this) && r) r->Terminated = true;
        BandsBuilt = 1;
        return;
    }
    for (int t = 0; t < 23; ++t)
        Bands[t] = std::make_unique<TfrBand>(t, this);
    LinkBands();
    RecordCount = 1;
    BandsBuilt = 1;
}

void TfrPage::LinkBands() {
    TfrGlobals& g = frGlobals();
    g.ActivePage = this;
    Notified.clear();
    std::vector<TfrView*> unplaced;
    for (int i = 0; i < Objects.Count(); ++i) {
        TfrView* v = GetObject(i);
        v->Parent = nullptr;
        v->ParentPage = this;
        if (v->Typ != gtBand) {
            unplaced.push_back(v);
            designedPlaces.push_back({v, v->Left, v->Top});
        }
    }
    // Band views become bands, further ones of a type chained after the first by their top.
    std::vector<TfrBand*> all;
    for (int t = 0; t < 23; ++t) {
        std::vector<TfrBandView*> views;
        for (int i = 0; i < Objects.Count(); ++i)
            if (auto* bv = dynamic_cast<TfrBandView*>(GetObject(i)); bv && bv->GetBandType() == t)
                views.push_back(bv);
        std::stable_sort(views.begin(), views.end(),
                         [](TfrBandView* a, TfrBandView* b) { return a->Top < b->Top; });
        TfrBand* prev = nullptr;
        for (TfrBandView* bv : views) {
            TfrBand* b;
            if (!prev) {
                b = Bands[t].get();
            } else {
                ChainedBands.push_back(std::make_unique<TfrBand>(t, this));
                b = ChainedBands.back().get();
                prev->Next = b;
                b->Prev = prev;
            }
            b->View = bv;
            b->Name = bv->Name;
            b->Script.Assign(&bv->Script);
            b->y = bv->Top;
            b->dy = bv->Height;
            b->x = bv->Left;
            b->dx = bv->Width;
            b->Flags = bv->Flags;
            b->Visible = bv->Visible;
            b->Stretched = bv->Flags & flStretched;
            b->PrintIfSubsetEmpty = bv->Flags & flBandPrintIfSubsetEmpty;
            b->FormNewPage = !IsSubReport && (bv->Flags & flBandNewPageAfter);
            b->PageBreak = !IsSubReport && (bv->Flags & flBandBreaked);
            b->PrintChildIfInvisible = bv->Flags & flBandPrintChildIfInvisible;
            b->AttachDataSource(bv->GetDataSet());
            Bands[t]->ChainLast = b;
            all.push_back(b);
            prev = b;
        }
    }
    // Views lying within a cross band's width are its cells: their x becomes relative to it,
    // and the band they also lie in prints them once per cross record.
    for (TfrView* v : unplaced)
        for (int t = btCrossHeader; t <= btCrossFooter; ++t) {
            TfrBand* cb = Bands[t].get();
            if (!cb->View || v->Left < cb->x || v->Left + v->Width > cb->x + cb->dx) continue;
            v->Parent = cb;
            v->Left -= cb->x;
            cb->Objects.Add(v);
            break;
        }
    // Views go to the band whose height holds their top; the rest to the page's own band.
    for (TfrView* v : unplaced) {
        const bool cell = v->Parent != nullptr;
        for (TfrBand* b : all) {
            if (b->Typ >= btCrossHeader && b->Typ <= btCrossFooter) continue;
            if (v->Top >= b->y && v->Top <= b->y + b->dy) {
                if (cell)
                    b->HasCrossCells = true;
                else
                    v->Parent = b;
                v->Top -= b->y;
                b->Objects.Add(v);
                break;
            }
        }
        if (!v->Parent) {
            v->Parent = Bands[btNone].get();
            Bands[btNone]->Objects.Add(v);
        }
    }
    // Headers, footers and groups of each data level.
    const int levels[3][3] = {{btMasterHeader, btMasterData, btMasterFooter},
                              {btDetailHeader, btDetailData, btDetailFooter},
                              {btSubDetailHeader, btSubDetailData, btSubDetailFooter}};
    for (const auto& l : levels) {
        TfrBand* d = Bands[l[1]].get();
        TfrBand* h = Bands[l[0]].get();
        TfrBand* f = Bands[l[2]].get();
        if (!d->IsShown()) continue;
        d->Header = h->IsShown() ? h : nullptr;
        d->Footer = f->IsShown() ? f : nullptr;
        h->DataBand = d;
        f->DataBand = d;
    }
    // Group headers (by their top) belong to the first data band below them; each group
    // header's footer is the group footer in the same nesting position, counted from inside.
    std::vector<TfrBand*> headers, footers;
    for (TfrBand* b = Bands[btGroupHeader].get(); b && b->View; b = b->Next)
        headers.push_back(b);
    for (TfrBand* b = Bands[btGroupFooter].get(); b && b->View; b = b->Next)
        footers.push_back(b);
    for (size_t i = 0; i < headers.size(); ++i) {
        TfrBand* gh = headers[i];
        TfrBand* data = nullptr;
        for (int t : {btMasterData, btDetailData, btSubDetailData})
            for (TfrBand* b = Bands[t].get(); b && b->View; b = b->Next)
                if (b->y > gh->y && (!data || b->y < data->y)) data = b;
        if (!data) continue;
        gh->DataBand = data;
        if (!data->FirstGroup) data->FirstGroup = gh;
        if (data->LastGroup) {
            data->LastGroup->NextGroup = gh;
            gh->PrevGroup = data->LastGroup;
        }
        data->LastGroup = gh;
    }
    for (int t : {btMasterData, btDetailData, btSubDetailData}) {
        TfrBand* data = Bands[t].get();
        std::vector<TfrBand*> fs;
        for (TfrBand* f : footers)
            if (f->y > data->y) fs.push_back(f);
        int k = 0;
        for (TfrBand* gh = data->LastGroup; gh && k < int(fs.size()); gh = gh->PrevGroup, ++k) {
            gh->Footer = fs[size_t(k)];
            fs[size_t(k)]->DataBand = data;
        }
    }
    // Children by name.
    for (TfrBand* b : all)
        if (b->View && !b->View->ChildBand.isEmpty())
            for (TfrBand* c = Bands[btChild].get(); c && c->View; c = c->Next)
                if (AnsiSameText(c->Name, b->View->ChildBand)) b->Child = c;
}

void TfrPage::PrepareLinks() {
    if (PageType != ptReport || !Bands[0]) return;
    TfrGlobals& g = frGlobals();
    TfrReport* r = activeReport();
    std::vector<TfrBand*> all, candidates;
    for (auto& head : Bands)
        for (TfrBand* b = head.get(); b; b = b->Next) {
            all.push_back(b);
            if ((b->IsDataBand() || b->Typ == btCrossData) && b->IsShown()) candidates.push_back(b);
        }
    g.PreparingAggregates = true;
    TScopeGuard done([&] {
        g.PreparingAggregates = false;
        AggregateCandidate = nullptr;
    });
    for (TfrBand* cand : candidates) {
        AggregateCandidate = cand;
        for (TfrBand* b : all) {
            if (!b->IsShown()) continue;
            g.ActiveBand = b;
            for (int i = 0; i < b->Objects.Count(); ++i) {
                auto* v = b->Objects.Get<TfrView>(i);
                QStringList calls;
                TAggregateFunctionsSplitter split(&calls);
                if (v->Typ == gtMemo) split.SplitMemo(&v->Memo);
                TfrActiveViewScope scope(v);
                for (const QString& c : calls) {
                    Variant ignored;
                    try {
                        ignored = g.frParser.Calc(c);
                    } catch (const Exception&) {
                        // an aggregate whose arguments do not read yet: not a total
                    }
                }
            }
        }
    }
    done.End();
    (void)r;
}

void TfrPage::FinishBuild() {
    for (auto& b : Bands)
        b.reset();
    ChainedBands.clear();
    // The views' tops were made relative to their bands: the next build links them again.
    for (const auto& [v, left, top] : designedPlaces) {
        v->Left = left;
        v->Top = top;
    }
    designedPlaces.clear();
    for (int i = 0; i < Objects.Count(); ++i)
        GetObject(i)->Parent = nullptr;
    pending.clear();
    Steps.clear();
    StepIndex = 0;
    RecordMode = false;
    PendingBand = nullptr;
    LastShownBand = nullptr;
    BandsBuilt = 0;
    Processed = false;
}

// ---- TfrPage: formation -----------------------------------------------------------------

void TfrPage::ResetLocalCount(TfrBand* Band, int Value) {
    Band->LocalCount = Value;
    for (int i = 0; i < Band->Objects.Count(); ++i)
        if (auto* m = dynamic_cast<TfrMemoView*>(Band->Objects.Get<TfrView>(i)))
            m->LastValue.clear();
}

void TfrPage::ShowBand(TfrBand* Band) {
    if (!Band) return;
    if (RecordMode)
        AddStep(Band, 0);
    else
        Band->Show();
}

void TfrPage::AddStep(TfrBand* Band, int Action) {
    Steps.push_back({Band, Action});
}

bool TfrPage::PlaySteps() {
    for (; StepIndex < Steps.size(); ++StepIndex) {
        if (stopped()) return false;
        TfrBand* b = Steps[StepIndex].Band;
        switch (Steps[StepIndex].Action) {
        case 0:
            if (TfrBand* waiting = PendingBand) {
                // The band of this step runs its sub-reports on over the new page.
                if (waiting->ContinueSubReports(false)) return true;
                break;
            }
            if (b->Show()) return true; // did not fit: shown again on the next page
            break;
        case 1:
            b->DataSet->First();
            ResetLocalCount(b, 1);
            b->GlobalCount = 1;
            break;
        default:
            b->DataSet->Next();
            ++RecordCount;
            ++b->GlobalCount;
            ++b->LocalCount;
            break;
        }
    }
    return false;
}

bool TfrPage::ShowBandByName(const QString& BandName) {
    for (auto& head : Bands)
        for (TfrBand* b = head.get(); b; b = b->Next)
            if (b->View && AnsiSameText(b->Name, BandName)) {
                b->Show();
                return true;
            }
    return false;
}

void TfrPage::NewPage() {
    TfrGlobals& g = frGlobals();
    TfrReport* out = outputReport();
    activeReport()->Progress(out->EMFPages.Count() + 1);
    if (!Finishing) ShowBand(Bands[btColumnFooter].get());
    ShowPageFooters();
    BottomY = BottomLimit();
    out->EMFPages.Add(this);
    g.PageNo = out->EMFPages.Count() - 1;
    g.AppendToLastPage = false;
    ShowBand(Bands[btOverlay].get());
    CurY = TopLimit();
    CurColumn = 0;
    XOffset = LeftLimit();
    ShowBand(Bands[btPageHeader].get());
    ShowBand(Bands[btColumnHeader].get());
    FreshPageY = CurY;
}

void TfrPage::NewColumn(TfrBand* Band) {
    if (CurColumn < ColCount - 1) {
        ShowBand(Bands[btColumnFooter].get());
        ++CurColumn;
        XOffset += ColWidth + ColGap;
        CurY = ColumnTopY;
        ShowBand(Bands[btColumnHeader].get());
        FreshPageY = CurY;
    } else {
        NewPage();
    }
    // Group headers above the band that asked show again when they repeat.
    for (TfrBand* gh = Bands[btGroupHeader].get(); gh && gh->View; gh = gh->Next) {
        if (!Band || gh->y >= Band->y) break;
        if ((gh->Flags & flBandRepeatHeader) && !Finishing) {
            gh->RepeatingHeader = true;
            gh->Show();
            gh->RepeatingHeader = false;
        }
    }
    if (Band && Band->IsDataBand() && Band->Header && (Band->Header->Flags & flBandRepeatHeader)) {
        Band->Header->RepeatingHeader = true;
        Band->Header->Show();
        Band->Header->RepeatingHeader = false;
    }
    FreshPageY = CurY;
}

void TfrPage::ShowPageFooters() {
    TfrGlobals& g = frGlobals();
    TfrReport* out = outputReport();
    CurColumn = 0;
    XOffset = LeftLimit();
    TfrBand* f = Bands[btPageFooter].get();
    const int savedPage = g.PageNo;
    if (g.OutputPageIndex == g.ReportFirstPage && f && f->IsShown() &&
        !(f->Flags & flBandOnFirstPage)) {
        g.OutputPageIndex = out->EMFPages.Count();
        return;
    }
    for (int i = g.OutputPageIndex; i < out->EMFPages.Count(); ++i) {
        if (!(g.AppendToLastPage && g.LastFooterShown)) {
            g.PageNo = i;
            TfrReport* r = activeReport();
            if (r && r->OnEndPage) r->OnEndPage(i);
            if (g.RootReport && g.RootReport != r && g.RootReport->OnEndPage)
                g.RootReport->OnEndPage(i);
            ShowBand(f);
        }
        g.OutputPageIndex = i + 1;
    }
    g.OutputPageIndex = out->EMFPages.Count();
    g.PageNo = savedPage;
}

void TfrPage::addPending(TfrBand* Band) {
    if (Band) pending.push_back(Band);
}

void TfrPage::showPending() {
    std::vector<TfrBand*> list;
    list.swap(pending);
    for (TfrBand* b : list)
        if (b->IsShown()) ShowBand(b);
}

void TfrPage::RunDataLevel(int Level) {
    static const int dataTypes[3] = {btMasterData, btDetailData, btSubDetailData};
    for (TfrBand* band = Bands[dataTypes[Level - 1]].get(); band; band = band->Next) {
        TfrDataset* ds = band->DataSet;
        if (!ds) continue;
        ds->First();
        if (RecordMode) {
            AddStep(band, 1);
        } else {
            ResetLocalCount(band, 1);
            band->GlobalCount = 1;
        }
        for (TfrBand* gh = band->FirstGroup; gh; gh = gh->NextGroup) {
            gh->LocalCount = 0;
            gh->GlobalCount = 0;
            gh->LastGroupValue = Variant();
        }
        if (ds->Eof()) continue;
        for (TfrBand* gh = band->FirstGroup; gh; gh = gh->NextGroup) {
            ++gh->LocalCount;
            ++gh->GlobalCount;
            addPending(gh);
        }
        addPending(band->Header);
        if (band->Footer) band->Footer->ResetTotals();
        while (!ds->Eof() && !stopped()) {
            addPending(band);
            if (band->PrintIfSubsetEmpty) showPending();
            bool counts = true;
            if (Level < lastLevel) {
                const size_t before = pending.size();
                RunDataLevel(Level + 1);
                if (!pending.empty() && pending.size() >= before) {
                    if (band->PrintIfSubsetEmpty)
                        showPending();
                    else {
                        pending.pop_back();
                        counts = false;
                    }
                }
            } else {
                showPending();
            }
            ds->Next();
            TfrBand* broke = nullptr;
            TfrGlobals& g = frGlobals();
            for (TfrBand* gh = band->FirstGroup; gh && !broke; gh = gh->NextGroup) {
                if (ds->Eof() || VarIsClear(gh->LastGroupValue)) {
                    broke = gh;
                    break;
                }
                TfrBand* saved = g.ActiveBand;
                g.ActiveBand = band;
                const Variant now = g.frParser.CalcPostfix(gh->GroupCondition);
                g.ActiveBand = saved;
                if (now != gh->LastGroupValue) broke = gh;
            }
            if (broke) {
                const bool atEnd = ds->Eof();
                bool steppedBack = false;
                if (!atEnd) {
                    try {
                        ds->Prior();
                        steppedBack = true;
                    } catch (const Exception&) {
                    }
                }
                for (TfrBand* gh = band->LastGroup; gh; gh = gh->PrevGroup) {
                    addPending(gh->Footer);
                    gh->LocalCount = 0;
                    if (gh->Footer) gh->Footer->LocalCount = 0;
                    if (gh == broke) break;
                }
                showPending();
                if (!atEnd) {
                    if (steppedBack) ds->Next();
                    if (broke->FormNewPage && broke->Visible) NewPage();
                    for (TfrBand* gh = broke; gh; gh = gh->NextGroup) {
                        ++gh->LocalCount;
                        ++gh->GlobalCount;
                        addPending(gh);
                    }
                    band->LocalCount = 0;
                }
            }
            if (RecordMode) {
                AddStep(band, 2);
            } else if (counts) {
                ++RecordCount;
                ++band->GlobalCount;
                ++band->LocalCount;
                if (!ds->Eof() && band->FormNewPage && band->Visible) NewPage();
            }
        }
        if (!pending.empty())
            pending.pop_back();
        else
            ShowBand(band->Footer);
    }
}

void TfrPage::BuildOutput() {
    TfrGlobals& g = frGlobals();
    TfrReport* r = activeReport();
    TfrReport* out = outputReport();
    TfrBand* master = Bands[btMasterData].get();
    if (!r->PrintIfEmpty) {
        bool empty = true;
        try {
            if (master->DataSet) {
                master->DataSet->First();
                empty = master->DataSet->Eof();
            }
        } catch (const Exception&) {
            empty = true;
        }
        if (empty) {
            if (g.AppendToLastPage) ++g.OutputPageIndex;
            return;
        }
    }
    if (RecordMode) {
        // A sub-report's page: only its data levels, recorded for the band that holds it.
        pending.clear();
        lastLevel = 0;
        for (int l = 0; l < 3; ++l)
            if (Bands[btMasterData + 3 * l]->IsShown()) lastLevel = l + 1;
        if (lastLevel > 0) RunDataLevel(1);
        pending.clear();
        return;
    }
    Finishing = false;
    frRunScriptText(&Script);
    if (g.AppendToLastPage && g.LastPageY == g.LastPageBottom) {
        g.AppendToLastPage = false;
        g.LastFooterShown = false;
        g.OutputPageIndex = out->EMFPages.Count();
    }
    BottomY = g.AppendToLastPage && g.LastFooterShown ? g.LastPageBottom : BottomLimit();
    CurColumn = 0;
    XOffset = LeftLimit();
    ColWidth =
        (RightLimit() - LeftLimit() - (std::max(ColCount, 1) - 1) * ColGap) / std::max(ColCount, 1);
    if (g.AppendToLastPage && out->EMFPages.Count() > 0) {
        CurY = g.LastPageY;
        g.PageNo = out->EMFPages.Count() - 1;
    } else {
        out->EMFPages.Add(this);
        g.PageNo = out->EMFPages.Count() - 1;
        CurY = TopLimit();
        ShowBand(Bands[btOverlay].get());
        ShowBand(Bands[btNone].get());
    }
    FreshPageY = CurY;
    ColumnTopY = CurY;
    if (!r->OnManualBuild) {
        const int pages = out->EMFPages.Count();
        TfrBand* title = Bands[btReportTitle].get();
        ShowBand(title);
        if (out->EMFPages.Count() == pages) {
            TfrBand* ph = Bands[btPageHeader].get();
            if (ph->IsShown() && (ph->Flags & flBandOnFirstPage)) ShowBand(ph);
            ShowBand(Bands[btColumnHeader].get());
            // Below a title the page holds content already: a band that does not fit moves
            // on to a fresh page.
            if (!title->IsShown() || !title->Visible) FreshPageY = CurY;
        }
        pending.clear();
        lastLevel = 0;
        for (int l = 0; l < 3; ++l)
            if (Bands[btMasterData + 3 * l]->IsShown()) lastLevel = l + 1;
        if (lastLevel > 0) RunDataLevel(1);
    }
    if (r->OnManualBuild) {
        r->OnManualBuild(this);
    } else {
        Finishing = true;
        ShowBand(Bands[btColumnFooter].get());
        TfrBand* cf = Bands[btColumnFooter].get();
        const int cfdy = cf->dy;
        cf->dy = 0;
        ShowBand(Bands[btReportSummary].get());
        cf->dy = cfdy;
        Finishing = false;
    }
    g.LastPageY = CurColumn > 0 ? BottomLimit() : CurY;
    g.LastPageBottom = BottomY;
    CurColumn = 0;
    XOffset = LeftLimit();
    g.LastFooterShown = false;
    const int before = g.OutputPageIndex;
    if (!r->OnManualBuild) {
        TfrBand* f = Bands[btPageFooter].get();
        if ((f->Flags & flBandOnLastPage) ||
            (out->EMFPages.Count() == g.ReportFirstPage + 1 &&
             g.OutputPageIndex == g.ReportFirstPage && (f->Flags & flBandOnFirstPage))) {
            const int flags = f->Flags;
            f->Flags |= flBandOnFirstPage;
            g.LastFooterShown = f->IsShown();
            if (g.LastFooterShown) ShowPageFooters();
            f->Flags = flags;
        }
    }
    if (r->OnEndPage) r->OnEndPage(g.OutputPageIndex);
    g.OutputPageIndex = std::max(before, g.OutputPageIndex);
    LastShownBand = nullptr;
}

// ---- aggregates ---------------------------------------------------------------------------

bool frAggregate(const QString& Name, const Variant& p1, const Variant& p2, const Variant& p3,
                 Variant& Value) {
    static const char* names[] = {"SUM", "MIN", "MAX", "AVG", "COUNT"};
    int code = 0;
    for (int i = 0; i < 5; ++i)
        if (Name == QLatin1StringView(names[i])) code = 11 + i;
    if (code == 0) return false;
    TfrGlobals& g = frGlobals();
    TfrBand* active = g.ActiveBand;
    const QString expr = VarToStr(p1);
    const QString bandName = Trim(VarToStr(code == 15 ? p1 : p2));
    const QString options = VarToStr(code == 15 ? p2 : p3);
    auto descriptor = [&](const QString& footer) {
        const QChar sep(1);
        return footer + sep + QChar(code) + sep + expr + sep + options + sep;
    };
    if (!active) return true;
    if (g.PreparingAggregates) {
        TfrPage* page = active->Parent;
        TfrBand* cand = page ? page->AggregateCandidate : nullptr;
        if (!cand) return true;
        QString want = bandName;
        if (want.isEmpty()) {
            if (dataTypeOf(active->Typ) != cand->Typ) return true;
            want = cand->Name;
        }
        if (!AnsiSameText(want, cand->Name)) return true;
        // A cell in a cross data column of a row keeps a total per column.
        const bool perColumn = active->HasCrossCells && g.ActiveView && g.ActiveView->Parent &&
                               g.ActiveView->Parent->Typ == btCrossData;
        cand->AddTotal(descriptor((perColumn ? u"0"_s + QChar(1) : QString()) + active->Name));
        active->TotalsBand = cand;
        Value = Variant(0);
        return true;
    }
    if (active->Typ == btCrossData && active->TotalsBand) {
        // A cross data cell of a row: the total of its column, kept by the data band the row
        // takes its totals from.
        TfrBand* row = active->TotalsBand;
        TfrBand* holder = row->IsDataBand() ? row : row->TotalsBand;
        TfrPage* page = active->Parent;
        if (holder && page)
            Value = holder->GetTotal(
                descriptor(QString::number(page->CrossColumn) + QChar(1) + row->Name));
        return true;
    }
    if (active->TotalsBand) Value = active->TotalsBand->GetTotal(descriptor(active->Name));
    return true;
}
