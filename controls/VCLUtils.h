// Stand-alone drawing and support routines the library's controls share: bitmaps drawn with
// a transparent colour (stretched, or a part of them), the disabled (embossed) look of a glyph
// or an image-list entry, one cell of an image strip, the parent's picture behind a
// transparent control, text shortened with "...", rectangle sizes, dropping a queued message,
// the foreground test, a stop for what is not implemented, and small memory helpers of the
// image readers. Everything draws through TCanvas and TBitmap.
#pragma once

#include "Controls.h"
#include "Graphics.h"
#include "ImgList.h"

#include <cstddef>
#include <memory>

// Draws the source part (SrcX, SrcY, SrcW, SrcH) of Bitmap stretched into (DstX, DstY, DstW,
// DstH), leaving the pixels of TransparentColor out. DstW/DstH below 1 take the bitmap's size;
// SrcW or SrcH below 1 takes the whole bitmap. clDefault is the colour of the bottom-left
// pixel; clNone draws the bitmap opaque with the canvas's CopyMode; for a monochrome bitmap
// white is transparent.
void DrawTransparentStretched(TCanvas* Dest, TBitmap* Bitmap, TColor TransparentColor, int DstX,
                              int DstY, int DstW, int DstH, int SrcX, int SrcY, int SrcW, int SrcH);
void DrawTransparentPart(TCanvas* Dest, int DstX, int DstY, int DstW, int DstH,
                         const TRect& SrcRect, TBitmap* Bitmap, TColor TransparentColor);
// The whole bitmap at its own size.
void DrawTransparent(TCanvas* Dest, int DstX, int DstY, TBitmap* Bitmap, TColor TransparentColor);
// Copies the source rectangle of Src into the destination rectangle of Dst (stretching by
// picking pixels), pixels of MaskColor (0x00BBGGRR) left out. Colours are never reduced to a
// palette here, so Palette is only accepted for callers that have one.
void TransparentMaskBlt(TCanvas* Dst, int DstX, int DstY, int DstW, int DstH, TCanvas* Src,
                        int SrcX, int SrcY, int SrcW, int SrcH, uint32_t MaskColor,
                        const TPalette* Palette = nullptr);

// A new bitmap of Source's size on BackColor where the pixels of OutlineColor appear embossed:
// HighlightColor one pixel right and down (when DrawHighlight), ShadowColor over it.
std::unique_ptr<TBitmap> BuildDisabledGlyphEx(TBitmap* Source, TColor OutlineColor,
                                              TColor BackColor, TColor HighlightColor,
                                              TColor ShadowColor, bool DrawHighlight);
// The same on clBtnFace with clBtnHighlight and clBtnShadow.
std::unique_ptr<TBitmap> BuildDisabledGlyph(TBitmap* Source, TColor OutlineColor);
// Paints the shape of image Index (its opaque pixels) in HighlightColor at (X + 1, Y + 1) when
// DrawHighlight, then in GrayColor at (X, Y).
void DrawImageDisabled(TCustomImageList* Images, TCanvas* Canvas, int X, int Y, int Index,
                       TColor HighlightColor, TColor GrayColor, bool DrawHighlight);
// Makes Dest cell Index of Source split into Cols x Rows equal cells (counted along the rows;
// counts below 1 count as 1, an index below 0 as 0). A bitmap source is copied and gives its
// transparent colour; any other graphic is drawn on silver.
void CopyImageCell(TGraphic* Source, TBitmap* Dest, int Cols, int Rows, int Index);
// Paints, into the control's canvas Dest, what its parent and the windowless siblings below it
// show behind the control (a transparent control's background).
void PaintParentBackground(TControl* Control, TCanvas* Dest);
// Text, or a prefix of it followed by "..." (each try two, then one more character shorter),
// that fits into MaxWidth on the canvas; "..." alone when nothing fits.
QString FitTextWithEllipsis(const QString& Text, TCanvas* Canvas, int MaxWidth);

constexpr int WidthOfRect(const TRect& R) {
    return R.Right - R.Left;
}
constexpr int HeightOfRect(const TRect& R) {
    return R.Bottom - R.Top;
}
// The RGB value of a colour with the palette-relative bit (0x02000000) set.
uint32_t PaletteRelativeColor(TColor Color);

// Removes one queued Msg of Wnd; a quit request removed that way is posted again, so a closing
// application still closes.
void DiscardMessage(HWND Wnd, UINT Msg);
// True when the active window belongs to this program's user-interface thread.
bool AppIsForeground();
// Shows "Функция не реализована" (information, OK) with the default cursor and aborts silently.
[[noreturn]] void StopNotImplemented();
// The error beep.
void ErrorBeep();

// Memory helpers of the image readers: a zero-filled block (null for a size below 1), its
// release (the pointer becomes null), byte-wise comparison (true for size 0), pointer
// arithmetic and a copy that allows overlap.
void* AllocZeroedBlock(std::ptrdiff_t Size);
void FreeBlock(void*& P);
bool BlocksEqual(const void* P1, const void* P2, std::ptrdiff_t Size);
void* AdvancePointer(void* P, std::ptrdiff_t Offset);
void CopyBlock(void* Dest, const void* Source, std::ptrdiff_t Count);
// Returns its argument: the image readers pass their messages through it.
inline QString PassText(const QString& Text) {
    return Text;
}

// ---- bitmap conversion and palettes ----

class TMemoryStream;

// How the colours of a true-colour picture are brought down to a palette of 256 or fewer; the
// numeric values are stored.
enum TReductionMethod {
    rmPopular,        // the most frequent colours, each pixel the nearest of them
    rmMedianCut,      // median cut of a 4-bit-per-channel histogram
    rmFixed784,       // 7 red x 8 green x 4 blue levels
    rmFixed666,       // 6 x 6 x 6 levels
    rmChannelStripes, // each pixel shows one channel, by (row + column) mod 3
    rmGray            // 256 grays
};
// The method of BitmapToColorCount and of the picture writers (rmPopular at start).
extern TReductionMethod DefaultReductionMethod;

// The bitmap as a Windows BMP file image in PixelFormat (pf1bit, pf4bit, pf8bit or pf24bit;
// other formats stop with StopNotImplemented), positioned at 0. A bitmap already in that format
// is saved as it is, unless Method is rmGray. pf8bit reduces the colours by Method; pf24bit
// keeps every colour (gray ones for rmGray). An empty bitmap raises EInvalidGraphic
// "Bitmap image is not valid".
std::unique_ptr<TMemoryStream> BitmapToDIBStream(TBitmap* Bitmap, TPixelFormat PixelFormat,
                                                 TReductionMethod Method);
// The smallest of pf1bit, pf4bit, pf8bit and pf24bit that holds Colors, by the default method.
std::unique_ptr<TMemoryStream> BitmapToColorCount(TBitmap* Bitmap, int Colors);
// Bytes of a pixel row of Width pixels at BitCount, rounded up to Alignment bits.
int ScanlineBytes(int Width, int BitCount, int Alignment);
// 2, 16 and 256 for pf1bit, pf4bit and pf8bit; 0 for the others.
int ColorsOfFormat(TPixelFormat PixelFormat);
[[noreturn]] void RaiseInvalidBitmap();
