// Colours, fonts, pens, brushes, the GDI-like canvas over QPainter, and the graphic classes:
// bitmaps (Windows BMP in and out), icons (ICO in and out) and pictures with a registry of
// file and clipboard formats.
//
// Canvas contract, as on the original platform:
// - coordinates are integer pixels; rectangles exclude their Right and Bottom edges
//   (Rectangle(0,0,4,4) covers pixels 0..3); LineTo does not paint its end point;
// - text is placed by the top-left corner of its cell (ascent + descent high);
// - the text background is opaque in the brush colour when Brush.Style is bsSolid, else
//   transparent (SetBkMode/SetBkColor/SetTextColor override that until the brush or font
//   changes again); TextRect fills its rectangle unless the brush is bsClear;
// - Pen.Mode applies to lines and shapes, CopyMode to CopyRect/Draw of bitmaps.
#pragma once

#include "Classes.h"
#include "Streams.h"
#include "SysUtils.h"
#include "Types.h"

#include <QBrush>
#include <QByteArray>
#include <QFont>
#include <QImage>
#include <QPen>
#include <QPicture>
#include <QPoint>
#include <QRegion>
#include <QString>
#include <QTransform>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QPainter;
class QPaintDevice;
class QColor;
class QFontMetrics;

KADRION_EXCEPTION(EInvalidGraphic, Exception)
KADRION_EXCEPTION(EInvalidGraphicOperation, Exception)

// ---- colours -----------------------------------------------------------------------------

// 0x00BBGGRR; a system colour is 0x80000000 | COLOR_xxx index; clNone and clDefault are marks.
using TColor = int32_t;

constexpr TColor clSystemColor = TColor(0x80000000u);

// System colour indices.
constexpr int COLOR_SCROLLBAR = 0;
constexpr int COLOR_BACKGROUND = 1;
constexpr int COLOR_ACTIVECAPTION = 2;
constexpr int COLOR_INACTIVECAPTION = 3;
constexpr int COLOR_MENU = 4;
constexpr int COLOR_WINDOW = 5;
constexpr int COLOR_WINDOWFRAME = 6;
constexpr int COLOR_MENUTEXT = 7;
constexpr int COLOR_WINDOWTEXT = 8;
constexpr int COLOR_CAPTIONTEXT = 9;
constexpr int COLOR_ACTIVEBORDER = 10;
constexpr int COLOR_INACTIVEBORDER = 11;
constexpr int COLOR_APPWORKSPACE = 12;
constexpr int COLOR_HIGHLIGHT = 13;
constexpr int COLOR_HIGHLIGHTTEXT = 14;
constexpr int COLOR_BTNFACE = 15;
constexpr int COLOR_BTNSHADOW = 16;
constexpr int COLOR_GRAYTEXT = 17;
constexpr int COLOR_BTNTEXT = 18;
constexpr int COLOR_INACTIVECAPTIONTEXT = 19;
constexpr int COLOR_BTNHIGHLIGHT = 20;
constexpr int COLOR_3DDKSHADOW = 21;
constexpr int COLOR_3DLIGHT = 22;
constexpr int COLOR_INFOTEXT = 23;
constexpr int COLOR_INFOBK = 24;
constexpr int COLOR_HOTLIGHT = 26;
constexpr int COLOR_GRADIENTACTIVECAPTION = 27;
constexpr int COLOR_GRADIENTINACTIVECAPTION = 28;
constexpr int COLOR_MENUHILIGHT = 29;
constexpr int COLOR_MENUBAR = 30;
constexpr int COLOR_DESKTOP = COLOR_BACKGROUND;
constexpr int COLOR_3DFACE = COLOR_BTNFACE;
constexpr int COLOR_3DSHADOW = COLOR_BTNSHADOW;
constexpr int COLOR_3DHIGHLIGHT = COLOR_BTNHIGHLIGHT;
constexpr int COLOR_3DHILIGHT = COLOR_BTNHIGHLIGHT;
constexpr int COLOR_BTNHILIGHT = COLOR_BTNHIGHLIGHT;

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clLtGray = 0xC0C0C0;
constexpr TColor clDkGray = 0x808080;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clMoneyGreen = 0xC0DCC0;
constexpr TColor clSkyBlue = 0xF0CAA6;
constexpr TColor clCream = 0xF0FBFF;
constexpr TColor clMedGray = 0xA4A0A0;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

constexpr TColor clScrollBar = clSystemColor | COLOR_SCROLLBAR;
constexpr TColor clBackground = clSystemColor | COLOR_BACKGROUND;
constexpr TColor clActiveCaption = clSystemColor | COLOR_ACTIVECAPTION;
constexpr TColor clInactiveCaption = clSystemColor | COLOR_INACTIVECAPTION;
constexpr TColor clMenu = clSystemColor | COLOR_MENU;
constexpr TColor clWindow = clSystemColor | COLOR_WINDOW;
constexpr TColor clWindowFrame = clSystemColor | COLOR_WINDOWFRAME;
constexpr TColor clMenuText = clSystemColor | COLOR_MENUTEXT;
constexpr TColor clWindowText = clSystemColor | COLOR_WINDOWTEXT;
constexpr TColor clCaptionText = clSystemColor | COLOR_CAPTIONTEXT;
constexpr TColor clActiveBorder = clSystemColor | COLOR_ACTIVEBORDER;
constexpr TColor clInactiveBorder = clSystemColor | COLOR_INACTIVEBORDER;
constexpr TColor clAppWorkSpace = clSystemColor | COLOR_APPWORKSPACE;
constexpr TColor clHighlight = clSystemColor | COLOR_HIGHLIGHT;
constexpr TColor clHighlightText = clSystemColor | COLOR_HIGHLIGHTTEXT;
constexpr TColor clBtnFace = clSystemColor | COLOR_BTNFACE;
constexpr TColor clBtnShadow = clSystemColor | COLOR_BTNSHADOW;
constexpr TColor clGrayText = clSystemColor | COLOR_GRAYTEXT;
constexpr TColor clBtnText = clSystemColor | COLOR_BTNTEXT;
constexpr TColor clInactiveCaptionText = clSystemColor | COLOR_INACTIVECAPTIONTEXT;
constexpr TColor clBtnHighlight = clSystemColor | COLOR_BTNHIGHLIGHT;
constexpr TColor cl3DDkShadow = clSystemColor | COLOR_3DDKSHADOW;
constexpr TColor cl3DLight = clSystemColor | COLOR_3DLIGHT;
constexpr TColor clInfoText = clSystemColor | COLOR_INFOTEXT;
constexpr TColor clInfoBk = clSystemColor | COLOR_INFOBK;
constexpr TColor clHotLight = clSystemColor | COLOR_HOTLIGHT;
constexpr TColor clGradientActiveCaption = clSystemColor | COLOR_GRADIENTACTIVECAPTION;
constexpr TColor clGradientInactiveCaption = clSystemColor | COLOR_GRADIENTINACTIVECAPTION;
constexpr TColor clMenuHighlight = clSystemColor | COLOR_MENUHILIGHT;
constexpr TColor clMenuBar = clSystemColor | COLOR_MENUBAR;

