// The report scenarios' fixture on the X server: the engine started, a report with one A4 page
// on the virtual printer (no print queues: the platform's printer is the PDF printer), and memos
// placed on that page.
#pragma once

#include "Controls.h"
#include "FR_Class.h"
#include "X11Test.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

// Runs Inside once the window that Shown waits for is up: keys that open a menu or a modal
// dialog do not come back until it closes, so what is done in it is polled for from inside
// its own event loop, never waited for beneath it.
inline void inNext(std::function<bool()> Shown, std::function<void()> Inside) {
    auto* poll = new QTimer;
    auto* clock = new QElapsedTimer;
    clock->start();
    poll->setInterval(20);
    QObject::connect(poll, &QTimer::timeout, [poll, clock, Shown, Inside] {
        const bool shown = Shown();
        if (!shown && clock->elapsed() < 10000) return;
        poll->stop();
        poll->deleteLater();
        delete clock;
        if (!shown) {
            ADD_FAILURE() << "the window did not come";
            return;
        }
        Inside();
    });
    poll->start();
}

// The engine's modal form of that class when it is up and active.
template <class T> T* activeModal() {
    QWidget* w = QApplication::activeModalWidget();
    auto* form = w ? dynamic_cast<T*>(FindControl(w)) : nullptr;
    return form && w->isActiveWindow() ? form : nullptr;
}

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
