// Three-dimensional edges and frame controls in the classic desktop look.
#include "GfxInternal.h"
#include "Graphics.h"

#include <cmath>

namespace {

// One ring of borders, one pixel wide; shrinks R by the sides drawn.
void ring(TCanvas* c, TRect& r, TColor topLeft, TColor bottomRight, unsigned flags) {
    if (r.Right <= r.Left || r.Bottom <= r.Top) return;
    if (flags & BF_TOP) c->FillSolid(Rect(r.Left, r.Top, r.Right - 1, r.Top + 1), topLeft);
    if (flags & BF_LEFT) c->FillSolid(Rect(r.Left, r.Top, r.Left + 1, r.Bottom - 1), topLeft);
    if (flags & BF_BOTTOM) c->FillSolid(Rect(r.Left, r.Bottom - 1, r.Right, r.Bottom), bottomRight);
    if (flags & BF_RIGHT) c->FillSolid(Rect(r.Right - 1, r.Top, r.Right, r.Bottom), bottomRight);
    if (flags & BF_LEFT) ++r.Left;
    if (flags & BF_TOP) ++r.Top;
    if (flags & BF_RIGHT) --r.Right;
    if (flags & BF_BOTTOM) --r.Bottom;
}

// The classic check mark, 7 x 7.
const char* const checkMark[7] = {"......#", ".....##", "#...###", "##.###.",
                                  "#####..", ".###...", "..#...."};

void glyph(TCanvas* c, int x0, int y0, const char* const* rows, int n, TColor color) {
    for (int y = 0; y < n; ++y)
        for (int x = 0; rows[y][x]; ++x)
            if (rows[y][x] == '#')
                c->FillSolid(Rect(x0 + x, y0 + y, x0 + x + 1, y0 + y + 1), color);
}

// A filled triangle pointing in Dir (0 up, 1 down, 2 left, 3 right), centred in R.
void arrow(TCanvas* c, const TRect& r, int dir, TColor color) {
    int size = std::min(r.Width(), r.Height());
    int h = std::max(1, (size + 4) / 4); // rows of the triangle
    if (dir <= 1) {
        int w = 2 * h - 1;
        int x0 = r.Left + (r.Width() - w) / 2, y0 = r.Top + (r.Height() - h) / 2;
        for (int i = 0; i < h; ++i) {
            int row = dir == 1 ? i : h - 1 - i; // width shrinks towards the point
            c->FillSolid(Rect(x0 + i, y0 + row, x0 + w - i, y0 + row + 1), color);
        }
    } else {
        int w = 2 * h - 1;
        int x0 = r.Left + (r.Width() - h) / 2, y0 = r.Top + (r.Height() - w) / 2;
        for (int i = 0; i < h; ++i) {
            int col = dir == 3 ? i : h - 1 - i;
            c->FillSolid(Rect(x0 + col, y0 + i, x0 + col + 1, y0 + w - i), color);
        }
    }
}

} // namespace

bool DrawEdge(TCanvas* Canvas, TRect& Rect, unsigned Edge, unsigned Flags) {
    if (!Canvas) return false;
    TRect r = Rect;
    const bool soft = Flags & BF_SOFT;
    TColor outerTL = clNone, outerBR = clNone, innerTL = clNone, innerBR = clNone;
    if (Flags & BF_MONO) {
        outerTL = outerBR = clWindowFrame;
        innerTL = innerBR = clWindow;
    } else if (Flags & BF_FLAT) {
        outerTL = outerBR = clBtnShadow;
        innerTL = innerBR = clBtnFace;
    } else {
        if (Edge & BDR_RAISEDOUTER) {
            outerTL = soft ? clBtnHighlight : cl3DLight;
            outerBR = cl3DDkShadow;
        } else if (Edge & BDR_SUNKENOUTER) {
            outerTL = soft ? cl3DDkShadow : clBtnShadow;
            outerBR = clBtnHighlight;
        }
        if (Edge & BDR_RAISEDINNER) {
            innerTL = soft ? cl3DLight : clBtnHighlight;
            innerBR = clBtnShadow;
        } else if (Edge & BDR_SUNKENINNER) {
            innerTL = soft ? clBtnShadow : cl3DDkShadow;
            innerBR = cl3DLight;
        }
    }
    if (Edge & BDR_OUTER) ring(Canvas, r, outerTL, outerBR, Flags);
    if (Edge & BDR_INNER) ring(Canvas, r, innerTL, innerBR, Flags);
    if (Flags & BF_MIDDLE) Canvas->FillSolid(r, (Flags & BF_MONO) ? clWindow : clBtnFace);
    if (Flags & BF_ADJUST) Rect = r;
    return true;
}

