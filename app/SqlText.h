// Text spliced into SQL statements: every value typed by a user goes through these helpers
// (or is a statement parameter), so an apostrophe never ends a literal early.
#pragma once

#include "Types.h"

#include <QString>

// A text literal: 'O''Brien' for O'Brien.
QString SqlStr(const QString& Value);
// A date literal in the system's short date form ('15.03.2024'); an empty date (0) gives an
// empty text, which callers treat as "no condition".
QString SqlDate(TDateTime Value);

// The employee list's filter by employment: dismissed no earlier than DismissedFrom and hired
// no later than HiredBy. A part whose date is empty is left out; with both empty the line is
// empty (no filter).
QString EmploymentFilterLine(TDateTime DismissedFrom, TDateTime HiredBy);