// The colour of a system index as 0x00BBGGRR: the fixed classic desktop scheme, unless
// SetSysColor changed it. An unknown index gives 0.
uint32_t GetSysColor(int Index);
void SetSysColor(int Index, uint32_t Rgb);
// Puts back the classic scheme.
void ResetSysColors();

constexpr uint32_t RGB(int r, int g, int b) {
    return uint32_t(r & 0xFF) | (uint32_t(g & 0xFF) << 8) | (uint32_t(b & 0xFF) << 16);
}
constexpr int GetRValue(uint32_t c) {
    return int(c & 0xFF);
}
constexpr int GetGValue(uint32_t c) {
    return int((c >> 8) & 0xFF);
}
constexpr int GetBValue(uint32_t c) {
    return int((c >> 16) & 0xFF);
}

// A system colour becomes its current value; other colours come back unchanged.
int32_t ColorToRGB(TColor Color);
// The Qt colour (system colours resolved; clDefault is black, clNone its low 24 bits: white).
QColor ColorToQColor(TColor Color);
TColor QColorToColor(const QColor& Color);
// "clRed", "clBtnFace" for the named colours, else "$00BBGGRR".
QString ColorToString(TColor Color);
// Accepts the names (case-insensitive) and numbers ("$FF", "255"); bad text raises EConvertError.
TColor StringToColor(const QString& S);
bool IdentToColor(const QString& Ident, TColor& Color);
bool ColorToIdent(TColor Color, QString& Ident);

// ---- graphics objects: font, pen, brush ------------------------------------------------

class TGraphicsObject : public TPersistent {
    KADRION_CLASS(TGraphicsObject)
    TNotifyEvent OnChange;

protected:
    // Calls OnChange with this object as the sender.
    virtual void Changed();
};

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyle>;
enum TFontPitch { fpDefault, fpVariable, fpFixed };
using TFontCharset = uint8_t;
using TFontName = QString;

constexpr TFontCharset ANSI_CHARSET = 0;
constexpr TFontCharset DEFAULT_CHARSET = 1;
constexpr TFontCharset SYMBOL_CHARSET = 2;
constexpr TFontCharset RUSSIAN_CHARSET = 204;
constexpr TFontCharset EASTEUROPE_CHARSET = 238;
constexpr TFontCharset OEM_CHARSET = 255;

// The installed family used for a font name of the Windows platform: its metric twin
// (Arial -> Liberation Sans, Times New Roman -> Liberation Serif, Courier New -> Liberation Mono,
// MS Sans Serif -> Liberation Sans ...); other names are kept.
QString FontTwinName(const QString& Name);

// Size is in points, Height in pixels: Height = -MulDiv(Size, PixelsPerInch, 72); a negative
// Height is the character height, a positive one the cell height (with internal leading).
class TFont : public TGraphicsObject {
    KADRION_CLASS(TFont)
    TFont();
    void Assign(TPersistent* Source) override;

    QString GetName() const { return name; }
    void SetName(const QString& Value);
    int GetSize() const;
    void SetSize(int Value);
    int GetHeight() const { return height; }
    void SetHeight(int Value);
    TFontStyles GetStyle() const { return style; }
    void SetStyle(TFontStyles Value);
    TColor GetColor() const { return color; }
    void SetColor(TColor Value);
    TFontCharset GetCharset() const { return charset; }
    void SetCharset(TFontCharset Value);
    TFontPitch GetPitch() const { return pitch; }
    void SetPitch(TFontPitch Value);
    // Screen resolution the size converts with (96 unless set); changing it keeps Height.
    // Assign from a font of another resolution keeps the point size.
    int GetPixelsPerInch() const { return pixelsPerInch; }
    void SetPixelsPerInch(int Value);
    // Text drawn at an angle, in tenths of a degree counter-clockwise.
    int GetOrientation() const { return orientation; }
    void SetOrientation(int Value);

    // The Qt font: the metric twin family at the pixel height.
    QFont ToQFont() const;
    bool operator==(const TFont& o) const;

