// "Рух кадрів": hired, left by the reason of leaving, and the staff at the end of the period,
// each row with women, education and the five categories.
#include "StatKit.h"

using namespace statkit;

KADRION_TEMPLATE(ruh) {
    static const struct {
        const char* Name;
        int First;
        bool Bold;
    } lines[] = {
        {"Прийнято працівників", 1, true},
        {"– з них інвалідів", 181, false},
        {"Вибуло працівників", 11, true},
        {"– з них інвалідів", 191, false},
        {"– за угодою сторін (п. 1 ст. 36 КЗпП України)", 131, false},
        {"– із закінченням строку договору (п. 2 ст. 36 КЗпП України)", 141, false},
        {"– переведенням (п. 5 ст. 36 КЗпП України)", 21, false},
        {"– за власним бажанням (ст. 38 КЗпП України), усього", 31, false},
        {"– з поважних причин", 41, false},
        {"– у зв'язку з виходом на пенсію", 51, false},
        {"– з наданням пільг за колективним договором", 61, false},
        {"– без поважних причин", 71, false},
        {"– у зв'язку зі зміною місця проживання", 151, false},
        {"– у зв'язку з доглядом за хворим", 161, false},
        {"– за п. 1 ст. 40 КЗпП України", 81, false},
        {"– за п. 4 ст. 40 КЗпП України", 91, false},
        {"– за п. 7 ст. 40 КЗпП України", 101, false},
        {"– з інших причин", 111, false},
        {"Облікова чисельність на кінець періоду", 121, true},
        {"– з них інвалідів", 171, false},
    };
    std::vector<TRow> rows;
    for (const auto& l : lines)
        rows.push_back({QString::fromUtf8(l.Name), Run(l.First, 9), l.Bold});
    TTable tb;
    tb.LabelWidth = 72;
    tb.CellWidth = 12;
    tb.Pt = 7;
    tb.HeadBottom = 12;
    tb.RowHeight = 7.5;
    tb.LabelTitle = QStringLiteral("Показник");
    tb.Heads = {{QStringLiteral("Усього"), 0, {}},
                {QStringLiteral("з них жінок"), 0, {}},
                {QStringLiteral("Освіта"),
                 2,
                 {QStringLiteral("повна вища"), QStringLiteral("неповна, базова вища")}},
                {QStringLiteral("Категорія персоналу"),
                 5,
                 {QStringLiteral("керів-\nники"), QStringLiteral("профе-\nсіонали"),
                  QStringLiteral("фахівці"), QStringLiteral("технічні служ-\nбовці"),
                  QStringLiteral("робіт-\nники")}}};
    T.Band(btReportTitle, 230);
    double y = Heading(T, QStringLiteral("Рух кадрів"), QStringLiteral("за період [Times]"));
    y = Table(T, y, tb, rows);
    T.Signature(y + 10);
}
