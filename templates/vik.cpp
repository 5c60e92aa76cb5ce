// "Середній вік працівників": the number and the average age of the staff working on the date
// by category, men and women apart, and of the whole staff.
#include "DatedReport.h"
#include "DatedReports.h"

KADRION_TEMPLATE(vik) {
    const double w = T.Width();
    DatedQuery(T, QStringLiteral("QVik"), VikSql());
    DatedHead(T, "СЕРЕДНІЙ ВІК ПРАЦІВНИКІВ");
    const std::vector<double> x{0, 50, 72, 97, 119, 144, 166, w};
    HeaderBand(T, 16);
    TableRow(T, {0, 50, 72, 97, 144, w}, 0, 8,
             {"Категорія", "Всього", "Середній вік", "Чоловіки", "Жінки"}, {TableHead()});
    TableRow(T, x, 8, 8, {"", "", "", "кількість", "середній вік", "кількість", "середній вік"},
             {TableHead()});
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
