// The edit-button painter.
#include "DBLookupEh.h"

#include "Controls.h"

#include <cmath>

namespace {

// The frame of a flat button part: the control's colour when inactive, sunken when pressed,
// raised otherwise.
void flatFrame(TCanvas* C, const TRect& R, TColor ParentColor, bool Pressed, bool Active) {
    TRect r = R;
    if (!Active) {
        C->GetBrush()->SetStyle(bsSolid);
        C->GetBrush()->SetColor(ParentColor);
        C->FrameRect(r);
    } else if (Pressed) {
        DrawEdge(C, r, BDR_SUNKENOUTER, BF_RECT);
    } else {
        DrawEdge(C, r, BDR_RAISEDINNER, BF_RECT);
    }
}

// One arrow part (drop-down, up or down) with the system's scroll glyph.
void arrowPart(TCanvas* C, const TRect& R, unsigned Kind, TColor ParentColor, bool Pressed,
               bool Flat, bool Active, bool Enabled) {
    if (R.Width() <= 0 || R.Height() <= 0) return;
    unsigned state = Kind;
    if (Pressed) state |= DFCS_PUSHED;
    if (Flat) state |= DFCS_FLAT;
    if (!Enabled) state |= DFCS_INACTIVE;
    if (!Flat) {
        DrawFrameControl(C, R, DFC_SCROLL, state);
        return;
    }
    TRect inner{R.Left + 1, R.Top + 1, R.Right - 1, R.Bottom - 1};
    C->SaveDC();
    C->IntersectClipRect(inner);
    DrawFrameControl(C, TRect{R.Left, R.Top, R.Right, R.Bottom}, DFC_SCROLL, state);
    C->RestoreDC();
    flatFrame(C, R, ParentColor, Pressed, Active);
}

void dots(TCanvas* C, int X, int Y, int Size, int Gap, TColor Color) {
    for (int i = 0; i < 3; ++i)
        C->FillSolid(TRect{X + i * (Size + Gap), Y, X + i * (Size + Gap) + Size, Y + Size}, Color);
}

void ellipsisButton(TCanvas* C, const TRect& R, TColor ParentColor, bool Pressed, bool Flat,
                    bool Active, bool Enabled) {
    C->FillSolid(R, clBtnFace);
    TRect edge = R;
    if (Flat)
        flatFrame(C, R, ParentColor, Pressed, Active);
    else
        DrawEdge(C, edge, Pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    const int w = R.Width(), h = R.Height();
    const int size = w < 8 ? 1 : 2;
    const int gap = w < 12 ? 1 : 2;
    const int shift = Pressed ? 1 : 0;
    const int x = R.Left + (w - (3 * size + 2 * gap)) / 2 + shift;
    const int y = R.Top + (h - size) / 2 + shift;
    if (Enabled) {
        dots(C, x, y, size, gap, clBtnText);
    } else {
        dots(C, x + 1, y + 1, size, gap, clBtnHighlight);
        dots(C, x, y, size, gap, clBtnShadow);
    }
}

} // namespace

void PaintButtonControlEh(TCanvas* Canvas, TRect ARect, TColor ParentColor,
                          TDrawButtonControlStyleEh Style, int DownButton, bool Flat, bool Active,
                          bool Enabled) {
    switch (Style) {
    case bcsDropDownEh:
        arrowPart(Canvas, ARect, DFCS_SCROLLCOMBOBOX, ParentColor, DownButton != 0, Flat, Active,
                  Enabled);
        break;
    case bcsEllipsisEh:
        ellipsisButton(Canvas, ARect, ParentColor, DownButton != 0, Flat, Active, Enabled);
        break;
    case bcsUpDownEh: {
        const int half = ARect.Height() / 2;
        TRect up{ARect.Left, ARect.Top, ARect.Right, ARect.Top + half};
        TRect down{ARect.Left, ARect.Bottom - half, ARect.Right, ARect.Bottom};
        // an odd height leaves a middle line between the halves
        if (up.Bottom < down.Top)
            Canvas->FillSolid(TRect{ARect.Left, up.Bottom, ARect.Right, down.Top}, ParentColor);
        arrowPart(Canvas, up, DFCS_SCROLLUP, ParentColor, DownButton == 1, Flat, Active, Enabled);
        arrowPart(Canvas, down, DFCS_SCROLLDOWN, ParentColor, DownButton == 2, Flat, Active,
                  Enabled);
        break;
    }
    }
}

int FlatButtonWidthEh() {
    static const int width = [] {
        TBitmap b(1, 1);
        TTextMetric tm;
        b.GetCanvas()->GetTextMetrics(tm);
        int w = int(std::lround(tm.tmHeight * 2.0 / 3.0));
        if (w % 2 == 1) ++w;
        return std::min(w, GetSystemMetrics(SM_CXVSCROLL));
    }();
    return width;
}
