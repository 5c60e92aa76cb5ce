// Colours: the system colour scheme, conversions and names.
#include "Graphics.h"

#include <QColor>
#include <array>

namespace {

// The classic desktop scheme, as 0xRRGGBB for readability; converted on use.
constexpr std::array<uint32_t, 31> classicRgb = {
    0xD4D0C8, // scroll bar
    0x3A6EA5, // background
    0x0A246A, // active caption
    0x808080, // inactive caption
    0xD4D0C8, // menu
    0xFFFFFF, // window
    0x000000, // window frame
    0x000000, // menu text
    0x000000, // window text
    0xFFFFFF, // caption text
    0xD4D0C8, // active border
    0xD4D0C8, // inactive border
    0x808080, // application workspace
    0x0A246A, // highlight
    0xFFFFFF, // highlight text
    0xD4D0C8, // button face
    0x808080, // button shadow
    0x808080, // grey text
    0x000000, // button text
    0xD4D0C8, // inactive caption text
    0xFFFFFF, // button highlight
    0x404040, // 3D dark shadow
    0xD4D0C8, // 3D light
    0x000000, // info text
    0xFFFFE1, // info background
    0xB5B5B5, // (unused index 25)
    0x000080, // hot light
    0xA6CAF0, // gradient active caption
    0xC0C0C0, // gradient inactive caption
    0x0A246A, // menu highlight
    0xD4D0C8, // menu bar
};

constexpr uint32_t swapRB(uint32_t rgb) {
    return ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
}

std::array<uint32_t, 31>& sysColors() {
    static std::array<uint32_t, 31> colors = [] {
        std::array<uint32_t, 31> c{};
        for (size_t i = 0; i < c.size(); ++i)
            c[i] = swapRB(classicRgb[i]);
        return c;
    }();
    return colors;
}

struct ColorName {
    TColor Color;
    const char* Name;
};

constexpr ColorName colorNames[] = {
    {clBlack, "clBlack"},
    {clMaroon, "clMaroon"},
    {clGreen, "clGreen"},
    {clOlive, "clOlive"},
    {clNavy, "clNavy"},
    {clPurple, "clPurple"},
    {clTeal, "clTeal"},
    {clGray, "clGray"},
    {clSilver, "clSilver"},
    {clRed, "clRed"},
    {clLime, "clLime"},
    {clYellow, "clYellow"},
    {clBlue, "clBlue"},
    {clFuchsia, "clFuchsia"},
    {clAqua, "clAqua"},
    {clWhite, "clWhite"},
    {clMoneyGreen, "clMoneyGreen"},
    {clSkyBlue, "clSkyBlue"},
    {clCream, "clCream"},
    {clMedGray, "clMedGray"},
    {clActiveBorder, "clActiveBorder"},
    {clActiveCaption, "clActiveCaption"},
    {clAppWorkSpace, "clAppWorkSpace"},
    {clBackground, "clBackground"},
    {clBtnFace, "clBtnFace"},
    {clBtnHighlight, "clBtnHighlight"},
    {clBtnShadow, "clBtnShadow"},
    {clBtnText, "clBtnText"},
    {clCaptionText, "clCaptionText"},
    {clDefault, "clDefault"},
    {clGradientActiveCaption, "clGradientActiveCaption"},
    {clGradientInactiveCaption, "clGradientInactiveCaption"},
    {clGrayText, "clGrayText"},
    {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"},
    {clHotLight, "clHotLight"},
    {clInactiveBorder, "clInactiveBorder"},
    {clInactiveCaption, "clInactiveCaption"},
    {clInactiveCaptionText, "clInactiveCaptionText"},
    {clInfoBk, "clInfoBk"},
    {clInfoText, "clInfoText"},
    {clMenu, "clMenu"},
    {clMenuBar, "clMenuBar"},
    {clMenuHighlight, "clMenuHighlight"},
    {clMenuText, "clMenuText"},
    {clNone, "clNone"},
    {clScrollBar, "clScrollBar"},
    {cl3DDkShadow, "cl3DDkShadow"},
    {cl3DLight, "cl3DLight"},
    {clWindow, "clWindow"},
    {clWindowFrame, "clWindowFrame"},
    {clWindowText, "clWindowText"},
};

} // namespace

uint32_t GetSysColor(int Index) {
    if (Index < 0 || Index >= int(sysColors().size())) return 0;
    return sysColors()[size_t(Index)];
}

void SetSysColor(int Index, uint32_t Rgb) {
    if (Index >= 0 && Index < int(sysColors().size())) sysColors()[size_t(Index)] = Rgb & 0xFFFFFF;
}

void ResetSysColors() {
    for (size_t i = 0; i < classicRgb.size(); ++i)
        sysColors()[i] = swapRB(classicRgb[i]);
}

int32_t ColorToRGB(TColor Color) {
    if (Color < 0) return int32_t(GetSysColor(Color & 0xFF));
    return Color;
}

QColor ColorToQColor(TColor Color) {
    if (Color == clDefault) Color = clBlack;
    uint32_t c = uint32_t(ColorToRGB(Color));
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

TColor QColorToColor(const QColor& Color) {
    return TColor(RGB(Color.red(), Color.green(), Color.blue()));
}

bool ColorToIdent(TColor Color, QString& Ident) {
    for (const ColorName& n : colorNames)
        if (n.Color == Color) {
            Ident = QString::fromLatin1(n.Name);
            return true;
        }
    return false;
}

bool IdentToColor(const QString& Ident, TColor& Color) {
    for (const ColorName& n : colorNames)
        if (Ident.compare(QLatin1String(n.Name), Qt::CaseInsensitive) == 0) {
            Color = n.Color;
            return true;
        }
    if (Ident.compare(QLatin1String("clLtGray"), Qt::CaseInsensitive) == 0) {
        Color = clLtGray;
        return true;
    }
    if (Ident.compare(QLatin1String("clDkGray"), Qt::CaseInsensitive) == 0) {
        Color = clDkGray;
        return true;
    }
    return false;
}

QString ColorToString(TColor Color) {
    QString name;
    if (ColorToIdent(Color, name)) return name;
    return QStringLiteral("$") +
           QString::number(uint32_t(Color), 16).toUpper().rightJustified(8, u'0');
}

TColor StringToColor(const QString& S) {
    TColor c = 0;
    if (IdentToColor(S.trimmed(), c)) return c;
    return TColor(StrToInt(S));
}
