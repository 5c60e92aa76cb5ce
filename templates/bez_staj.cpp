// "Список на виплату надбавки": the employees working on the date with three years of long
// service or more, and their long-service bonus in per cent of the salary.
#include "DatedReport.h"
#include "DatedReports.h"

KADRION_TEMPLATE(bez_staj) {
    T.Landscape();
    const double w = T.Width();
    DatedQuery(T, QStringLiteral("QBez"), BezStajSql());
    DatedHead(T, "СПИСОК НА ВИПЛАТУ НАДБАВКИ ЗА ВИСЛУГУ РОКІВ");
    const std::vector<double> x{0, 10, 75, 90, 145, 200, 222, 247, w};
    HeaderBand(T, 10);
    TableRow(T, x, 0, 10,
             {"№ з/п", "Прізвище, ім'я, по батькові", "Таб. №", "Посада", "Підрозділ", "Вислуга з",
              "Вислуга", "Надбавка, %"},
             {TableHead()});
    RowsBand(T, 6, QStringLiteral("_QBez"));
    const TStyle left = TableText(), centre = TableText(frtaCenter);
    TableRow(T, x, 0, 6,
             {"[LINE#]", "[QBez.\"FAMILY\"] [QBez.\"NAME\"] [QBez.\"PATR\"]", "[QBez.\"TAB\"]",
              "[QBez.\"NAMPROF\"]", "[QBez.\"NAIPODR\"]", "[QBez.\"WOWORK1\"]",
              "[QBez.\"VISL_TXT\"]", "[QBez.\"BONUS\"]"},
             {centre, left, centre, left, left, centre, centre, centre});
    T.Band(btMasterFooter, 1);
    TableClose(T, 0, w);
    DatedFoot(T);
}
