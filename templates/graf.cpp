// "Графік відпусток": the employees still employed with their leave dates, by subdivision
// (employees without one in the directory last), each leave a row.
#include "LeaveSchedule.h"
#include "Table.h"

KADRION_TEMPLATE(graf) {
    const double w = T.Width();
    LeaveScheduleHead(T, "ГРАФІК ВІДПУСТОК");
    // the columns: number, name, personnel number, position, start of the leave, note
    const std::vector<double> x{0, 10, 70, 86, 140, 162, w};
    HeaderBand(T, 10);
    TableRow(T, x, 0, 10,
             {"№ з/п", "Прізвище, ім'я, по батькові", "Таб. №", "Посада", "Початок відпустки",
              "Примітка"},
             {TableHead()});
    T.Band(btGroupHeader, 7, "[Select.\"KODP_2\"]");
    TableRow(T, {0, w}, 0, 7,
             {"[IF(Select.\"NAIPODR\"='', 'Підрозділ не вказано', Select.\"NAIPODR\")]"},
             {TableText().Bold().Pt(9)});
    RowsBand(T, 6, QStringLiteral("frDBDataSet1"));
    const TStyle left = TableText(), centre = TableText(frtaCenter);
    TableRow(T, x, 0, 6,
             {"[LINE#]", "[Select.\"FAMILY\"] [Select.\"NAME\"] [Select.\"PATR\"]",
              "[Select.\"TAB\"]", "[Select.\"NAMPROF\"]", "[Select.\"OTPDATE\"]",
              "[Select.\"OTPSTR\"]"},
             {centre, left, centre, left, centre, left});
    T.Band(btMasterFooter, 1);
    TableClose(T, 0, w);
    LeaveScheduleFoot(T);
}