    // The resolution new fonts start with (the screen's).
    static int DefaultPixelsPerInch;

private:
    QString name = QStringLiteral("MS Sans Serif");
    int height = -11;
    TFontStyles style;
    TColor color = clWindowText;
    TFontCharset charset = DEFAULT_CHARSET;
    TFontPitch pitch = fpDefault;
    int pixelsPerInch = 96;
    int orientation = 0;
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode {
    pmBlack,
    pmWhite,
    pmNop,
    pmNot,
    pmCopy,
    pmNotCopy,
    pmMergePenNot,
    pmMaskPenNot,
    pmMergeNotPen,
    pmMaskNotPen,
    pmMerge,
    pmNotMerge,
    pmMask,
    pmNotMask,
    pmXor,
    pmNotXor
};

class TPen : public TGraphicsObject {
    KADRION_CLASS(TPen)
    void Assign(TPersistent* Source) override;
    TColor GetColor() const { return color; }
    void SetColor(TColor Value);
    int GetWidth() const { return width; }
    void SetWidth(int Value);
    TPenStyle GetStyle() const { return style; }
    void SetStyle(TPenStyle Value);
    TPenMode GetMode() const { return mode; }
    void SetMode(TPenMode Value);

private:
    TColor color = clBlack;
    int width = 1;
    TPenStyle style = psSolid;
    TPenMode mode = pmCopy;
};

enum TBrushStyle {
    bsSolid,
    bsClear,
    bsHorizontal,
    bsVertical,
    bsFDiagonal,
    bsBDiagonal,
    bsCross,
    bsDiagCross
};

class TBitmap;

class TBrush : public TGraphicsObject {
    KADRION_CLASS(TBrush)
    TBrush();
    ~TBrush() override;
    void Assign(TPersistent* Source) override;
    TColor GetColor() const { return color; }
    // Setting a colour turns a clear brush solid.
    void SetColor(TColor Value);
    TBrushStyle GetStyle() const { return style; }
    void SetStyle(TBrushStyle Value);
    // A pattern bitmap (8 x 8 as on the platform, any size here); null when none. The brush
    // keeps its own copy.
    TBitmap* GetBitmap() const { return bitmap.get(); }
    void SetBitmap(TBitmap* Value);

private:
    TColor color = clWhite;
    TBrushStyle style = bsSolid;
    std::unique_ptr<TBitmap> bitmap;
};

// ---- text output flags -------------------------------------------------------------------

constexpr unsigned DT_TOP = 0x0;
constexpr unsigned DT_LEFT = 0x0;
constexpr unsigned DT_CENTER = 0x1;
constexpr unsigned DT_RIGHT = 0x2;
constexpr unsigned DT_VCENTER = 0x4;
constexpr unsigned DT_BOTTOM = 0x8;
constexpr unsigned DT_WORDBREAK = 0x10;
constexpr unsigned DT_SINGLELINE = 0x20;
constexpr unsigned DT_EXPANDTABS = 0x40;
constexpr unsigned DT_TABSTOP = 0x80;
constexpr unsigned DT_NOCLIP = 0x100;
constexpr unsigned DT_EXTERNALLEADING = 0x200;
constexpr unsigned DT_CALCRECT = 0x400;
constexpr unsigned DT_NOPREFIX = 0x800;
constexpr unsigned DT_INTERNAL = 0x1000;
constexpr unsigned DT_EDITCONTROL = 0x2000;
constexpr unsigned DT_PATH_ELLIPSIS = 0x4000;
constexpr unsigned DT_END_ELLIPSIS = 0x8000;
constexpr unsigned DT_MODIFYSTRING = 0x10000;
constexpr unsigned DT_RTLREADING = 0x20000;
constexpr unsigned DT_WORD_ELLIPSIS = 0x40000;
constexpr unsigned DT_NOFULLWIDTHCHARBREAK = 0x80000;
constexpr unsigned DT_HIDEPREFIX = 0x100000;
constexpr unsigned DT_PREFIXONLY = 0x200000;

// ExtTextOut options (TCanvas::TextFlags).
constexpr int ETO_OPAQUE = 0x2;
constexpr int ETO_CLIPPED = 0x4;
constexpr int ETO_RTLREADING = 0x80;

// Background modes.
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

// Text alignment of TextOut (SetTextAlign).
constexpr unsigned TA_LEFT = 0;
constexpr unsigned TA_TOP = 0;
constexpr unsigned TA_UPDATECP = 1;
constexpr unsigned TA_RIGHT = 2;
constexpr unsigned TA_CENTER = 6;
constexpr unsigned TA_BOTTOM = 8;
constexpr unsigned TA_BASELINE = 24;

constexpr int CLR_INVALID = -1;

// Stretch modes (SetStretchBltMode).
constexpr int BLACKONWHITE = 1;
constexpr int WHITEONBLACK = 2;
constexpr int COLORONCOLOR = 3;
constexpr int HALFTONE = 4;

// Raster operations (CopyMode and the ROP of CopyRect): any ternary ROP code works on
// bitmaps; on other devices the common ones are mapped to Qt's raster operations.
using TCopyMode = int32_t;
constexpr TCopyMode cmBlackness = 0x00000042;
constexpr TCopyMode cmDstInvert = 0x00550009;
constexpr TCopyMode cmMergeCopy = 0x00C000CA;
constexpr TCopyMode cmMergePaint = 0x00BB0226;
constexpr TCopyMode cmNotSrcCopy = 0x00330008;
constexpr TCopyMode cmNotSrcErase = 0x001100A6;
constexpr TCopyMode cmPatCopy = 0x00F00021;
constexpr TCopyMode cmPatInvert = 0x005A0049;
constexpr TCopyMode cmPatPaint = 0x00FB0A09;
constexpr TCopyMode cmSrcAnd = 0x008800C6;
constexpr TCopyMode cmSrcCopy = 0x00CC0020;
constexpr TCopyMode cmSrcErase = 0x00440328;
constexpr TCopyMode cmSrcInvert = 0x00660046;
constexpr TCopyMode cmSrcPaint = 0x00EE0086;
constexpr TCopyMode cmWhiteness = 0x00FF0062;
constexpr int32_t SRCCOPY = cmSrcCopy;
constexpr int32_t SRCAND = cmSrcAnd;
constexpr int32_t SRCPAINT = cmSrcPaint;
constexpr int32_t SRCINVERT = cmSrcInvert;
constexpr int32_t SRCERASE = cmSrcErase;
constexpr int32_t NOTSRCCOPY = cmNotSrcCopy;
constexpr int32_t NOTSRCERASE = cmNotSrcErase;
constexpr int32_t MERGECOPY = cmMergeCopy;
constexpr int32_t MERGEPAINT = cmMergePaint;
constexpr int32_t PATCOPY = cmPatCopy;
constexpr int32_t PATPAINT = cmPatPaint;
constexpr int32_t PATINVERT = cmPatInvert;
constexpr int32_t DSTINVERT = cmDstInvert;
constexpr int32_t BLACKNESS = cmBlackness;
constexpr int32_t WHITENESS = cmWhiteness;
// The brush where the source has bits, the destination elsewhere: D ^ (S & (P ^ D)).
constexpr int32_t ROP_DSPDxax = 0x00E20746;

// One pixel result of a ternary raster operation on 0x00BBGGRR (or any 32-bit) values.
uint32_t ApplyRop3(int32_t Rop, uint32_t Pattern, uint32_t Source, uint32_t Dest);

struct TTextMetric {
    int tmHeight = 0;
    int tmAscent = 0;
    int tmDescent = 0;
    int tmInternalLeading = 0;
    int tmExternalLeading = 0;
    int tmAveCharWidth = 0;
    int tmMaxCharWidth = 0;
    int tmWeight = 400;
    int tmOverhang = 0;
    int tmDigitizedAspectX = 96;
    int tmDigitizedAspectY = 96;
    QChar tmFirstChar = QChar(0x20);
    QChar tmLastChar = QChar(0xFFFC);
    QChar tmDefaultChar = QChar(u'?');
    QChar tmBreakChar = QChar(0x20);
    uint8_t tmItalic = 0;
    uint8_t tmUnderlined = 0;
    uint8_t tmStruckOut = 0;
    // Bit 0 set for a variable-pitch font (the platform's inverted meaning), 0x06 TrueType.
    uint8_t tmPitchAndFamily = 0;
    uint8_t tmCharSet = 0;
};

// One text output seen by a canvas with a recorder: the text, where its cell starts and the
// rectangle it covers (in the canvas's device coordinates, after the origins; clip not
// applied), and the font and colour it was drawn with.
struct TTextRecord {
    QString Text;
    TPoint Origin;
    TRect Bounds;
    QString FontName;
    int FontHeight = 0;
    TFontStyles FontStyle;
    TColor Color = clBlack;
};

// Collects the text outputs of the canvases it is attached to (used for searching prepared
// report pages by text).
class TTextRecorder {
public:
    std::vector<TTextRecord> Items;
    void Clear() { Items.clear(); }
    // Indices of the records whose text contains S (case-insensitive when asked).
    std::vector<int> Find(const QString& S, bool CaseSensitive = false) const;
};

// ---- canvas ------------------------------------------------------------------------------

// DrawTextEx's extras: the tab length in average characters (with DT_TABSTOP|DT_EXPANDTABS),
// margins inside the rectangle; UiLengthDrawn gets the number of characters handled.
struct DRAWTEXTPARAMS {
    unsigned cbSize = sizeof(DRAWTEXTPARAMS);
    int iTabLength = 0;
    int iLeftMargin = 0;
    int iRightMargin = 0;
    unsigned uiLengthDrawn = 0;
};

class TGraphic;

enum TCanvasStates { csHandleValid, csFontValid, csPenValid, csBrushValid };
using TCanvasState = TSet<TCanvasStates>;
enum TFillStyle { fsSurface, fsBorder };

class TCanvas : public TPersistent {
    KADRION_CLASS(TCanvas)
    TCanvas();
    ~TCanvas() override;

