// One document printed from its template: the report variables set by name, the template
// loaded by its file name and the built pages shown in the preview window, where they print.
#pragma once

#include "Variant.h"

#include <QString>
#include <utility>
#include <vector>

using TReportVars = std::vector<std::pair<QString, Variant>>;

// Sets Vars, then prints Template through the report printing frame.
void PrintDocument(const QString& Template, const TReportVars& Vars);
