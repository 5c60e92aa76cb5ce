// The engine's own tool controls (a flat speed button that turns grey while inactive, tool-bar
// buttons and separators that follow the panel they sit on) and the positions of its windows,
// kept in the registry under "Software\Rapportel".
#pragma once

#include "Buttons.h"
#include "Controls.h"
#include "Forms.h"
#include "StdCtrls.h"

class TfrSpeedButton : public TSpeedButton {
    KADRION_CLASS(TfrSpeedButton)
    explicit TfrSpeedButton(TComponent* AOwner);
    // At most 4 glyphs in the glyph bitmap.
    void SetNumGlyphs(int Value) { TSpeedButton::SetNumGlyphs(Value > 4 ? 4 : Value); }
    bool GetGrayedInactive() const { return grayedInactive; }
    void SetGrayedInactive(bool Value);
    // The grey look: a flat, enabled button under no mouse.
    bool ShowsGrayed() const;
    void Paint() override;
    void Dispatch(TMessage& Message) override;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;

private:
    bool grayedInactive = true;
    bool mouseOver = false;
};

// The grey of a pixel as the inactive look draws it.
inline int frGrayLevel(int R, int G, int B) {
    return (77 * R + 150 * G + 29 * B) >> 8;
}

// A flat tool-bar button; on a panel aligned left or right it stacks from the top.
class TfrTBButton : public TfrSpeedButton {
    KADRION_CLASS(TfrTBButton)
    explicit TfrTBButton(TComponent* AOwner);
    void SetParent(TWinControl* AParent) override;
};

// A tool-bar separator: an etched line across its middle, across the tool bar.
class TfrTBSeparator : public TGraphicControl {
    KADRION_CLASS(TfrTBSeparator)
    explicit TfrTBSeparator(TComponent* AOwner);
    void SetParent(TWinControl* AParent) override;
    void Paint() override;
    bool DrawBevel = true;
};

class TPanel;

// A combo box whose drop-down button gives way to a button of the caller's: a borderless panel
// at its right end holds a speed button, which fires OnButtonClick.
class TfrComboEdit : public TComboBox {
    KADRION_CLASS(TfrComboEdit)
    explicit TfrComboEdit(TComponent* AOwner);
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    TBitmap* GetGlyph() const;
    void SetGlyph(TBitmap* Value);
    QString GetButtonHint() const;
    void SetButtonHint(const QString& Value);
    bool GetButtonEnabled() const;
    void SetButtonEnabled(bool Value);
    TNotifyEvent OnButtonClick;

    TPanel* Panel;
    TfrSpeedButton* Button;

private:
    // The panel at (Width - Height + 2, 2), (Height - 4) square.
    void placeButton();
};

// The registry key of the engine's window positions.
QString frRegRootKey();
// Writes the form's position, size and maximized state in "Form\<class name>".
void frSaveFormPosition(TForm* Form);
// Restores what frSaveFormPosition wrote; a form never saved keeps its bounds and state.
void frRestoreFormPosition(TForm* Form);

// ---- the engine's dialogs ----

// A control of a dialog: made, put on Parent and placed.
template <class T>
T* frPlace(TComponent* Owner, TWinControl* Parent, int Left, int Top, int Width, int Height) {
    T* c = new T(Owner);
    c->SetParent(Parent);
    c->SetBounds(Left, Top, Width, Height);
    return c;
}
// A label as wide as its text.
TLabel* frPlaceLabel(TComponent* Owner, TWinControl* Parent, int Left, int Top,
                     const QString& Caption);
// A dialog's frame: its name, a dialog border, centred on the screen, caption and client size.
void frSetupDialog(TForm* Form, const QString& Name, const QString& Caption, int ClientWidth,
                   int ClientHeight);