    // ---- the device ----
    // The painter in use, made on demand (CreateHandle); null when the canvas has no device.
    QPainter* GetHandle();
    // Draws through a painter somebody else owns (a widget's paint event, a printer page);
    // null detaches. Like a new device context it starts without clip region, window origin
    // or saved states. The painter's transform and clip at this moment are the base:
    // WindowOrg moves from that transform, and clip regions set here stay inside that clip.
    void SetHandle(QPainter* Painter);
    // Draws on any paint device with a painter of its own, begun on first use (and ended by
    // FreeHandle; the clip and origin stay); null detaches.
    void SetDevice(QPaintDevice* Device);
    QPaintDevice* GetDevice() const;
    bool HandleAllocated() const { return painter != nullptr; }
    // Ends an own painter (flushing); the next drawing begins a new one.
    void FreeHandle();
    // Nothing to deselect here; kept for code written against the platform.
    void Refresh() {}
    // The device size in pixels (0 x 0 without a device).
    virtual TSize GetDeviceSize();
    // True for a monochrome device. Copies between monochrome and colour follow the
    // platform: a monochrome source paints black as the text colour and white as the
    // background colour of the destination; a colour source onto a monochrome destination
    // gives white where it has the source canvas's background colour, black elsewhere.
    virtual bool IsMonochrome() const { return false; }

    // ---- objects ----
    TFont* GetFont() const { return font.get(); }
    void SetFont(TFont* Value) { font->Assign(Value); }
    TPen* GetPen() const { return pen.get(); }
    void SetPen(TPen* Value) { pen->Assign(Value); }
    TBrush* GetBrush() const { return brush.get(); }
    void SetBrush(TBrush* Value) { brush->Assign(Value); }
    TCopyMode GetCopyMode() const { return copyMode; }
    void SetCopyMode(TCopyMode Value) { copyMode = Value; }
    TPoint GetPenPos() const { return penPos; }
    void SetPenPos(const TPoint& Value) { penPos = Value; }
    int GetTextFlags() const { return textFlags; }
    void SetTextFlags(int Value) { textFlags = Value; }
    TCanvasState GetState() const;

    // ---- GDI-style state (see the header comment) ----
    int SetBkMode(int Mode); // returns the previous mode
    int GetBkMode() const { return bkMode; }
    TColor SetBkColor(TColor C); // returns the previous colour
    TColor GetBkColor() const { return bkColor; }
    TColor SetTextColor(TColor C); // returns the previous colour
    TColor GetTextColor() const { return textColor; }
    unsigned SetTextAlign(unsigned Align); // returns the previous alignment
    unsigned GetTextAlign() const { return textAlign; }
    // Extra pixels after every character of TextOut/TextRect/DrawText (SetTextCharacterExtra).
    int SetTextCharacterExtra(int Extra);
    int GetTextCharacterExtra() const { return charExtra; }

    // Logical point (X, Y) is drawn at the device origin: every later coordinate moves by
    // -WindowOrg. Returns the previous origin.
    TPoint SetWindowOrg(int X, int Y);
    TPoint GetWindowOrg() const { return windowOrg; }
    void MoveWindowOrg(int DX, int DY);
    // The device point logical (0, 0) goes to, on top of the window origin: device =
    // logical - WindowOrg + ViewportOrg. Returns the previous origin.
    TPoint SetViewportOrg(int X, int Y);
    TPoint GetViewportOrg() const { return viewportOrg; }
    void MoveViewportOrg(int DX, int DY);
    // Shrinking/stretching of CopyRect and StretchBlt: HALFTONE smooths, the others pick
    // pixels. Returns the previous mode.
    int SetStretchBltMode(int Mode);
    int GetStretchBltMode() const { return stretchMode; }

    // ---- clipping (in logical coordinates) ----
    // The bounding box of the clip region, or the whole device without one.
    TRect GetClipRect();
    bool HasClipRegion() const { return hasClip; }
    // The clip region in logical coordinates (empty-and-false when none).
    bool GetClipRgn(QRegion& Region) const;
    // Null removes the clip region; else it is replaced by Rgn.
    void SelectClipRgn(const QRegion* Rgn);
    void SelectClipRect(const TRect& R);
    void IntersectClipRect(const TRect& R);
    void ExcludeClipRect(const TRect& R);
    bool PtVisible(int X, int Y);
    bool RectVisible(const TRect& R);

