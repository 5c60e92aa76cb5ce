// "Середній вік працівників": the number and the average age of the staff working on the date
// by category, men and women apart, and of the whole staff.
#include "DatedReport.h"
#include "DatedReports.h"

KADRION_TEMPLATE(vik) {
    const double w = T.Width();
    DatedQuery(T, QStringLiteral("QVik"), VikSql());
    DatedHead(T, "СЕРЕДНІЙ ВІК ПРАЦІВНИКІВ");
    // category, all, average age; men and women: their number and average age
    const std::vector<double> x{0, 44, 62, 84, 104, 132, 152, w};
    HeaderBand(T, 16);
    TableRow(T, {0, 44, 62, 84}, 0, 16, {"Категорія", "Всього", "Середній вік"}, {TableHead()});
    FixedHeight(TableRow(T, {84, 132, w}, 0, 8, {"Чоловіки", "Жінки"}, {TableHead()}));
    TableRow(T, {84, 104, 132, 152, w}, 8, 8,
             {"кількість", "середній вік", "кількість", "середній вік"}, {TableHead()});
    T.Band(btMasterData, 7, "_QVik");
    const TStyle centre = TableText(frtaCenter);
    TableRow(T, x, 0, 7,
             {"[QVik.\"CATEGORY\"]", "[QVik.\"CNT\"]", "[QVik.\"AVG_AGE\"]", "[QVik.\"CNT_M\"]",
              "[QVik.\"AVG_M\"]", "[QVik.\"CNT_W\"]", "[QVik.\"AVG_W\"]"},
             {TableText(), centre});
    T.Band(btMasterFooter, 1);
    TableClose(T, 0, w);
    DatedFoot(T);
}
