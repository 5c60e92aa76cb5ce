// The progress window: shown while a report is built or printed, it runs the caller's work
// inside its modal loop and lets the user cancel it.
#pragma once

#include "Forms.h"
#include "StdCtrls.h"

class TfrReport;

// The message the window posts to itself to start the work.
constexpr UINT frStartWorkMessage = WM_USER + 1;

class TfrProgressForm : public TForm {
    KADRION_CLASS(TfrProgressForm)
    explicit TfrProgressForm(TComponent* AOwner);
    // Remembers the report, clears the second line, posts the start message and shows the
    // window modally; the result is the window's modal result.
    TModalResult Show(TfrReport* Report);
    // Cancel: the report's build or print stops at its next check; the window closes.
    void Button1Click(TObject* Sender);
    void Dispatch(TMessage& Message) override;

    TLabel* Label1;
    TLabel* Label2;
    TButton* Button1;
    TfrReport* FReport = nullptr;
    // The caller's work; it updates the labels and closes the window when done.
    TNotifyEvent OnWork;
};

// Runs Work in a progress window captioned Caption with Line as the first line. Work gets a
// function that shows a number on the second line and lets the window's events through; it
// should stop when the report is terminated. Returns false when the user cancelled.
bool frRunWithProgress(TfrReport* Report, const QString& Caption, const QString& Line,
                       const std::function<void(const std::function<void(int)>& Progress)>& Work);