    // ---- state save ----
    // Saves clip region, origins, pen position, fonts, pens, brushes, modes and colours.
    // Returns the depth (1 for the first). RestoreDC(-1) restores the last, RestoreDC(n) the
    // state saved with number n, dropping later ones; false when there is no such state.
    int SaveDC();
    bool RestoreDC(int SavedDC = -1);

    // ---- lines and shapes ----
    void MoveTo(int X, int Y);
    void LineTo(int X, int Y);
    void Polyline(const std::vector<TPoint>& Points);
    void Polyline(const TPoint* Points, int Count);
    void Polygon(const std::vector<TPoint>& Points);
    void Polygon(const TPoint* Points, int Count);
    void PolyBezier(const std::vector<TPoint>& Points);
    void Rectangle(int X1, int Y1, int X2, int Y2);
    void Rectangle(const TRect& R) { Rectangle(R.Left, R.Top, R.Right, R.Bottom); }
    void RoundRect(int X1, int Y1, int X2, int Y2, int X3, int Y3);
    void Ellipse(int X1, int Y1, int X2, int Y2);
    void Ellipse(const TRect& R) { Ellipse(R.Left, R.Top, R.Right, R.Bottom); }
    // Elliptic arc, chord and pie in the box (X1,Y1)-(X2,Y2), counter-clockwise from the ray
    // towards (X3,Y3) to the ray towards (X4,Y4).
    void Arc(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4);
    void Chord(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4);
    void Pie(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4);
    // Fills with the brush, no outline; Right/Bottom excluded.
    void FillRect(const TRect& R);
    // Fills with one colour, leaving the brush as it is.
    void FillSolid(const TRect& R, TColor Color);
    // A one-pixel border in the brush colour.
    void FrameRect(const TRect& R);
    // A dotted rectangle inverting every other pixel; drawing it twice removes it.
    void DrawFocusRect(const TRect& R);
    // Inverts the colours of the rectangle.
    void InvertRect(const TRect& R);
    // Flood fill from (X,Y): fsSurface fills the area of Color, fsBorder up to Color.
    void FloodFill(int X, int Y, TColor Color, TFillStyle FillStyle);

    // ---- text ----
    void TextOut(int X, int Y, const QString& Text);
    // Draws Text at (X,Y) clipped to Rect; the rectangle is filled first unless the brush is
    // clear (TextFlags may add ETO_OPAQUE/ETO_CLIPPED).
    void TextRect(const TRect& Rect, int X, int Y, const QString& Text);
    // ExtTextOut: Options ETO_OPAQUE/ETO_CLIPPED apply to Rect; Dx (optional) gives the advance
    // of each character.
    void ExtTextOut(int X, int Y, int Options, const TRect* Rect, const QString& Text,
                    const std::vector<int>* Dx = nullptr);
    int TextWidth(const QString& Text);
    int TextHeight(const QString& Text);
    TSize TextExtent(const QString& Text);
    // The platform's DrawText: returns the height of the text (from Rect.Top to its bottom
    // with DT_VCENTER/DT_BOTTOM, which work with DT_SINGLELINE only); DT_CALCRECT only
    // measures, setting Rect.Right and Bottom. Empty text returns 0. With DT_WORDBREAK a
    // word longer than the line stays whole (clipped) unless DT_EDITCONTROL is given.
    // DT_END_ELLIPSIS and DT_WORD_ELLIPSIS end a line that does not fit with "...";
    // DT_PATH_ELLIPSIS puts "..." before the last path separator's part.
    int DrawText(const QString& Text, TRect& Rect, unsigned Format);
    // DrawText with the extras: margins narrow the rectangle (Rect.Right after DT_CALCRECT
    // includes the right margin), iTabLength sets the tab stops in average characters.
    int DrawTextEx(const QString& Text, TRect& Rect, unsigned Format, DRAWTEXTPARAMS* Params);
    // Text with tabs expanded at TabStops (pixels from TabOrigin; empty = every 8 average
    // characters; one value = that interval). Returns the extent (cx, cy).
    TSize TabbedTextOut(int X, int Y, const QString& Text, const std::vector<int>& TabStops,
                        int TabOrigin);
    TSize GetTabbedTextExtent(const QString& Text, const std::vector<int>& TabStops);
    void GetTextMetrics(TTextMetric& TM);

    // ---- images ----
    void Draw(int X, int Y, TGraphic* Graphic);
    void StretchDraw(const TRect& Rect, TGraphic* Graphic);
    // Draws a Qt image (alpha blended) into Dest, stretching, or at (X, Y).
    void DrawImage(const TRect& Dest, const QImage& Image);
    void DrawImage(int X, int Y, const QImage& Image);
    // Copies Source's rectangle into Dest (stretching) with CopyMode.
    void CopyRect(const TRect& Dest, TCanvas* Canvas, const TRect& Source);
    // Copies Bitmap's Source rectangle, pixels of Color replaced by the brush colour.
    void BrushCopy(const TRect& Dest, TBitmap* Bitmap, const TRect& Source, TColor Color);
    // BitBlt-style: the ROP combines the source (may be null for pattern-only ROPs), the brush
    // pattern and this canvas.
    void BitBlt(int X, int Y, int W, int H, TCanvas* Source, int XSrc, int YSrc, int32_t Rop);
    void StretchBlt(const TRect& Dest, TCanvas* Source, const TRect& Src, int32_t Rop);
    // Reads (CLR_INVALID where the device cannot be read or outside) and sets one pixel.
    TColor GetPixels(int X, int Y);
    void SetPixels(int X, int Y, TColor Color);

    // ---- locking and notification ----
    void Lock();
    bool TryLock();
    void Unlock();
    int GetLockCount() const { return lockCount; }
    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

    // Text outputs are also written to this recorder (not owned); null stops recording.
    void SetRecorder(TTextRecorder* Recorder) { recorder = Recorder; }
    TTextRecorder* GetRecorder() const { return recorder; }

