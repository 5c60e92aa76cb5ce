// "Таблиця 2": the staff and each category with women, education, age bands, the average age,
// pensioners and those with an old-age pension. The average is the sum of ages over those in
// the age bands: an employee without a birth date adds no age and is in no band.
#include "StatKit.h"

using namespace statkit;

KADRION_TEMPLATE(har_tab2) {
    static const char* names[] = {"Усього працівників", "– керівники",          "– професіонали",
                                  "– фахівці",          "– технічні службовці", "– робітники"};
    std::vector<TRow> rows;
    for (int g = 0; g < 6; ++g) {
        const int first = 1 + 10 * g;
        QStringList banded;
        for (int c = first + 4; c <= first + 9; ++c)
            banded << QStringLiteral("MyArr_Arr_%1").arg(c);
        const QString aged = u'(' + banded.join(u'+') + u')';
        const QString average =
            QStringLiteral("[IF(%1 > 0, FORMATFLOAT('0.0', MyArr_Arr_%2 / %1), '–')]")
                .arg(aged)
                .arg(61 + g);
        rows.push_back({QString::fromUtf8(names[g]),
                        Run(first, 10),
                        g == 0,
                        {average, TTemplate::Arr(71 + g), TTemplate::Arr(81 + g)}});
    }
    TTable tb;
    tb.LabelWidth = 38;
    tb.CellWidth = 10.9;
    tb.HeadBottom = 16;
    tb.Pt = 7;
    tb.RowHeight = 7;
    tb.LabelTitle = QStringLiteral("Категорія персоналу");
    tb.Heads = TenHeads();
    tb.Heads.push_back({QStringLiteral("Серед-\nній вік, років"), 0, {}});
    tb.Heads.push_back({QStringLiteral("Пенсіонери"),
                        2,
                        {QStringLiteral("усього"), QStringLiteral("з них на пенсії за віком")}});
    T.Band(btReportTitle, 130);
    double y = Heading(T, QStringLiteral("Кількісний та якісний склад працівників\nТаблиця 2"),
                       QStringLiteral("станом на [NDate]"));
    y = Table(T, y, tb, rows);
    T.Text(0, y + 2, T.Width(), 5,
           QStringLiteral("Пенсіонери: жінки від 55 років, чоловіки від 60 років та всі, хто "
                          "отримує пенсію."),
           TStyle().Pt(8).Italic());
    T.Signature(y + 14);
}
