// The control library's own texts, by id (the library speaks Russian, as its users' other
// programs of that family did), and its two mouse cursors.
#pragma once

#include "Controls.h"

#include <QString>

// Text ids.
constexpr int SDateOutOfRange = 61233;     // "%s" - ... не больше "%s"
constexpr int SDateOutOfMin = 61234;       // "%s" - ... не меньше "%s"
constexpr int SDateBetween = 61235;        // "%s" - ... между "%s" и "%s"
constexpr int SDateMinLimit = 61236;       // the lower bound would pass the upper one
constexpr int SDateMaxLimit = 61237;       // the upper bound would pass the lower one
constexpr int SNotImplemented = 61257;     // "Функция не реализована"
constexpr int SGIFVersion = 61092;         // unknown GIF version
constexpr int SGIFEncodeError = 61093;     // a frame that cannot be encoded
constexpr int SGIFDecodeError = 61094;     // damaged LZW data
constexpr int SBadGIFCodeSize = 61095;     // LZW code size outside 2..9
constexpr int SWrongGIFColors = 61096;     // a colour count that is not a power of two
constexpr int SUnrecognizedGIFExt = 61097; // unknown extension label (%.2x)
constexpr int SNoGIFData = 61098;          // nothing to write
constexpr int SChangeGIFSize = 61099;      // GIF images cannot be resized
constexpr int SGIFImage = 61100;           // the picture filter's description
constexpr int SPrevMonth = 61258;          // hints of the calendar's navigation buttons
constexpr int SPrevYear = 61259;
constexpr int SNextMonth = 61260;
constexpr int SNextYear = 61261;
constexpr int SDateDlgTitle = 61262;    // "Выбор даты"
constexpr int SNotInDBCtrlGrid = 65203; // "Control cannot be used in a DBCtrlGrid"

// The text of an id; empty for an unknown one.
QString RxLoadStr(int Ident);

// The library's cursors, registered with Screen by RegisterRxCursors (which every control of
// the library calls when it is made; calling it again does nothing).
constexpr TCursor crHand = 14000;
constexpr TCursor crDragHand = 14001;
void RegisterRxCursors();
