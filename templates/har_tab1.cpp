// "Таблиця 1": the staff by line of work and category, each row with its women, education and
// age bands.
#include "StatKit.h"

using namespace statkit;

KADRION_TEMPLATE(har_tab1) {
    static const struct {
        const char* Name;
        int Whole;
        int Categories[5];
    } lines[] = {{"Технічна експлуатація", 61, {71, 81, 11, 21, 91}},
                 {"Фінанси, економіка", 101, {111, 121, 31, 41, 0}},
                 {"Маркетинг та продаж послуг", 341, {351, 361, 371, 381, 391}},
                 {"Планування та будівництво", 131, {141, 151, 51, 271, 161}},
                 {"Кадрові питання", 171, {181, 191, 281, 291, 0}},
                 {"Правові питання", 201, {211, 221, 301, 311, 0}},
                 {"Інші напрями діяльності", 231, {241, 251, 321, 331, 261}}};
    std::vector<TRow> rows{{QStringLiteral("Усього працівників"), Run(1, 10), true}};
    for (const auto& l : lines) {
        rows.push_back({QString::fromUtf8(l.Name), Run(l.Whole, 10), true});
        for (const TRow& r : CategoryRows(l.Categories, 10))
            rows.push_back(r);
    }
    TTable tb;
    tb.LabelTitle = QStringLiteral("Напрям діяльності, категорія персоналу");
    tb.Heads = TenHeads();
    tb.RowHeight = 4.8;
    T.Band(btReportTitle, 272);
    double y = Heading(T, QStringLiteral("Кількісний та якісний склад працівників\nТаблиця 1"),
                       QStringLiteral("станом на [NDate]"));
    y = Table(T, y, tb, rows);
    T.Signature(y + 8);
}
