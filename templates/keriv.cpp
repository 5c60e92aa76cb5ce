// "Аналіз керівного складу": the managers by their position codes, each row with women,
// education and age bands.
#include "StatKit.h"

using namespace statkit;

KADRION_TEMPLATE(keriv) {
    // the last label takes three lines of the label column
    static const struct {
        const char* Name;
        int First;
        double Height;
    } groups[] = {
        {"Керівник підприємства (код 1210.1)", 1, 0},
        {"Заступники керівника (коди 1210.2, 1210.3, 1210.5)", 11, 0},
        {"Головний бухгалтер (код 1231)", 21, 0},
        {"Керівники (коди 1229.3, 1229.72)", 41, 0},
        {"Керівники (код 1229.1)", 51, 0},
        {"Керівники (коди 1229.7, 1229.12)", 61, 0},
        {"Керівники (код 1229.13)", 71, 0},
        {"Керівники структурних підрозділів (коди 1222.2 – 1222.28, 1226.2 – 1226.30, "
         "1229.14, 1229.71, 1239)",
         81, 14},
    };
    std::vector<TRow> rows;
    for (const auto& g : groups) {
        rows.push_back({QString::fromUtf8(g.Name), Run(g.First, 10)});
        rows.back().Height = g.Height;
    }
    TTable tb;
    tb.LabelTitle = QStringLiteral("Посади керівників");
    tb.Heads = TenHeads();
    tb.RowHeight = 9;
    T.Band(btReportTitle, 150);
    double y = Heading(T, QStringLiteral("Аналіз керівного складу"), QString());
    y = Table(T, y, tb, rows);
    T.Signature(y + 10);
}
