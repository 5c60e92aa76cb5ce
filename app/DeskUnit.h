// The wait window: a borderless strip in the middle of the screen with "Зачекайте будь
// ласка..." in large shadowed letters, shown around every long operation. One window serves
// the whole run; it is painted before the work starts, since the work blocks the event loop.
#pragma once

#include "ExtCtrls.h"
#include "Forms.h"
#include "RXCtrls.h"

class TDeskForm : public TForm {
    KADRION_CLASS(TDeskForm)
    explicit TDeskForm(TComponent* AOwner);
    TPanel* Panel1;
    TRxLabel* Lab;
};

extern TDeskForm* DeskForm;

inline constexpr const char16_t SWaitText[] = u"Зачекайте будь ласка...";

// Shows the wait window (made on first use, owned by the application) and paints it now.
void ShowWaitWindow();
// Hides it; nothing happens when it is not shown.
void HideWaitWindow();
// Whether the wait window is shown now.
bool WaitWindowShown();
// Frees the wait window (at the end of the run).
void FreeWaitWindow();

// Shows the wait window for its lifetime: it goes also when the work fails.
class TWaitWindow {
public:
    TWaitWindow() { ShowWaitWindow(); }
    ~TWaitWindow() { HideWaitWindow(); }
    TWaitWindow(const TWaitWindow&) = delete;
    TWaitWindow& operator=(const TWaitWindow&) = delete;
};
