// "Таблиця 3": the staff by category, then by line of work with its managers, its
// professionals, specialists and clerks together, and its workers.
#include "StatKit.h"

using namespace statkit;

KADRION_TEMPLATE(har) {
    static const struct {
        const char* Name;
        int Whole, Managers, Middle, Workers;
    } lines[] = {{"Технічна експлуатація", 61, 71, 81, 91},
                 {"Фінанси, економіка", 101, 111, 121, 0},
                 {"Планування та будівництво", 131, 141, 151, 161},
                 {"Кадрові питання", 171, 181, 191, 0},
                 {"Правові питання", 201, 211, 221, 0},
                 {"Інші напрями діяльності", 231, 241, 251, 261}};
    std::vector<TRow> rows{{QStringLiteral("Усього працівників"), Run(1, 10), true}};
    const int categories[5] = {11, 21, 31, 41, 51};
    for (const TRow& r : CategoryRows(categories, 10))
        rows.push_back(r);
    rows.push_back({QStringLiteral("За напрямами діяльності:"), {}, true});
    for (const auto& l : lines) {
        rows.push_back({QString::fromUtf8(l.Name), Run(l.Whole, 10), true});
        rows.push_back({QStringLiteral("– керівники"), Run(l.Managers, 10)});
        rows.push_back(
            {QStringLiteral("– професіонали, фахівці, технічні службовці"), Run(l.Middle, 10)});
        if (l.Workers) rows.push_back({QStringLiteral("– робітники"), Run(l.Workers, 10)});
    }
    TTable tb;
    tb.LabelTitle = QStringLiteral("Категорія персоналу, напрям діяльності");
    tb.Heads = TenHeads();
    tb.RowHeight = 7;
    T.Band(btReportTitle, 272);
    double y = Heading(T, QStringLiteral("Кількісний та якісний склад працівників\nТаблиця 3"),
                       QStringLiteral("станом на [NDate]"));
    y = Table(T, y, tb, rows);
    T.Signature(y + 8);
}
