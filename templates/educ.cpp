// "Якісний склад працівників (освіта)": the staff working on the date by category and
// education, and the whole staff.
#include "DatedReport.h"
#include "DatedReports.h"

KADRION_TEMPLATE(educ) {
    const double w = T.Width();
    DatedQuery(T, QStringLiteral("QEduc"), EducSql());
    DatedHead(T, "ЯКІСНИЙ СКЛАД ПРАЦІВНИКІВ (ОСВІТА)");
    // category, all, then by education
    const std::vector<double> x{0, 50, 72, 99, 126, 153, w};
    HeaderBand(T, 16);
    TableRow(T, {0, 50, 72}, 0, 16, {"Категорія", "Всього"}, {TableHead()});
    FixedHeight(TableRow(T, {72, w}, 0, 8, {"З них мають освіту"}, {TableHead()}));
    TableRow(T, {72, 99, 126, 153, w}, 8, 8,
             {"повну вищу", "базову вищу", "неповну вищу", "без вищої освіти"}, {TableHead()});
    T.Band(btMasterData, 7, "_QEduc");
    TableRow(T, x, 0, 7,
             {"[QEduc.\"CATEGORY\"]", "[QEduc.\"CNT\"]", "[QEduc.\"FULL_HIGH\"]",
              "[QEduc.\"BASE_HIGH\"]", "[QEduc.\"PART_HIGH\"]", "[QEduc.\"NO_HIGH\"]"},
             {TableText(), TableText(frtaCenter)});
    T.Band(btMasterFooter, 1);
    TableClose(T, 0, w);
    DatedFoot(T);
}