    // The pixels of a logical rectangle for CopyRect from this canvas (null image when the
    // device cannot be read). Descendants over other devices override it.
    virtual QImage ReadPixels(const TRect& R);

protected:
    // Makes the painter when a drawing needs one; the default begins an own painter on the
    // device given to SetDevice.
    virtual void CreateHandle();
    // Begins a painter of the canvas's own on Device and sets it up (for CreateHandle).
    void BeginOwnPainter(QPaintDevice* Device);
    // The image drawn on when the device is a QImage (direct pixel access), else null.
    virtual QImage* DirectImage();
    virtual void Changing();
    virtual void Changed();

private:
    friend class TBitmap;
    struct SavedState;
    struct FontCache;
    const FontCache& fontCache();
    void requireHandle();
    void applyTransform();
    QPen makePen() const;
    QBrush makeBrush() const;
    void setupShape(QPainter* p, bool withBrush);
    void endShape(QPainter* p);
    // Arc, Chord and Pie: the part of the ellipse in Bounds from the ray through (X3, Y3)
    // counter-clockwise to the ray through (X4, Y4), drawn by Draw (filled when WithBrush).
    void arcShape(const TRect& Bounds, int X3, int Y3, int X4, int Y4, bool WithBrush,
                  void (QPainter::*Draw)(const QRectF&, int, int));
    void fontChanged(TObject*);
    void brushChanged(TObject*);
    int drawText(const QString& Text, TRect& Rect, unsigned Format, int TabChars);
    void drawTextLine(int X, int Y, const QString& Text, int UnderlineAt);
    void recordText(int X, int Y, const QString& Text, int Width, int Height);
    void ropBlit(const TRect& Dest, const QImage& Src, int32_t Rop);
    QPoint toDevice(int X, int Y) const;
    bool deviceVisible(const QPoint& P) const;

    std::unique_ptr<TFont> font;
    std::unique_ptr<TPen> pen;
    std::unique_ptr<TBrush> brush;
    QPainter* painter = nullptr;
    bool ownPainter = false;
    QPaintDevice* device = nullptr;
    QTransform baseTransform;
    TPoint penPos;
    TPoint windowOrg;
    TPoint viewportOrg;
    int stretchMode = BLACKONWHITE;
    int shiftX() const { return viewportOrg.X - windowOrg.X; }
    int shiftY() const { return viewportOrg.Y - windowOrg.Y; }
    TCopyMode copyMode = cmSrcCopy;
    int textFlags = 0;
    int bkMode = OPAQUE;
    TColor bkColor = clWhite;
    TColor textColor = clWindowText;
    unsigned textAlign = TA_LEFT | TA_TOP;
    int charExtra = 0;
    bool hasClip = false;
    QRegion clipRegion; // base coordinates (the device's, or the foreign painter's)
    bool hasBaseClip = false;
    QRegion baseClip;
    std::unique_ptr<FontCache> fontCacheData;
    int lockCount = 0;
    TTextRecorder* recorder = nullptr;
    std::vector<std::unique_ptr<SavedState>> saved;
};

// The platform's free functions over a canvas, for code written against them.
int DrawText(TCanvas* Canvas, const QString& Text, TRect& Rect, unsigned Format);
int DrawTextEx(TCanvas* Canvas, const QString& Text, TRect& Rect, unsigned Format,
               DRAWTEXTPARAMS* Params);

// ---- three-dimensional edges and frame controls, in the classic look ----

constexpr unsigned BDR_RAISEDOUTER = 0x1;
constexpr unsigned BDR_SUNKENOUTER = 0x2;
constexpr unsigned BDR_RAISEDINNER = 0x4;
constexpr unsigned BDR_SUNKENINNER = 0x8;
constexpr unsigned BDR_OUTER = 0x3;
constexpr unsigned BDR_INNER = 0xC;
constexpr unsigned EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
constexpr unsigned EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
constexpr unsigned EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER;
constexpr unsigned EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER;
constexpr unsigned BF_LEFT = 0x1;
constexpr unsigned BF_TOP = 0x2;
constexpr unsigned BF_RIGHT = 0x4;
constexpr unsigned BF_BOTTOM = 0x8;
constexpr unsigned BF_TOPLEFT = BF_TOP | BF_LEFT;
constexpr unsigned BF_BOTTOMRIGHT = BF_BOTTOM | BF_RIGHT;
constexpr unsigned BF_RECT = BF_LEFT | BF_TOP | BF_RIGHT | BF_BOTTOM;
constexpr unsigned BF_MIDDLE = 0x800;
constexpr unsigned BF_SOFT = 0x1000;
constexpr unsigned BF_ADJUST = 0x2000;
constexpr unsigned BF_FLAT = 0x4000;
constexpr unsigned BF_MONO = 0x8000;

// Draws the edges of Rect: each border one pixel, the outer then the inner; BF_MIDDLE fills
// the inside with clBtnFace; BF_ADJUST shrinks Rect by the borders drawn. Light from the top
// left: the top-right and bottom-left corner pixels belong to the dark sides.
bool DrawEdge(TCanvas* Canvas, TRect& Rect, unsigned Edge, unsigned Flags);

constexpr unsigned DFC_CAPTION = 1;
constexpr unsigned DFC_MENU = 2;
constexpr unsigned DFC_SCROLL = 3;
constexpr unsigned DFC_BUTTON = 4;
constexpr unsigned DFCS_BUTTONCHECK = 0x0;
constexpr unsigned DFCS_BUTTONRADIO = 0x4;
constexpr unsigned DFCS_BUTTON3STATE = 0x8;
constexpr unsigned DFCS_BUTTONPUSH = 0x10;
constexpr unsigned DFCS_SCROLLUP = 0x0;
constexpr unsigned DFCS_SCROLLDOWN = 0x1;
constexpr unsigned DFCS_SCROLLLEFT = 0x2;
constexpr unsigned DFCS_SCROLLRIGHT = 0x3;
constexpr unsigned DFCS_SCROLLCOMBOBOX = 0x5;
constexpr unsigned DFCS_SCROLLSIZEGRIP = 0x8;
constexpr unsigned DFCS_CAPTIONCLOSE = 0x0;
constexpr unsigned DFCS_INACTIVE = 0x100;
constexpr unsigned DFCS_PUSHED = 0x200;
constexpr unsigned DFCS_CHECKED = 0x400;
constexpr unsigned DFCS_ADJUSTRECT = 0x2000;
constexpr unsigned DFCS_FLAT = 0x4000;
constexpr unsigned DFCS_MONO = 0x8000;

// Push buttons, check boxes, radio buttons (DFC_BUTTON), scroll arrows and the combo-box
// button (DFC_SCROLL) in the classic look. Returns false for kinds it does not draw.
bool DrawFrameControl(TCanvas* Canvas, const TRect& ARect, unsigned Type, unsigned State);
int SetBkMode(TCanvas* Canvas, int Mode);
TColor SetBkColor(TCanvas* Canvas, TColor Color);
TColor SetTextColor(TCanvas* Canvas, TColor Color);
int SaveDC(TCanvas* Canvas);
int SetStretchBltMode(TCanvas* Canvas, int Mode);
bool RestoreDC(TCanvas* Canvas, int SavedDC);
bool GetTextMetrics(TCanvas* Canvas, TTextMetric& TM);
void IntersectClipRect(TCanvas* Canvas, int Left, int Top, int Right, int Bottom);
void ExcludeClipRect(TCanvas* Canvas, int Left, int Top, int Right, int Bottom);

// A canvas that draws into a picture (replayable with QPainter::drawPicture) and records every
// text output: the recording device for prepared pages.
class TRecordingCanvas : public TCanvas {
    KADRION_CLASS(TRecordingCanvas)
    // Width/Height bound the page (for ClipRect); the picture itself is unbounded.
    TRecordingCanvas(int Width = 0, int Height = 0);
    ~TRecordingCanvas() override;
    TTextRecorder& Texts() { return texts; }
    // Ends recording and returns the picture (recording restarts on the next drawing).
    const QPicture& GetPicture();
    TSize GetDeviceSize() override { return TSize{width, height}; }

protected:
    void CreateHandle() override;

private:
    QPicture picture;
    TTextRecorder texts;
    int width = 0;
    int height = 0;
};

// ---- graphics ----------------------------------------------------------------------------

class TGraphic : public TPersistent {
    KADRION_CLASS(TGraphic)
    virtual bool GetEmpty() const = 0;
    virtual int GetWidth() const = 0;
    virtual int GetHeight() const = 0;
    virtual void SetWidth(int Value) = 0;
    virtual void SetHeight(int Value) = 0;
    bool GetModified() const { return modified; }
    void SetModified(bool Value);
    virtual bool GetTransparent() const { return transparent; }
    virtual void SetTransparent(bool Value);
    virtual void LoadFromStream(TStream* Stream) = 0;
    virtual void SaveToStream(TStream* Stream) = 0;
    virtual void LoadFromFile(const QString& FileName);
    virtual void SaveToFile(const QString& FileName);
    // Clipboard exchange: Format is a clipboard format id (CF_BITMAP, CF_DIB or a registered
    // one), Data the bytes the clipboard holds for it.
    virtual void LoadFromClipboardFormat(uint16_t Format, const QByteArray& Data);
    virtual void SaveToClipboardFormat(uint16_t& Format, QByteArray& Data);
    // A new graphic of the same class with the same contents.
    virtual std::unique_ptr<TGraphic> Clone() const = 0;
    // The image as Qt sees it (transparency as alpha), for drawing and for the clipboard.
    virtual QImage ToImage() const = 0;
    TNotifyEvent OnChange;

protected:
    friend class TCanvas;
    // Draws into Rect of the canvas (stretching).
    virtual void Draw(TCanvas* ACanvas, const TRect& Rect) = 0;
    virtual void Changed();
    bool transparent = false;
    bool modified = false;
};

using TGraphicFactory = std::function<std::unique_ptr<TGraphic>()>;

// Standard clipboard formats.
constexpr uint16_t CF_TEXT = 1;
constexpr uint16_t CF_BITMAP = 2;
constexpr uint16_t CF_METAFILEPICT = 3;
constexpr uint16_t CF_DIB = 8;
constexpr uint16_t CF_PALETTE = 9;
constexpr uint16_t CF_UNICODETEXT = 13;
constexpr uint16_t CF_ENHMETAFILE = 14;

// A logical palette: up to 256 colours (0x00BBGGRR).
class TPalette {
public:
    TPalette() = default;
    explicit TPalette(std::vector<TColor> Colors) : Entries(std::move(Colors)) {}
    int Count() const { return int(Entries.size()); }
    bool Empty() const { return Entries.empty(); }
    // The index of the nearest colour (-1 when empty).
    int NearestIndex(TColor Color) const;
    bool operator==(const TPalette&) const = default;
    std::vector<TColor> Entries;
    // The platform's default palettes: 2 (black, white), 16 (the VGA colours) and 256
    // (the 16 colours, a 6x6x6 cube and grays).
    static TPalette Default(int Count);
};

enum TPixelFormat {
    pfDevice,
    pf1bit,
    pf4bit,
    pf8bit,
    pf15bit,
    pf16bit,
    pf24bit,
    pf32bit,
    pfCustom
};
enum TTransparentMode { tmAuto, tmFixed };
enum TBitmapHandleType { bmDIB, bmDDB };

// A raster image. Drawing happens at full colour; the pixel format takes effect when it is set
// (existing pixels are reduced to it) and when saving. ScanLine gives rows of 32-bit pixels
// (bytes B, G, R, x) whatever the format.
class TBitmap : public TGraphic {
    KADRION_CLASS(TBitmap)
    TBitmap();
    TBitmap(int Width, int Height);
    ~TBitmap() override;
    void Assign(TPersistent* Source) override;
    std::unique_ptr<TGraphic> Clone() const override;

