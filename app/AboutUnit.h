// The splash window shown while the program starts, and the about box: both show the emblem,
// the product name and its version on a white panel.
#pragma once

#include "Buttons.h"
#include "ExtCtrls.h"
#include "Forms.h"

// The emblem, "Kadrion" and "Version 1.0" placed on a panel, the emblem's top-left at
// (Left, Top).
struct TProductInfo {
    TImage* ProgramIcon;
    TLabel* ProductName;
    TLabel* Version;
};
TProductInfo AddProductInfo(TComponent* Owner, TWinControl* Panel, int Left, int Top);

class TSplashForm : public TForm {
    KADRION_CLASS(TSplashForm)
    explicit TSplashForm(TComponent* AOwner);
    TPanel* Panel1;
    TProductInfo Info;
    TBevel* Bevel1;
    TLabel* Label1; // "Завантажується..."
};

class TAboutBox : public TForm {
    KADRION_CLASS(TAboutBox)
    explicit TAboutBox(TComponent* AOwner);
    TPanel* Panel1;
    TProductInfo Info;
    TBitBtn* OKButton;
};

extern TSplashForm* SplashForm;
extern TAboutBox* AboutBox;

// The colour of the main window's client area and of the about box (red 167, green 167,
// blue 212).
inline constexpr TColor clKadrionBack = TColor(13936551);
