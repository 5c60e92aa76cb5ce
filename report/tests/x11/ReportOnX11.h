// The report scenarios' fixture on the X server: the engine started, a report with one A4 page
// on the virtual printer (no print queues: the platform's printer is the PDF printer), and memos
// placed on that page.
#pragma once

#include "FR_Class.h"
#include "X11Test.h"

#include <memory>

class ReportOnX11 : public X11Test {
protected:
    void SetUp() override {
        X11Test::SetUp();
        if (IsSkipped()) return;
        SetPrintQueueSource([] { return std::vector<TPrintQueue>(); });
        frStartEngine();
        report = std::make_unique<TfrReport>(nullptr);
        report->MakeCurrent();
        report->Pages.Add();
        page = report->Pages[0];
        frGlobalPrinter()->SelectPrinter(frGlobalPrinter()->VirtualIndex);
        page->ChangePaper(DMPAPER_A4, 0, 0, poPortrait, -1);
    }
    void TearDown() override {
        report.reset();
        frStopEngine();
        X11Test::TearDown();
    }

    TfrMemoView* memo(int Left, int Top, int Width, int Height, const QString& Text) {
        auto* m = static_cast<TfrMemoView*>(frCreateObject(gtMemo, QString()));
        m->ParentPage = page;
        page->Objects.Add(m);
        m->SetBounds(Left, Top, Width, Height);
        m->Memo.SetText(Text);
        return m;
    }

    std::unique_ptr<TfrReport> report;
    TfrPage* page = nullptr;
};
