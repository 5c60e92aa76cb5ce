// "Особова картка": the card of the current employee (the employee list's current row and its
// appointments): general facts, education, family, passport, military registration, the
// appointments and transfers in a ruled table, the dismissal and the signatures.
#include "FormRows.h"
#include "Table.h"

KADRION_TEMPLATE(card) {
    const double w = T.Width();
    TfrBandView* title = T.Band(btReportTitle, 24);
    T.Text(0, 0, w, 6, "[Org]", TStyle().Pt(11).Bold());
    T.Text(0, 8, w, 8, "ОСОБОВА КАРТКА ПРАЦІВНИКА", TStyle().Pt(14).Bold().Center());
    T.Text(0, 17, w, 6,
           "Табельний номер " + CardField("TAB") + "    Ідентифікаційний номер " + CardField("ID"),
           TStyle().Pt(10).Center());
    TFormRows rows(T, title);
    rows.Heading("I. ЗАГАЛЬНІ ВІДОМОСТІ");
    rows.Field("Прізвище, ім'я, по батькові",
               CardField("FAMILY") + " " + CardField("NAME") + " " + CardField("PATR"));
    rows.Fields("Дата народження", CardField("BDATE"), "Стать", CardField("SEX"));
    rows.Field("Місце народження", CardField("BPLACE"));
    rows.Fields("Освіта", CardField("EDUC"), "Вид навчання", CardField("TEDUC"));
    rows.Field("Вищий навчальний заклад", CardField("NAMEHSHC") + " " + CardField("ENDHDATE"));
    rows.Field("Середній спеціальний заклад", CardField("NAMETEX") + " " + CardField("ENDTDATE"));
    rows.Field("Професійно-технічне училище", CardField("NAMEPTU") + " " + CardField("ENDPDATE"));
    rows.Field("Спеціальність за дипломом", CardField("DIPPROF"));
    rows.Fields("Кваліфікація за дипломом", CardField("DIPQUAL"), "Диплом №", CardField("NUMDIP"));
    rows.Field("Останнє місце роботи", CardField("LPWORK"));
    rows.Fields("Дата звільнення", CardField("ENDDATE"), "Причина", CardField("WHYLEAVE"));
    rows.Fields("Безперервний стаж з", CardField("WOWORK"), "Вислуга з", CardField("WOWORK1"));
    rows.Fields("Родинний стан", CardField("STATFAM"), "Члени сім'ї", CardField("MEMBFAM"));
    rows.Fields("Паспорт", CardField("PASP"), "Дата видачі", CardField("OUTDATE"));
    rows.Field("Ким виданий", CardField("WHOOUT"));
    rows.Fields("Домашня адреса", CardField("ADRHOME"), "Телефон", CardField("TEL"));
    rows.Heading("II. ВІДОМОСТІ ПРО ВІЙСЬКОВИЙ ОБЛІК");
    rows.Fields("Група обліку", CardField("V_GROUP"), "Категорія обліку", CardField("V_KAT"));
    rows.Fields("Військове звання", CardField("V_ZVAN"), "Склад", CardField("V_SOSTAV"));
    rows.Fields("Військово-облікова спец.", CardField("V_SPEZ"), "Придатність",
                CardField("V_PRIG"));
    rows.Field("Райвійськкомат", CardField("V_ADR"));
    rows.Heading("III. ПРИЗНАЧЕННЯ І ПЕРЕВЕДЕННЯ");
    rows.Fields("Дата прийому", CardField("WWORK"), "Наказ №",
                CardField("PRJ_NOM") + " " + CardField("PRJ_DNAK"));
    // the table of appointments: date, subdivision, position, category, grade, class, salary,
    // the order's number and date
    const std::vector<double> x{0, 19, 58, 104, 114, 124, 134, 151, w};
    rows.Band(10);
    TableRow(T, x, 2, 8, {"Дата", "Підрозділ", "Посада", "Кат.", "Роз.", "Клас", "Оклад", "Наказ"},
             {TableHead()});
    RowsBand(T, 6, QStringLiteral("frDBDataSet2"));
    const TStyle left = TableText(), centre = TableText(frtaCenter), right = TableText(frtaRight);
    TableRow(T, x, 0, 6,
             {"[IBnazn.\"NAZ_DATE\"]", "[IBnazn.\"L_KODP\"]", "[IBnazn.\"L_CPROF\"]",
              "[IBnazn.\"KAT\"]", "[IBnazn.\"ROZ\"]", "[IBnazn.\"KLAS\"]", "[IBnazn.\"OKLAD\"]",
              "[IBnazn.\"NAK_N\"] [IBnazn.\"NAK_D\"]"},
             {centre, left, left, centre, centre, centre, right, left});
    T.Band(btMasterFooter, 1);
    TableClose(T, 0, w);
    TfrBandView* summary = T.Band(btReportSummary, 4);
    TFormRows end(T, summary);
    end.Heading("IV. НАГОРОДИ ТА ЗВІЛЬНЕННЯ");
    end.Fields("Нагороди", CardField("WIN"), "Дата", CardField("DATEWIN"));
    end.Fields("Дата звільнення", CardField("ENDEND"), "Наказ №",
               CardField("UVL_NOM") + " " + CardField("UVL_DNAK"));
    end.Field("Підстава звільнення", CardField("WHYWHY") + " " + CardField("UVL_WHY"));
    end.Signature("Працівник кадрової служби", "");
    end.Signature("Підпис працівника", "");
}
