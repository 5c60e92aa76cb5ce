// "Про прийом на роботу": the hiring order of the current employee, signed by the head and
// prepared by the HR staff member chosen ([OK_Pos], [OK_Pib]; empty when nobody was).
#include "Order.h"

KADRION_TEMPLATE(prijom) {
    TFormRows rows =
        OrderHead(T, CardField("PRJ_NOM"), CardField("PRJ_DNAK"), "Про прийняття на роботу");
    rows.Paragraph("ПРИЙНЯТИ:", TStyle().Pt(12).Bold(), 6);
    rows.Paragraph(CardField("FAMILY") + " " + CardField("NAME") + " " + CardField("PATR") +
                   ", табельний № " + CardField("TAB") + ",");
    rows.Field("на посаду", CardField("L_PROF"), 45);
    rows.Field("до підрозділу", CardField("LOOK"), 45);
    rows.Field("з", CardField("WWORK"), 45);
    rows.Fields("робота", CardField("PRJ_RAB"), "умови праці", CardField("PRJ_UMOV"), 45, 30);
    rows.Fields("оклад, грн", CardField("OKLAD"), "випробування",
                "[IF(IBQuery.\"PRJ_ISP\">0, "
                "STR(IBQuery.\"PRJ_ISP\") + ' міс.', 'без випробування')]",
                45, 30);
    rows.Field("строк трудового договору", CardField("PRJ_SROK"), 45);
    rows.Field("новостворене робоче місце", "[IF(IBQuery.\"NOVO\"=1, 'так', 'ні')]", 45);
    rows.Field("примітки", CardField("PRJ_PRIM"), 45);
    rows.Paragraph("Підстава: заява " + CardField("FAMILY") + " " + CardField("NAME") + " " +
                       CardField("PATR") + ".",
                   TStyle().Pt(12), 4);
    rows.Signature("[Pos]", "[Boss]", 14);
    rows.Signature("Проект наказу вносить: [OK_Pos]", "[OK_Pib]", 10);
    rows.Signature("З наказом ознайомлений(а)", "", 10);
}