bool DrawFrameControl(TCanvas* Canvas, const TRect& ARect, unsigned Type, unsigned State) {
    if (!Canvas) return false;
    const bool pushed = State & DFCS_PUSHED, inactive = State & DFCS_INACTIVE,
               flat = State & DFCS_FLAT, mono = State & DFCS_MONO, checked = State & DFCS_CHECKED;
    const unsigned look = mono ? BF_MONO : flat ? BF_FLAT : 0;
    TRect r = ARect;
    if (Type == DFC_BUTTON) {
        unsigned kind = State & 0x1F;
        if (kind == DFCS_BUTTONPUSH) {
            if (pushed || checked)
                DrawEdge(Canvas, r, flat ? BDR_SUNKENOUTER : EDGE_SUNKEN,
                         BF_RECT | BF_MIDDLE | look);
            else
                DrawEdge(Canvas, r, flat ? BDR_RAISEDINNER : EDGE_RAISED,
                         BF_RECT | BF_MIDDLE | look);
            return true;
        }
        if (kind == DFCS_BUTTONCHECK || kind == DFCS_BUTTON3STATE) {
            // A square box at the left, vertically centred.
            int side = std::min(r.Width(), r.Height());
            TRect box = Rect(r.Left, r.Top + (r.Height() - side) / 2, r.Left + side,
                             r.Top + (r.Height() - side) / 2 + side);
            DrawEdge(Canvas, box, EDGE_SUNKEN, BF_RECT | BF_ADJUST | look);
            bool grey = pushed || inactive || (kind == DFCS_BUTTON3STATE && checked);
            Canvas->FillSolid(box, grey ? clBtnFace : clWindow);
            if (checked) {
                TColor mark = inactive || kind == DFCS_BUTTON3STATE ? clBtnShadow : clWindowText;
                glyph(Canvas, box.Left + (box.Width() - 7) / 2, box.Top + (box.Height() - 7) / 2,
                      checkMark, 7, mark);
            }
            return true;
        }
        if (kind == DFCS_BUTTONRADIO) {
            // Rings by distance from the centre: shadow above-left, light below-right.
            int side = std::min(r.Width(), r.Height());
            double c = (side - 1) / 2.0, rad = side / 2.0;
            for (int y = 0; y < side; ++y)
                for (int x = 0; x < side; ++x) {
                    double dx = x - c, dy = y - c, d = std::sqrt(dx * dx + dy * dy);
                    if (d > rad - 0.3) continue;
                    bool upperLeft = dx + dy < 0;
                    TColor col;
                    if (d > rad - 1.3)
                        col = mono ? clWindowFrame : upperLeft ? clBtnShadow : clBtnHighlight;
                    else if (d > rad - 2.3)
                        col = mono ? clWindow : upperLeft ? cl3DDkShadow : cl3DLight;
                    else if (checked && d < rad / 2.6)
                        col = inactive ? clBtnShadow : clWindowText;
                    else
                        col = pushed || inactive ? clBtnFace : clWindow;
                    Canvas->FillSolid(Rect(r.Left + x, r.Top + y, r.Left + x + 1, r.Top + y + 1),
                                      col);
                }
            return true;
        }
        return false;
    }
    if (Type == DFC_SCROLL) {
        unsigned kind = State & 0x1F;
        if (kind == DFCS_SCROLLSIZEGRIP) {
            // No edge: diagonal ridges from the bottom-right corner on the face colour, one
            // light line and two dark ones each.
            Canvas->FillSolid(r, clBtnFace);
            int n = std::min(r.Width(), r.Height());
            for (int d = 1; d < n; ++d) {
                int m = d % 4;
                if (m == 0) continue;
                TColor col = m == 1 ? clBtnHighlight : clBtnShadow;
                for (int t = 0; t <= d; ++t) {
                    int x = r.Right - 1 - t, y = r.Bottom - 1 - (d - t);
                    Canvas->FillSolid(Rect(x, y, x + 1, y + 1), col);
                }
            }
            return true;
        }
        if (pushed)
            DrawEdge(Canvas, r, BDR_SUNKENOUTER, BF_RECT | BF_MIDDLE | BF_FLAT | BF_ADJUST);
        else
            DrawEdge(Canvas, r, flat ? BDR_RAISEDINNER : EDGE_RAISED,
                     BF_RECT | BF_MIDDLE | BF_ADJUST | look);
        int dir = kind == DFCS_SCROLLCOMBOBOX ? 1 : int(kind);
        if (dir > 3) return false;
        TRect a = r;
        if (pushed) {
            a.Left += 1;
            a.Top += 1;
            a.Right += 1;
            a.Bottom += 1;
        }
        if (inactive) {
            TRect lit = Rect(a.Left + 1, a.Top + 1, a.Right + 1, a.Bottom + 1);
            arrow(Canvas, lit, dir, clBtnHighlight);
            arrow(Canvas, a, dir, clBtnShadow);
        } else {
            arrow(Canvas, a, dir, clBtnText);
        }
        return true;
    }
    return false;
}
