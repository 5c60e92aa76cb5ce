// Buttons with pictures: TBitBtn (a push button with a glyph and a kind that gives caption,
// modal result and picture) and TSpeedButton (a windowless tool button that can stay down,
// alone or in a group).
#pragma once

#include "StdCtrls.h"

enum TBitBtnKind {
    bkCustom,
    bkOK,
    bkCancel,
    bkHelp,
    bkYes,
    bkNo,
    bkClose,
    bkAbort,
    bkRetry,
    bkIgnore,
    bkAll
};
enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
enum TButtonState { bsUp, bsDisabled, bsDown, bsExclusive };

// The caption and modal result a kind gives.
QString BitBtnKindCaption(TBitBtnKind Kind);
TModalResult BitBtnKindResult(TBitBtnKind Kind);

// Lays out glyph and caption in a button's client rectangle and draws them.
void DrawButtonFace(TCanvas* Canvas, const TRect& Client, TBitmap* Glyph, int NumGlyphs,
                    TButtonState State, const QString& Caption, TFont* Font, TButtonLayout Layout,
                    int Margin, int Spacing);

class TBitBtn : public TButton {
    KADRION_CLASS(TBitBtn)
    explicit TBitBtn(TComponent* AOwner);
    ~TBitBtn() override;
    TBitBtnKind GetKind() const { return kind; }
    // Sets caption, modal result, Default/Cancel and the kind's picture.
    void SetKind(TBitBtnKind Value);
    TBitmap* GetGlyph() const { return glyph.get(); }
    void SetGlyph(TBitmap* Value);
    int GetNumGlyphs() const { return numGlyphs; }
    void SetNumGlyphs(int Value);
    TButtonLayout GetLayout() const { return layout; }
    void SetLayout(TButtonLayout Value);
    int GetMargin() const { return margin; }
    void SetMargin(int Value);
    int GetSpacing() const { return spacing; }
    void SetSpacing(int Value);
    // bkClose closes the form; bkHelp asks for help; others as a button.
    void Click() override;
    void Paint() override;

private:
    TBitBtnKind kind = bkCustom;
    std::unique_ptr<TBitmap> glyph;
    int numGlyphs = 1;
    TButtonLayout layout = blGlyphLeft;
    int margin = -1;
    int spacing = 4;
};

class TSpeedButton : public TGraphicControl {
    KADRION_CLASS(TSpeedButton)
    explicit TSpeedButton(TComponent* AOwner);
    ~TSpeedButton() override;
    // Buttons with the same nonzero GroupIndex under one parent: one of them is down.
    int GetGroupIndex() const { return groupIndex; }
    void SetGroupIndex(int Value);
    bool GetDown() const { return down; }
    void SetDown(bool Value);
    bool GetAllowAllUp() const { return allowAllUp; }
    void SetAllowAllUp(bool Value);
    bool GetFlat() const { return flat; }
    void SetFlat(bool Value);
    TBitmap* GetGlyph() const { return glyph.get(); }
    void SetGlyph(TBitmap* Value);
    int GetNumGlyphs() const { return numGlyphs; }
    void SetNumGlyphs(int Value);
    TButtonLayout GetLayout() const { return layout; }
    void SetLayout(TButtonLayout Value);
    int GetMargin() const { return margin; }
    void SetMargin(int Value) { margin = Value; }
    int GetSpacing() const { return spacing; }
    void SetSpacing(int Value) { spacing = Value; }
    TButtonState GetState() const { return state; }
    void Click() override;
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void Dispatch(TMessage& Message) override;

private:
    void updateExclusive();
    int groupIndex = 0;
    bool down = false, allowAllUp = false, flat = false, dragging = false, mouseIn = false;
    std::unique_ptr<TBitmap> glyph;
    int numGlyphs = 1;
    TButtonLayout layout = blGlyphLeft;
    int margin = -1, spacing = 4;
    TButtonState state = bsUp;
};
