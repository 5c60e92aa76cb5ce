// The composite report: several reports built one after the other into one set of prepared
// pages, to be previewed and printed as one document.
#include "FR_Class.h"
#include "ScopeGuard.h"

namespace {

// The paper a report's pages start on: its first report page's.
const TfrPage* firstReportPage(TfrReport* r) {
    for (int i = 0; i < r->Pages.Count(); ++i)
        if (r->Pages[i]->PageType == ptReport && !r->Pages[i]->IsSubReport) return r->Pages[i];
    return nullptr;
}

const TfrPage* lastReportPage(TfrReport* r) {
    for (int i = r->Pages.Count() - 1; i >= 0; --i)
        if (r->Pages[i]->PageType == ptReport && !r->Pages[i]->IsSubReport) return r->Pages[i];
    return nullptr;
}

} // namespace

void TfrCompositeReport::BuildPages() {
    TfrGlobals& g = frGlobals();
    CanRebuild = true;
    g.AppendToLastPage = false;
    if (Dataset) {
        Dataset->Init();
        Dataset->First();
    }
    // The composite stays current between its reports, and after a failed one.
    struct Current {
        TfrCompositeReport* self;
        ~Current() { self->MakeCurrent(); }
    } current{this};
    TScopeGuard exit([this] {
        if (Dataset) Dataset->Exit();
    });
    bool append = false;
    do {
        for (size_t i = 0; i < Reports.size() && !Terminated; ++i) {
            TfrReport* r = Reports[i];
            if (!r || r == this) continue;
            // Scripts of the build may change the template: it comes back afterwards.
            TMemoryStream saved;
            r->SaveToStream(&saved);
            r->AppendToPrevious = append;
            r->Terminated = false;
            r->ProgressCaption = ProgressCaption;
            r->ProgressText = ProgressText;
            r->FinalPass = FinalPass;
            r->MakeCurrent();
            try {
                r->BuildPages();
            } catch (...) {
                r->AppendToPrevious = false;
                saved.SetPosition(0);
                r->LoadFromStream(&saved);
                throw;
            }
            r->AppendToPrevious = false;
            if (r->Terminated) Terminated = true;
            // The next report continues this one's last page when its first page asks for
            // it and the paper is the same.
            append = false;
            if (i + 1 < Reports.size() && Reports[i + 1]) {
                const TfrPage* first = firstReportPage(Reports[i + 1]);
                const TfrPage* last = lastReportPage(r);
                const TfrPageInfo* lastPrepared =
                    EMFPages.Count() > 0 ? EMFPages[EMFPages.Count() - 1] : nullptr;
                append = first && first->PrintToPrevPage &&
                         (lastPrepared ? lastPrepared->pgSize == first->pgSize &&
                                             lastPrepared->pgWidth == first->pgWidth
                                       : last && last->pgSize == first->pgSize &&
                                             last->pgWidth == first->pgWidth);
            }
            saved.SetPosition(0);
            r->LoadFromStream(&saved);
        }
        if (Dataset && !Terminated) Dataset->Next();
    } while (Dataset && !Terminated && !Dataset->Eof());
    exit.End();
}
