// "Чисельність військовозобов'язаних": by category and, for workers, by grade and position
// code: liable for service by rank and fitness, under special registration by age, conscripts
// and those with mobilisation orders.
#include "StatKit.h"

using namespace statkit;

KADRION_TEMPLATE(war) {
    T.Landscape();
    static const struct {
        const char* Name;
        int First;
        bool Bold;
    } lines[] = {{"Керівники", 1, false},
                 {"Професіонали, фахівці", 17, false},
                 {"Технічні службовці", 33, false},
                 {"Робітники", 49, false},
                 {"– 1–2 розряду", 65, false},
                 {"– 3–4 розряду", 81, false},
                 {"– 5 розряду і вище", 97, false},
                 {"– без розряду", 113, false},
                 {"– водії, машиністи (код 83..)", 129, false},
                 {"– код посади 8331.1", 145, false},
                 {"Усього", 161, true}};
    std::vector<TRow> rows;
    for (const auto& l : lines)
        rows.push_back({QString::fromUtf8(l.Name), Run(l.First, 16), l.Bold});
    TTable tb;
    tb.LabelWidth = 51;
    tb.CellWidth = 13.5;
    tb.Pt = 7;
    tb.HeadTop = 10;
    tb.HeadBottom = 20;
    tb.RowHeight = 7;
    tb.LabelTitle = QStringLiteral("Категорія персоналу");
    tb.Heads = {
        {QStringLiteral("Усього праців-\nників"), 0, {}},
        {QStringLiteral("Військовозобов'язані"),
         5,
         {QStringLiteral("усього"), QStringLiteral("офіцери"),
          QStringLiteral("прапор-\nщики, мічмани"),
          QStringLiteral("сержанти, старшини, солдати, матроси"),
          QStringLiteral("обмежено при-\nдатні (крім офіцерів)")}},
        {QStringLiteral("Заброньовані (на спецобліку)"),
         7,
         {QStringLiteral("усього"), QStringLiteral("офіцери"), QStringLiteral("до 30 років"),
          QStringLiteral("31–35 років"), QStringLiteral("36–40 років"),
          QStringLiteral("41–45 років"), QStringLiteral("46–50 років")}},
        {QStringLiteral("Не за-\nброньо-\nвані, без моб-\nрозпо-\nряджень"), 0, {}},
        {QStringLiteral("Призов-\nники"), 0, {}},
        {QStringLiteral("Мають моб-\nрозпо-\nрядження"), 0, {}}};
    T.Band(btReportTitle, 180);
    double y = Heading(T, QStringLiteral("Чисельність військовозобов'язаних"),
                       QStringLiteral("станом на [Times]"));
    y = Table(T, y, tb, rows);
    T.Signature(y + 10);
}
