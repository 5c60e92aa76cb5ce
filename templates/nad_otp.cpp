// The leaves that start in a month: the orders of ORDERP whose main or extra leave begins then.
#include "ListKit.h"

KADRION_TEMPLATE(nad_otp) {
    using namespace listkit;
    const std::vector<TColumn> columns = {
        {"№ наказу", 18, "[Select.\"NORDER\"]", true},
        {"Таб. №", 14, "[Select.\"TAB1\"]", true},
        {"Прізвище, ім'я, по батькові", 62, "[Select.\"F\"] [Select.\"N\"] [Select.\"P\"]"},
        {"Всього днів", 18, "[Select.\"VS_KAL\"]", true},
        {"Початок", 22, "[Select.\"OTP_B\"]", true},
        {"Закінчення", 22, "[Select.\"OTP_E\"]", true},
        {"Примітки", 24, "[Select.\"NOTES\"]"}};
    T.Band(btReportTitle, 40);
    const double y = Heading(T, QStringLiteral("[Org]"),
                             QStringLiteral("Список працівників, яким надається відпустка\n"
                                            "у місяці: [var_m] [yer] р."));
    TitleRow(T, y, columns);
    DataRows(T, columns);
    T.Band(btReportSummary, 30);
    T.Signature(10);
}
