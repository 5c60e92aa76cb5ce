// The one way every report of the application is printed:
//
//     PrintReport(u"war.frf"_s, {{u"Times"_s, date}, {u"MyArr_Arr_1"_s, 12}, ...});
//
// 1. Every report variable an earlier report left is emptied; the common ones are set from the
//    settings (Boss, Pos, Org, FullOrg; NDate and Times empty), then the report's own Values,
//    so that nothing of an earlier report is printed.
// 2. The template is loaded by its bare file name from the current directory into the data
//    module's report. A missing or damaged file is told in a message naming it; nothing is
//    built.
// 3. Prepare, when given, runs on the loaded report: a command fills or opens what its template
//    reads there (Select's SQL, a memo's text through TemplateMemo).
// 4. The report is built; a build that fails says why in a message box and shows nothing.
// 5. A new preview window shows the pages modally and is freed when it closes.
// 6. Select is closed, whatever happened on the way (an exception goes on to the caller after
//    the window is freed and Select closed).
#pragma once

#include "FR_Class.h"
#include "Variant.h"

#include <QString>
#include <functional>
#include <utility>
#include <vector>

using TReportValues = std::vector<std::pair<QString, Variant>>;

// The variables every report gets: Boss, Pos, Org and FullOrg from the settings; NDate and
// Times empty.
TReportValues CommonReportValues();

// A date as a report variable: the empty date (0) is an empty text, which prints empty.
Variant ReportDate(TDateTime Date);

// Runs the print sequence above; true when the preview was shown.
bool PrintReport(const QString& Template, const TReportValues& Values,
                 const std::function<void(TfrReport* Report)>& Prepare = {});

// A text view of the loaded template by name. A template that lacks it raises EReportTemplate
// with a message naming the view and the template file.
TfrMemoView* TemplateMemo(const QString& Name);

KADRION_EXCEPTION(EReportTemplate, Exception)

// The message of a template file that is missing, or that the engine cannot read.
QString MissingTemplateText(const QString& FileName);
QString DamagedTemplateText(const QString& FileName);
