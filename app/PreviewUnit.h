// The preview window of every report: a tool bar of eleven flat buttons (zoom 100%, whole page,
// page width; first, previous, next, last page; open, save, print; close) over the report
// preview panel. It is made anew for each report and shown modally; its keys go to the panel's
// own key handler (paging, scrolling, zoom), Escape closes it.
#pragma once

#include "ExtCtrls.h"
#include "FR_Ctrls.h"
#include "FR_View.h"
#include "Forms.h"

class TPreviewForm : public TForm {
    KADRION_CLASS(TPreviewForm)
    explicit TPreviewForm(TComponent* AOwner);
    ~TPreviewForm() override;

    TPanel* Panel1;
    TfrPreview* frPreview1;
    TfrSpeedButton *frSpeedButton1, *frSpeedButton2, *frSpeedButton3, *frSpeedButton4,
        *frSpeedButton5, *frSpeedButton6, *frSpeedButton7, *frSpeedButton8, *frSpeedButton9,
        *frSpeedButton10, *frSpeedButton11;

    // The buttons in their order on the tool bar, left to right.
    std::vector<TfrSpeedButton*> Buttons() const;

    void FormActivate(TObject* Sender);
    void FormKeyDown(TObject* Sender, WORD& Key, TShiftState Shift);
};

extern TPreviewForm* PreviewForm;

inline constexpr const char16_t SPreviewCaption[] = u"Попередній перегляд";
