#include "VCLUtils.h"

#include "Dialogs.h"
#include "Forms.h"
#include "RXConst.h"

#include <QApplication>
#include <QColor>
#include <QThread>
#include <QWidget>
#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

uint32_t rgbOf(TColor C) {
    return ColorToQColor(C).rgb() & 0xFFFFFFu;
}

} // namespace

void TransparentMaskBlt(TCanvas* Dst, int DstX, int DstY, int DstW, int DstH, TCanvas* Src,
                        int SrcX, int SrcY, int SrcW, int SrcH, uint32_t MaskColor,
                        const TPalette*) {
    if (!Dst || !Src || DstW <= 0 || DstH <= 0 || SrcW <= 0 || SrcH <= 0) return;
    QImage part = Src->ReadPixels(TRect{SrcX, SrcY, SrcX + SrcW, SrcY + SrcH});
    if (part.isNull()) return;
    // 0x00BBGGRR to Qt's 0xRRGGBB
    const uint32_t mask = (uint32_t(GetRValue(MaskColor)) << 16) |
                          (uint32_t(GetGValue(MaskColor)) << 8) | uint32_t(GetBValue(MaskColor));
    QImage img = part.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < img.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x)
            if ((row[x] & 0xFFFFFFu) == mask) row[x] = 0;
    }
    if (img.width() != DstW || img.height() != DstH)
        img = img.scaled(DstW, DstH, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    Dst->DrawImage(DstX, DstY, img);
}

void DrawTransparentStretched(TCanvas* Dest, TBitmap* Bitmap, TColor TransparentColor, int DstX,
                              int DstY, int DstW, int DstH, int SrcX, int SrcY, int SrcW,
                              int SrcH) {
    if (!Dest || !Bitmap || Bitmap->GetEmpty()) return;
    if (DstW < 1) DstW = Bitmap->GetWidth();
    if (DstH < 1) DstH = Bitmap->GetHeight();
    if (SrcW < 1 || SrcH < 1) {
        SrcX = SrcY = 0;
        SrcW = Bitmap->GetWidth();
        SrcH = Bitmap->GetHeight();
    }
    if (!Bitmap->GetMonochrome()) Dest->SetStretchBltMode(COLORONCOLOR);
    TCanvas* src = Bitmap->GetCanvas();
    src->Lock();
    TNotifyEvent changing = std::move(src->OnChanging);
    src->OnChanging = nullptr;
    struct Restore {
        TCanvas* C;
        TNotifyEvent& Saved;
        ~Restore() {
            C->OnChanging = std::move(Saved);
            C->Unlock();
        }
    } restore{src, changing};
    if (TransparentColor == clNone) {
        Dest->StretchBlt(TRect{DstX, DstY, DstX + DstW, DstY + DstH}, src,
                         TRect{SrcX, SrcY, SrcX + SrcW, SrcY + SrcH}, Dest->GetCopyMode());
        return;
    }
    if (TransparentColor == clDefault)
        TransparentColor = src->GetPixels(0, Bitmap->GetHeight() - 1);
    uint32_t mask = Bitmap->GetMonochrome() ? 0xFFFFFFu : uint32_t(ColorToRGB(TransparentColor));
    TPalette palette = Bitmap->GetPalette();
    TransparentMaskBlt(Dest, DstX, DstY, DstW, DstH, src, SrcX, SrcY, SrcW, SrcH, mask, &palette);
}

void DrawTransparentPart(TCanvas* Dest, int DstX, int DstY, int DstW, int DstH,
                         const TRect& SrcRect, TBitmap* Bitmap, TColor TransparentColor) {
    DrawTransparentStretched(Dest, Bitmap, TransparentColor, DstX, DstY, DstW, DstH, SrcRect.Left,
                             SrcRect.Top, SrcRect.Width(), SrcRect.Height());
}

