// "Вік та стаж працівників": every employee working on the date with the age, the continuous
// service and the long service on it.
#include "DatedReport.h"
#include "DatedReports.h"

KADRION_TEMPLATE(staj) {
    T.Landscape();
    const double w = T.Width();
    DatedQuery(T, QStringLiteral("QStaj"), StajSql());
    DatedHead(T, "ВІК ТА СТАЖ ПРАЦІВНИКІВ");
    const std::vector<double> x{0, 10, 72, 86, 136, 186, 207, 217, 242, w};
    HeaderBand(T, 10);
    TableRow(T, x, 0, 10,
             {"№ з/п", "Прізвище, ім'я, по батькові", "Таб. №", "Посада", "Підрозділ",
              "Дата народження", "Вік", "Безперервний стаж", "Вислуга"},
             {TableHead()});
    RowsBand(T, 6, QStringLiteral("_QStaj"));
    const TStyle left = TableText(), centre = TableText(frtaCenter);
    TableRow(T, x, 0, 6,
             {"[LINE#]", "[QStaj.\"FAMILY\"] [QStaj.\"NAME\"] [QStaj.\"PATR\"]", "[QStaj.\"TAB\"]",
              "[QStaj.\"NAMPROF\"]", "[QStaj.\"NAIPODR\"]", "[QStaj.\"BDATE\"]", "[QStaj.\"AGE\"]",
              "[QStaj.\"STAJ_TXT\"]", "[QStaj.\"VISL_TXT\"]"},
             {centre, left, centre, left, left, centre, centre, centre, centre});
    T.Band(btMasterFooter, 1);
    TableClose(T, 0, w);
    DatedFoot(T);
}
