// "Графік відпусток (перехідні дні)": every leave of the employees still employed by date,
// with its days and the subdivision (empty when the employee has none in the directory), and
// the salaries summed once per employee (the row of the second leave holds none).
#include "LeaveSchedule.h"
#include "Table.h"

KADRION_TEMPLATE(graf_pfg) {
    T.Landscape();
    const double w = T.Width();
    LeaveScheduleHead(T, "ГРАФІК ВІДПУСТОК (ПЕРЕХІДНІ ДНІ)");
    // number, name, personnel number, subdivision, position, start, days, note, salary
    const std::vector<double> x{0, 10, 72, 88, 140, 192, 214, 228, 248, w};
    HeaderBand(T, 10);
    TableRow(T, x, 0, 10,
             {"№ з/п", "Прізвище, ім'я, по батькові", "Таб. №", "Підрозділ", "Посада",
              "Початок відпустки", "Днів", "Примітка", "Оклад, грн"},
             {TableHead()});
    RowsBand(T, 6, QStringLiteral("frDBDataSet1"));
    const TStyle left = TableText(), centre = TableText(frtaCenter), right = TableText(frtaRight);
    TableRow(T, x, 0, 6,
             {"[LINE#]", "[Select.\"FAMILY\"] [Select.\"NAME\"] [Select.\"PATR\"]",
              "[Select.\"TAB\"]", "[Select.\"NAIPODR\"]", "[Select.\"NAMPROF\"]",
              "[Select.\"OTPDATE\"]", "[IF(Select.\"OTPCNT\">0, Select.\"OTPCNT\", '')]",
              "[Select.\"OTPSTR\"]",
              "[IF(Select.\"OKLAD\">0, FORMATFLOAT('0.00', Select.\"OKLAD\"), '')]"},
             {centre, left, centre, left, left, centre, centre, left, right});
    TfrBandView* total = T.Band(btReportSummary, 8);
    TableRow(T, {0, x[8], w}, 0, 7, {"Разом", "[SUM([Select.\"OKLAD\"]) #N0,2]"},
             {TableText(frtaRight).Bold()});
    TableClose(T, 7, w);
    total->ChildBand = T.Band(btChild, 16)->Name;
    T.Signature(8);
}
