// The employee list printed through a report page made in code: a title band with the
// document's title and the mark, a page header band, and a master data band over the list's
// dataset with the row number and one memo per result column, side by side.
#pragma once

#include "FR_Class.h"

#include <QStringList>

class TCanvas;
class TDataSet;

struct TSelReportPage {
    bool Landscape = false; // the page that was laid out
    bool Fits = true;       // the columns fit its width
    int Right = 0;          // the right edge of the last column
};

// Clears Report's pages and lays out one page for the open dataset Data (named DataSetName
// for the report; the memos read it as "Select"). Captions are the chosen columns in their
// order (they decide the combined columns); column widths are the widest value measured on
// Measure. A portrait page whose columns do not fit turns landscape.
TSelReportPage BuildSelReport(TfrReport* Report, TDataSet* Data, const QStringList& Captions,
                              const QString& Title, bool Landscape, TCanvas* Measure);

inline constexpr const char16_t SColumnsDoNotFit[] =
    u"Вибрані колонки не вміщуються на сторінці навіть в альбомній орієнтації.";