void DrawTransparent(TCanvas* Dest, int DstX, int DstY, TBitmap* Bitmap, TColor TransparentColor) {
    if (!Bitmap) return;
    DrawTransparentStretched(Dest, Bitmap, TransparentColor, DstX, DstY, Bitmap->GetWidth(),
                             Bitmap->GetHeight(), 0, 0, Bitmap->GetWidth(), Bitmap->GetHeight());
}

std::unique_ptr<TBitmap> BuildDisabledGlyphEx(TBitmap* Source, TColor OutlineColor,
                                              TColor BackColor, TColor HighlightColor,
                                              TColor ShadowColor, bool DrawHighlight) {
    auto result = std::make_unique<TBitmap>();
    if (!Source) return result;
    const int w = Source->GetWidth(), h = Source->GetHeight();
    result->SetSize(w, h);
    if (w <= 0 || h <= 0) return result;
    const QImage& src = Source->GetImage();
    // the pixels of the outline colour (for a monochrome source: its nearer of black and white)
    uint32_t outline = rgbOf(OutlineColor);
    if (Source->GetMonochrome()) {
        QColor c = QColor::fromRgb(outline);
        outline = (c.red() + c.green() + c.blue()) >= 3 * 128 ? 0xFFFFFFu : 0u;
    }
    QImage out(w, h, QImage::Format_RGB32);
    out.fill(QColor::fromRgb(rgbOf(BackColor)));
    auto paint = [&](int dx, int dy, uint32_t rgb) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if ((src.pixel(x, y) & 0xFFFFFFu) == outline && x + dx < w && y + dy < h)
                    out.setPixel(x + dx, y + dy, 0xFF000000u | rgb);
    };
    if (DrawHighlight) paint(1, 1, rgbOf(HighlightColor));
    paint(0, 0, rgbOf(ShadowColor));
    result->SetImage(out);
    return result;
}

std::unique_ptr<TBitmap> BuildDisabledGlyph(TBitmap* Source, TColor OutlineColor) {
    return BuildDisabledGlyphEx(Source, OutlineColor, clBtnFace, clBtnHighlight, clBtnShadow, true);
}

void DrawImageDisabled(TCustomImageList* Images, TCanvas* Canvas, int X, int Y, int Index,
                       TColor HighlightColor, TColor GrayColor, bool DrawHighlight) {
    if (!Images || !Canvas || Index < 0 || Index >= Images->Count()) return;
    QImage shape = Images->GetImage(Index).convertToFormat(QImage::Format_ARGB32);
    auto tinted = [&shape](TColor C) {
        QImage t = shape;
        const uint32_t rgb = rgbOf(C);
        for (int y = 0; y < t.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(t.scanLine(y));
            for (int x = 0; x < t.width(); ++x)
                row[x] = qAlpha(row[x]) != 0 ? (0xFF000000u | rgb) : 0u;
        }
        return t;
    };
    if (DrawHighlight) Canvas->DrawImage(X + 1, Y + 1, tinted(HighlightColor));
    Canvas->DrawImage(X, Y, tinted(GrayColor));
}

void CopyImageCell(TGraphic* Source, TBitmap* Dest, int Cols, int Rows, int Index) {
    if (!Source || !Dest) return;
    Cols = std::max(Cols, 1);
    Rows = std::max(Rows, 1);
    Index = std::max(Index, 0);
    const int cw = Source->GetWidth() / Cols, ch = Source->GetHeight() / Rows;
    const int cx = (Index % Cols) * cw, cy = (Index / Cols) * ch;
    Dest->SetSize(cw, ch);
    if (auto* bmp = dynamic_cast<TBitmap*>(Source)) {
        Dest->GetCanvas()->CopyRect(TRect{0, 0, cw, ch}, bmp->GetCanvas(),
                                    TRect{cx, cy, cx + cw, cy + ch});
        Dest->SetTransparentColor(bmp->GetTransparentColor());
        TPixelFormat f = bmp->GetPixelFormat();
        if (f == pf1bit || f == pf4bit || f == pf8bit) {
            Dest->SetPixelFormat(f);
            Dest->SetPalette(bmp->GetPalette());
        }
        return;
    }
    TCanvas* c = Dest->GetCanvas();
    c->GetBrush()->SetColor(clSilver);
    c->FillRect(TRect{0, 0, cw, ch});
    c->Draw(-cx, -cy, Source);
}

