// The spin edit: a number edit with two arrow buttons at its right edge that step the value
// between MinValue and MaxValue (no bounds while both are equal).
#pragma once

#include "StdCtrls.h"

enum TSpinButtonKind { sbUp, sbDown };

// Two arrow buttons one above the other, inside the edit's frame. A press on either half
// clicks it; the edit keeps the keyboard.
class TSpinButton : public TCustomControl {
    KADRION_CLASS(TSpinButton)
    explicit TSpinButton(TComponent* AOwner);
    TNotifyEvent OnUpClick;
    TNotifyEvent OnDownClick;
    // The half under a point: sbUp above the middle, else sbDown.
    TSpinButtonKind KindAt(int Y) const { return Y < height / 2 ? sbUp : sbDown; }
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

private:
    int pressed = -1; // the half held down, -1 none
};

class TSpinEdit : public TCustomEdit {
    KADRION_CLASS(TSpinEdit)
    explicit TSpinEdit(TComponent* AOwner);
    ~TSpinEdit() override;

    long GetMinValue() const { return minValue; }
    void SetMinValue(long Value);
    long GetMaxValue() const { return maxValue; }
    void SetMaxValue(long Value);
    long GetIncrement() const { return increment; }
    void SetIncrement(long Value) { increment = Value; }
    // Off: the text is changed only by the buttons and the arrow keys.
    bool GetEditorEnabled() const { return editorEnabled; }
    void SetEditorEnabled(bool Value);
    // The value of the text, kept within the bounds; a text that is no number reads as
    // MinValue.
    long GetValue();
    // Shows the value, kept within the bounds.
    void SetValue(long Value);
    TSpinButton* GetButton() const { return button; }

    // Up and Down step the value; typed characters other than digits (and a leading minus
    // while MinValue is below 0) are dropped.
    void KeyDown(WORD& Key, TShiftState Shift) override;
    void KeyPress(QChar& Key) override;
    void DoExit() override;
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    void CreateWnd() override;
    void UpClick(TObject* Sender);
    void DownClick(TObject* Sender);

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void applyReadOnly() override;

private:
    long checkValue(long Value) const;
    void layoutButton();
    long minValue = 0, maxValue = 0, increment = 1;
    bool editorEnabled = true;
    TSpinButton* button = nullptr;
};
