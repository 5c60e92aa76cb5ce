// "Атестаційний лист": the attestation sheet of the current employee. Memo7 prints the post
// held (with the category; the command of the sheet without it puts the position name alone
// there) and Memo4 the date since which it is held (the command puts the expression in).
#include "FormRows.h"

KADRION_TEMPLATE(atestat) {
    const double w = T.Width();
    TfrBandView* title = T.Band(btReportTitle, 22);
    T.Text(0, 0, w, 6, "[Org]", TStyle().Pt(11).Bold());
    T.Text(0, 10, w, 8, "АТЕСТАЦІЙНИЙ ЛИСТ", TStyle().Pt(14).Bold().Center());
    TFormRows rows(T, title);
    rows.Field("1. Прізвище, ім'я, по батькові",
               CardField("FAMILY") + " " + CardField("NAME") + " " + CardField("PATR"), 70);
    rows.Field("2. Дата народження", CardField("BDATE"), 70);
    rows.Field("3. Освіта",
               CardField("EDUC") + " " + CardField("NAMEHSHC") + " " + CardField("ENDHDATE"), 70);
    rows.Field("    спеціальність за дипломом", CardField("DIPPROF") + " " + CardField("DIPQUAL"),
               70);
    rows.Band(6);
    T.Text(0, 1, 70, 5, "4. Посада на час атестації", TStyle().Sans().Pt(8).Italic());
    TStyle v = TStyle().Pt(10);
    v.Frame = frftBottom;
    T.Text(70, 0, w - 70, 6,
           "[IBQuery.\"L_PROF\"][IF(IBQuery.\"NKAT\"<>'', ', категорія ' + IBQuery.\"NKAT\", "
           "'')][IF(IBQuery.\"ROZRAD\"<>'', ', розряд ' + IBQuery.\"ROZRAD\", '')][IF("
           "IBQuery.\"KLAS\"<>'', ', клас ' + IBQuery.\"KLAS\", '')]",
           v)
        ->Name = QStringLiteral("Memo7");
    rows.Band(6);
    T.Text(0, 1, 70, 5, "5. На посаді з", TStyle().Sans().Pt(8).Italic());
    TfrMemoView* held = T.Text(70, 0, w - 70, 6, CardField("WOWORK"), v);
    held->Name = QStringLiteral("Memo4");
    held->Flags |= flHideZeros;
    rows.Field("6. Безперервний стаж з", CardField("WOWORK"), 70);
    rows.Field("7. Нагороди", CardField("WIN") + " " + CardField("DATEWIN"), 70);
    rows.Heading("8. Висновок атестаційної комісії");
    for (int i = 0; i < 3; ++i)
        rows.Field("", "", 0);
    rows.Heading("9. Рішення атестаційної комісії");
    rows.Field("відповідає займаній посаді", "", 70);
    rows.Field("кількість членів комісії", "", 70);
    rows.Field("голосували: за / проти", "", 70);
    rows.Signature("Голова атестаційної комісії", "");
    rows.Signature("Секретар атестаційної комісії", "");
    rows.Signature("З атестаційним листом ознайомлений(а)", "");
    rows.Signature("[Pos]", "[Boss]");
}
