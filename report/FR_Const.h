// Constants of the report engine: object types, band kinds, flag bits and the engine's
// message texts by id. Colours are the graphics layer's (Graphics.h).
#pragma once

#include "Graphics.h"

#include <QString>
#include <cstdint>
#include <functional>

// Object type byte of a view in a template and in prepared pages.
enum : uint8_t {
    gtMemo = 0,
    gtPicture = 1,
    gtBand = 2,
    gtSubReport = 3,
    gtLine = 4,
    gtAddIn = 10,
};

// Band kinds (the low 7 bits of a band view's FrameTyp word).
enum TfrBandType {
    btReportTitle,
    btReportSummary,
    btPageHeader,
    btPageFooter,
    btMasterHeader,
    btMasterData,
    btMasterFooter,
    btDetailHeader,
    btDetailData,
    btDetailFooter,
    btSubDetailHeader,
    btSubDetailData,
    btSubDetailFooter,
    btOverlay,
    btColumnHeader,
    btColumnFooter,
    btGroupHeader,
    btGroupFooter,
    btCrossHeader,
    btCrossData,
    btCrossFooter,
    btChild,
    btNone,
};

// Flag bits of every view.
constexpr int flStretched = 1;
// Flag bits of a memo view.
constexpr int flWordWrap = 2;
constexpr int flWordBreak = 4;
constexpr int flAutoSize = 8;
constexpr int flTextOnly = 16;
constexpr int flSuppressRepeated = 32;
constexpr int flHideZeros = 64;
constexpr int flUnderlines = 128;
constexpr int flRTLReading = 256;
// Flag bits of a band view.
constexpr int flBandNewPageAfter = 2;
constexpr int flBandPrintIfSubsetEmpty = 4;
constexpr int flBandBreaked = 8;
constexpr int flBandOnFirstPage = 16;
constexpr int flBandOnLastPage = 32;
constexpr int flBandRepeatHeader = 64;
constexpr int flBandPrintChildIfInvisible = 128;
// Flag bits of a picture view.
constexpr int flPictCenter = 2;
constexpr int flPictRatio = 4;

// Frame sides.
constexpr int frftNone = 0;
constexpr int frftRight = 1;
constexpr int frftBottom = 2;
constexpr int frftLeft = 4;
constexpr int frftTop = 8;

// Text alignment bits of a memo view.
constexpr int frtaLeft = 0;
constexpr int frtaRight = 1;
constexpr int frtaCenter = 2;
constexpr int frtaVertical = 4;
constexpr int frtaMiddle = 8;
constexpr int frtaDown = 16;

// Band alignment of a view.
enum TfrBandAlign { baNone, baLeft, baRight, baCenter, baWidth, baBottom, baTop, baRest };

// The template format version this engine writes, and the oldest with a version byte.
constexpr int frCurrentVersion = 24;

// The engine's message texts. A localisation hook, when set, is asked first.
class TfrLocale {
public:
    std::function<QString(int id)> OnLocalize;
    QString LoadString(int id);
};
TfrLocale* frLocale();

// The engine's message text for a string-table id; an id without text gives "".
QString frLoadStr(int id);

// Message ids used across the engine.
enum : int {
    SVirtualPrinter = 55007,
    SVirtualPaperNames = 55008, // 55008..55074: the virtual printer's papers
    SBandNames = 55077,         // 55077..55099: the 23 band kinds
    SFormat11 = 55170,          // boolean formats 55170..55173
    SDateFormat1 = 55175,
    STimeFormat1 = 55179,
    SError = 55206,
    SUntitled = 55209,
    SDefaultCharset = 55337,
    SFRFError = 55345,
    SDefaultBin = 55435,
    SVarNotDefined = 55439,
    // Texts of this engine beyond the ones it was designed with.
    SPreparedDamaged = 57100,
    SPreparedCompressed = 57101,
    SPreparedEarly = 57102,
    SMetafilePicture = 57103,
};