    bool GetEmpty() const override { return image.isNull(); }
    int GetWidth() const override { return image.isNull() ? emptyWidth : image.width(); }
    int GetHeight() const override { return image.isNull() ? emptyHeight : image.height(); }
    void SetWidth(int Value) override;
    void SetHeight(int Value) override;
    // New area is black, as a new device bitmap is.
    void SetSize(int AWidth, int AHeight);

    TPixelFormat GetPixelFormat() const { return pixelFormat; }
    void SetPixelFormat(TPixelFormat Value);
    bool GetMonochrome() const { return pixelFormat == pf1bit; }
    // Turning monochrome makes the canvas's brush colour white and every other colour black
    // (setting PixelFormat to pf1bit takes the nearest of black and white instead).
    void SetMonochrome(bool Value);
    TBitmapHandleType GetHandleType() const { return handleType; }
    void SetHandleType(TBitmapHandleType Value) { handleType = Value; }
    // The palette of the indexed formats (the default one of the format until set or loaded).
    TPalette GetPalette() const;
    void SetPalette(const TPalette& Value);

    TCanvas* GetCanvas();
    // tmAuto: the colour of the bottom-left pixel; tmFixed: the colour set.
    TColor GetTransparentColor() const;
    void SetTransparentColor(TColor Value);
    TTransparentMode GetTransparentMode() const { return transparentMode; }
    void SetTransparentMode(TTransparentMode Value);