void PaintParentBackground(TControl* Control, TCanvas* Dest) {
    if (!Control || !Dest) return;
    TWinControl* parent = Control->GetParent();
    if (!parent) return;
    const TControlState parentState = parent->GetControlState();
    parent->SetControlState(TControlState(parentState).Include(csPaintCopy));
    int saved = Dest->SaveDC();
    Dest->MoveViewportOrg(-Control->GetLeft(), -Control->GetTop());
    Dest->IntersectClipRect(parent->GetClientRect());
    parent->Perform(WM_ERASEBKGND, WPARAM(Dest), 0);
    parent->PaintWindow(Dest);
    Dest->RestoreDC(saved);
    parent->SetControlState(parentState);
    const TRect bounds = Control->GetBoundsRect();
    for (int i = 0; i < parent->ControlCount(); ++i) {
        TControl* c = parent->GetControls(i);
        if (c == Control) break;
        if (!dynamic_cast<TGraphicControl*>(c) || !c->GetVisible()) continue;
        const TRect r = c->GetBoundsRect();
        if (r.Left >= bounds.Right || r.Right <= bounds.Left || r.Top >= bounds.Bottom ||
            r.Bottom <= bounds.Top)
            continue;
        const TControlState state = c->GetControlState();
        c->SetControlState(TControlState(state).Include(csPaintCopy));
        int s = Dest->SaveDC();
        Dest->MoveViewportOrg(r.Left - bounds.Left, r.Top - bounds.Top);
        Dest->IntersectClipRect(TRect{0, 0, r.Width(), r.Height()});
        c->Perform(WM_PAINT, WPARAM(Dest), 0);
        Dest->RestoreDC(s);
        c->SetControlState(state);
    }
}

QString FitTextWithEllipsis(const QString& Text, TCanvas* Canvas, int MaxWidth) {
    QString result = Text;
    int counter = 1;
    while (counter <= Text.size() && Canvas->TextWidth(result) > MaxWidth) {
        ++counter;
        result = Text.left(std::max<qsizetype>(0, Text.size() - counter)) + QStringLiteral("...");
    }
    return result;
}

uint32_t PaletteRelativeColor(TColor Color) {
    return uint32_t(ColorToRGB(Color)) | 0x02000000u;
}

void DiscardMessage(HWND Wnd, UINT Msg) {
    TMsg m;
    if (PeekMessage(m, Wnd, Msg, Msg, PM_REMOVE) && m.message == WM_QUIT)
        PostQuitMessage(int(m.wParam));
}

bool AppIsForeground() {
    HWND w = GetActiveWindow();
    return w && w->thread() == QThread::currentThread();
}

void StopNotImplemented() {
    Screen->SetCursor(crDefault);
    MessageDlg(RxLoadStr(SNotImplemented), mtInformation, TMsgDlgButtons{mbOK}, 0);
    Abort();
}

void ErrorBeep() {
    QApplication::beep();
}

void* AllocZeroedBlock(std::ptrdiff_t Size) {
    return Size < 1 ? nullptr : std::calloc(size_t(Size), 1);
}

void FreeBlock(void*& P) {
    std::free(P);
    P = nullptr;
}

bool BlocksEqual(const void* P1, const void* P2, std::ptrdiff_t Size) {
    return Size <= 0 || std::memcmp(P1, P2, size_t(Size)) == 0;
}

void* AdvancePointer(void* P, std::ptrdiff_t Offset) {
    return static_cast<char*>(P) + Offset;
}

void CopyBlock(void* Dest, const void* Source, std::ptrdiff_t Count) {
    if (Count > 0) std::memmove(Dest, Source, size_t(Count));
}
