// Controls of the library drawn through the canvas. This part holds the speed button that the
// edit buttons and the calendar's navigation buttons build on: TRxButtonGlyph (a glyph of up
// to five images, one per button state, with the caption laid out beside it) and
// TRxSpeedButton (a windowless push button with the classic frames and an optional repeat
// while it is held).
#pragma once

#include "Buttons.h"
#include "Controls.h"
#include "Forms.h"
#include "Graphics.h"

#include <QImage>
#include <array>
#include <memory>

// The look of a button, in the order the glyph's images stand.
enum TRxButtonState { rbsUp, rbsDisabled, rbsDown, rbsExclusive, rbsInactive };
// The frame style: bsWin31 the old one, bsNew the new one, bsAutoDetect the new one here.
enum TButtonStyle { bsAutoDetect, bsWin31, bsNew };
// 1..5 images in a glyph.
using TRxNumGlyphs = int;

// Draws the frame of a button into R and leaves R as the content rectangle inside it.
void DrawButtonFrame(TCanvas* Canvas, TRect& R, bool IsDown, TButtonStyle Style, bool Flat);

// The glyph and caption of a button. The source bitmap holds NumGlyphs images side by side:
// up, disabled, down, exclusive, inactive; missing ones are made from the first (an embossed
// disabled look, a gray inactive one). Pixels of the transparent colour stay unpainted.
class TRxButtonGlyph : public TObject {
    KADRION_CLASS(TRxButtonGlyph)
    TRxButtonGlyph();
    ~TRxButtonGlyph() override;

    TBitmap* GetGlyph() const { return original.get(); }
    // Copies the bitmap (null empties the glyph).
    void SetGlyph(TBitmap* Value);
    TRxNumGlyphs GetNumGlyphs() const { return numGlyphs; }
    // 1..5; other values are limited to that range.
    void SetNumGlyphs(TRxNumGlyphs Value);
    TColor GetTransparentColor() const { return transparentColor; }
    bool GetWordWrap() const { return wordWrap; }
    void SetWordWrap(bool Value);
    TAlignment GetAlignment() const { return alignment; }
    void SetAlignment(TAlignment Value);
    // Forgets the prepared images (the system colours changed).
    void Invalidate();
    TNotifyEvent OnChange;

    // The size of one image (0 x 0 without a bitmap).
    TSize GlyphSize() const;
    // The image of a state, with its transparent pixels clear; null without a bitmap.
    QImage StateImage(TRxButtonState State);
    // Lays out and draws glyph and caption in Client (moved by Offset: a pressed button's
    // content shifts by 1, 1); returns the caption's rectangle.
    TRect Draw(TCanvas* Canvas, const TRect& Client, const TPoint& Offset, const QString& Caption,
               TButtonLayout Layout, int Margin, int Spacing, bool DropDownMark,
               TRxButtonState State, unsigned Flags);

private:
    void glyphChanged(TObject*);
    std::unique_ptr<TBitmap> original;
    std::array<QImage, 5> prepared;
    TColor transparentColor = TColor(0xFF00FF);
    TRxNumGlyphs numGlyphs = 1;
    bool wordWrap = false;
    TAlignment alignment = taCenter;
};

// A windowless push button: Glyph and Caption laid out by Layout, Margin and Spacing; the frame
// of Style; while held it shows pressed and, with AllowTimer, clicks again after InitPause and
// then every RepeatInterval ms (the timers come from the timer source in use). Click sets the
// parent form's ModalResult to the button's.
class TRxSpeedButton : public TGraphicControl {
    KADRION_CLASS(TRxSpeedButton)
    explicit TRxSpeedButton(TComponent* AOwner);
    ~TRxSpeedButton() override;

    TBitmap* GetGlyph() const { return glyph->GetGlyph(); }
    void SetGlyph(TBitmap* Value);
    TRxNumGlyphs GetNumGlyphs() const { return glyph->GetNumGlyphs(); }
    void SetNumGlyphs(TRxNumGlyphs Value);
    TRxButtonGlyph* GetButtonGlyph() const { return glyph.get(); }
    TButtonStyle GetStyle() const { return style; }
    void SetStyle(TButtonStyle Value);
    TButtonLayout GetLayout() const { return layout; }
    void SetLayout(TButtonLayout Value);
    int GetMargin() const { return margin; }
    // -1 (centred) and up.
    void SetMargin(int Value);
    int GetSpacing() const { return spacing; }
    void SetSpacing(int Value);
    TAlignment GetAlignment() const { return glyph->GetAlignment(); }
    void SetAlignment(TAlignment Value) { glyph->SetAlignment(Value); }
    bool GetWordWrap() const { return glyph->GetWordWrap(); }
    void SetWordWrap(bool Value) { glyph->SetWordWrap(Value); }
    TModalResult GetModalResult() const { return modalResult; }
    void SetModalResult(TModalResult Value) { modalResult = Value; }
    bool GetAllowTimer() const { return allowTimer; }
    void SetAllowTimer(bool Value);
    unsigned GetInitPause() const { return initPause; }
    void SetInitPause(unsigned Value) { initPause = Value; }
    unsigned GetRepeatInterval() const { return repeatInterval; }
    void SetRepeatInterval(unsigned Value) { repeatInterval = Value; }
    TRxButtonState GetState() const { return state; }
    // The repeat timer (made by the first press with AllowTimer; enabled while held).
    TTimer* GetRepeatTimer() const { return repeatTimer; }
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;

    // Draws glyph and caption for a state into the content rectangle.
    virtual void PaintGlyph(TCanvas* Canvas, const TRect& ARect, TRxButtonState AState,
                            bool DrawMark);
    void Paint() override;
    void Click() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void Dispatch(TMessage& Message) override;

protected:
    void timerTick();
    void stopTimer();
    void setState(TRxButtonState Value);
    std::unique_ptr<TRxButtonGlyph> glyph;
    TButtonStyle style = bsAutoDetect;
    TButtonLayout layout = blGlyphTop;
    int spacing = 1;
    int margin = -1;
    TModalResult modalResult = mrNone;
    bool dragging = false;
    bool mouseInControl = false;
    bool allowTimer = false;
    unsigned initPause = 500;
    unsigned repeatInterval = 100;
    TTimer* repeatTimer = nullptr;
    TRxButtonState state = rbsUp;
};