    // Windows BMP: file header, then BITMAPINFOHEADER (OS/2 core, V4, V5 read too), palette,
    // pixels bottom-up (top-down read too), BI_RGB, BI_RLE8, BI_RLE4, BI_BITFIELDS. Bad data
    // raises EInvalidGraphic "Bitmap image is not valid".
    void LoadFromStream(TStream* Stream) override;
    void SaveToStream(TStream* Stream) override;
    // The same without the 14-byte file header (a packed DIB, CF_DIB on the clipboard).
    void LoadFromDIB(const QByteArray& Data);
    QByteArray SaveToDIB();
    void LoadFromClipboardFormat(uint16_t Format, const QByteArray& Data) override;
    void SaveToClipboardFormat(uint16_t& Format, QByteArray& Data) override;

    // The platform's memory savers: nothing to do here beyond keeping the pixels.
    void Dormant() {}
    void FreeImage() {}
    void ReleaseHandle() {}
    // Turns the bitmap into a monochrome mask: pixels of TransparentColor white, others black.
    void Mask(TColor TransparentColor);
    // A new monochrome mask bitmap of the same size (Color white, the rest black).
    std::unique_ptr<TBitmap> CreateMask(TColor Color) const;

    // Row Row (0 = top) of 32-bit pixels.
    void* ScanLine(int Row);

    // The pixels (the canvas painter is ended first, so the image is complete).
    const QImage& GetImage();
    void SetImage(const QImage& Image);
    QImage ToImage() const override;

protected:
    void Draw(TCanvas* ACanvas, const TRect& Rect) override;
    void Changed() override;

private:
    friend class TBitmapCanvas;
    void reduceToFormat();
    void endPaint();
    QImage image; // Format_RGB32
    // The size asked for while one side is 0 (no pixels yet), so that setting the width and
    // then the height one at a time gives a bitmap of both.
    int emptyWidth = 0;
    int emptyHeight = 0;
    TPixelFormat pixelFormat = pfDevice;
    TBitmapHandleType handleType = bmDIB;
    TPalette palette;
    TTransparentMode transparentMode = tmAuto;
    TColor transparentColor = clDefault;
    std::unique_ptr<TCanvas> canvas;
};

// An icon: one or more images of different sizes and depths (ICO files, PNG-compressed entries
// read too). Width/Height and drawing use the current image: the one closest to the requested
// size (32 x 32 unless SetSize asks for another), the deepest of equals.
class TIcon : public TGraphic {
    KADRION_CLASS(TIcon)
    TIcon();
    void Assign(TPersistent* Source) override;
    std::unique_ptr<TGraphic> Clone() const override;
    bool GetEmpty() const override { return images.empty(); }
    int GetWidth() const override;
    int GetHeight() const override;
    // Icons cannot be resized: raises EInvalidGraphicOperation "Cannot change the size of an
    // icon".
    void SetWidth(int Value) override;
    void SetHeight(int Value) override;
    // Chooses the image to use by the wanted size.
    void SetSize(int AWidth, int AHeight);

    int GetImageCount() const { return int(images.size()); }
    // Image i as ARGB, and its colour depth in bits.
    QImage GetImage(int Index) const;
    int GetImageBitCount(int Index) const;
    int GetCurrentIndex() const { return current; }
    // Adds an image (ARGB; BitCount is the depth written: 1, 4, 8, 24 or 32).
    void AddImage(const QImage& Image, int BitCount = 32);
    void Clear();
    // Hot spot of a cursor file (type 2); icons have 0, 0.
    TPoint GetHotSpot(int Index) const;

    // ICO (type 1) and CUR (type 2) files. Bad data raises EInvalidGraphic "Icon image is not
    // valid".
    void LoadFromStream(TStream* Stream) override;
    void SaveToStream(TStream* Stream) override;
    QImage ToImage() const override;

protected:
    void Draw(TCanvas* ACanvas, const TRect& Rect) override;

private:
    struct Entry {
        QImage Image;
        int BitCount = 32;
        TPoint HotSpot;
    };
    void choose();
    std::vector<Entry> images;
    int current = -1;
    int wantWidth = 32;
    int wantHeight = 32;
    bool cursorFile = false;
};

// A holder of any graphic; the class comes from the file extension or clipboard format.
class TPicture : public TPersistent {
    KADRION_CLASS(TPicture)
    TPicture();
    ~TPicture() override;
    void Assign(TPersistent* Source) override;

    TGraphic* GetGraphic() const { return graphic.get(); }
    // Keeps a copy of Value (null clears).
    void SetGraphic(TGraphic* Value);
    // The graphic as a bitmap or icon; a picture holding something else is replaced by an
    // empty one of that class.
    TBitmap* GetBitmap();
    void SetBitmap(TBitmap* Value) { SetGraphic(Value); }
    TIcon* GetIcon();
    void SetIcon(TIcon* Value) { SetGraphic(Value); }
    int GetWidth() const;
    int GetHeight() const;

    // By the registered extension; an unknown one raises EInvalidGraphic
    // "Unknown picture file extension (.%s)".
    void LoadFromFile(const QString& FileName);
    void SaveToFile(const QString& FileName);
    // Makes the graphic of the registered clipboard format; unknown raises EInvalidGraphic
    // "Unsupported clipboard format".
    void LoadFromClipboardFormat(uint16_t Format, const QByteArray& Data);
    void SaveToClipboardFormat(uint16_t& Format, QByteArray& Data);

    // Registries, shared by the process. bmp and ico (and CF_BITMAP/CF_DIB) are there from
    // the start. Extensions are without the dot, case-insensitive.
    static void RegisterFileFormat(const QString& Extension, const QString& Description,
                                   TGraphicFactory Factory);
    static void UnregisterFileFormat(const QString& Extension);
    static void RegisterClipboardFormat(uint16_t Format, TGraphicFactory Factory);
    static bool SupportsClipboardFormat(uint16_t Format);
    static bool SupportsFileExtension(const QString& Extension);
    // "All (*.bmp;*.ico)|*.bmp;*.ico|Bitmaps (*.bmp)|*.bmp|..." for the file dialogs.
    static QString GraphicFilter();

    TNotifyEvent OnChange;

protected:
    void AssignTo(TPersistent* Dest) override;
    virtual void Changed();

private:
    void graphicChanged(TObject*);
    void adopt(std::unique_ptr<TGraphic> g);
    std::unique_ptr<TGraphic> graphic;
};

// Loading helpers shared by the graphic classes: the whole rest of a stream.
QByteArray ReadRestOfStream(TStream* Stream);
