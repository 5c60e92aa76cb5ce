// The platform's paper table and the mapping between its codes and Qt's page sizes.
#include "Printers.h"

#include <QPageSize>

const std::vector<TPaperInfo>& StandardPapers() {
    static const std::vector<TPaperInfo> papers = {
        {1, QStringLiteral("Letter"), 2159, 2794},
        {2, QStringLiteral("Letter Small"), 2159, 2794},
        {3, QStringLiteral("Tabloid"), 2794, 4318},
        {4, QStringLiteral("Ledger"), 4318, 2794},
        {5, QStringLiteral("Legal"), 2159, 3556},
        {6, QStringLiteral("Statement"), 1397, 2159},
        {7, QStringLiteral("Executive"), 1842, 2667},
        {8, QStringLiteral("A3"), 2970, 4200},
        {9, QStringLiteral("A4"), 2100, 2970},
        {10, QStringLiteral("A4 Small"), 2100, 2970},
        {11, QStringLiteral("A5"), 1480, 2100},
        {12, QStringLiteral("B4 (JIS)"), 2500, 3540},
        {13, QStringLiteral("B5 (JIS)"), 1820, 2570},
        {14, QStringLiteral("Folio"), 2159, 3302},
        {15, QStringLiteral("Quarto"), 2150, 2750},
        {16, QStringLiteral("10x14"), 2540, 3556},
        {17, QStringLiteral("11x17"), 2794, 4318},
        {18, QStringLiteral("Note"), 2159, 2794},
        {19, QStringLiteral("Envelope #9"), 984, 2254},
        {20, QStringLiteral("Envelope #10"), 1048, 2413},
        {21, QStringLiteral("Envelope #11"), 1143, 2635},
        {22, QStringLiteral("Envelope #12"), 1207, 2794},
        {23, QStringLiteral("Envelope #14"), 1270, 2921},
        {24, QStringLiteral("C size sheet"), 4318, 5588},
        {25, QStringLiteral("D size sheet"), 5588, 8636},
        {26, QStringLiteral("E size sheet"), 8636, 11176},
        {27, QStringLiteral("Envelope DL"), 1100, 2200},
        {28, QStringLiteral("Envelope C5"), 1620, 2290},
        {29, QStringLiteral("Envelope C3"), 3240, 4580},
        {30, QStringLiteral("Envelope C4"), 2290, 3240},
        {31, QStringLiteral("Envelope C6"), 1140, 1620},
        {32, QStringLiteral("Envelope C65"), 1140, 2290},
        {33, QStringLiteral("Envelope B4"), 2500, 3530},
        {34, QStringLiteral("Envelope B5"), 1760, 2500},
        {35, QStringLiteral("Envelope B6"), 1760, 1250},
        {36, QStringLiteral("Envelope"), 1100, 2300},
        {37, QStringLiteral("Envelope Monarch"), 984, 1905},
        {38, QStringLiteral("6 3/4 Envelope"), 920, 1651},
        {39, QStringLiteral("US Std Fanfold"), 3778, 2794},
        {40, QStringLiteral("German Std Fanfold"), 2159, 3048},
        {41, QStringLiteral("German Legal Fanfold"), 2159, 3302},
        {42, QStringLiteral("B4 (ISO)"), 2500, 3530},
        {43, QStringLiteral("Japanese Postcard"), 1000, 1480},
        {44, QStringLiteral("9x11"), 2286, 2794},
        {45, QStringLiteral("10x11"), 2540, 2794},
        {46, QStringLiteral("15x11"), 3810, 2794},
        {47, QStringLiteral("Envelope Invite"), 2200, 2200},
        {50, QStringLiteral("Letter Extra"), 2355, 3048},
        {51, QStringLiteral("Legal Extra"), 2355, 3810},
        {52, QStringLiteral("Tabloid Extra"), 2969, 4572},
        {53, QStringLiteral("A4 Extra"), 2354, 3223},
        {54, QStringLiteral("Letter Transverse"), 2101, 2794},
        {55, QStringLiteral("A4 Transverse"), 2100, 2970},
        {56, QStringLiteral("Letter Extra Transverse"), 2355, 3048},
        {57, QStringLiteral("Super A"), 2270, 3560},
        {58, QStringLiteral("Super B"), 3050, 4870},
        {59, QStringLiteral("Letter Plus"), 2159, 3223},
        {60, QStringLiteral("A4 Plus"), 2100, 3300},
        {61, QStringLiteral("A5 Transverse"), 1480, 2100},
        {62, QStringLiteral("B5 (JIS) Transverse"), 1820, 2570},
        {63, QStringLiteral("A3 Extra"), 3220, 4450},
        {64, QStringLiteral("A5 Extra"), 1740, 2350},
        {65, QStringLiteral("B5 (ISO) Extra"), 2010, 2760},
        {66, QStringLiteral("A2"), 4200, 5940},
        {67, QStringLiteral("A3 Transverse"), 2970, 4200},
        {68, QStringLiteral("A3 Extra Transverse"), 3220, 4450},
        {256, QStringLiteral("Custom size"), 0, 0},
    };
    return papers;
}

const TPaperInfo* FindStandardPaper(int Code) {
    for (const TPaperInfo& p : StandardPapers())
        if (p.Code == Code) return &p;
    return nullptr;
}

int PaperCodeOfPageSize(const QPageSize& Size) {
    if (!Size.isValid()) return 0;
    int code = Size.windowsId();
    if (code > 0 && code < DMPAPER_USER) return code;
    // Sizes Qt knows by no code: the table row of the same size (to a millimetre).
    QSizeF mm = Size.size(QPageSize::Millimeter);
    for (const TPaperInfo& p : StandardPapers())
        if (p.Width > 0 && qAbs(p.Width - mm.width() * 10) <= 10 &&
            qAbs(p.Height - mm.height() * 10) <= 10)
            return p.Code;
    return 0;
}
