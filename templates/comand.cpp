// The travel certificate of the employee chosen in the business-trip dialog (the current
// record of IBQuery).
#include "ListKit.h"

KADRION_TEMPLATE(comand) {
    const double w = T.Width();
    T.Band(btReportTitle, 160);
    T.Text(0, 0, w, 12, QStringLiteral("[FullOrg]"), TStyle().Bold().Center());
    T.Text(0, 16, w, 8, QStringLiteral("ПОСВІДЧЕННЯ ПРО ВІДРЯДЖЕННЯ № [NomUd]"),
           TStyle().Pt(14).Bold().Center());
    const struct {
        const char* Label;
        const char* Value;
    } lines[] = {
        {"Видане", "[IBQuery.\"FAMILY\"] [IBQuery.\"NAME\"] [IBQuery.\"PATR\"]"},
        {"Відряджений(а) до", "[Punkt]"},
        {"Мета відрядження", "[Meta]"},
        {"Строк відрядження", "[Term] днів, з [FormatDateTime('dd.mm.yyyy', DatZ)] по "
                              "[FormatDateTime('dd.mm.yyyy', DatPo)]"},
        {"Підстава", "розпорядження № [NomRoz] від [FormatDateTime('dd.mm.yyyy', DatUd)]"},
        {"Вибув з", "[Vib]"},
    };
    double y = 32;
    for (const auto& l : lines) {
        T.Text(0, y, 45, 7, QString::fromUtf8(l.Label), TStyle().Bold());
        T.Text(45, y, w - 45, 7, QString::fromUtf8(l.Value), TStyle());
        T.Line(45, y + 6, w - 45);
        y += 11;
    }
    T.Text(0, y + 4, w, 6, QStringLiteral("[Org]"), TStyle().Italic());
    T.Signature(y + 16, QStringLiteral("Керівник"));
}
